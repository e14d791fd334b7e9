// The frame the four stage-5 bosses share, and that the extra stage's boss
// follows: a slow sink into view, a talk, attacks and breaks by phase, a short
// defeat pause, then either a departure (the mid-bosses) or the ending: the
// ending picture fades in, the epilogue runs over it, the closing colour fades
// in and the stage-clear tally begins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "game/bosses/BossCommon.h"
#include "game/state/cBossBase.h"

// The first entries of a constructor table, from a list.
template <size_t N>
void FillTable(int32_t (&table)[N], std::initializer_list<int32_t> values) {
    size_t i = 0;
    for (int32_t v : values)
        if (i < N) table[i++] = v;
}

// An effect started straight from the pool's next slot: kind and value, frame
// 0, speed 0, at the truncated point (no random start values).
void StartPoolEffect(int32_t kind, int32_t value, float x, float y);

// animFrame one on; the body cell is animFrame / perCell taken before
// animFrame returns to 0 on reaching wrapAt.
int32_t StepBodyCell(cBossBase& b, int32_t perCell, int32_t wrapAt);

class Stage05Frame : public cBossBase {
public:
    void Update() override;
    void Draw() override;

    int32_t fadeAlpha;  // the ending picture's alpha in phase 32

    // The pictures a stage boss puts into the cut-in, circle and body entries
    // when it appears (null: that entry is kept as the stage loaded it).
    struct Pictures {
        const char* cutIn;
        const char* circle;
        const char* body;
    };
    // The talks the boss runs, by team (index 0 team 1, 1 team 2); null
    // where that team has none.
    struct Talks {
        TalkFunction before[2];
        TalkFunction after[2];
        TalkFunction ending[2];
    };
    // Replaces the entries of `pics` in the order cut-in, body, circle, then
    // loads cut-in, circle and body, each release printing its line.
    static void ReloadPictures(const Pictures& pics);

protected:
    Stage05Frame(const Talks& talks, int32_t secondsStep, const Pictures* pictures);

    // An attack phase's frame (even phases from 2); it ends its own attack.
    virtual void Attack() = 0;
    // The screen point a break walks to.
    struct Point {
        float x, y;
    };
    virtual Point BreakPoint(int32_t breakPhase) const = 0;
    // After a break's last frame (the next attack has begun).
    virtual void BreakEnded(int32_t /*breakPhase*/) {}
    // The attack's name in its phase, else null.
    virtual const char* AttackName() const = 0;
    // The body cell under the circle (advances animFrame its own way).
    virtual void DrawBody() = 0;
    // What a class draws over the frame's own (Crow's mirror image).
    virtual void DrawOver() {}
    // Phase 0 past the sink (the extra stage's boss cancels the bullets too).
    virtual void Entered() {}
    // The frame of phase 1 in Update (some bosses run their talk from here).
    virtual void TalkBegins() {}
    // Phase 32 of a mid-boss: it leaves.
    virtual void Depart() {}
    // The frame the tally is raised (the extra stage records the ending).
    virtual void TallyRaised() {}

    // The last attack's end: the fall, every enemy destroyed, the bullets
    // turned to items, the pause of phase 30 and the attack's bonus.
    void EndLast();
    // The stage bosses' closing phases: the picture, the epilogue, the colour.
    void DrawEnding();
    // Body cell c of the boss sheet (a character sheet: cells 60 high,
    // `width` wide, stacked) centred on (bx, by) with a colour.
    void DrawSmallBody(float bx, float by, int32_t cell, uint32_t colour, float width = 40.0f) const;

    Talks talks_;
    int32_t secondsStep_;
    const Pictures* pictures_;
    bool breakEleven_ = false;  // the cut-in runs in break 11 too

private:
    void BreakFrame();
};
