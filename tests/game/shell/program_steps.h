// Steps shared by the tests that drive the real program from its title.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "game/shell/MenuCommon.h"
#include "platform/d3dx9/image_decode.h"
#include "tests/support/program_run.h"
#include "tests/support/test_support.h"

namespace programsteps {

using Program = testsupport::ProgramRun;

constexpr int kStartTimeout = 60;
constexpr int kExitTimeout = 30;

inline std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

inline std::string Display() {
    const char* name = std::getenv("DISPLAY");
    return name ? name : "";
}

inline size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

// Waits until the program has made its start-up loads, then gives it the
// keyboard. The first key waits for the title itself (see Press).
inline void Ready(Program& program) {
    ASSERT_FALSE(program.FindWindow(kStartTimeout).empty()) << "no window";
    ASSERT_TRUE(program.WaitForOutput(Utf8(u8"【loadFontSprite】 FontFileName: skillfont.lfd"), kStartTimeout));
    // Focus once the window stands and the loop runs: an early focus can be lost.
    ASSERT_TRUE(program.Focus(kStartTimeout));
}

// Waits until at least `frames` frames have run; answers the frames counted,
// giving up after 90 s.
inline int WaitForFrames(Program& program, int frames) { return program.WaitForFrames(frames, 90); }

// Alt+F4: the program ends with status 0 and shows no message box.
inline void CloseCleanly(Program& program) {
    ASSERT_EQ(program.CloseWithAltF4(kExitTimeout), 0);
    EXPECT_TRUE(program.Boxes().empty());
}

constexpr int kWidth = 640;
constexpr int kHeight = 480;
// The coded stage-1 background: 8x8 cells, red = 2 * column, green = 2 * row, blue fixed.
constexpr int kCell = 8;
constexpr int kCellBlue = 0x5A;

inline void CopyStageData(const std::string& folder) {
    std::filesystem::create_directories(folder + "/data");
    std::filesystem::copy(std::string(QUENRITH_SOURCE_DIR) + "/data/stagedata", folder + "/data/stagedata",
                          std::filesystem::copy_options::recursive);
}

// The generated demo data as the program's own folder, with the stage files.
inline void PrepareDemoFolder(const std::string& folder) {
    const std::filesystem::path demo = std::string(QUENRITH_BINARY_DIR) + "/demodata/data";
    for (const auto& entry : std::filesystem::directory_iterator(demo))
        std::filesystem::create_directory_symlink(entry.path(), folder + "/" + entry.path().filename().string());
    std::filesystem::create_directories(folder + "/save");
    CopyStageData(folder);
}

// The coded title sheet: one flat colour per source rectangle the title draws
// from, so each of its screens is known by its colours.
constexpr uint32_t kTitleBackground = 0xFF203040;
constexpr uint32_t kLogo = 0xFFC08020;
constexpr uint32_t kMenu = 0xFF40A060;
constexpr uint32_t kHighlightLeft = 0xFFE0E040;
constexpr uint32_t kHighlightRight = 0xFF6040E0;
constexpr uint32_t kCircle = 0xFF808080;
constexpr uint32_t kPanel = 0xFF104080;
constexpr uint32_t kTeamHeading = 0xFFA02060;
constexpr uint32_t kTeamPicture[2] = {0xFF20A0A0, 0xFFA0A020};
constexpr uint32_t kDifficulty = 0xFF6080C0;

// A cell of the screen layout in one colour.
inline testsupport::FlatRect Flat(const layout::Rect& cell, uint32_t argb) {
    return {cell.x, cell.y, cell.w, cell.h, argb};
}

inline void WriteTitleSheet(const std::string& folder) {
    testsupport::WriteFlatPng(folder + "/img/title.png", 1024, 2048, kTitleBackground,
                              {Flat(layout::kTitleLogo.cell, kLogo),
                               Flat(layout::kTitleMenu.cell, kMenu),
                               Flat(layout::kHighlightCell[0], kHighlightLeft),
                               Flat(layout::kHighlightCell[1], kHighlightRight),
                               Flat(layout::kDifficulty.cell, kDifficulty),
                               Flat(layout::kTeamHeading.cell, kTeamHeading),
                               Flat(layout::kTeamCard.Cell(0), kTeamPicture[0]),
                               Flat(layout::kTeamCard.Cell(1), kTeamPicture[1]),
                               Flat(layout::kTitleCircle.cell, kCircle),
                               Flat(layout::kTitlePanelCell, kPanel)});
}

// The pause menu's pictures on the coded system sheet; the rest of it is clear.
constexpr uint32_t kPausePanel = 0xFF506070;
constexpr uint32_t kPauseItems = 0xFF70A050;
constexpr uint32_t kPauseQuestion = 0xFFA05070;
constexpr uint32_t kPauseCursor = 0xFFF0C030;

inline std::vector<testsupport::FlatRect> PauseRects() {
    return {Flat(layout::kPausePanel.cell, kPausePanel), Flat(layout::kPauseItems.cell, kPauseItems),
            Flat(layout::kPauseQuestion.cell, kPauseQuestion), Flat(layout::kPauseBar.first.cell, kPauseCursor)};
}

// A program folder with the stage files, a save folder, the coded title and
// pause pictures and the coded stage-1 background.
inline void PrepareStage1Folder(const std::string& folder) {
    std::filesystem::create_directories(folder + "/save");
    CopyStageData(folder);
    WriteTitleSheet(folder);
    testsupport::WriteFlatPng(folder + "/img/main_system.png", 1024, 1024, 0x00000000, PauseRects());
    std::vector<testsupport::FlatRect> cells;
    for (int row = 0; row < 1024 / kCell; ++row)
        for (int column = 0; column < 1024 / kCell; ++column)
            cells.push_back({column * kCell, row * kCell, kCell, kCell,
                             0xFF000000u | static_cast<uint32_t>(2 * column) << 16 |
                                 static_cast<uint32_t>(2 * row) << 8 | kCellBlue});
    testsupport::WriteFlatPng(folder + "/img/Stage01BG.png", 1024, 1024, 0xFF000000, cells);
}

// The whole window as RGB triples; empty when the grab failed.
inline std::vector<uint8_t> Grab(Program& program, const std::string& file) {
    std::filesystem::remove(file);
    program.X("import -window " + program.window() + " -depth 8 rgb:" + file);
    const std::string bytes = testsupport::ReadFile(file);
    if (bytes.size() != static_cast<size_t>(kWidth * kHeight * 3)) return {};
    return {bytes.begin(), bytes.end()};
}
inline std::vector<uint8_t> Grab(Program& program) { return Grab(program, program.folder() + "/screen.rgb"); }

inline const uint8_t* At(const std::vector<uint8_t>& image, int x, int y) {
    return &image[static_cast<size_t>(y * kWidth + x) * 3];
}

inline bool Is(const uint8_t* p, uint32_t argb) {
    return p[0] == (argb >> 16 & 0xFF) && p[1] == (argb >> 8 & 0xFF) && p[2] == (argb & 0xFF);
}

// The pixels of one colour: how many, their centre and their top row.
struct Patch {
    int count = 0;
    double x = 0, y = 0;
    int top = kHeight;
};

inline Patch Find(const std::vector<uint8_t>& image, uint32_t argb) {
    Patch patch;
    for (int y = 0; y < kHeight && !image.empty(); ++y)
        for (int x = 0; x < kWidth; ++x)
            if (Is(At(image, x, y), argb)) {
                ++patch.count;
                patch.x += x;
                patch.y += y;
                patch.top = std::min(patch.top, y);
            }
    if (patch.count) {
        patch.x /= patch.count;
        patch.y /= patch.count;
    }
    return patch;
}

// ---- What the screen shows, read against the pictures the game draws from.

struct Picture {
    d3dx9img::Image image;
    bool ok = false;
    uint32_t at(int x, int y) const { return image.pixels[size_t(y) * image.width + size_t(x)]; }
};

inline Picture Load(const std::string& path) {
    Picture p;
    const std::string bytes = testsupport::FileExists(path) ? testsupport::ReadFile(path) : std::string();
    p.ok = !bytes.empty() && d3dx9img::DecodeImage(bytes.data(), bytes.size(), &p.image) == d3dx9img::DecodeStatus::kOk;
    return p;
}

// A sheet of the program folder ("img/title.png"), decoded once per version of the file.
inline const Picture& SheetOf(const Program& program, const std::string& name) {
    static std::map<std::string, std::pair<std::filesystem::file_time_type, Picture>> sheets;
    const std::string path = program.folder() + "/" + name;
    std::error_code error;
    const std::filesystem::file_time_type stamp = std::filesystem::last_write_time(path, error);
    auto& entry = sheets[path];
    if (!entry.second.ok || entry.first != stamp) entry = {stamp, Load(path)};
    return entry.second;
}

// A texel the screen must show.
struct Sample {
    int sx, sy;
    uint32_t argb;
};

// The texels of a rectangle of a picture, every `step` texels, that cover
// most of what lies under them (alpha 160 or more).
inline std::vector<Sample> Visible(const Picture& p, int x, int y, int w, int h, int step) {
    std::vector<Sample> out;
    if (!p.ok || x < 0 || y < 0 || x + w > int(p.image.width) || y + h > int(p.image.height)) return out;
    for (int j = y; j < y + h; j += step)
        for (int i = x; i < x + w; i += step)
            if ((p.at(i, j) >> 24) >= 160) out.push_back({i, j, p.at(i, j)});
    return out;
}

using testsupport::Channel;

// The share of samples drawn at (dx - x0, dy - y0) + texel with the quad's
// alpha q (0..1) that the screen shows as alpha a = q x the texel's of the
// texel over anything: a * T <= S <= a * T + (1 - a) * 255.
inline double Shown(const std::vector<uint8_t>& screen, const std::vector<Sample>& samples, int x0, int y0, int dx,
                    int dy, double q, int tolerance, const std::function<bool(int x, int y)>& skip = nullptr) {
    if (screen.empty()) return 0.0;
    int seen = 0, shown = 0;
    for (const Sample& s : samples) {
        const int x = s.sx - x0 + dx, y = s.sy - y0 + dy;
        if (x < 0 || x >= kWidth || y < 0 || y >= kHeight || (skip && skip(x, y))) continue;
        ++seen;
        const uint8_t* p = At(screen, x, y);
        const double a = q * Channel(s.argb, 24) / 255.0;
        bool ok = true;
        for (int c = 0; c < 3 && ok; ++c) {
            const double low = a * Channel(s.argb, 16 - 8 * c);
            ok = p[c] >= low - tolerance && p[c] <= low + (1 - a) * 255 + tolerance;
        }
        shown += ok ? 1 : 0;
    }
    return seen >= 20 ? double(shown) / seen : 0.0;
}

using layout::Rect;

// Whether the screen shows the sheet's rectangle `src` drawn unscaled at
// (x, y): nine in ten of its opaque texels, a few hundred of them looked at.
inline bool Shows(const std::vector<uint8_t>& screen, const Picture& sheet, const Rect& src, int x, int y,
                  const std::function<bool(int x, int y)>& skip = nullptr, double q = 1.0) {
    const int step = std::max(1, static_cast<int>(std::sqrt(src.w * src.h / 400.0)));
    return Shown(screen, Visible(sheet, src.x + 1, src.y + 1, src.w - 2, src.h - 2, step), src.x, src.y, x, y, q, 16,
                 skip) >= 0.9;
}

// The same for a quad of the screen layout (drawn at its cell's size).
inline bool Shows(const std::vector<uint8_t>& screen, const Picture& sheet, const layout::Quad& quad,
                  const std::function<bool(int x, int y)>& skip = nullptr) {
    return Shows(screen, sheet, quad.cell, quad.screen.x, quad.screen.y, skip);
}

// What a test waits to see before a key and after it.
struct Sight {
    std::string what;
    std::function<bool()> seen;
};

// One key: `before` is waited for, then the key is pressed until `after` shows.
// `seconds` (and `frames` at the caption's rate) bound each press.
inline ::testing::AssertionResult Press(Program& program, const std::string& key, const Sight& before,
                                        const Sight& after, int seconds = 10, int frames = 120) {
    testsupport::KeyPress press;
    press.key = key;
    press.before = before.what;
    press.ready = before.seen;
    press.after = after.what;
    press.done = after.seen;
    press.seconds = seconds;
    press.frames = frames;
    return program.PressUntil(press);
}

// Keys in turn, each from what the one before showed.
struct Step {
    std::string key;
    Sight after;
};
inline ::testing::AssertionResult Walk(Program& program, Sight from, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        if (::testing::AssertionResult r = Press(program, step.key, from, step.after); !r) return r;
        from = step.after;
    }
    return ::testing::AssertionSuccess();
}

