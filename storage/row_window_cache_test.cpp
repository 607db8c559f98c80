// Which windows of rows are kept, which are read again, and what is forgotten.
#include "row_window_cache.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <stdexcept>
#include <utility>
#include <variant>
#include <vector>

namespace dravlik {
namespace {

using Rows = std::vector<RowWindowCache::RowValues>;
using Read = std::pair<int, int>;  // first row, count

// Windows of four rows, three of them kept, over rows whose one value is their
// number plus `offset_`; the reads are recorded.
class RowWindowCacheTest : public ::testing::Test {
 protected:
  static constexpr int kRowCount = 22;  // five full windows, then two rows

  double Value(int row) {
    const auto* number = std::get_if<double>(&cache_.Row(row, kRowCount).at(0));
    return number ? *number : -1;
  }
  // Reads one row of each window, in this order.
  void Visit(std::initializer_list<int> windows) {
    for (const int window : windows) Value(window * 4);
  }

  std::vector<Read> reads_;
  double offset_ = 0;
  bool failing_ = false;
  RowWindowCache cache_{4, 3, [this](int first, int count) {
                          if (failing_) throw std::runtime_error("the engine failed");
                          reads_.emplace_back(first, count);
                          Rows rows;
                          for (int row = first; row < first + count; ++row) rows.push_back({row + offset_});
                          return rows;
                        }};
};

TEST_F(RowWindowCacheTest, ReadsEachWindowOnceWholeAndShowsItsRows) {
  for (int row = 0; row < 12; ++row) EXPECT_EQ(Value(row), row);
  EXPECT_EQ(reads_, (std::vector<Read>{{0, 4}, {4, 4}, {8, 4}}));
  for (int row = 11; row >= 0; --row) EXPECT_EQ(Value(row), row);
  EXPECT_EQ(reads_.size(), 3u) << "rows of kept windows come without a read";

  reads_.clear();
  EXPECT_EQ(Value(21), 21);
  EXPECT_EQ(Value(20), 20);
  EXPECT_EQ(reads_, (std::vector<Read>{{20, 2}})) << "the last window holds only the rows there are";
}

TEST_F(RowWindowCacheTest, ANewWindowTakesThePlaceOfTheOneUsedLongestAgo) {
  Visit({0, 1, 2});
  Visit({0});     // now 1 was used longest ago
  Visit({3});     // evicts 1
  Visit({0, 2, 3});
  EXPECT_EQ(reads_, (std::vector<Read>{{0, 4}, {4, 4}, {8, 4}, {12, 4}}));
  Visit({1});     // read again, evicting 0
  Visit({2, 3});
  EXPECT_EQ(reads_.size(), 5u);
  Visit({0});
  EXPECT_EQ(reads_.back(), (Read{0, 4}));
}

TEST_F(RowWindowCacheTest, ForgetsEverythingKeptWhenTheRowsChange) {
  Visit({0, 1});
  offset_ = 100;
  cache_.Forget();
  EXPECT_EQ(Value(5), 105);
  EXPECT_EQ(Value(0), 100);
  EXPECT_EQ(reads_.size(), 4u);
}

TEST_F(RowWindowCacheTest, AFailedReadCostsNoKeptWindow) {
  Visit({0, 1, 2});
  failing_ = true;
  EXPECT_THROW(Value(12), std::runtime_error);
  Visit({0, 1, 2});
  EXPECT_EQ(reads_.size(), 3u);
}

}  // namespace
}  // namespace dravlik
