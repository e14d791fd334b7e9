// The result screen: ranking, the name grid, the stored row and the progress.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "game/shell/MenuCommon.h"
#include "game/shell/ResultScene.h"
#include "game/state/SpriteTable.h"
#include "tests/game/shell/effect_probe.h"
#include "tests/game/shell/shell_fixture.h"

namespace {

class ResultScreen : public shelltest::ShellFolder {
protected:
    void SetUp() override {
        ShellFolder::SetUp();
        MakeSaveFolder();
        SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
        FillDefaultScores(ScoreData);
        ScoreData.resultColumn = 1;
        ScoreData.resultTeam = 1;
        GameState.sceneId = kSceneResult;
    }
    void TearDown() override {
        ResetTitleState();
        ShellFolder::TearDown();
    }
    void Frame(uint16_t pushed = 0) {
        shelltest::Press(pushed);
        UpdateResultScene();
    }
    // Frames until the scene leaves (at most `limit`).
    int FramesToTitle(int limit = 400) {
        for (int i = 1; i <= limit; ++i) {
            Frame();
            if (GameState.sceneId == kSceneTitle) return i;
        }
        return -1;
    }
};

TEST_F(ResultScreen, AScoreEqualToTheTenthRowIsNotRankedOneMoreIsTenth) {
    ScoreData.resultScore = 100000;
    Frame();
    EXPECT_EQ(ScoreData.rank, kNotRanked);
    ScoreData.resultScore = 100001;
    Frame();
    EXPECT_EQ(ScoreData.rank, 10);
    ScoreData.rank = kNotRanked;
    ScoreData.resultScore = 5000000;
    Frame();
    EXPECT_EQ(ScoreData.rank, 1);
    // A column or team past the tables ranks nowhere.
    for (const auto& [team, column] : {std::pair{1, 4}, std::pair{3, 0}, std::pair{0, 0}, std::pair{1, -1}}) {
        ScoreData.rank = kNotRanked;
        ScoreData.resultTeam = team;
        ScoreData.resultColumn = column;
        Frame();
        EXPECT_EQ(ScoreData.rank, kNotRanked) << team << ", " << column;
    }
}

TEST_F(ResultScreen, AnEmptyNameIsStoredAsNonameAfter180Frames) {
    ScoreData.resultScore = 950000;
    ScoreData.resultStage = 3;  // lost in stage 3
    Frame();
    ASSERT_EQ(ScoreData.rank, 2);
    Frame(PAD_UP);    // row 0 -> row 3, column 0 stays
    EXPECT_EQ(ScoreData.entryRow, 3);
    Frame(PAD_LEFT);  // wraps to the end cell
    EXPECT_EQ(ScoreData.entryColumn, 14);
    Frame(PAD_SHOT);
    ASSERT_EQ(ScoreData.resultFrame, 1);
    EXPECT_EQ(FramesToTitle(), 179);
    const cRankingRow& row = ScoreData.rows[1][1];
    EXPECT_STREQ(row.name, "\"Noname\"");
    EXPECT_EQ(row.score, 950000);
    EXPECT_EQ(row.stage, 2);
    FormatToday();
    EXPECT_STREQ(row.date, ScoreData.date);
    EXPECT_STREQ(ScoreData.rows[1][2].name, "Crow");  // pushed down
    EXPECT_STREQ(ScoreData.rows[1][9].name, "Leen");  // Kohaku dropped
    EXPECT_EQ(ScoreData.bestStage[0][1], 2);
    EXPECT_EQ(ScoreData.rank, kNotRanked);
    EXPECT_EQ(TitleState.state, kTitleMenu);
    // Saved: the file holds the new row.
    cScoreData saved = ScoreData;
    ScoreData = cScoreData();
    LoadScoreFile();
    EXPECT_STREQ(ScoreData.rows[1][1].name, "\"Noname\"");
    EXPECT_EQ(ScoreData.bestStage[0][1], saved.bestStage[0][1]);
}

TEST_F(ResultScreen, EightCharactersJumpToTheEndAndDeleteReopensTheGrid) {
    ScoreData.resultScore = 2000000;
    Frame();
    Frame(PAD_DIRECT);  // nothing to delete
    EXPECT_EQ(ScoreData.entryLength, 0);
    for (int i = 0; i < 8; ++i) {
        Frame(PAD_RIGHT);
        Frame(PAD_SHOT);
    }
    EXPECT_STREQ(ScoreData.entryName, "BCDEFGHI");
    EXPECT_EQ(ScoreData.entryRow, 3);
    EXPECT_EQ(ScoreData.entryColumn, 14);
    Frame(PAD_UP);  // nothing with a full name
    EXPECT_EQ(ScoreData.entryRow, 3);
    Frame(PAD_LEFT);
    EXPECT_EQ(ScoreData.entryColumn, 12);
    Frame(PAD_SHOT);
    EXPECT_STREQ(ScoreData.entryName, "BCDEFGH");
    EXPECT_EQ(ScoreData.resultFrame, 0);
    Frame(PAD_DOWN);  // the grid moves again: row 0, column 18
    EXPECT_EQ(ScoreData.entryRow, 0);
    EXPECT_EQ(ScoreData.entryColumn, 18);
    Frame(PAD_SHOT);
    EXPECT_STREQ(ScoreData.entryName, "BCDEFGHS");
    Frame(PAD_SHOT);  // on the end cell
    EXPECT_EQ(ScoreData.resultFrame, 1);
}

TEST_F(ResultScreen, TheGridMovesBetweenTheWideRowsAndTheLastRow) {
    ScoreData.resultScore = 2000000;
    Frame();
    ScoreData.entryRow = 2;
    const int columns[] = {0, 11, 12, 14, 15, 19, 20, 22, 23, 25};
    const int expected[] = {0, 11, 11, 11, 12, 12, 13, 13, 14, 14};
    for (int i = 0; i < 10; ++i) {
        ScoreData.entryRow = 2;
        ScoreData.entryColumn = columns[i];
        Frame(PAD_DOWN);
        EXPECT_EQ(ScoreData.entryRow, 3);
        EXPECT_EQ(ScoreData.entryColumn, expected[i]) << columns[i];
    }
    ScoreData.entryColumn = 13;
    Frame(PAD_UP);
    EXPECT_EQ(ScoreData.entryRow, 2);
    EXPECT_EQ(ScoreData.entryColumn, 21);
    Frame(PAD_RIGHT);
    Frame(PAD_RIGHT);
    Frame(PAD_RIGHT);
    Frame(PAD_RIGHT);
    Frame(PAD_RIGHT);
    EXPECT_EQ(ScoreData.entryColumn, 0);  // 26 wraps
    Frame(PAD_SHOT);
    EXPECT_STREQ(ScoreData.entryName, "0");
    ScoreData.entryColumn = 21;
    Frame(PAD_SHOT);
    EXPECT_STREQ(ScoreData.entryName, "0@");
    Frame(PAD_DIRECT);  // the special button deletes as the delete cell does
    EXPECT_STREQ(ScoreData.entryName, "0");
    for (const auto& [row, last] : {std::pair{2, 25}, std::pair{3, 14}}) {
        ScoreData.entryRow = row;
        ScoreData.entryColumn = 0;
        Frame(PAD_LEFT);
        EXPECT_EQ(ScoreData.entryColumn, last) << row;  // wraps back
    }
}

// Typing and the end cell sound the item chime, moving the focus click; deleting is silent.
TEST_F(ResultScreen, EachPressPlaysItsEffect) {
    shelltest::EffectProbe probe(dir_.path(), {{"lifeitemget", &SoundTable.lifeitemget}, {"titlefocus", &SoundTable.titlefocus}});
    struct Case { const char* name; int32_t row, column; uint16_t pushed; const char* effect; };  // effect null: none
    const char *chime = "lifeitemget", *focus = "titlefocus";
    const Case cases[] = {{"", 0, 0, PAD_SHOT, chime},  {"", 0, 0, PAD_UP, focus},      {"", 0, 0, PAD_DOWN, focus},
                          {"", 0, 0, PAD_LEFT, focus},  {"", 0, 0, PAD_RIGHT, focus},   {"AB", 0, 0, PAD_DIRECT, nullptr},
                          {"ABCDEFGH", 3, 12, PAD_SHOT, nullptr}, {"ABCDEFGH", 3, 14, PAD_SHOT, chime}, {"ABCDEFGH", 3, 14, PAD_LEFT, focus}};
    ScoreData.resultScore = 2000000;
    Frame();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " " << c.row << "," << c.column << " " << c.pushed);
        std::snprintf(ScoreData.entryName, sizeof ScoreData.entryName, "%s", c.name);
        ScoreData.entryLength = static_cast<int32_t>(std::strlen(c.name));
        ScoreData.entryRow = c.row;
        ScoreData.entryColumn = c.column;
        ScoreData.resultFrame = 0;
        Frame(c.pushed);
        EXPECT_EQ(probe.Started(), c.effect ? std::vector<std::string>{c.effect} : std::vector<std::string>{});
    }
}

