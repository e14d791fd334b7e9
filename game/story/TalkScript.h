// A talk as data: a table of steps and the actions of its end step, run by one
// machine (RunTalk) for all 36 talks.
//
// HOW TO WRITE A TALK
//
// The words live apart from the flow. Texts go in game/story/text/<File>.txt,
// one entry a line: an id (letters, digits, '_'), spaces, then the text in
// UTF-8, with "|" between its rows (at most 3 rows of 17 full-width
// characters; no ASCII). Lines starting with '#' are comments:
//
//     after1    あら、まだ話せるのね。|手加減はしないわよ？
//
// The build turns each file into ids in namespace talktext::<File>, so a
// table file writes `using namespace talktext::CheskaStage5;` and names a
// text by its id. A misspelt id fails to compile; the story tests check the
// rows, widths and glyphs of every text, and the house style (spaces and
// spellings, listed in tests/game/story/test_talk_catalogue.cpp).
//
// The flow lives in game/story/Talks<Team>Stage<N>.cpp: one constant array of
// steps per talk, one row per step, in step order:
//
//     Line(step, upper side, lower side, Next(next step, counters to zero...))
//
// A side is one of
//     Speak(who, cell, text)    opaque balloon of row 0, portrait sliding in
//     Listen(who, cell, text)   dimmed balloon and dimmed portrait
//     Narration(text)           the narration box (lower side: row 2, no portrait)
//     Balloon(text)             an opaque balloon of row 0 without a portrait
//     Empty                     nothing drawn on that side
// and can be changed with .Row(r), .Shaking() (Kohaku), .Leaving() (Yuri),
// .DimBalloon(), .OpaqueBalloon(), .DimPortrait(), .ActivePortrait(),
// .TextX(dx) (the text moved dx px to the right) and .NotLastSpeaker().
//
// A side that listens shows the character who last spoke on it in this talk,
// with that character's last line or a listener line of their own (a short
// silent reaction, one row). Where the talk wants someone else there, or
// someone before anyone has spoken on that side, the row says so with
// .NotLastSpeaker(); the story's tests hold every other listener to the rule.
//
// Next(n, who...) is where the advance goes and whose slide counters it sets
// to 0 (as a rule the character who speaks in step n; none, or several, where
// the talk says so). It can add .NewCard() (the name card starts fading in
// again), .ZeroExit() (Yuri's exit offset back to 0) and .EasyEnd() (on
// difficulty 0 the talk ends here instead). A step shows a name card with
// .Card(n) after the Line(...). The last line's Next is the end step.
//
// The talk itself is a TalkScript: the steps, the end actions in the order the
// talk performs them, and the end step (100, or 200 for the one long talk):
//
//     extern const TalkScript kTalkCheskaStage5MidAfter;  // (in TalkScripts.h)
//     constexpr TalkScript kTalkCheskaStage5MidAfter{kMidAfter, {PlayState, NextPhaseA, ResetWindow}};
//     void UpdateTalkCheskaStage5MidAfter() { RunTalk(kTalkCheskaStage5MidAfter); }
//
// To add a step: add its texts to the text file, add its Line(...) at its
// place in the table and point the previous step's Next at it. The tests walk
// every table from step 0 to its end step and name the row that breaks a rule.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "game/story/TalkText.h"
#include "game/story/TalkWindow.h"

namespace talk {

// One side of a step: balloon, portrait and text.
struct TalkSlot {
    bool shown = false;
    int8_t row = 0;
    BalloonMode balloon = BalloonMode::Opaque;
    Character who = kNobody;
    int8_t cell = 0;
    PortraitMode mode = PortraitMode::Active;
    const TalkText* text = nullptr;
    int16_t textDx = 0;
    bool notLastSpeaker = false;  // read by the tests only: this listener is the talk's choice

