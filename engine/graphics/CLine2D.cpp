#include "engine/graphics/CLine2D.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "engine/core/Kestra.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/Kestra3D.h"

namespace {

constexpr float kDepthUnit = 1.5259022e-5f;  // the f32 nearest 1/65535
static_assert(std::bit_cast<uint32_t>(kDepthUnit) == 0x37800080u);

// Working vertices shared by every list of a class: one add at a time.
Vertex2D g_point;
Vertex2D g_line[2];
Vertex2D g_stageA[2];
Vertex2D g_stageB[2];

enum Edge { kLeft, kTop, kRight, kBottom };

bool Outside(const Vertex2D& v, Edge edge, float at) {
    switch (edge) {
        case kLeft: return v.x < at;
        case kRight: return v.x > at;
        case kTop: return v.y < at;
        default: return v.y > at;
    }
}

// Both ends beyond one edge leave nothing of the line: without that test a line
// passing a corner outside would come out as a point on the edge's extension.
uint32_t ClipEdge(const Vertex2D* in, Vertex2D* out, Edge edge, float at) {
    const bool out0 = Outside(in[0], edge, at);
    const bool out1 = Outside(in[1], edge, at);
    if (out0 && out1) return 0;
    if (!out0 && !out1) {
        out[0] = in[0];
        out[1] = in[1];
        return 2;
    }
    const bool horizontal = edge == kLeft || edge == kRight;
    const float a0 = horizontal ? in[0].x : in[0].y;
    const float a1 = horizontal ? in[1].x : in[1].y;
    const float t = (at - a0) / (a1 - a0);  // the ends differ on this axis
    Vertex2D cut;
    LerpVertex2D(&in[0], &in[1], &cut, t);
    out[0] = out0 ? cut : in[0];
    out[1] = out1 ? cut : in[1];
    return 2;
}

}  // namespace

// ---- CList2D

