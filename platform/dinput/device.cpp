// What every DirectInput device shares: data formats, cooperative levels,
// acquisition, buffered data and properties. The keyboard and the joysticks add
// their objects and values.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/dinput/dinput_internal.h"
#include "platform/win32/kernel.h"
#include "platform/win32/testing.h"
#include "platform/win32/user.h"

namespace platform::dinput {
namespace {

// DIDEVICEOBJECTDATA as DirectX 3 knew it (without uAppData).
constexpr DWORD kObjectDataSizeDx3 = 4 * sizeof(DWORD);
constexpr DWORD kDevCapsSizeDx3 = 6 * sizeof(DWORD);
constexpr DWORD kDeviceInstanceSizeDx3 = offsetof(DIDEVICEINSTANCEA, guidFFDriver);
constexpr DWORD kObjectInstanceSizeDx3 = offsetof(DIDEVICEOBJECTINSTANCEA, dwFFMaxForce);
// Formats larger than this are refused rather than allocated on a caller's word.
constexpr DWORD kMaxDataSize = 1u << 20;

bool Same(REFDIPROP a, REFDIPROP b) { return a == b; }

}  // namespace

Device::Device(std::string tag) : tag_(std::move(tag)) { RegisterDevice(this); }

Device::~Device() { UnregisterDevice(this); }

HRESULT Device::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDirectInputDevice8A) return E_NOINTERFACE;
    AddRef();
    *object = static_cast<IDirectInputDevice8A*>(this);
    return S_OK;
}

ULONG Device::AddRef() { return ++references_; }

ULONG Device::Release() {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

bool Device::Fault(const char* method) const {
    std::string name = std::string("IDirectInputDevice8::") + method;
    return platform::FaultHit(name) || platform::FaultHit(name + ":" + tag_);
}

bool Device::WindowActiveForDevice() const { return !foreground() || WindowActive(window_); }

void Device::LoseAcquisition() {
    if (!acquired_) return;
    acquired_ = false;
    inputLost_ = true;
    buffer_.clear();
    overflowed_ = false;
}

void Device::PushEvent(size_t index, DWORD data) {
    if (!acquired_ || bufferSize_ == 0 || index >= offsets_.size() || offsets_[index] < 0) return;
    // A full buffer keeps the newest events and reports the loss on the next read.
    while (buffer_.size() >= bufferSize_) {
        buffer_.pop_front();
        overflowed_ = true;
    }
    DIDEVICEOBJECTDATA event{};
    event.dwOfs = static_cast<DWORD>(offsets_[index]);
    event.dwData = data;
    event.dwTimeStamp = GetTickCount();
    event.dwSequence = NextSequence();
    event.uAppData = 0;
    buffer_.push_back(event);
}

// ---- Description

HRESULT Device::GetCapabilities(LPDIDEVCAPS caps) {
    if (!caps || (caps->dwSize != sizeof(DIDEVCAPS) && caps->dwSize != kDevCapsSizeDx3)) return DIERR_INVALIDPARAM;
    DIDEVCAPS full{};
    full.dwSize = caps->dwSize;
    full.dwFlags = CapabilityFlags() | (Attached() ? DIDC_ATTACHED : 0);
    DIDEVICEINSTANCEA info{};
    DescribeDevice(info);
    full.dwDevType = info.dwDevType;
    for (const DeviceObject& o : objects_) {
        if (IsAxis(o)) ++full.dwAxes;
        if (IsButton(o)) ++full.dwButtons;
        if (IsPov(o)) ++full.dwPOVs;
    }
    std::memcpy(caps, &full, caps->dwSize);
    return DI_OK;
}

HRESULT Device::GetDeviceInfo(LPDIDEVICEINSTANCEA info) {
    if (!info || (info->dwSize != sizeof(DIDEVICEINSTANCEA) && info->dwSize != kDeviceInstanceSizeDx3))
        return DIERR_INVALIDPARAM;
    DIDEVICEINSTANCEA full{};
    DescribeDevice(full);
    full.dwSize = info->dwSize;
    std::memcpy(info, &full, info->dwSize);
    return DI_OK;
}

void Device::DescribeObject(size_t index, DIDEVICEOBJECTINSTANCEA& info) const {
    const DeviceObject& o = objects_[index];
    info = DIDEVICEOBJECTINSTANCEA{};
    info.dwSize = sizeof(DIDEVICEOBJECTINSTANCEA);
    info.guidType = o.guid;
    info.dwOfs = hasFormat_ && offsets_[index] >= 0 ? static_cast<DWORD>(offsets_[index]) : 0;
    info.dwType = o.type;
    info.dwFlags = o.flags;
    std::snprintf(info.tszName, sizeof info.tszName, "%s", o.name.c_str());
}

HRESULT Device::EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID ref, DWORD flags) {
    if (!callback) return DIERR_INVALIDPARAM;
    const DWORD kinds = DIDFT_GETTYPE(flags) & (DIDFT_AXIS | DIDFT_BUTTON | DIDFT_POV | DIDFT_COLLECTION | DIDFT_NODATA);
    // Attributes none of these controls have (force feedback, output, aliases).
    const DWORD attributes = DIDFT_FFACTUATOR | DIDFT_FFEFFECTTRIGGER | DIDFT_OUTPUT | DIDFT_VENDORDEFINED | DIDFT_ALIAS;
    if (flags & attributes) return DI_OK;
    // The callback may release the device; it stays alive until the walk ends.
    AddRef();
    const size_t count = objects_.size();
    for (size_t i = 0; i < count; ++i) {
        if (kinds && !(objects_[i].type & kinds)) continue;
        DIDEVICEOBJECTINSTANCEA info;
        DescribeObject(i, info);
        if (callback(&info, ref) == DIENUM_STOP) break;
    }
    Release();
    return DI_OK;
}

