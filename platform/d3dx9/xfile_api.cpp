// ID3DXFile, its enumeration objects and data objects over the reader's tree.
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/d3dx9/d3dx9_com.h"
#include "platform/d3dx9/xfile_internal.h"

#define KESTRA_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    const GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}

KESTRA_GUID(TID_D3DRMFrame, 0x3d82ab46, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
KESTRA_GUID(TID_D3DRMFrameTransformMatrix, 0xf6f23f41, 0x7686, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
KESTRA_GUID(TID_D3DRMMesh, 0x3d82ab44, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
KESTRA_GUID(TID_D3DRMMeshNormals, 0xf6f23f43, 0x7686, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
KESTRA_GUID(TID_D3DRMMeshTextureCoords, 0xf6f23f40, 0x7686, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
KESTRA_GUID(TID_D3DRMMeshVertexColors, 0x1630b821, 0x7842, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
KESTRA_GUID(TID_D3DRMMeshMaterialList, 0xf6f23f42, 0x7686, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
KESTRA_GUID(TID_D3DRMMaterial, 0x3d82ab4d, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
KESTRA_GUID(TID_D3DRMTextureFilename, 0xa42790e1, 0x7810, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
KESTRA_GUID(TID_D3DRMAnimationSet, 0x3d82ab50, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
KESTRA_GUID(TID_D3DRMAnimation, 0x3d82ab4f, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
KESTRA_GUID(TID_D3DRMAnimationKey, 0x10dd46a8, 0x775b, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
KESTRA_GUID(TID_D3DRMAnimationOptions, 0xe2bf56c0, 0x840f, 0x11cf, 0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3);
KESTRA_GUID(TID_D3DRMHeader, 0x3d82ab43, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
KESTRA_GUID(DXFILEOBJ_XSkinMeshHeader, 0x3cf169ce, 0xff7c, 0x44ab, 0x93, 0xc0, 0xf7, 0x8f, 0x62, 0xd1, 0x72, 0xe2);
KESTRA_GUID(DXFILEOBJ_VertexDuplicationIndices, 0xb8d65549, 0xd7c9, 0x4995, 0x89, 0xcf, 0x53, 0xa9, 0xa8, 0xb0, 0x31, 0xe3);
KESTRA_GUID(DXFILEOBJ_SkinWeights, 0x6f0d123b, 0xbad2, 0x4167, 0xa0, 0xd0, 0x80, 0x22, 0x4f, 0x25, 0xfa, 0xbb);
KESTRA_GUID(DXFILEOBJ_AnimTicksPerSecond, 0x9e415a43, 0x7ba6, 0x4a73, 0x87, 0x43, 0xb7, 0x3d, 0x47, 0xe8, 0x84, 0x76);
KESTRA_GUID(DXFILEOBJ_FVFData, 0xb6e70a0e, 0x8ef9, 0x4e83, 0x94, 0xad, 0xec, 0xc8, 0xb0, 0xc0, 0x48, 0x97);
KESTRA_GUID(DXFILEOBJ_DeclData, 0xbf22e553, 0x292c, 0x4781, 0x9f, 0xea, 0x62, 0xbd, 0x55, 0x4b, 0xdd, 0x93);

namespace {

using xfile::Data;
using xfile::Document;
using xfile::Registry;

class FileImpl;
class EnumImpl;

class DataImpl final : public d3dx::RefCounted<ID3DXFileData> {
public:
    DataImpl(std::shared_ptr<Document> doc, Data* data, bool reference, ID3DXFileEnumObject* owner)
        : doc_(std::move(doc)), data_(data), reference_(reference), owner_(owner) {
        owner_->AddRef();
    }
    ~DataImpl() override { owner_->Release(); }

    HRESULT GetEnum(ID3DXFileEnumObject** out) override {
        if (!out) return E_POINTER;
        owner_->AddRef();
        *out = owner_;
        return S_OK;
    }
    HRESULT GetName(LPSTR name, SIZE_T* size) override {
        if (!size) return E_POINTER;
        const SIZE_T need = data_->name.size() + 1;
        if (!name) {
            *size = need;
            return S_OK;
        }
        if (*size < need) return E_INVALIDARG;
        std::memcpy(name, data_->name.c_str(), need);
        *size = need;
        return S_OK;
    }
    HRESULT GetId(GUID* id) override {
        if (!id) return E_POINTER;
        *id = data_->id;
        return S_OK;
    }
    HRESULT Lock(SIZE_T* size, const void** data) override {
        if (!size || !data) return E_POINTER;
        *size = data_->bytes.size();
        *data = data_->bytes.data();
        return S_OK;
    }
    HRESULT Unlock() override { return S_OK; }
    HRESULT GetType(GUID* type) override {
        if (!type) return E_POINTER;
        *type = data_->type;
        return S_OK;
    }
    BOOL IsReference() override { return reference_ ? 1 : 0; }
    HRESULT GetChildren(SIZE_T* count) override {
        if (!count) return E_POINTER;
        *count = data_->children.size();
        return S_OK;
    }
    HRESULT GetChild(SIZE_T i, ID3DXFileData** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (i >= data_->children.size()) return E_INVALIDARG;
        const xfile::Child& c = data_->children[i];
        *out = new DataImpl(doc_, c.data, c.reference, owner_);
        return S_OK;
    }

private:
    std::shared_ptr<Document> doc_;
    Data* data_;
    bool reference_;
    ID3DXFileEnumObject* owner_;
};

class EnumImpl final : public d3dx::RefCounted<ID3DXFileEnumObject> {
public:
    EnumImpl(ID3DXFile* file, std::shared_ptr<Document> doc) : file_(file), doc_(std::move(doc)) { file_->AddRef(); }
    ~EnumImpl() override { file_->Release(); }

    HRESULT GetFile(ID3DXFile** out) override {
        if (!out) return E_POINTER;
        file_->AddRef();
        *out = file_;
        return S_OK;
    }
    HRESULT GetChildren(SIZE_T* count) override {
        if (!count) return E_POINTER;
        *count = doc_->top.size();
        return S_OK;
    }
    HRESULT GetChild(SIZE_T i, ID3DXFileData** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (i >= doc_->top.size()) return E_INVALIDARG;
        *out = new DataImpl(doc_, doc_->top[i], false, this);
        return S_OK;
    }
    HRESULT GetDataObjectByName(LPCSTR name, ID3DXFileData** out) override {
        if (!name || !out) return E_POINTER;
        *out = nullptr;
        for (const auto& o : doc_->objects)
            if (o->name == name) {
                *out = new DataImpl(doc_, o.get(), false, this);
                return S_OK;
            }
        return D3DXFERR_NOTFOUND;
    }

private:
    ID3DXFile* file_;
    std::shared_ptr<Document> doc_;
};

bool ReadWholeFile(const char* path, std::vector<uint8_t>* out) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out->insert(out->end(), buf, buf + n);
    std::fclose(f);
    return true;
}

class FileImpl final : public d3dx::RefCounted<ID3DXFile> {
public:
    HRESULT CreateEnumObject(LPCVOID source, D3DXF_FILELOADOPTIONS options, ID3DXFileEnumObject** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!source) return E_POINTER;
        std::vector<uint8_t> file;
        const uint8_t* p = nullptr;
        size_t n = 0;
        if (options == D3DXF_FILELOAD_FROMMEMORY) {
            const auto* mem = static_cast<const D3DXF_FILELOADMEMORY*>(source);
            p = static_cast<const uint8_t*>(mem->lpMemory);
            n = mem->dSize;
        } else if (options == D3DXF_FILELOAD_FROMFILE) {
            if (!ReadWholeFile(static_cast<const char*>(source), &file)) return D3DXFERR_FILENOTFOUND;
            p = file.data();
            n = file.size();
        } else {
            return E_NOTIMPL;
        }
        // Templates a file declares stay with that file.
        auto doc = std::make_shared<Document>();
        doc->registry = std::make_shared<Registry>(*registry_);
        if (HRESULT hr = xfile::Parse(p, n, *doc->registry, doc.get()); FAILED(hr)) return hr;
        *out = new EnumImpl(this, std::move(doc));
        return S_OK;
    }
    HRESULT RegisterTemplates(LPCVOID data, SIZE_T size) override {
        if (!data) return E_POINTER;
        Registry copy(*registry_);
        if (HRESULT hr = xfile::Parse(static_cast<const uint8_t*>(data), size, copy, nullptr); FAILED(hr)) return hr;
        *registry_ = copy;
        return S_OK;
    }

private:
    std::shared_ptr<Registry> registry_ = std::make_shared<Registry>();
};

}  // namespace

HRESULT WINAPI D3DXFileCreate(ID3DXFile** out) {
    if (!out) return E_POINTER;
    *out = new FileImpl;
    return S_OK;
}
