// Modules: built-in components answer LoadLibraryA by name; any other
// "<base>.dll" is the shared object "<base>.so" in the program's folder.
// Module names compare without regard to ASCII case, as Windows does.
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/win32/cp932.h"
#include "platform/win32/kernel.h"
#include "platform/win32/kernel_internal.h"
#include "platform/win32/testing.h"

namespace platform {

namespace {

struct Module {
    std::string name;  // as first loaded
    BuiltinResolver resolver = nullptr;
    void* library = nullptr;
    std::string hostPath;
    int references = 0;
};

struct ModuleTable {
    std::mutex lock;
    std::map<std::string, BuiltinResolver> builtins;
    std::map<std::string, std::unique_ptr<Module>> modules;  // by key
};
// Built-in components register from static constructors of other libraries, so
// the table is made on first use and never destroyed.
ModuleTable& Modules() {
    static ModuleTable* table = new ModuleTable;
    return *table;
}

HINSTANCE__ programInstance;

std::string BaseName(const std::string& name) {
    size_t cut = name.find_last_of("\\/");
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

// The module's key: its file name in lower case, ".dll" added when it has no
// extension (Windows does the same).
std::string ModuleKey(const std::string& name) {
    std::string key = BaseName(name);
    for (char& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (key.find('.') == std::string::npos) key += ".dll";
    return key;
}

Module* FindModule(ModuleTable& table, HMODULE handle) {
    for (auto& entry : table.modules)
        if (reinterpret_cast<HMODULE>(entry.second.get()) == handle && entry.second->references > 0)
            return entry.second.get();
    return nullptr;
}

// The program's folders to look in for a shared object: the test override
// first (it stands for the program's folder), then the executable's own.
std::vector<std::string> ModuleFolders() {
    std::vector<std::string> folders;
    std::string override = ProgramFolderOverride();
    if (!override.empty()) folders.push_back(override);
    std::string exe = ExecutablePath();
    size_t slash = exe.find_last_of('/');
    if (slash != std::string::npos) folders.push_back(slash ? exe.substr(0, slash) : "/");
    return folders;
}

// Finds "<base>.so" (any ASCII case) in the program's folders.
bool FindSharedObject(const std::string& base, std::string& hostPath) {
    for (const std::string& folder : ModuleFolders()) {
        std::string windowsFolder;
        if (!WindowsPathOf(folder, windowsFolder)) continue;
        std::string host;
        if (!HostPath((windowsFolder + "\\" + base + ".so").c_str(), host)) continue;
        if (access(host.c_str(), R_OK) == 0) {
            hostPath = host;
            return true;
        }
    }
    return false;
}

std::string WindowsFolderOfProgram() {
    std::string folder = ProgramFolderOverride();
    if (folder.empty()) {
        std::string exe = ExecutablePath();
        size_t slash = exe.find_last_of('/');
        folder = slash == std::string::npos ? "." : exe.substr(0, slash);
    }
    std::string windows;
    if (!WindowsPathOf(folder, windows)) {
        windows = Utf8ToCp932(folder);
        std::replace(windows.begin(), windows.end(), '/', '\\');
    }
    return windows;
}

// The executable's name in Windows form. A real folder that CP932 cannot spell
// is made the current directory once and the name answered relative to it.
std::string ProgramFileName() {
    std::string exe = ExecutablePath();
    std::string name = Utf8ToCp932(BaseName(exe));
    if (!ProgramFolderOverride().empty()) return WindowsFolderOfProgram() + "\\" + name;
    std::string windows;
    if (WindowsPathOf(exe, windows)) return windows;
    static std::once_flag moved;
    std::call_once(moved, [&exe] {
        size_t slash = exe.find_last_of('/');
        if (slash != std::string::npos && chdir(slash ? exe.substr(0, slash).c_str() : "/") != 0)
            std::fprintf(stderr, "kestra: cannot enter the program folder\n");
    });
    return ".\\" + name;
}

}  // namespace

void RegisterBuiltinModule(LPCSTR name, BuiltinResolver resolver) {
    if (!name || !resolver) return;
    ModuleTable& table = Modules();
    std::lock_guard<std::mutex> guard(table.lock);
    table.builtins[ModuleKey(name)] = resolver;
}

}  // namespace platform

HMODULE LoadLibraryA(LPCSTR fileName) {
    using namespace platform;
    if (!fileName || !*fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // A fault may name the module as given or by its file name alone
    // ("LoadLibraryA:Torvi.dll" also fails ".\\Torvi.dll").
    const std::string given = fileName;
    if (FaultHit("LoadLibraryA:" + given) ||
        (BaseName(given) != given && FaultHit("LoadLibraryA:" + BaseName(given)))) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    std::string key = ModuleKey(fileName);
    ModuleTable& table = Modules();
    std::lock_guard<std::mutex> guard(table.lock);
    auto found = table.modules.find(key);
    if (found != table.modules.end() && found->second->references > 0) {
        ++found->second->references;
        return reinterpret_cast<HMODULE>(found->second.get());
    }
    auto module = std::make_unique<Module>();
    module->name = BaseName(fileName);
    auto builtin = table.builtins.find(key);
    if (builtin != table.builtins.end()) {
        module->resolver = builtin->second;
    } else {
        const std::string suffix = ".dll";
        if (key.size() <= suffix.size() || key.compare(key.size() - suffix.size(), suffix.size(), suffix) != 0) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return nullptr;
        }
        std::string base = BaseName(fileName);
        size_t dot = base.find_last_of('.');
        if (dot != std::string::npos) base.resize(dot);
        std::string host;
        if (!FindSharedObject(base, host)) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return nullptr;
        }
        module->library = dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module->library) {
            // The file is there but does not load: worth telling the maintainer.
            const char* why = dlerror();
            std::fprintf(stderr, "kestra: %s: %s\n", host.c_str(), why ? why : "cannot load");
            SetLastError(ERROR_MOD_NOT_FOUND);
            return nullptr;
        }
        module->hostPath = host;
    }
    module->references = 1;
    Module* raw = module.get();
    table.modules[key] = std::move(module);
    return reinterpret_cast<HMODULE>(raw);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
    using namespace platform;
    ModuleTable& table = Modules();
    BuiltinResolver resolver = nullptr;
    void* library = nullptr;
    {
        std::lock_guard<std::mutex> guard(table.lock);
        Module* found = FindModule(table, module);
        if (!found) {
            SetLastError(module == &programInstance ? ERROR_PROC_NOT_FOUND : ERROR_INVALID_HANDLE);
            return nullptr;
        }
        resolver = found->resolver;
        library = found->library;
    }
    // Entry points are found by name only; ordinals are not supported.
    if (!procName || reinterpret_cast<uintptr_t>(procName) < 0x10000 ||
        FaultHit(std::string("GetProcAddress:") + procName)) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    FARPROC proc = nullptr;
    if (resolver) proc = resolver(procName);
    else if (library) proc = reinterpret_cast<FARPROC>(dlsym(library, procName));
    if (!proc) SetLastError(ERROR_PROC_NOT_FOUND);
    return proc;
}

