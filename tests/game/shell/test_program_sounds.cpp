// The real program with sound files dropped into its folder by someone who
// wants it to fall over: effects of hundreds of megabytes and title music
// with junk after its last page.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "tests/game/shell/program_steps.h"
#include "tests/platform/torvi/torvi_test_util.h"
#include "tests/support/private_display.h"
#include "tests/support/program_run.h"
#include "tests/support/test_support.h"

namespace {

using namespace programsteps;

// A file of `bytes` bytes that begins with `head` and holds zeros after it,
// written sparse.
void WriteSparse(const std::string& path, const std::string& head, uint64_t bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    testsupport::WriteFile(path, head);
    std::filesystem::resize_file(path, bytes);
}

// A figure of /proc/<pid>/status, in kilobytes (-1 when missing).
long StatusKb(const std::string& pid, const std::string& field) {
    std::ifstream status("/proc/" + pid + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
    return -1;
}

// Five of the title's effects of 220 MB each, valid PCM as far as they go, are
// refused before they are read, each with a line naming it; the title music
// with 64 MB of zeros after its last page plays. The title comes up, and the
// program's peak resident memory stays far below what the effects would take.
TEST(QuenrithSounds, HugeEffectsAreRefusedByNameAndTitleMusicWithAJunkTailPlays) {
    testdisplay::PrivateDisplay display;
    testsupport::TempDir dir;
    std::filesystem::create_directories(dir.path() + "/save");
    WriteTitleSheet(dir.path());
    constexpr uint64_t kEffect = uint64_t{220} << 20;
    const std::vector<std::string> effects = {"charge", "forcebrake", "boss_death", "shot_enemy_normal",
                                              "enemybreak_01"};
    std::string header = torvitest::Wave(1, 2, 16, 44100, "");
    header.replace(4, 4, std::string{char(0xF8), char(0xFF), char(0xBF), char(0x0D)});     // RIFF size
    header.replace(40, 4, std::string{char(0xD4), char(0xFF), char(0xBF), char(0x0D)});    // data size
    ASSERT_EQ(header.size(), 44u);
    for (const std::string& name : effects) WriteSparse(dir.file("SE/" + name + ".wav"), header, kEffect);
    const std::string music = torvitest::EncodeOgg(torvitest::Tone(88200, 2, 44100), 2, 44100);
    WriteSparse(dir.file("BGM/Title.ogg"), music, music.size() + (uint64_t{64} << 20));

    Program program(dir.path(), dir.path() + "/run", Display());
    ASSERT_NO_FATAL_FAILURE(Ready(program));
    const testsupport::Rgb background{kTitleBackground >> 16 & 0xFF, kTitleBackground >> 8 & 0xFF,
                                      kTitleBackground & 0xFF};
    EXPECT_EQ(program.WaitForPixel(5, 5, background), background);
    static const std::regex played(R"(BGM/Title\.ogg : \[ No\.\d+ \] : <B><FONT color="[A-Z]+">Success!)");
    EXPECT_TRUE(program.WaitUntil([&] { return std::regex_search(program.Log(), played); }, 30, 60))
        << "the title music did not start";

    const std::string log = program.Log();
    for (const std::string& name : effects) {
        const std::string line = testsupport::Sjis(u8"サウンド用メモリが足りません [ ") + "SE/" + name +
                                 ".wav : 225280KB / " + testsupport::Sjis(u8"残り ") + "131072KB ]";
        EXPECT_EQ(Count(log, line), 1u) << line;
    }
    const std::string pid = program.X("xdotool getwindowpid " + program.window());
    ASSERT_FALSE(pid.empty());
    // The effects read would be 1,100 MB; the music's window is 64 MB.
    const long peak = StatusKb(pid, "VmHWM");
    EXPECT_GT(peak, 0);
    EXPECT_LT(peak, 800 * 1024) << "kilobytes at the most resident";
    CloseCleanly(program);
}

}  // namespace
