// The site-index height model: the mean height of a stand of a modelled species
// at an age on a site index (the height in metres at the reference age of 100
// years), H = P(1 - e^(-B·t), 1/C) · S·A/D with D = P(1 - e^(-100·B), 1/C) · A,
// where A, B and C are the species' growth terms at S.
#pragma once

#include "species.h"

namespace vzorce {

// The curve itself, at any site index and without any handler: arithmetic
// errors reach the caller. Throws std::out_of_range for an unmodelled species.
double HeightCurve(SpeciesIndex species, double age, double siteIndex);

// The model: the site index clamped to the species' range, then the curve.
// Never raises an arithmetic error: where one arises it returns 0, and it
// returns 0 for an unmodelled species too.
double SiteIndexHeight(SpeciesIndex species, double age, double siteIndex);

}  // namespace vzorce
