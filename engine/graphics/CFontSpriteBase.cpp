#include "engine/graphics/CFontSpriteBase.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/core/KestraFile.h"
#include "engine/core/KestraLog.h"
#include "engine/core/KestraShiftJis.h"
#include "engine/graphics/CFont.h"
#include "engine/graphics/CTexture.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraTexture.h"

CFontSpriteBase::CFontSpriteBase(CDeviceObjectManager* manager) : CDeviceObject(manager) {
    std::fill(std::begin(map_), std::end(map_), KestraLfd::kNoGlyph);
}

CFontSpriteBase::~CFontSpriteBase() { ClearAtlas(); }

void CFontSpriteBase::ClearAtlas() {
    if (records_) Kestra::MemoryFree(records_);
    records_ = nullptr;
    if (font_) font_->Release();
    font_ = nullptr;
    for (CTexture*& sheet : sheets_) {
        if (sheet) KestraTexture::Release(sheet);
        sheet = nullptr;
    }
    std::fill(std::begin(map_), std::end(map_), KestraLfd::kNoGlyph);
    sheetWidth_ = sheetHeight_ = sheetCount_ = fontSize_ = glyphCount_ = 0;
}

uint16_t CFontSpriteBase::GetCharIndex(uint16_t code) { return KestraLfd::GetCharIndex(code); }

bool CFontSpriteBase::CreateAtlas(const char* list, CFont* font, uint8_t smooth) {
    if (!font) return false;
    font->AddRef();  // before the clear: the font may be the one held now
    ClearAtlas();
    font_ = font;
    smooth_ = smooth;
    records_ = static_cast<GlyphRecord*>(Kestra::MemoryAlloc(kMapSize * sizeof(GlyphRecord)));
    if (!records_) return false;
    for (uint32_t i = 0; i < kMapSize; ++i) records_[i].sheet = KestraLfd::kNoSheet;

    const uint32_t size = font->GetSize();
    const uint32_t cell = size + 2;
    const uint64_t n = list ? std::strlen(list) : 0;
    const uint64_t area = n * cell * cell;
    uint64_t side = 1;
    while (side * side < area) side <<= 1;
    Kestra3D::DeviceCaps caps{};
    Kestra3D::GetDeviceCaps(&caps);
    uint64_t width = side, height = side;
    if (caps.maxTextureWidth) width = std::min<uint64_t>(width, caps.maxTextureWidth);
    if (caps.maxTextureHeight) height = std::min<uint64_t>(height, caps.maxTextureHeight);
    width = std::min<uint64_t>(width, 0x10000);
    height = std::min<uint64_t>(height, 0x10000);
    sheetWidth_ = static_cast<int32_t>(width);
    sheetHeight_ = static_cast<int32_t>(height);
    fontSize_ = static_cast<int32_t>(size);
    // Rows are counted down the sheet (below), never more than the pen table holds.

    Kestra::LogPrint("　");
    sheets_[0] = KestraTexture::Create(sheetWidth_, sheetHeight_, kSheetFormatKind);
    if (!sheets_[0]) return false;
    sheets_[0]->ColorFill(0);
    sheetCount_ = 1;
    // The texture may have come out smaller (a device limit that is no power of two).
    sheetWidth_ = std::min<int32_t>(sheetWidth_, static_cast<int32_t>(sheets_[0]->GetWidth()));
    sheetHeight_ = std::min<int32_t>(sheetHeight_, static_cast<int32_t>(sheets_[0]->GetHeight()));
    const uint32_t rows = std::min<uint32_t>(static_cast<uint32_t>(sheetHeight_) / cell, kMaxRows);

    uint32_t pens[kMaxRows] = {};
    uint32_t row = 0;
    bool ok = true;
    for (const char* p = list ? list : ""; *p && ok;) {
        uint16_t code = 0;
        p += Kestra::GetChar(p, &code);
        const uint16_t index = GetCharIndex(code);
        // A code without an index cannot be stored; one already placed costs nothing.
        if (index == KestraLfd::kNoGlyph || map_[index] != KestraLfd::kNoGlyph) continue;
        for (;;) {
            CTexture* sheet = sheets_[sheetCount_ - 1];
            font->SetTarget(sheet);
            font->BeginDraw(0);
            ABC abc{};
            font->GetCharWidth(code, &abc);
            const uint32_t w = abc.abcB;
            // A glyph no row could ever take would only fill sheets with nothing.
            if (rows == 0 || uint64_t(w) + 2 >= uint64_t(sheetWidth_) || w + 2 > 0xFF) {
                font->EndDraw();
                ok = false;
                break;
            }
            if (pens[row] + w + 2 < static_cast<uint32_t>(sheetWidth_)) {
                const uint16_t glyph = static_cast<uint16_t>(glyphCount_);
                map_[index] = glyph;
                const int32_t x = static_cast<int32_t>(pens[row]), y = static_cast<int32_t>(row * cell);
                if (smooth) font->DrawCharSmooth(x + 1, y + 1, 0xFFFFFFFF, code);
                else font->DrawChar(x + 1, y + 1, 0xFFFFFFFF, code);
                GlyphRecord& r = records_[glyph];
                r.sheet = static_cast<uint8_t>(sheetCount_ - 1);
                r.left = static_cast<uint8_t>(abc.abcA);
                r.width = static_cast<uint8_t>(w + 2);
                r.right = static_cast<uint8_t>(abc.abcC);
                r.x1 = static_cast<uint16_t>(x);
                r.y1 = static_cast<uint16_t>(y);
                r.x2 = static_cast<uint16_t>(x + static_cast<int32_t>(w) + 2);
                r.y2 = static_cast<uint16_t>(y + static_cast<int32_t>(cell));
                ++glyphCount_;
                pens[row] += w + 2;
                font->EndDraw();
                break;
            }
            font->EndDraw();
            if (++row < rows) continue;
            std::fill(std::begin(pens), std::end(pens), 0u);
            row = 0;
            // At most 31 sheets carry glyphs.
            if (sheetCount_ + 1 >= static_cast<int32_t>(kMaxSheets)) {
                ok = false;
                break;
            }
            Kestra::LogPrint("　");
            CTexture* next = KestraTexture::Create(sheetWidth_, sheetHeight_, kSheetFormatKind);
            if (!next) {
                ok = false;
                break;
            }
            next->ColorFill(0);
            sheets_[sheetCount_++] = next;
        }
    }
    font->SetTarget(nullptr);
    if (!ok) return false;
    for (int32_t i = 0; i < sheetCount_; ++i) sheets_[i]->UpdateTexture();
    return true;
}