BOOL FreeLibrary(HMODULE module) {
    using namespace platform;
    ModuleTable& table = Modules();
    std::lock_guard<std::mutex> guard(table.lock);
    Module* found = FindModule(table, module);
    if (!found) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (--found->references > 0) return TRUE;
    if (found->library) dlclose(found->library);
    for (auto it = table.modules.begin(); it != table.modules.end(); ++it) {
        if (it->second.get() == found) {
            table.modules.erase(it);
            break;
        }
    }
    return TRUE;
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    using namespace platform;
    if (!moduleName) return &programInstance;
    std::string key = ModuleKey(moduleName);
    if (key == ModuleKey(BaseName(ExecutablePath()))) return &programInstance;
    ModuleTable& table = Modules();
    std::lock_guard<std::mutex> guard(table.lock);
    auto found = table.modules.find(key);
    if (found == table.modules.end() || found->second->references <= 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(found->second.get());
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
    using namespace platform;
    std::string path;
    if (!module || module == &programInstance) {
        path = ProgramFileName();
    } else {
        ModuleTable& table = Modules();
        std::lock_guard<std::mutex> guard(table.lock);
        Module* found = FindModule(table, module);
        if (!found) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        if (!found->library || !WindowsPathOf(found->hostPath, path))
            path = WindowsFolderOfProgram() + "\\" + found->name;
    }
    if (!fileName || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    // Too small: the path is cut and terminated, and the full size answered.
    if (path.size() >= size) {
        std::memcpy(fileName, path.data(), size - 1);
        fileName[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(fileName, path.c_str(), path.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(path.size());
}
