// What the player sounds like: its instances mixed with the program's
// DirectSound output, captured through SDL's disk driver.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/platform/torvi/torvi_test_util.h"

using namespace torvitest;
using audiotest::FirstSoundFrame;
using audiotest::TestSample;
using audiotest::WaitUntil;

namespace {

std::vector<int16_t> StereoSignal(uint32_t frames) {
    std::vector<int16_t> samples(frames * 2);
    for (uint32_t i = 0; i < frames; ++i) {
        samples[2 * i] = TestSample(i, 0);
        samples[2 * i + 1] = TestSample(i, 1);
    }
    return samples;
}

class PlayerOutputTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        StartSound(true);
    }
};

TEST_F(PlayerOutputTest, OggVorbisPlaysItsWholeLength) {
    const uint32_t frames = 44100;
    const std::string path = WriteFile("tune.ogg", EncodeOgg(Tone(frames, 2, 44100), 2, 44100));
    int channels = 0;
    long total = 0;
    std::vector<int16_t> reference = DecodeOgg(path, &channels, &total);
    ASSERT_EQ(channels, 2);
    ASSERT_EQ(total, static_cast<long>(frames));
    ASSERT_EQ(reference.size(), static_cast<size_t>(total) * 2);

    TorviInstance* tune = Open(path);
    ASSERT_NE(tune, nullptr) << Torvi().LastError();
    EXPECT_FALSE(tune->IsPlaying());
    tune->Play(0, 0);
    EXPECT_TRUE(tune->IsPlaying());
    std::vector<int16_t> out = FinishAndCapture(tune);

    const long start = FirstSoundFrame(out) - FirstSoundFrame(reference);
    EXPECT_TRUE(HeardExactly(out, start, reference, 2));
    // Then silence: played once.
    for (size_t i = (start + total) * 2; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << "sample " << i;
}

TEST_F(PlayerOutputTest, WaveWithAnOddSizedListChunkPlaysItsExactSamples) {
    const std::vector<int16_t> signal = StereoSignal(6000);
    // A LIST chunk of odd length (with its pad byte) before the samples.
    const std::string wave = Wave(1, 2, 16, 44100, Bytes(signal), {{"LIST", "INFOx"}});
    TorviInstance* sound = Open(WriteFile("list.wav", wave));
    ASSERT_NE(sound, nullptr) << Torvi().LastError();
    sound->Play(0, 0);
    std::vector<int16_t> out = FinishAndCapture(sound);
    const long start = FirstSoundFrame(out);
    EXPECT_TRUE(HeardExactly(out, start, signal, 2));
    for (size_t i = (start + 6000) * 2; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << "sample " << i;
}

TEST_F(PlayerOutputTest, OnlyTheFileWindowPlays) {
    // A pack-like file: other bytes, the sound, more bytes. The neighbours are
    // loud sound-like data that would be heard if read.
    const std::vector<int16_t> signal = StereoSignal(4000);
    const std::string wave = Wave(1, 2, 16, 44100, Bytes(signal));
    const std::string before = Bytes(std::vector<int16_t>(3001, 20000)).substr(0, 6001);
    const std::string after = Bytes(std::vector<int16_t>(500, -20000));
    const std::string path = WriteFile("pack.bin", before + wave + after);

    TorviInstance* sound = Open(path, static_cast<DWORD>(before.size()), static_cast<DWORD>(wave.size()));
    ASSERT_NE(sound, nullptr) << Torvi().LastError();
    sound->Play(0, 0);
    std::vector<int16_t> out = FinishAndCapture(sound);
    const long start = FirstSoundFrame(out);
    EXPECT_TRUE(HeardExactly(out, start, signal, 2));
    for (size_t i = (start + 4000) * 2; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << "sample " << i;
}

TEST_F(PlayerOutputTest, OggInsideABiggerFilePlaysInPlace) {
    const std::string ogg = EncodeOgg(Tone(20000, 2, 44100), 2, 44100);
    const std::string alone = WriteFile("alone.ogg", ogg);
    int channels = 0;
    long total = 0;
    std::vector<int16_t> reference = DecodeOgg(alone, &channels, &total);
    ASSERT_EQ(total, 20000);

    // Another Ogg stream right behind it must not be read as a continuation.
    const std::string junk(777, 'x');
    const std::string path = WriteFile("pack.bin", junk + ogg + ogg);
    TorviInstance* tune = Open(path, static_cast<DWORD>(junk.size()), static_cast<DWORD>(ogg.size()));
    ASSERT_NE(tune, nullptr) << Torvi().LastError();
    tune->Play(0, 0);
    std::vector<int16_t> out = FinishAndCapture(tune);
    const long start = FirstSoundFrame(out) - FirstSoundFrame(reference);
    EXPECT_TRUE(HeardExactly(out, start, reference, 2));
    for (size_t i = (start + total) * 2; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << "sample " << i;
}

TEST_F(PlayerOutputTest, VolumeFollowsTheProgramsScale) {
    const std::vector<int16_t> signal = StereoSignal(4000);
    TorviInstance* sound = Open(WriteFile("v.wav", Wave(1, 2, 16, 44100, Bytes(signal))));
    ASSERT_NE(sound, nullptr);
    // 50 is -(100 - 50)^2 = -2500 hundredths of a decibel.
    sound->SetVolume(50.0f);
    EXPECT_EQ(sound->GetVolume(), 50.0f);
    sound->Play(0, 0);
    std::vector<int16_t> out = FinishAndCapture(sound);
    const long start = FirstSoundFrame(out);
    ASSERT_GE(start, 0);
    const double gain = std::pow(10.0, -2500.0 / 2000.0);
    for (size_t i = 0; i < signal.size(); ++i)
        ASSERT_NEAR(out[start * 2 + i], signal[i] * gain, 1.0) << "sample " << i;
}

TEST_F(PlayerOutputTest, SilentAndFullVolumes) {
    const std::vector<int16_t> signal = StereoSignal(3000);
    const std::string path = WriteFile("s.wav", Wave(1, 2, 16, 44100, Bytes(signal)));
    TorviInstance* silent = Open(path);
    TorviInstance* nan = Open(path);
    TorviInstance* loud = Open(path);
    ASSERT_TRUE(silent && nan && loud);
    silent->SetVolume(0.0f);
    nan->SetVolume(std::nanf(""));
    loud->SetVolume(150.0f);
    EXPECT_EQ(loud->GetVolume(), 150.0f) << "kept as given";
    silent->Play(0, 0);
    nan->Play(0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !silent->IsPlaying() && !nan->IsPlaying(); }));
    loud->Play(0, 0);
    std::vector<int16_t> out = FinishAndCapture(loud);
    // Only the full-volume one is heard, exactly.
    const long start = FirstSoundFrame(out);
    EXPECT_TRUE(HeardExactly(out, start, signal, 2));
    for (long f = 0; f < start; ++f) ASSERT_EQ(out[f * 2], 0);
}

TEST_F(PlayerOutputTest, LoopRepeatsTheGivenNumberOfTimes) {
    const uint32_t frames = 3000;
    const std::vector<int16_t> signal = StereoSignal(frames);
    TorviInstance* sound = Open(WriteFile("loop.wav", Wave(1, 2, 16, 44100, Bytes(signal))));
    ASSERT_NE(sound, nullptr);
    // Two repeats, the second pass and third starting at frame 1000.
    sound->Loop(2, 1000);
    std::vector<int16_t> out = FinishAndCapture(sound);
    std::vector<int16_t> expected = signal;
    for (int pass = 0; pass < 2; ++pass) expected.insert(expected.end(), signal.begin() + 2000, signal.end());
    const long start = FirstSoundFrame(out);
    EXPECT_TRUE(HeardExactly(out, start, expected, 2));
    for (size_t i = (start + expected.size() / 2) * 2; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << "sample " << i;
}

TEST_F(PlayerOutputTest, ALoopStartAtOrPastTheEndRepeatsFromTheStart) {
    const uint32_t frames = 1000;
    const std::vector<int16_t> signal = StereoSignal(frames);
    TorviInstance* sound = Open(WriteFile("loopend.wav", Wave(1, 2, 16, 44100, Bytes(signal))));
    ASSERT_NE(sound, nullptr);
    sound->Loop(1, frames);
    std::vector<int16_t> out = FinishAndCapture(sound);
    std::vector<int16_t> expected = signal;
    expected.insert(expected.end(), signal.begin(), signal.end());
    EXPECT_TRUE(HeardExactly(out, FirstSoundFrame(out), expected, 2));
}

TEST_F(PlayerOutputTest, EndlessLoopRunsUntilStopped) {
    const uint32_t frames = 2000;
    const std::vector<int16_t> signal = StereoSignal(frames);
    TorviInstance* sound = Open(WriteFile("endless.wav", Wave(1, 2, 16, 44100, Bytes(signal))));
    ASSERT_NE(sound, nullptr);
    sound->Loop(0xFFFFFFFF, 0);
    // Several passes' worth of output.
    capture_->WaitForMore(6 * frames * 4);
    EXPECT_TRUE(sound->IsPlaying());
    sound->Stop();
    EXPECT_FALSE(sound->IsPlaying());
    std::vector<int16_t> out = FinishAndCapture(nullptr);
    const long start = FirstSoundFrame(out);
    std::vector<int16_t> threePasses;
    for (int pass = 0; pass < 3; ++pass) threePasses.insert(threePasses.end(), signal.begin(), signal.end());
    EXPECT_TRUE(HeardExactly(out, start, threePasses, 2));
}

TEST_F(PlayerOutputTest, PauseTogglesAndResumesWhereItStopped) {
    const uint32_t frames = 88200;
    const std::vector<int16_t> signal = StereoSignal(frames);
    TorviInstance* sound = Open(WriteFile("long.wav", Wave(1, 2, 16, 44100, Bytes(signal))));
    ASSERT_NE(sound, nullptr);
    sound->Pause();  // a stopped sound is not started by Pause, nor by a second one
    EXPECT_FALSE(sound->IsPlaying());
    sound->Pause();
    EXPECT_FALSE(sound->IsPlaying());
    sound->Play(0, 0);
    capture_->WaitForMore(16384 * 4);
    sound->Pause();
    EXPECT_FALSE(sound->IsPlaying());
    capture_->WaitForMore(4 * 4096);
    EXPECT_FALSE(sound->IsPlaying());
    sound->Pause();
    EXPECT_TRUE(sound->IsPlaying());
    std::vector<int16_t> out = FinishAndCapture(sound);

    // Every frame heard once and in order, with silence between the parts.
    std::vector<int16_t> heard;
    size_t first = out.size(), last = 0;
    for (size_t f = 0; f + 1 < out.size(); f += 2) {
        if (out[f] == 0 && out[f + 1] == 0) continue;
        heard.push_back(out[f]);
        heard.push_back(out[f + 1]);
        first = std::min(first, f / 2);
        last = f / 2;
    }
    ASSERT_EQ(heard.size(), signal.size());
    EXPECT_EQ(heard, signal);
    EXPECT_GT(last - first + 1, frames) << "the pause left no gap";
}

TEST_F(PlayerOutputTest, OtherRatesAndEightBitMonoAreConverted) {
    // A constant level: every output frame holds it, for as long as the sound
    // lasts at 44.1 kHz. In 16 bits a ramp: every output frame lies on it at the
    // place its time gives, and past its last frame holds that frame.
    struct Case {
        uint32_t rate;
        uint16_t bits;
        uint32_t frames;
    };
    for (const Case& c : {Case{22050, 8, 5000}, Case{48000, 16, 9600}, Case{11025, 16, 5000}}) {
        SCOPED_TRACE(c.rate);
        std::string samples;
        const int16_t level = (60 - 128) * 256;
        if (c.bits == 8) {
            samples.assign(c.frames, static_cast<char>(60));
        } else {
            std::vector<int16_t> values(c.frames);
            for (uint32_t k = 0; k < c.frames; ++k) values[k] = static_cast<int16_t>(1000 + 3 * k);
            samples = Bytes(values);
        }
        const std::string path = WriteFile("rate" + std::to_string(c.rate) + ".wav",
                                           Wave(1, 1, c.bits, c.rate, samples));
        // A fresh device and capture for each case.
        testsupport::TempDir scratch;
        Torvi().Uninitialize();
        if (sound_) sound_->Release();
        sound_ = nullptr;
        capture_.reset();
        capture_ = std::make_unique<audiotest::DiskCapture>(scratch.file("mix.raw"));
        IDirectSound8* sound8 = nullptr;
        ASSERT_EQ(DirectSoundCreate8(nullptr, &sound8, nullptr), DS_OK);
        sound8->QueryInterface(IID_IDirectSound, reinterpret_cast<void**>(&sound_));
        sound8->Release();
        ASSERT_TRUE(Torvi().Initialize(0, &sound_, 0, 0));

        TorviInstance* sound = Open(path);
        ASSERT_NE(sound, nullptr) << Torvi().LastError();
        sound->Play(0, 0);
        std::vector<int16_t> out = FinishAndCapture(sound);
        size_t heard = 0;
        for (size_t i = 0; i < out.size(); ++i) {
            if (out[i] == 0) continue;
            const double at = std::min(static_cast<double>(heard / 2) * c.rate / 44100.0, c.frames - 1.0);
            if (c.bits == 16) ASSERT_NEAR(out[i], 1000 + 3 * at, 1.0) << "sample " << i;
            else ASSERT_EQ(out[i], level) << "sample " << i;
            ++heard;
        }
        const double expected = 2.0 * c.frames * 44100.0 / c.rate;
        EXPECT_NEAR(static_cast<double>(heard), expected, 6.0);
    }
}

TEST_F(PlayerOutputTest, StoppedSoundsPlayAgainFromTheStart) {
    const std::vector<int16_t> signal = StereoSignal(44100);
    TorviInstance* sound = Open(WriteFile("again.wav", Wave(1, 2, 16, 44100, Bytes(signal))));
    ASSERT_NE(sound, nullptr);
    sound->Play(0, 0);
    capture_->WaitForMore(8192 * 4);
    sound->Stop();
    EXPECT_FALSE(sound->IsPlaying());
    capture_->WaitForMore(4 * 4096);
    sound->Play(0, 0);
    // Played to its end, it plays again in full.
    ASSERT_TRUE(audiotest::WaitUntil([&] { return !sound->IsPlaying(); }));
    const long ended = static_cast<long>(capture_->Bytes() / 4);
    sound->Play(0, 0);
    std::vector<int16_t> out = FinishAndCapture(sound);
    // The last heard stretch is the whole sound.
    long end = static_cast<long>(out.size() / 2);
    while (end > 0 && out[(end - 1) * 2] == 0 && out[(end - 1) * 2 + 1] == 0) --end;
    EXPECT_GT(end, ended + 22050);
    EXPECT_TRUE(HeardExactly(out, end - 44100, signal, 2));
}

TEST_F(PlayerOutputTest, AReplayAtAnotherRateStartsOnItsFirstFrame) {
    std::vector<int16_t> ramp(12000);
    for (size_t k = 0; k < ramp.size(); ++k) ramp[k] = static_cast<int16_t>(1000 + 30 * (k % 500));
    TorviInstance* sound = Open(WriteFile("ramp.wav", Wave(1, 1, 16, 30000, Bytes(ramp))));
    ASSERT_NE(sound, nullptr);
    sound->Play(0, 0);
    capture_->WaitForMore(3000 * 4);
    sound->Stop();
    capture_->WaitForMore(4 * 4096);
    sound->Play(0, 0);
    std::vector<int16_t> out = FinishAndCapture(sound);
    // The replay is the last stretch heard; it starts on the ramp's first frame, not between two.
    long start = static_cast<long>(out.size() / 2);
    while (start > 0 && out[(start - 1) * 2] == 0) --start;
    while (start > 0 && out[(start - 1) * 2] != 0) --start;
    ASSERT_GE(out.size(), static_cast<size_t>(start + 2) * 2);
    EXPECT_EQ(out[start * 2], 1000);
    EXPECT_EQ(out[start * 2 + 2], 1020);  // a third of the way to the next frame, 1030
}

}  // namespace
