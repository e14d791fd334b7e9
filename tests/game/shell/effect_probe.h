// Sound effects as real slots on SDL's dummy audio device, so that a test can
// ask which effects a frame started. Each named handle of the sound table gets
// a slot of its own playing a second of silence.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/KestraFile.h"
#include "engine/core/KestraFrameState.h"
#include "engine/core/KestraSound.h"
#include "tests/platform/torvi/torvi_test_util.h"
#include "tests/support/test_support.h"

namespace shelltest {

class EffectProbe {
public:
    // folder holds the probe's wave files; it is served as the file root.
    EffectProbe(const std::string& folder, std::initializer_list<std::pair<const char*, uint32_t*>> effects) {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        namespace fs = std::filesystem;
        fs::create_directories(fs::path(folder) / "SE");
        const std::string silence = torvitest::Wave(1, 1, 16, 22050, std::string(22050 * 2, '\0'));
        Kestra::detail::Frame().window = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x5150));
        EXPECT_TRUE(KestraFile::Initialize());
        KestraFile::Mount(0, folder.c_str(), nullptr);
        EXPECT_TRUE(KestraSound::Initialize());
        for (const auto& [name, handle] : effects) {
            const std::string file = std::string("SE/") + name + ".wav";
            testsupport::WriteFile((fs::path(folder) / file).string(), silence);
            *handle = KestraSound::CreateFromFile(file.c_str(), 0, false, true, 1);
            EXPECT_NE(*handle, KESTRA_SOUND_NONE) << name;
            effects_.emplace_back(name, handle);
        }
    }
    ~EffectProbe() {
        for (auto& [name, handle] : effects_) *handle = KESTRA_SOUND_NONE;
        KestraSound::Finalize();
        KestraFile::Finalize();
        Kestra::detail::Frame().window = nullptr;
    }
    EffectProbe(const EffectProbe&) = delete;
    EffectProbe& operator=(const EffectProbe&) = delete;

    // The effects playing now, in the order they were named; all are stopped.
    std::vector<std::string> Started() {
        std::vector<std::string> started;
        for (auto& [name, handle] : effects_) {
            const KestraSoundSlot* slot = KestraSound::GetSlot(*handle);
            if (!slot || !slot->buffers[0]) continue;
            DWORD status = 0;
            slot->buffers[0]->GetStatus(&status);
            if (status & DSBSTATUS_PLAYING) started.push_back(name);
            KestraSound::Stop(*handle, 0);
        }
        return started;
    }

private:
    std::vector<std::pair<std::string, uint32_t*>> effects_;
};

}  // namespace shelltest
