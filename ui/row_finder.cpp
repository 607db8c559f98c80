#include "row_finder.h"

#include <cctype>
#include <string_view>

#include "table.h"

namespace dravlik {
namespace {

std::string_view WithoutTrailingBlanks(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool SameSpecies(const FieldValue& value, std::string_view wanted) {
  const auto* text = std::get_if<std::string>(&value);
  if (!text) return false;
  const std::string_view stored = WithoutTrailingBlanks(*text);
  if (stored.size() != wanted.size()) return false;
  for (std::size_t i = 0; i < stored.size(); ++i) {
    const auto a = static_cast<unsigned char>(stored[i]);
    const auto b = static_cast<unsigned char>(wanted[i]);
    if (a != b && (a >= 0x80 || b >= 0x80 || std::toupper(a) != std::toupper(b))) return false;
  }
  return true;
}

bool Matches(TTable& table, const RowQuery& query, int row) {
  for (const auto& [field, number] : query.values) {
    const FieldValue value = table.RowValue(row, field);
    const auto* stored = std::get_if<double>(&value);
    if (!stored || *stored != number) return false;
  }
  return !query.species || SameSpecies(table.RowValue(row, query.speciesField), *query.species);
}

}  // namespace

std::vector<int> FindFields(const TTable& table) {
  std::vector<int> fields;
  const auto add = [&](const char* name) {
    if (const TField* field = table.FindField(name)) {
      for (int index = 0; index < table.FieldCount(); ++index) {
        if (&table.Field(index) == field) fields.push_back(index);
      }
    }
  };
  add("DREVINA");
  if (table.FindField("BONITA")) {
    add("BONITA");
    add("VEK");
  } else {
    add("VYSKA");
    add("TLOUSTKA");
  }
  return fields;
}

std::optional<int> FindRow(TTable& table, const RowQuery& query, int from) {
  const std::string species = query.species ? std::string(WithoutTrailingBlanks(*query.species)) : std::string();
  RowQuery trimmed = query;
  if (trimmed.species) trimmed.species = species;
  for (int row = std::max(from, 0); row < table.RowCount(); ++row) {
    if (Matches(table, trimmed, row)) return row;
  }
  return std::nullopt;
}

}  // namespace dravlik
