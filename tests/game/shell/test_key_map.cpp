// "KeyMap.ini", key names and the key configuration screen's sequences.
#include <gtest/gtest.h>

#include <iterator>
#include <utility>

#include "game/shell/KeyConfig.h"
#include "tests/game/shell/effect_probe.h"
#include "tests/game/shell/fake_input.h"
#include "tests/game/shell/shell_fixture.h"

namespace {

using K = cKeyConfigScreen;

class KeyMapFile : public shelltest::ShellFolder {
protected:
    void SetUp() override {
        ShellFolder::SetUp();
        devices_.Install();
    }
    shelltest::FakeDevices devices_;
};

const uint8_t kReaderKeys[10] = {200, 208, 203, 205, 44, 45, 46, 47, 30, 31};
const uint8_t kReaderButtons[6] = {0, 1, 2, 3, 6, 9};

TEST_F(KeyMapFile, DefaultsAreWrittenAsTheExactCrLfFile) {
    KeyMap.systemKeyboard = 0;
    ResetKeyMapToDefaults();
    std::string expected = "[SYSTEM]\r\nKEYBOARD=0\r\n";
    const char* keys[2] = {"KEY_UP=200\r\nKEY_DOWN=208\r\nKEY_RIGHT=205\r\nKEY_LEFT=203\r\nKEY_SHOT=44\r\n"
                           "KEY_DIRECT=45\r\nKEY_ELEMENT=46\r\nKEY_FORCE=47\r\nKEY_CHANGE=48\r\nKEY_MENU=57\r\n",
                           "KEY_UP=17\r\nKEY_DOWN=31\r\nKEY_RIGHT=32\r\nKEY_LEFT=30\r\nKEY_SHOT=33\r\n"
                           "KEY_DIRECT=34\r\nKEY_ELEMENT=35\r\nKEY_FORCE=36\r\nKEY_CHANGE=37\r\nKEY_MENU=38\r\n"};
    for (int p = 0; p < 2; ++p)
        expected += "[PLAYER" + std::to_string(p + 1) + "]\r\nPADNO=" + std::to_string(p) +
                    "\r\nKEYBOARD=1\r\nSHOT=0\r\nDIRECT=1\r\nELEMENT=2\r\nFORCE=3\r\nCHANGE=4\r\nMENU=5\r\n" + keys[p];
    EXPECT_EQ(testsupport::ReadFile(File("KeyMap.ini")), expected);
    EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), 40);
    // A present pad makes its player a pad player.
    devices_.present[0] = true;
    ResetKeyMapToDefaults();
    EXPECT_EQ(KeyMap.keyboard[0], 0);
    EXPECT_EQ(KeyMap.keyboard[1], 1);
}

TEST_F(KeyMapFile, AMissingFileGivesTheReaderDefaults) {
    devices_.present[0] = true;
    LoadKeyMap();
    for (int p = 0; p < 2; ++p) {
        EXPECT_EQ(std::vector<uint8_t>(KeyMap.keys[p], KeyMap.keys[p] + 10), std::vector<uint8_t>(kReaderKeys, kReaderKeys + 10));
        EXPECT_EQ(std::vector<uint8_t>(KeyMap.buttons[p], KeyMap.buttons[p] + 6),
                  std::vector<uint8_t>(kReaderButtons, kReaderButtons + 6));
        EXPECT_EQ(KeyMap.padNo[p], 0);
        EXPECT_EQ(KeyMap.keyboard[p], 1);
    }
    EXPECT_EQ(KeyMap.systemKeyboard, 0);
}

