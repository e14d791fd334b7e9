// A deterministic headless play field for tests and benchmarks: a recording
// sprite backend, the seedable game generator, scripted input words and one
// frame in the game scene's order (drawing, the play block, the sweep).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/records.h"

class cBossBase;

namespace playtest {

// One queued quad as the play objects asked for it.
struct Quad {
    int32_t slot;
    float dst[4];
    float src[4];
    uint32_t colour;
    int32_t angle;
    bool turned;
    float z, offsetX, offsetY;
};

// One queued text.
struct Text {
    std::string text;
    int32_t x, y, font;
};

// Records every quad drawn through the sprite table and every text drawn
// through the font table while it lives.
class QuadRecorder {
public:
    QuadRecorder();
    ~QuadRecorder();
    QuadRecorder(const QuadRecorder&) = delete;
    QuadRecorder& operator=(const QuadRecorder&) = delete;
    std::vector<Quad> quads;
    std::vector<Text> texts;
};

// A fresh field: pools built, lists and players gone, scroll and stage frame
// 0, one-player team 1 on difficulty 1 in stage 1, input up, generator, talk and
// the program-wide counters of the play field and the bosses reset.
void ResetField(uint32_t seed = 1);
// Deletes the players, the bosses and every pooled and listed object.
void ClearField();
// Creates both players of a team (two = two-player mode) at (x, y).
void StartPlayers(int32_t team, bool two, float x = 320.0f, float y = 240.0f);

// Input: the buttons down this frame for a player; words follow from the last frame.
void SetButtons(int32_t player, uint16_t down);

// Runs before the players move in every play frame, standing in for the scroll script.
void SetScrollScript(std::function<void()> script);
// One game-scene frame, the bosses' calls included.
void PlayFrame();
void PlayFrames(int32_t count);

// Starts a player shot at (x, y) in the next pool slot, as a test places it.
void PlaceShot(float x, float y, int32_t element, float power = 1.0f, int32_t owner = 0, int32_t radius = 15);

// A stage as the game starts it: a fresh field with one player of the team,
// the stage and difficulty set and the shell's StartStage run. The schedules
// are read from "data/stagedata" under the current directory.
void StartSchedule(int32_t stage, int32_t difficulty, uint32_t seed = 1, int32_t team = 1);
// Where the schedule ends: its stage boss's appearance frame (the last boss
// record's; stages 5 and 6 have a mid-boss before it), else its last record's;
// 0 for a missing file.
int32_t ScheduleEnd(int32_t stage, int32_t difficulty);
// A boss fight alone: a fresh field with team 1's players at (320, 400) (two
// in two-player mode), the stage and difficulty set, and the stage's boss
// (stages 1 to 4) made from the line its schedule brings, to come in on stage
// frame 2. Answers the boss, or null for a stage without one here.
cBossBase* StartBossFight(int32_t stage, int32_t difficulty, bool two = false, uint32_t seed = 1);

// One frame of the real game scene with player 1 kept invincible and flown
// by the invincible pilot (pilot.h): it turns to the boss (the first slot's,
// else in stages 5 and 6 the second's) or the nearest enemy on screen, then
// holds its facing and slides onto the line of fire, at a distance, inside
// the view. In a boss's talk it holds ELEMENT, which runs the talk through.
void PlayScheduleFrame();

// A running hash of the field, folded in once a frame: each enemy's kind, life,
// element and place, each active enemy bullet's place, picture, motion and
// element, each shot's place, each effect's place, kind, element, frame, angle
// and colour (drawn or not), the bosses' phase, timers, hp, element and place,
// the players' places, lives and scores, and every field of what DRAWN recorded
// since the last fold (then cleared). Two runs that part anywhere on the field
// or the screen part here.
void FoldField(records::Fnv& hash, QuadRecorder& drawn);

// The records of whole runs, each "KEY HASH ROW". Recorded runs each start in a
// fresh process, as ctest starts them: some drawing counters live as long as the program.
inline constexpr const char* kPlayRecords = "tests/game/objects/play_records.txt";

// A boss of a type code made by the factory as a schedule line makes it,
// woken at once at the stage point (320, y) and stepped through its phase
// machine to `phase` (each attack ended, each break's refill done); the play
// sub-state. Null when the factory makes nothing for the code.
cBossBase* StartBossAttack(int32_t code, int32_t phase, float y);

// The source folder (where "data/stagedata" lies) as the current directory
// while it lives.
class SourceFolder {
public:
    SourceFolder();
    ~SourceFolder();
    SourceFolder(const SourceFolder&) = delete;
    SourceFolder& operator=(const SourceFolder&) = delete;
    bool ok;

private:
    std::string previous_;
};

// The invariants that hold after every sweep; empty when they hold.
std::string CheckInvariants();

}  // namespace playtest
