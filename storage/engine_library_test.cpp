#include "engine_library.h"

#include <filesystem>
#include <fstream>

#include "database_error.h"
#include "schemas.h"
#include "settings.h"
#include "working_directory_for_tests.h"

namespace dravlik {
namespace {

namespace fs = std::filesystem;

class EngineLibraryTest : public testing::InFreshDirectory {
 protected:
  // Loads the engine as `libraryName`, with DLLPATH naming `dllPath` (none when empty).
  std::unique_ptr<EngineLibrary> Load(const std::string& libraryName, const std::string& dllPath = "") {
    std::ofstream(SettingsFile()) << "# engine settings\nDLLPATH = " << dllPath << "\n";
    return EngineLibrary::Load({libraryName, SettingsFile()});
  }
  std::string SettingsFile() const { return (Directory() / "engine.conf").string(); }

  static fs::path BuiltEngine() { return fs::read_symlink("/proc/self/exe").parent_path() / "libdbfengine.so"; }

  template <class Operation>
  static std::pair<std::uint16_t, std::string> FailureOf(Operation operation) {
    try {
      operation();
    } catch (const EDBEngineError& e) {
      return {e.Status(), e.what()};
    }
    return {0, ""};
  }
};

TEST_F(EngineLibraryTest, AMissingEngineReportsThatItCannotStart) {
  const auto [status, message] = FailureOf([&] { Load("libnosuchengine.so"); });
  EXPECT_EQ(status, 0x2108);
  EXPECT_EQ(message, "An error occurred while attempting to initialize the database engine (error $2108)");
}

TEST_F(EngineLibraryTest, IsNeverLoadedFromTheWorkingDirectory) {
  fs::copy_file(BuiltEngine(), "libplanted.so");
  EXPECT_EQ(FailureOf([&] { Load("libplanted.so"); }).first, 0x2108);
  EXPECT_EQ(FailureOf([&] { Load("libplanted.so", "."); }).first, 0x2108) << "a relative DLLPATH";
}

TEST_F(EngineLibraryTest, IsFoundThroughTheSetting) {
  fs::create_directory("engines");
  fs::copy_file(BuiltEngine(), "engines/libcopied.so");
  const auto engine = Load("libcopied.so", (Directory() / "engines").string());
  EXPECT_EQ(fs::path(engine->Path()), Directory() / "engines/libcopied.so");
  char type[32] = {};
  dbfe_database database = nullptr;
  engine->Check(engine->openDatabase(nullptr, nullptr, DBFE_READ_WRITE, DBFE_SHARED, &database));
  engine->Check(engine->getDatabaseProperty(database, DBFE_PROP_DATABASE_TYPE, type, sizeof type));
  EXPECT_STREQ(type, "STANDARD");
  engine->Check(engine->closeDatabase(&database));
}

TEST_F(EngineLibraryTest, LooksBesideTheProgramFirst) {
  const auto engine = Load("libdbfengine.so");
  EXPECT_EQ(fs::path(engine->Path()), BuiltEngine());
}

TEST_F(EngineLibraryTest, ALibraryWithoutTheInitialisationEntryPoint) {
  const std::string directory = fs::path(FAKE_ENGINES_DIRECTORY).string();
  const auto [status, message] = FailureOf([&] { Load("libfake_engine_without_init.so", directory); });
  EXPECT_EQ(status, 0x2a06);
  EXPECT_EQ(message, "An error occurred while attempting to initialize the database engine (error $2a06)");
}

TEST_F(EngineLibraryTest, AMissingEntryPointIsAnErrorWhenCalled) {
  const auto engine = Load("libfake_engine_with_init.so", FAKE_ENGINES_DIRECTORY);
  dbfe_database database = nullptr;
  const auto [status, message] = FailureOf([&] {
    engine->openDatabase(nullptr, nullptr, DBFE_READ_WRITE, DBFE_SHARED, &database);
  });
  EXPECT_EQ(status, 0x2109);
  EXPECT_NE(message.find("dbfe_open_database"), std::string::npos) << message;
}

TEST_F(EngineLibraryTest, TablesReportTheStartFailure) {
  std::ofstream(SettingsFile()) << "DLLPATH=/nonexistent\n";
  TSession session("Broken", {"libnosuchengine.so", SettingsFile()});
  auto table = MakeSiteClassTable(session);
  const auto [status, message] = FailureOf([&] { table->CreateTable(); });
  EXPECT_EQ(message, "An error occurred while attempting to initialize the database engine (error $2108)");
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

TEST(Settings, ReadsKeyValueLines) {
  const std::string path = (fs::temp_directory_path() / "pdravlik-settings-test.conf").string();
  std::ofstream(path) << "# comment\n; another\n\n  dllpath =  /opt/engine  \nOTHER=1\nbroken line\n";
  EXPECT_EQ(ReadSetting(path, "DLLPATH"), "/opt/engine");
  EXPECT_EQ(ReadSetting(path, "other"), "1");
  EXPECT_EQ(ReadSetting(path, "MISSING"), std::nullopt);
  EXPECT_EQ(ReadSetting("/nonexistent/engine.conf", "DLLPATH"), std::nullopt);
  fs::remove(path);
}

}  // namespace
}  // namespace dravlik
