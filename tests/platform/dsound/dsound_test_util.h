// Small helpers shared by the DirectSound tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/dsound/dsound.h"

namespace audiotest {

inline HWND FakeWindow() { return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234)); }

inline WAVEFORMATEX Format(WORD channels, WORD bits, DWORD rate) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = bits;
    format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    return format;
}

// A secondary buffer described as a 32-bit caller describes it (dwSize 36).
inline IDirectSoundBuffer* MakeBuffer(IDirectSound* sound, WAVEFORMATEX format, DWORD bytes,
                                      DWORD flags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_LOCSOFTWARE) {
    DSBUFFERDESC desc{};
    desc.dwSize = DSBUFFERDESC_SIZE32;
    desc.dwFlags = flags;
    desc.dwBufferBytes = bytes;
    desc.lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = nullptr;
    HRESULT hr = sound->CreateSoundBuffer(&desc, &buffer, nullptr);
    EXPECT_EQ(hr, DS_OK);
    return buffer;
}

// Copies bytes into the buffer through Lock/Unlock of the whole buffer.
inline void Fill(IDirectSoundBuffer* buffer, const void* bytes, DWORD size) {
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    ASSERT_EQ(buffer->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
    ASSERT_EQ(n1, size);
    ASSERT_EQ(n2, 0u);
    std::memcpy(p1, bytes, size);
    ASSERT_EQ(buffer->Unlock(p1, n1, p2, n2), DS_OK);
}

inline bool Playing(IDirectSoundBuffer* buffer) {
    DWORD status = 0;
    buffer->GetStatus(&status);
    return (status & DSBSTATUS_PLAYING) != 0;
}

}  // namespace audiotest
