// Generating both tables end to end (models, table layer, files closed), the
// model arithmetic alone for the same rows, and GDAL's ogr2ogr writing the same
// two tables from CSV.
#include <benchmark/benchmark.h>

#include <fstream>

#include "csv_export.h"
#include "curve_cache.h"
#include "diameter.h"
#include "height_by_site_index.h"
#include "height_diameter_table.h"
#include "numeric.h"
#include "plausible_ratio.h"
#include "ogr2ogr.h"
#include "scratch_directory.h"
#include "schemas.h"
#include "site_class_table.h"
#include "species.h"
#include "volume.h"

namespace {

using namespace dravlik;

// Every run starts cold, as a program does.
void ForgetModelMemos() {
  vzorce::ClearCurveCaches();
  vzorce::ClearVolumeMemos();
}

void BM_GenerateBothTables(benchmark::State& state) {
  const testing::WorkingInScratchDirectory scratch("pdravlik-bench");
  for (auto _ : state) {
    ForgetModelMemos();
    auto siteClass = MakeSiteClassTable();
    auto heightDiameter = MakeHeightDiameterTable();
    GenerateSiteClassTable(*siteClass);
    GenerateHeightDiameterTable(*heightDiameter);
    siteClass->Close();
    heightDiameter->Close();
  }
}

// Each table alone: run side by side, the longer one bounds the whole.
template <class Make, class Generate>
void GenerateOneTable(benchmark::State& state, Make make, Generate generate) {
  const testing::WorkingInScratchDirectory scratch("pdravlik-bench");
  for (auto _ : state) {
    ForgetModelMemos();
    auto table = make(Session());
    generate(*table);
    table->Close();
  }
}

void BM_GenerateSiteClassTable(benchmark::State& state) {
  GenerateOneTable(state, MakeSiteClassTable, [](TTable& t) { GenerateSiteClassTable(t); });
}
void BM_GenerateHeightDiameterTable(benchmark::State& state) {
  GenerateOneTable(state, MakeHeightDiameterTable, [](TTable& t) { GenerateHeightDiameterTable(t); });
}

// What the generators compute for their rows, without storing anything.
double ModelArithmetic() {
  double sum = 0;
  for (vzorce::SpeciesIndex s = 0; s < vzorce::kModelledSpeciesCount; ++s) {
    const vzorce::SiteIndexRange range = vzorce::SiteIndexRangeOf(s);
    for (int siteIndex = range.lowest; siteIndex <= range.highest; siteIndex += 2) {
      for (int age = 15; age <= vzorce::MaximumAge(s); age += 5) {
        const double h = vzorce::HeightBySiteIndex(s, age, siteIndex);
        const double d = vzorce::Diameter(s, age, h);
        double v1 = 0, v2 = 0, v3 = 0, v4 = 0;
        vzorce::Volume(s, d, h, v1, v2, v3, v4);
        sum += vzorce::RoundToTenths(h) + vzorce::RoundToTenths(d) + vzorce::RoundToHundredths(v1);
      }
    }
    for (int h = 7; h <= 40; ++h) {
      for (int d = 7; d <= 80; ++d) {
        if (!HasPlausibleRatio(h, d)) continue;
        double v1 = 0, v2 = 0, v3 = 0, v4 = 0;
        vzorce::Volume(s, d, h, v1, v2, v3, v4);
        sum += vzorce::RoundToHundredths(v1);
      }
    }
  }
  return sum;
}

void BM_ModelArithmeticAlone(benchmark::State& state) {
  for (auto _ : state) {
    ForgetModelMemos();
    benchmark::DoNotOptimize(ModelArithmetic());
  }
}

void BM_Ogr2ogrBothTablesFromCsv(benchmark::State& state) {
  const testing::WorkingInScratchDirectory scratch("pdravlik-bench");
  for (auto make : {MakeSiteClassTable, MakeHeightDiameterTable}) {
    auto table = make(Session());
    make == MakeSiteClassTable ? GenerateSiteClassTable(*table) : GenerateHeightDiameterTable(*table);
    std::ofstream csv(table->TableName() + ".csv");
    WriteCsv(*table, csv);
  }
  for (auto _ : state) {
    if (!bench::Ogr2ogr("bon_Hm1.dbf.csv", "gdal_bon_Hm1.dbf") ||
        !bench::Ogr2ogr("TloVysHm.dbf.csv", "gdal_TloVysHm.dbf")) {
      state.SkipWithError("ogr2ogr failed");
    }
  }
}

BENCHMARK(BM_GenerateBothTables)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GenerateSiteClassTable)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GenerateHeightDiameterTable)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ModelArithmeticAlone)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Ogr2ogrBothTablesFromCsv)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
