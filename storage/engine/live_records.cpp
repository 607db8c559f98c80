#include "live_records.h"

#include <algorithm>

#include "file_layout.h"

namespace dbfe {

void LiveRecords::Extend(std::span<const std::uint8_t> flags) {
  for (const std::uint8_t flag : flags) {
    if (flag == kDeletedFlag) deleted_.push_back(total_);
    ++total_;
  }
}

void LiveRecords::MarkDeleted(std::uint32_t record) {
  const auto at = std::lower_bound(deleted_.begin(), deleted_.end(), record);
  if (at == deleted_.end() || *at != record) deleted_.insert(at, record);
}

bool LiveRecords::IsDeleted(std::uint32_t record) const {
  return std::binary_search(deleted_.begin(), deleted_.end(), record);
}

std::uint32_t LiveRecords::SeqNoOf(std::uint32_t record) const {
  const auto before = std::lower_bound(deleted_.begin(), deleted_.end(), record) - deleted_.begin();
  return record - static_cast<std::uint32_t>(before) + 1;
}

std::uint32_t LiveRecords::RecordOf(std::uint32_t seq_no) const {
  // The wanted record is preceded by seq_no - 1 live records and by every
  // deleted record d_i with d_i - i <= seq_no - 1 (d_i - i never falls).
  const std::uint32_t live_before = seq_no - 1;
  std::size_t low = 0;
  std::size_t high = deleted_.size();
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (deleted_[middle] - middle <= live_before) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return live_before + static_cast<std::uint32_t>(low);
}

}  // namespace dbfe
