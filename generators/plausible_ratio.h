// The height-diameter table stores a volume only for trees whose ratio of height
// (m) to diameter (cm) is plausible.
#pragma once

namespace dravlik {

// The bounds of h/d, both excluded. 1.9 is held at extended precision: the
// extended 1.9 lies just below 1.9 but above the double nearest 19/10, so the
// ratio 1.9 itself passes while 0.25 itself does not.
inline constexpr double kLowestPlausibleRatio = 0.25;
inline constexpr long double kHighestPlausibleRatio = 1.9L;

// kLowestPlausibleRatio < h/d < kHighestPlausibleRatio, with h/d rounded to a
// double; for the table's whole heights and diameters as for measured trees.
bool HasPlausibleRatio(double height, double diameter);

}  // namespace dravlik
