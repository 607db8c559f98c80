// A library planted where no program of ours may load it from: loaded, its
// constructor leaves the marker file "<its file name>.loaded" in the working
// directory. It uses only the C library, so that it also loads in place of
// the libraries every C++ program needs.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>

namespace {

__attribute__((constructor)) void LeaveMarker() {
  Dl_info self{};
  if (!dladdr(reinterpret_cast<void*>(&LeaveMarker), &self) || !self.dli_fname) return;
  const char* name = std::strrchr(self.dli_fname, '/');
  name = name ? name + 1 : self.dli_fname;
  char marker[256];
  const std::size_t length = std::strlen(name);
  if (length + sizeof ".loaded" > sizeof marker) return;
  std::memcpy(marker, name, length);
  std::memcpy(marker + length, ".loaded", sizeof ".loaded");
  const int file = open(marker, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (file >= 0) close(file);
}

}  // namespace
