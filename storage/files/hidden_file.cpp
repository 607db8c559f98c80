#include "hidden_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <random>

namespace dravlik {
namespace {

constexpr int kNameAttempts = 100;
constexpr const char* kSuffix = ".tmp";

std::uint64_t RandomSeed() {
  std::random_device device;
  return (std::uint64_t{device()} << 32) ^ static_cast<std::uint64_t>(
                                              std::chrono::steady_clock::now().time_since_epoch().count()) ^
         static_cast<std::uint64_t>(::getpid());
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool TryExclusiveLock(int fd) {
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

// A cleaner may lock and remove a file between its creation and its
// writer's lock; the writer then finds its name gone and tries another.
bool LockCreated(int fd, const std::string& name) {
  if (TryExclusiveLock(fd) && StillNamed(fd, name)) return true;
  ::close(fd);
  return false;
}

bool IsLeftover(int directory_fd, const char* name) {
  const int fd = ::openat(directory_fd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  struct stat held {}, named {};
  const bool leftover = ::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid() &&
                        TryExclusiveLock(fd) && ::fstatat(directory_fd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                        SameFile(held, named);
  ::close(fd);
  return leftover;
}

}  // namespace

bool StillNamed(int fd, const std::string& name) {
  struct stat held {}, named {};
  return ::fstat(fd, &held) == 0 && ::lstat(name.c_str(), &named) == 0 && SameFile(held, named);
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string HiddenSibling(const std::string& path, const std::string& suffix) {
  // Appended, not literal + string: g++ 12 at -O3 warns falsely (-Wrestrict) on that.
  return std::string(DirectoryOf(path)).append("/.").append(FileNameOf(path)).append(suffix);
}

int CreateHiddenFile(const std::string& path, mode_t mode, bool locked, std::string& name) {
  std::mt19937_64 random(RandomSeed());
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string suffix(1, '.');
    suffix.append(std::to_string(random() % 1000000000)).append(kSuffix);
    name = HiddenSibling(path, suffix);
    const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, mode);
    if (fd < 0) {
      if (errno != EEXIST) return -1;
      continue;
    }
    if (!locked || LockCreated(fd, name)) return fd;
  }
  name.clear();
  errno = EEXIST;
  return -1;
}

bool IsLeftoverName(const std::string& name, const std::string& target_name) {
  const std::string prefix = "." + target_name + ".";
  const std::string suffix = kSuffix;
  if (name.size() <= prefix.size() + suffix.size()) return false;
  if (name.compare(0, prefix.size(), prefix) != 0) return false;
  if (name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) return false;
  for (std::size_t i = prefix.size(); i < name.size() - suffix.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return true;
}

void RemoveLeftovers(const std::string& path) noexcept {
  try {
    const std::string target_name = FileNameOf(path);
    const std::unique_ptr<DIR, int (*)(DIR*)> directory(::opendir(DirectoryOf(path).c_str()), ::closedir);
    if (!directory) return;
    const int directory_fd = ::dirfd(directory.get());
    while (const dirent* entry = ::readdir(directory.get())) {
      if (IsLeftoverName(entry->d_name, target_name) && IsLeftover(directory_fd, entry->d_name)) {
        ::unlinkat(directory_fd, entry->d_name, 0);
      }
    }
  } catch (...) {
    // Out of memory for a name: the leftovers wait for the next run.
  }
}

}  // namespace dravlik
