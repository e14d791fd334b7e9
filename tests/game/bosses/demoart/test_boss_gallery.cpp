// A gallery of every attack of the first four bosses, drawn for real (GL
// backend, private Xvfb) by the game scene with the generated demo data set:
// each boss fights on difficulty 2 against the invincible aiming player, and
// one frame in the thick of each attack (the most bullets in its first 600
// frames) goes to <build>/screenshots/boss_<stage>_<phase>.png, with a .txt
// legend. The pictures show the boss, its gauge and its name; the art of
// every boss quad lies in the set's cells.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/graphics/KestraFontSprite2D.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/GameStart.h"
#include "game/shell/MenuCommon.h"
#include "game/shell/StageResources.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"
#include "platform/win32/win32.h"
#include "tests/engine/graphics/sprite_test_env.h"
#include "tests/game/objects/gallery_render.h"
#include "tests/game/objects/play_harness.h"
#include "tools/demodata/Inventory.h"

namespace {

constexpr int32_t kDifficulty = 2;
constexpr int32_t kAttackFrames = 600;  // an attack still running then is ended by its hp

struct Boss {
    const char* who;
    const char8_t* names[4];  // of the named attacks of phases 4, 6, 8, 10
};
const Boss kBosses[4] = {
    {"Shamyu", {u8"ねこあたっく：はしる猫のしっぽ", u8"ねこあたっく：おっかけRUNRUN", u8"ねこあたっく：ちょとつもーしん！"}},
    {"Fururu", {u8"花椿：ノーヴルフルール", u8"花椿：ディスパーサータイム", u8"花椿：リングフォーチュン"}},
    {"Still", {u8"剛盾：リフレクトシールド", u8"剛盾：ディメンジョンビット", u8"剛盾：英雄の盾"}},
    {"Momo and Nono",
     {u8"はこにわサバイバル！", u8"はーと！キャッチボール", u8"どっきりぴんぼーる", u8"ふたりのおにとおにごっこ♪"}}};

// The texts drawn since the last clear.
std::vector<std::string> gTexts;
void RecordText(const FontDrawRecord& r, void*) {
    if (r.text) gTexts.push_back(r.text);
}

// Enemy bullets in flight (not the cancelled ones turning into items).
int32_t ActiveBullets() {
    int32_t n = 0;
    for (const cEnemyBulletBase* b : ObjectManager.enemyBullets) n += b->isActive && b->element != 10 ? 1 : 0;
    return n;
}

// The fight from the boss's arrival to the tally. `frame` runs after every
// game-scene frame with the frame's number and the boss's frames in its phase.
void Fight(int32_t stage, const std::function<void(int32_t frame, int32_t inPhase)>& frame) {
    playtest::StartBossFight(stage, kDifficulty, false, 7);
    GameState.hudAlpha = 255;
    int32_t phase = -1, inPhase = 0;
    for (int32_t f = 1; f <= 20000 && GameState.subState != kSubStateTally; ++f) {
        playtest::PlayScheduleFrame();
        cBossBase* boss = BossA;
        if (!boss) return;
        inPhase = boss->phase == phase ? inPhase + 1 : 0;
        phase = boss->phase;
        frame(f, inPhase);
        if (phase >= 2 && phase <= 14 && phase % 2 == 0 && inPhase >= kAttackFrames) boss->hp = 0.0f;
    }
}

class BossGallery : public spritetest::SpriteTest {
protected:
    void StartGl() override {
        SpriteTest::StartGl();
        ASSERT_TRUE(KestraFontSprite2D::Initialize());
    }
};

TEST_F(BossGallery, EveryAttackInTheThickOfItWithTheDemoData) {
    const std::string data = std::string(QUENRITH_DEMODATA_DIR) + "/data";
    ASSERT_TRUE(std::filesystem::is_regular_file(data + "/img/St01_Boss.png")) << "the demo data set is not written";
    const std::filesystem::path folder = std::filesystem::path(QUENRITH_BINARY_DIR) / "screenshots";
    std::filesystem::create_directories(folder);
    InGl(
        [&] {
            ASSERT_TRUE(SetCurrentDirectoryA(data.c_str()));
            SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
            FontTable.assign(kFontTableSize, nullptr);
            FontTable[1] = KestraFontSprite2D::CreateFromFile("skillfont.lfd", ".tga", 1, 2048, 0, 14);
            ASSERT_NE(FontTable[1], nullptr);
            // The pictures a new game of team 1 loads, by the title's own start.
            const cGameStartCalls calls = {[](int32_t, float, float) {}, LoadCommonSprites, [](int32_t) {}, [] {},
                                           [] {}, [] {}};
            SetGameStartCalls(&calls);
            TitleState = cTitleState();
            GameState = cGameState();
            GameState.stage = 2;  // no stage of its own to load
            StartNewGame();
            SetGameStartCalls(nullptr);
            ASSERT_NE(SpriteTable[0].sprite, nullptr);
            int32_t shots = 0;
            for (int32_t stage = 1; stage <= 4; ++stage) {
                SCOPED_TRACE(stage);
                LoadStageResources(stage);
                // First without pictures: where each attack is thickest.
                std::vector<SpriteEntry> loaded;
                loaded.swap(SpriteTable);
                SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
                std::map<int32_t, std::pair<int32_t, int32_t>> thickest;  // phase: frame, bullets
                Fight(stage, [&](int32_t f, int32_t inPhase) {
                    const int32_t phase = BossA->phase;
                    if (phase < 2 || phase > 14 || phase % 2 || inPhase >= kAttackFrames) return;
                    const int32_t n = ActiveBullets();
                    auto& best = thickest[phase];
                    if (best.first == 0 || n > best.second) best = {f, n};
                });
                SpriteTable.swap(loaded);
                ASSERT_GE(thickest.size(), 4u);
                // Then again, drawing the frame after each thickest one (a frame
                // is drawn from the state the last one left).
                std::map<int32_t, int32_t> wanted;  // frame to draw: phase
                for (const auto& [phase, best] : thickest) wanted[best.first + 1] = phase;
                gTexts.clear();
                SetFontDrawRecorder(RecordText, nullptr);
                Fight(stage, [&](int32_t f, int32_t) {
                    const auto it = wanted.find(f);
                    const std::vector<std::string> texts = std::move(gTexts);
                    gTexts.clear();
                    if (it == wanted.end()) return;
                    const int32_t phase = it->second;
                    const std::string attack =
                        phase == 2 ? "opening attack"
                                   : reinterpret_cast<const char*>(kBosses[stage - 1].names[phase / 2 - 2]);
                    // The named attacks show their names.
                    EXPECT_EQ(texts, phase == 2 ? std::vector<std::string>{}
                                                : std::vector<std::string>{testsupport::Utf8ToCp932(attack)});
                    const d3d9test::Image image = d3d9test::ReadRenderTarget(Device());
                    const std::string name = "boss_" + std::to_string(stage) + "_" + std::to_string(phase);
                    ASSERT_FALSE(gallerygl::WriteScreenshot(image, name).empty());
                    std::ofstream(folder / (name + ".txt"))
                        << kBosses[stage - 1].who << ", stage " << stage << ", difficulty " << kDifficulty
                        << ", phase " << phase << ": " << attack
                        << ", " << thickest[phase].second << " enemy bullets on the field (the most in the attack's "
                        << "first " << kAttackFrames << " frames), frame " << f - 1 << " of the fight; the boss at ("
                        << int(BossA->x - ScrollX) << ", " << int(BossA->y - ScrollY) << ") on screen, hp "
                        << BossA->hp << " of " << BossA->maxHp << ", " << BossA->secondsLeft << " s left.\n";
                    // The boss's body shows where it stands (its cell is not the black of the clear).
                    const int bx = int(BossA->x - ScrollX), by = int(BossA->y - ScrollY) + 10;
                    if (bx >= 0 && bx < 640 && by >= 0 && by < 480) {
                        EXPECT_NE(image.at(UINT(bx), UINT(by)) & 0xFFFFFF, 0u) << name;
                    }
                    // The gauge's frame at its place.
                    EXPECT_NE(image.at(30, 20) & 0xFFFFFF, 0u) << name;
                    ++shots;
                });
                SetFontDrawRecorder(nullptr, nullptr);
                ReleaseStageResources(stage);
            }
            EXPECT_EQ(shots, 4 + 4 + 4 + 5);  // every attack of difficulty 2
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
            KestraFontSprite2D::Finalize();
            playtest::ClearField();
        });
}

}  // namespace
