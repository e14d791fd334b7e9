// Reference counts of COM-style objects, for tables of calls that hand objects out.
#pragma once

#include "platform/win32/types.h"

namespace testsupport {

// An out-parameter of any interface.
template <class T>
T** Out(void** o) {
    return reinterpret_cast<T**>(o);
}

// An object's count as it stands: one reference taken and given back.
inline ULONG RefCount(IUnknown* o) {
    o->AddRef();
    return o->Release();
}

}  // namespace testsupport
