// The database session: it starts the engine on first use and keeps the
// standard database of local files (the working directory) open while tables
// hold connections to it.
#pragma once

#include <memory>
#include <string>

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

 private:
  friend class DatabaseConnection;
  dbfe_database AcquireDatabase();
  void ReleaseDatabase();

  std::string name_;
  EngineLoadOptions options_;
  std::unique_ptr<EngineLibrary> engine_;
  dbfe_database database_ = nullptr;
  bool standardDatabase_ = true;
  int connections_ = 0;
};

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
  // Whether the database is the engine's standard one of local files.
  bool IsStandard() const { return session_.standardDatabase_; }

 private:
  TSession& session_;
  dbfe_database database_;
};

}  // namespace dravlik
