// Any bytes as a profile (.ini) file: every section and key it lists is read as
// text and as a number into buffers of several sizes, then one key is written
// and read back.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/win32.h"

namespace {

std::string g_folder;

void RemoveFolder() {
    unlink((g_folder + "/fuzz.ini").c_str());
    rmdir(g_folder.c_str());
}

const std::string& File() {
    static const std::string file = [] {
        // Every write syncs the file: in memory that costs nothing.
        std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        pattern += "/fuzz_profile_XXXXXX";
        const char* made = mkdtemp(pattern.data());
        if (!made) std::abort();
        g_folder = made;
        std::atexit(RemoveFolder);
        return g_folder + "/fuzz.ini";
    }();
    return file;
}

// A list of names as the listing calls hand it out: each ended by a NUL, the
// list by one more, within the buffer.
std::vector<std::string> Names(const char* list, DWORD length, DWORD size) {
    if (length >= size || list[length] != '\0') std::abort();
    std::vector<std::string> names;
    for (DWORD at = 0; at < length;) {
        const std::string name(list + at);
        names.push_back(name);
        at += static_cast<DWORD>(name.size()) + 1;
    }
    return names;
}

// A read into a buffer of `size` bytes: the answer is the length of a text
// that ends within the buffer (a NUL byte in the file may end it earlier).
std::string Read(const char* section, const char* key, DWORD size) {
    std::vector<char> out(size, '\x7f');
    const DWORD length = GetPrivateProfileStringA(section, key, "default ", out.data(), size, File().c_str());
    if (length >= size || out[length] != '\0' || std::strlen(out.data()) > length) std::abort();
    return std::string(out.data(), length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 16384) return 0;
    FILE* out = std::fopen(File().c_str(), "wb");
    if (!out) std::abort();
    if (size) std::fwrite(data, 1, size, out);
    std::fclose(out);

    std::vector<char> list(size + 64);
    const DWORD listSize = static_cast<DWORD>(list.size());
    const std::vector<std::string> sections =
        Names(list.data(), GetPrivateProfileStringA(nullptr, nullptr, "", list.data(), listSize, File().c_str()),
              listSize);
    for (const std::string& section : sections) {
        const std::vector<std::string> keys = Names(
            list.data(),
            GetPrivateProfileStringA(section.c_str(), nullptr, "", list.data(), listSize, File().c_str()), listSize);
        for (const std::string& key : keys) {
            const std::string whole = Read(section.c_str(), key.c_str(), listSize);
            // A shorter buffer holds the start of the same text.
            for (DWORD shortSize : {1u, 2u, 5u})
                if (whole.compare(0, shortSize - 1, Read(section.c_str(), key.c_str(), shortSize)) != 0) std::abort();
            GetPrivateProfileIntA(section.c_str(), key.c_str(), 7, File().c_str());
        }
    }
    // A missing section (names are trimmed: none ends in a blank) answers the
    // default without its trailing blanks.
    if (Read("no section ", "key", 64) != "default") std::abort();

    // A key written into a section (the file's own, when it has one of that
    // name) reads back, as text and as a number.
    const char* const section = "Fuzz Section";
    if (!WritePrivateProfileStringA(section, "FuzzWritten", "-42 value", File().c_str())) std::abort();
    if (Read(section, "FuzzWritten", 64) != "-42 value") std::abort();
    if (GetPrivateProfileIntA(section, "FuzzWritten", 7, File().c_str()) != static_cast<UINT>(-42)) std::abort();
    return 0;
}
