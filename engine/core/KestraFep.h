// Input-method text: the characters typed into the window, as Shift-JIS.
#pragma once

#include <cstdint>

namespace KestraFep {
constexpr uint32_t kBufferSize = 2048;

// Clears the text, enables typing and takes the window's input context.
bool Initialize();
// Releases the input context.
void Finalize();
// One byte of a WM_CHAR.
void AddChar(uint8_t code);
// Removes the last whole character.
void BackSpace();
// Closes the module's own input-method window, if one is open.
void CloseWindow();

// The text typed so far (terminated) and its length in bytes.
const char* GetString();
uint32_t GetLength();
// The last byte typed (0 after a completed two-byte character).
uint8_t GetLastChar();
}  // namespace KestraFep
