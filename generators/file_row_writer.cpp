#include "file_row_writer.h"

#include "table.h"

namespace dravlik {

FileRowWriter::FileRowWriter(TableFileWriter& file, const TTable& schema, std::span<const std::string_view> names)
    : file_(file) {
  for (std::string_view name : names) {
    const TField& field = schema.FieldByName(name);
    int index = 0;
    while (&schema.Field(index) != &field) ++index;
    columns_.push_back({index, &field});
  }
}

void FileRowWriter::SetString(std::size_t field, const std::string& value) {
  const Column& column = columns_.at(field);
  file_.SetValue(column.index, column.field->StringValue(value));
}

void FileRowWriter::SetInteger(std::size_t field, int value) {
  const Column& column = columns_.at(field);
  file_.SetValue(column.index, column.field->IntegerValue(value));
}

void FileRowWriter::SetFloat(std::size_t field, double value) {
  const Column& column = columns_.at(field);
  file_.SetValue(column.index, column.field->FloatValue(value));
}

}  // namespace dravlik
