// The handle table behind every kernel HANDLE, CloseHandle, WaitForSingleObject
// and the per-thread last error.
#include <sys/stat.h>

#include <cerrno>
#include <mutex>
#include <unordered_map>

#include "platform/win32/kernel.h"
#include "platform/win32/kernel_internal.h"
#include "platform/win32/testing.h"

namespace platform {

namespace {

struct HandleTable {
    std::mutex lock;
    std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> objects;
    // Values grow and are never reused, so a closed handle stays invalid.
    uintptr_t next = 0x100;
};

HandleTable& Table() {
    static HandleTable* table = new HandleTable;  // outlives static destructors
    return *table;
}

thread_local DWORD lastError = 0;

}  // namespace

DWORD KernelObject::Wait(DWORD) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
}

HANDLE RegisterHandle(std::shared_ptr<KernelObject> object) {
    HandleTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    uintptr_t value = table.next;
    table.next += 4;
    table.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
    HandleTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    auto it = table.objects.find(reinterpret_cast<uintptr_t>(handle));
    return it == table.objects.end() ? nullptr : it->second;
}

size_t OpenHandleCount() {
    HandleTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    return table.objects.size();
}

DWORD Win32ErrorFromErrno(int error) {
    switch (error) {
        case 0: return ERROR_SUCCESS;
        case ENOENT: return ERROR_FILE_NOT_FOUND;
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY: return ERROR_ACCESS_DENIED;
        case EEXIST: return ERROR_ALREADY_EXISTS;
        case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
        case EBADF: return ERROR_INVALID_HANDLE;
        case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        case ENOSPC:
        case EDQUOT:
        case EFBIG: return ERROR_DISK_FULL;
        case EMFILE:
        case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
        case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
        case EXDEV: return ERROR_NOT_SAME_DEVICE;
        case EINVAL: return ERROR_INVALID_PARAMETER;
        case EIO: return ERROR_READ_FAULT;
        default: return ERROR_INVALID_FUNCTION;
    }
}

DWORD MissingFileError(const std::string& hostPath) {
    size_t slash = hostPath.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string(".") : hostPath.substr(0, slash ? slash : 1);
    struct stat st;
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
    return ERROR_FILE_NOT_FOUND;
}

}  // namespace platform

DWORD GetLastError() { return platform::lastError; }

void SetLastError(DWORD code) { platform::lastError = code; }

BOOL CloseHandle(HANDLE handle) {
    if (handle == KESTRA_PSEUDO_PROCESS || handle == KESTRA_PSEUDO_THREAD) return TRUE;
    std::shared_ptr<platform::KernelObject> closing;
    {
        platform::HandleTable& table = platform::Table();
        std::lock_guard<std::mutex> guard(table.lock);
        auto it = table.objects.find(reinterpret_cast<uintptr_t>(handle));
        if (it == table.objects.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        if (!it->second->Closable()) return TRUE;
        closing = std::move(it->second);
        table.objects.erase(it);
    }
    // The object goes (closing its descriptor) outside the table lock; a thread
    // still using it through a looked-up reference keeps it alive until done.
    closing.reset();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    std::shared_ptr<platform::KernelObject> object = platform::LookupHandle(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return object->Wait(milliseconds);
}
