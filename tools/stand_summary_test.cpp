// The stand summary over small tree lists whose figures are worked out here
// by hand: which lines come out, what each holds, and what is left out and
// why.
#include "stand_summary.h"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "csv_table_for_tests.h"
#include "height_curve.h"
#include "number_text.h"
#include "species_reading.h"
#include "volume.h"

namespace dravlik {
namespace {

using Table = testing::CsvTable;

struct StandRun {
  Table lines;  // the header first
  StandSummaryCounts counts;
  std::string curves;
  std::string error;
};

StandRun Summarise(const std::string& input, StandRequest request, TreeFileOptions options = {}) {
  StandRun run;
  std::string output;
  std::size_t offset = 0;
  const InputPasses passes = [&]() -> InputReader {
    offset = 0;
    return [&](char* buffer, std::size_t size) {
      const std::size_t got = input.copy(buffer, std::min<std::size_t>(size, 7), offset);
      offset += got;
      return got;
    };
  };
  try {
    run.counts = SummariseStands(options, request, passes, [&](std::string_view bytes) { output += bytes; },
                                 &run.curves);
  } catch (const TreeFileError& e) {
    run.error = e.what();
  }
  run.lines = testing::ParsedCsv(output, options.format.delimiter);
  return run;
}

StandRequest OnPlots(double area, std::vector<std::string> groupBy = {"plot"}) {
  StandRequest request;
  request.plotArea = area;
  request.groupBy = std::move(groupBy);
  return request;
}

double V1(const char* code, double diameter, double height) {
  double v[4];
  vzorce::Volume(ModelledSpecies(code), diameter, height, v[0], v[1], v[2], v[3]);
  return v[0];
}

double Number(const std::string& text) {
  const auto number = ParseNumber(text, false);
  if (!number) ADD_FAILURE() << "not a number: '" << text << "'";
  return number.value_or(std::nan(""));
}

double G(double diameter) { return std::numbers::pi / 4 * (diameter / 100) * (diameter / 100); }

const std::vector<std::string> kHeader = {"plot", "species", "trees", "trees_per_ha", "basal_area_per_ha", "qmd",
                                          "lorey_height", "dominant_height", "volume", "volume_per_ha", "left_out",
                                          "warning", "error"};

TEST(StandSummary, AHandWorkedPlotByEverySpeciesAndAll) {
  const StandRun run = Summarise("plot,species,diameter,height\nA,SM,30,25\nA,BK,40,28\nA,SM,20,18\n", OnPlots(500));
  ASSERT_EQ(run.error, "");
  ASSERT_EQ(run.lines.size(), 4u);
  EXPECT_EQ(run.lines[0], kHeader);
  const std::vector<std::string>& sm = run.lines[1];
  EXPECT_EQ(sm[0], "A");
  EXPECT_EQ(sm[1], "SM");
  EXPECT_EQ(sm[2], "2");
  EXPECT_DOUBLE_EQ(Number(sm[3]), 2 * 10000 / 500.0);
  EXPECT_DOUBLE_EQ(Number(sm[4]), (G(30) + G(20)) * 10000 / 500);
  EXPECT_DOUBLE_EQ(Number(sm[5]), std::sqrt((30.0 * 30 + 20 * 20) / 2));
  EXPECT_DOUBLE_EQ(Number(sm[6]), (G(30) * 25 + G(20) * 18) / (G(30) + G(20)));
  EXPECT_DOUBLE_EQ(Number(sm[7]), (25 + 18) / 2.0);  // fewer than 5 trees: all of them
  EXPECT_DOUBLE_EQ(Number(sm[8]), V1("SM", 30, 25) + V1("SM", 20, 18));
  EXPECT_DOUBLE_EQ(Number(sm[9]), (V1("SM", 30, 25) + V1("SM", 20, 18)) * 20);
  EXPECT_EQ(sm[10], "0");
  EXPECT_EQ(run.lines[2][1], "BK");
  EXPECT_EQ(Number(run.lines[2][8]), V1("BK", 40, 28));
  const std::vector<std::string>& all = run.lines[3];
  EXPECT_EQ(all[1], "all");
  EXPECT_EQ(all[2], "3");
  EXPECT_DOUBLE_EQ(Number(all[6]), (G(30) * 25 + G(40) * 28 + G(20) * 18) / (G(30) + G(40) + G(20)));
  EXPECT_DOUBLE_EQ(Number(all[8]), V1("SM", 30, 25) + V1("BK", 40, 28) + V1("SM", 20, 18));
  EXPECT_EQ(run.counts.trees, 3u);
  EXPECT_EQ(run.counts.groups, 1u);
}

TEST(StandSummary, TheThickestTreesPerHectareGiveTheDominantHeight) {
  // 200 m2: the thickest 2 trees; 250 m2: 2.5, the third counting half.
  const std::string trees = "plot,species,diameter,height\n1,SM,40,30\n1,SM,36,26\n1,SM,30,22\n1,SM,20,16\n";
  EXPECT_DOUBLE_EQ(Number(Summarise(trees, OnPlots(200)).lines[1][7]), (30 + 26) / 2.0);
  EXPECT_DOUBLE_EQ(Number(Summarise(trees, OnPlots(250)).lines[1][7]), (30 + 26 + 0.5 * 22) / 2.5);
  EXPECT_DOUBLE_EQ(Number(Summarise(trees, OnPlots(1000)).lines[1][7]), (30 + 26 + 22 + 16) / 4.0);
  EXPECT_DOUBLE_EQ(Number(Summarise(trees, OnPlots(1000)).lines[1][3]), 4 * 10000 / 1000.0);
}

TEST(StandSummary, GroupsNeedNoSortingAndKeepTheOrderTheyFirstAppearIn) {
  const std::string grouped =
      "plot,species,diameter,height\n7,SM,30,25\n7,SM,32,26\n7,BK,28,24\n2,BO,25,21\n2,BO,27,20\n";
  const std::string interleaved =
      "plot,species,diameter,height\n7,SM,30,25\n2,BO,25,21\n7,SM,32,26\n2,BO,27,20\n7,BK,28,24\n";
  const StandRun a = Summarise(grouped, OnPlots(400)), b = Summarise(interleaved, OnPlots(400));
  EXPECT_EQ(a.lines, b.lines);
  ASSERT_EQ(a.lines.size(), 6u);
  EXPECT_EQ(a.lines[1][0] + a.lines[1][1], "7SM");
  EXPECT_EQ(a.lines[2][0] + a.lines[2][1], "7BK");  // species in the tables' order
  EXPECT_EQ(a.lines[3][0] + a.lines[3][1], "7all");
  EXPECT_EQ(a.lines[4][0] + a.lines[4][1], "2BO");
}

TEST(StandSummary, TreesLeftOutAreCountedWithTheirReasonsNeverSilently) {
  const StandRun run = Summarise(
      "plot,species,diameter,height\n1,SM,30,25\n1,SM,31,\n1,XX,30,25\n1,SM,abc,25\n1,SM,32,\n1,BK,30,25\n"
      "1,BK,x,25\n",
      OnPlots(500));
  ASSERT_EQ(run.lines.size(), 4u);
  const std::vector<std::string>& sm = run.lines[1];
  EXPECT_EQ(sm[2], "1");
  EXPECT_EQ(sm[10], "3");
  EXPECT_EQ(sm[12], "3 trees left out: No value in height (2); Not a number in diameter: abc (1)");
  const std::vector<std::string>& all = run.lines[3];
  EXPECT_EQ(all[2], "2");
  EXPECT_EQ(all[10], "5");  // the unknown species counts in the plot's line alone
  EXPECT_EQ(all[12],
            "5 trees left out: No value in height (2); Unknown species: XX (1); Not a number in diameter: abc (1); "
            "1 for other reasons");
  EXPECT_EQ(run.lines[2][12], "1 tree left out: Not a number in diameter: x (1)");
  EXPECT_EQ(run.counts.leftOut, 5u);
}

TEST(StandSummary, APlotHasOneAreaAndEveryTreeOfItMustSayTheSame) {
  StandRequest request;
  request.plotAreaColumn = "area";
  request.groupBy = {"plot"};
  const StandRun run = Summarise(
      "plot,area,species,diameter,height\n1,500,SM,30,25\n1,400,SM,31,25\n1,,SM,30,25\n2,1000,SM,30,25\n", request);
  ASSERT_EQ(run.lines.size(), 5u);
  EXPECT_EQ(run.lines[1][3], "20");
  EXPECT_EQ(run.lines[1][12], "2 trees left out: plot area 400 m2 where the group's first tree has 500 m2 (1); "
                              "No value in plot area (1)");
  EXPECT_EQ(run.lines[3][3], "10");
  EXPECT_EQ(Summarise("plot,species,diameter,height\n1,SM,30,25\n", [] {
              StandRequest r;
              r.plotAreaColumn = "area";
              return r;
            }()).error,
            "the input has no column \"area\" (--plot-area-column)");
}

TEST(StandSummary, WarningsAreCountedAndStrictLeavesTheTreesOut) {
  const std::string trees = "species,diameter,height\nSM,30,25\nSM,300,25\n";
  const StandRun lenient = Summarise(trees, OnPlots(500, {}));
  // Without groups the lines start at the species.
  EXPECT_EQ(lenient.lines[1][1], "2");
  EXPECT_EQ(lenient.lines[1][10].rfind("1 tree with a warning: diameter 300 cm is outside", 0), 0u)
      << lenient.lines[1][10];
  TreeFileOptions strict;
  strict.strict = true;
  const StandRun run = Summarise(trees, OnPlots(500, {}), strict);
  EXPECT_EQ(run.lines[1][1], "1");
  EXPECT_EQ(run.lines[1][9], "1");
}

TEST(StandSummary, MissingHeightsFilledFromTheCurveCountInEveryFigure) {
  const HeightCurve curve{CurveKind::kNaslund, 1.6, 0.24, 0, 0, 0};
  std::string trees = "plot,species,diameter,height\n";
  for (double d : {12.0, 18.0, 24.0, 30.0, 36.0, 42.0}) trees += "1,SM," + std::to_string(d) + "," + [&] {
      std::string h;
      AppendNumber(h, curve.Height(d), false);
      return h;
    }() + "\n";
  trees += "1,SM,27,\n";
  StandRequest request = OnPlots(500);
  request.fillHeights = CurveChoice{CurveKind::kNaslund, 5};
  const StandRun run = Summarise(trees, request);
  ASSERT_EQ(run.error, "");
  const std::vector<std::string>& sm = run.lines[1];
  EXPECT_EQ(sm[2], "7");
  EXPECT_EQ(sm[10], "0");
  const std::string measured = trees.substr(0, trees.rfind("1,SM,27"));
  EXPECT_NEAR(Number(sm[8]) - Number(Summarise(measured, OnPlots(500)).lines[1][8]), V1("SM", 27, curve.Height(27)),
              1e-9);
  const Table curves = testing::ParsedCsv(run.curves);
  ASSERT_EQ(curves.size(), 2u);
  EXPECT_EQ(curves[0][0], "plot");
  EXPECT_NEAR(Number(curves[1][3]), 1.6, 1e-9);
  EXPECT_NEAR(Number(curves[1][4]), 0.24, 1e-9);
  EXPECT_EQ(curves[1][5], "6");
  EXPECT_LT(Number(curves[1][6]), 1e-9);  // heights on the curve
}

TEST(StandSummary, WithTooFewMeasuredHeightsThereIsNoCurveAndTheReasonIsSaid) {
  StandRequest request = OnPlots(500);
  request.fillHeights = CurveChoice{CurveKind::kMichailoff, 5};
  const StandRun run = Summarise("plot,species,diameter,height\n1,SM,30,25\n1,SM,20,18\n1,SM,25,\n2,SM,25,\n",
                                 request);
  ASSERT_EQ(run.lines.size(), 5u);
  EXPECT_EQ(run.lines[1][12],
            "1 tree left out: No value in height, and no height curve for SM: 2 trees with a measured height, 5 "
            "needed (1)");
  EXPECT_EQ(run.lines[3][12],
            "1 tree left out: No value in height, and no height curve for SM: 0 trees with a measured height, 5 "
            "needed (1)");
  EXPECT_EQ(testing::ParsedCsv(run.curves)[1][9], "2 trees with a measured height, 5 needed");
}

}  // namespace
}  // namespace dravlik
