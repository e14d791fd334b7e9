// Any bytes as a whole pack file, read the way a mount and its lookups read it:
// header against the file size, the directory search for every stored name and
// for names derived from the input, and each entry's data, decoded when it is an
// LZSS block.
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

void ReadEntryData(const std::vector<uint8_t>& file, uint32_t offset, uint32_t size) {
    KestraFile::PackEntryView view{nullptr, 0, 0, offset, size};
    if (!KestraFile::PackEntryInFile(view, file.size())) return;
    std::vector<uint8_t> stored(file.begin() + offset, file.begin() + offset + size);
    const int32_t decoded = KestraFile::GetLzssSize(stored.data(), size);
    if (decoded < 0) return;
    std::vector<uint8_t> out(static_cast<size_t>(decoded));
    KestraFile::DecodeLzssStream(stored.data(), size, out.data(), static_cast<uint32_t>(out.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < KestraFile::kPackHeaderSize || size > (1u << 20)) return 0;
    const std::vector<uint8_t> file(data, data + size);
    uint32_t count = 0;
    if (!KestraFile::ParsePackHeader(file.data(), file.size(), &count)) return 0;
    // The directory as a mount holds it: exactly 80 * count bytes.
    const std::vector<uint8_t> directory(file.begin() + KestraFile::kPackHeaderSize,
                                         file.begin() + KestraFile::kPackHeaderSize + size_t{count} * KestraFile::kPackEntrySize);
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
    for (size_t start = 0; start + 1 < size && start < 64; start += 7) {
        const size_t length = std::min<size_t>(size - start, 40);
        std::string raw(reinterpret_cast<const char*>(data) + start, length);
        char normalized[260];
        if (!KestraFile::NormalizePath(normalized, raw.c_str())) continue;
        uint32_t offset = 0, stored = 0;
        if (KestraFile::FindPackEntry(dir, count, normalized, &offset, &stored, nullptr))
            ReadEntryData(file, offset, stored);
    }
    return 0;
}
