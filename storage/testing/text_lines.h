// Test support: a program's output or a message as its lines.
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace dravlik::testing {

// Without their line ends; a last line without one counts too.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

}  // namespace dravlik::testing
