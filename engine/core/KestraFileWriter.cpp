#include "engine/core/KestraFileWriter.h"

#include <algorithm>
#include <cstdio>
#include <functional>

#include "engine/core/KestraLog.h"

namespace {

// Written in pieces, so a failing disk can stop a write part way through.
constexpr DWORD kWriteChunk = 512;
// Names already taken are passed over; this many in a row means something else
// is wrong with the folder.
constexpr int kNameTries = 16;

// A name no earlier write of this or another process can have left behind, and
// no one can guess to lay something there first.
uint64_t FreshNumber() {
    static uint64_t count = 0;
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    uint64_t x = static_cast<uint64_t>(now.QuadPart) ^ (uint64_t{GetCurrentProcessId()} << 32) ^
                 (++count * 0x9E3779B97F4A7C15ull);
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// A new file beside `path`, filled by `fill` (false with the last error set when
// it fails), then committed; any failure is logged.
bool WriteBeside(const char* path, const std::function<bool(HANDLE)>& fill) {
    std::string name;
    HANDLE file = KestraFileWriter::CreateBeside(path, name);
    bool ok = file != INVALID_HANDLE_VALUE;
    if (ok && !fill(file)) {
        const DWORD error = GetLastError();
        CloseHandle(file);
        DeleteFileA(name.c_str());
        SetLastError(error);
        ok = false;
    } else if (ok) {
        ok = KestraFileWriter::Commit(file, name, path);
    }
    if (!ok) KestraFileWriter::LogFailure("ファイルを保存できませんでした", path, GetLastError());
    return ok;
}

}  // namespace

namespace KestraFileWriter {

void LogFailure(const char* what, const char* path, DWORD error) {
    Kestra::LogRed("　エラー : %s [ %s ] %s", what, path, Reason(error).c_str());
    Kestra::LogNewLine();
}

HANDLE CreateBeside(const char* target, std::string& name) {
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%012llx.tmp", static_cast<unsigned long long>(FreshNumber() >> 16));
        name = std::string(target) + suffix;
        // CREATE_NEW makes the file or fails: whatever is at the name, a link
        // included, is left alone.
        HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE file, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    for (size_t done = 0; done < size;) {
        const DWORD want = static_cast<DWORD>(std::min<size_t>(kWriteChunk, size - done));
        DWORD written = 0;
        if (!WriteFile(file, bytes + done, want, &written, nullptr)) return false;
        if (written != want) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        done += written;
    }
    return true;
}

bool Commit(HANDLE file, const std::string& name, const char* target) {
    bool ok = FlushFileBuffers(file) != FALSE;
    DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    if (!CloseHandle(file) && ok) {
        ok = false;
        error = GetLastError();
    }
    // The rename replaces what stands at the target's name (a link itself, never
    // what it leads to) in one step: readers see the old file or the new one.
    // Written through: the folder reaches the disk too, so a power cut after the
    // save keeps the new file.
    if (ok && !MoveFileExA(name.c_str(), target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        error = GetLastError();
    }
    if (!ok) {
        DeleteFileA(name.c_str());
        SetLastError(error);
    }
    return ok;
}

bool Replace(const char* path, const std::string& bytes) {
    return WriteBeside(path, [&](HANDLE file) { return WriteAll(file, bytes.data(), bytes.size()); });
}

bool Copy(const char* from, const char* to, size_t limit) {
    HANDLE source = CreateFileA(from, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (source == INVALID_HANDLE_VALUE) {
        LogFailure("ファイル読み込みに失敗しました", from, GetLastError());
        return false;
    }
    const bool ok = WriteBeside(to, [&](HANDLE file) {
        char buffer[4096];
        for (size_t left = limit; left > 0;) {
            DWORD got = 0;
            const DWORD want = static_cast<DWORD>(std::min(sizeof buffer, left));
            if (!ReadFile(source, buffer, want, &got, nullptr)) return false;
            if (got == 0) break;
            if (!WriteAll(file, buffer, got)) return false;
            left -= got;
        }
        return true;
    });
    CloseHandle(source);
    return ok;
}

std::string Reason(DWORD error) {
    char words[256];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, words,
                                  sizeof words, nullptr);
    while (length > 0 && (words[length - 1] == '\n' || words[length - 1] == '\r' || words[length - 1] == ' ')) --length;
    std::string reason(words, length);
    if (!reason.empty()) reason += ' ';
    return reason + "(" + std::to_string(error) + ")";
}

}  // namespace KestraFileWriter
