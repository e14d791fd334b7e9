// The mesh object behind ID3DXMesh, shared by the loader and the skin conversion.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3dx9/d3dx9_com.h"
#include "platform/d3dx9/d3dx9mesh.h"

namespace d3dx {

class MeshImpl final : public RefCounted<ID3DXMesh> {
public:
    // decl: without the end marker. Fails (null) on a declaration it cannot lay out.
    static MeshImpl* Create(DWORD faces, DWORD vertices, DWORD options, const std::vector<D3DVERTEXELEMENT9>& decl,
                            IDirect3DDevice9* device);
    ~MeshImpl() override;

    HRESULT GetDevice(IDirect3DDevice9** out) override;
    DWORD GetNumFaces() override { return DWORD(attributes.size()); }
    DWORD GetNumVertices() override { return stride ? DWORD(vertexBytes.size() / stride) : 0; }
    DWORD GetFVF() override { return fvf; }
    HRESULT GetDeclaration(D3DVERTEXELEMENT9 out[MAX_FVF_DECL_SIZE]) override;
    DWORD GetNumBytesPerVertex() override { return stride; }
    DWORD GetOptions() override { return options; }
    HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** out) override;
    HRESULT CloneMesh(DWORD options, const D3DVERTEXELEMENT9* decl, IDirect3DDevice9* device,
                      ID3DXMesh** out) override;
    HRESULT LockVertexBuffer(DWORD flags, LPVOID* data) override;
    HRESULT UnlockVertexBuffer() override { return S_OK; }
    HRESULT LockIndexBuffer(DWORD flags, LPVOID* data) override;
    HRESULT UnlockIndexBuffer() override { return S_OK; }
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) override;
    HRESULT GenerateAdjacency(FLOAT epsilon, DWORD* adjacency) override;
    HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) override;
    HRESULT UnlockAttributeBuffer() override { return S_OK; }
    HRESULT Optimize(DWORD flags, const DWORD* adjIn, DWORD* adjOut, DWORD* faceRemap, ID3DXBuffer** vertexRemap,
                     ID3DXMesh** out) override;
    HRESULT OptimizeInplace(DWORD flags, const DWORD* adjIn, DWORD* adjOut, DWORD* faceRemap,
                            ID3DXBuffer** vertexRemap) override;
    HRESULT SetAttributeTable(const D3DXATTRIBUTERANGE* table, DWORD size) override;

    // Neighbours across edges whose ends have the same representative vertex.
    HRESULT AdjacencyFromRepresentatives(const std::vector<uint32_t>& rep, DWORD* adjacency);
    uint32_t Index(size_t i) const;
    void SetIndex(size_t i, uint32_t v);
    const float* Position(uint32_t vertex) const {
        return reinterpret_cast<const float*>(vertexBytes.data() + size_t(vertex) * stride);
    }

    DWORD options = 0;
    DWORD fvf = 0;
    std::vector<D3DVERTEXELEMENT9> decl;
    DWORD stride = 0;
    std::vector<uint8_t> vertexBytes;
    std::vector<uint8_t> indexBytes;  // 2 or 4 bytes an index by D3DXMESH_32BIT
    std::vector<DWORD> attributes;
    std::vector<D3DXATTRIBUTERANGE> table;
    IDirect3DDevice9* device = nullptr;
};

// Copies every element both layouts have (by usage and usage index),
// converting between float widths; elements new to dst are zero.
void ConvertVertices(const std::vector<D3DVERTEXELEMENT9>& srcDecl, DWORD srcStride, const uint8_t* src,
                     const std::vector<D3DVERTEXELEMENT9>& dstDecl, DWORD dstStride, uint8_t* dst, size_t count);
bool DeclFromFvf(DWORD fvf, std::vector<D3DVERTEXELEMENT9>* decl);
DWORD DeclStride(const std::vector<D3DVERTEXELEMENT9>& decl);
ID3DXBuffer* NewBuffer(size_t bytes);

}  // namespace d3dx
