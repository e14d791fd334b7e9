// Inside the effect compiler: what a compiled vertex shader costs, counted as a
// Direct3D 9 shader model counts it, in instruction slots. A vector operation takes
// one slot; a matrix product its dot products (a 4x4 by a 4x4 sixteen); a function
// of the hardware's scalar unit (sine, power, reciprocal) one or more per component;
// a branch its "if" and "endif", a loop 48 (what the driver's analysis of each
// loop costs, far more than its "loop" and "endloop"); a call puts the
// callee in place, as the driver does; a loop whose count the driver can tell (a
// variable counted from a constant by a constant to a constant) as often as it
// unrolls it. A local array read or written at an index known only when the shader
// runs takes two slots for each of its elements, as the driver compares the index
// with each; a constant register so read, two for each component it fetches. A
// determinant or an inverse takes the scalar multiply-adds of its expansion by
// cofactors. Every operation the translation writes has its weight.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace d3dxfx {

struct SlotCount {
    // The module's entry point with its calls in place; SIZE_MAX when it calls
    // itself. Not a module: 0.
    size_t slots = 0;
    // What the GLSL 3.30 vertex shaders it becomes cannot run, as a shader writer
    // calls it ("reversebits", "double"); empty when nothing.
    std::string lacking;
};
SlotCount InstructionSlots(const std::vector<unsigned>& spirv);

}  // namespace d3dxfx
