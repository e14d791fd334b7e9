// The talk machine: the worked example draw for draw, the advance rule on
// scripted input, the steps no table lists, and all 36 talks played whole:
// their lines, name cards, end steps and end actions in their own order, read
// from the call record with the engine's music calls in it.
#include <cstring>
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

// ---- Every talk of both teams, played whole.

// As the talks' own tables give them: the lines shown (on difficulty 1 and 2,
// and on 0), the end actions in order (M music, P play sub-state, A or B that
// boss's NextPhase, R window reset), the music, "card:alpha " of each frame
// showing a name card (null: not checked) and the end step.
struct WholeRow {
    void (*run)();
    int lines, easyLines;
    const char* end;
    const char* music;
    const char* cards;
    int endStep = 100;
};
const WholeRow kWholeTalks[] = {
    {UpdateTalkYuriStage1Before, 28, 28, "MAR", "BGM/Stage01Boss.ogg", "0:10 1:10 4:10 4:20 4:30 4:40 4:50 5:10 "},
    {UpdateTalkYuriStage1After, 17, 17, "PAR", nullptr, ""},
    {UpdateTalkYuriStage2Before, 30, 30, "MAR", "BGM/Stage02Boss.ogg", "6:10 6:20 "},
    {UpdateTalkYuriStage2After, 30, 30, "PAR", nullptr, ""},
    {UpdateTalkYuriStage3Before, 48, 48, "MPAR", "BGM/Stage03Boss.ogg", "7:10 7:20 7:30 7:40 7:50 "},
    {UpdateTalkYuriStage3After, 24, 24, "PAR", nullptr, ""},
    {UpdateTalkYuriStage4Before, 32, 32, "MAR", "BGM/Stage04Boss.ogg", "8:10 9:10 9:20 "},
    {UpdateTalkYuriStage4After, 24, 24, "PAR", nullptr, ""},
    {UpdateTalkYuriStage5MidBefore, 26, 26, "PAR", nullptr, "3:10 3:20 3:30 "},
    {UpdateTalkYuriStage5MidAfter, 15, 15, "PAR", nullptr, ""},
    {UpdateTalkYuriStage5Before, 38, 38, "PBRM", "BGM/Stage05Boss.ogg", "2:10 2:20 "},
    {UpdateTalkYuriStage5After, 53, 53, "BRM", "BGM/EDTalk.ogg", ""},
    {UpdateTalkYuriStage5Ending, 25, 23, "BR", nullptr, ""},
    {UpdateTalkYuriStage6MidBefore, 47, 47, "PAMR", "BGM/Stage06Boss_01.ogg", "10:10 10:20 10:30 11:10 11:20 11:30 "},
    {UpdateTalkYuriStage6MidAfter, 17, 17, "MPAR", "BGM/Stage06.ogg", ""},
    {UpdateTalkYuriStage6Before, 36, 36, "MPBR", "BGM/Stage06Boss_02.ogg", "12:10 12:20 12:30 12:40 "},
    {UpdateTalkYuriStage6After, 21, 21, "MPBR", "BGM/EDTalk.ogg", ""},
    {UpdateTalkYuriStage6Ending, 40, 40, "PBR", nullptr, ""},
    {UpdateTalkCheskaStage1Before, 27, 27, "MPAR", "BGM/Stage01Boss.ogg", nullptr},
    {UpdateTalkCheskaStage1After, 19, 19, "PAR", nullptr, nullptr},
    {UpdateTalkCheskaStage2Before, 28, 28, "MPAR", "BGM/Stage02Boss.ogg", nullptr},
    {UpdateTalkCheskaStage2After, 21, 21, "PAR", nullptr, nullptr},
    {UpdateTalkCheskaStage3Before, 28, 28, "MPAR", "BGM/Stage03Boss.ogg", nullptr},
    {UpdateTalkCheskaStage3After, 19, 19, "PAR", nullptr, nullptr},
    {UpdateTalkCheskaStage4Before, 28, 28, "MPAR", "BGM/Stage04Boss.ogg", nullptr},
    {UpdateTalkCheskaStage4After, 30, 30, "PAR", nullptr, nullptr},
    {UpdateTalkCheskaStage5MidBefore, 22, 22, "PAR", nullptr, nullptr},
    {UpdateTalkCheskaStage5MidAfter, 11, 11, "PAR", nullptr, nullptr},
    {UpdateTalkCheskaStage5Before, 30, 30, "MPBR", "BGM/Stage05Boss_02.ogg", nullptr},
    {UpdateTalkCheskaStage5After, 75, 75, "BRM", "BGM/EDTalk.ogg", nullptr, 200},  // the one long talk
    {UpdateTalkCheskaStage5Ending, 17, 15, "BR", nullptr, nullptr},
    {UpdateTalkCheskaStage6MidBefore, 34, 34, "PAMR", "BGM/Stage06Boss_01.ogg", nullptr},
    {UpdateTalkCheskaStage6MidAfter, 24, 24, "MAR", "BGM/Stage06.ogg", nullptr},
    {UpdateTalkCheskaStage6Before, 31, 31, "MBR", "BGM/Stage06Boss_02.ogg", nullptr},
    {UpdateTalkCheskaStage6After, 37, 37, "MBR", "BGM/EDTalk.ogg", nullptr},
    {UpdateTalkCheskaStage6Ending, 46, 46, "BR", nullptr, nullptr},
};

