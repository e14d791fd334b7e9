// The one way the program writes a file of its own (the log, the player's saves):
// a new file is made beside the target for this one write, created exclusively,
// filled, flushed to the disk and renamed over the target. Nothing is written
// through a link or into whatever else stands at a name (a link at the target's
// name is replaced by the new file), and a failure at any step leaves the
// target as it was.
#pragma once

#include <cstddef>
#include <string>

#include "platform/win32/kernel.h"

namespace KestraFileWriter {

// A new empty file in the folder of `target`, under a name made for it alone
// (never an existing name, a link included); `name` gets that name.
// INVALID_HANDLE_VALUE, with the last error set, when none can be made.
HANDLE CreateBeside(const char* target, std::string& name);

// Writes every byte; false, with the last error set, at the first failure.
bool WriteAll(HANDLE file, const void* data, size_t size);

// Flushes the file to the disk, closes it, renames it over `target` and flushes
// the folder, so the rename survives a power cut. On a failure before the rename
// the file is removed; false with the last error of the failure (a folder that
// could not be flushed: the new file stands, not yet sure to be on the disk).
bool Commit(HANDLE file, const std::string& name, const char* target);

// `bytes` as the new contents of `path`. A failure is logged, naming the file
// and the system's reason.
bool Replace(const char* path, const std::string& bytes);
// At most the first `limit` bytes of the regular file `from` (never read through
// a link) as the new contents of `to`, the same way.
bool Copy(const char* from, const char* to, size_t limit);

// The system's words for an error, with its code: "The disk is full. (112)".
std::string Reason(DWORD error);
// A log line for a failed file operation: what failed, the file and the system's reason.
void LogFailure(const char* what, const char* path, DWORD error);

}  // namespace KestraFileWriter
