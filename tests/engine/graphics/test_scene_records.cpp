// Realistic scenes on the null device, each folded into one hash of everything it
// handed the device (draw calls with their states, textures and vertex bytes,
// the textures' texels read back) and of the run's whole log, and compared with tests/engine/graphics/scene_records.txt.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>

#include "engine/core/CTransform.h"
#include "engine/graphics/CFrame.h"
#include "engine/graphics/CShaderFx.h"
#include "engine/graphics/CSkinMesh.h"
#include "engine/graphics/CSprite3D.h"
#include "engine/graphics/KestraSprite3D.h"
#include "tests/engine/graphics/list_test_env.h"
#include "tests/engine/graphics/model_test_env.h"
#include "tests/platform/d3dx9/xfile_test_util.h"
#include "tests/support/records.h"

namespace {

using listtest::V2;
using listtest::V3;

struct Digest : records::Fnv {
    uint32_t draws = 0;
    std::map<const void*, uint32_t> seen;  // textures by first appearance, never by address
    void Texture(const void* t) { Add(t ? seen.emplace(t, uint32_t(seen.size() + 1)).first->second : 0u); }
    // Every draw recorded since the last call, then forgets them.
    void Draws() {
        for (const d3d9test::DrawCall& d : d3d9test::DrawCalls()) {
            ++draws;
            Add(d.type, d.primitiveCount, d.startVertex, d.indexed, d.userPointer);
            Add(d.fvf, d.declaration, d.stride, d.renderStates, d.stageStates);
            for (const auto* t : d.textures) Texture(t);
            Bytes(d.vertices.data(), d.vertices.size());
        }
        d3d9test::ClearRecords();
    }
    void Texels(CTexture* t) {
        const std::vector<uint32_t> texels = spritetest::Texels(t);
        Add(texels.size()), Bytes(texels.data(), 4 * texels.size());
    }
};

// The run's whole log, start to finish, without what differs run to run: the
// folders and object addresses.
std::string StableLog(std::string log, const std::string& scratch) {
    for (const std::string& folder : {scratch, testsupport::SourceDir()})
        for (size_t at; (at = log.find(folder)) != std::string::npos;) log.erase(at, folder.size());
    return std::regex_replace(log, std::regex("0x[0-9A-F]{8}"), "0x");
}

void ExpectRecord(const std::string& scene, Digest d, const std::string& log) {
    d.Text(log);
    d.Add(d.draws);
    EXPECT_EQ(records::Check("tests/engine/graphics/scene_records.txt", scene, d.h), "");
}

class SceneRecords : public listtest::ListTest {};

// A frame of the game's 2-D layer: every sprite shape under scaling and
// perspective, depth-sorted, with clipped triangles, lines and points.
TEST_F(SceneRecords, TwoDimensionalLayer) {
    StartLists();
    d3d9test::SetRecording(true);
    ASSERT_TRUE(Kestra3D::BeginScene());
    Digest d;
    // A picture of 48 x 40 (grown to 64 x 64) whose coded texel (3, 2) is keyed out.
    CTexture* t = KestraTexture::CreateFromFile(
        Scratch("pic.tga", spritetest::MakeTga(48, 40, spritetest::CodedPicture(48, 40), 24)).c_str(), 14,
        spritetest::CodedTexel(3, 2));
    ASSERT_NE(t, nullptr);
    d.Texels(t);
    KestraSprite2D::SetScaling(true, 320, 240, 1.25f);
    KestraPrimitive2D::SetPerspective(true, 300, 200, 0.5f);
    CSprite2D* s = KestraSprite2D::Create(2000, 2, true);
    ASSERT_NE(s, nullptr);
    s->SetTexture(0, t);
    s->SetTexture(1, t);
    const float dst[4] = {600, 20, 80, 60}, src[8] = {2, 3, 30, 20, 0, 0, 48, 40};
    KestraTexture::SetTexelOffset(0.5f);
    s->Begin();
    d.Add(s->DrawSquare(dst, 1000, src, 0x80FF4020, 2));
    d.Add(s->DrawSquare(dst, 500, src, 0xFFFFFFFF, 0));
    d.Add(s->DrawSquareRotate(dst, 2000, src, 0xFF102030, 0x1234, 2, 5, -7));
    d.Add(s->DrawSquareRotateXYZ(dst, 3000, src, 0xFF405060, 0x2000, 0x3000, 0x4000, 1));
    CMatrix m;
    m.RotationAngles(0x1000, 0x2000, 0x3000);
    m._41 = 100, m._42 = 400, m._43 = 0.25f;
    d.Add(s->DrawSquareMatrix(m, src, 0xFF708090, 2));
    d.Add(s->DrawRing(320, 240, 4000, src, 30, 90, 0xFFFF0000, 0x4000FF00, 12, 0.5f, 2));
    d.Add(s->DrawRingRotate(-20, 240, 5000, src, 30, 90, 0xFFFF0000, 0x4000FF00, 7, 0x0800, 1.5f, 2));
    d.Add(s->DrawRingRotateXYZ(320, 470, 6000, src, 10, 50, 0xFF0000FF, 0xFFFFFF00, 9, 0x100, 0x200, 0x300, 1, 1));
    d.Add(s->DrawTube(100, 100, 7000, src, 60, 3000, 0xFFABCDEF, 10, 0.75f, 2));
    d.Add(s->DrawTubeRotate(500, 100, 8000, src, 40, 1000, 0xFFABCDEF, 6, 0x5000, 1, 2));
    d.Add(s->DrawTubeRotateXYZ(500, 400, 9000, src, 40, 1000, 0xFF123456, 5, 0x700, 0x800, 0x900, 2, 1));
    const Sprite2DTriangleVertex tri[3] = {{10, 10, 100, 0, 0xFFFF0000, 0, 0},
                                           {700, 10, 100, 0, 0xFF00FF00, 48, 0},
                                           {10, 40, 100, 0, 0xFF0000FF, 0, 40}};
    d.Add(s->DrawTriangle(tri, 0x3333, 0));
    d.Add(s->DrawTriangleRotateXYZ(tri, 0x1111, 0x2222, 0x3333, 0));
    const float x[4] = {100, 150, 200, 260}, y[4] = {100, 120, 90, 300}, z[4] = {0, 10, 20, 30}, hw[4] = {10, 5, 20, 8};
    const uint32_t angles[4] = {0, 0x1000, 0x8000, 0xF000}, colors[4] = {0xFFFFFFFF, 0x80808080, 0xFF000000, 0x12345678};
    d.Add(s->DrawBand(x, y, z, hw, angles, colors, 4, src));
    // Refusals, and a sprite too small for a whole ring keeping the segments that fit.
    d.Add(s->DrawRing(200, 200, 100, src, 10, 50, 0xFFFF0000, 0xFF0000FF, 0, 1.0f, 1));
    d.Add(s->DrawTube(320, 240, 100, src, 100, 2000, 0xFFFFFFFF, -1, 1.0f, 1));
    d.Add(s->DrawBand(x, y, z, hw, angles, colors, 1, src));
    CSprite2D* small = KestraSprite2D::Create(12, 1, false);
    ASSERT_NE(small, nullptr);
    small->SetTexture(0, t);
    small->Begin();
    d.Add(small->DrawRing(200, 200, 100, src, 10, 50, 0xFFFF0000, 0xFF0000FF, 4, 1.0f, 1));
    d.Add(small->GetStoredCount());
    s->End(), small->End();
    s->Render(), small->Render();
    KestraSprite2D::Release(small);
    KestraTexture::SetTexelOffset(0.0f);
    d.Draws();
    // Triangles crossing the screen's edges, lines cut by them, points inside and out.
    CPrimitive2D* p = KestraPrimitive2D::Create(64, 1, true);
    CLine2D* lines = KestraLine2D::Create(16);
    CPoint2D* points = KestraPoint2D::Create(16);
    ASSERT_TRUE(p && lines && points);
    const Vertex2D tris[6] = {V2(-50, 100, 0xFF112233, 10), V2(300, -80, 0x80FFFFFF, 10), V2(700, 500, 0xFF00FF00, 10),
                              V2(10, 10, 0xFFFF0000, 20000), V2(30, 10, 0xFF0000FF, 20000), V2(20, 30, 0, 20000)};
    const Vertex2D segs[6] = {V2(-100, 240, 0xFFFF0000), V2(740, 240, 0xFF0000FF), V2(320, -50, 0xFF00FF00),
                              V2(320, 600, 0x80808080), V2(-10, -10), V2(700, 10)};
    p->Begin(), lines->Begin(), points->Begin();
    p->AddTriangles(tris, 2);
    lines->AddLines(segs, 3);
    points->AddPoints(segs, 6);
    p->End(), lines->End(), points->End();
    p->Render(), lines->Render(), points->Render();
    d.Draws();
    KestraPoint2D::Release(points);
    KestraLine2D::Release(lines);
    KestraPrimitive2D::Release(p);
    KestraSprite2D::Release(s);
    KestraTexture::Release(t);
    Kestra3D::EndScene();
    FinishDevice();
    ExpectRecord("2d-layer", d, StableLog(Log(), dir_.path()));
}

// A 3-D layer under the game's camera: sprite shapes in a turned space, and
// triangles, lines and points of the lists.
TEST_F(SceneRecords, ThreeDimensionalLayer) {
    StartLists();
    ASSERT_TRUE(KestraSprite3D::Initialize());
    listtest::PlaceGameCamera();
    d3d9test::SetRecording(true);
    ASSERT_TRUE(Kestra3D::BeginScene());
    Digest d;
    CTexture* t = KestraTexture::Create(64, 32, 14);
    CSprite3D* s = KestraSprite3D::Create(1000, 1);
    ASSERT_TRUE(t && s);
    s->SetTexture(0, t);
    CTransform turned;
    turned.Identity();
    turned.SetPosition(3, -2, 5);
    turned.RotateY(0x1800);
    turned.UpdateMatrix();
    const float src[4] = {4, 2, 40, 28};
    const CVector3 pts[4] = {CVector3(0, 0, 0), CVector3(5, 1, 0), CVector3(9, 6, 2), CVector3(12, 6, 8)};
    const float widths[4] = {1, 2, 0.5f, 3};
    const Kestra::Angle16 angles[4] = {0, 0x2000, 0x4000, 0xC000};
    const uint32_t colors[4] = {0xFFFFFFFF, 0xFF00FF00, 0x80FF0000, 0};
    s->Begin();
    d.Add(s->DrawSquare(&turned, 1, 2, 3, 8, 4, src, 0xFF804020, 1));
    d.Add(s->DrawSquare(nullptr, -5, 0, 0, 2, 6, src, 0xFFFFFFFF, 1));
    d.Add(s->DrawRing(&turned, 0, 0, 0, 2, 6, 10, src, 0xC0C0C0C0, 1));
    d.Add(s->DrawDisc(nullptr, 4, 4, 1, 3, 7, src, 0xFF0080FF, 1));
    d.Add(s->DrawRibbon(&turned, pts, 4, 1.5f, src, 0xFFFF00FF));
    d.Add(s->DrawRibbonWidths(nullptr, pts, widths, 4, src, 0xFF00FFFF));
    d.Add(s->DrawRibbonAngles(&turned, pts, widths, angles, colors, 4, src));
    d.Add(s->DrawDisc(nullptr, 1, 1, 0, 3, 6, nullptr, 0xFFFFFFFF, 0));
    d.Add(s->DrawRibbon(nullptr, pts, 1, 2.0f, src, 0));
    d.Add(s->DrawRibbonAngles(nullptr, pts, nullptr, nullptr, nullptr, 3, src));
    s->End();
    s->Render();
    d.Draws();
    CPrimitive3D* p = KestraPrimitive3D::Create(32, 1);
    CLine3D* lines = KestraLine3D::Create(8);
    CPoint3D* points = KestraPoint3D::Create(8);
    ASSERT_TRUE(p && lines && points);
    const Vertex3D v[6] = {V3(0, 0, 0, 0xFFFF0000, 0, 0), V3(10, 0, 5, 0xFF00FF00, 1, 0), V3(0, 10, -5, 0xFF0000FF, 0, 1),
                           V3(-20, -5, 30), V3(20, 5, 30, 0x80808080, 0.5f, 0.25f), V3(0, 30, 60, 0xFF000000, 1, 1)};
    p->Begin(), lines->Begin(), points->Begin();
    p->AddTriangles(v, 2);
    lines->AddLines(v, 3);
    points->AddPoints(v, 6);
    p->End(), lines->End(), points->End();
    p->Render(), lines->Render(), points->Render();
    d.Draws();
    KestraPoint3D::Release(points);
    KestraLine3D::Release(lines);
    KestraPrimitive3D::Release(p);
    KestraSprite3D::Release(s);
    KestraTexture::Release(t);
    KestraSprite3D::Finalize();
    Kestra3D::EndScene();
    FinishDevice();
    ExpectRecord("3d-layer", d, StableLog(Log(), dir_.path()));
}

// Each kind of drawing object lets go of its device resources with its last
// reference: a buffer or texture held over the object's end reads 0 at its own
// last Release.
TEST_F(SceneRecords, EachObjectKindReleasesItsDeviceResources) {
    StartLists();
    ASSERT_TRUE(KestraSprite3D::Initialize());
    CTexture* t = KestraTexture::Create(32, 32, 14);
    ASSERT_NE(t, nullptr);
    IDirect3DTexture9* texture = nullptr;
    t->GetTexture(&texture);
    ASSERT_NE(texture, nullptr);
    auto outlives = [](const char* kind, CBaseObject* object, IDirect3DVertexBuffer9* buffer) {
        ASSERT_NE(buffer, nullptr) << kind;
        buffer->AddRef();
        object->Release();
        EXPECT_EQ(buffer->Release(), 0u) << kind;
    };
    CSprite2D* s2 = KestraSprite2D::Create(8, 4, true);
    CSprite3D* s3 = KestraSprite3D::Create(8, 1);
    ASSERT_TRUE(s2 && s3);
    for (uint32_t stage = 0; stage < 4; ++stage) s2->SetTexture(stage, t), s3->SetTexture(stage, t);
    outlives("sprite 2D", s2, s2->GetVertexBuffer());
    outlives("sprite 3D", s3, s3->GetVertexBuffer());
    CPrimitive2D* p2 = KestraPrimitive2D::Create(8, 2, false);
    CLine2D* l2 = KestraLine2D::Create(8);
    CPoint2D* d2 = KestraPoint2D::Create(8);
    CPrimitive3D* p3 = KestraPrimitive3D::Create(8, 1);
    CLine3D* l3 = KestraLine3D::Create(8);
    CPoint3D* d3 = KestraPoint3D::Create(8);
    ASSERT_TRUE(p2 && l2 && d2 && p3 && l3 && d3);
    outlives("primitive 2D", p2, p2->GetVertexBuffer());
    outlives("line 2D", l2, l2->GetVertexBuffer());
    outlives("point 2D", d2, d2->GetVertexBuffer());
    outlives("primitive 3D", p3, p3->GetVertexBuffer());
    outlives("line 3D", l3, l3->GetVertexBuffer());
    outlives("point 3D", d3, d3->GetVertexBuffer());
    EXPECT_EQ(t->GetRefCount(), 1) << "the sprites let go of their stage textures";
    KestraTexture::Release(t);
    EXPECT_EQ(texture->Release(), 0u);
    KestraSprite3D::Finalize();
}

class SceneModels : public modeltest::ModelTest {
protected:
    // What the loader kept of each mesh: layout, skin tables and bone offsets,
    // bounds, and every vertex and index.
    static void Meshes(LibModel::CModel* model, Digest* d) {
        for (uint32_t i = 0; i < model->GetMeshCount(); ++i) {
            const LibModel::CBaseMesh* m = model->GetMeshArray()[i];
            d->Add(m->GetLayout()), d->Add(m->GetMaxInfluences()), d->Add(m->GetPaletteSize());
            d->Add(m->GetMaterialCount()), d->Add(m->GetShaderMajor()), d->Add(m->GetShaderMinor());
            CVector3 lo, hi, centre;
            float radius = 0;
            m->GetBoundingBox(&lo, &hi, nullptr);
            m->GetBoundingSphere(&centre, &radius);
            d->Add(lo), d->Add(hi), d->Add(centre), d->Add(radius);
            d->Add(m->GetVertexBuffer()->GetCount());
            d->Bytes(m->GetVertexBuffer()->GetData(), sizeof(LibModel::ModelVertex) * m->GetVertexBuffer()->GetCount());
            d->Add(m->GetIndexBuffer()->GetCount());
            d->Bytes(m->GetIndexBuffer()->GetData(), 2 * m->GetIndexBuffer()->GetCount());
            const auto* skin = dynamic_cast<const LibModel::CSkinMesh*>(m);
            if (!skin) continue;
            d->Add(skin->GetBoneCount()), d->Add(skin->GetCombinationCount());
            for (uint32_t c = 0; c < skin->GetCombinationCount(); ++c) {
                const D3DXBONECOMBINATION& b = skin->GetCombinations()[c];
                d->Add(b.AttribId), d->Add(b.FaceStart), d->Add(b.FaceCount), d->Add(b.VertexStart), d->Add(b.VertexCount);
                d->Bytes(b.BoneId, sizeof(DWORD) * skin->GetPaletteSize());
            }
            for (uint32_t b = 0; b < skin->GetBoneCount(); ++b) d->Add(*skin->GetOffsetMatrix(b));
        }
    }
    // Each time: every frame's local and world matrix, then what the draw hands the device.
    static void Play(LibModel::CModel* model, std::initializer_list<float> times, Digest* d) {
        CMatrix world;
        world.RotationAngles(0x0400, 0x0800, 0);
        for (const float time : times) {
            model->Animate(time, time * 0.5f, 1);
            model->UpdateTransform(&world);
            for (uint32_t f = 0; f < model->GetFrameCount(); ++f) {
                const LibModel::CFrame* frame = model->GetFrame(f);
                d->Bytes(frame->GetName(), std::strlen(frame->GetName()));
                d->Add(frame->GetLocalMatrix()), d->Add(*frame->GetWorldMatrix());
            }
            d->Add(model->Draw());
            d->Draws();
            for (uint32_t m = 0; m < model->GetMeshCount(); ++m)  // what each mesh's effect was handed
                for (const char* name : {"mTransform", "mWorldView", "mWorld", "FogTransform", "FogParameter",
                                         "vCameraPos", "SlideTextureU", "SlideTextureV", "VertexExtrusion"}) {
                    float v[16] = {};
                    d->Add(model->GetMeshArray()[m]->GetEffect()->GetEffect()->GetFloatArray(name, v, 16));
                    d->Bytes(v, sizeof v);
                }
        }
    }
};

// The referenced-mesh model animated through its set and past its end.
TEST_F(SceneModels, ReferencedMeshAnimated) {
    StartAll(d3d9test::Backend::Null);
    listtest::PlaceGameCamera();
    // A second set moves Left by two position blocks: the later one replaces the first.
    const std::string text = modeltest::ReferencedMeshFile() +
                             "AnimationSet Twice { Animation { { Left }\n"
                             " AnimationKey { 2; 2; 0;3;-6.0,0.0,0.0;;, 10;3;-6.0,2.0,0.0;;; }\n"
                             " AnimationKey { 2; 2; 0;3;-6.0,0.0,1.0;;, 4;3;-7.0,0.0,0.0;;; } } }\n";
    LibModel::CModel* model = KestraModelEx::CreateFromMemory(text.data(), uint32_t(text.size()), 1, 1, 0, 0);
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->GetAnimationSetCount(), 2u);
    ASSERT_TRUE(model->SetShader(-1, 0));
    model->SetDisableFlags(0, 0xFF, -1);
    model->SetSlideTextureU(3, -1), model->SetSlideTextureV(5, -1), model->SetVertexExtrusion(7, -1);
    d3d9test::SetRecording(true);
    ASSERT_TRUE(Kestra3D::BeginScene());
    Digest d;
    Meshes(model, &d);
    Play(model, {0.0f, 2.5f, 7.0f, 10.0f, 13.0f}, &d);
    for (uint32_t f = 0; f < model->GetFrameCount(); ++f) model->GetFrame(f)->SetAnimationBlend(1, 0, 0.75f);
    Play(model, {1.0f, 3.0f, 12.0f}, &d);
    IDirect3DVertexBuffer9* vertices = model->GetMeshArray()[0]->GetVertexBuffer()->GetBuffer();
    IDirect3DIndexBuffer9* indices = model->GetMeshArray()[0]->GetIndexBuffer()->GetBuffer();
    vertices->AddRef(), indices->AddRef();
    model->Release();
    EXPECT_EQ(vertices->Release(), 0u) << "the mesh's buffers went with the model";
    EXPECT_EQ(indices->Release(), 0u);
    const uint32_t table = KestraAnimation::Create(1);
    EXPECT_EQ(table, 0u) << "every key table went with the model";
    KestraAnimation::Release(table);
    Kestra3D::EndScene();
    FinishDevice();
    ExpectRecord("model-referenced", d, StableLog(Log(), dir_.path()));
}

