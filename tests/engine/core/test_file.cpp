// The file system: mounts, packs built by the pack tool's writer, the search
// order, streamed handles, and damaged packs refused cleanly.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/core/KestraFile.h"
#include "engine/core/KestraFileWriter.h"
#include "engine/core/KestraLog.h"
#include "platform/win32/kernel.h"
#include "platform/win32/loaded_memory.h"
#include "platform/win32/testing.h"
#include "tests/support/test_support.h"
#include "tools/kestra-pack/PackWriter.h"

namespace fs = std::filesystem;

namespace {

using testsupport::Sjis;

class FileSystem : public ::testing::Test {
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
        platform::ClearFaults();
        SetCurrentDirectoryA(previous_.c_str());
    }

    // Writes a file below the scratch folder; name is UTF-8 with "/" separators.
    void Put(const std::string& utf8Name, const std::string& bytes) {
        const fs::path path = fs::path(dir_.path()) / utf8Name;
        fs::create_directories(path.parent_path());
        testsupport::WriteFile(path.string(), bytes);
    }
    void PutPack(const std::string& name, const std::vector<uint8_t>& bytes) {
        Put(name, std::string(bytes.begin(), bytes.end()));
    }
    std::vector<uint8_t> BuildPack(const std::map<std::string, std::string>& files, bool compress,
                                   kestrapack::PackStats* stats = nullptr) {
        kestrapack::PackWriter writer;
        for (const auto& [name, bytes] : files) EXPECT_TRUE(writer.Add(name, std::vector<uint8_t>(bytes.begin(), bytes.end())));
        std::vector<uint8_t> pack;
        EXPECT_TRUE(writer.Build(compress, &pack, nullptr, stats));
        return pack;
    }

    static std::string LoadText(const char* name) {
        uint8_t* data = nullptr;
        uint32_t size = 0;
        if (!KestraFile::Load(name, &data, &size)) return "<missing>";
        std::string text(reinterpret_cast<char*>(data), size);
        Kestra::MemoryFree(data);
        return text;
    }
    static std::string ReadAll(KestraFileHandle* handle) {
        std::string bytes(KestraFile::GetSize(handle), '\0');
        const uint32_t got = KestraFile::Read(handle, static_cast<uint32_t>(bytes.size()), bytes.data());
        bytes.resize(got);
        return bytes;
    }

    testsupport::TempDir dir_;
    std::string previous_;
};

