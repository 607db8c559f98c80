// Test support: a dBASE file as another program may write it, byte by byte,
// with whatever fields, widths and order it likes.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "working_directory_for_tests.h"

namespace dravlik::testing {

struct DbfField {
  std::string name;
  char type;  // 'C', 'N' or 'F'
  int width;  // a 'C' field may be up to 65535 wide, the high byte in the decimals' place
  int decimals = 0;
};

// Writes a table of `records`, each one text per field, already padded to the
// field's width and in the file's code page; language byte 0x57 (ANSI).
inline void WriteDbfFile(const std::string& path, const std::vector<DbfField>& fields,
                         const std::vector<std::vector<std::string>>& records) {
  int recordLength = 1;
  for (const DbfField& field : fields) recordLength += field.width;
  const int headerLength = 32 + 32 * static_cast<int>(fields.size()) + 1;
  std::string bytes(32, '\0');
  bytes[0] = 0x03;
  bytes[1] = 124;  // 2024-05-01
  bytes[2] = 5;
  bytes[3] = 1;
  const auto putLittleEndian = [&](std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  putLittleEndian(4, static_cast<std::uint32_t>(records.size()), 4);
  putLittleEndian(8, static_cast<std::uint32_t>(headerLength), 2);
  putLittleEndian(10, static_cast<std::uint32_t>(recordLength), 2);
  bytes[29] = 0x57;
  for (const DbfField& field : fields) {
    std::string descriptor(32, '\0');
    descriptor.replace(0, field.name.size(), field.name);
    descriptor[11] = field.type;
    descriptor[16] = static_cast<char>(field.width & 0xFF);
    descriptor[17] = static_cast<char>(field.type == 'C' ? field.width >> 8 : field.decimals);
    bytes += descriptor;
  }
  bytes += '\x0D';
  for (const auto& record : records) {
    bytes += ' ';
    for (const std::string& value : record) bytes += value;
  }
  bytes += '\x1A';
  std::ofstream(path, std::ios::binary) << bytes;
}

// Text padded with blanks to `width` bytes.
inline std::string Padded(std::string text, int width) {
  text.resize(static_cast<std::size_t>(width), ' ');
  return text;
}

}  // namespace dravlik::testing
