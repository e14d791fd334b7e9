// Where the generated set lies (the test fixture writes it once) and small
// readers shared by the demo data tests.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace demodatatest {

inline std::string DataDir() { return std::string(QUENRITH_DEMODATA_DIR) + "/data"; }
// The map grids the set's backgrounds were painted with.
inline std::string StageDataDir() { return QUENRITH_STAGEDATA_DIR; }
inline std::string ContactSheet() { return std::string(QUENRITH_DEMODATA_DIR) + "/contact.png"; }

inline bool ReadAll(const std::string& path, std::vector<uint8_t>* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

}  // namespace demodatatest
