// The C entry points: each checks the session and its handles, calls the
// engine, and turns every exception into a status and an error context.
// First, so that the declarations carry default visibility.
#pragma GCC visibility push(default)
#include "engine_api.h"
#pragma GCC visibility pop

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "engine_session.h"
#include "error_context.h"
#include "field_translation.h"
#include "status_text.h"
#include "table_replacement.h"

namespace dbfe {
namespace {

template <typename Operation>
dbfe_status Guarded(Operation&& operation) noexcept {
  try {
    return operation();
  } catch (const EngineError& error) {
    RememberFailure(error.status(), error.entries());
    return error.status();
  } catch (const std::bad_alloc&) {
    RememberFailure(DBFE_ERR_NO_MEMORY, {});
    return DBFE_ERR_NO_MEMORY;
  } catch (const std::exception& error) {
    try {
      RememberFailure(DBFE_ERR_INTERNAL, {{DBFE_ERR_INTERNAL, 0, error.what()}});
    } catch (...) {
      RememberFailure(DBFE_ERR_INTERNAL, {});
    }
    return DBFE_ERR_INTERNAL;
  } catch (...) {
    RememberFailure(DBFE_ERR_INTERNAL, {});
    return DBFE_ERR_INTERNAL;
  }
}

// An operation of the running engine, which returns DBFE_OK unless it throws.
template <typename Operation>
dbfe_status Engine(Operation&& operation) noexcept {
  return Guarded([&] {
    RequireSession();
    operation();
    return static_cast<dbfe_status>(DBFE_OK);
  });
}

// A commit succeeds once the table is in place; a warning about it keeps its
// context as a failure would.
dbfe_status Committed(TableReplacement& replacement) {
  const std::optional<EngineError> warning = replacement.Commit();
  if (!warning) return DBFE_OK;
  RememberFailure(warning->status(), warning->entries());
  return warning->status();
}

template <typename Pointer>
void Require(Pointer pointer, const char* name) {
  if (pointer == nullptr) {
    throw EngineError(DBFE_ERR_INVALID_PARAMETER).Detail(std::string(name) + " must not be NULL.");
  }
}

void CopyText(const char* text, char* out, std::size_t size) {
  if (out == nullptr || size == 0) return;
  const std::size_t length = std::min(std::strlen(text), size - 1);
  std::memcpy(out, text, length);
  out[length] = '\0';
}

bool IsEmpty(const char* text) { return text == nullptr || text[0] == '\0'; }

// The layout of a table to create, checked; failures name the table.
TableLayout LayoutToCreate(const Database& db, const dbfe_table_desc* table, uint16_t field_count,
                           const dbfe_field_desc* fields) {
  Require(table, "table");
  if (field_count > 0) Require(fields, "fields");
  CheckDriver(table->driver);
  std::vector<FieldLayout> layout_fields;
  for (uint16_t i = 0; i < field_count; ++i) layout_fields.push_back(FieldToCreate(fields[i]));
  try {
    return NewTableLayout(std::move(layout_fields));
  } catch (EngineError& error) {
    error.Table(db.PathOf(table->name));
    throw;
  }
}

}  // namespace
}  // namespace dbfe

using namespace dbfe;

