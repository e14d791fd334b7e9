// Profile files: integer and string reads, and writes that keep every other
// line and never leave a half-written file.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "tests/platform/win32/kernel_fixture.h"

using namespace kerneltest;

namespace {

class KernelProfile : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        ASSERT_TRUE(SetCurrentDirectoryA(WindowsForm(dir_.path()).c_str()));
    }
    // Every entry of the folder, so leftovers of a write show.
    std::string Listing() {
        std::string names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
            names += entry.path().filename().string() + ";";
        return names;
    }
};

const char kKeyMap[] =
    "[SYSTEM]\r\n"
    "KEYBOARD=1\r\n"
    "\r\n"
    "; players\r\n"
    "[Player1]\r\n"
    "PADNO=-1\r\n"
    "  Shot = 44  \r\n"
    "DIRECT=12abc\r\n"
    "ELEMENT=abc\r\n"
    "FORCE=\r\n"
    "CHANGE=+7\r\n"
    "NAME=\"quoted value\"\r\n"
    "\r\n"
    "[PLAYER2] ;[2]\n"  // a line written elsewhere with LF only; the name ends at the first ']'
    "SHOT=45\n";

}  // namespace

TEST_F(KernelProfile, IntegersAreDecimalWithSignAndDefaults) {
    Make("KeyMap.ini", kKeyMap);
    // The engine's path: current directory, a backslash, the name (any case).
    char folder[1024];
    ASSERT_GT(GetCurrentDirectoryA(sizeof folder, folder), 0u);
    char path[1100];
    wsprintfA(path, "%s\\%s", folder, "keymap.INI");

    EXPECT_EQ(GetPrivateProfileIntA("SYSTEM", "KEYBOARD", 0, path), 1u);
    EXPECT_EQ(GetPrivateProfileIntA("player1", "shot", 0, path), 44u);
    EXPECT_EQ(GetPrivateProfileIntA("PLAYER1", "PADNO", 0, path), 0xFFFFFFFFu);  // -1, kept as the bits
    EXPECT_EQ(static_cast<signed char>(GetPrivateProfileIntA("PLAYER1", "PADNO", 0, path)), -1);
    EXPECT_EQ(GetPrivateProfileIntA("PLAYER1", "DIRECT", 0, path), 12u);   // stops at the first non-digit
    EXPECT_EQ(GetPrivateProfileIntA("PLAYER1", "ELEMENT", 9, path), 0u);   // no digits at all
    EXPECT_EQ(GetPrivateProfileIntA("PLAYER1", "FORCE", 9, path), 9u);     // empty: the default
    EXPECT_EQ(GetPrivateProfileIntA("PLAYER1", "CHANGE", 0, path), 7u);
    EXPECT_EQ(GetPrivateProfileIntA("PLAYER1", "MENU", 31, path), 31u);    // missing key
    EXPECT_EQ(GetPrivateProfileIntA("PLAYER2", "SHOT", 0, path), 45u);
    EXPECT_EQ(GetPrivateProfileIntA("PLAYER3", "SHOT", 200, path), 200u);  // missing section
    EXPECT_EQ(GetPrivateProfileIntA("SYSTEM", "KEYBOARD", -3, "Missing.ini"), static_cast<UINT>(-3));

    char text[16];
    EXPECT_EQ(GetPrivateProfileStringA("PLAYER1", "NAME", "", text, sizeof text, path), 12u);
    EXPECT_STREQ(text, "quoted value");
    EXPECT_EQ(GetPrivateProfileStringA("PLAYER1", "NAME", "", text, 7, path), 6u);  // cut to fit
    EXPECT_STREQ(text, "quoted");
    // A buffer exactly as long as the value has no room for its end: the last byte goes.
    char exact[12];
    std::memset(exact, 'x', sizeof exact);
    EXPECT_EQ(GetPrivateProfileStringA("PLAYER1", "NAME", "", exact, sizeof exact, path), 11u);
    EXPECT_EQ(std::string(exact, sizeof exact), std::string("quoted valu\0", 12));
    EXPECT_EQ(GetPrivateProfileStringA("PLAYER1", "NONE", "dflt  ", text, sizeof text, path), 4u);
    EXPECT_STREQ(text, "dflt");
    // Section names, each ended by NUL, the list by one more.
    char names[64];
    DWORD length = GetPrivateProfileStringA(nullptr, nullptr, nullptr, names, sizeof names, path);
    EXPECT_EQ(std::string(names, length + 1), std::string("SYSTEM\0Player1\0PLAYER2\0\0", 24));
    // Exactly room for the list; a byte less cuts its last name, ended by two NULs.
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, nullptr, names, 24, path), 23u);
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, nullptr, names, 23, path), 21u);
    EXPECT_EQ(std::string(names, 23), std::string("SYSTEM\0Player1\0PLAYER\0\0", 23));
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, nullptr, names, 1, path), 0u);
    EXPECT_EQ(names[0], '\0');
    // The keys of one section, in the same form.
    length = GetPrivateProfileStringA("player1", nullptr, nullptr, names, sizeof names, path);
    EXPECT_EQ(std::string(names, length + 1), std::string("PADNO\0Shot\0DIRECT\0ELEMENT\0FORCE\0CHANGE\0NAME\0\0", 45));
    // Quotes come off only in matching pairs.
    Make("quotes.ini", "[Q]\r\nMIXED=\"half'\r\nONE=\"\r\nPAIR=''\r\n");
    EXPECT_EQ(GetPrivateProfileStringA("Q", "MIXED", "", text, sizeof text, "quotes.ini"), 6u);
    EXPECT_EQ(GetPrivateProfileStringA("Q", "ONE", "", text, sizeof text, "quotes.ini"), 1u);
    EXPECT_EQ(GetPrivateProfileStringA("Q", "PAIR", "", text, sizeof text, "quotes.ini"), 0u);
}

