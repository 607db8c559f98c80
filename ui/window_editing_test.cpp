// The main window driven from the keyboard and with unsaved edits: what is
// asked before an edit could be lost, what reaches the file, and how a saved
// table is shown again without regenerating it.
#include <sys/resource.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <csignal>

#include "cell_editor.h"
#include "db_grid.h"
#include "growth_curves_window.h"
#include "schemas.h"
#include "site_class_table.h"
#include "sp_dravlik.h"
#include "table.h"
#include "window_test_support.h"

namespace dravlik {
namespace {

constexpr int kAge = 2;     // VEK
constexpr int kHeight = 3;  // VYSKA

QByteArray FileDigest(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// A value of the site-class table file, read as another program would.
FieldValue StoredValue(int row, int field) {
  auto table = MakeSiteClassTable();
  table->Open();
  return table->RowValue(row, field);
}

}  // namespace

class WindowEditingTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    directory_ = std::make_unique<testing::FreshDirectory>();
    dialogs_ = &testing::InstallRecordingDialogs();
  }

  void cleanup() {
    window_.reset();
    directory_.reset();
    QVERIFY2(dialogs_->errors.empty(), qPrintable(dialogs_->ErrorTexts()));
    QVERIFY(dialogs_->saveAnswers.empty());
  }

  void closingWithTextStillInTheEditorAsksAndStaysOrSaves() {
    OpenWithSiteClasses();
    ClickCell(1, kHeight);
    testing::TypeText("17.5");  // no Enter: the text is only in the editor
    dialogs_->saveAnswers = {SaveAnswer::Stay};
    QVERIFY(!window_->close());
    QCOMPARE(dialogs_->saveQuestions.size(), 1);
    QVERIFY2(dialogs_->saveQuestions[0].contains("bon_Hm1.dbf"), qPrintable(dialogs_->saveQuestions[0]));
    QVERIFY(window_->isVisible());
    QCOMPARE(window_->Table1->State(), dsEdit);

    dialogs_->saveAnswers = {SaveAnswer::Save};
    QVERIFY(window_->close());
    QCOMPARE(window_->Table1->State(), dsBrowse);
    window_.reset();
    QCOMPARE(std::get<double>(StoredValue(1, kHeight)), 17.5);
  }

  void discardKeepsTheFileAndAnUntouchedNewRecordAsksNothing() {
    OpenWithSiteClasses();
    const FieldValue before = StoredValue(1, kHeight);
    ClickCell(1, kHeight);
    testing::TypeText("33");
    testing::PressKey(Qt::Key_Return);  // in the field, not yet posted
    dialogs_->saveAnswers = {SaveAnswer::Discard};
    QVERIFY(window_->close());
    window_.reset();
    QCOMPARE(StoredValue(1, kHeight), before);

    OpenWithSiteClasses();
    testing::PressKey(Qt::Key_Insert);
    QCOMPARE(window_->Table1->State(), dsInsert);
    QVERIFY(window_->close());  // a question would fail the test
    QVERIFY(dialogs_->saveQuestions.size() == 1);
    window_.reset();
    QCOMPARE(MakeSiteClassTableRecords(), 3228);
  }

