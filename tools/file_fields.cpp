#include "file_fields.h"

#include <algorithm>
#include <cstring>

#include "letter_case.h"
#include "record_values.h"

namespace dravlik {
namespace {

struct FileField {
  std::string name;
  bool text;  // a string field, else a number
};

// A read-only cursor of the engine on the table's file: its fields, and the
// shared lock on the file while it is open.
class FieldCursor {
 public:
  FieldCursor(const TTable& table, TSession& session) : connection_(session) {
    EngineLibrary& engine = connection_.Engine();
    engine.Check(engine.openTable(connection_.Handle(), table.TableName().c_str(), table.DriverName().c_str(),
                                  nullptr, DBFE_READ_ONLY, DBFE_SHARED, true, true, &cursor_));
    try {
      for (const dbfe_field_desc& field : LayoutOf(engine, cursor_).columns) {
        fields_.push_back({std::string(field.name, strnlen(field.name, sizeof field.name)),
                           field.type == DBFE_TYPE_ZSTRING});
      }
    } catch (...) {
      Close();
      throw;
    }
  }
  ~FieldCursor() { Close(); }
  FieldCursor(const FieldCursor&) = delete;
  FieldCursor& operator=(const FieldCursor&) = delete;

  const std::vector<FileField>& Fields() const { return fields_; }

 private:
  // Nothing was changed through it, so closing it cannot lose anything.
  void Close() noexcept {
    if (cursor_) (void)connection_.Engine().closeCursor(&cursor_);
    cursor_ = nullptr;
  }

  DatabaseConnection connection_;
  dbfe_cursor cursor_ = nullptr;
  std::vector<FileField> fields_;
};

int ColumnNamed(const std::vector<FileField>& fields, const std::string& name) {
  const auto found = std::find_if(fields.begin(), fields.end(),
                                  [&](const FileField& field) { return SameTextIgnoringCase(field.name, name); });
  return found == fields.end() ? -1 : static_cast<int>(found - fields.begin());
}

const char* TypeText(bool text) { return text ? "text" : "a number"; }

}  // namespace

FileFields OpenWithFileFields(const TTable& schema, TSession& session, int keyFields) {
  const FieldCursor cursor(schema, session);
  const std::vector<FileField>& fields = cursor.Fields();
  FileFields result;
  const auto report = [&](const std::string& what) { result.differences.push_back(schema.TableName() + ": " + what); };
  // By the models' field, the file's column that the table layer reads for it.
  std::vector<int> columns;
  for (int field = 0; field < schema.FieldCount(); ++field) {
    columns.push_back(ColumnNamed(fields, schema.Field(field).FieldName()));
  }
  int latest = -1;
  for (int column = 0; column < static_cast<int>(fields.size()); ++column) {
    const FileField& field = fields[column];
    const std::string named = "field " + field.name + " (column " + std::to_string(column + 1) + "): ";
    const int model = static_cast<int>(std::find(columns.begin(), columns.end(), column) - columns.begin());
    if (model == schema.FieldCount()) {
      const int first = ColumnNamed(fields, field.name);
      const bool again = first < column && std::find(columns.begin(), columns.end(), first) != columns.end();
      report(named + (again ? "a second " + field.name + "; the one in column " + std::to_string(first + 1) +
                                  " is compared"
                            : std::string("not in the models' table")));
      continue;
    }
    if (model < latest) report(named + "out of order: column " + std::to_string(model + 1) + " of the models' table");
    latest = std::max(latest, model);
    const bool modelText = schema.Field(model).DataType() == ftString;
    if (field.text != modelText) {
      report(named + TypeText(field.text) + " in the file, " + TypeText(modelText) + " in the models' table");
    }
  }
  auto file = std::make_unique<TTable>(schema.Name(), schema.TableName(), session);
  for (int model = 0; model < schema.FieldCount(); ++model) {
    const TField& field = schema.Field(model);
    if (columns[model] < 0) {
      report("missing field " + field.FieldName() + ", column " + std::to_string(model + 1) + " of the models' table");
    }
    if (columns[model] < 0 || fields[columns[model]].text != (field.DataType() == ftString)) {
      if (model < keyFields) result.keysLacking.push_back(field.FieldName());
    } else if (field.DataType() == ftString) {
      file->AddStringField(field.Name(), field.FieldName(), field.Size());
    } else {
      file->AddFloatField(field.Name(), field.FieldName());
    }
  }
  if (!result.keysLacking.empty()) return result;
  result.file = std::make_unique<TableFileReader>(*file, session);
  return result;
}

}  // namespace dravlik
