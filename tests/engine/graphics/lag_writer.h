// Builds LAG archives for the tests: the header, then entries of any kind,
// compressed kinds coded with the pack tool's LZSS encoder. Raw entries let a
// test write any header field, damaged ones included.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tools/kestra-pack/LzssEncoder.h"

namespace lagtest {

inline void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}

inline uint32_t BytesPerPixel(uint32_t kind) { return 2u << (kind & 3); }

class LagWriter {
public:
    // magic is written as its first four bytes (padded with NULs).
    explicit LagWriter(const std::string& magic = std::string("LAG\0", 4)) {
        std::string head = magic.substr(0, 4);
        head.resize(4, '\0');
        bytes_ = head + std::string("\x01\x00\x00\x00", 4);
    }

    // pixels are the plain (decoded) bytes; kinds 4..7 are stored LZSS-coded.
    LagWriter& Add(const std::string& name, uint32_t width, uint32_t height, uint32_t kind,
                   const std::vector<uint8_t>& pixels) {
        std::vector<uint8_t> stored = pixels;
        if (kind >= 4 && kind <= 7) stored = kestrapack::LzssEncodeStream(pixels.data(), pixels.size());
        return AddRaw(NameField(name), width, height, kind, static_cast<uint32_t>(stored.size()), stored);
    }

    // Every field as given: a 16-byte name field (shorter is padded with NULs,
    // longer is cut), the stored-size field, and the bytes that follow.
    LagWriter& AddRaw(const std::string& nameField, uint32_t width, uint32_t height, uint32_t kind,
                      uint32_t storedSize, const std::vector<uint8_t>& stored) {
        std::string field = nameField.substr(0, 16);
        field.resize(16, '\0');
        bytes_ += field;
        Put32(bytes_, width);
        Put32(bytes_, height);
        Put32(bytes_, kind);
        Put32(bytes_, storedSize);
        bytes_.append(stored.begin(), stored.end());
        return *this;
    }

    // Appends bytes as they are (a partial header at the end, say).
    LagWriter& AddBytes(const std::string& bytes) {
        bytes_ += bytes;
        return *this;
    }

    static std::string NameField(const std::string& name) {
        std::string field = name.substr(0, 15);
        field.resize(16, '\0');
        return field;
    }

    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

// ---- Pixels of each kind, given channels B, G, R, A.
inline void PutKind0(std::vector<uint8_t>& out, uint32_t b, uint32_t g, uint32_t r, uint32_t a) {
    const uint32_t v = b << 12 | g << 8 | r << 4 | a;
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void PutKind1(std::vector<uint8_t>& out, uint32_t b, uint32_t g, uint32_t r, uint32_t a) {
    for (uint32_t c : {b, g, r, a}) out.push_back(static_cast<uint8_t>(c));
}
inline void PutKind2(std::vector<uint8_t>& out, uint32_t b, uint32_t g, uint32_t r, uint32_t a) {
    for (uint32_t c : {b, g, r, a}) {
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(static_cast<uint8_t>(c >> 8));
    }
}
inline void PutKind3(std::vector<uint8_t>& out, float b, float g, float r, float a) {
    for (float c : {b, g, r, a}) {
        uint32_t bits;
        std::memcpy(&bits, &c, 4);
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    }
}

}  // namespace lagtest
