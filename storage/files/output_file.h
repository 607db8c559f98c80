// How every program writes a file it was asked for (the calculator's output,
// CSV copies, exports, charts). A regular file, or a new name, is written
// whole or not at all: under an exclusive hidden name beside it, renamed into
// place when complete, with the old file's mode and group. A device, pipe,
// socket or an open descriptor (/dev/fd/N, /dev/stdout) is written directly,
// as a shell's redirection would.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>
#include <string_view>

#include "interrupted_writes.h"

namespace dravlik {

// Failures raise std::runtime_error "cannot write PATH: reason". A file its
// owner made read-only is refused, as a read-only table is.
class OutputFile {
 public:
  explicit OutputFile(std::string path);
  // Uncommitted: the hidden file is removed and the target stays as it was.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void Write(std::string_view bytes);
  void Commit();

 private:
  [[noreturn]] void Fail(int error) const;
  void OpenDirectly();
  void CreateHidden(const struct stat* target);

  std::string path_;
  int fd_ = -1;
  std::string hidden_;  // empty when written directly
  std::optional<struct stat> old_;
  std::optional<InterruptedWriteGuard> guard_;
};

// The whole file at once.
void WriteOutputFile(const std::string& path, std::string_view contents);

}  // namespace dravlik