TEST(PackCrc, StandardCheckValueAndZlib) {
    EXPECT_EQ(KestraFile::Crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(KestraFile::Crc32(""), 0u);
    std::mt19937 rng(17);
    for (int i = 0; i < 500; ++i) {
        std::string s(rng() % 300, '\0');
        for (char& c : s) c = static_cast<char>(rng());
        EXPECT_EQ(KestraFile::Crc32(s.data(), s.size()),
                  crc32(0L, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
    }
}

TEST_F(FileSystem, PackOfHundredsOfFilesLoadsByteIdentical) {
    const std::string so = Sjis(u8"ソ"), hyo = Sjis(u8"表"), di = Sjis(u8"ヂ"), nou = Sjis(u8"能"), ho = Sjis(u8"ホ");
    std::mt19937 rng(77);
    std::map<std::string, std::string> files;
    const std::string folders[] = {"img/", "img/system/", "SE/", so + "/", "BGM/" + hyo + "/", di + "/" + nou + "/"};
    for (int i = 0; i < 320; ++i) {
        std::string name = folders[i % 6] + (i % 4 == 0 ? so + hyo : i % 4 == 1 ? di + ho : "file") + "_" +
                           std::to_string(i) + (i % 3 ? ".png" : ".Dat");
        const size_t size = i == 5 ? 0 : rng() % (i % 10 == 0 ? 70000 : 6000);
        std::string bytes(size, '\0');
        if (i % 2 == 0) {
            for (char& c : bytes) c = static_cast<char>(rng());  // stays plain
        } else {
            for (size_t k = 0; k < size; ++k) bytes[k] = "tile data  \x83\x5C"[(k * 7 + k / 13) % 13];
        }
        files[name] = bytes;
    }
    kestrapack::PackStats stats;
    const std::vector<uint8_t> pack = BuildPack(files, true, &stats);
    EXPECT_EQ(stats.entries, files.size());
    EXPECT_GE(stats.compressed, 140u);
    EXPECT_LE(stats.compressed, 170u);
    PutPack("data.bin", pack);

    // The directory is sorted and every CRC is zlib's over the normalised path.
    uint32_t count = 0;
    ASSERT_TRUE(KestraFile::ParsePackHeader(pack.data(), pack.size(), &count));
    ASSERT_EQ(count, files.size());
    std::map<uint32_t, int> crcs;
    uint32_t last = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const KestraFile::PackEntryView e = KestraFile::ReadPackEntry(pack.data() + 8, i);
        EXPECT_GE(e.crc, last);
        last = e.crc;
        crcs[e.crc]++;
    }
    for (const auto& [name, bytes] : files) {
        char normalized[260];
        ASSERT_TRUE(KestraFile::NormalizePath(normalized, name.c_str()));
        const uint32_t crc = crc32(0L, reinterpret_cast<const Bytef*>(normalized), static_cast<uInt>(strlen(normalized)));
        EXPECT_EQ(crcs.count(crc), 1u) << name;
    }

    KestraFile::Mount(0, "data", "data.bin");
    for (const auto& [name, bytes] : files) {
        EXPECT_EQ(LoadText(name.c_str()), bytes) << name;

        // Case and separator variants find the same entry; trail bytes are kept.
        std::string variant = name;
        for (size_t k = 0; k < variant.size(); ++k) {
            if (Kestra::IsLeadByte(static_cast<uint8_t>(variant[k]))) {
                ++k;
                continue;
            }
            if (variant[k] == '/') variant[k] = '\\';
            else if (variant[k] >= 'a' && variant[k] <= 'z') variant[k] = static_cast<char>(variant[k] - 32);
            else if (variant[k] >= 'A' && variant[k] <= 'Z') variant[k] = static_cast<char>(variant[k] + 32);
        }
        uint32_t size = 0;
        EXPECT_TRUE(KestraFile::Load(variant.c_str(), nullptr, &size)) << variant;

        KestraFileHandle* handle = KestraFile::Open(variant.c_str(), true);
        ASSERT_NE(handle, nullptr) << name;
        EXPECT_EQ(handle->inPack, 1u);
        std::string stored = ReadAll(handle);
        KestraFile::Close(handle);
        // Streamed handles give the stored bytes: compressed entries stay LZSS blocks.
        const int32_t decoded = KestraFile::GetLzssSize(stored.data(), static_cast<uint32_t>(stored.size()));
        if (decoded >= 0) {
            std::string plain(static_cast<size_t>(decoded), '\0');
            ASSERT_TRUE(KestraFile::DecodeLzssStream(stored.data(), static_cast<uint32_t>(stored.size()), plain.data(),
                                                     static_cast<uint32_t>(plain.size())));
            stored = plain;
        }
        EXPECT_EQ(stored, bytes) << name;
    }
    // A trail byte 0x5C is not a separator, and the trail 0x61 of "ヂ" is no letter.
    EXPECT_FALSE(KestraFile::Load(("img/\x83/" + hyo + "_0.Dat").c_str(), nullptr, nullptr));
    EXPECT_FALSE(KestraFile::Load(("img/system/\x83\x41" + ho + "_1.png").c_str(), nullptr, nullptr));
    EXPECT_TRUE(KestraFile::Load(("img/system/" + di + ho + "_1.png").c_str(), nullptr, nullptr));
}

TEST_F(FileSystem, LooseFileWinsOverItsPackedTwin) {
    PutPack("data.bin", BuildPack({{"img/a.txt", "packed"}, {"img/b.txt", "only packed"}}, false));
    Put("data/img/a.txt", "loose");
    KestraFile::Mount(0, "data", "data.bin");
    EXPECT_EQ(LoadText("img/a.txt"), "loose");
    EXPECT_EQ(LoadText("IMG\\A.TXT"), "loose");
    EXPECT_EQ(LoadText("img/b.txt"), "only packed");

    KestraFileHandle* handle = KestraFile::Open("img/a.txt", true);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->inPack, 0u);
    EXPECT_STREQ(handle->path, "DATA\\IMG\\A.TXT");
    EXPECT_EQ(ReadAll(handle), "loose");
    KestraFile::Close(handle);

    char path[MAX_PATH];
    ASSERT_TRUE(KestraFile::GetFilePath(path, "img/a.txt"));
    EXPECT_STREQ(path, "data\\img/a.txt");
    ASSERT_TRUE(KestraFile::GetFilePath(path, "img/b.txt"));
    EXPECT_STREQ(path, "img/b.txt");
    EXPECT_FALSE(KestraFile::GetFilePath(path, "img/c.txt"));
    EXPECT_FALSE(KestraFile::Load("img/c.txt", nullptr, nullptr));
    EXPECT_EQ(KestraFile::Open("img/c.txt", true), nullptr);
    // Opening for writing never makes a file.
    EXPECT_EQ(KestraFile::Open("img/c.txt", false), nullptr);
    handle = KestraFile::Open("img/a.txt", false);
    ASSERT_NE(handle, nullptr);
    KestraFile::Close(handle);
}

// A save goes to a fresh file beside its target, flushed, then renamed over the
// target: a failure at any step leaves the old file and no stray temporary.
TEST_F(FileSystem, TheWriterReplacesWholeOrNotAtAll) {
    Put("save.dat", "old");
    const std::string big(1300, 'x');  // three write pieces
    struct Fault {
        const char* name;
        int after, count;
        bool renamed;
        DWORD error;  // the failing step's own error, not a later step's
    };
    for (const Fault& f : {Fault{"CreateFileA", 0, 1, false, ERROR_FILE_NOT_FOUND},
                           Fault{"WriteFile", 2, 1, false, ERROR_DISK_FULL},
                           Fault{"WriteFile.short", 1, 1, false, ERROR_WRITE_FAULT},
                           Fault{"FlushFileBuffers", 0, 1, false, ERROR_WRITE_FAULT},
                           Fault{"CreateFileA.taken", 0, 16, false, ERROR_FILE_EXISTS},
                           Fault{"MoveFileExA.sync", 0, 1, true, ERROR_READ_FAULT}}) {
        platform::InjectFault(f.name, f.after, f.count);
        EXPECT_FALSE(KestraFileWriter::Replace("save.dat", big)) << f.name;
        EXPECT_EQ(GetLastError(), f.error) << f.name;
        platform::ClearFaults();
        EXPECT_EQ(testsupport::ReadFile(dir_.file("save.dat")), f.renamed ? big : "old") << f.name;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), {}), 1) << f.name;
    }
    // Taken names are passed over, up to the last try.
    platform::InjectFault("CreateFileA.taken", 0, 15);
    EXPECT_TRUE(KestraFileWriter::Replace("save.dat", "new"));
    EXPECT_EQ(testsupport::ReadFile(dir_.file("save.dat")), "new");
    // A copy never reads through a link; a link at the target is replaced, not written through.
    Put("outside.txt", "outside");
    ASSERT_EQ(symlink("outside.txt", dir_.file("link.dat").c_str()), 0);
    EXPECT_FALSE(KestraFileWriter::Copy("link.dat", "copy.dat", 100));
    EXPECT_TRUE(KestraFileWriter::Replace("link.dat", "new"));
    EXPECT_FALSE(fs::is_symlink(dir_.file("link.dat")));
    EXPECT_EQ(testsupport::ReadFile(dir_.file("outside.txt")), "outside");
    EXPECT_FALSE(KestraFileWriter::Copy("missing.dat", "copy.dat", 100));
    EXPECT_FALSE(fs::exists(dir_.file("copy.dat")));
    // A copy stops at its limit, past the first buffer, or at the end.
    std::string source(5000, '\0');
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<char>(i * 7);
    Put("source.bin", source);
    EXPECT_TRUE(KestraFileWriter::Copy("source.bin", "copy.dat", 4097));
    EXPECT_EQ(testsupport::ReadFile(dir_.file("copy.dat")), source.substr(0, 4097));
    EXPECT_TRUE(KestraFileWriter::Copy("source.bin", "copy.dat", 1 << 20));
    EXPECT_EQ(testsupport::ReadFile(dir_.file("copy.dat")), source);
    EXPECT_EQ(KestraFileWriter::Reason(0x7FFFFFF0u), "(2147483632)");
}

