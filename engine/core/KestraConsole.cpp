// The debug console.
#include "engine/core/KestraConsole.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/win32/win32.h"

namespace {
bool g_opened = false;
HANDLE g_output = nullptr;
}  // namespace

namespace KestraConsole {

bool Initialize() {
    if (g_opened) return true;
    if (!AllocConsole()) return false;
    g_opened = true;
    g_output = GetStdHandle(STD_OUTPUT_HANDLE);
    return true;
}

void Finalize() {
    if (!g_opened) return;
    FreeConsole();
    g_opened = false;
    g_output = nullptr;
}

bool IsOpen() { return g_opened; }

void Print(const char* format, ...) {
    if (!g_opened) return;
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    DWORD written = 0;
    WriteConsoleA(g_output, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
}

void SetColor(uint16_t attribute) {
    if (!g_opened) return;
    SetConsoleTextAttribute(g_output, attribute);
}

}  // namespace KestraConsole
