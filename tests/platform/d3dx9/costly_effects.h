// Effect texts whose shader is small to write but costly to compile or draw: a
// long switch, many locals, flat branches, calls that double, nested structures.
// Shared by the effect tests and the effect cost measurement.
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

}  // namespace costlyfx
