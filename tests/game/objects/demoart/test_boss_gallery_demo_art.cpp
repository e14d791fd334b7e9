// A gallery of the stage-5 and extra-stage bosses' attacks drawn for real (GL
// backend, private Xvfb) with the generated demo data set: each attack is
// played for a while on the field, then one whole game-scene frame is drawn
// with the shell's own scene drawing and saved as
// <build>/screenshots/boss_<n>_<phase>.png (n: 5 Osero, 6 Crow, 7 Cheska,
// 8 Yuri, 9 Palet and Copic, 10 Deena) with a .txt legend. The pixels read
// back show the boss's life gauge and a field full of its bullets.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraFontSprite2D.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/GameDraw.h"
#include "game/shell/StageResources.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"
#include "platform/d3dx9/image_encode.h"
#include "tests/engine/graphics/sprite_test_env.h"
#include "tests/game/objects/play_harness.h"

namespace {

struct Boss {
    int32_t number;  // in the screenshots' names
    const char* who;
    int32_t stage, team, code;
    std::vector<int32_t> attacks;
};
const Boss kBosses[] = {{5, "Osero", 5, 1, 204, {2, 4, 6}},
                        {6, "Crow", 5, 2, 204, {2, 4, 6}},
                        {7, "Cheska", 5, 1, 205, {2, 4, 6, 8, 10, 12}},
                        {8, "Yuri", 5, 2, 205, {2, 4, 6, 8, 10, 12}},
                        {9, "Palet and Copic", 6, 1, 290, {2, 4, 6, 8, 10}},
                        {10, "Deena", 6, 1, 291, {2, 4, 6, 8, 10, 12, 14}}};

// Frames each attack plays before its picture: into the thick of it.
int32_t FramesInto(const Boss& b, int32_t phase) {
    if (b.number == 10 && phase == 14) return 150;  // worn down: the beam stage
    if (b.number == 9 && phase == 6) return 1000;
    if (b.number == 8 && phase == 4) return 100;  // the railgun at its height
    return 420;
}

void WritePng(const d3d9test::Image& image, const std::filesystem::path& file) {
    d3dx9img::Image png;
    png.width = image.width;
    png.height = image.height;
    png.pixels = image.pixels;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(d3dx9img::EncodePng(png, false, &bytes));
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

bool Lit(uint32_t c) { return ((c >> 16) & 0xFF) > 24 || ((c >> 8) & 0xFF) > 24 || (c & 0xFF) > 24; }

class BossGalleryGl : public spritetest::SpriteTest {};

TEST_F(BossGalleryGl, EveryAttackOfTheLastBossesDrawsItsGaugeAndBullets) {
    const std::string data = std::string(QUENRITH_DEMODATA_DIR) + "/data";
    ASSERT_TRUE(std::filesystem::is_regular_file(data + "/img/particle.png")) << "the demo data set is not written";
    const std::filesystem::path folder = std::filesystem::path(QUENRITH_BINARY_DIR) / "screenshots";
    std::filesystem::create_directories(folder);
    InGl(
        [&] {
            ASSERT_TRUE(SetCurrentDirectoryA(data.c_str()));
            FontTable.assign(kFontTableSize, nullptr);
            FontTable[1] = KestraFontSprite2D::CreateFromFile("skillfont.lfd", ".tga", 1, 2000, 0, 14);
            for (const Boss& boss : kBosses) {
                std::ofstream legend(folder / ("boss_" + std::to_string(boss.number) + ".txt"));
                for (int32_t phase : boss.attacks) {
                    SCOPED_TRACE(testing::Message() << boss.who << " phase " << phase);
                    testing::internal::CaptureStdout();
                    SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
                    playtest::ResetField(31);
                    playtest::StartPlayers(boss.team, false, 320, 400);
                    GameState.stage = boss.stage;
                    GameState.difficulty = 2;
                    cGameState common;
                    common.team = boss.team;
                    LoadCommonSprites(common);
                    LoadStageResources(boss.stage);
                    cBossBase* b = playtest::StartBossAttack(boss.code, phase, 120.0f);
                    ASSERT_NE(b, nullptr);
                    b->hp = boss.number == 10 && phase == 14 ? 300.0f : 1e6f;
                    b->secondsLeft = 999;
                    Player1->isInvincible = 1;
                    for (int32_t f = 0; f < FramesInto(boss, phase); ++f) {
                        ObjectManager.UpdateObjects();
                        b->HitTest();  // keeps the bodies in view, as in play
                        b->Update();
                        ObjectManager.SweepObjects();
                        Player1->invincibleCount = -1000000;
                    }
                    b->hp = b->maxHp * 0.7f;  // a gauge part worn down
                    int32_t bullets = 0;
                    for (const cEnemyBulletBase* e : ObjectManager.enemyBullets) bullets += e->isActive ? 1 : 0;
                    EXPECT_TRUE(Kestra3D::Clear(1, 0xFF000000u, 1.0f, 0, nullptr));
                    DrawGameScene(GameState);
                    const d3d9test::Image image = d3d9test::ReadRenderTarget(Kestra3D::GetDevice());
                    testing::internal::GetCapturedStdout();
                    const std::string name = "boss_" + std::to_string(boss.number) + "_" + std::to_string(phase);
                    WritePng(image, folder / (name + ".png"));
                    legend << name << ".png: " << boss.who << ", phase " << phase << " after "
                           << FramesInto(boss, phase) << " frames on difficulty 2, " << bullets
                           << " enemy bullets and " << ObjectManager.enemyList.size() << " listed objects\n";
                    // The gauge's bar is lit where the hp reaches, the field has a picture.
                    EXPECT_TRUE(Lit(image.at(140, 28))) << std::hex << image.at(140, 28);
                    int lit = 0;
                    for (UINT y = 60; y < 480; y += 4)
                        for (UINT x = 0; x < 640; x += 4) lit += Lit(image.at(x, y)) ? 1 : 0;
                    EXPECT_GT(lit, 500);
                    for (SpriteEntry& e : SpriteTable) {
                        KestraSprite2D::Release(e.sprite);
                        KestraTexture::Release(e.texture);
                    }
                    SpriteTable.clear();
                    playtest::ClearField();
                }
            }
        },
        [&] {
            for (SpriteEntry& e : SpriteTable) {
                KestraSprite2D::Release(e.sprite);
                KestraTexture::Release(e.texture);
            }
            SpriteTable.clear();
            for (CFontSprite2D*& f : FontTable) {
                KestraFontSprite2D::Release(f);
                f = nullptr;
            }
            playtest::ClearField();
        });
}

}  // namespace
