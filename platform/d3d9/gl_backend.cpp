// OpenGL 3.3 core drawing for the Direct3D stand-in.
// Conventions: every GL texture and framebuffer keeps Direct3D's top row at GL row 0,
// so render targets sample the right way up and read-backs need no flip. The back
// buffer lives in the window itself when it can (see "The window" below): there an
// upper-left clip origin mirrors the whole rasterisation, edge rule and winding
// included, and only viewports, scissors and read-backs flip by hand. Otherwise it
// is a texture that Present blits, flipped, into the window. Pre-transformed
// vertices keep Direct3D 9's pixel centres on integer coordinates (no half-pixel
// correction on top of the engine's).
#include "platform/d3d9/backend.h"

#include <SDL.h>
#include <epoxy/egl.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <set>
#include <unordered_map>

#include "platform/d3d9/gl_fixed_function.h"
#include "platform/d3d9/gl_state_cache.h"
#include "platform/d3d9/vertex_shader.h"
#include "platform/win32/sdl_bridge.h"

namespace d3d9impl {

namespace {

float Float(DWORD bits) {
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

void ColorToFloats(D3DCOLOR c, float* out) {
    out[0] = float((c >> 16) & 0xFF) / 255.0f;
    out[1] = float((c >> 8) & 0xFF) / 255.0f;
    out[2] = float(c & 0xFF) / 255.0f;
    out[3] = float(c >> 24) / 255.0f;
}

struct Program {
    GLuint id = 0;
    GLint viewport, depth, wvp, world, ambient, matDiffuse, matAmbient, matSpecular, matEmissive;
    GLint lightDiffuse, lightAmbient, lightPos, lightDir, lightAtt;
    GLint samplers, tfactor, constants, alphaRef;
    UserProgram user;
    size_t users = 0;  // live user shaders linked to it
};

GLuint Compile(GLenum type, const std::string& text) {
    GLuint shader = glCreateShader(type);
    const char* src = text.c_str();
    glShaderSource(shader, 1, &src, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[2048];
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        SDL_Log("Direct3D stand-in: shader compile failed: %s\n%s", log, text.c_str());
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

// Each entry point makes the context current itself.
class GlBackend final : public Backend {
    friend std::unique_ptr<Backend> d3d9impl::CreateGlBackend(HWND hwnd, std::string* error);

    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    GlCache cache;
    GLuint drawFbo = 0, readFbo = 0, vao = 0, streamVertices = 0, streamIndices = 0;
    GLuint samplers[8] = {};
    std::array<DWORD, 14> samplerValues[8];
    bool samplerValid[8] = {};
    GLuint attachedColor = 0, attachedColorLevel = 0, attachedDepth = 0;
    bool attachedDepthStencil = false;
    std::unordered_map<std::string, Program> programs;
    std::unordered_map<const VertexShaderImpl*, std::vector<std::string>> userPrograms;  // by the texts linked
    std::set<DWORD> unsupportedOps;
    std::set<std::string> logged;
    bool mirrorClamp = false;
    bool anisotropic = false;
    // The window: its buffers' formats as a target's or depth surface's (0: none
    // matches), whether they can stand in for the back buffer (its pixels kept
    // through a swap, and clip control), and who lives in them.
    GLenum windowColor = 0, windowDepth = 0;
    bool windowKeeps = false;
    bool clipUpper = false;
    SurfaceImpl* backBuffer = nullptr;
    bool inWindow = false;  // the back buffer's pixels are the window's, rows flipped
    SurfaceImpl* depthInWindow = nullptr;
    // Paired in a way the window cannot hold: a texture for the rest of the frame, and
    // after a second time, until the next back buffer.
    bool leftThisFrame = false;
    int pairingLeaves = 0;

    void LogOnce(const std::string& message) {
        if (logged.insert(message).second) SDL_Log("Direct3D stand-in: %s", message.c_str());
    }

    // ---- The window as the back buffer's home.

    bool WindowFits(const SurfaceImpl* bb) const {
        if (!g_directPresent || !windowKeeps || leftThisFrame || pairingLeaves >= 2 || bb->glInternalFormat != windowColor)
            return false;
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(window, &w, &h);
        return UINT(w) == bb->width && UINT(h) == bb->height;
    }

    void SetClipUpper(bool upper) {
        if (upper == clipUpper) return;
        glClipControl(upper ? GL_UPPER_LEFT : GL_LOWER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
        clipUpper = upper;
        ++g_glStateChanges;
    }

    // Rows [top, top + h) of the back buffer, as GL rows of the window.
    GLint WindowRow(LONG top, LONG h) const { return GLint(LONG(backBuffer->height) - top - h); }

    // Blits `bits` between the window and the framebuffer bound as the other side,
    // rows flipped: the whole back buffer, or the rectangle r of it.
    void BlitFlipped(GLbitfield bits) {
        BlitFlipped(bits, RECT{0, 0, LONG(backBuffer->width), LONG(backBuffer->height)});
    }
    void BlitFlipped(GLbitfield bits, const RECT& r) {
        const GLint h = GLint(backBuffer->height);
        cache.Enable(GL_SCISSOR_TEST, false);
        cache.ColorMask(true, true, true, true);
        cache.DepthMask(true);
        cache.StencilWriteMask(0xFF);
        glBlitFramebuffer(r.left, r.top, r.right, r.bottom, r.left, h - r.top, r.right, h - r.bottom, bits, GL_NEAREST);
    }

    // The back buffer's texture, in r, into the window.
    void TextureToWindow(const RECT& r) {
        cache.BindReadFramebuffer(readFbo);
        glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, backBuffer->glTexture, 0);
        cache.BindDrawFramebuffer(0);
        BlitFlipped(GL_COLOR_BUFFER_BIT, r);
        glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    }

    // The window's depth buffer takes over a depth surface's contents.
    void MoveDepthIn(SurfaceImpl* ds) {
        Attach(nullptr, ds);
        cache.BindReadFramebuffer(drawFbo);
        cache.BindDrawFramebuffer(0);
        BlitFlipped(DepthBits(ds));
        depthInWindow = ds;
    }

    // Back to the texture (and renderbuffer): what the window holds is copied there.
    void LeaveWindow(bool forPairing) {
        inWindow = false;
        leftThisFrame = forPairing;
        pairingLeaves += forPairing;
        SurfaceImpl* ds = depthInWindow;
        depthInWindow = nullptr;
        Attach(backBuffer, ds);
        cache.BindReadFramebuffer(0);
        glReadBuffer(GL_BACK);
        BlitFlipped(GL_COLOR_BUFFER_BIT | (ds ? DepthBits(ds) : 0));
    }

    static GLbitfield DepthBits(const SurfaceImpl* ds) {
        return GL_DEPTH_BUFFER_BIT | (FindFormat(ds->format)->stencil ? GL_STENCIL_BUFFER_BIT : 0);
    }

    // Whether a draw or clear to rt with ds goes to the window; pairings the window
    // cannot hold send the back buffer back to its texture first.
    bool ToWindow(const SurfaceImpl* rt, SurfaceImpl* ds) {
        if (!inWindow) {
            if (!rt || rt != backBuffer || !WindowFits(backBuffer)) return false;
            EnterWindow();
        }
        if (!g_directPresent) {
            LeaveWindow(false);
            return false;
        }
        if (rt != backBuffer) {
            if (ds && ds == depthInWindow) LeaveWindow(true);
            return false;
        }
        if (!ds || ds == depthInWindow) return true;
        if (!depthInWindow && ds->glInternalFormat == windowDepth && ds->width == rt->width &&
            ds->height == rt->height) {
            MoveDepthIn(ds);
            return true;
        }
        LeaveWindow(true);
        return false;
    }

    // Draws and clears go to rt and ds; true when that is the window.
    bool Target(SurfaceImpl* rt, SurfaceImpl* ds) {
        const bool window = ToWindow(rt, ds);
        SetClipUpper(window);
        if (window) cache.BindDrawFramebuffer(0);
        else Attach(rt, ds);
        return window;
    }

    void Attach(SurfaceImpl* rt, SurfaceImpl* ds) {
        cache.BindDrawFramebuffer(drawFbo);
        GLuint color = rt ? rt->glTexture : 0;
        GLuint level = rt ? (rt->container_ ? rt->level : 0) : 0;
        if (color != attachedColor || level != attachedColorLevel) {
            glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, color, GLint(level));
            attachedColor = color;
            attachedColorLevel = level;
            ++g_glStateChanges;
        }
        GLuint depth = ds ? ds->glRenderbuffer : 0;
        bool stencil = ds && FindFormat(ds->format)->stencil;
        if (depth != attachedDepth || stencil != attachedDepthStencil) {
            glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
            if (depth)
                glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER,
                                          stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                          GL_RENDERBUFFER, depth);
            attachedDepth = depth;
            attachedDepthStencil = stencil;
            ++g_glStateChanges;
        }
    }

    // A user shader's programs: each lives while a live shader links to it.
    Program* GetProgram(const ProgramKey& key, const VertexShaderImpl* user) {
        std::string text = key.Text();
        auto it = programs.find(text);
        if (it == programs.end()) it = programs.emplace(text, Link(key, user)).first;
        if (user) {
            std::vector<std::string>& used = userPrograms[user];
            if (std::find(used.begin(), used.end(), text) == used.end()) {
                used.push_back(text);
                ++it->second.users;
            }
        }
        return &it->second;
    }

    Program Link(const ProgramKey& key, const VertexShaderImpl* user) {
        Program p{};
        size_t before = unsupportedOps.size();
        GLuint vs = Compile(GL_VERTEX_SHADER, user ? UserVertexText(*user, key.flat, key.capture) : VertexShaderText(key));
        GLuint fs = Compile(GL_FRAGMENT_SHADER, FragmentShaderText(key, &unsupportedOps));
        if (unsupportedOps.size() != before) LogOnce("texture-stage operation not emulated, drawn as MODULATE");
        if (vs && fs) {
            p.id = glCreateProgram();
            glAttachShader(p.id, vs);
            glAttachShader(p.id, fs);
            if (user) PrepareUserProgram(p.id, *user, key.capture);
            glLinkProgram(p.id);
            GLint ok = 0;
            glGetProgramiv(p.id, GL_LINK_STATUS, &ok);
            if (!ok) {
                char log[2048];
                glGetProgramInfoLog(p.id, sizeof log, nullptr, log);
                SDL_Log("Direct3D stand-in: program link failed: %s", log);
                glDeleteProgram(p.id);
                p.id = 0;
            }
        }
        if (vs) glDeleteShader(vs);
        if (fs) glDeleteShader(fs);
        if (p.id) {
            auto loc = [&](const char* name) { return glGetUniformLocation(p.id, name); };
            p.viewport = loc("uViewport");
            p.depth = loc("uDepth");
            p.wvp = loc("uWVP");
            p.world = loc("uWorld");
            p.ambient = loc("uAmbient");
            p.matDiffuse = loc("uMatDiffuse");
            p.matAmbient = loc("uMatAmbient");
            p.matSpecular = loc("uMatSpecular");
            p.matEmissive = loc("uMatEmissive");
            p.lightDiffuse = loc("uLightDiffuse");
            p.lightAmbient = loc("uLightAmbient");
            p.lightPos = loc("uLightPos");
            p.lightDir = loc("uLightDir");
            p.lightAtt = loc("uLightAtt");
            p.samplers = loc("uS");
            p.tfactor = loc("uTFactor");
            p.constants = loc("uConst");
            p.alphaRef = loc("uAlphaRef");
            p.user.id = p.id;
            if (user) LocateUserProgram(&p.user, *user);
            cache.UseProgram(p.id);
            if (p.samplers >= 0) {
                GLint units[8] = {0, 1, 2, 3, 4, 5, 6, 7};
                glUniform1iv(p.samplers, 8, units);
            }
        }
        return p;
    }

    void ForgetVertexShader(const VertexShaderImpl* user) override {
        const auto used = userPrograms.find(user);
        if (used == userPrograms.end()) return;
        MakeCurrent();
        for (const std::string& text : used->second) {
            const auto program = programs.find(text);
            if (--program->second.users > 0) continue;
            // Unbound first: a program in use is only deleted once another takes its place.
            cache.UseProgram(0);
            if (program->second.id) glDeleteProgram(program->second.id);
            programs.erase(program);
        }
        userPrograms.erase(used);
    }

    void ApplySampler(int unit, const DWORD* ss, GLuint levels) {
        std::array<DWORD, 14> values;
        std::memcpy(values.data(), ss, sizeof(DWORD) * 14);
        values[0] = levels;  // slot 0 is unused by Direct3D: keep the level count there
        if (samplerValid[unit] && samplerValues[unit] == values) {
            cache.BindSampler(GLuint(unit), samplers[unit]);
            return;
        }
        samplerValid[unit] = true;
        samplerValues[unit] = values;
        GLuint s = samplers[unit];
        auto wrap = [&](DWORD mode) -> GLint {
            switch (mode) {
            case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
            case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
            case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
            case D3DTADDRESS_MIRRORONCE: return mirrorClamp ? GL_MIRROR_CLAMP_TO_EDGE : GL_CLAMP_TO_EDGE;
            default: return GL_REPEAT;
            }
        };
        glSamplerParameteri(s, GL_TEXTURE_WRAP_S, wrap(ss[D3DSAMP_ADDRESSU]));
        glSamplerParameteri(s, GL_TEXTURE_WRAP_T, wrap(ss[D3DSAMP_ADDRESSV]));
        glSamplerParameteri(s, GL_TEXTURE_WRAP_R, wrap(ss[D3DSAMP_ADDRESSW]));
        float border[4];
        ColorToFloats(ss[D3DSAMP_BORDERCOLOR], border);
        glSamplerParameterfv(s, GL_TEXTURE_BORDER_COLOR, border);
        bool magLinear = ss[D3DSAMP_MAGFILTER] >= D3DTEXF_LINEAR;
        bool minLinear = ss[D3DSAMP_MINFILTER] >= D3DTEXF_LINEAR;
        GLint minFilter = minLinear ? GL_LINEAR : GL_NEAREST;
        if (levels > 1 && ss[D3DSAMP_MIPFILTER] == D3DTEXF_POINT)
            minFilter = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
        else if (levels > 1 && ss[D3DSAMP_MIPFILTER] >= D3DTEXF_LINEAR)
            minFilter = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
        glSamplerParameteri(s, GL_TEXTURE_MAG_FILTER, magLinear ? GL_LINEAR : GL_NEAREST);
        glSamplerParameteri(s, GL_TEXTURE_MIN_FILTER, minFilter);
        glSamplerParameterf(s, GL_TEXTURE_LOD_BIAS, Float(ss[D3DSAMP_MIPMAPLODBIAS]));
        glSamplerParameterf(s, GL_TEXTURE_MIN_LOD, float(ss[D3DSAMP_MAXMIPLEVEL]));
        if (anisotropic) {
            float aniso = (ss[D3DSAMP_MINFILTER] == D3DTEXF_ANISOTROPIC || ss[D3DSAMP_MAGFILTER] == D3DTEXF_ANISOTROPIC)
                              ? float(std::max<DWORD>(1, ss[D3DSAMP_MAXANISOTROPY]))
                              : 1.0f;
            glSamplerParameterf(s, GL_TEXTURE_MAX_ANISOTROPY_EXT, aniso);
        }
        ++g_glStateChanges;
        cache.BindSampler(GLuint(unit), s);
    }

    void MakeCurrent() {
        if (SDL_GL_GetCurrentContext() != context) SDL_GL_MakeCurrent(window, context);
    }

    // Detached first when it is the draw target's colour, so the target never names
    // a deleted texture.
    void DeleteTexture(GLuint* texture) {
        if (attachedColor == *texture) {
            cache.BindDrawFramebuffer(drawFbo);
            glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
            attachedColor = 0;
        }
        cache.ForgetTexture(*texture);
        glDeleteTextures(1, texture);
        *texture = 0;
    }

    void UploadBuffer(unsigned buffer, const void* data, size_t size, bool index) {
        if (index) {
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer);
            glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(size), data, GL_DYNAMIC_DRAW);
        } else {
            cache.BindArrayBuffer(buffer);
            glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(size), data, GL_DYNAMIC_DRAW);
        }
    }

