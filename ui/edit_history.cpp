#include "edit_history.h"

#include <utility>

#include "record_replay.h"

namespace dravlik {

RecordValues CurrentValues(const TTable& table) {
  RecordValues values;
  values.reserve(static_cast<std::size_t>(table.FieldCount()));
  for (int field = 0; field < table.FieldCount(); ++field) values.push_back(table.Field(field).Value());
  return values;
}

EditHistory::EditHistory(TTable& table) { table.AddLink(*this); }

void EditHistory::Track() {
  if (!DataSet()) return;
  const TTable& table = Table();
  const TDataSetState state = table.State();
  if (state != dsEdit && state != dsInsert) return;
  // Tracked already: the values before are those from when it began.
  if (pending_ && pending_->state == state) return;
  pending_ = Pending{state, table.RecordCount(), state == dsEdit ? CurrentValues(table) : RecordValues{}};
}

RecordValues EditHistory::StoredValues() const {
  if (pending_ && pending_->state == dsEdit && Table().State() == dsEdit) return pending_->before;
  return CurrentValues(Table());
}

void EditHistory::EditingChanged() {
  if (!pending_ || !DataSet()) return;
  const TTable& table = Table();
  if (table.State() == pending_->state) return;
  const Pending pending = *std::exchange(pending_, std::nullopt);
  if (table.State() != dsBrowse) return;
  // A cancel leaves the count as it was; a post of a new record adds one at
  // the end; a delete from edit state takes one away and records itself.
  if (pending.state == dsEdit && table.RecordCount() == pending.records) {
    RecordValues after = CurrentValues(table);
    if (after != pending.before) {
      Push({RecordChange::Kind::Edited, table.CurrentRow(), pending.before, std::move(after)});
    }
  } else if (pending.state == dsInsert && table.RecordCount() == pending.records + 1) {
    Push({RecordChange::Kind::Inserted, table.RecordCount() - 1, {}, CurrentValues(table)});
  }
}

void EditHistory::RecordDelete(int row, RecordValues values) {
  Push({RecordChange::Kind::Deleted, row, std::move(values), {}});
}

void EditHistory::Push(RecordChange change) {
  redo_.clear();
  if (groups_ > 0) {
    open_.push_back(std::move(change));
  } else {
    undo_.push_back(Step{std::move(change)});
  }
}

EditHistory::Group::Group(EditHistory& history) : history_(history) { ++history_.groups_; }

EditHistory::Group::~Group() {
  if (--history_.groups_ > 0 || history_.open_.empty()) return;
  history_.undo_.push_back(std::move(history_.open_));
  history_.open_.clear();
}

void EditHistory::Undo() {
  if (undo_.empty() || !DataSet()) return;
  Step& step = undo_.back();
  // Backwards from the last change: those undone are always a tail of the step.
  std::size_t remaining = step.size();
  const auto settle = [&] {
    if (remaining < step.size()) redo_.emplace_back(step.begin() + static_cast<std::ptrdiff_t>(remaining), step.end());
    step.resize(remaining);
    if (step.empty()) undo_.pop_back();
  };
  try {
    for (; remaining > 0; --remaining) ApplyBackwards(Table(), step[remaining - 1]);
  } catch (...) {
    settle();
    throw;
  }
  settle();
}

void EditHistory::Redo() {
  if (redo_.empty() || !DataSet()) return;
  Step& step = redo_.back();
  // Forwards from the first change: those redone are always a head of the step.
  std::size_t done = 0;
  const auto settle = [&] {
    if (done > 0) undo_.emplace_back(step.begin(), step.begin() + static_cast<std::ptrdiff_t>(done));
    step.erase(step.begin(), step.begin() + static_cast<std::ptrdiff_t>(done));
    if (step.empty()) redo_.pop_back();
  };
  try {
    for (; done < step.size(); ++done) ApplyForwards(Table(), step[done]);
  } catch (...) {
    settle();
    throw;
  }
  settle();
}

void EditHistory::Clear() {
  pending_.reset();
  undo_.clear();
  redo_.clear();
  open_.clear();
}

}  // namespace dravlik
