#include "table_layer_fuzz.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "database_error.h"
#include "schemas.h"
#include "session.h"
#include "table.h"

namespace dravlik::fuzzing {
namespace {

// A fresh directory for the table's file, for this process alone. Not the
// working directory: libFuzzer reads and writes the corpus by relative names.
class FuzzDirectory {
 public:
  FuzzDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pdravlik-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  const std::filesystem::path& path() const { return path_; }
  ~FuzzDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  FuzzDirectory(const FuzzDirectory&) = delete;
  FuzzDirectory& operator=(const FuzzDirectory&) = delete;

 private:
  std::filesystem::path path_;
};

void WriteTableFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) std::abort();
  if (size > 0 && ::write(fd, data, size) != static_cast<ssize_t>(size)) std::abort();
  ::close(fd);
}

// Text for the string field from the input's last bytes: malformed UTF-8 as
// often as not, besides letters the file's code page lacks.
std::string TextFrom(const std::uint8_t* data, std::size_t size) {
  const std::size_t length = size < 9 ? size : 9;
  std::string text(reinterpret_cast<const char*>(data + size - length), length);
  return size % 3 == 0 ? "ŘŽŠ€" + text : text;
}

// Every row and field as a grid reads them; a value that cannot be read is
// the table layer's error, which ends the reading.
void ReadRows(TTable& table) {
  const int rows = table.RowCount() < 64 ? table.RowCount() : 64;
  for (int row = -1; row <= rows; ++row) {
    for (int field = 0; field < table.FieldCount(); ++field) (void)DisplayText(table.RowValue(row, field));
  }
}

template <class Step>
void Try(Step step) {
  try {
    step();
  } catch (const EDatabaseError&) {
    // The table layer refusing a step is its answer to a hostile file.
  }
}

// Each value on its own: a field of the file too narrow for one number, or
// text that is none, must not keep the others from being stored.
void SetValues(TTable& table, const std::string& text, double number) {
  Try([&] { table.FieldByName("DREVINA").SetText(std::string_view(text).substr(text.size() / 2)); });
  Try([&] { table.FieldByName("DREVINA").SetAsString(text); });
  Try([&] { table.FieldByName("BONITA").SetAsFloat(number); });
  Try([&] { table.FieldByName("VEK").SetAsInteger(static_cast<std::int32_t>(text.size())); });
  Try([&] { table.FieldByName("VYSKA").SetText(text); });
  Try([&] { table.FieldByName("HMOT").Clear(); });
}

// The table layer must work on the instrumented engine beside the fuzzer, not
// give up on every input for want of one.
void CheckEngine() {
  namespace fs = std::filesystem;
  const fs::path beside = fs::read_symlink("/proc/self/exe").parent_path() / "libdbfengine.so";
  if (!fs::equivalent(Session().Engine().Path(), beside)) std::abort();
}

}  // namespace

void WorkThroughTableLayer(const std::uint8_t* data, std::size_t size) {
  static FuzzDirectory directory;
  static const bool checked = (CheckEngine(), true);
  (void)checked;
  static const std::string path = directory.path() / "bon_Hm1.dbf";
  WriteTableFile(path, data, size);
  const std::unique_ptr<TTable> table = MakeSiteClassTable();
  table->SetTableName(path);
  try {
    table->Open();
  } catch (const EDatabaseError&) {
    return;
  }
  const std::string text = TextFrom(data, size);
  const double number = static_cast<double>(size) / 7;
  Try([&] { ReadRows(*table); });
  Try([&] {
    table->MoveTo(size % 5);
    table->Edit();
    SetValues(*table, text, number);
    ReadRows(*table);
    table->Post();
  });
  Try([&] { table->Cancel(); });
  Try([&] {
    table->Insert();
    SetValues(*table, text, -number);
    ReadRows(*table);
    table->Post();
    ReadRows(*table);
  });
  Try([&] { table->Close(); });
}

}  // namespace dravlik::fuzzing
