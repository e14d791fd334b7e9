// The modules a model needs (camera, textures, effects, animation tables and
// the model manager) on a device of its own.
#pragma once

#include "engine/graphics/KestraCamera.h"
#include "engine/graphics/KestraManagers.h"
#include "engine/graphics/KestraModelEx.h"
#include "tests/engine/graphics/object_test_env.h"

namespace modeltest {

class ModelTest : public objtest::DeviceTest {
protected:
    void StartAll(d3d9test::Backend backend) {
        StartDevice(backend);
        ASSERT_TRUE(KestraCamera::Initialize());
        ASSERT_TRUE(KestraTexture::Initialize());
        ASSERT_TRUE(KestraShaderFx::Initialize());
        ASSERT_TRUE(KestraAnimation::Initialize());
        ASSERT_TRUE(KestraModelEx::Initialize());
    }
    void FinishDevice() override {
        if (started_) {
            KestraModelEx::Finalize();
            KestraAnimation::Finalize();
            KestraShaderFx::Finalize();
            KestraTexture::Finalize();
            KestraCamera::Finalize();
        }
        objtest::DeviceTest::FinishDevice();
    }
};

}  // namespace modeltest
