// The boss's gauge, bonus digits and banner drawn for real (GL backend,
// private Xvfb) by the game scene's frame, on a HUD sheet whose regions are
// flat colours, and read back: each region lands where its quad says, the
// bar stops at its full length, and the banner blends with its flash.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/graphics/Kestra3D.h"
#include "game/bosses/Stage01Boss.h"
#include "game/shell/GameDraw.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"
#include "tests/engine/graphics/sprite_test_env.h"
#include "tests/game/objects/play_harness.h"

namespace {

constexpr uint32_t kFrame = 0xFF00FF00u, kBar = 0xFFFFFF00u, kSeconds = 0xFF00FFFFu;
constexpr uint32_t kLabel = 0xFFFF00FFu, kDigits = 0xFFFF8000u, kCutIn = 0xFF0000FFu, kFlash = 0xFFFF0000u;

// A 1024 x 1024 sheet, transparent but for flat rectangles.
std::vector<uint32_t> Sheet(const std::vector<std::pair<std::vector<int>, uint32_t>>& regions) {
    std::vector<uint32_t> p(1024 * 1024, 0);
    for (const auto& [r, colour] : regions)
        for (int y = r[1]; y < r[1] + r[3]; ++y)
            for (int x = r[0]; x < r[0] + r[2]; ++x) p[size_t(y) * 1024 + size_t(x)] = colour;
    return p;
}

class BossHudGl : public spritetest::SpriteTest {
protected:
    void Put(int slot, const std::string& file, const std::vector<uint32_t>& pixels) {
        SpriteEntry& e = SpriteTable[size_t(slot)];
        e.texture = KestraTexture::CreateFromFile(Scratch(file, spritetest::MakeTga(1024, 1024, pixels)).c_str(), 14, 0);
        e.sprite = KestraSprite2D::Create(600, 1, false);
        ASSERT_TRUE(e.texture && e.sprite);
        KestraSprite2D::SetTexture(e.sprite, 0, e.texture);
    }
    void Release() {
        for (SpriteEntry& e : SpriteTable) {
            KestraSprite2D::Release(e.sprite);
            KestraTexture::Release(e.texture);
            e = SpriteEntry{nullptr, nullptr};
        }
        delete BossA;
        BossA = nullptr;
    }
    d3d9test::Image Frame() {
        EXPECT_TRUE(Kestra3D::Clear(1, 0xFF000000u, 1.0f, 0, nullptr));
        DrawGameScene(GameState);
        return d3d9test::ReadRenderTarget(Device());
    }
};

bool Near(uint32_t pixel, int r, int g, int b) {
    return std::abs(int(pixel >> 16 & 0xFF) - r) <= 3 && std::abs(int(pixel >> 8 & 0xFF) - g) <= 3 &&
           std::abs(int(pixel & 0xFF) - b) <= 3;
}
bool Is(uint32_t pixel, uint32_t colour) { return Near(pixel, colour >> 16 & 0xFF, colour >> 8 & 0xFF, colour & 0xFF); }

TEST_F(BossHudGl, GaugeBonusAndBannerLandOnTheirPixels) {
    InGl(
        [&] {
            SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
            FontTable.assign(kFontTableSize, nullptr);
            Put(4, "hud.tga",
                Sheet({{{0, 228, 595, 30}, kFrame},
                       {{263, 258, 289, 14}, kBar},
                       {{455, 22, 120, 18}, kSeconds},
                       {{0, 258, 263, 55}, kLabel},
                       {{455, 40, 350, 50}, kDigits}}));
            Put(28, "cutin.tga", Sheet({{{0, 0, 1024, 480}, kCutIn}}));
            Put(31, "flash.tga", Sheet({{{0, 0, 1024, 480}, kFlash}}));
            GameState = cGameState();
            GameState.subState = kSubStateDialogue;  // no overlay of the scene's own
            ScrollX = ScrollY = 0.0f;
            auto* boss = new Stage01Boss();
            BossA = boss;
            boss->active = 1;
            boss->x = boss->y = 300.0f;
            boss->phase = 5;  // a break: gauge, bonus and banner
            boss->hp = 30.0f;
            boss->maxHp = 60.0f;
            boss->secondsLeft = 42;
            boss->lastBonus = 1234567;
            boss->phaseTimer = 20;  // the flash over the banner
            boss->bannerX = 620;    // drawn from x 600 after this frame's step
            d3d9test::Image out = Frame();
            ASSERT_EQ(out.width, 640u);
            EXPECT_TRUE(Is(out.at(25, 20), kFrame));
            EXPECT_TRUE(Is(out.at(140, 28), kBar));
            EXPECT_TRUE(Is(out.at(274, 28), kBar));
            EXPECT_TRUE(Is(out.at(290, 28), kFrame));  // past half the bar
            EXPECT_TRUE(Is(out.at(535, 33), kSeconds));
            EXPECT_TRUE(Is(out.at(547, 33), kSeconds));
            EXPECT_TRUE(Is(out.at(300, 190), kLabel));
            for (int i = 0; i < 7; ++i) EXPECT_TRUE(Is(out.at(UINT(247 + 40 * i), 265), kDigits)) << i;
            EXPECT_TRUE(Is(out.at(267, 265), 0xFF000000u));  // between two digits
            // The banner at alpha 220 with the flash's 130 added on top.
            EXPECT_TRUE(Near(out.at(620, 300), 130, 0, 220)) << std::hex << out.at(620, 300);
            EXPECT_TRUE(Is(out.at(590, 300), 0xFF000000u));

            // Two players, an opening attack above its full hp: the bar stops at 289.
            GameState.twoPlayer = 1;
            boss->phase = 2;
            boss->hp = 96.0f;
            out = Frame();
            EXPECT_TRUE(Is(out.at(415, 28), kBar));
            EXPECT_TRUE(Is(out.at(425, 28), kFrame));
            EXPECT_TRUE(Is(out.at(620, 300), 0xFF000000u));  // no banner in an attack
            // Defeated below 0: no bar at all, nor a sliver left of it.
            boss->hp = -20.0f;
            out = Frame();
            EXPECT_TRUE(Is(out.at(133, 28), kFrame));
            EXPECT_TRUE(Is(out.at(128, 28), kFrame));
        },
        [&] { Release(); });
}

}  // namespace
