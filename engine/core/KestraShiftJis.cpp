#include "engine/core/KestraShiftJis.h"

#include <cstring>

namespace Kestra {

uint32_t GetChar(const char* text, uint16_t* code) {
    const uint8_t first = static_cast<uint8_t>(text[0]);
    if (platform::CharBytes(text) == 2) {
        if (code) *code = static_cast<uint16_t>(first << 8 | static_cast<uint8_t>(text[1]));
        return 2;
    }
    if (code) *code = first;
    return 1;
}

uint32_t GetCharCode(const char* text) {
    uint16_t code = 0;
    GetChar(text, &code);
    return code;
}

}  // namespace Kestra

namespace KestraFile {

bool NormalizePath(char* dst, size_t dstSize, const char* src) {
    if (dstSize == 0) return false;
    size_t out = 0;
    for (size_t in = 0; src[in] != '\0';) {
        const uint32_t bytes = Kestra::GetChar(src + in, nullptr);
        if (out + bytes >= dstSize) {
            dst[0] = '\0';
            return false;
        }
        if (bytes == 2) {
            dst[out++] = src[in++];
            dst[out++] = src[in++];
            continue;
        }
        char c = src[in++];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c == '/') c = '\\';
        dst[out++] = c;
    }
    dst[out] = '\0';
    return true;
}

namespace {

bool IsSeparator(const char* at) { return Kestra::GetChar(at, nullptr) == 1 && (*at == '/' || *at == '\\'); }

// The next component at or after *at (separators skipped): its start and length,
// *at moved past it. False at the end of the text.
bool NextComponent(const char** at, const char** start, size_t* length) {
    const char* p = *at;
    while (*p && IsSeparator(p)) ++p;
    if (!*p) return false;
    *start = p;
    while (*p && !IsSeparator(p)) p += Kestra::GetChar(p, nullptr);
    *length = size_t(p - *start);
    *at = p;
    return true;
}

// Where the last component of the canonical text text[root, end) starts. The
// walk goes forward by characters: a lead byte paired with "/" (no file has one,
// but a name may) holds a "/" that is no separator, so the text is never
// scanned backwards.
size_t LastComponentStart(const char* text, size_t root, size_t end) {
    size_t start = root;
    for (size_t at = root; at < end;) {
        const size_t bytes = platform::CharBytes(text + at, end - at);
        if (bytes == 1 && text[at] == '/') start = at + 1;
        at += bytes;
    }
    return start;
}

bool IsDot(const char* start, size_t length) { return length == 1 && start[0] == '.'; }
bool IsDotDot(const char* start, size_t length) { return length == 2 && start[0] == '.' && start[1] == '.'; }

}  // namespace

bool CanonicalPath(char* dst, size_t dstSize, const char* src) {
    if (dstSize == 0) return false;
    const bool absolute = IsSeparator(src);
    size_t out = 0;
    if (absolute) dst[out++] = '/';
    const size_t root = out;
    size_t depth = 0;  // components after the root and any leading ".."
    const char* start = nullptr;
    size_t length = 0;
    for (const char* at = src; NextComponent(&at, &start, &length);) {
        if (IsDot(start, length)) continue;
        if (IsDotDot(start, length)) {
            if (depth > 0) {
                // Back to the separator before the last component, or to the start.
                const size_t start = LastComponentStart(dst, root, out);
                out = start > root ? start - 1 : root;
                --depth;
                continue;
            }
            if (absolute) continue;  // the root's parent is the root
        } else {
            ++depth;
        }
        const size_t needed = (out > root ? 1 : 0) + length;
        if (out + needed >= dstSize) {
            dst[0] = '\0';
            return false;
        }
        if (out > root) dst[out++] = '/';
        std::memcpy(dst + out, start, length);
        out += length;
    }
    if (out >= dstSize) {
        dst[0] = '\0';
        return false;
    }
    dst[out] = '\0';
    return true;
}

bool StaysInside(const char* name) {
    if (!name || IsSeparator(name)) return false;
    if (((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')) && name[1] == ':') return false;
    int64_t depth = 0;
    const char* start = nullptr;
    size_t length = 0;
    for (const char* at = name; NextComponent(&at, &start, &length);) {
        for (const char* p = start; p < start + length; p += Kestra::GetChar(p, nullptr))
            if (platform::PairsWithSlash(p)) return false;
        if (IsDot(start, length)) continue;
        if (IsDotDot(start, length)) {
            if (--depth < 0) return false;
        } else {
            ++depth;
        }
    }
    return true;
}

void ReplaceChar(char* dst, const char* src, uint8_t newChar, uint8_t oldChar) {
    size_t i = 0;
    while (src[i] != '\0') {
        if (Kestra::GetChar(src + i, nullptr) == 2) {
            dst[i] = src[i];
            dst[i + 1] = src[i + 1];
            i += 2;
            continue;
        }
        dst[i] = static_cast<uint8_t>(src[i]) == oldChar ? static_cast<char>(newChar) : src[i];
        ++i;
    }
    dst[i] = '\0';
}

}  // namespace KestraFile
