// Sound slots. A slot plays through the player library "Torvi.dll" (Ogg Vorbis
// and WAV, read by the library itself) or through DirectSound buffers filled
// here from a PCM WAV file. The game knows a sound by its slot number.
#pragma once

#include <cstdint>

#include "engine/core/KestraFile.h"
#include "platform/dsound/dsound.h"
#include "platform/torvi/torvi.h"
#include "platform/win32/types.h"

constexpr uint32_t KESTRA_SOUND_NONE = 0xFFFFFFFF;
constexpr uint32_t KESTRA_SOUND_MAX_BUFFERS = 32;

// One slot; all zero while free.
struct KestraSoundSlot {
    uint8_t inUse;
    uint32_t references;  // 1 after creation
    char name[MAX_PATH];  // the name given at creation
    IDirectSoundBuffer* buffers[KESTRA_SOUND_MAX_BUFFERS];  // 0 from the WAV data, the rest duplicates
    uint32_t bufferCount;
    uint32_t pausedPosition;  // play cursor saved by a pause
    uint8_t loop;             // the last start was a loop
    uint8_t paused;
    KestraFileHandle* file;   // open only during creation
    TorviInstance* player;    // null on the buffer path
};

namespace KestraSound {

// Slot count for the next start; 0 means 64.
void SetMaxSounds(uint32_t count);
uint32_t GetMaxSounds();

// Opens the sound device and loads the player library. A failed start leaves
// the module off: every operation then does nothing (creation answers -1).
bool Initialize();
// Releases every slot, the player library and the device. Harmless when the
// start failed or never ran.
void Finalize();
bool IsStarted();

// The player library ".\Torvi.dll": true when it is loaded and all five entry
// points are bound (whether it is also ready is IsPlayerReady).
bool LoadTorvi(const char* path);
bool IsPlayerReady();
// Logs what the device can do.
void CheckDeviceCaps();

// name is found through KestraFile (loose or packed). usePlayer plays through
// the player library when it is ready; otherwise name must be a PCM WAV file.
// bufferCount 1..32 (0 is 1, more is 32) buffers let one sound overlap itself.
// Answers the slot, or KESTRA_SOUND_NONE.
uint32_t CreateFromFile(const char* name, uint32_t playerFlags, bool usePlayer, bool allowHardware,
                        uint32_t bufferCount);
// Builds one buffer from RIFF WAVE bytes (PCM only).
bool CreateBufferFromWave(IDirectSoundBuffer** out, const uint8_t* data, uint32_t size, bool allowHardware);

// Play operations: slot KESTRA_SOUND_NONE, free slots and slots beyond the table
// are ignored. A player slot ignores the buffer index; a buffer slot ignores an
// index not below its buffer count.
void Play(uint32_t slot, uint32_t buffer);
// arg1 and arg2 go to the player unchanged (repeats, 0xFFFFFFFF endless; loop start).
void Loop(uint32_t slot, uint32_t arg1, uint32_t arg2, uint32_t buffer);
void Stop(uint32_t slot, uint32_t buffer);
// A toggle: pauses, or resumes where the pause left off.
void Pause(uint32_t slot, uint32_t buffer);
// 0 (silence) .. 100 (full).
void SetVolume(uint32_t slot, float volume, uint32_t buffer);
// Hundredths of a decibel for a volume: -(100 - v)^2, 0 above 100, -10000 below 0.
LONG VolumeToAttenuation(float volume);

// Drops one reference; the slot is freed when none is left.
void Release(uint32_t slot);
bool ReleaseSlot(uint32_t slot);

// The slot record, or null for a free or invalid slot (read only).
const KestraSoundSlot* GetSlot(uint32_t slot);

// The engine's DirectSound object with one reference added, or null.
void GetDirectSound(IDirectSound8** out);
// The same without a reference added (the module keeps it until Finalize).
IUnknown* GetDirectSound();

}  // namespace KestraSound
