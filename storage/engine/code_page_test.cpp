#include "code_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dbfe {
namespace {

// The bytes a field of `width` stores for `value`.
std::string Stored(std::string_view value, std::size_t width, TextEncoding encoding = TextEncoding::kWindows1252) {
  std::vector<std::uint8_t> out(width, 0);
  out.resize(EncodeText(value, encoding, out));
  return {out.begin(), out.end()};
}

std::string Read(std::string_view stored, TextEncoding encoding = TextEncoding::kWindows1252) {
  std::string out(kMaxUtf8PerByte * stored.size(), '\0');
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(stored.data());
  out.resize(DecodeText({bytes, stored.size()}, encoding, out.data()));
  return out;
}

TEST(CodePage, EveryStoredByteReadsBackAndIsWrittenBackUnchanged) {
  for (int byte = 1; byte < 256; ++byte) {
    const std::string stored(1, static_cast<char>(byte));
    const std::string text = Read(stored);
    EXPECT_EQ(Stored(text, 1), stored) << "byte " << byte << " read as " << text;
  }
  EXPECT_EQ(Read("\x80\x8A\x8E\x9A\x9E\x9F"), "€ŠŽšžŸ");
  EXPECT_EQ(Read("\xE1\xE9\xFD\xC1"), "áéýÁ");
  // Bytes Windows-1252 leaves undefined stand for the control characters of the same number.
  EXPECT_EQ(Read("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
}

TEST(CodePage, CzechTextIsStoredOneByteACharacterWithTheLettersWindows1252Lacks) {
  EXPECT_EQ(Stored("ŘŽŠ", 3), "R\x8E\x8A");
  EXPECT_EQ(Read(Stored("ŘŽŠ", 3)), "RŽŠ");
  EXPECT_EQ(Stored("Žluťoučký kůň", 13), "\x8Elutouck\xFD kun");
  EXPECT_EQ(Stored("ĎÁBELSKÉ ÓDY", 12), "D\xC1" "BELSK\xC9 \xD3" "DY");
  const std::string lacking = "ŘřČčĚěŮůŇňŤťĎďĽľĹĺŔŕŐőŰűŁłĄąĘęŚśŹźŻżĆćŃń";
  EXPECT_EQ(Stored(lacking, 64), "RrCcEeUuNnTtDdLlLlRrOoUuLlAaEeSsZzZzCcNn");
}

TEST(CodePage, EveryLetterOfLatinExtendedAHasAByte) {
  for (char32_t c = 0x100; c <= 0x17F; ++c) {
    const std::string utf8 = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    const std::string stored = Stored(utf8, 1);
    ASSERT_EQ(stored.size(), 1u);
    const auto byte = static_cast<unsigned char>(stored[0]);
    // Either Windows-1252 has the letter itself, or an ASCII letter stands for it.
    const bool itself = Read(stored) == utf8;
    const bool letter = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
    EXPECT_TRUE(itself || letter) << "U+" << std::hex << static_cast<unsigned>(c) << " stored as " << int{byte};
  }
}

TEST(CodePage, AnythingElseItLacksAndMalformedTextBecomeQuestionMarks) {
  EXPECT_EQ(Stored("Ω中🌲\u0080x", 10), "????x");
  // A sequence cut short is one mark; bytes that start nothing are one each.
  EXPECT_EQ(Stored("\xC5" "a" "\xE2\x82" "b" "\xF0\x9F\x8C" "c", 10), "?a?b?c");
  EXPECT_EQ(Stored("\x80\xBF\xC0\xAF\xED\xA0\x80\xF5\xFF", 20), "?????????");
  EXPECT_EQ(Stored("\xC5", 3), "?") << "the end of the text ends the sequence";
}

TEST(CodePage, StopsWhenTheFieldIsFullNeverInsideACharacter) {
  EXPECT_EQ(Stored("ŘŽŠX", 3), "R\x8E\x8A");
  EXPECT_EQ(Stored("€€€€", 2), "\x80\x80");
  EXPECT_EQ(Stored("", 3), "");
  // A code page the engine does not know keeps UTF-8, cut between characters.
  EXPECT_EQ(Stored("ŘŽ", 3, TextEncoding::kUtf8), "Ř");
  EXPECT_EQ(Stored("a🌲", 4, TextEncoding::kUtf8), "a");
  EXPECT_EQ(Stored("\x80\x80\x80\x80\x80", 2, TextEncoding::kUtf8), "\x80\x80") << "nothing to keep whole";
  // Untranslated, bytes are bytes.
  EXPECT_EQ(Stored("ŘŽ", 3, TextEncoding::kRaw), "\xC5\x98\xC5");
  EXPECT_EQ(Read("\x8E\xC5", TextEncoding::kRaw), "\x8E\xC5");
}

TEST(CodePage, TranslationFollowsTheLanguageByte) {
  EXPECT_EQ(EncodingFor(0x57, false), TextEncoding::kRaw);
  for (const std::uint8_t ansi : {0x03, 0x57, 0x58, 0x59}) {
    EXPECT_EQ(EncodingFor(ansi, true), TextEncoding::kWindows1252) << int{ansi};
  }
  for (const std::uint8_t other : {0x00, 0x01, 0x64, 0xC8}) {
    EXPECT_EQ(EncodingFor(other, true), TextEncoding::kUtf8) << int{other};
  }
}

}  // namespace
}  // namespace dbfe
