// Steps of the volume model around its equations (volume_equations.h): the
// input limits, the species test, V3 and the corrections.
#include "volume.h"

#include "volume_equations.h"
#include "volume_paths.h"

namespace vzorce {
namespace volume_equations {

namespace {

// Each stage's parts are computed where the equations first need them, so an
// error in a part of V1 comes after V2 is written.
template <class Equations>
void PlainVolumesBy(const Equations& equations, double d, double h, Outputs out) {
  typename Equations::DiameterParts diameterParts{};
  typename Equations::HeightParts heightParts{};
  equations.ReferenceDiameterParts(d, diameterParts);
  equations.ReferenceHeightParts(h, heightParts);
  equations.Volumes(d, h, diameterParts, heightParts, out, [&] {
    equations.PrimaryDiameterParts(d, diameterParts);
    equations.PrimaryHeightParts(h, heightParts);
  });
}

}  // namespace

void PlainVolumes(SpeciesIndex species, double d, double h, Outputs out) {
  UseEquationsOf(species, [&](const auto& equations) { PlainVolumesBy(equations, d, h, out); });
}

}  // namespace volume_equations

std::size_t ClearVolumeMemos() { return volume_equations::ClearMemos(); }

void Volume(SpeciesIndex species, double diameter, double height, double& v1, double& v2, double& v3, double& v4) {
  using namespace volume_equations;
  if (Ordered(diameter) < 6 || Ordered(height) < 6) {
    v1 = v2 = v3 = v4 = 0;
    return;
  }
  if (IsModelledSpecies(species)) {
    if (!MemoizedVolumes(species, diameter, height, {v1, v2}, v4)) {
      PlainVolumes(species, diameter, height, {v1, v2});
      v4 = HeightPolynomialAt(species, height);
    }
    v3 = Store(Divide(static_cast<Extended>(v4) * v1, v2));
    if (species == SM && v3 < 5) v3 = 0;
  }
  if (Ordered(v1) < 0) v1 = 0;
  if (Ordered(v3) < 0) v3 = 0;
}

}  // namespace vzorce
