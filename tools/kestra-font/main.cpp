// kestra-font [options] OUTPUT.lfd
// Renders a character list at a pixel size with a GDI font through the engine's
// own font and glyph-atlas code, and writes the atlas as an LFD file with one
// 32-bit TGA image per sheet beside it ("<name>_<n>.tga", the names the LFD
// records). The game loads the result with the sheet extension ".tga".
//
// Options:
//   --size N          pixel size (cell height) of the font, 1 to 253 (default 24)
//   --face NAME       face name, UTF-8 (default "ＭＳ ゴシック")
//   --sheet-size N    largest sheet side, a power of two from 16 to 8192 (default 1024)
//   --lists LIST      comma-separated standard lists: ascii, kana, nonkanji, kanji1,
//                     or none (default: all four)
//   --extra FILE      more characters, from a UTF-8 text file (line breaks ignored)
//   --name PREFIX     sheet name prefix (default: OUTPUT's name without extension);
//                     may carry a folder, as the game resolves it
//   --mono            one-bit glyphs instead of 65 grey levels
//   --bold, --italic  font style
//   --outline         a black edge one pixel wide around every glyph, inside
//                     its cell, so that light text reads over light ground
//
// The device runs on the Direct3D stand-in's null backend: the sheets are managed
// textures whose pixels are read back with Lock, so no display is needed.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/core/Kestra.h"
#include "engine/core/KestraShiftJis.h"
#include "engine/graphics/CFont.h"
#include "engine/graphics/CFontSprite2D.h"
#include "engine/graphics/CTexture.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraFont.h"
#include "engine/graphics/KestraFontSprite2D.h"
#include "engine/graphics/KestraLfd.h"
#include "engine/graphics/KestraSprite2D.h"
#include "engine/graphics/KestraTexture.h"
#include "platform/d3d9/d3d9test.h"
#include "platform/win32/cp932.h"

namespace fs = std::filesystem;

