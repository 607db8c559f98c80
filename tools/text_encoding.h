// Text between a file's encoding and UTF-8, the calculator's own, through the
// C library's iconv: Czech spreadsheets write Windows-1250 or ISO-8859-2.
#pragma once

#include <iconv.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace dravlik {

class EncodingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// How a UTF-8 text may start, which tells UTF-8 files apart.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Whether a name means UTF-8, which needs no conversion.
bool IsUtf8Encoding(std::string_view name);

// Whether a text is valid UTF-8, as iconv reads it.
bool IsUtf8Text(std::string_view text);

// One direction, over a text that comes in pieces.
class TextConverter {
 public:
  // Throws EncodingError for an encoding that iconv does not know.
  TextConverter(const std::string& from, const std::string& to);
  ~TextConverter();
  TextConverter(const TextConverter&) = delete;
  TextConverter& operator=(const TextConverter&) = delete;

  // Appends `input`, converted, to `out`. A character split at the end of
  // `input` waits for the next piece; with `last` nothing may wait. Bytes
  // that are no character of the source encoding, or a character the target
  // lacks, raise EncodingError after what came before them was appended.
  void Convert(std::string_view input, std::string& out, bool last);

 private:
  iconv_t descriptor_;
  std::string from_, to_;
  std::string held_;  // the start of a character split between two pieces
};

}  // namespace dravlik