// A named pipe where a loose file would be is passed over at once, as a missing
// file is: the packed twin loads, and nothing waits for a writer (the child's
// alarm would end it).
TEST_F(FileSystem, ANamedPipeIsNoLooseFileItsPackedTwinLoads) {
    PutPack("data.bin", BuildPack({{"img/title.png", "packed"}}, false));
    fs::create_directories(fs::path(dir_.path()) / "data/img");
    ASSERT_EQ(mkfifo(dir_.file("data/img/title.png").c_str(), 0600), 0);
    EXPECT_EQ(testsupport::RunInChild([] {
                  alarm(10);
                  KestraFile::Mount(0, "data", "data.bin");
                  if (LoadText("img/title.png") != "packed") return 1;
                  KestraFileHandle* handle = KestraFile::Open("img\\title.png", true);
                  const bool packed = handle && handle->inPack == 1 && ReadAll(handle) == "packed";
                  KestraFile::Close(handle);
                  return packed ? 0 : 2;
              }),
              0);
}

TEST_F(FileSystem, ProgramFolderIsTheLastResort) {
    Put("only.txt", "beside the program");
    KestraFile::Mount(3, "data/", nullptr);
    uint32_t size = 0;
    EXPECT_TRUE(KestraFile::Load("only.txt", nullptr, &size));
    EXPECT_EQ(LoadText("only.txt"), "beside the program");
    // A loose LZSS block is decoded by whole-file loads too.
    const std::string block = std::string("LZSS\x03\0\0\0", 8) + "\x07" "abc";
    Put("data/packed.txt", block);
    EXPECT_EQ(LoadText("packed.txt"), "abc");
}

TEST_F(FileSystem, MountNormalisesTheRootInEverySlotUpToTheLast) {
    const std::string so = Sjis(u8"ソ");
    // A root ending in a character whose trail byte is 0x5C still gets its separator.
    Put(reinterpret_cast<const char*>(u8"ソ/x.txt"), "under so");
    KestraFile::Mount(0, so.c_str(), nullptr);
    EXPECT_EQ(LoadText("x.txt"), "under so");
    KestraFile::Mount(0, "a/b/", nullptr);
    Put("a/b/y.txt", "under a/b");
    char path[MAX_PATH];
    ASSERT_TRUE(KestraFile::GetFilePath(path, "y.txt"));
    EXPECT_STREQ(path, "a\\b\\y.txt");
    // The last slot serves its root and its pack; the one past it is out of range and ignored.
    PutPack("last.bin", BuildPack({{"p.txt", "in the last pack"}}, false));
    Put("c/z.txt", "under c");
    KestraFile::Mount(15, "c", "last.bin");
    KestraFile::Mount(16, "nowhere", "last.bin");
    EXPECT_EQ(LoadText("z.txt") + "," + LoadText("p.txt"), "under c,in the last pack");
    EXPECT_TRUE(KestraFile::LoadFromPack("p.txt", 15, nullptr, nullptr));
    EXPECT_FALSE(KestraFile::LoadFromPack("p.txt", 16, nullptr, nullptr));
    KestraFileHandle* h = KestraFile::Open("p.txt", true);
    EXPECT_EQ(h ? ReadAll(h) : "<missing>", "in the last pack");
    KestraFile::Close(h);
}

