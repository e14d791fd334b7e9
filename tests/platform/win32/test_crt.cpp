// The runtime pieces: the rand generator, text-mode streams, wsprintfA, _time32,
// and the CP932 converter.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/win32/cp932.h"
#include "platform/win32/kernel_internal.h"
#include "tests/platform/win32/kernel_fixture.h"

using namespace kerneltest;

namespace {

class CrtStreams : public KernelTest {
protected:
    void SetUp() override {
        KernelTest::SetUp();
        ASSERT_TRUE(SetCurrentDirectoryA(WindowsForm(dir_.path()).c_str()));
    }
};

}  // namespace

TEST(CrtRand, MatchesTheRuntimeGenerator) {
    crt::srand(1);
    const int reference[] = {41, 18467, 6334, 26500, 19169};
    for (int expected : reference) EXPECT_EQ(crt::rand(), expected);
}

// The heap's named fault: the blocks it lets through are zero-filled, the ones
// it refuses are null, and it ends after its count.
TEST(CrtHeap, CallocIsRefusedWhileItsFaultIsArmed) {
    platform::InjectFault("calloc", 1, 2);
    const bool expected[] = {true, false, false, true};
    for (bool given : expected) {
        auto* block = static_cast<unsigned char*>(crt::calloc(3, 5));
        EXPECT_EQ(block != nullptr, given);
        if (block) {
            for (int i = 0; i < 15; ++i) EXPECT_EQ(block[i], 0) << i;
        }
        std::free(block);
    }
    platform::ClearFaults();
}

TEST(KernelHandles, TheOpenCountFollowsEveryHandleMadeAndClosed) {
    const size_t before = platform::OpenHandleCount();
    HANDLE semaphore = CreateSemaphoreA(nullptr, 0, 1, nullptr);
    HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    ASSERT_NE(semaphore, nullptr);
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(platform::OpenHandleCount(), before + 2);
    EXPECT_TRUE(CloseHandle(timer));
    EXPECT_EQ(platform::OpenHandleCount(), before + 1);
    EXPECT_FALSE(CloseHandle(timer)) << "a closed handle is not counted twice";
    EXPECT_TRUE(CloseHandle(semaphore));
    EXPECT_EQ(platform::OpenHandleCount(), before);
}

TEST_F(CrtStreams, TextModeWritesCrLfAndReadsItBackAsNewlines) {
    FILE* out = kestra_fopen("Logs\\system_log.html", "wt");
    ASSERT_EQ(out, nullptr);  // the folder does not exist yet
    Make("Logs/keep", "");
    out = kestra_fopen("LOGS\\system_log.html", "wt");
    ASSERT_NE(out, nullptr);
    fputs("<HTML>\n", out);
    fprintf(out, "%s %d\n", "ソ", 42);
    EXPECT_EQ(fflush(out), 0);
    fputs("\n", out);
    EXPECT_EQ(fclose(out), 0);
    EXPECT_EQ(testsupport::ReadFile(dir_.file("Logs/system_log.html")), "<HTML>\r\n\x83\x5C 42\r\n\r\n");

    // Appending in text mode (no "t", no "b": text as well).
    out = kestra_fopen("logs/SYSTEM_LOG.HTML", "a");
    ASSERT_NE(out, nullptr);
    fputs("tail\n", out);
    fclose(out);

    FILE* in = kestra_fopen("Logs\\system_log.html", "rt");
    ASSERT_NE(in, nullptr);
    char line[64];
    ASSERT_NE(fgets(line, sizeof line, in), nullptr);
    EXPECT_STREQ(line, "<HTML>\n");
    char word[16];
    int number = 0;
    ASSERT_EQ(fscanf(in, "%15s %d", word, &number), 2);
    EXPECT_STREQ(word, "ソ");
    EXPECT_EQ(number, 42);
    ASSERT_NE(fgets(line, sizeof line, in), nullptr);
    EXPECT_STREQ(line, "\n");
    ASSERT_NE(fgets(line, sizeof line, in), nullptr);
    EXPECT_STREQ(line, "\n");
    ASSERT_NE(fgets(line, sizeof line, in), nullptr);
    EXPECT_STREQ(line, "tail\n");
    EXPECT_EQ(fgets(line, sizeof line, in), nullptr);
    EXPECT_TRUE(feof(in));
    fclose(in);

    // Binary mode is untouched both ways.
    in = kestra_fopen("logs\\system_log.html", "rb");
    ASSERT_NE(in, nullptr);
    char raw[8] = {};
    ASSERT_EQ(fread(raw, 1, 8, in), 8u);
    EXPECT_EQ(std::string(raw, 8), "<HTML>\r\n");
    fclose(in);
    out = kestra_fopen("score.dat", "wb");
    ASSERT_NE(out, nullptr);
    fwrite("a\nb", 1, 3, out);
    fclose(out);
    EXPECT_EQ(testsupport::ReadFile(dir_.file("score.dat")), "a\nb");
    in = kestra_fopen("score.dat", "rb");
    EXPECT_EQ(fputc('x', in), EOF) << "a stream opened to read writes nothing";
    fclose(in);
    EXPECT_EQ(kestra_fopen("score.dat", "wx"), nullptr) << "an exclusive create finds it there";
}