bool CList2D::CreateList(const char* tag, uint32_t capacity) {
    ReleaseStorage();
    capacity_ = storedCount_ = storedBytes_ = requestedCount_ = bufferSize_ = 0;
    Kestra::LogBlue("%s", tag);
    Kestra::LogPrint("描画用頂点バッファ生成 : ");
    const uint32_t vertexSize = KestraVertex::Size2D(0);
    fvf_ = KestraVertex::Fvf2D(0);
    texCoordSets_ = 0;
    vertexSize_ = vertexSize;
    HRESULT hr = D3DERR_INVALIDCALL;
    if (capacity != 0 && capacity <= 0xFFFFFFFFu / vertexSize) {
        bufferSize_ = capacity * vertexSize;
        hr = CreateVertexBuffer();
    }
    if (FAILED(hr)) {
        bufferSize_ = 0;
        Kestra::LogRed("頂点バッファの生成に失敗 [ %s ]", GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    Kestra::LogPrint("頂点保存用バッファ生成 { ");
    Kestra::LogNewLine();
    Kestra::LogPrint("　　");
    vertexStore_ = static_cast<uint8_t*>(Kestra::MemoryAlloc(bufferSize_));
    if (!vertexStore_) {
        ReleaseStorage();
        bufferSize_ = 0;
        Kestra::LogPrint(" } ");
        Kestra::LogRed("頂点用メモリの確保に失敗");
        Kestra::LogNewLine();
        return false;
    }
    Kestra::LogPrint(" } ");
    capacity_ = capacity;
    Kestra::LogPrint(" VERTEX COUNT [ %4d ] : VERTEX SIZE [ %3dBYTE ] : ", int(capacity_), int(vertexSize_));
    Kestra::LogGreen("Success!");
    Kestra::LogNewLine();
    return true;
}

void CList2D::TransformVertex(Vertex2D* out, const Vertex2D* in) const {
    *out = *in;
    float x = std::trunc(in->x + 0.5f);
    float y = std::trunc(in->y + 0.5f);
    const float z = in->z;
    if (perspective_) {
        const float f = 1.0f / (((z - 32767.0f) * perspectiveStrength_ + 65535.0f) * kDepthUnit);
        x = (x - perspectiveX_) * f + perspectiveX_;
        y = (y - perspectiveY_) * f + perspectiveY_;
        out->z = (z * kDepthUnit) / f;
        // A depth of 0 (or one the perspective sends to 0) has no reciprocal:
        // the vertex keeps the rhw it came with.
        const float rhw = 1.0f / out->z;
        if (std::isfinite(rhw)) out->rhw = rhw;
    } else {
        out->z = z * kDepthUnit;
    }
    if (scaling_) {
        x = (x - scalingX_) * scale_ + scalingX_;
        y = (y - scalingY_) * scale_ + scalingY_;
    }
    out->x = static_cast<float>(Kestra::ScaleX(x) - 0.5);
    out->y = static_cast<float>(Kestra::ScaleY(y) - 0.5);
}

bool CList2D::Store(const Vertex2D* vertices, uint32_t n) {
    if (uint64_t(storedCount_) + n >= capacity_) return false;
    for (uint32_t i = 0; i < n; ++i) {
        std::memcpy(vertexStore_ + storedBytes_, &vertices[i], vertexSize_);
        storedBytes_ += vertexSize_;
        ++storedCount_;
    }
    return true;
}

void CList2D::Begin() { storedCount_ = storedBytes_ = 0; }

void CList2D::End() {
    if (!vertexBuffer_) return;
    void* bits = nullptr;
    if (FAILED(vertexBuffer_->Lock(0, 0, &bits, D3DLOCK_DISCARD)) || !bits) return;
    if (storedBytes_) std::memcpy(bits, vertexStore_, storedBytes_);
    vertexBuffer_->Unlock();
}

// ---- CPoint2D

CPoint2D::~CPoint2D() {
    Kestra::LogRed("CPoint2D Destruct [%s]", GetName());
    Kestra::LogNewLine();
}

bool CPoint2D::Create(uint32_t capacity) { return CreateList("CPoint2D::Create", capacity); }

void CPoint2D::TransformPoint(Vertex2D* out, const Vertex2D* in) { TransformVertex(out, in); }

bool CPoint2D::AddPoints(const Vertex2D* points, uint32_t count) {
    if (!points) return count == 0;
    for (uint32_t i = 0; i < count; ++i) {
        TransformPoint(&g_point, &points[i]);
        if (clipping_ && !(g_point.x >= clipLeft_ && g_point.x <= clipRight_ && g_point.y >= clipTop_ &&
                           g_point.y <= clipBottom_))
            continue;
        ++requestedCount_;
        if (!Store(&g_point, 1)) return false;
    }
    return true;
}

void CPoint2D::Render() { DrawStored(D3DPT_POINTLIST, storedCount_); }

// ---- CLine2D

CLine2D::~CLine2D() {
    Kestra::LogRed("CLine2D Destruct");
    Kestra::LogNewLine();
}

bool CLine2D::Create(uint32_t capacity) { return CreateList("CLine2D::Create", capacity); }

void CLine2D::TransformLine(Vertex2D* out, const Vertex2D* in) {
    TransformVertex(&out[0], &in[0]);
    TransformVertex(&out[1], &in[1]);
}

uint32_t CLine2D::ClipLeft(const Vertex2D* in, Vertex2D* out, uint32_t count) {
    return count == 2 ? ClipEdge(in, out, kLeft, clipLeft_) : 0;
}
uint32_t CLine2D::ClipTop(const Vertex2D* in, Vertex2D* out, uint32_t count) {
    return count == 2 ? ClipEdge(in, out, kTop, clipTop_) : 0;
}
uint32_t CLine2D::ClipRight(const Vertex2D* in, Vertex2D* out, uint32_t count) {
    return count == 2 ? ClipEdge(in, out, kRight, clipRight_) : 0;
}
uint32_t CLine2D::ClipBottom(const Vertex2D* in, Vertex2D* out, uint32_t count) {
    return count == 2 ? ClipEdge(in, out, kBottom, clipBottom_) : 0;
}

uint32_t CLine2D::ClipLine(Vertex2D* out, const Vertex2D* in) {
    if (!clipping_) {
        out[0] = in[0];
        out[1] = in[1];
        return 2;
    }
    if (in[0].x < clipLeft_ && in[1].x < clipLeft_) return 0;
    if (in[0].x > clipRight_ && in[1].x > clipRight_) return 0;
    if (in[0].y < clipTop_ && in[1].y < clipTop_) return 0;
    if (in[0].y > clipBottom_ && in[1].y > clipBottom_) return 0;
    uint32_t n = ClipLeft(in, g_stageA, 2);
    n = ClipRight(g_stageA, g_stageB, n);
    n = ClipTop(g_stageB, g_stageA, n);
    n = ClipBottom(g_stageA, g_stageB, n);
    if (n != 2) return 0;
    out[0] = g_stageB[0];
    out[1] = g_stageB[1];
    return 2;
}

bool CLine2D::AddLines(const Vertex2D* vertices, uint32_t lineCount) {
    if (!vertices) return lineCount == 0;
    Vertex2D clipped[2];
    for (uint32_t i = 0; i < lineCount; ++i) {
        TransformLine(g_line, vertices + 2 * size_t(i));
        const uint32_t n = ClipLine(clipped, g_line);
        requestedCount_ += n;
        if (!Store(clipped, n)) return false;
    }
    return true;
}

void CLine2D::Render() { DrawStored(D3DPT_LINELIST, storedCount_ / 2); }

// ---- Managers

CPoint2D* CPoint2DManager::Create(uint32_t capacity) {
    return FinishCreate(new (std::nothrow) CPoint2D(this), "CPoint2D::Create",
                        [&](CPoint2D* p) { return p->Create(capacity); }, nullptr);
}

CLine2D* CLine2DManager::Create(uint32_t capacity) {
    return FinishCreate(new (std::nothrow) CLine2D(this), "CLine2D::Create",
                        [&](CLine2D* p) { return p->Create(capacity); }, nullptr);
}
