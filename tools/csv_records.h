// Reading CSV records as spreadsheets, pandas and Python's csv module read
// them: fields split by one delimiter character; a field that starts with a
// double quote is quoted up to the closing quote (a doubled quote inside
// stands for one), may hold delimiters and line breaks, and keeps what follows
// the closing quote up to the delimiter; a quote anywhere else is an ordinary
// character. A record ends at a line break outside quotes: LF, CRLF or CR.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace dravlik {

struct CsvRecord {
  std::string_view text;        // as it stands in the input, without its line break
  std::string_view lineBreak;   // "\n", "\r\n", "\r", or empty at the end of the input
  std::vector<std::string_view> fields;  // without their quotes
  std::deque<std::string> unquoted;      // the fields' text where quotes were taken out
  bool quoted = false;                   // some field was quoted
};

// Splits the record that starts at `start` in `input`, which holds whole
// records (EndOfWholeRecords); returns where the next one starts.
std::size_t ReadRecord(std::string_view input, std::size_t start, char delimiter, CsvRecord& record);

// Where the whole records of `input` (which starts at a record) end: just
// past the last line break outside quotes, or 0. With `atEnd` nothing follows
// the input, so a last record without a line break is whole unless a quoted
// field in it is still open; otherwise a CR at the very end is not taken for
// a line break, since an LF may follow it.
std::size_t EndOfWholeRecords(std::string_view input, char delimiter, bool atEnd);

// Whether the record that starts `input`, taken as all there is, leaves a
// quoted field open.
bool LeavesQuoteOpen(std::string_view input, char delimiter);

// Where the first `count` fields of a record's text end (before the delimiter
// that follows them); the text's size when it has no more fields than that.
std::size_t EndOfFields(std::string_view text, char delimiter, std::size_t count);

// Line breaks in a text, CRLF counted once.
std::size_t CountLineBreaks(std::string_view text);

}  // namespace dravlik
