// The rows of a data source's table as an item model: one column per field in
// field order, titled with the field name. It asks the table only for the rows
// a view shows, so a large table costs no more than what is on screen.
#pragma once

#include <QAbstractTableModel>

#include "data_link.h"
#include "field.h"

namespace dravlik {

class TDataSource;
class TTable;

class DataSetModel : public QAbstractTableModel, private TDataLink {
  Q_OBJECT
 public:
  // Vertical header data under this role: what the indicator column shows.
  static constexpr int kIndicatorRole = Qt::UserRole + 1;
  enum class Indicator { None, Current, Edit, Insert };
  Q_ENUM(Indicator)

  explicit DataSetModel(TDataSource& source, QObject* parent = nullptr);

  TTable& Table() const;
  // The row of the current record (the pending new record in insert state),
  // or -1 when there is none.
  int CurrentRow() const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Brings the model up to the table now. Changes are otherwise applied once
  // control is back in the event loop, so that a generator's thousands of rows
  // cost one refresh.
  void Refresh();

 signals:
  // The model has caught up with the table.
  void refreshed();

 private:
  void ActiveChanged() override;
  void DataSetChanged() override { Invalidate(); }
  void DataSetScrolled() override { Invalidate(); }
  void RecordChanged(const TField&) override { Invalidate(); }
  void EditingChanged() override { Invalidate(); }

  bool Holds(const QModelIndex& index) const;
  void Invalidate();
  void RefreshIfPending();
  QVariant CellText(const QModelIndex& index) const;

  TDataSource& source_;
  int rows_ = 0;
  int columns_ = 0;
  bool pending_ = false;
  bool reopened_ = false;
  // After a failed read the model shows empty cells until the table is
  // reopened, rather than failing again on every repaint.
  mutable bool readFailed_ = false;
};

// A field value as a grid shows it: text as stored, a float in general format
// with up to 15 significant digits and the user's decimal separator.
QString GridText(const FieldValue& value);

}  // namespace dravlik
