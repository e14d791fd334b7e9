// CP932 <-> UTF-8 through iconv. Descriptors are cached per thread (an iconv
// descriptor carries shift state and must not be shared between threads).
#include "platform/win32/cp932.h"

#include <cerrno>
#include <iconv.h>

namespace platform {

namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }
    void reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t cd_;
};

Converter& ToUtf8() {
    thread_local Converter converter("UTF-8", "CP932");
    return converter;
}
Converter& ToUtf32() {
    thread_local Converter converter("UTF-32LE", "CP932");
    return converter;
}
Converter& ToCp932() {
    thread_local Converter converter("CP932", "UTF-8");
    return converter;
}

// Length of the UTF-8 sequence a lead byte announces (1 for a stray byte).
size_t Utf8SequenceLength(unsigned char c, size_t left) {
    size_t n = 1;
    if (c >= 0xC2 && c <= 0xDF) n = 2;
    else if (c >= 0xE0 && c <= 0xEF) n = 3;
    else if (c >= 0xF0 && c <= 0xF4) n = 4;
    return n <= left ? n : 1;
}

// Converts all of text. On a byte sequence it cannot convert: strict mode
// answers false; otherwise the replacement is written and the sequence skipped.
bool Convert(Converter& converter, const std::string& text, std::string& out, bool strict, bool fromCp932) {
    out.clear();
    if (text.empty()) return true;
    if (!converter.ok()) {
        // No CP932 tables in this C library: pass ASCII through, replace the rest.
        for (unsigned char c : text) {
            if (c < 0x80) out.push_back(static_cast<char>(c));
            else if (strict) return false;
            else out += fromCp932 ? "\xEF\xBF\xBD" : "?";
        }
        return true;
    }
    converter.reset();
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t r = iconv(converter.get(), &in, &inLeft, &dst, &dstLeft);
        out.append(buffer, static_cast<size_t>(dst - buffer));
        if (r != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        if (strict) return false;
        // EILSEQ or EINVAL (incomplete at the end): replace and step over it.
        converter.reset();
        size_t skip = 1;
        if (fromCp932) {
            out += "\xEF\xBF\xBD";
        } else {
            out += "?";
            skip = Utf8SequenceLength(static_cast<unsigned char>(*in), inLeft);
        }
        in += skip;
        inLeft -= skip;
    }
    // Flush any pending shift state.
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    iconv(converter.get(), nullptr, nullptr, &dst, &dstLeft);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    return true;
}

}  // namespace

std::string Cp932ToUtf8(const std::string& text) {
    std::string out;
    Convert(ToUtf8(), text, out, false, true);
    return out;
}

std::string Utf8ToCp932(const std::string& text) {
    std::string out;
    Convert(ToCp932(), text, out, false, false);
    return out;
}

bool Cp932ToUtf8Strict(const std::string& text, std::string& out) { return Convert(ToUtf8(), text, out, true, true); }

bool Utf8ToCp932Strict(const std::string& text, std::string& out) { return Convert(ToCp932(), text, out, true, false); }

bool Cp932Character(const std::string& bytes, char32_t& out) {
    std::string utf32;
    if (!Convert(ToUtf32(), bytes, utf32, true, true) || utf32.size() != 4) return false;
    const auto byte = [&](int i) { return static_cast<char32_t>(static_cast<unsigned char>(utf32[i])); };
    out = byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
    return true;
}

}  // namespace platform
