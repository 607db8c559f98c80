// A grid's view of a table: its data link and its rows.
#include "table.h"

#include <cstdint>
#include <string>
#include <vector>

#include "data_link.h"
#include "schemas.h"
#include "table_test_support.h"

namespace dravlik {
namespace {

using testing::TableTest;

// Records what a grid would be told.
class RecordingLink : public TDataLink {
 public:
  void ActiveChanged() override { events += "A"; }
  void DataSetChanged() override { events += "C"; }
  void DataSetScrolled() override { events += "S"; }
  void RecordChanged(const TField& field) override { events += "R(" + field.FieldName() + ")"; }
  void EditingChanged() override { events += "E"; }
  void UpdateData() override { events += "U"; }
  std::string events;
};

TEST_F(TableTest, TellsItsLinksWhatChanged) {
  auto table = MakeSiteClassTable();
  table->CreateTable();
  RecordingLink link;
  table->AddLink(link);
  EXPECT_EQ(link.DataSet(), table.get());
  table->Open();
  EXPECT_EQ(link.events, "AC");
  link.events.clear();
  AddRow(*table, "SM ", 10);
  EXPECT_EQ(link.events, "ECR(DREVINA)R(VYSKA)UEC");
  AddRow(*table, "BO ", 11);
  link.events.clear();
  table->MoveTo(0);
  EXPECT_EQ(link.events, "S");
  link.events.clear();
  table->Edit();
  table->Cancel();
  table->Delete();
  EXPECT_EQ(link.events, "EECEC");
  table->RemoveLink(link);
  EXPECT_EQ(link.DataSet(), nullptr);
  table->Close();
  EXPECT_EQ(link.events, "EECEC");
}

TEST_F(TableTest, LinksAndTablesMayGoFirst) {
  auto table = OpenSiteClassTable();
  {
    RecordingLink shortLived;
    table->AddLink(shortLived);
  }
  AddRow(*table, "SM ", 1);  // the destroyed link is not called

  RecordingLink link;
  auto other = MakeHeightDiameterTable();
  other->AddLink(link);
  table->AddLink(link);  // moves: only one table tells it
  EXPECT_EQ(link.DataSet(), table.get());
  other->CreateTable();
  other->Open();
  EXPECT_EQ(link.events, "");
  table.reset();
  EXPECT_EQ(link.DataSet(), nullptr);
  EXPECT_EQ(link.events, "A") << "told that its table is gone";
}

// A link that stops following its table when told of a change.
class LeavingLink : public TDataLink {
 public:
  void DataSetChanged() override {
    ++calls;
    DataSet()->RemoveLink(*this);
  }
  int calls = 0;
};

TEST_F(TableTest, ALinkMayLeaveWhileBeingTold) {
  auto table = OpenSiteClassTable();
  LeavingLink first, second;
  table->AddLink(first);
  table->AddLink(second);
  AddRow(*table, "SM ", 1);
  EXPECT_EQ(first.calls, 1);
  EXPECT_EQ(second.calls, 1);
}

// Rows are kept between reads: what a grid reads after any change of the
// stored records shows the change, and unchanged rows are not read again.
TEST_F(TableTest, RowsReadAfterAChangeShowTheChange) {
  auto table = OpenSiteClassTable();
  for (int height = 0; height < 3; ++height) AddRow(*table, "SM ", height);
  const auto heights = [&] {
    std::vector<double> shown;
    for (int row = 0; row < table->RowCount(); ++row) shown.push_back(Number(*table, row, "VYSKA"));
    return shown;
  };
  EXPECT_EQ(heights(), (std::vector<double>{0, 1, 2}));
  const std::uint64_t read = table->RecordsRead();
  EXPECT_EQ(heights(), (std::vector<double>{0, 1, 2}));
  EXPECT_EQ(table->RecordsRead(), read);

  table->MoveTo(0);
  table->Delete();
  EXPECT_EQ(heights(), (std::vector<double>{1, 2}));
  table->Edit();
  table->FieldByName("VYSKA").SetAsFloat(10);
  table->Post();
  EXPECT_EQ(heights(), (std::vector<double>{10, 2}));
  AddRow(*table, "BO ", 3);
  EXPECT_EQ(heights(), (std::vector<double>{10, 2, 3}));

  table->Close();
  auto other = MakeSiteClassTable();
  other->Open();
  other->Edit();
  other->FieldByName("VYSKA").SetAsFloat(20);
  other->Post();
  other->Close();
  table->Open();
  EXPECT_EQ(heights(), (std::vector<double>{20, 2, 3})) << "what another table changed while this one was closed";
}

// A grid as the window will have one: it shows `kVisibleRows` rows from a top
// row, follows the current row, and reads only the rows it shows.
class GridClient : public TDataLink {
 public:
  static constexpr int kVisibleRows = 25;
  explicit GridClient(TTable& table) : table_(table) { table_.AddLink(*this); }

  void ActiveChanged() override { Refetch(); }
  void DataSetChanged() override { Refetch(); }
  void DataSetScrolled() override { Refetch(); }
  void RecordChanged(const TField&) override { Refetch(); }

