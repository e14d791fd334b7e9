// Shift-JIS helpers against the platform's CP932 tables, and path normalisation that
// never touches a trail byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/core/KestraShiftJis.h"
#include "platform/win32/cp932.h"
#include "platform/win32/kernel_internal.h"
#include "platform/win32/shift_jis.h"
#include "tests/support/test_support.h"

namespace {

// How many characters the platform's CP932 tables read in a string (-1 when it is invalid).
long CountCharacters(const std::string& cp932) {
    std::string utf8;
    if (!platform::Cp932ToUtf8Strict(cp932, utf8)) return -1;
    const auto starts = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; };
    return std::count_if(utf8.begin(), utf8.end(), starts);
}

// Every two-byte code the tables decode as a single character.
std::vector<std::string> DoubleByteCharacters() {
    std::vector<std::string> found;
    char32_t code = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const std::string c{static_cast<char>(lead), static_cast<char>(trail)};
            if (platform::Cp932Character(c, code)) found.push_back(c);
        }
    return found;
}

// The edges of the two lead ranges; between edges the answer does not change.
TEST(ShiftJis, LeadBytes) {
    const std::pair<int, bool> edges[] = {{0x00, false}, {0x80, false}, {0x81, true},  {0x9F, true},
                                          {0xA0, false}, {0xDF, false}, {0xE0, true},  {0xFC, true},
                                          {0xFD, true},  {0xFE, true},  {0xFF, false}};
    size_t edge = 0;
    for (int b = 0; b < 256; ++b) {
        if (edge + 1 < std::size(edges) && b >= edges[edge + 1].first) ++edge;
        EXPECT_EQ(Kestra::IsLeadByte(static_cast<uint8_t>(b)), edges[edge].second) << b;
        EXPECT_EQ(platform::IsLeadByte(static_cast<unsigned char>(b)), edges[edge].second) << b;
    }
}

TEST(ShiftJis, GetCharAgreesWithIconvOnEveryCharacter) {
    const std::vector<std::string> chars = DoubleByteCharacters();
    ASSERT_GT(chars.size(), 9000u);
    for (const std::string& c : chars) {
        uint16_t code = 0;
        ASSERT_EQ(Kestra::GetChar(c.c_str(), &code), 2u) << std::hex << int(uint8_t(c[0]));
        EXPECT_EQ(code, uint8_t(c[0]) * 256 + uint8_t(c[1]));
        EXPECT_EQ(Kestra::GetCharCode(c.c_str()), code);
    }
    for (int b = 1; b < 256; ++b) {
        if (Kestra::IsLeadByte(static_cast<uint8_t>(b))) continue;
        const char text[3] = {static_cast<char>(b), 'x', 0};
        uint16_t code = 0;
        EXPECT_EQ(Kestra::GetChar(text, &code), 1u);
        EXPECT_EQ(code, b);
    }
    // 0x82 0xA0 is one character; 0xA0 alone is one byte.
    EXPECT_EQ(Kestra::GetCharCode("\x82\xA0"), 0x82A0u);
    EXPECT_EQ(Kestra::GetChar("\xA0", nullptr), 1u);
}

TEST(ShiftJis, WalkingRandomTextFindsIconvsCharacters) {
    const std::vector<std::string> doubles = DoubleByteCharacters();
    std::mt19937 rng(42);
    std::string text;
    long count = 0;
    for (; count < 10000; ++count) {
        const unsigned kind = rng() % 3;
        if (kind == 0) {
            text += doubles[rng() % doubles.size()];
        } else if (kind == 1) {
            text += static_cast<char>(0x20 + rng() % 0x5F);  // ASCII
        } else {
            text += static_cast<char>(0xA1 + rng() % 0x3F);  // half-width kana
        }
    }
    ASSERT_EQ(CountCharacters(text), count);
    long walked = 0;
    for (const char* p = text.c_str(); *p; p += Kestra::GetChar(p, nullptr)) ++walked;
    EXPECT_EQ(walked, count);
}

