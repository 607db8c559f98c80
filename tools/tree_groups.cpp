#include "tree_groups.h"

#include "blanks.h"
#include "delimited_fields.h"
#include "input_columns.h"

namespace dravlik {

TreeGroups::TreeGroups(const CsvRecord& header, const std::vector<std::string>& names, char delimiter) {
  for (const std::string& name : names) {
    columns_.push_back(FindNamedColumn(header, name, "--group-by", delimiter));
    names_.emplace_back(HeaderName(header, columns_.back()));
  }
}

std::string_view TreeGroups::TextOf(const CsvRecord& row, std::size_t column) {
  return column < row.fields.size() ? WithoutBlanks(row.fields[column]) : std::string_view();
}

// Each text with its length in front, so that no text can pass for two.
void TreeGroups::KeyOf(const CsvRecord& row, std::string& key) const {
  key.clear();
  for (const std::size_t column : columns_) {
    const std::string_view text = TextOf(row, column);
    const auto size = static_cast<std::uint32_t>(text.size());
    key.append(reinterpret_cast<const char*>(&size), sizeof size).append(text);
  }
}

void TreeGroups::AppendFields(std::string& out, const std::vector<std::string>& fields, char delimiter) {
  for (const std::string& field : fields) {
    AppendField(out, field, delimiter);
    out += delimiter;
  }
}

GroupNumber TreeGroups::GroupOf(const CsvRecord& row) {
  KeyOf(row, key_);
  const auto [found, added] = numbers_.try_emplace(key_, static_cast<GroupNumber>(texts_.size()));
  if (added) {
    std::vector<std::string>& texts = texts_.emplace_back();
    for (const std::size_t column : columns_) texts.emplace_back(TextOf(row, column));
  }
  return found->second;
}

std::optional<GroupNumber> TreeGroups::Find(const CsvRecord& row) const {
  std::string key;
  KeyOf(row, key);
  const auto found = numbers_.find(key);
  if (found == numbers_.end()) return std::nullopt;
  return found->second;
}

}  // namespace dravlik
