// The boot road, the window procedure and the start and finish orders, each boot
// in its own child process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/core/Kestra.h"
#include "engine/core/KestraFep.h"
#include "engine/core/KestraFiber.h"
#include "engine/core/KestraNetwork.h"
#include "engine/graphics/KestraCamera.h"
#include "engine/graphics/KestraManagers.h"
#include "engine/graphics/KestraModelEx.h"
#include "engine/graphics/KestraShaderFx.h"
#include "engine/graphics/KestraSimple.h"
#include "platform/win32/win32.h"
#include "platform/winsock/winsock.h"
#include "tests/engine/core/boot_harness.h"
#include "tests/engine/graphics/kestra3d_log.h"
#include "tests/engine/core/test_kestra_input_log.h"
#include "tests/engine/core/test_kestra_sound_log.h"

namespace {

using boot::U8;

using boot::Cp932All;
using boot::Headline;
using boot::Headlines;
using testsupport::Utf8ToCp932;

// ---- Scenario state (set in the child before the boot).
int g_framesBeforeExit = 3;
bool g_mainCalled = false;
std::vector<UINT> g_hookMessages;
HWND g_windowAtCloseHook = nullptr;
void (*g_inLoop)() = nullptr;  // runs once after Start, before the loop

void RecordingHook(UINT message, WPARAM, LPARAM) {
    g_hookMessages.push_back(message);
    if (message == WM_CLOSE) g_windowAtCloseHook = Kestra::GetWindowHandle();
}

// Each clock read moves virtual time on a little, so polling loops end.
void TickPerRead(void*) { platform::AdvanceVirtualClock(1000); }

void MainExitAfterFrames(int, char**) {
    g_mainCalled = true;
    if (!Kestra::Start()) return;
    if (g_inLoop) g_inLoop();
    int frames = 0;
    while (Kestra::WaitForMessage(false)) {
        if (++frames == g_framesBeforeExit) Kestra::Exit();
    }
}

void PrepareGame(const std::string& folder) {
    boot::Prepare(folder);
    platform::SetVirtualClockHook(TickPerRead, nullptr);
}

std::string BootLog(const testsupport::TempDir& dir) { return testsupport::ReadFile(dir.file("system_log.html")); }

std::string ManagerStartHeadlines() {
    std::string out;
    for (const std::string& m : boot::kManagerStarts) out += Headline(m + U8(u8"クラスの初期化"));
    return out;
}

std::string ManagerFinishHeadlines() {
    std::string out;
    for (const std::string& m : boot::kManagerFinishes) out += Headline(m + U8(u8"クラスの解放"));
    return out;
}

// ---- The whole log of a run that ends with Kestra::Exit.
TEST(KestraBoot, LogOfARunEqualsTheGoldenLog) {
    testsupport::TempDir dir;
    EXPECT_EQ(boot::InDisplayChild([&] {
                  PrepareGame(dir.path());
                  Kestra::SetGameFunctions(boot::ConfigureLikeGame, MainExitAfterFrames, nullptr);
                  EXPECT_EQ(boot::BootNow(), 0);
                  EXPECT_TRUE(g_mainCalled);
                  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
              }),
              0);
    const std::string golden = boot::OnDisk(
        boot::Head("Quenrith ver1.12") + Headline(U8(u8"Kestra3Dクラスの初期化")) +
        U8(u8"<B><FONT color=\"BLUE\">Library Version</FONT></B><BR>\n"
        "　　　[ Kestra for \"DirectX 9.0c\" - Phase 35.58 : 2007.12.01 ]<BR>\n<BR>\n") +
        Headline(U8(u8"KestraAnimationクラスの初期化")) + Headline(U8(u8"KestraCameraクラスの初期化")) +
        "<BR>\n" + Headline(U8(u8"Kestra3Dクラスの起動")) + ManagerStartHeadlines() +
        soundlog::StartLog() + inputlog::StartLog() +
        Headline(U8(u8"アプリケーション開始")) + "<BR>\n" +
        U8(u8"<B><FONT color=\"GREEN\">KestraMicroThread::メインマイクロスレッドの起動</FONT></B><BR>\n"
        "<B><FONT color=\"BLUE\">KestraMicroThread::UpdateList</FONT></B><BR>\n"
        "　[32] -> [32]<BR>\n"
        "<BR>\n") +
        Headline(U8(u8"アプリケーション終了")) + "<BR>\n" +
        U8(u8"<B><FONT color=\"GREEN\">KestraMicroThread::全マイクロスレッドの終了</FONT></B><BR>\n") +
        Headline(U8(u8"KestraInputクラスの解放")) + soundlog::FinishLog() +
        ManagerFinishHeadlines() + Headline(U8(u8"KestraAnimationクラスの解放")) + "<BR>\n" +
        Headline(U8(u8"Kestra3Dクラスの解放")) + "</BODY>\n</HTML>\n");
    const std::string log = BootLog(dir);
    EXPECT_EQ(k3dlog::WithoutDeviceLines(log), golden);
    EXPECT_NE(log.find(testsupport::Utf8ToCp932(
                  U8(u8"Direct3Dデバイスを [ D3DDEVTYPE_HAL ] [ D3DCREATE_MIXED_VERTEXPROCESSING ] で生成"))),
              std::string::npos);
}

TEST(KestraBoot, OptionalModulesStartAndFinishInTheirOrders) {
    testsupport::TempDir dir;
    EXPECT_EQ(boot::InDisplayChild([&] {
                  PrepareGame(dir.path());
                  boot::g_useFlags = KESTRA_USE_INPUT | KESTRA_USE_SOUND | KESTRA_USE_MEDIA | KESTRA_USE_CDDA |
                                     KESTRA_USE_FIBER;
                  Kestra::SetGameFunctions(boot::ConfigureLikeGame, MainExitAfterFrames, nullptr);
                  boot::BootNow();
              }),
              0);
    std::vector<std::string> expected = {U8(u8"Kestra3Dクラスの初期化"), U8(u8"KestraAnimationクラスの初期化"),
                                         U8(u8"KestraFiberクラスの初期化"), U8(u8"KestraCameraクラスの初期化"),
                                         U8(u8"Kestra3Dクラスの起動")};
    for (const std::string& m : boot::kManagerStarts) expected.push_back(m + U8(u8"クラスの初期化"));
    for (const std::string& s : {U8(u8"KestraMediaクラスの初期化"), U8(u8"KestraSoundクラスの初期化"), U8(u8"KestraInputクラスの初期化"),
                          U8(u8"アプリケーション開始"), U8(u8"アプリケーション終了"), U8(u8"KestraFiberクラスの解放"),
                          U8(u8"KestraInputクラスの解放"), U8(u8"KestraSoundクラスの解放"), U8(u8"KestraMediaクラスの解放")})
        expected.push_back(s);
    for (const std::string& m : boot::kManagerFinishes) expected.push_back(m + U8(u8"クラスの解放"));
    expected.push_back(U8(u8"KestraAnimationクラスの解放"));
    expected.push_back(U8(u8"Kestra3Dクラスの解放"));
    EXPECT_EQ(Headlines(BootLog(dir)), Cp932All(expected));
}

// A grid-mesh record holding an effect lets go of it as the table finishes, while
// the models and the effect module are still there.
TEST(KestraBoot, TheGridTableReleasesItsEffectsBeforeTheModelsAndEffectsFinish) {
    testsupport::TempDir dir;
    EXPECT_EQ(boot::InDisplayChild([&] {
                  PrepareGame(dir.path());
                  g_inLoop = [] {
                      SimpleGridRecord* r = KestraSimple::GetRecord(5);
                      ASSERT_NE(r, nullptr);
                      r->inUse = 1;
                      r->refCount = 2;
                      r->effect = KestraShaderFx::Create(0, 0, 0, nullptr);
                      ASSERT_NE(r->effect, nullptr);
                  };
                  Kestra::SetGameFunctions(boot::ConfigureLikeGame, MainExitAfterFrames, nullptr);
                  EXPECT_EQ(boot::BootNow(), 0);
                  EXPECT_EQ(KestraShaderFx::List().GetCount(), 0u);
              }),
              0);
    const std::string log = BootLog(dir);
    const size_t simple = log.find(Utf8ToCp932(U8(u8"KestraSimpleクラスの解放")));
    const size_t release = log.find("KestraShaderFx::Release");
    const size_t models = log.find(Utf8ToCp932(U8(u8"KestraModelExクラスの解放")));
    ASSERT_NE(simple, std::string::npos);
    ASSERT_NE(release, std::string::npos) << "the record's effect was not released by the table";
    EXPECT_LT(simple, release);
    EXPECT_LT(release, models);
    EXPECT_EQ(log.find("KestraShaderFx::Release", release + 1), std::string::npos);
}

TEST(KestraBoot, MusicWithoutDirectMusicFailsTheStartAndEverythingStillFinishes) {
    testsupport::TempDir dir;
    EXPECT_EQ(boot::InDisplayChild([&] {
                  PrepareGame(dir.path());
                  boot::g_useFlags = KESTRA_USE_INPUT | KESTRA_USE_SOUND | KESTRA_USE_MUSIC;
                  Kestra::SetGameFunctions(boot::ConfigureLikeGame, MainExitAfterFrames, nullptr);
                  EXPECT_EQ(boot::BootNow(), 0);
                  EXPECT_TRUE(g_mainCalled);
                  // Only the device start has an error box.
                  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
              }),
              0);
    const std::string log = BootLog(dir);
    EXPECT_NE(log.find(Utf8ToCp932(U8(u8"<B><FONT color=\"RED\">　エラー : DirectMusicLoaderの生成に失敗</FONT></B>"))),
              std::string::npos);
    const std::vector<std::string> headlines = Headlines(log);
    auto has = [&](const std::string& utf8) {
        return std::find(headlines.begin(), headlines.end(), Utf8ToCp932(utf8)) != headlines.end();
    };
    EXPECT_FALSE(has(U8(u8"アプリケーション開始")));
    EXPECT_FALSE(has(U8(u8"KestraInputクラスの初期化")));  // after music: never reached
    EXPECT_FALSE(has(U8(u8"KestraInputクラスの解放")));
    EXPECT_TRUE(has(U8(u8"KestraMusicクラスの解放")));
    EXPECT_TRUE(has(U8(u8"KestraSoundクラスの解放")));
    EXPECT_TRUE(has(U8(u8"KestraSurfaceクラスの解放")));
    EXPECT_NE(log.rfind("</BODY>\r\n</HTML>\r\n"), std::string::npos);
}

// ---- Failures on the boot road.
bool ConfigureThenFail() {
    boot::ConfigureLikeGame();
    return false;
}

TEST(KestraBoot, FailingConfigurationShowsItsBoxAndWritesNoLog) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.file("system_log.html"), "previous run");
    EXPECT_EQ(boot::InDisplayChild([&] {
                  PrepareGame(dir.path());
                  Kestra::SetGameFunctions(ConfigureThenFail, MainExitAfterFrames, nullptr);
                  EXPECT_EQ(boot::BootNow(), 0);
                  EXPECT_FALSE(g_mainCalled);
                  const auto boxes = platform::RecordedMessageBoxes();
                  ASSERT_EQ(boxes.size(), 1u);
                  EXPECT_EQ(boxes[0].caption, "ERROR");
                  EXPECT_EQ(boxes[0].text, Utf8ToCp932(U8(u8"ユーザー初期化に失敗")));
                  EXPECT_EQ(boxes[0].flags, static_cast<unsigned>(MB_ICONERROR));
              }),
              0);
    EXPECT_FALSE(testsupport::FileExists(dir.file("system_log.html")));
    // No configuration at all fails the same way.
    EXPECT_EQ(boot::InDisplayChild([&] {
                  PrepareGame(dir.path());
                  Kestra::SetGameFunctions(nullptr, MainExitAfterFrames, nullptr);
                  EXPECT_EQ(boot::BootNow(), 0);
                  EXPECT_FALSE(g_mainCalled);
                  EXPECT_EQ(platform::RecordedMessageBoxes().size(), 1u);
              }),
              0);
}

