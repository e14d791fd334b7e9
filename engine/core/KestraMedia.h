// Media playback (use flag 8): the slot table and the graph-event hook. This
// system opens no media, so the table stays empty.
#pragma once

#include <cstdint>

#include "platform/win32/types.h"

struct KestraMediaSlot {
    uint8_t inUse;
    uint32_t references;
    char fileName[MAX_PATH];
    IUnknown* interfaces[6];  // graph, control, events, seeking, audio, video
    uint8_t loop;
    uint8_t deleteFileOnRelease;
};

namespace KestraMedia {
// Slot count for the next start; 0 means 64.
void SetMaxMedia(uint32_t count);
bool Initialize();
void Finalize();
// WM_USER + 2: drains the events of every slot in use.
void OnGraphEvent();
void ReleaseSlot(uint32_t slot);
bool IsStarted();
}  // namespace KestraMedia
