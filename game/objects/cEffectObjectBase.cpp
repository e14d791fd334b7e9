#include "game/objects/cEffectObjectBase.h"

#include "engine/core/KestraMath.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/SpriteTable.h"

int32_t EffectRingCounter = 0;

namespace {

// The start values of one kind; rand() is drawn in the listed order.
void WriteStartValues(cEffectObjectBase* f, effect::Kind kind, int32_t value, int32_t owner) {
    f->kind = kind;
    switch (kind) {
    case effect::kExplosion: break;
    case effect::kSpark: {
        const int32_t angle = GameRand() * 2;
        const int32_t speed = GameRand() % 8 + 2;
        f->angle = angle;
        f->speed = static_cast<float>(speed);
        f->value = value;
        break;
    }
    case effect::kHitFlash:
        f->angle = GameRand() * 2;
        f->value = value;
        break;
    case effect::kDebris:
        f->angle = GameRand() * 2;
        f->speed = 6.0f;
        f->value = value;
        break;
    case effect::kSpinningDebris: {
        const int32_t angle = GameRand() * 2;
        const int32_t speed = GameRand() % 4 + 2;
        f->angle = angle;
        f->speed = static_cast<float>(speed);
        f->value = value;
        f->spin = f->angle;
        break;
    }
    case effect::kAbsorbSpark:
        f->speed = 3.0f;
        f->value = value;
        f->owner = owner;
        f->spin = f->angle;
        break;
    case effect::kAbsorbBloom:
    case effect::kAbsorbGlow:
    case effect::kShockwave:
        f->speed = 0.0f;
        f->value = value;
        f->owner = owner;
        break;
    case effect::kFadingSpark:
    case effect::kPuff:
    case effect::kSparkle:
    case effect::kRing:
    case effect::kQuickRing: {
        f->angle = GameRand() * 2;
        f->speed = kind == effect::kFadingSpark ? 7.0f
                   : kind == effect::kPuff      ? 8.0f
                   : kind == effect::kSparkle   ? 0.5f
                                                : 0.0f;
        f->value = value;
        f->owner = owner;
        break;
    }
    case effect::kConfetti: {
        const int32_t speed = GameRand() % 3 + 1;
        const int32_t angle = GameRand() * 2;
        f->speed = static_cast<float>(speed);
        f->angle = angle;
        f->value = value;
        f->owner = owner;
        break;
    }
    case effect::kFlash:
        f->angle = GameRand() * 2;
        f->value = value;
        f->owner = owner;
        break;
    case effect::kBigFlash:
        f->angle = 0;
        f->value = value;
        f->owner = owner;
        break;
    case effect::kNone:
    case effect::kCount: break;
    }
}

void StartKind(cObjectManager& m, int32_t x, int32_t y, effect::Kind kind, int32_t value, int32_t owner) {
    cEffectObjectBase* f = m.TakeEffectSlot();
    if (!f) return;
    WriteStartValues(f, kind, value, owner);
    f->isActive = 1;
    f->SetPosition(x, y);
    f->frame = 0;
}
}  // namespace

void cObjectManager::SpawnEffect(int32_t x, int32_t y, effect::Kind kind, int32_t value, int32_t owner) {
    if (kind < effect::kExplosion || kind >= effect::kCount) return;
    StartKind(*this, x, y, kind, value, owner);
}

void cObjectManager::SpawnEffectBurst(effect::Burst pattern, int32_t value, int32_t x, int32_t y) {
    switch (pattern) {
    case effect::kExplosionBurst:
        StartKind(*this, x, y, effect::kExplosion, value, 0);
        for (int32_t i = 0; i < 8; ++i) StartKind(*this, x, y, effect::kDebris, value, 0);
        break;
    case effect::kShatterBurst:
        for (int32_t i = 0; i < 10; ++i) StartKind(*this, x, y, effect::kSpinningDebris, value, 0);
        break;
    case effect::kPuffBurst:
        for (int32_t i = 0; i < 3; ++i) StartKind(*this, x, y, effect::kPuff, value, 0);
        break;
    }
}

cEffectObjectBase::cEffectObjectBase()
    : value(0), frame(0), kind(effect::kNone), angle(0), spin(0), isActive(0), x(0.0f), y(0.0f), owner(0), speed(0.0f),
      tint(0xFFFFFFu) {}

cEffectObjectBase::~cEffectObjectBase() = default;

void cEffectObjectBase::SetPosition(const int32_t& px, const int32_t& py) {
    x = static_cast<float>(px);
    y = static_cast<float>(py);
}

