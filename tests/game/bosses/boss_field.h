// Shared by the boss tests: the enemy tests' field with one player, a boss
// made by the factory as a schedule line makes it, its phase machine stepped
// to a phase, the bullets and summons each Update makes, the sounds the field
// plays, the last stages' field and the pictures a boss loads.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "game/bosses/BossCommon.h"
#include "game/objects/ObjectTypes.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cEffectObjectBase.h"
#include "game/state/GameGlobals.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameState.h"
#include "game/state/ScoreData.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"
#include "tests/game/objects/enemy_probe.h"
#include "tests/game/objects/play_harness.h"

namespace bosstest {

using enemytest::Fired;

// The records of the fights' FoldField digests (Fight::field).
inline constexpr const char* kFightRecords = "tests/game/bosses/fight_records.txt";

// The sound effects the bosses play, by file name; while a log lives each
// has a handle of its own and every play is recorded by name.
class SoundLog {
public:
    SoundLog() : saved_(SoundTable) {
        uint32_t handle = 7000;
        for (const Named& n : Sounds()) SoundTable.*(n.field) = handle++;
        SetSoundRecorder(&SoundLog::Heard, this);
    }
    ~SoundLog() {
        SetSoundRecorder(nullptr, nullptr);
        SoundTable = saved_;
    }
    SoundLog(const SoundLog&) = delete;
    SoundLog& operator=(const SoundLog&) = delete;

