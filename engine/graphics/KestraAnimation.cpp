// Key tables and their four interpolation modes.
#include "engine/graphics/KestraAnimation.h"

#include <cmath>
#include <cstring>

#include "engine/core/KestraLog.h"

namespace KestraAnimation {
namespace {

struct Table {
    uint8_t inUse;
    uint8_t coefficientsStale;  // the polynomial's coefficients follow the keys lazily
    float* a;  // Newton coefficients of the polynomial through every key
    float* b;  // allocated with a, never read
    Key* keys;
    uint32_t count;
    float firstTime;
    float lastTime;
};

Table* g_tables = nullptr;
uint32_t g_lowestFree = 0;  // no table below it is free

Table* Get(uint32_t handle) {
    if (!g_tables || handle >= kTableCount || !g_tables[handle].inUse) return nullptr;
    return &g_tables[handle];
}

// Divided differences; a repeated time contributes nothing instead of dividing by zero.
void UpdateCoefficients(Table& t) {
    const uint32_t n = t.count;
    for (uint32_t i = 0; i < n; ++i) t.a[i] = t.keys[i].value;
    for (uint32_t level = 1; level < n; ++level)
        for (uint32_t i = n - 1; i >= level; --i) {
            const float dt = t.keys[i].time - t.keys[i - level].time;
            t.a[i] = dt != 0.0f ? (t.a[i] - t.a[i - 1]) / dt : 0.0f;
        }
    t.coefficientsStale = 0;
}

}  // namespace

bool CreateTables() {
    if (g_tables) return true;
    g_tables = static_cast<Table*>(Kestra::MemoryAlloc(uint32_t(sizeof(Table) * kTableCount)));
    if (g_tables) std::memset(g_tables, 0, sizeof(Table) * kTableCount);
    return g_tables != nullptr;
}

void ReleaseTables() {
    if (!g_tables) return;
    for (uint32_t i = 0; i < kTableCount; ++i) Release(i);
    Kestra::MemoryFree(g_tables);
    g_tables = nullptr;
    g_lowestFree = 0;
}

uint32_t Create(uint32_t n) {
    if (!g_tables || n == 0) return kNone;
    for (uint32_t i = g_lowestFree; i < kTableCount; ++i) {
        Table& t = g_tables[i];
        if (t.inUse) continue;
        g_lowestFree = i;
        t.keys = static_cast<Key*>(Kestra::MemoryAlloc(uint32_t(sizeof(Key) * n)));
        t.a = static_cast<float*>(Kestra::MemoryAlloc(uint32_t(sizeof(float) * n)));
        t.b = static_cast<float*>(Kestra::MemoryAlloc(uint32_t(sizeof(float) * n)));
        if (!t.keys || !t.a || !t.b) {
            Kestra::MemoryFree(t.keys);
            Kestra::MemoryFree(t.a);
            Kestra::MemoryFree(t.b);
            std::memset(&t, 0, sizeof t);
            return kNone;
        }
        std::memset(t.keys, 0, sizeof(Key) * n);
        std::memset(t.a, 0, sizeof(float) * n);
        std::memset(t.b, 0, sizeof(float) * n);
        for (uint32_t k = 0; k < n; ++k) {
            t.keys[k].next = &t.keys[(k + 1) % n];
            t.keys[k].prev = &t.keys[(k + n - 1) % n];
        }
        t.inUse = 1;
        t.count = n;
        t.coefficientsStale = 1;
        g_lowestFree = i + 1;
        return i;
    }
    return kNone;
}

void SetKey(uint32_t handle, uint32_t number, float time, float value, uint8_t inGiven, uint8_t outGiven,
            float inTangent, float outTangent) {
    Table* t = Get(handle);
    if (!t) return;
    Key& k = t->keys[number % t->count];
    k.time = time;
    k.value = value;
    k.inGiven = inGiven;
    k.outGiven = outGiven;
    k.inTangent = inTangent;
    k.outTangent = outTangent;
    t->firstTime = t->keys[0].time;
    t->lastTime = t->keys[t->count - 1].time;
    t->coefficientsStale = 1;
}

bool Release(uint32_t handle) {
    Table* t = Get(handle);
    if (!t) return false;
    Kestra::MemoryFree(t->keys);
    Kestra::MemoryFree(t->a);
    Kestra::MemoryFree(t->b);
    std::memset(t, 0, sizeof *t);
    if (handle < g_lowestFree) g_lowestFree = handle;
    return true;
}

void ReleaseChecked(uint32_t handle) {
    if (handle != kNone && Get(handle)) Release(handle);
}

uint32_t GetKeyCount(uint32_t handle) {
    const Table* t = Get(handle);
    return t ? t->count : 0;
}

Key* FindKey(Key* keys, float time, uint32_t n) {
    if (!keys || n == 0) return nullptr;
    if (time <= keys[0].time) return &keys[0];
    if (!(time < keys[n - 1].time)) return &keys[n - 1];
    int64_t lo = 0, hi = int64_t(n) - 1;
    while (lo <= hi) {
        const int64_t mid = lo + (hi - lo) / 2;
        if (time < keys[mid].time) {
            hi = mid - 1;
        } else {
            lo = mid + 1;
            if (time <= keys[lo].time) return &keys[mid];
        }
    }
    return nullptr;
}

float Evaluate(uint32_t handle, float time, uint32_t mode, float defaultValue) {
    Table* t = Get(handle);
    if (!t) return defaultValue;
    const uint32_t n = t->count;
    Key* keys = t->keys;
    if (time <= 0.0f) return keys[0].value;
    if (!(time < t->lastTime)) return keys[n - 1].value;
    Key* k = FindKey(keys, time, n);
    if (!k) return defaultValue;
    if (k == &keys[n - 1]) return k->value;  // the ring's wrap is no segment
    const Key* next = k->next;
    const float y0 = k->value, y1 = next->value, t0 = k->time, t1 = next->time;
    float s = 0.0f;
    // A repeated time is a segment of no length: it holds its first value.
    if (y0 != y1 && t1 > t0) s = (time - t0) / (t1 - t0);
    switch (mode) {
        case kStep: return y0;
        case kLinear: return (y1 - y0) * s + y0;
        case kPolynomial: {
            if (n > kMaxPolynomialKeys) return defaultValue;
            if (t->coefficientsStale) UpdateCoefficients(*t);
            float p = t->a[n - 1];
            for (int64_t i = int64_t(n) - 2; i >= 0; --i) p = p * (time - keys[i].time) + t->a[i];
            return p;
        }
        case kHermite: {
            // The first key has no key before it and the last none after it: there the
            // tangent is the segment's own slope, never the ring's other end.
            float m0 = y1 - y0;
            if (k->outGiven) {
                m0 = k->outTangent;
            } else if (k != &keys[0] && t1 > k->prev->time) {
                m0 = ((t1 - t0) / (t1 - k->prev->time)) * (y1 - k->prev->value);
            }
            float m1 = y1 - y0;
            if (next->inGiven) {
                m1 = next->inTangent;
            } else if (next != &keys[n - 1] && next->next->time > t0) {
                m1 = ((t1 - t0) / (next->next->time - t0)) * (next->next->value - y0);
            }
            const float s2 = s * s, s3 = s2 * s;
            const float h01 = 3.0f * s2 - 2.0f * s3;
            const float h00 = 1.0f - h01;
            const float h10 = s3 - 2.0f * s2 + s;
            const float h11 = s3 - s2;
            return h00 * y0 + h10 * m0 + h01 * y1 + h11 * m1;
        }
        default: return defaultValue;
    }
}

}  // namespace KestraAnimation
