// What one effect costs the process on the GL device (run under a display, e.g.
// xvfb-run, with MESA_SHADER_CACHE_DISABLE=true so the driver compiles afresh):
// the effect's creation (text limits, the compiler) and its first draw (the
// driver's compile and link), in wall time, and the peak resident memory of the
// process (the compiler's is its own: it is spawned, and shares nothing).
//   bench_effect_cost switch|locals|flat|calls|structs|chain|determinants|passes N
//   bench_effect_cost file PATH
// Or two effects of N techniques each (a chain of 31 matrix products called by
// each, other constants in each), made, each technique drawn, and released one after the
// other: what the second adds to the peak of the first, which it should not.
//   bench_effect_cost release-make N
// Or effects compiled one after another, each afresh, while another thread loads
// and unloads a shared library (by default SPIRV-Cross's, whose static objects
// register their destructors) in a loop, with a global C++ locale set when asked:
// the longest compile and how many took longer than two seconds.
//   bench_effect_cost beside-dlopen COUNT [LIBRARY] [locale]
#include <dlfcn.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <locale>
#include <string>
#include <thread>

#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/d3dx9effect.h"
#include "platform/d3dx9/effect_compiler.h"
#include "platform/win32/win32.h"
#include "tests/platform/d3dx9/costly_effects.h"

namespace {

double Now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1000 + double(t.tv_nsec) / 1e6;
}

std::string Text(const std::string& kind, const std::string& arg) {
    if (kind == "file") {
        std::ifstream in(arg, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    const int n = std::atoi(arg.c_str());
    if (kind == "switch") return costlyfx::Switch(n);
    if (kind == "locals") return costlyfx::Locals(n);
    if (kind == "flat") return costlyfx::FlatIfs(n);
    if (kind == "calls") return costlyfx::DoublingCalls(n);
    if (kind == "structs") return costlyfx::NestedStructs(n);
    if (kind == "chain") return costlyfx::MatrixChain(n);
    if (kind == "determinants") return costlyfx::Determinants(n);
    if (kind == "passes") return costlyfx::Passes(n);
    return {};
}

IDirect3DDevice9* StartDevice() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "QuenrithEffectCost";
    if (!RegisterClassA(&wc)) return nullptr;
    HWND window = CreateWindowExA(0, wc.lpszClassName, "effect cost", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                                  nullptr, nullptr);
    if (!window) return nullptr;
    ShowWindow(window, SW_SHOW);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d) return nullptr;
    D3DPRESENT_PARAMETERS pp{.BackBufferWidth = 64, .BackBufferHeight = 64, .BackBufferFormat = D3DFMT_X8R8G8B8,
                             .BackBufferCount = 1, .SwapEffect = D3DSWAPEFFECT_DISCARD, .hDeviceWindow = window,
                             .Windowed = TRUE};
    IDirect3DDevice9* device = nullptr;
    d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device);
    d3d->Release();
    return device;
}

// Draws one triangle through each pass of the effect's current technique and
// waits for the draw.
void DrawEach(IDirect3DDevice9* device, ID3DXEffect* effect) {
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    IDirect3DVertexDeclaration9* decl = nullptr;
    device->CreateVertexDeclaration(elements, &decl);
    device->SetVertexDeclaration(decl);
    const float v[9] = {0, 0, 0.5f, 1, 0, 0.5f, 0, 1, 0.5f};
    device->BeginScene();
    UINT passes = 0;
    effect->Begin(&passes, 0);
    for (UINT pass = 0; pass < passes; ++pass) {
        effect->BeginPass(pass);
        device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, 12);
        effect->EndPass();
    }
    effect->End();
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    IDirect3DSurface9* back = nullptr;
    D3DLOCKED_RECT lr;
    if (SUCCEEDED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) &&
        SUCCEEDED(back->LockRect(&lr, nullptr, D3DLOCK_READONLY)))
        back->UnlockRect();  // waits for the draw
    if (back) back->Release();
    device->SetVertexDeclaration(nullptr);
    if (decl) decl->Release();
}

long PeakMB() {
    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    return self.ru_maxrss / 1024;
}

