// A gallery of every attack of the ten bosses, drawn for real (GL backend,
// private Xvfb) by the game scene with the generated demo data set. Each
// attack is played on its own on difficulty 2, from the phase machine's step
// into the break before it (the break walks the boss to the attack's start),
// against the invincible aiming player, for up to 600 frames or until the
// player's shots end it; the frame with the most enemy bullets and
// enemies on the field is then played again and the frame after it drawn (a
// frame draws the state the last one left). The picture goes to
// <build>/screenshots/boss_<n>_<phase>.png with a one-line .txt legend: n 1 to
// 4 the bosses of stages 1 to 4, 5 Osero, 6 Crow, 7 Cheska, 8 Yuri, 9 Palet
// and Copic, 10 Deena. Every picture shows the gauge's outline and its bar as
// far as the hp reaches, the boss's body where it was drawn and the attack's
// bullets and enemies; a named attack draws its name in the skill font on top
// of it all, the opening attack none.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraFontSprite2D.h"
#include "game/objects/ObjectTypes.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cEnemyObjectBase.h"
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
#include "tools/demodata/Generator.h"

namespace {

constexpr int32_t kDifficulty = 2;
constexpr int32_t kAttackFrames = 600;
constexpr uint32_t kSeed = 7;
constexpr int32_t kBodySlot = sheet::kBossBody;

struct Boss {
    int32_t number;  // in the pictures' names
    const char* who;
    int32_t stage, team, code;
    int32_t named;  // its named attacks, the next ones of the demo data's list of attack names
};
const Boss kBosses[] = {
    {1, "Shamyu", 1, 1, 200, 3}, {2, "Fururu", 2, 1, 201, 3}, {3, "Still", 3, 1, 202, 3},
    {4, "Momo and Nono", 4, 1, 203, 4}, {5, "Osero", 5, 1, 204, 2}, {6, "Crow", 5, 2, 204, 2},
    {7, "Cheska", 5, 1, 205, 5}, {8, "Yuri", 5, 2, 205, 5}, {9, "Palet and Copic", 6, 1, 290, 4},
    {10, "Deena", 6, 1, 291, 6},
};

// Deena's last attack starts worn down to its beam stage: the walls of its
// full hp would fill all 600 frames.
float StartingHp(const Boss& b, int32_t phase) { return b.number == 10 && phase == 14 ? 300.0f : 0.0f; }

// What fills the field: enemy bullets in flight (not the cancelled ones
// turning into items) and awake enemies.
struct Crowd {
    int32_t bullets = 0, enemies = 0;
    int32_t Total() const { return bullets + enemies; }
};
Crowd CountCrowd() {
    Crowd c;
    for (const cEnemyBulletBase* b : ObjectManager.enemyBullets) c.bullets += b->isActive && b->element != 10 ? 1 : 0;
    for (const cEnemyObjectBase* e : ObjectManager.enemyList) c.enemies += e->isActive == 1 && !e->isDying ? 1 : 0;
    return c;
}

int R(uint32_t c) { return int(c >> 16 & 0xFF); }
int G(uint32_t c) { return int(c >> 8 & 0xFF); }
int B(uint32_t c) { return int(c & 0xFF); }
bool Bright(uint32_t c) { return R(c) > 200 && G(c) > 200 && B(c) > 200; }
bool Same(uint32_t a, uint32_t b, int tolerance) {
    return std::abs(R(a) - R(b)) <= tolerance && std::abs(G(a) - G(b)) <= tolerance && std::abs(B(a) - B(b)) <= tolerance;
}
// The gauge bar's red (the demo sheet's gradient), not the field's greens, greys and blues.
bool BarRed(uint32_t c) { return R(c) > 180 && R(c) - G(c) > 80 && R(c) - B(c) > 60; }

// Pixels of the box [x0, x1) x [y0, y1), every `step`-th each way, inside the
// picture, for which `count` holds.
template <class F>
int CountIn(const d3d9test::Image& image, int x0, int y0, int x1, int y1, int step, F count) {
    int n = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, int(image.height)); y += step)
        for (int x = std::max(x0, 0); x < std::min(x1, int(image.width)); x += step) n += count(UINT(x), UINT(y)) ? 1 : 0;
    return n;
}

