#include "os_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "error_context.h"

namespace dbfe {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) {
    Reset();
    fd_ = other.Release();
  }
  return *this;
}

int FileDescriptor::Reset() noexcept {
  if (fd_ < 0) return 0;
  // close() must not be retried on EINTR: the descriptor is gone either way.
  const int result = ::close(fd_);
  fd_ = -1;
  return result == 0 ? 0 : errno;
}

std::size_t ReadAt(int fd, std::span<std::uint8_t> out, std::uint64_t offset,
                   const std::string& path) {
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::pread(fd, out.data() + done, out.size() - done,
                              static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EngineError(DBFE_ERR_READ_FAILED).Table(path).Os(errno);
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

void ReadExactlyAt(int fd, std::span<std::uint8_t> out, std::uint64_t offset,
                   const std::string& path) {
  if (ReadAt(fd, out, offset, path) != out.size()) {
    throw EngineError(DBFE_ERR_CORRUPT_TABLE)
        .Table(path)
        .Detail("The file ends before byte " + std::to_string(offset + out.size()) + ".");
  }
}

void WriteAt(int fd, std::span<const std::uint8_t> bytes, std::uint64_t offset,
             const std::string& path, dbfe_status status) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                               static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EngineError(status).Table(path).Os(errno);
    }
    // A short count means a limit was hit; the next call reports which.
    done += static_cast<std::size_t>(n);
  }
}

std::uint64_t FileSize(int fd, const std::string& path) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) throw EngineError(DBFE_ERR_READ_FAILED).Table(path).Os(errno);
  return static_cast<std::uint64_t>(info.st_size);
}

namespace {

struct flock RangeOf(short type, std::uint64_t offset, std::uint64_t length) {
  struct flock range {};
  range.l_type = type;
  range.l_whence = SEEK_SET;
  range.l_start = static_cast<off_t>(offset);
  range.l_len = static_cast<off_t>(length);
  range.l_pid = 0;  // required for open file description locks
  return range;
}

}  // namespace

bool TryLockRange(int fd, std::uint64_t offset, std::uint64_t length, const std::string& path) {
  struct flock range = RangeOf(F_WRLCK, offset, length);
  while (::fcntl(fd, F_OFD_SETLK, &range) != 0) {
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EACCES) return false;
    throw EngineError(DBFE_ERR_WRITE_FAILED).Table(path).Os(errno);
  }
  return true;
}

void LockRange(int fd, std::uint64_t offset, std::uint64_t length, const std::string& path) {
  struct flock range = RangeOf(F_WRLCK, offset, length);
  while (::fcntl(fd, F_OFD_SETLKW, &range) != 0) {
    if (errno == EINTR) continue;
    throw EngineError(DBFE_ERR_WRITE_FAILED).Table(path).Os(errno);
  }
}

void UnlockRange(int fd, std::uint64_t offset, std::uint64_t length) noexcept {
  struct flock range = RangeOf(F_UNLCK, offset, length);
  while (::fcntl(fd, F_OFD_SETLK, &range) != 0 && errno == EINTR) {
  }
}

}  // namespace dbfe
