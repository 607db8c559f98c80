#include "young_stand.h"

#include <cmath>
#include <stdexcept>

#include "guarded_power.h"
#include "numeric.h"

namespace vzorce {
namespace {

// Column of each young-stand species in the tables below.
int YoungStandColumn(SpeciesIndex species) {
  switch (species) {
    case 0: return 0;  // SM
    case 1: return 1;  // BO
    case 4: return 2;  // DB
    case 5: return 3;  // BK
    default: throw std::out_of_range("species index has no young-stand model");
  }
}

// Threshold age and reference height by whole site index 12 to 39; columns SM, BO, DB, BK.
constexpr YoungStandThreshold kThresholds[][4] = {
    {{53, 18.54}, {39, 22.78}, {37, 24.23}, {47, 25.11}},  // 12
    {{53, 19.64}, {38, 23.86}, {36, 25.64}, {47, 26.11}},  // 13
    {{53, 20.74}, {37, 24.94}, {34, 27.14}, {47, 27.11}},  // 14
    {{53, 21.84}, {36, 26.02}, {31, 28.69}, {47, 28.11}},  // 15
    {{52, 22.87}, {34, 27.14}, {29, 30.33}, {47, 29.11}},  // 16
    {{52, 23.91}, {32, 28.31}, {26, 32.2}, {45, 30.23}},   // 17
    {{51, 24.91}, {30, 29.53}, {23, 34.22}, {43, 31.29}},  // 18
    {{51, 25.92}, {28, 30.8}, {19, 36.56}, {41, 32.41}},   // 19
    {{49, 26.98}, {25, 32.13}, {15, 39.19}, {38, 33.61}},  // 20
    {{48, 28.08}, {22, 33.52}, {0, 42.19}, {35, 34.99}},   // 21
    {{46, 29.2}, {20, 34.97}, {0, 42.19}, {31, 36.56}},    // 22
    {{44, 30.37}, {18, 36.45}, {0, 42.19}, {27, 38.34}},   // 23
    {{41, 31.64}, {15, 37.97}, {0, 42.19}, {22, 40.41}},   // 24
    {{38, 33.0}, {13, 39.56}, {0, 42.19}, {18, 42.75}},    // 25
    {{35, 34.45}, {11, 41.11}, {0, 42.19}, {13, 45.47}},   // 26
    {{31, 36.0}, {0, 42.11}, {0, 42.19}, {0, 48.47}},      // 27
    {{27, 37.73}, {0, 42.11}, {0, 42.19}, {0, 45.47}},     // 28
    {{23, 39.66}, {0, 42.11}, {0, 42.19}, {0, 45.47}},     // 29
    {{19, 41.72}, {0, 42.11}, {0, 42.19}, {0, 45.47}},     // 30
    {{15, 44.06}, {0, 42.11}, {0, 42.19}, {0, 45.47}},     // 31
    {{12, 46.59}, {0, 42.11}, {0, 42.19}, {0, 45.47}},     // 32
    {{0, 49.59}, {0, 42.11}, {0, 42.19}, {0, 45.47}},      // 33
    {{0, 49.59}, {0, 42.11}, {0, 42.19}, {0, 45.47}},      // 34
    {{0, 49.59}, {0, 42.11}, {0, 42.19}, {0, 45.47}},      // 35
    {{0, 49.59}, {0, 42.11}, {0, 42.19}, {0, 45.47}},      // 36
    {{0, 49.59}, {0, 42.11}, {0, 42.19}, {0, 45.47}},      // 37
    {{0, 49.59}, {0, 42.11}, {0, 42.19}, {0, 45.47}},      // 38
    {{0, 49.59}, {0, 42.11}, {0, 42.19}, {0, 45.47}},      // 39
};
static_assert(std::size(kThresholds) == kHighestThresholdSiteIndex - kLowestThresholdSiteIndex + 1);

// Scale M = a1·x + a0 and shape U = b1·x + b0 of the curve; columns SM, BO, DB, BK.
struct CurveConstants {
  double a0, a1, b0, b1;
};
constexpr CurveConstants kCurveConstants[4] = {
    {4.69937, 1.16735, 0.527199, 0.00518823},
    {13.5814, 0.916981, 0.143628, 0.0158335},
    {14.9862, 0.997249, 0.39595, 0.00467562},
    {21.5162, 0.883101, 0.175762, 0.00921755},
};

// a and b of the inversion's function; columns SM, BO, DB, BK.
struct InversionConstants {
  double a, b;
};
constexpr InversionConstants kInversionConstants[4] = {
    {2.8975, 0.00760001},
    {3.29885, 0.0144548},
    {3.03179, 0.015196},
    {2.51455, 0.00910983},
};

double InversionFunction(const InversionConstants& c, double z) {
  const Extended z2 = static_cast<Extended>(z) * z;
  return Store(z * (1 + Divide(1, c.a + 1.25L * c.b * z2)));
}

}  // namespace

YoungStandThreshold YoungStandThresholdAt(SpeciesIndex species, int wholeSiteIndex) {
  const int column = YoungStandColumn(species);
  if (wholeSiteIndex < kLowestThresholdSiteIndex || wholeSiteIndex > kHighestThresholdSiteIndex) {
    throw std::out_of_range("whole site index outside the young-stand threshold table");
  }
  return kThresholds[wholeSiteIndex - kLowestThresholdSiteIndex][column];
}

double YoungStandCurve(std::int32_t age, SpeciesIndex species, double referenceHeight) {
  const CurveConstants& c = kCurveConstants[YoungStandColumn(species)];
  if (age == 0) return 0;
  const Extended x = referenceHeight;
  const double scale = Store(c.a1 * x + c.a0);
  const double shape = Store(c.b1 * x + c.b0);
  const double anchor = GuardedPower(Store(Divide(x, scale)), shape);
  const double rate = Store(Divide(-Ln(1 - static_cast<Extended>(anchor)), 100));
  return Store(GuardedPower(Store(1 - Exp(-static_cast<Extended>(rate) * age)), Store(Divide(1, shape))) *
               static_cast<Extended>(scale));
}

double YoungStandHeightInversion(SpeciesIndex species, double x, int* evaluations) {
  const InversionConstants& c = kInversionConstants[YoungStandColumn(species)];
  double z = x;
  double step = Store(static_cast<Extended>(x) / 2);
  for (int count = 1;; ++count) {
    const double f = InversionFunction(c, z);
    if (evaluations) *evaluations = count;
    if (Ordered(std::fabs(static_cast<Extended>(f) - x)) < 0.0005L) return z;
    const double next = Store(f > x ? static_cast<Extended>(z) - step : static_cast<Extended>(z) + step);
    // The steps no longer move z (a negative x walks away from its root): the
    // search would go on for ever without meeting the tolerance.
    if (next == z) throw InvalidOperationError();
    z = next;
    step = Store(static_cast<Extended>(step) / 2);
  }
}

}  // namespace vzorce
