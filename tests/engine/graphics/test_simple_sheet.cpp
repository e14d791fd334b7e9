// The simple primitives' fan and grid-mesh table, and sheets cut from images
// larger than one texture: the draw call, the bounds, the table's references,
// effects and device loss, the tile table, failures, and real pixels across tile
// seams and from records drawn through their effects.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "engine/core/KestraFrameState.h"
#include "engine/graphics/CSheet.h"
#include "engine/graphics/KestraShaderFx.h"
#include "engine/graphics/KestraSheet.h"
#include "engine/graphics/KestraSimple.h"
#include "platform/d3dx9/d3dx9math.h"
#include "tests/engine/graphics/sprite_test_env.h"
#include "tests/platform/d3dx9/forged_images.h"

namespace {

constexpr D3DCOLOR kClear = 0xFF5A5A78;

SimpleVertex Corner(float x, float y, float u, float v, uint32_t color = 0xFFFFFFFF) {
    SimpleVertex out{};
    out.x = x;
    out.y = y;
    out.rhw = 1.0f;
    out.color = color;
    out.uv[0][0] = u;
    out.uv[0][1] = v;
    return out;
}

// A picture whose every pixel of 300 x 300 differs: red x, green y (low bytes),
// blue their high bits.
uint32_t SheetTexel(uint32_t x, uint32_t y) {
    return 0xFF000000u | ((x & 0xFF) << 16) | ((y & 0xFF) << 8) | (0x40 + ((x >> 8) << 4) + (y >> 8));
}
std::vector<uint32_t> SheetPicture(uint32_t w, uint32_t h) {
    std::vector<uint32_t> p(size_t(w) * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) p[size_t(y) * w + x] = SheetTexel(x, y);
    return p;
}

class SimpleAndSheets : public spritetest::SpriteTest {
protected:
    void StartAll(d3d9test::Backend backend = d3d9test::Backend::Null) {
        Start(backend);
        ASSERT_TRUE(KestraSimple::InitializeTable());
        tableStarted_ = true;
        ASSERT_TRUE(KestraSimple::Initialize());
        ASSERT_TRUE(KestraSheet::Initialize());
    }
    void FinishDevice() override {
        KestraSheet::Finalize();
        KestraSimple::Finalize();
        if (tableStarted_) KestraSimple::FinalizeTable();
        tableStarted_ = false;
        KestraShaderFx::Finalize();  // after the table, as the engine finishes
        spritetest::SpriteTest::FinishDevice();
    }
    void StartGl() override { StartAll(d3d9test::Backend::GL); }
    // An image file in an engine-memory block, as CreateFromMemory takes it.
    static void* Block(const std::string& bytes) {
        void* block = Kestra::MemoryAlloc(uint32_t(bytes.size()));
        std::memcpy(block, bytes.data(), bytes.size());
        return block;
    }
    CSheet* SheetOf(uint32_t w, uint32_t h) {
        const std::string tga = spritetest::MakeTga(w, h, SheetPicture(w, h));
        return KestraSheet::CreateFromMemory(Block(tga), uint32_t(tga.size()), 12, 0);
    }
    // A sheet of an RLE BMP whose data is only its end mark: every pixel black.
    static CSheet* BlankSheetOf(uint32_t w, uint32_t h) {
        const std::vector<uint8_t> bmp = forgedimage::EmptyRleBmp(w, h);
        return KestraSheet::CreateFromMemory(Block(std::string(bmp.begin(), bmp.end())), uint32_t(bmp.size()), 12, 0);
    }
    static uint32_t Polygons2D() { return Kestra::detail::Frame().polygons2D; }

