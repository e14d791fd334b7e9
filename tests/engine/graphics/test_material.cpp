// Materials: colours, textures held by reference, names, own states, and the
// indexed draw of a subset on the null device.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/graphics/CMaterial.h"
#include "tests/engine/graphics/sprite_test_env.h"

namespace {

using LibModel::CMaterial;

class Materials : public spritetest::SpriteTest {
protected:
    CTexture* Texture(const std::string& name) {
        return KestraTexture::CreateFromFile(
            Scratch(name, spritetest::MakeDds(4, 4, spritetest::CodedPicture(4, 4))).c_str(), 14, 0);
    }
};

static_assert(CMaterial::kNameSize == 260);  // written out, not taken from the product

TEST_F(Materials, ColoursNamesAndStates) {
    Start();
    auto* m = new CMaterial;
    EXPECT_EQ(m->GetMaterial().Diffuse.g, 1.0f);
    EXPECT_EQ(m->GetMaterial().Ambient.r, 0.3f);
    D3DMATERIAL9 in{};
    in.Diffuse = {0.5f, 0.2f, 0.7f, 1.0f};
    in.Emissive = {0.1f, 0.02f, 0.03f, 0.0f};
    in.Ambient = {9.0f, 9.0f, 9.0f, 0.75f};
    in.Power = 12.0f;
    m->SetMaterial(&in);
    EXPECT_NEAR(m->GetMaterial().Ambient.r, 0.25f, 1e-6);  // 0.3 of the diffuse plus the emissive, not the given
    EXPECT_EQ(m->GetMaterial().Ambient.a, 0.75f);
    m->SetAlpha(0.5f);
    EXPECT_EQ(m->GetMaterial().Diffuse.a, 0.5f);

    char name[CMaterial::kNameSize] = "x";
    m->SetTextureName(1, "wall.tga");
    m->GetTextureName(1, name);
    EXPECT_STREQ(name, "wall.tga");
    m->GetTextureName(7, name);
    EXPECT_STREQ(name, "");
    m->SetTextureName(4, "ignored");  // refused, nothing written past the four names
    const std::string longName(400, 'a');
    m->SetTextureName(0, longName.c_str());
    m->GetTextureName(0, name);
    EXPECT_EQ(std::strlen(name), CMaterial::kNameSize - 1);

    m->SetTextureStageState(2, 1, 77);
    m->SetTextureStageState(2, 99, 78);  // out of the record: ignored
    m->SetSamplerState(3, 5, 6);
    m->SetBlendingPreset(3);
    m->SetDepthWrite(0);
    EXPECT_EQ(m->GetStates().stageStates[2][1], 77u);
    EXPECT_EQ(m->GetStates().samplerStates[3][5], 6u);
    EXPECT_EQ(m->GetStates().blendingType, 3u);
    m->Release();
}

TEST_F(Materials, TexturesAreHeldByReference) {
    Start();
    auto* m = new CMaterial;
    CTexture* t = Texture("a.dds");
    ASSERT_NE(t, nullptr);
    m->SetTexture(0, t);
    EXPECT_EQ(t->GetRefCount(), 2);
    m->SetTexture(0, t);  // the same texture again: still one reference of the material's
    EXPECT_EQ(t->GetRefCount(), 2);
    m->SetTexture(4, t);
    EXPECT_EQ(t->GetRefCount(), 2);
    m->SetTexture(1, t);
    EXPECT_EQ(t->GetRefCount(), 3);
    m->Release();
    EXPECT_EQ(t->GetRefCount(), 1);
    KestraTexture::Release(t);
}

TEST_F(Materials, ASubsetDrawsItsFacesWithTheMaterialsTextures) {
    Start();
    IDirect3DDevice9* dev = Device();
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    ASSERT_EQ(dev->CreateVertexBuffer(4 * 12, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    ASSERT_EQ(dev->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
    void* p = nullptr;
    vb->Lock(0, 0, &p, 0);
    const float v[12] = {0, 0, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0};
    std::memcpy(p, v, sizeof v);
    vb->Unlock();
    ib->Lock(0, 0, &p, 0);
    const uint16_t idx[6] = {0, 1, 2, 1, 3, 2};
    std::memcpy(p, idx, sizeof idx);
    ib->Unlock();
    dev->SetFVF(D3DFVF_XYZ);
    dev->SetStreamSource(0, vb, 0, 12);
    dev->SetIndices(ib);

    auto* m = new CMaterial;
    CTexture* t = Texture("b.dds");
    m->SetTexture(0, t);
    m->EnableStates(1);
    m->SetBlendingPreset(3);
    d3d9test::SetRecording(true);
    ASSERT_TRUE(Kestra3D::BeginScene());
    const D3DXATTRIBUTERANGE none{0, 0, 0, 0, 4};
    EXPECT_EQ(m->Render(0, nullptr, &none), 0u);
    const D3DXATTRIBUTERANGE second{0, 1, 1, 1, 3};
    EXPECT_EQ(m->Render(0, nullptr, &second), 1u);
    Kestra3D::EndScene();
    const auto draws = d3d9test::DrawCalls();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_TRUE(draws[0].indexed);
    EXPECT_EQ(draws[0].type, D3DPT_TRIANGLELIST);
    EXPECT_EQ(draws[0].primitiveCount, 1u);
    EXPECT_EQ(draws[0].startVertex, 3u);
    EXPECT_NE(draws[0].textures[0], nullptr);
    EXPECT_EQ(draws[0].textures[1], nullptr);
    EXPECT_EQ(draws[0].renderState(D3DRS_DESTBLEND), DWORD(D3DBLEND_ONE));  // additive, from the own states
    d3d9test::SetRecording(false);
    m->Release();
    KestraTexture::Release(t);
    dev->SetStreamSource(0, nullptr, 0, 0);
    dev->SetIndices(nullptr);
    vb->Release();
    ib->Release();
}

}  // namespace
