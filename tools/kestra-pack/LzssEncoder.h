// LZSS encoder for the engine's block format: 4096-byte ring starting zeroed with
// its write position at 0xFF0, references of 3..18 bytes, flag bits LSB first
// (set = literal). A hash-chain matcher with one step of lazy matching.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrapack {

struct LzssOptions {
    // Candidates looked at per position; more finds longer matches, slower.
    int maxChain = 256;
    bool lazy = true;
};

// The coded stream alone (no header).
std::vector<uint8_t> LzssEncodeStream(const uint8_t* data, size_t size, const LzssOptions& options = {});
// A whole block: "LZSS", u32 decoded size (little-endian), the stream.
std::vector<uint8_t> LzssEncodeBlock(const uint8_t* data, size_t size, const LzssOptions& options = {});

}  // namespace kestrapack
