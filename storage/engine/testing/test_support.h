// Helpers of the engine's tests that do not use the engine: scratch
// directories, files, child processes and the independent readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "file_contents.h"
#include "scratch_directory.h"

namespace dbfe::testing {

using dravlik::testing::FileBytes;
using dravlik::testing::ScratchDirectory;

// Up to `count` bytes from `offset`: fewer where the file ends first.
std::vector<std::uint8_t> FileBytesAt(const std::string& path, std::uint64_t offset, std::size_t count);
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::string> FilesIn(const std::string& directory);
// Writes `bytes` at `offset`, leaving the rest of the file as it is.
void WriteBytesAt(const std::string& path, std::uint64_t offset, const std::vector<std::uint8_t>& bytes);

// Polls `condition` until it holds; false only if it has not after a minute,
// far longer than any condition here needs, so that a fault fails instead of
// hanging the test.
bool WaitUntil(const std::function<bool()>& condition);

// Byte locks as the engine takes them (open file description locks).
// Whether another open file description locks byte `offset` of the file.
bool ByteLockedElsewhere(const std::string& path, std::uint64_t offset);
// Whether process `pid` holds a lock starting at byte `offset` of some file.
bool ProcessLocksByte(int pid, std::uint64_t offset);

// An exclusive lock on one byte of a file, held from construction to destruction.
class ByteLock {
 public:
  ByteLock(const std::string& path, std::uint64_t offset);
  ~ByteLock();
  ByteLock(const ByteLock&) = delete;
  ByteLock& operator=(const ByteLock&) = delete;

 private:
  int fd_ = -1;
};

struct ProcessResult {
  int exit_code = -1;  // -1 when the process did not exit normally
  int signal = 0;
  std::string output;  // standard output
};

// Runs a program to its end; its standard error goes to ours.
ProcessResult RunProcess(const std::vector<std::string>& argv);

// A running child with its standard output on a pipe.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  int pid() const { return pid_; }
  // Reads the child's output until `text` appears; false at its end.
  bool WaitForOutput(const std::string& text);
  void Kill(int signal);
  ProcessResult Wait();

 private:
  int pid_ = -1;
  int output_ = -1;
  std::string collected_;
};

std::vector<std::string> SplitLines(const std::string& text);
std::vector<std::string> SplitTabs(const std::string& line);

// A table as an independent reader sees it: "fields" line, then one line per
// record (see read_table.py).
struct ReaderView {
  std::vector<std::string> fields;  // name:type
  std::vector<std::vector<std::string>> records;
};

// The python that has dbfread, or nullopt.
std::optional<std::string> PythonWithDbfread();
bool HaveGdal();
// Reads `path` with "dbfread" or "gdal"; fails the test if the reader fails.
ReaderView ReadWith(const std::string& reader, const std::string& path);

// A double from a reader's shortest text; nullopt for "<null>".
std::optional<double> ReaderNumber(const std::string& text);

}  // namespace dbfe::testing

// In a test body: skips unless both readers are installed.
#define DBFE_REQUIRE_READERS()                                                              \
  do {                                                                                      \
    if (!::dbfe::testing::PythonWithDbfread())                                              \
      GTEST_SKIP() << "python3-dbfread is not installed (scripts/install-deps installs it)"; \
    if (!::dbfe::testing::HaveGdal())                                                       \
      GTEST_SKIP() << "gdal-bin (ogrinfo, ogr2ogr) is not installed "                        \
                      "(scripts/install-deps installs it)";                                 \
  } while (false)
