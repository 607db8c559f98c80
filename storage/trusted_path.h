// Whether a place may be trusted to hold code the program loads, judged as ssh
// judges its configuration: the file or directory and every directory above it
// are owned by root or the current user, and nobody else can write to them. A
// directory above it may be writable by all when it is sticky (as /tmp is), as
// then nobody else can replace what lies in it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace dravlik {

// Why `canonicalPath` (absolute, without symbolic links, "." or "..") is not
// to be trusted, as a sentence's end naming the culprit; nothing when it is.
std::optional<std::string> WhyUntrusted(const std::filesystem::path& canonicalPath);

}  // namespace dravlik
