#include "engine/graphics/CSheet.h"

#include <cstdio>
#include <cstring>

#include "engine/core/Kestra.h"
#include "engine/core/KestraFile.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CLagFile.h"
#include "engine/graphics/CTexture.h"
#include "engine/graphics/KestraSimple.h"
#include "engine/graphics/KestraTexture.h"
#include "platform/d3dx9/d3dx9tex.h"

CSheet::CSheet(CDeviceObjectManager* manager) : CDeviceObject(manager) {}

CSheet::~CSheet() { FreeTiles(); }

void CSheet::FreeTiles() {
    if (rows_) {
        for (int32_t r = 0; r < rowCount_; ++r) {
            if (!rows_[r]) continue;
            for (int32_t c = 0; c < columns_; ++c) KestraTexture::Release(rows_[r][c].texture);
            Kestra::MemoryFree(rows_[r]);
        }
        Kestra::MemoryFree(rows_);
    }
    rows_ = nullptr;
    columns_ = rowCount_ = width_ = height_ = 0;
}

const CSheet::Tile* CSheet::GetTile(int32_t column, int32_t row) const {
    if (!rows_ || column < 0 || row < 0 || column >= columns_ || row >= rowCount_) return nullptr;
    return &rows_[row][column];
}

bool CSheet::Build(const void* data, uint32_t size, uint32_t formatKind, D3DCOLOR colorKey) {
    FreeTiles();
    D3DXIMAGE_INFO info{};
    const HRESULT hr = data ? D3DXGetImageInfoFromFileInMemory(data, size, &info) : D3DERR_INVALIDCALL;
    if (FAILED(hr)) {
        Kestra::LogRed("ファイルの読み込みに失敗しました [ %s ]", GetErrorText(hr));
        return false;
    }
    Kestra::LogPrint("[ %u x %u ] : {", unsigned(info.Width), unsigned(info.Height));
    // A forged header must not size the tables: the counts would overflow.
    if (info.Width == 0 || info.Height == 0 || info.Width > kMaxImageSide || info.Height > kMaxImageSide) return false;
    // The picture is decoded once, into a scratch surface the tiles are copied from.
    IDirect3DDevice9* device = GetDevice();
    IDirect3DSurface9* picture = nullptr;
    if (!device || FAILED(device->CreateOffscreenPlainSurface(info.Width, info.Height, D3DFMT_A8R8G8B8, D3DPOOL_SCRATCH,
                                                              &picture, nullptr)))
        return false;
    const bool built = SUCCEEDED(D3DXLoadSurfaceFromFileInMemory(picture, nullptr, nullptr, data, size, nullptr,
                                                                 D3DX_FILTER_NONE, colorKey, nullptr)) &&
                       CutTiles(picture, formatKind);
    picture->Release();
    return built;
}

