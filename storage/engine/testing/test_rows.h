// The rows the engine's tests write, and how they write and read them through
// the C interface. Shared by the tests and the writer they run in child
// processes, so both sides agree on what row N holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine_api.h"

namespace dbfe::testing {

// A row of the height-diameter schema: drevina C(3), then three float fields.
struct Row {
  std::string drevina;
  std::optional<double> tloustka;
  std::optional<double> vyska;
  std::optional<double> hmot;
  bool operator==(const Row&) const = default;
};

inline constexpr const char* kFieldNames[] = {"drevina", "tloustka", "vyska", "hmot"};

// Row `index`: a species code, the index itself as tloustka (so a reader can
// tell which row it sees), a height in tenths, and a volume that is in turn in
// hundredths, of 15 significant digits, empty, or a whole number.
Row RowAt(std::uint64_t index);

std::string ShowRow(const Row& row);

// Initialises the engine for the lifetime of the object.
class EngineSession {
 public:
  EngineSession();
  ~EngineSession();
  EngineSession(const EngineSession&) = delete;
  EngineSession& operator=(const EngineSession&) = delete;
};

// The status text and the error context of the calling thread's last failure,
// one line each: "<status text>", then "<text>" of each entry.
std::vector<std::string> FailureLines(dbfe_status status);
std::string FailureMessage(dbfe_status status);

dbfe_status CreateHeightDiameterTable(const std::string& path, bool overwrite = true,
                                      const char* driver = "DBASE");

// Begins replacing the table at `path` (absolute) with an empty one of the
// same schema; `new_path` is the new table's path, to open and fill.
dbfe_status BeginHeightDiameterReplacement(const std::string& path, dbfe_replacement& replacement,
                                           std::string& new_path);

// An open cursor on a table given by its absolute path, closed at the end.
class OpenTable {
 public:
  explicit OpenTable(const std::string& path, dbfe_open_mode mode = DBFE_READ_WRITE,
                     dbfe_share_mode share = DBFE_SHARED);
  ~OpenTable();
  OpenTable(const OpenTable&) = delete;
  OpenTable& operator=(const OpenTable&) = delete;

  dbfe_status status() const { return status_; }
  dbfe_cursor cursor() const { return cursor_; }
  std::vector<std::uint8_t> NewRecord() const;

  dbfe_status Append(const Row& row);
  // Fills a record buffer with a row; the first failing put's status.
  dbfe_status Fill(std::vector<std::uint8_t>& record, const Row& row);
  Row Decode(const std::vector<std::uint8_t>& record);
  // Every live record from the first on, read with get next.
  std::vector<Row> ReadAll();
  dbfe_status Close();

 private:
  dbfe_database database_ = nullptr;
  dbfe_cursor cursor_ = nullptr;
  dbfe_status status_;
  std::uint16_t record_size_ = 0;
};

}  // namespace dbfe::testing
