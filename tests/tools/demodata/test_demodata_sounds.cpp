// The effects, decoded by the sound player's own decoder: every file opens and
// its levels stay below full scale and are balanced (the music's samples are
// pinned by the set's recorded digests).
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

}  // namespace
