// The rows a grid shows, kept in windows of consecutive rows that are read in
// one go: a grid scrolling through a large table reads each window once, and
// jumping to its end reads only the windows shown there. A few windows are
// kept; a new one takes the place of the one used longest ago.
#pragma once

#include <cstddef>
#include <functional>
#include <list>
#include <vector>

#include "field.h"

namespace dravlik {

class RowWindowCache {
 public:
  using RowValues = std::vector<FieldValue>;
  // Reads `count` rows from row `first` on: all of them, or raises.
  using ReadRows = std::function<std::vector<RowValues>(int first, int count)>;

  RowWindowCache(int rowsPerWindow, std::size_t windowsKept, ReadRows read);

  // Row `row` (0 <= row < rowCount) of `rowCount` rows. The reference holds
  // until the next call.
  const RowValues& Row(int row, int rowCount);
  // The rows have changed: nothing kept may be shown again.
  void Forget() { windows_.clear(); }

 private:
  struct Window {
    int first;  // its first row
    std::vector<RowValues> rows;
  };

  int rowsPerWindow_;
  std::size_t windowsKept_;
  ReadRows read_;
  std::list<Window> windows_;  // the one used last first
};

}  // namespace dravlik
