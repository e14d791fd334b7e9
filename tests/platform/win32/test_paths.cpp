// Windows paths on the real file system: separators, ASCII case, CP932 names
// with awkward trail bytes, the current directory and the program's own path.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <string>

#include "tests/platform/win32/kernel_fixture.h"

using namespace kerneltest;

namespace {

class KernelPaths : public KernelTest {};

}  // namespace

TEST_F(KernelPaths, ComponentsMatchWithoutRegardToCaseOrSeparator) {
    Make("Data/SE/Charge.wav", "charge");
    ASSERT_TRUE(SetCurrentDirectoryA(WindowsForm(dir_.path()).c_str()));
    std::string bytes;
    for (const char* name : {"DATA\\SE\\CHARGE.WAV", "data/se/charge.wav", ".\\Data\\SE\\charge.WAV",
                             "DATA\\.\\SE\\..\\se\\\\Charge.wav", "./data\\SE/CHARGE.wav",
                             "DATA\\..\\DATA\\SE\\CHARGE.WAV"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(ReadWhole(name, bytes));
        EXPECT_EQ(bytes, "charge");
    }
    // A name that exists only in other letters is not invented.
    EXPECT_FALSE(ReadWhole("DATA\\SE\\CHARGE.WAX", bytes));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(ReadWhole("DATA\\NOPE\\CHARGE.WAV", bytes));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

// A folder's listing is read once per change of the folder, not once per miss:
// while its modification time stays, a name in other letters added meanwhile is
// not seen (the listing stands for the folder); once the time moves it is found.
// A folder changed within the last second is read again on every miss, so a name
// added right after a lookup is found whatever the clock's grain.
TEST_F(KernelPaths, AFolderIsListedOncePerChangeNotPerMiss) {
    Make("Data/one.txt", "one");
    const std::string data = dir_.file("Data");
    ASSERT_TRUE(SetCurrentDirectoryA(WindowsForm(dir_.path()).c_str()));
    const auto setTime = [&](time_t seconds) {
        const timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, data.c_str(), times, 0), 0);
    };
    const time_t settled = time(nullptr) - 60;
    setTime(settled);
    std::string bytes;
    ASSERT_TRUE(ReadWhole("DATA\\ONE.TXT", bytes));  // the listing read
    EXPECT_FALSE(ReadWhole("DATA\\TWO.TXT", bytes));
    Make("Data/two.txt", "two");
    setTime(settled);
    // Its exact name is always found; other letters only once the folder changes.
    ASSERT_TRUE(ReadWhole("Data\\two.txt", bytes));
    EXPECT_FALSE(ReadWhole("DATA\\TWO.TXT", bytes)) << "a miss read the folder again";
    setTime(settled + 1);
    ASSERT_TRUE(ReadWhole("DATA\\TWO.TXT", bytes));
    EXPECT_EQ(bytes, "two");

    // Just changed: each miss reads the folder.
    EXPECT_FALSE(ReadWhole("DATA\\THREE.TXT", bytes));
    Make("Data/three.txt", "three");
    setTime(time(nullptr));
    ASSERT_TRUE(ReadWhole("DATA\\THREE.TXT", bytes));
    Make("Data/four.txt", "four");
    setTime(time(nullptr));
    ASSERT_TRUE(ReadWhole("DATA\\FOUR.TXT", bytes));
    // A file removed is not answered from the listing.
    ASSERT_EQ(unlink(dir_.file("Data/four.txt").c_str()), 0);
    EXPECT_FALSE(ReadWhole("DATA\\FOUR.TXT", bytes));
}

