// Test support: directories of their own for tests and benchmarks, under
// TMPDIR, removed with everything in them.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace dravlik::testing {

class ScratchDirectory {
 public:
  explicit ScratchDirectory(const std::string& prefix = "pdravlik-test") {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a scratch directory from " + pattern);
    path_ = pattern;
  }
  // Also when a test took the owner's permissions away.
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A scratch directory that is the working directory while it lives.
class WorkingInScratchDirectory {
 public:
  explicit WorkingInScratchDirectory(const std::string& prefix = "pdravlik-test")
      : directory_(prefix), previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(directory_.path());
  }
  ~WorkingInScratchDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
  }
  WorkingInScratchDirectory(const WorkingInScratchDirectory&) = delete;
  WorkingInScratchDirectory& operator=(const WorkingInScratchDirectory&) = delete;

  const std::string& path() const { return directory_.path(); }

 private:
  ScratchDirectory directory_;
  std::filesystem::path previous_;
};

}  // namespace dravlik::testing
