// Input module: DirectInput 8 keyboard and joysticks, read once a frame.
#include "engine/core/KestraInput.h"

#include <cstddef>
#include <cstring>
#include <iterator>
#include <type_traits>

#include "engine/core/Kestra.h"
#include "platform/win32/ole.h"
#include "platform/win32/winmm.h"

namespace {

// ---- Data formats

constexpr DWORD kAxisType = DIDFT_AXIS | DIDFT_ANYINSTANCE | DIDFT_OPTIONAL;
constexpr DWORD kButtonType = DIDFT_BUTTON | DIDFT_ANYINSTANCE | DIDFT_OPTIONAL;
constexpr DWORD kPovType = DIDFT_POV | DIDFT_ANYINSTANCE | DIDFT_OPTIONAL;
// The objects of the joystick format, in the state's order: each aspect's
// block of axes and the sliders it shares, the hats, the buttons.
constexpr const GUID* kAxes[] = {&GUID_XAxis, &GUID_YAxis, &GUID_ZAxis, &GUID_RxAxis, &GUID_RyAxis, &GUID_RzAxis};
constexpr DWORD kAspects[] = {DIDOI_ASPECTPOSITION, DIDOI_ASPECTVELOCITY, DIDOI_ASPECTACCEL, DIDOI_ASPECTFORCE};
constexpr DWORD kSliders = std::extent_v<decltype(KestraJoystickState::sliders)>;
constexpr DWORD kPovs = std::extent_v<decltype(KestraJoystickState::pov)>;
constexpr DWORD kJoystickObjects =
    std::size(kAspects) * (std::size(kAxes) + kSliders) + kPovs + KestraInput::kJoystickButtons;
static_assert(std::size(kAxes) == std::extent_v<decltype(KestraJoystickState::axes)>);
static_assert(KestraInput::kJoystickButtons == std::extent_v<decltype(KestraJoystickState::buttons)>);

struct JoystickFormat {
    DIOBJECTDATAFORMAT objects[kJoystickObjects];
    DIDATAFORMAT format;

    JoystickFormat() {
        DWORD n = 0;
        for (DWORD aspect = 0; aspect < std::size(kAspects); ++aspect) {
            const DWORD base = aspect * static_cast<DWORD>(sizeof(KestraJoystickState::axes));
            for (DWORD axis = 0; axis < std::size(kAxes); ++axis)
                objects[n++] = {kAxes[axis], base + axis * 4, kAxisType, kAspects[aspect]};
            // Every aspect of the two sliders shares the state's two slider fields.
            for (DWORD slider = 0; slider < kSliders; ++slider)
                objects[n++] = {&GUID_Slider,
                                static_cast<DWORD>(offsetof(KestraJoystickState, sliders)) + slider * 4, kAxisType,
                                kAspects[aspect]};
        }
        for (DWORD pov = 0; pov < kPovs; ++pov)
            objects[n++] = {&GUID_POV, static_cast<DWORD>(offsetof(KestraJoystickState, pov)) + pov * 4, kPovType, 0};
        for (DWORD button = 0; button < KestraInput::kJoystickButtons; ++button)
            objects[n++] = {nullptr, static_cast<DWORD>(offsetof(KestraJoystickState, buttons)) + button, kButtonType,
                            0};
        format = {sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_ABSAXIS, sizeof(KestraJoystickState), n,
                  objects};
    }
};

struct KeyboardFormat {
    DIOBJECTDATAFORMAT objects[KestraInput::kKeyCount];
    DIDATAFORMAT format;

