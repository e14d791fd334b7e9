// DirectSound object and buffer behaviour that needs no captured output
// (SDL's dummy driver plays into nothing).
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <tuple>

#include "platform/dsound/dsound.h"
#include "platform/dsound/sound_host.h"
#include "platform/dsound/sound_memory.h"
#include "platform/win32/loaded_memory.h"
#include "platform/win32/ole.h"
#include "platform/win32/testing.h"
#include "tests/platform/dsound/disk_capture.h"
#include "tests/platform/dsound/dsound_test_util.h"
#include "tests/support/com_refs.h"
#include "tests/support/test_support.h"

using namespace audiotest;

namespace {

using testsupport::Out;

class DirectSoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        platform::ClearFaults();
        ASSERT_EQ(DirectSoundCreate8(nullptr, &sound_, nullptr), DS_OK);
        ASSERT_NE(sound_, nullptr);
        ASSERT_EQ(sound_->SetCooperativeLevel(FakeWindow(), DSSCL_PRIORITY), DS_OK);
    }
    void TearDown() override {
        if (sound_) sound_->Release();
        platform::ClearFaults();
    }
    IDirectSound8* sound_ = nullptr;
};

TEST(DirectSoundCreate, ComClassNeedsInitializeAndAnswersBothInterfaces) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    IDirectSound8* sound8 = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_DirectSound8, nullptr, CLSCTX_ALL, IID_IDirectSound8,
                               reinterpret_cast<void**>(&sound8)),
              S_OK);
    ASSERT_NE(sound8, nullptr);
    // Until Initialize nothing works.
    DSCAPS caps{};
    caps.dwSize = sizeof(caps);
    EXPECT_EQ(sound8->GetCaps(&caps), DSERR_UNINITIALIZED);
    EXPECT_EQ(sound8->SetCooperativeLevel(FakeWindow(), DSSCL_NORMAL), DSERR_UNINITIALIZED);
    EXPECT_EQ(sound8->Compact(), DSERR_UNINITIALIZED);
    DWORD word = 0;
    EXPECT_EQ(sound8->GetSpeakerConfig(&word), DSERR_UNINITIALIZED);
    EXPECT_EQ(sound8->SetSpeakerConfig(0), DSERR_UNINITIALIZED);
    EXPECT_EQ(sound8->VerifyCertification(&word), DSERR_UNINITIALIZED);
    IDirectSound8* working = nullptr;
    ASSERT_EQ(DirectSoundCreate8(nullptr, &working, nullptr), DS_OK);
    IDirectSoundBuffer* theirs = MakeBuffer(working, Format(1, 16, 22050), 2000);
    IDirectSoundBuffer* made = nullptr;
    EXPECT_EQ(sound8->DuplicateSoundBuffer(theirs, &made), DSERR_UNINITIALIZED);
    EXPECT_EQ(made, nullptr);
    theirs->Release();
    working->Release();

    IDirectSound* sound = nullptr;
    ASSERT_EQ(sound8->QueryInterface(IID_IDirectSound, reinterpret_cast<void**>(&sound)), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(sound), static_cast<IUnknown*>(sound8));
    IUnknown* other = nullptr;
    EXPECT_EQ(sound8->QueryInterface(IID_IDirectSoundBuffer, reinterpret_cast<void**>(&other)), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);

    EXPECT_EQ(sound8->Initialize(nullptr), DS_OK);
    EXPECT_EQ(sound8->Initialize(nullptr), DSERR_ALREADYINITIALIZED);
    EXPECT_EQ(sound->GetCaps(&caps), DS_OK);

    // Both interface pointers hold a reference; the second release frees it.
    EXPECT_EQ(sound->Release(), 1u);
    EXPECT_EQ(sound8->Release(), 0u);
}