int Device::FindObject(DWORD object, DWORD how) const {
    for (size_t i = 0; i < objects_.size(); ++i) {
        const DeviceObject& o = objects_[i];
        if (how == DIPH_BYOFFSET) {
            if (hasFormat_ && offsets_[i] >= 0 && static_cast<DWORD>(offsets_[i]) == object) return static_cast<int>(i);
        } else if (how == DIPH_BYID) {
            if (InstanceOf(o.type) == InstanceOf(object) && (DIDFT_GETTYPE(object) & DIDFT_GETTYPE(o.type)))
                return static_cast<int>(i);
        }
    }
    return -1;
}

HRESULT Device::GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA info, DWORD object, DWORD how) {
    if (!info || (info->dwSize != sizeof(DIDEVICEOBJECTINSTANCEA) && info->dwSize != kObjectInstanceSizeDx3))
        return DIERR_INVALIDPARAM;
    if (how != DIPH_BYOFFSET && how != DIPH_BYID) return DIERR_INVALIDPARAM;
    int index = FindObject(object, how);
    if (index < 0) return DIERR_OBJECTNOTFOUND;
    DWORD size = info->dwSize;
    DIDEVICEOBJECTINSTANCEA full;
    DescribeObject(static_cast<size_t>(index), full);
    full.dwSize = size;
    std::memcpy(info, &full, size);
    return DI_OK;
}

// ---- Set-up

