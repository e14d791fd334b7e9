// The effect object: parameters kept as images of the constant registers they feed,
// techniques and passes with one vertex shader each, and the buffer for messages.
#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/d3d9/d3d9shader.h"
#include "platform/d3dx9/d3dx9effect.h"
#include "platform/d3dx9/effect_compiler.h"
#include "platform/d3dx9/effect_parser.h"
#include "platform/win32/testing.h"

namespace {

// IUnknown for the objects made here: one reference count, no other interface.
template <class Interface>
class Unknown : public Interface {
public:
    virtual ~Unknown() = default;
    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (riid != IID_IUnknown) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<IUnknown*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG n = refs_ > 0 ? --refs_ : 0;
        if (n == 0) delete this;
        return n;
    }

private:
    ULONG refs_ = 1;
};

constexpr UINT kRegisters = 256;

struct Param {
    d3dxfx::ParamDecl decl;
    std::vector<float> regs;  // rows x elements registers of four floats; numeric types only
    int startRegister = -1;   // -1 for strings, textures and samplers
    bool dirty = true;
    std::string text;
    IDirect3DBaseTexture9* texture = nullptr;

    UINT elementCount() const { return std::max(1u, decl.elements); }
    bool numeric() const {
        return decl.type == d3dxfx::ParamType::Float || decl.type == d3dxfx::ParamType::Int ||
               decl.type == d3dxfx::ParamType::Bool;
    }
    // Writes a stream of components in declaration order (element, row, column);
    // answers how many were taken.
    UINT Write(const float* data, UINT count) {
        UINT taken = 0;
        for (UINT e = 0; e < elementCount() && taken < count; ++e)
            for (UINT r = 0; r < decl.rows && taken < count; ++r)
                for (UINT c = 0; c < decl.columns && taken < count; ++c)
                    regs[((e * decl.rows) + r) * 4 + c] = data[taken++];
        dirty = true;
        return taken;
    }
    UINT Read(float* data, UINT count) const {
        UINT given = 0;
        for (UINT e = 0; e < elementCount() && given < count; ++e)
            for (UINT r = 0; r < decl.rows && given < count; ++r)
                for (UINT c = 0; c < decl.columns && given < count; ++c)
                    data[given++] = regs[((e * decl.rows) + r) * 4 + c];
        return given;
    }
};

struct Pass {
    std::string name;
    IDirect3DVertexShader9* shader = nullptr;
    std::vector<size_t> params;  // parameters its shader reads
};

struct Technique {
    std::string name;
    std::vector<Pass> passes;
};

class Effect final : public Unknown<ID3DXEffect> {
public:
    explicit Effect(IDirect3DDevice9* device) : device_(device) { device_->AddRef(); }
    ~Effect() override {
        for (auto& t : techniques_)
            for (auto& p : t.passes)
                if (p.shader) p.shader->Release();
        for (auto& p : params_)
            if (p.texture) p.texture->Release();
        if (savedShader_) savedShader_->Release();
        device_->Release();
    }

    // Builds parameters, techniques and shaders; false with messages.
    bool Build(std::string_view text, const std::string& preamble, std::string* errors) {
        d3dxfx::EffectSource source;
        if (!d3dxfx::ParseEffect(text, &source, errors)) return false;
        UINT next = 0;
        for (auto& decl : source.params) {
            Param p;
            p.decl = std::move(decl);
            if (p.numeric()) {
                // In 64 bits: rows times a forged element count must not wrap.
                const uint64_t n = uint64_t(p.decl.rows) * p.elementCount();
                if (next + n > kRegisters) {
                    *errors = "memory(" + std::to_string(p.decl.line) + "): error: '" + p.decl.name +
                              "' does not fit in the 256 constant registers\n";
                    return false;
                }
                p.regs.assign(size_t(n) * 4, 0.0f);
                p.startRegister = int(next);
                next += UINT(n);
                p.Write(p.decl.initial.data(), UINT(p.decl.initial.size()));
            }
            p.text = p.decl.initialString;
            params_.push_back(std::move(p));
        }
        // Every pass's shader from one compile of the text.
        std::vector<std::string> entries;
        for (const auto& t : source.techniques)
            for (const auto& pd : t.passes)
                if (!pd.vertexEntry.empty()) entries.push_back(pd.vertexEntry);
        const auto compiled = d3dxfx::CompileVertexShaders(source.shaderText, entries, preamble, errors);
        if (compiled.size() != entries.size()) return false;
        size_t shader = 0;
        for (const auto& t : source.techniques) {
            Technique tech;
            tech.name = t.name;
            for (const auto& pd : t.passes) {
                Pass pass;
                pass.name = pd.name;
                if (!pd.vertexEntry.empty() && !BuildShader(*compiled[shader++], pd, &pass, errors)) return false;
                tech.passes.push_back(std::move(pass));
            }
            techniques_.push_back(std::move(tech));
        }
        return true;
    }

