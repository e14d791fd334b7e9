// The system keyboard: key codes are the PC set-1 scan codes of the physical
// keys, taken from SDL's scancodes, so the layout the player types with never
// moves a game key.
#include <array>
#include <cstdio>
#include <cstring>

#include "platform/dinput/dinput_internal.h"
#include "platform/win32/sdl_bridge.h"

namespace platform::dinput {
namespace {

struct KeyEntry {
    SDL_Scancode scancode;
    BYTE dik;
    const char* name;
};

// The 101/104-key layout, the Japanese 106/109-key additions and the common
// media keys. Several scancodes may share a key code (the ISO '#' key sits where
// the ANSI backslash is).
constexpr KeyEntry kKeys[] = {
    {SDL_SCANCODE_ESCAPE, DIK_ESCAPE, "ESCAPE"},
    {SDL_SCANCODE_1, DIK_1, "1"},
    {SDL_SCANCODE_2, DIK_2, "2"},
    {SDL_SCANCODE_3, DIK_3, "3"},
    {SDL_SCANCODE_4, DIK_4, "4"},
    {SDL_SCANCODE_5, DIK_5, "5"},
    {SDL_SCANCODE_6, DIK_6, "6"},
    {SDL_SCANCODE_7, DIK_7, "7"},
    {SDL_SCANCODE_8, DIK_8, "8"},
    {SDL_SCANCODE_9, DIK_9, "9"},
    {SDL_SCANCODE_0, DIK_0, "0"},
    {SDL_SCANCODE_MINUS, DIK_MINUS, "MINUS"},
    {SDL_SCANCODE_EQUALS, DIK_EQUALS, "EQUALS"},
    {SDL_SCANCODE_BACKSPACE, DIK_BACK, "BACK"},
    {SDL_SCANCODE_TAB, DIK_TAB, "TAB"},
    {SDL_SCANCODE_Q, DIK_Q, "Q"},
    {SDL_SCANCODE_W, DIK_W, "W"},
    {SDL_SCANCODE_E, DIK_E, "E"},
    {SDL_SCANCODE_R, DIK_R, "R"},
    {SDL_SCANCODE_T, DIK_T, "T"},
    {SDL_SCANCODE_Y, DIK_Y, "Y"},
    {SDL_SCANCODE_U, DIK_U, "U"},
    {SDL_SCANCODE_I, DIK_I, "I"},
    {SDL_SCANCODE_O, DIK_O, "O"},
    {SDL_SCANCODE_P, DIK_P, "P"},
    {SDL_SCANCODE_LEFTBRACKET, DIK_LBRACKET, "LBRACKET"},
    {SDL_SCANCODE_RIGHTBRACKET, DIK_RBRACKET, "RBRACKET"},
    {SDL_SCANCODE_RETURN, DIK_RETURN, "RETURN"},
    {SDL_SCANCODE_LCTRL, DIK_LCONTROL, "LCONTROL"},
    {SDL_SCANCODE_A, DIK_A, "A"},
    {SDL_SCANCODE_S, DIK_S, "S"},
    {SDL_SCANCODE_D, DIK_D, "D"},
    {SDL_SCANCODE_F, DIK_F, "F"},
    {SDL_SCANCODE_G, DIK_G, "G"},
    {SDL_SCANCODE_H, DIK_H, "H"},
    {SDL_SCANCODE_J, DIK_J, "J"},
    {SDL_SCANCODE_K, DIK_K, "K"},
    {SDL_SCANCODE_L, DIK_L, "L"},
    {SDL_SCANCODE_SEMICOLON, DIK_SEMICOLON, "SEMICOLON"},
    {SDL_SCANCODE_APOSTROPHE, DIK_APOSTROPHE, "APOSTROPHE"},
    {SDL_SCANCODE_GRAVE, DIK_GRAVE, "GRAVE"},
    {SDL_SCANCODE_LSHIFT, DIK_LSHIFT, "LSHIFT"},
    {SDL_SCANCODE_BACKSLASH, DIK_BACKSLASH, "BACKSLASH"},
    {SDL_SCANCODE_NONUSHASH, DIK_BACKSLASH, "BACKSLASH"},
    {SDL_SCANCODE_Z, DIK_Z, "Z"},
    {SDL_SCANCODE_X, DIK_X, "X"},
    {SDL_SCANCODE_C, DIK_C, "C"},
    {SDL_SCANCODE_V, DIK_V, "V"},
    {SDL_SCANCODE_B, DIK_B, "B"},
    {SDL_SCANCODE_N, DIK_N, "N"},
    {SDL_SCANCODE_M, DIK_M, "M"},
    {SDL_SCANCODE_COMMA, DIK_COMMA, "COMMA"},
    {SDL_SCANCODE_PERIOD, DIK_PERIOD, "PERIOD"},
    {SDL_SCANCODE_SLASH, DIK_SLASH, "SLASH"},
    {SDL_SCANCODE_RSHIFT, DIK_RSHIFT, "RSHIFT"},
    {SDL_SCANCODE_KP_MULTIPLY, DIK_MULTIPLY, "MULTIPLY"},
    {SDL_SCANCODE_LALT, DIK_LMENU, "LMENU"},
    {SDL_SCANCODE_SPACE, DIK_SPACE, "SPACE"},
    {SDL_SCANCODE_CAPSLOCK, DIK_CAPITAL, "CAPITAL"},
    {SDL_SCANCODE_F1, DIK_F1, "F1"},
    {SDL_SCANCODE_F2, DIK_F2, "F2"},
    {SDL_SCANCODE_F3, DIK_F3, "F3"},
    {SDL_SCANCODE_F4, DIK_F4, "F4"},
    {SDL_SCANCODE_F5, DIK_F5, "F5"},
    {SDL_SCANCODE_F6, DIK_F6, "F6"},
    {SDL_SCANCODE_F7, DIK_F7, "F7"},
    {SDL_SCANCODE_F8, DIK_F8, "F8"},
    {SDL_SCANCODE_F9, DIK_F9, "F9"},
    {SDL_SCANCODE_F10, DIK_F10, "F10"},
    {SDL_SCANCODE_NUMLOCKCLEAR, DIK_NUMLOCK, "NUMLOCK"},
    {SDL_SCANCODE_SCROLLLOCK, DIK_SCROLL, "SCROLL"},
    {SDL_SCANCODE_KP_7, DIK_NUMPAD7, "NUMPAD7"},
    {SDL_SCANCODE_KP_8, DIK_NUMPAD8, "NUMPAD8"},
    {SDL_SCANCODE_KP_9, DIK_NUMPAD9, "NUMPAD9"},
    {SDL_SCANCODE_KP_MINUS, DIK_SUBTRACT, "SUBTRACT"},
    {SDL_SCANCODE_KP_4, DIK_NUMPAD4, "NUMPAD4"},
    {SDL_SCANCODE_KP_5, DIK_NUMPAD5, "NUMPAD5"},
    {SDL_SCANCODE_KP_6, DIK_NUMPAD6, "NUMPAD6"},
    {SDL_SCANCODE_KP_PLUS, DIK_ADD, "ADD"},
    {SDL_SCANCODE_KP_1, DIK_NUMPAD1, "NUMPAD1"},
    {SDL_SCANCODE_KP_2, DIK_NUMPAD2, "NUMPAD2"},
    {SDL_SCANCODE_KP_3, DIK_NUMPAD3, "NUMPAD3"},
    {SDL_SCANCODE_KP_0, DIK_NUMPAD0, "NUMPAD0"},
    {SDL_SCANCODE_KP_PERIOD, DIK_DECIMAL, "DECIMAL"},
    {SDL_SCANCODE_NONUSBACKSLASH, DIK_OEM_102, "OEM_102"},
    {SDL_SCANCODE_F11, DIK_F11, "F11"},
    {SDL_SCANCODE_F12, DIK_F12, "F12"},
    {SDL_SCANCODE_F13, DIK_F13, "F13"},
    {SDL_SCANCODE_F14, DIK_F14, "F14"},
    {SDL_SCANCODE_F15, DIK_F15, "F15"},
    // Japanese keys: the set-1 codes a 106/109-key keyboard sends for them.
    {SDL_SCANCODE_INTERNATIONAL2, DIK_KANA, "KANA"},            // katakana/hiragana
    {SDL_SCANCODE_INTERNATIONAL1, DIK_ABNT_C1, "ABNT_C1"},      // ro (backslash, underscore)
    {SDL_SCANCODE_INTERNATIONAL4, DIK_CONVERT, "CONVERT"},      // henkan
    {SDL_SCANCODE_INTERNATIONAL5, DIK_NOCONVERT, "NOCONVERT"},  // muhenkan
    {SDL_SCANCODE_INTERNATIONAL3, DIK_YEN, "YEN"},
    {SDL_SCANCODE_LANG3, 0x78, "KATAKANA"},
    {SDL_SCANCODE_LANG4, 0x77, "HIRAGANA"},
    {SDL_SCANCODE_LANG5, 0x76, "ZENKAKUHANKAKU"},  // of keyboards that report it apart from GRAVE
    {SDL_SCANCODE_KP_COMMA, DIK_ABNT_C2, "ABNT_C2"},
    {SDL_SCANCODE_KP_EQUALS, DIK_NUMPADEQUALS, "NUMPADEQUALS"},
    {SDL_SCANCODE_AUDIOPREV, DIK_PREVTRACK, "PREVTRACK"},
    {SDL_SCANCODE_AUDIONEXT, DIK_NEXTTRACK, "NEXTTRACK"},
    {SDL_SCANCODE_KP_ENTER, DIK_NUMPADENTER, "NUMPADENTER"},
    {SDL_SCANCODE_RCTRL, DIK_RCONTROL, "RCONTROL"},
    {SDL_SCANCODE_AUDIOMUTE, DIK_MUTE, "MUTE"},
    {SDL_SCANCODE_MUTE, DIK_MUTE, "MUTE"},
    {SDL_SCANCODE_CALCULATOR, DIK_CALCULATOR, "CALCULATOR"},
    {SDL_SCANCODE_AUDIOPLAY, DIK_PLAYPAUSE, "PLAYPAUSE"},
    {SDL_SCANCODE_AUDIOSTOP, DIK_MEDIASTOP, "MEDIASTOP"},
    {SDL_SCANCODE_VOLUMEDOWN, DIK_VOLUMEDOWN, "VOLUMEDOWN"},
    {SDL_SCANCODE_VOLUMEUP, DIK_VOLUMEUP, "VOLUMEUP"},
    {SDL_SCANCODE_AC_HOME, DIK_WEBHOME, "WEBHOME"},
    {SDL_SCANCODE_KP_DIVIDE, DIK_DIVIDE, "DIVIDE"},
    {SDL_SCANCODE_PRINTSCREEN, DIK_SYSRQ, "SYSRQ"},
    {SDL_SCANCODE_RALT, DIK_RMENU, "RMENU"},
    {SDL_SCANCODE_PAUSE, DIK_PAUSE, "PAUSE"},
    {SDL_SCANCODE_HOME, DIK_HOME, "HOME"},
    {SDL_SCANCODE_UP, DIK_UP, "UP"},
    {SDL_SCANCODE_PAGEUP, DIK_PRIOR, "PRIOR"},
    {SDL_SCANCODE_LEFT, DIK_LEFT, "LEFT"},
    {SDL_SCANCODE_RIGHT, DIK_RIGHT, "RIGHT"},
    {SDL_SCANCODE_END, DIK_END, "END"},
    {SDL_SCANCODE_DOWN, DIK_DOWN, "DOWN"},
    {SDL_SCANCODE_PAGEDOWN, DIK_NEXT, "NEXT"},
    {SDL_SCANCODE_INSERT, DIK_INSERT, "INSERT"},
    {SDL_SCANCODE_DELETE, DIK_DELETE, "DELETE"},
    {SDL_SCANCODE_LGUI, DIK_LWIN, "LWIN"},
    {SDL_SCANCODE_RGUI, DIK_RWIN, "RWIN"},
    {SDL_SCANCODE_APPLICATION, DIK_APPS, "APPS"},
    {SDL_SCANCODE_POWER, DIK_POWER, "POWER"},
    {SDL_SCANCODE_SLEEP, DIK_SLEEP, "SLEEP"},
    {SDL_SCANCODE_AC_SEARCH, DIK_WEBSEARCH, "WEBSEARCH"},
    {SDL_SCANCODE_AC_BOOKMARKS, DIK_WEBFAVORITES, "WEBFAVORITES"},
    {SDL_SCANCODE_AC_REFRESH, DIK_WEBREFRESH, "WEBREFRESH"},
    {SDL_SCANCODE_AC_STOP, DIK_WEBSTOP, "WEBSTOP"},
    {SDL_SCANCODE_AC_FORWARD, DIK_WEBFORWARD, "WEBFORWARD"},
    {SDL_SCANCODE_AC_BACK, DIK_WEBBACK, "WEBBACK"},
    {SDL_SCANCODE_COMPUTER, DIK_MYCOMPUTER, "MYCOMPUTER"},
    {SDL_SCANCODE_MAIL, DIK_MAIL, "MAIL"},
    {SDL_SCANCODE_MEDIASELECT, DIK_MEDIASELECT, "MEDIASELECT"},
};

struct KeyTables {
    std::array<BYTE, SDL_NUM_SCANCODES> dikOf{};
    std::array<const char*, 256> nameOf{};
    KeyTables() {
        nameOf.fill("");
        for (const KeyEntry& key : kKeys) {
            dikOf[key.scancode] = key.dik;
            if (!*nameOf[key.dik]) nameOf[key.dik] = key.name;
        }
    }
};

const KeyTables& Tables() {
    static const KeyTables tables;
    return tables;
}

class Keyboard final : public Device {
public:
    Keyboard() : Device("keyboard") {
        objectOfDik_.fill(-1);
        // One push button per key, its instance number being its key code.
        std::array<bool, 256> present{};
        for (const KeyEntry& key : kKeys) present[key.dik] = true;
        for (int dik = 1; dik < 256; ++dik) {
            if (!present[dik]) continue;
            DeviceObject o{};
            o.guid = GUID_Key;
            o.type = DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(dik);
            o.flags = 0;
            o.name = DikName(static_cast<BYTE>(dik));
            o.source = dik;
            objectOfDik_[dik] = static_cast<int>(objects_.size());
            objects_.push_back(o);
        }
    }

