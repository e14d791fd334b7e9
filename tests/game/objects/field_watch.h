// What the playthroughs count on the play field, frame by frame: the enemies
// that came and went, and a boss's phases and the bonuses it paid.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class cBossBase;
class cEnemyObjectBase;

namespace playtest {

// Enemies (types 1 to 98) of the enemy list: those that came into it and
// those that left it. The list keeps its order (the sweep erases, spawns
// append), so one frame's list is matched against the last one's in a single
// pass; pointers of the last frame are compared, never followed.
class EnemyCensus {
public:
    // Starts over from the list as it stands, counting what is in it as come.
    void Restart();
    // One frame later.
    void Count();
    int32_t spawned = 0;
    int32_t gone = 0;

private:
    struct Seen {
        const cEnemyObjectBase* object;
        bool enemy;
    };
    std::vector<Seen> last_, now_;
};

// One boss's fight as it was seen: the phases in the order visited (each once
// per visit), the run frames it woke and was beaten, and each named attack
// (phase 4 on) with whether the step that ended it paid its bonus, and the
// seconds it had left then. An attack that timed out or saw a player hit pays
// none; two attacks may pay the same amount, so a payment is told by the bonus
// flag that survives it, and only a positive amount is a payment.
struct BossWatch {
    struct Attack {
        int32_t phase = 0;
        bool paid = false;
        int32_t amount = 0;  // 0 when unpaid
        int32_t left = 0;    // seconds left when its step ran
    };
    std::vector<int32_t> phases;
    std::vector<Attack> named;
    int32_t arrived = -1;
    int32_t beaten = -1;
    int32_t bonuses = 0;
    int64_t bonusTotal = 0;
    int32_t lastBonus = 0;
    // Attack phases seen (the even phases 2 to 16).
    int32_t attacks() const;
    // The named attacks that ended unpaid, by phase.
    std::vector<int32_t> unpaid() const;
    void See(const cBossBase& b, int32_t frame);

private:
    // The last frame's seconds left and phase timer, and the seconds the
    // counter takes off each 60 frames, as last seen.
    int32_t seconds_ = 0, timer_ = 0, step_ = 1;
};

// A named attack's bonus B and time limit T in seconds, as its boss's tables
// give them.
struct NamedAttack {
    int32_t phase, bonus, limit;
};
// The named attacks of the boss of stage 1 to 4, up to the last one of the
// harder difficulties, read from the boss; nullptr for any other.
const NamedAttack* FindNamedAttack(int32_t stage, int32_t phase);
// What a named attack pays with `left` of its seconds left, by the game's
// formula (SpellBonusAmount), truncated.
int32_t BonusFor(const NamedAttack& a, int32_t left);

// Phases for a table's cell: "6,10", or "-" for none.
std::string PhaseList(const std::vector<int32_t>& phases);

// The frames a run or a fight may take: the longest seen x 1.25 + 600,
// rounded up to 100. Room for the schedules and the pilot to change, while an
// attack that no longer ends on its hp runs on to its time limit (a minute or
// more) and the run stops there, naming it.
constexpr int32_t FrameBound(int32_t longest) {
    return ((longest * 5 + 3) / 4 + 600 + 99) / 100 * 100;
}

}  // namespace playtest
