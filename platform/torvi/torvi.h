// The sound player library "Torvi.dll" (built as Torvi.so beside the program):
// plays Ogg Vorbis and PCM WAV files, or a window of a bigger file, through the
// program's DirectSound object. The program loads it at run time and binds the
// entry points below by name.
#pragma once

#include "platform/win32/types.h"

struct IDirectSound;

// The library exports the five entry points and the playback interface only.
#if defined(TORVI_BUILD)
#define TORVI_API __attribute__((visibility("default")))
#else
#define TORVI_API
#endif

// A playback object. Calls come from one thread (the program's main thread);
// the sound itself plays on the audio thread.
class TORVI_API TorviInstance {
public:
    // True while the sound plays (a paused sound is not playing).
    virtual BOOL IsPlaying() = 0;
    // Plays the sound once from its start (restarting it if it plays).
    // Both arguments are reserved: pass 0.
    virtual void Play(DWORD reserved1, DWORD reserved2) = 0;
    // Plays from the start and then repeats: `repeats` more times after the
    // first pass (0xFFFFFFFF: without end), each repeat starting at the sample
    // frame `loopStart` (0: the start; past the end: the start).
    virtual void Loop(DWORD repeats, DWORD loopStart) = 0;
    // Stops and rewinds to the start.
    virtual void Stop() = 0;
    // Pauses a playing sound, or resumes a paused one where it stopped; does
    // nothing to a stopped sound.
    virtual void Pause() = 0;
    // 0 (silence) to 100 (full). The loudness follows DirectSound's scale as
    // the program uses it: -(100 - volume)^2 hundredths of a decibel.
    virtual void SetVolume(float volume) = 0;
    virtual float GetVolume() = 0;
    // Stops the sound and frees the object.
    virtual void Release() = 0;

protected:
    ~TorviInstance() = default;
};

extern "C" {
// Binds the player to the program's DirectSound object (*directSound; the
// player keeps its own reference until Torvi_Uninitialize). flags and the
// reserved values are 0. Non-zero when the player is ready.
TORVI_API BOOL Torvi_Initialize(DWORD flags, IDirectSound** directSound, DWORD reserved1, DWORD reserved2);
// Silences every remaining instance and lets go of DirectSound.
TORVI_API void Torvi_Uninitialize();
// Opens `size` bytes at `offset` of the file `path` (a Windows path as the
// program names files; for a sound inside a pack file, the pack's path and the
// entry's offset and size). Ogg Vorbis and PCM WAV (8 or 16 bits, mono or
// stereo) are recognised by their contents. flags is reserved: pass 0.
// Null on failure, with the reason in Torvi_GetLastError.
TORVI_API TorviInstance* Torvi_CreateInstanceFromFileEx(LPCSTR path, DWORD offset, DWORD size, DWORD flags);
// The same from bytes in memory (copied; the caller keeps its block).
TORVI_API TorviInstance* Torvi_CreateInstanceFromMemory(LPCVOID data, DWORD size, DWORD flags);
// Copies the calling thread's last error text (terminated, cut to fit) into
// `text`; answers the length of the whole text.
TORVI_API DWORD Torvi_GetLastError(LPSTR text, DWORD size);
}

typedef BOOL (*PFN_Torvi_Initialize)(DWORD, IDirectSound**, DWORD, DWORD);
typedef void (*PFN_Torvi_Uninitialize)();
typedef TorviInstance* (*PFN_Torvi_CreateInstanceFromFileEx)(LPCSTR, DWORD, DWORD, DWORD);
typedef TorviInstance* (*PFN_Torvi_CreateInstanceFromMemory)(LPCVOID, DWORD, DWORD);
typedef DWORD (*PFN_Torvi_GetLastError)(LPSTR, DWORD);
