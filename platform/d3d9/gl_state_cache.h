// Inside the Direct3D stand-in only: GL state that reaches GL only when the value
// changes, and the conversions from Direct3D's states and formats to GL's.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <unordered_map>

#include "platform/d3d9/d3d9_internal.h"

namespace d3d9impl {

// The unit textures are made and filled on: one no stage draws from, so an
// upload never changes what a stage samples.
constexpr GLuint kEditUnit = 8;

// One per context; Invalidate() forgets all, so the next call of each kind reaches GL.
struct GlCache {
    std::unordered_map<GLenum, int> caps;
    std::array<GLenum, 4> blendFunc{};
    std::array<GLenum, 2> blendEq{};
    std::array<float, 4> blendColor{};
    std::array<GLenum, 1> depthFunc{};
    std::array<GLboolean, 1> depthMask{};
    std::array<GLenum, 1> cullFace{};
    std::array<GLboolean, 4> colorMask{};
    std::array<GLint, 4> viewport{};
    std::array<GLint, 4> scissor{};
    std::array<float, 2> depthRange{};
    std::array<GLenum, 1> polygonMode{};
    std::array<GLuint, 1> program{};
    std::array<GLuint, 1> drawFbo{};
    std::array<GLuint, 1> readFbo{};
    std::array<GLuint, 1> activeUnit{};
    std::array<GLuint, 1> texture[kEditUnit + 1]{};
    std::array<GLuint, 1> sampler[8]{};
    std::array<GLuint, 1> arrayBuffer{};
    std::array<GLint, 6> stencilFront{};  // func, ref, mask, sfail, zfail, zpass
    std::array<GLint, 6> stencilBack{};
    std::array<GLuint, 1> stencilWriteMask{};

    void Invalidate() {
        caps.clear();
        blendFunc.fill(0xFFFFFFFF);
        blendEq.fill(0xFFFFFFFF);
        blendColor.fill(-1.0f);
        depthFunc.fill(0xFFFFFFFF);
        depthMask.fill(0xFF);
        cullFace.fill(0xFFFFFFFF);
        colorMask.fill(0xFF);
        viewport.fill(-1);
        scissor.fill(-1);
        depthRange.fill(-1.0f);
        polygonMode.fill(0xFFFFFFFF);
        program.fill(0xFFFFFFFF);
        drawFbo.fill(0xFFFFFFFF);
        readFbo.fill(0xFFFFFFFF);
        activeUnit.fill(0xFFFFFFFF);
        for (auto& t : texture) t.fill(0xFFFFFFFF);
        for (auto& s : sampler) s.fill(0xFFFFFFFF);
        arrayBuffer.fill(0xFFFFFFFF);
        stencilFront.fill(-1);
        stencilBack.fill(-1);
        stencilWriteMask.fill(0xFFFFFFFF);
    }