    KeyboardFormat() {
        for (DWORD i = 0; i < KestraInput::kKeyCount; ++i)
            objects[i] = {&GUID_Key, i, static_cast<DWORD>(DIDFT_BUTTON | DIDFT_OPTIONAL | DIDFT_MAKEINSTANCE(i)), 0};
        format = {sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_RELAXIS, KestraInput::kKeyCount,
                  KestraInput::kKeyCount, objects};
    }
};

const DIDATAFORMAT* JoystickDataFormat() {
    static const JoystickFormat format;
    return &format.format;
}

const DIDATAFORMAT* KeyboardDataFormat() {
    static const KeyboardFormat format;
    return &format.format;
}

// ---- Module state

bool g_started = false;
IDirectInput8A* g_input = nullptr;
IDirectInputDevice8A* g_keyboard = nullptr;
KestraJoystickDevice* g_joysticks = nullptr;  // kMaxJoysticks records
uint32_t g_joystickLimit = 0;
uint32_t g_joystickCount = 0;

uint8_t g_keys[KestraInput::kKeyCount];
DIDEVICEOBJECTDATA g_events[KestraInput::kKeyBufferSize];
uint32_t g_eventCount = 0;
uint32_t g_eventIndex = 0;

// The mouse as the window procedure reports it.
uint32_t g_wheel = 0;  // wraps rather than overflows
bool g_leftDoubleClick = false;
bool g_rightDoubleClick = false;
bool g_middleDoubleClick = false;

void ClearState(KestraJoystickState& state) {
    memset(&state, 0, sizeof(state));
    for (uint32_t& pov : state.pov) pov = 0xFFFFFFFFu;
}

void ReleaseJoystick(KestraJoystickDevice& record) {
    if (record.device) {
        record.device->Unacquire();
        record.device->Release();
    }
    record.device = nullptr;
}

void StartKeyboard(HWND window) {
    Kestra::LogBold("キーボードの初期化");
    Kestra::LogNewLine();
    IDirectInputDevice8A* keyboard = nullptr;
    if (FAILED(g_input->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr)) || !keyboard) {
        Kestra::LogRed("　エラー : キーボードデバイスの生成に失敗");
        Kestra::LogNewLine();
        return;
    }
    const char* failure = nullptr;
    if (FAILED(keyboard->SetDataFormat(KeyboardDataFormat()))) {
        failure = "　エラー : キーボードのデータフォーマットの設定に失敗";
    } else if (FAILED(keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND))) {
        failure = "　エラー : キーボードの協調レベルの設定に失敗";
    } else {
        DIPROPDWORD buffer{};
        buffer.diph.dwSize = sizeof(buffer);
        buffer.diph.dwHeaderSize = sizeof(buffer.diph);
        buffer.diph.dwObj = 0;
        buffer.diph.dwHow = DIPH_DEVICE;
        buffer.dwData = KestraInput::kKeyBufferSize;
        if (FAILED(keyboard->SetProperty(DIPROP_BUFFERSIZE, &buffer.diph)))
            failure = "　エラー : キーボードのバッファサイズの設定に失敗";
    }
    if (failure) {
        Kestra::LogRed("%s", failure);
        Kestra::LogNewLine();
        keyboard->Release();
        return;
    }
    DIDEVCAPS caps{};
    caps.dwSize = sizeof(caps);
    if (SUCCEEDED(keyboard->GetCapabilities(&caps))) {
        Kestra::LogPrint("　■ キーボードを検出 [ キー数 %u ]", static_cast<unsigned>(caps.dwButtons));
        Kestra::LogNewLine();
    }
    // Not acquired while the window is in the background: the reads acquire it again.
    keyboard->Acquire();
    g_keyboard = keyboard;
}

BOOL CALLBACK EnumJoystickCallback(LPCDIDEVICEINSTANCEA instance, LPVOID) {
    if (g_joystickCount >= g_joystickLimit) return DIENUM_STOP;
    IDirectInputDevice8A* device = nullptr;
    if (FAILED(g_input->CreateDevice(instance->guidInstance, &device, nullptr)) || !device) {
        Kestra::LogRed("　エラー : ジョイスティックデバイスの生成に失敗");
        Kestra::LogNewLine();
        return DIENUM_STOP;
    }
    g_joysticks[g_joystickCount++].device = device;
    return g_joystickCount < g_joystickLimit ? DIENUM_CONTINUE : DIENUM_STOP;
}

struct AxisWalk {
    uint32_t index;
    bool failed;
};

