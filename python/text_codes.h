// Texts of an array coded by their distinct values, so that whatever is
// read from a text (a species, a group) is read once per distinct text. An
// empty text stands for a missing value, as an empty field does in a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace dravlik::python {

struct TextCodes {
  std::vector<std::string> texts;    // UTF-8, each distinct
  std::vector<std::uint32_t> codes;  // each element's text
  const std::string& Of(std::size_t element) const { return texts[codes[element]]; }
};

// Gives each distinct text its code; a text met before costs no allocation.
class TextCoder {
 public:
  explicit TextCoder(TextCodes& codes) : codes_(codes) {}
  std::uint32_t CodeOf(std::string_view text);

 private:
  TextCodes& codes_;
  std::deque<std::string> keys_;  // where known_'s views point
  std::unordered_map<std::string_view, std::uint32_t> known_;
};

// Numpy's fixed-width UCS4 texts, `width` code points each, padded with NULs.
TextCodes CodedTexts(const char32_t* texts, std::size_t width, std::size_t count);

// UCS4 as UTF-8; lone surrogates are kept, as Python's "surrogatepass" keeps them.
std::string Utf8Of(std::u32string_view text);

}  // namespace dravlik::python
