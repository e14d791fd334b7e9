// What the playthroughs count on the play field, frame by frame: the enemies
// that came and went, and a boss's phases and the bonuses it paid.
#pragma once

#include <cstdint>
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
// per visit), the run frames it woke and was beaten, the bonuses it paid.
struct BossWatch {
    std::vector<int32_t> phases;
    int32_t arrived = -1;
    int32_t beaten = -1;
    int32_t bonuses = 0;
    int64_t bonusTotal = 0;
    int32_t lastBonus = 0;
    // Attack phases seen (the even phases 2 to 16).
    int32_t attacks() const;
    void See(const cBossBase& b, int32_t frame);
};

}  // namespace playtest