// `count` more lines holding `text` on standard output than there are now.
inline Sight MoreOutput(Program& program, const std::string& text, size_t count = 1) {
    const size_t want = Count(program.Output(), text) + count;
    return {"\"" + text + "\" on standard output", [&program, text, want] { return Count(program.Output(), text) >= want; }};
}

// The same in the log.
inline Sight MoreLog(Program& program, const std::string& text) {
    const size_t want = Count(program.Log(), text) + 1;
    return {"\"" + text + "\" in the log", [&program, text, want] { return Count(program.Log(), text) >= want; }};
}

inline Sight Ended(Program& program) {
    return {"the end of the program", [&program] { return program.Exited(); }};
}

// The title menu with its logo and the highlight on `item` and no other.
inline Sight TitleMenuAt(Program& program, int item) {
    return {"the title menu at item " + std::to_string(item), [&program, item] {
                const Picture& sheet = SheetOf(program, "img/title.png");
                const std::vector<uint8_t> screen = Grab(program);
                if (!Shows(screen, sheet, layout::kTitleLogo)) return false;
                for (int i = 0; i < kMenuItems; ++i)
                    if (Shows(screen, sheet, MenuHighlightOn(i)) != (i == item)) return false;
                return true;
            }};
}

inline Sight TeamChoiceAt(Program& program, int team) {
    return {"the team choice at team " + std::to_string(team + 1), [&program, team] {
                using layout::kTeamHeading;
                const Picture& sheet = SheetOf(program, "img/title.png");
                const std::vector<uint8_t> screen = Grab(program);
                // The heading is drawn over the team's picture.
                const auto underHeading = [](int x, int y) {
                    return x >= kTeamHeading.screen.x && y < kTeamHeading.screen.y + kTeamHeading.screen.h;
                };
                return Shows(screen, sheet, kTeamHeading) &&
                       Shows(screen, sheet, layout::kTeamCard.At(0, team), underHeading);
            }};
}

