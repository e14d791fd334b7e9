// Recorded digests: a 64-bit FNV-1a hash of a deterministic output, checked
// against its "KEY HASH" line in a records file of the source tree.
#pragma once

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>

#include "tests/support/test_support.h"

namespace records {

struct Fnv {
    uint64_t h = 0xcbf29ce484222325ull;
    void Bytes(const void* p, size_t n) {
        for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<const uint8_t*>(p)[i]) * 0x100000001b3ull;
    }
    template <typename... T>
    void Add(const T&... v) {
        (Bytes(&v, sizeof v), ...);
    }
    void Text(const std::string& s) { Bytes(s.c_str(), s.size() + 1); }
    // Floats computed through libm, to six digits.
    void Floats(const float* f, size_t n) {
        char s[32];
        for (size_t i = 0; i < n; ++i)
            Bytes(s, size_t(f[i] != f[i] ? std::snprintf(s, sizeof s, "nan ")
                                          : std::snprintf(s, sizeof s, "%.6g ", double(f[i]))));
    }
};

// "" when FILE (relative to the source tree) records `hash` for KEY, and ROW
// (a readable summary kept after the hash) when given, else the line to record
// if the change is meant.
inline std::string Check(const std::string& file, const std::string& key, uint64_t hash, std::string row = "") {
    char digits[20];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    row.erase(row.find_last_not_of('\n') + 1);
    const std::string line = key + ' ' + digits + (row.empty() ? "" : ' ' + row);
    std::istringstream in(testsupport::ReadFile(testsupport::SourceDir() + "/" + file));
    std::string recorded = "(none)";
    for (std::string l; std::getline(in, l);)
        if (l.compare(0, key.size() + 1, key + ' ') == 0) recorded = l;
    if (recorded == line) return "";
    return key + " differs from its record in " + file + ":\n  recorded: " + recorded + "\n  this run: " + line +
           "\nif the change is meant, record this run's line";
}

}  // namespace records
