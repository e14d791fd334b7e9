// Device objects and the manager bases: every object that lives on the device
// sits in its manager's list from construction to destruction; the manager hands
// out the device and walks its list when the device is lost and reset.
#pragma once

#include <cstdint>
#include <new>

#include "engine/core/KestraLog.h"
#include "engine/graphics/CBaseObject.h"
#include "platform/d3d9/d3d9.h"

class CDeviceObjectManager;
class CSurfaceBase;
class CObject2DManager;

namespace Kestra {
// The text of a Direct3D or D3DX result code ("未知のエラー。" for any other).
const char* GetDirect3DErrorText(HRESULT code);
}  // namespace Kestra

class CDeviceObject : public CBaseObject {
public:
    // Lists the object in the manager and takes a reference to it (null: neither).
    explicit CDeviceObject(CDeviceObjectManager* manager);
    ~CDeviceObject() override;

    // Release what lives in the default pool / re-create it.
    virtual void OnLostDevice() = 0;
    virtual void OnResetDevice() = 0;
    // Binds the texture's Direct3D texture to the stage of the owner's device;
    // null unbinds it.
    virtual HRESULT SetTexture(DWORD stage, CSurfaceBase* texture);
    // The code's text, in a buffer that the next call overwrites.
    virtual const char* GetErrorText(HRESULT code);
    // The owner's device without a reference; null once the manager is gone.
    virtual IDirect3DDevice9* GetDevice();
    virtual HWND GetFocusWindow();

    CDeviceObjectManager* GetManager() const { return manager_; }

private:
    friend class CDeviceObjectManager;
    CDeviceObjectManager* manager_;
};

class CDeviceObjectManager : public CObjectList {
public:
    // Takes its own reference to the device (which may be null).
    explicit CDeviceObjectManager(IDirect3DDevice9* device);
    // Releases one reference of every listed object; objects still held elsewhere
    // are detached and live on without a manager. Then lets go of the device.
    ~CDeviceObjectManager() override;

    // False without a device; else the device with a reference added.
    virtual bool GetDevice(IDirect3DDevice9** out);
    virtual IDirect3DDevice9* GetDeviceRaw() { return device_; }
    virtual HWND GetFocusWindow();
    virtual void OnLostDevice() {}
    virtual void OnResetDevice() {}

protected:
    // The first listed object named `name` (ASCII letters' case ignored, two-byte
    // characters compared whole), with a reference added; null when none is.
    CBaseObject* FindNamed(const char* name);

    // The create pattern shared by the managers: the object is already constructed
    // (and listed); `create` runs its own create operation. With a class name the
    // name is logged in blue first and the outcome after it; without, the object
    // logs for itself. The line is ended either way. Success names the object (when
    // a name is given) and answers it; failure releases it and answers null.
    template <class T, class CreateFn>
    static T* FinishCreate(T* object, const char* className, CreateFn&& create, const char* name) {
        if (!object) return nullptr;
        if (className) Kestra::LogBlue("%s", className);
        const bool ok = create(object);
        if (ok) {
            if (className) Kestra::LogGreen("Success!");
            Kestra::LogNewLine();
            if (name) object->SetName(name);
            return object;
        }
        if (className) Kestra::LogRed("Failed!");
        Kestra::LogNewLine();
        object->Release();
        return nullptr;
    }

private:
    IDirect3DDevice9* device_;
};

// Replaces the lost and reset hooks by walks over the listed objects.
class CRestoreManager : public CDeviceObjectManager {
public:
    explicit CRestoreManager(IDirect3DDevice9* device) : CDeviceObjectManager(device) {}
    void OnLostDevice() override;
    void OnResetDevice() override;
};

// What a 2-D manager passes on to every object it lists.
class CObject2D : public CDeviceObject {
public:
    explicit CObject2D(CObject2DManager* manager);
    virtual void SetClipRect(const RECT* rect) = 0;
    virtual void SetPerspective(bool enable, float centerX, float centerY, float strength) = 0;
    virtual void SetScaling(bool enable, float centerX, float centerY, float scale) = 0;
};

// Base of the managers of 2-D primitives, sprites, lines and points; every
// object they list is a CObject2D.
class CObject2DManager : public CRestoreManager {
public:
    explicit CObject2DManager(IDirect3DDevice9* device) : CRestoreManager(device) {}
    virtual void SetClipRect(const RECT* rect);
    virtual void SetScaling(bool enable, float centerX, float centerY, float scale);
    virtual void SetPerspective(bool enable, float centerX, float centerY, float strength);
};

// Base of the managers of 3-D primitives, sprites, lines and points.
class CObject3DManager : public CRestoreManager {
public:
    explicit CObject3DManager(IDirect3DDevice9* device) : CRestoreManager(device) {}
};
