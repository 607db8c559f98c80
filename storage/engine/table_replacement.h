// Replacing a table whole. The new table is written beside the old one under
// a hidden name of its own and renamed over it only when it is complete, so a
// failure, a full disk or a killed process leaves the old table as it was, and
// every reader sees the old table until then.
//
// One replacement of a table runs at a time across programs: it holds the
// exclusive lock of ".NAME.lock" beside the table from begin to commit or
// drop. What a killed replacement left (".NAME.NNNNNNNNN.tmp") is removed by
// the next one, which alone can hold that lock.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>

#include "append_run.h"
#include "error_context.h"
#include "file_layout.h"
#include "os_file.h"

namespace dbfe {

class TableReplacement {
 public:
  // Creates the new, empty table. Throws DBFE_ERR_TABLE_IN_USE (another
  // replacement runs, or the old table is open), DBFE_ERR_TABLE_EXISTS (an
  // existing table without `overwrite`), DBFE_ERR_READ_ONLY_ACCESS (the user
  // made the old table read-only) or DBFE_ERR_CREATE_FAILED, naming the table.
  TableReplacement(std::string path, const TableLayout& layout, bool overwrite);
  // Drops the new table unless it was committed.
  ~TableReplacement();
  TableReplacement(const TableReplacement&) = delete;
  TableReplacement& operator=(const TableReplacement&) = delete;

  // The new table's file name, in the old table's directory.
  std::string NewFileName() const;

  // Puts the new table in the old one's place, with the old one's permissions
  // and group.
  // Every cursor on the new table must be closed. Throws DBFE_ERR_TABLE_IN_USE
  // (a cursor on either table is open), DBFE_ERR_TABLE_REPLACED (another
  // program put a different file under the table's name meanwhile),
  // DBFE_ERR_TABLE_EXISTS or DBFE_ERR_CREATE_FAILED; the new table is dropped
  // then, the old one left as it is. Once the new table is in place nothing
  // is thrown: a directory that cannot be synced comes back as
  // DBFE_WARN_NOT_DURABLE, naming the table and the reason.
  [[nodiscard]] std::optional<EngineError> Commit();

 private:
  struct OldTable {
    FileIdentity identity;
    struct stat attributes;  // its mode, owner and group go to the new table
  };

  void InspectOldTable();
  void CreateNewFile(const TableLayout& layout);
  FileDescriptor LockOldTableForCommit() const;
  void PutInPlace();
  std::optional<EngineError> MakeRenameDurable() const noexcept;
  void Drop() noexcept;

  std::string path_;
  bool overwrite_;
  FileDescriptor lock_;
  std::string lock_path_;
  FileDescriptor new_file_;
  std::string new_path_;
  std::optional<OldTable> old_;
  bool committed_ = false;
};

}  // namespace dbfe
