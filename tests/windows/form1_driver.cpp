// form1_driver CSTRIP_EXE FOLDER: drives cstrip.exe's window from outside,
// through its controls' messages, as a user would through the controls:
// - the caption, and each control's class, caption and place from the
//   layout table, and room for each caption at 96 and 144 DPI;
// - each mode through GO, from FOLDER/in.c into FOLDER/<mode>.out, for the
//   caller to compare with the engine's output;
// - the chooser: its filters, a confirmed name, a cancel;
// - a long path, given at start or chosen, shows its end in its box;
// - a failed run shows a message box naming the file, and the window stays;
// - EXIT during a long run (FOLDER/big.c into FOLDER/exit.out) ends the
//   program, with GO and the browse buttons disabled while it runs.
// Prints a line per check and exits 0 when every one passed.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <utility>

#include "form1.h"
#include "twips.h"
#include "wide_text.h"

namespace {

using namespace form1_layout;

int failures = 0;

void check(bool passed, const std::string& what) {
  std::printf("%s: %s\n", passed ? "ok" : "FAILED", what.c_str());
  std::fflush(stdout);
  if (!passed) ++failures;
}

template <class Condition>
bool waitFor(Condition condition, int milliseconds = 30000) {
  for (int waited = 0; waited < milliseconds; waited += 5) {
    if (condition()) return true;
    Sleep(5);
  }
  return condition();
}

std::wstring textOf(HWND window) {
  wchar_t text[1024] = {};
  SendMessageW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
  return text;
}

void setText(HWND window, const std::wstring& text) {
  SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// The dialog (a message box or a chooser) `form` shows, or none.
HWND dialogOf(HWND form) {
  struct Search {
    HWND form;
    HWND found;
  } search{form, nullptr};
  EnumWindows(
      [](HWND window, LPARAM searching) -> BOOL {
        auto* search = reinterpret_cast<Search*>(searching);
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wcscmp(name, L"#32770") != 0 || GetWindow(window, GW_OWNER) != search->form) {
          return TRUE;
        }
        search->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The control of class `className` and ID `id` anywhere inside `dialog`,
// once the dialog has made it.
HWND descendant(HWND dialog, const wchar_t* className, int id) {
  struct Search {
    const wchar_t* className;
    int id;
    HWND found;
  } search{className, id, nullptr};
  waitFor([&] {
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM searching) -> BOOL {
          auto* search = reinterpret_cast<Search*>(searching);
          wchar_t name[64] = {};
          GetClassNameW(child, name, 64);
          if (_wcsicmp(name, search->className) != 0 || GetDlgCtrlID(child) != search->id) {
            return TRUE;
          }
          search->found = child;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  });
  return search.found;
}

// Whether `box` shows the end of its text, its start scrolled out of sight.
bool showsEnd(HWND box) {
  const auto length = static_cast<int>(SendMessageW(box, WM_GETTEXTLENGTH, 0, 0));
  const auto x = [&](int index) {
    return static_cast<short>(LOWORD(SendMessageW(box, EM_POSFROMCHAR, index, 0)));
  };
  RECT client{};
  GetClientRect(box, &client);
  return x(0) < 0 && x(length - 1) >= 0 && x(length - 1) < client.right;
}

class Form {
 public:
  explicit Form(const std::wstring& program, const std::wstring& arguments = L"") {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process_)) {
      return;
    }
    waitFor([&] {
      window_ = FindWindowW(kForm1ClassName, nullptr);
      return window_ != nullptr && IsWindowVisible(window_);
    });
  }
  ~Form() {
    if (IsWindow(window_)) PostMessageW(window_, WM_CLOSE, 0, 0);
    if (process_.hProcess != nullptr) {
      WaitForSingleObject(process_.hProcess, 10000);
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
  }

  HWND window() const { return window_; }
  HWND operator[](ControlId id) const { return GetDlgItem(window_, controlIdOf(id)); }
  bool ended(int milliseconds) const {
    return WaitForSingleObject(process_.hProcess, static_cast<DWORD>(milliseconds)) ==
           WAIT_OBJECT_0;
  }

  // Clicks GO as a user does, without waiting for the run.
  void clickGo(const std::wstring& in, const std::wstring& out, ControlId option) const {
    setText((*this)[Text1], in);
    setText((*this)[Text2], out);
    setText((*this)[Text3], L"");
    SendMessageW((*this)[option], BM_CLICK, 0, 0);
    PostMessageW((*this)[Command3], BM_CLICK, 0, 0);
  }

 private:
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

void checkLayout(const Form& form) {
  check(textOf(form.window()) == cstrip::toWide(kTitle), "the caption");
  const UINT dpi = GetDpiForWindow(form.window());
  const PixelRect frame = twipsToPixels(kControls[Frame1].place);
  bool placed = true, captioned = true;
  for (const Control& entry : kControls) {
    PixelRect place = twipsToPixels(entry.place);
    if (entry.inFrame1)
      place = {place.left + frame.left, place.top + frame.top, place.width, place.height};
    RECT bounds{};
    GetWindowRect(form[entry.id], &bounds);
    MapWindowPoints(HWND_DESKTOP, form.window(), reinterpret_cast<POINT*>(&bounds), 2);
    const auto scaled = [&](int pixels) { return MulDiv(pixels, static_cast<int>(dpi), 96); };
    const bool here = bounds.left == scaled(place.left) && bounds.top == scaled(place.top) &&
                      bounds.right - bounds.left == scaled(place.width) &&
                      bounds.bottom - bounds.top == scaled(place.height);
    if (!here)
      std::printf("  %s is at %ld,%ld %ldx%ld\n", entry.name, bounds.left, bounds.top,
                  bounds.right - bounds.left, bounds.bottom - bounds.top);
    placed = placed && here;
    captioned = captioned && textOf(form[entry.id]) == cstrip::toWide(entry.caption);
  }
  check(placed, "every control is placed as the table says");
  check(captioned, "every control has the table's caption");
  RECT client{};
  GetClientRect(form.window(), &client);
  check(client.right == MulDiv(twipsToPixels(kClientWidth), static_cast<int>(dpi), 96) &&
            client.bottom == MulDiv(twipsToPixels(kClientHeight), static_cast<int>(dpi), 96),
        "the client area is the table's");
}

// Every caption fits its control in the window's font at 96 and 144 DPI, less
// 18 pixels at 96 DPI for the circle, gap and margins of an option button
// (Frame1 holds only those), 6 for the frame and margins of the others.
void checkCaptionsFit() {
  const HDC screen = GetDC(nullptr);
  bool fit = true;
  for (const int dpi : {96, 144}) {
    const HGDIOBJ old = SelectObject(screen, createForm1Font(dpi));
    for (const Control& entry : kControls) {
      std::wstring caption = cstrip::toWide(entry.caption);
      std::erase(caption, L'&');  // the mnemonic's mark is not drawn
      SIZE drawn{};
      GetTextExtentPoint32W(screen, caption.c_str(), static_cast<int>(caption.size()), &drawn);
      const int margin = entry.inFrame1 ? 18 : 6;
      const bool fits = drawn.cx <= MulDiv(twipsToPixels(entry.place).width - margin, dpi, 96);
      if (!fits) std::printf("  %s is clipped at %d DPI\n", entry.name, dpi);
      fit = fit && fits;
    }
    DeleteObject(SelectObject(screen, old));
  }
  ReleaseDC(nullptr, screen);
  check(fit, "every caption fits its control at 96 and 144 DPI");
}

// The control with the keyboard focus in `form`'s thread.
HWND focusOf(const Form& form) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(form.window(), nullptr), &info);
  return info.hwndFocus;
}

// Presses `key` as the keyboard would, on the control with the focus.
void press(const Form& form, WPARAM key, bool alt = false) {
  const HWND target = focusOf(form);
  const LPARAM altDown = alt ? LPARAM{1} << 29 : 0;
  PostMessageW(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1 | altDown);
  PostMessageW(target, alt ? WM_SYSKEYUP : WM_KEYUP, key, 1 | altDown | LPARAM{3} << 30);
}

void checkKeys(const Form& form) {
  SetForegroundWindow(form.window());
  bool inOrder = waitFor([&] { return focusOf(form) == form[Text1]; }, 5000);
  // Tab visits the table's tab order; in the option group, the checked one,
  // and the arrow keys go round the group, Option3 after Option4.
  const std::pair<WPARAM, ControlId> kSteps[] = {
      {VK_TAB, Command1}, {VK_TAB, Text2},    {VK_TAB, Command2}, {VK_TAB, Option1},
      {VK_DOWN, Option2}, {VK_DOWN, Option4}, {VK_DOWN, Option3}, {VK_DOWN, Option1},
      {VK_TAB, Command3}, {VK_TAB, Command4}, {VK_TAB, Text3}};
  for (const auto& [key, next] : kSteps) {
    press(form, key);
    inOrder = inOrder && waitFor([&] { return focusOf(form) == form[next]; }, 5000);
  }
  check(inOrder, "Tab and the arrow keys go through the controls in the table's order");
  setText(form[Text1], L"");  // GO would fail at once, with a message box
  press(form, VK_RETURN);
  press(form, VK_ESCAPE);
  Sleep(500);
  check(IsWindow(form.window()) && dialogOf(form.window()) == nullptr,
        "Enter and Esc press nothing");
  press(form, 'G', true);  // GO with no input path fails at once
  HWND box = nullptr;
  check(waitFor([&] { return (box = dialogOf(form.window())) != nullptr; }, 5000),
        "Alt+G presses GO");
  if (box != nullptr) PostMessageW(box, WM_COMMAND, IDOK, 0);
  waitFor([&] { return dialogOf(form.window()) == nullptr; });
}

void checkChooser(const Form& form, const std::wstring& chosen) {
  setText(form[Text1], L"before");
  PostMessageW(form[Command1], BM_CLICK, 0, 0);
  HWND dialog = nullptr;
  check(waitFor([&] { return (dialog = dialogOf(form.window())) != nullptr; }),
        "Command1 opens the chooser");
  const HWND types = descendant(dialog, L"ComboBox", 0x470);  // cmb1, the file types
  bool filters = SendMessageW(types, CB_GETCOUNT, 0, 0) == std::ssize(kFilters) &&
                 SendMessageW(types, CB_GETCURSEL, 0, 0) == kInitialFilter;
  for (std::size_t i = 0; filters && i < std::size(kFilters); ++i) {
    wchar_t label[256] = {};
    SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(label));
    filters = label == cstrip::toWide(kFilters[i]);
  }
  check(filters, "  ... with the three filters in order, C source selected");
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  waitFor([&] { return dialogOf(form.window()) == nullptr; });
  check(textOf(form[Text1]) == L"before", "  ... and Cancel leaves the box as it was");

  PostMessageW(form[Command2], BM_CLICK, 0, 0);
  waitFor([&] { return (dialog = dialogOf(form.window())) != nullptr; });
  setText(descendant(dialog, L"Edit", 0x47c), chosen);  // in cmb13, the file name
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  check(waitFor([&] { return textOf(form[Text2]) == chosen; }),
        "Command2's chooser takes a new name into Text2");
  check(showsEnd(form[Text2]), "  ... showing the end of the long path, the file's name");

  PostMessageW(form[Command1], BM_CLICK, 0, 0);
  waitFor([&] { return (dialog = dialogOf(form.window())) != nullptr; });
  const HWND name = descendant(dialog, L"Edit", 0x47c);
  check(waitFor([&] { return textOf(name).find(L"chosen.c") != std::wstring::npos; }),
        "  ... and Command1's chooser opens on it");
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  waitFor([&] { return dialogOf(form.window()) == nullptr; });
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputs("usage: form1_driver CSTRIP_EXE FOLDER\n", stderr);
    return 2;
  }
  const std::wstring folder = argv[2];
  {
    const Form form(argv[1]);
    check(form.window() != nullptr, "the window appears");
    if (form.window() == nullptr) return 1;
    checkLayout(form);
    checkCaptionsFit();
    checkKeys(form);
    checkChooser(form, folder + L"\\" + std::wstring(60, L'n') + L"-chosen.c");

    const struct {
      const wchar_t* name;
      ControlId option;
    } kModes[] = {
        {L"strip", Option3}, {L"lower", Option1}, {L"upper", Option2}, {L"strip-c", Option4}};
    for (const auto& mode : kModes) {
      form.clickGo(folder + L"\\in.c", folder + L"\\" + mode.name + L".out", mode.option);
      check(
          waitFor([&] { return !textOf(form[Text3]).empty() && IsWindowEnabled(form[Command3]); }),
          "GO runs " + cstrip::toUtf8(mode.name) + " and shows the count");
    }

    form.clickGo(folder + L"\\none.c", folder + L"\\none.out", Option3);
    HWND box = nullptr;
    check(waitFor([&] { return (box = dialogOf(form.window())) != nullptr; }),
          "a failed run shows a message box");
    const std::wstring message = textOf(descendant(box, L"Static", 0xFFFF));
    check(message.find(L"none.c") != std::wstring::npos &&
              message.find(L"見つかりません") != std::wstring::npos,
          "  ... naming the file and the reason in Japanese");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    check(waitFor([&] { return dialogOf(form.window()) == nullptr; }) && !form.ended(300) &&
              IsWindowEnabled(form[Command3]),
          "  ... and the window stays, ready for another run");
  }
  {
    const std::wstring path = folder + L"\\" + std::wstring(60, L'n') + L"\\in.c";
    const Form form(argv[1], L"\"" + path + L"\" \"" + path + L"\"");
    check(textOf(form[Text2]) == path && showsEnd(form[Text1]) && showsEnd(form[Text2]),
          "long paths given at start show their ends, focused or not");
  }
  {
    const Form form(argv[1]);
    form.clickGo(folder + L"\\big.c", folder + L"\\exit.out", Option3);
    check(waitFor([&] { return !IsWindowEnabled(form[Command3]); }), "a long run starts");
    check(!IsWindowEnabled(form[Command1]) && !IsWindowEnabled(form[Command2]),
          "  ... with the browse buttons disabled");
    Sleep(300);  // well into the run
    PostMessageW(form[Command4], BM_CLICK, 0, 0);
    check(form.ended(10000), "EXIT during the run ends the program");
  }
  std::printf("%d failed\n", failures);
  return failures == 0 ? 0 : 1;
}
