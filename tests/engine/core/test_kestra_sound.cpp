// Sound slots: the start and its failures, the slot table, creation through the
// player library or the buffers, buffer counts, the volume scale and the WAV
// chunk walk.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

#include "engine/core/KestraSoundWave.h"
#include "platform/dsound/sound_memory.h"
#include "tests/engine/core/boot_harness.h"
#include "tests/engine/core/test_kestra_sound_log.h"
#include "tests/engine/core/test_kestra_sound_support.h"
#include "tools/kestra-pack/LzssEncoder.h"
#include "tools/kestra-pack/PackWriter.h"

namespace {

using soundtest::Cp932;
using soundtest::SoundTest;
using soundtest::StereoSignal;
using soundtest::StereoWave;
using torvitest::Chunk;
using torvitest::PutLe16;
using torvitest::PutLe32;
using torvitest::Wave;

constexpr uint32_t kNone = KESTRA_SOUND_NONE;

std::string RedLine(const char8_t* utf8) {
    return "<B><FONT color=\"RED\">" + Cp932(utf8) + "</FONT></B>";
}

// ---- The volume scale of the buffers.
TEST(KestraSoundVolume, AttenuationIsMinusTheSquareOfTheDistanceFromFull) {
    EXPECT_EQ(KestraSound::VolumeToAttenuation(1.0f), -9801);
    EXPECT_EQ(KestraSound::VolumeToAttenuation(-3.0f), -10000);
    EXPECT_EQ(KestraSound::VolumeToAttenuation(99.5f), 0);  // -0.25 truncates toward zero
    EXPECT_EQ(KestraSound::VolumeToAttenuation(0.5f), -9900);  // -9900.25
    EXPECT_EQ(KestraSound::VolumeToAttenuation(std::numeric_limits<float>::quiet_NaN()), -10000);
    EXPECT_EQ(KestraSound::VolumeToAttenuation(std::numeric_limits<float>::infinity()), 0);
}

// ---- The WAV chunk walk.
std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

bool Parse(const std::string& file, KestraSound::WaveLayout* layout) {
    const std::vector<uint8_t> bytes = Bytes(file);
    return KestraSound::ParseWave(bytes.data(), static_cast<uint32_t>(bytes.size()), layout);
}

TEST(KestraSoundWave, FindsFormatAndSamplesPastOddChunksWithOrWithoutPadByte) {
    const std::string samples = torvitest::Bytes(StereoSignal(100));
    KestraSound::WaveLayout layout{};
    // With the pad byte after the odd "LIST" chunk, as RIFF has it.
    const std::string padded = Wave(1, 2, 16, 44100, samples, {{"LIST", "INFOx"}, {"junk", "abc"}});
    ASSERT_TRUE(Parse(padded, &layout));
    EXPECT_EQ(layout.format.wFormatTag, 1);
    EXPECT_EQ(layout.format.nChannels, 2);
    EXPECT_EQ(layout.format.nSamplesPerSec, 44100u);
    EXPECT_EQ(layout.format.nBlockAlign, 4);
    EXPECT_EQ(layout.format.wBitsPerSample, 16);
    EXPECT_EQ(layout.dataSize, samples.size());
    EXPECT_EQ(padded.substr(layout.dataOffset, layout.dataSize), samples);
    // Written without pad bytes: still found.
    const std::string unpadded = Wave(1, 2, 16, 44100, samples, {{"LIST", "INFOx"}, {"junk", "abc"}}, false);
    ASSERT_TRUE(Parse(unpadded, &layout));
    EXPECT_EQ(unpadded.substr(layout.dataOffset, layout.dataSize), samples);
    // An odd-sized body whose last byte looks like the start of an id: the pad wins.
    const std::string tricky = Wave(1, 2, 16, 44100, samples, {{"LIST", "INFOd"}});
    ASSERT_TRUE(Parse(tricky, &layout));
    EXPECT_EQ(tricky.substr(layout.dataOffset, layout.dataSize), samples);
    // A printable pad byte: both places read as ids, and the pad still wins.
    std::string spaced = tricky;
    spaced[36 + 8 + 5] = ' ';
    ASSERT_TRUE(Parse(spaced, &layout));
    EXPECT_EQ(spaced.substr(layout.dataOffset, layout.dataSize), samples);
}

TEST(KestraSoundWave, RefusesWhatIsNotPlayablePcm) {
    const std::string samples = torvitest::Bytes(StereoSignal(10));
    KestraSound::WaveLayout layout{};
    EXPECT_FALSE(Parse(Wave(3, 2, 32, 44100, samples), &layout));  // float samples
    EXPECT_FALSE(Parse(Wave(1, 2, 16, 44100, ""), &layout));       // no samples
    std::string notWave = Wave(1, 2, 16, 44100, samples);
    notWave.replace(8, 4, "AVI ");
    EXPECT_FALSE(Parse(notWave, &layout));
    std::string notRiff = Wave(1, 2, 16, 44100, samples);
    notRiff.replace(0, 4, "RIFX");
    EXPECT_FALSE(Parse(notRiff, &layout));
    EXPECT_FALSE(Parse("RIFF", &layout));
    // No "fmt " at all, or one too short to hold the PCM fields.
    std::string noFormat = "RIFF";
    PutLe32(noFormat, 4 + 8 + 40);
    noFormat += "WAVEdata";
    PutLe32(noFormat, 40);
    noFormat += samples;
    EXPECT_FALSE(Parse(noFormat, &layout));
    std::string shortFormat = "RIFF";
    PutLe32(shortFormat, 0);
    shortFormat += "WAVEfmt ";
    PutLe32(shortFormat, 14);
    PutLe16(shortFormat, 1);
    PutLe16(shortFormat, 2);
    PutLe32(shortFormat, 44100);
    PutLe32(shortFormat, 176400);
    PutLe16(shortFormat, 4);
    shortFormat += "data";
    PutLe32(shortFormat, 40);
    shortFormat += samples;
    EXPECT_FALSE(Parse(shortFormat, &layout));
    // Samples before the format: nothing says what they are.
    std::string dataFirst = "RIFF";
    PutLe32(dataFirst, 0);
    dataFirst += "WAVEdata";
    PutLe32(dataFirst, 40);
    dataFirst += samples;
    dataFirst += Wave(1, 2, 16, 44100, "").substr(12, 24);
    EXPECT_FALSE(Parse(dataFirst, &layout));
}

TEST(KestraSoundWave, SizesThatOverstateTheFileAreCutToWhatIsThere) {
    const std::string samples = torvitest::Bytes(StereoSignal(50));
    std::string file = Wave(1, 2, 16, 44100, samples);
    // "data" claims far more than follows.
    const size_t dataSizeAt = file.size() - samples.size() - 4;
    file[dataSizeAt + 3] = 0x7F;
    KestraSound::WaveLayout layout{};
    ASSERT_TRUE(Parse(file, &layout));
    EXPECT_EQ(layout.dataSize, samples.size());
    // A chunk before "data" that claims to run past the end: no samples to find.
    std::string runaway = Wave(1, 2, 16, 44100, samples, {{"LIST", "abcd"}});
    runaway[36 + 7] = 0x7F;  // the LIST size's top byte
    EXPECT_FALSE(Parse(runaway, &layout));
    // Every truncation of a file with odd chunks: never a read outside the bytes.
    const std::string full = Wave(1, 2, 16, 44100, samples, {{"LIST", "INFOx"}, {"smpl", "123"}});
    for (size_t cut = 0; cut <= full.size(); ++cut) {
        const testsupport::GuardedBytes bytes(full.substr(0, cut));
        if (KestraSound::ParseWave(bytes.data(), bytes.size(), &layout)) {
            EXPECT_LE(static_cast<size_t>(layout.dataOffset) + layout.dataSize, cut);
        }
    }
}

// ---- The start.
TEST_F(SoundTest, StartOpensTheDeviceLogsItAndBindsThePlayer) {
    Start();
    EXPECT_TRUE(KestraSound::IsStarted());
    EXPECT_TRUE(KestraSound::IsPlayerReady());
    const std::string log = Log();
    const std::string expected = testsupport::Utf8ToCp932(soundlog::StartLog());
    const size_t at = log.find(Cp932(u8"KestraSoundクラスの初期化"));
    ASSERT_NE(at, std::string::npos);
    const size_t from = log.rfind("<TABLE", at);
    EXPECT_EQ(log.substr(from), expected);
    // The music module may share the device: a reference of its own.
    IDirectSound8* sound = nullptr;
    KestraSound::GetDirectSound(&sound);
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(static_cast<IUnknown*>(sound), KestraSound::GetDirectSound());
    EXPECT_GE(sound->Release(), 1u);
    // A second start changes nothing.
    EXPECT_TRUE(KestraSound::Initialize());
    EXPECT_EQ(LogCount(Cp932(u8"KestraSoundクラスの初期化")), 1u);
}

TEST_F(SoundTest, WithoutAnyAudioDeviceTheModuleStaysOffAndEveryCallIsHarmless) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(KestraSound::Initialize());
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_FALSE(KestraSound::IsStarted());
    EXPECT_TRUE(LogHas(RedLine(u8"  エラー : DirectSoundオブジェクトの生成に失敗")));
    EXPECT_FALSE(LogHas(Cp932(u8"協調レベル")));
    Put("data/SE/a.wav", StereoWave(StereoSignal(100)));
    EXPECT_EQ(KestraSound::CreateFromFile("SE/a.wav", 0, true, true, 1), kNone);
    EXPECT_EQ(KestraSound::CreateFromFile("SE/a.wav", 0, false, true, 1), kNone);
    for (uint32_t slot : {0u, 5u, 127u, 500u, kNone}) {
        KestraSound::Play(slot, 0);
        KestraSound::Loop(slot, 0xFFFFFFFF, 0, 0);
        KestraSound::Pause(slot, 0);
        KestraSound::SetVolume(slot, 50.0f, 0);
        KestraSound::Stop(slot, 0);
        KestraSound::Release(slot);
        EXPECT_EQ(KestraSound::GetSlot(slot), nullptr);
    }
    EXPECT_FALSE(LogHas("KestraSound::Release"));
    EXPECT_EQ(KestraSound::GetDirectSound(), nullptr);
    IDirectSound8* sound = reinterpret_cast<IDirectSound8*>(1);
    KestraSound::GetDirectSound(&sound);
    EXPECT_EQ(sound, nullptr);
    KestraSound::Finalize();
    KestraSound::Finalize();
    EXPECT_EQ(LogCount(Cp932(u8"KestraSoundクラスの解放")), 1u);
}