TEST_F(ResultScreen, AClearedGameStoresStageSixAndRaisesTheBestStageToSeven) {
    ScoreData.resultScore = 3000000;
    ScoreData.resultStage = 7;
    Frame();
    ScoreData.entryRow = 3;
    ScoreData.entryColumn = 14;
    Frame(PAD_SHOT);
    ASSERT_GT(FramesToTitle(), 0);
    EXPECT_EQ(ScoreData.rows[1][0].stage, 6);
    EXPECT_EQ(ScoreData.bestStage[0][1], 7);
}

TEST_F(ResultScreen, ANonRankedResultWaitsForPlayerOnesShotThen180Frames) {
    ScoreData.resultScore = 10;
    ScoreData.resultStage = 1;
    ScoreData.bestStage[0][1] = 3;
    for (int i = 0; i < 50; ++i) Frame();
    EXPECT_EQ(GameState.sceneId, kSceneResult);
    shelltest::Press(0, PAD_SHOT);
    UpdateResultScene();  // player 2's SHOT does not count
    EXPECT_EQ(ScoreData.resultFrame, 0);
    Frame(PAD_SHOT);
    EXPECT_EQ(FramesToTitle(), 179);
    EXPECT_EQ(ScoreData.bestStage[0][1], 3);  // never lowered
    EXPECT_STREQ(ScoreData.rows[1][9].name, "Kohaku");
}

