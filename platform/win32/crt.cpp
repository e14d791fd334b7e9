// The compiler runtime's behaviour the program relies on: its rand generator and
// heap, 32-bit time, text-mode streams and bounded wsprintfA.
#include "platform/win32/crt.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/win32/cp932.h"
#include "platform/win32/kernel_internal.h"
#include "platform/win32/shift_jis.h"
#include "platform/win32/testing.h"

// ---- rand: one generator state per process, seed 1 until srand is called.

namespace {
std::atomic<uint32_t> randState{1};
}

namespace crt {

void srand(unsigned int seed) { randState.store(seed); }

int rand() {
    uint32_t old = randState.load();
    uint32_t next;
    do {
        next = old * 214013u + 2531011u;
    } while (!randState.compare_exchange_weak(old, next));
    return static_cast<int>((next >> 16) & 0x7FFF);
}

void* calloc(size_t count, size_t size) {
    if (platform::FaultHit("calloc")) return nullptr;
    return std::calloc(count, size);
}

}  // namespace crt

namespace {

int64_t SecondsNow() {
    int64_t seconds = 0;
    return platform::WallClockSet(seconds) ? seconds : static_cast<int64_t>(std::time(nullptr));
}

}  // namespace

__time32_t _time32(__time32_t* destination) {
    __time32_t now = static_cast<__time32_t>(SecondsNow());
    if (destination) *destination = now;
    return now;
}

__time64_t _time64(__time64_t* destination) {
    __time64_t now = static_cast<__time64_t>(SecondsNow());
    if (destination) *destination = now;
    return now;
}

struct tm* _localtime64(const __time64_t* moment) {
    static thread_local struct tm result;
    if (!moment) return nullptr;
    time_t value = static_cast<time_t>(*moment);
    return localtime_r(&value, &result) ? &result : nullptr;
}

// ---- Text-mode streams. A glibc cookie stream over the descriptor: writes turn
// "\n" into CR LF, reads turn CR LF into "\n" (a lone CR stays). Positions
// (fseek/ftell) are byte offsets in the file, as the runtime's are.

namespace {

struct TextStream {
    int fd;
    char raw[4096];
    size_t begin = 0;
    size_t end = 0;
    bool atEnd = false;  // the last read found the end of the file
};

ssize_t TextRead(void* cookie, char* buffer, size_t size) {
    auto* stream = static_cast<TextStream*>(cookie);
    size_t out = 0;
    while (out < size) {
        size_t left = stream->end - stream->begin;
        bool loneCr = left == 1 && stream->raw[stream->begin] == '\r' && !stream->atEnd;
        if (left == 0 || loneCr) {
            if (left == 0 && out > 0) break;  // hand out what is there before waiting for more
            std::memmove(stream->raw, stream->raw + stream->begin, left);
            stream->begin = 0;
            stream->end = left;
            ssize_t n = read(stream->fd, stream->raw + stream->end, sizeof stream->raw - stream->end);
            if (n < 0) {
                if (errno == EINTR) continue;
                return out > 0 ? static_cast<ssize_t>(out) : -1;
            }
            stream->atEnd = n == 0;
            if (n == 0 && left == 0) break;
            stream->end += static_cast<size_t>(n);
            continue;
        }
        char c = stream->raw[stream->begin];
        if (c == '\r' && left >= 2 && stream->raw[stream->begin + 1] == '\n') {
            buffer[out++] = '\n';
            stream->begin += 2;
        } else {
            buffer[out++] = c;
            stream->begin += 1;
        }
    }
    return static_cast<ssize_t>(out);
}

// Read-ahead is given back before the descriptor moves or is written.
bool DropReadAhead(TextStream* stream) {
    size_t left = stream->end - stream->begin;
    stream->begin = stream->end = 0;
    stream->atEnd = false;
    return left == 0 || lseek(stream->fd, -static_cast<off_t>(left), SEEK_CUR) >= 0;
}

bool WriteAll(int fd, const char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

ssize_t TextWrite(void* cookie, const char* buffer, size_t size) {
    auto* stream = static_cast<TextStream*>(cookie);
    if (!DropReadAhead(stream)) return 0;
    std::string out;
    out.reserve(size + size / 16 + 2);
    for (size_t i = 0; i < size; ++i) {
        if (buffer[i] == '\n') out.push_back('\r');
        out.push_back(buffer[i]);
    }
    // The stream reports an error by a count of 0.
    return WriteAll(stream->fd, out.data(), out.size()) ? static_cast<ssize_t>(size) : 0;
}

int TextSeek(void* cookie, off64_t* offset, int whence) {
    auto* stream = static_cast<TextStream*>(cookie);
    if (!DropReadAhead(stream)) return -1;
    off64_t result = lseek64(stream->fd, *offset, whence);
    if (result < 0) return -1;
    *offset = result;
    return 0;
}

int TextClose(void* cookie) {
    auto* stream = static_cast<TextStream*>(cookie);
    int result = close(stream->fd);
    delete stream;
    return result == 0 ? 0 : EOF;
}

}  // namespace

FILE* kestra_fopen(const char* path, const char* mode) {
    if (!path || !mode) {
        errno = EINVAL;
        return nullptr;
    }
    int flags;
    switch (mode[0]) {
        case 'r': flags = O_RDONLY; break;
        case 'w': flags = O_WRONLY | O_CREAT | O_TRUNC; break;
        case 'a': flags = O_WRONLY | O_CREAT | O_APPEND; break;
        default: errno = EINVAL; return nullptr;
    }
    bool update = false;
    bool binary = false;
    for (const char* m = mode + 1; *m; ++m) {
        if (*m == '+') update = true;
        else if (*m == 'b') binary = true;
        else if (*m == 't') binary = false;
        else if (*m == 'x') flags |= O_EXCL;
        else if (*m == ',') break;  // ",ccs=..." encodings are not supported: bytes stay bytes
    }
    if (update) flags = (flags & ~(O_RDONLY | O_WRONLY)) | O_RDWR;
    std::string host;
    if (!platform::HostPath(path, host)) {
        errno = ENOENT;
        return nullptr;
    }
    const int fd = platform::OpenDataFile(host, flags, 0666);
    if (fd < 0) return nullptr;

    // The descriptor already carries creation, truncation and appending.
    const char* streamMode = update ? "r+" : (mode[0] == 'r' ? "r" : "w");
    if (binary) {
        FILE* file = fdopen(fd, mode[0] == 'a' ? (update ? "a+" : "a") : streamMode);
        if (!file) {
            int error = errno;
            close(fd);
            errno = error;
        }
        return file;
    }
    auto* stream = new TextStream;
    stream->fd = fd;
    cookie_io_functions_t functions{TextRead, TextWrite, TextSeek, TextClose};
    FILE* file = fopencookie(stream, streamMode, functions);
    if (!file) {
        int error = errno;
        close(fd);
        delete stream;
        errno = error;
    }
    return file;
}

int wsprintfA(char* buffer, const char* format, ...) {
    // The Windows function writes at most 1024 bytes, terminator included.
    constexpr size_t kLimit = 1024;
    if (!buffer || !format) return 0;
    char text[kLimit];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < 0) {
        buffer[0] = '\0';
        return 0;
    }
    size_t length = static_cast<size_t>(n);
    if (length >= kLimit) {
        // Cut, but never between the two bytes of a CP932 character (the text
        // goes on past the cut, so a lead byte there has its trail).
        length = kLimit - 1;
        size_t i = 0;
        while (i < length) i += platform::IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i > length) length -= 1;
    }
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

