// Field values in a record buffer. A record buffer is the record as the file
// holds it: the deletion flag, then each field's bytes at its offset.
#pragma once

#include <cstdint>
#include <span>

#include "code_page.h"
#include "file_layout.h"

namespace dbfe {

// A live record with every field empty (blanks).
void BlankRecord(std::span<std::uint8_t> record);

// String fields: as much of a zero-terminated value as the field's `width`
// bytes hold in the given encoding, padded with blanks; nullptr stores an
// empty field.
void PutString(std::span<std::uint8_t> record, const FieldLayout& field, const char* value,
               TextEncoding encoding = TextEncoding::kRaw);
// Numeric fields: nullptr stores an empty field. Throws DBFE_ERR_VALUE_DOES_NOT_FIT
// (naming the field and the value) when no exact text of the value fits.
void PutNumber(std::span<std::uint8_t> record, const FieldLayout& field, const double* value);

// Fills `value` (kMaxUtf8PerByte * width + 1 bytes) with the stored characters
// up to the first NUL in the given encoding, zero-terminated, trailing blanks
// kept; returns whether the field is empty (all blanks).
bool GetString(std::span<const std::uint8_t> record, const FieldLayout& field, char* value,
               TextEncoding encoding = TextEncoding::kRaw);
// Returns whether the field is empty; throws DBFE_ERR_INVALID_FIELD_VALUE for
// text that is not a number.
bool GetNumber(std::span<const std::uint8_t> record, const FieldLayout& field, double* value);

}  // namespace dbfe
