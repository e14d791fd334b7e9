// The player's entry points, its refusals of bad files and its life cycle
// (SDL's dummy driver: nothing is listened to here).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

#include "platform/dsound/sound_memory.h"
#include "platform/win32/kernel.h"
#include "platform/win32/ole.h"
#include "tests/platform/torvi/torvi_test_util.h"

using namespace torvitest;

namespace {

class PlayerFilesTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        StartSound(false);
    }
    std::string ValidWave() { return Wave(1, 2, 16, 44100, Bytes(std::vector<int16_t>(2000, 1234))); }
    // Null and the reason that names the problem, to its end.
    void ExpectRefused(TorviInstance* instance, const std::string& reason) {
        EXPECT_EQ(instance, nullptr);
        EXPECT_TRUE(Torvi().LastError().ends_with(reason))
            << "reason: \"" << Torvi().LastError() << "\", expected to end with \"" << reason << "\"";
    }
};

TEST(PlayerLibrary, LoadLibraryFindsTheSharedObjectBesideTheProgram) {
    HMODULE module = LoadLibraryA(".\\Torvi.dll");
    ASSERT_NE(module, nullptr) << "Torvi.so in " << testsupport::BinaryDir();
    for (const char* name : {"Torvi_Initialize", "Torvi_Uninitialize", "Torvi_CreateInstanceFromFileEx",
                             "Torvi_CreateInstanceFromMemory", "Torvi_GetLastError"})
        EXPECT_NE(GetProcAddress(module, name), nullptr) << name;
    EXPECT_EQ(GetProcAddress(module, "Torvi_Nothing"), nullptr);
    FreeLibrary(module);
}

TEST(PlayerLibrary, InitializeNeedsTheProgramsDirectSound) {
    const Library& torvi = Torvi();
    ASSERT_NE(torvi.handle, nullptr);
    EXPECT_FALSE(torvi.Initialize(0, nullptr, 0, 0));
    IDirectSound* none = nullptr;
    EXPECT_FALSE(torvi.Initialize(0, &none, 0, 0));
    EXPECT_FALSE(torvi.LastError().empty());
    // Without a successful start nothing is created.
    EXPECT_EQ(torvi.CreateFromFile("x.wav", 0, 10, 0), nullptr);
    EXPECT_NE(torvi.LastError().find("not initialised"), std::string::npos);
    const char bytes[] = "RIFF";
    EXPECT_EQ(torvi.CreateFromMemory(bytes, 4, 0), nullptr);

    // An object that is not the program's (it offers no player services).
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    IDirectSound8* sound = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_DirectSound8, nullptr, CLSCTX_ALL, IID_IDirectSound8,
                               reinterpret_cast<void**>(&sound)),
              S_OK);
    IDirectSound* uninitialised = sound;
    EXPECT_FALSE(torvi.Initialize(0, &uninitialised, 0, 0)) << "a DirectSound object without a device";
    sound->Release();
}

TEST(PlayerLibrary, InjectedStartFailure) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    IDirectSound8* sound = nullptr;
    ASSERT_EQ(DirectSoundCreate8(nullptr, &sound, nullptr), DS_OK);
    IDirectSound* as = sound;
    platform::InjectFault("Torvi_Initialize", 0, 1);
    EXPECT_FALSE(Torvi().Initialize(0, &as, 0, 0));
    EXPECT_TRUE(Torvi().Initialize(0, &as, 0, 0));
    Torvi().Uninitialize();
    platform::ClearFaults();
    // The player let go of its reference: this is the last one.
    EXPECT_EQ(sound->Release(), 0u);
}

