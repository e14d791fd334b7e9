// AnimationSet, Animation and AnimationKey objects into key tables.
#include "engine/graphics/CXFileAnimation.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>
#include <type_traits>
#include <vector>

#include "engine/core/KestraLog.h"
#include "platform/d3dx9/xfile_children.h"

namespace LibModel {

GUID TypeOf(ID3DXFileData* d) {
    GUID g{};
    d->GetType(&g);
    return g;
}

// The object's name cut to size - 1 bytes ("" when it has none).
void NameOf(ID3DXFileData* d, char* out, size_t size) {
    out[0] = '\0';
    SIZE_T n = 0;
    if (FAILED(d->GetName(nullptr, &n)) || n == 0) return;
    std::vector<char> name(n);
    if (FAILED(d->GetName(name.data(), &n))) return;
    const size_t keep = std::min(std::strlen(name.data()), size - 1);
    std::memcpy(out, name.data(), keep);
    out[keep] = '\0';
}

uint64_t ReadBudget::ValuesOf(ID3DXFileData* d) {
    SIZE_T size = 0;
    const void* p = nullptr;
    if (FAILED(d->Lock(&size, &p))) return 0;
    d->Unlock();
    return (uint64_t(size) + 3) / 4;
}

namespace {

// The keys an AnimationKey object declares, when its data can hold them (a
// block that cannot is skipped unread).
uint32_t KeyCount(ID3DXFileData* d) {
    SIZE_T size = 0;
    const void* p = nullptr;
    uint32_t count = 0;
    if (FAILED(d->Lock(&size, &p))) return 0;
    if (size >= 8) std::memcpy(&count, static_cast<const uint8_t*>(p) + 4, 4);
    d->Unlock();
    return size >= 8 && count <= (size - 8) / 8 ? count : 0;
}

struct FileKey {
    uint32_t time;
    float values[16];
};

// The key block as read, checked against its own counts: every key of the
// block's type carries exactly the values that type has.
bool ReadKeys(ID3DXFileData* d, uint32_t* type, std::vector<FileKey>* keys) {
    SIZE_T size = 0;
    const void* p = nullptr;
    if (FAILED(d->Lock(&size, &p))) return false;
    const auto* bytes = static_cast<const uint8_t*>(p);
    bool ok = size >= 8;
    uint32_t count = 0;
    if (ok) {
        std::memcpy(type, bytes, 4);
        std::memcpy(&count, bytes + 4, 4);
    }
    // The values of a key of each type; none holds more than a key can.
    static constexpr uint32_t kValues[] = {4, 3, 3, 0, 16};
    static_assert(*std::max_element(std::begin(kValues), std::end(kValues)) <=
                  std::extent_v<decltype(FileKey::values)>);
    ok = ok && *type < std::size(kValues) && *type != 3 && count > 0;
    const uint32_t values = ok ? kValues[*type] : 0;
    const size_t stride = 8 + size_t(values) * 4;
    ok = ok && count <= (size - 8) / stride && size == 8 + count * stride;
    for (uint32_t i = 0; ok && i < count; ++i) {
        const uint8_t* k = bytes + 8 + i * stride;
        FileKey key{};
        uint32_t n = 0;
        std::memcpy(&key.time, k, 4);
        std::memcpy(&n, k + 4, 4);
        if (n != values) ok = false;
        std::memcpy(key.values, k + 8, values * 4);
        keys->push_back(key);
    }
    d->Unlock();
    // Out-of-order keys are taken in time order; equal times keep their file order.
    std::stable_sort(keys->begin(), keys->end(), [](const FileKey& a, const FileKey& b) { return a.time < b.time; });
    return ok;
}

uint32_t Table(const std::vector<FileKey>& keys, int component) {
    const uint32_t h = KestraAnimation::Create(uint32_t(keys.size()));
    for (uint32_t i = 0; i < keys.size(); ++i)
        KestraAnimation::SetKey(h, i, float(keys[i].time), component < 0 ? float(i) : keys[i].values[component], 0,
                                0, 0, 0);
    return h;
}

D3DXQUATERNION* Quaternions(size_t keys) {
    return static_cast<D3DXQUATERNION*>(Kestra::MemoryAlloc(uint32_t(sizeof(D3DXQUATERNION) * (keys + 1))));
}

}  // namespace

bool LoadAnimationSet(ID3DXFileData* data, AnimasionSet* set, ReadBudget* budget) {
    char name[64];
    NameOf(data, name, sizeof name);
    set->SetName(name);
    return d3dx::ForEachChild(data, [&](ID3DXFileData* child) {
        if (budget && !budget->Take(1, 0)) return false;
        if (TypeOf(child) != TID_D3DRMAnimation) return true;
        auto* animation = new (std::nothrow) CAnimation;
        if (!animation) {
            Kestra::LogRed("メモリの確保に失敗");
            Kestra::LogNewLine();
            return false;
        }
        set->AddChild(animation);
        return LoadAnimation(child, animation, set, budget);
    });
}

bool LoadAnimation(ID3DXFileData* data, CAnimation* animation, AnimasionSet* set, ReadBudget* budget) {
    uint32_t largest = 0;
    const bool read = d3dx::ForEachChild(data, [&](ID3DXFileData* raw) {
        if (budget && !budget->Take(1, 0)) return false;
        const GUID type = TypeOf(raw);
        // The target is the frame the animation refers to; named keys are no target.
        if (raw->IsReference() || type == TID_D3DRMFrame) {
            char target[260];
            NameOf(raw, target, sizeof target);
            animation->SetName(target);
            return true;
        }
        if (type != TID_D3DRMAnimationKey) return true;
        // The keys are taken before one is read: their values, and their count.
        if (budget && !budget->Take(0, ReadBudget::ValuesOf(raw), KeyCount(raw))) return false;
        uint32_t keyType = 0;
        std::vector<FileKey> keys;
        if (!ReadKeys(raw, &keyType, &keys)) {
            if (keyType != 3) {  // type 3 is not read, and says so by itself
                char name[64];
                NameOf(raw, name, sizeof name);
                Kestra::LogRed("AnimationKey [ %s ] : bad key data, skipped", name);
                Kestra::LogNewLine();
            }
            return true;
        }
        for (const FileKey& k : keys) largest = std::max(largest, k.time);
        if (keyType == 1 || keyType == 2) {
            const CAnimation::Table first = keyType == 1 ? CAnimation::kScaleX : CAnimation::kPosX;
            for (int c = 0; c < 3; ++c) animation->SetTable(CAnimation::Table(first + c), Table(keys, c));
            return true;
        }
        D3DXQUATERNION* q = Quaternions(keys.size());
        if (!q) {
            Kestra::LogRed("メモリの確保に失敗");
            Kestra::LogNewLine();
            return false;
        }
        for (size_t k = 0; k < keys.size(); ++k) {
            const float* v = keys[k].values;
            if (keyType == 0) {
                // File order w, x, y, z; stored as the inverse rotation the row-vector matrices want.
                q[k] = D3DXQUATERNION(-v[1], -v[2], -v[3], v[0]);
            } else {
                CVector3 position, scale;
                CMatrix rotation;
                CMatrix(v).Decompose(&position, &scale, &rotation);
                D3DXQuaternionRotationMatrix(&q[k], &rotation);
                std::memcpy(keys[k].values, &position.x, 12);
                std::memcpy(keys[k].values + 3, &scale.x, 12);
            }
        }
        q[keys.size()] = q[keys.size() - 1];
        animation->SetQuaternions(q, uint32_t(keys.size() + 1));
        animation->SetTable(CAnimation::kRotation, Table(keys, -1));
        if (keyType == 4) {
            for (int c = 0; c < 3; ++c) animation->SetTable(CAnimation::Table(CAnimation::kPosX + c), Table(keys, c));
            for (int c = 0; c < 3; ++c)
                animation->SetTable(CAnimation::Table(CAnimation::kScaleX + c), Table(keys, 3 + c));
        }
        return true;
    });
    if (!read) return false;
    set->SetLength(largest);
    return true;
}

}  // namespace LibModel
