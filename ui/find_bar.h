// A small bar over the bottom of a grid's rows for finding a record by its
// species code and key values: Enter finds the first match, F3 the next after
// the current record, Escape closes the bar. It lies inside the grid's own
// area, so nothing else in the window moves.
#pragma once

#include <QFrame>
#include <optional>
#include <utility>
#include <vector>

#include "row_finder.h"

class QLabel;
class QLineEdit;

namespace dravlik {

class TDBGrid;

class FindBar : public QFrame {
  Q_OBJECT
 public:
  explicit FindBar(TDBGrid& grid);

  // Shows the bar and puts the focus in its first field.
  void Open();
  // Hides the bar; the focus goes back to the grid if it was in the bar.
  void Close();
  void FindFirst();
  void FindNext();

  // The input for a field of the table, or null.
  QLineEdit* Input(int field) const;
  QString Message() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // Tab goes round the bar's fields; the grid would take it as a move.
  bool focusNextPrevChild(bool next) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Find(int from, const QString& miss);
  // Makes `row` current and shows it, the columns staying as they were.
  void ShowRow(int row);
  // Nothing, with the reason in the bar, when the fields do not make a query.
  std::optional<RowQuery> Query();
  void Place();
  void FocusChanged(QWidget* old, QWidget* now);
  bool GridAlive() const;

  TDBGrid& grid_;
  std::vector<std::pair<int, QLineEdit*>> inputs_;
  QLabel* message_;
};

}  // namespace dravlik