TEST_F(FileSystem, SeekAndReadStayInsideThePackedEntry) {
    std::string payload(100, '\0');
    for (int i = 0; i < 100; ++i) payload[i] = static_cast<char>('A' + i % 26);
    PutPack("data.bin", BuildPack({{"before.bin", std::string(50, 'x')}, {"e.bin", payload}, {"z.bin", "zz"}}, false));
    KestraFile::Mount(0, "data", "data.bin");
    KestraFileHandle* h = KestraFile::Open("e.bin", true);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(KestraFile::GetSize(h), 100u);

    char buffer[200];
    ASSERT_TRUE(KestraFile::Seek(h, 60, KestraFile::kSeekBegin));
    EXPECT_EQ(KestraFile::Read(h, 100, buffer), 40u);  // only what is left of the entry
    EXPECT_EQ(std::string(buffer, 40), payload.substr(60));
    EXPECT_EQ(KestraFile::Read(h, 10, buffer), 0u);

    EXPECT_TRUE(KestraFile::Seek(h, 0, KestraFile::kSeekEnd));
    EXPECT_FALSE(KestraFile::Seek(h, 1, KestraFile::kSeekEnd));
    EXPECT_FALSE(KestraFile::Seek(h, -1, KestraFile::kSeekBegin));
    EXPECT_TRUE(KestraFile::Seek(h, -10, KestraFile::kSeekCurrent));  // still at the end before this
    EXPECT_EQ(KestraFile::Read(h, 200, buffer), 10u);
    EXPECT_EQ(std::string(buffer, 10), payload.substr(90));
    EXPECT_FALSE(KestraFile::Seek(h, 1, KestraFile::kSeekCurrent));
    ASSERT_TRUE(KestraFile::Seek(h, 5, KestraFile::kSeekBegin));
    EXPECT_TRUE(KestraFile::Seek(h, 3, KestraFile::kSeekCurrent));
    EXPECT_TRUE(KestraFile::Seek(h, 1234, 7));  // unknown origin: stays put
    EXPECT_EQ(KestraFile::Read(h, 2, buffer), 2u);
    EXPECT_EQ(std::string(buffer, 2), payload.substr(8, 2));
    EXPECT_FALSE(KestraFile::Seek(h, INT32_MIN, KestraFile::kSeekCurrent));
    EXPECT_FALSE(KestraFile::Seek(h, INT32_MAX, KestraFile::kSeekEnd));

    // A second handle has its own position; a whole-file load in between disturbs neither.
    KestraFileHandle* other = KestraFile::Open("E.BIN", true);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(KestraFile::Read(other, 3, buffer), 3u);
    EXPECT_EQ(std::string(buffer, 3), "ABC");
    EXPECT_EQ(LoadText("z.bin"), "zz");
    EXPECT_EQ(KestraFile::Read(h, 2, buffer), 2u);
    EXPECT_EQ(std::string(buffer, 2), payload.substr(10, 2));
    EXPECT_EQ(KestraFile::Read(other, 1, buffer), 1u);
    EXPECT_EQ(buffer[0], 'D');
    KestraFile::Close(other);
    KestraFile::Close(h);

    EXPECT_EQ(KestraFile::Read(nullptr, 4, buffer), 0u);
    EXPECT_FALSE(KestraFile::Seek(nullptr, 0, 0));
    EXPECT_EQ(KestraFile::GetSize(nullptr), 0u);
    KestraFile::Close(nullptr);
}

TEST_F(FileSystem, SeekOnALooseFile) {
    Put("data/l.bin", "0123456789");
    KestraFile::Mount(0, "data", nullptr);
    KestraFileHandle* h = KestraFile::Open("l.bin", true);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->start, 0u);
    char b[4];
    EXPECT_TRUE(KestraFile::Seek(h, -3, KestraFile::kSeekEnd));
    EXPECT_EQ(KestraFile::Read(h, 4, b), 3u);
    EXPECT_EQ(std::string(b, 3), "789");
    KestraFile::Close(h);
}

TEST_F(FileSystem, CloseRestoresTheFileTimes) {
    Put("data/old.bin", "some old bytes");
    const std::string path = dir_.file("data/old.bin");
    timespec times[2] = {{978307200, 0}, {1009843200, 0}};  // read 2001-01-01, written 2002-01-01
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    KestraFile::Mount(0, "data", nullptr);
    KestraFileHandle* h = KestraFile::Open("old.bin", true);
    ASSERT_NE(h, nullptr);
    char b[64];
    EXPECT_EQ(KestraFile::Read(h, sizeof(b), b), 14u);
    KestraFile::Close(h);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1009843200);
    EXPECT_EQ(st.st_atim.tv_sec, 978307200);
}

