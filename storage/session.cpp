#include "session.h"

#include <cstdio>
#include <cstring>

#include "database_error.h"
#include "letter_case.h"

namespace dravlik {

TSession::TSession(std::string name, EngineLoadOptions options)
    : name_(std::move(name)), options_(std::move(options)) {}

TSession::~TSession() {
  try {
    if (database_) (void)engine_->closeDatabase(&database_);
  } catch (const EDatabaseError&) {
    // An engine without the entry point: nobody is left to hear of it.
  }
}

EngineLibrary& TSession::Engine() {
  if (!engine_) engine_ = EngineLibrary::Load(options_);
  return *engine_;
}

void TSession::Warn(const std::string& message) const {
  if (warningHandler_) return warningHandler_(message);
  std::fprintf(stderr, "warning: %s\n", message.c_str());
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
      databaseType_.assign(type, strnlen(type, sizeof type));
    } catch (...) {
      (void)engine.closeDatabase(&database);  // the failure being thrown is the one to report
      throw;
    }
    database_ = database;
  }
  ++connections_;
  return database_;
}

void TSession::ReleaseDatabase() {
  // Closing only frees the engine's handle: nothing is written that a failure could lose.
  if (--connections_ == 0 && database_) (void)engine_->closeDatabase(&database_);
}

TSessionList::TSessionList() { sessions_.push_back(std::make_unique<TSession>("Default")); }

TSession& TSessionList::Add(std::string name, EngineLoadOptions options) {
  sessions_.push_back(std::make_unique<TSession>(std::move(name), std::move(options)));
  return *sessions_.back();
}

TSession* TSessionList::Find(const std::string& name) const {
  for (const auto& session : sessions_) {
    if (SameTextIgnoringCase(session->Name(), name)) return session.get();
  }
  return nullptr;
}

TSessionList& Sessions() {
  static TSessionList sessions;
  return sessions;
}

TSession& Session() { return Sessions().Default(); }

}  // namespace dravlik
