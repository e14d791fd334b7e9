// The model manager and the frame-hierarchy slot table.
#include "engine/graphics/KestraModelEx.h"

#include <cstring>
#include <new>

#include "engine/core/Kestra.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CAllocateHierarchy.h"
#include "engine/graphics/CMaterial.h"
#include "engine/graphics/CXFileLoader.h"
#include "engine/graphics/KestraManagerModule.h"
#include "engine/graphics/KestraTexture.h"

using LibModel::CModel;

namespace {

// The textures each material names, created through the texture manager so
// that a file named twice is one texture.
void LoadTextures(CModel* model, bool fromMemory, uint32_t formatKind, D3DCOLOR colorKey) {
    for (uint32_t i = 0; i < model->GetMeshCount(); ++i) {
        CBaseObject* meshObject = nullptr;
        if (!model->QueryObject(i, &LibModel::kClassBaseMesh, &meshObject)) continue;
        auto* mesh = static_cast<LibModel::CBaseMesh*>(meshObject);
        for (uint32_t j = 0; j < mesh->GetMaterialCount(); ++j) {
            CBaseObject* materialObject = nullptr;
            if (!mesh->GetMaterial(j, &LibModel::kClassMaterial, &materialObject)) continue;
            auto* material = static_cast<LibModel::CMaterial*>(materialObject);
            for (uint32_t stage = 0; stage < LibModel::CMaterial::kStages; ++stage) {
                char name[LibModel::CMaterial::kNameSize];
                material->GetTextureName(stage, name);
                if (!name[0]) continue;
                if (fromMemory) {
                    Kestra::LogPrint("　　");
                    const char* file = name;
                    if (name[1] == ':') {
                        const char* slash = std::strrchr(name, '\\');
                        if (slash) file = slash + 1;
                    }
                    CTexture* texture = KestraTexture::CreateFromFile(file, formatKind, colorKey);
                    material->SetTexture(stage, texture);
                    KestraTexture::Release(texture);
                    continue;
                }
                CTexture* texture = KestraTexture::CreateFromFile(name, formatKind, colorKey);
                if (!texture) continue;
                Kestra::LogPrint("　MATERIAL [%d] [0x%08X] -> [0x%08X]", int(stage),
                                 unsigned(reinterpret_cast<uintptr_t>(material)),
                                 unsigned(reinterpret_cast<uintptr_t>(texture)));
                Kestra::LogNewLine();
                material->SetTexture(stage, texture);
                KestraTexture::Release(texture);
            }
            material->Release();
        }
        mesh->Release();
    }
}

CModel* Finish(LibModel::CXFileLoader& loader, bool loaded, bool fromMemory, uint32_t formatKind, D3DCOLOR colorKey) {
    CModel* model = nullptr;
    if (!loaded || !loader.GetModel(&model)) return nullptr;
    Kestra::LogPrint("} : Load Textures : {");
    Kestra::LogNewLine();
    LoadTextures(model, fromMemory, formatKind, colorKey);
    Kestra::LogPrint("} : ");
    Kestra::LogGreen("Success!");
    Kestra::LogNewLine();
    return model;
}

KestraManagerModule<CModelManager>& Module() {
    static KestraManagerModule<CModelManager> module("KestraModelExクラスの初期化", "KestraModelExクラスの解放");
    return module;
}

}  // namespace

CModel* CModelManager::CreateFromMemory(const void* data, uint32_t size, uint16_t vsMajor, uint16_t vsMinor,
                                        uint32_t formatKind, D3DCOLOR colorKey) {
    Kestra::LogBlue("KestraModelEx::CreateFromMemory");
    Kestra::LogPrint(" : {");
    Kestra::LogNewLine();
    LibModel::CXFileLoader loader;
    const bool loaded = loader.LoadFromMemory(data, size, vsMajor, vsMinor, this);
    return Finish(loader, loaded, true, formatKind, colorKey);
}

CModel* CModelManager::CreateFromFile(const char* file, uint16_t vsMajor, uint16_t vsMinor, uint32_t formatKind,
                                      D3DCOLOR colorKey) {
    Kestra::LogBlue("KestraModelEx::CreateFromFile");
    Kestra::LogPrint(" : [ %s ] : {", file);
    Kestra::LogNewLine();
    LibModel::CXFileLoader loader;
    const bool loaded = loader.LoadFromFile(file, vsMajor, vsMinor, this);
    return Finish(loader, loaded, false, formatKind, colorKey);
}

namespace KestraModelEx {
bool Initialize() { return Module().Start(); }
void Finalize() { Module().Finish(); }
bool IsStarted() { return Module().IsStarted(); }
void OnLostDevice() { Module().OnLostDevice(); }
void OnResetDevice() { Module().OnResetDevice(); }
CModelManager* GetManager() { return Module().Get(); }

CModel* CreateFromMemory(const void* data, uint32_t size, uint16_t vsMajor, uint16_t vsMinor, uint32_t formatKind,
                         D3DCOLOR colorKey) {
    return Module().Create(
        [&](CModelManager* m) { return m->CreateFromMemory(data, size, vsMajor, vsMinor, formatKind, colorKey); });
}

CModel* CreateFromFile(const char* file, uint16_t vsMajor, uint16_t vsMinor, uint32_t formatKind, D3DCOLOR colorKey) {
    return Module().Create(
        [&](CModelManager* m) { return m->CreateFromFile(file, vsMajor, vsMinor, formatKind, colorKey); });
}
}  // namespace KestraModelEx

namespace KestraModel {
namespace {
KestraModelSlot* g_slots = nullptr;
}  // namespace

bool Initialize() {
    if (!g_slots) g_slots = new KestraModelSlot[kSlotCount]();
    Kestra::LogNewLine();
    return true;
}

bool IsStarted() { return g_slots != nullptr; }

KestraModelSlot* GetSlot(int32_t slot) {
    return g_slots && slot >= 0 && slot < kSlotCount ? &g_slots[slot] : nullptr;
}

bool Release(int32_t slot) {
    KestraModelSlot* s = GetSlot(slot);
    if (!s || !s->inUse) return false;
    if (s->refCount > 1) {
        --s->refCount;
        return true;
    }
    Kestra::MemoryFree(s->block);
    if (s->root) {
        CAllocateHierarchy allocator(0, 0);
        D3DXFrameDestroy(s->root, &allocator);
    }
    if (s->object) s->object->Release();
    *s = KestraModelSlot{};
    return true;
}

void Finalize() {
    if (!g_slots) return;
    Kestra::LogHeadline("KestraModelクラスの解放");
    for (int32_t i = 0; i < kSlotCount; ++i) {
        if (!g_slots[i].inUse) continue;
        g_slots[i].refCount = 1;
        Release(i);
    }
    delete[] g_slots;
    g_slots = nullptr;
}
}  // namespace KestraModel
