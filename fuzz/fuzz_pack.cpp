// Any bytes as a pack file, read the way a mount and its lookups read it: the
// header against the file size, the directory held whole, the directory search
// for every stored name and for names derived from the input, and each entry's
// data, decoded when it is an LZSS block. The input's last four bytes lengthen
// the file by that many 80-byte records of zeros, as a sparse file would, so
// entry counts far beyond the input reach the count and size checks.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/KestraLzss.h"
#include "engine/core/KestraPack.h"
#include "engine/core/KestraShiftJis.h"

namespace {

// The file: the input's head, then zeros up to its size.
struct SparseFile {
    const uint8_t* head;
    size_t headSize;
    uint64_t size;

    std::vector<uint8_t> Read(uint64_t offset, uint64_t bytes) const {
        std::vector<uint8_t> out(static_cast<size_t>(bytes), 0);
        if (offset < headSize && bytes > 0) {
            const size_t have = static_cast<size_t>(std::min<uint64_t>(bytes, headSize - offset));
            std::memcpy(out.data(), head + offset, have);
        }
        return out;
    }
};

void ReadEntryData(const SparseFile& file, uint32_t offset, uint32_t size) {
    KestraFile::PackEntryView view{nullptr, 0, 0, offset, size};
    if (!KestraFile::PackEntryInFile(view, file.size)) return;
    // Only what the input holds is worth decoding; the zeros past it are no block.
    if (offset >= file.headSize) return;
    const std::vector<uint8_t> stored = file.Read(offset, std::min<uint64_t>(size, file.headSize - offset));
    const int32_t decoded = KestraFile::GetLzssSize(stored.data(), static_cast<uint32_t>(stored.size()));
    if (decoded < 0) return;
    std::vector<uint8_t> out(static_cast<size_t>(decoded));
    KestraFile::DecodeLzssStream(stored.data(), static_cast<uint32_t>(stored.size()), out.data(),
                                 static_cast<uint32_t>(out.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < KestraFile::kPackHeaderSize + 4 || size > (1u << 20)) return 0;
    uint32_t records = 0;
    std::memcpy(&records, data + size - 4, 4);
    const SparseFile file{data, size - 4, size - 4 + uint64_t{records} * KestraFile::kPackEntrySize};
    uint32_t count = 0;
    if (!KestraFile::ParsePackHeader(file.head, file.size, &count)) return 0;
    // The directory as a mount holds it: exactly its records, which the header
    // check has bounded and placed inside the file.
    const uint64_t directoryBytes = KestraFile::PackDirectoryEnd(count) - KestraFile::kPackHeaderSize;
    if (count > KestraFile::kMaxPackEntries || KestraFile::PackDirectoryEnd(count) > file.size) std::abort();
    const std::vector<uint8_t> directory = file.Read(KestraFile::kPackHeaderSize, directoryBytes);
    const uint8_t* dir = directory.empty() ? nullptr : directory.data();

    for (uint32_t i = 0; i < count && i < 256; ++i) {
        const KestraFile::PackEntryView entry = KestraFile::ReadPackEntry(dir, i);
        char name[KestraFile::kPackNameSize + 1];
        std::memcpy(name, entry.name, KestraFile::kPackNameSize);
        name[KestraFile::kPackNameSize] = '\0';
        char normalized[260];
        if (!KestraFile::NormalizePath(normalized, name)) continue;
        uint32_t offset = 0, stored = 0, further = 0;
        if (KestraFile::FindPackEntry(dir, count, normalized, &offset, &stored, &further))
            ReadEntryData(file, offset, stored);
    }
    // Names made of the input's own bytes (lead bytes, separators, no terminator).
    for (size_t start = 0; start + 1 < file.headSize && start < 64; start += 7) {
        const size_t length = std::min<size_t>(file.headSize - start, 40);
        std::string raw(reinterpret_cast<const char*>(data) + start, length);
        char normalized[260];
        if (!KestraFile::NormalizePath(normalized, raw.c_str())) continue;
        uint32_t offset = 0, stored = 0;
        if (KestraFile::FindPackEntry(dir, count, normalized, &offset, &stored, nullptr))
            ReadEntryData(file, offset, stored);
    }
    return 0;
}