TEST_F(KeyMapFile, HandMadeFilesGiveTheirValuesTruncatedToEightBits) {
    devices_.present[0] = true;  // one pad
    testsupport::WriteFile(File("KeyMap.ini"),
                           "[system]\nkeyboard=2\n"
                           "[Player1]\npadno=-1\nKEYBOARD=0\nKEY_UP=456\nshot=55zz\nKey_Menu= 57 \n"
                           "[PLAYER2]\r\nPADNO=1\r\nKEYBOARD=0\r\nMENU=-1\r\n");
    LoadKeyMap();
    EXPECT_EQ(KeyMap.systemKeyboard, 0);  // only 1 sets it
    EXPECT_EQ(KeyMap.padNo[0], -1);
    EXPECT_EQ(KeyMap.keyboard[0], 0);     // -1 is below the pad count
    EXPECT_EQ(KeyMap.keys[0][0], 456 & 0xFF);
    EXPECT_EQ(KeyMap.buttons[0][0], 55);
    EXPECT_EQ(KeyMap.keys[0][9], 57);
    EXPECT_EQ(KeyMap.keys[0][1], 208);
    EXPECT_EQ(KeyMap.padNo[1], 1);
    EXPECT_EQ(KeyMap.keyboard[1], 1);     // pad 1 is not present: keyboard forced
    EXPECT_EQ(KeyMap.buttons[1][5], 255);
    testsupport::WriteFile(File("KeyMap.ini"), "[SYSTEM]\nKEYBOARD=1\n");
    LoadKeyMap();
    EXPECT_EQ(KeyMap.systemKeyboard, 1);
    // Written back it would not be the same: the save keeps it first.
    SaveKeyMap();
    EXPECT_EQ(testsupport::ReadFile(File("KeyMap.ini.damaged")), "[SYSTEM]\nKEYBOARD=1\n");
}

TEST_F(KeyMapFile, ASavedMapLoadsBackUnchanged) {
    devices_.present[0] = devices_.present[1] = true;
    for (int p = 0; p < 2; ++p) {
        for (int i = 0; i < 10; ++i) KeyMap.keys[p][i] = static_cast<uint8_t>(16 + 20 * i + p);
        for (int i = 0; i < 6; ++i) KeyMap.buttons[p][i] = static_cast<uint8_t>(15 - i - p);
        KeyMap.keyboard[p] = static_cast<uint8_t>(p);
    }
    KeyMap.padNo[0] = 1;
    KeyMap.padNo[1] = -1;
    KeyMap.systemKeyboard = 1;
    const cKeyMap saved = KeyMap;
    SaveKeyMap();
    KeyMap = cKeyMap{};
    LoadKeyMap();
    EXPECT_EQ(std::memcmp(&KeyMap, &saved, sizeof saved), 0);
    // Its pad gone, the player falls back to the keyboard; the file is still as written, no damage.
    devices_.present[1] = false;
    LoadKeyMap();
    EXPECT_EQ(KeyMap.keyboard[0], 1);
    SaveKeyMap();
    EXPECT_FALSE(std::filesystem::exists(File("KeyMap.ini.damaged")));
}

TEST(KeyNames, NameTheDirectInputCodes) {
    EXPECT_STREQ(GetKeyName(57), "SPACE");
    EXPECT_STREQ(GetKeyName(1), "ESCAPE");
    EXPECT_STREQ(GetKeyName(11), "0");
    EXPECT_STREQ(GetKeyName(237), "MEDIASELECT");
    for (int code : {84, 0, 238, -5}) EXPECT_STREQ(GetKeyName(code), "unknown") << code;
    int named = 0;
    for (int code = 0; code < 256; ++code) named += std::string(GetKeyName(code)) != "unknown";
    EXPECT_EQ(named, 144);
}

// The screen driven frame by frame: input words and raw devices as a player gives them.
class KeyConfigScreen : public KeyMapFile {
protected:
    void SetUp() override {
        KeyMapFile::SetUp();
        LoadKeyMap();  // reader defaults, both players on the keyboard
    }
    // One frame with the given pushed bits for player 1.
    bool Frame(uint16_t pushed = 0, uint32_t press = 0) {
        PadWords[0].pushed = pushed;
        PadWords[1].pushed = 0;
        if (press) devices_.presses.push_back(press);
        return screen_.Update();
    }
    cKeyConfigScreen screen_;
};

