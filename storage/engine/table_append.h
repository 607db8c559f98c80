// Appending one record so that a process killed at any instant leaves a table
// that every reader sees with or without the record, never with part of it.
//
// Readers disagree on where the records end: some trust the header's record
// count, others read until the 0x1A marker or the end of the file. A single
// write of record and marker can be cut short (a fatal signal between pages,
// a file size limit), which would show the second kind a half record. So the
// record goes in behind a marker that stays in place until the record is whole:
//
//   1. seal:   0x1A at the record's place (hides whatever an earlier killed
//              append left there);
//   2. body:   the record's fields and a new 0x1A, one byte further on;
//   3. reveal: the deletion flag ' ' over the old marker (one byte, atomic);
//   4. count:  the header's date and record count (one write within the
//              first page, atomic).
//
// After 3 the marker-readers see the record, after 4 the count-readers too.
// The caller holds the append lock and has just read the record count.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "file_layout.h"

namespace dbfe {

class AppendSteps {
 public:
  // `record_count` is the header's count, read under the append lock.
  AppendSteps(int fd, const TableLayout& layout, std::uint32_t record_count,
              std::span<const std::uint8_t> record, const std::string& path);

  void Seal();
  void WriteBody();
  void Reveal();
  void Count();

  using Step = void (AppendSteps::*)();
  // The order of the steps; every prefix of it leaves a readable table.
  static constexpr std::array<Step, 4> kOrder = {&AppendSteps::Seal, &AppendSteps::WriteBody,
                                                 &AppendSteps::Reveal, &AppendSteps::Count};

  // After a failed step: the marker back at the record's place, nothing after it.
  void Undo() noexcept;

 private:
  int fd_;
  std::uint64_t place_;
  std::uint32_t record_count_;
  std::span<const std::uint8_t> record_;
  const std::string& path_;
  HeaderDate date_;
};

// The steps in order; the seal only when the file does not end with the
// marker right after the counted records (`file_size`), which is where every
// append that completed leaves it. Returns the new record's number (0-based).
// Throws DBFE_ERR_WRITE_FAILED with the table and the OS reason, leaving the
// table as it was before.
std::uint32_t AppendRecord(int fd, const TableLayout& layout, std::uint32_t record_count,
                           std::span<const std::uint8_t> record, const std::string& path,
                           std::uint64_t file_size);

}  // namespace dbfe
