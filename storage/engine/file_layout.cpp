#include "file_layout.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <set>

#include "error_context.h"

namespace dbfe {

namespace {

std::uint16_t Read16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Read32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

void Write16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Write32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

[[noreturn]] void Corrupt(std::string detail) {
  throw EngineError(DBFE_ERR_CORRUPT_TABLE).Detail(std::move(detail));
}

[[noreturn]] void BadDefinition(const std::string& field, std::string detail) {
  throw EngineError(DBFE_ERR_INVALID_FIELD_DEFINITION).Field(field).Detail(std::move(detail));
}

// Bits 0-2 of the first byte give the format's version; 3 is dBASE III+/IV
// (with or without memo and SQL flags); FoxPro adds 0x30-0x32 and 0xF5.
bool IsKnownVersion(std::uint8_t version) {
  return (version & 0x07) == 0x03 || (version >= 0x30 && version <= 0x32) || version == 0xF5;
}

bool IsNumeric(char type) { return type == 'N' || type == 'F'; }

void CheckNewField(const FieldLayout& field) {
  if (field.type == 'C') {
    if (field.width < 1 || field.width > kMaxStringWidth || field.decimals != 0) {
      BadDefinition(field.name, "A string field is 1 to 254 characters wide.");
    }
  } else if (field.type == 'N') {
    if (field.width < 1 || field.width > kMaxNumericWidth ||
        (field.decimals > 0 && field.decimals + 2 > field.width)) {
      BadDefinition(field.name, "A numeric field is 1 to 20 characters wide, with room for its decimals.");
    }
  } else {
    BadDefinition(field.name, std::string("Field type '") + field.type + "' is not supported.");
  }
}

std::string CaseFolded(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return folded;
}

}  // namespace

HeaderDate Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

void CheckFieldName(std::string_view name) {
  const auto refuse = [&](const char* why) {
    throw EngineError(DBFE_ERR_INVALID_FIELD_NAME).Field(name).Detail(why);
  };
  if (name.empty()) refuse("A field name must not be empty.");
  if (name.size() > kMaxFieldNameLength) refuse("A field name has at most 10 characters.");
  if (!std::isalpha(static_cast<unsigned char>(name[0])) || static_cast<unsigned char>(name[0]) > 127) {
    refuse("A field name starts with a letter A to Z.");
  }
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u > 127 || !(std::isalnum(u) || c == '_')) {
      refuse("A field name holds only letters A to Z, digits and '_'.");
    }
  }
}

TableLayout NewTableLayout(std::vector<FieldLayout> fields) {
  if (fields.empty() || fields.size() > kMaxFields) {
    throw EngineError(DBFE_ERR_INVALID_FIELD_DEFINITION)
        .Detail("A table has 1 to 255 fields, not " + std::to_string(fields.size()) + ".");
  }
  std::set<std::string> names;
  std::uint32_t offset = 1;
  for (FieldLayout& field : fields) {
    CheckFieldName(field.name);
    if (!names.insert(CaseFolded(field.name)).second) {
      throw EngineError(DBFE_ERR_INVALID_FIELD_NAME).Field(field.name).Detail("The name is used twice.");
    }
    CheckNewField(field);
    field.offset = static_cast<std::uint16_t>(offset);
    offset += field.width;
  }
  if (offset > 0xFFFF) {
    throw EngineError(DBFE_ERR_INVALID_FIELD_DEFINITION).Detail("The record is longer than 65535 bytes.");
  }
  TableLayout layout;
  layout.header_length = static_cast<std::uint16_t>(kPrologueSize + kDescriptorSize * fields.size() + 1);
  layout.record_length = static_cast<std::uint16_t>(offset);
  layout.fields = std::move(fields);
  return layout;
}

std::array<std::uint8_t, 7> EncodeDateAndCount(HeaderDate date, std::uint32_t record_count) {
  std::array<std::uint8_t, 7> bytes{};
  bytes[0] = static_cast<std::uint8_t>(date.year - 1900);
  bytes[1] = static_cast<std::uint8_t>(date.month);
  bytes[2] = static_cast<std::uint8_t>(date.day);
  Write32(&bytes[3], record_count);
  return bytes;
}

std::vector<std::uint8_t> EncodeHeader(const TableLayout& layout, HeaderDate date) {
  std::vector<std::uint8_t> header(layout.header_length, 0);
  header[0] = layout.version;
  const auto date_and_count = EncodeDateAndCount(date, layout.record_count);
  std::copy(date_and_count.begin(), date_and_count.end(), header.begin() + kDateOffset);
  Write16(&header[8], layout.header_length);
  Write16(&header[10], layout.record_length);
  header[29] = layout.language;
  std::uint8_t* descriptor = &header[kPrologueSize];
  for (const FieldLayout& field : layout.fields) {
    std::copy(field.name.begin(), field.name.end(), descriptor);  // NUL-padded to 11 bytes
    descriptor[11] = static_cast<std::uint8_t>(field.type);
    descriptor[16] = static_cast<std::uint8_t>(field.width);
    descriptor[17] = field.decimals;
    descriptor += kDescriptorSize;
  }
  header[layout.header_length - 1] = kHeaderTerminator;
  return header;
}

