// D3DX9's mesh part: buffers, meshes held in system memory with FVF or
// declaration formats, clone, locks, attribute tables, adjacency, optimisation,
// normals and bounds; skin information with the indexed-blend conversion;
// frame hierarchies; and meshes read from X file data objects.
#pragma once

#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/d3dx9core.h"
#include "platform/d3dx9/d3dx9math.h"
#include "platform/d3dx9/d3dx9xof.h"

#define D3DXERR_CANNOTMODIFYINDEXBUFFER MAKE_HRESULT(1, 0x876, 2900)
#define D3DXERR_INVALIDMESH MAKE_HRESULT(1, 0x876, 2901)
#define D3DXERR_CANNOTATTRSORT MAKE_HRESULT(1, 0x876, 2902)
#define D3DXERR_SKINNINGNOTSUPPORTED MAKE_HRESULT(1, 0x876, 2903)
#define D3DXERR_TOOMANYINFLUENCES MAKE_HRESULT(1, 0x876, 2904)
#ifndef D3DXERR_INVALIDDATA
#define D3DXERR_INVALIDDATA MAKE_HRESULT(1, 0x876, 2905)
#endif
#define D3DXERR_LOADEDMESHHASNODATA MAKE_HRESULT(1, 0x876, 2906)

#define MAX_FVF_DECL_SIZE (MAXD3DDECLLENGTH + 1)

// Mesh creation options.
#define D3DXMESH_32BIT 0x001
#define D3DXMESH_DONOTCLIP 0x002
#define D3DXMESH_POINTS 0x004
#define D3DXMESH_RTPATCHES 0x008
#define D3DXMESH_NPATCHES 0x4000
#define D3DXMESH_VB_SYSTEMMEM 0x010
#define D3DXMESH_VB_MANAGED 0x020
#define D3DXMESH_VB_WRITEONLY 0x040
#define D3DXMESH_VB_DYNAMIC 0x080
#define D3DXMESH_VB_SOFTWAREPROCESSING 0x8000
#define D3DXMESH_IB_SYSTEMMEM 0x100
#define D3DXMESH_IB_MANAGED 0x200
#define D3DXMESH_IB_WRITEONLY 0x400
#define D3DXMESH_IB_DYNAMIC 0x800
#define D3DXMESH_IB_SOFTWAREPROCESSING 0x10000
#define D3DXMESH_VB_SHARE 0x1000
#define D3DXMESH_USEHWONLY 0x2000
#define D3DXMESH_SYSTEMMEM 0x110
#define D3DXMESH_MANAGED 0x220
#define D3DXMESH_WRITEONLY 0x440
#define D3DXMESH_DYNAMIC 0x880
#define D3DXMESH_SOFTWAREPROCESSING 0x18000

// Optimisation flags; each of the first three includes the ones before it.
#define D3DXMESHOPT_COMPACT 0x01000000
#define D3DXMESHOPT_ATTRSORT 0x02000000
#define D3DXMESHOPT_VERTEXCACHE 0x04000000
#define D3DXMESHOPT_STRIPREORDER 0x08000000
#define D3DXMESHOPT_IGNOREVERTS 0x10000000
#define D3DXMESHOPT_DONOTSPLIT 0x20000000
#define D3DXMESHOPT_DEVICEINDEPENDENT 0x00400000

struct ID3DXMesh;
struct ID3DXSkinInfo;

typedef struct _D3DXATTRIBUTERANGE {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
} D3DXATTRIBUTERANGE;

typedef struct _D3DXMATERIAL {
    D3DMATERIAL9 MatD3D;
    LPSTR pTextureFilename;
} D3DXMATERIAL;

typedef struct _D3DXEFFECTDEFAULT {
    LPSTR pParamName;
    DWORD Type;
    DWORD NumBytes;
    LPVOID pValue;
} D3DXEFFECTDEFAULT;

typedef struct _D3DXEFFECTINSTANCE {
    LPSTR pEffectFilename;
    DWORD NumDefaults;
    D3DXEFFECTDEFAULT* pDefaults;
} D3DXEFFECTINSTANCE;

typedef struct _D3DXBONECOMBINATION {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
    DWORD* BoneId;  // palette size entries; UINT_MAX marks an unused one
} D3DXBONECOMBINATION;

typedef enum _D3DXMESHDATATYPE {
    D3DXMESHTYPE_MESH = 1,
    D3DXMESHTYPE_PMESH = 2,
    D3DXMESHTYPE_PATCHMESH = 3,
    D3DXMESHTYPE_FORCE_DWORD = 0x7fffffff
} D3DXMESHDATATYPE;

