#include "game/shell/KeyConfig.h"

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <type_traits>

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
constexpr uint32_t kEscape = DIK_ESCAPE;
// As much as the profile functions read of a file.
constexpr size_t kKeyMapFileLimit = 64 * 1024;

// Profile key names, in the order the file lists them.
const char* const kButtonNames[kPadButtonActions] = {"SHOT", "DIRECT", "ELEMENT", "FORCE", "CHANGE", "MENU"};
// In action order; the file lists RIGHT before LEFT.
const char* const kKeyNames[kActionCount] = {"KEY_UP", "KEY_DOWN", "KEY_LEFT", "KEY_RIGHT", "KEY_SHOT",
                                             "KEY_DIRECT", "KEY_ELEMENT", "KEY_FORCE", "KEY_CHANGE", "KEY_MENU"};
const int32_t kKeyFileOrder[kActionCount] = {0, 1, 3, 2, 4, 5, 6, 7, 8, 9};
const uint8_t kReaderButtons[kPadButtonActions] = {0, 1, 2, 3, 6, 9};
const uint8_t kReaderKeys[kActionCount] = {DIK_UP, DIK_DOWN, DIK_LEFT, DIK_RIGHT, DIK_Z,
                                           DIK_X, DIK_C, DIK_V, DIK_A, DIK_S};

std::string KeyMapPath() {
    char directory[1025] = {};
    GetCurrentDirectoryA(1024, directory);
    char path[1024];
    wsprintfA(path, "%s\\%s", directory, "KeyMap.ini");
    return path;
}

// The file as SaveKeyMap writes it: 40 lines, CR LF (a text file).
std::string KeyMapText(const cKeyMap& map) {
    std::string text = "[SYSTEM]\r\nKEYBOARD=" + std::to_string(map.systemKeyboard) + "\r\n";
    for (int32_t player = 0; player < 2; ++player) {
        text += "[PLAYER" + std::to_string(player + 1) + "]\r\n";
        text += "PADNO=" + std::to_string(map.padNo[player]) + "\r\n";
        text += "KEYBOARD=" + std::to_string(map.keyboard[player]) + "\r\n";
        for (int32_t i = 0; i < kPadButtonActions; ++i)
            text += std::string(kButtonNames[i]) + "=" + std::to_string(map.buttons[player][i]) + "\r\n";
        for (int32_t i : kKeyFileOrder)
            text += std::string(kKeyNames[i]) + "=" + std::to_string(map.keys[player][i]) + "\r\n";
    }
    return text;
}

