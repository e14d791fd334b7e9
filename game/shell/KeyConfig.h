// "KeyMap.ini", key names and the key configuration screen.
#pragma once

#include <cstdint>

#include "game/shell/Input.h"

// Both players' keys until they define their own, in action order.
extern const uint8_t kDefaultKeys[2][kActionCount];

void LoadKeyMap();
void SaveKeyMap();
// The default assignment of both players, saved at once.
void ResetKeyMapToDefaults();
// The DirectInput name of a key code without its prefix, or "unknown".
const char* GetKeyName(int32_t code);

class cKeyConfigScreen {
public:
    // The header `column` stands on, left to right.
    enum Column : int32_t { kLeave = 0, kPlayer1 = 1, kPlayer2 = 2, kDefaults = 3 };
    // The question whether to restore the default keys: not shown, asked, or
    // answered yes and its notice shown until the next press.
    enum DefaultsState : int32_t { kNotAsked = 0, kAsking = 1, kRestored = 2 };

    cKeyConfigScreen();
    // One frame; true when the player leaves the screen.
    bool Update();
    void Draw();

    int32_t cells[2 * kActionCount][2];  // player 1's rows, then player 2's
    int32_t headers[kDefaults + 1][2];   // leave, player 1, player 2, defaults
    uint8_t padActive[2];
    uint8_t keyLatch;
    int32_t column;  // a Column
    int32_t row;     // action being defined, or the answer of the defaults question
    uint8_t defining;
    int32_t defaultsState;  // a DefaultsState

private:
    bool TakeKey(uint32_t& code);
    void AssignKey(int32_t player, int32_t action, uint8_t code);
    void DefineFirstRow(int32_t player, const bool fresh[2]);
    void DefineRow(int32_t player, const bool fresh[2]);
    void QueueBackground();
};
