// How a grid follows its table: the table tells every subscribed link what
// changed, and asks them to write back pending cell edits before it posts.
//
// The notifications, in the order a table sends them:
// - open: ActiveChanged, DataSetChanged; close: the same, with the table
//   inactive;
// - insert, append, edit: EditingChanged, then DataSetChanged for insert and
//   append (a row appeared);
// - storing a field value: RecordChanged;
// - post: UpdateData first, then EditingChanged and DataSetChanged;
// - cancel, delete: EditingChanged, DataSetChanged;
// - moving to another row: DataSetScrolled (after the post or cancel of a
//   pending record, with their own notifications).
// A table that is destroyed detaches its links and calls their ActiveChanged
// with DataSet() null; nothing may be raised then.
// A handler may read the table but must not change it; what it raises passes
// to the caller of the table operation.
#pragma once

namespace dravlik {

class TField;
class TTable;

class TDataLink {
 public:
  TDataLink() = default;
  virtual ~TDataLink();
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  // The table this link follows, or null.
  TTable* DataSet() const { return dataSet_; }

  // The table was opened or closed.
  virtual void ActiveChanged() {}
  // The rows changed (open, close, post, cancel, delete, insert, append): read
  // them again.
  virtual void DataSetChanged() {}
  // The current row moved.
  virtual void DataSetScrolled() {}
  // A field of the current record was stored.
  virtual void RecordChanged(const TField& field) { (void)field; }
  // The table entered or left the edit or insert state.
  virtual void EditingChanged() {}
  // Write pending cell edits into the fields now.
  virtual void UpdateData() {}

 private:
  friend class TTable;
  TTable* dataSet_ = nullptr;
};

}  // namespace dravlik
