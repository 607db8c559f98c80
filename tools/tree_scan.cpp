#include "tree_scan.h"

#include "tree_rows.h"

namespace dravlik {
namespace {

constexpr std::size_t kBlockSize = std::size_t{1} << 20;

}  // namespace

std::size_t LinesOf(const CsvRecord& record) {
  return (record.lineBreak.empty() ? 0 : 1) + (record.quoted ? CountLineBreaks(record.text) : 0);
}

std::string AtLine(std::size_t linesBefore, const std::string& message) {
  return "line " + std::to_string(linesBefore + 1) + ": " + message;
}

void ScanTreeFile(const InputReader& read, char delimiter, const HeaderHandler& header, const RowHandler& row) {
  CsvBlockReader reader(read, delimiter);
  std::string block;
  CsvRecord record;
  std::size_t lines = 0;
  bool headerSeen = false;
  try {
    while (reader.Next(block, kBlockSize)) {
      for (std::size_t position = 0; position < block.size();) {
        position = ReadRecord(block, position, delimiter, record);
        if (record.text.size() > kMaxRecordBytes) throw TreeFileError(AtLine(lines, kRecordTooLong));
        const std::size_t before = lines;
        lines += LinesOf(record);
        if (IsBlank(record)) continue;
        try {
          if (headerSeen) row(record);
          else header(record);
        } catch (const std::invalid_argument& e) {
          throw TreeFileError(headerSeen ? AtLine(before, e.what()) : e.what());
        }
        headerSeen = true;
      }
    }
  } catch (const CsvInputError& e) {
    throw TreeFileError(AtLine(lines + e.LinesBefore(), e.what()));
  }
  if (!headerSeen) throw TreeFileError("the input is empty: it needs a header line naming its columns");
}

}  // namespace dravlik
