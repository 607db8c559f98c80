#include "engine_session.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

#include "error_context.h"
#include "run_reaper.h"

namespace dbfe {

namespace {

struct Session {
  std::mutex mutex;
  std::atomic<int> init_count = 0;  // changed under the mutex; read without it
  std::atomic<std::uint64_t> cursors_removed = 0;
  std::unordered_map<dbfe_database, std::unique_ptr<dbfe_database_s>> databases;
  std::unordered_map<dbfe_cursor, std::unique_ptr<dbfe_cursor_s>> cursors;
  std::unordered_map<dbfe_replacement, std::unique_ptr<dbfe_replacement_s>> replacements;
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

// The handle table of one kind of object; the caller holds the session's mutex.
template <class Handle, class Object>
Handle Added(std::unordered_map<Handle, std::unique_ptr<Object>>& table, std::unique_ptr<Object> object) {
  Handle handle = object.get();
  table.emplace(handle, std::move(object));
  return handle;
}

template <class Handle, class Object>
Object& Found(std::unordered_map<Handle, std::unique_ptr<Object>>& table, Handle handle, const char* what) {
  const auto found = table.find(handle);
  if (found == table.end()) InvalidHandle(what);
  return *found->second;
}

template <class Handle, class Object>
std::unique_ptr<Object> Removed(std::unordered_map<Handle, std::unique_ptr<Object>>& table, Handle handle,
                                const char* what) {
  const auto found = table.find(handle);
  if (found == table.end()) InvalidHandle(what);
  std::unique_ptr<Object> object = std::move(found->second);
  table.erase(found);
  return object;
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
  return session.init_count.fetch_add(1) == 0 ? DBFE_OK : DBFE_WARN_ALREADY_INITIALISED;
}

dbfe_status ExitSession() {
  Session& session = TheSession();
  std::unordered_map<dbfe_cursor, std::unique_ptr<dbfe_cursor_s>> cursors;
  std::unordered_map<dbfe_replacement, std::unique_ptr<dbfe_replacement_s>> replacements;
  {
    std::lock_guard lock(session.mutex);
    if (session.init_count == 0) throw EngineError(DBFE_ERR_NOT_INITIALISED);
    if (--session.init_count > 0) return DBFE_OK;
    cursors.swap(session.cursors);
    replacements.swap(session.replacements);
    ++session.cursors_removed;
    decltype(session.databases)().swap(session.databases);
  }
  for (auto& [handle, cursor] : cursors) {
    try {
      cursor->cursor.Close();
    } catch (...) {
      // Exit has no one to report to; the cursor is freed all the same.
    }
  }
  cursors.clear();
  replacements.clear();  // dropped: nobody committed them
  StopReaper();
  return DBFE_OK;
}

void RequireSession() {
  if (TheSession().init_count.load(std::memory_order_acquire) == 0) {
    throw EngineError(DBFE_ERR_NOT_INITIALISED);
  }
}


dbfe_database AddDatabase(std::unique_ptr<dbfe_database_s> database) {
  Session& session = TheSession();
  std::lock_guard lock(session.mutex);
  return Added(session.databases, std::move(database));
}

Database& DatabaseOf(dbfe_database handle) {
  Session& session = TheSession();
  std::lock_guard lock(session.mutex);
  return Found(session.databases, handle, "database").database;
}

std::unique_ptr<dbfe_database_s> RemoveDatabase(dbfe_database handle) {
  Session& session = TheSession();
  std::lock_guard lock(session.mutex);
  return Removed(session.databases, handle, "database");
}

dbfe_cursor AddCursor(std::unique_ptr<dbfe_cursor_s> cursor) {
  Session& session = TheSession();
  std::lock_guard lock(session.mutex);
  return Added(session.cursors, std::move(cursor));
}

// A cursor serves the thread that opened it call after call, so each thread
// remembers the last handle it looked up, until any cursor is removed.
Cursor& CursorOf(dbfe_cursor handle) {
  struct LastLookUp {
    dbfe_cursor handle = nullptr;
    Cursor* cursor = nullptr;
    std::uint64_t cursors_removed = 0;
  };
  thread_local LastLookUp last;
  Session& session = TheSession();
  const std::uint64_t removed = session.cursors_removed.load(std::memory_order_acquire);
  if (handle != nullptr && handle == last.handle && removed == last.cursors_removed) return *last.cursor;
  std::lock_guard lock(session.mutex);
  Cursor& cursor = Found(session.cursors, handle, "cursor").cursor;
  last = {handle, &cursor, session.cursors_removed.load(std::memory_order_relaxed)};
  return cursor;
}

std::unique_ptr<dbfe_cursor_s> RemoveCursor(dbfe_cursor handle) {
  Session& session = TheSession();
  std::lock_guard lock(session.mutex);
  std::unique_ptr<dbfe_cursor_s> cursor = Removed(session.cursors, handle, "cursor");
  ++session.cursors_removed;
  return cursor;
}

dbfe_replacement AddReplacement(std::unique_ptr<dbfe_replacement_s> replacement) {
  Session& session = TheSession();
  std::lock_guard lock(session.mutex);
  return Added(session.replacements, std::move(replacement));
}

dbfe_replacement_s& ReplacementOf(dbfe_replacement handle) {
  Session& session = TheSession();
  std::lock_guard lock(session.mutex);
  return Found(session.replacements, handle, "replacement");
}

std::unique_ptr<dbfe_replacement_s> RemoveReplacement(dbfe_replacement handle) {
  Session& session = TheSession();
  std::lock_guard lock(session.mutex);
  return Removed(session.replacements, handle, "replacement");
}

}  // namespace dbfe
