// LZSS blocks: "LZSS", u32 decoded size (little-endian), then the coded stream.
// Stream: a flag byte announces eight items, least significant bit first; a set
// bit is a literal byte, a clear bit a reference of two bytes b0 b1 into a 4096-byte
// ring (position b0 | (b1 & 0xF0) << 4, length (b1 & 0x0F) + 3). The ring starts
// zeroed with its write position at 0xFF0.
#pragma once

#include <cstdint>

namespace KestraFile {

constexpr uint32_t kLzssHeaderSize = 8;
constexpr uint32_t kLzssRingSize = 4096;
constexpr uint32_t kLzssRingStart = 0xFF0;
constexpr uint32_t kLzssMinMatch = 3;
constexpr uint32_t kLzssMaxMatch = 18;

// The decoded size stored in a block, or -1 when the data (of size bytes) is not
// an LZSS block or states a size no stream could hold.
int32_t GetLzssSize(const void* data, uint32_t size);

// The largest output a stream of streamSize bytes can produce; a block claiming
// more is corrupt.
uint64_t MaxLzssDecodedSize(uint64_t streamSize);

// Decodes a header-less stream into exactly outSize bytes. False when the input
// ends before that many bytes came out. Never reads or writes outside the two
// buffers. Extra input after the last needed item is ignored.
bool DecodeLzssBytes(const uint8_t* stream, uint32_t streamSize, uint8_t* out, uint32_t outSize);

// Decodes a whole block (header included) into out, which holds outSize bytes.
// False when the magic is missing, the stored size exceeds outSize or the stream
// is cut short.
bool DecodeLzssStream(const void* block, uint32_t blockSize, void* out, uint32_t outSize);

// Replaces *data (a Kestra::MemoryAlloc block of *size bytes) by its decoded bytes
// when it is an LZSS block, held in a Kestra::MemoryAllocLoaded block; other
// data is left alone and answers true. On a corrupt block, or one whose decoded
// bytes the budget for loaded data has no room for, the old buffer stays in
// place and the answer is false.
bool DecodeLzss(uint8_t** data, uint32_t* size);

}  // namespace KestraFile
