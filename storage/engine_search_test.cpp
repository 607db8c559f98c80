#include "engine_search.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <vector>

#include "engine_test_support.h"

namespace dravlik {
namespace {

namespace fs = std::filesystem;
using testing::EngineLibraryTest;
using testing::FirstLine;
using testing::HasLine;
using testing::kCannotStart;

class EngineSearchTest : public EngineLibraryTest {};

TEST_F(EngineSearchTest, AMissingEngineReportsThatItCannotStartAndWhereItLooked) {
  const auto [status, message] = FailureOf([&] { Load("libnosuchengine.so"); });
  EXPECT_EQ(status, 0x2108);
  EXPECT_EQ(FirstLine(message), kCannotStart + " (error $2108)");
  const std::string besideTheProgram = (BuiltEngine().parent_path() / "libnosuchengine.so").string();
  EXPECT_TRUE(HasLine(message, "Not found: " + besideTheProgram)) << message;
  EXPECT_TRUE(HasLine(message, "Not searched: no DLLPATH in the engine settings " + SettingsFile())) << message;
  EXPECT_NE(message.find("\nNot found by the system's library search: libnosuchengine.so in /"), std::string::npos)
      << message;
}

TEST_F(EngineSearchTest, IsNeverLoadedFromTheWorkingDirectory) {
  fs::copy_file(BuiltEngine(), "libplanted.so");
  EXPECT_EQ(FailureOf([&] { Load("libplanted.so"); }).first, 0x2108);
  const auto [status, message] = FailureOf([&] { Load("libplanted.so", "."); });
  EXPECT_EQ(status, 0x2108) << "a relative DLLPATH";
  EXPECT_TRUE(HasLine(message, "Not searched: . (DLLPATH in " + SettingsFile() + "), not an absolute directory"))
      << message;
}

TEST_F(EngineSearchTest, IsFoundThroughTheSetting) {
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

TEST_F(EngineSearchTest, LooksBesideTheProgramFirst) {
  const auto engine = Load("libdbfengine.so");
  EXPECT_EQ(fs::path(engine->Path()), BuiltEngine());
}

// Sets an environment variable for the test's duration.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* previous = std::getenv(name)) previous_ = previous;
    setenv(name, value, 1);
  }
  ~ScopedVariable() {
    if (previous_) {
      setenv(name_, previous_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> previous_;
};

TEST_F(EngineSearchTest, ASettingsFileThatIsNoRegularFileStopsTheStart) {
  const std::string fifo = (Directory() / "engine-fifo.conf").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const auto [status, message] = FailureOf([&] { EngineLibrary::Load({"libnosuchengine.so", fifo}); });
  EXPECT_EQ(status, 0x2109);
  EXPECT_EQ(message, kCannotStart + " (error $2109)\nThe engine settings file " + fifo + " is not a regular file.");
}

TEST_F(EngineSearchTest, ASettingsFileNamedRelativeToTheWorkingDirectoryIsRefused) {
  fs::create_directory("engines");
  fs::copy_file(BuiltEngine(), "engines/libcopied.so");
  std::ofstream("engine.conf") << "DLLPATH=" << (Directory() / "engines").string() << "\n";
  const ScopedVariable config("PDRAVLIK_ENGINE_CONFIG", "engine.conf");
  const auto [status, message] = FailureOf([&] { EngineLibrary::Load({"libcopied.so", ""}); });
  EXPECT_EQ(status, 0x2109);
  EXPECT_EQ(message, kCannotStart +
                         " (error $2109)\nThe engine settings file named by PDRAVLIK_ENGINE_CONFIG, engine.conf, is "
                         "not an absolute path.");
}

// An engine named by DLLPATH, in shared/engines under the test's directory.
class DllPathTrustTest : public EngineSearchTest {
 protected:
  void SetUp() override {
    EngineSearchTest::SetUp();
    fs::create_directories(Engines());
    fs::copy_file(BuiltEngine(), Engine());
    fs::permissions(Engine(), fs::perms(0644));
  }
  fs::path Engines() const { return Directory() / "shared/engines"; }
  fs::path Engine() const { return Engines() / "libcopied.so"; }
  std::pair<std::uint16_t, std::string> Failure() {
    return FailureOf([&] { Load("libcopied.so", Engines().string()); });
  }
  // The message refusing the engine's directory or library `refused`, and why.
  std::string Refusal(const std::string& what, const fs::path& refused, const std::string& why) const {
    return kCannotStart + " (error $2109)\nRefused the engine " + what + " " + refused.string() + " (DLLPATH in " +
           SettingsFile() + "): " + why + ".";
  }
  static std::string WritableByOthers(const fs::path& path) {
    return path.string() + " can be written by others than its owner";
  }
};

TEST_F(DllPathTrustTest, ADirectoryOthersCanWriteIsRefused) {
  for (const auto mode : {fs::perms(0777), fs::perms(0775), fs::perms(0757)}) {
    fs::permissions(Engines(), mode);
    EXPECT_EQ(Failure(),
              std::make_pair(std::uint16_t{0x2109}, Refusal("directory", Engines(), WritableByOthers(Engines()))))
        << "mode " << std::oct << static_cast<int>(mode);
  }
}

TEST_F(DllPathTrustTest, AnEngineOthersCanWriteIsRefused) {
  for (const auto mode : {fs::perms(0666), fs::perms(0664), fs::perms(0646)}) {
    fs::permissions(Engine(), mode);
    EXPECT_EQ(Failure(),
              std::make_pair(std::uint16_t{0x2109}, Refusal("library", Engine(), WritableByOthers(Engine()))))
        << "mode " << std::oct << static_cast<int>(mode);
  }
}

TEST_F(DllPathTrustTest, ADirectoryAboveOthersCanWriteIsRefusedUnlessItIsSticky) {
  const fs::path shared = Directory() / "shared";
  fs::permissions(shared, fs::perms(0777));
  EXPECT_EQ(Failure().second, Refusal("directory", Engines(), WritableByOthers(shared)));
  fs::permissions(shared, fs::perms(01777));
  EXPECT_EQ(fs::path(Load("libcopied.so", Engines().string())->Path()), Engine()) << "as in /tmp";
}

TEST_F(DllPathTrustTest, AnEngineLinkedFromAPlaceOthersCanWriteIsRefused) {
  const fs::path open = Directory() / "open";
  fs::create_directory(open);
  fs::permissions(open, fs::perms(0777));
  fs::rename(Engine(), open / "libcopied.so");
  fs::create_symlink(open / "libcopied.so", Engine());
  EXPECT_EQ(Failure().second, Refusal("library", Engine(), WritableByOthers(open)));
}

TEST_F(DllPathTrustTest, APlaceOfAnotherUserIsRefused) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
  const uid_t nobody = 65534;
  const auto belongsToNobody = [&](const fs::path& path) {
    return path.string() + " belongs to user 65534, who is neither root nor the current user";
  };
  ASSERT_EQ(chown(Engines().c_str(), nobody, static_cast<gid_t>(-1)), 0);
  EXPECT_EQ(Failure().second, Refusal("directory", Engines(), belongsToNobody(Engines())));
  ASSERT_EQ(chown(Engines().c_str(), 0, static_cast<gid_t>(-1)), 0);
  ASSERT_EQ(chown(Engine().c_str(), nobody, static_cast<gid_t>(-1)), 0);
  EXPECT_EQ(Failure().second, Refusal("library", Engine(), belongsToNobody(Engine())));
}

// The last resort, the system's library search, in a process of its own: the
// dynamic loader reads LD_LIBRARY_PATH only when a process starts. Libraries
// planted in the working directory leave a marker there when loaded.
class SystemSearchTest : public EngineSearchTest {
 protected:
  struct Outcome {
    int exitStatus;
    std::string output;
  };

  // Loads "libdbfengine.so", with no DLLPATH and nothing beside the program.
  Outcome Probe(const std::string& libraryPath) {
    std::ofstream(SettingsFile()) << "# no DLLPATH\n";
    std::vector<std::string> variables{"LD_LIBRARY_PATH=" + libraryPath};
    for (char** variable = environ; *variable; ++variable) {
      if (!std::string_view(*variable).starts_with("LD_LIBRARY_PATH=")) variables.push_back(*variable);
    }
    std::vector<char*> environment;
    for (std::string& variable : variables) environment.push_back(variable.data());
    environment.push_back(nullptr);
    std::string probe = ENGINE_PROBE, name = "libdbfengine.so", settings = SettingsFile();
    char* arguments[] = {probe.data(), name.data(), settings.data(), nullptr};

    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0) return {-1, "no pipe"};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, probe.c_str(), &actions, nullptr, arguments, environment.data());
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t count; (count = read(output[0], buffer, sizeof buffer)) > 0;) text.append(buffer, count);
    close(output[0]);
    if (spawned != 0) return {-1, "not started"};
    int status = 0;
    waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text};
  }

  static void Plant(const fs::path& as) {
    if (as.has_parent_path()) fs::create_directories(as.parent_path());
    fs::copy_file(PLANTED_LIBRARY, as);
  }
  static bool PlantedWasLoaded() { return fs::exists("libdbfengine.so.loaded"); }
};

