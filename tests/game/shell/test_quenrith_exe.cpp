// The real program under the X server: window, caption statistics, Alt+F4, the
// close box, a second instance and the log beside the executable; and the
// program and the play script started with no display at all.
#include <gtest/gtest.h>

#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <thread>

#include "tests/support/private_display.h"
#include "tests/engine/graphics/kestra3d_log.h"
#include "tests/engine/core/test_kestra_input_log.h"
#include "tests/engine/core/test_kestra_sound_log.h"
#include "tests/support/program_run.h"
#include "tests/support/test_support.h"


namespace {

using testsupport::U8;

using testsupport::Utf8ToCp932;

using testsupport::Shell;
using Program = testsupport::ProgramRun;

// The display of this test's X server.
std::string Display() {
    const char* name = std::getenv("DISPLAY");
    return name ? name : "";
}

std::string OnDisk(const std::string& utf8) {
    std::string out;
    for (char c : Utf8ToCp932(utf8)) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string Headline(const std::string& text) {
    return "<TABLE width=\"100%\" bgcolor=\"#000000\">\n  <TBODY>\n    <TR>\n      <TD align=\"center\">\n"
           "        <B>\n          <FONT color=\"WHITE\">" +
           text + "</FONT>\n        </B>\n      </TD>\n    </TR>\n  </TBODY>\n</TABLE>\n";
}

// The log of a run of the game that ends with Alt+F4: its head up to the game's
// first loads, and its tail from the end of the micro threads. Between them
// lie the game's loads and releases, whose lines depend on the data present.
struct GoldenLogParts {
    std::string head;
    std::string tail;
};
GoldenLogParts GoldenLog() {
    std::string log =
        U8(u8"<HTML>\n<HEAD>\n<META http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\n"
        "<TITLE>Quenrith ver1.12</TITLE>\n<STYLE type=\"text/css\">\n<!--\nBODY{\n  font-size : 12px;\n"
        "  font-family : \"ＭＳ ゴシック\";\n}\n-->\n</STYLE>\n</HEAD>\n"
        "<BODY bgcolor=\"#ffffff\" text=\"#000000\" link=\"#444444\" vlink=\"#444444\" alink=\"#444444\">\n");
    log += Headline(U8(u8"Kestra3Dクラスの初期化"));
    log += U8(u8"<B><FONT color=\"BLUE\">Library Version</FONT></B><BR>\n"
           "　　　[ Kestra for \"DirectX 9.0c\" - Phase 35.58 : 2007.12.01 ]<BR>\n<BR>\n");
    for (const char* m : {"KestraAnimation", "KestraCamera"}) log += Headline(std::string(m) + U8(u8"クラスの初期化"));
    log += "<BR>\n";  // the model slot table's start
    log += Headline(U8(u8"Kestra3Dクラスの起動"));
    for (const char* m : {"KestraSurface", "KestraTexture", "KestraSheet", "KestraSimple", "KestraFont",
                          "KestraPoint2D", "KestraPoint3D", "KestraLine2D", "KestraLine3D", "KestraPrimitive2D",
                          "KestraPrimitive3D", "KestraSprite2D", "KestraSprite3D", "KestraFontSprite2D",
                          "KestraFontSprite3D", "KestraModelEx"})
        log += Headline(std::string(m) + U8(u8"クラスの初期化"));
    log += soundlog::StartLog() + inputlog::StartLog();
    log += Headline(U8(u8"アプリケーション開始")) + "<BR>\n";
    log += U8(u8"<B><FONT color=\"GREEN\">KestraMicroThread::メインマイクロスレッドの起動</FONT></B><BR>\n"
           "<B><FONT color=\"BLUE\">KestraMicroThread::UpdateList</FONT></B><BR>\n"
           "　[32] -> [32]<BR>\n");
    log += U8(u8"<B><FONT color=\"BLUE\">CSurface::CreateDepthStencil</FONT></B> : SIZE [ 640 x 480 ] : FORMAT "
              "[ D16_LOCKABLE ] : <B><FONT color=\"GREEN\">Success!</FONT></B><BR>\n");
    GoldenLogParts parts;
    parts.head = OnDisk(log);
    log = U8(u8"<B><FONT color=\"RED\">KestraCamera::Release</FONT></B><B><FONT color=\"RED\"> : [ No.0 ]</FONT></B><BR>\n");
    log += U8(u8"<B><FONT color=\"GREEN\">KestraMicroThread::全マイクロスレッドの終了</FONT></B><BR>\n");
    log += Headline(U8(u8"KestraInputクラスの解放")) + soundlog::FinishLog();
    for (const char* m : {"KestraSimple", "KestraModelEx", "KestraModel", "KestraCamera", "KestraSprite3D",
                          "KestraPoint2D", "KestraPoint3D", "KestraLine2D", "KestraLine3D", "KestraPrimitive3D",
                          "KestraFontSprite3D", "KestraFontSprite2D", "KestraFont", "KestraSprite2D",
                          "KestraPrimitive2D", "KestraSheet", "KestraTexture", "KestraSurface", "KestraAnimation"})
        log += Headline(std::string(m) + U8(u8"クラスの解放"));
    log += "<BR>\n" + Headline(U8(u8"Kestra3Dクラスの解放")) + "</BODY>\n</HTML>\n";
    parts.tail = OnDisk(log);
    return parts;
}

constexpr int kStartTimeout = 60;
constexpr int kExitTimeout = 30;

TEST(QuenrithProgram, ShowsItsWindowAndStatisticsAndEndsOnAltF4WithTheGoldenLog) {
    testdisplay::PrivateDisplay display;
    testsupport::TempDir dir;
    Program program(dir.path(), dir.path() + "/run", Display());
    ASSERT_TRUE(program.started());
    const std::string window = program.FindWindow(kStartTimeout);
    ASSERT_FALSE(window.empty()) << "no window";

    EXPECT_NE(Shell("xdotool getwindowgeometry " + window).find("Geometry: 640x480"), std::string::npos);

    // The caption gains the statistics once the first counter-second has passed.
    // The title draws its quads from the first frame.
    const std::regex stats(R"(^Quenrith ver1\.12 FPS\[(\d+)\] PPS\[\d+\] PPF\[\d+\] PPF3D\[0\]$)");
    std::smatch match;
    std::string caption;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < until) {
        caption = Shell("xdotool getwindowname " + window);
        if (std::regex_match(caption, match, stats)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(std::regex_match(caption, match, stats)) << caption;
    const int fps = std::stoi(match[1]);
    EXPECT_GT(fps, 0);
    EXPECT_LE(fps, 60);

    ASSERT_TRUE(program.Focus(kStartTimeout));
    ASSERT_EQ(program.CloseWithAltF4(kExitTimeout), 0);
    const std::string log = program.Log();
    const std::string plain = k3dlog::WithoutDeviceLines(log);
    const GoldenLogParts golden = GoldenLog();
    EXPECT_EQ(plain.substr(0, golden.head.size()), golden.head);
    ASSERT_GE(plain.size(), golden.tail.size());
    EXPECT_EQ(plain.substr(plain.size() - golden.tail.size()), golden.tail);
    // The exit's headline and the depth buffer's release sit between the two.
    const size_t exitAt = plain.find(Utf8ToCp932(U8(u8"アプリケーション終了")));
    ASSERT_NE(exitAt, std::string::npos);
    EXPECT_NE(plain.find("CSurface Destruct [DEPTH_STENCIL [640x480] D16_LOCKABLE]", exitAt), std::string::npos);
    EXPECT_NE(log.find(Utf8ToCp932(
                  U8(u8"Direct3Dデバイスを [ D3DDEVTYPE_HAL ] [ D3DCREATE_MIXED_VERTEXPROCESSING ] で生成"))),
              std::string::npos);
    EXPECT_TRUE(program.Boxes().empty());
}

// A run leaves the display's key repeat as it found it: off on the tests' own
// server, on where a person's display has it on.
TEST(QuenrithProgram, LeavesTheDisplaysKeyRepeatAsItWas) {
    for (const bool repeat : {false, true}) {
        SCOPED_TRACE(repeat ? "key repeat on" : "the tests' own server");
        testdisplay::PrivateDisplay display(repeat);
        ASSERT_FALSE(display.name().empty());
        const int want = repeat ? 1 : 0;
        EXPECT_EQ(testsupport::KeyRepeat(display.name()), want);
        testsupport::TempDir dir;
        Program program(dir.path(), dir.path() + "/run", display.name());
        ASSERT_TRUE(program.Focus(kStartTimeout)) << "no window";
        ASSERT_EQ(program.CloseWithAltF4(kExitTimeout), 0);
        EXPECT_EQ(testsupport::KeyRepeat(display.name()), want);
    }
}

// With its first processor kept busy by another program, no thread of the game
// is held to that processor.
TEST(QuenrithProgram, CloseBoxEndsItWithStatusZero) {
    cpu_set_t allowed;
    ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
    int first = 0;
    while (!CPU_ISSET(first, &allowed)) ++first;
    const pid_t busy = fork();
    if (busy == 0) {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(first, &one);
        sched_setaffinity(0, sizeof one, &one);
        for (;;) {}
    }
    ASSERT_GT(busy, 0);
    const std::shared_ptr<void> stop(nullptr, [busy](void*) { kill(busy, SIGKILL), waitpid(busy, nullptr, 0); });
    testdisplay::PrivateDisplay display;
    testsupport::TempDir dir;
    Program program(dir.path(), dir.path() + "/run", Display());
    const std::string window = program.FindWindow(kStartTimeout);
    ASSERT_FALSE(window.empty()) << "no window";
    ASSERT_GT(program.WaitForFrames(30, kStartTimeout), 0);
    const std::string task = "/proc/" + Shell("xdotool getwindowpid " + window) + "/task";
    for (const auto& thread : std::filesystem::directory_iterator(task)) {
        cpu_set_t its, kept;
        if (sched_getaffinity(std::stoi(thread.path().filename()), sizeof its, &its) != 0) continue;  // ended since
        // Held to none of ours: the GL driver's own workers widen their set past ours.
        CPU_AND(&kept, &its, &allowed);
        EXPECT_TRUE(CPU_EQUAL(&kept, &allowed)) << thread.path();
    }
    ASSERT_TRUE(testsupport::SendCloseBox(Display(), window));
    ASSERT_EQ(program.WaitExit(kExitTimeout), 0);
    const std::string log = program.Log();
    // Closing the window is not an exit request: no exit headline.
    EXPECT_EQ(log.find(Utf8ToCp932(U8(u8"アプリケーション終了"))), std::string::npos);
    EXPECT_NE(log.find(Utf8ToCp932(U8(u8"KestraSurfaceクラスの解放"))), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 18), "</BODY>\r\n</HTML>\r\n");
}

TEST(QuenrithProgram, SecondInstanceShowsTheErrorBoxAndEndsWithoutAWindow) {
    testsupport::TempDir first;
    testsupport::TempDir second;
    const std::string runtime = first.path() + "/run";
    testdisplay::PrivateDisplay display;
    Program running(first.path(), runtime, Display());
    const std::string window = running.FindWindow(kStartTimeout);
    ASSERT_FALSE(window.empty()) << "no window";

    Program refused(second.path(), runtime, Display());
    ASSERT_EQ(refused.WaitExit(kStartTimeout), 0);
    EXPECT_EQ(refused.Boxes(), "ERROR\t" + Utf8ToCp932(U8(u8"２重起動は許可されてません")) + "\t16\n");
    const std::string log = refused.Log();
    EXPECT_EQ(log.find("Library Version"), std::string::npos);
    EXPECT_NE(log.find("</HTML>"), std::string::npos);

    ASSERT_TRUE(testsupport::SendCloseBox(Display(), window));
    EXPECT_EQ(running.WaitExit(kExitTimeout), 0);
    EXPECT_TRUE(running.Boxes().empty());
}

constexpr char kNoDisplayLine[] = "no display: set DISPLAY or run under a desktop session";

TEST(QuenrithProgram, WithoutADisplaySaysSoAndEndsLeavingTheSavesAlone) {
    if (testsupport::DrmCardAvailable()) GTEST_SKIP() << "a DRM card is open to this user: the console may show it";
    namespace fs = std::filesystem;
    testsupport::TempDir dir;
    const fs::path score = fs::path(dir.path()) / "save" / "score.dat";
    fs::create_directories(score.parent_path());
    constexpr char kScore[] = "score bytes\0\x01\xFF of an earlier session";
    const std::string scoreBytes(kScore, sizeof kScore - 1);
    testsupport::WriteFile(score.string(), scoreBytes);
    // An old stamp: a rewrite with the same bytes still shows.
    fs::last_write_time(score, fs::file_time_type::clock::now() - std::chrono::hours(24));
    const fs::file_time_type stamp = fs::last_write_time(score);

    const auto started = std::chrono::steady_clock::now();
    Program program(dir.path(), dir.path() + "/run", Program::NoDisplay{});
    ASSERT_TRUE(program.started());
    const int status = program.WaitExit(5);
    ASSERT_NE(status, -1) << "still running 5 s after the start";
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(status, 1);

    // The cause first, then the boot's error boxes, which fall back to standard
    // error as readable text when no box can be shown.
    EXPECT_EQ(program.Errors(), std::string(kNoDisplayLine) + "\n" + U8(u8"ERROR: ウィンドウ生成に失敗\n") +
                                    U8(u8"ERROR: DirectXの初期化に失敗\n"));
    EXPECT_EQ(program.Boxes(), "");

    std::vector<std::string> saved;
    for (const auto& entry : fs::directory_iterator(score.parent_path()))
        saved.push_back(entry.path().filename().string());
    EXPECT_EQ(saved, std::vector<std::string>{"score.dat"});
    EXPECT_EQ(testsupport::ReadFile(score.string()), scoreBytes);
    EXPECT_EQ(fs::last_write_time(score), stamp);

    // The boot's tail closed the log; the game itself never began.
    const std::string log = program.Log();
    EXPECT_EQ(log.find(Utf8ToCp932(U8(u8"アプリケーション開始"))), std::string::npos);
    ASSERT_GE(log.size(), 18u);
    EXPECT_EQ(log.substr(log.size() - 18), "</BODY>\r\n</HTML>\r\n");
}

TEST(QuenrithProgram, PlayScriptWithoutADisplaySaysSoBeforeInstallingOrBuilding) {
    // A copy of the script whose first step only leaves a mark: whatever runs
    // after the check shows in the output instead of installing or building.
    testsupport::TempDir dir;
    const std::string scripts = dir.file("scripts");
    std::filesystem::create_directories(scripts);
    std::filesystem::copy_file(testsupport::SourceDir() + "/scripts/play.sh", scripts + "/play.sh");
    testsupport::WriteFile(scripts + "/deps.sh", "#!/bin/sh\necho deps ran\nexit 3\n");
    std::filesystem::permissions(scripts + "/deps.sh", std::filesystem::perms::owner_all);

    const std::string stopped = std::string("play.sh: ") + kNoDisplayLine + "\n";
    struct Case {
        const char* environment;  // after every display variable was unset
        int status;
        const char* output;
        std::string errors;
    };
    const Case cases[] = {
        {"", 1, "", stopped},
        {"DISPLAY=", 1, "", stopped},
        {"DISPLAY=:99", 3, "deps ran\n", ""},
        {"WAYLAND_DISPLAY=wayland-0", 3, "deps ran\n", ""},
        {"SDL_VIDEODRIVER=kmsdrm", 3, "deps ran\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.environment);
        const std::string command = "cd " + dir.path() + " && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " +
                                    c.environment + " bash scripts/play.sh >out.txt 2>err.txt; echo $?";
        const std::string status = Shell(command);
        EXPECT_EQ(status, std::to_string(c.status));
        EXPECT_EQ(testsupport::ReadFile(dir.file("out.txt")), c.output);
        EXPECT_EQ(testsupport::ReadFile(dir.file("err.txt")), c.errors);
        EXPECT_FALSE(std::filesystem::exists(dir.file("build")));
    }
}

}  // namespace
