// A game-like sprite frame: 5,000 quads over 8 textures (one sprite each, a
// quarter of the quads rotated), rendered in one scene under presets 1 and 2.
// - BM_CollectAndSubmitNull: the CPU cost of Begin, the draws, End and Render on
//   the null backend, which records the calls but draws nothing (goal < 0.5 ms);
// - BM_WholeFrameGL: clear, collect, render and present on the GL backend (run
//   under a display, e.g. xvfb-run with Mesa's software renderer; goal: median
//   under 8 ms at 640x480), with every quad 32 pixels square (/0) and with the
//   sizes of a bullet pattern (/1). Counters: draw calls per frame, median frame time.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/Kestra.h"
#include "engine/graphics/CSprite2D.h"
#include "engine/graphics/CTexture.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraSprite2D.h"
#include "engine/graphics/KestraTexture.h"
#include "platform/d3d9/d3d9test.h"
#include "platform/win32/testing.h"
#include "platform/win32/win32.h"

namespace {

constexpr int kQuads = 5000;
constexpr int kTextures = 8;

struct Scene {
    std::vector<CTexture*> textures;
    std::vector<CSprite2D*> sprites;
};

double NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

HWND MakeWindow() {
    static HWND window = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "QuenrithBenchSprites";
        if (!RegisterClassA(&wc)) return HWND(nullptr);
        HWND w = CreateWindowExA(0, "QuenrithBenchSprites", "bench_sprites", WS_POPUP, 0, 0, 640, 480, nullptr,
                                 nullptr, nullptr, nullptr);
        if (w) ShowWindow(w, SW_SHOW);
        return w;
    }();
    return window;
}

bool StartEngine(d3d9test::Backend backend, Scene* scene) {
    static bool folderSet = false;
    if (!folderSet) {
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() / ("quenrith-bench-sprites-" + std::to_string(std::time(nullptr)));
        std::filesystem::create_directories(folder);
        platform::SetProgramFolderOverride(folder.string());
        platform::SetMessageBoxRecording(true);
        folderSet = true;
    }
    d3d9test::SetBackend(backend);
    Kestra::SetScreenInfo(640, 480, true);
    HWND window = backend == d3d9test::Backend::GL ? MakeWindow() : reinterpret_cast<HWND>(uintptr_t(0x1000));
    if (!window) return false;
    if (!Kestra3D::Initialize() || !Kestra3D::Start(window, true)) return false;
    if (!KestraTexture::Initialize() || !KestraSprite2D::Initialize()) return false;
    Kestra3D::SetAlphaTestEnable(true);
    Kestra3D::SetFilterEnable(false);
    Kestra3D::SetBlendingType(1);
    for (int t = 0; t < kTextures; ++t) {
        CTexture* texture = KestraTexture::Create(64, 64, 14);
        if (!texture) return false;
        texture->ColorFill(0x80000000u | (0x203040u * uint32_t(t + 1)));
        CSprite2D* sprite = KestraSprite2D::Create(4000, 1, false);
        if (!sprite) return false;
        KestraSprite2D::SetTexture(sprite, 0, texture);
        scene->textures.push_back(texture);
        scene->sprites.push_back(sprite);
    }
    return true;
}

void StopEngine(Scene* scene) {
    for (CSprite2D* s : scene->sprites) KestraSprite2D::Release(s);
    for (CTexture* t : scene->textures) KestraTexture::Release(t);
    scene->sprites.clear();
    scene->textures.clear();
    KestraSprite2D::Finalize();
    KestraTexture::Finalize();
    Kestra3D::Finalize();
}

// The side of quad i: all 32 pixels, or the mix of a bullet pattern (seven in
// ten are 16-pixel bullets, a quarter 32-pixel shots and enemies, one in twenty
// a 64-pixel effect).
float Side(int i, bool mixed) {
    if (!mixed) return 32;
    const int r = i % 20;
    return r < 14 ? 16.0f : r < 19 ? 32.0f : 64.0f;
}

