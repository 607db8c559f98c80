#include "session.h"

#include <cstring>

namespace dravlik {

TSession::TSession(std::string name, EngineLoadOptions options)
    : name_(std::move(name)), options_(std::move(options)) {}

TSession::~TSession() {
  if (database_) engine_->closeDatabase(&database_);
}

EngineLibrary& TSession::Engine() {
  if (!engine_) engine_ = EngineLibrary::Load(options_);
  return *engine_;
}

dbfe_database TSession::AcquireDatabase() {
  if (!database_) {
    EngineLibrary& engine = Engine();
    dbfe_database database = nullptr;
    engine.Check(engine.openDatabase(nullptr, nullptr, DBFE_READ_WRITE, DBFE_SHARED, &database));
    try {
      engine.Check(engine.setDirectory(database, ""));
      char type[DBFE_MAX_NAME + 1] = {};
      engine.Check(engine.getDatabaseProperty(database, DBFE_PROP_DATABASE_TYPE, type, sizeof type));
      standardDatabase_ = std::strcmp(type, "STANDARD") == 0;
    } catch (...) {
      engine.closeDatabase(&database);
      throw;
    }
    database_ = database;
  }
  ++connections_;
  return database_;
}

void TSession::ReleaseDatabase() {
  if (--connections_ == 0 && database_) engine_->closeDatabase(&database_);
}

TSession& Session() {
  static TSession session("Default");
  return session;
}

}  // namespace dravlik
