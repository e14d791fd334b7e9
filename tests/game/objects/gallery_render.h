// The play-field layers of the bullet and effect galleries drawn for real: what
// a draw step queues on the particle and effect sheets, rendered over black in
// the game scene's order (slot 7 alpha-blended, then slots 8 and 10 additively).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraSprite2D.h"
#include "game/state/SpriteTable.h"
#include "platform/d3d9/d3d9test.h"
#include "platform/d3dx9/image_encode.h"
#include "tests/game/objects/play_harness.h"

namespace gallerygl {

// Slots 7, 8 and 10 of SpriteTable must hold sprites.
inline d3d9test::Image RenderPlayLayers(const std::function<void()>& draw, std::vector<playtest::Quad>* quads) {
    playtest::QuadRecorder rec;
    for (int slot : {7, 8, 10}) KestraSprite2D::Begin(SpriteTable[size_t(slot)].sprite);
    draw();
    for (int slot : {7, 8, 10}) KestraSprite2D::End(SpriteTable[size_t(slot)].sprite);
    EXPECT_TRUE(Kestra3D::Clear(1, 0xFF000000u, 1.0f, 0, nullptr));
    EXPECT_TRUE(Kestra3D::BeginScene());
    Kestra3D::SetBlendingType(1);
    KestraSprite2D::Render(SpriteTable[7].sprite);
    Kestra3D::SetBlendingType(2);
    KestraSprite2D::Render(SpriteTable[8].sprite);
    KestraSprite2D::Render(SpriteTable[10].sprite);
    Kestra3D::EndScene();
    *quads = rec.quads;
    return d3d9test::ReadRenderTarget(Kestra3D::GetDevice());
}

// Writes the picture to <build>/screenshots/<name>.png for people to look at;
// answers the file's path (empty when it could not be encoded).
inline std::filesystem::path WriteScreenshot(const d3d9test::Image& image, const std::string& name) {
    const std::filesystem::path folder = std::filesystem::path(QUENRITH_BINARY_DIR) / "screenshots";
    std::filesystem::create_directories(folder);
    d3dx9img::Image png;
    png.width = image.width;
    png.height = image.height;
    png.pixels = image.pixels;
    std::vector<uint8_t> bytes;
    if (!d3dx9img::EncodePng(png, false, &bytes)) return {};
    const std::filesystem::path file = folder / (name + ".png");
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return file;
}

}  // namespace gallerygl
