// The text of string fields: the caller's UTF-8 on one side, the file's code
// page on the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace dbfe {

enum class TextEncoding {
  kRaw,          // the caller's bytes, unchanged
  kWindows1252,  // UTF-8 for the caller, Windows-1252 in the file
  kUtf8,         // UTF-8 on both sides: a code page the engine does not know
};

// How a cursor opened with `translate` stores text in a file with this
// language driver byte.
TextEncoding EncodingFor(std::uint8_t language, bool translate);

// A stored byte takes at most this many bytes of UTF-8.
inline constexpr std::size_t kMaxUtf8PerByte = 3;

// Writes the text of `value` into `out` as the file stores it and returns how
// many bytes it wrote; stops when `out` is full, never inside a character.
// Windows-1252 stores one byte per character: letters it lacks become their
// base letter (Ř R), anything else it lacks and every malformed sequence '?'.
std::size_t EncodeText(std::string_view value, TextEncoding encoding, std::span<std::uint8_t> out);

// Writes the stored `bytes` as the caller reads them into `out`, which holds
// kMaxUtf8PerByte bytes per stored byte, and returns how many it wrote.
std::size_t DecodeText(std::span<const std::uint8_t> bytes, TextEncoding encoding, char* out);

}  // namespace dbfe
