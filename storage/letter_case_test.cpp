#include "letter_case.h"

#include <clocale>
#include <string>

#include <gtest/gtest.h>

#include "schemas.h"

namespace dravlik {
namespace {

// Switches the C library's character classes for one test.
class InLocale {
 public:
  explicit InLocale(const char* name) : previous_(std::setlocale(LC_CTYPE, nullptr)) {
    available_ = std::setlocale(LC_CTYPE, name) != nullptr;
  }
  ~InLocale() { std::setlocale(LC_CTYPE, previous_.c_str()); }
  bool Available() const { return available_; }

 private:
  std::string previous_;
  bool available_;
};

TEST(SameTextIgnoringCase, AsciiNames) {
  EXPECT_TRUE(SameTextIgnoringCase("Hmot", "hmot"));
  EXPECT_TRUE(SameTextIgnoringCase("TLOUSTKA", "tloustka"));
  EXPECT_FALSE(SameTextIgnoringCase("hmot", "hmota"));
  EXPECT_FALSE(SameTextIgnoringCase("VEK", "VEX"));
  EXPECT_FALSE(SameTextIgnoringCase("A_", "a\x7f"));
}

TEST(SameTextIgnoringCase, LettersBeyondAsciiFollowTheLocale) {
  const InLocale utf8("C.UTF-8");
  if (!utf8.Available()) GTEST_SKIP() << "no UTF-8 locale";
  EXPECT_TRUE(SameTextIgnoringCase("ŠÍŘKA", "šířka"));
  EXPECT_TRUE(SameTextIgnoringCase("Tloušťka", "TLOUŠŤKA"));
  EXPECT_FALSE(SameTextIgnoringCase("ŠÍŘKA", "SIRKA"));
  EXPECT_FALSE(SameTextIgnoringCase("Č", "č\x80"));
  // Not UTF-8: bytes, ASCII letters ignoring case.
  EXPECT_TRUE(SameTextIgnoringCase("A\xff", "a\xff"));
  EXPECT_FALSE(SameTextIgnoringCase("A\xff", "a\xfe"));
}

TEST(SameTextIgnoringCaseInAnyLocale, LettersBeyondAsciiMatchEvenInTheCLocale) {
  const InLocale plain("C");
  ASSERT_TRUE(plain.Available());
  EXPECT_FALSE(SameTextIgnoringCase("TLOUŠŤKA", "tloušťka"));
  EXPECT_TRUE(SameTextIgnoringCaseInAnyLocale("TLOUŠŤKA d1,3 (cm)", "tloušťka D1,3 (CM)"));
  EXPECT_TRUE(SameTextIgnoringCaseInAnyLocale("ΒΉΜΑ", "βήμα"));
  EXPECT_FALSE(SameTextIgnoringCaseInAnyLocale("ŠÍŘKA", "SIRKA"));
  EXPECT_FALSE(SameTextIgnoringCaseInAnyLocale("vyska", "výška"));
}

TEST(SameTextIgnoringCase, FindsAFieldByAnyCaseOfItsName) {
  const InLocale utf8("C.UTF-8");
  if (!utf8.Available()) GTEST_SKIP() << "no UTF-8 locale";
  TTable table("Table9", "x.dbf");
  table.AddFloatField("Table9SIRKA", "ŠÍŘKA");
  EXPECT_EQ(&table.FieldByName("šířka"), &table.Field(0));
}

}  // namespace
}  // namespace dravlik
