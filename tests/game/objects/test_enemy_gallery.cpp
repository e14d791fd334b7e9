// The enemy galleries: every class appears in turn on a scrolling field with
// the players shooting at random, for 20,000 frames in one- and two-player
// mode on every difficulty. The field's invariants hold after every sweep, and
// every quad drawn lies inside a cell of the demo data set's picture for its slot.
#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <tuple>
#include <unordered_set>
#include <vector>

#include "game/objects/ObjectTypes.h"
#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"
#include "tests/game/objects/play_harness.h"
#include "tools/demodata/Inventory.h"

namespace {

// Every distinct source rectangle drawn while it lives, by slot. Slots whose
// picture changes with the stage (the enemy sheet, the background) also keep
// the class of the enemy drawing, since the gallery shows every class on one stage.
class DrawnArt {
public:
    DrawnArt() { SetSpriteDrawRecorder(&DrawnArt::Record, this); }
    ~DrawnArt() { SetSpriteDrawRecorder(nullptr, nullptr); }
    DrawnArt(const DrawnArt&) = delete;
    DrawnArt& operator=(const DrawnArt&) = delete;

    // Quads outside the demo art of `stage` played by `team`, one line each.
    std::vector<std::string> Problems(int stage, int team) const;
    size_t distinct() const { return seen_.size() + odd_.size(); }

private:
    struct Key {
        int slot, type;
        demodata::Box src;
    };
    static bool StageArt(int slot) { return slot == 5 || slot == 36; }
    // Keys of whole-texel rectangles within +-4095 texels pack into one word.
    static bool Packs(const Key& k) {
        return k.slot >= 0 && k.slot < 128 && k.type >= 0 && k.type < 128 && k.src.x >= -4096 && k.src.x < 4096 &&
               k.src.y >= -4096 && k.src.y < 4096 && k.src.w >= 0 && k.src.w < 4096 && k.src.h >= 0 && k.src.h < 4096;
    }
    static uint64_t Pack(const Key& k) {
        return uint64_t(k.slot) << 57 | uint64_t(k.type) << 50 | uint64_t(k.src.x + 4096) << 37 |
               uint64_t(k.src.y + 4096) << 24 | uint64_t(k.src.w) << 12 | uint64_t(k.src.h);
    }
    static Key Unpack(uint64_t v) {
        return Key{int(v >> 57), int(v >> 50 & 127),
                   {int(v >> 37 & 8191) - 4096, int(v >> 24 & 8191) - 4096, int(v >> 12 & 4095), int(v & 4095)}};
    }
    static void Record(const SpriteDrawRecord& r, void* context);
    std::unordered_set<uint64_t> seen_;
    std::vector<Key> odd_;  // rectangles too far out to pack
};

void DrawnArt::Record(const SpriteDrawRecord& r, void* context) {
    // The smallest whole-texel box holding the rectangle, mirrored ones turned round.
    float x0 = r.src[0], x1 = r.src[0] + r.src[2], y0 = r.src[1], y1 = r.src[1] + r.src[3];
    if (x1 < x0) std::swap(x0, x1);
    if (y1 < y0) std::swap(y0, y1);
    const int left = int(std::floor(x0)), top = int(std::floor(y0));
    Key k{r.slot, 0, {left, top, int(std::ceil(x1)) - left, int(std::ceil(y1)) - top}};
    if (StageArt(r.slot)) {
        // Only the enemy pass of DrawObjects draws these slots; its loop index names the enemy.
        const cObjectManager& m = ObjectManager;
        if (m.outerIndex >= 0 && m.outerIndex < int32_t(m.enemyList.size()))
            k.type = m.enemyList[size_t(m.outerIndex)]->type;
    }
    auto* self = static_cast<DrawnArt*>(context);
    if (Packs(k)) self->seen_.insert(Pack(k));
    else if (self->odd_.size() < 100) self->odd_.push_back(k);
}

std::string Describe(int slot, const std::string& sheet, const demodata::Box& b) {
    return "slot " + std::to_string(slot) + (sheet.empty() ? "" : " (" + sheet + ")") + ": (" + std::to_string(b.x) +
           ", " + std::to_string(b.y) + ") " + std::to_string(b.w) + "x" + std::to_string(b.h);
}

std::vector<std::string> DrawnArt::Problems(int stage, int team) const {
    using namespace demodata;
    std::vector<Key> keys = odd_;
    for (uint64_t v : seen_) keys.push_back(Unpack(v));
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        return std::tie(a.slot, a.type, a.src.x, a.src.y) < std::tie(b.slot, b.type, b.src.x, b.src.y);
    });
    std::vector<std::string> out;
    for (const Key& k : keys) {
        if (!StageArt(k.slot)) {
            const std::string sheet = SheetForSlot(k.slot, stage, team);
            const ImageAsset* image = FindImage(sheet);
            if (!image || !CellAround(*image, k.src))
                out.push_back(Describe(k.slot, sheet.empty() ? "no picture" : sheet, k.src) + " outside every cell");
            continue;
        }
        // The class's own look, on every stage sheet that has it.
        const std::string who = "class " + std::to_string(k.type) + ", ";
        const EnemyArt* art = FindEnemyArt(k.type);
        if (!art || art->slot != k.slot) {
            out.push_back(who + Describe(k.slot, "", k.src) + ": the art table has no such slot for the class");
            continue;
        }
        bool listed = false;
        for (const Box& b : art->rects) listed = listed || Inside(k.src, b);
        if (!listed) out.push_back(who + Describe(k.slot, "", k.src) + ": not among the class's rectangles");
        int holders = 0;
        for (int s = 1; s <= 6; ++s) {
            const ImageAsset* image = FindImage(SheetForSlot(k.slot, s, team));
            if (!image) continue;
            bool hasLook = false;
            for (const Cell& c : image->cells) hasLook = hasLook || c.group == art->look;
            if (!hasLook) continue;
            ++holders;
            if (!CoveredByCell(*image, art->look, k.src))
                out.push_back(who + Describe(k.slot, image->path, k.src) + " outside the " + art->look + " cells");
        }
        if (holders == 0) out.push_back(who + "no sheet holds the look " + art->look);
    }
    return out;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += "\n  " + l;
    return out;
}

