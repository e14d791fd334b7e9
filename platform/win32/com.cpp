// COM start-up per thread and object creation over the platform's class table.
#include <mutex>
#include <vector>

#include "platform/win32/ole.h"
#include "platform/win32/testing.h"

namespace platform {

namespace {

struct ComClass {
    CLSID clsid;
    ClassFactoryFn factory;
};

struct ClassTable {
    std::mutex lock;
    std::vector<ComClass> classes;
};
// Components register from static constructors of other libraries: the table
// is made on first use and never destroyed.
ClassTable& Classes() {
    static ClassTable* table = new ClassTable;
    return *table;
}

// Per thread: how often COM was started, and in which apartment model.
thread_local int initCount = 0;
thread_local DWORD initModel = 0;

}  // namespace

void RegisterComClass(REFCLSID clsid, ClassFactoryFn factory) {
    if (!factory) return;
    ClassTable& table = Classes();
    std::lock_guard<std::mutex> guard(table.lock);
    for (ComClass& entry : table.classes) {
        if (entry.clsid == clsid) {
            entry.factory = factory;
            return;
        }
    }
    table.classes.push_back(ComClass{clsid, factory});
}

}  // namespace platform

HRESULT CoInitializeEx(LPVOID, DWORD coInit) {
    DWORD model = coInit & COINIT_APARTMENTTHREADED;
    if (platform::initCount > 0) {
        if (model != platform::initModel) return RPC_E_CHANGED_MODE;
        ++platform::initCount;
        return S_FALSE;
    }
    platform::initCount = 1;
    platform::initModel = model;
    return S_OK;
}

HRESULT CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

void CoUninitialize() {
    if (platform::initCount > 0) --platform::initCount;
}

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD, REFIID iid, LPVOID* object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (platform::FaultHit("CoCreateInstance")) return REGDB_E_CLASSNOTREG;
    platform::ClassFactoryFn factory = nullptr;
    {
        platform::ClassTable& table = platform::Classes();
        std::lock_guard<std::mutex> guard(table.lock);
        for (const platform::ComClass& entry : table.classes)
            if (entry.clsid == clsid) factory = entry.factory;
    }
    if (!factory) return REGDB_E_CLASSNOTREG;
    HRESULT hr = factory(iid, object);
    if (FAILED(hr)) *object = nullptr;
    return hr;
}
