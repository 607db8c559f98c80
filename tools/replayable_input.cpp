#include "replayable_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "encoded_streams.h"

namespace dravlik {
namespace {

std::string Reason() { return std::strerror(errno); }

std::string TemporaryDirectory() {
  const char* given = std::getenv("TMPDIR");
  return given && *given ? given : "/tmp";
}

// Unnamed from the start where the file system allows it, so that nothing is
// left behind even by a kill.
int OpenTemporaryFile() {
  const std::string directory = TemporaryDirectory();
  int fd = ::open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
  std::string name = directory + "/pdravlik-input.XXXXXX";
  fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) throw TreeFileError("cannot keep the input for a second reading in " + directory + ": " + Reason());
  ::unlink(name.c_str());
  return fd;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

}  // namespace

ReplayableInput::ReplayableInput(int fd, std::string name) : fd_(fd), name_(std::move(name)) {
  if (::fstat(fd_, &seen_) == 0 && S_ISREG(seen_.st_mode)) {
    start_ = ::lseek(fd_, 0, SEEK_CUR);
    regular_ = start_ >= 0;
  }
}

ReplayableInput::~ReplayableInput() {
  if (copy_ >= 0) ::close(copy_);
}

InputReader ReplayableInput::Pass() {
  position_ = 0;
  if (passes_++ == 0) {
    if (!regular_) copy_ = OpenTemporaryFile();
    return [this](char* buffer, std::size_t size) { return ReadFirst(buffer, size); };
  }
  CheckUnchanged();
  return [this](char* buffer, std::size_t size) { return ReadAgain(buffer, size); };
}

std::size_t ReplayableInput::ReadFirst(char* buffer, std::size_t size) {
  if (regular_) return ReadAgain(buffer, size);
  while (true) {
    const ssize_t got = ::read(fd_, buffer, size);
    if (got >= 0) {
      KeepCopy(buffer, static_cast<std::size_t>(got));
      return static_cast<std::size_t>(got);
    }
    if (errno != EINTR) throw TreeFileError("cannot read " + name_ + ": " + Reason());
  }
}

std::size_t ReplayableInput::ReadAgain(char* buffer, std::size_t size) {
  const int fd = regular_ ? fd_ : copy_;
  const off_t start = regular_ ? start_ : 0;
  while (true) {
    const ssize_t got = ::pread(fd, buffer, size, start + position_);
    if (got > 0) position_ += got;
    if (got == 0 && regular_) CheckUnchanged();
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) throw TreeFileError("cannot read " + name_ + ": " + Reason());
  }
}

void ReplayableInput::KeepCopy(const char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::pwrite(copy_, bytes, size, position_);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      throw TreeFileError("cannot keep the input for a second reading in " + TemporaryDirectory() + ": " + Reason());
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
    position_ += written;
  }
}

// Rows read twice must be the same rows, or a curve would fill trees it was
// not fitted to.
void ReplayableInput::CheckUnchanged() const {
  if (!regular_) return;
  struct stat now {};
  if (::fstat(fd_, &now) != 0 || !SameFile(now, seen_)) {
    throw TreeFileError(name_ + " changed while it was read; it is read twice, so it must stay as it is");
  }
}

}  // namespace dravlik
