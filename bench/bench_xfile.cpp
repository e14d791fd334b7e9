// Loading the largest BSD character of the test corpus, as text and as binary:
// the parse, and the parse with every mesh built and its skin converted.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/d3dx9/d3dx9mesh.h"
#include "tests/platform/d3dx9/xfile_binary_writer.h"

namespace {

std::string Corpus(const char* name) {
    const char* shared = std::getenv("QUENRITH_SHARED_DIR");
    const std::string path =
        (shared ? std::string(shared) : std::string(QUENRITH_SOURCE_DIR) + "/../shared") + "/testdata/xfiles/" + name;
    std::string out;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
        std::fclose(f);
    }
    return out;
}

const std::string& Text() {
    static const std::string text = Corpus("Testwuson.X");
    return text;
}

const std::string& Binary() {
    static const std::string binary = xtest::ToBinaryX(Text(), false);
    return binary;
}

void Walk(ID3DXFileData* d, bool meshes, size_t* faces) {
    GUID type{};
    d->GetType(&type);
    if (meshes && type == TID_D3DRMMesh) {
        ID3DXMesh* mesh = nullptr;
        ID3DXSkinInfo* skin = nullptr;
        ID3DXBuffer *adj = nullptr, *mats = nullptr, *fx = nullptr;
        DWORD nm = 0;
        if (SUCCEEDED(D3DXLoadSkinMeshFromXof(d, D3DXMESH_SYSTEMMEM, nullptr, &adj, &mats, &fx, &nm, &skin, &mesh))) {
            *faces += mesh->GetNumFaces();
            if (skin) {
                ID3DXMesh* blended = nullptr;
                ID3DXBuffer* combos = nullptr;
                DWORD infl = 0, count = 0;
                if (SUCCEEDED(skin->ConvertToIndexedBlendedMesh(mesh, D3DXMESHOPT_VERTEXCACHE, 32,
                                                                static_cast<DWORD*>(adj->GetBufferPointer()), nullptr,
                                                                nullptr, nullptr, &infl, &count, &combos, &blended))) {
                    blended->Release();
                    combos->Release();
                }
                skin->Release();
            }
            mesh->Release();
            adj->Release();
            if (mats) mats->Release();
            if (fx) fx->Release();
        }
    }
    SIZE_T n = 0;
    d->GetChildren(&n);
    for (SIZE_T i = 0; i < n && !d->IsReference(); ++i) {
        ID3DXFileData* c = nullptr;
        if (SUCCEEDED(d->GetChild(i, &c))) {
            Walk(c, meshes, faces);
            c->Release();
        }
    }
}

void Load(benchmark::State& state, const std::string& bytes, bool meshes) {
    if (bytes.empty()) {
        state.SkipWithError("Testwuson.X not found (set QUENRITH_SHARED_DIR)");
        return;
    }
    size_t faces = 0;
    for (auto _ : state) {
        ID3DXFile* file = nullptr;
        D3DXFileCreate(&file);
        D3DXF_FILELOADMEMORY mem{bytes.data(), bytes.size()};
        ID3DXFileEnumObject* en = nullptr;
        if (FAILED(file->CreateEnumObject(&mem, D3DXF_FILELOAD_FROMMEMORY, &en))) {
            state.SkipWithError("parse failed");
            file->Release();
            return;
        }
        SIZE_T n = 0;
        en->GetChildren(&n);
        for (SIZE_T i = 0; i < n; ++i) {
            ID3DXFileData* d = nullptr;
            en->GetChild(i, &d);
            Walk(d, meshes, &faces);
            d->Release();
        }
        en->Release();
        file->Release();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
    state.counters["file_bytes"] = double(bytes.size());
    benchmark::DoNotOptimize(faces);
}

void BM_ParseText(benchmark::State& s) { Load(s, Text(), false); }
void BM_ParseBinary(benchmark::State& s) { Load(s, Binary(), false); }
void BM_LoadText(benchmark::State& s) { Load(s, Text(), true); }
void BM_LoadBinary(benchmark::State& s) { Load(s, Binary(), true); }

BENCHMARK(BM_ParseText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseBinary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadBinary)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
