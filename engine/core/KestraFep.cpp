// Input-method text.
#include "engine/core/KestraFep.h"

#include <cstring>

#include "engine/core/Kestra.h"
#include "engine/core/KestraShiftJis.h"
#include "platform/win32/win32.h"

namespace {

char g_text[KestraFep::kBufferSize];
uint32_t g_length = 0;
uint8_t g_last = 0;
bool g_enabled = false;
HWND g_window = nullptr;
HIMC g_context = nullptr;
HWND g_imeWindow = nullptr;  // the module's own conversion window; none is ever opened

}  // namespace

namespace KestraFep {

bool Initialize() {
    memset(g_text, 0, sizeof(g_text));
    g_length = 0;
    g_last = 0;
    g_enabled = true;
    g_window = Kestra::GetWindowHandle();
    HWND ime = ImmGetDefaultIMEWnd(g_window);
    if (ime) SendMessageA(ime, WM_CLOSE, 0, 0);
    g_context = ImmGetContext(g_window);
    return true;
}

void Finalize() {
    if (g_context) ImmReleaseContext(g_window, g_context);
    g_context = nullptr;
    g_enabled = false;
}

void AddChar(uint8_t code) {
    if (!g_enabled) return;
    const bool secondByte = Kestra::IsLeadByte(g_last);
    if (!secondByte) {
        if (code == 13) {
            g_last = code;
            return;
        }
        if (code == 8) {
            BackSpace();
            return;
        }
        if (code < 32) return;
    }
    // One byte stays for the terminator, and a lead byte goes in only with room
    // for its trail, so the text never ends in half a character.
    const uint32_t need = (!secondByte && Kestra::IsLeadByte(code)) ? 2 : 1;
    if (g_length + need > kBufferSize - 1) {
        // A refused lead byte is still remembered, so its trail is dropped with it.
        g_last = secondByte ? 0 : code;
        return;
    }
    g_text[g_length++] = static_cast<char>(code);
    g_text[g_length] = '\0';
    g_last = secondByte ? 0 : code;
}

void BackSpace() {
    uint32_t pos = 0;
    uint32_t lastStart = 0;
    bool any = false;
    while (pos < g_length) {
        lastStart = pos;
        any = true;
        pos += static_cast<uint32_t>(platform::CharBytes(g_text + pos, g_length - pos));
    }
    if (!any) return;
    g_length = lastStart;
    memset(g_text + g_length, 0, kBufferSize - g_length);
}

void CloseWindow() {
    if (g_imeWindow) SendMessageA(g_imeWindow, WM_CLOSE, 0, 0);
    g_imeWindow = nullptr;
}

const char* GetString() { return g_text; }
uint32_t GetLength() { return g_length; }
uint8_t GetLastChar() { return g_last; }

}  // namespace KestraFep
