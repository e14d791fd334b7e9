// The application frame: boot, configuration, window, start and finish.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/core/Kestra.h"
#include "engine/core/KestraCDDA.h"
#include "engine/core/KestraConsole.h"
#include "engine/core/KestraFep.h"
#include "engine/core/KestraFiber.h"
#include "engine/core/KestraFile.h"
#include "engine/core/KestraFrameState.h"
#include "engine/core/KestraInput.h"
#include "engine/core/KestraMedia.h"
#include "engine/core/KestraMicroThread.h"
#include "engine/core/KestraMusic.h"
#include "engine/core/KestraNetwork.h"
#include "engine/core/KestraShiftJis.h"
#include "engine/core/KestraSound.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraManagers.h"
#include "platform/d3d9/d3d9.h"

namespace Kestra {

const char kLibraryBanner[] = "Kestra for \"DirectX 9.0c\" - Phase 35.58 : 2007.12.01";

namespace detail {

FrameState& Frame() {
    static FrameState state{};
    return state;
}

void CutAtCharacter(char* text, size_t capacity) {
    if (!text || capacity == 0) return;
    text[capacity - 1] = '\0';
    size_t pos = 0;
    while (text[pos] != '\0') {
        const uint32_t bytes = Kestra::GetChar(text + pos, nullptr);
        if (bytes == 1 && Kestra::IsLeadByte(static_cast<uint8_t>(text[pos]))) {
            text[pos] = '\0';  // half a character at the cut
            return;
        }
        pos += bytes;
    }
}

}  // namespace detail

using detail::Frame;
using detail::FrameState;

namespace {

ConfigureFunction g_configure = nullptr;
MainFunction g_main = nullptr;
MessageHook g_hook = nullptr;

constexpr DWORD kStyleWindowed = 0x80CA0000;      // WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX
constexpr DWORD kStyleFullScreen = 0x80000000;    // WS_POPUP
constexpr DWORD kStyleWindowedShown = 0x10CA0000; // WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX
constexpr DWORD kStyleFullScreenShown = 0x10000000;

void SetDefaults(HINSTANCE instance) {
    FrameState& f = Frame();
    snprintf(f.applicationName, sizeof(f.applicationName), "%s", kLibraryBanner);
    f.screenWidth = f.virtualWidth = 640;
    f.screenHeight = f.virtualHeight = 480;
    f.scaleX = f.scaleY = 1.0f;
    f.windowed = 0;
    f.instance = instance;
}

// Outer size and centred position of the captioned window for the client size.
void WindowedRect(int* x, int* y, int* width, int* height) {
    const FrameState& f = Frame();
    *width = f.screenWidth + GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXFIXEDFRAME) +
             GetSystemMetrics(SM_CXBORDER);
    *height = f.screenHeight + GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYFIXEDFRAME) +
              GetSystemMetrics(SM_CYBORDER) + GetSystemMetrics(SM_CYCAPTION);
    *x = GetSystemMetrics(SM_CXSCREEN) / 2 - *width / 2;
    *y = GetSystemMetrics(SM_CYSCREEN) / 2 - *height / 2;
}

void LogExit() {
    LogNewLine();
    LogHeadline("アプリケーション終了");
    LogNewLine();
}

// The error box of a failed boot step; false, the step's answer.
bool BootErrorBox(const char* text) {
    MessageBox(MB_ICONERROR, "ERROR", "%s", text);
    return false;
}

// The end of the boot road: device, files, log and mutex.
void BootTail() {
    FrameState& f = Frame();
    Kestra3D::Finalize();
    KestraFile::Finalize();
    CloseLog();
    if (f.mutex) {
        CloseHandle(f.mutex);
        f.mutex = nullptr;
    }
}

void EndTimer() {
    FrameState& f = Frame();
    if (f.frameTimer) CloseHandle(f.frameTimer);
    f.frameTimer = nullptr;
    timeEndPeriod(1);
}

bool StartFibers() { return KestraFiber::Initialize() || BootErrorBox("ファイバーの初期化に失敗"); }

bool StartDevice() {
    const FrameState& f = Frame();
    return Kestra3D::Start(f.window, f.windowed != 0) || BootErrorBox("３Ｄシステムの起動に失敗");
}

