// The HTML log, the zero-filling allocator and the lock object.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <thread>

#include "engine/core/CCriticalSection.h"
#include "engine/core/KestraLog.h"
#include "tests/engine/core/boot_harness.h"
#include "tests/support/test_support.h"

namespace {

using boot::U8;

// Built before main: logging and allocating from a static constructor must work.
struct EarlyUser {
    void* block;
    EarlyUser() : block(Kestra::MemoryAlloc(16)) { Kestra::LogPrint("%s", "early"); }
    ~EarlyUser() { Kestra::MemoryFree(block); }
};
EarlyUser g_early;

TEST(KestraLog, StaticConstructorsMayAllocateBeforeMain) {
    ASSERT_NE(g_early.block, nullptr);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(static_cast<unsigned char*>(g_early.block)[i], 0);
}

TEST(KestraLog, WritersProduceTheirHtmlTagsWithCrLf) {
    testsupport::TempDir dir;
    EXPECT_EQ(boot::InChild([&] {
                  const std::string base = dir.path() + "/run_log";
                  Kestra::SetLogFile(base.c_str(), "html");
                  ASSERT_TRUE(Kestra::OpenLog("ログのテスト"));
                  Kestra::LogPrint("plain %d", 7);
                  Kestra::LogNewLine();
                  Kestra::LogBold("太字");
                  Kestra::LogBlue("Library Version");
                  Kestra::LogRed("　エラー : %s", "ファイル");
                  Kestra::LogGreen("Success!");
                  Kestra::LogHeadline("KestraSoundクラスの初期化");
                  Kestra::LogPrint("%s", "100% done");
                  Kestra::CloseLog();
                  Kestra::LogPrint("after close");  // silent

                  const std::string expected = boot::OnDisk(
                      boot::Head(U8(u8"ログのテスト")) + U8(u8"plain 7<BR>\n<B>太字</B><B><FONT color=\"BLUE\">Library Version</FONT></B>") +
                      U8(u8"<B><FONT color=\"RED\">　エラー : ファイル</FONT></B><B><FONT color=\"GREEN\">Success!</FONT></B>") +
                      boot::Headline(U8(u8"KestraSoundクラスの初期化")) + "100% done</BODY>\n</HTML>\n");
                  EXPECT_EQ(testsupport::ReadFile(base + ".html"), expected);
              }),
              0);
}

TEST(KestraLog, SetLogFileDeletesThePreviousRunsFile) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.file("old.html"), "previous run");
    testsupport::WriteFile(dir.file("old"), "kept: other name");
    EXPECT_EQ(boot::InChild([&] { Kestra::SetLogFile((dir.path() + "/old").c_str(), "html"); }), 0);
    EXPECT_FALSE(testsupport::FileExists(dir.file("old.html")));
    EXPECT_TRUE(testsupport::FileExists(dir.file("old")));
}

