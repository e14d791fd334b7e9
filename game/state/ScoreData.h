// Rankings, progress counters and play time, kept in "./save/score.dat".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr int32_t kRankingTeams = 2;
constexpr int32_t kDifficultyColumns = 4;
constexpr int32_t kExtraColumn = 3;  // the extra stage's, after the three difficulties
constexpr int32_t kRankingTables = kRankingTeams * kDifficultyColumns;  // difficulty column + 4 * team index
constexpr int32_t kRankingRows = 11;   // row 10 is scratch for a new result
constexpr int32_t kShownRows = 10;
constexpr int32_t kNotRanked = 11;
constexpr uint32_t kPlaySecondsCap = 3599999;  // 999:59:59

struct cRankingRow {
    char name[16];
    char date[8];
    int32_t stage;  // stage reached less one
    int32_t score;
};

class cScoreData {
public:
    cScoreData();

    int32_t entryColumn;
    int32_t entryRow;
    char entryName[16];
    char date[8];
    int32_t entryLength;
    int32_t resultFrame;
    int32_t playFrame;
    int32_t rank;
    cRankingRow rows[kRankingTables][kRankingRows];
    int32_t resultColumn;
    int32_t resultTeam;
    int32_t resultScore;
    int32_t resultStage;
    uint16_t bestStage[kRankingTeams][kDifficultyColumns];
    uint16_t playCount[kRankingTeams][kDifficultyColumns];
    uint16_t clearCount[kRankingTeams][kDifficultyColumns];
    uint32_t finishedGames;
    uint32_t playSeconds;
};
extern cScoreData ScoreData;

// The ranking of rows 0..9 of every table with the given names, dates "08/14", stage 0.
void FillDefaultScores(cScoreData& data);
// The file's text before inversion: 106 lines.
std::string BuildScoreText(const cScoreData& data);
// Reads the text's `size` bytes into the rows and counters. A line the reader
// cannot take (a damaged byte, over-long) costs its own row or counter only; a
// damaged line break costs the lines it touches, and a counter that cannot be
// told from its neighbours keeps its value. Answers how many kept theirs.
int32_t ParseScoreText(const char* text, size_t size, cScoreData& data);

void LoadScoreFile();
void SaveScoreFile();
// One frame of play time: a second every 60 frames, up to the cap.
void AdvancePlayTime(cScoreData& data);
// Today's local date as "MM/DD" into the date field.
void FormatToday();
