// Creating a table: the new empty file is written beside the old one under a
// temporary name and renamed over it, so a failure leaves the old file whole
// and a symbolic link in the table's place is replaced, never written through.
// The old file must not be open anywhere: its exclusive lock is taken (without
// waiting) and held until the new file is in place.
#pragma once

#include <string>

#include "file_layout.h"

namespace dbfe {

// Throws DBFE_ERR_TABLE_EXISTS (an existing table without `overwrite`),
// DBFE_ERR_TABLE_IN_USE or DBFE_ERR_CREATE_FAILED, naming the table.
void CreateTable(const std::string& path, const TableLayout& layout, bool overwrite);

}  // namespace dbfe
