#include "library_search_path.h"

#include <dlfcn.h>

#include <cstddef>
#include <memory>

namespace dravlik {
namespace {

std::string LastDlError() {
  const char* text = dlerror();
  return text ? text : "unknown failure";
}

LibrarySearchPath SearchPathOf(void* program) {
  LibrarySearchPath search;
  Dl_serinfo size{};
  if (dlinfo(program, RTLD_DI_SERINFOSIZE, &size) != 0) {
    search.failure = LastDlError();
    return search;
  }
  const auto storage = std::make_unique<std::max_align_t[]>(size.dls_size / sizeof(std::max_align_t) + 1);
  auto* info = reinterpret_cast<Dl_serinfo*>(storage.get());
  *info = size;
  if (dlinfo(program, RTLD_DI_SERINFO, info) != 0) {
    search.failure = LastDlError();
    return search;
  }
  const Dl_serpath* entries = info->dls_serpath;  // as many as dls_cnt says
  for (unsigned int i = 0; i < info->dls_cnt; ++i) {
    const std::string directory = entries[i].dls_name;
    (directory.starts_with('/') ? search.directories : search.relative).push_back(directory);
  }
  return search;
}

}  // namespace

LibrarySearchPath ProgramLibrarySearchPath() {
  // The program itself: the table layer, which loads the engine, is linked into it.
  void* program = dlopen(nullptr, RTLD_LAZY);
  if (!program) return {{}, {}, LastDlError()};
  LibrarySearchPath search = SearchPathOf(program);
  dlclose(program);
  return search;
}

}  // namespace dravlik
