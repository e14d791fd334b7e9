// Team 2's talks run with player 1's buttons, their draws recorded, bosses
// counting NextPhase: lines, end frames and end actions per talk, the unusual
// steps quad by quad, and the words beside each dimmed face.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "game/state/BossTalk.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"
#include "game/story/TalkScripts.h"
#include "game/story/TalkState.h"
#include "platform/win32/testing.h"

namespace {

struct Quad {
    int slot, x, y, srcX, srcY;
    uint32_t color;
    bool operator==(const Quad&) const = default;
};
void PrintTo(const Quad& q, std::ostream* os) {
    *os << "slot " << q.slot << " at (" << q.x << ", " << q.y << ") from (" << q.srcX << ", " << q.srcY << ") colour "
        << std::hex << q.color << std::dec;
}
struct Frame {
    std::vector<Quad> quads;
    size_t texts = 0;
};
struct PhaseBoss : cBossBase {
    void NextPhase() override { ++phase; }
};

class Team2Talk : public ::testing::Test {
protected:
    void SetUp() override {
        TalkState = cTalkState();
        GameState.subState = kSubStateDialogue;
        GameState.difficulty = 1;
        BgmHandle = kNoSound;
        bossA_.phase = bossB_.phase = 0;
        BossA = &bossA_;
        BossB = &bossB_;
        SetSpriteDrawRecorder(
            [](const SpriteDrawRecord& r, void* f) {
                static_cast<Frame*>(f)->quads.push_back(
                    {r.slot, int(r.dst[0]), int(r.dst[1]), int(r.src[0]), int(r.src[1]), r.color});
            },
            &frame_);
        SetFontDrawRecorder([](const FontDrawRecord&, void* f) { ++static_cast<Frame*>(f)->texts; }, &frame_);
        platform::ClearRecordedCalls();
        platform::SetCallRecording(true);
    }
    void TearDown() override {
        platform::SetCallRecording(false);
        SetSpriteDrawRecorder(nullptr, nullptr);
        SetFontDrawRecorder(nullptr, nullptr);
        BossA = BossB = nullptr;
        TalkState = cTalkState();
    }
    // One frame with player 1's words as given.
    Frame Run(void (*talk)(), uint16_t pushed = 0, uint16_t held = 0) {
        PadWords[0] = PadWord{0, pushed, held, 0};
        frame_ = Frame{};
        talk();
        PadWords[0] = PadWord{};
        return frame_;
    }
    // ELEMENT held until the talk stands at `step`, not yet drawn there.
    void PlayTo(void (*talk)(), int step) {
        for (int frames = 0; TalkState.step != step && frames < 300; ++frames) Run(talk, 0, PAD_ELEMENT);
        ASSERT_EQ(TalkState.step, step);
    }

