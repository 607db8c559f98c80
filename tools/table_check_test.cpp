// pdravlik-tables --check against tables changed as people change them: a
// digit typed over, a number made null as QGIS does, a row deleted, added or
// moved, a letter in a number, fields added, dropped or moved; and against
// regenerations running beside it and files far larger than the tables.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>

#include "dbf_file_for_tests.h"
#include "engine/file_layout.h"
#include "program_run_for_tests.h"
#include "schemas.h"
#include "test_seed_for_tests.h"
#include "working_directory_for_tests.h"

namespace dravlik {
namespace {

using testing::Contains;
using testing::Outcome;

Outcome Check(const std::string& arguments = "") {
  return testing::RunCommand(PDRAVLIK_TABLES " --check " + arguments + " 2>&1");
}

class TableCheckTest : public testing::InFreshDirectory {
 protected:
  void SetUp() override {
    testing::InFreshDirectory::SetUp();
    ASSERT_EQ(testing::RunCommand(PDRAVLIK_TABLES " >/dev/null").status, 0);
  }
};

std::uint16_t Word(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

struct StoredField {
  std::string name;
  std::size_t width;
  std::size_t offset;  // in the record, after the deletion flag at 0
};

// A table file's bytes, with where each field of a record stands.
struct StoredTable {
  explicit StoredTable(const std::string& path) : bytes(testing::FileBytes(path)) {
    headerLength = Word(bytes, 8);
    recordLength = Word(bytes, 10);
    std::size_t offset = 1;
    for (std::size_t at = dbfe::kPrologueSize; bytes.at(at) != dbfe::kHeaderTerminator; at += dbfe::kDescriptorSize) {
      // A descriptor: the name, NUL-padded, in bytes 0 to 10; the width in byte 16.
      const char* name = reinterpret_cast<const char*>(&bytes[at]);
      fields.push_back({std::string(name, strnlen(name, dbfe::kMaxFieldNameLength + 1)), bytes[at + 16], offset});
      offset += bytes[at + 16];
    }
  }
  std::size_t Records() const { return (bytes.size() - headerLength) / recordLength; }
  std::size_t Start(std::size_t record, const StoredField& field) const {
    return headerLength + record * recordLength + field.offset;
  }
  std::string Text(std::size_t record, const StoredField& field) const {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(Start(record, field)),
            bytes.begin() + static_cast<std::ptrdiff_t>(Start(record, field) + field.width)};
  }
  const StoredField* Field(const std::string& name) const {
    for (const StoredField& field : fields) {
      if (field.name == name) return &field;
    }
    return nullptr;
  }

  std::vector<std::uint8_t> bytes;
  std::size_t headerLength, recordLength;
  std::vector<StoredField> fields;
};

// Writes `text` over one field of one record (from 0), right-aligned in
// blanks as numbers stand there.
void WriteFieldText(const std::string& path, std::size_t record, const std::string& field, const std::string& text) {
  StoredTable table(path);
  const StoredField* stored = table.Field(field);
  ASSERT_NE(stored, nullptr) << "no field " << field << " in " << path;
  ASSERT_LE(text.size(), stored->width);
  const std::string padded = std::string(stored->width - text.size(), ' ') + text;
  const auto start = table.bytes.begin() + static_cast<std::ptrdiff_t>(table.Start(record, *stored));
  std::copy(padded.begin(), padded.end(), start);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(table.bytes.data()), table.bytes.size());
}

// Writes the site-class table again as another program may have saved it,
// with `fields`: each holds the generated records' texts of the field of its
// name, or blanks where the table has no such field.
void RewriteSiteClassTable(const std::vector<testing::DbfField>& fields) {
  const StoredTable table("bon_Hm1.dbf");
  std::vector<std::vector<std::string>> records(table.Records());
  for (std::size_t record = 0; record < records.size(); ++record) {
    for (const testing::DbfField& field : fields) {
      const StoredField* stored = table.Field(field.name);
      records[record].push_back(stored ? testing::Padded(table.Text(record, *stored), field.width)
                                       : std::string(static_cast<std::size_t>(field.width), ' '));
    }
  }
  testing::WriteDbfFile("bon_Hm1.dbf", fields, records);
}

// Types a height over the stored one of a record (from 0), as in the grid.
void EditHeight(int record, double height) {
  auto table = MakeSiteClassTable();
  table->Open();
  table->MoveTo(record);
  table->Edit();
  table->FieldByName("VYSKA").SetAsFloat(height);
  table->Post();
}

struct Edit {
  int record;       // from 1
  std::string row;  // how the check names it
};

// Changes one character of a random field of a random record in the file, a
// digit to another digit or a letter to another letter.
Edit TypeOver(const std::string& path, std::mt19937& random) {
  std::vector<std::uint8_t> bytes = testing::FileBytes(path);
  const std::size_t headerLength = Word(bytes, 8), recordLength = Word(bytes, 10);
  const std::size_t records = (bytes.size() - headerLength) / recordLength;
  while (true) {
    const std::size_t record = random() % records;
    const std::size_t at = headerLength + record * recordLength + 1 + random() % (recordLength - 1);
    const char c = static_cast<char>(bytes[at]);
    if (c >= '0' && c <= '9') bytes[at] = static_cast<std::uint8_t>('0' + (c - '0' + 1 + random() % 9) % 10);
    else if (c >= 'A' && c <= 'Z') bytes[at] = static_cast<std::uint8_t>(c == 'Z' ? 'A' : c + 1);
    else continue;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return {static_cast<int>(record + 1), ": row " + std::to_string(record + 1) + " ("};
  }
}

TEST_F(TableCheckTest, FindsAnyCharacterTypedOverInEitherTableAndChangesNothing) {
  const Outcome clean = Check();
  EXPECT_EQ(clean.status, 0) << clean.output;
  EXPECT_EQ(clean.output,
            "bon_Hm1.dbf: 3228 rows compared, 0 differ, 0 missing, 0 extra\n"
            "TloVysHm.dbf: 32708 rows compared, 0 differ, 0 missing, 0 extra\n");
  const testing::TestSeed seed;
  std::mt19937 random(seed.value());
  for (int round = 0; round < 6; ++round) {
    const std::string table = round % 2 ? "TloVysHm.dbf" : "bon_Hm1.dbf";
    const Edit edit = TypeOver(table, random);
    const std::vector<std::uint8_t> edited = testing::FileBytes(table);
    const Outcome outcome = Check(round % 2 ? "height-diameter" : "site-class");
    EXPECT_EQ(outcome.status, 1) << outcome.output;
    EXPECT_TRUE(Contains(outcome.output, table + edit.row)) << edit.record << "\n" << outcome.output;
    EXPECT_TRUE(Contains(outcome.output, " 1 differ, 0 missing, 0 extra\n")) << outcome.output;
    EXPECT_EQ(testing::FileBytes(table), edited) << "the check changed the file";
    ASSERT_EQ(testing::RunCommand(PDRAVLIK_TABLES " >/dev/null").status, 0);
  }
  EXPECT_EQ(testing::FilesHere(), (std::vector<std::string>{"TloVysHm.dbf", "bon_Hm1.dbf"}));
}

TEST_F(TableCheckTest, NamesTheFieldAndBothValues) {
  EditHeight(412, 99.5);
  const Outcome outcome = Check("site-class");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_TRUE(Contains(outcome.output, "bon_Hm1.dbf: row 413 (BO, BONITA 14, VEK 115): VYSKA is 99.5 in the file, 14.2 from the models\n"))
      << outcome.output;
}

// A table once saved from QGIS: the null number reads as empty, in the grid
// as in the check, and does not hide another edit.
TEST_F(TableCheckTest, ReadsAsterisksAsAnEmptyNumberAndReportsTheOtherEdits) {
  EditHeight(412, 99.5);
  // As GDAL (and so QGIS) writes a null number.
  WriteFieldText("bon_Hm1.dbf", 100, "HMOT", std::string(20, '*'));
  {
    auto table = MakeSiteClassTable();
    table->Open();
    table->MoveTo(100);
    EXPECT_TRUE(table->FieldByName("HMOT").IsNull());
    EXPECT_EQ(table->FieldByName("HMOT").DisplayText(), "");
  }
  const std::vector<std::uint8_t> edited = testing::FileBytes("bon_Hm1.dbf");
  const Outcome outcome = Check("site-class");
  EXPECT_EQ(outcome.status, 1) << outcome.output;
  EXPECT_EQ(outcome.output,
            "bon_Hm1.dbf: row 101 (SM, BONITA 20, VEK 95): HMOT is empty in the file, 0.4 from the models\n"
            "bon_Hm1.dbf: row 413 (BO, BONITA 14, VEK 115): VYSKA is 99.5 in the file, 14.2 from the models\n"
            "bon_Hm1.dbf: 3228 rows compared, 2 differ, 0 missing, 0 extra\n");
  EXPECT_EQ(testing::FileBytes("bon_Hm1.dbf"), edited) << "the check changed the file";
}

TEST_F(TableCheckTest, FindsDeletedAddedAndMovedRows) {
  {
    auto table = MakeHeightDiameterTable();
    table->Open();
    table->MoveTo(100);
    table->Delete();
    table->Append();
    table->FieldByName("drevina").SetAsString("SM");
    table->FieldByName("vyska").SetAsFloat(41);
    table->FieldByName("tloustka").SetAsFloat(7);
    table->Post();
    // The first two rows change places.
    const FieldValue first = table->RowValue(0, 3), second = table->RowValue(1, 3);
    for (int row : {0, 1}) {
      table->MoveTo(row);
      table->Edit();
      table->FieldByName("tloustka").SetAsFloat(row ? 7 : 8);
      table->FieldByName("hmot").SetAsFloat(std::get<double>(row ? first : second));
      table->Post();
    }
  }
  const Outcome outcome = Check("height-diameter");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_TRUE(Contains(outcome.output, "TloVysHm.dbf: missing row (SM, tloustka 33, vyska 8), row 101 of the models' table"))
      << outcome.output;
  EXPECT_TRUE(Contains(outcome.output, "TloVysHm.dbf: row 32708 (SM, tloustka 7, vyska 41): not in the models' table"));
  EXPECT_TRUE(Contains(outcome.output, "TloVysHm.dbf: row 2 (SM, tloustka 7, vyska 7): out of order: row 1 of the models' table\n"));
  EXPECT_TRUE(Contains(outcome.output, "32708 rows compared, 1 differ, 1 missing, 1 extra")) << outcome.output;
}

// Row 3 moved to the top: the two rows it passed are out of order. The first
// of them is only known to be once row 3's place is read, and is reported at
// the end.
TEST_F(TableCheckTest, FindsTheRowsThatARowMovedUpPassed) {
  StoredTable table("TloVysHm.dbf");
  const auto first = table.bytes.begin() + static_cast<std::ptrdiff_t>(table.headerLength);
  std::rotate(first, first + static_cast<std::ptrdiff_t>(2 * table.recordLength),
              first + static_cast<std::ptrdiff_t>(3 * table.recordLength));
  std::ofstream("TloVysHm.dbf", std::ios::binary)
      .write(reinterpret_cast<const char*>(table.bytes.data()), static_cast<std::streamsize>(table.bytes.size()));
  const Outcome outcome = Check("height-diameter");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.output,
            "TloVysHm.dbf: row 3 (SM, tloustka 8, vyska 7): out of order: row 2 of the models' table\n"
            "TloVysHm.dbf: row 2 (SM, tloustka 7, vyska 7): out of order: row 1 of the models' table\n"
            "TloVysHm.dbf: 32708 rows compared, 2 differ, 0 missing, 0 extra\n");
}

