// The real program at its title: the window's picture, the menu's way out, the
// configuration and key screens with their files, the ranking view, and the
// lines on standard output.
#include <gtest/gtest.h>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <regex>

#include "tests/support/private_display.h"
#include "tests/game/shell/program_steps.h"
#include "tests/support/program_run.h"
#include "tests/support/test_support.h"

namespace {

using testsupport::FlatRect;
using testsupport::Rgb;
using namespace programsteps;

// The ranking sheet: background, the headings of tables 0 and 2, and the
// stage-0 picture.
constexpr uint32_t kRankingBackground = 0xFF302010;
constexpr uint32_t kHeading0 = 0xFFF02040;
constexpr uint32_t kHeading2 = 0xFF20F040;
constexpr uint32_t kStage0 = 0xFF4080F0;
// The configuration sheet: its screen's background, labels, cursor and
// digits, and the key configuration's background and highlight.
constexpr uint32_t kConfigBackground = 0xFF304020;
constexpr uint32_t kConfigLabels = 0xFF405070;
constexpr uint32_t kConfigCursor = 0xFFE08040;
constexpr uint32_t kKeyBackground = 0xFF283848;
constexpr uint32_t kKeyHighlight = 0xFFF0A0C0;
constexpr uint32_t kDefaultsAsked = 0xFF60A040, kDefaultsDone = 0xFFA04060;
constexpr uint32_t ConfigDigit(int d) {
    return 0xFF0000F0u | static_cast<uint32_t>(20 + 20 * d) << 16 | static_cast<uint32_t>(200 - 20 * d) << 8;
}
// The name sheet: background, the grid panel, the small and the wide cursor.
constexpr uint32_t kNameBackground = 0xFF402030;
constexpr uint32_t kNamePanel = 0xFF305040;
constexpr uint32_t kNameCursor = 0xFF60E0A0;
constexpr uint32_t kNameEnd = 0xFFE06080;

Rgb RgbOf(uint32_t argb) { return Rgb{static_cast<int>(argb >> 16 & 0xFF), static_cast<int>(argb >> 8 & 0xFF), static_cast<int>(argb & 0xFF)}; }

// A program folder with the test's coded sheets and a save folder.
void PrepareFolder(const std::string& folder, bool withTitle = true) {
    std::filesystem::create_directories(folder + "/save");
    if (withTitle) WriteTitleSheet(folder);
    testsupport::WriteFlatPng(folder + "/img/ranking.png", 1024, 512, kRankingBackground,
                              {Flat(layout::kRankingHeading.Cell(0), kHeading0), Flat(layout::kRankingHeading.Cell(2), kHeading2),
                               Flat(layout::kRankBadge.Cell(0), kStage0)});
    std::vector<FlatRect> config = {Flat(layout::kBackdrop.cell, kConfigBackground),
                                    Flat(layout::kConfigLabels.cell, kConfigLabels),
                                    Flat(layout::kConfigCursor.first.cell, kConfigCursor),
                                    Flat(layout::kKeyConfigBackdrop.cell, kKeyBackground),
                                    Flat(layout::kKeyHighlight.cell, kKeyHighlight),
                                    Flat(layout::kDefaultsQuestion.cell, kDefaultsAsked),
                                    Flat(layout::kDefaultsDone.cell, kDefaultsDone)};
    for (int d = 0; d < 10; ++d) config.push_back(Flat(layout::kVolumeDigits.Cell(d), ConfigDigit(d)));
    testsupport::WriteFlatPng(folder + "/img/config.png", 1024, 2048, 0x00000000, config);
    testsupport::WriteFlatPng(folder + "/img/name.png", 1024, 1024, 0x00000000,
                              {Flat(layout::kBackdrop.cell, kNameBackground), Flat(layout::kNameGrid.cell, kNamePanel),
                               Flat(layout::kNameCursor.first.cell, kNameCursor),
                               Flat(layout::GridCursorWide(0).cell, kNameEnd)});
    testsupport::WriteFlatPng(folder + "/img/main_system.png", 1024, 1024, 0x00000000, PauseRects());
}

// Whether nine in ten pixels of a box of the screen are of one colour.
bool Covers(const std::vector<uint8_t>& screen, const Rect& box, uint32_t argb) {
    if (screen.empty()) return false;
    int hits = 0;
    for (int y = box.y; y < box.y + box.h; ++y)
        for (int x = box.x; x < box.x + box.w; ++x) hits += Is(At(screen, x, y), argb) ? 1 : 0;
    return hits * 10 >= box.w * box.h * 9;
}
// A box `by` pixels inside another, away from its blurred edges.
Rect Inside(const Rect& box, int by) { return {box.x + by, box.y + by, box.w - 2 * by, box.h - 2 * by}; }

// The configuration screen with its cursor on `item` and the volumes shown.
// The cursor turns about its centre: the middle of it is always covered.
Sight ConfigAt(Program& program, int item, int music, int effects) {
    return {"the configuration at item " + std::to_string(item) + " with volumes " + std::to_string(music) + " " +
                std::to_string(effects),
            [&program, item, music, effects] {
                const std::vector<uint8_t> screen = Grab(program);
                const Rect cursor = layout::kConfigCursor.Screen(item);
                if (!Covers(screen, Inside(cursor, cursor.w / 2 - 10), kConfigCursor)) return false;
                for (const auto& [volume, row] : {std::pair{music, 0}, std::pair{effects, 1}}) {
                    const int digits[3] = {volume / 100, volume / 10 % 10, volume % 10};
                    for (int i = 0; i < 3; ++i) {
                        const Rect at = layout::Moved(layout::kVolumeDigits.Screen(i), 0, layout::kConfigRowStep * row);
                        if (!Covers(screen, Inside(at, 2), ConfigDigit(digits[i]))) return false;
                    }
                }
                return true;
            }};
}

// The key configuration's highlight on a column heading or a cell.
Sight KeyHighlightAt(Program& program, int x, int y) {
    return {"the key configuration's highlight at (" + std::to_string(x) + ", " + std::to_string(y) + ")",
            [&program, x, y] {
                const Rect at = layout::Moved(layout::kKeyHighlight.screen, x, y);
                return Covers(Grab(program), Inside(at, 2), kKeyHighlight);
            }};
}
Sight KeyHeading(Program& program, int column) {
    return KeyHighlightAt(program, layout::kKeyHeaderX[column], layout::kKeyHeaderY);
}
Sight KeyRow(Program& program, int row) {
    return KeyHighlightAt(program, layout::kKeyHeaderX[1], layout::kKeyRowY + layout::kKeyRowStep * row);
}
// The defaults panel's top, above the answers: asking, or saying they are back.
Sight DefaultsPanel(Program& program, uint32_t argb) {
    return {argb == kDefaultsDone ? "the defaults restored" : "the defaults question", [&program, argb] {
                return Covers(Grab(program), Rect{140, 190, 360, 80}, argb);
            }};
}

// The name entry with `length` characters entered, its cursor after them.
Sight NameEntryAt(Program& program, int length) {
    return {"the name entry at length " + std::to_string(length), [&program, length] {
                return Covers(Grab(program), Inside(layout::kNameCursor.Screen(length), 2), kNameCursor);
            }};
}
// The grid's cursor on a cell; the last row's delete, space and end cells are wide.
Sight NameGridAt(Program& program, int row, int column) {
    return {"the name grid at row " + std::to_string(row) + ", column " + std::to_string(column),
            [&program, row, column] {
                const std::vector<uint8_t> screen = Grab(program);
                if (row < 3 || column < 12)
                    return Covers(screen, Inside(layout::GridCursor(row, column).screen, 2), kNameCursor);
                return Covers(screen, Inside(layout::GridCursorWide(column).screen, 2), kNameEnd);
            }};
}
// The entry's cursor gone: the name is ended.
Sight NameEnded(Program& program) {
    return {"the end of the name entry", [&program] {
                const std::vector<uint8_t> screen = Grab(program);
                if (screen.empty()) return false;
                for (int y = 90; y < 116; ++y)
                    for (int x = 240; x < 460; ++x)
                        if (Is(At(screen, x, y), kNameCursor)) return false;
                return true;
            }};
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
    ASSERT_NO_FATAL_FAILURE(Ready(program));
    EXPECT_EQ(program.WaitForPixel(5, 5, RgbOf(kTitleBackground)), RgbOf(kTitleBackground));
    EXPECT_EQ(program.Pixel(5, 470), RgbOf(kTitleBackground));
    EXPECT_EQ(program.Pixel(100, 100), RgbOf(kLogo));
    EXPECT_EQ(program.Pixel(60, 300), RgbOf(kMenu));
    EXPECT_EQ(program.Pixel(100, 240), RgbOf(kHighlightLeft));
    // The circle turns about (623, 523): what lies within 223 pixels of it is
    // always covered.
    EXPECT_EQ(program.WaitForPixel(635, 330, RgbOf(kCircle)), RgbOf(kCircle));

    ASSERT_TRUE(Press(program, "Right", TitleMenuAt(program, 0), TitleMenuAt(program, 6)));
    // Item 6: the highlight moves to the right column at (410, 273).
    EXPECT_EQ(program.WaitForPixel(420, 280, RgbOf(kHighlightRight)), RgbOf(kHighlightRight));
    // Play time is counted in frames: let a second of them run, however slow the program.
    ASSERT_GE(WaitForFrames(program, 90), 90);
    ASSERT_TRUE(Walk(program, TitleMenuAt(program, 6),
                     {{"Down", TitleMenuAt(program, 7)}, {"Down", TitleMenuAt(program, 8)},
                      {"Down", TitleMenuAt(program, 9)}, {"z", Ended(program)}}));
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

// A change seen only after its press was given up on is not taken for a
// missed press: the key is not pressed again (a program stalled across both
// presses would take them as one move), and the menu moves one item.
TEST(QuenrithTitle, AChangeSeenLateIsNotPressedForAgain) {
    testdisplay::PrivateDisplay display;
    testsupport::TempDir dir;
    PrepareFolder(dir.path());
    Program program(dir.path(), dir.path() + "/run", Display());
    ASSERT_NO_FATAL_FAILURE(Ready(program));
    const Sight from = TitleMenuAt(program, 0);
    const Sight to = TitleMenuAt(program, 1);
    testsupport::KeyPress press;
    press.key = "Down";
    press.before = from.what;
    press.ready = from.seen;
    press.after = to.what;
    // Blind to the change for 3 s from the first look, longer than one press waits.
    double first = -1;
    press.done = [&] {
        const double seconds = testsupport::MonotonicSeconds();
        if (first < 0) first = seconds;
        return seconds - first >= 3 && to.seen();
    };
    press.seconds = 2;
    press.frames = 0;
    const int sent = program.KeyDowns();
    testing::internal::CaptureStdout();
    const ::testing::AssertionResult pressed = program.PressUntil(press);
    const std::string said = testing::internal::GetCapturedStdout();
    std::printf("%s", said.c_str());
    ASSERT_TRUE(pressed);
    EXPECT_EQ(program.KeyDowns() - sent, 1) << "Down was pressed again";
    EXPECT_NE(said.find("[ LATE     ] Down not pressed again: "), std::string::npos) << said;
    ASSERT_GE(WaitForFrames(program, 60), 60);
    EXPECT_TRUE(to.seen()) << "the menu went past item 1";
    CloseCleanly(program);
}

TEST(QuenrithTitle, AltF4AndTheCloseBoxSaveAndReleaseTheSameWay) {
    for (int way = 0; way < 2; ++way) {
        SCOPED_TRACE(way == 0 ? "Alt+F4" : "close box");
        testdisplay::PrivateDisplay display;
        testsupport::TempDir dir;
        PrepareFolder(dir.path());
        Program program(dir.path(), dir.path() + "/run", Display());
        ASSERT_NO_FATAL_FAILURE(Ready(program));
        ASSERT_GE(WaitForFrames(program, 90), 90);  // more than a second of play time
        if (way == 0) {
            ASSERT_EQ(program.CloseWithAltF4(kExitTimeout), 0);
        } else {
            ASSERT_TRUE(testsupport::SendCloseBox(Display(), program.window()));
            ASSERT_EQ(program.WaitExit(kExitTimeout), 0);
        }
        ExpectOrderlyExit(program, dir.path());
    }
}

TEST(QuenrithTitle, AMissingTitleSheetStillBootsWithWhiteRectangles) {
    testdisplay::PrivateDisplay display;
    testsupport::TempDir dir;
    PrepareFolder(dir.path(), false);
    Program program(dir.path(), dir.path() + "/run", Display());
    ASSERT_NO_FATAL_FAILURE(Ready(program));
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
        ASSERT_NO_FATAL_FAILURE(Ready(program));
        // Item 8, then music up, effects down, and back through item 3.
        ASSERT_TRUE(ToRightColumn(program, 8));
        ASSERT_TRUE(Walk(program, TitleMenuAt(program, 8),
                         {{"z", ConfigAt(program, 0, 90, 90)},
                          {"Right", ConfigAt(program, 0, 100, 90)},
                          {"Down", ConfigAt(program, 1, 100, 90)},
                          {"Left", ConfigAt(program, 1, 100, 80)},
                          {"Down", ConfigAt(program, 2, 100, 80)},
                          {"Down", ConfigAt(program, 3, 100, 80)},
                          {"z", TitleMenuAt(program, 8)}}));
        ASSERT_TRUE(program.WaitForFile("save/vol.dat", 30, IsVolumeLine));
        EXPECT_EQ(testsupport::ReadFile(dir.file("save/vol.dat")), "100 80\r\n");
        ASSERT_EQ(program.CloseWithAltF4(kExitTimeout), 0);
    }
    std::filesystem::remove(dir.file("save/vol.dat"));
    testsupport::WriteFile(dir.file("save/vol.dat"), "100 80\r\n");
    {
        testdisplay::PrivateDisplay display;
        Program program(dir.path(), dir.path() + "/run", Display());
        ASSERT_NO_FATAL_FAILURE(Ready(program));
        std::filesystem::remove(dir.file("save/vol.dat"));
        // Leaving the screen again saves what was loaded.
        ASSERT_TRUE(ToRightColumn(program, 8));
        ASSERT_TRUE(Walk(program, TitleMenuAt(program, 8),
                         {{"z", ConfigAt(program, 0, 100, 80)},
                          {"Up", ConfigAt(program, 3, 100, 80)},
                          {"z", TitleMenuAt(program, 8)}}));
        ASSERT_TRUE(program.WaitForFile("save/vol.dat", 30, IsVolumeLine));
        EXPECT_EQ(testsupport::ReadFile(dir.file("save/vol.dat")), "100 80\r\n");
        ASSERT_EQ(program.CloseWithAltF4(kExitTimeout), 0);
    }
}

bool HasNewShotKey(const std::string& bytes) { return bytes.find("KEY_SHOT=36\r\n") != std::string::npos; }

TEST(QuenrithTitle, RedefinedKeysAreSavedAndConfirmAfterARestart) {
    testsupport::TempDir dir;
    PrepareFolder(dir.path());
    {
        testdisplay::PrivateDisplay display;
        Program program(dir.path(), dir.path() + "/run", Display());
        ASSERT_NO_FATAL_FAILURE(Ready(program));
        // Configuration, key configuration, the defaults restored and their
        // notice dismissed by a key, player 1's column, then ten keys:
        // W S A D for the directions, J for SHOT, and K L I O P; the
        // highlight steps down the rows and returns to the heading.
        ASSERT_TRUE(ToRightColumn(program, 8));
        std::vector<Step> steps = {{"z", ConfigAt(program, 0, 90, 90)},   {"Down", ConfigAt(program, 1, 90, 90)},
                                   {"Down", ConfigAt(program, 2, 90, 90)}, {"z", KeyHeading(program, 0)},
                                   {"Right", KeyHeading(program, 1)},      {"Right", KeyHeading(program, 2)},
                                   {"Right", KeyHeading(program, 3)},      {"z", DefaultsPanel(program, kDefaultsAsked)},
                                   {"z", DefaultsPanel(program, kDefaultsDone)}, {"x", KeyHeading(program, 3)},
                                   {"Left", KeyHeading(program, 2)},       {"Left", KeyHeading(program, 1)},
                                   {"z", KeyRow(program, 0)}};
        const char* keys[10] = {"w", "s", "a", "d", "j", "k", "l", "i", "o", "p"};
        for (int row = 0; row < 10; ++row)
            steps.push_back({keys[row], row < 9 ? KeyRow(program, row + 1) : KeyHeading(program, 1)});
        ASSERT_TRUE(Walk(program, TitleMenuAt(program, 8), steps));
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
        ASSERT_EQ(program.CloseWithAltF4(kExitTimeout), 0);
    }
    {
        testdisplay::PrivateDisplay display;
        Program program(dir.path(), dir.path() + "/run", Display());
        ASSERT_NO_FATAL_FAILURE(Ready(program));
        // Player 2 keeps the arrows; player 1's new SHOT key J picks "quit".
        ASSERT_TRUE(ToRightColumn(program, 9));
        ASSERT_TRUE(Press(program, "j", TitleMenuAt(program, 9), Ended(program)));
        ASSERT_EQ(program.WaitExit(kExitTimeout), 0);
    }
}

TEST(QuenrithTitle, TheRankingViewShowsTheDefaultTableAndRestartsTheMusicOnLeaving) {
    testdisplay::PrivateDisplay display;
    testsupport::TempDir dir;
    PrepareFolder(dir.path());
    Program program(dir.path(), dir.path() + "/run", Display());
    ASSERT_NO_FATAL_FAILURE(Ready(program));
    // The title starts its music on its first frame, which can come well after the start-up loads.
    const std::string music = "BGM/Title.ogg";
    ASSERT_TRUE(program.WaitUntil([&] { return Count(program.Log(), music) >= 1; }, 30, 300)) << music;
    EXPECT_EQ(Count(program.Log(), music), 1u);
    ASSERT_TRUE(ToRightColumn(program, 7));
    ASSERT_TRUE(Press(program, "z", TitleMenuAt(program, 7), RankingTable(program, 0)));
    EXPECT_EQ(program.WaitForPixel(500, 60, RgbOf(kHeading0)), RgbOf(kHeading0));
    EXPECT_EQ(program.Pixel(5, 5), RgbOf(kRankingBackground));
    // Every default row reached stage 1: the stage-0 picture on all ten rows.
    for (int row = 0; row < 10; ++row) EXPECT_EQ(program.Pixel(570, 140 + 30 * row), RgbOf(kStage0)) << row;
    ASSERT_TRUE(Press(program, "Left", RankingTable(program, 0), RankingTable(program, 2)));
    EXPECT_EQ(program.WaitForPixel(500, 60, RgbOf(kHeading2)), RgbOf(kHeading2));
    ASSERT_TRUE(Press(program, "z", RankingTable(program, 2), TitleMenuAt(program, 0)));
    EXPECT_EQ(program.WaitForPixel(100, 100, RgbOf(kLogo)), RgbOf(kLogo));
    ASSERT_EQ(program.CloseWithAltF4(kExitTimeout), 0);
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
    ASSERT_NO_FATAL_FAILURE(Ready(program));
    ASSERT_NO_FATAL_FAILURE(StartStage1(program));
    EXPECT_TRUE(program.WaitForOutput(Utf8(u8"stage file could not be read.\n"), 30));
    ASSERT_NO_FATAL_FAILURE(QuitToResult(program));
    // Not ranked: SHOT, then the result stays 180 frames and the title returns
    // (a slow machine may take far longer than three seconds).
    ASSERT_TRUE(Press(program, "z", NameGridAt(program, 3, 14), TitleMenuAt(program, 0), 90, 600));
    EXPECT_EQ(program.WaitForPixel(100, 100, RgbOf(kLogo), 90), RgbOf(kLogo));
    ASSERT_TRUE(ToRightColumn(program, 9));
    ASSERT_TRUE(Press(program, "z", TitleMenuAt(program, 9), Ended(program)));
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
    ASSERT_NO_FATAL_FAILURE(Ready(program));
    ASSERT_NO_FATAL_FAILURE(StartStage1(program));
    ASSERT_NO_FATAL_FAILURE(QuitToResult(program));
    // "A", "B", then up to the last row and left round to the end cell.
    ASSERT_TRUE(Walk(program, NameEntryAt(program, 0),
                     {{"z", NameEntryAt(program, 1)},
                      {"Right", NameGridAt(program, 0, 1)},
                      {"z", NameEntryAt(program, 2)},
                      {"Up", NameGridAt(program, 3, 1)},
                      {"Left", NameGridAt(program, 3, 0)},
                      {"Left", NameGridAt(program, 3, 14)},
                      {"z", NameEnded(program)}}));
    ASSERT_TRUE(program.WaitForFile("save/score.dat", 90, HasNewRow));
    const std::string saved = Decoded(testsupport::ReadFile(dir.file("save/score.dat")));
    // Table 1 (team 1, difficulty 1) begins on line 11.
    size_t at = 0;
    for (int line = 0; line < 10; ++line) at = saved.find('\n', at) + 1;
    const std::string row = saved.substr(at, saved.find('\n', at) - at);
    EXPECT_TRUE(std::regex_match(row, std::regex(R"(AB\|0\|\d\d/\d\d\|0)"))) << row;
    // 180 frames: a slow machine may take far longer than three seconds.
    EXPECT_EQ(program.WaitForPixel(100, 100, RgbOf(kLogo), 90), RgbOf(kLogo));
    ASSERT_EQ(program.CloseWithAltF4(kExitTimeout), 0);
}

}  // namespace
