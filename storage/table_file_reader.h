// A table's file read in one go, for batch jobs: its records in file order,
// each field's value as TTable::RowValue gives it, without editing states or
// a grid's windows. The file is opened read-only and shared, so that nobody
// replaces it while the reader lives.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "field.h"
#include "record_values.h"
#include "session.h"

namespace dravlik {

class TTable;

class TableFileReader {
 public:
  // Opens `schema`'s file and binds the schema's fields as opening the table
  // would, with the table's messages. The schema may go afterwards.
  TableFileReader(const TTable& schema, TSession& session);
  ~TableFileReader();
  TableFileReader(const TableFileReader&) = delete;
  TableFileReader& operator=(const TableFileReader&) = delete;

  int FieldCount() const { return static_cast<int>(fields_.size()); }
  // The schema's name of a field.
  const std::string& FieldName(int field) const { return names_.at(static_cast<std::size_t>(field)); }
  // The records the file held when it was opened: those the reader gives.
  int RecordCount() const { return recordCount_; }

  // Moves to the next record; false after the last. A record that another
  // program deleted meanwhile makes the engine's end-of-table error.
  bool Next();
  // The current record's position in the file, from 0; -1 before the first.
  int RecordNumber() const { return recordNumber_; }
  // A field's value (by the schema's index) in the current record. A failed
  // read, such as a stored text that is no number, raises EDBEngineError.
  FieldValue Value(int field) const;

 private:
  void ReadBlock();

  std::unique_ptr<DatabaseConnection> connection_;
  dbfe_cursor cursor_ = nullptr;
  std::vector<BoundField> fields_;
  std::vector<std::string> names_;
  std::size_t recordSize_ = 0;
  int recordCount_ = 0;
  int recordNumber_ = -1;
  // Records read ahead in one piece, and the current one's place among them.
  std::vector<std::uint8_t> block_;
  int blockFirst_ = 0;
  int blockCount_ = 0;
};

}  // namespace dravlik
