#include "test_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

extern char** environ;

namespace dbfe::testing {

std::vector<std::uint8_t> FileBytesAt(const std::string& path, std::uint64_t offset, std::size_t count) {
  std::vector<std::uint8_t> bytes(count);
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<std::string> FilesIn(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

void WriteBytesAt(const std::string& path, std::uint64_t offset, const std::vector<std::uint8_t>& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  const bool whole = fd >= 0 && ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) ==
                                    static_cast<ssize_t>(bytes.size());
  if (fd >= 0) ::close(fd);
  if (!whole) throw std::runtime_error("cannot write " + path);
}

bool WaitUntil(const std::function<bool()>& condition) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

bool ByteLockedElsewhere(const std::string& path, std::uint64_t offset) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open " + path);
  struct flock range {};
  range.l_type = F_WRLCK;
  range.l_whence = SEEK_SET;
  range.l_start = static_cast<off_t>(offset);
  range.l_len = 1;
  const int result = ::fcntl(fd, F_OFD_GETLK, &range);
  ::close(fd);
  if (result != 0) throw std::runtime_error("cannot test the locks of " + path);
  return range.l_type != F_UNLCK;
}

// The kernel lists the locks on each descriptor in its fdinfo, as
// "lock:	1: OFDLCK ADVISORY  READ -1 fe:00:1234 START END".
bool ProcessLocksByte(int pid, std::uint64_t offset) {
  const std::string start = std::string(" ").append(std::to_string(offset)).append(" ");
  const std::filesystem::path fdinfo = "/proc/" + std::to_string(pid) + "/fdinfo";
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(fdinfo, error)) {
    std::ifstream in(entry.path());
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("lock:", 0) == 0 && line.find(start) != std::string::npos) return true;
    }
  }
  return false;
}

ByteLock::ByteLock(const std::string& path, std::uint64_t offset)
    : fd_(::open(path.c_str(), O_RDWR | O_CLOEXEC)) {
  struct flock range {};
  range.l_type = F_WRLCK;
  range.l_whence = SEEK_SET;
  range.l_start = static_cast<off_t>(offset);
  range.l_len = 1;
  if (fd_ < 0 || ::fcntl(fd_, F_OFD_SETLK, &range) != 0) {
    if (fd_ >= 0) ::close(fd_);
    throw std::runtime_error("cannot lock " + path);
  }
}

ByteLock::~ByteLock() { ::close(fd_); }

namespace {

std::vector<char*> ArgvOf(const std::vector<std::string>& argv) {
  std::vector<char*> pointers;
  for (const std::string& arg : argv) pointers.push_back(const_cast<char*>(arg.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

ProcessResult WaitFor(int pid) {
  ProcessResult result;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("waitpid failed");
  }
  if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
  int pipe_ends[2];
  if (::pipe2(pipe_ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
  std::vector<char*> args = ArgvOf(argv);
  const int error = ::posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_ends[1]);
  output_ = pipe_ends[0];
  if (error != 0) {
    ::close(output_);
    throw std::runtime_error("cannot start " + argv[0]);
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    WaitFor(pid_);
  }
  if (output_ >= 0) ::close(output_);
}

bool ChildProcess::WaitForOutput(const std::string& text) {
  char buffer[4096];
  while (collected_.find(text) == std::string::npos) {
    const ssize_t n = ::read(output_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    collected_.append(buffer, static_cast<std::size_t>(n));
  }
  return true;
}

void ChildProcess::Kill(int signal) { ::kill(pid_, signal); }

ProcessResult ChildProcess::Wait() {
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(output_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    collected_.append(buffer, static_cast<std::size_t>(n));
  }
  ProcessResult result = WaitFor(pid_);
  pid_ = -1;
  result.output = collected_;
  return result;
}

ProcessResult RunProcess(const std::vector<std::string>& argv) {
  ChildProcess child(argv);
  return child.Wait();
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = line.find('\t', start);
    parts.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

std::optional<std::string> PythonWithDbfread() {
  static const std::optional<std::string> found = []() -> std::optional<std::string> {
    for (const char* python : {"/usr/bin/python3", "python3"}) {
      try {
        if (RunProcess({python, "-c", "import dbfread"}).exit_code == 0) return std::string(python);
      } catch (const std::exception&) {
      }
    }
    return std::nullopt;
  }();
  return found;
}

bool HaveGdal() {
  static const bool found = [] {
    try {
      return RunProcess({"ogr2ogr", "--version"}).exit_code == 0 &&
             RunProcess({"ogrinfo", "--version"}).exit_code == 0;
    } catch (const std::exception&) {
      return false;
    }
  }();
  return found;
}

ReaderView ReadWith(const std::string& reader, const std::string& path) {
  ReaderView view;
  const ProcessResult result =
      RunProcess({PythonWithDbfread().value_or("python3"), DBFE_READ_TABLE_SCRIPT, reader, path});
  EXPECT_EQ(result.exit_code, 0) << reader << " could not read " << path;
  std::vector<std::string> lines = SplitLines(result.output);
  if (lines.empty()) return view;
  view.fields = SplitTabs(lines[0]);
  view.fields.erase(view.fields.begin());
  for (std::size_t i = 1; i < lines.size(); ++i) view.records.push_back(SplitTabs(lines[i]));
  return view;
}

std::optional<double> ReaderNumber(const std::string& text) {
  if (text == "<null>") return std::nullopt;
  double value = 0.0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) {
    ADD_FAILURE() << "not a number from the reader: " << text;
  }
  return value;
}

}  // namespace dbfe::testing
