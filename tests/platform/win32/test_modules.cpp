// Modules and COM: built-in modules by name, shared objects beside the program,
// missing libraries and entry points, COM start-up and the class table.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/platform/win32/kernel_fixture.h"

using namespace kerneltest;

namespace {

class KernelModules : public KernelTest {};

INT_PTR WINAPI Answer() { return 42; }

FARPROC ResolveTestModule(LPCSTR name) {
    return std::strcmp(name, "Answer") == 0 ? reinterpret_cast<FARPROC>(&Answer) : nullptr;
}

}  // namespace

TEST_F(KernelModules, BuiltinModulesAnswerByNameInAnyCase) {
    platform::RegisterBuiltinModule("KestraTestBuiltin.dll", ResolveTestModule);
    EXPECT_EQ(GetModuleHandleA("KestraTestBuiltin.dll"), nullptr);  // registered, not loaded

    HMODULE module = LoadLibraryA("kestratestbuiltin.DLL");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(LoadLibraryA("KESTRATESTBUILTIN"), module);  // ".dll" is implied
    EXPECT_EQ(GetModuleHandleA("KestraTestBuiltin.dll"), module);
    FARPROC answer = GetProcAddress(module, "Answer");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(GetProcAddress(module, "answer"), nullptr);  // entry points keep their case
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));

    platform::InjectFault("GetProcAddress:Answer", 0, 1);
    EXPECT_EQ(GetProcAddress(module, "Answer"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_NE(GetProcAddress(module, "Answer"), nullptr);

    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetModuleHandleA("KestraTestBuiltin.dll"), module);  // one reference left
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetModuleHandleA("KestraTestBuiltin.dll"), nullptr);
    EXPECT_FALSE(FreeLibrary(module));
    EXPECT_EQ(GetProcAddress(module, "Answer"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    // A missing library as the engine sees it when its player is absent.
    platform::InjectFault("LoadLibraryA:KestraTestBuiltin.dll");
    EXPECT_EQ(LoadLibraryA("KestraTestBuiltin.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    platform::ClearFaults();
    module = LoadLibraryA("KestraTestBuiltin.dll");
    EXPECT_NE(module, nullptr);
    FreeLibrary(module);
}

TEST_F(KernelModules, MissingLibrariesFail) {
    EXPECT_EQ(LoadLibraryA("NoSuchLibrary.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryA("no\\such\\Library.dll"), nullptr);
    EXPECT_EQ(LoadLibraryA(""), nullptr);
    EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
    EXPECT_EQ(GetModuleHandleA("NoSuchLibrary.dll"), nullptr);
    // The program itself.
    HMODULE self = GetModuleHandleA(nullptr);
    EXPECT_NE(self, nullptr);
    EXPECT_EQ(GetModuleHandleA(nullptr), self);
}

TEST_F(KernelModules, SharedObjectBesideTheProgramLoadsAsADll) {
    // Any real shared object will do: the system's zlib, under a new name.
    std::string zlib;
    for (const char* candidate : {"/usr/lib/x86_64-linux-gnu/libz.so.1", "/lib/x86_64-linux-gnu/libz.so.1",
                                  "/usr/lib/libz.so.1", "/usr/lib64/libz.so.1"})
        if (testsupport::FileExists(candidate)) zlib = candidate;
    if (zlib.empty()) GTEST_SKIP() << "no libz.so.1 on this system";
    std::filesystem::create_symlink(zlib, dir_.file("Zlibtest.so"));
    platform::SetProgramFolderOverride(dir_.path());

    HMODULE module = LoadLibraryA("ZLIBTEST.dll");
    ASSERT_NE(module, nullptr);
    using VersionFn = const char* (*)();
    auto version = reinterpret_cast<VersionFn>(reinterpret_cast<void*>(GetProcAddress(module, "zlibVersion")));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version()[0], '1');
    EXPECT_EQ(GetProcAddress(module, "NotInZlib"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    char path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(module, path, sizeof path), 0u);
    EXPECT_EQ(std::string(path), WindowsForm(dir_.file("Zlibtest.so")));
    EXPECT_EQ(LoadLibraryA("zlibtest"), module);  // one module whatever the case
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(GetModuleFileNameA(module, path, sizeof path), 0u);  // freed
    // Only "<name>.dll" maps to a shared object.
    EXPECT_EQ(LoadLibraryA("Zlibtest.so"), nullptr);
}

namespace {

const CLSID kTestClass = {0x1234abcd, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};
const CLSID kMissingClass = {0x1234abcd, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 9}};

struct TestObject : IUnknown {
    ULONG references = 1;
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (iid != IID_IUnknown) return E_NOINTERFACE;
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override {
        ULONG left = --references;
        if (left == 0) delete this;
        return left;
    }
};

HRESULT CreateTestObject(REFIID iid, void** object) {
    auto* created = new TestObject;
    HRESULT hr = created->QueryInterface(iid, object);
    created->Release();
    return hr;
}

}  // namespace

TEST(KernelCom, StartUpCountsPerThreadAndModel) {
    // A thread of its own: start-up state belongs to a thread.
    std::thread([] {
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
        std::thread([] {
            EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
            CoUninitialize();
        }).join();
        CoUninitialize();
        CoUninitialize();
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        CoUninitialize();
    }).join();
}

TEST(KernelCom, CreatesRegisteredClassesOnly) {
    platform::RegisterComClass(kTestClass, CreateTestObject);
    platform::RegisterComClass(kTestClass, CreateTestObject);  // idempotent
    void* object = nullptr;
    ASSERT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), S_OK);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(static_cast<IUnknown*>(object)->Release(), 0u);

    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(kMissingClass, nullptr, CLSCTX_ALL, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    const IID otherInterface = kMissingClass;
    EXPECT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_ALL, otherInterface, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    TestObject outer;
    EXPECT_EQ(CoCreateInstance(kTestClass, &outer, CLSCTX_ALL, IID_IUnknown, &object), CLASS_E_NOAGGREGATION);

    platform::InjectFault("CoCreateInstance", 0, 1);
    EXPECT_TRUE(FAILED(CoCreateInstance(kTestClass, nullptr, CLSCTX_ALL, IID_IUnknown, &object)));
    EXPECT_EQ(object, nullptr);
    ASSERT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_ALL, IID_IUnknown, &object), S_OK);
    static_cast<IUnknown*>(object)->Release();
    platform::ClearFaults();
}