TEST_F(TableCheckTest, AMissingOrForeignFileIsNotADifference) {
  std::filesystem::remove("bon_Hm1.dbf");
  const Outcome missing = Check();
  EXPECT_EQ(missing.status, 2);
  EXPECT_TRUE(Contains(missing.output, "pdravlik-tables: bon_Hm1.dbf: ")) << missing.output;
  EXPECT_TRUE(Contains(missing.output, "TloVysHm.dbf: 32708 rows compared, 0 differ")) << missing.output;
  std::ofstream("bon_Hm1.dbf") << "not a table";
  EXPECT_EQ(Check("site-class").status, 2);
  EXPECT_EQ(Check("--csv").status, 2);
  const Outcome noDirectory = Check("-C does-not-exist");
  EXPECT_EQ(noDirectory.status, 2);
  EXPECT_TRUE(Contains(noDirectory.output, "cannot change to directory 'does-not-exist'")) << noDirectory.output;
}

TEST_F(TableCheckTest, ReportsTheFileFieldsThatDifferBeforeTheRowsAndComparesTheRest) {
  WriteFieldText("bon_Hm1.dbf", 5, "HMOT", "7");
  WriteFieldText("bon_Hm1.dbf", 6, "VYSKA", "1");  // not compared: text in the file
  RewriteSiteClassTable({{"DREVINA", 'C', 3},
                         {"VEK", 'N', 20, 10},
                         {"BONITA", 'N', 20, 10},
                         {"VYSKA", 'C', 20},
                         {"HMOT", 'N', 20, 10},
                         {"POZN", 'C', 10},
                         {"VEK", 'N', 20, 10}});
  WriteFieldText("bon_Hm1.dbf", 7, "POZN", "noted");
  const Outcome outcome = Check("site-class");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.output,
            "bon_Hm1.dbf: field BONITA (column 3): out of order: column 2 of the models' table\n"
            "bon_Hm1.dbf: field VYSKA (column 4): text in the file, a number in the models' table\n"
            "bon_Hm1.dbf: field POZN (column 6): not in the models' table\n"
            "bon_Hm1.dbf: field VEK (column 7): a second VEK; the one in column 2 is compared\n"
            "bon_Hm1.dbf: missing field TLOUSTKA, column 5 of the models' table\n"
            "bon_Hm1.dbf: row 6 (SM, BONITA 14, VEK 40): HMOT is 7 in the file, 0.02 from the models\n"
            "bon_Hm1.dbf: 3228 rows compared, 1 differ, 0 missing, 0 extra\n");

  // Rows the same, the file's fields not: still a difference.
  ASSERT_EQ(testing::RunCommand(PDRAVLIK_TABLES " site-class 2>&1").status, 0);
  RewriteSiteClassTable({{"DREVINA", 'C', 3},
                         {"BONITA", 'N', 20, 10},
                         {"VEK", 'N', 20, 10},
                         {"VYSKA", 'N', 20, 10},
                         {"TLOUSTKA", 'N', 20, 10},
                         {"HMOT", 'N', 20, 10},
                         {"ID", 'N', 6}});
  const Outcome extra = Check("site-class");
  EXPECT_EQ(extra.status, 1);
  EXPECT_EQ(extra.output,
            "bon_Hm1.dbf: field ID (column 7): not in the models' table\n"
            "bon_Hm1.dbf: 3228 rows compared, 0 differ, 0 missing, 0 extra\n");

  // Without a key, no row can be matched.
  RewriteSiteClassTable({{"DREVINA", 'C', 3}, {"BONITA", 'N', 20, 10}, {"VYSKA", 'N', 20, 10}});
  const Outcome keyless = Check("site-class");
  EXPECT_EQ(keyless.status, 2);
  EXPECT_TRUE(Contains(keyless.output, "bon_Hm1.dbf: missing field VEK, column 3 of the models' table\n"))
      << keyless.output;
  EXPECT_TRUE(Contains(keyless.output, "pdravlik-tables: bon_Hm1.dbf: the rows cannot be matched without the key "
                                       "field VEK\n"))
      << keyless.output;
  EXPECT_FALSE(Contains(keyless.output, "rows compared")) << keyless.output;
}

