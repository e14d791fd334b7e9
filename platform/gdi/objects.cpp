// The GDI object table: handles are table keys, never pointers, so a stale or
// made-up handle is refused instead of followed.
#include <unordered_map>

#include "platform/gdi/gdi_internal.h"
#include "platform/win32/kernel.h"

namespace platform::gdi {

namespace {

enum class Kind { Font, Context };

struct Entry {
    Kind kind;
    std::shared_ptr<Font> font;
    std::shared_ptr<DeviceContext> dc;
};

struct Table {
    std::unordered_map<uintptr_t, Entry> entries;
    uintptr_t next = 0x1000;
    HFONT stockHandle = nullptr;
    std::shared_ptr<Font> stock;
};

Table& Objects() {
    static Table* table = new Table;  // lives until exit: contexts may outlive static destructors
    return *table;
}

uintptr_t NewKey() {
    Table& table = Objects();
    table.next += 0x10;  // keep low bits clear so handles look like aligned pointers
    return table.next;
}

uintptr_t Key(const void* handle) { return reinterpret_cast<uintptr_t>(handle); }

struct LibraryHolder {
    FT_Library library = nullptr;
    bool tried = false;
};

}  // namespace

std::mutex& Lock() {
    static std::mutex* lock = new std::mutex;
    return *lock;
}

FT_Library Library() {
    static LibraryHolder holder;
    if (!holder.tried) {
        holder.tried = true;
        if (FT_Init_FreeType(&holder.library) != 0) holder.library = nullptr;
    }
    return holder.library;
}

Font::~Font() {
    if (face) FT_Done_Face(face);
}

HFONT AddFont(std::shared_ptr<Font> font) {
    uintptr_t key = NewKey();
    Objects().entries[key] = Entry{Kind::Font, std::move(font), nullptr};
    return reinterpret_cast<HFONT>(key);
}

std::shared_ptr<Font> FindFont(HGDIOBJ handle) {
    Table& table = Objects();
    if (handle && handle == static_cast<void*>(table.stockHandle)) return table.stock;
    auto it = table.entries.find(Key(handle));
    if (it == table.entries.end() || it->second.kind != Kind::Font) return nullptr;
    return it->second.font;
}

void RemoveFont(HGDIOBJ handle) { Objects().entries.erase(Key(handle)); }

HDC AddContext(std::shared_ptr<DeviceContext> dc) {
    Table& table = Objects();
    // A new context starts with the default font selected, as GDI's do.
    if (!table.stock) {
        table.stock = std::make_shared<Font>();
        table.stock->stock = true;
        table.stock->request.lfHeight = 16;
        table.stock->request.lfWeight = FW_NORMAL;
        table.stock->request.lfCharSet = DEFAULT_CHARSET;
        table.stock->request.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
        table.stockHandle = reinterpret_cast<HFONT>(NewKey());
    }
    dc->font = table.stock;
    dc->fontHandle = table.stockHandle;
    ++table.stock->selections;
    uintptr_t key = NewKey();
    table.entries[key] = Entry{Kind::Context, nullptr, std::move(dc)};
    return reinterpret_cast<HDC>(key);
}

std::shared_ptr<DeviceContext> FindContext(HDC handle) {
    auto it = Objects().entries.find(Key(handle));
    if (it == Objects().entries.end() || it->second.kind != Kind::Context) return nullptr;
    return it->second.dc;
}

void RemoveContext(HDC handle) { Objects().entries.erase(Key(handle)); }

void DropSelection(DeviceContext& dc) {
    if (dc.font) --dc.font->selections;
    dc.font.reset();
    dc.fontHandle = nullptr;
}

Font* SelectedFont(HDC handle) {
    std::shared_ptr<DeviceContext> dc = FindContext(handle);
    if (!dc || !dc->font) return nullptr;
    Font& font = *dc->font;
    if (!font.face && !Resolve(font)) return nullptr;
    return &font;
}

}  // namespace platform::gdi

using namespace platform::gdi;

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<DeviceContext> dc = FindContext(handle);
    std::shared_ptr<Font> font = FindFont(object);
    // Only fonts are kept by these contexts; anything else is refused.
    if (!dc || !font) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    HGDIOBJ previous = dc->fontHandle;
    DropSelection(*dc);
    dc->font = font;
    dc->fontHandle = static_cast<HFONT>(object);
    ++font->selections;
    return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Font> font = FindFont(object);
    if (!font) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (font->stock) return TRUE;  // deleting a stock object is allowed and does nothing
    // GDI refuses to delete an object that a context still has selected.
    if (font->selections > 0) return FALSE;
    RemoveFont(object);
    return TRUE;
}
