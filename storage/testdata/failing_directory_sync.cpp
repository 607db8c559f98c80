// Preloaded into a program, makes every sync of a directory fail with EIO, as
// on a disk that fails: a table's rename then stands, but nothing promises
// that a system crash keeps it. Every other sync goes through.
#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>

extern "C" int fsync(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    errno = EIO;
    return -1;
  }
  static const auto next = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
  return next ? next(fd) : (errno = ENOSYS, -1);
}