TEST(KestraBoot, MissingDirect3DShowsItsBoxesAndClosesTheLog) {
    testsupport::TempDir dir;
    EXPECT_EQ(boot::InDisplayChild([&] {
                  PrepareGame(dir.path());
                  platform::InjectFault("LoadLibraryA:d3d9.dll");
                  Kestra::SetGameFunctions(boot::ConfigureLikeGame, MainExitAfterFrames, nullptr);
                  EXPECT_EQ(boot::BootNow(), 0);
                  EXPECT_FALSE(g_mainCalled);
                  const auto boxes = platform::RecordedMessageBoxes();
                  ASSERT_EQ(boxes.size(), 3u);
                  EXPECT_EQ(boxes[1].caption, "Kestra3D");
                  EXPECT_EQ(boxes[1].text, Utf8ToCp932(U8(u8"アダプターの初期化に失敗")));
                  EXPECT_EQ(boxes[2].caption, "ERROR");
                  EXPECT_EQ(boxes[2].text, Utf8ToCp932(U8(u8"３Ｄシステムの初期化に失敗")));
              }),
              0);
    const std::string log = BootLog(dir);
    EXPECT_EQ(Headlines(log), Cp932All({U8(u8"Kestra3Dクラスの初期化"), U8(u8"Kestra3Dクラスの解放")}));
    EXPECT_EQ(log.find("Library Version"), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 18), "</BODY>\r\n</HTML>\r\n");
}

