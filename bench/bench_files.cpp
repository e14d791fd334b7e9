// Files and packs: LZSS decoding speed, pack building with compression, and the
// cost of one directory lookup.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "engine/core/KestraLzss.h"
#include "engine/core/KestraPack.h"
#include "tools/kestra-pack/LzssEncoder.h"
#include "tools/kestra-pack/PackWriter.h"

namespace {

// Game-like data: text with repeats, image-like runs and some noise.
std::vector<uint8_t> MixedData(size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> out;
    out.reserve(size);
    const std::string words[] = {"enemy ", "bullet ", "stage ", "0.500000 ", "12 ", "# comment\r\n", "boss "};
    while (out.size() < size) {
        switch (rng() % 3) {
        case 0:
            for (int i = 0; i < 64; ++i) {
                const std::string& w = words[rng() % 7];
                out.insert(out.end(), w.begin(), w.end());
            }
            break;
        case 1: {
            const uint8_t pixel[4] = {uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0xFF};
            for (int i = 0; i < 256; ++i) out.insert(out.end(), pixel, pixel + 4);
            break;
        }
        default:
            for (int i = 0; i < 128; ++i) out.push_back(uint8_t(rng()));
        }
    }
    out.resize(size);
    return out;
}

void BM_LzssDecode(benchmark::State& state) {
    const std::vector<uint8_t> plain = MixedData(8 << 20, 1);
    const std::vector<uint8_t> block = kestrapack::LzssEncodeBlock(plain.data(), plain.size());
    std::vector<uint8_t> out(plain.size());
    for (auto _ : state) {
        bool ok = KestraFile::DecodeLzssStream(block.data(), uint32_t(block.size()), out.data(), uint32_t(out.size()));
        benchmark::DoNotOptimize(ok);
        if (!ok) state.SkipWithError("decode failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(plain.size()));
}
BENCHMARK(BM_LzssDecode)->Unit(benchmark::kMillisecond);

// 100 MB over 400 files of 256 KB, compressed wherever that is smaller.
void BM_PackBuild100MB(benchmark::State& state) {
    std::vector<std::vector<uint8_t>> files;
    for (uint32_t i = 0; i < 400; ++i) files.push_back(MixedData(256 << 10, i + 10));
    for (auto _ : state) {
        kestrapack::PackWriter writer;
        for (size_t i = 0; i < files.size(); ++i) writer.Add("img\\file" + std::to_string(i) + ".bin", files[i]);
        std::vector<uint8_t> pack;
        bool ok = writer.Build(true, &pack);
        benchmark::DoNotOptimize(pack.data());
        if (!ok) state.SkipWithError("build failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 400 * (256 << 10));
}
BENCHMARK(BM_PackBuild100MB)->Unit(benchmark::kMillisecond)->Iterations(1);

// One lookup in a 2,000-entry directory.
void BM_PackLookup(benchmark::State& state) {
    kestrapack::PackWriter writer;
    std::vector<std::string> names;
    for (int i = 0; i < 2000; ++i) {
        names.push_back("IMG\\SPRITE" + std::to_string(i) + ".PNG");
        writer.Add(names.back(), std::vector<uint8_t>{uint8_t(i)});
    }
    std::vector<uint8_t> pack;
    writer.Build(false, &pack);
    const uint8_t* directory = pack.data() + 8;
    size_t i = 0;
    for (auto _ : state) {
        uint32_t offset = 0, size = 0, further = 0;
        bool found = KestraFile::FindPackEntry(directory, 2000, names[i].c_str(), &offset, &size, &further);
        benchmark::DoNotOptimize(found);
        i = (i + 1) % names.size();
    }
}
BENCHMARK(BM_PackLookup);

}  // namespace

BENCHMARK_MAIN();
