// The score file: default table, round trips, damaged files and safe saves.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <functional>
#include <random>

#include "engine/core/KestraLog.h"
#include "game/shell/ConfigScreen.h"
#include "game/shell/KeyConfig.h"
#include "game/state/ScoreData.h"
#include "tests/game/shell/shell_fixture.h"

namespace {

using shelltest::Inverted;

class ScoreFile : public shelltest::ShellFolder {
protected:
    std::string SavedText() { return Inverted(testsupport::ReadFile(File("save/score.dat"))); }
    void WriteText(const std::string& text) { testsupport::WriteFile(File("save/score.dat"), Inverted(text)); }
};

// The default file's text, built from the name lists alone.
std::string DefaultText() {
    const char* names[10] = {"Yuri", "Crow", "Shamyu", "Fururu", "Chris", "Momo", "Nono", "Othellot", "Leen", "Kohaku"};
    const char* extra[10] = {"Fenwal", "Moribe", "Kobri", "Lusta", "vemp", "Zantel3", "Pekko", "Vorasi27", "Tirno", "wemblor"};
    std::string text;
    for (int table = 0; table < 8; ++table)
        for (int row = 0; row < 10; ++row)
            text += std::string(table % 4 == 3 ? extra[row] : names[row]) + "|" + std::to_string(100000 * (10 - row)) +
                    "|08/14|0\n";
    for (int i = 0; i < 26; ++i) text += "0\n";
    return text;
}

static_assert(kRankingTables == 8 && kShownRows == 10);  // written out, not taken from the product

void ExpectSameData(const cScoreData& a, const cScoreData& b) {
    for (int t = 0; t < kRankingTables; ++t)
        for (int r = 0; r < kShownRows; ++r) {
            SCOPED_TRACE(testing::Message() << "table " << t << " row " << r);
            EXPECT_STREQ(a.rows[t][r].name, b.rows[t][r].name);
            EXPECT_STREQ(a.rows[t][r].date, b.rows[t][r].date);
            EXPECT_EQ(a.rows[t][r].score, b.rows[t][r].score);
            EXPECT_EQ(a.rows[t][r].stage, b.rows[t][r].stage);
        }
    for (int team = 0; team < 2; ++team)
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(a.bestStage[team][c], b.bestStage[team][c]);
            EXPECT_EQ(a.playCount[team][c], b.playCount[team][c]);
            EXPECT_EQ(a.clearCount[team][c], b.clearCount[team][c]);
        }
    EXPECT_EQ(a.finishedGames, b.finishedGames);
    EXPECT_EQ(a.playSeconds, b.playSeconds);
}

TEST_F(ScoreFile, AMissingFileGivesTheDefaultTableAndSavesItByteForByte) {
    MakeSaveFolder();
    LoadScoreFile();
    EXPECT_EQ(ScoreData.rank, kNotRanked);
    SaveScoreFile();
    const std::string bytes = testsupport::ReadFile(File("save/score.dat"));
    EXPECT_EQ(bytes, Inverted(DefaultText()));
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xA6);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(File("save")), {}), 1);  // nothing left beside it
}

