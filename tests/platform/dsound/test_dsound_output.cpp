// What buffers sound like: the mixer's output captured through SDL's disk
// driver and compared sample by sample.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "platform/dsound/dsound.h"
#include "platform/dsound/sound_host.h"
#include "platform/win32/testing.h"
#include "tests/platform/dsound/disk_capture.h"
#include "tests/platform/dsound/dsound_test_util.h"

using namespace audiotest;

namespace {

class MixerOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ClearFaults();
        capture_ = std::make_unique<DiskCapture>(dir_.file("mix.raw"));
        ASSERT_EQ(DirectSoundCreate8(nullptr, &sound_, nullptr), DS_OK);
        ASSERT_EQ(sound_->SetCooperativeLevel(FakeWindow(), DSSCL_PRIORITY), DS_OK);
    }
    void TearDown() override {
        for (IDirectSoundBuffer* buffer : buffers_) buffer->Release();
        if (sound_) sound_->Release();
        capture_.reset();
    }

    IDirectSoundBuffer* Buffer(WAVEFORMATEX format, const void* bytes, DWORD size,
                               DWORD flags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_LOCSOFTWARE) {
        IDirectSoundBuffer* buffer = MakeBuffer(sound_, format, size, flags);
        if (buffer) {
            Fill(buffer, bytes, size);
            buffers_.push_back(buffer);
        }
        return buffer;
    }

    // Waits for the buffer to stop, lets a little silence follow, then closes
    // the device (every object released) and answers the captured samples.
    std::vector<int16_t> FinishAndCapture(IDirectSoundBuffer* waitFor) {
        if (waitFor) {
            EXPECT_TRUE(WaitUntil([&] { return !Playing(waitFor); }));
        }
        capture_->WaitForMore(4 * 4096);
        for (IDirectSoundBuffer* buffer : buffers_) buffer->Release();
        buffers_.clear();
        sound_->Release();
        sound_ = nullptr;
        return capture_->Samples();
    }

    testsupport::TempDir dir_;
    std::unique_ptr<DiskCapture> capture_;
    IDirectSound8* sound_ = nullptr;
    std::vector<IDirectSoundBuffer*> buffers_;
};

std::vector<int16_t> StereoSignal(uint32_t frames) {
    std::vector<int16_t> samples(frames * 2);
    for (uint32_t i = 0; i < frames; ++i) {
        samples[2 * i] = TestSample(i, 0);
        samples[2 * i + 1] = TestSample(i, 1);
    }
    return samples;
}

std::vector<int16_t> MonoSignal(uint32_t frames) {
    std::vector<int16_t> samples(frames);
    for (uint32_t i = 0; i < frames; ++i) samples[i] = TestSample(i);
    return samples;
}

// Output frame j of a sound of `count` frames played at `rate`: between the two
// source frames around j * rate / 44100, the second being the first again in a
// loop and the last held at the end of a one-shot sound.
double Heard(const std::function<double(uint32_t)>& level, uint32_t count, DWORD rate, size_t j, bool loop) {
    const double at = j * double(rate) / 44100;
    const auto k = static_cast<uint64_t>(at);
    const double a = level(k % count), b = k + 1 < count || loop ? level((k + 1) % count) : a;
    return a + (b - a) * (at - k);
}

