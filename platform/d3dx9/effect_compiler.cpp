// HLSL vertex shaders to GLSL 3.30: glslang's HLSL front end makes SPIR-V (with the
// HLSL semantics kept as decorations), SPIRV-Cross writes GLSL with the globals as one
// plain uniform structure "fx", and its reflection says how to feed them.
#include "platform/d3dx9/effect_compiler.h"

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spirv_cross/spirv_cross_c.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <exception>
#include <map>
#include <mutex>
#include <new>
#include <sstream>

#include "platform/d3dx9/effect_limits.h"
#include "platform/win32/testing.h"

namespace d3dxfx {

namespace {

std::mutex g_mutex;
std::map<std::string, std::shared_ptr<const CompiledShader>> g_cache;

// glslang reports "ERROR: 0:LINE: message"; D3DX reports "memory(LINE): error ...".
std::string TranslateLog(const std::string& log) {
    std::istringstream in(log);
    std::string line, out;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        bool error = line.rfind("ERROR: ", 0) == 0;
        bool warning = line.rfind("WARNING: ", 0) == 0;
        if (!error && !warning) continue;
        std::string rest = line.substr(error ? 7 : 9);
        std::string kind = error ? "error" : "warning";
        for (const char* source : {"memory:", "0:"}) {
            const size_t n = std::char_traits<char>::length(source);
            if (rest.rfind(source, 0) != 0) continue;
            size_t colon = rest.find(':', n);
            if (colon == std::string::npos) continue;
            rest = "memory(" + rest.substr(n, colon - n) + "): " + kind + ":" + rest.substr(colon + 1);
            break;
        }
        if (rest.rfind("memory(", 0) == 0) {
            out += rest + "\n";
            continue;
        }
        if (rest.find("compilation errors") != std::string::npos) continue;
        out += "memory(1): " + kind + ": " + rest + "\n";
    }
    if (out.empty()) out = "memory(1): error: the shader did not compile\n";
    return out;
}

// "TEXCOORD1" -> ("TEXCOORD", 1); upper case.
void SplitSemantic(const char* semantic, std::string* name, BYTE* index) {
    std::string s;
    for (const char* p = semantic; p && *p; ++p) s += char(std::toupper(static_cast<unsigned char>(*p)));
    if (s.rfind("SV_", 0) == 0) s = s.substr(3);
    size_t digits = s.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(s[digits - 1]))) --digits;
    *index = digits < s.size() ? BYTE(std::min(255, std::atoi(s.c_str() + digits))) : 0;
    *name = s.substr(0, digits);
}

bool InputUsage(const std::string& name, BYTE* usage) {
    static const std::pair<const char*, BYTE> table[] = {
        {"POSITION", D3DDECLUSAGE_POSITION}, {"BLENDWEIGHT", D3DDECLUSAGE_BLENDWEIGHT},
        {"BLENDINDICES", D3DDECLUSAGE_BLENDINDICES}, {"NORMAL", D3DDECLUSAGE_NORMAL},
        {"PSIZE", D3DDECLUSAGE_PSIZE}, {"TEXCOORD", D3DDECLUSAGE_TEXCOORD},
        {"TANGENT", D3DDECLUSAGE_TANGENT}, {"BINORMAL", D3DDECLUSAGE_BINORMAL},
        {"COLOR", D3DDECLUSAGE_COLOR}, {"FOG", D3DDECLUSAGE_FOG}, {"DEPTH", D3DDECLUSAGE_DEPTH}};
    for (const auto& [n, u] : table)
        if (name == n) {
            *usage = u;
            return true;
        }
    return false;
}

struct Spvc {
    spvc_context context = nullptr;
    ~Spvc() {
        if (context) spvc_context_destroy(context);
    }
};

