// The stage-5 bosses on the headless field: their lives phase by phase on
// every difficulty (attacks ended early by zeroing hp), the mid-bosses'
// departure, the stage bosses' pictures (and Deena's), Cheska's two-second
// count, and the endings' timeline frame by frame, after Cheska, Yuri and
// Deena. Talks run through with ELEMENT held.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/core/KestraFile.h"
#include "engine/core/KestraMath.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraSprite2D.h"
#include "engine/graphics/KestraTexture.h"
#include "game/bosses/Stage05MidBosses.h"
#include "game/bosses/Stage05StageBosses.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/ScoreData.h"
#include "tests/engine/graphics/sprite_test_env.h"
#include "tests/game/bosses/boss_field.h"
#include "tests/support/test_support.h"

namespace {

using bosstest::Endless;
using bosstest::FinalBossField;
using bosstest::OfStep;
using bosstest::Updates;
using enemytest::Fired;

class StageFiveBosses : public FinalBossField {
protected:
    // A boss of the code for a team, made by the factory as the schedule line
    // makes it, waking on the next play frame at the screen point (320, 0).
    cBossBase* Arrive(int32_t code, int32_t team, int32_t difficulty) {
        playtest::StartPlayers(team, false, 320, 400);
        GameState.difficulty = difficulty;
        GameState.stage = code >= 290 ? 6 : 5;
        testing::internal::CaptureStdout();  // the picture loads print their lines
        cBossBase* b = Make(code, 320, 0, 0, StageFrame + 1);
        testing::internal::GetCapturedStdout();
        return b;
    }
    // On a fresh field, awake at (x, y) in `phase` against `team` on `difficulty`.
    template <class Boss>
    Boss* At(int32_t code, int32_t phase, int32_t team, int32_t difficulty, float x = 320, float y = 100) {
        playtest::ResetField(9);
        playtest::StartPlayers(team, false, 320, 400);
        GameState.difficulty = difficulty;
        return MakeAt<Boss>(code, phase, x, y);
    }
};

// ---- The mid-bosses.

TEST_F(StageFiveBosses, MidBossesFightLeaveDropALifeAndLetTheStageScrollOn) {
    struct Case {
        int32_t team;
        int32_t goneAt;        // phase-32 frame it goes inactive
        float stepPerFrame;    // its departure
        bool movesBeforeDrop;  // the drop at frame 60 comes after that frame's step
    };
    const Case cases[] = {{1, 120, -3.0f, false}, {2, 300, 2.0f, true}};
    for (const Case& c : cases) {
        for (int32_t d = 0; d <= 2; ++d) {
            SCOPED_TRACE(testing::Message() << "team " << c.team << " difficulty " << d);
            playtest::ResetField(3);
            ScrollX = 40.0f;  // a scrolled view: summons in screen terms, the life at the stage position
            ScrollY = 700.0f;
            cBossBase* b = Arrive(204, c.team, d);
            ASSERT_NE(b, nullptr);
            EXPECT_NE(dynamic_cast<Stage05Boss_Osero*>(b) != nullptr, c.team == 2);
            const std::vector<int32_t> phases = Drive(b, 20000, 40, [&] { return b->phase == 32; }).phases;
            EXPECT_EQ(phases, (std::vector<int32_t>{0, 2, 3, 4, 5, 6, 30, 31, 32}));
            EXPECT_EQ(b->attackRunning, 0);
            ASSERT_EQ(GameState.subState, kSubStatePlay);
            // The departure, frame by frame: phase 32's first Update ran in the frame its talk ended.
            float lastY = b->y;
            int32_t frame = b->phaseTimer;
            while (b->active && frame < 400) {
                const size_t before = ObjectManager.enemyList.size();
                playtest::PlayFrame();
                frame = b->phaseTimer;
                EXPECT_NEAR(b->y - lastY, c.stepPerFrame, 1e-3) << "frame " << frame;
                lastY = b->y;
                EXPECT_EQ(ScrollHalt, frame < 60 ? 1 : 0) << "frame " << frame;
                if (frame == 60) {
                    ASSERT_EQ(ObjectManager.enemyList.size(), before + 1);
                    const cEnemyObjectBase* life = ObjectManager.enemyList.back();
                    EXPECT_EQ(life->type, 104);
                    EXPECT_EQ(life->isActive, 1);
                    // The spawn truncates the position to whole pixels.
                    EXPECT_EQ(life->x, static_cast<float>(static_cast<int32_t>(b->x)));
                    EXPECT_EQ(life->y, static_cast<float>(static_cast<int32_t>(c.movesBeforeDrop ? b->y : b->y + 3.0f)));
                }
            }
            EXPECT_EQ(frame, c.goneAt);
            EXPECT_EQ(b->active, 0);
            EXPECT_EQ(BossA, b);  // it stays in its slot until the stage is released
            // The stage goes on: the stage frame runs again.
            const int32_t stageFrame = StageFrame;
            playtest::PlayFrames(10);
            EXPECT_EQ(StageFrame, stageFrame + 10);
        }
    }
}

// Osero's jets come on the first pass of her sweep only; her big bang summons
// by difficulty and rings thirty bullets.
TEST_F(StageFiveBosses, OseroSummonsHerJetsOnTheFirstPassOnlyAndBigBangsByDifficulty) {
    struct Case {
        int32_t d;
        std::vector<int32_t> jetFrames;
        int32_t summons, turn;
        float speed;
        std::vector<int32_t> openingFrames;  // the opening attack's summons
        float openingAccel;
    };
    // Two jets at frame 40 (and 5 on difficulty 2); the sweep loops back to 50 at 1000.
    const Case cases[] = {{0, {40, 40}, 15, 0, 0.5f, {150, 500}, 0.0001f},
                          {1, {40, 40}, 26, 0, 0.8f, {100, 320}, 0.0001f},
                          {2, {5, 5, 40, 40}, 32, -30, 0.8f, {50, 140, 280, 420}, 0.0003f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.d);
        auto* opening = At<Stage05Boss_Osero>(204, 2, 1, c.d);
        Endless(opening);
        EXPECT_EQ(SummonFrames(opening, 66, 520), c.openingFrames);
        for (const cEnemyObjectBase* e : OfType(66)) EXPECT_FLOAT_EQ(e->accel, c.openingAccel);
        auto* b = At<Stage05Boss_Osero>(204, 4, 1, c.d);
        ASSERT_NE(b, nullptr);
        Endless(b);
        EXPECT_EQ(SummonFrames(b, 58, 2200), c.jetFrames);
        EXPECT_EQ(sounds.Count("stillattack"), c.d == 2 ? 2 : 1);
        // The big bang: two, at 270 and 540, each a ring of 30 in alternating elements.
        b = At<Stage05Boss_Osero>(204, 6, 1, c.d);
        Endless(b);
        const int32_t element = b->element;
        const size_t before = ObjectManager.enemyList.size();
        const std::vector<Fired> shots = RunBoss(540);
        ASSERT_EQ(shots.size(), 60u);
        EXPECT_EQ(Steps(shots), (std::vector<int32_t>{270, 540}));
        for (size_t i = 0; i < shots.size(); ++i) {
            EXPECT_EQ(shots[i].angle, 2184 * int32_t(i % 30 + 1));
            EXPECT_EQ(shots[i].element, i < 30 ? element : 1 - element);
            EXPECT_EQ(shots[i].turn, c.turn);
            EXPECT_FLOAT_EQ(shots[i].speed, c.speed);
        }
        int32_t summoned = 0;
        for (size_t i = before; i < ObjectManager.enemyList.size(); ++i) {
            const cEnemyObjectBase* e = ObjectManager.enemyList[i];
            if (e->type != 61) continue;
            ++summoned;
            EXPECT_EQ(e->turn, c.d == 2 ? 55 : 0);  // they turn on the hardest difficulty only
            EXPECT_FLOAT_EQ(e->accel, -0.0001f);
            EXPECT_LT(e->speed, 2.15f);
        }
        EXPECT_EQ(summoned, 2 * c.summons);
        EXPECT_EQ(sounds.Count("rt_star14"), 2);
    }
}

TEST_F(StageFiveBosses, CrowsMirrorImageFiresButHasNoBody) {
    auto* b = At<Stage05Boss_Crow>(204, 6, 2, 1, 320, 200);
    ASSERT_NE(b, nullptr);
    Endless(b);
    const std::vector<Fired> shots = RunBoss(170);
    // From 70 the boss and the image fall side by side and fire in turn.
    EXPECT_FLOAT_EQ(b->imageX - b->x, 2 * 4.0f * 70);
    EXPECT_FLOAT_EQ(b->imageY, b->y);
    const std::vector<Fired> volley = OfStep(shots, 72);
    ASSERT_EQ(volley.size(), 2u);
    EXPECT_EQ(volley[0].element, 0);
    EXPECT_EQ(volley[1].element, 1);
    EXPECT_FLOAT_EQ(volley[1].x, b->imageX);
    // A shot on the image passes; one on the boss hits.
    const float hp = b->hp;
    Shot(b->imageX, b->imageY, 0, 5.0f);
    b->HitTest();
    EXPECT_FLOAT_EQ(b->hp, hp);
    Shot(b->x, b->y, 0, 5.0f);
    b->HitTest();
    EXPECT_LT(b->hp, hp);
}

// The mirage's last stretch: every 4th frame the boss throws a fire knife at
// player 2 while active (else at player 1), the image an ice one at player 1,
// each up to 499 units short of its aim.
TEST_F(StageFiveBosses, CrowsLastStretchAimsAtTheLaterActivePlayerAndTheImageAtTheFirst) {
    for (const bool second : {true, false}) {
        SCOPED_TRACE(second);
        auto* b = At<Stage05Boss_Crow>(204, 6, 2, 1, 320, 200);
        Endless(b);
        GameState.twoPlayer = 1;
        PlacePlayer(Player1, 100, 400);
        PlacePlayer(Player2, 540, 400);
        Player2->isActive = second ? 1 : 0;
        b->phaseTimer = 1000;
        const std::vector<Fired> shots = RunBoss(300);
        ASSERT_EQ(shots.size(), 2u * 75);
        for (const Fired& f : shots) {
            const cPlayerBase* p = f.element == 0 && second ? Player2 : Player1;
            const auto aim = static_cast<int32_t>(Kestra::Atan(p->aimX - f.x, p->aimY - f.y));
            EXPECT_LT(static_cast<uint16_t>(aim - f.angle), 500) << f.step;
            EXPECT_FLOAT_EQ(f.speed, 7.0f);
        }
    }
}

// ---- The stage bosses.

// The null device with textures and sprites, and a scratch folder served as
// the file root with a small picture under each name: a loaded texture keeps
// the path it came from, which tells the file each slot holds.
class PictureFolder {
public:
    explicit PictureFolder(const std::vector<std::string>& files) : root_(dir_.path()) {
        for (const std::string& f : files) {
            std::filesystem::create_directories(std::filesystem::path(root_ + "/" + f).parent_path());
            testsupport::WriteFile(root_ + "/" + f, spritetest::MakeTga(2, 2, std::vector<uint32_t>(4, 0xFF808080u)));
        }
        d3d9test::ResetAll();
        d3d9test::SetBackend(d3d9test::Backend::Null);
        Kestra::SetScreenInfo(640, 480, true);
        EXPECT_TRUE(KestraFile::Initialize());
        KestraFile::Mount(0, root_.c_str(), nullptr);
        EXPECT_TRUE(Kestra3D::Initialize());
        EXPECT_TRUE(Kestra3D::Start(reinterpret_cast<HWND>(uintptr_t(0x1000)), true));
        EXPECT_TRUE(KestraTexture::Initialize());
        EXPECT_TRUE(KestraSprite2D::Initialize());
    }
    ~PictureFolder() {
        for (int32_t slot = 0; slot < int32_t(SpriteTable.size()); ++slot) releaseEntry(slot);
        KestraSprite2D::Finalize();
        KestraTexture::Finalize();
        Kestra3D::Finalize();
        KestraFile::Finalize();
        d3d9test::ResetAll();
    }
    PictureFolder(const PictureFolder&) = delete;
    PictureFolder& operator=(const PictureFolder&) = delete;

