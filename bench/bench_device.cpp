// The device module on the GL backend (run under a display, e.g. xvfb-run):
// - 100,000 redundant Kestra3D::SetRenderState calls: the cache answers them, so the
//   device and the GL backend see none (counters device_calls and gl_state_changes);
//   the time per iteration is the cost of one cached call;
// - one frame of only a clear and a present: its CPU time;
// - the device's own cost per call, as the game makes its calls (BM_DeviceCall/<method>):
//   the state setters, SetTexture and SetTransform straight on the device, each call
//   changing what it sets. They run first, before any benchmark below takes the test
//   control that starts the call counters; BM_DeviceCallUnderTest, last, the same
//   calls counted, as under a test.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "engine/core/Kestra.h"
#include "engine/graphics/Kestra3D.h"
#include "platform/d3d9/d3d9test.h"
#include "platform/win32/testing.h"
#include "platform/win32/win32.h"

namespace {

bool StartDevice() {
    static const bool ok = [] {
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() / ("quenrith-bench-device-" + std::to_string(std::time(nullptr)));
        std::filesystem::create_directories(folder);
        platform::SetProgramFolderOverride(folder.string());
        platform::SetMessageBoxRecording(true);
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "QuenrithBenchDevice";
        if (!RegisterClassA(&wc)) return false;
        HWND window = CreateWindowExA(0, "QuenrithBenchDevice", "bench_device", WS_POPUP, 0, 0, 640, 480, nullptr,
                                      nullptr, nullptr, nullptr);
        if (!window) return false;
        ShowWindow(window, SW_SHOW);
        Kestra::SetScreenInfo(640, 480, true);
        return Kestra3D::Initialize() && Kestra3D::Start(window, true);
    }();
    return ok;
}

// The device calls the game makes most, each one a change.
enum DeviceCall { kRenderState, kTextureStageState, kSamplerState, kTexture, kTransform };

void DeviceCalls(benchmark::State& state) {
    if (!StartDevice()) {
        state.SkipWithError("no device: run under a display");
        return;
    }
    IDirect3DDevice9* device = Kestra3D::GetDevice();
    IDirect3DTexture9* textures[2] = {};
    for (IDirect3DTexture9*& t : textures)
        if (FAILED(device->CreateTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr))) {
            state.SkipWithError("no texture");
            return;
        }
    D3DMATRIX world[2] = {};
    for (int i = 0; i < 4; ++i) world[0].m[i][i] = world[1].m[i][i] = 1.0f;
    world[1].m[3][0] = 1.0f;
    const auto call = static_cast<DeviceCall>(state.range(0));
    DWORD n = 0;
    for (auto _ : state) {
        const DWORD odd = n++ & 1;
        switch (call) {
        case kRenderState: device->SetRenderState(D3DRS_ALPHAREF, odd); break;
        case kTextureStageState:
            device->SetTextureStageState(0, D3DTSS_COLOROP, odd ? D3DTOP_MODULATE : D3DTOP_SELECTARG1);
            break;
        case kSamplerState:
            device->SetSamplerState(0, D3DSAMP_MAGFILTER, odd ? D3DTEXF_LINEAR : D3DTEXF_POINT);
            break;
        case kTexture: device->SetTexture(0, textures[odd]); break;
        case kTransform: device->SetTransform(D3DTS_WORLD, &world[odd]); break;
        }
    }
    device->SetTexture(0, nullptr);
    for (IDirect3DTexture9* t : textures) t->Release();
    state.SetItemsProcessed(state.iterations());
}

void EveryDeviceCall(benchmark::internal::Benchmark* b) {
    b->ArgName("method");
    for (int call = kRenderState; call <= kTransform; ++call) b->Arg(call);
    b->MinTime(0.5);
}

void BM_DeviceCall(benchmark::State& state) {
    if (d3d9test::CountingCalls()) {
        state.SkipWithError("a test control ran first: the calls are counted");
        return;
    }
    DeviceCalls(state);
}
BENCHMARK(BM_DeviceCall)->Apply(EveryDeviceCall);

void BM_RedundantSetRenderState(benchmark::State& state) {
    if (!StartDevice()) {
        state.SkipWithError("no device: run under a display");
        return;
    }
    Kestra3D::SetRenderState(D3DRS_ZENABLE, 1);
    Kestra3D::SetBlendingType(1);
    const uint64_t deviceBefore = d3d9test::CallCount("SetRenderState");
    const uint64_t glBefore = d3d9test::GLStateChanges();
    uint32_t state2 = D3DRS_ZENABLE;
    for (auto _ : state) {
        Kestra3D::SetRenderState(state2, 1);
        benchmark::DoNotOptimize(state2);
    }
    // A frame after the calls: whatever they changed would reach GL here.
    Kestra3D::Clear(D3DCLEAR_TARGET, 0xFF5A5A78, 1.0f, 0, nullptr);
    state.counters["device_calls"] = double(d3d9test::CallCount("SetRenderState") - deviceBefore);
    state.counters["gl_state_changes"] = double(d3d9test::GLStateChanges() - glBefore);
}
BENCHMARK(BM_RedundantSetRenderState)->Iterations(100000);

void BM_RedundantBlendingPreset(benchmark::State& state) {
    if (!StartDevice()) {
        state.SkipWithError("no device: run under a display");
        return;
    }
    Kestra3D::SetBlendingType(2);
    const uint64_t deviceBefore = d3d9test::CallCount("SetRenderState");
    for (auto _ : state) Kestra3D::SetBlendingType(2);
    state.counters["device_calls"] = double(d3d9test::CallCount("SetRenderState") - deviceBefore);
}
BENCHMARK(BM_RedundantBlendingPreset)->Iterations(100000);

void BM_FrameClearAndPresent(benchmark::State& state) {
    if (!StartDevice()) {
        state.SkipWithError("no device: run under a display");
        return;
    }
    for (auto _ : state) {
        Kestra3D::Clear(D3DCLEAR_TARGET, 0xFF5A5A78, 1.0f, 0, nullptr);
        Kestra3D::Present(nullptr);
    }
}
BENCHMARK(BM_FrameClearAndPresent)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The two halves of that frame.
void BM_ClearOnly(benchmark::State& state) {
    if (!StartDevice()) {
        state.SkipWithError("no device: run under a display");
        return;
    }
    for (auto _ : state) Kestra3D::Clear(D3DCLEAR_TARGET, 0xFF5A5A78, 1.0f, 0, nullptr);
}
BENCHMARK(BM_ClearOnly)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_PresentOnly(benchmark::State& state) {
    if (!StartDevice()) {
        state.SkipWithError("no device: run under a display");
        return;
    }
    for (auto _ : state) Kestra3D::Present(nullptr);
}
BENCHMARK(BM_PresentOnly)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_DeviceCallUnderTest(benchmark::State& state) {
    d3d9test::ClearCallCounts();
    DeviceCalls(state);
}
BENCHMARK(BM_DeviceCallUnderTest)->Apply(EveryDeviceCall);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Kestra3D::Finalize();
    return 0;
}
