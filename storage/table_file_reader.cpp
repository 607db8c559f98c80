#include "table_file_reader.h"

#include <algorithm>

#include "table.h"

namespace dravlik {
namespace {

// Large enough that an engine call costs little per record, small enough to
// stay in the cache.
constexpr std::size_t kBlockBytes = 64 * 1024;

}  // namespace

TableFileReader::TableFileReader(const TTable& schema, TSession& session)
    : connection_(std::make_unique<DatabaseConnection>(session)) {
  EngineLibrary& engine = connection_->Engine();
  if (schema.TableName().empty()) DatabaseError("Missing TableName property", schema.Name());
  engine.Check(engine.openTable(connection_->Handle(), schema.TableName().c_str(), schema.DriverName().c_str(),
                                nullptr, DBFE_READ_ONLY, DBFE_SHARED, true, true, &cursor_));
  try {
    const CursorLayout layout = LayoutOf(engine, cursor_);
    for (int i = 0; i < schema.FieldCount(); ++i) {
      fields_.push_back(BindField(layout.columns, schema.Field(i), schema.Name()));
      names_.push_back(schema.Field(i).FieldName());
    }
    recordSize_ = layout.props.record_size;
    engine.Check(engine.setToBegin(cursor_));
    std::uint32_t count = 0;
    engine.Check(engine.getRecordCount(cursor_, &count));
    recordCount_ = static_cast<int>(count);
  } catch (...) {
    (void)engine.closeCursor(&cursor_);  // the failure being raised is the one to report
    throw;
  }
}

TableFileReader::~TableFileReader() {
  // Nothing was changed through it, so closing it cannot lose anything.
  if (cursor_) (void)connection_->Engine().closeCursor(&cursor_);
}

bool TableFileReader::Next() {
  if (recordNumber_ + 1 >= recordCount_) {
    recordNumber_ = recordCount_;
    return false;
  }
  ++recordNumber_;
  if (recordNumber_ >= blockFirst_ + blockCount_) ReadBlock();
  return true;
}

void TableFileReader::ReadBlock() {
  EngineLibrary& engine = connection_->Engine();
  const auto perBlock = static_cast<int>(std::max<std::size_t>(1, kBlockBytes / std::max<std::size_t>(recordSize_, 1)));
  const int wanted = std::min(recordCount_ - recordNumber_, perBlock);
  block_.resize(recordSize_ * static_cast<std::size_t>(wanted));
  std::uint32_t delivered = 0;
  engine.Check(engine.getNextRecords(cursor_, static_cast<std::uint32_t>(wanted), block_.data(), &delivered));
  // Records another program deleted since they were counted.
  if (delivered < static_cast<std::uint32_t>(wanted)) engine.Check(DBFE_ERR_EOF);
  blockFirst_ = recordNumber_;
  blockCount_ = wanted;
}

FieldValue TableFileReader::Value(int field) const {
  if (recordNumber_ < blockFirst_ || recordNumber_ >= blockFirst_ + blockCount_) return std::monostate{};
  const std::uint8_t* record = block_.data() + recordSize_ * static_cast<std::size_t>(recordNumber_ - blockFirst_);
  return RecordValue(connection_->Engine(), cursor_, record, fields_.at(static_cast<std::size_t>(field)));
}

}  // namespace dravlik
