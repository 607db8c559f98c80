// Inserting and posting the 32,708 rows of the height-diameter table through the
// table layer, beside GDAL's ogr2ogr writing the same rows from a CSV file.
#include <benchmark/benchmark.h>

#include <fstream>
#include <optional>
#include <vector>

#include "numeric.h"
#include "plausible_ratio.h"
#include "ogr2ogr.h"
#include "scratch_directory.h"
#include "schemas.h"
#include "species.h"
#include "volume.h"

namespace {

using namespace dravlik;

struct Row {
  std::string species;
  int height, diameter;
  std::optional<double> volume;
};

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = [] {
    std::vector<Row> result;
    std::string code;
    for (vzorce::SpeciesIndex s = 0; s < vzorce::kModelledSpeciesCount; ++s) {
      vzorce::SpeciesCode(s, code);
      for (int h = 7; h <= 40; ++h) {
        for (int d = 7; d <= 80; ++d) {
          std::optional<double> volume;
          if (HasPlausibleRatio(h, d)) {
            double v1 = 0, v2 = 0, v3 = 0, v4 = 0;
            vzorce::Volume(s, d, h, v1, v2, v3, v4);
            volume = vzorce::RoundToHundredths(v1);
          }
          result.push_back({code, h, d, volume});
        }
      }
    }
    return result;
  }();
  return rows;
}

void BM_TableLayerInsertAndPost(benchmark::State& state) {
  const testing::WorkingInScratchDirectory scratch("pdravlik-bench");
  const std::vector<Row>& rows = Rows();
  for (auto _ : state) {
    auto table = MakeHeightDiameterTable();
    table->CreateTable();
    table->Open();
    for (const Row& row : rows) {
      table->Insert();
      table->FieldByName("DREVINA").SetAsString(row.species);
      table->FieldByName("VYSKA").SetAsInteger(row.height);
      table->FieldByName("TLOUSTKA").SetAsInteger(row.diameter);
      if (row.volume) table->FieldByName("Hmot").SetAsFloat(*row.volume);
      table->Post();
    }
    table->Close();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(rows.size()));
}

void BM_Ogr2ogrFromCsv(benchmark::State& state) {
  const testing::WorkingInScratchDirectory scratch("pdravlik-bench");
  {
    std::ofstream csv("TloVysHm.csv");
    csv << "drevina,tloustka,vyska,hmot\n";
    const bool header = state.range(0) == 0;  // the start-up cost alone
    for (const Row& row : Rows()) {
      if (header) break;
      csv << row.species << ',' << row.diameter << ',' << row.height << ',';
      if (row.volume) csv << *row.volume;
      csv << '\n';
    }
  }
  for (auto _ : state) {
    if (!bench::Ogr2ogr("TloVysHm.csv", "TloVysHm.dbf")) state.SkipWithError("ogr2ogr failed");
  }
  state.SetItemsProcessed(state.iterations() * (state.range(0) ? static_cast<std::int64_t>(Rows().size()) : 0));
}

BENCHMARK(BM_TableLayerInsertAndPost)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Ogr2ogrFromCsv)->ArgName("rows")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
