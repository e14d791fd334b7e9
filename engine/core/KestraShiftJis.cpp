#include "engine/core/KestraShiftJis.h"

namespace Kestra {

uint32_t GetChar(const char* text, uint16_t* code) {
    const uint8_t lead = static_cast<uint8_t>(text[0]);
    if (IsLeadByte(lead) && text[1] != '\0') {
        if (code) *code = static_cast<uint16_t>(lead << 8 | static_cast<uint8_t>(text[1]));
        return 2;
    }
    if (code) *code = lead;
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
