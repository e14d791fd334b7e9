// The one rule for the program's Shift-JIS text: which bytes start a two-byte
// character, and how a walk steps over one. Every walk over text (paths and
// the names in them, drawn, typed and saved text, the tools' writers) steps
// with these, so no two readers ever split the same bytes differently.
#pragma once

#include <cstddef>

namespace platform {

// 0x81..0x9F and 0xE0..0xFE start a two-byte character.
constexpr bool IsLeadByte(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFE); }

// The bytes the character at text takes (1 or 2), `left` bytes (at least one)
// being there from text on. A lead byte at the end or before a NUL is a
// character by itself, so a walk never steps over either.
constexpr size_t CharBytes(const char* text, size_t left) {
    return left >= 2 && IsLeadByte(static_cast<unsigned char>(text[0])) && text[1] != '\0' ? 2 : 1;
}
// The same in a NUL-terminated text.
constexpr size_t CharBytes(const char* text) {
    return IsLeadByte(static_cast<unsigned char>(text[0])) && text[1] != '\0' ? 2 : 1;
}

// Whether the character at text is a lead byte paired with "/". No character
// has "/" as its second byte (those start at 0x40), and a reader that split
// there would see a separator where this rule sees none: a path holding such a
// pair names no file.
constexpr bool PairsWithSlash(const char* text) { return CharBytes(text) == 2 && text[1] == '/'; }

}  // namespace platform