    bool tableStarted_ = false;
};

// ---- The fan

TEST_F(SimpleAndSheets, AFanOfFourIsTwoTrianglesDrawnAtOnceWithoutDepthOrCulling) {
    StartAll();
    CTexture* t = KestraTexture::CreateFromFile(
        Scratch("coded.tga", spritetest::MakeTga(64, 64, spritetest::CodedPicture(64, 64))).c_str(), 14, 0);
    ASSERT_NE(t, nullptr);
    Kestra3D::SetRenderState(D3DRS_ZENABLE, TRUE);
    Kestra3D::SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    d3d9test::SetRecording(true);
    SimpleVertex fan[4] = {Corner(100, 50, 0, 0), Corner(132, 50, 32, 0), Corner(132, 66, 32, 16),
                           Corner(100, 66, 0, 16)};
    CTexture* textures[1] = {t};
    const uint32_t before = Polygons2D();
    ASSERT_TRUE(Kestra3D::BeginScene());
    KestraSimple::DrawFan(fan, 4, textures, 1);
    Kestra3D::EndScene();
    const auto draws = d3d9test::DrawCalls();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].type, D3DPT_TRIANGLEFAN);
    EXPECT_EQ(draws[0].primitiveCount, 2u);
    EXPECT_EQ(draws[0].fvf, DWORD(0x444));
    EXPECT_EQ(draws[0].stride, 52u);
    EXPECT_EQ(draws[0].renderState(D3DRS_ZENABLE), DWORD(FALSE));
    EXPECT_EQ(draws[0].renderState(D3DRS_CULLMODE), DWORD(D3DCULL_NONE));
    EXPECT_EQ(Polygons2D() - before, 2u);
    // The caller's vertices were converted in place: texture coordinates and the
    // half-pixel shift; the buffer holds the same bytes.
    EXPECT_FLOAT_EQ(fan[2].uv[0][0], 0.5f);
    EXPECT_FLOAT_EQ(fan[2].uv[0][1], 0.25f);
    EXPECT_FLOAT_EQ(fan[0].x, 99.5f);
    const std::vector<uint8_t> bytes = d3d9test::VertexBufferBytes(KestraSimple::GetFanBuffer());
    ASSERT_GE(bytes.size(), 13312u);
    EXPECT_EQ(std::memcmp(bytes.data(), fan, sizeof(fan)), 0);

    // Too few or too many vertices draw nothing; a stage count above 4 is cut to 4.
    std::vector<SimpleVertex> many(300, Corner(1, 1, 0, 0));
    d3d9test::ClearRecords();
    ASSERT_TRUE(Kestra3D::BeginScene());
    KestraSimple::DrawFan(many.data(), 2, textures, 1);
    KestraSimple::DrawFan(many.data(), 257, textures, 1);
    KestraSimple::DrawFan(nullptr, 4, textures, 1);
    EXPECT_TRUE(d3d9test::DrawCalls().empty());
    CTexture* stages[4] = {t, nullptr, t, nullptr};
    KestraSimple::DrawFan(many.data(), 256, stages, 9);
    KestraSimple::DrawFan(many.data(), 3, textures, 1);
    Kestra3D::EndScene();
    ASSERT_EQ(d3d9test::DrawCalls().size(), 2u);
    EXPECT_EQ(d3d9test::DrawCalls()[0].primitiveCount, 254u);
    d3d9test::SetRecording(false);
    KestraTexture::Release(t);
}

TEST_F(SimpleAndSheets, WithoutTheSharedBufferTheFanDrawsNothing) {
    Start();
    platform::InjectFault("CreateVertexBuffer");
    EXPECT_FALSE(KestraSimple::Initialize());
    platform::ClearFaults();
    EXPECT_EQ(Count(spritetest::Sjis(u8"<B><FONT color=\"RED\">頂点バッファの生成に失敗 [ ")), 1);
    EXPECT_EQ(KestraSimple::GetFanBuffer(), nullptr);
    d3d9test::SetRecording(true);
    SimpleVertex fan[3] = {Corner(0, 0, 0, 0), Corner(10, 0, 0, 0), Corner(0, 10, 0, 0)};
    ASSERT_TRUE(Kestra3D::BeginScene());
    KestraSimple::DrawFan(fan, 3, nullptr, 0);
    Kestra3D::EndScene();
    EXPECT_TRUE(d3d9test::DrawCalls().empty());
    EXPECT_FLOAT_EQ(fan[0].x, 0.0f) << "nothing converted";
    d3d9test::SetRecording(false);
    KestraSimple::Finalize();
}

// ---- The grid-mesh table

// Fills a free record by hand with one 2 x 2 grid: the table keeps such records,
// nothing in the engine makes them.
void FillRecord(SimpleGridRecord* r, bool pointLayout) {
    r->inUse = 1;
    r->refCount = 1;
    r->side = 2;
    r->pointLayout = pointLayout ? 1 : 0;
    r->cells = static_cast<SimpleGridCell*>(Kestra::MemoryAlloc(4 * sizeof(SimpleGridCell)));
    std::memset(static_cast<void*>(r->cells), 0, 4 * sizeof(SimpleGridCell));
    for (int c = 0; c < 4; ++c) {
        SimpleGridCell& cell = r->cells[c];
        cell.vertexCount = 3;
        cell.indexCount = 3;
        const uint32_t stride = pointLayout ? sizeof(SimpleGridPoint) : sizeof(SimpleGridVertex);
        cell.vertexData = Kestra::MemoryAlloc(3 * stride);
        float* f = static_cast<float*>(cell.vertexData);
        for (uint32_t i = 0; i < 3 * stride / 4; ++i) f[i] = float(c * 100 + i);
        cell.indexData = static_cast<uint16_t*>(Kestra::MemoryAlloc(6));
        cell.indexData[0] = 0;
        cell.indexData[1] = 1;
        cell.indexData[2] = 2;
        cell.extra = Kestra::MemoryAlloc(8);
    }
    r->extra = Kestra::MemoryAlloc(16);
    r->materialCount = 1;
    r->materials = static_cast<SimpleGridMaterial*>(Kestra::MemoryAlloc(sizeof(SimpleGridMaterial)));
    std::memset(static_cast<void*>(r->materials), 0, sizeof(SimpleGridMaterial));
    r->quadTree = static_cast<SimpleQuadNode*>(Kestra::MemoryAlloc(sizeof(SimpleQuadNode)));
    std::memset(static_cast<void*>(r->quadTree), 0, sizeof(SimpleQuadNode));
    r->quadTree->children[2] = static_cast<SimpleQuadNode*>(Kestra::MemoryAlloc(sizeof(SimpleQuadNode)));
    std::memset(static_cast<void*>(r->quadTree->children[2]), 0, sizeof(SimpleQuadNode));
}