namespace {

struct Options {
    int size = 24;
    std::string faceUtf8 = "\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF";  // ＭＳ ゴシック
    uint32_t sheetSize = 1024;
    bool ascii = true, kana = true, nonKanji = true, kanji1 = true;
    std::string extraFile;
    std::string prefix;
    bool smooth = true;
    bool bold = false;
    bool italic = false;
    bool outline = false;
    std::string output;
};

int Usage() {
    std::fprintf(stderr,
                 "usage: kestra-font [--size N] [--face NAME] [--sheet-size N] [--lists ascii,kana,nonkanji,kanji1]\n"
                 "                   [--extra FILE] [--name PREFIX] [--mono] [--bold] [--italic] [--outline] OUTPUT.lfd\n");
    return 2;
}

// True when the two bytes are exactly one character of code page 932.
bool IsCp932Pair(uint8_t lead, uint8_t trail) {
    char32_t c;
    return platform::Cp932Character(std::string{static_cast<char>(lead), static_cast<char>(trail)}, c);
}

// The Shift-JIS pair of JIS X 0208 row r, cell c (both from 1).
void JisToSjis(int row, int cell, uint8_t* lead, uint8_t* trail) {
    int l = ((row + 1) >> 1) + 0x80;
    if (l >= 0xA0) l += 0x40;
    int t;
    if (row & 1) {
        t = cell + 0x3F;
        if (t >= 0x7F) ++t;
    } else {
        t = cell + 0x9E;
    }
    *lead = static_cast<uint8_t>(l);
    *trail = static_cast<uint8_t>(t);
}

void AddRows(std::string* list, int firstRow, int lastRow) {
    for (int row = firstRow; row <= lastRow; ++row)
        for (int cell = 1; cell <= 94; ++cell) {
            uint8_t lead, trail;
            JisToSjis(row, cell, &lead, &trail);
            if (IsCp932Pair(lead, trail)) {
                list->push_back(static_cast<char>(lead));
                list->push_back(static_cast<char>(trail));
            }
        }
}

// The Shift-JIS character list the options ask for.
bool BuildList(const Options& o, std::string* list) {
    if (o.ascii)
        for (int c = 0x20; c <= 0x7E; ++c) list->push_back(static_cast<char>(c));
    if (o.kana)
        for (int c = 0xA1; c <= 0xDF; ++c) list->push_back(static_cast<char>(c));
    if (o.nonKanji) AddRows(list, 1, 8);
    if (o.kanji1) AddRows(list, 16, 47);
    if (!o.extraFile.empty()) {
        std::ifstream in(o.extraFile, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "kestra-font: cannot read %s\n", o.extraFile.c_str());
            return false;
        }
        std::string utf8((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string cleaned;
        for (char c : utf8)
            if (c != '\n' && c != '\r') cleaned.push_back(c);
        std::string sjis;
        if (!platform::Utf8ToCp932Strict(cleaned, sjis)) {
            std::fprintf(stderr, "kestra-font: %s holds a character without a CP932 form\n", o.extraFile.c_str());
            return false;
        }
        list->append(sjis);
    }
    return true;
}

bool ParseOptions(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) return false;
            *out = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--size") {
            if (!value(&v)) return false;
            o->size = std::atoi(v.c_str());
            if (o->size < 1 || o->size > 253) return false;
        } else if (a == "--face") {
            if (!value(&o->faceUtf8)) return false;
        } else if (a == "--sheet-size") {
            if (!value(&v)) return false;
            const long n = std::strtol(v.c_str(), nullptr, 10);
            if (n < 16 || n > 8192 || (n & (n - 1))) return false;
            o->sheetSize = static_cast<uint32_t>(n);
        } else if (a == "--lists") {
            if (!value(&v)) return false;
            o->ascii = o->kana = o->nonKanji = o->kanji1 = false;
            size_t start = 0;
            while (start <= v.size()) {
                const size_t comma = v.find(',', start);
                const std::string item = v.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                if (item == "ascii") o->ascii = true;
                else if (item == "kana") o->kana = true;
                else if (item == "nonkanji") o->nonKanji = true;
                else if (item == "kanji1") o->kanji1 = true;
                else if (item != "none") return false;
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        } else if (a == "--extra") {
            if (!value(&o->extraFile)) return false;
        } else if (a == "--name") {
            if (!value(&o->prefix)) return false;
        } else if (a == "--mono") {
            o->smooth = false;
        } else if (a == "--bold") {
            o->bold = true;
        } else if (a == "--italic") {
            o->italic = true;
        } else if (a == "--outline") {
            o->outline = true;
        } else if (!a.empty() && a[0] == '-') {
            return false;
        } else if (o->output.empty()) {
            o->output = a;
        } else {
            return false;
        }
    }
    return !o->output.empty();
}

// A 32-bit uncompressed TGA, top row first, 8 alpha bits.
std::vector<uint8_t> EncodeTga(const std::vector<uint32_t>& pixels, uint32_t width, uint32_t height) {
    std::vector<uint8_t> o(18, 0);
    o[2] = 2;
    o[12] = static_cast<uint8_t>(width);
    o[13] = static_cast<uint8_t>(width >> 8);
    o[14] = static_cast<uint8_t>(height);
    o[15] = static_cast<uint8_t>(height >> 8);
    o[16] = 32;
    o[17] = 0x28;
    o.reserve(18 + pixels.size() * 4);
    for (uint32_t v : pixels) {
        o.push_back(static_cast<uint8_t>(v));
        o.push_back(static_cast<uint8_t>(v >> 8));
        o.push_back(static_cast<uint8_t>(v >> 16));
        o.push_back(static_cast<uint8_t>(v >> 24));
    }
    return o;
}

bool WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