TEST_F(KernelProfile, WritesKeepOtherLinesAndReplaceTheFileWhole) {
    Make("KeyMap.ini", kKeyMap);
    ASSERT_TRUE(WritePrivateProfileStringA("PLAYER1", "SHOT", "99", "KEYMAP.INI"));
    ASSERT_TRUE(WritePrivateProfileStringA("player1", "MENU", "31", "KEYMAP.INI"));
    ASSERT_TRUE(WritePrivateProfileStringA("PLAYER2", "PADNO", "1", ".\\KeyMap.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA("NEW", "KEY", "v\r\nINJECTED=1", "KeyMap.ini"));
    ASSERT_TRUE(WritePrivateProfileStringA("PLAYER1", "ELEMENT", nullptr, "KeyMap.ini"));  // delete a key
    // Deleting a section takes every line up to the next section.
    ASSERT_TRUE(WritePrivateProfileStringA("SYSTEM", nullptr, nullptr, "KeyMap.ini"));
    EXPECT_EQ(testsupport::ReadFile(dir_.file("KeyMap.ini")),
              "[Player1]\r\n"
              "PADNO=-1\r\n"
              "SHOT=99\r\n"
              "DIRECT=12abc\r\n"
              "FORCE=\r\n"
              "CHANGE=+7\r\n"
              "NAME=\"quoted value\"\r\n"
              "MENU=31\r\n"
              "\r\n"
              "[PLAYER2] ;[2]\r\n"
              "SHOT=45\r\n"
              "PADNO=1\r\n"
              "[NEW]\r\n"
              "KEY=v\r\n");
    EXPECT_EQ(GetPrivateProfileIntA("NEW", "INJECTED", 5, "KeyMap.ini"), 5u);
    // No temporary file is left beside it, and no second file of another case.
    EXPECT_EQ(Listing(), "KeyMap.ini;");

    // A link at the name is neither read nor written through: the write replaces it.
    Make("outside.txt", "[S]\r\nK=7\r\n");
    ASSERT_EQ(chmod(dir_.file("outside.txt").c_str(), 0700), 0);  // not taken over by the new file
    ASSERT_EQ(symlink(dir_.file("outside.txt").c_str(), dir_.file("linked.ini").c_str()), 0);
    EXPECT_EQ(GetPrivateProfileIntA("S", "K", 5, "linked.ini"), 5u);
    ASSERT_TRUE(WritePrivateProfileStringA("S", "J", "1", "linked.ini"));
    EXPECT_EQ(testsupport::ReadFile(dir_.file("outside.txt")), "[S]\r\nK=7\r\n");
    EXPECT_EQ(testsupport::ReadFile(dir_.file("linked.ini")), "[S]\r\nJ=1\r\n");
    EXPECT_FALSE(std::filesystem::is_symlink(dir_.file("linked.ini")));
    struct stat made;
    ASSERT_EQ(stat(dir_.file("linked.ini").c_str(), &made), 0);
    EXPECT_EQ(made.st_mode & 0111, 0u);

    // A missing file is created.
    ASSERT_TRUE(WritePrivateProfileStringA("S", "K", "V", "fresh.ini"));
    EXPECT_EQ(testsupport::ReadFile(dir_.file("fresh.ini")), "[S]\r\nK=V\r\n");
    EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "V", "no folder\\fresh.ini"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(WritePrivateProfileStringA("S", "K", "V", ""));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_TRUE(WritePrivateProfileStringA(nullptr, nullptr, nullptr, "fresh.ini"));  // a flush: nothing to do
    EXPECT_FALSE(WritePrivateProfileStringA(nullptr, "K", "V", "fresh.ini"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// Permissions do not bind the super-user: run as root, the write is tried in a
// child that has become the unprivileged user "nobody", owner of the files.
TEST_F(KernelProfile, AnUnwritableFolderLeavesTheOldFileIntact) {
    const std::string file = Make("ro/KeyMap.ini", "[A]\r\nB=1\r\n"), folder = dir_.file("ro");
    const int result = testsupport::RunInChild([&] {
        const uid_t nobody = 65534;
        if (geteuid() == 0) {
            for (const std::string& path : {dir_.path(), folder, file})
                if (chown(path.c_str(), nobody, nobody) != 0) return 2;
            if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0) return 2;
        }
        if (chmod(folder.c_str(), 0555) != 0) return 3;
        const BOOL written = WritePrivateProfileStringA("A", "B", "2", "ro\\KeyMap.ini");
        const DWORD error = GetLastError();
        chmod(folder.c_str(), 0755);
        return written ? 4 : error == ERROR_ACCESS_DENIED ? 0 : 5;
    });
    EXPECT_EQ(result, 0) << "2: no plain user to become, 3: the folder kept its permissions, 4: written, "
                            "5: another error";
    EXPECT_EQ(testsupport::ReadFile(file), "[A]\r\nB=1\r\n");
}

// A file over 64 KiB is refused whole: reads answer their defaults, and a write
// fails and leaves it as it is, as it does when its result would be that large.
TEST_F(KernelProfile, FilesOverTheSizeLimitAreRefusedAndLeftAsTheyAre) {
    const std::string key = "[PLAYER1]\r\nSHOT=44\r\n";
    std::string blank;
    for (size_t i = 0; i < (65536 - key.size()) / 2; ++i) blank += "\r\n";
    struct Case {
        const char* name;
        std::string text;
        bool read, written;
    };
    const Case cases[] = {
        {"inside.ini", blank + key, true, true},                                // 65,536 bytes
        {"past.ini", blank + " " + key, false, false},                          // 65,537
        {"blank.ini", std::string(1 << 20, '\n') + key, false, false},          // a megabyte of blank lines
        {"grows.ini", std::string(65536 - key.size(), '\n') + key, true, false},  // twice as long in CR LF
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Make(c.name, c.text);
        EXPECT_EQ(GetPrivateProfileIntA("PLAYER1", "SHOT", 7, c.name), c.read ? 44u : 7u);
        char names[16];
        EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", names, sizeof names, c.name), c.read ? 8u : 0u);
        EXPECT_EQ(WritePrivateProfileStringA("PLAYER1", "SHOT", "45", c.name), c.written ? TRUE : FALSE);
        if (!c.written) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_TOO_LARGE));
        }
        EXPECT_EQ(testsupport::ReadFile(dir_.file(c.name)).size(), c.text.size());
    }
    // A pipe is no profile: answered at once as a missing file (its defaults), in
    // a child under an alarm so a read that waits fails instead of hanging; a
    // write replaces it with a file.
    const std::string pipe = dir_.file("pipe.ini");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(testsupport::RunInChild([] {
                  alarm(10);
                  return GetPrivateProfileIntA("PLAYER1", "SHOT", 7, "pipe.ini") == 7 ? 0 : 1;
              }),
              0);
    EXPECT_EQ(WritePrivateProfileStringA("PLAYER1", "SHOT", "45", "pipe.ini"), TRUE);
    EXPECT_EQ(GetPrivateProfileIntA("PLAYER1", "SHOT", 7, "pipe.ini"), 45u);
}