TEST(ShiftJis, LeadByteBeforeTheEndIsOneCharacter) {
    const char text[] = "a\x82";
    uint16_t code = 0;
    EXPECT_EQ(Kestra::GetChar(text + 1, &code), 1u);
    EXPECT_EQ(code, 0x82);
    // A counted text ends where its count says, whatever bytes lie beyond it.
    struct Case {
        const char* text;
        size_t left, bytes;
        bool pairsWithSlash;
    };
    const Case cases[] = {
        {"\x82\xA0", 2, 2, false}, {"\x82\xA0", 1, 1, false}, {"\x82/", 1, 1, false}, {"\x82/", 2, 2, true},
        {"\x82", 2, 1, false},      {"a\xA0", 2, 1, false},     {"\xFE/", 2, 2, true}, {"\xA0/", 2, 1, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::CharBytes(c.text, c.left), c.bytes) << c.text << " " << c.left;
        if (c.left == 2) {
            EXPECT_EQ(platform::PairsWithSlash(c.text), c.pairsWithSlash) << c.text;
        }
    }
}

std::string FromUtf8(const char8_t* text) {
    return testsupport::Utf8ToCp932(reinterpret_cast<const char*>(text));
}

TEST(ShiftJis, NormalizeKeepsTrailBytes) {
    const std::string so = FromUtf8(u8"ソ");
    const std::string hyo = FromUtf8(u8"表");
    const std::string di = FromUtf8(u8"ヂ");
    // Literals of the program are CP932 already.
    EXPECT_EQ(std::string("ソ"), so);
    ASSERT_EQ(so, "\x83\x5C");
    ASSERT_EQ(hyo, "\x95\x5C");
    ASSERT_EQ(di, "\x83\x61");

    char out[260];
    ASSERT_TRUE(KestraFile::NormalizePath(out, ("a/" + so + "/b" + di + "c.png").c_str()));
    EXPECT_EQ(std::string(out), "A\\" + so + "\\B" + di + "C.PNG");
    ASSERT_TRUE(KestraFile::NormalizePath(out, (hyo + "\\x").c_str()));
    EXPECT_EQ(std::string(out), hyo + "\\X");
    // A lone lead byte at the end is copied and the walk stops at the terminator.
    ASSERT_TRUE(KestraFile::NormalizePath(out, "ab\x82"));
    EXPECT_EQ(std::string(out), "AB\x82");
}

TEST(ShiftJis, NormalizeRefusesWhatDoesNotFit) {
    char small[6];
    EXPECT_TRUE(KestraFile::NormalizePath(small, "abcde"));
    EXPECT_STREQ(small, "ABCDE");
    EXPECT_FALSE(KestraFile::NormalizePath(small, "abcdef"));
    EXPECT_STREQ(small, "");
    // A two-byte character is never cut in half.
    EXPECT_FALSE(KestraFile::NormalizePath(small, "abcd\x83\x5C"));
    const std::string longName(400, 'x');
    char path[260];
    EXPECT_FALSE(KestraFile::NormalizePath(path, longName.c_str()));
}

TEST(ShiftJis, ReplaceCharSkipsTrailBytes) {
    const std::string so = "\x83\x5C";
    const std::string nou = "\x94\x5C";
    char text[64];
    std::strcpy(text, ("a\\" + so + "\\" + nou + "\\b").c_str());
    KestraFile::ReplaceChar(text, text, '/', '\\');
    EXPECT_EQ(std::string(text), "a/" + so + "/" + nou + "/b");
    char copy[64];
    KestraFile::ReplaceChar(copy, "x-y-\x83\x2D", '+', '-');
    EXPECT_EQ(std::string(copy), "x+y+\x83\x2D");
}

