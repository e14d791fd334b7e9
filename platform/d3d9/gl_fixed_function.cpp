// The fixed-function pipeline as GLSL: a vertex stage for transform and lighting,
// a fragment stage for the texture stages and the alpha test.
#include "platform/d3d9/gl_fixed_function.h"

namespace d3d9impl {

std::string ProgramKey::Text() const {
    std::string k;
    if (userShader) k += 'U' + std::to_string(userShader) + (capture ? "c," : ",");
    auto add = [&](DWORD v) {
        k += std::to_string(v);
        k += ',';
    };
    add(pretransformed);
    add(lighting);
    add(hasNormal);
    add(hasDiffuse);
    add(hasSpecular);
    add(colorVertex);
    add(diffuseSource);
    add(ambientSource);
    add(specularSource);
    add(emissiveSource);
    k += 'L';
    for (DWORD t : lightTypes) add(t);
    add(flat);
    add(specularEnable);
    k += 'S';
    for (const auto& s : stages) {
        add(s.colorOp);
        for (DWORD a : s.colorArg) add(a);
        add(s.alphaOp);
        for (DWORD a : s.alphaArg) add(a);
        add(s.result);
        add(s.texCoord);
        add(s.texture);
    }
    add(alphaFunc);
    add(diffuseWhite);
    add(plainFetch);
    return k;
}

std::string StageVaryings(bool flat, const char* direction) {
    const std::string q = flat ? "flat " : "";
    const std::string d = std::string(direction) + " vec4 ";
    return q + d + "vDiffuse;\n" + q + d + "vSpecular;\n" + d + "vTex[8];\n";
}

const char kGlPositionFromClip[] =
    "  gl_Position = vec4(c.x + c.w / uViewport.z, -c.y + c.w / uViewport.w, 2.0 * c.z - c.w, c.w);\n";

std::string VertexShaderText(const ProgramKey& key) {
    std::string s =
        "#version 330 core\n"
        "layout(location = 0) in vec4 aPosition;\n"
        "layout(location = 3) in vec3 aNormal;\n"
        "layout(location = 4) in vec4 aDiffuse;\n"
        "layout(location = 5) in vec4 aSpecular;\n";
    for (int i = 0; i < 8; ++i)
        s += "layout(location = " + std::to_string(kAttrTexCoord0 + i) + ") in vec4 aTex" + std::to_string(i) + ";\n";
    s += "uniform vec4 uViewport;\nuniform vec2 uDepth;\nuniform mat4 uWVP;\nuniform mat4 uWorld;\n"
         "uniform vec4 uAmbient;\nuniform vec4 uMatDiffuse, uMatAmbient, uMatSpecular, uMatEmissive;\n"
         "uniform vec4 uLightDiffuse[8], uLightAmbient[8], uLightPos[8], uLightDir[8], uLightAtt[8];\n";
    s += StageVaryings(key.flat, "out");
    s += "void main() {\n";
    if (key.pretransformed) {
        // x, y are render-target pixels with centres on integers; z is the depth; w holds 1/w.
        s += "  float w = aPosition.w != 0.0 ? 1.0 / aPosition.w : 1.0;\n"
             "  vec2 ndc = (aPosition.xy + 0.5 - uViewport.xy) / uViewport.zw * 2.0 - 1.0;\n"
             "  float zn = (aPosition.z - uDepth.x) / max(uDepth.y - uDepth.x, 1e-20) * 2.0 - 1.0;\n"
             "  gl_Position = vec4(ndc * w, zn * w, w);\n";
    } else {
        s += "  vec4 c = uWVP * vec4(aPosition.xyz, 1.0);\n";
        s += kGlPositionFromClip;
    }
    std::string diffuseIn = key.hasDiffuse ? "aDiffuse" : "vec4(1.0)";
    std::string specularIn = key.hasSpecular ? "aSpecular" : "vec4(0.0)";
    if (key.lighting) {
        auto source = [&](DWORD src, const char* material) -> std::string {
            if (key.colorVertex && src == D3DMCS_COLOR1 && key.hasDiffuse) return "aDiffuse";
            if (key.colorVertex && src == D3DMCS_COLOR2 && key.hasSpecular) return "aSpecular";
            return material;
        };
        s += "  vec4 md = " + source(key.diffuseSource, "uMatDiffuse") + ";\n";
        s += "  vec4 ma = " + source(key.ambientSource, "uMatAmbient") + ";\n";
        s += "  vec4 me = " + source(key.emissiveSource, "uMatEmissive") + ";\n";
        s += std::string("  vec3 n = ") +
             (key.hasNormal ? "normalize(mat3(uWorld) * aNormal + vec3(0.0, 0.0, 1e-30))" : "vec3(0.0)") + ";\n";
        s += "  vec3 p = (uWorld * vec4(aPosition.xyz, 1.0)).xyz;\n";
        s += "  vec3 color = me.rgb + uAmbient.rgb * ma.rgb;\n";
        for (size_t i = 0; i < key.lightTypes.size(); ++i) {
            std::string L = std::to_string(i);
            if (key.lightTypes[i] == D3DLIGHT_DIRECTIONAL) {
                s += "  { vec3 l = -normalize(uLightDir[" + L + "].xyz);\n"
                     "    color += uLightAmbient[" + L + "].rgb * ma.rgb + uLightDiffuse[" + L +
                     "].rgb * md.rgb * max(dot(n, l), 0.0); }\n";
            } else {
                s += "  { vec3 d = uLightPos[" + L + "].xyz - p; float dist = length(d);\n"
                     "    if (dist <= uLightPos[" + L + "].w) {\n"
                     "      float att = 1.0 / max(uLightAtt[" + L + "].x + uLightAtt[" + L + "].y * dist + uLightAtt[" +
                     L + "].z * dist * dist, 1e-6);\n"
                     "      vec3 l = dist > 0.0 ? d / dist : vec3(0.0);\n"
                     "      color += att * (uLightAmbient[" + L + "].rgb * ma.rgb + uLightDiffuse[" + L +
                     "].rgb * md.rgb * max(dot(n, l), 0.0)); } }\n";
            }
        }
        s += "  vDiffuse = clamp(vec4(color, md.a), 0.0, 1.0);\n  vSpecular = vec4(0.0);\n";
    } else {
        if (key.diffuseWhite) diffuseIn = "vec4(1.0)";
        s += "  vDiffuse = " + diffuseIn + ";\n  vSpecular = " + specularIn + ";\n";
    }
    for (int i = 0; i < 8; ++i) s += "  vTex[" + std::to_string(i) + "] = aTex" + std::to_string(i) + ";\n";
    s += "}\n";
    return s;
}

namespace {
const char kWhite[] = "vec4(1.0)";
}

std::string ArgText(DWORD arg, int stage, const StageKey& st, const std::string& diffuse) {
    std::string base;
    switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE: base = diffuse; break;
    case D3DTA_CURRENT: base = stage == 0 ? diffuse : "cur"; break;
    case D3DTA_TEXTURE: base = st.texture ? "t" + std::to_string(stage) : "vec4(0.0, 0.0, 0.0, 1.0)"; break;
    case D3DTA_TFACTOR: base = "uTFactor"; break;
    case D3DTA_SPECULAR: base = "vSpecular"; break;
    case D3DTA_TEMP: base = "temp"; break;
    case D3DTA_CONSTANT: base = "uConst[" + std::to_string(stage) + "]"; break;
    default: base = "cur"; break;
    }
    if (arg & D3DTA_COMPLEMENT) base = "(vec4(1.0) - " + base + ")";
    if (arg & D3DTA_ALPHAREPLICATE) base = "vec4((" + base + ").a)";
    return base;
}