TEST_F(SimpleAndSheets, RecordsAreRefusedOutOfRangeReleasedByReferenceAndRebuiltAfterAReset) {
    StartAll();
    EXPECT_EQ(KestraSimple::GetRecordCount(), 64u);
    EXPECT_FALSE(KestraSimple::ReleaseRecord(-1));
    EXPECT_FALSE(KestraSimple::ReleaseRecord(64));
    EXPECT_FALSE(KestraSimple::ReleaseRecord(3)) << "a free record";
    EXPECT_EQ(KestraSimple::GetRecord(64), nullptr);

    SimpleGridRecord* r = KestraSimple::GetRecord(3);
    ASSERT_NE(r, nullptr);
    FillRecord(r, false);
    r->materials[0].textures[1] = KestraTexture::Create(16, 16, 12);
    ASSERT_NE(r->materials[0].textures[1], nullptr);
    SimpleGridRecord* p = KestraSimple::GetRecord(5);
    FillRecord(p, true);
    KestraSimple::RestoreRecord(3);
    KestraSimple::RestoreRecord(5);
    ASSERT_NE(r->cells[3].vertexBuffer, nullptr);
    ASSERT_NE(r->cells[3].indexBuffer, nullptr);
    // The whole vertex copied, or the point layout widened with an upward normal.
    std::vector<uint8_t> bytes = d3d9test::VertexBufferBytes(r->cells[3].vertexBuffer);
    ASSERT_GE(bytes.size(), 96u);
    EXPECT_EQ(std::memcmp(bytes.data(), r->cells[3].vertexData, 96), 0);
    bytes = d3d9test::VertexBufferBytes(p->cells[1].vertexBuffer);
    SimpleGridVertex widened;
    std::memcpy(&widened, bytes.data() + sizeof(SimpleGridVertex), sizeof(widened));
    EXPECT_FLOAT_EQ(widened.x, 105.0f);
    EXPECT_FLOAT_EQ(widened.ny, 1.0f);
    EXPECT_FLOAT_EQ(widened.v, 109.0f);

    // Loss releases the cells' buffers (so the reset is allowed); the reset rebuilds them.
    d3d9test::LoseDevice(Device(), 0);
    Kestra3D::ResetDevice(false);
    ASSERT_EQ(d3d9test::GetDeviceState(Device()), d3d9test::DeviceState::Ok);
    ASSERT_NE(r->cells[0].vertexBuffer, nullptr);
    ASSERT_NE(KestraSimple::GetFanBuffer(), nullptr);
    bytes = d3d9test::VertexBufferBytes(r->cells[0].vertexBuffer);
    EXPECT_EQ(std::memcmp(bytes.data(), r->cells[0].vertexData, 96), 0);

    // A failed step of one cell leaves that cell empty and logs; the others are rebuilt.
    platform::InjectFault("CreateIndexBuffer", 0, 1);
    KestraSimple::RestoreRecord(3);
    platform::ClearFaults();
    EXPECT_EQ(r->cells[0].vertexBuffer, nullptr);
    EXPECT_NE(r->cells[1].indexBuffer, nullptr);
    EXPECT_EQ(Count(spritetest::Sjis(u8"インデックスバッファの生成に失敗 (0,0) [ ")), 1);

    // Held twice: the first release only drops a reference.
    r->refCount = 2;
    EXPECT_TRUE(KestraSimple::ReleaseRecord(3));
    EXPECT_EQ(r->refCount, 1);
    EXPECT_EQ(r->inUse, 1);
    EXPECT_TRUE(KestraSimple::ReleaseRecord(3));
    EXPECT_EQ(r->inUse, 0);
    EXPECT_EQ(r->cells, nullptr);
    EXPECT_EQ(KestraTexture::GetManager()->GetCount(), 0u) << "the material's texture was released";
    // Record 5 is left for the table's finish to free (LeakSanitizer watches).
}

