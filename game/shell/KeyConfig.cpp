#include "game/shell/KeyConfig.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/core/KestraSound.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraFontSprite2D.h"
#include "engine/graphics/KestraSprite2D.h"
#include "game/shell/Input.h"
#include "game/shell/MenuCommon.h"
#include "game/state/GameGlobals.h"
#include "game/state/SaveFile.h"
#include "game/state/SpriteTable.h"
#include "platform/win32/win32.h"

namespace {

constexpr float kDepth = 32767.0f;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kEscape = 1;

// Profile key names, in the order the file lists them.
const char* const kButtonNames[kPadButtonActions] = {"SHOT", "DIRECT", "ELEMENT", "FORCE", "CHANGE", "MENU"};
// In action order; the file lists RIGHT before LEFT.
const char* const kKeyNames[kActionCount] = {"KEY_UP", "KEY_DOWN", "KEY_LEFT", "KEY_RIGHT", "KEY_SHOT",
                                             "KEY_DIRECT", "KEY_ELEMENT", "KEY_FORCE", "KEY_CHANGE", "KEY_MENU"};
const int32_t kKeyFileOrder[kActionCount] = {0, 1, 3, 2, 4, 5, 6, 7, 8, 9};
const uint8_t kReaderButtons[kPadButtonActions] = {0, 1, 2, 3, 6, 9};
const uint8_t kReaderKeys[kActionCount] = {200, 208, 203, 205, 44, 45, 46, 47, 30, 31};
const uint8_t kDefaultKeys[2][kActionCount] = {{200, 208, 203, 205, 44, 45, 46, 47, 48, 57},
                                               {17, 31, 30, 32, 33, 34, 35, 36, 37, 38}};

std::string KeyMapPath() {
    char directory[1025] = {};
    GetCurrentDirectoryA(1024, directory);
    char path[1024];
    wsprintfA(path, "%s\\%s", directory, "KeyMap.ini");
    return path;
}

bool PushedByEither(uint16_t bits) { return ((PadWords[0].pushed | PadWords[1].pushed) & bits) != 0; }

bool PadIsActive(int32_t index) {
    KestraJoystickState state;
    if (!ReadJoystick(index, state)) return false;
    if (state.pov[0] != 0xFFFFFFFFu) return true;
    if (state.axes[0] < -21845 || state.axes[0] > 21845 || state.axes[1] < -21845 || state.axes[1] > 21845)
        return true;
    for (int32_t b = 0; b < 16; ++b)
        if (state.buttons[b]) return true;
    return false;
}

}  // namespace

void LoadKeyMap() {
    KeyMap.padNo[0] = KeyMap.padNo[1] = -1;
    KeyMap.keyboard[0] = KeyMap.keyboard[1] = 0;
    const std::string path = KeyMapPath();
    const char* file = path.c_str();
    KeyMap.systemKeyboard = GetPrivateProfileIntA("SYSTEM", "KEYBOARD", 0, file) == 1 ? 1 : 0;
    for (int32_t player = 0; player < 2; ++player) {
        char section[16];
        wsprintfA(section, "PLAYER%d", player + 1);
        KeyMap.padNo[player] = static_cast<int8_t>(GetPrivateProfileIntA(section, "PADNO", 0, file));
        KeyMap.keyboard[player] = static_cast<uint8_t>(GetPrivateProfileIntA(section, "KEYBOARD", 1, file));
        if (KeyMap.padNo[player] >= static_cast<int32_t>(CountJoypads())) KeyMap.keyboard[player] = 1;
        for (int32_t i = 0; i < kPadButtonActions; ++i)
            KeyMap.buttons[player][i] =
                static_cast<uint8_t>(GetPrivateProfileIntA(section, kButtonNames[i], kReaderButtons[i], file));
        for (int32_t i : kKeyFileOrder)
            KeyMap.keys[player][i] =
                static_cast<uint8_t>(GetPrivateProfileIntA(section, kKeyNames[i], kReaderKeys[i], file));
    }
}

