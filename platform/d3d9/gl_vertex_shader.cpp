// Programmable vertex shaders: the shader object, and how the GL backend links, feeds
// and (for tests) captures them.
#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/d3d9/backend.h"
#include "platform/d3d9/gl_fixed_function.h"
#include "platform/d3d9/vertex_shader.h"
#include "platform/win32/testing.h"

namespace d3d9impl {

namespace {
uint64_t Fnv(uint64_t h, std::string_view s) {
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h ^ 0xFF;  // separator
}

uint64_t DescKey(const d3d9shader::VertexShaderDesc& d) {
    uint64_t h = Fnv(1469598103934665603ull, d.glsl);
    for (const auto& i : d.inputs) h = Fnv(h, std::to_string(i.usage) + "," + std::to_string(i.usageIndex) + i.glName);
    for (const auto& o : d.outputs)
        h = Fnv(h, std::to_string(o.usage) + "," + std::to_string(o.usageIndex) + "," +
                       std::to_string(o.components) + o.glName);
    for (const auto& c : d.constants)
        h = Fnv(h, c.glName + "," + std::to_string(int(c.kind)) + "," + std::to_string(c.rows) + "," +
                       std::to_string(c.columns) + "," + std::to_string(c.count) + "," +
                       std::to_string(c.startRegister));
    return h;
}

std::mutex g_captureMutex;
bool g_capture = false;
std::vector<d3d9shader::capture::Vertex> g_captured;
GLuint g_captureBuffer = 0;  // lives for one captured draw
constexpr int kCaptureFloats = 17;  // vClip, vDiffuse, vTex[0], vTex[1], vFog
}  // namespace

VertexShaderImpl::VertexShaderImpl(Device* device, d3d9shader::VertexShaderDesc d)
    : desc(std::move(d)), key(DescKey(desc)), device_(device) {
    device_->AddRefInternal();
}
VertexShaderImpl::~VertexShaderImpl() {
    if (device_->backend()) device_->backend()->ForgetVertexShader(this);
    device_->ReleaseInternal();
}
HRESULT VertexShaderImpl::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown) {
        AddRef();
        *object = static_cast<IUnknown*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}
ULONG VertexShaderImpl::AddRef() { return ++refs_; }
ULONG VertexShaderImpl::Release() {
    ULONG n = refs_ > 0 ? --refs_ : 0;
    if (n == 0) delete this;
    return n;
}
HRESULT VertexShaderImpl::GetDevice(IDirect3DDevice9** device) {
    if (!device) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *device = device_;
    return D3D_OK;
}

std::string UserVertexText(const VertexShaderImpl& shader, bool flat, bool capture) {
    const auto& d = shader.desc;
    std::string s = d.glsl;
    s += "\nuniform vec4 uViewport;\n";
    s += StageVaryings(flat, "out");
    if (capture) s += "out vec4 vClip;\nout float vFog;\n";
    auto output = [&](BYTE usage, BYTE index, const char* fill) -> std::string {
        for (const auto& o : d.outputs) {
            if (o.usage != usage || o.usageIndex != index) continue;
            static const char* const pad[] = {"", ".x", ".xy", ".xyz", ""};
            static const char* const rest[] = {"", ", 0.0, 0.0, 1.0)", ", 0.0, 1.0)", ", 1.0)", ")"};
            UINT n = std::min<UINT>(o.components, 4);
            if (usage == d3d9shader::kUsageFog) return o.glName + (n > 1 ? ".x" : "");
            return "vec4(" + o.glName + pad[n] + rest[n];
        }
        return fill;
    };
    s += "void main() {\n  ShaderMain();\n";
    s += "  vec4 c = " + output(D3DDECLUSAGE_POSITION, 0, "vec4(0.0, 0.0, 0.0, 1.0)") + ";\n";
    s += kGlPositionFromClip;
    s += "  vDiffuse = " + output(D3DDECLUSAGE_COLOR, 0, "vec4(1.0)") + ";\n";
    s += "  vSpecular = " + output(D3DDECLUSAGE_COLOR, 1, "vec4(0.0)") + ";\n";
    for (int i = 0; i < 8; ++i)
        s += "  vTex[" + std::to_string(i) + "] = " + output(D3DDECLUSAGE_TEXCOORD, BYTE(i), "vec4(0.0, 0.0, 0.0, 1.0)") +
             ";\n";
    if (capture) s += "  vClip = c;\n  vFog = " + output(d3d9shader::kUsageFog, 0, "0.0") + ";\n";
    s += "}\n";
    return s;
}

