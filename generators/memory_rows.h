// A generator's rows kept in memory, each value where the table's field of
// that name stands and as the table would read it back: nothing is written.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "field.h"
#include "row_writer.h"

namespace dravlik {

using TableRows = std::vector<std::vector<FieldValue>>;

class MemoryRowWriter final : public RowWriter {
 public:
  // `schema`'s fields give the columns; `names` are the generator's fields.
  // A name the schema lacks raises "Field '%s' not found", as the table would.
  MemoryRowWriter(const TTable& schema, std::span<const std::string_view> names);

  void Insert() override;
  void SetString(std::size_t field, const std::string& value) override;
  void SetInteger(std::size_t field, int value) override;
  void SetFloat(std::size_t field, double value) override;
  void Post() override;

  const TableRows& Rows() const { return rows_; }

 private:
  std::vector<int> columns_;  // by generator field
  std::size_t width_;
  std::vector<FieldValue> row_;
  TableRows rows_;
};

}  // namespace dravlik
