// LZSS blocks: the format's hand vectors, round trips through the pack tool's
// encoder, and damaged blocks refused without reading outside the input.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/core/KestraLog.h"
#include "engine/core/KestraLzss.h"
#include "tools/kestra-pack/LzssEncoder.h"

namespace {

std::vector<uint8_t> Block(uint32_t decodedSize, const std::vector<uint8_t>& stream) {
    std::vector<uint8_t> block = {'L', 'Z', 'S', 'S'};
    for (int i = 0; i < 4; ++i) block.push_back(static_cast<uint8_t>(decodedSize >> (8 * i)));
    block.insert(block.end(), stream.begin(), stream.end());
    return block;
}

// Decodes into an exactly sized heap buffer so ASan sees any write past it.
bool Decode(const std::vector<uint8_t>& block, std::vector<uint8_t>* out) {
    const int32_t size = KestraFile::GetLzssSize(block.data(), static_cast<uint32_t>(block.size()));
    if (size < 0) return false;
    out->assign(static_cast<size_t>(size), 0xCC);
    // A heap copy of the block of exactly its size, so reads past it are caught.
    std::vector<uint8_t> exact(block);
    return KestraFile::DecodeLzssStream(exact.data(), static_cast<uint32_t>(exact.size()), out->data(),
                                        static_cast<uint32_t>(out->size()));
}

std::string Str(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

TEST(Lzss, HandVectors) {
    std::vector<uint8_t> out;
    ASSERT_TRUE(Decode(Block(3, {0x07, 'a', 'b', 'c'}), &out));
    EXPECT_EQ(Str(out), "abc");

    // A reference to the write start 0xFF0, length 6, overlapping its own output.
    ASSERT_TRUE(Decode(Block(9, {0x07, 'a', 'b', 'c', 0xF0, 0xF3}), &out));
    EXPECT_EQ(Str(out), "abcabcabc");

    // A stream may begin with a reference: the ring starts zeroed.
    ASSERT_TRUE(Decode(Block(3, {0x00, 0x00, 0x00}), &out));
    EXPECT_EQ(out, std::vector<uint8_t>(3, 0));
    ASSERT_TRUE(Decode(Block(18, {0x00, 0x34, 0x1F}), &out));
    EXPECT_EQ(out, std::vector<uint8_t>(18, 0));
}

TEST(Lzss, WritePositionWrapsAroundTheRing) {
    // 17 literals fill ring positions 0xFF0..0xFFF and 0x000; a reference to
    // position 0x000 then reads the 17th literal and its own output.
    std::vector<uint8_t> stream;
    std::string expected;
    for (int group = 0; group < 2; ++group) {
        stream.push_back(0xFF);
        for (int i = 0; i < 8; ++i) {
            const char c = static_cast<char>('A' + group * 8 + i);
            stream.push_back(static_cast<uint8_t>(c));
            expected += c;
        }
    }
    stream.push_back(0x01);  // literal, then a reference
    stream.push_back('Q');
    expected += 'Q';
    stream.push_back(0x00);
    stream.push_back(0x00);  // position 0, length 3
    expected += "QQQ";
    std::vector<uint8_t> out;
    ASSERT_TRUE(Decode(Block(static_cast<uint32_t>(expected.size()), stream), &out));
    EXPECT_EQ(Str(out), expected);
}

TEST(Lzss, DecodingStopsAtTheStatedSize) {
    std::vector<uint8_t> out;
    // The reference would give 18 bytes; only 5 are wanted, and trailing input is ignored.
    ASSERT_TRUE(Decode(Block(5, {0x01, 'x', 0xF0, 0xFF, 0x99, 0x99, 0x99}), &out));
    EXPECT_EQ(Str(out), "xxxxx");
}

TEST(Lzss, ZeroSizeDecodesToNothing) {
    // Output buffer of size 0 (null data): nothing may be written.
    const std::vector<uint8_t> block = Block(0, {});
    EXPECT_EQ(KestraFile::GetLzssSize(block.data(), static_cast<uint32_t>(block.size())), 0);
    EXPECT_TRUE(KestraFile::DecodeLzssStream(block.data(), static_cast<uint32_t>(block.size()), nullptr, 0));
}

TEST(Lzss, NotABlock) {
    const std::vector<uint8_t> plain = {'L', 'Z', 'S', 'X', 3, 0, 0, 0, 7, 'a', 'b', 'c'};
    EXPECT_EQ(KestraFile::GetLzssSize(plain.data(), static_cast<uint32_t>(plain.size())), -1);
    uint8_t out[8];
    EXPECT_FALSE(KestraFile::DecodeLzssStream(plain.data(), static_cast<uint32_t>(plain.size()), out, sizeof(out)));
    // Shorter than a header: never read as one.
    const std::vector<uint8_t> tiny = {'L', 'Z', 'S', 'S', 3};
    EXPECT_EQ(KestraFile::GetLzssSize(tiny.data(), static_cast<uint32_t>(tiny.size())), -1);
}

TEST(Lzss, OutputTooSmallIsRefused) {
    const std::vector<uint8_t> block = Block(3, {0x07, 'a', 'b', 'c'});
    uint8_t out[2];
    EXPECT_FALSE(KestraFile::DecodeLzssStream(block.data(), static_cast<uint32_t>(block.size()), out, sizeof(out)));
}

TEST(Lzss, ImpossibleSizesAreRefusedBeforeAllocating) {
    // 4 GiB claimed by a 3-byte stream: refused without asking for the memory.
    const std::vector<uint8_t> huge = Block(0xFFFFFFFFu, {0x00, 0x00, 0x00});
    EXPECT_EQ(KestraFile::GetLzssSize(huge.data(), static_cast<uint32_t>(huge.size())), -1);
    auto* data = static_cast<uint8_t*>(Kestra::MemoryAlloc(static_cast<uint32_t>(huge.size())));
    std::memcpy(data, huge.data(), huge.size());
    uint32_t size = static_cast<uint32_t>(huge.size());
    uint8_t* before = data;
    EXPECT_FALSE(KestraFile::DecodeLzss(&data, &size));
    EXPECT_EQ(data, before);  // the caller keeps its buffer
    EXPECT_EQ(size, huge.size());
    Kestra::MemoryFree(data);

    // The most a stream can yield is 144 bytes per 17 and one group: one byte more is refused.
    std::vector<uint8_t> stream(17, 0);
    EXPECT_EQ(KestraFile::GetLzssSize(Block(288, stream).data(), 8 + 17), 288);
    EXPECT_EQ(KestraFile::GetLzssSize(Block(289, stream).data(), 8 + 17), -1);
}

TEST(Lzss, DecodeLzssReplacesTheBufferOrLeavesPlainData) {
    const std::string text = "plain bytes that are not a block";
    auto* data = static_cast<uint8_t*>(Kestra::MemoryAlloc(static_cast<uint32_t>(text.size())));
    std::memcpy(data, text.data(), text.size());
    uint32_t size = static_cast<uint32_t>(text.size());
    uint8_t* before = data;
    EXPECT_TRUE(KestraFile::DecodeLzss(&data, &size));
    EXPECT_EQ(data, before);
    EXPECT_EQ(size, text.size());
    Kestra::MemoryFree(data);

    // Data shorter than a header passes through unchanged.
    data = static_cast<uint8_t*>(Kestra::MemoryAlloc(3));
    std::memcpy(data, "LZS", 3);
    size = 3;
    EXPECT_TRUE(KestraFile::DecodeLzss(&data, &size));
    EXPECT_EQ(size, 3u);
    Kestra::MemoryFree(data);

    const std::vector<uint8_t> block = Block(9, {0x07, 'a', 'b', 'c', 0xF0, 0xF3});
    data = static_cast<uint8_t*>(Kestra::MemoryAlloc(static_cast<uint32_t>(block.size())));
    std::memcpy(data, block.data(), block.size());
    size = static_cast<uint32_t>(block.size());
    ASSERT_TRUE(KestraFile::DecodeLzss(&data, &size));
    EXPECT_EQ(size, 9u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), "abcabcabc");
    Kestra::MemoryFree(data);
}

std::vector<uint8_t> RoundTrip(const std::vector<uint8_t>& input, size_t* encodedSize = nullptr) {
    const std::vector<uint8_t> block = kestrapack::LzssEncodeBlock(input.data(), input.size());
    if (encodedSize) *encodedSize = block.size();
    std::vector<uint8_t> out;
    EXPECT_TRUE(Decode(block, &out));
    return out;
}

TEST(Lzss, RoundTripsThroughTheEncoder) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 300; ++round) {
        const size_t size = rng() % (round < 200 ? 300 : 20000);
        std::vector<uint8_t> input(size);
        switch (round % 5) {
            case 0:  // noise
                for (auto& b : input) b = static_cast<uint8_t>(rng());
                break;
            case 1:  // few symbols: many short matches
                for (auto& b : input) b = static_cast<uint8_t>('a' + rng() % 3);
                break;
            case 2:  // zeros and runs, which reach into the zeroed ring
                for (size_t i = 0; i < size; ++i) input[i] = (i / 37) % 2 ? 0 : static_cast<uint8_t>(i / 300);
                break;
            case 3: {  // copies from far back, up to and beyond the ring's reach
                for (size_t i = 0; i < size; ++i) {
                    const size_t back = 4090 + rng() % 12;
                    input[i] = i >= back && rng() % 8 ? input[i - back] : static_cast<uint8_t>(rng());
                }
                break;
            }
            default: {  // text
                const char* words[] = {"Kestra ", "pack ", "ring ", "\x83\x5C", "\x95\x5C", "data ", "\n"};
                size_t i = 0;
                while (i < size) {
                    const char* w = words[rng() % 7];
                    for (; *w && i < size; ++w) input[i++] = static_cast<uint8_t>(*w);
                }
            }
        }
        ASSERT_EQ(RoundTrip(input), input) << "round " << round << " size " << size;
    }
}

