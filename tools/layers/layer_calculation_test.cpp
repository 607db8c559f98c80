// The calculator on GIS layers, as a user runs it: each format keeps the
// features' geometries, fields, types, coordinate system and order; the
// results are the CSV path's, to the bit where the format stores doubles; a
// failed run leaves the old output as it was.
#include <gtest/gtest.h>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <random>

#include "csv_table_for_tests.h"
#include "file_contents.h"
#include "number_text.h"
#include "program_run_for_tests.h"
#include "scratch_directory.h"
#include "test_seed_for_tests.h"

namespace dravlik {
namespace {

using testing::CsvTable;
using testing::ParsedCsv;
using testing::RunCommand;
using testing::ScratchDirectory;

testing::Outcome Calc(const std::string& arguments) {
  return RunCommand(PDRAVLIK_CALC " " + arguments + " 2>&1");
}

struct Format {
  const char* driver;
  const char* extension;
  bool exactReals;  // a dBASE file stores decimal text of a fixed width
};

const Format kFormats[] = {
    {"GPKG", ".gpkg", true},
    {"FlatGeobuf", ".fgb", true},
    {"GeoJSON", ".geojson", true},
    {"ESRI Shapefile", ".shp", false},
};

GDALDatasetUniquePtr Open(const std::string& path) {
  GDALAllRegister();
  return GDALDatasetUniquePtr(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR));
}

std::unique_ptr<OGRSpatialReference> Krovak() {
  auto srs = std::make_unique<OGRSpatialReference>();
  srs->importFromEPSG(5514);
  srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return srs;
}

// Trees with random diameters and heights at full precision, some without
// a value, one of an unknown species, one without a geometry.
void WriteTrees(const std::string& path, const char* driverName, std::uint32_t seed, int count) {
  GDALAllRegister();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driverName);
  ASSERT_NE(driver, nullptr);
  GDALDatasetUniquePtr dataset(driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  ASSERT_TRUE(dataset);
  const auto srs = Krovak();
  OGRLayer* layer = dataset->CreateLayer("trees", srs.get(), wkbPoint, nullptr);
  ASSERT_NE(layer, nullptr);
  const std::pair<const char*, OGRFieldType> fields[] = {
      {"plot", OFTInteger}, {"tag", OFTInteger64}, {"species", OFTString}, {"diameter", OFTReal},
      {"height", OFTReal},  {"note", OFTString},   {"measured", OFTDate}};
  for (const auto& [name, type] : fields) {
    OGRFieldDefn field(name, type);
    ASSERT_EQ(layer->CreateField(&field), OGRERR_NONE);
  }
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> diameter(4, 90), height(3, 45), offset(0, 100);
  const char* species[] = {"SM", "BK", "borovice", "JD", "Quercus robur", "7", "XX"};
  for (int i = 0; i < count; ++i) {
    OGRFeature feature(layer->GetLayerDefn());
    feature.SetField("plot", 1 + i % 3);
    feature.SetField("tag", static_cast<GIntBig>(9007199254740993LL) + i);
    feature.SetField("species", species[i % 7]);
    if (i % 11 != 5) feature.SetField("diameter", diameter(random));
    if (i % 13 != 6) feature.SetField("height", height(random));
    feature.SetField("note", i % 2 ? "said \"tall\"; ok, \nnext" : "");
    feature.SetField("measured", 2024, 1 + i % 12, 1 + i % 28);
    if (i % 17 != 3) {
      OGRPoint point(-700000 - offset(random), -1100000 - offset(random));
      feature.SetGeometry(&point);
    }
    ASSERT_EQ(layer->CreateFeature(&feature), OGRERR_NONE);
  }
}

// The layer's attributes as the calculator's CSV, numbers as their shortest
// exact text: what the layer must give the same results as.
std::string AttributesAsCsv(OGRLayer& layer) {
  std::string csv = "plot,tag,species,diameter,height\n";
  layer.ResetReading();
  for (const auto& feature : layer) {
    csv += std::to_string(feature->GetFieldAsInteger64("plot")) + "," +
           std::to_string(feature->GetFieldAsInteger64("tag")) + "," + feature->GetFieldAsString("species") + ",";
    for (const char* name : {"diameter", "height"}) {
      if (feature->IsFieldSetAndNotNull(feature->GetFieldIndex(name))) {
        AppendNumber(csv, feature->GetFieldAsDouble(name), false);
      }
      csv += name[0] == 'd' ? "," : "\n";
    }
  }
  return csv;
}

std::size_t Column(const CsvTable& table, const std::string& name) {
  const auto& header = table.front();
  return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
}

// Every added field of every feature against the CSV path's column.
void ExpectResultsOf(OGRLayer& layer, const CsvTable& csv, const std::vector<std::string>& names, bool exact) {
  layer.ResetReading();
  std::size_t row = 1;
  for (const auto& feature : layer) {
    ASSERT_LT(row, csv.size());
    for (const std::string& name : names) {
      const std::string& expected = csv[row][Column(csv, name)];
      const int index = feature->GetFieldIndex(name.substr(0, exact ? name.size() : 10).c_str());
      ASSERT_GE(index, 0) << name;
      if (!feature->IsFieldSetAndNotNull(index)) {
        EXPECT_EQ(expected, "") << name << " of feature " << row;
        continue;
      }
      if (feature->GetFieldDefnRef(index)->GetType() != OFTReal) {
        // dBASE text fields end at 254 bytes, their trailing blanks dropped.
        std::string kept = exact ? expected : expected.substr(0, 254);
        if (!exact) kept.erase(kept.find_last_not_of(' ') + 1);
        EXPECT_EQ(feature->GetFieldAsString(index), kept) << name << " of feature " << row;
        continue;
      }
      const double value = feature->GetFieldAsDouble(index);
      const double wanted = *ParseNumber(expected, false);
      if (exact) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(value), std::bit_cast<std::uint64_t>(wanted))
            << name << " of feature " << row << ": " << expected;
      } else {
        EXPECT_NEAR(value, wanted, 1e-15 * std::max(1.0, std::fabs(wanted))) << name << " of feature " << row;
      }
    }
    ++row;
  }
  EXPECT_EQ(row, csv.size());
}

