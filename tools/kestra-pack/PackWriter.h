// Builds pack files: "PACK", u32 count, 80-byte records sorted by the CRC-32 of
// each entry's normalised path, then the data at absolute offsets, stored plain
// or as an LZSS block.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace kestrapack {

// The lookup form of a CP932 path: ASCII letters upper-cased, "/" as "\", the two
// bytes of a Shift-JIS character untouched.
std::string NormalizePackName(const std::string& cp932Name);
// CRC-32 (zlib's) of the normalised path.
uint32_t PackNameCrc(const std::string& cp932Name);

struct PackStats {
    size_t entries = 0;
    size_t compressed = 0;  // entries stored as LZSS blocks
    uint64_t plainBytes = 0;
    uint64_t storedBytes = 0;
};

class PackWriter {
public:
    // name: the path relative to the mount root, CP932, "/" or "\" separators.
    // False (with *error) when the name is empty, too long for the engine's paths
    // or equal to an earlier entry's after normalisation.
    bool Add(const std::string& cp932Name, std::vector<uint8_t> data, std::string* error = nullptr);
    // With compress, an entry is stored as an LZSS block wherever that is smaller.
    bool Build(bool compress, std::vector<uint8_t>* pack, std::string* error = nullptr, PackStats* stats = nullptr) const;
    bool Write(const std::string& path, bool compress, std::string* error = nullptr, PackStats* stats = nullptr) const;
    size_t size() const { return entries_.size(); }

private:
    struct Entry {
        std::string name;        // as given, with "\" separators
        std::string normalized;  // lookup form
        uint32_t crc;
        std::vector<uint8_t> data;
    };
    std::vector<Entry> entries_;
    std::unordered_set<std::string> names_;  // normalised names taken
};

}  // namespace kestrapack