// A number typed with a letter in it, in another program or by hand: the
// engine cannot read it, and the check says so on its row and goes on. A
// key that is no number cannot be matched by key: its row is matched by its
// place, at the end.
TEST_F(TableCheckTest, ReportsATextThatIsNoNumberOnItsRowAndGoesOn) {
  EditHeight(412, 99.5);
  WriteFieldText("bon_Hm1.dbf", 100, "HMOT", "12abc");
  WriteFieldText("bon_Hm1.dbf", 2000, "VEK", "8o");
  const Outcome outcome = Check("site-class");
  EXPECT_EQ(outcome.status, 1) << outcome.output;
  EXPECT_EQ(outcome.output,
            "bon_Hm1.dbf: row 101 (SM, BONITA 20, VEK 95): HMOT is not a number in the file (\"12abc\"), 0.4 from "
            "the models\n"
            "bon_Hm1.dbf: row 413 (BO, BONITA 14, VEK 115): VYSKA is 99.5 in the file, 14.2 from the models\n"
            "bon_Hm1.dbf: row 2001 (BK, BONITA 32, VEK 8o): VEK is not a number in the file (\"8o\"), 75 from the "
            "models\n"
            "bon_Hm1.dbf: 3228 rows compared, 3 differ, 0 missing, 0 extra\n");
}

