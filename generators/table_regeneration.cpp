#include "table_regeneration.h"

#include "table.h"

namespace dravlik {

TableRegeneration::TableRegeneration(TTable& table) : table_(table) {
  table_.CreateTable();
  try {
    table_.Open();
  } catch (...) {
    table_.AbandonReplacement();
    throw;
  }
}

TableRegeneration::~TableRegeneration() {
  if (!finished_) table_.AbandonReplacement();
}

void TableRegeneration::Finish() {
  table_.Close();
  finished_ = true;
  table_.Open();
}

}  // namespace dravlik
