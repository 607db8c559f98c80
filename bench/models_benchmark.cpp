// Time per call of the height, diameter and volume models over the inputs the
// site-class table generator passes them.
#include <benchmark/benchmark.h>

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

BENCHMARK(BM_SiteIndexHeight);
BENCHMARK(BM_HeightBySiteIndex);
BENCHMARK(BM_Diameter);
BENCHMARK(BM_Volume);

}  // namespace

BENCHMARK_MAIN();
