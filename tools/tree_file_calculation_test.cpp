// A whole file through the calculator in memory: which rows come out, under
// which columns, in which encoding, and what stops a run.
#include "tree_file_calculation.h"

#include <charconv>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "volume.h"

namespace dravlik {
namespace {

struct FileRun {
  std::string output;
  TreeFileSummary summary;
  std::string error;  // a TreeFileError's message
};

// The input in pieces of `piece` bytes, as a pipe may give it.
FileRun Calculate(const std::string& input, TreeFileOptions options = {}, std::size_t piece = 1 << 16) {
  FileRun run;
  std::size_t offset = 0;
  try {
    run.summary = CalculateTreeFile(
        options,
        [&](char* buffer, std::size_t size) {
          const std::size_t got = input.copy(buffer, std::min(size, piece), offset);
          offset += got;
          return got;
        },
        [&](std::string_view bytes) { run.output += bytes; });
  } catch (const TreeFileError& e) {
    run.error = e.what();
  }
  return run;
}

TreeFileOptions Delimited(char delimiter, bool decimalComma = false) {
  TreeFileOptions options;
  options.format = {delimiter, decimalComma};
  return options;
}

TreeFileOptions Strict() {
  TreeFileOptions options;
  options.strict = true;
  return options;
}

TreeFileOptions Encoded(const char* encoding) {
  TreeFileOptions options;
  options.encoding = encoding;
  return options;
}

std::string Volume(int species, double diameter, double height) {
  double v1, v2, v3, v4;
  vzorce::Volume(static_cast<vzorce::SpeciesIndex>(species), diameter, height, v1, v2, v3, v4);
  char digits[32];
  return std::string(digits, std::to_chars(digits, digits + sizeof digits, v1).ptr);
}

TEST(TreeFileRows, EveryRowHasTheHeadersWidthAndItsResultUnderItsColumn) {
  const FileRun run = Calculate(
      "species,diameter,height,note\n"
      "SM,30,25\n"               // the optional last column left out
      "SM,30,25,,,\n"            // trailing delimiters on the rows only
      "BK,40,30,a,b\n"           // text past the header
      "BO,30,25,12\" crack\n");  // a stray quote inside a field
  EXPECT_EQ(run.output,
            "species,diameter,height,note,volume,warning,error\n"
            "SM,30,25,," + Volume(0, 30, 25) + ",,\n"
            "SM,30,25,," + Volume(0, 30, 25) + ",,\n"
            "BK,40,30,a,,,5 fields where the header has 4; past the header: b\n"
            "BO,30,25,12\" crack," + Volume(1, 30, 25) + ",,\n");
  EXPECT_EQ(run.summary.rowsRead, 4u);
  EXPECT_EQ(run.summary.rowsComputed, 3u);
}

TEST(TreeFileRows, BlankLinesAreSkippedAndLineBreaksKept) {
  const FileRun run = Calculate("\xEF\xBB\xBFspecies;diameter;height\r\n;;\r\n  \r\nSM;30;25\rSM;30;25\n\t;\nSM;30;25",
                            Delimited(';'));
  const std::string v = Volume(0, 30, 25);
  EXPECT_EQ(run.output, "\xEF\xBB\xBFspecies;diameter;height;volume;warning;error\r\n"
                        "SM;30;25;" + v + ";;\r" "SM;30;25;" + v + ";;\n" "SM;30;25;" + v + ";;\r\n");
  EXPECT_EQ(run.summary.rowsRead, 3u);
  EXPECT_EQ(run.summary.RowsWithError(), 0u);
  // Old Mac line ends, header included.
  EXPECT_EQ(Calculate("species,diameter,height\rSM,30,25\r").output,
            "species,diameter,height,volume,warning,error\rSM,30,25," + v + ",,\r");
}

TEST(TreeFileRows, SpeciesByNameByMapOrForTheWholeFile) {
  TreeFileOptions mapped;
  mapped.species.map.push_back({"KL", 5});
  const FileRun run = Calculate("species,diameter,height\nkl,30,25\nsmrk,30,25\nLP,30,25\n", mapped);
  EXPECT_EQ(run.output, "species,diameter,height,volume,warning,error\n"
                        "kl,30,25," + Volume(5, 30, 25) + ",kl computed as BK,\n"
                        "smrk,30,25," + Volume(0, 30, 25) + ",,\n"
                        "LP,30,25,,,Unknown species: LP\n");
  TreeFileOptions spruce;
  spruce.species.fixed = 0;
  EXPECT_EQ(Calculate("d,height,diameter\n1,25,30\n", spruce).output,
            "d,height,diameter,volume,warning,error\n1,25,30," + Volume(0, 30, 25) + ",,\n");
  // A species column of the file's own is not overruled quietly.
  EXPECT_EQ(Calculate("Drevina,height,diameter\nBK,25,30\n", spruce).error,
            "the input has a species column, \"Drevina\"; --species is for files without one (--species-map computes "
            "some species as others)");
}

TEST(TreeFileRows, WarningsKeepTheModelsNumbersUnlessStrict) {
  const std::string input = "species,diameter,height\nSM,325,27\nSM,30,25\n";
  const std::size_t warning = std::string("species,diameter,height,volume,warning,error\nSM,325,27,").size();
  const FileRun run = Calculate(input);
  EXPECT_EQ(run.output.substr(warning, Volume(0, 325, 27).size() + 27),
            Volume(0, 325, 27) + ",diameter 325 cm is outside");
  EXPECT_EQ(run.summary.rowsWarned, 1u);
  EXPECT_EQ(run.summary.RowsWithError(), 0u);
  const FileRun strict = Calculate(input, Strict());
  EXPECT_EQ(strict.output.substr(warning, 28), ",,diameter 325 cm is outside");
  EXPECT_EQ(strict.summary.RowsWithError(), 1u);
}

TEST(TreeFileRows, NumbersWithTheOtherDecimalSeparatorSaySo) {
  const FileRun point = Calculate("species;diameter;height\nSM;32,5;27\n", Delimited(';'));
  EXPECT_NE(point.output.find("Not a number in diameter: 32,5 (a decimal comma? add --decimal-comma)"),
            std::string::npos) << point.output;
  const FileRun comma = Calculate("species;diameter;height\nSM;32.5;27\n", Delimited(';', true));
  EXPECT_NE(comma.output.find("(with --decimal-comma, numbers take a comma)"), std::string::npos) << comma.output;
}

TEST(TreeFileEncoding, AWindows1250FileComesBackInWindows1250) {
  // "Dřevina;Tloušťka d1,3 (cm);Výška" and a row with a note "smrk ztepilý".
  const std::string input = "D\xF8" "evina;Tlou\x9A\x9D" "ka d1,3 (cm);V\xFD\x9A" "ka;Pozn\xE1mka\r\n"
                            "SM;32,5;27,1;smrk ztepil\xFD\r\n";
  TreeFileOptions options = Delimited(';', true);
  options.encoding = "windows-1250";
  options.columns = {{"species", "DŘEVINA"}, {"diameter", "tloušťka d1,3 (cm)"}, {"height", "Výška"}};
  const FileRun run = Calculate(input, options, 7);
  ASSERT_EQ(run.error, "");
  std::string volume = Volume(0, 32.5, 27.1);
  volume[volume.find('.')] = ',';
  EXPECT_EQ(run.output, "D\xF8" "evina;Tlou\x9A\x9D" "ka d1,3 (cm);V\xFD\x9A" "ka;Pozn\xE1mka;volume;warning;error\r\n"
                        "SM;32,5;27,1;smrk ztepil\xFD;" + volume + ";;\r\n");
}

TEST(TreeFileEncoding, BytesThatAreNoCharacterStopTheRunAtTheirLine) {
  const TreeFileOptions options = Encoded("windows-1250");
  EXPECT_EQ(Calculate("species,diameter,height\nSM,30,25\nSM,30,25\x81\n", options, 5).error,
            "line 3: byte 0x81 is no character of WINDOWS-1250");
  EXPECT_NE(Calculate("\xEF\xBB\xBFspecies,diameter,height\n", options).error.find("leave out --encoding"),
            std::string::npos);
  // Without --encoding, a Windows-1250 header says what to try.
  EXPECT_NE(Calculate("Tlou\x9A\x9D" "ka,species,height\n").error.find("try --encoding windows-1250"),
            std::string::npos);
}

TEST(TreeFileInput, AnUnclosedQuoteOrAnEndlessRecordStopsAtTheLineItBegan) {
  const std::string rows = "species,diameter,height\nSM,30,25\nSM,30,\"25\nSM,30,25\n";
  for (std::size_t piece : {3, 1 << 16}) {
    const FileRun run = Calculate(rows, {}, piece);
    EXPECT_EQ(run.error, "line 3: a quoted field opened here does not close before the end of the input");
  }
  // Line breaks inside quoted fields count as lines, as an editor shows them.
  EXPECT_EQ(Calculate("species,diameter,height,note\nSM,30,25,\"two\r\nlines\"\rSM,\"30,25\n").error,
            "line 4: a quoted field opened here does not close before the end of the input");
  const FileRun endless = Calculate("species,diameter,height\n\"\n" + std::string(3 << 20, 'x'));
  EXPECT_EQ(endless.error, "line 2: a quoted field opened here does not close within 1 MiB");
  const FileRun longLine = Calculate("species,diameter,height\nSM,1,2\n" + std::string(2 << 20, ',') + "\n");
  EXPECT_EQ(longLine.error, "line 3: a record of more than 1 MiB; pdravlik-calc reads records of at most 1 MiB");
  const FileRun wide = Calculate(std::string(20000, ',') + "species,diameter,height\n");
  EXPECT_NE(wide.error.find("line 1: the header has 20003 columns"), std::string::npos) << wide.error;
  EXPECT_EQ(Calculate("\n;;\n", Delimited(';')).error, "the input is empty: it needs a header line naming its columns");
}

// A record that goes on without end is refused once it passes the bound,
// having read no more than a few MiB of it, whether or not a quote is open.
TEST(TreeFileInput, AnEndlessRecordIsRefusedWithoutReadingOn) {
  // Endless as far as a sound reader can tell; a reader that ignored the
  // bound reaches this end and fails the test.
  constexpr std::size_t kEnd = std::size_t{64} << 20;
  const std::pair<const char*, const char*> endless[] = {
      {"", "line 3: a record of more than 1 MiB; pdravlik-calc reads records of at most 1 MiB"},
      {"\"", "line 3: a quoted field opened here does not close within 1 MiB"},
  };
  for (const auto& [opening, message] : endless) {
    const std::string head = std::string("species,diameter,height\nSM,30,25\n") + opening;
    std::size_t given = 0;
    std::string error;
    try {
      CalculateTreeFile(
          {},
          [&](char* buffer, std::size_t size) {
            const std::size_t count = std::min(size, kEnd - given);
            for (std::size_t i = 0; i < count; ++i) buffer[i] = given + i < head.size() ? head[given + i] : 'x';
            given += count;
            return count;
          },
          [](std::string_view) {});
    } catch (const TreeFileError& e) {
      error = e.what();
    }
    EXPECT_EQ(error, message);
    EXPECT_LE(given, 4 * kMaxRecordBytes) << opening;
  }
}

TEST(TreeFileInput, AMissingColumnSaysWhatToChange) {
  EXPECT_EQ(Calculate("species;diameter;height\nSM;30;25\n").error,
            "the input has no column \"species\" (nor \"drevina\"); name it with --columns species=NAME; its "
            "header reads as one column, \"species;diameter;height\": try -d ';'");
  EXPECT_EQ(Calculate("drevina,tloustka,vyska,hmot\n\"SM\",7,7,0.01\n").output,
            "drevina,tloustka,vyska,hmot,volume,warning,error\n\"SM\",7,7,0.01," + Volume(0, 7, 7) + ",,\n");
}

// Many blocks, computed on every core: the rows come out in input order,
// and the line of a late failure counts every line before it.
TEST(TreeFileInput, ManyBlocksComeOutInInputOrder) {
  std::string input = "species,diameter,height\n", expected = "species,diameter,height,volume,warning,error\n";
  for (int row = 0; row < 250000; ++row) {
    // Trees the height-diameter table covers, so that none has a warning.
    const int species = row % 13, diameter = 20 + row % 40, height = 15 + row % 20;
    const std::string line = std::to_string(species) + ",\"" + std::to_string(diameter) + "\"," +
                             std::to_string(height);
    const char* lineBreak = row % 2 ? "\r\n" : "\n";
    input += line + lineBreak;
    expected += line + "," + Volume(species, diameter, height) + ",," + lineBreak;
  }
  ASSERT_GT(input.size(), 2u << 20);
  const FileRun run = Calculate(input, {}, 7777);
  EXPECT_EQ(run.summary.rowsRead, 250000u);
  EXPECT_EQ(run.summary.rowsComputed, 250000u);
  EXPECT_TRUE(run.output == expected);
  EXPECT_EQ(Calculate(input + "SM,\"1\n", {}, 7777).error,
            "line 250002: a quoted field opened here does not close before the end of the input");
}

}  // namespace
}  // namespace dravlik