    // ---- Draw's steps, in the order it takes them.

    // Viewport and scissor, in GL rows that equal Direct3D rows, or the window's flipped ones.
    void ApplyViewport(const DeviceState& s, bool window) {
        const D3DVIEWPORT9& vp = s.viewport;
        cache.Viewport(GLint(vp.X), window ? WindowRow(LONG(vp.Y), LONG(vp.Height)) : GLint(vp.Y), GLint(vp.Width),
                       GLint(vp.Height));
        cache.DepthRange(vp.MinZ, vp.MaxZ);
        const bool scissor = s.renderStates[D3DRS_SCISSORTESTENABLE] != 0;
        cache.Enable(GL_SCISSOR_TEST, scissor);
        if (scissor) {
            const RECT& r = s.scissor;
            const LONG h = std::max<LONG>(0, r.bottom - r.top);
            cache.Scissor(r.left, window ? WindowRow(r.top, h) : r.top, std::max<LONG>(0, r.right - r.left), h);
        }
    }

    void ApplyBlending(const DWORD* rs) {
        cache.Enable(GL_BLEND, rs[D3DRS_ALPHABLENDENABLE] != 0);
        if (!rs[D3DRS_ALPHABLENDENABLE]) return;
        GLenum sc, dc;
        BlendPair(rs[D3DRS_SRCBLEND], rs[D3DRS_DESTBLEND], &sc, &dc);
        GLenum sa = sc, da = dc, opColor = BlendOp(rs[D3DRS_BLENDOP]), opAlpha = opColor;
        if (rs[D3DRS_SEPARATEALPHABLENDENABLE]) {
            BlendPair(rs[D3DRS_SRCBLENDALPHA], rs[D3DRS_DESTBLENDALPHA], &sa, &da);
            opAlpha = BlendOp(rs[D3DRS_BLENDOPALPHA]);
        }
        cache.BlendFunc(sc, dc, sa, da);
        cache.BlendEquation(opColor, opAlpha);
        float bf[4];
        ColorToFloats(rs[D3DRS_BLENDFACTOR], bf);
        cache.BlendColor(bf[0], bf[1], bf[2], bf[3]);
    }

