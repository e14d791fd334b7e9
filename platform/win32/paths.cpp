// Windows paths on a POSIX file system, and the current directory.
//
// A path is split at "\" and "/" (never at a trail byte, so "ソ" = 83 5C stays
// one character: the walk is the one rule of shift_jis.h, which the engine's
// name checks use too). A path with a lead byte paired with "/" is refused: no
// character is spelt so, and its "/" would part the host path where the name
// checks see none. Each component is matched against the real folder: the
// exact name first, then any entry that equals it after ASCII case folding, the
// comparison made in CP932 bytes (names on disk are UTF-8). A component that
// does not exist keeps its name as given, so files can be created.
//
// Absolute paths: a leading "\" or "/" starts at the file system's root, so the
// Windows form of "/tmp/x" is "\tmp\x" and back. There are no drive letters:
// GetModuleFileNameA and GetCurrentDirectoryA answer this form, which round-trips
// through SetCurrentDirectoryA and CreateFileA.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <vector>

#include "platform/win32/cp932.h"
#include "platform/win32/kernel.h"
#include "platform/win32/kernel_internal.h"
#include "platform/win32/shift_jis.h"

namespace platform {

// ASCII letters folded to lower case; the second byte of a CP932 pair is never
// touched (ヂ = 83 61 must not match 83 41).
std::string FoldCp932(const std::string& text) {
    std::string out = text;
    for (size_t i = 0; i < out.size();) {
        const size_t bytes = CharBytes(out.data() + i, out.size() - i);
        const unsigned char c = static_cast<unsigned char>(out[i]);
        if (bytes == 1 && c >= 'A' && c <= 'Z') out[i] = static_cast<char>(c - 'A' + 'a');
        i += bytes;
    }
    return out;
}

namespace {

struct Entry {
    std::string folded;  // CP932, case folded
    std::string name;    // on disk (UTF-8)
};

// One folder's names, sorted by folded name and then by name, with the folder's
// state when it was read. A folder's modification time changes with every name
// added, removed or renamed in it, so while it stays the same the listing is
// the folder: a miss is answered from it, not by reading the folder again.
// Within a second of the last change the time may not yet tell two changes
// apart (file systems keep it coarse), so such a listing is read again on a miss.
struct Listing {
    std::vector<Entry> entries;
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};
    bool settled = false;
};

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

bool Unchanged(const Listing& listing, const struct stat& st) {
    return listing.device == st.st_dev && listing.inode == st.st_ino && SameTime(listing.modified, st.st_mtim);
}

struct ListingCache {
    std::mutex lock;
    std::map<std::string, Listing> folders;
};
ListingCache& Listings() {
    static ListingCache* cache = new ListingCache;  // outlives static destructors
    return *cache;
}

// Reads the folder whose state (taken just before) is st.
Listing ReadFolder(const std::string& folder, const struct stat& st) {
    Listing listing;
    listing.device = st.st_dev;
    listing.inode = st.st_ino;
    listing.modified = st.st_mtim;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    listing.settled = now.tv_sec - st.st_mtim.tv_sec > 1;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return listing;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string cp932;
        if (!Utf8ToCp932Strict(name, cp932)) continue;  // no CP932 name can reach it
        listing.entries.push_back(Entry{FoldCp932(cp932), name});
    }
    closedir(dir);
    std::sort(listing.entries.begin(), listing.entries.end(), [](const Entry& a, const Entry& b) {
        return a.folded != b.folded ? a.folded < b.folded : a.name < b.name;
    });
    return listing;
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// The first name (in byte order) of the listing that folds to folded and is
// still there.
bool FindFolded(const Listing& listing, const std::string& folder, const std::string& folded, std::string& name) {
    auto it = std::lower_bound(listing.entries.begin(), listing.entries.end(), folded,
                               [](const Entry& e, const std::string& key) { return e.folded < key; });
    for (; it != listing.entries.end() && it->folded == folded; ++it) {
        if (Exists(Join(folder, it->name))) {
            name = it->name;
            return true;
        }
    }
    return false;
}

// The on-disk name of one component inside an existing folder; false when none.
bool MatchComponent(const std::string& folder, const std::string& cp932Name, std::string& name) {
    std::string utf8 = Cp932ToUtf8(cp932Name);
    if (Exists(Join(folder, utf8))) {
        name = utf8;
        return true;
    }
    const std::string folded = FoldCp932(cp932Name);
    ListingCache& cache = Listings();
    std::lock_guard<std::mutex> guard(cache.lock);
    struct stat st;
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    auto it = cache.folders.find(folder);
    bool fresh = false;
    if (it == cache.folders.end() || !Unchanged(it->second, st)) {
        if (cache.folders.size() > 256) cache.folders.clear();
        it = cache.folders.insert_or_assign(folder, ReadFolder(folder, st)).first;
        fresh = true;
    }
    if (FindFolded(it->second, folder, folded, name)) return true;
    if (fresh || it->second.settled) return false;
    it->second = ReadFolder(folder, st);
    return FindFolded(it->second, folder, folded, name);
}

std::vector<std::string> SplitHost(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        if (slash > start) parts.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

std::string JoinHost(const std::vector<std::string>& parts, size_t count) {
    std::string path;
    for (size_t i = 0; i < count; ++i) path += "/" + parts[i];
    return path.empty() ? "/" : path;
}

}  // namespace

bool HostPath(const char* windowsPath, std::string& hostPath) {
    if (!windowsPath || !*windowsPath) return false;
    const bool absolute = windowsPath[0] == '\\' || windowsPath[0] == '/';
    std::vector<std::string> given;
    std::string current;
    for (const char* p = windowsPath; *p;) {
        if (PairsWithSlash(p)) return false;
        const size_t bytes = CharBytes(p);
        if (bytes == 1 && (*p == '\\' || *p == '/')) {
            if (!current.empty()) given.push_back(current);
            current.clear();
        } else {
            current.append(p, bytes);
        }
        p += bytes;
    }
    if (!current.empty()) given.push_back(current);

    std::vector<std::string> parts;
    if (!absolute) {
        char cwd[PATH_MAX];
        if (!getcwd(cwd, sizeof cwd)) return false;
        parts = SplitHost(cwd);
    }
    size_t existing = parts.size();  // leading components known to exist
    for (const std::string& component : given) {
        if (component == ".") continue;
        if (component == "..") {
            if (!parts.empty()) parts.pop_back();
            existing = std::min(existing, parts.size());
            continue;
        }
        std::string name;
        if (existing == parts.size() && MatchComponent(JoinHost(parts, parts.size()), component, name)) {
            parts.push_back(name);
            existing = parts.size();
        } else {
            parts.push_back(Cp932ToUtf8(component));
        }
    }
    hostPath = JoinHost(parts, parts.size());
    return true;
}

bool WindowsPathOf(const std::string& hostPath, std::string& windowsPath) {
    std::string cp932;
    if (!Utf8ToCp932Strict(hostPath, cp932)) return false;
    // "/" never occurs as a CP932 trail byte (those start at 0x40).
    std::replace(cp932.begin(), cp932.end(), '/', '\\');
    windowsPath = cp932;
    return true;
}

std::string ExecutablePath() {
    static const std::string path = [] {
        char buffer[PATH_MAX];
        ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
    }();
    return path;
}

}  // namespace platform

BOOL SetCurrentDirectoryA(LPCSTR pathName) {
    std::string host;
    if (!pathName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!platform::HostPath(pathName, host)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (chdir(host.c_str()) != 0) {
        int error = errno;
        SetLastError(error == ENOENT ? platform::MissingFileError(host) : platform::Win32ErrorFromErrno(error));
        return FALSE;
    }
    return TRUE;
}

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
    char cwd[PATH_MAX];
    std::string windows;
    if (!getcwd(cwd, sizeof cwd)) {
        SetLastError(platform::Win32ErrorFromErrno(errno));
        return 0;
    }
    // A folder with a name CP932 cannot spell is answered as ".", which still
    // works as the start of a relative path.
    if (!platform::WindowsPathOf(cwd, windows)) windows.assign(1, '.');
    DWORD length = static_cast<DWORD>(windows.size());
    if (!buffer || bufferLength <= length) return length + 1;
    std::memcpy(buffer, windows.c_str(), windows.size() + 1);
    return length;
}
