#include "species_arrays.h"

#include <unordered_map>

#include "blanks.h"
#include "species_catalogue.h"
#include "species_reading.h"

namespace dravlik::python {
namespace {

SpeciesCodes ModelledEntries() {
  SpeciesCodes codes;
  for (vzorce::SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
    codes.entries.push_back({species, false, WrittenCode(species)});
  }
  return codes;
}

std::uint32_t Added(SpeciesCodes& codes, SpeciesEntry entry) {
  codes.entries.push_back(std::move(entry));
  return static_cast<std::uint32_t>(codes.entries.size() - 1);
}

// As a tree file's field is read: blanks around it ignored, then the
// catalogue's codes, indices and names.
std::uint32_t CodeOfText(SpeciesCodes& codes, std::string_view text) {
  static const SpeciesReading kAsWritten;
  const std::string_view written = WithoutBlanks(text);
  if (written.empty()) return Added(codes, {std::nullopt, true, {}});
  if (const auto species = ReadRowSpecies(kAsWritten, written).species) return *species;
  return Added(codes, {std::nullopt, false, std::string(written)});
}

}  // namespace

SpeciesCodes SpeciesOfIntegers(const std::int64_t* values, std::size_t count) {
  SpeciesCodes codes = ModelledEntries();
  std::unordered_map<std::int64_t, std::uint32_t> others;
  codes.codes.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::int64_t value = values[i];
    if (value >= 0 && value < vzorce::kModelledSpeciesCount) {
      codes.codes[i] = static_cast<std::uint32_t>(value);
      continue;
    }
    const auto [found, added] = others.try_emplace(value, 0);
    if (added) found->second = Added(codes, {std::nullopt, false, std::to_string(value)});
    codes.codes[i] = found->second;
  }
  return codes;
}

SpeciesCodes SpeciesOfTexts(TextCodes texts) {
  SpeciesCodes codes = ModelledEntries();
  std::vector<std::uint32_t> entryOfText;
  for (const std::string& text : texts.texts) entryOfText.push_back(CodeOfText(codes, text));
  for (std::uint32_t& code : texts.codes) code = entryOfText[code];
  codes.codes = std::move(texts.codes);
  return codes;
}

}  // namespace dravlik::python
