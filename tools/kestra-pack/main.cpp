// kestra-pack [--compress] OUTPUT FOLDER
// Packs every file below FOLDER into OUTPUT, each named by its path relative to
// FOLDER in CP932. With --compress, entries are stored LZSS-coded where smaller.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/cp932.h"
#include "tools/kestra-pack/PackWriter.h"

namespace fs = std::filesystem;

namespace {

bool ReadWhole(const fs::path& path, std::vector<uint8_t>* data) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    data->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

int Usage() {
    std::fprintf(stderr, "usage: kestra-pack [--compress] OUTPUT FOLDER\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    bool compress = false;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--compress") == 0)
            compress = true;
        else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return Usage();
        else
            args.emplace_back(argv[i]);
    }
    if (args.size() != 2) return Usage();
    const fs::path output = args[0];
    const fs::path folder = args[1];

    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        std::fprintf(stderr, "kestra-pack: %s is not a folder\n", folder.c_str());
        return 1;
    }
    const fs::path outputAbsolute = fs::weakly_canonical(output, ec);

    std::vector<fs::path> files;
    for (fs::recursive_directory_iterator it(folder, ec), end; it != end; it.increment(ec)) {
        if (ec) break;
        if (it->is_regular_file(ec) && fs::weakly_canonical(it->path(), ec) != outputAbsolute) files.push_back(it->path());
    }
    if (ec) {
        std::fprintf(stderr, "kestra-pack: cannot list %s: %s\n", folder.c_str(), ec.message().c_str());
        return 1;
    }
    std::sort(files.begin(), files.end());

    kestrapack::PackWriter writer;
    for (const fs::path& file : files) {
        const std::string relative = file.lexically_relative(folder).generic_string();
        std::string name;
        // A name that has no CP932 form is an error, never a guess.
        if (!platform::Utf8ToCp932Strict(relative, name)) {
            std::fprintf(stderr, "kestra-pack: %s: the name has no Shift-JIS (CP932) form\n", relative.c_str());
            return 1;
        }
        std::vector<uint8_t> data;
        if (!ReadWhole(file, &data)) {
            std::fprintf(stderr, "kestra-pack: cannot read %s\n", file.c_str());
            return 1;
        }
        std::string error;
        if (!writer.Add(name, std::move(data), &error)) {
            std::fprintf(stderr, "kestra-pack: %s: %s\n", relative.c_str(), error.c_str());
            return 1;
        }
    }

    std::string error;
    kestrapack::PackStats stats;
    if (!writer.Write(output.string(), compress, &error, &stats)) {
        std::fprintf(stderr, "kestra-pack: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %zu entries (%zu compressed), %llu bytes stored for %llu\n", output.c_str(), stats.entries,
                stats.compressed, static_cast<unsigned long long>(stats.storedBytes),
                static_cast<unsigned long long>(stats.plainBytes));
    return 0;
}
