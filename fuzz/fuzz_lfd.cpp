// Any bytes as an LFD font file: the reader's checks, every character code looked
// up the way the font sprites look glyphs up, the input laid out as text with the
// glyph rectangles read, and a writer round trip of whatever was accepted.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/core/KestraShiftJis.h"
#include "engine/graphics/KestraLfd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The file image as the file system hands it out: exactly size bytes.
    std::vector<uint8_t> image(data, data + size);
    KestraLfd::View view{};
    if (!KestraLfd::Parse(image.data(), image.size(), &view)) return 0;
    const KestraLfd::Header& h = view.header;
    std::vector<uint16_t> map(KestraLfd::kMapSize);
    for (uint32_t i = 0; i < KestraLfd::kMapSize; ++i) map[i] = KestraLfd::ReadMapEntry(view, i);
    // Exactly glyphCount records, as the atlas allocates them.
    auto* records = static_cast<KestraLfd::GlyphRecord*>(
        std::malloc(sizeof(KestraLfd::GlyphRecord) * (h.glyphCount ? h.glyphCount : 1)));
    for (uint32_t g = 0; g < h.glyphCount; ++g)
        records[g] = KestraLfd::ReadRecord(view.records + size_t(g) * KestraLfd::kRecordSize);
    std::vector<std::string> names;
    for (uint32_t s = 0; s < h.sheetCount; ++s) {
        names.push_back(KestraLfd::ReadSheetName(view, s));
        if (names.back().size() > KestraLfd::kNameSize) std::abort();
    }

    uint64_t sum = 0;
    for (uint32_t code = 0; code <= 0xFFFF; ++code) {
        const KestraLfd::GlyphRecord* r =
            KestraLfd::FindGlyph(map.data(), records, h.glyphCount, h.sheetCount, static_cast<uint16_t>(code));
        if (!r) continue;
        if (r < records || r >= records + h.glyphCount || r->sheet >= h.sheetCount) std::abort();
        sum += r->x2 - r->x1 + r->y2 - r->y1;
    }
    // The input's tail as text, walked as DrawString walks it.
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    float pen = 0;
    for (const char* p = text.data() + (size > 64 ? size - 64 : 0); *p;) {
        uint16_t code = 0;
        p += Kestra::GetChar(p, &code);
        const KestraLfd::GlyphRecord* r = KestraLfd::FindGlyph(map.data(), records, h.glyphCount, h.sheetCount, code);
        pen += r ? static_cast<float>(r->left + r->width) : static_cast<float>(h.fontSize);
    }

    // What was accepted writes back to an image the reader accepts again, when
    // its entries all point inside the file.
    std::vector<uint8_t> out;
    if (KestraLfd::Write(h, map.data(), names, records, &out)) {
        KestraLfd::View again{};
        if (!KestraLfd::Parse(out.data(), out.size(), &again)) std::abort();
        if (std::memcmp(&again.header, &h, sizeof(h)) != 0) std::abort();
    }
    std::free(records);
    return static_cast<int>(sum & 0) + static_cast<int>(pen * 0);
}
