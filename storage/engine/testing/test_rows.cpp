#include "test_rows.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <stdexcept>

namespace dbfe::testing {

namespace {

const char* const kCodes[] = {"SM ", "BO ", "MD ", "JD ", "DB ", "BK ", "JS ", "BR ",
                              "OL ", "TP ", "HB ", "AK ", "DG ", "KR ", "XXX"};

std::uint64_t Mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// A value as a user types it: 15 significant digits.
double FifteenDigits(std::uint64_t seed) {
  const std::uint64_t mantissa = 100000000000000ull + Mix(seed) % 900000000000000ull;
  const int exponent = static_cast<int>(Mix(seed + 1) % 31) - 20;
  const bool negative = Mix(seed + 2) % 2 == 1;
  char text[40];
  std::snprintf(text, sizeof text, "%s%llue%d", negative ? "-" : "",
                static_cast<unsigned long long>(mantissa), exponent);
  double value = 0.0;
  std::from_chars(text, text + std::strlen(text), value);
  return value;
}

std::string Show(const std::optional<double>& value) {
  if (!value) return "null";
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, *value).ptr;
  return std::string(text, end);
}

}  // namespace

Row RowAt(std::uint64_t index) {
  Row row;
  row.drevina = kCodes[index % 15];
  row.tloustka = static_cast<double>(index);
  row.vyska = static_cast<double>(70 + index % 331) / 10.0;
  switch (index % 4) {
    case 0: row.hmot = static_cast<double>(Mix(index) % 200000) / 100.0; break;
    case 1: row.hmot = FifteenDigits(index); break;
    case 2: break;
    case 3: row.hmot = static_cast<double>(index % 50); break;
  }
  return row;
}

std::string ShowRow(const Row& row) {
  return "[" + row.drevina + "|" + Show(row.tloustka) + "|" + Show(row.vyska) + "|" + Show(row.hmot) + "]";
}

EngineSession::EngineSession() {
  dbfe_environment env{};
  std::strcpy(env.language, "0009");
  const dbfe_status status = dbfe_init(DBFE_INTERFACE_VERSION, &env);
  if (status != DBFE_OK && status != DBFE_WARN_ALREADY_INITIALISED) {
    throw std::runtime_error("dbfe_init failed");
  }
}

// A destructor has no one to tell; a failed exit shows as the next session's init status.
EngineSession::~EngineSession() { (void)dbfe_exit(); }

std::vector<std::string> FailureLines(dbfe_status status) {
  std::vector<std::string> lines;
  char text[DBFE_MAX_MESSAGE + 1];
  // An unknown status still gets a text that says so.
  (void)dbfe_get_status_text(status, text, sizeof text);
  lines.emplace_back(text);
  for (std::uint16_t entry = 1;; ++entry) {
    std::int32_t native = 0;
    const dbfe_status entry_status = dbfe_get_error_entry(entry, &native, text, sizeof text);
    if (entry_status == DBFE_OK || entry_status == DBFE_ERR_NO_ENTRY_POINT) break;
    lines.emplace_back(text);
  }
  return lines;
}

std::string FailureMessage(dbfe_status status) {
  std::string message;
  for (const std::string& line : FailureLines(status)) message += line + "\n";
  return message;
}

namespace {

// The table descriptor and physical fields of the height-diameter schema.
dbfe_status DescribeHeightDiameterTable(const std::string& path, const char* driver, dbfe_table_desc& table,
                                        dbfe_field_desc (&physical)[4]) {
  dbfe_logical_field logical[4]{};
  for (int i = 0; i < 4; ++i) {
    std::strcpy(logical[i].name, kFieldNames[i]);
    logical[i].type = i == 0 ? DBFE_TYPE_ZSTRING : DBFE_TYPE_FLOAT;
    logical[i].units1 = i == 0 ? 3 : 0;
  }
  std::snprintf(table.name, sizeof table.name, "%s", path.c_str());
  std::snprintf(table.driver, sizeof table.driver, "%s", driver);
  return dbfe_translate_record_structure(driver, 4, logical, physical);
}

}  // namespace

dbfe_status CreateHeightDiameterTable(const std::string& path, bool overwrite, const char* driver) {
  dbfe_table_desc table{};
  dbfe_field_desc physical[4]{};
  dbfe_status status = DescribeHeightDiameterTable(path, driver, table, physical);
  if (status != DBFE_OK) return status;
  dbfe_database database = nullptr;
  status = dbfe_open_database(nullptr, nullptr, DBFE_READ_WRITE, DBFE_SHARED, &database);
  if (status != DBFE_OK) return status;
  status = dbfe_create_table(database, overwrite, &table, 4, physical);
  const dbfe_status closed = dbfe_close_database(&database);
  return status != DBFE_OK ? status : closed;
}