  // Keyboard: Ctrl+End, Ctrl+Home, Up, Down, Insert.
  void LastRecord() { table_.MoveTo(table_.RowCount() - 1); }
  void FirstRecord() { table_.MoveTo(0); }
  void Down() { table_.MoveTo(table_.CurrentRow() + 1); }
  void Up() { table_.MoveTo(table_.CurrentRow() - 1); }

  const std::vector<std::vector<std::string>>& Shown() const { return shown_; }
  int TopRow() const { return top_; }
  int Rows() const { return rows_; }

 private:
  void Refetch() {
    shown_.clear();
    rows_ = table_.Active() ? table_.RowCount() : 0;
    const int current = table_.CurrentRow();
    if (current < top_) top_ = std::max(current, 0);
    if (current >= top_ + kVisibleRows) top_ = current - kVisibleRows + 1;
    top_ = std::max(0, std::min(top_, rows_ - kVisibleRows));
    for (int row = top_; row < std::min(rows_, top_ + kVisibleRows); ++row) {
      std::vector<std::string> cells;
      for (int column = 0; column < table_.FieldCount(); ++column) {
        cells.push_back(DisplayText(table_.RowValue(row, column), '.'));
      }
      shown_.push_back(std::move(cells));
    }
  }

  TTable& table_;
  int top_ = 0;
  int rows_ = 0;
  std::vector<std::vector<std::string>> shown_;
};

class GridTest : public TableTest {
 protected:
  static constexpr int kRows = 32708;

  void SetUp() override {
    TableTest::SetUp();
    table_ = MakeHeightDiameterTable();
    table_->CreateTable();
    table_->Open();
    for (int row = 0; row < kRows; ++row) {
      table_->Insert();
      table_->FieldByName("DREVINA").SetAsString(row % 2 ? "BO " : "SM ");
      table_->FieldByName("VYSKA").SetAsInteger(row);
      if (row % 4) table_->FieldByName("Hmot").SetAsFloat(row / 100.0);
      table_->Post();
    }
    table_->Close();
  }
  std::unique_ptr<TTable> table_;
};

TEST_F(GridTest, ShowsTheTableReadingOnlyWhatItShows) {
  GridClient grid(*table_);
  table_->Open();
  EXPECT_EQ(grid.Rows(), kRows);
  ASSERT_EQ(grid.Shown().size(), 25u);
  EXPECT_EQ(grid.Shown()[1], (std::vector<std::string>{"BO ", "", "1", "0.01"}));
  EXPECT_EQ(grid.Shown()[0][3], "") << "an empty volume";
  const std::uint64_t afterOpen = table_->RecordsRead();
  EXPECT_LE(afterOpen, 65u);

  grid.LastRecord();
  EXPECT_EQ(table_->CurrentRow(), kRows - 1);
  EXPECT_EQ(grid.TopRow(), kRows - 25);
  EXPECT_EQ(grid.Shown().back(), (std::vector<std::string>{"BO ", "", "32707", "327.07"}));
  EXPECT_LE(table_->RecordsRead() - afterOpen, 2u * 64 + 1) << "the end costs the windows shown there";

  grid.Up();
  grid.FirstRecord();
  grid.Down();
  EXPECT_EQ(table_->FieldByName("vyska").AsFloat(), 1.0);
  EXPECT_LT(table_->RecordsRead(), 400u) << "never the whole table";
}

TEST_F(GridTest, ShowsPendingRecordsWhereTheyStand) {
  GridClient grid(*table_);
  table_->Open();
  grid.LastRecord();
  grid.Up();  // on row kRows - 2
  table_->Insert();  // before the current record
  EXPECT_EQ(grid.Rows(), kRows + 1);
  EXPECT_EQ(table_->CurrentRow(), kRows - 2);
  table_->FieldByName("drevina").SetAsString("DB ");
  table_->FieldByName("hmot").SetText("1.5");
  const auto pending = static_cast<std::size_t>(kRows - 2 - grid.TopRow());
  EXPECT_EQ(grid.Shown()[pending], (std::vector<std::string>{"DB ", "", "", "1.5"}));
  EXPECT_EQ(grid.Shown()[pending + 1][2], "32706") << "the rows after it move down one";

  grid.Down();  // posts: the record goes to the end of the file
  EXPECT_EQ(table_->State(), dsBrowse);
  EXPECT_EQ(grid.Rows(), kRows + 1);
  EXPECT_EQ(table_->FieldByName("vyska").AsFloat(), 32706.0) << "the record below the new one";
  grid.LastRecord();
  EXPECT_EQ(grid.Shown().back(), (std::vector<std::string>{"DB ", "", "", "1.5"}));

  grid.FirstRecord();
  table_->Edit();
  table_->FieldByName("vyska").SetText("7");
  EXPECT_EQ(grid.Shown()[0][2], "7");
  grid.LastRecord();  // posts the edit
  grid.FirstRecord();
  EXPECT_EQ(grid.Shown()[0][2], "7");

  table_->Append();
  EXPECT_EQ(table_->CurrentRow(), kRows + 1);
  grid.Up();  // an unchanged new record is dropped
  EXPECT_EQ(grid.Rows(), kRows + 1);
  EXPECT_LT(table_->RecordsRead(), 1000u);
}

}  // namespace
}  // namespace dravlik
