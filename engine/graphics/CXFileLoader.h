// Turns one X file (text, binary or compressed; from the file system or from
// memory) into a model: frames, static and skinned meshes with their
// materials, and animation sets.
#pragma once

#include <cstdint>

#include "engine/graphics/CAnimation.h"
#include "engine/graphics/CBaseMesh.h"
#include "engine/graphics/CFrame.h"
#include "engine/graphics/CModel.h"
#include "platform/d3dx9/d3dx9mesh.h"

namespace LibModel {

class CXFileLoader : public CBaseObject {
public:
    static constexpr uint32_t kMaxBones = 48;

    CXFileLoader() = default;
    // Releases the model reference; the sets belong to the model by then.
    ~CXFileLoader() override;

    virtual bool LoadTopLevel(ID3DXFileEnumObject* enumeration);
    virtual bool LoadFrame(ID3DXFileData* data, CFrame* frame);
    virtual bool LoadFrameTransform(ID3DXFileData* data, CFrame* frame);
    virtual bool LoadMesh(ID3DXFileData* data, CFrame* frame);
    virtual bool LoadAnimationSet(ID3DXFileData* data, AnimasionSet* set);
    virtual bool LoadAnimation(ID3DXFileData* data, CAnimation* animation, AnimasionSet* set);
    virtual bool LoadMaterials(CBaseMesh* mesh, uint32_t count, ID3DXBuffer* materials);
    virtual bool AddNormals(ID3DXMesh** mesh);
    virtual void BindMeshes();
    virtual bool LoadFromFile(const char* file, uint16_t vsMajor, uint16_t vsMinor, CDeviceObjectManager* manager);
    virtual bool LoadFromMemory(const void* data, uint32_t size, uint16_t vsMajor, uint16_t vsMinor,
                                CDeviceObjectManager* manager);
    // The caller owns the reference handed out.
    virtual bool GetModel(CModel** out);

    // Objects this load kept (dropped ones are not counted).
    uint32_t GetFrameCount() const { return frameCount_; }
    uint32_t GetMeshCount() const { return meshCount_; }

private:
    // A frame whose load is under way, linked to the one around it.
    struct Loading {
        const char* name;
        GUID id;
        const Loading* outer;
    };

    CFrame* NewFrame();
    // Whether the object is one of the frames being loaded (by name and id).
    bool IsLoading(ID3DXFileData* data) const;

    uint16_t vsMajor_ = 0;
    uint16_t vsMinor_ = 0;
    CModel* model_ = nullptr;
    CObjectList sets_;
    uint32_t frameCount_ = 0;
    uint32_t meshCount_ = 0;
    const Loading* loading_ = nullptr;
};

}  // namespace LibModel
