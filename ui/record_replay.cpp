#include "record_replay.h"

#include <QCoreApplication>
#include <stdexcept>
#include <variant>

namespace dravlik {
namespace {

[[noreturn]] void Refuse(int row) {
  throw std::runtime_error(QCoreApplication::translate("dravlik::RecordReplay",
                                                       "Row %1 has changed since; it is left as it is")
                               .arg(row + 1)
                               .toStdString());
}

void SetValues(TTable& table, const RecordValues& values) {
  for (int index = 0; index < table.FieldCount() && index < static_cast<int>(values.size()); ++index) {
    TField& field = table.Field(index);
    if (field.ReadOnly()) continue;  // never changed by the user either
    const FieldValue& value = values[static_cast<std::size_t>(index)];
    if (const auto* text = std::get_if<std::string>(&value)) {
      field.SetAsString(*text);
    } else if (const auto* number = std::get_if<double>(&value)) {
      field.SetAsFloat(*number);
    } else {
      field.Clear();
    }
  }
}

// A failed store or post leaves no pending record behind.
void StoreAndPost(TTable& table, const RecordValues& values) {
  try {
    SetValues(table, values);
    table.Post();
  } catch (...) {
    table.Cancel();
    throw;
  }
}

void GoTo(TTable& table, int row, const RecordValues& expected) {
  if (row < 0 || row >= table.RecordCount()) Refuse(row);
  table.MoveTo(row);
  if (CurrentValues(table) != expected) Refuse(row);
}

void Rewrite(TTable& table, int row, const RecordValues& from, const RecordValues& to) {
  GoTo(table, row, from);
  table.Edit();
  StoreAndPost(table, to);
}

void AppendAt(TTable& table, int row, const RecordValues& values) {
  if (row != table.RecordCount()) Refuse(row);
  table.Append();
  StoreAndPost(table, values);
}

void Remove(TTable& table, int row, const RecordValues& values) {
  GoTo(table, row, values);
  table.Delete();
}

// The engine puts every new record at the end: a deleted record goes back to
// its place in the file by moving each record after it one row on.
void Reinsert(TTable& table, int row, const RecordValues& values) {
  const int count = table.RecordCount();
  if (row < 0 || row > count) Refuse(row);
  if (row == count) return AppendAt(table, row, values);
  table.MoveTo(count - 1);
  RecordValues below = CurrentValues(table);
  AppendAt(table, count, below);
  for (int target = count - 1; target > row; --target) {
    table.MoveTo(target - 1);
    RecordValues above = CurrentValues(table);
    Rewrite(table, target, below, above);
    below = std::move(above);
  }
  Rewrite(table, row, below, values);
}

}  // namespace

void ApplyForwards(TTable& table, const RecordChange& change) {
  switch (change.kind) {
    case RecordChange::Kind::Edited:
      return Rewrite(table, change.row, change.before, change.after);
    case RecordChange::Kind::Inserted:
      return AppendAt(table, change.row, change.after);
    case RecordChange::Kind::Deleted:
      return Remove(table, change.row, change.before);
  }
}

void ApplyBackwards(TTable& table, const RecordChange& change) {
  switch (change.kind) {
    case RecordChange::Kind::Edited:
      return Rewrite(table, change.row, change.after, change.before);
    case RecordChange::Kind::Inserted:
      return Remove(table, change.row, change.after);
    case RecordChange::Kind::Deleted:
      return Reinsert(table, change.row, change.before);
  }
}

}  // namespace dravlik
