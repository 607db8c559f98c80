#include "cursor.h"

#include <algorithm>
#include <cstring>

#include "error_context.h"
#include "field_translation.h"
#include "record_codec.h"

namespace dbfe {

Cursor::Cursor(TableFile file, std::string name, bool translate)
    : file_(std::move(file)),
      name_(std::move(name)),
      scratch_(file_.layout().record_length),
      text_encoding_(EncodingFor(file_.layout().language, translate)) {}

dbfe_cursor_props Cursor::Props() const {
  dbfe_cursor_props props{};
  const std::size_t length = std::min(name_.size(), std::size_t{DBFE_MAX_PATH});
  std::memcpy(props.name, name_.data(), length);
  props.field_count = static_cast<std::uint16_t>(file_.layout().fields.size());
  props.record_size = file_.layout().record_length;
  props.read_only = file_.read_only();
  return props;
}

void Cursor::FieldDescs(dbfe_field_desc* fields) const {
  const auto& layout = file_.layout().fields;
  for (std::size_t i = 0; i < layout.size(); ++i) {
    fields[i] = DescribeField(layout[i], static_cast<std::uint16_t>(i + 1));
  }
}

void Cursor::SetProperty(std::uint32_t property, std::uint64_t value) {
  // Inserts never lock unless asked to, so there is nothing to switch.
  if (property == DBFE_PROP_INSERT_WITHOUT_LOCK) return;
  if (property == DBFE_PROP_LOCK_WAIT) {
    constexpr std::uint64_t kLongest = 3'600'000;
    if (value > kLongest) {
      throw EngineError(DBFE_ERR_INVALID_PARAMETER)
          .Detail("A lock wait of " + std::to_string(value) + " ms is longer than an hour.");
    }
    file_.SetLockWait(std::chrono::milliseconds(value));
    return;
  }
  throw EngineError(DBFE_ERR_UNKNOWN_PROPERTY).Detail("Property: " + std::to_string(property));
}

const FieldLayout& Cursor::FieldAt(std::uint16_t number) const {
  const auto& fields = file_.layout().fields;
  if (number < 1 || number > fields.size()) {
    throw EngineError(DBFE_ERR_INVALID_PARAMETER)
        .Table(file_.path())
        .Detail("Field number " + std::to_string(number) + " is not between 1 and " +
                std::to_string(fields.size()) + ".");
  }
  return fields[number - 1];
}

void Cursor::InitRecord(std::uint8_t* record) const {
  BlankRecord({record, file_.layout().record_length});
}

void Cursor::PutField(std::uint16_t number, std::uint8_t* record, const void* value) const {
  const FieldLayout& field = FieldAt(number);
  const std::span<std::uint8_t> bytes(record, file_.layout().record_length);
  try {
    if (field.type == 'C') {
      PutString(bytes, field, static_cast<const char*>(value), text_encoding_);
    } else {
      PutNumber(bytes, field, static_cast<const double*>(value));
    }
  } catch (EngineError& error) {
    error.Table(file_.path());
    throw;
  }
}

void Cursor::GetField(std::uint16_t number, const std::uint8_t* record, void* value,
                      bool* empty) const {
  const FieldLayout& field = FieldAt(number);
  const std::span<const std::uint8_t> bytes(record, file_.layout().record_length);
  try {
    const bool is_empty = field.type == 'C' ? GetString(bytes, field, static_cast<char*>(value), text_encoding_)
                                            : GetNumber(bytes, field, static_cast<double*>(value));
    if (empty != nullptr) *empty = is_empty;
  } catch (EngineError& error) {
    error.Table(file_.path());
    throw;
  }
}

void Cursor::SetToBegin() { place_ = Place::kBegin; }

void Cursor::SetToEnd() {
  file_.RefreshRecordCount();
  place_ = Place::kEnd;
}

LiveRecords& Cursor::Live() {
  if (!live_) live_.emplace();
  if (live_->total() < file_.record_count()) {
    // A failed read keeps the flags read before it: what is known stays true.
    file_.ReadFlags(live_->total(), [this](std::span<const std::uint8_t> flags) { live_->Extend(flags); });
  }
  return *live_;
}

bool Cursor::KnownDeleted(std::uint32_t record) const {
  return live_ && record < live_->total() && live_->IsDeleted(record);
}

void Cursor::NoteDeleted(std::uint32_t record) {
  if (live_ && record < live_->total()) live_->MarkDeleted(record);
}

std::uint32_t Cursor::RecordCount() {
  file_.RefreshRecordCount();
  return Live().live_count();
}

void Cursor::SetToSeqNo(std::uint32_t seq_no) {
  if (seq_no == 0) {
    place_ = Place::kBegin;
    throw EngineError(DBFE_ERR_BOF);
  }
  if (seq_no > Live().live_count()) file_.RefreshRecordCount();
  if (seq_no > Live().live_count()) {
    place_ = Place::kEnd;
    throw EngineError(DBFE_ERR_EOF);
  }
  record_ = Live().RecordOf(seq_no);
  place_ = Place::kOn;
}

bool Cursor::ReadIntoScratch(std::uint32_t record) {
  file_.ReadRecord(record, Scratch());
  return IsLive(scratch_[0], record);
}

bool Cursor::IsLive(std::uint8_t flag, std::uint32_t record) const {
  if (flag == kLiveFlag) return true;
  if (flag == kDeletedFlag) return false;
  throw EngineError(DBFE_ERR_CORRUPT_TABLE)
      .Table(file_.path())
      .Detail("Record " + std::to_string(record + 1) + " has no deletion flag.");
}

bool Cursor::DeliverIfLive(std::uint32_t r, dbfe_lock lock, std::uint8_t* record, dbfe_record_props* props) {
  if (KnownDeleted(r)) return false;
  if (!ReadIntoScratch(r)) {
    NoteDeleted(r);
    return false;
  }
  place_ = Place::kOn;
  record_ = r;
  Deliver(lock, record, props);
  return true;
}

void Cursor::GetNext(dbfe_lock lock, std::uint8_t* record, dbfe_record_props* props) {
  if (place_ == Place::kEnd) throw EngineError(DBFE_ERR_EOF);
  for (std::uint32_t r = place_ == Place::kBegin ? 0 : record_ + 1;; ++r) {
    if (r >= file_.record_count() && r >= file_.RefreshRecordCount()) {
      place_ = Place::kEnd;
      throw EngineError(DBFE_ERR_EOF);
    }
    if (DeliverIfLive(r, lock, record, props)) return;
  }
}

std::uint32_t Cursor::GetNextRecords(std::uint32_t count, std::uint8_t* records) {
  if (place_ == Place::kEnd) throw EngineError(DBFE_ERR_EOF);
  const std::size_t length = scratch_.size();
  std::vector<std::uint8_t> piece;
  std::uint32_t delivered = 0;
  std::uint32_t r = place_ == Place::kBegin ? 0 : record_ + 1;
  while (delivered < count) {
    if (r >= file_.record_count() && r >= file_.RefreshRecordCount()) break;
    // Pieces of at most a megabyte, whatever the caller asks for.
    const std::uint32_t most = std::max<std::uint32_t>(1, (1u << 20) / static_cast<std::uint32_t>(length));
    const std::uint32_t n = std::min({count - delivered, file_.record_count() - r, most});
    piece.resize(n * length);
    file_.ReadRecords(r, n, piece);
    for (std::uint32_t i = 0; i < n; ++i, ++r) {
      const std::uint8_t* record = piece.data() + std::size_t{i} * length;
      if (!IsLive(record[0], r)) {
        NoteDeleted(r);
        continue;
      }
      std::memcpy(records + std::size_t{delivered++} * length, record, length);
      record_ = r;
    }
  }
  if (delivered == 0) {
    place_ = Place::kEnd;
    throw EngineError(DBFE_ERR_EOF);
  }
  // The last one is the current record, as get-next leaves it.
  std::memcpy(scratch_.data(), records + std::size_t{delivered - 1} * length, length);
  place_ = Place::kOn;
  return delivered;
}

void Cursor::GetPrior(dbfe_lock lock, std::uint8_t* record, dbfe_record_props* props) {
  if (place_ == Place::kBegin) throw EngineError(DBFE_ERR_BOF);
  std::uint32_t r = place_ == Place::kEnd ? file_.RefreshRecordCount() : record_;
  while (r > 0) {
    --r;
    if (DeliverIfLive(r, lock, record, props)) return;
  }
  place_ = Place::kBegin;
  throw EngineError(DBFE_ERR_BOF);
}

std::uint32_t Cursor::CurrentRecord() const {
  switch (place_) {
    case Place::kOn: return record_;
    case Place::kBegin: throw EngineError(DBFE_ERR_BOF);
    case Place::kEnd: throw EngineError(DBFE_ERR_EOF);
    case Place::kGap: break;
  }
  throw EngineError(DBFE_ERR_NO_CURRENT_RECORD);
}

void Cursor::GetCurrent(dbfe_lock lock, std::uint8_t* record, dbfe_record_props* props) {
  const std::uint32_t r = CurrentRecord();
  if (!ReadIntoScratch(r)) {
    NoteDeleted(r);
    throw EngineError(DBFE_ERR_RECORD_DELETED).Table(file_.path());
  }
  Deliver(lock, record, props);
}

// Hands out the scratch record (the current one); with a lock, read again
// under it so that the caller edits what is stored now.
void Cursor::Deliver(dbfe_lock lock, std::uint8_t* out, dbfe_record_props* props) {
  if (lock == DBFE_WRITE_LOCK) {
    const bool held = HoldsLock(record_);
    Lock(record_);
    if (!ReadIntoScratch(record_)) {
      if (!held) Unlock(record_);
      NoteDeleted(record_);
      throw EngineError(DBFE_ERR_RECORD_DELETED).Table(file_.path());
    }
  }
  if (out != nullptr) std::memcpy(out, scratch_.data(), scratch_.size());
  if (props != nullptr) {
    props->seq_no = Live().SeqNoOf(record_);
    props->phy_rec_no = record_ + 1;
  }
}

bool Cursor::HoldsLock(std::uint32_t record) const {
  return std::find(locked_.begin(), locked_.end(), record) != locked_.end();
}

void Cursor::Lock(std::uint32_t record) {
  // A record lock is taken to change the record.
  if (file_.read_only()) throw EngineError(DBFE_ERR_TABLE_READ_ONLY).Table(file_.path());
  if (HoldsLock(record)) return;
  locked_.reserve(locked_.size() + 1);
  if (!file_.TryLockRecord(record)) {
    throw EngineError(DBFE_ERR_RECORD_LOCKED)
        .Table(file_.path())
        .Detail("Record: " + std::to_string(record + 1));
  }
  locked_.push_back(record);
}

void Cursor::Unlock(std::uint32_t record) noexcept {
  const auto at = std::find(locked_.begin(), locked_.end(), record);
  if (at == locked_.end()) return;
  file_.UnlockRecord(record);
  locked_.erase(at);
}

void Cursor::Insert(dbfe_lock lock, const std::uint8_t* record) {
  std::memcpy(scratch_.data(), record, scratch_.size());
  scratch_[0] = kLiveFlag;
  const std::uint32_t r = file_.Append(scratch_);
  if (live_ && live_->total() == r) live_->Extend(std::span(&kLiveFlag, 1));
  place_ = Place::kOn;
  record_ = r;
  if (lock == DBFE_WRITE_LOCK) Lock(r);
}

void Cursor::Modify(const std::uint8_t* record, bool free_lock) {
  const std::uint32_t r = CurrentRecord();
  const bool held = HoldsLock(r);
  Lock(r);
  try {
    if (!ReadIntoScratch(r)) {
      NoteDeleted(r);
      throw EngineError(DBFE_ERR_RECORD_DELETED).Table(file_.path());
    }
    file_.WriteFields(r, {record, file_.layout().record_length});
  } catch (...) {
    if (!held) Unlock(r);
    throw;
  }
  if (free_lock || !held) Unlock(r);
}

void Cursor::Delete() {
  const std::uint32_t r = CurrentRecord();
  const bool held = HoldsLock(r);
  Lock(r);
  try {
    if (!ReadIntoScratch(r)) {
      NoteDeleted(r);
      place_ = Place::kGap;
      throw EngineError(DBFE_ERR_RECORD_DELETED).Table(file_.path());
    }
    file_.WriteFlag(r, kDeletedFlag);
  } catch (...) {
    if (!held) Unlock(r);
    throw;
  }
  Unlock(r);
  NoteDeleted(r);
  place_ = Place::kGap;
}

void Cursor::ReleaseLocks() {
  if (locked_.empty()) throw EngineError(DBFE_ERR_NOT_LOCKED).Table(file_.path());
  while (!locked_.empty()) Unlock(locked_.back());
}

void Cursor::Close() {
  while (!locked_.empty()) Unlock(locked_.back());
  file_.SyncChanges();
}

}  // namespace dbfe