void cEffectObjectBase::UpdateAndDraw() {
    frame += 1;
    const auto step = [this] {
        x = x + Kestra::Cos(static_cast<uint32_t>(angle)) * speed;
        y = y + Kestra::Sin(angle) * speed;
    };
    const auto aim = [this] {
        cPlayerBase* p = (owner == 0 || owner == 1) ? PlayerOfIndex(owner) : nullptr;
        if (p) angle = static_cast<int32_t>(Kestra::Atan(p->aimX - x, p->aimY - y));
    };
    const auto along = [this](float distance) {
        x = x + Kestra::Cos(static_cast<uint32_t>(angle)) * distance;
        y = y + Kestra::Sin(angle) * distance;
    };
    const float sx = x - ScrollX;
    const float sy = y - ScrollY;
    const float f = static_cast<float>(frame);
    int32_t last = 0;
    switch (kind) {
    case effect::kExplosion:
        DrawPlain(sheet::kEffects, sx - 64, sy - 64, 128, 128, static_cast<float>(128 * (frame / 5)), 0, 128, 128,
                  AlphaWhite(255));
        last = 39;
        break;
    case effect::kSpark:
        step();
        DrawPlain(sheet::kEffects, x - ScrollX - 10, y - ScrollY - 10, 20, 20, Cell(value, 20, 0), 128, 20,
                  20, AlphaWhite(250));
        break;
    case effect::kHitFlash:
        if (value == 2) value = 0;
        DrawPlain(sheet::kEffects, sx - 15, sy - 15, f + 30, f + 30, Cell(frame / 3, 30, 40) + Cell(value, 180, 0),
                  128, 30, 30, AlphaWhite(250));
        last = 15;
        break;
    case effect::kDebris: {
        step();
        const uint32_t r = static_cast<uint32_t>(GameRand() % 55 + 200);
        const uint32_t g = static_cast<uint32_t>(GameRand() % 55 + 200);
        const uint32_t b = static_cast<uint32_t>(GameRand() % 55 + 200);
        const uint32_t colour = (static_cast<uint32_t>(240 - 8 * frame) & 0xFFu) << 24 | r << 16 | g << 8 | b;
        DrawPlain(sheet::kEffects, x - ScrollX - 20, y - ScrollY - 20, 40, 40, Cell(value, 40, 0), 158, 40,
                  40, colour);
        last = 30;
        break;
    }
    case effect::kSpinningDebris:
        step();
        spin = WrapAdd(spin, 170);
        DrawTurned(sheet::kEffects, x - ScrollX - 20, y - ScrollY - 20, 40, 40, 80, 158, 40, 40,
                   AlphaWhite(240 - 8 * frame), spin);
        last = 30;
        break;
    case effect::kAbsorbSpark:
        aim();
        step();
        DrawPlain(sheet::kEffects, x - ScrollX - 10, y - ScrollY - 10, 20, 20, Cell(value, 20, 400), 128,
                  20, 20, AlphaWhite(180));
        last = 15;
        break;
    case effect::kAbsorbBloom:
        aim();
        along(3.0f);
        DrawPlain(sheet::kEffects, x - ScrollX - 4 * f, y - ScrollY - 4 * f, 8 * f, 8 * f,
                  Cell(value, 50, 0), 198, 50, 50, AlphaWhite(255));
        last = 12;
        break;
    case effect::kAbsorbGlow:
        aim();
        along(2.0f);
        DrawPlain(sheet::kEffects, x - ScrollX - 32, y - ScrollY - 32, 64, 64,
                  static_cast<float>(672 - 64 * (frame / 3)), Cell(value, 64, 158), 64, 64, AlphaWhite(100));
        last = 24;
        break;
    case effect::kShockwave:
        DrawPlain(sheet::kEffects, sx - 7 * f, sy - 7 * f, 14 * f, 14 * f, 864, 128, 160, 160, AlphaWhite(100));
        last = 15;
        break;
    case effect::kFadingSpark:
        step();
        DrawPlain(sheet::kEffects, x - ScrollX - 10, y - ScrollY - 10, 20, 20, Cell(value, 20, 0), 128, 20,
                  20, AlphaWhite(250 - 16 * frame));
        last = 15;
        break;
    case effect::kPuff:
        step();
        DrawPlain(sheet::kEffects, x - ScrollX - 15, y - ScrollY - 15, 30, 30, Cell(value, 30, 440), 128,
                  30, 30, AlphaWhite(150 - 10 * frame));
        last = 15;
        break;
    case effect::kSparkle:
        step();
        DrawPlain(sheet::kEffects, x - ScrollX - 12, y - ScrollY - 12, 24, 24, Cell(value, 24, 500), 128,
                  24, 24, AlphaWhite(180 - 3 * frame));
        last = 60;
        break;
    case effect::kRing:
    case effect::kQuickRing: {
        if (frame == 1) EffectRingCounter = 0;
        EffectRingCounter = WrapAdd(EffectRingCounter, kind == effect::kRing ? 10 : 7);
        const float c = static_cast<float>(EffectRingCounter);
        const int32_t alpha = kind == effect::kRing ? 240 - 6 * frame : 240 - 9 * frame;
        DrawPlain(sheet::kEffects, sx - c * 0.5f, sy - c * 0.5f, c, c, Cell(value, 128, 0), 286, 128, 128,
                  AlphaWhite(alpha));
        last = kind == effect::kRing ? 40 : 14;
        break;
    }
    case effect::kConfetti: {
        step();
        if (frame == 1) {
            const uint32_t r = static_cast<uint32_t>(GameRand() % 190 + 50);
            const uint32_t g = static_cast<uint32_t>(GameRand() % 190 + 50);
            const uint32_t b = static_cast<uint32_t>(GameRand() % 190 + 50);
            tint = r << 16 | g << 8 | b;
        }
        const uint32_t colour = (static_cast<uint32_t>(200 - 2 * frame) & 0xFFu) << 24 | tint;
        DrawPlain(sheet::kEffects, x - ScrollX - 12, y - ScrollY - 12, 24, 24, 500, 128, 24, 24, colour);
        last = 70;
        break;
    }
    case effect::kFlash:
        DrawTurned(sheet::kEffects, sx - 40, sy - 40, 80, 80, static_cast<float>(80 * (frame / 3) + 225),
                   Cell(value, 80, 545), 80, 80, AlphaWhite(200), angle);
        last = 24;
        break;
    case effect::kBigFlash:
        DrawTurned(sheet::kEffects, sx - 64, sy - 64, 128, 128, static_cast<float>(128 * (frame / 3)), 705, 128, 128,
                   AlphaWhite(200), angle);
        last = 24;
        break;
    case effect::kNone:
    case effect::kCount: return;
    }
    if (last > 0 && frame >= last) isActive = 0;
}