extern "C" {

dbfe_status dbfe_init(uint16_t version, const dbfe_environment* env) {
  return Guarded([&] { return InitSession(version, env); });
}

dbfe_status dbfe_exit(void) {
  return Guarded([] { return ExitSession(); });
}

// The texts run between the reads of an error context, so they never change it.
dbfe_status dbfe_get_status_text(dbfe_status status, char* text, size_t size) {
  if (text == nullptr || size == 0) return DBFE_ERR_INVALID_PARAMETER;
  if (const char* known = StatusText(status)) {
    CopyText(known, text, size);
    return DBFE_OK;
  }
  char unknown[48];
  std::snprintf(unknown, sizeof unknown, "Unknown database engine status $%.4x.",
                static_cast<unsigned>(status));
  CopyText(unknown, text, size);
  return DBFE_ERR_INVALID_PARAMETER;
}

dbfe_status dbfe_get_error_entry(uint16_t entry, int32_t* native_code, char* text, size_t size) {
  const ContextEntry* found = FailureEntry(entry);
  if (native_code != nullptr) *native_code = found ? found->native_code : 0;
  CopyText(found ? found->text.c_str() : "", text, size);
  return found ? found->status : static_cast<dbfe_status>(DBFE_OK);
}

dbfe_status dbfe_open_database(const char* name, const char* type, dbfe_open_mode,
                               dbfe_share_mode, dbfe_database* database) {
  return Engine([&] {
    Require(database, "database");
    if (!IsEmpty(name) || !IsEmpty(type)) {
      throw EngineError(DBFE_ERR_DATABASE_NOT_SUPPORTED)
          .Detail(std::string("Database: ") + (IsEmpty(name) ? "" : name) + " " +
                  (IsEmpty(type) ? "" : type));
    }
    *database = AddDatabase(std::make_unique<dbfe_database_s>());
  });
}

dbfe_status dbfe_set_directory(dbfe_database database, const char* directory) {
  return Engine([&] { DatabaseOf(database).SetDirectory(directory); });
}

dbfe_status dbfe_get_database_property(dbfe_database database, uint32_t property, char* value,
                                       size_t size) {
  return Engine([&] {
    DatabaseOf(database);
    Require(value, "value");
    if (property != DBFE_PROP_DATABASE_TYPE) {
      throw EngineError(DBFE_ERR_UNKNOWN_PROPERTY).Detail("Property: " + std::to_string(property));
    }
    static constexpr char kStandard[] = "STANDARD";
    if (size < sizeof kStandard) throw EngineError(DBFE_ERR_BUFFER_TOO_SMALL);
    CopyText(kStandard, value, size);
  });
}

dbfe_status dbfe_close_database(dbfe_database* database) {
  return Engine([&] {
    Require(database, "database");
    RemoveDatabase(*database);
    *database = nullptr;
  });
}

dbfe_status dbfe_translate_record_structure(const char* driver, uint16_t count,
                                            const dbfe_logical_field* logical,
                                            dbfe_field_desc* physical) {
  return Engine([&] {
    CheckDriver(driver);
    if (count > 0) {
      Require(logical, "logical");
      Require(physical, "physical");
    }
    std::vector<FieldLayout> fields;
    for (uint16_t i = 0; i < count; ++i) fields.push_back(PhysicalField(logical[i]));
    const TableLayout layout = NewTableLayout(std::move(fields));
    for (uint16_t i = 0; i < count; ++i) {
      physical[i] = DescribeField(layout.fields[i], static_cast<uint16_t>(i + 1));
      // Keep the caller's logical view (a float's units stay 0).
      physical[i].units1 = logical[i].units1;
      physical[i].units2 = logical[i].units2;
      physical[i].subtype = logical[i].subtype;
    }
  });
}

dbfe_status dbfe_create_table(dbfe_database database, bool overwrite, const dbfe_table_desc* table,
                              uint16_t field_count, const dbfe_field_desc* fields) {
  return Guarded([&] {
    RequireSession();
    const Database& db = DatabaseOf(database);
    const TableLayout layout = LayoutToCreate(db, table, field_count, fields);
    TableReplacement replacement(db.PathOf(table->name), layout, overwrite);
    return Committed(replacement);
  });
}

dbfe_status dbfe_begin_replacement(dbfe_database database, const dbfe_table_desc* table,
                                   uint16_t field_count, const dbfe_field_desc* fields,
                                   dbfe_replacement* replacement) {
  return Engine([&] {
    const Database& db = DatabaseOf(database);
    Require(replacement, "replacement");
    const TableLayout layout = LayoutToCreate(db, table, field_count, fields);
    auto begun = std::make_unique<TableReplacement>(db.PathOf(table->name), layout, true);
    std::string name = table->name;
    name = name.substr(0, name.rfind('/') + 1) + begun->NewFileName();
    *replacement = AddReplacement(std::make_unique<dbfe_replacement_s>(std::move(begun), std::move(name)));
  });
}

dbfe_status dbfe_get_replacement_name(dbfe_replacement replacement, char* name, size_t size) {
  return Engine([&] {
    const std::string& new_name = ReplacementOf(replacement).new_table_name;
    Require(name, "name");
    if (size <= new_name.size()) throw EngineError(DBFE_ERR_BUFFER_TOO_SMALL);
    CopyText(new_name.c_str(), name, size);
  });
}

dbfe_status dbfe_commit_replacement(dbfe_replacement* replacement) {
  return Guarded([&] {
    RequireSession();
    Require(replacement, "replacement");
    const std::unique_ptr<dbfe_replacement_s> committing = RemoveReplacement(*replacement);
    *replacement = nullptr;
    return Committed(*committing->replacement);
  });
}

dbfe_status dbfe_drop_replacement(dbfe_replacement* replacement) {
  return Engine([&] {
    Require(replacement, "replacement");
    RemoveReplacement(*replacement);
    *replacement = nullptr;
  });
}

dbfe_status dbfe_open_table(dbfe_database database, const char* name, const char* driver,
                            const char* index_name, dbfe_open_mode mode, dbfe_share_mode share,
                            bool translate, bool, dbfe_cursor* cursor) {
  return Engine([&] {
    const Database& db = DatabaseOf(database);
    Require(cursor, "cursor");
    CheckDriver(driver);
    if (!IsEmpty(index_name)) {
      throw EngineError(DBFE_ERR_INVALID_PARAMETER)
          .Detail(std::string("Index: ") + index_name + "; tables have no indexes here.");
    }
    if (mode != DBFE_READ_WRITE && mode != DBFE_READ_ONLY) {
      throw EngineError(DBFE_ERR_INVALID_PARAMETER).Detail("Unknown open mode.");
    }
    TableFile file = TableFile::Open(db.PathOf(name), mode, share);
    *cursor = AddCursor(std::make_unique<dbfe_cursor_s>(Cursor(std::move(file), name, translate)));
  });
}

dbfe_status dbfe_close_cursor(dbfe_cursor* cursor) {
  return Engine([&] {
    Require(cursor, "cursor");
    const std::unique_ptr<dbfe_cursor_s> closing = RemoveCursor(*cursor);
    *cursor = nullptr;
    closing->cursor.Close();  // freed also when the final flush fails
  });
}

dbfe_status dbfe_get_cursor_props(dbfe_cursor cursor, dbfe_cursor_props* props) {
  return Engine([&] {
    const Cursor& c = CursorOf(cursor);
    Require(props, "props");
    *props = c.Props();
  });
}

dbfe_status dbfe_get_field_descs(dbfe_cursor cursor, dbfe_field_desc* fields) {
  return Engine([&] {
    const Cursor& c = CursorOf(cursor);
    Require(fields, "fields");
    c.FieldDescs(fields);
  });
}

dbfe_status dbfe_set_cursor_property(dbfe_cursor cursor, uint32_t property, uint64_t value) {
  return Engine([&] { CursorOf(cursor).SetProperty(property, value); });
}

dbfe_status dbfe_init_record(dbfe_cursor cursor, uint8_t* record) {
  return Engine([&] {
    const Cursor& c = CursorOf(cursor);
    Require(record, "record");
    c.InitRecord(record);
  });
}

dbfe_status dbfe_put_field(dbfe_cursor cursor, uint16_t field_number, uint8_t* record,
                           const void* value) {
  return Engine([&] {
    const Cursor& c = CursorOf(cursor);
    Require(record, "record");
    c.PutField(field_number, record, value);
  });
}

dbfe_status dbfe_get_field(dbfe_cursor cursor, uint16_t field_number, const uint8_t* record,
                           void* value, bool* empty) {
  return Engine([&] {
    const Cursor& c = CursorOf(cursor);
    Require(record, "record");
    Require(value, "value");
    c.GetField(field_number, record, value, empty);
  });
}

dbfe_status dbfe_set_to_begin(dbfe_cursor cursor) {
  return Engine([&] { CursorOf(cursor).SetToBegin(); });
}

dbfe_status dbfe_set_to_end(dbfe_cursor cursor) {
  return Engine([&] { CursorOf(cursor).SetToEnd(); });
}

dbfe_status dbfe_set_to_seq_no(dbfe_cursor cursor, uint32_t seq_no) {
  return Engine([&] { CursorOf(cursor).SetToSeqNo(seq_no); });
}

dbfe_status dbfe_get_record_count(dbfe_cursor cursor, uint32_t* count) {
  return Engine([&] {
    Cursor& c = CursorOf(cursor);
    Require(count, "count");
    *count = c.RecordCount();
  });
}

dbfe_status dbfe_get_next_record(dbfe_cursor cursor, dbfe_lock lock, uint8_t* record,
                                 dbfe_record_props* props) {
  return Engine([&] { CursorOf(cursor).GetNext(lock, record, props); });
}

dbfe_status dbfe_get_next_records(dbfe_cursor cursor, uint32_t count, uint8_t* records, uint32_t* delivered) {
  return Engine([&] {
    Cursor& c = CursorOf(cursor);
    Require(records, "records");
    Require(delivered, "delivered");
    *delivered = 0;
    *delivered = c.GetNextRecords(count, records);
  });
}

dbfe_status dbfe_get_prior_record(dbfe_cursor cursor, dbfe_lock lock, uint8_t* record,
                                  dbfe_record_props* props) {
  return Engine([&] { CursorOf(cursor).GetPrior(lock, record, props); });
}

dbfe_status dbfe_get_record(dbfe_cursor cursor, dbfe_lock lock, uint8_t* record,
                            dbfe_record_props* props) {
  return Engine([&] { CursorOf(cursor).GetCurrent(lock, record, props); });
}

dbfe_status dbfe_insert_record(dbfe_cursor cursor, dbfe_lock lock, const uint8_t* record) {
  return Engine([&] {
    Cursor& c = CursorOf(cursor);
    Require(record, "record");
    c.Insert(lock, record);
  });
}

dbfe_status dbfe_modify_record(dbfe_cursor cursor, const uint8_t* record, bool free_lock) {
  return Engine([&] {
    Cursor& c = CursorOf(cursor);
    Require(record, "record");
    c.Modify(record, free_lock);
  });
}

dbfe_status dbfe_delete_record(dbfe_cursor cursor) {
  return Engine([&] { CursorOf(cursor).Delete(); });
}

dbfe_status dbfe_release_record_lock(dbfe_cursor cursor) {
  return Engine([&] { CursorOf(cursor).ReleaseLocks(); });
}

}  // extern "C"
