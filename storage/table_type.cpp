#include "table_type.h"

#include <filesystem>
#include <initializer_list>
#include <string_view>

#include "letter_case.h"

namespace dravlik {
namespace {

// Whether a file with the same name as `path` but one of `extensions` (in any
// letter case) lies beside it.
bool CompanionExists(const std::filesystem::path& path, std::initializer_list<std::string_view> extensions) {
  namespace fs = std::filesystem;
  const fs::path directory = path.has_parent_path() ? path.parent_path() : fs::path(".");
  const fs::path stem = path.stem();
  std::error_code error;
  for (fs::directory_iterator entry(directory, error), end; !error && entry != end; entry.increment(error)) {
    const fs::path name = entry->path().filename();
    if (name.stem() != stem) continue;
    for (const std::string_view extension : extensions) {
      if (SameTextIgnoringCase(name.extension().string(), extension)) return true;
    }
  }
  return false;
}

}  // namespace

TTableType TableTypeOf(const std::string& tableName) {
  const std::filesystem::path path(tableName);
  const std::string extension = path.extension().string();
  if (SameTextIgnoringCase(extension, ".DB")) return TTableType::Paradox;
  if (SameTextIgnoringCase(extension, ".TXT")) return TTableType::Ascii;
  if (!SameTextIgnoringCase(extension, ".DBF")) return TTableType::Default;
  const bool foxPro = CompanionExists(path, {".FPT", ".CDX"});
  return foxPro ? TTableType::FoxPro : TTableType::DBase;
}

std::string DriverNameOf(TTableType type) {
  switch (type) {
    case TTableType::DBase: return "DBASE";
    case TTableType::FoxPro: return "FOXPRO";
    case TTableType::Ascii: return "ASCIIDRV";
    default: return "PARADOX";
  }
}

}  // namespace dravlik
