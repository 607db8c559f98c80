// Time per call of the height, diameter and volume models over the inputs the
// site-class table generator passes them; the volume model also over an
// inventory's trees (measurements to one decimal), the height-diameter grid and
// trees that never repeat a diameter or a height. Each benchmark passes over
// the same inputs again and again, so the models' per-thread memos are warm
// except where the inputs outnumber them.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "diameter.h"
#include "height_by_site_index.h"
#include "site_index_height.h"
#include "species.h"
#include "volume.h"

namespace {

using namespace vzorce;

struct Row {
  SpeciesIndex species;
  double age, siteIndex, height, diameter;
};

const std::vector<Row>& SiteClassRows() {
  static const std::vector<Row> rows = [] {
    std::vector<Row> result;
    for (SpeciesIndex s = 0; s < kModelledSpeciesCount; ++s) {
      const SiteIndexRange range = SiteIndexRangeOf(s);
      for (int S = range.lowest; S <= range.highest; S += 2) {
        for (int age = 15; age <= MaximumAge(s); age += 5) {
          const double h = HeightBySiteIndex(s, age, S);
          result.push_back({s, double(age), double(S), h, Diameter(s, age, h)});
        }
      }
    }
    return result;
  }();
  return rows;
}

template <class Model>
void RunOverRows(benchmark::State& state, Model model) {
  const std::vector<Row>& rows = SiteClassRows();
  for (auto _ : state) {
    for (const Row& row : rows) benchmark::DoNotOptimize(model(row));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(rows.size()));
}

void BM_SiteIndexHeight(benchmark::State& state) {
  RunOverRows(state, [](const Row& r) { return SiteIndexHeight(r.species, r.age, r.siteIndex); });
}
void BM_HeightBySiteIndex(benchmark::State& state) {
  RunOverRows(state, [](const Row& r) { return HeightBySiteIndex(r.species, r.age, r.siteIndex); });
}
void BM_Diameter(benchmark::State& state) {
  RunOverRows(state, [](const Row& r) { return Diameter(r.species, r.age, r.height); });
}
void BM_Volume(benchmark::State& state) {
  RunOverRows(state, [](const Row& r) {
    double v1 = 0, v2 = 0, v3 = 0, v4 = 0;
    Volume(r.species, r.diameter, r.height, v1, v2, v3, v4);
    return v1;
  });
}

struct Tree {
  SpeciesIndex species;
  double diameter, height;
};

// Diameters 7 to 80 cm and heights 5 to 45 m to one decimal, as inventories
// record them: many trees of each species, few exact repeats.
const std::vector<Tree>& InventoryTrees() {
  static const std::vector<Tree> trees = [] {
    std::mt19937_64 engine(10);
    std::vector<Tree> result;
    for (int i = 0; i < 100000; ++i) {
      const auto species = static_cast<SpeciesIndex>(engine() % kModelledSpeciesCount);
      const double diameter = 7 + static_cast<double>(engine() % 731) / 10;
      result.push_back({species, diameter, 5 + static_cast<double>(engine() % 401) / 10});
    }
    return result;
  }();
  return trees;
}

// Full-precision diameters and heights, none repeated: no memo helps.
const std::vector<Tree>& DistinctTrees() {
  static const std::vector<Tree> trees = [] {
    std::mt19937_64 engine(11);
    const auto unit = [&] { return static_cast<double>(engine() >> 11) * 0x1p-53; };
    std::vector<Tree> result;
    for (int i = 0; i < 1000000; ++i) {
      const auto species = static_cast<SpeciesIndex>(engine() % kModelledSpeciesCount);
      const double diameter = 7 + 73 * unit();
      result.push_back({species, diameter, 5 + 40 * unit()});
    }
    return result;
  }();
  return trees;
}

const std::vector<Tree>& HeightDiameterGrid() {
  static const std::vector<Tree> trees = [] {
    std::vector<Tree> result;
    for (SpeciesIndex s = 0; s < kModelledSpeciesCount; ++s) {
      for (int h = 7; h <= 40; ++h) {
        for (int d = 7; d <= 80; ++d) result.push_back({s, double(d), double(h)});
      }
    }
    return result;
  }();
  return trees;
}

void RunVolumeOver(benchmark::State& state, const std::vector<Tree>& trees) {
  for (auto _ : state) {
    for (const Tree& t : trees) {
      double v1 = 0, v2 = 0, v3 = 0, v4 = 0;
      Volume(t.species, t.diameter, t.height, v1, v2, v3, v4);
      benchmark::DoNotOptimize(v1);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(trees.size()));
}

void BM_VolumeInventory(benchmark::State& state) { RunVolumeOver(state, InventoryTrees()); }
void BM_VolumeHeightDiameterGrid(benchmark::State& state) { RunVolumeOver(state, HeightDiameterGrid()); }
void BM_VolumeDistinctTrees(benchmark::State& state) { RunVolumeOver(state, DistinctTrees()); }

BENCHMARK(BM_SiteIndexHeight);
BENCHMARK(BM_HeightBySiteIndex);
BENCHMARK(BM_Diameter);
BENCHMARK(BM_Volume);
BENCHMARK(BM_VolumeInventory);
BENCHMARK(BM_VolumeHeightDiameterGrid);
BENCHMARK(BM_VolumeDistinctTrees)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
