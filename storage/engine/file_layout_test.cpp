#include "file_layout.h"

#include <gtest/gtest.h>

#include "error_context.h"

namespace dbfe {
namespace {

std::vector<FieldLayout> HeightDiameterFields() {
  return {{"drevina", 'C', 3, 0, 0}, {"tloustka", 'N', 20, 10, 0}, {"vyska", 'N', 20, 10, 0},
          {"hmot", 'N', 20, 10, 0}};
}

// The file of an empty table: header and end-of-file marker.
std::vector<std::uint8_t> EmptyTableFile() {
  std::vector<std::uint8_t> bytes = EncodeHeader(NewTableLayout(HeightDiameterFields()), {2024, 6, 7});
  bytes.push_back(kEndOfFile);
  return bytes;
}

// The status and the last entry's text of what `parse` throws.
template <typename Parse>
std::pair<dbfe_status, std::string> Failure(Parse&& parse) {
  try {
    parse();
  } catch (const EngineError& error) {
    return {error.status(), error.entries().empty() ? "" : error.entries().back().text};
  }
  return {DBFE_OK, ""};
}

std::pair<dbfe_status, std::string> ParseFailure(const std::vector<std::uint8_t>& file) {
  return Failure([&] { ParseHeader(file, file.size()); });
}

TEST(NewTableLayout, RefusesNamesAndFieldsThatReadersCannotTake) {
  const auto refusal = [](std::vector<FieldLayout> fields) {
    return Failure([&] { NewTableLayout(std::move(fields)); }).first;
  };
  EXPECT_EQ(refusal({{"ABCDEFGHIJ", 'C', 3, 0, 0}}), DBFE_OK);
  EXPECT_EQ(refusal({{"ABCDEFGHIJK", 'C', 3, 0, 0}}), DBFE_ERR_INVALID_FIELD_NAME);
  EXPECT_EQ(refusal({{"", 'C', 3, 0, 0}}), DBFE_ERR_INVALID_FIELD_NAME);
  EXPECT_EQ(refusal({{"1ST", 'C', 3, 0, 0}}), DBFE_ERR_INVALID_FIELD_NAME);
  EXPECT_EQ(refusal({{"A B", 'C', 3, 0, 0}}), DBFE_ERR_INVALID_FIELD_NAME);
  EXPECT_EQ(refusal({{"hmot", 'N', 20, 10, 0}, {"HMOT", 'N', 20, 10, 0}}), DBFE_ERR_INVALID_FIELD_NAME);
  EXPECT_EQ(refusal({{"A", 'C', 0, 0, 0}}), DBFE_ERR_INVALID_FIELD_DEFINITION);
  EXPECT_EQ(refusal({{"A", 'C', 255, 0, 0}}), DBFE_ERR_INVALID_FIELD_DEFINITION);
  EXPECT_EQ(refusal({{"A", 'N', 21, 0, 0}}), DBFE_ERR_INVALID_FIELD_DEFINITION);
  EXPECT_EQ(refusal({{"A", 'N', 20, 19, 0}}), DBFE_ERR_INVALID_FIELD_DEFINITION);
  EXPECT_EQ(refusal({{"A", 'D', 8, 0, 0}}), DBFE_ERR_INVALID_FIELD_DEFINITION);
  EXPECT_EQ(refusal({}), DBFE_ERR_INVALID_FIELD_DEFINITION);
  std::vector<FieldLayout> many;
  for (int i = 0; i < 256; ++i) many.push_back({std::string("F").append(std::to_string(i)), 'C', 1, 0, 0});
  EXPECT_EQ(refusal(many), DBFE_ERR_INVALID_FIELD_DEFINITION);
}

// The damage that an end-to-end test cannot reach as easily (see
// hostile_file_test.cpp for the rest).
TEST(ParseHeader, RefusesDescriptorsThatMakeNoSense) {
  const std::vector<std::uint8_t> good = EmptyTableFile();
  const auto mutated = [&](auto change) {
    std::vector<std::uint8_t> file = good;
    change(file);
    return ParseFailure(file);
  };
  EXPECT_EQ(mutated([](auto&) {}).first, DBFE_OK);
  EXPECT_EQ(mutated([](auto& f) { f[0] = 0x04; }).first, DBFE_ERR_CORRUPT_TABLE);  // 48-byte descriptors
  EXPECT_EQ(mutated([](auto& f) { f[8] = 64; f[9] = 0; }).second, "The header length 64 is too short.");
  EXPECT_EQ(mutated([](auto& f) { f[32 + 16] = 0; }).second, "Field drevina has width 0.");
  EXPECT_EQ(mutated([](auto& f) { f[32] = 0; }).second, "A field descriptor has no name.");
  EXPECT_EQ(mutated([](auto& f) { f[32] = kHeaderTerminator; }).second, "The table has no fields.");
}

TEST(ParseHeader, AcceptsWhatOtherWritersLegitimatelyDo) {
  const std::vector<std::uint8_t> good = EmptyTableFile();
  for (const std::uint8_t version : {0x03, 0x83, 0x8B, 0xF5, 0x30}) {
    std::vector<std::uint8_t> file = good;
    file[0] = version;
    EXPECT_EQ(ParseFailure(file).first, DBFE_OK) << int{version};
  }
  // Bytes after the last record (a trailing marker, or none) do not matter.
  std::vector<std::uint8_t> longer = good;
  longer.insert(longer.end(), 100, 'x');
  EXPECT_EQ(ParseFailure(longer).first, DBFE_OK);
  std::vector<std::uint8_t> no_marker(good.begin(), good.end() - 1);
  EXPECT_EQ(ParseFailure(no_marker).first, DBFE_OK);
}

}  // namespace
}  // namespace dbfe
