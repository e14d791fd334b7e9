#include "tests/game/objects/play_harness.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "engine/core/KestraMath.h"
#include "game/bosses/BossCommon.h"
#include "game/bosses/BossFactory.h"
#include "game/objects/ObjectTypes.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/objects/cPlayerBulletBase.h"
#include "game/shell/GameScene.h"
#include "game/shell/StageFiles.h"
#include "game/shell/StageStart.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"
#include "game/story/TalkState.h"
#include "platform/win32/win32.h"
#include "tests/game/objects/pilot.h"

namespace playtest {
namespace {

uint16_t gDown[2] = {0, 0};
std::function<void()> gScrollScript;

void Record(const SpriteDrawRecord& r, void* context) {
    auto* quads = static_cast<std::vector<Quad>*>(context);
    quads->push_back(Quad{r.slot, {r.dst[0], r.dst[1], r.dst[2], r.dst[3]}, {r.src[0], r.src[1], r.src[2], r.src[3]},
                          r.color, r.angle, r.turned != 0, r.z, r.offsetX, r.offsetY});
}

void RecordText(const FontDrawRecord& r, void* context) {
    if (r.text) static_cast<std::vector<Text>*>(context)->push_back(Text{r.text, r.x, r.y, r.font});
}

bool ActivePlayer(cPlayerBase* p, bool second) {
    if (!p || p->isActive != 1) return false;
    return !second || GameState.twoPlayer == 1;
}

bool SecondBossStage() { return GameState.stage == 5 || GameState.stage == 6; }

}  // namespace

QuadRecorder::QuadRecorder() {
    SetSpriteDrawRecorder(Record, &quads);
    SetFontDrawRecorder(RecordText, &texts);
}
QuadRecorder::~QuadRecorder() {
    SetSpriteDrawRecorder(nullptr, nullptr);
    SetFontDrawRecorder(nullptr, nullptr);
}

void ClearField() {
    delete Player1;
    delete Player2;
    delete BossA;
    delete BossB;
    Player1 = Player2 = nullptr;
    BossA = BossB = nullptr;
    ObjectManager.DeleteAll();
}

void ResetField(uint32_t seed) {
    ClearField();
    ObjectManager.BuildPlayerBulletPool();
    ObjectManager.BuildEnemyBulletPool();
    ObjectManager.BuildEffectPool();
    ObjectManager.ResetForStage();
    ObjectManager.outerIndex = ObjectManager.innerIndex = 0;
    GameState = cGameState();
    GameState.team = 1;
    GameState.twoPlayer = 0;
    GameState.stage = 1;
    GameState.difficulty = 1;
    GameState.subState = kSubStatePlay;
    StageFrame = 0;
    ScrollX = ScrollY = 0.0f;
    ScrollHalt = 0;
    BulletFadeCounter = 0;
    EffectRingCounter = 0;
    ResetBossProgramCounters();
    InstallStageBosses();
    TalkState = cTalkState();  // the slide counters a stage start keeps
    gDown[0] = gDown[1] = 0;
    for (PadWord& w : PadWords) w = PadWord{0x3FF, 0, 0, 0};
    gScrollScript = nullptr;
    SeedGameRand(seed);
}

void StartPlayers(int32_t team, bool two, float x, float y) {
    GameState.team = team;
    GameState.twoPlayer = two ? 1 : 0;
    const int32_t first = team == 2 ? 2 : 0;
    ObjectManager.SpawnPlayerObject(first, x, y, 0);
    ObjectManager.SpawnPlayerObject(first + 1, x, y, 0);
    const int32_t ix = static_cast<int32_t>(x);
    const int32_t iy = static_cast<int32_t>(y);
    Player1->SetPosition(ix, iy);
    Player2->SetPosition(ix, iy);
    Player1->noMiss = Player2->noMiss = 1;
}

void SetButtons(int32_t player, uint16_t down) {
    const uint16_t last = gDown[player & 1];
    PadWord& w = PadWords[player & 1];
    w.idle = static_cast<uint16_t>(~down & ~last & 0x3FF);
    w.pushed = static_cast<uint16_t>(down & ~last);
    w.held = static_cast<uint16_t>(down & last);
    w.released = static_cast<uint16_t>(~down & last & 0x3FF);
    gDown[player & 1] = down;
}

void SetScrollScript(std::function<void()> script) { gScrollScript = std::move(script); }

void PlayFrame() {
    cObjectManager& m = ObjectManager;
    m.outerIndex = 0;
    m.innerIndex = 0;
    m.DrawObjects();
    if (ActivePlayer(Player1, false)) Player1->Draw();
    if (ActivePlayer(Player2, true)) Player2->Draw();
    if (BossA && BossA->active) BossA->Draw();
    if (SecondBossStage() && BossB && BossB->active) BossB->Draw();
    m.UpdateEffects();
    if (GameState.subState == kSubStatePlay) {
        if (!ScrollHalt) StageFrame += 1;
        if (gScrollScript) gScrollScript();
        if (ActivePlayer(Player1, false)) Player1->Move();
        if (ActivePlayer(Player2, true)) Player2->Move();
        m.UpdateObjects();
        if (ActivePlayer(Player1, false)) {
            Player1->PushApart();
            if (Player2) Player2->PushApart();
        }
        if (ActivePlayer(Player1, false)) Player1->HitTest();
        if (ActivePlayer(Player2, true)) Player2->HitTest();
        if (BossA && BossA->active == 1) BossA->HitTest();
        if (SecondBossStage() && BossB && BossB->active == 1) BossB->HitTest();
        m.HitTestObjects();
        if (ActivePlayer(Player1, false)) Player1->Act();
        if (ActivePlayer(Player2, true)) Player2->Act();
        if (BossA) BossA->Update();
        if (SecondBossStage() && BossB) BossB->Update();
    }
    m.SweepObjects();
}

void PlayFrames(int32_t count) {
    for (int32_t i = 0; i < count; ++i) PlayFrame();
}

void PlaceShot(float x, float y, int32_t element, float power, int32_t owner, int32_t radius) {
    cPlayerBulletBase* b = ObjectManager.TakePlayerBulletSlot();
    if (!b) return;
    b->isActive = 1;
    b->x = x;
    b->y = y;
    b->element = elements::FromNumber(element);
    b->power = power;
    b->owner = owner;
    b->radius = radius;
}

void StartSchedule(int32_t stage, int32_t difficulty, uint32_t seed, int32_t team) {
    ResetField(seed);
    StartPlayers(team, false);
    GameState.stage = stage;
    GameState.difficulty = difficulty;
    GameState.practice = 1;
    StartStage();
    SeedGameRand(seed);  // the stage start seeds from the clock
}

cBossBase* StartBossFight(int32_t stage, int32_t difficulty, bool two, uint32_t seed) {
    // The boss lines of the stage schedules (screen position, type, angle).
    struct Line {
        float x, y;
        int32_t code, angle;
    };
    static constexpr Line kLines[4] = {{320, 380, 200, 0}, {320, 10, 201, 0}, {245, 65, 202, 16384}, {-40, 120, 203, 0}};
    ResetField(seed);
    StartPlayers(1, two, 320.0f, 400.0f);
    GameState.stage = stage;
    GameState.difficulty = difficulty;
    if (stage < 1 || stage > 4) return nullptr;
    const Line& l = kLines[stage - 1];
    ObjectManager.SpawnStageObject(l.x, l.y, l.code, l.angle, 0, elements::kFire, 0.0f, 0.0f, 0.0f, 2);
    return BossA;
}

int32_t ScheduleEnd(int32_t stage, int32_t difficulty) {
    std::string bytes;
    if (!ReadWholeFile(EnemySchedulePath(stage, difficulty).c_str(), bytes)) return 0;
    int32_t end = 0;
    int32_t boss = 0;
    for (const EnemyRecord& r : ParseEnemySchedule(bytes.data(), bytes.size())) {
        if (r.appearance > end) end = r.appearance;
        if (objecttype::IsBossType(r.type) && r.appearance > boss) boss = r.appearance;
    }
    return boss > 0 ? boss : end;
}

void PlayScheduleFrame() {
    cPlayerBase* p = Player1;
    if (!p) {
        UpdateGameScene();
        return;
    }
    static Pilot pilot;
    KeepInvincible(*p);
    SetButtons(0, pilot.Buttons(*p, gDown[0]));
    UpdateGameScene();
}

void FoldField(records::Fnv& hash, QuadRecorder& drawn) {
    const auto word = [](auto v) { return static_cast<uint32_t>(v); };
    hash.Add(word(StageFrame));
    for (const Quad& q : drawn.quads) {
        hash.Add(word(q.slot), q.colour, word(q.angle), word(q.turned), q.z, q.offsetX, q.offsetY);
        for (int i = 0; i < 4; ++i) hash.Add(q.dst[i], q.src[i]);
    }
    for (const Text& t : drawn.texts) {
        for (const char ch : t.text) hash.Add(word(static_cast<uint8_t>(ch)));
        hash.Add(word(t.x), word(t.y), word(t.font));
    }
    drawn.quads.clear();
    drawn.texts.clear();
    for (const cEnemyObjectBase* e : ObjectManager.enemyList)
        hash.Add(word(e->type), e->life, e->x, e->y, word(e->angle), word(e->element), word(e->isActive));
    for (const cEnemyBulletBase* b : ObjectManager.enemyBullets)
        if (b->isActive)
            hash.Add(b->x, b->y, word(b->angle), word(b->graphicKind), word(b->motionKind), word(b->element),
                     word(b->radius));
    for (const cPlayerBulletBase* b : ObjectManager.playerBullets)
        if (b->isActive) hash.Add(b->x, b->y);
    for (const cEffectObjectBase* e : ObjectManager.effects)
        if (e->isActive) hash.Add(e->x, e->y, word(e->kind), e->value, e->frame, e->angle, e->tint);
    for (const cBossBase* b : {BossA, BossB})
        if (b)
            hash.Add(word(b->phase), b->hp, b->x, b->y, word(b->phaseTimer), word(b->secondsLeft), word(b->element),
                     word(b->active), word(b->attackRunning), word(b->lastBonus));
    for (const cPlayerBase* p : {Player1, Player2})
        if (p) hash.Add(p->x, p->y, word(p->life), word(p->score));
}

cBossBase* StartBossAttack(int32_t code, int32_t phase, float y) {
    ObjectManager.SpawnStageObject(320, 0, code, 0, 0, elements::kFire, 0, 0, 0, StageFrame);
    cBossBase* b = objecttype::TakesSecondBossSlot(code) ? BossB : BossA;
    if (!b) return nullptr;
    b->Update();  // wakes (a stage boss loads its pictures)
    b->y = y;
    b->phase = 1;
    while (b->phase < phase && b->phase < 16) {
        b->hp = b->phase % 2 == 0 ? 0.0f : b->maxHp;
        b->NextPhase();
    }
    GameState.subState = kSubStatePlay;
    return b;
}

SourceFolder::SourceFolder() {
    char previous[1024] = {};
    GetCurrentDirectoryA(sizeof previous, previous);
    previous_ = previous;
    ok = SetCurrentDirectoryA(QUENRITH_SOURCE_DIR) != 0;
}

SourceFolder::~SourceFolder() { SetCurrentDirectoryA(previous_.c_str()); }

std::string CheckInvariants() {
    const cObjectManager& m = ObjectManager;
    char line[160];
    std::string out;
    const auto fail = [&](const char* what, int32_t index) {
        std::snprintf(line, sizeof line, "%s %d; ", what, index);
        out += line;
    };
    if (!m.enemyBullets.empty() && (m.enemyBullets.front()->isActive || m.enemyBullets.back()->isActive))
        fail("enemy bullet end slot active", 0);
    if (!m.playerBullets.empty() && (m.playerBullets.front()->isActive || m.playerBullets.back()->isActive))
        fail("player bullet end slot active", 0);
    if (!m.effects.empty() && (m.effects.front()->isActive || m.effects.back()->isActive))
        fail("effect end slot active", 0);
    // Raw arrays: this runs every few frames of long playthroughs.
    cEnemyBulletBase* const* bullets = m.enemyBullets.data();
    for (size_t i = 0, n = m.enemyBullets.size(); i < n; ++i) {
        const cEnemyBulletBase* b = bullets[i];
        if (b->isActive && !(ScrollX - 160 <= b->x && b->x < ScrollX + 800 && ScrollY - 140 <= b->y &&
                             b->y < ScrollY + 620))
            fail("bullet active outside the cull window", static_cast<int32_t>(i));
    }
    cEnemyObjectBase* const* list = m.enemyList.data();
    for (size_t i = 0, n = m.enemyList.size(); i < n; ++i) {
        const cEnemyObjectBase* e = list[i];
        if (e->isDying) fail("dying object left in the list", static_cast<int32_t>(i));
        if (e->isActive && !(ScrollX - 250 <= e->x && e->x < ScrollX + 890 && ScrollY - 250 <= e->y &&
                             e->y < ScrollY + 730))
            fail("object active outside the activity window", static_cast<int32_t>(i));
    }
    if (m.enemyBulletCursor < 0 || m.enemyBulletCursor >= m.enemyBulletLast) fail("enemy cursor", m.enemyBulletCursor);
    if (m.effectCursor < 0 || m.effectCursor >= m.effectLast) fail("effect cursor", m.effectCursor);
    if (m.playerBulletCursor < 0 || m.playerBulletCursor >= m.playerBulletLast)
        fail("player cursor", m.playerBulletCursor);
    return out;
}

}  // namespace playtest
