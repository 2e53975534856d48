#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include "file_chooser.h"
#include "form1.h"
#include "form1_layout.h"
#include "temp_dir.h"

namespace {

using cstrip::testing::readFile;
using cstrip::testing::repeated;
using cstrip::testing::writeFile;

// Calls `action` with the next modal dialog of type Dialog once it shows.
template <class Dialog, class Action>
void whenModal(Action action) {
  QTimer::singleShot(0, [action] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    dialog != nullptr ? action(dialog) : whenModal<Dialog>(action);
  });
}

}  // namespace

class Form1Test : public QObject {
  Q_OBJECT

 private:
  // A fresh window with its paths and option set.
  struct Window : Form1 {
    Window(const QString& in, const QString& out, const char* option = "Option1") {
      show();
      find<QLineEdit>("Text1")->setText(in);
      find<QLineEdit>("Text2")->setText(out);
      find<QRadioButton>(option)->setChecked(true);
    }
    template <class Control>
    Control* find(const char* name) {
      return findChild<Control*>(name);
    }
  };
  QString path(const char* name) const { return QString::fromStdString(dir_.file(name)); }

  cstrip::testing::TempDir dir_;

 private slots:
  void controlsFollowTheLayoutTable() {
    Window form("", "");
    QCOMPARE(form.windowTitle(), QString::fromUtf8(form1_layout::kTitle));
    QVERIFY(!form.windowIcon().pixmap(32, 32).isNull());
    // 15 twips to the pixel, rounded to the nearest.
    QCOMPARE(form.size(), QSize(274, 152));
    QCOMPARE(form.find<QWidget>("Text1")->geometry(), QRect(32, 8, 169, 18));
    for (const auto& entry : form1_layout::kControls) {
      QWidget* control = form.find<QWidget>(entry.name);
      QCOMPARE(control->parent() == form.find<QGroupBox>("Frame1"), entry.inFrame1);
      QString caption =
          control->property(qobject_cast<QGroupBox*>(control) ? "title" : "text").toString();
      QCOMPARE(caption, QString::fromUtf8(entry.caption));
      // Every caption is fully visible (the & of an accelerator is not drawn).
      if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        const int drawn = button->fontMetrics().horizontalAdvance(caption.remove('&'));
        const bool option = qobject_cast<QRadioButton*>(control) != nullptr;
        QVERIFY2(drawn <= control->width() - (option ? button->sizeHint().width() - drawn : 8),
                 entry.name);
      }
      if (auto* button = qobject_cast<QPushButton*>(control)) QVERIFY(!button->autoDefault());
    }

