// Where a generator's rows go: into a table being regenerated, or into memory,
// to compare with a table's file. A generator names its fields once; a
// writer's field numbers index those names.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "fields_by_name.h"
#include "table.h"

namespace dravlik {

class RowWriter {
 public:
  virtual ~RowWriter() = default;
  virtual void Insert() = 0;
  virtual void SetString(std::size_t field, const std::string& value) = 0;
  virtual void SetInteger(std::size_t field, int value) = 0;
  virtual void SetFloat(std::size_t field, double value) = 0;
  virtual void Post() = 0;
};

// Each row inserted and posted in the table, each value set through its field.
template <std::size_t N>
class TableRowWriter final : public RowWriter {
 public:
  TableRowWriter(TTable& table, const std::array<std::string_view, N>& names) : table_(table), fields_(table, names) {}

  void Insert() override { table_.Insert(); }
  void SetString(std::size_t field, const std::string& value) override { fields_[field].SetAsString(value); }
  void SetInteger(std::size_t field, int value) override { fields_[field].SetAsInteger(value); }
  void SetFloat(std::size_t field, double value) override { fields_[field].SetAsFloat(value); }
  void Post() override { table_.Post(); }

 private:
  TTable& table_;
  FieldsByName<N> fields_;
};

// Passes each row on, counting the rows posted with a value set in one field
// (the volume, for a table's report); a row whose post fails is not counted.
class ValueCountingRowWriter final : public RowWriter {
 public:
  ValueCountingRowWriter(RowWriter& rows, std::size_t countedField) : rows_(rows), countedField_(countedField) {}

  void Insert() override {
    rows_.Insert();
    hasValue_ = false;
  }
  void SetString(std::size_t field, const std::string& value) override {
    rows_.SetString(field, value);
    hasValue_ |= field == countedField_;
  }
  void SetInteger(std::size_t field, int value) override {
    rows_.SetInteger(field, value);
    hasValue_ |= field == countedField_;
  }
  void SetFloat(std::size_t field, double value) override {
    rows_.SetFloat(field, value);
    hasValue_ |= field == countedField_;
  }
  void Post() override {
    rows_.Post();
    count_ += hasValue_ ? 1 : 0;
  }

  int Count() const { return count_; }

 private:
  RowWriter& rows_;
  std::size_t countedField_;
  bool hasValue_ = false;
  int count_ = 0;
};

}  // namespace dravlik
