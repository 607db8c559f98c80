// The calculator against streams that fail it: a standard output that cannot
// take what it prints, and an input whose record never ends, from a pipe or a
// FIFO, which must be refused at the record bound in little memory.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdint>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include "program_run_for_tests.h"
#include "standard_output.h"
#include "working_directory_for_tests.h"

namespace dravlik {
namespace {

constexpr long kMemoryBoundKilobytes = 64 * 1024;

const std::string kTooLong = "a record of more than 1 MiB; pdravlik-calc reads records of at most 1 MiB\n";

struct ChildRun {
  int status = -1;  // -1 when a signal ended it
  std::string errors;
  long peakKilobytes = 0;
};

// Runs the calculator on the given standard input and output, with SIGPIPE
// ignored where asked, as a parent that ignores it passes on, so that a pipe
// nobody reads is a failed write; its own peak memory comes from wait4, not
// the largest of all the tests' children.
ChildRun RunCalculator(std::vector<std::string> arguments, int input, int output, bool pipeSignalIgnored = false) {
  arguments.insert(arguments.begin(), PDRAVLIK_CALC);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  int errors[2];
  if (pipe2(errors, O_CLOEXEC) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGPIPE, pipeSignalIgnored ? SIG_IGN : SIG_DFL);
    if (dup2(input, 0) < 0 || dup2(output, 1) < 0 || dup2(errors[1], 2) < 0) _exit(127);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(errors[1]);
  ChildRun run;
  char buffer[4096];
  for (ssize_t got; (got = read(errors[0], buffer, sizeof buffer)) != 0;) {
    if (got > 0) run.errors.append(buffer, static_cast<std::size_t>(got));
    else if (errno != EINTR) break;
  }
  close(errors[0]);
  int status = 0;
  rusage usage{};
  if (child < 0 || wait4(child, &status, 0, &usage) != child) return run;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.peakKilobytes = usage.ru_maxrss;
  return run;
}

struct Fed {
  std::uint64_t written = 0;
  bool readerLeft = false;  // stopped by EPIPE, not by running out
};

// Writes `head`, then up to `length` bytes without a line break, to `fd` from
// a thread of its own, until the reader goes away; closes `fd`.
std::future<Fed> Feed(int fd, std::string head, std::uint64_t length) {
  return std::async(std::launch::async, [fd, head = std::move(head), length] {
    // SIGPIPE blocked in this thread alone: a reader that leaves is EPIPE.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    Fed fed;
    const std::string chunk(1 << 16, 'x');
    std::string_view pending = head;
    while (fed.written < head.size() + length) {
      if (pending.empty()) pending = std::string_view(chunk).substr(0, head.size() + length - fed.written);
      const ssize_t wrote = write(fd, pending.data(), pending.size());
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote < 0) {
        fed.readerLeft = errno == EPIPE;
        break;
      }
      fed.written += static_cast<std::uint64_t>(wrote);
      pending.remove_prefix(static_cast<std::size_t>(wrote));
    }
    close(fd);
    return fed;
  });
}

int OpenToWrite(const char* path) { return open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644); }

// The read end of a pipe already closed for writing.
int EmptyInput() {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return -1;
  close(ends[1]);
  return ends[0];
}

void WriteFile(const char* path, const std::string& contents) { std::ofstream(path, std::ios::binary) << contents; }

class CalculatorStreams : public testing::InFreshDirectory {};

// Each way of printing: a result, the help, the version, the species, a file.
const std::vector<std::vector<std::string>> kEveryPrint = {
    {"volume", "SM", "32.5", "27.1"}, {"--help"}, {"--version"}, {"species"}, {"volume", "-i", "trees.csv"}};

TEST_F(CalculatorStreams, OutputToAPipeNobodyReadsIsAnError) {
  WriteFile("trees.csv", "species,diameter,height\nSM,32.5,27.1\n");
  int output[2];
  ASSERT_EQ(pipe2(output, O_CLOEXEC), 0);
  close(output[0]);  // the reader is gone before anything is written
  const int input = open("trees.csv", O_RDONLY | O_CLOEXEC);
  for (const auto& arguments : kEveryPrint) {
    const ChildRun run = RunCalculator(arguments, input, output[1], true);
    EXPECT_EQ(run.status, 2) << arguments[0];
    EXPECT_EQ(run.errors, "pdravlik-calc: cannot write standard output: Broken pipe\n") << arguments[0];
  }
  close(input);
  close(output[1]);
}

