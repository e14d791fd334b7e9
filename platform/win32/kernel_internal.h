// Inside the platform layer only: the pieces the kernel stand-in's files share
// (kernel objects behind HANDLE values, error mapping, path resolution).
#pragma once

#include <memory>
#include <string>

#include "platform/win32/types.h"

namespace platform {

// ---- Kernel objects. A HANDLE is a number from a table, never a pointer, so a
// stale or forged handle is answered with ERROR_INVALID_HANDLE instead of a crash.
class KernelObject {
public:
    virtual ~KernelObject() = default;
    // WaitForSingleObject on the object; the default is "not waitable".
    virtual DWORD Wait(DWORD milliseconds);
    // Standard console handles stay valid after CloseHandle.
    virtual bool Closable() const { return true; }
};
HANDLE RegisterHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}
// Pseudo handles answered by GetCurrentProcess / GetCurrentThread.
#define KESTRA_PSEUDO_PROCESS ((HANDLE)(LONG_PTR)-1)
#define KESTRA_PSEUDO_THREAD ((HANDLE)(LONG_PTR)-2)

// ---- Files. Opens a host path as a data file, never waiting: anything but a
// regular file (a named pipe, a device, a socket) is refused at once as missing
// (ENOENT), a folder as EISDIR, before or after the open (O_NONBLOCK keeps a pipe
// from holding it). flags as open() takes them; O_CLOEXEC is added, and
// O_NOFOLLOW to any open that may create, cut or write: a symbolic link at the
// name is then refused as ELOOP, as with O_NOFOLLOW given. Answers the
// descriptor, blocking as usual, or -1 with errno.
int OpenDataFile(const std::string& hostPath, int flags, unsigned mode);

// ---- Errors: errno of a failed POSIX call as the Win32 code Windows reports.
DWORD Win32ErrorFromErrno(int error);
// ENOENT on a path is ERROR_PATH_NOT_FOUND when its folder is missing too.
DWORD MissingFileError(const std::string& hostPath);

// ---- CP932 helpers (the lead-byte rule is platform/win32/shift_jis.h, the
// conversions platform/win32/cp932.h).
// ASCII letters in lower case; the second byte of a CP932 pair is left alone.
std::string FoldCp932(const std::string& text);

// ---- Paths. A Windows path ("\" or "/" separators, any ASCII case, CP932) to the
// host path (UTF-8, absolute). Existing components are matched without regard to
// ASCII case; missing ones are kept as given. False for an empty or null path,
// and for one holding a lead byte paired with "/" (PairsWithSlash).
bool HostPath(const char* windowsPath, std::string& hostPath);
// A host path (UTF-8, absolute) in Windows form: CP932 with "\" separators, so
// "/tmp/x" becomes "\tmp\x". False when it cannot be expressed in CP932.
bool WindowsPathOf(const std::string& hostPath, std::string& windowsPath);
// The folder the program runs from (host form): the test override, else the
// executable's folder. ExecutablePath is the real executable.
std::string ExecutablePath();
std::string ProgramFolderOverride();  // empty when none is set

// ---- The tests' wall clock: true, with its seconds since 1970, while one is set.
bool WallClockSet(int64_t& seconds);

// ---- Console: Windows colour attributes as an ANSI escape sequence.
std::string AnsiColourOf(WORD attributes);

}  // namespace platform
