// A client of the engine that the tests run in a child process, to kill it,
// race it against another, limit its file size or take away its rights.
//
//   append PATH FIRST COUNT [FSIZE]  appends rows FIRST.. (test_rows.h); prints
//                                    "posted N" after each insert returns
//   create PATH [FSIZE]              creates the height-diameter table over PATH
//   hold PATH                        opens the table, prints "open", waits
//   lock PATH SEQ                    locks record SEQ for editing, prints "locked", waits
//   probe-read-only PATH             as an unprivileged user: the statuses of a
//                                    read-write open, a read-only open and an insert
//
// A failure prints "failed XXXX" and the error context's lines, and exits 2.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

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

int Append(const std::string& path, std::uint64_t first, std::uint64_t count) {
  OpenTable table(path);
  if (table.status() != DBFE_OK) Fail(table.status());
  for (std::uint64_t i = first; i < first + count; ++i) {
    const dbfe_status status = table.Append(RowAt(i));
    if (status != DBFE_OK) Fail(status);
    Say("posted " + std::to_string(i));
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
  dbfe_get_cursor_props(table.cursor(), &props);
  Say(std::string("read-only open, read_only=") + (props.read_only ? "true" : "false"));
  Say("rows " + std::to_string(table.ReadAll().size()));
  char code[8];
  std::snprintf(code, sizeof code, "%04x", table.Append(RowAt(0)));
  Say(std::string("insert ") + code);
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
