// Output files: whole or not at all for files, directly for devices, pipes and
// open descriptors; read-only files refused; mode, owner and group kept; what
// killed writers left removed, and nothing else.
#include "output_file.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sys/wait.h>

#include <csignal>
#include <functional>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "working_directory_for_tests.h"

namespace dravlik {
namespace {

using testing::FileText;
using testing::FilesHere;

void Put(const std::string& path, const std::string& text, mode_t mode = 0644) {
  std::ofstream(path, std::ios::binary) << text;
  ASSERT_EQ(::chmod(path.c_str(), mode), 0);
}

struct stat StatOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
  return info;
}

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

// What a pipe's reader got once every writer closed it.
std::string Drain(int fd) {
  std::string text;
  char buffer[4096];
  for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(got));
  ::close(fd);
  return text;
}

// A supplementary group of the user other than the current one, or -1.
gid_t AnotherGroupOfTheUser() {
  gid_t groups[256];
  const int count = ::getgroups(256, groups);
  for (int i = 0; i < count; ++i) {
    if (groups[i] != ::getegid()) return groups[i];
  }
  return static_cast<gid_t>(-1);
}

class OutputFileTest : public testing::InFreshDirectory {};

TEST_F(OutputFileTest, ReplacesAFileWholeOrNotAtAll) {
  Put("out.csv", "old");
  {
    OutputFile file("out.csv");
    file.Write("new, half written");
    EXPECT_EQ(FileText("out.csv"), "old");
    EXPECT_EQ(FilesHere().size(), 2u) << "one hidden file beside the target";
  }
  EXPECT_EQ(FileText("out.csv"), "old");
  EXPECT_EQ(FilesHere(), std::vector<std::string>{"out.csv"});
  WriteOutputFile("out.csv", "new");
  EXPECT_EQ(FileText("out.csv"), "new");
  EXPECT_EQ(FilesHere(), std::vector<std::string>{"out.csv"});
  EXPECT_NE(MessageOf([] { WriteOutputFile("no-such-directory/out.csv", "x"); }).find(
                "cannot write no-such-directory/out.csv: No such file or directory"),
            std::string::npos);
  ASSERT_EQ(::mkdir("folder", 0755), 0);
  EXPECT_EQ(MessageOf([] { WriteOutputFile("folder", "x"); }), "cannot write folder: Is a directory");
}

TEST_F(OutputFileTest, WritesPipesAndOpenDescriptorsDirectly) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  const std::string descriptor = "/dev/fd/" + std::to_string(ends[1]);
  ASSERT_EQ(::symlink(("/proc/self/fd/" + std::to_string(ends[1])).c_str(), "stdout-like"), 0);
  WriteOutputFile(descriptor, "through /dev/fd; ");
  WriteOutputFile("stdout-like", "through a link to it");
  ::close(ends[1]);
  EXPECT_EQ(Drain(ends[0]), "through /dev/fd; through a link to it");
  EXPECT_TRUE(S_ISLNK(StatOf("stdout-like").st_mode)) << "the link stays a link";

  // A shell's ">>" redirection: appended to, not replaced.
  std::ofstream("log") << "start; ";
  const int log = ::open("log", O_WRONLY | O_APPEND);
  ASSERT_GE(log, 0);
  WriteOutputFile("/proc/self/fd/" + std::to_string(log), "appended");
  ::close(log);
  EXPECT_EQ(FileText("log"), "start; appended");

  ASSERT_EQ(::mkfifo("fifo", 0600), 0);
  std::string read;
  std::thread reader([&] { read = Drain(::open("fifo", O_RDONLY)); });
  WriteOutputFile("fifo", "through a FIFO");
  reader.join();
  EXPECT_EQ(read, "through a FIFO");
  EXPECT_TRUE(S_ISFIFO(StatOf("fifo").st_mode)) << "the FIFO stays a FIFO";
  EXPECT_EQ(FilesHere(), (std::vector<std::string>{"fifo", "log", "stdout-like"}));
}

TEST_F(OutputFileTest, ReportsTheWriteErrorsOfADirectTarget) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  ::close(ends[0]);
  const auto previous = std::signal(SIGPIPE, SIG_IGN);
  const std::string path = "/dev/fd/" + std::to_string(ends[1]);
  EXPECT_EQ(MessageOf([&] { WriteOutputFile(path, "lost"); }), "cannot write " + path + ": Broken pipe");
  std::signal(SIGPIPE, previous);
  ::close(ends[1]);
  EXPECT_EQ(MessageOf([] { WriteOutputFile("/dev/fd/999", "x"); }), "cannot write /dev/fd/999: Bad file descriptor");
}

TEST_F(OutputFileTest, RefusesAFileItsOwnerMadeReadOnlyEvenForRoot) {
  Put("protected.csv", "keep", 0444);
  EXPECT_EQ(MessageOf([] { WriteOutputFile("protected.csv", "lost"); }),
            "cannot write protected.csv: the file is read-only");
  EXPECT_EQ(FileText("protected.csv"), "keep");
  EXPECT_EQ(FilesHere(), std::vector<std::string>{"protected.csv"});
}

