// The fields of a table's file against those of the table the models fill: a
// field the models lack, a field the file lacks, a field twice, fields out of
// order, a field of the other type. The rows can still be compared on the
// fields both have, as long as the file has the key fields.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "table.h"
#include "table_file_reader.h"

namespace dravlik {

struct FileFields {
  std::vector<std::string> differences;  // one line each, starting with the table's name
  std::vector<std::string> keysLacking;  // key fields the file lacks or holds as the other type
  // Reading the file, with those of the models' fields it holds; none while
  // a key field is lacking.
  std::unique_ptr<TableFileReader> file;
};

// Reads the fields of `schema`'s file (the models' table's, with its first
// `keyFields` fields the keys) through a cursor of its own, which keeps the
// file from being replaced until the reader of the comparable fields is open
// on it.
FileFields OpenWithFileFields(const TTable& schema, TSession& session, int keyFields);

}  // namespace dravlik
