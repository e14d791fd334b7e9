// The title's menus, unlock rules, hold repeat and the start of a game.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "game/shell/ConfigScreen.h"
#include "game/shell/GameStart.h"
#include "game/shell/MenuCommon.h"
#include "game/shell/RankingView.h"
#include "game/shell/StageFiles.h"
#include "game/shell/Title.h"
#include "game/state/SpriteTable.h"
#include "tests/game/shell/effect_probe.h"
#include "tests/game/shell/shell_fixture.h"

namespace {

using TitleScene = shelltest::TitleFolder;

TEST_F(TitleScene, UnlockRulesFollowTheProgressCounters) {
    EXPECT_FALSE(IsExtraUnlockedFor(0));
    EXPECT_FALSE(IsDifficulty2Unlocked());
    EXPECT_FALSE(IsTeam2Unlocked());
    EXPECT_EQ(PracticeMaxIndex(0, 1), 0);
    ScoreData.clearCount[1][1] = 1;
    EXPECT_FALSE(IsExtraUnlockedFor(0));
    EXPECT_TRUE(IsExtraUnlockedFor(1));
    EXPECT_TRUE(IsDifficulty2Unlocked());
    ScoreData.clearCount[1][3] = 1;
    ScoreData.clearCount[1][1] = 0;
    EXPECT_FALSE(IsDifficulty2Unlocked());
    EXPECT_TRUE(IsExtraUnlocked());  // the ranking view also counts the extra column
    ScoreData.bestStage[0][1] = 4;
    EXPECT_FALSE(IsTeam2Unlocked());
    EXPECT_EQ(PracticeMaxIndex(0, 1), 2);  // stages 1..3
    ScoreData.bestStage[0][1] = 5;
    EXPECT_TRUE(IsTeam2Unlocked());
    ScoreData.bestStage[0][1] = 7;
    EXPECT_EQ(PracticeMaxIndex(0, 1), 4);  // at most stage 5
    ScoreData.bestStage[1][0] = 0;
    EXPECT_EQ(PracticeMaxIndex(1, 0), 0);  // at least stage 1
}

TEST_F(TitleScene, HoldingDownRepeatsAtFrames43And49And55) {
    for (const uint16_t way : {PAD_DOWN, PAD_UP}) {
        std::vector<int> moves;
        TitleState.menuCursor = 4;
        int before = TitleState.menuCursor;
        for (int frame = 1; frame <= 60; ++frame) {
            const uint16_t none = 0;
            const bool first = frame == 1;
            PadWords[0] = PadWord{static_cast<uint16_t>(~way), first ? way : none, first ? none : way, 0};
            PadWords[1] = PadWord{0xFFFF, 0, 0, 0};
            UpdateTitle();
            if (TitleState.menuCursor != before) moves.push_back(frame);
            before = TitleState.menuCursor;
        }
        EXPECT_EQ(moves, (std::vector<int>{1, 43, 49, 55})) << way;
        EXPECT_EQ(TitleState.menuCursor, way == PAD_DOWN ? 8 : 0) << way;
        // Letting go resets the count: the next hold waits 42 frames again.
        PadWords[0] = PadWord{0xFFFF, 0, 0, way};
        UpdateTitle();
        EXPECT_EQ(way == PAD_DOWN ? TitleState.downHold : TitleState.upHold, 0);
    }
}

TEST_F(TitleScene, ColumnsJumpAndTheCursorWraps) {
    TitleState.menuCursor = 3;
    Frame(PAD_LEFT);
    EXPECT_EQ(TitleState.menuCursor, 6);
    TitleState.menuCursor = 8;
    Frame(0, PAD_RIGHT);  // either player
    EXPECT_EQ(TitleState.menuCursor, 0);
    Frame(PAD_UP);
    EXPECT_EQ(TitleState.menuCursor, 9);
    Frame(PAD_DOWN);
    EXPECT_EQ(TitleState.menuCursor, 0);
    // Both players pushing DOWN in one frame move once.
    Frame(PAD_DOWN, PAD_DOWN);
    EXPECT_EQ(TitleState.menuCursor, 1);
}

TEST_F(TitleScene, LockedItemsDoNothingAndOnlyTeamOneAndTwoDifficultiesAreOffered) {
    TitleState.menuCursor = 2;
    Frame(PAD_SHOT);
    EXPECT_EQ(TitleState.state, kTitleMenu);
    TitleState.menuCursor = 3;
    Frame(PAD_SHOT);
    EXPECT_EQ(TitleState.state, kTitleMenu);
    TitleState.menuCursor = 0;
    Frame(PAD_SHOT);
    ASSERT_EQ(TitleState.state, kTitleTeam);
    Frame(PAD_RIGHT);
    EXPECT_EQ(TitleState.teamCursor, 0);
    Frame(PAD_SHOT);
    ASSERT_EQ(TitleState.state, kTitleDifficulty);
    EXPECT_EQ(TitleState.difficultyCursor, 1);
    Frame(PAD_UP);
    EXPECT_EQ(TitleState.difficultyCursor, 0);  // past the highest (1) wraps to 0
    Frame(PAD_DOWN);
    EXPECT_EQ(TitleState.difficultyCursor, 1);  // DOWN lowers: 0 wraps to the highest
    Frame(PAD_DIRECT);
    EXPECT_EQ(TitleState.state, kTitleTeam);
    Frame(0, PAD_DIRECT);
    EXPECT_EQ(TitleState.state, kTitleMenu);
    EXPECT_EQ(GameState.stage, 1);
}

TEST_F(TitleScene, EachMenuItemSetsItsPlayersModeAndStage) {
    ScoreData.clearCount[0][1] = 1;  // the extra stage unlocked
    struct Row { int item, state, stage, twoPlayer, practice; };
    const Row rows[] = {{0, kTitleTeam, 1, 0, 0},    {1, kTitleTeam, 1, 1, 0},    {2, kTitleTeam, 6, 0, 0},
                        {3, kTitleTeam, 6, 1, 0},    {4, kTitleTeam, 3, 0, 1},    {5, kTitleTeam, 3, 1, 1},
                        {6, kTitleMenu, 3, 0, 0},    {7, kTitleRanking, 3, 0, 0}, {8, kTitleConfig, 3, 0, 0}};
    for (const Row& r : rows) {
        TitleState.state = kTitleMenu;
        TitleState.menuCursor = r.item;
        GameState.stage = 3;
        GameState.twoPlayer = GameState.practice = 0;
        Frame(PAD_SHOT);
        EXPECT_EQ((std::vector<int>{TitleState.state, GameState.stage, GameState.twoPlayer, GameState.practice}),
                  (std::vector<int>{r.state, r.stage, r.twoPlayer, r.practice})) << r.item;
    }
}

TEST_F(TitleScene, EachPressPlaysItsEffect) {
    shelltest::EffectProbe probe(dir_.path(), {{"titlefocus", &SoundTable.titlefocus}, {"titledecide", &SoundTable.titledecide},
                                               {"titlecancel", &SoundTable.titlecancel}, {"shot_small", &SoundTable.shot_small}});
    struct Case { int32_t state; uint16_t pushed; const char* effect; };
    const char *focus = "titlefocus", *decide = "titledecide", *cancel = "titlecancel";
    // The configuration from its first row: the effects' row, its volume, up twice to the last row, and out.
    const Case cases[] = {
        {kTitleMenu, PAD_DOWN, focus},         {kTitleMenu, PAD_LEFT, focus},      {kTitleMenu, PAD_SHOT, decide},
        {kTitleTeam, PAD_RIGHT, focus},        {kTitleTeam, PAD_SHOT, decide},     {kTitleTeam, PAD_DIRECT, cancel},
        {kTitleDifficulty, PAD_UP, focus},     {kTitleDifficulty, PAD_SHOT, decide}, {kTitleDifficulty, PAD_DIRECT, cancel},
        {kTitlePractice, PAD_DOWN, focus},     {kTitlePractice, PAD_SHOT, decide}, {kTitlePractice, PAD_DIRECT, cancel},
        {kTitleConfig, PAD_DOWN, focus},       {kTitleConfig, PAD_LEFT, "shot_small"}, {kTitleConfig, PAD_UP, focus},
        {kTitleConfig, PAD_UP, focus},         {kTitleConfig, PAD_SHOT, decide}};
    ScoreData.bestStage[0][0] = 5;  // team 2 offered
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.state << " " << c.pushed);
        TitleState.state = c.state;
        TitleState.menuCursor = kMenuSystem;
        GameState.stage = 1;
        Frame(c.pushed);
        EXPECT_EQ(probe.Started(), std::vector<std::string>{c.effect});
    }
}