    // A slot as the stage fills it (its load line kept off the output).
    void Load(int32_t slot, const std::string& file) {
        testing::internal::CaptureStdout();
        loadSpriteCStr(file.c_str(), slot, 0, 100);
        testing::internal::GetCapturedStdout();
    }
    // The file a slot's texture came from; "" for an empty slot.
    std::string FileIn(int32_t slot) const {
        const CTexture* t = SpriteTable[size_t(slot)].texture;
        if (!t) return "";
        // The mounted root joined to the name, with either separator.
        std::string path = t->GetName();
        std::replace(path.begin(), path.end(), '\\', '/');
        return path.starts_with(root_ + "/") ? path.substr(root_.size() + 1) : path;
    }

private:
    static void releaseEntry(int32_t slot) {
        SpriteEntry& e = SpriteTable[size_t(slot)];
        KestraSprite2D::Release(e.sprite);
        KestraTexture::Release(e.texture);
        e = SpriteEntry{nullptr, nullptr};
    }
    testsupport::TempDir dir_;
    std::string root_;
};

// As they wake, the stage bosses release their slots 28, 33 and 32, then load
// cut-in, circle and body, each into its own slot; Deena keeps the stage's circle.
TEST_F(StageFiveBosses, StageBossesReplaceCutInBodyAndCircleWhenTheyAppear) {
    struct Load {
        int32_t slot;
        std::string file;
    };
    const struct {
        int32_t code, team, releases;
        std::vector<Load> loads;  // in load order
    } cases[] = {{205, 1, 3, {{28, "img/cutin_cheska.png"}, {32, "img/mahoujin_cheska.png"}, {33, "img/cheska.png"}}},
                 {205, 2, 3, {{28, "img/cutin_yuri.png"}, {32, "img/mahoujin_yuri.png"}, {33, "img/yuri.png"}}},
                 {291, 1, 2, {{28, "img/cutin_deena.png"}, {33, "img/St06_Boss_02.png"}}}};
    // What the stage put in the three slots before.
    const std::map<int32_t, std::string> stage = {{28, "img/stage_cutin.png"}, {32, "img/stage_circle.png"},
                                                  {33, "img/stage_body.png"}};
    std::vector<std::string> files;
    for (const auto& [slot, file] : stage) files.push_back(file);
    for (const auto& c : cases)
        for (const Load& l : c.loads) files.push_back(l.file);
    PictureFolder pictures(files);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.loads[0].file);
        playtest::ResetField(7);
        for (const auto& [slot, file] : stage) pictures.Load(slot, file);
        cBossBase* b = Arrive(c.code, c.team, 1);
        std::map<int32_t, std::string> held = stage;
        std::vector<std::string> loads;
        for (const Load& l : c.loads) held[l.slot] = l.file, loads.push_back(l.file);
        for (int frame = 0; frame < 2; ++frame) {  // only on waking
            testing::internal::CaptureStdout();
            playtest::PlayFrame();
            const bosstest::PictureLog log = bosstest::ReadPictureLog(testing::internal::GetCapturedStdout());
            ASSERT_EQ(b->active, 1);
            EXPECT_EQ(log.releases, frame ? 0 : c.releases);
            EXPECT_EQ(log.loads, frame ? std::vector<std::string>{} : loads);
            for (const auto& [slot, file] : held) EXPECT_EQ(pictures.FileIn(slot), file) << "slot " << slot;
        }
    }
}

