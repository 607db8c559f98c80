#include "numeric_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

namespace dbfe {
namespace {

constexpr std::size_t kWidth = 20;

// The double that the engine, strtod (GDAL) and Python's float() read back.
void ExpectExactRoundTrip(double value) {
  const auto text = FormatNumber(value, kWidth);
  ASSERT_TRUE(text) << "refused " << ShortestText(value);
  ASSERT_EQ(text->size(), kWidth);
  EXPECT_EQ(text->find('*'), std::string::npos);
  const ParsedNumber parsed = ParseNumber(*text);
  ASSERT_EQ(parsed.kind, ParsedNumber::Kind::kValue) << *text;
  EXPECT_EQ(std::memcmp(&parsed.value, &value, sizeof value), 0) << *text;
  const double by_strtod = std::strtod(text->c_str(), nullptr);
  EXPECT_EQ(std::memcmp(&by_strtod, &value, sizeof value), 0) << *text;
}

std::string Trimmed(double value, std::size_t width = kWidth) {
  const auto text = FormatNumber(value, width);
  if (!text) return "<refused>";
  return text->substr(text->find_first_not_of(' '));
}

TEST(FormatNumber, WritesGeneratedValuesInShortFixedNotation) {
  EXPECT_EQ(*FormatNumber(27.3, kWidth), "                27.3");
  EXPECT_EQ(Trimmed(14.0), "14");
  EXPECT_EQ(Trimmed(0.15), "0.15");
  EXPECT_EQ(Trimmed(0.0), "0");
  EXPECT_EQ(Trimmed(1234.56), "1234.56");
  for (int i = 0; i <= 200000; ++i) {
    ExpectExactRoundTrip(i / 10.0);
    ExpectExactRoundTrip(i / 100.0);
  }
}

TEST(FormatNumber, FallsBackToTheShortestExponentFormThatFits) {
  EXPECT_EQ(Trimmed(1.5e300), "1.5e300");
  EXPECT_EQ(Trimmed(1e20), "1e20");  // fixed would need 21 characters
  EXPECT_EQ(Trimmed(-123456789012345e-99), "-123456789012345e-99");
  EXPECT_EQ(Trimmed(1.23456789012345e-85), "1.23456789012345e-85");
  EXPECT_EQ(Trimmed(5e-324), "5e-324");
  EXPECT_EQ(Trimmed(0.30000000000000004), "0.30000000000000004");
  EXPECT_EQ(Trimmed(-0.0), "-0.0");  // "-0" reads back as +0 where integers are tried first
  ExpectExactRoundTrip(-0.0);
  ExpectExactRoundTrip(1e308);
  ExpectExactRoundTrip(-1e-300);
}

TEST(FormatNumber, KeepsEveryFifteenDigitValueOfTheUsualExponents) {
  std::mt19937_64 random(20240607);
  for (int i = 0; i < 200000; ++i) {
    const unsigned long long mantissa = 100000000000000ull + random() % 900000000000000ull;
    const int exponent = static_cast<int>(random() % 185) - 99;  // value 1e-85 .. 1e99
    char text[40];
    std::snprintf(text, sizeof text, "%s%llue%d", i % 2 ? "-" : "", mantissa, exponent);
    ExpectExactRoundTrip(std::strtod(text, nullptr));
  }
}

TEST(FormatNumber, RefusesWhatCannotBeStoredExactlyInsteadOfCuttingIt) {
  EXPECT_FALSE(FormatNumber(std::numeric_limits<double>::quiet_NaN(), kWidth));
  EXPECT_FALSE(FormatNumber(std::numeric_limits<double>::infinity(), kWidth));
  EXPECT_FALSE(FormatNumber(-std::numeric_limits<double>::infinity(), kWidth));
  EXPECT_FALSE(FormatNumber(DBL_MAX, kWidth));                // 1.7976931348623157e308
  EXPECT_FALSE(FormatNumber(DBL_MIN, kWidth));                // 2.2250738585072014e-308
  EXPECT_FALSE(FormatNumber(-1.2345678901234567e-300, kWidth));
  EXPECT_EQ(Trimmed(123.5, 4), "<refused>");
  EXPECT_EQ(Trimmed(123.5, 5), "123.5");
  EXPECT_EQ(Trimmed(-1.5e-100, 8), "-15e-101");
  EXPECT_EQ(Trimmed(-1.5e-100, 7), "<refused>");
}

TEST(FormatNumber, AnyFiniteDoubleEitherRoundTripsOrIsRefused) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 200000; ++i) {
    const std::uint64_t bits = random();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value)) continue;
    if (FormatNumber(value, kWidth)) ExpectExactRoundTrip(value);
  }
}

// GDAL (and so QGIS) writes a null number as asterisks filling the field, and
// GDAL and dbfread read them back as null.
TEST(ParseNumber, ReadsAsterisksAloneAsEmpty) {
  for (const char* null : {"********************", "*", "   ***", "***  ", "  **  "}) {
    EXPECT_EQ(ParseNumber(null).kind, ParsedNumber::Kind::kEmpty) << null;
  }
  EXPECT_EQ(ParseNumber(std::string("**\0\0", 4)).kind, ParsedNumber::Kind::kEmpty);
}

TEST(ParseNumber, ReadsBlanksAsEmptyAndRefusesWhatIsNoNumber) {
  EXPECT_EQ(ParseNumber("                    ").kind, ParsedNumber::Kind::kEmpty);
  EXPECT_EQ(ParseNumber(std::string(5, '\0')).kind, ParsedNumber::Kind::kEmpty);
  EXPECT_EQ(ParseNumber("  +1.5 ").value, 1.5);
  EXPECT_EQ(ParseNumber(" 2.5E3").value, 2500.0);
  for (const char* bad : {"1,5", "nan", "inf", "-inf", "1e999", "+-1", "-", ".", "1 2", "0x10", "12abc",
                          "**1", "1*", "*1*", "* *", "*.*", "-*"}) {
    EXPECT_EQ(ParseNumber(bad).kind, ParsedNumber::Kind::kInvalid) << bad;
  }
}

}  // namespace
}  // namespace dbfe
