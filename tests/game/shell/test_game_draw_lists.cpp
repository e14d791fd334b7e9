// Every quad of each overlay, in order, against lists written out by hand:
// the HUD at several gauges and lives, the pause menu, the tally and the
// continue screen.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "game/objects/cPlayerBase.h"
#include "game/shell/GameDraw.h"
#include "game/state/SpriteTable.h"
#include "tests/game/shell/shell_fixture.h"

namespace {

struct Q {
    int slot;
    float dst[4];
    float src[4];
    uint32_t color;
    bool operator==(const Q& o) const {
        for (int i = 0; i < 4; ++i)
            if (dst[i] != o.dst[i] || src[i] != o.src[i]) return false;
        return slot == o.slot && color == o.color;
    }
};
void PrintTo(const Q& q, std::ostream* os) {
    *os << "slot " << q.slot << " (" << q.dst[0] << ", " << q.dst[1] << ", " << q.dst[2] << ", " << q.dst[3]
        << ") <- (" << q.src[0] << ", " << q.src[1] << ", " << q.src[2] << ", " << q.src[3] << ") " << std::hex
        << q.color << std::dec;
}

void Collect(const SpriteDrawRecord& r, void* context) {
    static_cast<std::vector<Q>*>(context)->push_back(
        Q{r.slot, {r.dst[0], r.dst[1], r.dst[2], r.dst[3]}, {r.src[0], r.src[1], r.src[2], r.src[3]}, r.color});
}

constexpr uint32_t kWhite = 0xFFFFFFFFu;

// System sheet (slot 4) and clear sheet (slot 39) quads.
Q S(float x, float y, float w, float h, float sx, float sy, float sw, float sh, uint32_t c = kWhite) {
    return Q{4, {x, y, w, h}, {sx, sy, sw, sh}, c};
}
Q C(float x, float y, float w, float h, float sx, float sy, float sw, float sh) {
    return Q{39, {x, y, w, h}, {sx, sy, sw, sh}, kWhite};
}

// A row of digits given as text: each digit's quad, `step` apart from x.
void Row(std::vector<Q>& out, int slot, const std::string& digits, float x, float y, float step, float w, float h,
         float sx, float sy) {
    for (size_t k = 0; k < digits.size(); ++k) {
        const float d = static_cast<float>(digits[k] - '0');
        out.push_back(Q{slot, {x + step * static_cast<float>(k), y, w, h}, {sx + w * d, sy, w, h}, kWhite});
    }
}

class GameDrawLists : public shelltest::ShellFolder {
protected:
    void SetUp() override {
        ShellFolder::SetUp();
        SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
        Player1 = new cPlayerBase();
        Player1->Reset();
        Player1->aimY = 100;
        Player1->stock = 1;
        Player1->character = 1;
        Player1->element = elements::kFire;
        Player1->score = 0;
        GameState.hudAlpha = 255;
        SetSpriteDrawRecorder(Collect, &quads_);
    }
    void TearDown() override {
        SetSpriteDrawRecorder(nullptr, nullptr);
        delete Player1;
        Player1 = nullptr;
        ShellFolder::TearDown();
    }
    std::vector<Q> Take() {
        std::vector<Q> out;
        out.swap(quads_);
        return out;
    }
    std::vector<Q> quads_;
};

// Player 1's panel and stock icon as every HUD case draws them.
std::vector<Q> HudHead() {
    return {S(30, 380, 160, 80, 0, 0, 160, 80), S(74, 380, 22, 22, 111, 189, 22, 22)};
}
// The gauge number, the strip when shown and the score 0.
void HudTail(std::vector<Q>& out, const std::string& gauge, bool strip) {
    Row(out, 4, gauge, 100, 450, 8, 6, 11, 0, 213);
    if (strip) out.push_back(S(30, 460, 160, 10, 0, 80, 160, 10));
    Row(out, 4, "000000000", 200, 430, 13, 11, 12, 0, 190);
}

TEST_F(GameDrawLists, HudAtGauges0_20_119_140_200AndLives1And5) {
    const Q life5 = S(74, 408, 100, 12, 111, 153, 100, 12);
    const Q life1 = S(74, 408, 20, 12, 111, 177, 20, 12);
    auto pip = [](float x, uint32_t c = kWhite) { return S(x, 429, 11, 11, 54, 153, 11, 11, c); };
    auto big = [](float x, uint32_t c = kWhite) { return S(x, 429, 17, 17, 77, 153, 17, 17, c); };
    struct Case {
        float gauge;
        int life;
        std::vector<Q> expected;
    };
    std::vector<Case> cases;
    {
        std::vector<Q> e = HudHead();
        e.push_back(life5);
        e.push_back(pip(72));  // gauge 0: one full pip
        HudTail(e, "000", false);
        cases.push_back({0, 5, e});
    }
    {
        std::vector<Q> e = HudHead();
        e.push_back(life1);
        e.push_back(pip(72));
        e.push_back(pip(85));  // gauge 20: two full pips
        HudTail(e, "020", false);
        cases.push_back({20, 1, e});
    }
    {
        std::vector<Q> e = HudHead();
        e.push_back(life5);
        for (float x : {72, 85, 98, 111, 124}) e.push_back(pip(x));
        e.push_back(pip(137, 0xE4FFFFFFu));  // 12 x 19
        HudTail(e, "119", true);
        cases.push_back({119, 5, e});
    }
    {
        std::vector<Q> e = HudHead();
        e.push_back(life1);
        for (float x : {72, 85, 98, 111, 124, 137}) e.push_back(pip(x));
        e.push_back(big(150, 0x78FFFFFFu));  // 6 x 20
        HudTail(e, "140", true);
        cases.push_back({140, 1, e});
    }
    {
        std::vector<Q> e = HudHead();
        e.push_back(life5);
        for (float x : {72, 85, 98, 111, 124, 137}) e.push_back(pip(x));
        e.push_back(big(150));
        e.push_back(big(169, 0xF0FFFFFFu));  // 6 x 40
        HudTail(e, "200", true);
        cases.push_back({200, 5, e});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gauge);
        Player1->gauge = c.gauge;
        Player1->life = c.life;
        DrawHud(GameState);
        EXPECT_EQ(Take(), c.expected);
    }
}

