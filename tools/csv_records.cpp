#include "csv_records.h"

#include <algorithm>
#include <cstring>

namespace dravlik {
namespace {

enum class Scan { kWhole, kUnended, kOpenQuote };

// What a scan does with the fields it meets: nothing, when only the end of
// the record matters.
struct FieldsIgnored {
  void Plain(std::string_view) {}
  void BeginQuoted() {}
  void AppendQuoted(std::string_view) {}
  void EndQuoted() {}
  void Ended(std::size_t) {}
};

struct FieldsCollected : FieldsIgnored {
  CsvRecord& record;
  explicit FieldsCollected(CsvRecord& r) : record(r) {}
  void Plain(std::string_view text) { record.fields.push_back(text); }
  void BeginQuoted() {
    record.unquoted.emplace_back();
    record.quoted = true;
  }
  void AppendQuoted(std::string_view text) { record.unquoted.back().append(text); }
  void EndQuoted() { record.fields.push_back(record.unquoted.back()); }
};

struct FieldEnds : FieldsIgnored {
  std::size_t wanted, seen = 0, end = 0;
  explicit FieldEnds(std::size_t count) : wanted(count) {}
  void Ended(std::size_t position) {
    if (++seen == wanted) end = position;
  }
};

std::size_t EndOfPlainText(std::string_view input, std::size_t position, char delimiter) {
  for (; position < input.size(); ++position) {
    const char c = input[position];
    if (c == delimiter || c == '\n' || c == '\r') break;
  }
  return position;
}

// The quoted part of a field, from just past its opening quote: sets
// `position` past the closing quote.
template <typename Fields>
Scan ScanQuoted(std::string_view input, std::size_t& position, bool atEnd, Fields& fields) {
  const std::size_t size = input.size();
  while (true) {
    const void* quote = std::memchr(input.data() + position, '"', size - position);
    if (!quote) {
      if (!atEnd) return Scan::kUnended;
      fields.AppendQuoted(input.substr(position));
      position = size;
      return Scan::kOpenQuote;
    }
    const auto at = static_cast<std::size_t>(static_cast<const char*>(quote) - input.data());
    if (at + 1 == size && !atEnd) return Scan::kUnended;  // a doubled quote or the closing one
    const bool doubled = at + 1 < size && input[at + 1] == '"';
    fields.AppendQuoted(input.substr(position, at + doubled - position));
    position = at + 1 + doubled;
    if (!doubled) return Scan::kWhole;
  }
}

// One record from `start`. On kWhole, `textEnd` is where its text ends and
// `next` where the next record starts.
template <typename Fields>
Scan ScanRecord(std::string_view input, std::size_t start, char delimiter, bool atEnd, Fields& fields,
                std::size_t& textEnd, std::size_t& next) {
  const std::size_t size = input.size();
  std::size_t position = start;
  while (true) {
    if (position < size && input[position] == '"') {
      fields.BeginQuoted();
      ++position;
      const Scan quoted = ScanQuoted(input, position, atEnd, fields);
      if (quoted == Scan::kUnended) return quoted;
      const std::size_t end = EndOfPlainText(input, position, delimiter);
      fields.AppendQuoted(input.substr(position, end - position));
      fields.EndQuoted();
      position = end;
      if (quoted == Scan::kOpenQuote) {
        textEnd = next = size;
        return quoted;
      }
    } else {
      const std::size_t end = EndOfPlainText(input, position, delimiter);
      fields.Plain(input.substr(position, end - position));
      position = end;
    }
    fields.Ended(position);
    if (position == size) {
      if (!atEnd) return Scan::kUnended;
      textEnd = next = size;
      return Scan::kWhole;
    }
    if (input[position] != delimiter) break;
    ++position;
  }
  textEnd = position;
  if (input[position] == '\r') {
    if (position + 1 == size && !atEnd) return Scan::kUnended;
    next = position + 1 + (position + 1 < size && input[position + 1] == '\n');
  } else {
    next = position + 1;
  }
  return Scan::kWhole;
}

// The common case, a text without quotes: past its last line break.
std::size_t EndOfUnquotedRecords(std::string_view input, bool atEnd) {
  if (atEnd) return input.size();
  std::size_t size = input.size();
  if (size > 0 && input[size - 1] == '\r') --size;
  const void* lf = size ? memrchr(input.data(), '\n', size) : nullptr;
  const void* cr = size ? memrchr(input.data(), '\r', size) : nullptr;
  const char* last = std::max(static_cast<const char*>(lf), static_cast<const char*>(cr));
  return last ? static_cast<std::size_t>(last - input.data()) + 1 : 0;
}

}  // namespace

std::size_t ReadRecord(std::string_view input, std::size_t start, char delimiter, CsvRecord& record) {
  record.fields.clear();
  record.unquoted.clear();
  record.quoted = false;
  FieldsCollected fields(record);
  std::size_t textEnd = input.size(), next = input.size();
  ScanRecord(input, start, delimiter, true, fields, textEnd, next);
  record.text = input.substr(start, textEnd - start);
  record.lineBreak = input.substr(textEnd, next - textEnd);
  return next;
}

std::size_t EndOfWholeRecords(std::string_view input, char delimiter, bool atEnd) {
  if (!std::memchr(input.data(), '"', input.size())) return EndOfUnquotedRecords(input, atEnd);
  FieldsIgnored none;
  std::size_t end = 0;
  while (end < input.size()) {
    std::size_t textEnd = 0, next = 0;
    if (ScanRecord(input, end, delimiter, atEnd, none, textEnd, next) != Scan::kWhole) break;
    end = next;
  }
  return end;
}

bool LeavesQuoteOpen(std::string_view input, char delimiter) {
  FieldsIgnored none;
  std::size_t textEnd = 0, next = 0;
  return ScanRecord(input, 0, delimiter, true, none, textEnd, next) == Scan::kOpenQuote;
}

std::size_t EndOfFields(std::string_view text, char delimiter, std::size_t count) {
  FieldEnds ends(count);
  std::size_t textEnd = 0, next = 0;
  ScanRecord(text, 0, delimiter, true, ends, textEnd, next);
  return ends.seen >= count ? ends.end : text.size();
}

std::size_t CountLineBreaks(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) ++count;
  }
  return count;
}

}  // namespace dravlik
