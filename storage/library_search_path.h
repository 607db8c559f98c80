// The directories the dynamic loader searches for a library that the program
// loads by a bare name: LD_LIBRARY_PATH, the program's RUNPATH (or RPATH) and
// the system's directories. The loader's cache of the system's libraries is not
// among them.
#pragma once

#include <string>
#include <vector>

namespace dravlik {

struct LibrarySearchPath {
  // In the loader's order; each an absolute directory.
  std::vector<std::string> directories;
  // The entries that are not absolute: an empty one, ".", or a relative path
  // all name the working directory or a place under it.
  std::vector<std::string> relative;
  // Why the search path could not be had, if it could not; then both lists
  // are empty and nothing can be said to be safe.
  std::string failure;
};

LibrarySearchPath ProgramLibrarySearchPath();

}  // namespace dravlik
