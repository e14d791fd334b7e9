// The inventory table against the file names the game loads, and the shape of
// its rectangles: inside their pictures, power-of-two pictures, no unplanned
// overlaps.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
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
#include "tests/support/test_support.h"
#include "tools/demodata/Generator.h"
#include "tools/demodata/TextPainter.h"
#include "tools/demodata/Inventory.h"

using namespace demodata;

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
    std::string full, error;
    EXPECT_TRUE(ResolveTarget("/tmp/quenrith-out", "img/title.png", &full, &error)) << error;
    EXPECT_EQ(full, "/tmp/quenrith-out/img/title.png");
    EXPECT_FALSE(ResolveTarget("/tmp/quenrith-out", "../escape.png", &full, &error));
    EXPECT_NE(error.find("outside the output folder"), std::string::npos);
    EXPECT_FALSE(ResolveTarget("/tmp/quenrith-out", "/etc/passwd", &full, &error));
    EXPECT_FALSE(ResolveTarget("/tmp/quenrith-out", "img/../../x", &full, &error));
}

TEST(DemoDataInventory, MissingFontToolFailsWithAClearMessage) {
    GenerateOptions o;
    o.output = ::testing::TempDir() + "demodata-nofont";
    o.images = o.sounds = o.music = false;
    o.fonts = true;
    o.fontTool = "/nonexistent/kestra-font";
    GenerateReport report;
    std::string error;
    EXPECT_FALSE(Generate(o, &report, &error));
    EXPECT_NE(error.find("kestra-font"), std::string::npos) << error;
}

TEST(DemoDataInventory, StageDataFolderWithoutGridsFailsBeforePainting) {
    GenerateOptions o;
    o.output = ::testing::TempDir() + "demodata-nogrids";
    o.sounds = o.music = o.fonts = false;
    o.images = true;
    o.stageData = ::testing::TempDir() + "demodata-no-such-folder";
    GenerateReport report;
    std::string error;
    EXPECT_FALSE(Generate(o, &report, &error));
    EXPECT_NE(error.find("Stage01.dat"), std::string::npos) << error;
    EXPECT_EQ(report.files, 0u);
}

TEST(DemoDataInventory, ListPrintsTheWholeTableAndBadCommandLinesGetTheUsage) {
    const std::string out = ::testing::TempDir() + "demodata-list.txt";
    const std::string cmd = "'" + testsupport::BinaryDir() + "/quenrith-demodata' --list > '" + out + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream in(out);
    std::set<std::string> files;
    std::vector<std::string> rectangles;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("  ", 0) == 0) rectangles.push_back(line);
        else files.insert(line.substr(0, line.find(' ')));
    }
    size_t n = 0;
    for (const ImageAsset& a : Images()) {
        EXPECT_EQ(files.count(a.path), 1u) << a.path;
        // Each cell's group, index, box and flags, in the inventory's order.
        for (const Cell& c : a.cells) {
            std::ostringstream want;
            want << "  " << c.group << ' ' << c.index << ' ' << c.box.x << ',' << c.box.y << ' ' << c.box.w << 'x'
                 << c.box.h << (c.wraps ? " wraps" : "") << (c.borrowed ? " borrowed" : "") << (c.runsOn ? " runs-on" : "");
            EXPECT_EQ(n < rectangles.size() ? rectangles[n] : "", want.str()) << a.path;
            ++n;
        }
    }
    EXPECT_EQ(rectangles.size(), n);
    EXPECT_EQ(files.size(), Images().size() + SoundEffects().size() + MusicTracks().size() + FontFiles().size());
    // Only the effects, packed: the report counts the files and bytes written.
    const std::string only = ::testing::TempDir() + "demodata-only-" + std::to_string(getpid());
    ASSERT_EQ(std::system(("'" + testsupport::BinaryDir() + "/quenrith-demodata' --only sounds --jobs 1 --pack '" + only +
                           ".bin' '" + only + "' > '" + only + ".txt'").c_str()), 0);
    size_t written = 0, loose = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(only))
        if (e.is_regular_file()) written += 1, loose += e.file_size();
    EXPECT_EQ(written, SoundEffects().size());
    const std::string report = testsupport::ReadFile(only + ".txt");
    EXPECT_EQ(report.substr(0, report.find(" bytes loose,")), "generated: " + only + ", " + std::to_string(written) +
                                                                  " files, " + std::to_string(loose));
    EXPECT_EQ(report.substr(report.find('\n') + 1), "packed: " + only + ".bin, " + std::to_string(std::filesystem::file_size(only + ".bin")) +
                                                        " bytes for " + std::to_string(loose) + " loose (98.7%)\n");
    std::filesystem::remove_all(only);
    // Bad command lines are refused with the usage.
    const std::string log = ::testing::TempDir() + "demodata-usage-" + std::to_string(getpid()) + ".txt";
    for (const char* arguments : {"", "--jobs", "--only", "--pack", "--frob out", "one two", "--stagedata"}) {
        const std::string cmd = "'" + testsupport::BinaryDir() + "/quenrith-demodata' " + arguments + " 2> '" + log + "'";
        const int status = std::system(cmd.c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2) << arguments;
        EXPECT_EQ(testsupport::ReadFile(log),
                  "usage: quenrith-demodata [--list] [--only images,sounds,music,fonts] [--jobs N] [--font-tool PATH]\n"
                  "                         [--contact-sheet PNG] [--pack FILE] [--stagedata DIR] OUTPUT\n")
            << arguments;
    }
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
