#include "csv_block_reader.h"

#include "csv_records.h"

namespace dravlik {
namespace {

constexpr std::size_t kReadSize = std::size_t{1} << 20;

}  // namespace

// Linear in the input, though each scan for record ends starts at the front
// of `pending_`: the front is the start of a record not yet handed out, so
// only an unfinished record is scanned again, once per fill of kReadSize new
// bytes, and one still open after kMaxRecordBytes is refused.
bool CsvBlockReader::Next(std::string& block, std::size_t size) {
  while (!ended_ && pending_.size() < size) Fill();
  std::size_t end = EndOfRecords();
  while (end == 0 && !ended_) {
    if (pending_.size() > kMaxRecordBytes) Unended();
    Fill();
    end = EndOfRecords();
  }
  if (end == 0) {
    if (pending_.empty()) return false;
    Unended();
  }
  block.assign(pending_, 0, end);
  pending_.erase(0, end);
  return true;
}

// Reads until kReadSize bytes came or the input ended, so that a pipe that
// gives a few bytes at a time costs no more than one that gives many.
void CsvBlockReader::Fill() {
  const std::size_t had = pending_.size();
  pending_.resize(had + kReadSize);
  std::size_t filled = had;
  try {
    while (filled < pending_.size()) {
      const std::size_t got = read_(pending_.data() + filled, pending_.size() - filled);
      if (got == 0) {
        ended_ = true;
        break;
      }
      filled += got;
    }
  } catch (const std::exception& e) {
    pending_.resize(filled);
    throw CsvInputError(e.what(), CountLineBreaks(pending_));
  }
  pending_.resize(filled);
}

std::size_t CsvBlockReader::EndOfRecords() const { return EndOfWholeRecords(pending_, delimiter_, ended_); }

void CsvBlockReader::Unended() const {
  if (LeavesQuoteOpen(pending_, delimiter_)) {
    throw CsvInputError(ended_ ? "a quoted field opened here does not close before the end of the input"
                               : "a quoted field opened here does not close within 1 MiB",
                        0);
  }
  throw CsvInputError(kRecordTooLong, 0);
}

}  // namespace dravlik
