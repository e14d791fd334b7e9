// The life every manager module shares: one manager made at start and deleted at
// finish under the module's lock, with the device-loss walk forwarded to it.
#pragma once

#include <new>

#include "engine/core/CCriticalSection.h"
#include "engine/core/KestraLog.h"
#include "engine/graphics/Kestra3D.h"

template <class Manager>
class KestraManagerModule {
public:
    // The headlines are the module's own texts ("KestraTextureクラスの初期化" ...).
    KestraManagerModule(const char* startHeadline, const char* finishHeadline)
        : startHeadline_(startHeadline), finishHeadline_(finishHeadline) {}
    KestraManagerModule(const KestraManagerModule&) = delete;
    KestraManagerModule& operator=(const KestraManagerModule&) = delete;

    CCriticalSection& Lock() { return lock_; }
    Manager* Get() const { return manager_; }
    bool IsStarted() const { return manager_ != nullptr; }

    bool Start() {
        Kestra::LogHeadline("%s", startHeadline_);
        CCriticalSectionLock hold(lock_);
        if (manager_) return true;
        manager_ = new (std::nothrow) Manager(Kestra3D::GetDevice());
        return manager_ != nullptr;
    }

    // Tolerates a module that never started.
    void Finish() {
        CCriticalSectionLock hold(lock_);
        if (!manager_) return;
        Kestra::LogHeadline("%s", finishHeadline_);
        delete manager_;
        manager_ = nullptr;
    }

    // A create operation of the manager under the lock; null while not started.
    template <class Fn>
    auto Create(Fn&& create) -> decltype(create(static_cast<Manager*>(nullptr))) {
        CCriticalSectionLock hold(lock_);
        return manager_ ? create(manager_) : nullptr;
    }

    // One reference of the object dropped under the lock; null is ignored.
    template <class T>
    void Release(T* object) {
        if (!object) return;
        CCriticalSectionLock hold(lock_);
        object->Release();
    }

    void OnLostDevice() {
        CCriticalSectionLock hold(lock_);
        if (manager_) manager_->OnLostDevice();
    }

    void OnResetDevice() {
        CCriticalSectionLock hold(lock_);
        if (manager_) manager_->OnResetDevice();
    }

private:
    CCriticalSection lock_;
    Manager* manager_ = nullptr;
    const char* startHeadline_;
    const char* finishHeadline_;
};