TEST_F(FileSystem, DamagedPacksServeLooseFilesOnly) {
    Put("data/loose.txt", "still here");
    const std::vector<uint8_t> good = BuildPack({{"a.txt", "aaaa"}, {"b.txt", "bbbb"}}, false);

    std::vector<std::vector<uint8_t>> bad;
    std::vector<uint8_t> magic = good;
    magic[0] = 'X';
    bad.push_back(magic);
    bad.push_back(std::vector<uint8_t>(good.begin(), good.begin() + 7));  // shorter than a header
    std::vector<uint8_t> huge = good;
    huge[4] = huge[5] = huge[6] = huge[7] = 0xFF;  // 80 * N overflows 32 bits
    bad.push_back(huge);
    std::vector<uint8_t> more = good;
    more[4] = 3;  // one record more than the file holds
    bad.push_back(more);
    bad.push_back(std::vector<uint8_t>(good.begin(), good.begin() + 8 + 80 + 40));  // directory cut off
    bad.push_back(std::vector<uint8_t>(good.begin(), good.begin() + 8 + 160 - 1));  // by one byte
    bad.push_back({});
    bad.push_back({'P', 'A', 'C', 'K', 0, 0, 0, 0});  // no entries: its directory ends at the file's end

    // Only a PACK whose directory is out of bounds is logged as broken.
    Kestra::SetLogFile("system_log", "html");
    ASSERT_TRUE(Kestra::OpenLog("files"));
    for (size_t i = 0; i < bad.size(); ++i) {
        PutPack("data.bin", bad[i]);
        const size_t logged = testsupport::ReadFile(dir_.file("system_log.html")).size();
        KestraFile::Mount(0, "data", "data.bin");
        const std::string line = testsupport::ReadFile(dir_.file("system_log.html")).substr(logged);
        EXPECT_EQ(line.find(Sjis(u8"パックファイルが壊れています")) != std::string::npos, i >= 2 && i <= 5) << i << line;
        EXPECT_FALSE(KestraFile::Load("a.txt", nullptr, nullptr)) << i;
        EXPECT_FALSE(KestraFile::LoadFromPack("a.txt", 0, nullptr, nullptr)) << i;
        EXPECT_EQ(KestraFile::OpenInPack("b.txt", 0, true), nullptr) << i;
        EXPECT_EQ(LoadText("loose.txt"), "still here") << i;
    }
    Kestra::CloseLog();
}

static_assert(KestraFile::kMaxPackEntries == 65536);  // written out, not taken from the product

// A directory's size is counted in 64 bits and bounded before anything is
// allocated: a count whose 80-byte records wrap 32 bits to 64 bytes, and one
// past the bound, each in a sparse file long enough for all its records, are
// refused; a directory exactly at the bound is read whole, its last entry found.
TEST_F(FileSystem, PackDirectoriesAreSizedIn64BitsAndBounded) {
    Put("data/loose.txt", "still here");
    for (const uint32_t count : {0u, 1u, KestraFile::kMaxPackEntries, 53687092u, 0xFFFFFFFFu})
        EXPECT_EQ(KestraFile::PackDirectoryEnd(count), 8 + uint64_t{count} * 80) << count;
    for (const uint32_t count : {53687092u, KestraFile::kMaxPackEntries + 1}) {
        ASSERT_EQ(uint32_t(KestraFile::PackDirectoryEnd(count) - KestraFile::kPackHeaderSize) == 64,
                  count == 53687092u);
        std::string header = "PACK";
        for (int i = 0; i < 4; ++i) header += char(count >> (8 * i));
        Put("data.bin", header);
        ASSERT_EQ(truncate(dir_.file("data.bin").c_str(), off_t(KestraFile::PackDirectoryEnd(count))), 0);
        KestraFile::Mount(0, "data", "data.bin");
        EXPECT_FALSE(KestraFile::LoadFromPack("a.txt", 0, nullptr, nullptr)) << count;
        EXPECT_EQ(KestraFile::OpenInPack("a.txt", 0, true), nullptr) << count;
        EXPECT_EQ(LoadText("loose.txt"), "still here") << count;
    }
    kestrapack::PackWriter writer;
    for (uint32_t i = 0; i < KestraFile::kMaxPackEntries; ++i)
        ASSERT_TRUE(writer.Add("f" + std::to_string(i), {uint8_t(i), uint8_t(i >> 8)}));
    std::vector<uint8_t> pack;
    ASSERT_TRUE(writer.Build(false, &pack));
    PutPack("data.bin", pack);
    KestraFile::Mount(0, "data", "data.bin");
    EXPECT_EQ(LoadText("f0"), std::string(2, '\0'));
    EXPECT_EQ(LoadText("f65535"), "\xFF\xFF");
    EXPECT_EQ(LoadText("loose.txt"), "still here");
    // A directory ending at the file's end: its one entry has no bytes.
    PutPack("data.bin", BuildPack({{"empty.txt", ""}}, false));
    KestraFile::Mount(0, "data", "data.bin");
    EXPECT_EQ(LoadText("empty.txt"), "");
    // The writer never makes a pack the engine would refuse.
    ASSERT_TRUE(writer.Add("one more", {1}));
    std::string error;
    EXPECT_FALSE(writer.Build(false, &pack, &error));
    EXPECT_EQ(error, "too many entries");
}

