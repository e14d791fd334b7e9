// The heaviest frame of each last boss's fight, on the null device: every
// attack of the boss is played on difficulty 2 through the real game scene
// (drawing every slot in layer order, the play block, the sweep) for a
// stretch of frames, player 1 invincible and holding fire, and each frame's
// CPU time is taken; three passes, the least of each frame kept. The
// benchmark's time is the heaviest frame of the fight (goal: under 1.6 ms);
// its counters name the attack it falls in, that frame's live enemy bullets
// and the fight's mean frame.
// Bosses: 5 Osero, 6 Crow, 7 Cheska, 8 Yuri, 9 Palet and Copic, 10 Deena.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/null_scene.h"
#include "engine/core/Kestra.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraSprite2D.h"
#include "engine/graphics/KestraTexture.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/GameScene.h"
#include "game/shell/Input.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"
#include "platform/d3d9/d3d9test.h"
#include "platform/win32/testing.h"
#include "tests/game/objects/play_harness.h"

namespace {

struct Boss {
    int32_t stage, team, code;
    std::vector<int32_t> attacks;
};
const Boss kBosses[] = {{5, 1, 204, {2, 4, 6}},         {5, 2, 204, {2, 4, 6}},
                        {5, 1, 205, {2, 4, 6, 8, 10, 12}}, {5, 2, 205, {2, 4, 6, 8, 10, 12}},
                        {6, 1, 290, {2, 4, 6, 8, 10}},     {6, 1, 291, {2, 4, 6, 8, 10, 12, 14}}};
constexpr int32_t kFrames = 1500;  // frames of each attack
constexpr int32_t kPasses = 3;

bool StartEngine() {
    // Every slot the scene draws during these fights, at the loaders' capacities.
    return nullscene::Start("quenrith-bench-bosses",
                            {{0, 300},   {1, 300},   {2, 300},   {3, 300},   {4, 1000},  {5, 1800},  {6, 1800},
                             {7, 2800},  {8, 2600},  {9, 600},   {10, 1800}, {11, 300},  {27, 300},  {28, 1800},
                             {29, 300},  {30, 300},  {31, 100},  {32, 1800}, {33, 1800}, {35, 1800}, {36, 1800}});
}

double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

int32_t LiveBullets() {
    int32_t n = 0;
    for (const cEnemyBulletBase* b : ObjectManager.enemyBullets) n += b->isActive ? 1 : 0;
    return n;
}

// One attack from its first frame, the times of its frames and their bullets.
void PlayAttack(const Boss& boss, int32_t phase, std::vector<double>& ms, std::vector<int32_t>& bullets) {
    playtest::ResetField(1);
    playtest::StartPlayers(boss.team, false, 320, 400);
    GameState.stage = boss.stage;
    GameState.difficulty = 2;
    GameState.practice = 1;
    GameState.hudAlpha = 255;
    cBossBase* b = playtest::StartBossAttack(boss.code, phase, 120.0f);
    // A stage boss loads its own pictures on waking (absent here): sheets again.
    for (int slot : {28, 32, 33})
        if (!SpriteTable[size_t(slot)].sprite) nullscene::MakeSlot({slot, 1800});
    ScrollHalt = 1;
    for (int32_t f = 0; f < kFrames && GameState.subState == kSubStatePlay; ++f) {
        b->hp = 1e6f;  // the attack runs its whole stretch
        b->secondsLeft = 999;
        Player1->isInvincible = 1;
        Player1->invincibleCount = -1000000;
        const double t0 = CpuMs();
        UpdateGameScene();
        const double t = CpuMs() - t0;
        if (size_t(f) < ms.size()) ms[size_t(f)] = std::min(ms[size_t(f)], t);
        else ms.push_back(t), bullets.push_back(LiveBullets());
    }
}

void BM_BossHeaviestFrameNull(benchmark::State& state) {
    const Boss& boss = kBosses[state.range(0) - 5];
    if (!StartEngine()) {
        state.SkipWithError("the engine did not start");
        nullscene::Stop();
        return;
    }
    SetInputSource(&nullscene::kNoKeys);
    double heaviest = 0.0, total = 0.0;
    int32_t worstPhase = 0, worstBullets = 0, counted = 0, worstFrame = 0;
    for (auto _ : state) {
        heaviest = total = 0.0;
        counted = 0;
        for (int32_t phase : boss.attacks) {
            std::vector<double> ms;
            std::vector<int32_t> bullets;
            for (int32_t pass = 0; pass < kPasses; ++pass) PlayAttack(boss, phase, ms, bullets);
            for (size_t f = 0; f < ms.size(); ++f) {
                total += ms[f];
                ++counted;
                if (ms[f] > heaviest) {
                    heaviest = ms[f];
                    worstPhase = phase;
                    worstBullets = bullets[f];
                    worstFrame = int32_t(f) + 1;
                }
            }
        }
        state.SetIterationTime(heaviest / 1e3);
    }
    state.counters["worst_attack_phase"] = worstPhase;
    state.counters["worst_frame_of_attack"] = worstFrame;
    state.counters["bullets_then"] = worstBullets;
    state.counters["mean_frame_ms"] = counted ? total / counted : 0.0;
    SetInputSource(nullptr);
    nullscene::Stop();
}
BENCHMARK(BM_BossHeaviestFrameNull)->DenseRange(5, 10)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
