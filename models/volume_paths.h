// The two paths of the volume model to V2 and V1. Both run the equations of
// volume_equations.h and give the same bits; the memoised one is the fast one.
#pragma once

#include <cstddef>

#include "species.h"
#include "volume_equations.h"

namespace vzorce::volume_equations {

// V2, V1 and V4 through the per-thread memos; false, with nothing written,
// where a part raises and the plain path must run instead.
bool MemoizedVolumes(SpeciesIndex species, double d, double h, Outputs out, double& v4);
std::size_t ClearMemos();

// Writes V2, then V1; an error ends it where the equations raise it.
void PlainVolumes(SpeciesIndex species, double d, double h, Outputs out);

}  // namespace vzorce::volume_equations