// Finalize's order. It is not the reverse of the start: the grid table and the model
// slots start at Initialize but hold textures, effects and models of modules Start
// brings up later, so they let go before those end; the rest keeps the order the
// log has always shown.
enum StopTurn : uint8_t {
    kStopMicroThread, kStopFiber, kStopCdda, kStopInput, kStopMusic, kStopSound, kStopMedia, kStopSimple,
    kStopGridTable, kStopModelEx, kStopModel, kStopCamera, kStopSprite3D, kStopPoint2D, kStopPoint3D,
    kStopLine2D, kStopLine3D, kStopPrimitive3D, kStopShaderFx, kStopFontSprite3D, kStopFontSprite2D, kStopFont,
    kStopSprite2D, kStopPrimitive2D, kStopSheet, kStopTexture, kStopSurface, kStopNetwork, kStopFep,
    kStopAnimation, kNoStop
};

enum Phase : bool { kAtInitialize, kAtStart };  // Start's steps need the device
enum Need : bool { kMust, kMay };               // kMay: a failed start is let pass

// One subsystem: the use flag it needs (0: always), its start and stop (either may be absent).
struct Step {
    Phase phase;
    uint32_t flag;
    bool (*start)();
    void (*stop)();
    Need need;
    StopTurn turn;
};

constexpr Step kSteps[] = {
    {kAtInitialize, 0, KestraFep::Initialize, KestraFep::Finalize, kMay, kStopFep},
    {kAtInitialize, 0, KestraAnimation::Initialize, KestraAnimation::Finalize, kMay, kStopAnimation},
    {kAtInitialize, 0, KestraNetwork::Initialize, KestraNetwork::Finalize, kMay, kStopNetwork},
    {kAtInitialize, 0, KestraMicroThread::Initialize, KestraMicroThread::Finalize, kMay, kStopMicroThread},
    {kAtInitialize, KESTRA_USE_FIBER, StartFibers, KestraFiber::Finalize, kMust, kStopFiber},
    {kAtInitialize, 0, KestraCamera::Initialize, KestraCamera::Finalize, kMust, kStopCamera},
    {kAtInitialize, 0, Kestra3D::InitializeLights, nullptr, kMust, kNoStop},
    {kAtInitialize, 0, KestraModel::Initialize, KestraModel::Finalize, kMust, kStopModel},
    {kAtInitialize, 0, KestraSimple::InitializeTable, KestraSimple::FinalizeTable, kMust, kStopGridTable},
    {kAtStart, 0, StartDevice, nullptr, kMust, kNoStop},  // the boot's end finishes the device
    {kAtStart, 0, KestraSurface::Initialize, KestraSurface::Finalize, kMust, kStopSurface},
    {kAtStart, 0, KestraTexture::Initialize, KestraTexture::Finalize, kMust, kStopTexture},
    {kAtStart, 0, KestraSheet::Initialize, KestraSheet::Finalize, kMust, kStopSheet},
    {kAtStart, 0, KestraSimple::Initialize, KestraSimple::Finalize, kMust, kStopSimple},
    {kAtStart, 0, KestraFont::Initialize, KestraFont::Finalize, kMust, kStopFont},
    {kAtStart, 0, KestraPoint2D::Initialize, KestraPoint2D::Finalize, kMust, kStopPoint2D},
    {kAtStart, 0, KestraPoint3D::Initialize, KestraPoint3D::Finalize, kMust, kStopPoint3D},
    {kAtStart, 0, KestraLine2D::Initialize, KestraLine2D::Finalize, kMust, kStopLine2D},
    {kAtStart, 0, KestraLine3D::Initialize, KestraLine3D::Finalize, kMust, kStopLine3D},
    {kAtStart, 0, KestraPrimitive2D::Initialize, KestraPrimitive2D::Finalize, kMust, kStopPrimitive2D},
    {kAtStart, 0, KestraPrimitive3D::Initialize, KestraPrimitive3D::Finalize, kMust, kStopPrimitive3D},
    {kAtStart, 0, KestraSprite2D::Initialize, KestraSprite2D::Finalize, kMust, kStopSprite2D},
    {kAtStart, 0, KestraSprite3D::Initialize, KestraSprite3D::Finalize, kMust, kStopSprite3D},
    {kAtStart, 0, KestraFontSprite2D::Initialize, KestraFontSprite2D::Finalize, kMust, kStopFontSprite2D},
    {kAtStart, 0, KestraFontSprite3D::Initialize, KestraFontSprite3D::Finalize, kMust, kStopFontSprite3D},
    {kAtStart, 0, KestraModelEx::Initialize, KestraModelEx::Finalize, kMust, kStopModelEx},
    {kAtStart, 0, nullptr, KestraShaderFx::Finalize, kMust, kStopShaderFx},  // effects are made on demand
    {kAtStart, KESTRA_USE_MEDIA, KestraMedia::Initialize, KestraMedia::Finalize, kMust, kStopMedia},
    // Sound may fail: the game runs silent.
    {kAtStart, KESTRA_USE_SOUND, KestraSound::Initialize, KestraSound::Finalize, kMay, kStopSound},
    {kAtStart, KESTRA_USE_MUSIC, KestraMusic::Initialize, KestraMusic::Finalize, kMust, kStopMusic},
    {kAtStart, KESTRA_USE_INPUT, KestraInput::Initialize, KestraInput::Finalize, kMust, kStopInput},
    {kAtStart, KESTRA_USE_CDDA, nullptr, KestraCDDA::Finalize, kMust, kStopCdda},  // nothing to start
};

