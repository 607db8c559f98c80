// The volume model: one tree, given by species, breast-height diameter D (cm)
// and height H (m), turned into four numbers:
//   V1 the primary volume (m³), the one the tables store;
//   V2 the reference volume (m³), a second equation of the same species;
//   V3 the scaled height polynomial, V4 · V1 / V2;
//   V4 the height polynomial, a function of H alone.
//
// Each species has its own equations with literal constants, held at extended
// precision; five families share the forms (power, form factor, polynomial,
// exponential, variable exponent).
#pragma once

#include <cstddef>

#include "species.h"

namespace vzorce {

// Outputs are written in the order V2, V1, V4, V3; an arithmetic error ends the
// call with the outputs written so far. Below D = 6 or H = 6 all four are 0. For
// a species index above 12 nothing is computed: the outputs keep what the caller
// passed, except that a negative V1 or V3 becomes 0.
void Volume(SpeciesIndex species, double diameter, double height, double& v1, double& v2, double& v3, double& v4);

// Volume remembers, per thread, the parts of its equations that depend on the
// diameter or the height alone. Empties this thread's memos; returns how many
// diameters and heights they held.
std::size_t ClearVolumeMemos();

}  // namespace vzorce
