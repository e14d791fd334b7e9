// Camera slots, projection, view and frustum against hand-computed values
// (Direct3D conventions: row vectors, left-handed), and the light table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/graphics/CBox.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraCamera.h"
#include "engine/graphics/KestraLight.h"
#include "tests/engine/graphics/object_test_env.h"

namespace {

class Cameras : public objtest::DeviceTest {
protected:
    void SetUp() override {
        objtest::DeviceTest::SetUp();
        ASSERT_TRUE(KestraCamera::Initialize());
    }
    void FinishDevice() override {
        KestraCamera::Finalize();
        objtest::DeviceTest::FinishDevice();
    }
    // The game's camera: 60 degrees, near 1, far 1000, 4:3, eye at z = -50.
    int32_t GameCamera() {
        const int32_t camera = KestraCamera::Create();
        KestraCamera::SetProjection(camera, 1.0471976f, 1.0f, 1000.0f, 1.3333334f);
        const CVector3 eye(0, 0, -50), target(0, 0, 0);
        KestraCamera::Reset(camera);
        KestraCamera::LookAt(camera, &eye, &target, nullptr);
        KestraCamera::Update(camera);
        return camera;
    }
};

TEST_F(Cameras, SlotsAreHandedOutInOrderAndRunOutAfterThirtyTwo) {
    for (int32_t i = 0; i < 32; ++i) ASSERT_EQ(KestraCamera::Create(), i);
    EXPECT_EQ(KestraCamera::Create(), -1);
    KestraCamera::Release(7);
    EXPECT_EQ(Count("<B><FONT color=\"RED\">KestraCamera::Release</FONT></B><B><FONT color=\"RED\"> : [ No.7 ]</FONT></B>"), 1)
        << Log();
    EXPECT_EQ(KestraCamera::Create(), 7) << "the first free slot";
}

TEST_F(Cameras, ReleasesCountReferencesAndFreeOrForeignSlotsAreIgnored) {
    const int32_t camera = KestraCamera::Create();
    ASSERT_EQ(camera, 0);
    const KestraCameraRecord* record = KestraCamera::GetRecord(camera);
    ASSERT_NE(record, nullptr);
    KestraCamera::SetProjection(camera, 1.0f, 1.0f, 10.0f, 1.0f);
    const_cast<KestraCameraRecord*>(record)->refCount = 2;  // a second holder
    KestraCamera::Release(camera);
    EXPECT_TRUE(record->inUse);
    EXPECT_EQ(record->refCount, 1u);
    KestraCamera::Release(camera);
    EXPECT_FALSE(record->inUse);
    EXPECT_EQ(record->projection, CMatrix()) << "cleared to identity";
    EXPECT_EQ(Count("KestraCamera::Release"), 2);
    KestraCamera::Release(camera);  // free now
    KestraCamera::Release(5);
    EXPECT_EQ(Count("KestraCamera::Release"), 2);

    // Slots outside the table: no effect, no access.
    for (int32_t bad : {-1, -7, 32, 40, 1 << 30}) {
        KestraCamera::Release(bad);
        KestraCamera::SetProjection(bad, 1.0f, 1.0f, 10.0f, 1.0f);
        KestraCamera::Reset(bad);
        const CVector3 eye(1, 2, 3);
        KestraCamera::LookAt(bad, &eye, &eye, nullptr);
        KestraCamera::Update(bad);
        KestraCamera::Apply(bad);
        EXPECT_EQ(KestraCamera::GetRecord(bad), nullptr);
    }
    EXPECT_EQ(Count("KestraCamera::Release"), 2);
}

TEST_F(Cameras, TheGamesProjectionViewAndFrustumMatchHandComputedValues) {
    const int32_t camera = GameCamera();
    const KestraCameraRecord* r = KestraCamera::GetRecord(camera);
    // cot(30 deg) = 1.7320508; / (4/3) = 1.2990381; far / (far - near) = 1.001001.
    EXPECT_NEAR(r->projection._11, 1.2990381f, 1e-5);
    EXPECT_NEAR(r->projection._22, 1.7320508f, 1e-5);
    EXPECT_NEAR(r->projection._33, 1.001001f, 1e-5);
    EXPECT_FLOAT_EQ(r->projection._34, 1.0f);
    EXPECT_NEAR(r->projection._43, -1.001001f, 1e-5);
    EXPECT_FLOAT_EQ(r->projection._44, 0.0f);
    EXPECT_FLOAT_EQ(r->fieldOfView, 1.0471976f);
    EXPECT_FLOAT_EQ(r->aspect, 1.3333334f);
    EXPECT_FLOAT_EQ(r->nearZ, 1.0f);
    EXPECT_FLOAT_EQ(r->farZ, 1000.0f);
    // Looking down +z from z = -50: the view only moves the world by +50.
    CVector3 position;
    KestraCamera::GetPosition(camera, &position);
    EXPECT_FLOAT_EQ(position.x, 0.0f);
    EXPECT_FLOAT_EQ(position.y, 0.0f);
    EXPECT_FLOAT_EQ(position.z, -50.0f);
    EXPECT_FLOAT_EQ(r->view._11, 1.0f);
    EXPECT_FLOAT_EQ(r->view._22, 1.0f);
    EXPECT_FLOAT_EQ(r->view._33, 1.0f);
    EXPECT_FLOAT_EQ(r->view._43, 50.0f);
    // view x projection: z row = 50 * 1.001001 - 1.001001, w = 50.
    EXPECT_NEAR(r->viewProjection._43, 49.04905f, 1e-3);
    EXPECT_FLOAT_EQ(r->viewProjection._44, 50.0f);
    EXPECT_FLOAT_EQ(r->viewProjection._34, 1.0f);

    KestraCamera::Apply(camera);
    CVector3 current;
    KestraCamera::GetPosition(-1, &current);
    EXPECT_FLOAT_EQ(current.z, -50.0f);
    CMatrix projection, view, viewProjection, inverse;
    KestraCamera::GetCurrentMatrices(&projection, &view, &viewProjection, &inverse);
    EXPECT_EQ(projection, r->projection);
    EXPECT_EQ(view, r->view);
    CMatrix product = viewProjection * inverse;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(product.m[i][j], i == j ? 1.0f : 0.0f, 1e-3) << i << j;
    KestraCamera::GetCurrentMatrices(nullptr, nullptr, nullptr, nullptr);

    // Near corners at z = -49: (+-tan30 * 4/3, +-tan30); far ones at z = 950, 1000 times as wide.
    const CBox* frustum = KestraCamera::GetFrustum();
    const float nx = 0.7698004f, ny = 0.5773503f;
    EXPECT_NEAR(frustum->corners[0].x, -nx, 1e-3);
    EXPECT_NEAR(frustum->corners[0].y, -ny, 1e-3);
    EXPECT_NEAR(frustum->corners[0].z, -49.0f, 1e-3);
    EXPECT_NEAR(frustum->corners[3].x, nx, 1e-3);
    EXPECT_NEAR(frustum->corners[3].y, ny, 1e-3);
    EXPECT_NEAR(frustum->corners[7].x, nx * 1000, 0.5);
    EXPECT_NEAR(frustum->corners[7].y, ny * 1000, 0.5);
    EXPECT_NEAR(frustum->corners[7].z, 950.0f, 0.05);

    // Inside, beyond the far plane, and the frustum inside a huge box.
    CMatrix identity;
    CBox box;
    CVector3 lo(-0.5f, -0.5f, -0.5f), hi(0.5f, 0.5f, 0.5f);
    Kestra::CreateBox(&box, &lo, &hi, &identity);
    EXPECT_TRUE(KestraCamera::IsVisible(&box));
    lo.Set(-1, -1, 1999);
    hi.Set(1, 1, 2001);
    Kestra::CreateBox(&box, &lo, &hi, &identity);
    EXPECT_FALSE(KestraCamera::IsVisible(&box));
    lo.Set(-5000, -5000, -5000);
    hi.Set(5000, 5000, 5000);
    Kestra::CreateBox(&box, &lo, &hi, &identity);
    EXPECT_TRUE(KestraCamera::IsVisible(&box));
    // Behind the eye.
    lo.Set(-1, -1, -60);
    hi.Set(1, 1, -55);
    Kestra::CreateBox(&box, &lo, &hi, &identity);
    EXPECT_FALSE(KestraCamera::IsVisible(&box));
    // A near plane at 0 leaves no inverse: the frustum is the clip box itself, not the last camera's.
    KestraCamera::SetProjection(camera, 1.0f, 1.0f, 0.0f, 100.0f);
    KestraCamera::Update(camera);
    KestraCamera::Apply(camera);
    KestraCamera::GetCurrentMatrices(nullptr, nullptr, nullptr, &inverse);
    EXPECT_EQ(inverse, identity);
    EXPECT_FLOAT_EQ(KestraCamera::GetFrustum()->corners[7].z, 1.0f);
}

TEST_F(Cameras, ResetAndLookAtPlaceTheCameraAndUpdateCopiesThePosition) {
    const int32_t camera = KestraCamera::Create();
    const CVector3 eye(10, 0, 0), target(0, 0, 0);
    KestraCamera::LookAt(camera, &eye, &target, nullptr);
    CVector3 position(9, 9, 9);
    KestraCamera::GetPosition(camera, &position);
    EXPECT_FLOAT_EQ(position.x, 0.0f) << "only Update copies the position";
    KestraCamera::Update(camera);
    KestraCamera::GetPosition(camera, &position);
    EXPECT_FLOAT_EQ(position.x, 10.0f);
    // Looking down -x: world -x becomes view +z, and the eye sits at view z = 0.
    const KestraCameraRecord* r = KestraCamera::GetRecord(camera);
    CVector3 origin(0, 0, 0);
    origin.TransformCoord(r->view);
    EXPECT_NEAR(origin.z, 10.0f, 1e-5);
    EXPECT_NEAR(origin.x, 0.0f, 1e-5);
    KestraCamera::Reset(camera);
    EXPECT_EQ(r->view, CMatrix());
    EXPECT_FLOAT_EQ(r->transform.position.x, 0.0f);
}

TEST_F(Cameras, MakingACameraCurrentSetsTheDeviceTransformsAndAResetAppliesItAgain) {
    StartDevice(d3d9test::Backend::Null);
    const int32_t camera = GameCamera();
    const int32_t other = KestraCamera::Create();
    Kestra3D::SetCamera(camera);
    const KestraCameraRecord* r = KestraCamera::GetRecord(camera);
    D3DMATRIX m{};
    ASSERT_EQ(Device()->GetTransform(D3DTS_VIEW, &m), D3D_OK);
    EXPECT_EQ(std::memcmp(&m, &r->view, sizeof(m)), 0);
    ASSERT_EQ(Device()->GetTransform(D3DTS_PROJECTION, &m), D3D_OK);
    EXPECT_EQ(std::memcmp(&m, &r->projection, sizeof(m)), 0);

    Kestra3D::ResetDevice(true);
    ASSERT_EQ(Device()->GetTransform(D3DTS_PROJECTION, &m), D3D_OK);
    EXPECT_EQ(std::memcmp(&m, &r->projection, sizeof(m)), 0) << "the reset put the camera back";
    ASSERT_EQ(Device()->GetTransform(D3DTS_VIEW, &m), D3D_OK);
    EXPECT_EQ(std::memcmp(&m, &r->view, sizeof(m)), 0);
    CVector3 current;
    KestraCamera::GetPosition(-1, &current);
    EXPECT_FLOAT_EQ(current.z, -50.0f);
    KestraCamera::Release(other);
    KestraCamera::Release(camera);
}

TEST_F(Cameras, FinishingFreesTheTableAndTheIdleModuleHandsOutNoSlots) {
    KestraCamera::Create();
    KestraCamera::Finalize();
    EXPECT_FALSE(KestraCamera::IsStarted());
    EXPECT_EQ(KestraCamera::Create(), -1);
    EXPECT_EQ(KestraCamera::GetRecord(0), nullptr);
    KestraCamera::Release(0);
    KestraCamera::Update(0);
    EXPECT_EQ(Count("KestraCameraクラスの解放"), 1);
    ASSERT_TRUE(KestraCamera::Initialize());
    EXPECT_EQ(KestraCamera::Create(), 0) << "a fresh table";
}

static_assert(Kestra3D::kLightCount == 4);  // written out, not taken from the product

TEST(Lights, InitializeSetsTheDefaultsAndConstantsFollowTheBlockLayout) {
    ASSERT_TRUE(Kestra3D::InitializeLights());
    Kestra3D::LightTable& table = Kestra3D::GetLightTable();
    for (uint32_t i = 0; i < Kestra3D::kLightCount; ++i) {
        EXPECT_EQ(table.enabled[i], 0);
        EXPECT_FLOAT_EQ(table.lights[i].Ambient.r, 1.0f);
        EXPECT_FLOAT_EQ(table.lights[i].Ambient.b, 1.0f);
        EXPECT_FLOAT_EQ(table.lights[i].Ambient.a, 0.0f);
        EXPECT_FLOAT_EQ(table.lights[i].Range, 100.0f);
        EXPECT_FLOAT_EQ(table.lights[i].Attenuation0, 0.1f);
        EXPECT_FLOAT_EQ(table.lights[i].Attenuation2, 0.1f);
        EXPECT_FLOAT_EQ(table.lights[i].Diffuse.r, 0.0f);
    }
    float words[68];
    std::memset(words, 0xAB, sizeof(words));
    Kestra3D::GetLightConstants(reinterpret_cast<Kestra3D::LightConstants*>(words));
    for (float w : words) EXPECT_EQ(w, 0.0f) << "nothing enabled: zeros only";

    // Light 2: a directional light; light 0 a point light.
    D3DLIGHT9& sun = table.lights[2];
    sun.Type = D3DLIGHT_DIRECTIONAL;
    sun.Direction = D3DVECTOR{0.0f, -1.0f, 0.5f};
    sun.Position = D3DVECTOR{1.0f, 2.0f, 3.0f};
    sun.Diffuse = D3DCOLORVALUE{0.25f, 0.5f, 0.75f, 1.0f};
    sun.Attenuation1 = 0.3f;
    table.enabled[2] = 1;
    table.lights[0].Type = D3DLIGHT_POINT;
    table.enabled[0] = 1;
    table.ambient[1] = 0.5f;
    table.secondColor[3] = 0.125f;
    Kestra3D::LightConstants block{};
    Kestra3D::GetLightConstants(&block);
    EXPECT_EQ(block.isUse[0], TRUE);
    EXPECT_EQ(block.isUse[1], FALSE);
    EXPECT_EQ(block.isUse[2], TRUE);
    EXPECT_EQ(block.isDirectional[0], FALSE);
    EXPECT_EQ(block.isDirectional[2], TRUE);
    const float* w = reinterpret_cast<const float*>(&block);
    EXPECT_FLOAT_EQ(w[8 + 2], 0.3f);
    EXPECT_FLOAT_EQ(w[8 + 0], 0.1f);
    EXPECT_FLOAT_EQ(w[12 + 4 * 2 + 2], 3.0f);
    EXPECT_FLOAT_EQ(w[12 + 4 * 2 + 3], 1.0f);
    EXPECT_FLOAT_EQ(w[28 + 4 * 2 + 1], -1.0f);
    EXPECT_FLOAT_EQ(w[28 + 4 * 2 + 3], 1.0f);
    EXPECT_FLOAT_EQ(w[44 + 4 * 2 + 2], 0.75f);
    EXPECT_FLOAT_EQ(w[44 + 4 * 2 + 3], 1.0f);
    EXPECT_FLOAT_EQ(w[12 + 4 * 1 + 3], 0.0f) << "light 1 is off";
    EXPECT_FLOAT_EQ(w[61], 0.5f);
    EXPECT_FLOAT_EQ(w[67], 0.125f);
    Kestra3D::InitializeLights();
    EXPECT_EQ(table.enabled[2], 0);
    EXPECT_FLOAT_EQ(table.ambient[1], 0.0f);
}

}  // namespace