TEST_F(ResultScreen, TheBestStageCountsStoryStagesBeforeTheLossAndTheExtraStageItself) {
    for (const auto& [stage, best] : {std::pair{1, 0}, std::pair{2, 1}, std::pair{5, 4}, std::pair{6, 6}, std::pair{7, 7}}) {
        ScoreData.bestStage[0][1] = 0;
        ScoreData.resultScore = 10;
        ScoreData.resultStage = stage;
        GameState.sceneId = kSceneResult;
        Frame(PAD_SHOT);
        ASSERT_GT(FramesToTitle(), 0);
        EXPECT_EQ(ScoreData.bestStage[0][1], best) << stage;
    }
}

// Where a quad is drawn and what it shows.
struct Drawn {
    float x, y, u, v;
    bool operator==(const Drawn&) const = default;
};
Drawn At(const layout::Quad& q) { return {float(q.screen.x), float(q.screen.y), float(q.cell.x), float(q.cell.y)}; }

// Stage, rank, score digits, each typed letter from its own glyph, the cursor after
// a name with room left, the date, the grid and the grid's cursor, small or wide.
TEST_F(ResultScreen, TheScreenDrawsRankScoreNameAndCursors) {
    using namespace layout;
    struct Case {
        int32_t rank, row, column;
        const char* name;
        std::vector<Quad> head;                  // after the backdrop and the stage
        std::vector<std::pair<int, int>> cells;  // the name's glyphs
    };
    const Case cases[] = {
        {2, 1, 4, "Az9@(", {kResultRank.At(0, 2)}, {{0, 0}, {1, 25}, {2, 9}, {2, 21}, {3, 0}}},
        {10, 3, 13, "12345678", {kResultRankTen.At(0, 1), kResultRankTen.At(1, 0)},
         {{2, 1}, {2, 2}, {2, 3}, {2, 4}, {2, 5}, {2, 6}, {2, 7}, {2, 8}}},
        {kNotRanked, 3, 14, "", {}, {{0, 6}, {1, 0}, {1, 12}, {1, 4}, {0, 14}, {1, 21}, {1, 4}, {1, 17}}},  // GameOver
    };
    std::vector<Drawn> drawn;
    SetSpriteDrawRecorder([](const SpriteDrawRecord& r, void* to) {
        static_cast<std::vector<Drawn>*>(to)->push_back({r.dst[0], r.dst[1], r.src[0], r.src[1]}); }, &drawn);
    for (const Case& c : cases) {
        drawn.clear();
        ScoreData.rank = c.rank;
        ScoreData.resultStage = 3;
        ScoreData.resultScore = 950000;
        std::snprintf(ScoreData.entryName, sizeof ScoreData.entryName, "%s", c.name);
        ScoreData.entryLength = static_cast<int32_t>(std::strlen(c.name));
        ScoreData.entryRow = c.row;
        ScoreData.entryColumn = c.column;
        DrawResultScene();
        std::vector<Drawn> want = {At(kBackdrop), At(kResultStage.At(0, 3))};
        for (const Quad& q : c.head) want.push_back(At(q));
        for (int k = 0; k < 6; ++k) want.push_back(At(kResultScore.At(k, "950000"[k] - '0')));
        for (size_t k = 0; k < c.cells.size(); ++k)
            want.push_back(At({kNameLetters.Screen(int(k)), GridGlyphCell(c.cells[k].first, c.cells[k].second)}));
        if (c.rank == 2) want.push_back(At(kNameCursor.At(5, 0)));
        ASSERT_EQ(drawn.size(), want.size() + 7) << c.name;  // and the date's five
        drawn.erase(drawn.begin() + std::ssize(want), drawn.begin() + std::ssize(want) + 5);
        want.push_back(At(kNameGrid));
        want.push_back(At(c.row < 3 ? GridCursor(c.row, c.column) : GridCursorWide(c.column)));
        EXPECT_EQ(drawn, want) << c.name;
    }
    SetSpriteDrawRecorder(nullptr, nullptr);
}

