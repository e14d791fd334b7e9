// The game's own small files: whole reads, saves that never leave a file cut
// short, and number parsing that saturates instead of overflowing.
#pragma once

#include <cstdint>
#include <string>

// Reads at most `limit` bytes of a file; false when it cannot be opened.
bool ReadFileBytes(const char* path, size_t limit, std::string& bytes);
// Writes the bytes to a temporary file beside `path` and renames it over the
// target, so a failure at any point keeps the previous file whole. A missing
// folder writes nothing. False when nothing was replaced.
bool ReplaceFileContents(const char* path, const std::string& bytes);

// Like atoi (leading blanks, a sign, digits up to the first other character,
// 0 when there are none), but a value beyond the 32-bit range saturates.
int32_t ParseDecimal(const char* text, const char** end = nullptr);
// The same for an unsigned field: a negative value gives 0, a larger one the maximum.
uint32_t ParseUnsignedDecimal(const char* text);
