// The talk text compiler end to end: a good file becomes a header of ids and
// CP932 texts in the catalogue; each kind of bad entry is refused with its
// file and line, and nothing is written.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

using testsupport::U8;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class TalkTextTool : public ::testing::Test {
protected:
    // Runs the tool on one file named `name` holding `text`; the exit code, its messages in *errors.
    int Run(const std::string& name, const std::string& text, std::string* errors) {
        const std::string file = dir_.path() + "/" + name;
        testsupport::WriteFile(file, text);
        const std::string log = dir_.path() + "/errors.txt";
        const std::string command = "'" + testsupport::BinaryDir() + "/quenrith-talktext' --out '" + out() + "' '" +
                                    file + "' 2> '" + log + "'";
        const int status = std::system(command.c_str());
        *errors = ReadText(log);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string out() const { return dir_.path() + "/out"; }

    testsupport::TempDir dir_;
};

TEST_F(TalkTextTool, AGoodFileGivesItsIdsAndItsTextsInCp932) {
    std::string errors;
    const std::string text = U8(u8"# a comment\n\nhello   あ|い  \r\n  bye\tう\nslash え\\\n");
    ASSERT_EQ(Run("Sample.txt", text, &errors), 0) << errors;
    const std::string header = ReadText(fs::path(out()) / "game/story/text/Sample.h");
    EXPECT_NE(header.find("namespace talktext::Sample {"), std::string::npos);
    EXPECT_NE(header.find("extern const TalkText hello;"), std::string::npos);
    EXPECT_NE(header.find("extern const TalkText bye;"), std::string::npos);
    const std::string catalogue = ReadText(fs::path(out()) / "game/story/TalkTextCatalogue.cpp");
    // あ, LF, い in CP932; line numbers count the comment and the blank line.
    EXPECT_NE(catalogue.find(R"(const TalkText hello{"\x82\xa0\x0a\x82\xa2", "Sample", "hello", 3};)"),
              std::string::npos);
    EXPECT_NE(catalogue.find(R"(const TalkText bye{"\x82\xa4", "Sample", "bye", 4};)"), std::string::npos);
    EXPECT_NE(catalogue.find(U8(u8"// え/\n")), std::string::npos);  // no backslash to splice the next line in
    EXPECT_NE(catalogue.find("return {kTexts, 3};"), std::string::npos);
    // Unchanged content is not rewritten, so nothing recompiles.
    const auto stamp = fs::last_write_time(fs::path(out()) / "game/story/text/Sample.h");
    ASSERT_EQ(Run("Sample.txt", text, &errors), 0);
    EXPECT_EQ(fs::last_write_time(fs::path(out()) / "game/story/text/Sample.h"), stamp);
}

TEST_F(TalkTextTool, BadEntriesAreRefusedWithTheirLine) {
    struct Row {
        const char* what;
        std::string text;
        const char* message;
    };
    const Row rows[] = {
        {"an id that is no identifier", "1st " + U8(u8"あ") + "\n", "Bad.txt:1: the id \"1st\" is not a C++ identifier"},
        {"an id twice", "a " + U8(u8"あ") + "\nb x\na " + U8(u8"い") + "\n", "Bad.txt:3: the id a is used twice"},
        {"an id without text", "\n\nlonely   \n", "Bad.txt:3: the id lonely has no text"},
        {"bytes that are not UTF-8", "a \xE3\x81\n", "Bad.txt:1: the text of a is not UTF-8 (byte 3)"},
        {"an overlong form", "a \xC0\xAF\n", "Bad.txt:1: the text of a is not UTF-8"},
        {"a surrogate half", "a \xED\xA0\x80\n", "Bad.txt:1: the text of a is not UTF-8"},
        {"past U+10FFFF", "a \xF4\x90\x80\x80\n", "Bad.txt:1: the text of a is not UTF-8"},
        {"a character CP932 lacks", "a " + U8(u8"あ♡") + "\n", "Bad.txt:1: the text of a holds \"\xE2\x99\xA1\", which has no CP932 code"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(out());
        std::string errors;
        EXPECT_EQ(Run("Bad.txt", row.text, &errors), 1);
        EXPECT_NE(errors.find(row.message), std::string::npos) << errors;
        EXPECT_FALSE(fs::exists(fs::path(out()) / "game/story/TalkTextCatalogue.cpp"));
    }
    std::string errors;
    EXPECT_EQ(Run("bad-name.txt", "a b\n", &errors), 1);
    EXPECT_NE(errors.find("the file name must be a C++ identifier"), std::string::npos) << errors;
}

}  // namespace