void PrepareUserProgram(unsigned program, const VertexShaderImpl&, bool capture) {
    if (!capture) return;
    static const char* const names[] = {"vClip", "vDiffuse", "vTex[0]", "vTex[1]", "vFog"};
    glTransformFeedbackVaryings(program, 5, names, GL_INTERLEAVED_ATTRIBS);
}

void LocateUserProgram(UserProgram* p, const VertexShaderImpl& shader) {
    p->viewport = glGetUniformLocation(p->id, "uViewport");
    p->constantLocations.clear();
    for (const auto& c : shader.desc.constants) p->constantLocations.push_back(glGetUniformLocation(p->id, c.glName.c_str()));
    p->inputLocations.clear();
    for (const auto& i : shader.desc.inputs) p->inputLocations.push_back(glGetAttribLocation(p->id, i.glName.c_str()));
}

void UploadUserConstants(const UserProgram& p, const VertexShaderImpl& shader, const float (*registers)[4]) {
    const auto& list = shader.desc.constants;
    std::vector<float> f;
    std::vector<GLint> iv;
    std::vector<GLuint> uv;
    for (size_t k = 0; k < list.size(); ++k) {
        const auto& c = list[k];
        GLint loc = p.constantLocations[k];
        if (loc < 0) continue;  // not used by the shader
        // CreateVertexShader kept each constant within the registers and four columns.
        const float(*r)[4] = registers + c.startRegister;
        const GLsizei n = GLsizei(c.count);
        if (c.rows == 4 && c.columns == 4) {
            glUniformMatrix4fv(loc, n, GL_FALSE, &r[0][0]);
            continue;
        }
        if (c.rows != 1) continue;
        if (c.kind == d3d9shader::ConstantKind::Float) {
            f.clear();
            for (UINT e = 0; e < c.count; ++e) f.insert(f.end(), r[e], r[e] + c.columns);
            switch (c.columns) {
            case 1: glUniform1fv(loc, n, f.data()); break;
            case 2: glUniform2fv(loc, n, f.data()); break;
            case 3: glUniform3fv(loc, n, f.data()); break;
            default: glUniform4fv(loc, n, f.data()); break;
            }
        } else if (c.kind == d3d9shader::ConstantKind::UInt) {
            uv.clear();
            for (UINT e = 0; e < c.count; ++e)
                for (UINT i = 0; i < c.columns; ++i) uv.push_back(r[e][i] > 0.0f ? GLuint(r[e][i]) : 0u);
            switch (c.columns) {
            case 1: glUniform1uiv(loc, n, uv.data()); break;
            case 2: glUniform2uiv(loc, n, uv.data()); break;
            case 3: glUniform3uiv(loc, n, uv.data()); break;
            default: glUniform4uiv(loc, n, uv.data()); break;
            }
        } else {
            iv.clear();
            for (UINT e = 0; e < c.count; ++e)
                for (UINT i = 0; i < c.columns; ++i) iv.push_back(GLint(r[e][i]));
            switch (c.columns) {
            case 1: glUniform1iv(loc, n, iv.data()); break;
            case 2: glUniform2iv(loc, n, iv.data()); break;
            case 3: glUniform3iv(loc, n, iv.data()); break;
            default: glUniform4iv(loc, n, iv.data()); break;
            }
        }
    }
}