// Every stop has a turn of its own.
constexpr bool TurnsAreWhole() {
    int seen[kNoStop + 1] = {};
    for (const Step& s : kSteps) ++seen[s.turn];
    for (int turn = 0; turn < kNoStop; ++turn)
        if (seen[turn] != 1) return false;
    return true;
}
static_assert(TurnsAreWhole());

bool Uses(uint32_t flag) { return flag == 0 || (Frame().useFlags & flag) != 0; }

constexpr size_t kStepCount = sizeof(kSteps) / sizeof(kSteps[0]);

// Starts one phase's steps in order; false at the first needed one that fails.
// up, when given, marks each step that came up.
bool StartSteps(Phase phase, bool* up = nullptr) {
    for (size_t i = 0; i < kStepCount; ++i) {
        const Step& s = kSteps[i];
        if (s.phase != phase || !s.start || !Uses(s.flag)) continue;
        const bool started = s.start();
        if (up) up[i] = started;
        if (!started && s.need == kMust) return false;
    }
    return true;
}

// Runs the stops of the chosen steps in the stop order.
template <class Chosen>
void StopSteps(Chosen chosen) {
    for (int turn = 0; turn < kNoStop; ++turn)
        for (size_t i = 0; i < kStepCount; ++i)
            if (kSteps[i].turn == turn && chosen(i)) kSteps[i].stop();
}

}  // namespace

void SetGameFunctions(ConfigureFunction configure, MainFunction main, MessageHook hook) {
    g_configure = configure;
    g_main = main;
    g_hook = hook;
}

int Boot(HINSTANCE instance, int argc, char** argv) {
    FrameState& f = Frame();
    SetDefaults(instance);

    HANDLE thread = GetCurrentThread();
    SetThreadIdealProcessor(thread, 0);
    SetThreadAffinityMask(thread, 1);

    if (f.programFolder[0] == '\0') {
        GetModuleFileNameA(instance, f.programFolder, sizeof(f.programFolder));
        f.programFolder[sizeof(f.programFolder) - 1] = '\0';
        if (char* cut = strrchr(f.programFolder, '\\')) *cut = '\0';
        SetCurrentDirectoryA(f.programFolder);
    }

    if (!KestraFile::Initialize()) {
        BootErrorBox("ファイルシステムの初期化に失敗");
        BootTail();
        return 0;
    }

    if (!g_configure || !g_configure()) {
        BootErrorBox("ユーザー初期化に失敗");
        return 0;
    }

    ResetCurrentDirectory();
    OpenLog(f.applicationName);

    if (!Kestra3D::Initialize()) {
        BootErrorBox("３Ｄシステムの初期化に失敗");
        BootTail();
        return 0;
    }

    f.mutex = CreateMutexA(nullptr, FALSE, f.applicationName);
    if (!f.mutex || WaitForSingleObject(f.mutex, 0) != WAIT_OBJECT_0) {
        BootErrorBox("２重起動は許可されてません");
        BootTail();
        return 0;
    }

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    if (!Initialize()) {
        BootErrorBox("DirectXの初期化に失敗");
        BootTail();
        return 0;
    }

    if (g_main) g_main(argc, argv);
    Finalize();

    LogNewLine();
    UnregisterClassA(f.applicationName, f.instance);
    CoUninitialize();

    BootTail();
    return 0;
}

