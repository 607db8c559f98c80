// pdravlik-calc's command line. Options may come before or after the
// command; an argument that looks like a negative number is a value, not an
// option, so that "volume SM -30 25" reaches the models' warnings.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "stand_summary.h"
#include "tree_file_calculation.h"

namespace dravlik {

struct UsageError {
  std::string message;
};

struct LayerRequest {
  std::optional<std::string> layer;   // the input's, when it holds several
  std::optional<std::string> format;  // GDAL's name of the output's format
  bool dissolve = false;              // stand: each group's trees' geometries, united
};

struct CommandLine {
  bool help = false;
  bool version = false;
  std::string command;                 // a quantity's, stand or species
  std::vector<std::string> arguments;  // the single value's inputs
  TreeFileOptions file;
  std::optional<std::string> input, output;
  StandRequest stand;                  // stand
  std::optional<FillRequest> fill;     // volume and stand, with --fill-heights
  std::optional<std::string> curves;   // the fitted curves' file
  LayerRequest layers;                 // a GIS layer's input and output
  bool IsStand() const { return command == "stand"; }
  bool IsFile() const { return input || output || !file.columns.empty() || arguments.empty(); }
};

// Throws UsageError with a message that says what to change.
CommandLine ParseCommandLine(int argc, char** argv);

std::string UsageText();

}  // namespace dravlik
