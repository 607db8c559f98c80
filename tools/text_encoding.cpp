#include "text_encoding.h"

#include <cerrno>
#include <cstdio>

namespace dravlik {
namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = Upper(c);
  return upper;
}

std::string ByteText(unsigned char byte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", byte);
  return text;
}

}  // namespace

bool IsUtf8Encoding(std::string_view name) {
  const std::string upper = Upper(name);
  return upper == "UTF-8" || upper == "UTF8";
}

bool IsUtf8Text(std::string_view text) {
  TextConverter check("UTF-8", "UTF-16LE");
  std::string ignored;
  try {
    check.Convert(text, ignored, true);
  } catch (const EncodingError&) {
    return false;
  }
  return true;
}

TextConverter::TextConverter(const std::string& from, const std::string& to)
    : descriptor_(iconv_open(to.c_str(), from.c_str())), from_(Upper(from)), to_(Upper(to)) {
  if (descriptor_ == reinterpret_cast<iconv_t>(-1)) {
    throw EncodingError("unknown encoding '" + (IsUtf8Encoding(from) ? to : from) +
                        "' (known are, for example, UTF-8, WINDOWS-1250, WINDOWS-1252 and ISO-8859-2)");
  }
}

TextConverter::~TextConverter() { iconv_close(descriptor_); }

void TextConverter::Convert(std::string_view input, std::string& out, bool last) {
  std::string pending;
  if (!held_.empty()) {
    pending.swap(held_);
    pending.append(input);
    input = pending;
  }
  // iconv wants non-const pointers but does not write through the input one.
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  while (inLeft > 0) {
    char buffer[16384];
    char* converted = buffer;
    std::size_t room = sizeof buffer;
    const std::size_t result = iconv(descriptor_, &in, &inLeft, &converted, &room);
    out.append(buffer, static_cast<std::size_t>(converted - buffer));
    if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    if (errno == EINVAL && !last) {
      held_.assign(in, inLeft);
      return;
    }
    if (errno == EINVAL) throw EncodingError("the text ends within a character of " + from_);
    if (errno == EILSEQ && IsUtf8Encoding(to_)) {
      throw EncodingError("byte " + ByteText(static_cast<unsigned char>(*in)) + " is no character of " + from_);
    }
    if (errno == EILSEQ) throw EncodingError("a character has no " + to_ + " form");
    throw EncodingError("cannot convert from " + from_ + " to " + to_);
  }
}

}  // namespace dravlik