TEST_F(OutputFileTest, KeepsTheModeAndIsNeverMoreOpenWhileWritten) {
  Put("private.csv", "old", 0600);
  Put("shared.csv", "old", 0664);
  {
    OutputFile file("shared.csv");
    for (const std::string& name : FilesHere()) {
      if (name.front() == '.') {
        EXPECT_EQ(StatOf(name).st_mode & 077, 0u) << "the hidden file is private";
      }
    }
    file.Commit();
  }
  WriteOutputFile("private.csv", "new");
  EXPECT_EQ(StatOf("private.csv").st_mode & 07777, 0600u);
  EXPECT_EQ(StatOf("shared.csv").st_mode & 07777, 0664u);
  const mode_t previous = ::umask(027);
  WriteOutputFile("new.csv", "new");
  ::umask(previous);
  EXPECT_EQ(StatOf("new.csv").st_mode & 07777, 0640u) << "a new file follows the umask";
}

// Runs `write` as user 65534 in group 65534 with `group` beside it; true when
// it wrote without an error.
bool WrittenAsAnotherUser(gid_t group, const std::function<void()>& write) {
  const pid_t child = ::fork();
  if (child == 0) {
    const gid_t groups[] = {group};
    if (::setgroups(1, groups) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    try {
      write();
    } catch (...) {
      ::_exit(1);
    }
    ::_exit(0);
  }
  int status = 0;
  return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(OutputFileTest, KeepsTheOwnerForRootAndTheGroupForItsMembers) {
  Put("shared.csv", "old", 0640);
  if (::geteuid() != 0) {
    const gid_t group = AnotherGroupOfTheUser();
    if (group == static_cast<gid_t>(-1)) GTEST_SKIP() << "the user belongs to one group only";
    ASSERT_EQ(::chown("shared.csv", static_cast<uid_t>(-1), group), 0);
    WriteOutputFile("shared.csv", "new");
    EXPECT_EQ(StatOf("shared.csv").st_gid, group);
    EXPECT_EQ(StatOf("shared.csv").st_mode & 07777, 0640u);
    return;
  }
  ASSERT_EQ(::chown("shared.csv", 12345, 12346), 0);
  WriteOutputFile("shared.csv", "by root");
  EXPECT_EQ(StatOf("shared.csv").st_uid, 12345u) << "root gives the file back to its owner";
  EXPECT_EQ(StatOf("shared.csv").st_gid, 12346u);
  EXPECT_EQ(StatOf("shared.csv").st_mode & 07777, 0640u);

  ASSERT_EQ(::chmod(Directory().c_str(), 0777), 0);
  ASSERT_EQ(::chown("shared.csv", 65534, 100), 0);
  ASSERT_TRUE(WrittenAsAnotherUser(100, [] { WriteOutputFile("shared.csv", "by a member"); }));
  EXPECT_EQ(FileText("shared.csv"), "by a member");
  EXPECT_EQ(StatOf("shared.csv").st_gid, 100u) << "a member keeps the group";
  EXPECT_EQ(StatOf("shared.csv").st_mode & 07777, 0640u);

  ASSERT_EQ(::chown("shared.csv", 65534, 12346), 0);
  ASSERT_EQ(::chmod("shared.csv", 0660), 0);
  ASSERT_TRUE(WrittenAsAnotherUser(100, [] { WriteOutputFile("shared.csv", "by a stranger"); }));
  EXPECT_NE(StatOf("shared.csv").st_gid, 12346u);
  EXPECT_EQ(StatOf("shared.csv").st_mode & 07777, 0600u) << "a group it could not keep gets no access";
}

TEST_F(OutputFileTest, RemovesOnlyWhatKilledWritersOfTheSameTargetLeft) {
  Put("victim", "keep");
  Put(".out.csv.123456789.tmp", "a killed run's");
  Put(".out.csv.12ab.tmp", "not our pattern");
  Put(".other.csv.123.tmp", "another target's");
  ASSERT_EQ(::symlink("victim", ".out.csv.555.tmp"), 0);
  ASSERT_EQ(::mkdir(".out.csv.666.tmp", 0755), 0);
  std::vector<std::string> kept = {".other.csv.123.tmp", ".out.csv.12ab.tmp", ".out.csv.555.tmp", ".out.csv.666.tmp"};
  if (::geteuid() == 0) {
    Put(".out.csv.777.tmp", "someone else's");
    ASSERT_EQ(::chown(".out.csv.777.tmp", 12345, 12345), 0);
    kept.push_back(".out.csv.777.tmp");
  }
  OutputFile running("out.csv");  // a live writer's file is no leftover
  running.Write("running");
  WriteOutputFile("out.csv", "first");
  running.Commit();
  kept.insert(kept.end(), {"out.csv", "victim"});
  EXPECT_EQ(FilesHere(), kept);
  EXPECT_EQ(FileText("out.csv"), "running");
  EXPECT_EQ(FileText("victim"), "keep");
}

}  // namespace
}  // namespace dravlik