TEST_F(SoundTest, EachFailingStepOfTheStartIsLoggedAndLeavesTheModuleOff) {
    struct Row {
        const char* fault;
        const char8_t* line;
        bool red;
    };
    const Row rows[] = {
        {"CoCreateInstance", u8"　エラー : DirectSound8オブジェクトの生成に失敗", true},
        {"DirectSoundCreate8", u8"  エラー : DirectSoundオブジェクトの生成に失敗", true},
        {"SetCooperativeLevel", u8"　エラー : 協調レベルの設定に失敗", true},
        {"CreateSoundBuffer", u8"　エラー : プライマリサウンドバッファの生成に失敗", false},
    };
    for (const Row& row : rows) {
        platform::ClearFaults();
        platform::InjectFault(row.fault);
        EXPECT_FALSE(KestraSound::Initialize()) << row.fault;
        EXPECT_FALSE(KestraSound::IsStarted());
        const std::string text = row.red ? RedLine(row.line) : Cp932(row.line) + "<BR>\n";
        EXPECT_TRUE(LogHas(text)) << row.fault;
        EXPECT_EQ(KestraSound::CreateFromFile("SE/a.wav", 0, false, true, 1), kNone);
        KestraSound::Finalize();
    }
    platform::ClearFaults();
    EXPECT_FALSE(LogHas(Cp932(u8"性能をチェック")));
}