// The sheet's pixels as A8R8G8B8 words, top row first.
bool ReadSheet(CTexture* sheet, uint32_t width, uint32_t height, std::vector<uint32_t>* pixels) {
    void* bits = nullptr;
    int32_t pitch = 0;
    uint32_t w = 0, h = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    if (!sheet || !sheet->Lock(nullptr, &bits, &pitch, &w, &h, &format)) return false;
    const bool ok = bits && w >= width && h >= height && (format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8);
    if (ok) {
        pixels->resize(size_t(width) * height);
        for (uint32_t y = 0; y < height; ++y)
            std::memcpy(pixels->data() + size_t(y) * width, static_cast<const uint8_t*>(bits) + ptrdiff_t(y) * pitch,
                        size_t(width) * 4);
    }
    sheet->Unlock();
    return ok;
}

// Puts every glyph of the sheet on a black edge as strong as the strongest ink
// beside it, within the glyph's cell: each pixel becomes its fill over that edge.
void Outline(std::vector<uint32_t>* pixels, uint32_t width, const KestraLfd::GlyphRecord* records, uint32_t count,
             uint32_t sheet) {
    for (uint32_t g = 0; g < count; ++g) {
        const KestraLfd::GlyphRecord& r = records[g];
        if (r.sheet != sheet) continue;
        const int w = r.x2 - r.x1, h = r.y2 - r.y1;
        std::vector<uint32_t> cell(size_t(w) * size_t(h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) cell[size_t(y) * size_t(w) + size_t(x)] = (*pixels)[size_t(r.y1 + y) * width + size_t(r.x1 + x)];
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint32_t edge = 0;
                for (int dy = std::max(0, y - 1); dy <= std::min(h - 1, y + 1); ++dy)
                    for (int dx = std::max(0, x - 1); dx <= std::min(w - 1, x + 1); ++dx)
                        edge = std::max(edge, cell[size_t(dy) * size_t(w) + size_t(dx)] >> 24);
                const uint32_t p = cell[size_t(y) * size_t(w) + size_t(x)], fill = p >> 24;
                const uint32_t alpha = fill + edge * (255 - fill) / 255;
                if (alpha == 0) continue;
                uint32_t out = alpha << 24;
                for (int shift = 0; shift < 24; shift += 8) out |= (((p >> shift) & 0xFF) * fill / alpha) << shift;
                (*pixels)[size_t(r.y1 + y) * width + size_t(r.x1 + x)] = out;
            }
    }
}

// The engine parts the atlas build needs, on the null backend.
class Engine {
public:
    bool Start(uint32_t sheetSize) {
        d3d9test::SetBackend(d3d9test::Backend::Null);
        d3d9test::AdapterConfig adapter = d3d9test::DefaultAdapter();
        adapter.caps.MaxTextureWidth = sheetSize;
        adapter.caps.MaxTextureHeight = sheetSize;
        d3d9test::SetAdapter(adapter);
        Kestra::SetScreenInfo(640, 480, true);
        // No window is shown or needed: the null backend draws nothing, and fonts
        // measure on the screen's context.
        if (!Kestra3D::Initialize()) return false;
        started3d_ = true;
        return Kestra3D::Start(reinterpret_cast<HWND>(uintptr_t(0x1000)), true) && KestraTexture::Initialize() &&
               KestraFont::Initialize() && KestraSprite2D::Initialize() && KestraFontSprite2D::Initialize();
    }
    ~Engine() {
        KestraFontSprite2D::Finalize();
        KestraSprite2D::Finalize();
        KestraFont::Finalize();
        KestraTexture::Finalize();
        if (started3d_) Kestra3D::Finalize();
    }

private:
    bool started3d_ = false;
};

