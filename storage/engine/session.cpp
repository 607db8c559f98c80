#include "session.h"

#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

#include "error_context.h"

namespace dbfe {

namespace {

struct Session {
  std::mutex mutex;
  int init_count = 0;
  std::unordered_map<dbfe_database, std::unique_ptr<dbfe_database_s>> databases;
  std::unordered_map<dbfe_cursor, std::unique_ptr<dbfe_cursor_s>> cursors;
};

// Never destroyed, since entry points may run at exit; it lives in static
// storage and the last exit empties it, so nothing stays allocated once the
// library is unloaded.
Session& TheSession() {
  alignas(Session) static unsigned char storage[sizeof(Session)];
  static Session* session = new (storage) Session;
  return *session;
}

[[noreturn]] void InvalidHandle(const char* what) {
  throw EngineError(DBFE_ERR_INVALID_HANDLE).Detail(std::string("Not an open ") + what + ".");
}

}  // namespace

dbfe_status InitSession(std::uint16_t version, const dbfe_environment* env) {
  if (version != DBFE_INTERFACE_VERSION) {
    throw EngineError(DBFE_ERR_VERSION_NOT_SUPPORTED)
        .Detail("Version: " + std::to_string(version) + "; this engine implements 500.");
  }
  if (env != nullptr) {
    const std::string language(env->language, strnlen(env->language, sizeof env->language));
    if (!language.empty() && language != "0009") {
      throw EngineError(DBFE_ERR_INVALID_PARAMETER)
          .Detail("Language: " + language + "; this engine supports 0009.");
    }
  }
  Session& session = TheSession();
  std::lock_guard lock(session.mutex);
  return session.init_count++ == 0 ? DBFE_OK : DBFE_WARN_ALREADY_INITIALISED;
}

dbfe_status ExitSession() {
  Session& session = TheSession();
  std::unordered_map<dbfe_cursor, std::unique_ptr<dbfe_cursor_s>> cursors;
  {
    std::lock_guard lock(session.mutex);
    if (session.init_count == 0) throw EngineError(DBFE_ERR_NOT_INITIALISED);
    if (--session.init_count > 0) return DBFE_OK;
    cursors.swap(session.cursors);
    decltype(session.databases)().swap(session.databases);
  }
  for (auto& [handle, cursor] : cursors) {
    try {
      cursor->cursor.Close();
    } catch (...) {
      // Exit has no one to report to; the cursor is freed all the same.
    }
  }
  return DBFE_OK;
}

void RequireSession() {
  Session& session = TheSession();
  std::lock_guard lock(session.mutex);
  if (session.init_count == 0) throw EngineError(DBFE_ERR_NOT_INITIALISED);
}

dbfe_database AddDatabase(std::unique_ptr<dbfe_database_s> database) {
  Session& session = TheSession();
  std::lock_guard lock(session.mutex);
  dbfe_database handle = database.get();
  session.databases.emplace(handle, std::move(database));
  return handle;
}

Database& DatabaseOf(dbfe_database handle) {
  Session& session = TheSession();
  std::lock_guard lock(session.mutex);
  const auto found = session.databases.find(handle);
  if (found == session.databases.end()) InvalidHandle("database");
  return found->second->database;
}

std::unique_ptr<dbfe_database_s> RemoveDatabase(dbfe_database handle) {
  Session& session = TheSession();
  std::lock_guard lock(session.mutex);
  const auto found = session.databases.find(handle);
  if (found == session.databases.end()) InvalidHandle("database");
  std::unique_ptr<dbfe_database_s> database = std::move(found->second);
  session.databases.erase(found);
  return database;
}

dbfe_cursor AddCursor(std::unique_ptr<dbfe_cursor_s> cursor) {
  Session& session = TheSession();
  std::lock_guard lock(session.mutex);
  dbfe_cursor handle = cursor.get();
  session.cursors.emplace(handle, std::move(cursor));
  return handle;
}

Cursor& CursorOf(dbfe_cursor handle) {
  Session& session = TheSession();
  std::lock_guard lock(session.mutex);
  const auto found = session.cursors.find(handle);
  if (found == session.cursors.end()) InvalidHandle("cursor");
  return found->second->cursor;
}

std::unique_ptr<dbfe_cursor_s> RemoveCursor(dbfe_cursor handle) {
  Session& session = TheSession();
  std::lock_guard lock(session.mutex);
  const auto found = session.cursors.find(handle);
  if (found == session.cursors.end()) InvalidHandle("cursor");
  std::unique_ptr<dbfe_cursor_s> cursor = std::move(found->second);
  session.cursors.erase(found);
  return cursor;
}

}  // namespace dbfe