bool AttribPointer(unsigned location, BYTE declType, unsigned stride, size_t offset) {
    const void* at = reinterpret_cast<const void*>(offset);
    const GLsizei s = GLsizei(stride);
    const GLuint loc = location;
    switch (declType) {
    case D3DDECLTYPE_FLOAT1: glVertexAttribPointer(loc, 1, GL_FLOAT, GL_FALSE, s, at); break;
    case D3DDECLTYPE_FLOAT2: glVertexAttribPointer(loc, 2, GL_FLOAT, GL_FALSE, s, at); break;
    case D3DDECLTYPE_FLOAT3: glVertexAttribPointer(loc, 3, GL_FLOAT, GL_FALSE, s, at); break;
    case D3DDECLTYPE_FLOAT4: glVertexAttribPointer(loc, 4, GL_FLOAT, GL_FALSE, s, at); break;
    case D3DDECLTYPE_D3DCOLOR: glVertexAttribPointer(loc, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, s, at); break;
    case D3DDECLTYPE_UBYTE4: glVertexAttribPointer(loc, 4, GL_UNSIGNED_BYTE, GL_FALSE, s, at); break;
    case D3DDECLTYPE_UBYTE4N: glVertexAttribPointer(loc, 4, GL_UNSIGNED_BYTE, GL_TRUE, s, at); break;
    case D3DDECLTYPE_SHORT2: glVertexAttribPointer(loc, 2, GL_SHORT, GL_FALSE, s, at); break;
    case D3DDECLTYPE_SHORT4: glVertexAttribPointer(loc, 4, GL_SHORT, GL_FALSE, s, at); break;
    case D3DDECLTYPE_SHORT2N: glVertexAttribPointer(loc, 2, GL_SHORT, GL_TRUE, s, at); break;
    case D3DDECLTYPE_SHORT4N: glVertexAttribPointer(loc, 4, GL_SHORT, GL_TRUE, s, at); break;
    case D3DDECLTYPE_USHORT2N: glVertexAttribPointer(loc, 2, GL_UNSIGNED_SHORT, GL_TRUE, s, at); break;
    case D3DDECLTYPE_USHORT4N: glVertexAttribPointer(loc, 4, GL_UNSIGNED_SHORT, GL_TRUE, s, at); break;
    case D3DDECLTYPE_FLOAT16_2: glVertexAttribPointer(loc, 2, GL_HALF_FLOAT, GL_FALSE, s, at); break;
    case D3DDECLTYPE_FLOAT16_4: glVertexAttribPointer(loc, 4, GL_HALF_FLOAT, GL_FALSE, s, at); break;
    default: return false;
    }
    return true;
}

namespace {
// The declaration usage an FVF layout slot stands for.
void SlotUsage(int slot, BYTE* usage, BYTE* index) {
    *index = 0;
    switch (slot) {
    case kAttrPosition: *usage = D3DDECLUSAGE_POSITION; break;
    case kAttrBlendWeight: *usage = D3DDECLUSAGE_BLENDWEIGHT; break;
    case kAttrBlendIndices: *usage = D3DDECLUSAGE_BLENDINDICES; break;
    case kAttrNormal: *usage = D3DDECLUSAGE_NORMAL; break;
    case kAttrDiffuse: *usage = D3DDECLUSAGE_COLOR; break;
    case kAttrSpecular:
        *usage = D3DDECLUSAGE_COLOR;
        *index = 1;
        break;
    case kAttrPointSize: *usage = D3DDECLUSAGE_PSIZE; break;
    default:
        *usage = D3DDECLUSAGE_TEXCOORD;
        *index = BYTE(slot - kAttrTexCoord0);
        break;
    }
}
}  // namespace