// Geometries, fields and their order as the input has them.
void ExpectFeaturesKept(OGRLayer& input, OGRLayer& output) {
  ASSERT_EQ(output.GetFeatureCount(), input.GetFeatureCount());
  ASSERT_NE(output.GetSpatialRef(), nullptr);
  EXPECT_TRUE(output.GetSpatialRef()->IsSame(input.GetSpatialRef()));
  const OGRFeatureDefn& in = *input.GetLayerDefn();
  const OGRFeatureDefn& out = *output.GetLayerDefn();
  for (int i = 0; i < in.GetFieldCount(); ++i) {
    EXPECT_STREQ(out.GetFieldDefn(i)->GetNameRef(), in.GetFieldDefn(i)->GetNameRef());
    EXPECT_EQ(out.GetFieldDefn(i)->GetType(), in.GetFieldDefn(i)->GetType()) << in.GetFieldDefn(i)->GetNameRef();
  }
  input.ResetReading();
  output.ResetReading();
  for (const auto& wanted : input) {
    const OGRFeatureUniquePtr got(output.GetNextFeature());
    ASSERT_TRUE(got);
    for (int i = 0; i < in.GetFieldCount(); ++i) {
      EXPECT_STREQ(got->GetFieldAsString(i), wanted->GetFieldAsString(i)) << in.GetFieldDefn(i)->GetNameRef();
      EXPECT_EQ(got->IsFieldNull(i), wanted->IsFieldNull(i));
    }
    const OGRGeometry* a = wanted->GetGeometryRef();
    const OGRGeometry* b = got->GetGeometryRef();
    ASSERT_EQ(a == nullptr || a->IsEmpty(), b == nullptr || b->IsEmpty());
    if (a && !a->IsEmpty()) {
      EXPECT_TRUE(a->Equals(b)) << a->exportToWkt();
    }
  }
}

class EachFormat : public ::testing::TestWithParam<Format> {
 protected:
  void SetUp() override {
    WriteTrees(input_, GetParam().driver, seed_.value(), 240);
    const GDALDatasetUniquePtr in = Open(input_);
    ASSERT_TRUE(in);
    testing::WriteFileText(csv_, AttributesAsCsv(*in->GetLayer(0)));
  }

  std::string Path(const std::string& name) const { return directory_ / (name + GetParam().extension); }