TEST(Lzss, EncoderFindsLongMatches) {
    // A repeated 1 KiB text should shrink to little more than its first copy.
    std::mt19937 rng(7);
    std::vector<uint8_t> unit(1024);
    for (auto& b : unit) b = static_cast<uint8_t>(rng());
    std::vector<uint8_t> input;
    for (int i = 0; i < 64; ++i) input.insert(input.end(), unit.begin(), unit.end());
    size_t encoded = 0;
    EXPECT_EQ(RoundTrip(input, &encoded), input);
    // 63 KiB of repeats in 18-byte references (17 bytes per 8 references) is about
    // 7.5 KiB, plus the first copy at 9/8 of its size.
    EXPECT_LT(encoded, 1024 * 9 / 8 + 63 * 1024 * 17 / (8 * 18) + 64);

    std::vector<uint8_t> zeros(100000, 0);
    EXPECT_EQ(RoundTrip(zeros, &encoded), zeros);
    EXPECT_LT(encoded, 100000 * 17 / (8 * 18) + 64);
}

TEST(Lzss, EveryTruncationIsRefused) {
    std::mt19937 rng(99);
    std::vector<uint8_t> input(3000);
    for (size_t i = 0; i < input.size(); ++i) input[i] = i % 50 < 20 ? static_cast<uint8_t>(rng()) : 'z';
    const std::vector<uint8_t> block = kestrapack::LzssEncodeBlock(input.data(), input.size());
    for (size_t cut = 0; cut < block.size(); ++cut) {
        std::vector<uint8_t> prefix(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(cut));
        std::vector<uint8_t> out(input.size());
        EXPECT_FALSE(KestraFile::DecodeLzssStream(prefix.data(), static_cast<uint32_t>(prefix.size()), out.data(),
                                                  static_cast<uint32_t>(out.size())))
            << "cut at " << cut;
    }
}

