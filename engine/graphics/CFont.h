// A GDI font that rasterises Shift-JIS characters straight into the locked
// pixels of a texture, or of the back buffer when no texture is the target. The
// glyph atlas draws every glyph of its sheets through it.
#pragma once

#include <cstdint>

#include "engine/graphics/CDeviceObject.h"
#include "platform/gdi/gdi.h"

class CTexture;

class CFont : public CDeviceObject {
public:
    // Largest size a font may have: the work buffer holds size x size x 4 bytes,
    // and a glyph cell must fit the 8-bit widths of the glyph records anyway.
    static constexpr int32_t kMaxSize = 1024;

    // The pixels of a locked target.
    struct LockedTarget {
        void* bits = nullptr;
        int32_t pitch = 0;
        D3DFORMAT format = D3DFMT_UNKNOWN;
        uint32_t width = 0;
        uint32_t height = 0;
    };

    explicit CFont(CDeviceObjectManager* manager);
    ~CFont() override;

    // Fonts own nothing in the default pool.
    void OnLostDevice() override {}
    void OnResetDevice() override {}

    // False when the work buffer cannot be had or no font could be made.
    virtual bool Create(const char* face, int32_t size, int32_t italic, uint8_t bold);
    // Size in bytes of the character's bitmap (GGO_GRAY8_BITMAP when smooth, else
    // GGO_BITMAP) written to buffer, which holds GetWorkSize() bytes. 0 for an
    // empty glyph, a code that is no character, or a bitmap that would not fit
    // (its metrics are still written).
    virtual uint32_t GetGlyphBitmap(HDC dc, uint16_t code, GLYPHMETRICS* out, void* buffer, uint8_t smooth);
    virtual bool Lock(void** bits, int32_t* pitch, D3DFORMAT* format, uint32_t* width, uint32_t* height);
    virtual void Unlock();

    // Pixel writers: src is a glyph bitmap with srcPitch bytes per row; dst and
    // src are rectangles already clipped to the target.
    virtual void WriteMonoA1R5G5B5(const LockedTarget& t, const RECT& dst, const uint8_t* src, uint32_t srcPitch,
                                   const RECT& srcRect, uint32_t color);
    virtual void WriteMonoR5G6B5(const LockedTarget& t, const RECT& dst, const uint8_t* src, uint32_t srcPitch,
                                 const RECT& srcRect, uint32_t color);
    virtual void WriteMonoA4R4G4B4(const LockedTarget& t, const RECT& dst, const uint8_t* src, uint32_t srcPitch,
                                   const RECT& srcRect, uint32_t color);
    virtual void WriteMonoA8R8G8B8(const LockedTarget& t, const RECT& dst, const uint8_t* src, uint32_t srcPitch,
                                   const RECT& srcRect, uint32_t color);
    virtual void WriteGreyA4R4G4B4(const LockedTarget& t, const RECT& dst, const uint8_t* src, uint32_t srcPitch,
                                   const RECT& srcRect, uint32_t color);
    virtual void WriteGreyA8R8G8B8(const LockedTarget& t, const RECT& dst, const uint8_t* src, uint32_t srcPitch,
                                   const RECT& srcRect, uint32_t color);
    // Clips dst to width x height, moving src's edges by the same amounts. False
    // when nothing is left.
    virtual bool Clip(RECT* dst, RECT* src, uint32_t width, uint32_t height);

    // Releases the old target and holds the new one (null: the back buffer).
    virtual void SetTarget(CTexture* target);
    virtual void DrawChar(int32_t x, int32_t y, uint32_t color, uint16_t code);
    virtual void DrawCharSmooth(int32_t x, int32_t y, uint32_t color, uint16_t code);
    // Each answers the width covered (final pen x - x), 0 when the target cannot be locked.
    virtual int32_t DrawText(int32_t x, int32_t y, uint32_t color, const char* text);
    virtual int32_t DrawTextSmooth(int32_t x, int32_t y, uint32_t color, const char* text);
    virtual int32_t DrawTextProportional(int32_t x, int32_t y, uint32_t color, const char* text);
    virtual int32_t DrawTextProportionalSmooth(int32_t x, int32_t y, uint32_t color, const char* text);
    // Black-box width; out gets abcA, max(abcB, black-box width), abcC.
    virtual uint32_t GetCharWidth(uint16_t code, ABC* out);
    virtual void BeginDraw(uint8_t upload);
    virtual void EndDraw();
    // Pen x after the formatted text (formatted into kTextBufferSize bytes, cut there).
    virtual int32_t GetTextWidth(const char* format, ...) __attribute__((format(printf, 2, 3)));
    virtual uint32_t GetSize();

    static constexpr size_t kTextBufferSize = 1024;

    uint32_t GetWorkSize() const { return workSize_; }
    bool IsDrawing() const { return drawing_ != 0; }
    bool IsSmoothCapable() const { return smoothCapable_ != 0; }
    const TEXTMETRICA& GetMetrics() const { return metrics_; }
    CTexture* GetTarget() const { return target_; }
    HFONT GetHandle() const { return font_; }

private:
    // One glyph into a locked target, top-left of its black box at x and the
    // line's top at y.
    void RenderGlyph(const LockedTarget& t, int32_t x, int32_t y, uint32_t color, uint16_t code, bool smooth);
    int32_t RunText(int32_t x, int32_t y, uint32_t color, const char* text, bool proportional, bool smooth);
    bool LockTarget(LockedTarget* t);

    HDC dc_ = nullptr;
    HWND dcWindow_ = nullptr;  // the window the context came from
    HFONT font_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    TEXTMETRICA metrics_{};
    uint32_t size_ = 0;
    CTexture* target_ = nullptr;
    uint8_t* work_ = nullptr;
    uint32_t workSize_ = 0;
    uint8_t drawing_ = 0;
    uint8_t smoothCapable_ = 0;
    uint8_t upload_ = 0;
};

// Makes fonts and keeps a stack of them for the text forwarders.
class CFontManager : public CDeviceObjectManager {
public:
    static constexpr int32_t kStackCapacity = 16;

    explicit CFontManager(IDirect3DDevice9* device) : CDeviceObjectManager(device) {}
    // Releases every font left on the stack.
    ~CFontManager() override;

    virtual CFont* Create(const char* face, int32_t size, int32_t italic, uint8_t bold);
    // A non-null font goes on top while there is room, gains a reference and begins drawing.
    virtual void Push(CFont* font, uint8_t upload);
    // Ends the top font's drawing and lets it go; nothing on an empty stack.
    virtual void Pop();
    // The top font's text operations; nothing (0) on an empty stack.
    virtual void DrawChar(int32_t x, int32_t y, uint32_t color, uint16_t code);
    virtual void DrawCharSmooth(int32_t x, int32_t y, uint32_t color, uint16_t code);
    virtual int32_t DrawText(int32_t x, int32_t y, uint32_t color, const char* text);
    virtual int32_t DrawTextSmooth(int32_t x, int32_t y, uint32_t color, const char* text);
    virtual int32_t DrawTextProportional(int32_t x, int32_t y, uint32_t color, const char* text);
    virtual int32_t DrawTextProportionalSmooth(int32_t x, int32_t y, uint32_t color, const char* text);

    CFont* Top() const { return top_ >= 0 ? stack_[top_] : nullptr; }
    int32_t GetStackDepth() const { return top_ + 1; }

private:
    int32_t top_ = -1;
    CFont* stack_[kStackCapacity] = {};
};
