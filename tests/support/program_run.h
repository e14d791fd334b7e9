// One run of the real game executable, for tests that drive it from outside.
#pragma once

#include <sys/types.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
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

// Whether the display repeats held keys: 1 on, 0 off, -1 when it cannot be asked.
int KeyRepeat(const std::string& display);

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

// A key press that must be seen to take effect. The program reads its keys once
// a frame and a busy machine stalls its frames for long stretches, so no press
// goes out on a timer: the screen that takes it is waited for first, and the
// change it causes afterwards.
struct KeyPress {
    std::string key;      // an xdotool key name or chord ("alt+F4")
    std::string before;   // what `ready` waits for, for the failure message
    std::function<bool()> ready;  // the screen that takes the key is up; none: at once
    std::string after;    // what `done` waits for, for the retry lines and the failure message
    std::function<bool()> done;   // the change the press causes
    // Keep the key down until `done` (moves, charges, held actions) instead of
    // letting it go after a few frames; `whileHeld` then runs before it is let go.
    bool holdUntilDone = false;
    std::function<void()> whileHeld;
    // How long one press waits for `done` (and `ready`), as WaitUntil: a stalled
    // program is not pressed again. A press whose change never shows is
    // repeated, `tries` in all, each time only once `ready` holds again and
    // `done` still does not.
    int frames = 120;
    int seconds = 10;
    int tries = 4;
    int pollMs = 50;
};

// bin/quenrith started with its own program folder, runtime folder (the
// single-instance lock lives there) and X display; message boxes are recorded to
// <folder>/boxes.txt instead of shown, standard output goes to <folder>/stdout.txt.
// The program takes one key snapshot per frame: a key goes down, is held a few
// frames and let go, and the next waits for what the last one changed (PressUntil).
// Every wait and outside command ends by its own limit and by the test's time
// (TestSecondsLeft); the key repeat of the display is left as it is.
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
    // Waits until the output holds `text`; false after `seconds` (see WaitUntil).
    bool WaitForOutput(const std::string& text, int seconds);
    // Waits until the file (relative to the program folder) exists and answers
    // `predicate` true; false after `seconds` (see WaitUntil).
    bool WaitForFile(const std::string& name, int seconds, bool (*predicate)(const std::string& bytes) = nullptr);

    // Finds the window and gives it the keyboard; false when there is none.
    bool Focus(int seconds);
    // Milliseconds of one frame at the caption's last rate (1000 when unknown).
    int FrameMs() const;
    // Waits until at least `frames` frames have run by the caption's statistics,
    // for at most `seconds`; answers the frames counted (fewer than ran, never more).
    int WaitForFrames(int frames, int seconds);
    // Calls `until` every `pollMs` ms until it holds: false once `seconds` have
    // passed and the program has run `frames` frames by its caption (a stalled
    // program is given its frames), after four times `seconds` (120 s at least),
    // or when the test's time is up (printed).
    bool WaitUntil(const std::function<bool()>& until, int seconds, int frames, int pollMs = 50);
    // How long the last wait took, for messages: "12 s and 340 frames".
    std::string Waited() const;
    // Waits for `press.ready`, then presses the key until `press.done` holds.
    // Before a repeat it waits for `ready` or `done` again: a change that came
    // late is printed and not pressed for again, but for a held key's
    // `whileHeld`, for which the key is held down again (and that is printed);
    // every repeated press is printed. Fails naming the step that never came.
    ::testing::AssertionResult PressUntil(const KeyPress& press);
    // Holds a key for a few frames and lets it go, for a caller that watches the
    // screen between taps itself (shots at a boss).
    void Tap(const std::string& name);
    // Keys sent down so far by PressUntil and Tap (a chord once).
    int KeyDowns() const { return keyDowns_; }
    // Alt+F4 until the program has ended; answers its exit status, -1 when it
    // did not end within `seconds` of each of a few presses.
    int CloseWithAltF4(int seconds);
    // One pixel of the window, in window coordinates.
    Rgb Pixel(int x, int y) const;
    // Waits until the pixel equals `want`; answers the last pixel read.
    Rgb WaitForPixel(int x, int y, const Rgb& want, int seconds = 30);
    const std::string& window() const { return window_; }
    const std::string& display() const { return display_; }
    const std::string& folder() const { return folder_; }

private:
    void Start(const std::string& runtime, bool withDisplay);
    void KeyDown(const std::string& key);
    // Milliseconds a key is held, and kept up after a press that showed.
    int HoldMs() const;
    // What the last wait waited, for the messages.
    struct Wait {
        int seconds = 0;
        int frames = 0;
        bool outOfTime = false;  // ended by the test's time
    };
    Wait waited_;

    std::string folder_;
    std::string display_;
    std::string window_;
    pid_t pid_ = -1;
    int keyDowns_ = 0;
    bool exited_ = false;
    int status_ = 0;
};

}  // namespace testsupport
