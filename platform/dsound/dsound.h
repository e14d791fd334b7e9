// DirectSound 8 subset: a software mixer over the SDL audio device. Interfaces,
// structures and constants carry their documented names and numeric values.
#pragma once

#include "platform/win32/types.h"

struct IDirectSound;
struct IDirectSound8;
struct IDirectSoundBuffer;
struct IDirectSoundBuffer8;
typedef IDirectSound* LPDIRECTSOUND;
typedef IDirectSound8* LPDIRECTSOUND8;
typedef IDirectSoundBuffer* LPDIRECTSOUNDBUFFER;
typedef IDirectSoundBuffer8* LPDIRECTSOUNDBUFFER8;
typedef const GUID* LPCGUID;

// ---- Class and interface ids
inline constexpr CLSID CLSID_DirectSound = {0x47D4D946, 0x62E8, 0x11CF, {0x93, 0xBC, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
inline constexpr CLSID CLSID_DirectSound8 = {0x3901CC3F, 0x84B5, 0x4FA4, {0xBA, 0x35, 0xAA, 0x81, 0x72, 0xB8, 0xA0, 0x9B}};
inline constexpr IID IID_IDirectSound = {0x279AFA83, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr IID IID_IDirectSound8 = {0xC50A7E93, 0xF395, 0x4834, {0x9E, 0xF6, 0x7F, 0xA9, 0x9D, 0xE5, 0x09, 0x66}};
inline constexpr IID IID_IDirectSoundBuffer = {0x279AFA85, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
inline constexpr IID IID_IDirectSoundBuffer8 = {0x6825A449, 0x7524, 0x4D82, {0x92, 0x0F, 0x50, 0xE3, 0x6A, 0xB3, 0xAB, 0x1E}};
inline constexpr GUID DSDEVID_DefaultPlayback = {0xDEF00000, 0x9C6D, 0x47ED, {0xAA, 0xF1, 0x4D, 0xDA, 0x8F, 0x2B, 0x5C, 0x03}};
inline constexpr GUID DSDEVID_DefaultVoicePlayback = {0xDEF00002, 0x9C6D, 0x47ED, {0xAA, 0xF1, 0x4D, 0xDA, 0x8F, 0x2B, 0x5C, 0x03}};
inline constexpr GUID DS3DALG_DEFAULT = {0x00000000, 0x0000, 0x0000, {0, 0, 0, 0, 0, 0, 0, 0}};

// ---- Results
#define DS_OK S_OK
#define DS_CERTIFIED 0x00000000
#define DS_UNCERTIFIED 0x00000001
#define DSERR_ALLOCATED MAKE_HRESULT(1, 0x878, 10)
#define DSERR_CONTROLUNAVAIL MAKE_HRESULT(1, 0x878, 30)
#define DSERR_INVALIDPARAM E_INVALIDARG
#define DSERR_INVALIDCALL MAKE_HRESULT(1, 0x878, 50)
#define DSERR_GENERIC E_FAIL
#define DSERR_PRIOLEVELNEEDED MAKE_HRESULT(1, 0x878, 70)
#define DSERR_OUTOFMEMORY E_OUTOFMEMORY
#define DSERR_BADFORMAT MAKE_HRESULT(1, 0x878, 100)
#define DSERR_UNSUPPORTED E_NOTIMPL
#define DSERR_NODRIVER MAKE_HRESULT(1, 0x878, 120)
#define DSERR_ALREADYINITIALIZED MAKE_HRESULT(1, 0x878, 130)
#define DSERR_NOAGGREGATION CLASS_E_NOAGGREGATION
#define DSERR_BUFFERLOST MAKE_HRESULT(1, 0x878, 150)
#define DSERR_OTHERAPPHASPRIO MAKE_HRESULT(1, 0x878, 160)
#define DSERR_UNINITIALIZED MAKE_HRESULT(1, 0x878, 170)
#define DSERR_NOINTERFACE E_NOINTERFACE
#define DSERR_BUFFERTOOSMALL MAKE_HRESULT(1, 0x878, 180)

// ---- Device capabilities
#define DSCAPS_PRIMARYMONO 0x00000001
#define DSCAPS_PRIMARYSTEREO 0x00000002
#define DSCAPS_PRIMARY8BIT 0x00000004
#define DSCAPS_PRIMARY16BIT 0x00000008
#define DSCAPS_CONTINUOUSRATE 0x00000010
#define DSCAPS_EMULDRIVER 0x00000020
#define DSCAPS_CERTIFIED 0x00000040
#define DSCAPS_SECONDARYMONO 0x00000100
#define DSCAPS_SECONDARYSTEREO 0x00000200
#define DSCAPS_SECONDARY8BIT 0x00000400
#define DSCAPS_SECONDARY16BIT 0x00000800

// ---- Buffer description and capability flags
#define DSBCAPS_PRIMARYBUFFER 0x00000001
#define DSBCAPS_STATIC 0x00000002
#define DSBCAPS_LOCHARDWARE 0x00000004
#define DSBCAPS_LOCSOFTWARE 0x00000008
#define DSBCAPS_CTRL3D 0x00000010
#define DSBCAPS_CTRLFREQUENCY 0x00000020
#define DSBCAPS_CTRLPAN 0x00000040
#define DSBCAPS_CTRLVOLUME 0x00000080
#define DSBCAPS_CTRLPOSITIONNOTIFY 0x00000100
#define DSBCAPS_CTRLFX 0x00000200
#define DSBCAPS_STICKYFOCUS 0x00004000
#define DSBCAPS_GLOBALFOCUS 0x00008000
#define DSBCAPS_GETCURRENTPOSITION2 0x00010000
#define DSBCAPS_MUTE3DATMAXDISTANCE 0x00020000
#define DSBCAPS_LOCDEFER 0x00040000

#define DSBPLAY_LOOPING 0x00000001
#define DSBLOCK_FROMWRITECURSOR 0x00000001
#define DSBLOCK_ENTIREBUFFER 0x00000002

#define DSBSTATUS_PLAYING 0x00000001
#define DSBSTATUS_BUFFERLOST 0x00000002
#define DSBSTATUS_LOOPING 0x00000004
#define DSBSTATUS_LOCHARDWARE 0x00000008
#define DSBSTATUS_LOCSOFTWARE 0x00000010
#define DSBSTATUS_TERMINATED 0x00000020

#define DSSCL_NORMAL 0x00000001
#define DSSCL_PRIORITY 0x00000002
#define DSSCL_EXCLUSIVE 0x00000003
#define DSSCL_WRITEPRIMARY 0x00000004

#define DSSPEAKER_STEREO 0x00000004

#define DSBVOLUME_MIN -10000
#define DSBVOLUME_MAX 0
#define DSBPAN_LEFT -10000
#define DSBPAN_CENTER 0
#define DSBPAN_RIGHT 10000
#define DSBFREQUENCY_ORIGINAL 0
#define DSBFREQUENCY_MIN 100
#define DSBFREQUENCY_MAX 200000
#define DSBSIZE_MIN 4
#define DSBSIZE_MAX 0x0FFFFFFF

// ---- Structures. WAVEFORMATEX is byte-packed (18 bytes) as the RIFF "fmt "
// chunk it mirrors.
#define WAVE_FORMAT_PCM 1
#pragma pack(push, 1)
typedef struct tWAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
} WAVEFORMATEX, *LPWAVEFORMATEX;
#pragma pack(pop)
typedef const WAVEFORMATEX* LPCWAVEFORMATEX;
static_assert(sizeof(WAVEFORMATEX) == 18);

// dwSize may be sizeof(DSBUFFERDESC) or 36, the size the structure has in a
// 32-bit program (callers written for that layout pass the literal).
typedef struct _DSBUFFERDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwBufferBytes;
    DWORD dwReserved;
    LPWAVEFORMATEX lpwfxFormat;
    GUID guid3DAlgorithm;
} DSBUFFERDESC, *LPDSBUFFERDESC;
typedef const DSBUFFERDESC* LPCDSBUFFERDESC;
#define DSBUFFERDESC_SIZE32 36

typedef struct _DSCAPS {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwMinSecondarySampleRate;
    DWORD dwMaxSecondarySampleRate;
    DWORD dwPrimaryBuffers;
    DWORD dwMaxHwMixingAllBuffers;
    DWORD dwMaxHwMixingStaticBuffers;
    DWORD dwMaxHwMixingStreamingBuffers;
    DWORD dwFreeHwMixingAllBuffers;
    DWORD dwFreeHwMixingStaticBuffers;
    DWORD dwFreeHwMixingStreamingBuffers;
    DWORD dwMaxHw3DAllBuffers;
    DWORD dwMaxHw3DStaticBuffers;
    DWORD dwMaxHw3DStreamingBuffers;
    DWORD dwFreeHw3DAllBuffers;
    DWORD dwFreeHw3DStaticBuffers;
    DWORD dwFreeHw3DStreamingBuffers;
    DWORD dwTotalHwMemBytes;
    DWORD dwFreeHwMemBytes;
    DWORD dwMaxContigFreeHwMemBytes;
    DWORD dwUnlockTransferRateHwBuffers;
    DWORD dwPlayCpuOverheadSwBuffers;
    DWORD dwReserved1;
    DWORD dwReserved2;
} DSCAPS, *LPDSCAPS;

typedef struct _DSBCAPS {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwBufferBytes;
    DWORD dwUnlockTransferRate;
    DWORD dwPlayCpuOverhead;
} DSBCAPS, *LPDSBCAPS;

// ---- Interfaces
struct IDirectSoundBuffer : IUnknown {
    virtual HRESULT GetCaps(LPDSBCAPS caps) = 0;
    virtual HRESULT GetCurrentPosition(LPDWORD currentPlayCursor, LPDWORD currentWriteCursor) = 0;
    virtual HRESULT GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated, LPDWORD sizeWritten) = 0;
    virtual HRESULT GetVolume(LONG* volume) = 0;
    virtual HRESULT GetPan(LONG* pan) = 0;
    virtual HRESULT GetFrequency(LPDWORD frequency) = 0;
    virtual HRESULT GetStatus(LPDWORD status) = 0;
    virtual HRESULT Initialize(IDirectSound* directSound, LPCDSBUFFERDESC desc) = 0;
    virtual HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* audioPtr1, LPDWORD audioBytes1, LPVOID* audioPtr2,
                         LPDWORD audioBytes2, DWORD flags) = 0;
    virtual HRESULT Play(DWORD reserved1, DWORD priority, DWORD flags) = 0;
    virtual HRESULT SetCurrentPosition(DWORD newPosition) = 0;
    virtual HRESULT SetFormat(LPCWAVEFORMATEX format) = 0;
    virtual HRESULT SetVolume(LONG volume) = 0;
    virtual HRESULT SetPan(LONG pan) = 0;
    virtual HRESULT SetFrequency(DWORD frequency) = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT Unlock(LPVOID audioPtr1, DWORD audioBytes1, LPVOID audioPtr2, DWORD audioBytes2) = 0;
    virtual HRESULT Restore() = 0;
};