    // Depth and stencil: nothing without a depth-stencil surface.
    bool ApplyDepthStencil(const DWORD* rs, const SurfaceImpl* ds) {
        const bool depth = ds && rs[D3DRS_ZENABLE] != D3DZB_FALSE;
        cache.Enable(GL_DEPTH_TEST, depth);
        if (depth) {
            cache.DepthFunc(CompareFunc(rs[D3DRS_ZFUNC]));
            cache.DepthMask(rs[D3DRS_ZWRITEENABLE] != 0);
        }
        const bool stencil = ds && rs[D3DRS_STENCILENABLE] && FindFormat(ds->format)->stencil;
        cache.Enable(GL_STENCIL_TEST, stencil);
        if (stencil) {
            GLint ref = GLint(rs[D3DRS_STENCILREF] & 0xFF), mask = GLint(rs[D3DRS_STENCILMASK] & 0xFF);
            cache.StencilFront(GLint(CompareFunc(rs[D3DRS_STENCILFUNC])), ref, mask,
                               GLint(StencilOp(rs[D3DRS_STENCILFAIL])), GLint(StencilOp(rs[D3DRS_STENCILZFAIL])),
                               GLint(StencilOp(rs[D3DRS_STENCILPASS])));
            // Screen-counter-clockwise faces are GL's back faces here; one-sided, they test as the front.
            const bool ccw = rs[D3DRS_TWOSIDEDSTENCILMODE] != 0;
            cache.StencilBack(GLint(CompareFunc(rs[ccw ? D3DRS_CCW_STENCILFUNC : D3DRS_STENCILFUNC])), ref, mask,
                              GLint(StencilOp(rs[ccw ? D3DRS_CCW_STENCILFAIL : D3DRS_STENCILFAIL])),
                              GLint(StencilOp(rs[ccw ? D3DRS_CCW_STENCILZFAIL : D3DRS_STENCILZFAIL])),
                              GLint(StencilOp(rs[ccw ? D3DRS_CCW_STENCILPASS : D3DRS_STENCILPASS])));
            cache.StencilWriteMask(rs[D3DRS_STENCILWRITEMASK] & 0xFF);
        }
        return depth && rs[D3DRS_ZWRITEENABLE];
    }

