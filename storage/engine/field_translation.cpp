#include "field_translation.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "error_context.h"

namespace dbfe {

namespace {

std::string NameOf(const char* name, std::size_t capacity) {
  return std::string(name, strnlen(name, capacity));
}

void CopyName(const std::string& name, char (&out)[DBFE_MAX_NAME + 1]) {
  const std::size_t length = std::min(name.size(), std::size_t{DBFE_MAX_NAME});
  std::memcpy(out, name.data(), length);
  out[length] = '\0';
}

}  // namespace

void CheckDriver(const char* driver) {
  if (driver == nullptr || driver[0] == '\0') return;
  if (strcasecmp(driver, "DBASE") == 0 || strcasecmp(driver, "FOXPRO") == 0) return;
  throw EngineError(DBFE_ERR_DRIVER_NOT_SUPPORTED)
      .Detail("Driver: " + NameOf(driver, DBFE_MAX_NAME + 1));
}

FieldLayout PhysicalField(const dbfe_logical_field& logical) {
  FieldLayout field{NameOf(logical.name, sizeof logical.name), 'C', 0, 0, 0};
  CheckFieldName(field.name);
  switch (logical.type) {
    case DBFE_TYPE_ZSTRING:
      if (logical.units1 < 1 || logical.units1 > kMaxStringWidth) {
        throw EngineError(DBFE_ERR_INVALID_FIELD_DEFINITION)
            .Field(field.name)
            .Detail("A string field is 1 to 254 characters wide, not " +
                    std::to_string(logical.units1) + ".");
      }
      field.width = logical.units1;
      return field;
    case DBFE_TYPE_FLOAT:
      field.type = 'N';
      field.width = kFloatFieldWidth;
      field.decimals = kFloatFieldDecimals;
      return field;
    default:
      throw EngineError(DBFE_ERR_INVALID_FIELD_DEFINITION)
          .Field(field.name)
          .Detail("Logical field type " + std::to_string(logical.type) + " is not supported.");
  }
}

dbfe_field_desc DescribeField(const FieldLayout& field, std::uint16_t number) {
  dbfe_field_desc desc{};
  desc.number = number;
  CopyName(field.name, desc.name);
  const bool string = field.type == 'C';
  desc.type = string ? DBFE_TYPE_ZSTRING : DBFE_TYPE_FLOAT;
  desc.subtype = 0;
  desc.units1 = string ? field.width : 0;
  desc.units2 = 0;
  desc.physical_type = field.type;
  desc.width = field.width;
  desc.decimals = field.decimals;
  desc.offset = field.offset;
  return desc;
}

FieldLayout FieldToCreate(const dbfe_field_desc& desc) {
  if (desc.physical_type == '\0') {
    dbfe_logical_field logical{};
    std::memcpy(logical.name, desc.name, sizeof logical.name);
    logical.type = desc.type;
    logical.subtype = desc.subtype;
    logical.units1 = desc.units1;
    logical.units2 = desc.units2;
    return PhysicalField(logical);
  }
  if (desc.decimals > 0xFF) {
    throw EngineError(DBFE_ERR_INVALID_FIELD_DEFINITION)
        .Field(NameOf(desc.name, sizeof desc.name))
        .Detail("Too many decimals.");
  }
  return FieldLayout{NameOf(desc.name, sizeof desc.name), desc.physical_type, desc.width,
                     static_cast<std::uint8_t>(desc.decimals), 0};
}

}  // namespace dbfe
