#include "tests/game/objects/pilot.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/core/KestraMath.h"
#include "game/objects/ObjectTypes.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/cBossBase.h"

namespace playtest {
namespace {

// The eight-way keys nearest to the direction (dx, dy); a component counts
// when it is at least tan(22.5 degrees) of the other.
uint16_t KeysToward(float dx, float dy, float dead = 0.0f) {
    uint16_t k = 0;
    const float ax = std::fabs(dx), ay = std::fabs(dy);
    if (ax > dead && ax >= ay * 0.4142f) k |= dx < 0 ? PAD_LEFT : PAD_RIGHT;
    if (ay > dead && ay >= ax * 0.4142f) k |= dy < 0 ? PAD_UP : PAD_DOWN;
    return k;
}

int32_t AngleDiff(int32_t a, int32_t b) { return ((a - b) % 65536 + 98304) % 65536 - 32768; }

// Pieces that shots do not hurt: walls, fields, pictures, spawners, timed bands.
bool Unshootable(int32_t type) {
    switch (type) {
    case 27: case 28: case 31: case 36: case 41: case 61: case 62: case 63: case 66: case 70: case 71: case 72:
    case 73: case 74: case 75: case 76: case 80: case 81: case 84: case 86: case 88: case 91: case 96: case 97:
    case 98:
        return true;
    default:
        return false;
    }
}

bool OnView(float x, float y) { return x >= ScrollX && x < ScrollX + 640 && y >= ScrollY && y < ScrollY + 480; }

bool SecondBossStage() { return GameState.stage == 5 || GameState.stage == 6; }

// The course toward the target: turn to it (a free step sets the facing),
// then hold the facing and slide across the line of fire onto it, at a
// distance, inside the view. SHOT tapped; ELEMENT tapped when the target has
// the player's element (the other one hurts it twice as much).
uint16_t Course(const cPlayerBase& p, uint16_t last) {
    // The boss, else a guardian holding the scroll, else the nearest enemy on screen.
    float tx = 0.0f, ty = 0.0f;
    int32_t targetElement = -1;
    // Stages 5 and 6 bring the stage boss in the second slot once the first has left.
    cBossBase* boss = BossA && BossA->active == 1 ? BossA : SecondBossStage() ? BossB : nullptr;
    bool found = boss && boss->active == 1 && OnView(boss->x, boss->y);
    if (found) {
        tx = boss->x;
        ty = boss->y;
        targetElement = boss->element;
    } else {
        float nearest = 1e18f;
        cEnemyObjectBase* const* list = ObjectManager.enemyList.data();
        for (size_t k = 0, n = ObjectManager.enemyList.size(); k < n; ++k) {
            const cEnemyObjectBase* e = list[k];
            if (e->isActive != 1 || e->isDying || !objecttype::IsEnemyType(e->type) || Unshootable(e->type) ||
                !OnView(e->x, e->y))
                continue;
            float d = (e->x - p.x) * (e->x - p.x) + (e->y - p.y) * (e->y - p.y);
            if (e->type == 56 && ScrollHalt) d = 0.0f;  // the guardian holding the scroll first
            if (d < nearest) {
                nearest = d;
                tx = e->x;
                ty = e->y;
                targetElement = e->element;
                found = true;
            }
        }
    }
    const float sx = p.x - ScrollX, sy = p.y - ScrollY;
    uint16_t keys = 0;
    if (!found) {
        keys = KeysToward(320.0f - sx, 360.0f - sy, 20.0f);  // back to the lower middle, free
    } else {
        const float dx = tx - p.x, dy = ty - p.y;
        const int32_t toward = static_cast<int32_t>(Kestra::Atan(dx, dy));
        if (std::abs(AngleDiff(toward, p.facing)) > 6000) {
            keys = KeysToward(dx, dy);  // turn to it: a free step sets the facing
        } else {
            const float fx = Kestra::Cos(static_cast<uint32_t>(p.facing));
            const float fy = Kestra::Sin(p.facing);
            const float across = fx * dy - fy * dx;
            const float along = fx * dx + fy * dy;
            float mx = 0.0f, my = 0.0f;
            if (std::fabs(across) > 8.0f) {
                const float s = across > 0 ? 1.0f : -1.0f;
                mx += -fy * s;
                my += fx * s;
            }
            if (along < 120.0f) mx -= fx, my -= fy;
            if (along > 260.0f) mx += fx, my += fy;
            if (sx < 60.0f) mx += 1.0f;
            if (sx > 580.0f) mx -= 1.0f;
            if (sy < 60.0f) my += 1.0f;
            if (sy > 420.0f) my -= 1.0f;
            keys = static_cast<uint16_t>(PAD_DIRECT | KeysToward(mx, my, 0.2f));
        }
    }
    // Taps fire faster than a held button.
    if (!(last & PAD_SHOT)) keys |= PAD_SHOT;
    if (found && targetElement == p.element && !(last & PAD_ELEMENT)) keys |= PAD_ELEMENT;
    return keys;
}

// The gauge a character's FORCE takes.
float ForceGauge(int32_t character) {
    switch (character) {
    case 1: return 50.0f;
    case 2: return 40.0f;
    case 3: return 100.0f;
    default: return 80.0f;
    }
}

// One thing that can hurt: where it stands, how it moves, how near is a hit.
struct Threat {
    float x, y, vx, vy, reach;
};

constexpr int32_t kLookAhead = 14;  // frames
constexpr float kMargin = 5.0f;     // px kept beyond a hit

// The first look-ahead frame in which a player going (mx, my) a frame is hit,
// kLookAhead + 1 when none is, and the smallest clearance over the frames.
struct Outlook {
    int32_t hitAt;
    float clearance;
};

Outlook Foresee(float px, float py, float mx, float my, const std::vector<Threat>& threats) {
    Outlook o{kLookAhead + 1, 1e9f};
    // The hit test of a frame measures from where the last frame left the
    // player: this frame's step counts from the next one on.
    for (int32_t k = 1; k <= kLookAhead; ++k) {
        const float x = std::clamp(px + mx * static_cast<float>(k - 1), ScrollX + 20.0f, ScrollX + 620.0f);
        const float y = std::clamp(py + my * static_cast<float>(k - 1), ScrollY + 20.0f, ScrollY + 460.0f);
        for (const Threat& t : threats) {
            const float dx = t.x + t.vx * static_cast<float>(k) - x;
            const float dy = t.y + t.vy * static_cast<float>(k) - y;
            const float c = std::sqrt(dx * dx + dy * dy) - t.reach;
            o.clearance = std::min(o.clearance, c);
            if (c < kMargin && o.hitAt > kLookAhead) o.hitAt = k;
        }
    }
    return o;
}

}  // namespace

void KeepInvincible(cPlayerBase& p) {
    p.isInvincible = 1;
    p.invincibleCount = -1000000;
}

void Pilot::Look() {
    if (GameState.frameCount == lookedAt_) return;
    lookedAt_ = GameState.frameCount;
    last_.swap(now_);
    const auto& bullets = ObjectManager.enemyBullets;
    now_.resize(bullets.size());
    for (size_t i = 0; i < bullets.size(); ++i) now_[i] = {bullets[i]->x, bullets[i]->y, bullets[i]->isActive};
    lastBodies_.swap(nowBodies_);
    nowBodies_.clear();
    for (const cEnemyObjectBase* e : ObjectManager.enemyList)
        if (e->isActive) nowBodies_[e] = {e->x, e->y};
    for (const cBossBase* b : {BossA, BossB})
        if (b && b->active) nowBodies_[b] = {b->x, b->y};
}

uint16_t Pilot::Buttons(const cPlayerBase& p, uint16_t last) {
    // A boss's talk runs through while ELEMENT is held.
    if (GameState.subState == kSubStateDialogue) return PAD_ELEMENT;
    const uint16_t course = Course(p, last);
    if (!mortal_) return course;
    Look();
    return Dodge(p, course, last);
}

uint16_t Pilot::Dodge(const cPlayerBase& p, uint16_t course, uint16_t last) {
    // What can hurt this player in the next frames; bullets of its own
    // element are absorbed while FORCE can be used.
    std::vector<Threat> threats;
    const float reachOf = static_cast<float>(p.hitRadius);
    const float px = p.x, py = p.y;
    const float near = 200.0f;
    int32_t around[2] = {0, 0};  // bullets of each element close by
    const auto& bullets = ObjectManager.enemyBullets;
    for (size_t i = 0; i < bullets.size(); ++i) {
        const cEnemyBulletBase* b = bullets[i];
        if (b->isActive != 1 || b->element >= 3) continue;
        if (std::fabs(b->x - px) > near || std::fabs(b->y - py) > near) continue;
        if (b->element < 2 && std::fabs(b->x - px) < 120.0f && std::fabs(b->y - py) < 120.0f) ++around[b->element];
        if (b->element == p.element && p.canForce == 1) continue;
        float vx = 0.0f, vy = 0.0f;
        if (i < last_.size() && last_[i].active && b->frame > 1) {
            vx = b->x - last_[i].x;
            vy = b->y - last_[i].y;
        } else {
            vx = Kestra::Cos(static_cast<uint32_t>(b->angle)) * b->speed;
            vy = Kestra::Sin(b->angle) * b->speed;
        }
        threats.push_back({b->x, b->y, vx, vy, reachOf + static_cast<float>(b->radius)});
    }
    // Bodies move as they moved in the last frame.
    const auto body = [&](const void* object, float x, float y, float reach) {
        const auto was = lastBodies_.find(object);
        const float vx = was == lastBodies_.end() ? 0.0f : x - was->second.x;
        const float vy = was == lastBodies_.end() ? 0.0f : y - was->second.y;
        threats.push_back({x, y, vx, vy, reach});
    };
    for (const cEnemyObjectBase* e : ObjectManager.enemyList) {
        if (e->isActive != 1 || e->touchDamage != 1 || !objecttype::IsEnemyType(e->type) || e->element == p.element)
            continue;
        if (std::fabs(e->x - px) > near || std::fabs(e->y - py) > near) continue;
        body(e, e->x, e->y, reachOf + static_cast<float>(e->radius));
    }
    for (const cBossBase* b : {BossA, SecondBossStage() ? BossB : nullptr})
        if (b && b->active == 1 && b->attackRunning == 1) body(b, b->x, b->y, 40.0f);

    // Among bullets the element they have wins over the one that hurts the
    // target most: they are absorbed and fill the gauge.
    if (around[0] + around[1] > 0) {
        const int32_t other = 1 - p.element;
        int32_t& switched = switchedAt_[p.playerIndex & 1];
        course &= static_cast<uint16_t>(~PAD_ELEMENT);
        if (around[other] >= 2 && around[other] > 2 * around[p.element] && GameState.frameCount - switched > 40 &&
            !(last & PAD_ELEMENT)) {
            course |= PAD_ELEMENT;
            switched = GameState.frameCount;
        }
    }
    if (threats.empty() || p.forceTimer > 0 || p.isInvincible) return course;

    // The course's own step, then every other step at full and at half
    // speed (the character's speed, as its last move set it).
    const float step = p.speedX;
    const auto stepOf = [&](uint16_t keys, float& mx, float& my) {
        const float s = keys & PAD_DIRECT ? step * 0.5f : step;
        mx = (keys & PAD_RIGHT ? s : 0.0f) - (keys & PAD_LEFT ? s : 0.0f);
        my = (keys & PAD_DOWN ? s : 0.0f) - (keys & PAD_UP ? s : 0.0f);
    };
    float mx = 0.0f, my = 0.0f;
    stepOf(course, mx, my);
    const Outlook planned = Foresee(px, py, mx, my, threats);
    if (planned.hitAt > kLookAhead) return course;
    static constexpr uint16_t kWays[9] = {0, PAD_UP, PAD_DOWN, PAD_LEFT, PAD_RIGHT, PAD_UP | PAD_LEFT,
                                          PAD_UP | PAD_RIGHT, PAD_DOWN | PAD_LEFT, PAD_DOWN | PAD_RIGHT};
    uint16_t best = course;
    Outlook bestOutlook = planned;
    for (uint16_t hold : {uint16_t(PAD_DIRECT), uint16_t(0)}) {
        for (uint16_t way : kWays) {
            const uint16_t keys = static_cast<uint16_t>(way | hold);
            stepOf(keys, mx, my);
            const Outlook o = Foresee(px, py, mx, my, threats);
            // Later hits first, then more room; holding the facing wins ties.
            if (o.hitAt > bestOutlook.hitAt ||
                (o.hitAt == bestOutlook.hitAt && o.clearance > bestOutlook.clearance + 0.5f)) {
                best = keys;
                bestOutlook = o;
            }
        }
    }
    ++dodges;
    // Keep firing (and switching) while stepping aside.
    uint16_t keys = static_cast<uint16_t>((best & ~(PAD_SHOT | PAD_ELEMENT)) | (course & (PAD_SHOT | PAD_ELEMENT)));
    if (bestOutlook.hitAt <= 3 && p.gauge >= ForceGauge(p.character) && p.canForce == 1 && !(last & PAD_FORCE)) {
        keys |= PAD_FORCE;
        ++forces;
    }
    return keys;
}

}  // namespace playtest