TEST_F(TitleScene, PlayerTwosShotWorksInTheMenuButNotInTheChoices) {
    TitleState.menuCursor = 1;
    Frame(0, PAD_SHOT);
    ASSERT_EQ(TitleState.state, kTitleTeam);
    EXPECT_EQ(GameState.twoPlayer, 1);
    Frame(0, PAD_SHOT);
    EXPECT_EQ(TitleState.state, kTitleTeam);
    Frame(PAD_SHOT);
    ASSERT_EQ(TitleState.state, kTitleDifficulty);
    Frame(0, PAD_SHOT);
    EXPECT_EQ(TitleState.state, kTitleDifficulty);
    // Practice: the stage choice too.
    ResetTitleState();
    TitleState.menuCursor = 4;
    Frame(PAD_SHOT);
    Frame(PAD_SHOT);
    Frame(PAD_SHOT);
    ASSERT_EQ(TitleState.state, kTitlePractice);
    Frame(0, PAD_SHOT);
    EXPECT_EQ(TitleState.state, kTitlePractice);
    Frame(PAD_DOWN);
    EXPECT_EQ(TitleState.practiceCursor, 0);  // one stage offered
    Frame(0, PAD_DIRECT);
    EXPECT_EQ(TitleState.state, kTitleMenu);
    EXPECT_EQ(GameState.practice, 0);
}

