// MessageBoxA: an SDL message box in a real run; recorded (and answered OK at
// once) in a test run; written to stderr where no box can be shown, so a
// headless run never waits for a click nobody can make.
#include <SDL.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/cp932.h"
#include "platform/win32/sdl_bridge.h"
#include "platform/win32/testing.h"
#include "platform/win32/user.h"

namespace {

constexpr UINT kButtonMask = 0x0000000F;
constexpr UINT kIconMask = 0x000000F0;

struct Recording {
    std::mutex lock;
    bool inMemory = false;
    std::vector<platform::RecordedMessageBox> boxes;
};

Recording& Rec() {
    static Recording* recording = new Recording;
    return *recording;
}

// One write per box: appends from parallel processes do not interleave.
bool AppendToFile(const char* path, const std::string& line) {
    int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    ssize_t written = ::write(fd, line.data(), line.size());
    ::close(fd);
    return written == static_cast<ssize_t>(line.size());
}

// Straight to the descriptor: the line is UTF-8 already, and the program's
// standard error stream would convert it from CP932 a second time.
int WriteToStderr(const std::string& caption, const std::string& text) {
    std::string line = platform::Cp932ToUtf8(caption) + ": " + platform::Cp932ToUtf8(text) + "\n";
    std::fflush(stderr);
    for (size_t done = 0; done < line.size();) {
        ssize_t written = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) break;
        done += static_cast<size_t>(written);
    }
    return IDOK;
}

bool HaveDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

int ShowSdlBox(HWND window, const std::string& caption, const std::string& text, UINT type) {
    SDL_MessageBoxButtonData buttons[2];
    int buttonCount = 1;
    int closedAnswer = IDOK;  // the answer when the box is closed without a button
    switch (type & kButtonMask) {
    case MB_OKCANCEL:
        buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDOK, "OK"};
        buttons[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDCANCEL, "Cancel"};
        buttonCount = 2;
        closedAnswer = IDCANCEL;
        break;
    case MB_YESNO:
        buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"};
        buttons[1] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"};
        buttonCount = 2;
        closedAnswer = IDNO;
        break;
    default:
        buttons[0] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK, "OK"};
        break;
    }
    Uint32 flags;
    switch (type & kIconMask) {
    case MB_ICONERROR: flags = SDL_MESSAGEBOX_ERROR; break;
    case MB_ICONWARNING: flags = SDL_MESSAGEBOX_WARNING; break;
    default: flags = SDL_MESSAGEBOX_INFORMATION; break;
    }
    // A hidden or destroyed window cannot own the box.
    SDL_Window* parent = platform::SdlWindowOf(window);
    if (parent && !(SDL_GetWindowFlags(parent) & SDL_WINDOW_SHOWN)) parent = nullptr;

    std::string title = platform::Cp932ToUtf8(caption);
    std::string message = platform::Cp932ToUtf8(text);
    SDL_MessageBoxData data{};
    data.flags = flags;
    data.window = parent;
    data.title = title.c_str();
    data.message = message.c_str();
    data.numbuttons = buttonCount;
    data.buttons = buttons;
    int answer = -1;
    if (SDL_ShowMessageBox(&data, &answer) != 0) return WriteToStderr(caption, text);
    return answer < 0 ? closedAnswer : answer;
}

}  // namespace

namespace platform {

void SetMessageBoxRecording(bool on) {
    std::lock_guard<std::mutex> guard(Rec().lock);
    Rec().inMemory = on;
}

std::vector<RecordedMessageBox> RecordedMessageBoxes() {
    std::lock_guard<std::mutex> guard(Rec().lock);
    return Rec().boxes;
}

void ClearRecordedMessageBoxes() {
    std::lock_guard<std::mutex> guard(Rec().lock);
    Rec().boxes.clear();
}

}  // namespace platform

int MessageBoxA(HWND window, LPCSTR text, LPCSTR caption, UINT type) {
    const std::string textBytes = text ? text : "";
    const std::string captionBytes = caption ? caption : "Error";  // Windows' caption when none is given
    bool recorded = false;
    {
        std::lock_guard<std::mutex> guard(Rec().lock);
        if (Rec().inMemory) {
            Rec().boxes.push_back({captionBytes, textBytes, type});
            recorded = true;
        }
    }
    const char* file = std::getenv("KESTRA_MSGBOX_RECORD");
    if (file && *file) {
        std::string line = captionBytes + "\t" + textBytes + "\t" + std::to_string(type) + "\n";
        if (!AppendToFile(file, line)) {
            std::fprintf(stderr, "MessageBoxA: cannot record to %s\n", file);
            WriteToStderr(captionBytes, textBytes);
        }
        recorded = true;
    }
    if (recorded) return IDOK;
    if (!HaveDisplay()) return WriteToStderr(captionBytes, textBytes);
    return ShowSdlBox(window, captionBytes, textBytes, type);
}