    HRESULT GetDevice(IDirect3DDevice9** device) override {
        if (!device) return D3DERR_INVALIDCALL;
        device_->AddRef();
        *device = device_;
        return D3D_OK;
    }
    // Nothing of the effect lives in the device's default pool; a reset device has lost
    // its constants, so everything is sent again.
    HRESULT OnLostDevice() override { return D3D_OK; }
    HRESULT OnResetDevice() override {
        for (auto& p : params_) p.dirty = true;
        return D3D_OK;
    }

    D3DXHANDLE GetTechnique(UINT index) override {
        return index < techniques_.size() ? techniques_[index].name.c_str() : nullptr;
    }
    HRESULT SetTechnique(D3DXHANDLE h) override {
        for (size_t i = 0; h && i < techniques_.size(); ++i)
            if (h == techniques_[i].name.c_str() || techniques_[i].name == h) {
                current_ = i;
                return D3D_OK;
            }
        return D3DERR_INVALIDCALL;
    }
    D3DXHANDLE GetCurrentTechnique() override { return techniques_[current_].name.c_str(); }

    HRESULT Begin(UINT* passes, DWORD flags) override {
        if (begun_) return D3DERR_INVALIDCALL;
        begun_ = true;
        if (!(flags & D3DXFX_DONOTSAVESHADERSTATE) && !(flags & D3DXFX_DONOTSAVESTATE)) {
            device_->GetVertexShader(&savedShader_);
            saved_ = true;
        }
        if (passes) *passes = UINT(techniques_[current_].passes.size());
        return D3D_OK;
    }
    HRESULT BeginPass(UINT index) override {
        if (!begun_ || inPass_ || index >= techniques_[current_].passes.size()) return D3DERR_INVALIDCALL;
        pass_ = &techniques_[current_].passes[index];
        inPass_ = true;
        device_->SetVertexShader(pass_->shader);
        for (size_t i : pass_->params) Upload(params_[i]);
        return D3D_OK;
    }
    HRESULT CommitChanges() override {
        if (!inPass_) return D3DERR_INVALIDCALL;
        for (size_t i : pass_->params)
            if (params_[i].dirty) Upload(params_[i]);
        return D3D_OK;
    }
    HRESULT EndPass() override {
        if (!inPass_) return D3DERR_INVALIDCALL;
        inPass_ = false;
        pass_ = nullptr;
        return D3D_OK;
    }
    HRESULT End() override {
        if (!begun_) return D3DERR_INVALIDCALL;
        inPass_ = false;
        pass_ = nullptr;
        begun_ = false;
        if (saved_) {
            device_->SetVertexShader(savedShader_);
            if (savedShader_) savedShader_->Release();
            savedShader_ = nullptr;
            saved_ = false;
        }
        return D3D_OK;
    }

