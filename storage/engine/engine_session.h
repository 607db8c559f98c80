// The engine session: whether the engine is initialised, and the handles it
// gave out. Handles are checked on every call, so a stale or foreign handle
// gives DBFE_ERR_INVALID_HANDLE instead of undefined behaviour.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cursor.h"
#include "database.h"
#include "engine_api.h"
#include "table_replacement.h"

struct dbfe_database_s {
  dbfe::Database database;
};

struct dbfe_cursor_s {
  explicit dbfe_cursor_s(dbfe::Cursor c) : cursor(std::move(c)) {}
  dbfe::Cursor cursor;
};

struct dbfe_replacement_s {
  dbfe_replacement_s(std::unique_ptr<dbfe::TableReplacement> r, std::string name)
      : replacement(std::move(r)), new_table_name(std::move(name)) {}
  std::unique_ptr<dbfe::TableReplacement> replacement;
  std::string new_table_name;  // relative to the database directory
};

namespace dbfe {

// DBFE_OK, DBFE_WARN_ALREADY_INITIALISED or DBFE_ERR_VERSION_NOT_SUPPORTED.
dbfe_status InitSession(std::uint16_t version, const dbfe_environment* env);
// The last exit closes every handle still open.
dbfe_status ExitSession();
// Throws DBFE_ERR_NOT_INITIALISED.
void RequireSession();

dbfe_database AddDatabase(std::unique_ptr<dbfe_database_s> database);
Database& DatabaseOf(dbfe_database handle);
std::unique_ptr<dbfe_database_s> RemoveDatabase(dbfe_database handle);

dbfe_cursor AddCursor(std::unique_ptr<dbfe_cursor_s> cursor);
Cursor& CursorOf(dbfe_cursor handle);
std::unique_ptr<dbfe_cursor_s> RemoveCursor(dbfe_cursor handle);

dbfe_replacement AddReplacement(std::unique_ptr<dbfe_replacement_s> replacement);
dbfe_replacement_s& ReplacementOf(dbfe_replacement handle);
std::unique_ptr<dbfe_replacement_s> RemoveReplacement(dbfe_replacement handle);

}  // namespace dbfe