TEST_F(ScoreFile, RandomTablesSurviveASaveAndALoad) {
    MakeSaveFolder();
    std::mt19937 random(20071201);
    // Shift-JIS characters, two of them with a backslash as their trail byte.
    const std::string wide[] = {"\x83\x4E", "\x95\x5C", "\x83\x5C", "\x82\xA0"};
    for (int round = 0; round < 25; ++round) {
        cScoreData original;
        for (int t = 0; t < kRankingTables; ++t)
            for (int r = 0; r < kShownRows; ++r) {
                cRankingRow& row = original.rows[t][r];
                std::string name;
                const int length = static_cast<int>(random() % 9);
                while (static_cast<int>(name.size()) < length) {
                    if (random() % 3 == 0 && name.size() + 2 <= 15) name += wide[random() % 4];
                    else name += static_cast<char>('!' + random() % 90);  // "!".."z", never "|"
                }
                std::snprintf(row.name, sizeof row.name, "%s", name.c_str());
                if (random() % 4 == 0) row.date[0] = '\0';
                else std::snprintf(row.date, sizeof row.date, "%02u/%02u", static_cast<unsigned>(random() % 13), static_cast<unsigned>(random() % 32));
                row.score = static_cast<int32_t>(random());  // either sign
                if (random() % 11 == 0) row.score = INT_MIN;
                row.stage = static_cast<int32_t>(random() % 9) - 1;
            }
        for (int team = 0; team < 2; ++team)
            for (int c = 0; c < 4; ++c) {
                original.bestStage[team][c] = static_cast<uint16_t>(random());
                original.playCount[team][c] = static_cast<uint16_t>(random());
                original.clearCount[team][c] = static_cast<uint16_t>(random());
            }
        original.finishedGames = static_cast<uint32_t>(random());
        original.playSeconds = round == 0 ? 0xFFFFFFFFu : static_cast<uint32_t>(random());
        ScoreData = original;
        SaveScoreFile();
        ScoreData = cScoreData();
        LoadScoreFile();
        SCOPED_TRACE(round);
        ExpectSameData(ScoreData, original);
    }
}

TEST_F(ScoreFile, AnEmptyFileGivesEmptyRowsAndZeroCounters) {
    MakeSaveFolder();
    testsupport::WriteFile(File("save/score.dat"), "");
    LoadScoreFile();
    ExpectSameData(ScoreData, cScoreData());
}

TEST_F(ScoreFile, ACarriageReturnBeforeEachLineEndIsDropped) {
    MakeSaveFolder();
    std::string text;
    for (const char c : DefaultText()) text += c == '\n' ? std::string("\r\n") : std::string(1, c);
    // The first row at the 63-byte line limit before its CR, its stage 3.
    WriteText("Yuri|1000000|08/14|3|" + std::string(42, 'x') + text.substr(text.find('\r')));
    LoadScoreFile();
    cScoreData want;
    FillDefaultScores(want);
    want.rows[0][0].stage = 3;
    ExpectSameData(ScoreData, want);
}

TEST_F(ScoreFile, ATruncatedFileKeepsTheLinesItHas) {
    MakeSaveFolder();
    std::string text = DefaultText();
    // Cut inside the 51st line: "Yuri" of table 5 keeps "Yu".
    size_t at = 0;
    for (int i = 0; i < 50; ++i) at = text.find('\n', at) + 1;
    WriteText(text.substr(0, at + 2));
    LoadScoreFile();
    EXPECT_STREQ(ScoreData.rows[4][9].name, "Kohaku");
    EXPECT_EQ(ScoreData.rows[4][9].score, 100000);
    EXPECT_STREQ(ScoreData.rows[5][0].name, "Yu");
    EXPECT_EQ(ScoreData.rows[5][0].score, 0);
    EXPECT_STREQ(ScoreData.rows[5][1].name, "");
    EXPECT_EQ(ScoreData.rows[7][9].stage, 0);
    EXPECT_EQ(ScoreData.playSeconds, 0u);
}

TEST_F(ScoreFile, OnlyTheFirst4095BytesOfALongFileAreRead) {
    MakeSaveFolder();
    std::string text = DefaultText();
    text.replace(text.size() - 2, 1, "77");  // play time 77
    std::string padded = text;
    padded.resize(4095, '\n');
    padded += "123\n";  // beyond the limit
    padded.resize(5000, 'z');
    WriteText(padded);
    LoadScoreFile();
    EXPECT_EQ(ScoreData.playSeconds, 77u);
    EXPECT_STREQ(ScoreData.rows[7][9].name, "wemblor");
    SaveScoreFile();  // more than the reader takes: kept first, to one byte past the limit
    EXPECT_EQ(testsupport::ReadFile(File("save/score.dat.damaged")), Inverted(padded.substr(0, 4096)));
}

