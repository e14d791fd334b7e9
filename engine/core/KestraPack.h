// Pack file layout and its directory search. All integers are little-endian.
//   0  "PACK"
//   4  u32 entry count N
//   8  N records of 80 bytes, sorted by ascending CRC:
//        0 name area (64 bytes), 64 u32 CRC-32 of the normalised path,
//        68 u32 further field, 72 u32 absolute data offset, 76 u32 stored size
//   then the entries' data (plain or an LZSS block).
#pragma once

#include <cstddef>
#include <cstdint>

namespace KestraFile {

constexpr uint32_t kPackHeaderSize = 8;
constexpr uint32_t kPackEntrySize = 80;
constexpr uint32_t kPackNameSize = 64;
// The longest directory a pack may have: a mount holds it whole (5 MiB here),
// and a game's data is a few hundred files.
constexpr uint32_t kMaxPackEntries = 65536;

// The standard reflected CRC-32 (polynomial 0xEDB88320, start 0xFFFFFFFF, final
// complement), as zlib computes it.
uint32_t Crc32(const void* data, size_t size);
uint32_t Crc32(const char* text);

// Checks a pack's 8-byte header against the size of the whole file: the magic,
// at most kMaxPackEntries entries, and a directory that lies within the file.
// Answers the entry count in *count.
bool ParsePackHeader(const uint8_t* header, uint64_t fileSize, uint32_t* count);

// Where the directory of count entries ends (its size, the header's included),
// in 64 bits: no count can wrap it.
uint64_t PackDirectoryEnd(uint32_t count);

// One directory record, read field by field.
struct PackEntryView {
    const uint8_t* name;  // the 64-byte name area (not necessarily terminated)
    uint32_t crc;
    uint32_t further;
    uint32_t offset;
    uint32_t size;
};
PackEntryView ReadPackEntry(const uint8_t* directory, uint32_t index);

// Whether an entry's data lies within a pack file of fileSize bytes.
bool PackEntryInFile(const PackEntryView& entry, uint64_t fileSize);

// Finds the entry of a normalised name in a directory of count records by its
// CRC. Where several entries share the CRC, the one whose stored name matches
// wins; without such a one the search's own hit stands. Out pointers may be null.
bool FindPackEntry(const uint8_t* directory, uint32_t count, const char* normalizedName, uint32_t* offset,
                   uint32_t* size, uint32_t* further);

}  // namespace KestraFile
