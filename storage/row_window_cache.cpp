#include "row_window_cache.h"

#include <algorithm>
#include <utility>

namespace dravlik {

RowWindowCache::RowWindowCache(int rowsPerWindow, std::size_t windowsKept, ReadRows read)
    : rowsPerWindow_(rowsPerWindow), windowsKept_(windowsKept), read_(std::move(read)) {}

const RowWindowCache::RowValues& RowWindowCache::Row(int row, int rowCount) {
  const int first = row / rowsPerWindow_ * rowsPerWindow_;
  const auto kept = std::find_if(windows_.begin(), windows_.end(), [&](const Window& w) { return w.first == first; });
  if (kept != windows_.end()) {
    // Rows are mostly read window after window: the one in use stays in front.
    windows_.splice(windows_.begin(), windows_, kept);
  } else {
    // Read before evicting, so that a failed read costs no window.
    Window window{first, read_(first, std::min(rowsPerWindow_, rowCount - first))};
    if (windows_.size() >= windowsKept_) windows_.pop_back();
    windows_.push_front(std::move(window));
  }
  return windows_.front().rows.at(static_cast<std::size_t>(row - first));
}

}  // namespace dravlik