void StartJoystick(uint32_t index, HWND window) {
    KestraJoystickDevice& record = g_joysticks[index];
    IDirectInputDevice8A* device = record.device;
    if (FAILED(device->SetDataFormat(JoystickDataFormat()))) {
        Kestra::LogRed("　エラー : ジョイスティック[%02u]のデータフォーマットの設定に失敗", index);
        Kestra::LogNewLine();
        ReleaseJoystick(record);
        return;
    }
    if (FAILED(device->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_FOREGROUND))) {
        Kestra::LogRed("　エラー : ジョイスティック[%02u]の協調レベルの設定に失敗", index);
        Kestra::LogNewLine();
        ReleaseJoystick(record);
        return;
    }
    DIDEVICEINSTANCEA info{};
    info.dwSize = sizeof(info);
    if (SUCCEEDED(device->GetDeviceInfo(&info))) {
        Kestra::LogPrint("　■ ジョイスティック[%02u] : %s", index, info.tszProductName);
        Kestra::LogNewLine();
    }
    DIDEVCAPS caps{};
    caps.dwSize = sizeof(caps);
    if (SUCCEEDED(device->GetCapabilities(&caps))) {
        record.needsPoll = (caps.dwFlags & DIDC_POLLEDDATAFORMAT) ? 1 : 0;
        record.forceFeedback = (caps.dwFlags & DIDC_FORCEFEEDBACK) ? 1 : 0;
    }
    Kestra::LogPrint("　　ポーリング : %s", record.needsPoll ? "必要" : "不要");
    Kestra::LogNewLine();
    Kestra::LogPrint("　　フォースフィードバック : %s", record.forceFeedback ? "対応" : "非対応");
    Kestra::LogNewLine();
    for (int i = 0; i < 3; ++i) {
        record.centre[i] = record.centreRotation[i] = 0;
        record.halfRange[i] = record.halfRangeRotation[i] = 65535;
    }
    AxisWalk walk{index, false};
    device->EnumObjects(KestraInput::EnumAxisCallback, &walk, DIDFT_AXIS);
    // A device dropped during the walk is gone: nothing to acquire.
    if (walk.failed || !record.device) return;
    record.device->Acquire();
}

void StartJoysticks(HWND window) {
    Kestra::LogBold("ジョイスティックの初期化");
    Kestra::LogNewLine();
    const UINT slots = joyGetNumDevs();
    g_joystickLimit = slots < KestraInput::kMaxJoysticks ? slots : KestraInput::kMaxJoysticks;
    g_joystickCount = 0;
    if (g_joystickLimit > 0 &&
        FAILED(g_input->EnumDevices(DI8DEVCLASS_GAMECTRL, EnumJoystickCallback, nullptr, DIEDFL_ATTACHEDONLY))) {
        Kestra::LogRed("　エラー : ジョイスティックの列挙に失敗");
        Kestra::LogNewLine();
        for (uint32_t i = 0; i < g_joystickCount; ++i) ReleaseJoystick(g_joysticks[i]);
        g_joystickCount = 0;
        return;
    }
    for (uint32_t i = 0; i < g_joystickCount; ++i) StartJoystick(i, window);
    Kestra::LogPrint("　■ ジョイスティック %u 個", g_joystickCount);
    Kestra::LogNewLine();
}

// Axes X..Rz: raw state values normalised into their own fields.
void Normalise(KestraJoystickDevice& record, const KestraJoystickState& raw) {
    record.state = raw;
    for (int i = 0; i < 3; ++i) {
        record.state.axes[i] = KestraInput::NormalizeAxis(raw.axes[i], record.centre[i], record.halfRange[i]);
        record.state.axes[3 + i] =
            KestraInput::NormalizeAxis(raw.axes[3 + i], record.centreRotation[i], record.halfRangeRotation[i]);
    }
    for (int i = 0; i < 4; ++i)
        record.state.pov[i] = (raw.pov[i] & 0xFFFFu) != 0xFFFFu ? raw.pov[i] / 100 : 0xFFFFFFFFu;
    for (uint32_t i = 0; i < KestraInput::kJoystickButtons; ++i) record.state.buttons[i] = (raw.buttons[i] >> 7) & 1;
}

