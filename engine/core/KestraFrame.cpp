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
        if (Kestra::IsLeadByte(static_cast<uint8_t>(text[pos]))) {
            if (text[pos + 1] == '\0') {
                text[pos] = '\0';
                return;
            }
            pos += 2;
        } else {
            ++pos;
        }
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

void BootErrorBox(const char* text) { MessageBox(MB_ICONERROR, "ERROR", "%s", text); }

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
    if (!RegisterClassA(&windowClass)) {
        BootErrorBox("ウィンドウ生成に失敗");
        return false;
    }
    if (!CreateMainWindow()) {
        BootErrorBox("ウィンドウ生成に失敗");
        return false;
    }

    timeBeginPeriod(1);
    f.frameTimer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    f.frequency = frequency.QuadPart;

    // Finalize runs only after a start: a step failing from here gives the timer
    // and the timer period back itself.
    auto fail = [&f] {
        if (f.frameTimer) CloseHandle(f.frameTimer);
        f.frameTimer = nullptr;
        timeEndPeriod(1);
        return false;
    };

    KestraFep::Initialize();
    KestraAnimation::Initialize();
    KestraNetwork::Initialize();
    KestraMicroThread::Initialize();
    if ((f.useFlags & KESTRA_USE_FIBER) && !KestraFiber::Initialize()) {
        BootErrorBox("ファイバーの初期化に失敗");
        return fail();
    }

    if (!KestraCamera::Initialize() || !Kestra3D::InitializeLights() || !KestraModel::Initialize() ||
        !KestraSimple::InitializeTable())
        return fail();
    return true;
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
    if (!Kestra3D::Start(f.window, f.windowed != 0)) {
        BootErrorBox("３Ｄシステムの起動に失敗");
        return false;
    }

    using StartFunction = bool (*)();
    static const StartFunction kManagers[] = {
        KestraSurface::Initialize,      KestraTexture::Initialize,      KestraSheet::Initialize,
        KestraSimple::Initialize,       KestraFont::Initialize,         KestraPoint2D::Initialize,
        KestraPoint3D::Initialize,      KestraLine2D::Initialize,       KestraLine3D::Initialize,
        KestraPrimitive2D::Initialize,  KestraPrimitive3D::Initialize,  KestraSprite2D::Initialize,
        KestraSprite3D::Initialize,     KestraFontSprite2D::Initialize, KestraFontSprite3D::Initialize,
        KestraModelEx::Initialize,
    };
    for (StartFunction start : kManagers)
        if (!start()) return false;

    if ((f.useFlags & KESTRA_USE_MEDIA) && !KestraMedia::Initialize()) return false;
    if (f.useFlags & KESTRA_USE_SOUND) KestraSound::Initialize();  // sound is optional: the game runs silent
    if ((f.useFlags & KESTRA_USE_MUSIC) && !KestraMusic::Initialize()) return false;
    if ((f.useFlags & KESTRA_USE_INPUT) && !KestraInput::Initialize()) return false;

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

    KestraMicroThread::Exit();
    KestraMicroThread::Finalize();

    if (f.useFlags & KESTRA_USE_FIBER) KestraFiber::Finalize();
    if (f.useFlags & KESTRA_USE_CDDA) KestraCDDA::Finalize();
    if (f.useFlags & KESTRA_USE_INPUT) KestraInput::Finalize();
    if (f.useFlags & KESTRA_USE_MUSIC) KestraMusic::Finalize();
    if (f.useFlags & KESTRA_USE_SOUND) KestraSound::Finalize();
    if (f.useFlags & KESTRA_USE_MEDIA) KestraMedia::Finalize();

    KestraSimple::Finalize();
    KestraSimple::FinalizeTable();
    KestraModelEx::Finalize();
    KestraModel::Finalize();
    KestraCamera::Finalize();
    KestraSprite3D::Finalize();
    KestraPoint2D::Finalize();
    KestraPoint3D::Finalize();
    KestraLine2D::Finalize();
    KestraLine3D::Finalize();
    KestraPrimitive3D::Finalize();
    KestraShaderFx::Finalize();
    KestraFontSprite3D::Finalize();
    KestraFontSprite2D::Finalize();
    KestraFont::Finalize();
    KestraSprite2D::Finalize();
    KestraPrimitive2D::Finalize();
    KestraSheet::Finalize();
    KestraTexture::Finalize();
    KestraSurface::Finalize();

    KestraNetwork::Finalize();
    KestraFep::Finalize();
    KestraAnimation::Finalize();
    KestraFep::CloseWindow();
    KestraConsole::Finalize();
    if (f.frameTimer) {
        CloseHandle(f.frameTimer);
        f.frameTimer = nullptr;
    }
    timeEndPeriod(1);
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