std::string OpText(DWORD op, const std::string a[3], int stage, const StageKey& st, std::set<DWORD>* unsupported) {
    const std::string& a0 = a[0];
    const std::string& a1 = a[1];
    const std::string& a2 = a[2];
    std::string tex = st.texture ? "t" + std::to_string(stage) : "vec4(1.0)";
    switch (op) {
    case D3DTOP_SELECTARG1: return a1;
    case D3DTOP_SELECTARG2: return a2;
    case D3DTOP_MODULATE: return a1 == kWhite ? a2 : a2 == kWhite ? a1 : a1 + " * " + a2;
    case D3DTOP_MODULATE2X: return "2.0 * " + a1 + " * " + a2;
    case D3DTOP_MODULATE4X: return "4.0 * " + a1 + " * " + a2;
    case D3DTOP_ADD: return a1 + " + " + a2;
    case D3DTOP_ADDSIGNED: return a1 + " + " + a2 + " - vec4(0.5)";
    case D3DTOP_ADDSIGNED2X: return "2.0 * (" + a1 + " + " + a2 + " - vec4(0.5))";
    case D3DTOP_SUBTRACT: return a1 + " - " + a2;
    case D3DTOP_ADDSMOOTH: return a1 + " + " + a2 + " - " + a1 + " * " + a2;
    case D3DTOP_BLENDDIFFUSEALPHA: return "mix(" + a2 + ", " + a1 + ", vDiffuse.a)";
    case D3DTOP_BLENDTEXTUREALPHA: return "mix(" + a2 + ", " + a1 + ", " + tex + ".a)";
    case D3DTOP_BLENDFACTORALPHA: return "mix(" + a2 + ", " + a1 + ", uTFactor.a)";
    case D3DTOP_BLENDTEXTUREALPHAPM: return a1 + " + " + a2 + " * (1.0 - " + tex + ".a)";
    case D3DTOP_BLENDCURRENTALPHA: return "mix(" + a2 + ", " + a1 + ", " + (stage == 0 ? "vDiffuse" : "cur") + ".a)";
    case D3DTOP_MODULATEALPHA_ADDCOLOR: return "vec4(" + a1 + ".rgb + " + a1 + ".a * " + a2 + ".rgb, " + a1 + ".a)";
    case D3DTOP_MODULATECOLOR_ADDALPHA: return "vec4(" + a1 + ".rgb * " + a2 + ".rgb + " + a1 + ".a, " + a1 + ".a)";
    case D3DTOP_MODULATEINVALPHA_ADDCOLOR:
        return "vec4((1.0 - " + a1 + ".a) * " + a2 + ".rgb + " + a1 + ".rgb, " + a1 + ".a)";
    case D3DTOP_MODULATEINVCOLOR_ADDALPHA:
        return "vec4((vec3(1.0) - " + a1 + ".rgb) * " + a2 + ".rgb + " + a1 + ".a, " + a1 + ".a)";
    case D3DTOP_DOTPRODUCT3:
        return "vec4(clamp(4.0 * dot(" + a1 + ".rgb - 0.5, " + a2 + ".rgb - 0.5), 0.0, 1.0))";
    case D3DTOP_MULTIPLYADD: return a0 + " + " + a1 + " * " + a2;
    case D3DTOP_LERP: return "mix(" + a2 + ", " + a1 + ", " + a0 + ")";
    default:
        unsupported->insert(op);
        return a1 + " * " + a2;
    }
}

