// The growth curves of one species in a window of their own: height and
// diameter over age for every site index the site-class table samples, and the
// volume of a tree over diameter at a chosen height, with a table's current
// row marked among them. Each chart can be saved as PNG or SVG.
#pragma once

#include <QWidget>
#include <optional>

#include "chart_file.h"
#include "growth_chart.h"
#include "growth_curve_series.h"

class QChartView;
class QDoubleSpinBox;
class QSpinBox;
class QTabWidget;

namespace dravlik {

class TTable;

// What the window takes from a table's current row; a key the table lacks or
// leaves empty is absent.
struct CurvesRow {
  vzorce::SpeciesIndex species = 0;
  std::optional<double> siteIndex;
  std::optional<double> age;
  std::optional<double> height;
  std::optional<double> diameter;
  // A stand's age and mean height, marked on the height chart as measured
  // rather than on a curve.
  std::optional<QPointF> stand = {};
};

class GrowthCurvesWindow : public QWidget {
  Q_OBJECT
 public:
  enum Tab { kHeightTab, kDiameterTab, kVolumeTab };

  // For a modelled species.
  explicit GrowthCurvesWindow(const CurvesRow& row, QWidget* parent = nullptr,
                              const vzorce::ModelSet& models = {});

  QTabWidget* Tabs() const { return tabs_; }
  QChartView* View(Tab tab) const;
  QDoubleSpinBox* VolumeHeight() const { return volumeHeight_; }
  // The saved image's size; at their lowest, the view's.
  QSpinBox* ImageWidth() const { return imageWidth_; }
  QSpinBox* ImageHeight() const { return imageHeight_; }

  // Sizes and places the window within a screen's available area.
  void FitTo(const QRect& available);

  // Asks for a file name and writes the chart of the tab shown there; a
  // failure is shown with its reason.
  void SaveChart(ChartFormat format);

 private:
  QWidget* MakeVolumePage();
  QWidget* MakeButtons();
  QWidget* MakeImageSize();
  GrowthChartContent AgeChart(bool diameter) const;
  std::optional<MarkedPoint> CurrentRowMark(bool diameter) const;
  GrowthChartContent VolumeChart(double height) const;
  GrowthChartContent ContentOf(int tab) const;
  QSize ImageSize() const;
  void ShowVolumeAt(double height);

  CurvesRow row_;
  vzorce::ModelSet models_;
  QTabWidget* tabs_;
  QChartView* views_[3] = {};
  QDoubleSpinBox* volumeHeight_ = nullptr;
  QSpinBox* imageWidth_ = nullptr;
  QSpinBox* imageHeight_ = nullptr;
};

// Opens a curves window for the species of the table's current row, or tells
// the user why there is none.
void ShowGrowthCurves(QWidget* parent, TTable& table);

// The current row's values when it has a modelled species.
std::optional<CurvesRow> CurrentCurvesRow(const TTable& table);

}  // namespace dravlik