TEST(KestraBoot, DeviceStartFailureShowsItsBoxAndFinishesOnlyWhatStarted) {
    testsupport::TempDir dir;
    EXPECT_EQ(boot::InDisplayChild([&] {
                  PrepareGame(dir.path());
                  platform::InjectFault("CreateDevice");
                  Kestra::SetGameFunctions(boot::ConfigureLikeGame, MainExitAfterFrames, nullptr);
                  EXPECT_EQ(boot::BootNow(), 0);
                  EXPECT_TRUE(g_mainCalled);
                  const auto boxes = platform::RecordedMessageBoxes();
                  ASSERT_EQ(boxes.size(), 1u);
                  EXPECT_EQ(boxes[0].text, Utf8ToCp932(U8(u8"３Ｄシステムの起動に失敗")));
              }),
              0);
    EXPECT_EQ(Headlines(BootLog(dir)),
              Cp932All({U8(u8"Kestra3Dクラスの初期化"), U8(u8"KestraAnimationクラスの初期化"), U8(u8"KestraCameraクラスの初期化"),
                        U8(u8"Kestra3Dクラスの起動"), U8(u8"KestraModelクラスの解放"),
                        U8(u8"KestraCameraクラスの解放"), U8(u8"KestraAnimationクラスの解放"), U8(u8"Kestra3Dクラスの解放")}));
}

