#include "settings.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "working_directory_for_tests.h"

namespace dravlik {
namespace {

namespace fs = std::filesystem;

class SettingsTest : public testing::InFreshDirectory {
 protected:
  std::string Path(const std::string& name) const { return (Directory() / name).string(); }

  // The message of the refusal to read `path`, or "" when it was read.
  static std::string Refusal(const std::string& path) {
    try {
      ReadSetting(path, "DLLPATH");
    } catch (const SettingsError& error) {
      return error.what();
    }
    return "";
  }
};

TEST_F(SettingsTest, ReadsKeyValueLines) {
  const std::string path = Path("engine.conf");
  std::ofstream(path) << "# comment\n; another\n\n  dllpath =  /opt/engine  \nOTHER=1\nbroken line\n";
  EXPECT_EQ(ReadSetting(path, "DLLPATH"), "/opt/engine");
  EXPECT_EQ(ReadSetting(path, "other"), "1");
  EXPECT_EQ(ReadSetting(path, "MISSING"), std::nullopt);
}

TEST_F(SettingsTest, AMissingFileIsNoError) {
  EXPECT_EQ(ReadSetting(Path("engine.conf"), "DLLPATH"), std::nullopt);
  EXPECT_EQ(ReadSetting("/nonexistent/engine.conf", "DLLPATH"), std::nullopt);
  std::ofstream(Path("file")) << "";
  EXPECT_EQ(ReadSetting(Path("file/engine.conf"), "DLLPATH"), std::nullopt) << "a file where a directory would be";
}

// A FIFO would wait for a writer for ever and a device could be read for ever.
TEST_F(SettingsTest, RefusesWhatIsNoRegularFile) {
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
  fs::create_directory(Path("directory"));
  for (const std::string& path :
       {Path("fifo"), std::string("/dev/null"), std::string("/dev/zero"), Path("directory")}) {
    EXPECT_EQ(Refusal(path), "The engine settings file " + path + " is not a regular file.");
  }
}

TEST_F(SettingsTest, RefusesAFileOverTheLimit) {
  const std::string line = "DLLPATH=/opt/engine\n";
  std::string padding(kMaxSettingsFileSize - line.size(), '#');
  padding.back() = '\n';
  std::ofstream(Path("full.conf")) << padding << line;
  ASSERT_EQ(fs::file_size(Path("full.conf")), kMaxSettingsFileSize);
  EXPECT_EQ(ReadSetting(Path("full.conf"), "DLLPATH"), "/opt/engine") << "the limit itself is allowed";
  std::ofstream(Path("over.conf")) << padding << line << "\n";
  EXPECT_EQ(Refusal(Path("over.conf")),
            "The engine settings file " + Path("over.conf") + " is larger than 4096 bytes.");
}

TEST_F(SettingsTest, RefusesARelativePath) {
  std::ofstream("engine.conf") << "DLLPATH=/opt/engine\n";
  EXPECT_EQ(Refusal("engine.conf"), "The engine settings file engine.conf is not an absolute path.");
}

TEST_F(SettingsTest, RefusesAFileItCannotRead) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads any file";
  std::ofstream(Path("secret.conf")) << "DLLPATH=/opt/engine\n";
  fs::permissions(Path("secret.conf"), fs::perms::none);
  EXPECT_EQ(
      Refusal(Path("secret.conf")).rfind("The engine settings file " + Path("secret.conf") + " cannot be opened: ", 0),
      0u);
}

}  // namespace
}  // namespace dravlik