TEST_F(CrtStreams, TextReadsJoinCrLfAcrossBufferEdgesAndKeepLoneCr) {
    // CR at the last byte of one 4096-byte read, LF at the first of the next.
    std::string bytes(4095, 'x');
    bytes += "\r\nlone\rcr\r\nend\r";
    Make("edges.txt", bytes);
    FILE* in = kestra_fopen("EDGES.TXT", "r");
    ASSERT_NE(in, nullptr);
    std::string text;
    int c;
    while ((c = fgetc(in)) != EOF) text.push_back(static_cast<char>(c));
    fclose(in);
    EXPECT_EQ(text, std::string(4095, 'x') + "\nlone\rcr\nend\r");

    EXPECT_EQ(kestra_fopen("missing.txt", "rt"), nullptr);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(kestra_fopen("edges.txt", "q"), nullptr);
    EXPECT_EQ(errno, EINVAL);
}

TEST(CrtFormat, WsprintfIsBoundedAtTheRuntimeLimit) {
    char buffer[2048];
    EXPECT_EQ(wsprintfA(buffer, "%s=%d", "KEY", -5), 6);
    EXPECT_STREQ(buffer, "KEY=-5");

    std::string longText(3000, 'a');
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(wsprintfA(buffer, "%s", longText.c_str()), 1023);
    EXPECT_EQ(buffer[1023], '\0');
    EXPECT_EQ(buffer[1024], '#');
    // A CP932 character across the limit is left out whole.
    std::string straddle = std::string(1022, 'a') + "ソ";
    EXPECT_EQ(wsprintfA(buffer, "%s", straddle.c_str()), 1022);
    EXPECT_EQ(std::strlen(buffer), 1022u);
}

TEST(Cp932Text, ConvertsBothWaysAndReplacesWhatItCannotConvert) {
    EXPECT_EQ(platform::Cp932ToUtf8("ソ表能ヂ abc"), Utf8(u8"ソ表能ヂ abc"));
    EXPECT_EQ(platform::Utf8ToCp932(Utf8(u8"ソ表能ヂ abc")), "ソ表能ヂ abc");
    // CP932's own mappings (not plain Shift-JIS): full-width tilde, NEC specials.
    EXPECT_EQ(platform::Utf8ToCp932(Utf8(u8"～①")), "\x81\x60\x87\x40");
    EXPECT_EQ(platform::Cp932ToUtf8(""), "");
    // A lone lead byte and an unmapped character do not fail the conversion.
    EXPECT_EQ(platform::Cp932ToUtf8("ab\x83"), "ab" + Utf8(u8"\uFFFD"));
    EXPECT_EQ(platform::Utf8ToCp932("a\xF0\x9F\x98\x80" "b"), "a?b");
    EXPECT_EQ(platform::Utf8ToCp932("a\xFF" "b"), "a?b");
    // One character's code point; none for half of one, or for two.
    char32_t c = 0;
    EXPECT_TRUE(platform::Cp932Character("\x81\x60", c) && c == U'\uFF5E');
    EXPECT_FALSE(platform::Cp932Character("\x83", c));
    EXPECT_FALSE(platform::Cp932Character("ab", c));
    // A sequence is stepped over whole, to the very end; a byte that leads none
    // (C0, C1, F5 and above) is one replaced byte.
    EXPECT_EQ(platform::Utf8ToCp932("a\xF0\x9F\x98\x80"), "a?");
    EXPECT_EQ(platform::Utf8ToCp932("\xC0\x80z\xF5\x80\x80\x80"), "??z????");
}