std::shared_ptr<CompiledShader> Compile(const std::string& hlsl, const std::string& entry, const std::string& preamble,
                                        std::string* errors) {
    glslang::TShader shader(EShLangVertex);
    const char* text = hlsl.c_str();
    const int length = int(hlsl.size());
    const char* name = "memory";
    shader.setStringsWithLengthsAndNames(&text, &length, &name, 1);
    shader.setEntryPoint(entry.c_str());
    if (!preamble.empty()) shader.setPreamble(preamble.c_str());
    shader.setEnvInput(glslang::EShSourceHlsl, EShLangVertex, glslang::EShClientOpenGL, 100);
    shader.setEnvClient(glslang::EShClientOpenGL, glslang::EShTargetOpenGL_450);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    shader.setEnvTargetHlslFunctionality1();  // keeps the semantics as decorations
    shader.setAutoMapLocations(true);
    shader.setAutoMapBindings(true);
    const auto messages = EShMessages(EShMsgReadHlsl | EShMsgHlslDX9Compatible | EShMsgSpvRules);
    if (!shader.parse(GetDefaultResources(), 100, false, messages)) {
        *errors = TranslateLog(shader.getInfoLog());
        return nullptr;
    }
    glslang::TProgram program;
    program.addShader(&shader);
    if (!program.link(messages)) {
        *errors = TranslateLog(program.getInfoLog());
        return nullptr;
    }
    std::vector<unsigned> spirv;
    glslang::SpvOptions options;
    options.validate = false;
    glslang::GlslangToSpv(*program.getIntermediate(EShLangVertex), spirv, &options);

    Spvc holder;
    spvc_parsed_ir ir = nullptr;
    spvc_compiler compiler = nullptr;
    spvc_resources resources = nullptr;
    auto fail = [&](const char* what) {
        *errors = std::string("memory(1): error: ") + what + ": " +
                  (holder.context ? spvc_context_get_last_error_string(holder.context) : "") + "\n";
        return nullptr;
    };
    if (spvc_context_create(&holder.context) != SPVC_SUCCESS) return fail("GLSL translation");
    if (spvc_context_parse_spirv(holder.context, spirv.data(), spirv.size(), &ir) != SPVC_SUCCESS ||
        spvc_context_create_compiler(holder.context, SPVC_BACKEND_GLSL, ir, SPVC_CAPTURE_MODE_TAKE_OWNERSHIP,
                                     &compiler) != SPVC_SUCCESS ||
        spvc_compiler_create_shader_resources(compiler, &resources) != SPVC_SUCCESS)
        return fail("GLSL translation");

    auto result = std::make_shared<CompiledShader>();
    auto list = [&](spvc_resource_type type, const spvc_reflected_resource** items, size_t* count) {
        *items = nullptr;
        *count = 0;
        spvc_resources_get_resource_list_for_type(resources, type, items, count);
    };
    const spvc_reflected_resource* items;
    size_t count;
    list(SPVC_RESOURCE_TYPE_STAGE_INPUT, &items, &count);
    for (size_t i = 0; i < count; ++i) {
        std::string semantic;
        BYTE index, usage;
        SplitSemantic(spvc_compiler_get_decoration_string(compiler, items[i].id, SpvDecorationHlslSemanticGOOGLE),
                      &semantic, &index);
        if (!InputUsage(semantic, &usage)) {
            *errors = "memory(1): error: input semantic '" + semantic + "' is not supported\n";
            return nullptr;
        }
        std::string glName = "fxi_" + std::to_string(i);
        spvc_compiler_set_name(compiler, items[i].id, glName.c_str());
        result->desc.inputs.push_back({usage, index, glName});
    }
    list(SPVC_RESOURCE_TYPE_STAGE_OUTPUT, &items, &count);
    for (size_t i = 0; i < count; ++i) {
        std::string semantic;
        BYTE index, usage;
        SplitSemantic(spvc_compiler_get_decoration_string(compiler, items[i].id, SpvDecorationHlslSemanticGOOGLE),
                      &semantic, &index);
        if (semantic == "POSITION") usage = D3DDECLUSAGE_POSITION;
        else if (semantic == "COLOR" && index < 2) usage = D3DDECLUSAGE_COLOR;
        else if (semantic == "TEXCOORD" && index < 8) usage = D3DDECLUSAGE_TEXCOORD;
        else if (semantic == "FOG") usage = d3d9shader::kUsageFog;
        else if (semantic == "PSIZE") usage = D3DDECLUSAGE_PSIZE;
        else {
            *errors = "memory(1): error: output semantic '" + semantic + "' is not supported\n";
            return nullptr;
        }
        spvc_type type = spvc_compiler_get_type_handle(compiler, items[i].type_id);
        std::string glName = "fxo_" + std::to_string(i);
        spvc_compiler_set_name(compiler, items[i].id, glName.c_str());
        result->desc.outputs.push_back({usage, index, glName, spvc_type_get_vector_size(type)});
    }
    list(SPVC_RESOURCE_TYPE_UNIFORM_BUFFER, &items, &count);
    for (size_t i = 0; i < count; ++i) {
        spvc_compiler_set_name(compiler, items[i].id, "fx");
        spvc_type block = spvc_compiler_get_type_handle(compiler, items[i].base_type_id);
        for (unsigned m = 0; m < spvc_type_get_num_member_types(block); ++m) {
            spvc_type t = spvc_compiler_get_type_handle(compiler, spvc_type_get_member_type(block, m));
            UniformInfo u;
            u.name = spvc_compiler_get_member_name(compiler, items[i].base_type_id, m);
            auto& b = u.binding;
            switch (spvc_type_get_basetype(t)) {
            case SPVC_BASETYPE_FP32: b.kind = d3d9shader::ConstantKind::Float; break;
            case SPVC_BASETYPE_INT32: b.kind = d3d9shader::ConstantKind::Int; break;
            case SPVC_BASETYPE_UINT32:
            case SPVC_BASETYPE_BOOLEAN: b.kind = d3d9shader::ConstantKind::UInt; break;
            default:
                *errors = "memory(1): error: parameter '" + u.name + "' has an unsupported type\n";
                return nullptr;
            }
            unsigned columns = spvc_type_get_columns(t), size = spvc_type_get_vector_size(t);
            if (columns > 1 && !(columns == 4 && size == 4)) {
                *errors = "memory(1): error: parameter '" + u.name + "': only float4x4 matrices are supported\n";
                return nullptr;
            }
            b.rows = columns;
            b.columns = size;
            b.count = 1;
            unsigned dims = spvc_type_get_num_array_dimensions(t);
            if (dims > 1) {
                *errors = "memory(1): error: parameter '" + u.name + "': arrays of arrays are not supported\n";
                return nullptr;
            }
            if (dims == 1) b.count = spvc_type_get_array_dimension(t, 0);
            b.glName = "fx." + u.name + (dims ? "[0]" : "");
            result->uniforms.push_back(std::move(u));
        }
    }
    if (!result->uniforms.empty() && count != 1) {
        *errors = "memory(1): error: constant buffers are not supported\n";
        return nullptr;
    }

    spvc_compiler_options opts = nullptr;
    spvc_compiler_create_compiler_options(compiler, &opts);
    spvc_compiler_options_set_uint(opts, SPVC_COMPILER_OPTION_GLSL_VERSION, 330);
    spvc_compiler_options_set_bool(opts, SPVC_COMPILER_OPTION_GLSL_ES, SPVC_FALSE);
    spvc_compiler_options_set_bool(opts, SPVC_COMPILER_OPTION_GLSL_EMIT_UNIFORM_BUFFER_AS_PLAIN_UNIFORMS, SPVC_TRUE);
    spvc_compiler_install_compiler_options(compiler, opts);
    const char* glsl = nullptr;
    if (spvc_compiler_compile(compiler, &glsl) != SPVC_SUCCESS || !glsl) return fail("GLSL translation");
    std::string out = glsl;
    // The device writes main() itself around the shader's.
    const std::string mainDecl = "\nvoid main()\n";
    size_t at = out.rfind(mainDecl);
    if (at == std::string::npos) return fail("GLSL translation");
    out.replace(at, mainDecl.size(), "\nvoid ShaderMain()\n");
    if (out.find("gl_Position") != std::string::npos) {
        // A built-in position output becomes an ordinary one the device corrects.
        for (size_t p; (p = out.find("gl_Position")) != std::string::npos;) out.replace(p, 11, "fxo_position");
        out.insert(out.rfind("\nvoid ShaderMain()\n"), "\nvec4 fxo_position;\n");
        result->desc.outputs.push_back({D3DDECLUSAGE_POSITION, 0, "fxo_position", 4});
    }
    result->desc.glsl = std::move(out);
    return result;
}