TEST_F(StageFiveBosses, CheskaCountsTwoSecondsAtOnceAndATimedOutAttackPaysNothing) {
    Stage05Boss* b = MakeAt<Stage05Boss>(205, 4, 320, 100);
    ASSERT_NE(b, nullptr);
    b->hp = 1e6f;
    b->lastBonus = 777;
    Player1->score = 0;
    std::vector<int32_t> seconds = {b->secondsLeft};
    int32_t timerBeforeEnd = -1;
    while (b->phase == 4 && seconds.size() < 200) {
        const int32_t timer = b->phaseTimer;
        b->Update();
        if (b->phase != 4) timerBeforeEnd = timer;
        else if (b->secondsLeft != seconds.back()) seconds.push_back(b->secondsLeft);
    }
    // 99, 97, ..., 1; the next count passes 0 to -1 and ends the attack (50 s at most).
    std::vector<int32_t> want;
    for (int32_t s = 99; s >= 1; s -= 2) want.push_back(s);
    EXPECT_EQ(seconds, want);
    EXPECT_EQ((timerBeforeEnd + 1) % 60, 0);
    EXPECT_EQ(b->phase, 5);
    EXPECT_EQ(Player1->score, 0);
    EXPECT_EQ(b->lastBonus, 777);
    EXPECT_EQ(b->bonusValid, 0);
    // The next attack may pay again.
    while (b->phase == 5) b->Update();
    EXPECT_EQ(b->phase, 6);
    EXPECT_EQ(b->bonusValid, 1);
}

