#include "growth_curves_window.h"

#include <QChartView>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>
#include <exception>
#include <string>
#include <string_view>

#include "application.h"
#include "output_file.h"
#include "site_index_tool.h"
#include "table.h"

namespace dravlik {

using vzorce::SpeciesIndex;

namespace {

constexpr double kDefaultVolumeHeight = 25;
constexpr int kLargestDiameter = 80;  // as in the height-diameter table
constexpr int kWidestDiameter = 300;  // a typing error must not ask for millions of points
constexpr double kTallestStand = 80;   // taller is a typing error that would squash the curves

bool Within(const std::optional<double>& value, double lowest, double highest) {
  return value && *value >= lowest && *value <= highest;
}

QString SpeciesCodeText(SpeciesIndex species) {
  std::string code;
  vzorce::SpeciesCode(species, code);
  return QString::fromStdString(code).trimmed();
}

QChartView* MakeView(QChart* chart) {
  auto* view = new QChartView(chart);
  view->setRenderHint(QPainter::Antialiasing);
  return view;
}

}  // namespace

GrowthCurvesWindow::GrowthCurvesWindow(const CurvesRow& row, QWidget* parent, const vzorce::ModelSet& models)
    : QWidget(parent, Qt::Window), row_(row), models_(models), tabs_(new QTabWidget) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(tr("Growth curves – %1").arg(SpeciesCodeText(row.species)));
  views_[kHeightTab] = MakeView(MakeGrowthChart(AgeChart({tr("Height"), tr("m")}, false)));
  views_[kDiameterTab] = MakeView(MakeGrowthChart(AgeChart({tr("Diameter"), tr("cm")}, true)));
  tabs_->addTab(views_[kHeightTab], tr("Height"));
  tabs_->addTab(views_[kDiameterTab], tr("Diameter"));
  tabs_->addTab(MakeVolumePage(), tr("Volume"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(MakeButtons());
  resize(960, 620);
}

QChartView* GrowthCurvesWindow::View(Tab tab) const { return views_[tab]; }

GrowthChartContent GrowthCurvesWindow::AgeChart(const ChartQuantity& quantity, bool diameter) const {
  const QString title = diameter ? tr("%1: diameter by age and site index") : tr("%1: height by age and site index");
  GrowthChartContent content{title.arg(SpeciesCodeText(row_.species)), {tr("Age"), tr("years")}, quantity, {}, {},
                             tr("young-stand model")};
  for (int siteIndex : SampledSiteIndices(row_.species)) {
    content.curves.push_back({tr("Site index %1").arg(siteIndex),
                              diameter ? DiameterOverAge(models_, row_.species, siteIndex)
                                       : HeightOverAge(models_, row_.species, siteIndex)});
  }
  // The row is marked where the curves are drawn.
  const vzorce::SiteIndexRange range = vzorce::SiteIndexRangeOf(row_.species);
  if (Within(row_.age, 0, vzorce::MaximumAge(row_.species)) && Within(row_.siteIndex, range.lowest, range.highest)) {
    const std::optional<double> value = diameter ? DiameterAt(models_, row_.species, *row_.age, *row_.siteIndex)
                                                 : HeightAt(models_, row_.species, *row_.age, *row_.siteIndex);
    if (value) content.marked = MarkedPoint{tr("Current row"), QPointF(*row_.age, *value)};
  }
  // A measured stand may lie off every curve, but not off the chart.
  if (!diameter && row_.stand && Within(row_.stand->x(), 0, vzorce::MaximumAge(row_.species)) &&
      Within(row_.stand->y(), 0, kTallestStand)) {
    content.stand = MarkedPoint{tr("Stand"), *row_.stand};
  }
  return content;
}

GrowthChartContent GrowthCurvesWindow::VolumeChart(double height) const {
  const bool rowDrawn = Within(row_.diameter, 0, kWidestDiameter);
  const int largest = rowDrawn ? std::max(kLargestDiameter, int(std::ceil(*row_.diameter))) : kLargestDiameter;
  GrowthChartContent content{tr("%1: volume of a tree by diameter").arg(SpeciesCodeText(row_.species)),
                             {tr("Diameter"), tr("cm")}, {tr("Volume"), tr("m³")}, {}, {}, {}};
  content.curves.push_back({tr("Height %1 m").arg(ExactNumber(height)),
                            VolumeOverDiameter(models_, row_.species, height, largest)});
  // The row sits on this curve only while the box shows its height.
  if (rowDrawn && row_.height && std::abs(height - *row_.height) < 0.05) {
    const std::optional<double> volume = VolumeAt(models_, row_.species, *row_.diameter, height);
    if (volume) content.marked = MarkedPoint{tr("Current row"), QPointF(*row_.diameter, *volume)};
  }
  return content;
}

QWidget* GrowthCurvesWindow::MakeVolumePage() {
  auto* page = new QWidget;
  volumeHeight_ = new QDoubleSpinBox;
  volumeHeight_->setRange(0.1, 60);
  volumeHeight_->setDecimals(1);
  volumeHeight_->setSuffix(QStringLiteral(" m"));
  volumeHeight_->setValue(row_.height && *row_.height > 0 ? *row_.height : kDefaultVolumeHeight);
  auto* label = new QLabel(tr("Tree height:"));
  label->setBuddy(volumeHeight_);
  auto* controls = new QHBoxLayout;
  controls->addWidget(label);
  controls->addWidget(volumeHeight_);
  controls->addStretch();
  views_[kVolumeTab] = MakeView(MakeGrowthChart(VolumeChart(volumeHeight_->value())));
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(controls);
  layout->addWidget(views_[kVolumeTab]);
  connect(volumeHeight_, &QDoubleSpinBox::valueChanged, this, &GrowthCurvesWindow::ShowVolumeAt);
  return page;
}

void GrowthCurvesWindow::ShowVolumeAt(double height) {
  // The view lets go of its old chart without deleting it.
  QChart* old = views_[kVolumeTab]->chart();
  views_[kVolumeTab]->setChart(MakeGrowthChart(VolumeChart(height)));
  delete old;
}

QWidget* GrowthCurvesWindow::MakeButtons() {
  auto* buttons = new QWidget;
  auto* siteIndex = new QPushButton(tr("Site index…"));
  siteIndex->setObjectName(QStringLiteral("siteIndex"));
  connect(siteIndex, &QPushButton::clicked, this, [this] {
    ShowingErrors([this] { ShowSiteIndexTool(this, StandInput{row_.species, row_.age, row_.height}); });
  });
  auto* png = new QPushButton(tr("Save as PNG…"));
  auto* svg = new QPushButton(tr("Save as SVG…"));
  png->setObjectName(QStringLiteral("savePng"));
  svg->setObjectName(QStringLiteral("saveSvg"));
  connect(png, &QPushButton::clicked, this, [this] { ShowingErrors([this] { SaveChart(ChartFormat::Png); }); });
  connect(svg, &QPushButton::clicked, this, [this] { ShowingErrors([this] { SaveChart(ChartFormat::Svg); }); });
  auto* layout = new QHBoxLayout(buttons);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(siteIndex);
  layout->addStretch();
  layout->addWidget(png);
  layout->addWidget(svg);
  return buttons;
}

void GrowthCurvesWindow::SaveChart(ChartFormat format) {
  UserDialogs& dialogs = TApplication::Instance()->Dialogs();
  const QString suffix = ChartFileSuffix(format);
  const QString suggested =
      QStringLiteral("%1 %2.%3").arg(SpeciesCodeText(row_.species), tabs_->tabText(tabs_->currentIndex()), suffix);
  QString path = dialogs.SaveFileName(this, format == ChartFormat::Png ? tr("Save as PNG") : tr("Save as SVG"),
                                      suggested, tr("%1 images (*.%2)").arg(suffix.toUpper(), suffix));
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += u'.' + suffix;
  try {
    const QByteArray bytes = RenderChart(*views_[tabs_->currentIndex()], format, windowTitle());
    WriteOutputFile(QFile::encodeName(path).toStdString(), std::string_view(bytes.constData(), bytes.size()));
  } catch (const std::exception& error) {
    dialogs.ShowError(windowTitle(), tr("The chart could not be saved: %1").arg(QString::fromLocal8Bit(error.what())));
  }
}

namespace {

std::optional<double> NumberIn(const TTable& table, std::string_view fieldName) {
  const TField* field = table.FindField(fieldName);
  if (!field) return std::nullopt;
  const FieldValue value = field->Value();
  if (const double* number = std::get_if<double>(&value)) return *number;
  return std::nullopt;
}

std::optional<SpeciesIndex> ModelledSpeciesOfCode(const QString& code) {
  for (SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
    if (SpeciesCodeText(species) == code) return species;
  }
  return std::nullopt;
}

CurvesRow RowOf(const TTable& table, SpeciesIndex species) {
  return {species, NumberIn(table, "BONITA"), NumberIn(table, "VEK"), NumberIn(table, "VYSKA"),
          NumberIn(table, "TLOUSTKA")};
}

// Why there are no curves for the row, or nothing when there are.
QString MissingCurves(const TTable& table, std::optional<SpeciesIndex>& species) {
  const TField* code = table.FindField("DREVINA");
  if (!table.Active() || table.CurrentRow() < 0 || !code) {
    return GrowthCurvesWindow::tr("There is no current row to draw growth curves for.");
  }
  const QString text = QString::fromStdString(code->AsString()).trimmed();
  if (text.isEmpty()) return GrowthCurvesWindow::tr("The current row has no species code.");
  species = ModelledSpeciesOfCode(text);
  if (!species) return GrowthCurvesWindow::tr("There are no growth models for the species \"%1\".").arg(text);
  return {};
}

}  // namespace

void ShowGrowthCurves(QWidget* parent, TTable& table) {
  std::optional<SpeciesIndex> species;
  const QString missing = MissingCurves(table, species);
  if (!missing.isEmpty()) {
    TApplication::Instance()->Dialogs().ShowError(GrowthCurvesWindow::tr("Growth curves"), missing);
    return;
  }
  auto* window = new GrowthCurvesWindow(RowOf(table, *species), parent);
  window->show();
  window->raise();
  window->activateWindow();
}

std::optional<CurvesRow> CurrentCurvesRow(const TTable& table) {
  std::optional<SpeciesIndex> species;
  if (!MissingCurves(table, species).isEmpty()) return std::nullopt;
  return RowOf(table, *species);
}

}  // namespace dravlik
