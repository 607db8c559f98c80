// The main window: the two tables in two grids, and a button for each that
// regenerates its table.
#pragma once

#include <QFrame>
#include <QWidget>
#include <memory>

#include "session.h"

class QPushButton;

namespace dravlik {

class GridSplitter;
class StatusLine;
class TDataSource;
class TDBGrid;
class TTable;

// A panel with its caption centred.
class TPanel : public QFrame {
  Q_OBJECT
 public:
  TPanel(const QString& caption, QWidget* parent);
  const QString& Caption() const { return caption_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
};

class TSpDravlik : public QWidget {
  Q_OBJECT
 public:
  // Both tables closed, both grids empty.
  explicit TSpDravlik(TSession& session = Session(), QWidget* parent = nullptr);
  ~TSpDravlik() override;

  void Button1Click();
  void Button2Click();
  void GenerateSiteClassTable();
  void GenerateHeightDiameterTable();

  // The components, named as in the window's layout. The window owns them.
  std::unique_ptr<TTable> Table1;
  std::unique_ptr<TTable> Table2;
  TDataSource* DataSource1;
  TDataSource* DataSource2;
  TDBGrid* DBGrid1;
  TPanel* Panel1;
  QPushButton* Button1;
  QPushButton* Button2;
  TDBGrid* DBGrid2;
  // Beyond the layout: the handle between the grids, and the line in the
  // panel's free space that reports on the grid last used.
  GridSplitter* Splitter;
  StatusLine* Status;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // A record being edited is saved, discarded or kept open first.
  void closeEvent(QCloseEvent* event) override;

 private:
  // At the designed size every component stands where designed; beyond it the
  // grids take the extra space, split where the user last put the boundary.
  void LayOut();
  int Boundary() const;
  void MoveBoundary(int x);
  void FollowFocus(QWidget* now);

  // The boundary's share of the width, once the user has moved it.
  double boundaryShare_ = -1;
};

// The window's font: "MS Sans Serif" at 8 points, or the nearest sans-serif
// where the machine lacks it.
QFont WindowFont();

}  // namespace dravlik
