// Short English texts of every status the engine or its loader can give.
#pragma once

#include "engine_api.h"

namespace dbfe {

// nullptr for a status the engine does not know.
const char* StatusText(dbfe_status status) noexcept;

}  // namespace dbfe