TEST_F(TitleScene, TheExtraStagePicksTheUnlockedTeamAndSkipsTheDifficulty) {
    // The only team with the extra stage is chosen before any press, and stays chosen.
    ScoreData.clearCount[1][1] = 1;  // only team 2 has the extra stage
    TitleState.menuCursor = 2;
    Frame(PAD_SHOT);
    ASSERT_EQ(TitleState.state, kTitleTeam);
    EXPECT_EQ(GameState.stage, 6);
    Frame(0);
    EXPECT_EQ(TitleState.teamCursor, 1);
    Frame(PAD_LEFT);
    EXPECT_EQ(TitleState.teamCursor, 1);
    TitleState.difficultyCursor = 1;
    Frame(PAD_SHOT);
    EXPECT_EQ(TitleState.state, kTitleStartGame);
    EXPECT_EQ(GameState.difficulty, 1);
}

// The start of a game as the calls outside the title see it.
std::vector<std::string>* gCalls = nullptr;
void Record(const std::string& call) { gCalls->push_back(call); }
const cGameStartCalls kSpies = {
    [](int32_t code, float x, float y) {
        Record("spawn " + std::to_string(code) + " " + std::to_string(static_cast<int>(x)) + " " +
               std::to_string(static_cast<int>(y)));
    },
    [](cGameState& state) { Record("common team " + std::to_string(state.team)); },
    [](int32_t stage) { Record("stage " + std::to_string(stage)); },
    [] { Record("release title"); },
    [] { Record("reset"); },
    [] { Record("start stage " + std::to_string(GameState.stage)); },
};

TEST_F(TitleScene, StartingAGameMakesItsCallsInOrderAndEntersTheGameScene) {
    std::vector<std::string> calls;
    gCalls = &calls;
    SetGameStartCalls(&kSpies);
    ScoreData.bestStage[0][0] = 4;  // practice up to stage 3
    ScoreData.bestStage[0][1] = 5;  // team 2 offered
    TitleState.menuCursor = 1;
    Frame(PAD_SHOT);
    Frame(PAD_RIGHT);
    ASSERT_EQ(TitleState.teamCursor, 1);
    Frame(PAD_SHOT);
    Frame(PAD_LEFT);
    EXPECT_EQ(TitleState.difficultyCursor, 0);
    Frame(PAD_SHOT);
    ASSERT_EQ(TitleState.state, kTitleStartGame);
    EXPECT_TRUE(calls.empty());
    Frame(0);
    EXPECT_EQ(calls, (std::vector<std::string>{"spawn 2 320 240", "spawn 3 320 240", "common team 2", "stage 1",
                                               "release title", "reset", "start stage 1"}));
    EXPECT_EQ(GameState.sceneId, kSceneGame);
    EXPECT_EQ(GameState.team, 2);
    EXPECT_EQ(GameState.difficulty, 0);
    EXPECT_EQ(GameState.twoPlayer, 1);

    // Practice on stage 3 of team 1.
    calls.clear();
    GameState.sceneId = kSceneTitle;
    ResetTitleState();
    TitleState.menuCursor = 4;
    Frame(PAD_SHOT);
    Frame(PAD_SHOT);
    TitleState.difficultyCursor = 0;
    Frame(PAD_SHOT);
    Frame(PAD_DOWN);
    Frame(PAD_DOWN);
    Frame(PAD_DOWN);  // past stage 3: back to 1
    Frame(PAD_UP);
    EXPECT_EQ(TitleState.practiceCursor, 2);
    Frame(PAD_SHOT);
    Frame(0);
    EXPECT_EQ(calls, (std::vector<std::string>{"spawn 0 320 240", "spawn 1 320 240", "common team 1", "stage 3",
                                               "release title", "reset", "start stage 3"}));
    EXPECT_EQ(GameState.practiceStage, 3);
    gCalls = nullptr;
}

