// Image files in memory, decoded to one neutral picture: 32-bit ARGB words
// (0xAARRGGBB), top row first, plus what D3DX reports about the file. The
// readers need no device; the D3DX entry points build on them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace d3dx9img {

// D3DFORMAT values (their documented numbers) as the readers report them.
enum : uint32_t {
    kFmtUnknown = 0,
    kFmtR8G8B8 = 20,
    kFmtA8R8G8B8 = 21,
    kFmtX8R8G8B8 = 22,
    kFmtR5G6B5 = 23,
    kFmtX1R5G5B5 = 24,
    kFmtA1R5G5B5 = 25,
    kFmtA4R4G4B4 = 26,
    kFmtR3G3B2 = 27,
    kFmtA8 = 28,
    kFmtA8R3G3B2 = 29,
    kFmtX4R4G4B4 = 30,
    kFmtA2B10G10R10 = 31,
    kFmtA8B8G8R8 = 32,
    kFmtX8B8G8R8 = 33,
    kFmtG16R16 = 34,
    kFmtA2R10G10B10 = 35,
    kFmtA16B16G16R16 = 36,
    kFmtA8P8 = 40,
    kFmtP8 = 41,
    kFmtL8 = 50,
    kFmtA8L8 = 51,
    kFmtA4L4 = 52,
    kFmtL16 = 81,
    kFmtDXT1 = 0x31545844,  // 'DXT1'
    kFmtDXT2 = 0x32545844,
    kFmtDXT3 = 0x33545844,
    kFmtDXT4 = 0x34545844,
    kFmtDXT5 = 0x35545844,
};

// D3DXIMAGE_FILEFORMAT values.
enum : uint32_t { kFileBmp = 0, kFileJpg = 1, kFileTga = 2, kFilePng = 3, kFileDds = 4 };

// D3DRESOURCETYPE values a file can describe.
enum : uint32_t { kResTexture = 3, kResVolumeTexture = 4, kResCubeTexture = 5 };

// The same fields, in the same order, as D3DXIMAGE_INFO.
struct ImageInfo {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t depth = 1;
    uint32_t mipLevels = 1;
    uint32_t format = kFmtUnknown;
    uint32_t resourceType = kResTexture;
    uint32_t fileFormat = kFilePng;
};

struct Image {
    ImageInfo info;
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> pixels;  // width * height words, 0xAARRGGBB, top row first
};

enum class DecodeStatus {
    kOk,
    kInvalidData,  // not an image we read, or a malformed or truncated one
    kOutOfMemory,
};

// Larger pictures are refused before anything is allocated. The device's
// largest texture is 4096 x 4096, so a picture with more pixels could only be
// shrunk to fit (a tile sheet that size is already 256 textures); at this
// limit a decoded picture takes 64 MiB, and forged headers cannot ask for more.
constexpr uint32_t kMaxDimension = 32768;
constexpr uint64_t kMaxPixels = uint64_t(4096) * 4096;
bool DimensionsAcceptable(uint64_t width, uint64_t height);

// Reads the header only (signature dispatch: PNG, JPEG, BMP, DDS, then TGA).
DecodeStatus ReadImageInfo(const void* data, size_t size, ImageInfo* info);
// Decodes the whole picture (the top level and first face of a DDS).
DecodeStatus DecodeImage(const void* data, size_t size, Image* image);

// Per-format readers. Each refuses what is not its format with kInvalidData.
namespace detail {
DecodeStatus PngInfo(const uint8_t* data, size_t size, ImageInfo* info);
DecodeStatus PngDecode(const uint8_t* data, size_t size, Image* image);
DecodeStatus JpegInfo(const uint8_t* data, size_t size, ImageInfo* info);
DecodeStatus JpegDecode(const uint8_t* data, size_t size, Image* image);
DecodeStatus BmpInfo(const uint8_t* data, size_t size, ImageInfo* info);
DecodeStatus BmpDecode(const uint8_t* data, size_t size, Image* image);
DecodeStatus TgaInfo(const uint8_t* data, size_t size, ImageInfo* info);
DecodeStatus TgaDecode(const uint8_t* data, size_t size, Image* image);
DecodeStatus DdsInfo(const uint8_t* data, size_t size, ImageInfo* info);
DecodeStatus DdsDecode(const uint8_t* data, size_t size, Image* image);

// Little-endian field reads; the caller has checked the bounds.
inline uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return (a << 24) | (r << 16) | (g << 8) | b; }

// A channel selected by a bit mask, scaled to 0..255 (rounded); a zero mask
// answers `absent`.
struct MaskChannel {
    uint32_t mask = 0;
    uint32_t shift = 0;
    uint32_t max = 0;
    void Set(uint32_t m);
    uint32_t Get(uint32_t value, uint32_t absent) const {
        if (mask == 0) return absent;
        const uint32_t v = (value & mask) >> shift;
        return uint32_t((uint64_t(v) * 255 + max / 2) / max);
    }
};

// Allocates the pixel store; false for a size DimensionsAcceptable refuses or
// when memory runs out.
bool AllocatePixels(Image* image, uint32_t width, uint32_t height);
}  // namespace detail

// DXT block decoding (used by the DDS reader and when reading DXT surfaces):
// one 4x4 block to 16 ARGB words, row-major.
void DecodeDxtBlock(uint32_t format, const uint8_t* block, uint32_t out[16]);
// Bytes of one block: 8 for DXT1, 16 for DXT2-5, 0 for other formats.
uint32_t DxtBlockBytes(uint32_t format);

// The DDS pixel-format fields (flags, FourCC, bit count, R/G/B/A masks) that
// describe `format`; false for a format DDS files cannot hold here.
struct DdsPixelFormat {
    uint32_t flags = 0;
    uint32_t fourCC = 0;
    uint32_t bitCount = 0;
    uint32_t masks[4] = {0, 0, 0, 0};
};
bool DdsPixelFormatOf(uint32_t format, DdsPixelFormat* out);

}  // namespace d3dx9img
