#include "engine/graphics/CFontSprite2D.h"

#include "engine/core/KestraLog.h"
#include "engine/core/KestraShiftJis.h"
#include "engine/graphics/CSprite2D.h"
#include "engine/graphics/KestraSprite2D.h"

CFontSprite2D::CFontSprite2D(CDeviceObjectManager* manager) : CFontSpriteBase(manager) {}

CFontSprite2D::~CFontSprite2D() {
    Kestra::LogRed("CFontSprite2D Destruct [%s]", GetName());
    Kestra::LogNewLine();
    ReleaseSprites();
}

void CFontSprite2D::ReleaseSprites() {
    for (CSprite2D*& sprite : sprites_) {
        if (sprite) KestraSprite2D::Release(sprite);
        sprite = nullptr;
    }
}

bool CFontSprite2D::CreateSprites(uint32_t capacity, uint8_t sort) {
    for (int32_t i = 0; i < sheetCount_; ++i) {
        Kestra::LogPrint("　");
        sprites_[i] = KestraSprite2D::Create(capacity, 1, sort != 0);
        // A missing sprite would be dereferenced by every later draw.
        if (!sprites_[i]) {
            ReleaseSprites();
            return false;
        }
        sprites_[i]->SetTexture(0, sheets_[i]);
    }
    return true;
}

bool CFontSprite2D::Create(const char* list, uint32_t capacity, CFont* font, uint8_t sort, uint8_t smooth) {
    Kestra::LogPrint(" : Texture {");
    if (!CreateAtlas(list, font, smooth)) {
        Kestra::LogRed("Failed!");
        return false;
    }
    Kestra::LogPrint("} Sprite {");
    ReleaseSprites();
    if (!CreateSprites(capacity, sort)) {
        Kestra::LogRed("Failed!");
        return false;
    }
    sort_ = sort;
    Kestra::LogPrint("} : SHEET COUNT [ %u ] : ", GetSheetCount());
    return true;
}

bool CFontSprite2D::CreateFromFile(const char* file, const char* sheetSource, uint32_t capacity, uint8_t sort,
                                   uint32_t formatKind) {
    Kestra::LogPrint(" : Texture {");
    if (!LoadFile(file, sheetSource, formatKind)) {
        Kestra::LogRed("Failed!");
        return false;
    }
    Kestra::LogPrint("} Sprite {");
    ReleaseSprites();
    if (!CreateSprites(capacity, sort)) {
        Kestra::LogRed("Failed!");
        return false;
    }
    sort_ = sort;
    Kestra::LogPrint("} : SHEET COUNT [ %u ] : ", GetSheetCount());
    return true;
}

void CFontSprite2D::ClearHalfAdvance() { halfAdvance_ = 0; }

void CFontSprite2D::Resize(uint32_t capacity) {
    for (CSprite2D* sprite : sprites_)
        if (sprite) sprite->Resize(capacity);
}

bool CFontSprite2D::Recreate(const char* list, uint32_t capacity) {
    if (!Rebuild(list)) return false;
    ReleaseSprites();
    return CreateSprites(capacity, sort_);
}

void CFontSprite2D::Begin(int32_t spacing) {
    for (CSprite2D* sprite : sprites_)
        if (sprite) sprite->Begin();
    spacing_ = spacing;
}

void CFontSprite2D::End() {
    for (CSprite2D* sprite : sprites_)
        if (sprite) sprite->End();
}

void CFontSprite2D::Render() {
    for (CSprite2D* sprite : sprites_)
        if (sprite) sprite->Render();
}

CSprite2D* CFontSprite2D::SpriteOf(const GlyphRecord* record) const {
    if (!record) return nullptr;
    // A sheet whose image did not load draws nothing (not an untextured block).
    if (!sheets_[record->sheet]) return nullptr;
    return sprites_[record->sheet];
}

namespace {

// The glyph source rectangle of a record: x1, y1, width, height.
void SourceOf(const KestraLfd::GlyphRecord& r, float* src) {
    src[0] = static_cast<float>(r.x1);
    src[1] = static_cast<float>(r.y1);
    src[2] = static_cast<float>(int32_t(r.x2) - int32_t(r.x1));
    src[3] = static_cast<float>(int32_t(r.y2) - int32_t(r.y1));
}

}  // namespace

void CFontSprite2D::DrawGlyphAt(const GlyphRecord* record, float left, int32_t top, float z, uint32_t color) {
    CSprite2D* sprite = SpriteOf(record);
    if (!sprite) return;
    float src[4];
    SourceOf(*record, src);
    const float dst[4] = {left, static_cast<float>(top), src[2], src[3]};
    sprite->DrawSquare(dst, z, src, color, 1);
}

void CFontSprite2D::DrawString(const char* text, int32_t x, int32_t y, float z, uint32_t color) {
    if (!text) return;
    const float a = static_cast<float>(fontSize_ + spacing_);
    float pen = static_cast<float>(x);
    int32_t top = y;
    WalkText(text, {4.0f * a, -a, a * 0.5f}, pen, static_cast<float>(x), top, fontSize_, [&](uint16_t code) {
        const GlyphRecord* r = FindGlyph(code);
        if (!r) {
            pen += a;
            return;
        }
        DrawGlyphAt(r, static_cast<float>(r->left + static_cast<int32_t>(pen)), top, z, color);
        pen += (code < 256 && halfAdvance_) ? a * 0.5f : a;
    });
}

