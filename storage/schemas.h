// The two tables of the system with their persistent fields.
#pragma once

#include <memory>

#include "table.h"

namespace dravlik {

// Table1, "bon_Hm1.dbf": DREVINA (string 3), BONITA, VEK, VYSKA, TLOUSTKA, HMOT (floats).
std::unique_ptr<TTable> MakeSiteClassTable(TSession& session = Session());

// Table2, "TloVysHm.dbf": drevina (string 3), tloustka, vyska, hmot (floats).
std::unique_ptr<TTable> MakeHeightDiameterTable(TSession& session = Session());

}  // namespace dravlik
