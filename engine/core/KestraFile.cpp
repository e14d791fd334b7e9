#include "engine/core/KestraFile.h"

#include <cstring>

#include "engine/core/CCriticalSection.h"
#include "engine/core/Kestra.h"
#include "engine/core/KestraLog.h"

namespace {

struct KestraPackMount {
    char root[MAX_PATH] = {};
    char pack[MAX_PATH] = {};
    HANDLE packHandle = INVALID_HANDLE_VALUE;
    uint8_t* directory = nullptr;
    uint32_t count = 0;
    uint64_t packSize = 0;
    const char* refusal = nullptr;  // a refusal met before the log opened, not yet written
};

KestraPackMount g_mounts[KestraFile::kMountSlots];

CCriticalSection& FileLock() {
    static CCriticalSection lock;
    return lock;
}

void LogError(const char* what, const char* name) {
    Kestra::LogRed("　エラー : %s [ %s ]", what, name);
    Kestra::LogNewLine();
}

void CloseMount(KestraPackMount& mount) {
    if (mount.packHandle != INVALID_HANDLE_VALUE) CloseHandle(mount.packHandle);
    mount.packHandle = INVALID_HANDLE_VALUE;
    if (mount.directory) Kestra::MemoryFree(mount.directory);
    mount.directory = nullptr;
    mount.count = 0;
    mount.packSize = 0;
    mount.refusal = nullptr;
}

// A game mounts its pack before its log opens: a refusal met then is written at
// the first lookup after, so the player's log still names the damaged pack.
void RefusePack(KestraPackMount& mount, const char* what) {
    if (Kestra::IsLogOpen()) LogError(what, mount.pack);
    else mount.refusal = what;
}

void ReportRefusal(KestraPackMount& mount) {
    if (!mount.refusal || !Kestra::IsLogOpen()) return;
    LogError(mount.refusal, mount.pack);
    mount.refusal = nullptr;
}

bool FileSize64(HANDLE file, uint64_t* size) {
    DWORD high = 0;
    SetLastError(ERROR_SUCCESS);
    const DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) return false;
    *size = static_cast<uint64_t>(high) << 32 | low;
    return true;
}

bool SetPosition(HANDLE file, uint64_t position) {
    LONG high = static_cast<LONG>(position >> 32);
    SetLastError(ERROR_SUCCESS);
    const DWORD low = SetFilePointer(file, static_cast<LONG>(static_cast<uint32_t>(position)), &high, FILE_BEGIN);
    return !(low == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS);
}

bool GetPosition(HANDLE file, uint64_t* position) {
    LONG high = 0;
    SetLastError(ERROR_SUCCESS);
    const DWORD low = SetFilePointer(file, 0, &high, FILE_CURRENT);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS) return false;
    *position = static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32 | low;
    return true;
}

// Reads exactly size bytes or fails.
bool ReadExactly(HANDLE file, void* out, uint32_t size) {
    if (size == 0) return true;
    DWORD got = 0;
    return ReadFile(file, out, size, &got, nullptr) && got == size;
}

// root + name into a MAX_PATH buffer; false when it does not fit.
bool JoinPath(char* out, const char* root, const char* name) {
    const size_t rootLength = std::strlen(root);
    const size_t nameLength = std::strlen(name);
    if (rootLength + nameLength >= MAX_PATH) return false;
    std::memcpy(out, root, rootLength);
    std::memcpy(out + rootLength, name, nameLength + 1);
    return true;
}