// ---- Records drawing through their effects

// Makes cell c of a record one quad of w x h at (x, y) in the z = 0 plane, in the
// point layout (the rebuild gives it the upward normal (0, 1, 0)).
void SetCellQuad(SimpleGridCell& cell, float x, float y, float w, float h) {
    Kestra::MemoryFree(cell.vertexData);
    Kestra::MemoryFree(cell.indexData);
    auto* p = static_cast<SimpleGridPoint*>(Kestra::MemoryAlloc(4 * sizeof(SimpleGridPoint)));
    p[0] = {x, y, 0, 0, 0};
    p[1] = {x + w, y, 0, 1, 0};
    p[2] = {x + w, y + h, 0, 1, 1};
    p[3] = {x, y + h, 0, 0, 1};
    cell.vertexData = p;
    cell.vertexCount = 4;
    cell.indexData = static_cast<uint16_t*>(Kestra::MemoryAlloc(12));
    const uint16_t quad[6] = {0, 1, 2, 0, 2, 3};
    std::memcpy(cell.indexData, quad, sizeof quad);
    cell.indexCount = 6;
}

// Draws every built cell of a record through the record's effect, as a grid mesh
// is drawn; answers the cells drawn (none without an effect).
int DrawRecordCells(const SimpleGridRecord& r) {
    IDirect3DDevice9* device = Kestra3D::GetDevice();
    uint32_t passes = 0;
    if (!KestraShaderFx::Begin(r.effect, &passes)) return 0;
    int drawn = 0;
    for (uint32_t pass = 0; pass < passes; ++pass) {
        KestraShaderFx::BeginPass(r.effect, pass);
        for (uint32_t c = 0; c < r.side * r.side; ++c) {
            const SimpleGridCell& cell = r.cells[c];
            if (!cell.declaration || !cell.vertexBuffer || !cell.indexBuffer) continue;
            device->SetVertexDeclaration(cell.declaration);
            device->SetStreamSource(0, cell.vertexBuffer, 0, sizeof(SimpleGridVertex));
            device->SetIndices(cell.indexBuffer);
            if (device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, cell.vertexCount, 0, cell.indexCount / 3) ==
                D3D_OK)
                ++drawn;
        }
        KestraShaderFx::EndPass(r.effect);
    }
    KestraShaderFx::End(r.effect);
    device->SetStreamSource(0, nullptr, 0, 0);
    device->SetIndices(nullptr);
    device->SetVertexDeclaration(nullptr);
    return drawn;
}

// World units are pixels: x right, y down, z = 0 in the middle of the depth range.
D3DXMATRIX PixelTransform() {
    D3DXMATRIX m;
    std::memset(&m, 0, sizeof m);
    m._11 = 1.0f / 320.0f;
    m._22 = -1.0f / 240.0f;
    m._33 = 1.0f;
    m._41 = -1.0f;
    m._42 = 1.0f;
    m._44 = 1.0f;
    return m;
}

// A 2 x 2 grid of 40 x 20 quads from (100, 60), with the static material-only
// effect of flag word 0.
void FillQuadRecord(SimpleGridRecord* r) {
    FillRecord(r, true);
    for (uint32_t row = 0; row < 2; ++row)
        for (uint32_t column = 0; column < 2; ++column)
            SetCellQuad(r->cells[row * 2 + column], 100.0f + 40.0f * column, 60.0f + 20.0f * row, 40.0f, 20.0f);
    uint32_t usage = 0;
    r->effect = KestraShaderFx::Create(0, 0, 0, &usage);
    EXPECT_EQ(usage, 0x8E1u);
}