// One name for a file however its path is spelt; whether a name stays in its folder.
TEST(ShiftJis, CanonicalPathsAndNamesThatStayInside) {
    const std::string so = "\x83\x5C";  // ソ: its trail byte is "\"
    struct Case {
        std::string path, canonical;
        bool inside;
    };
    const Case cases[] = {
        {"big", "big", true},
        {"./big", "big", true},
        {"././big", "big", true},
        {".//big", "big", true},
        {"data\\./img//a.png", "data/img/a.png", true},
        {"img/x/../a.png", "img/a.png", true},
        {"a/b/../../c", "c", true},
        {"a/..", "", true},
        {"../x", "../x", false},
        {"./../x", "../x", false},
        {"a/../../x", "../x", false},
        {"../../x/../y", "../../y", false},
        {"/tmp/x/outside", "/tmp/x/outside", false},
        {"\\tmp\\..\\..\\x", "/x", false},
        {"C:/x", "C:/x", false},
        {"a:x", "a:x", false}, {"z:/x", "z:/x", false}, {"A:x", "A:x", false}, {"Z:\\x", "Z:/x", false},
        {"\\\\host\\share\\x", "/host/share/x", false}, {"a\\..\\..\\x", "../x", false},
        {"img/" + so + "/../" + so + "b", "img/" + so + "b", true},
        {so + "\\..\\a", "a", true},
        // A lead byte paired with "/" holds no separator: ".." drops the whole part.
        {"x/a\x81/b/..", "x", false},
        {"a\x81/b/../c", "c", false},
    };
    for (const Case& c : cases) {
        char out[64] = "unchanged";
        ASSERT_TRUE(KestraFile::CanonicalPath(out, c.path.c_str())) << c.path;
        EXPECT_EQ(std::string(out), c.canonical) << c.path;
        EXPECT_EQ(KestraFile::StaysInside(c.path.c_str()), c.inside) << c.path;
    }
    EXPECT_FALSE(KestraFile::StaysInside(nullptr));
    char small[6];
    EXPECT_TRUE(KestraFile::CanonicalPath(small, "./abcde"));
    EXPECT_FALSE(KestraFile::CanonicalPath(small, "a/bcde"));
    EXPECT_FALSE(KestraFile::CanonicalPath(small, "ab/cde/.."));  // a part that never fit, though dropped later
    EXPECT_STREQ(small, "");
}

// A path ending in separators leaves no empty last part: each result below
// fills its buffer to the last byte, so a trailing "/" kept would not fit.
TEST(ShiftJis, TrailingSeparatorsLeaveNoEmptyLastPart) {
    const std::pair<std::string, std::string> cases[] = {
        {"abcde/", "abcde"}, {"ab/cd//", "ab/cd"}, {"ab\\cd\\", "ab/cd"},
        {"./ab/x/../cd/", "ab/cd"}, {"\x83\x5C/", "\x83\x5C"}, {"a/\x83\x5C\\", "a/\x83\x5C"},
        {"/abcd/", "/abcd"},
    };
    for (const auto& [path, canonical] : cases) {
        std::vector<char> exact(canonical.size() + 1, 'x');
        ASSERT_TRUE(KestraFile::CanonicalPath(exact.data(), exact.size(), path.c_str())) << path;
        EXPECT_EQ(std::string(exact.data()), canonical) << path;
        // One byte less does not fit.
        EXPECT_FALSE(KestraFile::CanonicalPath(exact.data(), exact.size() - 1, path.c_str())) << path;
    }
}

// The components of a path by the one walk: split at every single-byte "/" or "\".
std::vector<std::string> Components(const std::string& path) {
    std::vector<std::string> parts(1);
    for (const char* p = path.c_str(); *p;) {
        const uint32_t bytes = Kestra::GetChar(p, nullptr);
        if (bytes == 1 && (*p == '/' || *p == '\\')) parts.emplace_back();
        else parts.back().append(p, bytes);
        p += bytes;
    }
    std::erase(parts, std::string());
    return parts;
}

// Components with "." gone and each ".." taking back the one before it; with
// nothing to take back it stays (relative) or goes (absolute: the root's parent
// is the root).
std::vector<std::string> Resolved(const std::vector<std::string>& parts, bool absolute) {
    std::vector<std::string> out;
    for (const std::string& part : parts) {
        if (part == ".") continue;
        if (part == ".." && !out.empty() && out.back() != "..") out.pop_back();
        else if (part != ".." || !absolute) out.push_back(part);
    }
    return out;
}

