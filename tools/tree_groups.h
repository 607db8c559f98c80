// The groups of a tree file (plots, stands) by the texts of the columns the
// user groups by, numbered in the order they first appear. Memory grows with
// the groups, not with the trees, and the input need not be sorted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "csv_records.h"

namespace dravlik {

using GroupNumber = std::uint32_t;

class TreeGroups {
 public:
  // No names: the whole file is one group.
  TreeGroups(const CsvRecord& header, const std::vector<std::string>& names, char delimiter);

  // The group columns' names as the header writes them.
  const std::vector<std::string>& Names() const { return names_; }

  // The row's group, numbered when it first appears.
  GroupNumber GroupOf(const CsvRecord& row);
  // Without numbering: safe beside other readers.
  std::optional<GroupNumber> Find(const CsvRecord& row) const;

  // A line's group fields (its names or a group's texts), each followed by
  // the delimiter, as the summaries start their lines.
  static void AppendFields(std::string& out, const std::vector<std::string>& fields, char delimiter);

  std::size_t Count() const { return texts_.size(); }
  // The group's texts, one per group column.
  const std::vector<std::string>& Texts(GroupNumber group) const { return texts_[group]; }

 private:
  static std::string_view TextOf(const CsvRecord& row, std::size_t column);
  void KeyOf(const CsvRecord& row, std::string& key) const;

  std::vector<std::size_t> columns_;
  std::vector<std::string> names_;
  std::unordered_map<std::string, GroupNumber> numbers_;
  std::vector<std::vector<std::string>> texts_;
  std::string key_;  // GroupOf's, kept to spare an allocation a row
};

}  // namespace dravlik
