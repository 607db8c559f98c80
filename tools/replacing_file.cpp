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

void WriteAll(int fd, std::string_view contents, const std::string& path) {
  while (!contents.empty()) {
    const ssize_t written = ::write(fd, contents.data(), contents.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) CannotWrite(path, written < 0 ? errno : EIO);
    contents.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace

void ReplaceFile(const std::string& path, std::string_view contents) {
  std::string temporary;
  int fd = CreateTemporary(path, temporary);
  try {
    WriteAll(fd, contents, path);
    if (::fsync(fd) != 0) CannotWrite(path, errno);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) CannotWrite(path, errno);
    if (::rename(temporary.c_str(), path.c_str()) != 0) CannotWrite(path, errno);
  } catch (...) {
    if (fd >= 0) ::close(fd);
    ::unlink(temporary.c_str());
    throw;
  }
}

}  // namespace dravlik