void SaveKeyMap() {
    std::string text = "[SYSTEM]\r\nKEYBOARD=" + std::to_string(KeyMap.systemKeyboard) + "\r\n";
    for (int32_t player = 0; player < 2; ++player) {
        text += "[PLAYER" + std::to_string(player + 1) + "]\r\n";
        text += "PADNO=" + std::to_string(KeyMap.padNo[player]) + "\r\n";
        text += "KEYBOARD=" + std::to_string(KeyMap.keyboard[player]) + "\r\n";
        for (int32_t i = 0; i < kPadButtonActions; ++i)
            text += std::string(kButtonNames[i]) + "=" + std::to_string(KeyMap.buttons[player][i]) + "\r\n";
        for (int32_t i : kKeyFileOrder)
            text += std::string(kKeyNames[i]) + "=" + std::to_string(KeyMap.keys[player][i]) + "\r\n";
    }
    ReplaceFileContents(KeyMapPath().c_str(), text);
}

void ResetKeyMapToDefaults() {
    KestraJoystickState state;
    for (int32_t player = 0; player < 2; ++player) {
        KeyMap.padNo[player] = static_cast<int8_t>(player);
        KeyMap.keyboard[player] = ReadJoystick(player, state) ? 0 : 1;
        for (int32_t i = 0; i < kPadButtonActions; ++i) KeyMap.buttons[player][i] = static_cast<uint8_t>(i);
        std::memcpy(KeyMap.keys[player], kDefaultKeys[player], kActionCount);
    }
    SaveKeyMap();
    UpdateInput();
}

const char* GetKeyName(int32_t code) {
    struct Name {
        int32_t code;
        const char* name;
    };
    static const Name kNames[] = {
        {1, "ESCAPE"}, {2, "1"}, {3, "2"}, {4, "3"}, {5, "4"}, {6, "5"}, {7, "6"}, {8, "7"}, {9, "8"},
        {10, "9"}, {11, "0"}, {12, "MINUS"}, {13, "EQUALS"}, {14, "BACK"}, {15, "TAB"}, {16, "Q"}, {17, "W"},
        {18, "E"}, {19, "R"}, {20, "T"}, {21, "Y"}, {22, "U"}, {23, "I"}, {24, "O"}, {25, "P"},
        {26, "LBRACKET"}, {27, "RBRACKET"}, {28, "RETURN"}, {29, "LCONTROL"}, {30, "A"}, {31, "S"}, {32, "D"},
        {33, "F"}, {34, "G"}, {35, "H"}, {36, "J"}, {37, "K"}, {38, "L"}, {39, "SEMICOLON"}, {40, "APOSTROPHE"},
        {41, "GRAVE"}, {42, "LSHIFT"}, {43, "BACKSLASH"}, {44, "Z"}, {45, "X"}, {46, "C"}, {47, "V"}, {48, "B"},
        {49, "N"}, {50, "M"}, {51, "COMMA"}, {52, "PERIOD"}, {53, "SLASH"}, {54, "RSHIFT"}, {55, "MULTIPLY"},
        {56, "LMENU"}, {57, "SPACE"}, {58, "CAPITAL"}, {59, "F1"}, {60, "F2"}, {61, "F3"}, {62, "F4"},
        {63, "F5"}, {64, "F6"}, {65, "F7"}, {66, "F8"}, {67, "F9"}, {68, "F10"}, {69, "NUMLOCK"},
        {70, "SCROLL"}, {71, "NUMPAD7"}, {72, "NUMPAD8"}, {73, "NUMPAD9"}, {74, "SUBTRACT"}, {75, "NUMPAD4"},
        {76, "NUMPAD5"}, {77, "NUMPAD6"}, {78, "ADD"}, {79, "NUMPAD1"}, {80, "NUMPAD2"}, {81, "NUMPAD3"},
        {82, "NUMPAD0"}, {83, "DECIMAL"}, {86, "OEM_102"}, {87, "F11"}, {88, "F12"}, {100, "F13"},
        {101, "F14"}, {102, "F15"}, {112, "KANA"}, {115, "ABNT_C1"}, {121, "CONVERT"}, {123, "NOCONVERT"},
        {125, "YEN"}, {126, "ABNT_C2"}, {141, "NUMPADEQUALS"}, {144, "PREVTRACK"}, {145, "AT"},
        {146, "COLON"}, {147, "UNDERLINE"}, {148, "KANJI"}, {149, "STOP"}, {150, "AX"}, {151, "UNLABELED"},
        {153, "NEXTTRACK"}, {156, "NUMPADENTER"}, {157, "RCONTROL"}, {160, "MUTE"}, {161, "CALCULATOR"},
        {162, "PLAYPAUSE"}, {164, "MEDIASTOP"}, {174, "VOLUMEDOWN"}, {176, "VOLUMEUP"}, {178, "WEBHOME"},
        {179, "NUMPADCOMMA"}, {181, "DIVIDE"}, {183, "SYSRQ"}, {184, "RMENU"}, {197, "PAUSE"}, {199, "HOME"},
        {200, "UP"}, {201, "PRIOR"}, {203, "LEFT"}, {205, "RIGHT"}, {207, "END"}, {208, "DOWN"}, {209, "NEXT"},
        {210, "INSERT"}, {211, "DELETE"}, {219, "LWIN"}, {220, "RWIN"}, {221, "APPS"}, {222, "POWER"},
        {223, "SLEEP"}, {227, "WAKE"}, {229, "WEBSEARCH"}, {230, "WEBFAVORITES"}, {231, "WEBREFRESH"},
        {232, "WEBSTOP"}, {233, "WEBFORWARD"}, {234, "WEBBACK"}, {235, "MYCOMPUTER"}, {236, "MAIL"},
        {237, "MEDIASELECT"},
    };
    for (const Name& n : kNames)
        if (n.code == code) return n.name;
    return "unknown";
}