// Collects the frame's quads, then renders them in one scene: the first half of
// the sprites under preset 1, the other half under preset 2.
void CollectAndRender(Scene& scene, uint32_t frame, bool mixed = false) {
    for (CSprite2D* s : scene.sprites) KestraSprite2D::Begin(s);
    for (int i = 0; i < kQuads; ++i) {
        CSprite2D* s = scene.sprites[i % kTextures];
        const float x = float((i * 37 + frame * 3) % 600), y = float((i * 53 + frame * 2) % 440);
        const float side = Side(i, mixed);
        const float dst[4] = {x, y, side, side}, src[4] = {float(i % 32), 0, side / 2, side / 2};
        if (i % 4 == 0)
            KestraSprite2D::DrawSquareRotate(s, dst, 32767, src, 0xFFFFFFFF, uint32_t(i * 300 + frame * 100), 1, 0, 0);
        else
            KestraSprite2D::DrawSquare(s, dst, 32767, src, 0xFFFFFFFF, 1);
    }
    for (CSprite2D* s : scene.sprites) KestraSprite2D::End(s);
    if (Kestra3D::BeginScene()) {
        for (int t = 0; t < kTextures; ++t) {
            Kestra3D::SetBlendingType(t < kTextures / 2 ? 1 : 2);
            KestraSprite2D::Render(scene.sprites[t]);
        }
        Kestra3D::EndScene();
    }
}

void BM_CollectAndSubmitNull(benchmark::State& state) {
    Scene scene;
    if (!StartEngine(d3d9test::Backend::Null, &scene)) {
        state.SkipWithError("the engine did not start");
        StopEngine(&scene);
        return;
    }
    uint32_t frame = 0;
    const uint64_t drawsBefore = d3d9test::CallCount("DrawPrimitive");
    for (auto _ : state) CollectAndRender(scene, frame++);
    state.counters["draw_calls_per_frame"] =
        double(d3d9test::CallCount("DrawPrimitive") - drawsBefore) / double(std::max<uint32_t>(frame, 1));
    state.counters["quads"] = kQuads;
    StopEngine(&scene);
}
BENCHMARK(BM_CollectAndSubmitNull)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The collecting part alone (Begin and the draws; no upload, no draw call).
void BM_CollectOnlyNull(benchmark::State& state) {
    Scene scene;
    if (!StartEngine(d3d9test::Backend::Null, &scene)) {
        state.SkipWithError("the engine did not start");
        StopEngine(&scene);
        return;
    }
    uint32_t frame = 0;
    for (auto _ : state) {
        for (CSprite2D* s : scene.sprites) KestraSprite2D::Begin(s);
        for (int i = 0; i < kQuads; ++i) {
            CSprite2D* s = scene.sprites[i % kTextures];
            const float x = float((i * 37 + frame * 3) % 600), y = float((i * 53 + frame * 2) % 440);
            const float dst[4] = {x, y, 32, 32}, src[4] = {float(i % 32), 0, 32, 32};
            if (i % 4 == 0)
                KestraSprite2D::DrawSquareRotate(s, dst, 32767, src, 0xFFFFFFFF, uint32_t(i * 300 + frame * 100), 1, 0,
                                                 0);
            else
                KestraSprite2D::DrawSquare(s, dst, 32767, src, 0xFFFFFFFF, 1);
        }
        ++frame;
    }
    StopEngine(&scene);
}
BENCHMARK(BM_CollectOnlyNull)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_WholeFrameGL(benchmark::State& state) {
    Scene scene;
    if (!StartEngine(d3d9test::Backend::GL, &scene)) {
        state.SkipWithError("no GL device: run under a display");
        StopEngine(&scene);
        return;
    }
    uint32_t frame = 0;
    std::vector<double> samples;
    const uint64_t drawsBefore = d3d9test::CallCount("DrawPrimitive");
    for (auto _ : state) {
        const double start = NowMs();
        Kestra3D::Clear(D3DCLEAR_TARGET, 0xFF5A5A78, 1.0f, 0, nullptr);
        CollectAndRender(scene, frame++, state.range(0) != 0);
        Kestra3D::Present(nullptr);
        samples.push_back(NowMs() - start);
    }
    std::sort(samples.begin(), samples.end());
    state.counters["median_ms"] = samples.empty() ? 0.0 : samples[samples.size() / 2];
    state.counters["draw_calls_per_frame"] =
        double(d3d9test::CallCount("DrawPrimitive") - drawsBefore) / double(std::max<uint32_t>(frame, 1));
    StopEngine(&scene);
}
// Argument 0: every quad 32 x 32; 1: the bullet-pattern mix of sizes.
BENCHMARK(BM_WholeFrameGL)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
