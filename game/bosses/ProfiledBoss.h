// A boss told by a profile and its attacks, whose Update and Draw the base
// runs: a slow sink into view, a talk, attacks and breaks by phase, a short
// defeat pause, then either a departure (a mid-boss) or the ending: the ending
// picture fades in, the epilogue runs over it, the closing colour fades in and
// the stage-clear tally begins. The four stage-5 bosses and the extra stage's
// last boss are built on it; the other bosses write their own frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "game/bosses/BossCommon.h"
#include "game/bosses/BossPictures.h"
#include "game/state/cBossBase.h"

class ProfiledBoss : public cBossBase {
public:
    void Update() override;
    void Draw() override;

    int32_t fadeAlpha;  // the ending picture's alpha after the post-fight talk

    using Pictures = BossPictures;
    // The talks the boss runs, by team (index 0 team 1, 1 team 2); null
    // where that team has none.
    struct Talks {
        TalkFunction before[2];
        TalkFunction after[2];
        TalkFunction ending[2];
    };
    // An attack of a class built on the base; `Run` names its frame.
    using Attack = BossAttack<ProfiledBoss>;
    using Frame = void (ProfiledBoss::*)();
    template <class Boss>
    static constexpr Frame Run(void (Boss::*frame)()) {
        return static_cast<Frame>(frame);
    }
    // What a class brings to the base besides its attacks.
    struct Profile {
        Talks talks;
        bool talkFromUpdate;   // the pre-fight talk also runs from Update as phase 1 begins
        bool clearOnEntrance;  // the entrance's end also cancels the enemy bullets
        int32_t secondsStep;   // seconds off the counter each 60 frames
        const Pictures* pictures;
        bool breakEleven;  // the cut-in runs in break 11 too
    };
    // Replaces the entries of `pics` in the order cut-in, body, circle, then
    // loads cut-in, circle and body, each release printing its line.
    static void ReloadPictures(const Pictures& pics);

protected:
    // The values these bosses share (hp 40, ice), the class's attacks
    // and their names (AttackNames.h), which go together as AttackNameOf says.
    template <size_t Rows, size_t Names>
    ProfiledBoss(const Profile& profile, const Attack (&attacks)[Rows], const char* const (&names)[Names])
        : ProfiledBoss(profile, std::span<const Attack>(attacks), std::span<const char* const>(names)) {
        static_assert(kNamesFitAttacks<Rows, Names>, "a boss names each attack after its opening one");
        SetUpStageBoss(*this, 40.0f, elements::kIce, attacks);
    }

    // After a break's last frame (the next attack has begun).
    virtual void BreakEnded(int32_t /*breakPhase*/) {}
    // The body cell under the circle (advances animFrame its own way).
    virtual void DrawBody() = 0;
    // What a class draws over the base's own (Crow's mirror image).
    virtual void DrawOver() {}
    // A mid-boss's frames after its post-fight talk: it leaves.
    virtual void Depart() {}
    // The frame the tally is raised (the extra stage records the ending).
    virtual void TallyRaised() {}

    // The last attack's end: the fall, the bullets turned to items, the
    // defeat's pause and the attack's bonus, every enemy destroyed.
    void EndLast() { EndLastAttack(*this, true); }
    // The stage bosses' closing phases: the picture, the epilogue, the colour.
    void DrawEnding();
    // Body cell `cell` of a character sheet (cells 60 high, `width` wide,
    // stacked) centred on (bx, by) with a colour.
    static void DrawSmallBody(float bx, float by, int32_t cell, uint32_t colour, float width = 40.0f);

private:
    ProfiledBoss(const Profile& profile, std::span<const Attack> attacks, std::span<const char* const> names);

    const Profile& profile_;
    std::span<const Attack> attacks_;
    std::span<const char* const> names_;
};