    void ApplyRasterizer(const DWORD* rs, const SurfaceImpl& rt) {
        // Culling: Direct3D's screen-clockwise triangles come out GL-counter-clockwise (front).
        const DWORD cull = rs[D3DRS_CULLMODE];
        cache.Enable(GL_CULL_FACE, cull == D3DCULL_CW || cull == D3DCULL_CCW);
        if (cull == D3DCULL_CW || cull == D3DCULL_CCW) cache.CullFace(cull == D3DCULL_CW ? GL_FRONT : GL_BACK);
        const DWORD mask = rs[D3DRS_COLORWRITEENABLE];
        const bool alphaWrite = (mask & 8) && FindFormat(rt.format)->hasAlpha;
        cache.ColorMask(mask & 1, mask & 2, mask & 4, alphaWrite);
        cache.Enable(GL_DITHER, rs[D3DRS_DITHERENABLE] != 0);
        cache.PolygonMode(rs[D3DRS_FILLMODE] == D3DFILL_POINT       ? GLenum(GL_POINT)
                          : rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GLenum(GL_LINE)
                                                                    : GLenum(GL_FILL));
        if (rs[D3DRS_FOGENABLE]) LogOnce("fog is not emulated by the fixed-function path");
    }

    // The program key apart from the texture stages.
    ProgramKey KeyFor(const DrawParams& p, const VertexShaderImpl* user) const {
        const DeviceState& s = *p.state;
        const DWORD* rs = s.renderStates;
        ProgramKey key;
        if (user) {
            key.userShader = user->key;
            key.capture = CaptureEnabled();
        }
        key.pretransformed = !user && p.layout->pretransformed;
        key.hasNormal = p.layout->has(kAttrNormal);
        key.hasDiffuse = p.layout->has(kAttrDiffuse);
        key.hasSpecular = p.layout->has(kAttrSpecular);
        key.lighting = !user && !key.pretransformed && rs[D3DRS_LIGHTING];
        if (key.lighting) {
            key.colorVertex = rs[D3DRS_COLORVERTEX] != 0;
            key.diffuseSource = rs[D3DRS_DIFFUSEMATERIALSOURCE];
            key.ambientSource = rs[D3DRS_AMBIENTMATERIALSOURCE];
            key.specularSource = rs[D3DRS_SPECULARMATERIALSOURCE];
            key.emissiveSource = rs[D3DRS_EMISSIVEMATERIALSOURCE];
            for (const auto& [index, on] : s.lightEnabled) {
                if (!on || key.lightTypes.size() >= 8) continue;
                key.lightTypes.push_back(s.lights.at(index).Type);
            }
        }
        key.flat = rs[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
        key.specularEnable = rs[D3DRS_SPECULARENABLE] != 0;
        key.alphaFunc = rs[D3DRS_ALPHATESTENABLE] ? rs[D3DRS_ALPHAFUNC] : DWORD(D3DCMP_ALWAYS);
        if (key.alphaFunc < D3DCMP_NEVER || key.alphaFunc > D3DCMP_ALWAYS) key.alphaFunc = D3DCMP_ALWAYS;
        if (g_exactShortcuts && !user) {
            key.plainFetch = true;
            key.diffuseWhite = !key.lighting && AllDiffuseWhite(p);
            if (AlphaTestChangesNothing(rs, s.depthStencil)) key.alphaFunc = D3DCMP_ALWAYS;
        }
        return key;
    }

    static bool AllDiffuseWhite(const DrawParams& p) {
        for (const auto& a : p.layout->attribs) {
            if (a.slot != kAttrDiffuse) continue;
            if (a.declType != D3DDECLTYPE_D3DCOLOR || !p.readVertices) return false;
            const uint8_t* v = p.readVertices + a.offset;
            for (UINT i = 0; i < p.readVertexCount; ++i, v += p.stride)
                if (v[0] != 0xFF || v[1] != 0xFF || v[2] != 0xFF || v[3] != 0xFF) return false;
        }
        return true;  // none given: Direct3D's white
    }

    // A fragment the test would discard has an alpha that rounds to 0 in eight
    // bits; the blend moves the target by less than that alpha times the
    // largest difference, under half a step, so it rounds back to the target.
    // Nothing else may be written for it: no depth, no stencil, no dither.
    static bool AlphaTestChangesNothing(const DWORD* rs, const SurfaceImpl* ds) {
        const DWORD ref = rs[D3DRS_ALPHAREF] & 0xFF, func = rs[D3DRS_ALPHAFUNC];
        const bool failsOnlyAtZero = ((func == D3DCMP_GREATER || func == D3DCMP_NOTEQUAL) && ref == 0) ||
                                     (func == D3DCMP_GREATEREQUAL && ref <= 1);
        if (!rs[D3DRS_ALPHATESTENABLE] || !failsOnlyAtZero || !rs[D3DRS_ALPHABLENDENABLE] || rs[D3DRS_DITHERENABLE])
            return false;
        if (ds && ((rs[D3DRS_ZENABLE] != D3DZB_FALSE && rs[D3DRS_ZWRITEENABLE]) || rs[D3DRS_STENCILENABLE])) return false;
        const auto weighsBySourceAlpha = [](DWORD src, DWORD dst, DWORD op) {
            if (src == D3DBLEND_BOTHSRCALPHA) return op == D3DBLENDOP_ADD;
            if (src != D3DBLEND_SRCALPHA) return false;
            return (op == D3DBLENDOP_ADD && (dst == D3DBLEND_INVSRCALPHA || dst == D3DBLEND_ONE)) ||
                   (op == D3DBLENDOP_REVSUBTRACT && dst == D3DBLEND_ONE);
        };
        return weighsBySourceAlpha(rs[D3DRS_SRCBLEND], rs[D3DRS_DESTBLEND], rs[D3DRS_BLENDOP]) &&
               (!rs[D3DRS_SEPARATEALPHABLENDENABLE] ||
                weighsBySourceAlpha(rs[D3DRS_SRCBLENDALPHA], rs[D3DRS_DESTBLENDALPHA], rs[D3DRS_BLENDOPALPHA]));
    }

    // Binds each enabled stage's texture and sampler, and adds the stage to the key.
    void BindTextureStages(const DeviceState& s, const SurfaceImpl* rt, ProgramKey* key) {
        for (int st = 0; st < 8; ++st) {
            const DWORD* ts = s.stageStates[st];
            if (ts[D3DTSS_COLOROP] == D3DTOP_DISABLE) break;
            auto* tex = static_cast<TextureImpl*>(s.textures[st]);
            bool bound = tex && tex->glTexture && !(rt->container_ == tex);
            // A stage whose first colour argument is a missing texture acts as DISABLE.
            if ((ts[D3DTSS_COLORARG1] & D3DTA_SELECTMASK) == D3DTA_TEXTURE && !bound &&
                ts[D3DTSS_COLOROP] != D3DTOP_SELECTARG2)
                break;
            StageKey sk{};
            sk.colorOp = ts[D3DTSS_COLOROP];
            sk.colorArg[0] = ts[D3DTSS_COLORARG0];
            sk.colorArg[1] = ts[D3DTSS_COLORARG1];
            sk.colorArg[2] = ts[D3DTSS_COLORARG2];
            sk.alphaOp = ts[D3DTSS_ALPHAOP];
            sk.alphaArg[0] = ts[D3DTSS_ALPHAARG0];
            sk.alphaArg[1] = ts[D3DTSS_ALPHAARG1];
            sk.alphaArg[2] = ts[D3DTSS_ALPHAARG2];
            sk.result = ts[D3DTSS_RESULTARG];
            sk.texCoord = ts[D3DTSS_TEXCOORDINDEX] & 0xFFFF;
            sk.texture = bound;
            key->stages.push_back(sk);
            if (bound) {
                for (auto& level : tex->levels) level->SyncToGpu();
                cache.BindTexture(GLuint(st), tex->glTexture);
                ApplySampler(st, s.samplerStates[st], GLuint(tex->levels.size()));
            }
        }
    }

    void SetUniforms(const Program& prog, const ProgramKey& key, const DeviceState& s, const VertexShaderImpl* user) {
        const D3DVIEWPORT9& vp = s.viewport;
        const DWORD* rs = s.renderStates;
        glUniform4f(prog.viewport, float(vp.X), float(vp.Y), float(vp.Width), float(vp.Height));
        glUniform2f(prog.depth, vp.MinZ, vp.MaxZ);
        if (user) {
            UploadUserConstants(prog.user, *user, s.vsConstants);
        } else if (!key.pretransformed) {
            D3DMATRIX wvp = MatrixProduct(MatrixProduct(s.world, s.view), s.projection);
            glUniformMatrix4fv(prog.wvp, 1, GL_FALSE, &wvp.m[0][0]);
            glUniformMatrix4fv(prog.world, 1, GL_FALSE, &s.world.m[0][0]);
        }
        if (key.lighting) SetLightUniforms(prog, s);
        float tf[4];
        ColorToFloats(rs[D3DRS_TEXTUREFACTOR], tf);
        glUniform4fv(prog.tfactor, 1, tf);
        float constants[32];
        for (int st = 0; st < 8; ++st) ColorToFloats(s.stageStates[st][D3DTSS_CONSTANT], &constants[st * 4]);
        glUniform4fv(prog.constants, 8, constants);
        glUniform1f(prog.alphaRef, float(rs[D3DRS_ALPHAREF] & 0xFF));
    }

    void SetLightUniforms(const Program& prog, const DeviceState& s) {
        float amb[4];
        ColorToFloats(s.renderStates[D3DRS_AMBIENT], amb);
        glUniform4fv(prog.ambient, 1, amb);
        glUniform4fv(prog.matDiffuse, 1, &s.material.Diffuse.r);
        glUniform4fv(prog.matAmbient, 1, &s.material.Ambient.r);
        glUniform4fv(prog.matSpecular, 1, &s.material.Specular.r);
        glUniform4fv(prog.matEmissive, 1, &s.material.Emissive.r);
        float diffuse[32] = {}, ambient[32] = {}, pos[32] = {}, dir[32] = {}, att[32] = {};
        int i = 0;
        for (const auto& [index, on] : s.lightEnabled) {
            if (!on || i >= 8) continue;
            const D3DLIGHT9& l = s.lights.at(index);
            std::memcpy(&diffuse[i * 4], &l.Diffuse.r, 16);
            std::memcpy(&ambient[i * 4], &l.Ambient.r, 16);
            std::memcpy(&pos[i * 4], &l.Position.x, 12);
            pos[i * 4 + 3] = l.Range;
            std::memcpy(&dir[i * 4], &l.Direction.x, 12);
            std::memcpy(&att[i * 4], &l.Attenuation0, 12);  // the three attenuation terms
            ++i;
        }
        glUniform4fv(prog.lightDiffuse, 8, diffuse);
        glUniform4fv(prog.lightAmbient, 8, ambient);
        glUniform4fv(prog.lightPos, 8, pos);
        glUniform4fv(prog.lightDir, 8, dir);
        glUniform4fv(prog.lightAtt, 8, att);
    }

    // The vertex buffer and the attributes read from it; slots the layout lacks get
    // Direct3D's defaults (white diffuse, black specular).
    void BindVertexInput(const DrawParams& p, const UserProgram& prog, const VertexShaderImpl* user) {
        if (p.userVertices) {
            cache.BindArrayBuffer(streamVertices);
            glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(p.userVertexBytes), p.userVertices, GL_STREAM_DRAW);
        } else {
            VertexBufferImpl* vb = p.vertexBuffer;
            if (vb->cpuNewer) {
                UploadBuffer(vb->glBuffer, vb->mem.data(), vb->mem.size(), false);
                vb->cpuNewer = false;
            }
            cache.BindArrayBuffer(vb->glBuffer);
        }
        if (user) {
            BindUserInputs(prog, *user, *p.layout, p.vertexOffset, p.stride);
            return;
        }
        bool enabled[kAttrCount] = {};
        for (const auto& a : p.layout->attribs) {
            GLuint loc = GLuint(a.slot);
            if (!AttribPointer(loc, a.declType, p.stride, p.vertexOffset + a.offset)) continue;
            glEnableVertexAttribArray(loc);
            enabled[a.slot] = true;
        }
        for (int slot = 0; slot < kAttrCount; ++slot) {
            if (enabled[slot]) continue;
            glDisableVertexAttribArray(GLuint(slot));
            if (slot == kAttrDiffuse) glVertexAttrib4f(GLuint(slot), 1, 1, 1, 1);
            else if (slot == kAttrSpecular) glVertexAttrib4f(GLuint(slot), 0, 0, 0, 0);
            else glVertexAttrib4f(GLuint(slot), 0, 0, 0, 1);
        }
    }

