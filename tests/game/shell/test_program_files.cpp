// The real program with hostile data files dropped in: a pack whose entry count
// wraps 32 bits (a sparse file), a named pipe where the title picture is looked
// for first, and a font whose sheet climbs out of the data folder through a "/"
// after a lead byte. Each time the program shows its coded title, names what it
// refused where it logs one, and ends cleanly on Alt+F4.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/KestraPack.h"
#include "engine/core/KestraShiftJis.h"
#include "tests/game/shell/program_steps.h"
#include "tests/support/private_display.h"
#include "tests/support/program_run.h"
#include "tests/support/test_support.h"

namespace {

using testsupport::Rgb;
using namespace programsteps;

Rgb RgbOf(uint32_t argb) {
    return Rgb{static_cast<int>(argb >> 16 & 0xFF), static_cast<int>(argb >> 8 & 0xFF), static_cast<int>(argb & 0xFF)};
}

void PutU32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>(value >> (8 * i));
}

static_assert(KestraFile::kPackNameSize == 64);  // written out, not taken from the product

// A pack of one entry, stored plain.
std::string OneEntryPack(const std::string& name, const std::string& data) {
    char normalized[260];
    EXPECT_TRUE(KestraFile::NormalizePath(normalized, name.c_str()));
    std::string pack = "PACK";
    PutU32(pack, 1);
    std::string record(KestraFile::kPackNameSize, '\0');
    record.replace(0, name.size(), name);
    PutU32(record, KestraFile::Crc32(normalized));
    PutU32(record, 0);
    PutU32(record, KestraFile::kPackHeaderSize + KestraFile::kPackEntrySize);
    PutU32(record, static_cast<uint32_t>(data.size()));
    return pack + record + data;
}

// An LFD font of size 16 with no glyphs and one sheet of the given name.
std::string FontNamingSheet(const std::string& sheet) {
    std::string font("LFD\0\x10\x01\x10\x00\x10\x00\x00\x00", 12);
    font.append(12844 * 2, '\xFF');
    std::string name(32, '\0');
    name.replace(0, sheet.size(), sheet);
    return font + name;
}

// The title, drawn from the coded sheet: its background and logo.
void ExpectTheTitle(Program& program) {
    ASSERT_NO_FATAL_FAILURE(Ready(program));
    EXPECT_EQ(program.WaitForPixel(5, 5, RgbOf(kTitleBackground)), RgbOf(kTitleBackground));
    EXPECT_EQ(program.Pixel(100, 100), RgbOf(kLogo));
}

// A pack whose 53,687,092 records of 80 bytes would be 64 bytes in 32 bits,
// in a file long enough to hold them all: refused, the loose files serve. The
// pack is mounted before the log opens; the log names it all the same, once.
TEST(QuenrithFiles, APackWhoseDirectoryWrapsIsRefusedAndTheLooseFilesServe) {
    testdisplay::PrivateDisplay display;
    testsupport::TempDir dir;
    std::filesystem::create_directories(dir.file("save"));
    WriteTitleSheet(dir.path());
    std::string header = "PACK";
    PutU32(header, 53687092);
    testsupport::WriteFile(dir.file("data.bin"), header);
    ASSERT_EQ(truncate(dir.file("data.bin").c_str(), off_t(KestraFile::PackDirectoryEnd(53687092))), 0);
    Program program(dir.path(), dir.path() + "/run", Display());
    ASSERT_NO_FATAL_FAILURE(ExpectTheTitle(program));
    ASSERT_GE(WaitForFrames(program, 30), 30);
    CloseCleanly(program);
    const std::string log = program.Log();
    const std::string line = testsupport::Sjis(u8"パックファイルが壊れています") + " [ data.bin ]";
    const size_t first = log.find(line);
    EXPECT_NE(first, std::string::npos);
    EXPECT_EQ(log.find(line, first + 1), std::string::npos);
}

