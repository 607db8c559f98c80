#include "volume.h"

#include "volume_equations.h"

namespace vzorce {
namespace volume_equations {

double PowerDiameterExponent(SpeciesIndex species, const PowerEquations& eq, double d1) {
  static const Extended kLn10 = Ln(10);
  return species == BO ? Store(eq.b - kPineExponentSlope * Ln(d1) / kLn10) : static_cast<double>(eq.b);
}

namespace {

void PowerVolumes(SpeciesIndex species, const PowerEquations& eq, double d, double h, Outputs out) {
  const double d1 = Store(d + 1.0L);
  const double b = PowerDiameterExponent(species, eq, d1);
  out.v2 = Store(eq.a * P(d1, b) * P(h, eq.c));
  out.v1 = Store(out.v2 - eq.k * P(d1, eq.m) * P(h, eq.n));
}

void LarchVolumes(double d, double h, Outputs out) {
  const double d1 = Store(d + 1.0L);
  out.v2 = Store((kLarch.a * P(d, kLarch.b) + kLarch.c) * P(h, kLarch.e));
  out.v1 = Store(out.v2 - kLarch.k * P(h, kLarch.n) * P(d1, kLarch.m));
}

Extended FormFactorSum(FormFactor factor, const Extended (&terms)[kTermCount]) {
  Extended sum = 0;
  for (const FormFactorTerm& t : factor) sum += t.coefficient * terms[t.term];
  return sum;
}

}  // namespace

void FormFactorVolumes(SpeciesIndex species, double d, double h, Extended D2, Extended D3, Extended H2, Outputs out) {
  const Extended D = d, H = h;
  const Extended terms[kTermCount] = {1,      1 / D,  1 / D2,  1 / D3,  D,       D2,      D3,
                                      H,      D * H,  D2 * H,  D3 * H,  1 / H,   1 / H2,  H / D,
                                      H2 / D, H / D2, H2 / D2, H / D3,  H2 / D3};
  const Extended cylinder = 3.1415926L * D2 * H / 40000;
  if (species == DB) {
    out.v2 = Store(cylinder * FormFactorSum(kOakReference, terms));
    const double firstPart = Store(cylinder * FormFactorSum(kOakPrimaryFirstPart, terms));
    out.v1 = Store(firstPart + cylinder * FormFactorSum(kOakPrimarySecondPart, terms));
  } else {
    out.v2 = Store(cylinder * FormFactorSum(kBeechReference, terms));
    out.v1 = Store(cylinder * FormFactorSum(kBeechPrimary, terms));
  }
}

namespace {

void AshVolumes(double d, double h, Outputs out) {
  const double dp = Store(d + 0.8L), dm = Store(d - 1.0L), hm = Store(h - 2.0L);
  out.v2 = Store(kAsh.a * P(dp, 2) * h + kAsh.b * P(dp, 2) * P(h, 2) - kAsh.c * P(dp, 3) * h);
  // Keeps the division of the scaled height polynomial defined.
  if (!(out.v2 > 0)) out.v2 = 0.00001;
  out.v1 = Store(kAsh.e * P(dm, 2) * hm - kAsh.f - kAsh.g * P(dm, 2) * P(hm, 2) - kAsh.i * P(dm, 3) * hm);
}

double ExponentialVolume(const ExponentialEquation& eq, double diameter, double height) {
  return Store(P(Store(height - eq.h), eq.c) * (eq.A * Exp(eq.B * P(Store(diameter + eq.d), eq.e)) - eq.z));
}

void ExponentialVolumes(SpeciesIndex species, double d, double h, Outputs out) {
  if (species == BR) {
    out.v2 = ExponentialVolume(kBirchReference, d, h);
    out.v1 = ExponentialVolume(kBirchPrimary, d, h);
    return;
  }
  // Hornbeam shares acacia's equations on a diameter scaled by 4/3.
  const double dx = species == HB ? Store(d / 3.0L * 4) : d;
  out.v2 = ExponentialVolume(kHornbeamAndAcaciaReference, dx, h);
  out.v1 = ExponentialVolume(kHornbeamAndAcaciaPrimary, dx, h);
}

void VariableExponentVolumes(const VariableExponentEquations& eq, double d, double h, Outputs out) {
  const double d1 = Store(d + 1.0L);
  const double heightExponent = Store(eq.h0 + eq.h1 * Ln(h));
  const double diameterExponent = Store(eq.b0 - eq.b1 * Ln(d1));
  out.v2 = Store(eq.a * P(h, heightExponent) * P(d1, diameterExponent));
  out.v1 = out.v2 > eq.t ? Store(eq.k * P(Store(out.v2 - eq.t), eq.m)) : 0;
}

// Writes V2, then V1.
void Volumes(SpeciesIndex species, double d, double h, Outputs out) {
  switch (species) {
    case SM: return PowerVolumes(species, kSpruce, d, h, out);
    case BO: return PowerVolumes(species, kPine, d, h, out);
    case MD: return LarchVolumes(d, h, out);
    case JD:
    case DG: return PowerVolumes(species, kFirAndDouglasFir, d, h, out);
    case DB:
    case BK: {
      const Extended D2 = P(d, 2), D3 = P(d, 3), H2 = P(h, 2);
      return FormFactorVolumes(species, d, h, D2, D3, H2, out);
    }
    case JS: return AshVolumes(d, h, out);
    case BR:
    case HB:
    case AK: return ExponentialVolumes(species, d, h, out);
    case OL: return VariableExponentVolumes(kAlder, d, h, out);
    case TP: return VariableExponentVolumes(kPoplar, d, h, out);
  }
}

}  // namespace

double HeightPolynomialAt(SpeciesIndex species, double height) {
  const HeightPolynomial& p = kHeightPolynomials[species];
  const bool capped = p.capHeight > 0 && height > p.capHeight;
  const double hc = capped ? p.capHeight : height;
  const Extended polynomial =
      p.c5 * P(hc, 5) + p.c4 * P(hc, 4) + p.c3 * P(hc, 3) + p.c2 * P(hc, 2) + p.c1 * hc + p.c0;
  if (!capped) return Store(polynomial);
  const double excess = Store(static_cast<Extended>(height) - p.capHeight);
  return Store(excess * p.slope + polynomial);
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
      Volumes(species, diameter, height, {v1, v2});
      v4 = HeightPolynomialAt(species, height);
    }
    v3 = Store(Divide(static_cast<Extended>(v4) * v1, v2));
    if (species == SM && v3 < 5) v3 = 0;
  }
  if (Ordered(v1) < 0) v1 = 0;
  if (Ordered(v3) < 0) v3 = 0;
}

}  // namespace vzorce
