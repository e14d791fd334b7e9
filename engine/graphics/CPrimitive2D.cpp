#include "engine/graphics/CPrimitive2D.h"

#include <cstring>

#include "engine/core/Kestra.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/Kestra3D.h"

namespace {

float FloatFromBits(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof(f));
    return f;
}

// The f32 nearest 1/65535, and the scale that turns three summed depths into one
// of 8191 buckets.
const float kDepthUnit = FloatFromBits(0x37800080u);
const float kBucketScale = FloatFromBits(0x452AA556u);

// Work lists shared by every 2-D primitive; used only inside one AddTriangles.
Vertex2D g_transformed[3];
Vertex2D g_clipA[CPrimitive2D::kWorkListSize];
Vertex2D g_clipB[CPrimitive2D::kWorkListSize];
Vertex2D g_clipped[CPrimitive2D::kWorkListSize];

enum Edge { kLeft, kTop, kRight, kBottom };

inline bool Outside(const Vertex2D& v, Edge edge, float at) {
    switch (edge) {
        case kLeft: return v.x < at;
        case kRight: return v.x > at;
        case kTop: return v.y < at;
        default: return v.y > at;
    }
}

uint32_t ClipEdge(Vertex2D* out, const Vertex2D* in, uint32_t count, Edge edge, float at) {
    if (count > CPrimitive2D::kWorkListSize) count = CPrimitive2D::kWorkListSize;
    bool outside[CPrimitive2D::kWorkListSize];
    for (uint32_t i = 0; i < count; ++i) outside[i] = Outside(in[i], edge, at);
    uint32_t n = 0;
    for (uint32_t i = 0; i < count && n < CPrimitive2D::kWorkListSize; ++i) {
        const uint32_t j = (i + 1) % count;
        if (!outside[i]) out[n++] = in[i];
        if (outside[i] != outside[j] && n < CPrimitive2D::kWorkListSize) {
            const Vertex2D& a = in[i];
            const Vertex2D& b = in[j];
            float t;
            if (edge == kLeft || edge == kRight)
                t = (at - a.x) / (b.x - a.x);
            else
                t = (at - a.y) * (1.0f / (b.y - a.y));
            LerpVertex2D(&a, &b, &out[n++], t);
        }
    }
    return n;
}

}  // namespace

CPrimitive2D::CPrimitive2D(CObject2DManager* manager) : CVertexObject2D(manager) {}

CPrimitive2D::~CPrimitive2D() {
    Kestra::LogRed("CPrimitive2D Destruct");
    Kestra::LogNewLine();
}

bool CPrimitive2D::AllocateStore() {
    if (sort_) {
        Kestra::LogPrint("頂点ソート用バッファ生成 : ");
        const uint32_t records = capacity_ / 3;
        sortRecords_ = static_cast<SortRecord*>(Kestra::MemoryAlloc(uint32_t(records * sizeof(SortRecord))));
        if (!sortRecords_ && records) {
            Kestra::LogRed("頂点ソート用メモリの確保に失敗");
            Kestra::LogNewLine();
            return false;
        }
        Kestra::LogPrint("頂点ソート用リストバッファ生成 : ");
        bucketHeads_ = static_cast<SortRecord**>(Kestra::MemoryAlloc(uint32_t(kBucketCount * sizeof(SortRecord*))));
        if (!bucketHeads_) {
            Kestra::LogRed("頂点ソート用リストメモリの確保に失敗");
            Kestra::LogNewLine();
            return false;
        }
    } else {
        Kestra::LogPrint("頂点保存用バッファ生成 : ");
        vertexStore_ = static_cast<uint8_t*>(Kestra::MemoryAlloc(capacity_ * vertexSize_));
        if (!vertexStore_) {
            Kestra::LogRed("頂点用メモリの確保に失敗");
            Kestra::LogNewLine();
            return false;
        }
    }
    return true;
}