TEST_F(SimpleAndSheets, UnderGlARecordDrawsThroughItsEffectWhereTheTransformPutsIt) {
    InGl([&] {
        SimpleGridRecord* r = KestraSimple::GetRecord(7);
        ASSERT_NE(r, nullptr);
        FillQuadRecord(r);
        ASSERT_NE(r->effect, nullptr) << Log();
        KestraSimple::RestoreRecord(7);
        IDirect3DDevice9* device = Kestra3D::GetDevice();
        const D3DXMATRIX transform = PixelTransform();
        KestraShaderFx::SetMatrix(r->effect, "mTransform", &transform);
        // Pushed 10 along the upward normal: 10 pixels down the screen.
        KestraShaderFx::SetFloat(r->effect, "VertexExtrusion", 10.0f);
        const float fog[2] = {0, 1};
        KestraShaderFx::SetFloatArray(r->effect, "FogParameter", fog, 2);
        const D3DXVECTOR4 diffuse(0.2f, 0.6f, 1.0f, 1.0f);
        KestraShaderFx::SetVector(r->effect, "MaterialDiffuse", &diffuse);
        auto frame = [&] {
            device->SetRenderState(D3DRS_ZENABLE, FALSE);
            device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
            device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
            device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
            device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
            device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
            device->SetTexture(0, nullptr);
            EXPECT_TRUE(Kestra3D::Clear(1, kClear, 1.0f, 0, nullptr));
            EXPECT_TRUE(Kestra3D::BeginScene());
            EXPECT_EQ(DrawRecordCells(*r), 4);
            Kestra3D::EndScene();
            return d3d9test::ReadRenderTarget(device);
        };
        const d3d9test::Image before = frame();
        // The grid covers (100, 70) - (180, 110) after the push; edges are left to
        // the fill rule, one pixel either side is decided.
        for (uint32_t y = 71; y < 110; ++y)
            for (uint32_t x = 101; x < 180; ++x) ASSERT_EQ(before.at(x, y), 0xFF3399FFu) << x << "," << y;
        for (uint32_t x = 95; x < 185; ++x) {
            EXPECT_EQ(before.at(x, 62), kClear) << x << ": the unpushed top stays clear";
            EXPECT_EQ(before.at(x, 69), kClear) << x;
            EXPECT_EQ(before.at(x, 111), kClear) << x;
        }
        for (uint32_t y = 65; y < 115; ++y) {
            EXPECT_EQ(before.at(99, y), kClear) << y;
            EXPECT_EQ(before.at(181, y), kClear) << y;
        }

        // Loss drops the cells' buffers, the reset rebuilds them; the effect keeps
        // its parameters and the same pixels come out.
        d3d9test::LoseDevice(device, 0);
        Kestra3D::ResetDevice(false);
        ASSERT_EQ(d3d9test::GetDeviceState(device), d3d9test::DeviceState::Ok);
        ASSERT_NE(r->cells[3].indexBuffer, nullptr);
        const d3d9test::Image after = frame();
        EXPECT_TRUE(after.pixels == before.pixels);

        // The last reference frees the record with its effect.
        EXPECT_EQ(KestraShaderFx::List().GetCount(), 1u);
        EXPECT_TRUE(KestraSimple::ReleaseRecord(7));
        EXPECT_EQ(KestraShaderFx::List().GetCount(), 0u);
        EXPECT_EQ(Count("KestraShaderFx::Release"), 1);
        EXPECT_EQ(r->effect, nullptr);
    });
}

TEST_F(SimpleAndSheets, ARecordWhoseEffectFailedDrawsNothingAndIsFreedQuietly) {
    StartAll();
    platform::InjectFault("D3DXCreateEffect");
    SimpleGridRecord* r = KestraSimple::GetRecord(0);
    FillQuadRecord(r);
    platform::ClearFaults();
    EXPECT_EQ(r->effect, nullptr);
    EXPECT_EQ(Count(spritetest::Sjis(u8"<B><FONT color=\"RED\">エフェクトの読み込みに失敗しました。")), 1) << Log();
    EXPECT_EQ(KestraShaderFx::List().GetCount(), 0u);
    KestraSimple::RestoreRecord(0);
    ASSERT_NE(r->cells[0].vertexBuffer, nullptr) << "the cells are built all the same";
    d3d9test::SetRecording(true);
    ASSERT_TRUE(Kestra3D::BeginScene());
    EXPECT_EQ(DrawRecordCells(*r), 0);
    Kestra3D::EndScene();
    EXPECT_TRUE(d3d9test::DrawCalls().empty());
    d3d9test::SetRecording(false);
    // Loss and reset go through a record without an effect.
    d3d9test::LoseDevice(Device(), 0);
    Kestra3D::ResetDevice(false);
    ASSERT_EQ(d3d9test::GetDeviceState(Device()), d3d9test::DeviceState::Ok);
    // Indices outside the table are refused, the record itself is freed.
    EXPECT_FALSE(KestraSimple::ReleaseRecord(-2));
    EXPECT_FALSE(KestraSimple::ReleaseRecord(64));
    EXPECT_FALSE(KestraSimple::ReleaseRecord(INT32_MIN));
    KestraSimple::RestoreRecord(64);
    KestraSimple::RestoreRecord(-1);
    EXPECT_TRUE(KestraSimple::ReleaseRecord(0));
    EXPECT_EQ(r->inUse, 0);
    EXPECT_EQ(Count("KestraShaderFx::Release"), 0);
}