void Square(CSprite2D* sheet, const layout::Quad& quad) {
    KestraSprite2D::DrawSquare(sheet, Floats(quad.screen).data(), kDepth, Floats(quad.cell).data(), kWhite, 1);
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

const uint8_t kDefaultKeys[2][kActionCount] = {
    {DIK_UP, DIK_DOWN, DIK_LEFT, DIK_RIGHT, DIK_Z, DIK_X, DIK_C, DIK_V, DIK_B, DIK_SPACE},
    {DIK_W, DIK_S, DIK_A, DIK_D, DIK_F, DIK_G, DIK_H, DIK_J, DIK_K, DIK_L}};

void LoadKeyMap() {
    KeyMap.padNo[0] = KeyMap.padNo[1] = -1;
    KeyMap.keyboard[0] = KeyMap.keyboard[1] = 0;
    const std::string path = KeyMapPath();
    const char* file = path.c_str();
    uint8_t keyboardAsRead[2];
    KeyMap.systemKeyboard = GetPrivateProfileIntA("SYSTEM", "KEYBOARD", 0, file) == 1 ? 1 : 0;
    for (int32_t player = 0; player < 2; ++player) {
        char section[16];
        wsprintfA(section, "PLAYER%d", player + 1);
        KeyMap.padNo[player] = static_cast<int8_t>(GetPrivateProfileIntA(section, "PADNO", 0, file));
        KeyMap.keyboard[player] = static_cast<uint8_t>(GetPrivateProfileIntA(section, "KEYBOARD", 1, file));
        keyboardAsRead[player] = KeyMap.keyboard[player];
        if (KeyMap.padNo[player] >= static_cast<int32_t>(CountJoypads())) KeyMap.keyboard[player] = 1;
        for (int32_t i = 0; i < kPadButtonActions; ++i)
            KeyMap.buttons[player][i] =
                static_cast<uint8_t>(GetPrivateProfileIntA(section, kButtonNames[i], kReaderButtons[i], file));
        for (int32_t i : kKeyFileOrder)
            KeyMap.keys[player][i] =
                static_cast<uint8_t>(GetPrivateProfileIntA(section, kKeyNames[i], kReaderKeys[i], file));
    }
    // Damaged when the file, written back from what was read, would not be the same.
    std::string bytes;
    bool whole = false;
    if (!ReadSaveFile(file, kKeyMapFileLimit, bytes, whole)) {
        NoteLoaded(file, false);
        return;
    }
    cKeyMap asRead = KeyMap;
    std::memcpy(asRead.keyboard, keyboardAsRead, sizeof keyboardAsRead);
    NoteLoaded(file, !whole || !SameText(KeyMapText(asRead), bytes));
}

void SaveKeyMap() { ReplaceFileContents(KeyMapPath().c_str(), KeyMapText(KeyMap)); }

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
    // Each key under its DirectInput name, the prefix left out.
#define KEY(name) {DIK_##name, #name}
    static const Name kNames[] = {
        KEY(ESCAPE), KEY(1), KEY(2), KEY(3), KEY(4), KEY(5), KEY(6), KEY(7), KEY(8), KEY(9), KEY(0), KEY(MINUS),
        KEY(EQUALS), KEY(BACK), KEY(TAB), KEY(Q), KEY(W), KEY(E), KEY(R), KEY(T), KEY(Y), KEY(U), KEY(I), KEY(O),
        KEY(P), KEY(LBRACKET), KEY(RBRACKET), KEY(RETURN), KEY(LCONTROL), KEY(A), KEY(S), KEY(D), KEY(F), KEY(G),
        KEY(H), KEY(J), KEY(K), KEY(L), KEY(SEMICOLON), KEY(APOSTROPHE), KEY(GRAVE), KEY(LSHIFT), KEY(BACKSLASH),
        KEY(Z), KEY(X), KEY(C), KEY(V), KEY(B), KEY(N), KEY(M), KEY(COMMA), KEY(PERIOD), KEY(SLASH), KEY(RSHIFT),
        KEY(MULTIPLY), KEY(LMENU), KEY(SPACE), KEY(CAPITAL), KEY(F1), KEY(F2), KEY(F3), KEY(F4), KEY(F5), KEY(F6),
        KEY(F7), KEY(F8), KEY(F9), KEY(F10), KEY(NUMLOCK), KEY(SCROLL), KEY(NUMPAD7), KEY(NUMPAD8), KEY(NUMPAD9),
        KEY(SUBTRACT), KEY(NUMPAD4), KEY(NUMPAD5), KEY(NUMPAD6), KEY(ADD), KEY(NUMPAD1), KEY(NUMPAD2), KEY(NUMPAD3),
        KEY(NUMPAD0), KEY(DECIMAL), KEY(OEM_102), KEY(F11), KEY(F12), KEY(F13), KEY(F14), KEY(F15), KEY(KANA),
        KEY(ABNT_C1), KEY(CONVERT), KEY(NOCONVERT), KEY(YEN), KEY(ABNT_C2), KEY(NUMPADEQUALS), KEY(PREVTRACK),
        KEY(AT), KEY(COLON), KEY(UNDERLINE), KEY(KANJI), KEY(STOP), KEY(AX), KEY(UNLABELED), KEY(NEXTTRACK),
        KEY(NUMPADENTER), KEY(RCONTROL), KEY(MUTE), KEY(CALCULATOR), KEY(PLAYPAUSE), KEY(MEDIASTOP), KEY(VOLUMEDOWN),
        KEY(VOLUMEUP), KEY(WEBHOME), KEY(NUMPADCOMMA), KEY(DIVIDE), KEY(SYSRQ), KEY(RMENU), KEY(PAUSE), KEY(HOME),
        KEY(UP), KEY(PRIOR), KEY(LEFT), KEY(RIGHT), KEY(END), KEY(DOWN), KEY(NEXT), KEY(INSERT), KEY(DELETE),
        KEY(LWIN), KEY(RWIN), KEY(APPS), KEY(POWER), KEY(SLEEP), KEY(WAKE), KEY(WEBSEARCH), KEY(WEBFAVORITES),
        KEY(WEBREFRESH), KEY(WEBSTOP), KEY(WEBFORWARD), KEY(WEBBACK), KEY(MYCOMPUTER), KEY(MAIL), KEY(MEDIASELECT),
    };
#undef KEY
    for (const Name& n : kNames)
        if (n.code == code) return n.name;
    return "unknown";
}

cKeyConfigScreen::cKeyConfigScreen() {
    // Each player's rows stand under the player's header.
    for (int32_t player = 0; player < 2; ++player)
        for (int32_t r = 0; r < kActionCount; ++r) {
            cells[player * kActionCount + r][0] = layout::kKeyHeaderX[1 + player];
            cells[player * kActionCount + r][1] = layout::kKeyRowY + layout::kKeyRowStep * r;
        }
    static_assert(std::size(layout::kKeyHeaderX) == std::extent_v<decltype(headers)>, "a header's x for each header");
    for (size_t i = 0; i < std::size(headers); ++i) {
        headers[i][0] = layout::kKeyHeaderX[i];
        headers[i][1] = layout::kKeyHeaderY;
    }
    padActive[0] = padActive[1] = 1;
    keyLatch = 1;
    column = kLeave;
    row = 0;
    defining = 0;
    defaultsState = kNotAsked;
    QueueBackground();
}