// A regeneration holds the table exclusively only for moments; a check that
// meets one waits for it to pass, and so reads the old table whole or the new
// one. The regenerations run in a loop in another program; each check must
// find the tables as the models give them.
TEST_F(TableCheckTest, ChecksDuringRegenerationsFindWholeTables) {
  const pid_t regenerating = fork();
  ASSERT_GE(regenerating, 0);
  if (regenerating == 0) {
    setpgid(0, 0);
    execl("/bin/sh", "sh", "-c", "while :; do " PDRAVLIK_TABLES " >>regenerations.out 2>&1; done", nullptr);
    _exit(127);
  }
  setpgid(regenerating, regenerating);
  for (int round = 0; round < 60; ++round) {
    const Outcome outcome = Check();
    EXPECT_EQ(outcome.status, 0) << "check " << round << ":\n" << outcome.output;
  }
  kill(-regenerating, SIGKILL);
  waitpid(regenerating, nullptr, 0);
}

TEST_F(TableCheckTest, ATableHeldLongerThanARegenerationHoldsItIsReportedInUse) {
  const int held = open("bon_Hm1.dbf", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  const Outcome outcome = Check("site-class");
  close(held);
  EXPECT_EQ(outcome.status, 2);
  EXPECT_TRUE(Contains(outcome.output, "pdravlik-tables: bon_Hm1.dbf: Table is in use by another program."))
      << outcome.output;
}

struct MeasuredRun {
  int status = -1;
  std::size_t lines = 0;
  std::string lastLine;
  long peakKilobytes = 0;  // resident
};

// Runs pdravlik-tables as a child of this process, with standard output and
// error read from a pipe as they come (only the line count and the last line
// kept), and takes the child's peak resident memory.
MeasuredRun RunMeasured(std::vector<std::string> arguments) {
#if defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer keeps up to 256 MB of freed memory from reuse unless told
  // otherwise: the bound would measure that, not what the program holds.
  const char* options = std::getenv("ASAN_OPTIONS");
  const std::string sanitizerOptions = std::string(options ? options : "") + ":quarantine_size_mb=16";
#endif
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
#if defined(__SANITIZE_ADDRESS__)
    setenv("ASAN_OPTIONS", sanitizerOptions.c_str(), 1);
#endif
    dup2(pipeEnds[1], STDOUT_FILENO);
    dup2(pipeEnds[1], STDERR_FILENO);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    std::vector<char*> argv{const_cast<char*>(PDRAVLIK_TABLES)};
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    execv(PDRAVLIK_TABLES, argv.data());
    _exit(127);
  }
  close(pipeEnds[1]);
  MeasuredRun run;
  std::string line;
  char buffer[1 << 16];
  while (true) {
    const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    for (ssize_t i = 0; i < got; ++i) {
      if (buffer[i] != '\n') {
        line += buffer[i];
        continue;
      }
      ++run.lines;
      run.lastLine = std::move(line);
      line.clear();
    }
  }
  close(pipeEnds[0]);
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child) return run;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.peakKilobytes = usage.ru_maxrss;
  return run;
}

