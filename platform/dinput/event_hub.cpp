// The devices' view of SDL's events: key and joystick events reach the live
// devices as the window layer pumps them, and window activation decides whether
// foreground devices may hold their input.
#include <algorithm>
#include <map>
#include <vector>

#include "platform/dinput/dinput_internal.h"
#include "platform/win32/sdl_bridge.h"
#include "platform/win32/user.h"

namespace platform::dinput {
namespace {

struct Hub {
    std::vector<Device*> devices;
    // Activation seen in SDL's window events while devices were alive. A window
    // without any such event is as active as the window layer reports it.
    std::map<HWND, bool> active;
    bool observing = false;
};

Hub& TheHub() {
    static Hub* hub = new Hub;
    return *hub;
}

std::atomic<DWORD> g_sequence{0};

void OnWindowEvent(const SDL_WindowEvent& event) {
    HWND window = WindowOfSdlId(event.windowID);
    if (!window) return;
    bool nowActive;
    switch (event.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_SHOWN: nowActive = true; break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
    case SDL_WINDOWEVENT_MINIMIZED:
    case SDL_WINDOWEVENT_HIDDEN: nowActive = false; break;
    default: return;
    }
    Hub& hub = TheHub();
    hub.active[window] = nowActive;
    if (nowActive) return;
    // Copied: a device may be released by code the loss reaches.
    std::vector<Device*> devices = hub.devices;
    for (Device* device : devices) {
        if (device->window() != window) continue;
        device->OnWindowInactive();
        if (device->foreground()) device->LoseAcquisition();
    }
}

void Observe(const SDL_Event& event, void*) {
    if (event.type == SDL_WINDOWEVENT) {
        OnWindowEvent(event.window);
        return;
    }
    std::vector<Device*> devices = TheHub().devices;
    for (Device* device : devices) device->OnSdlEvent(event);
}

}  // namespace

void RegisterDevice(Device* device) {
    Hub& hub = TheHub();
    hub.devices.push_back(device);
    if (!hub.observing) {
        AddSdlEventObserver(&Observe, nullptr);
        hub.observing = true;
    }
}

void UnregisterDevice(Device* device) {
    Hub& hub = TheHub();
    hub.devices.erase(std::remove(hub.devices.begin(), hub.devices.end(), device), hub.devices.end());
    if (hub.devices.empty() && hub.observing) {
        RemoveSdlEventObserver(&Observe, nullptr);
        hub.observing = false;
        // Unobserved from now on: what was seen may go stale.
        hub.active.clear();
    }
}

bool WindowActive(HWND window) {
    if (!window || !IsWindow(window)) return false;
    const Hub& hub = TheHub();
    auto it = hub.active.find(window);
    if (it != hub.active.end()) return it->second;
    return GetForegroundWindow() == window;
}

DWORD NextSequence() { return ++g_sequence; }

}  // namespace platform::dinput