void UpdateJoysticks() {
    for (uint32_t i = 0; i < g_joystickCount; ++i) {
        KestraJoystickDevice& record = g_joysticks[i];
        // Only the pad that cannot be read loses its state this frame.
        if (!record.device) {
            ClearState(record.state);
            continue;
        }
        if (record.needsPoll) record.device->Poll();
        KestraJoystickState raw;
        if (FAILED(record.device->GetDeviceState(sizeof(raw), &raw))) {
            record.device->Acquire();
            ClearState(record.state);
            continue;
        }
        Normalise(record, raw);
    }
}

void UpdateKeyboard() {
    g_eventCount = 0;
    g_eventIndex = 0;
    if (!g_keyboard) {
        memset(g_keys, 0, sizeof(g_keys));
        return;
    }
    if (FAILED(g_keyboard->GetDeviceState(sizeof(g_keys), g_keys))) {
        g_keyboard->Acquire();
        memset(g_keys, 0, sizeof(g_keys));
    } else {
        for (uint8_t& key : g_keys) key = (key >> 7) & 1;
    }
    DWORD count = KestraInput::kKeyBufferSize;
    // A failed read delivers nothing: last frame's events are never seen twice.
    if (FAILED(g_keyboard->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), g_events, &count, 0))) {
        g_keyboard->Acquire();
        count = 0;
    }
    g_eventCount = count < KestraInput::kKeyBufferSize ? count : KestraInput::kKeyBufferSize;
}

}  // namespace