TEST_F(SoundTest, PriorityRefusedFallsBackToNormalAndAFailedCompactionIsOnlyLogged) {
    platform::InjectFault("SetCooperativeLevel", 0, 1);
    Start();
    EXPECT_TRUE(LogHas(Cp932(u8"　■ 協調レベルを 通常レベル に設定<BR>\n")));
    KestraSound::Finalize();
    platform::InjectFault("Compact");
    Start();
    EXPECT_TRUE(LogHas(RedLine(u8"　エラー : メモリのコンパクションに失敗")));
    EXPECT_TRUE(KestraSound::IsStarted());
}

// ---- The slot table.
TEST_F(SoundTest, TheGamesHundredAndTwentyEightSlotsFillUpAndAFreedSlotIsReused) {
    KestraSound::SetMaxSounds(128);
    Start();
    Put("data/SE/shot.wav", StereoWave(StereoSignal(200)));
    for (uint32_t i = 0; i < 128; ++i) ASSERT_EQ(KestraSound::CreateFromFile("SE/shot.wav", 0, true, true, 1), i);
    EXPECT_NE(KestraSound::GetSlot(127)->player, nullptr);
    EXPECT_STREQ(KestraSound::GetSlot(127)->name, "SE/shot.wav");
    EXPECT_EQ(KestraSound::GetSlot(127)->file, nullptr);  // kept only while creating

    EXPECT_EQ(KestraSound::CreateFromFile("SE/shot.wav", 0, true, true, 1), kNone);
    EXPECT_TRUE(LogHas(Cp932(u8"<B><FONT color=\"BLUE\">KestraSound::CreateFromFile</FONT></B> : SE/shot.wav : ") +
                       RedLine(u8"空きサウンドが見つかりませんでした") + "<BR>\n"));

    KestraSound::Release(5);
    EXPECT_EQ(KestraSound::GetSlot(5), nullptr);
    EXPECT_TRUE(LogHas(RedLine(u8"KestraSound::Release") + " : [ No.5 ]<BR>\n"));
    KestraSound::Release(5);  // already free: nothing, and no second line
    EXPECT_EQ(LogCount("[ No.5 ]<BR>"), 1u);
    EXPECT_EQ(KestraSound::CreateFromFile("SE/shot.wav", 0, false, true, 1), 5u);
    EXPECT_EQ(LogCount("[ No.5 ] : <B><FONT color=\"GREEN\">Success!</FONT></B><BR>\n"), 2u);

    KestraSound::Finalize();
    for (uint32_t i = 0; i < 128; ++i)
        EXPECT_TRUE(LogHas("Sound Destroy [ No." + std::to_string(i) + " ]<BR>\n")) << i;
    EXPECT_EQ(LogCount("Sound Destroy"), 128u);
}

