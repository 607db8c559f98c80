// Values in the engine's record buffers: the one place where a field's bytes
// in a record become a FieldValue and back, for the table and the batch file
// reader and writer alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine_library.h"
#include "field.h"

namespace dravlik {

// Where a field stands in an open cursor's records, and its type there.
struct BoundField {
  std::uint16_t number = 0;      // 1-based, as the engine numbers fields
  TFieldType type = ftUnknown;
  std::size_t textCapacity = 0;  // bytes that reading a string value takes
};

// An open cursor's record: its properties (record size, read-only) and the
// descriptors of its fields, its columns. A failed call raises EDBEngineError.
struct CursorLayout {
  dbfe_cursor_props props{};
  std::vector<dbfe_field_desc> columns;
};
CursorLayout LayoutOf(EngineLibrary& engine, dbfe_cursor cursor);

// The column of the open cursor (`columns`, its field descriptors) that
// `field` names, ignoring letter case. Raises "Field '%s' not found" or
// "Type mismatch for field ..." with `componentName` in front.
BoundField BindField(const std::vector<dbfe_field_desc>& columns, const TField& field,
                     const std::string& componentName);

// A field's value in `record`: null for an empty field, text as stored, a
// number as read back. A failed read raises EDBEngineError.
FieldValue RecordValue(EngineLibrary& engine, dbfe_cursor cursor, const std::uint8_t* record,
                       const BoundField& field);

// Stores `value` (null empties the field) in `record`; a failure raises EDBEngineError.
void StoreRecordValue(EngineLibrary& engine, dbfe_cursor cursor, std::uint8_t* record, std::uint16_t fieldNumber,
                      const FieldValue& value);

}  // namespace dravlik
