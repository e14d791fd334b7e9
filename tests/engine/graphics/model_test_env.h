// The modules a model needs (camera, textures, effects, animation tables and
// the model manager) on a device of its own, and a file that references a mesh.
#pragma once

#include <string>

#include "engine/graphics/KestraCamera.h"
#include "engine/graphics/KestraManagers.h"
#include "engine/graphics/KestraModelEx.h"
#include "tests/engine/graphics/object_test_env.h"

namespace modeltest {

// A triangle defined in Body and referenced from two frames below it: Left
// moved 6 to the left, Right turned 90 degrees about z and moved 5 to the
// right, all three 1 up with their parent; Right rises by 4 over ten ticks.
// Written out, each reference is replaced by the mesh itself.
inline std::string ReferencedMeshFile(bool writtenOut = false) {
    const std::string mesh = "Mesh Tri { 3; 0.0;0.0;0.0;, 2.0;0.0;0.0;, 0.0;2.0;0.0;; 1; 3;0,1,2;; }";
    const std::string reference = writtenOut ? mesh : "{ Tri }";
    return "xof 0303txt 0032\n"
           "Frame Body {\n"
           " FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,1.0,0.0,1.0;; }\n"
           " " + mesh + "\n"
           " Frame Left {\n"
           "  FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, -6.0,0.0,0.0,1.0;; }\n"
           "  " + reference + "\n"
           " }\n"
           " Frame Right {\n"
           "  FrameTransformMatrix { 0.0,1.0,0.0,0.0, -1.0,0.0,0.0,0.0, 0.0,0.0,1.0,0.0, 5.0,0.0,0.0,1.0;; }\n"
           "  " + reference + "\n"
           " }\n"
           "}\n"
           "AnimationSet Rise {\n"
           " Animation {\n"
           "  { Right }\n"
           "  AnimationKey { 2; 2; 0;3;5.0,0.0,0.0;;, 10;3;5.0,4.0,0.0;;; }\n"
           " }\n"
           "}\n";
}

class ModelTest : public objtest::DeviceTest {
protected:
    void StartAll(d3d9test::Backend backend) {
        StartDevice(backend);
        ASSERT_TRUE(KestraCamera::Initialize());
        ASSERT_TRUE(KestraTexture::Initialize());
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
