#include "memory_rows.h"

namespace dravlik {

MemoryRowWriter::MemoryRowWriter(const TTable& schema, std::span<const std::string_view> names)
    : width_(static_cast<std::size_t>(schema.FieldCount())) {
  for (std::string_view name : names) {
    const TField& field = schema.FieldByName(name);
    int column = 0;
    while (&schema.Field(column) != &field) ++column;
    columns_.push_back(column);
  }
}

void MemoryRowWriter::Insert() { row_.assign(width_, std::monostate{}); }

void MemoryRowWriter::SetString(std::size_t field, const std::string& value) { row_[columns_.at(field)] = value; }

void MemoryRowWriter::SetInteger(std::size_t field, int value) {
  row_[columns_.at(field)] = static_cast<double>(value);
}

void MemoryRowWriter::SetFloat(std::size_t field, double value) { row_[columns_.at(field)] = value; }

void MemoryRowWriter::Post() { rows_.push_back(std::move(row_)); }

}  // namespace dravlik
