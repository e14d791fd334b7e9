// Any bytes as a LAG archive, served through an in-memory stand-in for the file
// system's streamed handles: every entry named in the input is loaded, and a
// loaded image is copied into every surface format; the input's bytes are also
// converted between every pair of pixel kinds into exact-size buffers.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/KestraFile.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CLagFile.h"

namespace {

std::vector<uint8_t> g_file;
uint32_t g_position = 0;
int g_open = 0;

}  // namespace

// The streamed-handle part of the file system over g_file.
namespace KestraFile {

KestraFileHandle* Open(const char*, bool) {
    if (g_open) std::abort();  // the reader keeps one handle at a time
    ++g_open;
    g_position = 0;
    auto* handle = new KestraFileHandle{};
    handle->size = static_cast<uint32_t>(g_file.size());
    return handle;
}

void Close(KestraFileHandle* handle) {
    if (!handle) return;
    --g_open;
    delete handle;
}

uint32_t GetSize(const KestraFileHandle* handle) { return handle ? handle->size : 0; }

uint32_t Read(KestraFileHandle* handle, uint32_t bytes, void* out) {
    if (!handle) return 0;
    const uint32_t n = std::min(bytes, handle->size - g_position);
    if (n) std::memcpy(out, g_file.data() + g_position, n);
    g_position += n;
    return n;
}

bool Seek(KestraFileHandle* handle, int32_t offset, uint32_t origin) {
    if (!handle) return false;
    int64_t base = 0;
    if (origin == kSeekCurrent) base = g_position;
    else if (origin == kSeekBegin) base = 0;
    else if (origin == kSeekEnd) base = handle->size;
    else return true;
    const int64_t target = base + offset;
    if (target < 0 || target > handle->size) return false;
    g_position = static_cast<uint32_t>(target);
    return true;
}

}  // namespace KestraFile

namespace Kestra {
void LogRed(const char*, ...) {}
void LogNewLine() {}
}  // namespace Kestra

namespace {

uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

void CopyEverywhere(CLagFile& lag) {
    int32_t w = 0, h = 0;
    lag.GetSize(&w, &h);
    if (lag.GetImageSize() != uint32_t(w) * uint32_t(h) * 4 + 128) std::abort();
    if (int64_t{w} * h > (1 << 18)) return;
    std::vector<uint8_t> surface(size_t(w) * size_t(h) * 4);
    for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5,
                             D3DFMT_A4R4G4B4, D3DFMT_X4R4G4B4}) {
        const int32_t pitch = (format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8) ? w * 4 : w * 2;
        if (!lag.CopyToSurface(surface.data(), pitch, format)) std::abort();
        // A corner of the image at a corner of the surface.
        const RECT source{w / 2, h / 2, w + 7, h + 7};
        if (!lag.CopyRectToSurface(surface.data(), pitch, format, &source, -(w / 4), 0)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    g_file.assign(data, data + size);

    // Names: those the entry headers carry (walked as the reader walks them,
    // bounded), plus a few fixed ones and one that runs past 16 bytes.
    std::vector<std::string> names = {"a", "pic", std::string(40, 'a')};
    for (uint64_t at = 8; at + 32 <= size && names.size() < 24;) {
        names.emplace_back(reinterpret_cast<const char*>(data + at), strnlen(reinterpret_cast<const char*>(data + at), 16));
        at += 32 + uint64_t{U32(data + at + 28)};
    }
    for (const std::string& name : names) {
        CLagFile lag;
        if (!lag.LoadImage("fuzz.lag", name.c_str())) CopyEverywhere(lag);
        if (g_open) std::abort();
    }

    // Conversions: the first byte picks the width, the input is the source.
    if (size >= 2) {
        CLagFile lag;
        const int32_t width = 1 + data[0] % 8;
        const uint8_t* src = data + 1;
        const size_t srcSize = size - 1;
        for (uint32_t srcKind = 0; srcKind < 9; ++srcKind) {
            const uint32_t srcBytes = srcKind > 7 ? 2 : 2u << (srcKind & 3);
            const int32_t height = static_cast<int32_t>(srcSize / (srcBytes * uint32_t(width)));
            if (height < 1) continue;
            std::vector<uint8_t> source(src, src + size_t(width) * size_t(height) * srcBytes);
            for (uint32_t dstKind = 0; dstKind < 9; ++dstKind) {
                const uint32_t dstBytes = dstKind > 7 ? 2 : 2u << (dstKind & 3);
                std::vector<uint8_t> out(size_t(width) * size_t(height) * dstBytes);
                lag.Convert(width, height, srcKind, source.data(), dstKind, out.data());
            }
        }
    }
    return 0;
}
