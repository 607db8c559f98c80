// Which records of a table are deleted, to turn a row number among the live
// records (sequence number) into a record number and back. With no deleted
// record both ways are O(1); otherwise O(log deleted). Only the deleted records
// take memory.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace dbfe {

class LiveRecords {
 public:
  std::uint32_t total() const { return total_; }
  std::uint32_t live_count() const { return total_ - static_cast<std::uint32_t>(deleted_.size()); }

  // Records from total() on, with their deletion flags ('*' deleted).
  void Extend(std::span<const std::uint8_t> flags);
  void MarkDeleted(std::uint32_t record);
  bool IsDeleted(std::uint32_t record) const;

  // 1-based sequence number of a live record.
  std::uint32_t SeqNoOf(std::uint32_t record) const;
  // Record number of sequence number 1 .. live_count().
  std::uint32_t RecordOf(std::uint32_t seq_no) const;

 private:
  std::uint32_t total_ = 0;
  std::vector<std::uint32_t> deleted_;  // ascending
};

}  // namespace dbfe
