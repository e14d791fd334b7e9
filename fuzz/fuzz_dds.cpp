// Any bytes as a DDS file.
#include "fuzz/fuzz_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzimage::Run(d3dx9img::detail::DdsInfo, d3dx9img::detail::DdsDecode, data, size);
}
