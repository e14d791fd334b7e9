// Any bytes as a BMP picture.
#include "fuzz/fuzz_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzimage::Run(d3dx9img::detail::BmpInfo, d3dx9img::detail::BmpDecode, data, size);
}
