// Any bytes as a PNG picture.
#include "fuzz/fuzz_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzimage::Run(d3dx9img::detail::PngInfo, d3dx9img::detail::PngDecode, data, size);
}