// The test's own generator, apart from the game's.
struct Dice {
    std::minstd_rand engine;
    uint32_t Next() { return static_cast<uint32_t>(engine()); }
    int32_t Below(int32_t n) { return static_cast<int32_t>(Next() % static_cast<uint32_t>(n)); }
};

struct Mode {
    bool two;
    int32_t difficulty;
};

class EnemyGallery : public ::testing::TestWithParam<Mode> {
protected:
    void TearDown() override {
        playtest::SetScrollScript(nullptr);
        playtest::ClearField();
    }
};

TEST_P(EnemyGallery, Classes1To49InTurnFor20000Frames) {
    const bool two = GetParam().two;
    const int difficulty = GetParam().difficulty;
    playtest::ResetField(static_cast<uint32_t>(100 + difficulty));
    GameState.stage = 3;
    playtest::StartPlayers(1, two, 320, 400);
    GameState.difficulty = difficulty;
    Player1->stock = Player2->stock = 1000000;
    cObjectManager& m = ObjectManager;
    // The test's own generator, apart from the game's.
    std::minstd_rand rng(static_cast<uint32_t>(7 + difficulty * 2 + (two ? 1 : 0)));
    float scroll = 0.0f;
    playtest::SetScrollScript([&] {
        scroll -= 0.25f;
        ScrollY = scroll;
        ScrollX = 40.0f * static_cast<float>((StageFrame / 700) % 3) - 40.0f;
    });
    m.SpawnMapCell(5, 200, -100);
    DrawnArt drawn;
    int spawned[50] = {};
    bool seenActive[50] = {};
    for (int frame = 0; frame < 20000; ++frame) {
        if (frame % 400 == 0 && frame / 400 < 49) {
            const int type = 1 + (frame / 400) % 49;
            // Three of the class across the top of the view, in both elements,
            // appearing on the next stage frame as schedule lines do.
            for (int k = 0; k < 3; ++k) {
                const size_t before = m.enemyList.size();
                m.SpawnStageObject(100.0f + 220.0f * static_cast<float>(k), 60.0f + 40.0f * static_cast<float>(k),
                                   type, 8000 + 8192 * k, k == 1 ? 120 : 0, elements::FromNumber(k % 2),
                                   0.5f * static_cast<float>(k), 0.002f, 6.0f, StageFrame + 1);
                spawned[type] += static_cast<int>(m.enemyList.size() - before);
            }
            if (type == 32) m.SpawnStageObject(320, 200, 33, 0, 0, elements::kFire, 0, 0, 5.0f, StageFrame + 1);
        }
        for (int p = 0; p < 2; ++p)
            playtest::SetButtons(p, static_cast<uint16_t>((rng() & 0x1EF) | (rng() % 4 ? 0x10 : 0)));
        if (GameState.subState == kSubStateGameOver) GameState.subState = kSubStatePlay;
        playtest::PlayFrame();
        const std::string broken = playtest::CheckInvariants();
        ASSERT_TRUE(broken.empty()) << "frame " << frame << ": " << broken;
        for (const cEnemyObjectBase* e : m.enemyList)
            if (e->isActive && e->type >= 1 && e->type <= 49) seenActive[e->type] = true;
    }
    for (int type = 1; type <= 49; ++type) {
        EXPECT_EQ(spawned[type], 3) << type;
        EXPECT_TRUE(seenActive[type]) << type;
    }
    EXPECT_GT(Player1->score, 0);
    const std::vector<std::string> problems = drawn.Problems(3, 1);
    EXPECT_TRUE(problems.empty()) << problems.size() << " of " << drawn.distinct() << Joined(problems);
}

