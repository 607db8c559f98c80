// Conversions through iconv in pieces, as files arrive.
#include "text_encoding.h"

#include <string>

#include <gtest/gtest.h>

namespace dravlik {
namespace {

TEST(TextConverter, ACharacterSplitBetweenPiecesWaitsForItsRest) {
  TextConverter converter("UTF-8", "WINDOWS-1250");
  std::string out;
  const std::string text = "Tlou\xC5\xA1\xC5\xA5ka";  // "Tloušťka"
  for (std::size_t i = 0; i < text.size(); ++i) converter.Convert(text.substr(i, 1), out, false);
  converter.Convert("", out, true);
  EXPECT_EQ(out, "Tlou\x9A\x9D" "ka");
  TextConverter cut("UTF-8", "WINDOWS-1250");
  std::string partial;
  EXPECT_THROW(cut.Convert("a\xC5", partial, true), EncodingError);
}

TEST(TextConverter, NamesWhatItCannotConvert) {
  std::string out;
  TextConverter in("windows-1250", "UTF-8");
  try {
    in.Convert("ok\x98", out, true);
    FAIL() << "0x98 is no character of Windows-1250";
  } catch (const EncodingError& e) {
    EXPECT_STREQ(e.what(), "byte 0x98 is no character of WINDOWS-1250");
  }
  EXPECT_EQ(out, "ok");
  TextConverter back("UTF-8", "ISO-8859-2");
  EXPECT_THROW(back.Convert("\xE2\x82\xAC", out, true), EncodingError);  // the euro sign
  EXPECT_THROW(TextConverter("UTF-8", "klingon"), EncodingError);
  EXPECT_TRUE(IsUtf8Encoding("utf8"));
  EXPECT_FALSE(IsUtf8Encoding("utf-16"));
}

}  // namespace
}  // namespace dravlik