// ---- Standard streams: CP932 bytes out as UTF-8. A lead byte at the end of one
// write waits for its trail byte in the next, so a character split by the
// stream's buffer is never cut in two.

namespace {

struct Utf8Stream {
    int fd;
    std::string pending;
};

ssize_t Utf8Write(void* cookie, const char* buffer, size_t size) {
    auto* stream = static_cast<Utf8Stream*>(cookie);
    std::string text = stream->pending;
    text.append(buffer, size);
    stream->pending.clear();
    size_t i = 0;
    while (i < text.size()) {
        if (i + 1 == text.size() && platform::IsLeadByte(static_cast<unsigned char>(text[i]))) {
            stream->pending = text.substr(i);
            text.resize(i);
            break;
        }
        i += platform::CharBytes(text.data() + i, text.size() - i);
    }
    std::string out = platform::Cp932ToUtf8(text);
    return WriteAll(stream->fd, out.data(), out.size()) ? static_cast<ssize_t>(size) : 0;
}

int Utf8Close(void* cookie) {
    auto* stream = static_cast<Utf8Stream*>(cookie);
    if (!stream->pending.empty()) {
        std::string out = platform::Cp932ToUtf8(stream->pending);
        WriteAll(stream->fd, out.data(), out.size());
        stream->pending.clear();
    }
    return 0;
}

// The streams live as long as the process (static storage, never freed).
FILE* Utf8StreamOver(Utf8Stream* stream, int bufferMode) {
    cookie_io_functions_t functions{nullptr, Utf8Write, nullptr, Utf8Close};
    FILE* file = fopencookie(stream, "w", functions);
    if (!file) return nullptr;
    setvbuf(file, nullptr, bufferMode, BUFSIZ);
    return file;
}

}  // namespace

void kestra_convert_standard_streams() {
    static bool converted = false;
    if (converted) return;
    converted = true;
    std::fflush(stdout);
    std::fflush(stderr);
    // Output to a pipe or a file is line-buffered too, so a reader sees each line
    // as the program prints it.
    static Utf8Stream out{STDOUT_FILENO, std::string()};
    static Utf8Stream err{STDERR_FILENO, std::string()};
    if (FILE* file = Utf8StreamOver(&out, _IOLBF)) stdout = file;
    if (FILE* file = Utf8StreamOver(&err, _IONBF)) stderr = file;
}
