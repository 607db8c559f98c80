#include "csv_export.h"

#include <sstream>
#include <string_view>

#include "blanks.h"
#include "number_text.h"
#include "output_file.h"
#include "table.h"

namespace dravlik {
namespace {

std::string Quoted(std::string_view text) {
  std::string result = "\"";
  for (char c : text) result += c == '"' ? std::string("\"\"") : std::string(1, c);
  return result + '"';
}

// Text without the blanks that pad it to the field's width ("SM " is "SM"), as
// GDAL, dbfread and LibreOffice give it.
std::string CsvValue(const FieldValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) {
    return Quoted(WithoutPadding(*text));
  }
  std::string text;
  if (const auto* number = std::get_if<double>(&value)) AppendNumber(text, *number, false);
  return text;
}

}  // namespace

void WriteCsv(TTable& table, std::ostream& out) {
  for (int column = 0; column < table.FieldCount(); ++column) {
    out << (column ? "," : "") << table.Field(column).FieldName();
  }
  out << '\n';
  for (int row = 0; row < table.RowCount(); ++row) {
    for (int column = 0; column < table.FieldCount(); ++column) {
      out << (column ? "," : "") << CsvValue(table.RowValue(row, column));
    }
    out << '\n';
  }
}

void WriteCsvFile(TTable& table, const std::string& path) {
  std::ostringstream csv;
  WriteCsv(table, csv);
  WriteOutputFile(path, csv.str());
}

}  // namespace dravlik
