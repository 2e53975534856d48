#pragma once

#include <QWidget>
#include <optional>

#include "pump_clock.h"
#include "window_operations.h"

class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The program's one window: two paths, the choice of conversion, GO, the
// line count and EXIT. It runs conversions on its own thread and provides
// the engine with the window operations they need.
class Form1 : public QWidget, private cstrip::WindowOperations {
  Q_OBJECT

 public:
  explicit Form1(QWidget* parent = nullptr);

  // True while GO's run is going on.
  bool isRunning() const { return running_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void Command4_Click();

 private:
  // The window operations a run uses.
  std::string inputPath() override;
  std::string outputPath() override;
  bool commentModeChosen() override;
  bool lowerCaseChosen() override;
  void showCount(cstrip::LineCount count) override;
  bool yield() override;
  std::uint64_t yieldsToSkip() override;
  bool idle() override;
  void pump();

  void chooseInto(QLineEdit* target);
  void showEveryFileForAllFiles(const QString& filter);
  void setRunning(bool running);
  void showLatestCount();
  void place(QWidget* control, const char* name);

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
  QPushButton* Command3;
  QLineEdit* Text3;
  QLabel* Label3;
  QPushButton* Command4;
  QFileDialog* CommonDialog1;

  bool running_ = false;
  bool stopRequested_ = false;
  bool option1Checked_ = true;
  std::optional<cstrip::LineCount> unshownCount_;
  PumpClock pumpClock_;
};
