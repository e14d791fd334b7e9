// File handles: dispositions, reads and writes, the file pointer's edges, file
// times, moves and deletes, and the injected open and read failures.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/crt.h"
#include "platform/win32/kernel_internal.h"
#include "tests/platform/win32/kernel_fixture.h"
#include "tests/support/records.h"

using namespace kerneltest;

namespace {

class KernelFiles : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        ASSERT_TRUE(SetCurrentDirectoryA(WindowsForm(dir_.path()).c_str()));
    }
    static HANDLE Open(const char* name, DWORD access, DWORD disposition) {
        return CreateFileA(name, access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    // The position, read through SetFilePointer(0, FILE_CURRENT).
    static LONGLONG Position(HANDLE file) {
        LONG high = 0;
        DWORD low = SetFilePointer(file, 0, &high, FILE_CURRENT);
        return (static_cast<LONGLONG>(high) << 32) | low;
    }
};

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;

}  // namespace

TEST_F(KernelFiles, DispositionsCreateOpenAndTruncateAsDocumented) {
    EXPECT_EQ(Open("a.bin", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    HANDLE file = Open("a.bin", GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "hello", 5, &written, nullptr));
    EXPECT_EQ(written, 5u);
    EXPECT_FALSE(WriteFile(file, nullptr, 1, &written, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    written = 7;
    EXPECT_TRUE(WriteFile(file, nullptr, 0, &written, nullptr));  // no bytes need no buffer
    EXPECT_EQ(written, 0u);
    // Written through a write-only handle, read from it: refused.
    char byte;
    DWORD got = 7;
    EXPECT_FALSE(ReadFile(file, &byte, 1, &got, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(got, 0u);
    ASSERT_TRUE(CloseHandle(file));
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    EXPECT_EQ(Open("A.BIN", GENERIC_WRITE, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));

    file = Open("A.Bin", GENERIC_READ, OPEN_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(GetFileSize(file, nullptr), 5u);
    CloseHandle(file);

    file = Open("a.bin", kReadWrite, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(GetFileSize(file, nullptr), 0u);
    CloseHandle(file);

    testsupport::WriteFile(dir_.file("a.bin"), "again");
    for (DWORD disposition : {DWORD(TRUNCATE_EXISTING), DWORD(0), DWORD(TRUNCATE_EXISTING + 1)}) {
        EXPECT_EQ(Open("a.bin", GENERIC_READ, disposition), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    file = Open("a.bin", GENERIC_WRITE, TRUNCATE_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_EQ(testsupport::ReadFile(dir_.file("a.bin")), "");

    // A folder is not a file.
    Make("folder/x", "");
    EXPECT_EQ(Open("FOLDER", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    // Out of descriptors: the open says so.
    EXPECT_EQ(testsupport::RunInChild([] {
                  const rlimit few{32, 32};
                  if (setrlimit(RLIMIT_NOFILE, &few) != 0) return 2;
                  while (open("/dev/null", O_RDONLY) >= 0) {
                  }
                  HANDLE file = Open("a.bin", GENERIC_READ, OPEN_EXISTING);
                  return file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_TOO_MANY_OPEN_FILES ? 0 : 1;
              }),
              0);
    // A write cut short by the file size limit: what was written is counted, the disk is full.
    EXPECT_EQ(testsupport::RunInChild([] {
                  const rlimit small{3, 3};
                  if (signal(SIGXFSZ, SIG_IGN) == SIG_ERR || setrlimit(RLIMIT_FSIZE, &small) != 0) return 2;
                  HANDLE file = Open("cut.bin", GENERIC_WRITE, CREATE_NEW);
                  DWORD written = 9;
                  const BOOL ok = WriteFile(file, "hello", 5, &written, nullptr);
                  return !ok && written == 3 && GetLastError() == ERROR_DISK_FULL ? 0 : 1;
              }),
              0);
}

TEST_F(KernelFiles, FilePointerEdges) {
    std::string data;
    for (int i = 0; i < 100; ++i) data.push_back(static_cast<char>(i));
    Make("data.bin", data);
    HANDLE file = Open("DATA.BIN", kReadWrite, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);

    EXPECT_EQ(SetFilePointer(file, 40, nullptr, FILE_BEGIN), 40u);
    // Before the start: refused with ERROR_NEGATIVE_SEEK, position unchanged.
    EXPECT_EQ(SetFilePointer(file, -41, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    EXPECT_EQ(SetFilePointer(file, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    EXPECT_EQ(SetFilePointer(file, -101, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(Position(file), 40);
    EXPECT_EQ(SetFilePointer(file, -40, nullptr, FILE_CURRENT), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

    // Reading with 40 bytes left delivers 40; at the end a read succeeds with 0.
    char buffer[100];
    DWORD got = 0;
    ASSERT_EQ(SetFilePointer(file, -40, nullptr, FILE_END), 60u);
    EXPECT_FALSE(ReadFile(file, nullptr, 1, &got, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(ReadFile(file, nullptr, 0, &got, nullptr));
    ASSERT_TRUE(ReadFile(file, buffer, 100, &got, nullptr));
    EXPECT_EQ(got, 40u);
    EXPECT_EQ(static_cast<unsigned char>(buffer[0]), 60);
    EXPECT_EQ(Position(file), 100);
    ASSERT_TRUE(ReadFile(file, buffer, 100, &got, nullptr));
    EXPECT_EQ(got, 0u);

    // Beyond the end is allowed; a write there extends the file.
    EXPECT_EQ(SetFilePointer(file, 10, nullptr, FILE_END), 110u);
    ASSERT_TRUE(ReadFile(file, buffer, 10, &got, nullptr));
    EXPECT_EQ(got, 0u);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "Z", 1, &written, nullptr));
    EXPECT_EQ(GetFileSize(file, nullptr), 111u);

    // Without a high part the largest answer is 0xFFFFFFFE: 0xFFFFFFFF is the failure.
    EXPECT_EQ(SetFilePointer(file, 0x7FFFFFFF, nullptr, FILE_BEGIN), 0x7FFFFFFFu);
    EXPECT_EQ(SetFilePointer(file, 0x7FFFFFFF, nullptr, FILE_CURRENT), 0xFFFFFFFEu);
    EXPECT_EQ(SetFilePointer(file, 1, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(Position(file), 0xFFFFFFFELL);

    // The high part: 4 GiB + 5 (sparse), reported back through both halves.
    LONG high = 1;
    EXPECT_EQ(SetFilePointer(file, 5, &high, FILE_BEGIN), 5u);
    EXPECT_EQ(high, 1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(Position(file), (1LL << 32) + 5);
    ASSERT_TRUE(WriteFile(file, "Z", 1, &written, nullptr));
    DWORD sizeHigh = 0;
    EXPECT_EQ(GetFileSize(file, &sizeHigh), 6u);
    EXPECT_EQ(sizeHigh, 1u);
    // Without a high part a position past 32 bits cannot be answered.
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    high = -1;  // -1:0xFFFFFFFF is -1 in 64 bits
    EXPECT_EQ(SetFilePointer(file, -1, &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    CloseHandle(file);

    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(KernelFiles, InjectedOpenAndReadFailures) {
    Make("pack.bin", std::string(100, 'p'));
    // The second open fails, as a file that vanished would; the third works again.
    platform::InjectFault("CreateFileA", 1, 1);
    HANDLE first = Open("pack.bin", GENERIC_READ, OPEN_EXISTING);
    EXPECT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open("pack.bin", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    HANDLE third = Open("pack.bin", GENERIC_READ, OPEN_EXISTING);
    EXPECT_NE(third, INVALID_HANDLE_VALUE);
    CloseHandle(third);

    // A short read succeeds with fewer bytes and leaves the rest for the next read.
    char buffer[100];
    DWORD got = 0;
    platform::InjectFault("ReadFile.short", 0, 1);
    ASSERT_TRUE(ReadFile(first, buffer, 100, &got, nullptr));
    EXPECT_GT(got, 0u);
    EXPECT_LT(got, 100u);
    DWORD rest = 0;
    ASSERT_TRUE(ReadFile(first, buffer, 100, &rest, nullptr));
    EXPECT_EQ(got + rest, 100u);

    platform::InjectFault("ReadFile");
    SetFilePointer(first, 0, nullptr, FILE_BEGIN);
    EXPECT_FALSE(ReadFile(first, buffer, 10, &got, nullptr));
    EXPECT_EQ(got, 0u);
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    platform::ClearFaults();
    EXPECT_TRUE(ReadFile(first, buffer, 10, &got, nullptr));
    EXPECT_EQ(got, 10u);
    CloseHandle(first);
}

// Only regular files are opened as data: a named pipe with nobody at its other
// end, a socket and a device are refused at once, as missing files are, by every
// disposition that would open what is there and by the C library's fopen; a
// folder is refused as before. An exclusive create still finds the name taken,
// and nothing there is replaced. Each open runs in a child under an alarm, so
// one that waits fails the test instead of holding it.
TEST_F(KernelFiles, OnlyRegularFilesAreOpenedAndNothingWaits) {
    const std::string pipe = dir_.file("title.png");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string socketPath = dir_.file("socket.png");
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(mkdir(dir_.file("folder.png").c_str(), 0700), 0);
    Make("plain.png", "plain");
    ASSERT_EQ(symlink(dir_.file("plain.png").c_str(), dir_.file("link.png").c_str()), 0);
    ASSERT_EQ(symlink(dir_.file("none.png").c_str(), dir_.file("nowhere.png").c_str()), 0);

    const int failed = testsupport::RunInChild([] {
        alarm(10);
        struct Try {
            const char* name;
            DWORD access;
            DWORD disposition;
            DWORD error;  // ERROR_SUCCESS: opens
            DWORD flags = FILE_ATTRIBUTE_NORMAL;
        };
        const Try tries[] = {
            {"title.png", GENERIC_READ, OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
            {"title.png", GENERIC_WRITE, OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
            {"title.png", kReadWrite, OPEN_ALWAYS, ERROR_FILE_NOT_FOUND},
            {"title.png", GENERIC_WRITE, CREATE_ALWAYS, ERROR_FILE_NOT_FOUND},
            {"title.png", GENERIC_WRITE, TRUNCATE_EXISTING, ERROR_FILE_NOT_FOUND},
            {"title.png", GENERIC_WRITE, CREATE_NEW, ERROR_FILE_EXISTS},
            {"socket.png", GENERIC_READ, OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
            {"socket.png", GENERIC_WRITE, CREATE_ALWAYS, ERROR_FILE_NOT_FOUND},
            {"/dev/null", GENERIC_READ, OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
            {"/dev/null", GENERIC_WRITE, CREATE_ALWAYS, ERROR_FILE_NOT_FOUND},
            {"\\dev\\zero", GENERIC_READ, OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
            {"folder.png", GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
            {"PLAIN.png", GENERIC_READ, OPEN_EXISTING, ERROR_SUCCESS},
            // A link is followed only to be read, and not when its own flag says so.
            {"link.png", GENERIC_READ, OPEN_EXISTING, ERROR_SUCCESS},
            {"link.png", GENERIC_READ, OPEN_EXISTING, ERROR_STOPPED_ON_SYMLINK, FILE_FLAG_OPEN_REPARSE_POINT},
            {"link.png", GENERIC_WRITE, OPEN_EXISTING, ERROR_STOPPED_ON_SYMLINK},
            {"link.png", GENERIC_WRITE, CREATE_ALWAYS, ERROR_STOPPED_ON_SYMLINK},
            {"link.png", kReadWrite, OPEN_ALWAYS, ERROR_STOPPED_ON_SYMLINK},
            {"link.png", GENERIC_WRITE, TRUNCATE_EXISTING, ERROR_STOPPED_ON_SYMLINK},
            {"link.png", GENERIC_WRITE, CREATE_NEW, ERROR_FILE_EXISTS},
            {"nowhere.png", GENERIC_WRITE, CREATE_ALWAYS, ERROR_STOPPED_ON_SYMLINK},
        };
        int index = 0;
        for (const Try& t : tries) {
            ++index;
            SetLastError(ERROR_SUCCESS);
            HANDLE file = CreateFileA(t.name, t.access, FILE_SHARE_READ, nullptr, t.disposition, t.flags, nullptr);
            if ((file != INVALID_HANDLE_VALUE) != (t.error == ERROR_SUCCESS) || GetLastError() != t.error) return index;
            if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        }
        for (const char* mode : {"rb", "r", "wb", "a", "r+"}) {
            ++index;
            errno = 0;
            FILE* file = kestra_fopen("title.png", mode);
            if (file || errno != ENOENT) return index;
        }
        ++index;
        if (kestra_fopen("folder.png", "rb") || errno != EISDIR) return index;
        for (const char* mode : {"wb", "a", "r+"}) {
            ++index;
            if (kestra_fopen("link.png", mode) || errno != ELOOP) return index;
        }
        return 0;
    });
    close(listener);
    EXPECT_EQ(failed, 0) << "the try that failed, counted from 1 (" << 128 + SIGALRM << ": an open waited)";
    EXPECT_EQ(testsupport::ReadFile(dir_.file("plain.png")), "plain");
    EXPECT_FALSE(testsupport::FileExists(dir_.file("none.png")));
    struct stat st;
    ASSERT_EQ(stat(pipe.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    ASSERT_EQ(stat(socketPath.c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
}

TEST_F(KernelFiles, FileTimesRoundTripWithFullPrecision) {
    Make("times.bin", "t");
    HANDLE file = Open("times.bin", kReadWrite, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    // 2001-01-01T00:00:00Z is 978307200 s after 1970, i.e. 126227808000000000
    // ticks of 100 ns after 1601; plus 0.1234567 s.
    const ULONGLONG write = 126227808000000000ULL + 1234567ULL;
    const ULONGLONG access = write + 86400ULL * 10000000ULL + 1ULL;
    FILETIME writeTime{static_cast<DWORD>(write), static_cast<DWORD>(write >> 32)};
    FILETIME accessTime{static_cast<DWORD>(access), static_cast<DWORD>(access >> 32)};
    ASSERT_TRUE(SetFileTime(file, nullptr, &accessTime, &writeTime));

    struct stat st;
    ASSERT_EQ(stat(dir_.file("times.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 978307200);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123456700);
    EXPECT_EQ(st.st_atim.tv_sec, 978307200 + 86400);
    EXPECT_EQ(st.st_atim.tv_nsec, 123456800);

    FILETIME created{}, accessed{}, written{};
    ASSERT_TRUE(GetFileTime(file, &created, &accessed, &written));
    EXPECT_EQ(written.dwLowDateTime, writeTime.dwLowDateTime);
    EXPECT_EQ(written.dwHighDateTime, writeTime.dwHighDateTime);
    EXPECT_EQ(accessed.dwLowDateTime, accessTime.dwLowDateTime);
    EXPECT_EQ(accessed.dwHighDateTime, accessTime.dwHighDateTime);
    EXPECT_NE(created.dwHighDateTime, 0u);
    // Only both halves at 0xFFFFFFFF leave a time alone.
    const FILETIME lowOnes{0xFFFFFFFFu, writeTime.dwHighDateTime};
    ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &lowOnes));
    ASSERT_TRUE(GetFileTime(file, nullptr, nullptr, &written));
    EXPECT_EQ(written.dwLowDateTime, 0xFFFFFFFFu);
    CloseHandle(file);

    // A reader saves the times, reads (which may touch the access time) and puts
    // them back through its read-only handle.
    struct timespec old[2] = {{978307200, 5}, {978307200, 700}};
    ASSERT_EQ(utimensat(AT_FDCWD, dir_.file("times.bin").c_str(), old, 0), 0);
    file = Open("TIMES.BIN", GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(GetFileTime(file, &created, &accessed, &written));
    char byte;
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(file, &byte, 1, &got, nullptr));
    EXPECT_TRUE(SetFileTime(file, &created, &accessed, &written));
    CloseHandle(file);
    ASSERT_EQ(stat(dir_.file("times.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_atim.tv_sec, 978307200);
    EXPECT_EQ(st.st_mtim.tv_sec, 978307200);
    EXPECT_EQ(st.st_mtim.tv_nsec, 700);
}

TEST_F(KernelFiles, MoveDeleteAndAttributes) {
    Make("score.tmp", "new");
    Make("Score.dat", "old");
    // Without the flag an existing target is kept.
    EXPECT_FALSE(MoveFileExA("score.tmp", "SCORE.DAT", 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(testsupport::ReadFile(dir_.file("Score.dat")), "old");
    // With it the target is replaced in one step (the existing name is reused).
    ASSERT_TRUE(MoveFileExA("score.tmp", "SCORE.DAT", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(testsupport::ReadFile(dir_.file("Score.dat")), "new");
    EXPECT_FALSE(testsupport::FileExists(dir_.file("score.tmp")));
    EXPECT_FALSE(MoveFileExA("score.tmp", "x", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    EXPECT_EQ(GetFileAttributesA("score.dat"), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    // A link at the new name is replaced, not what it leads to.
    Make("outside", "kept");
    Make("new.tmp", "new");
    ASSERT_EQ(symlink(dir_.file("outside").c_str(), dir_.file("link.dat").c_str()), 0);
    EXPECT_EQ(GetFileAttributesA("link.dat"), static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT));
    ASSERT_TRUE(MoveFileExA("new.tmp", "link.dat", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetFileAttributesA("link.dat"), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(testsupport::ReadFile(dir_.file("outside")), "kept");
    ASSERT_EQ(mkfifo(dir_.file("pipe").c_str(), 0600), 0);
    EXPECT_EQ(GetFileAttributesA("pipe"), static_cast<DWORD>(FILE_ATTRIBUTE_DEVICE));
    char words[80];
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_DISK_FULL, 0,
                             words, sizeof words, nullptr), 19u);
    EXPECT_STREQ(words, "The disk is full.\r\n");
    // Every code's words, in a buffer of room, one exactly of room and one a byte short, folded into a hash.
    records::Fnv hash;
    for (DWORD code = 0; code < 1000; ++code) {
        DWORD size = sizeof words;
        for (int call = 0; call < 3; ++call) {
            std::memset(words, 0x5A, sizeof words);
            SetLastError(ERROR_SUCCESS);
            const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0, words, size, nullptr);
            hash.Add(length, GetLastError(), words);
            size = call == 0 ? length + 1 : size - 1;
        }
    }
    EXPECT_EQ(records::Check("tests/platform/win32/records.txt", "format-message", hash.h), "");
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_DISK_FULL, 0, words, sizeof words, nullptr), 0u);
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_DISK_FULL, 0, nullptr, 80, nullptr), 0u);
    ASSERT_TRUE(CreateDirectoryA("Saves", nullptr));
    EXPECT_FALSE(CreateDirectoryA("SAVES", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(CreateDirectoryA("none\\deeper", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesA("saves"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(GetFileAttributesA("missing"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    EXPECT_FALSE(DeleteFileA("SAVES"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    ASSERT_TRUE(DeleteFileA("SCORE.DAT"));
    EXPECT_FALSE(testsupport::FileExists(dir_.file("Score.dat")));
    EXPECT_FALSE(DeleteFileA("score.dat"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    // A file made read-only has no write permission (the owner's included).
    HANDLE made = CreateFileA("ro.dat", GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_READONLY, nullptr);
    ASSERT_NE(made, INVALID_HANDLE_VALUE);
    CloseHandle(made);
    struct stat st;
    ASSERT_EQ(stat(dir_.file("ro.dat").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    EXPECT_EQ(GetFileAttributesA("ro.dat\\inside"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND)) << "a file is no folder";

    // What the system refuses, as Windows reports it.
    Make("full/x", "");
    const std::string longName(300, 'n');
    const struct {
        std::string from, to;
        DWORD error;
    } refused[] = {
        {"ro.dat", "saves", ERROR_ACCESS_DENIED},        // a file over a folder
        {"saves", "ro.dat", ERROR_PATH_NOT_FOUND},       // a folder over a file
        {"saves", "full", ERROR_DIR_NOT_EMPTY},          // a folder over one that is not empty
        {"saves", "saves\\inner", ERROR_INVALID_PARAMETER},  // a folder into itself
        {"ro.dat", longName, ERROR_FILENAME_EXCED_RANGE},
        {longName, "ro.dat", ERROR_FILENAME_EXCED_RANGE},
        {"none\\x", "ro.dat", ERROR_PATH_NOT_FOUND},
        {"ro.dat", "none\\x", ERROR_PATH_NOT_FOUND},
    };
    for (const auto& r : refused) {
        EXPECT_FALSE(MoveFileExA(r.from.c_str(), r.to.c_str(), MOVEFILE_REPLACE_EXISTING)) << r.from << " " << r.to;
        EXPECT_EQ(GetLastError(), r.error) << r.from << " " << r.to;
    }
    // Every system error the layer maps, as the code of the same meaning.
    const std::pair<int, DWORD> codes[] = {
        {0, ERROR_SUCCESS}, {ENOENT, ERROR_FILE_NOT_FOUND}, {ENOTDIR, ERROR_PATH_NOT_FOUND},
        {EACCES, ERROR_ACCESS_DENIED}, {EPERM, ERROR_ACCESS_DENIED}, {EROFS, ERROR_ACCESS_DENIED},
        {EISDIR, ERROR_ACCESS_DENIED}, {ETXTBSY, ERROR_ACCESS_DENIED}, {EEXIST, ERROR_ALREADY_EXISTS},
        {ENOTEMPTY, ERROR_DIR_NOT_EMPTY}, {EBADF, ERROR_INVALID_HANDLE}, {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
        {ENOSPC, ERROR_DISK_FULL}, {EDQUOT, ERROR_DISK_FULL}, {EFBIG, ERROR_DISK_FULL},
        {EMFILE, ERROR_TOO_MANY_OPEN_FILES}, {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
        {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE}, {EXDEV, ERROR_NOT_SAME_DEVICE}, {EINVAL, ERROR_INVALID_PARAMETER},
        {EIO, ERROR_READ_FAULT}, {ELOOP, ERROR_STOPPED_ON_SYMLINK}, {EAGAIN, ERROR_INVALID_FUNCTION}};
    for (const auto& [error, code] : codes) EXPECT_EQ(platform::Win32ErrorFromErrno(error), code) << error;
}

TEST_F(KernelFiles, HandlesFromOtherFamiliesAreNotFiles) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    ASSERT_NE(mutex, nullptr);
    char byte;
    DWORD got = 0;
    EXPECT_FALSE(ReadFile(mutex, &byte, 1, &got, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GetFileSize(mutex, nullptr), INVALID_FILE_SIZE);
    EXPECT_TRUE(CloseHandle(mutex));
    EXPECT_FALSE(ReadFile(INVALID_HANDLE_VALUE, &byte, 1, &got, nullptr));
    EXPECT_FALSE(ReadFile(nullptr, &byte, 1, &got, nullptr));
}
