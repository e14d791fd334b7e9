// PNG reader over libpng. libpng reports errors by longjmp: everything that
// owns memory lives in objects created before the setjmp, so a jump back
// releases them normally on return.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <new>

#include "platform/d3dx9/image_decode.h"

namespace d3dx9img::detail {
namespace {

struct PngState {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<png_bytep> rows;

    ~PngState() {
        if (png != nullptr) png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    }
};

void ReadCallback(png_structp png, png_bytep out, png_size_t length) {
    auto* state = static_cast<PngState*>(png_get_io_ptr(png));
    if (length > state->size - state->pos) png_error(png, "truncated");
    std::memcpy(out, state->data + state->pos, length);
    state->pos += length;
}

void ErrorCallback(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void WarningCallback(png_structp, png_const_charp) {}

// The format D3DX reports for a PNG: its own layout, without conversion.
uint32_t ReportedFormat(int colorType, int bitDepth, bool hasTrns) {
    switch (colorType) {
        case PNG_COLOR_TYPE_GRAY:
            if (bitDepth == 16 && !hasTrns) return kFmtL16;
            if (bitDepth == 16) return kFmtA16B16G16R16;
            return hasTrns ? kFmtA8L8 : kFmtL8;
        case PNG_COLOR_TYPE_GRAY_ALPHA: return bitDepth == 16 ? kFmtA16B16G16R16 : kFmtA8L8;
        case PNG_COLOR_TYPE_PALETTE: return kFmtP8;
        case PNG_COLOR_TYPE_RGB:
            if (bitDepth == 16) return kFmtA16B16G16R16;
            return hasTrns ? kFmtA8R8G8B8 : kFmtX8R8G8B8;
        case PNG_COLOR_TYPE_RGB_ALPHA: return bitDepth == 16 ? kFmtA16B16G16R16 : kFmtA8R8G8B8;
        default: return kFmtUnknown;
    }
}

DecodeStatus ReadPng(const uint8_t* data, size_t size, ImageInfo* info, Image* image) {
    if (size < 8 || png_sig_cmp(data, 0, 8) != 0) return DecodeStatus::kInvalidData;
    PngState state;
    state.data = data;
    state.size = size;
    state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorCallback, WarningCallback);
    if (state.png == nullptr) return DecodeStatus::kOutOfMemory;
    state.info = png_create_info_struct(state.png);
    if (state.info == nullptr) return DecodeStatus::kOutOfMemory;

    if (setjmp(png_jmpbuf(state.png))) return DecodeStatus::kInvalidData;

    png_set_read_fn(state.png, &state, ReadCallback);
    png_set_user_limits(state.png, kMaxDimension, kMaxDimension);
    // Only IHDR, PLTE, tRNS, IDAT and IEND make the picture; every other chunk is
    // skipped unread, so none is held in memory whatever length it claims.
    png_set_keep_unknown_chunks(state.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(state.png, state.info);

    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0;
    png_get_IHDR(state.png, state.info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
    if (!DimensionsAcceptable(width, height)) return DecodeStatus::kInvalidData;
    const bool hasTrns = png_get_valid(state.png, state.info, PNG_INFO_tRNS) != 0;

    ImageInfo out;
    out.width = width;
    out.height = height;
    out.format = ReportedFormat(colorType, bitDepth, hasTrns);
    out.fileFormat = kFilePng;
    if (out.format == kFmtUnknown) return DecodeStatus::kInvalidData;
    if (image == nullptr) {
        *info = out;
        return DecodeStatus::kOk;
    }

    // Everything becomes 8-bit R, G, B, A; 16-bit samples are scaled to the
    // nearest 8-bit value. No gamma is applied: the file's samples are the picture.
    png_set_expand(state.png);
    png_set_scale_16(state.png);
    png_set_gray_to_rgb(state.png);
    if ((colorType & PNG_COLOR_MASK_ALPHA) == 0 && !hasTrns) png_set_filler(state.png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(state.png);
    png_read_update_info(state.png, state.info);
    if (png_get_rowbytes(state.png, state.info) != size_t(width) * 4) return DecodeStatus::kInvalidData;

    // Rows are read as R, G, B, A bytes straight into the pixel store and turned
    // into ARGB words in place afterwards: no second copy of a large picture.
    if (!AllocatePixels(image, width, height)) return DecodeStatus::kOutOfMemory;
    uint8_t* bytes = reinterpret_cast<uint8_t*>(image->pixels.data());
    try {
        state.rows.resize(height);
    } catch (const std::bad_alloc&) {
        return DecodeStatus::kOutOfMemory;
    }
    for (png_uint_32 y = 0; y < height; ++y) state.rows[y] = bytes + size_t(y) * width * 4;
    png_read_image(state.png, state.rows.data());
    png_read_end(state.png, nullptr);

    for (size_t i = 0; i < image->pixels.size(); ++i) {
        const uint8_t* p = bytes + 4 * i;
        image->pixels[i] = Argb(p[3], p[0], p[1], p[2]);
    }
    image->info = out;
    return DecodeStatus::kOk;
}

}  // namespace

DecodeStatus PngInfo(const uint8_t* data, size_t size, ImageInfo* info) { return ReadPng(data, size, info, nullptr); }

DecodeStatus PngDecode(const uint8_t* data, size_t size, Image* image) {
    ImageInfo unused;
    return ReadPng(data, size, &unused, image);
}

}  // namespace d3dx9img::detail
