// Any bytes as effect text: the effect-file parser must answer errors, never crash,
// and on success keep the shader text the same length with its lines in place.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/d3dx9/effect_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    d3dxfx::EffectSource source;
    std::string errors;
    const bool ok = d3dxfx::ParseEffect(text, &source, &errors);
    if (ok != errors.empty()) std::abort();
    if (!ok) {
        if (errors.rfind("memory(", 0) != 0) std::abort();
        return 0;
    }
    if (source.shaderText.size() != text.size() || source.techniques.empty()) std::abort();
    for (size_t i = 0; i < text.size(); ++i)
        if ((text[i] == '\n') != (source.shaderText[i] == '\n')) std::abort();
    for (const auto& p : source.params)
        if (p.rows < 1 || p.rows > 4 || p.columns < 1 || p.columns > 4 || p.name.empty()) std::abort();
    return 0;
}
