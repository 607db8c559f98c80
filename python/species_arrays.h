// The species of an array's elements: integers are indices, texts are read
// as a tree file's species column is read, each distinct text once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "species.h"
#include "text_codes.h"

namespace dravlik::python {

struct SpeciesEntry {
  std::optional<vzorce::SpeciesIndex> species;  // none: missing or unknown
  bool missing = false;                        // an empty text
  std::string written;                         // as the element writes it, for the error
};

// Each element's entry; the first 13 entries are the modelled species.
struct SpeciesCodes {
  std::vector<SpeciesEntry> entries;
  std::vector<std::uint32_t> codes;  // one, or one per element

  const SpeciesEntry& Of(std::size_t element) const { return entries[codes[codes.size() == 1 ? 0 : element]]; }
};

SpeciesCodes SpeciesOfIntegers(const std::int64_t* values, std::size_t count);
SpeciesCodes SpeciesOfTexts(TextCodes texts);

}  // namespace dravlik::python
