#include "schemas.h"

namespace dravlik {

std::unique_ptr<TTable> MakeSiteClassTable(TSession& session) {
  auto table = std::make_unique<TTable>("Table1", "bon_Hm1.dbf", session);
  table->AddStringField("Table1DREVINA", "DREVINA", 3);
  for (const char* name : {"BONITA", "VEK", "VYSKA", "TLOUSTKA", "HMOT"}) {
    table->AddFloatField(std::string("Table1") + name, name);
  }
  return table;
}

std::unique_ptr<TTable> MakeHeightDiameterTable(TSession& session) {
  auto table = std::make_unique<TTable>("Table2", "TloVysHm.dbf", session);
  table->AddStringField("Table2drevina", "drevina", 3);
  for (const char* name : {"tloustka", "vyska", "hmot"}) table->AddFloatField(std::string("Table2") + name, name);
  return table;
}

}  // namespace dravlik
