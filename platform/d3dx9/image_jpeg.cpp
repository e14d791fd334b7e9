// JPEG reader over libjpeg. Its fatal errors leave through a custom error_exit
// (longjmp back here); a stream that ends early, which libjpeg would only warn
// about and pad with grey, is refused as well.
#include <cstdio>  // jpeglib.h needs FILE and size_t first

#include <jpeglib.h>
#include <jerror.h>

#include <csetjmp>
#include <new>

#include "platform/d3dx9/image_decode.h"

namespace d3dx9img::detail {
namespace {

struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    longjmp(err->jump, 1);
}

void EmitMessage(j_common_ptr cinfo, int level) {
    // Level -1 is a warning about corrupt data; premature end of data is fatal here.
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) ErrorExit(cinfo);
}

void OutputMessage(j_common_ptr) {}

// libjpeg's own memory: a progressive or multi-scan picture keeps every
// coefficient (two bytes a sample, three components at most here) until the
// last scan; the rest is a few rows.
constexpr long kMaxJpegMemory = long(kMaxPixels * 3 * sizeof(JCOEF)) + (16L << 20);
// A progressive stream can hold any number of scans, and a scan of a few bytes
// (end-of-band runs) still visits every block of its component. libjpeg's own
// progressive script visits each block of a three-component picture 14 times;
// the visits are bounded at 32 whole passes over one component of the largest
// picture (under half a second), and the scans at 1,000 for any size.
constexpr uint64_t kMaxScans = 1000;
constexpr uint64_t kMaxBlockVisits = 32 * (kMaxPixels / 64);

struct JpegProgress {
    jpeg_progress_mgr mgr;
    int scan = 0;
    uint64_t visits = 0;
};

void Progress(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    auto* p = reinterpret_cast<JpegProgress*>(d->progress);
    if (d->input_scan_number == p->scan) return;
    // The first call of a scan comes after its header has been set up.
    p->scan = d->input_scan_number;
    p->visits += uint64_t(d->MCUs_per_row) * d->MCU_rows_in_scan * d->blocks_in_MCU;
    if (uint64_t(p->scan) > kMaxScans || p->visits > kMaxBlockVisits) ErrorExit(cinfo);
}

struct JpegState {
    jpeg_decompress_struct cinfo;
    JpegError err;
    JpegProgress progress;
    bool created = false;
    std::vector<uint8_t> row;
    ~JpegState() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
};

DecodeStatus ReadJpeg(const uint8_t* data, size_t size, ImageInfo* info, Image* image) {
    if (size < 3 || data[0] != 0xFF || data[1] != 0xD8) return DecodeStatus::kInvalidData;
    JpegState state;
    state.cinfo.err = jpeg_std_error(&state.err.mgr);
    state.err.mgr.error_exit = ErrorExit;
    state.err.mgr.emit_message = EmitMessage;
    state.err.mgr.output_message = OutputMessage;
    if (setjmp(state.err.jump)) return DecodeStatus::kInvalidData;

    jpeg_create_decompress(&state.cinfo);
    state.created = true;
    state.cinfo.mem->max_memory_to_use = kMaxJpegMemory;
    state.progress.mgr.progress_monitor = Progress;
    state.cinfo.progress = &state.progress.mgr;
    jpeg_mem_src(&state.cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&state.cinfo, TRUE) != JPEG_HEADER_OK) return DecodeStatus::kInvalidData;

    const uint32_t width = state.cinfo.image_width;
    const uint32_t height = state.cinfo.image_height;
    if (!DimensionsAcceptable(width, height)) return DecodeStatus::kInvalidData;
    // Only grey and colour (YCbCr/RGB) pictures; CMYK ones are refused.
    if (state.cinfo.jpeg_color_space != JCS_GRAYSCALE && state.cinfo.jpeg_color_space != JCS_YCbCr &&
        state.cinfo.jpeg_color_space != JCS_RGB)
        return DecodeStatus::kInvalidData;

    ImageInfo out;
    out.width = width;
    out.height = height;
    out.format = kFmtX8R8G8B8;
    out.fileFormat = kFileJpg;
    if (image == nullptr) {
        *info = out;
        return DecodeStatus::kOk;
    }

    state.cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&state.cinfo);
    if (state.cinfo.output_width != width || state.cinfo.output_height != height ||
        state.cinfo.output_components != 3)
        return DecodeStatus::kInvalidData;
    try {
        state.row.resize(size_t(width) * 3);
    } catch (const std::bad_alloc&) {
        return DecodeStatus::kOutOfMemory;
    }
    if (!AllocatePixels(image, width, height)) return DecodeStatus::kOutOfMemory;
    while (state.cinfo.output_scanline < height) {
        const uint32_t y = state.cinfo.output_scanline;
        JSAMPROW rows[1] = {state.row.data()};
        if (jpeg_read_scanlines(&state.cinfo, rows, 1) != 1) return DecodeStatus::kInvalidData;
        uint32_t* dst = image->pixels.data() + size_t(y) * width;
        const uint8_t* p = state.row.data();
        for (uint32_t x = 0; x < width; ++x, p += 3) dst[x] = Argb(0xFF, p[0], p[1], p[2]);
    }
    jpeg_finish_decompress(&state.cinfo);
    image->info = out;
    return DecodeStatus::kOk;
}

}  // namespace

DecodeStatus JpegInfo(const uint8_t* data, size_t size, ImageInfo* info) { return ReadJpeg(data, size, info, nullptr); }

DecodeStatus JpegDecode(const uint8_t* data, size_t size, Image* image) {
    ImageInfo unused;
    DecodeStatus status = ReadJpeg(data, size, &unused, image);
    if (status != DecodeStatus::kOk) *image = Image();
    return status;
}

}  // namespace d3dx9img::detail