// The four music calls of a change that finds no file: the old handle (if
// any) released, the create answering -1, and volume and loop on -1.
std::vector<std::string> MusicCalls(const char* file, bool released) {
    std::vector<std::string> calls;
    if (released) calls.push_back("KestraSound::Release 7");
    calls.push_back(std::string("KestraSound::CreateFromFile ") + file + " 0 1 0 1 = 4294967295");
    calls.push_back("KestraSound::SetVolume 4294967295 70 0");
    calls.push_back("KestraSound::Loop 4294967295 4294967295 0 0");
    return calls;
}

// The calls a row's end leaves while music with handle 7 plays, in order.
std::vector<std::string> ExpectedEnd(const WholeRow& w) {
    std::vector<std::string> out;
    int subState = kSubStateDialogue, step = w.endStep;
    for (const char* a = w.end; *a; ++a) {
        if (*a == 'M')
            for (const std::string& call : MusicCalls(w.music, true)) out.push_back(call);
        if (*a == 'P') subState = kSubStatePlay;
        if (*a == 'R') step = 0;
        if (*a == 'A' || *a == 'B')
            out.push_back(std::string("NextPhase ") + *a + " subState " + std::to_string(subState) + " step " +
                          std::to_string(step));
    }
    return out;
}

// With ELEMENT held from before the talk: each line of the table's walk once a
// frame, then the end step in the next frame, drawing nothing, with its
// actions in the talk's own order.
TEST_F(TalkRunner, EveryTalkWithElementHeldShowsEachLineOnceThenEndsInItsOwnOrder) {
    ASSERT_EQ(talk::AllTalks().size(), std::size(kWholeTalks));
    for (const WholeRow& w : kWholeTalks)
        for (int difficulty : {0, 1, 2}) {
            SCOPED_TRACE(talktest::NameOf(w.run) + " on difficulty " + std::to_string(difficulty));
            Restart();
            GameState.difficulty = difficulty;
            BgmHandle = 7;  // some music plays; the module is off, so nothing opens
            const WholeTalk whole = PlayWhole(w.run);
            const int lines = difficulty == 0 ? w.easyLines : w.lines;
            // The order the table walks: what each frame must show.
            const talk::TalkScript* script = nullptr;
            for (const talk::TalkEntry& t : talk::AllTalks())
                if (t.run == w.run) script = t.script;
            ASSERT_NE(script, nullptr);
            std::vector<int> walk, shown;
            for (const talk::TalkStep* s = talk::FindStep(*script, 0); s && int(walk.size()) < lines + 1;
                 s = talk::FindStep(*script, s->advance.next)) {
                walk.push_back(s->step);
                if (difficulty == 0 && s->advance.easyEnd) break;
            }
            std::string cards;
            for (const TalkFrame& f : whole.frames) {
                if (&f != &whole.frames.back()) shown.push_back(f.step);
                for (const Draw& card : talktest::OfSlot(f.draws, 26))
                    cards += std::to_string(int(card.src[1] / 90) + (card.src[0] == 0 ? 0 : 2)) + ":" +
                             std::to_string(card.color >> 24) + " ";
            }
            EXPECT_EQ(whole.Lines(), lines);
            EXPECT_EQ(shown, walk);
            ASSERT_EQ(int(whole.frames.size()), lines + 1) << "the end step runs in the frame after the last line";
            EXPECT_EQ(whole.frames.back().step, w.endStep);
            EXPECT_TRUE(whole.frames.back().draws.empty()) << "the end step draws nothing";
            if (w.cards) {
                EXPECT_EQ(cards, w.cards);
            }
            EXPECT_EQ(platform::RecordedCalls(), ExpectedEnd(w));
            EXPECT_EQ(GameState.subState, std::strchr(w.end, 'P') ? kSubStatePlay : kSubStateDialogue);
            // The end left the window ready for the next talk; a failed load leaves no
            // handle, a talk without music keeps the old one.
            EXPECT_EQ(TalkState.step, 0);
            EXPECT_EQ(TalkState.nameCardFrame, 0);
            EXPECT_EQ(BgmHandle, w.music ? kNoSound : 7u);
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
