// A CSV input in blocks of whole records, so that each block can be computed
// on its own; whatever the input holds, the reader keeps at most a block and
// one record of kMaxRecordBytes in memory.
#pragma once

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>

namespace dravlik {

// The longest record (a row, with the line breaks of its quoted fields) read.
inline constexpr std::size_t kMaxRecordBytes = std::size_t{1} << 20;

inline constexpr const char* kRecordTooLong = "a record of more than 1 MiB; pdravlik-calc reads records of at most 1 MiB";

// Fills `buffer` with up to `size` bytes; 0 at the end of the input.
using InputReader = std::function<std::size_t(char* buffer, std::size_t size)>;

// The input cannot be read on: a record that does not end, or what the
// InputReader raised. `linesBefore` counts the line breaks between the last
// block handed out and the place at fault.
class CsvInputError : public std::runtime_error {
 public:
  CsvInputError(const std::string& message, std::size_t linesBefore)
      : std::runtime_error(message), linesBefore_(linesBefore) {}
  std::size_t LinesBefore() const { return linesBefore_; }

 private:
  std::size_t linesBefore_;
};

class CsvBlockReader {
 public:
  CsvBlockReader(const InputReader& read, char delimiter) : read_(read), delimiter_(delimiter) {}

  // The next block of whole records, at least `size` bytes unless the input
  // ends first; false when nothing is left. Throws CsvInputError.
  bool Next(std::string& block, std::size_t size);

 private:
  void Fill();
  std::size_t EndOfRecords() const;
  [[noreturn]] void Unended() const;

  const InputReader& read_;
  const char delimiter_;
  std::string pending_;  // starts at a record
  bool ended_ = false;
};

}  // namespace dravlik
