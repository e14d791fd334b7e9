// A walk over an X data object's children (objects and references), each
// released after its visit; the walk stops when the visitor says so.
#pragma once

#include "platform/d3dx9/d3dx9xof.h"

namespace d3dx {

// fn(child) answers true to go on.
template <typename Fn>
bool ForEachChild(ID3DXFileData* d, Fn fn) {
    SIZE_T n = 0;
    d->GetChildren(&n);
    for (SIZE_T i = 0; i < n; ++i) {
        ID3DXFileData* child = nullptr;
        if (FAILED(d->GetChild(i, &child))) continue;
        const bool more = fn(child);
        child->Release();
        if (!more) return false;
    }
    return true;
}

}  // namespace d3dx
