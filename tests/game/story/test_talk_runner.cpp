// The talk machine: the worked example draw for draw, the advance rule on
// scripted input, the steps no table lists, and the end actions of all 36
// talks in their own order, read from the call record with the engine's music
// calls in it.
#include <string>
#include <vector>

#include "game/state/BossTalk.h"
#include "game/story/TalkScripts.h"
#include "game/story/text/CheskaStage5.h"
#include "tests/game/story/talk_fixture.h"

namespace {

using talktest::Draw;
using talktest::Quad;
using talktest::Text;
namespace text = talktext::CheskaStage5;

class TalkRunner : public talktest::TalkTest {};

TEST_F(TalkRunner, TheFirstFrameOfStepOneIsTheWorkedExampleDrawForDraw) {
    // Step 0: Crow alone; SHOT moves on to step 1 and zeroes Cheska's counter.
    const std::vector<Draw> first = Frame(UpdateTalkCheskaStage5MidAfter, PAD_SHOT);
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(TalkState.step, 1);
    EXPECT_EQ(TalkState.slideCounter[talk::Crow], 1);
    const std::vector<Draw> d = Frame(UpdateTalkCheskaStage5MidAfter);
    const std::vector<Draw> expected = {
        Quad(25, 170, 70, 440, 145, 0, 0, 440, 145, 0xFFFFFFFFu),
        Quad(15, -18, 50, 160, 160, 320, 320, 160, 160, 0x8DFFFFFFu),
        Text(text::midAfter1.text, 200, 100),
        Quad(25, 30, 300, 440, 145, 440, 0, 440, 145, 0xB4FFFFFFu),
        Quad(13, 460, 290, 160, 160, 0, 0, 160, 160, 0xB4FFFFFFu),
        Text(text::midAfter0.text, 50, 320),
    };
    ASSERT_EQ(d.size(), expected.size());
    for (size_t i = 0; i < d.size(); ++i) EXPECT_EQ(d[i], expected[i]) << i << ": " << talktest::Describe(d[i]);
    EXPECT_EQ(TalkState.slideCounter[talk::Cheska], 1);
    EXPECT_EQ(TalkState.slideCounter[talk::Crow], 2);
    EXPECT_EQ(TalkState.step, 1);
    // The confirm draws step 1 once more, then moves to step 2, where Crow,
    // who speaks there, slides in anew.
    EXPECT_EQ(Frame(UpdateTalkCheskaStage5MidAfter, PAD_SHOT).size(), expected.size());
    EXPECT_EQ(TalkState.step, 2);
    EXPECT_EQ(TalkState.slideCounter[talk::Crow], 0);
    EXPECT_EQ(TalkState.slideCounter[talk::Cheska], 2);
}

TEST_F(TalkRunner, ShotAdvancesOncePerPushElementOnceAFrameWhileHeldPlayerTwoNever) {
    const auto run = UpdateTalkCheskaStage5MidAfter;
    // Player 2 pushing and holding everything moves nothing.
    for (int i = 0; i < 10; ++i) Frame(run, 0, i % 2 ? 0 : uint16_t(PAD_SHOT | PAD_ELEMENT));
    for (int i = 0; i < 10; ++i) Frame(run, 0, PAD_ELEMENT);
    EXPECT_EQ(TalkState.step, 0);
    // SHOT pushed and held: one line.
    for (int i = 0; i < 10; ++i) Frame(run, PAD_SHOT);
    EXPECT_EQ(TalkState.step, 1);
    Frame(run, 0);
    EXPECT_EQ(TalkState.step, 1);
    // SHOT pushed with ELEMENT held in one frame: still one line.
    Frame(run, PAD_ELEMENT);
    EXPECT_EQ(TalkState.step, 1);  // a push of ELEMENT is not a hold
    Frame(run, PAD_ELEMENT | PAD_SHOT);
    EXPECT_EQ(TalkState.step, 2);
    // ELEMENT held: a line a frame, over the gap from 5 to 10.
    std::vector<int> shown;
    for (int i = 0; i < 4; ++i) {
        shown.push_back(TalkState.step);
        Frame(run, PAD_ELEMENT);
    }
    EXPECT_EQ(shown, (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(TalkState.step, 10);
    EXPECT_EQ(bossA_->calls, 0);
}

TEST_F(TalkRunner, StepsNoTableListsDrawNothingAndStay) {
    for (int step : {6, 7, 99, 101, 150, 201, -1}) {
        TalkState.step = step;
        EXPECT_TRUE(Frame(UpdateTalkCheskaStage5MidAfter, PAD_SHOT).empty()) << step;
        Frame(UpdateTalkCheskaStage5MidAfter, PAD_ELEMENT);
        EXPECT_EQ(TalkState.step, step);
    }
    // In the one long talk, 100 is a listed step or nothing, never the end.
    TalkState.step = 100;
    Frame(UpdateTalkCheskaStage5After, PAD_SHOT);
    const talk::TalkStep* listed = talk::FindStep(talk::kTalkCheskaStage5After, 100);
    EXPECT_EQ(TalkState.step, listed ? listed->advance.next : 100);
    EXPECT_EQ(bossB_->calls, 0);
}

TEST_F(TalkRunner, AnAdvanceZeroesWhatItNamesAndTheEasiestDifficultyEndsEarly) {
    using namespace talk;
    static constexpr TalkStep kSteps[] = {
        Line(0, Speak(Yuri, 0, text::midAfter1), Empty, Next(3, Crow, Kohaku, Deena).NewCard()),
        Line(3, Speak(Crow, 0, text::midAfter1), Empty, Next(4).ZeroExit().EasyEnd()),
        Line(4, Empty, Narration(text::midAfter1), Next(100)),
    };
    static constexpr TalkScript kTalk{kSteps, {NextPhaseA, ResetWindow}};
    for (int difficulty : {0, 1}) {
        GameState.difficulty = difficulty;
        for (int& c : TalkState.slideCounter) c = 20;
        TalkState.nameCardFrame = 40;
        TalkState.exitOffset = 70;
        playtest::SetButtons(0, PAD_SHOT);
        RunTalk(kTalk);
        EXPECT_EQ(TalkState.step, 3);
        for (int who = 0; who < kCharacterCount; ++who)
            EXPECT_EQ(TalkState.slideCounter[who], who == Crow || who == Kohaku || who == Deena ? 0 : 20) << who;
        EXPECT_EQ(TalkState.nameCardFrame, 0);
        EXPECT_EQ(TalkState.exitOffset, 70);
        playtest::SetButtons(0, 0);
        playtest::SetButtons(0, PAD_SHOT);
        RunTalk(kTalk);
        EXPECT_EQ(TalkState.exitOffset, 0);
        EXPECT_EQ(TalkState.step, difficulty == 0 ? 100 : 4) << difficulty;
        TalkState.step = 0;
        playtest::SetButtons(0, 0);
    }
}

// ---- The end actions of every talk, in the order each talk gives them.

struct EndRow {
    const char* talk;
    const char* boss;   // "A" or "B"
    const char* music;  // the file the end starts, or null
    // Where the music changes and whether the sub-state is set, relative to NextPhase.
    enum { MusicFirst, MusicAfterPhase, NoMusic } musicAt;
    bool playBeforePhase;
    int endStep;
};

// From the talks' own end steps.
const EndRow kEnds[] = {
    {"UpdateTalkYuriStage1Before", "A", "BGM/Stage01Boss.ogg", EndRow::MusicFirst, false, 100},
    {"UpdateTalkYuriStage1After", "A", nullptr, EndRow::NoMusic, true, 100},
    {"UpdateTalkYuriStage2Before", "A", "BGM/Stage02Boss.ogg", EndRow::MusicFirst, false, 100},
    {"UpdateTalkYuriStage2After", "A", nullptr, EndRow::NoMusic, true, 100},
    {"UpdateTalkYuriStage3Before", "A", "BGM/Stage03Boss.ogg", EndRow::MusicFirst, true, 100},
    {"UpdateTalkYuriStage3After", "A", nullptr, EndRow::NoMusic, true, 100},
    {"UpdateTalkYuriStage4Before", "A", "BGM/Stage04Boss.ogg", EndRow::MusicFirst, false, 100},
    {"UpdateTalkYuriStage4After", "A", nullptr, EndRow::NoMusic, true, 100},
    {"UpdateTalkYuriStage5MidBefore", "A", nullptr, EndRow::NoMusic, true, 100},
    {"UpdateTalkYuriStage5MidAfter", "A", nullptr, EndRow::NoMusic, true, 100},
    {"UpdateTalkYuriStage5Before", "B", "BGM/Stage05Boss.ogg", EndRow::MusicAfterPhase, true, 100},
    {"UpdateTalkYuriStage5After", "B", "BGM/EDTalk.ogg", EndRow::MusicAfterPhase, false, 100},
    {"UpdateTalkYuriStage5Ending", "B", nullptr, EndRow::NoMusic, false, 100},
    {"UpdateTalkYuriStage6MidBefore", "A", "BGM/Stage06Boss_01.ogg", EndRow::MusicAfterPhase, true, 100},
    {"UpdateTalkYuriStage6MidAfter", "A", "BGM/Stage06.ogg", EndRow::MusicFirst, true, 100},
    {"UpdateTalkYuriStage6Before", "B", "BGM/Stage06Boss_02.ogg", EndRow::MusicFirst, true, 100},
    {"UpdateTalkYuriStage6After", "B", "BGM/EDTalk.ogg", EndRow::MusicFirst, true, 100},
    {"UpdateTalkYuriStage6Ending", "B", nullptr, EndRow::NoMusic, true, 100},
    {"UpdateTalkCheskaStage1Before", "A", "BGM/Stage01Boss.ogg", EndRow::MusicFirst, true, 100},
    {"UpdateTalkCheskaStage1After", "A", nullptr, EndRow::NoMusic, true, 100},
    {"UpdateTalkCheskaStage2Before", "A", "BGM/Stage02Boss.ogg", EndRow::MusicFirst, true, 100},
    {"UpdateTalkCheskaStage2After", "A", nullptr, EndRow::NoMusic, true, 100},
    {"UpdateTalkCheskaStage3Before", "A", "BGM/Stage03Boss.ogg", EndRow::MusicFirst, true, 100},
    {"UpdateTalkCheskaStage3After", "A", nullptr, EndRow::NoMusic, true, 100},
    {"UpdateTalkCheskaStage4Before", "A", "BGM/Stage04Boss.ogg", EndRow::MusicFirst, true, 100},
    {"UpdateTalkCheskaStage4After", "A", nullptr, EndRow::NoMusic, true, 100},
    {"UpdateTalkCheskaStage5MidBefore", "A", nullptr, EndRow::NoMusic, true, 100},
    {"UpdateTalkCheskaStage5MidAfter", "A", nullptr, EndRow::NoMusic, true, 100},
    {"UpdateTalkCheskaStage5Before", "B", "BGM/Stage05Boss_02.ogg", EndRow::MusicFirst, true, 100},
    {"UpdateTalkCheskaStage5After", "B", "BGM/EDTalk.ogg", EndRow::MusicAfterPhase, false, 200},
    {"UpdateTalkCheskaStage5Ending", "B", nullptr, EndRow::NoMusic, false, 100},
    {"UpdateTalkCheskaStage6MidBefore", "A", "BGM/Stage06Boss_01.ogg", EndRow::MusicAfterPhase, true, 100},
    {"UpdateTalkCheskaStage6MidAfter", "A", "BGM/Stage06.ogg", EndRow::MusicFirst, false, 100},
    {"UpdateTalkCheskaStage6Before", "B", "BGM/Stage06Boss_02.ogg", EndRow::MusicFirst, false, 100},
    {"UpdateTalkCheskaStage6After", "B", "BGM/EDTalk.ogg", EndRow::MusicFirst, false, 100},
    {"UpdateTalkCheskaStage6Ending", "B", nullptr, EndRow::NoMusic, false, 100},
};

// The four music calls of a change that finds no file: the old handle (if
// any) released, the create answering -1, and volume and loop on -1.
std::vector<std::string> MusicCalls(const char* file, bool released) {
    std::vector<std::string> calls;
    if (released) calls.push_back("KestraSound::Release 7");
    calls.push_back(std::string("KestraSound::CreateFromFile ") + file + " 0 1 0 1 = 4294967295");
    calls.push_back("KestraSound::SetVolume 4294967295 90 0");
    calls.push_back("KestraSound::Loop 4294967295 4294967295 0 0");
    return calls;
}

TEST_F(TalkRunner, EveryTalkWithElementHeldShowsEachLineOnceThenEndsInItsOwnOrder) {
    ASSERT_EQ(talk::AllTalks().size(), std::size(kEnds));
    size_t row = 0;
    for (const talk::TalkEntry& entry : talk::AllTalks()) {
        const EndRow& e = kEnds[row++];
        SCOPED_TRACE(entry.name);
        ASSERT_STREQ(entry.name, e.talk);
        ASSERT_EQ(entry.script->endStep, e.endStep);
        // The order the table walks: what each frame must show.
        std::vector<int> walk;
        for (const talk::TalkStep* s = talk::FindStep(*entry.script, 0); s;
             s = talk::FindStep(*entry.script, s->advance.next))
            walk.push_back(s->step);
        Restart();
        BgmHandle = 7;  // some music plays; the module is off, so nothing opens
        const WholeTalk whole = PlayWhole(entry.run);
        std::vector<int> shown;
        for (const TalkFrame& f : whole.frames) {
            if (f.step == e.endStep) EXPECT_TRUE(f.draws.empty()) << "the end step draws nothing";
            else shown.push_back(f.step);
        }
        EXPECT_EQ(shown, walk);
        EXPECT_EQ(whole.frames.size(), walk.size() + 1);
        EXPECT_EQ((std::string(e.boss) == "A" ? bossA_ : bossB_)->calls, 1);
        EXPECT_EQ(bossA_->calls + bossB_->calls, 1);
        // The end left the window ready for the next talk.
        EXPECT_EQ(TalkState.step, 0);
        EXPECT_EQ(TalkState.nameCardFrame, 0);
        // The calls in order: NextPhase tells whether the sub-state and the reset came before it.
        std::vector<std::string> expected;
        if (e.musicAt == EndRow::MusicFirst) expected = MusicCalls(e.music, true);
        const int subStateAtPhase = e.playBeforePhase ? kSubStatePlay : kSubStateDialogue;
        expected.push_back(std::string("NextPhase ") + e.boss + " subState " + std::to_string(subStateAtPhase) +
                           " step " + std::to_string(e.endStep));
        if (e.musicAt == EndRow::MusicAfterPhase)
            for (const std::string& call : MusicCalls(e.music, true)) expected.push_back(call);
        EXPECT_EQ(platform::RecordedCalls(), expected);
        // A failed load leaves no handle; a talk without music keeps the old one.
        EXPECT_EQ(BgmHandle, e.music ? kNoSound : 7u);
    }
}

TEST_F(TalkRunner, WithNoMusicPlayingTheChangeReleasesNothing) {
    TalkState.step = 100;
    BgmHandle = kNoSound;
    Frame(UpdateTalkYuriStage1Before);
    std::vector<std::string> expected = MusicCalls("BGM/Stage01Boss.ogg", false);
    expected.push_back("NextPhase A subState 1 step 100");
    EXPECT_EQ(platform::RecordedCalls(), expected);
    EXPECT_EQ(BgmHandle, kNoSound);
    // Without a boss in the slot the talk still ends.
    BossA = nullptr;
    TalkState.step = 100;
    Frame(UpdateTalkYuriStage1After);
    EXPECT_EQ(TalkState.step, 0);
    EXPECT_EQ(GameState.subState, kSubStatePlay);
}

}  // namespace
