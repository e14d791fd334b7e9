#include "game/state/SaveFile.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "engine/core/KestraFileWriter.h"
#include "engine/core/KestraLog.h"
#include "platform/win32/win32.h"

namespace {

constexpr DWORD kNotAFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// Save files read or noted this run, each known by the folder it was read from
// and its name as given: the most its last reader reads, and whether it was
// found damaged.
struct SaveRead {
    std::string key;
    size_t limit = 64 * 1024;  // a file noted without a read of its own
    bool damaged = false;
};
SaveRead& Record(const std::string& key) {
    static std::vector<SaveRead> reads;
    for (SaveRead& read : reads)
        if (read.key == key) return read;
    return reads.emplace_back(SaveRead{key});
}

// Reads until `limit` bytes or the end; false at a fault (what came before is kept).
bool ReadUpTo(HANDLE file, size_t limit, std::string& bytes) {
    bytes.clear();
    char buffer[4096];
    while (bytes.size() < limit) {
        const size_t want = std::min(sizeof buffer, limit - bytes.size());
        DWORD got = 0;
        if (!ReadFile(file, buffer, static_cast<DWORD>(want), &got, nullptr)) return false;
        if (got == 0) break;
        bytes.append(buffer, got);
    }
    return true;
}

std::string FileKey(const char* path) {
    char folder[1025] = {};
    GetCurrentDirectoryA(1024, folder);
    return std::string(folder) + "|" + path;
}

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
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        bytes.clear();
        return false;
    }
    ReadUpTo(file, limit, bytes);
    CloseHandle(file);
    return true;
}

bool ReadSaveFile(const char* path, size_t limit, std::string& bytes, bool& whole) {
    bytes.clear();
    whole = false;
    Record(FileKey(path)).limit = limit;
    // The open itself refuses what is no regular file, a link included; what
    // stands there is asked only to name it in the log.
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const DWORD attributes = GetFileAttributesA(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kNotAFile)) {
            Kestra::LogRed("　エラー : 通常のファイルではありません [ %s ]", path);
            Kestra::LogNewLine();
        } else if (!IsMissing(error)) {
            KestraFileWriter::LogFailure("ファイル読み込みに失敗しました", path, error);
        }
        return false;
    }
    if (!ReadUpTo(file, limit, bytes)) {
        KestraFileWriter::LogFailure("ファイル読み込みに失敗しました", path, GetLastError());
    } else {
        // One byte more tells a file that ends at the limit from a longer one.
        char more;
        DWORD got = 0;
        whole = bytes.size() < limit || (ReadFile(file, &more, 1, &got, nullptr) && got == 0);
    }
    CloseHandle(file);
    return true;
}

void NoteLoaded(const char* path, bool damaged) {
    Record(FileKey(path)).damaged = damaged;
    if (!damaged) return;
    Kestra::LogRed("　エラー : 読み取れない部分がありました [ %s ]", path);
    Kestra::LogNewLine();
}

bool ReplaceFileContents(const char* path, const std::string& bytes) {
    SaveRead& read = Record(FileKey(path));
    if (read.damaged) {
        // Kept as far as it was read (and the byte that told it was longer),
        // before anything replaces it. A keep-copy that cannot be made (the file
        // gone or no longer a regular file, the disk full, a folder at the
        // kept name) is logged by the copy, and the save goes on.
        const std::string kept = std::string(path) + ".damaged";
        if (KestraFileWriter::Copy(path, kept.c_str(), read.limit + 1)) {
            Kestra::LogBlue("　■読み取れない部分のあったファイルを残しました [ %s ] -> [ %s ]", path, kept.c_str());
            Kestra::LogNewLine();
        }
        read.damaged = false;
    }
    return KestraFileWriter::Replace(path, bytes);
}

bool SameText(const std::string& a, const std::string& b) {
    auto plain = [](const std::string& text) {
        std::string out;
        for (size_t i = 0; i < text.size(); ++i)
            if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
        return out;
    };
    return plain(a) == plain(b);
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
