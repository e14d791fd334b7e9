// The whole generated set against tests/tools/demodata/digests.txt: for every
// file a hash of what it decodes to (pictures' pixels through the engine's image
// reader, sounds' and music's samples through the sound player's decoders, the
// fonts' records and sheets, the pack's directory and contents), so a change to
// any painter, synthesizer or tool line that reaches the data shows here.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <iterator>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/d3dx9/image_decode.h"
#include "platform/torvi/TorviDecoder.h"
#include "tests/tools/demodata/demodata_test_util.h"

using namespace demodatatest;
namespace fs = std::filesystem;

namespace {

// FNV-1a over 8-byte words (a word at a time keeps it quick under the sanitizers), then the odd bytes.
uint64_t Fold(uint64_t hash, const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t i = 0;
    for (uint64_t word; i + 8 <= size; i += 8) {
        std::memcpy(&word, bytes + i, 8);
        hash = (hash ^ word) * 0x100000001B3ull;
    }
    for (; i < size; ++i) hash = (hash ^ bytes[i]) * 0x100000001B3ull;
    return hash;
}

// Decoded where the file is a picture or a sound; its bytes otherwise (fonts, pack).
uint64_t Digest(const std::string& path, std::string* problem) {
    std::vector<uint8_t> bytes;
    if (!ReadAll(path, &bytes)) return *problem = "unreadable", 0;
    uint64_t hash = 14695981039346656037ull;
    const std::string ext = fs::path(path).extension().string();
    if (ext == ".png" || ext == ".tga") {
        d3dx9img::Image im;
        if (d3dx9img::DecodeImage(bytes.data(), bytes.size(), &im) != d3dx9img::DecodeStatus::kOk)
            return *problem = "the image reader refuses it", 0;
        const uint32_t size[2] = {im.width, im.height};
        return Fold(Fold(hash, size, sizeof size), im.pixels.data(), im.pixels.size() * 4);
    }
    if (ext == ".wav" || ext == ".ogg") {
        std::string error;
        auto d = ext == ".wav" ? torvi::OpenWave(bytes.data(), bytes.size(), &error)
                               : torvi::OpenOggVorbis(bytes.data(), bytes.size(), &error);
        if (!d) return *problem = error, 0;
        const uint64_t format[3] = {d->rate(), d->channels(), d->frames()};
        hash = Fold(hash, format, sizeof format);
        std::vector<int16_t> pcm(size_t(8192) * d->channels());
        while (const uint32_t got = d->Read(pcm.data(), 8192)) hash = Fold(hash, pcm.data(), got * d->channels() * 2u);
        return hash;
    }
    return Fold(hash, bytes.data(), bytes.size());
}

// The set in parts that each check in seconds under the sanitizers: a file belongs
// to the first part its name starts with.
const char* const kParts[] = {"data/BGM/", "data/img/talk/", "data/img/Stage", "data/img/", ""};

class DemoDataDigest : public ::testing::TestWithParam<size_t> {};

TEST_P(DemoDataDigest, EveryFileMatchesItsRecordedDigest) {
    const auto inPart = [](const std::string& name) {
        size_t part = 0;
        while (name.compare(0, std::strlen(kParts[part]), kParts[part]) != 0) ++part;
        return part == GetParam();
    };
    std::map<std::string, std::string> recorded, written;
    std::ifstream in(QUENRITH_DEMODATA_DIGESTS);
    for (std::string name, hash; in >> name >> hash;)
        if (inPart(name)) recorded[name] = hash;
    ASSERT_FALSE(recorded.empty()) << QUENRITH_DEMODATA_DIGESTS;
    const fs::path root = fs::path(DataDir()).parent_path();
    // What the generator writes (other tests run programs in the folder, which may leave their own files).
    const std::string kinds = ".png.tga.wav.ogg.lfd.bin";
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        const std::string name = e.path().lexically_relative(root).generic_string();
        if (!e.is_regular_file() || !e.path().has_extension() || kinds.find(e.path().extension().string()) == std::string::npos ||
            !inPart(name))
            continue;
        std::string problem;
        const uint64_t hash = Digest(e.path().string(), &problem);
        char text[20];
        std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
        written[name] = problem.empty() ? text : problem;
    }
    std::string differ;
    for (const auto& [name, hash] : written)
        if (recorded[name] != hash) differ += "\n" + name + " " + hash;
    for (const auto& [name, hash] : recorded)
        if (!written.count(name)) differ += "\n" + name + " (not written)";
    EXPECT_TRUE(differ.empty()) << "files that differ from their record; if the change is meant, record these lines in "
                                << QUENRITH_DEMODATA_DIGESTS << ":" << differ;
}

INSTANTIATE_TEST_SUITE_P(Parts, DemoDataDigest, ::testing::Range(size_t{0}, std::size(kParts)));

}  // namespace
