// The volume model's memoised path. Inventories and the tables repeat each
// diameter and each height many times per species, and most of the work (every
// power, the height polynomial) depends on one of them alone. Those parts are
// remembered per thread by their exact bits and combined by the same equations
// as on the plain path, so the results are the same to the bit. Where a part
// raises, the plain path runs instead: it raises where the equations do, after
// the outputs they write before it.
#include <cstddef>
#include <type_traits>
#include <variant>

#include "exact_memo.h"
#include "volume_equations.h"
#include "volume_paths.h"

namespace vzorce::volume_equations {
namespace {

// One memo serves every species; the species in the key tells which family's
// parts a value holds.
using DiameterParts = std::variant<PowerEquations::DiameterParts, LarchEquations::DiameterParts,
                                   FormFactorEquations::DiameterParts, AshEquations::DiameterParts,
                                   ExponentialEquations::DiameterParts, VariableExponentEquations::DiameterParts>;
struct HeightParts {
  std::variant<PowerEquations::HeightParts, LarchEquations::HeightParts, FormFactorEquations::HeightParts,
               AshEquations::HeightParts, ExponentialEquations::HeightParts, VariableExponentEquations::HeightParts>
      parts;
  double polynomial;  // V4
};

ExactMemo<DiameterParts, 14>& DiameterPartsMemo() {
  thread_local ExactMemo<DiameterParts, 14> memo;
  return memo;
}
ExactMemo<HeightParts, 14>& HeightPartsMemo() {
  thread_local ExactMemo<HeightParts, 14> memo;
  return memo;
}

template <class Equations>
bool MemoizedVolumesBy(const Equations& equations, SpeciesIndex species, double d, double h, Outputs out,
                       double& v4) {
  using EquationsDiameterParts = typename Equations::DiameterParts;
  using EquationsHeightParts = typename Equations::HeightParts;
  const DiameterParts* dp = nullptr;
  const HeightParts* hp = nullptr;
  try {
    dp = &DiameterPartsMemo().Get(species, d, [&] {
      EquationsDiameterParts parts{};
      equations.ReferenceDiameterParts(d, parts);
      equations.PrimaryDiameterParts(d, parts);
      return DiameterParts(parts);
    });
    hp = &HeightPartsMemo().Get(species, h, [&] {
      EquationsHeightParts parts{};
      equations.ReferenceHeightParts(h, parts);
      equations.PrimaryHeightParts(h, parts);
      return HeightParts{parts, HeightPolynomialAt(species, h)};
    });
  } catch (const FloatingPointError&) {
    return false;
  }
  equations.Volumes(d, h, std::get<EquationsDiameterParts>(*dp), std::get<EquationsHeightParts>(hp->parts), out,
                    [] {});
  v4 = hp->polynomial;
  return true;
}

}  // namespace

bool MemoizedVolumes(SpeciesIndex species, double d, double h, Outputs out, double& v4) {
  return UseEquationsOf(species, [&](const auto& equations) {
    return MemoizedVolumesBy(equations, species, d, h, out, v4);
  });
}

std::size_t ClearMemos() { return DiameterPartsMemo().Clear() + HeightPartsMemo().Clear(); }

}  // namespace vzorce::volume_equations
