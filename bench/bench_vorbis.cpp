// Opening Ogg Vorbis through the player's decoder when junk follows the last
// page: zeros of 10 to 100 MB, and a megabyte of "OggS" words (each announcing
// a page that fails its checksum, which is refused).
//   bench_vorbis <a .ogg file>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/torvi/TorviDecoder.h"

namespace {

std::string gOgg;

void BM_OpenWithZerosAfter(benchmark::State& state) {
    std::string file = gOgg;
    file.resize(gOgg.size() + (static_cast<size_t>(state.range(0)) << 20), '\0');
    for (auto _ : state) {
        std::string error;
        auto decoder = torvi::OpenOggVorbis(reinterpret_cast<const uint8_t*>(file.data()), file.size(), &error);
        if (!decoder) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(decoder);
    }
}
BENCHMARK(BM_OpenWithZerosAfter)->Arg(10)->Arg(40)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_OpenWithOggsWordsAfter(benchmark::State& state) {
    std::string file = gOgg;
    while (file.size() < gOgg.size() + (size_t{1} << 20)) file += "OggS";
    for (auto _ : state) {
        std::string error;
        auto decoder = torvi::OpenOggVorbis(reinterpret_cast<const uint8_t*>(file.data()), file.size(), &error);
        if (decoder) state.SkipWithError("opened");
        benchmark::DoNotOptimize(decoder);
    }
}
BENCHMARK(BM_OpenWithOggsWordsAfter)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <a .ogg file>\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    gOgg.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
