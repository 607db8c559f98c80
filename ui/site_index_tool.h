// A small window that derives a stand's site index from its species, age and
// mean height, as the site-class table's inversion does, and shows the stand
// among the species' height curves.
#pragma once

#include <QDialog>
#include <optional>

#include "species.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;

namespace dravlik {

class TTable;

// What the tool starts with; an absent age or height takes the default.
struct StandInput {
  vzorce::SpeciesIndex species = 0;
  std::optional<double> age;
  std::optional<double> height;
};

class SiteIndexTool : public QDialog {
  Q_OBJECT
 public:
  // For a modelled species.
  explicit SiteIndexTool(const StandInput& input, QWidget* parent = nullptr);

  QComboBox* Species() const { return species_; }
  QDoubleSpinBox* Age() const { return age_; }
  QDoubleSpinBox* Height() const { return height_; }
  // The site index with every digit, or the arithmetic error in its place.
  QLabel* SiteIndexText() const { return siteIndex_; }
  QLabel* RoundedText() const { return rounded_; }
  // Hidden while the result lies within the species' range.
  QLabel* Warning() const { return warning_; }
  QPushButton* CurvesButton() const { return curves_; }

  vzorce::SpeciesIndex CurrentSpecies() const;
  // Opens the species' growth curves with the stand marked among them.
  void ShowCurves();
  // Places the tool within a screen's available area.
  void FitTo(const QRect& available);

 private:
  QWidget* MakeInputs(const StandInput& input);
  void SpeciesChanged();
  void Recompute();
  void ShowResult(double siteIndex);
  void ShowError(const QString& message);

  QComboBox* species_ = nullptr;
  QDoubleSpinBox* age_ = nullptr;
  QDoubleSpinBox* height_ = nullptr;
  QLabel* siteIndex_ = nullptr;
  QLabel* rounded_ = nullptr;
  QLabel* warning_ = nullptr;
  QPushButton* curves_ = nullptr;
};

// Opens the tool beside `parent`, filled with what the stand gives.
SiteIndexTool* ShowSiteIndexTool(QWidget* parent, const StandInput& input);
// Takes the species, age and height of the table's current row where it has
// them; anything missing starts from the default.
SiteIndexTool* ShowSiteIndexTool(QWidget* parent, const TTable& table);

}  // namespace dravlik