TEST_F(ScoreFile, AnOverLongLineIsSkippedAndTheLinesAfterItAreRead) {
    MakeSaveFolder();
    std::string text = DefaultText();
    const std::string longLine = std::string(70, 'L') + "|5|01/01|3";
    const size_t second = text.find('\n') + 1;
    text.replace(second, text.find('\n', second) - second, longLine);
    WriteText(text);
    LoadScoreFile();
    EXPECT_STREQ(ScoreData.rows[0][0].name, "Yuri");
    // The row keeps what it had and gets stage 0.
    EXPECT_STREQ(ScoreData.rows[0][1].name, "");
    EXPECT_EQ(ScoreData.rows[0][1].score, 0);
    EXPECT_EQ(ScoreData.rows[0][1].stage, 0);
    EXPECT_STREQ(ScoreData.rows[0][2].name, "Shamyu");
    EXPECT_STREQ(ScoreData.rows[7][9].name, "wemblor");
}

// A zero byte in a row or a counter, a byte turned into a line break, a line break
// into another byte: only the lines it touches are lost. The next save first
// keeps the file as found, once, as score.dat.damaged.
TEST_F(ScoreFile, ADamagedByteCostsOnlyItsOwnRowAndTheFileIsKeptOnce) {
    MakeSaveFolder();
    std::string good = DefaultText();  // with counters 1..25 (finished games 1009) and a play time of 77777 s
    good.resize(good.size() - 52);
    for (int i = 1; i <= 25; ++i) good += std::to_string(i == 9 ? 1009 : i) + "\n";
    good += "77777\n";
    struct Damage {
        size_t line, at;
        char byte;
        std::vector<size_t> lost;
        std::vector<size_t> kept = {};  // counters that cannot be placed keep what they had (7)
    };
    // A line break into a digit joins two counters, one in a counter splits it:
    // the counters it touches are lost, or kept where the split could lie at two.
    const Damage damages[] = {{0, 2, '\0', {0}},     {5, 6, '\n', {5}},  {5, 19, 'x', {5, 6}}, {79, 10, '\n', {79}},
                              {88, 0, '\0', {88}},   {80, 1, '5', {80, 81}}, {79, 22, '5', {79, 80}},
                              {104, 0, '\n', {}, {103, 104}}, {103, 2, '1', {103, 104}},
                              {104, 2, '3', {104, 105}}};
    std::vector<std::string> lines;
    for (size_t at = 0; at < good.size(); at = good.find('\n', at) + 1)
        lines.push_back(good.substr(at, good.find('\n', at) - at));
    for (const Damage& d : damages) {
        SCOPED_TRACE(testing::Message() << "line " << d.line << " byte " << d.at);
        std::string damaged = good;
        size_t start = 0;
        for (size_t i = 0; i < d.line; ++i) start = damaged.find('\n', start) + 1;
        damaged[start + d.at] = d.byte;
        WriteText(damaged);
        ScoreData = cScoreData();
        for (int t = 0; t < kRankingTables; ++t)
            ScoreData.bestStage[t / 4][t % 4] = ScoreData.playCount[t / 4][t % 4] = ScoreData.clearCount[t / 4][t % 4] = 7;
        ScoreData.finishedGames = ScoreData.playSeconds = 7;
        LoadScoreFile();
        std::string expected;
        for (size_t i = 0; i < lines.size(); ++i)
            expected += (std::count(d.lost.begin(), d.lost.end(), i)   ? (i < 80 ? "|0||0" : "0")
                         : std::count(d.kept.begin(), d.kept.end(), i) ? "7"
                                                                       : lines[i]) +
                        "\n";
        EXPECT_EQ(BuildScoreText(ScoreData), expected);
        SaveScoreFile();
        EXPECT_EQ(testsupport::ReadFile(File("save/score.dat.damaged")), Inverted(damaged));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(File("save")), {}), 2);
    }
    // A file that reads cleanly says nothing of damage and is saved without keeping anything.
    const std::string kept = testsupport::ReadFile(File("save/score.dat.damaged"));
    Kestra::SetLogFile(File("log").c_str(), "html");
    ASSERT_TRUE(Kestra::OpenLog("t"));
    LoadScoreFile();
    Kestra::CloseLog();
    EXPECT_EQ(testsupport::ReadFile(File("log.html")).find(testsupport::Sjis(u8"読み取れない部分")), std::string::npos);
    SaveScoreFile();
    EXPECT_EQ(testsupport::ReadFile(File("save/score.dat.damaged")), kept);
}