TEST_F(StageFiveBosses, OnDifficultyZeroTheFourthNamedAttackIsTheLastAndPaysOnce) {
    for (int32_t team : {1, 2}) {
        SCOPED_TRACE(team);
        cBossBase* b = At<cBossBase>(205, 10, team, 0);
        ASSERT_NE(b, nullptr);
        ASSERT_EQ(b->phase, 10);
        Player1->score = 0;
        b->lastHitter = 0;
        b->Update();  // a frame of the attack, the seconds untouched
        b->hp = 0.0f;
        b->Update();
        EXPECT_EQ(b->phase, 30);
        EXPECT_EQ(b->phaseTimer, 0);
        const int32_t bonus = b->bonusTable[3];
        EXPECT_EQ(b->lastBonus, bonus + bonus / 10);  // the full time left
        EXPECT_EQ(Player1->score, b->lastBonus);
        EXPECT_EQ(sounds.Count("boss_death"), 2);  // the step to the break and the fall
        // Its defeat pause ends as the last attack's does.
        Updates(b, 119);
        EXPECT_EQ(b->phase, 30);
        b->Update();
        EXPECT_EQ(b->phase, 31);
        EXPECT_EQ(Player1->score, b->lastBonus);
    }
}

TEST_F(StageFiveBosses, YurisFinishBurstsComeSoonerDownToFortyEightFrames) {
    for (int32_t d : {1, 2}) {
        SCOPED_TRACE(d);
        auto* b = At<Stage05Boss_Yuri>(205, 12, 2, d);
        ASSERT_NE(b, nullptr);
        Endless(b);
        const std::vector<Fired> shots = RunBoss(9000, b);
        // The first burst on the interval's own frame; then two frames less each time, never below 48.
        const int32_t first = d == 2 ? 98 : 124;
        int32_t last = 0, burst = 0;
        for (const Fired& f : shots) {
            if (f.graphic != 16 || f.step == last) continue;
            const int32_t want = burst ? std::max(first - 2 * burst, 48) - 2 : first;
            EXPECT_EQ(f.step - last, want) << "burst " << burst;
            ASSERT_EQ(OfStep(shots, f.step).size(), 80u) << "burst " << burst;
            last = f.step, ++burst;
        }
        EXPECT_GT(burst, 40);
    }
}

