// How a grid follows its table: the table tells every subscribed link what
// changed, and asks them to write back pending cell edits before it posts.
#pragma once

namespace dravlik {

class TField;

class TDataLink {
 public:
  virtual ~TDataLink() = default;
  // The table was opened or closed.
  virtual void ActiveChanged() {}
  // The rows changed (post, cancel, delete, insert, append): read them again.
  virtual void DataSetChanged() {}
  // The current row moved.
  virtual void DataSetScrolled() {}
  // A field of the current record was stored.
  virtual void RecordChanged(const TField& field) { (void)field; }
  // The table entered or left the edit or insert state.
  virtual void EditingChanged() {}
  // Write pending cell edits into the fields now.
  virtual void UpdateData() {}
};

}  // namespace dravlik
