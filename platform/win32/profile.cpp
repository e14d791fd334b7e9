// Profile (.ini) files: "[section]" lines and "key=value" lines. Section and key
// names compare without regard to ASCII case. The file is read on every call
// (no cache), and a write replaces the whole file through a temporary file
// renamed over it, so a crash or a full disk never leaves it cut short; a link at
// the file's name is neither read nor written through (a missing profile to
// reads, replaced by a write), so a profile never reaches outside. A path
// without folder is relative to the current directory (there is no Windows
// folder to look in). A file over kMaxProfileBytes is refused whole, before it
// is read: reads answer their defaults and writes fail, leaving it as it is.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/kernel.h"
#include "platform/win32/kernel_internal.h"

namespace platform {

namespace {

// The game's key map takes under a kilobyte, and every call reads the file again.
constexpr size_t kMaxProfileBytes = 64 * 1024;

std::mutex& ProfileLock() {
    static std::mutex* lock = new std::mutex;  // outlives static destructors
    return *lock;
}

std::string Trim(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return std::string();
    size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

bool SameName(const std::string& a, const std::string& b) { return FoldCp932(a) == FoldCp932(b); }

// "[name]" -> name.
bool SectionOf(const std::string& line, std::string& name) {
    std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] != '[') return false;
    size_t close = trimmed.find(']');
    name = Trim(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return true;
}

bool KeyOf(const std::string& line, std::string& key, std::string& value) {
    size_t equals = line.find('=');
    if (equals == std::string::npos) return false;
    key = Trim(line.substr(0, equals));
    value = Trim(line.substr(equals + 1));
    return true;
}

struct Profile {
    std::vector<std::string> lines;  // without line ends
};

// Reads the file's lines; a missing file is an empty profile. False (with the
// last error set) only when the file exists and cannot be read, or is too large.
bool ReadProfile(const std::string& host, Profile& profile) {
    profile.lines.clear();
    // A pipe, device or link is no profile: as a missing file, at once.
    int fd = OpenDataFile(host, O_RDONLY | O_NOFOLLOW, 0);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR || errno == ELOOP) return true;
        SetLastError(Win32ErrorFromErrno(errno));
        return false;
    }
    // Counted again while reading: a file may grow.
    struct stat st;
    bool tooLarge = fstat(fd, &st) == 0 && st.st_size > static_cast<off_t>(kMaxProfileBytes);
    std::string content;
    char buffer[4096];
    while (!tooLarge) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            int error = errno;
            close(fd);
            SetLastError(Win32ErrorFromErrno(error));
            return false;
        }
        if (n == 0) break;
        content.append(buffer, static_cast<size_t>(n));
        tooLarge = content.size() > kMaxProfileBytes;
    }
    close(fd);
    if (tooLarge) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
    }
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        profile.lines.push_back(line);
        start = end + 1;
    }
    return true;
}

// The section's header line and the end of its lines; false when absent.
bool FindSection(const Profile& profile, const std::string& section, size_t& header, size_t& end) {
    std::string name;
    for (size_t i = 0; i < profile.lines.size(); ++i) {
        if (!SectionOf(profile.lines[i], name) || !SameName(name, section)) continue;
        header = i;
        end = i + 1;
        while (end < profile.lines.size() && !SectionOf(profile.lines[end], name)) ++end;
        return true;
    }
    return false;
}

bool FindKey(const Profile& profile, size_t header, size_t end, const std::string& key, size_t& line,
             std::string& value) {
    std::string name;
    for (size_t i = header + 1; i < end; ++i) {
        if (KeyOf(profile.lines[i], name, value) && SameName(name, key)) {
            line = i;
            return true;
        }
    }
    return false;
}

bool LookUp(const char* section, const char* key, const char* fileName, std::string& value) {
    std::string host;
    Profile profile;
    if (!fileName || !HostPath(fileName, host)) return false;
    std::lock_guard<std::mutex> guard(ProfileLock());
    if (!ReadProfile(host, profile)) return false;
    size_t header, end, line;
    if (!FindSection(profile, section, header, end)) return false;
    return FindKey(profile, header, end, key, line, value);
}

// Copies a list of NUL-terminated names, ended by one more NUL, as Windows does
// (a list too long is cut, its last name ended by two NULs).
DWORD CopyList(const std::vector<std::string>& names, LPSTR out, DWORD size) {
    std::string list;
    for (const std::string& name : names) {
        list += name;
        list.push_back('\0');
    }
    if (size < 2) {
        if (size == 1) out[0] = '\0';
        return 0;
    }
    if (list.size() + 1 <= size) {
        std::memcpy(out, list.data(), list.size());
        out[list.size()] = '\0';
        if (list.empty()) out[1] = '\0';
        return static_cast<DWORD>(list.size());
    }
    std::memcpy(out, list.data(), size - 2);
    out[size - 2] = '\0';
    out[size - 1] = '\0';
    return size - 2;
}

