// pdravlik-calc's batch path over an inventory of 1,000,000 trees (species,
// diameter and height to one decimal): the whole CSV in, CSV out, on every
// core, against the volume model alone on the same trees, so the difference in
// CPU time is what parsing and formatting cost.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "number_text.h"
#include "tree_file_calculation.h"

namespace {

using namespace dravlik;

constexpr int kTrees = 1'000'000;

struct Tree {
  vzorce::SpeciesIndex species;
  double diameter, height;
};

const std::vector<Tree>& Trees() {
  static const std::vector<Tree> trees = [] {
    std::mt19937_64 random(20261208);
    std::vector<Tree> result;
    for (int i = 0; i < kTrees; ++i) {
      const auto species = static_cast<vzorce::SpeciesIndex>(random() % 13);
      const double diameter = (70 + static_cast<double>(random() % 731)) / 10;  // 7.0 to 80.0
      const double height = (70 + static_cast<double>(random() % 331)) / 10;    // 7.0 to 40.0
      result.push_back({species, diameter, height});
    }
    return result;
  }();
  return trees;
}

const std::string& TreesCsv() {
  static const std::string csv = [] {
    const char* codes[] = {"SM", "BO", "MD", "JD", "DB", "BK", "JS", "BR", "OL", "TP", "HB", "AK", "DG"};
    std::string text = "id,species,diameter,height\n";
    int id = 0;
    for (const Tree& tree : Trees()) {
      text += std::to_string(++id) + ',' + codes[tree.species] + ',';
      AppendNumber(text, tree.diameter, false);
      text += ',';
      AppendNumber(text, tree.height, false);
      text += '\n';
    }
    return text;
  }();
  return csv;
}

void VolumeModelAlone(benchmark::State& state) {
  const Calculation volume;
  double result[4];
  for (auto _ : state) {
    for (const Tree& tree : Trees()) {
      Calculate(volume, tree.species, {tree.diameter, tree.height}, result);
      benchmark::DoNotOptimize(result[0]);
    }
  }
  state.SetItemsProcessed(state.iterations() * kTrees);
}
BENCHMARK(VolumeModelAlone)->Unit(benchmark::kMillisecond);

void CsvInCsvOut(benchmark::State& state) {
  const std::string& input = TreesCsv();
  std::string output;
  for (auto _ : state) {
    std::size_t offset = 0;
    output.clear();
    const TreeFileSummary summary = CalculateTreeFile(
        TreeFileOptions{},
        [&](char* buffer, std::size_t size) {
          const std::size_t got = input.copy(buffer, size, offset);
          offset += got;
          return got;
        },
        [&](std::string_view bytes) { output += bytes; });
    if (summary.rowsComputed != kTrees) state.SkipWithError("not every tree was computed");
  }
  state.SetItemsProcessed(state.iterations() * kTrees);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(input.size()));
}
BENCHMARK(CsvInCsvOut)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
