// The find bar inside a grid, driven by real key events: where it leaves the
// grid's columns and in which order it offers its fields.
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QVBoxLayout>

#include "data_source.h"
#include "db_grid.h"
#include "find_bar.h"
#include "grid_commands.h"
#include "schemas.h"
#include "table.h"
#include "window_test_support.h"

namespace dravlik {

class FindBarTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    directory_ = std::make_unique<testing::FreshDirectory>();
    dialogs_ = &testing::InstallRecordingDialogs();
  }

  void cleanup() {
    host_.reset();
    table_.reset();
    directory_.reset();
    QVERIFY2(dialogs_->errors.empty(), qPrintable(dialogs_->ErrorTexts()));
  }

  // Rows of species SM, then one BK far down, then SM again.
  void aFoundRowIsShownAboveTheBarWithTheColumnsLeftAsTheyWere() {
    table_ = MakeSiteClassTable();
    Show(300, 150);
    QScrollBar& across = *grid_->horizontalScrollBar();
    QVERIFY2(across.maximum() > 0, "the grid must be too narrow for all its columns");
    MoveToColumn(3);  // VYSKA: visible together with the species
    QCOMPARE(across.value(), 0);
    const auto findSpecies = [&](const char* code) {
      testing::PressKey(Qt::Key_F, Qt::ControlModifier);
      QLineEdit* species = Bar()->Input(0);
      QCOMPARE(QApplication::focusWidget(), species);
      species->clear();
      testing::TypeText(code);
      testing::PressKey(Qt::Key_Return);
    };
    findSpecies("bk");
    QCOMPARE(table_->CurrentRow(), 150);
    QCOMPARE(across.value(), 0);
    QVERIFY(Shown(150, 0));
    QVERIFY(Shown(150, 3));

    // Scrolled to the last column, the view stays there and keeps it in sight.
    testing::PressKey(Qt::Key_Escape);
    testing::PressKey(Qt::Key_End);
    const int scrolled = across.value();
    QVERIFY(scrolled > 0);
    findSpecies("sm");
    QCOMPARE(table_->CurrentRow(), 0);
    QCOMPARE(across.value(), scrolled);
    QVERIFY(Shown(0, 5));
  }

  void eachBarOffersItsFieldsInTheOrderOfItsGridsColumns() {
    for (const bool heightDiameter : {false, true}) {
      table_ = heightDiameter ? MakeHeightDiameterTable() : MakeSiteClassTable();
      Show(3, 1);
      testing::PressKey(Qt::Key_F, Qt::ControlModifier);
      // The columns are the fields in order: species, then the two keys.
      QVERIFY(Bar()->Input(0)->x() < Bar()->Input(1)->x());
      QVERIFY(Bar()->Input(1)->x() < Bar()->Input(2)->x());
      // Tab walks them left to right and round.
      for (const int field : {1, 2, 0}) {
        testing::PressKey(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Bar()->Input(field));
      }
      testing::PressKey(Qt::Key_Escape);
      host_.reset();
    }
  }

 private:
  // A table of `rows` rows with `firstOther` the first of species BK and the
  // only one, in a grid in a narrow window.
  void Show(int rows, int firstOther) {
    table_->CreateTable();
    table_->Open();
    for (int i = 0; i < rows; ++i) {
      table_->Append();
      table_->Field(0).SetAsString(i == firstOther ? "BK " : "SM ");
      for (int field = 1; field < table_->FieldCount(); ++field) table_->Field(field).SetAsFloat(i + field);
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
    host_->resize(430, 400);
    QVERIFY(testing::ShowWithFocus(*host_, *grid_));
  }

  void MoveToColumn(int column) {
    while (grid_->Column() < column) testing::PressKey(Qt::Key_Right);
  }

  FindBar* Bar() const { return grid_->findChild<FindBar*>(); }

  // Whether the cell lies wholly in the grid's rows, and not under the bar.
  bool Shown(int row, int column) const {
    QRect rows = grid_->viewport()->rect();
    if (Bar()->isVisible()) rows.setBottom(Bar()->y() - grid_->viewport()->y() - 1);
    return rows.contains(grid_->visualRect(grid_->model()->index(row, column)));
  }

  std::unique_ptr<testing::FreshDirectory> directory_;
  testing::RecordingDialogs* dialogs_ = nullptr;
  std::unique_ptr<TTable> table_;
  std::unique_ptr<QWidget> host_;
  TDataSource* source_ = nullptr;
  TDBGrid* grid_ = nullptr;
};

}  // namespace dravlik

PDRAVLIK_WINDOW_TEST_MAIN(dravlik::FindBarTest)
#include "find_bar_test.moc"
