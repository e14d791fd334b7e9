// Any bytes as effect text made into an effect on the null Direct3D device: the
// effect-file parser, the limits checked before the shader compiler, the compile
// of every pass's vertex shader to GLSL and the shader made from it. Whatever the
// text, the answer is an effect or an error, never a crash, a hang or a heap
// run away. With QUENRITH_FUZZ_SEEDS set to a folder the target writes the
// engine's generated effects there as seeds and ends.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "engine/core/KestraFile.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CShaderFx.h"
#include "engine/graphics/Kestra3D.h"
#include "platform/d3d9/d3d9test.h"
#include "platform/d3dx9/d3dx9effect.h"
#include "platform/d3dx9/effect_compiler.h"

namespace {

IDirect3DDevice9* g_device = nullptr;

}  // namespace

// What the shader writer needs of the engine, which the target runs without.
IDirect3DDevice9* Kestra3D::GetDevice() { return g_device; }
bool KestraFile::Load(const char*, uint8_t**, uint32_t*) { return false; }
void Kestra::LogRed(const char*, ...) {}
void Kestra::LogNewLine() {}

namespace {

void WriteEngineEffects(const char* folder) {
    using namespace ShaderFxFlag;
    std::set<std::string> written;
    for (uint32_t kind : {kStatic, kMorph, kSkin})
        for (uint32_t light : {kMaterial, kLight1, kLight2, kLight3, kLight4})
            for (uint32_t tex : {kSlide, kToon, kReflect, kScreen})
                for (int32_t weights = 1; weights <= (kind == kSkin ? 4 : 1); ++weights) {
                    const uint32_t flags = CShaderFx::NormalizeFlags(kind | light | tex, weights, 32);
                    const std::string source = CShaderFx::GenerateSource(flags, weights, 32);
                    if (!written.insert(source).second) continue;
                    const std::string path = std::string(folder) + "/engine_" + std::to_string(written.size()) + ".fx";
                    FILE* file = std::fopen(path.c_str(), "wb");
                    if (!file || std::fwrite(source.data(), 1, source.size(), file) != source.size()) std::abort();
                    std::fclose(file);
                }
}

IDirect3DDevice9* StartDevice() {
    d3d9test::SetBackend(d3d9test::Backend::Null);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d) return nullptr;
    const HWND window = reinterpret_cast<HWND>(uintptr_t(0x1000));
    D3DPRESENT_PARAMETERS pp{.BackBufferWidth = 640, .BackBufferHeight = 480, .BackBufferFormat = D3DFMT_X8R8G8B8,
                             .BackBufferCount = 1, .SwapEffect = D3DSWAPEFFECT_DISCARD, .hDeviceWindow = window,
                             .Windowed = TRUE};
    IDirect3DDevice9* device = nullptr;
    d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device);
    d3d->Release();
    return device;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (const char* folder = std::getenv("QUENRITH_FUZZ_SEEDS")) {
        WriteEngineEffects(folder);
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static IDirect3DDevice9* const device = g_device = StartDevice();
    if (!device || size == 0) return 0;
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* messages = nullptr;
    const HRESULT hr =
        D3DXCreateEffect(device, data, UINT(size), nullptr, nullptr, 0, nullptr, &effect, &messages);
    if (SUCCEEDED(hr) != (effect != nullptr)) std::abort();
    if (effect) {
        // Every pass of every technique binds its shader.
        for (UINT t = 0; effect->GetTechnique(t); ++t) {
            UINT passes = 0;
            if (FAILED(effect->SetTechnique(effect->GetTechnique(t))) ||
                FAILED(effect->Begin(&passes, D3DXFX_DONOTSAVESTATE)))
                std::abort();
            for (UINT p = 0; p < passes; ++p)
                if (FAILED(effect->BeginPass(p)) || FAILED(effect->EndPass())) std::abort();
            effect->End();
        }
        effect->Release();
    } else if (hr == E_FAIL) {
        // A refused text says why, in the compiler's form.
        const std::string text = messages ? static_cast<const char*>(messages->GetBufferPointer()) : "";
        if (text.rfind("memory(", 0) != 0) std::abort();
    }
    if (messages) messages->Release();
    // Each input compiles afresh, and the cache does not grow over a run.
    d3dxfx::ClearShaderCache();
    return 0;
}