  testing::TestSeed seed_;
  ScratchDirectory directory_;
  std::string input_ = Path("trees");
  std::string csv_ = directory_ / "trees.csv";
};

TEST_P(EachFormat, KeepsEveryFeatureAndAddsTheCsvPathsResults) {
  const std::string output = Path("volumes");
  EXPECT_EQ(Calc("volume --all -i " + input_ + " -o " + output).status, 1);  // some trees cannot be computed
  EXPECT_EQ(Calc("volume --all -i " + csv_ + " -o " + directory_ / "volumes.csv").status, 1);
  const GDALDatasetUniquePtr in = Open(input_), out = Open(output);
  ASSERT_TRUE(out);
  EXPECT_STREQ(out->GetDriverName(), GetParam().driver);
  ExpectFeaturesKept(*in->GetLayer(0), *out->GetLayer(0));
  const CsvTable csv = ParsedCsv(testing::FileText(directory_ / "volumes.csv"));
  ExpectResultsOf(*out->GetLayer(0), csv, {"v1", "v2", "v3", "v4", "warning", "error"}, GetParam().exactReals);
}

TEST_P(EachFormat, FillsHeightsAsTheCsvPathDoes) {
  const std::string output = Path("filled");
  const std::string options = "volume --fill-heights --group-by plot --min-heights 3 ";
  Calc(options + "-i " + input_ + " -o " + output);
  Calc(options + "-i " + csv_ + " -o " + directory_ / "filled.csv");
  const GDALDatasetUniquePtr out = Open(output);
  ASSERT_TRUE(out);
  const CsvTable csv = ParsedCsv(testing::FileText(directory_ / "filled.csv"));
  ExpectResultsOf(*out->GetLayer(0), csv, {"height_used", "height_filled", "volume", "error"},
                  GetParam().exactReals);
}

TEST_P(EachFormat, SummarisesStandsAsTheCsvPathDoes) {
  const std::string options = "stand --plot-area 500 --group-by plot --fill-heights --min-heights 3 ";
  const testing::Outcome fromLayer = Calc(options + "-i " + input_ + " -o " + directory_ / "a.csv");
  Calc(options + "-i " + csv_ + " -o " + directory_ / "b.csv");
  EXPECT_EQ(fromLayer.status, 1) << fromLayer.output;
  EXPECT_EQ(testing::FileText(directory_ / "a.csv"), testing::FileText(directory_ / "b.csv"));
}

INSTANTIATE_TEST_SUITE_P(Layers, EachFormat, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.extension + 1); });

TEST(LayerOutput, ConvertsFormatsAndKeepsTheLayersName) {
  ScratchDirectory directory;
  WriteTrees(directory / "trees.gpkg", "GPKG", 7, 30);
  const testing::Outcome outcome = Calc("site-index --format FlatGeobuf -i " + directory / "trees.gpkg" + " -o " +
                                        directory / "out.bin --columns age=plot");
  EXPECT_EQ(outcome.status, 1) << outcome.output;
  const GDALDatasetUniquePtr out = Open(directory / "out.bin");
  ASSERT_TRUE(out);
  EXPECT_STREQ(out->GetDriverName(), "FlatGeobuf");
  EXPECT_STREQ(out->GetLayer(0)->GetName(), "trees");
  EXPECT_GE(out->GetLayer(0)->GetLayerDefn()->GetFieldIndex("site_index"), 0);
}

// A result that would take a field's name is refused before anything is
// written, and an earlier output stays as it was.
TEST(LayerOutput, AFailedRunLeavesTheOldOutputAndNothingElse) {
  ScratchDirectory directory;
  WriteTrees(directory / "trees.gpkg", "GPKG", 7, 30);
  testing::WriteFileText(directory / "old.gpkg", "the previous output");
  const testing::Outcome outcome = Calc("height -i " + directory / "trees.gpkg" + " -o " + directory / "old.gpkg" +
                                        " --columns age=plot,site_index=diameter");
  EXPECT_EQ(outcome.status, 2);
  EXPECT_TRUE(testing::Contains(outcome.output, "already has a field named height")) << outcome.output;
  EXPECT_EQ(testing::FileText(directory / "old.gpkg"), "the previous output");
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(directory.path())) ++files;
  EXPECT_EQ(files, 2u);
}

