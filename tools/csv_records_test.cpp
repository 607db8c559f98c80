// Records as Python's csv module and spreadsheets split them, whole or in
// pieces.
#include "csv_records.h"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "delimited_fields.h"

namespace dravlik {
namespace {

using Rows = std::vector<std::vector<std::string>>;

Rows ReadAll(std::string_view input, char delimiter = ',') {
  Rows rows;
  CsvRecord record;
  for (std::size_t position = 0; position < input.size();) {
    position = ReadRecord(input, position, delimiter, record);
    rows.emplace_back(record.fields.begin(), record.fields.end());
  }
  return rows;
}

TEST(CsvRecords, AQuoteOpensAFieldOnlyAtItsStart) {
  EXPECT_EQ(ReadAll("SM,30,25,12\" crack\nBK,1,2,3\n"),
            (Rows{{"SM", "30", "25", "12\" crack"}, {"BK", "1", "2", "3"}}));
  EXPECT_EQ(ReadAll("\"a,b\",\"say \"\"hi\"\"\",\"line\nbreak\"\n"), (Rows{{"a,b", "say \"hi\"", "line\nbreak"}}));
  // After the closing quote the text belongs to the field, quotes included.
  EXPECT_EQ(ReadAll("\"b\"c\"d,e\n"), (Rows{{"bc\"d", "e"}}));
  EXPECT_EQ(ReadAll(" \"q\",r\n"), (Rows{{" \"q\"", "r"}}));
  EXPECT_EQ(ReadAll("\"\",\"\"\"\"\n"), (Rows{{"", "\""}}));
  EXPECT_EQ(ReadAll("a;\"b;c\";d", ';'), (Rows{{"a", "b;c", "d"}}));
}

TEST(CsvRecords, EveryLineBreakEndsARecordAndIsKept) {
  const std::string input = "a,b\r\nc\rd\ne,\"x\ry\"\r\r\n";
  CsvRecord record;
  std::vector<std::string> texts, breaks;
  for (std::size_t position = 0; position < input.size();) {
    position = ReadRecord(input, position, ',', record);
    texts.emplace_back(record.text);
    breaks.emplace_back(record.lineBreak);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"a,b", "c", "d", "e,\"x\ry\"", ""}));
  EXPECT_EQ(breaks, (std::vector<std::string>{"\r\n", "\r", "\n", "\r", "\r\n"}));
  EXPECT_EQ(CountLineBreaks(input), 6u);
}

TEST(CsvRecords, WholeRecordsEndWhereNoQuoteIsOpen) {
  EXPECT_EQ(EndOfWholeRecords("a,b\nc,d", ',', false), 4u);
  EXPECT_EQ(EndOfWholeRecords("a,b\nc,d", ',', true), 7u);
  // A CR at the end may be the first half of a CRLF.
  EXPECT_EQ(EndOfWholeRecords("a\rb\r", ',', false), 2u);
  EXPECT_EQ(EndOfWholeRecords("a\rb\r", ',', true), 4u);
  EXPECT_EQ(EndOfWholeRecords("a,\"open\nstill open", ',', false), 0u);
  EXPECT_EQ(EndOfWholeRecords("a,\"open\nstill open", ',', true), 0u);
  EXPECT_EQ(EndOfWholeRecords("x\na,\"open\nstill\"", ',', false), 2u);  // "" or " cannot be told yet
  EXPECT_EQ(EndOfWholeRecords("x\na,\"open\nstill\"", ',', true), 16u);
  EXPECT_EQ(EndOfWholeRecords("a,12\" crack\nb\n", ',', false), 14u);
  EXPECT_TRUE(LeavesQuoteOpen("a,\"b\nc", ','));
  EXPECT_FALSE(LeavesQuoteOpen("a,b\"\nc", ','));
  EXPECT_FALSE(LeavesQuoteOpen("a;\"b\";\"c\"", ';'));
}

TEST(CsvRecords, FieldsEndWhereTheirDelimiterIs) {
  EXPECT_EQ(EndOfFields("a,\"b,c\",d,e", ',', 2), 7u);
  EXPECT_EQ(EndOfFields("a,b", ',', 5), 3u);
  std::string out;
  AppendField(out, "say \"hi\", twice", ',');
  AppendField(out, "plain", ',');
  EXPECT_EQ(out, "\"say \"\"hi\"\", twice\"plain");
}

// Whatever pieces the input comes in, the records are the same as when it
// is read whole.
TEST(CsvRecords, PiecesGiveTheRecordsOfTheWhole) {
  std::mt19937 random(15);
  const std::string alphabet = "ab,\"\n\r ;";
  for (int trial = 0; trial < 3000; ++trial) {
    std::string input;
    const std::size_t length = random() % 40;
    for (std::size_t i = 0; i < length; ++i) input += alphabet[random() % alphabet.size()];
    const std::size_t end = EndOfWholeRecords(input, ',', true);
    if (end != input.size()) {
      ASSERT_TRUE(LeavesQuoteOpen(input.substr(end), ',')) << input;
      continue;
    }
    Rows pieces;
    std::size_t taken = 0;
    for (std::size_t available = 0; available <= input.size(); available += 1 + random() % 7) {
      const std::string_view seen = std::string_view(input).substr(taken, available - taken);
      const std::size_t whole = EndOfWholeRecords(seen, ',', false);
      for (auto& row : ReadAll(seen.substr(0, whole))) pieces.push_back(row);
      taken += whole;
    }
    for (auto& row : ReadAll(std::string_view(input).substr(taken))) pieces.push_back(row);
    ASSERT_EQ(pieces, ReadAll(input)) << input;
  }
}

}  // namespace
}  // namespace dravlik
