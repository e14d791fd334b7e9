// The real program at its title: the window's picture, the menu's way out, the
// configuration and key screens with their files, the ranking view, and the
// lines on standard output.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "tests/engine/core/private_display.h"
#include "tests/game/shell/program_steps.h"
#include "tests/support/program_run.h"
#include "tests/support/test_support.h"

namespace {

using testsupport::FlatRect;
using testsupport::Rgb;
using namespace programsteps;

// The colours of the test's own title sheet, one per source rectangle.
constexpr uint32_t kTitleBackground = 0xFF203040;
constexpr uint32_t kLogo = 0xFFC08020;
constexpr uint32_t kMenu = 0xFF40A060;
constexpr uint32_t kHighlightLeft = 0xFFE0E040;
constexpr uint32_t kHighlightRight = 0xFF6040E0;
constexpr uint32_t kCircle = 0xFF808080;
constexpr uint32_t kPanel = 0xFF104080;
// The ranking sheet: background, the headings of tables 0 and 2, and the
// stage-0 picture.
constexpr uint32_t kRankingBackground = 0xFF302010;
constexpr uint32_t kHeading0 = 0xFFF02040;
constexpr uint32_t kHeading2 = 0xFF20F040;
constexpr uint32_t kStage0 = 0xFF4080F0;

Rgb RgbOf(uint32_t argb) { return Rgb{static_cast<int>(argb >> 16 & 0xFF), static_cast<int>(argb >> 8 & 0xFF), static_cast<int>(argb & 0xFF)}; }

// A program folder with the test's title and ranking sheets and a save folder.
void PrepareFolder(const std::string& folder, bool withTitle = true) {
    std::filesystem::create_directories(folder + "/save");
    if (withTitle)
        testsupport::WriteFlatPng(folder + "/img/title.png", 1024, 2048, kTitleBackground,
                                  {{640, 0, 325, 153, kLogo},
                                   {0, 480, 484, 206, kMenu},
                                   {816, 153, 176, 22, kHighlightLeft},
                                   {640, 153, 176, 22, kHighlightRight},
                                   {577, 556, 446, 446, kCircle},
                                   {640, 299, 256, 256, kPanel}});
    testsupport::WriteFlatPng(folder + "/img/ranking.png", 1024, 512, kRankingBackground,
                              {{640, 0, 200, 60, kHeading0}, {640, 120, 200, 60, kHeading2}, {840, 0, 104, 27, kStage0}});
}

std::string Decoded(const std::string& bytes) {
    std::string text = bytes;
    for (char& c : text) c = static_cast<char>(~static_cast<unsigned char>(c));
    return text;
}

// What every way out leaves behind: the release lines last on standard output,
// and the score file with the default table and some play time.
void ExpectOrderlyExit(Program& program, const std::string& folder) {
    const std::string out = program.Output();
    const std::string release = Utf8(u8"【releaseSprite】\n");
    const std::string font = Utf8(u8"【releaseFontSprite】\n");
    EXPECT_EQ(Count(out, release), 44u);
    EXPECT_EQ(Count(out, font), 2u);
    std::string tail;
    for (int i = 0; i < 44; ++i) tail += release;
    tail += font + font;
    ASSERT_GE(out.size(), tail.size());
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail);

    const std::string text = Decoded(testsupport::ReadFile(folder + "/save/score.dat"));
    EXPECT_EQ(text.rfind("Yuri|1000000|08/14|0\nCrow|900000|08/14|0\n", 0), 0u);
    EXPECT_NE(text.find("wemblor|100000|08/14|0\n"), std::string::npos);
    EXPECT_EQ(Count(text, "\n"), 106u);
    const size_t last = text.rfind('\n', text.size() - 2);
    EXPECT_GE(std::stoul(text.substr(last + 1)), 1u);
}

