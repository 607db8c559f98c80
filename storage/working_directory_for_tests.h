// Test support: each test runs in a fresh working directory of its own, where
// the tables' files are created; and a check can run in a child process.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>
#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>

namespace dravlik::testing {

class InFreshDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "pdravlik-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(directory_);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(directory_);
  }
  const std::filesystem::path& Directory() const { return directory_; }

 private:
  std::filesystem::path directory_;
  std::filesystem::path previous_;
};

// The names in the working directory, sorted.
inline std::vector<std::string> FilesHere() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(".")) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

inline std::vector<std::uint8_t> FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline std::string FileText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Runs `check` in a forked child, which exits with the check's result (0 for
// success); returns that exit status, or -1 when the child did not exit.
inline int InChildProcess(const std::function<int()>& check) {
  const pid_t child = fork();
  if (child == 0) {
    int result = 99;
    try {
      result = check();
    } catch (...) {
    }
    _exit(result);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace dravlik::testing
