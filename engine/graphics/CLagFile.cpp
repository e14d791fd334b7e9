#include "engine/graphics/CLagFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "engine/core/KestraFile.h"
#include "engine/core/KestraLog.h"
#include "engine/core/KestraLzss.h"
#include "engine/graphics/CBaseObject.h"

namespace {

constexpr char kCantLoad[] = "Can't Load LAG File";
constexpr char kNoMemory[] = "メモリ確保に失敗 空きメモリが不足している可能性があります";

constexpr uint32_t kMagicSize = 8;
constexpr uint32_t kMaxima[4] = {15, 255, 65535, 0};
constexpr float kInverse[3] = {1.0f / 15.0f, 1.0f / 255.0f, 1.0f / 65535.0f};
constexpr float kFloatMaxima[3] = {15.0f, 255.0f, 65535.0f};

constexpr uint8_t kDither5[16] = {0, 4, 1, 5, 6, 2, 7, 3, 1, 5, 0, 4, 7, 3, 6, 2};
constexpr uint8_t kDither4[16] = {0, 8, 2, 10, 12, 4, 14, 6, 2, 10, 0, 8, 14, 6, 12, 4};

uint32_t BytesPerPixel(uint32_t kind) {
    if (kind > 7) return 0;
    return 2u << (kind & 3);
}

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void WriteU32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

void WriteU16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

float ReadF32(const uint8_t* p) {
    const uint32_t bits = ReadU32(p);
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

void WriteF32(uint8_t* p, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    WriteU32(p, bits);
}

uint8_t Lower(uint8_t c) { return (c >= 'A' && c <= 'Z') ? static_cast<uint8_t>(c + ('a' - 'A')) : c; }

// The stored name is a text within its 16-byte field; a field without a
// terminator holds no valid name and matches nothing. Names compare as every
// engine name does (SameName): a two-byte character whole, never folded.
bool NameMatches(const uint8_t* field, const char* wanted) {
    if (!std::memchr(field, 0, CLagFile::kEntryNameSize)) return false;
    return SameName(reinterpret_cast<const char*>(field), wanted);
}

bool IsLagMagic(const uint8_t* magic) {
    return Lower(magic[0]) == 'l' && Lower(magic[1]) == 'a' && Lower(magic[2]) == 'g' && magic[3] == 0;
}

void LogDamaged(const char* archive, const char* name) {
    Kestra::LogRed("　エラー : データが壊れています [ %s / %s ]", archive, name);
    Kestra::LogNewLine();
}

// The entry headers of an archive, read through one buffer: a run of small
// entries costs one read a buffer, not one a header. Positions are in 64 bits,
// and no read asks for more than the file has left.
class HeaderScan {
public:
    static constexpr uint32_t kBufferSize = 64 * 1024;

    HeaderScan(KestraFileHandle* file, uint64_t fileSize, uint64_t at)
        : file_(file), size_(fileSize), at_(at), buffer_(new (std::nothrow) uint8_t[kBufferSize]) {}

    bool Ready() const { return buffer_ != nullptr; }

    // The header at position, or null when no whole header is left there.
    const uint8_t* At(uint64_t position) {
        if (position > size_ || size_ - position < CLagFile::kEntryHeaderSize) return nullptr;
        if (position >= start_ && position - start_ + CLagFile::kEntryHeaderSize <= held_)
            return buffer_.get() + (position - start_);
        held_ = 0;
        if (!MoveTo(position)) return nullptr;
        const auto want = static_cast<uint32_t>(std::min<uint64_t>(kBufferSize, size_ - position));
        start_ = position;
        held_ = KestraFile::Read(file_, want, buffer_.get());
        at_ += held_;
        return held_ >= CLagFile::kEntryHeaderSize ? buffer_.get() : nullptr;
    }

    // Leaves the file at position; Seek takes a signed 32-bit offset, so long
    // moves go in steps.
    bool MoveTo(uint64_t position) {
        while (at_ != position) {
            const uint64_t distance = at_ < position ? position - at_ : at_ - position;
            const auto step = static_cast<int32_t>(std::min<uint64_t>(distance, 0x7FFFFFFF));
            if (!KestraFile::Seek(file_, at_ < position ? step : -step, KestraFile::kSeekCurrent)) return false;
            at_ = at_ < position ? at_ + uint32_t(step) : at_ - uint32_t(step);
        }
        return true;
    }

private:
    KestraFileHandle* file_;
    uint64_t size_;
    uint64_t at_;         // where the file stands
    uint64_t start_ = 0;  // the file position of the buffer's first byte
    uint32_t held_ = 0;   // bytes the buffer holds
    std::unique_ptr<uint8_t[]> buffer_;
};

// A pixel's four channels by role B, G, R, A, as integers or as floats.
struct Channels {
    uint32_t value[4];
    float real[4];
};

void ReadPixel(uint32_t kind, const uint8_t* p, Channels& c) {
    switch (kind) {
        case 0: {
            const uint16_t v = ReadU16(p);
            c.value[0] = v >> 12 & 15;
            c.value[1] = v >> 8 & 15;
            c.value[2] = v >> 4 & 15;
            c.value[3] = v & 15;
            break;
        }
        case 1:
            for (int i = 0; i < 4; ++i) c.value[i] = p[i];
            break;
        case 2:
            for (int i = 0; i < 4; ++i) c.value[i] = ReadU16(p + 2 * i);
            break;
        default:
            for (int i = 0; i < 4; ++i) c.real[i] = ReadF32(p + 4 * i);
            break;
    }
}

void WritePixel(uint32_t kind, const Channels& c, uint8_t* p) {
    switch (kind) {
        case 0:
            WriteU16(p, c.value[0] << 12 | c.value[1] << 8 | c.value[2] << 4 | c.value[3]);
            break;
        case 1:
            for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(c.value[i]);
            break;
        case 2:
            for (int i = 0; i < 4; ++i) WriteU16(p + 2 * i, c.value[i]);
            break;
        default:
            for (int i = 0; i < 4; ++i) WriteF32(p + 4 * i, c.real[i]);
            break;
    }
}

// Float channels outside 0..1 (and NaN) are clamped rather than converted
// out of range.
uint32_t FloatToChannel(float value, uint32_t dstKind) {
    if (!(value > 0.0f)) return 0;
    const float scaled = value * kFloatMaxima[dstKind];
    if (scaled >= kFloatMaxima[dstKind]) return kMaxima[dstKind];
    return static_cast<uint32_t>(scaled);
}

void ConvertChannels(uint32_t srcKind, uint32_t dstKind, Channels& c) {
    if (srcKind == 3) {
        for (int i = 0; i < 4; ++i) c.value[i] = FloatToChannel(c.real[i], dstKind);
    } else if (dstKind == 3) {
        for (int i = 0; i < 4; ++i) c.real[i] = static_cast<float>(c.value[i]) * kInverse[srcKind];
    } else {
        for (int i = 0; i < 4; ++i)
            c.value[i] = static_cast<uint32_t>(uint64_t{c.value[i]} * kMaxima[dstKind] / kMaxima[srcKind]);
    }
}

}  // namespace

bool CLagFile::EntryKey(char* out, size_t size, const char* archiveKey, const char* entry) {
    const int length = std::snprintf(out, size, "%s[%s]", archiveKey, entry);
    return length >= 0 && size_t(length) < size;
}

CLagFile::CLagFile() = default;

CLagFile::~CLagFile() { FreeImage(); }

uint32_t CLagFile::DitherTo5(uint32_t value, int32_t x, int32_t y) {
    return ((value * 249) >> 8) + kDither5[(static_cast<uint32_t>(y) & 3) * 4 + (static_cast<uint32_t>(x) & 3)];
}

uint32_t CLagFile::DitherTo4(uint32_t value, int32_t x, int32_t y) {
    return ((value * 242) >> 8) + kDither4[(static_cast<uint32_t>(y) & 3) * 4 + (static_cast<uint32_t>(x) & 3)];
}

void CLagFile::Convert(int32_t width, int32_t height, uint32_t srcKind, const void* src, uint32_t dstKind,
                       void* dst) {
    if (width < 1 || height < 1 || srcKind > 7 || dstKind > 7 || !src || !dst) return;
    srcKind &= 3;
    dstKind &= 3;
    const uint64_t count = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    const auto* in = static_cast<const uint8_t*>(src);
    auto* out = static_cast<uint8_t*>(dst);
    const uint32_t inStep = BytesPerPixel(srcKind);
    const uint32_t outStep = BytesPerPixel(dstKind);
    if (srcKind == dstKind) {
        std::memmove(out, in, static_cast<size_t>(count * inStep));
        return;
    }
    Channels c{};
    for (uint64_t i = 0; i < count; ++i) {
        ReadPixel(srcKind, in, c);
        ConvertChannels(srcKind, dstKind, c);
        WritePixel(dstKind, c, out);
        in += inStep;
        out += outStep;
    }
}

uint32_t CLagFile::GetPixelBytes(uint32_t width, uint32_t height, uint32_t kind) {
    const uint32_t bytes = BytesPerPixel(kind);
    if (bytes == 0 || width == 0 || height == 0) return 0;
    if (width > kMaxSide || height > kMaxSide) return 0;
    const uint64_t pixels = uint64_t{width} * height;
    if (pixels > kMaxPixels) return 0;
    return static_cast<uint32_t>(pixels * bytes);
}

bool CLagFile::IsCompressed(uint32_t kind) { return kind >= 4 && kind <= 7; }

bool CLagFile::Decompress(const void* stream, uint32_t streamSize, void* pixels, uint32_t decodedSize) {
    if (!pixels || (!stream && streamSize)) return false;
    return KestraFile::DecodeLzssBytes(static_cast<const uint8_t*>(stream), streamSize, static_cast<uint8_t*>(pixels),
                                       decodedSize);
}

uint32_t CLagFile::FindEntry(const char* archive, const char* name, uint32_t* width, uint32_t* height, void* pixels,
                             uint32_t pixelsSize, uint32_t* kind) {
    outOfMemory_ = false;
    if (!archive || !name) return 0;
    const std::unique_ptr<KestraFileHandle, void (*)(KestraFileHandle*)> file(KestraFile::Open(archive, true),
                                                                              KestraFile::Close);
    if (!file) return 0;
    const uint64_t fileSize = KestraFile::GetSize(file.get());
    uint8_t magic[kMagicSize];
    if (KestraFile::Read(file.get(), kMagicSize, magic) != kMagicSize || !IsLagMagic(magic)) return 0;
    HeaderScan scan(file.get(), fileSize, kMagicSize);
    if (!scan.Ready()) {
        outOfMemory_ = true;
        return 0;
    }
    uint64_t position = kMagicSize;
    const uint8_t* header = nullptr;
    uint32_t stored = 0;
    for (;;) {
        header = scan.At(position);
        if (!header) return 0;
        position += kEntryHeaderSize;
        stored = ReadU32(header + 28);
        // An entry reaching past the end of the file: the archive is cut short.
        if (stored > fileSize - position) {
            LogDamaged(archive, name);
            return 0;
        }
        if (NameMatches(header, name)) break;
        position += stored;
    }

    const uint32_t w = ReadU32(header + 16);
    const uint32_t h = ReadU32(header + 20);
    const uint32_t k = ReadU32(header + 24);
    if (width) *width = w;
    if (height) *height = h;
    if (kind) *kind = k;
    const uint32_t decoded = GetPixelBytes(w, h, k);
    // Plain pixels must all be there; a stream cannot decode to more than its
    // size allows, which also keeps a bogus size from being allocated.
    bool usable = decoded != 0;
    bool damaged = !usable && k <= 7 && w != 0 && h != 0;  // too large to hold
    if (usable && !IsCompressed(k) && stored < decoded) damaged = true;
    if (usable && IsCompressed(k) && decoded > KestraFile::MaxLzssDecodedSize(stored)) damaged = true;
    if (damaged) {
        LogDamaged(archive, name);
        usable = false;
    }
    if (!usable || !pixels) return usable ? decoded : 0;
    if (pixelsSize < decoded) return 0;

    bool ok = scan.MoveTo(position);
    if (ok && IsCompressed(k)) {
        auto* block = static_cast<uint8_t*>(Kestra::MemoryAlloc(std::max<uint32_t>(stored, 1)));
        if (!block) {
            outOfMemory_ = true;
            return 0;
        }
        ok = KestraFile::Read(file.get(), stored, block) == stored && Decompress(block, stored, pixels, decoded);
        Kestra::MemoryFree(block);
    } else if (ok) {
        ok = KestraFile::Read(file.get(), decoded, pixels) == decoded;
    }
    if (!ok) LogDamaged(archive, name);
    return ok ? decoded : 0;
}

const char* CLagFile::LoadImage(const char* archive, const char* entry) {
    FreeImage();
    if (!archive || !entry) return kCantLoad;
    char name[MAX_PATH] = {};
    size_t length = 0;
    while (length < MAX_PATH && entry[length] != '\0') ++length;
    if (length >= MAX_PATH) return kCantLoad;  // no stored name is that long
    std::memcpy(name, entry, length);  // FindEntry folds the case of what it compares

    uint32_t width = 0, height = 0, kind = 0;
    const uint32_t decoded = FindEntry(archive, name, &width, &height, nullptr, 0, &kind);
    if (decoded == 0) return kCantLoad;
    auto* pixels = static_cast<uint8_t*>(Kestra::MemoryAlloc(decoded));
    if (!pixels) return kNoMemory;
    if (FindEntry(archive, name, &width, &height, pixels, decoded, &kind) != decoded) {
        Kestra::MemoryFree(pixels);
        return outOfMemory_ ? kNoMemory : kCantLoad;
    }

    const uint32_t bytes = GetPixelBytes(width, height, 1);
    auto* image = static_cast<uint8_t*>(Kestra::MemoryAlloc(bytes + kDdsHeaderSize));
    if (!image) {
        Kestra::MemoryFree(pixels);
        return kNoMemory;
    }
    Convert(static_cast<int32_t>(width), static_cast<int32_t>(height), kind, pixels, 1, image + kDdsHeaderSize);
    Kestra::MemoryFree(pixels);

    std::memcpy(image, "DDS ", 4);
    WriteU32(image + 4, 124);
    WriteU32(image + 8, 0x1007);
    WriteU32(image + 12, height & 0xFFFF);
    WriteU32(image + 16, width & 0xFFFF);
    WriteU32(image + 76, 32);
    WriteU32(image + 80, 0x41);
    WriteU32(image + 88, 32);
    WriteU32(image + 92, 0x00FF0000);
    WriteU32(image + 96, 0x0000FF00);
    WriteU32(image + 100, 0x000000FF);
    WriteU32(image + 104, 0xFF000000);

    image_ = image;
    width_ = static_cast<int32_t>(width);
    height_ = static_cast<int32_t>(height);
    pitch_ = width_ * 4;
    return nullptr;
}

void CLagFile::FreeImage() {
    if (image_) Kestra::MemoryFree(image_);
    image_ = nullptr;
    width_ = 0;
    height_ = 0;
    pitch_ = 0;
}

void CLagFile::GetImagePitch(void** image, int32_t* pitch) {
    if (image) *image = image_;
    if (pitch) *pitch = pitch_;
}

void CLagFile::GetSize(int32_t* width, int32_t* height) {
    if (width) *width = width_;
    if (height) *height = height_;
}

uint32_t CLagFile::GetImageSize() {
    if (!image_) return 0;
    return static_cast<uint32_t>(width_) * static_cast<uint32_t>(height_) * 4 + kDdsHeaderSize;
}

void* CLagFile::GetImage() { return image_; }

bool CLagFile::CopyRectToSurface(void* bits, int32_t pitch, D3DFORMAT format, const RECT* srcRect, int32_t dstX,
                                 int32_t dstY) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4:
            break;
        default:
            return false;
    }
    if (!image_ || !bits) return false;

    int64_t left = 0, top = 0, right = width_, bottom = height_;
    if (srcRect) {
        left = std::max<int64_t>(srcRect->left, 0);
        top = std::max<int64_t>(srcRect->top, 0);
        right = std::min<int64_t>(srcRect->right, width_);
        bottom = std::min<int64_t>(srcRect->bottom, height_);
    }
    // A position left of or above the surface cuts the rectangle instead.
    int64_t x0 = dstX, y0 = dstY;
    if (x0 < 0) left -= x0, x0 = 0;
    if (y0 < 0) top -= y0, y0 = 0;
    if (left >= right || top >= bottom) return true;

    const uint8_t* pixels = image_ + kDdsHeaderSize;
    for (int64_t row = 0; row < bottom - top; ++row) {
        const uint8_t* src = pixels + (top + row) * pitch_ + left * 4;
        uint8_t* dst = static_cast<uint8_t*>(bits) + (y0 + row) * static_cast<int64_t>(pitch);
        const auto y = static_cast<int32_t>(y0 + row);
        const int64_t columns = right - left;
        if (format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8) {
            std::memcpy(dst + x0 * 4, src, static_cast<size_t>(columns * 4));
            continue;
        }
        for (int64_t column = 0; column < columns; ++column) {
            const uint8_t* p = src + column * 4;
            const uint32_t b = p[0], g = p[1], r = p[2], a = p[3];
            const auto x = static_cast<int32_t>(x0 + column);
            uint32_t value = 0;
            switch (format) {
                case D3DFMT_R5G6B5:
                    value = (DitherTo5(r, x, y) >> 3) << 11 | (DitherTo5(g, x, y) >> 2) << 5 | DitherTo5(b, x, y) >> 3;
                    break;
                case D3DFMT_X1R5G5B5:
                case D3DFMT_A1R5G5B5:
                    value = (a > 127 ? 0x8000u : 0u) | (DitherTo5(r, x, y) >> 3) << 10 | (DitherTo5(g, x, y) >> 3) << 5 |
                            DitherTo5(b, x, y) >> 3;
                    break;
                default:  // A4R4G4B4, X4R4G4B4
                    value = (DitherTo4(a, x, y) >> 4) << 12 | (DitherTo4(r, x, y) >> 4) << 8 |
                            (DitherTo4(g, x, y) >> 4) << 4 | DitherTo4(b, x, y) >> 4;
                    break;
            }
            WriteU16(dst + (x0 + column) * 2, value);
        }
    }
    return true;
}

bool CLagFile::CopyToSurface(void* bits, int32_t pitch, D3DFORMAT format) {
    return CopyRectToSurface(bits, pitch, format, nullptr, 0, 0);
}
