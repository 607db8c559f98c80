// A run of inserts by one cursor: the append lock held from the run's first
// insert to its end, and the records stored through a shared mapping of the
// file's tail, so that an insert within a run makes no system call.
//
// A run ends when its cursor does anything else with the table or is closed,
// when it has been idle for a moment (the run reaper ends it), and when it has
// held the lock 50 ms while another cursor or program waits for it. Its end
// cuts the file back to header, records and end marker. Until then the file
// may hold zeros after the marker: space allocated ahead, so that a full disk
// or a file size limit shows as an error when the file grows, never as a
// fault in a store. Readers ignore them; a killed run leaves them behind and
// the next run on the table cuts them.
//
// Where the file system cannot map the file or might need new space to store
// into allocated blocks, the run writes the records through write calls.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>

#include "append_lock.h"
#include "file_layout.h"
#include "os_file.h"
#include "table_append.h"

namespace dbfe {

struct FileIdentity {
  dev_t device;
  ino_t inode;
  bool operator==(const FileIdentity&) const = default;
};

// The monotonic clock at the scheduler's resolution, without a system call.
std::int64_t CoarseNanoseconds() noexcept;

class AppendRun {
 public:
  struct Options {
    bool shared = true;    // other cursors may append too, so the run takes the append lock
    bool map_tail = true;  // false: write calls only
  };

  AppendRun(int fd, std::string path, FileIdentity file, TableLayout layout, Options options);
  AppendRun(const AppendRun&) = delete;
  AppendRun& operator=(const AppendRun&) = delete;

  // Appends `record` (its flag included) within the current run, starting one
  // if none is going: waits for the append lock and re-reads the header's
  // record count, which must not have fallen below `known_count`. Returns the
  // new record's number (0-based). A failed insert ends the run, leaving the
  // table as it was before; it throws DBFE_ERR_WRITE_FAILED,
  // DBFE_ERR_TABLE_LOCKED or DBFE_ERR_CORRUPT_TABLE naming the table.
  std::uint32_t Append(std::span<const std::uint8_t> record, std::uint32_t known_count);

  // On the cursor's own thread. A failed cut of the file is kept for
  // TakeCutError: the table is whole either way.
  void End() noexcept;
  bool active() const { return active_.load(std::memory_order_acquire); }
  // The errno of a failed cut since the last call, else 0.
  int TakeCutError() noexcept;

  std::chrono::milliseconds lock_wait() const { return lock_wait_; }
  void set_lock_wait(std::chrono::milliseconds wait) { lock_wait_ = wait; }

  // From other threads. Ends the run if no insert came after `idle_since`
  // (a CoarseNanoseconds() value); whether a run is still going.
  bool EndIfIdle(std::int64_t idle_since) noexcept;
  // Ends the run if the calling thread started it.
  void EndIfStartedByThisThread() noexcept;
  const FileIdentity& file() const { return file_; }

 private:
  void Begin(std::uint32_t known_count);
  std::uint32_t AppendOrEnd(std::span<const std::uint8_t> record);
  bool MayGoOn();
  bool MapWindowFor(std::uint64_t place);
  void EndLocked() noexcept;

  const int fd_;
  const std::string path_;
  const FileIdentity file_;
  const TableLayout layout_;
  const Options options_;
  bool map_tail_;  // worth trying on this file
  std::chrono::milliseconds lock_wait_ = kDefaultLockWait;

  // The run, guarded by mutex_ since the reaper may end it.
  std::mutex mutex_;
  std::atomic<bool> active_{false};
  std::atomic<std::int64_t> last_insert_{0};
  bool watched_ = false;  // else the run ends after each insert
  pid_t owner_process_ = 0;
  std::thread::id owner_thread_;
  std::int64_t waiters_checked_ = 0;
  std::uint32_t count_ = 0;
  bool sealed_ = false;
  std::uint64_t longest_ = 0;  // the file may be this long; cut back at the end
  std::optional<FileTarget> written_;
  FileMapping header_;
  FileMapping window_;
  MappedTarget mapped_;
  int cut_error_ = 0;
};

}  // namespace dbfe
