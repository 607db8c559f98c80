// A cursor on an open table: its place among the records, its record locks,
// and the field values of record buffers.
//
// The place is before the first record, on a record, in the gap a deleted
// record left (get next gives the following record, get prior the preceding
// one), or after the last record. Deleted records are skipped.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "code_page.h"
#include "engine_api.h"
#include "live_records.h"
#include "table_file.h"

namespace dbfe {

class Cursor {
 public:
  // `translate`: string values are the caller's UTF-8, stored in the file's code page.
  Cursor(TableFile file, std::string name, bool translate);

  dbfe_cursor_props Props() const;
  void FieldDescs(dbfe_field_desc* fields) const;
  void SetProperty(std::uint32_t property, std::uint64_t value);

  void InitRecord(std::uint8_t* record) const;
  void PutField(std::uint16_t number, std::uint8_t* record, const void* value) const;
  void GetField(std::uint16_t number, const std::uint8_t* record, void* value, bool* empty) const;

  void SetToBegin();
  void SetToEnd();
  void SetToSeqNo(std::uint32_t seq_no);
  std::uint32_t RecordCount();
  void GetNext(dbfe_lock lock, std::uint8_t* record, dbfe_record_props* props);
  // Up to `count` live records after the place, unlocked, into `records`;
  // how many. None is the end of the table.
  std::uint32_t GetNextRecords(std::uint32_t count, std::uint8_t* records);
  void GetPrior(dbfe_lock lock, std::uint8_t* record, dbfe_record_props* props);
  void GetCurrent(dbfe_lock lock, std::uint8_t* record, dbfe_record_props* props);

  void Insert(dbfe_lock lock, const std::uint8_t* record);
  void Modify(const std::uint8_t* record, bool free_lock);
  void Delete();
  void ReleaseLocks();

  // Releases the locks and flushes this cursor's changes to the disk.
  void Close();

 private:
  enum class Place { kBegin, kOn, kGap, kEnd };

  const FieldLayout& FieldAt(std::uint16_t number) const;
  std::span<std::uint8_t> Scratch() { return scratch_; }
  // Reads a record into the scratch buffer; whether it is live.
  bool ReadIntoScratch(std::uint32_t record);
  // Whether a record with this deletion flag is live; a flag that is neither
  // is a damaged table.
  bool IsLive(std::uint8_t flag, std::uint32_t record) const;
  bool KnownDeleted(std::uint32_t record) const;
  void NoteDeleted(std::uint32_t record);
  LiveRecords& Live();
  std::uint32_t CurrentRecord() const;  // throws unless on a record
  void Deliver(dbfe_lock lock, std::uint8_t* out, dbfe_record_props* props);
  // Moves onto record r and hands it out, unless it is deleted.
  bool DeliverIfLive(std::uint32_t r, dbfe_lock lock, std::uint8_t* out, dbfe_record_props* props);
  bool HoldsLock(std::uint32_t record) const;
  void Lock(std::uint32_t record);
  void Unlock(std::uint32_t record) noexcept;

  TableFile file_;
  std::string name_;
  Place place_ = Place::kBegin;
  std::uint32_t record_ = 0;
  std::vector<std::uint8_t> scratch_;
  std::vector<std::uint32_t> locked_;
  std::optional<LiveRecords> live_;
  TextEncoding text_encoding_;
};

}  // namespace dbfe
