#include "table.h"

#include <algorithm>
#include <optional>

#include "letter_case.h"
#include "record_values.h"

namespace dravlik {
namespace {

constexpr const char* kClosedDataset = "Cannot perform this operation on a closed dataset";
constexpr const char* kReadOnlyDataset = "Cannot modify a read-only dataset";
constexpr const char* kNotEditing = "Dataset not in edit or insert mode";

}  // namespace

TTable::TTable(std::string name, std::string tableName, TSession& session)
    : name_(std::move(name)), tableName_(std::move(tableName)), session_(session) {}

TTable::~TTable() {
  // Closed as Close does, but the links only learn below that the table is gone.
  state_ = dsInactive;
  try {
    if (ReleaseCursor() == DBFE_OK) {
      CommitReplacement();
    } else {
      DropReplacement();
    }
  } catch (...) {
    // Nobody is left to hear of a failed close here.
  }
  // Links that outlive the table learn that it is gone: it has no data set.
  const std::list<TDataLink*> links = std::move(links_);
  for (TDataLink* link : links) link->dataSet_ = nullptr;
  for (TDataLink* link : links) link->ActiveChanged();
}

void TTable::AddLink(TDataLink& link) {
  if (link.dataSet_ == this) return;
  if (link.dataSet_) link.dataSet_->RemoveLink(link);
  links_.push_back(&link);
  link.dataSet_ = this;
}

void TTable::RemoveLink(TDataLink& link) {
  if (link.dataSet_ != this) return;
  links_.remove(&link);
  link.dataSet_ = nullptr;
}

void TTable::SetTableName(std::string tableName) {
  if (Active()) DatabaseError("Cannot perform this operation on an open dataset", name_);
  tableName_ = std::move(tableName);
}

TStringField& TTable::AddStringField(std::string name, std::string fieldName, int size) {
  auto field = std::make_unique<TStringField>(*this, std::move(name), std::move(fieldName), size);
  TStringField& result = *field;
  fields_.push_back(std::move(field));
  return result;
}

TFloatField& TTable::AddFloatField(std::string name, std::string fieldName) {
  auto field = std::make_unique<TFloatField>(*this, std::move(name), std::move(fieldName));
  TFloatField& result = *field;
  fields_.push_back(std::move(field));
  return result;
}

TField* TTable::FindField(std::string_view fieldName) const {
  for (const auto& field : fields_) {
    if (SameTextIgnoringCase(field->FieldName(), fieldName)) return field.get();
  }
  return nullptr;
}

TField& TTable::FieldByName(std::string_view fieldName) const {
  if (TField* field = FindField(fieldName)) return *field;
  DatabaseError("Field '" + std::string(fieldName) + "' not found", name_);
}

TTableType TTable::TableType() const { return TableTypeOf(tableName_); }

std::string TTable::DriverName() const { return DriverNameOf(TableType()); }

void TTable::CreateTable() {
  if (Active()) DatabaseError("Cannot perform this operation on an open dataset", name_);
  const DatabaseConnection connection(session_);
  const std::string driver = DriverName();
  std::vector<const TField*> fields;
  for (const auto& field : fields_) fields.push_back(field.get());
  std::vector<dbfe_field_desc> physical = TranslatedFields(connection, driver, fields);
  // A recreation never opened gives way to this one.
  DropReplacement();
  recreation_ = std::make_unique<TableRecreation>(session_, tableName_, driver, std::move(physical));
  replacementAbandoned_ = false;
}

void TTable::AbandonReplacement() {
  if (!recreation_) return;
  if (!Active()) return DropReplacement();
  replacementAbandoned_ = true;
  canModify_ = false;
  NotifyLinks([](TDataLink& link) { link.EditingChanged(); });
}

void TTable::CommitReplacement() {
  if (!recreation_) return;
  if (replacementAbandoned_) return DropReplacement();
  const std::unique_ptr<TableRecreation> recreation = std::move(recreation_);
  recreation->Commit();
}

void TTable::DropReplacement() noexcept {
  recreation_.reset();
  replacementAbandoned_ = false;
}

void TTable::Open() {
  if (Active()) return;
  if (tableName_.empty()) DatabaseError("Missing TableName property", name_);
  try {
    connection_ = std::make_unique<DatabaseConnection>(session_);
    const std::string driver = DriverName();
    const auto openTable = [&](dbfe_open_mode mode) {
      const std::string& name = recreation_ ? recreation_->NewTableName() : tableName_;
      return Engine().openTable(connection_->Handle(), name.c_str(), driver.c_str(), nullptr, mode,
                                DBFE_SHARED, true, true, &cursor_);
    };
    dbfe_status status = openTable(DBFE_READ_WRITE);
    if (status == DBFE_ERR_READ_ONLY_ACCESS) status = openTable(DBFE_READ_ONLY);
    Check(status);
    CursorLayout layout = LayoutOf(Engine(), cursor_);
    canModify_ = !layout.props.read_only && !replacementAbandoned_;
    record_.assign(layout.props.record_size, 0);
    engineFields_ = std::move(layout.columns);
    BindFields();
    Check(Engine().setToBegin(cursor_));
    RefreshRecordCount();
    currentRow_ = recordCount_ > 0 ? 0 : -1;
    if (currentRow_ >= 0) ReadCurrentRecord();
  } catch (...) {
    ReleaseCursor();
    throw;
  }
  state_ = dsBrowse;
  modified_ = false;
  NotifyLinks([](TDataLink& link) { link.ActiveChanged(); });
  NotifyLinks([](TDataLink& link) { link.DataSetChanged(); });
}

void TTable::BindFields() {
  for (const auto& field : fields_) {
    const BoundField bound = BindField(engineFields_, *field, name_);
    field->fieldNo_ = bound.number;
    field->textCapacity_ = bound.textCapacity;
  }
}

dbfe_status TTable::ReleaseCursor() {
  dbfe_status status = DBFE_OK;
  if (cursor_) status = Engine().closeCursor(&cursor_);
  cursor_ = nullptr;
  connection_.reset();
  for (const auto& field : fields_) field->fieldNo_ = 0;
  engineFields_.clear();
  record_.clear();
  recordCount_ = 0;
  currentRow_ = insertRow_ = -1;
  storedRows_.Forget();
  return status;
}

void TTable::Close() {
  if (!Active()) return CommitReplacement();
  state_ = dsInactive;
  modified_ = false;
  // The engine's message must be built before the connection (and perhaps the
  // engine) goes.
  const dbfe_status status = cursor_ ? Engine().closeCursor(&cursor_) : dbfe_status{DBFE_OK};
  std::optional<EDBEngineError> failure;
  if (status != DBFE_OK) failure.emplace(status, Engine().ErrorMessage(status));
  ReleaseCursor();
  NotifyLinks([](TDataLink& link) { link.ActiveChanged(); });
  NotifyLinks([](TDataLink& link) { link.DataSetChanged(); });
  // The table is closed whatever the engine says; what it says is not lost.
  // A new table whose last changes may not have reached the disk never
  // replaces the old one.
  if (failure) {
    DropReplacement();
    throw *failure;
  }
  CommitReplacement();
}

void TTable::CheckActive() const {
  if (!Active()) DatabaseError(kClosedDataset, name_);
}

void TTable::CheckCanModify() const {
  if (!canModify_) DatabaseError(kReadOnlyDataset, name_);
}

void TTable::SettlePending() {
  if (state_ != dsEdit && state_ != dsInsert) return;
  NotifyLinks([](TDataLink& link) { link.UpdateData(); });
  if (modified_) {
    Post();
  } else {
    Cancel();
  }
}

void TTable::Insert() {
  CheckActive();
  SettlePending();
  CheckCanModify();
  BeginInsert(std::max(currentRow_, 0));
}

void TTable::Append() {
  CheckActive();
  SettlePending();
  CheckCanModify();
  BeginInsert(recordCount_);
}

void TTable::BeginInsert(int row) {
  Check(Engine().initRecord(cursor_, record_.data()));
  (void)Engine().setCursorProperty(cursor_, DBFE_PROP_INSERT_WITHOUT_LOCK, 1);  // an optimisation only
  insertRow_ = row;
  state_ = dsInsert;
  modified_ = false;
  NotifyLinks([](TDataLink& link) { link.EditingChanged(); });
  NotifyLinks([](TDataLink& link) { link.DataSetChanged(); });
}

void TTable::Edit() {
  if (state_ == dsEdit || state_ == dsInsert) return;
  CheckActive();
  if (IsEmpty()) return Insert();
  CheckCanModify();
  Check(Engine().setToSeqNo(cursor_, static_cast<std::uint32_t>(currentRow_ + 1)));
  Check(Engine().getRecord(cursor_, DBFE_WRITE_LOCK, record_.data(), nullptr));
  ++recordsRead_;
  state_ = dsEdit;
  modified_ = false;
  NotifyLinks([](TDataLink& link) { link.EditingChanged(); });
}

void TTable::Post() {
  if (state_ != dsEdit && state_ != dsInsert && state_ != dsSetKey) DatabaseError(kNotEditing, name_);
  NotifyLinks([](TDataLink& link) { link.UpdateData(); });
  if (state_ == dsSetKey) return;
  for (const auto& field : fields_) {
    if (field->Required() && !field->ReadOnly() && field->IsNull()) {
      DatabaseError("Field '" + field->DisplayName() + "' must have a value");
    }
  }
  if (state_ == dsInsert) {
    Check(Engine().insertRecord(cursor_, DBFE_NO_LOCK, record_.data()));
    // The engine appends at the end and leaves its cursor on the new record.
    currentRow_ = recordCount_++;
  } else {
    // Reading rows for a grid may have moved the cursor off the edited record.
    Check(Engine().setToSeqNo(cursor_, static_cast<std::uint32_t>(currentRow_ + 1)));
    Check(Engine().modifyRecord(cursor_, record_.data(), true));
  }
  state_ = dsBrowse;
  modified_ = false;
  insertRow_ = -1;
  storedRows_.Forget();
  NotifyLinks([](TDataLink& link) { link.EditingChanged(); });
  NotifyLinks([](TDataLink& link) { link.DataSetChanged(); });
}

void TTable::Cancel() {
  if (state_ != dsEdit && state_ != dsInsert) return;
  if (state_ == dsEdit) (void)Engine().releaseRecordLock(cursor_);  // nothing to do if it fails
  if (state_ == dsInsert) currentRow_ = std::min(insertRow_, recordCount_ - 1);
  state_ = dsBrowse;
  modified_ = false;
  insertRow_ = -1;
  if (currentRow_ >= 0) ReadCurrentRecord();
  NotifyLinks([](TDataLink& link) { link.EditingChanged(); });
  NotifyLinks([](TDataLink& link) { link.DataSetChanged(); });
}

void TTable::Delete() {
  CheckActive();
  if (state_ == dsInsert || state_ == dsSetKey) return Cancel();
  if (IsEmpty()) DatabaseError("Cannot perform this operation on an empty dataset", name_);
  Check(Engine().setToSeqNo(cursor_, static_cast<std::uint32_t>(currentRow_ + 1)));
  const dbfe_status status = Engine().deleteRecord(cursor_);
  if (DBFE_CATEGORY(status) != DBFE_CATEGORY(DBFE_ERR_BOF)) Check(status);
  state_ = dsBrowse;
  modified_ = false;
  storedRows_.Forget();
  RefreshRecordCount();
  currentRow_ = std::min(currentRow_, recordCount_ - 1);
  if (currentRow_ >= 0) ReadCurrentRecord();
  NotifyLinks([](TDataLink& link) { link.EditingChanged(); });
  NotifyLinks([](TDataLink& link) { link.DataSetChanged(); });
}

void TTable::MoveTo(int row) {
  CheckActive();
  if (row == CurrentRow()) return;
  const int pendingInsert = InsertRow();
  SettlePending();
  // The pending row is gone from where it stood: a cancelled one altogether, a
  // posted one to the end.
  if (pendingInsert >= 0 && row > pendingInsert) --row;
  if (recordCount_ == 0) return;
  row = std::clamp(row, 0, recordCount_ - 1);
  if (row == currentRow_) return;
  currentRow_ = row;
  ReadCurrentRecord();
  NotifyLinks([](TDataLink& link) { link.DataSetScrolled(); });
}

void TTable::ReadCurrentRecord() {
  Check(Engine().setToSeqNo(cursor_, static_cast<std::uint32_t>(currentRow_ + 1)));
  Check(Engine().getRecord(cursor_, DBFE_NO_LOCK, record_.data(), nullptr));
  ++recordsRead_;
}

void TTable::RefreshRecordCount() {
  std::uint32_t count = 0;
  Check(Engine().getRecordCount(cursor_, &count));
  recordCount_ = static_cast<int>(count);
}

FieldValue TTable::BufferValue(const std::uint8_t* record, const TField& field) const {
  const BoundField bound{static_cast<std::uint16_t>(field.FieldNo()), field.DataType(), field.textCapacity_};
  return RecordValue(Engine(), cursor_, record, bound);
}

FieldValue TTable::CurrentValue(const TField& field) const {
  if (!Active() || (currentRow_ < 0 && state_ != dsInsert)) return std::monostate{};
  return BufferValue(record_.data(), field);
}

void TTable::StoreValue(TField& field, const FieldValue& value) {
  if (state_ != dsEdit && state_ != dsInsert && state_ != dsSetKey && state_ != dsCalcFields &&
      state_ != dsFilter && state_ != dsNewValue && state_ != dsInternalCalc) {
    DatabaseError(kNotEditing, name_);
  }
  if (field.ReadOnly() && state_ != dsSetKey && state_ != dsFilter) {
    DatabaseError("Field '" + field.DisplayName() + "' cannot be modified");
  }
  StoreRecordValue(Engine(), cursor_, record_.data(), static_cast<std::uint16_t>(field.FieldNo()), value);
  modified_ = true;
  NotifyLinks([&](TDataLink& link) { link.RecordChanged(field); });
}

FieldValue TTable::RowValue(int row, int fieldIndex) {
  const TField& field = Field(fieldIndex);
  if (state_ == dsInsert) {
    if (row == insertRow_) return BufferValue(record_.data(), field);
    if (row > insertRow_) --row;
  }
  if (row < 0 || row >= recordCount_) return std::monostate{};
  if (state_ == dsEdit && row == currentRow_) return BufferValue(record_.data(), field);
  return storedRows_.Row(row, recordCount_)[static_cast<std::size_t>(fieldIndex)];
}

std::vector<RowWindowCache::RowValues> TTable::ReadRows(int firstRecord, int count) {
  const std::size_t length = record_.size();
  // The records in one read: the first, then the rest after it.
  std::vector<std::uint8_t> records(length * static_cast<std::size_t>(count));
  Check(Engine().setToSeqNo(cursor_, static_cast<std::uint32_t>(firstRecord + 1)));
  Check(Engine().getRecord(cursor_, DBFE_NO_LOCK, records.data(), nullptr));
  if (count > 1) {
    std::uint32_t delivered = 0;
    Check(Engine().getNextRecords(cursor_, static_cast<std::uint32_t>(count - 1), records.data() + length,
                                  &delivered));
    // Records another program deleted since they were counted.
    if (delivered + 1 < static_cast<std::uint32_t>(count)) Check(DBFE_ERR_EOF);
  }
  std::vector<RowWindowCache::RowValues> rows(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::uint8_t* record = records.data() + length * i;
    ++recordsRead_;
    rows[i].reserve(fields_.size());
    for (const auto& field : fields_) rows[i].push_back(BufferValue(record, *field));
  }
  return rows;
}

}  // namespace dravlik
