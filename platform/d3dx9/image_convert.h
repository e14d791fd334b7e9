// Pixel work between a decoded picture and a destination surface: colour key,
// resampling from a source rectangle to a destination size, and packing into
// (or reading back from) Direct3D pixel formats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace d3dx9img {

// D3DX_FILTER_* kinds (the low byte of a filter value).
enum : uint32_t { kFilterNone = 1, kFilterPoint = 2, kFilterLinear = 3, kFilterTriangle = 4, kFilterBox = 5 };

struct PixelRect {
    uint32_t left, top, right, bottom;
    uint32_t Width() const { return right - left; }
    uint32_t Height() const { return bottom - top; }
};

// Every pixel whose full ARGB equals `key` becomes 0x00000000 (transparent
// black). A key of 0 changes nothing, so it means "no key".
void ApplyColorKey(std::vector<uint32_t>& pixels, uint32_t key);

// Resamples `source` (rows of `sourceWidth` words) inside `rect` to a
// dstWidth x dstHeight picture. Equal sizes copy exactly with every kind.
//  - NONE: no scaling; the part of the destination outside the source
//    rectangle is transparent black.
//  - POINT: the source pixel under each destination pixel's centre.
//  - LINEAR: bilinear between the nearest source centres, edges clamped.
//  - TRIANGLE, BOX: each destination pixel is the area-weighted average of the
//    source pixels it covers, per channel, rounded to nearest.
// False for a kind outside 1..5; the rectangle must lie inside the source.
bool Resample(const uint32_t* source, uint32_t sourceWidth, const PixelRect& rect, uint32_t dstWidth,
              uint32_t dstHeight, uint32_t filterKind, std::vector<uint32_t>* out);

// Bytes per pixel of an uncompressed format we can write and read, 0 otherwise.
uint32_t FormatBytesPerPixel(uint32_t format);
bool IsBlockFormat(uint32_t format);

// Writes `count` ARGB words as `format` pixels. Channels wider than the
// format keep their high bits (truncation); narrower ones are widened by bit
// replication. Luminance is the Rec. 709 weighting of R, G and B. X bits are
// written as ones. False for a format this layer cannot pack.
bool PackRow(const uint32_t* argb, uint32_t count, uint32_t format, uint8_t* dst);
// Reads `count` pixels of `format` as ARGB words (X channels read as 0xFF).
bool UnpackRow(const uint8_t* src, uint32_t count, uint32_t format, uint32_t* argb);

// Encodes one 4x4 block of ARGB words as DXT1/3/5 (endpoints: the two texels
// furthest apart; indices: the nearest palette colour). DXT2/4 are written as
// DXT3/5 blocks of the same data.
void EncodeDxtBlock(uint32_t format, const uint32_t in[16], uint8_t* block);

}  // namespace d3dx9img
