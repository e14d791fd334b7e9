// CD audio.
#include "engine/core/KestraCDDA.h"

#include "engine/core/Kestra.h"

namespace {

struct McicPlayParams {
    DWORD_PTR callback;
    DWORD from;
    DWORD to;
};

MCIDEVICEID g_device = 0;  // 0: no device open
bool g_loop = false;
bool g_playing = false;
uint32_t* g_tracks = nullptr;  // track table of the open device
uint32_t g_firstTrack = 0;
uint32_t g_lastTrack = 0;

void CloseDevice() {
    if (g_device) {
        if (g_playing) mciSendCommandA(g_device, MCI_STOP, 0, 0);
        mciSendCommandA(g_device, MCI_CLOSE, 0, 0);
    }
    g_device = 0;
    g_playing = false;
    g_loop = false;
    if (g_tracks) Kestra::MemoryFree(g_tracks);
    g_tracks = nullptr;
}

}  // namespace

namespace KestraCDDA {

bool Initialize() { return true; }

void Finalize() { CloseDevice(); }

void OnNotify(WPARAM notifyCode, LPARAM deviceId) {
    if (!g_device || static_cast<MCIDEVICEID>(deviceId) != g_device) return;
    if (notifyCode != MCI_NOTIFY_SUCCESSFUL) return;
    g_playing = false;
    if (!g_loop) return;
    McicPlayParams play{};
    play.callback = reinterpret_cast<DWORD_PTR>(Kestra::GetWindowHandle());
    play.from = g_firstTrack;
    play.to = g_lastTrack;
    if (mciSendCommandA(g_device, MCI_PLAY, MCI_NOTIFY | MCI_FROM | MCI_TO, reinterpret_cast<DWORD_PTR>(&play)) != 0) {
        CloseDevice();
        return;
    }
    g_playing = true;
}

bool IsOpen() { return g_device != 0; }

}  // namespace KestraCDDA