TEST_P(EnemyGallery, Classes50To98InTurnFor20000Frames) {
    const Mode mode = GetParam();
    playtest::ResetField(static_cast<uint32_t>(11 + mode.difficulty));
    playtest::StartPlayers(mode.two ? 2 : 1, mode.two);
    GameState.difficulty = mode.difficulty;
    Player1->stock = Player2->stock = 1000000;
    // A holder in boss slot A on one difficulty only: the others play without.
    if (mode.difficulty == 2) {
        BossA = new cBossBase();
        BossA->x = 320;
        BossA->y = 120;
    }
    cObjectManager& m = ObjectManager;
    Dice rng{std::minstd_rand(static_cast<uint32_t>(mode.difficulty * 2 + (mode.two ? 1 : 0) + 1))};
    float scroll = 0.0f;
    playtest::SetScrollScript([&] {
        scroll -= 0.25f;
        ScrollY = scroll;
        ScrollX = 40.0f * static_cast<float>((StageFrame / 700) % 3) - 40.0f;
        if (BossA) {
            BossA->x = ScrollX + 320.0f;
            BossA->y = ScrollY + 120.0f;
        }
    });
    static const int32_t kHeadings[] = {0, 16384, 32768, 49152, 8000, 40000};
    int32_t next = 50;
    int32_t spawnAt = 1;
    int32_t seen = 0;
    int64_t bulletFrames = 0;
    std::bitset<objecttype::kLastEnemy - 49> ranTypes;
    DrawnArt drawn;
    for (int32_t frame = 0; frame < 20000; ++frame) {
        if (StageFrame >= spawnAt) {
            // Placed before the frame advances the stage frame: it appears on the next.
            const int32_t appear = ScrollHalt ? StageFrame : StageFrame + 1;
            const int32_t type = next;
            const int32_t angle = kHeadings[rng.Below(6)];
            const float life = type == 80 ? static_cast<float>(1 + rng.Below(6)) : 40.0f;
            m.SpawnStageObject(static_cast<float>(120 + rng.Below(400)), static_cast<float>(40 + rng.Below(200)), type,
                               angle, rng.Below(400) - 200, elements::FromNumber(rng.Below(2)),
                               0.25f * static_cast<float>(rng.Below(3)), 0.001f * static_cast<float>(rng.Below(3)),
                               life, appear);
            cEnemyObjectBase* e = m.enemyList.back();
            if (type == 63 && BossA) e->mode = 1;  // held by the boss
            ++seen;
            next = next == objecttype::kLastEnemy ? 50 : next + 1;
            spawnAt = StageFrame + 150;
        }
        // The guardian holds the scroll for thousands of frames; let it go on.
        if (ScrollHalt && rng.Below(600) == 0) ScrollHalt = 0;
        for (int32_t p = 0; p < 2; ++p) {
            const uint16_t keys = static_cast<uint16_t>((rng.Next() & 0x1CF) | 0x10);
            playtest::SetButtons(p, keys);
        }
        if (rng.Below(700) == 0) m.CancelEnemyBullets();
        if (GameState.subState == kSubStateGameOver) GameState.subState = kSubStatePlay;
        playtest::PlayFrame();
        for (const cEnemyBulletBase* b : m.enemyBullets) bulletFrames += b->isActive;
        for (const cEnemyObjectBase* e : m.enemyList) {
            if (e->isActive && e->type >= 50 && e->type <= objecttype::kLastEnemy) ranTypes.set(static_cast<size_t>(e->type - 50));
        }
        const std::string broken = playtest::CheckInvariants();
        ASSERT_TRUE(broken.empty()) << "frame " << frame << ": " << broken;
    }
    EXPECT_GE(seen, static_cast<int32_t>(ranTypes.size()));
    EXPECT_TRUE(ranTypes.all());  // every class ran on the field
    EXPECT_GT(bulletFrames, 20000);    // and they fired
    EXPECT_GT(Player1->score, 0);
    const std::vector<std::string> problems = drawn.Problems(1, mode.two ? 2 : 1);
    EXPECT_TRUE(problems.empty()) << problems.size() << " of " << drawn.distinct() << Joined(problems);
}