uint32_t BindUserInputs(const UserProgram& p, const VertexShaderImpl& shader, const VertexLayout& layout,
                        size_t vertexOffset, unsigned stride) {
    uint32_t used = 0;
    const auto& inputs = shader.desc.inputs;
    for (size_t k = 0; k < inputs.size(); ++k) {
        GLint loc = p.inputLocations[k];
        if (loc < 0 || loc >= 32) continue;
        bool found = false;
        BYTE type = 0;
        WORD offset = 0;
        if (!layout.elements.empty()) {
            for (const auto& e : layout.elements)
                if (e.Usage == inputs[k].usage && e.UsageIndex == inputs[k].usageIndex) {
                    found = true;
                    type = e.Type;
                    offset = e.Offset;
                    break;
                }
        } else {
            for (const auto& a : layout.attribs) {
                BYTE usage, index;
                SlotUsage(a.slot, &usage, &index);
                if (usage == inputs[k].usage && index == inputs[k].usageIndex) {
                    found = true;
                    type = a.declType;
                    offset = a.offset;
                    break;
                }
            }
        }
        if (!found || !AttribPointer(GLuint(loc), type, stride, vertexOffset + offset)) continue;
        glEnableVertexAttribArray(GLuint(loc));
        used |= 1u << loc;
    }
    static const GLint max = [] {
        GLint n = 16;
        glGetIntegerv(GL_MAX_VERTEX_ATTRIBS, &n);
        return std::min(n, 32);
    }();
    for (GLint loc = 0; loc < max; ++loc) {
        if (used & (1u << loc)) continue;
        glDisableVertexAttribArray(GLuint(loc));
        glVertexAttrib4f(GLuint(loc), 0, 0, 0, 0);  // a missing input reads as zero
    }
    return used;
}

bool CaptureEnabled() {
    std::lock_guard<std::mutex> lock(g_captureMutex);
    return g_capture;
}

void CaptureDraw(bool begin, unsigned primitiveMode, size_t vertices) {
    static size_t count = 0;
    if (begin) {
        glGenBuffers(1, &g_captureBuffer);
        count = primitiveMode == GL_TRIANGLES ? vertices : 0;
        glBindBuffer(GL_TRANSFORM_FEEDBACK_BUFFER, g_captureBuffer);
        glBufferData(GL_TRANSFORM_FEEDBACK_BUFFER, GLsizeiptr(std::max<size_t>(count, 1) * kCaptureFloats * 4),
                     nullptr, GL_STREAM_READ);
        glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, g_captureBuffer);
        if (count) glBeginTransformFeedback(GL_TRIANGLES);
        return;
    }
    if (!count) {
        glDeleteBuffers(1, &g_captureBuffer);
        g_captureBuffer = 0;
        return;
    }
    glEndTransformFeedback();
    std::vector<float> data(count * kCaptureFloats);
    glGetBufferSubData(GL_TRANSFORM_FEEDBACK_BUFFER, 0, GLsizeiptr(data.size() * 4), data.data());
    glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, 0);
    glDeleteBuffers(1, &g_captureBuffer);
    g_captureBuffer = 0;
    std::vector<d3d9shader::capture::Vertex> out(count);
    for (size_t v = 0; v < count; ++v) {
        const float* f = &data[v * kCaptureFloats];
        std::memcpy(out[v].position, f, 16);
        std::memcpy(out[v].color, f + 4, 16);
        std::memcpy(out[v].tex[0], f + 8, 16);
        std::memcpy(out[v].tex[1], f + 12, 16);
        out[v].fog = f[16];
    }
    std::lock_guard<std::mutex> lock(g_captureMutex);
    g_captured = std::move(out);
}

}  // namespace d3d9impl

namespace d3d9shader {

HRESULT CreateVertexShader(IDirect3DDevice9* device, const VertexShaderDesc& desc, IDirect3DVertexShader9** shader) {
    if (!device || !shader || desc.glsl.empty()) return D3DERR_INVALIDCALL;
    *shader = nullptr;
    for (const auto& c : desc.constants)
        if (c.rows == 0 || c.count == 0 || c.columns == 0 || c.columns > 4 ||
            c.startRegister + uint64_t(c.rows) * c.count > 256)
            return D3DERR_INVALIDCALL;
    if (platform::FaultHit("CreateVertexShader")) return E_OUTOFMEMORY;
    *shader = new d3d9impl::VertexShaderImpl(static_cast<d3d9impl::Device*>(device), desc);
    return D3D_OK;
}

namespace capture {
void Enable(bool on) {
    std::lock_guard<std::mutex> lock(d3d9impl::g_captureMutex);
    d3d9impl::g_capture = on;
    if (!on) d3d9impl::g_captured.clear();
}
std::vector<Vertex> Last() {
    std::lock_guard<std::mutex> lock(d3d9impl::g_captureMutex);
    return d3d9impl::g_captured;
}
}  // namespace capture

}  // namespace d3d9shader