// The difficulty choice, away from the turning cursor wherever it stands.
inline Sight DifficultyChoice(Program& program) {
    return {"the difficulty choice", [&program] {
                const auto underCursor = [](int x, int y) {
                    for (int d = 0; d < 3; ++d) {
                        const Rect at = layout::kDifficultyCursor.Screen(d);
                        const int cx = at.x + at.w / 2, cy = at.y + at.h / 2;
                        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < 90 * 90) return true;
                    }
                    return false;
                };
                return Shows(Grab(program), SheetOf(program, "img/title.png"), layout::kDifficulty, underCursor);
            }};
}

// From the title menu's first item over to the right column and down to
// `item` (6 ranking, 7 ... 9 quit).
inline ::testing::AssertionResult ToRightColumn(Program& program, int item) {
    std::vector<Step> steps = {{"Right", TitleMenuAt(program, 6)}};
    for (int i = 7; i <= item; ++i) steps.push_back({"Down", TitleMenuAt(program, i)});
    return Walk(program, TitleMenuAt(program, 0), steps);
}

// The ranking view on table `table` (column + 4 x team), by its heading.
inline Sight RankingTable(Program& program, int table) {
    return {"the ranking view on table " + std::to_string(table), [&program, table] {
                return Shows(Grab(program), SheetOf(program, "img/ranking.png"), layout::kRankingHeading.At(0, table));
            }};
}

