// The application's title, the caption of every error box.
#pragma once

#include <QString>

namespace dravlik {

// The executable's file name without its directory and without everything
// from the first ".", every letter but the first in lower case.
QString ApplicationTitle(const QString& executablePath);

}  // namespace dravlik
