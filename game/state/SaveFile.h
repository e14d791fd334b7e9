// The game's own small files: whole reads, saves that never leave a file cut
// short, and number parsing that saturates instead of overflowing.
#pragma once

#include <cstdint>
#include <string>

// Reads at most `limit` bytes of a data file; false when it cannot be opened.
bool ReadFileBytes(const char* path, size_t limit, std::string& bytes);

// Reads at most `limit` bytes of one of the player's own files (the program
// writes it back): only a regular file, never through a link. False when there
// is none to read: silently when it is missing, with a log line naming it when
// something else stands at its name or it cannot be opened. `whole` tells that
// the bytes are the whole file, read without a fault.
bool ReadSaveFile(const char* path, size_t limit, std::string& bytes, bool& whole);
// After a load: `damaged` when what was read would not be written back as it
// was found (a damaged byte, a line passed over, more than the reader takes).
// A damaged file is named in the log, and the next save of it first keeps it,
// once, as "<path>.damaged": as far as its reader reads and one byte more; a
// clean read forgets an earlier damage.
void NoteLoaded(const char* path, bool damaged);
// The bytes as the new contents of `path`, written beside it and renamed over
// it, so a failure at any point keeps the previous file whole; a failure is
// logged with its reason. A damaged file noted at its load is kept first; a
// keep-copy that fails is logged and the save goes on. False when nothing was
// replaced.
bool ReplaceFileContents(const char* path, const std::string& bytes);
// The same text with its line ends read as a text file's: CR LF as LF.
bool SameText(const std::string& a, const std::string& b);

// Like atoi (leading blanks, a sign, digits up to the first other character,
// 0 when there are none), but a value beyond the 32-bit range saturates.
int32_t ParseDecimal(const char* text, const char** end = nullptr);
// The same for an unsigned field: a negative value gives 0, a larger one the maximum.
uint32_t ParseUnsignedDecimal(const char* text);
