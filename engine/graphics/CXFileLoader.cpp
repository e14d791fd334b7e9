// The X-file loader: the top-level walk, frames, meshes, materials, and the
// finishing of the model (arrays, bindings, the pose at time 0).
#include "engine/graphics/CXFileLoader.h"

#include <cstring>
#include <new>
#include <vector>

#include "engine/core/Kestra.h"
#include "engine/core/KestraFile.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/CMaterial.h"
#include "engine/graphics/CMesh.h"
#include "engine/graphics/CSkinMesh.h"
#include "engine/graphics/CXFileAnimation.h"
#include "engine/graphics/Kestra3D.h"
#include "platform/d3dx9/xfile_children.h"

namespace LibModel {
namespace {

// The skinning templates, as the format publishes them.
const char kSkinTemplates[] =
    "xof 0303txt 0032\n"
    "template XSkinMeshHeader {\n <3CF169CE-FF7C-44ab-93C0-F78F62D172E2>\n WORD nMaxSkinWeightsPerVertex;\n"
    " WORD nMaxSkinWeightsPerFace;\n WORD nBones;\n}\n"
    "template VertexDuplicationIndices {\n <B8D65549-D7C9-4995-89CF-53A9A8B031E3>\n DWORD nIndices;\n"
    " DWORD nOriginalVertices;\n array DWORD indices[nIndices];\n}\n"
    "template SkinWeights {\n <6F0D123B-BAD2-4167-A0D0-80224F25FABB>\n STRING transformNodeName;\n"
    " DWORD nWeights;\n array DWORD vertexIndices[nWeights];\n array FLOAT weights[nWeights];\n"
    " Matrix4x4 matrixOffset;\n}\n";

GUID IdOf(ID3DXFileData* d) {
    GUID g{};
    d->GetId(&g);
    return g;
}

// The vertices a Mesh object declares and the triangles its faces make, as
// D3DX will build them; what its data does not hold is not counted (D3DX
// refuses such a mesh unread).
uint64_t DeclaredElements(ID3DXFileData* d) {
    SIZE_T size = 0;
    const void* p = nullptr;
    if (FAILED(d->Lock(&size, &p))) return 0;
    d->Unlock();
    const auto* bytes = static_cast<const uint8_t*>(p);
    auto dword = [&](uint64_t at) {
        uint32_t v = 0;
        if (at + 4 <= size) std::memcpy(&v, bytes + at, 4);
        return v;
    };
    const uint32_t vertices = dword(0);
    uint64_t at = 4 + uint64_t(vertices) * 12;
    if (at + 4 > size) return 0;
    const uint32_t faces = dword(at);
    uint64_t elements = vertices;
    at += 4;
    for (uint32_t f = 0; f < faces && at + 4 <= size; ++f) {
        const uint32_t corners = dword(at);
        elements += corners > 2 ? corners - 2 : 0;
        at += 4 + uint64_t(corners) * 4;
    }
    return elements;
}

// A file's size once inflated: what a compressed one declares, read before
// anything is inflated.
uint64_t InflatedSize(const void* data, uint32_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (size < 20 || (std::memcmp(bytes + 8, "tzip", 4) != 0 && std::memcmp(bytes + 8, "bzip", 4) != 0)) return size;
    uint32_t total = 0;
    std::memcpy(&total, bytes + 16, 4);
    return total;
}

}  // namespace

CXFileLoader::~CXFileLoader() { Clear(); }

void CXFileLoader::Clear() {
    if (model_) model_->Release();
    model_ = nullptr;
    // The model holds its own references to the sets.
    while (CBaseObject* s = sets_.First()) {
        sets_.Remove(s);
        s->Release();
    }
    frameCount_ = meshCount_ = meshReads_ = 0;
    objects_ = values_ = meshElements_ = materials_ = 0;
}

CFrame* CXFileLoader::NewFrame() {
    if (frameCount_ >= kMaxFrames) {
        Refuse("フレーム数", kMaxFrames);
        return nullptr;
    }
    auto* frame = new (std::nothrow) CFrame;
    if (!frame) {
        Kestra::LogRed("メモリの確保に失敗");
        Kestra::LogNewLine();
        return nullptr;
    }
    ++frameCount_;
    return frame;
}

bool CXFileLoader::Refuse(const char* what, uint32_t limit) {
    if (!refused_) {
        Kestra::LogRed("モデルの読み込みを中止 [ %s ] : %sが上限 %u を超えます", source_ ? source_ : "メモリ上のデータ",
                       what, unsigned(limit));
        Kestra::LogNewLine();
    }
    refused_ = true;
    return false;
}

bool CXFileLoader::Take(uint32_t objects, uint64_t values, uint32_t tableKeys) {
    if (refused_) return false;
    objects_ += objects;
    values_ += values;
    if (objects_ > kMaxObjects) return Refuse("オブジェクト数", kMaxObjects);
    if (values_ > kMaxValues) return Refuse("数値の個数", kMaxValues);
    if (tableKeys > kMaxKeys) return Refuse("１つのキーテーブルのキー数", kMaxKeys);
    return true;
}

bool CXFileLoader::TakeTree(ID3DXFileData* data, uint32_t levels) {
    if (!Take(0, ValuesOf(data))) return false;
    return levels == 0 ||
           d3dx::ForEachChild(data, [&](ID3DXFileData* child) { return Take(1, 0) && TakeTree(child, levels - 1); });
}

bool CXFileLoader::LoadTopLevel(ID3DXFileEnumObject* enumeration) {
    SIZE_T n = 0;
    enumeration->GetChildren(&n);
    // Every top-level frame is a root, also when a frame before it copied it.
    for (SIZE_T i = 0; i < n && !refused_; ++i) {
        ID3DXFileData* child = nullptr;
        if (FAILED(enumeration->GetChild(i, &child))) continue;
        const GUID type = TypeOf(child);
        if (type == TID_D3DRMFrame) {
            if (CFrame* frame = NewFrame()) {
                if (LoadFrame(child, frame)) {
                    model_->AddRootFrame(frame);
                } else {
                    frame->Release();
                }
            }
        } else if (type == TID_D3DRMMesh) {
            // A top-level mesh goes to the first root; one that already holds a
            // mesh would drop it, so it gets a root of its own.
            CFrame* root = model_->GetRootFrame();
            if (!root || root->GetMesh()) {
                root = NewFrame();
                if (root) {
                    root->SetName("FRAME_ROOT");
                    model_->AddRootFrame(root);
                }
            }
            if (root) LoadMesh(child, root);
        } else if (type == TID_D3DRMAnimationSet) {
            // Every frame gets a slot for every set.
            if (sets_.GetCount() >= kMaxSets) {
                Refuse("アニメーションセット数", kMaxSets);
            } else if (auto* set = new (std::nothrow) AnimasionSet) {
                sets_.Add(set);
                LoadAnimationSet(child, set);
            } else {
                Kestra::LogRed("メモリの確保に失敗");
                Kestra::LogNewLine();
            }
        }
        child->Release();
    }
    return !refused_;
}

bool CXFileLoader::LoadFrame(ID3DXFileData* data, CFrame* frame) {
    const uint32_t depth = loading_ ? loading_->depth + 1 : 1;
    if (depth > kMaxDepth) return Refuse("フレームの深さ", kMaxDepth);
    char name[64];
    NameOf(data, name, sizeof name);
    frame->SetName(name[0] ? name : "NO_NAME");
    const Loading self{name, IdOf(data), depth, loading_};
    loading_ = &self;
    d3dx::ForEachChild(data, [&](ID3DXFileData* child) {
        // Each copy reads its source's children again, wanted or not.
        if (!Take(1, 0)) return false;
        const GUID type = TypeOf(child);
        // A reference places a copy of what it names here; one naming this frame or
        // a frame around it would copy the frame into itself without end.
        if (type == TID_D3DRMFrame && child->IsReference() && IsLoading(child)) return true;
        if (type == TID_D3DRMFrameTransformMatrix) {
            LoadFrameTransform(child, frame);
        } else if (type == TID_D3DRMFrame) {
            if (CFrame* sub = NewFrame()) {
                if (LoadFrame(child, sub)) {
                    frame->AddChildFrame(sub);
                } else {
                    sub->Release();
                }
            }
        } else if (type == TID_D3DRMMesh) {
            LoadMesh(child, frame);
        }
        return !refused_;
    });
    loading_ = self.outer;
    return !refused_;
}

bool CXFileLoader::IsLoading(ID3DXFileData* data) const {
    char name[64];
    NameOf(data, name, sizeof name);
    const GUID id = IdOf(data);
    for (const Loading* f = loading_; f; f = f->outer)
        if (std::strcmp(f->name, name) == 0 && f->id == id) return true;
    return false;
}

bool CXFileLoader::LoadFrameTransform(ID3DXFileData* data, CFrame* frame) {
    SIZE_T size = 0;
    const void* p = nullptr;
    if (FAILED(data->Lock(&size, &p))) return true;
    if (size == 64) frame->SetBaseMatrix(static_cast<const float*>(p));
    data->Unlock();
    return true;
}

bool CXFileLoader::LoadMesh(ID3DXFileData* data, CFrame* frame) {
    if (meshReads_ >= kMaxMeshes) return Refuse("メッシュ数", kMaxMeshes);
    ++meshReads_;
    char name[64];
    NameOf(data, name, sizeof name);
    if (!name[0]) std::strcpy(name, "NO_NAME");
    Kestra::LogBlue("<--- メッシュのロード [ %s ]", name);
    Kestra::LogNewLine();
    // All D3DX will read of it (its children, a material list's materials and
    // their textures) is taken before it reads or allocates anything.
    if (!TakeTree(data, 3)) return false;
    meshElements_ += DeclaredElements(data);
    if (meshElements_ > kMaxMeshElements) return Refuse("メッシュの頂点数と面数", kMaxMeshElements);
    uint32_t bones = 0;
    d3dx::ForEachChild(data, [&](ID3DXFileData* child) {
        bones += TypeOf(child) == DXFILEOBJ_SkinWeights;
        return true;
    });
    if (bones > kMaxBones) {
        Kestra::LogRed("１つのメッシュに使えるボーン数は %d までです", int(kMaxBones));
        Kestra::LogNewLine();
        return true;
    }
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* materials = nullptr;
    ID3DXBuffer* effects = nullptr;
    DWORD materialCount = 0;
    ID3DXSkinInfo* skin = nullptr;
    ID3DXMesh* mesh = nullptr;
    HRESULT hr = D3DXLoadSkinMeshFromXof(data, D3DXMESH_SYSTEMMEM, Kestra3D::GetDevice(), &adjacency, &materials,
                                         &effects, &materialCount, &skin, &mesh);
    if (FAILED(hr)) {
        Kestra::LogRed("メッシュのロードに失敗 [ %s ]", Kestra3D::GetErrorText(hr));
        Kestra::LogNewLine();
        return true;
    }
    CBaseMesh* model = nullptr;
    // Every material read is made, 1 for a mesh without any.
    materials_ += materialCount ? materialCount : 1;
    if (materials_ > kMaxMaterials) {
        Refuse("マテリアル数", kMaxMaterials);
    } else if (skin && skin->GetNumBones() > 0) {
        model = new (std::nothrow) CSkinMesh(vsMajor_, vsMinor_);
    } else {
        model = new (std::nothrow) CMesh(vsMajor_, vsMinor_);
    }
    if (model) {
        model->SetName(name);
        const auto* adjacent = adjacency ? static_cast<const DWORD*>(adjacency->GetBufferPointer()) : nullptr;
        if (!LoadMaterials(model, materialCount, materials) || !model->LoadMesh(mesh, skin, adjacent)) {
            model->Release();
        } else if (frame->SetMesh(model)) {
            ++meshCount_;
            Kestra::LogGreen("Complete --->");
            Kestra::LogNewLine();
        }
    }
    Kestra::SafeRelease(adjacency);
    Kestra::SafeRelease(materials);
    Kestra::SafeRelease(effects);
    Kestra::SafeRelease(skin);
    Kestra::SafeRelease(mesh);
    return !refused_;
}

bool CXFileLoader::LoadAnimationSet(ID3DXFileData* data, AnimasionSet* set) {
    return LibModel::LoadAnimationSet(data, set, this);
}

bool CXFileLoader::LoadAnimation(ID3DXFileData* data, CAnimation* animation, AnimasionSet* set) {
    return LibModel::LoadAnimation(data, animation, set, this);
}

bool CXFileLoader::LoadMaterials(CBaseMesh* mesh, uint32_t count, ID3DXBuffer* materials) {
    const auto* records = materials ? static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer()) : nullptr;
    if (!records) count = 0;
    // A mesh without a material list still draws its faces (attribute 0) with the default material.
    const uint32_t made = count ? count : 1;
    for (uint32_t i = 0; i < made; ++i) {
        auto* material = new (std::nothrow) CMaterial;
        if (!material) {
            Kestra::LogRed("メモリの確保に失敗");
            Kestra::LogNewLine();
            return false;
        }
        if (i < count) {
            D3DMATERIAL9 m = records[i].MatD3D;
            const char* file = records[i].pTextureFilename;
            if (file && file[0]) {
                const char* slash = std::strrchr(file, '\\');
                material->SetTextureName(0, slash ? slash + 1 : file);
                m.Diffuse.r = m.Diffuse.g = m.Diffuse.b = 1.0f;
            }
            m.Ambient.r = m.Diffuse.r * 0.3f;
            m.Ambient.g = m.Diffuse.g * 0.3f;
            m.Ambient.b = m.Diffuse.b * 0.3f;
            material->SetMaterial(&m);
        }
        mesh->AddChild(material);
    }
    return true;
}

