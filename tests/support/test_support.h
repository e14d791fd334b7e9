// Helpers shared by the test suites: scratch folders, child processes, files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "game/objects/ObjectTypes.h"

namespace testsupport {

// A fresh folder under the system temp directory, removed with its contents.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Bytes that end right before an unreadable page: a read past their end faults
// in any build, not only under the address sanitizer.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::string& bytes);
    ~GuardedBytes();
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;
    const uint8_t* data() const { return data_; }
    uint32_t size() const { return size_; }

private:
    void* map_ = nullptr;
    size_t mapSize_ = 0;
    const uint8_t* data_ = nullptr;
    uint32_t size_ = 0;
};

// Runs body in a forked child and answers its exit status (or 128 + signal).
// Engine state touched by the child never leaks into the calling test.
int RunInChild(const std::function<int()>& body);

std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// UTF-8 -> CP932 by the platform's own strict converter; throws on a character
// CP932 lacks. A test of that converter must not take its expectations from here.
std::string Utf8ToCp932(const std::string& utf8);
// A u8 literal's bytes, whatever the compiler makes of plain literals; and
// the same text in CP932, as the program's own texts are.
inline std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }
inline std::string Sjis(const char8_t* text) { return Utf8ToCp932(U8(text)); }

// One 8-bit channel of a packed colour, `shift` bits up.
inline int Channel(uint32_t colour, int shift) { return int((colour >> shift) & 0xFF); }

// Whether a stage file's type code names an enemy class.
using objecttype::IsEnemyType;

// Whether this user may open a DRM card (/dev/dri/card*): SDL's kmsdrm video
// driver may then show windows on the console with no DISPLAY set.
bool DrmCardAvailable();

// Real seconds from an arbitrary start, never going back.
double MonotonicSeconds();

// Seconds this test process may still spend waiting. ctest ends a test at its
// TIMEOUT, which tests/CMakeLists.txt also hands the test as QUENRITH_TEST_TIMEOUT;
// the waits stop a tenth of it (20 s at least) sooner, so that a slow run fails
// with its own message and still takes down what it started. Unbounded when the
// test runs outside ctest.
double TestSecondsLeft();

// The build's bin folder (executables, shared objects) and the source root.
std::string BinaryDir();
std::string SourceDir();

}  // namespace testsupport
