// Trees without a height through the volume model: their heights from the
// curve of their group and species, marked, and the rest left as they were;
// and the input read twice, from a file or a pipe.
#include "height_filling.h"

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "csv_table_for_tests.h"
#include "number_text.h"
#include "program_run_for_tests.h"
#include "replayable_input.h"
#include "scratch_directory.h"
#include "species_reading.h"
#include "volume.h"

namespace dravlik {
namespace {

using Table = testing::CsvTable;

InputReader ReaderOf(const std::string& input, std::size_t& offset) {
  offset = 0;
  return [&input, &offset](char* buffer, std::size_t size) {
    const std::size_t got = input.copy(buffer, size, offset);
    offset += got;
    return got;
  };
}

struct FilledRun {
  Table rows;
  Table curves;
};

FilledRun Filled(const std::string& input, const FillRequest& request) {
  TreeFileOptions options;
  FileCurves curves(options, request);
  std::size_t offset = 0;
  curves.Fit(ReaderOf(input, offset));
  curves.MeasureResiduals(ReaderOf(input, offset));
  options.filling = curves.Filling();
  std::string output;
  CalculateTreeFile(options, ReaderOf(input, offset), [&](std::string_view bytes) { output += bytes; });
  return {testing::ParsedCsv(output), testing::ParsedCsv(curves.Table())};
}

std::string Text(double value) {
  std::string text;
  AppendNumber(text, value, false);
  return text;
}

double Number(const std::string& text) { return ParseNumber(text, false).value_or(-1); }

double V1(double diameter, double height) {
  double v[4];
  vzorce::Volume(ModelledSpecies("SM"), diameter, height, v[0], v[1], v[2], v[3]);
  return v[0];
}

// Six measured spruces on each curve, and trees without a height between them.
std::string TreesOn(const HeightCurve& curve, const std::string& plot) {
  std::string trees;
  for (double d : {10.0, 16.0, 22.0, 28.0, 34.0, 46.0}) trees += plot + ",SM," + Text(d) + "," + Text(curve.Height(d)) + "\n";
  for (double d : {13.0, 40.0, 60.0}) trees += plot + ",SM," + Text(d) + ",\n";
  return trees;
}

TEST(FilledHeights, EachGroupsCurveFillsItsOwnTreesAndMarksThem) {
  for (const CurveKind kind : {CurveKind::kNaslund, CurveKind::kMichailoff}) {
    const HeightCurve one = kind == CurveKind::kNaslund ? HeightCurve{kind, 1.5, 0.25} : HeightCurve{kind, 32, 11};
    const HeightCurve two = kind == CurveKind::kNaslund ? HeightCurve{kind, 2.2, 0.22} : HeightCurve{kind, 38, 14};
    const FilledRun run = Filled("plot,species,diameter,height\n" + TreesOn(one, "1") + TreesOn(two, "2"),
                                 {{kind, 5}, {"plot"}});
    ASSERT_EQ(run.rows.size(), 19u);
    EXPECT_EQ(run.rows[0], (std::vector<std::string>{"plot", "species", "diameter", "height", "height_used",
                                                     "height_filled", "volume", "warning", "error"}));
    for (std::size_t i = 1; i < run.rows.size(); ++i) {
      const auto& row = run.rows[i];
      const HeightCurve& curve = row[0] == "1" ? one : two;
      const double diameter = Number(row[2]);
      SCOPED_TRACE(row[0] + " " + row[2]);
      if (!row[3].empty()) {
        EXPECT_EQ(row[4], row[3]);
        EXPECT_EQ(row[5], "no");
        EXPECT_EQ(row[6], Text(V1(diameter, Number(row[3]))));
        continue;
      }
      EXPECT_EQ(row[5], "yes");
      EXPECT_NEAR(Number(row[4]), curve.Height(diameter), 1e-9);
      EXPECT_EQ(row[6], Text(V1(diameter, Number(row[4]))));
      EXPECT_EQ(row[8], "");
      // Beyond the measured 10-46 cm, the height is the curve's, with a warning.
      EXPECT_EQ(row[7].find("beyond the 10-46 cm it was fitted on") != std::string::npos, diameter == 60);
    }
    ASSERT_EQ(run.curves.size(), 3u);
    EXPECT_EQ(run.curves[1][2], CurveName(kind));
    EXPECT_NEAR(Number(run.curves[2][3]), two.a, 1e-9 * two.a);
    EXPECT_NEAR(Number(run.curves[2][4]), two.b, 1e-9 * two.b);
    EXPECT_EQ(run.curves[2][5], "6");
  }
}

TEST(FilledHeights, AGroupWithTooFewHeightsKeepsItsRowErrorWithTheReason) {
  const FilledRun run = Filled("species,diameter,height\nSM,30,25\nSM,20,18\nSM,25,\nBK,25,\n", {{}, {}});
  ASSERT_EQ(run.rows.size(), 5u);
  ASSERT_EQ(run.rows[0].size(), 8u);  // no group columns
  EXPECT_EQ(run.rows[3][3], "");
  EXPECT_EQ(run.rows[3][4], "");
  EXPECT_EQ(run.rows[3][7], "No value in height, and no height curve for SM: 2 trees with a measured height, 5 needed");
  EXPECT_EQ(run.rows[4][7], "No value in height, and no height curve for BK: 0 trees with a measured height, 5 needed");
  EXPECT_EQ(run.rows[1][4], "no");  // measured trees are computed as ever
  ASSERT_EQ(run.curves.size(), 2u);
  ASSERT_EQ(run.curves[1].size(), 9u);
  EXPECT_EQ(run.curves[1][8], "2 trees with a measured height, 5 needed");
}

class ReplayedInput : public ::testing::Test {
 protected:
  testing::ScratchDirectory scratch_;
  std::string path_ = scratch_.path() + "/trees.csv";

