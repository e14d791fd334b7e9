// What the boss base draws above the field, as recorded quads: the life
// gauge with its seconds, the cut-in banner with its flash, the bonus digits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/cBossBase.h"
#include "tests/game/bosses/boss_field.h"
#include "tests/game/objects/play_harness.h"

namespace {

using bosstest::BossField;
using bosstest::OfSlot;
using bosstest::Row;
using playtest::Quad;

TEST_F(BossField, TheGaugeShowsItsFrameTwoDigitSecondsAndAClampedBar) {
    cBossBase b;
    struct Seconds {
        int32_t left;
        std::vector<float> srcX, dstX;
    };
    const Seconds seconds[] = {{100, {455 + 108, 455 + 108}, {530, 542}},  // shown as 99
                               {10, {455 + 12, 455}, {530, 542}},
                               {7, {455 + 84}, {542}},
                               {0, {455}, {542}},
                               {-1, {}, {}}};
    for (const Seconds& c : seconds) {
        SCOPED_TRACE(c.left);
        playtest::QuadRecorder rec;
        b.secondsLeft = c.left;
        b.hp = b.maxHp = 10.0f;
        b.DrawLifeGauge();
        const std::vector<Quad> frame = Row(rec.quads, 15);
        ASSERT_EQ(frame.size(), 1u);
        EXPECT_EQ(std::vector<float>(frame[0].src, frame[0].src + 4), (std::vector<float>{0, 228, 595, 30}));
        EXPECT_EQ(std::vector<float>(frame[0].dst, frame[0].dst + 4), (std::vector<float>{20, 15, 595, 30}));
        const std::vector<Quad> digits = Row(rec.quads, 25);
        ASSERT_EQ(digits.size(), c.srcX.size());
        for (size_t i = 0; i < digits.size(); ++i) {
            EXPECT_FLOAT_EQ(digits[i].src[0], c.srcX[i]);
            EXPECT_FLOAT_EQ(digits[i].src[1], 22);
            EXPECT_FLOAT_EQ(digits[i].dst[0], c.dstX[i]);
            EXPECT_FLOAT_EQ(digits[i].dst[2], 12);
            EXPECT_FLOAT_EQ(digits[i].dst[3], 18);
        }
    }
    // The bar: hp over maxHp of 289 texels, over 1.3 maxHp for two players,
    // never past its own length nor left of its start.
    struct Bar {
        bool two;
        float hp, maxHp, width;  // 0: no bar
    };
    const Bar bars[] = {{false, 30, 60, 144.5f},
                        {false, 60, 60, 289},
                        {true, 78, 60, 289},
                        {true, 39, 60, 144.5f},
                        {true, 96, 60, 289},     // an opening attack for two: 1.6 of the entry
                        {false, 48, 36, 289},    // difficulty 0's first named attack
                        {false, -5, 60, 0},      // defeated
                        {false, 10, 0, 0}};      // nothing to divide by
    for (const Bar& c : bars) {
        SCOPED_TRACE(c.hp);
        playtest::QuadRecorder rec;
        GameState.twoPlayer = c.two ? 1 : 0;
        b.hp = c.hp;
        b.maxHp = c.maxHp;
        b.secondsLeft = 5;
        b.DrawLifeGauge();
        const std::vector<Quad> bar = Row(rec.quads, 22);
        ASSERT_EQ(bar.size(), c.width > 0 ? 1u : 0u);
        if (bar.empty()) continue;
        EXPECT_NEAR(bar[0].src[2], c.width, 0.01f);
        EXPECT_NEAR(bar[0].dst[2], c.width, 0.01f);
        EXPECT_FLOAT_EQ(bar[0].src[0], 263);
        EXPECT_FLOAT_EQ(bar[0].src[1], 258);
        EXPECT_FLOAT_EQ(bar[0].dst[0], 131);
        EXPECT_FLOAT_EQ(bar[0].dst[3], 14);
        EXPECT_EQ(bar[0].colour, 0xFFFFFFFFu);
    }
}

TEST_F(BossField, TheBannerFliesInFadesAndFlashesOnItsFrames) {
    cBossBase b;
    b.bannerX = 640;
    for (int32_t t = 0; t <= 80; ++t) {
        SCOPED_TRACE(t);
        playtest::QuadRecorder rec;
        b.phaseTimer = t;
        const int32_t before = b.bannerX;
        b.DrawSpellBanner();
        const int32_t step = (t <= 21 ? 40 : 0) + (t > 50 ? 4 : 0);
        EXPECT_EQ(b.bannerX, before - step);
        const std::vector<Quad> cut = OfSlot(rec.quads, 28);
        ASSERT_EQ(cut.size(), 1u);
        EXPECT_FLOAT_EQ(cut[0].dst[0], static_cast<float>(b.bannerX + 20));
        EXPECT_FLOAT_EQ(cut[0].src[0], t > 50 ? static_cast<float>(4 * t - 200) : 0.0f);
        EXPECT_FLOAT_EQ(cut[0].src[2], 1024);
        EXPECT_FLOAT_EQ(cut[0].dst[3], 480);
        const uint32_t alpha = t < 50 ? 0xDC : t < 72 ? static_cast<uint32_t>(220 - 10 * (t - 50)) : 0;
        EXPECT_EQ(cut[0].colour, alpha << 24 | 0xFFFFFFu);
        const std::vector<Quad> flash = OfSlot(rec.quads, 31);
        ASSERT_EQ(flash.size(), t >= 15 && t <= 33 ? 1u : 0u);
        if (!flash.empty()) {
            EXPECT_EQ(flash[0].colour, static_cast<uint32_t>(180 - 10 * (t - 15)) << 24 | 0xFFFFFFu);
            EXPECT_FLOAT_EQ(flash[0].dst[0], cut[0].dst[0]);
        }
        if (t == 21) {
            EXPECT_EQ(b.bannerX, -240);  // after 22 frames in
        }
    }
}

TEST_F(BossField, TheBonusShowsItsLabelAndSevenDigits) {
    cBossBase b;
    for (int32_t bonus : {1234567, 60000, 0}) {
        SCOPED_TRACE(bonus);
        playtest::QuadRecorder rec;
        b.lastBonus = bonus;
        b.DrawSpellBonus();
        ASSERT_EQ(rec.quads.size(), 8u);
        EXPECT_EQ(std::vector<float>(rec.quads[0].src, rec.quads[0].src + 4), (std::vector<float>{0, 258, 263, 55}));
        EXPECT_EQ(std::vector<float>(rec.quads[0].dst, rec.quads[0].dst + 4), (std::vector<float>{190, 170, 263, 55}));
        int32_t power = 1000000;
        for (int i = 0; i < 7; ++i, power /= 10) {
            const Quad& q = rec.quads[size_t(i + 1)];
            const int digit = bonus / power % 10;
            EXPECT_FLOAT_EQ(q.src[0], 35.0f * (digit + 13)) << i;
            EXPECT_FLOAT_EQ(q.src[1], 40);
            EXPECT_FLOAT_EQ(q.dst[0], 230.0f + 40 * i);
            EXPECT_FLOAT_EQ(q.dst[1], 240);
            EXPECT_FLOAT_EQ(q.dst[2], 35);
            EXPECT_FLOAT_EQ(q.dst[3], 50);
            EXPECT_EQ(q.slot, 4);
        }
    }
}

}  // namespace
