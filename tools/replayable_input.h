// An input read more than once: a height curve is fitted to every measured
// tree of a file before the first tree is filled from it. A regular file is
// read again from where it started, and refused if it changed meanwhile; a
// pipe or a terminal is kept, as it is read, in an unlinked temporary file.
#pragma once

#include <sys/stat.h>

#include <string>

#include "csv_block_reader.h"

namespace dravlik {

class ReplayableInput {
 public:
  // `fd` stays the caller's; `name` is how messages call the input.
  ReplayableInput(int fd, std::string name);
  ~ReplayableInput();
  ReplayableInput(const ReplayableInput&) = delete;
  ReplayableInput& operator=(const ReplayableInput&) = delete;

  // A reader of the whole input from its start. The first pass must read
  // to the end before the next begins; the reader lives as long as this.
  InputReader Pass();

 private:
  std::size_t ReadFirst(char* buffer, std::size_t size);
  std::size_t ReadAgain(char* buffer, std::size_t size);
  void KeepCopy(const char* bytes, std::size_t size);
  void CheckUnchanged() const;

  int fd_;
  std::string name_;
  bool regular_ = false;
  struct stat seen_ {};
  off_t start_ = 0;      // where the input began, for a regular file
  off_t position_ = 0;   // of the pass being read, from start_
  int copy_ = -1;        // the kept input of anything else
  int passes_ = 0;
};

}  // namespace dravlik
