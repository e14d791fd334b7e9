#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/cBossBase.h"
#include "game/story/TalkScript.h"
#include "game/story/TalkState.h"

namespace talk {
namespace {

void DrawSide(const TalkSlot& slot, TalkSide side) {
    if (!slot.shown) return;
    DrawTalkBalloon(slot.row, slot.balloon, side);
    if (slot.who != kNobody) DrawPortrait(slot.who, slot.cell, side, slot.mode);
    if (slot.text) DrawTalkText(*slot.text, side, slot.textDx);
}

void Advance(const TalkScript& talk, const TalkAdvance& a) {
    cTalkState& t = TalkState;
    t.step = a.next;
    for (int32_t who = 0; who < kCharacterCount; ++who)
        if (a.zeroCounters & (1u << who)) t.slideCounter[who] = 0;
    if (a.zeroCard) t.nameCardFrame = 0;
    if (a.zeroExit) t.exitOffset = 0;
    // The easiest difficulty skips the lines after this one.
    if (a.easyEnd && GameState.difficulty == 0) t.step = talk.endStep;
}

void NextPhase(cBossBase* boss) {
    if (boss) boss->NextPhase();
}

void End(const TalkScript& talk) {
    for (const TalkEnd& action : talk.end) {
        switch (action.kind) {
        case TalkEndKind::Music:
            ChangeMusic(action.music);
            break;
        case TalkEndKind::Play:
            GameState.subState = kSubStatePlay;
            break;
        case TalkEndKind::NextPhaseA:
            NextPhase(BossA);
            break;
        case TalkEndKind::NextPhaseB:
            NextPhase(BossB);
            break;
        case TalkEndKind::Reset:
            ResetTalkState();
            break;
        case TalkEndKind::None:
            break;
        }
    }
}

}  // namespace

const TalkStep* FindStep(const TalkScript& talk, int32_t step) {
    for (const TalkStep& s : talk.steps)
        if (s.step == step) return &s;
    return nullptr;
}

void RunTalk(const TalkScript& talk) {
    const int32_t step = TalkState.step;
    if (step > talk.endStep) return;
    if (step == talk.endStep) {
        End(talk);
        return;
    }
    // A number the table does not list draws nothing and stays.
    const TalkStep* s = FindStep(talk, step);
    if (!s) return;
    DrawSide(s->upper, TalkSide::Upper);
    DrawSide(s->lower, TalkSide::Lower);
    if (s->card >= 0) DrawNameCard(s->card);
    // Only player 1 moves a talk on, also in a two-player game.
    const PadWord& pad = PadWords[0];
    if ((pad.pushed & PAD_SHOT) || (pad.held & PAD_ELEMENT)) Advance(talk, s->advance);
}

}  // namespace talk
