#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

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

// Enters `path` in a file dialog and confirms, as a user would.
void chooseAndAccept(QFileDialog* dialog, const QString& path) {
  // selectFile() leaves the name box alone while it has the focus.
  if (QWidget* focused = dialog->focusWidget()) focused->clearFocus();
  dialog->selectFile(path);
  static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, with its own checks
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

  void exitDuringARunStopsItAtItsNextYield() {
    writeFile(dir_.file("in.txt"), repeated("line\r\n", 100000));
    Window form(path("in.txt"), path("out.txt"));
    QTimer::singleShot(0, form.find<QPushButton>("Command4"), &QPushButton::click);
    form.find<QPushButton>("Command3")->click();
    QVERIFY(!form.isVisible() && !form.isRunning());
    // Stopped at the first line's yield, with that line written out.
    QCOMPARE(readFile(dir_.file("out.txt")), "line\r\n");
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

  void choosersShareTheLastPathAndCancelKeepsTheBox() {
    writeFile(dir_.file("a.c"), "int a;\n");
    Window form("", "out.c");
    QString seen;
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
      seen = dialog->nameFilters().join('|') + '|' + dialog->selectedNameFilter();
      // The user picks the all-files filter: files without a dot must show.
      // QFileDialog has no public way to pick a filter as the user does, nor
      // to tell which files it shows, so this reaches its combo and model.
      auto* combo = dialog->findChild<QComboBox*>("fileTypeCombo");
      combo->setCurrentIndex(0);
      emit combo->activated(0);
      emit combo->textActivated(combo->currentText());
      seen += '|' + dialog->findChild<QFileSystemModel*>()->nameFilters().join(',');
      chooseAndAccept(dialog, path("a.c"));
    });
    form.find<QPushButton>("Command1")->click();
    QCOMPARE(form.find<QLineEdit>("Text1")->text(), path("a.c"));
    QStringList expected;
    for (const char* filter : form1_layout::kFilters) expected << filter;
    expected << expected[form1_layout::kInitialFilter] << "*";
    QCOMPARE(seen, expected.join('|'));

    // Cancelling the other chooser keeps its box as it was.
    whenModal<QFileDialog>([&](QFileDialog* dialog) { dialog->reject(); });
    form.find<QPushButton>("Command2")->click();
    QCOMPARE(form.find<QLineEdit>("Text2")->text(), QString("out.c"));

    // A name that does not exist yet is accepted: a new output file.
    whenModal<QFileDialog>([&](QFileDialog* dialog) { chooseAndAccept(dialog, path("new.c")); });
    form.find<QPushButton>("Command2")->click();
    QCOMPARE(form.find<QLineEdit>("Text2")->text(), path("new.c"));
  }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
