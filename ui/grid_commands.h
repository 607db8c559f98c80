// What a grid offers beyond its specified keys, from keys the key table
// leaves free and from a context menu (also Shift+F10 and the Menu key):
// copying and pasting cells (Ctrl+C, Ctrl+V), clearing a cell (Delete),
// undoing and redoing changes (Ctrl+Z, Ctrl+Y), exporting the table as CSV
// (Ctrl+E), finding a record (Ctrl+F, F3), opening the table as saved
// (Ctrl+O), the growth curves of the current row (Ctrl+K) and the site index
// of its stand.
#pragma once

#include <QObject>
#include <QPointer>

#include "find_bar.h"

class QMenu;

namespace dravlik {

class TDBGrid;
class TTable;

class GridCommands : public QObject {
  Q_OBJECT
 public:
  // Belongs to the grid and takes its context menu.
  explicit GridCommands(TDBGrid& grid);

  void Copy();
  // The clipboard's text as a block of cells from the current cell on.
  void Paste();
  void ClearCell();
  void Undo();
  void Redo();
  // Asks for a file name and writes the whole table there.
  void ExportCsv();
  void OpenFind();
  void FindNext();
  // Shows the table file as it is on disk, without regenerating it; a record
  // being edited is settled first.
  void OpenSavedTable();
  void ShowGrowthCurves();
  void ShowSiteIndex();

  // The find bar, once the user opened it; otherwise null.
  FindBar* Bar() const { return bar_; }
  // The context menu's entries for the grid's state now.
  void AddMenuEntries(QMenu& menu);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TTable& Table() const;
  void ShowMenu(const QPoint& position);
  void ShowMenuAtCurrentCell();
  void Run(void (GridCommands::*command)());

  TDBGrid& grid_;
  QPointer<FindBar> bar_;
};

}  // namespace dravlik
