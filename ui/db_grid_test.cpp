// The data grid driven by real key and mouse events: every key of the grid
// that carries logic, editing a cell, and what reaches the file.
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QVBoxLayout>

#include "cell_editor.h"
#include "data_set_model.h"
#include "data_source.h"
#include "db_grid.h"
#include "schemas.h"
#include "table.h"
#include "window_test_support.h"

namespace dravlik {

namespace {
constexpr int kAge = 2;  // the column of VEK
}

class DBGridTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    directory_ = std::make_unique<testing::FreshDirectory>();
    dialogs_ = &testing::InstallRecordingDialogs();
    table_ = MakeSiteClassTable();
    table_->CreateTable();
  }

  void cleanup() {
    tester_.reset();
    host_.reset();
    table_.reset();
    directory_.reset();
    QVERIFY2(dialogs_->errors.empty(), qPrintable(dialogs_->ErrorTexts()));
    QVERIFY(dialogs_->answers.empty());
  }

  void startsOnTheFirstRecordAndFollowsTheTable() {
    Show(5);
    QCOMPARE(grid_->currentIndex(), Index(0, 0));
    table_->MoveTo(3);
    QCoreApplication::processEvents();
    QCOMPARE(grid_->currentIndex(), Index(3, 0));
  }

  void theIndicatorColumnMarksOnlyTheCurrentRecord() {
    Show(3);
    testing::PressKey(Qt::Key_Down);
    const QImage column = grid_->verticalHeader()->grab().toImage();
    const int rowHeight = grid_->verticalHeader()->defaultSectionSize();
    const auto markedPixels = [&](int row) {
      int dark = 0;
      for (int y = row * rowHeight + 3; y < (row + 1) * rowHeight - 3; ++y) {
        for (int x = 3; x < column.width() - 3; ++x) dark += QColor(column.pixel(x, y)).lightness() < 100;
      }
      return dark;
    };
    QCOMPARE(markedPixels(0), 0);
    QVERIFY(markedPixels(1) > 4);
    QCOMPARE(markedPixels(2), 0);
  }

  void downPastTheLastRecordAppendsAndUpCancelsTheNewRecord() {
    Show(5);
    testing::PressKey(Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(Row(), 4);
    testing::PressKey(Qt::Key_Down);
    QCOMPARE(table_->State(), dsInsert);
    QCOMPARE(grid_->model()->rowCount(), 6);
    QCOMPARE(Row(), 5);
    QCOMPARE(Indicator(5), DataSetModel::Indicator::Insert);
    testing::PressKey(Qt::Key_Down);
    QCOMPARE(grid_->model()->rowCount(), 6);  // Down on an unchanged new record at the end does nothing
    QCOMPARE(table_->State(), dsInsert);
    testing::PressKey(Qt::Key_Up);
    QCOMPARE(table_->State(), dsBrowse);
    QCOMPARE(grid_->model()->rowCount(), 5);
    QCOMPARE(Row(), 4);
    QCOMPARE(Indicator(4), DataSetModel::Indicator::Current);
    QCOMPARE(StoredAges(), QStringList({"10", "20", "30", "40", "50"}));
  }

  void downAndUpFromAnUnchangedNewRecordInsideTheTableCancelIt() {
    Show(5);
    testing::PressKey(Qt::Key_Down);
    testing::PressKey(Qt::Key_Down);
    testing::PressKey(Qt::Key_Insert);
    QCOMPARE(table_->State(), dsInsert);
    QCOMPARE(Row(), 2);
    QCOMPARE(Cell(3, kAge), QString("30"));
    testing::PressKey(Qt::Key_Down);
    QCOMPARE(table_->State(), dsBrowse);
    QCOMPARE(Row(), 2);
    QCOMPARE(Cell(2, kAge), QString("30"));
    testing::PressKey(Qt::Key_Insert);
    testing::PressKey(Qt::Key_Up);
    QCOMPARE(table_->State(), dsBrowse);
    QCOMPARE(Row(), 1);
    QCOMPARE(grid_->model()->rowCount(), 5);
  }

  void readOnlyFieldsRefuseTyping() {
    Show(2);
    for (int i = 0; i < table_->FieldCount(); ++i) table_->Field(i).SetReadOnly(true);
    testing::PressKey(Qt::Key_Down);
    testing::PressKey(Qt::Key_2);
    QCOMPARE(table_->State(), dsBrowse);
    QCOMPARE(Cell(1, 0), QString("SM "));
  }

  void aNewRecordTypedIntoIsPostedToTheEndOfTheFile() {
    Show(3);
    testing::PressKey(Qt::Key_Down);
    testing::PressKey(Qt::Key_Insert);
    testing::PressKey(Qt::Key_Right);
    testing::PressKey(Qt::Key_Right);
    testing::TypeText("77");
    QVERIFY(grid_->Editor());
    QCOMPARE(grid_->Editor()->text(), QString("77"));
    testing::PressKey(Qt::Key_Down);
    QCOMPARE(table_->State(), dsBrowse);
    QCOMPARE(Row(), 1);  // the record that followed the new one
    QCOMPARE(StoredAges(), QStringList({"10", "20", "30", "77"}));
  }

  void typingIntoAnEmptyTableStartsARecordAndDownAppendsTheNext() {
    Show(0);
    testing::TypeText("5");
    QCOMPARE(table_->State(), dsInsert);
    testing::PressKey(Qt::Key_Down);
    QCOMPARE(table_->RecordCount(), 1);
    QCOMPARE(table_->State(), dsInsert);  // posted, and the next record appended
    // The editor went with the rows it stood on; the focus stays with the grid,
    // in the same column.
    QCOMPARE(QApplication::focusWidget(), grid_);
    QCOMPARE(grid_->Column(), 0);
    QCOMPARE(Cell(0, 0), QString("5  "));  // as stored
    testing::PressKey(Qt::Key_Escape);
    QCOMPARE(table_->State(), dsBrowse);
    QCOMPARE(grid_->model()->rowCount(), 1);
  }

  void ctrlDeleteAsksAndDeletesOnlyOnOk() {
    Show(3);
    testing::PressKey(Qt::Key_Down);
    dialogs_->answers = {false};
    testing::PressKey(Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(dialogs_->confirmations, QStringList({"Delete record?"}));
    QCOMPARE(grid_->model()->rowCount(), 3);
    dialogs_->answers = {true};
    testing::PressKey(Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(dialogs_->confirmations.size(), 2);
    QCOMPARE(grid_->model()->rowCount(), 2);
    QCOMPARE(StoredAges(), QStringList({"10", "30"}));
    testing::PressKey(Qt::Key_Delete);
    QCOMPARE(dialogs_->confirmations.size(), 2);  // Delete alone deletes nothing
  }

  void ctrlDeleteOnAnEmptyTableAsksNothing() {
    Show(0);
    testing::PressKey(Qt::Key_Delete, Qt::ControlModifier);
    QVERIFY(dialogs_->confirmations.isEmpty());
  }

  void escapeRestoresTheEditorFirstAndThenCancelsTheEdit() {
    Show(2);
    MoveToColumn(kAge);
    testing::TypeText("55");
    QCOMPARE(table_->State(), dsEdit);
    QCOMPARE(Indicator(0), DataSetModel::Indicator::Edit);
    testing::PressKey(Qt::Key_Escape);
    QVERIFY(!grid_->Editor());
    QCOMPARE(table_->State(), dsEdit);  // the first Escape only restores the cell
    QCOMPARE(Cell(0, kAge), QString("10"));

    testing::TypeText("66");
    testing::PressKey(Qt::Key_Return);
    QCOMPARE(Cell(0, kAge), QString("66"));
    testing::PressKey(Qt::Key_Escape);
    QCOMPARE(table_->State(), dsBrowse);
    QCOMPARE(Cell(0, kAge), QString("10"));
    QCOMPARE(StoredAges(), QStringList({"10", "20"}));
  }

  void anEditedCellIsInTheFileAfterAReopen() {
    Show(3);
    testing::PressKey(Qt::Key_Down);
    MoveToColumn(kAge);
    testing::PressKey(Qt::Key_F2);
    QVERIFY(grid_->Editor());
    QCOMPARE(grid_->Editor()->text(), QString("20"));
    testing::TypeText("25");
    testing::PressKey(Qt::Key_Return);
    QVERIFY(!grid_->Editor());
    QCOMPARE(table_->State(), dsEdit);  // Enter writes the cell, the record stays pending
    testing::PressKey(Qt::Key_Up);
    QCOMPARE(table_->State(), dsBrowse);
    QCOMPARE(StoredAges(), QStringList({"10", "25", "30"}));
  }

  void aNumberWithTheLocaleDecimalSeparatorIsTakenAndShownSo() {
    QLocale::setDefault(QLocale(QLocale::Czech));
    Show(1);
    MoveToColumn(3);
    testing::TypeText("12,5");
    testing::PressKey(Qt::Key_Return);
    QLocale::setDefault(QLocale::c());
    QCOMPARE(table_->FieldByName("VYSKA").AsFloat(), 12.5);
  }

  void aBadNumberIsRefusedAndNeverReachesTheFile() {
    Show(2);
    MoveToColumn(kAge);
    testing::TypeText("1O");
    testing::PressKey(Qt::Key_Return);
    QCOMPARE(dialogs_->errors.size(), std::size_t{1});
    QCOMPARE(dialogs_->errors[0].text, QString("'1O' is not a valid floating point value for field 'VEK'"));
    QCOMPARE(table_->FieldByName("VEK").AsFloat(), 10.0);
    QVERIFY(grid_->Editor());
    QCOMPARE(grid_->Editor()->text(), QString("1O"));  // the editor keeps the text to be corrected
    testing::PressKey(Qt::Key_Down);
    QCOMPARE(dialogs_->errors.size(), std::size_t{2});  // nor does moving on post it
    QCOMPARE(Row(), 0);
    dialogs_->errors.clear();
    testing::PressKey(Qt::Key_Escape);
    testing::PressKey(Qt::Key_Escape);
    QCOMPARE(table_->State(), dsBrowse);
    QCOMPARE(StoredAges(), QStringList({"10", "20"}));
  }

  void leavingTheGridWritesTheEditorAndLeavesTheRecordPending() {
    Show(2);
    MoveToColumn(kAge);
    testing::TypeText("33");
    QTest::mouseClick(elsewhere_, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), elsewhere_);
    QCOMPARE(table_->State(), dsEdit);
    QCOMPARE(table_->FieldByName("VEK").AsFloat(), 33.0);
    table_->Cancel();

    grid_->setFocus();
    testing::PressKey(Qt::Key_Insert);
    QTest::mouseClick(elsewhere_, Qt::LeftButton);
    QCOMPARE(table_->State(), dsBrowse);  // an unchanged new record is cancelled
    QCOMPARE(grid_->model()->rowCount(), 2);
  }

  void columnKeysMoveBetweenCells() {
    Show(3);
    const int last = table_->FieldCount() - 1;
    testing::PressKey(Qt::Key_Right);
    QCOMPARE(grid_->Column(), 1);
    testing::PressKey(Qt::Key_End);
    QCOMPARE(grid_->Column(), last);
    testing::PressKey(Qt::Key_Home);
    QCOMPARE(grid_->Column(), 0);
    testing::PressKey(Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(grid_->Column(), last);
    testing::PressKey(Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(grid_->Column(), 0);
    testing::PressKey(Qt::Key_Left);
    QCOMPARE(grid_->Column(), 0);
    testing::PressKey(Qt::Key_Tab, Qt::AltModifier);
    QCOMPARE(grid_->Column(), 0);  // Alt+Tab does nothing
    testing::PressKey(Qt::Key_End);
    testing::PressKey(Qt::Key_Tab);
    QCOMPARE(Row(), 1);
    QCOMPARE(grid_->Column(), 0);
    testing::PressKey(Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(Row(), 0);
    QCOMPARE(grid_->Column(), last);
    QCOMPARE(QApplication::focusWidget(), grid_);  // Tab stays in the grid
  }

  void homeAndEndMoveBetweenRecordsInAGridOfOneColumn() {
    TTable heights("Table3", "heights.dbf");
    heights.AddFloatField("Table3VYSKA", "VYSKA");
    heights.CreateTable();
    heights.Open();
    for (int i = 0; i < 4; ++i) {
      heights.Append();
      heights.Field(0).SetAsInteger(i);
      heights.Post();
    }
    heights.MoveTo(0);
    TDataSource source(heights);
    TDBGrid grid(source);
    grid.show();
    QVERIFY(QTest::qWaitForWindowActive(&grid));
    QCoreApplication::processEvents();
    QTest::keyClick(&grid, Qt::Key_End);
    QCOMPARE(grid.currentIndex().row(), 3);
    QTest::keyClick(&grid, Qt::Key_Home);
    QCOMPARE(grid.currentIndex().row(), 0);
  }

  void pageAndControlKeysMoveByWhatIsVisible() {
    Show(60);
    const int visible = grid_->viewport()->height() / grid_->verticalHeader()->defaultSectionSize();
    QVERIFY(visible > 2 && visible < 60);
    testing::PressKey(Qt::Key_PageDown);
    QCOMPARE(Row(), visible);
    testing::PressKey(Qt::Key_PageUp);
    QCOMPARE(Row(), 0);
    testing::PressKey(Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(Row(), visible - 1);
    testing::PressKey(Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(Row(), visible - 1);
    testing::PressKey(Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(Row(), 59);
    QVERIFY(grid_->viewport()->rect().contains(grid_->visualRect(Index(59, 0))));
    testing::PressKey(Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(Row(), grid_->rowAt(0));
    testing::PressKey(Qt::Key_PageDown);
    testing::PressKey(Qt::Key_PageDown);
    QCOMPARE(Row(), 59);  // Page Down stops at the last record
    QCOMPARE(table_->State(), dsBrowse);
    testing::PressKey(Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(Row(), 0);
  }

  void theMouseMovesToACellAndADoubleClickOpensItsEditor() {
    Show(4);
    const QRect cell = grid_->visualRect(Index(2, kAge));
    QTest::mouseClick(grid_->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(Row(), 2);
    QCOMPARE(grid_->Column(), kAge);
    QVERIFY(!grid_->Editor());
    QTest::mouseDClick(grid_->viewport(), Qt::LeftButton, {}, grid_->visualRect(Index(3, 1)).center());
    QCOMPARE(Row(), 3);
    QVERIFY(grid_->Editor());
    QCOMPARE(grid_->Editor()->text(), QString("1"));
  }

 private:
  // Shows a grid on the table with `rows` records: species "SM ", ages 10, 20, ...
  void Show(int rows) {
    table_->Open();
    for (int i = 0; i < rows; ++i) {
      table_->Append();
      table_->FieldByName("DREVINA").SetAsString("SM ");
      table_->FieldByName("BONITA").SetAsInteger(i % 2);
      table_->FieldByName("VEK").SetAsInteger(10 * (i + 1));
      table_->Post();
    }
    table_->Close();
    table_->Open();
    host_ = std::make_unique<QWidget>();
    source_ = new TDataSource(*table_, host_.get());
    grid_ = new TDBGrid(*source_, host_.get());
    elsewhere_ = new QLineEdit(host_.get());
    auto* layout = new QVBoxLayout(host_.get());
    layout->addWidget(grid_);
    layout->addWidget(elsewhere_);
    host_->resize(500, 400);
    tester_ = std::make_unique<QAbstractItemModelTester>(grid_->model(),
                                                         QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(testing::ShowWithFocus(*host_, *grid_));
  }



  void MoveToColumn(int column) {
    while (grid_->Column() < column) testing::PressKey(Qt::Key_Right);
  }

  QModelIndex Index(int row, int column) const { return grid_->model()->index(row, column); }
  QString Cell(int row, int column) const { return Index(row, column).data().toString(); }
  int Row() const { return grid_->currentIndex().row(); }

  DataSetModel::Indicator Indicator(int row) const {
    return grid_->model()->headerData(row, Qt::Vertical, DataSetModel::kIndicatorRole).value<DataSetModel::Indicator>();
  }

  // The ages in the file, as a second table opened on it reads them.
  QStringList StoredAges() {
    auto reader = MakeSiteClassTable();
    reader->Open();
    QStringList ages;
    for (int row = 0; row < reader->RecordCount(); ++row) {
      ages << QString::fromStdString(DisplayText(reader->RowValue(row, kAge), '.'));
    }
    return ages;
  }

  std::unique_ptr<testing::FreshDirectory> directory_;
  testing::RecordingDialogs* dialogs_ = nullptr;
  std::unique_ptr<TTable> table_;
  std::unique_ptr<QWidget> host_;
  TDataSource* source_ = nullptr;
  TDBGrid* grid_ = nullptr;
  QLineEdit* elsewhere_ = nullptr;
  std::unique_ptr<QAbstractItemModelTester> tester_;
};

}  // namespace dravlik

PDRAVLIK_WINDOW_TEST_MAIN(dravlik::DBGridTest)
#include "db_grid_test.moc"