TEST_F(FileSystem, EntriesThatLieAboutTheirDataAreRefused) {
    std::vector<uint8_t> pack = BuildPack({{"a.txt", "aaaa"}, {"b.txt", "bbbb"}, {"c.txt", "cccc"}}, false);
    // Find b's record and point it past the end of the file.
    uint32_t count = 0;
    ASSERT_TRUE(KestraFile::ParsePackHeader(pack.data(), pack.size(), &count));
    const uint32_t crcB = KestraFile::Crc32("B.TXT");
    const uint32_t crcC = KestraFile::Crc32("C.TXT");
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t* record = pack.data() + 8 + i * 80;
        const uint32_t crc = KestraFile::ReadPackEntry(pack.data() + 8, i).crc;
        if (crc == crcB) {
            const uint32_t size = static_cast<uint32_t>(pack.size());
            std::memcpy(record + 72, &size, 4);  // offset at the end, size 4
        } else if (crc == crcC) {
            const uint32_t size = 0xFFFFFFF0u;
            std::memcpy(record + 76, &size, 4);  // size far beyond the file
        }
    }
    PutPack("data.bin", pack);
    KestraFile::Mount(0, "data", "data.bin");
    EXPECT_EQ(LoadText("a.txt"), "aaaa");
    EXPECT_EQ(LoadText("b.txt"), "<missing>");
    EXPECT_EQ(LoadText("c.txt"), "<missing>");
    EXPECT_EQ(KestraFile::Open("b.txt", true), nullptr);
    EXPECT_EQ(KestraFile::Open("c.txt", true), nullptr);
}

TEST_F(FileSystem, CorruptCompressedEntriesAreRefused) {
    std::string text;
    for (int i = 0; i < 2000; ++i) text += "compressible text ";
    std::vector<uint8_t> pack = BuildPack({{"t.txt", text}, {"u.txt", text + "!"}}, true);
    // Cut every compressed stream short by rewriting its stored size.
    uint32_t count = 0;
    ASSERT_TRUE(KestraFile::ParsePackHeader(pack.data(), pack.size(), &count));
    const uint32_t crcT = KestraFile::Crc32("T.TXT");
    for (uint32_t i = 0; i < count; ++i) {
        KestraFile::PackEntryView e = KestraFile::ReadPackEntry(pack.data() + 8, i);
        ASSERT_EQ(std::memcmp(pack.data() + e.offset, "LZSS", 4), 0);
        if (e.crc == crcT) {
            const uint32_t shorter = e.size / 2;
            std::memcpy(pack.data() + 8 + i * 80 + 76, &shorter, 4);
        }
    }
    PutPack("data.bin", pack);
    KestraFile::Mount(0, "data", "data.bin");
    EXPECT_EQ(LoadText("t.txt"), "<missing>");
    EXPECT_EQ(LoadText("u.txt"), text + "!");
}

TEST_F(FileSystem, UnsortedDirectoryNeverCrashes) {
    std::vector<uint8_t> pack = BuildPack({{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}, {"e", "5"}, {"f", "6"},
                                           {"g", "7"}, {"h", "8"}}, false);
    // Reverse the records.
    for (uint32_t i = 0; i < 4; ++i)
        std::swap_ranges(pack.begin() + 8 + i * 80, pack.begin() + 8 + (i + 1) * 80, pack.begin() + 8 + (7 - i) * 80);
    PutPack("data.bin", pack);
    KestraFile::Mount(0, "data", "data.bin");
    for (const char* name : {"a", "b", "c", "d", "e", "f", "g", "h", "zz"}) {
        const std::string got = LoadText(name);
        EXPECT_TRUE(got == "<missing>" || got.size() == 1) << name;
    }
}

TEST_F(FileSystem, EqualCrcsAreToldApartByTheStoredName) {
    // Two different upper-case names with the same CRC-32, found by a birthday search.
    // Random names: CRC-32 is linear, so names that differ only in a short span
    // (a counter) never collide.
    std::unordered_map<uint32_t, std::string> seen;
    std::mt19937 rng(4);
    std::string first, second;
    for (uint32_t i = 0; first.empty(); ++i) {
        ASSERT_LT(i, 2000000u);
        std::string name(12, 'A');
        for (char& c : name) c = static_cast<char>('A' + rng() % 26);
        auto [it, inserted] = seen.emplace(KestraFile::Crc32(name.c_str()), name);
        if (!inserted && it->second != name) {
            first = it->second;
            second = name;
        }
    }
    ASSERT_EQ(KestraFile::Crc32(first.c_str()), KestraFile::Crc32(second.c_str()));
    PutPack("data.bin", BuildPack({{first, "first"}, {second, "second"}, {"OTHER", "other"}}, false));
    KestraFile::Mount(0, "data", "data.bin");
    EXPECT_EQ(LoadText(first.c_str()), "first");
    EXPECT_EQ(LoadText(second.c_str()), "second");
    std::string lower = second;
    for (char& c : lower) c = static_cast<char>(c + 32);
    EXPECT_EQ(LoadText(lower.c_str()), "second");
}

