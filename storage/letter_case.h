// Comparing names as a user reads them: ignoring letter case, with the user's
// locale (the C library's current one) for letters beyond ASCII.
#pragma once

#include <string_view>

namespace dravlik {

// Whether two UTF-8 texts are equal ignoring letter case. Text that is not
// valid UTF-8 is compared byte by byte, ignoring the case of ASCII letters.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

// The same, with Unicode's case mapping whatever the user's locale (LC_ALL=C
// included): for names in files that travel between machines.
bool SameTextIgnoringCaseInAnyLocale(std::string_view a, std::string_view b);

}  // namespace dravlik
