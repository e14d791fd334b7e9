// The engine as the play benchmarks run it: the null device, the texture and
// sprite managers, and a sprite table whose slots hold blank 1024 x 1024
// sheets with sprites of the given capacities; no key ever down.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <initializer_list>
#include <string>

#include "engine/core/Kestra.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraSprite2D.h"
#include "engine/graphics/KestraTexture.h"
#include "game/shell/Input.h"
#include "game/state/SpriteTable.h"
#include "platform/d3d9/d3d9test.h"
#include "platform/win32/testing.h"
#include "tests/game/objects/play_harness.h"

namespace nullscene {

// A sprite-table slot and its sprite's capacity in quads.
struct SlotSize {
    int slot;
    uint32_t quads;
};

inline bool MakeSlot(const SlotSize& s) {
    SpriteEntry& e = SpriteTable[size_t(s.slot)];
    e.texture = KestraTexture::Create(1024, 1024, 14);
    e.sprite = KestraSprite2D::Create(s.quads * 6, 1, false);
    if (!e.texture || !e.sprite) return false;
    KestraSprite2D::SetTexture(e.sprite, 0, e.texture);
    return true;
}

// `name` names the scratch program folder.
inline bool Start(const char* name, std::initializer_list<SlotSize> slots) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / (std::string(name) + "-" + std::to_string(std::time(nullptr)));
    std::filesystem::create_directories(folder);
    platform::SetProgramFolderOverride(folder.string());
    platform::SetMessageBoxRecording(true);
    d3d9test::SetBackend(d3d9test::Backend::Null);
    Kestra::SetScreenInfo(640, 480, true);
    if (!Kestra3D::Initialize() || !Kestra3D::Start(reinterpret_cast<HWND>(uintptr_t(0x1000)), true)) return false;
    if (!KestraTexture::Initialize() || !KestraSprite2D::Initialize()) return false;
    SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
    FontTable.assign(kFontTableSize, nullptr);
    for (const SlotSize& s : slots)
        if (!MakeSlot(s)) return false;
    return true;
}

inline void Stop() {
    for (SpriteEntry& e : SpriteTable) {
        KestraSprite2D::Release(e.sprite);
        KestraTexture::Release(e.texture);
        e = SpriteEntry{nullptr, nullptr};
    }
    playtest::ClearField();
    KestraSprite2D::Finalize();
    KestraTexture::Finalize();
    Kestra3D::Finalize();
}

// No key is down: the frame never pauses.
inline const cInputSource kNoKeys = {[](uint32_t, KestraJoystickState*) { return false; },
                                     [](uint32_t) { return false; }, [](uint32_t*) { return false; }};

}  // namespace nullscene
