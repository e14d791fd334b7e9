// The inventory table against the file names the game loads, and the shape of
// its rectangles: inside their pictures, power-of-two pictures, no unplanned
// overlaps.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <regex>
#include <fstream>
#include <set>
#include <sstream>
#include <span>
#include <string>
#include <vector>

#include "game/bosses/BossPictures.h"
#include "game/shell/LoadTables.h"
#include "game/shell/Stages.h"
#include "platform/gdi/gdi_testing.h"
#include "tests/support/records.h"
#include "tests/support/test_support.h"
#include "tests/tools/demodata/demodata_test_util.h"
#include "tools/demodata/Generator.h"
#include "tools/demodata/TextPainter.h"
#include "tools/demodata/Inventory.h"

using namespace demodata;
using demodatatest::DataDir;
namespace fs = std::filesystem;

namespace {

// Every picture and sound the game loads, from its own load tables.
void GameFiles(std::set<std::string>& images, std::set<std::string>& sounds) {
    auto add = [&](std::span<const FileLoad> loads) {
        for (const FileLoad& l : loads) (l.sound ? sounds : images).insert(l.file);
    };
    add(kTitleLoads);
    for (const auto& team : kTeamSheets) add(team);
    add(kCommonLoads);
    add(kTeamPortraits);
    for (const Stage* stage : kStages) add(stage->files);
    for (const BossPictures* p : kBossPictures)
        for (const char* file : {p->cutIn, p->circle, p->body})
            if (file) images.insert(file);
    for (const EffectLoad& e : kStartupEffects) sounds.insert(std::string("SE/") + e.name + ".wav");
}

TEST(DemoDataInventory, NamesEveryFileTheGameLoads) {
    std::set<std::string> images, sounds, expectedImages, expectedSounds;
    for (const ImageAsset& a : Images()) EXPECT_TRUE(images.insert(a.path).second) << "listed twice: " << a.path;
    for (const SoundAsset& s : SoundEffects()) sounds.insert(s.path);
    GameFiles(expectedImages, expectedSounds);
    EXPECT_EQ(images, expectedImages);
    EXPECT_EQ(sounds, expectedSounds);

}

bool PowerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

TEST(DemoDataInventory, RectanglesLieInsidePowerOfTwoPictures) {
    for (const ImageAsset& a : Images()) {
        EXPECT_TRUE(PowerOfTwo(a.width) && PowerOfTwo(a.height)) << a.path;
        EXPECT_FALSE(a.cells.empty()) << a.path;
        for (const Cell& c : a.cells) {
            EXPECT_GT(c.box.w, 0) << a.path << " " << c.group;
            EXPECT_GT(c.box.h, 0) << a.path << " " << c.group;
            EXPECT_GE(c.box.x, 0) << a.path << " " << c.group;
            EXPECT_GE(c.box.y, 0) << a.path << " " << c.group;
            if (!c.wraps) {
                EXPECT_LE(c.box.x + c.box.w, a.width) << a.path << " " << c.group << " " << c.index;
                EXPECT_LE(c.box.y + c.box.h, a.height) << a.path << " " << c.group << " " << c.index;
            }
        }
    }
}

TEST(DemoDataInventory, RectanglesOfDifferentUsesDoNotOverlap) {
    // One pixel of contact is tolerated: the game's own rectangles touch that way
    // in a few places (the title's circle and difficulty picture, the config digits).
    for (const ImageAsset& a : Images())
        for (size_t i = 0; i < a.cells.size(); ++i)
            for (size_t j = i + 1; j < a.cells.size(); ++j) {
                const Cell& p = a.cells[i];
                const Cell& q = a.cells[j];
                if (p.group == q.group || p.borrowed || q.borrowed) continue;
                const int ox = std::min(p.box.x + p.box.w, q.box.x + q.box.w) - std::max(p.box.x, q.box.x);
                const int oy = std::min(p.box.y + p.box.h, q.box.y + q.box.h) - std::max(p.box.y, q.box.y);
                EXPECT_FALSE(ox > 1 && oy > 1) << a.path << ": " << p.group << " " << p.index << " overlaps " << q.group
                                               << " " << q.index;
            }
}

TEST(DemoDataInventory, RefusesPathsOutsideTheOutputFolder) {
    testsupport::TempDir dir;
    const std::string root = dir.path() + "/out";
    fs::create_directories(root);
    fs::create_directory_symlink(dir.path(), root + "/up");
    std::string full, error;
    EXPECT_TRUE(ResolveTarget(root, "img/title.png", &full, &error)) << error;
    EXPECT_EQ(full, root + "/img/title.png");
    const std::pair<std::string, std::string> refused[] = {
        {"../escape.png", "../escape.png"}, {"/etc/passwd", "/etc/passwd"}, {"img/../../x", "img/../../x"},
        {"up/x.png", dir.path() + "/x.png"}};  // out through a link: named where it would land
    for (const auto& [relative, named] : refused) {
        EXPECT_FALSE(ResolveTarget(root, relative, &full, &error)) << relative;
        EXPECT_EQ(error, "refusing to write outside the output folder: " + named);
    }
}

// What the fixture's full run printed: the files and bytes it wrote (the set the
// digests record) and the pack's size against them.
TEST(DemoDataInventory, TheFullRunReportsWhatItWrote) {
    const fs::path root = fs::path(DataDir()).parent_path();
    const std::string said = std::regex_replace(testsupport::ReadFile((root / "generate.log").string()),
                                                std::regex(", [0-9.]+ s\n"), ", T s\n");
    uintmax_t files = 0, loose = 0;
    std::ifstream in(QUENRITH_DEMODATA_DIGESTS);
    for (std::string name, hash; in >> name >> hash;)
        if (name.rfind("data/", 0) == 0) files += 1, loose += fs::file_size(root / name);
    const uintmax_t packed = fs::file_size(root / "data.bin");
    char ratio[16];
    std::snprintf(ratio, sizeof ratio, "%.1f%%", 100.0 * double(packed) / double(loose));
    EXPECT_EQ(said, "generated: " + DataDir() + ", " + std::to_string(files) + " files, " + std::to_string(loose) +
                        " bytes loose, T s\npacked: " + (root / "data.bin").string() + ", " + std::to_string(packed) +
                        " bytes for " + std::to_string(loose) + " loose (" + ratio + ")\n");
}

// Each command line's whole output and exit code: the listing by its recorded
// digest, the effects alone, an empty set packed, and the refusals.
TEST(DemoDataInventory, CommandLinesPrintAndExitAsRecorded) {
    const std::string tool = "'" + testsupport::BinaryDir() + "/quenrith-demodata' ";
    testsupport::TempDir dir;
    const std::string log = dir.path() + "/said.txt";
    ASSERT_EQ(std::system((tool + "--list > '" + log + "'").c_str()), 0);
    records::Fnv listing;
    listing.Text(testsupport::ReadFile(log));
    EXPECT_EQ(records::Check("tests/tools/records.txt", "quenrith-demodata--list", listing.h), "");
    // Only the effects (the full run's test reads its report).
    const std::string only = dir.path() + "/only";
    std::timespec began{}, ended{};
    std::timespec_get(&began, TIME_UTC);
    ASSERT_EQ(std::system((tool + "--only sounds --jobs 1 '" + only + "' > '" + log + "'").c_str()), 0);
    std::timespec_get(&ended, TIME_UTC);
    const double took = double(ended.tv_sec - began.tv_sec) + double(ended.tv_nsec - began.tv_nsec) / 1e9;
    std::smatch printed;  // the seconds it reports lie within the run, to the printed tenth
    const std::string report = testsupport::ReadFile(log);
    ASSERT_TRUE(std::regex_search(report, printed, std::regex(", (-?[0-9.]+) s\n")) && std::stod(printed[1]) >= 0) << report;
    EXPECT_LE(std::stod(printed[1]), took + 0.05) << report;
    size_t written = 0;
    for (const auto& e : fs::recursive_directory_iterator(only)) written += e.is_regular_file();
    EXPECT_EQ(written, SoundEffects().size());
    // Nothing asked for, packed; refused: a bad command line with the usage (exit 2), a
    // run that cannot go on with its reason (exit 1), before anything is painted.
    const std::string usage =
        "usage: quenrith-demodata [--list] [--only images,sounds,music,fonts] [--jobs N] [--font-tool PATH]\n"
        "                         [--contact-sheet PNG] [--pack FILE] [--stagedata DIR] OUTPUT\n";
    const std::pair<std::string, std::string> runs[] = {
        {"", usage}, {"--jobs", usage}, {"--only", usage}, {"--pack", usage}, {"--frob out", usage}, {"one two", usage},
        {"--stagedata", usage}, {"--font-tool", usage}, {"--contact-sheet", usage}, {"--list --frob", usage},
        {"--only fonts --font-tool /nonexistent/kestra-font '" + dir.path() + "/a'",
         "quenrith-demodata: the font tool kestra-font was not found (build it, or pass --font-tool PATH)\n"},
        {"--only images --stagedata /nonexistent '" + dir.path() + "/a'",
         "quenrith-demodata: no map grid /nonexistent/Stage01.dat (--stagedata names the folder of Stage01.dat to "
         "Stage05.dat)\n"},
        {"--only sounds '" + log + "/a'", "quenrith-demodata: cannot create the output folder " + log + "/a\n"},
        {"--only sounds --jobs 1 '" + dir.path() + "/b'",  // its SE is a file
         "quenrith-demodata: cannot write " + dir.path() + "/b/" + SoundEffects().front().path + "\n"},
        {"--only none --contact-sheet '" + log + "/c.png' '" + dir.path() + "/e'",
         "quenrith-demodata: cannot write " + log + "/c.png\n"},
        {"--only none --pack '" + dir.path() + "/e.bin' '" + dir.path() + "/e'",
         "generated: " + dir.path() + "/e, 0 files, 0 bytes loose, T s\npacked: " + dir.path() + "/e.bin, 8 bytes for 0 loose (0.0%)\n"},
        {"--only none --pack '" + log + "/e.bin' '" + dir.path() + "/e'",
         "quenrith-demodata: cannot create " + log + "/e.bin.tmp\ngenerated: " + dir.path() + "/e, 0 files, 0 bytes loose, T s\n"}};
    fs::create_directories(dir.path() + "/b");
    testsupport::WriteFile(dir.path() + "/b/SE", "");
    for (const auto& [arguments, said] : runs) {
        const int status = std::system((tool + arguments + " > '" + log + "' 2>&1").c_str());
        const int code = said == usage ? 2 : said.find("quenrith-demodata: ") != std::string::npos;
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, code) << arguments;
        const std::string got = testsupport::ReadFile(log);  // to a sanitizer build's leak notes
        EXPECT_EQ(std::regex_replace(got.substr(0, got.find("-----")), std::regex(", [0-9.]+ s\n"), ", T s\n"), said) << arguments;
    }
    EXPECT_TRUE(fs::is_empty(dir.path() + "/a"));
}

TEST(DemoDataInventory, MissingJapaneseFontFailsWithAClearMessage) {
    const std::string empty = ::testing::TempDir() + "demodata-nofonts";
    std::filesystem::create_directories(empty);
    platform::gdi::UseFontFolderForTesting(empty);
    TextPainter text;
    std::string error;
    const bool opened = text.Open(&error);
    platform::gdi::UseFontFolderForTesting("");
    EXPECT_FALSE(opened);
    EXPECT_NE(error.find("fonts-ipafont-gothic"), std::string::npos) << error;
}

}  // namespace
