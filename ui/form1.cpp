#include "form1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include "command3_click.h"
#include "form1_layout.h"
#include "japanese_ui.h"
#include "run_error.h"

namespace {

QString caption(const char* name) {
  return QString::fromUtf8(form1_layout::control(name).caption);
}

}  // namespace

Form1::Form1(QWidget* parent) : QWidget(parent) {
  using namespace form1_layout;
  installJapaneseQtTranslation();
  setWindowTitle(QString::fromUtf8(kTitle));
  setWindowIcon(QIcon(QStringLiteral(":/icons/cstrip.svg")));
  setFont(japaneseUiFont(font()));
  resize(twipsToPixels(kClientWidth, kClientHeight));

  Label1 = new QLabel(caption("Label1"), this);
  place(Label1, "Label1");

  Text1 = new QLineEdit(this);
  place(Text1, "Text1");

  Command1 = new QPushButton(caption("Command1"), this);
  connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
  place(Command1, "Command1");

  Label2 = new QLabel(caption("Label2"), this);
  place(Label2, "Label2");

  Text2 = new QLineEdit(this);
  place(Text2, "Text2");

  Command2 = new QPushButton(caption("Command2"), this);
  connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
  place(Command2, "Command2");

  Frame1 = new QGroupBox(caption("Frame1"), this);
  place(Frame1, "Frame1");

  Option3 = new QRadioButton(caption("Option3"), Frame1);
  place(Option3, "Option3");

  Option1 = new QRadioButton(caption("Option1"), Frame1);
  Option1->setChecked(true);
  // A run asks for Option1 at every line: a plain flag answers faster.
  connect(Option1, &QRadioButton::toggled, this,
          [this](bool checked) { option1Checked_ = checked; });
  place(Option1, "Option1");

  Option2 = new QRadioButton(caption("Option2"), Frame1);
  place(Option2, "Option2");

  Command3 = new QPushButton(caption("Command3"), this);
  connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
  place(Command3, "Command3");

  Text3 = new QLineEdit(this);
  place(Text3, "Text3");

  Label3 = new QLabel(caption("Label3"), this);
  place(Label3, "Label3");

  Command4 = new QPushButton(caption("Command4"), this);
  connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
  place(Command4, "Command4");

  // No default button: Enter and Esc press nothing.
  for (QPushButton* button : {Command1, Command2, Command3, Command4})
    button->setAutoDefault(false);

  for (qsizetype i = 1; i < kTabOrder.size(); ++i) {
    setTabOrder(findChild<QWidget*>(kTabOrder[i - 1]), findChild<QWidget*>(kTabOrder[i]));
  }

  // Qt's own dialog rather than the desktop's, so it behaves the same
  // everywhere. AnyFile accepts a name that does not exist yet: a new output.
  CommonDialog1 = new QFileDialog(this, QStringLiteral("ファイルの選択"));
  CommonDialog1->setObjectName("CommonDialog1");
  CommonDialog1->setOption(QFileDialog::DontUseNativeDialog);
  CommonDialog1->setAcceptMode(QFileDialog::AcceptOpen);
  CommonDialog1->setFileMode(QFileDialog::AnyFile);
  connect(CommonDialog1, &QFileDialog::filterSelected, this, &Form1::showEveryFileForAllFiles);
}

void Form1::place(QWidget* control, const char* name) {
  control->setObjectName(QString::fromUtf8(name));
  control->setGeometry(twipsToPixels(form1_layout::control(name).place));
}

void Form1::closeEvent(QCloseEvent* event) {
  // A run going on stops at its next yield and closes its files; the program
  // ends once it has returned.
  stopRequested_ = true;
  QWidget::closeEvent(event);
}

void Form1::Command1_Click() {
  chooseInto(Text1);
}

void Form1::Command2_Click() {
  chooseInto(Text2);
}

void Form1::Command3_Click() {
  if (running_) return;
  QWidget* const focused = focusWidget();
  setRunning(true);
  QString failure;
  try {
    cstrip::Command3_Click(*this);
  } catch (const cstrip::RunError& error) {
    failure = QString::fromUtf8(error.what());
  } catch (const std::exception& error) {
    failure = QStringLiteral("予期しないエラーが発生しました: ") + QString::fromUtf8(error.what());
  }
  showLatestCount();
  setRunning(false);
  if (focused != nullptr && focused->isEnabled()) focused->setFocus();
  if (!failure.isEmpty() && !stopRequested_) {
    // Plain text: a path may hold characters that rich text would eat.
    QMessageBox box(QMessageBox::Critical, windowTitle(), failure, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
  }
}

void Form1::Command4_Click() {
  close();
}

void Form1::chooseInto(QLineEdit* target) {
  CommonDialog1->setNameFilters(form1_layout::kFilters);
  CommonDialog1->selectNameFilter(form1_layout::kFilters[form1_layout::kInitialFilter]);
  showEveryFileForAllFiles(CommonDialog1->selectedNameFilter());
  // A cancelled chooser leaves the box as it was.
  if (CommonDialog1->exec() != QDialog::Accepted) return;
  const QStringList chosen = CommonDialog1->selectedFiles();
  if (chosen.isEmpty()) return;
  // The dialog keeps this path and opens on it next time, for either box.
  CommonDialog1->selectFile(chosen.first());
  target->setText(QDir::toNativeSeparators(chosen.first()));
}

void Form1::showEveryFileForAllFiles(const QString& filter) {
  // The all-files filter's pattern is "*.*", which matches every file on
  // Windows but only names with a dot here: Makefile or README would be
  // hidden. Keep its label and show every file.
  if (filter != form1_layout::kFilters[0]) return;
  if (auto* model = CommonDialog1->findChild<QFileSystemModel*>()) model->setNameFilters({"*"});
}

void Form1::setRunning(bool running) {
  running_ = running;
  if (running) {
    stopRequested_ = false;
    unshownCount_.reset();
    pumpClock_.start();
  }
  // No second run and no chooser while a run holds the files; the rest of
  // the window stays live.
  for (QPushButton* button : {Command1, Command2, Command3}) button->setEnabled(!running);
}

void Form1::showLatestCount() {
  if (!unshownCount_) return;
  Text3->setText(QString::fromStdString(cstrip::formatLineCount(*unshownCount_)));
  unshownCount_.reset();
}

std::string Form1::inputPath() {
  return QFile::encodeName(Text1->text()).toStdString();
}

std::string Form1::outputPath() {
  return QFile::encodeName(Text2->text()).toStdString();
}

bool Form1::commentModeChosen() {
  return Option3->isChecked();
}

bool Form1::lowerCaseChosen() {
  return Option1->isChecked();
}

void Form1::showCount(cstrip::LineCount count) {
  unshownCount_ = count;
}

bool Form1::yield() {
  if (pumpClock_.dueAtYield()) pump();
  return !stopRequested_;
}

std::uint64_t Form1::yieldsToSkip() {
  return pumpClock_.yieldsToSkip();
}

bool Form1::idle() {
  if (pumpClock_.dueBetweenBuffers()) pump();
  return !stopRequested_;
}

void Form1::pump() {
  showLatestCount();
  QCoreApplication::processEvents();
}
