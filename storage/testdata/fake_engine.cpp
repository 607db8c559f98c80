// Stand-ins for broken or odd engine libraries, built three times:
// - without any entry point at all;
// - WITH_INIT: the initialisation and exit entry points and nothing else;
// - WITH_TEXTS: besides those, status texts and an error context that a test
//   scripts, and an open-database entry point that fails with a scripted status.
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#define EXPORT extern "C" __attribute__((visibility("default")))

#if defined(WITH_INIT) || defined(WITH_TEXTS)
EXPORT std::uint16_t dbfe_init(std::uint16_t, const void*) { return 0; }
EXPORT std::uint16_t dbfe_exit() { return 0; }
#else
EXPORT int not_an_engine() { return 0; }
#endif

#ifdef WITH_TEXTS
namespace {

struct Entry {
  std::uint16_t status;
  std::int32_t nativeCode;
  std::string text;
};

std::map<std::uint16_t, std::string> statusTexts;
std::vector<Entry> entries;
bool endlessContext = false;
std::uint16_t openDatabaseStatus = 0;

void Copy(const std::string& from, char* to, std::size_t size) {
  if (size == 0) return;
  const std::size_t length = from.size() < size - 1 ? from.size() : size - 1;
  std::memcpy(to, from.data(), length);
  to[length] = 0;
}

}  // namespace

EXPORT void fake_engine_reset(bool endless, std::uint16_t failure) {
  statusTexts.clear();
  entries.clear();
  endlessContext = endless;
  openDatabaseStatus = failure;
}
EXPORT void fake_engine_set_status_text(std::uint16_t status, const char* text) { statusTexts[status] = text; }
EXPORT void fake_engine_add_error_entry(std::uint16_t status, std::int32_t nativeCode, const char* text) {
  entries.push_back({status, nativeCode, text});
}

EXPORT std::uint16_t dbfe_get_status_text(std::uint16_t status, char* text, std::size_t size) {
  const auto found = statusTexts.find(status);
  if (found == statusTexts.end()) return 0x2F04;
  Copy(found->second, text, size);
  return 0;
}

EXPORT std::uint16_t dbfe_get_error_entry(std::uint16_t entry, std::int32_t* nativeCode, char* text,
                                          std::size_t size) {
  if (entry >= 1 && entry <= entries.size()) {
    *nativeCode = entries[entry - 1].nativeCode;
    Copy(entries[entry - 1].text, text, size);
    return entries[entry - 1].status;
  }
  if (!endlessContext) return 0;
  *nativeCode = 0;
  Copy("entry " + std::to_string(entry), text, size);
  return 0x2C01;
}

EXPORT std::uint16_t dbfe_open_database(const char*, const char*, int, int, void**) { return openDatabaseStatus; }
#endif