// A hand-made directory, each row's name and CRC field: the stored name picks
// among equal CRCs, from the first of the run (even the directory's first), and
// a name that fills its area, cut off, matches nothing.
TEST(PackDirectory, EqualCrcsPickTheStoredNameFromTheRunsStart) {
    const std::string full(64, 'F');
    const uint32_t crc = KestraFile::Crc32("A"), fullCrc = KestraFile::Crc32(full.c_str());
    const std::vector<std::pair<std::string, uint32_t>> rows[] = {
        {{"A", crc}, {"X", crc}, {"Y", crc}, {"P", crc + 1}, {"Q", crc + 2}, {"R", crc + 3}},
        {{"Z", fullCrc}, {full, fullCrc}},
    };
    const std::pair<const char*, uint32_t> finds[] = {{"A", 0}, {full.c_str(), 0}};
    for (size_t t = 0; t < 2; ++t) {
        std::vector<uint8_t> directory(rows[t].size() * 80, 0);
        for (size_t i = 0; i < rows[t].size(); ++i) {
            std::memcpy(&directory[i * 80], rows[t][i].first.data(), rows[t][i].first.size());
            std::memcpy(&directory[i * 80 + 64], &rows[t][i].second, 4);
            directory[i * 80 + 72] = static_cast<uint8_t>(i);  // the offset names the row
        }
        uint32_t offset = 99;
        ASSERT_TRUE(KestraFile::FindPackEntry(directory.data(), uint32_t(rows[t].size()), finds[t].first, &offset,
                                              nullptr, nullptr));
        EXPECT_EQ(offset, finds[t].second) << t;
    }
}

TEST_F(FileSystem, BinarySearchOverManySizes) {
    for (int n : {1, 2, 5, 6, 7, 100, 2000}) {
        std::map<std::string, std::string> files;
        for (int i = 0; i < n; ++i) files["f" + std::to_string(i)] = std::to_string(i * 3);
        PutPack("data.bin", BuildPack(files, false));
        KestraFile::Mount(0, "data", "data.bin");
        for (const auto& [name, bytes] : files) ASSERT_EQ(LoadText(name.c_str()), bytes) << n << " " << name;
        for (int i = 0; i < 50; ++i) {
            const std::string miss = "miss" + std::to_string(i);
            EXPECT_FALSE(KestraFile::LoadFromPack(miss.c_str(), 0, nullptr, nullptr)) << miss;
        }
    }
}

static_assert(MAX_PATH == 260);  // written out, not taken from the product

TEST_F(FileSystem, LongNamesAreNotFound) {
    const std::string longName(300, 'x');
    Put("data/short.txt", "ok");
    KestraFile::Mount(0, "data", nullptr);
    EXPECT_FALSE(KestraFile::Load(longName.c_str(), nullptr, nullptr));
    char path[MAX_PATH];
    EXPECT_FALSE(KestraFile::GetFilePath(path, longName.c_str()));
    EXPECT_EQ(KestraFile::Open(longName.c_str(), true), nullptr);
    // "data\\" and a name of MAX_PATH bytes leave no room for the terminator; one byte less fits.
    const std::string at(MAX_PATH - 5, 'x'), below(MAX_PATH - 6, 'y');
    Put("data/" + at, "at");
    Put("data/" + below, "below");
    EXPECT_EQ(LoadText(at.c_str()), "<missing>");
    EXPECT_EQ(LoadText(below.c_str()), "below");
    const std::string longRoot(300, 'r');
    KestraFile::Mount(1, longRoot.c_str(), nullptr);
    EXPECT_EQ(LoadText("short.txt"), "ok");
}

TEST_F(FileSystem, ShortReadsAreFailuresNotZeroPadding) {
    PutPack("data.bin", BuildPack({{"p.bin", std::string(1000, 'p')}}, false));
    Put("data/l.bin", std::string(1000, 'l'));
    KestraFile::Mount(0, "data", "data.bin");
    platform::InjectFault("ReadFile.short");
    EXPECT_EQ(LoadText("l.bin"), "<missing>");
    EXPECT_EQ(LoadText("p.bin"), "<missing>");
    platform::ClearFaults();
    KestraFileHandle* h = KestraFile::Open("p.bin", true);
    ASSERT_NE(h, nullptr);
    platform::InjectFault("ReadFile.short");
    char buffer[1000];
    EXPECT_EQ(KestraFile::Read(h, 1000, buffer), 500u);  // what really arrived
    platform::ClearFaults();
    KestraFile::Close(h);

    // The re-open of the pack for a handle fails: nothing leaks, no handle.
    platform::InjectFault("CreateFileA");
    EXPECT_EQ(KestraFile::OpenInPack("p.bin", 0, true), nullptr);
    platform::ClearFaults();
    EXPECT_EQ(LoadText("p.bin"), std::string(1000, 'p'));
}

