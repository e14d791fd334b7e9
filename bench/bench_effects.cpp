// Shader effects on the GL backend (run under a display, e.g. xvfb-run):
// - an effect from a flag word (skinned, four weights, four lights, reflection): text,
//   HLSL to GLSL compilation and effect set-up, first time (compiler cache emptied)
//   and cached;
// - the GL link of a new effect's program at its first draw (run with
//   MESA_SHADER_CACHE_DISABLE=true, or Mesa's disk cache answers from a former run);
// - CommitChanges after setting a 32-bone palette, alone and with a draw.
#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>
#include <string>

#include "engine/core/Kestra.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraShaderFx.h"
#include "platform/d3dx9/effect_compiler.h"
#include "platform/win32/testing.h"
#include "platform/win32/win32.h"

namespace {

using namespace ShaderFxFlag;
constexpr uint32_t kFlags = kSkin | kLight4 | kReflect;

bool StartDevice() {
    static const bool ok = [] {
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() / ("quenrith-bench-effects-" + std::to_string(std::time(nullptr)));
        std::filesystem::create_directories(folder);
        platform::SetProgramFolderOverride(folder.string());
        platform::SetMessageBoxRecording(true);
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "QuenrithBenchEffects";
        if (!RegisterClassA(&wc)) return false;
        HWND window = CreateWindowExA(0, "QuenrithBenchEffects", "bench_effects", WS_POPUP, 0, 0, 640, 480, nullptr,
                                      nullptr, nullptr, nullptr);
        if (!window) return false;
        ShowWindow(window, SW_SHOW);
        Kestra::SetScreenInfo(640, 480, true);
        return Kestra3D::Initialize() && Kestra3D::Start(window, true);
    }();
    return ok;
}

struct Vertex {
    float pos[3], normal[3], weights[3];
    uint8_t indices[4];
    D3DCOLOR color;
    float uv[2];
};

IDirect3DVertexDeclaration9* SkinDeclaration() {
    static IDirect3DVertexDeclaration9* decl = [] {
        const D3DVERTEXELEMENT9 e[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                       {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                                       {0, 24, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_BLENDWEIGHT, 0},
                                       {0, 36, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_BLENDINDICES, 0},
                                       {0, 40, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                       {0, 44, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                       D3DDECL_END()};
        IDirect3DVertexDeclaration9* d = nullptr;
        Kestra3D::GetDevice()->CreateVertexDeclaration(e, &d);
        return d;
    }();
    return decl;
}

void DrawOnce(CShaderFx* fx) {
    IDirect3DDevice9* device = Kestra3D::GetDevice();
    const Vertex v[3] = {{{0, 0, 0}, {0, 0, -1}, {1, 0, 0}, {0, 1, 2, 3}, 0xFFFFFFFF, {0, 0}},
                         {{1, 0, 0}, {0, 0, -1}, {1, 0, 0}, {0, 1, 2, 3}, 0xFFFFFFFF, {1, 0}},
                         {{0, 1, 0}, {0, 0, -1}, {1, 0, 0}, {0, 1, 2, 3}, 0xFFFFFFFF, {0, 1}}};
    device->SetVertexDeclaration(SkinDeclaration());
    device->BeginScene();
    uint32_t passes = 0;
    KestraShaderFx::Begin(fx, &passes);
    KestraShaderFx::BeginPass(fx, 0);
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, sizeof(Vertex));
    KestraShaderFx::EndPass(fx);
    KestraShaderFx::End(fx);
    device->EndScene();
}

void BM_CreateFromFlagsFirstTime(benchmark::State& state) {
    if (!StartDevice()) {
        state.SkipWithError("no device: run under a display");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        d3dxfx::ClearShaderCache();
        state.ResumeTiming();
        CShaderFx* fx = KestraShaderFx::Create(kFlags, 4, 32, nullptr);
        if (!fx) state.SkipWithError("effect not created");
        KestraShaderFx::Release(fx);
    }
}
BENCHMARK(BM_CreateFromFlagsFirstTime)->Unit(benchmark::kMillisecond);

void BM_CreateFromFlagsCached(benchmark::State& state) {
    if (!StartDevice()) {
        state.SkipWithError("no device: run under a display");
        return;
    }
    KestraShaderFx::Release(KestraShaderFx::Create(kFlags, 4, 32, nullptr));
    for (auto _ : state) {
        CShaderFx* fx = KestraShaderFx::Create(kFlags, 4, 32, nullptr);
        if (!fx) state.SkipWithError("effect not created");
        KestraShaderFx::Release(fx);
    }
}
BENCHMARK(BM_CreateFromFlagsCached)->Unit(benchmark::kMicrosecond);

// Each iteration draws a new effect (another palette size), so the device links a
// new program: compilation excluded, the link and the first draw included.
void BM_FirstDrawLinksTheProgram(benchmark::State& state) {
    if (!StartDevice()) {
        state.SkipWithError("no device: run under a display");
        return;
    }
    int bones = 40;
    for (auto _ : state) {
        state.PauseTiming();
        CShaderFx* fx = KestraShaderFx::Create(kFlags, 4, ++bones, nullptr);
        state.ResumeTiming();
        DrawOnce(fx);
        state.PauseTiming();
        KestraShaderFx::Release(fx);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstDrawLinksTheProgram)->Iterations(12)->Unit(benchmark::kMillisecond);

void Palette(D3DXMATRIX* m, int n, float t) {
    for (int i = 0; i < n; ++i) D3DXMatrixTranslation(&m[i], t + float(i), 0, 0);
}

void BM_CommitChanges32Bones(benchmark::State& state) {
    if (!StartDevice()) {
        state.SkipWithError("no device: run under a display");
        return;
    }
    CShaderFx* fx = KestraShaderFx::Create(kFlags, 4, 32, nullptr);
    D3DXMATRIX palette[32];
    uint32_t passes = 0;
    KestraShaderFx::Begin(fx, &passes);
    KestraShaderFx::BeginPass(fx, 0);
    float t = 0;
    for (auto _ : state) {
        Palette(palette, 32, t += 1.0f);
        KestraShaderFx::SetMatrixArray(fx, "mBoneMatrixArray", palette, 32);
        KestraShaderFx::CommitChanges(fx);
    }
    KestraShaderFx::EndPass(fx);
    KestraShaderFx::End(fx);
    KestraShaderFx::Release(fx);
}
BENCHMARK(BM_CommitChanges32Bones)->Unit(benchmark::kMicrosecond);

void BM_CommitChanges32BonesAndDraw(benchmark::State& state) {
    if (!StartDevice()) {
        state.SkipWithError("no device: run under a display");
        return;
    }
    CShaderFx* fx = KestraShaderFx::Create(kFlags, 4, 32, nullptr);
    D3DXMATRIX palette[32];
    DrawOnce(fx);  // links the program
    float t = 0;
    for (auto _ : state) {
        Palette(palette, 32, t += 1.0f);
        KestraShaderFx::SetMatrixArray(fx, "mBoneMatrixArray", palette, 32);
        DrawOnce(fx);
    }
    KestraShaderFx::Release(fx);
}
BENCHMARK(BM_CommitChanges32BonesAndDraw)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