TEST_F(MixerOutputTest, UnityVolumeAtTheOutputRateIsSampleExact) {
    const uint32_t frames = 5000;
    std::vector<int16_t> signal = StereoSignal(frames);
    IDirectSoundBuffer* buffer = Buffer(Format(2, 16, 44100), signal.data(), frames * 4);
    ASSERT_NE(buffer, nullptr);
    ASSERT_EQ(buffer->SetVolume(0), DS_OK);
    ASSERT_EQ(buffer->SetPan(0), DS_OK);
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    std::vector<int16_t> out = FinishAndCapture(buffer);

    long start = FirstSoundFrame(out);
    ASSERT_GE(start, 0) << "nothing was heard";
    ASSERT_GE(out.size(), (start + frames + 1) * 2);
    for (uint32_t i = 0; i < frames * 2; ++i) ASSERT_EQ(out[start * 2 + i], signal[i]) << "sample " << i;
    // Played once: silence follows.
    for (size_t i = (start + frames) * 2; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << "sample " << i;
}

TEST_F(MixerOutputTest, VolumeIsHundredthsOfADecibel) {
    const uint32_t frames = 4000;
    std::vector<int16_t> signal = MonoSignal(frames);
    IDirectSoundBuffer* buffer = Buffer(Format(1, 16, 44100), signal.data(), frames * 2);
    ASSERT_NE(buffer, nullptr);
    // The primary buffer's volume applies over every buffer's: -10 dB there, -15 dB here.
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER | DSBCAPS_CTRLVOLUME;
    IDirectSoundBuffer* primary = nullptr;
    ASSERT_EQ(sound_->CreateSoundBuffer(&desc, &primary, nullptr), DS_OK);
    buffers_.push_back(primary);
    ASSERT_EQ(primary->SetVolume(-1000), DS_OK);
    ASSERT_EQ(buffer->SetVolume(-1500), DS_OK);
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    std::vector<int16_t> out = FinishAndCapture(buffer);

    long start = FirstSoundFrame(out);
    ASSERT_GE(start, 0);
    const double gain = std::pow(10.0, -2500.0 / 2000.0);
    for (uint32_t i = 0; i < frames; ++i) {
        const double expected = signal[i] * gain;
        // Mono reaches both channels alike.
        ASSERT_NEAR(out[(start + i) * 2], expected, 1.0) << "frame " << i;
        ASSERT_EQ(out[(start + i) * 2 + 1], out[(start + i) * 2]) << "frame " << i;
    }
}

TEST_F(MixerOutputTest, LoopingRepeatsWithoutAGap) {
    // At 96 kHz the mixer steps over the end into the next pass and
    // interpolates from the last frame towards the first.
    const uint32_t frames = 3000;
    const DWORD rate = 96000;
    std::vector<int16_t> signal = StereoSignal(frames);
    IDirectSoundBuffer* buffer = Buffer(Format(2, 16, rate), signal.data(), frames * 4);
    ASSERT_NE(buffer, nullptr);
    ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    // Let it come round several times.
    DWORD previous = 0, play = 0;
    int wraps = 0;
    ASSERT_TRUE(WaitUntil([&] {
        buffer->GetCurrentPosition(&play, nullptr);
        if (play < previous) ++wraps;
        previous = play;
        return wraps >= 4;
    }));
    EXPECT_TRUE(Playing(buffer));
    buffer->Stop();
    std::vector<int16_t> out = FinishAndCapture(nullptr);

    long start = FirstSoundFrame(out);
    ASSERT_GE(start, 0);
    const size_t heard = 3 * frames * 44100 / rate;
    ASSERT_GE(out.size(), (start + heard) * 2);
    for (size_t j = 0; j < heard; ++j)
        for (int channel : {0, 1})
            ASSERT_NEAR(out[(start + j) * 2 + channel],
                        Heard([&](uint32_t i) { return signal[2 * i + channel]; }, frames, rate, j, true), 1.0)
                << "frame " << j << ", channel " << channel;
}

TEST_F(MixerOutputTest, StopKeepsThePositionAndPlayResumes) {
    const uint32_t frames = 88200;
    std::vector<int16_t> signal = StereoSignal(frames);
    IDirectSoundBuffer* buffer = Buffer(Format(2, 16, 44100), signal.data(), frames * 4);
    ASSERT_NE(buffer, nullptr);
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    DWORD play = 0;
    ASSERT_TRUE(WaitUntil([&] {
        buffer->GetCurrentPosition(&play, nullptr);
        return play >= frames / 2;  // an eighth in (bytes)
    }));
    ASSERT_EQ(buffer->Stop(), DS_OK);
    EXPECT_FALSE(Playing(buffer));
    DWORD stoppedAt = 0;
    buffer->GetCurrentPosition(&stoppedAt, nullptr);
    ASSERT_GT(stoppedAt, 0u);
    ASSERT_LT(stoppedAt, frames * 4);

    // Silence while stopped; the position does not move.
    capture_->WaitForMore(4 * 4096);
    DWORD stillAt = 0;
    buffer->GetCurrentPosition(&stillAt, nullptr);
    EXPECT_EQ(stillAt, stoppedAt);

    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    std::vector<int16_t> out = FinishAndCapture(buffer);

    // Every frame played exactly once, in order, with a silent gap between.
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
    EXPECT_GT(last - first + 1, frames) << "no pause between the two parts";
}

TEST_F(MixerOutputTest, RewoundOrPlayedOutABufferStartsAgainOnItsFirstFrame) {
    // At 30001 Hz the mixer is between two frames wherever it stops; the levels
    // never reach zero, so the three plays stand apart in the silence.
    const uint32_t frames = 6000;
    std::vector<int16_t> signal(frames);
    for (uint32_t i = 0; i < frames; ++i) signal[i] = int16_t(1000 + i * 7919 % 20000);
    IDirectSoundBuffer* buffer = Buffer(Format(1, 16, 30001), signal.data(), frames * 2);
    ASSERT_NE(buffer, nullptr);
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    DWORD play = 0;
    ASSERT_TRUE(WaitUntil([&] { return buffer->GetCurrentPosition(&play, nullptr) == DS_OK && play >= frames; }));  // halfway
    ASSERT_EQ(buffer->Stop(), DS_OK);
    capture_->WaitForMore(4 * 4096);
    ASSERT_EQ(buffer->SetCurrentPosition(0), DS_OK);
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    ASSERT_TRUE(WaitUntil([&] { return !Playing(buffer); }));
    capture_->WaitForMore(4 * 4096);
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    std::vector<int16_t> out = FinishAndCapture(buffer);

    std::vector<std::vector<int16_t>> plays;
    for (size_t f = 0; f + 1 < out.size(); f += 2) {
        if (out[f] == 0) continue;
        if (f == 0 || out[f - 2] == 0) plays.emplace_back();
        plays.back().push_back(out[f]);
    }
    ASSERT_EQ(plays.size(), 3u);
    ASSERT_LT(plays[0].size(), plays[1].size());
    EXPECT_TRUE(std::equal(plays[0].begin(), plays[0].end(), plays[1].begin())) << "rewound";
    EXPECT_EQ(plays[1], plays[2]) << "played out";
}

TEST_F(MixerOutputTest, AStreamIsResampledAcrossRefillsAndAFlushStartsItOnItsFirstFrame) {
    // 96 kHz stereo: the mixer steps over source frames, refills its staging
    // in the middle of a step and is between two frames wherever it halts.
    // The levels never reach zero, so the three plays stand apart.
    const uint32_t rate = 96000, frames = 60001;
    auto level = [](uint32_t i, int channel) { return 1000 + (i * (channel ? 104729u : 7919u)) % 20000; };
    struct Source : IKestraSoundSource {
        std::vector<int16_t> samples;
        size_t at = 0;  // in samples; the stream's lock guards it
        uint32_t ReadFrames(int16_t* out, uint32_t wanted) override {
            const size_t n = std::min<size_t>(wanted * 2, samples.size() - at);
            std::copy_n(samples.begin() + at, n, out);
            at += n;
            return static_cast<uint32_t>(n / 2);
        }
    } source;
    for (uint32_t i = 0; i < frames; ++i)
        for (int channel : {0, 1}) source.samples.push_back(int16_t(level(i, channel)));
    IKestraSoundHost* host = nullptr;
    ASSERT_EQ(sound_->QueryInterface(IID_IKestraSoundHost, reinterpret_cast<void**>(&host)), S_OK);
    IKestraSoundStream* stream = nullptr;
    ASSERT_EQ(host->CreateStream(&source, rate, 2, &stream), S_OK);
    host->Release();
    // As the player stops or replays a sound: halted, rewound, flushed.
    auto restart = [&](bool play) {
        stream->Lock();
        stream->SetActive(false);
        source.at = 0;
        stream->Flush();
        stream->SetActive(play);
        stream->Unlock();
    };
    stream->SetActive(true);
    ASSERT_TRUE(WaitUntil([&] {
        stream->Lock();
        const bool quarter = source.at >= frames / 2;  // `at` counts samples
        stream->Unlock();
        return quarter;
    }));
    restart(false);
    capture_->WaitForMore(4 * 4096);
    for (int play = 0; play < 2; ++play) {
        restart(true);
        ASSERT_TRUE(WaitUntil([&] { return !stream->IsActive(); }));
        capture_->WaitForMore(4 * 4096);
    }
    stream->Release();
    std::vector<int16_t> out = FinishAndCapture(nullptr);

    std::vector<std::vector<int16_t>> plays;
    for (size_t f = 0; f + 1 < out.size(); f += 2) {
        if (out[f] == 0) continue;
        if (f == 0 || out[f - 2] == 0) plays.emplace_back();
        plays.back().insert(plays.back().end(), {out[f], out[f + 1]});
    }
    ASSERT_EQ(plays.size(), 3u);
    const size_t length = static_cast<size_t>(std::ceil(frames * 44100.0 / rate));
    EXPECT_LT(plays[0].size(), 2 * length);
    for (size_t p = 1; p < 3; ++p) EXPECT_EQ(plays[p].size(), 2 * length) << "play " << p;
    for (size_t p = 0; p < 3; ++p)
        for (size_t j = 0; 2 * j < plays[p].size(); ++j)
            for (int channel : {0, 1})
                ASSERT_NEAR(plays[p][2 * j + channel],
                            Heard([&](uint32_t i) { return level(i, channel); }, frames, rate, j, false), 1.0)
                    << "play " << p << ", frame " << j << ", channel " << channel;
}

TEST_F(MixerOutputTest, ADuplicatePlaysTheSameDataIndependently) {
    // Mono data; the original panned hard left, the duplicate hard right, so
    // each channel carries one of them.
    const uint32_t frames = 44100;
    std::vector<int16_t> signal = MonoSignal(frames);
    IDirectSoundBuffer* original = Buffer(Format(1, 16, 44100), signal.data(), frames * 2);
    ASSERT_NE(original, nullptr);
    IDirectSoundBuffer* copy = nullptr;
    ASSERT_EQ(sound_->DuplicateSoundBuffer(original, &copy), DS_OK);
    buffers_.push_back(copy);
    ASSERT_EQ(original->SetPan(DSBPAN_LEFT), DS_OK);
    ASSERT_EQ(copy->SetPan(DSBPAN_RIGHT), DS_OK);

    ASSERT_EQ(original->Play(0, 0, 0), DS_OK);
    EXPECT_FALSE(Playing(copy));
    DWORD play = 0;
    ASSERT_TRUE(WaitUntil([&] {
        original->GetCurrentPosition(&play, nullptr);
        return play >= frames / 2 || !Playing(original);
    }));
    ASSERT_EQ(copy->Play(0, 0, 0), DS_OK);
    ASSERT_TRUE(WaitUntil([&] { return !Playing(original); }));
    std::vector<int16_t> out = FinishAndCapture(copy);

    long left = FirstSoundFrame(out, 0);
    long right = FirstSoundFrame(out, 1);
    ASSERT_GE(left, 0);
    ASSERT_GT(right, left) << "the duplicate started later";
    for (uint32_t i = 0; i < frames; ++i) {
        ASSERT_EQ(out[(left + i) * 2], signal[i]) << "original, frame " << i;
        ASSERT_EQ(out[(right + i) * 2 + 1], signal[i]) << "duplicate, frame " << i;
    }
}

TEST_F(MixerOutputTest, EightBitStereoAtHalfRateIsConvertedAndResampled) {
    // 8-bit unsigned at 22050 Hz: a constant level, then a ramp; the right
    // channel mirrors the left.
    const uint32_t frames = 2000;
    std::vector<uint8_t> left(frames), data(2 * frames);
    for (uint32_t i = 0; i < frames; ++i) {
        left[i] = i < 1000 ? 200 : static_cast<uint8_t>(100 + (i - 1000) / 10);
        data[2 * i] = left[i];
        data[2 * i + 1] = static_cast<uint8_t>(255 - left[i]);
    }
    IDirectSoundBuffer* buffer = Buffer(Format(2, 8, 22050), data.data(), 2 * frames);
    ASSERT_NE(buffer, nullptr);
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    std::vector<int16_t> out = FinishAndCapture(buffer);

    long start = FirstSoundFrame(out);
    ASSERT_GE(start, 0);
    // Twice as many output frames; the constant part is exact.
    for (uint32_t i = 0; i < 2 * 1000 - 1; ++i) {
        ASSERT_EQ(out[(start + i) * 2], (200 - 128) * 256) << "frame " << i;
        ASSERT_EQ(out[(start + i) * 2 + 1], (55 - 128) * 256) << "frame " << i;
    }
    // In the ramp every other output frame falls between two source frames.
    for (uint32_t i = 1100; i < 1900; ++i) {
        const double a = (left[i] - 128) * 256.0;
        const double b = (left[i + 1] - 128) * 256.0;
        ASSERT_NEAR(out[(start + 2 * i) * 2], a, 1.0) << "source frame " << i;
        ASSERT_NEAR(out[(start + 2 * i + 1) * 2], (a + b) / 2, 1.0) << "between " << i << " and " << i + 1;
        ASSERT_NEAR(out[(start + 2 * i + 1) * 2 + 1], -256 - (a + b) / 2, 1.0) << "right " << i;
    }
    // A buffer that does not loop holds its last frame rather than lead back to its first.
    const long end = start + 2 * frames;
    EXPECT_EQ(out[(end - 1) * 2], (left[frames - 1] - 128) * 256);
    for (long f = end + 2; f < static_cast<long>(out.size() / 2); ++f) ASSERT_EQ(out[f * 2], 0) << "frame " << f;
}

TEST_F(MixerOutputTest, TwoBuffersAddUpAndClip) {
    const uint32_t frames = 2000;
    std::vector<int16_t> loud(frames, 30000);
    std::vector<int16_t> quiet(frames, 5000);
    IDirectSoundBuffer* a = Buffer(Format(1, 16, 44100), loud.data(), frames * 2);
    IDirectSoundBuffer* b = Buffer(Format(1, 16, 44100), quiet.data(), frames * 2);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    // The loud one loops, so the quiet one surely plays over it.
    ASSERT_EQ(a->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    ASSERT_EQ(b->Play(0, 0, 0), DS_OK);
    ASSERT_TRUE(WaitUntil([&] { return !Playing(b); }));
    a->Stop();
    std::vector<int16_t> out = FinishAndCapture(nullptr);
    size_t clipped = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        ASSERT_TRUE(out[i] == 0 || out[i] == 30000 || out[i] == 32767) << out[i];
        if (out[i] == 32767) ++clipped;
    }
    EXPECT_EQ(clipped, 2u * frames) << "the second buffer over the loud one clips, frame for frame";
}

}  // namespace
