// A generator's hold on the table it regenerates. The new rows take the old
// file's place only when Finish closes the table whole; a generation that
// ends any other way (an error on the way out of the generator) abandons
// them, so the old file stays as it was and the rows posted so far, still
// shown, can no longer be changed as if they would be kept.
#pragma once

namespace dravlik {

class TTable;

class TableRegeneration {
 public:
  // Recreates the closed table and opens it on the new, empty table.
  explicit TableRegeneration(TTable& table);
  ~TableRegeneration();
  TableRegeneration(const TableRegeneration&) = delete;
  TableRegeneration& operator=(const TableRegeneration&) = delete;

  // Puts the new table in place and opens it again from its first row.
  void Finish();

 private:
  TTable& table_;
  bool finished_ = false;
};

}  // namespace dravlik
