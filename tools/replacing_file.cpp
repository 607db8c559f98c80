#include "replacing_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>

namespace dravlik {
namespace {

[[noreturn]] void CannotWrite(const std::string& path, int error) {
  throw std::runtime_error("cannot write " + path + ": " + std::strerror(error));
}

// A hidden name beside the target that nobody else has taken.
int CreateTemporary(const std::string& path, std::string& temporary) {
  const std::filesystem::path target(path);
  const std::filesystem::path directory = target.has_parent_path() ? target.parent_path() : ".";
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    // Appended, not literal + string: g++ 12 at -O3 warns falsely (-Wrestrict) on that.
    const std::string name = std::string(".").append(target.filename().string()).append(".")
                                 .append(std::to_string(random() % 1000000000)).append(".tmp");
    temporary = (directory / name).string();
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd >= 0) return fd;
    if (errno != EEXIST) CannotWrite(path, errno);
  }
  CannotWrite(path, EEXIST);
}

}  // namespace

ReplacingFile::ReplacingFile(std::string path) : path_(std::move(path)) { fd_ = CreateTemporary(path_, temporary_); }

ReplacingFile::~ReplacingFile() {
  if (fd_ < 0 && temporary_.empty()) return;
  if (fd_ >= 0) ::close(fd_);
  ::unlink(temporary_.c_str());
}

void ReplacingFile::Fail(int error) const { CannotWrite(path_, error); }

void ReplacingFile::Write(std::string_view bytes) {
  if (fd_ < 0) Fail(EBADF);
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) Fail(written < 0 ? errno : EIO);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

void ReplacingFile::Commit() {
  if (fd_ < 0) Fail(EBADF);
  if (::fsync(fd_) != 0) Fail(errno);
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0) Fail(errno);
  if (::rename(temporary_.c_str(), path_.c_str()) != 0) Fail(errno);
  temporary_.clear();
}

void ReplaceFile(const std::string& path, std::string_view contents) {
  ReplacingFile file(path);
  file.Write(contents);
  file.Commit();
}

}  // namespace dravlik
