// kernel32 subset: files and paths, modules, time, locks, threads, errors.
#pragma once

#include <cstdarg>

#include "platform/win32/types.h"

// ---- Errors
DWORD GetLastError();
void SetLastError(DWORD code);
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_HANDLE_EOF 38L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_NEGATIVE_SEEK 131L
#define ERROR_INVALID_FUNCTION 1L
#define ERROR_TOO_MANY_OPEN_FILES 4L
#define ERROR_NOT_SAME_DEVICE 17L
#define ERROR_WRITE_FAULT 29L
#define ERROR_READ_FAULT 30L
#define ERROR_NOT_SUPPORTED 50L
#define ERROR_FILE_EXISTS 80L
#define ERROR_DISK_FULL 112L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_INVALID_NAME 123L
#define ERROR_DIR_NOT_EMPTY 145L
#define ERROR_FILENAME_EXCED_RANGE 206L
#define ERROR_FILE_TOO_LARGE 223L
#define ERROR_NOT_OWNER 288L
#define ERROR_TOO_MANY_POSTS 298L
#define ERROR_MR_MID_NOT_FOUND 317L
#define ERROR_STOPPED_ON_SYMLINK 681L
// The system's wording of an error code, ended by CR LF as Windows ends it. Only
// FORMAT_MESSAGE_FROM_SYSTEM with FORMAT_MESSAGE_IGNORE_INSERTS into the caller's
// buffer; 0 (ERROR_MR_MID_NOT_FOUND) for a code it has no words for.
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer, DWORD size,
                     va_list* arguments);

// ---- Handles, waiting, mutexes, semaphores
BOOL CloseHandle(HANDLE handle);
#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_ABANDONED 0x00000080L
#define WAIT_TIMEOUT 0x00000102L
#define WAIT_FAILED 0xFFFFFFFF
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
struct SECURITY_ATTRIBUTES;
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
// Named mutexes are seen by every process of the same user (a lock file under the
// user's runtime folder), as Windows shares them within a session.
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name);
BOOL ReleaseMutex(HANDLE mutex);
HANDLE CreateSemaphoreA(LPSECURITY_ATTRIBUTES attributes, LONG initialCount, LONG maximumCount, LPCSTR name);
BOOL ReleaseSemaphore(HANDLE semaphore, LONG releaseCount, LONG* previousCount);

// ---- Critical sections (re-entrant for the owning thread)
typedef struct _CRITICAL_SECTION {
    void* impl;  // the platform's recursive lock
} CRITICAL_SECTION, *LPCRITICAL_SECTION;
void InitializeCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);
void EnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);

// ---- Threads
HANDLE GetCurrentThread();
DWORD GetCurrentThreadId();
HANDLE GetCurrentProcess();
DWORD GetCurrentProcessId();
DWORD SetThreadIdealProcessor(HANDLE thread, DWORD idealProcessor);
DWORD_PTR SetThreadAffinityMask(HANDLE thread, DWORD_PTR mask);
void Sleep(DWORD milliseconds);
// Sleeps are not alertable here (there are no APCs); SleepEx(0) yields.
DWORD SleepEx(DWORD milliseconds, BOOL alertable);

// ---- Time
BOOL QueryPerformanceCounter(LARGE_INTEGER* counter);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
DWORD GetTickCount();

// ---- Waitable timers: unnamed one-shot timers with relative due times (negative,
// in 100 ns units; absolute times, periods and completion routines answer
// ERROR_NOT_SUPPORTED). Every timer here is of high resolution. A wait on a
// synchronization timer resets it; a manual-reset one stays signalled until set again.
#define CREATE_WAITABLE_TIMER_MANUAL_RESET 0x00000001
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#define TIMER_ALL_ACCESS 0x001F0003
typedef void(CALLBACK* PTIMERAPCROUTINE)(LPVOID argument, DWORD timerLow, DWORD timerHigh);
HANDLE CreateWaitableTimerExW(LPSECURITY_ATTRIBUTES attributes, LPCWSTR name, DWORD flags, DWORD desiredAccess);
BOOL SetWaitableTimer(HANDLE timer, const LARGE_INTEGER* dueTime, LONG period, PTIMERAPCROUTINE completion,
                      LPVOID argument, BOOL resume);

// ---- Modules
// "d3d9.dll" resolves to the built-in Direct3D module; other names load a shared
// object of the same base name beside the executable ("Torvi.dll" -> "Torvi.so").
HMODULE LoadLibraryA(LPCSTR fileName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);
HMODULE GetModuleHandleA(LPCSTR moduleName);
// Answers the executable's path in Windows form ("C:\..." style is not invented:
// the real folder with "\" separators), or the test override of the program folder.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);

