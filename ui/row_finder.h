// Finding a record by its species code and key values, straight from the
// table layer's rows.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace dravlik {

class TTable;

struct RowQuery {
  // Compared without the trailing blanks and ignoring the case of ASCII
  // letters; nothing compares every species.
  std::optional<std::string> species;
  int speciesField = -1;
  // A field index and the number it must hold exactly.
  std::vector<std::pair<int, double>> values;

  bool Empty() const { return !species && values.empty(); }
};

// The fields a user finds a record by: the species code, then the keys that
// the table is ordered by within a species (site index and age, or height and
// diameter).
std::vector<int> FindFields(const TTable& table);

// The first row from `from` on that matches, or nothing.
std::optional<int> FindRow(TTable& table, const RowQuery& query, int from);

}  // namespace dravlik
