// Test support: runs a command line through the shell as people and scripts
// run the programs, and gives back its exit status and standard output.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace dravlik::testing {

struct Outcome {
  int status;
  std::string output;
};

inline Outcome RunCommand(const std::string& command) {
  Outcome outcome{-1, ""};
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return outcome;
  for (int c; (c = std::fgetc(pipe)) != EOF;) outcome.output += static_cast<char>(c);
  const int status = pclose(pipe);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace dravlik::testing