    // The draw call itself, indexed or not, wrapped in capture when it is on.
    void Submit(const DrawParams& p, bool capture) {
        const GLenum mode = PrimitiveMode(p.type);
        if (capture) CaptureDraw(true, mode, p.vertexCount);
        if (p.indexed) {
            const size_t indexSize = p.index32 ? 4 : 2;
            const GLenum type = p.index32 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT;
            if (p.userIndices) {
                UploadBuffer(streamIndices, p.userIndices, size_t(p.vertexCount) * indexSize, true);
                glDrawElementsBaseVertex(mode, GLsizei(p.vertexCount), type, nullptr, 0);
            } else {
                IndexBufferImpl* ib = p.indexBuffer;
                if (ib->cpuNewer) {
                    UploadBuffer(ib->glBuffer, ib->mem.data(), ib->mem.size(), true);
                    ib->cpuNewer = false;
                } else {
                    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ib->glBuffer);
                }
                glDrawElementsBaseVertex(mode, GLsizei(p.vertexCount), type,
                                         reinterpret_cast<const void*>(size_t(p.startIndex) * indexSize), p.baseVertex);
            }
        } else {
            glDrawArrays(mode, GLint(p.firstVertex), GLsizei(p.vertexCount));
        }
        if (capture) CaptureDraw(false, mode, p.vertexCount);
    }

