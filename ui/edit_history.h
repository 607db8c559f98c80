// The record changes a user made to a table in this run, to be undone and
// redone through the table's own operations, record by record. Changes are
// grouped into steps (a paste of many rows is one). A table reopened or
// regenerated forgets them: the rows they name may be other records now.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "data_link.h"
#include "field.h"
#include "table.h"

namespace dravlik {

// Every field's value of one record, in field order.
using RecordValues = std::vector<FieldValue>;

struct RecordChange {
  enum class Kind { Edited, Inserted, Deleted };
  Kind kind;
  int row;
  RecordValues before;  // of an edited or deleted record
  RecordValues after;   // of an edited or inserted record
};

class EditHistory : private TDataLink {
 public:
  explicit EditHistory(TTable& table);

  // The pending record just begun (edit or insert) is the user's: once posted
  // it is recorded. Other pending records (a generator's) are not.
  void Track();
  // Before the user deletes the current record: its stored values.
  RecordValues StoredValues() const;
  void RecordDelete(int row, RecordValues values);

  // Changes recorded while a group lives form one step.
  class Group {
   public:
    explicit Group(EditHistory& history);
    ~Group();
    Group(const Group&) = delete;
    Group& operator=(const Group&) = delete;

   private:
    EditHistory& history_;
  };

  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  std::size_t UndoSteps() const { return undo_.size(); }
  // Replay the last step backwards or the last undone one forwards; on a
  // failure the changes replayed so far move to the other stack and the
  // table's error is raised.
  void Undo();
  void Redo();
  void Clear();

 private:
  using Step = std::vector<RecordChange>;
  struct Pending {
    TDataSetState state;
    int records;
    RecordValues before;
  };

  void ActiveChanged() override { Clear(); }
  void EditingChanged() override;
  void Push(RecordChange change);
  TTable& Table() const { return *DataSet(); }

  std::optional<Pending> pending_;
  std::vector<Step> undo_;
  std::vector<Step> redo_;
  Step open_;
  int groups_ = 0;
};

// The values of the table's current record (its pending ones while editing).
RecordValues CurrentValues(const TTable& table);

}  // namespace dravlik