TEST_F(SoundTest, ATableSizeOfZeroHoldsSixtyFourSlots) {
    Start();
    Put("data/SE/a.wav", StereoWave(StereoSignal(10)));
    for (uint32_t i = 0; i < 64; ++i) ASSERT_EQ(KestraSound::CreateFromFile("SE/a.wav", 0, false, true, 1), i);
    EXPECT_EQ(KestraSound::CreateFromFile("SE/a.wav", 0, false, true, 1), kNone);
    for (uint32_t slot : {64u, 500u, kNone}) {
        KestraSound::Play(slot, 0);
        KestraSound::Release(slot);
    }
    EXPECT_FALSE(LogHas("KestraSound::Release"));
}

// A buffer made from WAV data: volume and pan control only, the samples' size.
void ExpectWaveBufferCaps(IDirectSoundBuffer* buffer, DWORD bytes) {
    DSBCAPS caps{};
    caps.dwSize = sizeof caps;
    ASSERT_EQ(buffer->GetCaps(&caps), DS_OK);
    EXPECT_EQ(caps.dwFlags, DWORD(DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME | DSBCAPS_LOCSOFTWARE));
    EXPECT_EQ(caps.dwBufferBytes, bytes);
    EXPECT_EQ(buffer->SetPan(DSBPAN_LEFT), DS_OK);
}

TEST_F(SoundTest, BufferCountsAreHeldBetweenOneAndThirtyTwo) {
    Start();
    Put("data/SE/a.wav", StereoWave(StereoSignal(300)));
    const std::pair<uint32_t, uint32_t> counts[] = {{0, 1}, {1, 1}, {5, 5}, {32, 32}, {40, 32}, {0xFFFFFFFF, 32}};
    for (const auto& [asked, kept] : counts) {
        const uint32_t slot = KestraSound::CreateFromFile("SE/a.wav", 0, false, false, asked);
        ASSERT_NE(slot, kNone) << asked;
        const KestraSoundSlot* s = KestraSound::GetSlot(slot);
        EXPECT_EQ(s->bufferCount, kept) << asked;
        for (uint32_t i = 0; i < KESTRA_SOUND_MAX_BUFFERS; ++i) EXPECT_EQ(s->buffers[i] != nullptr, i < kept) << i;
        for (uint32_t i = 0; i < kept; ++i) ExpectWaveBufferCaps(s->buffers[i], 1200);
        // Every buffer is its own voice over the same samples.
        KestraSound::Play(slot, kept - 1);
        EXPECT_TRUE(BufferPlaying(slot, kept - 1));
        EXPECT_FALSE(BufferPlaying(slot, 0) && kept > 1);
        KestraSound::Play(slot, kept);  // beyond the count: ignored
        KestraSound::Stop(slot, kept - 1);
        KestraSound::Release(slot);
    }
}

TEST_F(SoundTest, ARefusedDuplicateEndsTheRowWithoutEmptyBuffers) {
    Start();
    Put("data/SE/a.wav", StereoWave(StereoSignal(300)));
    platform::InjectFault("DuplicateSoundBuffer", 2, 1);
    const uint32_t slot = KestraSound::CreateFromFile("SE/a.wav", 0, false, true, 6);
    ASSERT_NE(slot, kNone);
    const KestraSoundSlot* s = KestraSound::GetSlot(slot);
    EXPECT_EQ(s->bufferCount, 3u);
    for (uint32_t i = 0; i < 3; ++i) EXPECT_NE(s->buffers[i], nullptr);
    for (uint32_t i = 3; i < 6; ++i) {
        EXPECT_EQ(s->buffers[i], nullptr);
        KestraSound::Play(slot, i);
        KestraSound::Pause(slot, i);
        KestraSound::SetVolume(slot, 10.0f, i);
        KestraSound::Stop(slot, i);
    }
}

