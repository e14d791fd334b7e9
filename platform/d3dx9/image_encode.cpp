// Image file writers.
#include "platform/d3dx9/image_encode.h"

#include <cstdio>  // jpeglib.h needs FILE and size_t first

#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <new>

namespace d3dx9img {
namespace {

void Put16(std::vector<uint8_t>& o, uint32_t v) {
    o.push_back(uint8_t(v));
    o.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& o, uint32_t v) {
    for (int i = 0; i < 4; ++i) o.push_back(uint8_t(v >> (8 * i)));
}

}  // namespace

bool FormatHasAlpha(uint32_t format) {
    switch (format) {
        case kFmtA8R8G8B8:
        case kFmtA1R5G5B5:
        case kFmtA4R4G4B4:
        case kFmtA8:
        case kFmtA8R3G3B2:
        case kFmtA2B10G10R10:
        case kFmtA8B8G8R8:
        case kFmtA2R10G10B10:
        case kFmtA16B16G16R16:
        case kFmtA8L8:
        case kFmtA4L4:
        case kFmtDXT1:
        case kFmtDXT2:
        case kFmtDXT3:
        case kFmtDXT4:
        case kFmtDXT5: return true;
        default: return false;
    }
}

bool EncodeBmp(const Image& image, bool alpha, std::vector<uint8_t>* out) {
    const uint32_t w = image.width, h = image.height;
    const uint32_t headerSize = alpha ? 108 : 40;
    const uint64_t stride = alpha ? uint64_t(w) * 4 : (uint64_t(w) * 3 + 3) & ~uint64_t(3);
    const uint64_t dataSize = stride * h;
    const uint64_t fileSize = 14 + headerSize + dataSize;
    if (w == 0 || h == 0 || fileSize > 0x7FFFFFFF) return false;
    std::vector<uint8_t>& o = *out;
    o.clear();
    o.reserve(size_t(fileSize));
    o.push_back('B');
    o.push_back('M');
    Put32(o, uint32_t(fileSize));
    Put32(o, 0);
    Put32(o, 14 + headerSize);
    Put32(o, headerSize);
    Put32(o, w);
    Put32(o, h);
    Put16(o, 1);
    Put16(o, alpha ? 32 : 24);
    Put32(o, alpha ? 3 : 0);  // BI_BITFIELDS : BI_RGB
    Put32(o, uint32_t(dataSize));
    Put32(o, 2835);  // 72 dpi
    Put32(o, 2835);
    Put32(o, 0);
    Put32(o, 0);
    if (alpha) {
        Put32(o, 0x00FF0000);
        Put32(o, 0x0000FF00);
        Put32(o, 0x000000FF);
        Put32(o, 0xFF000000);
        Put32(o, 0x73524742);  // 'sRGB'
        for (int i = 0; i < 12; ++i) Put32(o, 0);  // endpoints and gamma, unused with sRGB
    }
    for (uint32_t y = h; y-- > 0;) {
        const uint32_t* row = image.pixels.data() + size_t(y) * w;
        const size_t start = o.size();
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t v = row[x];
            o.push_back(uint8_t(v));
            o.push_back(uint8_t(v >> 8));
            o.push_back(uint8_t(v >> 16));
            if (alpha) o.push_back(uint8_t(v >> 24));
        }
        while (o.size() - start < stride) o.push_back(0);
    }
    return true;
}

bool EncodeTga(const Image& image, bool alpha, std::vector<uint8_t>* out) {
    const uint32_t w = image.width, h = image.height;
    if (w == 0 || h == 0 || w > 0xFFFF || h > 0xFFFF) return false;
    std::vector<uint8_t>& o = *out;
    o.assign(18, 0);
    o[2] = 2;  // uncompressed true colour
    o[12] = uint8_t(w);
    o[13] = uint8_t(w >> 8);
    o[14] = uint8_t(h);
    o[15] = uint8_t(h >> 8);
    o[16] = alpha ? 32 : 24;
    o[17] = alpha ? 0x28 : 0x20;  // top-left origin, 8 alpha bits
    o.reserve(18 + size_t(w) * h * (alpha ? 4 : 3));
    for (uint32_t v : image.pixels) {
        o.push_back(uint8_t(v));
        o.push_back(uint8_t(v >> 8));
        o.push_back(uint8_t(v >> 16));
        if (alpha) o.push_back(uint8_t(v >> 24));
    }
    return true;
}

namespace {

struct PngWriteState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<uint8_t>* out = nullptr;
    std::vector<uint8_t> row;
    ~PngWriteState() {
        if (png != nullptr) png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    }
};

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* state = static_cast<PngWriteState*>(png_get_io_ptr(png));
    bool failed = false;
    try {
        state->out->insert(state->out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        failed = true;
    }
    if (failed) png_error(png, "out of memory");
}
void PngFlush(png_structp) {}
void PngErrorExit(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

}  // namespace

