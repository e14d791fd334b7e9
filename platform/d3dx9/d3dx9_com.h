// Reference counting shared by the D3DX objects of this layer.
#pragma once

#include <atomic>

#include "platform/win32/types.h"

namespace d3dx {

template <typename Interface>
class RefCounted : public Interface {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown) {
            *object = static_cast<IUnknown*>(this);
            this->AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

private:
    std::atomic<ULONG> refs_{1};
};

}  // namespace d3dx
