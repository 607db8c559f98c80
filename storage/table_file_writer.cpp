#include "table_file_writer.h"

#include <optional>

#include "database_error.h"
#include "table.h"

namespace dravlik {

TableFileWriter::TableFileWriter(const TTable& schema, TSession& session)
    : schema_(schema), connection_(std::make_unique<DatabaseConnection>(session)) {
  EngineLibrary& engine = connection_->Engine();
  const std::string driver = schema.DriverName();
  std::vector<const TField*> fields;
  for (int i = 0; i < schema.FieldCount(); ++i) fields.push_back(&schema.Field(i));
  recreation_ = std::make_unique<TableRecreation>(session, schema.TableName(), driver,
                                                  TranslatedFields(*connection_, driver, fields));
  try {
    engine.Check(engine.openTable(connection_->Handle(), recreation_->NewTableName().c_str(), driver.c_str(), nullptr,
                                  DBFE_READ_WRITE, DBFE_SHARED, true, true, &cursor_));
    const CursorLayout layout = LayoutOf(engine, cursor_);
    for (const TField* field : fields) fields_.push_back(BindField(layout.columns, *field, schema.Name()));
    record_.assign(layout.props.record_size, 0);
    (void)engine.setCursorProperty(cursor_, DBFE_PROP_INSERT_WITHOUT_LOCK, 1);  // an optimisation only
    NewRecord();
  } catch (...) {
    CloseCursor();
    throw;
  }
}

TableFileWriter::~TableFileWriter() {
  // Unfinished: the new file goes, after its cursor, and the old one stays.
  CloseCursor();
  recreation_.reset();
}

void TableFileWriter::CloseCursor() noexcept {
  // Nothing written through it is kept, so a failure to close loses nothing.
  if (cursor_) (void)connection_->Engine().closeCursor(&cursor_);
  cursor_ = nullptr;
}

void TableFileWriter::NewRecord() {
  EngineLibrary& engine = connection_->Engine();
  engine.Check(engine.initRecord(cursor_, record_.data()));
}

void TableFileWriter::SetValue(int field, const FieldValue& value) {
  const TField& schemaField = schema_.Field(field);
  if (schemaField.ReadOnly()) DatabaseError("Field '" + schemaField.DisplayName() + "' cannot be modified");
  StoreRecordValue(connection_->Engine(), cursor_, record_.data(), fields_.at(static_cast<std::size_t>(field)).number,
                   value);
}

void TableFileWriter::Append() {
  EngineLibrary& engine = connection_->Engine();
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const TField& field = schema_.Field(static_cast<int>(i));
    if (field.Required() && !field.ReadOnly() &&
        std::holds_alternative<std::monostate>(RecordValue(engine, cursor_, record_.data(), fields_[i]))) {
      DatabaseError("Field '" + field.DisplayName() + "' must have a value");
    }
  }
  engine.Check(engine.insertRecord(cursor_, DBFE_NO_LOCK, record_.data()));
  ++recordCount_;
}

void TableFileWriter::Finish() {
  EngineLibrary& engine = connection_->Engine();
  const dbfe_status status = cursor_ ? engine.closeCursor(&cursor_) : dbfe_status{DBFE_OK};
  cursor_ = nullptr;
  // A new file whose last records may not have reached the disk never
  // replaces the old one.
  if (status != DBFE_OK) {
    const EDBEngineError failure(status, engine.ErrorMessage(status));
    recreation_.reset();
    throw failure;
  }
  const std::unique_ptr<TableRecreation> recreation = std::move(recreation_);
  if (recreation) recreation->Commit();
}

}  // namespace dravlik
