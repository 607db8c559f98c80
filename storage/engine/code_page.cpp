#include "code_page.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace dbfe {

namespace {

// Windows-1252 0x80 to 0x9F. The five bytes it leaves undefined stand for the
// control characters of the same number, as Windows itself maps them, so that
// any stored byte reads back and is written back unchanged.
constexpr std::array<char32_t, 32> kHighHalf = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The base letter of each character of Latin Extended-A (U+0100 to U+017F);
// the few of them that Windows-1252 has are found in kHighHalf first.
constexpr std::string_view kLatinExtendedABase =
    "AaAaAaCcCcCcCcDd"
    "DdEeEeEeEeEeGgGg"
    "GgGgHhHhIiIiIiIi"
    "IiIiJjKkkLlLlLlL"
    "lLlNnNnNnnNnOoOo"
    "OoOoRrRrRrSsSsSs"
    "SsTtTtTtUuUuUuUu"
    "UuUuWwYyYZzZzZzs";
static_assert(kLatinExtendedABase.size() == 0x80);

constexpr char32_t kMalformed = 0xFFFFFFFF;

struct CodePoint {
  char32_t value;      // kMalformed for a malformed sequence
  std::size_t length;  // bytes taken
};

bool IsContinuation(char byte) { return (static_cast<std::uint8_t>(byte) & 0xC0) == 0x80; }

// The character at `at`; a malformed sequence is its longest valid-looking
// start (at least one byte), as Unicode recommends for replacing it.
CodePoint NextCodePoint(std::string_view text, std::size_t at) {
  const auto lead = static_cast<std::uint8_t>(text[at]);
  if (lead < 0x80) return {lead, 1};
  std::size_t length = 0;
  char32_t value = 0;
  std::uint8_t low = 0x80;
  std::uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
  } else {
    return {kMalformed, 1};
  }
  for (std::size_t i = 1; i < length; ++i) {
    if (at + i >= text.size()) return {kMalformed, i};
    const auto next = static_cast<std::uint8_t>(text[at + i]);
    if (next < low || next > high) return {kMalformed, i};
    low = 0x80;
    high = 0xBF;
    value = (value << 6) | (next & 0x3F);
  }
  return {value, length};
}

std::uint8_t Windows1252Byte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<std::uint8_t>(c);
  const auto high = std::find(kHighHalf.begin(), kHighHalf.end(), c);
  if (high != kHighHalf.end()) return static_cast<std::uint8_t>(0x80 + (high - kHighHalf.begin()));
  if (c >= 0x100 && c <= 0x17F) return static_cast<std::uint8_t>(kLatinExtendedABase[c - 0x100]);
  return '?';
}

char32_t Windows1252Character(std::uint8_t byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHighHalf[byte - 0x80] : byte;
}

// Characters below U+10000 only, which is all Windows-1252 has.
std::size_t PutUtf8(char32_t c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  out[0] = static_cast<char>(0xE0 | (c >> 12));
  out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[2] = static_cast<char>(0x80 | (c & 0x3F));
  return 3;
}

std::size_t EncodeWindows1252(std::string_view value, std::span<std::uint8_t> out) {
  std::size_t written = 0;
  for (std::size_t at = 0; at < value.size() && written < out.size();) {
    const CodePoint c = NextCodePoint(value, at);
    at += c.length;
    out[written++] = c.value == kMalformed ? '?' : Windows1252Byte(c.value);
  }
  return written;
}

// Cut where it fits, but not inside a character: a character is at most four
// bytes, so at most three are given back; malformed text is cut where it fits.
std::size_t CopyWholeCharacters(std::string_view value, std::span<std::uint8_t> out) {
  const std::size_t fits = std::min(value.size(), out.size());
  const auto inside = [&](std::size_t at) { return at < value.size() && IsContinuation(value[at]); };
  std::size_t length = fits;
  while (length > 0 && fits - length < 3 && inside(length)) --length;
  if (inside(length)) length = fits;
  std::memcpy(out.data(), value.data(), length);
  return length;
}

}  // namespace

TextEncoding EncodingFor(std::uint8_t language, bool translate) {
  if (!translate) return TextEncoding::kRaw;
  switch (language) {
    case 0x03:  // Windows ANSI
    case 0x57:  // ANSI
    case 0x58:  // Western European ANSI
    case 0x59:  // Spanish ANSI
      return TextEncoding::kWindows1252;
    default:
      return TextEncoding::kUtf8;
  }
}

std::size_t EncodeText(std::string_view value, TextEncoding encoding, std::span<std::uint8_t> out) {
  switch (encoding) {
    case TextEncoding::kWindows1252:
      return EncodeWindows1252(value, out);
    case TextEncoding::kUtf8:
      return CopyWholeCharacters(value, out);
    case TextEncoding::kRaw:
      break;
  }
  const std::size_t length = std::min(value.size(), out.size());
  std::memcpy(out.data(), value.data(), length);
  return length;
}

std::size_t DecodeText(std::span<const std::uint8_t> bytes, TextEncoding encoding, char* out) {
  if (encoding != TextEncoding::kWindows1252) {
    std::memcpy(out, bytes.data(), bytes.size());
    return bytes.size();
  }
  std::size_t written = 0;
  for (const std::uint8_t byte : bytes) written += PutUtf8(Windows1252Character(byte), out + written);
  return written;
}

}  // namespace dbfe
