// A signal that ends a program during a write leaves no hidden file behind,
// and the program ends as that signal ends it; an ignored signal stays ignored.
#include "interrupted_writes.h"

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <gtest/gtest.h>

#include "output_file.h"
#include "working_directory_for_tests.h"

namespace dravlik {
namespace {

using testing::FilesHere;

class InterruptedWrites : public testing::InFreshDirectory {
 protected:
  void TearDown() override {
    ::close(go_);
    InFreshDirectory::TearDown();
  }

  // A child that writes "out.csv", says so through a pipe and waits for a
  // byte before it exits with 0; it ignores SIGHUP first when asked. Returns
  // its pid once it writes.
  pid_t StartWriter(bool ignoringHangUp) {
    int ready[2], go[2];
    if (::pipe(ready) != 0 || ::pipe(go) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(ready[0]);
      ::close(go[1]);
      if (ignoringHangUp) std::signal(SIGHUP, SIG_IGN);
      bool told = false;
      {
        OutputFile file("out.csv");
        file.Write("half");
        char byte = 0;
        told = ::write(ready[1], "w", 1) == 1 && ::read(go[0], &byte, 1) == 1;
      }
      ::_exit(told ? 0 : 3);
    }
    ::close(ready[1]);
    ::close(go[0]);
    ::close(go_);
    go_ = go[1];
    char byte = 0;
    const bool writing = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    return writing ? child : -1;
  }

  // Lets the child go on. A signal sent before it is handled before the
  // child's read returns.
  void LetGo() { ASSERT_EQ(::write(go_, "g", 1), 1); }

  int go_ = -1;

  // The signal that ended the child, or 100 + its exit status.
  static int Ending(pid_t child) {
    int status = 0;
    if (::waitpid(child, &status, 0) != child) return -1;
    return WIFSIGNALED(status) ? WTERMSIG(status) : 100 + WEXITSTATUS(status);
  }
};

TEST_F(InterruptedWrites, RemoveTheHiddenFileAndEndAsTheSignalWould) {
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    const pid_t child = StartWriter(false);
    ASSERT_GT(child, 0);
    EXPECT_EQ(FilesHere().size(), 1u);
    ASSERT_EQ(::kill(child, signal_number), 0);
    EXPECT_EQ(Ending(child), signal_number);
    EXPECT_TRUE(FilesHere().empty()) << "after signal " << signal_number;
  }
}

TEST_F(InterruptedWrites, LeaveAnIgnoredSignalIgnored) {
  const pid_t child = StartWriter(true);
  ASSERT_GT(child, 0);
  ASSERT_EQ(::kill(child, SIGHUP), 0);
  LetGo();
  EXPECT_EQ(Ending(child), 100) << "lived on after SIGHUP, and exited";
  EXPECT_TRUE(FilesHere().empty()) << "its file was dropped when it exited";
}

}  // namespace
}  // namespace dravlik
