// The settings of the database engine: a small system-wide key=value file that
// takes the place of a registry key. Only the engine loader reads it.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>

namespace dravlik {

// A settings file that exists but cannot be trusted or read; the message names
// the file and the reason.
class SettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A settings file holds a few short lines; anything longer is not one.
inline constexpr std::size_t kMaxSettingsFileSize = 4096;

// /etc/pdravlik/engine.conf, unless the environment variable
// PDRAVLIK_ENGINE_CONFIG names another file. SettingsError when that variable
// holds a relative path, which would name a file in the working directory.
std::string EngineSettingsPath();

// The value of a key in a settings file: lines "KEY=value", blanks around key
// and value ignored, lines starting with '#' or ';' ignored, keys compared
// ignoring letter case. Nothing when the file or the key is missing.
// SettingsError when the path is relative, or the file is not a regular file,
// is larger than kMaxSettingsFileSize bytes or cannot be read.
std::optional<std::string> ReadSetting(const std::string& path, const std::string& key);

}  // namespace dravlik
