// Geometry drawn without a device object of its own: one shared dynamic buffer
// through which a caller draws a textured fan of screen vertices at once, and a
// table of grid-mesh records whose per-cell buffers live in the default pool and
// are rebuilt after a device reset.
#pragma once

#include <cstdint>

#include "platform/d3d9/d3d9.h"

class CTexture;
class CShaderFx;

// A pre-transformed vertex of the fan: u, v in texture pixels of each stage.
struct SimpleVertex {
    float x, y, z, rhw;
    uint32_t color;
    float uv[4][2];
};
static_assert(sizeof(SimpleVertex) == 52);

// One cell of a grid mesh: its Direct3D objects and the memory they are made from.
struct SimpleGridCell {
    IDirect3DVertexDeclaration9* declaration;
    IDirect3DVertexBuffer9* vertexBuffer;
    IDirect3DIndexBuffer9* indexBuffer;
    uint32_t vertexCount;
    uint32_t indexCount;
    void* vertexData;    // SimpleGridVertex, or SimpleGridPoint with the point layout
    uint16_t* indexData;
    void* extra;
};

// The cell vertex in its buffer: position, normal, texture coordinates.
struct SimpleGridVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};
static_assert(sizeof(SimpleGridVertex) == 32);
// The point layout of the cell data: position and texture coordinates; the
// buffer gets an upward normal.
struct SimpleGridPoint {
    float x, y, z;
    float u, v;
};

struct SimpleGridMaterial {
    CTexture* textures[4];
};

struct SimpleQuadNode {
    SimpleQuadNode* children[4];
};

// A grid-mesh record; all zero while free.
struct SimpleGridRecord {
    uint8_t inUse;
    int32_t refCount;
    uint32_t side;               // side x side cells
    SimpleGridCell* cells;       // engine memory
    void* extra;                 // engine memory
    SimpleGridMaterial* materials;  // engine memory
    uint32_t materialCount;
    SimpleQuadNode* quadTree;    // engine memory, children before parents when freed
    CShaderFx* effect;
    uint8_t pointLayout;         // cell data in the point layout
};

namespace KestraSimple {

constexpr uint32_t kFanVertexCount = 256;
constexpr uint32_t kFanFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX4;
constexpr uint32_t kDefaultRecordCount = 64;

// Starts the module and makes the shared buffer; false (with the red line)
// when the buffer cannot be made.
bool Initialize();
// Lets go of the shared buffer and ends the module.
void Finalize();
bool IsStarted();
// The shared buffer alone, as a device loss and reset drop and remake it
// without starting or ending the module.
bool CreateFanBuffer();
void ReleaseFanBuffer();
// Draws one fan of 3 to 256 vertices at once (other counts draw nothing), with
// up to four stages textured; the vertices are converted in place.
void DrawFan(SimpleVertex* vertices, uint32_t count, CTexture* const* textures, uint32_t stageCount);
// The shared buffer, null while there is none.
IDirect3DVertexBuffer9* GetFanBuffer();

// The record count of the next InitializeTable (64 until set).
void SetRecordCount(uint32_t count);
bool InitializeTable();
void FinalizeTable();
uint32_t GetRecordCount();
// The record at index, null outside the table.
SimpleGridRecord* GetRecord(int32_t index);
// Releases the cells' buffers / rebuilds every record in use.
void OnLostDevice();
void OnResetDevice();
// Makes one record's cell objects again from its memory.
void RestoreRecord(int32_t index);
// False for an index outside the table or a free record; else one reference
// less, and at none everything the record holds is freed.
bool ReleaseRecord(int32_t index);

}  // namespace KestraSimple