// The scene's additive layers: bullets' glow, effects, the cut-in's flash.
bool Additive(int32_t slot) { return slot == 8 || slot == 10 || slot == 31; }
// The alpha-blended layers the scene draws over the bosses' bodies: the HUD
// and the cut-ins, then the stage title, the ending and the talk.
constexpr std::initializer_list<int32_t> kOverBodies = {4,  28, 29, 30, 37, 38, 27, 12, 13, 17, 15, 16,
                                                        19, 18, 20, 21, 22, 23, 24, 14, 25, 26, 39};
// Those drawn over the field's bullets and enemies: the bosses' circles and bodies too.
constexpr std::initializer_list<int32_t> kOverField = {32, 33, 4,  28, 29, 30, 37, 38, 27, 12, 13, 17, 15,
                                                       16, 19, 18, 20, 21, 22, 23, 24, 14, 25, 26, 39};

// The drawn frame as the recorder saw it.
struct DrawnFrame {
    d3d9test::Image image;
    std::vector<playtest::Quad> quads;
    std::vector<std::string> texts;
};

class BossGallery : public spritetest::SpriteTest {
protected:
    void StartGl() override {
        SpriteTest::StartGl();
        ASSERT_TRUE(KestraFontSprite2D::Initialize());
    }

    static void ReleaseSprites() {
        for (SpriteEntry& e : SpriteTable) {
            KestraSprite2D::Release(e.sprite);
            KestraTexture::Release(e.texture);
        }
        SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
    }

    // The pictures of the boss's fight: the team's by the title's own start
    // (its players' sheets and the common ones), then the stage's.
    static void LoadBoss(const Boss& boss) {
        ReleaseSprites();
        playtest::ResetField(kSeed);
        const cGameStartCalls calls = {[](int32_t, float, float) {}, LoadCommonSprites, [](int32_t) {}, [] {}, [] {},
                                       [] {}};
        SetGameStartCalls(&calls);
        TitleState = cTitleState();
        TitleState.teamCursor = boss.team - 1;
        GameState.stage = 2;  // no stage of its own to load
        testing::internal::CaptureStdout();  // the loads print their lines
        StartNewGame();
        SetGameStartCalls(nullptr);
        LoadStageResources(boss.stage);
        testing::internal::GetCapturedStdout();
    }

