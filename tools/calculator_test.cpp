// The calculator, run as people and pipelines run it, against the models'
// own results for the same inputs.
#include <bit>
#include <charconv>
#include <random>
#include <fstream>
#include <iterator>
#include <sstream>

#include "csv_records.h"
#include "diameter.h"
#include "height_by_site_index.h"
#include "number_text.h"
#include "numeric.h"
#include "program_run_for_tests.h"
#include "tree_file_calculation.h"
#include "volume.h"
#include "working_directory_for_tests.h"

namespace dravlik {
namespace {

using testing::Contains;
using testing::Outcome;

Outcome Calc(const std::string& arguments) { return testing::RunCommand(PDRAVLIK_CALC " " + arguments + " 2>&1"); }

std::string Shortest(double value) {
  char digits[32];
  return std::string(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

std::string ReadFile(const char* path) {
  std::ifstream file(path);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteFile(const char* path, const std::string& contents) { std::ofstream(path) << contents; }

class CalculatorTest : public testing::InFreshDirectory {};

TEST(CalculatorOneValue, PrintsWhatTheModelsGiveToTheLastDigit) {
  double v1, v2, v3, v4;
  vzorce::Volume(1, 25.6, 23.3, v1, v2, v3, v4);
  EXPECT_EQ(Calc("volume BO 25.6 23.3").output, Shortest(v1) + "\n");
  EXPECT_EQ(Calc("volume --all bo 25.6 23.3").output,
            Shortest(v1) + "\t" + Shortest(v2) + "\t" + Shortest(v3) + "\t" + Shortest(v4) + "\n");
  EXPECT_EQ(Calc("volume --round 1 25.6 23.3").output, Shortest(vzorce::RoundToHundredths(v1)) + "\n");
  const double height = vzorce::HeightBySiteIndex(0, 17, 28);  // the young-stand path
  EXPECT_EQ(Calc("height SM 17 28").output, Shortest(height) + "\n");
  EXPECT_EQ(Calc("height --round sm 17 28").output, Shortest(vzorce::RoundToTenths(height)) + "\n");
  EXPECT_EQ(Calc("diameter 12 80 21.5").output, Shortest(vzorce::Diameter(12, 80, 21.5)) + "\n");
  EXPECT_EQ(Calc("--decimal-comma diameter DG 80 21,5").output,
            [] { std::string s = Shortest(vzorce::Diameter(12, 80, 21.5)); s[s.find('.')] = ','; return s; }() + "\n");
}

TEST(CalculatorOneValue, ModelErrorsAndWrongCommandLinesAreToldApart) {
  const Outcome overflow = Calc("volume DB 1e308 1e308");
  EXPECT_EQ(overflow.status, 1);
  EXPECT_EQ(overflow.output, "pdravlik-calc: Floating point overflow\n");
  for (const char* wrong : {"volume KR 30 25", "volume 13 30 25", "volume SM 30", "volume SM 3x 25", "weight SM 1 2",
                            "height --all SM 80 28", "volume --delimiter '\"'", "--bogus volume SM 1 2", ""}) {
    EXPECT_EQ(Calc(wrong).status, 2) << wrong;
  }
  EXPECT_TRUE(Contains(Calc("volume KR 30 25").output, "unknown species 'KR'"));
  const Outcome species = Calc("species");
  EXPECT_EQ(species.status, 0);
  EXPECT_TRUE(Contains(species.output, "12     DG    douglaska   Douglas fir      26-40       100")) << species.output;
}

TEST_F(CalculatorTest, AFileKeepsEveryRowAndAppendsResultsAndErrors) {
  WriteFile("trees.csv",
            "id,Species,note,DIAMETER,height\r\n"
            "1,SM,\"a, b\",30,25\r\n"
            "2,XX,,30,25\r\n"
            "3,BO,\"line\nbreak\",3x,20\r\n"
            "4,BK,,30\r\n"
            "\r\n"
            "5,DB,,1e308,1e308\r\n"
            "6,0,\"say \"\"hi\"\"\",5,5");
  const Outcome outcome = Calc("volume --input trees.csv --output out.csv");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.output, "pdravlik-calc: 6 rows read, 2 computed, 4 with an error\n");
  double v1, v2, v3, v4;
  vzorce::Volume(0, 30, 25, v1, v2, v3, v4);
  EXPECT_EQ(ReadFile("out.csv"),
            "id,Species,note,DIAMETER,height,volume,error\r\n"
            "1,SM,\"a, b\",30,25," + Shortest(v1) + ",\r\n"
            "2,XX,,30,25,,Unknown species: XX\r\n"
            "3,BO,\"line\nbreak\",3x,20,,Not a number in diameter: 3x\r\n"
            "4,BK,,30,,No value in height\r\n"
            "5,DB,,1e308,1e308,,Floating point overflow\r\n"
            "6,0,\"say \"\"hi\"\"\",5,5,0,\n");
}

TEST_F(CalculatorTest, ColumnsDelimitersAndDecimalCommas) {
  WriteFile("stands.csv", "drevina;vek;bon\nBO;80;28,5\n");
  const double height = vzorce::HeightBySiteIndex(1, 80, 28.5);
  std::string expected = Shortest(height);
  expected[expected.find('.')] = ',';
  const Outcome semicolons =
      Calc("height --columns species=drevina,age=VEK,site_index=bon -d ';' --decimal-comma < stands.csv");
  EXPECT_EQ(semicolons.status, 0);
  EXPECT_TRUE(Contains(semicolons.output, "drevina;vek;bon;height;error\nBO;80;28,5;" + expected + ";\n"))
      << semicolons.output;
  WriteFile("commas.csv", "species,age,site_index\nBO,80,\"28,5\"\n");
  EXPECT_TRUE(Contains(Calc("height --decimal-comma -i commas.csv").output, "BO,80,\"28,5\",\"" + expected + "\","));
  WriteFile("tabs.csv", "species\tage\tsite_index\nBO\t80\t28.5\n");
  EXPECT_TRUE(Contains(Calc("height -d tab -i tabs.csv").output, "BO\t80\t28.5\t" + Shortest(height) + "\t\n"));
}

TEST_F(CalculatorTest, AMissingColumnOrInputStopsBeforeWritingAnything) {
  WriteFile("trees.csv", "species,diameter,h\nSM,30,25\n");
  const Outcome missing = Calc("volume -i trees.csv -o out.csv");
  EXPECT_EQ(missing.status, 2);
  EXPECT_TRUE(Contains(missing.output, "no column \"height\"")) << missing.output;
  const Outcome absent = Calc("volume -i absent.csv -o out.csv");
  EXPECT_EQ(absent.status, 2);
  EXPECT_TRUE(Contains(absent.output, "cannot open absent.csv")) << absent.output;
  EXPECT_EQ(testing::FilesHere(), std::vector<std::string>{"trees.csv"});
  EXPECT_EQ(Calc("volume --columns weight=w -i trees.csv").status, 2);
  EXPECT_EQ(Calc("volume --columns height=h -i trees.csv -o out.csv").status, 0);
}

// Many blocks, computed on every core: the rows come out in input order.
TEST(TreeFile, ManyBlocksComeOutInInputOrder) {
  std::string input = "species,diameter,height\n", expected = "species,diameter,height,volume,error\n";
  for (int row = 0; row < 150000; ++row) {
    const int species = row % 13;
    const double diameter = 6 + row % 97 * 0.7, height = 6 + row % 37 * 0.9;
    std::string line = std::to_string(species) + "," + Shortest(diameter) + "," + Shortest(height);
    input += line + "\n";
    double v1, v2, v3, v4;
    vzorce::Volume(static_cast<vzorce::SpeciesIndex>(species), diameter, height, v1, v2, v3, v4);
    expected += line + "," + Shortest(v1) + ",\n";
  }
  ASSERT_GT(input.size(), 2u << 20);
  std::size_t offset = 0;
  std::string output;
  const TreeFileSummary summary = CalculateTreeFile(
      TreeFileOptions{},
      [&](char* buffer, std::size_t size) {
        const std::size_t n = std::min<std::size_t>(size, 7777);  // pieces that split records
        input.copy(buffer, std::min(n, input.size() - offset), offset);
        const std::size_t got = std::min(n, input.size() - offset);
        offset += got;
        return got;
      },
      [&](std::string_view bytes) { output += bytes; });
  EXPECT_EQ(summary.rowsRead, 150000u);
  EXPECT_EQ(summary.rowsComputed, 150000u);
  EXPECT_TRUE(output == expected);
}

TEST(TreeFile, NumbersAndRecordsAreReadStrictly) {
  EXPECT_EQ(ParseNumber(" 12.5 ", false), 12.5);
  EXPECT_EQ(ParseNumber("+3", false), 3.0);
  for (const char* bad : {"", "12,5", "1e999", "nan", "inf", "+-1", "0x10", "1 2"}) {
    EXPECT_FALSE(ParseNumber(bad, false)) << bad;
  }
  // Every decimal reads as the standard library reads it, to the last bit.
  std::mt19937_64 random(7);
  for (int i = 0; i < 200000; ++i) {
    const int digits = 1 + static_cast<int>(random() % 17), point = static_cast<int>(random() % (digits + 1));
    std::string figures;
    for (int d = 0; d < digits; ++d) figures += static_cast<char>('0' + random() % 10);
    // "123.45", ".12345" or "12345.", maybe negative; appended, since g++ 12 at
    // -O3 warns falsely (-Wrestrict) on inserting.
    std::string text(random() % 4 == 0 ? "-" : "");
    text.append(figures, 0, static_cast<std::size_t>(point)).append(".").append(figures, static_cast<std::size_t>(point));
    double expected = 0;
    std::from_chars(text.data(), text.data() + text.size(), expected);
    const auto parsed = ParseNumber(text, false);
    ASSERT_TRUE(parsed) << text;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(*parsed), std::bit_cast<std::uint64_t>(expected)) << text;
  }
  EXPECT_EQ(ParseNumber("12,5", true), 12.5);
  EXPECT_FALSE(ParseNumber("12.5", true));
  CsvRecord record;
  const std::string input = "a,\"b,\"\"c\"\"\nd\",e\r\nnext";
  EXPECT_EQ(ReadRecord(input, 0, ',', record), input.find("next"));
  ASSERT_EQ(record.fields.size(), 3u);
  EXPECT_EQ(record.fields[1], "b,\"c\"\nd");
  EXPECT_EQ(record.lineBreak, "\r\n");
  EXPECT_EQ(EndOfWholeRecords(input), input.find("next"));
  EXPECT_EQ(EndOfWholeRecords("x,\"open\nstill open"), 0u);
}

}  // namespace
}  // namespace dravlik
