// Copy, export, find and the context menu of a grid, driven by real key and
// mouse events: what reaches the clipboard, the file and the current record.
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QVBoxLayout>
#include <sstream>

#include "cell_editor.h"
#include "csv_export.h"
#include "data_source.h"
#include "db_grid.h"
#include "find_bar.h"
#include "grid_commands.h"
#include "growth_curves_window.h"
#include "row_finder.h"
#include "schemas.h"
#include "sp_dravlik.h"
#include "status_line.h"
#include "table.h"
#include "window_test_support.h"

namespace dravlik {
namespace {

constexpr int kSiteIndex = 1;  // BONITA
constexpr int kAge = 2;        // VEK
const QString kTitles = QStringLiteral("DREVINA\tBONITA\tVEK\tVYSKA\tTLOUSTKA\tHMOT\n");

// Row i: species SM for the first half and BK after, site index i % 2, age
// 10 * (i + 1), height i + 0.5.
QString RowText(int i, int rows) {
  return QStringLiteral("%1\t%2\t%3\t%4,5\t\t\n")
      .arg(i < rows / 2 ? "SM " : "BK ")
      .arg(i % 2)
      .arg(10 * (i + 1))
      .arg(i);
}

}  // namespace

class GridCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    // The grid shows numbers with the user's decimal separator.
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
    QVERIFY(TApplication::Instance()->InstallTranslation(QLocale::c()));
    QVERIFY2(dialogs_->errors.empty(), qPrintable(dialogs_->ErrorTexts()));
    QVERIFY(dialogs_->fileNames.empty());
  }

  void copyWithoutASelectionTakesTheCurrentRowAsTextAndHtml() {
    Show(6);
    testing::PressKey(Qt::Key_Down);
    testing::PressKey(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(Clipboard(), kTitles + RowText(1, 6));
    const QString html = QApplication::clipboard()->mimeData()->html();
    QVERIFY2(html.contains("<tr><th>DREVINA</th><th>BONITA</th><th>VEK</th><th>VYSKA</th><th>TLOUSTKA</th>"
                           "<th>HMOT</th></tr>"),
             qPrintable(html));
    QVERIFY2(html.contains("<tr><td>SM </td><td>1</td><td>20</td><td>1,5</td><td></td><td></td></tr>"),
             qPrintable(html));
    QCOMPARE(html.count("<tr>"), 2);
  }

  void shiftArrowsAndShiftClickSpanARangeAndAPlainMoveEndsIt() {
    Show(6);
    testing::PressKey(Qt::Key_Down, Qt::ShiftModifier);
    testing::PressKey(Qt::Key_Down, Qt::ShiftModifier);
    testing::PressKey(Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(grid_->selectionModel()->selectedIndexes().size(), 6);
    testing::PressKey(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(Clipboard(), QString("DREVINA\tBONITA\nSM \t0\nSM \t1\nSM \t0\n"));

    QTest::mouseClick(grid_->viewport(), Qt::LeftButton, Qt::ShiftModifier, CellCentre(4, kAge));
    QCOMPARE(grid_->currentIndex(), Index(4, kAge));
    testing::PressKey(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(Clipboard().count('\n'), 6);
    QVERIFY(Clipboard().startsWith("DREVINA\tBONITA\tVEK\nSM \t0\t10\n"));
    QVERIFY(Clipboard().endsWith("BK \t0\t50\n"));

    testing::PressKey(Qt::Key_Up);
    QCOMPARE(grid_->selectionModel()->selectedIndexes(), QModelIndexList{Index(3, kAge)});
    testing::PressKey(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(Clipboard(), kTitles + RowText(3, 6));
  }

  void theIndicatorColumnSelectsWholeRowsAndSelectingDownAppendsNothing() {
    Show(6);
    QTest::mouseClick(grid_->verticalHeader()->viewport(), Qt::LeftButton, {}, IndicatorCentre(2));
    QTest::mouseClick(grid_->verticalHeader()->viewport(), Qt::LeftButton, Qt::ShiftModifier, IndicatorCentre(5));
    testing::PressKey(Qt::Key_Down, Qt::ShiftModifier);  // at the last row
    QCOMPARE(table_->State(), dsBrowse);
    QCOMPARE(grid_->model()->rowCount(), 6);
    QCOMPARE(grid_->selectionModel()->selectedIndexes().size(), 4 * 6);
    testing::PressKey(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(Clipboard(), kTitles + RowText(2, 6) + RowText(3, 6) + RowText(4, 6) + RowText(5, 6));
  }

  void withTheEditorOpenCtrlCCopiesTheEditorsText() {
    Show(3);
    MoveToColumn(kAge);
    testing::PressKey(Qt::Key_F2);
    QVERIFY(grid_->Editor());
    grid_->Editor()->selectAll();
    testing::PressKey(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString("10"));
    QVERIFY(!QApplication::clipboard()->mimeData()->hasHtml());
  }

  void theContextMenuListsItsEntriesInEnglishOrCzech() {
    Show(2);
    QCOMPARE(MenuTexts(), QStringList({"&Copy", "&Paste", "C&lear cell", "&Undo", "&Redo", "", "&Export to CSV…",
                                       "&Find…", "&Open saved table", "", "&Growth curves…", "&Site index…"}));
    QVERIFY(TApplication::Instance()->InstallTranslation(QLocale(QLocale::Czech)));
    QCOMPARE(MenuTexts(), QStringList({"&Kopírovat", "&Vložit", "Vy&mazat buňku", "&Zpět", "&Provést znovu", "",
                                       "&Exportovat do CSV…", "&Najít…", "&Otevřít uloženou tabulku", "",
                                       "&Růstové křivky…", "&Bonitace…"}));
    QVERIFY(TApplication::Instance()->InstallTranslation(QLocale(QLocale::English)));
    QCOMPARE(MenuTexts().front(), QString("&Copy"));

    Choose(OpenMenu(CellCentre(0, 0)), "Growth curves…");
    int windows = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      windows += qobject_cast<GrowthCurvesWindow*>(widget) && widget->isVisible();
    }
    QCOMPARE(windows, 1);
  }

  void theMenusPasteClearUndoAndRedoAreOfferedWhenTheyCanAct() {
    Show(3);
    const auto enabled = [this](const QString& text) {
      QMenu* menu = OpenMenu(CellCentre(0, 0));
      bool result = false;
      for (const QAction* action : menu->actions()) {
        if (QString(action->text()).remove(u'&') == text) result = action->isEnabled();
      }
      menu->close();
      QCoreApplication::processEvents();
      return result;
    };
    MoveToColumn(kAge);
    QVERIFY(!enabled("Undo"));
    Choose(OpenMenu(CellCentre(0, kAge)), "Clear cell");
    QCOMPARE(table_->FieldByName("VEK").IsNull(), true);
    QVERIFY(enabled("Undo"));
    QVERIFY(!enabled("Redo"));
    Choose(OpenMenu(CellCentre(0, kAge)), "Undo");
    QCOMPARE(table_->FieldByName("VEK").AsFloat(), 10.0);
    Choose(OpenMenu(CellCentre(0, kAge)), "Redo");
    QVERIFY(table_->FieldByName("VEK").IsNull());
    QApplication::clipboard()->setText("5,5\t6");
    Choose(OpenMenu(CellCentre(0, kAge)), "Paste");
    QCOMPARE(table_->FieldByName("VEK").AsFloat(), 5.5);
    QCOMPARE(table_->FieldByName("VYSKA").AsFloat(), 6.0);
    Choose(OpenMenu(CellCentre(0, kAge)), "Undo");  // a paste of one row is a step too
    QVERIFY(table_->FieldByName("VEK").IsNull());
    QCOMPARE(table_->FieldByName("VYSKA").AsFloat(), 0.5);
  }

  void theStatusLineCountsSumsAndAveragesTheNumbersOfARange() {
    Show(6);
    auto* status = new StatusLine(host_.get());
    status->Follow(*grid_);
    QCOMPARE(status->text(), QString("Row 1 of 6"));
    testing::PressKey(Qt::Key_Down, Qt::ShiftModifier);
    testing::PressKey(Qt::Key_Down, Qt::ShiftModifier);
    testing::PressKey(Qt::Key_Right, Qt::ShiftModifier);
    testing::PressKey(Qt::Key_Right, Qt::ShiftModifier);
    // DREVINA is text; BONITA is 0, 1, 0 and VEK 10, 20, 30.
    QTRY_COMPARE(status->text(), QString("Row 3 of 6    Count: 6  Sum: 61  Average: 10,1666666666667"));
    testing::PressKey(Qt::Key_Up);  // a plain move ends the range
    QTRY_COMPARE(status->text(), QString("Row 2 of 6"));
    testing::PressKey(Qt::Key_Insert);  // the pending record is a row of its own
    QTRY_COMPARE(status->text(), QString("Row 2 of 7"));
  }

  void theMenusCopyTakesTheRangeTheMenuWasOpenedIn() {
    Show(4);
    testing::PressKey(Qt::Key_Down, Qt::ShiftModifier);
    QTest::mouseClick(grid_->viewport(), Qt::RightButton, {}, CellCentre(1, 0));
    Choose(OpenMenu(CellCentre(1, 0)), "Copy");
    QCOMPARE(Clipboard(), kTitles.section('\t', 0, 0) + "\nSM \nSM \n");
  }

  void exportWritesTheWholeTableAsTheToolDoesAndShowsAFailure() {
    Show(5);
    testing::PressKey(Qt::Key_Down);
    testing::PressKey(Qt::Key_Insert);  // a pending record is a row too
    const QString path = directory_->Path() + "/rows.csv";
    dialogs_->fileNames.push_back(path);
    Choose(OpenMenu(CellCentre(0, 0)), "Export to CSV…");
    QCOMPARE(dialogs_->suggestedFileNames, QStringList{directory_->Path() + "/bon_Hm1.csv"});
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    std::ostringstream csv;
    WriteCsv(*table_, csv, kDecimalCommaCsv);  // a Czech locale's spreadsheet form first
    const std::string expected = csv.str();
    QCOMPARE(file.readAll().toStdString(), expected);
    QCOMPARE(expected.substr(0, 39), std::string("DREVINA;BONITA;VEK;VYSKA;TLOUSTKA;HMOT\n"));
    QCOMPARE(std::count(expected.begin(), expected.end(), '\n'), 7);

    dialogs_->fileNames.push_back(directory_->Path() + "/missing/rows.csv");
    Choose(OpenMenu(CellCentre(0, 0)), "Export to CSV…");
    QCOMPARE(dialogs_->errors.size(), 1u);
    QVERIFY2(dialogs_->errors[0].text.contains("missing/rows.csv"), qPrintable(dialogs_->errors[0].text));
    QCOMPARE(dialogs_->errors[0].caption, TApplication::Instance()->Title());
    dialogs_->errors.clear();
  }

  void exportOffersTheLocalesSpreadsheetFormFirstAndThePlainOne() {
    Show(3);
    const QString path = directory_->Path() + "/rows.csv";
    const auto exported = [&](const QString& filter) {
      dialogs_->fileNames.push_back(path);
      if (!filter.isEmpty()) dialogs_->chosenFilters.push_back(filter);
      Choose(OpenMenu(CellCentre(0, 0)), "Export to CSV…");
      QFile file(path);
      return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    };
    const auto written = [&](CsvForm form) {
      std::ostringstream csv;
      WriteCsv(*table_, csv, form);
      return csv.str();
    };
    QCOMPARE(exported({}), written(kDecimalCommaCsv));
    const QString plain = dialogs_->offeredFilters.back().section(QStringLiteral(";;"), 1, 1);
    QVERIFY2(plain.contains("decimal points"), qPrintable(plain));
    QCOMPARE(exported(plain), written(kPlainCsv));
    QVERIFY(written(kPlainCsv).find(",0.5,") != std::string::npos);
    QVERIFY(written(kDecimalCommaCsv).find(";0,5;") != std::string::npos);

    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    QCOMPARE(exported({}), written(kPlainCsv));
  }

  void findMovesToTheFirstMatchThenTheNextAndSaysWhenThereIsNone() {
    Show(8);
    testing::PressKey(Qt::Key_End, Qt::ControlModifier);
    testing::PressKey(Qt::Key_F, Qt::ControlModifier);
    FindBar* bar = grid_->findChild<FindBar*>();
    QVERIFY(bar && bar->isVisible());
    QVERIFY(grid_->viewport()->geometry().contains(bar->geometry()));
    QCOMPARE(QApplication::focusWidget(), bar->Input(0));
    testing::TypeText("bk");
    testing::PressKey(Qt::Key_Tab);
    QCOMPARE(grid_->Column(), 0);  // Tab in the bar does not move the grid
    QCOMPARE(QApplication::focusWidget(), bar->Input(kSiteIndex));
    testing::TypeText("1");
    testing::PressKey(Qt::Key_Return);
    QCOMPARE(Row(), 5);
    testing::PressKey(Qt::Key_F3);
    QCOMPARE(Row(), 7);
    testing::PressKey(Qt::Key_F3);
    QCOMPARE(Row(), 7);
    QCOMPARE(bar->Message(), QString("No further match."));
    bar->Input(kAge)->setFocus();
    testing::TypeText("999");
    testing::PressKey(Qt::Key_Return);
    QCOMPARE(bar->Message(), QString("Not found."));
    QCOMPARE(Row(), 7);
    bar->Input(kAge)->setText("2x");
    testing::PressKey(Qt::Key_Return);
    QCOMPARE(bar->Message(), QString("2x is not a number."));
    bar->Input(kSiteIndex)->clear();
    bar->Input(kAge)->setText("70");
    testing::PressKey(Qt::Key_Return);
    QCOMPARE(Row(), 6);
    QCOMPARE(bar->Message(), QString("Row 7 of 8."));
  }

  void escapeClosesTheBarAndLeavingThroughTheBarLeavesTheGrid() {
    Show(3);
    testing::PressKey(Qt::Key_Insert);
    testing::PressKey(Qt::Key_F, Qt::ControlModifier);
    FindBar* bar = grid_->findChild<FindBar*>();
    testing::PressKey(Qt::Key_Escape);
    QVERIFY(!bar->isVisible());
    QCOMPARE(QApplication::focusWidget(), grid_);
    QCOMPARE(table_->State(), dsInsert);  // the bar's Escape is not the grid's
    testing::PressKey(Qt::Key_F, Qt::ControlModifier);
    QVERIFY(bar->isAncestorOf(QApplication::focusWidget()));
    QCOMPARE(table_->State(), dsInsert);
    elsewhere_->setFocus(Qt::TabFocusReason);
    QCOMPARE(table_->State(), dsBrowse);  // an unchanged new record is cancelled
    QCOMPARE(table_->RecordCount(), 3);
  }

  void theMainWindowsGridsBothHaveTheCommands() {
    TSpDravlik window;
    QVERIFY(window.DBGrid1->findChild<GridCommands*>());
    QVERIFY(window.DBGrid2->findChild<GridCommands*>());
    QCOMPARE(window.DBGrid1->contextMenuPolicy(), Qt::CustomContextMenu);
  }

  void theFindFieldsAreTheSpeciesAndEachTablesKeys() {
    const auto names = [](const TTable& table) {
      QStringList result;
      for (int field : FindFields(table)) result << QString::fromStdString(table.Field(field).FieldName());
      return result;
    };
    QCOMPARE(names(*table_), QStringList({"DREVINA", "BONITA", "VEK"}));
    QCOMPARE(names(*MakeHeightDiameterTable()), QStringList({"drevina", "vyska", "tloustka"}));
  }

 private:
  void Show(int rows) {
    table_->Open();
    for (int i = 0; i < rows; ++i) {
      table_->Append();
      table_->FieldByName("DREVINA").SetAsString(i < rows / 2 ? "SM " : "BK ");
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
    commands_ = new GridCommands(*grid_);
    elsewhere_ = new QLineEdit(host_.get());
    auto* layout = new QVBoxLayout(host_.get());
    layout->addWidget(grid_);
    layout->addWidget(elsewhere_);
    host_->resize(500, 400);
    QVERIFY(testing::ShowWithFocus(*host_, *grid_));
  }



  void MoveToColumn(int column) {
    while (grid_->Column() < column) testing::PressKey(Qt::Key_Right);
  }

  QMenu* OpenMenu(const QPoint& position) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, position, grid_->viewport()->mapToGlobal(position));
    QApplication::sendEvent(grid_->viewport(), &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) QTest::qFail("no context menu", __FILE__, __LINE__);
    return menu;
  }

  QStringList MenuTexts() {
    QMenu* menu = OpenMenu(CellCentre(0, 0));
    QStringList texts;
    if (!menu) return texts;
    for (const QAction* action : menu->actions()) texts << action->text();
    menu->close();
    QCoreApplication::processEvents();
    return texts;
  }

  void Choose(QMenu* menu, const QString& text) {
    QVERIFY(menu);
    for (QAction* action : menu->actions()) {
      if (QString(action->text()).remove(u'&') != text) continue;  // the mnemonic aside
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
      QCoreApplication::processEvents();
      return;
    }
    QFAIL("no such entry");
  }

  QString Clipboard() const { return QApplication::clipboard()->mimeData()->text(); }
  QModelIndex Index(int row, int column) const { return grid_->model()->index(row, column); }
  QPoint CellCentre(int row, int column) const { return grid_->visualRect(Index(row, column)).center(); }
  QPoint IndicatorCentre(int row) const {
    const QHeaderView* column = grid_->verticalHeader();
    return {column->width() / 2, column->sectionViewportPosition(row) + column->sectionSize(row) / 2};
  }
  int Row() const { return table_->CurrentRow(); }

  std::unique_ptr<testing::FreshDirectory> directory_;
  testing::RecordingDialogs* dialogs_ = nullptr;
  std::unique_ptr<TTable> table_;
  std::unique_ptr<QWidget> host_;
  TDataSource* source_ = nullptr;
  TDBGrid* grid_ = nullptr;
  GridCommands* commands_ = nullptr;
  QLineEdit* elsewhere_ = nullptr;
};

}  // namespace dravlik

PDRAVLIK_WINDOW_TEST_MAIN(dravlik::GridCommandsTest)
#include "grid_commands_test.moc"
