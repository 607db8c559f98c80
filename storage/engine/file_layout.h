// The bytes of a dBASE table file: a 32-byte header, one 32-byte descriptor
// per field, 0x0D ending the header at its stated length, the records (each
// led by a deletion flag ' ' or '*') and 0x1A after the last record. Numbers
// are little-endian. Nothing else in the engine knows these offsets.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dbfe {

inline constexpr std::uint8_t kVersionNoMemo = 0x03;         // dBASE III+/IV and FoxPro 2 without memo
// Windows ANSI, code page 1252, as GDAL, dbfread and LibreOffice all read it;
// GDAL reads the older 0x57 as ISO-8859-1, which differs at 0x80 to 0x9F (Š, Ž).
inline constexpr std::uint8_t kLanguageWindowsAnsi = 0x03;
inline constexpr std::uint8_t kHeaderTerminator = 0x0D;
inline constexpr std::uint8_t kEndOfFile = 0x1A;
inline constexpr std::uint8_t kLiveFlag = ' ';
inline constexpr std::uint8_t kDeletedFlag = '*';

inline constexpr std::size_t kPrologueSize = 32;
inline constexpr std::size_t kDescriptorSize = 32;
inline constexpr std::size_t kRecordCountOffset = 4;
inline constexpr std::size_t kDateOffset = 1;  // date and record count are bytes 1 to 7
inline constexpr std::size_t kMaxFieldNameLength = 10;
inline constexpr std::size_t kMaxFields = 255;
inline constexpr std::uint16_t kMaxStringWidth = 254;
inline constexpr std::uint16_t kMaxNumericWidth = 20;  // wider is refused by strict readers
// The largest table, header, records and end marker: 2^31 - 1 bytes, as far as
// the signed 32-bit file offsets of classic dBASE and of readers built like it
// reach. It also bounds what counting a table's records has to read.
inline constexpr std::uint64_t kMaxTableSize = 0x7FFF'FFFF;

struct FieldLayout {
  std::string name;
  char type;  // 'C' string, 'N' or 'F' number
  std::uint16_t width;
  std::uint8_t decimals;
  std::uint16_t offset;  // in the record, after the deletion flag at 0
};

struct TableLayout {
  std::uint8_t version = kVersionNoMemo;
  std::uint8_t language = kLanguageWindowsAnsi;
  std::uint32_t record_count = 0;
  std::uint16_t header_length = 0;
  std::uint16_t record_length = 0;
  std::vector<FieldLayout> fields;

  std::uint64_t RecordOffset(std::uint32_t record) const {
    return header_length + std::uint64_t{record} * record_length;
  }
};

struct HeaderDate {
  int year;  // e.g. 2024; stored as years since 1900
  int month;
  int day;
};

HeaderDate Today();

// Throws DBFE_ERR_INVALID_FIELD_NAME unless the name is 1 to 10 of A-Z, a-z,
// 0-9 and '_', starting with a letter.
void CheckFieldName(std::string_view name);

// The layout of a new, empty table: offsets and lengths from the fields.
// Throws DBFE_ERR_INVALID_FIELD_NAME or DBFE_ERR_INVALID_FIELD_DEFINITION.
TableLayout NewTableLayout(std::vector<FieldLayout> fields);

// Prologue, descriptors and terminator: header_length bytes.
std::vector<std::uint8_t> EncodeHeader(const TableLayout& layout, HeaderDate date);
// Bytes 1 to 7 of the header.
std::array<std::uint8_t, 7> EncodeDateAndCount(HeaderDate date, std::uint32_t record_count);

struct Prologue {
  std::uint8_t version;
  std::uint8_t language;
  std::uint32_t record_count;
  std::uint16_t header_length;
  std::uint16_t record_length;
};

// Throws DBFE_ERR_CORRUPT_TABLE for a first byte that is no dBASE version.
Prologue ParsePrologue(std::span<const std::uint8_t, kPrologueSize> bytes);
std::uint32_t ParseRecordCount(std::span<const std::uint8_t, 4> bytes);

// The layout of an existing file from its first header_length bytes. Throws
// DBFE_ERR_CORRUPT_TABLE (with a detail saying what is wrong) unless the
// descriptors, lengths and record count agree with each other and with the
// file size, and the records stay within kMaxTableSize, or
// DBFE_ERR_INVALID_FIELD_DEFINITION for a field type the engine does not read.
TableLayout ParseHeader(std::span<const std::uint8_t> header, std::uint64_t file_size);

// Whether a table of `record_count` records stays within kMaxTableSize.
bool WithinSizeLimit(const TableLayout& layout, std::uint64_t record_count);

// Throws DBFE_ERR_CORRUPT_TABLE unless `record_count` records fit in the file
// and within kMaxTableSize.
void CheckRecordsFit(const TableLayout& layout, std::uint32_t record_count, std::uint64_t file_size);

// Compressing file systems (btrfs, ZFS) keep a table of blank-padded numbers
// in a fraction of its size, and ZFS counts a new file's blocks only seconds
// after it was written; so only a count far beyond what the blocks could hold
// is refused, and never for a table of the size people keep.
inline constexpr std::uint64_t kMostCompression = 64;
inline constexpr std::uint64_t kAllocationSlack = std::uint64_t{64} << 20;

// Throws DBFE_ERR_CORRUPT_TABLE when the records the header counts need far
// more bytes than the file has on the disk (`allocated_bytes`, 0 where the
// file system does not say): a sparse file with a count that readers would
// go through gigabytes of nothing for.
void CheckRecordsAllocated(const TableLayout& layout, std::uint64_t allocated_bytes);

}  // namespace dbfe
