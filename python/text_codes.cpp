#include "text_codes.h"

namespace dravlik::python {

std::uint32_t TextCoder::CodeOf(std::string_view text) {
  if (const auto found = known_.find(text); found != known_.end()) return found->second;
  const auto code = static_cast<std::uint32_t>(codes_.texts.size());
  codes_.texts.emplace_back(text);
  known_.emplace(keys_.emplace_back(text), code);
  return code;
}

std::string Utf8Of(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char32_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

TextCodes CodedTexts(const char32_t* texts, std::size_t width, std::size_t count) {
  TextCodes codes;
  TextCoder coder(codes);
  std::unordered_map<std::u32string_view, std::uint32_t> seen;  // spares a conversion per element
  codes.codes.resize(count);
  std::u32string_view previous;
  std::uint32_t previousCode = 0;
  for (std::size_t i = 0; i < count; ++i) {
    std::u32string_view text(texts + i * width, width);
    while (!text.empty() && text.back() == 0) text.remove_suffix(1);
    // Texts mostly come in runs; the map is for the rest.
    if (i == 0 || text != previous) {
      const auto [found, added] = seen.try_emplace(text, 0);
      if (added) found->second = coder.CodeOf(Utf8Of(text));
      previous = text;
      previousCode = found->second;
    }
    codes.codes[i] = previousCode;
  }
  return codes;
}

}  // namespace dravlik::python
