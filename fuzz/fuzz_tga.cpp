// Any bytes as a TGA picture.
#include "fuzz/fuzz_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzimage::Run(d3dx9img::detail::TgaInfo, d3dx9img::detail::TgaDecode, data, size);
}
