// One image reader fed any bytes: its header reading and its whole decode
// must agree, and a decoded picture holds exactly width x height pixels.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/d3dx9/image_decode.h"

namespace fuzzimage {

using InfoReader = d3dx9img::DecodeStatus (*)(const uint8_t*, size_t, d3dx9img::ImageInfo*);
using Decoder = d3dx9img::DecodeStatus (*)(const uint8_t*, size_t, d3dx9img::Image*);

inline int Run(InfoReader info, Decoder decode, const uint8_t* data, size_t size) {
    if (size > (2u << 20)) return 0;  // the game's largest picture file is 1.6 MB
    // An exact-size copy, so that any read past the end is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    d3dx9img::ImageInfo header;
    const d3dx9img::DecodeStatus headerStatus = info(bytes.data(), bytes.size(), &header);
    d3dx9img::Image image;
    const d3dx9img::DecodeStatus status = decode(bytes.data(), bytes.size(), &image);
    if (status != d3dx9img::DecodeStatus::kOk) return 0;
    // What decodes has a header that reads, and they describe the same picture.
    if (headerStatus != d3dx9img::DecodeStatus::kOk) std::abort();
    if (header.width != image.info.width || header.height != image.info.height) std::abort();
    if (!d3dx9img::DimensionsAcceptable(image.width, image.height)) std::abort();
    if (image.pixels.size() != size_t(image.width) * image.height) std::abort();
    return 0;
}

}  // namespace fuzzimage