// ---- The compile in a child process. glslang 12's HLSL front end follows null
// pointers on malformed texts (a postfix step on a call or on an unknown name, an
// operand it could not make, an entry point's parameter without a name), so each
// compile runs in a child: such a text is refused instead of taking the program
// down. The child is forked from a thread whose stack holds the deepest text the
// limits let through, and runs on that stack.

// The compiler recurses once per link of the longest operator chain a text within
// the limits can hold: a sum of 16,377 terms or as many chained assignments need
// 12 to 14 MB of stack (the compiler is a system library, the same in every
// build). Four times that is reserved; only what a compile touches is resident.
constexpr size_t kCompileStackBytes = size_t(64) << 20;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kAddressSanitizer = false;
#endif

std::atomic<int> g_cpuSeconds{CompileLimits{}.cpuSeconds};
std::atomic<int> g_wallSeconds{CompileLimits{}.wallSeconds};
std::atomic<size_t> g_memoryBytes{CompileLimits{}.memoryBytes};
std::atomic<size_t> g_answerBytes{CompileLimits{}.answerBytes};

// A compile's answer as the child sends it: a status, then length-prefixed fields.
enum Status : char { kCompiled = 'S', kRefused = 'E', kOutOfMemory = 'M' };

// What a test makes the child do instead of, or around, its compile.
enum class Misdeed { kNone, kHang, kSpin, kSlow, kAllocate, kCutAfterStatus, kCutHalf, kCutLastByte, kDieAfter, kFlood };

