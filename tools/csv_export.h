// Writes an open table, or a table file through the batch reader, as CSV for people who work in spreadsheets: a header
// line of field names, then one line per record; text quoted, without the
// blanks that pad it, numbers in their shortest exact decimal form, nothing for null.
#pragma once

#include <ostream>
#include <string>

namespace dravlik {

class TTable;
class TableFileReader;

// The table's rows, as a grid shows them.
void WriteCsv(TTable& table, std::ostream& out);
// The file's records from the reader's next one on.
void WriteCsv(TableFileReader& file, std::ostream& out);

// Writes the file as every output file is written (output_file.h); raises
// std::runtime_error naming the file on failure.
void WriteCsvFile(TTable& table, const std::string& path);
void WriteCsvFile(TableFileReader& file, const std::string& path);

}  // namespace dravlik