// The keep-copy of a damaged file holds at most what its reader read and a byte
// more; one that cannot be made is logged and the save goes on, leaving nothing
// else beside the files.
TEST_F(ScoreFile, KeepingADamagedFileIsBoundedAndNeverStopsTheSave) {
    MakeSaveFolder();
    std::string damaged = DefaultText();
    damaged[3] = '\0';
    const std::string outside = File("outside.txt");
    struct Row {
        const char* what;
        std::function<void()> beforeLoad, beforeSave;
        size_t kept;  // bytes of score.dat.damaged (0: none made)
        const char8_t* logged;
    };
    const Row rows[] = {
        {"a sparse tail of a gigabyte", [&] { std::filesystem::resize_file(File("save/score.dat"), 1ull << 30); },
         [] {}, 4096, u8"読み取れない部分のあったファイルを残しました"},
        {"a folder at the kept name", [&] { std::filesystem::create_directories(File("save/score.dat.damaged/x")); },
         [] {}, 0, u8"ファイルを保存できませんでした"},
        {"a link in its place after the load", [] {},
         [&] {
             std::filesystem::remove(File("save/score.dat"));
             std::filesystem::create_symlink(outside, File("save/score.dat"));
         },
         0, u8"ファイル読み込みに失敗しました"},
        {"a disk that fails the keep-copy", [] {}, [] { platform::InjectFault("WriteFile", 0, 1); }, 0,
         u8"ファイルを保存できませんでした"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        testsupport::WriteFile(outside, "outside");
        WriteText(damaged);
        row.beforeLoad();
        Kestra::SetLogFile(File("log").c_str(), "html");
        ASSERT_TRUE(Kestra::OpenLog("t"));
        LoadScoreFile();
        row.beforeSave();
        SaveScoreFile();
        SaveScoreFile();  // kept at the first save only
        Kestra::CloseLog();
        EXPECT_NE(testsupport::ReadFile(File("log.html")).find(testsupport::Sjis(row.logged)), std::string::npos);
        EXPECT_EQ(SavedText(), BuildScoreText(ScoreData));
        EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(File("save/score.dat"))));
        EXPECT_EQ(testsupport::ReadFile(outside), "outside");
        const std::string kept = File("save/score.dat.damaged");
        EXPECT_EQ(std::filesystem::is_regular_file(kept) ? std::filesystem::file_size(kept) : 0, row.kept);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(File("save")), {}), 1 + std::filesystem::exists(kept));
        std::filesystem::remove_all(kept);
    }
}