HRESULT Device::SetDataFormat(LPCDIDATAFORMAT format) {
    if (!format) return DIERR_INVALIDPARAM;
    if (acquired_) return DIERR_ACQUIRED;
    if (Fault("SetDataFormat")) return DIERR_GENERIC;
    if (format->dwSize != sizeof(DIDATAFORMAT) || format->dwObjSize != sizeof(DIOBJECTDATAFORMAT) ||
        format->dwDataSize == 0 || format->dwDataSize % 4 != 0 || format->dwDataSize > kMaxDataSize ||
        (format->dwNumObjs && !format->rgodf))
        return DIERR_INVALIDPARAM;

    std::vector<long> offsets(objects_.size(), -1);
    std::vector<DWORD> absentPovs;
    for (DWORD k = 0; k < format->dwNumObjs; ++k) {
        const DIOBJECTDATAFORMAT& want = format->rgodf[k];
        const DWORD kinds = DIDFT_GETTYPE(want.dwType) & (DIDFT_AXIS | DIDFT_BUTTON | DIDFT_POV);
        const WORD instance = InstanceOf(want.dwType);
        const bool anyInstance = instance == 0xFFFF;
        const DWORD aspect = want.dwFlags & DIDOI_ASPECTMASK;
        if (want.dwOfs >= format->dwDataSize) return DIERR_INVALIDPARAM;
        int match = -1;
        for (size_t i = 0; i < objects_.size() && match < 0; ++i) {
            const DeviceObject& o = objects_[i];
            if (offsets[i] >= 0) continue;
            if (kinds && !(o.type & kinds)) continue;
            if (want.pguid && *want.pguid != o.guid) continue;
            if (!anyInstance && InstanceOf(o.type) != instance) continue;
            if (aspect && aspect != (o.flags & DIDOI_ASPECTMASK)) continue;
            match = static_cast<int>(i);
        }
        if (match < 0) {
            if (!(want.dwType & DIDFT_OPTIONAL)) return DIERR_INVALIDPARAM;
            // A hat the device lacks reads as centred, never as pushed north.
            if (kinds == DIDFT_POV && want.dwOfs % 4 == 0 && want.dwOfs + 4 <= format->dwDataSize)
                absentPovs.push_back(want.dwOfs);
            continue;
        }
        const DWORD width = IsButton(objects_[match]) ? 1 : 4;
        if (want.dwOfs + width > format->dwDataSize || want.dwOfs % width != 0) return DIERR_INVALIDPARAM;
        offsets[match] = static_cast<long>(want.dwOfs);
    }
    offsets_ = std::move(offsets);
    absentPovOffsets_ = std::move(absentPovs);
    dataSize_ = format->dwDataSize;
    hasFormat_ = true;
    buffer_.clear();
    overflowed_ = false;
    return DI_OK;
}

HRESULT Device::SetCooperativeLevel(HWND window, DWORD flags) {
    const bool exclusive = (flags & DISCL_EXCLUSIVE) != 0;
    const bool nonExclusive = (flags & DISCL_NONEXCLUSIVE) != 0;
    const bool foregroundFlag = (flags & DISCL_FOREGROUND) != 0;
    const bool background = (flags & DISCL_BACKGROUND) != 0;
    if (exclusive == nonExclusive || foregroundFlag == background) return DIERR_INVALIDPARAM;
    if (flags & ~(DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND | DISCL_NOWINKEY))
        return DIERR_INVALIDPARAM;
    if (!window && (exclusive || foregroundFlag)) return DIERR_INVALIDPARAM;
    if (window && !IsWindow(window)) return DIERR_INVALIDPARAM;
    // The keyboard cannot be held exclusively while the program is in the background.
    if (IsKeyboard() && exclusive && background) return DIERR_UNSUPPORTED;
    if (acquired_) return DIERR_ACQUIRED;
    if (Fault("SetCooperativeLevel")) return DIERR_GENERIC;
    window_ = window;
    cooperation_ = flags;
    return DI_OK;
}