    D3DXHANDLE GetParameterByName(D3DXHANDLE parent, LPCSTR name) override {
        if (parent || !name) return nullptr;  // structure members are not kept
        for (auto& p : params_)
            if (p.decl.name == name) return p.decl.name.c_str();
        return nullptr;
    }
    D3DXHANDLE GetParameterBySemantic(D3DXHANDLE parent, LPCSTR semantic) override {
        if (parent || !semantic) return nullptr;
        for (auto& p : params_) {
            const std::string& s = p.decl.semantic;
            if (s.size() == std::strlen(semantic) &&
                std::equal(s.begin(), s.end(), semantic,
                           [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) ==
                                                       std::toupper(static_cast<unsigned char>(b)); }))
                return p.decl.name.c_str();
        }
        return nullptr;
    }

    HRESULT SetBool(D3DXHANDLE h, BOOL b) override { return SetBoolArray(h, &b, 1); }
    HRESULT SetBoolArray(D3DXHANDLE h, const BOOL* b, UINT count) override {
        if (!b) return D3DERR_INVALIDCALL;
        std::vector<float> f(count);
        for (UINT i = 0; i < count; ++i) f[i] = b[i] ? 1.0f : 0.0f;
        return SetNumbers(h, f.data(), count);
    }
    HRESULT SetInt(D3DXHANDLE h, INT n) override { return SetIntArray(h, &n, 1); }
    HRESULT SetIntArray(D3DXHANDLE h, const INT* n, UINT count) override {
        if (!n) return D3DERR_INVALIDCALL;
        std::vector<float> f(count);
        for (UINT i = 0; i < count; ++i) f[i] = float(n[i]);
        return SetNumbers(h, f.data(), count);
    }
    HRESULT SetFloat(D3DXHANDLE h, FLOAT f) override { return SetNumbers(h, &f, 1); }
    HRESULT SetFloatArray(D3DXHANDLE h, const FLOAT* f, UINT count) override {
        if (!f) return D3DERR_INVALIDCALL;
        return SetNumbers(h, f, count);
    }
    HRESULT GetFloatArray(D3DXHANDLE h, FLOAT* f, UINT count) override {
        Param* p = Find(h);
        if (!p || !f || !p->numeric()) return D3DERR_INVALIDCALL;
        p->Read(f, count);
        return D3D_OK;
    }
    HRESULT SetVector(D3DXHANDLE h, const D3DXVECTOR4* v) override { return SetVectorArray(h, v, 1); }
    HRESULT SetVectorArray(D3DXHANDLE h, const D3DXVECTOR4* v, UINT count) override {
        Param* p = Find(h);
        if (!p || !v || !p->numeric() || p->decl.rows != 1) return D3DERR_INVALIDCALL;
        std::vector<float> f;
        for (UINT i = 0; i < count && i < p->elementCount(); ++i) f.insert(f.end(), &v[i].x, &v[i].x + p->decl.columns);
        p->Write(f.data(), UINT(f.size()));
        return D3D_OK;
    }
    HRESULT SetMatrix(D3DXHANDLE h, const D3DXMATRIX* m) override { return SetMatrixArray(h, m, 1); }
    HRESULT SetMatrixArray(D3DXHANDLE h, const D3DXMATRIX* m, UINT count) override {
        return SetMatrices(h, m, count, false);
    }
    HRESULT SetMatrixTranspose(D3DXHANDLE h, const D3DXMATRIX* m) override { return SetMatrixTransposeArray(h, m, 1); }
    HRESULT SetMatrixTransposeArray(D3DXHANDLE h, const D3DXMATRIX* m, UINT count) override {
        return SetMatrices(h, m, count, true);
    }
    HRESULT SetString(D3DXHANDLE h, LPCSTR s) override {
        Param* p = Find(h);
        if (!p || !s || p->decl.type != d3dxfx::ParamType::String) return D3DERR_INVALIDCALL;
        p->text = s;
        return D3D_OK;
    }
    HRESULT SetTexture(D3DXHANDLE h, IDirect3DBaseTexture9* texture) override {
        Param* p = Find(h);
        if (!p || (p->decl.type != d3dxfx::ParamType::Texture && p->decl.type != d3dxfx::ParamType::Sampler))
            return D3DERR_INVALIDCALL;
        if (texture) texture->AddRef();
        if (p->texture) p->texture->Release();
        p->texture = texture;
        return D3D_OK;
    }

