#include "data_set_model.h"

#include <QLocale>

#include "application.h"
#include "data_source.h"
#include "table.h"

namespace dravlik {

QString GridText(const FieldValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return QString::fromStdString(*text);
  if (const auto* number = std::get_if<double>(&value)) {
    return QString::fromStdString(FormatFloat(*number)).replace(u'.', QLocale().decimalPoint());
  }
  return QString();
}

DataSetModel::DataSetModel(TDataSource& source, QObject* parent) : QAbstractTableModel(parent), source_(source) {
  Table().AddLink(*this);
  Refresh();
}

TTable& DataSetModel::Table() const { return source_.DataSet(); }

int DataSetModel::CurrentRow() const {
  const int row = Table().CurrentRow();
  return row < rows_ ? row : -1;
}

bool DataSetModel::Holds(const QModelIndex& index) const {
  return index.isValid() && index.model() == this && index.row() < rows_ && index.column() < columns_;
}

int DataSetModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int DataSetModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
  if (!Holds(index)) return QVariant();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return CellText(index);
    case Qt::TextAlignmentRole: {
      const bool number = Table().Field(index.column()).DataType() == ftFloat;
      return static_cast<int>(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
    }
    default:
      return QVariant();
  }
}

QVariant DataSetModel::CellText(const QModelIndex& index) const {
  if (readFailed_) return QString();
  try {
    return GridText(Table().RowValue(index.row(), index.column()));
  } catch (...) {
    // Thrown from here the error would unwind through the view's painting.
    readFailed_ = true;
    if (TApplication* application = TApplication::Instance()) {
      application->PostException(std::current_exception());
    }
    return QString();
  }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal) {
    if (section < 0 || section >= columns_) return QVariant();
    if (role == Qt::DisplayRole) return QString::fromStdString(Table().Field(section).DisplayName());
    if (role == Qt::TextAlignmentRole) return static_cast<int>(Qt::AlignLeft | Qt::AlignVCenter);
    return QVariant();
  }
  if (role != kIndicatorRole || section < 0 || section >= rows_ || section != CurrentRow()) return QVariant();
  switch (Table().State()) {
    case dsEdit: return QVariant::fromValue(Indicator::Edit);
    case dsInsert: return QVariant::fromValue(Indicator::Insert);
    default: return QVariant::fromValue(Indicator::Current);
  }
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex& index) const {
  if (!Holds(index)) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (Table().CanModify() && !Table().Field(index.column()).ReadOnly()) flags |= Qt::ItemIsEditable;
  return flags;
}

void DataSetModel::ActiveChanged() {
  if (!DataSet()) return;  // the table is going away, and the model with it
  reopened_ = true;
  Invalidate();
}

void DataSetModel::Invalidate() {
  if (pending_) return;
  pending_ = true;
  QMetaObject::invokeMethod(this, &DataSetModel::RefreshIfPending, Qt::QueuedConnection);
}

void DataSetModel::RefreshIfPending() {
  if (pending_) Refresh();
}

void DataSetModel::Refresh() {
  pending_ = false;
  const TTable& table = Table();
  const int rows = table.Active() ? table.RowCount() : 0;
  const int columns = table.Active() ? table.FieldCount() : 0;
  if (reopened_ || rows != rows_ || columns != columns_) {
    beginResetModel();
    rows_ = rows;
    columns_ = columns;
    reopened_ = false;
    readFailed_ = false;
    endResetModel();
  } else if (rows_ > 0) {
    // Cheaper than telling which rows moved: a view repaints what it shows.
    emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
    emit headerDataChanged(Qt::Vertical, 0, rows_ - 1);
  }
  emit refreshed();
}

}  // namespace dravlik