    // The attack from the break before it (the opening attack from its own
    // start), the pictures out of the table but in the attack's frame
    // `drawAt` (0: never), which goes to `drawn`; answers the crowd after each
    // of the attack's frames while it lasts.
    static std::vector<Crowd> PlayAttack(const Boss& boss, int32_t phase, int32_t frames, int32_t drawAt,
                                         DrawnFrame* drawn) {
        playtest::ResetField(kSeed);
        playtest::StartPlayers(boss.team, false, 320, 400);
        GameState.stage = boss.stage;
        GameState.difficulty = kDifficulty;
        GameState.hudAlpha = 255;
        testing::internal::CaptureStdout();  // a stage-5 boss reloads its pictures as it wakes
        cBossBase* b = playtest::StartBossAttack(boss.code, phase == 2 ? 2 : phase - 1, 120.0f);
        testing::internal::GetCapturedStdout();
        ScrollHalt = 1;  // as the talk before the fight left it
        std::vector<Crowd> crowds;
        EXPECT_NE(b, nullptr);
        if (!b) return crowds;
        std::vector<SpriteEntry> pictures(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
        pictures.swap(SpriteTable);
        // The break walks the boss to where the attack starts.
        for (int32_t f = 0; f < 200 && b->phase == phase - 1; ++f) playtest::PlayScheduleFrame();
        EXPECT_EQ(b->phase, phase);
        if (StartingHp(boss, phase) > 0.0f) b->hp = StartingHp(boss, phase);
        for (int32_t f = 1; f <= frames && b->phase == phase; ++f) {
            if (f != drawAt) {
                playtest::PlayScheduleFrame();
            } else {
                pictures.swap(SpriteTable);
                playtest::QuadRecorder recorder;
                playtest::PlayScheduleFrame();
                pictures.swap(SpriteTable);
                drawn->image = d3d9test::ReadRenderTarget(Kestra3D::GetDevice());
                drawn->quads = recorder.quads;
                for (const playtest::Text& t : recorder.texts) drawn->texts.push_back(t.text);
            }
            crowds.push_back(CountCrowd());
        }
        pictures.swap(SpriteTable);
        return crowds;
    }

    // The frame's quads of some slots drawn again on their own over a colour,
    // in the scene's order and blends (the additive particle layers last).
    static d3d9test::Image Alone(const DrawnFrame& frame, std::initializer_list<int32_t> slots, uint32_t background,
                                 bool opaqueOnly) {
        for (int32_t slot : slots) KestraSprite2D::Begin(SpriteTable[size_t(slot)].sprite);
        for (const playtest::Quad& q : frame.quads) {
            if (std::find(slots.begin(), slots.end(), q.slot) == slots.end()) continue;
            if (opaqueOnly && q.colour >> 24 != 0xFF) continue;
            if (q.turned)
                DrawTurned(q.slot, q.dst[0], q.dst[1], q.dst[2], q.dst[3], q.src[0], q.src[1], q.src[2], q.src[3],
                           q.colour, q.angle);
            else
                DrawPlain(q.slot, q.dst[0], q.dst[1], q.dst[2], q.dst[3], q.src[0], q.src[1], q.src[2], q.src[3],
                          q.colour);
        }
        for (int32_t slot : slots) KestraSprite2D::End(SpriteTable[size_t(slot)].sprite);
        EXPECT_TRUE(Kestra3D::Clear(1, background, 1.0f, 0, nullptr));
        EXPECT_TRUE(Kestra3D::BeginScene());
        for (bool additive : {false, true}) {
            Kestra3D::SetBlendingType(additive ? 2 : 1);
            for (int32_t slot : slots)
                if (Additive(slot) == additive) KestraSprite2D::Render(SpriteTable[size_t(slot)].sprite);
        }
        Kestra3D::EndScene();
        return d3d9test::ReadRenderTarget(Kestra3D::GetDevice());
    }

    // A text alone in the skill font at the attack name's place, over a colour.
    static d3d9test::Image NameAlone(const std::string& name, const cBossBase& b, uint32_t background) {
        KestraFontSprite2D::Begin(FontTable[1], 0);
        DrawFontText(name.c_str(), b.nameX, b.nameY, 1, kPlayDepth);
        KestraFontSprite2D::End(FontTable[1]);
        EXPECT_TRUE(Kestra3D::Clear(1, background, 1.0f, 0, nullptr));
        EXPECT_TRUE(Kestra3D::BeginScene());
        KestraFontSprite2D::Render(FontTable[1]);
        Kestra3D::EndScene();
        return d3d9test::ReadRenderTarget(Kestra3D::GetDevice());
    }

    // Where the frame's quads of some alpha-blended slots, or the name (its
    // glyphs over black and over white, their dark edge too), draw anything:
    // what is drawn there may cover what lies below.
    static std::vector<bool> Covered(const DrawnFrame& frame, std::initializer_list<int32_t> slots,
                                     const d3d9test::Image& glyphs, const d3d9test::Image& glyphsOverWhite) {
        const d3d9test::Image overBlack = Alone(frame, slots, 0xFF000000u, false);
        const d3d9test::Image overWhite = Alone(frame, slots, 0xFFFFFFFFu, false);
        std::vector<bool> covered(overBlack.pixels.size());
        for (size_t i = 0; i < covered.size(); ++i)
            covered[i] = !Same(overBlack.pixels[i], 0xFF000000u, 2) || !Same(overWhite.pixels[i], 0xFFFFFFFFu, 2) ||
                         !Same(glyphs.pixels[i], 0xFF000000u, 2) || !Same(glyphsOverWhite.pixels[i], 0xFFFFFFFFu, 2);
        return covered;
    }

    // What every picture shows.    // What every picture shows.
    void CheckPicture(const DrawnFrame& frame, const cBossBase& b, const Crowd& crowd, const std::string& name) {
        const d3d9test::Image& image = frame.image;
        // The gauge: its outline's top edge 3 px over the bar's length, and its bar in red as far as the hp reaches.
        EXPECT_GE(CountIn(image, 131, 19, 420, 20, 1, [&](UINT x, UINT y) { return Bright(image.at(x, y)); }), 143);
        const int bar = int(std::clamp(b.hp / b.maxHp * 289.0f, 0.0f, 289.0f));
        const auto red = [&](UINT x, UINT y) { return BarRed(image.at(x, y)); };
        EXPECT_GE(CountIn(image, 131, 29, 131 + bar, 30, 1, red) * 10, bar * 6) << "a bar of " << bar;
        if (bar < 250) {
            EXPECT_LE(CountIn(image, 131 + bar + 2, 29, 131 + bar + 32, 30, 1, red), 9) << "past a bar of " << bar;
        }
        // The name's glyphs alone, at its place.
        const d3d9test::Image glyphs = NameAlone(name, b, 0xFF000000u), glyphsOverWhite = NameAlone(name, b, 0xFFFFFFFFu);
        // The body: its opaque pixels (the same over black and over white)
        // stand in the picture wherever nothing drawn later covers them.
        const d3d9test::Image bodyOverBlack = Alone(frame, {kBodySlot}, 0xFF000000u, true);
        const d3d9test::Image bodyOverWhite = Alone(frame, {kBodySlot}, 0xFFFFFFFFu, true);
        const std::vector<bool> overBody = Covered(frame, kOverBodies, glyphs, glyphsOverWhite);
        int opaque = 0, open = 0, shown = 0;
        for (size_t i = 0; i < image.pixels.size(); ++i) {
            if (!Same(bodyOverBlack.pixels[i], bodyOverWhite.pixels[i], 2)) continue;
            ++opaque;
            if (overBody[i]) continue;
            ++open;
            shown += Same(image.pixels[i], bodyOverBlack.pixels[i], 6) ? 1 : 0;
        }
        EXPECT_GE(opaque, 300) << "the body at (" << int(b.x - ScrollX) << ", " << int(b.y - ScrollY) << ")";
        EXPECT_GE(shown * 20, open * 19) << shown << " of " << open << " body pixels in the open";
        // The attack's bullets and enemies: drawn over black they give the
        // least each pixel can be (blending and glow only add to what lies
        // below), so wherever nothing drawn later covers them the picture is
        // at least that bright.
        const d3d9test::Image field = Alone(frame, {5, 6, 7, 8, 10}, 0xFF000000u, false);
        const std::vector<bool> overField = Covered(frame, kOverField, glyphs, glyphsOverWhite);
        int drawn = 0, kept = 0;
        for (size_t i = 0; i < image.pixels.size(); ++i) {
            const uint32_t f = field.pixels[i], p = image.pixels[i];
            if (overField[i] || std::max({R(f), G(f), B(f)}) < 100) continue;
            ++drawn;
            kept += R(p) >= R(f) - 8 && G(p) >= G(f) - 8 && B(p) >= B(f) - 8 ? 1 : 0;
        }
        EXPECT_GE(drawn, std::min(100 + 10 * crowd.Total(), 2000)) << crowd.Total() << " bullets and enemies";
        EXPECT_GE(kept * 20, drawn * 19) << kept << " of " << drawn << " field pixels at least as bright";
        // A named attack: the name's glyphs on top of it all; the opening attack none.
        EXPECT_EQ(frame.texts, name.empty() ? std::vector<std::string>{} : std::vector<std::string>{name});
        if (name.empty()) return;
        int lit = 0, onTop = 0;
        for (UINT y = 0; y < image.height; ++y) {
            for (UINT x = 0; x < image.width; ++x) {
                if (!Bright(glyphs.at(x, y))) continue;
                ++lit;
                onTop += Bright(image.at(x, y)) ? 1 : 0;
            }
        }
        EXPECT_GT(lit, 100) << "the skill font draws the name";
        EXPECT_GE(onTop * 10, lit * 9) << onTop << " of " << lit << " glyph pixels";
    }
};

TEST_F(BossGallery, EveryAttackOfTheTenBossesInTheThickOfItWithTheDemoData) {
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
            int32_t shots = 0;
            const std::vector<std::string> names = demodata::AttackNames();
            size_t firstName = 0;
            for (const Boss& boss : kBosses) {
                LoadBoss(boss);
                for (int32_t phase = 2; phase <= 2 + 2 * boss.named; phase += 2) {
                    SCOPED_TRACE(testing::Message() << boss.who << " phase " << phase);
                    // Where the attack is thickest; then that frame again, and the next drawn.
                    const std::vector<Crowd> crowds = PlayAttack(boss, phase, kAttackFrames, 0, nullptr);
                    ASSERT_FALSE(crowds.empty());
                    int32_t thickest = 1;
                    for (int32_t f = 1; f <= int32_t(crowds.size()); ++f)
                        if (crowds[size_t(f - 1)].Total() > crowds[size_t(thickest - 1)].Total()) thickest = f;
                    DrawnFrame frame;
                    const std::vector<Crowd> again = PlayAttack(boss, phase, thickest + 1, thickest + 1, &frame);
                    // The replay is the same fight, and the drawn frame came.
                    ASSERT_GE(again.size(), size_t(thickest));
                    const Crowd& crowd = again[size_t(thickest - 1)];
                    EXPECT_EQ(crowd.Total(), crowds[size_t(thickest - 1)].Total());
                    ASSERT_EQ(frame.image.width, 640u);
                    const cBossBase* b = objecttype::TakesSecondBossSlot(boss.code) ? BossB : BossA;
                    ASSERT_NE(b, nullptr);
                    const std::string name = "boss_" + std::to_string(boss.number) + "_" + std::to_string(phase);
                    ASSERT_FALSE(gallerygl::WriteScreenshot(frame.image, name).empty());
                    const std::string attack = phase == 2 ? "" : names.at(firstName + size_t(phase / 2 - 2));
                    std::ofstream(folder / (name + ".txt"))
                        << boss.who << ", stage " << boss.stage << ", team " << boss.team << ", difficulty "
                        << kDifficulty << ", phase " << phase << ": " << (attack.empty() ? "opening attack" : attack)
                        << (StartingHp(boss, phase) > 0.0f ? " (started worn down)" : "") << "; frame " << thickest
                        << " of the attack (the thickest of its first " << crowds.size() << "): " << crowd.bullets
                        << " enemy bullets and " << crowd.enemies << " enemies on the field; the boss at ("
                        << int(b->x - ScrollX) << ", " << int(b->y - ScrollY) << ") on screen, hp " << b->hp << " of "
                        << b->maxHp << ", " << b->secondsLeft << " s left.\n";
                    CheckPicture(frame, *b, crowd, attack.empty() ? "" : testsupport::Utf8ToCp932(attack));
                    ++shots;
                }
                testing::internal::CaptureStdout();
                ReleaseStageResources(boss.stage);
                testing::internal::GetCapturedStdout();
                firstName += size_t(boss.named);
            }
            EXPECT_EQ(shots, 4 + 4 + 4 + 5 + 3 + 3 + 6 + 6 + 5 + 7);  // every attack of difficulty 2
            EXPECT_EQ(firstName, names.size());
        },
        [&] {
            ReleaseSprites();
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
