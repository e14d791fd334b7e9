// The autopilot's hands for tests: the buttons a player holds in one frame,
// read off the play field as the last frame left it. It fights: it turns to
// the boss or the nearest enemy on screen that shots hurt, slides onto the
// line of fire at a distance and taps SHOT, and switches to the element that
// does full damage to its target. In a boss's talk it holds ELEMENT, which
// runs the talk through. A mortal pilot also looks a few frames ahead at the
// bullets and bodies that can hurt it, steps out of their way, and spends its
// gauge on FORCE when a hit cannot be stepped away from; an invincible one is
// kept so by its harness (KeepInvincible) and never dodges.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

class cPlayerBase;

namespace playtest {

class Pilot {
public:
    explicit Pilot(bool mortal = false) : mortal_(mortal) {}

    // The buttons `player` holds this frame; `last` are those it held in the
    // last frame (taps need a frame up between two presses).
    uint16_t Buttons(const cPlayerBase& player, uint16_t last);

    bool mortal() const { return mortal_; }
    // Frames a mortal pilot stepped aside from its course, and FORCEs it pressed.
    int64_t dodges = 0;
    int64_t forces = 0;

private:
    // Where each enemy bullet stood in the last frame the pilot looked at.
    struct Trace {
        float x, y;
        uint8_t active;
    };
    struct Spot {
        float x, y;
    };
    void Look();
    uint16_t Dodge(const cPlayerBase& p, uint16_t course, uint16_t last);

    bool mortal_;
    int32_t lookedAt_ = -1;  // the game's frame count of the last look
    std::vector<Trace> last_, now_;
    // Enemies and bosses by object, the same way.
    std::unordered_map<const void*, Spot> lastBodies_, nowBodies_;
    int32_t switchedAt_[2] = {-1000, -1000};  // frame count of each player's last element switch
};

// Keeps a player invincible for ever: nothing ends its play, and its stock stays
// what the game gave it, the one the HUD shows.
void KeepInvincible(cPlayerBase& p);

}  // namespace playtest
