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
std::string CsvValue(const FieldValue& value) {
  std::string text;
  if (const auto* stored = std::get_if<std::string>(&value)) AppendQuotedField(text, WithoutPadding(*stored));
  if (const auto* number = std::get_if<double>(&value)) AppendNumber(text, *number, false);
  return text;
}

// A line of `fields` values, each given by `valueOf(field)`.
template <class ValueOf>
void WriteLine(std::ostream& out, int fields, ValueOf valueOf) {
  for (int field = 0; field < fields; ++field) out << (field ? "," : "") << valueOf(field);
  out << '\n';
}

template <class Source>
void WriteCsvFileOf(Source& source, const std::string& path) {
  std::ostringstream csv;
  WriteCsv(source, csv);
  WriteOutputFile(path, csv.str());
}

}  // namespace

void WriteCsv(TTable& table, std::ostream& out) {
  WriteLine(out, table.FieldCount(), [&](int field) { return table.Field(field).FieldName(); });
  for (int row = 0; row < table.RowCount(); ++row) {
    WriteLine(out, table.FieldCount(), [&](int field) { return CsvValue(table.RowValue(row, field)); });
  }
}

void WriteCsv(TableFileReader& file, std::ostream& out) {
  WriteLine(out, file.FieldCount(), [&](int field) { return file.FieldName(field); });
  while (file.Next()) {
    WriteLine(out, file.FieldCount(), [&](int field) { return CsvValue(file.Value(field)); });
  }
}

void WriteCsvFile(TTable& table, const std::string& path) { WriteCsvFileOf(table, path); }
void WriteCsvFile(TableFileReader& file, const std::string& path) { WriteCsvFileOf(file, path); }

}  // namespace dravlik