// The extra stage reads the schedule of difficulty 1, whatever an earlier
// visit to the difficulty choice (backed out of) left the cursor at.
TEST_F(TitleScene, TheExtraStagePlaysOnDifficultyOneWhereverTheCursorWasLeft) {
    static std::string schedule;
    static const cGameStartCalls kScheduleSpy = {
        [](int32_t, float, float) {}, [](cGameState&) {}, [](int32_t) {}, [] {}, [] {},
        [] { schedule = EnemySchedulePath(GameState.stage, GameState.difficulty); },
    };
    SetGameStartCalls(&kScheduleSpy);
    ScoreData.clearCount[0][1] = 1;  // extra stage and difficulty 2 open to team 1
    struct Case {
        uint16_t press;  // on the difficulty choice
        int32_t cursorLeft;
    };
    for (const Case& c : {Case{0, 1}, Case{PAD_DOWN, 0}, Case{PAD_UP, 2}}) {
        SCOPED_TRACE(c.cursorLeft);
        schedule.clear();
        GameState.sceneId = kSceneTitle;
        ResetTitleState();
        Frame(PAD_SHOT);  // one-player game
        Frame(PAD_SHOT);  // team 1
        ASSERT_EQ(TitleState.state, kTitleDifficulty);
        Frame(c.press);
        ASSERT_EQ(TitleState.difficultyCursor, c.cursorLeft);
        Frame(PAD_DIRECT);
        Frame(PAD_DIRECT);
        ASSERT_EQ(TitleState.state, kTitleMenu);
        TitleState.menuCursor = 2;  // extra stage
        Frame(PAD_SHOT);
        Frame(PAD_SHOT);
        ASSERT_EQ(TitleState.state, kTitleStartGame);
        testing::internal::CaptureStdout();  // the team's images are missing: a line each
        Frame(0);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(GameState.sceneId, kSceneGame);
        EXPECT_EQ(GameState.stage, 6);
        EXPECT_EQ(GameState.difficulty, 1);
        EXPECT_EQ(schedule, "./data/stagedata/Stage061Enemy.dat");
    }
}

TEST_F(TitleScene, AGameStartedWithTheRealCallsDoesNotCrash) {
    TitleState.state = kTitleStartGame;
    Frame(0);
    EXPECT_EQ(GameState.sceneId, kSceneGame);
    EXPECT_EQ(GameState.credits, 3);
}

// Quads the title draws, as the sprite table's draw helper sees them.
struct Quad {
    int slot;
    float dst[4];
    float src[4];
};
void Collect(const SpriteDrawRecord& r, void* context) {
    static_cast<std::vector<Quad>*>(context)->push_back(
        Quad{r.slot, {r.dst[0], r.dst[1], r.dst[2], r.dst[3]}, {r.src[0], r.src[1], r.src[2], r.src[3]}});
}

// Stored values are drawn as stored: a stage past the badges (a hand-edited file)
// draws none, and no stage or score overflows on its way to the screen.
TEST_F(TitleScene, TheRankingDrawsTheBadgeOfEachStoredStageItHas) {
    struct Row {
        int32_t stage, score;
        bool badge;
    };
    const Row rows[] = {{0, 0, true},          {7, INT_MAX, true},          {8, INT_MIN, false},
                        {-1, -1, false},        {INT_MAX, INT_MAX, false},   {INT_MIN, INT_MIN, false},
                        {76695845, 1, false},   {3, 5, true},                {-76695845, 0, false},
                        {2, 1000000, true}};  // 28 x 76695845 passes 2^31
    RankingTeam = RankingColumn = 0;
    for (int i = 0; i < 10; ++i) {
        ScoreData.rows[0][i].stage = rows[i].stage;
        ScoreData.rows[0][i].score = rows[i].score;
    }
    ScoreData.rows[0][kShownRows].stage = 4;  // the row past the shown ten is never drawn
    ScoreData.rows[1][0].stage = 5;           // nor another table's
    std::vector<Quad> quads;
    SetSpriteDrawRecorder(Collect, &quads);
    DrawRankingView();
    SetSpriteDrawRecorder(nullptr, nullptr);
    std::vector<Quad> badges;
    for (const Quad& q : quads)
        if (q.src[0] == 840) badges.push_back(q);
    size_t next = 0;
    for (int i = 0; i < 10; ++i) {
        if (!rows[i].badge) continue;
        ASSERT_LT(next, badges.size()) << i;
        EXPECT_EQ(badges[next].dst[1], 130 + 30 * i);
        EXPECT_EQ(badges[next++].src[1], 28 * rows[i].stage);
    }
    EXPECT_EQ(next, badges.size());
    EXPECT_EQ(ScoreData.rows[0][4].stage, INT_MAX) << "the stored value stays";
}

