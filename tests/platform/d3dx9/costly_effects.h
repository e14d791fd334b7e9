// Effect texts whose shader is small to write but costly to compile or draw: a
// long switch, many locals, flat branches, calls that double, nested structures,
// a chain of matrix products, loops the driver unrolls, arrays read at an index
// known when the shader runs, many passes. Shared by the effect tests and the
// effect cost measurement.
#pragma once

#include <string>

namespace costlyfx {

// An effect of one vertex shader, Main, with `body` and the lines `before` it.
inline std::string Effect(const std::string& before, const std::string& body, const char* profile = "vs_3_0") {
    return before + "float4 Main(float4 p : POSITION) : POSITION\n{\n" + body + "}\n" +
           "technique T { pass P { VertexShader = compile " + profile + " Main(); } }\n";
}

// switch (int(p.x)) with `cases` cases.
inline std::string Switch(int cases) {
    std::string body = "float4 r = p;\nswitch (int(p.x)) {\n";
    for (int i = 0; i < cases; ++i) body += "case " + std::to_string(i) + ": r.y += " + std::to_string(i) + "; break;\n";
    return Effect("", body + "}\nreturn r;\n");
}

// `count` locals, each read once.
inline std::string Locals(int count) {
    std::string body = "float4 r = p;\n";
    for (int i = 0; i < count; ++i) body += "float a" + std::to_string(i) + " = p.x * " + std::to_string(i) + ";\n";
    for (int i = 0; i < count; ++i) body += "r.y += a" + std::to_string(i) + ";\n";
    return Effect("", body + "return r;\n");
}

// `count` branches one after the other, none inside another.
inline std::string FlatIfs(int count) {
    std::string body = "float4 r = p;\n";
    for (int i = 0; i < count; ++i) body += "if (p.x > " + std::to_string(i) + ") { r.y += " + std::to_string(i) + "; }\n";
    return Effect("", body + "return r;\n");
}

// Functions F1..F`levels`, each calling the one before twice; Main calls the last once.
inline std::string DoublingCalls(int levels) {
    std::string before = "float4 F0(float4 x) { return x * 0.5; }\n";
    for (int i = 1; i <= levels; ++i)
        before += "float4 F" + std::to_string(i) + "(float4 x) { return F" + std::to_string(i - 1) + "(x) + F" +
                  std::to_string(i - 1) + "(x.yzwx); }\n";
    return Effect(before, "return F" + std::to_string(levels) + "(p);\n");
}

// Structures S0..S`levels`, each holding two of the one before; one local of the
// last made by a cast and copied.
inline std::string NestedStructs(int levels) {
    std::string before = "struct S0 { float4 v; };\n";
    for (int i = 1; i <= levels; ++i)
        before += "struct S" + std::to_string(i) + " { S" + std::to_string(i - 1) + " a; S" + std::to_string(i - 1) + " b; };\n";
    const std::string top = "S" + std::to_string(levels);
    std::string path = "t";
    for (int i = 0; i < levels; ++i) path += ".b";
    return Effect(before, top + " s = (" + top + ")p.x;\n" + top + " t = s;\nreturn p + " + path + ".v;\n");
}

// `lines` products of a 4x4 matrix parameter (0 unless set) with itself, the
// result added to the position: 16 slots a line, 5 more.
inline std::string MatrixChain(int lines) {
    std::string body = "float4x4 m = mTransform;\n";
    for (int i = 0; i < lines; ++i) body += "m = mul(m, mTransform);\n";
    return Effect("float4x4 mTransform;\n", body + "return p + mul(p, m);\n");
}

// `lines` determinants of a 4x4 matrix parameter (0 unless set), each scaling
// the next: 44 slots a line, 5 more.
inline std::string Determinants(int lines) {
    std::string body = "float4x4 m = mTransform;\n";
    for (int i = 0; i < lines; ++i) body += "m = m * determinant(m);\n";
    return Effect("float4x4 mTransform;\n", body + "return p + mul(p, m);\n");
}

// `loops` loops of `count` steps, each adding the position: 5 slots a step and 48
// a loop, as the driver unrolls a loop of 32 steps or fewer; a longer one counts
// once, as does one whose count (`count` < 0) is a parameter's (0 unless set).
inline std::string Loops(int loops, int count) {
    std::string body = "float4 r = p;\n";
    const std::string to = count < 0 ? "int(Count.x)" : std::to_string(count);
    for (int i = 0; i < loops; ++i)
        body += "for (int i" + std::to_string(i) + " = 0; i" + std::to_string(i) + " < " + to + "; i" + std::to_string(i) + "++) r += p;\n";
    return Effect(count < 0 ? "float4 Count;\n" : "", body + "return r;\n");
}

// `reads` elements of an array of `length` picked by the position's x, given
// back by a function: a local array (`local`, its elements first set in a loop
// the driver unrolls up to 32 elements), or constant registers.
inline std::string IndexedReads(bool local, int reads, int length = 32) {
    const std::string n = std::to_string(length);
    std::string body = local ? "float4 a[" + n + "];\nfor (int i = 0; i < " + n + "; i++) a[i] = float4(i, 0, 0, 0);\n" : "";
    body += "float4 r = p;\n";
    for (int i = 0; i < reads; ++i) body += "r += a[At(p)];\n";
    return Effect((local ? "" : "float4 a[" + n + "];\n") + "int At(float4 x) { return int(x.x); }\n", body + "return r;\n");
}

// One of each operation the slots weigh apart, on a local the position does not read.
inline std::string Arithmetic() {
    return Effect("float4x4 M;\nfloat4 V;\nfloat4 Twice(float4 x) { return x + x; }\n",
                  "float4 q = V;\nfloat3 c = q.xyz;\nq = sin(q) + cos(q.x) + tan(q) + asin(q) + atan2(q, q) + sinh(q);\n"
                  "q = pow(q, q) + exp(q) + exp2(q) + log(q) + log2(q) + sqrt(q) + rsqrt(q);\n"
                  "q = normalize(q) + length(q) + distance(q, q) + reflect(q, q) + refract(q, q, 0.5);\n"
                  "c = cross(c, c);\nq = lerp(q, q, 0.5) + clamp(q, 0, 1) + smoothstep(0, 1, q) + sign(q) + frac(q);\n"
                  "q = fmod(q, q) + q / q + dot(q, q) + mul(q, M) + mul(M, q) + mul(M, M)[0] + transpose(M)[1];\n"
                  "q = q.x > 0 ? q : -q;\nq = int(q.x) == 2 ? q : -q;\nfor (int i = 3; i > 0; i--) q = Twice(q);\nreturn p;\n");
}

// `effect` with `slots` more, each adding to a local the position does not read.
inline std::string Padded(const std::string& effect, int slots) {
    std::string pad = "float pad = 0;\n";
    for (int i = 0; i < slots; ++i) pad += "pad += 1;\n";
    const std::string main = ": POSITION\n{\n";
    return std::string(effect).insert(effect.find(main) + main.size(), pad);
}

// `passes` passes, each with an entry point of its own.
inline std::string Passes(int passes) {
    std::string text, technique;
    for (int i = 0; i < passes; ++i) {
        const std::string n = std::to_string(i);
        text += "float4 P" + n + "(float4 p : POSITION) : POSITION { return p * " + n + "; }\n";
        technique += "pass P" + n + " { VertexShader = compile vs_2_0 P" + n + "(); }\n";
    }
    return text + "technique T {\n" + technique + "}\n";
}

}  // namespace costlyfx
