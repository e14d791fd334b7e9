// Text drawing on the null backend: one frame of 2,000 characters (Japanese and
// ASCII, 40 lines of 50) queued with DrawString, ended and rendered. The CPU time
// per iteration is the per-frame cost of the font sprites and their sprites.
#include <benchmark/benchmark.h>

#include <string>

#include "engine/core/Kestra.h"
#include "engine/core/KestraShiftJis.h"
#include "engine/graphics/CFont.h"
#include "engine/graphics/CFontSprite2D.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraFont.h"
#include "engine/graphics/KestraFontSprite2D.h"
#include "engine/graphics/KestraSprite2D.h"
#include "engine/graphics/KestraTexture.h"
#include "platform/d3d9/d3d9test.h"
#include "platform/win32/testing.h"

namespace {

// Lines of 50 characters each, every line different.
std::vector<std::string> Lines() {
    // "ステージ開始" and friends, in CP932 (this file's literals are CP932 at run time).
    const std::string words[] = {"ステージ", "開始", "Score", "ボス", "撃破", "HiScore ", "残機", "ボム",
                                 "アプリケーション", "0123456789"};
    std::vector<std::string> lines;
    for (int l = 0; l < 40; ++l) {
        std::string line;
        int chars = 0;
        for (int w = l; chars < 50; ++w) {
            const std::string& word = words[w % 10];
            for (const char* p = word.c_str(); *p && chars < 50; ++chars) {
                const uint32_t n = Kestra::GetChar(p, nullptr);
                line.append(p, n);
                p += n;
            }
        }
        lines.push_back(line);
    }
    return lines;
}

CFontSprite2D* Font() {
    static CFontSprite2D* font = [] {
        platform::SetMessageBoxRecording(true);
        d3d9test::SetBackend(d3d9test::Backend::Null);
        Kestra::SetScreenInfo(640, 480, true);
        if (!Kestra3D::Initialize() || !Kestra3D::Start(reinterpret_cast<HWND>(uintptr_t(0x1000)), true) ||
            !KestraTexture::Initialize() || !KestraFont::Initialize() || !KestraSprite2D::Initialize() ||
            !KestraFontSprite2D::Initialize())
            return static_cast<CFontSprite2D*>(nullptr);
        std::string list;
        for (const std::string& line : Lines()) list += line;
        CFont* gdi = KestraFont::Create("\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e", 24, 0, 0);
        if (!gdi) return static_cast<CFontSprite2D*>(nullptr);
        CFontSprite2D* fs = KestraFontSprite2D::Create(list.c_str(), 2000 * 6, gdi, 0, 1);
        KestraFont::Release(gdi);
        return fs;
    }();
    return font;
}

void BM_DrawString2000Characters(benchmark::State& state) {
    CFontSprite2D* font = Font();
    if (!font) {
        state.SkipWithError("no font sprite");
        return;
    }
    const std::vector<std::string> lines = Lines();
    for (auto _ : state) {
        KestraFontSprite2D::Begin(font, 0);
        for (size_t l = 0; l < lines.size(); ++l)
            KestraFontSprite2D::DrawString(font, lines[l].c_str(), 0, static_cast<int32_t>(l * 12), 0.5f,
                                           0xFFFFFFFF);
        KestraFontSprite2D::End(font);
        Kestra3D::BeginScene();
        KestraFontSprite2D::Render(font);
        Kestra3D::EndScene();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 2000);
}
BENCHMARK(BM_DrawString2000Characters)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
