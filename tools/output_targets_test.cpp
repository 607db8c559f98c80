// How the programs write the files they are asked for: devices and pipes are
// written, not replaced; a signal during a large batch leaves no hidden file
// and the old output as it was; what a kill -9 left goes with the next run.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "program_run_for_tests.h"
#include "test_seed_for_tests.h"
#include "working_directory_for_tests.h"

extern char** environ;

namespace dravlik {
namespace {

using testing::Contains;
using testing::FileText;
using testing::FilesHere;
using testing::RunCommand;

bool HiddenFileHere() {
  for (const std::string& name : FilesHere()) {
    if (name.front() == '.') return true;
  }
  return false;
}

// Ignores SIGPIPE while it lives: the test writes into a program it kills.
struct IgnoringBrokenPipes {
  IgnoringBrokenPipes() : previous(std::signal(SIGPIPE, SIG_IGN)) {}
  ~IgnoringBrokenPipes() { std::signal(SIGPIPE, previous); }
  void (*previous)(int);
};

class OutputTargets : public testing::InFreshDirectory {
 protected:
  static constexpr int kMostBlocks = 4000;  // 256 MB: the output must have begun long before

  // The calculator computing volumes from the FIFO "in.csv" into "out.csv".
  static pid_t StartCalculator() {
    const char* argv[] = {PDRAVLIK_CALC, "volume", "-i", "in.csv", "-o", "out.csv", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "calculator.log", O_WRONLY | O_CREAT, 0644);
    pid_t child = -1;
    const int error = posix_spawn(&child, PDRAVLIK_CALC, &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? child : -1;
  }

  // Feeds the calculator trees until its hidden output file is there, then
  // `more` blocks of them, and sends it `signal_number`; how it ended.
  static int InterruptBatch(int signal_number, int more) {
    const pid_t child = StartCalculator();
    if (child < 0) return -1;
    const int fifo = ::open("in.csv", O_WRONLY);
    std::string block = "species,diameter,height\n";
    while (block.size() < (1 << 16)) block += "SM,32.5,27.1\nBK,20,18\n";
    bool writing = fifo >= 0;
    for (int block_number = 0; writing && more >= 0 && block_number < kMostBlocks; ++block_number) {
      writing = ::write(fifo, block.data(), block.size()) == static_cast<ssize_t>(block.size());
      if (HiddenFileHere()) --more;
      if (block_number == 0) block.erase(0, block.find('\n') + 1);
    }
    ::kill(child, signal_number);
    if (fifo >= 0) ::close(fifo);
    int status = 0;
    if (::waitpid(child, &status, 0) != child) return -1;
    return WIFSIGNALED(status) ? WTERMSIG(status) : 100 + WEXITSTATUS(status);
  }
};

TEST_F(OutputTargets, ASignalDuringALargeBatchLeavesNoHiddenFileAndTheOldOutput) {
  const IgnoringBrokenPipes ignoring;
  ASSERT_EQ(::mkfifo("in.csv", 0600), 0);
  std::ofstream("out.csv") << "old";
  const testing::TestSeed seed;
  std::mt19937 random(seed.value());
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    const int more = static_cast<int>(random() % 40);
    EXPECT_EQ(InterruptBatch(signal_number, more), signal_number) << "after " << more << " more blocks";
    EXPECT_EQ(FilesHere(), (std::vector<std::string>{"calculator.log", "in.csv", "out.csv"}))
        << "signal " << signal_number << " after " << more << " more blocks";
    EXPECT_EQ(FileText("out.csv"), "old");
  }
  // What a kill -9 leaves, the next run removes.
  EXPECT_EQ(InterruptBatch(SIGKILL, 1), SIGKILL);
  EXPECT_TRUE(HiddenFileHere());
  ASSERT_EQ(::unlink("in.csv"), 0);
  std::ofstream("in.csv") << "species,diameter,height\nSM,32.5,27.1\n";
  const auto outcome = RunCommand(PDRAVLIK_CALC " volume -i in.csv -o out.csv 2>&1");
  EXPECT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_FALSE(HiddenFileHere());
  EXPECT_TRUE(Contains(FileText("out.csv"), "SM,32.5,27.1,1.004571218621513"));
}

TEST_F(OutputTargets, TheTablesCsvCopyGoesIntoAFifoAndLeftoversGo) {
  ASSERT_EQ(::mkfifo("bon_Hm1.csv", 0600), 0);
  std::ofstream(".TloVysHm.csv.123456789.tmp") << "a killed run's";
  std::string read;
  std::thread reader([&] { read = FileText("bon_Hm1.csv"); });
  const auto outcome = RunCommand(PDRAVLIK_TABLES " --csv 2>&1");
  reader.join();
  EXPECT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_EQ(read.substr(0, read.find('\n')), "DREVINA,BONITA,VEK,VYSKA,TLOUSTKA,HMOT");
  EXPECT_EQ(std::count(read.begin(), read.end(), '\n'), 3229);
  struct stat info {};
  ASSERT_EQ(::lstat("bon_Hm1.csv", &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_EQ(FilesHere(), (std::vector<std::string>{"TloVysHm.csv", "TloVysHm.dbf", "bon_Hm1.csv", "bon_Hm1.dbf"}));
}

// The machine's own device files only inside a mount namespace of the test's
// own, over which a fresh /dev holds copies of them.
TEST_F(OutputTargets, DevicesAndLinksToDescriptorsAreWrittenNotReplaced) {
  if (RunCommand("unshare -m true 2>&1").status != 0) GTEST_SKIP() << "no private mount namespace (needs root)";
  std::ofstream("in.csv") << "species,diameter,height\nSM,32.5,27.1\n";
  const std::string script =
      "mount -t tmpfs tmpfs /dev && mknod -m 666 /dev/full c 1 7 && mknod -m 666 /dev/null c 1 3 && "
      "ln -s /proc/self/fd/1 /dev/stdout || exit 9; "
      "C=" PDRAVLIK_CALC "; "
      "$C volume -i in.csv -o /dev/full 2>full.err; echo full $?; "
      "$C volume -i in.csv -o /dev/null 2>/dev/null; echo null $?; "
      "$C volume -i in.csv -o /dev/stdout >stdout.csv 2>/dev/null; echo stdout $?; "
      "$C volume SM 32.5 27.1 >/dev/full 2>/dev/null; echo one value $?; "
      "" PDRAVLIK_TABLES " >/dev/full 2>/dev/null; echo tables $?; "
      "[ -c /dev/full ] && [ -c /dev/null ] && [ -L /dev/stdout ] && echo devices kept";
  const auto outcome = RunCommand("unshare -m --propagation private sh -c '" + script + "' 2>&1");
  EXPECT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_TRUE(Contains(outcome.output, "full 2\n")) << outcome.output;
  EXPECT_TRUE(Contains(FileText("full.err"), "cannot write /dev/full: No space left on device"))
      << FileText("full.err");
  EXPECT_TRUE(Contains(outcome.output, "null 0\nstdout 0\none value 2\ntables 1\ndevices kept\n")) << outcome.output;
  EXPECT_TRUE(Contains(FileText("stdout.csv"), "SM,32.5,27.1,1.004571218621513")) << FileText("stdout.csv");
  EXPECT_FALSE(HiddenFileHere());
}

}  // namespace
}  // namespace dravlik
