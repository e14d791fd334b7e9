// The whole program played by the autopilot: the real boot, RunGame's loop and
// scene dispatch, on the null Direct3D device with SDL's dummy video and audio,
// at uncapped speed (the virtual clock), in a child process with its own
// program folder (the generated demo data, the stage files, a save folder).
// The autopilot is the program's two joysticks: once a frame, when the game
// reads pad 0, it looks at what the last frame left and decides both
// players' buttons. It picks the title's menu items, teams and difficulties
// by their input words, flies the players with the pilot (pilot.h), ends each
// tally, answers the continue, types a name at the result's name entry and
// finally quits through the title's quit item. The game seeds its generator
// from the time at each stage start: the run's wall clock starts at the plan's
// seed and runs a second every 60 frames, so one seed gives one run.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "game/shell/MenuCommon.h"

namespace wholegame {

// One game from the title to the title.
struct Game {
    int32_t item = kMenuOnePlayer;  // the title's item: a game, the extra stage or practice
    int32_t team = 1;        // 1 or 2
    int32_t difficulty = 0;  // 0 to 2; the extra stage plays on 1 whatever this says
    int32_t quitAfter = 0;   // 0: to the end; N: quit from the pause menu once stage N+1 has begun
    int64_t quitFrames = 0;  // > 0: quit from the pause menu once the game has played this many frames
    std::string name = "AUTO";  // typed at the name entry (letters and digits)
    int32_t restartIn = 0;   // > 0: restart from the pause menu once, 600 frames into this stage
    bool continues = false;  // a game over takes a continue while credits last
    int32_t practiceRow = 0; // the practice items: the practice stage's row (0 for stage 1)
};

// A picture of the real program's screen, kept as <build>/screenshots/<file>.png,
// taken when its moment comes; the autopilot leads the program there and holds
// it still (`param` says where: an item, a cursor, a slot or a player).
struct Shot {
    enum Moment {
        kTitle,       // the first title, after it stood 90 frames untouched
        kTalk,        // the first talk's second line, read for a second
        kBanner,      // the banner of boss slot `param`'s next named attack, 40 frames into its break
        kMenu,        // the title menu on item `param`
        kTeam,        // the team choice on team `param`, its panel grown
        kDifficulty,  // the difficulty choice on level `param`
        kPractice,    // the practice choice on row `param`
        kConfig,      // the configuration screen, its panel grown
        kKeyHeader,   // key configuration, browsing, on header `param`
        kKeyDefining, // key configuration, player 1's pad being defined, on row `param` (from 4)
        kKeyDefaults, // key configuration, its defaults question (answered no)
        kStageTitle,  // the stage's title at rest over the running stage
        kHud,         // the stage running, its title gone
        kNameCard,    // a talk line with its name card on side `param` (0 upper, 1 lower)
        kForce,       // player `param`'s FORCE cut-in at rest (its gauge filled for it)
        kPause,       // the pause menu's question (answered no)
        kContinue,    // the continue screen over the stage, with credits (`param` 1) or none
                      // (player 1's last life is spent for it)
        kTally,       // the stage-clear tally with every row shown
        kResult,      // the result screen, ranked with two letters typed (`param` 1) or not
    } moment;
    std::string file;
    int32_t param = 0;
    bool quit = false;  // the game is quit from the pause menu once this is taken
};

struct Plan {
    uint32_t seed = 1;       // the wall clock's seconds when the program starts
    bool mortal = false;     // the pilot dodges and is not kept invincible; continues are declined
    bool tryExtraFirst = false;  // the extra stage's item is pressed at the first title, to be refused
    std::vector<Game> games;
    std::string scoreText;   // score.dat's text (before inversion) to start with; empty: no file
    int64_t frameLimit = 3'000'000;  // the run gives up after these frames
    double soakMinutes = 0;  // > 0: the games over and over for this long, sampled each minute
    // Drawn for real (the OpenGL device on a private X display) to keep these
    // pictures, each when its moment comes, in order.
    std::vector<Shot> shots;
    // Files put in the program folder before it starts (path, bytes), such as a schedule.
    std::vector<std::pair<std::string, std::string>> files;
    // The bosses' attacks end at their first hit (their hp kept at 1).
    bool hurryBosses = false;
    // With pictures by path below data/ (PNG bytes of their text alone and of
    // them without their text), each shot is the frame drawn again from the
    // state it stands in, and leaves in `layerFolder`: <file>.png (the frame),
    // <file>.text_black.png and <file>.text_white.png (its text alone over
    // black and over white), <file>.no_text.png (all but its text, over
    // black) and <file>.quads.txt, a line per quad drawn ("slot picture sx sy
    // sw sh x y w h angle").
    std::map<std::string, std::pair<std::string, std::string>> layers;
    std::string layerFolder;
};

// What one stage of one game came to.
struct StageRecord {
    int32_t game = 0;
    int32_t stage = 0;
    int64_t frames = 0;
    int32_t spawned = 0;
    int32_t gone = 0;           // enemies that left the field: destroyed, or out of view
    int32_t attacks = 0;        // the bosses' attack phases seen (both slots)
    int32_t bonuses = 0;        // named attacks paid
    int64_t bonusTotal = 0;
    std::vector<std::string> unpaid;  // named attacks that paid none, by slot and phase ("A6", "B10")
    std::vector<int32_t> talkLines;  // lines of each talk run, in order
    std::vector<std::string> music;  // music asked for in the stage, in order ("Stage01Boss")
    int32_t misses = 0;         // lives the players lost (mortal runs)
    bool cleared = false;       // the stage's tally came
    int32_t fights[2] = {0, 0};  // frames of each boss slot's fight, arrival to defeat; 0 when none was beaten
};

// What one game came to, at the result and back at the title.
struct GameRecord {
    int32_t index = 0;
    bool refused = false;       // its item or choices could not be taken
    int32_t resultStage = 0;    // the result screen's stage
    int32_t resultScore = 0;
    int32_t rank = 0;           // 11: not ranked
    std::string row;            // the ranking row the result stored, as score.dat holds it
    int32_t rowStage = -1;      // that row's stage field (the stage reached less one)
    int32_t bestStage = 0;      // score.dat's best stage of the game's team and column afterwards
    int32_t clears = 0;         // its clear count afterwards
    bool team2Open = false, difficulty2Open = false, extraOpen[2] = {false, false};
    int64_t frames = 0;         // frames in the game scene
    int32_t stock = 0;          // player 1's lives in stock at the end (mortal runs)
    std::vector<std::string> music;  // every music asked for from its title to the next, in order
};

// One sample of what the program holds.
struct Sample {
    double minute = 0;
    int32_t loop = 0;
    int64_t residentKb = 0;
    int32_t objects = 0;   // enemy list, map blocks and active pooled bullets and effects
    int32_t textures = 0;  // the texture manager's live textures
    int32_t sprites = 0;   // the sprite manager's live sprites
    int32_t sounds = 0;    // sound slots in use
};

struct RunRecord {
    int32_t status = -1;  // the child's exit status
    std::string failure;  // why the run stopped before quitting at the title; empty when it did not
    bool extraRefused = false;  // the extra stage's item was pressed and the menu stayed
    int64_t frames = 0;
    uint64_t checksum = 0;  // the players' and bosses' positions and phases, every game frame
    int32_t loops = 0;
    std::vector<GameRecord> games;
    std::vector<StageRecord> stages;
    std::vector<Sample> minutes;  // soak: each minute
    std::vector<Sample> loopEnds;  // soak: back at the title after each loop
    int64_t dodges = 0;            // frames the mortal pilot stepped aside, and FORCEs it pressed
    int64_t forces = 0;
    std::vector<std::string> shots;  // the pictures kept, as paths
};

// Runs the plan in a child process; the record as the child wrote it.
RunRecord Play(const Plan& plan);

// A score file's text in which everything is open: team 2, difficulty 2 and
// both teams' extra stage (one clear of difficulty 1 each).
std::string OpenScoreText();

// "Stage01Boss" of "BGM/Stage01Boss.ogg".
std::string MusicName(const std::string& file);

// The table's lines of a run: a row per stage played, a result line per game.
// `route` names the run ("team 1, difficulty 0, 1P").
std::string TableRows(const std::string& route, const RunRecord& r);
// Keeps one run's rows under `key` and rebuilds <build>/playthrough/table.txt
// from every run's rows present, in the order of their keys.
void WriteTable(const std::string& key, const std::string& rows);

}  // namespace wholegame