// The pause menu with the cursor on item `item`, or on answer `answer` of the
// question that follows (0 yes, 1 no).
inline Sight PauseMenu(Program& program, bool asking, int choice) {
    return {std::string(asking ? "the pause menu's question at answer " : "the pause menu at item ") +
                std::to_string(choice),
            [&program, asking, choice] {
                const Picture& sheet = SheetOf(program, "img/main_system.png");
                const std::vector<uint8_t> screen = Grab(program);
                // The question's answers stand a place lower than the items.
                const layout::Quad bar = layout::kPauseBar.At(choice + (asking ? 1 : 0), 0);
                const auto underCursor = [&bar](int, int y) {
                    return y >= bar.screen.y && y < bar.screen.y + bar.screen.h;
                };
                return Shows(screen, sheet, bar) &&
                       Shows(screen, sheet, asking ? layout::kPauseQuestion : layout::kPauseItems, underCursor);
            }};
}

// Title to stage 1 with one player, team 1, difficulty 1. Answers once the
// stage's music has been asked for, the last of its start: the stage's loads
// stall the loop, and a key pressed and let go meanwhile is never seen.
inline void StartStage1(Program& program) {
    ASSERT_TRUE(Walk(program, TitleMenuAt(program, 0),
                     {{"z", TeamChoiceAt(program, 0)}, {"z", DifficultyChoice(program)}}));
    const Sight music = MoreLog(program, "BGM/Stage01.ogg");
    ASSERT_TRUE(Press(program, "z", DifficultyChoice(program), MoreOutput(program, "filename: img/Stage01BG.png"), 60));
    ASSERT_TRUE(program.WaitUntil(music.seen, 60, 1800, 100)) << "stage 1 never started its music";
}