Prologue ParsePrologue(std::span<const std::uint8_t, kPrologueSize> bytes) {
  if (!IsKnownVersion(bytes[0])) {
    char version[8];
    std::snprintf(version, sizeof version, "0x%02X", bytes[0]);
    Corrupt(std::string("The first byte ") + version + " is not the version byte of a dBASE table.");
  }
  return {bytes[0], bytes[29], Read32(&bytes[kRecordCountOffset]), Read16(&bytes[8]),
          Read16(&bytes[10])};
}

std::uint32_t ParseRecordCount(std::span<const std::uint8_t, 4> bytes) { return Read32(bytes.data()); }

// On every insert, so without a division; the first test keeps the product from overflowing.
bool WithinSizeLimit(const TableLayout& layout, std::uint64_t record_count) {
  return record_count <= kMaxTableSize &&
         layout.header_length + record_count * layout.record_length + 1 <= kMaxTableSize;
}

void CheckRecordsFit(const TableLayout& layout, std::uint32_t record_count, std::uint64_t file_size) {
  const std::string counts = "The header counts " + std::to_string(record_count) + " records";
  if (layout.RecordOffset(record_count) > file_size) {
    const std::uint64_t whole =
        file_size < layout.header_length ? 0 : (file_size - layout.header_length) / layout.record_length;
    Corrupt(counts + " but the file holds " + std::to_string(whole) + ".");
  }
  // A sparse file passes the size check with any count: the limit bounds what
  // counting the deleted records reads, and 32-bit readers stop there anyway.
  if (!WithinSizeLimit(layout, record_count)) {
    Corrupt(counts + ", more than a table of at most " + std::to_string(kMaxTableSize) + " bytes holds.");
  }
}

void CheckRecordsAllocated(const TableLayout& layout, std::uint64_t allocated_bytes) {
  if (allocated_bytes == 0) return;
  if (layout.RecordOffset(layout.record_count) <= allocated_bytes * kMostCompression + kAllocationSlack) return;
  Corrupt("The header counts " + std::to_string(layout.record_count) + " records but the file has only " +
          std::to_string(allocated_bytes) + " bytes on the disk.");
}

namespace {

FieldLayout ParseDescriptor(const std::uint8_t* d) {
  FieldLayout field;
  std::size_t length = 0;
  while (length <= kMaxFieldNameLength && d[length] != 0) ++length;
  field.name.assign(reinterpret_cast<const char*>(d), length);
  if (field.name.empty()) Corrupt("A field descriptor has no name.");
  field.type = static_cast<char>(d[11]);
  field.width = d[16];
  field.decimals = d[17];
  if (field.type == 'C') {
    // Long character fields keep the high byte of their width in the decimals.
    field.width = static_cast<std::uint16_t>(d[16] | (d[17] << 8));
    field.decimals = 0;
  } else if (!IsNumeric(field.type)) {
    throw EngineError(DBFE_ERR_INVALID_FIELD_DEFINITION)
        .Field(field.name)
        .Detail(std::string("Field type '") + field.type + "' is not supported.");
  }
  if (field.width == 0) Corrupt("Field " + field.name + " has width 0.");
  return field;
}

}  // namespace

TableLayout ParseHeader(std::span<const std::uint8_t> header, std::uint64_t file_size) {
  if (header.size() < kPrologueSize) Corrupt("The file is shorter than a table header.");
  const Prologue prologue = ParsePrologue(header.first<kPrologueSize>());
  const std::size_t minimum = kPrologueSize + kDescriptorSize + 1;
  if (prologue.header_length < minimum) {
    Corrupt("The header length " + std::to_string(prologue.header_length) + " is too short.");
  }
  if (prologue.header_length > file_size || prologue.header_length > header.size()) {
    Corrupt("The header length " + std::to_string(prologue.header_length) +
            " exceeds the file size " + std::to_string(file_size) + ".");
  }

  TableLayout layout;
  layout.version = prologue.version;
  layout.language = prologue.language;
  layout.header_length = prologue.header_length;
  layout.record_length = prologue.record_length;
  layout.record_count = prologue.record_count;

  std::size_t position = kPrologueSize;
  std::uint32_t offset = 1;
  while (true) {
    if (position >= prologue.header_length) Corrupt("The field descriptors have no terminator.");
    if (header[position] == kHeaderTerminator) break;
    if (position + kDescriptorSize + 1 > prologue.header_length) {
      Corrupt("The field descriptors have no terminator.");
    }
    if (layout.fields.size() == kMaxFields) Corrupt("The table has more than 255 fields.");
    FieldLayout field = ParseDescriptor(&header[position]);
    field.offset = static_cast<std::uint16_t>(offset > 0xFFFF ? 0xFFFF : offset);
    offset += field.width;
    layout.fields.push_back(std::move(field));
    position += kDescriptorSize;
  }
  if (layout.fields.empty()) Corrupt("The table has no fields.");
  if (offset != prologue.record_length) {
    Corrupt("The record length " + std::to_string(prologue.record_length) +
            " does not match the fields, which need " + std::to_string(offset) + ".");
  }
  CheckRecordsFit(layout, layout.record_count, file_size);
  return layout;
}

}  // namespace dbfe
