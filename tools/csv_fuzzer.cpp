// libFuzzer over the calculator's file path: any bytes, with the delimiter,
// decimal separator, command, species and encoding chosen by the first byte
// and the input handed over in pieces. Whatever the input, a run either
// stops with a TreeFileError or writes records that all have the header's
// width plus the columns the calculator adds, one per row it read.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "csv_records.h"
#include "tree_file_calculation.h"

namespace {

using namespace dravlik;

TreeFileOptions OptionsOf(std::uint8_t control) {
  TreeFileOptions options;
  options.format.delimiter = ",;\t|"[control & 3];
  options.format.decimalComma = (control & 4) != 0;
  options.calculation.quantity = static_cast<Quantity>((control >> 3) % 5);  // every quantity
  if (control & 32) options.species.fixed = 0;
  if (control & 64) options.encoding = "WINDOWS-1250";
  // The first column for every input, so that any header has them all.
  for (const auto input : InputNames(options.calculation.quantity)) options.columns[std::string(input)] = "#1";
  if (control & 32) options.columns.erase("species");
  return options;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckWidths(const std::string& output, const TreeFileOptions& options, const TreeFileSummary& summary) {
  const std::size_t added = ResultNames(options.calculation).size() + 2;
  CsvRecord record;
  std::size_t width = 0, records = 0;
  for (std::size_t position = 0; position < output.size(); ++records) {
    position = ReadRecord(output, position, options.format.delimiter, record);
    if (records == 0) width = record.fields.size();
    Check(record.fields.size() == width && width > added);
    Check(!record.lineBreak.empty());
  }
  Check(records == summary.rowsRead + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const TreeFileOptions options = OptionsOf(data[0]);
  const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t piece = data[0] & 128 ? 3 : 1 << 16;
  std::size_t offset = 0;
  std::string output;
  try {
    const TreeFileSummary summary = CalculateTreeFile(
        options,
        [&](char* buffer, std::size_t room) {
          const std::size_t got = input.copy(buffer, std::min(room, piece), offset);
          offset += got;
          return got;
        },
        [&](std::string_view bytes) { output += bytes; });
    CheckWidths(output, options, summary);
  } catch (const TreeFileError&) {
  }
  return 0;
}
