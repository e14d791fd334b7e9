// File handles and file-system operations on POSIX descriptors.
//
// Share modes are accepted and ignored (POSIX has no mandatory locking). File
// times: FILETIME counts 100 ns from 1601-01-01; the creation time is the
// file's birth time where the file system records one, else its write time,
// and cannot be set. SetFileTime works through any handle of the file's owner
// (a reader restores the times its reading changed).
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/win32/kernel.h"
#include "platform/win32/kernel_internal.h"
#include "platform/win32/testing.h"

namespace platform {

namespace {

class FileObject : public KernelObject {
public:
    FileObject(int fd, bool canRead, bool canWrite) : fd_(fd), canRead_(canRead), canWrite_(canWrite) {}
    ~FileObject() override { close(fd_); }
    // File handles are signalled (no overlapped operations are ever pending).
    DWORD Wait(DWORD) override { return WAIT_OBJECT_0; }
    int fd() const { return fd_; }
    bool canRead() const { return canRead_; }
    bool canWrite() const { return canWrite_; }

private:
    int fd_;
    bool canRead_;
    bool canWrite_;
};

std::shared_ptr<FileObject> FileOf(HANDLE handle) {
    auto file = LookupHandleAs<FileObject>(handle);
    if (!file) SetLastError(ERROR_INVALID_HANDLE);
    return file;
}

// Seconds between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochDifference = 11644473600LL;
constexpr int64_t kTicksPerSecond = 10'000'000;

FILETIME FileTimeOf(const timespec& time) {
    int64_t ticks = (static_cast<int64_t>(time.tv_sec) + kEpochDifference) * kTicksPerSecond + time.tv_nsec / 100;
    if (ticks < 0) ticks = 0;  // before 1601: not expressible
    FILETIME out;
    out.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) & 0xFFFFFFFFu);
    out.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
    return out;
}

timespec TimespecOf(const FILETIME& time) {
    uint64_t ticks = (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    timespec out;
    out.tv_sec = static_cast<time_t>(static_cast<int64_t>(ticks / kTicksPerSecond) - kEpochDifference);
    out.tv_nsec = static_cast<long>(ticks % kTicksPerSecond) * 100;
    return out;
}

// Both 0xFFFFFFFF halves: "leave this time alone", as documented.
bool KeepsTime(const FILETIME* time) {
    return !time || (time->dwLowDateTime == 0xFFFFFFFFu && time->dwHighDateTime == 0xFFFFFFFFu);
}

bool ResolveOrFail(LPCSTR name, std::string& host) {
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!HostPath(name, host)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    return true;
}

void SetErrorForPath(int error, const std::string& host) {
    SetLastError(error == ENOENT ? MissingFileError(host) : Win32ErrorFromErrno(error));
}

// errno for something that is there but no regular file.
int NotAFileError(const struct stat& st) { return S_ISDIR(st.st_mode) ? EISDIR : ENOENT; }

}  // namespace

