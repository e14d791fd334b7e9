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

// False with "memory(LINE): error: ..." in `errors` when the text passes a limit.
// `preamble`: "#define" lines read ahead of the text, as the compiler reads them.
bool CheckShaderSource(const std::string& preamble, const std::string& text, std::string* errors);

}  // namespace d3dxfx