TEST_F(SimpleAndSheets, TheTableLetsGoOfItsEffectsBeforeTheEffectModuleFinishes) {
    StartAll();
    FillQuadRecord(KestraSimple::GetRecord(2));
    FillQuadRecord(KestraSimple::GetRecord(9));
    CShaderFx* shared = KestraSimple::GetRecord(9)->effect;
    ASSERT_NE(shared, nullptr);
    shared->AddRef();  // a model holds the same effect
    KestraSimple::GetRecord(9)->refCount = 3;
    ASSERT_EQ(KestraShaderFx::List().GetCount(), 2u);
    // The engine's finish order: the table, then the models, then the effects.
    KestraSimple::Finalize();
    KestraSimple::FinalizeTable();
    tableStarted_ = false;
    EXPECT_EQ(KestraShaderFx::List().GetCount(), 1u) << "the model's holder keeps its effect";
    EXPECT_EQ(shared->GetRefCount(), 1);
    EXPECT_EQ(Count("KestraShaderFx::Release"), 1);
    KestraShaderFx::Release(shared);
    EXPECT_EQ(Count("KestraShaderFx::Release"), 2);
    EXPECT_EQ(KestraShaderFx::List().GetCount(), 0u);
    KestraShaderFx::Finalize();
}

TEST_F(SimpleAndSheets, AnEffectTheEffectModuleAlreadyDeletedIsNotTouchedByTheTable) {
    StartAll();
    FillQuadRecord(KestraSimple::GetRecord(4));
    ASSERT_NE(KestraSimple::GetRecord(4)->effect, nullptr);
    // Effects finished first: the record's pointer is stale (AddressSanitizer
    // would report a use of it).
    KestraShaderFx::Finalize();
    EXPECT_FALSE(KestraShaderFx::IsListed(KestraSimple::GetRecord(4)->effect));
    EXPECT_TRUE(KestraSimple::ReleaseRecord(4));
    EXPECT_EQ(KestraSimple::GetRecord(4)->inUse, 0);
    EXPECT_EQ(Count("KestraShaderFx::Release"), 0);
}

// ---- Sheets

TEST_F(SimpleAndSheets, ImagesAreCutIntoTilesOfAtMost256) {
    StartAll();
    struct Case {
        uint32_t w, h;
        int32_t columns, rows, lastW, lastH;
        bool blank;
    };
    // The largest picture, 64 bytes of RLE BMP, is decoded once for all its 256 tiles.
    for (const Case& c : {Case{640, 480, 3, 2, 128, 224, false}, Case{256, 256, 1, 1, 256, 256, false},
                          Case{257, 1, 2, 1, 1, 1, false}, Case{4096, 4096, 16, 16, 256, 256, true}}) {
        CSheet* s = c.blank ? BlankSheetOf(c.w, c.h) : SheetOf(c.w, c.h);
        ASSERT_NE(s, nullptr) << c.w << "x" << c.h;
        EXPECT_EQ(s->GetWidth(), int32_t(c.w));
        EXPECT_EQ(s->GetHeight(), int32_t(c.h));
        EXPECT_EQ(s->GetColumns(), c.columns);
        EXPECT_EQ(s->GetRows(), c.rows);
        const CSheet::Tile* last = s->GetTile(c.columns - 1, c.rows - 1);
        ASSERT_NE(last, nullptr);
        EXPECT_EQ(s->GetTile(c.columns, c.rows - 1), nullptr);
        EXPECT_EQ(s->GetTile(c.columns - 1, c.rows), nullptr);
        EXPECT_EQ(last->x, (c.columns - 1) * 256);
        EXPECT_EQ(last->y, (c.rows - 1) * 256);
        EXPECT_EQ(last->w, c.lastW);
        EXPECT_EQ(last->h, c.lastH);
        EXPECT_EQ(s->GetTile(0, 0)->w, c.w >= 256 ? 256 : int32_t(c.w));
        // Every tile is a whole 256 x 256 texture holding its part at the top-left.
        const std::vector<uint32_t> texels = spritetest::Texels(last->texture);
        ASSERT_EQ(texels.size(), 256u * 256u);
        EXPECT_EQ(texels[0], c.blank ? 0xFF000000u : SheetTexel(uint32_t(last->x), uint32_t(last->y)));
        EXPECT_EQ(texels[size_t(last->h - 1) * 256 + size_t(last->w - 1)],
                  c.blank ? 0xFF000000u : SheetTexel(uint32_t(last->x + last->w - 1), uint32_t(last->y + last->h - 1)));
        // The last tile drawn: its corners sample the edge texels' centres at a texel offset of a half.
        KestraTexture::SetTexelOffset(0.5f);
        s->Draw();
        KestraTexture::SetTexelOffset(0.0f);
        SimpleVertex fan[4];
        std::memcpy(fan, d3d9test::VertexBufferBytes(KestraSimple::GetFanBuffer()).data(), sizeof fan);
        const float w = float(last->w) - 0.5f, h = float(last->h) - 0.5f;
        const float uv[4][2] = {{0.5f, 0.5f}, {w, 0.5f}, {w, h}, {0.5f, h}};
        for (int i = 0; i < 4; ++i) {
            EXPECT_FLOAT_EQ(fan[i].uv[0][0] * 256, uv[i][0]) << i;
            EXPECT_FLOAT_EQ(fan[i].uv[0][1] * 256, uv[i][1]) << i;
        }
        KestraSheet::Release(s);
    }
    EXPECT_EQ(Count(spritetest::Sjis(u8"[ 640 x 480 ] : {")), 1);
    EXPECT_EQ(Count(spritetest::Sjis(u8"　SheetNo.05 : ( 512,  256) - ( 128,  224)")), 1);
    EXPECT_EQ(KestraTexture::GetManager()->GetCount(), 0u);
}