TEST_F(SoundTest, VolumeGoesToTheBufferInHundredthsOfADecibelAndToThePlayerAsGiven) {
    Start();
    Put("data/SE/a.wav", StereoWave(StereoSignal(300)));
    const uint32_t buffers = KestraSound::CreateFromFile("SE/a.wav", 0, false, true, 2);
    const uint32_t player = KestraSound::CreateFromFile("SE/a.wav", 0, true, true, 2);
    ASSERT_NE(buffers, kNone);
    ASSERT_NE(player, kNone);
    ASSERT_NE(KestraSound::GetSlot(player)->player, nullptr);
    for (uint32_t i = 0; i < 2; ++i) ExpectWaveBufferCaps(Buffer(buffers, i), 1200);
    const std::pair<float, LONG> rows[] = {{50.0f, -2500}, {90.0f, -100}, {0.0f, -10000}, {100.5f, 0}, {-3.0f, -10000}};
    for (const auto& [volume, hundredths] : rows) {
        KestraSound::SetVolume(buffers, volume, 1);
        LONG set = 1;
        ASSERT_EQ(Buffer(buffers, 1)->GetVolume(&set), DS_OK);
        EXPECT_EQ(set, hundredths) << volume;
        KestraSound::SetVolume(player, volume, 7);  // the index means nothing to the player
        EXPECT_EQ(KestraSound::GetSlot(player)->player->GetVolume(), volume);
    }
    LONG first = 1;
    Buffer(buffers, 0)->GetVolume(&first);
    EXPECT_EQ(first, 0);  // only the addressed buffer changed
}

// ---- Creation failures.
TEST_F(SoundTest, AMissingFileIsLoggedAndItsSlotStaysFree) {
    Start();
    EXPECT_EQ(KestraSound::CreateFromFile("SE/none.wav", 0, true, true, 1), kNone);
    EXPECT_TRUE(LogHas(" : SE/none.wav : [ No.0 ] : " + RedLine(u8"ファイル読み込みに失敗しました")));
    EXPECT_EQ(KestraSound::GetSlot(0), nullptr);
    EXPECT_EQ(KestraSound::CreateFromFile(nullptr, 0, true, true, 1), kNone);
}

TEST_F(SoundTest, APlayerThatRefusesTheFileLogsItsReasonAndFreesTheSlotOnce) {
    Start();
    Put("data/SE/a.wav", StereoWave(StereoSignal(100)));
    Put("data/SE/noise.wav", std::string(400, 'x'));
    platform::InjectFault("Torvi_CreateInstanceFromFileEx", 0, 1);
    EXPECT_EQ(KestraSound::CreateFromFile("SE/a.wav", 0, true, true, 1), kNone);
    EXPECT_TRUE(LogHas(RedLine(u8"Torviインターフェースの確保に失敗しました")));
    EXPECT_TRUE(LogHas("the instance could not be made"));
    // Not a sound at all: the player says so.
    EXPECT_EQ(KestraSound::CreateFromFile("SE/noise.wav", 0, true, true, 1), kNone);
    EXPECT_TRUE(LogHas("unknown sound format"));
    EXPECT_EQ(KestraSound::GetSlot(0), nullptr);
    // The slot and the file are usable again (a double close would have freed twice).
    EXPECT_EQ(KestraSound::CreateFromFile("SE/a.wav", 0, true, true, 1), 0u);
}

TEST_F(SoundTest, WavesTheBuffersCannotPlayAreRefused) {
    Start();
    Put("data/SE/float.wav", Wave(3, 2, 32, 44100, std::string(800, '\1')));
    Put("data/SE/mono24.wav", Wave(1, 1, 24, 44100, std::string(300, '\1')));
    Put("data/SE/empty.wav", "");
    Put("data/SE/short.wav", std::string("RIFF\x04\0\0\0WAVE", 12));
    for (const char* name : {"SE/float.wav", "SE/mono24.wav", "SE/empty.wav", "SE/short.wav"}) {
        EXPECT_EQ(KestraSound::CreateFromFile(name, 0, false, true, 1), kNone) << name;
        EXPECT_EQ(KestraSound::GetSlot(0), nullptr) << name;
    }
    EXPECT_EQ(LogCount(RedLine(u8"Failed!")), 4u);
}

// ---- The sound memory. What a load holds at once, judged before the file is
// read: the window the player reads of a plain file; for a buffer, the file
// read whole and then the buffer beside it; an LZSS block read whole beside
// its decoded bytes, then those beside the player's copy or the buffer.
class SoundMemoryTest : public SoundTest {
protected:
    void TearDown() override {
        SoundTest::TearDown();
        platform::sound::SetSoundMemoryBudget(0);
    }
};

