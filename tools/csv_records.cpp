#include "csv_records.h"

#include <cstring>

namespace dravlik {
namespace {

// The field that starts at `start` and ends at the delimiter or line break
// outside quotes; returns where it ends.
std::size_t ReadField(std::string_view input, std::size_t start, char delimiter, CsvRecord& record) {
  std::size_t end = start;
  bool quoted = false, hasQuotes = false;
  for (; end < input.size(); ++end) {
    const char c = input[end];
    if (c == '"') {
      quoted = !quoted;
      hasQuotes = true;
    } else if (!quoted && (c == delimiter || c == '\n')) {
      break;
    }
  }
  std::string_view text = input.substr(start, end - start);
  if (!quoted && end < input.size() && input[end] == '\n' && !text.empty() && text.back() == '\r') {
    text.remove_suffix(1);
  }
  if (!hasQuotes) {
    record.fields.push_back(text);
    return end;
  }
  std::string& value = record.unquoted.emplace_back();
  bool inQuotes = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '"') {
      value += text[i];
    } else if (inQuotes && i + 1 < text.size() && text[i + 1] == '"') {
      value += '"';
      ++i;
    } else {
      inQuotes = !inQuotes;
    }
  }
  record.fields.push_back(value);
  return end;
}

}  // namespace

std::size_t ReadRecord(std::string_view input, std::size_t start, char delimiter, CsvRecord& record) {
  record.fields.clear();
  record.unquoted.clear();
  std::size_t position = start;
  while (true) {
    position = ReadField(input, position, delimiter, record);
    if (position >= input.size() || input[position] == '\n') break;
    ++position;  // the delimiter
  }
  std::size_t textEnd = position;
  if (position < input.size()) {
    if (textEnd > start && input[textEnd - 1] == '\r') --textEnd;
    record.lineBreak = input.substr(textEnd, position + 1 - textEnd);
    ++position;
  } else {
    record.lineBreak = {};
  }
  record.text = input.substr(start, textEnd - start);
  return position;
}

std::size_t EndOfWholeRecords(std::string_view input) {
  if (!std::memchr(input.data(), '"', input.size())) {
    const void* last = input.empty() ? nullptr : memrchr(input.data(), '\n', input.size());
    return last ? static_cast<const char*>(last) - input.data() + 1 : 0;
  }
  std::size_t end = 0;
  bool quoted = false;
  for (std::size_t i = 0; i < input.size(); ++i) {
    if (input[i] == '"') quoted = !quoted;
    else if (input[i] == '\n' && !quoted) end = i + 1;
  }
  return end;
}

void AppendField(std::string& out, std::string_view text, char delimiter) {
  if (text.find_first_of(std::string{delimiter, '"', '\n', '\r'}) == std::string_view::npos) {
    out.append(text);
    return;
  }
  out += '"';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

}  // namespace dravlik