TEST_F(KeyConfigScreen, StartsOnLeaveAndLeavesOnShot) {
    EXPECT_EQ(screen_.column, K::kLeave);
    EXPECT_EQ(screen_.cells[10][0], 370);
    EXPECT_EQ(screen_.cells[9][1], 128 + 34 * 9);
    EXPECT_FALSE(Frame(PAD_LEFT));
    EXPECT_TRUE(Frame(PAD_SHOT));
}

// What each press of the browsing state does and which effect it plays:
// leaving is silent, moving clicks the focus, opening a question or a
// definition plays the shot.
TEST_F(KeyConfigScreen, BrowsingPressesPlayTheirEffectsAndLeavingIsSilent) {
    shelltest::EffectProbe probe(dir_.path(), {{"shot_small", &SoundTable.shot_small},
                                               {"titlefocus", &SoundTable.titlefocus}});
    struct Case {
        int column;
        uint16_t pushed;
        bool leaves;
        int columnAfter;
        const char* effect;  // null: none
        uint8_t defining;
        int32_t defaultsState;
    };
    const Case cases[] = {
        {K::kLeave, PAD_SHOT, true, K::kLeave, nullptr, 0, K::kNotAsked},
        {K::kPlayer1, PAD_SHOT, false, K::kPlayer1, "shot_small", 1, K::kNotAsked},
        {K::kPlayer2, PAD_SHOT, false, K::kPlayer2, "shot_small", 1, K::kNotAsked},
        {K::kDefaults, PAD_SHOT, false, K::kDefaults, "shot_small", 0, K::kAsking},
        {K::kLeave, PAD_RIGHT, false, K::kPlayer1, "titlefocus", 0, K::kNotAsked},
        {K::kDefaults, PAD_RIGHT, false, K::kDefaults, nullptr, 0, K::kNotAsked},
        {K::kDefaults, PAD_LEFT, false, K::kPlayer2, "titlefocus", 0, K::kNotAsked},
        {K::kLeave, PAD_LEFT, false, K::kLeave, nullptr, 0, K::kNotAsked},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "column " << c.column << " pushed " << c.pushed);
        cKeyConfigScreen screen;
        screen.column = c.column;
        PadWords[0].pushed = 0;
        PadWords[1].pushed = c.pushed;  // either player's word counts
        EXPECT_EQ(screen.Update(), c.leaves);
        EXPECT_EQ(screen.column, c.columnAfter);
        EXPECT_EQ(screen.defining, c.defining);
        EXPECT_EQ(screen.defaultsState, c.defaultsState);
        EXPECT_EQ(probe.Started(), c.effect ? std::vector<std::string>{c.effect} : std::vector<std::string>{});
    }
}

TEST_F(KeyConfigScreen, RedefiningSwapsKeysAndSavesAfterTheLastRow) {
    Frame(PAD_RIGHT);
    ASSERT_EQ(screen_.column, K::kPlayer1);
    Frame(PAD_SHOT);
    ASSERT_TRUE(screen_.defining);
    // Player 1 takes W (17), D (32) ... ; SHOT becomes player 2's UP key (200).
    const uint32_t keys[10] = {17, 32, 31, 30, 200, 45, 46, 47, 48, 57};
    for (int row = 0; row < 10; ++row) {
        Frame(0);             // the latch clears between presses
        Frame(0, keys[row]);
    }
    EXPECT_FALSE(screen_.defining);
    EXPECT_EQ(screen_.row, 0);
    EXPECT_EQ(KeyMap.keys[0][4], 200);
    // Player 2's UP held 200 and received player 1's old SHOT key (44).
    EXPECT_EQ(KeyMap.keys[1][0], 44);
    // Player 1's own UP slot held 200 before; it took row 0's old key in turn.
    EXPECT_EQ(KeyMap.keys[0][0], 17);
    const std::string file = testsupport::ReadFile(File("KeyMap.ini"));
    EXPECT_NE(file.find("[PLAYER1]\r\nPADNO=0\r\nKEYBOARD=1\r\n"), std::string::npos);
    EXPECT_NE(file.find("KEY_SHOT=200\r\n"), std::string::npos);
}

