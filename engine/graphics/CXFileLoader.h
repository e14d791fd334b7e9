// Turns one X file (text, binary or compressed; from the file system or from
// memory) into a model: frames, static and skinned meshes with their
// materials, and animation sets.
#pragma once

#include <cstdint>

#include "engine/graphics/CAnimation.h"
#include "engine/graphics/CBaseMesh.h"
#include "engine/graphics/CFrame.h"
#include "engine/graphics/CModel.h"
#include "engine/graphics/CXFileAnimation.h"
#include "platform/d3dx9/d3dx9mesh.h"

namespace LibModel {

class CXFileLoader : public CBaseObject, private ReadBudget {
public:
    static constexpr uint32_t kMaxBones = 48;
    // What one file may make the loader build and read. References copy whole
    // subtrees and read their targets again, so a few hundred bytes could
    // otherwise ask for millions of frames, a mesh or a weight list thousands
    // of times, or a key table for each animation of a set. The largest models
    // loaded anywhere (the test corpus's) are 838 KB with 57 frames, 13 levels,
    // 3 meshes, 10,788 vertices and triangles, 3 materials, 3 sets, 109 keys in
    // a table, 858 objects and 95,205 values read; the limits leave a wide
    // margin, keep the tree shallow enough for the recursive frame walks, and
    // keep any load within about 1 s and 150 MB (key tables of three tables a
    // key of five numbers cost the most, 29 bytes a number). Each is
    // checked before what it counts is read or allocated for. Past any of them
    // the load fails, with one line naming the file and the limit: a model cut
    // off at an arbitrary frame would bind animations and bones to frames that
    // are missing.
    //
    // The limits agree: any mesh inside the element limit that 16-bit indices
    // can draw, with everything a mesh can carry (MeshValues below), is inside
    // the value limit, which is what the reader may hold of a file (a number is
    // four bytes); so is the file itself, inflated. A key table may hold what
    // the step, linear and Hermite modes find in a search of 16 steps (18
    // minutes baked at 60 keys a second); the polynomial mode, whose first pose
    // costs the square of a table's keys and every pose its keys, takes at most
    // KestraAnimation::kMaxPolynomialKeys of them.
    static constexpr uint32_t kMaxFrames = 4096;          // frames made, copies and roots included
    static constexpr uint32_t kMaxDepth = 256;            // levels of the built tree, through references too
    static constexpr uint32_t kMaxMeshes = 256;           // meshes read, copies included
    static constexpr uint32_t kMaxMeshElements = 262144;  // their vertices and the triangles of their faces
    static constexpr uint32_t kMaxObjects = 65536;        // objects read in frames, meshes and sets, copies included
    static constexpr uint32_t kMaxMaterials = 4096;       // materials made for those meshes
    static constexpr uint32_t kMaxSets = 256;             // animation sets read
    static constexpr uint32_t kMaxKeys = 65536;           // keys in one key table
    // Numbers in the meshes and key tables read, copies included.
    static constexpr uint32_t kMaxValues = uint32_t(KESTRA_XFILE_MAX_HELD / 4);
    // The file, inflated (checked before it is).
    static constexpr uint32_t kMaxFileBytes = uint32_t(KESTRA_XFILE_MAX_HELD);

    // The numbers of a Mesh object of `triangles` in triangle faces and its
    // children, as the value limit counts them: a normal (its faces matching the
    // mesh's), a texture coordinate and a colour for each vertex, a list of
    // `materials` textured materials, and a skin of `bones` bones with four
    // influences a vertex and its duplication indices. A face of more corners
    // holds fewer numbers for its triangles.
    static constexpr uint64_t MeshValues(uint64_t vertices, uint64_t triangles, uint64_t materials, uint64_t bones) {
        const uint64_t faces = 2 + 3 * vertices + 4 * triangles;  // the mesh's, and the normals' alike
        const uint64_t list = 2 + triangles + materials * (11 + 2);
        const uint64_t skin = 2 + bones * (2 + 1 + 16) + 4 * vertices * 2 + (2 + vertices);
        return 2 * faces + (1 + 2 * vertices) + (1 + 5 * vertices) + list + skin;
    }

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

    // Frames this load made, meshes it kept, values it took (a refused load stops at its limit,
    // with what it refused counted).
    uint32_t GetFrameCount() const { return frameCount_; }
    uint32_t GetMeshCount() const { return meshCount_; }
    uint64_t GetValueCount() const { return values_; }

private:
    // A frame whose load is under way, linked to the one around it.
    struct Loading {
        const char* name;
        GUID id;
        uint32_t depth;  // 1 for a root
        const Loading* outer;
    };

    // Forgets the last load: its model, sets and counts.
    void Clear();
    // Null when the frame limit is reached (the load is refused) or memory runs out.
    CFrame* NewFrame();
    // Logs the one line of a refused load; answers false.
    bool Refuse(const char* what, uint32_t limit);
    bool Take(uint32_t objects, uint64_t values, uint32_t tableKeys = 0) override;
    // Takes an object's values and those of its children `levels` deep.
    bool TakeTree(ID3DXFileData* data, uint32_t levels);
    // Whether the object is one of the frames being loaded (by name and id).
    bool IsLoading(ID3DXFileData* data) const;

    uint16_t vsMajor_ = 0;
    uint16_t vsMinor_ = 0;
    CModel* model_ = nullptr;
    CObjectList sets_;
    uint32_t frameCount_ = 0;
    uint32_t meshCount_ = 0;
    uint32_t meshReads_ = 0;
    uint64_t objects_ = 0;
    uint64_t values_ = 0;
    uint64_t meshElements_ = 0;
    uint64_t materials_ = 0;
    bool refused_ = false;
    const char* source_ = nullptr;  // the file's name, for the log
    const Loading* loading_ = nullptr;
};

static_assert(CXFileLoader::MeshValues(65535, CXFileLoader::kMaxMeshElements - 65535, 256, CXFileLoader::kMaxBones) <=
              CXFileLoader::kMaxValues);

}  // namespace LibModel
