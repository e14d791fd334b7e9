#include "game/bosses/ProfiledBoss.h"

#include "game/objects/PlayCommon.h"
#include "game/objects/cObjectManager.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"

namespace {

constexpr uint32_t kPictureCapacity = 1800;
constexpr int32_t kClosingFrames = 255;

}  // namespace

ProfiledBoss::ProfiledBoss(const Profile& profile, std::span<const Attack> attacks,
                           std::span<const char* const> names)
    : fadeAlpha(0), profile_(profile), attacks_(attacks), names_(names) {}

void ProfiledBoss::ReloadPictures(const Pictures& pics) {
    const struct {
        int32_t slot;
        const char* path;
    } entries[3] = {{sheet::kCutIn, pics.cutIn}, {sheet::kBossBody, pics.body}, {sheet::kBossCircle, pics.circle}};
    for (const auto& e : entries)
        if (e.path) releaseSprite(e.slot);
    if (pics.cutIn) loadSpriteCStr(pics.cutIn, sheet::kCutIn, 0, kPictureCapacity);
    if (pics.circle) loadSpriteCStr(pics.circle, sheet::kBossCircle, 0, kPictureCapacity);
    if (pics.body) loadSpriteCStr(pics.body, sheet::kBossBody, 0, kPictureCapacity);
}

void ProfiledBoss::Update() {
    const Profile& p = profile_;
    const bool asleep = active == 0;
    if (!BossAppears(*this)) return;
    if (asleep && p.pictures) ReloadPictures(*p.pictures);
    phaseTimer += 1;
    if (phase == kPhaseEntrance) {
        y += 0.7f;  // sinks into view
        if (phaseTimer == 150) {
            // The phase timer runs on into the talk.
            EndEntrance(*this, false);
            if (p.clearOnEntrance) ObjectManager.CancelEnemyBullets();
        }
    }
    const bool talkNow = p.talkFromUpdate;
    const TalkFunction team1 = talkNow ? p.talks.before[0] : nullptr, team2 = talkNow ? p.talks.before[1] : nullptr;
    if (TalkOrCountSeconds(*this, kPhaseDefeated, team1, team2, p.secondsStep)) return;
    switch (phase) {
    case kPhaseDefeated: EndDefeatPause(*this, 120); break;
    case kPhaseAfterTalk: GameState.subState = kSubStateDialogue; break;
    case kPhaseCleared: Depart(); break;
    default: {
        const int32_t k = phase;
        if (RunAttackOrBreak(*this, attacks_)) BreakEnded(k);
        break;
    }
    }
}

void ProfiledBoss::Draw() {
    const Profile& p = profile_;
    DrawBossCircle(*this, x, y, element);
    DrawBody();
    if (phase == kPhaseTalk) RunTeamTalk(p.talks.before[0], p.talks.before[1]);
    DrawBossHud(*this, AttackNameOf(phase, attacks_, names_), p.breakEleven);
    if (phase == kPhaseAfterTalk) RunTeamTalk(p.talks.after[0], p.talks.after[1]);
    DrawOver();
    if (p.talks.ending[0] || p.talks.ending[1]) DrawEnding();
}

void ProfiledBoss::DrawEnding() {
    cGameState& g = GameState;
    // Separate tests: a talk that moves the phase on takes effect in this very
    // frame, so no play frame runs between the talks and the tally.
    if (phase == kPhaseCleared) {
        g.subState = kSubStateDialogue;
        if (fadeAlpha < 255) fadeAlpha += 2;
        if (fadeAlpha > 255) fadeAlpha = 255;
        DrawPlain(sheet::kEnding, layout::kEndingPicture, AlphaWhite(fadeAlpha));
        if (fadeAlpha >= 250) RunTeamTalk(profile_.talks.ending[0], profile_.talks.ending[1]);
    }
    if (phase == kPhaseEnding) {
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
        DrawPlain(sheet::kEnding, layout::kEndingPicture, kWhite);
        DrawPlain(sheet::kEnding, layout::kEndingClosing, AlphaWhite(alpha));
    }
}

void ProfiledBoss::DrawSmallBody(float bx, float by, int32_t cell, uint32_t colour, float width) {
    DrawBossCell(bx, by, 0.0f, Cell(cell, 60.0f, 0.0f), width, 60.0f, 30.0f, colour);
}
