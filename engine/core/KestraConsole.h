// The debug console: a console window that mirrors the log while it is open.
#pragma once

#include <cstdint>

namespace KestraConsole {
// Opens the console once and keeps its output handle.
bool Initialize();
// Frees the console if this module opened it.
void Finalize();
bool IsOpen();
// Formats into a bounded buffer and writes it to the console.
void Print(const char* format, ...) __attribute__((format(printf, 1, 2)));
void SetColor(uint16_t attribute);
}  // namespace KestraConsole
