#include "growth_curve_series.h"

#include "diameter.h"
#include "height_by_site_index.h"
#include "numeric.h"
#include "volume.h"

namespace dravlik {

using vzorce::SpeciesIndex;

namespace {

// Collects the points of a curve into segments.
class SegmentBuilder {
 public:
  void Add(double x, std::optional<double> y, bool youngStand) {
    if (!y) {
      open_ = false;
      return;
    }
    const QPointF point(x, *y);
    if (open_ && curve_.segments.back().youngStand != youngStand) {
      curve_.segments.back().points.push_back(point);
      open_ = false;
    }
    if (!open_) curve_.segments.push_back({{}, youngStand});
    curve_.segments.back().points.push_back(point);
    open_ = true;
  }

  Curve Take() { return std::move(curve_); }

 private:
  Curve curve_;
  bool open_ = false;
};

}  // namespace

std::vector<int> SampledSiteIndices(SpeciesIndex species) {
  const vzorce::SiteIndexRange range = vzorce::SiteIndexRangeOf(species);
  std::vector<int> siteIndices;
  for (int siteIndex = range.lowest; siteIndex <= range.highest; siteIndex += 2) siteIndices.push_back(siteIndex);
  return siteIndices;
}

std::optional<double> HeightAt(const vzorce::ModelSet& models, SpeciesIndex species, double age, double siteIndex) {
  try {
    return models.height(species, age, siteIndex);
  } catch (const vzorce::FloatingPointError&) {
    return std::nullopt;
  }
}

std::optional<double> DiameterAt(const vzorce::ModelSet& models, SpeciesIndex species, double age, double siteIndex) {
  const std::optional<double> height = HeightAt(models, species, age, siteIndex);
  if (!height) return std::nullopt;
  try {
    return models.diameter(species, age, *height);
  } catch (const vzorce::FloatingPointError&) {
    return std::nullopt;
  }
}

std::optional<double> VolumeAt(const vzorce::ModelSet& models, SpeciesIndex species, double diameter, double height) {
  // A raise after V1 was written still leaves the point out: the call failed.
  double v1 = 0, v2 = 0, v3 = 0, v4 = 0;
  try {
    models.volume(species, diameter, height, v1, v2, v3, v4);
  } catch (const vzorce::FloatingPointError&) {
    return std::nullopt;
  }
  return v1;
}

Curve HeightOverAge(const vzorce::ModelSet& models, SpeciesIndex species, int siteIndex) {
  SegmentBuilder builder;
  for (int age = 0; age <= vzorce::MaximumAge(species); ++age) {
    builder.Add(age, HeightAt(models, species, age, siteIndex), models.youngStand(species, age, siteIndex));
  }
  return builder.Take();
}

Curve DiameterOverAge(const vzorce::ModelSet& models, SpeciesIndex species, int siteIndex) {
  SegmentBuilder builder;
  for (int age = 0; age <= vzorce::MaximumAge(species); ++age) {
    builder.Add(age, DiameterAt(models, species, age, siteIndex), models.youngStand(species, age, siteIndex));
  }
  return builder.Take();
}

Curve VolumeOverDiameter(const vzorce::ModelSet& models, SpeciesIndex species, double height, int largestDiameter) {
  SegmentBuilder builder;
  for (int diameter = 0; diameter <= largestDiameter; ++diameter) {
    builder.Add(diameter, VolumeAt(models, species, diameter, height), false);
  }
  return builder.Take();
}

}  // namespace dravlik