// A link laid at the name after the old file went is replaced, not written through.
TEST(KestraLog, ALinkAtTheNameIsReplacedByTheLog) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.file("outside.txt"), "outside");
    EXPECT_EQ(boot::InChild([&] {
                  Kestra::SetLogFile((dir.path() + "/linked").c_str(), "html");
                  ASSERT_EQ(symlink(dir.file("outside.txt").c_str(), dir.file("linked.html").c_str()), 0);
                  ASSERT_TRUE(Kestra::OpenLog("t"));
                  Kestra::CloseLog();
              }),
              0);
    EXPECT_EQ(testsupport::ReadFile(dir.file("outside.txt")), "outside");
    EXPECT_FALSE(std::filesystem::is_symlink(dir.file("linked.html")));
    EXPECT_NE(testsupport::ReadFile(dir.file("linked.html")).find("</HTML>"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(KestraLog, NameWithoutTypeIsUsedAlone) {
    testsupport::TempDir dir;
    EXPECT_EQ(boot::InChild([&] {
                  Kestra::SetLogFile((dir.path() + "/plainlog").c_str(), nullptr);
                  ASSERT_TRUE(Kestra::OpenLog("t"));
                  Kestra::LogPrint("x");
                  Kestra::CloseLog();
              }),
              0);
    EXPECT_NE(testsupport::ReadFile(dir.file("plainlog")).find("x</BODY>"), std::string::npos);
}

// No name, a name too long for the buffer, a missing folder, a folder at the
// log's name, every fresh name taken: no log and silent writers; a log asked for
// that cannot be made is said once on the error output, with the failing step's reason.
TEST(KestraLog, WithoutALogTheWritersStaySilentAndAFailedOneIsSaidOnce) {
    const std::string tooLong(300, 'n');
    struct Case {
        const char* name;
        const char* fault;   // armed for every call
        const char* reason;  // the system's words for the step that failed
    };
    for (const Case& c : {Case{nullptr, nullptr, nullptr}, Case{tooLong.c_str(), nullptr, nullptr},
                          Case{"missing/folder/log", nullptr, "A folder of the path does not exist. (3)"},
                          Case{"log", nullptr, "Access was refused. (5)"},
                          Case{"taken", "CreateFileA.taken", "A file of that name exists already. (80)"}}) {
        const char* name = c.name;
        SCOPED_TRACE(name ? name : "no name");
        testsupport::TempDir dir;
        std::filesystem::create_directory(dir.file("log.html"));
        const std::string errors = dir.file("errors.txt");
        EXPECT_EQ(boot::InChild([&] {
                      std::freopen(errors.c_str(), "w", stderr);
                      if (c.fault) platform::InjectFault(c.fault);
                      Kestra::SetLogFile(name ? dir.file(name).c_str() : nullptr, "html");  // no earlier test's name
                      EXPECT_FALSE(Kestra::OpenLog("t"));
                      EXPECT_FALSE(Kestra::OpenLog("t"));
                      EXPECT_FALSE(Kestra::IsLogOpen());
                      Kestra::LogRed("%s", "still running");
                      Kestra::LogHeadline("nothing");
                      Kestra::LogNewLine();
                      Kestra::CloseLog();
                  }),
                  0);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
        EXPECT_TRUE(std::filesystem::is_empty(dir.file("log.html")));
        EXPECT_EQ(testsupport::ReadFile(errors),
                  c.reason ? testsupport::Utf8ToCp932(U8(u8"ログファイルを作成できませんでした [ ")) + dir.file(name) +
                                 ".html ] " + c.reason + "\n"
                           : "");
    }
}

TEST(KestraLog, EachLineIsOnDiskBeforeTheProgramStops) {
    testsupport::TempDir dir;
    const std::string base = dir.path() + "/crash";
    // The child ends without closing the log, as a crashing program would.
    testsupport::RunInChild([&] {
        Kestra::SetLogFile(base.c_str(), "html");
        Kestra::OpenLog("t");
        Kestra::LogRed("last words");
        std::_Exit(3);
        return 0;
    });
    const std::string log = testsupport::ReadFile(base + ".html");
    EXPECT_NE(log.find("<B><FONT color=\"RED\">last words</FONT></B>"), std::string::npos);
    EXPECT_EQ(log.find("</HTML>"), std::string::npos);
}

TEST(KestraMemory, BlocksAreZeroEvenAfterDirtyReuse) {
    for (int round = 0; round < 200; ++round) {
        const uint32_t size = 64 + static_cast<uint32_t>(round % 7) * 24;
        auto* block = static_cast<unsigned char*>(Kestra::MemoryAlloc(size));
        ASSERT_NE(block, nullptr);
        for (uint32_t i = 0; i < size; ++i) ASSERT_EQ(block[i], 0) << "round " << round << " byte " << i;
        memset(block, 0xAA, size);
        Kestra::MemoryFree(block);
    }
}

TEST(KestraMemory, ZeroSizeGivesABlockThatCanBeFreed) {
    void* block = Kestra::MemoryAlloc(0);
    ASSERT_NE(block, nullptr);
    Kestra::MemoryFree(block);
    Kestra::MemoryFree(nullptr);
}

TEST(CCriticalSection, ReentersOnItsThreadAndBlocksOthers) {
    CCriticalSection lock;
    lock.Enter();
    lock.Enter();  // re-entrant for the owner
    std::atomic<bool> entered{false};
    std::thread other([&] {
        lock.Enter();
        entered = true;
        lock.Leave();
    });
    lock.Leave();
    // Still held once: the other thread must not get in.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(entered.load());
    lock.Leave();
    other.join();
    EXPECT_TRUE(entered.load());
}

}  // namespace
