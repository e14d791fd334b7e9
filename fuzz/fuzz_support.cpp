// The engine allocator for fuzz targets, which run without the engine's runtime.
#include <cstdlib>

#include "engine/core/KestraLog.h"

namespace Kestra {
void* MemoryAlloc(uint32_t size) { return std::calloc(1, size ? size : 1); }
void* MemoryAllocLoaded(uint32_t size) { return MemoryAlloc(size); }
void MemoryFree(void* block) { std::free(block); }
}  // namespace Kestra
