// A scratch program folder as the current directory, with the shell's files
// and its input source reset around each test.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "game/shell/GameStart.h"
#include "game/shell/Input.h"
#include "game/shell/MenuCommon.h"
#include "game/shell/Title.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/ScoreData.h"
#include "game/state/SpriteTable.h"
#include "platform/win32/testing.h"
#include "platform/win32/win32.h"
#include "tests/support/test_support.h"

namespace shelltest {

using testsupport::U8;

class ShellFolder : public ::testing::Test {
protected:
    void SetUp() override {
        char previous[1024] = {};
        GetCurrentDirectoryA(sizeof previous, previous);
        previous_ = previous;
        ASSERT_TRUE(SetCurrentDirectoryA(dir_.path().c_str()));
        ScoreData = cScoreData();
        GameState = cGameState();
        KeyMap = cKeyMap{};
        std::memset(PadWords, 0, sizeof PadWords);
        StageFrame = 0;
        ScrollX = ScrollY = 0.0f;
        ScrollHalt = 0;
    }
    void TearDown() override {
        platform::ClearFaults();
        SetInputSource(nullptr);
        SetCurrentDirectoryA(previous_.c_str());
    }
    std::string File(const std::string& name) const { return dir_.file(name); }
    void MakeSaveFolder() const { std::filesystem::create_directories(dir_.file("save")); }

    testsupport::TempDir dir_;
    std::string previous_;
};

// One frame's words as a press gives them: the given bits pushed, the others idle.
inline void Press(uint16_t pushed1, uint16_t pushed2 = 0) {
    PadWords[0] = PadWord{static_cast<uint16_t>(~pushed1), pushed1, 0, 0};
    PadWords[1] = PadWord{static_cast<uint16_t>(~pushed2), pushed2, 0, 0};
}

// The title scene on its own: empty tables, the title reset, and a frame
// driven by one press.
class TitleFolder : public ShellFolder {
protected:
    void SetUp() override {
        ShellFolder::SetUp();
        TitleState = cTitleState();
        ResetTitleState();
        SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
        FontTable.assign(kFontTableSize, nullptr);
    }
    void TearDown() override {
        SetGameStartCalls(nullptr);
        SetSpriteDrawRecorder(nullptr, nullptr);
        ResetTitleState();
        ShellFolder::TearDown();
    }
    void Frame(uint16_t pushed1, uint16_t pushed2 = 0) {
        Press(pushed1, pushed2);
        UpdateTitle();
    }
};

// Every byte inverted, as the score file stores its text.
inline std::string Inverted(std::string bytes) {
    for (char& c : bytes) c = static_cast<char>(~static_cast<unsigned char>(c));
    return bytes;
}

}  // namespace shelltest
