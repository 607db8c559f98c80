// The database engine, a shared library loaded at run time.
//
// It is looked for in the directory of the program's own executable, then in
// the directory named by the "DLLPATH" engine setting, then by the system's
// library search; never in the working directory, where anyone who can write
// could plant one. Entry points other than the initialisation one are resolved
// on first call, under a process-wide lock.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "engine/engine_api.h"

namespace dravlik {

struct EngineLoadOptions {
  std::string libraryName = "libdbfengine.so";
  std::string settingsPath;  // empty: EngineSettingsPath()
};

class EngineLibrary;

// One entry point of the engine, resolved when first called.
template <class Function>
class EntryPoint {
 public:
  EntryPoint(EngineLibrary& library, const char* name) : library_(library), name_(name) {}

  template <class... Args>
  [[nodiscard]] dbfe_status operator()(Args... args) {
    return Resolved()(args...);
  }

 private:
  Function Resolved();

  EngineLibrary& library_;
  const char* name_;
  std::atomic<Function> function_{nullptr};
};

// A loaded and initialised engine; destroying it calls the exit entry point and
// unloads the library.
class EngineLibrary {
 public:
  // Loads and initialises the engine; failures raise EDBEngineError with the
  // status 0x2108 (not found), 0x2109 (other), 0x2501 (no memory) or 0x2A06 (no
  // initialisation entry point), or the initialisation's own status. The
  // message is EngineStartErrorMessage's line, then lines naming the files
  // concerned and why: for 0x2108 every place looked in (see engine_search.h).
  static std::unique_ptr<EngineLibrary> Load(const EngineLoadOptions& options);
  ~EngineLibrary();
  EngineLibrary(const EngineLibrary&) = delete;
  EngineLibrary& operator=(const EngineLibrary&) = delete;

  // The file the engine was loaded from.
  const std::string& Path() const { return path_; }

  // An exported symbol, or EDBEngineError(0x2109) when the library lacks it.
  void* Symbol(const char* name);

  EntryPoint<decltype(&dbfe_get_status_text)> getStatusText{*this, "dbfe_get_status_text"};
  EntryPoint<decltype(&dbfe_get_error_entry)> getErrorEntry{*this, "dbfe_get_error_entry"};
  EntryPoint<decltype(&dbfe_open_database)> openDatabase{*this, "dbfe_open_database"};
  EntryPoint<decltype(&dbfe_set_directory)> setDirectory{*this, "dbfe_set_directory"};
  EntryPoint<decltype(&dbfe_get_database_property)> getDatabaseProperty{*this, "dbfe_get_database_property"};
  EntryPoint<decltype(&dbfe_close_database)> closeDatabase{*this, "dbfe_close_database"};
  EntryPoint<decltype(&dbfe_translate_record_structure)> translateRecordStructure{*this,
                                                                                 "dbfe_translate_record_structure"};
  EntryPoint<decltype(&dbfe_create_table)> createTable{*this, "dbfe_create_table"};
  EntryPoint<decltype(&dbfe_begin_replacement)> beginReplacement{*this, "dbfe_begin_replacement"};
  EntryPoint<decltype(&dbfe_get_replacement_name)> getReplacementName{*this, "dbfe_get_replacement_name"};
  EntryPoint<decltype(&dbfe_commit_replacement)> commitReplacement{*this, "dbfe_commit_replacement"};
  EntryPoint<decltype(&dbfe_drop_replacement)> dropReplacement{*this, "dbfe_drop_replacement"};
  EntryPoint<decltype(&dbfe_open_table)> openTable{*this, "dbfe_open_table"};
  EntryPoint<decltype(&dbfe_close_cursor)> closeCursor{*this, "dbfe_close_cursor"};
  EntryPoint<decltype(&dbfe_get_cursor_props)> getCursorProps{*this, "dbfe_get_cursor_props"};
  EntryPoint<decltype(&dbfe_get_field_descs)> getFieldDescs{*this, "dbfe_get_field_descs"};
  EntryPoint<decltype(&dbfe_set_cursor_property)> setCursorProperty{*this, "dbfe_set_cursor_property"};
  EntryPoint<decltype(&dbfe_init_record)> initRecord{*this, "dbfe_init_record"};
  EntryPoint<decltype(&dbfe_put_field)> putField{*this, "dbfe_put_field"};
  EntryPoint<decltype(&dbfe_get_field)> getField{*this, "dbfe_get_field"};
  EntryPoint<decltype(&dbfe_set_to_begin)> setToBegin{*this, "dbfe_set_to_begin"};
  EntryPoint<decltype(&dbfe_set_to_end)> setToEnd{*this, "dbfe_set_to_end"};
  EntryPoint<decltype(&dbfe_set_to_seq_no)> setToSeqNo{*this, "dbfe_set_to_seq_no"};
  EntryPoint<decltype(&dbfe_get_record_count)> getRecordCount{*this, "dbfe_get_record_count"};
  EntryPoint<decltype(&dbfe_get_next_record)> getNextRecord{*this, "dbfe_get_next_record"};
  EntryPoint<decltype(&dbfe_get_next_records)> getNextRecords{*this, "dbfe_get_next_records"};
  EntryPoint<decltype(&dbfe_get_prior_record)> getPriorRecord{*this, "dbfe_get_prior_record"};
  EntryPoint<decltype(&dbfe_get_record)> getRecord{*this, "dbfe_get_record"};
  EntryPoint<decltype(&dbfe_insert_record)> insertRecord{*this, "dbfe_insert_record"};
  EntryPoint<decltype(&dbfe_modify_record)> modifyRecord{*this, "dbfe_modify_record"};
  EntryPoint<decltype(&dbfe_delete_record)> deleteRecord{*this, "dbfe_delete_record"};
  EntryPoint<decltype(&dbfe_release_record_lock)> releaseRecordLock{*this, "dbfe_release_record_lock"};

  // The message of a failed operation, from the engine's own texts: the
  // status's text, then the error context's entries with their statuses'
  // texts, trimmed, without empty or repeated lines.
  std::string ErrorMessage(dbfe_status status);
  // Raises EDBEngineError for a status other than success.
  void Check(dbfe_status status);

 private:
  EngineLibrary(void* handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  std::string ErrorMessage(dbfe_status status, bool withContext);

  void* handle_;
  std::string path_;
};

// The message of a status when the engine could not be started.
std::string EngineStartErrorMessage(dbfe_status status);

template <class Function>
Function EntryPoint<Function>::Resolved() {
  Function function = function_.load(std::memory_order_acquire);
  if (!function) {
    function = reinterpret_cast<Function>(library_.Symbol(name_));
    function_.store(function, std::memory_order_release);
  }
  return function;
}

}  // namespace dravlik
