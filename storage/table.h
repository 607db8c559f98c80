// A table of the database engine with its persistent fields: the operations the
// generators and the grids use, with their states, checks and messages.
//
// Rows are what a grid shows: the table's records in file order, numbered from
// 0, and while a new record is pending (insert state) that record too, as a row
// of its own at InsertRow(). Posted, it goes to the end of the file like every
// record of an unindexed dBASE table. A grid reads the rows it shows through
// RowValue, which keeps a few windows of rows (row_window_cache.h), so showing
// a large table reads only what is visible, and jumping to its end reads one
// window.
//
// The table tells its data links (data_link.h) what changed; a link removes
// itself when it is destroyed, and a table going away detaches its links.
#pragma once

#include <algorithm>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data_link.h"
#include "database_error.h"
#include "field.h"
#include "row_window_cache.h"
#include "session.h"
#include "table_recreation.h"
#include "table_type.h"

namespace dravlik {

// A table's states and the calls that move it between them:
//
//   inactive      Open            -> browse  (a failed Open leaves it inactive, cursor closed)
//   browse        Insert, Append  -> insert  (and Edit on an empty table)
//   browse        Edit            -> edit    (a failed read or lock leaves it in browse)
//   edit, insert  Post            -> browse  (a failed Post leaves state and record as they were)
//   edit, insert  Cancel          -> browse
//   browse, edit  Delete          -> browse, one record fewer (a failed delete changes nothing;
//                                    in insert, Delete is Cancel)
//   any           Close           -> inactive, a pending record dropped (also when the engine
//                                    fails to close the file, which is then raised)
//
// Insert, Append and MoveTo first settle a pending record: posted if modified,
// else cancelled; a failed post leaves it pending. A call that needs another
// state is refused with a message and changes nothing; Edit in edit or insert,
// Cancel in browse and Open on an open table do nothing. Field values are
// stored in the write states: edit, insert and the internal ones from set-key
// on, which no call here enters.
enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue,
                     dsInternalCalc };

class TTable {
 public:
  // `name` is the component's name ("Table1"), `tableName` the file name
  // relative to the working directory ("bon_Hm1.dbf").
  TTable(std::string name, std::string tableName, TSession& session = Session());
  ~TTable();
  TTable(const TTable&) = delete;
  TTable& operator=(const TTable&) = delete;

  const std::string& Name() const { return name_; }
  const std::string& TableName() const { return tableName_; }
  void SetTableName(std::string tableName);

  TStringField& AddStringField(std::string name, std::string fieldName, int size);
  TFloatField& AddFloatField(std::string name, std::string fieldName);
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  TField& Field(int index) const { return *fields_.at(index); }
  // The first field whose name matches, ignoring letter case; raises
  // "Field '%s' not found" with the table's name.
  TField& FieldByName(std::string_view fieldName) const;
  TField* FindField(std::string_view fieldName) const;

  // The type follows the extension; a .dbf with a .FPT or .CDX file beside it
  // is a FoxPro table.
  TTableType TableType() const;
  std::string DriverName() const;

  // Recreates the file empty with the fields' schema. The new table takes the
  // old file's place only when the table, opened on it, is closed: until then
  // the old file stays as it was, and an abandoned replacement never takes its
  // place. The table must be closed.
  void CreateTable();
  // Whether a recreated table still waits to take the old file's place.
  bool ReplacementPending() const { return recreation_ != nullptr; }
  // The recreated table will never take the old file's place: its rows can
  // still be read but no longer changed, and closing the table drops them.
  void AbandonReplacement();
  void Open();
  // Drops a pending record unposted. The table ends closed even when the
  // engine fails to close its file, which is then raised.
  void Close();
  bool Active() const { return state_ != dsInactive; }

  void Insert();  // a new record before the current one
  void Append();  // a new record after the last one
  void Edit();
  void Post();
  void Cancel();
  void Delete();