TEST(QuenrithTitle, ShowsTheTitleSheetAndQuitsFromTheMenu) {
    testdisplay::PrivateDisplay display;
    testsupport::TempDir dir;
    PrepareFolder(dir.path());
    Program program(dir.path(), dir.path() + "/run", Display());
    Ready(program);
    EXPECT_EQ(program.WaitForPixel(5, 5, RgbOf(kTitleBackground)), RgbOf(kTitleBackground));
    EXPECT_EQ(program.Pixel(5, 470), RgbOf(kTitleBackground));
    EXPECT_EQ(program.Pixel(100, 100), RgbOf(kLogo));
    EXPECT_EQ(program.Pixel(60, 300), RgbOf(kMenu));
    EXPECT_EQ(program.Pixel(100, 240), RgbOf(kHighlightLeft));
    // The circle turns about (623, 523): what lies within 223 pixels of it is
    // always covered.
    EXPECT_EQ(program.WaitForPixel(635, 330, RgbOf(kCircle)), RgbOf(kCircle));

    program.Key("Right");
    // Item 6: the highlight moves to the right column at (410, 273).
    EXPECT_EQ(program.WaitForPixel(420, 280, RgbOf(kHighlightRight)), RgbOf(kHighlightRight));
    program.Keys({"Down", "Down", "Down", "z"});
    ASSERT_EQ(program.WaitExit(kExitTimeout), 0);
    ExpectOrderlyExit(program, dir.path());
    EXPECT_TRUE(program.Boxes().empty());

    // The start-up effects were asked for in their order, then the fonts.
    std::vector<std::string> effects;
    const std::string log = program.Log();
    static const std::regex effect(R"(SE/([A-Za-z0-9_]+)\.wav)");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), effect); it != std::sregex_iterator(); ++it)
        if (effects.empty() || effects.back() != (*it)[1]) effects.push_back((*it)[1]);
    EXPECT_EQ(effects, (std::vector<std::string>{
                           "charge", "forcebrake", "boss_death", "shot_enemy_normal", "enemybreak_01", "raser_long",
                           "rt_star14", "rt_star22", "xmasbell", "changeattribute", "shot_small", "enemyshot_short",
                           "BigShot", "Lock_Open", "draw_block", "reflectbullet", "rt_cursor01", "enemydamage_small",
                           "playerdamage", "nonochach", "titlefocus", "titledecide", "titlecancel", "itemget",
                           "lifeitemget", "gameover", "menuopen", "crystalhit", "knifeswing", "stillattack",
                           "shamyuhit", "puni", "Stardust", "crystalactive"}));
    const std::string out = program.Output();
    EXPECT_LT(out.find(Utf8(u8"【loadFontSprite】 FontFileName: font.lfd\n")),
              out.find(Utf8(u8"【loadFontSprite】 FontFileName: skillfont.lfd\n")));
}

TEST(QuenrithTitle, AltF4AndTheCloseBoxSaveAndReleaseTheSameWay) {
    for (int way = 0; way < 2; ++way) {
        SCOPED_TRACE(way == 0 ? "Alt+F4" : "close box");
        testdisplay::PrivateDisplay display;
        testsupport::TempDir dir;
        PrepareFolder(dir.path());
        Program program(dir.path(), dir.path() + "/run", Display());
        Ready(program);
        ASSERT_GE(WaitForFrames(program, 90), 90);  // more than a second of play time
        if (way == 0) program.X("xdotool key --clearmodifiers alt+F4");
        else ASSERT_TRUE(testsupport::SendCloseBox(Display(), program.window()));
        ASSERT_EQ(program.WaitExit(kExitTimeout), 0);
        ExpectOrderlyExit(program, dir.path());
    }
}

TEST(QuenrithTitle, AMissingTitleSheetStillBootsWithWhiteRectangles) {
    testdisplay::PrivateDisplay display;
    testsupport::TempDir dir;
    PrepareFolder(dir.path(), false);
    Program program(dir.path(), dir.path() + "/run", Display());
    Ready(program);
    EXPECT_NE(program.Output().find(Utf8(u8"【loadSprite】 filename: img/title.png\n\n【 ! loadSprite Failed】")),
              std::string::npos);
    EXPECT_EQ(program.WaitForPixel(5, 5, Rgb{255, 255, 255}), (Rgb{255, 255, 255}));
    CloseCleanly(program);
}

bool IsVolumeLine(const std::string& bytes) { return !bytes.empty(); }

