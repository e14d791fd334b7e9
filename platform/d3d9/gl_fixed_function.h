// Inside the Direct3D stand-in only: the fixed-function pipeline as generated GLSL,
// one program for each key.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9_internal.h"

namespace d3d9impl {

struct StageKey {
    DWORD colorOp, colorArg[3], alphaOp, alphaArg[3], result, texCoord;
    bool texture;
};

struct ProgramKey {
    bool pretransformed = false;
    bool lighting = false;
    bool hasNormal = false, hasDiffuse = false, hasSpecular = false;
    bool colorVertex = false;
    DWORD diffuseSource = 0, ambientSource = 0, specularSource = 0, emissiveSource = 0;
    std::vector<DWORD> lightTypes;
    bool flat = false;
    bool specularEnable = false;
    std::vector<StageKey> stages;
    DWORD alphaFunc = D3DCMP_ALWAYS;
    bool diffuseWhite = false;  // every vertex of the draw is opaque white: the diffuse is a constant
    bool plainFetch = false;    // a stage that comes to its texture alone skips the clamps
    uint64_t userShader = 0;  // the vertex shader's key; 0 for the fixed-function one
    bool capture = false;

    std::string Text() const;  // the program cache's key: one program per text
};

std::string VertexShaderText(const ProgramKey& key);
// A constant diffuse drops out of the stages' products; textures hold 0..1 alone,
// so a stage that comes to its texture needs no clamp.
// Operations it cannot express are added to `unsupported` and drawn as MODULATE.
std::string FragmentShaderText(const ProgramKey& key, std::set<DWORD>* unsupported);

// What every vertex stage, fixed or a user's, hands the fixed-function fragment stage
// (`direction` "out" or "in").
std::string StageVaryings(bool flat, const char* direction);
// Direct3D clip space (z in 0..w, y up) with its pixel centres, into GL's, from `c`.
extern const char kGlPositionFromClip[];

}  // namespace d3d9impl
