// The settings of the database engine: a small system-wide key=value file that
// takes the place of a registry key. Only the engine loader reads it.
#pragma once

#include <optional>
#include <string>

namespace dravlik {

// /etc/pdravlik/engine.conf, unless the environment variable
// PDRAVLIK_ENGINE_CONFIG names another file.
std::string EngineSettingsPath();

// The value of a key in a settings file: lines "KEY=value", blanks around key
// and value ignored, lines starting with '#' or ';' ignored, keys compared
// ignoring letter case. Nothing when the file or the key is missing.
std::optional<std::string> ReadSetting(const std::string& path, const std::string& key);

}  // namespace dravlik