typedef struct _D3DXMESHDATA {
    D3DXMESHDATATYPE Type;
    union {
        ID3DXMesh* pMesh;
        void* pPMesh;
        void* pPatchMesh;
    };
} D3DXMESHDATA;

typedef struct _D3DXMESHCONTAINER {
    LPSTR Name;
    D3DXMESHDATA MeshData;
    D3DXMATERIAL* pMaterials;
    D3DXEFFECTINSTANCE* pEffects;
    DWORD NumMaterials;
    DWORD* pAdjacency;
    ID3DXSkinInfo* pSkinInfo;
    struct _D3DXMESHCONTAINER* pNextMeshContainer;
} D3DXMESHCONTAINER, *LPD3DXMESHCONTAINER;

typedef struct _D3DXFRAME {
    LPSTR Name;
    D3DXMATRIX TransformationMatrix;
    LPD3DXMESHCONTAINER pMeshContainer;
    struct _D3DXFRAME* pFrameSibling;
    struct _D3DXFRAME* pFrameFirstChild;
} D3DXFRAME, *LPD3DXFRAME;

struct ID3DXAllocateHierarchy {
    virtual HRESULT CreateFrame(LPCSTR Name, LPD3DXFRAME* ppNewFrame) = 0;
    virtual HRESULT CreateMeshContainer(LPCSTR Name, const D3DXMESHDATA* pMeshData, const D3DXMATERIAL* pMaterials,
                                        const D3DXEFFECTINSTANCE* pEffectInstances, DWORD NumMaterials,
                                        const DWORD* pAdjacency, ID3DXSkinInfo* pSkinInfo,
                                        LPD3DXMESHCONTAINER* ppNewMeshContainer) = 0;
    virtual HRESULT DestroyFrame(LPD3DXFRAME pFrameToFree) = 0;
    virtual HRESULT DestroyMeshContainer(LPD3DXMESHCONTAINER pMeshContainerToFree) = 0;
    virtual ~ID3DXAllocateHierarchy() = default;
};

// A mesh in system memory; the device is only remembered and handed back.
struct ID3DXMesh : public IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice9** ppDevice) = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetFVF() = 0;  // 0 when the declaration has no FVF equivalent
    virtual HRESULT GetDeclaration(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE]) = 0;
    virtual DWORD GetNumBytesPerVertex() = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT CloneMeshFVF(DWORD Options, DWORD FVF, IDirect3DDevice9* pDevice, ID3DXMesh** ppCloneMesh) = 0;
    virtual HRESULT CloneMesh(DWORD Options, const D3DVERTEXELEMENT9* pDeclaration, IDirect3DDevice9* pDevice,
                              ID3DXMesh** ppCloneMesh) = 0;
    virtual HRESULT LockVertexBuffer(DWORD Flags, LPVOID* ppData) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    virtual HRESULT LockIndexBuffer(DWORD Flags, LPVOID* ppData) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
    virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* pAttribTable, DWORD* pAttribTableSize) = 0;
    // Three neighbours per face (UINT_MAX for none): faces sharing an edge
    // whose end positions agree within Epsilon.
    virtual HRESULT GenerateAdjacency(FLOAT Epsilon, DWORD* pAdjacency) = 0;
    virtual HRESULT LockAttributeBuffer(DWORD Flags, DWORD** ppData) = 0;
    virtual HRESULT UnlockAttributeBuffer() = 0;
    virtual HRESULT Optimize(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                             ID3DXBuffer** ppVertexRemap, ID3DXMesh** ppOptMesh) = 0;
    virtual HRESULT OptimizeInplace(DWORD Flags, const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut,
                                    DWORD* pFaceRemap, ID3DXBuffer** ppVertexRemap) = 0;
    virtual HRESULT SetAttributeTable(const D3DXATTRIBUTERANGE* pAttribTable, DWORD cAttribTableSize) = 0;
};

