// Where the generated set lies (the test fixture writes it once) and small
// readers shared by the demo data tests.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/graphics/KestraLfd.h"

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

// A generated LFD font: its header, map and glyph records.
struct Font {
    std::vector<uint8_t> bytes;
    KestraLfd::View view{};
    std::vector<uint16_t> map;
    std::vector<KestraLfd::GlyphRecord> records;

    bool Load(const std::string& name) {
        if (!ReadAll(DataDir() + "/" + name, &bytes) || !KestraLfd::Parse(bytes.data(), bytes.size(), &view)) return false;
        for (uint32_t i = 0; i < KestraLfd::kMapSize; ++i) map.push_back(KestraLfd::ReadMapEntry(view, i));
        for (uint32_t i = 0; i < view.header.glyphCount; ++i)
            records.push_back(KestraLfd::ReadRecord(view.records + i * KestraLfd::kRecordSize));
        return true;
    }
    bool Has(uint16_t code) const {
        return KestraLfd::FindGlyph(map.data(), records.data(), view.header.glyphCount, view.header.sheetCount, code) != nullptr;
    }
};

}  // namespace demodatatest