TEST_F(KeyConfigScreen, TheLatchTakesOnePressPerReleaseAndEscapeIsIgnored) {
    Frame(PAD_RIGHT);
    Frame(PAD_SHOT);
    Frame(0, 17);  // the latch starts set: this press is dropped
    EXPECT_EQ(screen_.row, 0);
    Frame(0, 1);   // ESCAPE
    EXPECT_EQ(screen_.row, 0);
    Frame(0, 17);
    EXPECT_EQ(screen_.row, 1);
    Frame(0, 18);  // straight after a press: latched
    EXPECT_EQ(screen_.row, 1);
    Frame(0);
    Frame(0, 18);
    EXPECT_EQ(screen_.row, 2);
}

TEST_F(KeyConfigScreen, DefaultsAskThenWaitForAFreshPress) {
    for (int i = 0; i < 3; ++i) Frame(PAD_RIGHT);
    ASSERT_EQ(screen_.column, K::kDefaults);
    Frame(PAD_RIGHT);
    EXPECT_EQ(screen_.column, K::kDefaults);
    Frame(PAD_SHOT);
    ASSERT_EQ(screen_.defaultsState, K::kAsking);
    Frame(PAD_DOWN);
    EXPECT_EQ(screen_.row, 1);
    Frame(PAD_SHOT);  // the lower answer: no
    EXPECT_EQ(screen_.defaultsState, K::kNotAsked);
    EXPECT_FALSE(testsupport::FileExists(File("KeyMap.ini")));
    Frame(PAD_SHOT);
    Frame(PAD_UP);
    EXPECT_EQ(screen_.row, 1);
    Frame(PAD_UP);
    Frame(PAD_SHOT);
    EXPECT_EQ(screen_.defaultsState, K::kRestored);
    EXPECT_EQ(KeyMap.keys[0][8], 48);
    EXPECT_TRUE(testsupport::FileExists(File("KeyMap.ini")));
    Frame(0);
    Frame(PAD_SHOT);  // words do not end the panel, only a raw press
    EXPECT_EQ(screen_.defaultsState, K::kRestored);
    Frame(0, 30);
    EXPECT_EQ(screen_.defaultsState, K::kNotAsked);
    EXPECT_EQ(screen_.column, K::kDefaults);
}

TEST_F(KeyConfigScreen, APadPlayerTakesButtonsSkippingOnesAlreadyGiven) {
    devices_.present[0] = true;
    KeyMap.padNo[0] = 0;
    KeyMap.padNo[1] = 1;
    Frame(PAD_RIGHT);
    Frame(PAD_SHOT);
    KestraJoystickState& pad = devices_.pads[0];
    auto press = [&](int button) {
        pad.buttons[button] = 1;
        Frame(0);
        pad.buttons[button] = 0;
        Frame(0);
    };
    press(7);  // the first touch: pad mode, straight to SHOT
    EXPECT_EQ(KeyMap.keyboard[0], 0);
    EXPECT_EQ(screen_.row, 4);
    EXPECT_EQ(KeyMap.buttons[0][5], kNoPadButton);
    press(2);  // SHOT
    press(2);  // already SHOT: ignored for DIRECT
    EXPECT_EQ(screen_.row, 5);
    press(3);
    press(4);
    press(5);
    press(6);
    press(0);
    EXPECT_FALSE(screen_.defining);
    EXPECT_EQ(std::vector<uint8_t>(KeyMap.buttons[0], KeyMap.buttons[0] + 6), (std::vector<uint8_t>{2, 3, 4, 5, 6, 0}));
}

