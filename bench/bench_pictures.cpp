// One picture file through the texture loader (or, with --sheet, the tile-sheet
// loader) on the null device, to be measured whole with /usr/bin/time -v; the
// loader's log lines go to standard output. `--write DIR` writes the forged
// files the readers' limits are measured with, each at the pixel limit and past it.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/core/Kestra.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraSheet.h"
#include "engine/graphics/KestraTexture.h"
#include "platform/d3d9/d3d9test.h"
#include "platform/win32/testing.h"
#include "tests/platform/d3dx9/forged_images.h"

namespace {

void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    std::printf("%s %zu bytes\n", path.c_str(), bytes.size());
}

void WriteForged(const std::string& dir) {
    using namespace forgedimage;
    for (uint32_t side : {4096u, 8192u}) {
        const std::string n = std::to_string(side);
        Write(dir + "/jpeg_ac3_" + n + ".jpg", ProgressiveJpeg(side, side, 3, 0));
        Write(dir + "/jpeg_scans1000_" + n + ".jpg", ProgressiveJpeg(side, side, 3, 997));
        Write(dir + "/bmp_rle_" + n + ".bmp", EmptyRleBmp(side, side));
        Write(dir + "/png_flat_" + n + ".png", FlatPng(side, side));
    }
    // Scans visiting 32 and 33 times the blocks of a 4096 x 4096 component.
    Write(dir + "/jpeg_scans32_4096.jpg", ProgressiveJpeg(4096, 4096, 3, 29));
    Write(dir + "/jpeg_scans33_4096.jpg", ProgressiveJpeg(4096, 4096, 3, 30));
    // Half the pixels of 8192 x 8192 in run packets (512 KB), and all of 4096 x 4096.
    Write(dir + "/tga_rle_8192.tga", RleTga(8192, 8192, 262144));
    Write(dir + "/tga_rle_4096.tga", RleTga(4096, 4096, 131072));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write") == 0) {
        WriteForged(argv[2]);
        return 0;
    }
    const bool sheet = argc == 3 && std::strcmp(argv[1], "--sheet") == 0;
    if (argc != 2 && !sheet) {
        std::fprintf(stderr, "usage: bench_pictures [--sheet] FILE | --write DIR\n");
        return 2;
    }
    const std::string file = std::filesystem::absolute(argv[argc - 1]).string();
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("quenrith-bench-pictures-" + std::to_string(std::time(nullptr)));
    std::filesystem::create_directories(folder);
    platform::SetProgramFolderOverride(folder.string());
    platform::SetMessageBoxRecording(true);
    const std::string log = (folder / "pictures").string();
    Kestra::SetLogFile(log.c_str(), "html");
    if (!Kestra::OpenLog("pictures")) return 1;
    d3d9test::SetBackend(d3d9test::Backend::Null);
    Kestra::SetScreenInfo(640, 480, true);
    if (!Kestra3D::Initialize() || !Kestra3D::Start(reinterpret_cast<HWND>(uintptr_t(0x1000)), true) ||
        !KestraTexture::Initialize() || !KestraSheet::Initialize())
        return 1;
    bool loaded = false;
    if (sheet) {
        CSheet* s = KestraSheet::CreateFromFile(file.c_str(), 14, 0);
        loaded = s != nullptr;
        KestraSheet::Release(s);
    } else {
        CTexture* t = KestraTexture::CreateFromFile(file.c_str(), 14, 0);
        loaded = t != nullptr;
        KestraTexture::Release(t);
    }
    KestraSheet::Finalize();
    KestraTexture::Finalize();
    Kestra3D::Finalize();
    Kestra::CloseLog();
    std::ifstream in(log + ".html", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::printf("%s: %s\n", file.c_str(), loaded ? "loaded" : "refused");
    std::filesystem::remove_all(folder);
    return 0;
}