// The runtime heap refuses every block from the after-th one on, counted from
// the window's creation (the start-up steps take theirs in the start order):
// the animation tables, the micro threads, the fibers, the cameras, the grid
// table. The first required step refused ends the start: the steps that came up
// before it stop in the stop order, no other step starts or stops, and every
// kernel handle the start took is given back, the frame timer's included.
int g_heapFailsAfter = 0;
void RefuseHeapFromTheWindow(UINT message, WPARAM, LPARAM) {
    if (message == WM_CREATE) platform::InjectFault("calloc", g_heapFailsAfter);
}

TEST(KestraBoot, AFailedStartUpStepStopsExactlyTheStepsBeforeItAndGivesEveryHandleBack) {
    const std::string kFiberBox = U8(u8"ファイバーの初期化に失敗");
    const struct {
        const char* what;
        int after;
        std::vector<std::string> boxes;
        std::vector<std::string> headlines;  // between the device's start and end
    } cases[] = {
        {"fibers, nothing else taken", 0, {kFiberBox}, {U8(u8"KestraFiberクラスの初期化")}},
        {"fibers, after the animation tables",
         1,
         {kFiberBox},
         {U8(u8"KestraAnimationクラスの初期化"), U8(u8"KestraFiberクラスの初期化"), U8(u8"KestraAnimationクラスの解放")}},
        {"cameras",
         3,
         {},
         {U8(u8"KestraAnimationクラスの初期化"), U8(u8"KestraFiberクラスの初期化"), U8(u8"KestraCameraクラスの初期化"),
          U8(u8"KestraFiberクラスの解放"), U8(u8"KestraAnimationクラスの解放")}},
        {"the grid table",
         4,
         {},
         {U8(u8"KestraAnimationクラスの初期化"), U8(u8"KestraFiberクラスの初期化"), U8(u8"KestraCameraクラスの初期化"),
          U8(u8"KestraFiberクラスの解放"), U8(u8"KestraModelクラスの解放"), U8(u8"KestraCameraクラスの解放"),
          U8(u8"KestraAnimationクラスの解放")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir;
        EXPECT_EQ(boot::InDisplayChild([&] {
                      PrepareGame(dir.path());
                      boot::g_useFlags = KESTRA_USE_INPUT | KESTRA_USE_SOUND | KESTRA_USE_FIBER;
                      g_heapFailsAfter = c.after;
                      Kestra::SetGameFunctions(boot::ConfigureLikeGame, MainExitAfterFrames, RefuseHeapFromTheWindow);
                      const size_t handles = platform::OpenHandleCount();
                      EXPECT_EQ(boot::BootNow(), 0);
                      platform::ClearFaults();
                      EXPECT_FALSE(g_mainCalled);
                      EXPECT_EQ(platform::OpenHandleCount(), handles) << "a handle the start took is still open";
                      std::vector<std::string> boxes;
                      for (const auto& box : platform::RecordedMessageBoxes()) boxes.push_back(box.text);
                      std::vector<std::string> expected = Cp932All(c.boxes);
                      expected.push_back(Utf8ToCp932(U8(u8"DirectXの初期化に失敗")));
                      EXPECT_EQ(boxes, expected);
                      EXPECT_FALSE(KestraAnimation::IsStarted());
                      EXPECT_FALSE(KestraNetwork::IsStarted());
                      EXPECT_FALSE(KestraFiber::IsStarted());
                      EXPECT_FALSE(KestraCamera::IsStarted());
                      EXPECT_FALSE(KestraModel::IsStarted());
                      EXPECT_EQ(KestraSimple::GetRecordCount(), 0u);
                  }),
                  0);
        std::vector<std::string> headlines = Cp932All({U8(u8"Kestra3Dクラスの初期化")});
        for (const std::string& h : Cp932All(c.headlines)) headlines.push_back(h);
        headlines.push_back(Utf8ToCp932(U8(u8"Kestra3Dクラスの解放")));
        EXPECT_EQ(Headlines(BootLog(dir)), headlines);
    }
}

TEST(KestraBoot, WindowClassFailureShowsBothBoxesInOrder) {
    testsupport::TempDir dir;
    EXPECT_EQ(boot::InDisplayChild([&] {
                  PrepareGame(dir.path());
                  platform::InjectFault("RegisterClassA");
                  Kestra::SetGameFunctions(boot::ConfigureLikeGame, MainExitAfterFrames, nullptr);
                  EXPECT_EQ(boot::BootNow(), 0);
                  EXPECT_FALSE(g_mainCalled);
                  const auto boxes = platform::RecordedMessageBoxes();
                  ASSERT_EQ(boxes.size(), 2u);
                  EXPECT_EQ(boxes[0].text, Utf8ToCp932(U8(u8"ウィンドウ生成に失敗")));
                  EXPECT_EQ(boxes[1].text, Utf8ToCp932(U8(u8"DirectXの初期化に失敗")));
              }),
              0);
}

bool ConfigureUnopenableLog() {
    boot::ConfigureLikeGame();
    Kestra::SetLogFile("no_such_folder\\system_log", "html");
    return true;
}

TEST(KestraBoot, ALogThatCannotBeOpenedLeavesTheProgramRunningWithoutALog) {
    testsupport::TempDir dir;
    EXPECT_EQ(boot::InDisplayChild([&] {
                  PrepareGame(dir.path());
                  Kestra::SetGameFunctions(ConfigureUnopenableLog, MainExitAfterFrames, nullptr);
                  EXPECT_EQ(boot::BootNow(), 0);
                  EXPECT_TRUE(g_mainCalled);
                  EXPECT_FALSE(Kestra::IsLogOpen());
                  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
              }),
              0);
    EXPECT_FALSE(testsupport::FileExists(dir.file("system_log.html")));
    EXPECT_FALSE(testsupport::FileExists(dir.file("no_such_folder")));
}

// ---- Single instance: a second process finds the mutex owned.
TEST(KestraBoot, SecondInstanceShowsItsBoxAndOpensNoWindow) {
    testsupport::TempDir first;
    testsupport::TempDir second;
    const std::string runtime = first.path() + "/run";
    const std::string ready = first.file("ready");
    const std::string stop = first.file("stop");

    fflush(nullptr);
    const pid_t running = fork();
    ASSERT_GE(running, 0);
    if (running == 0) {
        testdisplay::PrivateDisplay display;
        PrepareGame(first.path());
        static std::string readyPath, stopPath;
        readyPath = ready;
        stopPath = stop;
        g_inLoop = [] { testsupport::WriteFile(readyPath, "1"); };
        g_framesBeforeExit = -1;
        Kestra::SetGameFunctions(
            boot::ConfigureLikeGame,
            [](int, char**) {
                if (!Kestra::Start()) return;
                g_inLoop();
                while (Kestra::WaitForMessage(false))
                    if (testsupport::FileExists(stopPath)) Kestra::Exit();
            },
            nullptr);
        boot::BootNow();
        display.Stop();
        fflush(nullptr);
        std::_Exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    for (int i = 0; i < 3000 && !testsupport::FileExists(ready); ++i) usleep(10000);
    ASSERT_TRUE(testsupport::FileExists(ready));

    EXPECT_EQ(boot::InDisplayChild([&] {
                  PrepareGame(second.path());
                  boot::UseProgramFolder(second.path(), runtime);
                  Kestra::SetGameFunctions(boot::ConfigureLikeGame, MainExitAfterFrames, nullptr);
                  EXPECT_EQ(boot::BootNow(), 0);
                  EXPECT_FALSE(g_mainCalled);
                  const auto boxes = platform::RecordedMessageBoxes();
                  ASSERT_EQ(boxes.size(), 1u);
                  EXPECT_EQ(boxes[0].caption, "ERROR");
                  EXPECT_EQ(boxes[0].text, Utf8ToCp932(U8(u8"２重起動は許可されてません")));
              }),
              0);
    // No window: the window part of the start never ran.
    const std::string log = testsupport::ReadFile(second.file("system_log.html"));
    EXPECT_EQ(log.find("Library Version"), std::string::npos);
    EXPECT_EQ(Headlines(log), Cp932All({U8(u8"Kestra3Dクラスの初期化"), U8(u8"Kestra3Dクラスの解放")}));

    testsupport::WriteFile(stop, "1");
    int status = 0;
    ASSERT_EQ(waitpid(running, &status, 0), running);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(testsupport::ReadFile(first.file("system_log.html")).find("</HTML>"), std::string::npos);
}

// ---- Window, window procedure and Alt+Enter.
std::vector<std::string> CallsStartingWith(const std::vector<std::string>& prefixes) {
    std::vector<std::string> out;
    for (const std::string& line : platform::RecordedCalls())
        for (const std::string& p : prefixes)
            if (line.compare(0, p.size(), p) == 0) out.push_back(line);
    return out;
}

// Posts a message and runs frames until the queue is empty (one message a frame).
void PostAndPump(UINT message, WPARAM wParam, LPARAM lParam) {
    PostMessageA(Kestra::GetWindowHandle(), message, wParam, lParam);
    MSG pending;
    for (int i = 0; i < 100 && PeekMessageA(&pending, nullptr, 0, 0, PM_NOREMOVE); ++i) Kestra::WaitForMessage(true);
}

TEST(KestraWindow, OpensTheConfiguredClientAreaTitleAndStyleWindowedAndFullScreen) {
    // Windowed: popup, caption, system menu, minimize box; full screen: a bare popup.
    static const std::pair<bool, DWORD> rows[] = {{true, 0x90CA0000u}, {false, 0x90000000u}};
    for (const auto& row : rows) {
        testsupport::TempDir dir;
        static const std::pair<bool, DWORD>* current;
        current = &row;
        EXPECT_EQ(boot::InDisplayChild([&] {
                      PrepareGame(dir.path());
                      g_inLoop = [] {
                          HWND window = Kestra::GetWindowHandle();
                          ASSERT_NE(window, nullptr);
                          RECT client{};
                          EXPECT_TRUE(GetClientRect(window, &client));
                          EXPECT_EQ(client.right - client.left, 640);
                          EXPECT_EQ(client.bottom - client.top, 480);
                          char title[300] = {};
                          GetWindowTextA(window, title, sizeof(title));
                          EXPECT_STREQ(title, "Quenrith ver1.12");
                          EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), current->second);
                          EXPECT_TRUE(Kestra::IsActive());
                      };
                      Kestra::SetGameFunctions(
                          [] {
                              boot::ConfigureLikeGame();
                              Kestra::SetScreenInfo(640, 480, current->first);
                              return true;
                          },
                          MainExitAfterFrames, nullptr);
                      boot::BootNow();
                      // The cursor stays visible when the game asks for it.
                      EXPECT_TRUE(CallsStartingWith({"ShowCursor"}).empty());
                  }),
                  0)
            << row.first;
    }
}

TEST(KestraWindow, HiddenCursorIsHiddenAtCreateAndShownAtClose) {
    testsupport::TempDir dir;
    EXPECT_EQ(boot::InDisplayChild([&] {
                  PrepareGame(dir.path());
                  // A full-screen start covers exactly the configured screen.
                  g_inLoop = [] {
                      RECT client{};
                      GetClientRect(Kestra::GetWindowHandle(), &client);
                      EXPECT_EQ(client.right - client.left, 640);
                      EXPECT_EQ(client.bottom - client.top, 480);
                  };
                  Kestra::SetGameFunctions(
                      [] {
                          Kestra::SetApplicationName("Quenrith hidden cursor");
                          Kestra::SetScreenInfo(640, 480, false);
                          Kestra::SetFrameRate(60);
                          return true;
                      },
                      MainExitAfterFrames, nullptr);
                  boot::BootNow();
                  EXPECT_EQ(CallsStartingWith({"ShowCursor"}),
                            (std::vector<std::string>{"ShowCursor 0", "ShowCursor 1"}));
              }),
              0);
}

TEST(KestraWindow, AltEnterSwitchesStyleAndResetsInTheDeviceOrderBothWays) {
    testsupport::TempDir dir;
    EXPECT_EQ(boot::InDisplayChild([&] {
                  PrepareGame(dir.path());
                  g_inLoop = [] {
                      const std::vector<std::string> watched = {"SetWindowLongA", "SetWindowPos", "Kestra3D::"};
                      const LPARAM alt = LPARAM(1) << 29;
                      platform::ClearRecordedCalls();
                      PostAndPump(WM_SYSKEYDOWN, VK_RETURN, 1 | alt);
                      EXPECT_EQ(CallsStartingWith(watched),
                                (std::vector<std::string>{"SetWindowLongA GWL_STYLE 0x10000000",
                                                          "SetWindowPos HWND_TOPMOST 0 0 640 480 0",
                                                          "Kestra3D::ResetDevice 1"}));
                      bool windowed = true;
                      Kestra::GetScreenInfo(nullptr, nullptr, &windowed);
                      EXPECT_FALSE(windowed);

                      // Keyboard auto-repeat of the held keys switches nothing.
                      platform::ClearRecordedCalls();
                      PostAndPump(WM_SYSKEYDOWN, VK_RETURN, 1 | alt | (LPARAM(1) << 30));
                      EXPECT_TRUE(CallsStartingWith(watched).empty());

                      platform::ClearRecordedCalls();
                      PostAndPump(WM_SYSKEYDOWN, VK_RETURN, 1 | alt);
                      const int w = 640 + GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXFIXEDFRAME) +
                                    GetSystemMetrics(SM_CXBORDER);
                      const int h = 480 + GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYFIXEDFRAME) +
                                    GetSystemMetrics(SM_CYBORDER) + GetSystemMetrics(SM_CYCAPTION);
                      const int x = GetSystemMetrics(SM_CXSCREEN) / 2 - w / 2;
                      const int y = GetSystemMetrics(SM_CYSCREEN) / 2 - h / 2;
                      EXPECT_EQ(CallsStartingWith(watched),
                                (std::vector<std::string>{
                                    "Kestra3D::ResetDevice 1", "SetWindowLongA GWL_STYLE 0x10CA0000",
                                    "SetWindowPos HWND_NOTOPMOST " + std::to_string(x) + " " + std::to_string(y) +
                                        " " + std::to_string(w) + " " + std::to_string(h) + " 0"}));
                      Kestra::GetScreenInfo(nullptr, nullptr, &windowed);
                      EXPECT_TRUE(windowed);
                  };
                  Kestra::SetGameFunctions(boot::ConfigureLikeGame, MainExitAfterFrames, nullptr);
                  boot::BootNow();
              }),
              0);
}

