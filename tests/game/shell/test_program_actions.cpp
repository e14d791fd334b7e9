// The real program on stage 1: the player changes character and element and
// spends its gauge on FORCE; the player's pictures, its shots and the HUD
// (element block, stock icons, gauge pips and number, FORCE strip) follow.
// Every sheet the play field draws from is coded in flat colours, so each
// picture is known by its colour on the screen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/private_display.h"
#include "tests/game/shell/program_steps.h"
#include "tests/support/program_run.h"
#include "tests/support/test_support.h"

namespace {

using testsupport::FlatRect;
using namespace programsteps;

using Image = std::vector<uint8_t>;

// The first team's body sheets.
constexpr uint32_t kYuri = 0xFFE03081;
constexpr uint32_t kCrow = 0xFF30E0C1;
// Magic circles, one 128x128 cell per element.
constexpr uint32_t kCircleYuri[2] = {0xFF8000FF, 0xFF0080FF};
constexpr uint32_t kCircleCrow[2] = {0xFFFF40A0, 0xFFA0FF40};
// Shot pictures: look 1 (Yuri's shot) and look 2 (Crow's shot), per element.
constexpr uint32_t kLook1[2] = {0xFFFF8000, 0xFFFF0080};
constexpr uint32_t kLook2[2] = {0xFF00FF80, 0xFF80FF00};
// The HUD sheet: element block and FORCE strip per element, small gauge pip,
// stock icon per character, gauge digits.
constexpr uint32_t kBlock[2] = {0xFF2040C0, 0xFFC04020};
constexpr uint32_t kStrip[2] = {0xFF20C0C0, 0xFFC0C020};
constexpr uint32_t kPip = 0xFFF0F010;
constexpr uint32_t kStock[2] = {0xFF10F060, 0xFF6010F0};
constexpr uint32_t kTransparent = 0x00000000;

constexpr uint32_t DigitColour(int d) {
    return 0xFF0000E0u | static_cast<uint32_t>(10 + 25 * d) << 16 | static_cast<uint32_t>(250 - 25 * d) << 8;
}

// Title band only: an empty field.
const char kQuietSchedule[] = "320 240 300 30 0 0 0 0 0 1\n";
// Five score items (10 gauge each) on the player's row 180 pixels ahead of it,
// beyond the 120 within which they drift to a player of their element; ten
// more of the other element 480 pixels ahead. Items stand in stage coordinates.
std::string ItemSchedule() {
    std::string text = kQuietSchedule;
    for (int i = 0; i < 5; ++i) text += "400 220 101 0 0 0 0 0 0 1\n";
    for (int i = 0; i < 10; ++i) text += "700 220 101 0 0 0 1 0 0 1\n";
    return text;
}

void PrepareFolder(const std::string& folder, const std::string& schedule) {
    PrepareStage1Folder(folder);
    const std::string img = folder + "/img/";
    testsupport::WriteFlatPng(img + "yuri.png", 1024, 1024, kYuri);
    testsupport::WriteFlatPng(img + "crow.png", 1024, 1024, kCrow);
    testsupport::WriteFlatPng(img + "mahoujin_yuri.png", 256, 128, kTransparent,
                              {{0, 0, 128, 128, kCircleYuri[0]}, {128, 0, 128, 128, kCircleYuri[1]}});
    testsupport::WriteFlatPng(img + "mahoujin_crow.png", 256, 128, kTransparent,
                              {{0, 0, 128, 128, kCircleCrow[0]}, {128, 0, 128, 128, kCircleCrow[1]}});
    std::vector<FlatRect> looks;
    for (int e = 0; e < 2; ++e) {
        looks.push_back({512 * e + 287, 202, 33, 33, kLook1[e]});
        looks.push_back({512 * e + 320, 202, 33, 33, kLook2[e]});
    }
    testsupport::WriteFlatPng(img + "particle.png", 1024, 512, kTransparent, looks);
    std::vector<FlatRect> hud = {{0, 0, 160, 80, kBlock[0]},  {295, 0, 160, 80, kBlock[1]},
                                 {0, 80, 160, 10, kStrip[0]}, {295, 80, 160, 10, kStrip[1]},
                                 {54, 153, 11, 11, kPip},     {111, 189, 22, 22, kStock[0]},
                                 {133, 189, 22, 22, kStock[1]}};
    for (int d = 0; d < 10; ++d) hud.push_back({6 * d, 213, 6, 11, DigitColour(d)});
    testsupport::WriteFlatPng(img + "main_system.png", 1024, 1024, 0xFF000000, hud);
    // The cut-ins are white: at their alpha they lift the background's blue.
    testsupport::WriteFlatPng(img + "cutin_yuri.png", 1024, 512, 0xFFFFFFFF);
    testsupport::WriteFlatPng(img + "cutin_crow.png", 1024, 512, 0xFFFFFFFF);
    // Effects and items out of sight.
    for (const char* name : {"cutin_add.png", "addeffect.png", "item.png"})
        testsupport::WriteFlatPng(img + name, 64, 64, kTransparent);
    testsupport::WriteFile(folder + "/data/stagedata/Stage011Enemy.dat", schedule);
}

bool Near(const uint8_t* p, uint32_t argb, int tolerance = 4) {
    return std::abs(p[0] - static_cast<int>(argb >> 16 & 0xFF)) <= tolerance &&
           std::abs(p[1] - static_cast<int>(argb >> 8 & 0xFF)) <= tolerance &&
           std::abs(p[2] - static_cast<int>(argb & 0xFF)) <= tolerance;
}

// What player 1's HUD block shows; -1 where it shows none of the coded pictures.
struct Hud {
    int element = -1;
    int character = -1;  // from the first stock icon
    int gauge = -1;      // the three digits
    int pips = 0;        // small pips drawn at full alpha
    int strip = -1;      // element of the FORCE strip
    bool operator==(const Hud&) const = default;
    std::string Text() const {
        std::ostringstream out;
        out << "element " << element << ", character " << character << ", gauge " << gauge << ", pips " << pips
            << ", strip " << strip;
        return out.str();
    }
};

Hud ReadHud(const Image& image) {
    Hud hud;
    if (image.empty()) return hud;
    for (int e = 0; e < 2; ++e) {
        if (Near(At(image, 40, 400), kBlock[e])) hud.element = e;
        if (Near(At(image, 110, 465), kStrip[e])) hud.strip = e;
        if (Near(At(image, 85, 391), kStock[e])) hud.character = e + 1;
    }
    hud.gauge = 0;
    for (int k = 0; k < 3; ++k) {
        int digit = -1;
        for (int d = 0; d < 10; ++d)
            if (Near(At(image, 103 + 8 * k, 455), DigitColour(d))) digit = d;
        if (digit < 0) {
            hud.gauge = -1;
            break;
        }
        hud.gauge = hud.gauge * 10 + digit;
    }
    while (hud.pips < 6 && Near(At(image, 77 + 13 * hud.pips, 434), kPip)) ++hud.pips;
    return hud;
}

// Grabs until `done` holds for a grab, `pauseMs` apart; answers the last grab.
// Gives up after `seconds` and half as many seconds' worth of frames.
Image WaitForImage(Program& program, const std::string& file, int seconds,
                   const std::function<bool(const Image&)>& done, int pauseMs = 250) {
    Image image;
    program.WaitUntil(
        [&] {
            image = Grab(program, file);
            return !image.empty() && done(image);
        },
        seconds, 30 * seconds, pauseMs);
    return image;
}

// What a grab must show, and its name for the messages.
struct Look {
    std::string what;
    std::function<bool(const Image&)> seen;
};

// Pushes a key and keeps it down until a grab shows `to`; a push the program
// missed is pushed again, but only while a grab still shows `from` (when
// given) and not `to`: a toggle slow to show is not undone by a second push.
// `whileHeld` runs once `to` shows, before the key is let go. Answers the last grab.
Image PushUntil(Program& program, const std::string& key, const std::string& file, const Look& from, const Look& to,
                int pauseMs = 250, const std::function<void()>& whileHeld = nullptr) {
    Image image;
    const auto shows = [&](const Look& look) {
        return [&program, &file, &image, &look] {
            image = Grab(program, file);
            return !image.empty() && look.seen(image);
        };
    };
    testsupport::KeyPress press;
    press.whileHeld = whileHeld;
    press.key = key;
    press.before = from.what;
    if (from.seen) press.ready = shows(from);
    press.after = to.what;
    press.done = shows(to);
    press.holdUntilDone = true;
    press.seconds = 20;
    press.tries = 3;
    press.pollMs = pauseMs;
    EXPECT_TRUE(program.PressUntil(press));
    return image;
}

// A HUD reading as a look.
Look HudShows(const std::string& what, const std::function<bool(const Hud&)>& is) {
    return {what + " in the HUD", [is](const Image& i) { return is(ReadHud(i)); }};
}

// Holds SHOT until a grab shows `enough` pixels of `look` and fewer than 20 of
// `other`, and the charge is long past complete (so the release starts the
// charged burst); answers that grab.
Image HoldShot(Program& program, const std::string& file, uint32_t look, uint32_t other, int enough = 300) {
    bool charged = false;
    const Image image = PushUntil(
        program, "z", file, {},
        {"the shot's pictures",
         [&](const Image& i) { return Find(i, look).count >= enough && Find(i, other).count < 20; }},
        250,
        // The caption counts whole seconds: 150 counted frames are 90 held at the least.
        [&] { charged = WaitForFrames(program, 150) >= 150; });
    EXPECT_TRUE(charged);
    return image;
}

// Waits until the HUD reads `want`; answers the last reading. A grab may catch
// the window while a frame is being copied in, so no single grab decides.
Hud WaitForHud(Program& program, const std::string& file, const Hud& want, int seconds = 30) {
    return ReadHud(WaitForImage(program, file, seconds, [&](const Image& i) { return ReadHud(i) == want; }));
}

// Waits until one grab shows at least 50 pixels of each colour of `present`
// and none of `absent`; answers it.
Image WaitForColours(Program& program, const std::string& file, const std::vector<uint32_t>& present,
                     const std::vector<uint32_t>& absent, int seconds = 20) {
    return WaitForImage(program, file, seconds, [&](const Image& i) {
        for (uint32_t c : present)
            if (Find(i, c).count < 50) return false;
        for (uint32_t c : absent)
            if (Find(i, c).count > 0) return false;
        return true;
    });
}

// Stage 1 past its title band, with the coded sheets and `schedule` as the enemy schedule.
class QuenrithActions : public ::testing::Test {
protected:
    void Play(const std::string& schedule) {
        PrepareFolder(dir_.path(), schedule);
        program_ = std::make_unique<Program>(dir_.path(), dir_.path() + "/run", Display());
        ASSERT_NO_FATAL_FAILURE(Ready(*program_));
        ASSERT_NO_FATAL_FAILURE(StartStage1(*program_));
        ASSERT_NO_FATAL_FAILURE(PastStageTitle(*program_, dir_.file("t.rgb")));
    }
    Program& program() { return *program_; }
    std::string file() const { return dir_.file("a.rgb"); }

private:
    testdisplay::PrivateDisplay display_;
    testsupport::TempDir dir_;
    std::unique_ptr<Program> program_;
};

TEST_F(QuenrithActions, ChangeAndElementSwitchThePlayerItsShotsAndTheHud) {
    ASSERT_NO_FATAL_FAILURE(Play(kQuietSchedule));
    Program& program = this->program();
    const std::string file = this->file();

    // Yuri with her circle of element 0, gauge 10; Crow waits off the field.
    Image image = WaitForColours(program, file, {kYuri, kCircleYuri[0]}, {kCrow}, 30);
    ASSERT_GE(Find(image, kYuri).count, 50) << "the player never showed";
    EXPECT_GE(Find(image, kCircleYuri[0]).count, 50);
    EXPECT_EQ(Find(image, kCrow).count, 0);
    Hud hud = WaitForHud(program, file, {0, 1, 10, 0, -1});
    ASSERT_EQ(hud.Text(), (Hud{0, 1, 10, 0, -1}).Text());

    // Yuri's shot is the spinning look 1; her charged burst on release costs 2.
    image = HoldShot(program, file, kLook1[0], kLook2[0]);
    EXPECT_GE(Find(image, kLook1[0]).count, 300);
    EXPECT_LT(Find(image, kLook2[0]).count, 20);
    hud = WaitForHud(program, file, {0, 1, 8, 0, -1});
    EXPECT_EQ(hud.Text(), (Hud{0, 1, 8, 0, -1}).Text());
    // Every shot flies off the view before the change.
    image = WaitForColours(program, file, {}, {kLook1[0], kLook2[0]}, 30);
    ASSERT_EQ(Find(image, kLook1[0]).count + Find(image, kLook2[0]).count, 0) << "shots stayed";

    // CHANGE (A): Crow's body, circle and stock icons replace Yuri's.
    image = PushUntil(program, "a", file, HudShows("Yuri", [](const Hud& h) { return h.character == 1; }),
                      HudShows("Crow", [](const Hud& h) { return h.character == 2; }));
    ASSERT_EQ(ReadHud(image).character, 2) << "no change of character: " << ReadHud(image).Text();
    image = WaitForColours(program, file, {kCrow, kCircleCrow[0]}, {kYuri, kCircleYuri[0]});
    EXPECT_GE(Find(image, kCrow).count, 50);
    EXPECT_GE(Find(image, kCircleCrow[0]).count, 50);
    EXPECT_EQ(Find(image, kYuri).count, 0);
    EXPECT_EQ(Find(image, kCircleYuri[0]).count, 0);
    hud = WaitForHud(program, file, {0, 2, 8, 0, -1});
    EXPECT_EQ(hud.Text(), (Hud{0, 2, 8, 0, -1}).Text());

    // Crow's shot is look 2 and never look 1; her burst costs 1.
    image = HoldShot(program, file, kLook2[0], kLook1[0]);
    EXPECT_GE(Find(image, kLook2[0]).count, 300);
    EXPECT_LT(Find(image, kLook1[0]).count, 20);
    hud = WaitForHud(program, file, {0, 2, 7, 0, -1});
    EXPECT_EQ(hud.Text(), (Hud{0, 2, 7, 0, -1}).Text());

    // ELEMENT (C): the HUD block and the circle turn to element 1, and so do the shots.
    image = PushUntil(program, "c", file, HudShows("element 0", [](const Hud& h) { return h.element == 0; }),
                      HudShows("element 1", [](const Hud& h) { return h.element == 1; }));
    ASSERT_EQ(ReadHud(image).element, 1) << "no change of element: " << ReadHud(image).Text();
    hud = WaitForHud(program, file, {1, 2, 7, 0, -1});
    EXPECT_EQ(hud.Text(), (Hud{1, 2, 7, 0, -1}).Text());
    image = WaitForColours(program, file, {kCrow, kCircleCrow[1]}, {kCircleCrow[0]});
    EXPECT_GE(Find(image, kCrow).count, 50);
    EXPECT_GE(Find(image, kCircleCrow[1]).count, 50);
    EXPECT_EQ(Find(image, kCircleCrow[0]).count, 0);
    image = HoldShot(program, file, kLook2[1], kLook2[0]);
    EXPECT_GE(Find(image, kLook2[1]).count, 300);
    EXPECT_LT(Find(image, kLook2[0]).count, 20);
    hud = WaitForHud(program, file, {1, 2, 6, 0, -1});
    EXPECT_EQ(hud.Text(), (Hud{1, 2, 6, 0, -1}).Text());

    CloseCleanly(program);
}

// Share of rows 0..99 (nothing but background there while nobody moves up)
// where the background does not show: a cut-in covers them all.
double Covered(const Image& image) {
    int covered = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < kWidth; ++x) covered += At(image, x, y)[2] != kCellBlue;
    return covered / (100.0 * kWidth);
}