// The height-diameter table's records again and again: a valid table of
// about 100 MB, as if another program had appended to it.
void RepeatHeightDiameterRecords(int times) {
  const StoredTable table("TloVysHm.dbf");
  const auto records = table.bytes.begin() + static_cast<std::ptrdiff_t>(table.headerLength);
  const std::size_t length = table.Records() * table.recordLength;
  std::vector<std::uint8_t> header(table.bytes.begin(), records);
  const auto count = static_cast<std::uint32_t>(table.Records() * static_cast<std::size_t>(times));
  for (int i = 0; i < 4; ++i) header[dbfe::kRecordCountOffset + i] = static_cast<std::uint8_t>(count >> (8 * i));
  std::ofstream out("TloVysHm.dbf", std::ios::binary);
  out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
  for (int time = 0; time < times; ++time) {
    out.write(reinterpret_cast<const char*>(&*records), static_cast<std::streamsize>(length));
  }
  out.put(static_cast<char>(dbfe::kEndOfFile));
}

// A site-class table of 2 GiB with a few KiB on the disk: its header counts
// 306,783,345 records of one-character fields, of which ten were written.
void WriteSparseSiteClassTable() {
  std::vector<testing::DbfField> fields{{"DREVINA", 'C', 1}};
  for (const char* name : {"BONITA", "VEK", "VYSKA", "TLOUSTKA", "HMOT"}) fields.push_back({name, 'N', 1});
  testing::WriteDbfFile("bon_Hm1.dbf", fields, std::vector(10, std::vector<std::string>{"S", "1", "2", "3", "4", "5"}));
  const std::uint64_t header = dbfe::kPrologueSize + dbfe::kDescriptorSize * fields.size() + 1;
  const auto count = static_cast<std::uint32_t>((dbfe::kMaxTableSize - header - 1) / 7);
  ASSERT_EQ(count, 306'783'345u);
  std::fstream file("bon_Hm1.dbf", std::ios::binary | std::ios::in | std::ios::out);
  file.seekp(dbfe::kRecordCountOffset);
  for (int i = 0; i < 4; ++i) file.put(static_cast<char>(count >> (8 * i)));
  file.close();
  std::filesystem::resize_file("bon_Hm1.dbf", header + std::uint64_t{count} * 7 + 1);
}

