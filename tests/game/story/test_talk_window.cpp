// The dialogue window's draws, recorded: every portrait function's grid, slot
// and counter, the slide-in and fade, dimming, Yuri leaving, Kohaku shaking,
// the balloons and the name card's fade. (The text anchors: the worked
// example in test_talk_runner.cpp and Yuri's call in test_story_team1.cpp.)
#include <climits>
#include <functional>

#include "game/story/TalkWindow.h"
#include "tests/game/story/talk_fixture.h"

namespace {

using talktest::Draw;
using talktest::DrawRecorder;
using talktest::Quad;

struct PortraitRow {
    const char* name;
    std::function<void(int32_t, TalkSide, PortraitMode)> draw;
    int32_t slot;
    int32_t counter;  // its slide counter
    int32_t columns;
    int32_t cells;
    bool bothSides;
};

// As the window's table gives them; the slots do not follow the counters (the
// trap: Cheska raises counter 2 and draws slot 15, Osero counter 3 and slot 14).
const PortraitRow kPortraits[] = {
    {"Yuri", DrawPortraitYuri, 12, 0, 6, 18, true},
    {"Crow", DrawPortraitCrow, 13, 1, 6, 12, true},
    {"Osero", DrawPortraitOsero, 14, 3, 6, 12, true},
    {"Cheska", DrawPortraitCheska, 15, 2, 6, 18, true},
    {"Shamyu", [](int32_t c, TalkSide, PortraitMode m) { DrawPortraitShamyu(c, m); }, 16, 4, 3, 9, false},
    {"Kohaku", DrawPortraitKohaku, 17, 9, 6, 12, true},
    {"Still", [](int32_t c, TalkSide, PortraitMode m) { DrawPortraitStill(c, m); }, 18, 6, 3, 9, false},
    {"Fururu", [](int32_t c, TalkSide, PortraitMode m) { DrawPortraitFururu(c, m); }, 19, 5, 3, 6, false},
    {"Momo", [](int32_t c, TalkSide, PortraitMode m) { DrawPortraitMomo(c, m); }, 20, 7, 3, 6, false},
    {"Nono", [](int32_t c, TalkSide, PortraitMode m) { DrawPortraitNono(c, m); }, 21, 8, 3, 9, false},
    {"Palet", [](int32_t c, TalkSide, PortraitMode m) { DrawPortraitPalet(c, m); }, 22, 10, 6, 12, false},
    {"Copic", [](int32_t c, TalkSide, PortraitMode m) { DrawPortraitCopic(c, m); }, 23, 11, 3, 9, false},
    {"Deena", [](int32_t c, TalkSide, PortraitMode m) { DrawPortraitDeena(c, m); }, 24, 12, 3, 9, false},
};

class TalkWindow : public talktest::TalkTest {};

TEST_F(TalkWindow, EveryPortraitCutsItsGridFromItsOwnSlotAndRaisesOnlyItsOwnCounter) {
    for (const PortraitRow& p : kPortraits) {
        SCOPED_TRACE(p.name);
        TalkState = cTalkState();
        DrawRecorder rec;
        for (int32_t cell = 0; cell < p.cells; ++cell) p.draw(cell, TalkSide::Upper, PortraitMode::Dimmed);
        const std::vector<Draw> draws = rec.Take();
        ASSERT_EQ(draws.size(), size_t(p.cells));
        // One-sided portraits stand at the lower anchor whatever side is asked.
        const float x = p.bothSides ? 20.0f : 460.0f, y = p.bothSides ? 50.0f : 290.0f;
        for (int32_t cell = 0; cell < p.cells; ++cell)
            EXPECT_EQ(draws[size_t(cell)], Quad(p.slot, x, y, 160, 160, float(160 * (cell % p.columns)),
                                                float(160 * (cell / p.columns)), 160, 160, 0xB4FFFFFFu))
                << "cell " << cell << ": " << talktest::Describe(draws[size_t(cell)]);
        // Dimmed draws count too: a portrait dimmed for 20 frames slides in no more.
        for (int32_t who = 0; who < 13; ++who)
            EXPECT_EQ(TalkState.slideCounter[who], who == p.counter ? std::min(p.cells, 20) : 0) << who;
        // A cell outside the grid draws nothing (the counter still counts).
        p.draw(p.cells, TalkSide::Lower, PortraitMode::Dimmed);
        p.draw(-1, TalkSide::Lower, PortraitMode::Dimmed);
        EXPECT_TRUE(rec.Take().empty());
    }
}

TEST_F(TalkWindow, ActivePortraitsSlideInFrom38PixelsOutAndFadeFrom141To255) {
    DrawRecorder rec;
    for (int frame = 1; frame <= 25; ++frame) {
        DrawPortraitCrow(1, TalkSide::Upper, PortraitMode::Active);
        DrawPortraitKohaku(1, TalkSide::Lower, PortraitMode::Active);
        const std::vector<Draw> d = rec.Take();
        ASSERT_EQ(d.size(), 2u);
        const int c = std::min(frame, 20);
        const uint32_t alpha = uint32_t(135 + 6 * c);
        EXPECT_EQ(d[0], Quad(13, float(20 - 2 * (20 - c)), 50, 160, 160, 160, 0, 160, 160, alpha << 24 | 0xFFFFFF))
            << frame << ": " << talktest::Describe(d[0]);
        EXPECT_EQ(d[1], Quad(17, float(460 + 2 * (20 - c)), 290, 160, 160, 160, 0, 160, 160, alpha << 24 | 0xFFFFFF))
            << frame << ": " << talktest::Describe(d[1]);
    }
    EXPECT_EQ(TalkState.slideCounter[1], 20);
}

static_assert(talk::kExitOffsetLimit == 100000);  // written out, not taken from the product

TEST_F(TalkWindow, YuriLeavingMovesOutEightPixelsAFrameThenTenAndKeepsGoing) {
    DrawRecorder rec;
    std::vector<float> xs;
    for (int frame = 0; frame < 30; ++frame) DrawPortraitYuri(3, TalkSide::Upper, PortraitMode::Leaving);
    for (const Draw& d : rec.Take()) xs.push_back(d.dst[0]);
    ASSERT_EQ(xs.size(), 30u);
    EXPECT_EQ(xs[0], 20.0f - 38 - 10);
    for (size_t i = 1; i < xs.size(); ++i) EXPECT_EQ(xs[i] - xs[i - 1], i < 20 ? -8.0f : -10.0f) << i;
    EXPECT_EQ(TalkState.exitOffset, 300);
    // The lower side moves out to the right; only Yuri leaves.
    TalkState.exitOffset = 0;
    TalkState.slideCounter[0] = 20;
    DrawPortraitYuri(3, TalkSide::Lower, PortraitMode::Leaving);
    EXPECT_EQ(rec.Take().at(0).dst[0], 470.0f);
    DrawPortraitCrow(3, TalkSide::Upper, PortraitMode::Leaving);
    DrawPortraitShamyu(3, PortraitMode::Leaving);
    EXPECT_TRUE(rec.Take().empty());
    EXPECT_EQ(TalkState.exitOffset, 10);
    // Days on one step: the offset stops growing and never overflows.
    TalkState.exitOffset = INT_MAX;
    DrawPortraitYuri(3, TalkSide::Upper, PortraitMode::Leaving);
    EXPECT_EQ(TalkState.exitOffset, talk::kExitOffsetLimit);
    EXPECT_EQ(rec.Take().at(0).dst[0], float(20 - talk::kExitOffsetLimit));
}

TEST_F(TalkWindow, KohakuShakesOnAnEightFrameCycleAtAlpha135) {
    DrawRecorder rec;
    const int offsets[8] = {1, 2, 3, 4, -5, -6, -7, -8};
    for (int frame = 0; frame < 16; ++frame) DrawPortraitKohaku(8, TalkSide::Upper, PortraitMode::Shaking);
    for (int frame = 0; frame < 8; ++frame) DrawPortraitKohaku(3, TalkSide::Lower, PortraitMode::Shaking);
    const std::vector<Draw> d = rec.Take();
    ASSERT_EQ(d.size(), 24u);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(d[size_t(i)], Quad(17, float(20 - 40 + offsets[i % 8]), 50, 160, 160, 320, 160, 160, 160, 0x87FFFFFFu))
            << i << ": " << talktest::Describe(d[size_t(i)]);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(d[size_t(16 + i)].dst[0], float(460 + 40 + offsets[i])) << i;
    EXPECT_EQ(TalkState.slideCounter[9], 0);
    // A counter that came in above 8 takes the far side and never resets.
    TalkState.slideCounter[9] = 12;
    for (int i = 0; i < 10; ++i) DrawPortraitKohaku(0, TalkSide::Upper, PortraitMode::Shaking);
    const std::vector<Draw> high = rec.Take();
    for (size_t i = 0; i < high.size(); ++i)
        EXPECT_EQ(high[i].dst[0], float(20 - 40 - std::min(13 + int(i), 20))) << i;
    EXPECT_EQ(TalkState.slideCounter[9], 20);
    // Only Kohaku shakes.
    DrawPortraitCheska(0, TalkSide::Upper, PortraitMode::Shaking);
    DrawPortraitDeena(0, PortraitMode::Shaking);
    EXPECT_TRUE(rec.Take().empty());
}

TEST_F(TalkWindow, BalloonsCutTheirSideAndRowOpaqueOrDimmed) {
    DrawRecorder rec;
    for (int side = 0; side < 2; ++side)
        for (int row = 0; row < 3; ++row)
            for (int mode = 0; mode < 3; ++mode) {
                DrawTalkBalloon(row, BalloonMode(mode), TalkSide(side));
                const std::vector<Draw> d = rec.Take();
                if (mode == 2) {
                    EXPECT_TRUE(d.empty());
                    continue;
                }
                ASSERT_EQ(d.size(), 1u);
                EXPECT_EQ(d[0], Quad(25, side ? 30 : 170, side ? 300 : 70, 440, 145, float(440 * side), float(145 * row),
                                     440, 145, mode ? 0xB4FFFFFFu : 0xFFFFFFFFu))
                    << talktest::Describe(d[0]);
            }
    DrawTalkBalloon(3, BalloonMode::Opaque, TalkSide::Upper);
    DrawTalkBalloon(0, BalloonMode::Opaque, TalkSide(2));
    EXPECT_TRUE(rec.Take().empty());
}

static_assert(talk::kNameCardFrameLimit == 326);  // written out, not taken from the product

TEST_F(TalkWindow, NameCardsFadeInHoldFadeOutAndGoAt326) {
    DrawRecorder rec;
    std::vector<uint32_t> alphas;
    for (int frame = 1; frame <= 330; ++frame) {
        DrawNameCard(5);
        const std::vector<Draw> d = rec.Take();
        if (frame > 325) {
            EXPECT_TRUE(d.empty()) << frame;
            continue;
        }
        ASSERT_EQ(d.size(), 1u) << frame;
        EXPECT_EQ(d[0].slot, 26);
        EXPECT_EQ(d[0].color & 0xFFFFFF, 0xFFFFFFu);
        alphas.push_back(d[0].color >> 24);
        if (frame == 1) {
            EXPECT_EQ(d[0], Quad(26, 120, 390, 380, 90, 380, 270, 380, 90, 0x0AFFFFFFu));
        }
    }
    ASSERT_EQ(alphas.size(), 325u);
    EXPECT_EQ(alphas[0], 10u);
    EXPECT_EQ(alphas[24], 250u);
    EXPECT_EQ(alphas[25], 250u);
    EXPECT_EQ(alphas[299], 250u);
    EXPECT_EQ(alphas[300], 240u);
    EXPECT_EQ(alphas[324], 0u);
    // Saturated: nothing changes on screen and nothing overflows.
    EXPECT_EQ(TalkState.nameCardFrame, talk::kNameCardFrameLimit);
    TalkState.nameCardFrame = INT_MAX;
    DrawNameCard(5);
    EXPECT_TRUE(rec.Take().empty());
    // The first column holds Yuri's and Crow's cards, above the lower balloon.
    for (const auto& [card, sx, sy, x, y] : {std::tuple{0, 0, 0, 20, 180}, std::tuple{1, 0, 90, 20, 180},
                                             std::tuple{2, 380, 0, 120, 390}, std::tuple{12, 380, 900, 120, 390}}) {
        TalkState.nameCardFrame = 30;
        DrawNameCard(card);
        EXPECT_EQ(rec.Take().at(0), Quad(26, float(x), float(y), 380, 90, float(sx), float(sy), 380, 90, 0xFAFFFFFFu))
            << card;
    }
    for (const int card : {-1, 13}) {
        DrawNameCard(card);
        EXPECT_TRUE(rec.Take().empty()) << card;
    }
}

}  // namespace
