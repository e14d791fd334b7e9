// The game's configuration callback and its first main loop, booted in a child
// process on the virtual clock.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/Kestra.h"
#include "engine/core/KestraSound.h"
#include "engine/graphics/CSurface.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraSurface.h"
#include "platform/d3d9/d3d9.h"
#include "game/shell/GameMain.h"
#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cMapHitObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/objects/cPlayerBulletBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/cBossBase.h"
#include "platform/win32/testing.h"
#include "platform/win32/win32.h"
#include "tests/support/private_display.h"
#include "tests/support/test_support.h"

namespace {

using testsupport::U8;

int InChild(const std::function<void()>& body) {
    return testsupport::RunInChild([&] {
        try {
            testdisplay::PrivateDisplay display;
            body();
        } catch (const std::exception& e) {
            ADD_FAILURE() << "exception in the child: " << e.what();
            return 1;
        }
        return ::testing::Test::HasFailure() ? 1 : 0;
    });
}

void PrepareBoot(const std::string& folder) {
    platform::SetProgramFolderOverride(folder);
    std::filesystem::create_directories(folder + "/run");
    setenv("XDG_RUNTIME_DIR", (folder + "/run").c_str(), 1);
    platform::SetMessageBoxRecording(true);
    platform::SetCallRecording(true);
    platform::UseVirtualClock(true);
}

TEST(ConfigureApplication, ConfiguresTheEngineAndSizesTheGameTables) {
    testsupport::TempDir dir;
    EXPECT_EQ(InChild([&] {
                  // The log name is resolved in the program folder.
                  PrepareBoot(dir.path());
                  SetCurrentDirectoryA(dir.path().c_str());
                  testsupport::WriteFile(dir.file("system_log.html"), "previous run");
                  CameraHandle = 5;
                  SetStageBossMaker(nullptr);
                  ASSERT_TRUE(ConfigureApplication());
                  EXPECT_STREQ(Kestra::GetApplicationName(), "Quenrith ver1.12");
                  uint32_t w = 0, h = 0;
                  bool windowed = false;
                  Kestra::GetScreenInfo(&w, &h, &windowed);
                  EXPECT_EQ(w, 640u);
                  EXPECT_EQ(h, 480u);
                  EXPECT_TRUE(windowed);
                  EXPECT_EQ(Kestra::GetFrameRate(), 60u);
                  EXPECT_EQ(Kestra::GetUseFlags(), 3u);
                  EXPECT_EQ(KestraSound::GetMaxSounds(), 128u);
                  ASSERT_EQ(SpriteTable.size(), 80u);
                  for (const SpriteEntry& e : SpriteTable) {
                      EXPECT_EQ(e.texture, nullptr);
                      EXPECT_EQ(e.sprite, nullptr);
                  }
                  ASSERT_EQ(FontTable.size(), 2u);
                  EXPECT_EQ(FontTable[0], nullptr);
                  EXPECT_EQ(FontTable[1], nullptr);
                  EXPECT_EQ(CameraHandle, -1);
                  // The stages' bosses can be made.
                  const std::unique_ptr<cBossBase> boss(CreateStageBoss(200, 1, 0, 0, 0));
                  EXPECT_NE(boss, nullptr);
                  EXPECT_FALSE(testsupport::FileExists(dir.file("system_log.html")));
              }),
              0);
}

// Moves virtual time on by 10 us with every clock read and closes the window
// after 1.5 s.
void CloseAfterOneAndAHalfSeconds(void*) {
    platform::AdvanceVirtualClock(100);
    static bool closed = false;
    if (!closed && platform::VirtualClockNow() > 15'000'000 && Kestra::GetWindowHandle()) {
        closed = true;
        PostMessageA(Kestra::GetWindowHandle(), WM_CLOSE, 0, 0);
    }
}

// The game booted in `folder` until its window closes 1.5 s on, with its
// window messages also going to `onMessage`.
void BootForOneAndAHalfSeconds(const std::string& folder, Kestra::MessageHook onMessage) {
    PrepareBoot(folder);
    platform::SetVirtualClockHook(CloseAfterOneAndAHalfSeconds, nullptr);
    Kestra::SetGameFunctions(ConfigureApplication, RunGame, onMessage);
    EXPECT_EQ(Kestra::Boot(GetModuleHandleA(nullptr), 0, nullptr), 0);
}

TEST(RunGame, RunsPacedFramesWithCaptionStatisticsUntilTheWindowCloses) {
    testsupport::TempDir dir;
    EXPECT_EQ(InChild([&] {
                  BootForOneAndAHalfSeconds(dir.path(), OnWindowMessage);
                  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
                  std::vector<std::string> captions;
                  for (const std::string& line : platform::RecordedCalls())
                      if (line.rfind("SetWindowTextA ", 0) == 0) captions.push_back(line);
                  // One counter-second passed while the window was open; the title
                  // draws six quads, twelve triangles, a frame.
                  EXPECT_EQ(captions, std::vector<std::string>{
                                          "SetWindowTextA Quenrith ver1.12 FPS[60] PPS[708] PPF[11] PPF3D[0]"});
                  EXPECT_EQ(CameraHandle, -1);
              }),
              0);
    const std::string log = testsupport::ReadFile(dir.file("system_log.html"));
    EXPECT_NE(log.find(testsupport::Utf8ToCp932(U8(u8"アプリケーション開始"))), std::string::npos);
    EXPECT_NE(log.find(testsupport::Utf8ToCp932(U8(u8"KestraSurfaceクラスの解放"))), std::string::npos);
    EXPECT_EQ(log.substr(log.size() - 18), "</BODY>\r\n</HTML>\r\n");
}

// The view transform on the device when the window is asked to close.
D3DMATRIX g_viewAtClose;
bool g_viewSeen = false;
void CaptureViewAtClose(UINT message, WPARAM, LPARAM) {
    if (message != WM_CLOSE || !Kestra3D::GetDevice()) return;
    g_viewSeen = SUCCEEDED(Kestra3D::GetDevice()->GetTransform(D3DTS_VIEW, &g_viewAtClose));
}

TEST(RunGame, PlacesTheCameraFiftyUnitsBeforeTheOriginEveryFrame) {
    testsupport::TempDir dir;
    EXPECT_EQ(InChild([&] {
                  BootForOneAndAHalfSeconds(dir.path(), CaptureViewAtClose);
                  ASSERT_TRUE(g_viewSeen);
                  // Looking down +z from (0, 0, -50) with +y up: identity axes, eye moved 50 back.
                  const float expected[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 50, 1}};
                  for (int r = 0; r < 4; ++r)
                      for (int c = 0; c < 4; ++c) EXPECT_NEAR(g_viewAtClose.m[r][c], expected[r][c], 1e-5f) << r << c;
              }),
              0);
}