bool CSheet::CutTiles(IDirect3DSurface9* picture, uint32_t formatKind) {
    D3DSURFACE_DESC desc{};
    picture->GetDesc(&desc);
    const int32_t columns = int32_t((desc.Width + kTileSide - 1) / kTileSide);
    const int32_t rows = int32_t((desc.Height + kTileSide - 1) / kTileSide);
    rows_ = static_cast<Tile**>(Kestra::MemoryAlloc(uint32_t(rows * sizeof(Tile*))));
    if (!rows_) return false;
    std::memset(static_cast<void*>(rows_), 0, rows * sizeof(Tile*));
    rowCount_ = rows;
    columns_ = columns;
    width_ = int32_t(desc.Width);
    height_ = int32_t(desc.Height);
    for (int32_t r = 0; r < rows; ++r) {
        rows_[r] = static_cast<Tile*>(Kestra::MemoryAlloc(uint32_t(columns * sizeof(Tile))));
        if (!rows_[r]) {
            FreeTiles();
            return false;
        }
        std::memset(static_cast<void*>(rows_[r]), 0, columns * sizeof(Tile));
    }
    int number = 0;
    for (int32_t r = 0; r < rows; ++r) {
        for (int32_t c = 0; c < columns; ++c) {
            Kestra::LogPrint("　");
            Tile& tile = rows_[r][c];
            tile.x = c * kTileSide;
            tile.y = r * kTileSide;
            tile.w = width_ - tile.x < kTileSide ? width_ - tile.x : kTileSide;
            tile.h = height_ - tile.y < kTileSide ? height_ - tile.y : kTileSide;
            // A tile that cannot be made fails the whole sheet.
            tile.texture = KestraTexture::Create(kTileSide, kTileSide, formatKind);
            if (!tile.texture) {
                FreeTiles();
                return false;
            }
            IDirect3DSurface9* surface = nullptr;
            tile.texture->GetSurface(&surface);
            const RECT dst{0, 0, tile.w, tile.h};
            const RECT src{tile.x, tile.y, tile.x + tile.w, tile.y + tile.h};
            const HRESULT loaded = surface ? D3DXLoadSurfaceFromSurface(surface, nullptr, &dst, picture, nullptr, &src,
                                                                        D3DX_FILTER_TRIANGLE, 0)
                                           : D3DERR_INVALIDCALL;
            if (surface) surface->Release();
            if (FAILED(loaded)) {
                FreeTiles();
                return false;
            }
            tile.texture->UpdateTexture();
            Kestra::LogPrint("　SheetNo.%02d : (%4d, %4d) - (%4d, %4d)", number++, tile.x, tile.y, tile.w, tile.h);
            Kestra::LogNewLine();
        }
    }
    return true;
}

bool CSheet::LogBuild(bool built) {
    if (built)
        Kestra::LogGreen("Success!");
    else
        Kestra::LogRed("データの展開に失敗しました");
    return built;
}

bool CSheet::CreateFromFile(const char* file, uint32_t formatKind, D3DCOLOR colorKey) {
    Kestra::LogBlue("CSheet::CreateFromFile");
    Kestra::LogPrint(" : [ %s ] : ", file ? file : "");
    uint8_t* data = nullptr;
    uint32_t size = 0;
    if (!file || !KestraFile::Load(file, &data, &size)) {
        Kestra::LogRed("ファイルの読み込みに失敗しました");
        return false;
    }
    const bool ok = LogBuild(Build(data, size, formatKind, colorKey));
    Kestra::MemoryFree(data);
    return ok;
}

bool CSheet::CreateFromMemory(void* data, uint32_t size, uint32_t formatKind, D3DCOLOR colorKey) {
    Kestra::LogBlue("CSheet::CreateFromMemory");
    const bool ok = LogBuild(Build(data, size, formatKind, colorKey));
    Kestra::MemoryFree(data);
    return ok;
}

bool CSheet::CreateFromLAG(const char* archive, const char* entry, uint32_t formatKind) {
    Kestra::LogBlue("CSheet::CreateFromLAG");
    Kestra::LogPrint(": [ %s / %s ] : ", archive ? archive : "", entry ? entry : "");
    CLagFile lag;
    const char* error = (archive && entry) ? lag.LoadImage(archive, entry) : "";
    if (error) {
        Kestra::LogRed("ファイルの読み込みに失敗しました [ %s ]", error);
        return false;
    }
    const bool ok = LogBuild(Build(lag.GetImage(), lag.GetImageSize(), formatKind, 0));
    lag.FreeImage();
    return ok;
}

void CSheet::SetPosition(float x, float y, uint32_t color) {
    for (int32_t r = 0; r < rowCount_; ++r)
        for (int32_t c = 0; c < columns_; ++c) {
            Tile& t = rows_[r][c];
            const float left = x + float(t.x), top = y + float(t.y);
            const float right = left + float(t.w), bottom = top + float(t.h);
            t.vertices[0] = Vertex{left, top, 0, 1, color, 0, 0};
            t.vertices[1] = Vertex{right, top, 0, 1, color, 0, 0};
            t.vertices[2] = Vertex{right, bottom, 0, 1, color, 0, 0};
            t.vertices[3] = Vertex{left, bottom, 0, 1, color, 0, 0};
        }
}

