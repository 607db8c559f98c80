#include "site_index_tool.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>

#include "application.h"
#include "diameter.h"
#include "error_text.h"
#include "growth_chart.h"
#include "growth_curves_window.h"
#include "numeric.h"
#include "screen_fit.h"
#include "species_names.h"

namespace dravlik {

using vzorce::SpeciesIndex;

namespace {

constexpr double kDefaultAge = 100;  // the age a site index is defined at
constexpr double kDefaultHeight = 30;
constexpr double kTallestStand = 80;

QString SpeciesEntry(SpeciesIndex species) {
  return QStringLiteral("%1 – %2").arg(SpeciesNames::Code(species), SpeciesNames::Name(species));
}

QLabel* MakeResultLabel(const QString& name) {
  auto* label = new QLabel;
  label->setObjectName(name);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

SiteIndexTool::SiteIndexTool(const StandInput& input, QWidget* parent) : QDialog(parent) {
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  setWindowTitle(tr("Site index"));
  curves_ = new QPushButton(tr("Growth curves…"));
  curves_->setObjectName(QStringLiteral("growthCurves"));
  connect(curves_, &QPushButton::clicked, this, [this] { ShowingErrors([this] { ShowCurves(); }); });
  auto* buttons = new QDialogButtonBox;
  buttons->addButton(curves_, QDialogButtonBox::ActionRole);
  buttons->addButton(tr("Close"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeInputs(input));
  layout->addWidget(warning_);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  SpeciesChanged();
  FitTo(AvailableArea(*this));
}

void SiteIndexTool::FitTo(const QRect& available) { FitWindow(*this, sizeHint(), available); }

QWidget* SiteIndexTool::MakeInputs(const StandInput& input) {
  species_ = new QComboBox;
  for (SpeciesIndex species = 0; species < vzorce::kModelledSpeciesCount; ++species) {
    species_->addItem(SpeciesEntry(species));
  }
  species_->setCurrentIndex(vzorce::IsModelledSpecies(input.species) ? input.species : 0);
  age_ = new QDoubleSpinBox;
  age_->setDecimals(0);
  age_->setSuffix(tr(" years"));
  age_->setRange(0, vzorce::MaximumAge(CurrentSpecies()));
  age_->setValue(input.age.value_or(kDefaultAge));
  height_ = new QDoubleSpinBox;
  height_->setDecimals(1);
  height_->setRange(0, kTallestStand);
  height_->setSuffix(QStringLiteral(" m"));
  height_->setValue(input.height.value_or(kDefaultHeight));
  siteIndex_ = MakeResultLabel(QStringLiteral("siteIndex"));
  rounded_ = MakeResultLabel(QStringLiteral("rounded"));
  warning_ = new QLabel;
  warning_->setObjectName(QStringLiteral("warning"));
  // The window keeps its size as the warning comes and goes.
  QSizePolicy policy = warning_->sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  warning_->setSizePolicy(policy);
  warning_->setStyleSheet(QStringLiteral("color: #a04000"));

  auto* inputs = new QWidget;
  auto* form = new QFormLayout(inputs);
  form->setContentsMargins(0, 0, 0, 0);
  form->addRow(tr("&Species:"), species_);
  form->addRow(tr("&Age:"), age_);
  form->addRow(tr("Mean &height:"), height_);
  form->addRow(tr("Site index:"), siteIndex_);
  form->addRow(tr("Rounded:"), rounded_);
  connect(species_, &QComboBox::currentIndexChanged, this, &SiteIndexTool::SpeciesChanged);
  connect(age_, &QDoubleSpinBox::valueChanged, this, &SiteIndexTool::Recompute);
  connect(height_, &QDoubleSpinBox::valueChanged, this, &SiteIndexTool::Recompute);
  return inputs;
}

SpeciesIndex SiteIndexTool::CurrentSpecies() const { return static_cast<SpeciesIndex>(species_->currentIndex()); }

void SiteIndexTool::SpeciesChanged() {
  // The models know no stand older than the species' maximum age.
  const QSignalBlocker blocker(age_);
  age_->setMaximum(vzorce::MaximumAge(CurrentSpecies()));
  Recompute();
}

void SiteIndexTool::Recompute() {
  try {
    ShowResult(vzorce::SiteIndexInversion(CurrentSpecies(), age_->value(), height_->value()));
  } catch (const vzorce::FloatingPointError& error) {
    ShowError(QString::fromLocal8Bit(error.what()));
  }
}

void SiteIndexTool::ShowResult(double siteIndex) {
  const QString rounded = QLocale().toString(qlonglong(vzorce::RoundToInteger(siteIndex)));
  siteIndex_->setText(ExactNumber(siteIndex));
  rounded_->setText(rounded);
  const vzorce::SiteIndexRange range = vzorce::SiteIndexRangeOf(CurrentSpecies());
  const bool outside = siteIndex < range.lowest || siteIndex > range.highest;
  warning_->setText(
      tr("The inversion's estimate, outside the site index range %1–%2.").arg(range.lowest).arg(range.highest));
  warning_->setVisible(outside);
}

void SiteIndexTool::ShowError(const QString& message) {
  siteIndex_->setText(ErrorBoxText(message));
  rounded_->setText(QStringLiteral("–"));
  warning_->hide();
}

void SiteIndexTool::ShowCurves() {
  const double age = age_->value(), height = height_->value();
  const CurvesRow row{CurrentSpecies(), std::nullopt, age, height, std::nullopt, QPointF(age, height)};
  auto* window = new GrowthCurvesWindow(row, this);
  window->Tabs()->setCurrentIndex(GrowthCurvesWindow::kHeightTab);
  window->show();
  window->raise();
  window->activateWindow();
}

SiteIndexTool* ShowSiteIndexTool(QWidget* parent, const StandInput& input) {
  auto* tool = new SiteIndexTool(input, parent);
  tool->show();
  tool->raise();
  tool->activateWindow();
  return tool;
}

SiteIndexTool* ShowSiteIndexTool(QWidget* parent, const TTable& table) {
  StandInput input;
  if (const std::optional<CurvesRow> row = CurrentCurvesRow(table)) input = {row->species, row->age, row->height};
  return ShowSiteIndexTool(parent, input);
}

}  // namespace dravlik