// Two effects of `techniques` techniques made, drawn and released in turn.
int ReleaseMake(IDirect3DDevice9* device, int techniques) {
    long peaks[2] = {};
    for (int round = 0; round < 2; ++round) {
        std::string text = "float4x4 mTransform;\nfloat4x4 Chain()\n{\nfloat4x4 m = mTransform;\n", list;
        for (int i = 0; i < 31; ++i) text += "m = mul(m, mTransform);\n";
        text += "return m;\n}\n";
        for (int t = 0; t < techniques; ++t) {
            const std::string n = std::to_string(t);
            text += "float4 T" + n + "(float4 p : POSITION) : POSITION { return p * " +
                    std::to_string(round * techniques + t + 2) + " + mul(p, Chain()); }\n";
            list += "technique K" + n + " { pass P { VertexShader = compile vs_3_0 T" + n + "(); } }\n";
        }
        text += list;
        const double start = Now();
        ID3DXEffect* effect = nullptr;
        ID3DXBuffer* messages = nullptr;
        D3DXCreateEffect(device, text.data(), UINT(text.size()), nullptr, nullptr, 0, nullptr, &effect, &messages);
        if (!effect) {
            std::fprintf(stderr, "refused: %s\n", messages ? static_cast<const char*>(messages->GetBufferPointer()) : "");
            return 1;
        }
        for (int t = 0; t < techniques; ++t) {
            effect->SetTechnique(effect->GetTechnique(UINT(t)));
            DrawEach(device, effect);
        }
        effect->Release();
        peaks[round] = PeakMB();
        std::printf("effect %d of %d techniques (%zu bytes): made, drawn and released in %.0f ms, peak %ld MB\n",
                    round + 1, techniques, text.size(), Now() - start, peaks[round]);
    }
    std::printf("the second adds %ld MB over the first's peak\n", peaks[1] - peaks[0]);
    return 0;
}

// `count` effects made afresh beside a thread loading and unloading `library`.
int BesideLibraryLoads(IDirect3DDevice9* device, int count, const char* library, bool locale) {
    if (locale) std::locale::global(std::locale(std::locale::classic(), new std::numpunct<char>));
    std::atomic<bool> stop{false};
    std::atomic<long> loads{0};
    std::thread loader([&] {
        while (!stop) {
            if (void* handle = dlopen(library, RTLD_NOW | RTLD_LOCAL)) {
                dlclose(handle);
                ++loads;
            }
        }
    });
    const std::string text = costlyfx::Effect("float4 Scale;\n", "return p * Scale;\n");
    double longest = 0, total = 0;
    int late = 0, made = 0;
    for (int i = 0; i < count; ++i) {
        d3dxfx::ClearShaderCache();
        const double start = Now();
        ID3DXEffect* effect = nullptr;
        D3DXCreateEffect(device, text.data(), UINT(text.size()), nullptr, nullptr, 0, nullptr, &effect, nullptr);
        const double took = Now() - start;
        if (effect) {
            ++made;
            effect->Release();
        }
        longest = std::max(longest, took);
        total += took;
        late += took > 2000 ? 1 : 0;
    }
    stop = true;
    loader.join();
    std::printf("beside-dlopen %s%s: %d of %d made, %ld loads, mean %.0f ms, longest %.0f ms, %d over 2 s\n", library,
                locale ? " with a global locale" : "", made, count, loads.load(), total / count, longest, late);
    return late == 0 && made == count ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "beside-dlopen") == 0) {
        IDirect3DDevice9* device = StartDevice();
        if (!device) return 2;
        const int status = BesideLibraryLoads(device, std::atoi(argv[2]), argc > 3 ? argv[3] : "libspirv-cross-c-shared.so.0",
                                              argc > 4 && std::strcmp(argv[4], "locale") == 0);
        device->Release();
        return status;
    }
    if (argc == 3 && std::strcmp(argv[1], "release-make") == 0) {
        IDirect3DDevice9* device = StartDevice();
        if (!device) return 2;
        const int status = ReleaseMake(device, std::atoi(argv[2]));
        device->Release();
        return status;
    }
    if (argc != 3) {
        std::fprintf(stderr,
                     "usage: %s switch|locals|flat|calls|structs|chain|determinants|passes N | file PATH |"
                     " release-make N | beside-dlopen COUNT [LIBRARY] [locale]\n",
                     argv[0]);
        return 2;
    }
    const std::string text = Text(argv[1], argv[2]);
    IDirect3DDevice9* device = StartDevice();
    if (text.empty() || !device) {
        std::fprintf(stderr, "no effect text or no device\n");
        return 2;
    }
    const double start = Now();
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* messages = nullptr;
    D3DXCreateEffect(device, text.data(), UINT(text.size()), nullptr, nullptr, 0, nullptr, &effect, &messages);
    const double created = Now() - start;
    double drawn = 0;
    if (effect) {
        const double draw = Now();
        DrawEach(device, effect);
        drawn = Now() - draw;
        effect->Release();
    }
    std::string message = messages ? static_cast<const char*>(messages->GetBufferPointer()) : "";
    if (!message.empty() && message.back() == '\n') message.pop_back();
    std::printf("%s %s: %zu bytes, %s in %.0f ms, first draw %.0f ms, peak %ld MB%s%s\n", argv[1], argv[2],
                text.size(), effect ? "made" : "refused", created, drawn, PeakMB(),
                message.empty() ? "" : ": ", message.c_str());
    if (messages) messages->Release();
    device->Release();
    return 0;
}
