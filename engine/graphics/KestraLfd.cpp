#include "engine/graphics/KestraLfd.h"

#include <cstring>

namespace KestraLfd {

namespace {

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

char Lower(uint8_t c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c); }

}  // namespace

uint16_t GetCharIndex(uint16_t code) {
    if (code <= 0xFF) return code;
    if (static_cast<uint16_t>(code - 0x8041) <= 8126) return static_cast<uint16_t>(code - 0x8041);
    if (static_cast<uint16_t>(code - 0xC082) <= 11901) return static_cast<uint16_t>(code - 0xC082);
    if (static_cast<uint16_t>(code - 0xCA23) <= 12843) return static_cast<uint16_t>(code - 0xCA23);
    return kNoGlyph;
}

bool Parse(const uint8_t* data, size_t size, View* out) {
    if (!data || size < kNamesOffset) return false;
    // The magic is a NUL-terminated text compared without regard to case.
    const char magic[4] = {'l', 'f', 'd', '\0'};
    for (int i = 0; i < 4; ++i)
        if (Lower(data[i]) != magic[i]) return false;
    Header h;
    h.fontSize = data[4];
    h.sheetCount = data[5];
    h.sheetWidth = ReadU16(data + 6);
    h.sheetHeight = ReadU16(data + 8);
    h.glyphCount = ReadU16(data + 10);
    if (h.fontSize == 0 || h.sheetCount > kMaxSheets) return false;
    const size_t needed = size_t(kNamesOffset) + size_t(h.sheetCount) * kNameSize + size_t(h.glyphCount) * kRecordSize;
    if (size < needed) return false;
    if (out) {
        out->header = h;
        out->map = data + kHeaderSize;
        out->names = data + kNamesOffset;
        out->records = out->names + size_t(h.sheetCount) * kNameSize;
    }
    return true;
}

uint16_t ReadMapEntry(const View& view, uint32_t index) {
    return index < kMapSize ? ReadU16(view.map + size_t(index) * 2) : kNoGlyph;
}

GlyphRecord ReadRecord(const uint8_t* p) {
    GlyphRecord r;
    r.sheet = p[0];
    r.left = p[1];
    r.width = p[2];
    r.right = p[3];
    r.x1 = ReadU16(p + 4);
    r.y1 = ReadU16(p + 6);
    r.x2 = ReadU16(p + 8);
    r.y2 = ReadU16(p + 10);
    return r;
}

void WriteRecord(const GlyphRecord& r, uint8_t* p) {
    p[0] = r.sheet;
    p[1] = r.left;
    p[2] = r.width;
    p[3] = r.right;
    PutU16(p + 4, r.x1);
    PutU16(p + 6, r.y1);
    PutU16(p + 8, r.x2);
    PutU16(p + 10, r.y2);
}

std::string ReadSheetName(const View& view, uint32_t sheet) {
    if (sheet >= view.header.sheetCount) return std::string();
    const char* name = reinterpret_cast<const char*>(view.names + size_t(sheet) * kNameSize);
    size_t n = 0;
    while (n < kNameSize && name[n]) ++n;
    return std::string(name, n);
}

const GlyphRecord* FindGlyph(const uint16_t* map, const GlyphRecord* records, uint32_t glyphCount,
                             uint32_t sheetCount, uint16_t code) {
    if (!map || !records) return nullptr;
    const uint16_t index = GetCharIndex(code);
    if (index == kNoGlyph) return nullptr;
    const uint16_t glyph = map[index];
    if (glyph == kNoGlyph || glyph >= glyphCount) return nullptr;
    const GlyphRecord* record = records + glyph;
    if (record->sheet >= sheetCount || record->sheet >= kMaxSheets) return nullptr;
    return record;
}

bool Write(const Header& header, const uint16_t* map, const std::vector<std::string>& sheetNames,
           const GlyphRecord* records, std::vector<uint8_t>* out) {
    if (!map || !out || header.fontSize == 0 || sheetNames.size() != header.sheetCount ||
        header.sheetCount > kMaxSheets || (header.glyphCount && !records))
        return false;
    for (const std::string& name : sheetNames)
        if (name.size() > kNameSize || name.find('\0') != std::string::npos) return false;
    for (uint32_t i = 0; i < kMapSize; ++i)
        if (map[i] != kNoGlyph && map[i] >= header.glyphCount) return false;
    for (uint32_t g = 0; g < header.glyphCount; ++g)
        if (records[g].sheet != kNoSheet && records[g].sheet >= header.sheetCount) return false;

    std::vector<uint8_t>& o = *out;
    o.assign(size_t(kNamesOffset) + size_t(header.sheetCount) * kNameSize + size_t(header.glyphCount) * kRecordSize,
             0);
    std::memcpy(o.data(), "LFD", 4);
    o[4] = header.fontSize;
    o[5] = header.sheetCount;
    PutU16(&o[6], header.sheetWidth);
    PutU16(&o[8], header.sheetHeight);
    PutU16(&o[10], header.glyphCount);
    for (uint32_t i = 0; i < kMapSize; ++i) PutU16(&o[kHeaderSize + size_t(i) * 2], map[i]);
    uint8_t* names = &o[kNamesOffset];
    for (size_t s = 0; s < sheetNames.size(); ++s)
        std::memcpy(names + s * kNameSize, sheetNames[s].data(), sheetNames[s].size());
    uint8_t* recs = names + size_t(header.sheetCount) * kNameSize;
    for (uint32_t g = 0; g < header.glyphCount; ++g) WriteRecord(records[g], recs + size_t(g) * kRecordSize);
    return true;
}

}  // namespace KestraLfd
