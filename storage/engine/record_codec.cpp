#include "record_codec.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "error_context.h"
#include "numeric_text.h"

namespace dbfe {

namespace {

std::span<std::uint8_t> Bytes(std::span<std::uint8_t> record, const FieldLayout& field) {
  return record.subspan(field.offset, field.width);
}

std::string_view Text(std::span<const std::uint8_t> record, const FieldLayout& field) {
  return {reinterpret_cast<const char*>(record.data() + field.offset), field.width};
}

}  // namespace

void BlankRecord(std::span<std::uint8_t> record) {
  std::fill(record.begin(), record.end(), static_cast<std::uint8_t>(' '));
  record[0] = kLiveFlag;
}

void PutString(std::span<std::uint8_t> record, const FieldLayout& field, const char* value,
               TextEncoding encoding) {
  std::span<std::uint8_t> bytes = Bytes(record, field);
  std::fill(bytes.begin(), bytes.end(), static_cast<std::uint8_t>(' '));
  if (value == nullptr) return;
  // A stored byte takes at most one character of the value, of at most four
  // bytes; the one past the field shows whether the last one is whole.
  constexpr std::size_t kMaxUtf8Character = 4;
  const std::string_view text(value, strnlen(value, kMaxUtf8Character * bytes.size() + 1));
  EncodeText(text, encoding, bytes);
}

void PutNumber(std::span<std::uint8_t> record, const FieldLayout& field, const double* value) {
  std::span<std::uint8_t> bytes = Bytes(record, field);
  if (value == nullptr) {
    std::fill(bytes.begin(), bytes.end(), static_cast<std::uint8_t>(' '));
    return;
  }
  if (!WriteNumber(*value, {reinterpret_cast<char*>(bytes.data()), bytes.size()})) {
    throw EngineError(DBFE_ERR_VALUE_DOES_NOT_FIT)
        .Field(field.name)
        .Detail("Value: " + ShortestText(*value))
        .Detail("The field holds " + std::to_string(field.width) + " characters.");
  }
}

bool GetString(std::span<const std::uint8_t> record, const FieldLayout& field, char* value,
               TextEncoding encoding) {
  const std::string_view text = Text(record, field);
  const std::size_t length = std::min(text.find('\0'), text.size());
  value[DecodeText(record.subspan(field.offset, length), encoding, value)] = '\0';
  return text.substr(0, length).find_first_not_of(' ') == std::string_view::npos;
}

bool GetNumber(std::span<const std::uint8_t> record, const FieldLayout& field, double* value) {
  const std::string_view text = Text(record, field);
  const ParsedNumber number = ParseNumber(text);
  switch (number.kind) {
    case ParsedNumber::Kind::kEmpty:
      *value = 0.0;
      return true;
    case ParsedNumber::Kind::kValue:
      *value = number.value;
      return false;
    case ParsedNumber::Kind::kInvalid:
      break;
  }
  std::string shown;
  for (const char c : text) shown += (c >= 32 && c < 127) ? c : '?';
  throw EngineError(DBFE_ERR_INVALID_FIELD_VALUE).Field(field.name).Detail("Text: \"" + shown + "\"");
}

}  // namespace dbfe
