#include "letter_case.h"

#include <locale.h>

#include <cwctype>
#include <optional>

namespace dravlik {
namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool SameAsciiIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// The code point starting at `text[at]`, advancing `at`; nothing for a
// malformed or overlong sequence.
std::optional<char32_t> NextCodePoint(std::string_view text, std::size_t& at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  int length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                                                                    : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
  if (length == 0 || at + static_cast<std::size_t>(length) > text.size()) return std::nullopt;
  char32_t code = length == 1 ? lead : lead & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return std::nullopt;
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
  at += static_cast<std::size_t>(length);
  return code;
}

template <typename Lower>
std::optional<bool> SameUtf8IgnoringCase(std::string_view a, std::string_view b, Lower lower) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const auto x = NextCodePoint(a, i);
    const auto y = NextCodePoint(b, j);
    if (!x || !y) return std::nullopt;
    if (lower(static_cast<wint_t>(*x)) != lower(static_cast<wint_t>(*y))) return false;
  }
  return i == a.size() && j == b.size();
}

// The C library's own UTF-8 locale, present on every glibc system, whose case
// mapping covers Unicode; without it, ASCII alone.
locale_t Utf8Locale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return locale;
}

template <typename Lower>
bool SameText(std::string_view a, std::string_view b, Lower lower) {
  // Field lookups by name run for every value a generator stores: settle the
  // common cases without decoding.
  if (a.size() == b.size() && SameAsciiIgnoringCase(a, b)) return true;
  if (IsAscii(a) && IsAscii(b)) return false;
  return SameUtf8IgnoringCase(a, b, lower).value_or(false);
}

}  // namespace

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  return SameText(a, b, [](wint_t c) { return std::towlower(c); });
}

bool SameTextIgnoringCaseInAnyLocale(std::string_view a, std::string_view b) {
  const locale_t locale = Utf8Locale();
  return SameText(a, b, [locale](wint_t c) {
    if (locale) return towlower_l(c, locale);
    return c < 0x80 ? static_cast<wint_t>(AsciiLower(static_cast<char>(c))) : c;
  });
}

}  // namespace dravlik