TEST_F(ScoreFile, NumbersSaturateAndExtraFieldsGiveTheFourthAsStage) {
    MakeSaveFolder();
    std::string text = "A|99999999999|1/2|4|9\n" "B|-99999999999|x\n" "C\n";
    for (int i = 3; i < 80; ++i) text += "n|1|d|1\n";
    text += "70000\n";            // best stage of table 0: low 16 bits
    for (int i = 1; i < 8; ++i) text += "1\n";
    text += "-3\n";               // finished games
    for (int i = 0; i < 16; ++i) text += "2\n";
    text += "99999999999\n";      // play time
    WriteText(text);
    ScoreData.rows[0][1].stage = ScoreData.rows[0][2].stage = ScoreData.rows[0][2].score = 7;  // replaced, not kept
    LoadScoreFile();
    EXPECT_EQ(ScoreData.rows[0][0].score, INT_MAX);
    EXPECT_EQ(ScoreData.rows[0][0].stage, 4);
    EXPECT_STREQ(ScoreData.rows[0][0].date, "1/2");
    EXPECT_EQ(ScoreData.rows[0][1].score, INT_MIN);
    EXPECT_STREQ(ScoreData.rows[0][1].date, "x");
    EXPECT_EQ(ScoreData.rows[0][1].stage, 0);
    EXPECT_STREQ(ScoreData.rows[0][2].name, "C");
    EXPECT_EQ(ScoreData.rows[0][2].score, 0);
    EXPECT_EQ(ScoreData.rows[0][2].stage, 0);
    EXPECT_EQ(ScoreData.bestStage[0][0], 70000 & 0xFFFF);
    EXPECT_EQ(ScoreData.finishedGames, 0u);
    EXPECT_EQ(ScoreData.playSeconds, 0xFFFFFFFFu);
}

TEST_F(ScoreFile, NamesAreCutOnWholeCharactersSoASaveReadsBackTheSame) {
    MakeSaveFolder();
    std::string text = "ABCDEFGHIJKLMN\x83\x4E|7|08/14|1\n" "ab\x83\n" "\x83|5|x|2\n";
    WriteText(text);
    LoadScoreFile();
    EXPECT_STREQ(ScoreData.rows[0][0].name, "ABCDEFGHIJKLMN");
    EXPECT_EQ(ScoreData.rows[0][0].score, 7);
    EXPECT_STREQ(ScoreData.rows[0][1].name, "ab");
    // The line splits at every "|", a lead byte before one too; the lone lead byte is dropped.
    EXPECT_STREQ(ScoreData.rows[0][2].name, "");
    EXPECT_EQ(ScoreData.rows[0][2].score, 5);
    EXPECT_STREQ(ScoreData.rows[0][2].date, "x");
    EXPECT_EQ(ScoreData.rows[0][2].stage, 2);
    const cScoreData loaded = ScoreData;
    SaveScoreFile();
    ScoreData = cScoreData();
    LoadScoreFile();
    ExpectSameData(ScoreData, loaded);
}

TEST_F(ScoreFile, WithoutTheSaveFolderNothingIsWrittenAndTheDefaultsLoad) {
    LoadScoreFile();
    EXPECT_STREQ(ScoreData.rows[0][0].name, "Yuri");
    SaveScoreFile();
    EXPECT_FALSE(std::filesystem::exists(File("save")));
}

// A link out of the folder, a folder or a pipe at a save file's name is never read
// or written through: the load names it in the log; the save replaces the link and
// the pipe, and fails on the folder with a line naming it.
TEST_F(ScoreFile, NoSaveFileIsReadOrWrittenThroughWhatElseStandsAtItsName) {
    MakeSaveFolder();
    struct Kind {
        const char* name;
        void (*load)();
        void (*save)();
    };
    const std::string outside = File("outside.txt");
    for (const Kind& file : {Kind{"save/score.dat", LoadScoreFile, SaveScoreFile},
                             Kind{"save/vol.dat", LoadVolumeFile, SaveVolumeFile},
                             Kind{"KeyMap.ini", LoadKeyMap, SaveKeyMap}})
        for (int what = 0; what < 3; ++what) {
            SCOPED_TRACE(std::string(file.name) + (what == 0 ? ": a link" : what == 1 ? ": a folder" : ": a pipe"));
            const std::string path = File(file.name);
            testsupport::WriteFile(outside, "outside");
            if (what == 1) {
                std::filesystem::create_directories(path + "/inside");
            } else {
                ASSERT_EQ(what == 0 ? symlink(outside.c_str(), path.c_str()) : mkfifo(path.c_str(), 0600), 0);
            }
            Kestra::SetLogFile(File("log").c_str(), "html");
            ASSERT_TRUE(Kestra::OpenLog("t"));
            file.load();
            file.save();
            Kestra::CloseLog();
            const std::string log = testsupport::ReadFile(File("log.html"));
            EXPECT_NE(log.find(testsupport::Sjis(u8"通常のファイルではありません")), std::string::npos);
            EXPECT_EQ(log.find(testsupport::Sjis(u8"ファイルを保存できませんでした")) != std::string::npos, what == 1);
            EXPECT_EQ(testsupport::ReadFile(outside), "outside");
            EXPECT_EQ(std::filesystem::is_regular_file(std::filesystem::symlink_status(path)), what != 1);
            std::filesystem::remove_all(path);
        }
    EXPECT_STREQ(ScoreData.rows[0][0].name, "Yuri");
}

