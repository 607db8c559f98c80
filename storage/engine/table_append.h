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
//   4. count:  the header's record count (four aligned bytes, atomic), with
//              its date.
//
// After 3 the marker-readers see the record, after 4 the count-readers too.
// The steps go to a target: the file through write calls, or a shared mapping
// of it, where each step is a store followed by a release fence, so that other
// programs see the steps in order and a kill can only stop between them.
// The caller holds the append lock and knows the header's record count.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "file_layout.h"

namespace dbfe {

class AppendTarget {
 public:
  virtual void PutByte(std::uint64_t offset, std::uint8_t byte) = 0;
  // The record's fields at `offset` and the end marker right after them.
  virtual void PutBody(std::uint64_t offset, std::span<const std::uint8_t> fields) = 0;
  virtual void PutCount(std::uint32_t record_count) = 0;
  // After a failed step: the marker back at `place`, nothing after it.
  virtual void Restore(std::uint64_t place) noexcept = 0;

 protected:
  ~AppendTarget() = default;
};

// Write calls; each may fail (disk full, file size limit) with
// DBFE_ERR_WRITE_FAILED naming the table and the reason.
class FileTarget final : public AppendTarget {
 public:
  FileTarget(int fd, const std::string& path, HeaderDate date = Today())
      : fd_(fd), path_(path), date_(date) {}

  void PutByte(std::uint64_t offset, std::uint8_t byte) override;
  void PutBody(std::uint64_t offset, std::span<const std::uint8_t> fields) override;
  void PutCount(std::uint32_t record_count) override;
  void Restore(std::uint64_t place) noexcept override;

 private:
  int fd_;
  const std::string& path_;
  HeaderDate date_;
  std::vector<std::uint8_t> body_;
};

// Stores through a mapping of the header's first bytes and one of the part of
// the file that the record goes to. The caller has allocated that part, so
// the stores cannot fail.
class MappedTarget final : public AppendTarget {
 public:
  // The date goes in with the first count.
  void Start(std::uint8_t* header, HeaderDate date);
  // `window` maps the file from `offset` on.
  void SetWindow(std::uint8_t* window, std::uint64_t offset);

  void PutByte(std::uint64_t offset, std::uint8_t byte) override;
  void PutBody(std::uint64_t offset, std::span<const std::uint8_t> fields) override;
  void PutCount(std::uint32_t record_count) override;
  void Restore(std::uint64_t place) noexcept override;

 private:
  std::uint8_t* header_ = nullptr;
  std::uint8_t* window_ = nullptr;
  std::uint64_t window_offset_ = 0;
  HeaderDate date_{};
  bool dated_ = false;
};

class AppendSteps {
 public:
  // `place`: where the record goes, right after the `record_count` counted ones.
  AppendSteps(AppendTarget& target, std::uint64_t place, std::uint32_t record_count,
              std::span<const std::uint8_t> record)
      : target_(target), place_(place), record_count_(record_count), record_(record) {}

  void Seal();
  void WriteBody();
  void Reveal();
  void Count();

  using Step = void (AppendSteps::*)();
  // The order of the steps; every prefix of it leaves a readable table.
  static constexpr std::array<Step, 4> kOrder = {&AppendSteps::Seal, &AppendSteps::WriteBody,
                                                 &AppendSteps::Reveal, &AppendSteps::Count};

  void Undo() noexcept { target_.Restore(place_); }

 private:
  AppendTarget& target_;
  std::uint64_t place_;
  std::uint32_t record_count_;
  std::span<const std::uint8_t> record_;
};

// The steps in order, the seal only unless `sealed` (the marker is known to
// stand at `place`, as every append that completed leaves it). On a failed
// step the table is as it was before and the step's error is thrown.
void AppendRecord(AppendTarget& target, std::uint64_t place, std::uint32_t record_count,
                  std::span<const std::uint8_t> record, bool sealed);

struct HeaderCount {
  std::uint32_t record_count;
  std::uint64_t file_size;  // taken after the count: appenders write a record before counting it
};

// The header's record count as it is now. Throws DBFE_ERR_CORRUPT_TABLE
// naming the table when it fell below `known` or counts more records than the
// file holds.
HeaderCount ReadHeaderCount(int fd, const TableLayout& layout, std::uint32_t known,
                            const std::string& path);

}  // namespace dbfe