TEST_F(SoundMemoryTest, ALoadHoldingExactlyWhatIsLeftGoesAheadAndAByteMoreIsRefusedUnread) {
    Start();
    const std::string first = StereoWave(StereoSignal(1000));
    Put("data/SE/first.wav", first);
    const uint32_t held = KestraSound::CreateFromFile("SE/first.wav", 0, true, true, 1);
    ASSERT_NE(held, kNone);
    const uint64_t taken = platform::sound::kSoundMemoryBudget - platform::sound::SoundMemoryLeft();
    ASSERT_EQ(taken, first.size());

    // A phrase repeated: its LZSS block is a small part of it.
    std::vector<int16_t> signal;
    for (int i = 0; i < 40; ++i) {
        const std::vector<int16_t> phrase = StereoSignal(100);
        signal.insert(signal.end(), phrase.begin(), phrase.end());
    }
    const std::string wave = StereoWave(signal);
    const std::vector<uint8_t> block =
        kestrapack::LzssEncodeBlock(reinterpret_cast<const uint8_t*>(wave.data()), wave.size());
    const std::string lzss(block.begin(), block.end());
    ASSERT_LT(lzss.size() * 4, wave.size());
    const uint64_t stored = lzss.size(), decoded = wave.size();
    struct Case {
        const char* name;
        const std::string& bytes;
        bool player;
        uint64_t holds;
    } const cases[] = {
        {"SE/plain.wav", wave, true, wave.size()},
        {"SE/plain.wav", wave, false, 2 * wave.size()},
        {"SE/packed.wav", lzss, true, std::max(stored + decoded, 2 * decoded)},
        {"SE/packed.wav", lzss, false, std::max(stored + decoded, 2 * decoded)},
    };
    const uint64_t loaded = Kestra::LoadedMemoryLeft();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.player ? " through the player" : " into a buffer"));
        Put(std::string("data/") + c.name, c.bytes);
        platform::sound::SetSoundMemoryBudget(taken + c.holds);
        const uint32_t slot = KestraSound::CreateFromFile(c.name, 0, c.player, true, 1);
        ASSERT_NE(slot, kNone);
        EXPECT_EQ(KestraSound::GetSlot(slot)->player != nullptr, c.player);
        // The player keeps the whole sound; a buffer its samples only.
        EXPECT_EQ(platform::sound::SoundMemoryLeft(), c.holds - decoded + (c.player ? 0 : 44));
        KestraSound::Release(slot);
        EXPECT_EQ(platform::sound::SoundMemoryLeft(), c.holds);
        // A read failing after the header frees the slot and the memory.
        platform::InjectFault("ReadFile", 1, 1);
        EXPECT_EQ(KestraSound::CreateFromFile(c.name, 0, c.player, true, 1), kNone);
        platform::ClearFaults();
        EXPECT_EQ(KestraSound::GetSlot(1), nullptr);
        EXPECT_EQ(platform::sound::SoundMemoryLeft(), c.holds);

        platform::sound::SetSoundMemoryBudget(taken + c.holds - 1);
        platform::InjectFault("ReadFile", 1, 1);  // the header read passes; the next would fail
        EXPECT_EQ(KestraSound::CreateFromFile(c.name, 0, c.player, true, 1), kNone);
        EXPECT_TRUE(platform::FaultHit("ReadFile")) << "the file was read";
        platform::ClearFaults();
        const std::string line = Cp932(u8"サウンド用メモリが足りません [ ") + c.name + " : " +
                                 std::to_string((c.holds + 1023) / 1024) + "KB / " + Cp932(u8"残り ") +
                                 std::to_string((c.holds - 1) / 1024) + "KB ]";
        EXPECT_TRUE(LogHas(" : " + std::string(c.name) + " : [ No.1 ] : <B><FONT color=\"RED\">" + line)) << line;
        EXPECT_EQ(KestraSound::GetSlot(1), nullptr);
        EXPECT_EQ(platform::sound::SoundMemoryLeft(), c.holds - 1);
        EXPECT_EQ(Kestra::LoadedMemoryLeft(), loaded) << "the bytes read were given back";
    }
    KestraSound::Release(held);
    EXPECT_EQ(platform::sound::SoundMemoryLeft(), taken + cases[3].holds - 1);
}

TEST_F(SoundMemoryTest, AHugeSoundIsRefusedBeforeAnyOfItIsRead) {
    Start();
    // 3.5 GB of a sparse file: read, they would be resident.
    Put("data/SE/huge.wav", Wave(1, 2, 16, 44100, std::string(400, '\1')));
    std::filesystem::resize_file(dir_.file("data/SE/huge.wav"), uint64_t{7} << 29);
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    for (bool player : {true, false}) EXPECT_EQ(KestraSound::CreateFromFile("SE/huge.wav", 0, player, true, 1), kNone);
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "kilobytes of peak resident memory";
    EXPECT_EQ(LogCount(Cp932(u8"サウンド用メモリが足りません [ SE/huge.wav : 3670016KB / 残り 131072KB ]")), 1u);
    EXPECT_EQ(LogCount(Cp932(u8"サウンド用メモリが足りません [ SE/huge.wav : 7340032KB / 残り 131072KB ]")), 1u);
    EXPECT_EQ(platform::sound::SoundMemoryLeft(), platform::sound::kSoundMemoryBudget);
}