TEST(Lzss, CorruptedBlocksStayInBounds) {
    std::mt19937 rng(5);
    std::vector<uint8_t> input(5000);
    for (size_t i = 0; i < input.size(); ++i) input[i] = static_cast<uint8_t>(i % 200 < 100 ? rng() % 4 : i);
    const std::vector<uint8_t> block = kestrapack::LzssEncodeBlock(input.data(), input.size());
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> damaged = block;
        const int flips = 1 + static_cast<int>(rng() % 4);
        for (int f = 0; f < flips; ++f) damaged[8 + rng() % (damaged.size() - 8)] ^= static_cast<uint8_t>(1 + rng() % 255);
        // Some damage lies about the size too.
        if (round % 3 == 0) damaged[4 + rng() % 4] = static_cast<uint8_t>(rng());
        const int32_t size = KestraFile::GetLzssSize(damaged.data(), static_cast<uint32_t>(damaged.size()));
        if (size < 0) continue;
        // The output between two guards, which no damage may reach.
        constexpr size_t kGuard = 32;
        std::vector<uint8_t> out(static_cast<size_t>(size) + 2 * kGuard, 0xA5);
        KestraFile::DecodeLzssStream(damaged.data(), static_cast<uint32_t>(damaged.size()), out.data() + kGuard,
                                     static_cast<uint32_t>(size));
        for (size_t i = 0; i < kGuard; ++i) {
            ASSERT_EQ(out[i], 0xA5) << "round " << round;
            ASSERT_EQ(out[out.size() - 1 - i], 0xA5) << "round " << round;
        }
    }
}

TEST(Lzss, HeaderlessStreamsForArchives) {
    const std::vector<uint8_t> stream = {0x07, 'a', 'b', 'c', 0xF0, 0xF3};
    std::vector<uint8_t> out(9);
    ASSERT_TRUE(KestraFile::DecodeLzssBytes(stream.data(), static_cast<uint32_t>(stream.size()), out.data(), 9));
    EXPECT_EQ(Str(out), "abcabcabc");
    std::vector<uint8_t> more(10);
    EXPECT_FALSE(KestraFile::DecodeLzssBytes(stream.data(), static_cast<uint32_t>(stream.size()), more.data(), 10));
}

}  // namespace
