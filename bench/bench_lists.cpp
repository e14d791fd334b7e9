// Lists and sheets on the null backend (CPU cost only: the backend records the
// calls and draws nothing).
// - BM_Line2DClipped: 5,000 screen lines through the snap, transform and clip
//   (a third cut, a third dropped) per frame, uploaded and drawn;
// - BM_Primitive3DTriangles: 5,000 world triangles per frame, uploaded and drawn;
// - BM_SheetDraw: a 640 x 480 sheet (six tiles) drawn at a position, scaled and
//   rotated: the fan's conversion, upload and draw per tile.
#include <benchmark/benchmark.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/Kestra.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CLine2D.h"
#include "engine/graphics/CPrimitive3D.h"
#include "engine/graphics/CSheet.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraLine2D.h"
#include "engine/graphics/KestraPrimitive3D.h"
#include "engine/graphics/KestraSheet.h"
#include "engine/graphics/KestraSimple.h"
#include "engine/graphics/KestraTexture.h"
#include "platform/d3d9/d3d9test.h"
#include "platform/win32/testing.h"

namespace {

constexpr int kItems = 5000;

bool StartEngine() {
    static bool folderSet = false;
    if (!folderSet) {
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() / ("quenrith-bench-lists-" + std::to_string(std::time(nullptr)));
        std::filesystem::create_directories(folder);
        platform::SetProgramFolderOverride(folder.string());
        platform::SetMessageBoxRecording(true);
        folderSet = true;
    }
    d3d9test::SetBackend(d3d9test::Backend::Null);
    Kestra::SetScreenInfo(640, 480, true);
    if (!Kestra3D::Initialize() || !Kestra3D::Start(reinterpret_cast<HWND>(uintptr_t(0x1000)), true)) return false;
    return KestraTexture::Initialize() && KestraLine2D::Initialize() && KestraPrimitive3D::Initialize() &&
           KestraSimple::Initialize() && KestraSheet::Initialize();
}

void StopEngine() {
    KestraSheet::Finalize();
    KestraSimple::Finalize();
    KestraPrimitive3D::Finalize();
    KestraLine2D::Finalize();
    KestraTexture::Finalize();
    Kestra3D::Finalize();
}

void BM_Line2DClipped(benchmark::State& state) {
    if (!StartEngine()) {
        state.SkipWithError("no engine");
        return;
    }
    CLine2D* lines = KestraLine2D::Create(2 * kItems + 2);
    const RECT clip{0, 0, 640, 480};
    lines->SetClipRect(&clip);
    std::vector<Vertex2D> v(2 * kItems);
    for (int i = 0; i < kItems; ++i) {
        const float x = float((i * 37) % 900) - 130.0f, y = float((i * 53) % 700) - 110.0f;
        v[2 * i] = Vertex2D{x, y, 32767, 1, 0xFFFFFFFFu, {}};
        v[2 * i + 1] = Vertex2D{x + 90, y + 40, 32767, 1, 0xFF000000u, {}};
    }
    for (auto _ : state) {
        lines->Begin();
        lines->AddLines(v.data(), kItems);
        lines->End();
        Kestra3D::BeginScene();
        lines->Render();
        Kestra3D::EndScene();
    }
    state.counters["stored"] = double(lines->GetStoredCount());
    KestraLine2D::Release(lines);
    StopEngine();
}
BENCHMARK(BM_Line2DClipped)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_Primitive3DTriangles(benchmark::State& state) {
    if (!StartEngine()) {
        state.SkipWithError("no engine");
        return;
    }
    CPrimitive3D* triangles = KestraPrimitive3D::Create(3 * kItems, 1);
    std::vector<Vertex3D> v(3 * kItems);
    for (int i = 0; i < 3 * kItems; ++i) v[i] = Vertex3D{float(i % 17), float(i % 13), float(i % 7), 0xFFFFFFFFu, {}};
    for (auto _ : state) {
        triangles->Begin();
        triangles->AddTriangles(v.data(), kItems);
        triangles->End();
        Kestra3D::BeginScene();
        triangles->Render();
        Kestra3D::EndScene();
    }
    KestraPrimitive3D::Release(triangles);
    StopEngine();
}
BENCHMARK(BM_Primitive3DTriangles)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// An uncompressed 32-bit TGA of a grey picture.
std::string Tga(uint16_t w, uint16_t h) {
    std::string o(18, '\0');
    o[2] = 2;
    o[12] = char(w & 0xFF);
    o[13] = char(w >> 8);
    o[14] = char(h & 0xFF);
    o[15] = char(h >> 8);
    o[16] = 32;
    o[17] = 0x28;
    o.append(size_t(w) * h * 4, char(0x80));
    return o;
}

void BM_SheetDraw(benchmark::State& state) {
    if (!StartEngine()) {
        state.SkipWithError("no engine");
        return;
    }
    const std::string tga = Tga(640, 480);
    void* block = Kestra::MemoryAlloc(uint32_t(tga.size()));
    std::memcpy(block, tga.data(), tga.size());
    CSheet* sheet = KestraSheet::CreateFromMemory(block, uint32_t(tga.size()), 12, 0);
    if (!sheet) {
        state.SkipWithError("no sheet");
        StopEngine();
        return;
    }
    for (auto _ : state) {
        Kestra3D::BeginScene();
        sheet->DrawAt(0, 0, 0xFFFFFFFF);
        sheet->DrawScale(0, 0, 0.5f, 0xFFFFFFFF, 0, 0);
        sheet->DrawRotate(320, 240, 4096, 0xFFFFFFFF, 0, 0);
        Kestra3D::EndScene();
    }
    KestraSheet::Release(sheet);
    StopEngine();
}
BENCHMARK(BM_SheetDraw)->Unit(benchmark::kMicrosecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
