#include "output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "file_attributes.h"
#include "hidden_file.h"

namespace dravlik {
namespace {

constexpr int kLinksFollowed = 8;

// N when `path` is "/dev/fd/N", "/proc/self/fd/N" or "/proc/PID/fd/N" of this
// process.
std::optional<int> DescriptorNumber(const std::string& path) {
  const std::string own = "/proc/" + std::to_string(::getpid()) + "/fd/";
  for (const std::string& prefix : {std::string("/dev/fd/"), std::string("/proc/self/fd/"), own}) {
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string digits = path.substr(prefix.size());
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    return std::stoi(digits);
  }
  return std::nullopt;
}

// The descriptor a path names, also through links to it (/dev/stdout).
std::optional<int> NamedDescriptor(std::string path) {
  for (int link = 0; link <= kLinksFollowed; ++link) {
    if (const auto number = DescriptorNumber(path)) return number;
    char target[4096];
    const ssize_t length = ::readlink(path.c_str(), target, sizeof target - 1);
    if (length <= 0) return std::nullopt;
    const std::string next(target, static_cast<std::size_t>(length));
    path = next.front() == '/' ? next : DirectoryOf(path) + "/" + next;
  }
  return std::nullopt;
}

bool WrittenDirectly(const struct stat& info) {
  return S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode);
}

}  // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
  if (const auto descriptor = NamedDescriptor(path_)) {
    fd_ = ::fcntl(*descriptor, F_DUPFD_CLOEXEC, 0);
    if (fd_ < 0) Fail(errno);
    return;
  }
  struct stat target {};
  const bool exists = ::stat(path_.c_str(), &target) == 0;
  if (!exists && errno != ENOENT) Fail(errno);
  if (exists && WrittenDirectly(target)) {
    OpenDirectly();
  } else {
    CreateHidden(exists ? &target : nullptr);
  }
}

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!hidden_.empty()) ::unlink(hidden_.c_str());
}

void OutputFile::Fail(int error) const {
  throw std::runtime_error("cannot write " + path_ + ": " + std::strerror(error));
}

void OutputFile::OpenDirectly() {
  fd_ = ::open(path_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) Fail(errno);
}

// Private while written when it replaces a file; a new file follows the umask.
void OutputFile::CreateHidden(const struct stat* target) {
  if (target) {
    if (S_ISDIR(target->st_mode)) Fail(EISDIR);
    if (S_ISBLK(target->st_mode)) {
      throw std::runtime_error("cannot write " + path_ + ": it is a block device, not a file");
    }
    if (OwnerMadeReadOnly(*target)) throw std::runtime_error("cannot write " + path_ + ": the file is read-only");
    if (::faccessat(AT_FDCWD, path_.c_str(), W_OK, AT_EACCESS) != 0) Fail(errno);
    old_ = *target;
  }
  RemoveLeftovers(path_);
  fd_ = CreateHiddenFile(path_, target ? 0600 : 0666, true, hidden_);
  if (fd_ < 0) Fail(errno);
  guard_.emplace(hidden_);
}

void OutputFile::Write(std::string_view bytes) {
  if (fd_ < 0) Fail(EBADF);
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) Fail(written < 0 ? errno : EIO);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

void OutputFile::Commit() {
  if (fd_ < 0) Fail(EBADF);
  if (!hidden_.empty()) {
    while (::fsync(fd_) != 0) {
      if (errno != EINTR) Fail(errno);
    }
    if (old_) {
      if (const int error = TakeOverAttributes(fd_, *old_)) Fail(error);
    }
    // Renamed while still locked, so that no cleaner takes it for a leftover.
    if (::rename(hidden_.c_str(), path_.c_str()) != 0) Fail(errno);
    hidden_.clear();
    guard_.reset();
  }
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0) Fail(errno);
}

void WriteOutputFile(const std::string& path, std::string_view contents) {
  OutputFile file(path);
  file.Write(contents);
  file.Commit();
}

}  // namespace dravlik
