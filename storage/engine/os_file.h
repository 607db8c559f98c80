// Thin wrappers over the file system calls the engine needs, with EINTR
// handled and failures turned into EngineError naming the table.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "engine_api.h"

namespace dbfe {

class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.Release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() { Reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes; returns the errno of a failed close, else 0.
  int Reset() noexcept;

 private:
  int fd_ = -1;
};

// Reads up to out.size() bytes at `offset`; fewer only at the end of the file.
std::size_t ReadAt(int fd, std::span<std::uint8_t> out, std::uint64_t offset,
                   const std::string& path);
// Reads exactly out.size() bytes, else DBFE_ERR_CORRUPT_TABLE (the file ends early).
void ReadExactlyAt(int fd, std::span<std::uint8_t> out, std::uint64_t offset,
                   const std::string& path);
// Writes all bytes; failures give `status` with the OS reason.
void WriteAt(int fd, std::span<const std::uint8_t> bytes, std::uint64_t offset,
             const std::string& path, dbfe_status status = DBFE_ERR_WRITE_FAILED);

std::uint64_t FileSize(int fd, const std::string& path);

// Cuts the file to `length` bytes; 0 or the errno of the failure.
[[nodiscard]] int CutFile(int fd, std::uint64_t length) noexcept;

// Makes the renames and links done in `directory` survive a system crash; 0,
// or the errno of the failure. A file system that cannot sync a directory
// counts as done.
[[nodiscard]] int SyncDirectory(const std::string& directory) noexcept;
// Tests: directory syncs fail with `error_number` from now on (0: they sync
// again), which no file system here can be made to do on demand.
void FailDirectorySyncsForTests(int error_number) noexcept;

// Flushes the file's data and size to the disk; 0 or the errno of the failure.
[[nodiscard]] int SyncFile(int fd) noexcept;

// Tests: the write-type calls made here (writes, allocations, cuts, file and
// directory syncs) succeed `after_calls` times, then fail with `error_number`
// as on a full or failing disk: every one from then on, or only the next
// when `once`. Only the calls of the thread that sets it count, so that the
// engine's own thread, which ends idle runs when it sees fit, never takes a
// failure meant for the test. An `error_number` of 0 ends it.
void FailWritesForTests(int error_number, int after_calls, bool once = false) noexcept;
// Tests: the write-type calls this thread made since FailWritesForTests.
int WriteCallsForTests() noexcept;

// Byte-range locks owned by the open file description (not the process), so
// two cursors of one process exclude each other and closing an unrelated
// descriptor of the same file drops nothing. A shared lock admits other
// shared ones; an exclusive lock admits no other.
enum class LockKind { kShared, kExclusive };
[[nodiscard]] bool TryLockRange(int fd, std::uint64_t offset, std::uint64_t length, const std::string& path,
                  LockKind kind = LockKind::kExclusive);
void UnlockRange(int fd, std::uint64_t offset, std::uint64_t length) noexcept;
// Whether another open file description holds a lock on the range.
bool RangeLockedElsewhere(int fd, std::uint64_t offset, std::uint64_t length) noexcept;

// A shared, writable mapping of part of a file, unmapped when destroyed.
// Stores through it reach the same pages that reads and writes of every
// process see.
class FileMapping {
 public:
  FileMapping() = default;
  // `offset` is a multiple of PageSize(); an invalid mapping when the system
  // refuses (a file system that cannot map files, no address space).
  static FileMapping Map(int fd, std::uint64_t offset, std::size_t length) noexcept;
  FileMapping(FileMapping&& other) noexcept;
  FileMapping& operator=(FileMapping&& other) noexcept;
  FileMapping(const FileMapping&) = delete;
  FileMapping& operator=(const FileMapping&) = delete;
  ~FileMapping() { Reset(); }

  // Takes the write faults of the whole mapping now: a fault that the file
  // system cannot serve then fails here, not in a store. 0, or the errno.
  int PrepareForStores() noexcept;

  bool valid() const { return data_ != nullptr; }
  std::uint8_t* data() const { return data_; }
  std::uint64_t offset() const { return offset_; }
  std::uint64_t end() const { return offset_ + length_; }
  void Reset() noexcept;

 private:
  std::uint8_t* data_ = nullptr;
  std::uint64_t offset_ = 0;
  std::size_t length_ = 0;
};

std::size_t PageSize() noexcept;

// Allocates the file's blocks from `offset` to `end`, making it that long if
// it is shorter, so that stores through a mapping there never meet a full
// disk. 0 or the errno of the failure (ENOSPC, EFBIG, EOPNOTSUPP, ...).
[[nodiscard]] int AllocateRange(int fd, std::uint64_t offset, std::uint64_t end) noexcept;

// The largest size this process may give a file (RLIMIT_FSIZE).
std::uint64_t FileSizeLimit() noexcept;

// Whether the file lives on a local file system that writes allocated blocks
// in place, so that a store into an allocated block cannot fail for lack of
// space (which a mapping could only report by a fatal signal).
bool AllocatedBlocksStayWritable(int fd) noexcept;

}  // namespace dbfe
