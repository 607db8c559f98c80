// The calculator, run as people and pipelines run it, against the models'
// own results for the same inputs.
#include <bit>
#include <charconv>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "diameter.h"
#include "height_by_site_index.h"
#include "number_text.h"
#include "numeric.h"
#include "program_run_for_tests.h"
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

std::string WithComma(std::string number) {
  number[number.find('.')] = ',';
  return number;
}

std::string ReadFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteFile(const char* path, const std::string& contents) { std::ofstream(path, std::ios::binary) << contents; }

double V1(vzorce::SpeciesIndex species, double diameter, double height) {
  double v1, v2, v3, v4;
  vzorce::Volume(species, diameter, height, v1, v2, v3, v4);
  return v1;
}

class CalculatorTest : public testing::InFreshDirectory {};

TEST(CalculatorOneValue, PrintsWhatTheModelsGiveToTheLastDigit) {
  double v1, v2, v3, v4;
  vzorce::Volume(1, 25.6, 23.3, v1, v2, v3, v4);
  EXPECT_EQ(Calc("volume BO 25.6 23.3").output, Shortest(v1) + "\n");
  EXPECT_EQ(Calc("volume --all bo 25.6 23.3").output,
            Shortest(v1) + "\t" + Shortest(v2) + "\t" + Shortest(v3) + "\t" + Shortest(v4) + "\n");
  EXPECT_EQ(Calc("volume --round 1 25.6 23.3").output, Shortest(vzorce::RoundToHundredths(v1)) + "\n");
  EXPECT_EQ(Calc("volume 'Pinus sylvestris' 25.6 23.3").output, Shortest(v1) + "\n");
  EXPECT_EQ(Calc("volume --species borovice 25.6 23.3").output, Shortest(v1) + "\n");
  const double height = vzorce::HeightBySiteIndex(0, 17, 28);  // the young-stand path
  EXPECT_EQ(Calc("height SM 17 28").output, Shortest(height) + "\n");
  EXPECT_EQ(Calc("height --round sm 17 28").output, Shortest(vzorce::RoundToTenths(height)) + "\n");
  EXPECT_EQ(Calc("diameter 12 80 31.5").output, Shortest(vzorce::Diameter(12, 80, 31.5)) + "\n");
  EXPECT_EQ(Calc("--decimal-comma diameter DG 80 31,5").output,
            WithComma(Shortest(vzorce::Diameter(12, 80, 31.5))) + "\n");
}

TEST(CalculatorOneValue, InputsOutsideTheModelsWarnAndKeepTheModelsValue) {
  const Outcome millimetres = Calc("volume SM 325 27");
  EXPECT_EQ(millimetres.status, 0);
  EXPECT_TRUE(Contains(millimetres.output, "pdravlik-calc: warning: diameter 325 cm is outside")) << millimetres.output;
  // Appended: g++ 12 at -O3 warns falsely (-Wrestrict) on a literal + string.
  EXPECT_TRUE(Contains(millimetres.output, std::string("\n").append(Shortest(V1(0, 325, 27))).append("\n")))
      << millimetres.output;
  const Outcome negative = Calc("volume SM -30 25");
  EXPECT_EQ(negative.status, 0);
  EXPECT_TRUE(Contains(negative.output, "diameter -30 cm is negative")) << negative.output;
  const Outcome strict = Calc("--strict height SM 80 42");
  EXPECT_EQ(strict.status, 1);
  EXPECT_EQ(strict.output, "pdravlik-calc: site index 42 m is outside SM's range 14-38 m; the model gives 0\n");
  const Outcome age = Calc("diameter SM 0 20");
  EXPECT_EQ(age.status, 1);
  EXPECT_EQ(age.output, "pdravlik-calc: age must be above 0: Floating point division by zero\n");
}

