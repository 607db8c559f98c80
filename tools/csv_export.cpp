#include "csv_export.h"

#include <sstream>
#include <string_view>

#include "blanks.h"
#include "delimited_fields.h"
#include "number_text.h"
#include "output_file.h"
#include "table.h"
#include "table_file_reader.h"

namespace dravlik {
namespace {

// Text without the blanks that pad it to the field's width ("SM " is "SM"), as
// GDAL, dbfread and LibreOffice give it.
std::string CsvValue(const FieldValue& value, CsvForm form) {
  std::string text;
  if (const auto* stored = std::get_if<std::string>(&value)) AppendQuotedField(text, WithoutPadding(*stored));
  if (const auto* number = std::get_if<double>(&value)) AppendNumber(text, *number, form.decimalComma);
  return text;
}

// A line of `fields` values, each given by `valueOf(field)`.
template <class ValueOf>
void WriteLine(std::ostream& out, int fields, CsvForm form, ValueOf valueOf) {
  for (int field = 0; field < fields; ++field) {
    if (field) out << form.delimiter;
    out << valueOf(field);
  }
  out << '\n';
}

template <class Source>
void WriteCsvFileOf(Source& source, const std::string& path, CsvForm form) {
  std::ostringstream csv;
  WriteCsv(source, csv, form);
  WriteOutputFile(path, csv.str());
}

}  // namespace

void WriteCsv(TTable& table, std::ostream& out, CsvForm form) {
  WriteLine(out, table.FieldCount(), form, [&](int field) { return table.Field(field).FieldName(); });
  for (int row = 0; row < table.RowCount(); ++row) {
    WriteLine(out, table.FieldCount(), form, [&](int field) { return CsvValue(table.RowValue(row, field), form); });
  }
}

void WriteCsv(TableFileReader& file, std::ostream& out, CsvForm form) {
  WriteLine(out, file.FieldCount(), form, [&](int field) { return file.FieldName(field); });
  while (file.Next()) {
    WriteLine(out, file.FieldCount(), form, [&](int field) { return CsvValue(file.Value(field), form); });
  }
}

void WriteCsvFile(TTable& table, const std::string& path, CsvForm form) { WriteCsvFileOf(table, path, form); }
void WriteCsvFile(TableFileReader& file, const std::string& path, CsvForm form) {
  WriteCsvFileOf(file, path, form);
}

}  // namespace dravlik
