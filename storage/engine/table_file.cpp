#include "table_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "append_lock.h"
#include "error_context.h"
#include "run_reaper.h"
#include "table_append.h"

namespace dbfe {

namespace {

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

// What the file takes on the disk; holes in a sparse file take nothing.
std::uint64_t AllocatedBytes(int fd, const std::string& path) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) throw EngineError(DBFE_ERR_READ_FAILED).Table(path).Os(errno);
  return static_cast<std::uint64_t>(info.st_blocks) * 512;
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
    TableFile table(path, std::move(fd), !writable);
    table.ReadLayout();
    if (writable) table.StartAppendRuns({info.st_dev, info.st_ino}, share == DBFE_EXCLUSIVE);
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
    CheckRecordsAllocated(layout_, AllocatedBytes(fd_.get(), path_));
  } catch (EngineError& error) {
    error.Table(path_);
    throw;
  }
}

// A cursor that has the file to itself appends without the append lock.
void TableFile::StartAppendRuns(FileIdentity file, bool exclusive) {
  run_ = std::make_shared<AppendRun>(fd_.get(), path_, file, layout_, AppendRun::Options{.shared = !exclusive});
  WatchRun(run_);
}

TableFile::~TableFile() {
  // Before the descriptor closes; a cut that fails leaves a whole table.
  if (run_) run_->End();
}

void TableFile::EndAppendRun() {
  if (run_) run_->End();
}

std::uint32_t TableFile::ReadRecordCount() const {
  return ReadHeaderCount(fd_.get(), layout_, layout_.record_count, path_).record_count;
}

std::uint32_t TableFile::RefreshRecordCount() {
  EndAppendRun();
  layout_.record_count = ReadRecordCount();
  return layout_.record_count;
}

void TableFile::ReadRecord(std::uint32_t record, std::span<std::uint8_t> out) {
  EndAppendRun();
  ReadExactlyAt(fd_.get(), out.first(layout_.record_length), layout_.RecordOffset(record), path_);
}

void TableFile::ReadRecords(std::uint32_t first, std::uint32_t count, std::span<std::uint8_t> out) {
  EndAppendRun();
  ReadExactlyAt(fd_.get(), out.first(std::size_t{count} * layout_.record_length), layout_.RecordOffset(first), path_);
}

void TableFile::ReadFlags(std::uint32_t first,
                          const std::function<void(std::span<const std::uint8_t>)>& take) {
  EndAppendRun();
  constexpr std::uint32_t kChunkBytes = 1 << 20;
  const std::uint32_t per_chunk = std::max<std::uint32_t>(1, kChunkBytes / layout_.record_length);
  std::vector<std::uint8_t> chunk;
  std::vector<std::uint8_t> flags;
  for (std::uint32_t record = first; record < layout_.record_count;) {
    const std::uint32_t n = std::min(per_chunk, layout_.record_count - record);
    chunk.resize(std::size_t{n} * layout_.record_length);
    ReadExactlyAt(fd_.get(), chunk, layout_.RecordOffset(record), path_);
    flags.resize(n);
    for (std::uint32_t i = 0; i < n; ++i) flags[i] = chunk[std::size_t{i} * layout_.record_length];
    take(flags);
    record += n;
  }
}

void TableFile::RequireWritable() const {
  if (read_only_) throw EngineError(DBFE_ERR_TABLE_READ_ONLY).Table(path_);
}

std::uint32_t TableFile::Append(std::span<const std::uint8_t> record) {
  RequireWritable();
  changed_ = true;
  const std::uint32_t number = run_->Append(record, layout_.record_count);
  layout_.record_count = number + 1;
  return number;
}

void TableFile::SetLockWait(std::chrono::milliseconds wait) {
  lock_wait_ = wait;
  if (run_) run_->set_lock_wait(wait);
}

// Under the append lock, before the change, so that a change is made only
// when its date can be stamped: a failed change then leaves the record as it was.
void TableFile::StampDate() {
  const auto bytes = EncodeDateAndCount(Today(), 0);
  WriteAt(fd_.get(), std::span(bytes).first(3), kDateOffset, path_);
}

void TableFile::WriteFields(std::uint32_t record, std::span<const std::uint8_t> bytes) {
  RequireWritable();
  EndAppendRun();
  const AppendLockGuard lock(fd_.get(), path_, lock_wait_);
  changed_ = true;
  StampDate();
  WriteAt(fd_.get(), bytes.subspan(1, layout_.record_length - 1), layout_.RecordOffset(record) + 1, path_);
}

void TableFile::WriteFlag(std::uint32_t record, std::uint8_t flag) {
  RequireWritable();
  EndAppendRun();
  const AppendLockGuard lock(fd_.get(), path_, lock_wait_);
  changed_ = true;
  StampDate();
  const std::uint8_t bytes[1] = {flag};
  WriteAt(fd_.get(), bytes, layout_.RecordOffset(record), path_);
}

bool TableFile::TryLockRecord(std::uint32_t record) {
  EndAppendRun();
  return TryLockRange(fd_.get(), layout_.RecordOffset(record), layout_.record_length, path_);
}

void TableFile::UnlockRecord(std::uint32_t record) noexcept {
  UnlockRange(fd_.get(), layout_.RecordOffset(record), layout_.record_length);
}

void TableFile::SyncChanges() {
  EndAppendRun();
  if (run_) {
    if (const int error = run_->TakeCutError()) {
      throw EngineError(DBFE_ERR_WRITE_FAILED)
          .Table(path_)
          .Detail("The file keeps spare bytes after its end marker.")
          .Os(error);
    }
  }
  if (!changed_) return;
  if (const int error = SyncFile(fd_.get())) throw EngineError(DBFE_ERR_WRITE_FAILED).Table(path_).Os(error);
  changed_ = false;
}

}  // namespace dbfe