TEST(RankingRows, TheNewRowStaysBelowEqualScoresAndALowRowFallsToTen) {
    ScoreData = cScoreData();
    ScoreData.resultTeam = 2;
    ScoreData.resultColumn = 3;
    cRankingRow* rows = ScoreData.rows[7];
    for (int i = 0; i < 10; ++i) {
        std::snprintf(rows[i].name, sizeof rows[i].name, "r%d", i);
        rows[i].score = i < 5 ? 500 : 100;
    }
    std::snprintf(rows[10].name, sizeof rows[10].name, "new");
    rows[10].score = 500;
    InsertRankingRow();
    EXPECT_STREQ(rows[4].name, "r4");
    EXPECT_STREQ(rows[5].name, "new");
    // The exchange sort moves the first low row out to the scratch row.
    EXPECT_STREQ(rows[6].name, "r6");
    EXPECT_STREQ(rows[9].name, "r9");
    EXPECT_STREQ(rows[10].name, "r5");
}

TEST(NameGrid, SymbolsAndCellsAreInverses) {
    for (int row = 2; row <= 3; ++row)
        for (int column = row == 2 ? 10 : 0; column <= (row == 2 ? 25 : 11); ++column) {
            char c = 0;
            NameGridToChar(row, column, &c);
            int32_t r = -1, col = -1;
            CharToNameGrid(c, &r, &col);
            EXPECT_EQ(r, row);
            EXPECT_EQ(col, column);
        }
    char c = 'x';
    NameGridToChar(2, 3, &c);
    EXPECT_EQ(c, ' ');
    c = 'x';
    NameGridToChar(0, 3, &c);
    EXPECT_EQ(c, 'x');
    for (char other : {' ', '|', '\0'}) {  // no cell of their own: the delete cell
        int32_t r = 0, col = 0;
        CharToNameGrid(other, &r, &col);
        EXPECT_EQ(std::pair(r, col), std::pair(3, 12)) << int(other);
    }
}

}  // namespace
