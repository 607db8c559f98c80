// The in-place editor of a grid cell and the delegate that makes it. The grid,
// not the delegate, decides when the editor's text goes into the field.
#pragma once

#include <QLineEdit>
#include <QStyledItemDelegate>

namespace dravlik {

class TDBGrid;

class CellEditor : public QLineEdit {
  Q_OBJECT
 public:
  CellEditor(TDBGrid& grid, QWidget* parent);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  bool BelongsToGrid(const QKeyEvent& event) const;
  TDBGrid& grid_;
};

class CellDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  explicit CellDelegate(TDBGrid& grid);

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
  // Shows the field's text unless the user has changed the editor's.
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  // The grid writes the text through the field itself.
  void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}

 protected:
  // Keys and focus changes go to the editor and the grid, not to the view's
  // own commit-and-close handling.
  bool eventFilter(QObject*, QEvent*) override { return false; }

 private:
  TDBGrid& grid_;
};

}  // namespace dravlik
