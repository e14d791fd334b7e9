// Shift-JIS (code page 932) text helpers: every walk over the program's text goes
// through these so a two-byte character is never split and its trail byte (which
// may look like "\" or an ASCII letter) is never touched on its own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32/shift_jis.h"

namespace Kestra {

// Whether the byte starts a two-byte character: the platform layer's one rule.
inline bool IsLeadByte(uint8_t byte) { return platform::IsLeadByte(byte); }

// The character at text: answers the bytes it takes (1 or 2) and its code in *code
// (a single byte is its own value, a pair is lead * 256 + trail). A lead byte
// right before the terminator counts as a character of its own, so walkers never
// step over the end of the text. code may be null.
uint32_t GetChar(const char* text, uint16_t* code);

// The code of the character at text (see GetChar).
uint32_t GetCharCode(const char* text);

}  // namespace Kestra

namespace KestraFile {

// The lookup form of a path: ASCII "a".."z" upper-cased, "/" turned into "\", the
// two bytes of every Shift-JIS character copied untouched, terminated. Answers
// false (and an empty dst) when the result does not fit in dstSize bytes.
bool NormalizePath(char* dst, size_t dstSize, const char* src);
template <size_t N>
bool NormalizePath(char (&dst)[N], const char* src) {
    return NormalizePath(dst, N, src);
}

// The path with its "." and empty components gone and each ".." taking back the
// component before it, "/" between components; letters and two-byte characters
// kept. A relative path keeps the ".." that climb above its start; an absolute
// one (a leading separator) stops at the root. Answers false (and an empty dst)
// when the result does not fit in dstSize bytes.
bool CanonicalPath(char* dst, size_t dstSize, const char* src);
template <size_t N>
bool CanonicalPath(char (&dst)[N], const char* src) {
    return CanonicalPath(dst, N, src);
}

// Whether a name taken relative to a folder stays inside it: not absolute (no
// leading separator, no drive letter), no ".." climbing above where it starts,
// and no lead byte paired with "/" (a path holding one names no file).
bool StaysInside(const char* name);

// Copies src to dst replacing every single-byte character oldChar by newChar;
// trail bytes of two-byte characters are kept. dst may be src; it must hold
// strlen(src) + 1 bytes.
void ReplaceChar(char* dst, const char* src, uint8_t newChar, uint8_t oldChar);

}  // namespace KestraFile