bool CXFileLoader::AddNormals(ID3DXMesh** mesh) {
    if ((*mesh)->GetFVF() & D3DFVF_NORMAL) return true;
    IDirect3DDevice9* device = nullptr;
    (*mesh)->GetDevice(&device);
    ID3DXMesh* clone = nullptr;
    const HRESULT hr = (*mesh)->CloneMeshFVF((*mesh)->GetOptions(), (*mesh)->GetFVF() | D3DFVF_NORMAL, device, &clone);
    if (device) device->Release();
    if (FAILED(hr)) {
        Kestra::LogRed("メッシュのコンバートに失敗 [ %s ]", Kestra3D::GetErrorText(hr));
        Kestra::LogNewLine();
        return false;
    }
    (*mesh)->Release();
    *mesh = clone;
    D3DXComputeNormals(clone, nullptr);
    return true;
}

void CXFileLoader::BindMeshes() {
    // The frame array is in pre-order: a frame's subtree is the run of size[i]
    // frames from i on, and its children follow it one subtree after another.
    const uint32_t n = model_->GetFrameCount();
    std::vector<uint32_t> size(n, 1), parent(n, n);
    for (uint32_t i = n; i-- > 0;) {
        const CObjectList& children = model_->GetFrame(i)->GetChildFrames();
        uint32_t child = i + 1;
        for (CBaseObject* c = children.First(); c && child < n; c = children.Next(c)) {
            parent[child] = i;
            size[i] += size[child];
            child += size[child];
        }
    }
    // A skinned mesh looks for its bones in its own frame's subtree first, then in
    // each enclosing subtree outwards, then in the whole model: a copied subtree
    // binds to its own copies of the bones, not to the first frames of their names.
    std::vector<CFrame*> order;
    order.reserve(n);
    auto add = [&](uint32_t from, uint32_t to) {
        for (uint32_t k = from; k < to; ++k) order.push_back(model_->GetFrame(k));
    };
    for (uint32_t i = 0; i < n; ++i) {
        CBaseMesh* mesh = model_->GetFrame(i)->GetMesh();
        if (!mesh || !mesh->IsSkinned()) continue;
        order.clear();
        uint32_t from = i, to = i + size[i];
        add(from, to);
        for (uint32_t a = parent[i]; a < n; a = parent[a]) {
            add(a, from);
            add(to, a + size[a]);
            from = a;
            to = a + size[a];
        }
        add(0, from);
        add(to, n);
        mesh->BindFrames(order.data(), n);
    }
}

