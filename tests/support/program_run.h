// One run of the real game executable, for tests that drive it from outside.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// One pixel as the screen shows it.
struct Rgb {
    int r = -1;
    int g = -1;
    int b = -1;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

// Asks a window to close the way a window manager's close box does
// (WM_DELETE_WINDOW).
bool SendCloseBox(const std::string& display, const std::string& windowId);

// A rectangle of one colour (0xAARRGGBB) in a test image.
struct FlatRect {
    int x, y, width, height;
    uint32_t argb;
};
// Writes a PNG of `width` x `height` in `background`, with the rectangles
// painted over it in order; missing folders are made.
void WriteFlatPng(const std::string& path, int width, int height, uint32_t background,
                  const std::vector<FlatRect>& rects = {});

// Runs a shell command; answers its standard output without trailing line ends.
std::string Shell(const std::string& command);

// bin/quenrith started with its own program folder, runtime folder (the
// single-instance lock lives there) and X display; message boxes are recorded to
// <folder>/boxes.txt instead of shown, standard output goes to <folder>/stdout.txt.
// The program takes one key snapshot per frame: keys are held and separated by
// several frames. Every wait has a timeout.
class ProgramRun {
public:
    ProgramRun(const std::string& folder, const std::string& runtime, const std::string& display);
    // A run as from a terminal with no display at all: DISPLAY, WAYLAND_DISPLAY and
    // SDL_VIDEODRIVER unset, message boxes not recorded (they go where a player's
    // would) and standard error kept in <folder>/stderr.txt.
    struct NoDisplay {};
    ProgramRun(const std::string& folder, const std::string& runtime, NoDisplay);
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    bool started() const { return pid_ > 0; }
    // A shell command against the run's display (standard error dropped).
    std::string X(const std::string& command) const;
    // The id of the program's window with the game's caption, or "" after `seconds`.
    std::string FindWindow(int seconds);
    bool Exited();
    // Exit status (128 + signal when killed), or -1 when it did not end in time.
    int WaitExit(int seconds);
    std::string Log() const;
    std::string Boxes() const;
    // Standard output so far (UTF-8, as a terminal gets it).
    std::string Output() const;
    // Standard error so far; kept only by a NoDisplay run.
    std::string Errors() const;
    // Waits until the output holds `text`; false after `seconds`.
    bool WaitForOutput(const std::string& text, int seconds);
    // Waits until the file (relative to the program folder) exists and answers
    // `predicate` true; false after `seconds`.
    bool WaitForFile(const std::string& name, int seconds, bool (*predicate)(const std::string& bytes) = nullptr);

    // Finds the window and gives it the keyboard; false when there is none.
    bool Focus(int seconds);
    // Presses and releases one key (an xdotool key name), holding it for
    // `holdMs` and waiting `gapMs` after it.
    // Hold and gap are stretched to several frames at the rate the caption reports.
    void Key(const std::string& name, int holdMs = 250, int gapMs = 250);
    // Milliseconds of one frame at the caption's last rate (1000 when unknown).
    int FrameMs() const;
    void Keys(const std::vector<std::string>& names);
    // One pixel of the window, in window coordinates.
    Rgb Pixel(int x, int y) const;
    // Waits until the pixel equals `want`; answers the last pixel read.
    Rgb WaitForPixel(int x, int y, const Rgb& want, int seconds = 30) const;
    const std::string& window() const { return window_; }
    const std::string& display() const { return display_; }

private:
    void Start(const std::string& runtime, bool withDisplay);

    std::string folder_;
    std::string display_;
    std::string window_;
    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = 0;
};

}  // namespace testsupport