Misdeed ArmedMisdeed() {
    static const std::pair<const char*, Misdeed> table[] = {
        {"ShaderCompile.hang", Misdeed::kHang}, {"ShaderCompile.spin", Misdeed::kSpin},
        {"ShaderCompile.slow", Misdeed::kSlow}, {"ShaderCompile.allocate", Misdeed::kAllocate},
        {"ShaderCompile.cut:status", Misdeed::kCutAfterStatus}, {"ShaderCompile.cut:half", Misdeed::kCutHalf},
        {"ShaderCompile.cut:last", Misdeed::kCutLastByte}, {"ShaderCompile.die", Misdeed::kDieAfter},
        {"ShaderCompile.flood", Misdeed::kFlood}};
    for (const auto& [name, misdeed] : table)
        if (platform::FaultHit(name)) return misdeed;
    return Misdeed::kNone;
}

// The process's data segment and private mappings now (VmData), which the child
// starts with; 0 when unknown.
size_t DataBytes() {
    const int fd = open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    char text[4096];
    const ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    if (n <= 0) return 0;
    text[n] = '\0';
    const char* at = std::strstr(text, "\nVmData:");
    return at ? size_t(std::strtoull(at + 9, nullptr, 10)) * 1024 : 0;
}

void Put(std::string& out, uint32_t v) { out.append(reinterpret_cast<const char*>(&v), sizeof v); }
void Put(std::string& out, const std::string& text) {
    Put(out, uint32_t(text.size()));
    out += text;
}

