// Links a grid to its table.
#pragma once

#include <QObject>

namespace dravlik {

class TTable;

class TDataSource : public QObject {
  Q_OBJECT
 public:
  TDataSource(TTable& dataSet, QObject* parent = nullptr) : QObject(parent), dataSet_(dataSet) {}
  TTable& DataSet() const { return dataSet_; }

 private:
  TTable& dataSet_;
};

}  // namespace dravlik
