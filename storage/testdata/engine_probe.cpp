// Loads the engine the way the programs do:
//   engine_probe LIBRARY_NAME SETTINGS_FILE
// Prints "loaded <file>" and exits 0, or prints the failure's status in hex on
// one line and its message after it, and exits 1.
#include <cstdio>

#include "database_error.h"
#include "engine_library.h"

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s LIBRARY_NAME SETTINGS_FILE\n", argv[0]);
    return 2;
  }
  try {
    const auto engine = dravlik::EngineLibrary::Load({argv[1], argv[2]});
    std::printf("loaded %s\n", engine->Path().c_str());
    return 0;
  } catch (const dravlik::EDBEngineError& error) {
    std::printf("%04x\n%s\n", error.Status(), error.what());
    return 1;
  }
}