TEST_F(SimpleAndSheets, BadImagesHugeHeadersAndAFailedTileAnswerNullAndLeakNothing) {
    StartAll();
    // Not an image.
    const std::string junk = "not an image at all";
    EXPECT_EQ(KestraSheet::CreateFromMemory(Block(junk), uint32_t(junk.size()), 12, 0), nullptr);
    EXPECT_EQ(Count(spritetest::Sjis(u8"<B><FONT color=\"RED\">ファイルの読み込みに失敗しました [ ")), 1);
    EXPECT_EQ(Count(spritetest::Sjis(u8"<B><FONT color=\"RED\">データの展開に失敗しました</FONT></B>")), 1);
    // A picture of 20000 x 10 pixels (an RLE BMP of its end mark): refused before
    // any tile or table; one past the pixel limit: refused by the reader.
    d3d9test::ClearCallCounts();
    EXPECT_EQ(BlankSheetOf(20000, 10), nullptr);
    EXPECT_EQ(BlankSheetOf(4096, 4097), nullptr);
    EXPECT_EQ(d3d9test::CallCount("CreateTexture"), 0u);
    EXPECT_EQ(Count(spritetest::Sjis(u8"[ 20000 x 10 ] : {")), 1);
    EXPECT_EQ(Count(spritetest::Sjis(u8"<B><FONT color=\"RED\">ファイルの読み込みに失敗しました [ ")), 2);
    EXPECT_EQ(Count(spritetest::Sjis(u8"<B><FONT color=\"RED\">データの展開に失敗しました</FONT></B>")), 3);
    // The third of six tiles cannot be made: the sheet fails whole.
    platform::InjectFault("CreateTexture", 2, 1);
    EXPECT_EQ(SheetOf(640, 480), nullptr);
    platform::ClearFaults();
    EXPECT_EQ(Count(spritetest::Sjis(u8"<B><FONT color=\"RED\">データの展開に失敗しました</FONT></B>")), 4);
    EXPECT_EQ(KestraTexture::GetManager()->GetCount(), 0u);
    EXPECT_EQ(KestraSheet::GetManager()->GetCount(), 0u);
    // A missing file or archive entry.
    EXPECT_EQ(KestraSheet::CreateFromFile("missing.png", 12, 0), nullptr);
    EXPECT_EQ(KestraSheet::GetManager()->GetCount(), 0u);
}

TEST_F(SimpleAndSheets, ASheetFromAFileIsSharedByItsPathInAnyCaseAndSpelling) {
    StartAll();
    const std::string path = Scratch("Big.tga", spritetest::MakeTga(300, 20, SheetPicture(300, 20)));
    CSheet* a = KestraSheet::CreateFromFile(path.c_str(), 14, SheetTexel(0, 0));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(spritetest::Texels(a->GetTile(0, 0)->texture)[0], 0u) << "the key colour is cleared";
    const std::string upper = dir_.path() + "/BIG.TGA";
    CSheet* b = KestraSheet::CreateFromFile(upper.c_str(), 12, 0);
    EXPECT_EQ(a, b);
    CSheet* c = KestraSheet::CreateFromFile((dir_.path() + "/.//x/../Big.tga").c_str(), 12, 0);
    EXPECT_EQ(a, c);
    KestraSheet::Release(c);
    EXPECT_EQ(a->GetRefCount(), 2);
    EXPECT_EQ(Count("<B><FONT color=\"BLUE\">CSheet::CreateFromFile</FONT></B>"), 1);
    KestraSheet::Release(b);
    KestraSheet::Release(a);
    EXPECT_EQ(KestraSheet::GetManager()->GetCount(), 0u);
}

