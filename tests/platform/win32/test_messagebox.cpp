// MessageBoxA never waits in a test or headless run: it records, or writes to stderr.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/win32/testing.h"
#include "platform/win32/win32.h"
#include "tests/support/test_support.h"

namespace {

const char* Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override { platform::ClearRecordedMessageBoxes(); }
    void TearDown() override {
        platform::SetMessageBoxRecording(false);
        platform::ClearRecordedMessageBoxes();
    }
};

}  // namespace

TEST_F(MessageBoxTest, RecordsInMemoryAndAnswersOkAtOnce) {
    platform::SetMessageBoxRecording(true);
    EXPECT_EQ(MessageBoxA(nullptr, "３Ｄシステムの初期化に失敗", "ERROR", MB_ICONERROR), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "second", nullptr, MB_OKCANCEL | MB_ICONWARNING), IDOK);

    std::vector<platform::RecordedMessageBox> boxes = platform::RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "ERROR");
    // The recorded text is the program's CP932 bytes, untouched.
    EXPECT_EQ(boxes[0].text, testsupport::Utf8ToCp932(Utf8(u8"３Ｄシステムの初期化に失敗")));
    EXPECT_EQ(boxes[0].flags, static_cast<unsigned>(MB_ICONERROR));
    EXPECT_EQ(boxes[1].caption, "Error") << "Windows' caption when none is given";
    EXPECT_EQ(boxes[1].flags, static_cast<unsigned>(MB_OKCANCEL | MB_ICONWARNING));

    platform::ClearRecordedMessageBoxes();
    EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
}

TEST_F(MessageBoxTest, EnvironmentFileGetsOneLinePerBox) {
    testsupport::TempDir dir;
    const std::string file = dir.file("boxes.txt");
    int status = testsupport::RunInChild([&file] {
        setenv("KESTRA_MSGBOX_RECORD", file.c_str(), 1);
        int first = MessageBoxA(nullptr, "２重起動は許可されてません", "ERROR", MB_ICONERROR);
        int second = MessageBoxA(nullptr, "tab-free text", "Caption", MB_OK);
        return first == IDOK && second == IDOK ? 0 : 1;
    });
    ASSERT_EQ(status, 0);
    std::string expected = "ERROR\t" + testsupport::Utf8ToCp932(Utf8(u8"２重起動は許可されてません")) + "\t16\n" +
                           "Caption\ttab-free text\t0\n";
    EXPECT_EQ(testsupport::ReadFile(file), expected);
}

TEST_F(MessageBoxTest, WithoutADisplayTheBoxGoesToStderr) {
    testsupport::TempDir dir;
    const std::string errors = dir.file("stderr.txt");
    int status = testsupport::RunInChild([&errors] {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        unsetenv("KESTRA_MSGBOX_RECORD");
        platform::SetMessageBoxRecording(false);
        int fd = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::dup2(fd, 2) < 0) return 2;
        ::close(fd);
        return MessageBoxA(nullptr, "ウィンドウ生成に失敗", "ERROR", MB_ICONERROR) == IDOK ? 0 : 1;
    });
    ASSERT_EQ(status, 0);
    EXPECT_NE(testsupport::ReadFile(errors).find(Utf8(u8"ERROR: ウィンドウ生成に失敗")), std::string::npos);
}