public:
    ~GlBackend() override {
        if (!context) return;
        MakeCurrent();
        for (auto& [key, p] : programs)
            if (p.id) glDeleteProgram(p.id);
        glDeleteSamplers(8, samplers);
        glDeleteBuffers(1, &streamVertices);
        glDeleteBuffers(1, &streamIndices);
        glDeleteVertexArrays(1, &vao);
        glDeleteFramebuffers(1, &drawFbo);
        glDeleteFramebuffers(1, &readFbo);
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(context);
    }

    void ApplyPresentParameters(const D3DPRESENT_PARAMETERS& params) override {
        MakeCurrent();
        Uint32 wanted = params.Windowed ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP;
        Uint32 current = SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP;
        if (current != wanted) SDL_SetWindowFullscreen(window, wanted);
        SDL_GL_SetSwapInterval(params.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
    }

    void WindowSize(UINT* width, UINT* height) override {
        int w = 0, h = 0;
        SDL_GetWindowSize(window, &w, &h);
        *width = UINT(std::max(w, 0));
        *height = UINT(std::max(h, 0));
    }

    void CreateSurfaceObject(SurfaceImpl* s) override {
        MakeCurrent();
        if (s->role == SurfaceRole::DepthStencil) {
            glGenRenderbuffers(1, &s->glRenderbuffer);
            glBindRenderbuffer(GL_RENDERBUFFER, s->glRenderbuffer);
            s->glInternalFormat = DepthFormat(s->format);
            glRenderbufferStorage(GL_RENDERBUFFER, s->glInternalFormat, GLsizei(s->width), GLsizei(s->height));
            s->cpuNewer = false;
            return;
        }
        if (s->role != SurfaceRole::RenderTarget && s->role != SurfaceRole::BackBuffer) return;
        glGenTextures(1, &s->glTexture);
        s->ownsGlTexture = true;
        s->glInternalFormat = RenderTargetFormat(s->format);
        cache.EditTexture(s->glTexture);
        glTexImage2D(GL_TEXTURE_2D, 0, GLint(s->glInternalFormat), GLsizei(s->width), GLsizei(s->height), 0, GL_BGRA,
                     GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        s->cpuNewer = !s->mem.empty();
        if (s->role != SurfaceRole::BackBuffer) return;
        backBuffer = s;
        pairingLeaves = 0;
    }

    void DestroySurfaceObject(SurfaceImpl* s) override {
        MakeCurrent();
        if (s == depthInWindow) depthInWindow = nullptr;
        if (s == backBuffer) {
            backBuffer = nullptr;
            depthInWindow = nullptr;
            inWindow = false;
        }
        if (s->glRenderbuffer) {
            if (attachedDepth == s->glRenderbuffer) {
                cache.BindDrawFramebuffer(drawFbo);
                glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
                attachedDepth = 0;
            }
            glDeleteRenderbuffers(1, &s->glRenderbuffer);
            s->glRenderbuffer = 0;
        }
        if (s->glTexture && s->ownsGlTexture) DeleteTexture(&s->glTexture);
    }

    void CreateTextureObject(TextureImpl* t) override {
        MakeCurrent();
        glGenTextures(1, &t->glTexture);
        const bool rt = (t->usage & D3DUSAGE_RENDERTARGET) != 0;
        const GLenum internal = rt ? RenderTargetFormat(t->format) : GL_RGBA8;
        cache.EditTexture(t->glTexture);
        for (auto& level : t->levels) {
            glTexImage2D(GL_TEXTURE_2D, GLint(level->level), GLint(internal), GLsizei(level->width),
                         GLsizei(level->height), 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
            level->glTexture = t->glTexture;
            level->glInternalFormat = internal;
            level->cpuNewer = !level->mem.empty();
        }
        // One-level textures must stay complete whatever the mip filter says.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, GLint(t->levels.size()) - 1);
    }

    void DestroyTextureObject(TextureImpl* t) override {
        MakeCurrent();
        DeleteTexture(&t->glTexture);
        for (auto& level : t->levels) level->glTexture = 0;
    }

    // Into the back buffer in the window: through its texture, then copied across.
    void UploadRect(SurfaceImpl* s, const RECT& r, const uint8_t* bytes, size_t pitch) override {
        MakeCurrent();
        UploadTexture(s, r, bytes, pitch);
        if (s == backBuffer && inWindow) TextureToWindow(r);
    }

    void UploadTexture(SurfaceImpl* s, const RECT& r, const uint8_t* bytes, size_t pitch) {
        if (!s->glTexture) return;
        if (!CanConvert(s->format)) {
            LogOnce(std::string("format not drawable: ") + (FindFormat(s->format) ? FindFormat(s->format)->name : "?"));
            return;
        }
        const GLsizei w = GLsizei(r.right - r.left), h = GLsizei(r.bottom - r.top);
        const GLint level = GLint(s->container_ ? s->level : 0);
        cache.EditTexture(s->glTexture);
        if (s->format == D3DFMT_A8R8G8B8 && pitch % 4 == 0) {
            // GL's own byte order: straight from the rows, no converted copy.
            glPixelStorei(GL_UNPACK_ROW_LENGTH, GLint(pitch / 4));
            glTexSubImage2D(GL_TEXTURE_2D, level, r.left, r.top, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, bytes);
            glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
            return;
        }
        std::vector<uint32_t> pixels(size_t(w) * size_t(h));
        const UINT bpp = FindFormat(s->format)->bytesPerPixel;
        for (GLsizei y = 0; y < h; ++y) {
            const uint8_t* row = bytes + size_t(y) * pitch;
            uint32_t* out = &pixels[size_t(y) * size_t(w)];
            for (GLsizei x = 0; x < w; ++x) out[x] = ReadPixel(s->format, row + size_t(x) * bpp);
        }
        glTexSubImage2D(GL_TEXTURE_2D, level, r.left, r.top, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
    }

    void ReadBackSurface(SurfaceImpl* s) override {
        MakeCurrent();
        if (s->glRenderbuffer) {
            const bool window = s == depthInWindow;
            if (window) {
                cache.BindReadFramebuffer(0);
            } else {
                cache.BindReadFramebuffer(readFbo);
                glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
                glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, s->glRenderbuffer);
            }
            if (s->format == D3DFMT_D16_LOCKABLE)
                glReadPixels(0, 0, GLsizei(s->width), GLsizei(s->height), GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT,
                             s->mem.data());
            else if (s->format == D3DFMT_D32F_LOCKABLE)
                glReadPixels(0, 0, GLsizei(s->width), GLsizei(s->height), GL_DEPTH_COMPONENT, GL_FLOAT, s->mem.data());
            if (window) FlipRows(s->mem.data(), s->pitch, s->pitch, s->height);
            else glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, 0);
            return;
        }
        ReadBackRect(s, RECT{0, 0, LONG(s->width), LONG(s->height)}, s->mem.data(), s->pitch);
    }

    void ReadBackRect(SurfaceImpl* s, const RECT& r, uint8_t* bytes, size_t pitch) override {
        MakeCurrent();
        if (!s->glTexture || !CanConvert(s->format)) return;
        const GLsizei w = GLsizei(r.right - r.left), h = GLsizei(r.bottom - r.top);
        const bool window = s == backBuffer && inWindow;
        if (window) {
            cache.BindReadFramebuffer(0);
            glReadBuffer(GL_BACK);
        } else {
            cache.BindReadFramebuffer(readFbo);
            glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, s->glTexture,
                                   GLint(s->container_ ? s->level : 0));
            glReadBuffer(GL_COLOR_ATTACHMENT0);
        }
        const GLint row = window ? WindowRow(r.top, h) : r.top;
        if (s->format == D3DFMT_A8R8G8B8 && pitch % 4 == 0) {
            glPixelStorei(GL_PACK_ROW_LENGTH, GLint(pitch / 4));
            glReadPixels(r.left, row, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, bytes);
            glPixelStorei(GL_PACK_ROW_LENGTH, 0);
            if (window) FlipRows(bytes, pitch, size_t(w) * 4, UINT(h));
        } else {
            std::vector<uint32_t> pixels(size_t(w) * size_t(h));
            glReadPixels(r.left, row, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
            if (window) FlipRows(reinterpret_cast<uint8_t*>(pixels.data()), size_t(w) * 4, size_t(w) * 4, UINT(h));
            const UINT bpp = FindFormat(s->format)->bytesPerPixel;
            for (GLsizei y = 0; y < h; ++y)
                for (GLsizei x = 0; x < w; ++x)
                    WritePixel(s->format, bytes + size_t(y) * pitch + size_t(x) * bpp,
                               pixels[size_t(y) * size_t(w) + size_t(x)]);
        }
        if (!window) glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    }

    static void FlipRows(uint8_t* bytes, size_t pitch, size_t rowBytes, UINT rows) {
        for (UINT y = 0; y < rows / 2; ++y)
            std::swap_ranges(bytes + y * pitch, bytes + y * pitch + rowBytes, bytes + (rows - 1 - y) * pitch);
    }

    unsigned CreateBuffer() override {
        MakeCurrent();
        GLuint b = 0;
        glGenBuffers(1, &b);
        return b;
    }

    void DestroyBuffer(unsigned buffer) override {
        MakeCurrent();
        if (cache.arrayBuffer[0] == buffer) cache.arrayBuffer[0] = 0xFFFFFFFF;
        GLuint b = buffer;
        glDeleteBuffers(1, &b);
    }

    void Clear(const DeviceState& s, DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
               DWORD stencil) override {
        MakeCurrent();
        SurfaceImpl* rt = s.renderTarget;
        SurfaceImpl* ds = s.depthStencil;
        if (rt) rt->SyncToGpu();
        const bool window = Target(rt, ds);
        GLbitfield bits = 0;
        if ((flags & D3DCLEAR_TARGET) && rt) {
            float c[4];
            ColorToFloats(color, c);
            if (!FindFormat(rt->format)->hasAlpha) c[3] = 1.0f;
            glClearColor(c[0], c[1], c[2], c[3]);
            cache.ColorMask(true, true, true, true);
            bits |= GL_COLOR_BUFFER_BIT;
        }
        if ((flags & D3DCLEAR_ZBUFFER) && ds) {
            glClearDepth(z);
            cache.DepthMask(true);
            bits |= GL_DEPTH_BUFFER_BIT;
        }
        if ((flags & D3DCLEAR_STENCIL) && ds) {
            glClearStencil(GLint(stencil & 0xFF));
            cache.StencilWriteMask(0xFF);
            bits |= GL_STENCIL_BUFFER_BIT;
        }
        if (!bits) return;
        // Direct3D clears the viewport, intersected with each rectangle.
        const D3DVIEWPORT9& vp = s.viewport;
        D3DRECT whole{LONG(vp.X), LONG(vp.Y), LONG(vp.X + vp.Width), LONG(vp.Y + vp.Height)};
        cache.Enable(GL_SCISSOR_TEST, true);
        DWORD n = count ? count : 1;
        for (DWORD i = 0; i < n; ++i) {
            D3DRECT r = count ? rects[i] : whole;
            LONG x1 = std::max(r.x1, whole.x1), y1 = std::max(r.y1, whole.y1);
            LONG x2 = std::min(r.x2, whole.x2), y2 = std::min(r.y2, whole.y2);
            if (x1 >= x2 || y1 >= y2) continue;
            cache.Scissor(x1, window ? WindowRow(y1, y2 - y1) : y1, x2 - x1, y2 - y1);
            glClear(bits);
        }
        if ((bits & GL_COLOR_BUFFER_BIT) && rt) rt->gpuNewer = true;
        if ((bits & (GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT)) && ds) ds->gpuNewer = true;
    }

    void Draw(const DrawParams& p) override {
        MakeCurrent();
        const DeviceState& s = *p.state;
        SurfaceImpl* rt = s.renderTarget;
        SurfaceImpl* ds = s.depthStencil;
        if (!rt) return;
        rt->SyncToGpu();
        const bool window = Target(rt, ds);
        ApplyViewport(s, window);
        ApplyBlending(s.renderStates);
        const bool writesDepth = ApplyDepthStencil(s.renderStates, ds);
        ApplyRasterizer(s.renderStates, *rt);
        auto* user = static_cast<VertexShaderImpl*>(s.vertexShader);
        ProgramKey key = KeyFor(p, user);
        BindTextureStages(s, rt, &key);
        Program* prog = GetProgram(key, user);
        if (!prog->id) return;
        cache.UseProgram(prog->id);
        SetUniforms(*prog, key, s, user);
        BindVertexInput(p, prog->user, user);
        Submit(p, key.capture);
        rt->gpuNewer = true;
        if (writesDepth) ds->gpuNewer = true;
    }

    void Present(SurfaceImpl* backBuffer, bool fullscreen, bool capture) override {
        MakeCurrent();
        int dw = 0, dh = 0;
        SDL_GL_GetDrawableSize(window, &dw, &dh);
        if (dw <= 0 || dh <= 0 || !backBuffer) return;  // minimised: nothing to show
        backBuffer->SyncToGpu();
        const int bw = int(backBuffer->width), bh = int(backBuffer->height);
        if (inWindow && (dw != bw || dh != bh || !g_directPresent)) LeaveWindow(false);
        if (inWindow) {
            if (capture) CaptureWindow(dw, dh);
            SDL_GL_SwapWindow(window);
            return;
        }
        int x0 = 0, y0 = 0, x1 = dw, y1 = dh;
        if (fullscreen) {
            RECT r = LetterboxRect(UINT(bw), UINT(bh), UINT(dw), UINT(dh));
            x0 = r.left;
            y0 = r.top;
            x1 = r.right;
            y1 = r.bottom;
        }
        cache.Enable(GL_SCISSOR_TEST, false);
        cache.ColorMask(true, true, true, true);
        cache.BindDrawFramebuffer(0);
        if (fullscreen && (x0 > 0 || y0 > 0)) {
            glClearColor(0, 0, 0, 1);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        cache.BindReadFramebuffer(readFbo);
        glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, backBuffer->glTexture, 0);
        glReadBuffer(GL_COLOR_ATTACHMENT0);
        const bool sameSize = (x1 - x0) == bw && (y1 - y0) == bh;
        // The one flip: Direct3D's top row goes to the window's top.
        glBlitFramebuffer(0, 0, bw, bh, x0, dh - y0, x1, dh - y1, GL_COLOR_BUFFER_BIT,
                          sameSize ? GL_NEAREST : GL_LINEAR);
        glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
        if (capture) CaptureWindow(dw, dh);
        SDL_GL_SwapWindow(window);
        leftThisFrame = false;
    }

    // The back buffer's pixels move into the window.
    void EnterWindow() {
        if (!backBuffer->blank) TextureToWindow(RECT{0, 0, LONG(backBuffer->width), LONG(backBuffer->height)});
        inWindow = true;
    }

    void CaptureWindow(int dw, int dh) {
        cache.BindReadFramebuffer(0);
        glReadBuffer(GL_BACK);
        d3d9test::Image image;
        image.width = UINT(dw);
        image.height = UINT(dh);
        image.pixels.resize(size_t(dw) * dh);
        glReadPixels(0, 0, dw, dh, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, image.pixels.data());
        FlipRows(reinterpret_cast<uint8_t*>(image.pixels.data()), size_t(dw) * 4, size_t(dw) * 4, UINT(dh));
        StorePresentedFrame(std::move(image));
    }

    bool HoldsManagedLevels() const override { return true; }
    size_t ProgramCount() const override { return programs.size(); }
};

// Direct3D keeps the back buffer through Present for whoever reads or draws on
// it next; the window's own back buffer must do the same to stand in for it.
// Only EGL says (GLX never does), and it may be asked to.
bool SwapKeepsPixels() {
    if (!epoxy_has_egl() || eglGetCurrentContext() == EGL_NO_CONTEXT) return false;
    const EGLDisplay display = eglGetCurrentDisplay();
    const EGLSurface surface = eglGetCurrentSurface(EGL_DRAW);
    EGLint behaviour = 0;
    if (surface == EGL_NO_SURFACE || !eglQuerySurface(display, surface, EGL_SWAP_BEHAVIOR, &behaviour)) return false;
    if (behaviour == EGL_BUFFER_PRESERVED) return true;
    return eglSurfaceAttrib(display, surface, EGL_SWAP_BEHAVIOR, EGL_BUFFER_PRESERVED) == EGL_TRUE;
}

}  // namespace

