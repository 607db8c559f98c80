// The volume model's memoized path. Inventories and the tables repeat each
// diameter and each height many times per species, and most of the work (every
// power, the height polynomial) depends on one of them alone. Those parts are
// remembered per thread by their exact bits; what combines them is the general
// path's arithmetic (volume.cpp) on the same values, so the results are the
// same to the bit. Where a part raises, the general path runs instead, so the
// error comes where it raises it, after the outputs it writes before it.
#include <cstddef>

#include "exact_memo.h"
#include "volume_equations.h"

namespace vzorce::volume_equations {
namespace {

// The parts, by family (D1 = D + 1):
//   power:        D: D1^b, D1^m                   H: H^c, H^n
//   larch:        D: D^b, D1^m                    H: H^e, H^n
//   form factor:  D: D², D³                       H: H²
//   ash:          D: Dp², Dp³, Dm², Dm³           H: H², Hm, Hm²
//   exponential:  D: A·exp(B·(Dx + d)^e) − z      H: (H − h)^c
//   variable:     D: D1^(b0 − b1·ln D1)           H: H^(h0 + h1·ln H)
// The exponential family's parts are of its reference and primary equations;
// its diameter parts are extended values.
union DiameterParts {
  double part[4];
  Extended exponential[2];
};
struct HeightParts {
  double part[3];
  double polynomial;  // V4
};

const PowerEquations& PowerEquationsOf(SpeciesIndex species) {
  return species == SM ? kSpruce : species == BO ? kPine : kFirAndDouglasFir;
}
const VariableExponentEquations& VariableExponentEquationsOf(SpeciesIndex species) {
  return species == OL ? kAlder : kPoplar;
}
struct ExponentialPair {
  const ExponentialEquation& reference;
  const ExponentialEquation& primary;
};
ExponentialPair ExponentialEquationsOf(SpeciesIndex species) {
  if (species == BR) return {kBirchReference, kBirchPrimary};
  return {kHornbeamAndAcaciaReference, kHornbeamAndAcaciaPrimary};
}

Extended ExponentialDiameterPart(const ExponentialEquation& eq, double diameter) {
  return eq.A * Exp(eq.B * P(Store(diameter + eq.d), eq.e)) - eq.z;
}

DiameterParts DiameterPartsOf(SpeciesIndex species, double d) {
  switch (species) {
    case MD: return {.part = {P(d, kLarch.b), P(Store(d + 1.0L), kLarch.m)}};
    case DB:
    case BK: return {.part = {P(d, 2), P(d, 3)}};
    case JS: {
      const double dp = Store(d + 0.8L), dm = Store(d - 1.0L);
      return {.part = {P(dp, 2), P(dp, 3), P(dm, 2), P(dm, 3)}};
    }
    case BR:
    case HB:
    case AK: {
      const double dx = species == HB ? Store(d / 3.0L * 4) : d;
      const ExponentialPair eq = ExponentialEquationsOf(species);
      return {.exponential = {ExponentialDiameterPart(eq.reference, dx), ExponentialDiameterPart(eq.primary, dx)}};
    }
    case OL:
    case TP: {
      const VariableExponentEquations& eq = VariableExponentEquationsOf(species);
      const double d1 = Store(d + 1.0L);
      return {.part = {P(d1, Store(eq.b0 - eq.b1 * Ln(d1)))}};
    }
    default: {
      const PowerEquations& eq = PowerEquationsOf(species);
      const double d1 = Store(d + 1.0L);
      return {.part = {P(d1, PowerDiameterExponent(species, eq, d1)), P(d1, eq.m)}};
    }
  }
}

HeightParts HeightPartsOf(SpeciesIndex species, double h) {
  HeightParts parts{};
  switch (species) {
    case MD: parts = {{P(h, kLarch.e), P(h, kLarch.n)}, 0}; break;
    case DB:
    case BK: parts = {{P(h, 2)}, 0}; break;
    case JS: {
      const double hm = Store(h - 2.0L);
      parts = {{P(h, 2), hm, P(hm, 2)}, 0};
      break;
    }
    case BR:
    case HB:
    case AK: {
      const ExponentialPair eq = ExponentialEquationsOf(species);
      parts = {{P(Store(h - eq.reference.h), eq.reference.c), P(Store(h - eq.primary.h), eq.primary.c)}, 0};
      break;
    }
    case OL:
    case TP: {
      const VariableExponentEquations& eq = VariableExponentEquationsOf(species);
      parts = {{P(h, Store(eq.h0 + eq.h1 * Ln(h)))}, 0};
      break;
    }
    default: {
      const PowerEquations& eq = PowerEquationsOf(species);
      parts = {{P(h, eq.c), P(h, eq.n)}, 0};
    }
  }
  parts.polynomial = HeightPolynomialAt(species, h);
  return parts;
}

// Writes V2, then V1, as Volumes does.
void CombineParts(SpeciesIndex species, double d, double h, const DiameterParts& dp, const HeightParts& hp,
                  Outputs out) {
  const double(&D)[4] = dp.part;
  const double(&H)[3] = hp.part;
  switch (species) {
    case MD:
      out.v2 = Store((kLarch.a * D[0] + kLarch.c) * H[0]);
      out.v1 = Store(out.v2 - kLarch.k * H[1] * D[1]);
      return;
    case DB:
    case BK: return FormFactorVolumes(species, d, h, D[0], D[1], H[0], out);
    case JS:
      out.v2 = Store(kAsh.a * D[0] * h + kAsh.b * D[0] * H[0] - kAsh.c * D[1] * h);
      if (!(out.v2 > 0)) out.v2 = 0.00001;
      out.v1 = Store(kAsh.e * D[2] * H[1] - kAsh.f - kAsh.g * D[2] * H[2] - kAsh.i * D[3] * H[1]);
      return;
    case BR:
    case HB:
    case AK:
      out.v2 = Store(H[0] * dp.exponential[0]);
      out.v1 = Store(H[1] * dp.exponential[1]);
      return;
    case OL:
    case TP: {
      const VariableExponentEquations& eq = VariableExponentEquationsOf(species);
      out.v2 = Store(eq.a * H[0] * D[0]);
      out.v1 = out.v2 > eq.t ? Store(eq.k * P(Store(out.v2 - eq.t), eq.m)) : 0;
      return;
    }
    default: {
      const PowerEquations& eq = PowerEquationsOf(species);
      out.v2 = Store(eq.a * D[0] * H[0]);
      out.v1 = Store(out.v2 - eq.k * D[1] * H[1]);
    }
  }
}

ExactMemo<DiameterParts, 14>& DiameterPartsMemo() {
  thread_local ExactMemo<DiameterParts, 14> memo;
  return memo;
}
ExactMemo<HeightParts, 14>& HeightPartsMemo() {
  thread_local ExactMemo<HeightParts, 14> memo;
  return memo;
}

}  // namespace

bool MemoizedVolumes(SpeciesIndex species, double d, double h, Outputs out, double& v4) {
  const DiameterParts* dp = nullptr;
  const HeightParts* hp = nullptr;
  try {
    dp = &DiameterPartsMemo().Get(species, d, [&] { return DiameterPartsOf(species, d); });
    hp = &HeightPartsMemo().Get(species, h, [&] { return HeightPartsOf(species, h); });
  } catch (const FloatingPointError&) {
    return false;
  }
  CombineParts(species, d, h, *dp, *hp, out);
  v4 = hp->polynomial;
  return true;
}

std::size_t ClearMemos() { return DiameterPartsMemo().Clear() + HeightPartsMemo().Clear(); }

}  // namespace vzorce::volume_equations
