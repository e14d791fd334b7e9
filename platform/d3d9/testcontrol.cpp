// Test control: backend choice, counters, records and pixel read-back.
#include <mutex>
#include <unordered_map>

#include "platform/d3d9/d3d9_internal.h"
#include "platform/d3d9/backend.h"

namespace d3d9impl {

std::atomic<uint64_t> g_glStateChanges{0};
std::atomic<uint64_t> g_glStateFiltered{0};
std::atomic<bool> g_exactShortcuts{true};
std::atomic<bool> g_directPresent{true};
std::atomic<bool> g_countingCalls{false};
std::atomic<bool> g_recording{false};

namespace {
std::mutex g_mutex;
d3d9test::Backend g_backend = d3d9test::Backend::GL;
std::unordered_map<std::string, uint64_t> g_calls;
std::vector<d3d9test::StateCall> g_stateCalls;
std::vector<d3d9test::DrawCall> g_drawCalls;
std::vector<d3d9test::CreateDeviceCall> g_createCalls;
std::vector<d3d9test::ResetCall> g_resetCalls;
UINT g_pitchPadding = 0;
bool g_presentCapture = false;
d3d9test::Image g_presented;
}  // namespace

void CountCallNow(const char* method) {
    const std::string name(method);
    std::lock_guard<std::mutex> lock(g_mutex);
    ++g_calls[name];
}
void RecordState(d3d9test::StateCall::Kind kind, DWORD stage, DWORD type, DWORD value) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_stateCalls.push_back({kind, stage, type, value});
}
void RecordDraw(d3d9test::DrawCall&& call) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_drawCalls.push_back(std::move(call));
}
void RecordCreateDevice(const d3d9test::CreateDeviceCall& call) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_createCalls.push_back(call);
}
void RecordReset(const d3d9test::ResetCall& call) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_resetCalls.push_back(call);
}
UINT PitchPadding() { return g_pitchPadding; }
bool PresentCapture() { return g_presentCapture; }
void StorePresentedFrame(d3d9test::Image&& image) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_presented = std::move(image);
}
d3d9test::Backend SelectedBackend() { return g_backend; }

}  // namespace d3d9impl

namespace d3d9test {
using namespace d3d9impl;

namespace {
// A test has taken control: the device counts its calls from here on.
void TakeControl() { g_countingCalls.store(true, std::memory_order_relaxed); }
}  // namespace

void SetBackend(Backend backend) {
    TakeControl();
    g_backend = backend;
}
Backend GetBackend() { return g_backend; }

void ResetAll() {
    SetBackend(Backend::GL);
    ResetAdapter();
    ClearCallCounts();
    SetRecording(false);
    ClearRecords();
    ClearGLCounters();
    SetPitchPadding(0);
    SetExactShortcuts(true);
    SetPresentCapture(false);
}

static Device* AsDevice(IDirect3DDevice9* device) { return static_cast<Device*>(device); }

void LoseDevice(IDirect3DDevice9* device, int pollsWhileLost) { AsDevice(device)->LoseDevice(pollsWhileLost); }
DeviceState GetDeviceState(IDirect3DDevice9* device) { return AsDevice(device)->state(); }
bool IsFullscreen(IDirect3DDevice9* device) { return AsDevice(device)->fullscreen(); }
int LiveDefaultPoolResources(IDirect3DDevice9* device) { return AsDevice(device)->LiveDefaultPool(); }

uint64_t CallCount(const std::string& method) {
    TakeControl();
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_calls.find(method);
    return it == g_calls.end() ? 0 : it->second;
}
void ClearCallCounts() {
    TakeControl();
    std::lock_guard<std::mutex> lock(g_mutex);
    g_calls.clear();
}
bool CountingCalls() { return g_countingCalls.load(std::memory_order_relaxed); }
std::vector<CreateDeviceCall> CreateDeviceCalls() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_createCalls;
}
std::vector<ResetCall> ResetCalls() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_resetCalls;
}
void SetRecording(bool on) { g_recording.store(on, std::memory_order_relaxed); }
std::vector<StateCall> StateCalls() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_stateCalls;
}
std::vector<DrawCall> DrawCalls() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_drawCalls;
}
void ClearRecords() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_stateCalls.clear();
    g_drawCalls.clear();
    g_createCalls.clear();
    g_resetCalls.clear();
}

uint64_t GLStateChanges() { return g_glStateChanges.load(); }
uint64_t GLStateChangesFiltered() { return g_glStateFiltered.load(); }
void ClearGLCounters() {
    g_glStateChanges = 0;
    g_glStateFiltered = 0;
}
size_t ProgramCacheSize(IDirect3DDevice9* device) {
    return AsDevice(device)->backend()->ProgramCount();
}

Image ReadSurface(IDirect3DSurface9* surface) {
    Image image;
    auto* s = static_cast<SurfaceImpl*>(surface);
    if (!s || !CanConvert(s->format)) return image;
    const std::vector<uint8_t> bytes = s->Contents();
    image.width = s->width;
    image.height = s->height;
    image.pixels.resize(size_t(s->width) * s->height);
    const UINT bpp = FindFormat(s->format)->bytesPerPixel;
    for (UINT y = 0; y < s->height; ++y)
        for (UINT x = 0; x < s->width; ++x)
            image.pixels[size_t(y) * s->width + x] = ReadPixel(s->format, &bytes[size_t(y) * s->pitch + size_t(x) * bpp]);
    return image;
}

size_t CpuBytes(IDirect3DSurface9* surface) {
    return surface ? static_cast<SurfaceImpl*>(surface)->CpuBytes() : 0;
}
size_t CpuBytes(IDirect3DTexture9* texture) {
    size_t bytes = 0;
    if (auto* t = static_cast<TextureImpl*>(texture))
        for (const auto& level : t->levels) bytes += level->CpuBytes();
    return bytes;
}

Image ReadRenderTarget(IDirect3DDevice9* device) {
    IDirect3DSurface9* rt = nullptr;
    if (FAILED(device->GetRenderTarget(0, &rt)) || !rt) return Image{};
    Image image = ReadSurface(rt);
    rt->Release();
    return image;
}

void SetPresentCapture(bool on) { g_presentCapture = on; }
Image LastPresentedFrame() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_presented;
}
std::vector<uint8_t> VertexBufferBytes(IDirect3DVertexBuffer9* buffer) {
    auto* vb = static_cast<VertexBufferImpl*>(buffer);
    return vb ? vb->mem : std::vector<uint8_t>{};
}
void SetPitchPadding(UINT bytes) { g_pitchPadding = bytes; }
void SetExactShortcuts(bool on, bool directPresent) {
    g_exactShortcuts = on;
    g_directPresent = directPresent;
}

}  // namespace d3d9test
