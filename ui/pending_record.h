// A record the user is editing or inserting, settled before anything that
// would drop it: closing the window or reopening its table.
#pragma once

#include <QCoreApplication>

namespace dravlik {

class TDBGrid;

class PendingRecord {
  Q_DECLARE_TR_FUNCTIONS(dravlik::PendingRecord)

 public:
  // Writes the grid's cell editor into its field, then asks whether to save a
  // changed record, discard it or stay. True when the caller may go on: nothing
  // was pending, or it was saved or discarded. False to stay, also when saving
  // failed; the error has been shown then.
  static bool Settle(TDBGrid& grid);

 private:
  static bool Resolve(TDBGrid& grid);
};

}  // namespace dravlik
