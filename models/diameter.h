// The diameter model: the mean breast-height diameter (cm) of a stand from its
// age (years) and mean height (m). It inverts the height curve for a site index
// and reads the diameter off the diameter-growth curves of the species' group.
//
// Nothing here catches an arithmetic error; only the calls of the site-index
// height model inside the extrapolations are protected, by that model itself.
#pragma once

#include "species.h"

namespace vzorce {

// Species, age, height. Throws std::out_of_range for an unmodelled species.
double Diameter(SpeciesIndex species, double age, double height);

// The site index whose height curve passes through the height at the age,
// by 12 halving steps over the species' range; a height that no site index of
// the range reaches within 0.1 m gets the proportional estimate h·x/y. Returns
// 0 for species 14 without searching.
double SiteIndexInversion(SpeciesIndex species, double age, double height);

// Species, age, site index, height.
double DiameterFromSiteIndex(SpeciesIndex species, double age, double siteIndex, double height);

// Diameter groups 1 to 4; any other group throws std::out_of_range.
double GroupDiameterCurve(int group, double siteIndex, double age);
double ReferenceDiameter(int group, double siteIndex);

// The reduction below 1 is 1 - YouthReductionTerm(age, site index, -100, 34, 100, 0.4).
double YouthReductionTerm(double age, double siteIndex, double s0, double s1, double tmax, double mmax);

int DiameterGroup(SpeciesIndex species);

// The site indices between which a group's own curve applies, bounds included.
struct DiameterGroupBounds {
  double lower;
  double upper;
};
DiameterGroupBounds DiameterGroupBoundsOf(int group);

}  // namespace vzorce
