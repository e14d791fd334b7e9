#include "engine/core/KestraPack.h"

#include <array>
#include <cstring>

#include "engine/core/KestraShiftJis.h"

namespace KestraFile {

namespace {

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

uint32_t EntryCrc(const uint8_t* directory, uint32_t index) {
    return ReadU32(directory + static_cast<size_t>(index) * kPackEntrySize + kPackNameSize);
}

// Whether the stored name area, normalised, equals the wanted name.
bool StoredNameIs(const uint8_t* nameArea, const char* normalizedName) {
    char stored[kPackNameSize + 1];
    std::memcpy(stored, nameArea, kPackNameSize);
    stored[kPackNameSize] = '\0';
    if (stored[0] == '\0' || std::strlen(stored) == kPackNameSize) return false;  // empty or cut off
    char normalized[kPackNameSize + 1];
    if (!NormalizePath(normalized, stored)) return false;
    return std::strcmp(normalized, normalizedName) == 0;
}

}  // namespace

uint32_t Crc32(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) c = kCrcTable[(c ^ bytes[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

uint32_t Crc32(const char* text) { return Crc32(text, std::strlen(text)); }

bool ParsePackHeader(const uint8_t* header, uint64_t fileSize, uint32_t* count) {
    if (fileSize < kPackHeaderSize || std::memcmp(header, "PACK", 4) != 0) return false;
    const uint32_t n = ReadU32(header + 4);
    if (n > kMaxPackEntries || PackDirectoryEnd(n) > fileSize) return false;
    if (count) *count = n;
    return true;
}

uint64_t PackDirectoryEnd(uint32_t count) { return kPackHeaderSize + uint64_t{count} * kPackEntrySize; }

PackEntryView ReadPackEntry(const uint8_t* directory, uint32_t index) {
    const uint8_t* record = directory + static_cast<size_t>(index) * kPackEntrySize;
    return PackEntryView{record, ReadU32(record + 64), ReadU32(record + 68), ReadU32(record + 72),
                         ReadU32(record + 76)};
}

bool PackEntryInFile(const PackEntryView& entry, uint64_t fileSize) {
    return static_cast<uint64_t>(entry.offset) + entry.size <= fileSize;
}

bool FindPackEntry(const uint8_t* directory, uint32_t count, const char* normalizedName, uint32_t* offset,
                   uint32_t* size, uint32_t* further) {
    if (count == 0 || !directory) return false;
    const uint32_t crc = Crc32(normalizedName);
    if (crc < EntryCrc(directory, 0) || crc > EntryCrc(directory, count - 1)) return false;

    uint32_t lo = 0;
    uint32_t hi = count - 1;
    uint32_t found = count;
    for (;;) {
        if (hi - lo < 5) {
            for (uint32_t i = lo; i <= hi; ++i) {
                if (EntryCrc(directory, i) == crc) {
                    found = i;
                    break;
                }
            }
            break;
        }
        const uint32_t mid = lo + (hi - lo) / 2;
        const uint32_t midCrc = EntryCrc(directory, mid);
        if (midCrc == crc) {
            found = mid;
            break;
        }
        if (crc < midCrc)
            hi = mid;
        else
            lo = mid;
        if (lo > hi) break;
    }
    if (found == count) return false;

    // Two paths may share a CRC: prefer the neighbour whose stored name matches.
    uint32_t first = found;
    while (first > 0 && EntryCrc(directory, first - 1) == crc) --first;
    for (uint32_t i = first; i < count && EntryCrc(directory, i) == crc; ++i) {
        if (StoredNameIs(directory + static_cast<size_t>(i) * kPackEntrySize, normalizedName)) {
            found = i;
            break;
        }
    }

    const PackEntryView entry = ReadPackEntry(directory, found);
    if (offset) *offset = entry.offset;
    if (size) *size = entry.size;
    if (further) *further = entry.further;
    return true;
}

}  // namespace KestraFile