TEST(DirectSoundCreate, InitializeRejectsUnknownDeviceIds) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    IDirectSound8* sound = nullptr;
    const GUID other = {0x12345678, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};
    EXPECT_EQ(DirectSoundCreate8(&other, &sound, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(sound, nullptr);
    ASSERT_EQ(DirectSoundCreate8(&DSDEVID_DefaultPlayback, &sound, nullptr), DS_OK);
    sound->Release();
}

TEST(DirectSoundCreate, InjectedMissingDeviceFailsBothWaysThenRecovers) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    platform::ClearFaults();
    platform::InjectFault("DirectSoundCreate8");
    IDirectSound8* sound = reinterpret_cast<IDirectSound8*>(0x1);
    EXPECT_EQ(DirectSoundCreate8(nullptr, &sound, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(sound, nullptr);

    ASSERT_EQ(CoCreateInstance(CLSID_DirectSound8, nullptr, CLSCTX_ALL, IID_IDirectSound8,
                               reinterpret_cast<void**>(&sound)),
              S_OK);
    EXPECT_EQ(sound->Initialize(nullptr), DSERR_NODRIVER);
    EXPECT_EQ(sound->SetCooperativeLevel(FakeWindow(), DSSCL_NORMAL), DSERR_UNINITIALIZED);
    sound->Release();

    platform::ClearFaults();
    ASSERT_EQ(DirectSoundCreate8(nullptr, &sound, nullptr), DS_OK);
    sound->Release();
}

TEST(DirectSoundCreate, NoAudioDriverMeansNoDriver) {
    // A driver name SDL does not know: the audio subsystem cannot start.
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    IDirectSound8* sound = nullptr;
    EXPECT_EQ(DirectSoundCreate8(nullptr, &sound, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(sound, nullptr);

    // The disk driver with an output file it cannot create: no device opens.
    testsupport::TempDir dir;
    {
        DiskCapture capture(dir.file("missing-folder/out.raw"));
        EXPECT_EQ(DirectSoundCreate8(nullptr, &sound, nullptr), DSERR_NODRIVER);
        EXPECT_EQ(sound, nullptr);
    }
    // Nothing stays broken: a working driver gives a device again.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(DirectSoundCreate8(nullptr, &sound, nullptr), DS_OK);
    sound->Release();
}

TEST_F(DirectSoundTest, CooperativeLevelAndCompact) {
    EXPECT_EQ(sound_->SetCooperativeLevel(nullptr, DSSCL_NORMAL), DSERR_INVALIDPARAM);
    // Levels 1 (normal) to 4 (write primary); Compact needs the priority level or above.
    for (DWORD level = 0; level <= 5; ++level) {
        const bool known = level >= DSSCL_NORMAL && level <= DSSCL_WRITEPRIMARY;
        EXPECT_EQ(sound_->SetCooperativeLevel(FakeWindow(), level), known ? DS_OK : DSERR_INVALIDPARAM) << level;
        if (known) {
            EXPECT_EQ(sound_->Compact(), level >= DSSCL_PRIORITY ? DS_OK : DSERR_PRIOLEVELNEEDED) << level;
        }
    }

    // A failing priority level lets the caller fall back to the normal one.
    platform::InjectFault("SetCooperativeLevel", 0, 1);
    EXPECT_TRUE(FAILED(sound_->SetCooperativeLevel(FakeWindow(), DSSCL_PRIORITY)));
    EXPECT_EQ(sound_->SetCooperativeLevel(FakeWindow(), DSSCL_NORMAL), DS_OK);
}

TEST_F(DirectSoundTest, CapsDescribeASoftwareMixer) {
    DSCAPS caps{};
    caps.dwSize = sizeof(caps) - 4;
    EXPECT_EQ(sound_->GetCaps(&caps), DSERR_INVALIDPARAM);
    caps.dwSize = sizeof(caps);
    EXPECT_EQ(sound_->GetCaps(nullptr), DSERR_INVALIDPARAM);
    ASSERT_EQ(sound_->GetCaps(&caps), DS_OK);
    // Every field: any format at any rate in software, no hardware voices or memory.
    DSCAPS expected{};
    expected.dwSize = sizeof(DSCAPS);
    expected.dwFlags =
        DSCAPS_PRIMARYMONO | DSCAPS_PRIMARYSTEREO | DSCAPS_PRIMARY8BIT | DSCAPS_PRIMARY16BIT | DSCAPS_CONTINUOUSRATE;
    expected.dwMinSecondarySampleRate = 100;
    expected.dwMaxSecondarySampleRate = 200000;
    expected.dwPrimaryBuffers = 1;
    EXPECT_EQ(std::memcmp(&caps, &expected, sizeof caps), 0);
    DWORD word = 0;
    EXPECT_EQ(sound_->GetSpeakerConfig(nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(sound_->GetSpeakerConfig(&word), DS_OK);
    EXPECT_EQ(word, DWORD{DSSPEAKER_STEREO});
    EXPECT_EQ(sound_->VerifyCertification(nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(sound_->VerifyCertification(&word), DS_OK);
    EXPECT_EQ(word, DWORD{DS_UNCERTIFIED});
}

TEST_F(DirectSoundTest, DescriptionSizeIs36OrTheNativeSize) {
    WAVEFORMATEX format = Format(2, 16, 44100);
    DSBUFFERDESC desc{};
    desc.dwFlags = DSBCAPS_CTRLVOLUME;
    desc.dwBufferBytes = 4096;
    desc.lpwfxFormat = &format;
    for (DWORD size : {DWORD{36}, static_cast<DWORD>(sizeof(DSBUFFERDESC))}) {
        desc.dwSize = size;
        IDirectSoundBuffer* buffer = nullptr;
        EXPECT_EQ(sound_->CreateSoundBuffer(&desc, &buffer, nullptr), DS_OK) << size;
        ASSERT_NE(buffer, nullptr);
        buffer->Release();
    }
    for (DWORD size : {DWORD{0}, DWORD{20}, DWORD{35}, DWORD{44}}) {
        desc.dwSize = size;
        IDirectSoundBuffer* buffer = reinterpret_cast<IDirectSoundBuffer*>(0x1);
        EXPECT_EQ(sound_->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_INVALIDPARAM) << size;
        EXPECT_EQ(buffer, nullptr);
    }
}

TEST_F(DirectSoundTest, SecondaryFormatsAreChecked) {
    struct Case {
        WAVEFORMATEX format;
        HRESULT expected;
    };
    WAVEFORMATEX floatFormat = Format(2, 32, 44100);
    floatFormat.wFormatTag = 3;
    WAVEFORMATEX badAlign = Format(2, 16, 44100);
    badAlign.nBlockAlign = 2;
    const Case cases[] = {
        {Format(1, 8, 11025), DS_OK},           {Format(2, 8, 22050), DS_OK},
        {Format(1, 16, 48000), DS_OK},          {Format(2, 16, 44100), DS_OK},
        {floatFormat, DSERR_BADFORMAT},         {Format(6, 16, 44100), DSERR_BADFORMAT},
        {Format(2, 24, 44100), DSERR_BADFORMAT}, {badAlign, DSERR_BADFORMAT},
        {Format(2, 16, 99), DSERR_BADFORMAT},   {Format(2, 16, 200001), DSERR_BADFORMAT},
        {Format(2, 16, 100), DS_OK},            {Format(2, 16, 200000), DS_OK},
        {Format(0, 8, 44100), DSERR_BADFORMAT},
    };
    for (const Case& c : cases) {
        DSBUFFERDESC desc{};
        desc.dwSize = sizeof(desc);
        desc.dwBufferBytes = 4000;
        WAVEFORMATEX format = c.format;
        desc.lpwfxFormat = &format;
        IDirectSoundBuffer* buffer = nullptr;
        EXPECT_EQ(sound_->CreateSoundBuffer(&desc, &buffer, nullptr), c.expected)
            << c.format.nChannels << "ch " << c.format.wBitsPerSample << "bit " << c.format.nSamplesPerSec;
        if (buffer) buffer->Release();
    }
    // Sizes and location flags.
    WAVEFORMATEX format = Format(2, 16, 44100);
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = nullptr;
    desc.dwBufferBytes = 2;
    EXPECT_EQ(sound_->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_INVALIDPARAM);
    desc.dwBufferBytes = 4;  // the least, one frame
    ASSERT_EQ(sound_->CreateSoundBuffer(&desc, &buffer, nullptr), DS_OK);
    buffer->Release();
    buffer = nullptr;
    desc.dwBufferBytes = 4096;
    for (DWORD control : {DSBCAPS_CTRL3D, DSBCAPS_CTRLFX, DSBCAPS_CTRLPOSITIONNOTIFY}) {
        desc.dwFlags = control;
        EXPECT_EQ(sound_->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_CONTROLUNAVAIL) << control;
    }
    desc.dwFlags = DSBCAPS_LOCHARDWARE | DSBCAPS_LOCSOFTWARE;
    EXPECT_EQ(sound_->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_INVALIDPARAM);
    desc.dwFlags = DSBCAPS_LOCHARDWARE;
    EXPECT_EQ(sound_->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_ALLOCATED);
    desc.lpwfxFormat = nullptr;
    desc.dwFlags = 0;
    EXPECT_EQ(sound_->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer, nullptr);
}

TEST_F(DirectSoundTest, PrimaryBufferKeepsTheFormatAtPriorityLevel) {
    DSBUFFERDESC desc{};
    desc.dwSize = DSBUFFERDESC_SIZE32;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(sound_->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    WAVEFORMATEX wanted = Format(2, 16, 44100);
    EXPECT_EQ(primary->SetFormat(&wanted), DS_OK);
    WAVEFORMATEX got{};
    DWORD written = 0;
    ASSERT_EQ(primary->GetFormat(nullptr, 0, &written), DS_OK);  // the size alone
    EXPECT_EQ(written, sizeof(WAVEFORMATEX));
    written = 0;
    ASSERT_EQ(primary->GetFormat(&got, sizeof(got), &written), DS_OK);
    EXPECT_EQ(written, sizeof(WAVEFORMATEX));
    EXPECT_EQ(std::memcmp(&got, &wanted, sizeof(got)), 0);  // every field as set

    // Primary buffers are not duplicated, locked or positioned.
    IDirectSoundBuffer* copy = nullptr;
    EXPECT_EQ(sound_->DuplicateSoundBuffer(primary, &copy), DSERR_INVALIDCALL);
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(primary->SetCurrentPosition(0), DSERR_INVALIDCALL);
    EXPECT_EQ(primary->Play(0, 0, 0), DSERR_INVALIDPARAM) << "a primary buffer only loops";
    EXPECT_EQ(primary->Play(0, 1, DSBPLAY_LOOPING), DSERR_INVALIDPARAM) << "a priority needs DSBCAPS_LOCDEFER";
    void* region = nullptr;
    DWORD regionBytes = 0;
    EXPECT_EQ(primary->Lock(0, 4, &region, &regionBytes, nullptr, nullptr, 0), DSERR_PRIOLEVELNEEDED);
    EXPECT_EQ(primary->Unlock(&got, 4, nullptr, 0), DSERR_INVALIDCALL);
    IUnknown* as8 = nullptr;
    EXPECT_EQ(primary->QueryInterface(IID_IDirectSoundBuffer8, reinterpret_cast<void**>(&as8)), E_NOINTERFACE);

    ASSERT_EQ(sound_->SetCooperativeLevel(FakeWindow(), DSSCL_NORMAL), DS_OK);
    WAVEFORMATEX other = Format(1, 8, 22050);
    EXPECT_EQ(primary->SetFormat(&other), DSERR_PRIOLEVELNEEDED);
    primary->Release();

    // A primary description carries no size or format.
    desc.dwBufferBytes = 4096;
    EXPECT_EQ(sound_->CreateSoundBuffer(&desc, &primary, nullptr), DSERR_INVALIDPARAM);
}

TEST_F(DirectSoundTest, LockHandsOutTwoRegionsAcrossTheEnd) {
    IDirectSoundBuffer* buffer = MakeBuffer(sound_, Format(2, 16, 44100), 4000);
    ASSERT_NE(buffer, nullptr);
    void* whole = nullptr;
    DWORD wholeBytes = 0;
    ASSERT_EQ(buffer->Lock(0, 4000, &whole, &wholeBytes, nullptr, nullptr, 0), DS_OK);
    EXPECT_EQ(wholeBytes, 4000u);
    EXPECT_EQ(std::count(static_cast<char*>(whole), static_cast<char*>(whole) + 4000, 0), 4000) << "silence";
    for (WORD channels : {1, 2}) {
        IDirectSoundBuffer* unsigned8 = MakeBuffer(sound_, Format(channels, 8, 22050), 100);
        void* silence8 = nullptr;
        DWORD bytes8 = 0;
        ASSERT_EQ(unsigned8->Lock(0, 100, &silence8, &bytes8, nullptr, nullptr, 0), DS_OK);
        EXPECT_EQ(std::count(static_cast<uint8_t*>(silence8), static_cast<uint8_t*>(silence8) + 100, 0x80), 100);
        unsigned8->Release();
    }
    EXPECT_EQ(buffer->Unlock(whole, wholeBytes, nullptr, 0), DS_OK);
    EXPECT_EQ(buffer->Unlock(static_cast<uint8_t*>(whole) + 4000, 0, nullptr, 0), DS_OK);

    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    ASSERT_EQ(buffer->Lock(3900, 300, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(p1, static_cast<uint8_t*>(whole) + 3900);
    EXPECT_EQ(n1, 100u);
    EXPECT_EQ(p2, whole);
    EXPECT_EQ(n2, 200u);
    EXPECT_EQ(buffer->Unlock(p1, n1, p2, n2), DS_OK);

    // Without a region inside, no second part is handed out.
    ASSERT_EQ(buffer->Lock(100, 200, &p1, &n1, &p2, &n2, 0), DS_OK);
    EXPECT_EQ(n1, 200u);
    EXPECT_EQ(p2, nullptr);
    EXPECT_EQ(n2, 0u);
    EXPECT_EQ(buffer->Unlock(p1, n1, p2, n2), DS_OK);
    // The whole buffer, or from the write cursor (the play cursor while stopped).
    ASSERT_EQ(buffer->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
    EXPECT_EQ(p1, whole);
    EXPECT_EQ(n1, 4000u);
    ASSERT_EQ(buffer->SetCurrentPosition(400), DS_OK);
    ASSERT_EQ(buffer->Lock(3900, 100, &p1, &n1, &p2, &n2, DSBLOCK_FROMWRITECURSOR), DS_OK);
    EXPECT_EQ(p1, static_cast<uint8_t*>(whole) + 400);

    // A wrap with no place for the second part, an offset past the end, or
    // more bytes than the buffer holds are refused.
    EXPECT_EQ(buffer->Lock(3900, 300, &p1, &n1, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Lock(4000, 4, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Lock(0, 4001, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Lock(0, 0, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDPARAM);

    // Unlock takes back only memory of this buffer.
    char foreign[16];
    EXPECT_EQ(buffer->Unlock(foreign, sizeof(foreign), nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Unlock(static_cast<uint8_t*>(whole) + 3990, 20, nullptr, 0), DSERR_INVALIDPARAM);
    buffer->Release();
}

TEST_F(DirectSoundTest, ControlsNeedTheirFlagsAndRanges) {
    // Each control answers only to its own flag.
    LONG value = 0;
    DWORD frequency = 0;
    DSBCAPS caps{};
    caps.dwSize = sizeof(caps);
    for (DWORD control : {0u, DWORD{DSBCAPS_CTRLVOLUME}, DWORD{DSBCAPS_CTRLPAN}, DWORD{DSBCAPS_CTRLFREQUENCY}}) {
        IDirectSoundBuffer* one = MakeBuffer(sound_, Format(1, 16, 22050), 2000, DSBCAPS_LOCSOFTWARE | control);
        ASSERT_NE(one, nullptr);
        auto answer = [&](DWORD flag) { return control == flag ? DS_OK : DSERR_CONTROLUNAVAIL; };
        EXPECT_EQ(one->SetVolume(-100), answer(DSBCAPS_CTRLVOLUME)) << control;
        EXPECT_EQ(one->GetVolume(&value), answer(DSBCAPS_CTRLVOLUME)) << control;
        EXPECT_EQ(one->SetPan(100), answer(DSBCAPS_CTRLPAN)) << control;
        EXPECT_EQ(one->GetPan(&value), answer(DSBCAPS_CTRLPAN)) << control;
        EXPECT_EQ(one->SetFrequency(11025), answer(DSBCAPS_CTRLFREQUENCY)) << control;
        EXPECT_EQ(one->GetFrequency(&frequency), answer(DSBCAPS_CTRLFREQUENCY)) << control;
        ASSERT_EQ(one->GetCaps(&caps), DS_OK);
        EXPECT_EQ(caps.dwBufferBytes, 2000u);
        EXPECT_EQ(caps.dwFlags, DSBCAPS_LOCSOFTWARE | control);
        one->Release();
    }
    // A deferred buffer is placed at once, in software, and takes a priority.
    IDirectSoundBuffer* deferred = MakeBuffer(sound_, Format(1, 16, 22050), 2000, DSBCAPS_LOCDEFER);
    ASSERT_NE(deferred, nullptr);
    ASSERT_EQ(deferred->GetCaps(&caps), DS_OK);
    EXPECT_EQ(caps.dwFlags, DWORD{DSBCAPS_LOCSOFTWARE});
    EXPECT_EQ(deferred->Play(0, 1, 0), DS_OK);
    deferred->Release();

    IDirectSoundBuffer* buffer = MakeBuffer(sound_, Format(1, 16, 22050), 2000,
                                            DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->SetVolume(-10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetVolume(DSBVOLUME_MIN), DS_OK);
    EXPECT_EQ(buffer->SetVolume(0), DS_OK);
    // Every answer needs somewhere to go; only the primary buffer takes a format.
    EXPECT_EQ(buffer->GetVolume(nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->GetPan(nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->GetFrequency(nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->GetStatus(nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->GetCaps(nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->GetFormat(nullptr, 0, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    WAVEFORMATEX format = Format(1, 16, 22050);
    EXPECT_EQ(buffer->SetFormat(&format), DSERR_INVALIDCALL);
    EXPECT_EQ(buffer->SetVolume(-2500), DS_OK);
    EXPECT_EQ(buffer->GetVolume(&value), DS_OK);
    EXPECT_EQ(value, -2500);
    EXPECT_EQ(buffer->SetPan(10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetPan(-10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetPan(10000), DS_OK);
    EXPECT_EQ(buffer->SetPan(-10000), DS_OK);
    EXPECT_EQ(buffer->GetPan(&value), DS_OK);
    EXPECT_EQ(value, -10000);
    EXPECT_EQ(buffer->SetFrequency(99), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetFrequency(200001), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetFrequency(100), DS_OK);
    EXPECT_EQ(buffer->SetFrequency(200000), DS_OK);
    EXPECT_EQ(buffer->Play(0, 1, 0), DSERR_INVALIDPARAM) << "a priority needs a deferred buffer";
    EXPECT_EQ(buffer->SetFrequency(11025), DS_OK);
    EXPECT_EQ(buffer->GetFrequency(&frequency), DS_OK);
    EXPECT_EQ(frequency, 11025u);
    EXPECT_EQ(buffer->SetFrequency(DSBFREQUENCY_ORIGINAL), DS_OK);
    EXPECT_EQ(buffer->GetFrequency(&frequency), DS_OK);
    EXPECT_EQ(frequency, 22050u);

    // A duplicate starts with the original's settings, stopped at the start.
    IDirectSoundBuffer* copy = nullptr;
    ASSERT_EQ(sound_->DuplicateSoundBuffer(buffer, &copy), DS_OK);
    EXPECT_EQ(copy->GetVolume(&value), DS_OK);
    EXPECT_EQ(value, -2500);
    EXPECT_EQ(copy->GetPan(&value), DS_OK);
    EXPECT_EQ(value, -10000);
    EXPECT_FALSE(Playing(copy));
    copy->Release();
    buffer->Release();
}

TEST_F(DirectSoundTest, DuplicatesShareTheSamplesAndOutliveTheOriginal) {
    IDirectSoundBuffer* original = MakeBuffer(sound_, Format(1, 16, 22050), 1000, DSBCAPS_CTRLFREQUENCY);
    ASSERT_NE(original, nullptr);
    ASSERT_EQ(original->SetFrequency(30000), DS_OK);
    IDirectSoundBuffer* copy = nullptr;
    ASSERT_EQ(sound_->DuplicateSoundBuffer(original, &copy), DS_OK);
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy, original);

    std::vector<int16_t> samples(500);
    for (uint32_t i = 0; i < samples.size(); ++i) samples[i] = TestSample(i);
    Fill(original, samples.data(), 1000);
    original->Release();

    void* p1 = nullptr;
    DWORD n1 = 0;
    ASSERT_EQ(copy->Lock(0, 1000, &p1, &n1, nullptr, nullptr, 0), DS_OK);
    EXPECT_EQ(std::memcmp(p1, samples.data(), 1000), 0);
    copy->Unlock(p1, n1, nullptr, 0);
    // The original's rate, and its own to go back to.
    DWORD frequency = 0;
    ASSERT_EQ(copy->GetFrequency(&frequency), DS_OK);
    EXPECT_EQ(frequency, 30000u);
    EXPECT_EQ(copy->SetFrequency(DSBFREQUENCY_ORIGINAL), DS_OK);
    copy->GetFrequency(&frequency);
    EXPECT_EQ(frequency, 22050u);

    IDirectSoundBuffer8* as8 = nullptr;
    EXPECT_EQ(copy->QueryInterface(IID_IDirectSoundBuffer8, reinterpret_cast<void**>(&as8)), S_OK);
    ASSERT_NE(as8, nullptr);
    as8->Release();
    copy->Release();
}

// What each call hands out holds one reference more of its object (COM identity through
// IID_IUnknown); what it makes, exactly one, freed by the one release.
TEST_F(DirectSoundTest, EveryObjectHandedOutHoldsOneReference) {
    IDirectSoundBuffer* buffer = MakeBuffer(sound_, Format(1, 16, 22050), 1000);
    DSBUFFERDESC primaryDesc{};
    primaryDesc.dwSize = DSBUFFERDESC_SIZE32;
    primaryDesc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(sound_->CreateSoundBuffer(&primaryDesc, &primary, nullptr), DS_OK);
    IKestraSoundHost* host = nullptr;
    ASSERT_EQ(sound_->QueryInterface(IID_IKestraSoundHost, reinterpret_cast<void**>(&host)), S_OK);
    struct Silence : IKestraSoundSource {
        uint32_t ReadFrames(int16_t*, uint32_t frames) override { return frames; }
    } silence;
    using Get = std::function<HRESULT(void**)>;
    const auto query = [](IUnknown* o, REFIID iid) -> Get {
        return [o, &iid](void** p) { return o->QueryInterface(iid, p); };
    };
    const auto count = testsupport::RefCount;
    const std::tuple<const char*, IUnknown*, Get> kCalls[] = {
        {"DirectSound IUnknown", sound_, query(sound_, IID_IUnknown)},
        {"DirectSound IDirectSound8", sound_, query(sound_, IID_IDirectSound8)},
        {"DirectSound host", sound_, query(sound_, IID_IKestraSoundHost)},
        {"Buffer IUnknown", buffer, query(buffer, IID_IUnknown)},
        {"Buffer IDirectSoundBuffer", buffer, query(buffer, IID_IDirectSoundBuffer)},
        {"Buffer IDirectSoundBuffer8", buffer, query(buffer, IID_IDirectSoundBuffer8)},
        {"Primary IDirectSoundBuffer", primary, query(primary, IID_IDirectSoundBuffer)},
        {"DirectSoundCreate8", nullptr,
         [](void** o) { return DirectSoundCreate8(nullptr, Out<IDirectSound8>(o), nullptr); }},
        {"CreateSoundBuffer", nullptr,
         [&](void** o) { return *o = MakeBuffer(sound_, Format(2, 8, 8000), 64), DS_OK; }},
        {"DuplicateSoundBuffer", nullptr,
         [&](void** o) { return sound_->DuplicateSoundBuffer(buffer, Out<IDirectSoundBuffer>(o)); }},
        {"CreateStream", nullptr,
         [&](void** o) { return host->CreateStream(&silence, 44100, 2, Out<IKestraSoundStream>(o)); }}};
    for (const auto& [name, held, get] : kCalls) {
        const ULONG before = held ? count(held) : 0;
        void* out = nullptr;
        ASSERT_EQ(get(&out), S_OK) << name;
        auto* got = static_cast<IUnknown*>(out);
        EXPECT_EQ(count(held ? held : got), before + 1) << name;
        IUnknown* identity = nullptr;
        ASSERT_EQ(got->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK) << name;
        EXPECT_TRUE(identity == (held ? held : got)) << name;
        identity->Release();
        EXPECT_EQ(got->Release(), before) << name;
    }
    for (IUnknown* o : std::initializer_list<IUnknown*>{host, primary, buffer}) o->Release();
}

TEST_F(DirectSoundTest, InjectedBufferFaults) {
    platform::InjectFault("DuplicateSoundBuffer");
    IDirectSoundBuffer* buffer = MakeBuffer(sound_, Format(2, 16, 44100), 4096);
    ASSERT_NE(buffer, nullptr);
    IDirectSoundBuffer* copy = reinterpret_cast<IDirectSoundBuffer*>(0x1);
    EXPECT_TRUE(FAILED(sound_->DuplicateSoundBuffer(buffer, &copy)));
    EXPECT_EQ(copy, nullptr);
    buffer->Release();

    platform::InjectFault("CreateSoundBuffer");
    WAVEFORMATEX format = Format(2, 16, 44100);
    DSBUFFERDESC desc{};
    desc.dwSize = DSBUFFERDESC_SIZE32;
    desc.dwBufferBytes = 4096;
    desc.lpwfxFormat = &format;
    buffer = reinterpret_cast<IDirectSoundBuffer*>(0x1);
    EXPECT_TRUE(FAILED(sound_->CreateSoundBuffer(&desc, &buffer, nullptr)));
    EXPECT_EQ(buffer, nullptr);
}

TEST_F(DirectSoundTest, PositionsFollowPlayStopAndTheEnd) {
    // A quarter of a second, so the play cursor can be seen moving.
    const DWORD bytes = 11025 * 4;
    IDirectSoundBuffer* buffer = MakeBuffer(sound_, Format(2, 16, 44100), bytes);
    ASSERT_NE(buffer, nullptr);
    DWORD play = 1, write = 1;
    ASSERT_EQ(buffer->GetCurrentPosition(&play, &write), DS_OK);
    EXPECT_EQ(play, 0u);
    EXPECT_EQ(write, 0u);

    EXPECT_EQ(buffer->SetCurrentPosition(bytes), DSERR_INVALIDPARAM);
    ASSERT_EQ(buffer->SetCurrentPosition(4002), DS_OK);
    buffer->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, 4000u) << "positions are whole frames";
    buffer->SetCurrentPosition(0);

    EXPECT_EQ(buffer->Play(1, 0, 0), DSERR_INVALIDPARAM);
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    DWORD status = 0;
    buffer->GetStatus(&status);
    EXPECT_EQ(status & (DSBSTATUS_PLAYING | DSBSTATUS_LOOPING), DWORD{DSBSTATUS_PLAYING});
    ASSERT_TRUE(WaitUntil([&] {
        buffer->GetCurrentPosition(&play, &write);
        return play > 0;
    }));
    EXPECT_EQ(play % 4, 0u);
    // The write cursor leads by what the device takes at once: 512 frames at the output's rate.
    EXPECT_EQ((write + bytes - play) % bytes, 512u * 4);

    ASSERT_EQ(buffer->Stop(), DS_OK);
    DWORD stopped = 0;
    buffer->GetCurrentPosition(&stopped, &write);
    EXPECT_EQ(write, stopped) << "a stopped buffer writes where it plays";

    // Played out, a one-shot buffer stops and rewinds.
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    ASSERT_TRUE(WaitUntil([&] { return !Playing(buffer); }));
    buffer->GetCurrentPosition(&play, &write);
    EXPECT_EQ(play, 0u);

    // A looping buffer says so (the mixer's output tests hear it come round).
    ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    buffer->GetStatus(&status);
    EXPECT_EQ(status & (DSBSTATUS_PLAYING | DSBSTATUS_LOOPING), DWORD{DSBSTATUS_PLAYING | DSBSTATUS_LOOPING});
    buffer->Stop();
    buffer->Release();
}

// ---- The process's sound memory: buffer samples and the host's blocks.
class SoundMemoryTest : public DirectSoundTest {
protected:
    static constexpr uint64_t kBudget = 1 << 20;
    void SetUp() override {
        DirectSoundTest::SetUp();
        platform::sound::SetSoundMemoryBudget(kBudget);
        ASSERT_EQ(sound_->QueryInterface(IID_IKestraSoundHost, reinterpret_cast<void**>(&host_)), S_OK);
    }
    void TearDown() override {
        if (host_) host_->Release();
        platform::sound::SetSoundMemoryBudget(0);
        DirectSoundTest::TearDown();
    }
    // 8-bit mono: a buffer of any byte count.
    HRESULT Create(DWORD bytes, IDirectSoundBuffer** buffer) {
        WAVEFORMATEX format = Format(1, 8, 22050);
        DSBUFFERDESC desc{};
        desc.dwSize = DSBUFFERDESC_SIZE32;
        desc.dwBufferBytes = bytes;
        desc.lpwfxFormat = &format;
        *buffer = reinterpret_cast<IDirectSoundBuffer*>(0x1);
        return sound_->CreateSoundBuffer(&desc, buffer, nullptr);
    }
    IKestraSoundHost* host_ = nullptr;
};

static_assert(DSBSIZE_MIN == 4);  // written out, not taken from the product

TEST_F(SoundMemoryTest, BuffersAndHostBlocksTakeFromOneBudgetToItsLastByteAndGiveItBack) {
    using platform::sound::SoundMemoryLeft;
    ASSERT_EQ(SoundMemoryLeft(), kBudget) << "the primary buffer counts for nothing";
    IDirectSoundBuffer* first = nullptr;
    ASSERT_EQ(Create(400000, &first), DS_OK);
    IDirectSoundBuffer* copy = nullptr;
    ASSERT_EQ(sound_->DuplicateSoundBuffer(first, &copy), DS_OK);
    void* held = nullptr;
    ASSERT_EQ(host_->AllocateBlock(100000, &held), S_OK);
    const uint64_t left = kBudget - 500000;
    EXPECT_EQ(SoundMemoryLeft(), left) << "a duplicate shares its original's samples";
    EXPECT_EQ(host_->SoundMemoryLeft(), left);

    testsupport::TempDir dir;
    const std::string file = dir.file("window.raw");
    std::string bytes(left + 1, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + 3);
    testsupport::WriteFile(file, bytes);

    // Each way of taking sound memory: what exactly fills what is left is
    // taken, one byte more is refused with nothing taken, and it all comes back.
    struct Way {
        const char* name;
        HRESULT refused;
        std::function<HRESULT(DWORD)> take;  // takes `bytes` and keeps them
        std::function<void()> give;          // gives back the last taken
    };
    IDirectSoundBuffer* buffer = nullptr;
    void* block = nullptr;
    const Way ways[] = {
        {"buffer", DSERR_OUTOFMEMORY, [&](DWORD n) { return Create(n, &buffer); },
         [&] { buffer->Release(); }},
        {"block", KESTRA_E_SOUNDMEMORY, [&](DWORD n) { return host_->AllocateBlock(n, &block); },
         [&] { host_->FreeBlock(block); }},
        {"file window", KESTRA_E_SOUNDMEMORY,
         [&](DWORD n) {
             const HRESULT hr = host_->ReadFileWindow(file.c_str(), 0, n, &block);
             if (SUCCEEDED(hr)) {
                 EXPECT_EQ(std::string(static_cast<char*>(block), n), bytes.substr(0, n));
             }
             return hr;
         },
         [&] { host_->FreeBlock(block); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        EXPECT_EQ(way.take(static_cast<DWORD>(left + 1)), way.refused);
        EXPECT_EQ(SoundMemoryLeft(), left);
        ASSERT_EQ(way.take(static_cast<DWORD>(left)), S_OK);
        EXPECT_EQ(SoundMemoryLeft(), 0u);
        // Nothing more fits, not even the smallest of each.
        IDirectSoundBuffer* small = nullptr;
        EXPECT_EQ(Create(DSBSIZE_MIN, &small), DSERR_OUTOFMEMORY);
        EXPECT_EQ(small, nullptr);
        void* one = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(host_->AllocateBlock(1, &one), KESTRA_E_SOUNDMEMORY);
        EXPECT_EQ(one, nullptr);
        way.give();
        EXPECT_EQ(SoundMemoryLeft(), left);
    }

    // A block that cannot be read whole gives back what it took.
    EXPECT_EQ(host_->ReadFileWindow(file.c_str(), 1, static_cast<DWORD>(left + 1), &block), E_INVALIDARG);
    platform::InjectFault("ReadFile", 0, 1);
    EXPECT_EQ(host_->ReadFileWindow(file.c_str(), 0, 1000, &block), E_FAIL);
    EXPECT_EQ(SoundMemoryLeft(), left);

    // The samples go back with the last buffer that shares them.
    first->Release();
    EXPECT_EQ(SoundMemoryLeft(), left);
    copy->Release();
    EXPECT_EQ(SoundMemoryLeft(), left + 400000);
    host_->FreeBlock(held);
    EXPECT_EQ(SoundMemoryLeft(), kBudget);
}

static_assert(platform::sound::kMostOneBuffer == uint64_t{16} << 20);  // written out, not taken from the product

// One buffer of samples is bounded whatever the budget leaves; the player's blocks are not.
TEST_F(SoundMemoryTest, NoOneBufferTakesMoreThanItsBound) {
    platform::sound::SetSoundMemoryBudget(0);
    IDirectSoundBuffer* buffer = nullptr;
    EXPECT_EQ(Create(DWORD(platform::sound::kMostOneBuffer + 1), &buffer), DSERR_OUTOFMEMORY);
    ASSERT_EQ(Create(DWORD(platform::sound::kMostOneBuffer), &buffer), DS_OK);
    buffer->Release();
    void* block = nullptr;
    ASSERT_EQ(host_->AllocateBlock(DWORD(platform::sound::kMostOneBuffer + 1), &block), S_OK);
    host_->FreeBlock(block);
}

static_assert(DSBFREQUENCY_MIN == 100 && DSBFREQUENCY_MAX == 200000);  // written out, not taken from the product

TEST_F(SoundMemoryTest, AStreamTakesTheRatesAndChannelCountsABufferTakes) {
    // Never ends, so a stream pulling from it stays active.
    struct Endless : IKestraSoundSource {
        uint32_t ReadFrames(int16_t*, uint32_t frames) override { return frames; }
    } endless;
    const struct {
        DWORD rate;
        WORD channels;
        HRESULT result;
    } rows[] = {{DSBFREQUENCY_MIN, 1, S_OK},          {DSBFREQUENCY_MAX, 2, S_OK},
                {DSBFREQUENCY_MIN - 1, 1, E_INVALIDARG}, {DSBFREQUENCY_MAX + 1, 2, E_INVALIDARG},
                {44100, 0, E_INVALIDARG},             {44100, 3, E_INVALIDARG}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.rate << " Hz, " << row.channels);
        IKestraSoundStream* stream = reinterpret_cast<IKestraSoundStream*>(0x1);
        EXPECT_EQ(host_->CreateStream(&endless, row.rate, row.channels, &stream), row.result);
        EXPECT_EQ(stream != nullptr, row.result == S_OK);
        if (stream) stream->Release();
    }
    IKestraSoundStream* stream = nullptr;
    EXPECT_EQ(host_->CreateStream(nullptr, 44100, 2, &stream), E_INVALIDARG);
    EXPECT_EQ(host_->CreateStream(&endless, 44100, 2, nullptr), E_POINTER);
    // Created halted; its IUnknown is itself and holds a reference of its own.
    ASSERT_EQ(host_->CreateStream(&endless, 44100, 2, &stream), S_OK);
    EXPECT_FALSE(stream->IsActive());
    IUnknown* unknown = nullptr;
    ASSERT_EQ(stream->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(unknown, static_cast<IUnknown*>(stream));
    ASSERT_EQ(stream->Release(), 1u);
    EXPECT_EQ(unknown->Release(), 0u);
}

// A budget lowered to what is held or below it leaves nothing: not a byte more
// is taken, until enough is given back to come under it again. So does the
// process's budget for loaded data, which the sounds' is a share of.
TEST_F(SoundMemoryTest, ABudgetLoweredToWhatIsHeldOrBelowLeavesNothing) {
    using platform::sound::SoundMemoryLeft;
    void* held = nullptr;
    ASSERT_EQ(host_->AllocateBlock(500000, &held), S_OK);
    const struct {
        uint64_t sounds, process;
    } budgets[] = {{500000, 0}, {499999, 0}, {1, 0}, {kBudget, 500000}, {kBudget, 1}};
    for (const auto& budget : budgets) {
        SCOPED_TRACE(budget.sounds);
        SCOPED_TRACE(budget.process);
        platform::sound::SetSoundMemoryBudget(budget.sounds);
        platform::SetLoadedMemoryBudget(budget.process);
        EXPECT_EQ(SoundMemoryLeft(), 0u);
        EXPECT_EQ(host_->SoundMemoryLeft(), 0u);
        void* one = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(host_->AllocateBlock(1, &one), KESTRA_E_SOUNDMEMORY);
        EXPECT_EQ(one, nullptr);
        IDirectSoundBuffer* small = nullptr;
        EXPECT_EQ(Create(DSBSIZE_MIN, &small), DSERR_OUTOFMEMORY);
    }
    platform::SetLoadedMemoryBudget(0);
    platform::sound::SetSoundMemoryBudget(500001);
    void* one = nullptr;
    ASSERT_EQ(host_->AllocateBlock(1, &one), S_OK);
    EXPECT_EQ(SoundMemoryLeft(), 0u);
    host_->FreeBlock(one);
    host_->FreeBlock(held);
    EXPECT_EQ(SoundMemoryLeft(), 500001u);
    // 0 puts back the budget the process starts with.
    platform::sound::SetSoundMemoryBudget(0);
    EXPECT_EQ(SoundMemoryLeft(), platform::sound::kSoundMemoryBudget);
}

TEST_F(SoundMemoryTest, AWindowPastTheBudgetIsRefusedBeforeAnyOfItIsRead) {
    // Three gigabytes of a sparse file: read, they would be resident.
    testsupport::TempDir dir;
    const std::string file = dir.file("huge.raw");
    testsupport::WriteFile(file, "RIFF");
    std::filesystem::resize_file(file, uint64_t{3} << 30);
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    void* block = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(host_->ReadFileWindow(file.c_str(), 0, 3u << 30, &block), KESTRA_E_SOUNDMEMORY);
    EXPECT_EQ(block, nullptr);
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "kilobytes of peak resident memory";
    EXPECT_EQ(platform::sound::SoundMemoryLeft(), kBudget);
}

}  // namespace
