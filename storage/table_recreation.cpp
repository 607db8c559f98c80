#include "table_recreation.h"

#include <algorithm>
#include <filesystem>

#include "database_error.h"
#include "hidden_file.h"

namespace dravlik {
namespace {

// Cuts a name to `size` bytes without splitting a UTF-8 character.
template <std::size_t N>
void CopyName(char (&target)[N], const std::string& name) {
  std::size_t size = std::min(name.size(), N - 1);
  if (size < name.size()) {
    while (size > 0 && (static_cast<unsigned char>(name[size]) & 0xC0) == 0x80) --size;
  }
  std::copy(name.begin(), name.begin() + static_cast<std::ptrdiff_t>(size), target);
  target[size] = 0;
}

std::vector<dbfe_logical_field> LogicalFields(const std::vector<const TField*>& fields) {
  std::vector<dbfe_logical_field> logical(fields.size());
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const TField& field = *fields[i];
    CopyName(logical[i].name, field.FieldName());
    logical[i].type = field.DataType() == ftString ? DBFE_TYPE_ZSTRING : DBFE_TYPE_FLOAT;
    logical[i].units1 = field.DataType() == ftString ? static_cast<std::uint16_t>(field.Size()) : 0;
  }
  return logical;
}

}  // namespace

std::vector<dbfe_field_desc> TranslatedFields(const DatabaseConnection& connection, const std::string& driver,
                                              const std::vector<const TField*>& fields) {
  EngineLibrary& engine = connection.Engine();
  const std::vector<dbfe_logical_field> logical = LogicalFields(fields);
  std::vector<dbfe_field_desc> physical(fields.size());
  // Local files take the driver of their table type, other databases their own.
  const std::string translator = connection.IsStandard() ? driver : connection.DatabaseType();
  engine.Check(engine.translateRecordStructure(translator.c_str(), static_cast<std::uint16_t>(fields.size()),
                                               logical.data(), physical.data()));
  return physical;
}

TableRecreation::TableRecreation(TSession& session, const std::string& tableName, const std::string& driver,
                                 std::vector<dbfe_field_desc> fields)
    : session_(session), connection_(std::make_unique<DatabaseConnection>(session)) {
  EngineLibrary& engine = connection_->Engine();
  dbfe_table_desc table{};
  CopyName(table.name, tableName);
  CopyName(table.driver, driver);
  dbfe_replacement replacement = nullptr;
  engine.Check(engine.beginReplacement(connection_->Handle(), &table, static_cast<std::uint16_t>(fields.size()),
                                       fields.data(), &replacement));
  char newName[DBFE_MAX_PATH + 1] = {};
  const dbfe_status status = engine.getReplacementName(replacement, newName, sizeof newName);
  if (status != DBFE_OK) {
    const EDBEngineError failure(status, engine.ErrorMessage(status));
    (void)engine.dropReplacement(&replacement);  // the failure above is the one to report
    throw failure;
  }
  replacement_ = replacement;
  newName_ = newName;
  const std::filesystem::path newTable = std::filesystem::path(tableName).parent_path() / newName_;
  try {
    for (const std::string& path : {newTable.string(), HiddenSibling(tableName, ".lock")}) {
      guards_.push_back(std::make_unique<InterruptedWriteGuard>(path));
    }
  } catch (...) {
    Drop();
    throw;
  }
}

void TableRecreation::Commit() {
  if (!replacement_) return;
  const dbfe_status status = connection_->Engine().commitReplacement(&replacement_);
  replacement_ = nullptr;
  guards_.clear();
  // The engine stays loaded until its message is built.
  const std::unique_ptr<DatabaseConnection> connection = std::move(connection_);
  if (status == DBFE_WARN_NOT_DURABLE) return session_.Warn(connection->Engine().ErrorMessage(status));
  connection->Engine().Check(status);
}

void TableRecreation::Drop() noexcept {
  if (replacement_) (void)connection_->Engine().dropReplacement(&replacement_);
  replacement_ = nullptr;
  guards_.clear();
  connection_.reset();
}

}  // namespace dravlik
