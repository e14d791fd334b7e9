// The configuration screen and the volume file.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "game/shell/ConfigScreen.h"
#include "game/shell/MenuCommon.h"
#include "game/shell/Title.h"
#include "game/state/GameGlobals.h"
#include "game/state/SpriteTable.h"
#include "platform/win32/testing.h"
#include "tests/game/shell/shell_fixture.h"

namespace {

class VolumeFile : public shelltest::ShellFolder {};

TEST_F(VolumeFile, SavesOneLineAndLoadsItBack) {
    MakeSaveFolder();
    GameState.bgmVolume = 100;
    GameState.seVolume = 80;
    SaveVolumeFile();
    EXPECT_EQ(testsupport::ReadFile(File("save/vol.dat")), "100 80\r\n");
    GameState = cGameState();
    LoadVolumeFile();
    EXPECT_EQ(GameState.bgmVolume, 100);
    EXPECT_EQ(GameState.seVolume, 80);
}

TEST_F(VolumeFile, ReadsWhatItCanAndKeepsTheRest) {
    MakeSaveFolder();
    struct Case {
        const char* text;
        int music, effects;
    };
    const Case cases[] = {
        {"50", 50, 90},          {"150 -5\n", 150, -5},    {"", 90, 90},
        {"garbage 10", 90, 90},  {"70 x", 70, 90},         {"\n60 60", 90, 90},
        {"  40\t30", 40, 30},    {"99999999999 -99999999999", 2147483647, -2147483647 - 1},
        {"20 30 40", 20, 30},    {"20 30\r\r\n", 20, 30},
    };
    for (const Case& c : cases) {
        testsupport::WriteFile(File("save/vol.dat"), c.text);
        GameState = cGameState();
        LoadVolumeFile();
        EXPECT_EQ(GameState.bgmVolume, c.music) << c.text;
        EXPECT_EQ(GameState.seVolume, c.effects) << c.text;
    }
    // The last file would not be written back the same (only a CR before LF is
    // the line end): the save keeps it first.
    SaveVolumeFile();
    EXPECT_EQ(testsupport::ReadFile(File("save/vol.dat.damaged")), "20 30\r\r\n");
}

TEST_F(VolumeFile, WithoutTheSaveFolderNothingIsReadOrWritten) {
    LoadVolumeFile();
    EXPECT_EQ(GameState.bgmVolume, 90);
    SaveVolumeFile();
    EXPECT_FALSE(std::filesystem::exists(File("save")));
}

class ConfigScreen : public shelltest::TitleFolder {
protected:
    void SetUp() override {
        TitleFolder::SetUp();
        MakeSaveFolder();
        TitleState.state = kTitleConfig;
    }
};

TEST_F(ConfigScreen, VolumesStepByTenAndAreSavedOnLeaving) {
    // Every handle its own number, so that the calls name what they touch.
    uint32_t handles[sizeof(cSoundTable) / sizeof(uint32_t)];
    for (uint32_t i = 0; i < std::size(handles); ++i) handles[i] = 100 + i;
    static_assert(sizeof handles == sizeof(cSoundTable));
    std::memcpy(static_cast<void*>(&SoundTable), handles, sizeof handles);
    BgmHandle = 99;
    const auto calls = [this](uint16_t pushed1, uint16_t pushed2 = 0) {
        platform::ClearRecordedCalls();
        platform::SetCallRecording(true);
        Frame(pushed1, pushed2);
        platform::SetCallRecording(false);
        return platform::RecordedCalls();
    };
    const std::string click = std::to_string(SoundTable.shot_small), focus = std::to_string(SoundTable.titlefocus);
    // The music's volume goes to the click and the music.
    EXPECT_EQ(calls(PAD_RIGHT),
              (std::vector<std::string>{"KestraSound::SetVolume " + click + " 100 0", "KestraSound::SetVolume 99 100 0"}));
    Frame(PAD_RIGHT);
    EXPECT_EQ(GameState.bgmVolume, 100);
    Frame(0, PAD_RIGHT);  // only player 1 changes a volume
    EXPECT_EQ(GameState.bgmVolume, 100);
    Frame(PAD_DOWN);
    // The effects' volume goes to the click and the cursor sound, nothing else.
    EXPECT_EQ(calls(PAD_LEFT),
              (std::vector<std::string>{"KestraSound::SetVolume " + click + " 80 0", "KestraSound::SetVolume " + focus + " 80 0"}));
    EXPECT_EQ(GameState.seVolume, 80);
    EXPECT_FALSE(testsupport::FileExists(File("save/vol.dat")));
    Frame(PAD_DOWN);
    Frame(PAD_DOWN);
    EXPECT_EQ(TitleState.configCursor, 3);
    // Leaving gives every effect but the five of stages 3 and 6 the effects' volume.
    const std::vector<std::string> leaving = calls(0, PAD_SHOT);
    EXPECT_EQ(std::set<std::string>(leaving.begin(), leaving.end()).size(), 34u);
    for (const std::string& call : leaving) EXPECT_TRUE(call.starts_with("KestraSound::SetVolume 1") && call.ends_with(" 80 0")) << call;
    platform::ClearRecordedCalls();
    SoundTable = cSoundTable{};
    BgmHandle = kNoSound;
    EXPECT_EQ(TitleState.state, kTitleMenu);
    EXPECT_EQ(testsupport::ReadFile(File("save/vol.dat")), "100 80\r\n");
}

TEST_F(ConfigScreen, OffGridValuesStayOffTheGrid) {
    GameState.bgmVolume = 95;
    Frame(PAD_RIGHT);
    EXPECT_EQ(GameState.bgmVolume, 95);
    Frame(PAD_LEFT);
    EXPECT_EQ(GameState.bgmVolume, 85);
    GameState.bgmVolume = 0;
    Frame(PAD_LEFT);
    EXPECT_EQ(GameState.bgmVolume, 0);
    Frame(PAD_UP);
    EXPECT_EQ(TitleState.configCursor, 3);
}

TEST_F(ConfigScreen, TheKeyConfigurationOpensAndReturnsHere) {
    Frame(PAD_DOWN);
    Frame(PAD_DOWN);
    Frame(0, PAD_SHOT);  // either player opens it
    ASSERT_EQ(TitleState.state, kTitleKeyConfig);
    ASSERT_NE(TitleState.keyConfig, nullptr);
    Frame(PAD_SHOT);  // column 0: leave
    EXPECT_EQ(TitleState.state, kTitleConfig);
    EXPECT_EQ(TitleState.keyConfig, nullptr);
}

struct Digit {
    float x, y, sx;
};
void CollectDigits(const SpriteDrawRecord& r, void* context) {
    if (r.dst[2] == 15 && r.dst[3] == 26) static_cast<std::vector<Digit>*>(context)->push_back({r.dst[0], r.dst[1], r.src[0]});
}

TEST_F(ConfigScreen, VolumesOutsideTheRangeAreDrawnClamped) {
    std::vector<Digit> digits;
    SetSpriteDrawRecorder(CollectDigits, &digits);
    GameState.seVolume = -5;
    GameState.bgmVolume = 150;
    DrawTitle();
    ASSERT_EQ(digits.size(), 6u);
    // Effects first at y 247: 000; music at y 170: 100.
    const float expected[6] = {640, 640, 640, 655, 640, 640};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(digits[i].sx, expected[i]) << i;
        EXPECT_EQ(digits[i].y, i < 3 ? 247 : 170);
    }
    EXPECT_EQ(ClampVolume(-5), 0.0f);
    EXPECT_EQ(ClampVolume(150), 100.0f);
    EXPECT_EQ(ClampVolume(70), 70.0f);
}

}  // namespace
