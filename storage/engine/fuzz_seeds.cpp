// Writes a few valid tables through the engine, as seeds for the fuzzer: the
// height-diameter table, and the site-class table with its species field as
// wide as the program makes it and wider, holding text beyond ASCII.
#include <cstdio>
#include <cstring>
#include <string>

#include "test_rows.h"

using namespace dbfe::testing;

namespace {

dbfe_status CreateSiteClassTable(const std::string& path, std::uint16_t species_width) {
  const char* names[] = {"DREVINA", "BONITA", "VEK", "VYSKA", "TLOUSTKA", "HMOT"};
  dbfe_logical_field logical[6]{};
  for (int i = 0; i < 6; ++i) {
    std::strcpy(logical[i].name, names[i]);
    logical[i].type = i == 0 ? DBFE_TYPE_ZSTRING : DBFE_TYPE_FLOAT;
    logical[i].units1 = i == 0 ? species_width : 0;
  }
  dbfe_field_desc physical[6]{};
  dbfe_status status = dbfe_translate_record_structure("DBASE", 6, logical, physical);
  if (status != DBFE_OK) return status;
  dbfe_database database = nullptr;
  status = dbfe_open_database(nullptr, nullptr, DBFE_READ_WRITE, DBFE_SHARED, &database);
  if (status != DBFE_OK) return status;
  dbfe_table_desc table{};
  std::snprintf(table.name, sizeof table.name, "%s", path.c_str());
  std::snprintf(table.driver, sizeof table.driver, "%s", "DBASE");
  status = dbfe_create_table(database, true, &table, 6, physical);
  const dbfe_status closed = dbfe_close_database(&database);
  return status != DBFE_OK ? status : closed;
}

dbfe_status AppendSiteClassRows(const std::string& path) {
  OpenTable table(path);
  if (table.status() != DBFE_OK) return table.status();
  const char* species[] = {"SM ", "ŘŽŠ", "Žluťoučký kůň €", ""};
  for (int row = 0; row < 4; ++row) {
    std::vector<std::uint8_t> record = table.NewRecord();
    dbfe_status status = dbfe_put_field(table.cursor(), 1, record.data(), species[row]);
    for (std::uint16_t field = 2; field <= 6 && status == DBFE_OK; ++field) {
      const double value = row * 10.0 + field / 4.0;
      status = dbfe_put_field(table.cursor(), field, record.data(), row == 3 ? nullptr : &value);
    }
    if (status == DBFE_OK) status = dbfe_insert_record(table.cursor(), DBFE_NO_LOCK, record.data());
    if (status != DBFE_OK) return status;
  }
  return table.Close();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 64;
  const std::string directory = argv[1];
  EngineSession session;
  const std::string empty = directory + "/empty.dbf";
  const std::string rows = directory + "/rows.dbf";
  if (CreateHeightDiameterTable(empty) != DBFE_OK || CreateHeightDiameterTable(rows, true, "FOXPRO") != DBFE_OK) {
    return 1;
  }
  {
    OpenTable table(rows);
    for (std::uint64_t i = 0; i < 6; ++i) {
      if (table.Append(RowAt(i)) != DBFE_OK) return 1;
    }
    if (dbfe_set_to_seq_no(table.cursor(), 2) != DBFE_OK || dbfe_delete_record(table.cursor()) != DBFE_OK) return 1;
    if (table.Close() != DBFE_OK) return 1;
  }
  for (const std::uint16_t width : {3, 16, 254}) {
    const std::string site_class = directory + "/site_class_" + std::to_string(width) + ".dbf";
    if (CreateSiteClassTable(site_class, width) != DBFE_OK || AppendSiteClassRows(site_class) != DBFE_OK) return 1;
  }
  return 0;
}
