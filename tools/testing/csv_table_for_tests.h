// Test support: a CSV text the calculator wrote, read back as rows of fields,
// the header first.
#pragma once

#include <string>
#include <vector>

#include "csv_records.h"

namespace dravlik::testing {

using CsvTable = std::vector<std::vector<std::string>>;

inline CsvTable ParsedCsv(const std::string& csv, char delimiter = ',') {
  CsvTable table;
  CsvRecord record;
  for (std::size_t position = 0; position < csv.size();) {
    position = ReadRecord(csv, position, delimiter, record);
    table.emplace_back(record.fields.begin(), record.fields.end());
  }
  return table;
}

}  // namespace dravlik::testing
