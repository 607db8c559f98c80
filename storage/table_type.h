// Which kind of table a file name stands for, and the engine driver that
// kind takes.
#pragma once

#include <string>

namespace dravlik {

enum class TTableType { Default, Paradox, DBase, FoxPro, Ascii };

// The type follows the extension; a .dbf with a .FPT or .CDX file beside it
// is a FoxPro table.
TTableType TableTypeOf(const std::string& tableName);
std::string DriverNameOf(TTableType type);

}  // namespace dravlik
