// The effect compiler: a program of its own that the D3DX stand-in starts afresh
// for each effect, already held to its processor time and memory (the program
// that starts it sets them, and ends it with its whole process group). It reads
// one request (effect_wire.h) to the end of its standard input, compiles each
// entry point, and writes the answer to its standard output.
//
// glslang 12's HLSL front end follows null pointers on malformed texts (a postfix
// step on a call or on an unknown name, an operand it could not make, an entry
// point's parameter without a name): such a text ends this program, and the one
// that started it refuses the effect.
#include <pthread.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <glslang/Public/ShaderLang.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/d3dx9/compiler/hlsl_to_glsl.h"
#include "platform/d3dx9/effect_wire.h"

namespace {

using d3dxfx::Misdeed;
using d3dxfx::WriteAll;

// The compiler recurses once per link of the longest operator chain a text within
// the limits can hold: a sum of 16,377 terms or as many chained assignments need
// 12 to 14 MB of stack (the compiler is a system library, the same in every
// build). Four times that is reserved; only what a compile touches is resident.
constexpr size_t kCompileStackBytes = size_t(64) << 20;

std::string ReadAll(int fd) {
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return bytes;
        bytes.append(buffer, size_t(n));
    }
}

// Every entry point of the request, or the first one's refusal.
std::string CompileAll(const d3dxfx::CompileRequest& request) {
    try {
        if (request.misdeed == Misdeed::kAllocate) {
            // Four times what the compiler may add, touched, a megabyte at a time.
            std::vector<std::unique_ptr<char[]>> blocks;
            for (size_t n = 0; n < 4 * (request.memoryBytes >> 20); ++n) {
                blocks.emplace_back(new char[size_t(1) << 20]);
                std::memset(blocks.back().get(), 1, size_t(1) << 20);
            }
        }
        glslang::InitializeProcess();
        std::vector<std::shared_ptr<d3dxfx::CompiledShader>> shaders;
        for (const std::string& entry : request.entries) {
            std::string errors;
            shaders.push_back(d3dxfx::HlslToGlsl(request.hlsl, entry, request.preamble, &errors));
            if (!shaders.back()) return d3dxfx::EncodeRefused(d3dxfx::kRefused, errors);
        }
        return d3dxfx::EncodeCompiled(shaders);
    } catch (const std::bad_alloc&) {
        return d3dxfx::EncodeRefused(d3dxfx::kOutOfMemory, "");
    } catch (...) {
        return d3dxfx::EncodeRefused(d3dxfx::kRefused, "memory(1): error: the shader did not compile\n");
    }
}

struct Job {
    const d3dxfx::CompileRequest* request;
    std::string answer;
};

void* RunCompile(void* argument) {
    auto* job = static_cast<Job*>(argument);
    job->answer = CompileAll(*job->request);
    return nullptr;
}

// On a thread whose stack holds the deepest text the limits let through.
std::string CompileOnLargeStack(const d3dxfx::CompileRequest& request) {
    Job job{&request, {}};
    pthread_attr_t attributes;
    pthread_t thread;
    bool started = pthread_attr_init(&attributes) == 0;
    if (started) {
        started = pthread_attr_setstacksize(&attributes, kCompileStackBytes) == 0 &&
                  pthread_create(&thread, &attributes, RunCompile, &job) == 0;
        pthread_attr_destroy(&attributes);
    }
    if (!started) return d3dxfx::EncodeRefused(d3dxfx::kOutOfMemory, "");
    pthread_join(thread, nullptr);
    return job.answer;
}

}  // namespace

int main() {
    // A fault ends the compiler quietly: the program that started it says why.
    d3dxfx::CompileRequest request;
    if (!d3dxfx::DecodeRequest(ReadAll(STDIN_FILENO), &request)) _exit(2);
    switch (request.misdeed) {
    case Misdeed::kHang:
        for (;;) pause();
    case Misdeed::kSpin:
        for (uint64_t i = 0;; ++i) asm volatile("" : : "r"(i));
    case Misdeed::kSlow: {
        const timespec wait{1, 500000000};
        nanosleep(&wait, nullptr);
        break;
    }
    case Misdeed::kFlood: {
        const std::string junk(size_t(1) << 20, char(d3dxfx::kCompiled));
        for (;;) WriteAll(STDOUT_FILENO, junk);
    }
    default: break;
    }
    std::string answer = CompileOnLargeStack(request);
    if (request.misdeed == Misdeed::kCutAfterStatus || request.misdeed == Misdeed::kCutHalf) {
        answer.resize(request.misdeed == Misdeed::kCutHalf ? answer.size() / 2 : 1);
        WriteAll(STDOUT_FILENO, answer);
        raise(SIGKILL);
    }
    if (request.misdeed == Misdeed::kCutLastByte) answer.pop_back();
    WriteAll(STDOUT_FILENO, answer);
    if (request.misdeed == Misdeed::kDieAfter) raise(SIGKILL);
    _exit(0);  // nothing to flush or destroy
}