TEST(KernelConsole, ConsoleAndDebugOutputReachStderrAsUtf8) {
    testsupport::TempDir dir;
    std::string capture = dir.file("stderr.txt");
    int status = testsupport::RunInChild([&] {
        FILE* file = std::fopen(capture.c_str(), "wb");
        if (!file || dup2(fileno(file), 2) < 0) return 1;
        if (!AllocConsole() || AllocConsole()) return 2;
        HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
        DWORD written = 0;
        if (!WriteConsoleA(console, "ソ\n", 3, &written, nullptr) || written != 3) return 3;
        if (!SetConsoleTextAttribute(console, FOREGROUND_RED | FOREGROUND_INTENSITY)) return 4;
        OutputDebugStringA("debug 表\n");
        if (!CloseHandle(console) || !WriteConsoleA(console, "!", 1, &written, nullptr)) return 5;
        if (WriteConsoleA(GetStdHandle(STD_INPUT_HANDLE), "x", 1, &written, nullptr)) return 6;
        FreeConsole();
        return 0;
    });
    ASSERT_EQ(status, 0);
    EXPECT_EQ(testsupport::ReadFile(capture), Utf8(u8"ソ\n") + "\x1b[91;40m" + Utf8(u8"debug 表\n") + "!");
    EXPECT_EQ(platform::AnsiColourOf(FOREGROUND_BLUE | BACKGROUND_GREEN | BACKGROUND_INTENSITY), "\x1b[34;102m");
    EXPECT_EQ(mciSendCommandA(0, MCI_OPEN, 0, 0), static_cast<MCIERROR>(MCIERR_DEVICE_NOT_INSTALLED));
}

TEST(CrtTime, Time64AndLocalTimeAgreeWithTheClock) {
    __time64_t stored = 0;
    const __time64_t now = _time64(&stored);
    EXPECT_EQ(now, stored);
    EXPECT_GT(now, 1'600'000'000);
    const struct tm* local = _localtime64(&now);
    ASSERT_NE(local, nullptr);
    const std::time_t asTime = static_cast<std::time_t>(now);
    struct tm expected;
    ASSERT_NE(localtime_r(&asTime, &expected), nullptr);
    EXPECT_EQ(local->tm_mon, expected.tm_mon);
    EXPECT_EQ(local->tm_mday, expected.tm_mday);
    EXPECT_EQ(local->tm_hour, expected.tm_hour);
    EXPECT_EQ(_localtime64(nullptr), nullptr);
}

// A test's wall clock decides the seconds of both widths and the runtime's
// seed with them; clearing it brings the system's time back.
TEST(CrtTime, WallClockSetByATestIsTheTimeOfBothWidths) {
    platform::SetWallClock(1'200'000'000);
    __time32_t stored32 = 0;
    __time64_t stored64 = 0;
    EXPECT_EQ(_time32(&stored32), 1'200'000'000);
    EXPECT_EQ(stored32, 1'200'000'000);
    EXPECT_EQ(_time64(&stored64), 1'200'000'000);
    EXPECT_EQ(stored64, 1'200'000'000);
    const __time64_t later = 1'200'000'000 + 86'400;
    platform::SetWallClock(later);
    const struct tm* local = _localtime64(&stored64);
    ASSERT_NE(local, nullptr);
    const int day = local->tm_yday;
    local = _localtime64(&later);
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(local->tm_yday, day + 1);
    EXPECT_EQ(_time64(nullptr), later);
    platform::ClearWallClock();
    EXPECT_GT(_time64(nullptr), 1'600'000'000);
    EXPECT_GT(_time32(nullptr), 1'600'000'000);
    EXPECT_LE(static_cast<std::time_t>(_time32(nullptr)), std::time(nullptr));
}

TEST(CrtStandardStreams, ProgramTextReachesStdoutAndStderrAsUtf8) {
    testsupport::TempDir dir;
    const std::string out = dir.file("stdout.txt");
    const std::string err = dir.file("stderr.txt");
    int status = testsupport::RunInChild([&] {
        FILE* o = std::fopen(out.c_str(), "wb");
        FILE* e = std::fopen(err.c_str(), "wb");
        if (!o || !e || dup2(fileno(o), 1) < 0 || dup2(fileno(e), 2) < 0) return 1;
        kestra_convert_standard_streams();
        std::printf("【releaseSprite】\n");
        // A character cut between two writes arrives whole.
        std::fputs("a\x83", stdout);
        std::fflush(stdout);
        std::fputs("\x5C" "b\n", stdout);
        std::fprintf(stderr, "表 %d\n", 7);
        // ASCII passes unchanged, a lone trail-less lead byte at the end is replaced.
        std::fputs("plain\n\x83", stdout);
        std::fclose(stdout);
        return 0;
    });
    ASSERT_EQ(status, 0);
    EXPECT_EQ(testsupport::ReadFile(out),
              Utf8(u8"【releaseSprite】\n") + "a" + Utf8(u8"ソ") + "b\nplain\n" + Utf8(u8"\uFFFD"));
    EXPECT_EQ(testsupport::ReadFile(err), Utf8(u8"表 7\n"));
}