// Names whose byte order is not their folded order are each found in any
// letters; of two names folding alike the first in byte order answers, and
// when it is gone the other does, though the folder's time was put back.
TEST_F(KernelPaths, EveryFoldedNameIsFoundAndARemovedTwinGivesWayToTheOther) {
    const char* const names[] = {"Zeta.txt", "alpha.txt", "Beta.txt", "_under.txt", "gamma.TXT", "[b].txt", "Mu"};
    for (const char* name : names) Make(std::string("Data/") + name, name);
    Make("Data/TWIN.txt", "upper");
    Make("Data/twin.txt", "lower");
    const std::string data = dir_.file("Data");
    const timespec settled[2] = {{time(nullptr) - 60, 0}, {time(nullptr) - 60, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, data.c_str(), settled, 0), 0);
    ASSERT_TRUE(SetCurrentDirectoryA(WindowsForm(dir_.path()).c_str()));
    std::string bytes;
    for (const char* name : names) {
        std::string upper = std::string("DATA\\") + name, lower = upper;
        std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return char(std::toupper(c)); });
        std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return char(std::tolower(c)); });
        for (const std::string& path : {upper, lower}) {
            bytes.clear();
            EXPECT_TRUE(ReadWhole(path.c_str(), bytes)) << path;
            EXPECT_EQ(bytes, name) << path;
        }
    }
    ASSERT_TRUE(ReadWhole("Data\\Twin.TXT", bytes));
    EXPECT_EQ(bytes, "upper");
    ASSERT_EQ(unlink(dir_.file("Data/TWIN.txt").c_str()), 0);
    ASSERT_EQ(utimensat(AT_FDCWD, data.c_str(), settled, 0), 0);
    ASSERT_TRUE(ReadWhole("Data\\Twin.TXT", bytes));
    EXPECT_EQ(bytes, "lower");
}