TEST_F(SystemSearchTest, NeverReachesTheWorkingDirectory) {
  Plant("libdbfengine.so");
  Plant("relative/libdbfengine.so");
  for (const std::string libraryPath : {"/usr/local/lib:", ":/usr/local/lib", "/usr/local/lib::/usr/lib", ".",
                                        "relative", "/usr/local/lib:relative/"}) {
    const Outcome outcome = Probe(libraryPath);
    EXPECT_FALSE(PlantedWasLoaded()) << "LD_LIBRARY_PATH=" << libraryPath;
    EXPECT_EQ(outcome.exitStatus, 1) << outcome.output;
    EXPECT_EQ(FirstLine(outcome.output), "2108") << outcome.output;
    EXPECT_NE(outcome.output.find("\" in the library search path, not an absolute directory\n"), std::string::npos)
        << outcome.output;
    fs::remove("libdbfengine.so.loaded");
  }
}

TEST_F(SystemSearchTest, StillSearchesTheAbsoluteDirectories) {
  Plant("libdbfengine.so");
  fs::create_directory("lib");
  fs::copy_file(BuiltEngine(), "lib/libdbfengine.so");
  const std::string lib = (Directory() / "lib").string();
  for (const std::string& libraryPath : {":" + lib, lib}) {
    EXPECT_EQ(Probe(libraryPath).output, "loaded " + lib + "/libdbfengine.so\n") << "LD_LIBRARY_PATH=" << libraryPath;
    EXPECT_FALSE(PlantedWasLoaded()) << "LD_LIBRARY_PATH=" << libraryPath;
  }
}

}  // namespace
}  // namespace dravlik