    PhaseBoss bossA_, bossB_;
    Frame frame_;
};

struct WholeTalk {
    void (*run)();
    int lines, easyLines;  // on difficulty 1, and on 0
    std::string music;     // the file the end starts, if any
    bool play;             // the end writes the play sub-state itself
    char boss;             // the slot whose boss moves on
};
const WholeTalk kWholeTalks[] = {
    {UpdateTalkCheskaStage1Before, 27, 27, "BGM/Stage01Boss.ogg", true, 'A'},
    {UpdateTalkCheskaStage1After, 19, 19, "", true, 'A'},
    {UpdateTalkCheskaStage2Before, 28, 28, "BGM/Stage02Boss.ogg", true, 'A'},
    {UpdateTalkCheskaStage2After, 21, 21, "", true, 'A'},
    {UpdateTalkCheskaStage3Before, 28, 28, "BGM/Stage03Boss.ogg", true, 'A'},
    {UpdateTalkCheskaStage3After, 19, 19, "", true, 'A'},
    {UpdateTalkCheskaStage4Before, 28, 28, "BGM/Stage04Boss.ogg", true, 'A'},
    {UpdateTalkCheskaStage4After, 30, 30, "", true, 'A'},
    {UpdateTalkCheskaStage5MidBefore, 22, 22, "", true, 'A'},
    {UpdateTalkCheskaStage5MidAfter, 11, 11, "", true, 'A'},
    {UpdateTalkCheskaStage5Before, 30, 30, "BGM/Stage05Boss_02.ogg", true, 'B'},
    {UpdateTalkCheskaStage5After, 75, 75, "BGM/EDTalk.ogg", false, 'B'},
    {UpdateTalkCheskaStage5Ending, 17, 15, "", false, 'B'},
    {UpdateTalkCheskaStage6MidBefore, 34, 34, "BGM/Stage06Boss_01.ogg", true, 'A'},
    {UpdateTalkCheskaStage6MidAfter, 24, 24, "BGM/Stage06.ogg", false, 'A'},
    {UpdateTalkCheskaStage6Before, 31, 31, "BGM/Stage06Boss_02.ogg", false, 'B'},
    {UpdateTalkCheskaStage6After, 37, 37, "BGM/EDTalk.ogg", false, 'B'},
    {UpdateTalkCheskaStage6Ending, 46, 46, "", false, 'B'},
};

// With ELEMENT held from before the talk: one line a frame, then the end step,
// which draws nothing, starts its music (no device here: no handle), moves
// its boss on and resets the window.
TEST_F(Team2Talk, EveryTalkShowsItsLinesOneAFrameAndEndsOnTheNextWithItsActions) {
    const std::string create = "KestraSound::CreateFromFile ";
    for (const WholeTalk& w : kWholeTalks) {
        for (int difficulty : {1, 0}) {
            SetUp();
            GameState.difficulty = difficulty;
            std::string name = "?";
            for (const talk::TalkEntry& t : talk::AllTalks()) name = t.run == w.run ? t.name : name;
            SCOPED_TRACE(name + " on difficulty " + std::to_string(difficulty));
            int frames = 0, drawn = 0;
            for (Frame last; bossA_.phase + bossB_.phase == 0 && frames < 300; ++frames) {
                last = Run(w.run, 0, PAD_ELEMENT);
                drawn += last.quads.empty() && last.texts == 0 ? 0 : 1;
            }
            EXPECT_EQ(drawn, difficulty == 0 ? w.easyLines : w.lines);
            EXPECT_EQ(frames, drawn + 1) << "the end step runs in the frame after the last line, drawing nothing";
            EXPECT_EQ(bossA_.phase, w.boss == 'A' ? 1 : 0);
            EXPECT_EQ(bossB_.phase, w.boss == 'B' ? 1 : 0);
            EXPECT_EQ(GameState.subState, w.play ? kSubStatePlay : kSubStateDialogue);
            std::string created;
            for (const std::string& call : platform::RecordedCalls())
                if (call.rfind(create, 0) == 0) created += call.substr(create.size()) + ";";
            EXPECT_EQ(created, w.music.empty() ? "" : w.music + " 0 1 0 1 = 4294967295;");
            EXPECT_EQ(TalkState.step + TalkState.nameCardFrame, 0);
            for (int who : {talk::Yuri, talk::Crow, talk::Cheska, talk::Osero, talk::Shamyu, talk::Kohaku})
                EXPECT_EQ(TalkState.slideCounter[who], 0) << "counter " << who;
            TearDown();
        }
    }
}

// Played with ELEMENT held to `lingerAt`, left there `lingerFrames` frames,
// played on to `step` and drawn there `frame` frames without input: the last
// frame's quads in drawing order, and its number of texts.
struct SpecialStep {
    const char* what;
    void (*run)();
    int lingerAt, lingerFrames, step, frame;
    std::vector<Quad> quads;
    size_t texts;
};
constexpr uint32_t kOpaque = 0xFFFFFFFFu, kDim = 0xB4FFFFFFu, kFaint = 0x87FFFFFFu;
constexpr uint32_t kSlide1 = 0x8DFFFFFFu, kSlide2 = 0x93FFFFFFu;  // alpha at slide counters 1 and 2
constexpr Quad kUpper{25, 170, 70, 0, 0, kOpaque}, kLower{25, 30, 300, 440, 0, kOpaque};
constexpr Quad kUpperDim{25, 170, 70, 0, 0, kDim}, kLowerDim{25, 30, 300, 440, 0, kDim};

const SpecialStep kSpecialSteps[] = {
    {"stage 6 mid-boss, step 12: Cheska answers while Copic's line stands, both current",
     UpdateTalkCheskaStage6MidBefore, 12, 0, 12, 1, {kUpper, {15, -18, 50, 0, 0, kSlide1}, kLower,
     {23, 496, 290, 320, 0, kSlide2}}, 2},
    {"stage 4 after, step 24: Osero active and at rest beside her dimmed balloon", UpdateTalkCheskaStage4After, 24, 0,
     24, 20, {kUpperDim, {14, 20, 50, 0, 0, kOpaque}, kLower, {20, 460, 290, 0, 160, kOpaque}}, 2},
    {"stage 3 after, step 1: narration, no portrait at all", UpdateTalkCheskaStage3After, 1, 0, 1, 1,
     {{25, 30, 300, 440, 290, kOpaque}}, 1},
    {"stage 6 before, step 22: both speak; Deena, long at rest, does not slide in again",
     UpdateTalkCheskaStage6Before, 21, 25, 22, 1, {kUpper, {15, -18, 50, 320, 0, kSlide1}, kLower,
     {24, 460, 290, 160, 0, kOpaque}}, 2},
    {"stage 6 after, step 25, frame 5: Kohaku faint, trembled from +1..+4 to -5", UpdateTalkCheskaStage6After, 25, 0, 25, 5,
     {kUpper, {17, -25, 50, 480, 0, kFaint}, kLowerDim, {24, 460, 290, 320, 160, kDim}}, 2},
    {"extra epilogue, step 51: Cheska alone and at rest, as the advance zeroed Osero", UpdateTalkCheskaStage6Ending,
     45, 20, 51, 1, {kUpper, {15, 20, 50, 320, 320, kOpaque}}, 1},
};

TEST_F(Team2Talk, SpecialStepsDrawQuadForQuadAsTheirScriptsSay) {
    for (const SpecialStep& s : kSpecialSteps) {
        SetUp();
        SCOPED_TRACE(s.what);
        PlayTo(s.run, s.lingerAt);
        for (int i = 0; i < s.lingerFrames; ++i) Run(s.run);
        PlayTo(s.run, s.step);
        Frame f;
        for (int i = 0; i < s.frame; ++i) f = Run(s.run);
        EXPECT_EQ(f.quads, s.quads);
        EXPECT_EQ(f.texts, s.texts);
        TearDown();
    }
}

// Stage02Boss::Update runs the talk once, on the frame the boss reaches phase
// 1, after that frame was drawn; Stage02Boss::Draw runs it from the next. A
// SHOT in the first advances it unseen: the first frame shown is step 1,
// Fururu sliding in, her card at alpha 10.
TEST_F(Team2Talk, StageTwoUpdateRunAdvancedByShotShowsStepOneFirstWithTheCardAtTen) {
    TalkState.slideCounter[talk::Fururu] = 20;
    TalkState.nameCardFrame = 200;
    EXPECT_FALSE(Run(UpdateTalkCheskaStage2Before, PAD_SHOT).quads.empty());  // the update run, unseen
    const std::vector<Quad> first = {kUpperDim, {15, 20, 50, 320, 320, kDim}, kLower, {19, 498, 290, 160, 160, kSlide1},
                                     {26, 120, 390, 380, 360, 0x0AFFFFFFu}};
    EXPECT_EQ(Run(UpdateTalkCheskaStage2Before).quads, first);
}

// Beside a dimmed face stand that character's own words: its last line, or a
// one-row listener line it has not said before. The twins speak for each other.
TEST(Team2Script, NoDimmedFaceStandsBesideAnotherCharactersWords) {
    auto twin = [](talk::Character c) { return c == talk::Nono ? talk::Momo : c; };
    std::string errors;
    for (const talk::TalkEntry& t : talk::AllTalks()) {
        if (std::strncmp(t.name, "UpdateTalkCheska", 16) != 0) continue;
        std::map<const TalkText*, talk::Character> owner;
        for (const talk::TalkStep* s = talk::FindStep(*t.script, 0); s; s = talk::FindStep(*t.script, s->advance.next)) {
            for (const talk::TalkSlot* slot : {&s->upper, &s->lower}) {
                if (!slot->shown || slot->who == talk::kNobody || !slot->text) continue;
                const bool speaking = slot->balloon == BalloonMode::Opaque && slot->mode != PortraitMode::Dimmed;
                const std::string at = std::string(t.name) + " step " + std::to_string(s->step) + " " + slot->text->id;
                if (!owner.count(slot->text)) {
                    owner[slot->text] = slot->who;
                    if (!speaking && std::strchr(slot->text->text, '\n')) errors += at + ": a listener line of two rows\n";
                } else if (!speaking && twin(owner[slot->text]) != twin(slot->who)) {
                    errors += at + ": another character's words beside this face\n";
                }
            }
        }
    }
    EXPECT_EQ(errors, "");
}

}  // namespace
