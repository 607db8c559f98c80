// A generator's rows written straight into a table's file by the batch
// writer, each value converted by the schema's field of its name, as the
// table's field would convert it.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "row_writer.h"
#include "table_file_writer.h"

namespace dravlik {

class FileRowWriter final : public RowWriter {
 public:
  // `names` are the generator's fields; a name the schema lacks raises
  // "Field '%s' not found" with the schema's name, as the table would.
  FileRowWriter(TableFileWriter& file, const TTable& schema, std::span<const std::string_view> names);

  void Insert() override { file_.NewRecord(); }
  void SetString(std::size_t field, const std::string& value) override;
  void SetInteger(std::size_t field, int value) override;
  void SetFloat(std::size_t field, double value) override;
  void Post() override { file_.Append(); }

 private:
  struct Column {
    int index;
    const TField* field;
  };

  TableFileWriter& file_;
  std::vector<Column> columns_;  // by generator field
};

}  // namespace dravlik
