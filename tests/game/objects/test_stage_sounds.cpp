// Leaving stage 3 for stage 4 through the tally: the stage-3 sounds are
// released, their handles are -1, and nothing of stage 4 can play them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/Kestra.h"
#include "engine/core/KestraFile.h"
#include "engine/core/KestraFrameState.h"
#include "engine/core/KestraSound.h"
#include "game/objects/PlayCommon.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/GameScene.h"
#include "game/shell/StageResources.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"
#include "platform/win32/testing.h"
#include "platform/win32/win32.h"
#include "tests/game/objects/play_harness.h"
#include "tests/platform/torvi/torvi_test_util.h"
#include "tests/support/test_support.h"

namespace {

const char* const kStage3Sounds[] = {"SE/rt_laser20.wav", "SE/shatter.wav", "SE/raser_long.wav"};

bool IsStage3Sound(const char* name) {
    for (const char* s : kStage3Sounds)
        if (std::string(name) == s) return true;
    return false;
}

class StageSounds : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ClearFaults();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        char previous[1024] = {};
        GetCurrentDirectoryA(sizeof previous, previous);
        previous_ = previous;
        namespace fs = std::filesystem;
        const fs::path root(dir_.path());
        fs::create_directories(root / "data" / "SE");
        fs::create_directories(root / "data" / "stagedata");
        // A short real sound for each name, so the slots are real ones.
        const std::string wave = torvitest::Wave(1, 1, 16, 22050, std::string(4410 * 2, '\x10'));
        for (const char* s : kStage3Sounds) testsupport::WriteFile((root / "data" / s).string(), wave);
        for (const char* f : {"Stage03.dat", "Stage031Enemy.dat", "Stage04.dat", "Stage041Enemy.dat"})
            fs::copy_file(fs::path(QUENRITH_SOURCE_DIR) / "data" / "stagedata" / f, root / "data" / "stagedata" / f);
        ASSERT_TRUE(SetCurrentDirectoryA(dir_.path().c_str()));
        ASSERT_TRUE(KestraFile::Initialize());
        KestraFile::Mount(0, "data", nullptr);
        Kestra::detail::Frame().window = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x5150));
        ASSERT_TRUE(KestraSound::Initialize());
        SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
    }
    void TearDown() override {
        playtest::ClearField();
        SoundTable = cSoundTable();
        BgmHandle = kNoSound;
        KestraSound::Finalize();
        KestraFile::Finalize();
        Kestra::detail::Frame().window = nullptr;
        platform::ClearFaults();
        SetCurrentDirectoryA(previous_.c_str());
    }

    testsupport::TempDir dir_;
    std::string previous_;
};

TEST_F(StageSounds, LeavingStageThreePlaysNoStaleStageThreeSoundInStageFour) {
    testing::internal::CaptureStdout();  // the images are missing: a line each
    LoadStageResources(3);
    playtest::StartSchedule(3, 1);
    testing::internal::GetCapturedStdout();
    const uint32_t handles[] = {SoundTable.rt_laser20, SoundTable.shatter, SoundTable.raser_long_stage3};
    for (size_t i = 0; i < 3; ++i) {
        const KestraSoundSlot* slot = KestraSound::GetSlot(handles[i]);
        ASSERT_NE(slot, nullptr) << kStage3Sounds[i];
        EXPECT_STREQ(slot->name, kStage3Sounds[i]);
    }
    for (int i = 0; i < 300; ++i) playtest::PlayScheduleFrame();

    // The tally's last press moves on to stage 4.
    GameState.practice = 0;
    GameState.subState = kSubStateTally;
    GameState.tallyTimer = 151;
    playtest::SetButtons(0, 0);
    playtest::SetButtons(0, PAD_SHOT);
    testing::internal::CaptureStdout();
    UpdateGameScene();
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(GameState.stage, 4);
    ASSERT_EQ(GameState.subState, kSubStatePlay);
    EXPECT_EQ(SoundTable.rt_laser20, kNoSound);
    EXPECT_EQ(SoundTable.shatter, kNoSound);
    EXPECT_EQ(SoundTable.raser_long_stage3, kNoSound);

    // Every frame of stage 4: no slot holds a stage-3 sound, and a slot that
    // took an old number (the music may) is not one.
    for (int frame = 0; frame < 1500; ++frame) {
        playtest::PlayScheduleFrame();
        ASSERT_EQ(SoundTable.rt_laser20, kNoSound);
        ASSERT_EQ(SoundTable.shatter, kNoSound);
        ASSERT_EQ(SoundTable.raser_long_stage3, kNoSound);
        for (uint32_t s = 0; s < KestraSound::GetMaxSounds(); ++s) {
            const KestraSoundSlot* slot = KestraSound::GetSlot(s);
            ASSERT_TRUE(!slot || !IsStage3Sound(slot->name)) << "frame " << frame << " slot " << s;
        }
    }
    EXPECT_GT(StageFrame, 1000);
}

}  // namespace

namespace {

void HearHandle(uint32_t handle, void* context) { static_cast<std::vector<uint32_t>*>(context)->push_back(handle); }

// Stage 5 after stage 3: the railgun sounds on the laser loaded at start-up,
// and the stage-3 handle, released, names no sound: the music that took its
// slot is never restarted by a boss.
TEST_F(StageSounds, TheRailgunIsHeardAndNeverRestartsTheMusicInTheFreedSlot) {
    SoundTable.raser_long = KestraSound::CreateFromFile("SE/raser_long.wav", 0, true, true, 1);
    ASSERT_NE(SoundTable.raser_long, kNoSound);
    testing::internal::CaptureStdout();
    LoadStageResources(3);
    const uint32_t stage3Laser = SoundTable.raser_long_stage3;
    ASSERT_NE(stage3Laser, kNoSound);
    ReleaseStageResources(3);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(SoundTable.raser_long_stage3, kNoSound);
    EXPECT_EQ(KestraSound::GetSlot(stage3Laser), nullptr);
    // The next music takes the first free slot: one the stage-3 sounds left.
    BgmHandle = KestraSound::CreateFromFile("SE/shatter.wav", 0, true, false, 1);
    ASSERT_NE(BgmHandle, kNoSound);
    EXPECT_LE(BgmHandle, stage3Laser);

    playtest::ResetField(3);
    playtest::StartPlayers(2, false, 320, 400);
    GameState.stage = 5;
    testing::internal::CaptureStdout();
    ObjectManager.SpawnStageObject(500, 100, 205, 0, 0, elements::kFire, 0.0f, 0.0f, 0.0f, 0);
    testing::internal::GetCapturedStdout();
    ASSERT_NE(BossB, nullptr);
    cBossBase* b = BossB;
    b->active = 1;
    b->phase = 3;
    b->hp = 0.0f;
    b->NextPhase();  // into the railgun
    ASSERT_EQ(b->phase, 4);
    b->hp = 1e6f;
    std::vector<uint32_t> heard;
    SetSoundRecorder(HearHandle, &heard);
    for (int32_t f = 0; f < 200; ++f) b->Update();
    SetSoundRecorder(nullptr, nullptr);
    size_t lasers = 0;
    for (uint32_t h : heard) {
        EXPECT_NE(h, BgmHandle);
        EXPECT_NE(h, stage3Laser);
        if (h == SoundTable.raser_long) ++lasers;
    }
    EXPECT_EQ(lasers, 2u);  // a beam at frame 60, the next 130 frames on
    const KestraSoundSlot* slot = KestraSound::GetSlot(SoundTable.raser_long);
    ASSERT_NE(slot, nullptr);
    EXPECT_STREQ(slot->name, "SE/raser_long.wav");
}

}  // namespace