static_assert(platform::kLoadedMemoryBudget == uint64_t{384} << 20);  // written out, not taken from the product

// A whole-file load holds at most kMaxLoadBytes, read or decoded: a file at
// the bound loads, a byte more is refused before it is read (a sparse file here
// reads as zeros, so only the size is at stake), and so is a load whose blocks
// (each with its spare byte; both while it decodes) pass the process's budget
// for loaded data, which has them back once they are freed.
TEST_F(FileSystem, WholeLoadsStopAtTheirBoundReadOrDecoded) {
    constexpr uint32_t kMax = uint32_t{256} << 20;  // room for any file of the game, which reach a few MB
    // A stream of zeros from the ring, long enough for a byte past the bound:
    // groups of a flag and eight references of 18 bytes each.
    std::string stream;
    const uint32_t groups = kMax / 144 + 1;
    stream.reserve(size_t{groups} * 17);
    for (uint32_t g = 0; g < groups; ++g) {
        stream += '\0';
        for (int r = 0; r < 8; ++r) stream += std::string("\x00\x0F", 2);
    }
    auto lzss = [&](uint32_t decoded) {
        std::string block = "LZSS";
        for (int i = 0; i < 4; ++i) block += char(decoded >> (8 * i));
        return block + stream;
    };
    auto sparse = [&](const std::string& name, uint64_t bytes) {
        Put(name, "");
        ASSERT_EQ(truncate(dir_.file(name).c_str(), off_t(bytes)), 0);
    };
    sparse("data/plain_at.bin", kMax);
    sparse("data/plain_past.bin", uint64_t{kMax} + 1);
    sparse("data/plain_4g.bin", (uint64_t{1} << 32) + 1);  // 1 byte, cut to 32 bits
    Put("data/lzss_at.bin", lzss(kMax));
    Put("data/lzss_past.bin", lzss(kMax + 1));
    // A packed entry whose stored size passes the bound, its bytes inside the pack.
    std::vector<uint8_t> pack = BuildPack({{"packed_past.bin", "x"}}, false);
    const KestraFile::PackEntryView entry = KestraFile::ReadPackEntry(pack.data() + 8, 0);
    const uint32_t past = kMax + 1;
    std::memcpy(pack.data() + 8 + 76, &past, 4);
    PutPack("data.bin", pack);
    ASSERT_EQ(truncate(dir_.file("data.bin").c_str(), off_t(entry.offset) + past), 0);
    KestraFile::Mount(0, "data", "data.bin");

    const uint64_t lzssHeld = lzss(kMax).size() + 1 + kMax + 1;
    const char *big = "ファイルが大きすぎます", *short_ = "読み込み用メモリが足りません";  // the refusals' lines
    const struct {
        const char* name;
        const char* refusal;  // null: it loads
        uint64_t budget = platform::kLoadedMemoryBudget;
    } cases[] = {{"plain_at.bin", nullptr}, {"plain_past.bin", big},  {"lzss_at.bin", nullptr},
                 {"lzss_past.bin", big},    {"packed_past.bin", big}, {"plain_4g.bin", big},
                 {"plain_at.bin", nullptr, kMax + 1}, {"plain_at.bin", short_, kMax}, {"lzss_at.bin", nullptr, lzssHeld},
                 {"lzss_at.bin", short_, lzssHeld - 1}};
    Kestra::SetLogFile("system_log", "html");
    ASSERT_TRUE(Kestra::OpenLog("files"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name + std::string(" within ") + std::to_string(c.budget));
        platform::SetLoadedMemoryBudget(c.budget);
        uint8_t* data = nullptr;
        uint32_t size = 0;
        const size_t logged = testsupport::ReadFile(dir_.file("system_log.html")).size();
        const bool loads = !c.refusal;
        EXPECT_EQ(KestraFile::Load(c.name, &data, &size), loads);
        const std::string line = testsupport::ReadFile(dir_.file("system_log.html")).substr(logged);
        if (c.refusal) EXPECT_NE(line.find(c.refusal), std::string::npos) << line;
        else EXPECT_EQ(line, "");
        if (loads) {
            EXPECT_EQ(size, kMax);
            EXPECT_EQ(data[0] | data[kMax / 2] | data[kMax - 1], 0);
            Kestra::MemoryFree(data);
        }
        EXPECT_EQ(Kestra::LoadedMemoryLeft(), c.budget);
    }
    Kestra::CloseLog();
    platform::SetLoadedMemoryBudget(100);  // the allocator refuses a block past it by itself
    EXPECT_EQ(Kestra::MemoryAllocLoaded(101), nullptr);
    platform::SetLoadedMemoryBudget(0);
    // Only the bytes are refused: the file is still there.
    EXPECT_TRUE(KestraFile::Load("plain_past.bin", nullptr, nullptr));
}

}  // namespace
