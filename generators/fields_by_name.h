// A generator's fields, each looked up by name where the first row first sets
// it (so a missing field fails there, as a lookup per row would) and kept for
// the rows after: a table's fields stay the same objects while it is open.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "table.h"

namespace dravlik {

template <std::size_t N>
class FieldsByName {
 public:
  FieldsByName(TTable& table, const std::array<std::string_view, N>& names) : table_(table), names_(names) {}

  TField& operator[](std::size_t field) {
    if (!fields_[field]) fields_[field] = &table_.FieldByName(names_[field]);
    return *fields_[field];
  }

 private:
  TTable& table_;
  std::array<std::string_view, N> names_;
  std::array<TField*, N> fields_{};
};

}  // namespace dravlik
