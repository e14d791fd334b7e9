// Inside the Direct3D stand-in only: the vertex shader object and its GL side.
#pragma once

#include <cstdint>
#include <string>

#include "platform/d3d9/d3d9_internal.h"
#include "platform/d3d9/d3d9shader.h"

namespace d3d9impl {

class VertexShaderImpl final : public IDirect3DVertexShader9 {
public:
    VertexShaderImpl(Device* device, d3d9shader::VertexShaderDesc desc);
    ~VertexShaderImpl() override;
    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice9** device) override;

    const d3d9shader::VertexShaderDesc desc;
    const uint64_t key;  // equal for shaders that would link to the same program

private:
    Device* device_;
    ULONG refs_ = 1;
};

// GL side, used by the backend's draw.
struct UserProgram {
    unsigned id = 0;
    int viewport = -1;
    std::vector<int> constantLocations;  // per binding
    std::vector<int> inputLocations;     // per input
};
// Vertex text for a user shader: its GLSL plus the main that applies the device's
// clip-space corrections and feeds the fixed-function fragment stage.
std::string UserVertexText(const VertexShaderImpl& shader, bool flat, bool capture);
void PrepareUserProgram(unsigned program, const VertexShaderImpl& shader, bool capture);  // before linking
void LocateUserProgram(UserProgram* p, const VertexShaderImpl& shader);                 // after linking
void UploadUserConstants(const UserProgram& p, const VertexShaderImpl& shader, const float (*registers)[4]);
// Points the shader's inputs at the layout's elements; answers the attribute mask used.
uint32_t BindUserInputs(const UserProgram& p, const VertexShaderImpl& shader, const VertexLayout& layout,
                        size_t vertexOffset, unsigned stride);
// One vertex attribute from a Direct3D declaration type; false for types GL cannot read.
bool AttribPointer(unsigned location, BYTE declType, unsigned stride, size_t offset);
bool CaptureEnabled();
// Wraps one draw in transform feedback when capturing (`begin` false ends it).
void CaptureDraw(bool begin, unsigned primitiveMode, size_t vertices);

}  // namespace d3d9impl