    void Enable(GLenum cap, bool on) {
        auto it = caps.find(cap);
        if (it != caps.end() && it->second == int(on)) {
            ++g_glStateFiltered;
            return;
        }
        caps[cap] = int(on);
        ++g_glStateChanges;
        if (on) glEnable(cap);
        else glDisable(cap);
    }
    void BlendFunc(GLenum s, GLenum d, GLenum sa, GLenum da) {
        if (Changed(blendFunc, {s, d, sa, da})) glBlendFuncSeparate(s, d, sa, da);
    }
    void BlendEquation(GLenum c, GLenum a) {
        if (Changed(blendEq, {c, a})) glBlendEquationSeparate(c, a);
    }
    void BlendColor(float r, float g, float b, float a) {
        if (Changed(blendColor, {r, g, b, a})) glBlendColor(r, g, b, a);
    }
    void DepthFunc(GLenum f) {
        if (Changed(depthFunc, {f})) glDepthFunc(f);
    }
    void DepthMask(bool on) {
        if (Changed(depthMask, {GLboolean(on)})) glDepthMask(on ? GL_TRUE : GL_FALSE);
    }
    void CullFace(GLenum f) {
        if (Changed(cullFace, {f})) glCullFace(f);
    }
    void ColorMask(bool r, bool g, bool b, bool a) {
        if (Changed(colorMask, {GLboolean(r), GLboolean(g), GLboolean(b), GLboolean(a)})) glColorMask(r, g, b, a);
    }
    void Viewport(GLint x, GLint y, GLint w, GLint h) {
        if (Changed(viewport, {x, y, w, h})) glViewport(x, y, w, h);
    }
    void Scissor(GLint x, GLint y, GLint w, GLint h) {
        if (Changed(scissor, {x, y, w, h})) glScissor(x, y, w, h);
    }
    void DepthRange(float n, float f) {
        if (Changed(depthRange, {n, f})) glDepthRange(n, f);
    }
    void PolygonMode(GLenum m) {
        if (Changed(polygonMode, {m})) glPolygonMode(GL_FRONT_AND_BACK, m);
    }
    void UseProgram(GLuint p) {
        if (Changed(program, {p})) glUseProgram(p);
    }
    void BindDrawFramebuffer(GLuint f) {
        if (Changed(drawFbo, {f})) glBindFramebuffer(GL_DRAW_FRAMEBUFFER, f);
    }
    void BindReadFramebuffer(GLuint f) {
        if (Changed(readFbo, {f})) glBindFramebuffer(GL_READ_FRAMEBUFFER, f);
    }
    void ActiveUnit(GLuint unit) {
        if (Changed(activeUnit, {unit})) glActiveTexture(GL_TEXTURE0 + unit);
    }
    void BindTexture(GLuint unit, GLuint tex) {
        if (texture[unit][0] == tex) {
            ++g_glStateFiltered;
            return;
        }
        ActiveUnit(unit);
        Changed(texture[unit], {tex});
        glBindTexture(GL_TEXTURE_2D, tex);
    }
    // Binds tex for the texture calls that follow: its unit is made active even
    // when the binding stands.
    void EditTexture(GLuint tex) {
        ActiveUnit(kEditUnit);
        BindTexture(kEditUnit, tex);
    }
    void BindSampler(GLuint unit, GLuint s) {
        if (Changed(sampler[unit], {s})) glBindSampler(unit, s);
    }
    void BindArrayBuffer(GLuint b) {
        if (Changed(arrayBuffer, {b})) glBindBuffer(GL_ARRAY_BUFFER, b);
    }
    void StencilFront(GLint func, GLint ref, GLint mask, GLint sfail, GLint zfail, GLint zpass) {
        if (Changed(stencilFront, {func, ref, mask, sfail, zfail, zpass})) {
            glStencilFuncSeparate(GL_FRONT, GLenum(func), ref, GLuint(mask));
            glStencilOpSeparate(GL_FRONT, GLenum(sfail), GLenum(zfail), GLenum(zpass));
        }
    }
    void StencilBack(GLint func, GLint ref, GLint mask, GLint sfail, GLint zfail, GLint zpass) {
        if (Changed(stencilBack, {func, ref, mask, sfail, zfail, zpass})) {
            glStencilFuncSeparate(GL_BACK, GLenum(func), ref, GLuint(mask));
            glStencilOpSeparate(GL_BACK, GLenum(sfail), GLenum(zfail), GLenum(zpass));
        }
    }
    void StencilWriteMask(GLuint m) {
        if (Changed(stencilWriteMask, {m})) glStencilMask(m);
    }
    void ForgetTexture(GLuint tex) {
        for (auto& t : texture)
            if (t[0] == tex) t[0] = 0xFFFFFFFF;
    }

private:
    template <class T, size_t N>
    static bool Changed(std::array<T, N>& current, const std::array<T, N>& wanted) {
        if (current == wanted) {
            ++g_glStateFiltered;
            return false;
        }
        current = wanted;
        ++g_glStateChanges;
        return true;
    }
};

GLenum BlendFactor(DWORD b);
GLenum BlendOp(DWORD op);
// Direct3D's BOTHSRCALPHA / BOTHINVSRCALPHA set both factors from the source one.
void BlendPair(DWORD src, DWORD dst, GLenum* s, GLenum* d);
GLenum CompareFunc(DWORD f);
GLenum StencilOp(DWORD op);
GLenum PrimitiveMode(D3DPRIMITIVETYPE t);
// Colour attachments keep the target's precision; X formats have no alpha to read.
GLenum RenderTargetFormat(D3DFORMAT f);
GLenum DepthFormat(D3DFORMAT f);

}  // namespace d3d9impl
