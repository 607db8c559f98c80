// Drivers, and the translation between the caller's logical field
// descriptors and the fields of a file.
#pragma once

#include <cstdint>

#include "engine_api.h"
#include "file_layout.h"

namespace dbfe {

// Float fields: wide enough for 15 significant digits with sign and exponent,
// no wider than strict readers take; decimals above 0 make readers read them
// as real numbers.
inline constexpr std::uint16_t kFloatFieldWidth = 20;
inline constexpr std::uint8_t kFloatFieldDecimals = 10;

// "DBASE" and "FOXPRO" (letter case ignored; NULL or empty is "DBASE") write
// the same layout; anything else throws DBFE_ERR_DRIVER_NOT_SUPPORTED.
void CheckDriver(const char* driver);

// Throws DBFE_ERR_INVALID_FIELD_DEFINITION for a type the engine cannot store.
FieldLayout PhysicalField(const dbfe_logical_field& logical);

// The field of a file as the caller sees it.
dbfe_field_desc DescribeField(const FieldLayout& field, std::uint16_t number);

// The field that a physical descriptor asks for; one without a physical type
// is translated from its logical part.
FieldLayout FieldToCreate(const dbfe_field_desc& desc);

}  // namespace dbfe