    void OnWindowInactive() override {
        // Releases are not seen while another window has the keyboard.
        down_.fill(false);
        tapped_.fill(false);
    }

    void OnSdlEvent(const SDL_Event& event) override {
        if (event.type != SDL_KEYDOWN && event.type != SDL_KEYUP) return;
        if (event.key.repeat) return;  // auto-repeat is not a key transition
        if (foreground() && !WindowActive(window())) return;
        BYTE dik = DikFromScancode(event.key.keysym.scancode);
        if (!dik) return;
        bool pressed = event.type == SDL_KEYDOWN;
        if (down_[dik] == pressed) return;
        down_[dik] = pressed;
        if (pressed) tapped_[dik] = true;
        if (objectOfDik_[dik] >= 0) PushEvent(static_cast<size_t>(objectOfDik_[dik]), pressed ? 0x80 : 0x00);
    }

protected:
    void DescribeDevice(DIDEVICEINSTANCEA& info) const override { info = DescribeKeyboard(); }
    DWORD CapabilityFlags() const override { return 0; }
    bool IsKeyboard() const override { return true; }
    // Reads see every key event up to this moment, not only up to the last message pump.
    void Refresh() override { PumpSdlEvents(); }
    // A key that went down since the last state read shows as down in this
    // one even when it is already up again: a tap between two reads is never lost.
    void ReadObject(size_t index, BYTE* dest) const override {
        const size_t dik = static_cast<size_t>(objects_[index].source);
        dest[0] = down_[dik] || tapped_[dik] ? 0x80 : 0x00;
    }
    void OnStateRead() override { tapped_.fill(false); }
    // Taps before an acquisition belong to no read of it, as its buffer starts empty.
    void OnAcquired() override { tapped_.fill(false); }

private:
    std::array<bool, 256> down_{};
    std::array<bool, 256> tapped_{};  // went down since the last state read
    std::array<int, 256> objectOfDik_{};
};

}  // namespace

BYTE DikFromScancode(SDL_Scancode scancode) {
    if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return 0;
    return Tables().dikOf[scancode];
}

const char* DikName(BYTE dik) { return Tables().nameOf[dik]; }

Device* CreateKeyboard() { return new Keyboard; }

DIDEVICEINSTANCEA DescribeKeyboard() {
    DIDEVICEINSTANCEA info{};
    info.dwSize = sizeof(DIDEVICEINSTANCEA);
    info.guidInstance = GUID_SysKeyboard;
    info.guidProduct = GUID_SysKeyboard;
    info.dwDevType = DI8DEVTYPE_KEYBOARD | (DI8DEVTYPEKEYBOARD_PCENH << 8);
    std::snprintf(info.tszInstanceName, sizeof info.tszInstanceName, "Keyboard");
    std::snprintf(info.tszProductName, sizeof info.tszProductName, "Keyboard");
    info.wUsagePage = 0x01;
    info.wUsage = 0x06;
    return info;
}

}  // namespace platform::dinput