struct ID3DXSkinInfo : public IUnknown {
    virtual HRESULT SetBoneInfluence(DWORD Bone, DWORD NumInfluences, const DWORD* vertices, const FLOAT* weights) = 0;
    virtual DWORD GetNumBoneInfluences(DWORD Bone) = 0;
    virtual HRESULT GetBoneInfluence(DWORD Bone, DWORD* vertices, FLOAT* weights) = 0;
    virtual HRESULT GetMaxVertexInfluences(DWORD* maxVertexInfluences) = 0;
    virtual DWORD GetNumBones() = 0;
    virtual HRESULT SetBoneName(DWORD Bone, LPCSTR pName) = 0;
    virtual LPCSTR GetBoneName(DWORD Bone) = 0;
    virtual HRESULT SetBoneOffsetMatrix(DWORD Bone, const D3DXMATRIX* pBoneTransform) = 0;
    virtual D3DXMATRIX* GetBoneOffsetMatrix(DWORD Bone) = 0;
    virtual DWORD GetFVF() = 0;
    // Splits the mesh into bone combinations of at most paletteSize bones and
    // writes palette-local blend indices with at most four influences a
    // vertex (the four largest, renormalised). The output's attribute ids are
    // the combination numbers; each combination keeps the source attribute.
    virtual HRESULT ConvertToIndexedBlendedMesh(ID3DXMesh* pMesh, DWORD Options, DWORD paletteSize,
                                                const DWORD* pAdjacencyIn, DWORD* pAdjacencyOut, DWORD* pFaceRemap,
                                                ID3DXBuffer** ppVertexRemap, DWORD* pMaxVertexInfl,
                                                DWORD* pNumBoneCombinations, ID3DXBuffer** ppBoneCombinationTable,
                                                ID3DXMesh** ppMesh) = 0;
};

HRESULT WINAPI D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options, DWORD FVF,
                                 IDirect3DDevice9* pDevice, ID3DXMesh** ppMesh);
HRESULT WINAPI D3DXCreateMesh(DWORD NumFaces, DWORD NumVertices, DWORD Options,
                              const D3DVERTEXELEMENT9* pDeclaration, IDirect3DDevice9* pDevice, ID3DXMesh** ppMesh);
HRESULT WINAPI D3DXCreateSkinInfoFVF(DWORD NumVertices, DWORD FVF, DWORD NumBones, ID3DXSkinInfo** ppSkinInfo);

UINT WINAPI D3DXGetFVFVertexSize(DWORD FVF);
UINT WINAPI D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* pDecl, DWORD Stream);
UINT WINAPI D3DXGetDeclLength(const D3DVERTEXELEMENT9* pDecl);
HRESULT WINAPI D3DXDeclaratorFromFVF(DWORD FVF, D3DVERTEXELEMENT9 pDeclarator[MAX_FVF_DECL_SIZE]);
HRESULT WINAPI D3DXFVFFromDeclarator(const D3DVERTEXELEMENT9* pDeclarator, DWORD* pFVF);

// Angle-weighted vertex normals from the faces (adjacency is not needed).
HRESULT WINAPI D3DXComputeNormals(ID3DXMesh* pMesh, const DWORD* pAdjacency);
HRESULT WINAPI D3DXComputeBoundingBox(const D3DXVECTOR3* pFirstPosition, DWORD NumVertices, DWORD dwStride,
                                      D3DXVECTOR3* pMin, D3DXVECTOR3* pMax);
// The centre is the mean of the positions, the radius the largest distance from it.
HRESULT WINAPI D3DXComputeBoundingSphere(const D3DXVECTOR3* pFirstPosition, DWORD NumVertices, DWORD dwStride,
                                         D3DXVECTOR3* pCenter, FLOAT* pRadius);

// Hands every mesh container and frame below pFrameRoot (siblings included) to the allocator.
HRESULT WINAPI D3DXFrameDestroy(LPD3DXFRAME pFrameRoot, ID3DXAllocateHierarchy* pAlloc);

// Reads a Mesh data object: faces fanned into triangles, a vertex split where
// its corners carry different normals, attributes from the material list,
// materials, and skin information (null when the mesh has no SkinWeights).
// Without D3DXMESH_32BIT a mesh of more than 65,535 vertices is refused.
HRESULT WINAPI D3DXLoadSkinMeshFromXof(ID3DXFileData* pxofMesh, DWORD Options, IDirect3DDevice9* pD3DDevice,
                                       ID3DXBuffer** ppAdjacency, ID3DXBuffer** ppMaterials,
                                       ID3DXBuffer** ppEffectInstances, DWORD* pMatOut, ID3DXSkinInfo** ppSkinInfo,
                                       ID3DXMesh** ppMesh);
HRESULT WINAPI D3DXLoadMeshFromXof(ID3DXFileData* pxofMesh, DWORD Options, IDirect3DDevice9* pD3DDevice,
                                   ID3DXBuffer** ppAdjacency, ID3DXBuffer** ppMaterials,
                                   ID3DXBuffer** ppEffectInstances, DWORD* pNumMaterials, ID3DXMesh** ppMesh);
