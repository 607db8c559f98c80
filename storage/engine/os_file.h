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

// Byte-range locks owned by the open file description (not the process), so
// two cursors of one process exclude each other and closing an unrelated
// descriptor of the same file drops nothing.
bool TryLockRange(int fd, std::uint64_t offset, std::uint64_t length, const std::string& path);
void LockRange(int fd, std::uint64_t offset, std::uint64_t length, const std::string& path);
void UnlockRange(int fd, std::uint64_t offset, std::uint64_t length) noexcept;

class RangeLock {
 public:
  RangeLock(int fd, std::uint64_t offset, std::uint64_t length, const std::string& path)
      : fd_(fd), offset_(offset), length_(length) {
    LockRange(fd, offset, length, path);
  }
  RangeLock(const RangeLock&) = delete;
  RangeLock& operator=(const RangeLock&) = delete;
  ~RangeLock() { UnlockRange(fd_, offset_, length_); }

 private:
  int fd_;
  std::uint64_t offset_;
  std::uint64_t length_;
};

}  // namespace dbfe
