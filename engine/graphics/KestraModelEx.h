// The model manager (models created from X files or memory, with their
// textures) and the reference-counted table of D3DX frame-hierarchy slots.
#pragma once

#include <cstdint>

#include "engine/graphics/CDeviceObject.h"
#include "engine/graphics/CModel.h"

class CModelManager : public CRestoreManager {
public:
    explicit CModelManager(IDirect3DDevice9* device) : CRestoreManager(device) {}

    // Null when the file does not load; the caller owns the model's reference.
    virtual LibModel::CModel* CreateFromMemory(const void* data, uint32_t size, uint16_t vsMajor, uint16_t vsMinor,
                                               uint32_t formatKind, D3DCOLOR colorKey);
    virtual LibModel::CModel* CreateFromFile(const char* file, uint16_t vsMajor, uint16_t vsMinor, uint32_t formatKind,
                                             D3DCOLOR colorKey);
};

namespace KestraModelEx {
bool Initialize();
void Finalize();
bool IsStarted();
void OnLostDevice();
void OnResetDevice();
CModelManager* GetManager();
LibModel::CModel* CreateFromMemory(const void* data, uint32_t size, uint16_t vsMajor, uint16_t vsMinor,
                                   uint32_t formatKind, D3DCOLOR colorKey);
LibModel::CModel* CreateFromFile(const char* file, uint16_t vsMajor, uint16_t vsMinor, uint32_t formatKind,
                                 D3DCOLOR colorKey);
}  // namespace KestraModelEx

// One slot of the table: a frame hierarchy with what it was loaded with.
struct KestraModelSlot {
    uint8_t inUse;
    uint32_t refCount;
    IUnknown* object;
    D3DXFRAME* root;
    void* block;  // engine allocator
};

namespace KestraModel {
constexpr int32_t kSlotCount = 64;
bool Initialize();
void Finalize();
bool IsStarted();
// False for -1 or a free slot; at the last reference the slot's hierarchy is destroyed.
bool Release(int32_t slot);
// The record of a slot (for the code that fills one), null outside the table.
KestraModelSlot* GetSlot(int32_t slot);
}  // namespace KestraModel
