// CD audio (use flag 16): the MCI notification hook and the device's close. This
// system opens no CD device.
#pragma once

#include <cstdint>

#include "platform/win32/types.h"

namespace KestraCDDA {
bool Initialize();
void Finalize();
// MM_MCINOTIFY: replays a looping range when it finished.
void OnNotify(WPARAM notifyCode, LPARAM deviceId);
bool IsOpen();
}  // namespace KestraCDDA
