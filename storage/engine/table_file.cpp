#include "table_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "error_context.h"
#include "table_append.h"

namespace dbfe {

namespace {

// Far past any record, so that it never meets a record lock.
constexpr std::uint64_t kAppendLockOffset = std::uint64_t{1} << 62;
constexpr int kOpenAttempts = 5;

bool MeansReadOnly(int error_number) {
  return error_number == EACCES || error_number == EROFS || error_number == EPERM ||
         error_number == ETXTBSY;
}

bool CanOpenForReading(const std::string& path) {
  FileDescriptor probe(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  return probe.valid();
}

[[noreturn]] void ThrowOpenFailure(const std::string& path, bool writable, int error_number) {
  if (error_number == ENOENT) throw EngineError(DBFE_ERR_TABLE_NOT_FOUND).Table(path).Os(error_number);
  if (writable && MeansReadOnly(error_number) && CanOpenForReading(path)) {
    throw EngineError(DBFE_ERR_READ_ONLY_ACCESS).Table(path).Os(error_number);
  }
  throw EngineError(DBFE_ERR_OPEN_FAILED).Table(path).Os(error_number);
}

// O_NONBLOCK keeps a FIFO in the table's place from hanging the open.
FileDescriptor OpenRegularFile(const std::string& path, bool writable, struct stat& info) {
  const int flags = (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
  FileDescriptor fd(::open(path.c_str(), flags));
  if (!fd.valid()) ThrowOpenFailure(path, writable, errno);
  if (::fstat(fd.get(), &info) != 0) throw EngineError(DBFE_ERR_OPEN_FAILED).Table(path).Os(errno);
  if (!S_ISREG(info.st_mode)) {
    throw EngineError(DBFE_ERR_OPEN_FAILED).Table(path).Detail("The path is not a regular file.");
  }
  const int status = ::fcntl(fd.get(), F_GETFL);
  if (status < 0 || ::fcntl(fd.get(), F_SETFL, status & ~O_NONBLOCK) != 0) {
    throw EngineError(DBFE_ERR_OPEN_FAILED).Table(path).Os(errno);
  }
  return fd;
}

void LockWholeFile(int fd, const std::string& path, dbfe_share_mode share) {
  const int operation = (share == DBFE_EXCLUSIVE ? LOCK_EX : LOCK_SH) | LOCK_NB;
  while (::flock(fd, operation) != 0) {
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) throw EngineError(DBFE_ERR_TABLE_IN_USE).Table(path);
    throw EngineError(DBFE_ERR_OPEN_FAILED).Table(path).Os(errno);
  }
}

// A table replaced between our open and our lock would leave us on the old
// file; the caller then opens again.
bool StillAtPath(const std::string& path, const struct stat& opened) {
  struct stat now {};
  return ::stat(path.c_str(), &now) == 0 && now.st_dev == opened.st_dev && now.st_ino == opened.st_ino;
}

}  // namespace

TableFile TableFile::Open(const std::string& path, dbfe_open_mode mode, dbfe_share_mode share) {
  const bool writable = mode == DBFE_READ_WRITE;
  for (int attempt = 1;; ++attempt) {
    struct stat info {};
    FileDescriptor fd = OpenRegularFile(path, writable, info);
    LockWholeFile(fd.get(), path, share);
    if (!StillAtPath(path, info)) {
      if (attempt < kOpenAttempts) continue;
      throw EngineError(DBFE_ERR_TABLE_IN_USE).Table(path).Detail("The table is being replaced.");
    }
    TableFile table(path, std::move(fd), !writable, share == DBFE_EXCLUSIVE);
    table.ReadLayout();
    return table;
  }
}

void TableFile::ReadLayout() {
  try {
    std::uint8_t prologue[kPrologueSize];
    ReadExactlyAt(fd_.get(), prologue, 0, path_);
    const std::uint16_t header_length = ParsePrologue(prologue).header_length;
    // At most 64 KiB, whatever the file says.
    std::vector<std::uint8_t> header(std::max<std::size_t>(header_length, kPrologueSize));
    const std::size_t got = ReadAt(fd_.get(), header, 0, path_);
    header.resize(got);
    // The size after the count: appenders write a record before counting it.
    layout_ = ParseHeader(header, FileSize(fd_.get(), path_));
  } catch (EngineError& error) {
    error.Table(path_);
    throw;
  }
}

std::uint32_t TableFile::ReadRecordCount() const {
  std::uint8_t bytes[4];
  ReadExactlyAt(fd_.get(), bytes, kRecordCountOffset, path_);
  const std::uint32_t count = ParseRecordCount(bytes);
  try {
    // The size after the count: appenders write a record before counting it.
    if (count < layout_.record_count) {
      throw EngineError(DBFE_ERR_CORRUPT_TABLE)
          .Detail("The header's record count fell from " + std::to_string(layout_.record_count) +
                  " to " + std::to_string(count) + ".");
    }
    CheckRecordsFit(layout_, count, FileSize(fd_.get(), path_));
  } catch (EngineError& error) {
    error.Table(path_);
    throw;
  }
  return count;
}

std::uint32_t TableFile::RefreshRecordCount() {
  layout_.record_count = ReadRecordCount();
  return layout_.record_count;
}

void TableFile::ReadRecord(std::uint32_t record, std::span<std::uint8_t> out) const {
  ReadExactlyAt(fd_.get(), out.first(layout_.record_length), layout_.RecordOffset(record), path_);
}

std::vector<std::uint8_t> TableFile::ReadFlags(std::uint32_t first, std::uint32_t count) const {
  constexpr std::uint32_t kChunkBytes = 1 << 20;
  const std::uint32_t per_chunk = std::max<std::uint32_t>(1, kChunkBytes / layout_.record_length);
  std::vector<std::uint8_t> flags;
  flags.reserve(count);
  std::vector<std::uint8_t> chunk;
  for (std::uint32_t done = 0; done < count;) {
    const std::uint32_t n = std::min(per_chunk, count - done);
    chunk.resize(std::size_t{n} * layout_.record_length);
    ReadExactlyAt(fd_.get(), chunk, layout_.RecordOffset(first + done), path_);
    for (std::uint32_t i = 0; i < n; ++i) flags.push_back(chunk[std::size_t{i} * layout_.record_length]);
    done += n;
  }
  return flags;
}

void TableFile::RequireWritable() const {
  if (read_only_) throw EngineError(DBFE_ERR_TABLE_READ_ONLY).Table(path_);
}

std::uint32_t TableFile::Append(std::span<const std::uint8_t> record) {
  RequireWritable();
  if (exclusive_) return AppendAlone(record);
  RangeLock lock(fd_.get(), kAppendLockOffset, 1, path_);
  // A file that ends one marker past the records this cursor knows of holds
  // no more: anyone's append, whole or killed, leaves it longer.
  std::uint32_t count = layout_.record_count;
  std::uint64_t size = FileSize(fd_.get(), path_);
  if (size != layout_.RecordOffset(count) + 1) {
    count = ReadRecordCount();
    size = FileSize(fd_.get(), path_);
  }
  changed_ = true;
  const std::uint32_t number = AppendRecord(fd_.get(), layout_, count, record, path_, size);
  layout_.record_count = count + 1;
  return number;
}

std::uint32_t TableFile::AppendAlone(std::span<const std::uint8_t> record) {
  const std::uint32_t count = layout_.record_count;
  const std::uint64_t ends = layout_.RecordOffset(count) + 1;
  const std::uint64_t size = ends_after_records_ ? ends : FileSize(fd_.get(), path_);
  changed_ = true;
  ends_after_records_ = false;
  const std::uint32_t number = AppendRecord(fd_.get(), layout_, count, record, path_, size);
  layout_.record_count = count + 1;
  ends_after_records_ = true;
  return number;
}

void TableFile::StampDate() {
  RangeLock lock(fd_.get(), kAppendLockOffset, 1, path_);
  const auto bytes = EncodeDateAndCount(Today(), 0);
  WriteAt(fd_.get(), std::span(bytes).first(3), kDateOffset, path_);
}

void TableFile::WriteFields(std::uint32_t record, std::span<const std::uint8_t> bytes) {
  RequireWritable();
  changed_ = true;
  WriteAt(fd_.get(), bytes.subspan(1, layout_.record_length - 1), layout_.RecordOffset(record) + 1, path_);
  StampDate();
}

void TableFile::WriteFlag(std::uint32_t record, std::uint8_t flag) {
  RequireWritable();
  changed_ = true;
  const std::uint8_t bytes[1] = {flag};
  WriteAt(fd_.get(), bytes, layout_.RecordOffset(record), path_);
  StampDate();
}

bool TableFile::TryLockRecord(std::uint32_t record) {
  return TryLockRange(fd_.get(), layout_.RecordOffset(record), layout_.record_length, path_);
}

void TableFile::UnlockRecord(std::uint32_t record) noexcept {
  UnlockRange(fd_.get(), layout_.RecordOffset(record), layout_.record_length);
}

void TableFile::SyncChanges() {
  if (!changed_) return;
  while (::fsync(fd_.get()) != 0) {
    if (errno == EINTR) continue;
    throw EngineError(DBFE_ERR_WRITE_FAILED).Table(path_).Os(errno);
  }
  changed_ = false;
}

}  // namespace dbfe