    std::vector<std::string> played;
    int Count(const std::string& name) const {
        int n = 0;
        for (const std::string& p : played) n += p == name ? 1 : 0;
        return n;
    }

private:
    struct Named {
        uint32_t cSoundTable::*field;
        const char* name;
    };
    static const std::vector<Named>& Sounds() {
        static const std::vector<Named> sounds = {
            {&cSoundTable::boss_death, "boss_death"},   {&cSoundTable::enemydamage_small, "enemydamage_small"},
            {&cSoundTable::rt_cursor01, "rt_cursor01"}, {&cSoundTable::BigShot, "BigShot"},
            {&cSoundTable::puni, "puni"},               {&cSoundTable::shamyuhit, "shamyuhit"},
            {&cSoundTable::rt_star14, "rt_star14"},     {&cSoundTable::rt_star22, "rt_star22"},
            {&cSoundTable::stillattack, "stillattack"}, {&cSoundTable::changeattribute, "changeattribute"},
            {&cSoundTable::draw_block, "draw_block"},   {&cSoundTable::shot_small, "shot_small"},
            {&cSoundTable::xmasbell, "xmasbell"},       {&cSoundTable::nonochach, "nonochach"},
            {&cSoundTable::playerdamage, "playerdamage"}, {&cSoundTable::raser_long, "raser_long"},
            {&cSoundTable::raser_long_stage3, "raser_long_stage3"}, {&cSoundTable::knifeswing, "knifeswing"},
            {&cSoundTable::Stardust, "Stardust"},       {&cSoundTable::enemyshot_short, "enemyshot_short"},
            {&cSoundTable::crystalhit, "crystalhit"},   {&cSoundTable::princessbomb_laser, "princessbomb_laser"}};
        return sounds;
    }
    static void Heard(uint32_t handle, void* context) {
        auto* self = static_cast<SoundLog*>(context);
        for (const Named& n : Sounds())
            if (SoundTable.*(n.field) == handle) return self->played.push_back(n.name);
        self->played.push_back("handle " + std::to_string(handle));
    }
    cSoundTable saved_;
};

// A player no bullet or body can hurt.
inline void KeepAlive(cPlayerBase* p) {
    if (!p) return;
    p->isInvincible = 1;
    p->invincibleCount = -1000000;
}

class BossField : public enemytest::EnemyField {
protected:
    // A boss of a type code, made as the stage start makes it from its line.
    template <class Boss = cBossBase>
    Boss* Make(int32_t code, float x, float y, int32_t angle = 0, int32_t appearFrame = 0) {
        m.SpawnStageObject(x, y, code, angle, 0, elements::kFire, 0.0f, 0.0f, 0.0f, appearFrame);
        return dynamic_cast<Boss*>(objecttype::TakesSecondBossSlot(code) ? BossB : BossA);
    }
    // Awake at the stage point (x, y) with its phase machine stepped from the
    // talk's end to `phase` (each attack ended with its hp at 0, each break's
    // refill done).
    template <class Boss = cBossBase>
    Boss* MakeAt(int32_t code, int32_t phase, float x, float y, int32_t angle = 0) {
        Boss* b = Make<Boss>(code, x, y, angle);
        if (!b) return nullptr;
        b->active = 1;
        b->phase = 1;
        while (b->phase < phase && b->phase < 16) {
            if (b->phase % 2 == 0) b->hp = 0.0f;
            else if (b->phase > 1) b->hp = b->maxHp;
            b->NextPhase();
        }
        GameState.subState = kSubStatePlay;
        sounds.played.clear();
        return b;
    }
    // Every bullet of `steps` Update calls of a boss (by default the one in slot A).
    std::vector<Fired> RunBoss(int32_t steps, cBossBase* b = nullptr) {
        return Record(steps, [b] { (b ? b : BossA)->Update(); });
    }
    // The frames of `frames` Update calls in which an enemy of the type was
    // summoned, one entry per summon.
    std::vector<int32_t> SummonFrames(cBossBase* b, int32_t type, int32_t frames) {
        std::vector<int32_t> out;
        for (int32_t f = 1; f <= frames; ++f) {
            const size_t before = m.enemyList.size();
            b->Update();
            for (size_t i = before; i < m.enemyList.size(); ++i)
                if (m.enemyList[i]->type == type) out.push_back(f);
        }
        return out;
    }
    // Plays frames of the game scene's order; player 1 holds ELEMENT while a
    // talk runs, so that any talk runs through. Stops early once `until` holds.
    template <class Until>
    int32_t PlayUntil(int32_t limit, Until until) {
        for (int32_t f = 1; f <= limit; ++f) {
            playtest::SetButtons(0, GameState.subState == kSubStateDialogue ? PAD_ELEMENT : 0);
            playtest::PlayFrame();
            if (until()) return f;
        }
        return -1;
    }
    // A fight played by PlayUntil with both players kept alive, each attack's
    // hp drained evenly from its start to 0 over `attackFrames` frames (so what
    // an attack keys to its hp runs too; 1 << 30 keeps it full): the phases seen
    // while awake (without the talk of phase 1, which a talk run from Update
    // may end in the frame it began), the frames played (-1: `done` never
    // held), the bonuses paid, each with the attack phase that paid it, each
    // phase's time limit (the seconds left at its start), each restart of
    // a phase's timer within the phase: the seconds left on that frame and
    // those the frame before left less the count of one due on that frame,
    // and playtest::FoldField over every frame (each quad drawn is first shown
    // to `seeQuad` when set).
    struct Limit {
        int32_t phase, seconds;
    };
    struct Restart {
        int32_t phase, seconds, due;
    };
    struct Fight {
        std::vector<int32_t> phases;
        int32_t frames = 0, bonuses = 0;
        std::vector<std::pair<int32_t, int32_t>> paid;  // (attack phase, amount)
        std::vector<Limit> limits;
        std::vector<Restart> restarts;
        records::Fnv field;
    };
    template <class Done>
    Fight Drive(cBossBase* b, int32_t limit, int32_t attackFrames, Done done) {
        Fight f;
        int32_t phase = -1, inPhase = 0;  // frames: a phase timer may loop below any bound
        float full = 0.0f;                // the attack's hp at its start
        int32_t lastBonus = b->lastBonus, attack = 0;
        int32_t timer = 0, seconds = 0;
        for (cPlayerBase* p : {Player1, Player2}) KeepAlive(p);
        testing::internal::CaptureStdout();  // the picture loads print their lines
        playtest::QuadRecorder drawn;
        f.frames = PlayUntil(limit, [&] {
            if (seeQuad)
                for (const playtest::Quad& q : drawn.quads) seeQuad(q);
            playtest::FoldField(f.field, drawn);
            for (cPlayerBase* p : {Player1, Player2}) KeepAlive(p);
            ++inPhase;
            const bool timed = b->phase >= kPhaseOpening && b->phase < kPhaseDefeated;
            // The timer counted to timer + 1 this frame before any restart.
            if (b->active && b->phase == phase && timed && b->phaseTimer < timer)
                f.restarts.push_back({phase, b->secondsLeft, seconds - ((timer + 1) % 60 == 0 ? 1 : 0)});
            if (b->active && b->phase != phase) {
                phase = b->phase, inPhase = 0, full = b->hp;
                if (phase != 1) f.phases.push_back(phase);
                if (phase >= kPhaseOpening && phase < kPhaseDefeated && phase % 2 == 0) attack = phase;
                if (timed) f.limits.push_back({phase, b->secondsLeft});
            }
            timer = b->phaseTimer, seconds = b->secondsLeft;
            if (b->lastBonus != lastBonus) {
                ++f.bonuses, lastBonus = b->lastBonus;
                f.paid.push_back({attack, lastBonus});
            }
            // In 64ths of the start, rounded up: whole until a step is due.
            const int64_t left = (int64_t{attackFrames - inPhase} * 64 + attackFrames - 1) / attackFrames;
            if (phase >= kPhaseOpening && phase < kPhaseDefeated && phase % 2 == 0)
                b->hp = std::min(b->hp, full * static_cast<float>(std::clamp<int64_t>(left, 0, 64)) / 64.0f);
            return done();
        });
        testing::internal::GetCapturedStdout();
        return f;
    }
    SoundLog sounds;
    std::function<void(const playtest::Quad&)> seeQuad;
};

// The last stages' field: no pictures loaded, the score data kept aside and
// its stage reached cleared (the endings write it).
class FinalBossField : public BossField {
protected:
    void SetUp() override {
        BossField::SetUp();
        SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
        saved_ = ScoreData;
        ScoreData.resultStage = 0;
    }
    void TearDown() override {
        ScoreData = saved_;
        BossField::TearDown();
    }

private:
    cScoreData saved_;
};

// `n` Update calls of a boss.
inline void Updates(cBossBase* b, int32_t n) {
    for (int32_t i = 0; i < n; ++i) b->Update();
}

// An attack that neither its hp nor its seconds end.
inline void Endless(cBossBase* b) {
    b->hp = 1e6f;
    b->secondsLeft = 999;
}

// What a boss's picture loads printed: the release lines before the first
// load (-1 if anything else came there), then the files loaded in order.
struct PictureLog {
    int releases = 0;
    std::vector<std::string> loads;
};
inline PictureLog ReadPictureLog(const std::string& out) {
    const std::string release = "【releaseSprite】\n";  // the program's own bytes
    const std::string load = "【loadSprite】 filename: ";
    PictureLog log;
    const size_t first = out.find(load);
    std::string head = out.substr(0, first);
    for (; head.starts_with(release); head.erase(0, release.size())) ++log.releases;
    if (!head.empty()) log.releases = -1;
    for (size_t at = first; at != std::string::npos; at = out.find(load, at + 1))
        log.loads.push_back(out.substr(at + load.size(), out.find('\n', at) - at - load.size()));
    return log;
}

// Effects running in the pool.
inline int ActiveEffects() {
    int n = 0;
    for (const cEffectObjectBase* f : ObjectManager.effects) n += f->isActive ? 1 : 0;
    return n;
}

// The recorded quads of a sprite slot.
inline std::vector<playtest::Quad> OfSlot(const std::vector<playtest::Quad>& quads, int slot) {
    std::vector<playtest::Quad> out;
    for (const playtest::Quad& q : quads)
        if (q.slot == slot) out.push_back(q);
    return out;
}

// The HUD-sheet quads with a destination of the given y (one row of the boss's gauge).
inline std::vector<playtest::Quad> Row(const std::vector<playtest::Quad>& quads, float y) {
    std::vector<playtest::Quad> out;
    for (const playtest::Quad& q : OfSlot(quads, 4))
        if (q.dst[1] == y) out.push_back(q);
    return out;
}

// The bullets of one Update call.
inline std::vector<Fired> OfStep(const std::vector<Fired>& all, int32_t step) {
    std::vector<Fired> out;
    for (const Fired& f : all)
        if (f.step == step) out.push_back(f);
    return out;
}

}  // namespace bosstest
