// Inside the Direct3D stand-in only: drawing through OpenGL 3.3 core on the SDL window.
#pragma once

#include <memory>
#include <string>

#include "platform/d3d9/d3d9_internal.h"

namespace d3d9impl {

struct DrawParams {
    const DeviceState* state;
    SurfaceImpl* renderTarget;
    SurfaceImpl* depthStencil;
    const VertexLayout* layout;
    UINT stride;
    D3DPRIMITIVETYPE type;
    UINT vertexCount;  // vertices (non-indexed) or indices (indexed) to draw
    // Vertex source: a buffer at a byte offset, or user memory.
    VertexBufferImpl* vertexBuffer;
    size_t vertexOffset;  // bytes from the buffer start to vertex 0 of the draw
    const uint8_t* userVertices;
    size_t userVertexBytes;
    UINT firstVertex;  // non-indexed draws
    INT baseVertex;    // indexed draws from a buffer
    // Indices: a buffer (start in indices) or user memory.
    bool indexed;
    IndexBufferImpl* indexBuffer;
    const void* userIndices;
    bool index32;
    UINT startIndex;
};

class GlBackend {
public:
    // Makes a GL 3.3 core context on the window; null with a reason on failure.
    static std::unique_ptr<GlBackend> Create(HWND window, std::string* error);
    ~GlBackend();
    GlBackend(const GlBackend&) = delete;
    GlBackend& operator=(const GlBackend&) = delete;

    void MakeCurrent();
    // Window mode and swap interval for a (new) set of present parameters.
    bool ApplyPresentParameters(const D3DPRESENT_PARAMETERS& params);
    void WindowSize(UINT* width, UINT* height);

    void CreateSurfaceObject(SurfaceImpl* surface);
    void DestroySurfaceObject(SurfaceImpl* surface);
    void CreateTextureObject(TextureImpl* texture);
    void DestroyTextureObject(TextureImpl* texture);
    void UploadSurface(SurfaceImpl* surface);    // CPU copy -> GL
    void ReadBackSurface(SurfaceImpl* surface);  // GL -> CPU copy
    // One rectangle of a colour surface's level, in the surface's format, rows of
    // `pitch` bytes: from memory into GL, or out of GL into memory.
    void UploadRect(SurfaceImpl* surface, const RECT& rect, const uint8_t* bytes, size_t pitch);
    void ReadBackRect(SurfaceImpl* surface, const RECT& rect, uint8_t* bytes, size_t pitch);
    unsigned CreateBuffer();
    void DestroyBuffer(unsigned buffer);
    void UploadBuffer(unsigned buffer, const void* data, size_t size, bool index);

    void Clear(const DeviceState& s, SurfaceImpl* rt, SurfaceImpl* ds, DWORD count, const D3DRECT* rects,
               DWORD flags, D3DCOLOR color, float z, DWORD stencil);
    void Draw(const DrawParams& p);
    // Blits the back buffer to the window (the one flip), then swaps.
    void Present(SurfaceImpl* backBuffer, bool fullscreen, bool capture);
    size_t ProgramCount() const;

private:
    GlBackend();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace d3d9impl
