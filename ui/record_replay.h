// One recorded change applied to a table forwards (redo) or backwards (undo)
// through its own operations. Each checks first that the record still holds
// what the change left there, so that a table changed behind the history's
// back is refused rather than overwritten.
#pragma once

#include "edit_history.h"

namespace dravlik {

void ApplyForwards(TTable& table, const RecordChange& change);
void ApplyBackwards(TTable& table, const RecordChange& change);

}  // namespace dravlik
