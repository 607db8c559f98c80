// Reading CSV records as spreadsheets write them: fields split by one
// delimiter character, double quotes around any part of a field (a doubled
// quote inside stands for one), so a quoted part may hold delimiters and line
// breaks. A record ends at a line break outside quotes; a CR before it
// belongs to the break.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace dravlik {

struct CsvRecord {
  std::string_view text;        // as it stands in the input, without its line break
  std::string_view lineBreak;   // "\n", "\r\n", or empty at the end of the input
  std::vector<std::string_view> fields;  // without their quotes
  std::deque<std::string> unquoted;      // the fields' text where quotes were taken out
};

// Splits the record that starts at `start`; returns where the next one starts.
std::size_t ReadRecord(std::string_view input, std::size_t start, char delimiter, CsvRecord& record);

// Where the records of `input` that are whole end: just past the last line
// break outside quotes, or 0.
std::size_t EndOfWholeRecords(std::string_view input);

// A field, quoted where its text needs it.
void AppendField(std::string& out, std::string_view text, char delimiter);

}  // namespace dravlik
