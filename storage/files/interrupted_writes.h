// Files being written under a hidden name are removed when SIGINT, SIGTERM or
// SIGHUP ends the program, which then ends as that signal's default would (a
// shell reports 130, 143, 129). A signal the program ignores (SIGHUP under
// nohup) stays ignored, and a handler the program installed itself is kept.
#pragma once

#include <string>

namespace dravlik {

// Registers one hidden file for as long as it lives, installing the handlers
// where the signals' defaults are in force; they then stay.
class InterruptedWriteGuard {
 public:
  explicit InterruptedWriteGuard(const std::string& path);
  ~InterruptedWriteGuard();
  InterruptedWriteGuard(const InterruptedWriteGuard&) = delete;
  InterruptedWriteGuard& operator=(const InterruptedWriteGuard&) = delete;

 private:
  int slot_;  // -1 when every slot was taken: the next run removes the file
};

}  // namespace dravlik