// A save that fails at any step leaves the previous file whole and nothing beside
// it: the disk full after the first piece, the flush before the rename, every
// name for the new file already taken. A few names taken are passed over; the
// folder's flush after the rename is the one step that leaves the new file.
TEST_F(ScoreFile, ASaveThatFailsHalfwayLeavesThePreviousFileWhole) {
    MakeSaveFolder();
    LoadScoreFile();
    SaveScoreFile();
    const std::string before = testsupport::ReadFile(File("save/score.dat"));
    ScoreData.rows[0][0].score = 5;
    ScoreData.playSeconds = 999;
    const std::string after = Inverted(BuildScoreText(ScoreData));
    const struct {
        const char* fault;
        int pass, fail;
        bool saved;
    } rows[] = {{"WriteFile", 1, 1, false},         {"FlushFileBuffers", 0, 1, false},
                {"CreateFileA.taken", 0, -1, false}, {"CreateFileA.taken", 0, 15, true},
                {"MoveFileExA.sync", 0, 1, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.fault << " " << row.fail);
        testsupport::WriteFile(File("save/score.dat"), before);
        Kestra::SetLogFile(File("log").c_str(), "html");
        ASSERT_TRUE(Kestra::OpenLog("t"));
        platform::InjectFault(row.fault, row.pass, row.fail);
        SaveScoreFile();
        platform::ClearFaults();
        Kestra::CloseLog();
        EXPECT_EQ(testsupport::ReadFile(File("save/score.dat")), row.saved ? after : before);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(File("save")), {}), 1);  // nothing left beside it
        EXPECT_EQ(testsupport::ReadFile(File("log.html")).find(testsupport::Sjis(u8"ファイルを保存できませんでした")) !=
                      std::string::npos,
                  row.fail != 15);
    }
}

static_assert(kPlaySecondsCap == 3599999);  // 999:59:59, written out

TEST(PlayTime, CountsSecondsEverySixtyFramesAndStopsAtTheCap) {
    cScoreData data;
    for (int i = 0; i < 59; ++i) AdvancePlayTime(data);
    EXPECT_EQ(data.playSeconds, 0u);
    AdvancePlayTime(data);
    EXPECT_EQ(data.playSeconds, 1u);
    EXPECT_EQ(data.playFrame, 0);
    data.playSeconds = kPlaySecondsCap - 1;
    for (int i = 0; i < 60; ++i) AdvancePlayTime(data);
    EXPECT_EQ(data.playSeconds, kPlaySecondsCap);
    AdvancePlayTime(data);
    EXPECT_EQ(data.playSeconds, kPlaySecondsCap);
    EXPECT_EQ(data.playFrame, 0);
}

TEST(Today, IsTheLocalMonthAndDay) {
    ScoreData = cScoreData();
    FormatToday();
    const std::time_t now = std::time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    char expected[32];
    std::snprintf(expected, sizeof expected, "%02d/%02d", local.tm_mon + 1, local.tm_mday);
    EXPECT_STREQ(ScoreData.date, expected);
}

}  // namespace
