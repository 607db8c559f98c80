#include "os_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

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

namespace {

// Set by tests only: the normal path pays one relaxed load per call.
struct WriteFailureSeam {
  std::atomic<bool> set{false};
  std::atomic<std::thread::id> thread;
  // Touched only by `thread`.
  int error_number = 0;
  int failing_call = 0;
  bool once = false;
  int calls = 0;
};

WriteFailureSeam write_seam;

// 0, or the errno this write-type call is to fail with.
int InjectedWriteFailure() noexcept {
  if (!write_seam.set.load(std::memory_order_relaxed)) [[likely]] return 0;
  if (write_seam.thread.load(std::memory_order_acquire) != std::this_thread::get_id()) return 0;
  const int call = write_seam.calls++;
  const bool fails = write_seam.once ? call == write_seam.failing_call : call >= write_seam.failing_call;
  return fails ? write_seam.error_number : 0;
}

// A write-type system call, or the failure the seam puts in its place.
template <typename SystemCall>
auto Seamed(SystemCall call) {
  if (const int error = InjectedWriteFailure()) {
    errno = error;
    return decltype(call())(-1);
  }
  return call();
}

}  // namespace

void FailWritesForTests(int error_number, int after_calls, bool once) noexcept {
  write_seam.set.store(false, std::memory_order_relaxed);
  write_seam.error_number = error_number;
  write_seam.failing_call = after_calls;
  write_seam.once = once;
  write_seam.calls = 0;
  write_seam.thread.store(std::this_thread::get_id(), std::memory_order_release);
  write_seam.set.store(error_number != 0, std::memory_order_relaxed);
}

int WriteCallsForTests() noexcept { return write_seam.calls; }

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
    const ssize_t n = Seamed([&] {
      return ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    });
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

int CutFile(int fd, std::uint64_t length) noexcept {
  while (Seamed([&] { return ::ftruncate(fd, static_cast<off_t>(length)); }) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

namespace {

std::atomic<int> directory_sync_failure{0};

}  // namespace

int SyncDirectory(const std::string& directory) noexcept {
  if (const int error = directory_sync_failure.load(std::memory_order_relaxed)) return error;
  const FileDescriptor fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.valid()) return errno;
  while (Seamed([&] { return ::fsync(fd.get()); }) != 0) {
    if (errno == EINTR) continue;
    return errno == EINVAL ? 0 : errno;  // EINVAL: the file system cannot sync directories
  }
  return 0;
}

int SyncFile(int fd) noexcept {
  while (Seamed([&] { return ::fsync(fd); }) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

void FailDirectorySyncsForTests(int error_number) noexcept {
  directory_sync_failure.store(error_number, std::memory_order_relaxed);
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

bool TryLockRange(int fd, std::uint64_t offset, std::uint64_t length, const std::string& path,
                  LockKind kind) {
  struct flock range = RangeOf(kind == LockKind::kShared ? F_RDLCK : F_WRLCK, offset, length);
  while (::fcntl(fd, F_OFD_SETLK, &range) != 0) {
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EACCES) return false;
    throw EngineError(DBFE_ERR_WRITE_FAILED).Table(path).Os(errno);
  }
  return true;
}

void UnlockRange(int fd, std::uint64_t offset, std::uint64_t length) noexcept {
  struct flock range = RangeOf(F_UNLCK, offset, length);
  while (::fcntl(fd, F_OFD_SETLK, &range) != 0 && errno == EINTR) {
  }
}

bool RangeLockedElsewhere(int fd, std::uint64_t offset, std::uint64_t length) noexcept {
  struct flock range = RangeOf(F_WRLCK, offset, length);
  // A failed query answers "no": the caller then only keeps a lock it holds.
  return ::fcntl(fd, F_OFD_GETLK, &range) == 0 && range.l_type != F_UNLCK;
}

FileMapping FileMapping::Map(int fd, std::uint64_t offset, std::size_t length) noexcept {
  FileMapping mapping;
  void* data = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, static_cast<off_t>(offset));
  if (data == MAP_FAILED) return mapping;
  mapping.data_ = static_cast<std::uint8_t*>(data);
  mapping.offset_ = offset;
  mapping.length_ = length;
  return mapping;
}

FileMapping::FileMapping(FileMapping&& other) noexcept
    : data_(other.data_), offset_(other.offset_), length_(other.length_) {
  other.data_ = nullptr;
}

FileMapping& FileMapping::operator=(FileMapping&& other) noexcept {
  if (this != &other) {
    Reset();
    data_ = other.data_;
    offset_ = other.offset_;
    length_ = other.length_;
    other.data_ = nullptr;
  }
  return *this;
}

int FileMapping::PrepareForStores() noexcept {
  while (::madvise(data_, length_, MADV_POPULATE_WRITE) != 0) {
    if (errno == EINTR) continue;
    // Kernels before 5.14 do not know the advice; stores then fault one page at a time.
    return errno == EINVAL ? 0 : errno;
  }
  return 0;
}

void FileMapping::Reset() noexcept {
  if (data_ != nullptr) ::munmap(data_, length_);
  data_ = nullptr;
}

std::size_t PageSize() noexcept {
  static const std::size_t size = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  return size;
}

int AllocateRange(int fd, std::uint64_t offset, std::uint64_t end) noexcept {
  while (Seamed([&] {
    return ::fallocate(fd, 0, static_cast<off_t>(offset), static_cast<off_t>(end - offset));
  }) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

std::uint64_t FileSizeLimit() noexcept {
  rlimit limit{};
  if (::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return UINT64_MAX;
  return limit.rlim_cur;
}

bool AllocatedBlocksStayWritable(int fd) noexcept {
  // Copy-on-write and network file systems may need new space, or the
  // server's, for a store into an allocated block.
  constexpr long kExt234 = 0xEF53;
  constexpr long kXfs = 0x58465342;
  constexpr long kTmpfs = 0x01021994;
  constexpr long kOverlay = 0x794C7630;  // passes mappings to the file system below
  struct statfs info {};
  if (::fstatfs(fd, &info) != 0) return false;
  const long type = static_cast<long>(info.f_type);
  return type == kExt234 || type == kXfs || type == kTmpfs || type == kOverlay;
}

}  // namespace dbfe
