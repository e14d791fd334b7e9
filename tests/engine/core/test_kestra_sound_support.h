// The sound module started directly in a scratch folder: files under "data",
// the log open, a window handle for the cooperative level, and optionally the
// mixed output captured through SDL's disk driver.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/Kestra.h"
#include "engine/core/KestraFile.h"
#include "engine/core/KestraFrameState.h"
#include "engine/core/KestraSound.h"
#include "platform/win32/testing.h"
#include "tests/platform/dsound/disk_capture.h"
#include "tests/platform/torvi/torvi_test_util.h"
#include "tests/support/test_support.h"

namespace soundtest {

// Interleaved stereo of never-zero samples, so silence and sound never mix up.
inline std::vector<int16_t> StereoSignal(uint32_t frames, uint32_t offset = 0) {
    std::vector<int16_t> samples(static_cast<size_t>(frames) * 2);
    for (uint32_t i = 0; i < frames; ++i) {
        samples[2 * i] = audiotest::TestSample(i + offset, 0);
        samples[2 * i + 1] = audiotest::TestSample(i + offset, 1);
    }
    return samples;
}

// A 16-bit stereo 44.1 kHz WAV of the samples.
inline std::string StereoWave(const std::vector<int16_t>& samples, const std::vector<torvitest::Chunk>& before = {}) {
    return torvitest::Wave(1, 2, 16, 44100, torvitest::Bytes(samples), before);
}

inline std::string Cp932(const char8_t* utf8) {
    return testsupport::Utf8ToCp932(reinterpret_cast<const char*>(utf8));
}

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ClearFaults();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        char previous[4096] = {};
        GetCurrentDirectoryA(sizeof(previous), previous);
        previous_ = previous;
        ASSERT_TRUE(SetCurrentDirectoryA(dir_.path().c_str()));
        ASSERT_TRUE(KestraFile::Initialize());
        KestraFile::Mount(0, "data", nullptr);
        // DirectSound wants a window for its cooperative level; no real one is needed.
        Kestra::detail::Frame().window = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x5150));
        Kestra::SetLogFile("sound_log", "html");
        ASSERT_TRUE(Kestra::OpenLog("sound test"));
    }

    void TearDown() override {
        KestraSound::Finalize();
        KestraSound::SetMaxSounds(0);
        capture_.reset();
        Kestra::CloseLog();
        KestraFile::Finalize();
        Kestra::detail::Frame().window = nullptr;
        platform::ClearFaults();
        SetCurrentDirectoryA(previous_.c_str());
    }

    // Output from here on goes to a file (before Start: the device opens there).
    void Capture() { capture_ = std::make_unique<audiotest::DiskCapture>(dir_.file("mix.raw")); }

    void Start() { ASSERT_TRUE(KestraSound::Initialize()); }

    // A file under the scratch folder ("data/SE/x.wav" and the like).
    std::string Put(const std::string& name, const std::string& bytes) {
        const std::filesystem::path path = std::filesystem::path(dir_.path()) / name;
        std::filesystem::create_directories(path.parent_path());
        testsupport::WriteFile(path.string(), bytes);
        return path.string();
    }

    // The log as written, and as text with LF line ends (the file has CR LF).
    std::string Log() const {
        std::string text = testsupport::ReadFile(dir_.file("sound_log.html"));
        for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
        return text;
    }
    bool LogHas(const std::string& cp932) const { return Log().find(cp932) != std::string::npos; }
    size_t LogCount(const std::string& cp932) const {
        const std::string log = Log();
        size_t count = 0;
        for (size_t at = log.find(cp932); at != std::string::npos; at = log.find(cp932, at + 1)) ++count;
        return count;
    }

    // Ends the module (closing the device) and answers everything it played.
    std::vector<int16_t> FinishAndCapture() {
        capture_->WaitForMore(4 * 4096);
        KestraSound::Finalize();
        return capture_->Samples();
    }

    static IDirectSoundBuffer* Buffer(uint32_t slot, uint32_t index = 0) {
        const KestraSoundSlot* s = KestraSound::GetSlot(slot);
        return s && index < KESTRA_SOUND_MAX_BUFFERS ? s->buffers[index] : nullptr;
    }
    static bool BufferPlaying(uint32_t slot, uint32_t index = 0) {
        IDirectSoundBuffer* buffer = Buffer(slot, index);
        DWORD status = 0;
        if (buffer) buffer->GetStatus(&status);
        return (status & DSBSTATUS_PLAYING) != 0;
    }
    static bool PlayerPlaying(uint32_t slot) {
        const KestraSoundSlot* s = KestraSound::GetSlot(slot);
        return s && s->player && s->player->IsPlaying();
    }

    testsupport::TempDir dir_;
    std::string previous_;
    std::unique_ptr<audiotest::DiskCapture> capture_;
};

}  // namespace soundtest