void CFontSprite2D::DrawStringProportional(const char* text, int32_t x, int32_t y, float z, uint32_t color) {
    if (!text) return;
    const float s = static_cast<float>(fontSize_);
    float pen = static_cast<float>(x);
    int32_t top = y;
    WalkText(text, {4.0f * s, -s, s * 0.5f}, pen, static_cast<float>(x), top, fontSize_, [&](uint16_t code) {
        const GlyphRecord* r = FindGlyph(code);
        if (!r) {
            pen += static_cast<float>(fontSize_ / 2);
            return;
        }
        DrawGlyphAt(r, static_cast<float>(static_cast<int32_t>(pen) + 1), top, z, color);
        pen += static_cast<float>(r->width + 1);
    });
}

uint32_t CFontSprite2D::DrawChar(const char* text, const float* dst, float z, uint32_t color) {
    if (!text || !*text || !dst) return 0;
    const uint16_t code = static_cast<uint16_t>(Kestra::GetCharCode(text));
    const GlyphRecord* r = FindGlyph(code);
    if (!r) return 0;
    if (CSprite2D* sprite = SpriteOf(r)) {
        float src[4];
        SourceOf(*r, src);
        sprite->DrawSquare(dst, z, src, color, 1);
    }
    return code > 255 ? 2 : 1;
}

uint32_t CFontSprite2D::DrawCharRotate(const char* text, const float* dst, float z, uint32_t color,
                                       Kestra::Angle16 angle) {
    if (!text || !*text || !dst) return 0;
    const uint16_t code = static_cast<uint16_t>(Kestra::GetCharCode(text));
    const GlyphRecord* r = FindGlyph(code);
    if (!r) return 0;
    if (CSprite2D* sprite = SpriteOf(r)) {
        float src[4];
        SourceOf(*r, src);
        sprite->DrawSquareRotate(dst, z, src, color, angle, 1, 0.0f, 0.0f);
    }
    return code > 255 ? 2 : 1;
}

uint32_t CFontSprite2D::DrawCharRotateXYZ(const char* text, const float* dst, float z, uint32_t color,
                                          Kestra::Angle16 angleX, Kestra::Angle16 angleY, Kestra::Angle16 angleZ) {
    if (!text || !*text || !dst) return 0;
    const uint16_t code = static_cast<uint16_t>(Kestra::GetCharCode(text));
    const GlyphRecord* r = FindGlyph(code);
    if (!r) return 0;
    if (CSprite2D* sprite = SpriteOf(r)) {
        float src[4];
        SourceOf(*r, src);
        sprite->DrawSquareRotateXYZ(dst, z, src, color, angleX, angleY, angleZ, 1);
    }
    return code > 255 ? 2 : 1;
}

CFontSprite2D::Point* CFontSprite2D::GetStringEnd(Point* out, const char* text, int32_t x, int32_t y) {
    const float a = static_cast<float>(fontSize_ + spacing_);
    float pen = static_cast<float>(x);
    int32_t top = y;
    const auto measure = [&](uint16_t code) {
        if (!FindGlyph(code)) pen += a;
        else pen += (code < 256 && halfAdvance_) ? a * 0.5f : a;
    };
    WalkText(text, {4.0f * a, -a, a * 0.5f}, pen, static_cast<float>(x), top, fontSize_ + spacing_, measure);
    if (out) *out = Point{static_cast<int32_t>(pen), top};
    return out;
}

CFontSprite2D::Point* CFontSprite2D::GetStringEndProportional(Point* out, const char* text, int32_t x, int32_t y) {
    const float s = static_cast<float>(fontSize_);
    float pen = static_cast<float>(x);
    int32_t top = y;
    const auto measure = [&](uint16_t code) {
        const GlyphRecord* r = FindGlyph(code);
        if (!r) pen += static_cast<float>(fontSize_ / 2);
        else pen += static_cast<float>(r->width + 1);
    };
    const PenSteps steps = {4.0f * s, -s, static_cast<float>(fontSize_ / 2)};
    WalkText(text, steps, pen, static_cast<float>(x), top, fontSize_, measure);
    if (out) *out = Point{static_cast<int32_t>(pen), top};
    return out;
}

// ---- CFontSprite2DManager

CFontSprite2D* CFontSprite2DManager::Create(const char* list, uint32_t capacity, CFont* font, uint8_t sort,
                                            uint8_t smooth) {
    return FinishCreate(
        new (std::nothrow) CFontSprite2D(this), "CFontSprite2D::Create",
        [&](CFontSprite2D* o) { return o->Create(list, capacity, font, sort, smooth); }, nullptr);
}

CFontSprite2D* CFontSprite2DManager::CreateFromFile(const char* file, const char* sheetSource, uint32_t capacity,
                                                    uint8_t sort, uint32_t formatKind) {
    return FinishCreate(
        new (std::nothrow) CFontSprite2D(this), "CFontSprite2D::Create",
        [&](CFontSprite2D* o) { return o->CreateFromFile(file, sheetSource, capacity, sort, formatKind); }, nullptr);
}
