// The effects and the music, decoded by the sound player's own decoders: every
// file opens, levels stay below full scale and are balanced, the music lasts
// 60 to 120 seconds and its end joins its start without a jump.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/torvi/TorviDecoder.h"
#include "tests/tools/demodata/demodata_test_util.h"
#include "tools/demodata/Inventory.h"
#include "tools/demodata/Synth.h"

using namespace demodata;
using namespace demodatatest;

namespace {

std::vector<int16_t> DecodeAll(torvi::Decoder& d) {
    std::vector<int16_t> all(size_t(d.frames()) * d.channels());
    size_t done = 0;
    while (done < d.frames()) {
        const uint32_t got = d.Read(all.data() + done * d.channels(), uint32_t(std::min<uint64_t>(8192, d.frames() - done)));
        if (got == 0) break;
        done += got;
    }
    all.resize(done * d.channels());
    return all;
}

int Peak(const std::vector<int16_t>& s) {
    int p = 0;
    for (int16_t v : s) p = std::max(p, std::abs(int(v)));
    return p;
}

TEST(DemoDataSounds, EffectsArePcmWavesAtBalancedLevels) {
    for (const SoundAsset& s : SoundEffects()) {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(ReadAll(DataDir() + "/" + s.path, &bytes)) << s.path;
        ASSERT_TRUE(torvi::IsWave(bytes.data(), bytes.size())) << s.path;
        std::string error;
        auto d = torvi::OpenWave(bytes.data(), bytes.size(), &error);
        ASSERT_NE(d, nullptr) << s.path << ": " << error;
        EXPECT_EQ(d->rate(), 44100u) << s.path;
        EXPECT_EQ(d->channels(), 1u) << s.path;
        const double seconds = double(d->frames()) / d->rate();
        EXPECT_GT(seconds, 0.03) << s.path;
        EXPECT_LT(seconds, 2.5) << s.path;
        const std::vector<int16_t> pcm = DecodeAll(*d);
        const int peak = Peak(pcm);
        // Loud enough to hear, never clipped; frequent shots stay softer than explosions.
        EXPECT_GT(peak, 32767 / 5) << s.path;
        EXPECT_LT(peak, 32767 * 9 / 10) << s.path;
        // No click at the end.
        EXPECT_LT(std::abs(int(pcm.back())), 600) << s.path;
    }
}

TEST(DemoDataSounds, FrequentShotsAreSofterThanExplosions) {
    auto peak = [](const char* name) { return Peak(SynthesizeEffect(name)); };
    EXPECT_LT(peak("shot_small"), peak("enemybreak_01"));
    EXPECT_LT(peak("enemydamage_small"), peak("boss_death"));
    EXPECT_LT(peak("titlefocus"), peak("playerdamage"));
}

TEST(DemoDataSounds, MusicLoopsSeamlesslyBelowFullScale) {
    std::vector<double> lengths;
    for (const MusicAsset& m : MusicTracks()) {
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(ReadAll(DataDir() + "/" + m.path, &bytes)) << m.path;
        ASSERT_TRUE(torvi::IsOggVorbis(bytes.data(), bytes.size())) << m.path;
        std::string error;
        auto d = torvi::OpenOggVorbis(bytes.data(), bytes.size(), &error);
        ASSERT_NE(d, nullptr) << m.path << ": " << error;
        EXPECT_EQ(d->channels(), 2u) << m.path;
        EXPECT_EQ(d->rate(), 44100u) << m.path;
        const double seconds = double(d->frames()) / d->rate();
        EXPECT_GE(seconds, 60.0) << m.path;
        EXPECT_LE(seconds, 120.0) << m.path;
        lengths.push_back(seconds);
        const std::vector<int16_t> pcm = DecodeAll(*d);
        ASSERT_EQ(pcm.size(), size_t(d->frames()) * 2) << m.path;
        EXPECT_LT(Peak(pcm), 32767 * 19 / 20) << m.path;
        // The loop's seam: last frame to first frame, per channel, no bigger than
        // a small step (a click would be a jump of thousands).
        for (int ch = 0; ch < 2; ++ch) {
            const int jump = std::abs(int(pcm[pcm.size() - 2 + size_t(ch)]) - int(pcm[size_t(ch)]));
            EXPECT_LT(jump, 1200) << m.path << " channel " << ch;
        }
    }
    // Distinct tracks: no two share a length to the sample.
    std::sort(lengths.begin(), lengths.end());
    EXPECT_EQ(std::adjacent_find(lengths.begin(), lengths.end()), lengths.end());
}

}  // namespace
