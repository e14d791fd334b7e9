// The file system: 16 mount slots, each a root folder with an optional pack file.
// A name is looked up slot by slot, the loose file under the root before the pack
// entry, and last as a loose file in the program folder. Whole-file loads decode
// LZSS blocks; streamed handles give the stored bytes.
#pragma once

#include <cstdint>

#include "engine/core/KestraLzss.h"
#include "engine/core/KestraPack.h"
#include "engine/core/KestraShiftJis.h"
#include "platform/win32/kernel.h"

// An open file: a loose file, or a window onto one entry of a pack.
struct KestraFileHandle {
    HANDLE file;
    uint32_t inPack;  // 1 when the file lies in a pack
    uint32_t start;   // 0 for a loose file, the entry's offset in the pack
    uint32_t size;    // the loose file's size or the entry's stored size
    FILETIME creationTime;
    FILETIME accessTime;
    FILETIME writeTime;
    char path[MAX_PATH];  // the normalised loose path, or the pack file's name
};

namespace KestraFile {

constexpr uint32_t kMountSlots = 16;

// Seek origins. Note the order: 0 is the current position, not the start.
constexpr uint32_t kSeekCurrent = 0;
constexpr uint32_t kSeekBegin = 1;
constexpr uint32_t kSeekEnd = 2;

bool Initialize();
void Finalize();

// Serves root (a folder; may be empty) and, when pack names a readable pack file
// (relative to the current directory), that pack from the slot. A missing or
// damaged pack leaves the slot serving loose files only.
void Mount(uint32_t slot, const char* root, const char* pack);

// The most a whole-file load holds, read or decoded. No file of the game comes
// near it (the largest is a few MB): past it a file dropped in would only fill
// memory, so it is refused, with a log line naming it, before it is read.
constexpr uint32_t kMaxLoadBytes = uint32_t{256} << 20;

// The whole file, LZSS decoded, in a Kestra::MemoryAlloc block (free it with
// Kestra::MemoryFree). With data null only tells whether the file exists.
bool Load(const char* name, uint8_t** data, uint32_t* size);
// The pack part of one slot.
bool LoadFromPack(const char* name, uint32_t slot, uint8_t** data, uint32_t* size);

// Where the file is: root + name for a loose file, the name itself for a packed
// one. out holds MAX_PATH bytes. False when the file is nowhere.
bool GetFilePath(char* out, const char* name);
// Where the file is in its canonical form (CanonicalPath): one name for the
// file however the path to it is spelt, as loaders that share what they read
// need. out holds MAX_PATH bytes. False when the file is nowhere.
bool GetFileKey(char* out, const char* name);

KestraFileHandle* Open(const char* name, bool readOnly);
KestraFileHandle* OpenPlain(const char* path, bool readOnly);
KestraFileHandle* OpenInPack(const char* name, uint32_t slot, bool readOnly);
// Puts the file's times back as they were at open, closes and frees the handle.
void Close(KestraFileHandle* handle);
uint32_t GetSize(const KestraFileHandle* handle);
// Reads up to bytes, never past the end of the file or entry; answers the bytes
// actually read.
uint32_t Read(KestraFileHandle* handle, uint32_t bytes, void* out);
// Moves within the file or entry (start .. end inclusive); false leaves the
// position alone.
bool Seek(KestraFileHandle* handle, int32_t offset, uint32_t origin);

}  // namespace KestraFile
