// Shared by the kernel tests: a scratch folder, and the process state the
// tests change (current directory, faults, program folder) put back after each.
#pragma once

#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "platform/win32/testing.h"
#include "platform/win32/win32.h"
#include "tests/support/test_support.h"

namespace kerneltest {

// UTF-8 bytes whatever the execution character set (plain literals are CP932).
inline std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// The host path in the platform's Windows form ("/tmp/x" -> "\tmp\x").
inline std::string WindowsForm(const std::string& host) {
    std::string windows = testsupport::Utf8ToCp932(host);
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return windows;
}

inline std::string RealPath(const std::string& path) {
    char buffer[PATH_MAX];
    return realpath(path.c_str(), buffer) ? std::string(buffer) : std::string();
}

inline std::string CurrentFolder() {
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

class KernelTest : public ::testing::Test {
protected:
    void SetUp() override { saved_ = CurrentFolder(); }
    void TearDown() override {
        if (!saved_.empty()) {
            EXPECT_EQ(chdir(saved_.c_str()), 0);
        }
        platform::ClearFaults();
        platform::SetProgramFolderOverride("");
    }
    // A file with the given bytes under the scratch folder (UTF-8 name).
    std::string Make(const std::string& relative, const std::string& bytes = "") {
        std::string path = dir_.file(relative);
        size_t slash = path.find_last_of('/');
        for (size_t at = dir_.path().size() + 1; at < slash; ++at)
            if (path[at] == '/') mkdir(path.substr(0, at).c_str(), 0755);
        mkdir(path.substr(0, slash).c_str(), 0755);
        testsupport::WriteFile(path, bytes);
        return path;
    }
    // Reads a whole file through the platform's CreateFileA/ReadFile.
    static bool ReadWhole(const char* windowsPath, std::string& out) {
        HANDLE file = CreateFileA(windowsPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        out.clear();
        char buffer[256];
        DWORD got = 0;
        while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
        CloseHandle(file);
        return true;
    }

    testsupport::TempDir dir_;
    std::string saved_;
};

}  // namespace kerneltest
