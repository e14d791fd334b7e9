// The texture manager: textures made for their owners, and the shared ones from
// files and archives found again by their canonical path.
#include "engine/graphics/CTexture.h"

#include <cstdio>
#include <new>

#include "engine/core/KestraFile.h"
#include "engine/graphics/CLagFile.h"
#include "engine/graphics/Kestra3D.h"

namespace {

// Runs the texture's create; names and answers it on success, releases it on failure.
template <class Fn>
CTexture* Finish(CTexture* texture, Fn&& create, const char* name) {
    if (!texture) return nullptr;
    if (!create(texture)) {
        texture->Release();
        return nullptr;
    }
    if (name) texture->SetName(name);
    return texture;
}

}  // namespace

CTexture* CTextureManager::FindShared(const char* name) { return static_cast<CTexture*>(FindNamed(name)); }

CTexture* CTextureManager::Create(uint32_t width, uint32_t height, uint32_t formatKind) {
    char name[CBaseObject::kNameSize];
    std::snprintf(name, sizeof(name), "OFFSCREEN [%dx%d] %s", int(width), int(height),
                  Kestra3D::GetFormatName(Kestra3D::GetFormat(formatKind, D3DFMT_UNKNOWN)));
    return Finish(new (std::nothrow) CTexture(this),
                  [&](CTexture* t) { return t->Create(width, height, formatKind); }, name);
}

CTexture* CTextureManager::CreateEx(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, D3DFORMAT format,
                                    D3DPOOL pool) {
    char name[CBaseObject::kNameSize];
    std::snprintf(name, sizeof(name), "OFFSCREEN_EX [%dx%d] %s", int(width), int(height),
                  Kestra3D::GetFormatName(format));
    return Finish(new (std::nothrow) CTexture(this),
                  [&](CTexture* t) { return t->CreateEx(width, height, levels, usage, format, pool); }, name);
}

CTexture* CTextureManager::CreateRenderTarget(uint32_t width, uint32_t height, uint32_t formatKind) {
    char name[CBaseObject::kNameSize];
    std::snprintf(name, sizeof(name), "RENDER_TARGET [%dx%d] %s", int(width), int(height),
                  Kestra3D::GetFormatName(Kestra3D::GetFormat(formatKind, D3DFMT_UNKNOWN)));
    return Finish(new (std::nothrow) CTexture(this),
                  [&](CTexture* t) { return t->CreateRenderTarget(width, height, formatKind); }, name);
}

CTexture* CTextureManager::CreateRenderTarget2(CTexture* source) {
    if (!source) return nullptr;
    char name[CBaseObject::kNameSize];
    std::snprintf(name, sizeof(name), "RENDER_TARGET [%dx%d] %s", int(source->GetWidth()), int(source->GetHeight()),
                  Kestra3D::GetFormatName(source->GetFormat()));
    return Finish(new (std::nothrow) CTexture(this), [&](CTexture* t) { return t->CreateFromTexture(source); },
                  name);
}

CTexture* CTextureManager::CreateFromLAG(const char* archive, const char* entry, uint32_t formatKind) {
    char key[MAX_PATH] = {};
    if (!archive || !entry || !KestraFile::GetFileKey(key, archive)) return nullptr;
    char name[CBaseObject::kNameSize];
    // A name cut to fit is not given either: a later whole name could equal it.
    const bool shareable = CLagFile::EntryKey(name, sizeof(name), key, entry);
    if (shareable)
        if (CTexture* shared = FindShared(name)) return shared;
    return Finish(new (std::nothrow) CTexture(this),
                  [&](CTexture* t) { return t->CreateFromLAG(key, entry, formatKind); }, shareable ? name : nullptr);
}

CTexture* CTextureManager::CreateFromFile(const char* file, uint32_t formatKind, D3DCOLOR colorKey) {
    char key[MAX_PATH] = {};
    if (!file || !KestraFile::GetFileKey(key, file)) return nullptr;
    if (CTexture* shared = FindShared(key)) return shared;
    return Finish(new (std::nothrow) CTexture(this),
                  [&](CTexture* t) { return t->CreateFromFile(file, formatKind, colorKey); }, key);
}

CTexture* CTextureManager::CreateFromMemory(const void* data, uint32_t size, uint32_t formatKind, D3DCOLOR colorKey) {
    return Finish(new (std::nothrow) CTexture(this),
                  [&](CTexture* t) { return t->CreateFromMemory(data, size, formatKind, colorKey); }, nullptr);
}