std::string Joined(const std::vector<std::string>& parts, bool absolute, bool toUtf8) {
    std::string out;
    for (const std::string& part : parts) out += (out.empty() && !absolute ? "" : "/") + (toUtf8 ? platform::Cp932ToUtf8(part) : part);
    return out;
}

bool HoldsLeadSlash(const std::string& path) {
    for (const char* p = path.c_str(); *p; p += Kestra::GetChar(p, nullptr))
        if (platform::PairsWithSlash(p)) return true;
    return false;
}

// Every byte 0x80..0xFF, in a few shapes of path, splits alike in the name
// checks (StaysInside, CanonicalPath), the lookup key (NormalizePath) and the
// host path the file is opened by; a name the check lets in never resolves
// above its folder.
TEST(ShiftJis, EveryHighByteSplitsAlikeInTheNameChecksTheLookupKeyAndTheHostPath) {
    const std::string root = "/no-such-root-" + std::to_string(getpid());
    const std::string shapes[] = {"d/#/../x", "#/../../x", "d\\#\\..\\x", "#/", "a/##/..", "#\\..", "#./..", "#a/../b", "#/./x/.."};
    for (int b = 0x80; b <= 0xFF; ++b) {
        for (const std::string& shape : shapes) {
            std::string path = shape;
            std::replace(path.begin(), path.end(), '#', static_cast<char>(b));
            SCOPED_TRACE(testing::Message() << "byte " << std::hex << b << " in " << shape);
            const std::vector<std::string> parts = Components(path);
            const std::vector<std::string> resolved = Resolved(parts, false);
            const bool slashPair = HoldsLeadSlash(path);

            char canonical[260];
            ASSERT_TRUE(KestraFile::CanonicalPath(canonical, path.c_str()));
            EXPECT_EQ(std::string(canonical), Joined(resolved, false, false));
            const bool inside = !slashPair && (resolved.empty() || resolved.front() != "..");
            EXPECT_EQ(KestraFile::StaysInside(path.c_str()), inside);

            char key[260];
            ASSERT_TRUE(KestraFile::NormalizePath(key, path.c_str()));
            const std::vector<std::string> keyParts = Components(key);
            ASSERT_EQ(keyParts.size(), parts.size());
            for (size_t i = 0; i < parts.size(); ++i) EXPECT_EQ(keyParts[i].size(), parts[i].size()) << i;
            for (const char* p = key; *p; p += Kestra::GetChar(p, nullptr))
                EXPECT_FALSE(Kestra::GetChar(p, nullptr) == 1 && *p == '/') << "a separator left as \"/\" in the key";

            std::string host;
            const bool made = platform::HostPath((root + "/" + path).c_str(), host);
            EXPECT_EQ(made, !slashPair);
            if (!made) continue;
            EXPECT_EQ(host, Joined(Resolved(Components(root + "/" + path), true), true, true));
            if (inside) {
                EXPECT_EQ(host.rfind(root, 0), 0u) << host;
            }
        }
        // One shape pinned: "d/#/../x" is "d/x" unless the byte takes the "/" with it.
        std::string path = "d/#/../x";
        path[2] = static_cast<char>(b);
        char canonical[260];
        ASSERT_TRUE(KestraFile::CanonicalPath(canonical, path.c_str()));
        std::string host;
        if (Kestra::IsLeadByte(static_cast<uint8_t>(b))) {
            EXPECT_EQ(std::string(canonical), path);
            EXPECT_FALSE(KestraFile::StaysInside(path.c_str()));
            EXPECT_FALSE(platform::HostPath((root + "/" + path).c_str(), host));
        } else {
            EXPECT_STREQ(canonical, "d/x");
            EXPECT_TRUE(KestraFile::StaysInside(path.c_str()));
            ASSERT_TRUE(platform::HostPath((root + "/" + path).c_str(), host));
            EXPECT_EQ(host, root + "/d/x");
        }
    }
}

}  // namespace
