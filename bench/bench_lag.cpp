// One LAG archive lookup behind a long run of headers: `bench_lag [COUNT]` writes
// an archive of COUNT empty entries (4 million unless told) and then the wanted
// one, and times LoadImage of that last entry and of a name the archive lacks.
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/core/KestraFile.h"
#include "engine/graphics/CLagFile.h"
#include "platform/win32/kernel.h"
#include "platform/win32/testing.h"

namespace {

void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}

void Header(std::string& out, const char* name, uint32_t width, uint32_t height, uint32_t stored) {
    std::string field(name);
    field.resize(16, '\0');
    out += field;
    Put32(out, width);
    Put32(out, height);
    Put32(out, 1);
    Put32(out, stored);
}

double Seconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
    const unsigned long count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 4'000'000ul;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("quenrith-bench-lag-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    {
        std::ofstream out(folder / "many.lag", std::ios::binary);
        std::string chunk(std::string("LAG\0\1\0\0\0", 8));
        std::string empty;
        Header(empty, "empty", 0, 0, 0);
        for (unsigned long i = 0; i < count; ++i) {
            chunk += empty;
            if (chunk.size() >= (1u << 20)) {
                out.write(chunk.data(), std::streamsize(chunk.size()));
                chunk.clear();
            }
        }
        Header(chunk, "wanted", 1, 1, 4);
        chunk += std::string("\x10\x20\x30\xFF", 4);
        out.write(chunk.data(), std::streamsize(chunk.size()));
    }
    platform::SetProgramFolderOverride(folder.string());
    SetCurrentDirectoryA(folder.string().c_str());
    if (!KestraFile::Initialize()) return 1;
    int status = 0;
    for (const char* entry : {"wanted", "missing"}) {
        CLagFile lag;
        const double start = Seconds();
        const char* error = lag.LoadImage("many.lag", entry);
        const double took = Seconds() - start;
        std::printf("%lu entries, %s: %s in %.3f s\n", count, entry, error ? "refused" : "loaded", took);
        if ((error == nullptr) != (entry[0] == 'w')) status = 1;
    }
    KestraFile::Finalize();
    std::filesystem::remove_all(folder);
    return status;
}
