// Inside the Direct3D stand-in only: the backends the device draws through, OpenGL 3.3
// core on the SDL window or none.
#pragma once

#include <memory>
#include <string>

#include "platform/d3d9/d3d9_internal.h"

namespace d3d9impl {

class VertexShaderImpl;

struct DrawParams {
    const DeviceState* state;
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
    // The vertices the draw reads, first to last, for checks of what they hold.
    const uint8_t* readVertices;
    UINT readVertexCount;
};

// What the device draws through.
class Backend {
public:
    virtual ~Backend() = default;
    // Window mode and swap interval for a (new) set of present parameters.
    virtual void ApplyPresentParameters(const D3DPRESENT_PARAMETERS& params) = 0;
    // The window's size; left as it is when there is no window to ask.
    virtual void WindowSize(UINT* width, UINT* height) = 0;
    // Whether managed texture levels can live in the backend's textures alone.
    virtual bool HoldsManagedLevels() const = 0;
    virtual void CreateSurfaceObject(SurfaceImpl* surface) = 0;
    virtual void DestroySurfaceObject(SurfaceImpl* surface) = 0;
    virtual void CreateTextureObject(TextureImpl* texture) = 0;
    virtual void DestroyTextureObject(TextureImpl* texture) = 0;
    virtual void ReadBackSurface(SurfaceImpl* surface) = 0;  // backend -> CPU copy
    // One rectangle of a colour surface's level, in the surface's format, rows of
    // `pitch` bytes: from memory into the backend, or out of it into memory.
    virtual void UploadRect(SurfaceImpl* surface, const RECT& rect, const uint8_t* bytes, size_t pitch) = 0;
    virtual void ReadBackRect(SurfaceImpl* surface, const RECT& rect, uint8_t* bytes, size_t pitch) = 0;
    virtual unsigned CreateBuffer() = 0;  // 0: the buffer lives in CPU memory alone
    virtual void DestroyBuffer(unsigned buffer) = 0;
    // Clears and draws go to the state's render target and depth-stencil surface.
    virtual void Clear(const DeviceState& s, DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                       DWORD stencil) = 0;
    virtual void Draw(const DrawParams& p) = 0;
    // Shows the back buffer in the window (the one flip).
    virtual void Present(SurfaceImpl* backBuffer, bool fullscreen, bool capture) = 0;
    virtual size_t ProgramCount() const = 0;
    // A user vertex shader is gone: the programs no other live shader links to go too.
    virtual void ForgetVertexShader(const VertexShaderImpl* shader) {}
};

// No drawing at all: resources keep their CPU copies, so locks and read-backs still
// see what was written; draws and clears leave targets as they were.
class NullBackend final : public Backend {
public:
    void ApplyPresentParameters(const D3DPRESENT_PARAMETERS&) override {}
    void WindowSize(UINT*, UINT*) override {}
    bool HoldsManagedLevels() const override { return false; }
    void CreateSurfaceObject(SurfaceImpl*) override {}
    void DestroySurfaceObject(SurfaceImpl*) override {}
    void CreateTextureObject(TextureImpl*) override {}
    void DestroyTextureObject(TextureImpl*) override {}
    void ReadBackSurface(SurfaceImpl*) override {}
    void UploadRect(SurfaceImpl*, const RECT&, const uint8_t*, size_t) override {}
    void ReadBackRect(SurfaceImpl*, const RECT&, uint8_t*, size_t) override {}
    unsigned CreateBuffer() override { return 0; }
    void DestroyBuffer(unsigned) override {}
    void Clear(const DeviceState&, DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override {}
    void Draw(const DrawParams&) override {}
    void Present(SurfaceImpl*, bool, bool) override {}
    size_t ProgramCount() const override { return 0; }
};

// OpenGL 3.3 core on the window's SDL window; null with a reason on failure.
std::unique_ptr<Backend> CreateGlBackend(HWND window, std::string* error);

}  // namespace d3d9impl