cKeyConfigScreen::cKeyConfigScreen() {
    for (int32_t player = 0; player < 2; ++player)
        for (int32_t r = 0; r < kActionCount; ++r) {
            cells[player * kActionCount + r][0] = player == 0 ? 215 : 370;
            cells[player * kActionCount + r][1] = 128 + 34 * r;
        }
    const int32_t headerX[4] = {52, 215, 370, 510};
    for (int32_t i = 0; i < 4; ++i) {
        headers[i][0] = headerX[i];
        headers[i][1] = 60;
    }
    padActive[0] = padActive[1] = 1;
    keyLatch = 1;
    column = 0;
    row = 0;
    defining = 0;
    defaultsState = 0;
    QueueBackground();
}

void cKeyConfigScreen::QueueBackground() {
    const float dst[4] = {0, 0, 640, 480};
    const float src[4] = {0, 480, 640, 480};
    if (CSprite2D* sheet = SpriteTable.size() > kConfigSheet ? SpriteTable[kConfigSheet].sprite : nullptr)
        KestraSprite2D::DrawSquare(sheet, dst, kDepth, src, kWhite, 1);
}

// One buffered key press under the latch rule: a press is taken only when the
// latch is clear, and taking one sets it; any other frame clears it.
bool cKeyConfigScreen::TakeKey(uint32_t& code) {
    uint32_t pressed = 0;
    const bool press = ReadKeyBuffer(&pressed);
    if (press && !keyLatch) {
        code = pressed;
        return true;
    }
    keyLatch = 0;
    return false;
}

// A key is never held twice: the slot that has it receives the row's old key.
void cKeyConfigScreen::AssignKey(int32_t player, int32_t action, uint8_t code) {
    const uint8_t old = KeyMap.keys[player][action];
    for (int32_t p = 0; p < 2; ++p)
        for (int32_t i = 0; i < kActionCount; ++i)
            if (KeyMap.keys[p][i] == code) {
                KeyMap.keys[p][i] = old;
                break;
            }
    KeyMap.keys[player][action] = code;
}

