// libFuzzer target: each input is a table file, which is opened and worked
// through the C interface (read every record and field, move, lock, change,
// insert), as a program would on a file that someone else wrote; then again
// through the table layer with the site-class schema. The engine is the
// instrumented library beside the fuzzer, which the table layer loads too.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine_api.h"
#include "table_layer_fuzz.h"

namespace {

struct Setup {
  int fd = -1;
  std::string path;
  dbfe_database database = nullptr;
};

Setup& TheSetup() {
  static Setup setup = [] {
    Setup s;
    s.fd = ::memfd_create("table.dbf", MFD_CLOEXEC);
    if (s.fd < 0) std::abort();
    s.path = "/proc/self/fd/" + std::to_string(s.fd);
    dbfe_environment env{};
    std::strcpy(env.language, "0009");
    if (dbfe_init(DBFE_INTERFACE_VERSION, &env) != DBFE_OK) std::abort();
    if (dbfe_open_database(nullptr, nullptr, DBFE_READ_WRITE, DBFE_SHARED, &s.database) != DBFE_OK) std::abort();
    return s;
  }();
  return setup;
}

void ReadErrorContext(dbfe_status status) {
  char text[DBFE_MAX_MESSAGE + 1];
  (void)dbfe_get_status_text(status, text, sizeof text);  // exercised for its text only
  for (std::uint16_t entry = 1; entry < 16; ++entry) {
    std::int32_t native = 0;
    if (dbfe_get_error_entry(entry, &native, text, sizeof text) == DBFE_OK) break;
  }
}

void ReadFields(dbfe_cursor cursor, const std::vector<dbfe_field_desc>& fields, const std::uint8_t* record) {
  for (const dbfe_field_desc& field : fields) {
    bool empty = false;
    if (field.type == DBFE_TYPE_ZSTRING) {
      std::vector<char> text(3u * field.units1 + 1u);
      ReadErrorContext(dbfe_get_field(cursor, field.number, record, text.data(), &empty));
    } else {
      double value = 0;
      ReadErrorContext(dbfe_get_field(cursor, field.number, record, &value, &empty));
    }
  }
}

void Work(dbfe_cursor cursor, const std::uint8_t* data, std::size_t size) {
  dbfe_cursor_props props{};
  if (dbfe_get_cursor_props(cursor, &props) != DBFE_OK) std::abort();
  std::vector<dbfe_field_desc> fields(props.field_count);
  if (dbfe_get_field_descs(cursor, fields.data()) != DBFE_OK) std::abort();
  std::vector<std::uint8_t> record(props.record_size);

  dbfe_record_props where{};
  for (int i = 0; i < 64 && dbfe_get_next_record(cursor, DBFE_NO_LOCK, record.data(), &where) == DBFE_OK; ++i) {
    ReadFields(cursor, fields, record.data());
  }
  for (int i = 0; i < 8 && dbfe_get_prior_record(cursor, DBFE_NO_LOCK, record.data(), nullptr) == DBFE_OK; ++i) {
  }
  std::uint32_t count = 0;
  if (dbfe_get_record_count(cursor, &count) != DBFE_OK) return;
  const std::uint32_t seq_no = size > 0 ? 1 + data[size - 1] % (count + 2) : 1;
  ReadErrorContext(dbfe_set_to_seq_no(cursor, seq_no));
  if (dbfe_get_record(cursor, DBFE_WRITE_LOCK, record.data(), nullptr) == DBFE_OK) {
    const double value = size;
    // Letters the code page lacks, and a malformed sequence cut short.
    const char* text = size % 3 == 0 ? "FZ" : size % 3 == 1 ? "ŘŽŠ€ů" : "\xC5\x98\xE2\x82";
    for (const dbfe_field_desc& field : fields) {
      const void* put = field.type == DBFE_TYPE_ZSTRING ? static_cast<const void*>(text) : &value;
      ReadErrorContext(dbfe_put_field(cursor, field.number, record.data(), put));
    }
    ReadFields(cursor, fields, record.data());
    ReadErrorContext(dbfe_modify_record(cursor, record.data(), true));
    ReadErrorContext(dbfe_delete_record(cursor));
    ReadErrorContext(dbfe_get_next_record(cursor, DBFE_NO_LOCK, record.data(), nullptr));
  }
  ReadErrorContext(dbfe_init_record(cursor, record.data()));
  ReadErrorContext(dbfe_insert_record(cursor, DBFE_NO_LOCK, record.data()));
  ReadErrorContext(dbfe_set_to_end(cursor));
  ReadErrorContext(dbfe_get_prior_record(cursor, DBFE_NO_LOCK, record.data(), nullptr));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Setup& setup = TheSetup();
  if (::ftruncate(setup.fd, 0) != 0) std::abort();
  if (size > 0 && ::pwrite(setup.fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
  dbfe_cursor cursor = nullptr;
  // Odd sizes take the path of a cursor that has the table to itself; every
  // other pair of sizes reads the stored bytes untranslated.
  const dbfe_share_mode share = size % 2 ? DBFE_EXCLUSIVE : DBFE_SHARED;
  const bool translate = size % 4 < 2;
  const dbfe_status status = dbfe_open_table(setup.database, setup.path.c_str(), "DBASE", nullptr,
                                             DBFE_READ_WRITE, share, translate, true, &cursor);
  if (status != DBFE_OK) {
    ReadErrorContext(status);
  } else {
    Work(cursor, data, size);
    if (dbfe_close_cursor(&cursor) != DBFE_OK) std::abort();
  }
  dravlik::fuzzing::WorkThroughTableLayer(data, size);
  return 0;
}
