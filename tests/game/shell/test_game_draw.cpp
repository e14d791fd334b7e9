// The game scene's HUD: the gauge, life and stock, as quads of the sprite table
// (the overlays are checked against their records in test_scene_records.cpp).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/objects/cPlayerBase.h"
#include "game/shell/GameDraw.h"
#include "game/state/SpriteTable.h"
#include "tests/game/shell/shell_fixture.h"

namespace {

struct Quad {
    int slot;
    float dst[4];
    float src[4];
    uint32_t color;
};
void Collect(const SpriteDrawRecord& r, void* context) {
    static_cast<std::vector<Quad>*>(context)->push_back(
        Quad{r.slot, {r.dst[0], r.dst[1], r.dst[2], r.dst[3]}, {r.src[0], r.src[1], r.src[2], r.src[3]}, r.color});
}

class GameDraw : public shelltest::ShellFolder {
protected:
    void SetUp() override {
        ShellFolder::SetUp();
        SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
        Player1 = new cPlayerBase();
        Player1->Reset();
        SetSpriteDrawRecorder(Collect, &quads_);
    }
    void TearDown() override {
        SetSpriteDrawRecorder(nullptr, nullptr);
        delete Player1;
        delete Player2;
        Player1 = Player2 = nullptr;
        ShellFolder::TearDown();
    }
    // The quads with this source corner.
    std::vector<Quad> From(float sx, float sy) const {
        std::vector<Quad> out;
        for (const Quad& q : quads_)
            if (q.src[0] == sx && q.src[1] == sy) out.push_back(q);
        return out;
    }
    std::vector<Quad> quads_;
};

uint32_t Alpha(const Quad& q) { return q.color >> 24; }

TEST_F(GameDraw, GaugePipsFillEveryTwentyAndTheLargeOnesFadeIn) {
    struct Case {
        float gauge;
        std::vector<uint32_t> small;  // alpha of each small pip drawn
        std::vector<uint32_t> large;
    };
    const Case cases[] = {
        {0, {255}, {}},
        {19.5f, {228}, {}},
        {20, {255, 255}, {}},
        {100, {255, 255, 255, 255, 255, 255}, {}},
        {119, {255, 255, 255, 255, 255, 228}, {}},
        {120, {255, 255, 255, 255, 255, 255}, {0}},
        {140, {255, 255, 255, 255, 255, 255}, {120}},
        {160, {255, 255, 255, 255, 255, 255}, {240, 0}},
        {200, {255, 255, 255, 255, 255, 255}, {255, 240}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gauge);
        quads_.clear();
        GameState.hudAlpha = 255;
        Player1->gauge = c.gauge;
        DrawHud(GameState);
        std::vector<uint32_t> small, large;
        for (const Quad& q : From(54, 153)) small.push_back(Alpha(q));
        for (const Quad& q : From(77, 153)) large.push_back(Alpha(q));
        EXPECT_EQ(small, c.small);
        EXPECT_EQ(large, c.large);
        const auto pips = From(54, 153);
        for (size_t i = 0; i < pips.size(); ++i) EXPECT_EQ(pips[i].dst[0], 72 + 13 * static_cast<float>(i));
        if (!c.large.empty()) {
            EXPECT_EQ(From(77, 153)[0].dst[0], 150);
            if (c.large.size() > 1) {
                EXPECT_EQ(From(77, 153)[1].dst[0], 169);
            }
        }
    }
}

TEST_F(GameDraw, LifeStockScoreAndForceStripOfBothPlayers) {
    GameState.twoPlayer = 1;
    Player2 = new cPlayerBase();
    Player2->Reset();
    Player1->life = 1;
    Player1->stock = 2;
    Player1->character = 3;
    Player1->score = 1234567890;
    Player1->gauge = 50;
    Player2->gauge = 99;
    Player2->element = elements::kIce;
    DrawHud(GameState);
    const auto life = From(111, 177);
    ASSERT_EQ(life.size(), 1u);
    EXPECT_EQ(life[0].dst[2], 20);
    const auto fullLife = From(111, 153);  // player 2's five
    ASSERT_EQ(fullLife.size(), 1u);
    EXPECT_EQ(fullLife[0].dst[2], 100);
    const auto stock = From(155, 189);
    ASSERT_EQ(stock.size(), 2u);
    EXPECT_EQ(stock[1].dst[0], 98);
    // Nine digits of the score: its last nine, 234567890.
    std::vector<float> digits;
    for (const Quad& q : quads_)
        if (q.src[1] == 190 && q.dst[1] == 430 && q.dst[0] < 330) digits.push_back(q.src[0] / 11);
    EXPECT_EQ(digits, (std::vector<float>{2, 3, 4, 5, 6, 7, 8, 9, 0}));
    // Three digits of each gauge, leading zeros kept.
    std::vector<float> gauges;
    for (const Quad& q : quads_)
        if (q.src[1] == 213) gauges.push_back(q.src[0] / 6);
    EXPECT_EQ(gauges, (std::vector<float>{0, 5, 0, 0, 9, 9}));
    // Player 1's strip at 50, player 2's only from 100.
    EXPECT_EQ(From(0, 80).size(), 1u);
    EXPECT_EQ(From(295, 80).size(), 0u);
    const auto panel2 = From(295, 0);
    ASSERT_EQ(panel2.size(), 1u);
    EXPECT_EQ(panel2[0].dst[0], 330);
    EXPECT_EQ(panel2[0].dst[2], 161);
    EXPECT_EQ(From(65, 153).front().dst[0], 372);
}

// One icon per stock left, as far as the row inside each panel holds (five):
// 1-ups can raise the stock past that, and a sixth would stand on the field.
TEST_F(GameDraw, StockIconsStayInsideTheirPanel) {
    GameState.twoPlayer = 1;
    Player2 = new cPlayerBase();
    Player2->Reset();
    Player2->character = 4;
    const int32_t cases[][2] = {{-1, 0}, {0, 0}, {1, 1}, {5, 5}, {6, 5}, {40, 5}};
    for (const auto& [stock, drawn] : cases) {
        SCOPED_TRACE(stock);
        quads_.clear();
        Player1->stock = Player2->stock = stock;
        DrawHud(GameState);
        for (const auto& [sx, panel] : {std::pair{111.0f, 30.0f}, std::pair{177.0f, 330.0f}}) {
            const auto icons = From(sx, 189);
            ASSERT_EQ(icons.size(), size_t(drawn));
            for (const Quad& q : icons) {
                EXPECT_GE(q.dst[0], panel);
                EXPECT_LE(q.dst[0] + 18, panel + 160) << "an icon's ink (its first 18 columns) past the panel";
            }
        }
    }
}

TEST_F(GameDraw, TheHudFadesWhileAPlayerIsLowOnTheScreen) {
    Player1->aimY = 400;
    ScrollY = 0;
    GameState.hudAlpha = 255;
    for (int i = 0; i < 200; ++i) DrawHud(GameState);
    EXPECT_EQ(GameState.hudAlpha, 69);
    Player1->aimY = 100;
    for (int i = 0; i < 200; ++i) DrawHud(GameState);
    EXPECT_EQ(GameState.hudAlpha, 255);
}

}  // namespace
