// Configuration callback and main loop.
#include "game/shell/GameMain.h"

#include "engine/core/Kestra.h"
#include "engine/core/KestraFile.h"
#include "engine/core/KestraSound.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraManagers.h"
#include "game/bosses/BossFactory.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/GameScene.h"
#include "game/shell/GameTables.h"
#include "game/shell/Input.h"
#include "game/shell/KeyConfig.h"
#include "game/shell/ResultScene.h"
#include "game/shell/Title.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/ScoreData.h"
#include "game/state/ScreenLayout.h"
#include "game/state/cBossBase.h"

int32_t CameraHandle = -1;

namespace {
constexpr uint32_t kRenderStateZEnable = 7;
constexpr uint32_t kRenderStateZWriteEnable = 14;
constexpr uint32_t kRenderStateCullMode = 22;
constexpr uint32_t kCullCounterClockwise = 3;
constexpr uint32_t kClearTargetAndDepth = 3;
constexpr uint32_t kClearColor = 0xFF5A5A78;

void RunScene(int32_t scene) {
    switch (scene) {
        case kSceneTitle: UpdateTitle(); break;
        case kSceneGame: UpdateGameScene(); break;
        case kSceneResult: UpdateResultScene(); break;
        default: break;  // a cleared screen
    }
}
}  // namespace

bool ConfigureApplication() {
    Kestra::SetApplicationName("Quenrith ver1.12");
    Kestra::SetScreenInfo(layout::kScreenWidth, layout::kScreenHeight, true);
    Kestra::SetFrameRate(60);
    Kestra::EnableCaptionStats();
    Kestra::EnableMouseCursor();
    Kestra::SetLogFile("system_log", "html");
    KestraFile::Mount(0, "data", "data.bin");
    Kestra::SetUseFlags(KESTRA_USE_INPUT | KESTRA_USE_SOUND);
    SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
    FontTable.assign(kFontTableSize, nullptr);
    CameraHandle = -1;
    KestraSound::SetMaxSounds(128);
    InstallStageBosses();
    return true;
}

void RunGame(int, char**) {
    if (!Kestra::Start()) return;

    Kestra3D::SetAlphaTestEnable(true);
    Kestra3D::SetFilterEnable(false);
    Kestra3D::SetBlendingType(1);
    Kestra3D::SetDepthTestEnable(true);

    CSurface* depthStencil = KestraSurface::CreateDepthStencil(layout::kScreenWidth, layout::kScreenHeight, 1);
    Kestra3D::SetDepthStencil(depthStencil);

    CameraHandle = KestraCamera::Create();
    KestraCamera::SetProjection(CameraHandle, 1.0471976f, 1.0f, 1000.0f, 1.3333334f);

    Kestra3D::SetRenderState(kRenderStateZEnable, 1);
    Kestra3D::SetRenderState(kRenderStateZWriteEnable, 1);
    Kestra3D::SetRenderState(kRenderStateCullMode, kCullCounterClockwise);

    LoadTitleSprites();
    LoadSoundsAndFonts();
    LoadKeyMap();

    const CVector3 eye(0.0f, 0.0f, -50.0f);
    const CVector3 target(0.0f, 0.0f, 0.0f);
    while (Kestra::WaitForMessage(false)) {
        Kestra3D::Clear(kClearTargetAndDepth, kClearColor, 1.0f, 0, nullptr);
        UpdateInput();
        AdvancePlayTime(ScoreData);

        KestraCamera::Reset(CameraHandle);
        KestraCamera::LookAt(CameraHandle, &eye, &target, nullptr);
        KestraCamera::Update(CameraHandle);
        Kestra3D::SetCamera(CameraHandle);

        RunScene(GameState.sceneId);
        Kestra3D::Present(nullptr);
    }

    // Ranking, counters and play time are kept at every exit.
    SaveScoreFile();
    ObjectManager.DeletePools();
    delete BossA;
    delete BossB;
    delete Player1;
    delete Player2;
    BossA = BossB = nullptr;
    Player1 = Player2 = nullptr;
    KestraSurface::Release(depthStencil);
    ObjectManager.DeleteStageObjects();
    ReleaseGameTables();
    KestraCamera::Release(CameraHandle);
    CameraHandle = -1;
}

void OnWindowMessage(UINT, WPARAM, LPARAM) {}