// What the check holds stays within the models' rows, whatever the file
// says; a generous bound on the child's peak memory, not a measurement.
TEST_F(TableCheckTest, HoldsLittleMemoryWhateverTheSizeOfTheFile) {
  constexpr long kBoundKilobytes = 200 * 1024;
  RepeatHeightDiameterRecords(48);
  ASSERT_GT(std::filesystem::file_size("TloVysHm.dbf"), 100'000'000u);
  const MeasuredRun large = RunMeasured({"--check", "height-diameter"});
  EXPECT_EQ(large.status, 1);
  EXPECT_EQ(large.lastLine, "TloVysHm.dbf: 1569984 rows compared, 0 differ, 0 missing, 1537276 extra");
  EXPECT_EQ(large.lines, 1537276u + 1);
  EXPECT_LT(large.peakKilobytes, kBoundKilobytes);

  WriteSparseSiteClassTable();
  const MeasuredRun sparse = RunMeasured({"--check", "site-class"});
  EXPECT_EQ(sparse.status, 2);
  EXPECT_TRUE(Contains(sparse.lastLine, "The header counts 306783345 records but the file has only "))
      << sparse.lastLine;
  EXPECT_LT(sparse.peakKilobytes, kBoundKilobytes);
}

}  // namespace
}  // namespace dravlik
