// The glyph atlas under the font sprites: glyph sheets (textures), the map from
// character index to glyph number, and the glyph records. It is filled from a
// GDI font (each glyph rasterised onto the sheets) or read from an LFD file.
#pragma once

#include <cstdint>

#include "engine/core/KestraShiftJis.h"
#include "engine/graphics/CDeviceObject.h"
#include "engine/graphics/KestraLfd.h"

class CFont;
class CTexture;

class CFontSpriteBase : public CDeviceObject {
public:
    using GlyphRecord = KestraLfd::GlyphRecord;
    static constexpr uint32_t kMaxSheets = KestraLfd::kMaxSheets;
    static constexpr uint32_t kMapSize = KestraLfd::kMapSize;
    // Rows of glyph cells a sheet may hold.
    static constexpr uint32_t kMaxRows = 1024;
    // The format kind of the sheets an atlas build makes.
    static constexpr uint32_t kSheetFormatKind = 14;

    explicit CFontSpriteBase(CDeviceObjectManager* manager);
    // Frees the records, lets go of the font and of every sheet.
    ~CFontSpriteBase() override;

    // Sheets and sprites restore themselves through their own managers.
    void OnLostDevice() override {}
    void OnResetDevice() override {}

    virtual uint16_t GetCharIndex(uint16_t code);
    // Rasterises every character of the Shift-JIS list onto new sheets (white,
    // with 65 grey levels when smooth). Holds the font. False when a glyph can
    // never fit a sheet, a sheet cannot be made, or a 32nd sheet would be needed;
    // the sheets made so far stay with the object.
    virtual bool CreateAtlas(const char* list, CFont* font, uint8_t smooth);
    // sheetSource: ".ext" loads each sheet from the file "<name><ext>"; any other
    // text names a LAG archive holding each sheet under its name; null loads none.
    virtual bool LoadFile(const char* file, const char* sheetSource, uint32_t formatKind);
    // A whole LFD image of size bytes; refused (false, nothing changed) when it is
    // not one (see KestraLfd::Parse), or when a sheet file's name is absolute or
    // climbs out of the data folder.
    virtual bool LoadFromMemory(const uint8_t* image, uint32_t size, const char* sheetSource, uint32_t formatKind);
    // The atlas built again for a new list from the held font; false without one.
    virtual bool Rebuild(const char* list);
    // Bearings and cell width of the text's first character; false without a glyph.
    virtual bool GetCharMetrics(const char* text, uint32_t* left, uint32_t* width, uint32_t* right);
    // The font size, also stored through out when given.
    virtual uint32_t GetSize(uint32_t* out);

    // The record of a code, or null when it has no glyph that can be drawn.
    const GlyphRecord* FindGlyph(uint16_t code) const {
        return KestraLfd::FindGlyph(map_, records_, static_cast<uint32_t>(glyphCount_),
                                    static_cast<uint32_t>(sheetCount_), code);
    }
    CTexture* GetSheet(uint32_t sheet) const { return sheet < kMaxSheets ? sheets_[sheet] : nullptr; }
    uint32_t GetSheetCount() const { return static_cast<uint32_t>(sheetCount_); }
    uint32_t GetSheetWidth() const { return static_cast<uint32_t>(sheetWidth_); }
    uint32_t GetSheetHeight() const { return static_cast<uint32_t>(sheetHeight_); }
    uint32_t GetGlyphCount() const { return static_cast<uint32_t>(glyphCount_); }
    const uint16_t* GetMap() const { return map_; }
    const GlyphRecord* GetRecords() const { return records_; }
    CFont* GetFont() const { return font_; }
    bool IsSmooth() const { return smooth_ != 0; }

protected:
    // How far a tab, a backspace and a space move the pen along its line.
    struct PenSteps {
        float tab;
        float back;
        float space;
    };
    // The one walk over drawn text: its control characters move the pen along
    // its line (x by `steps`) or start the next line (x back to lineStart, line
    // moved by lineStep); every other character is handed to `glyph(code)`,
    // which moves x itself.
    template <class Line, class Glyph>
    static void WalkText(const char* text, const PenSteps& steps, float& x, float lineStart, Line& line, Line lineStep,
                         Glyph&& glyph) {
        for (const char* p = text ? text : ""; *p;) {
            uint16_t code = 0;
            p += Kestra::GetChar(p, &code);
            switch (code) {
                case '\n':
                case '\r':
                    x = lineStart;
                    line += lineStep;
                    break;
                case '\t': x += steps.tab; break;
                case '\b': x += steps.back; break;
                case ' ': x += steps.space; break;
                default: glyph(code); break;
            }
        }
    }

    // Back to the empty state: records freed, font and sheets released, map and counters cleared.
    void ClearAtlas();

    CFont* font_ = nullptr;
    GlyphRecord* records_ = nullptr;
    CTexture* sheets_[kMaxSheets] = {};
    uint16_t map_[kMapSize];
    int32_t sheetWidth_ = 0;
    int32_t sheetHeight_ = 0;
    int32_t sheetCount_ = 0;
    int32_t fontSize_ = 0;
    int32_t glyphCount_ = 0;
    uint8_t smooth_ = 0;
};
