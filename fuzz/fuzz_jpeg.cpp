// Any bytes as a JPEG picture.
#include "fuzz/fuzz_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzimage::Run(d3dx9img::detail::JpegInfo, d3dx9img::detail::JpegDecode, data, size);
}