TEST_F(PlayerFilesTest, WaveRefusals) {
    const std::string pcm = Bytes(std::vector<int16_t>(100, 5));
    struct Case {
        const char* name;
        std::string bytes;
        const char* reason;
    };
    std::string dataFirst = "RIFF";
    PutLe32(dataFirst, 4 + 8 + 4);
    dataFirst += "WAVEdata";
    PutLe32(dataFirst, 4);
    dataFirst += "abcd";
    std::string hugeChunk = "RIFF";
    PutLe32(hugeChunk, 100);
    hugeChunk += "WAVEfmt ";
    PutLe32(hugeChunk, 0xFFFFFFF0u);
    hugeChunk += std::string(40, '\0');
    std::string shortFormat = Wave(1, 2, 16, 44100, pcm);
    shortFormat[16] = 15;  // "fmt " length 15, one short of the PCM fields
    std::string misaligned = Wave(1, 2, 16, 44100, pcm);
    misaligned[32] = 2;  // frames of 2 bytes for two 16-bit channels
    // A pad byte that is a printable character, and a data chunk whose length
    // starts with a byte just past them after an odd chunk without its pad.
    std::string printablePad = Wave(1, 2, 16, 44100, pcm, {{"junk", "z"}});
    printablePad[45] = '~';
    const Case cases[] = {
        {"float.wav", Wave(3, 2, 32, 44100, pcm), ": WAV format 3 is not PCM"},
        {"24bit.wav", Wave(1, 2, 24, 44100, pcm), ": unsupported PCM layout (2 channels, 24 bits)"},
        {"6ch.wav", Wave(1, 6, 16, 44100, pcm), ": unsupported PCM layout (6 channels, 16 bits)"},
        {"0ch.wav", Wave(1, 0, 16, 44100, pcm), ": unsupported PCM layout (0 channels, 16 bits)"},
        {"rate.wav", Wave(1, 2, 16, 99, pcm), ": unsupported sample rate 99"},
        {"fastrate.wav", Wave(1, 2, 16, 200001, pcm), ": unsupported sample rate 200001"},
        {"misaligned.wav", misaligned, ": unsupported PCM layout (2 channels, 16 bits)"},
        {"empty.wav", Wave(1, 2, 16, 44100, ""), ": WAV file holds no samples"},
        {"nopadempty.wav", Wave(1, 2, 16, 44100, "", {{"junk", "z"}}, false), ": WAV file holds no samples"},
        {"datafirst.wav", dataFirst, ": WAV file has no format chunk"},
        {"huge.wav", hugeChunk, ": WAV format chunk is cut short"},
        {"shortfmt.wav", shortFormat, ": WAV format chunk is cut short"},
        {"text.wav", "This is not a sound at all, only text.", ": unknown sound format"},
        // Opened (an empty reason): the bounds, and what follows the samples is not read.
        {"rate100.wav", Wave(1, 2, 16, 100, pcm), ""},
        {"rate200000.wav", Wave(1, 2, 16, 200000, pcm), ""},
        {"after.wav", Wave(1, 2, 16, 44100, pcm) + std::string("fmt \xFF\xFF\0\0", 8), ""},
        {"printablepad.wav", printablePad, ""},
        {"nopad7f.wav", Wave(1, 1, 8, 44100, std::string(127, '\x80'), {{"junk", "z"}}, false), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TorviInstance* instance = Open(WriteFile(c.name, c.bytes));
        if (*c.reason) ExpectRefused(instance, c.reason);
        else EXPECT_NE(instance, nullptr) << Torvi().LastError();
    }
    // No data chunk: the format, then the file ends.
    const std::string wave = ValidWave();
    ExpectRefused(Open(WriteFile("nodata.wav", wave.substr(0, 36))), ": WAV file has no data chunk");
}

TEST_F(PlayerFilesTest, EveryCutOfAWaveHeaderIsRefusedAndACutInTheSamplesPlaysWhatIsThere) {
    const std::string wave = ValidWave();
    const std::string path = dir_.file("cut.wav");
    // Up to the first sample: header only.
    for (size_t length = 1; length < 46; ++length) {
        testsupport::WriteFile(path, wave.substr(0, length));
        EXPECT_EQ(Torvi().CreateFromFile(path.c_str(), 0, static_cast<DWORD>(length), 0), nullptr) << length;
    }
    // Cut inside the samples: the data chunk claims more than there is.
    testsupport::WriteFile(path, wave.substr(0, 46 + 401));
    TorviInstance* partial = Open(path);
    ASSERT_NE(partial, nullptr) << Torvi().LastError();
    partial->Play(0, 0);
    EXPECT_TRUE(audiotest::WaitUntil([&] { return !partial->IsPlaying(); }));
}

TEST_F(PlayerFilesTest, AnOddChunkWrittenWithoutItsPadByteStillParses) {
    const std::string wave =
        Wave(1, 2, 16, 44100, Bytes(std::vector<int16_t>(200, 99)), {{"LIST", "INFOabc"}, {"junk", "z"}}, false);
    EXPECT_NE(Open(WriteFile("nopad.wav", wave)), nullptr) << Torvi().LastError();
}

TEST_F(PlayerFilesTest, OggRefusals) {
    size_t headers = 0;
    const std::string ogg = EncodeOgg(Tone(44100, 2, 44100), 2, 44100, &headers, true);
    ASSERT_GT(headers, 100u);
    // Cut inside the three header packets: refused, never read past the end.
    const std::string path = dir_.file("cut.ogg");
    for (size_t length : {size_t{4}, size_t{27}, size_t{28}, size_t{58}, size_t{100}, headers / 2, headers - 1,
                          headers}) {
        testsupport::WriteFile(path, ogg.substr(0, length));
        TorviInstance* instance = Torvi().CreateFromFile(path.c_str(), 0, static_cast<DWORD>(length), 0);
        EXPECT_EQ(instance, nullptr) << length;
        if (instance) instance->Release();
    }
    std::string garbage = "OggS";
    for (int i = 0; i < 4000; ++i) garbage.push_back(static_cast<char>((i * 131 + 7) & 0xFF));
    // Header limits: just inside plays to its end, past them is refused before
    // libvorbis allocates (an empty reason: plays).
    auto chain = [](int streams) {
        std::string out;
        for (int i = 0; i < streams; ++i) out += SilentOgg({{1}}, 100 + i);
        return out;
    };
    struct Case {
        const char* name;
        std::string bytes;
        const char* reason;
    };
    // A megabyte of "OggS": each announces a page that fails its checksum.
    std::string words;
    while (words.size() < (1u << 20)) words += "OggS";
    const Case cases[] = {
        {"garbage.ogg", garbage, ": not an Ogg Vorbis stream"},
        {"books255.ogg", SilentOgg(std::vector<Codebook>(255, {8388607})),
         "a codebook of 8388607 entries (at most 65536)"},
        {"book65536.ogg", SilentOgg({{65536}}), ""},
        {"book65537.ogg", SilentOgg({{65537}}), "a codebook of 65537 entries (at most 65536)"},
        {"books1M.ogg", SilentOgg(std::vector<Codebook>(16, {65536})), ""},
        {"lattice.ogg", SilentOgg({{65536, 15, 1}}), ""},  // 65,536 entries of 15 values: 1,048,576
        {"lattice64.ogg", SilentOgg({{1, 64, 1}, {1}}), ""},  // one entry of 64 dimensions: one value stored
        {"cube.ogg", SilentOgg({{64, 3, 1}, {1}}), ""},  // four values stored, where pow gives 3.999...
        {"lattice0.ogg", SilentOgg({{1, 0, 1}}), ": damaged Ogg Vorbis headers"},  // a lattice of no dimensions
        {"slow.ogg", SilentOgg({{1}}, 1, 3, 8, 11, 99), "unsupported sample rate 99"},
        {"fast.ogg", SilentOgg({{1}}, 1, 3, 8, 11, 200001), "unsupported sample rate 200001"},
        {"lattice1.ogg", SilentOgg({{65536, 15, 1}, {1}}), "codebooks of 1048577 entries and values (at most 1048576)"},
        // A book the format allows is counted, one it does not is refused as such.
        {"values.ogg", SilentOgg({{1, 1, 2}, {65536, 15, 1}}), "codebooks of 1048578 entries and values (at most 1048576)"},
        {"lookup3.ogg", SilentOgg({{1, 1, 3}, {65536, 15, 1}}), ": damaged Ogg Vorbis headers"},
        {"length32.ogg", SilentOgg({{1, 1, 0, 32}, {65536, 15, 1}}), "codebooks of 1048577 entries and values (at most 1048576)"},
        {"length33.ogg", SilentOgg({{2, 1, 0, 32}, {65536, 15, 1}}), ": damaged Ogg Vorbis headers"},
        {"run3.ogg", SilentOgg({{.entries = 2, .firstRun = 3}, {65536, 15, 1}}), ": damaged Ogg Vorbis headers"},
        {"sync.ogg", SilentOgg({{.entries = 1, .sync = 0x564343}, {65536, 15, 1}}), ": damaged Ogg Vorbis headers"},
        {"lengths.ogg", SilentOgg({{.entries = 4, .unordered = 1}, {65536, 15, 1}}), "codebooks of 1048580 entries and values (at most 1048576)"},
        {"sparse.ogg", SilentOgg({{.entries = 4, .unordered = 2}, {65536, 15, 1}}), "codebooks of 1048580 entries and values (at most 1048576)"},
        {"chain64.ogg", chain(64), ""},
        {"chain65.ogg", chain(65), ": damaged Ogg Vorbis headers: more than 64 logical streams"},
        {"chainsame.ogg", chain(1) + chain(1), ": damaged Ogg Vorbis headers"},  // one serial number twice
        {"3ch.ogg", EncodeOgg(Tone(4410, 3, 44100), 3, 44100), ": Ogg Vorbis with 3 channels is not supported"},
        {"chaincut.ogg", chain(1) + SilentOgg({{1}}, 7).substr(0, 58), ": damaged Ogg Vorbis headers"},  // one page
        // Whole headers that libvorbis refuses: a long block shorter than the short one.
        {"chainbad.ogg", chain(1) + SilentOgg({{1}}, 7, 3, 11, 8), ": damaged Ogg Vorbis headers"},
        // What follows the last page is not played: zeros, or broken pages
        // up to a bound past which their checksums would cost too much.
        {"zerotail.ogg", ogg + std::string(4 << 20, '\0'), ""},
        {"pagetail.ogg", ogg + BrokenPages(1 << 20), ""},
        {"oggstail.ogg", ogg + words, "damaged Ogg Vorbis pages: more than 16777216 bytes fail their checksum"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TorviInstance* instance = Open(WriteFile(c.name, c.bytes));
        if (*c.reason) {
            ExpectRefused(instance, c.reason);
            continue;
        }
        ASSERT_NE(instance, nullptr) << Torvi().LastError();
        instance->Play(0, 0);
        EXPECT_TRUE(audiotest::WaitUntil([&] { return !instance->IsPlaying(); }));
    }

    // The rate's bounds open (unplayed: 256 frames at 100 a second take seconds).
    for (uint32_t rate : {100u, 200000u})
        EXPECT_NE(Open(WriteFile(std::to_string(rate) + ".ogg", SilentOgg({{1}}, 1, 3, 8, 11, rate))), nullptr) << rate;
    // Damage in the audio pages: it plays what it can, without a crash.
    std::string damaged = ogg;
    for (size_t i = ogg.size() / 2; i < ogg.size() / 2 + 64; ++i) damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
    TorviInstance* instance = Open(WriteFile("damaged.ogg", damaged));
    if (instance) {
        instance->Loop(1, 0);
        EXPECT_TRUE(audiotest::WaitUntil([&] { return !instance->IsPlaying(); }));
    }
    // Truncated in the audio: plays the pages that are there.
    TorviInstance* truncated = Open(WriteFile("truncated.ogg", ogg.substr(0, headers + (ogg.size() - headers) / 2)));
    ASSERT_NE(truncated, nullptr) << Torvi().LastError();
    truncated->Play(0, 0);
    EXPECT_TRUE(audiotest::WaitUntil([&] { return !truncated->IsPlaying(); }));
    // No refusal loses memory (libvorbisfile does, over a chained stream's
    // damaged headers, unless they are checked first).
    EXPECT_FALSE(LeaksFound());
}

#if defined(__SANITIZE_ADDRESS__)
// The leak check above, under the settings the suite gave this process (its
// suppressions included), finds the memory libvorbisfile loses when it refuses
// a chained stream's damaged headers itself: so the check covers those refusals.
TEST(PlayerLeakCheck, TheSuitesLeakCheckFindsWhatLibvorbisfileLosesRefusingAChainedStream) {
    testsupport::TempDir dir;
    const std::string path = dir.file("chainbad.ogg");
    const std::string report = dir.file("report.txt");
    testsupport::WriteFile(path, SilentOgg({{1}}, 100) + SilentOgg({{1}}, 7, 3, 11, 8));
    const int status = testsupport::RunInChild([&] {
        const int fd = open(report.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0 || dup2(fd, STDERR_FILENO) < 0) return 3;
        OggVorbis_File file;
        if (ov_fopen(path.c_str(), &file) == 0) return 2;  // opened: nothing was refused
        return LeaksFound() ? 1 : 0;
    });
    const std::string said = testsupport::ReadFile(report);
    EXPECT_EQ(status, 1) << said;
    EXPECT_NE(said.find("Direct leak of 8 byte(s) in 1 object(s)"), std::string::npos) << said;
    EXPECT_NE(said.find("libvorbisfile"), std::string::npos) << said;
}
#endif

// A sound holds its bytes (a file's window, or the copy of a block in
// memory) in the process's sound memory: exactly what is left is taken, a
// byte more is refused before it is read or copied, and a sound released or
// refused gives its bytes back.
TEST_F(PlayerFilesTest, SoundsTakeTheSoundMemoryToItsLastByteAndGiveItBack) {
    using platform::sound::SoundMemoryLeft;
    constexpr uint64_t kBudget = 256 << 10;
    struct Restore {
        ~Restore() { platform::sound::SetSoundMemoryBudget(0); }
    } restore;
    platform::sound::SetSoundMemoryBudget(kBudget);
    ASSERT_EQ(SoundMemoryLeft(), kBudget);
    TorviInstance* first = Open(WriteFile("first.wav", ValidWave()));
    ASSERT_NE(first, nullptr) << Torvi().LastError();
    const uint64_t left = kBudget - ValidWave().size();
    ASSERT_EQ(SoundMemoryLeft(), left);

    // A wave of exactly `bytes` bytes.
    auto wave = [](uint64_t bytes) { return Wave(1, 2, 16, 44100, std::string(bytes - 44, '\x21'), {}, false); };
    struct Way {
        const char* name;
        std::function<TorviInstance*(const std::string&)> open;
        std::string shown;  // how the reason names the sound
    };
    const std::string path = dir_.file("edge.wav");
    const Way ways[] = {
        {"file", [&](const std::string& bytes) {
             testsupport::WriteFile(path, bytes);
             return Torvi().CreateFromFile(path.c_str(), 0, static_cast<DWORD>(bytes.size()), 0);
         }, "\"" + path + "\""},
        {"memory", [](const std::string& bytes) {
             return Torvi().CreateFromMemory(bytes.data(), static_cast<DWORD>(bytes.size()), 0);
         }, "(memory)"},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        ExpectRefused(way.open(wave(left + 1)), way.shown + ": " + std::to_string(left + 1) + " bytes, more than the " +
                                                    std::to_string(left) + " bytes of sound memory left");
        EXPECT_EQ(SoundMemoryLeft(), left);
        TorviInstance* full = way.open(wave(left));
        ASSERT_NE(full, nullptr) << Torvi().LastError();
        EXPECT_EQ(SoundMemoryLeft(), 0u);
        full->Play(0, 0);
        EXPECT_TRUE(full->IsPlaying());
        ExpectRefused(Torvi().CreateFromMemory(ValidWave().data(), 100, 0),
                      "(memory): 100 bytes, more than the 0 bytes of sound memory left");
        full->Release();
        EXPECT_EQ(SoundMemoryLeft(), left);
        // Bytes that are no sound go back at once.
        ExpectRefused(way.open(std::string(left, 'x')), way.shown + ": unknown sound format");
        EXPECT_EQ(SoundMemoryLeft(), left);
    }
    instances_.clear();
    first->Release();
    EXPECT_EQ(SoundMemoryLeft(), kBudget);
}

TEST_F(PlayerFilesTest, FileProblems) {
    const std::string path = WriteFile("ok.wav", ValidWave());
    const DWORD size = static_cast<DWORD>(ValidWave().size());
    ExpectRefused(Open(dir_.file("missing.wav"), 0, 100), ": the file cannot be opened or read");
    ExpectRefused(Open(path, 1, size), ": bytes 1 to " + std::to_string(size + 1) + " lie outside the file");
    ExpectRefused(Open(path, 0xFFFFFFF0u, 0x20), ": bytes 4294967280 to 4294967312 lie outside the file");
    ExpectRefused(Open(path, 0, 0), ": the sound is empty");
    EXPECT_EQ(Torvi().CreateFromFile(nullptr, 0, 10, 0), nullptr);

    platform::InjectFault("CreateFileA", 0, 1);
    ExpectRefused(Open(path, 0, size), ": the file cannot be opened or read");
    platform::InjectFault("Torvi_CreateInstanceFromFileEx", 0, 1);
    ExpectRefused(Open(path, 0, size), ": the instance could not be made");
    EXPECT_NE(Open(path, 0, size), nullptr) << Torvi().LastError();
}

TEST_F(PlayerFilesTest, WindowsPathsResolveWithoutRegardToCase) {
    std::filesystem::create_directories(dir_.file("data/se"));
    testsupport::WriteFile(dir_.file("data/se/shot.wav"), ValidWave());
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(dir_.path().c_str()));
    TorviInstance* sound = Torvi().CreateFromFile("DATA\\SE\\SHOT.WAV", 0, static_cast<DWORD>(ValidWave().size()), 0);
    SetCurrentDirectoryA(previous);
    ASSERT_NE(sound, nullptr) << Torvi().LastError();
    sound->Release();
}

TEST_F(PlayerFilesTest, MemoryInstancesCopyTheirBytes) {
    std::string wave = ValidWave();
    TorviInstance* sound = Torvi().CreateFromMemory(wave.data(), static_cast<DWORD>(wave.size()), 0);
    ASSERT_NE(sound, nullptr) << Torvi().LastError();
    instances_.push_back(sound);
    wave.assign(wave.size(), '\0');  // the caller's block may change or go
    sound->Play(0, 0);
    EXPECT_TRUE(sound->IsPlaying());
    EXPECT_TRUE(audiotest::WaitUntil([&] { return !sound->IsPlaying(); }));
    ExpectRefused(Torvi().CreateFromMemory(nullptr, 10, 0), "(memory): the sound is empty");
    ExpectRefused(Torvi().CreateFromMemory(wave.data(), 0, 0), "(memory): the sound is empty");
}

TEST_F(PlayerFilesTest, LastErrorIsCutToTheCallersBuffer) {
    Open(dir_.file("nothing-here.wav"), 0, 10);
    const std::string full = Torvi().LastError();
    ASSERT_GT(full.size(), 8u);
    char small[8];
    std::memset(small, 'Z', sizeof(small));
    EXPECT_EQ(Torvi().GetLastError(small, sizeof(small)), full.size());
    EXPECT_EQ(std::string(small), full.substr(0, 7));
    EXPECT_EQ(Torvi().GetLastError(nullptr, 0), full.size());
    // A reason longer than the player keeps is kept to 1023 bytes and its end.
    const std::string longName(1100, 'n');
    Open(longName, 0, 0);
    std::vector<char> kept(2000, 'Z');
    EXPECT_EQ(Torvi().GetLastError(kept.data(), static_cast<DWORD>(kept.size())), 1023u);
    EXPECT_EQ(std::string(kept.data()), "\"" + longName.substr(0, 1022));
}

TEST_F(PlayerFilesTest, InstancesOutliveTheUninitialisedPlayerSilently) {
    TorviInstance* sound = Open(WriteFile("late.wav", ValidWave()));
    ASSERT_NE(sound, nullptr);
    sound->Loop(0xFFFFFFFF, 0);
    EXPECT_TRUE(sound->IsPlaying());
    Torvi().Uninitialize();
    EXPECT_FALSE(sound->IsPlaying());
    sound->Play(0, 0);
    sound->Pause();
    sound->SetVolume(20.0f);
    EXPECT_FALSE(sound->IsPlaying());
    // Released by TearDown after the DirectSound object is gone.
    sound_->Release();
    sound_ = nullptr;
}

TEST_F(PlayerFilesTest, StateChanges) {
    TorviInstance* sound = Open(WriteFile("state.wav", Wave(1, 2, 16, 44100,
                                                            Bytes(std::vector<int16_t>(441000, 300)))));
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->GetVolume(), 100.0f);
    sound->Stop();
    EXPECT_FALSE(sound->IsPlaying());
    sound->Loop(3, 0);
    EXPECT_TRUE(sound->IsPlaying());
    sound->Pause();
    EXPECT_FALSE(sound->IsPlaying());
    sound->Play(0, 0);  // Play clears a pause
    EXPECT_TRUE(sound->IsPlaying());
    sound->Pause();
    sound->Stop();
    sound->Pause();  // stopped: Pause does not start it
    EXPECT_FALSE(sound->IsPlaying());
}

}  // namespace