void cKeyConfigScreen::DefineFirstRow(int32_t player, const bool fresh[2]) {
    const int32_t other = 1 - player;
    const int32_t pressed = fresh[0] ? 0 : (fresh[1] ? 1 : -1);
    if (pressed >= 0) {
        const int8_t mine = KeyMap.padNo[player];
        KestraJoystickState state;
        if (KeyMap.padNo[other] == pressed) {
            if (mine >= -1 && mine <= 1) KeyMap.padNo[other] = mine;
            KeyMap.padNo[player] = static_cast<int8_t>(pressed);
            // With one pad the player who gave it up has none left: the keyboard.
            if (CountJoypads() == 1) KeyMap.keyboard[other] = 1;
        } else if (mine >= 0 && mine <= 1 && !ReadJoystick(mine, state)) {
            // The player's own pad is not there and could never answer the rows to
            // come: the pressed pad takes its place.
            KeyMap.padNo[player] = static_cast<int8_t>(pressed);
        }
        std::memset(KeyMap.buttons[player], kNoPadButton, kPadButtonActions);
        KeyMap.keyboard[player] = 0;
        row = 4;
        PlayEffect(SoundTable.shot_small);
        return;
    }
    uint32_t code = 0;
    if (TakeKey(code)) {
        if (code == kEscape) return;
        AssignKey(player, 0, static_cast<uint8_t>(code));
        KeyMap.keyboard[player] = 1;
        row = 1;
        PlayEffect(SoundTable.shot_small);
        keyLatch = 1;
    }
}

void cKeyConfigScreen::DefineRow(int32_t player, const bool fresh[2]) {
    const int8_t pad = KeyMap.padNo[player];
    // A pad player whose pad number names no pad of the screen types keys
    // instead, so the redefinition can always be finished.
    const bool usesPad = KeyMap.keyboard[player] == 0 && pad >= 0 && pad <= 1;
    if (!usesPad) {
        uint32_t code = 0;
        if (TakeKey(code)) {
            if (code == kEscape) return;
            AssignKey(player, row, static_cast<uint8_t>(code));
            KeyMap.keyboard[player] = 1;
            ++row;
            PlayEffect(SoundTable.shot_small);
            keyLatch = 1;
        }
        return;
    }
    if (!fresh[pad]) return;
    KestraJoystickState state;
    if (!ReadJoystick(pad, state)) return;
    for (int32_t b = 0; b < 16; ++b) {
        if (!state.buttons[b]) continue;
        bool given = false;
        for (int32_t earlier = 4; earlier < row; ++earlier)
            if (row >= 5 && KeyMap.buttons[player][earlier - 4] == b) given = true;
        if (given) continue;
        if (row >= 4) KeyMap.buttons[player][row - 4] = static_cast<uint8_t>(b);
        ++row;
        PlayEffect(SoundTable.shot_small);
        return;
    }
}

bool cKeyConfigScreen::Update() {
    bool active[2];
    bool fresh[2];
    for (int32_t i = 0; i < 2; ++i) {
        active[i] = PadIsActive(i);
        fresh[i] = active[i] && !padActive[i];
    }
    bool leave = false;
    if (defining) {
        const int32_t player = column - 1;
        if (row == 0) DefineFirstRow(player, fresh);
        else DefineRow(player, fresh);
        if (row >= kActionCount) {
            row = 0;
            defining = 0;
            SaveKeyMap();
        }
    } else if (defaultsState == 0) {
        if (PushedByEither(PAD_SHOT)) {
            // Leaving is silent; asking for the defaults or starting a definition clicks.
            if (column == 0) {
                leave = true;
            } else {
                if (column == 3) {
                    defaultsState = 1;
                } else {
                    defining = 1;
                    row = 0;
                }
                PlayEffect(SoundTable.shot_small);
            }
        } else {
            const bool right = (PadWords[0].pushed & PAD_RIGHT) || (PadWords[1].pushed & PAD_RIGHT);
            if (right && column < 3) {
                ++column;
                PlayEffect(SoundTable.titlefocus);
            } else if (PushedByEither(PAD_LEFT) && column > 0) {
                --column;
                PlayEffect(SoundTable.titlefocus);
            }
        }
    } else if (defaultsState == 1) {
        if (PushedByEither(PAD_DOWN)) {
            row = (row + 1) % 2;
            PlayEffect(SoundTable.titlefocus);
        }
        if (PushedByEither(PAD_UP)) {
            row = row == 0 ? 1 : row - 1;
            PlayEffect(SoundTable.titlefocus);
        }
        if (PushedByEither(PAD_SHOT)) {
            if (row == 0) {
                ResetKeyMapToDefaults();
                defaultsState = 2;
            } else {
                defaultsState = 0;
            }
            row = 0;
        }
    } else {
        uint32_t code = 0;
        const bool padPress = fresh[0] || fresh[1];
        if (padPress || TakeKey(code)) {
            defaultsState = 0;
            keyLatch = 1;
        }
    }
    padActive[0] = active[0] ? 1 : 0;
    padActive[1] = active[1] ? 1 : 0;
    return leave;
}

