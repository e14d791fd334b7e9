// Any bytes as a model file through the engine's loader: the X-file parse,
// frames with their references and copies, static and skinned meshes on the
// null Direct3D device, animation sets bound to the frames, and the model
// posed along each take, before its first key and past its end, in every
// key mode.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "engine/core/Kestra.h"
#include "engine/graphics/CXFileLoader.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraManagers.h"
#include "engine/graphics/KestraModelEx.h"
#include "platform/d3d9/d3d9test.h"

namespace {

bool Start() {
    d3d9test::SetBackend(d3d9test::Backend::Null);
    Kestra::SetScreenInfo(640, 480, true);
    return Kestra3D::Initialize() && Kestra3D::Start(reinterpret_cast<HWND>(uintptr_t(0x1000)), true) &&
           KestraAnimation::Initialize() && KestraModelEx::Initialize();
}

void Pose(LibModel::CModel* model) {
    const CMatrix identity;
    for (uint32_t set = 0; set < model->GetAnimationSetCount(); ++set) {
        for (uint32_t f = 0; f < model->GetFrameCount(); ++f) model->GetFrame(f)->SetAnimationBlend(set, set, 0.0f);
        const float length = float(model->GetAnimationLength(int32_t(set)));
        for (uint32_t mode = KestraAnimation::kStep; mode <= KestraAnimation::kHermite; ++mode)
            for (float time : {0.0f, 1.0f, 0.5f * length, length, length + 1.0f}) {
                model->Animate(time, time, mode);
                model->UpdateTransform(&identity);
            }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool started = Start();
    if (!started) std::abort();
    LibModel::CXFileLoader loader;
    LibModel::CModel* model = nullptr;
    if (loader.LoadFromMemory(data, uint32_t(size), 1, 1, KestraModelEx::GetManager()) && loader.GetModel(&model)) {
        // A model is made only within the loader's limits.
        if (model->GetFrameCount() > LibModel::CXFileLoader::kMaxFrames ||
            model->GetMeshCount() > LibModel::CXFileLoader::kMaxMeshes ||
            loader.GetValueCount() > LibModel::CXFileLoader::kMaxValues)
            std::abort();
        // The run's log keeps the largest model built so far.
        static uint32_t frames = 0, meshes = 0;
        static uint64_t values = 0;
        if (model->GetFrameCount() > frames || model->GetMeshCount() > meshes || loader.GetValueCount() > values) {
            frames = std::max(frames, model->GetFrameCount());
            meshes = std::max(meshes, model->GetMeshCount());
            values = std::max(values, loader.GetValueCount());
            std::fprintf(stderr, "largest model: %u frames, %u meshes, %llu values\n", frames, meshes,
                         static_cast<unsigned long long>(values));
        }
        Pose(model);
        model->Release();
    }
    return 0;
}
