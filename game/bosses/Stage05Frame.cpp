#include "game/bosses/Stage05Frame.h"

#include "game/objects/PlayCommon.h"
#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"

namespace {

constexpr int32_t kEndingSlot = 27;
constexpr int32_t kCutInSlot = 28;
constexpr int32_t kCircleSlot = 32;
constexpr int32_t kBodySlot = 33;
constexpr uint32_t kPictureCapacity = 1800;
constexpr int32_t kClosingFrames = 255;

}  // namespace

void StartPoolEffect(int32_t kind, int32_t value, float x, float y) {
    cEffectObjectBase* f = ObjectManager.TakeEffectSlot();
    if (!f) return;
    f->kind = kind;
    f->value = value;
    f->frame = 0;
    f->speed = 0.0f;
    f->isActive = 1;
    f->SetPosition(TruncateToInt(x), TruncateToInt(y));
}

int32_t StepBodyCell(cBossBase& b, int32_t perCell, int32_t wrapAt) {
    b.animFrame += 1;
    const int32_t cell = b.animFrame / perCell;
    if (b.animFrame >= wrapAt) b.animFrame = 0;
    return cell;
}

Stage05Frame::Stage05Frame(const Talks& talks, int32_t secondsStep, const Pictures* pictures)
    : fadeAlpha(0), talks_(talks), secondsStep_(secondsStep), pictures_(pictures) {
    hp = maxHp = 40.0f;
    element = 1;
    radius = 30;
    x = y = 0.0f;
    phaseTimer = 0;
}

void Stage05Frame::ReloadPictures(const Pictures& pics) {
    const struct {
        int32_t slot;
        const char* path;
    } entries[3] = {{kCutInSlot, pics.cutIn}, {kBodySlot, pics.body}, {kCircleSlot, pics.circle}};
    for (const auto& e : entries)
        if (e.path) releaseSprite(e.slot);
    if (pics.cutIn) loadSpriteCStr(pics.cutIn, kCutInSlot, 0, kPictureCapacity);
    if (pics.circle) loadSpriteCStr(pics.circle, kCircleSlot, 0, kPictureCapacity);
    if (pics.body) loadSpriteCStr(pics.body, kBodySlot, 0, kPictureCapacity);
}

void Stage05Frame::Update() {
    const bool asleep = active == 0;
    if (!BossAppears(*this)) return;
    if (asleep && pictures_) ReloadPictures(*pictures_);
    phaseTimer += 1;
    if (phase == 0) {
        y += 0.7f;  // sinks into view
        if (phaseTimer == 150) {
            phase = 1;
            ObjectManager.DestroyAllEnemies();
            Entered();
        }
    }
    if (phase == 1) {
        BossEntersTalk(*this);
        TalkBegins();
        return;
    }
    if (phase >= 2 && phase <= 30) CountBossSeconds(*this, secondsStep_);
    if (phase >= 2 && phase < 30) {
        if (phase % 2 == 0) Attack();
        else BreakFrame();
    } else if (phase == 30) {
        EndDefeatPause(*this, 120);
    } else if (phase == 31) {
        GameState.subState = kSubStateDialogue;
    } else if (phase == 32) {
        Depart();
    }
}

void Stage05Frame::BreakFrame() {
    const int32_t k = phase;
    const Point p = BreakPoint(k);
    RefillBreak(*this);
    MoveTo(p.x, p.y, 3.0f);
    if (phaseTimer == 150) {
        NextPhase();
        BreakEnded(k);
    }
}

void Stage05Frame::EndLast() {
    EndLastAttack(*this);
    ObjectManager.DestroyAllEnemies();
}

void Stage05Frame::Draw() {
    DrawBossCircle(*this, x, y, element);
    DrawBody();
    if (phase == 1) RunTeamTalk(talks_.before[0], talks_.before[1]);
    DrawBossHud(*this, AttackName(), breakEleven_);
    if (phase == 31) RunTeamTalk(talks_.after[0], talks_.after[1]);
    DrawOver();
    if (talks_.ending[0] || talks_.ending[1]) DrawEnding();
}

void Stage05Frame::DrawEnding() {
    cGameState& g = GameState;
    // Separate tests: a talk that moves the phase on takes effect in this very
    // frame, so no play frame runs between the talks and the tally.
    if (phase == 32) {
        g.subState = kSubStateDialogue;
        if (fadeAlpha < 255) fadeAlpha += 2;
        if (fadeAlpha > 255) fadeAlpha = 255;
        DrawPlain(kEndingSlot, 0, 0, 640, 480, 0, 0, 640, 480, AlphaWhite(fadeAlpha));
        if (fadeAlpha >= 250) RunTeamTalk(talks_.ending[0], talks_.ending[1]);
    }
    if (phase == 33) {
        phaseTimer = WrapAdd(phaseTimer, 1);
        // The scene draws the boss through the tally and the leave that
        // follows: the sub-state is held only while the colour fades in, and
        // the tally raised once.
        if (phaseTimer >= 1 && phaseTimer < kClosingFrames) {
            g.subState = kSubStateDialogue;
        } else if (phaseTimer == kClosingFrames) {
            g.subState = kSubStateTally;
            TallyRaised();
        }
        const int32_t alpha = phaseTimer >= 0 && phaseTimer < kClosingFrames ? phaseTimer : kClosingFrames;
        DrawPlain(kEndingSlot, 0, 0, 640, 480, 0, 0, 640, 480, kWhite);
        DrawPlain(kEndingSlot, 0, 0, 640, 480, 640, 0, 128, 128, AlphaWhite(alpha));
    }
}

void Stage05Frame::DrawSmallBody(float bx, float by, int32_t cell, uint32_t colour, float width) const {
    DrawPlain(kBodySlot, bx - ScrollX - width / 2, by - ScrollY - 30, width, 60, 0, Cell(cell, 60.0f, 0.0f), width, 60,
              colour);
}
