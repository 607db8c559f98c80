#include "settings.h"

#include <cstdlib>
#include <fstream>
#include <strings.h>

namespace dravlik {
namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

std::string EngineSettingsPath() {
  // Not for a program that runs with privileges its caller lacks.
  if (const char* path = secure_getenv("PDRAVLIK_ENGINE_CONFIG"); path && *path) return path;
  return "/etc/pdravlik/engine.conf";
}

std::optional<std::string> ReadSetting(const std::string& path, const std::string& key) {
  std::ifstream file(path);
  std::string line;
  while (std::getline(file, line)) {
    const std::string content = Trimmed(line);
    if (content.empty() || content[0] == '#' || content[0] == ';') continue;
    const auto equals = content.find('=');
    if (equals == std::string::npos) continue;
    if (strcasecmp(Trimmed(content.substr(0, equals)).c_str(), key.c_str()) == 0) {
      return Trimmed(content.substr(equals + 1));
    }
  }
  return std::nullopt;
}

}  // namespace dravlik
