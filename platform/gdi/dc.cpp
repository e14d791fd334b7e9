// Device contexts. Nothing is drawn through them: they carry the selected font
// for the metric and glyph calls.
#include "platform/gdi/gdi_internal.h"
#include "platform/win32/kernel.h"
#include "platform/win32/user.h"

using namespace platform::gdi;

HDC GetDC(HWND window) {
    // A null window is the screen's context; anything else must be a live window.
    if (window && !IsWindow(window)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(Lock());
    auto dc = std::make_shared<DeviceContext>();
    dc->window = window;
    return AddContext(std::move(dc));
}

int ReleaseDC(HWND window, HDC handle) {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<DeviceContext> dc = FindContext(handle);
    // Memory contexts go with DeleteDC; a context is released by the window it came from.
    if (!dc || dc->memory || dc->window != window) return 0;
    DropSelection(*dc);
    RemoveContext(handle);
    return 1;
}

HDC CreateCompatibleDC(HDC handle) {
    std::lock_guard<std::mutex> guard(Lock());
    if (handle && !FindContext(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto dc = std::make_shared<DeviceContext>();
    dc->memory = true;
    return AddContext(std::move(dc));
}

BOOL DeleteDC(HDC handle) {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<DeviceContext> dc = FindContext(handle);
    if (!dc || !dc->memory) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DropSelection(*dc);
    RemoveContext(handle);
    return TRUE;
}