bool CPrimitive2D::Create(uint32_t capacity, uint32_t texCoordSets, bool sort) {
    ReleaseStorage();
    capacity_ = storedCount_ = storedBytes_ = requestedCount_ = bufferSize_ = 0;
    Kestra::LogPrint(" : 描画用頂点バッファ生成 : ");
    // The vertex layouts stop at four texture-coordinate sets; more would run past
    // every vertex a caller hands in. A buffer size must also fit in 32 bits.
    const uint32_t vertexSize = KestraVertex::Size2D(texCoordSets);
    if (vertexSize == 0 || capacity == 0 || capacity > 0xFFFFFFFFu / 160u) {
        Kestra::LogRed("頂点バッファの生成に失敗 [ %s ]", GetErrorText(D3DERR_INVALIDCALL));
        Kestra::LogNewLine();
        return false;
    }
    texCoordSets_ = texCoordSets;
    fvf_ = KestraVertex::Fvf2D(texCoordSets);
    vertexSize_ = vertexSize;
    bufferSize_ = capacity * vertexSize;
    sort_ = sort ? 1 : 0;
    const HRESULT hr = CreateVertexBuffer();
    if (FAILED(hr)) {
        bufferSize_ = 0;
        Kestra::LogRed("頂点バッファの生成に失敗 [ %s ]", GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    capacity_ = capacity;
    if (!AllocateStore()) {
        ReleaseStorage();
        capacity_ = bufferSize_ = 0;
        return false;
    }
    Kestra::LogPrint("VERTEX COUNT [ %4u ] : VERTEX SIZE [ %3uBYTE ] : ", capacity_, vertexSize_);
    return true;
}

bool CPrimitive2D::Resize(uint32_t capacity) {
    // The vertex size is kept in its own field, so an object that was never
    // created (or lost its store) is resized safely; a size of 0 is refused.
    if (capacity == 0 || vertexSize_ == 0 || capacity > 0xFFFFFFFFu / 160u) return false;
    ReleaseStorage();
    capacity_ = capacity;
    bufferSize_ = vertexSize_ * capacity;
    storedCount_ = storedBytes_ = requestedCount_ = 0;
    const HRESULT hr = CreateVertexBuffer();
    if (FAILED(hr)) {
        Kestra::LogBlue("CPrimitive2D::Resize");
        Kestra::LogPrint(" : ");
        Kestra::LogRed("頂点バッファの生成に失敗 [ %s ]", GetErrorText(hr));
        Kestra::LogNewLine();
        // Nothing to write into: every later add answers false.
        capacity_ = bufferSize_ = 0;
        return false;
    }
    if (!AllocateStore()) {
        ReleaseStorage();
        capacity_ = bufferSize_ = 0;
        return false;
    }
    Begin();
    End();
    return true;
}

void CPrimitive2D::Begin() {
    storedCount_ = storedBytes_ = requestedCount_ = 0;
    if (bucketHeads_) std::memset(bucketHeads_, 0, kBucketCount * sizeof(SortRecord*));
}

inline void CPrimitive2D::TransformVertex(float* v) const {
    // v: x, y, z, rhw of one vertex; every step is rounded to f32.
    float x = v[0], y = v[1], z = v[2];
    if (perspective_) {
        const float f = 1.0f / (((z - 32767.0f) * perspectiveStrength_ + 65535.0f) * kDepthUnit);
        x = (x - perspectiveX_) * f + perspectiveX_;
        y = (y - perspectiveY_) * f + perspectiveY_;
        z = (z * kDepthUnit) / f;
        v[3] = 1.0f / z;
    } else {
        z = z * kDepthUnit;
    }
    if (scaling_) {
        x = (x - scalingX_) * scale_ + scalingX_;
        y = (y - scalingY_) * scale_ + scalingY_;
    }
    v[0] = static_cast<float>(Kestra::ScaleX(x) - 0.5);
    v[1] = static_cast<float>(Kestra::ScaleY(y) - 0.5);
    v[2] = z;
}

void CPrimitive2D::TransformTriangle(Vertex2D* out, const Vertex2D* in) {
    for (int i = 0; i < 3; ++i) {
        out[i] = in[i];
        TransformVertex(&out[i].x);
    }
}

uint32_t CPrimitive2D::ClipLeft(Vertex2D* out, const Vertex2D* in, uint32_t count) {
    return ClipEdge(out, in, count, kLeft, clipLeft_);
}
uint32_t CPrimitive2D::ClipTop(Vertex2D* out, const Vertex2D* in, uint32_t count) {
    return ClipEdge(out, in, count, kTop, clipTop_);
}
uint32_t CPrimitive2D::ClipRight(Vertex2D* out, const Vertex2D* in, uint32_t count) {
    return ClipEdge(out, in, count, kRight, clipRight_);
}
uint32_t CPrimitive2D::ClipBottom(Vertex2D* out, const Vertex2D* in, uint32_t count) {
    return ClipEdge(out, in, count, kBottom, clipBottom_);
}

uint32_t CPrimitive2D::ClipTriangle(Vertex2D* out, const Vertex2D* in) {
    if (!clipping_) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        return 3;
    }
    if (in[0].x < clipLeft_ && in[1].x < clipLeft_ && in[2].x < clipLeft_) return 0;
    if (in[0].x > clipRight_ && in[1].x > clipRight_ && in[2].x > clipRight_) return 0;
    if (in[0].y < clipTop_ && in[1].y < clipTop_ && in[2].y < clipTop_) return 0;
    if (in[0].y > clipBottom_ && in[1].y > clipBottom_ && in[2].y > clipBottom_) return 0;
    uint32_t k = ClipLeft(g_clipA, in, 3);
    k = ClipRight(g_clipB, g_clipA, k);
    k = ClipTop(g_clipA, g_clipB, k);
    k = ClipBottom(g_clipB, g_clipA, k);
    if (k < 3) return 0;
    uint32_t n = 0;
    for (uint32_t i = 1; i + 1 < k; ++i) {
        out[n++] = g_clipB[0];
        out[n++] = g_clipB[i];
        out[n++] = g_clipB[i + 1];
    }
    return n;
}

bool CPrimitive2D::AddTriangles(const Vertex2D* vertices, uint32_t count) {
    if (!vertices) return count == 0;
    for (uint32_t t = 0; t < count; ++t) {
        const Vertex2D* in = vertices + 3 * t;
        uint32_t m;
        const Vertex2D* out;
        if (!clipping_ && !sort_) {
            // The common path: no clipping, so the transformed vertices go straight
            // into the store after the capacity test.
            requestedCount_ += 3;
            if (storedCount_ + 3 > capacity_) return false;
            uint8_t* dst = vertexStore_ + size_t(storedCount_) * vertexSize_;
            for (int i = 0; i < 3; ++i, dst += vertexSize_) {
                float xyzw[4] = {in[i].x, in[i].y, in[i].z, in[i].rhw};
                TransformVertex(xyzw);
                std::memcpy(dst, xyzw, sizeof(xyzw));
                std::memcpy(dst + sizeof(xyzw), &in[i].color, vertexSize_ - sizeof(xyzw));
            }
            storedCount_ += 3;
            storedBytes_ += 3 * vertexSize_;
            continue;
        }
        TransformTriangle(g_transformed, in);
        m = ClipTriangle(g_clipped, g_transformed);
        out = g_clipped;
        requestedCount_ += m;
        if (storedCount_ + m > capacity_) return false;
        if (!sort_) {
            uint8_t* dst = vertexStore_ + size_t(storedCount_) * vertexSize_;
            for (uint32_t i = 0; i < m; ++i, dst += vertexSize_) std::memcpy(dst, &out[i], vertexSize_);
            storedCount_ += m;
            storedBytes_ += m * vertexSize_;
            continue;
        }
        for (uint32_t i = 0; i + 2 < m; i += 3) {
            const float v = (out[i].z + out[i + 2].z + out[i + 1].z) * kBucketScale;
            // Range test on the float: a depth outside the buckets (or not a number)
            // drops the triangle before any conversion.
            if (!(v > -1.0f && v < float(kBucketCount))) continue;
            const uint32_t bucket = static_cast<uint32_t>(static_cast<int32_t>(v));
            SortRecord* record = &sortRecords_[storedCount_ / 3];
            record->vertices[0] = out[i];
            record->vertices[1] = out[i + 1];
            record->vertices[2] = out[i + 2];
            record->next = bucketHeads_[bucket];
            bucketHeads_[bucket] = record;
            storedCount_ += 3;
            storedBytes_ += 160;
        }
    }
    return true;
}

void CPrimitive2D::End() {
    if (storedCount_ == 0 || !vertexBuffer_) return;
    void* bits = nullptr;
    if (!sort_) {
        if (FAILED(vertexBuffer_->Lock(0, storedBytes_, &bits, D3DLOCK_DISCARD)) || !bits) return;
        std::memcpy(bits, vertexStore_, storedBytes_);
        vertexBuffer_->Unlock();
        return;
    }
    if (FAILED(vertexBuffer_->Lock(0, 0, &bits, D3DLOCK_DISCARD)) || !bits) return;
    uint8_t* dst = static_cast<uint8_t*>(bits);
    for (uint32_t bucket = kBucketCount; bucket-- > 0;) {
        for (const SortRecord* r = bucketHeads_[bucket]; r; r = r->next) {
            for (int i = 0; i < 3; ++i, dst += vertexSize_) std::memcpy(dst, &r->vertices[i], vertexSize_);
        }
    }
    vertexBuffer_->Unlock();
}

void CPrimitive2D::Render() { DrawStored(D3DPT_TRIANGLELIST, storedCount_ / 3); }

// ---- CPrimitive2DManager

CPrimitive2D* CPrimitive2DManager::Create(uint32_t capacity, uint32_t texCoordSets, bool sort) {
    return FinishCreate(new (std::nothrow) CPrimitive2D(this), "CPrimitive2D::Create",
                        [&](CPrimitive2D* p) { return p->Create(capacity, texCoordSets, sort); }, nullptr);
}
