// The debug console and debug output: both go to the process's stderr, as UTF-8
// (the program's texts are CP932); console colours become ANSI sequences.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <string>

#include "platform/win32/cp932.h"
#include "platform/win32/kernel.h"
#include "platform/win32/kernel_internal.h"

namespace platform {

namespace {

class ConsoleObject : public KernelObject {
public:
    explicit ConsoleObject(int fd) : fd_(fd) {}
    bool Closable() const override { return false; }
    DWORD Wait(DWORD) override { return WAIT_OBJECT_0; }
    int fd() const { return fd_; }

private:
    int fd_;
};

struct Console {
    std::mutex lock;
    bool allocated = false;
    HANDLE handles[3] = {nullptr, nullptr, nullptr};  // input, output, error
};
Console& TheConsole() {
    static Console* console = new Console;  // outlives static destructors
    return *console;
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

// Windows colour bits (blue 1, green 2, red 4, intensity 8; the background in
// the next four bits) as an ANSI sequence.
std::string AnsiColourOf(WORD attributes) {
    auto ansi = [](unsigned bits) { return ((bits & 4) ? 1 : 0) | ((bits & 2) ? 2 : 0) | ((bits & 1) ? 4 : 0); };
    unsigned fg = attributes & 0x0F;
    unsigned bg = (attributes >> 4) & 0x0F;
    int fgCode = ((fg & 8) ? 90 : 30) + ansi(fg);
    int bgCode = ((bg & 8) ? 100 : 40) + ansi(bg);
    return "\x1b[" + std::to_string(fgCode) + ";" + std::to_string(bgCode) + "m";
}

}  // namespace platform

void OutputDebugStringA(LPCSTR text) {
    if (!text) return;
    platform::WriteAll(STDERR_FILENO, platform::Cp932ToUtf8(text));
}

BOOL AllocConsole() {
    platform::Console& console = platform::TheConsole();
    std::lock_guard<std::mutex> guard(console.lock);
    if (console.allocated) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    console.allocated = true;
    return TRUE;
}

BOOL FreeConsole() {
    platform::Console& console = platform::TheConsole();
    std::lock_guard<std::mutex> guard(console.lock);
    console.allocated = false;
    return TRUE;
}

HANDLE GetStdHandle(DWORD stdHandle) {
    int index;
    if (stdHandle == STD_INPUT_HANDLE) index = 0;
    else if (stdHandle == STD_OUTPUT_HANDLE) index = 1;
    else if (stdHandle == STD_ERROR_HANDLE) index = 2;
    else {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_HANDLE_VALUE;
    }
    platform::Console& console = platform::TheConsole();
    std::lock_guard<std::mutex> guard(console.lock);
    if (!console.handles[index]) {
        // Console output goes to stderr: stdout may belong to a tool's data.
        int fd = index == 0 ? STDIN_FILENO : STDERR_FILENO;
        console.handles[index] = platform::RegisterHandle(std::make_shared<platform::ConsoleObject>(fd));
    }
    return console.handles[index];
}

BOOL WriteConsoleA(HANDLE console, const void* buffer, DWORD charsToWrite, LPDWORD charsWritten, LPVOID) {
    if (charsWritten) *charsWritten = 0;
    auto object = platform::LookupHandleAs<platform::ConsoleObject>(console);
    if (!object || object->fd() == STDIN_FILENO) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (charsToWrite > 0 && !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string text(static_cast<const char*>(buffer), charsToWrite);
    if (!platform::WriteAll(object->fd(), platform::Cp932ToUtf8(text))) {
        SetLastError(platform::Win32ErrorFromErrno(errno));
        return FALSE;
    }
    if (charsWritten) *charsWritten = charsToWrite;
    return TRUE;
}

BOOL SetConsoleTextAttribute(HANDLE console, WORD attributes) {
    auto object = platform::LookupHandleAs<platform::ConsoleObject>(console);
    if (!object || object->fd() == STDIN_FILENO) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    platform::WriteAll(object->fd(), platform::AnsiColourOf(attributes));
    return TRUE;
}