// Effects are not offered; the interface exists so secondary buffers answer
// its id as DirectSound 8 buffers do.
struct IDirectSoundBuffer8 : IDirectSoundBuffer {};

struct IDirectSound : IUnknown {
    virtual HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer, LPUNKNOWN outer) = 0;
    virtual HRESULT GetCaps(LPDSCAPS caps) = 0;
    virtual HRESULT DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original, LPDIRECTSOUNDBUFFER* duplicate) = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD level) = 0;
    virtual HRESULT Compact() = 0;
    virtual HRESULT GetSpeakerConfig(LPDWORD speakerConfig) = 0;
    virtual HRESULT SetSpeakerConfig(DWORD speakerConfig) = 0;
    // Opens the output device; null, DSDEVID_DefaultPlayback and
    // DSDEVID_DefaultVoicePlayback name the one device there is.
    virtual HRESULT Initialize(LPCGUID device) = 0;
};

struct IDirectSound8 : IDirectSound {
    virtual HRESULT VerifyCertification(LPDWORD certified) = 0;
};

// Creates and initialises the object. Fails with DSERR_NODRIVER when no audio
// device can be opened (the fault "DirectSoundCreate8" simulates that, for this
// call and for IDirectSound8::Initialize after CoCreateInstance alike).
// CLSID_DirectSound8 and CLSID_DirectSound are registered with CoCreateInstance.
// Other faults: "CreateSoundBuffer", "DuplicateSoundBuffer", "SetCooperativeLevel",
// "Compact".
HRESULT DirectSoundCreate8(LPCGUID device, LPDIRECTSOUND8* directSound, LPUNKNOWN outer);
