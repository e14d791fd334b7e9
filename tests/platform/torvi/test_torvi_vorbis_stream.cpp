// The Ogg Vorbis decoder itself (built into this test as into the player):
// bytes after the last page, and pages that fail their checksum.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/torvi/TorviDecoder.h"
#include "tests/platform/torvi/torvi_test_util.h"

using namespace torvitest;

namespace {

// The decoded frames of a whole sound, read in blocks.
std::vector<int16_t> ReadAll(torvi::Decoder* decoder) {
    std::vector<int16_t> samples, block(4096 * 2);
    for (uint32_t got; (got = decoder->Read(block.data(), 4096)) > 0;)
        samples.insert(samples.end(), block.begin(), block.begin() + got * decoder->channels());
    return samples;
}

// The bytes must outlive the decoder.
std::unique_ptr<torvi::Decoder> Open(const std::string& bytes, std::string* error) {
    return torvi::OpenOggVorbis(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), error);
}

class VorbisStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        ogg_ = EncodeOgg(Tone(30000, 2, 44100), 2, 44100, nullptr, true);
        std::string error;
        auto decoder = Open(ogg_, &error);
        ASSERT_NE(decoder, nullptr) << error;
        frames_ = decoder->frames();
        samples_ = ReadAll(decoder.get());
        ASSERT_EQ(samples_.size(), frames_ * 2);
    }
    std::string ogg_;
    uint64_t frames_ = 0;
    std::vector<int16_t> samples_;
};

TEST_F(VorbisStreamTest, WhatFollowsTheLastPageIsNoPartOfTheSound) {
    // The last page (with its "OggS"), to be cut short.
    const std::string lastPage = ogg_.substr(ogg_.rfind("OggS"));
    std::string text;
    for (int i = 0; text.size() < 100000; ++i) text += "Ogg tag " + std::to_string(i) + " OOOO ";
    struct Case {
        const char* name;
        std::string tail;
    } const cases[] = {
        {"zeros", std::string(1 << 20, '\0')},
        {"text with O and Ogg", text},
        {"a page cut short", lastPage.substr(0, lastPage.size() / 2)},
        {"a header of a page only", lastPage.substr(0, 27)},
        {"broken pages", BrokenPages(200000)},
        {"broken pages and zeros", BrokenPages(70000) + std::string(300000, '\0')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bytes = ogg_ + c.tail;
        std::string error;
        auto decoder = Open(bytes, &error);
        ASSERT_NE(decoder, nullptr) << error;
        EXPECT_EQ(decoder->frames(), frames_);
        EXPECT_EQ(ReadAll(decoder.get()), samples_);
        // Seeking finds the same frames, to the end and back.
        ASSERT_TRUE(decoder->Seek(frames_ - 100));
        std::vector<int16_t> end(400);
        EXPECT_EQ(decoder->Read(end.data(), 200), 100u);
        EXPECT_TRUE(std::equal(end.begin(), end.begin() + 200, samples_.end() - 200));
        ASSERT_TRUE(decoder->Seek(frames_ / 3));
        std::vector<int16_t> middle(200);
        EXPECT_EQ(decoder->Read(middle.data(), 100), 100u);
        EXPECT_TRUE(std::equal(middle.begin(), middle.end(), samples_.begin() + frames_ / 3 * 2));
    }
}

TEST_F(VorbisStreamTest, PagesThatFailTheirChecksumAreBoundedToTheByte) {
    constexpr uint64_t kLimit = uint64_t{16} << 20;
    // Damage within the sound (two pages' checksums broken) still plays,
    // without what those pages held.
    std::string damaged = ogg_;
    int broken = 0;
    for (size_t at = damaged.find("OggS", ogg_.size() / 3); broken < 2; at = damaged.find("OggS", at + 4), ++broken)
        damaged[at + 22] = static_cast<char>(damaged[at + 22] ^ 0x55);
    std::string error;
    auto decoder = Open(damaged, &error);
    ASSERT_NE(decoder, nullptr) << error;
    EXPECT_LT(decoder->frames(), frames_);
    EXPECT_GT(decoder->frames(), frames_ * 3 / 4);
    const std::vector<int16_t> played = ReadAll(decoder.get());
    EXPECT_EQ(played.size(), decoder->frames() * 2);

    // Broken pages spanning the limit exactly are read past; a byte more is refused.
    for (const std::string& where : {std::string("after"), std::string("between")}) {
        SCOPED_TRACE(where);
        for (uint64_t bytes : {kLimit, kLimit + 1}) {
            const std::string junk = BrokenPages(bytes);
            ASSERT_EQ(junk.size(), bytes);
            // Between two audio pages a third of the way in.
            const size_t cut = where == "after" ? ogg_.size() : ogg_.find("OggS", ogg_.size() / 3);
            ASSERT_NE(cut, std::string::npos);
            const std::string file = ogg_.substr(0, cut) + junk + ogg_.substr(cut);
            std::string error;
            auto decoder = Open(file, &error);
            if (bytes == kLimit) {
                ASSERT_NE(decoder, nullptr) << error;
                EXPECT_EQ(decoder->frames(), frames_);
                if (where == "between") {
                    EXPECT_EQ(ReadAll(decoder.get()), samples_);
                }
            } else {
                EXPECT_EQ(decoder, nullptr);
                EXPECT_EQ(error, "damaged Ogg Vorbis pages: more than 16777216 bytes fail their checksum");
            }
        }
    }
}

// libvorbisfile searches for the last page backwards from the end of what it
// is given, reading to the end again at every step: over the 128 MB of junk
// that the sound memory lets a sound hold, that takes a quarter of a minute.
// Opened in a child that is killed after 5 s of processor time.
TEST_F(VorbisStreamTest, TheLargestJunkTailASoundCanHoldOpensInAChildKilledAfterFiveSecondsOfProcessorTime) {
    std::string file = ogg_;
    file.resize(size_t{128} << 20, '\0');
    const uint64_t frames = frames_;
    const int status = testsupport::RunInChild([&] {
        const rlimit cpu{5, 6}, core{0, 0};
        setrlimit(RLIMIT_CORE, &core);
        setrlimit(RLIMIT_CPU, &cpu);
        std::string error;
        auto decoder = Open(file, &error);
        return decoder && decoder->frames() == frames ? 0 : 1;
    });
    EXPECT_EQ(status, 0) << (status == 128 + SIGXCPU ? "out of processor time" : "not opened whole");
}

}  // namespace
