// Test support for the table layer: a fresh working directory per test, tables
// of the two schemas, and the message of an error.
#pragma once

#include <limits>
#include <memory>
#include <string>

#include "database_error.h"
#include "schemas.h"
#include "table.h"
#include "working_directory_for_tests.h"

namespace dravlik::testing {

class TableTest : public InFreshDirectory {
 protected:
  // A fresh, open site-class table.
  static std::unique_ptr<TTable> OpenSiteClassTable() {
    auto table = MakeSiteClassTable();
    table->CreateTable();
    table->Close();  // the new, empty table in place
    table->Open();
    return table;
  }

  // Inserts and posts a record with a species code and a height.
  static void AddRow(TTable& table, const std::string& species, double height) {
    table.Insert();
    table.FieldByName("DREVINA").SetAsString(species);
    table.FieldByName("VYSKA").SetAsFloat(height);
    table.Post();
  }

  // The value of a float field in a row; NaN where it is null.
  static double Number(TTable& table, int row, const char* fieldName) {
    const FieldValue value = table.RowValue(row, FieldIndex(table, fieldName));
    const double* number = std::get_if<double>(&value);
    return number ? *number : std::numeric_limits<double>::quiet_NaN();
  }

  static int FieldIndex(TTable& table, const char* fieldName) {
    for (int i = 0; i < table.FieldCount(); ++i) {
      if (&table.Field(i) == &table.FieldByName(fieldName)) return i;
    }
    return -1;
  }
};

// The message of the error of type `Error` (by default any error of the table
// layer) that `operation` raises, or "(no error)".
template <class Error = EDatabaseError, class Operation>
std::string MessageOf(Operation operation) {
  try {
    operation();
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

}  // namespace dravlik::testing