bool CFontSpriteBase::LoadFile(const char* file, const char* sheetSource, uint32_t formatKind) {
    uint8_t* data = nullptr;
    uint32_t size = 0;
    if (!file || !KestraFile::Load(file, &data, &size)) return false;
    const bool ok = LoadFromMemory(data, size, sheetSource, formatKind);
    Kestra::MemoryFree(data);
    return ok;
}

bool CFontSpriteBase::LoadFromMemory(const uint8_t* image, uint32_t size, const char* sheetSource,
                                     uint32_t formatKind) {
    KestraLfd::View view;
    if (!KestraLfd::Parse(image, size, &view)) return false;
    const KestraLfd::Header& h = view.header;
    // Sheet files are looked up under the data folder, and a font may only name
    // files there.
    if (sheetSource && sheetSource[0] == '.') {
        for (uint32_t i = 0; i < h.sheetCount; ++i) {
            const std::string stored = KestraLfd::ReadSheetName(view, i);
            if (KestraFile::StaysInside(stored.c_str())) continue;
            Kestra::LogRed("シートの名前がデータフォルダの外を指しています [ %s ]", stored.c_str());
            return false;
        }
    }
    ClearAtlas();
    for (uint32_t i = 0; i < h.sheetCount; ++i) {
        char name[260] = {};
        const std::string stored = KestraLfd::ReadSheetName(view, i);
        std::memcpy(name, stored.data(), stored.size());
        if (!sheetSource) continue;
        Kestra::LogPrint("　");
        if (sheetSource[0] == '.') {
            char path[260 + 64];
            std::snprintf(path, sizeof(path), "%s%s", name, sheetSource);
            sheets_[i] = KestraTexture::CreateFromFile(path, formatKind, 0);
        } else {
            sheets_[i] = KestraTexture::CreateFromLAG(sheetSource, name, formatKind);
        }
    }
    for (uint32_t i = 0; i < kMapSize; ++i) map_[i] = KestraLfd::ReadMapEntry(view, i);
    records_ = static_cast<GlyphRecord*>(Kestra::MemoryAlloc(std::max<uint32_t>(h.glyphCount, 1) * sizeof(GlyphRecord)));
    if (!records_) {
        ClearAtlas();
        return false;
    }
    for (uint32_t g = 0; g < h.glyphCount; ++g)
        records_[g] = KestraLfd::ReadRecord(view.records + size_t(g) * KestraLfd::kRecordSize);
    fontSize_ = h.fontSize;
    sheetCount_ = h.sheetCount;
    sheetWidth_ = h.sheetWidth;
    sheetHeight_ = h.sheetHeight;
    glyphCount_ = h.glyphCount;
    return true;
}

bool CFontSpriteBase::Rebuild(const char* list) {
    if (!font_) return false;
    CFont* font = font_;
    font->AddRef();
    const bool ok = CreateAtlas(list, font, smooth_);
    font->Release();  // CreateAtlas holds its own reference
    return ok;
}

bool CFontSpriteBase::GetCharMetrics(const char* text, uint32_t* left, uint32_t* width, uint32_t* right) {
    if (!text || !*text) return false;
    const GlyphRecord* r = FindGlyph(static_cast<uint16_t>(Kestra::GetCharCode(text)));
    if (!r) return false;
    if (left) *left = r->left;
    if (width) *width = r->width;
    if (right) *right = r->right;
    return true;
}

uint32_t CFontSpriteBase::GetSize(uint32_t* out) {
    if (out) *out = static_cast<uint32_t>(fontSize_);
    return static_cast<uint32_t>(fontSize_);
}
