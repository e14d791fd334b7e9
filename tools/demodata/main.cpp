// quenrith-demodata [options] OUTPUT
// Writes the game's demo data set into OUTPUT (the folder "data/" stands for):
// every picture at the rectangles the game draws, the sound effects, the music
// and the two fonts, from nothing but this program's code and fixed seeds.
//
//   --list               print the inventory (file, size, rectangles) and exit
//   --only LIST          comma-separated parts: images, sounds, music, fonts
//   --jobs N             worker threads (default 2)
//   --font-tool PATH     kestra-font (default: beside this program)
//   --contact-sheet PNG  also write every picture scaled down on one sheet
//   --pack FILE          also pack OUTPUT into FILE (compressed) and report the ratio
//   --stagedata DIR      paint the walls of DIR's map grids (Stage01.dat ...) into the backgrounds
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tools/demodata/Generator.h"
#include "tools/demodata/Inventory.h"
#include "tools/kestra-pack/PackWriter.h"

namespace fs = std::filesystem;

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: quenrith-demodata [--list] [--only images,sounds,music,fonts] [--jobs N] [--font-tool PATH]\n"
                 "                         [--contact-sheet PNG] [--pack FILE] [--stagedata DIR] OUTPUT\n");
    return 2;
}

void List() {
    for (const demodata::ImageAsset& a : demodata::Images()) {
        std::printf("%s %dx%d\n", a.path.c_str(), a.width, a.height);
        for (const demodata::Cell& c : a.cells)
            std::printf("  %s %d %d,%d %dx%d%s%s%s\n", c.group.c_str(), c.index, c.box.x, c.box.y, c.box.w, c.box.h,
                        c.wraps ? " wraps" : "", c.borrowed ? " borrowed" : "", c.runsOn ? " runs-on" : "");
    }
    for (const demodata::SoundAsset& s : demodata::SoundEffects()) std::printf("%s\n", s.path.c_str());
    for (const demodata::MusicAsset& m : demodata::MusicTracks()) std::printf("%s\n", m.path.c_str());
    for (const std::string& f : demodata::FontFiles()) std::printf("%s\n", f.c_str());
}

bool Pack(const fs::path& folder, const std::string& output) {
    kestrapack::PackWriter writer;
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& f : files) {
        std::ifstream in(f, std::ios::binary);
        std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string error;
        if (!writer.Add(f.lexically_relative(folder).generic_string(), std::move(data), &error)) {
            std::fprintf(stderr, "quenrith-demodata: %s\n", error.c_str());
            return false;
        }
    }
    std::string error;
    kestrapack::PackStats stats;
    if (!writer.Write(output, true, &error, &stats)) {
        std::fprintf(stderr, "quenrith-demodata: %s\n", error.c_str());
        return false;
    }
    const uint64_t packed = fs::file_size(output);
    std::printf("packed: %s, %llu bytes for %llu loose (%.1f%%)\n", output.c_str(), (unsigned long long)packed,
                (unsigned long long)stats.plainBytes, stats.plainBytes ? 100.0 * double(packed) / double(stats.plainBytes) : 0.0);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    demodata::GenerateOptions o;
    std::string pack;
    bool list = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) return false;
            *out = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--list") list = true;
        else if (a == "--only") {
            if (!value(&v)) return Usage();
            o.images = v.find("images") != std::string::npos;
            o.sounds = v.find("sounds") != std::string::npos;
            o.music = v.find("music") != std::string::npos;
            o.fonts = v.find("fonts") != std::string::npos;
        } else if (a == "--jobs") {
            if (!value(&v)) return Usage();
            o.jobs = unsigned(std::max(1, std::atoi(v.c_str())));
        } else if (a == "--font-tool") {
            if (!value(&o.fontTool)) return Usage();
        } else if (a == "--contact-sheet") {
            if (!value(&o.contactSheet)) return Usage();
        } else if (a == "--stagedata") {
            if (!value(&o.stageData)) return Usage();
        } else if (a == "--pack") {
            if (!value(&pack)) return Usage();
        } else if (!a.empty() && a[0] == '-') return Usage();
        else if (o.output.empty()) o.output = a;
        else return Usage();
    }
    if (list) {
        List();
        return 0;
    }
    if (o.output.empty()) return Usage();
    if (o.fontTool.empty()) {
        std::error_code ec;
        const fs::path self = fs::read_symlink("/proc/self/exe", ec);
        if (!ec) o.fontTool = (self.parent_path() / "kestra-font").string();
    }
    demodata::GenerateReport report;
    std::string error;
    if (!demodata::Generate(o, &report, &error)) {
        std::fprintf(stderr, "quenrith-demodata: %s\n", error.c_str());
        return 1;
    }
    std::printf("generated: %s, %u files, %llu bytes loose, %.1f s\n", o.output.c_str(), report.files,
                (unsigned long long)report.bytes, report.seconds);
    if (!pack.empty() && !Pack(o.output, pack)) return 1;
    return 0;
}
