// Captures the mixer's real output through SDL's disk audio driver: while a
// DiskCapture lives, a newly opened audio device writes raw 44.1 kHz 16-bit
// stereo to a scratch file, a few times faster than real time.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>  // usleep: <chrono> does not build with the CP932 literal charset

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace audiotest {

class DiskCapture {
public:
    explicit DiskCapture(const std::string& file) : file_(file) {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
        // Milliseconds per 1024-frame period instead of the real 23.
        setenv("SDL_DISKAUDIODELAY", "4", 1);
    }
    ~DiskCapture() {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        unsetenv("SDL_DISKAUDIOFILE");
        unsetenv("SDL_DISKAUDIODELAY");
    }
    DiskCapture(const DiskCapture&) = delete;
    DiskCapture& operator=(const DiskCapture&) = delete;

    uint64_t Bytes() const {
        std::error_code ec;
        auto size = std::filesystem::file_size(file_, ec);
        return ec ? 0 : size;
    }
    // Waits until the device has written `bytes` more than now (the device
    // keeps writing silence, so this returns while the device is open).
    void WaitForMore(uint64_t bytes) const {
        const uint64_t target = Bytes() + bytes;
        for (int i = 0; i < 20000 && Bytes() < target; ++i) usleep(1000);
        ASSERT_GE(Bytes(), target) << "the audio device stopped writing";
    }
    // Interleaved stereo samples written so far (complete after the device closed).
    std::vector<int16_t> Samples() const {
        std::string raw = testsupport::ReadFile(file_);
        std::vector<int16_t> samples(raw.size() / 2);
        std::memcpy(samples.data(), raw.data(), samples.size() * 2);
        return samples;
    }

private:
    std::string file_;
};

// Polls `done` until it holds (a generous bound so a loaded machine passes;
// nothing here measures time).
inline bool WaitUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 30000; ++i) {
        if (done()) return true;
        usleep(1000);
    }
    return done();
}

// Index of the first frame whose left or right sample is not zero, or -1.
inline long FirstSoundFrame(const std::vector<int16_t>& stereo, size_t channel = 2) {
    for (size_t i = 0; i + 1 < stereo.size(); i += 2) {
        if ((channel != 1 && stereo[i] != 0) || (channel != 0 && stereo[i + 1] != 0)) return static_cast<long>(i / 2);
    }
    return -1;
}

// Signal values that are never zero, so silence and sound cannot be confused.
inline int16_t TestSample(uint32_t i, uint32_t channel = 0) {
    int value = static_cast<int>((i * 7919u + channel * 104729u) % 20000u) + 200;
    return static_cast<int16_t>((i + channel) % 2 ? value : -value);
}

}  // namespace audiotest
