// The handle table behind every kernel HANDLE, CloseHandle, WaitForSingleObject
// and the per-thread last error.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
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
        case ELOOP: return ERROR_STOPPED_ON_SYMLINK;
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

DWORD FormatMessageA(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPSTR buffer, DWORD size, va_list*) {
    struct Words {
        DWORD code;
        const char* text;
    };
    // The codes this layer sets, in its own words.
    static const Words kWords[] = {
        {ERROR_SUCCESS, "No error."},
        {ERROR_INVALID_FUNCTION, "The operation cannot be done on this object."},
        {ERROR_FILE_NOT_FOUND, "There is no file of that name."},
        {ERROR_PATH_NOT_FOUND, "A folder of the path does not exist."},
        {ERROR_TOO_MANY_OPEN_FILES, "Too many files are open."},
        {ERROR_ACCESS_DENIED, "Access was refused."},
        {ERROR_INVALID_HANDLE, "The handle is not valid."},
        {ERROR_NOT_ENOUGH_MEMORY, "There is not enough memory."},
        {ERROR_NOT_SAME_DEVICE, "The file cannot be moved to another disk."},
        {ERROR_WRITE_FAULT, "The device could not be written."},
        {ERROR_READ_FAULT, "The device could not be read."},
        {ERROR_HANDLE_EOF, "The end of the file was reached."},
        {ERROR_NOT_SUPPORTED, "The request is not supported."},
        {ERROR_FILE_EXISTS, "A file of that name exists already."},
        {ERROR_INVALID_PARAMETER, "A parameter is not valid."},
        {ERROR_DISK_FULL, "The disk is full."},
        {ERROR_INSUFFICIENT_BUFFER, "The buffer is too small."},
        {ERROR_INVALID_NAME, "The name is not valid."},
        {ERROR_MOD_NOT_FOUND, "The module was not found."},
        {ERROR_PROC_NOT_FOUND, "The procedure was not found."},
        {ERROR_NEGATIVE_SEEK, "The position would lie before the start of the file."},
        {ERROR_DIR_NOT_EMPTY, "The folder is not empty."},
        {ERROR_ALREADY_EXISTS, "The name is taken already."},
        {ERROR_FILENAME_EXCED_RANGE, "The name is too long."},
        {ERROR_FILE_TOO_LARGE, "The file is too large."},
        {ERROR_STOPPED_ON_SYMLINK, "The name is a symbolic link, which is not followed."},
    };
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    for (const Words& words : kWords) {
        if (words.code != messageId) continue;
        const size_t length = std::strlen(words.text) + 2;
        if (length + 1 > size) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        std::memcpy(buffer, words.text, length - 2);
        std::memcpy(buffer + length - 2, "\r\n", 3);
        return static_cast<DWORD>(length);
    }
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
}

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