// ---- The player library and its absence.
TEST_F(SoundTest, WithoutThePlayerLibraryWavesPlayThroughTheBuffersAndOtherSoundsFail) {
    platform::InjectFault("LoadLibraryA:Torvi.dll");
    Start();
    EXPECT_FALSE(KestraSound::IsPlayerReady());
    Put("data/SE/a.wav", StereoWave(StereoSignal(100)));
    Put("data/BGM/tune.ogg", torvitest::EncodeOgg(torvitest::Tone(4410, 2, 44100), 2, 44100));
    const uint32_t slot = KestraSound::CreateFromFile("SE/a.wav", 0, true, true, 1);
    ASSERT_NE(slot, kNone);
    EXPECT_EQ(KestraSound::GetSlot(slot)->player, nullptr);
    EXPECT_NE(Buffer(slot), nullptr);
    KestraSound::Play(slot, 0);
    EXPECT_TRUE(BufferPlaying(slot));
    EXPECT_EQ(KestraSound::CreateFromFile("BGM/tune.ogg", 0, true, false, 1), kNone);
}

TEST_F(SoundTest, APlayerLibraryThatIsIncompleteOrNotReadyIsNotUsed) {
    // A ready player before leaves nothing behind for the next start.
    Start();
    ASSERT_TRUE(KestraSound::IsPlayerReady());
    KestraSound::Finalize();
    for (const char* fault : {"GetProcAddress:Torvi_GetLastError", "GetProcAddress:Torvi_CreateInstanceFromMemory",
                              "Torvi_Initialize"}) {
        platform::ClearFaults();
        platform::InjectFault(fault);
        Start();
        EXPECT_FALSE(KestraSound::IsPlayerReady()) << fault;
        Put("data/SE/a.wav", StereoWave(StereoSignal(100)));
        const uint32_t slot = KestraSound::CreateFromFile("SE/a.wav", 0, true, true, 1);
        ASSERT_NE(slot, kNone) << fault;
        EXPECT_EQ(KestraSound::GetSlot(slot)->player, nullptr) << fault;
        EXPECT_NE(Buffer(slot), nullptr) << fault;
        KestraSound::Finalize();
    }
}

TEST_F(SoundTest, PlayerOperationsReachTheInstanceWhateverTheBufferIndex) {
    Start();
    Put("data/BGM/tune.ogg", torvitest::EncodeOgg(torvitest::Tone(44100, 2, 44100), 2, 44100));
    const uint32_t slot = KestraSound::CreateFromFile("BGM/tune.ogg", 0, true, false, 1);
    ASSERT_NE(slot, kNone);
    EXPECT_FALSE(PlayerPlaying(slot));
    KestraSound::Loop(slot, 0xFFFFFFFF, 0, 9);
    EXPECT_TRUE(PlayerPlaying(slot));
    KestraSound::Pause(slot, 9);
    EXPECT_FALSE(PlayerPlaying(slot));
    KestraSound::Pause(slot, 9);
    EXPECT_TRUE(PlayerPlaying(slot));
    KestraSound::Stop(slot, 3);
    EXPECT_FALSE(PlayerPlaying(slot));
    KestraSound::Play(slot, 31);
    EXPECT_TRUE(PlayerPlaying(slot));
    KestraSound::Release(slot);  // stops and frees the playing instance
    EXPECT_EQ(KestraSound::GetSlot(slot), nullptr);
}

// ---- Pause keeps its state per slot on the buffers.
TEST_F(SoundTest, PauseSavesTheCursorAndResumesLoopingAfterALoop) {
    Start();
    Put("data/SE/long.wav", StereoWave(StereoSignal(44100 * 4)));
    const uint32_t slot = KestraSound::CreateFromFile("SE/long.wav", 0, false, true, 1);
    ASSERT_NE(slot, kNone);
    KestraSound::Loop(slot, 0, 0, 0);
    EXPECT_EQ(KestraSound::GetSlot(slot)->loop, 1);
    ASSERT_TRUE(audiotest::WaitUntil([&] {
        DWORD play = 0;
        Buffer(slot)->GetCurrentPosition(&play, nullptr);
        return play > 0;
    }));
    KestraSound::Pause(slot, 0);
    const KestraSoundSlot* s = KestraSound::GetSlot(slot);
    EXPECT_EQ(s->paused, 1);
    EXPECT_FALSE(BufferPlaying(slot));
    DWORD play = 0;
    Buffer(slot)->GetCurrentPosition(&play, nullptr);
    // The cursor is read while the buffer still plays, so it may lag where it stopped.
    EXPECT_LE(s->pausedPosition, play);
    EXPECT_GT(s->pausedPosition, 0u);
    EXPECT_EQ(s->pausedPosition % 4, 0u);
    KestraSound::Pause(slot, 0);
    EXPECT_EQ(s->paused, 0);
    DWORD status = 0;
    Buffer(slot)->GetStatus(&status);
    EXPECT_EQ(status, static_cast<DWORD>(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));
    // Stop rewinds and clears the pause; Play starts once, not looping.
    KestraSound::Pause(slot, 0);
    KestraSound::Stop(slot, 0);
    EXPECT_EQ(s->paused, 0);
    EXPECT_EQ(s->pausedPosition, 0u);
    Buffer(slot)->GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, 0u);
    KestraSound::Play(slot, 0);
    Buffer(slot)->GetStatus(&status);
    EXPECT_EQ(status, static_cast<DWORD>(DSBSTATUS_PLAYING));
    EXPECT_EQ(s->loop, 0);
}

