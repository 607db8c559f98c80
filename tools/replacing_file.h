// Writes a file whole or not at all: the bytes go to a new file created
// exclusively beside the target (never following a link, never reusing an
// existing name) and renamed over the target once complete, so neither a
// failure nor a link planted under any name can make us write elsewhere.
#pragma once

#include <string>
#include <string_view>

namespace dravlik {

// Raises std::runtime_error "cannot write PATH: reason" on failure, leaving
// the target as it was.
void ReplaceFile(const std::string& path, std::string_view contents);

}  // namespace dravlik