TEST_F(TitleScene, TheRankingViewTurnsThroughTheUnlockedTablesAndLeavesToTheMenu) {
    TitleState.menuCursor = 7;
    Frame(PAD_SHOT);
    ASSERT_EQ(TitleState.state, kTitleRanking);
    Frame(PAD_UP);
    EXPECT_EQ(RankingTeam, 0);  // team 2 not shown without a clear
    Frame(PAD_LEFT);
    EXPECT_EQ(RankingColumn, 2);
    Frame(PAD_RIGHT);
    EXPECT_EQ(RankingColumn, 0);  // 3 is skipped while the extra stage is locked
    Frame(0, PAD_LEFT);
    EXPECT_EQ(RankingColumn, 0);  // only player 1 turns the tables
    ScoreData.clearCount[1][1] = 1;
    Frame(PAD_LEFT);
    EXPECT_EQ(RankingColumn, 3);
    Frame(PAD_RIGHT);
    EXPECT_EQ(RankingColumn, 0);  // past the extra stage's table: back to the first
    Frame(PAD_DOWN);
    EXPECT_EQ(RankingTeam, 0);
    ScoreData.clearCount[0][0] = 1;
    Frame(PAD_DOWN);
    EXPECT_EQ(RankingTeam, 1);
    EXPECT_EQ(GameState.sceneId, kSceneTitle);  // looking at tables starts no game
    TitleState.frameCounter = 500;
    Frame(0, PAD_DIRECT);
    EXPECT_EQ(TitleState.state, kTitleMenu);
    EXPECT_EQ(TitleState.frameCounter, 0);  // the music starts again
    EXPECT_EQ(RankingTeam, 0);
    EXPECT_EQ(RankingColumn, 0);
}

TEST(FullWidthText, MapsEveryByteAsTheRankingShowsIt) {
    char out[64] = {};
    ToFullWidthText("\"Noname\"", out);
    // ☆Ｎｏｎａｍｅ☆
    EXPECT_EQ(std::string(out), "\x81\x99\x82\x6D\x82\x8F\x82\x8E\x82\x81\x82\x8D\x82\x85\x81\x99");
    std::memset(out, 0, sizeof out);
    ToFullWidthText("08/14", out);
    EXPECT_EQ(std::string(out), "\x82\x4F\x82\x57\x81\x5E\x82\x50\x82\x53");
    // Every byte value gives two bytes; outside 33..126 the full-width space.
    for (int c = 1; c < 256; ++c) {
        char source[2] = {static_cast<char>(c), 0};
        std::memset(out, 0, sizeof out);
        ToFullWidthText(source, out);
        ASSERT_EQ(std::strlen(out), 2u) << c;
        const bool blank = c < 33 || c > 126 || c == ';' || c == '^' || c == '`' || c == '|';
        EXPECT_EQ(blank, out[0] == '\x81' && out[1] == '\x40') << c;
    }
    // Appends to what is there, and never beyond the buffer.
    std::memset(out, 0, sizeof out);
    ToFullWidthText("A", out);
    ToFullWidthText("b", out);
    EXPECT_EQ(std::string(out), "\x82\x60\x82\x82");
    ToFullWidthText(std::string(100, 'x').c_str(), out);
    EXPECT_EQ(std::strlen(out), 62u);
    // At the room's edge: n characters take 2n bytes and the terminator; a
    // character without room for both its bytes and the terminator is left out.
    const struct {
        uint32_t capacity;
        size_t length;
    } rooms[] = {{5, 4}, {4, 2}, {3, 2}, {2, 0}, {1, 0}, {7, 6}, {6, 4}};
    for (const auto& r : rooms) {
        char room[16];
        std::memset(room, 0x7F, sizeof room);
        room[0] = '\0';
        ToFullWidthText("abcdef", room, r.capacity);
        EXPECT_EQ(std::strlen(room), r.length) << r.capacity;
        for (size_t i = r.capacity; i < sizeof room; ++i) EXPECT_EQ(room[i], 0x7F) << r.capacity << " wrote at " << i;
    }
    std::memset(out, 0, sizeof out);
    ToFullWidthText("", out);
    EXPECT_EQ(out[0], 0);
}

}  // namespace