namespace KestraInput {

bool Initialize() {
    if (g_started) return true;
    Kestra::LogHeadline("KestraInputクラスの初期化");
    memset(g_keys, 0, sizeof(g_keys));
    g_eventCount = g_eventIndex = 0;
    g_joystickCount = g_joystickLimit = 0;

    g_joysticks =
        static_cast<KestraJoystickDevice*>(Kestra::MemoryAlloc(sizeof(KestraJoystickDevice) * kMaxJoysticks));
    if (!g_joysticks) {
        Kestra::LogRed("　エラー : ジョイスティック用メモリの確保に失敗");
        Kestra::LogNewLine();
        return false;
    }
    void* input = nullptr;
    if (FAILED(CoCreateInstance(CLSID_DirectInput8, nullptr, CLSCTX_ALL, IID_IDirectInput8A, &input)) || !input) {
        Kestra::LogRed("　エラー : DirectInputオブジェクトの生成に失敗");
        Kestra::LogNewLine();
        Kestra::MemoryFree(g_joysticks);
        g_joysticks = nullptr;
        return false;
    }
    g_input = static_cast<IDirectInput8A*>(input);
    if (FAILED(g_input->Initialize(Kestra::GetInstanceHandle(), DIRECTINPUT_VERSION))) {
        Kestra::LogRed("　エラー : DirectInputオブジェクトの初期化に失敗");
        Kestra::LogNewLine();
        g_input->Release();
        g_input = nullptr;
        Kestra::MemoryFree(g_joysticks);
        g_joysticks = nullptr;
        return false;
    }
    Kestra::LogPrint("　■ DirectInputオブジェクトを生成");
    Kestra::LogNewLine();

    const HWND window = Kestra::GetWindowHandle();
    StartKeyboard(window);
    StartJoysticks(window);
    g_started = true;
    return true;
}

void Finalize() {
    if (!g_started) return;
    Kestra::LogHeadline("KestraInputクラスの解放");
    for (uint32_t i = 0; i < kMaxJoysticks; ++i) ReleaseJoystick(g_joysticks[i]);
    if (g_keyboard) {
        g_keyboard->Unacquire();
        g_keyboard->Release();
        g_keyboard = nullptr;
    }
    if (g_input) g_input->Release();
    g_input = nullptr;
    Kestra::MemoryFree(g_joysticks);
    g_joysticks = nullptr;
    g_joystickCount = g_joystickLimit = 0;
    memset(g_keys, 0, sizeof(g_keys));
    g_eventCount = g_eventIndex = 0;
    g_started = false;
}

BOOL CALLBACK EnumAxisCallback(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID ref) {
    auto* walk = static_cast<AxisWalk*>(ref);
    KestraJoystickDevice& record = g_joysticks[walk->index];
    if (!record.device) return DIENUM_STOP;

    DIPROPRANGE range{};
    range.diph.dwSize = sizeof(range);
    range.diph.dwHeaderSize = sizeof(range.diph);
    range.diph.dwObj = object->dwType;
    range.diph.dwHow = DIPH_BYID;
    if (FAILED(record.device->GetProperty(DIPROP_RANGE, &range.diph))) {
        // The device is gone; nothing more of it may be asked.
        Kestra::LogRed("　エラー : ジョイスティック[%02u]の軸の範囲の取得に失敗", walk->index);
        Kestra::LogNewLine();
        ReleaseJoystick(record);
        walk->failed = true;
        return DIENUM_STOP;
    }

    static const GUID* const kAxes[6] = {&GUID_XAxis, &GUID_YAxis, &GUID_ZAxis,
                                         &GUID_RxAxis, &GUID_RyAxis, &GUID_RzAxis};
    static const char* const kNames[6] = {"X軸", "Y軸", "Z軸", "X回転軸", "Y回転軸", "Z回転軸"};
    for (int i = 0; i < 6; ++i) {
        if (object->guidType != *kAxes[i]) continue;
        // Signed halves of a 64-bit sum: the widest range cannot overflow.
        const int64_t centre = (static_cast<int64_t>(range.lMin) + range.lMax) / 2;
        const int64_t half = static_cast<int64_t>(range.lMax) - centre;
        const int32_t c = static_cast<int32_t>(centre);
        const int32_t h = half > INT32_MAX ? INT32_MAX : static_cast<int32_t>(half);
        if (i < 3) {
            record.centre[i] = c;
            record.halfRange[i] = h;
        } else {
            record.centreRotation[i - 3] = c;
            record.halfRangeRotation[i - 3] = h;
        }
        Kestra::LogPrint("　　%s : 中心 %d 半径 %d", kNames[i], c, h);
        Kestra::LogNewLine();
        return DIENUM_CONTINUE;
    }
    if (object->guidType == GUID_Slider) {
        Kestra::LogPrint("　　スライダー : %d 〜 %d", static_cast<int>(range.lMin), static_cast<int>(range.lMax));
        Kestra::LogNewLine();
    } else if (object->guidType == GUID_POV) {
        Kestra::LogPrint("　　POV");
        Kestra::LogNewLine();
    }
    return DIENUM_CONTINUE;
}

void Update() {
    if (!g_started) return;
    UpdateJoysticks();
    UpdateKeyboard();
}

bool IsStarted() { return g_started; }

bool GetKeyData(uint32_t key) { return g_started && key < kKeyCount && g_keys[key] != 0; }

bool GetKeyBuffer(uint32_t* key) {
    uint32_t code = 0;
    if (g_started && g_eventIndex < g_eventCount) {
        const DIDEVICEOBJECTDATA& event = g_events[g_eventIndex++];
        if (event.dwData & 0x80) code = event.dwOfs;
    }
    if (key) *key = code;
    return code != 0;
}

bool GetJoystickData(uint32_t index, KestraJoystickState* out) {
    if (!out) return false;
    // Pads that were never read, absent or not, read as all zeros.
    if (!g_started || index >= kMaxJoysticks) {
        memset(out, 0, sizeof(*out));
        return false;
    }
    const KestraJoystickDevice& record = g_joysticks[index];
    *out = record.state;
    return record.device != nullptr;
}

uint32_t GetJoystickCount() { return g_started ? g_joystickCount : 0; }

int32_t NormalizeAxis(int32_t raw, int32_t centre, int32_t halfRange) {
    if (halfRange <= 0) return 0;
    int64_t v = (static_cast<int64_t>(raw) - centre) * 65535 / halfRange;
    if (v > 65535) v = 65535;
    if (v < -65535) v = -65535;
    if (v > -kDeadZone && v < kDeadZone) v = 0;
    return static_cast<int32_t>(v);
}

void SetLeftDoubleClick() { g_leftDoubleClick = true; }
void SetRightDoubleClick() { g_rightDoubleClick = true; }
void SetMiddleDoubleClick() { g_middleDoubleClick = true; }
void AddMouseWheel(int32_t delta) { g_wheel += static_cast<uint32_t>(delta); }

}  // namespace KestraInput
