// Keeps the OpenGL libraries mapped until the process ends. SDL unloads them when
// its last GL window goes; the driver's one-time allocations then outlive their
// code, which gains nothing and leaves leak reports without symbols to suppress.
#include <dlfcn.h>
#include <link.h>

#include <cstring>

#include "platform/win32/sdl_bridge.h"

namespace platform {
namespace {

bool IsGlLibrary(const char* path) {
    static const char* const kParts[] = {"libGL.so", "libGLX", "libEGL", "libGLdispatch", "libglapi", "_dri.so",
                                         "libLLVM", "libgallium"};
    for (const char* part : kParts)
        if (std::strstr(path, part)) return true;
    return false;
}

int PinIfGl(dl_phdr_info* info, size_t, void*) {
    if (info->dlpi_name && info->dlpi_name[0] && IsGlLibrary(info->dlpi_name)) {
        // RTLD_NOLOAD only marks the loaded object; the extra reference is the point.
        dlopen(info->dlpi_name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    }
    return 0;
}

}  // namespace

void KeepGlLibrariesResident() { dl_iterate_phdr(PinIfGl, nullptr); }

}  // namespace platform