std::string Encode(Status status, const CompiledShader* shader, const std::string& errors) {
    std::string out(1, char(status));
    if (!shader) {
        Put(out, errors);
        return out;
    }
    const d3d9shader::VertexShaderDesc& d = shader->desc;
    Put(out, d.glsl);
    Put(out, uint32_t(d.inputs.size()));
    for (const auto& i : d.inputs) {
        Put(out, uint32_t(i.usage) | uint32_t(i.usageIndex) << 8);
        Put(out, i.glName);
    }
    Put(out, uint32_t(d.outputs.size()));
    for (const auto& o : d.outputs) {
        Put(out, uint32_t(o.usage) | uint32_t(o.usageIndex) << 8);
        Put(out, o.glName);
        Put(out, o.components);
    }
    Put(out, uint32_t(shader->uniforms.size()));
    for (const auto& u : shader->uniforms) {
        Put(out, u.name);
        Put(out, u.binding.glName);
        for (uint32_t v : {uint32_t(u.binding.kind), u.binding.rows, u.binding.columns, u.binding.count}) Put(out, v);
    }
    return out;
}

class Decoder {
public:
    explicit Decoder(const std::string& bytes) : bytes_(bytes) {}
    bool ok() const { return ok_ && at_ == bytes_.size(); }
    uint32_t Number() {
        uint32_t v = 0;
        if (bytes_.size() - at_ < sizeof v) return Fail();
        std::memcpy(&v, bytes_.data() + at_, sizeof v);
        at_ += sizeof v;
        return v;
    }
    std::string Text() {
        const uint32_t n = Number();
        if (bytes_.size() - at_ < n) {
            Fail();
            return {};
        }
        at_ += n;
        return bytes_.substr(at_ - n, n);
    }
    // A count of items, each taking at least `least` bytes.
    uint32_t Count(size_t least) {
        const uint32_t n = Number();
        return (bytes_.size() - at_) / least >= n ? n : Fail();
    }

private:
    uint32_t Fail() {
        ok_ = false;
        at_ = bytes_.size();
        return 0;
    }
    const std::string& bytes_;
    size_t at_ = 1;  // after the status
    bool ok_ = true;
};

std::shared_ptr<CompiledShader> Decode(const std::string& bytes) {
    Decoder in(bytes);
    auto shader = std::make_shared<CompiledShader>();
    d3d9shader::VertexShaderDesc& d = shader->desc;
    d.glsl = in.Text();
    for (uint32_t n = in.Count(8); n > 0; --n) {
        const uint32_t usage = in.Number();
        d.inputs.push_back({BYTE(usage), BYTE(usage >> 8), in.Text()});
    }
    for (uint32_t n = in.Count(12); n > 0; --n) {
        const uint32_t usage = in.Number();
        std::string name = in.Text();
        d.outputs.push_back({BYTE(usage), BYTE(usage >> 8), std::move(name), in.Number()});
    }
    for (uint32_t n = in.Count(24); n > 0; --n) {
        UniformInfo u;
        u.name = in.Text();
        u.binding.glName = in.Text();
        u.binding.kind = d3d9shader::ConstantKind(in.Number());
        u.binding.rows = in.Number();
        u.binding.columns = in.Number();
        u.binding.count = in.Number();
        shader->uniforms.push_back(std::move(u));
    }
    return in.ok() ? shader : nullptr;
}

void WriteAll(int fd, const std::string& bytes) {
    for (size_t at = 0; at < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + at, bytes.size() - at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        at += size_t(n);
    }
}

int64_t MonotonicMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

enum class Reading { kWhole, kLate, kTooLong };