// In the pause menu at its first item: quit, answer yes; answers once the
// result screen's pictures are loaded (the title's sheets and the name sheet again).
inline ::testing::AssertionResult QuitFromPause(Program& program) {
    return Walk(program, PauseMenu(program, false, 0),
                {{"Down", PauseMenu(program, false, 1)},
                 {"Down", PauseMenu(program, false, 2)},
                 {"z", PauseMenu(program, true, 1)},
                 {"Up", PauseMenu(program, true, 0)},
                 {"z", MoreOutput(program, "filename: img/name.png\n\n", 2)}});
}

// In play: pause (MENU is S), then quit to the result.
inline void QuitToResult(Program& program) {
    ASSERT_TRUE(Press(program, "s", {"the stage", nullptr}, PauseMenu(program, false, 0)));
    ASSERT_TRUE(QuitFromPause(program));
}

inline bool ShowsBackground(Program& program, const std::string& file, int x, int y) {
    const std::vector<uint8_t> image = Grab(program, file);
    return !image.empty() && At(image, x, y)[2] == kCellBlue;
}

// The stage shows (nothing before it has the background's blue), then the
// stage's title band sweeps over the view and away again.
inline void PastStageTitle(Program& program, const std::string& file) {
    ASSERT_TRUE(program.WaitUntil([&] { return ShowsBackground(program, file, 600, 250); }, 60, 1800, 200))
        << "the stage never showed";
    ASSERT_TRUE(program.WaitUntil([&] { return !ShowsBackground(program, file, 600, 250); }, 60, 1800, 200))
        << "no stage title";
    ASSERT_TRUE(program.WaitUntil(
        [&] { return ShowsBackground(program, file, 600, 250) && ShowsBackground(program, file, 600, 160); }, 60,
        1800, 200))
        << "the stage title stayed";
}

}  // namespace programsteps