// The art check itself: a rectangle outside every cell of its slot's picture, or
// outside its class's look, is reported; one inside is not.
TEST_F(EnemyGallery, ArtCheckReportsRectanglesOutsideTheCells) {
    playtest::ResetField(3);
    cObjectManager& m = ObjectManager;
    m.SpawnStageObject(320, 200, 9, 0, 0, elements::kFire, 0, 0, 5.0f, 0);  // a turret
    const float dst[4] = {0, 0, 40, 40};
    DrawnArt drawn;
    const float bullet[4] = {109, 0, 30, 29};     // graphic 1, warm
    const float stray[4] = {0, 0, 5, 5};          // nothing painted there
    const float turret[4] = {160, 0, 40, 40};     // the cool turret
    const float drone[4] = {0, 120, 40, 40};      // another class's look
    DrawSpriteEntryPlain(7, dst, 0, bullet, 0xFFFFFFFFu);
    DrawSpriteEntryPlain(7, dst, 0, stray, 0xFFFFFFFFu);
    m.outerIndex = int32_t(m.enemyList.size()) - 1;
    DrawSpriteEntryPlain(5, dst, 0, turret, 0xFFFFFFFFu);
    DrawSpriteEntryPlain(5, dst, 0, drone, 0xFFFFFFFFu);
    const std::vector<std::string> problems = drawn.Problems(1, 1);
    ASSERT_EQ(problems.size(), 3u) << Joined(problems);
    EXPECT_EQ(problems[0], "class 9, slot 5: (0, 120) 40x40: not among the class's rectangles");
    EXPECT_EQ(problems[1], "class 9, slot 5 (img/Stage01Enemy.png): (0, 120) 40x40 outside the turret cells");
    EXPECT_NE(problems[2].find("slot 7 (img/particle.png): (0, 0) 5x5 outside every cell"), std::string::npos)
        << problems[2];
}