  void aSaveThatFailsShowsTheErrorAndTheWindowStaysOpen() {
    OpenWithSiteClasses();
    ClickCell(0, kAge);
    testing::TypeText("1O");
    QVERIFY(!window_->close());  // the editor's text is no number: nothing to ask about yet
    QCOMPARE(dialogs_->errors.size(), std::size_t{1});
    QCOMPARE(dialogs_->errors[0].text, QString("'1O' is not a valid floating point value for field 'VEK'"));
    QVERIFY(dialogs_->saveQuestions.isEmpty());
    dialogs_->errors.clear();
    testing::PressKey(Qt::Key_Escape);
    testing::PressKey(Qt::Key_Escape);

    testing::PressKey(Qt::Key_Insert);
    testing::TypeText("40");
    // A file size limit stops the new record from being written.
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    const rlimit limit{rlim_t(QFileInfo("bon_Hm1.dbf").size()), previous.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
    dialogs_->saveAnswers = {SaveAnswer::Save};
    const bool closed = window_->close();
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    QVERIFY(!closed);
    QCOMPARE(dialogs_->errors.size(), std::size_t{1});
    QVERIFY2(dialogs_->errors[0].text.contains("File too large"), qPrintable(dialogs_->errors[0].text));
    dialogs_->errors.clear();
    QVERIFY(window_->isVisible());
    QCOMPARE(window_->Table1->State(), dsInsert);

    dialogs_->saveAnswers = {SaveAnswer::Save};
    QVERIFY(window_->close());
    window_.reset();
    QCOMPARE(MakeSiteClassTableRecords(), 3229);
  }

  void theSavedTableOpensAsItIsOnDiskAndItsButtonThenRefuses() {
    Open();
    window_->DBGrid2->setFocus();
    testing::PressKey(Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(dialogs_->errors.size(), std::size_t{1});
    const QString missing = QDir::current().absoluteFilePath("TloVysHm.dbf");
    QVERIFY2(dialogs_->errors[0].text.contains(missing + " does not exist"), qPrintable(dialogs_->errors[0].text));
    dialogs_->errors.clear();
    QVERIFY(!window_->Table2->Active());

    GenerateSiteClassTable(*MakeSiteClassTable());
    {
      auto table = MakeSiteClassTable();
      table->Open();
      table->Edit();
      table->FieldByName("VEK").SetAsFloat(99);
      table->Post();
    }
    const QByteArray digest = FileDigest("bon_Hm1.dbf");
    window_->DBGrid1->setFocus();
    testing::PressKey(Qt::Key_O, Qt::ControlModifier);
    QVERIFY(window_->Table1->Active());
    QTRY_COMPARE(window_->DBGrid1->model()->rowCount(), 3228);
    QCOMPARE(Cell(0, kAge), QString("99"));

    ClickCell(0, kAge);
    testing::TypeText("77");
    testing::PressKey(Qt::Key_Return);
    dialogs_->saveAnswers = {SaveAnswer::Discard};
    testing::PressKey(Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(dialogs_->saveQuestions.size(), 1);
    QCOMPARE(window_->Table1->State(), dsBrowse);
    QTRY_COMPARE(Cell(0, kAge), QString("99"));

    QTest::mouseClick(window_->Button1, Qt::LeftButton);
    QCOMPARE(dialogs_->errors.size(), std::size_t{1});
    QCOMPARE(dialogs_->errors[0].text, QString("Table1: Cannot perform this operation on an open dataset."));
    dialogs_->errors.clear();
    QCOMPARE(Cell(0, kAge), QString("99"));
    QCOMPARE(FileDigest("bon_Hm1.dbf"), digest);
  }

  void theKeyboardAloneReachesEveryControlAndCommand() {
    Open();
    window_->DBGrid1->setFocus();
    testing::PressKey(Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), window_->Button1);
    testing::PressKey(Qt::Key_Space);
    QTRY_COMPARE(window_->DBGrid1->model()->rowCount(), 3228);
    testing::PressKey(Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), window_->DBGrid1);
    testing::PressKey(Qt::Key_Tab);  // Tab stays the grid's
    QCOMPARE(QApplication::focusWidget(), window_->DBGrid1);
    QCOMPARE(window_->DBGrid1->Column(), 1);
    for (QWidget* next : {static_cast<QWidget*>(window_->Button1), static_cast<QWidget*>(window_->Button2)}) {
      testing::PressKey(Qt::Key_Tab, next == window_->Button1 ? Qt::ControlModifier : Qt::NoModifier);
      QCOMPARE(QApplication::focusWidget(), next);
    }
    testing::PressKey(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), window_->DBGrid2);
    testing::PressKey(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), window_->Button2);
    window_->DBGrid2->setFocus();
    testing::PressKey(Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), window_->DBGrid1);

    QMenu* menu = MenuFrom(Qt::Key_F10, Qt::ShiftModifier);
    QVERIFY(menu);
    QStringList mnemonics;
    QMap<QString, QKeySequence> shortcuts;
    for (const QAction* action : menu->actions()) {
      if (action->isSeparator()) continue;
      mnemonics << QKeySequence::mnemonic(action->text()).toString();
      shortcuts[action->text()] = action->shortcut();
    }
    QCOMPARE(mnemonics.size(), 10);
    QCOMPARE(QSet<QString>(mnemonics.begin(), mnemonics.end()).size(), 10);
    QCOMPARE(shortcuts["&Paste"], QKeySequence("Ctrl+V"));
    QCOMPARE(shortcuts["C&lear cell"], QKeySequence("Del"));
    QCOMPARE(shortcuts["&Undo"], QKeySequence("Ctrl+Z"));
    QCOMPARE(shortcuts["&Redo"], QKeySequence("Ctrl+Y"));
    QVERIFY(!mnemonics.contains(QString()));
    QCOMPARE(shortcuts["&Export to CSV…"], QKeySequence("Ctrl+E"));
    // Ctrl+G is the platform's find-next; curves are "křivky".
    QCOMPARE(shortcuts["&Growth curves…"], QKeySequence("Ctrl+K"));
    QCOMPARE(shortcuts["&Open saved table"], QKeySequence("Ctrl+O"));
    QTest::keyClick(menu, Qt::Key_Escape);
    QTRY_VERIFY(!QApplication::activePopupWidget());

    menu = MenuFrom(Qt::Key_Menu);
    QVERIFY(menu);
    dialogs_->fileNames = {QDir::current().filePath("menu.csv")};
    QTest::keyClick(menu, 'e');
    QTRY_VERIFY(QFile::exists("menu.csv"));
    QTRY_COMPARE(QApplication::focusWidget(), window_->DBGrid1);
    dialogs_->fileNames = {QDir::current().filePath("keys.csv")};
    testing::PressKey(Qt::Key_E, Qt::ControlModifier);
    QVERIFY(QFile::exists("keys.csv"));

    testing::PressKey(Qt::Key_K, Qt::ControlModifier);
    QWidget* curves = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (qobject_cast<GrowthCurvesWindow*>(widget) && widget->isVisible()) curves = widget;
    }
    QVERIFY(curves);
    curves->close();
  }

 private:
  void Open() {
    window_ = std::make_unique<TSpDravlik>();
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
  }

  void OpenWithSiteClasses() {
    Open();
    QTest::mouseClick(window_->Button1, Qt::LeftButton);
    QTRY_COMPARE(window_->DBGrid1->model()->rowCount(), 3228);
    window_->DBGrid1->setFocus();
  }

  void ClickCell(int row, int column) {
    TDBGrid& grid = *window_->DBGrid1;
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(grid.model()->index(row, column)).center());
    QCOMPARE(grid.currentIndex(), grid.model()->index(row, column));
  }

  QString Cell(int row, int column) const { return window_->DBGrid1->model()->index(row, column).data().toString(); }

  static int MakeSiteClassTableRecords() {
    auto table = MakeSiteClassTable();
    table->Open();
    return table->RecordCount();
  }

  static QMenu* MenuFrom(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    testing::PressKey(key, modifiers);
    if (!QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; })) return nullptr;
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
  }

  std::unique_ptr<testing::FreshDirectory> directory_;
  testing::RecordingDialogs* dialogs_ = nullptr;
  std::unique_ptr<TSpDravlik> window_;
};

}  // namespace dravlik

PDRAVLIK_WINDOW_TEST_MAIN(dravlik::WindowEditingTest)
#include "window_editing_test.moc"