// A pad is touched by its hat, either stick past a third or one of its first 16 buttons, not by pulling it out.
TEST_F(KeyConfigScreen, APadTouchIsItsHatAStickPastAThirdOrOneOfSixteenButtons) {
    KeyMap.padNo[0] = 0;
    using Touch = void (*)(shelltest::FakeDevices&);
    const std::pair<Touch, bool> touches[] = {
        {[](shelltest::FakeDevices& d) { d.pads[0].pov[0] = 90; }, true},
        {[](shelltest::FakeDevices& d) { d.pads[0].axes[0] = -21846; }, true},
        {[](shelltest::FakeDevices& d) { d.pads[0].axes[0] = 21846; }, true},
        {[](shelltest::FakeDevices& d) { d.pads[0].axes[1] = -21846; }, true},
        {[](shelltest::FakeDevices& d) { d.pads[0].axes[1] = 21846; }, true},
        {[](shelltest::FakeDevices& d) { d.pads[0].buttons[15] = 1; }, true},
        {[](shelltest::FakeDevices& d) { d.pads[0].axes[1] = 21845; }, false},
        {[](shelltest::FakeDevices& d) { d.pads[0].buttons[16] = 1; }, false},
        {[](shelltest::FakeDevices& d) { d.present[0] = false; }, false},
    };
    for (size_t i = 0; i < std::size(touches); ++i) {
        devices_.present[0] = true;
        devices_.pads[0] = KestraJoystickState{};
        devices_.pads[0].pov[0] = 0xFFFFFFFFu;
        screen_ = cKeyConfigScreen();
        Frame(PAD_RIGHT);
        Frame(PAD_SHOT);
        touches[i].first(devices_);
        Frame(0);
        EXPECT_EQ(screen_.row == 4, touches[i].second) << i;
    }
}

TEST_F(KeyConfigScreen, APadPlayerWithoutAUsablePadNumberFinishesOnTheKeyboard) {
    devices_.present[1] = true;
    devices_.present[0] = true;
    KeyMap.padNo[0] = 0;
    KeyMap.padNo[1] = 5;  // no pad of the screen
    Frame(PAD_RIGHT);
    Frame(PAD_RIGHT);
    Frame(PAD_SHOT);
    ASSERT_EQ(screen_.column, K::kPlayer2);
    devices_.pads[1].buttons[0] = 1;  // pad 1 is nobody's: the pad number stays 5
    Frame(0);
    devices_.pads[1].buttons[0] = 0;
    ASSERT_EQ(screen_.row, 4);
    EXPECT_EQ(KeyMap.padNo[1], 5);
    // Buttons of any pad cannot reach this player; keys finish the rows.
    for (uint32_t key : {33u, 34u, 35u, 36u, 37u, 38u}) {
        Frame(0);
        Frame(0, key);
    }
    EXPECT_FALSE(screen_.defining);
    EXPECT_EQ(KeyMap.keys[1][9], 38);
    EXPECT_EQ(KeyMap.keyboard[1], 1);
}

