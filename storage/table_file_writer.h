// A table's file written in one go, for batch jobs: recreated as
// TTable::CreateTable recreates it (the same file, bytes and guards), filled
// record after record, and put in the old file's place only when Finish
// succeeds. A writer destroyed before that removes the new file and leaves
// the old one as it was. No editing states, no grid: a record is filled,
// appended, and the next one started.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "field.h"
#include "record_values.h"
#include "session.h"
#include "table_recreation.h"

namespace dravlik {

class TTable;

class TableFileWriter {
 public:
  // `schema` names the file and its fields, and must outlive the writer; its
  // fields' messages and the table's name go into the errors, as the table's.
  TableFileWriter(const TTable& schema, TSession& session);
  ~TableFileWriter();
  TableFileWriter(const TableFileWriter&) = delete;
  TableFileWriter& operator=(const TableFileWriter&) = delete;

  // Starts a blank record (one is started when the writer opens).
  void NewRecord();
  // Stores a value of the schema's field `field` (by index) in the record:
  // one that the field's StringValue, IntegerValue or FloatValue gave; null
  // empties it. A read-only field raises the table's message.
  void SetValue(int field, const FieldValue& value);
  // Appends the record to the file; a required field without a value raises
  // the table's message, and nothing is appended.
  void Append();
  // Records appended so far.
  int RecordCount() const { return recordCount_; }
  // Closes the file and puts it in the old one's place. When the close fails
  // the new file is dropped and the engine's error raised.
  void Finish();

 private:
  void CloseCursor() noexcept;

  const TTable& schema_;
  std::unique_ptr<DatabaseConnection> connection_;
  std::unique_ptr<TableRecreation> recreation_;
  dbfe_cursor cursor_ = nullptr;
  std::vector<BoundField> fields_;  // by the schema's field
  std::vector<std::uint8_t> record_;
  int recordCount_ = 0;
};

}  // namespace dravlik
