#include "table_append.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "error_context.h"
#include "os_file.h"

namespace dbfe {

namespace {

const std::uint8_t kMarker[1] = {kEndOfFile};
const std::uint8_t kLive[1] = {kLiveFlag};

}  // namespace

AppendSteps::AppendSteps(int fd, const TableLayout& layout, std::uint32_t record_count,
                         std::span<const std::uint8_t> record, const std::string& path)
    : fd_(fd),
      place_(layout.RecordOffset(record_count)),
      record_count_(record_count),
      record_(record),
      path_(path),
      date_(Today()) {}

void AppendSteps::Seal() { WriteAt(fd_, kMarker, place_, path_); }

void AppendSteps::WriteBody() {
  // The record's size again: its fields, and the marker in place of its flag.
  std::vector<std::uint8_t> body(record_.size());
  std::copy(record_.begin() + 1, record_.end(), body.begin());
  body.back() = kEndOfFile;
  WriteAt(fd_, body, place_ + 1, path_);
}

void AppendSteps::Reveal() { WriteAt(fd_, kLive, place_, path_); }

void AppendSteps::Count() {
  WriteAt(fd_, EncodeDateAndCount(date_, record_count_ + 1), kDateOffset, path_);
}

void AppendSteps::Undo() noexcept {
  // The step that failed is what the caller reports; these are best effort,
  // and neither can make the table worse.
  try {
    WriteAt(fd_, kMarker, place_, path_);
    if (FileSize(fd_, path_) > place_ + 1) {
      while (::ftruncate(fd_, static_cast<off_t>(place_ + 1)) != 0 && errno == EINTR) {
      }
    }
  } catch (...) {
  }
}

std::uint32_t AppendRecord(int fd, const TableLayout& layout, std::uint32_t record_count,
                           std::span<const std::uint8_t> record, const std::string& path,
                           std::uint64_t file_size) {
  if (record_count == UINT32_MAX) {
    throw EngineError(DBFE_ERR_WRITE_FAILED).Table(path).Detail("The table is full.");
  }
  const bool sealed = file_size == layout.RecordOffset(record_count) + 1;
  AppendSteps steps(fd, layout, record_count, record, path);
  for (const AppendSteps::Step step : AppendSteps::kOrder) {
    if (sealed && step == &AppendSteps::Seal) continue;
    try {
      (steps.*step)();
    } catch (...) {
      steps.Undo();
      throw;
    }
  }
  return record_count;
}

}  // namespace dbfe
