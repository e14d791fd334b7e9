// Shared by the point, line, 3-D primitive and 3-D sprite tests: the device with
// the list modules and the camera started, vertex builders, and the game's camera.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "engine/core/CVector3.h"
#include "engine/core/KestraFrameState.h"
#include "engine/graphics/CLine2D.h"
#include "engine/graphics/CPrimitive3D.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraCamera.h"
#include "engine/graphics/KestraLine2D.h"
#include "engine/graphics/KestraPrimitive3D.h"
#include "tests/engine/graphics/sprite_test_env.h"

namespace listtest {

inline Vertex2D V2(float x, float y, uint32_t color = 0xFFFFFFFF, float z = 32767.0f) {
    Vertex2D v{};
    v.x = x;
    v.y = y;
    v.z = z;
    v.rhw = 1.0f;
    v.color = color;
    return v;
}

inline Vertex3D V3(float x, float y, float z, uint32_t color = 0xFFFFFFFF, float u = 0, float v = 0) {
    Vertex3D out{};
    out.x = x;
    out.y = y;
    out.z = z;
    out.color = color;
    out.uv[0][0] = u;
    out.uv[0][1] = v;
    return out;
}

// The stored form of a 2-D list vertex (no texture coordinates).
struct Stored2D {
    float x, y, z, rhw;
    uint32_t color;
};
static_assert(sizeof(Stored2D) == 20);

inline std::vector<Stored2D> Uploaded2D(IDirect3DVertexBuffer9* buffer, uint32_t count) {
    std::vector<Stored2D> out;
    const std::vector<uint8_t> bytes = d3d9test::VertexBufferBytes(buffer);
    for (size_t at = 0; at + sizeof(Stored2D) <= bytes.size() && out.size() < count; at += sizeof(Stored2D)) {
        Stored2D s;
        std::memcpy(&s, bytes.data() + at, sizeof(s));
        out.push_back(s);
    }
    return out;
}

// The camera the game places every frame: eye (0, 0, -50) towards the origin,
// 60 degrees of view, 4:3, depth 1 to 1000. Answers its slot.
inline int32_t PlaceGameCamera() {
    const int32_t camera = KestraCamera::Create();
    KestraCamera::SetProjection(camera, 1.0471976f, 1.0f, 1000.0f, 1.3333334f);
    const CVector3 eye(0.0f, 0.0f, -50.0f), target(0.0f, 0.0f, 0.0f);
    KestraCamera::Reset(camera);
    KestraCamera::LookAt(camera, &eye, &target, nullptr);
    KestraCamera::Update(camera);
    Kestra3D::SetCamera(camera);
    return camera;
}

// Where the game's camera puts a point of the z = 0 plane on the 640 x 480 screen.
inline void ScreenOf(float x, float y, float* sx, float* sy) {
    const float focal = 240.0f / (50.0f * std::tan(1.0471976f / 2.0f));  // pixels per world unit
    *sx = 320.0f + x * focal;
    *sy = 240.0f - y * focal;
}

class ListTest : public spritetest::SpriteTest {
protected:
    void StartLists(d3d9test::Backend backend = d3d9test::Backend::Null) {
        Start(backend);
        ASSERT_TRUE(KestraCamera::Initialize());
        ASSERT_TRUE(KestraPoint2D::Initialize());
        ASSERT_TRUE(KestraPoint3D::Initialize());
        ASSERT_TRUE(KestraLine2D::Initialize());
        ASSERT_TRUE(KestraLine3D::Initialize());
        ASSERT_TRUE(KestraPrimitive3D::Initialize());
        listsStarted_ = true;
    }
    void FinishDevice() override {
        if (listsStarted_) {
            KestraPrimitive3D::Finalize();
            KestraLine3D::Finalize();
            KestraLine2D::Finalize();
            KestraPoint3D::Finalize();
            KestraPoint2D::Finalize();
            KestraCamera::Finalize();
        }
        listsStarted_ = false;
        spritetest::SpriteTest::FinishDevice();
    }
    void StartGl() override { StartLists(d3d9test::Backend::GL); }
    static uint32_t Polygons2D() { return Kestra::detail::Frame().polygons2D; }
    static uint32_t Polygons3D() { return Kestra::detail::Frame().polygons3D; }

    bool listsStarted_ = false;
};

}  // namespace listtest