bool Initialize() {
    FrameState& f = Frame();
    LogBlue("Library Version");
    LogNewLine();
    LogPrint("　　　[ %s ]", kLibraryBanner);
    LogNewLine();
    LogNewLine();

    WNDCLASSA windowClass{};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = f.instance;
    windowClass.hIcon = nullptr;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = f.applicationName;
    if (!RegisterClassA(&windowClass)) return BootErrorBox("ウィンドウ生成に失敗");
    if (!CreateMainWindow()) return BootErrorBox("ウィンドウ生成に失敗");

    timeBeginPeriod(1);
    f.frameTimer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    f.frequency = frequency.QuadPart;

    // Finalize runs only after a start: a step failing from here stops the steps
    // that came up before it, and gives the timer and the timer period back.
    bool up[kStepCount] = {};
    if (StartSteps(kAtInitialize, up)) return true;
    StopSteps([&](size_t i) { return up[i]; });
    EndTimer();
    return false;
}

bool CreateMainWindow() {
    FrameState& f = Frame();
    DWORD style;
    int x, y, width, height;
    if (f.windowed) {
        style = kStyleWindowed;
        WindowedRect(&x, &y, &width, &height);
    } else {
        style = kStyleFullScreen;
        x = y = 0;
        width = f.screenWidth;
        height = f.screenHeight;
    }
    f.window = CreateWindowExA(0, f.applicationName, f.applicationName, style, x, y, width, height, nullptr,
                               nullptr, f.instance, nullptr);
    if (!f.window) return false;

    HANDLE small = LoadImageA(f.instance, "ICON_TITLEBAR_SMALL", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                              GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR);
    if (small) SendMessageA(f.window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    HANDLE big = LoadImageA(f.instance, "ICON_TITLEBAR_BIG", IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                            GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR);
    if (big) SendMessageA(f.window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));

    UpdateWindow(f.window);
    ShowWindow(f.window, SW_SHOW);
    return true;
}

bool Start() {
    FrameState& f = Frame();
    f.started = 1;
    if (!StartSteps(kAtStart)) return false;

    Kestra3D::SetScaling2D(false, f.screenWidth * 0.5f, f.screenHeight * 0.5f, 1.0f);
    Kestra3D::SetPerspective2D(false, f.screenWidth * 0.5f, f.screenHeight * 0.5f, 100.0f);

    LogHeadline("アプリケーション開始");
    LogNewLine();

    KestraMicroThread::StartMain();
    SeedRandom(static_cast<uint32_t>(_time32(nullptr)) * timeGetTime());

    f.frameBaseline = f.statsBaseline = GetPerformanceCounter();
    f.frames = f.polygons2D = f.polygons3D = 0;
    return true;
}