// The railgun sounds on the laser handle loaded at start-up: the stage-3
// handle is empty in stage 5.
TEST_F(StageFiveBosses, TheRailgunSoundsOnTheStartUpLaser) {
    SoundTable.raser_long_stage3 = kNoSound;
    auto* b = At<Stage05Boss_Yuri>(205, 4, 2, 1, 500);
    ASSERT_NE(b, nullptr);
    b->hp = 1e6f;
    const std::vector<Fired> shots = RunBoss(60, b);
    EXPECT_EQ(sounds.played, (std::vector<std::string>{"raser_long", "shot_small"}));
    EXPECT_EQ(OfStep(shots, 60).size(), 3u + 2u);  // three beams and two sparks
}

// ---- The ending.

// Cheska and Yuri on every difficulty, and Deena, fought to the post-fight
// talk, then through it, the fade, the epilogue and the closing colour to the
// tally; Deena's tally frame records the extra stage as reached, the shell
// writes stage 5's result.
TEST_F(StageFiveBosses, StageBossesFightThenTheEndingFadesRunsTheEpilogueAndRaisesTheTallyOnTime) {
    const std::vector<int32_t> full = {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 30, 31};
    const std::vector<int32_t> deena = {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 30, 31};
    const struct {
        int32_t code, team, d;
        std::vector<int32_t> phases;  // to the post-fight talk
        int32_t stageReached;
    } cases[] = {{205, 1, 0, {0, 2, 3, 4, 5, 6, 9, 10, 30, 31}, 0}, {205, 1, 1, full, 0}, {205, 1, 2, full, 0},
                 {205, 2, 0, {0, 2, 3, 4, 7, 8, 9, 10, 30, 31}, 0}, {205, 2, 1, full, 0}, {205, 2, 2, full, 0},
                 {291, 1, 1, deena, 8}, {291, 2, 1, deena, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "team " << c.team << " boss " << c.code << " difficulty " << c.d);
        playtest::ResetField(11);
        cBossBase* b = Arrive(c.code, c.team, c.d);
        auto* frame = dynamic_cast<ProfiledBoss*>(b);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(BossB, b);
        const Fight fight = Drive(b, 40000, 30, [&] { return b->phase == 31; });
        ASSERT_EQ(b->phase, 31);
        EXPECT_EQ(fight.phases, c.phases);
        // Each named attack pays its bonus once (Deena's all pay alike: the count reads changes).
        EXPECT_EQ(fight.bonuses, c.code == 291 ? 1 : std::count_if(c.phases.begin(), c.phases.end(), [](int32_t p) {
            return p >= 4 && p < 30 && p % 2 == 0;
        }));
        const int32_t stageFrame = StageFrame;
        const float px = Player1->x, py = Player1->y;
        // Through the post-fight talk, the fade, the epilogue and the closing colour.
        int32_t phase32 = 0, phase33 = 0, epilogueStart = -1;
        for (int32_t f = 0; f < 20000 && GameState.subState != kSubStateTally; ++f) {
            playtest::QuadRecorder quads;
            const int32_t phaseBefore = b->phase;
            playtest::SetButtons(0, GameState.subState == kSubStateDialogue ? PAD_ELEMENT : 0);
            playtest::PlayFrame();
            if (b->phase == 32) {
                ++phase32;
                EXPECT_EQ(frame->fadeAlpha, std::min(2 * phase32, 255));
            }
            if (b->phase == 33) ++phase33;
            if (b->phase >= 32) {
                ASSERT_EQ(GameState.subState, phase33 == 255 ? kSubStateTally : kSubStateDialogue) << phase33;
                // The picture over the field; in phase 33 the closing colour over it.
                std::vector<const playtest::Quad*> ending;
                for (const playtest::Quad& q : quads.quads) {
                    if (q.slot == 27) ending.push_back(&q);
                    // The epilogue's window draws from the fade's 250 on.
                    if (phaseBefore == 32 && q.slot >= 12 && q.slot <= 26 && epilogueStart < 0) epilogueStart = phase32;
                }
                // The epilogue's last frame draws both phases.
                const size_t want = b->phase == 32 ? 1u : phase33 == 1 ? 3u : 2u;
                ASSERT_EQ(ending.size(), want);
                if (b->phase == 32) {
                    EXPECT_EQ(ending[0]->colour >> 24, uint32_t(frame->fadeAlpha));
                } else {
                    EXPECT_EQ(ending[want - 2]->colour, 0xFFFFFFFFu);
                    EXPECT_EQ(ending[want - 1]->src[0], 640.0f);
                    EXPECT_EQ(ending[want - 1]->dst[2], 640.0f);
                    EXPECT_EQ(ending[want - 1]->colour >> 24, uint32_t(b->phaseTimer));
                }
            }
            ASSERT_EQ(StageFrame, stageFrame);
            ASSERT_EQ(Player1->x, px);
            ASSERT_EQ(Player1->y, py);
            ASSERT_EQ(ScoreData.resultStage, GameState.subState == kSubStateTally ? c.stageReached : 0);
        }
        EXPECT_EQ(epilogueStart, 125);  // phase 32's 125th frame, the fade at 250
        EXPECT_EQ(phase33, 255);
        EXPECT_EQ(GameState.subState, kSubStateTally);
        EXPECT_EQ(b->active, 1);  // the stage boss stays: the tally ends the stage
        // Drawn on through the tally and what follows: the boss leaves the sub-state alone.
        GameState.subState = kSubStateLeave;
        b->Draw();
        EXPECT_EQ(GameState.subState, kSubStateLeave);
        EXPECT_EQ(ScoreData.resultStage, c.stageReached);
        ScoreData.resultStage = 0;
    }
}

TEST_F(StageFiveBosses, CheskasEpilogueIsTeamOnesAndYurisRunsForEitherTeam) {
    // Forced pairings: team 2 against Cheska, team 1 against Yuri.
    for (const bool cheska : {true, false}) {
        SCOPED_TRACE(cheska);
        playtest::ResetField(11);
        playtest::StartPlayers(cheska ? 2 : 1, false, 320, 400);
        cBossBase* b = cheska ? static_cast<cBossBase*>(new Stage05Boss()) : new Stage05Boss_Yuri();
        delete BossB;
        BossB = b;
        GameState.stage = 5;
        b->active = 1;
        b->phase = 32;
        b->phaseTimer = 0;
        const int32_t frames = PlayUntil(1200, [&] { return b->phase != 32; });
        EXPECT_EQ(b->phase == 33, !cheska);
        EXPECT_EQ(frames < 0, cheska);
        if (!cheska) {
            EXPECT_GE(frames, 125);
        }
    }
}

}  // namespace
