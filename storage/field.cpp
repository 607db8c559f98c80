#include "field.h"

#include <charconv>
#include <clocale>
#include <cmath>

#include "blanks.h"
#include "database_error.h"
#include "number_text.h"
#include "table.h"

namespace dravlik {
namespace {

// The longest prefix of at most `size` characters (code points of UTF-8).
std::string_view CutToSize(std::string_view value, int size) {
  int characters = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if ((static_cast<unsigned char>(value[i]) & 0xC0) == 0x80) continue;  // inside a character
    if (characters == size) return value.substr(0, i);
    ++characters;
  }
  return value;
}

// printf's %.<precision>g in the C locale, whatever the current locale.
std::string FormatGeneral(double value, int precision) {
  char text[40];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, precision);
  return std::string(text, result.ptr);
}

std::string FormatG(double value) { return FormatGeneral(value, 6); }

}  // namespace

TField::TField(TTable& table, std::string name, std::string fieldName, TFieldType dataType, int size)
    : table_(table), name_(std::move(name)), fieldName_(std::move(fieldName)), dataType_(dataType), size_(size) {}

FieldValue TField::Value() const { return table_.CurrentValue(*this); }

std::string TField::AsString() const {
  const FieldValue value = Value();
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* number = std::get_if<double>(&value)) return FormatFloat(*number);
  return "";
}

std::string TField::DisplayText() const { return dravlik::DisplayText(Value()); }

double TField::AsFloat() const {
  const FieldValue value = Value();
  if (const auto* number = std::get_if<double>(&value)) return *number;
  return 0;
}

void TField::Clear() { Store(std::monostate{}); }

void TField::Store(const FieldValue& value) { table_.StoreValue(*this, value); }

TStringField::TStringField(TTable& table, std::string name, std::string fieldName, int size)
    : TField(table, std::move(name), std::move(fieldName), ftString, size) {}

FieldValue TStringField::StringValue(std::string_view value) const { return std::string(CutToSize(value, Size())); }
FieldValue TStringField::IntegerValue(std::int32_t value) const { return StringValue(std::to_string(value)); }
FieldValue TStringField::FloatValue(double value) const { return StringValue(FormatFloat(value)); }

TFloatField::TFloatField(TTable& table, std::string name, std::string fieldName)
    : TField(table, std::move(name), std::move(fieldName), ftFloat, 0) {}

FieldValue TFloatField::StringValue(std::string_view text) const {
  if (WithoutBlanks(text).empty()) return std::monostate{};
  const std::optional<double> value = ParseFloat(text);
  if (!value) {
    DatabaseError("'" + std::string(text) + "' is not a valid floating point value for field '" + DisplayName() + "'");
  }
  return FloatValue(*value);
}

FieldValue TFloatField::IntegerValue(std::int32_t value) const { return FloatValue(static_cast<double>(value)); }

FieldValue TFloatField::FloatValue(double value) const {
  if (range_ && (std::isnan(value) || value < range_->minimum || value > range_->maximum)) {
    DatabaseError(FormatG(value) + " is not a valid value for field '" + DisplayName() + "'. The allowed range is " +
                  FormatG(range_->minimum) + " to " + FormatG(range_->maximum));
  }
  return value;
}

std::optional<double> ParseFloat(std::string_view text, char decimalSeparator) {
  return ParseNumber(text, decimalSeparator);
}

std::string FormatFloat(double value, char decimalSeparator) {
  std::string result = FormatGeneral(value, 15);
  if (decimalSeparator != '.') {
    for (char& c : result) c = c == '.' ? decimalSeparator : c;
  }
  return result;
}

std::string DisplayText(const FieldValue& value, char decimalSeparator) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* number = std::get_if<double>(&value)) return FormatFloat(*number, decimalSeparator);
  return "";
}

char LocaleDecimalSeparator() {
  const std::lconv* conventions = std::localeconv();
  return conventions && conventions->decimal_point && conventions->decimal_point[0] ? conventions->decimal_point[0]
                                                                                    : '.';
}

}  // namespace dravlik