void Finalize() {
    FrameState& f = Frame();
    if (!f.started) return;
    f.started = 0;

    // The game's micro threads end before anything they use.
    KestraMicroThread::Exit();
    // Every stop runs, however far the start got: each passes over what never started.
    StopSteps([](size_t i) { return Uses(kSteps[i].flag); });
    KestraFep::CloseWindow();
    KestraConsole::Finalize();
    EndTimer();
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    FrameState& f = Frame();
    if (g_hook) g_hook(message, wParam, lParam);

    switch (message) {
        case WM_CREATE:
            if (!f.mouseCursor) ShowCursor(FALSE);
            break;
        case WM_DESTROY:
            PostQuitMessage(0);
            break;
        case WM_CLOSE:
            // A micro thread still running keeps the window open.
            if (!KestraMicroThread::CheckEnd()) return 0;
            if (!f.mouseCursor) ShowCursor(TRUE);
            KestraFep::CloseWindow();
            f.window = nullptr;
            SendMessageA(window, WM_DESTROY, 0, 0);
            break;
        case WM_ACTIVATEAPP:
            f.active = wParam != 0;
            break;
        case WM_CHAR:
            KestraFep::AddChar(static_cast<uint8_t>(wParam));
            break;
        case WM_SYSKEYDOWN:
            if (wParam == VK_RETURN) {
                // Holding the keys repeats the message; only the first press switches.
                if (lParam & (1L << 30)) break;
                if (f.windowed) {
                    f.windowed = 0;
                    ChangeWindowStyle();
                    Kestra3D::ResetDevice(true);
                } else {
                    f.windowed = 1;
                    Kestra3D::ResetDevice(true);
                    ChangeWindowStyle();
                }
            } else if (wParam == VK_F4) {
                PostMessageA(f.window, WM_CLOSE, 0, 0);
                LogExit();
            }
            break;
        case WM_SYSCOMMAND:
            if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
            break;
        case WM_LBUTTONDBLCLK:
            KestraInput::SetLeftDoubleClick();
            break;
        case WM_RBUTTONDBLCLK:
            KestraInput::SetRightDoubleClick();
            break;
        case WM_MBUTTONDBLCLK:
            KestraInput::SetMiddleDoubleClick();
            break;
        case WM_MOUSEWHEEL:
            KestraInput::AddMouseWheel(static_cast<int16_t>(HIWORD(wParam)));
            break;
        case MM_MCINOTIFY:
            KestraCDDA::OnNotify(wParam, lParam);
            break;
        case WM_USER + 1:
            KestraNetwork::OnSocketEvent(window, wParam, lParam);
            break;
        case WM_USER + 2:
            KestraMedia::OnGraphEvent();
            break;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void SetApplicationName(const char* name) {
    FrameState& f = Frame();
    snprintf(f.applicationName, sizeof(f.applicationName), "%s", name ? name : "");
    detail::CutAtCharacter(f.applicationName, sizeof(f.applicationName));
}

const char* GetApplicationName() { return Frame().applicationName; }

void SetScreenInfo(int32_t width, int32_t height, bool windowed) {
    FrameState& f = Frame();
    f.screenWidth = f.virtualWidth = width;
    f.screenHeight = f.virtualHeight = height;
    f.scaleX = f.scaleY = 1.0f;
    f.windowed = windowed ? 1 : 0;
}

void GetScreenInfo(uint32_t* width, uint32_t* height, bool* windowed) {
    const FrameState& f = Frame();
    if (width) *width = static_cast<uint32_t>(f.screenWidth);
    if (height) *height = static_cast<uint32_t>(f.screenHeight);
    if (windowed) *windowed = f.windowed != 0;
}

void SetFrameRate(uint32_t framesPerSecond) { Frame().frameRate = framesPerSecond; }
uint32_t GetFrameRate() { return Frame().frameRate; }
void SetUseFlags(uint32_t flags) { Frame().useFlags = flags; }
uint32_t GetUseFlags() { return Frame().useFlags; }
void EnableCaptionStats() { Frame().captionStats = 1; }
void EnableMouseCursor() { Frame().mouseCursor = 1; }

HINSTANCE GetInstanceHandle() { return Frame().instance; }
HWND GetWindowHandle() { return Frame().window; }
double ScaleX(float x) { return static_cast<double>(x * Frame().scaleX); }
double ScaleY(float y) { return static_cast<double>(y * Frame().scaleY); }
const char* GetProgramFolder() { return Frame().programFolder; }

void ResetCurrentDirectory() {
    const FrameState& f = Frame();
    if (f.programFolder[0] != '\0') SetCurrentDirectoryA(f.programFolder);
}

int64_t GetPerformanceCounter() {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

int64_t GetPerformanceFrequency() { return Frame().frequency; }

bool IsActive() { return Frame().active != 0; }

void ChangeWindowStyle() {
    const FrameState& f = Frame();
    if (!f.window) return;
    if (!f.windowed) {
        SetWindowLongA(f.window, GWL_STYLE, static_cast<LONG>(kStyleFullScreenShown));
        SetWindowPos(f.window, HWND_TOPMOST, 0, 0, f.screenWidth, f.screenHeight, 0);
    } else {
        int x, y, width, height;
        WindowedRect(&x, &y, &width, &height);
        SetWindowLongA(f.window, GWL_STYLE, static_cast<LONG>(kStyleWindowedShown));
        SetWindowPos(f.window, HWND_NOTOPMOST, x, y, width, height, 0);
    }
}

void MessageBox(uint32_t flags, const char* caption, const char* format, ...) {
    FrameState& f = Frame();
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    // A text longer than the buffer ends at its last whole character.
    detail::CutAtCharacter(text, sizeof(text));

    IDirect3DDevice9* device = Kestra3D::GetDevice();
    if (device) device->SetDialogBoxMode(TRUE);
    MessageBoxA(f.window, text, caption, flags);
    if (device) device->SetDialogBoxMode(FALSE);
    if (HWND ime = ImmGetDefaultIMEWnd(f.window)) SendMessageA(ime, WM_CLOSE, 0, 0);
}

void Exit() {
    PostMessageA(Frame().window, WM_CLOSE, 0, 0);
    LogExit();
}

}  // namespace Kestra