int OpenDataFile(const std::string& hostPath, int flags, unsigned mode) {
    // What may be created, cut or written is never reached through a link at its
    // name: that would write wherever the link leads (ELOOP instead).
    if (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) flags |= O_NOFOLLOW;
    const bool follows = !(flags & O_NOFOLLOW);
    struct stat st;
    // What is there already and no file is not even opened (a device's open may
    // act); a name taken by it still answers EEXIST to an exclusive create.
    if (!(flags & O_EXCL) && (follows ? stat : lstat)(hostPath.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        errno = S_ISLNK(st.st_mode) ? ELOOP : NotAFileError(st);
        return -1;
    }
    int fd;
    do {
        fd = open(hostPath.c_str(), flags | O_NONBLOCK | O_CLOEXEC, static_cast<mode_t>(mode));
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        if (errno == ENXIO) errno = ENOENT;  // a pipe with no reader, a device with no driver
        return -1;
    }
    // Checked again on what was opened: the name may have changed in between.
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = S_ISDIR(st.st_mode) ? EISDIR : ENOENT;
        close(fd);
        errno = error;
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

}  // namespace platform

using platform::FileObject;

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES attributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile) {
    if (platform::FaultHit("CreateFileA")) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::string host;
    if (!platform::ResolveOrFail(fileName, host)) return INVALID_HANDLE_VALUE;

    bool canRead = (desiredAccess & GENERIC_READ) != 0;
    bool canWrite = (desiredAccess & GENERIC_WRITE) != 0;
    int flags = canWrite ? (canRead ? O_RDWR : O_WRONLY) : O_RDONLY;
    switch (creationDisposition) {
        case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
        case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
        case OPEN_EXISTING: break;
        case OPEN_ALWAYS: flags |= O_CREAT; break;
        case TRUNCATE_EXISTING:
            if (!canWrite) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return INVALID_HANDLE_VALUE;
            }
            flags |= O_TRUNC;
            break;
        default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
    }
    if (flagsAndAttributes & FILE_FLAG_OPEN_REPARSE_POINT) flags |= O_NOFOLLOW;
    // As if another had taken the name first: only an exclusive create notices.
    if (creationDisposition == CREATE_NEW && platform::FaultHit("CreateFileA.taken")) {
        SetLastError(ERROR_FILE_EXISTS);
        return INVALID_HANDLE_VALUE;
    }
    struct stat before;
    bool existed = lstat(host.c_str(), &before) == 0;
    // Folders are not opened as files (Windows needs backup semantics for that):
    // EISDIR, answered as access denied; pipes, devices and sockets as missing.
    const unsigned mode = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    const int fd = platform::OpenDataFile(host, flags, mode);
    if (fd < 0) {
        int error = errno;
        if (error == EEXIST) SetLastError(ERROR_FILE_EXISTS);
        else platform::SetErrorForPath(error, host);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = platform::RegisterHandle(std::make_shared<FileObject>(fd, canRead, canWrite));
    // Windows reports an existing file replaced or opened this way.
    bool reports = creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS;
    SetLastError(reports && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD numberOfBytesToRead, LPDWORD numberOfBytesRead, LPOVERLAPPED) {
    if (numberOfBytesRead) *numberOfBytesRead = 0;
    auto object = platform::FileOf(file);
    if (!object) return FALSE;
    if (!object->canRead()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (numberOfBytesToRead > 0 && !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (platform::FaultHit("ReadFile")) {
        SetLastError(ERROR_READ_FAULT);
        return FALSE;
    }
    // A short read behaves as a file that ends early: half the bytes arrive.
    DWORD wanted = platform::FaultHit("ReadFile.short") ? numberOfBytesToRead / 2 : numberOfBytesToRead;
    char* out = static_cast<char*>(buffer);
    DWORD done = 0;
    while (done < wanted) {
        ssize_t n = read(object->fd(), out + done, wanted - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (numberOfBytesRead) *numberOfBytesRead = done;
            SetLastError(platform::Win32ErrorFromErrno(errno));
            return FALSE;
        }
        if (n == 0) break;  // end of file: success with fewer bytes
        done += static_cast<DWORD>(n);
    }
    if (numberOfBytesRead) *numberOfBytesRead = done;
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD numberOfBytesToWrite, LPDWORD numberOfBytesWritten,
               LPOVERLAPPED) {
    if (numberOfBytesWritten) *numberOfBytesWritten = 0;
    auto object = platform::FileOf(file);
    if (!object) return FALSE;
    if (!object->canWrite()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (numberOfBytesToWrite > 0 && !buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (platform::FaultHit("WriteFile")) {
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    // A short write answers success with half the bytes taken, as a full disk may.
    const DWORD wanted = platform::FaultHit("WriteFile.short") ? numberOfBytesToWrite / 2 : numberOfBytesToWrite;
    const char* in = static_cast<const char*>(buffer);
    DWORD done = 0;
    while (done < wanted) {
        ssize_t n = write(object->fd(), in + done, wanted - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (numberOfBytesWritten) *numberOfBytesWritten = done;
            SetLastError(platform::Win32ErrorFromErrno(errno));
            return FALSE;
        }
        done += static_cast<DWORD>(n);
    }
    if (numberOfBytesWritten) *numberOfBytesWritten = done;
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distanceToMove, PLONG distanceToMoveHigh, DWORD moveMethod) {
    auto object = platform::FileOf(file);
    if (!object) return INVALID_SET_FILE_POINTER;
    int64_t distance = distanceToMoveHigh
                           ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceToMoveHigh)) << 32) |
                                                  static_cast<uint32_t>(distanceToMove))
                           : static_cast<int64_t>(distanceToMove);
    int64_t base;
    if (moveMethod == FILE_BEGIN) {
        base = 0;
    } else if (moveMethod == FILE_CURRENT) {
        base = lseek(object->fd(), 0, SEEK_CUR);
    } else if (moveMethod == FILE_END) {
        struct stat st;
        base = fstat(object->fd(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (base < 0) {
        SetLastError(platform::Win32ErrorFromErrno(errno));
        return INVALID_SET_FILE_POINTER;
    }
    // Overflow-free: |base| and |distance| both fit in 63 bits.
    if ((distance < 0 && base + distance < 0)) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    if (distance > 0 && base > INT64_MAX - distance) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    int64_t target = base + distance;
    // Without a high part the answer must fit the 32-bit return value.
    if (!distanceToMoveHigh && target >= static_cast<int64_t>(INVALID_SET_FILE_POINTER)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (lseek(object->fd(), static_cast<off_t>(target), SEEK_SET) < 0) {
        SetLastError(platform::Win32ErrorFromErrno(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceToMoveHigh) *distanceToMoveHigh = static_cast<LONG>(static_cast<uint64_t>(target) >> 32);
    // Callers tell a position of 0xFFFFFFFF from a failure by the last error.
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(static_cast<uint64_t>(target) & 0xFFFFFFFFu);
}

DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh) {
    auto object = platform::FileOf(file);
    if (!object) return INVALID_FILE_SIZE;
    struct stat st;
    if (fstat(object->fd(), &st) != 0) {
        SetLastError(platform::Win32ErrorFromErrno(errno));
        return INVALID_FILE_SIZE;
    }
    uint64_t size = static_cast<uint64_t>(st.st_size);
    if (fileSizeHigh) *fileSizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

BOOL GetFileTime(HANDLE file, LPFILETIME creationTime, LPFILETIME lastAccessTime, LPFILETIME lastWriteTime) {
    auto object = platform::FileOf(file);
    if (!object) return FALSE;
    struct statx st;
    if (statx(object->fd(), "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &st) != 0) {
        SetLastError(platform::Win32ErrorFromErrno(errno));
        return FALSE;
    }
    auto convert = [](const struct statx_timestamp& t) {
        timespec ts;
        ts.tv_sec = static_cast<time_t>(t.tv_sec);
        ts.tv_nsec = static_cast<long>(t.tv_nsec);
        return platform::FileTimeOf(ts);
    };
    if (creationTime) *creationTime = convert((st.stx_mask & STATX_BTIME) ? st.stx_btime : st.stx_mtime);
    if (lastAccessTime) *lastAccessTime = convert(st.stx_atime);
    if (lastWriteTime) *lastWriteTime = convert(st.stx_mtime);
    return TRUE;
}

BOOL SetFileTime(HANDLE file, const FILETIME* creationTime, const FILETIME* lastAccessTime,
                 const FILETIME* lastWriteTime) {
    auto object = platform::FileOf(file);
    if (!object) return FALSE;
    timespec times[2];
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_nsec = UTIME_OMIT;
    times[0].tv_sec = times[1].tv_sec = 0;
    if (!platform::KeepsTime(lastAccessTime)) times[0] = platform::TimespecOf(*lastAccessTime);
    if (!platform::KeepsTime(lastWriteTime)) times[1] = platform::TimespecOf(*lastWriteTime);
    if (times[0].tv_nsec == UTIME_OMIT && times[1].tv_nsec == UTIME_OMIT) return TRUE;
    if (futimens(object->fd(), times) != 0) {
        SetLastError(platform::Win32ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE file) {
    auto object = platform::FileOf(file);
    if (!object) return FALSE;
    if (platform::FaultHit("FlushFileBuffers")) {
        SetLastError(ERROR_WRITE_FAULT);
        return FALSE;
    }
    if (fsync(object->fd()) != 0 && errno != EINVAL && errno != EROFS) {
        SetLastError(platform::Win32ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFileA(LPCSTR fileName) {
    std::string host;
    if (!platform::ResolveOrFail(fileName, host)) return FALSE;
    struct stat st;
    if (lstat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (unlink(host.c_str()) != 0) {
        platform::SetErrorForPath(errno, host);
        return FALSE;
    }
    return TRUE;
}

BOOL CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES) {
    std::string host;
    if (!platform::ResolveOrFail(pathName, host)) return FALSE;
    if (mkdir(host.c_str(), 0777) != 0) {
        int error = errno;
        // A missing parent folder is a missing path, as Windows reports it.
        SetLastError(error == ENOENT ? ERROR_PATH_NOT_FOUND : platform::Win32ErrorFromErrno(error));
        return FALSE;
    }
    return TRUE;
}

namespace {

bool SyncFolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    errno = EIO;
    const int fd = platform::FaultHit("MoveFileExA.sync") ? -1 : open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int error = fd < 0 ? errno : 0;
    if (fd >= 0) {
        if (fsync(fd) != 0 && errno != EINVAL && errno != EROFS) error = errno;
        close(fd);
    }
    if (error) SetLastError(platform::Win32ErrorFromErrno(error));
    return error == 0;
}

}  // namespace

BOOL MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags) {
    std::string from, to;
    if (!platform::ResolveOrFail(existingFileName, from) || !platform::ResolveOrFail(newFileName, to)) return FALSE;
    struct stat st;
    if (lstat(from.c_str(), &st) != 0) {
        platform::SetErrorForPath(errno, from);
        return FALSE;
    }
    int result;
    if (flags & MOVEFILE_REPLACE_EXISTING) {
        // rename() replaces the target atomically: readers see the old or the new file.
        result = rename(from.c_str(), to.c_str());
    } else {
        result = renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
        if (result != 0 && errno == EINVAL) {
            // File systems without RENAME_NOREPLACE: a check, then the rename.
            struct stat target;
            if (lstat(to.c_str(), &target) == 0) {
                errno = EEXIST;
                result = -1;
            } else {
                result = rename(from.c_str(), to.c_str());
            }
        }
    }
    if (result != 0) {
        int error = errno;
        SetLastError(error == ENOENT ? ERROR_PATH_NOT_FOUND : platform::Win32ErrorFromErrno(error));
        return FALSE;
    }
    // The rename is on the disk once the folder that holds the new name is.
    if ((flags & MOVEFILE_WRITE_THROUGH) && !SyncFolderOf(to)) return FALSE;
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR fileName) {
    std::string host;
    if (!platform::ResolveOrFail(fileName, host)) return INVALID_FILE_ATTRIBUTES;
    struct stat st;
    if (lstat(host.c_str(), &st) != 0) {
        platform::SetErrorForPath(errno, host);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (S_ISLNK(st.st_mode)) {
        struct stat target;
        const bool folder = stat(host.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
        return FILE_ATTRIBUTE_REPARSE_POINT | (folder ? FILE_ATTRIBUTE_DIRECTORY : 0);
    }
    if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    if (!S_ISREG(st.st_mode)) return FILE_ATTRIBUTE_DEVICE;
    return access(host.c_str(), W_OK) != 0 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
}