TEST(KestraWindow, ScreenSaverAndMonitorPowerAreSwallowedOtherCommandsAreNot) {
    testsupport::TempDir dir;
    EXPECT_EQ(boot::InDisplayChild([&] {
                  PrepareGame(dir.path());
                  g_framesBeforeExit = -1;
                  g_inLoop = [] {
                      HWND window = Kestra::GetWindowHandle();
                      EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
                      EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2), 0);
                      EXPECT_EQ(Kestra::GetWindowHandle(), window);
                      // SC_CLOSE goes on to the default procedure, which closes the window.
                      SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
                      EXPECT_EQ(Kestra::GetWindowHandle(), nullptr);
                  };
                  Kestra::SetGameFunctions(boot::ConfigureLikeGame, MainExitAfterFrames, nullptr);
                  boot::BootNow();
              }),
              0);
}

TEST(KestraWindow, CloseBoxEndsTheLoopWithoutTheExitHeadline) {
    testsupport::TempDir dir;
    EXPECT_EQ(boot::InDisplayChild([&] {
                  PrepareGame(dir.path());
                  g_framesBeforeExit = -1;
                  g_inLoop = [] { PostMessageA(Kestra::GetWindowHandle(), WM_CLOSE, 0, 0); };
                  Kestra::SetGameFunctions(boot::ConfigureLikeGame, MainExitAfterFrames, RecordingHook);
                  boot::BootNow();
                  // The hook saw WM_CLOSE before the frame handled it.
                  EXPECT_NE(std::find(g_hookMessages.begin(), g_hookMessages.end(), WM_CLOSE), g_hookMessages.end());
                  EXPECT_NE(g_windowAtCloseHook, nullptr);
                  EXPECT_EQ(Kestra::GetWindowHandle(), nullptr);
                  EXPECT_FALSE(Kestra::WaitForMessage(false));
              }),
              0);
    const std::vector<std::string> headlines = Headlines(BootLog(dir));
    EXPECT_EQ(std::count(headlines.begin(), headlines.end(), Utf8ToCp932(U8(u8"アプリケーション終了"))), 0);
    EXPECT_EQ(headlines.back(), Utf8ToCp932(U8(u8"Kestra3Dクラスの解放")));
}

