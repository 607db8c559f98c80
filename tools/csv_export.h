// Writes an open table, or a table file through the batch reader, as CSV for people who work in spreadsheets: a header
// line of field names, then one line per record; text quoted, without the
// blanks that pad it, numbers in their shortest exact decimal form, nothing for null.
#pragma once

#include <ostream>
#include <string>

namespace dravlik {

class TTable;
class TableFileReader;

// The two forms spreadsheets open as numbers: plain, with commas and decimal
// points, as English locales and programs read it; and with semicolons and
// decimal commas, as Czech (and most continental) locales read it.
struct CsvForm {
  char delimiter = ',';
  bool decimalComma = false;
};
inline constexpr CsvForm kPlainCsv{};
inline constexpr CsvForm kDecimalCommaCsv{';', true};

// The table's rows, as a grid shows them.
void WriteCsv(TTable& table, std::ostream& out, CsvForm form = kPlainCsv);
// The file's records from the reader's next one on.
void WriteCsv(TableFileReader& file, std::ostream& out, CsvForm form = kPlainCsv);

// Writes the file as every output file is written (output_file.h); raises
// std::runtime_error naming the file on failure.
void WriteCsvFile(TTable& table, const std::string& path, CsvForm form = kPlainCsv);
void WriteCsvFile(TableFileReader& file, const std::string& path, CsvForm form = kPlainCsv);

}  // namespace dravlik
