#include "game/state/SaveFile.h"

#include <algorithm>
#include <limits>

#include "platform/win32/win32.h"

namespace {
// Written in pieces, so a failing disk can stop a save part way through.
constexpr DWORD kWriteChunk = 512;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// The sign and the magnitude, saturated far beyond any 32-bit value.
const char* ScanDecimal(const char* text, bool& negative, uint64_t& magnitude, bool& any) {
    negative = false;
    magnitude = 0;
    any = false;
    if (!text) return text;
    while (IsBlank(*text)) ++text;
    if (*text == '-' || *text == '+') negative = *text++ == '-';
    constexpr uint64_t kCap = uint64_t{1} << 40;
    for (; *text >= '0' && *text <= '9'; ++text) {
        any = true;
        if (magnitude < kCap) magnitude = magnitude * 10 + static_cast<uint64_t>(*text - '0');
    }
    return text;
}
}  // namespace

bool ReadFileBytes(const char* path, size_t limit, std::string& bytes) {
    bytes.clear();
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char buffer[4096];
    while (bytes.size() < limit) {
        const size_t want = std::min(sizeof buffer, limit - bytes.size());
        DWORD got = 0;
        if (!ReadFile(file, buffer, static_cast<DWORD>(want), &got, nullptr) || got == 0) break;
        bytes.append(buffer, got);
    }
    CloseHandle(file);
    return true;
}

bool ReplaceFileContents(const char* path, const std::string& bytes) {
    const std::string temporary = std::string(path) + ".tmp";
    HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    size_t done = 0;
    while (ok && done < bytes.size()) {
        const DWORD want = static_cast<DWORD>(std::min<size_t>(kWriteChunk, bytes.size() - done));
        DWORD written = 0;
        ok = WriteFile(file, bytes.data() + done, want, &written, nullptr) && written == want;
        done += written;
    }
    ok = ok && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    ok = ok && MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING);
    if (!ok) DeleteFileA(temporary.c_str());
    return ok;
}

int32_t ParseDecimal(const char* text, const char** end) {
    bool negative = false, any = false;
    uint64_t magnitude = 0;
    const char* after = ScanDecimal(text, negative, magnitude, any);
    if (end) *end = any ? after : text;
    if (negative) {
        constexpr uint64_t kMin = uint64_t{1} << 31;
        return magnitude >= kMin ? std::numeric_limits<int32_t>::min() : -static_cast<int32_t>(magnitude);
    }
    return magnitude > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())
               ? std::numeric_limits<int32_t>::max()
               : static_cast<int32_t>(magnitude);
}

uint32_t ParseUnsignedDecimal(const char* text) {
    bool negative = false, any = false;
    uint64_t magnitude = 0;
    ScanDecimal(text, negative, magnitude, any);
    if (negative) return 0;
    return magnitude > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                            : static_cast<uint32_t>(magnitude);
}
