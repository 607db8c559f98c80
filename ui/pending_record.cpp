#include "pending_record.h"

#include <QFileInfo>

#include "application.h"
#include "data_source.h"
#include "db_grid.h"
#include "table.h"

namespace dravlik {

bool PendingRecord::Settle(TDBGrid& grid) {
  bool settled = false;
  ShowingErrors([&] { settled = Resolve(grid); });
  return settled;
}

bool PendingRecord::Resolve(TDBGrid& grid) {
  TTable& table = grid.DataSource().DataSet();
  grid.SettleEditor();
  if (!table.Active() || (table.State() != dsEdit && table.State() != dsInsert)) return true;
  // Nothing typed, nothing to lose.
  if (!table.Modified()) {
    table.Cancel();
    return true;
  }
  const QString file = QFileInfo(QString::fromStdString(table.TableName())).fileName();
  const QString question = table.State() == dsInsert
                               ? tr("The new record in %1 has not been saved. Save it?").arg(file)
                               : tr("The changes to the current record in %1 have not been saved. Save them?").arg(file);
  TApplication& application = *TApplication::Instance();
  switch (application.Dialogs().AskSave(application.Title(), question)) {
    case SaveAnswer::Save:
      table.Post();
      return true;
    case SaveAnswer::Discard:
      table.Cancel();
      return true;
    case SaveAnswer::Stay:
      break;
  }
  return false;
}

}  // namespace dravlik
