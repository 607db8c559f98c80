#include "engine_library.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "engine_test_support.h"
#include "schemas.h"

namespace dravlik {
namespace {

namespace fs = std::filesystem;
using testing::EngineLibraryTest;
using testing::FirstLine;
using testing::HasLine;
using testing::kCannotStart;
using testing::Lines;

TEST_F(EngineLibraryTest, ALibraryWithoutTheInitialisationEntryPoint) {
  const std::string directory = fs::path(FAKE_ENGINES_DIRECTORY).string();
  const auto [status, message] = FailureOf([&] { Load("libfake_engine_without_init.so", directory); });
  EXPECT_EQ(status, 0x2a06);
  const std::string library = fs::canonical(directory + "/libfake_engine_without_init.so").string();
  EXPECT_EQ(message, kCannotStart + " (error $2a06)\nThe engine library " + library +
                         " has no initialisation entry point dbfe_init.");
}

TEST_F(EngineLibraryTest, AMissingEntryPointIsAnErrorWhenCalled) {
  const auto engine = Load("libfake_engine_with_init.so", FAKE_ENGINES_DIRECTORY);
  dbfe_database database = nullptr;
  const auto [status, message] = FailureOf([&] {
    (void)engine->openDatabase(nullptr, nullptr, DBFE_READ_WRITE, DBFE_SHARED, &database);  // it throws
  });
  EXPECT_EQ(status, 0x2109);
  EXPECT_NE(message.find("dbfe_open_database"), std::string::npos) << message;
}

TEST_F(EngineLibraryTest, AFileThatIsNoLibraryIsAFailureOfItsOwn) {
  fs::create_directory("engines");
  std::ofstream("engines/libbroken.so") << "not a shared library";
  const auto [status, message] = FailureOf([&] { Load("libbroken.so", (Directory() / "engines").string()); });
  EXPECT_EQ(status, 0x2109);
  EXPECT_EQ(FirstLine(message), kCannotStart + " (error $2109)");
  const std::string named = "The engine library " + (Directory() / "engines/libbroken.so").string() + " could not be";
  EXPECT_EQ(Lines(message).at(1).rfind(named, 0), 0u) << message;
}

TEST_F(EngineLibraryTest, AMissingEntryPointFailsTheTableOperationCleanly) {
  std::ofstream(SettingsFile()) << "DLLPATH=" << FAKE_ENGINES_DIRECTORY << "\n";
  TSession session("Partial", {"libfake_engine_with_init.so", SettingsFile()});
  auto table = MakeSiteClassTable(session);
  const auto [status, message] = FailureOf([&] { table->Open(); });
  EXPECT_EQ(status, 0x2109);
  EXPECT_NE(message.find("has no entry point dbfe_open_database"), std::string::npos) << message;
  EXPECT_FALSE(table->Active());
  EXPECT_TRUE(session.Active()) << "the engine itself did start";
}

TEST_F(EngineLibraryTest, TablesReportTheStartFailure) {
  std::ofstream(SettingsFile()) << "DLLPATH=/nonexistent\n";
  TSession session("Broken", {"libnosuchengine.so", SettingsFile()});
  auto table = MakeSiteClassTable(session);
  const auto [status, message] = FailureOf([&] { table->CreateTable(); });
  EXPECT_EQ(FirstLine(message), kCannotStart + " (error $2108)");
  EXPECT_TRUE(HasLine(message, "Not found: /nonexistent/libnosuchengine.so (DLLPATH in " + SettingsFile() + ")"))
      << message;
  EXPECT_FALSE(session.Active());
  EXPECT_EQ(FailureOf([&] { table->Open(); }).first, 0x2108);  // tried again, fails again
  EXPECT_FALSE(table->Active());
}

TEST_F(EngineLibraryTest, EngineErrorsCarryTheEnginesTexts) {
  auto table = MakeSiteClassTable();
  std::ofstream("bon_Hm1.dbf") << "not a table";
  const auto [status, message] = FailureOf([&] { table->Open(); });
  EXPECT_NE(status, 0);
  EXPECT_NE(message.find("bon_Hm1.dbf"), std::string::npos) << message;
  EXPECT_EQ(message.find("\n\n"), std::string::npos) << "no empty lines";
  EXPECT_FALSE(table->Active());
}

// An engine whose texts and error context the test writes.
class EngineMessageTest : public EngineLibraryTest {
 protected:
  void SetUp() override {
    EngineLibraryTest::SetUp();
    engine_ = Load("libfake_engine_with_texts.so", FAKE_ENGINES_DIRECTORY);
    Script(false, 0);
  }
  void Script(bool endless, std::uint16_t openFailure) {
    reinterpret_cast<void (*)(bool, std::uint16_t)>(engine_->Symbol("fake_engine_reset"))(endless, openFailure);
  }
  void StatusText(std::uint16_t status, const char* text) {
    reinterpret_cast<void (*)(std::uint16_t, const char*)>(engine_->Symbol("fake_engine_set_status_text"))(status,
                                                                                                          text);
  }
  void Entry(std::uint16_t status, std::int32_t nativeCode, const char* text) {
    reinterpret_cast<void (*)(std::uint16_t, std::int32_t, const char*)>(
        engine_->Symbol("fake_engine_add_error_entry"))(status, nativeCode, text);
  }
  std::unique_ptr<EngineLibrary> engine_;
};

TEST_F(EngineMessageTest, JoinsTheStatusAndTheErrorContext) {
  StatusText(0x2103, "Cannot write to the table file.");
  StatusText(0x2104, "Table does not exist.");
  Entry(0x2103, 0, "  Table: /data/bon_Hm1.dbf\t");
  Entry(0x2103, 27, "File too large");  // the system's reason: no status text
  Entry(0x2104, 0, "");                  // the status text alone
  Entry(0x2103, 0, "Table: /data/bon_Hm1.dbf");  // repeated
  Entry(0x2103, 0, "   ");
  EXPECT_EQ(engine_->ErrorMessage(0x2103),
            "Cannot write to the table file.\nTable: /data/bon_Hm1.dbf\nFile too large\nTable does not exist.");
}

TEST_F(EngineMessageTest, LeavesOutTheTextOfDriverFailures) {
  StatusText(0x2EC4, "Driver failure.");
  Entry(0x2EC4, 0, "Field: VYSKA");
  EXPECT_EQ(engine_->ErrorMessage(0x2EC4), "Field: VYSKA");
}

TEST_F(EngineMessageTest, WithoutAnyTextNamesTheStatus) {
  EXPECT_EQ(engine_->ErrorMessage(0x2c04), "Database engine error $2c04");
  Entry(0x2A06, 0, "never read");
  EXPECT_EQ(engine_->ErrorMessage(0x2c04), "Database engine error $2c04") << "0x2A06 ends the context";
}

TEST_F(EngineMessageTest, AnEndlessErrorContextIsCut) {
  Script(true, 0);
  const std::string message = engine_->ErrorMessage(0x2c01);
  EXPECT_NE(message.find("entry 1\n"), std::string::npos);
  EXPECT_LT(std::count(message.begin(), message.end(), '\n'), 100);
}

TEST_F(EngineMessageTest, AFailedOperationRaisesTheMessage) {
  Script(false, 0x2F06);
  StatusText(0x2F06, "Only the standard database of local files is supported.");
  const auto [status, message] = FailureOf([&] {
    dbfe_database database = nullptr;
    engine_->Check(engine_->openDatabase("other", nullptr, DBFE_READ_WRITE, DBFE_SHARED, &database));
  });
  EXPECT_EQ(status, 0x2F06);
  EXPECT_EQ(message, "Only the standard database of local files is supported.");
}

TEST(Sessions, TheDefaultSessionExistsWithoutAnEngine) {
  EXPECT_EQ(&Session(), &Sessions().Default());
  EXPECT_EQ(Session().Name(), "Default");
  EXPECT_EQ(Sessions().Find("default"), &Session());
  EXPECT_EQ(Sessions().Find("Other"), nullptr);
}

}  // namespace
}  // namespace dravlik
