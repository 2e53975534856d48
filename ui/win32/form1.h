#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <vector>

#include "file_chooser.h"
#include "form1_layout.h"
#include "run_pump.h"

// The control ID of each control of the layout table. They start above
// IDOK and IDCANCEL, which the dialog manager sends for Enter and Esc, so
// that those press nothing.
constexpr int controlIdOf(form1_layout::ControlId id) {
  return 100 + id;
}

// The window's class name, by which a test driver finds it.
inline constexpr wchar_t kForm1ClassName[] = L"cstripForm1";

// The font of every control at `dpi`: 9 points of the Japanese UI font. The
// caller deletes it.
HFONT createForm1Font(UINT dpi);

// The program's one window in Win32 controls, the same as the Qt one: two
// paths, the choice of conversion, GO, the line count and EXIT. GO runs the
// conversion on the window's own thread, which pumps the window's messages
// at the run's yields.
class Form1 : private RunPump {
 public:
  // Creates and shows the window, with Text1 and Text2 set to `paths`, if
  // given.
  explicit Form1(const std::vector<std::filesystem::path>& paths);
  ~Form1() override;
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // Runs the window's messages until it is closed; returns the exit status.
  int exec();

 private:
  static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
  // Lets the dialog manager take Tab, the arrow keys and the mnemonics.
  void dispatch(MSG& message);

  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void Command4_Click();

  // The window operations a run uses.
  std::filesystem::path inputPath() override;
  std::filesystem::path outputPath() override;
  bool commentModeChosen() override;
  bool cCommentModeChosen() override;
  bool lowerCaseChosen() override;
  void showCountNow(cstrip::LineCount count) override;
  // Pumps the messages waiting; a WM_QUIT stops the run.
  void processEvents() override;

  // Places every control and sets the font for the monitor's `dpi`.
  void layOut(UINT dpi);
  HWND control(form1_layout::ControlId id) const { return controls_[id]; }
  std::filesystem::path pathIn(form1_layout::ControlId box) const;
  // Puts `path` in the box `id`, scrolled to show its end.
  void setText(form1_layout::ControlId id, const std::filesystem::path& path);
  void dropFiles(HDROP drop);
  void setRunning(bool running);
  // Closes the window, or once a run going on has stopped.
  void requestClose();

  HWND window_ = nullptr;
  HWND controls_[form1_layout::kControlCount] = {};
  HFONT font_ = nullptr;
  HWND focused_ = nullptr;  // the control with the focus while the window is inactive
  FileChooser CommonDialog1;

  bool running_ = false;
  bool closeAfterRun_ = false;
};