private:
    bool BuildShader(const d3dxfx::CompiledShader& compiled, const d3dxfx::PassDecl& pd, Pass* pass,
                     std::string* errors) {
        d3d9shader::VertexShaderDesc desc = compiled.desc;
        for (const auto& u : compiled.uniforms) {
            size_t i = 0;
            while (i < params_.size() && params_[i].decl.name != u.name) ++i;
            const Param* p = i < params_.size() ? &params_[i] : nullptr;
            if (!p || !p->numeric() || p->decl.rows != u.binding.rows || p->elementCount() != u.binding.count ||
                (p->decl.rows == 1 && p->decl.columns != u.binding.columns)) {
                *errors = "memory(" + std::to_string(pd.line) + "): error: global '" + u.name +
                          "' cannot be fed as a parameter\n";
                return false;
            }
            d3d9shader::ConstantBinding b = u.binding;
            b.startRegister = UINT(p->startRegister);
            desc.constants.push_back(b);
            pass->params.push_back(i);
        }
        if (FAILED(d3d9shader::CreateVertexShader(device_, desc, &pass->shader))) {
            *errors = "memory(" + std::to_string(pd.line) + "): error: the device refused the vertex shader\n";
            return false;
        }
        return true;
    }

    Param* Find(D3DXHANDLE h) {
        if (!h) return nullptr;
        for (auto& p : params_)
            if (h == p.decl.name.c_str()) return &p;
        for (auto& p : params_)
            if (p.decl.name == h) return &p;
        return nullptr;
    }
    static bool IsMatrix(const Param& p) { return p.numeric() && p.decl.rows == 4 && p.decl.columns == 4; }
    HRESULT SetMatrices(D3DXHANDLE h, const D3DXMATRIX* m, UINT count, bool transpose) {
        Param* p = Find(h);
        if (!p || !m || !IsMatrix(*p)) return D3DERR_INVALIDCALL;
        std::vector<float> f;
        for (UINT i = 0; i < count && i < p->elementCount(); ++i)
            for (int r = 0; r < 4; ++r)
                for (int c = 0; c < 4; ++c) f.push_back(transpose ? m[i].m[c][r] : m[i].m[r][c]);
        p->Write(f.data(), UINT(f.size()));
        return D3D_OK;
    }
    HRESULT SetNumbers(D3DXHANDLE h, const float* f, UINT count) {
        Param* p = Find(h);
        if (!p || !p->numeric()) return D3DERR_INVALIDCALL;
        p->Write(f, count);
        return D3D_OK;
    }
    void Upload(Param& p) {
        if (p.startRegister >= 0)
            device_->SetVertexShaderConstantF(UINT(p.startRegister), p.regs.data(), p.decl.rows * p.elementCount());
        p.dirty = false;
    }

    IDirect3DDevice9* device_;
    std::vector<Param> params_;
    std::vector<Technique> techniques_;
    size_t current_ = 0;
    bool begun_ = false, inPass_ = false, saved_ = false;
    Pass* pass_ = nullptr;
    IDirect3DVertexShader9* savedShader_ = nullptr;
};

void GiveMessages(std::string_view text, LPD3DXBUFFER* out) {
    if (!out) return;
    *out = nullptr;
    try {
        if (FAILED(D3DXCreateBuffer(DWORD(text.size() + 1), out))) return;
    } catch (const std::bad_alloc&) {
        return;  // no messages then
    }
    auto* bytes = static_cast<char*>((*out)->GetBufferPointer());
    std::memcpy(bytes, text.data(), text.size());
    bytes[text.size()] = '\0';
}

}  // namespace

HRESULT WINAPI D3DXCreateEffect(LPDIRECT3DDEVICE9 device, LPCVOID data, UINT length, const D3DXMACRO* defines,
                                LPD3DXINCLUDE, DWORD, LPD3DXEFFECTPOOL, LPD3DXEFFECT* effect, LPD3DXBUFFER* errors) {
    if (errors) *errors = nullptr;
    if (!effect) return D3DERR_INVALIDCALL;
    *effect = nullptr;
    if (!device || !data || length == 0) return D3DERR_INVALIDCALL;
    if (platform::FaultHit("D3DXCreateEffect")) return E_OUTOFMEMORY;
    // No exception leaves here: the caller only knows result codes.
    Effect* object = nullptr;
    try {
        std::string preamble;
        for (const D3DXMACRO* d = defines; d && d->Name; ++d)
            preamble += std::string("#define ") + d->Name + " " + (d->Definition ? d->Definition : "") + "\n";
        // The text may end with its terminator; what follows one is not effect text.
        std::string_view text(static_cast<const char*>(data), length);
        text = text.substr(0, std::min(text.size(), text.find('\0')));
        object = new Effect(device);
        std::string messages;
        if (!object->Build(text, preamble, &messages)) {
            object->Release();
            object = nullptr;
            GiveMessages(messages, errors);
            return E_FAIL;
        }
    } catch (const std::bad_alloc&) {
        if (object) object->Release();
        GiveMessages("memory(1): error: out of memory\n", errors);
        return E_OUTOFMEMORY;
    } catch (const std::exception&) {
        if (object) object->Release();
        GiveMessages("memory(1): error: the effect could not be built\n", errors);
        return E_FAIL;
    }
    *effect = object;
    return D3D_OK;
}
