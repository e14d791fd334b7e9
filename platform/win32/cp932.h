// CP932 (Shift-JIS as Windows has it) <-> UTF-8 at the operating system's edge.
#pragma once

#include <string>

namespace platform {
// Unconvertible bytes become U+FFFD / '?' rather than failing.
std::string Cp932ToUtf8(const std::string& text);
std::string Utf8ToCp932(const std::string& text);
}  // namespace platform
