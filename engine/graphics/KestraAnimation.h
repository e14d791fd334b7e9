// The engine's key tables: sorted (time, value) keys evaluated at any time by
// step, linear, polynomial or Hermite interpolation. A table is named by its
// index; kNone (-1) names none.
#pragma once

#include <cstdint>

namespace KestraAnimation {

constexpr uint32_t kNone = 0xFFFFFFFFu;
constexpr uint32_t kTableCount = 65536;
// The polynomial mode's coefficients cost the square of a table's keys once, and
// each evaluation all its keys (and a polynomial through more keys is lost in
// f32 anyway): a longer table answers the default in that mode.
constexpr uint32_t kMaxPolynomialKeys = 1024;

enum Mode : uint32_t { kStep = 0, kLinear = 1, kPolynomial = 2, kHermite = 3 };

struct Key {
    float time;
    float value;
    uint8_t inGiven;
    uint8_t outGiven;
    float inTangent;
    float outTangent;
    Key* prev;  // a ring: the first key's previous is the last
    Key* next;
};

// Declared with the other modules' start and finish (KestraManagers.h).
bool Initialize();
void Finalize();

// The lowest free table with n zeroed keys; kNone when none is free or n is 0.
uint32_t Create(uint32_t n);
// Writes key (number mod n). Keys are expected in increasing time order.
void SetKey(uint32_t handle, uint32_t number, float time, float value, uint8_t inGiven, uint8_t outGiven,
            float inTangent, float outTangent);
bool Release(uint32_t handle);
void ReleaseChecked(uint32_t handle);
// A key k with time(k) <= t <= time(k + 1), the first or last key outside them.
Key* FindKey(Key* keys, float time, uint32_t n);
// The default for no table, an unknown mode, or the polynomial mode past kMaxPolynomialKeys.
float Evaluate(uint32_t handle, float time, uint32_t mode, float defaultValue);

// For tests: the number of keys of a table in use, 0 otherwise.
uint32_t GetKeyCount(uint32_t handle);

// The module's own table setup, called from Initialize and Finalize.
bool CreateTables();
void ReleaseTables();

}  // namespace KestraAnimation