// What a killed run left is removed by the next run to the same target,
// unless its writer still lives (holds its lock).
TEST(LayerOutput, RemovesWhatAKilledRunLeftButNotWhatARunningOneWrites) {
  ScratchDirectory directory;
  WriteTrees(directory / "trees.gpkg", "GPKG", 5, 10);
  {
    const GDALDatasetUniquePtr trees(GDALDataset::Open((directory / "trees.gpkg").c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
    ASSERT_EQ(trees->GetLayer(0)->DeleteFeature(3), OGRERR_NONE);  // ids with a gap
  }
  const std::string killed = directory / ".out.gpkg.layer-AbC123", running = directory / ".out.gpkg.layer-XyZ789";
  for (const std::string& leftover : {killed, running}) {
    std::filesystem::create_directory(leftover);
    testing::WriteFileText(leftover + "/out.gpkg", "half");
  }
  const int lock = ::open(running.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_EQ(::flock(lock, LOCK_EX), 0);
  EXPECT_EQ(Calc("volume -i " + directory / "trees.gpkg" + " -o " + directory / "out.gpkg").status, 1);
  ::close(lock);
  EXPECT_FALSE(std::filesystem::exists(killed));
  EXPECT_TRUE(std::filesystem::exists(running + "/out.gpkg"));
  // GeoPackage feature ids are kept, so joins on them still hold.
  const GDALDatasetUniquePtr in = Open(directory / "trees.gpkg"), out = Open(directory / "out.gpkg");
  ASSERT_TRUE(out);
  in->GetLayer(0)->ResetReading();
  out->GetLayer(0)->ResetReading();
  for (const auto& feature : *in->GetLayer(0)) {
    const OGRFeatureUniquePtr copy(out->GetLayer(0)->GetNextFeature());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->GetFID(), feature->GetFID());
  }
}

// What GIS files hold beside trees: features without a geometry or with an
// invalid one, a feature without any value, dates, times, binary data, big
// integers, and text that CSV would have to quote.
TEST(LayerOutput, KeepsOddFeaturesAndFieldTypes) {
  ScratchDirectory directory;
  const std::string input = directory / "odd.gpkg", output = directory / "out.gpkg";
  {
    GDALAllRegister();
    GDALDatasetUniquePtr dataset(
        GetGDALDriverManager()->GetDriverByName("GPKG")->Create(input.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    const auto srs = Krovak();
    OGRLayer* layer = dataset->CreateLayer("stands", srs.get(), wkbPolygon, nullptr);
    for (const auto& [name, type] : std::vector<std::pair<const char*, OGRFieldType>>{
             {"species", OFTString}, {"diameter", OFTReal}, {"height", OFTReal}, {"when", OFTDateTime},
             {"photo", OFTBinary}, {"big", OFTInteger64}, {"flag", OFTInteger}}) {
      OGRFieldDefn field(name, type);
      if (std::string(name) == "flag") field.SetSubType(OFSTBoolean);
      layer->CreateField(&field);
    }
    const char* shapes[] = {"POLYGON ((0 0,10 10,10 0,0 10,0 0))", "POLYGON ((0 0,1 0,1 1,0 0))", nullptr, ""};
    for (int i = 0; i < 4; ++i) {
      OGRFeature feature(layer->GetLayerDefn());
      if (i < 3) {
        feature.SetField("species", i == 1 ? "B\"K, \"x\";\n" : "SM");
        feature.SetField("diameter", 30.000000000000004);
        feature.SetField("height", 27.5);
        feature.SetField("when", 2025, 6, 30, 12, 30, 15.5f, 100);
        const GByte bytes[] = {0, 1, 2, 0xff};
        feature.SetField(feature.GetFieldIndex("photo"), 4, bytes);
        feature.SetField("big", static_cast<GIntBig>(-9007199254740993LL));
        feature.SetField("flag", 1);
      }
      if (shapes[i] && *shapes[i]) {
        OGRGeometry* geometry = nullptr;
        OGRGeometryFactory::createFromWkt(shapes[i], nullptr, &geometry);
        feature.SetGeometryDirectly(geometry);
      }
      ASSERT_EQ(layer->CreateFeature(&feature), OGRERR_NONE);
    }
  }
  const testing::Outcome outcome = Calc("volume -i " + input + " -o " + output);
  EXPECT_EQ(outcome.status, 1) << outcome.output;
  const GDALDatasetUniquePtr in = Open(input), out = Open(output);
  ASSERT_TRUE(out);
  ExpectFeaturesKept(*in->GetLayer(0), *out->GetLayer(0));
  EXPECT_EQ(out->GetLayer(0)->GetLayerDefn()->GetFieldDefn(6)->GetSubType(), OFSTBoolean);
  OGRLayer& layer = *out->GetLayer(0);
  layer.ResetReading();
  std::vector<std::string> errors;
  for (const auto& feature : layer) errors.push_back(feature->GetFieldAsString("error"));
  EXPECT_EQ(errors, (std::vector<std::string>{"", "Unknown species: B\"K, \"x\";\n", "", "No value in species"}));
}

TEST(LayerInput, ChoosesALayerByNameAndNamesTheChoices) {
  ScratchDirectory directory;
  const std::string input = directory / "two.gpkg";
  WriteTrees(input, "GPKG", 3, 10);
  {
    const GDALDatasetUniquePtr dataset(GDALDataset::Open(input.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
    dataset->CreateLayer("roads", nullptr, wkbLineString, nullptr);
  }
  const testing::Outcome unnamed = Calc("volume -i " + input + " -o " + directory / "out.gpkg");
  EXPECT_EQ(unnamed.status, 2);
  EXPECT_TRUE(testing::Contains(unnamed.output, "several layers; choose one with --layer: trees, roads"))
      << unnamed.output;
  EXPECT_EQ(Calc("volume --layer trees -i " + input + " -o " + directory / "out.gpkg").status, 1);
  const GDALDatasetUniquePtr out = Open(directory / "out.gpkg");
  ASSERT_TRUE(out);
  EXPECT_EQ(out->GetLayer(0)->GetFeatureCount(), 10);
  EXPECT_TRUE(testing::Contains(Calc("volume --layer lakes -i " + input + " -o " + directory / "x.gpkg").output,
                                "has no layer lakes; its layers: trees, roads"));
}

// The summary as a table, and with each plot's trees' points gathered.
TEST(LayerOutput, WritesTheStandSummaryAsATableOrWithEachGroupsGeometry) {
  ScratchDirectory directory;
  const std::string input = directory / "trees.gpkg";
  WriteTrees(input, "GPKG", 11, 60);
  const std::string stand = "stand --plot-area 500 --group-by plot -i " + input;
  Calc(stand + " -o " + directory / "stand.csv");
  Calc(stand + " -o " + directory / "table.gpkg");
  Calc(stand + " --dissolve -o " + directory / "plots.gpkg");
  const CsvTable csv = ParsedCsv(testing::FileText(directory / "stand.csv"));
  const GDALDatasetUniquePtr table = Open(directory / "table.gpkg"), plots = Open(directory / "plots.gpkg");
  ASSERT_TRUE(table && plots);
  EXPECT_EQ(table->GetLayer(0)->GetGeomType(), wkbNone);
  std::vector<std::string> names(csv.front().begin(), csv.front().end());
  ExpectResultsOf(*table->GetLayer(0), csv, names, true);
  ExpectResultsOf(*plots->GetLayer(0), csv, names, true);
  EXPECT_EQ(plots->GetLayer(0)->GetLayerDefn()->GetFieldDefn(0)->GetType(), OFTInteger);  // as the plot field
  const GDALDatasetUniquePtr in = Open(input);
  OGRLayer& trees = *in->GetLayer(0);
  OGRLayer& dissolved = *plots->GetLayer(0);
  dissolved.ResetReading();
  for (const auto& line : dissolved) {
    OGRMultiPoint expected;
    trees.ResetReading();
    for (const auto& tree : trees) {
      if (tree->GetFieldAsInteger("plot") == line->GetFieldAsInteger("plot") && tree->GetGeometryRef()) {
        expected.addGeometry(tree->GetGeometryRef());
      }
    }
    ASSERT_NE(line->GetGeometryRef(), nullptr);
    EXPECT_TRUE(line->GetGeometryRef()->Equals(&expected)) << line->GetGeometryRef()->exportToWkt();
  }
}

}  // namespace
}  // namespace dravlik
