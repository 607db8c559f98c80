// What a file written in place of another takes over from it: its mode, its
// group (and, for root, its owner), so that a file shared through a group
// stays shared and a private file stays private.
#pragma once

#include <sys/stat.h>

namespace dravlik {

// A file its owner made read-only is never replaced, not even by root.
inline bool OwnerMadeReadOnly(const struct stat& info) { return (info.st_mode & 0222) == 0; }

// Gives the file open as `fd` the owner, group and mode of `old` as far as
// the user may set them. Where the group cannot be kept the group gets no
// permissions, so the file is never more open than the old one. 0, or an
// errno.
int TakeOverAttributes(int fd, const struct stat& old);

}  // namespace dravlik
