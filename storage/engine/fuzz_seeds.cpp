// Writes a few valid tables through the engine, as seeds for the fuzzer.
#include <cstring>
#include <string>

#include "test_rows.h"

using namespace dbfe::testing;

int main(int argc, char** argv) {
  if (argc != 2) return 64;
  const std::string directory = argv[1];
  EngineSession session;
  const std::string empty = directory + "/empty.dbf";
  const std::string rows = directory + "/rows.dbf";
  if (CreateHeightDiameterTable(empty) != DBFE_OK || CreateHeightDiameterTable(rows, true, "FOXPRO") != DBFE_OK) {
    return 1;
  }
  OpenTable table(rows);
  for (std::uint64_t i = 0; i < 6; ++i) {
    if (table.Append(RowAt(i)) != DBFE_OK) return 1;
  }
  dbfe_set_to_seq_no(table.cursor(), 2);
  dbfe_delete_record(table.cursor());
  return table.Close() == DBFE_OK ? 0 : 1;
}
