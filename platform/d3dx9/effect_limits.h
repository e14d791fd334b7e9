// Inside the D3DX stand-in: what a shader's text may make the HLSL compiler do,
// checked before the text reaches it. The compiler's parser and tree walks
// recurse once for every level of nesting and every link of an operator chain,
// and its preprocessor replaces macros without bound, so a short hostile text
// could exhaust the stack, the memory or the time. The check replays the
// preprocessor (conditions, macros with and without arguments, pasting) and
// counts what the compiler would be given.
#pragma once

#include <cstddef>
#include <string>

namespace d3dxfx {

// The engine's own effects take under 500 tokens, 7 levels and no macros.
constexpr size_t kMaxShaderBytes = size_t(1) << 20;  // the text, preamble included
constexpr size_t kMaxShaderTokens = 32768;           // after macro replacement
constexpr size_t kMaxMacroWork = 262144;             // replacements and the tokens they make, arguments included
// Open brackets plus control statements: each "if", "else", "for", "while",
// "do" and "switch" counts as a level to the end of its block.
constexpr size_t kMaxNesting = 256;
// What the driver is given: it puts every call in place, so a function's tokens
// count with its callees' as often as it calls them; the cases of its switches
// so counted; a structure, a function's local variables with its callees', and the
// "static" variables within the 256 constant registers of the vertex shader models
// (a register a vector, scalar or matrix row, times an array's length).
constexpr size_t kMaxExpandedTokens = kMaxShaderTokens;
constexpr size_t kMaxCases = 64;
// Branches as a vertex shader's 512 instruction slots hold them, an "if" and its
// end taking two: each "if", "else", loop and case counts one.
constexpr size_t kMaxBranches = 256;
constexpr size_t kMaxTypeRegisters = 256;
// What the compiled program may cost the driver: the instruction slots every
// vs_3_0 device has (compiler/instruction_slots.h counts them; the engine's own
// effects take under 200). Mesa's software rasteriser compiles and first draws a
// program at the limit in under half a second and 110 MB, with its shader cache
// off, on a busy machine; its compile grows with the square of a long chain.
constexpr size_t kMaxInstructionSlots = 512;
// The compiler reads the whole text for each entry point of an effect: the
// tokens so read, the text's times its distinct entry points, are bounded (a
// fifth of a second of compiling).
constexpr size_t kMaxCompiledTokens = 262144;

// False with "memory(LINE): error: ..." in `errors` when the text passes a limit;
// `tokens`, when given, the tokens the compiler is given.
// `preamble`: "#define" lines read ahead of the text, as the compiler reads them.
bool CheckShaderSource(const std::string& preamble, const std::string& text, std::string* errors,
                       size_t* tokens = nullptr);

}  // namespace d3dxfx