TEST_F(KernelPaths, Cp932TrailBytesAreNeitherSeparatorsNorLetters) {
    // ソ = 83 5C (the trail is "\"), ヂ = 83 61 (the trail is "a"), ア = 83 41 ("A").
    ASSERT_EQ(std::string("ソ"), "\x83\x5C");
    ASSERT_EQ(std::string("ヂ"), "\x83\x61");
    ASSERT_EQ(std::string("ア"), "\x83\x41");
    Make(Utf8(u8"Data/ソフト/ヂ.txt"), "dzi");
    Make(Utf8(u8"Data/ア.txt"), "a");
    ASSERT_TRUE(SetCurrentDirectoryA(WindowsForm(dir_.path()).c_str()));

    std::string bytes;
    ASSERT_TRUE(ReadWhole("DATA\\ソフト\\ヂ.TXT", bytes));
    EXPECT_EQ(bytes, "dzi");
    ASSERT_TRUE(ReadWhole("data/ソフト/ヂ.txt", bytes));
    EXPECT_EQ(bytes, "dzi");
    // Folding the trail byte of ア would turn it into ヂ's and find the wrong file, either way round.
    EXPECT_FALSE(ReadWhole("DATA\\ヂ.TXT", bytes));
    EXPECT_FALSE(ReadWhole("DATA\\ソフト\\ア.TXT", bytes));
    ASSERT_TRUE(ReadWhole("DATA\\ア.TXT", bytes));
    EXPECT_EQ(bytes, "a");

    // A new file keeps its last component as given, in UTF-8 on disk, inside the
    // existing folder found case-insensitively.
    HANDLE file = CreateFileA("DATA\\ソフト\\新規File.TXT", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_TRUE(testsupport::FileExists(dir_.file(Utf8(u8"Data/ソフト/新規File.TXT"))));
}

TEST_F(KernelPaths, CurrentDirectoryIsAnsweredInWindowsFormAndRoundTrips) {
    Make(Utf8(u8"Sub/ソ/keep.txt"), "x");
    std::string target = RealPath(dir_.file(Utf8(u8"Sub/ソ")));
    ASSERT_TRUE(SetCurrentDirectoryA(WindowsForm(RealPath(dir_.path())).c_str()));
    ASSERT_TRUE(SetCurrentDirectoryA("SUB\\ソ"));
    EXPECT_EQ(CurrentFolder(), target);

    char buffer[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(std::string(buffer, length), WindowsForm(target));
    EXPECT_EQ(buffer[0], '\\');
    // Too small a buffer: the size needed, terminator included, and nothing written.
    char small[4] = {'z', 'z', 'z', 'z'};
    EXPECT_EQ(GetCurrentDirectoryA(sizeof small, small), length + 1);
    EXPECT_EQ(small[0], 'z');
    EXPECT_EQ(GetCurrentDirectoryA(length, small), length + 1);  // no room for the end
    EXPECT_EQ(GetCurrentDirectoryA(length + 1, buffer), length);

    // The answer works as a path again, from anywhere.
    ASSERT_EQ(chdir("/"), 0);
    ASSERT_TRUE(SetCurrentDirectoryA(buffer));
    EXPECT_EQ(CurrentFolder(), target);
    std::string bytes;
    EXPECT_TRUE(ReadWhole((std::string(buffer) + "\\KEEP.TXT").c_str(), bytes));
    EXPECT_EQ(bytes, "x");

    EXPECT_FALSE(SetCurrentDirectoryA("no such folder"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(SetCurrentDirectoryA("no such folder\\deeper"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(SetCurrentDirectoryA(nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(CurrentFolder(), target);
}

// The engine cuts the program's path at its last backslash and enters that folder.
static std::string FolderOf(const char* path) {
    const char* cut = std::strrchr(path, '\\');
    return cut ? std::string(path, static_cast<size_t>(cut - path)) : std::string();
}

TEST_F(KernelPaths, ModuleFileNameRoundTripsThroughSetCurrentDirectory) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
    EXPECT_EQ(std::strlen(path), length);
    EXPECT_EQ(path[0], '\\');
    EXPECT_EQ(std::strchr(path, '/'), nullptr);
    std::string exe = RealPath("/proc/self/exe");
    EXPECT_EQ(std::string(path), WindowsForm(exe));

    ASSERT_TRUE(SetCurrentDirectoryA(FolderOf(path).c_str()));
    EXPECT_EQ(CurrentFolder(), exe.substr(0, exe.find_last_of('/')));
    // And the full answer opens the executable itself.
    HANDLE self = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(self, INVALID_HANDLE_VALUE);
    CloseHandle(self);

    // A buffer too small gets a cut, terminated path and the size as answer.
    char small[8];
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), static_cast<DWORD>(sizeof small));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::string(small), std::string(path, sizeof small - 1));
    std::vector<char> exact(length);  // no room for the end
    EXPECT_EQ(GetModuleFileNameA(nullptr, exact.data(), length), length);
    EXPECT_EQ(std::string(exact.data()), std::string(path, length - 1));
}

TEST_F(KernelPaths, ProgramFolderOverrideAnswersAPathInsideThatFolder) {
    Make(Utf8(u8"ゲーム ソフト/data.bin"), "pack");
    std::string folder = RealPath(dir_.file(Utf8(u8"ゲーム ソフト")));
    platform::SetProgramFolderOverride(folder);
    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(GetModuleHandleA(nullptr), path, sizeof path), 0u);
    std::string exe = RealPath("/proc/self/exe");
    EXPECT_EQ(std::string(path), WindowsForm(folder) + "\\" + exe.substr(exe.find_last_of('/') + 1));

    ASSERT_TRUE(SetCurrentDirectoryA(FolderOf(path).c_str()));
    EXPECT_EQ(CurrentFolder(), folder);
    std::string bytes;
    EXPECT_TRUE(ReadWhole("DATA.BIN", bytes));
    EXPECT_EQ(bytes, "pack");

    // The environment variable does the same when no override is set.
    platform::SetProgramFolderOverride("");
    ASSERT_EQ(setenv("KESTRA_PROGRAM_DIR", dir_.path().c_str(), 1), 0);
    ASSERT_GT(GetModuleFileNameA(nullptr, path, sizeof path), 0u);
    unsetenv("KESTRA_PROGRAM_DIR");
    EXPECT_EQ(FolderOf(path), WindowsForm(dir_.path()));
}
