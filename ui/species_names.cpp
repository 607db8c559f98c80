#include "species_names.h"

#include <array>
#include <string>

namespace dravlik {

namespace {

// Species-index order.
constexpr std::array<const char*, vzorce::kModelledSpeciesCount> kNames = {
    QT_TRANSLATE_NOOP("dravlik::SpeciesNames", "Norway spruce"),
    QT_TRANSLATE_NOOP("dravlik::SpeciesNames", "Scots pine"),
    QT_TRANSLATE_NOOP("dravlik::SpeciesNames", "European larch"),
    QT_TRANSLATE_NOOP("dravlik::SpeciesNames", "silver fir"),
    QT_TRANSLATE_NOOP("dravlik::SpeciesNames", "oak"),
    QT_TRANSLATE_NOOP("dravlik::SpeciesNames", "European beech"),
    QT_TRANSLATE_NOOP("dravlik::SpeciesNames", "ash"),
    QT_TRANSLATE_NOOP("dravlik::SpeciesNames", "birch"),
    QT_TRANSLATE_NOOP("dravlik::SpeciesNames", "alder"),
    QT_TRANSLATE_NOOP("dravlik::SpeciesNames", "poplar"),
    QT_TRANSLATE_NOOP("dravlik::SpeciesNames", "hornbeam"),
    QT_TRANSLATE_NOOP("dravlik::SpeciesNames", "black locust"),
    QT_TRANSLATE_NOOP("dravlik::SpeciesNames", "Douglas fir"),
};

}  // namespace

QString SpeciesNames::Code(vzorce::SpeciesIndex species) {
  std::string code;
  vzorce::SpeciesCode(species, code);
  return QString::fromStdString(code).trimmed();
}

QString SpeciesNames::Name(vzorce::SpeciesIndex species) {
  return vzorce::IsModelledSpecies(species) ? tr(kNames[species]) : QString();
}

QString SpeciesNames::CodeAndName(vzorce::SpeciesIndex species) {
  const QString name = Name(species);
  return name.isEmpty() ? Code(species) : QStringLiteral("%1 (%2)").arg(Code(species), name);
}

}  // namespace dravlik
