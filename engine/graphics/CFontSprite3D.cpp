#include "engine/graphics/CFontSprite3D.h"

#include "engine/core/KestraLog.h"
#include "engine/core/KestraShiftJis.h"
#include "engine/graphics/CSprite3D.h"
#include "engine/graphics/KestraSprite3D.h"

CFontSprite3D::CFontSprite3D(CDeviceObjectManager* manager) : CFontSpriteBase(manager) {}

CFontSprite3D::~CFontSprite3D() {
    Kestra::LogRed("CFontSprite3D Destruct [%s]", GetName());
    Kestra::LogNewLine();
    ReleaseSprites();
}

void CFontSprite3D::ReleaseSprites() {
    for (CSprite3D*& sprite : sprites_) {
        if (sprite) KestraSprite3D::Release(sprite);
        sprite = nullptr;
    }
}

bool CFontSprite3D::CreateSprites(uint32_t capacity) {
    for (int32_t i = 0; i < sheetCount_; ++i) {
        sprites_[i] = KestraSprite3D::Create(capacity, 1);
        // A missing sprite would be dereferenced by every later draw.
        if (!sprites_[i]) {
            ReleaseSprites();
            return false;
        }
        sprites_[i]->SetTexture(0, sheets_[i]);
    }
    capacity_ = capacity;
    return true;
}

bool CFontSprite3D::FinishCreate(bool atlasMade, uint32_t capacity) {
    if (atlasMade) {
        ReleaseSprites();
        if (CreateSprites(capacity)) {
            Kestra::LogPrint(" : SHEET COUNT [ %u ] : ", GetSheetCount());
            Kestra::LogGreen("Success!");
            return true;
        }
    }
    Kestra::LogRed("Failed!");
    return false;
}

bool CFontSprite3D::Create(const char* list, uint32_t capacity, CFont* font, uint8_t smooth) {
    Kestra::LogBlue("CFontSprite3D::Create");
    return FinishCreate(CreateAtlas(list, font, smooth), capacity);
}

bool CFontSprite3D::CreateFromFile(const char* file, const char* sheetSource, uint32_t capacity,
                                   uint32_t formatKind) {
    Kestra::LogBlue("CFontSprite3D::CreateFromFile");
    return FinishCreate(LoadFile(file, sheetSource, formatKind), capacity);
}

bool CFontSprite3D::Recreate(const char* list, uint32_t capacity) {
    if (!Rebuild(list)) return false;
    ReleaseSprites();
    return CreateSprites(capacity);
}

void CFontSprite3D::Begin() {
    for (CSprite3D* sprite : sprites_)
        if (sprite) sprite->Begin();
}

void CFontSprite3D::End() {
    for (CSprite3D* sprite : sprites_)
        if (sprite) sprite->End();
}

void CFontSprite3D::Render() {
    for (CSprite3D* sprite : sprites_)
        if (sprite) sprite->Render();
}

uint32_t CFontSprite3D::GetMaxLineLength(const char* text) {
    if (!text) return 0;
    uint32_t longest = 0, line = 0;
    for (const char* p = text; *p;) {
        uint16_t code = 0;
        const uint32_t bytes = Kestra::GetChar(p, &code);
        p += bytes;
        if (code == '\n' || code == '\r') {
            line = 0;
            continue;
        }
        line += code == '\t' ? 4 : bytes;
        if (line > longest) longest = line;
    }
    return longest;
}

void CFontSprite3D::Layout(const char* text, const CTransform* transform, float height, uint32_t color,
                           bool proportional) {
    // Without a size there is no scale from font pixels to world units.
    if (!text || fontSize_ <= 0) return;
    const int32_t s = fontSize_;
    const float k = height / float(s);
    const float startX = -float(GetMaxLineLength(text)) * float(s) * 0.25f;
    float x = startX;
    float y = float(s) * 0.5f;
    WalkText(text, {4.0f * float(s), float(s), float(s) * 0.5f}, x, startX, y, -float(s), [&](uint16_t code) {
        const float advance = code < 256 ? float(s / 2) : float(s);
        const GlyphRecord* r = FindGlyph(code);
        CSprite3D* sprite = r && sheets_[r->sheet] ? sprites_[r->sheet] : nullptr;
        if (!r || !sprite) {
            x += advance;
            return;
        }
        const int32_t w = int32_t(r->x2) - int32_t(r->x1);
        const int32_t h = int32_t(r->y2) - int32_t(r->y1);
        const float src[4] = {float(r->x1), float(r->y1), float(w), float(h)};
        const float left = proportional ? 0.0f : float(r->left);
        const float cx = (float(r->width / 2) + left + x) * k;
        const float cy = (float(h / 2) + y) * k;
        sprite->DrawSquare(transform, cx, cy, 0.0f, float(w) * k, height, src, color, 1);
        x += proportional ? float(r->width + 1) : advance;
    });
}

void CFontSprite3D::DrawString(const char* text, const CTransform* transform, float height, uint32_t color) {
    Layout(text, transform, height, color, false);
}

void CFontSprite3D::DrawStringProportional(const char* text, const CTransform* transform, float height,
                                           uint32_t color) {
    Layout(text, transform, height, color, true);
}

CFontSprite3D* CFontSprite3DManager::Create(const char* list, uint32_t capacity, CFont* font, uint8_t smooth) {
    return FinishCreate(new (std::nothrow) CFontSprite3D(this), "CFontSprite3D::Create",
                        [&](CFontSprite3D* f) { return f->Create(list, capacity, font, smooth); }, nullptr);
}

CFontSprite3D* CFontSprite3DManager::CreateFromFile(const char* file, const char* sheetSource, uint32_t capacity,
                                                    uint32_t formatKind) {
    return FinishCreate(new (std::nothrow) CFontSprite3D(this), "CFontSprite3D::Create",
                        [&](CFontSprite3D* f) { return f->CreateFromFile(file, sheetSource, capacity, formatKind); },
                        nullptr);
}
