#include "table_append.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>

#include "error_context.h"
#include "os_file.h"

namespace dbfe {

void FileTarget::PutByte(std::uint64_t offset, std::uint8_t byte) {
  const std::uint8_t bytes[1] = {byte};
  WriteAt(fd_, bytes, offset, path_);
}

void FileTarget::PutBody(std::uint64_t offset, std::span<const std::uint8_t> fields) {
  body_.assign(fields.begin(), fields.end());
  body_.push_back(kEndOfFile);
  WriteAt(fd_, body_, offset, path_);
}

void FileTarget::PutCount(std::uint32_t record_count) {
  WriteAt(fd_, EncodeDateAndCount(date_, record_count), kDateOffset, path_);
}

void FileTarget::Restore(std::uint64_t place) noexcept {
  // The step that failed is what the caller reports; these are best effort,
  // and neither can make the table worse.
  try {
    PutByte(place, kEndOfFile);
    if (FileSize(fd_, path_) > place + 1) (void)CutFile(fd_, place + 1);
  } catch (...) {
  }
}

namespace {

// Orders the stores before it ahead of those after it, for other processes
// too; on x86 it only keeps the compiler from moving them.
void StoreFence() { std::atomic_thread_fence(std::memory_order_release); }

}  // namespace

void MappedTarget::Start(std::uint8_t* header, HeaderDate date) {
  header_ = header;
  date_ = date;
  dated_ = false;
}

void MappedTarget::SetWindow(std::uint8_t* window, std::uint64_t offset) {
  window_ = window;
  window_offset_ = offset;
}

void MappedTarget::PutByte(std::uint64_t offset, std::uint8_t byte) {
  window_[offset - window_offset_] = byte;
  StoreFence();
}

void MappedTarget::PutBody(std::uint64_t offset, std::span<const std::uint8_t> fields) {
  std::uint8_t* at = window_ + (offset - window_offset_);
  // In small pieces: a large copy may use weakly ordered stores, which the
  // fence would not keep ahead of the reveal.
  constexpr std::size_t kPiece = 4096;
  for (std::size_t done = 0; done < fields.size(); done += kPiece) {
    std::memcpy(at + done, fields.data() + done, std::min(kPiece, fields.size() - done));
  }
  at[fields.size()] = kEndOfFile;
  StoreFence();
}

void MappedTarget::PutCount(std::uint32_t record_count) {
  if (!dated_) {
    const auto bytes = EncodeDateAndCount(date_, 0);
    std::copy_n(bytes.begin(), 3, header_ + kDateOffset);
    dated_ = true;
  }
  std::uint32_t little_endian = record_count;
  if constexpr (std::endian::native == std::endian::big) {
    little_endian = __builtin_bswap32(record_count);
  }
  // The mapping starts on a page, so the count at byte 4 is aligned.
  std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(header_ + kRecordCountOffset))
      .store(little_endian, std::memory_order_release);
}

void MappedTarget::Restore(std::uint64_t place) noexcept { window_[place - window_offset_] = kEndOfFile; }

void AppendSteps::Seal() { target_.PutByte(place_, kEndOfFile); }

void AppendSteps::WriteBody() { target_.PutBody(place_ + 1, record_.subspan(1)); }

void AppendSteps::Reveal() { target_.PutByte(place_, kLiveFlag); }

void AppendSteps::Count() { target_.PutCount(record_count_ + 1); }

void AppendRecord(AppendTarget& target, std::uint64_t place, std::uint32_t record_count,
                  std::span<const std::uint8_t> record, bool sealed) {
  AppendSteps steps(target, place, record_count, record);
  for (const AppendSteps::Step step : AppendSteps::kOrder) {
    if (sealed && step == &AppendSteps::Seal) continue;
    try {
      (steps.*step)();
    } catch (...) {
      steps.Undo();
      throw;
    }
  }
}

HeaderCount ReadHeaderCount(int fd, const TableLayout& layout, std::uint32_t known,
                            const std::string& path) {
  std::uint8_t bytes[4];
  ReadExactlyAt(fd, bytes, kRecordCountOffset, path);
  const HeaderCount now{ParseRecordCount(bytes), FileSize(fd, path)};
  try {
    if (now.record_count < known) {
      throw EngineError(DBFE_ERR_CORRUPT_TABLE)
          .Detail("The header's record count fell from " + std::to_string(known) + " to " +
                  std::to_string(now.record_count) + ".");
    }
    CheckRecordsFit(layout, now.record_count, now.file_size);
  } catch (EngineError& error) {
    error.Table(path);
    throw;
  }
  return now;
}

}  // namespace dbfe
