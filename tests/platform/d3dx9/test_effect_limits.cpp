// The limits an effect's text is held to before the shader compiler, each at its
// edge; the compile child's own limits (processor time, a wall-clock backstop,
// memory, the length of its answer) against a child made to misbehave; and the
// costly shapes at their limits compiled by the driver and drawn on the GL device.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/d3d9/d3d9shader.h"
#include "platform/d3dx9/d3dx9effect.h"
#include "platform/d3dx9/effect_compiler.h"
#include "platform/d3dx9/effect_limits.h"
#include "platform/d3dx9/effect_wire.h"
#include "platform/win32/testing.h"
#include "tests/platform/d3d9/d3d9_fixture.h"
#include "tests/platform/d3dx9/costly_effects.h"

namespace {

using d3d9fixture::GlDeviceTest;
using d3d9fixture::NullDeviceTest;

std::string Times(const std::string& text, size_t n) {
    std::string out;
    out.reserve(text.size() * n);
    for (size_t i = 0; i < n; ++i) out += text;
    return out;
}

std::string Numbered(const char* before, const char* after, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i) out += before + std::to_string(i) + after;
    return out;
}

// A shader of one function whose body is `body`, and Main calling it twice: with
// calls in place Main has 20 + 2 * (tokens of `body`) tokens.
std::string CalledTwice(const std::string& body, size_t extra) {
    return "float4 F(float4 x) {\nreturn x" + body + ";\n}\nfloat4 Main(float4 p : POSITION) : POSITION {\n" +
           Times(";", extra) + "return F(p) + F(p);\n}\n";
}

struct Edge {
    const char* what;
    std::string preamble, text;
    const char* message;  // "" when within the limits
};

void CheckEdges(const std::vector<Edge>& edges) {
    for (const Edge& e : edges) {
        std::string errors;
        const bool ok = d3dxfx::CheckShaderSource(e.preamble, e.text, &errors);
        EXPECT_EQ(ok, *e.message == '\0') << e.what << "\n -> " << errors;
        EXPECT_NE(errors.find(e.message), std::string::npos) << e.what << "\n -> " << errors;
    }
}

// Each limit of the text: at the limit it holds, one past it is refused.
TEST(EffectLimits, EveryLimitHoldsAtItsEdgeAndRefusesOnePast) {
    const char kBytes[] = "error: the shader is longer than 1048576 bytes";
    const char kTokens[] = "error: the shader has more than 32768 tokens";
    const char kWork[] = "error: macros make more than 262144 tokens";
    const char kCondition[] = "error: the preprocessor condition is not understood";
    const char kDeep[] = "error: nesting deeper than 256 levels";
    const std::string fill = "//" + std::string((1 << 20) - 4, 'x') + "\n";  // 1 MB less a byte
    std::vector<Edge> edges = {
        {"bytes: the text at 1 MB", "", fill + "p", ""},
        {"bytes: one past", "", fill + "pp", kBytes},
        // The "#define"s read ahead of the text count with it.
        {"bytes: preamble and text at 1 MB", "#define A\n", fill.substr(10) + "p", ""},
        {"bytes: the preamble one past", "#define AB\n", fill.substr(10) + "p", kBytes},
        {"tokens: 32768", "", Times("p ", 32768), ""},
        {"tokens: 32769", "", Times("p ", 32769), kTokens},
        // Each of the 23 punctuators of two or three characters is one token.
        {"tokens: 32768 punctuators", "", Times("<<= >>= ## << >> <= >= == != && || ++ -- += -= *= /= %= &= |= ^= -> :: ",
                                                32768 / 23) + Times("p ", 32768 % 23), ""},
        // An empty macro's use is one unit of work and makes no token.
        {"macro work: 262144", "#define E\n", Times("E ", 262144), ""},
        {"macro work: 262145", "#define E\n", Times("E ", 262145), kWork},
        // Each bracket of a condition is a level; the condition itself the first.
        {"#if depth: 255 brackets", "", "#if " + Times("(", 255) + "1" + Times(")", 255) + "\n#endif\n", ""},
        {"#if depth: 256 brackets", "", "#if " + Times("(", 256) + "1" + Times(")", 256) + "\n#endif\n", kCondition},
        {"#if depth: 255 signs", "", "#if " + Times("- ", 255) + "1\n#endif\n", ""},
        {"#if depth: 256 signs", "", "#if " + Times("- ", 256) + "1\n#endif\n", kCondition},
        // An argument is replaced by an expander one level in: F's 256th use
        // inside another's argument is the deepest read.
        {"macro nesting: 256", "#define F(x) x\n", Times("F(", 256) + "p" + Times(")", 256), ""},
        {"macro nesting: 257", "#define F(x) x\n", Times("F(", 257) + "p" + Times(")", 257), kDeep},
        {"brackets: 256", "", Times("(", 256) + "p" + Times(")", 256), ""},
        {"brackets: 257", "", Times("(", 257) + "p" + Times(")", 257), kDeep},
        {"controls: 256", "", Times("if (p) ", 255) + "if p;", ""},
        {"controls: 257", "", Times("if (p) ", 256) + "if p;", kDeep},
        // "else if" nests; a branch after another does not, nor one closing its block.
        {"else if: 128 levels", "", "{" + Times("if (p) p; else ", 127) + "p;}", ""},
        {"else if: one more", "", "{" + Times("if (p) p; else ", 128) + "p;}", kDeep},
        {"flat branches", "", "{" + Times("if (p) { p; } else { p; }\nif (p) p;\nwhile (p) if (p) p;\n", 400) + "}", ""},
        {"do-while", "", "{" + Times("do { if (p) p; } while (p);\ndo p; while (p);\n", 400) + "}", ""},
        // A do-while as an if's statement leaves the if open for its else.
        {"else after a do-while: 126 levels", "", "{" + Times("if (p) do p; while (p); else ", 126) + "p;}", ""},
        {"else after a do-while: one more", "", "{" + Times("if (p) do p; while (p); else ", 127) + "p;}", kDeep},
        {"an else taken by the outer if", "", "{" + Times("if (p) if (p) p; else p; else p;\n", 400) + "}", ""},
        // A bracket that closes with controls left open inside ends them too.
        {"controls closed by a bracket", "", Times("(" + Times("if ", 200) + ")", 2), ""},
        {"controls closed by a bracket, deeper", "", "(" + Times("if ", 256) + ")", kDeep},
        // A macro is not replaced in its own replacement: such a text is legal.
        {"a macro naming itself", "#define p p\n#define f(x) f(x)\n#define a b\n#define b a\n", "p f(p) a b", ""},
    };
    CheckEdges(edges);
}