    QStringList expected;
    for (const auto id : form1_layout::kTabOrder) expected << form1_layout::kControls[id].name;
    QStringList tabOrder;
    for (QWidget* w = form.find<QWidget>("Text1"); tabOrder.size() < expected.size();
         w = w->nextInFocusChain()) {
      if (w->focusPolicy() & Qt::TabFocus) tabOrder << w->objectName();
    }
    QCOMPARE(tabOrder, expected);
  }

  void altGWithNoInputReportsAndKeepsTheWindow() {
    Window form("", path("out.txt"));
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QString reported;
    whenModal<QMessageBox>([&](QMessageBox* box) {
      if (box->textFormat() == Qt::PlainText) reported = box->text();
      box->accept();
    });
    QTest::keyClick(&form, Qt::Key_G, Qt::AltModifier);
    QTRY_VERIFY(reported.contains(QStringLiteral("入力ファイル")));
    QVERIFY(form.isVisible() && !form.isRunning());
    QVERIFY(form.find<QPushButton>("Command3")->isEnabled());
  }

  void optionChangedDuringACaseRunAppliesFromTheNextLine() {
    writeFile(dir_.file("in.txt"), repeated("aB\r\n", 1000));
    Window form(path("in.txt"), path("out.txt"));
    bool guarded = false;
    // The first yield lets the window run this, after the first line.
    QTimer::singleShot(0, [&] {
      guarded = form.isRunning() && !form.find<QPushButton>("Command1")->isEnabled() &&
                !form.find<QPushButton>("Command2")->isEnabled() &&
                !form.find<QPushButton>("Command3")->isEnabled() &&
                form.find<QPushButton>("Command4")->isEnabled();
      form.find<QRadioButton>("Option2")->click();
    });
    form.find<QPushButton>("Command3")->click();
    QVERIFY(guarded);
    QCOMPARE(readFile(dir_.file("out.txt")), "ab\r\n" + repeated("AB\r\n", 999));
    QCOMPARE(form.find<QLineEdit>("Text3")->text(), QString("1000"));
  }

  void goWithOption4StripsCommentsAsCReadsThemKeepingLineEnds() {
    writeFile(dir_.file("c.c"), "a/**/b\r\nc//x\rd\n");
    Window form(path("c.c"), path("c.out"), "Option4");
    form.find<QPushButton>("Command3")->click();
    QCOMPARE(readFile(dir_.file("c.out")), "a b\r\nc\rd\n");
    QCOMPARE(form.find<QLineEdit>("Text3")->text(), QString("3"));
  }

  void exitDuringARunStopsItAtItsNextYield() {
    writeFile(dir_.file("long.txt"), repeated("line\r\n", 100000));
    const long before = cstrip::testing::filesIn(dir_.path);
    Window form(path("long.txt"), path("exit.txt"));
    QTimer::singleShot(0, form.find<QPushButton>("Command4"), &QPushButton::click);
    form.find<QPushButton>("Command3")->click();
    QVERIFY(!form.isVisible() && !form.isRunning());
    // Stopped at the first line's yield, leaving no output, whole or part.
    QCOMPARE(cstrip::testing::filesIn(dir_.path), before);
  }

  void pathsComeDroppedTrimmedAndInTheirCp932Spelling() {
    writeFile(dir_.file("\x93\xfa.c"), "AB\r\n");  // 日.c, its name in CP932
    Form1 started({dir_.file("\x93\xfa.c")});
    QCOMPARE(started.findChild<QLineEdit*>("Text1")->text(), path("日.c"));

    Window form("typed", "typed");
    const QByteArray folder = "file://" + QUrl::toPercentEncoding(path(""), "/");
    auto drop = [&](QWidget* target, const QByteArray& uris) {
      QMimeData data;
      data.setData("text/uri-list", uris);
      QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(target, &enter);  // as a drag does, the target first
      QApplication::sendEvent(target, &drop);
    };
    drop(form.find<QLineEdit>("Text2"), folder + "%93%FA.c\r\n");
    drop(&form, folder + "in.c\r\n");
    drop(form.find<QLineEdit>("Text1"), "file://example.com/x.c\r\n");  // not local
    QCOMPARE(form.find<QLineEdit>("Text1")->text(), path("in.c"));
    QCOMPARE(form.find<QLineEdit>("Text2")->text(), path("日.c"));
    // GO writes the very file dropped, not its twin named in UTF-8.
    writeFile(dir_.file("in.c"), "Ab\r\n");
    writeFile(dir_.file("日.c"), "twin");
    form.find<QPushButton>("Command3")->click();
    QCOMPARE(readFile(dir_.file("\x93\xfa.c")), "ab\r\n");
    QCOMPARE(readFile(dir_.file("日.c")), "twin");
    std::filesystem::remove(dir_.file("日.c"));

    // The run finds 日.c by its CP932 name, whatever spaces surround the paths.
    form.find<QLineEdit>("Text1")->setText("  " + path("日.c") + " ");
    form.find<QLineEdit>("Text2")->setText(" " + path("out.c") + "\t");
    form.find<QPushButton>("Command3")->click();
    QCOMPARE(readFile(dir_.file("out.c")), "ab\r\n");
    QString reported;
    whenModal<QMessageBox>([&](QMessageBox* box) {
      reported = box->text();
      box->accept();
    });
    form.find<QLineEdit>("Text2")->setText("   ");
    form.find<QPushButton>("Command3")->click();
    QVERIFY(reported.contains(QStringLiteral("出力ファイルが指定されていません")));

    // A count too long for Text3 still shows whole.
    auto* text3 = form.find<QLineEdit>("Text3");
    text3->setText("1234567890");
    QVERIFY(text3->fontMetrics().horizontalAdvance(text3->text()) <= text3->width() - 6);
  }

  void choosersListEveryNameShareTheLastPathAndCancelKeepsTheBox() {
    std::filesystem::create_directories(dir_.path / "c" / "\x93\xfa");  // 日, named in CP932
    writeFile(dir_.file("c/\x93\xfa/\x8c\xea.c"), "x");                 // 語.c, the same
    writeFile(dir_.file("c/a.c"), "int a;\n");
    writeFile(dir_.file("c/Makefile"), "");
    const QString started = QDir::currentPath();
    QDir::setCurrent(path("c"));
    Window form("", "out.c");
    QStringList seen;
    auto listed = [](FileChooser* chooser) {
      QStringList names;
      auto* entries = chooser->findChild<QListWidget*>("entries");
      for (int i = 0; i < entries->count(); ++i) names << entries->item(i)->text();
      return names.join(',');
    };
    whenModal<FileChooser>([&](FileChooser* chooser) {
      auto* types = chooser->findChild<QComboBox*>("fileType");
      for (int i = 0; i < types->count(); ++i) seen << types->itemText(i);
      seen << types->currentText() << listed(chooser);
      types->setCurrentIndex(0);  // all files: names without a dot too
      seen << listed(chooser);
      auto* entries = chooser->findChild<QListWidget*>("entries");
      emit entries->itemActivated(entries->findItems("日", Qt::MatchExactly).value(0));
      seen << listed(chooser);
      emit entries->itemActivated(entries->item(0));
    });
    form.find<QPushButton>("Command1")->click();
    QStringList expected;
    for (const char* filter : form1_layout::kFilters) expected << filter;
    expected << expected[form1_layout::kInitialFilter] << "日,a.c"
             << "日,a.c,Makefile"
             << "語.c";
    QCOMPARE(seen, expected);
    QCOMPARE(form.find<QLineEdit>("Text1")->text(), path("c/日/語.c"));

    // The other chooser opens on the last path; cancelling it keeps its box.
    whenModal<FileChooser>([&](FileChooser* chooser) {
      seen = {chooser->findChild<QLabel*>("folder")->text(),
              chooser->findChild<QLineEdit*>("fileName")->text()};
      chooser->reject();
    });
    form.find<QPushButton>("Command2")->click();
    QCOMPARE(seen, QStringList({path("c/日"), "語.c"}));
    QCOMPARE(form.find<QLineEdit>("Text2")->text(), QString("out.c"));

    // A name that does not exist yet is accepted: a new output file.
    whenModal<FileChooser>([&](FileChooser* chooser) {
      chooser->findChild<QLineEdit*>("fileName")->setText(path("new.c"));
      chooser->accept();
    });
    form.find<QPushButton>("Command2")->click();
    QCOMPARE(form.find<QLineEdit>("Text2")->text(), path("new.c"));
    QDir::setCurrent(started);
  }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