  static std::string ReadAll(const InputReader& read) {
    std::string text;
    char buffer[5];
    for (std::size_t got; (got = read(buffer, sizeof buffer)) > 0;) text.append(buffer, got);
    return text;
  }
};

TEST_F(ReplayedInput, AFileOrAPipeReadsTheSameEveryPass) {
  std::ofstream(path_) << "species,diameter\nSM,30\n";
  const int file = ::open(path_.c_str(), O_RDONLY);
  ReplayableInput fromFile(file, "trees.csv");
  EXPECT_EQ(ReadAll(fromFile.Pass()), "species,diameter\nSM,30\n");
  EXPECT_EQ(ReadAll(fromFile.Pass()), "species,diameter\nSM,30\n");
  ::close(file);

  int pipe[2];
  ASSERT_EQ(::pipe(pipe), 0);
  ASSERT_EQ(::write(pipe[1], "a,b\n1,2\n", 8), 8);
  ::close(pipe[1]);
  ReplayableInput fromPipe(pipe[0], "standard input");
  EXPECT_EQ(ReadAll(fromPipe.Pass()), "a,b\n1,2\n");
  EXPECT_EQ(ReadAll(fromPipe.Pass()), "a,b\n1,2\n");
  EXPECT_EQ(ReadAll(fromPipe.Pass()), "a,b\n1,2\n");
  ::close(pipe[0]);
}

TEST_F(ReplayedInput, AFileChangedBetweenPassesIsRefused) {
  std::ofstream(path_) << "species,diameter\nSM,30\n";
  const int file = ::open(path_.c_str(), O_RDONLY);
  ReplayableInput input(file, "trees.csv");
  ReadAll(input.Pass());
  std::ofstream(path_, std::ios::app) << "SM,31\n";
  EXPECT_THROW(input.Pass(), TreeFileError);
  ::close(file);
}

TEST_F(ReplayedInput, TheCalculatorFillsHeightsFromAPipeAsFromAFile) {
  std::ofstream(path_) << "plot,species,diameter,height\n" << TreesOn({CurveKind::kNaslund, 1.5, 0.25}, "1");
  const std::string curves = scratch_.path() + "/curves.csv";
  const auto fromFile = testing::RunCommand(PDRAVLIK_CALC " volume --fill-heights -i " + path_);
  const auto fromPipe =
      testing::RunCommand("cat " + path_ + " | " PDRAVLIK_CALC " volume --fill-heights --curves " + curves);
  EXPECT_EQ(fromFile.status, 0);
  EXPECT_EQ(fromPipe.status, 0);
  EXPECT_EQ(fromFile.output, fromPipe.output);
  EXPECT_EQ(testing::ParsedCsv(fromFile.output).size(), 10u);
  std::ifstream written(curves);
  std::string header;
  std::getline(written, header);
  EXPECT_EQ(header, "species,curve,a,b,trees,residual_standard_error,smallest_diameter,largest_diameter,error");
}

}  // namespace
}  // namespace dravlik