std::string FragmentShaderText(const ProgramKey& key, std::set<DWORD>* unsupported) {
    std::string s = "#version 330 core\n";
    s += StageVaryings(key.flat, "in");
    const std::string diffuse = key.diffuseWhite ? kWhite : "vDiffuse";
    s += "uniform sampler2D uS[8];\nuniform vec4 uTFactor;\nuniform vec4 uConst[8];\nuniform float uAlphaRef;\n"
         "out vec4 fragColor;\n"
         "void main() {\n"
         "  vec4 cur = " + diffuse + ";\n  vec4 temp = vec4(0.0);\n";
    for (size_t i = 0; i < key.stages.size(); ++i) {
        const StageKey& st = key.stages[i];
        int stage = int(i);
        std::string n = std::to_string(stage);
        if (st.texture)
            s += "  vec4 t" + n + " = texture(uS[" + n + "], vTex[" + std::to_string(st.texCoord & 7) + "].xy);\n";
        std::string ca[3], aa[3];
        for (int k = 0; k < 3; ++k) {
            ca[k] = ArgText(st.colorArg[k], stage, st, diffuse);
            aa[k] = ArgText(st.alphaArg[k], stage, st, diffuse);
        }
        std::string color = OpText(st.colorOp, ca, stage, st, unsupported);
        // A missing texture on the alpha op's first argument leaves alpha as it was.
        bool alphaPass = st.alphaOp == D3DTOP_DISABLE ||
                         ((st.alphaArg[1] & D3DTA_SELECTMASK) == D3DTA_TEXTURE && !st.texture &&
                          st.alphaOp != D3DTOP_SELECTARG2);
        std::string prev = stage == 0 ? diffuse : "cur";
        std::string alphaOp = alphaPass ? "" : OpText(st.alphaOp, aa, stage, st, unsupported);
        std::string alpha = alphaPass ? prev + ".a" : "(" + alphaOp + ").a";
        std::string dest = (st.result & D3DTA_SELECTMASK) == D3DTA_TEMP ? "temp" : "cur";
        if (key.plainFetch && st.texture && color == "t" + n && alphaOp == color) {
            s += "  " + dest + " = " + color + ";\n";
            continue;
        }
        s += "  { vec3 c = clamp((" + color + ").rgb, 0.0, 1.0);\n";
        s += "    float a = clamp(" + alpha + ", 0.0, 1.0);\n";
        s += "    " + dest + " = vec4(c, a); }\n";
    }
    if (key.specularEnable) s += "  cur.rgb = clamp(cur.rgb + vSpecular.rgb, 0.0, 1.0);\n";
    if (key.alphaFunc != D3DCMP_ALWAYS) {
        static const char* const ops[] = {"", "false", "<", "==", "<=", ">", "!=", ">=", "true"};
        s += "  float a8 = floor(cur.a * 255.0 + 0.5);\n";
        if (key.alphaFunc == D3DCMP_NEVER) s += "  discard;\n";
        else s += std::string("  if (!(a8 ") + ops[key.alphaFunc] + " uAlphaRef)) discard;\n";
    }
    s += "  fragColor = cur;\n}\n";
    return s;
}

}  // namespace d3d9impl
