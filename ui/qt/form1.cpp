#include "form1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>

#include "dropped_file.h"
#include "file_chooser.h"
#include "file_names.h"
#include "form1_layout.h"
#include "japanese_ui.h"
#include "run_conversion.h"
#include "run_error.h"
#include "stop_signals.h"
#include "system_file.h"

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

Form1::Form1(const std::vector<std::filesystem::path>& paths, QWidget* parent) : QWidget(parent) {
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
  Option4 = create<QRadioButton>(form1_layout::Option4);
  Command3 = create<QPushButton>(form1_layout::Command3);
  Text3 = create<QLineEdit>(form1_layout::Text3);
  Label3 = create<QLabel>(form1_layout::Label3);
  Command4 = create<QPushButton>(form1_layout::Command4);
  Option1->setChecked(true);
  connect(Text3, &QLineEdit::textChanged, this, &Form1::showAllDigits);
  setAcceptDrops(true);
  for (QLineEdit* box : {Text1, Text2}) box->installEventFilter(this);
  QLineEdit* const pathBoxes[] = {Text1, Text2};
  for (std::size_t i = 0; i < paths.size() && i < std::size(pathBoxes); ++i) {
    setPath(pathBoxes[i], paths[i]);
  }

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

  CommonDialog1 = new FileChooser({std::begin(kFilters), std::end(kFilters)}, kInitialFilter, this);
  CommonDialog1->setObjectName("CommonDialog1");
}

void Form1::closeEvent(QCloseEvent* event) {
  // A run going on stops at its next yield and closes its files; the program
  // ends once it has returned.
  requestStop();
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
    // A stop signal during the run stops it, and then ends the program as
    // it would have, the output left as it was.
    const cstrip::StopSignals stopSignals;
    cstrip::RunConversion(*this);
  } catch (const cstrip::RunError& error) {
    failure = QString::fromUtf8(error.what());
  } catch (const std::exception& error) {
    failure = QStringLiteral("予期しないエラーが発生しました: ") + QString::fromUtf8(error.what());
  }
  if (const int signal = cstrip::processStopSignal()) cstrip::endByStopSignal(signal);
  showLatestCount();
  setRunning(false);
  if (focused != nullptr && focused->isEnabled()) focused->setFocus();
  if (!failure.isEmpty() && !stopRequested()) {
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
  // A cancelled chooser leaves the box as it was; a confirmed path is kept
  // by the chooser and opened on next time, for either box.
  if (CommonDialog1->exec() != QDialog::Accepted) return;
  setPath(target, CommonDialog1->chosenPath());
}

void Form1::setRunning(bool running) {
  running_ = running;
  if (running) startRun();
  // No second run and no chooser while a run holds the files; the rest of
  // the window stays live.
  for (QPushButton* button : {Command1, Command2, Command3}) button->setEnabled(!running);
}

void Form1::showAllDigits() {
  // Text3 keeps its place and width: a count too long for it is shown
  // whole in a smaller font, for as long as it needs one.
  QFont font = this->font();
  const int room = Text3->contentsRect().width() - 6;  // the frame and text margins
  while (font.pixelSize() > 6 && QFontMetrics(font).horizontalAdvance(Text3->text()) > room) {
    font.setPixelSize(font.pixelSize() - 1);
  }
  Text3->setFont(font);
  Text3->setCursorPosition(0);
}

void Form1::showCountNow(cstrip::LineCount count) {
  Text3->setText(QString::fromStdString(cstrip::formatLineCount(count)));
}

std::filesystem::path Form1::inputPath() {
  return pathIn(Text1);
}

std::filesystem::path Form1::outputPath() {
  return pathIn(Text2);
}

std::filesystem::path Form1::pathIn(const QLineEdit* box) const {
  const auto shown = shownPaths_.find(box);
  const bool unchanged = shown != shownPaths_.end() && shown->second.first == box->text();
  // Spaces pasted around a path are never part of it. A lone "-" is a file
  // here, not standard input or output as on the command line.
  const std::filesystem::path path =
      unchanged ? shown->second.second
                : std::filesystem::path(QFile::encodeName(box->text().trimmed()).toStdString());
  return cstrip::isStandardStream(path) ? "./-" : path;
}

void Form1::setPath(QLineEdit* box, const std::filesystem::path& path) {
  const QString text = QString::fromStdString(cstrip::displayPath(path));
  box->setText(text);
  shownPaths_[box] = {text, path};
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
  if (droppedFile(event->mimeData())) event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event) {
  dropInto(Text1, event);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  // Text1 and Text2 take a dropped file as a whole, not as text spliced in.
  const bool drag = event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove;
  if ((!drag && event->type() != QEvent::Drop) ||
      !static_cast<QDropEvent*>(event)->mimeData()->hasFormat(QStringLiteral("text/uri-list"))) {
    return QWidget::eventFilter(watched, event);  // text is dragged as text
  }
  auto* drop = static_cast<QDropEvent*>(event);
  if (drag && droppedFile(drop->mimeData())) drop->acceptProposedAction();
  if (drag) return true;
  dropInto(qobject_cast<QLineEdit*>(watched), drop);
  return true;
}

void Form1::dropInto(QLineEdit* box, QDropEvent* event) {
  if (const auto path = droppedFile(event->mimeData())) {
    setPath(box, *path);
    event->acceptProposedAction();
  }
}

bool Form1::commentModeChosen() {
  return Option3->isChecked();
}

bool Form1::cCommentModeChosen() {
  return Option4->isChecked();
}

bool Form1::lowerCaseChosen() {
  return Option1->isChecked();
}

void Form1::processEvents() {
  QCoreApplication::processEvents();
}
