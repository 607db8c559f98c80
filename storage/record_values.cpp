#include "record_values.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "database_error.h"
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

}  // namespace

CursorLayout LayoutOf(EngineLibrary& engine, dbfe_cursor cursor) {
  CursorLayout layout;
  engine.Check(engine.getCursorProps(cursor, &layout.props));
  layout.columns.resize(layout.props.field_count);
  engine.Check(engine.getFieldDescs(cursor, layout.columns.data()));
  return layout;
}

BoundField BindField(const std::vector<dbfe_field_desc>& columns, const TField& field,
                     const std::string& componentName) {
  const auto column = std::find_if(columns.begin(), columns.end(), [&](const dbfe_field_desc& d) {
    return SameTextIgnoringCase(std::string_view(d.name, strnlen(d.name, sizeof d.name)), field.FieldName());
  });
  if (column == columns.end()) DatabaseError("Field '" + field.DisplayName() + "' not found", componentName);
  if (FieldTypeOf(*column) != field.DataType()) {
    DatabaseError("Type mismatch for field '" + field.DisplayName() + "', expecting: " +
                      TypeName(field.DataType()) + " actual: " + TypeName(FieldTypeOf(*column)),
                  componentName);
  }
  return {column->number, field.DataType(), TextCapacity(*column)};
}

FieldValue RecordValue(EngineLibrary& engine, dbfe_cursor cursor, const std::uint8_t* record,
                       const BoundField& field) {
  bool empty = false;
  if (field.type == ftString) {
    std::string text(field.textCapacity, '\0');
    engine.Check(engine.getField(cursor, field.number, record, text.data(), &empty));
    if (empty) return std::monostate{};
    text.resize(std::min(text.find('\0'), text.size()));
    return text;
  }
  double number = 0;
  engine.Check(engine.getField(cursor, field.number, record, &number, &empty));
  if (empty) return std::monostate{};
  return number;
}

void StoreRecordValue(EngineLibrary& engine, dbfe_cursor cursor, std::uint8_t* record, std::uint16_t fieldNumber,
                      const FieldValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) {
    engine.Check(engine.putField(cursor, fieldNumber, record, text->c_str()));
  } else if (const auto* real = std::get_if<double>(&value)) {
    engine.Check(engine.putField(cursor, fieldNumber, record, real));
  } else {
    engine.Check(engine.putField(cursor, fieldNumber, record, nullptr));
  }
}

}  // namespace dravlik