TEST(QuenrithTitle, VolumesSetOnTheConfigurationScreenSurviveARestart) {
    testsupport::TempDir dir;
    PrepareFolder(dir.path());
    {
        testdisplay::PrivateDisplay display;
        Program program(dir.path(), dir.path() + "/run", Display());
        Ready(program);
        // Item 8, then music up, effects down, and back through item 3.
        program.Keys({"Right", "Down", "Down", "z", "Right", "Down", "Left", "Down", "Down", "z"});
        ASSERT_TRUE(program.WaitForFile("save/vol.dat", 30, IsVolumeLine));
        EXPECT_EQ(testsupport::ReadFile(dir.file("save/vol.dat")), "100 80\r\n");
        program.X("xdotool key --clearmodifiers alt+F4");
        ASSERT_EQ(program.WaitExit(kExitTimeout), 0);
    }
    std::filesystem::remove(dir.file("save/vol.dat"));
    testsupport::WriteFile(dir.file("save/vol.dat"), "100 80\r\n");
    {
        testdisplay::PrivateDisplay display;
        Program program(dir.path(), dir.path() + "/run", Display());
        Ready(program);
        std::filesystem::remove(dir.file("save/vol.dat"));
        // Leaving the screen again saves what was loaded.
        program.Keys({"Right", "Down", "Down", "z", "Up", "z"});
        ASSERT_TRUE(program.WaitForFile("save/vol.dat", 30, IsVolumeLine));
        EXPECT_EQ(testsupport::ReadFile(dir.file("save/vol.dat")), "100 80\r\n");
        program.X("xdotool key --clearmodifiers alt+F4");
        ASSERT_EQ(program.WaitExit(kExitTimeout), 0);
    }
}

bool HasNewShotKey(const std::string& bytes) { return bytes.find("KEY_SHOT=36\r\n") != std::string::npos; }

TEST(QuenrithTitle, RedefinedKeysAreSavedAndConfirmAfterARestart) {
    testsupport::TempDir dir;
    PrepareFolder(dir.path());
    {
        testdisplay::PrivateDisplay display;
        Program program(dir.path(), dir.path() + "/run", Display());
        Ready(program);
        // Configuration, key configuration, player 1's column, then ten keys:
        // W S A D for the directions, J for SHOT, and K L I O P.
        program.Keys({"Right", "Down", "Down", "z", "Down", "Down", "z", "Right", "z"});
        program.Keys({"w", "s", "a", "d", "j", "k", "l", "i", "o", "p"});
        ASSERT_TRUE(program.WaitForFile("KeyMap.ini", 30, HasNewShotKey));
        const std::string file = testsupport::ReadFile(dir.file("KeyMap.ini"));
        EXPECT_EQ(Count(file, "\r\n"), 40u);
        const size_t p1 = file.find("[PLAYER1]");
        const size_t p2 = file.find("[PLAYER2]");
        ASSERT_LT(p1, p2);
        const std::string player1 = file.substr(p1, p2 - p1);
        for (const char* line : {"KEYBOARD=1\r\n", "KEY_UP=17\r\n", "KEY_DOWN=31\r\n", "KEY_LEFT=30\r\n",
                                 "KEY_RIGHT=32\r\n", "KEY_SHOT=36\r\n", "KEY_DIRECT=37\r\n", "KEY_MENU=25\r\n"})
            EXPECT_NE(player1.find(line), std::string::npos) << line;
        program.X("xdotool key --clearmodifiers alt+F4");
        ASSERT_EQ(program.WaitExit(kExitTimeout), 0);
    }
    {
        testdisplay::PrivateDisplay display;
        Program program(dir.path(), dir.path() + "/run", Display());
        Ready(program);
        // Player 2 keeps the arrows; player 1's new SHOT key J picks "quit".
        program.Keys({"Right", "Down", "Down", "Down", "j"});
        ASSERT_EQ(program.WaitExit(kExitTimeout), 0);
    }
}

TEST(QuenrithTitle, TheRankingViewShowsTheDefaultTableAndRestartsTheMusicOnLeaving) {
    testdisplay::PrivateDisplay display;
    testsupport::TempDir dir;
    PrepareFolder(dir.path());
    Program program(dir.path(), dir.path() + "/run", Display());
    Ready(program);
    const std::string music = "BGM/Title.ogg";
    EXPECT_EQ(Count(program.Log(), music), 1u);
    program.Keys({"Right", "Down", "z"});
    EXPECT_EQ(program.WaitForPixel(500, 60, RgbOf(kHeading0)), RgbOf(kHeading0));
    EXPECT_EQ(program.Pixel(5, 5), RgbOf(kRankingBackground));
    // Every default row reached stage 1: the stage-0 picture on all ten rows.
    for (int row = 0; row < 10; ++row) EXPECT_EQ(program.Pixel(570, 140 + 30 * row), RgbOf(kStage0)) << row;
    program.Key("Left");
    EXPECT_EQ(program.WaitForPixel(500, 60, RgbOf(kHeading2)), RgbOf(kHeading2));
    program.Key("z");
    EXPECT_EQ(program.WaitForPixel(100, 100, RgbOf(kLogo)), RgbOf(kLogo));
    program.X("xdotool key --clearmodifiers alt+F4");
    ASSERT_EQ(program.WaitExit(kExitTimeout), 0);
    EXPECT_EQ(Count(program.Log(), music), 2u);
}

}  // namespace

