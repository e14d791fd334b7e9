// The pack tool end to end: a folder with Shift-JIS file names packed with and
// without compression and read back through the engine's file system.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "engine/core/KestraFile.h"
#include "engine/core/KestraLog.h"
#include "platform/win32/kernel.h"
#include "tests/support/test_support.h"
#include "tools/kestra-pack/PackWriter.h"

namespace fs = std::filesystem;

namespace {

using testsupport::U8;

// The exit code; what the tool printed (both streams) in *said.
int RunTool(const std::string& arguments, std::string* said = nullptr) {
    const std::string log = testsupport::BinaryDir() + "/kestra-pack-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
    const std::string command = "'" + testsupport::BinaryDir() + "/kestra-pack' " + arguments + " > '" + log + "' 2>&1";
    const int status = std::system(command.c_str());
    if (said) *said = testsupport::ReadFile(log);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class PackTool : public ::testing::Test {
protected:
    void SetUp() override {
        char previous[1024] = {};
        GetCurrentDirectoryA(sizeof(previous), previous);
        previous_ = previous;
        ASSERT_TRUE(SetCurrentDirectoryA(dir_.path().c_str()));
        ASSERT_TRUE(KestraFile::Initialize());
    }
    void TearDown() override {
        KestraFile::Finalize();
        SetCurrentDirectoryA(previous_.c_str());
    }
    void Put(const std::string& utf8Name, const std::string& bytes) {
        const fs::path path = fs::path(dir_.path()) / "src" / utf8Name;
        fs::create_directories(path.parent_path());
        testsupport::WriteFile(path.string(), bytes);
    }
    static std::string LoadText(const std::string& name) {
        uint8_t* data = nullptr;
        uint32_t size = 0;
        if (!KestraFile::Load(name.c_str(), &data, &size)) return "<missing>";
        std::string text(reinterpret_cast<char*>(data), size);
        Kestra::MemoryFree(data);
        return text;
    }

    testsupport::TempDir dir_;
    std::string previous_;
};

TEST_F(PackTool, PacksAFolderWithShiftJisNames) {
    struct File {
        std::string utf8;
        std::string bytes;
    };
    std::vector<File> files;
    std::mt19937 rng(3);
    const std::string names[] = {U8(u8"img/ソ表.png"), U8(u8"img/system/ヂ.png"), U8(u8"SE/能力.wav"),
                                 U8(u8"ホ/deep/Mixed Case.TXT"), "BGM/stage01.ogg", "font.lfd"};
    for (int i = 0; i < 60; ++i) {
        const std::string& base = names[i % 6];
        const std::string name = i < 6 ? base : base + "." + std::to_string(i);
        std::string bytes(rng() % 20000, '\0');
        for (size_t k = 0; k < bytes.size(); ++k)
            bytes[k] = i % 2 ? static_cast<char>(rng()) : "pattern "[(k / 3) % 8];
        files.push_back({name, bytes});
        Put(name, bytes);
    }
    for (bool compress : {false, true}) {
        const std::string pack = dir_.file(compress ? "packed.bin" : "plain.bin");
        ASSERT_EQ(RunTool((compress ? "--compress '" : "'") + pack + "' '" + dir_.file("src") + "'"), 0);
        KestraFile::Mount(0, "data", compress ? "packed.bin" : "plain.bin");
        for (const File& f : files) {
            const std::string name = testsupport::Utf8ToCp932(f.utf8);
            EXPECT_EQ(LoadText(name), f.bytes) << f.utf8;
        }
        const std::string bytes = testsupport::ReadFile(pack);
        uint32_t count = 0;
        ASSERT_TRUE(KestraFile::ParsePackHeader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &count));
        EXPECT_EQ(count, files.size());
        int compressed = 0;
        for (uint32_t i = 0; i < count; ++i) {
            const auto e = KestraFile::ReadPackEntry(reinterpret_cast<const uint8_t*>(bytes.data()) + 8, i);
            ASSERT_LE(uint64_t{e.offset} + e.size, bytes.size());
            if (bytes.compare(e.offset, 4, "LZSS") == 0 && e.size >= 8) ++compressed;
            // The stored name is the CP932 path with "\" separators.
            const std::string stored(reinterpret_cast<const char*>(e.name), strnlen(reinterpret_cast<const char*>(e.name), 64));
            EXPECT_EQ(stored.find('/'), std::string::npos) << stored;
            char normalized[MAX_PATH];
            ASSERT_TRUE(KestraFile::NormalizePath(normalized, stored.c_str()));
            EXPECT_EQ(KestraFile::Crc32(normalized), e.crc) << stored;
        }
        if (compress)
            EXPECT_EQ(compressed, 30);  // exactly the patterned half
        else
            EXPECT_EQ(compressed, 0);
        const std::string name = testsupport::Utf8ToCp932(U8(u8"img/ソ表.png"));
        char path[MAX_PATH];
        ASSERT_TRUE(KestraFile::GetFilePath(path, name.c_str()));
        EXPECT_EQ(std::string(path), name);
    }
}

TEST_F(PackTool, RefusesWhatItCannotPackFaithfully) {
    std::string said;
    for (const char* arguments : {"", "only-one-argument", "one two three", "--help a", "-h a"}) {
        EXPECT_EQ(RunTool(arguments, &said), 2) << arguments;
        EXPECT_EQ(said, "usage: kestra-pack [--compress] OUTPUT FOLDER\n") << arguments;
    }
    const std::string plain = "'" + dir_.file("out.bin") + "' '" + dir_.file("src") + "'";
    EXPECT_EQ(RunTool("'" + dir_.file("out.bin") + "' '" + dir_.file("no-such-folder") + "'", &said), 1);
    EXPECT_EQ(said, "kestra-pack: " + dir_.file("no-such-folder") + " is not a folder\n");
    EXPECT_EQ(RunTool("'" + dir_.file("no/out.bin") + "' '" + dir_.path() + "'", &said), 1);
    EXPECT_EQ(said, "kestra-pack: cannot create " + dir_.file("no/out.bin") + ".tmp\n");

    Put("a.txt", "a");
    Put("A.TXT", "b");  // the same entry once normalised
    EXPECT_EQ(RunTool(plain, &said), 1);
    EXPECT_EQ(said, "kestra-pack: a.txt: two files share the name a.txt\n");
    EXPECT_FALSE(fs::exists(dir_.file("out.bin")));
    fs::remove(dir_.file("src/A.TXT"));

    const std::string smile = U8(u8"smile-😀.txt");
    Put(smile, "no CP932 form");
    EXPECT_EQ(RunTool(plain, &said), 1);
    EXPECT_EQ(said, "kestra-pack: " + smile + ": the name has no Shift-JIS (CP932) form\n");
    fs::remove(dir_.file("src/" + smile));

    EXPECT_EQ(RunTool("--compress " + plain, &said), 0);
    EXPECT_EQ(said, dir_.file("out.bin") + ": 1 entries (0 compressed), 1 bytes stored for 1\n");
    // A pack written inside the folder it packs leaves itself out, also on the next run.
    for (int run = 0; run < 2; ++run) ASSERT_EQ(RunTool("'" + dir_.file("src/self.bin") + "' '" + dir_.file("src") + "'"), 0);
    EXPECT_EQ(testsupport::ReadFile(dir_.file("src/self.bin"))[4], 1);  // a.txt alone
    // An empty folder makes a valid, empty pack.
    fs::create_directories(dir_.file("empty"));
    ASSERT_EQ(RunTool("'" + dir_.file("empty.bin") + "' '" + dir_.file("empty") + "'"), 0);
    EXPECT_EQ(testsupport::ReadFile(dir_.file("empty.bin")), std::string("PACK\0\0\0\0", 8));
}

TEST(PackWriter, NameAreaAndRefusals) {
    kestrapack::PackWriter writer;
    std::string error;
    const std::string longName = std::string(70, 'x') + "/y.bin";
    EXPECT_TRUE(writer.Add("dir/" + std::string("\x83\x5C", 2) + ".bin", {1, 2, 3}));
    EXPECT_TRUE(writer.Add(longName, {4}));
    EXPECT_TRUE(writer.Add(std::string(259, 'm'), {9}));  // the longest the engine's paths hold
    const std::pair<std::string, std::string> refused[] = {
        {"DIR\\\x83\x5C.BIN", "two files share the name DIR\\\x83\x5C.BIN"},  // equal once normalised
        {"", "empty entry name"},
        {std::string("a\0b", 3), "entry name holds a NUL byte"},
        {std::string(260, 'n'), "entry name too long: " + std::string(260, 'n')}};  // no room for the terminator
    for (const auto& [name, reason] : refused) {
        EXPECT_FALSE(writer.Add(name, {5}, &error));
        EXPECT_EQ(error, reason);
    }
    // 62 bytes of ASCII then a two-byte character: the character does not fit the
    // 63 usable bytes and is left out whole.
    EXPECT_TRUE(writer.Add(std::string(62, 'k') + "\x95\x5C", {8}));
    std::vector<uint8_t> pack;
    kestrapack::PackStats stats;
    ASSERT_TRUE(writer.Build(false, &pack, &error, &stats));
    EXPECT_EQ(std::tuple(stats.entries, stats.compressed, stats.plainBytes, stats.storedBytes), std::tuple(4u, 0u, 6u, 6u));
    uint32_t count = 0;
    ASSERT_TRUE(KestraFile::ParsePackHeader(pack.data(), pack.size(), &count));
    ASSERT_EQ(count, 4u);
    bool sawShort = false, sawCut = false;
    for (uint32_t i = 0; i < count; ++i) {
        const auto e = KestraFile::ReadPackEntry(pack.data() + 8, i);
        const std::string stored(reinterpret_cast<const char*>(e.name), strnlen(reinterpret_cast<const char*>(e.name), 64));
        EXPECT_LT(stored.size(), 64u);
        if (stored == "dir\\\x83\x5C.bin") sawShort = true;
        if (stored == std::string(62, 'k')) sawCut = true;
        if (pack[e.offset] == 8) { EXPECT_EQ(e.crc, kestrapack::PackNameCrc(std::string(62, 'k') + "\x95\x5C")); }
        if (pack[e.offset] == 1) { EXPECT_EQ(e.crc, KestraFile::Crc32("DIR\\\x83\x5C.BIN")); }
        if (pack[e.offset] == 4) { EXPECT_EQ(e.crc, kestrapack::PackNameCrc(longName)); }
    }
    EXPECT_TRUE(sawShort);
    EXPECT_TRUE(sawCut);
    EXPECT_EQ(kestrapack::NormalizePackName("a/\x83\x61/b"), "A\\\x83\x61\\B");
    // A pack that cannot be written or put in place leaves nothing behind.
    const std::string folder = ::testing::TempDir() + "pack-target-" + std::to_string(getpid());
    fs::create_directories(folder + "/inside");
    EXPECT_FALSE(writer.Write(folder, false, &error));
    EXPECT_EQ(error, "cannot rename " + folder + ".tmp to " + folder);
    EXPECT_FALSE(fs::exists(folder + ".tmp"));
    EXPECT_FALSE(writer.Write(folder + "/no/p.bin", false, &error));
    EXPECT_EQ(error, "cannot create " + folder + "/no/p.bin.tmp");
    fs::remove_all(folder);
}

}  // namespace
