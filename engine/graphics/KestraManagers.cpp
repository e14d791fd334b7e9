// Start and finish of the managers and model, camera and animation modules.
#include "engine/graphics/KestraManagers.h"

#include "engine/core/Kestra.h"

namespace {

// One module's started state; the finish of a module that never started is silent.
struct ModuleState {
    const char* name;
    bool started;

    bool Start() {
        Kestra::LogHeadline("%sクラスの初期化", name);
        started = true;
        return true;
    }
    void Finish() {
        if (!started) return;
        Kestra::LogHeadline("%sクラスの解放", name);
        started = false;
    }
};

}  // namespace

namespace KestraSurface {
namespace {
ModuleState g_state{"KestraSurface", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
CSurface* CreateDepthStencil(int32_t, int32_t, uint32_t) { return nullptr; }
void Release(CSurface*) {}
}  // namespace KestraSurface

namespace KestraTexture {
namespace {
ModuleState g_state{"KestraTexture", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
}  // namespace KestraTexture

namespace KestraSheet {
namespace {
ModuleState g_state{"KestraSheet", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
}  // namespace KestraSheet

namespace KestraSimple {
namespace {
ModuleState g_state{"KestraSimple", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
namespace {
bool g_table = false;
}  // namespace
bool InitializeTable() {
    g_table = true;
    return true;
}
void FinalizeTable() { g_table = false; }
}  // namespace KestraSimple

namespace KestraFont {
namespace {
ModuleState g_state{"KestraFont", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
}  // namespace KestraFont

namespace KestraPoint2D {
namespace {
ModuleState g_state{"KestraPoint2D", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
void SetScaling(bool, float, float, float) {}
void SetPerspective(bool, float, float, float) {}
}  // namespace KestraPoint2D

namespace KestraPoint3D {
namespace {
ModuleState g_state{"KestraPoint3D", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
}  // namespace KestraPoint3D

namespace KestraLine2D {
namespace {
ModuleState g_state{"KestraLine2D", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
void SetScaling(bool, float, float, float) {}
void SetPerspective(bool, float, float, float) {}
}  // namespace KestraLine2D

namespace KestraLine3D {
namespace {
ModuleState g_state{"KestraLine3D", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
}  // namespace KestraLine3D

namespace KestraPrimitive2D {
namespace {
ModuleState g_state{"KestraPrimitive2D", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
void SetScaling(bool, float, float, float) {}
void SetPerspective(bool, float, float, float) {}
}  // namespace KestraPrimitive2D

namespace KestraPrimitive3D {
namespace {
ModuleState g_state{"KestraPrimitive3D", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
}  // namespace KestraPrimitive3D

namespace KestraSprite2D {
namespace {
ModuleState g_state{"KestraSprite2D", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
void SetScaling(bool, float, float, float) {}
void SetPerspective(bool, float, float, float) {}
}  // namespace KestraSprite2D

namespace KestraSprite3D {
namespace {
ModuleState g_state{"KestraSprite3D", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
}  // namespace KestraSprite3D

namespace KestraFontSprite2D {
namespace {
ModuleState g_state{"KestraFontSprite2D", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
}  // namespace KestraFontSprite2D

namespace KestraFontSprite3D {
namespace {
ModuleState g_state{"KestraFontSprite3D", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
}  // namespace KestraFontSprite3D

namespace KestraModelEx {
namespace {
ModuleState g_state{"KestraModelEx", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
}  // namespace KestraModelEx

namespace KestraModel {
namespace {
ModuleState g_state{"KestraModel", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
}  // namespace KestraModel

namespace KestraCamera {
namespace {
ModuleState g_state{"KestraCamera", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
int32_t Create() { return -1; }
void Release(int32_t) {}
void SetProjection(int32_t, float, float, float, float) {}
void Reset(int32_t) {}
void LookAt(int32_t, const CVector3*, const CVector3*, const CVector3*) {}
void Update(int32_t) {}
}  // namespace KestraCamera

namespace KestraAnimation {
namespace {
ModuleState g_state{"KestraAnimation", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
}  // namespace KestraAnimation

namespace KestraShaderFx {
namespace {
ModuleState g_state{"KestraShaderFx", false};
}  // namespace
bool Initialize() { return g_state.Start(); }
void Finalize() { g_state.Finish(); }
bool IsStarted() { return g_state.started; }
}  // namespace KestraShaderFx
