// CP932 (Shift-JIS as Windows has it) <-> UTF-8 at the operating system's edge.
#pragma once

#include <string>

namespace platform {
// Unconvertible bytes become U+FFFD / '?' rather than failing.
std::string Cp932ToUtf8(const std::string& text);
std::string Utf8ToCp932(const std::string& text);
// Conversions that fail instead of replacing (paths and names must not
// change meaning): false, with `out` undefined, where any character has no form.
bool Cp932ToUtf8Strict(const std::string& text, std::string& out);
bool Utf8ToCp932Strict(const std::string& text, std::string& out);
// The code point of the one character `bytes` hold; false when they hold none,
// part of one or more than one.
bool Cp932Character(const std::string& bytes, char32_t& out);
}  // namespace platform
