// One play frame with every pool full: 1,200 enemy bullets, 380 player shots,
// 700 effects and two players, with twenty shootable boxes testing every shot.
// The frame runs in the game scene's order (drawing, the play block, the
// sweep); the queued quads are then submitted on the null device.
// - BM_FullPoolsFrameNull: CPU time of one such frame (goal: under 0.8 ms),
//   with the draw calls per frame and the quads queued.
// - BM_GameSceneFrameNull: the game scene's whole frame on the same field
//   (every slot begun and rendered in layer order, the back layers, the HUD of
//   both players, the update), goal: under 1.6 ms, with the draw calls per frame.
// - BM_HeaviestSecondNull: the heaviest schedule of difficulty 2 (the most
//   enemy bullets started) played on the real game scene from its start, with
//   player 1 invincible and firing; the sixty frames of its heaviest second
//   (the most objects alive) timed one by one with everything they spawn
//   (goal: under 1.6 ms per frame).
// - BM_BossFightHeaviestFrameNull/<stage>: the boss of stages 1 to 4 on
//   difficulty 2 fought on the real game scene by the same player, every frame
//   timed (process CPU time); the time of the frame with the most enemy
//   bullets in flight in each attack, the worst of them as the iteration's
//   time (goal: under 1.6 ms), each attack's in the counters.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <map>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "bench/null_scene.h"
#include "engine/core/Kestra.h"
#include "engine/graphics/CTexture.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraSprite2D.h"
#include "engine/graphics/KestraTexture.h"
#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/objects/cPlayerBulletBase.h"
#include "game/shell/GameScene.h"
#include "game/shell/Input.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"
#include "platform/d3d9/d3d9test.h"
#include "platform/win32/testing.h"
#include "platform/win32/win32.h"
#include "tests/game/objects/play_harness.h"

