// Signature dispatch over the image readers.
#include "platform/d3dx9/image_decode.h"

#include <cstring>
#include <new>

namespace d3dx9img {

bool DimensionsAcceptable(uint64_t width, uint64_t height) {
    return width > 0 && height > 0 && width <= kMaxDimension && height <= kMaxDimension &&
           width * height <= kMaxPixels;
}

namespace detail {

void MaskChannel::Set(uint32_t m) {
    mask = m;
    shift = 0;
    max = 0;
    if (m == 0) return;
    while (((m >> shift) & 1) == 0) ++shift;
    max = m >> shift;
}

bool AllocatePixels(Image* image, uint32_t width, uint32_t height) {
    if (!DimensionsAcceptable(width, height)) return false;
    try {
        image->pixels.assign(size_t(width) * height, 0);
    } catch (const std::bad_alloc&) {
        image->pixels.clear();
        return false;
    }
    image->width = width;
    image->height = height;
    return true;
}

}  // namespace detail

namespace {

enum class Kind { kPng, kJpeg, kBmp, kDds, kTga };

Kind Sniff(const uint8_t* p, size_t size) {
    if (size >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0) return Kind::kPng;
    if (size >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF) return Kind::kJpeg;
    if (size >= 2 && p[0] == 'B' && p[1] == 'M') return Kind::kBmp;
    if (size >= 4 && std::memcmp(p, "DDS ", 4) == 0) return Kind::kDds;
    // TGA has no signature: its reader checks the header's fields for sanity.
    return Kind::kTga;
}

}  // namespace

DecodeStatus ReadImageInfo(const void* data, size_t size, ImageInfo* info) {
    if (data == nullptr || size == 0 || info == nullptr) return DecodeStatus::kInvalidData;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    ImageInfo out;
    DecodeStatus status = DecodeStatus::kInvalidData;
    switch (Sniff(p, size)) {
        case Kind::kPng: status = detail::PngInfo(p, size, &out); break;
        case Kind::kJpeg: status = detail::JpegInfo(p, size, &out); break;
        case Kind::kBmp: status = detail::BmpInfo(p, size, &out); break;
        case Kind::kDds: status = detail::DdsInfo(p, size, &out); break;
        case Kind::kTga: status = detail::TgaInfo(p, size, &out); break;
    }
    if (status == DecodeStatus::kOk) *info = out;
    return status;
}

DecodeStatus DecodeImage(const void* data, size_t size, Image* image) {
    if (data == nullptr || size == 0 || image == nullptr) return DecodeStatus::kInvalidData;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    Image out;
    DecodeStatus status = DecodeStatus::kInvalidData;
    switch (Sniff(p, size)) {
        case Kind::kPng: status = detail::PngDecode(p, size, &out); break;
        case Kind::kJpeg: status = detail::JpegDecode(p, size, &out); break;
        case Kind::kBmp: status = detail::BmpDecode(p, size, &out); break;
        case Kind::kDds: status = detail::DdsDecode(p, size, &out); break;
        case Kind::kTga: status = detail::TgaDecode(p, size, &out); break;
    }
    if (status == DecodeStatus::kOk) *image = std::move(out);
    return status;
}

}  // namespace d3dx9img
