// Team 2's talks run with player 1's buttons, their draws recorded: the
// unusual steps quad by quad and the stage-2 talk's first run from the boss's
// Update. (Every talk played whole: test_talk_runner.cpp; the words beside
// each dimmed face: test_talk_catalogue.cpp.)
#include <string>
#include <vector>

#include "game/state/BossTalk.h"
#include "tests/game/story/talk_fixture.h"

namespace {

using talktest::BalloonQuad;
using talktest::Draw;
using talktest::Face;
using talktest::Quads;

class Team2Talk : public talktest::TalkTest {};

// Played with ELEMENT held to `lingerAt`, left there `lingerFrames` frames,
// played on to `step` and drawn there `frame` frames without input: the last
// frame's quads in drawing order, and its number of texts.
struct SpecialStep {
    const char* what;
    void (*run)();
    int lingerAt, lingerFrames, step, frame;
    std::vector<Draw> quads;
    size_t texts;
};
constexpr uint32_t kOpaque = 0xFFFFFFFFu, kDim = 0xB4FFFFFFu, kFaint = 0x87FFFFFFu;
constexpr uint32_t kSlide1 = 0x8DFFFFFFu, kSlide2 = 0x93FFFFFFu;  // alpha at slide counters 1 and 2
const Draw kUpper = BalloonQuad(170, 70, 0, 0, kOpaque), kLower = BalloonQuad(30, 300, 440, 0, kOpaque);
const Draw kUpperDim = BalloonQuad(170, 70, 0, 0, kDim), kLowerDim = BalloonQuad(30, 300, 440, 0, kDim);

const SpecialStep kSpecialSteps[] = {
    {"stage 6 mid-boss, step 12: Cheska answers while Copic's line stands, both current",
     UpdateTalkCheskaStage6MidBefore, 12, 0, 12, 1, {kUpper, Face(15, -18, 50, 0, 0, kSlide1), kLower,
     Face(23, 496, 290, 320, 0, kSlide2)}, 2},
    {"stage 4 after, step 24: Osero active and at rest beside her dimmed balloon", UpdateTalkCheskaStage4After, 24, 0,
     24, 20, {kUpperDim, Face(14, 20, 50, 0, 0, kOpaque), kLower, Face(20, 460, 290, 0, 160, kOpaque)}, 2},
    {"stage 3 after, step 1: narration, no portrait at all", UpdateTalkCheskaStage3After, 1, 0, 1, 1,
     {BalloonQuad(30, 300, 440, 290, kOpaque)}, 1},
    {"stage 6 before, step 22: both speak; Deena, long at rest, does not slide in again",
     UpdateTalkCheskaStage6Before, 21, 25, 22, 1, {kUpper, Face(15, -18, 50, 320, 0, kSlide1), kLower,
     Face(24, 460, 290, 160, 0, kOpaque)}, 2},
    {"stage 6 after, step 25, frame 5: Kohaku faint, trembled from +1..+4 to -5", UpdateTalkCheskaStage6After, 25, 0, 25, 5,
     {kUpper, Face(17, -25, 50, 480, 0, kFaint), kLowerDim, Face(24, 460, 290, 320, 160, kDim)}, 2},
    {"extra epilogue, step 51: Cheska alone and at rest, as the advance zeroed Osero", UpdateTalkCheskaStage6Ending,
     45, 20, 51, 1, {kUpper, Face(15, 20, 50, 320, 320, kOpaque)}, 1},
};

TEST_F(Team2Talk, SpecialStepsDrawQuadForQuadAsTheirScriptsSay) {
    for (const SpecialStep& s : kSpecialSteps) {
        Restart();
        SCOPED_TRACE(s.what);
        PlayTo(s.run, s.lingerAt);
        for (int i = 0; i < s.lingerFrames; ++i) Frame(s.run);
        PlayTo(s.run, s.step);
        std::vector<Draw> f;
        for (int i = 0; i < s.frame; ++i) f = Frame(s.run);
        EXPECT_EQ(Quads(f), s.quads);
        EXPECT_EQ(f.size() - Quads(f).size(), s.texts);
    }
}

// Stage02Boss::Update runs the talk once, on the frame the boss reaches phase
// 1, after that frame was drawn; Stage02Boss::Draw runs it from the next. A
// SHOT in the first advances it unseen: the first frame shown is step 1,
// Fururu sliding in, her card at alpha 10.
TEST_F(Team2Talk, StageTwoUpdateRunAdvancedByShotShowsStepOneFirstWithTheCardAtTen) {
    TalkState.slideCounter[talk::Fururu] = 20;
    TalkState.nameCardFrame = 200;
    EXPECT_FALSE(Quads(Frame(UpdateTalkCheskaStage2Before, PAD_SHOT)).empty());  // the update run, unseen
    const std::vector<Draw> first = {kUpperDim, Face(15, 20, 50, 320, 320, kDim), kLower,
                                     Face(19, 498, 290, 160, 160, kSlide1),
                                     talktest::Quad(26, 120, 390, 380, 90, 380, 360, 380, 90, 0x0AFFFFFFu)};
    EXPECT_EQ(Quads(Frame(UpdateTalkCheskaStage2Before)), first);
}

}  // namespace