namespace {

using nullscene::SlotSize;

// The sprite-table slots a play frame draws on, with their capacities in quads.
constexpr SlotSize kSlots[] = {{0, 300}, {1, 300}, {2, 300}, {3, 300}, {5, 1800}, {6, 300}, {7, 2800},
                               {8, 2600}, {9, 300}, {10, 1800}, {29, 300}, {30, 300}, {31, 300}};
// The HUD's sheet and the two back layers, drawn only by the game scene's
// frame, and the boss's cut-in, circle and body.
constexpr SlotSize kSceneSlots[] = {{4, 100}, {35, 4}, {36, 4}, {28, 300}, {32, 300}, {33, 300}};

bool StartEngine() {
    if (!nullscene::Start("quenrith-bench-play", {})) return false;
    for (const SlotSize& s : kSlots)
        if (!nullscene::MakeSlot(s)) return false;
    for (const SlotSize& s : kSceneSlots)
        if (!nullscene::MakeSlot(s)) return false;
    return true;
}

void StopEngine() { nullscene::Stop(); }

void FillField() {
    playtest::ResetField(1);
    playtest::StartPlayers(1, true, 200, 400);
    Player2->SetPosition(440, 400);
    cObjectManager& m = ObjectManager;
    static const int kGraphics[] = {1, 2, 3, 5, 6, 7, 8, 9, 10, 14, 21, 22, 23, 24, 50, 51, 52, 54, 55};
    for (int i = 0; i < 1199; ++i) {
        m.FireEnemyBullet(float(20 + (i * 37) % 600), float(20 + (i * 53) % 440), BulletMotion::kPlain,
                          static_cast<BulletGraphic>(kGraphics[i % 19]), i * 300, 0,
                          elements::FromNumber(i % 2), 0.0f, 0.0f);
    }
    for (int i = 0; i < 20; ++i) m.SpawnStageObject(float(40 + i * 30), 100, 110, 0, 0, elements::FromNumber(i % 2), 0,
                                                    0, 1e9f, 0);
    for (cEnemyObjectBase* e : m.enemyList) e->isActive = 1;
    for (int i = 0; i < 379; ++i) m.SpawnPlayerObject(i % 2 ? 14 : 12, 0, 0, i % 2);
    for (int i = 0; i < 699; ++i) m.SpawnEffect(20 + (i * 29) % 600, 20 + (i * 31) % 440,
                                                static_cast<effect::Kind>(1 + i % 17), i % 2, i % 2);
}

// Keeps every pool full and on screen from frame to frame.
void Refill() {
    cObjectManager& m = ObjectManager;
    for (cPlayerBase* p : {Player1, Player2}) {
        p->isInvincible = 1;  // the bullets stay: nobody is hurt,
        p->invincibleCount = -1000000;
        p->canForce = 0;  // and nothing is absorbed
    }
    for (int i = 1; i < 1200; ++i) {
        cEnemyBulletBase* b = m.enemyBullets[size_t(i)];
        b->isActive = 1;
        b->frame = 0;
    }
    for (int i = 1; i < 380; ++i) {
        cPlayerBulletBase* b = m.playerBullets[size_t(i)];
        b->isActive = 1;
        b->frame = 0;
        b->x = float(20 + (i * 41) % 600);
        b->y = float(150 + (i * 17) % 300);
    }
    for (int i = 1; i < 700; ++i) {
        cEffectObjectBase* f = m.effects[size_t(i)];
        f->isActive = 1;
        f->frame = 0;
        f->x = float(20 + (i * 29) % 600);
        f->y = float(20 + (i * 31) % 440);
    }
}

void SubmitFrame() {
    if (Kestra3D::BeginScene()) {
        for (const SlotSize& s : kSlots) {
            Kestra3D::SetBlendingType(s.slot == 8 || s.slot == 10 ? 2 : 1);
            KestraSprite2D::Render(SpriteTable[size_t(s.slot)].sprite);
        }
        Kestra3D::EndScene();
    }
}

uint64_t gQuads = 0;
void CountQuad(const SpriteDrawRecord&, void*) { ++gQuads; }

void BM_FullPoolsFrameNull(benchmark::State& state) {
    if (!StartEngine()) {
        state.SkipWithError("the engine did not start");
        StopEngine();
        return;
    }
    FillField();
    uint64_t frames = 0;
    const uint64_t drawsBefore = d3d9test::CallCount("DrawPrimitive");
    gQuads = 0;
    SetSpriteDrawRecorder(CountQuad, nullptr);
    for (auto _ : state) {
        Refill();
        for (const SlotSize& s : kSlots) KestraSprite2D::Begin(SpriteTable[size_t(s.slot)].sprite);
        playtest::SetButtons(0, (frames & 1) ? PAD_SHOT | PAD_LEFT : PAD_SHOT | PAD_RIGHT);
        playtest::SetButtons(1, PAD_SHOT);
        playtest::PlayFrame();
        for (const SlotSize& s : kSlots) KestraSprite2D::End(SpriteTable[size_t(s.slot)].sprite);
        SubmitFrame();
        ++frames;
    }
    SetSpriteDrawRecorder(nullptr, nullptr);
    const double n = double(frames ? frames : 1);
    state.counters["draw_calls_per_frame"] = double(d3d9test::CallCount("DrawPrimitive") - drawsBefore) / n;
    state.counters["quads_per_frame"] = double(gQuads) / n;
    StopEngine();
}
BENCHMARK(BM_FullPoolsFrameNull)->Unit(benchmark::kMillisecond)->MinTime(2.0);

using nullscene::kNoKeys;

void BM_GameSceneFrameNull(benchmark::State& state) {
    if (!StartEngine()) {
        state.SkipWithError("the engine did not start");
        StopEngine();
        return;
    }
    SetInputSource(&kNoKeys);
    FillField();
    GameState.subState = kSubStatePlay;
    GameState.hudAlpha = 255;
    ScrollHalt = 1;  // the pools stay on screen
    uint64_t frames = 0;
    const uint64_t drawsBefore = d3d9test::CallCount("DrawPrimitive");
    gQuads = 0;
    SetSpriteDrawRecorder(CountQuad, nullptr);
    for (auto _ : state) {
        Refill();
        playtest::SetButtons(0, (frames & 1) ? PAD_SHOT | PAD_LEFT : PAD_SHOT | PAD_RIGHT);
        playtest::SetButtons(1, PAD_SHOT);
        UpdateGameScene();
        ++frames;
    }
    SetSpriteDrawRecorder(nullptr, nullptr);
    if (GameState.subState != kSubStatePlay) state.SkipWithError("the frame left play");
    const double n = double(frames ? frames : 1);
    state.counters["draw_calls_per_frame"] = double(d3d9test::CallCount("DrawPrimitive") - drawsBefore) / n;
    state.counters["quads_per_frame"] = double(gQuads) / n;
    ScrollHalt = 0;
    SetInputSource(nullptr);
    StopEngine();
}
BENCHMARK(BM_GameSceneFrameNull)->Unit(benchmark::kMillisecond)->MinTime(2.0);

constexpr int32_t kSecond = 60;

int32_t ActiveCount(const auto& pool) {
    int32_t n = 0;
    for (const auto* o : pool) n += o->isActive ? 1 : 0;
    return n;
}
int32_t FieldLoad() {
    const cObjectManager& m = ObjectManager;
    return ActiveCount(m.enemyBullets) + ActiveCount(m.playerBullets) + ActiveCount(m.effects) +
           ActiveCount(m.enemyList);
}

// Plays a schedule to its end; answers the enemy bullets started and the
// first frame of the second with the most objects alive.
std::pair<int64_t, int32_t> Survey(int32_t stage) {
    playtest::StartSchedule(stage, 2);
    const int32_t end = playtest::ScheduleEnd(stage, 2);
    const cObjectManager& m = ObjectManager;
    std::vector<int32_t> lastFrame(m.enemyBullets.size(), -1);
    int64_t bullets = 0, load = 0, best = -1;
    int32_t played = 0, bestStart = 0;
    while (StageFrame < end && played < 3 * end && GameState.subState == kSubStatePlay) {
        playtest::PlayScheduleFrame();
        for (size_t i = 0; i < m.enemyBullets.size(); ++i) {
            const cEnemyBulletBase* b = m.enemyBullets[i];
            if (b->isActive && (lastFrame[i] < 0 || b->frame <= lastFrame[i])) ++bullets;
            lastFrame[i] = b->isActive ? b->frame : -1;
        }
        load += FieldLoad();
        if (++played % kSecond == 0) {
            if (load > best) {
                best = load;
                bestStart = played - kSecond;
            }
            load = 0;
        }
    }
    return {bullets, bestStart};
}

void BM_HeaviestSecondNull(benchmark::State& state) {
    if (!StartEngine()) {
        state.SkipWithError("the engine did not start");
        StopEngine();
        return;
    }
    char previous[1024] = {};
    GetCurrentDirectoryA(sizeof previous, previous);
    SetCurrentDirectoryA(QUENRITH_SOURCE_DIR);
    static int32_t stage = 0, start = 0;
    if (stage == 0) {
        int64_t most = -1;
        for (int32_t s = 1; s <= 6; ++s) {
            const auto [bullets, second] = Survey(s);
            if (bullets > most) {
                most = bullets;
                stage = s;
                start = second;
            }
        }
    }
    playtest::StartSchedule(stage, 2);
    for (int32_t i = 0; i < start; ++i) playtest::PlayScheduleFrame();
    int64_t load = 0;
    gQuads = 0;
    const uint64_t drawsBefore = d3d9test::CallCount("DrawPrimitive");
    SetSpriteDrawRecorder(CountQuad, nullptr);
    for (auto _ : state) playtest::PlayScheduleFrame(), load += FieldLoad();
    SetSpriteDrawRecorder(nullptr, nullptr);
    state.counters["draw_calls_per_frame"] = double(d3d9test::CallCount("DrawPrimitive") - drawsBefore) / kSecond;
    state.counters["quads_per_frame"] = double(gQuads) / kSecond;
    state.counters["stage"] = stage;
    state.counters["first_frame"] = start;
    state.counters["objects_per_frame"] = double(load) / double(kSecond);
    SetCurrentDirectoryA(previous);
    StopEngine();
}
// Exactly the sixty frames of the second, each repetition from the stage start.
BENCHMARK(BM_HeaviestSecondNull)->Unit(benchmark::kMillisecond)->Iterations(kSecond)->Repetitions(3);

// Enemy bullets in flight (not the cancelled ones turning into items).
int32_t BulletsInFlight() {
    int32_t n = 0;
    for (const cEnemyBulletBase* b : ObjectManager.enemyBullets) n += b->isActive && b->element != 10 ? 1 : 0;
    return n;
}

void BM_BossFightHeaviestFrameNull(benchmark::State& state) {
    if (!StartEngine()) {
        state.SkipWithError("the engine did not start");
        StopEngine();
        return;
    }
    const int32_t stage = int32_t(state.range(0));
    // Per attack phase: the most bullets in flight and that frame's CPU time (the last iteration's).
    std::map<int32_t, std::pair<int32_t, double>> heaviest;
    std::map<int32_t, double> worstSeen;  // the smallest over the iterations of each attack's heaviest frame
    for (auto _ : state) {
        heaviest.clear();
        cBossBase* boss = playtest::StartBossFight(stage, 2, false, 7);
        if (!boss) {
            state.SkipWithError("no boss");
            break;
        }
        for (int32_t f = 0; f < 20000 && GameState.subState != kSubStateTally; ++f) {
            const std::clock_t before = std::clock();
            playtest::PlayScheduleFrame();
            const double ms = double(std::clock() - before) * 1000.0 / CLOCKS_PER_SEC;
            const int32_t phase = boss->phase;
            if (phase < 2 || phase > 16 || phase % 2) continue;
            const int32_t bullets = BulletsInFlight();
            auto& h = heaviest[phase];
            if (bullets > h.first || (bullets == h.first && ms > h.second)) h = {bullets, ms};
        }
        double worst = 0.0;
        for (const auto& [phase, h] : heaviest) {
            worst = std::max(worst, h.second);
            auto seen = worstSeen.find(phase);
            worstSeen[phase] = seen == worstSeen.end() ? h.second : std::min(seen->second, h.second);
        }
        state.SetIterationTime(worst / 1000.0);
    }
    int32_t worstPhase = 0;
    double worstMs = -1.0;
    for (const auto& [phase, ms] : worstSeen) {
        state.counters["phase" + std::to_string(phase) + "_ms"] = ms;
        state.counters["phase" + std::to_string(phase) + "_bullets"] = heaviest[phase].first;
        if (ms > worstMs) worstMs = ms, worstPhase = phase;
    }
    state.counters["worst_phase"] = worstPhase;
    state.counters["worst_ms"] = worstMs;
    StopEngine();
}
// Each iteration a whole fight; the counters keep each attack's best of five.
BENCHMARK(BM_BossFightHeaviestFrameNull)
    ->DenseRange(1, 4)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
