// The models as one set of replaceable functions, for the code that computes
// with several of them: tests replace one to make it fail where they choose.
// A default-made set holds the models themselves.
#pragma once

#include "diameter.h"
#include "height_by_site_index.h"
#include "volume.h"

namespace vzorce {

struct ModelSet {
  double (*height)(SpeciesIndex species, double age, double siteIndex) = HeightBySiteIndex;
  bool (*youngStand)(SpeciesIndex species, double age, double siteIndex) = TakesYoungStandPath;
  double (*diameter)(SpeciesIndex species, double age, double height) = Diameter;
  void (*volume)(SpeciesIndex species, double diameter, double height, double& v1, double& v2, double& v3,
                 double& v4) = Volume;
};

}  // namespace vzorce