void CSheet::Draw() {
    const float t = KestraTexture::GetTexelOffset();
    if (IDirect3DDevice9* device = GetDevice()) device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    for (int32_t r = 0; r < rowCount_; ++r)
        for (int32_t c = 0; c < columns_; ++c) {
            const Tile& tile = rows_[r][c];
            const float w = float(tile.w), h = float(tile.h);
            const float uv[4][2] = {{t, t}, {w - t, t}, {w - t, h - t}, {t, h - t}};
            SimpleVertex fan[4] = {};
            for (int i = 0; i < 4; ++i) {
                fan[i].x = tile.vertices[i].x;
                fan[i].y = tile.vertices[i].y;
                fan[i].z = 0.0f;
                fan[i].rhw = 1.0f;
                fan[i].color = tile.vertices[i].color;
                fan[i].uv[0][0] = uv[i][0];
                fan[i].uv[0][1] = uv[i][1];
            }
            CTexture* texture = tile.texture;
            KestraSimple::DrawFan(fan, 4, &texture, 1);
        }
}

void CSheet::Transform(float cx, float cy, Kestra::Angle16 angle, float scale, bool rotate) {
    for (int32_t r = 0; r < rowCount_; ++r)
        for (int32_t c = 0; c < columns_; ++c)
            for (Vertex& v : rows_[r][c].vertices) {
                float p[2] = {v.x - cx, v.y - cy};
                if (rotate) Kestra::RotatePoint(p, uint16_t(angle));
                v.x = cx + p[0] * scale;
                v.y = cy + p[1] * scale;
            }
}

void CSheet::DrawAt(float x, float y, uint32_t color) {
    SetPosition(x, y, color);
    Draw();
}

void CSheet::DrawScale(float x, float y, float scale, uint32_t color, float offsetX, float offsetY) {
    SetPosition(x, y, color);
    Transform(x + float(width_ / 2) + offsetX, y + float(height_ / 2) + offsetY, 0, scale, false);
    Draw();
}

void CSheet::DrawRotate(float x, float y, Kestra::Angle16 angle, uint32_t color, float offsetX, float offsetY) {
    SetPosition(x, y, color);
    Transform(x + offsetX, y + offsetY, angle, 1.0f, true);
    Draw();
}

void CSheet::DrawRotateScale(float x, float y, Kestra::Angle16 angle, float scale, uint32_t color, float offsetX,
                             float offsetY) {
    SetPosition(x, y, color);
    Transform(x + offsetX, y + offsetY, angle, scale, true);
    Draw();
}

// ---- CSheetManager

CSheet* CSheetManager::Find(const char* name) { return static_cast<CSheet*>(FindNamed(name)); }

CSheet* CSheetManager::CreateFromFile(const char* file, uint32_t formatKind, D3DCOLOR colorKey) {
    char key[MAX_PATH] = {};
    if (!file || !KestraFile::GetFileKey(key, file)) return nullptr;
    if (CSheet* shared = Find(key)) return shared;
    return FinishCreate(new (std::nothrow) CSheet(this), nullptr,
                        [&](CSheet* s) { return s->CreateFromFile(file, formatKind, colorKey); }, key);
}

CSheet* CSheetManager::CreateFromMemory(void* data, uint32_t size, uint32_t formatKind, D3DCOLOR colorKey) {
    CSheet* sheet = new (std::nothrow) CSheet(this);
    if (!sheet) {
        Kestra::MemoryFree(data);
        return nullptr;
    }
    return FinishCreate(sheet, nullptr,
                        [&](CSheet* s) { return s->CreateFromMemory(data, size, formatKind, colorKey); }, nullptr);
}

CSheet* CSheetManager::CreateFromLAG(const char* archive, const char* entry, uint32_t formatKind) {
    char key[MAX_PATH] = {};
    if (!archive || !entry || !KestraFile::GetFileKey(key, archive)) return nullptr;
    char name[CBaseObject::kNameSize];
    const bool shareable = CLagFile::EntryKey(name, sizeof(name), key, entry);
    if (shareable)
        if (CSheet* shared = Find(name)) return shared;
    return FinishCreate(new (std::nothrow) CSheet(this), nullptr,
                        [&](CSheet* s) { return s->CreateFromLAG(key, entry, formatKind); },
                        shareable ? name : nullptr);
}