// With every call in place: the tokens, the cases, the branches and the registers.
TEST(EffectLimits, WhatTheDriverIsGivenHoldsAtItsEdge) {
    const char kExpanded[] = "error: calls expand 'Main' to more than 32768 tokens";
    const char kCases[] = "error: calls and switches make more than 64 cases";
    const char kBranches[] = "error: calls and control statements make more than 256 branches";
    const char kLocals[] = "error: calls and local variables take more than 256 registers";
    const char kStatics[] = "error: static variables take more than 256 registers";
    auto structure = [](const std::string& members) { return "struct S {\n" + members + "};\n"; };
    auto main = [](const std::string& before, const std::string& body) {
        return before + "float4 Main(float4 p : POSITION) : POSITION {\n" + body + "return p;\n}\n";
    };
    // `ifs` flat branches, then a switch of `cases` cases.
    auto ifsAndCases = [&](size_t ifs, size_t cases) {
        return main("", Numbered("if (p.x > ", ") p.y += 1;\n", ifs) + "switch (int(p.x)) {\n" +
                            Numbered("case ", ": p.y += 1; break;\n", cases) + "}\n");
    };
    // Two overloads of F, one holding `costly`; Main calls F `calls` times.
    auto overloads = [&](bool costlyFirst, const std::string& costly, int calls = 1) {
        const std::string heavy = "float F(float x) {\n" + costly + "return x;\n}\n";
        const std::string light = "float F(float2 x) {\nreturn x.x;\n}\n";
        return (costlyFirst ? heavy + light : light + heavy) + main("", calls > 1 ? "p.x = F(p.x) + F(p.y);\n" : "p.x = F(p.x);\n");
    };
    const std::string oneElse = "if (p.x > 0) p.y += 1;\nelse p.y -= 1;\n";
    const std::vector<Edge> edges = {
        // F's body is 4 + 2 * 8187 tokens, Main 20 with the two of them in place.
        {"expanded tokens: 32768", "", CalledTwice(Times("+x", 8187), 0), ""},
        {"expanded tokens: 32769", "", CalledTwice(Times("+x", 8187), 1), kExpanded},
        {"doubling calls: 10 levels", "", costlyfx::DoublingCalls(10), ""},
        {"doubling calls: 11 levels", "", costlyfx::DoublingCalls(11), "calls expand"},
        {"doubling calls: 22 levels", "", costlyfx::DoublingCalls(22), "calls expand"},
        // A function declared ahead of its body counts the same.
        {"a call through a declaration", "",
         "float4 G(float4 x);\nfloat4 F(float4 x) { return G(x) + G(x); }\nfloat4 G(float4 x) { return x" +
             Times("+x", 8187) + "; }\nfloat4 Main(float4 p : POSITION) : POSITION { return F(p); }\n",
         "calls expand"},
        {"a recursion", "", "float4 F(float4 x) { return F(x); }\n", ""},
        {"cases: 64", "", costlyfx::Switch(64), ""},
        {"cases: 65", "", costlyfx::Switch(65), kCases},
        {"cases through a call", "",
         "float F(int i) { switch (i) {" + Numbered("case ", ": return 1;", 33) + "} return 0; }\n" +
             main("", "p.x += F(p.y) + F(p.z);\n"),
         kCases},
        {"branches: 256", "", costlyfx::FlatIfs(256), ""},
        // Each case is a branch as an "if" is.
        {"branches: 200 ifs and 56 cases", "", ifsAndCases(200, 56), ""},
        {"branches: 200 ifs and 57 cases", "", ifsAndCases(200, 57), kBranches},
        {"branches: 257", "", costlyfx::FlatIfs(257), kBranches},
        {"an else at the branch limit", "", main("", Numbered("if (p.x > ", ") p.y += 1;\n", 254) + oneElse), ""},
        {"an else one past", "", main("", Numbered("if (p.x > ", ") p.y += 1;\n", 255) + oneElse), kBranches},
        {"flat branches are no nesting", "", costlyfx::FlatIfs(1900), kBranches},
        {"structure: 256 registers", "", structure("float4 a[255];\nfloat b;\n"), ""},
        {"structure: 257 registers", "", structure("float4 a[255];\nfloat b, c;\n"), "structure 'S' takes more than 256"},
        {"structure: matrix rows", "", structure("float4x4 m[63];\nfloat3x4 n;\nfloat2x4 o;\n"), "takes more than 256"},
        // A matrix takes a register a row, however many columns it has.
        {"structure: 2x4 at 256", "", structure("float4 a[254];\nfloat2x4 m;\n"), ""},
        {"structure: 4x2 at 256", "", structure("float4 a[252];\nfloat4x2 m;\n"), ""},
        {"structure: 4x2 one past", "", structure("float4 a[253];\nfloat4x2 m;\n"), "structure 'S' takes more than 256"},
        {"structure: matrix at 256", "", structure("matrix m[64];\n"), ""},
        {"structure: matrix one past", "", structure("matrix m[64];\nfloat b;\n"), "structure 'S' takes more than 256"},
        {"structure: nested", "", costlyfx::NestedStructs(20), "structure 'S9' takes more than 256"},
        {"structure: a typedef", "", "typedef float4 V[128];\n" + structure("V a, b, c;\n"), "takes more than 256"},
        {"structure: one inside another", "",
         "struct T { float4 a[128]; };\nstruct S { struct { T a; T b; } x; float c; };\n", "takes more than 256"},
        {"locals: 256 registers", "", costlyfx::Locals(255), ""},
        {"locals: 257 registers", "", costlyfx::Locals(256), kLocals},
        {"locals: arrays and initialisers", "", main("", "float4 a[200] , b = float4(1, 2, 3, 4), c[55];\n"), ""},
        {"locals: one more", "", main("", "float4 a[200] , b = float4(1, 2, 3, 4), c[56];\n"), kLocals},
        {"locals: a structure's", "", main(structure("float4 a[200];\n"), "S s;\nS t = s;\n"), kLocals},
        // A call costs its name's costliest overload, whichever is read first.
        {"overloads: the costly first, 256", "", overloads(true, "float4 a[256];\n"), ""},
        {"overloads: the costly last, 256", "", overloads(false, "float4 a[256];\n"), ""},
        {"overloads: the costly first, 257", "", overloads(true, "float4 a[256];\nfloat b;\n"), kLocals},
        {"overloads: the costly last, 257", "", overloads(false, "float4 a[256];\nfloat b;\n"), kLocals},
        // Called twice, the costly overload at the expanded token limit and one past.
        {"overloads: the costly first, 32768 tokens", "", overloads(true, "x = x" + Times("+x", 8182) + ";\n", 2), ""},
        {"overloads: the costly last, 32768 tokens", "", overloads(false, "x = x" + Times("+x", 8182) + ";\n", 2), ""},
        {"overloads: the costly first, one past", "", overloads(true, "x = x" + Times("+x", 8183) + ";\n", 2), kExpanded},
        {"overloads: the costly last, one past", "", overloads(false, "x = x" + Times("+x", 8183) + ";\n", 2), kExpanded},
        {"overloads: the costly first, branches", "", overloads(true, Numbered("if (x > ", ") x += 1;\n", 129), 2), kBranches},
        {"overloads: the costly last, branches", "", overloads(false, Numbered("if (x > ", ") x += 1;\n", 129), 2), kBranches},
        {"locals through calls", "",
         "float F(float x) { float4 a[100]; a[0] = x; return a[0].x; }\n" + main("", "p.x = F(p.x) + F(p.y) + F(p.z);\n"),
         kLocals},
        {"statics: 256 registers", "", "static float4 a[256];\n" + main("", ""), ""},
        {"statics: 257 registers", "", "static float4 a[256];\nstatic const float b = 1;\n" + main("", ""), kStatics},
        {"a constructor is no declaration", "", main("", Times("float4(p);\n", 300)), ""},
    };
    CheckEdges(edges);
}

