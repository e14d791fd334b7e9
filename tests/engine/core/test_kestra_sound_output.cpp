// What the sound module sounds like: the mixed output captured through SDL's
// disk driver, for the buffer path, the player library, volume, loop, stop,
// pause, and sounds inside a pack.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "tests/engine/core/test_kestra_sound_support.h"
#include "tools/kestra-pack/PackWriter.h"

namespace {

using audiotest::FirstSoundFrame;
using audiotest::WaitUntil;
using soundtest::SoundTest;
using soundtest::StereoSignal;
using soundtest::StereoWave;
using torvitest::HeardExactly;

constexpr uint32_t kNone = KESTRA_SOUND_NONE;

// Every sample from `from` on is zero.
::testing::AssertionResult SilentFrom(const std::vector<int16_t>& out, size_t frame) {
    for (size_t i = frame * 2; i < out.size(); ++i)
        if (out[i] != 0) return ::testing::AssertionFailure() << "sound at frame " << i / 2;
    return ::testing::AssertionSuccess();
}

class SoundOutputTest : public SoundTest {
protected:
    void SetUp() override {
        SoundTest::SetUp();
        Capture();
    }
};

TEST_F(SoundOutputTest, WithoutThePlayerAWaveWithAnOddChunkPlaysItsExactSamplesThroughTheBuffers) {
    platform::InjectFault("LoadLibraryA:Torvi.dll");
    Start();
    const std::vector<int16_t> signal = StereoSignal(6000);
    Put("data/SE/list.wav", StereoWave(signal, {{"LIST", "INFOx"}}));
    const uint32_t slot = KestraSound::CreateFromFile("SE/list.wav", 0, true, true, 1);
    ASSERT_NE(slot, kNone);
    ASSERT_EQ(KestraSound::GetSlot(slot)->player, nullptr);
    KestraSound::Play(slot, 0);
    ASSERT_TRUE(WaitUntil([&] { return !BufferPlaying(slot); }));
    const std::vector<int16_t> out = FinishAndCapture();
    const long start = FirstSoundFrame(out);
    EXPECT_TRUE(HeardExactly(out, start, signal, 2));
    EXPECT_TRUE(SilentFrom(out, start + 6000));
}

TEST_F(SoundOutputTest, VolumeFiftyIsMinusTwentyFiveDecibels) {
    Start();
    const std::vector<int16_t> signal = StereoSignal(8000);
    Put("data/SE/a.wav", StereoWave(signal));
    const uint32_t slot = KestraSound::CreateFromFile("SE/a.wav", 0, false, true, 1);
    ASSERT_NE(slot, kNone);
    KestraSound::SetVolume(slot, 50.0f, 0);
    LONG hundredths = 0;
    Buffer(slot)->GetVolume(&hundredths);
    EXPECT_EQ(hundredths, -2500);
    KestraSound::Play(slot, 0);
    ASSERT_TRUE(WaitUntil([&] { return !BufferPlaying(slot); }));
    const std::vector<int16_t> out = FinishAndCapture();

    const double gain = std::pow(10.0, -2500 / 2000.0);  // 0.0562
    const long start = FirstSoundFrame(out);
    ASSERT_GE(start, 0);
    ASSERT_GE(out.size(), (start + 8000) * 2);
    double heard = 0, played = 0;
    for (size_t i = 0; i < signal.size(); ++i) {
        const int16_t sample = out[start * 2 + i];
        ASSERT_NEAR(sample, signal[i] * gain, 1.0) << "sample " << i;
        heard += static_cast<double>(sample) * sample;
        played += static_cast<double>(signal[i]) * signal[i];
    }
    EXPECT_NEAR(std::sqrt(heard / played), gain, gain * 0.01);
    EXPECT_TRUE(SilentFrom(out, start + 8000));
}

TEST_F(SoundOutputTest, LoopRepeatsSeamlesslyUntilStopped) {
    Start();
    const uint32_t frames = 3000;
    const std::vector<int16_t> signal = StereoSignal(frames);
    Put("data/SE/loop.wav", StereoWave(signal));
    const uint32_t slot = KestraSound::CreateFromFile("SE/loop.wav", 0, false, true, 1);
    ASSERT_NE(slot, kNone);
    KestraSound::Loop(slot, 0, 0, 0);
    capture_->WaitForMore(5 * frames * 4);
    KestraSound::Stop(slot, 0);
    EXPECT_FALSE(BufferPlaying(slot));
    DWORD position = 1;
    Buffer(slot)->GetCurrentPosition(&position, nullptr);
    EXPECT_EQ(position, 0u);
    const std::vector<int16_t> out = FinishAndCapture();

    const long start = FirstSoundFrame(out);
    ASSERT_GE(start, 0);
    size_t end = out.size() / 2;
    while (end > static_cast<size_t>(start) && out[end * 2 - 2] == 0 && out[end * 2 - 1] == 0) --end;
    const size_t heard = end - start;
    EXPECT_GE(heard, 3u * frames);
    for (size_t k = 0; k < heard; ++k) {
        const size_t at = (start + k) * 2;
        const size_t from = (k % frames) * 2;
        ASSERT_TRUE(out[at] == signal[from] && out[at + 1] == signal[from + 1]) << "frame " << k;
    }
}

TEST_F(SoundOutputTest, PauseAndPauseAgainResumeAtTheExactFrame) {
    Start();
    const uint32_t frames = 88200;
    const std::vector<int16_t> signal = StereoSignal(frames);
    Put("data/SE/long.wav", StereoWave(signal));
    const uint32_t slot = KestraSound::CreateFromFile("SE/long.wav", 0, false, true, 1);
    ASSERT_NE(slot, kNone);
    KestraSound::Play(slot, 0);
    ASSERT_TRUE(WaitUntil([&] {
        DWORD play = 0;
        Buffer(slot)->GetCurrentPosition(&play, nullptr);
        return play > 0;
    }));
    KestraSound::Pause(slot, 0);
    const uint32_t paused = KestraSound::GetSlot(slot)->pausedPosition / 4;
    ASSERT_GT(paused, 0u);
    ASSERT_LT(paused, frames);
    capture_->WaitForMore(8192 * 4);  // a stretch of silence
    KestraSound::Pause(slot, 0);
    ASSERT_TRUE(WaitUntil([&] { return !BufferPlaying(slot); }));
    const std::vector<int16_t> out = FinishAndCapture();

    const long start = FirstSoundFrame(out);
    const std::vector<int16_t> before(signal.begin(), signal.begin() + paused * 2);
    const std::vector<int16_t> after(signal.begin() + paused * 2, signal.end());
    ASSERT_TRUE(HeardExactly(out, start, before, 2));
    const size_t gapStart = start + paused;
    size_t resumed = gapStart;
    while (resumed * 2 < out.size() && out[resumed * 2] == 0 && out[resumed * 2 + 1] == 0) ++resumed;
    EXPECT_GE(resumed - gapStart, 4096u) << "the pause was not heard";
    EXPECT_TRUE(HeardExactly(out, static_cast<long>(resumed), after, 2));
    EXPECT_TRUE(SilentFrom(out, resumed + after.size() / 2));
}

TEST_F(SoundOutputTest, AnOggPlaysItsWholeLengthThroughThePlayer) {
    Start();
    ASSERT_TRUE(KestraSound::IsPlayerReady());
    const uint32_t frames = 44100;
    const std::string path = Put("data/BGM/tune.ogg", torvitest::EncodeOgg(torvitest::Tone(frames, 2, 44100), 2, 44100));
    int channels = 0;
    long total = 0;
    const std::vector<int16_t> reference = torvitest::DecodeOgg(path, &channels, &total);
    ASSERT_EQ(total, static_cast<long>(frames));

    const uint32_t slot = KestraSound::CreateFromFile("BGM/tune.ogg", 0, true, false, 1);
    ASSERT_NE(slot, kNone);
    ASSERT_NE(KestraSound::GetSlot(slot)->player, nullptr);
    KestraSound::Play(slot, 0);
    ASSERT_TRUE(WaitUntil([&] { return !PlayerPlaying(slot); }));
    const std::vector<int16_t> out = FinishAndCapture();
    const long start = FirstSoundFrame(out) - FirstSoundFrame(reference);
    EXPECT_TRUE(HeardExactly(out, start, reference, channels));
    EXPECT_TRUE(SilentFrom(out, start + total));
}

// Plays a created slot to its end and answers the frame it was first heard at.
class PackedSoundTest : public SoundOutputTest {
protected:
    void MountPack(const std::map<std::string, std::string>& files, bool compress, size_t expectCompressed) {
        kestrapack::PackWriter writer;
        for (const auto& [name, bytes] : files)
            ASSERT_TRUE(writer.Add(name, std::vector<uint8_t>(bytes.begin(), bytes.end())));
        kestrapack::PackStats stats;
        ASSERT_TRUE(writer.Write(dir_.file("data.bin"), compress, nullptr, &stats));
        ASSERT_EQ(stats.compressed, expectCompressed);
        KestraFile::Mount(0, "data", "data.bin");
    }
};

TEST_F(PackedSoundTest, SoundsInsideThePackPlayThroughThePlayerFromTheirEntry) {
    const std::vector<int16_t> effect = StereoSignal(5000);
    const std::string ogg = torvitest::EncodeOgg(torvitest::Tone(22050, 2, 44100), 2, 44100);
    const std::string oggPath = Put("reference.ogg", ogg);
    int channels = 0;
    long total = 0;
    const std::vector<int16_t> reference = torvitest::DecodeOgg(oggPath, &channels, &total);
    // Filler entries around them, so a wrong offset or size would be heard.
    MountPack({{"SE/packed.wav", StereoWave(effect)},
               {"BGM/packed.ogg", ogg},
               {"SE/other.wav", StereoWave(std::vector<int16_t>(4000, 20000))}},
              false, 0);
    ASSERT_FALSE(std::filesystem::exists(dir_.file("data")));  // nothing loose
    Start();
    const uint32_t wave = KestraSound::CreateFromFile("SE/packed.wav", 0, true, true, 1);
    const uint32_t music = KestraSound::CreateFromFile("bgm\\PACKED.ogg", 0, true, false, 1);
    ASSERT_NE(wave, kNone);
    ASSERT_NE(music, kNone);
    ASSERT_NE(KestraSound::GetSlot(wave)->player, nullptr);
    ASSERT_NE(KestraSound::GetSlot(music)->player, nullptr);

    KestraSound::Play(wave, 0);
    ASSERT_TRUE(WaitUntil([&] { return !PlayerPlaying(wave); }));
    capture_->WaitForMore(4096 * 4);
    KestraSound::Play(music, 0);
    ASSERT_TRUE(WaitUntil([&] { return !PlayerPlaying(music); }));
    const std::vector<int16_t> out = FinishAndCapture();

    const long start = FirstSoundFrame(out);
    EXPECT_TRUE(HeardExactly(out, start, effect, 2));
    const std::vector<int16_t> rest(out.begin() + (start + 5000) * 2, out.end());
    const long musicStart = start + 5000 + FirstSoundFrame(rest) - FirstSoundFrame(reference);
    EXPECT_TRUE(HeardExactly(out, musicStart, reference, 2));
    EXPECT_TRUE(SilentFrom(out, musicStart + total));
}

TEST_F(PackedSoundTest, ACompressedEntryIsDecodedForThePlayerAndForTheBuffers) {
    // A short phrase repeated: LZSS makes it much smaller.
    std::vector<int16_t> phrase = StereoSignal(64);
    std::vector<int16_t> signal;
    for (int i = 0; i < 100; ++i) signal.insert(signal.end(), phrase.begin(), phrase.end());
    MountPack({{"SE/squeezed.wav", StereoWave(signal)}}, true, 1);
    Start();
    const uint32_t player = KestraSound::CreateFromFile("SE/squeezed.wav", 0, true, true, 1);
    const uint32_t buffers = KestraSound::CreateFromFile("SE/squeezed.wav", 0, false, true, 1);
    ASSERT_NE(player, kNone);
    ASSERT_NE(buffers, kNone);
    ASSERT_NE(KestraSound::GetSlot(player)->player, nullptr);
    ASSERT_NE(Buffer(buffers), nullptr);

    KestraSound::Play(player, 0);
    ASSERT_TRUE(WaitUntil([&] { return !PlayerPlaying(player); }));
    capture_->WaitForMore(4096 * 4);
    KestraSound::Play(buffers, 0);
    ASSERT_TRUE(WaitUntil([&] { return !BufferPlaying(buffers); }));
    const std::vector<int16_t> out = FinishAndCapture();

    const size_t frames = signal.size() / 2;
    const long first = FirstSoundFrame(out);
    EXPECT_TRUE(HeardExactly(out, first, signal, 2));
    const std::vector<int16_t> rest(out.begin() + (first + frames) * 2, out.end());
    const long second = static_cast<long>(first + frames) + FirstSoundFrame(rest);
    EXPECT_TRUE(HeardExactly(out, second, signal, 2));
    EXPECT_TRUE(SilentFrom(out, second + frames));
}

}  // namespace
