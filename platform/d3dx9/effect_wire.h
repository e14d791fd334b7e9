// Inside the D3DX stand-in: what the program and its effect compiler (a program of
// its own, started afresh for each effect) say to each other, as bytes. Counts and
// lengths are 32-bit numbers, texts a length and their bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3dx9/effect_compiler.h"

namespace d3dxfx {

// What a test makes the compiler do instead of, or around, its compile.
enum class Misdeed : uint32_t { kNone, kHang, kSpin, kSlow, kAllocate, kCutAfterStatus, kCutHalf, kCutLastByte, kDieAfter, kFlood };

// One effect's vertex shaders: one text, its entry points.
struct CompileRequest {
    uint32_t cpuSeconds = 0;
    uint64_t memoryBytes = 0;  // what the compiler may add to what it starts with (held from outside)
    Misdeed misdeed = Misdeed::kNone;
    std::string hlsl, preamble;
    std::vector<std::string> entries;
};
std::string EncodeRequest(const CompileRequest& request);
bool DecodeRequest(const std::string& bytes, CompileRequest* request);

// The answer's first byte.
enum AnswerStatus : char { kCompiled = 'S', kRefused = 'E', kOutOfMemory = 'M' };
// Compiled: a shader for each entry point, in the request's order.
std::string EncodeCompiled(const std::vector<std::shared_ptr<CompiledShader>>& shaders);
// Refused with the compiler's messages, or out of memory (no messages).
std::string EncodeRefused(AnswerStatus status, const std::string& errors);

struct Answer {
    AnswerStatus status = kRefused;
    std::vector<std::shared_ptr<CompiledShader>> shaders;
    std::string errors;
};
// False unless `bytes` are one whole answer, with `entries` shaders when compiled.
bool DecodeAnswer(const std::string& bytes, size_t entries, Answer* answer);

// Writes all of `bytes` to `fd`, through interruptions; false when it cannot.
bool WriteAll(int fd, const std::string& bytes);

}  // namespace d3dxfx