TEST(KestraWindow, AltF4LogsTheExitOnceAndEndsTheLoop) {
    testsupport::TempDir dir;
    EXPECT_EQ(boot::InDisplayChild([&] {
                  PrepareGame(dir.path());
                  g_framesBeforeExit = -1;
                  g_inLoop = [] {
                      PostMessageA(Kestra::GetWindowHandle(), WM_SYSKEYDOWN, VK_F4, 1 | (LPARAM(1) << 29));
                  };
                  Kestra::SetGameFunctions(boot::ConfigureLikeGame, MainExitAfterFrames, nullptr);
                  boot::BootNow();
              }),
              0);
    const std::string log = BootLog(dir);
    const std::string exitLines = boot::OnDisk("<BR>\n" + Headline(U8(u8"アプリケーション終了")) + "<BR>\n");
    const size_t at = log.find(exitLines);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(log.find(exitLines, at + 1), std::string::npos);
}

TEST(KestraWindow, OptionalModuleMessagesReachTheirModulesSafely) {
    testsupport::TempDir dir;
    EXPECT_EQ(boot::InDisplayChild([&] {
                  PrepareGame(dir.path());
                  g_inLoop = [] {
                      HWND window = Kestra::GetWindowHandle();
                      SendMessageA(window, WM_USER + 1, 12345, MAKELONG(FD_READ, WSAECONNRESET));
                      SendMessageA(window, WM_USER + 1, 12345, MAKELONG(FD_CLOSE, 0));
                      SendMessageA(window, WM_USER + 2, 0, 0);
                      SendMessageA(window, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 7);
                      SendMessageA(window, WM_MOUSEWHEEL, MAKELONG(0, -120), 0);
                      SendMessageA(window, WM_LBUTTONDBLCLK, 0, 0);
                      SendMessageA(window, WM_CHAR, 'Q', 0);
                      EXPECT_STREQ(KestraFep::GetString(), "Q");
                      EXPECT_NE(Kestra::GetWindowHandle(), nullptr);
                  };
                  Kestra::SetGameFunctions(boot::ConfigureLikeGame, MainExitAfterFrames, nullptr);
                  boot::BootNow();
              }),
              0);
}

}  // namespace
