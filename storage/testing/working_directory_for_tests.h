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
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "file_contents.h"
#include "scratch_directory.h"

namespace dravlik::testing {

class InFreshDirectory : public ::testing::Test {
 protected:
  void SetUp() override { directory_.emplace(); }
  void TearDown() override { directory_.reset(); }
  std::filesystem::path Directory() const { return directory_->path(); }

 private:
  std::optional<WorkingInScratchDirectory> directory_;
};

// The names in the working directory, sorted.
inline std::vector<std::string> FilesHere() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(".")) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
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
