// Fields of delimited text (CSV, and the tab-separated text spreadsheets paste)
// as spreadsheets quote them: between double quotes, a quote inside doubled.
#pragma once

#include <string>
#include <string_view>

namespace dravlik {

inline void AppendQuotedField(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

// Quoted only where the text would otherwise split the field or the record.
inline void AppendField(std::string& out, std::string_view text, char delimiter) {
  for (const char c : text) {
    if (c == delimiter || c == '"' || c == '\n' || c == '\r') return AppendQuotedField(out, text);
  }
  out.append(text);
}

}  // namespace dravlik