int Run(const Options& o) {
    std::string list;
    if (!BuildList(o, &list)) return 1;
    std::string face;
    if (!platform::Utf8ToCp932Strict(o.faceUtf8, face)) {
        std::fprintf(stderr, "kestra-font: the face name has no CP932 form\n");
        return 1;
    }
    const fs::path output(o.output);
    const std::string prefix = o.prefix.empty() ? output.stem().string() : o.prefix;
    // "<prefix>_NN" must fit a sheet name.
    if (prefix.size() + 3 > KestraLfd::kNameSize) {
        std::fprintf(stderr, "kestra-font: the sheet name prefix is longer than %u bytes\n",
                     KestraLfd::kNameSize - 3);
        return 1;
    }

    Engine engine;
    if (!engine.Start(o.sheetSize)) {
        std::fprintf(stderr, "kestra-font: the device could not be started\n");
        return 1;
    }
    CFont* font = KestraFont::Create(face.c_str(), o.size, o.italic ? 1 : 0, o.bold ? 1 : 0);
    if (!font) {
        std::fprintf(stderr, "kestra-font: no font for \"%s\"\n", o.faceUtf8.c_str());
        return 1;
    }
    CFontSprite2D* atlas = KestraFontSprite2D::Create(list.c_str(), 1, font, 0, o.smooth ? 1 : 0);
    KestraFont::Release(font);  // the atlas holds it
    if (!atlas) {
        std::fprintf(stderr, "kestra-font: the glyphs do not fit %u sheets of %u x %u\n",
                     KestraLfd::kMaxSheets - 1, o.sheetSize, o.sheetSize);
        return 1;
    }

    int status = 0;
    const uint32_t sheets = atlas->GetSheetCount();
    const uint32_t width = atlas->GetSheetWidth(), height = atlas->GetSheetHeight();
    std::vector<std::string> names;
    for (uint32_t s = 0; s < sheets && status == 0; ++s) {
        char name[KestraLfd::kNameSize + 1];
        std::snprintf(name, sizeof(name), "%s_%02u", prefix.c_str(), s);
        names.emplace_back(name);
        std::vector<uint32_t> pixels;
        const fs::path file = output.parent_path() / (fs::path(name).filename().string() + ".tga");
        if (!ReadSheet(atlas->GetSheet(s), width, height, &pixels)) {
            std::fprintf(stderr, "kestra-font: sheet %u could not be read\n", s);
            status = 1;
            continue;
        }
        if (o.outline) Outline(&pixels, width, atlas->GetRecords(), atlas->GetGlyphCount(), s);
        if (!WriteBytes(file, EncodeTga(pixels, width, height))) {
            std::fprintf(stderr, "kestra-font: cannot write %s: %s\n", file.c_str(), std::strerror(errno));
            status = 1;
        }
    }
    if (status == 0) {
        KestraLfd::Header header{};
        header.fontSize = static_cast<uint8_t>(atlas->GetSize(nullptr));
        header.sheetCount = static_cast<uint8_t>(sheets);
        header.sheetWidth = static_cast<uint16_t>(width);
        header.sheetHeight = static_cast<uint16_t>(height);
        header.glyphCount = static_cast<uint16_t>(atlas->GetGlyphCount());
        std::vector<uint8_t> lfd;
        if (!KestraLfd::Write(header, atlas->GetMap(), names, atlas->GetRecords(), &lfd)) {
            std::fprintf(stderr, "kestra-font: the atlas does not fit the LFD format\n");
            status = 1;
        } else if (!WriteBytes(output, lfd)) {
            std::fprintf(stderr, "kestra-font: cannot write %s: %s\n", output.c_str(), std::strerror(errno));
            status = 1;
        } else {
            unsigned characters = 0;
            for (const char* p = list.c_str(); *p; ++characters) p += Kestra::GetChar(p, nullptr);
            std::printf("%s: %u glyphs of %u characters, size %d, %u sheet(s) of %u x %u\n", output.c_str(),
                        atlas->GetGlyphCount(), characters, o.size, sheets, width, height);
        }
    }
    KestraFontSprite2D::Release(atlas);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseOptions(argc, argv, &o)) return Usage();
    return Run(o);
}
