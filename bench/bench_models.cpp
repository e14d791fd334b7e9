// One frame of the largest BSD character of the test corpus (Testwuson.X):
// the walk cycle animated, the frame matrices updated and every mesh drawn
// through its generated skinning effect. The device is the null backend, or
// Mesa's GL when QUENRITH_BENCH_GL=1 (run under a display, e.g. xvfb-run).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "engine/core/Kestra.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraCamera.h"
#include "engine/graphics/KestraManagers.h"
#include "engine/graphics/KestraModelEx.h"
#include "platform/d3d9/d3d9test.h"
#include "platform/win32/testing.h"
#include "platform/win32/win32.h"

namespace {

bool UseGl() {
    const char* gl = std::getenv("QUENRITH_BENCH_GL");
    return gl && std::string(gl) == "1";
}

LibModel::CModel* Model() {
    static LibModel::CModel* model = [] () -> LibModel::CModel* {
        const bool gl = UseGl();
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() / ("quenrith-bench-models-" + std::to_string(std::time(nullptr)));
        std::filesystem::create_directories(folder);
        platform::SetProgramFolderOverride(folder.string());
        platform::SetMessageBoxRecording(true);
        d3d9test::SetBackend(gl ? d3d9test::Backend::GL : d3d9test::Backend::Null);
        HWND window = reinterpret_cast<HWND>(uintptr_t(0x1000));
        if (gl) {
            WNDCLASSA wc{};
            wc.lpfnWndProc = DefWindowProcA;
            wc.lpszClassName = "QuenrithBenchModels";
            if (!RegisterClassA(&wc)) return nullptr;
            window = CreateWindowExA(0, "QuenrithBenchModels", "bench_models", WS_POPUP, 0, 0, 640, 480, nullptr,
                                     nullptr, nullptr, nullptr);
            if (!window) return nullptr;
            ShowWindow(window, SW_SHOW);
        }
        Kestra::SetScreenInfo(640, 480, true);
        if (!Kestra3D::Initialize() || !Kestra3D::Start(window, true) || !KestraCamera::Initialize() ||
            !KestraTexture::Initialize() || !KestraAnimation::Initialize() ||
            !KestraModelEx::Initialize())
            return nullptr;
        const char* shared = std::getenv("QUENRITH_SHARED_DIR");
        const std::string dir =
            (shared ? std::string(shared) : std::string(QUENRITH_SOURCE_DIR) + "/../shared") + "/testdata/xfiles/";
        SetCurrentDirectoryA(dir.c_str());
        LibModel::CModel* m = KestraModelEx::CreateFromFile("Testwuson.X", 1, 1, 0, 0);
        if (!m || !m->SetShader(-1, 0)) return nullptr;
        const int32_t walk = std::max(0, m->FindAnimationSet("Wuson_Run"));
        for (uint32_t f = 0; f < m->GetFrameCount(); ++f) m->GetFrame(f)->SetAnimationBlend(walk, walk, 0);
        const int32_t camera = KestraCamera::Create();
        KestraCamera::SetProjection(camera, 1.0471976f, 1.0f, 1000.0f, 1.3333334f);
        const CVector3 eye(0, 2, -10), target(0, 2, 0);
        KestraCamera::Reset(camera);
        KestraCamera::LookAt(camera, &eye, &target, nullptr);
        KestraCamera::Update(camera);
        Kestra3D::SetCamera(camera);
        return m;
    }();
    return model;
}

void BM_AnimateAndDrawCharacter(benchmark::State& state) {
    LibModel::CModel* model = Model();
    if (!model) {
        state.SkipWithError("the model did not load");
        return;
    }
    IDirect3DDevice9* device = Kestra3D::GetDevice();
    const float length = float(std::max(1u, model->GetAnimationLength(0)));
    const CMatrix identity;
    float time = 0;
    const bool gl = UseGl();
    uint32_t polygons = 0;
    for (auto _ : state) {
        time += length / 60.0f;
        if (time > length) time = 0;
        model->Animate(time, time, 1);
        model->UpdateTransform(&identity);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
        device->BeginScene();
        polygons = model->Draw();
        device->EndScene();
        // On GL, wait for the frame so its cost is counted, not queued.
        if (gl) d3d9test::ReadRenderTarget(device);
    }
    state.counters["polygons"] = polygons;
}
BENCHMARK(BM_AnimateAndDrawCharacter)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
