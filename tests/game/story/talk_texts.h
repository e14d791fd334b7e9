// The talks' texts as characters: CP932 decoded through iconv, with the name of
// the entry each comes from for messages that point at the writer's line.
#pragma once

#include <iconv.h>

#include <string>
#include <vector>

#include "game/story/TalkText.h"

namespace talktest {

// "CheskaStage5.txt:14 midAfter1"
inline std::string Where(const TalkText& t) {
    return std::string(t.file) + ".txt:" + std::to_string(t.line) + " " + t.id;
}

// The code points of CP932 bytes; false when the bytes are not CP932.
inline bool DecodeCp932(const std::string& bytes, std::u32string* out) {
    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string in = bytes;
    std::string buffer(bytes.size() * 4 + 8, '\0');
    char* ip = in.data();
    char* op = buffer.data();
    size_t il = in.size(), ol = buffer.size();
    const bool ok = iconv(cd, &ip, &il, &op, &ol) != size_t(-1) && il == 0;
    iconv_close(cd);
    if (!ok) return false;
    out->clear();
    for (size_t i = 0; i + 4 <= buffer.size() - ol; i += 4)
        out->push_back(char32_t(uint8_t(buffer[i]) | uint8_t(buffer[i + 1]) << 8 | uint8_t(buffer[i + 2]) << 16 |
                                uint8_t(buffer[i + 3]) << 24));
    return true;
}

// One code point as UTF-8, for messages.
inline std::string Utf8(char32_t c) {
    std::string s;
    if (c < 0x80) s += char(c);
    else if (c < 0x800) s += {char(0xC0 | c >> 6), char(0x80 | (c & 0x3F))};
    else if (c < 0x10000) s += {char(0xE0 | c >> 12), char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))};
    else s += {char(0xF0 | c >> 18), char(0x80 | ((c >> 12) & 0x3F)), char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))};
    return s;
}

inline std::string Utf8(const std::u32string& s) {
    std::string out;
    for (char32_t c : s) out += Utf8(c);
    return out;
}

// The rows of a text (split at LF), as code points.
inline std::vector<std::u32string> Rows(const std::u32string& text) {
    std::vector<std::u32string> rows(1);
    for (char32_t c : text) {
        if (c == U'\n') rows.emplace_back();
        else rows.back() += c;
    }
    return rows;
}

}  // namespace talktest