bool EncodePng(const Image& image, bool alpha, std::vector<uint8_t>* out) {
    const uint32_t w = image.width, h = image.height;
    if (w == 0 || h == 0) return false;
    out->clear();
    PngWriteState state;
    state.out = out;
    state.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngErrorExit, PngWarning);
    if (state.png == nullptr) return false;
    state.info = png_create_info_struct(state.png);
    if (state.info == nullptr) return false;
    try {
        state.row.resize(size_t(w) * 4);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (setjmp(png_jmpbuf(state.png))) return false;
    png_set_write_fn(state.png, &state, PngWrite, PngFlush);
    png_set_IHDR(state.png, state.info, w, h, 8, alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(state.png, state.info);
    for (uint32_t y = 0; y < h; ++y) {
        const uint32_t* src = image.pixels.data() + size_t(y) * w;
        uint8_t* p = state.row.data();
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t v = src[x];
            *p++ = uint8_t(v >> 16);
            *p++ = uint8_t(v >> 8);
            *p++ = uint8_t(v);
            if (alpha) *p++ = uint8_t(v >> 24);
        }
        png_write_row(state.png, state.row.data());
    }
    png_write_end(state.png, nullptr);
    return true;
}

namespace {

struct JpegWriteError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

void JpegErrorExit(j_common_ptr cinfo) { longjmp(reinterpret_cast<JpegWriteError*>(cinfo->err)->jump, 1); }
void JpegSilent(j_common_ptr) {}

struct JpegWriteState {
    jpeg_compress_struct cinfo;
    JpegWriteError err;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    bool created = false;
    std::vector<uint8_t> row;
    ~JpegWriteState() {
        if (created) jpeg_destroy_compress(&cinfo);
        free(buffer);
    }
};

}  // namespace

bool EncodeJpeg(const Image& image, std::vector<uint8_t>* out) {
    const uint32_t w = image.width, h = image.height;
    if (w == 0 || h == 0 || w > 65500 || h > 65500) return false;
    JpegWriteState state;
    try {
        state.row.resize(size_t(w) * 3);
    } catch (const std::bad_alloc&) {
        return false;
    }
    state.cinfo.err = jpeg_std_error(&state.err.mgr);
    state.err.mgr.error_exit = JpegErrorExit;
    state.err.mgr.output_message = JpegSilent;
    if (setjmp(state.err.jump)) return false;
    jpeg_create_compress(&state.cinfo);
    state.created = true;
    jpeg_mem_dest(&state.cinfo, &state.buffer, &state.size);
    state.cinfo.image_width = w;
    state.cinfo.image_height = h;
    state.cinfo.input_components = 3;
    state.cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&state.cinfo);
    jpeg_set_quality(&state.cinfo, 90, TRUE);
    jpeg_start_compress(&state.cinfo, TRUE);
    while (state.cinfo.next_scanline < h) {
        const uint32_t* src = image.pixels.data() + size_t(state.cinfo.next_scanline) * w;
        uint8_t* p = state.row.data();
        for (uint32_t x = 0; x < w; ++x) {
            *p++ = uint8_t(src[x] >> 16);
            *p++ = uint8_t(src[x] >> 8);
            *p++ = uint8_t(src[x]);
        }
        JSAMPROW rows[1] = {state.row.data()};
        jpeg_write_scanlines(&state.cinfo, rows, 1);
    }
    jpeg_finish_compress(&state.cinfo);
    try {
        out->assign(state.buffer, state.buffer + state.size);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool EncodeDds(uint32_t format, const std::vector<RawLevel>& levels, std::vector<uint8_t>* out) {
    DdsPixelFormat pf;
    if (levels.empty() || !DdsPixelFormatOf(format, &pf)) return false;
    const RawLevel& top = levels[0];
    const uint32_t blockBytes = DxtBlockBytes(format);
    const bool mips = levels.size() > 1;
    std::vector<uint8_t>& o = *out;
    o.assign({'D', 'D', 'S', ' '});
    Put32(o, 124);
    // CAPS | HEIGHT | WIDTH | PIXELFORMAT, plus PITCH or LINEARSIZE, plus MIPMAPCOUNT.
    Put32(o, 0x1007 | (blockBytes ? 0x80000 : 0x8) | (mips ? 0x20000 : 0));
    Put32(o, top.height);
    Put32(o, top.width);
    Put32(o, blockBytes ? uint32_t(top.bytes.size()) : top.width * (pf.bitCount / 8));
    Put32(o, 0);
    Put32(o, mips ? uint32_t(levels.size()) : 0);
    for (int i = 0; i < 11; ++i) Put32(o, 0);
    Put32(o, 32);
    Put32(o, pf.flags);
    Put32(o, pf.fourCC);
    Put32(o, pf.bitCount);
    for (uint32_t m : pf.masks) Put32(o, m);
    Put32(o, 0x1000 | (mips ? 0x400008 : 0));  // TEXTURE, plus COMPLEX | MIPMAP
    for (int i = 0; i < 4; ++i) Put32(o, 0);
    for (const RawLevel& level : levels) o.insert(o.end(), level.bytes.begin(), level.bytes.end());
    return true;
}

}  // namespace d3dx9img
