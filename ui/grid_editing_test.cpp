// Pasting, clearing, undoing and redoing in a grid, and selecting with Ctrl+A
// and the mouse, driven by real key and mouse events: what reaches the file,
// read back through a table of its own.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QVBoxLayout>

#include "cell_editor.h"
#include "data_source.h"
#include "db_grid.h"
#include "edit_history.h"
#include "grid_commands.h"
#include "grid_paste.h"
#include "schemas.h"
#include "status_line.h"
#include "table.h"
#include "window_test_support.h"

namespace dravlik {
namespace {

constexpr int kSiteIndex = 1;  // BONITA
constexpr int kAge = 2;        // VEK
constexpr int kVolume = 5;     // HMOT, the last column

// Record i as the file holds it: species, site index i % 2, age 10 * (i + 1),
// height i + 0.5, no diameter or volume.
QString Record(int i, const QString& species = "SM ") {
  return QStringLiteral("%1|%2|%3|%4.5||").arg(species).arg(i % 2).arg(10 * (i + 1)).arg(i);
}

QStringList Records(int count) {
  QStringList records;
  for (int i = 0; i < count; ++i) records << Record(i);
  return records;
}

}  // namespace

class GridEditingTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    directory_ = std::make_unique<testing::FreshDirectory>();
    dialogs_ = &testing::InstallRecordingDialogs();
    table_ = MakeSiteClassTable();
    table_->CreateTable();
  }

  void cleanup() {
    host_.reset();
    table_.reset();
    directory_.reset();
    QLocale::setDefault(QLocale::c());
    QVERIFY2(dialogs_->errors.empty(), qPrintable(dialogs_->ErrorTexts()));
    QVERIFY(dialogs_->answers.empty());
  }

  void cellsAreSplitAsSpreadsheetsQuoteThem() {
    const CellBlock block = ParseCells("a\t\"b\tc\"\r\n\"say \"\"x\"\"\"\t\"two\nlines\"\n\t\n");
    QCOMPARE(block.size(), std::size_t{3});
    QCOMPARE(block[0], QStringList({"a", "b\tc"}));
    QCOMPARE(block[1], QStringList({"say \"x\"", "two\nlines"}));
    QCOMPARE(block[2], QStringList({"", ""}));
    QCOMPARE(ParseCells("7").size(), std::size_t{1});
    QVERIFY(ParseCells("").empty());
  }

  void aBlockWithDecimalCommasGoesIntoTheMiddleAndEndsSelected() {
    Show(6);
    GoTo(2, kAge);
    Paste("25\t1,5\n35\t2,25\n");
    QCOMPARE(StoredRecords(), Records(6)
                                  .replaceInStrings(Record(2), "SM |0|25|1.5||")
                                  .replaceInStrings(Record(3), "SM |1|35|2.25||"));
    QCOMPARE(table_->State(), dsBrowse);
    QCOMPARE(grid_->currentIndex(), Index(2, kAge));
    QCOMPARE(grid_->selectionModel()->selectedIndexes().size(), 4);
    QVERIFY(grid_->selectionModel()->isSelected(Index(3, kAge + 1)));
  }

  void aBlockWithPointsPastTheLastRecordIsAppended() {
    Show(3);
    GoTo(2, kSiteIndex);
    Paste("1\t100\t3.5\n0\t110\t4.5\n1\t120\t5,5");
    QStringList expected = Records(2);
    expected << "SM |1|100|3.5||"
             << "|0|110|4.5||"
             << "|1|120|5.5||";
    QCOMPARE(StoredRecords(), expected);
    QCOMPARE(grid_->model()->rowCount(), 5);
  }

  void aPasteIntoASelectedRangeStartsAtItsFirstCell() {
    Show(3);
    GoTo(0, kSiteIndex);
    testing::PressKey(Qt::Key_Down, Qt::ShiftModifier);
    testing::PressKey(Qt::Key_Right, Qt::ShiftModifier);
    Paste("1\t9\n");
    QCOMPARE(StoredRecords(), QStringList({"SM |1|9|0.5||", Record(1), Record(2)}));
  }

  void aRowCopiedFromTheGridPastesWithoutItsTitles() {
    Show(3);
    testing::PressKey(Qt::Key_C, Qt::ControlModifier);  // row 0, titles first
    GoTo(2, 0);
    testing::PressKey(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(StoredRecords(), QStringList({Record(0), Record(1), Record(0)}));
  }

  void aRefusedValueStopsThePasteAndSaysHowManyRowsWentIn() {
    Show(6);
    GoTo(1, kAge);
    Paste("11\n12\nx1\n14\n");
    // No full stop is added after a quote.
    QCOMPARE(dialogs_->ErrorTexts(),
             QString("Rows pasted: 2; row 3 of the block: 'x1' is not a valid floating point value for field 'VEK'"));
    dialogs_->errors.clear();
    QCOMPARE(table_->State(), dsBrowse);  // the refused row is not left pending
    QCOMPARE(StoredRecords(), Records(6)
                                  .replaceInStrings(Record(1), "SM |1|11|1.5||")
                                  .replaceInStrings(Record(2), "SM |0|12|2.5||"));
    testing::PressKey(Qt::Key_Z, Qt::ControlModifier);  // the rows that went in are one step
    QCOMPARE(StoredRecords(), Records(6));
  }

  void aBlockWiderThanTheColumnsLeftIsRefusedBeforeAnyRow() {
    Show(3);
    GoTo(1, kVolume - 1);
    Paste("1\t2\n3\t4\t5\n");
    QCOMPARE(dialogs_->ErrorTexts(), QString("The block has 3 columns; from column TLOUSTKA the grid has 2."));
    dialogs_->errors.clear();
    QCOMPARE(StoredRecords(), Records(3));
    QVERIFY(!grid_->History().CanUndo());
  }

  void deleteClearsTheCellAndCtrlDeleteStillDeletesTheRecord() {
    Show(3);
    GoTo(1, kAge);
    testing::PressKey(Qt::Key_Delete);
    QVERIFY(dialogs_->confirmations.isEmpty());
    QCOMPARE(table_->State(), dsBrowse);
    QCOMPARE(StoredRecords(), QStringList({Record(0), "SM |1||1.5||", Record(2)}));
    testing::PressKey(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(StoredRecords(), Records(3));
    testing::PressKey(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(StoredRecords(), QStringList({Record(0), "SM |1||1.5||", Record(2)}));

    // In the cell editor Delete deletes a character.
    GoTo(2, kAge);
    testing::PressKey(Qt::Key_F2);
    QVERIFY(grid_->Editor());
    testing::PressKey(Qt::Key_Home);
    testing::PressKey(Qt::Key_Delete);
    QCOMPARE(grid_->Editor()->text(), QString("0"));
    testing::PressKey(Qt::Key_Escape);
    testing::PressKey(Qt::Key_Escape);

    dialogs_->answers = {true};
    testing::PressKey(Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(dialogs_->confirmations, QStringList({"Delete record?"}));
    QCOMPARE(StoredRecords(), QStringList({Record(0), "SM |1||1.5||"}));
  }

  void undoAndRedoOfAnEditRestoreTheRecord() {
    Show(3);
    GoTo(1, kAge);
    testing::TypeText("25");
    testing::PressKey(Qt::Key_Tab);
    testing::TypeText("7,5");
    testing::PressKey(Qt::Key_Down);  // posts both cells as one change
    const QStringList edited = {Record(0), "SM |1|25|7.5||", Record(2)};
    QCOMPARE(StoredRecords(), edited);
    testing::PressKey(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(StoredRecords(), Records(3));
    QCOMPARE(table_->CurrentRow(), 1);  // the grid shows the record undone
    testing::PressKey(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(StoredRecords(), edited);
    testing::PressKey(Qt::Key_Z, Qt::ShiftModifier | Qt::ControlModifier);  // redo: nothing left
    QCOMPARE(StoredRecords(), edited);
  }

  void ctrlZOnAPendingRecordCancelsItAndLeavesTheHistory() {
    Show(3);
    GoTo(1, kAge);
    testing::PressKey(Qt::Key_Delete);  // one posted change
    testing::TypeText("44");
    testing::PressKey(Qt::Key_Return);
    QCOMPARE(table_->State(), dsEdit);
    testing::PressKey(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(table_->State(), dsBrowse);
    QCOMPARE(StoredRecords(), QStringList({Record(0), "SM |1||1.5||", Record(2)}));
    testing::PressKey(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(StoredRecords(), Records(3));
  }

  void aPasteIsUndoneAndRedoneAsOneStep() {
    Show(6);
    GoTo(4, kAge);
    Paste("51\n61\n71\n");  // two records changed, one appended
    QStringList pasted = Records(6)
                             .replaceInStrings(Record(4), "SM |0|51|4.5||")
                             .replaceInStrings(Record(5), "SM |1|61|5.5||");
    pasted << "||71|||";
    QCOMPARE(StoredRecords(), pasted);
    QCOMPARE(grid_->History().UndoSteps(), std::size_t{1});
    testing::PressKey(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(StoredRecords(), Records(6));
    QCOMPARE(grid_->model()->rowCount(), 6);
    testing::PressKey(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(StoredRecords(), pasted);
    testing::PressKey(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(StoredRecords(), Records(6));
  }

  void undoPutsAnInsertedAndADeletedRecordBackInFileOrder() {
    Show(4);
    GoTo(2, kAge);
    testing::PressKey(Qt::Key_Insert);
    testing::TypeText("77");
    testing::PressKey(Qt::Key_Down);  // posted at the end of the file
    QStringList inserted = Records(4);
    inserted << "||77|||";
    QCOMPARE(StoredRecords(), inserted);
    GoTo(1, 0);
    dialogs_->answers = {true};
    testing::PressKey(Qt::Key_Delete, Qt::ControlModifier);
    QStringList deleted = inserted;
    deleted.removeAt(1);
    QCOMPARE(StoredRecords(), deleted);

    testing::PressKey(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(StoredRecords(), inserted);
    testing::PressKey(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(StoredRecords(), Records(4));
    testing::PressKey(Qt::Key_Y, Qt::ControlModifier);
    testing::PressKey(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(StoredRecords(), deleted);
    QVERIFY(!grid_->History().CanRedo());
  }

  void undoRefusesARecordChangedSinceAndKeepsTheStep() {
    Show(3);
    GoTo(1, kAge);
    testing::PressKey(Qt::Key_Delete);
    // Another way into the table than the grid's.
    table_->MoveTo(1);
    table_->Edit();
    table_->FieldByName("VEK").SetAsInteger(99);
    table_->Post();
    testing::PressKey(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(dialogs_->ErrorTexts(), QString("Row 2 has changed since; it is left as it is."));
    dialogs_->errors.clear();
    QCOMPARE(StoredRecords(), QStringList({Record(0), "SM |1|99|1.5||", Record(2)}));
    QCOMPARE(grid_->History().UndoSteps(), std::size_t{1});
    QVERIFY(!grid_->History().CanRedo());
  }

  void anUndoStoppedHalfwayKeepsWhatWasUndoneRedoable() {
    Show(4);
    GoTo(0, kAge);
    Paste("11\n12\n13\n");
    table_->MoveTo(1);
    table_->Edit();
    table_->FieldByName("VEK").SetAsInteger(99);
    table_->Post();
    testing::PressKey(Qt::Key_Z, Qt::ControlModifier);  // row 3 undone, row 2 refused
    QCOMPARE(dialogs_->ErrorTexts(), QString("Row 2 has changed since; it is left as it is."));
    dialogs_->errors.clear();
    const QStringList halfway = {"SM |0|11|0.5||", "SM |1|99|1.5||", Record(2), Record(3)};
    QCOMPARE(StoredRecords(), halfway);
    QCOMPARE(grid_->History().UndoSteps(), std::size_t{1});
    testing::PressKey(Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(StoredRecords(), QStringList({"SM |0|11|0.5||", "SM |1|99|1.5||", "SM |0|13|2.5||", Record(3)}));
    QCOMPARE(grid_->History().UndoSteps(), std::size_t{2});
    QVERIFY(!grid_->History().CanRedo());
  }

  void reopeningTheTableForgetsItsHistory() {
    Show(3);
    GoTo(1, kAge);
    testing::PressKey(Qt::Key_Delete);
    QVERIFY(grid_->History().CanUndo());
    testing::PressKey(Qt::Key_O, Qt::ControlModifier);
    QVERIFY(table_->Active());
    QVERIFY(!grid_->History().CanUndo());
    testing::PressKey(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(StoredRecords(), QStringList({Record(0), "SM |1||1.5||", Record(2)}));
  }

  void ctrlASelectsEveryCellAndAMoveEndsIt() {
    Show(4);
    auto* status = new StatusLine(host_.get());
    status->Follow(*grid_);
    GoTo(1, 1);
    testing::PressKey(Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(grid_->selectionModel()->selectedIndexes().size(), 4 * table_->FieldCount());
    // BONITA 0, 1, 0, 1; VEK 10 to 40; VYSKA 0,5 to 3,5.
    QTRY_COMPARE(status->text(), QString("Row 2 of 4    Count: 12  Sum: 110  Average: 9,16666666666667"));
    testing::PressKey(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->mimeData()->text().count('\n'), 5);
    testing::PressKey(Qt::Key_Down);
    QCOMPARE(grid_->selectionModel()->selectedIndexes(), QModelIndexList{Index(2, 1)});
  }

  void draggingWithTheMouseSelectsARange() {
    Show(5);
    QTest::mousePress(grid_->viewport(), Qt::LeftButton, {}, CellCentre(1, kSiteIndex));
    QTest::mouseMove(grid_->viewport(), CellCentre(2, kAge));
    QTest::mouseMove(grid_->viewport(), CellCentre(3, kAge));
    QTest::mouseRelease(grid_->viewport(), Qt::LeftButton, {}, CellCentre(3, kAge));
    QCOMPARE(grid_->currentIndex(), Index(3, kAge));
    QCOMPARE(grid_->selectionModel()->selectedIndexes().size(), 6);
    testing::PressKey(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->mimeData()->text(), QString("BONITA\tVEK\n1\t20\n0\t30\n1\t40\n"));
    // Moving without a button held selects nothing.
    QTest::mouseClick(grid_->viewport(), Qt::LeftButton, {}, CellCentre(0, 0));
    QTest::mouseMove(grid_->viewport(), CellCentre(2, kAge));
    QCOMPARE(grid_->selectionModel()->selectedIndexes(), QModelIndexList{Index(0, 0)});
  }

  void theEditingKeysOfTheGridStillWorkWithTheCommands() {
    Show(3);
    GoTo(1, kAge);
    testing::PressKey(Qt::Key_Insert);
    QCOMPARE(table_->State(), dsInsert);
    testing::PressKey(Qt::Key_Delete);  // a new record only loses the value
    QCOMPARE(table_->State(), dsInsert);
    testing::PressKey(Qt::Key_Escape);
    QCOMPARE(table_->State(), dsBrowse);
    testing::PressKey(Qt::Key_Tab);
    QCOMPARE(grid_->Column(), kAge + 1);
    QCOMPARE(StoredRecords(), Records(3));
    QVERIFY(!grid_->History().CanUndo());
  }

 private:
  void Show(int rows) {
    table_->Open();
    for (int i = 0; i < rows; ++i) {
      table_->Append();
      table_->FieldByName("DREVINA").SetAsString("SM ");
      table_->FieldByName("BONITA").SetAsInteger(i % 2);
      table_->FieldByName("VEK").SetAsInteger(10 * (i + 1));
      table_->FieldByName("VYSKA").SetAsFloat(i + 0.5);
      table_->Post();
    }
    table_->Close();
    table_->Open();
    host_ = std::make_unique<QWidget>();
    source_ = new TDataSource(*table_, host_.get());
    grid_ = new TDBGrid(*source_, host_.get());
    new GridCommands(*grid_);
    auto* layout = new QVBoxLayout(host_.get());
    layout->addWidget(grid_);
    layout->addWidget(new QLineEdit(host_.get()));
    host_->resize(600, 400);
    QVERIFY(testing::ShowWithFocus(*host_, *grid_));
  }

  void GoTo(int row, int column) {
    QTest::mouseClick(grid_->viewport(), Qt::LeftButton, {}, CellCentre(row, column));
    QCOMPARE(grid_->currentIndex(), Index(row, column));
  }

  void Paste(const QString& text) {
    QApplication::clipboard()->setText(text);
    testing::PressKey(Qt::Key_V, Qt::ControlModifier);
  }

  // Every record of the file, as a table of its own reads it.
  QStringList StoredRecords() {
    auto reader = MakeSiteClassTable();
    reader->Open();
    QStringList records;
    for (int row = 0; row < reader->RecordCount(); ++row) {
      QStringList values;
      for (int field = 0; field < reader->FieldCount(); ++field) {
        values << QString::fromStdString(DisplayText(reader->RowValue(row, field), '.'));
      }
      records << values.join(u'|');
    }
    return records;
  }

  QModelIndex Index(int row, int column) const { return grid_->model()->index(row, column); }
  QPoint CellCentre(int row, int column) const { return grid_->visualRect(Index(row, column)).center(); }

  std::unique_ptr<testing::FreshDirectory> directory_;
  testing::RecordingDialogs* dialogs_ = nullptr;
  std::unique_ptr<TTable> table_;
  std::unique_ptr<QWidget> host_;
  TDataSource* source_ = nullptr;
  TDBGrid* grid_ = nullptr;
};

}  // namespace dravlik

PDRAVLIK_WINDOW_TEST_MAIN(dravlik::GridEditingTest)
#include "grid_editing_test.moc"
