// What the program's DirectSound object offers beyond DirectSound: to the
// player library ("Torvi.dll", a shared object loaded at run time), and to the
// engine, which asks it how much sound memory is left before it reads a sound
// whole.
//
// The player receives the program's IDirectSound at Torvi_Initialize and asks it
// (QueryInterface) for IKestraSoundHost. Through it the player mixes decoded
// streams into the same output as the DirectSound buffers and opens files
// through the program's file layer (Windows paths, case-insensitive names, the
// fault registry). Everything crosses the library boundary as virtual calls on
// objects living in the program, so the player links none of the platform's
// code and no mixer state is duplicated.
#pragma once

#include <cstdint>

#include "platform/dsound/dsound.h"

// Implemented by the player. The mixer calls it from the audio thread while it
// holds the stream's lock (IKestraSoundStream::Lock).
struct IKestraSoundSource {
    // Fills up to `frames` frames of interleaved signed 16-bit samples in the
    // stream's channel count. Fewer than asked means the sound has ended: the
    // stream stops by itself once those frames have played.
    virtual uint32_t ReadFrames(int16_t* out, uint32_t frames) = 0;

protected:
    ~IKestraSoundSource() = default;
};

// A voice of the mixer fed by a source. Created inactive.
struct IKestraSoundStream : IUnknown {
    // The mixer's lock (recursive): hold it while changing what the source
    // will produce, so the audio thread never reads half-changed state.
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
    // Starts or halts pulling from the source; frames already pulled are kept
    // (a pause resumes seamlessly).
    virtual void SetActive(bool active) = 0;
    // False when halted or when the source ran out and its last frames played.
    virtual bool IsActive() = 0;
    // Drops frames pulled but not yet played (after the source was rewound).
    virtual void Flush() = 0;
    // Hundredths of a decibel, DSBVOLUME_MIN..DSBVOLUME_MAX, as buffers have it.
    virtual void SetVolume(LONG volume) = 0;
};

// Reached by QueryInterface(IID_IKestraSoundHost) on an initialised IDirectSound.
struct IKestraSoundHost : IUnknown {
    // rate 100..200000, channels 1 or 2.
    virtual HRESULT CreateStream(IKestraSoundSource* source, DWORD rate, WORD channels,
                                 IKestraSoundStream** stream) = 0;
    // Reads `size` bytes at `offset` of a file named as the program names files.
    // The block counts against the process's sound memory until FreeBlock.
    // E_INVALIDARG when the window lies outside the file, E_FAIL when the file
    // cannot be opened or read, KESTRA_E_SOUNDMEMORY (checked before anything
    // is read) when the window is more than the sound memory left, E_OUTOFMEMORY.
    virtual HRESULT ReadFileWindow(LPCSTR path, DWORD offset, DWORD size, void** block) = 0;
    // Frees a block of ReadFileWindow or AllocateBlock.
    virtual void FreeBlock(void* block) = 0;
    // The program's fault registry (platform::FaultHit), for the player's own
    // failure paths ("Torvi_Initialize", "Torvi_CreateInstanceFromFileEx").
    virtual bool FaultHit(LPCSTR name) = 0;
    // An uninitialised block counted against the process's sound memory until
    // FreeBlock; KESTRA_E_SOUNDMEMORY or E_OUTOFMEMORY as ReadFileWindow.
    virtual HRESULT AllocateBlock(DWORD size, void** block) = 0;
    // Bytes the process's sounds may still take.
    virtual uint64_t SoundMemoryLeft() = 0;
};

// A sound larger than the sound memory left: ERROR_NOT_ENOUGH_QUOTA.
inline constexpr HRESULT KESTRA_E_SOUNDMEMORY = static_cast<HRESULT>(0x80070718);

inline constexpr IID IID_IKestraSoundHost = {0x5B1E2A70, 0x3C4D, 0x4E8F, {0x9A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x60, 0x71}};