// What the child sends until it closes its end. The child's processor time is
// bounded in the child itself; the wall clock here only ends a child that waits
// on something for far longer than any compile takes.
Reading ReadAnswer(int fd, std::string* bytes, int wallSeconds, size_t answerBytes) {
    const int64_t deadline = MonotonicMs() + int64_t(wallSeconds) * 1000;
    char buffer[65536];
    for (;;) {
        const int64_t left = deadline - MonotonicMs();
        if (left <= 0) return Reading::kLate;
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, int(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return Reading::kLate;
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Reading::kWhole;
        if (bytes->size() + size_t(n) > answerBytes) return Reading::kTooLong;
        bytes->append(buffer, size_t(n));
    }
}

void SetLimit(int resource, rlim_t soft, rlim_t hard) {
    const rlimit limit{soft, hard};
    setrlimit(resource, &limit);
}

[[noreturn]] void CompileAsChild(int fd, const std::string& hlsl, const std::string& entry,
                                 const std::string& preamble, Misdeed misdeed, size_t dataBytes, pid_t parent) {
    // A fault ends the child quietly: the parent's handlers (a sanitizer's, a
    // fuzzer's) would report it as the program's own. Past its processor time the
    // kernel ends it (SIGXCPU, then SIGKILL a second later), leaving no core.
    for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGXCPU}) signal(fault, SIG_DFL);
    SetLimit(RLIMIT_CORE, 0, 0);
    // Ended with the thread waiting for it, should that go first.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(1);
    const rlim_t cpu = rlim_t(g_cpuSeconds.load());
    SetLimit(RLIMIT_CPU, cpu, cpu + 1);
    // The memory it may add to what it shares with the parent. Not under the
    // address sanitizer, whose allocator hangs in its own report when refused.
    if (dataBytes && !kAddressSanitizer) SetLimit(RLIMIT_DATA, dataBytes + g_memoryBytes.load(), dataBytes + g_memoryBytes.load());
    switch (misdeed) {
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
        const std::string junk(size_t(1) << 20, char(kCompiled));
        for (;;) WriteAll(fd, junk);
    }
    default: break;
    }
    std::string answer;
    try {
        if (misdeed == Misdeed::kAllocate) {
            // Four times what the child may add, touched, a megabyte at a time.
            std::vector<std::unique_ptr<char[]>> blocks;
            for (size_t n = 0; n < 4 * (g_memoryBytes.load() >> 20); ++n) {
                blocks.emplace_back(new char[size_t(1) << 20]);
                std::memset(blocks.back().get(), 1, size_t(1) << 20);
            }
        }
        std::string errors;
        const std::shared_ptr<CompiledShader> shader = Compile(hlsl, entry, preamble, &errors);
        answer = shader ? Encode(kCompiled, shader.get(), "") : Encode(kRefused, nullptr, errors);
    } catch (const std::bad_alloc&) {
        answer = Encode(kOutOfMemory, nullptr, "");
    } catch (...) {
        answer = Encode(kRefused, nullptr, "memory(1): error: the shader did not compile\n");
    }
    if (misdeed == Misdeed::kCutAfterStatus || misdeed == Misdeed::kCutHalf) {
        answer.resize(misdeed == Misdeed::kCutHalf ? answer.size() / 2 : 1);
        WriteAll(fd, answer);
        raise(SIGKILL);
    }
    if (misdeed == Misdeed::kCutLastByte) answer.pop_back();
    WriteAll(fd, answer);
    if (misdeed == Misdeed::kDieAfter) raise(SIGKILL);
    _exit(0);  // nothing of the parent's is flushed or destroyed here
}

