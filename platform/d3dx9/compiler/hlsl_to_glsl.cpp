// HLSL vertex shaders to GLSL 3.30: glslang's HLSL front end makes SPIR-V (with the
// HLSL semantics kept as decorations), SPIRV-Cross writes GLSL with the globals as one
// plain uniform structure "fx", and its reflection says how to feed them. A program
// whose instruction slots pass the shader model's, or that uses what GLSL 3.30 vertex
// shaders lack, is refused before it is written.
#include "platform/d3dx9/compiler/hlsl_to_glsl.h"

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <spirv_cross/spirv_cross_c.h>

#include <cctype>
#include <sstream>

#include "platform/d3dx9/compiler/instruction_slots.h"
#include "platform/d3dx9/effect_limits.h"

namespace d3dxfx {

namespace {

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

}  // namespace

std::shared_ptr<CompiledShader> HlslToGlsl(const std::string& hlsl, const std::string& entry,
                                           const std::string& preamble, std::string* errors) {
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
    const SlotCount slots = InstructionSlots(spirv);
    if (!slots.lacking.empty()) {
        *errors = "memory(1): error: '" + entry + "' uses " + slots.lacking + ", which vertex shaders cannot run here\n";
        return nullptr;
    }
    if (slots.slots > kMaxInstructionSlots) {
        *errors = "memory(1): error: '" + entry + "' needs more than " + std::to_string(kMaxInstructionSlots) +
                  " instruction slots\n";
        return nullptr;
    }

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

}  // namespace d3dxfx