std::unique_ptr<Backend> CreateGlBackend(HWND hwnd, std::string* error) {
    SDL_Window* window = platform::SdlWindowOf(hwnd);
    if (!window) {
        *error = "no window";
        return nullptr;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        *error = SDL_GetError();
        return nullptr;
    }
    platform::KeepGlLibrariesResident();
    if (const char* shortcuts = SDL_getenv("KESTRA_D3D9_SHORTCUTS")) {
        g_exactShortcuts = std::strcmp(shortcuts, "0") != 0;
        g_directPresent = std::strcmp(shortcuts, "0") != 0 && std::strcmp(shortcuts, "draws") != 0;
    }
    std::unique_ptr<GlBackend> gl(new GlBackend());
    GlBackend& m = *gl;
    m.window = window;
    m.context = context;
    SDL_GL_MakeCurrent(window, context);
    if (epoxy_gl_version() < 33) {
        *error = "OpenGL 3.3 is not available";
        return nullptr;
    }
    m.mirrorClamp = epoxy_gl_version() >= 44 || epoxy_has_gl_extension("GL_ARB_texture_mirror_clamp_to_edge");
    m.anisotropic = epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic") ||
                    epoxy_has_gl_extension("GL_ARB_texture_filter_anisotropic");
    m.cache.Invalidate();
    m.windowKeeps = (epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_ARB_clip_control")) && SwapKeepsPixels();
    const auto bits = [](GLenum attachment, GLenum size) {
        GLint v = 0;
        glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, attachment, size, &v);
        return v;
    };
    if (bits(GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_RED_SIZE) == 8 &&
        bits(GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_GREEN_SIZE) == 8 &&
        bits(GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_BLUE_SIZE) == 8) {
        const GLint alpha = bits(GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_ALPHA_SIZE);
        m.windowColor = alpha == 8 ? GL_RGBA8 : alpha == 0 ? GL_RGB8 : 0;
    }
    // A depth surface lives in the window's depth buffer only in the very same format.
    const GLint depthBits = bits(GL_DEPTH, GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE);
    const GLint stencilBits = bits(GL_STENCIL, GL_FRAMEBUFFER_ATTACHMENT_STENCIL_SIZE);
    if (depthBits == 16 && stencilBits == 0) m.windowDepth = GL_DEPTH_COMPONENT16;
    else if (depthBits == 24 && stencilBits == 8) m.windowDepth = GL_DEPTH24_STENCIL8;
    else if (depthBits == 24 && stencilBits == 0) m.windowDepth = GL_DEPTH_COMPONENT24;
    glGenFramebuffers(1, &m.drawFbo);
    glGenFramebuffers(1, &m.readFbo);
    glGenVertexArrays(1, &m.vao);
    glBindVertexArray(m.vao);
    glGenBuffers(1, &m.streamVertices);
    glGenBuffers(1, &m.streamIndices);
    glGenSamplers(8, m.samplers);
    // Fixed GL state that Direct3D never changes: pixel storage, winding, provoking vertex.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glFrontFace(GL_CCW);
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    return gl;
}

RECT LetterboxRect(UINT backWidth, UINT backHeight, UINT screenWidth, UINT screenHeight) {
    if (!backWidth || !backHeight) return RECT{0, 0, LONG(screenWidth), LONG(screenHeight)};
    double scale = std::min(double(screenWidth) / backWidth, double(screenHeight) / backHeight);
    LONG w = LONG(std::lround(backWidth * scale)), h = LONG(std::lround(backHeight * scale));
    LONG x = (LONG(screenWidth) - w) / 2, y = (LONG(screenHeight) - h) / 2;
    return RECT{x, y, x + w, y + h};
}

}  // namespace d3d9impl