TEST(CalculatorOneValue, WrongCommandLinesSayWhatIsWrong) {
  const std::pair<const char*, const char*> wrong[] = {
      {"volume KR 30 25", "unknown species 'KR'"},
      {"volume 13 30 25", "unknown species '13'"},
      {"volume SM 30", "volume takes species, diameter and height, or a file of them (--input); 2 given"},
      {"volume SM 30 25 40 x", "volume takes species, diameter and height; extra: '40' 'x'"},
      {"species SM", "species takes no arguments; extra: 'SM'"},
      {"volume SM 3x 25", "the diameter '3x' is not a number"},
      {"volume SM 32,5 25", "with a decimal comma, add --decimal-comma"},
      {"weight SM 1 2", "unknown command 'weight'"},
      {"height --all SM 80 28", "--all applies to volume only"},
      {"volume --delimiter '\"'", "the delimiter must be one character"},
      {"--bogus volume SM 1 2", "unrecognised option '--bogus'"},
      {"volume -i trees.csv SM", "volume takes its values from a file with --input, --output or --columns; extra: 'SM'"},
      {"volume --encoding klingon", "unknown encoding 'klingon'"},
      {"volume --species SM --columns species=d", "--species gives the whole input one species"},
      {"volume --species-map KL", "--species-map takes FROM=SPECIES pairs"},
      {"", "missing command"},
  };
  for (const auto& [arguments, message] : wrong) {
    const Outcome outcome = Calc(arguments);
    EXPECT_EQ(outcome.status, 2) << arguments;
    EXPECT_TRUE(Contains(outcome.output, message)) << arguments << ": " << outcome.output;
  }
  const Outcome overflow = Calc("volume DB 1e308 1e308");
  EXPECT_EQ(overflow.status, 1);
  EXPECT_TRUE(Contains(overflow.output, ": Floating point overflow\n")) << overflow.output;
}

TEST(CalculatorOneValue, HelpAndSpeciesFitATerminal) {
  for (const char* command : {"--help", "species"}) {
    const Outcome outcome = Calc(command);
    EXPECT_EQ(outcome.status, 0);
    std::istringstream lines(outcome.output);
    for (std::string line; std::getline(lines, line);) {
      int letters = 0;
      for (unsigned char c : line) letters += (c & 0xC0) != 0x80;
      EXPECT_LE(letters, 80) << line;
    }
  }
  EXPECT_TRUE(Contains(Calc("species").output, "DG    douglaska")) << Calc("species").output;
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
  EXPECT_EQ(outcome.output, "pdravlik-calc: 6 rows read, 2 computed, 4 with an error, 1 with a warning\n");
  EXPECT_EQ(ReadFile("out.csv"),
            "id,Species,note,DIAMETER,height,volume,warning,error\r\n"
            "1,SM,\"a, b\",30,25," + Shortest(V1(0, 30, 25)) + ",,\r\n"
            "2,XX,,30,25,,,Unknown species: XX\r\n"
            "3,BO,\"line\nbreak\",3x,20,,,Not a number in diameter: 3x\r\n"
            "4,BK,,30,,,,No value in height\r\n"
            "5,DB,,1e308,1e308,,,diameter and height far beyond any tree: Floating point overflow\r\n"
            "6,0,\"say \"\"hi\"\"\",5,5,0,diameter 5 cm is below 6 cm; height 5 m is below 6 m; the model gives 0,\r\n");
  EXPECT_EQ(Calc("volume -i trees.csv --strict -o strict.csv").output,
            "pdravlik-calc: 6 rows read, 1 computed, 5 with an error\n");
}

TEST_F(CalculatorTest, ACzechExcelFileInOneCommand) {
  // Windows-1250, semicolons, decimal commas: "Číslo;Dřevina;Tloušťka d1,3 (cm);Výška (m)".
  const std::string header = "\xC8\xEDslo;D\xF8" "evina;Tlou\x9A\x9D" "ka d1,3 (cm);V\xFD\x9A" "ka (m)";
  WriteFile("stromy.csv", header + "\r\n1;smrk;32,5;27,1\r\n2;Buk;41;30,4\r\n");
  const Outcome outcome = Calc(
      "volume --encoding windows-1250 -d ';' --decimal-comma --columns 'species=Dřevina' "
      "--columns 'diameter=Tloušťka d1,3 (cm),height=#4' -i stromy.csv -o objemy.csv");
  EXPECT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_EQ(outcome.output, "pdravlik-calc: 2 rows read, 2 computed, 0 with an error\n");
  EXPECT_EQ(ReadFile("objemy.csv"), header + ";volume;warning;error\r\n1;smrk;32,5;27,1;" +
                                        WithComma(Shortest(V1(0, 32.5, 27.1))) + ";;\r\n2;Buk;41;30,4;" +
                                        WithComma(Shortest(V1(5, 41, 30.4))) + ";;\r\n");
}

TEST_F(CalculatorTest, HeaderNamesBeyondAsciiMatchInEveryLocale) {
  WriteFile("stands.csv", "DŘEVINA,věk,bon\nBO,80,28.5\n");
  const Outcome outcome = testing::RunCommand("LC_ALL=C " PDRAVLIK_CALC
                                              " height --columns species=dřevina,age=VĚK,site_index=bon "
                                              "-i stands.csv 2>&1");
  EXPECT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_TRUE(Contains(outcome.output, "BO,80,28.5," + Shortest(vzorce::HeightBySiteIndex(1, 80, 28.5)) + ",,\n"))
      << outcome.output;
}

