#include "growth_curves_window.h"

#include <QChartView>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "application.h"
#include "growth_chart_view.h"
#include "output_file.h"
#include "screen_fit.h"
#include "site_index_tool.h"
#include "species_names.h"
#include "table.h"

namespace dravlik {

using vzorce::SpeciesIndex;

namespace {

constexpr double kDefaultVolumeHeight = 25;
constexpr int kLargestDiameter = 80;  // as in the height-diameter table
constexpr int kWidestDiameter = 300;  // a typing error must not ask for millions of points
constexpr double kTallestStand = 80;   // taller is a typing error that would squash the curves
constexpr QSize kPreferredSize(960, 620);
constexpr int kLargestImage = 5000;  // pixels a side; larger would need hundreds of megabytes

bool Within(const std::optional<double>& value, double lowest, double highest) {
  return value && *value >= lowest && *value <= highest;
}

// The tables' precision.
std::function<QString(double)> Measured(int decimals, const QString& unit) {
  return [decimals, unit](double value) {
    return QStringLiteral("%1 %2").arg(QLocale().toString(value, 'f', decimals), unit);
  };
}

ChartQuantity Age() {
  return {GrowthCurvesWindow::tr("Age"), GrowthCurvesWindow::tr("years"), [](double age) {
            return GrowthCurvesWindow::tr("%n years", nullptr, int(std::lround(age)));
          }};
}

ChartQuantity Height() {
  const QString unit = GrowthCurvesWindow::tr("m");
  return {GrowthCurvesWindow::tr("Height"), unit, Measured(1, unit)};
}

ChartQuantity Diameter() {
  const QString unit = GrowthCurvesWindow::tr("cm");
  return {GrowthCurvesWindow::tr("Diameter"), unit, Measured(1, unit)};
}

ChartQuantity Volume() {
  const QString unit = GrowthCurvesWindow::tr("m³");
  return {GrowthCurvesWindow::tr("Volume"), unit, Measured(2, unit)};
}

QSpinBox* MakeImageSide(const QString& name) {
  auto* side = new QSpinBox;
  side->setObjectName(name);
  side->setRange(0, kLargestImage);
  side->setSpecialValueText(GrowthCurvesWindow::tr("as shown"));
  side->setSuffix(QStringLiteral(" px"));
  return side;
}

}  // namespace

GrowthCurvesWindow::GrowthCurvesWindow(const CurvesRow& row, QWidget* parent, const vzorce::ModelSet& models)
    : QWidget(parent, Qt::Window), row_(row), models_(models), tabs_(new QTabWidget) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(tr("Growth curves – %1").arg(SpeciesNames::CodeAndName(row.species)));
  views_[kHeightTab] = new GrowthChartView(MakeGrowthChart(AgeChart(false)));
  views_[kDiameterTab] = new GrowthChartView(MakeGrowthChart(AgeChart(true)));
  tabs_->addTab(views_[kHeightTab], tr("Height"));
  tabs_->addTab(views_[kDiameterTab], tr("Diameter"));
  tabs_->addTab(MakeVolumePage(), tr("Volume"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(MakeButtons());
  FitTo(AvailableArea(*this));
}

QChartView* GrowthCurvesWindow::View(Tab tab) const { return views_[tab]; }

void GrowthCurvesWindow::FitTo(const QRect& available) { FitWindow(*this, kPreferredSize, available); }

GrowthChartContent GrowthCurvesWindow::AgeChart(bool diameter) const {
  const QString title = diameter ? tr("%1: diameter by age and site index") : tr("%1: height by age and site index");
  GrowthChartContent content{title.arg(SpeciesNames::CodeAndName(row_.species)), Age(),
                             diameter ? Diameter() : Height(), {}, CurrentRowMark(diameter),
                             tr("young-stand model")};
  for (int siteIndex : SampledSiteIndices(row_.species)) {
    content.curves.push_back({tr("Site index %1").arg(siteIndex),
                              diameter ? DiameterOverAge(models_, row_.species, siteIndex)
                                       : HeightOverAge(models_, row_.species, siteIndex)});
  }
  // A measured stand may lie off every curve, but not off the chart.
  if (!diameter && row_.stand && Within(row_.stand->x(), 0, vzorce::MaximumAge(row_.species)) &&
      Within(row_.stand->y(), 0, kTallestStand)) {
    content.stand = MarkedPoint{tr("Stand"), *row_.stand};
    if (content.marked && content.marked->point == *row_.stand) content.marked.reset();  // one mark for one stand
  }
  return content;
}

// The row's own height (or diameter) at its age where it has one, as typed
// into the table; otherwise the model's value at the row's site index, on its
// curve. Neither where it would lie off the chart.
std::optional<MarkedPoint> GrowthCurvesWindow::CurrentRowMark(bool diameter) const {
  if (!Within(row_.age, 0, vzorce::MaximumAge(row_.species))) return std::nullopt;
  if (const std::optional<double>& own = diameter ? row_.diameter : row_.height) {
    if (!Within(own, 0, diameter ? kWidestDiameter : kTallestStand)) return std::nullopt;
    return MarkedPoint{tr("Current row"), QPointF(*row_.age, *own)};
  }
  const vzorce::SiteIndexRange range = vzorce::SiteIndexRangeOf(row_.species);
  if (!Within(row_.siteIndex, range.lowest, range.highest)) return std::nullopt;
  const std::optional<double> value = diameter ? DiameterAt(models_, row_.species, *row_.age, *row_.siteIndex)
                                               : HeightAt(models_, row_.species, *row_.age, *row_.siteIndex);
  if (!value) return std::nullopt;
  return MarkedPoint{tr("Current row"), QPointF(*row_.age, *value)};
}

GrowthChartContent GrowthCurvesWindow::VolumeChart(double height) const {
  const bool rowDrawn = Within(row_.diameter, 0, kWidestDiameter);
  const int largest = rowDrawn ? std::max(kLargestDiameter, int(std::ceil(*row_.diameter))) : kLargestDiameter;
  GrowthChartContent content{tr("%1: volume of a tree by diameter").arg(SpeciesNames::CodeAndName(row_.species)),
                             Diameter(), Volume(), {}, {}, {}};
  content.curves.push_back({tr("Height %1 m").arg(ExactNumber(height)),
                            VolumeOverDiameter(models_, row_.species, height, largest)});
  // The row sits on this curve only while the box shows its height.
  if (rowDrawn && row_.height && std::abs(height - *row_.height) < 0.05) {
    const std::optional<double> volume = VolumeAt(models_, row_.species, *row_.diameter, height);
    if (volume) content.marked = MarkedPoint{tr("Current row"), QPointF(*row_.diameter, *volume)};
  }
  return content;
}

GrowthChartContent GrowthCurvesWindow::ContentOf(int tab) const {
  return tab == kVolumeTab ? VolumeChart(volumeHeight_->value()) : AgeChart(tab == kDiameterTab);
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
  views_[kVolumeTab] = new GrowthChartView(MakeGrowthChart(VolumeChart(volumeHeight_->value())));
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

QWidget* GrowthCurvesWindow::MakeImageSize() {
  auto* box = new QWidget;
  imageWidth_ = MakeImageSide(QStringLiteral("imageWidth"));
  imageHeight_ = MakeImageSide(QStringLiteral("imageHeight"));
  auto* label = new QLabel(tr("Image size:"));
  label->setBuddy(imageWidth_);
  auto* layout = new QHBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(label);
  layout->addWidget(imageWidth_);
  layout->addWidget(new QLabel(QStringLiteral("×")));
  layout->addWidget(imageHeight_);
  return box;
}

QSize GrowthCurvesWindow::ImageSize() const {
  const QSize shown = views_[tabs_->currentIndex()]->size();
  return {imageWidth_->value() > 0 ? imageWidth_->value() : shown.width(),
          imageHeight_->value() > 0 ? imageHeight_->value() : shown.height()};
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
  layout->addWidget(MakeImageSize());
  layout->addWidget(png);
  layout->addWidget(svg);
  return buttons;
}

void GrowthCurvesWindow::SaveChart(ChartFormat format) {
  UserDialogs& dialogs = TApplication::Instance()->Dialogs();
  const QString suffix = ChartFileSuffix(format);
  const QString suggested = QStringLiteral("%1 %2.%3")
                                .arg(SpeciesNames::Code(row_.species), tabs_->tabText(tabs_->currentIndex()), suffix);
  QString path = dialogs.SaveFileName(this, format == ChartFormat::Png ? tr("Save as PNG") : tr("Save as SVG"),
                                      suggested, tr("%1 images (*.%2)").arg(suffix.toUpper(), suffix));
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += u'.' + suffix;
  try {
    // Drawn anew rather than grabbed: the file gets the chart without the screen's frame.
    std::unique_ptr<QChart> chart(MakeGrowthChart(ContentOf(tabs_->currentIndex())));
    const QByteArray bytes = RenderChart(std::move(chart), format, ImageSize(), windowTitle());
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
    if (SpeciesNames::Code(species) == code) return species;
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