// ---- The whole engine without a sound device: the game runs silently.
bool g_silentRunOk = false;
void SilentGame(int, char**) {
    if (!Kestra::Start()) return;
    const uint32_t slot = KestraSound::CreateFromFile("SE/a.wav", 0, true, true, 1);
    KestraSound::Play(slot, 0);
    KestraSound::Loop(slot, 0xFFFFFFFF, 0, 0);
    KestraSound::SetVolume(slot, 90.0f, 0);
    KestraSound::Pause(slot, 0);
    KestraSound::Stop(slot, 0);
    KestraSound::Release(slot);
    g_silentRunOk = slot == kNone;
    int frames = 0;
    while (Kestra::WaitForMessage(false))
        if (++frames == 3) Kestra::Exit();
}

void TickPerRead(void*) { platform::AdvanceVirtualClock(1000); }

bool g_bootSoundOk = false;
void GameWithOneSound(int, char**) {
    if (!Kestra::Start()) return;
    const uint32_t slot = KestraSound::CreateFromFile("SE/a.wav", 0, true, true, 1);
    KestraSound::Play(slot, 0);
    g_bootSoundOk = slot == 0 && KestraSound::IsPlayerReady();
    int frames = 0;
    while (Kestra::WaitForMessage(false))
        if (++frames == 3) Kestra::Exit();
}

TEST(KestraSoundBoot, TheBootLogsTheSoundStartAndReleasesWhatTheGameLeft) {
    testsupport::TempDir dir;
    std::filesystem::create_directories(dir.file("SE"));
    testsupport::WriteFile(dir.file("SE/a.wav"), StereoWave(StereoSignal(100)));
    EXPECT_EQ(boot::InDisplayChild([&] {
                  boot::Prepare(dir.path());
                  platform::SetVirtualClockHook(TickPerRead, nullptr);
                  Kestra::SetGameFunctions(boot::ConfigureLikeGame, GameWithOneSound, nullptr);
                  EXPECT_EQ(boot::BootNow(), 0);
                  EXPECT_TRUE(g_bootSoundOk);
              }),
              0);
    const std::string log = testsupport::ReadFile(dir.file("system_log.html"));
    const std::string start = boot::OnDisk(soundlog::StartLog() + soundlog::Headline(soundlog::Utf8(u8"KestraInputクラスの初期化")));
    EXPECT_NE(log.find(start), std::string::npos);
    const std::string finish = boot::OnDisk(soundlog::Headline(soundlog::Utf8(u8"KestraSoundクラスの解放")) +
                                            "<BR>\nSound Destroy [ No.0 ]<BR>\n<BR>\n");
    EXPECT_NE(log.find(finish), std::string::npos);
}

TEST(KestraSoundBoot, WithoutAnAudioDeviceTheGameStillRunsSilently) {
    testsupport::TempDir dir;
    std::filesystem::create_directories(dir.file("SE"));
    testsupport::WriteFile(dir.file("SE/a.wav"), StereoWave(StereoSignal(100)));
    EXPECT_EQ(boot::InDisplayChild([&] {
                  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
                  boot::Prepare(dir.path());
                  platform::SetVirtualClockHook(TickPerRead, nullptr);
                  Kestra::SetGameFunctions(boot::ConfigureLikeGame, SilentGame, nullptr);
                  EXPECT_EQ(boot::BootNow(), 0);
                  EXPECT_TRUE(g_silentRunOk);
                  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
              }),
              0);
    const std::string log = testsupport::ReadFile(dir.file("system_log.html"));
    EXPECT_NE(log.find(RedLine(u8"  エラー : DirectSoundオブジェクトの生成に失敗")), std::string::npos);
    EXPECT_NE(log.find(Cp932(u8"アプリケーション終了")), std::string::npos);
    EXPECT_NE(log.find(Cp932(u8"KestraSoundクラスの解放")), std::string::npos);
}

}  // namespace
