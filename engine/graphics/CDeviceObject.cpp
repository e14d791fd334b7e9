#include "engine/graphics/CDeviceObject.h"

#include <cstring>
#include <vector>

#include "engine/graphics/CSurface.h"

namespace {

struct ErrorText {
    uint32_t code;
    const char* text;
};

const ErrorText kErrorTexts[] = {
    {0x00000000, "エラーは発生していない。"},
    {0x80004005, "Direct3D サブシステム内で原因不明のエラーが発生した。"},
    {0x8007000E, "Direct3D が呼び出しを完了するための十分なメモリを割り当てることができなかった。"},
    {0x80070057, "無効なパラメータが戻ってくる関数に渡された。"},
    {0x8876017C, "Direct3D が処理を行うのに十分なディスプレイ メモリがない。"},
    {0x88760818, "テクスチャ サーフェスのピクセル フォーマットが有効でない。"},
    {0x88760819, "カラー値に対して指定されているテクスチャ ブレンディング処理を、デバイスがサポートしていない。"},
    {0x8876081A, "カラー値に対して指定されているテクスチャ ブレンディング引数を、デバイスがサポートしていない。"},
    {0x8876081B, "アルファ チャネルに対して指定されているテクスチャ ブレンディング処理を、デバイスがサポートしていない。"},
    {0x8876081C, "アルファ チャネルに対して指定されているテクスチャ ブレンディング引数を、デバイスがサポートしていない。"},
    {0x8876081D, "デバイスがサポートしている以上のテクスチャ フィルタリング処理を、アプリケーションが要求している。"},
    {0x8876081E, "現在のテクスチャ フィルタは一緒に使用できない。"},
    {0x8876081F, "デバイスが指定されたテクスチャ係数値をサポートしていない。"},
    {0x88760821, "現在設定されているレンダリング ステートは一緒に使用できない。"},
    {0x88760822, "デバイスが指定されたテクスチャ フィルタをサポートしていない。"},
    {0x88760826, "現在のテクスチャは同時に使用できない。一般にマルチテクスチャ デバイスにおいて、同時に有効にされたパレット化テクスチャで同じパレットを共有する必要がある場合に発生する。"},
    {0x88760827, "内部ドライバ エラー。"},
    {0x88760866, "要求された項目が見つからなかった。"},
    {0x88760867, "指定されたバッファ サイズに保持できる以上のデータが存在する。"},
    {0x88760868, "デバイスが失われていて、現時点では復元できないため、レンダリングは不可能である。"},
    {0x88760869, "デバイスはリセットできない。"},
    {0x8876086A, "このデバイスは、照会されたテクニックをサポートしていない。"},
    {0x8876086B, "要求されたデバイスの種類が有効でない。"},
    {0x8876086C, "メソッドの呼び出しが無効である。たとえば、メソッドのパラメータに無効な値が設定されている場合など。"},
    {0x88760B54, "インデックス バッファを変更できない。 "},
    {0x88760B55, "メッシュが無効である。 "},
    {0x88760B56, "最適化テクニックとして属性のソート (D3DXMESHOPT_ATTRSORT) はサポートされていない。 "},
    {0x88760B57, "スキニングはサポートされていない。 "},
    {0x88760B58, "指定された影響が多すぎる。 "},
    {0x88760B59, "データが無効である。"},
};

char g_errorBuffer[256];

}  // namespace

namespace Kestra {
const char* GetDirect3DErrorText(HRESULT code) {
    for (const ErrorText& e : kErrorTexts)
        if (e.code == static_cast<uint32_t>(code)) return e.text;
    return "未知のエラー。";
}
}  // namespace Kestra

// ---- CDeviceObject

CDeviceObject::CDeviceObject(CDeviceObjectManager* manager) : manager_(manager) {
    if (manager_) {
        manager_->Add(this);
        manager_->AddRef();
    }
}

CDeviceObject::~CDeviceObject() {
    if (manager_) {
        manager_->Remove(this);
        manager_->Release();
        manager_ = nullptr;
    }
}

