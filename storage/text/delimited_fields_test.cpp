// Fields as spreadsheets and Python's csv module read them back.
#include "delimited_fields.h"

#include <gtest/gtest.h>

#include "blanks.h"

namespace dravlik {
namespace {

std::string Field(std::string_view text, char delimiter) {
  std::string out;
  AppendField(out, text, delimiter);
  return out;
}

TEST(DelimitedFields, QuotesOnlyWhatWouldSplitTheFieldOrTheRecord) {
  EXPECT_EQ(Field("SM 12.5", ','), "SM 12.5");
  EXPECT_EQ(Field("a,b", ','), "\"a,b\"");
  EXPECT_EQ(Field("a,b", '\t'), "a,b");
  EXPECT_EQ(Field("a\tb", '\t'), "\"a\tb\"");
  EXPECT_EQ(Field("say \"hi\"", ';'), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(Field("two\nlines", ','), "\"two\nlines\"");
  EXPECT_EQ(Field("old\rMac", ','), "\"old\rMac\"");
  EXPECT_EQ(Field("", ','), "");
}

TEST(DelimitedFields, AQuotedFieldIsQuotedWhateverItHolds) {
  std::string out;
  AppendQuotedField(out, "SM");
  AppendQuotedField(out, "");
  AppendQuotedField(out, "\"");
  EXPECT_EQ(out, "\"SM\"\"\"\"\"\"\"");
}

TEST(Blanks, GoAtEitherEndOnlyAndPaddingAtTheEndOnly) {
  EXPECT_EQ(WithoutBlanks(" \t 12,5 \t"), "12,5");
  EXPECT_EQ(WithoutBlanks("a b"), "a b");
  EXPECT_EQ(WithoutBlanks(" \r\n", " \t\r\n"), "");
  EXPECT_EQ(WithoutBlanks("\rkey\r"), "\rkey\r");
  EXPECT_EQ(WithoutPadding("  SM  "), "  SM");
  EXPECT_EQ(WithoutPadding("SM\t"), "SM\t");
}

}  // namespace
}  // namespace dravlik