void cKeyConfigScreen::Draw() {
    CFontSprite2D* font = FontTable.size() > 1 ? FontTable[1] : nullptr;
    CSprite2D* sheet = SpriteTable.size() > kConfigSheet ? SpriteTable[kConfigSheet].sprite : nullptr;
    KestraFontSprite2D::Begin(font, 0);
    KestraSprite2D::Begin(sheet);
    QueueBackground();
    char text[32];
    for (int32_t player = 0; player < 2; ++player) {
        const int32_t shown = (defining && column - 1 == player) ? row : kActionCount;
        for (int32_t r = 0; r < shown; ++r) {
            const int32_t x = cells[player * kActionCount + r][0];
            const int32_t y = cells[player * kActionCount + r][1];
            if (GetKeyboardFlag(player) == 0) {
                if (r < 4) {
                    std::snprintf(text, sizeof text, "PAD %d", GetPadNumber(player));
                    KestraFontSprite2D::DrawString(font, text, x + 50, y + 10, kDepth, kWhite);
                } else {
                    std::snprintf(text, sizeof text, "%d", KeyMap.buttons[player][r - 4]);
                    KestraFontSprite2D::DrawString(font, text, x + 60, y + 10, kDepth, kWhite);
                }
            } else {
                const char* name = GetKeyName(KeyMap.keys[player][r]);
                uint32_t left = 0, width = 0, right = 0;
                KestraFontSprite2D::GetCharMetrics(font, name, &left, &width, &right);
                const int32_t w = static_cast<int32_t>(std::strlen(name)) * static_cast<int32_t>(width);
                KestraFontSprite2D::DrawString(font, name, x + (120 - w) / 2, y + 10, kDepth, kWhite);
            }
        }
    }
    const float highlightSrc[4] = {640, 480, 155, 28};
    float highlight[4];
    if (defining) {
        const int32_t cell = (column - 1) * kActionCount + row;
        highlight[0] = static_cast<float>(cells[cell][0]);
        highlight[1] = static_cast<float>(cells[cell][1]);
    } else {
        highlight[0] = static_cast<float>(headers[column][0]);
        highlight[1] = static_cast<float>(headers[column][1]);
    }
    highlight[2] = 120;
    highlight[3] = 28;
    KestraSprite2D::DrawSquare(sheet, highlight, kDepth, highlightSrc, kWhite, 1);
    KestraSprite2D::End(sheet);
    KestraFontSprite2D::End(font);
    // Begin and end pair up whether or not the device takes the scene.
    Kestra3D::BeginScene();
    KestraSprite2D::Render(sheet);
    KestraFontSprite2D::Render(font);
    if (defaultsState != 0) {
        KestraSprite2D::Begin(sheet);
        const float panel[4] = {130, 180, 380, 200};
        if (defaultsState == 1) {
            const float src[4] = {0, 960, 380, 200};
            KestraSprite2D::DrawSquare(sheet, panel, kDepth, src, kWhite, 1);
            const float answer[4] = {220, static_cast<float>(282 + 45 * row), 200, 40};
            KestraSprite2D::DrawSquare(sheet, answer, kDepth, highlightSrc, kWhite, 1);
        } else {
            const float src[4] = {380, 960, 380, 200};
            KestraSprite2D::DrawSquare(sheet, panel, kDepth, src, kWhite, 1);
        }
        KestraSprite2D::End(sheet);
        KestraSprite2D::Render(sheet);
    }
    Kestra3D::EndScene();
}

void OpenKeyConfigScreen() {
    delete TitleState.keyConfig;
    TitleState.keyConfig = new cKeyConfigScreen();
}

void CloseKeyConfigScreen() {
    delete TitleState.keyConfig;
    TitleState.keyConfig = nullptr;
}
