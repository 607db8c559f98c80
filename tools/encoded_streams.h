// A tree file's input and output in the file's own encoding: the input read
// as UTF-8, the output written back in the encoding it came in.
#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "csv_block_reader.h"
#include "text_encoding.h"

namespace dravlik {

// An input that cannot be used: unreadable, not in its encoding, without a
// column it needs, or with a record that does not end. Raised before
// anything is written where the header is at fault.
class TreeFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Called first with the header, then with blocks of rows in input order.
using OutputWriter = std::function<void(std::string_view bytes)>;

// The file's bytes as UTF-8. A conversion error is raised on the call after
// the one that returned the text before it, so that the reader knows where
// it lies.
class DecodedInput {
 public:
  DecodedInput(const InputReader& read, const std::string& encoding);

  std::size_t Read(char* buffer, std::size_t size);

 private:
  void Decode();

  const InputReader& read_;
  TextConverter converter_;
  std::string decoded_;
  std::size_t offset_ = 0;
  bool ended_ = false, first_ = true;
  std::exception_ptr failure_;
};

// UTF-8 text written in the file's encoding.
class EncodedOutput {
 public:
  EncodedOutput(const OutputWriter& write, const std::string& encoding);

  // `last` ends the text, so that a character left open is an error.
  void Write(std::string_view text, bool last = false);

 private:
  const OutputWriter& write_;
  TextConverter converter_;
  std::string encoding_;
};

// Whether the files need converting: an encoding given, other than UTF-8.
bool NeedsConverting(const std::string& encoding);

// An input as UTF-8, for a pass that writes nothing.
class Utf8Input {
 public:
  Utf8Input(InputReader read, const std::string& encoding);
  Utf8Input(const Utf8Input&) = delete;
  Utf8Input& operator=(const Utf8Input&) = delete;
  const InputReader& Reader() const { return reader_; }

 private:
  InputReader source_;
  std::optional<DecodedInput> decoded_;
  InputReader reader_;
};

// Runs `run` on the input as UTF-8 and with its output in the encoding.
template <typename Result>
Result InFileEncoding(const std::string& encoding, const InputReader& read, const OutputWriter& write,
                      const std::function<Result(const InputReader&, const OutputWriter&)>& run) {
  if (!NeedsConverting(encoding)) return run(read, write);
  DecodedInput decoded(read, encoding);
  EncodedOutput encoded(write, encoding);
  const InputReader decodedRead = [&](char* buffer, std::size_t size) { return decoded.Read(buffer, size); };
  const OutputWriter encodedWrite = [&](std::string_view text) { encoded.Write(text); };
  Result result = run(decodedRead, encodedWrite);
  encoded.Write({}, true);
  return result;
}

}  // namespace dravlik
