// A table recreated empty under a hidden name beside its old file, to take
// the old file's place whole or not at all: Commit renames it over the old
// file; Drop, or destruction before a commit, removes it and leaves the old
// file as it was. Until then a signal that ends the program removes the new
// file and the recreation's lock too. The table and the batch file writer
// both recreate their files through it, so that both write the same bytes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "field.h"
#include "interrupted_writes.h"
#include "session.h"

namespace dravlik {

// The engine's record structure for `fields` in a table of `driver`'s type:
// what creating the table takes. Raises the engine's error.
std::vector<dbfe_field_desc> TranslatedFields(const DatabaseConnection& connection, const std::string& driver,
                                              const std::vector<const TField*>& fields);

class TableRecreation {
 public:
  // Begins the new table for `tableName` (relative to the working
  // directory) with the translated fields; raises the engine's error.
  TableRecreation(TSession& session, const std::string& tableName, const std::string& driver,
                  std::vector<dbfe_field_desc> fields);
  ~TableRecreation() { Drop(); }
  TableRecreation(const TableRecreation&) = delete;
  TableRecreation& operator=(const TableRecreation&) = delete;

  // The name to open the new table under.
  const std::string& NewTableName() const { return newName_; }
  // Needs every cursor on the new table closed. Whether it succeeds or not,
  // the recreation is over; a failure raises the engine's error. A new table
  // in place that a system crash may yet take back is a success, and the
  // session's warning.
  void Commit();
  // Removes the new table; only files that nothing else needs, so a failure
  // costs space and is not raised.
  void Drop() noexcept;
  bool Pending() const { return replacement_ != nullptr; }

 private:
  TSession& session_;
  std::unique_ptr<DatabaseConnection> connection_;  // keeps the engine while the replacement lives
  dbfe_replacement replacement_ = nullptr;
  std::string newName_;
  std::vector<std::unique_ptr<InterruptedWriteGuard>> guards_;
};

}  // namespace dravlik
