#include "table.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <filesystem>
#include <initializer_list>

#include "hidden_file.h"
#include "letter_case.h"

namespace dravlik {
namespace {

const char* TypeName(TFieldType type) {
  switch (type) {
    case ftString: return "String";
    case ftFloat: return "Float";
    default: return "Unknown";
  }
}

// What the engine may write for a string field of the file: up to three bytes
// of UTF-8 for each stored byte, then a NUL. The file's width counts, not the
// schema's size: a bound field may be wider.
std::size_t TextCapacity(const dbfe_field_desc& field) {
  return 3 * std::size_t{std::max(field.units1, field.width)} + 1;
}

TFieldType FieldTypeOf(const dbfe_field_desc& field) {
  switch (field.type) {
    case DBFE_TYPE_ZSTRING: return ftString;
    case DBFE_TYPE_FLOAT: return ftFloat;
    default: return ftUnknown;
  }
}


// Cuts a name to `size` bytes without splitting a UTF-8 character.
std::string Cut(const std::string& text, std::size_t size) {
  if (text.size() <= size) return text;
  while (size > 0 && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80) --size;
  return text.substr(0, size);
}

template <std::size_t N>
void CopyName(char (&target)[N], const std::string& name) {
  const std::string cut = Cut(name, N - 1);
  std::copy(cut.begin(), cut.end(), target);
  target[cut.size()] = 0;
}

// Whether a file with the same name as `path` but one of `extensions` (in any
// letter case) lies beside it.
bool CompanionExists(const std::filesystem::path& path, std::initializer_list<std::string_view> extensions) {
  namespace fs = std::filesystem;
  const fs::path directory = path.has_parent_path() ? path.parent_path() : fs::path(".");
  const fs::path stem = path.stem();
  std::error_code error;
  for (fs::directory_iterator entry(directory, error), end; !error && entry != end; entry.increment(error)) {
    const fs::path name = entry->path().filename();
    if (name.stem() != stem) continue;
    for (const std::string_view extension : extensions) {
      if (SameTextIgnoringCase(name.extension().string(), extension)) return true;
    }
  }
  return false;
}

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

TTableType TTable::TableType() const {
  const std::filesystem::path path(tableName_);
  const std::string extension = path.extension().string();
  if (SameTextIgnoringCase(extension, ".DB")) return TTableType::Paradox;
  if (SameTextIgnoringCase(extension, ".TXT")) return TTableType::Ascii;
  if (!SameTextIgnoringCase(extension, ".DBF")) return TTableType::Default;
  const bool foxPro = CompanionExists(path, {".FPT", ".CDX"});
  return foxPro ? TTableType::FoxPro : TTableType::DBase;
}

std::string TTable::DriverName() const {
  switch (TableType()) {
    case TTableType::DBase: return "DBASE";
    case TTableType::FoxPro: return "FOXPRO";
    case TTableType::Ascii: return "ASCIIDRV";
    default: return "PARADOX";
  }
}

void TTable::CreateTable() {
  if (Active()) DatabaseError("Cannot perform this operation on an open dataset", name_);
  const DatabaseConnection connection(session_);
  EngineLibrary& engine = connection.Engine();

  const std::string driver = DriverName();
  dbfe_table_desc table{};
  CopyName(table.name, tableName_);
  CopyName(table.driver, driver);

  std::vector<dbfe_logical_field> logical(fields_.size());
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const TField& field = *fields_[i];
    CopyName(logical[i].name, field.FieldName());
    logical[i].type = field.DataType() == ftString ? DBFE_TYPE_ZSTRING : DBFE_TYPE_FLOAT;
    logical[i].units1 = field.DataType() == ftString ? static_cast<std::uint16_t>(field.Size()) : 0;
  }
  std::vector<dbfe_field_desc> physical(fields_.size());
  const auto count = static_cast<std::uint16_t>(fields_.size());
  // Local files take the driver of their table type, other databases their own.
  const std::string translator = connection.IsStandard() ? driver : connection.DatabaseType();
  engine.Check(engine.translateRecordStructure(translator.c_str(), count, logical.data(), physical.data()));
  // A recreation never opened gives way to this one.
  DropReplacement();
  auto holder = std::make_unique<DatabaseConnection>(session_);
  dbfe_replacement replacement = nullptr;
  engine.Check(engine.beginReplacement(connection.Handle(), &table, count, physical.data(), &replacement));
  char newName[DBFE_MAX_PATH + 1] = {};
  const dbfe_status status = engine.getReplacementName(replacement, newName, sizeof newName);
  if (status != DBFE_OK) {
    const EDBEngineError failure(status, engine.ErrorMessage(status));
    (void)engine.dropReplacement(&replacement);  // the failure above is the one to report
    throw failure;
  }
  replacement_ = replacement;
  replacementConnection_ = std::move(holder);
  replacementName_ = newName;
  GuardAgainstInterruption();
  replacementAbandoned_ = false;
}

void TTable::GuardAgainstInterruption() {
  const std::filesystem::path newTable = std::filesystem::path(tableName_).parent_path() / replacementName_;
  for (const std::string& path : {newTable.string(), HiddenSibling(tableName_, ".lock")}) {
    replacementGuards_.push_back(std::make_unique<InterruptedWriteGuard>(path));
  }
}

void TTable::AbandonReplacement() {
  if (!replacement_) return;
  if (!Active()) return DropReplacement();
  replacementAbandoned_ = true;
  canModify_ = false;
  NotifyLinks([](TDataLink& link) { link.EditingChanged(); });
}

void TTable::CommitReplacement() {
  if (!replacement_) return;
  if (replacementAbandoned_) return DropReplacement();
  // The engine stays loaded until its message is built.
  const std::unique_ptr<DatabaseConnection> connection = std::move(replacementConnection_);
  const dbfe_status status = connection->Engine().commitReplacement(&replacement_);
  replacement_ = nullptr;
  replacementName_.clear();
  replacementGuards_.clear();
  connection->Engine().Check(status);
}

void TTable::DropReplacement() noexcept {
  // Dropping only removes files that nothing else needs; a failure costs space.
  if (replacement_) (void)replacementConnection_->Engine().dropReplacement(&replacement_);
  replacement_ = nullptr;
  replacementConnection_.reset();
  replacementName_.clear();
  replacementGuards_.clear();
  replacementAbandoned_ = false;
}

void TTable::Open() {
  if (Active()) return;
  if (tableName_.empty()) DatabaseError("Missing TableName property", name_);
  try {
    connection_ = std::make_unique<DatabaseConnection>(session_);
    const std::string driver = DriverName();
    const auto openTable = [&](dbfe_open_mode mode) {
      const std::string& name = replacement_ ? replacementName_ : tableName_;
      return Engine().openTable(connection_->Handle(), name.c_str(), driver.c_str(), nullptr, mode,
                                DBFE_SHARED, true, true, &cursor_);
    };
    dbfe_status status = openTable(DBFE_READ_WRITE);
    if (status == DBFE_ERR_READ_ONLY_ACCESS) status = openTable(DBFE_READ_ONLY);
    Check(status);
    dbfe_cursor_props props{};
    Check(Engine().getCursorProps(cursor_, &props));
    canModify_ = !props.read_only && !replacementAbandoned_;
    record_.assign(props.record_size, 0);
    engineFields_.assign(props.field_count, dbfe_field_desc{});
    Check(Engine().getFieldDescs(cursor_, engineFields_.data()));
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
    const auto engineField = std::find_if(engineFields_.begin(), engineFields_.end(), [&](const dbfe_field_desc& d) {
      return SameTextIgnoringCase(std::string_view(d.name, strnlen(d.name, sizeof d.name)), field->FieldName());
    });
    if (engineField == engineFields_.end()) {
      DatabaseError("Field '" + field->DisplayName() + "' not found", name_);
    }
    if (FieldTypeOf(*engineField) != field->DataType()) {
      DatabaseError("Type mismatch for field '" + field->DisplayName() + "', expecting: " +
                        TypeName(field->DataType()) + " actual: " + TypeName(FieldTypeOf(*engineField)),
                    name_);
    }
    field->fieldNo_ = engineField->number;
    field->textCapacity_ = TextCapacity(*engineField);
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
  bool empty = false;
  if (field.DataType() == ftString) {
    std::string text(field.textCapacity_, '\0');
    Check(Engine().getField(cursor_, static_cast<std::uint16_t>(field.FieldNo()), record, text.data(), &empty));
    if (empty) return std::monostate{};
    text.resize(std::min(text.find('\0'), text.size()));
    return text;
  }
  double number = 0;
  Check(Engine().getField(cursor_, static_cast<std::uint16_t>(field.FieldNo()), record, &number, &empty));
  if (empty) return std::monostate{};
  return number;
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
  const auto number = static_cast<std::uint16_t>(field.FieldNo());
  if (const auto* text = std::get_if<std::string>(&value)) {
    Check(Engine().putField(cursor_, number, record_.data(), text->c_str()));
  } else if (const auto* real = std::get_if<double>(&value)) {
    Check(Engine().putField(cursor_, number, record_.data(), real));
  } else {
    Check(Engine().putField(cursor_, number, record_.data(), nullptr));
  }
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
