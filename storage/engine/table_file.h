// An open table file: its descriptor with the shared (or exclusive) lock that
// keeps it from being replaced, its layout, and the reads and writes of
// records under the locks that keep several cursors and programs apart.
//
// The engine's locks, outermost first. One is only ever taken while holding
// none below it; only the append lock is waited for (at most the cursor's
// lock wait), the file and record locks are tried once and refused at once.
//   1. A table's replacement lock: flock on .NAME.lock, exclusive, from the
//      replacement's creation to its commit or end (table_replacement.cpp).
//   2. A table's whole-file lock: flock on the table file, shared, exclusive
//      for DBFE_EXCLUSIVE, while a cursor has it open. A replacement tries it
//      exclusive on the old table, when it starts and at its commit, and on
//      the new table at its commit.
//   3. Record locks: OFD locks on a record's bytes, held by a cursor until it
//      unlocks the record or closes.
//   4. The append lock (append_lock.h): an OFD lock on one byte far past any
//      record, for a run of inserts and for each change of a record's bytes
//      or of the header; a cursor ends its own run before it takes a record
//      lock or waits for this one.
//   5. A run's mutex (append_run.h), taken with the append lock held.
//   6. The reaper's mutex (run_reaper.cpp), taken under a run's mutex when a
//      run starts. The reaper's thread lets go of it before it tries a run's
//      mutex, and only tries that.
// The session's mutex (engine_session.cpp), which guards the handles, is held
// alone.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "append_run.h"
#include "engine_api.h"
#include "file_layout.h"
#include "os_file.h"

namespace dbfe {

class TableFile {
 public:
  // Throws DBFE_ERR_TABLE_NOT_FOUND, DBFE_ERR_READ_ONLY_ACCESS (read-write asked
  // for a file that can only be read), DBFE_ERR_TABLE_IN_USE, DBFE_ERR_OPEN_FAILED,
  // DBFE_ERR_CORRUPT_TABLE or DBFE_ERR_INVALID_FIELD_DEFINITION.
  static TableFile Open(const std::string& path, dbfe_open_mode mode, dbfe_share_mode share);
  TableFile(TableFile&&) noexcept = default;
  TableFile& operator=(TableFile&&) = delete;
  ~TableFile();

  const std::string& path() const { return path_; }
  const TableLayout& layout() const { return layout_; }
  bool read_only() const { return read_only_; }
  std::uint32_t record_count() const { return layout_.record_count; }

  // Every operation but Append first ends this cursor's run of inserts.

  // Re-reads the header's record count, which other programs may have raised.
  std::uint32_t RefreshRecordCount();

  void ReadRecord(std::uint32_t record, std::span<std::uint8_t> out);
  // `count` records from `first` on, one after another.
  void ReadRecords(std::uint32_t first, std::uint32_t count, std::span<std::uint8_t> out);
  // Hands the deletion flags of the records from `first` up to record_count()
  // to `take`, a piece of at most 1 MiB of the file at a time.
  void ReadFlags(std::uint32_t first, const std::function<void(std::span<const std::uint8_t>)>& take);

  // Appends within this cursor's run of inserts (see append_run.h); returns
  // the new record's number (0-based).
  std::uint32_t Append(std::span<const std::uint8_t> record);
  // Replaces a record's fields, keeping its deletion flag.
  void WriteFields(std::uint32_t record, std::span<const std::uint8_t> bytes);
  void WriteFlag(std::uint32_t record, std::uint8_t flag);

  // How long an append or a change waits for another program's append lock.
  void SetLockWait(std::chrono::milliseconds wait);

  // Record locks: false when another cursor or program holds the record.
  bool TryLockRecord(std::uint32_t record);
  void UnlockRecord(std::uint32_t record) noexcept;

  // Flushes this cursor's changes to the disk, if it made any.
  void SyncChanges();

 private:
  TableFile(std::string path, FileDescriptor fd, bool read_only)
      : path_(std::move(path)), fd_(std::move(fd)), read_only_(read_only) {}
  void ReadLayout();
  void StartAppendRuns(FileIdentity file, bool exclusive);
  void EndAppendRun();
  std::uint32_t ReadRecordCount() const;
  void RequireWritable() const;
  void StampDate();

  std::string path_;
  FileDescriptor fd_;
  bool read_only_;
  bool changed_ = false;
  TableLayout layout_;
  std::chrono::milliseconds lock_wait_ = kDefaultLockWait;
  std::shared_ptr<AppendRun> run_;  // read-write files only
};

}  // namespace dbfe
