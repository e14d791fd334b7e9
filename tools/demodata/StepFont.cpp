// The full-width forms and the digits of a font kestra-font wrote, drawn again
// to fill the step the game lays them at.
#include "tools/demodata/StepFont.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/graphics/KestraLfd.h"
#include "platform/d3dx9/image_decode.h"
#include "platform/d3dx9/image_encode.h"

namespace fs = std::filesystem;

namespace demodata {

namespace {

// The Shift-JIS code of the full-width form of an ASCII character; 0 when code
// page 932 has none.
uint16_t FullWidthCode(char ascii) {
    static iconv_t cd = iconv_open("CP932", "UTF-32LE");
    const uint32_t wide = 0xFF01u + uint32_t(uint8_t(ascii) - 0x21);
    char in[4] = {char(wide), char(wide >> 8), char(wide >> 16), char(wide >> 24)}, out[4];
    char* ip = in;
    char* op = out;
    size_t il = 4, ol = 4;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (cd == reinterpret_cast<iconv_t>(-1) || iconv(cd, &ip, &il, &op, &ol) == size_t(-1) || ol != 2) return 0;
    return uint16_t(uint8_t(out[0]) << 8 | uint8_t(out[1]));
}

bool Fail(std::string* error, const std::string& what) {
    *error = what;
    return false;
}

}  // namespace

bool FillStepForms(const std::string& lfdPath, const TextStyle& style, TextPainter& text, std::string* error) {
    std::ifstream in(lfdPath, std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    KestraLfd::View view{};
    if (!KestraLfd::Parse(file.data(), file.size(), &view)) return Fail(error, "cannot read " + lfdPath);
    KestraLfd::Header header = view.header;
    std::vector<uint16_t> map(KestraLfd::kMapSize);
    for (uint32_t i = 0; i < KestraLfd::kMapSize; ++i) map[i] = KestraLfd::ReadMapEntry(view, i);
    std::vector<KestraLfd::GlyphRecord> records;
    for (uint32_t g = 0; g < header.glyphCount; ++g) records.push_back(KestraLfd::ReadRecord(view.records + g * KestraLfd::kRecordSize));
    std::vector<std::string> names;
    for (uint32_t s = 0; s < header.sheetCount; ++s) names.push_back(KestraLfd::ReadSheetName(view, s));
    if (names.empty() || names[0].size() < 2 || header.sheetCount >= KestraLfd::kMaxSheets)
        return Fail(error, lfdPath + " has no room for another sheet");

    // Every form in the step's letters' face, which gives names, scores and
    // dates one weight; their capitals and digits at the height and on the
    // baseline of the font's own (half-width) ones, so that a name, a score
    // and a date on one row read as one line.
    const int step = header.fontSize, cell = step + 2;
    const std::string capitals = "ABCDEFGHIJKLMNOPRSTUVWXYZ", digits = "0123456789";  // Q's tail hangs below the line
    // The line as the font's own sheet draws it: the rows of its capitals'
    // and digits' fill in their cells.
    std::ifstream sheetIn(fs::path(lfdPath).parent_path() / (fs::path(names[0]).filename().string() + ".tga"), std::ios::binary);
    const std::vector<uint8_t> sheetBytes((std::istreambuf_iterator<char>(sheetIn)), std::istreambuf_iterator<char>());
    d3dx9img::Image drawn;
    if (d3dx9img::DecodeImage(sheetBytes.data(), sheetBytes.size(), &drawn) != d3dx9img::DecodeStatus::kOk)
        return Fail(error, "cannot read " + names[0] + ".tga");
    int top = 1 << 16, foot = -(1 << 16);
    for (char c : capitals + digits) {
        const uint16_t index = KestraLfd::GetCharIndex(uint8_t(c));
        if (index == KestraLfd::kNoGlyph || map[index] >= records.size() || records[map[index]].sheet != 0) continue;
        const KestraLfd::GlyphRecord& r = records[map[index]];
        for (uint32_t y = r.y1; y < r.y2 && y < drawn.height; ++y)
            for (uint32_t x = r.x1; x < r.x2 && x < drawn.width; ++x) {
                const uint32_t p = drawn.pixels[y * drawn.width + x];
                if (p >> 24 >= 128 && (p & 0xFF) >= 128) top = std::min(top, int(y - r.y1)), foot = std::max(foot, int(y - r.y1) + 1);
            }
    }
    if (foot <= top) return Fail(error, lfdPath + ": its own capitals and digits have no ink");
    const InkBox line{0, top, 0, foot - top};
    // Widened, the full-width forms' stems grow: drawn a weight lighter, they
    // stand as heavy as the half-width digits, narrowed.
    const auto face = [&](bool full) {
        TextStyle f = style;
        f.face = kStepLetters;
        f.bold = style.bold && !full;
        return f;
    };
    // The full-width letters and marks, the full-width digits, and the
    // half-width digits (a score, a rank's number, a count) in the same face,
    // each set fitted to its step on its own and each glyph widened towards it.
    struct Set {
        std::string chars, sizedBy;
        bool full;
        InkFit fit;
    } sets[3] = {{"", capitals, true, {}}, {digits, digits, true, {}}, {digits, digits, false, {}}};
    for (char c = 0x21; c < 0x7F; ++c)
        if (!std::isdigit(uint8_t(c))) sets[0].chars += c;
    const auto room = [&](const Set& set) { return (set.full ? step : step / 2) - 2 * style.outlineWidth; };
    for (Set& set : sets) {
        std::vector<std::string> texts;
        for (char c : set.sizedBy) texts.push_back(std::string(1, c));
        set.fit = text.FitInk(texts, face(set.full), line.h, room(set), kFillWidth | kOneLine);
    }

    // Only as many rows of the sheet as the forms take, a power of two tall.
    const int perRow = header.sheetWidth / step;
    int rows = 0;
    for (const Set& set : sets) rows += int(set.chars.size());
    rows = (rows + perRow - 1) / perRow;
    int height = 1;
    while (height < rows * cell) height *= 2;
    Canvas sheet(header.sheetWidth, height);
    int placed = 0;
    for (const Set& set : sets)
        for (char c : set.chars) {
            const uint16_t code = set.full ? FullWidthCode(c) : uint16_t(uint8_t(c));
            const uint16_t index = code ? KestraLfd::GetCharIndex(code) : KestraLfd::kNoGlyph;
            if (index == KestraLfd::kNoGlyph || map[index] == KestraLfd::kNoGlyph) continue;
            const int x = placed % perRow * step, y = placed / perRow * cell, w = set.full ? step : step / 2;
            const std::string glyph(1, c);
            sheet.SetClip({x, y, w, cell});
            text.DrawInk(sheet, glyph, {x, y + line.y, w, line.h}, face(set.full), text.FitOne(glyph, face(set.full), set.fit, room(set)));
            sheet.ResetClip();
            map[index] = uint16_t(records.size());
            records.push_back({uint8_t(header.sheetCount), 0, uint8_t(w), 0, uint16_t(x), uint16_t(y), uint16_t(x + w), uint16_t(y + cell)});
            ++placed;
        }
    names.push_back(names[0].substr(0, names[0].size() - 2) + (header.sheetCount < 10 ? "0" : "") + std::to_string(header.sheetCount));
    header.sheetCount += 1;
    header.glyphCount = uint16_t(records.size());

    d3dx9img::Image image;
    image.width = uint32_t(sheet.width());
    image.height = uint32_t(sheet.height());
    image.pixels = sheet.pixels();
    std::vector<uint8_t> tga, lfd;
    if (!d3dx9img::EncodeTga(image, true, &tga) || !KestraLfd::Write(header, map.data(), names, records.data(), &lfd))
        return Fail(error, lfdPath + ": the full-width forms could not be written");
    const fs::path folder = fs::path(lfdPath).parent_path();
    for (const auto& [path, bytes] : {std::pair{folder / (fs::path(names.back()).filename().string() + ".tga"), &tga}, std::pair{fs::path(lfdPath), &lfd}}) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes->data()), std::streamsize(bytes->size()));
        if (!out) return Fail(error, "cannot write " + path.string());
    }
    return true;
}

}  // namespace demodata