namespace {

bool CountsOnePlay(const std::string& bytes) {
    std::string text = Decoded(bytes);
    // Lines 89..96 hold the play counts; team 1, difficulty 1 is the second.
    size_t at = 0;
    for (int line = 0; line < 89 && at != std::string::npos; ++line) at = text.find('\n', at) + 1;
    return at != std::string::npos && text.compare(at, 4, "0\n1\n") == 0;
}

TEST(QuenrithTitle, AGameStartsPausesAndQuitsThroughTheResultBackToTheTitle) {
    testdisplay::PrivateDisplay display;
    testsupport::TempDir dir;
    PrepareFolder(dir.path());
    Program program(dir.path(), dir.path() + "/run", Display());
    Ready(program);
    StartStage1(program);
    Settle(program);
    EXPECT_TRUE(program.WaitForOutput(Utf8(u8"stage file could not be read.\n"), 30));
    ASSERT_NO_FATAL_FAILURE(QuitToResult(program));
    // Not ranked: SHOT, then the result stays 180 frames and the title returns.
    program.Key("z");
    // 180 frames: a slow machine may take far longer than three seconds.
    EXPECT_EQ(program.WaitForPixel(100, 100, RgbOf(kLogo), 90), RgbOf(kLogo));
    program.Keys({"Right", "Down", "Down", "Down", "z"});
    ASSERT_EQ(program.WaitExit(kExitTimeout), 0);
    EXPECT_TRUE(CountsOnePlay(testsupport::ReadFile(dir.file("save/score.dat"))));
    const std::string out = program.Output();
    EXPECT_EQ(out.substr(out.size() - Utf8(u8"【releaseFontSprite】\n").size()), Utf8(u8"【releaseFontSprite】\n"));
    EXPECT_TRUE(program.Boxes().empty());
}

}  // namespace

namespace {

bool HasNewRow(const std::string& bytes) { return Decoded(bytes).find("\nAB|0|") != std::string::npos; }

TEST(QuenrithTitle, AQuitGameRanksFirstAndTheEnteredNameIsSaved) {
    testsupport::TempDir dir;
    PrepareFolder(dir.path());
    // Every row scores -1: a game quit at once still ranks first.
    std::string text;
    for (int i = 0; i < 80; ++i) text += "x|-1|01/01|0\n";
    for (int i = 0; i < 26; ++i) text += "0\n";
    for (char& c : text) c = static_cast<char>(~static_cast<unsigned char>(c));
    testsupport::WriteFile(dir.file("save/score.dat"), text);
    testdisplay::PrivateDisplay display;
    Program program(dir.path(), dir.path() + "/run", Display());
    Ready(program);
    StartStage1(program);
    Settle(program);
    ASSERT_NO_FATAL_FAILURE(QuitToResult(program));
    // "A", "B", then up to the last row and left round to the end cell.
    program.Keys({"z", "Right", "z", "Up", "Left", "Left", "z"});
    ASSERT_TRUE(program.WaitForFile("save/score.dat", 90, HasNewRow));
    const std::string saved = Decoded(testsupport::ReadFile(dir.file("save/score.dat")));
    // Table 1 (team 1, difficulty 1) begins on line 11.
    size_t at = 0;
    for (int line = 0; line < 10; ++line) at = saved.find('\n', at) + 1;
    const std::string row = saved.substr(at, saved.find('\n', at) - at);
    EXPECT_TRUE(std::regex_match(row, std::regex(R"(AB\|0\|\d\d/\d\d\|0)"))) << row;
    // 180 frames: a slow machine may take far longer than three seconds.
    EXPECT_EQ(program.WaitForPixel(100, 100, RgbOf(kLogo), 90), RgbOf(kLogo));
    program.X("xdotool key --clearmodifiers alt+F4");
    ASSERT_EQ(program.WaitExit(kExitTimeout), 0);
}

}  // namespace
