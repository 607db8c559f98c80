// The persistent fields of a table. A field holds no value of its own: it reads
// and writes the table's current record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace dravlik {

enum TFieldType { ftUnknown = 0, ftString = 1, ftSmallint = 2, ftInteger = 3, ftWord = 4, ftBoolean = 5, ftFloat = 6 };

// A field's value: null, text or a number.
using FieldValue = std::variant<std::monostate, std::string, double>;

class TTable;

class TField {
 public:
  virtual ~TField() = default;
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  // The component's name, e.g. "Table1DREVINA".
  const std::string& Name() const { return name_; }
  const std::string& FieldName() const { return fieldName_; }
  // The display label, or the field name where there is none.
  const std::string& DisplayName() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }
  void SetDisplayLabel(std::string label) { displayLabel_ = std::move(label); }
  TFieldType DataType() const { return dataType_; }
  // A string field's size in characters; 0 for a float field.
  int Size() const { return size_; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
  bool Required() const { return required_; }
  void SetRequired(bool required) { required_ = required; }
  // 1-based position in the engine's record; 0 while the table is closed.
  int FieldNo() const { return fieldNo_; }
  TTable& DataSet() const { return table_; }

  // The value in the table's current record (its pending values while editing
  // or inserting); null when there is no current record.
  FieldValue Value() const;
  bool IsNull() const { return std::holds_alternative<std::monostate>(Value()); }
  // The text as stored, or a number in general format with '.'; "" for null.
  std::string AsString() const;
  // 0 for null.
  double AsFloat() const;
  // What a grid shows: DisplayText(Value()).
  std::string DisplayText() const;

  void SetAsString(std::string_view value) { Store(StringValue(value)); }
  void SetAsInteger(std::int32_t value) { Store(IntegerValue(value)); }
  void SetAsFloat(double value) { Store(FloatValue(value)); }
  // What a cell editor writes: empty text makes the field null.
  void SetText(std::string_view text) { SetAsString(text); }

  // What the setters above store for a value, or the field's message raised:
  // also the values a batch writer stores through the field.
  virtual FieldValue StringValue(std::string_view value) const = 0;
  virtual FieldValue IntegerValue(std::int32_t value) const = 0;
  virtual FieldValue FloatValue(double value) const = 0;
  void Clear();

 protected:
  TField(TTable& table, std::string name, std::string fieldName, TFieldType dataType, int size);
  void Store(const FieldValue& value);

 private:
  friend class TTable;
  TTable& table_;
  std::string name_;
  std::string fieldName_;
  std::string displayLabel_;
  TFieldType dataType_;
  int size_;
  bool readOnly_ = false;
  bool required_ = false;
  int fieldNo_ = 0;
  std::size_t textCapacity_ = 0;  // bytes that reading a value of the bound field takes
};

class TStringField : public TField {
 public:
  TStringField(TTable& table, std::string name, std::string fieldName, int size);
  // Cut to the field's size in characters (code points of UTF-8) without a
  // message; the engine stores it in the file's code page.
  FieldValue StringValue(std::string_view value) const override;
  FieldValue IntegerValue(std::int32_t value) const override;
  FieldValue FloatValue(double value) const override;
};

class TFloatField : public TField {
 public:
  TFloatField(TTable& table, std::string name, std::string fieldName);
  // Text with the user's locale decimal separator, null for blank text;
  // raises "'%s' is not a valid floating point value for field '%s'" for
  // anything else.
  FieldValue StringValue(std::string_view value) const override;
  FieldValue IntegerValue(std::int32_t value) const override;
  // Every double, unless the field has a minimum or maximum.
  FieldValue FloatValue(double value) const override;

  void SetRange(double minimum, double maximum) { range_ = Range{minimum, maximum}; }

 private:
  struct Range {
    double minimum, maximum;
  };
  std::optional<Range> range_;
};

// A float as the grids show it: general format, up to 15 significant digits,
// with the given decimal separator.
std::string FormatFloat(double value, char decimalSeparator = '.');

// The decimal separator of the user's locale (the C library's current one,
// which a Qt application sets from the environment).
char LocaleDecimalSeparator();

// A number as a user types it: blanks around it ignored, the given decimal
// separator, an optional exponent; nothing for anything else (also for a value
// beyond the range of doubles, infinity and NaN). Empty text is not a number.
std::optional<double> ParseFloat(std::string_view text, char decimalSeparator = LocaleDecimalSeparator());

// A value as the grids show it: text as stored, numbers by FormatFloat with the
// given separator, null as "".
std::string DisplayText(const FieldValue& value, char decimalSeparator = LocaleDecimalSeparator());

}  // namespace dravlik
