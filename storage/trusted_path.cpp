#include "trusted_path.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace dravlik {
namespace {

// Why this one file or directory is not to be trusted; `above` for a directory
// above the place judged.
std::optional<std::string> WhyUntrustedItself(const std::filesystem::path& path, bool above) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return path.string() + " cannot be examined: " + std::strerror(errno);
  if (status.st_uid != 0 && status.st_uid != geteuid()) {
    return path.string() + " belongs to user " + std::to_string(status.st_uid) +
           ", who is neither root nor the current user";
  }
  const bool othersMayWrite = (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
  const bool stickyDirectoryAbove = above && S_ISDIR(status.st_mode) && (status.st_mode & S_ISVTX) != 0;
  if (othersMayWrite && !stickyDirectoryAbove) return path.string() + " can be written by others than its owner";
  return std::nullopt;
}

}  // namespace

std::optional<std::string> WhyUntrusted(const std::filesystem::path& canonicalPath) {
  for (std::filesystem::path path = canonicalPath;; path = path.parent_path()) {
    if (auto why = WhyUntrustedItself(path, path != canonicalPath)) return why;
    if (path == path.parent_path()) return std::nullopt;
  }
}

}  // namespace dravlik
