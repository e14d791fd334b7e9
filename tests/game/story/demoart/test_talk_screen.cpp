// One talk frame drawn for real (GL backend, private Xvfb) by the game scene's
// own draw, with the demo data set's portraits, balloons and text font loaded
// by the shell's loaders: team 2's stage-5 mid-boss post-fight talk at step 1,
// Cheska speaking above, Crow listening below. The picture is saved as
// <build>/screenshots/talk.png; the pixels read back show the balloons over the
// portraits, the listener at alpha 180 and the texts inside their balloons.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraFont.h"
#include "engine/graphics/KestraFontSprite2D.h"
#include "game/shell/GameDraw.h"
#include "game/shell/StageResources.h"
#include "game/state/BossTalk.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"
#include "game/story/TalkScript.h"
#include "game/story/TalkState.h"
#include "game/story/text/CheskaStage5.h"
#include "tests/engine/graphics/sprite_test_env.h"
#include "tests/game/objects/gallery_render.h"
#include "tests/game/objects/play_harness.h"

namespace {

// A boss whose draw runs a talk, as the stage bosses' draws do.
class TalkingBoss : public cBossBase {
public:
    std::function<void()> talk;
    void Draw() override { talk(); }
};

struct Box {
    int x0, y0, x1, y1;  // x1, y1 exclusive
    bool Has(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

const Box kUpperPortrait{20, 50, 180, 210};
const Box kLowerPortrait{460, 290, 620, 450};
const Box kUpperBalloon{170, 70, 610, 215};
const Box kLowerBalloon{30, 300, 470, 445};

int Channel(uint32_t c, int ch) { return int((c >> (16 - 8 * ch)) & 0xFF); }

int Difference(uint32_t a, uint32_t b) {
    int d = 0;
    for (int ch = 0; ch < 3; ++ch) d = std::max(d, std::abs(Channel(a, ch) - Channel(b, ch)));
    return d;
}

bool Lit(uint32_t c) { return Channel(c, 0) + Channel(c, 1) + Channel(c, 2) > 24; }

class TalkScreen : public spritetest::SpriteTest {
protected:
    void StartGl() override {
        spritetest::SpriteTest::StartGl();
        ASSERT_TRUE(KestraFont::Initialize());
        ASSERT_TRUE(KestraFontSprite2D::Initialize());
    }
    void FinishDevice() override {
        KestraFontSprite2D::Finalize();
        KestraFont::Finalize();
        spritetest::SpriteTest::FinishDevice();
    }

    // The body runs in the set's folder with team 2's stage-5 talk sheets and font 0 loaded.
    void InDemoTalk(const std::function<void()>& body) {
        const std::string data = std::string(QUENRITH_DEMODATA_DIR) + "/data";
        ASSERT_TRUE(std::filesystem::is_regular_file(data + "/font.lfd")) << "the demo data set is not written";
        InGl(
            [&] {
                ASSERT_TRUE(SetCurrentDirectoryA(data.c_str()));
                playtest::ResetField(1);
                SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
                FontTable.assign(kFontTableSize, nullptr);
                GameState.team = 2;
                GameState.stage = 5;
                GameState.subState = kSubStateDialogue;
                testing::internal::CaptureStdout();  // the loaders' console lines
                LoadCommonSprites(GameState);
                // Crow's sheet for the lower side, as the stage-5 loader puts it for team 2.
                loadSpriteCStr("img/talk/st_crow_right.png", 13, 0, 100);
                testing::internal::GetCapturedStdout();
                FontTable[0] = KestraFontSprite2D::CreateFromFile("font.lfd", ".tga", 1, 1024, 0, 14);
                ASSERT_NE(FontTable[0], nullptr);
                for (int slot : {13, 14, 15, 25}) ASSERT_NE(SpriteTable[size_t(slot)].texture, nullptr) << slot;
                boss_ = new TalkingBoss;
                boss_->active = 1;
                BossA = boss_;
                body();
            },
            [&] {
                BossA = nullptr;
                delete boss_;
                boss_ = nullptr;
                for (CFontSprite2D* f : FontTable) KestraFontSprite2D::Release(f);
                FontTable.clear();
                for (SpriteEntry& e : SpriteTable) {
                    KestraSprite2D::Release(e.sprite);
                    KestraTexture::Release(e.texture);
                }
                SpriteTable.clear();
                playtest::ClearField();
                TalkState = cTalkState();
            });
    }

    // One game-scene frame of the talk at step 1: Cheska in place (her counter
    // reaches 20), Crow listening; nothing pressed.
    // `adjust` may change the window's state before the frame.
    d3d9test::Image Frame(const std::function<void()>& talk, const std::function<void()>& adjust = nullptr) {
        TalkState = cTalkState();
        TalkState.step = 1;
        TalkState.slideCounter[talk::Cheska] = 19;
        TalkState.slideCounter[talk::Crow] = 19;
        if (adjust) adjust();
        playtest::SetButtons(0, 0);
        playtest::SetButtons(0, 0);
        boss_->talk = talk;
        EXPECT_TRUE(Kestra3D::Clear(1, 0xFF000000u, 1.0f, 0, nullptr));
        DrawGameScene(GameState);
        return d3d9test::ReadRenderTarget(Kestra3D::GetDevice());
    }

    // The same frame with a slot's sprite or the font left out.
    d3d9test::Image Without(std::vector<int> slots, bool font, const std::function<void()>& adjust = nullptr) {
        std::vector<CSprite2D*> kept;
        for (int s : slots) kept.push_back(std::exchange(SpriteTable[size_t(s)].sprite, nullptr));
        CFontSprite2D* keptFont = font ? std::exchange(FontTable[0], nullptr) : nullptr;
        const d3d9test::Image image = Frame(UpdateTalkCheskaStage5MidAfter, adjust);
        for (size_t i = 0; i < slots.size(); ++i) SpriteTable[size_t(slots[i])].sprite = kept[i];
        if (font) FontTable[0] = keptFont;
        return image;
    }

    TalkingBoss* boss_ = nullptr;
};

TEST_F(TalkScreen, ATalkFrameShowsBalloonsOverPortraitsTheListenerDimmedAndTheTextsInside) {
    InDemoTalk([&] {
        const d3d9test::Image full = Frame(UpdateTalkCheskaStage5MidAfter);
        ASSERT_FALSE(gallerygl::WriteScreenshot(full, "talk").empty());
        const d3d9test::Image noText = Without({}, true);
        auto at = [](const d3d9test::Image& i, int x, int y) { return i.at(UINT(x), UINT(y)); };

        // The layers: with the balloons moved onto the portraits, the frame shows
        // the upper balloon's pixel (opaque, Cheska speaks) wherever it covers
        // her portrait, never the portrait's.
        const auto onPortraits = [] {
            TalkState.upperBalloonPos[0] = 0;
            TalkState.upperBalloonPos[1] = 60;
            TalkState.lowerBalloonPos[0] = 300;
            TalkState.lowerBalloonPos[1] = 300;
        };
        const d3d9test::Image covered = Frame(UpdateTalkCheskaStage5MidAfter, onPortraits);
        const d3d9test::Image noBalloons = Without({25}, false, onPortraits);
        const d3d9test::Image noPortraits = Without({13, 15}, false, onPortraits);
        ASSERT_FALSE(gallerygl::WriteScreenshot(covered, "talk_layers").empty());
        int overlap = 0, balloonWins = 0, portraitWins = 0;
        for (int y = kUpperPortrait.y0; y < kUpperPortrait.y1; ++y)
                for (int x = kUpperPortrait.x0; x < kUpperPortrait.x1; ++x) {
                    const uint32_t b = at(noPortraits, x, y), p = at(noBalloons, x, y), f = at(covered, x, y);
                    if (!Lit(b) || !Lit(p) || Difference(b, p) < 24) continue;
                    ++overlap;
                    if (Difference(f, b) <= 3) ++balloonWins;
                    if (Difference(f, p) <= 3) ++portraitWins;
                }
        EXPECT_GT(overlap, 500);
        EXPECT_GT(balloonWins, overlap * 9 / 10) << "of " << overlap;
        EXPECT_LT(portraitWins, overlap / 20) << "of " << overlap;

        // The listener: Crow dimmed to alpha 180 beside Cheska at full alpha.
        // Against the same frame with Crow speaking in place at alpha 255, his
        // pixels (outside the balloon) come out at 180/255 of their brightness.
        using namespace talk;
        namespace text = talktext::CheskaStage5;
        static constexpr TalkStep kCrowSpeaks[] = {
            Line(1, Speak(Cheska, 14, text::midAfter1), Speak(Crow, 0, text::midAfter0), Next(2)),
        };
        static constexpr TalkScript kTalk{kCrowSpeaks, {NextPhaseA, ResetWindow}};
        const d3d9test::Image speaking = Frame([] { RunTalk(kTalk); });
        double dimmed = 0, bright = 0;
        for (int y = kLowerPortrait.y0; y < kLowerPortrait.y1; ++y)
            for (int x = kLowerBalloon.x1; x < kLowerPortrait.x1; ++x)
                for (int ch = 0; ch < 3; ++ch) {
                    dimmed += Channel(at(full, x, y), ch);
                    bright += Channel(at(speaking, x, y), ch);
                }
        ASSERT_GT(bright, 0.0);
        EXPECT_NEAR(dimmed / bright, 180.0 / 255.0, 0.02);
        // Cheska speaks: her pixels are the same in both frames.
        int same = 0, lit = 0;
        for (int y = kUpperPortrait.y0; y < kUpperPortrait.y1; ++y)
            for (int x = kUpperPortrait.x0; x < kUpperBalloon.x0; ++x) {
                if (!Lit(at(full, x, y))) continue;
                ++lit;
                if (Difference(at(full, x, y), at(speaking, x, y)) <= 1) ++same;
            }
        EXPECT_GT(lit, 1000);
        EXPECT_EQ(same, lit);

        // The texts: every pixel they change lies inside a balloon, and both balloons hold some.
        int inUpper = 0, inLower = 0, outside = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) {
                if (Difference(at(full, x, y), at(noText, x, y)) <= 8) continue;
                if (kUpperBalloon.Has(x, y)) ++inUpper;
                else if (kLowerBalloon.Has(x, y)) ++inLower;
                else ++outside;
            }
        EXPECT_GT(inUpper, 200);
        EXPECT_GT(inLower, 200);
        EXPECT_EQ(outside, 0);
    });
}

}  // namespace