// The first pad touched while a player's UP is asked: taking the other
// player's pad swaps the pad numbers, and with one pad the player who gave it
// up is moved to the keyboard, whichever of the two is being defined. A player
// whose own pad is not there takes the pad touched (a hand-made file or a pad
// unplugged), so that the pad the player ends with answers every row to come.
TEST_F(KeyConfigScreen, TakingTheOtherPlayersPadSwapsThePadNumbers) {
    struct Case {
        const char* name;
        int definer;      // 0 or 1
        int pads;         // pads present: 1 or 2
        int8_t padNo[2];  // before
        uint8_t keyboard[2];
        int touched;      // the pad pressed
        int8_t padAfter[2];
        uint8_t keyboardAfter[2];
    };
    const Case cases[] = {
        {"player 2 takes the one pad", 1, 1, {0, 1}, {0, 0}, 0, {1, 0}, {1, 0}},
        {"player 1 takes the one pad", 0, 1, {1, 0}, {0, 0}, 0, {0, 1}, {0, 1}},
        {"player 2 takes pad 0 of two", 1, 2, {0, 1}, {0, 0}, 0, {1, 0}, {0, 0}},
        {"player 1 takes pad 1 of two", 0, 2, {0, 1}, {0, 0}, 1, {1, 0}, {0, 0}},
        {"player 2 gives pad number -1 for the one pad", 1, 1, {0, -1}, {0, 0}, 0, {-1, 0}, {1, 0}},
        {"player 1 presses its own pad", 0, 2, {0, 1}, {0, 0}, 0, {0, 1}, {0, 0}},
        {"a number outside -1..1 is not handed over", 1, 2, {0, 5}, {0, 0}, 0, {0, 0}, {0, 0}},
        {"player 1's pad 1 is not there: it takes the one pad", 0, 1, {1, -1}, {0, 0}, 0, {0, -1}, {0, 0}},
        {"player 2's pad 1 is not there: it takes the one pad", 1, 1, {-1, 1}, {0, 0}, 0, {-1, 0}, {0, 0}},
        {"a keyboard player's absent pad 1 gives way too", 0, 1, {1, -1}, {1, 1}, 0, {0, -1}, {0, 1}},
        {"player 2's absent pad 1 gives way to the one pad", 1, 1, {-1, 1}, {1, 1}, 0, {-1, 0}, {1, 0}},
        {"player 1 keeps its pad 1 that is there", 0, 2, {1, -1}, {0, 0}, 0, {1, -1}, {0, 0}},
        {"a keyboard player takes the one pad from player 2", 0, 1, {1, 0}, {1, 1}, 0, {0, 1}, {0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        devices_ = shelltest::FakeDevices();
        devices_.Install();
        for (int i = 0; i < c.pads; ++i) devices_.present[i] = true;
        KeyMap.padNo[0] = c.padNo[0];
        KeyMap.padNo[1] = c.padNo[1];
        KeyMap.keyboard[0] = c.keyboard[0];
        KeyMap.keyboard[1] = c.keyboard[1];
        cKeyConfigScreen screen;
        auto frame = [&](uint16_t pushed) {
            PadWords[0].pushed = pushed;
            PadWords[1].pushed = 0;
            screen.Update();
        };
        for (int i = 0; i <= c.definer; ++i) frame(PAD_RIGHT);
        frame(PAD_SHOT);
        ASSERT_TRUE(screen.defining);
        frame(0);
        devices_.pads[c.touched].buttons[3] = 1;
        frame(0);
        devices_.pads[c.touched].buttons[3] = 0;
        EXPECT_EQ(screen.row, 4);
        EXPECT_EQ(KeyMap.padNo[0], c.padAfter[0]);
        EXPECT_EQ(KeyMap.padNo[1], c.padAfter[1]);
        EXPECT_EQ(KeyMap.keyboard[0], c.keyboardAfter[0]);
        EXPECT_EQ(KeyMap.keyboard[1], c.keyboardAfter[1]);
        // The player's pad now gives SHOT to MENU, and the definition ends.
        KestraJoystickState& pad = devices_.pads[c.padAfter[c.definer]];
        for (int button : {5, 4, 3, 2, 1, 0}) {
            frame(0);
            pad.buttons[button] = 1;
            frame(0);
            pad.buttons[button] = 0;
        }
        EXPECT_FALSE(screen.defining);
        EXPECT_EQ(std::vector<uint8_t>(KeyMap.buttons[c.definer], KeyMap.buttons[c.definer] + 6),
                  (std::vector<uint8_t>{5, 4, 3, 2, 1, 0}));
    }
}

}  // namespace
