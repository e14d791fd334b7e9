// The LFD font file and the character index its map is kept under. The glyph
// atlas reads it, the font builder writes it; both go through these functions so
// that one set of bounds checks guards every byte a file can name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace KestraLfd {

constexpr uint32_t kMapSize = 12844;     // character indices
constexpr uint32_t kMaxSheets = 32;
constexpr uint32_t kNameSize = 32;       // NUL-padded; a name may fill it
constexpr uint32_t kHeaderSize = 12;
constexpr uint32_t kNamesOffset = kHeaderSize + kMapSize * 2;  // 25700
constexpr uint32_t kRecordSize = 12;
constexpr uint16_t kNoGlyph = 0xFFFF;
constexpr uint8_t kNoSheet = 255;

// One glyph: where its cell lies on which sheet, and its bearings. The same
// fields, little-endian, are a record of the file.
struct GlyphRecord {
    uint8_t sheet;   // kNoSheet in a record that holds no glyph
    uint8_t left;    // left bearing, truncated to 8 bits
    uint8_t width;   // cell width
    uint8_t right;   // right bearing, truncated to 8 bits
    uint16_t x1, y1, x2, y2;
};
static_assert(sizeof(GlyphRecord) == kRecordSize);

// The map index of a one-byte code or of a Shift-JIS pair (lead * 256 + trail);
// kNoGlyph when the code has none. Four ranges in 16-bit arithmetic; their
// overlaps (0xFF and 0x8140 share 255, 0x9FFF and 0xE040 share 8126, ...) are
// part of the file format.
uint16_t GetCharIndex(uint16_t code);

struct Header {
    uint8_t fontSize;
    uint8_t sheetCount;
    uint16_t sheetWidth;
    uint16_t sheetHeight;
    uint16_t glyphCount;
};

// A checked view into a file image: the header and where its parts start. Every
// part lies inside the image.
struct View {
    Header header;
    const uint8_t* map;      // kMapSize little-endian u16
    const uint8_t* names;    // sheetCount x kNameSize
    const uint8_t* records;  // glyphCount x kRecordSize
};

// Checks a whole file image: the magic ("LFD", letter case ignored), a non-zero
// font size, at most kMaxSheets sheets, and enough bytes for the map, the names
// and the records the header announces. False refuses the file. Map entries and
// record sheet numbers are not checked here: a glyph that points outside the file
// is treated as missing where it is looked up.
bool Parse(const uint8_t* data, size_t size, View* out);

uint16_t ReadMapEntry(const View& view, uint32_t index);
GlyphRecord ReadRecord(const uint8_t* bytes);
void WriteRecord(const GlyphRecord& record, uint8_t* bytes);
// The sheet's name, at most kNameSize bytes (no padding).
std::string ReadSheetName(const View& view, uint32_t sheet);

// The record of a character code, or null when it has no usable glyph: no index,
// no map entry, a map entry at or past glyphCount, or a record whose sheet is not
// below sheetCount. map holds kMapSize entries.
const GlyphRecord* FindGlyph(const uint16_t* map, const GlyphRecord* records, uint32_t glyphCount,
                             uint32_t sheetCount, uint16_t code);

// The file image of an atlas. False when the counts do not fit the format (more
// than kMaxSheets names, a name longer than kNameSize, a size or count over 8 or
// 16 bits, or a record or map entry that points outside the file).
bool Write(const Header& header, const uint16_t* map, const std::vector<std::string>& sheetNames,
           const GlyphRecord* records, std::vector<uint8_t>* out);

}  // namespace KestraLfd
