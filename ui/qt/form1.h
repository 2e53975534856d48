#pragma once

#include <QWidget>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "form1_layout.h"
#include "run_pump.h"

class FileChooser;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The program's one window: two paths, the choice of conversion, GO, the
// line count and EXIT. GO runs the conversion on the window's own thread,
// which processes the window's events at the run's yields; the window
// provides the engine with the operations a run needs.
class Form1 : public QWidget, private RunPump {
  Q_OBJECT

 public:
  // The window, with Text1 and Text2 set to `paths`, if given.
  explicit Form1(const std::vector<std::filesystem::path>& paths = {}, QWidget* parent = nullptr);

  // True while GO's run is going on.
  bool isRunning() const { return running_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  // A local file dropped on Text1 or Text2 sets that box to its path;
  // dropped anywhere else on the window, Text1.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void Command4_Click();

 private:
  // The window operations a run uses.
  std::filesystem::path inputPath() override;
  std::filesystem::path outputPath() override;
  bool commentModeChosen() override;
  bool cCommentModeChosen() override;
  bool lowerCaseChosen() override;
  void showCountNow(cstrip::LineCount count) override;
  void processEvents() override;

  // Creates the control `id` of the layout table as a Widget, with its
  // caption, name and place, inside Frame1 where the table says so.
  template <class Widget>
  Widget* create(form1_layout::ControlId id);
  // The path in `box`: the very path last put there, while the box still
  // shows it (a name in CP932 or with control characters is shown as text
  // that names another file, or none); else the text typed, without the
  // spaces around it.
  std::filesystem::path pathIn(const QLineEdit* box) const;
  // Shows `path` in `box` (see displayPath) and keeps it for pathIn.
  void setPath(QLineEdit* box, const std::filesystem::path& path);
  void dropInto(QLineEdit* box, QDropEvent* event);
  void showAllDigits();
  void chooseInto(QLineEdit* target);
  void setRunning(bool running);

  QWidget* controls_[form1_layout::kControlCount] = {};
  QLabel* Label1;
  QLineEdit* Text1;
  QPushButton* Command1;
  QLabel* Label2;
  QLineEdit* Text2;
  QPushButton* Command2;
  QGroupBox* Frame1;
  QRadioButton* Option3;
  QRadioButton* Option1;
  QRadioButton* Option2;
  QRadioButton* Option4;
  QPushButton* Command3;
  QLineEdit* Text3;
  QLabel* Label3;
  QPushButton* Command4;
  FileChooser* CommonDialog1;

  bool running_ = false;
  // The paths last put in Text1 and Text2, with the text that shows them.
  std::map<const QLineEdit*, std::pair<QString, std::filesystem::path>> shownPaths_;
};