// Each object the exit deletes notes its kind and how many surfaces the
// engine still lists then (the game's one is the depth-stencil surface).
std::vector<std::pair<std::string, int>> g_deleted;
void NoteDeleted(const char* kind) {
    const CSurfaceManager* surfaces = KestraSurface::GetManager();
    g_deleted.emplace_back(kind, surfaces ? int(surfaces->GetCount()) : -1);
}
template <class Base>
struct Noted : Base {
    explicit Noted(const char* kind) : kind_(kind) {}
    ~Noted() override { NoteDeleted(kind_); }
    const char* kind_;
};
struct NotedEnemy : Noted<cEnemyObjectBase> {
    NotedEnemy() : Noted("enemy") {}
    void Update() override {}
    void Draw() override {}
};

// When the window is asked to close, one noted object of each kind joins the
// object lists and the boss and player slots.
void FillListsAtClose(UINT message, WPARAM, LPARAM) {
    if (message != WM_CLOSE) return;
    cObjectManager& m = ObjectManager;
    m.enemyBullets.push_back(new Noted<cEnemyBulletBase>("enemy bullet"));
    m.playerBullets.push_back(new Noted<cPlayerBulletBase>("player bullet"));
    m.effects.push_back(new Noted<cEffectObjectBase>("effect"));
    m.enemyList.push_back(new NotedEnemy());
    m.mapBlocks.push_back(new Noted<cMapHitObjectBase>("map block"));
    for (auto [slot, kind] : {std::pair{&BossA, "boss A"}, {&BossB, "boss B"}}) {
        delete *slot;
        *slot = new Noted<cBossBase>(kind);
    }
    for (auto [slot, kind] : {std::pair{&Player1, "player 1"}, {&Player2, "player 2"}}) {
        delete *slot;
        *slot = new Noted<cPlayerBase>(kind);
    }
}

// The exit deletes the bullets and effects, then the bosses and players, then
// lets the depth-stencil surface go, and only then deletes the enemies and the
// map blocks; the slots end empty.
TEST(RunGame, ExitDeletesThePoolsThenBossesAndPlayersThenTheDepthBufferThenTheStageObjects) {
    testsupport::TempDir dir;
    EXPECT_EQ(InChild([&] {
                  BootForOneAndAHalfSeconds(dir.path(), FillListsAtClose);
                  ASSERT_EQ(g_deleted.size(), 9u);
                  const int surfaces = g_deleted[0].second;
                  EXPECT_GE(surfaces, 1);
                  const std::vector<std::pair<std::string, int>> want = {
                      {"enemy bullet", surfaces}, {"player bullet", surfaces}, {"effect", surfaces},
                      {"boss A", surfaces},       {"boss B", surfaces},        {"player 1", surfaces},
                      {"player 2", surfaces},     {"enemy", surfaces - 1},     {"map block", surfaces - 1}};
                  EXPECT_EQ(g_deleted, want);
                  EXPECT_EQ(BossA, nullptr);
                  EXPECT_EQ(Player2, nullptr);
                  EXPECT_TRUE(ObjectManager.enemyList.empty() && ObjectManager.mapBlocks.empty() &&
                              ObjectManager.effects.empty());
              }),
              0);
}

TEST(RunGame, ReturnsAtOnceWhenTheEngineCannotStart) {
    testsupport::TempDir dir;
    EXPECT_EQ(InChild([&] {
                  PrepareBoot(dir.path());
                  platform::SetVirtualClockHook([](void*) { platform::AdvanceVirtualClock(1000); }, nullptr);
                  platform::InjectFault("CreateDevice");
                  Kestra::SetGameFunctions(ConfigureApplication, RunGame, OnWindowMessage);
                  EXPECT_EQ(Kestra::Boot(GetModuleHandleA(nullptr), 0, nullptr), 0);
                  const auto boxes = platform::RecordedMessageBoxes();
                  ASSERT_EQ(boxes.size(), 1u);
                  EXPECT_EQ(boxes[0].text, testsupport::Utf8ToCp932(U8(u8"３Ｄシステムの起動に失敗")));
              }),
              0);
    const std::string log = testsupport::ReadFile(dir.file("system_log.html"));
    EXPECT_EQ(log.find(testsupport::Utf8ToCp932(U8(u8"アプリケーション開始"))), std::string::npos);
    EXPECT_EQ(log.find(testsupport::Utf8ToCp932("KestraSurface")), std::string::npos);
}

}  // namespace