// A named pipe at data/img/title.png, the first place the picture is looked
// for: passed over at once as a missing file, the packed picture shows.
TEST(QuenrithFiles, ANamedPipeWhereThePictureIsLookedForFirstIsPassedOver) {
    testdisplay::PrivateDisplay display;
    testsupport::TempDir dir;
    std::filesystem::create_directories(dir.file("save"));
    WriteTitleSheet(dir.file("coded"));
    testsupport::WriteFile(dir.file("data.bin"),
                           OneEntryPack("img\\title.png", testsupport::ReadFile(dir.file("coded/img/title.png"))));
    std::filesystem::create_directories(dir.file("data/img"));
    ASSERT_EQ(mkfifo(dir.file("data/img/title.png").c_str(), 0600), 0);
    Program program(dir.path(), dir.path() + "/run", Display());
    ASSERT_NO_FATAL_FAILURE(ExpectTheTitle(program));
    CloseCleanly(program);
    struct stat st;
    ASSERT_EQ(stat(dir.file("data/img/title.png").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// font.lfd names its sheet "\xFD/../\xFD/../../../x": to a reader that split
// at that "/" it is x.tga two folders above the data folder, beside the program
// folder. The font is refused with a log line naming the sheet; the picture is
// never loaded; the title shows all the same.
TEST(QuenrithFiles, AFontSheetLeavingTheDataFolderThroughALeadByteIsRefused) {
    testdisplay::PrivateDisplay display;
    testsupport::TempDir dir;
    const std::string folder = dir.file("program");
    std::filesystem::create_directories(folder + "/save");
    std::filesystem::create_directories(folder + "/data");
    WriteTitleSheet(folder);
    const std::string sheet = "\xFD/../\xFD/../../../x";
    ASSERT_TRUE(Kestra::IsLeadByte(0xFD));
    testsupport::WriteFile(folder + "/data/font.lfd", FontNamingSheet(sheet));
    // x.tga: one white pixel, where the split reading would lead.
    testsupport::WriteFile(dir.file("x.tga"), std::string("\0\0\x02\0\0\0\0\0\0\0\0\0\x01\0\x01\0\x20\x28", 18) + "\xFF\xFF\xFF\xFF");
    Program program(folder, folder + "/run", Display());
    ASSERT_NO_FATAL_FAILURE(ExpectTheTitle(program));
    CloseCleanly(program);
    const std::string log = program.Log();
    EXPECT_NE(log.find(testsupport::Sjis(u8"シートの名前がデータフォルダの外を指しています") + " [ " + sheet + " ]"),
              std::string::npos);
    EXPECT_EQ(log.find("x.tga"), std::string::npos);
}

// A link at every name the program writes (log, saves, key map, their temporary
// and damaged copies) into a tree outside, to files there or to names not taken:
// after a start and an exit that tree is as it was, and the log names the links.
TEST(QuenrithFiles, LinksAtEveryNameItWritesLeaveTheTreeOutsideAlone) {
    namespace fs = std::filesystem;
    testdisplay::PrivateDisplay display;
    testsupport::TempDir dir;
    const std::string folder = dir.file("program"), outside = dir.file("outside");
    fs::create_directories(folder + "/save");
    fs::create_directories(outside);
    WriteTitleSheet(folder);
    int n = 0;
    for (const char* name : {"system_log.html", "KeyMap.ini", "KeyMap.ini.tmp", "KeyMap.ini.damaged", "save/score.dat",
                             "save/score.dat.tmp", "save/score.dat.damaged", "save/vol.dat", "save/vol.dat.tmp",
                             "save/vol.dat.damaged"}) {
        const std::string target = outside + "/" + std::to_string(++n);
        if (n % 2) testsupport::WriteFile(target, "outside " + std::to_string(n));
        fs::create_symlink(target, folder + "/" + name);
    }
    auto tree = [&] {
        std::string all;
        for (const auto& entry : fs::recursive_directory_iterator(outside))
            all += entry.path().string() + "=" + testsupport::ReadFile(entry.path().string()) + ";";
        return all;
    };
    const std::string before = tree();
    Program program(folder, dir.path() + "/run", Display());
    ASSERT_NO_FATAL_FAILURE(ExpectTheTitle(program));
    CloseCleanly(program);
    EXPECT_EQ(tree(), before);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(folder + "/system_log.html")));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(folder + "/save/score.dat")));
    EXPECT_EQ(Count(program.Log(), testsupport::Sjis(u8"通常のファイルではありません")), 3u);
}

}  // namespace