// ---- Current directory and paths. Paths accept "\" and "/" and resolve each
// component without regard to ASCII case; names are CP932 inside, UTF-8 on disk.
BOOL SetCurrentDirectoryA(LPCSTR pathName);
DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer);
BOOL DeleteFileA(LPCSTR fileName);
BOOL CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES attributes);
// Renames; a link at the new name is replaced, never followed.
BOOL MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags);
#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_WRITE_THROUGH 0x00000008
// The attributes of the name itself: a symbolic link answers REPARSE_POINT (with
// DIRECTORY when it leads to a folder), a pipe, socket or device DEVICE.
DWORD GetFileAttributesA(LPCSTR fileName);
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_DEVICE 0x00000040
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400

// ---- File handles
#define GENERIC_READ 0x80000000L
#define GENERIC_WRITE 0x40000000L
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_FLAG_OPEN_REPARSE_POINT 0x00200000
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000
#define FILE_FLAG_RANDOM_ACCESS 0x10000000
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define INVALID_SET_FILE_POINTER ((DWORD)-1)
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)
struct OVERLAPPED;
typedef OVERLAPPED* LPOVERLAPPED;
// Only regular files are opened. A call that may create, truncate or write never
// goes through a symbolic link at the name (ERROR_STOPPED_ON_SYMLINK), and
// neither does a read with FILE_FLAG_OPEN_REPARSE_POINT; other reads follow links.
HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES attributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD numberOfBytesToRead, LPDWORD numberOfBytesRead, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD numberOfBytesToWrite, LPDWORD numberOfBytesWritten,
               LPOVERLAPPED overlapped);
DWORD SetFilePointer(HANDLE file, LONG distanceToMove, PLONG distanceToMoveHigh, DWORD moveMethod);
DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh);
BOOL GetFileTime(HANDLE file, LPFILETIME creationTime, LPFILETIME lastAccessTime, LPFILETIME lastWriteTime);
BOOL SetFileTime(HANDLE file, const FILETIME* creationTime, const FILETIME* lastAccessTime,
                 const FILETIME* lastWriteTime);
BOOL FlushFileBuffers(HANDLE file);

// ---- Profile (.ini) files
UINT GetPrivateProfileIntA(LPCSTR appName, LPCSTR keyName, INT defaultValue, LPCSTR fileName);
DWORD GetPrivateProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR defaultValue, LPSTR returnedString, DWORD size,
                               LPCSTR fileName);
BOOL WritePrivateProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR string, LPCSTR fileName);

// ---- Debug output and console
void OutputDebugStringA(LPCSTR text);
BOOL AllocConsole();
BOOL FreeConsole();
#define STD_INPUT_HANDLE ((DWORD)-10)
#define STD_OUTPUT_HANDLE ((DWORD)-11)
#define STD_ERROR_HANDLE ((DWORD)-12)
HANDLE GetStdHandle(DWORD stdHandle);
BOOL WriteConsoleA(HANDLE console, const void* buffer, DWORD charsToWrite, LPDWORD charsWritten, LPVOID reserved);
BOOL SetConsoleTextAttribute(HANDLE console, WORD attributes);
#define FOREGROUND_BLUE 0x0001
#define FOREGROUND_GREEN 0x0002
#define FOREGROUND_RED 0x0004
#define FOREGROUND_INTENSITY 0x0008
#define BACKGROUND_BLUE 0x0010
#define BACKGROUND_GREEN 0x0020
#define BACKGROUND_RED 0x0040
#define BACKGROUND_INTENSITY 0x0080

// ---- The program's instance: the platform's entry passes it to WinMain.
extern "C++" int WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
// The runtime's argument count and vector, as the C runtime exposes them.
extern int __argc;
extern char** __argv;

namespace platform {
// The process's exit status for WinMain's result. WinMain answers 0 after a
// failed start too; a start that found no display to show the window on ends
// with 1, so a launcher or a script sees that the game never appeared.
int ProcessExitStatus(int winMainResult);
// Built-in modules answer LoadLibraryA by name without a file: a component
// registers its exported entry points here (a static registrar in its library).
using BuiltinResolver = FARPROC (*)(LPCSTR procName);
void RegisterBuiltinModule(LPCSTR name, BuiltinResolver resolver);
}  // namespace platform