TEST_F(GameDrawLists, PauseWithAndWithoutTheQuestion) {
    GameState.pauseCursor = 1;
    DrawPauseMenu(GameState);
    EXPECT_EQ(Take(), (std::vector<Q>{S(80, 120, 422, 273, 0, 425, 422, 273), S(145, 180, 342, 186, 0, 698, 342, 186),
                                      S(130, 250, 369, 47, 422, 425, 369, 47)}));
    GameState.pauseAsking = 1;
    GameState.pauseAnswer = 0;
    DrawPauseMenu(GameState);
    EXPECT_EQ(Take(), (std::vector<Q>{S(80, 120, 422, 273, 0, 425, 422, 273), S(205, 180, 236, 186, 342, 698, 236, 186),
                                      S(130, 250, 369, 47, 422, 425, 369, 47)}));
}

TEST_F(GameDrawLists, TallyAtFrames1_30_151) {
    GameState.stage = 2;
    GameState.stageBonus = 1234567;
    GameState.noMissBonus = 500000;
    Player1->itemCount = 12;
    Player1->absorbCount = 34;
    Player1->noMiss = 1;
    Player1->score = 87654321;
    auto small = [](std::vector<Q>& e, const std::string& d, float y) { Row(e, 39, d, 216, y, 18, 16, 26, 640, 0); };
    auto large = [](std::vector<Q>& e) { Row(e, 39, "87654321", 218, 410, 19, 17, 35, 640, 26); };

    GameState.tallyTimer = 0;
    DrawStageClearTally(GameState);
    std::vector<Q> t1{C(0, 0, 640, 480, 0, 0, 640, 480), C(-489, 0, 529, 109, 0, 480, 529, 109),
                      C(600, 357, 640, 123, 0, 589, 640, 123)};
    large(t1);
    EXPECT_EQ(Take(), t1);

    GameState.tallyTimer = 29;
    DrawStageClearTally(GameState);
    std::vector<Q> t30{C(0, 0, 640, 480, 0, 0, 640, 480), C(0, 0, 529, 109, 0, 480, 529, 109),
                       C(0, 357, 640, 123, 0, 589, 640, 123)};
    small(t30, "0012000", 120);
    large(t30);
    EXPECT_EQ(Take(), t30);

    GameState.tallyTimer = 150;
    DrawStageClearTally(GameState);
    EXPECT_EQ(GameState.tallyTimer, 151);
    std::vector<Q> t151{C(0, 0, 640, 480, 0, 0, 640, 480), C(0, 0, 529, 109, 0, 480, 529, 109),
                        C(0, 357, 640, 123, 0, 589, 640, 123)};
    small(t151, "0012000", 120);
    small(t151, "0003400", 160);
    small(t151, "0500000", 210);
    small(t151, "01234567", 250);
    small(t151, "87654321", 325);
    large(t151);
    EXPECT_EQ(Take(), t151);
}

TEST_F(GameDrawLists, ContinueAt50And101With3And12Credits) {
    GameState.continueChoice = 1;
    for (int credits : {3, 12}) {
        SCOPED_TRACE(credits);
        GameState.credits = credits;
        GameState.stateTimer = 50;
        DrawContinueScreen(GameState);
        EXPECT_EQ(Take(), (std::vector<Q>{S(0, 0, 640, 480, 674, 90, 128, 128, 0x32FFFFFFu)}));
        GameState.stateTimer = 101;
        DrawContinueScreen(GameState);
        const float tens = credits == 3 ? 548 : 572;
        const float ones = credits == 3 ? 620 : 596;
        EXPECT_EQ(Take(), (std::vector<Q>{S(0, 0, 640, 480, 674, 90, 128, 128, 0x64FFFFFFu),
                                          S(140, 80, 374, 119, 300, 100, 374, 119),
                                          S(210, 230, 252, 60, 422, 472, 252, 60),
                                          S(180, 310, 126, 60, 422, 532, 126, 60),
                                          S(370, 310, 126, 60, 422, 592, 126, 60),
                                          S(340, 310, 170, 60, 422, 425, 369, 47),
                                          S(140, 380, 361, 36, 548, 532, 361, 36),
                                          S(395, 380, 24, 33, tens, 568, 24, 33),
                                          S(421, 380, 24, 33, ones, 568, 24, 33)}));
    }
}

}  // namespace