// Holds RIGHT until the HUD's gauge number leaves `from`.
void WalkUntilTheGaugeChanges(Program& program, const std::string& file, int from) {
    PushUntil(program, "Right", file, HudShows("gauge " + std::to_string(from), [from](const Hud& h) {
                  return h.gauge == from;
              }),
              HudShows("a gauge other than " + std::to_string(from), [from](const Hud& h) {
                  return h.gauge >= 0 && h.gauge != from;
              }));
}

TEST_F(QuenrithActions, ItemsFillTheGaugeAndForceSpendsIt) {
    ASSERT_NO_FATAL_FAILURE(Play(ItemSchedule()));
    Program& program = this->program();
    const std::string file = this->file();

    Image image = WaitForColours(program, file, {kYuri, kCircleYuri[0]}, {}, 30);
    ASSERT_GE(Find(image, kYuri).count, 50) << "the player never showed";
    const int circle = Find(image, kCircleYuri[0]).count;
    ASSERT_GE(circle, 50) << "no magic circle";
    // Gauge 10: the first pip half faded, no FORCE strip.
    Hud hud = WaitForHud(program, file, {0, 1, 10, 0, -1});
    ASSERT_EQ(hud.Text(), (Hud{0, 1, 10, 0, -1}).Text());

    // Walking right picks up the first five items at once: 60, three full pips
    // and the fourth full too (60 is a multiple of 20); the strip shows.
    WalkUntilTheGaugeChanges(program, file, 10);
    hud = WaitForHud(program, file, {0, 1, 60, 4, 0});
    ASSERT_EQ(hud.Text(), (Hud{0, 1, 60, 4, 0}).Text());
    // Then the other ten: 160, every small pip full.
    WalkUntilTheGaugeChanges(program, file, 60);
    hud = WaitForHud(program, file, {0, 1, 160, 6, 0});
    ASSERT_EQ(hud.Text(), (Hud{0, 1, 160, 6, 0}).Text());
    image = WaitForImage(program, file, 20, [](const Image& i) { return Covered(i) < 0.05; });
    ASSERT_LT(Covered(image), 0.05);

    // FORCE (V) with 160: the cut-in sweeps over the view (68 frames, so the
    // grabs follow each other closely) and the circle swells to the FORCE's
    // length (150 frames) across; the gauge is spent.
    bool cutIn = false;
    int widest = 0;
    image = PushUntil(program, "v", file, HudShows("gauge 160", [](const Hud& h) { return h.gauge == 160; }),
                      {"the FORCE's cut-in and circle",
                       [&](const Image& i) {
                           const double covered = Covered(i);
                           cutIn = cutIn || covered > 0.5;
                           widest = std::max(widest, Find(i, kCircleYuri[0]).count);
                           return widest > 4 * circle && (cutIn || (covered < 0.05 && ReadHud(i).gauge == 0));
                       }},
                      0);
    EXPECT_TRUE(cutIn) << "no cut-in";
    EXPECT_GT(widest, 4 * circle) << "the circle stayed " << circle;
    // Once the cut-in has gone the HUD shows the gauge at 0: one full pip, no strip.
    hud = WaitForHud(program, file, {0, 1, 0, 1, -1});
    EXPECT_EQ(hud.Text(), (Hud{0, 1, 0, 1, -1}).Text());

    CloseCleanly(program);
}

}  // namespace
