#include "file_attributes.h"

#include <unistd.h>

#include <cerrno>

namespace dravlik {

int TakeOverAttributes(int fd, const struct stat& old) {
  struct stat now {};
  if (::fstat(fd, &now) != 0) return errno;
  mode_t mode = old.st_mode & 07777;
  // Only root may give a file away; anyone may pass it to a group of theirs.
  if (now.st_uid != old.st_uid && ::geteuid() == 0 && ::fchown(fd, old.st_uid, old.st_gid) == 0) {
    now.st_gid = old.st_gid;
  } else if (now.st_gid != old.st_gid && ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) == 0) {
    now.st_gid = old.st_gid;
  }
  if (now.st_gid != old.st_gid) mode &= ~static_cast<mode_t>(S_IRWXG | S_ISGID);
  if (::fchmod(fd, mode) != 0) return errno;
  return 0;
}

}  // namespace dravlik