    // Plain copies: clang 14 will not fold a member template called before its definition.
    constexpr TalkSlot Row(int r) const { TalkSlot s = *this; s.row = static_cast<int8_t>(r); return s; }
    constexpr TalkSlot Shaking() const { TalkSlot s = *this; s.mode = PortraitMode::Shaking; return s; }
    constexpr TalkSlot Leaving() const { TalkSlot s = *this; s.mode = PortraitMode::Leaving; return s; }
    constexpr TalkSlot DimBalloon() const { TalkSlot s = *this; s.balloon = BalloonMode::Dimmed; return s; }
    constexpr TalkSlot OpaqueBalloon() const { TalkSlot s = *this; s.balloon = BalloonMode::Opaque; return s; }
    constexpr TalkSlot DimPortrait() const { TalkSlot s = *this; s.mode = PortraitMode::Dimmed; return s; }
    constexpr TalkSlot ActivePortrait() const { TalkSlot s = *this; s.mode = PortraitMode::Active; return s; }
    constexpr TalkSlot TextX(int dx) const { TalkSlot s = *this; s.textDx = static_cast<int16_t>(dx); return s; }
    constexpr TalkSlot NotLastSpeaker() const { TalkSlot s = *this; s.notLastSpeaker = true; return s; }
};

constexpr TalkSlot Speak(Character who, int cell, const TalkText& text) {
    return {true, 0, BalloonMode::Opaque, who, static_cast<int8_t>(cell), PortraitMode::Active, &text, 0, false};
}
constexpr TalkSlot Listen(Character who, int cell, const TalkText& text) {
    return {true, 0, BalloonMode::Dimmed, who, static_cast<int8_t>(cell), PortraitMode::Dimmed, &text, 0, false};
}
constexpr TalkSlot Narration(const TalkText& text) {
    return {true, 2, BalloonMode::Opaque, kNobody, 0, PortraitMode::Active, &text, 0, false};
}
constexpr TalkSlot Balloon(const TalkText& text) {
    return {true, 0, BalloonMode::Opaque, kNobody, 0, PortraitMode::Active, &text, 0, false};
}
inline constexpr TalkSlot Empty{};

// Where a step's advance goes and what it resets.
struct TalkAdvance {
    int16_t next = 0;
    uint16_t zeroCounters = 0;  // bit i: slide counter i
    bool zeroCard = false;
    bool zeroExit = false;
    bool easyEnd = false;

    constexpr TalkAdvance NewCard() const {
        TalkAdvance a = *this;
        a.zeroCard = true;
        return a;
    }
    constexpr TalkAdvance ZeroExit() const {
        TalkAdvance a = *this;
        a.zeroExit = true;
        return a;
    }
    constexpr TalkAdvance EasyEnd() const {
        TalkAdvance a = *this;
        a.easyEnd = true;
        return a;
    }
};

template <typename... Who>
constexpr TalkAdvance Next(int next, Who... zeroed) {
    TalkAdvance a;
    a.next = static_cast<int16_t>(next);
    ((a.zeroCounters = static_cast<uint16_t>(a.zeroCounters | (1u << static_cast<int>(Character{zeroed})))), ...);
    return a;
}

// One line the player reads.
struct TalkStep {
    int16_t step = 0;
    TalkSlot upper;
    TalkSlot lower;
    int8_t card = -1;  // the name card shown, -1 none
    TalkAdvance advance;

    constexpr TalkStep Card(int n) const {
        TalkStep s = *this;
        s.card = static_cast<int8_t>(n);
        return s;
    }
};

constexpr TalkStep Line(int step, TalkSlot upper, TalkSlot lower, TalkAdvance advance) {
    return {static_cast<int16_t>(step), upper, lower, -1, advance};
}

// The end step's actions.
enum class TalkEndKind : uint8_t { None, Music, Play, NextPhaseA, NextPhaseB, Reset };
struct TalkEnd {
    TalkEndKind kind = TalkEndKind::None;
    const char* music = nullptr;  // "BGM/<name>.ogg" for Music
};
// The music stops and the named file loops at the player's music volume.
constexpr TalkEnd Music(const char* file) { return {TalkEndKind::Music, file}; }
inline constexpr TalkEnd PlayState{TalkEndKind::Play, nullptr};     // game sub-state 0
inline constexpr TalkEnd NextPhaseA{TalkEndKind::NextPhaseA, nullptr};  // the boss in slot A moves on
inline constexpr TalkEnd NextPhaseB{TalkEndKind::NextPhaseB, nullptr};
inline constexpr TalkEnd ResetWindow{TalkEndKind::Reset, nullptr};  // ResetTalkState

struct TalkScript {
    std::span<const TalkStep> steps;
    std::array<TalkEnd, 4> end;
    int16_t endStep = 100;
};

// One frame of a talk: draws the current step and advances on player 1's SHOT
// push or ELEMENT hold; at the end step performs the end actions instead.
void RunTalk(const TalkScript& talk);

// The row of a step number, or null for a number the talk does not list.
const TalkStep* FindStep(const TalkScript& talk, int32_t step);

}  // namespace talk