// The compile child, made to misbehave through platform faults, with low limits.
class EffectCompileChild : public NullDeviceTest {
protected:
    void SetUp() override {
        NullDeviceTest::SetUp();
        saved_ = d3dxfx::GetCompileLimits();
        d3dxfx::ClearShaderCache();
    }
    void TearDown() override {
        d3dxfx::SetCompileLimits(saved_);
        d3dxfx::SetCompilerProgram("");
        d3dxfx::ClearShaderCache();
        if (!folder_.empty()) std::system(("rm -rf " + folder_).c_str());
        NullDeviceTest::TearDown();
    }

    // A shell script to stand in place of the compiler; what it writes to
    // "$0.pids" are the processes it started.
    std::string Script(const std::string& text) {
        if (folder_.empty()) {
            char folder[] = "/tmp/effect-compiler-XXXXXX";
            folder_ = mkdtemp(folder) ? folder : "/tmp";
        }
        const std::string path = folder_ + "/compiler" + std::to_string(++scripts_);
        std::ofstream(path) << "#!/bin/sh\n" << text << "\n";
        chmod(path.c_str(), 0755);
        return path;
    }
    // Every process written to the script's list is gone (or left unreaped) within
    // ten seconds, once it has written one.
    static void ExpectGone(const std::string& script) {
        std::vector<pid_t> pids;
        for (int i = 0; i < 100 && pids.empty(); ++i) {
            std::ifstream in(script + ".pids");
            for (pid_t pid; in >> pid;) pids.push_back(pid);
            if (pids.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ASSERT_FALSE(pids.empty()) << script;
        for (pid_t pid : pids) {
            bool gone = false;
            for (int i = 0; i < 100 && !gone; ++i) {
                std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
                std::string line;
                gone = !std::getline(stat, line) || line.find(") Z ") != std::string::npos;
                if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            EXPECT_TRUE(gone) << script << ": process " << pid << " outlived the compile";
            if (!gone) kill(pid, SIGKILL);
        }
    }

    // The effect made, or its errors; the wall time it took and the processor time
    // of the compiler. A compile that never returns ends the run.
    bool Make(const std::string& text, std::string* errors, double* seconds, double* compilerSeconds) {
        std::atomic<bool> done{false};
        std::thread watchdog([&done] {
            for (int i = 0; i < 1200 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (!done) {
                std::fprintf(stderr, "the effect's compile did not return within 120 seconds\n");
                std::abort();
            }
        });
        const double start = Now(), startCpu = ChildrenCpu();
        ID3DXEffect* effect = nullptr;
        ID3DXBuffer* messages = nullptr;
        D3DXCreateEffect(device_, text.data(), UINT(text.size()), nullptr, nullptr, 0, nullptr, &effect, &messages);
        *seconds = Now() - start;
        *compilerSeconds = ChildrenCpu() - startCpu;
        done = true;
        watchdog.join();
        *errors = messages ? static_cast<const char*>(messages->GetBufferPointer()) : "";
        if (messages) messages->Release();
        if (effect) effect->Release();
        return effect != nullptr;
    }

    static double Now() {
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
    }
    // The processor time of the ended children of the test.
    static double ChildrenCpu() {
        rusage usage{};
        getrusage(RUSAGE_CHILDREN, &usage);
        return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }

    d3dxfx::CompileLimits saved_;
    std::string folder_;
    int scripts_ = 0;
};

// Which limit ends a misbehaving compiler is told by what happened, not by how
// soon: the wall clock's refusal comes no sooner than its limit, the processor
// time's once the compiler has used it, and a compiler within both is answered.
TEST_F(EffectCompileChild, AMisbehavingChildIsRefusedWithinItsLimits) {
    struct Case {
        const char* fault;
        d3dxfx::CompileLimits limits;
        const char* message;  // "" when the effect is made
        const char* script = "";  // what stands in place of the compiler
    };
    const size_t kMB = size_t(1) << 20;
    const char kWall[] = "error: the shader compiler did not answer within 2 seconds";
    const char kCpu[] = "error: the shader compiler took longer than 1 seconds of processor time";
    const Case cases[] = {
        {"", {1, 100, 64 * kMB, 4 * kMB}, ""},
        // Waiting on nothing: only the wall clock ends it.
        {"ShaderCompile.hang", {1, 2, 64 * kMB, 4 * kMB}, kWall},
        // Processor time ends it, not the wall clock.
        {"ShaderCompile.spin", {1, 100, 64 * kMB, 4 * kMB}, kCpu},
        // Slow in the wall clock but not in processor time: made.
        {"ShaderCompile.slow", {1, 100, 64 * kMB, 4 * kMB}, ""},
        {"ShaderCompile.allocate", {10, 100, 64 * kMB, 4 * kMB}, "error: the shader compiler needed more than 64 MB"},
        {"ShaderCompile.cut:status", {1, 100, 64 * kMB, 4 * kMB}, "error: the shader compiler failed on this text"},
        {"ShaderCompile.cut:half", {1, 100, 64 * kMB, 4 * kMB}, "error: the shader compiler failed on this text"},
        {"ShaderCompile.cut:last", {1, 100, 64 * kMB, 4 * kMB}, "error: the shader compiler failed on this text"},
        {"ShaderCompile.die", {1, 100, 64 * kMB, 4 * kMB}, "error: the shader compiler failed on this text"},
        {"ShaderCompile.flood", {1, 100, 64 * kMB, 4 * kMB},
         "error: the shader compiler answered more than 4194304 bytes"},
        // The answer's own length: the effect's GLSL is some 700 bytes.
        {"", {1, 100, 64 * kMB, 256}, "error: the shader compiler answered more than 256 bytes"},
        // A compiler that is not there refuses the effect and says where it looked.
        {"ShaderCompile.start", {1, 100, 64 * kMB, 4 * kMB}, "kestra-effect-compiler.missing cannot be started"},
        // Another program in the compiler's place is held the same, and all it starts ends with it.
        {"", {1, 2, 64 * kMB, 4 * kMB}, kWall,
         "[ \"$(ulimit -c)\" = 0 ] || exit 0\nsleep 600 & echo $! > \"$0.pids\"; exec sleep 600"},
        {"", {1, 100, 64 * kMB, 4 * kMB}, kCpu, "echo $$ > \"$0.pids\"; while :; do :; done"},
        // One that ignores the warning is ended a second later.
        {"", {1, 100, 64 * kMB, 4 * kMB}, kCpu, "echo $$ > \"$0.pids\"; trap '' XCPU; while :; do :; done"},
        // Ended, leaving a process holding its output: not waited for.
        {"", {1, 100, 64 * kMB, 4 * kMB}, "error: the shader compiler failed on this text",
         "sleep 600 & echo $! > \"$0.pids\""},
    };
    const std::string text = costlyfx::Effect("", "return p * 2;\n");
    // Cores allowed here, none there.
    rlimit core{};
    getrlimit(RLIMIT_CORE, &core);
    const rlimit cores{std::min<rlim_t>(core.rlim_max, 1 << 20), core.rlim_max};
    setrlimit(RLIMIT_CORE, &cores);
    for (const Case& c : cases) {
#if defined(__SANITIZE_ADDRESS__)
        if (std::string(c.fault) == "ShaderCompile.allocate") continue;  // no memory limit there
#endif
        platform::ClearFaults();
        if (*c.fault) platform::InjectFault(c.fault, 0, 1);
        const std::string script = *c.script ? Script(c.script) : "";
        d3dxfx::SetCompilerProgram(script);
        d3dxfx::SetCompileLimits(c.limits);
        d3dxfx::ClearShaderCache();
        std::string errors;
        double seconds = 0, compilerSeconds = 0;
        const bool made = Make(text, &errors, &seconds, &compilerSeconds);
        const std::string row = std::string(c.fault) + " answers " + errors;
        EXPECT_EQ(made, *c.message == '\0') << row;
        EXPECT_NE(errors.find(c.message), std::string::npos) << row;
        if (c.message == kWall) {
            EXPECT_GE(seconds, 0.99 * c.limits.wallSeconds) << row;
        }
        // The limit fires on the kernel's own count; the children's time read back
        // afterwards was seen a seventh short of it on a loaded machine.
        if (c.message == kCpu) {
            EXPECT_GE(compilerSeconds, 0.75 * c.limits.cpuSeconds) << row;
        } else {
            EXPECT_LT(compilerSeconds, 0.9 * c.limits.cpuSeconds) << row;
        }
        if (*c.script) ExpectGone(script);
    }
    setrlimit(RLIMIT_CORE, &core);
    d3dxfx::SetCompilerProgram("");
    platform::ClearFaults();
    d3dxfx::SetCompileLimits(saved_);
    // A refusal is not kept: the same text compiles once the compiler behaves.
    std::string errors;
    double seconds = 0, compilerSeconds = 0;
    EXPECT_TRUE(Make(text, &errors, &seconds, &compilerSeconds)) << errors;
}

// The compiler, or whatever stands in its place, ends with the program waiting for it.
TEST_F(EffectCompileChild, TheCompilerEndsWithTheProgramWaitingForIt) {
    const std::string script = Script("echo $$ > \"$0.pids\"; exec sleep 600");
    const pid_t waiting = fork();
    ASSERT_GE(waiting, 0);
    if (waiting == 0) {
        d3dxfx::SetCompilerProgram(script);
        d3dxfx::SetCompileLimits({1, 600, size_t(64) << 20, size_t(4) << 20});
        std::string errors;
        d3dxfx::CompileVertexShaders(costlyfx::Effect("", "return p;\n"), {"Main"}, "", &errors);
        _exit(0);
    }
    for (int i = 0; i < 100 && access((script + ".pids").c_str(), F_OK) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    kill(waiting, SIGKILL);
    waitpid(waiting, nullptr, 0);
    ExpectGone(script);
}

// The entry points of a text are compiled together, each to its own shader, and
// kept: no compiler is started for them again.
TEST_F(EffectCompileChild, EachEntryPointHasItsOwnShaderAndIsKept) {
    const std::string hlsl = "float4 A(float4 p : POSITION) : POSITION { return p * 2; }\n"
                             "float4 B(float4 p : POSITION) : POSITION { return p * 3; }\n";
    std::string errors;
    const auto shaders = d3dxfx::CompileVertexShaders(hlsl, {"B", "A", "B"}, "", &errors);
    ASSERT_EQ(shaders.size(), 3u) << errors;
    EXPECT_NE(shaders[0]->desc.glsl.find("3.0"), std::string::npos) << shaders[0]->desc.glsl;
    EXPECT_NE(shaders[1]->desc.glsl.find("2.0"), std::string::npos) << shaders[1]->desc.glsl;
    EXPECT_EQ(shaders[0], shaders[2]);
    // What the device links by: each semantic's usage, index and width, in and out.
    const auto io = d3dxfx::CompileVertexShaders(
        "struct O { float4 p : POSITION; float4 c : COLOR1; float2 t : TEXCOORD7; float f : FOG; float s : PSIZE; };\n"
        "O M(float4 p : SV_Position, float3 n : NORMAL1, float3 t : TANGENT, float3 b : binormal2) {\n"
        "O o = {p, p, n.xy + t.xy, n.z + b.z, p.w}; return o; }\n", {"M"}, "", &errors);
    ASSERT_EQ(io.size(), 1u) << errors;
    std::string links;
    for (const auto& i : io[0]->desc.inputs) links += std::to_string(i.usage) + "." + std::to_string(i.usageIndex) + " ";
    for (const auto& o : io[0]->desc.outputs)
        links += std::to_string(o.usage) + "." + std::to_string(o.usageIndex) + "x" + std::to_string(o.components) + " ";
    EXPECT_EQ(links, "0.0 3.1 6.0 7.2 0.0x4 10.1x4 5.7x2 11.0x1 4.0x1 ");  // FOG is the device's own usage 11
    platform::InjectFault("ShaderCompile.start");
    EXPECT_EQ(d3dxfx::CompileVertexShaders(hlsl, {"A", "B"}, "", &errors).size(), 2u) << errors;
    EXPECT_TRUE(d3dxfx::CompileVertexShaders(hlsl, {"A", "C"}, "", &errors).empty());
    EXPECT_NE(errors.find("cannot be started"), std::string::npos) << errors;
    platform::ClearFaults();
    // Kept up to the bound on texts, entry points and GLSL; past it, the text least
    // lately asked for goes.
    const std::string other = "float4 A(float4 p : POSITION) : POSITION { return p * 4; }\n";
    const auto kept = d3dxfx::CompileVertexShaders(other, {"A"}, "", &errors);
    ASSERT_EQ(kept.size(), 1u) << errors;
    const size_t both = 2 + hlsl.size() + other.size() + 3 + shaders[0]->desc.glsl.size() +
                        shaders[1]->desc.glsl.size() + kept[0]->desc.glsl.size();
    for (const size_t bound : {both, both - 1}) {
        d3dxfx::SetCompileLimits({10, 60, size_t(64) << 20, size_t(4) << 20, bound});
        d3dxfx::ClearShaderCache();
        d3dxfx::CompileVertexShaders(hlsl, {"A", "B"}, "", &errors);
        d3dxfx::CompileVertexShaders(other, {"A"}, "", &errors);
        platform::InjectFault("ShaderCompile.start");
        EXPECT_EQ(d3dxfx::CompileVertexShaders(hlsl, {"B"}, "", &errors).size(), bound == both ? 1u : 0u) << bound;
        EXPECT_EQ(d3dxfx::CompileVertexShaders(other, {"A"}, "", &errors).size(), 1u) << bound;
        platform::ClearFaults();
    }
}

// The length of the compiler's answer for one compiled shader: its status byte and
// the count of shaders, then each text and count as a 32-bit length or value.
size_t AnswerLength(const d3dxfx::CompiledShader& shader) {
    const auto text = [](const std::string& s) { return 4 + s.size(); };
    size_t length = 1 + 4 + text(shader.desc.glsl) + 4;
    for (const auto& i : shader.desc.inputs) length += 4 + text(i.glName);
    length += 4;
    for (const auto& o : shader.desc.outputs) length += 4 + text(o.glName) + 4;
    length += 4;
    for (const auto& u : shader.uniforms) length += text(u.name) + text(u.binding.glName) + 16;
    return length;
}

// What passes between the program and the compiler keeps every field; a message
// cut short or run on is refused whole.
TEST(EffectLimits, TheCompilersRequestAndAnswerKeepEveryFieldAndRefuseCutBytes) {
    d3dxfx::CompileRequest r;
    r.cpuSeconds = 7;
    r.memoryBytes = (uint64_t(3) << 32) | 5;
    r.misdeed = d3dxfx::Misdeed::kFlood;
    r.hlsl = "text";
    r.preamble = "#define A";
    r.entries = {"A", "Bee"};
    std::string bytes = d3dxfx::EncodeRequest(r);
    d3dxfx::CompileRequest back;
    ASSERT_TRUE(d3dxfx::DecodeRequest(bytes, &back));
    EXPECT_EQ(std::tie(back.cpuSeconds, back.memoryBytes, back.misdeed, back.hlsl, back.preamble, back.entries),
              std::tie(r.cpuSeconds, r.memoryBytes, r.misdeed, r.hlsl, r.preamble, r.entries));
    for (size_t n = 0; n < bytes.size(); ++n) EXPECT_FALSE(d3dxfx::DecodeRequest(bytes.substr(0, n), &back)) << n;
    EXPECT_FALSE(d3dxfx::DecodeRequest(bytes + '\0', &back));
    bytes[12] = char(uint32_t(d3dxfx::Misdeed::kFlood) + 1);  // no such misdeed: none
    ASSERT_TRUE(d3dxfx::DecodeRequest(bytes, &back));
    EXPECT_EQ(back.misdeed, d3dxfx::Misdeed::kNone);

    auto shader = std::make_shared<d3dxfx::CompiledShader>();
    shader->desc.glsl = "void ShaderMain() {}";
    shader->desc.inputs = {{D3DDECLUSAGE_NORMAL, 1, "fxi_0"}};
    shader->desc.outputs = {{D3DDECLUSAGE_TEXCOORD, 7, "fxo_0", 3}};
    d3dxfx::UniformInfo u;
    u.name = "M";
    u.binding = {"fx.M[0]", d3d9shader::ConstantKind::UInt, 4, 3, 2, 0};
    shader->uniforms = {u};
    const std::string answer = d3dxfx::EncodeCompiled({shader});
    // Every field of a shader, as text.
    const auto fields = [](const d3dxfx::CompiledShader& c) {
        std::ostringstream t;
        t << c.desc.glsl;
        for (const auto& i : c.desc.inputs) t << '|' << int(i.usage) << ',' << int(i.usageIndex) << ',' << i.glName;
        for (const auto& o : c.desc.outputs)
            t << '|' << int(o.usage) << ',' << int(o.usageIndex) << ',' << o.glName << ',' << o.components;
        for (const auto& u : c.uniforms)
            t << '|' << u.name << ',' << u.binding.glName << ',' << int(u.binding.kind) << ',' << u.binding.rows << ','
              << u.binding.columns << ',' << u.binding.count;
        return t.str();
    };
    d3dxfx::Answer a;
    ASSERT_TRUE(d3dxfx::DecodeAnswer(answer, 1, &a));
    ASSERT_EQ(a.shaders.size(), 1u);
    EXPECT_EQ(fields(*a.shaders[0]), fields(*shader));
    EXPECT_FALSE(d3dxfx::DecodeAnswer(answer, 2, &a));
    for (size_t n = 0; n < answer.size(); ++n) EXPECT_FALSE(d3dxfx::DecodeAnswer(answer.substr(0, n), 1, &a)) << n;
    EXPECT_FALSE(d3dxfx::DecodeAnswer(answer + 'x', 1, &a));
    std::string miscounted = answer;
    miscounted[1] = 2;  // two shaders said, one sent
    EXPECT_FALSE(d3dxfx::DecodeAnswer(miscounted, 1, &a));
    // The compiler answers a request cut short with nothing and ends with 2.
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    ASSERT_GT(n, 0);
    const std::string folder(exe, size_t(n));
    FILE* out = popen(("printf abc | " + folder.substr(0, folder.rfind('/') + 1) + "kestra-effect-compiler").c_str(), "r");
    ASSERT_NE(out, nullptr);
    char said[16];
    EXPECT_EQ(std::fread(said, 1, sizeof said, out), 0u);
    const int status = pclose(out);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
}

// An answer exactly as long as the limit is taken, one byte more is not; and a
// program whose heap already holds more than the child may add still compiles,
// the child's memory counted from what it shares.
TEST_F(EffectCompileChild, TheAnswerAndMemoryLimitsHoldAtTheirEdges) {
    const std::string hlsl = "uniform float4x4 M;\nfloat4 Main(float4 p : POSITION) : POSITION { return mul(p, M); }\n";
    const size_t kMB = size_t(1) << 20;
    std::string errors;
    const auto whole = d3dxfx::CompileVertexShaders(hlsl, {"Main"}, "", &errors);
    ASSERT_FALSE(whole.empty()) << errors;
    const size_t length = AnswerLength(*whole[0]);
    for (const size_t limit : {length, length - 1}) {
        d3dxfx::SetCompileLimits({10, 60, 256 * kMB, limit});
        d3dxfx::ClearShaderCache();
        errors.clear();
        const bool made = !d3dxfx::CompileVertexShaders(hlsl, {"Main"}, "", &errors).empty();
        EXPECT_EQ(made, limit == length) << limit << " of " << length << ": " << errors;
        if (!made) {
            EXPECT_NE(errors.find("answered more than " + std::to_string(limit) + " bytes"), std::string::npos);
        }
    }

    // The program's heap grown by 120 MB in blocks of 100 KB (below the size malloc
    // maps apart), each touched only at its header: heap the child shares, which
    // its own allocations come after.
    std::vector<void*> blocks(1200);
    for (void*& block : blocks) ASSERT_NE(block = std::malloc(100 << 10), nullptr);
    d3dxfx::SetCompileLimits({10, 60, 64 * kMB, 4 * kMB});
    d3dxfx::ClearShaderCache();
    errors.clear();
    EXPECT_FALSE(d3dxfx::CompileVertexShaders(hlsl, {"Main"}, "", &errors).empty()) << errors;
    for (void* block : blocks) std::free(block);
}

// The costly shapes at their limits go through the driver's compile and draw; one
// past, they are refused before the compiler or by the instruction slots.
class EffectDriverLimits : public GlDeviceTest {};

TEST_F(EffectDriverLimits, ShapesAtTheirLimitsCompileLinkAndDraw) {
    using costlyfx::Padded, costlyfx::MatrixChain, costlyfx::Loops, costlyfx::IndexedReads, costlyfx::Arithmetic;
    const std::string untold = costlyfx::Effect("", "float4 r = p;\nfor (int i = 0; ; i++) { r += p; if (i >= 3) break; }\n"
                                                    "for (int j = 0; j < 8; j++) { j++; r += p; }\nreturn r;\n");
    struct Case {
        const char* what;
        std::string atLimit, past;
        float input[3];
        float position[4];  // what the shader makes of the input
    };
    const Case cases[] = {
        {"switch", Padded(costlyfx::Switch(64), 319), Padded(costlyfx::Switch(64), 320), {3, 2, 1}, {3, 5, 1, 1}},
        {"flat branches", costlyfx::FlatIfs(128), costlyfx::FlatIfs(129), {3, 2, 1}, {3, 5, 1, 1}},
        {"doubling calls", costlyfx::DoublingCalls(8), costlyfx::DoublingCalls(9), {1, 1, 1}, {128, 128, 128, 128}},
        {"locals", costlyfx::Locals(255), costlyfx::Locals(256), {1, 2, 3}, {1, 2 + 255 * 254 / 2, 3, 1}},
        {"nested structures", costlyfx::NestedStructs(7), costlyfx::NestedStructs(9), {3, 2, 1}, {6, 5, 4, 4}},
        // Padded to the 512 instruction slots, and one more.
        {"matrix chain", Padded(MatrixChain(31), 11), Padded(MatrixChain(31), 12), {3, 2, 1}, {3, 2, 1, 1}},
        {"determinant chain", Padded(costlyfx::Determinants(11), 23), Padded(costlyfx::Determinants(11), 24), {3, 2, 1},
         {3, 2, 1, 1}},
        {"loops unrolled", Padded(Loops(2, 32), 96), Padded(Loops(2, 32), 97), {1, 2, 3}, {65, 130, 195, 65}},
        {"loops counted once", Padded(Loops(9, 33), 35), Padded(Loops(9, 33), 36), {1, 2, 3}, {298, 596, 894, 298}},
        {"loops on a run-time count", Padded(Loops(9, -1), 26), Padded(Loops(9, -1), 27), {1, 2, 3}, {1, 2, 3, 1}},
        {"local array", Padded(IndexedReads(true, 3), 74), Padded(IndexedReads(true, 3), 75), {3, 2, 1}, {12, 2, 1, 1}},
        {"local array set in a loop counted once", Padded(IndexedReads(true, 3, 40), 132),
         Padded(IndexedReads(true, 3, 40), 133), {3, 2, 1}, {12, 2, 1, 1}},
        {"constant registers", Padded(IndexedReads(false, 10), 412), Padded(IndexedReads(false, 10), 413), {3, 2, 1},
         {3, 2, 1, 1}},
        {"each weight", Padded(Arithmetic(), 40), Padded(Arithmetic(), 41), {3, 2, 1}, {3, 2, 1, 1}},
        // Loops whose count is not told by one test of one step: as often as any loop is unrolled.
        {"loops left by a break or stepped twice", Padded(untold, 64), Padded(untold, 65), {1, 2, 3}, {9, 18, 27, 9}},
        // The entry points the compiler reads the text for; the last pass is drawn.
        {"passes", costlyfx::Passes(124), costlyfx::Passes(125), {3, 2, 1}, {369, 246, 123, 123}},
    };
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    IDirect3DVertexDeclaration9* decl = nullptr;
    ASSERT_EQ(device_->CreateVertexDeclaration(elements, &decl), D3D_OK);
    device_->SetVertexDeclaration(decl);
    d3d9shader::capture::Enable(true);
    const size_t programs = d3d9test::ProgramCacheSize(device_);
    for (const Case& c : cases) {
        ID3DXEffect* past = nullptr;
        ID3DXBuffer* messages = nullptr;
        EXPECT_EQ(D3DXCreateEffect(device_, c.past.data(), UINT(c.past.size()), nullptr, nullptr, 0, nullptr, &past,
                                   &messages),
                  E_FAIL)
            << c.what;
        if (messages) messages->Release();
        if (past) past->Release();
        ID3DXEffect* fx = nullptr;
        ASSERT_EQ(D3DXCreateEffect(device_, c.atLimit.data(), UINT(c.atLimit.size()), nullptr, nullptr, 0, nullptr,
                                   &fx, nullptr),
                  D3D_OK)
            << c.what;
        const float v[9] = {c.input[0], c.input[1], c.input[2], c.input[0], c.input[1], c.input[2],
                            c.input[0], c.input[1], c.input[2]};
        ASSERT_EQ(device_->BeginScene(), D3D_OK);
        UINT passes = 0;
        ASSERT_EQ(fx->Begin(&passes, 0), D3D_OK);
        ASSERT_EQ(fx->BeginPass(passes - 1), D3D_OK);
        EXPECT_EQ(device_->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, 12), D3D_OK) << c.what;
        fx->EndPass();
        fx->End();
        device_->EndScene();
        const auto out = d3d9shader::capture::Last();
        ASSERT_EQ(out.size(), 3u) << c.what;
        for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(out[0].position[i], c.position[i]) << c.what << " component " << i;
        fx->Release();
        // Its programs went with it.
        EXPECT_EQ(d3d9test::ProgramCacheSize(device_), programs) << c.what;
    }
    d3d9shader::capture::Enable(false);
    device_->SetVertexDeclaration(nullptr);
    decl->Release();
}

}  // namespace
