// Image file writers for the save functions: BMP, PNG, TGA and JPEG from ARGB
// pictures, DDS from surface bytes in their own format.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3dx9/image_decode.h"

namespace d3dx9img {

// BMP: 32-bit with an alpha mask (version-4 header) when `alpha`, else 24-bit;
// rows bottom-up as usual.
bool EncodeBmp(const Image& image, bool alpha, std::vector<uint8_t>* out);
// PNG: 8-bit RGBA when `alpha`, else RGB.
bool EncodePng(const Image& image, bool alpha, std::vector<uint8_t>* out);
// TGA: uncompressed, top-left origin, 32-bit with 8 alpha bits when `alpha`, else 24-bit.
bool EncodeTga(const Image& image, bool alpha, std::vector<uint8_t>* out);
// JPEG: baseline, quality 90, no alpha.
bool EncodeJpeg(const Image& image, std::vector<uint8_t>* out);

// One level of surface bytes: rows (or rows of 4x4 blocks) packed without padding.
struct RawLevel {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> bytes;
};
// DDS of `format` with the given levels (the first is the largest).
bool EncodeDds(uint32_t format, const std::vector<RawLevel>& levels, std::vector<uint8_t>* out);

// Whether pixels of `format` carry alpha worth saving.
bool FormatHasAlpha(uint32_t format);

}  // namespace d3dx9img