dbfe_status BeginHeightDiameterReplacement(const std::string& path, dbfe_replacement& replacement,
                                           std::string& new_path) {
  dbfe_table_desc table{};
  dbfe_field_desc physical[4]{};
  dbfe_status status = DescribeHeightDiameterTable(path, "DBASE", table, physical);
  if (status != DBFE_OK) return status;
  dbfe_database database = nullptr;
  status = dbfe_open_database(nullptr, nullptr, DBFE_READ_WRITE, DBFE_SHARED, &database);
  if (status != DBFE_OK) return status;
  status = dbfe_begin_replacement(database, &table, 4, physical, &replacement);
  const dbfe_status closed = dbfe_close_database(&database);
  if (status != DBFE_OK) return status;
  if (closed != DBFE_OK) return closed;
  char name[DBFE_MAX_PATH + 1];
  status = dbfe_get_replacement_name(replacement, name, sizeof name);
  new_path = name;
  return status;
}

OpenTable::OpenTable(const std::string& path, dbfe_open_mode mode, dbfe_share_mode share) {
  status_ = dbfe_open_database(nullptr, nullptr, DBFE_READ_WRITE, DBFE_SHARED, &database_);
  if (status_ != DBFE_OK) return;
  status_ = dbfe_open_table(database_, path.c_str(), "DBASE", nullptr, mode, share, true, true, &cursor_);
  if (status_ != DBFE_OK) return;
  dbfe_cursor_props props{};
  status_ = dbfe_get_cursor_props(cursor_, &props);
  record_size_ = props.record_size;
}

OpenTable::~OpenTable() { Close(); }

dbfe_status OpenTable::Close() {
  dbfe_status status = DBFE_OK;
  if (cursor_ != nullptr) status = dbfe_close_cursor(&cursor_);
  if (database_ != nullptr) {
    const dbfe_status closed = dbfe_close_database(&database_);
    if (status == DBFE_OK) status = closed;
  }
  return status;
}

std::vector<std::uint8_t> OpenTable::NewRecord() const {
  std::vector<std::uint8_t> record(record_size_);
  const dbfe_status status = dbfe_init_record(cursor_, record.data());
  if (status != DBFE_OK) throw std::runtime_error("init record: " + FailureMessage(status));
  return record;
}

dbfe_status OpenTable::Fill(std::vector<std::uint8_t>& record, const Row& row) {
  dbfe_status status = dbfe_put_field(cursor_, 1, record.data(), row.drevina.c_str());
  const std::optional<double>* values[] = {&row.tloustka, &row.vyska, &row.hmot};
  for (std::uint16_t i = 0; i < 3 && status == DBFE_OK; ++i) {
    status = dbfe_put_field(cursor_, static_cast<std::uint16_t>(i + 2), record.data(),
                            values[i]->has_value() ? &**values[i] : nullptr);
  }
  return status;
}

dbfe_status OpenTable::Append(const Row& row) {
  std::vector<std::uint8_t> record = NewRecord();
  const dbfe_status status = Fill(record, row);
  if (status != DBFE_OK) return status;
  return dbfe_insert_record(cursor_, DBFE_NO_LOCK, record.data());
}

Row OpenTable::Decode(const std::vector<std::uint8_t>& record) {
  Row row;
  char code[3 * 3 + 1] = {};  // drevina's 3 bytes as UTF-8
  bool empty = false;
  if (dbfe_get_field(cursor_, 1, record.data(), code, &empty) != DBFE_OK) {
    throw std::runtime_error("get field 1: " + FailureMessage(DBFE_ERR_INVALID_FIELD_VALUE));
  }
  row.drevina = code;
  std::optional<double>* values[] = {&row.tloustka, &row.vyska, &row.hmot};
  for (std::uint16_t i = 0; i < 3; ++i) {
    double value = 0.0;
    const dbfe_status status = dbfe_get_field(cursor_, static_cast<std::uint16_t>(i + 2), record.data(), &value, &empty);
    if (status != DBFE_OK) throw std::runtime_error("get field: " + FailureMessage(status));
    if (!empty) *values[i] = value;
  }
  return row;
}

std::vector<Row> OpenTable::ReadAll() {
  std::vector<Row> rows;
  std::vector<std::uint8_t> record(record_size_);
  dbfe_status status = dbfe_set_to_begin(cursor_);
  if (status != DBFE_OK) throw std::runtime_error("set to begin: " + FailureMessage(status));
  while ((status = dbfe_get_next_record(cursor_, DBFE_NO_LOCK, record.data(), nullptr)) == DBFE_OK) {
    rows.push_back(Decode(record));
  }
  if (status != DBFE_ERR_EOF) throw std::runtime_error("get next: " + FailureMessage(status));
  return rows;
}

}  // namespace dbfe::testing
