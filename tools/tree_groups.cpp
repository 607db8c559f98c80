#include "tree_groups.h"

#include "blanks.h"
#include "input_columns.h"

namespace dravlik {

TreeGroups::TreeGroups(const CsvRecord& header, const std::vector<std::string>& names, char delimiter) {
  for (const std::string& name : names) {
    columns_.push_back(FindNamedColumn(header, name, "--group-by", delimiter));
    names_.emplace_back(HeaderName(header, columns_.back()));
  }
}

std::vector<std::string> TreeGroups::TextsOf(const CsvRecord& row) const {
  std::vector<std::string> texts;
  texts.reserve(columns_.size());
  for (const std::size_t column : columns_) {
    texts.emplace_back(column < row.fields.size() ? WithoutBlanks(row.fields[column]) : std::string_view());
  }
  return texts;
}

// Each text with its length in front, so that no text can pass for two.
std::string TreeGroups::Key(const std::vector<std::string>& texts) {
  std::string key;
  for (const std::string& text : texts) key.append(std::to_string(text.size())).append(1, ':').append(text);
  return key;
}

GroupNumber TreeGroups::GroupOf(const CsvRecord& row) {
  std::vector<std::string> texts = TextsOf(row);
  const auto [found, added] = numbers_.try_emplace(Key(texts), static_cast<GroupNumber>(texts_.size()));
  if (added) texts_.push_back(std::move(texts));
  return found->second;
}

std::optional<GroupNumber> TreeGroups::Find(const CsvRecord& row) const {
  const auto found = numbers_.find(Key(TextsOf(row)));
  if (found == numbers_.end()) return std::nullopt;
  return found->second;
}

}  // namespace dravlik