// The magic circle flashes each bullet it catches with the bullet's element,
// the emitters' and the cancelled ones' too: every flash lies in the art.
TEST_F(EnemyGallery, TheCirclesFlashesOfEveryBulletElementLieInTheArt) {
    playtest::ResetField(4);
    playtest::StartPlayers(2, true, 320, 400);
    cObjectManager& m = ObjectManager;
    m.SpawnStageObject(320, 200, 84, 0, 0, elements::kFire, 0, 0, 300.0f, StageFrame + 1);
    DrawnArt drawn;
    int flashes = 0;
    for (int element : {0, 1, 2, 3, 4, 10}) {
        // The emitters are invisible; a cancelled bullet is drawn as the spark.
        const int graphic = element == 3 || element == 4 ? 0 : (element == 10 ? 100 : 1);
        m.FireEnemyBullet(300, 210, BulletMotion::kPlain, static_cast<BulletGraphic>(graphic), 0, 0,
                          elements::FromNumber(element), 0, 0);
        for (int frame = 0; frame < 20; ++frame) {
            playtest::PlayFrame();
            for (const cEffectObjectBase* f : m.effects) flashes += f->isActive && f->kind == 3 && f->frame == 1;
        }
    }
    EXPECT_EQ(flashes, 6);
    const std::vector<std::string> problems = drawn.Problems(1, 2);
    EXPECT_TRUE(problems.empty()) << problems.size() << " of " << drawn.distinct() << Joined(problems);
}

// Schedule lines at the ends of their ranges: headings and turns that would
// overflow, elements beyond 1, speeds and lives out of all proportion.
TEST_F(EnemyGallery, ExtremeScheduleValuesStayDefined) {
    playtest::ResetField(5);
    playtest::StartPlayers(1, true);
    struct Line {
        int32_t angle, turn, element;
        float speed, accel, life;
    };
    const Line lines[] = {{2147483647, -2147483647 - 1, 7, 3.0e38f, 3.0e38f, 1.0e30f},
                          {-2147483647 - 1, 2147483647, -3, -3.0e38f, -1.0f, -5.0f},
                          {2147483647, -2147483647 - 1, 1, 0.0f, 0.0f, 1.0e9f},
                          {-2147483647 - 1, 2147483647, 0, 0.0f, 0.0f, 1.0e9f},
                          {65536, 65535, 2, 0.0f, 0.0f, 0.0f}};
    cObjectManager& m = ObjectManager;
    for (const Line& l : lines) {
        for (int32_t type = 50; type <= objecttype::kLastEnemy; ++type) {
            m.SpawnStageObject(320, 240, type, l.angle, l.turn, elements::FromNumber(l.element), l.speed, l.accel,
                               l.life, StageFrame + 1);
        }
        for (int32_t frame = 0; frame < 900; ++frame) {
            playtest::SetButtons(0, frame % 2 ? 0x10 : 0);
            playtest::PlayFrame();
            const std::string broken = playtest::CheckInvariants();
            ASSERT_TRUE(broken.empty()) << "frame " << frame << ": " << broken;
        }
        ScrollHalt = 0;
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, EnemyGallery,
                         ::testing::Values(Mode{false, 0}, Mode{false, 1}, Mode{false, 2}, Mode{true, 0},
                                           Mode{true, 1}, Mode{true, 2}),
                         [](const ::testing::TestParamInfo<Mode>& info) {
                             return std::string(info.param.two ? "TwoPlayers" : "OnePlayer") + "Difficulty" +
                                    std::to_string(info.param.difficulty);
                         });

}  // namespace
