// A client of the engine that the tests run in a child process, to kill it,
// race it against another, limit its file size or take away its rights.
//
//   append PATH FIRST COUNT [FSIZE]  appends rows FIRST.. (test_rows.h); prints
//                                    "posted N" after each insert returns
//   append-every PATH FIRST COUNT K  the same, printing only every K-th row
//   append-and-wait PATH FIRST COUNT appends, prints "appended", then waits
//                                    with the table open and touches it no more
//   hold-append-lock PATH MS         holds the append lock as a program stopped
//                                    in a run of inserts would; prints "locked",
//                                    releases it after MS ms (0: never)
//   create PATH [FSIZE]              creates the height-diameter table over PATH
//   hold PATH                        opens the table, prints "open", waits
//   lock PATH SEQ                    locks record SEQ for editing, prints "locked", waits
//   probe-read-only PATH             as an unprivileged user: the statuses of a
//                                    read-write open, a read-only open and an insert
//
// A failure prints "failed XXXX" and the error context's lines, and exits 2.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "append_lock.h"
#include "test_rows.h"

using namespace dbfe::testing;

namespace {

void Say(const std::string& line) {
  const std::string text = line + "\n";
  // Unbuffered, so that a kill loses nothing that was said.
  if (::write(STDOUT_FILENO, text.data(), text.size()) < 0) std::_Exit(3);
}

[[noreturn]] void Fail(dbfe_status status) {
  char code[8];
  std::snprintf(code, sizeof code, "%04x", status);
  Say(std::string("failed ") + code);
  for (const std::string& line : FailureLines(status)) Say(line);
  std::exit(2);
}

void LimitFileSize(const char* bytes) {
  ::signal(SIGXFSZ, SIG_IGN);
  const rlim_t limit = std::strtoull(bytes, nullptr, 10);
  const rlimit rl{limit, limit};
  if (::setrlimit(RLIMIT_FSIZE, &rl) != 0) std::exit(4);
}

[[noreturn]] void WaitToBeKilled() {
  for (;;) ::pause();
}

int Append(const std::string& path, std::uint64_t first, std::uint64_t count, std::uint64_t every = 1,
           bool wait = false) {
  OpenTable table(path);
  if (table.status() != DBFE_OK) Fail(table.status());
  for (std::uint64_t i = first; i < first + count; ++i) {
    const dbfe_status status = table.Append(RowAt(i));
    if (status != DBFE_OK) Fail(status);
    if ((i - first + 1) % every == 0) Say("posted " + std::to_string(i));
  }
  if (wait) {
    Say("appended");
    WaitToBeKilled();
  }
  const dbfe_status status = table.Close();
  if (status != DBFE_OK) Fail(status);
  Say("done");
  return 0;
}

// Drops root's right to write any file, so that file permissions apply.
void BecomeUnprivileged() {
  if (::geteuid() != 0) return;
  if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
    Say("cannot drop root's privileges");
    std::exit(5);
  }
}

int ProbeReadOnly(const std::string& path) {
  BecomeUnprivileged();
  {
    OpenTable table(path, DBFE_READ_WRITE);
    char code[8];
    std::snprintf(code, sizeof code, "%04x", table.status());
    Say(std::string("read-write ") + code);
    if (table.status() != DBFE_OK) {
      for (const std::string& line : FailureLines(table.status())) Say("  " + line);
    }
  }
  OpenTable table(path, DBFE_READ_ONLY);
  if (table.status() != DBFE_OK) Fail(table.status());
  dbfe_cursor_props props{};
  if (const dbfe_status status = dbfe_get_cursor_props(table.cursor(), &props); status != DBFE_OK) Fail(status);
  Say(std::string("read-only open, read_only=") + (props.read_only ? "true" : "false"));
  Say("rows " + std::to_string(table.ReadAll().size()));
  char code[8];
  std::snprintf(code, sizeof code, "%04x", table.Append(RowAt(0)));
  Say(std::string("insert ") + code);
  return 0;
}

int HoldAppendLock(const std::string& path, int milliseconds) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  struct flock range {};
  range.l_type = F_WRLCK;
  range.l_whence = SEEK_SET;
  range.l_start = static_cast<off_t>(dbfe::kAppendLockOffset);
  range.l_len = 1;
  if (fd < 0 || ::fcntl(fd, F_OFD_SETLK, &range) != 0) {
    Say("cannot lock");
    return 2;
  }
  Say("locked");
  if (milliseconds == 0) WaitToBeKilled();
  ::usleep(static_cast<useconds_t>(milliseconds) * 1000);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 64;
  const std::string mode = argv[1];
  const std::string path = argv[2];
  EngineSession session;
  if (mode == "append" && argc >= 5) {
    if (argc >= 6) LimitFileSize(argv[5]);
    return Append(path, std::strtoull(argv[3], nullptr, 10), std::strtoull(argv[4], nullptr, 10));
  }
  if (mode == "append-every" && argc >= 6) {
    return Append(path, std::strtoull(argv[3], nullptr, 10), std::strtoull(argv[4], nullptr, 10),
                  std::max<std::uint64_t>(1, std::strtoull(argv[5], nullptr, 10)));
  }
  if (mode == "append-and-wait" && argc >= 5) {
    return Append(path, std::strtoull(argv[3], nullptr, 10), std::strtoull(argv[4], nullptr, 10), 1, true);
  }
  if (mode == "hold-append-lock" && argc >= 4) return HoldAppendLock(path, std::atoi(argv[3]));
  if (mode == "create") {
    if (argc >= 4) LimitFileSize(argv[3]);
    const dbfe_status status = CreateHeightDiameterTable(path);
    if (status != DBFE_OK) Fail(status);
    Say("created");
    return 0;
  }
  if (mode == "hold") {
    OpenTable table(path);
    if (table.status() != DBFE_OK) Fail(table.status());
    Say("open");
    WaitToBeKilled();
  }
  if (mode == "lock" && argc >= 4) {
    OpenTable table(path);
    if (table.status() != DBFE_OK) Fail(table.status());
    dbfe_status status = dbfe_set_to_seq_no(table.cursor(), static_cast<std::uint32_t>(std::atoi(argv[3])));
    if (status == DBFE_OK) status = dbfe_get_record(table.cursor(), DBFE_WRITE_LOCK, nullptr, nullptr);
    if (status != DBFE_OK) Fail(status);
    Say("locked");
    WaitToBeKilled();
  }
  if (mode == "probe-read-only") return ProbeReadOnly(path);
  return 64;
}
