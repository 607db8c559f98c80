// The database session: it starts the engine on first use and keeps the
// standard database of local files (the working directory) open while tables
// hold connections to it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine_library.h"

namespace dravlik {

class TSession {
 public:
  explicit TSession(std::string name, EngineLoadOptions options = {});
  ~TSession();
  TSession(const TSession&) = delete;
  TSession& operator=(const TSession&) = delete;

  const std::string& Name() const { return name_; }
  // Whether the engine has been started.
  bool Active() const { return engine_ != nullptr; }
  // The engine, loaded and initialised on first use.
  EngineLibrary& Engine();

  // What the engine reports with a success: a replaced table whose directory
  // could not be synced, which a system crash may yet undo. The handler hears
  // it; by default it goes to standard error.
  using WarningHandler = std::function<void(const std::string& message)>;
  void SetWarningHandler(WarningHandler handler) { warningHandler_ = std::move(handler); }
  void Warn(const std::string& message) const;

 private:
  friend class DatabaseConnection;
  dbfe_database AcquireDatabase();
  void ReleaseDatabase();

  std::string name_;
  EngineLoadOptions options_;
  std::unique_ptr<EngineLibrary> engine_;
  dbfe_database database_ = nullptr;
  std::string databaseType_;
  int connections_ = 0;
  WarningHandler warningHandler_;
};

// The program's sessions. The list and its default session, named "Default",
// exist from the first call on; neither loads the engine.
class TSessionList {
 public:
  TSessionList();
  TSession& Default() { return *sessions_.front(); }
  // A session of its own name (with its own engine options, e.g. for tests).
  TSession& Add(std::string name, EngineLoadOptions options = {});
  // The session of that name (ignoring letter case), or null.
  TSession* Find(const std::string& name) const;
  int Count() const { return static_cast<int>(sessions_.size()); }

 private:
  std::vector<std::unique_ptr<TSession>> sessions_;
};

TSessionList& Sessions();

// The default session, named "Default".
TSession& Session();

// A table's hold on the standard database while it needs it.
class DatabaseConnection {
 public:
  explicit DatabaseConnection(TSession& session) : session_(session), database_(session.AcquireDatabase()) {}
  ~DatabaseConnection() { session_.ReleaseDatabase(); }
  DatabaseConnection(const DatabaseConnection&) = delete;
  DatabaseConnection& operator=(const DatabaseConnection&) = delete;

  dbfe_database Handle() const { return database_; }
  EngineLibrary& Engine() const { return session_.Engine(); }
  // "STANDARD" for the engine's standard database of local files.
  const std::string& DatabaseType() const { return session_.databaseType_; }
  bool IsStandard() const { return DatabaseType() == "STANDARD"; }

 private:
  TSession& session_;
  dbfe_database database_;
};

}  // namespace dravlik