HRESULT Device::GetProperty(REFDIPROP property, LPDIPROPHEADER header) {
    if (!header || header->dwHeaderSize != sizeof(DIPROPHEADER)) return DIERR_INVALIDPARAM;
    if (Fault("GetProperty")) return DIERR_GENERIC;
    const bool dwordProperty =
        Same(property, DIPROP_BUFFERSIZE) || Same(property, DIPROP_DEADZONE) || Same(property, DIPROP_SATURATION);
    if (dwordProperty && header->dwSize != sizeof(DIPROPDWORD)) return DIERR_INVALIDPARAM;
    if (Same(property, DIPROP_RANGE) && header->dwSize != sizeof(DIPROPRANGE)) return DIERR_INVALIDPARAM;
    if (!dwordProperty && !Same(property, DIPROP_RANGE)) return DIERR_UNSUPPORTED;

    if (header->dwHow == DIPH_DEVICE) {
        if (header->dwObj != 0) return DIERR_INVALIDPARAM;
        if (!Same(property, DIPROP_BUFFERSIZE)) return DIERR_INVALIDPARAM;  // axis properties are per axis
        reinterpret_cast<LPDIPROPDWORD>(header)->dwData = bufferSize_;
        return DI_OK;
    }
    if (header->dwHow != DIPH_BYOFFSET && header->dwHow != DIPH_BYID) return DIERR_INVALIDPARAM;
    if (Same(property, DIPROP_BUFFERSIZE)) return DIERR_INVALIDPARAM;
    int index = FindObject(header->dwObj, header->dwHow);
    if (index < 0) return DIERR_OBJECTNOTFOUND;
    const DeviceObject& o = objects_[index];
    if (!IsAxis(o)) return DIERR_UNSUPPORTED;
    if (Same(property, DIPROP_RANGE)) {
        auto* range = reinterpret_cast<LPDIPROPRANGE>(header);
        range->lMin = o.rangeMin;
        range->lMax = o.rangeMax;
    } else {
        reinterpret_cast<LPDIPROPDWORD>(header)->dwData = Same(property, DIPROP_DEADZONE) ? o.deadZone : o.saturation;
    }
    return DI_OK;
}

HRESULT Device::SetProperty(REFDIPROP property, LPCDIPROPHEADER header) {
    if (!header || header->dwHeaderSize != sizeof(DIPROPHEADER)) return DIERR_INVALIDPARAM;
    const bool dwordProperty =
        Same(property, DIPROP_BUFFERSIZE) || Same(property, DIPROP_DEADZONE) || Same(property, DIPROP_SATURATION);
    if (dwordProperty && header->dwSize != sizeof(DIPROPDWORD)) return DIERR_INVALIDPARAM;
    if (Same(property, DIPROP_RANGE) && header->dwSize != sizeof(DIPROPRANGE)) return DIERR_INVALIDPARAM;
    if (!dwordProperty && !Same(property, DIPROP_RANGE)) return DIERR_UNSUPPORTED;
    if (Fault("SetProperty")) return DIERR_GENERIC;

    if (Same(property, DIPROP_BUFFERSIZE)) {
        if (header->dwHow != DIPH_DEVICE || header->dwObj != 0) return DIERR_INVALIDPARAM;
        if (acquired_) return DIERR_ACQUIRED;
        bufferSize_ = reinterpret_cast<LPCDIPROPDWORD>(header)->dwData;
        buffer_.clear();
        overflowed_ = false;
        return DI_OK;
    }

    LONG newMin = 0, newMax = 0;
    DWORD value = 0;
    if (Same(property, DIPROP_RANGE)) {
        auto* range = reinterpret_cast<LPCDIPROPRANGE>(header);
        newMin = range->lMin;
        newMax = range->lMax;
        if (newMin > newMax) return DIERR_INVALIDPARAM;
    } else {
        value = reinterpret_cast<LPCDIPROPDWORD>(header)->dwData;
        if (value > 10000) return DIERR_INVALIDPARAM;
    }
    auto apply = [&](DeviceObject& o) {
        if (Same(property, DIPROP_RANGE)) {
            o.rangeMin = newMin;
            o.rangeMax = newMax;
        } else if (Same(property, DIPROP_DEADZONE)) {
            o.deadZone = value;
        } else {
            o.saturation = value;
        }
    };
    if (header->dwHow == DIPH_DEVICE) {
        if (header->dwObj != 0) return DIERR_INVALIDPARAM;
        bool any = false;
        for (DeviceObject& o : objects_)
            if (IsAxis(o)) apply(o), any = true;
        return any ? DI_OK : DIERR_UNSUPPORTED;
    }
    if (header->dwHow != DIPH_BYOFFSET && header->dwHow != DIPH_BYID) return DIERR_INVALIDPARAM;
    int index = FindObject(header->dwObj, header->dwHow);
    if (index < 0) return DIERR_OBJECTNOTFOUND;
    if (!IsAxis(objects_[index])) return DIERR_UNSUPPORTED;
    apply(objects_[index]);
    return DI_OK;
}