// A full device bound over a scratch file inside a mount namespace of the
// test's own, so that the machine's device is never the program's target.
TEST_F(CalculatorStreams, OutputToAFullDeviceIsAnError) {
  WriteFile("trees.csv", "species,diameter,height\nSM,32.5,27.1\n");
  WriteFile("full", "");
  const char* bound = "unshare -m sh -c 'mount --bind /dev/full full && exec ";
  const testing::Outcome probe = testing::RunCommand(std::string(bound) + "true' 2>&1");
  if (probe.status != 0) GTEST_SKIP() << "no private mount namespace here (unshare -m, mount --bind): " << probe.output;
  for (const auto& arguments : kEveryPrint) {
    std::string command = std::string(bound) + PDRAVLIK_CALC;
    for (const std::string& argument : arguments) command += " " + argument;
    const testing::Outcome outcome = testing::RunCommand(command + " > full' 2>&1");
    EXPECT_EQ(outcome.status, 2) << command;
    EXPECT_EQ(outcome.output, "pdravlik-calc: cannot write standard output: No space left on device\n") << command;
  }
  EXPECT_EQ(testing::FilesHere(), (std::vector<std::string>{"full", "trees.csv"}));
}

// A write that fails inside the C library's buffering, leaving nothing for
// the close to flush, is reported all the same.
TEST_F(CalculatorStreams, AWriteLostBeforeTheCloseIsReported) {
  std::fflush(stdout);  // or the child would print the tests' pending output again
  const int status = testing::InChildProcess([] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit nothing{0, 0};
    if (setrlimit(RLIMIT_FSIZE, &nothing) != 0 || !std::freopen("stdout.txt", "w", stdout)) return 3;
    const std::string page(1 << 16, 'x');  // more than the buffer holds: written at once, and refused
    if (std::fwrite(page.data(), 1, page.size(), stdout) == page.size()) return 4;
    return CloseStandardOutput().starts_with("cannot write standard output: ") ? 0 : 5;
  });
  EXPECT_EQ(status, 0);
}

// 100 MB on one line, after a header and a row, through a pipe: refused at
// its line, with the output file neither written nor left half-written, and
// without reading on or holding more than a little of it.
TEST_F(CalculatorStreams, ARecordOf100MegabytesIsRefusedInLittleMemory) {
  int input[2];
  ASSERT_EQ(pipe2(input, O_CLOEXEC), 0);
  constexpr std::uint64_t kLength = 100'000'000;
  std::future<Fed> feeding = Feed(input[1], "species,diameter,height\nSM,32.5,27.1\n", kLength);
  const int output = OpenToWrite("stdout.txt");
  const ChildRun run = RunCalculator({"volume", "-o", "volumes.csv"}, input[0], output);
  close(input[0]);
  close(output);
  const Fed fed = feeding.get();
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.errors, "pdravlik-calc: line 3: " + kTooLong);
  EXPECT_EQ(testing::FilesHere(), (std::vector<std::string>{"stdout.txt"}));
  EXPECT_LT(run.peakKilobytes, kMemoryBoundKilobytes);
  EXPECT_TRUE(fed.readerLeft);
  EXPECT_LT(fed.written, kLength / 10);
}

// A FIFO that never ends and never breaks a line, named by -i: refused on
// line 1 once the bound is passed, not read on.
TEST_F(CalculatorStreams, AnEndlessLineFromAFifoStopsAtTheBound) {
  ASSERT_EQ(mkfifo("endless", 0600), 0);
  // Endless as far as a sound reader can tell; a cap so that a reader
  // without the bound fails the test rather than hanging it.
  constexpr std::uint64_t kCap = std::uint64_t{256} << 20;
  std::future<Fed> feeding = std::async(std::launch::async, [] {
    const int fd = open("endless", O_WRONLY | O_CLOEXEC);
    return fd < 0 ? Fed{} : Feed(fd, "", kCap).get();
  });
  const int input = EmptyInput();
  const int output = OpenToWrite("stdout.txt");
  const ChildRun run = RunCalculator({"height", "-i", "endless"}, input, output);
  close(input);
  close(output);
  // Should the program not have opened the FIFO, its writer still waits.
  close(open("endless", O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  const Fed fed = feeding.get();
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.errors, "pdravlik-calc: line 1: " + kTooLong);
  EXPECT_LT(run.peakKilobytes, kMemoryBoundKilobytes);
  EXPECT_TRUE(fed.readerLeft);
  EXPECT_LT(fed.written, kCap / 10);
  EXPECT_EQ(testing::FileBytes("stdout.txt").size(), 0u);
}

}  // namespace
}  // namespace dravlik