TEST_F(CalculatorTest, ColumnsDelimitersAndDecimalCommas) {
  WriteFile("stands.csv", "drevina;vek;bon\nBO;80;28,5\n");
  const std::string expected = WithComma(Shortest(vzorce::HeightBySiteIndex(1, 80, 28.5)));
  const Outcome semicolons = Calc("height --columns site_index=bon -d ';' --decimal-comma < stands.csv");
  EXPECT_EQ(semicolons.status, 0);
  EXPECT_TRUE(Contains(semicolons.output, "drevina;vek;bon;height;warning;error\nBO;80;28,5;" + expected + ";;\n"))
      << semicolons.output;
  WriteFile("commas.csv", "species,age,site_index\nBO,80,\"28,5\"\n");
  EXPECT_TRUE(Contains(Calc("height --decimal-comma -i commas.csv").output, "BO,80,\"28,5\",\"" + expected + "\","));
  WriteFile("tabs.csv", "species\tage\tsite_index\nBO\t80\t28.5\n");
  EXPECT_TRUE(Contains(Calc("height -d tab -i tabs.csv").output,
                       "BO\t80\t28.5\t" + Shortest(vzorce::HeightBySiteIndex(1, 80, 28.5)) + "\t\t\n"));
}

TEST_F(CalculatorTest, AWrongInputStopsBeforeWritingAnything) {
  WriteFile("trees.csv", "species,diameter,h\nSM,30,25\n");
  const Outcome missing = Calc("volume -i trees.csv -o out.csv");
  EXPECT_EQ(missing.status, 2);
  EXPECT_TRUE(Contains(missing.output, "no column \"height\"")) << missing.output;
  const Outcome absent = Calc("volume -i absent.csv -o out.csv");
  EXPECT_EQ(absent.status, 2);
  EXPECT_TRUE(Contains(absent.output, "cannot open absent.csv")) << absent.output;
  WriteFile("open.csv", "species,diameter,height\nSM,30,25\nSM,\"30,25\n");
  const Outcome open = Calc("volume -i open.csv -o out.csv");
  EXPECT_EQ(open.status, 2);
  EXPECT_TRUE(Contains(open.output, "line 3: a quoted field opened here does not close")) << open.output;
  EXPECT_EQ(testing::FilesHere(), (std::vector<std::string>{"open.csv", "trees.csv"}));
  EXPECT_EQ(Calc("volume --columns weight=w -i trees.csv").status, 2);
  const Outcome one = Calc("volume --columns height=h -i trees.csv -o out.csv");
  EXPECT_EQ(one.status, 0);
  EXPECT_EQ(one.output, "pdravlik-calc: 1 row read, 1 computed, 0 with an error\n");
}

TEST(NumberText, ReadsStrictlyAndExactly) {
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
}

// However long a number, a decimal comma reads it as a decimal point does.
TEST(NumberText, LongNumbersReadAlikeWithAPointAndAComma) {
  std::mt19937_64 random(11);
  for (const std::size_t length : {40, 63, 64, 65, 66, 200, 5000, 100000}) {
    std::string text(random() % 2 ? "-" : "");
    for (std::size_t d = 0; d < length; ++d) text += static_cast<char>('0' + random() % 10);
    // A size trees have, but many figures; a character, not a literal: g++ 12
    // at -O3 warns falsely (-Wrestrict) on inserting that.
    const std::size_t decimalPoint = random() % 16 + (text[0] == '-');
    text.insert(text.begin() + static_cast<std::ptrdiff_t>(decimalPoint), '.');
    if (length % 2) text += "e-7";
    double expected = 0;
    std::from_chars(text.data(), text.data() + text.size(), expected);
    const auto point = ParseNumber(text, false), comma = ParseNumber(WithComma(text), true);
    ASSERT_TRUE(point && comma) << length;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(*point), std::bit_cast<std::uint64_t>(expected)) << length;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(*comma), std::bit_cast<std::uint64_t>(expected)) << length;
    EXPECT_FALSE(ParseNumber(WithComma(text) + ".5", true)) << length;
  }
  const std::string zeros(100, '0');
  EXPECT_EQ(Calc("--decimal-comma volume SM 32,5" + zeros + " 27,1" + zeros).output,
            WithComma(Shortest(V1(0, 32.5, 27.1))) + "\n");
}

}  // namespace
}  // namespace dravlik
