#include "encoded_streams.h"

#include <algorithm>

namespace dravlik {

DecodedInput::DecodedInput(const InputReader& read, const std::string& encoding)
    : read_(read), converter_(encoding, "UTF-8") {}

std::size_t DecodedInput::Read(char* buffer, std::size_t size) {
  while (offset_ == decoded_.size()) {
    if (failure_) std::rethrow_exception(failure_);
    if (ended_) return 0;
    Decode();
  }
  const std::size_t count = std::min(size, decoded_.size() - offset_);
  decoded_.copy(buffer, count, offset_);
  offset_ += count;
  return count;
}

void DecodedInput::Decode() {
  char raw[1 << 16];
  const std::size_t got = read_(raw, sizeof raw);
  ended_ = got == 0;
  decoded_.clear();
  offset_ = 0;
  try {
    if (first_ && std::string_view(raw, got).starts_with(kUtf8ByteOrderMark)) {
      throw EncodingError("the input starts with UTF-8's byte order mark: it is UTF-8; leave out --encoding");
    }
    first_ = false;
    converter_.Convert(std::string_view(raw, got), decoded_, ended_);
  } catch (const EncodingError&) {
    failure_ = std::current_exception();
  }
}

EncodedOutput::EncodedOutput(const OutputWriter& write, const std::string& encoding)
    : write_(write), converter_("UTF-8", encoding), encoding_(encoding) {}

void EncodedOutput::Write(std::string_view text, bool last) {
  std::string encoded;
  try {
    converter_.Convert(text, encoded, last);
  } catch (const EncodingError& e) {
    throw TreeFileError("cannot write the output in " + encoding_ + ": " + e.what());
  }
  write_(encoded);
}

Utf8Input::Utf8Input(InputReader read, const std::string& encoding) : source_(std::move(read)), reader_(source_) {
  if (!NeedsConverting(encoding)) return;
  decoded_.emplace(source_, encoding);
  reader_ = [this](char* buffer, std::size_t size) { return decoded_->Read(buffer, size); };
}

bool NeedsConverting(const std::string& encoding) { return !encoding.empty() && !IsUtf8Encoding(encoding); }

}  // namespace dravlik