bool CXFileLoader::LoadFromFile(const char* file, uint16_t vsMajor, uint16_t vsMinor, CDeviceObjectManager* manager) {
    KestraFileHandle* handle = KestraFile::Open(file, true);
    if (!handle) {
        Kestra::LogPrint("} : ");
        Kestra::LogRed("ファイルが読み込めませんでした");
        Kestra::LogNewLine();
        return false;
    }
    const uint32_t size = KestraFile::GetSize(handle);
    std::vector<uint8_t> bytes(size);
    const uint32_t read = KestraFile::Read(handle, size, bytes.data());
    KestraFile::Close(handle);
    source_ = file;
    const bool ok = LoadFromMemory(bytes.data(), read, vsMajor, vsMinor, manager);
    source_ = nullptr;
    if (model_) {
        char path[260] = {};
        if (KestraFile::GetFilePath(path, file)) model_->SetName(path);
    }
    return ok;
}

bool CXFileLoader::LoadFromMemory(const void* data, uint32_t size, uint16_t vsMajor, uint16_t vsMinor,
                                  CDeviceObjectManager* manager) {
    vsMajor_ = vsMajor;
    vsMinor_ = vsMinor;
    refused_ = false;
    // A load answers for itself alone, refused before its first object too.
    Clear();
    if (InflatedSize(data, size) > kMaxFileBytes) return Refuse("展開後のファイルの大きさ", kMaxFileBytes);
    ID3DXFile* file = nullptr;
    ID3DXFileEnumObject* enumeration = nullptr;
    bool ok = false;
    HRESULT hr = D3DXFileCreate(&file);
    if (FAILED(hr)) {
        Kestra::LogRed("Xファイルインスタンスの作成に失敗");
        Kestra::LogNewLine();
        return false;
    }
    // The standard templates are the parser's own; the skinning set is registered here.
    hr = file->RegisterTemplates(kSkinTemplates, sizeof kSkinTemplates - 1);
    if (FAILED(hr)) {
        Kestra::LogRed("D3D8テンプレートの登録に失敗 [ %s ]", Kestra3D::GetErrorText(hr));
        Kestra::LogNewLine();
    } else {
        D3DXF_FILELOADMEMORY memory{data, size};
        hr = file->CreateEnumObject(&memory, D3DXF_FILELOAD_FROMMEMORY, &enumeration);
        if (hr == E_OUTOFMEMORY) {
            Refuse("Xファイルから読み込むデータの大きさ", kMaxFileBytes);
            enumeration = nullptr;
        } else if (FAILED(hr)) {
            Kestra::LogRed("列挙オブジェクトの作成に失敗 / ファイルがないか無効な可能性があります [ %s ]",
                           Kestra3D::GetErrorText(hr));
            Kestra::LogNewLine();
            enumeration = nullptr;
        }
    }
    if (enumeration) {
        model_ = new (std::nothrow) CModel(manager);
        ok = model_ && LoadTopLevel(enumeration);
        // A file without a frame or a mesh gives no model.
        if (ok && !model_->GetRootFrame()) {
            Kestra::LogRed("フレームがありません");
            Kestra::LogNewLine();
            ok = false;
        }
        if (ok) {
            model_->Dump();
            model_->BuildFrameArray(frameCount_);
            model_->BuildMeshArray(meshCount_);
            model_->BuildAnimationSetArray(&sets_);
            model_->BindAnimations();
            BindMeshes();
            model_->Animate(0.0f, 0.0f, 1);
            const CMatrix identity;
            model_->UpdateTransform(&identity);
        } else if (model_) {
            model_->Release();
            model_ = nullptr;
        }
    }
    Kestra::SafeRelease(enumeration);
    Kestra::SafeRelease(file);
    return ok;
}

bool CXFileLoader::GetModel(CModel** out) {
    if (!model_ || !out) return false;
    model_->AddRef();
    *out = model_;
    return true;
}

}  // namespace LibModel
