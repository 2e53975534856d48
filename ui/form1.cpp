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

#include "form1_layout.h"
#include "japanese_ui.h"
#include "run_conversion.h"
#include "run_error.h"

namespace {

QStringList filters() {
  QStringList filters;
  for (const char* filter : form1_layout::kFilters) filters << QString::fromUtf8(filter);
  return filters;
}

}  // namespace

template <class Widget>
Widget* Form1::create(form1_layout::ControlId id) {
  const form1_layout::Control& entry = form1_layout::kControls[id];
  QWidget* parent = entry.inFrame1 ? static_cast<QWidget*>(Frame1) : this;
  auto* control = new Widget(QString::fromUtf8(entry.caption), parent);
  control->setObjectName(QString::fromUtf8(entry.name));
  const PixelRect place = twipsToPixels(entry.place);
  control->setGeometry(place.left, place.top, place.width, place.height);
  controls_[id] = control;
  return control;
}

Form1::Form1(QWidget* parent) : QWidget(parent) {
  using namespace form1_layout;
  installJapaneseQtTranslation();
  setWindowTitle(QString::fromUtf8(kTitle));
  setWindowIcon(QIcon(QStringLiteral(":/icons/cstrip.svg")));
  setFont(japaneseUiFont(font()));
  resize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));

  Label1 = create<QLabel>(form1_layout::Label1);
  Text1 = create<QLineEdit>(form1_layout::Text1);
  Command1 = create<QPushButton>(form1_layout::Command1);
  Label2 = create<QLabel>(form1_layout::Label2);
  Text2 = create<QLineEdit>(form1_layout::Text2);
  Command2 = create<QPushButton>(form1_layout::Command2);
  Frame1 = create<QGroupBox>(form1_layout::Frame1);
  Option3 = create<QRadioButton>(form1_layout::Option3);
  Option1 = create<QRadioButton>(form1_layout::Option1);
  Option2 = create<QRadioButton>(form1_layout::Option2);
  Command3 = create<QPushButton>(form1_layout::Command3);
  Text3 = create<QLineEdit>(form1_layout::Text3);
  Label3 = create<QLabel>(form1_layout::Label3);
  Command4 = create<QPushButton>(form1_layout::Command4);
  Option1->setChecked(true);

  connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
  connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
  connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
  // No default button: Enter and Esc press nothing.
  for (QPushButton* button : {Command1, Command2, Command3, Command4})
    button->setAutoDefault(false);

  for (std::size_t i = 1; i < std::size(kTabOrder); ++i) {
    setTabOrder(controls_[kTabOrder[i - 1]], controls_[kTabOrder[i]]);
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
    cstrip::RunConversion(*this);
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
  CommonDialog1->setNameFilters(filters());
  CommonDialog1->selectNameFilter(filters()[form1_layout::kInitialFilter]);
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
  if (filter != filters()[0]) return;
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