// The corpus's skinned character walking: its skin tables and each pose.
TEST_F(SceneModels, SkinnedCharacterWalking) {
    StartAll(d3d9test::Backend::Null);
    listtest::PlaceGameCamera();
    SetCurrentDirectoryA(xtest::CorpusDir().c_str());
    LibModel::CModel* model = KestraModelEx::CreateFromFile("Testwuson.X", 1, 1, 0, 0);
    ASSERT_NE(model, nullptr);
    ASSERT_TRUE(model->SetShader(-1, 0));
    model->SetDisableFlags(0, 0xFF, -1);
    const int32_t walk = model->FindAnimationSet("Wuson_Run");
    ASSERT_GE(walk, 0);
    for (uint32_t f = 0; f < model->GetFrameCount(); ++f) model->GetFrame(f)->SetAnimationBlend(walk, walk, 0.25f);
    d3d9test::SetRecording(true);
    ASSERT_TRUE(Kestra3D::BeginScene());
    Digest d;
    for (uint32_t set = 0; set < model->GetAnimationSetCount(); ++set) d.Add(model->GetAnimationLength(int32_t(set)));
    Meshes(model, &d);
    const float length = float(model->GetAnimationLength(walk));
    Play(model, {0.0f, length * 0.3f, length * 0.75f}, &d);
    model->Release();
    Kestra3D::EndScene();
    FinishDevice();
    ExpectRecord("model-skinned", d, StableLog(Log(), dir_.path()));
}

}  // namespace