TEST_F(SimpleAndSheets, UnderGlTheFanAndASheetLandExactlyOnTheirPixels) {
    InGl([&] {
        // The fan: a 32 x 16 quad of the coded picture, exactly.
        CTexture* t = KestraTexture::CreateFromFile(
            Scratch("coded.tga", spritetest::MakeTga(64, 64, spritetest::CodedPicture(64, 64))).c_str(), 14, 0);
        ASSERT_NE(t, nullptr);
        SimpleVertex fan[4] = {Corner(100, 50, 0, 0), Corner(132, 50, 32, 0), Corner(132, 66, 32, 16),
                               Corner(100, 66, 0, 16)};
        CTexture* textures[1] = {t};
        ASSERT_TRUE(Kestra3D::Clear(1, kClear, 1.0f, 0, nullptr));
        ASSERT_TRUE(Kestra3D::BeginScene());
        KestraSimple::DrawFan(fan, 4, textures, 1);
        Kestra3D::EndScene();
        d3d9test::Image out = d3d9test::ReadRenderTarget(Device());
        for (uint32_t y = 50; y < 66; ++y)
            for (uint32_t x = 100; x < 132; ++x)
                ASSERT_EQ(out.at(x, y), spritetest::CodedTexel(x - 100, y - 50)) << x << "," << y;
        for (uint32_t x = 99; x < 133; ++x) {
            EXPECT_EQ(out.at(x, 49), kClear) << x;
            EXPECT_EQ(out.at(x, 66), kClear) << x;
        }
        KestraTexture::Release(t);

        // A 300 x 300 sheet at (10, 10): four tiles meeting at x = y = 266.
        CSheet* sheet = SheetOf(300, 300);
        ASSERT_NE(sheet, nullptr);
        auto frame = [&](const std::function<void()>& draw) {
            EXPECT_TRUE(Kestra3D::Clear(1, kClear, 1.0f, 0, nullptr));
            EXPECT_TRUE(Kestra3D::BeginScene());
            draw();
            Kestra3D::EndScene();
            return d3d9test::ReadRenderTarget(Device());
        };
        const d3d9test::Image at = frame([&] { sheet->DrawAt(10, 10, 0xFFFFFFFF); });
        for (uint32_t y = 0; y < 300; ++y)
            for (uint32_t x = 0; x < 300; ++x)
                ASSERT_EQ(at.at(x + 10, y + 10), SheetTexel(x, y)) << x << "," << y;
        for (uint32_t i = 9; i < 311; ++i) {
            EXPECT_EQ(at.at(i, 9), kClear) << i;
            EXPECT_EQ(at.at(i, 310), kClear) << i;
            EXPECT_EQ(at.at(9, i), kClear) << i;
            EXPECT_EQ(at.at(310, i), kClear) << i;
        }
        const d3d9test::Image scaled = frame([&] { sheet->DrawScale(10, 10, 1.0f, 0xFFFFFFFF, 0, 0); });
        EXPECT_TRUE(scaled.pixels == at.pixels) << "scale 1 about the centre draws as DrawAt";
        // Half size about the centre (160, 160): 150 x 150 pixels from 85 on.
        const d3d9test::Image half = frame([&] { sheet->DrawScale(10, 10, 0.5f, 0xFFFFFFFF, 0, 0); });
        for (uint32_t i : {84u, 235u}) {
            EXPECT_EQ(half.at(i, 160), kClear) << i;
            EXPECT_EQ(half.at(160, i), kClear) << i;
        }
        for (uint32_t i : {85u, 234u}) {
            EXPECT_NE(half.at(i, 160), kClear) << i;
            EXPECT_NE(half.at(160, i), kClear) << i;
        }
        // A quarter turn about the top-left corner at (320, 100): each texel's centre
        // lands on the pixel centre the rotation puts it on.
        const d3d9test::Image turned = frame([&] { sheet->DrawRotate(320, 100, 16384, 0xFFFFFFFF, 0, 0); });
        for (uint32_t tx : {0u, 100u, 299u})
            for (uint32_t ty : {0u, 150u, 299u}) {
                float p[2] = {float(tx) + 0.5f, float(ty) + 0.5f};
                Kestra::RotatePoint(p, 16384);
                const long px = std::lround(320.0f + p[0] - 0.5f), py = std::lround(100.0f + p[1] - 0.5f);
                ASSERT_TRUE(px >= 0 && py >= 0 && px < 640 && py < 480) << tx << "," << ty;
                EXPECT_EQ(turned.at(uint32_t(px), uint32_t(py)), SheetTexel(tx, ty)) << tx << "," << ty;
            }
        KestraSheet::Release(sheet);
    });
}

}  // namespace