  TDataSetState State() const { return state_; }
  bool Modified() const { return modified_; }
  bool CanModify() const { return Active() && canModify_; }
  // No stored record (a pending new record does not count).
  bool IsEmpty() const { return recordCount_ == 0; }

  // Rows for grids. RecordCount counts the stored records, RowCount the rows
  // (the pending new record included).
  int RecordCount() const { return recordCount_; }
  int RowCount() const { return recordCount_ + (state_ == dsInsert ? 1 : 0); }
  // The row of the current record (the pending new record's in insert state),
  // -1 when there is none.
  int CurrentRow() const { return state_ == dsInsert ? insertRow_ : currentRow_; }
  // The row of the pending new record, -1 outside insert state.
  int InsertRow() const { return state_ == dsInsert ? insertRow_ : -1; }
  // Makes `row` (numbered as the grid sees the rows now; clamped to the rows
  // there are) the current row. Moving off a pending record posts it if it was
  // modified, else cancels it; staying on the current row does nothing.
  void MoveTo(int row);
  // A field's value in a row: the pending values for the record being edited
  // or inserted, the stored ones elsewhere; null outside the rows. A failed
  // read raises EDBEngineError.
  FieldValue RowValue(int row, int fieldIndex);
  // How many records have been read from the engine so far.
  std::uint64_t RecordsRead() const { return recordsRead_; }

  // A link is told of changes until it is removed or destroyed; adding a link
  // that follows another table moves it here.
  void AddLink(TDataLink& link);
  void RemoveLink(TDataLink& link);

 private:
  friend class TField;

  EngineLibrary& Engine() const { return connection_->Engine(); }
  void Check(dbfe_status status) const { connection_->Engine().Check(status); }
  void CommitReplacement();
  void DropReplacement() noexcept;
  void CheckActive() const;
  void CheckCanModify() const;
  void SettlePending();
  void BeginInsert(int row);
  void BindFields();
  dbfe_status ReleaseCursor();
  void ReadCurrentRecord();
  void RefreshRecordCount();

  FieldValue BufferValue(const std::uint8_t* record, const TField& field) const;
  FieldValue CurrentValue(const TField& field) const;
  void StoreValue(TField& field, const FieldValue& value);

  // A link that a notification removes is not told any more.
  template <class Notify>
  void NotifyLinks(Notify notify) {
    for (TDataLink* link : std::vector<TDataLink*>(links_.begin(), links_.end())) {
      if (std::find(links_.begin(), links_.end(), link) != links_.end()) notify(*link);
    }
  }

  std::vector<RowWindowCache::RowValues> ReadRows(int firstRecord, int count);

  std::string name_;
  std::string tableName_;
  TSession& session_;
  std::vector<std::unique_ptr<TField>> fields_;
  std::list<TDataLink*> links_;

  TDataSetState state_ = dsInactive;
  bool modified_ = false;
  bool canModify_ = false;
  std::unique_ptr<DatabaseConnection> connection_;
  dbfe_cursor cursor_ = nullptr;
  // A recreated table that has not yet taken the old file's place.
  std::unique_ptr<TableRecreation> recreation_;
  bool replacementAbandoned_ = false;
  std::vector<dbfe_field_desc> engineFields_;
  std::vector<std::uint8_t> record_;  // the current record, or the pending one
  int recordCount_ = 0;
  int currentRow_ = -1;  // the current stored record, -1 when there is none
  int insertRow_ = -1;   // where the pending new record shows, in insert state

  std::uint64_t recordsRead_ = 0;
  // The stored records as rows; forgotten whenever they change.
  static constexpr int kRowsPerWindow = 64;
  static constexpr std::size_t kWindowsKept = 16;
  RowWindowCache storedRows_{kRowsPerWindow, kWindowsKept,
                             [this](int first, int count) { return ReadRows(first, count); }};
};

}  // namespace dravlik
