// The hidden files written beside a target, ".NAME.NNNNNNNNN.tmp": created
// exclusively (never through a link, never reusing a name) and, when a killed
// program left one, removed by the next program that writes the same target.
#pragma once

#include <sys/types.h>

#include <string>

namespace dravlik {

// Whether `name` still leads to the file open as `fd` (a link is not followed).
bool StillNamed(int fd, const std::string& name);

std::string DirectoryOf(const std::string& path);
std::string FileNameOf(const std::string& path);

// ".NAME<suffix>" in the target's directory.
std::string HiddenSibling(const std::string& path, const std::string& suffix);

// A new hidden file for `path`, created with `mode` (less the umask); its
// descriptor, and its name in `name`. -1 with errno set when none could be
// created. With `locked`, the file is created holding an exclusive flock, so
// that RemoveLeftovers leaves it alone while its writer lives.
int CreateHiddenFile(const std::string& path, mode_t mode, bool locked, std::string& name);

// Whether `name` is a hidden file of the target named `target_name`.
bool IsLeftoverName(const std::string& name, const std::string& target_name);

// Removes what killed writers of `path` left: only files of our pattern, only
// regular files owned by the user, never through a link, never one whose
// writer still holds its lock. A leftover that cannot be removed costs only
// space, so this never fails.
void RemoveLeftovers(const std::string& path) noexcept;

}  // namespace dravlik
