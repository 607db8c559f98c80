#include "component_library.h"

namespace dravlik {
namespace {
int users = 0;
}

bool InitializeComponentLibrary() {
  ++users;
  return true;
}

void UninitializeComponentLibrary() {
  if (users > 0) --users;
}

int ComponentLibraryUsers() { return users; }

}  // namespace dravlik