DWORD CopyString(const std::string& text, LPSTR out, DWORD size) {
    size_t length = text.size() < size ? text.size() : size - 1;
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
    return static_cast<DWORD>(length);
}

// Writes the lines (each ended by CR LF) to a temporary file beside the target
// and renames it over the target; never a file the reader would refuse.
bool ReplaceFile(const std::string& host, const Profile& profile) {
    std::string content;
    for (const std::string& line : profile.lines) content += line + "\r\n";
    if (content.size() > kMaxProfileBytes) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
    }
    size_t slash = host.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : host.substr(0, slash ? slash : 1);
    std::string base = slash == std::string::npos ? host : host.substr(slash + 1);
    std::string pattern = folder + "/." + base + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(errno));
        return false;
    }
    bool ok = true;
    size_t done = 0;
    while (ok && done < content.size()) {
        ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        else done += static_cast<size_t>(n);
    }
    int error = ok ? 0 : errno;
    // The replacement keeps the old file's permissions; a new file gets the usual ones.
    struct stat st;
    mode_t mode;
    if (lstat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    if (ok) fchmod(fd, mode);  // permissions are a nicety; a failure changes nothing else
    if (ok && fsync(fd) != 0) {
        ok = false;
        error = errno;
    }
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && rename(name.data(), host.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(name.data());
        SetLastError(Win32ErrorFromErrno(error));
    }
    return ok;
}

}  // namespace

}  // namespace platform

DWORD GetPrivateProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR defaultValue, LPSTR returnedString, DWORD size,
                               LPCSTR fileName) {
    using namespace platform;
    if (!returnedString || size == 0) return 0;
    if (!appName || !keyName) {
        // Listing: every section name, or every key of one section.
        std::vector<std::string> names;
        std::string host;
        Profile profile;
        if (fileName && HostPath(fileName, host)) {
            std::lock_guard<std::mutex> guard(ProfileLock());
            if (ReadProfile(host, profile)) {
                std::string name, value;
                if (!appName) {
                    for (const std::string& line : profile.lines)
                        if (SectionOf(line, name)) names.push_back(name);
                } else {
                    size_t header, end;
                    if (FindSection(profile, appName, header, end))
                        for (size_t i = header + 1; i < end; ++i)
                            if (KeyOf(profile.lines[i], name, value)) names.push_back(name);
                }
            }
        }
        return CopyList(names, returnedString, size);
    }
    std::string value;
    if (!LookUp(appName, keyName, fileName, value)) {
        // The default loses its trailing blanks, as documented.
        std::string fallback = defaultValue ? defaultValue : "";
        size_t last = fallback.find_last_not_of(' ');
        fallback.resize(last == std::string::npos ? 0 : last + 1);
        return CopyString(fallback, returnedString, size);
    }
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    return CopyString(value, returnedString, size);
}

// Decimal with an optional sign, read up to the first other character; the
// value wraps to 32 bits, so "-1" answers 0xFFFFFFFF. A missing or empty value
// answers the default.
UINT GetPrivateProfileIntA(LPCSTR appName, LPCSTR keyName, INT defaultValue, LPCSTR fileName) {
    std::string value;
    if (!appName || !keyName || !platform::LookUp(appName, keyName, fileName, value) || value.empty())
        return static_cast<UINT>(defaultValue);
    size_t i = 0;
    bool negative = false;
    if (value[i] == '-' || value[i] == '+') negative = value[i++] == '-';
    uint32_t result = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
        result = result * 10u + static_cast<uint32_t>(value[i] - '0');
    return negative ? 0u - result : result;
}

BOOL WritePrivateProfileStringA(LPCSTR appName, LPCSTR keyName, LPCSTR string, LPCSTR fileName) {
    using namespace platform;
    if (!appName && !keyName && !string) return TRUE;  // "flush the cache": there is none
    if (!appName || !fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string host;
    if (!HostPath(fileName, host)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(ProfileLock());
    Profile profile;
    if (!ReadProfile(host, profile)) return FALSE;
    size_t header = 0, end = 0, line = 0;
    std::string oldValue;
    bool haveSection = FindSection(profile, appName, header, end);
    bool haveKey = haveSection && keyName && FindKey(profile, header, end, keyName, line, oldValue);
    auto& lines = profile.lines;
    if (!keyName) {
        if (!haveSection) return TRUE;
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(header), lines.begin() + static_cast<std::ptrdiff_t>(end));
    } else if (!string) {
        if (!haveKey) return TRUE;
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(line));
    } else {
        // A line break in the value would turn the rest into lines of their own.
        std::string value = string;
        value.resize(std::strcspn(value.c_str(), "\r\n"));
        std::string entry = std::string(keyName) + "=" + value;
        if (haveKey) {
            lines[line] = entry;
        } else if (haveSection) {
            size_t at = end;
            while (at > header + 1 && Trim(lines[at - 1]).empty()) --at;
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), entry);
        } else {
            lines.push_back(std::string("[") + appName + "]");
            lines.push_back(entry);
        }
    }
    return ReplaceFile(host, profile) ? TRUE : FALSE;
}