void cKeyConfigScreen::QueueBackground() {
    if (CSprite2D* sheet = SpriteTable.size() > sheet::kConfig ? SpriteTable[sheet::kConfig].sprite : nullptr)
        Square(sheet, layout::kKeyConfigBackdrop);
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
        const int32_t player = column - kPlayer1;
        if (row == 0) DefineFirstRow(player, fresh);
        else DefineRow(player, fresh);
        if (row >= kActionCount) {
            row = 0;
            defining = 0;
            SaveKeyMap();
        }
    } else if (defaultsState == kNotAsked) {
        if (PushedByEither(PAD_SHOT)) {
            // Leaving is silent; asking for the defaults or starting a definition clicks.
            if (column == kLeave) {
                leave = true;
            } else {
                if (column == kDefaults) {
                    defaultsState = kAsking;
                } else {
                    defining = 1;
                    row = 0;
                }
                PlayEffect(SoundTable.shot_small);
            }
        } else {
            const bool right = (PadWords[0].pushed & PAD_RIGHT) || (PadWords[1].pushed & PAD_RIGHT);
            if (right && column < kDefaults) {
                ++column;
                PlayEffect(SoundTable.titlefocus);
            } else if (PushedByEither(PAD_LEFT) && column > kLeave) {
                --column;
                PlayEffect(SoundTable.titlefocus);
            }
        }
    } else if (defaultsState == kAsking) {
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
                defaultsState = kRestored;
            } else {
                defaultsState = kNotAsked;
            }
            row = 0;
        }
    } else {
        uint32_t code = 0;
        const bool padPress = fresh[0] || fresh[1];
        if (padPress || TakeKey(code)) {
            defaultsState = kNotAsked;
            keyLatch = 1;
        }
    }
    padActive[0] = active[0] ? 1 : 0;
    padActive[1] = active[1] ? 1 : 0;
    return leave;
}

void cKeyConfigScreen::Draw() {
    CFontSprite2D* font = FontTable.size() > 1 ? FontTable[1] : nullptr;
    CSprite2D* sheet = SpriteTable.size() > sheet::kConfig ? SpriteTable[sheet::kConfig].sprite : nullptr;
    KestraFontSprite2D::Begin(font, 0);
    KestraSprite2D::Begin(sheet);
    QueueBackground();
    char text[32];
    for (int32_t player = 0; player < 2; ++player) {
        const int32_t shown = (defining && column - kPlayer1 == player) ? row : kActionCount;
        for (int32_t r = 0; r < shown; ++r) {
            const int32_t x = cells[player * kActionCount + r][0];
            const int32_t y = cells[player * kActionCount + r][1];
            if (GetKeyboardFlag(player) == 0) {
                if (r < 4) {
                    std::snprintf(text, sizeof text, "PAD %d", GetPadNumber(player));
                    KestraFontSprite2D::DrawString(font, text, x + 50, y + layout::kKeyTextDy, kDepth, kWhite);
                } else {
                    std::snprintf(text, sizeof text, "%d", KeyMap.buttons[player][r - 4]);
                    KestraFontSprite2D::DrawString(font, text, x + 60, y + layout::kKeyTextDy, kDepth, kWhite);
                }
            } else {
                const char* name = GetKeyName(KeyMap.keys[player][r]);
                uint32_t left = 0, width = 0, right = 0;
                KestraFontSprite2D::GetCharMetrics(font, name, &left, &width, &right);
                const int32_t w = static_cast<int32_t>(std::strlen(name)) * static_cast<int32_t>(width);
                KestraFontSprite2D::DrawString(font, name, x + (layout::kKeyHighlight.screen.w - w) / 2,
                                               y + layout::kKeyTextDy, kDepth, kWhite);
            }
        }
    }
    const int32_t* at = headers[column];
    if (defining) at = cells[(column - kPlayer1) * kActionCount + row];
    Square(sheet, {layout::Moved(layout::kKeyHighlight.screen, at[0], at[1]), layout::kKeyHighlight.cell});
    KestraSprite2D::End(sheet);
    KestraFontSprite2D::End(font);
    // Begin and end pair up whether or not the device takes the scene.
    Kestra3D::BeginScene();
    KestraSprite2D::Render(sheet);
    KestraFontSprite2D::Render(font);
    if (defaultsState != kNotAsked) {
        KestraSprite2D::Begin(sheet);
        if (defaultsState == kAsking) {
            Square(sheet, layout::kDefaultsQuestion);
            Square(sheet, layout::kDefaultsAnswer.At(row, 0));
        } else {
            Square(sheet, layout::kDefaultsDone);
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
