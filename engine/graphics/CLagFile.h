// LAG image archives: named raw images in one file, each in one of four pixel
// kinds and optionally LZSS-compressed. A CLagFile finds one entry, decodes it
// and holds it as a 32-bit DDS image in memory for the image loaders. Make one
// on the stack for one load; the destructor frees the image.
//
// File (little-endian): "LAG\0" (any case), 4 bytes not used, then entries:
//   0 char[16] name (NUL-terminated), 16 u32 width, 20 u32 height,
//   24 u32 kind (0..7), 28 u32 stored size, 32 the stored bytes.
// Kinds: 0 u16 pixel, A in bits 0-3, R 4-7, G 8-11, B 12-15; 1 bytes B G R A;
// 2 u16 B G R A; 3 f32 B G R A (0..1); 4..7 the same, LZSS-compressed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/d3d9/d3d9.h"
#include "platform/win32/types.h"

class CLagFile {
public:
    static constexpr uint32_t kDdsHeaderSize = 128;
    static constexpr uint32_t kEntryHeaderSize = 32;
    static constexpr uint32_t kEntryNameSize = 16;
    // Largest entry accepted: each side fits the DDS header's 16 bits, and the
    // pixel count keeps every buffer (up to 16 bytes a pixel) within 32 bits.
    static constexpr uint32_t kMaxSide = 65535;
    static constexpr uint32_t kMaxPixels = 1u << 26;

    CLagFile();
    // The name one entry is shared under, "archive[entry]" with the archive's file
    // key; false when it does not fit whole, as a cut name could match another's.
    static bool EntryKey(char* out, size_t size, const char* archiveKey, const char* entry);
    CLagFile(const CLagFile&) = delete;
    CLagFile& operator=(const CLagFile&) = delete;

    // Ordered 4x4 dither of a channel value 0..255 at (x, y); the result is
    // 0..255, ready to be cut to 5 or 6 (DitherTo5) or 4 bits (DitherTo4).
    virtual uint32_t DitherTo5(uint32_t value, int32_t x, int32_t y);
    virtual uint32_t DitherTo4(uint32_t value, int32_t x, int32_t y);
    // Converts width x height pixels between kinds (compressed kinds count as
    // their plain ones). Nothing happens for a kind above 7 or an empty size.
    virtual void Convert(int32_t width, int32_t height, uint32_t srcKind, const void* src, uint32_t dstKind,
                         void* dst);
    // Finds the first entry called name (as SameName matches names: ASCII case
    // ignored, a two-byte character compared whole) and answers its
    // decoded size, 0 when it is missing, unusable or damaged. With pixels
    // non-null, also reads and decodes it there; pixels holds pixelsSize bytes
    // and an entry larger than that is refused. Out pointers may be null.
    virtual uint32_t FindEntry(const char* archive, const char* name, uint32_t* width, uint32_t* height,
                               void* pixels, uint32_t pixelsSize, uint32_t* kind);
    // width x height x bytes per pixel of the kind; 0 for a kind above 7 and for
    // sizes beyond kMaxSide / kMaxPixels.
    virtual uint32_t GetPixelBytes(uint32_t width, uint32_t height, uint32_t kind);
    virtual bool IsCompressed(uint32_t kind);
    // Decodes a header-less LZSS stream of streamSize bytes into exactly
    // decodedSize bytes. False when the stream ends first.
    virtual bool Decompress(const void* stream, uint32_t streamSize, void* pixels, uint32_t decodedSize);
    virtual ~CLagFile();
    // Loads the entry as the held DDS image. Null on success, else the error
    // text; on failure no image is held.
    virtual const char* LoadImage(const char* archive, const char* entry);
    virtual void FreeImage();
    // The DDS image (its header included) and the row pitch of its pixels.
    virtual void GetImagePitch(void** image, int32_t* pitch);
    virtual void GetSize(int32_t* width, int32_t* height);
    // Bytes of the DDS image: width x height x 4 + 128 (0 without an image).
    virtual uint32_t GetImageSize();
    virtual void* GetImage();
    // Copies the source rectangle of the image (null: all of it; clipped to the
    // image) to (dstX, dstY) of locked surface memory of the format: 21/22
    // copied, 23/24/25/26/30 dithered at destination coordinates. False for any
    // other format or without an image. The destination must hold the area.
    virtual bool CopyRectToSurface(void* bits, int32_t pitch, D3DFORMAT format, const RECT* srcRect, int32_t dstX,
                                   int32_t dstY);
    virtual bool CopyToSurface(void* bits, int32_t pitch, D3DFORMAT format);

private:
    uint8_t* image_ = nullptr;  // DDS header + width x height B G R A pixels
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t pitch_ = 0;
    bool outOfMemory_ = false;  // the last FindEntry failed for want of memory
};
