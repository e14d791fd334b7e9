// ole32 subset: COM start-up and class creation over the platform's class table.
#pragma once

#include "platform/win32/types.h"

#define COINIT_MULTITHREADED 0x0
#define COINIT_APARTMENTTHREADED 0x2
#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_ALL 0x17
#define RPC_E_CHANGED_MODE ((HRESULT)0x80010106L)

HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit);
HRESULT CoInitialize(LPVOID reserved);
void CoUninitialize();
// Classes registered by platform components (DirectInput, DirectSound ...); any
// other class answers REGDB_E_CLASSNOTREG, as on a machine without it.
HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* object);

namespace platform {
typedef HRESULT (*ClassFactoryFn)(REFIID iid, void** object);
// Components register the classes they implement; registration is idempotent.
void RegisterComClass(REFCLSID clsid, ClassFactoryFn factory);
}  // namespace platform
