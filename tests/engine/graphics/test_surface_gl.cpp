// Surfaces on the GL backend: copies read back pixel by pixel, and the
// depth-stencil surface still testing depth after a device reset.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "engine/graphics/CSurface.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraSurface.h"
#include "tests/engine/graphics/object_test_env.h"

namespace {

struct Vertex {  // D3DFVF_XYZRHW | D3DFVF_DIFFUSE
    float x, y, z, rhw;
    D3DCOLOR color;
};

class SurfacesGl : public objtest::DeviceTest {
protected:
    // The body runs in a child with its own display, device and surface module.
    void InGl(const std::function<void()>& body) {
        EXPECT_EQ(objtest::InDisplayChild([&] {
                      StartDevice(d3d9test::Backend::GL);
                      ASSERT_TRUE(KestraSurface::Initialize());
                      body();
                      KestraSurface::Finalize();
                      FinishDevice();
                  }),
                  0);
    }
    static IDirect3DSurface9* Raw(CSurface* s) {
        IDirect3DSurface9* raw = nullptr;
        s->GetSurface(&raw);
        if (raw) raw->Release();
        return raw;
    }
    // A screen rectangle as two triangles in the engine's winding, pixel centres exact.
    void DrawRect(float x0, float y0, float x1, float y1, float z, D3DCOLOR color) {
        const Vertex tl{x0 - 0.5f, y0 - 0.5f, z, 1, color}, tr{x1 - 0.5f, y0 - 0.5f, z, 1, color};
        const Vertex bl{x0 - 0.5f, y1 - 0.5f, z, 1, color}, br{x1 - 0.5f, y1 - 0.5f, z, 1, color};
        const Vertex v[6] = {tl, tr, bl, bl, tr, br};
        Device()->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
        ASSERT_EQ(Device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, v, sizeof(Vertex)), D3D_OK);
    }
};

constexpr D3DCOLOR kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

TEST_F(SurfacesGl, StretchCopyScalesARenderedSourceOntoTheWholeDestination) {
    InGl([&] {
        CSurface* source = KestraSurface::CreateRenderTarget(4, 4, 9);
        CSurface* dest = KestraSurface::CreateRenderTarget(8, 8, 9);
        ASSERT_TRUE(source && dest);
        // Four 2x2 quadrants cleared by the GL device.
        ASSERT_TRUE(source->SetRenderTarget());
        const D3DRECT quadrants[4] = {{0, 0, 2, 2}, {2, 0, 4, 2}, {0, 2, 2, 4}, {2, 2, 4, 4}};
        const D3DCOLOR colors[4] = {kRed, kGreen, kBlue, kWhite};
        for (int i = 0; i < 4; ++i) ASSERT_EQ(Device()->Clear(1, &quadrants[i], D3DCLEAR_TARGET, colors[i], 1.0f, 0), D3D_OK);
        const d3d9test::Image src = d3d9test::ReadSurface(Raw(source));
        ASSERT_EQ(src.width, 4u);
        ASSERT_EQ(src.at(0, 0), kRed);
        ASSERT_EQ(src.at(3, 3), kWhite);

        EXPECT_TRUE(dest->StretchCopy(nullptr, source, nullptr));
        const d3d9test::Image out = d3d9test::ReadSurface(Raw(dest));
        ASSERT_EQ(out.width, 8u);
        ASSERT_EQ(out.height, 8u);
        // Corners and quadrant middles keep their colours; the seams are blended.
        EXPECT_EQ(out.at(0, 0), kRed);
        EXPECT_EQ(out.at(7, 0), kGreen);
        EXPECT_EQ(out.at(0, 7), kBlue);
        EXPECT_EQ(out.at(7, 7), kWhite);
        EXPECT_EQ(out.at(1, 1), kRed);
        EXPECT_EQ(out.at(6, 6), kWhite);
        const uint32_t seam = out.at(3, 1);
        EXPECT_NE(seam, kRed);
        EXPECT_NE(seam, kGreen);
        EXPECT_GT((seam >> 16) & 0xFF, 0u);
        EXPECT_GT((seam >> 8) & 0xFF, 0u);

        // A rectangle into a rectangle: the top-left source quadrant onto the bottom right.
        const RECT from{0, 0, 2, 2}, to{4, 4, 8, 8};
        EXPECT_TRUE(dest->StretchCopy(&to, source, &from));
        const d3d9test::Image moved = d3d9test::ReadSurface(Raw(dest));
        EXPECT_EQ(moved.at(7, 7), kRed);
        EXPECT_EQ(moved.at(4, 4), kRed);
        EXPECT_EQ(moved.at(0, 0), kRed);
        EXPECT_EQ(moved.at(0, 7), kBlue) << "outside the rectangle: untouched";
        KestraSurface::Release(source);
        KestraSurface::Release(dest);
    });
}

TEST_F(SurfacesGl, TheDepthStencilStillTestsDepthAfterAReset) {
    InGl([&] {
        CSurface* ds = KestraSurface::CreateDepthStencil(640, 480, 1);
        ASSERT_NE(ds, nullptr);
        ASSERT_TRUE(Kestra3D::SetDepthStencil(ds));
        Kestra3D::SetRenderState(D3DRS_ZENABLE, 1);
        Kestra3D::SetRenderState(D3DRS_ZWRITEENABLE, 1);
        Kestra3D::SetBlendingType(0);
        Kestra3D::SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
        Kestra3D::SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);

        d3d9test::LoseDevice(Device(), 0);
        Kestra3D::ResetDevice(false);
        ASSERT_FALSE(d3d9test::ResetCalls().empty());
        ASSERT_EQ(d3d9test::ResetCalls().back().result, D3D_OK);

        ASSERT_TRUE(Kestra3D::Clear(3, 0xFF5A5A78, 1.0f, 0, nullptr)) << "clearing depth needs the surface bound";
        ASSERT_TRUE(Kestra3D::BeginScene());
        DrawRect(100, 100, 200, 200, 0.25f, kRed);
        DrawRect(100, 100, 200, 200, 0.75f, kGreen);  // behind: hidden
        DrawRect(150, 150, 250, 250, 0.1f, kBlue);    // in front: shown
        Kestra3D::EndScene();
        const d3d9test::Image frame = d3d9test::ReadRenderTarget(Device());
        ASSERT_EQ(frame.width, 640u);
        EXPECT_EQ(frame.at(120, 120), kRed);
        EXPECT_EQ(frame.at(199, 120), kRed);
        EXPECT_EQ(frame.at(170, 170), kBlue);
        EXPECT_EQ(frame.at(240, 240), kBlue);
        EXPECT_EQ(frame.at(90, 90), 0xFF5A5A78u);
        KestraSurface::Release(ds);
    });
}

TEST_F(SurfacesGl, AFileSurfaceKeepsItsPictureAcrossAReset) {
    InGl([&] {
        const std::string png = testsupport::SourceDir() + "/../shared/testdata/pngsuite/png/basn2c08.png";
        CSurface* file = KestraSurface::CreateFromFile(png.c_str(), 12);
        ASSERT_NE(file, nullptr);
        const d3d9test::Image before = d3d9test::ReadSurface(Raw(file));
        ASSERT_EQ(before.width, 32u);
        Kestra3D::ResetDevice(true);
        ASSERT_EQ(d3d9test::ResetCalls().back().result, D3D_OK);
        const d3d9test::Image after = d3d9test::ReadSurface(Raw(file));
        EXPECT_EQ(after.pixels, before.pixels);
        EXPECT_NE(after.at(0, 0), after.at(31, 31));
        KestraSurface::Release(file);
    });
}

}  // namespace