HRESULT CDeviceObject::SetTexture(DWORD stage, CSurfaceBase* texture) {
    IDirect3DDevice9* device = GetDevice();
    if (!device) return D3DERR_INVALIDCALL;
    if (!texture) return device->SetTexture(stage, nullptr);
    IDirect3DTexture9* d3dTexture = nullptr;
    texture->GetTexture(&d3dTexture);
    const HRESULT hr = device->SetTexture(stage, d3dTexture);
    if (d3dTexture) d3dTexture->Release();
    return hr;
}

const char* CDeviceObject::GetErrorText(HRESULT code) {
    std::strncpy(g_errorBuffer, Kestra::GetDirect3DErrorText(code), sizeof(g_errorBuffer) - 1);
    g_errorBuffer[sizeof(g_errorBuffer) - 1] = '\0';
    return g_errorBuffer;
}

IDirect3DDevice9* CDeviceObject::GetDevice() { return manager_ ? manager_->GetDeviceRaw() : nullptr; }

HWND CDeviceObject::GetFocusWindow() { return manager_ ? manager_->GetFocusWindow() : nullptr; }

// ---- CDeviceObjectManager

CDeviceObjectManager::CDeviceObjectManager(IDirect3DDevice9* device) : device_(device) {
    if (device_) device_->AddRef();
}

CDeviceObjectManager::~CDeviceObjectManager() {
    // One reference of each object listed now. Releasing one may destroy others
    // (its children), so each is looked up again before it is touched.
    std::vector<CBaseObject*> pending;
    for (CBaseObject* o = First(); o; o = Next(o)) pending.push_back(o);
    for (CBaseObject* object : pending) {
        bool listed = false;
        for (CBaseObject* o = First(); o; o = Next(o)) {
            if (o == object) {
                listed = true;
                break;
            }
        }
        if (listed) object->Release();
    }
    // Survivors held elsewhere no longer have a manager to return to.
    while (CBaseObject* survivor = First()) {
        Remove(survivor);
        static_cast<CDeviceObject*>(survivor)->manager_ = nullptr;
    }
    if (device_) device_->Release();
    device_ = nullptr;
}

bool CDeviceObjectManager::GetDevice(IDirect3DDevice9** out) {
    if (!out) return false;
    *out = device_;
    if (!device_) return false;
    device_->AddRef();
    return true;
}

CBaseObject* CDeviceObjectManager::FindNamed(const char* name) {
    if (!name) return nullptr;
    for (CBaseObject* o = First(); o; o = Next(o)) {
        if (SameName(o->GetName(), name)) {
            o->AddRef();
            return o;
        }
    }
    return nullptr;
}

HWND CDeviceObjectManager::GetFocusWindow() {
    if (!device_) return nullptr;
    D3DDEVICE_CREATION_PARAMETERS params{};
    if (FAILED(device_->GetCreationParameters(&params))) return nullptr;
    return params.hFocusWindow;
}

// ---- CRestoreManager

void CRestoreManager::OnLostDevice() {
    for (CBaseObject* o = First(); o; o = Next(o)) static_cast<CDeviceObject*>(o)->OnLostDevice();
}

void CRestoreManager::OnResetDevice() {
    for (CBaseObject* o = First(); o; o = Next(o)) static_cast<CDeviceObject*>(o)->OnResetDevice();
}

// ---- 2-D managers

CObject2D::CObject2D(CObject2DManager* manager) : CDeviceObject(manager) {}

void CObject2DManager::SetClipRect(const RECT* rect) {
    for (CBaseObject* o = First(); o; o = Next(o)) static_cast<CObject2D*>(o)->SetClipRect(rect);
}

void CObject2DManager::SetScaling(bool enable, float centerX, float centerY, float scale) {
    for (CBaseObject* o = First(); o; o = Next(o))
        static_cast<CObject2D*>(o)->SetScaling(enable, centerX, centerY, scale);
}

void CObject2DManager::SetPerspective(bool enable, float centerX, float centerY, float strength) {
    for (CBaseObject* o = First(); o; o = Next(o))
        static_cast<CObject2D*>(o)->SetPerspective(enable, centerX, centerY, strength);
}
