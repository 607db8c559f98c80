// The growth curves as points: what the models give for one species, sampled
// densely enough to draw, with a gap wherever a model raises an arithmetic
// error for a point.
#pragma once

#include <QPointF>
#include <optional>
#include <vector>

#include "model_set.h"

namespace dravlik {

// Consecutive points of one curve that the same model path gave. Where the
// path changes without a gap, the first point of the new path ends the old
// segment too, so the drawn curve does not break there.
struct CurveSegment {
  std::vector<QPointF> points;
  bool youngStand = false;
};

struct Curve {
  std::vector<CurveSegment> segments;
};

// The site indices the site-class table lists for the species: its range in
// steps of 2.
std::vector<int> SampledSiteIndices(vzorce::SpeciesIndex species);

// Every whole year from 0 to the species' maximum age.
Curve HeightOverAge(const vzorce::ModelSet& models, vzorce::SpeciesIndex species, int siteIndex);
Curve DiameterOverAge(const vzorce::ModelSet& models, vzorce::SpeciesIndex species, int siteIndex);
// The primary volume V1 of one tree at every whole centimetre from 0 to
// `largestDiameter`.
Curve VolumeOverDiameter(const vzorce::ModelSet& models, vzorce::SpeciesIndex species, double height,
                         int largestDiameter);

// Single points, empty where a model raises.
std::optional<double> HeightAt(const vzorce::ModelSet& models, vzorce::SpeciesIndex species, double age,
                               double siteIndex);
std::optional<double> DiameterAt(const vzorce::ModelSet& models, vzorce::SpeciesIndex species, double age,
                                 double siteIndex);
std::optional<double> VolumeAt(const vzorce::ModelSet& models, vzorce::SpeciesIndex species, double diameter,
                               double height);

}  // namespace dravlik
