#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "command3_click.h"
#include "console_window.h"
#include "form1.h"
#include "form1_layout.h"

namespace {

QByteArray readBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

// Calls `action` with the modal dialog of type Dialog once it is showing,
// and again while the dialog stays open (a file dialog may still be loading).
template <class Dialog>
void whenModal(std::function<void(Dialog*)> action) {
  auto* timer = new QTimer(qApp);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, action] {
    if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
      action(dialog);
      if (dialog->isVisible()) return;
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start();
}

// Types `path` into a file dialog's name box and confirms, as a user would.
void typeAndAccept(QFileDialog* dialog, const QString& path) {
  dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path);
  static_cast<QDialog*>(dialog)->accept();  // runs QFileDialog's own checks
}

// The text a control shows, whatever its kind.
QString shownText(QWidget* control) {
  if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
  if (auto* frame = qobject_cast<QGroupBox*>(control)) return frame->title();
  if (auto* box = qobject_cast<QLineEdit*>(control)) return box->text();
  return {};
}

}  // namespace

class Form1Test : public QObject {
  Q_OBJECT

 private:
  template <class Control>
  Control* child(Form1& form, const char* name) {
    return form.findChild<Control*>(QString::fromUtf8(name));
  }
  QString path(const char* name) const { return dir_.filePath(QString::fromUtf8(name)); }

  QTemporaryDir dir_;

 private slots:
  void controlsFollowTheLayoutTable() {
    Form1 form;
    form.show();
    QCOMPARE(form.windowTitle(), QString::fromUtf8(form1_layout::kTitle));
    QVERIFY(!form.windowIcon().pixmap(32, 32).isNull());
    QCOMPARE(form.size(), twipsToPixels(form1_layout::kClientWidth, form1_layout::kClientHeight));
    for (const auto& entry : form1_layout::kControls) {
      QWidget* control = child<QWidget>(form, entry.name);
      QVERIFY2(control != nullptr, entry.name);
      QCOMPARE(control->geometry(), twipsToPixels(entry.place));
      QCOMPARE(shownText(control), QString::fromUtf8(entry.caption));
      // Every caption is fully visible (the & of an accelerator is not drawn).
      if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        const QString drawn = button->text().remove('&');
        const int room = qobject_cast<QRadioButton*>(control)
                             ? control->width() - (button->sizeHint().width() -
                                                   button->fontMetrics().horizontalAdvance(drawn))
                             : control->width() - 8;
        QVERIFY2(button->fontMetrics().horizontalAdvance(drawn) <= room, entry.name);
      }
      if (auto* button = qobject_cast<QPushButton*>(control)) {
        QVERIFY(!button->autoDefault() && !button->isDefault());
      }
    }
    for (const char* option : {"Option1", "Option2", "Option3"}) {
      QCOMPARE(child<QWidget>(form, option)->parent(), child<QGroupBox>(form, "Frame1"));
    }
    QVERIFY(child<QRadioButton>(form, "Option1")->isChecked());
    QVERIFY(!child<QRadioButton>(form, "Option2")->isChecked());
    QVERIFY(!child<QRadioButton>(form, "Option3")->isChecked());

