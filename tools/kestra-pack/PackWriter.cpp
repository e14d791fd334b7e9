#include "tools/kestra-pack/PackWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>

#include "engine/core/KestraPack.h"
#include "platform/win32/shift_jis.h"
#include "tools/kestra-pack/LzssEncoder.h"

namespace kestrapack {

namespace {

constexpr size_t kNameArea = KestraFile::kPackNameSize;
constexpr size_t kEntrySize = KestraFile::kPackEntrySize;
constexpr size_t kMaxPath = 260;

void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

bool Fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

}  // namespace

std::string NormalizePackName(const std::string& name) {
    std::string out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size();) {
        const size_t bytes = platform::CharBytes(name.data() + i, name.size() - i);
        const char c = name[i];
        if (bytes == 2) out.append(name, i, 2);
        else if (c >= 'a' && c <= 'z') out.push_back(static_cast<char>(c - 'a' + 'A'));
        else out.push_back(c == '/' ? '\\' : c);
        i += bytes;
    }
    return out;
}

uint32_t PackNameCrc(const std::string& name) {
    const std::string normalized = NormalizePackName(name);
    return static_cast<uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(normalized.data()), static_cast<uInt>(normalized.size())));
}

bool PackWriter::Add(const std::string& name, std::vector<uint8_t> data, std::string* error) {
    if (name.empty()) return Fail(error, "empty entry name");
    if (name.find('\0') != std::string::npos) return Fail(error, "entry name holds a NUL byte");
    // The engine joins the mount root and the name in a 260-byte buffer.
    if (name.size() >= kMaxPath) return Fail(error, "entry name too long: " + name);
    Entry entry;
    entry.normalized = NormalizePackName(name);
    if (names_.count(entry.normalized)) return Fail(error, "two files share the name " + name);
    // "\" separators in the stored name, but never inside a two-byte character.
    for (size_t i = 0; i < name.size();) {
        const size_t bytes = platform::CharBytes(name.data() + i, name.size() - i);
        if (bytes == 1 && name[i] == '/') entry.name.push_back('\\');
        else entry.name.append(name, i, bytes);
        i += bytes;
    }
    entry.crc = PackNameCrc(name);
    entry.data = std::move(data);
    names_.insert(entry.normalized);
    entries_.push_back(std::move(entry));
    return true;
}

bool PackWriter::Build(bool compress, std::vector<uint8_t>* pack, std::string* error, PackStats* stats) const {
    std::vector<const Entry*> order;
    order.reserve(entries_.size());
    for (const Entry& e : entries_) order.push_back(&e);
    std::sort(order.begin(), order.end(), [](const Entry* a, const Entry* b) {
        return a->crc != b->crc ? a->crc < b->crc : a->normalized < b->normalized;
    });

    PackStats local;
    // The engine refuses a pack with a longer directory.
    if (order.size() > KestraFile::kMaxPackEntries) return Fail(error, "too many entries");
    const uint64_t directoryEnd = 8 + static_cast<uint64_t>(order.size()) * kEntrySize;
    std::vector<uint8_t> out(static_cast<size_t>(directoryEnd), 0);
    out[0] = 'P';
    out[1] = 'A';
    out[2] = 'C';
    out[3] = 'K';
    PutU32(out, 4, static_cast<uint32_t>(order.size()));

    for (size_t i = 0; i < order.size(); ++i) {
        const Entry& e = *order[i];
        const std::vector<uint8_t>* stored = &e.data;
        std::vector<uint8_t> block;
        if (compress && !e.data.empty()) {
            block = LzssEncodeBlock(e.data.data(), e.data.size());
            if (block.size() < e.data.size()) {
                stored = &block;
                ++local.compressed;
            }
        }
        const uint64_t offset = out.size();
        if (offset + stored->size() > 0xFFFFFFFFull) return Fail(error, "pack larger than 4 GiB");

        const size_t record = 8 + i * kEntrySize;
        // The name area holds at most 63 bytes and a terminator, cut at a whole character.
        size_t length = 0;
        while (length < e.name.size()) {
            const size_t step = platform::CharBytes(e.name.data() + length, e.name.size() - length);
            if (length + step > kNameArea - 1) break;
            length += step;
        }
        std::copy_n(e.name.begin(), length, out.begin() + static_cast<std::ptrdiff_t>(record));
        PutU32(out, record + 64, e.crc);
        PutU32(out, record + 68, 0);
        PutU32(out, record + 72, static_cast<uint32_t>(offset));
        PutU32(out, record + 76, static_cast<uint32_t>(stored->size()));
        out.insert(out.end(), stored->begin(), stored->end());

        ++local.entries;
        local.plainBytes += e.data.size();
        local.storedBytes += stored->size();
    }
    *pack = std::move(out);
    if (stats) *stats = local;
    return true;
}

bool PackWriter::Write(const std::string& path, bool compress, std::string* error, PackStats* stats) const {
    std::vector<uint8_t> pack;
    if (!Build(compress, &pack, error, stats)) return false;
    // Written beside the target and renamed over it, so a failed run never leaves
    // a cut-off pack behind.
    const std::string temporary = path + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return Fail(error, "cannot create " + temporary);
    const bool written = std::fwrite(pack.data(), 1, pack.size(), file) == pack.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(temporary.c_str());
        return Fail(error, "cannot write " + temporary);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return Fail(error, "cannot rename " + temporary + " to " + path);
    }
    return true;
}

}  // namespace kestrapack