// ---- Acquisition and reads

HRESULT Device::Acquire() {
    if (acquired_) return DI_NOEFFECT;
    if (!hasFormat_) return DIERR_INVALIDPARAM;
    if (Fault("Acquire")) return DIERR_OTHERAPPHASPRIO;
    if (!WindowActiveForDevice()) return DIERR_OTHERAPPHASPRIO;
    if (!Attached()) return DIERR_UNPLUGGED;
    acquired_ = true;
    inputLost_ = false;
    buffer_.clear();
    overflowed_ = false;
    OnAcquired();
    return DI_OK;
}

HRESULT Device::Unacquire() {
    inputLost_ = false;
    if (!acquired_) return DI_NOEFFECT;
    acquired_ = false;
    buffer_.clear();
    overflowed_ = false;
    return DI_OK;
}

HRESULT Device::CheckReadable() {
    Refresh();
    if (acquired_ && !Attached()) LoseAcquisition();
    if (inputLost_) {
        // Reported once; afterwards the device is simply not acquired.
        inputLost_ = false;
        return DIERR_INPUTLOST;
    }
    if (!acquired_) return DIERR_NOTACQUIRED;
    return DI_OK;
}

HRESULT Device::Poll() {
    HRESULT result = CheckReadable();
    if (FAILED(result)) return result;
    if (Fault("Poll")) {
        LoseAcquisition();
        inputLost_ = false;
        return DIERR_INPUTLOST;
    }
    return (CapabilityFlags() & DIDC_POLLEDDATAFORMAT) ? DI_OK : DI_NOEFFECT;
}

HRESULT Device::GetDeviceState(DWORD size, LPVOID data) {
    if (!data) return DIERR_INVALIDPARAM;
    HRESULT result = CheckReadable();
    if (FAILED(result)) return result;
    if (size != dataSize_) return DIERR_INVALIDPARAM;
    if (Fault("GetDeviceState")) {
        LoseAcquisition();
        inputLost_ = false;
        return DIERR_INPUTLOST;
    }
    BYTE* bytes = static_cast<BYTE*>(data);
    std::memset(bytes, 0, size);
    for (DWORD offset : absentPovOffsets_) std::memset(bytes + offset, 0xFF, 4);
    for (size_t i = 0; i < objects_.size(); ++i)
        if (offsets_[i] >= 0) ReadObject(i, bytes + offsets_[i]);
    OnStateRead();
    return DI_OK;
}

HRESULT Device::GetDeviceData(DWORD objectDataSize, LPDIDEVICEOBJECTDATA data, LPDWORD inOut, DWORD flags) {
    if (!inOut) return DIERR_INVALIDPARAM;
    if (objectDataSize != sizeof(DIDEVICEOBJECTDATA) && objectDataSize != kObjectDataSizeDx3) return DIERR_INVALIDPARAM;
    if (flags & ~DWORD(DIGDD_PEEK)) return DIERR_INVALIDPARAM;
    HRESULT result = CheckReadable();
    if (FAILED(result)) return result;
    if (bufferSize_ == 0) return DIERR_NOTBUFFERED;
    if (Fault("GetDeviceData")) {
        LoseAcquisition();
        inputLost_ = false;
        return DIERR_INPUTLOST;
    }
    const bool peek = (flags & DIGDD_PEEK) != 0;
    const size_t count = std::min<size_t>(*inOut, buffer_.size());
    if (data) {
        BYTE* out = reinterpret_cast<BYTE*>(data);
        for (size_t i = 0; i < count; ++i)
            std::memcpy(out + i * objectDataSize, &buffer_[i], objectDataSize);
    }
    if (!peek) buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(count));
    *inOut = static_cast<DWORD>(count);
    const bool overflowed = overflowed_;
    if (!peek) overflowed_ = false;
    return overflowed ? DI_BUFFEROVERFLOW : DI_OK;
}

}  // namespace platform::dinput
