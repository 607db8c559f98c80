#include "settings.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "blanks.h"

namespace dravlik {
namespace {

// A file written on Windows leaves a carriage return on each line.
constexpr std::string_view kLineBlanks = " \t\r";

[[noreturn]] void Refuse(const std::string& path, const std::string& reason) {
  throw SettingsError("The engine settings file " + path + " " + reason + ".");
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
  ~FileDescriptor() {
    if (descriptor_ >= 0) close(descriptor_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return descriptor_; }

 private:
  int descriptor_;
};

// The whole file, or nothing when there is none. Never waits for a writer (a
// FIFO) and never reads more than the limit (a device that never ends).
std::optional<std::string> Contents(const std::string& path) {
  if (path.empty() || path.front() != '/') Refuse(path, "is not an absolute path");
  const FileDescriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.Get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    Refuse(path, std::string("cannot be opened: ") + std::strerror(errno));
  }
  struct stat status {};
  if (fstat(file.Get(), &status) != 0) Refuse(path, std::string("cannot be examined: ") + std::strerror(errno));
  if (!S_ISREG(status.st_mode)) Refuse(path, "is not a regular file");
  const std::string tooLarge = "is larger than " + std::to_string(kMaxSettingsFileSize) + " bytes";
  if (status.st_size > static_cast<off_t>(kMaxSettingsFileSize)) Refuse(path, tooLarge);
  // One byte beyond the limit tells a file that grew since fstat.
  std::string contents(kMaxSettingsFileSize + 1, '\0');
  std::size_t length = 0;
  while (length < contents.size()) {
    const ssize_t count = read(file.Get(), contents.data() + length, contents.size() - length);
    if (count == 0) break;
    if (count < 0) {
      if (errno == EINTR) continue;
      Refuse(path, std::string("cannot be read: ") + std::strerror(errno));
    }
    length += static_cast<std::size_t>(count);
  }
  if (length > kMaxSettingsFileSize) Refuse(path, tooLarge);
  contents.resize(length);
  return contents;
}

}  // namespace

std::string EngineSettingsPath() {
  // Not for a program that runs with privileges its caller lacks.
  if (const char* path = secure_getenv("PDRAVLIK_ENGINE_CONFIG"); path && *path) {
    if (*path != '/') {
      throw SettingsError(std::string("The engine settings file named by PDRAVLIK_ENGINE_CONFIG, ") + path +
                          ", is not an absolute path.");
    }
    return path;
  }
  return "/etc/pdravlik/engine.conf";
}

std::optional<std::string> ReadSetting(const std::string& path, const std::string& key) {
  const std::optional<std::string> contents = Contents(path);
  if (!contents) return std::nullopt;
  std::istringstream lines(*contents);
  std::string line;
  while (std::getline(lines, line)) {
    const std::string content(WithoutBlanks(line, kLineBlanks));
    if (content.empty() || content[0] == '#' || content[0] == ';') continue;
    const auto equals = content.find('=');
    if (equals == std::string::npos) continue;
    if (strcasecmp(std::string(WithoutBlanks(content.substr(0, equals), kLineBlanks)).c_str(), key.c_str()) == 0) {
      return std::string(WithoutBlanks(content.substr(equals + 1), kLineBlanks));
    }
  }
  return std::nullopt;
}

}  // namespace dravlik
