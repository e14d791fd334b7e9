#include "game/bosses/Stage05Frame.h"

#include <algorithm>

#include "game/objects/PlayCommon.h"
#include "game/objects/cObjectManager.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"

namespace {

constexpr uint32_t kPictureCapacity = 1800;
constexpr int32_t kClosingFrames = 255;

}  // namespace

Stage05Frame::Stage05Frame(const Profile& profile, std::initializer_list<int32_t> hps,
                           std::initializer_list<int32_t> times, std::initializer_list<int32_t> bonuses)
    : fadeAlpha(0), profile_(profile) {
    SetUpStageBoss(*this, 40.0f, 1, hps, times, bonuses);
}

void Stage05Frame::ReloadPictures(const Pictures& pics) {
    const struct {
        int32_t slot;
        const char* path;
    } entries[3] = {{kCutInSlot, pics.cutIn}, {kBossBodySlot, pics.body}, {kCircleSlot, pics.circle}};
    for (const auto& e : entries)
        if (e.path) releaseSprite(e.slot);
    if (pics.cutIn) loadSpriteCStr(pics.cutIn, kCutInSlot, 0, kPictureCapacity);
    if (pics.circle) loadSpriteCStr(pics.circle, kCircleSlot, 0, kPictureCapacity);
    if (pics.body) loadSpriteCStr(pics.body, kBossBodySlot, 0, kPictureCapacity);
}

void Stage05Frame::Update() {
    const Profile& p = profile_;
    const bool asleep = active == 0;
    if (!BossAppears(*this)) return;
    if (asleep && p.pictures) ReloadPictures(*p.pictures);
    phaseTimer += 1;
    if (phase == 0) {
        y += 0.7f;  // sinks into view
        if (phaseTimer == 150) {
            // The phase timer runs on into the talk.
            EndEntrance(*this, false);
            if (p.clearOnEntrance) ObjectManager.CancelEnemyBullets();
        }
    }
    const bool talkNow = p.talkFromUpdate;
    const TalkFunction team1 = talkNow ? p.talks.before[0] : nullptr, team2 = talkNow ? p.talks.before[1] : nullptr;
    if (TalkOrCountSeconds(*this, 30, team1, team2, p.secondsStep)) return;
    if (phase >= 2 && phase < 30) {
        if (phase % 2 == 0) {
            Attack();
        } else {
            const int32_t k = phase;
            const Point& to = p.breaks[std::min((k - 3) / 2, 5)];
            if (BreakFrame(*this, to.x, to.y)) BreakEnded(k);
        }
    } else if (phase == 30) {
        EndDefeatPause(*this, 120);
    } else if (phase == 31) {
        GameState.subState = kSubStateDialogue;
    } else if (phase == 32) {
        Depart();
    }
}

void Stage05Frame::Draw() {
    const Profile& p = profile_;
    DrawBossCircle(*this, x, y, element);
    DrawBody();
    if (phase == 1) RunTeamTalk(p.talks.before[0], p.talks.before[1]);
    DrawBossHud(*this, AttackNameOf(phase, p.names), p.breakEleven);
    if (phase == 31) RunTeamTalk(p.talks.after[0], p.talks.after[1]);
    DrawOver();
    if (p.talks.ending[0] || p.talks.ending[1]) DrawEnding();
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
        if (fadeAlpha >= 250) RunTeamTalk(profile_.talks.ending[0], profile_.talks.ending[1]);
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

void Stage05Frame::DrawSmallBody(float bx, float by, int32_t cell, uint32_t colour, float width) {
    DrawBossCell(bx, by, 0.0f, Cell(cell, 60.0f, 0.0f), width, 60.0f, 30.0f, colour);
}