std::shared_ptr<const CompiledShader> CompileInChild(const std::string& hlsl, const std::string& entry,
                                                     const std::string& preamble, std::string* errors) {
    const Misdeed misdeed = ArmedMisdeed();
    const size_t dataBytes = DataBytes();
    const int cpuSeconds = g_cpuSeconds.load(), wallSeconds = g_wallSeconds.load();
    const size_t memoryBytes = g_memoryBytes.load(), answerBytes = g_answerBytes.load();
    const pid_t parent = getpid();
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::bad_alloc();
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        CompileAsChild(fds[1], hlsl, entry, preamble, misdeed, dataBytes, parent);
    }
    close(fds[1]);
    if (child < 0) {
        close(fds[0]);
        throw std::bad_alloc();
    }
    std::string answer;
    const Reading reading = ReadAnswer(fds[0], &answer, wallSeconds, answerBytes);
    close(fds[0]);
    if (reading != Reading::kWhole) kill(child, SIGKILL);
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    const int64_t cpuMs = (int64_t(usage.ru_utime.tv_sec) + usage.ru_stime.tv_sec) * 1000 +
                          (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
    // Only a child that ended of itself answered whole.
    const bool whole = reading == Reading::kWhole && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (whole && !answer.empty() && answer[0] == kRefused) {
        Decoder in(answer);
        *errors = in.Text();
        if (in.ok()) return nullptr;
    }
    std::shared_ptr<CompiledShader> shader =
        whole && !answer.empty() && answer[0] == kCompiled ? Decode(answer) : nullptr;
    if (shader) return shader;
    std::string why = "failed on this text";
    if (reading == Reading::kLate) {
        why = "did not answer within " + std::to_string(wallSeconds) + " seconds";
    } else if (reading == Reading::kTooLong) {
        why = "answered more than " + std::to_string(answerBytes) + " bytes";
    } else if (cpuMs >= int64_t(cpuSeconds) * 1000 || (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU)) {
        why = "took longer than " + std::to_string(cpuSeconds) + " seconds of processor time";
    } else if (whole && !answer.empty() && answer[0] == kOutOfMemory) {
        why = "needed more than " + std::to_string(memoryBytes >> 20) + " MB";
    }
    *errors = "memory(1): error: the shader compiler " + why + "\n";
    return nullptr;
}

struct CompileJob {
    const std::string* hlsl;
    const std::string* entry;
    const std::string* preamble;
    std::string* errors;
    std::shared_ptr<const CompiledShader> result;
    std::exception_ptr failure;  // thrown again on the caller's thread
};

void* RunCompile(void* argument) {
    auto* job = static_cast<CompileJob*>(argument);
    try {
        job->result = CompileInChild(*job->hlsl, *job->entry, *job->preamble, job->errors);
    } catch (...) {
        job->failure = std::current_exception();
    }
    return nullptr;
}

// Compile on a thread of its own whose stack holds the deepest text the limits let through.
std::shared_ptr<const CompiledShader> CompileOnLargeStack(const std::string& hlsl, const std::string& entry,
                                                          const std::string& preamble, std::string* errors) {
    CompileJob job{&hlsl, &entry, &preamble, errors, nullptr, nullptr};
    pthread_attr_t attributes;
    pthread_t thread;
    bool started = pthread_attr_init(&attributes) == 0;
    if (started) {
        started = pthread_attr_setstacksize(&attributes, kCompileStackBytes) == 0 &&
                  pthread_create(&thread, &attributes, RunCompile, &job) == 0;
        pthread_attr_destroy(&attributes);
    }
    if (!started) throw std::bad_alloc();
    pthread_join(thread, nullptr);
    if (job.failure) std::rethrow_exception(job.failure);
    return job.result;
}

}  // namespace

std::shared_ptr<const CompiledShader> CompileVertexShader(const std::string& hlsl, const std::string& entry,
                                                          const std::string& preamble, std::string* errors) {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::string key = entry + '\n' + preamble + '\0' + hlsl;
    auto it = g_cache.find(key);
    if (it != g_cache.end()) return it->second;
    errors->clear();
    if (!CheckShaderSource(preamble, hlsl, errors)) return nullptr;
    // Once in this process, so that every child starts with it done.
    static std::once_flag init;
    std::call_once(init, [] { glslang::InitializeProcess(); });
    std::shared_ptr<const CompiledShader> result = CompileOnLargeStack(hlsl, entry, preamble, errors);
    if (result) g_cache.emplace(std::move(key), result);
    return result;
}

CompileLimits GetCompileLimits() {
    return CompileLimits{g_cpuSeconds.load(), g_wallSeconds.load(), g_memoryBytes.load(), g_answerBytes.load()};
}

void SetCompileLimits(const CompileLimits& limits) {
    g_cpuSeconds = limits.cpuSeconds;
    g_wallSeconds = limits.wallSeconds;
    g_memoryBytes = limits.memoryBytes;
    g_answerBytes = limits.answerBytes;
}

void ClearShaderCache() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_cache.clear();
}

}  // namespace d3dxfx