HANDLE OpenForRead(const char* path) {
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE OpenWithRules(const char* path, bool readOnly) {
    if (readOnly) return OpenForRead(path);
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool FitsLoad(uint64_t bytes, const char* name) {
    if (bytes <= KestraFile::kMaxLoadBytes) return true;
    LogError("ファイルが大きすぎます", name);
    return false;
}

bool FitsLoadedMemory(uint64_t bytes, const char* name) {
    const uint64_t left = Kestra::LoadedMemoryLeft();
    if (bytes <= left) return true;
    Kestra::LogRed("　エラー : 読み込み用メモリが足りません [ %s : %lluKB / 残り %lluKB ]", name,
                   static_cast<unsigned long long>((bytes + 1023) / 1024), static_cast<unsigned long long>(left / 1024));
    Kestra::LogNewLine();
    return false;
}

// The whole-file load of the `stored` bytes at the file's position, LZSS decoded,
// into *data. Refused, with a line naming it, before more than its head is read
// when the stored bytes, or the decoded size they state, pass the load's bound,
// or what the load holds at once (both while it decodes) passes what is left of
// the budget for loaded data. readError names what a short read logs (null:
// nothing).
bool LoadStored(HANDLE file, uint64_t stored, const char* name, const char* readError, uint8_t** data,
                uint32_t* size) {
    if (!FitsLoad(stored, name)) return false;
    const auto length = static_cast<uint32_t>(stored);
    uint8_t head[KestraFile::kLzssHeaderSize] = {};
    const uint32_t headBytes = length < sizeof head ? length : sizeof head;
    const auto shortRead = [&] {
        if (readError) LogError("ファイル読み込みに失敗しました", readError);
        return false;
    };
    if (!ReadExactly(file, head, headBytes)) return shortRead();
    // The head holds the whole block's first bytes; the size is the block's, for the bound.
    const int32_t decoded = KestraFile::GetLzssSize(head, length);
    if (decoded >= 0 && !FitsLoad(static_cast<uint32_t>(decoded), name)) return false;
    // Each block with its spare byte; while it decodes, both.
    if (!FitsLoadedMemory(stored + 1 + (decoded >= 0 ? static_cast<uint64_t>(decoded) + 1 : 0), name)) return false;
    auto* buffer = static_cast<uint8_t*>(Kestra::MemoryAllocLoaded(length + 1));
    if (!buffer) return false;
    std::memcpy(buffer, head, headBytes);
    if (!ReadExactly(file, buffer + headBytes, length - headBytes)) {
        Kestra::MemoryFree(buffer);
        return shortRead();
    }
    uint32_t bytes = length;
    if (!KestraFile::DecodeLzss(&buffer, &bytes)) {
        LogError("データが壊れています", name);
        Kestra::MemoryFree(buffer);
        return false;
    }
    *data = buffer;
    if (size) *size = bytes;
    return true;
}

// Reads an open loose file whole and decodes it. The file stays open.
bool LoadOpenFile(HANDLE file, const char* path, uint8_t** data, uint32_t* size) {
    uint64_t fileSize = 0;
    return FileSize64(file, &fileSize) && LoadStored(file, fileSize, path, nullptr, data, size);
}

// One loose candidate of the search. Answers 1 found (result in *ok), 0 absent.
int TryLooseLoad(const char* path, uint8_t** data, uint32_t* size, bool* ok) {
    Kestra::ResetCurrentDirectory();
    HANDLE file = OpenForRead(path);
    if (file == INVALID_HANDLE_VALUE) return 0;
    *ok = data ? LoadOpenFile(file, path, data, size) : true;
    CloseHandle(file);
    return 1;
}

KestraFileHandle* NewHandle(HANDLE file, uint32_t inPack, uint32_t start, uint32_t size, const char* path) {
    auto* handle = static_cast<KestraFileHandle*>(Kestra::MemoryAlloc(sizeof(KestraFileHandle)));
    if (!handle) return nullptr;
    handle->file = file;
    handle->inPack = inPack;
    handle->start = start;
    handle->size = size;
    // Cut to the buffer, which the allocator zeroed.
    std::memcpy(handle->path, path, strnlen(path, MAX_PATH - 1));
    return handle;
}

}  // namespace

namespace KestraFile {

bool Initialize() {
    CCriticalSectionLock lock(FileLock());
    for (KestraPackMount& mount : g_mounts) {
        CloseMount(mount);  // a second start must not leak the first one's packs
        mount.root[0] = '\0';
        mount.pack[0] = '\0';
    }
    return true;
}

void Finalize() {
    CCriticalSectionLock lock(FileLock());
    for (KestraPackMount& mount : g_mounts) CloseMount(mount);
}

void Mount(uint32_t slot, const char* root, const char* pack) {
    if (slot >= kMountSlots) return;
    CCriticalSectionLock lock(FileLock());
    KestraPackMount& mount = g_mounts[slot];
    CloseMount(mount);
    mount.root[0] = '\0';
    mount.pack[0] = '\0';

    const char* rootText = root ? root : "";
    const size_t rootLength = std::strlen(rootText);
    if (rootLength + 2 > MAX_PATH) {
        LogError("パスが長すぎます", rootText);
    } else {
        ReplaceChar(mount.root, rootText, '\\', '/');
        // The last character, not the last byte: a trail byte may be 0x5C.
        bool endsInSeparator = false;
        for (const char* p = mount.root; *p;) {
            const uint32_t bytes = Kestra::GetChar(p, nullptr);
            endsInSeparator = bytes == 1 && *p == '\\';
            p += bytes;
        }
        if (rootLength > 0 && !endsInSeparator) std::strcat(mount.root, "\\");
    }

    if (!pack || !*pack) return;
    if (std::strlen(pack) >= MAX_PATH) {
        LogError("パスが長すぎます", pack);
        return;
    }
    ReplaceChar(mount.pack, pack, '\\', '/');
    HANDLE file = OpenForRead(mount.pack);
    if (file == INVALID_HANDLE_VALUE) return;

    uint8_t header[kPackHeaderSize] = {};
    uint64_t fileSize = 0;
    uint32_t count = 0;
    const bool haveHeader =
        FileSize64(file, &fileSize) && fileSize >= kPackHeaderSize && ReadExactly(file, header, kPackHeaderSize);
    if (!haveHeader || std::memcmp(header, "PACK", 4) != 0) {
        CloseHandle(file);
        return;
    }
    if (!ParsePackHeader(header, fileSize, &count)) {
        RefusePack(mount, "パックファイルが壊れています");
        CloseHandle(file);
        return;
    }
    uint8_t* directory = nullptr;
    if (count > 0) {
        // ParsePackHeader bounds the count, so the directory's size fits in 32 bits.
        const auto bytes = static_cast<uint32_t>(PackDirectoryEnd(count) - kPackHeaderSize);
        directory = static_cast<uint8_t*>(Kestra::MemoryAlloc(bytes));
        if (!directory || !ReadExactly(file, directory, bytes)) {
            RefusePack(mount, "パックファイルが壊れています");
            if (directory) Kestra::MemoryFree(directory);
            CloseHandle(file);
            return;
        }
    }
    mount.packHandle = file;
    mount.directory = directory;
    mount.count = count;
    mount.packSize = fileSize;
}

bool LoadFromPack(const char* name, uint32_t slot, uint8_t** data, uint32_t* size) {
    if (slot >= kMountSlots || !name) return false;
    CCriticalSectionLock lock(FileLock());
    KestraPackMount& mount = g_mounts[slot];
    ReportRefusal(mount);
    if (mount.packHandle == INVALID_HANDLE_VALUE) return false;
    char normalized[MAX_PATH];
    if (!NormalizePath(normalized, name)) return false;
    uint32_t offset = 0;
    uint32_t stored = 0;
    if (!FindPackEntry(mount.directory, mount.count, normalized, &offset, &stored, nullptr)) return false;
    if (!data) return true;

    if (static_cast<uint64_t>(offset) + stored > mount.packSize || stored == 0xFFFFFFFFu) {
        LogError("パックファイルが壊れています", mount.pack);
        return false;
    }
    if (!SetPosition(mount.packHandle, offset)) return false;
    return LoadStored(mount.packHandle, stored, name, mount.pack, data, size);
}

bool Load(const char* name, uint8_t** data, uint32_t* size) {
    if (!name) return false;
    CCriticalSectionLock lock(FileLock());
    char path[MAX_PATH];
    bool ok = false;
    for (uint32_t slot = 0; slot < kMountSlots; ++slot) {
        if (JoinPath(path, g_mounts[slot].root, name) && TryLooseLoad(path, data, size, &ok)) return ok;
        if (LoadFromPack(name, slot, data, size)) return true;
    }
    if (JoinPath(path, "", name) && TryLooseLoad(path, data, size, &ok)) return ok;
    return false;
}

bool GetFilePath(char* out, const char* name) {
    if (!out || !name) return false;
    CCriticalSectionLock lock(FileLock());
    char path[MAX_PATH];
    bool ok = false;
    for (uint32_t slot = 0; slot < kMountSlots; ++slot) {
        if (JoinPath(path, g_mounts[slot].root, name) && TryLooseLoad(path, nullptr, nullptr, &ok)) {
            std::memcpy(out, path, std::strlen(path) + 1);
            return true;
        }
        if (LoadFromPack(name, slot, nullptr, nullptr)) {
            if (!JoinPath(out, "", name)) return false;
            return true;
        }
    }
    if (JoinPath(path, "", name) && TryLooseLoad(path, nullptr, nullptr, &ok)) {
        std::memcpy(out, path, std::strlen(path) + 1);
        return true;
    }
    return false;
}

bool GetFileKey(char* out, const char* name) {
    char path[MAX_PATH];
    return GetFilePath(path, name) && CanonicalPath(out, MAX_PATH, path);
}

KestraFileHandle* OpenPlain(const char* path, bool readOnly) {
    if (!path) return nullptr;
    Kestra::ResetCurrentDirectory();
    char normalized[MAX_PATH] = {};
    if (!NormalizePath(normalized, path)) return nullptr;
    HANDLE file = OpenWithRules(normalized, readOnly);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    FILETIME times[3] = {};
    GetFileTime(file, &times[0], &times[1], &times[2]);
    uint64_t size = 0;
    if (!FileSize64(file, &size) || size > 0xFFFFFFFFu) {
        CloseHandle(file);
        return nullptr;
    }
    KestraFileHandle* handle = NewHandle(file, 0, 0, static_cast<uint32_t>(size), normalized);
    if (!handle) {
        CloseHandle(file);
        return nullptr;
    }
    handle->creationTime = times[0];
    handle->accessTime = times[1];
    handle->writeTime = times[2];
    return handle;
}

KestraFileHandle* OpenInPack(const char* name, uint32_t slot, bool readOnly) {
    if (slot >= kMountSlots || !name) return nullptr;
    CCriticalSectionLock lock(FileLock());
    KestraPackMount& mount = g_mounts[slot];
    ReportRefusal(mount);
    if (mount.packHandle == INVALID_HANDLE_VALUE) return nullptr;
    Kestra::ResetCurrentDirectory();
    char normalized[MAX_PATH];
    if (!NormalizePath(normalized, name)) return nullptr;
    uint32_t offset = 0;
    uint32_t size = 0;
    if (!FindPackEntry(mount.directory, mount.count, normalized, &offset, &size, nullptr)) return nullptr;
    if (static_cast<uint64_t>(offset) + size > mount.packSize) {
        LogError("パックファイルが壊れています", mount.pack);
        return nullptr;
    }
    HANDLE file = OpenWithRules(mount.pack, readOnly);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    FILETIME times[3] = {};
    GetFileTime(file, &times[0], &times[1], &times[2]);
    KestraFileHandle* handle = nullptr;
    if (SetPosition(file, offset)) handle = NewHandle(file, 1, offset, size, mount.pack);
    if (!handle) {
        CloseHandle(file);
        return nullptr;
    }
    handle->creationTime = times[0];
    handle->accessTime = times[1];
    handle->writeTime = times[2];
    return handle;
}

KestraFileHandle* Open(const char* name, bool readOnly) {
    if (!name) return nullptr;
    CCriticalSectionLock lock(FileLock());
    char path[MAX_PATH];
    for (uint32_t slot = 0; slot < kMountSlots; ++slot) {
        if (JoinPath(path, g_mounts[slot].root, name)) {
            if (KestraFileHandle* handle = OpenPlain(path, readOnly)) return handle;
        }
        if (KestraFileHandle* handle = OpenInPack(name, slot, readOnly)) return handle;
    }
    return OpenPlain(name, readOnly);
}

void Close(KestraFileHandle* handle) {
    if (!handle) return;
    if (handle->file != INVALID_HANDLE_VALUE && handle->file != nullptr) {
        SetFileTime(handle->file, &handle->creationTime, &handle->accessTime, &handle->writeTime);
        CloseHandle(handle->file);
    }
    Kestra::MemoryFree(handle);
}

uint32_t GetSize(const KestraFileHandle* handle) { return handle ? handle->size : 0; }

uint32_t Read(KestraFileHandle* handle, uint32_t bytes, void* out) {
    if (!handle || handle->file == INVALID_HANDLE_VALUE || handle->file == nullptr) return 0;
    uint64_t position = 0;
    if (!GetPosition(handle->file, &position)) return 0;
    const uint64_t end = static_cast<uint64_t>(handle->start) + handle->size;
    const uint64_t remaining = position < end ? end - position : 0;
    const uint32_t n = bytes < remaining ? bytes : static_cast<uint32_t>(remaining);
    if (n == 0 || !out) return 0;
    DWORD got = 0;
    if (!ReadFile(handle->file, out, n, &got, nullptr)) return 0;
    return got;
}

bool Seek(KestraFileHandle* handle, int32_t offset, uint32_t origin) {
    if (!handle || handle->file == INVALID_HANDLE_VALUE || handle->file == nullptr) return false;
    uint64_t current = 0;
    if (!GetPosition(handle->file, &current)) return false;
    const int64_t start = handle->start;
    const int64_t end = start + handle->size;
    int64_t target = static_cast<int64_t>(current);
    switch (origin) {
        case kSeekCurrent: target = static_cast<int64_t>(current) + offset; break;
        case kSeekBegin: target = start + offset; break;
        case kSeekEnd: target = end + offset; break;
        default: break;
    }
    if (target < start || target > end) return false;
    return SetPosition(handle->file, static_cast<uint64_t>(target));
}

}  // namespace KestraFile