    QStringList tabOrder;
    QWidget* first = child<QWidget>(form, "Text1");
    for (QWidget* w = first; tabOrder.size() < form1_layout::kTabOrder.size();
         w = w->nextInFocusChain()) {
      if (w->focusPolicy() & Qt::TabFocus) tabOrder << w->objectName();
    }
    QCOMPARE(tabOrder, form1_layout::kTabOrder);
  }

  void altGWithNoInputReportsAndKeepsTheWindow() {
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    child<QLineEdit>(form, "Text2")->setText(path("out.txt"));
    QString reported;
    Qt::TextFormat format = Qt::RichText;
    whenModal<QMessageBox>([&](QMessageBox* box) {
      reported = box->text();
      format = box->textFormat();
      box->accept();
    });
    QTest::keyClick(&form, Qt::Key_G, Qt::AltModifier);
    QTRY_VERIFY(!reported.isEmpty());
    QVERIFY(reported.contains(QStringLiteral("入力ファイル")));
    QCOMPARE(format, Qt::PlainText);
    QVERIFY(form.isVisible());
    QVERIFY(!form.isRunning());
    QCOMPARE(child<QLineEdit>(form, "Text2")->text(), path("out.txt"));
    QVERIFY(child<QPushButton>(form, "Command3")->isEnabled());

    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_E, Qt::AltModifier);
    QTRY_VERIFY(!form.isVisible());
  }

  void eachModeWritesWhatTheEngineWrites() {
    const QByteArray input =
        "int A; /* \x83\x52\x83\x81\x83\x93\x83\x67 */\r\n\r\nchar* s = \"//\"; // B\r\nEnd";
    writeBytes(path("in.c"), input);
    struct Mode {
      const char* option;
      cstrip::ConsoleMode engineMode;
    };
    const Mode modes[] = {{"Option3", cstrip::ConsoleMode::Strip},
                          {"Option1", cstrip::ConsoleMode::Lower},
                          {"Option2", cstrip::ConsoleMode::Upper}};
    for (const Mode& mode : modes) {
      Form1 form;
      form.show();
      child<QRadioButton>(form, mode.option)->setChecked(true);
      child<QLineEdit>(form, "Text1")->setText(path("in.c"));
      child<QLineEdit>(form, "Text2")->setText(path("window.out"));
      child<QPushButton>(form, "Command3")->click();

      cstrip::ConsoleWindow console(mode.engineMode, path("in.c").toStdString(),
                                    path("engine.out").toStdString());
      cstrip::Command3_Click(console);
      QCOMPARE(readBytes(path("window.out")), readBytes(path("engine.out")));
      QCOMPARE(child<QLineEdit>(form, "Text3")->text(),
               QString::fromStdString(cstrip::formatLineCount(*console.count())));
    }
  }

  void optionChangedDuringACaseRunAppliesFromTheNextLine() {
    constexpr int kLines = 1000;
    writeBytes(path("in.txt"), QByteArray("aB\r\n").repeated(kLines));
    Form1 form;
    form.show();
    child<QLineEdit>(form, "Text1")->setText(path("in.txt"));
    child<QLineEdit>(form, "Text2")->setText(path("out.txt"));
    bool guarded = false;
    // The first yield lets the window run this, after the first line.
    QTimer::singleShot(0, [&] {
      guarded = form.isRunning() && !child<QPushButton>(form, "Command1")->isEnabled() &&
                !child<QPushButton>(form, "Command2")->isEnabled() &&
                !child<QPushButton>(form, "Command3")->isEnabled() &&
                child<QPushButton>(form, "Command4")->isEnabled() &&
                child<QRadioButton>(form, "Option2")->isEnabled() &&
                child<QLineEdit>(form, "Text1")->isEnabled();
      child<QRadioButton>(form, "Option2")->click();
    });
    child<QPushButton>(form, "Command3")->click();
    QVERIFY(guarded);
    QCOMPARE(readBytes(path("out.txt")), "ab\r\n" + QByteArray("AB\r\n").repeated(kLines - 1));
    QCOMPARE(child<QLineEdit>(form, "Text3")->text(), QString::number(kLines));
    QVERIFY(child<QPushButton>(form, "Command3")->isEnabled());
  }

  void exitDuringARunStopsItAtItsNextYield() {
    for (const char* option : {"Option3", "Option1"}) {
      writeBytes(path("in.txt"), QByteArray("line\r\n").repeated(100000));
      Form1 form;
      form.show();
      child<QRadioButton>(form, option)->setChecked(true);
      child<QLineEdit>(form, "Text1")->setText(path("in.txt"));
      child<QLineEdit>(form, "Text2")->setText(path("out.txt"));
      QTimer::singleShot(0, child<QPushButton>(form, "Command4"), &QPushButton::click);
      child<QPushButton>(form, "Command3")->click();
      QVERIFY(!form.isVisible());
      QVERIFY(!form.isRunning());
      // Stopped at the first line's yield, with that line written out.
      QCOMPARE(readBytes(path("out.txt")), QByteArray(option[6] == '3' ? "line\r" : "line\r\n"));
    }
  }

  void choosersShareTheLastPathAndCancelKeepsTheBox() {
    writeBytes(path("a.c"), "int a;\n");
    Form1 form;
    form.show();
    auto* text1 = child<QLineEdit>(form, "Text1");
    auto* text2 = child<QLineEdit>(form, "Text2");

    // Cancelled before anything was ever chosen: the typed text stays.
    text1->setText("typed.c");
    whenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    child<QPushButton>(form, "Command1")->click();
    QCOMPARE(text1->text(), QString("typed.c"));

    QStringList filters;
    QString selectedFilter;
    QStringList allFilesPatterns;
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
      filters = dialog->nameFilters();
      selectedFilter = dialog->selectedNameFilter();
      // The user picks the all-files filter: files without a dot must show.
      auto* combo = dialog->findChild<QComboBox*>("fileTypeCombo");
      combo->setCurrentIndex(0);
      emit combo->activated(0);
      emit combo->textActivated(combo->currentText());
      allFilesPatterns = dialog->findChild<QFileSystemModel*>()->nameFilters();
      typeAndAccept(dialog, path("a.c"));
    });
    child<QPushButton>(form, "Command1")->click();
    QCOMPARE(text1->text(), path("a.c"));
    QCOMPARE(filters, form1_layout::kFilters);
    QCOMPARE(selectedFilter, form1_layout::kFilters[1]);
    QCOMPARE(allFilesPatterns, QStringList{"*"});

    // Cancelling the other chooser does not copy the input's path there.
    text2->setText("out.c");
    QString startedAt;
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
      startedAt = dialog->selectedFiles().value(0);
      dialog->reject();
    });
    child<QPushButton>(form, "Command2")->click();
    QCOMPARE(text2->text(), QString("out.c"));
    QCOMPARE(startedAt, path("a.c"));

    // A name that does not exist yet is accepted: a new output file.
    whenModal<QFileDialog>([&](QFileDialog* dialog) { typeAndAccept(dialog, path("new.c")); });
    child<QPushButton>(form, "Command2")->click();
    QCOMPARE(text2->text(), path("new.c"));
    QCOMPARE(text1->text(), path("a.c"));
  }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
