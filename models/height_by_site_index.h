// Height by site index: the site-index height model, except that the young-stand
// species (SM, BO, DB, BK) follow their young-stand model below the threshold
// age of their site index.
#pragma once

#include "species.h"

namespace vzorce {

// Arguments in the order species, age, site index. Arithmetic errors on the
// young-stand path reach the caller; the site-index height model returns 0
// instead. Returns 0 for a young-stand species whose site index rounds outside
// 12 to 39.
double HeightBySiteIndex(SpeciesIndex species, double age, double siteIndex);

// True where HeightBySiteIndex takes the young-stand path.
bool TakesYoungStandPath(SpeciesIndex species, double age, double siteIndex);

}  // namespace vzorce
