// Writes a file whole or not at all: the bytes go to a new file created
// exclusively beside the target (never following a link, never reusing an
// existing name) and renamed over the target once complete, so neither a
// failure nor a link planted under any name can make us write elsewhere.
#pragma once

#include <string>
#include <string_view>

namespace dravlik {

// A file being written in pieces. Commit puts it in place; a replacing file
// destroyed uncommitted is removed and the target stays as it was. Failures
// raise std::runtime_error "cannot write PATH: reason".
class ReplacingFile {
 public:
  explicit ReplacingFile(std::string path);
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  void Write(std::string_view bytes);
  void Commit();

 private:
  [[noreturn]] void Fail(int error) const;

  std::string path_;
  std::string temporary_;
  int fd_ = -1;
};

// The whole file at once.
void ReplaceFile(const std::string& path, std::string_view contents);

}  // namespace dravlik
