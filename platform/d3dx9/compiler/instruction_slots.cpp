#include "platform/d3dx9/compiler/instruction_slots.h"

#include <glslang/SPIRV/GLSL.std.450.h>
#define SPV_ENABLE_UTILITY_CODE
#include <glslang/SPIRV/spirv.hpp>

#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

namespace d3dxfx {

namespace {

// Counts stop growing here: a chain of calls that double is as long as the text allows.
constexpr size_t kSaturated = SIZE_MAX;
// The driver unrolls a loop whose count it can tell, up to this many times.
constexpr uint32_t kUnrolledIterations = 32;
// A loop itself, far above its "loop" and "endloop": the driver's analysis of a
// loop grows with the loops before it (sixteen loops one after another take it
// half a second, twenty-four more than a second).
constexpr size_t kLoopSlots = 48;

size_t Sum(size_t a, size_t b) { return a > kSaturated - b ? kSaturated : a + b; }
size_t Product(size_t a, size_t b) { return b != 0 && a > kSaturated / b ? kSaturated : a * b; }

enum class Kind { kNone, kScalar, kVector, kMatrix, kArray, kStruct, kPointer };

struct Type {
    Kind kind = Kind::kNone;
    bool real = false, sign = false;  // of a scalar
    uint32_t components = 1;          // of a vector, or of a matrix's column
    uint32_t columns = 1;             // of a matrix
    uint32_t element = 0;             // an array's, a matrix's column, a pointer's pointee
    uint32_t length = 0;              // an array's
    uint32_t storage = 0;             // a pointer's
    std::vector<uint32_t> members;
};

struct Constant {
    uint32_t bits = 0;
    uint32_t type = 0;
};

// Scalar multiply-adds of an n by n determinant by cofactors along a row: n minors
// of n-1, each scaled and summed.
constexpr size_t DeterminantSlots(uint32_t n) { return n <= 1 ? 0 : n * DeterminantSlots(n - 1) + n; }
// An inverse by the adjugate: a minor for each element, the determinant from a
// row of them, its reciprocal, and each element scaled.
constexpr size_t InverseSlots(uint32_t n) { return n * n * DeterminantSlots(n - 1) + n + 1 + n * n; }
static_assert(DeterminantSlots(4) == 40 && InverseSlots(4) == 165);

// What `instruction` of the extended set costs on a result of `columns` columns of
// `components` components, `operand` columns wide (a determinant's matrix); 0 with
// `lacking` set to what a shader writer calls it when GLSL 3.30 has no such
// function. Every instruction of the set is named: a new one fails the build.
#pragma GCC diagnostic push
#pragma GCC diagnostic error "-Wswitch"
size_t ExtendedSlots(GLSLstd450 instruction, uint32_t components, uint32_t columns, uint32_t operand,
                     const char** lacking) {
    switch (instruction) {
    // A vector operation.
    case GLSLstd450Round:
    case GLSLstd450RoundEven:
    case GLSLstd450Trunc:
    case GLSLstd450FAbs:
    case GLSLstd450SAbs:
    case GLSLstd450Floor:
    case GLSLstd450Ceil:
    case GLSLstd450Fract:
    case GLSLstd450Radians:
    case GLSLstd450Degrees:
    case GLSLstd450FMin:
    case GLSLstd450UMin:
    case GLSLstd450SMin:
    case GLSLstd450FMax:
    case GLSLstd450UMax:
    case GLSLstd450SMax:
    case GLSLstd450NMin:
    case GLSLstd450NMax:
    case GLSLstd450Step:
    case GLSLstd450Fma: return columns;
    // The scalar unit, a component at a time; sine and cosine as one macro.
    case GLSLstd450Sin:
    case GLSLstd450Cos: return size_t(columns) * 8 * components;
    case GLSLstd450Tan: return size_t(columns) * 10 * components;
    case GLSLstd450Asin:
    case GLSLstd450Acos:
    case GLSLstd450Atan:
    case GLSLstd450Sinh:
    case GLSLstd450Cosh:
    case GLSLstd450Tanh:
    case GLSLstd450Asinh:
    case GLSLstd450Acosh:
    case GLSLstd450Atanh: return size_t(columns) * 12 * components;
    case GLSLstd450Atan2: return size_t(columns) * 16 * components;
    case GLSLstd450Pow: return size_t(columns) * 5 * components;
    case GLSLstd450Exp:
    case GLSLstd450Log:
    case GLSLstd450Sqrt: return size_t(columns) * 2 * components;
    case GLSLstd450Exp2:
    case GLSLstd450Log2:
    case GLSLstd450InverseSqrt: return size_t(columns) * components;
    // Vector macros.
    case GLSLstd450FClamp:
    case GLSLstd450UClamp:
    case GLSLstd450SClamp:
    case GLSLstd450NClamp:
    case GLSLstd450FMix:
    case GLSLstd450IMix:
    case GLSLstd450Cross:
    case GLSLstd450Modf:
    case GLSLstd450ModfStruct: return size_t(columns) * 2;
    case GLSLstd450Normalize:
    case GLSLstd450Length:
    case GLSLstd450FaceForward:
    case GLSLstd450Reflect:
    case GLSLstd450FSign:
    case GLSLstd450SSign: return size_t(columns) * 3;
    case GLSLstd450Distance:
    case GLSLstd450SmoothStep: return size_t(columns) * 4;
    case GLSLstd450Refract: return size_t(columns) * 8;
    case GLSLstd450Determinant: return DeterminantSlots(operand);
    case GLSLstd450MatrixInverse: return InverseSlots(columns);
    // Not in GLSL 3.30.
    case GLSLstd450Ldexp: *lacking = "ldexp"; return 0;
    case GLSLstd450Frexp:
    case GLSLstd450FrexpStruct: *lacking = "frexp"; return 0;
    case GLSLstd450FindILsb: *lacking = "firstbitlow"; return 0;
    case GLSLstd450FindSMsb:
    case GLSLstd450FindUMsb: *lacking = "firstbithigh"; return 0;
    case GLSLstd450PackHalf2x16: *lacking = "f32tof16"; return 0;
    case GLSLstd450UnpackHalf2x16: *lacking = "f16tof32"; return 0;
    case GLSLstd450PackSnorm4x8:
    case GLSLstd450PackUnorm4x8:
    case GLSLstd450PackSnorm2x16:
    case GLSLstd450PackUnorm2x16:
    case GLSLstd450PackDouble2x32:
    case GLSLstd450UnpackSnorm2x16:
    case GLSLstd450UnpackUnorm2x16:
    case GLSLstd450UnpackSnorm4x8:
    case GLSLstd450UnpackUnorm4x8:
    case GLSLstd450UnpackDouble2x32: *lacking = "packing"; return 0;
    case GLSLstd450InterpolateAtCentroid:
    case GLSLstd450InterpolateAtSample:
    case GLSLstd450InterpolateAtOffset: *lacking = "EvaluateAttribute"; return 0;
    case GLSLstd450Bad:
    case GLSLstd450Count: break;
    }
    *lacking = "an unknown function";
    return 0;
}
#pragma GCC diagnostic pop

// How the operations within a function are weighed.
enum class Weight : uint8_t {
    kNone,       // declarations, loads, stores, moves, swizzles, plain branches
    kVector,     // a slot for each column of the result
    kCompare,    // one slot
    kDivide,     // a reciprocal for each component, then a product
    kDots,       // a dot product for each component of the result
    kExtended,   // ExtendedSlots
    kBranch,     // its "if" and "endif"
    kSwitch,     // an "if" and "endif" for each case
    kLoop,       // kLoopSlots
    kIndex,      // IndexSlots
    kTexture,    // a fetch
    kLacking,    // what GLSL 3.30 vertex shaders cannot run
};

struct Operation {
    spv::Op op;
    Weight weight;
    const char* name;  // as a shader writer calls it, where the target lacks it
};

// Every operation the HLSL front end writes within a function. One not here
// refuses the shader, so none is weighed by a default.
constexpr Operation kOperations[] = {
    {spv::OpNop, Weight::kNone, nullptr},
    {spv::OpUndef, Weight::kNone, nullptr},
    {spv::OpLine, Weight::kNone, nullptr},
    {spv::OpNoLine, Weight::kNone, nullptr},
    {spv::OpFunction, Weight::kNone, nullptr},
    {spv::OpFunctionParameter, Weight::kNone, nullptr},
    {spv::OpFunctionEnd, Weight::kNone, nullptr},
    {spv::OpFunctionCall, Weight::kNone, nullptr},
    {spv::OpVariable, Weight::kNone, nullptr},
    {spv::OpLoad, Weight::kNone, nullptr},
    {spv::OpStore, Weight::kNone, nullptr},
    {spv::OpCopyMemory, Weight::kNone, nullptr},
    {spv::OpCopyObject, Weight::kNone, nullptr},
    {spv::OpCopyLogical, Weight::kNone, nullptr},
    {spv::OpAccessChain, Weight::kIndex, nullptr},
    {spv::OpInBoundsAccessChain, Weight::kIndex, nullptr},
    {spv::OpVectorExtractDynamic, Weight::kNone, nullptr},
    {spv::OpVectorInsertDynamic, Weight::kNone, nullptr},
    {spv::OpVectorShuffle, Weight::kNone, nullptr},
    {spv::OpCompositeConstruct, Weight::kVector, nullptr},
    {spv::OpCompositeExtract, Weight::kNone, nullptr},
    {spv::OpCompositeInsert, Weight::kVector, nullptr},
    {spv::OpTranspose, Weight::kVector, nullptr},
    {spv::OpSampledImage, Weight::kNone, nullptr},
    {spv::OpImage, Weight::kNone, nullptr},
    {spv::OpImageSampleImplicitLod, Weight::kTexture, nullptr},
    {spv::OpImageSampleExplicitLod, Weight::kTexture, nullptr},
    {spv::OpImageSampleDrefImplicitLod, Weight::kTexture, nullptr},
    {spv::OpImageSampleDrefExplicitLod, Weight::kTexture, nullptr},
    {spv::OpImageSampleProjImplicitLod, Weight::kTexture, nullptr},
    {spv::OpImageSampleProjExplicitLod, Weight::kTexture, nullptr},
    {spv::OpImageSampleProjDrefImplicitLod, Weight::kTexture, nullptr},
    {spv::OpImageSampleProjDrefExplicitLod, Weight::kTexture, nullptr},
    {spv::OpImageFetch, Weight::kTexture, nullptr},
    {spv::OpImageGather, Weight::kLacking, "Gather"},
    {spv::OpImageDrefGather, Weight::kLacking, "GatherCmp"},
    {spv::OpImageRead, Weight::kLacking, "a read-write texture"},
    {spv::OpImageWrite, Weight::kLacking, "a read-write texture"},
    {spv::OpImageQuerySizeLod, Weight::kTexture, nullptr},
    {spv::OpImageQuerySize, Weight::kTexture, nullptr},
    {spv::OpImageQueryLod, Weight::kLacking, "CalculateLevelOfDetail"},
    {spv::OpImageQueryLevels, Weight::kLacking, "GetDimensions"},
    {spv::OpImageQuerySamples, Weight::kLacking, "GetDimensions"},
    {spv::OpConvertFToU, Weight::kVector, nullptr},
    {spv::OpConvertFToS, Weight::kVector, nullptr},
    {spv::OpConvertSToF, Weight::kVector, nullptr},
    {spv::OpConvertUToF, Weight::kVector, nullptr},
    {spv::OpUConvert, Weight::kVector, nullptr},
    {spv::OpSConvert, Weight::kVector, nullptr},
    {spv::OpFConvert, Weight::kVector, nullptr},
    {spv::OpQuantizeToF16, Weight::kLacking, "f32tof16"},
    {spv::OpBitcast, Weight::kNone, nullptr},
    {spv::OpSNegate, Weight::kVector, nullptr},
    {spv::OpFNegate, Weight::kVector, nullptr},
    {spv::OpIAdd, Weight::kVector, nullptr},
    {spv::OpFAdd, Weight::kVector, nullptr},
    {spv::OpISub, Weight::kVector, nullptr},
    {spv::OpFSub, Weight::kVector, nullptr},
    {spv::OpIMul, Weight::kVector, nullptr},
    {spv::OpFMul, Weight::kVector, nullptr},
    {spv::OpUDiv, Weight::kDivide, nullptr},
    {spv::OpSDiv, Weight::kDivide, nullptr},
    {spv::OpFDiv, Weight::kDivide, nullptr},
    {spv::OpUMod, Weight::kDivide, nullptr},
    {spv::OpSRem, Weight::kDivide, nullptr},
    {spv::OpSMod, Weight::kDivide, nullptr},
    {spv::OpFRem, Weight::kDivide, nullptr},
    {spv::OpFMod, Weight::kDivide, nullptr},
    {spv::OpVectorTimesScalar, Weight::kVector, nullptr},
    {spv::OpMatrixTimesScalar, Weight::kVector, nullptr},
    {spv::OpVectorTimesMatrix, Weight::kDots, nullptr},
    {spv::OpMatrixTimesVector, Weight::kDots, nullptr},
    {spv::OpMatrixTimesMatrix, Weight::kDots, nullptr},
    {spv::OpOuterProduct, Weight::kVector, nullptr},
    {spv::OpDot, Weight::kVector, nullptr},
    {spv::OpIAddCarry, Weight::kLacking, "an add with carry"},
    {spv::OpISubBorrow, Weight::kLacking, "a subtract with borrow"},
    {spv::OpUMulExtended, Weight::kLacking, "a wide product"},
    {spv::OpSMulExtended, Weight::kLacking, "a wide product"},
    {spv::OpAny, Weight::kVector, nullptr},
    {spv::OpAll, Weight::kVector, nullptr},
    {spv::OpIsNan, Weight::kVector, nullptr},
    {spv::OpIsInf, Weight::kVector, nullptr},
    {spv::OpLogicalEqual, Weight::kVector, nullptr},
    {spv::OpLogicalNotEqual, Weight::kVector, nullptr},
    {spv::OpLogicalOr, Weight::kVector, nullptr},
    {spv::OpLogicalAnd, Weight::kVector, nullptr},
    {spv::OpLogicalNot, Weight::kVector, nullptr},
    {spv::OpSelect, Weight::kVector, nullptr},
    {spv::OpIEqual, Weight::kCompare, nullptr},
    {spv::OpINotEqual, Weight::kCompare, nullptr},
    {spv::OpUGreaterThan, Weight::kCompare, nullptr},
    {spv::OpSGreaterThan, Weight::kCompare, nullptr},
    {spv::OpUGreaterThanEqual, Weight::kCompare, nullptr},
    {spv::OpSGreaterThanEqual, Weight::kCompare, nullptr},
    {spv::OpULessThan, Weight::kCompare, nullptr},
    {spv::OpSLessThan, Weight::kCompare, nullptr},
    {spv::OpULessThanEqual, Weight::kCompare, nullptr},
    {spv::OpSLessThanEqual, Weight::kCompare, nullptr},
    {spv::OpFOrdEqual, Weight::kCompare, nullptr},
    {spv::OpFUnordEqual, Weight::kCompare, nullptr},
    {spv::OpFOrdNotEqual, Weight::kCompare, nullptr},
    {spv::OpFUnordNotEqual, Weight::kCompare, nullptr},
    {spv::OpFOrdLessThan, Weight::kCompare, nullptr},
    {spv::OpFUnordLessThan, Weight::kCompare, nullptr},
    {spv::OpFOrdGreaterThan, Weight::kCompare, nullptr},
    {spv::OpFUnordGreaterThan, Weight::kCompare, nullptr},
    {spv::OpFOrdLessThanEqual, Weight::kCompare, nullptr},
    {spv::OpFUnordLessThanEqual, Weight::kCompare, nullptr},
    {spv::OpFOrdGreaterThanEqual, Weight::kCompare, nullptr},
    {spv::OpFUnordGreaterThanEqual, Weight::kCompare, nullptr},
    {spv::OpShiftRightLogical, Weight::kVector, nullptr},
    {spv::OpShiftRightArithmetic, Weight::kVector, nullptr},
    {spv::OpShiftLeftLogical, Weight::kVector, nullptr},
    {spv::OpBitwiseOr, Weight::kVector, nullptr},
    {spv::OpBitwiseXor, Weight::kVector, nullptr},
    {spv::OpBitwiseAnd, Weight::kVector, nullptr},
    {spv::OpNot, Weight::kVector, nullptr},
    {spv::OpBitFieldInsert, Weight::kLacking, "a bit field"},
    {spv::OpBitFieldSExtract, Weight::kLacking, "a bit field"},
    {spv::OpBitFieldUExtract, Weight::kLacking, "a bit field"},
    {spv::OpBitReverse, Weight::kLacking, "reversebits"},
    {spv::OpBitCount, Weight::kLacking, "countbits"},
    {spv::OpDPdx, Weight::kLacking, "ddx"},
    {spv::OpDPdy, Weight::kLacking, "ddy"},
    {spv::OpFwidth, Weight::kLacking, "fwidth"},
    {spv::OpDPdxFine, Weight::kLacking, "ddx_fine"},
    {spv::OpDPdyFine, Weight::kLacking, "ddy_fine"},
    {spv::OpFwidthFine, Weight::kLacking, "fwidth"},
    {spv::OpDPdxCoarse, Weight::kLacking, "ddx_coarse"},
    {spv::OpDPdyCoarse, Weight::kLacking, "ddy_coarse"},
    {spv::OpFwidthCoarse, Weight::kLacking, "fwidth"},
    {spv::OpControlBarrier, Weight::kLacking, "a barrier"},
    {spv::OpMemoryBarrier, Weight::kLacking, "a barrier"},
    {spv::OpAtomicIAdd, Weight::kLacking, "an interlocked operation"},
    {spv::OpPhi, Weight::kNone, nullptr},
    {spv::OpLoopMerge, Weight::kLoop, nullptr},
    {spv::OpSelectionMerge, Weight::kNone, nullptr},
    {spv::OpLabel, Weight::kNone, nullptr},
    {spv::OpBranch, Weight::kNone, nullptr},
    {spv::OpBranchConditional, Weight::kBranch, nullptr},
    {spv::OpSwitch, Weight::kSwitch, nullptr},
    {spv::OpKill, Weight::kLacking, "clip"},
    {spv::OpTerminateInvocation, Weight::kLacking, "clip"},
    {spv::OpDemoteToHelperInvocationEXT, Weight::kLacking, "clip"},
    {spv::OpReturn, Weight::kNone, nullptr},
    {spv::OpReturnValue, Weight::kNone, nullptr},
    {spv::OpUnreachable, Weight::kNone, nullptr},
    {spv::OpExtInst, Weight::kExtended, nullptr},
};

const Operation* FindOperation(uint32_t op) {
    static const std::unordered_map<uint32_t, const Operation*> byOp = [] {
        std::unordered_map<uint32_t, const Operation*> map;
        for (const Operation& o : kOperations) map.emplace(uint32_t(o.op), &o);
        return map;
    }();
    const auto found = byOp.find(op);
    return found == byOp.end() ? nullptr : found->second;
}

bool IsCompare(uint32_t op) { return op >= spv::OpIEqual && op <= spv::OpFUnordGreaterThanEqual; }
// What steps a loop's variable.
bool IsStep(uint32_t op) { return op == spv::OpIAdd || op == spv::OpISub || op == spv::OpFAdd || op == spv::OpFSub; }

// `a op b` for a comparison of integers or floating-point values.
bool Compare(uint32_t op, double a, double b) {
    switch (op) {
    case spv::OpIEqual:
    case spv::OpFOrdEqual:
    case spv::OpFUnordEqual: return a == b;
    case spv::OpINotEqual:
    case spv::OpFOrdNotEqual:
    case spv::OpFUnordNotEqual: return a != b;
    case spv::OpUGreaterThan:
    case spv::OpSGreaterThan:
    case spv::OpFOrdGreaterThan:
    case spv::OpFUnordGreaterThan: return a > b;
    case spv::OpUGreaterThanEqual:
    case spv::OpSGreaterThanEqual:
    case spv::OpFOrdGreaterThanEqual:
    case spv::OpFUnordGreaterThanEqual: return a >= b;
    case spv::OpULessThan:
    case spv::OpSLessThan:
    case spv::OpFOrdLessThan:
    case spv::OpFUnordLessThan: return a < b;
    case spv::OpULessThanEqual:
    case spv::OpSLessThanEqual:
    case spv::OpFOrdLessThanEqual:
    case spv::OpFUnordLessThanEqual: return a <= b;
    default: return false;
    }
}

class Counter {
public:
    explicit Counter(const std::vector<unsigned>& words) : w_(words) {}

    SlotCount Count() {
        if (w_.size() < 5 || w_[0] != spv::MagicNumber) return {};
        uint32_t entry = 0;
        for (size_t at = 5; at < w_.size();) {
            const uint32_t count = w_[at] >> 16;
            if (count == 0 || count > w_.size() - at) break;
            const uint32_t op = Op(at);
            if (op == spv::OpEntryPoint && count > 2) entry = w_[at + 2];
            if (op == spv::OpExtInstImport && count > 2 && std::strncmp(reinterpret_cast<const char*>(&w_[at + 2]),
                                                                     "GLSL.std.450", 4 * (count - 2)) == 0)
                std450_ = w_[at + 1];
            if (op == spv::OpFunction) inFunction_ = true;
            if (inFunction_) code_.push_back(at);
            if (op == spv::OpFunctionEnd) inFunction_ = false;
            Declare(op, &w_[at], count);
            at += count;
        }
        if (lacking_.empty()) FindLacking();
        if (!lacking_.empty()) return {0, lacking_};
        if (!FindRunTimeValues()) return {kSaturated, {}};
        Functions();
        return {Total(entry), {}};
    }

private:
    struct Call {
        uint32_t callee;
        size_t times;
    };
    struct Function {
        size_t own = 0;
        std::vector<Call> calls;
    };
    // A loop being read: its slots and calls, to be taken as often as it runs unrolled.
    struct Loop {
        uint32_t merge;
        size_t times;
        Function body;
    };

    uint32_t Op(size_t at) const { return w_[at] & 0xFFFF; }
    uint32_t Words(size_t at) const { return w_[at] >> 16; }

    // Types, constants, pointers and the instructions that make values: what the
    // slots of an instruction and the count of a loop depend on.
    void Declare(uint32_t op, const uint32_t* in, uint32_t count) {
        if (count < 2) return;
        Type t;
        switch (op) {
        case spv::OpTypeBool: t.kind = Kind::kScalar; break;
        case spv::OpTypeInt:
            t.kind = Kind::kScalar;
            t.sign = count > 3 && in[3] != 0;
            if (count > 2 && in[2] != 32 && lacking_.empty()) lacking_ = std::to_string(in[2]) + "-bit integers";
            break;
        case spv::OpTypeFloat:
            t.kind = Kind::kScalar;
            t.real = true;
            if (count > 2 && in[2] != 32 && lacking_.empty()) lacking_ = in[2] == 64 ? "double" : "half";
            break;
        case spv::OpTypeVector:
            if (count < 4) return;
            t.kind = Kind::kVector;
            t.components = in[3];
            break;
        case spv::OpTypeMatrix:
            if (count < 4) return;
            t.kind = Kind::kMatrix;
            t.element = in[2];
            t.columns = in[3];
            t.components = TypeOf(in[2]) ? TypeOf(in[2])->components : 4;
            break;
        case spv::OpTypeArray:
            if (count < 4) return;
            t.kind = Kind::kArray;
            t.element = in[2];
            t.length = constants_.count(in[3]) ? constants_[in[3]].bits : 1;
            break;
        case spv::OpTypeStruct:
            t.kind = Kind::kStruct;
            t.members.assign(in + 2, in + count);
            break;
        case spv::OpTypePointer:
            if (count < 4) return;
            t.kind = Kind::kPointer;
            t.storage = in[2];
            t.element = in[3];
            break;
        case spv::OpConstant:
            if (count > 3) constants_[in[2]] = Constant{in[3], in[1]};
            return;
        case spv::OpFunction:
            if (count > 2) declaring_ = in[2];
            return;
        case spv::OpFunctionParameter:
            if (count > 2) parameters_[declaring_].push_back(in[2]);
            [[fallthrough]];
        case spv::OpVariable:
            if (count > 2) pointers_[in[2]] = Pointer{in[1], in[2]};
            return;
        case spv::OpAccessChain:
        case spv::OpInBoundsAccessChain:
            if (count > 3) pointers_[in[2]] = Pointer{in[1], Root(in[3])};
            if (count > 2) made_[in[2]] = size_t(in - w_.data());
            return;
        default:
            if (inFunction_ && count > 2) {
                bool result = false, resultType = false;
                spv::HasResultAndType(spv::Op(op), &result, &resultType);
                if (result && resultType) valueTypes_[in[2]] = in[1];
            }
            // What a loop's count is made of.
            if (count > 4 && (IsCompare(op) || IsStep(op)))
                made_[in[2]] = size_t(in - w_.data());
            if (count > 3 && op == spv::OpLoad) made_[in[2]] = size_t(in - w_.data());
            return;
        }
        types_[in[1]] = std::move(t);
    }

    const Type* TypeOf(uint32_t id) const {
        const auto found = types_.find(id);
        return found == types_.end() ? nullptr : &found->second;
    }

    // The variable a pointer points into.
    uint32_t Root(uint32_t pointer) const {
        const auto found = pointers_.find(pointer);
        return found == pointers_.end() ? pointer : found->second.root;
    }
    uint32_t Storage(uint32_t pointer) const {
        const auto found = pointers_.find(pointer);
        const Type* type = found == pointers_.end() ? nullptr : TypeOf(found->second.type);
        return type && type->kind == Kind::kPointer ? type->storage : uint32_t(spv::StorageClassMax);
    }
    bool Local(uint32_t pointer) const {
        const uint32_t storage = Storage(pointer);
        return storage == spv::StorageClassFunction || storage == spv::StorageClassPrivate;
    }

    // The first operation within a function that GLSL 3.30 vertex shaders lack, or
    // that no weight is known for.
    void FindLacking() {
        for (size_t at : code_) {
            const uint32_t op = Op(at);
            const Operation* operation = FindOperation(op);
            if (!operation) {
                lacking_ = "SPIR-V operation " + std::to_string(op);
            } else if (operation->weight == Weight::kLacking) {
                lacking_ = operation->name;
            } else if (op >= spv::OpImageSampleImplicitLod && op <= spv::OpImageSampleProjDrefExplicitLod) {
                // A bias is for pixel shaders alone (tex2Dbias and the like).
                const bool dref = op == spv::OpImageSampleDrefImplicitLod || op == spv::OpImageSampleDrefExplicitLod ||
                                  op == spv::OpImageSampleProjDrefImplicitLod ||
                                  op == spv::OpImageSampleProjDrefExplicitLod;
                const uint32_t mask = dref ? 6 : 5;
                if (Words(at) > mask && (w_[at + mask] & spv::ImageOperandsBiasMask)) lacking_ = "a biased texture read";
            } else if (op == spv::OpExtInst && Words(at) > 4) {
                const char* name = nullptr;
                if (w_[at + 3] != std450_ || w_[at + 4] >= GLSLstd450Count) name = "an unknown function";
                else ExtendedSlots(GLSLstd450(w_[at + 4]), 1, 1, 1, &name);
                if (name) lacking_ = name;
            }
            if (!lacking_.empty()) return;
        }
    }

    // The values known only when the shader runs: those read from its inputs and
    // constant registers, and what is computed from them, kept in a variable, passed
    // to a function or given back from one. Everything else the driver may fold once
    // calls are in place and loops unrolled, a loop's count or an index included.
    // False when the values have not settled after kSettleRounds rounds.
    bool FindRunTimeValues() {
        constexpr int kSettleRounds = 1024;
        for (int round = 0; round < kSettleRounds; ++round) {
            const size_t before = runTime_.size() + runTimeVariables_.size() + written_.size() + returning_.size();
            uint32_t function = 0;
            for (size_t at : code_) {
                const uint32_t op = Op(at), count = Words(at);
                const uint32_t* in = &w_[at];
                if (op == spv::OpFunction && count > 2) function = in[2];
                if (op == spv::OpStore && count > 2) {
                    if (runTime_.count(in[2]) || runTime_.count(in[1])) {
                        runTimeVariables_.insert(Root(in[1]));
                        written_.insert(Root(in[1]));
                    }
                    continue;
                }
                if (op == spv::OpReturnValue && count > 1 && runTime_.count(in[1])) returning_.insert(function);
                if (op == spv::OpFunctionCall && count > 3) {
                    Pass(in, count);
                    continue;
                }
                if (count < 4 || op == spv::OpFunction || op == spv::OpVariable || op == spv::OpFunctionParameter ||
                    op == spv::OpLabel)
                    continue;
                bool runTime = false;
                if (op == spv::OpLoad) {
                    const uint32_t pointer = in[3];
                    runTime = !Local(pointer) || runTimeVariables_.count(Root(pointer)) || runTime_.count(pointer);
                } else {
                    // Operands, not the literals after them or an extended instruction's number.
                    const uint32_t first = op == spv::OpExtInst ? 5 : 3;
                    const uint32_t last = op == spv::OpCompositeExtract ? 4 : count;
                    for (uint32_t i = first; i < last && !runTime; ++i) runTime = runTime_.count(in[i]) != 0;
                }
                if (runTime) runTime_.insert(in[2]);
            }
            if (runTime_.size() + runTimeVariables_.size() + written_.size() + returning_.size() == before) return true;
        }
        return false;
    }

    // A call: a run-time argument makes its parameter one, a parameter the callee
    // writes one into makes the caller's variable one, and so does what it gives back.
    void Pass(const uint32_t* in, uint32_t count) {
        const auto callee = parameters_.find(in[3]);
        for (uint32_t a = 4; callee != parameters_.end() && a < count && a - 4 < callee->second.size(); ++a) {
            const uint32_t parameter = callee->second[a - 4], argument = in[a];
            if (runTime_.count(argument) || runTimeVariables_.count(Root(argument))) runTimeVariables_.insert(parameter);
            if (written_.count(parameter)) {
                runTimeVariables_.insert(Root(argument));
                written_.insert(Root(argument));
            }
        }
        if (returning_.count(in[3])) runTime_.insert(in[2]);
    }

    // Each function's own slots and calls, a loop's taken as often as the driver
    // may unroll it.
    void Functions() {
        Function* function = nullptr;
        std::vector<Loop> loops;
        for (size_t i = 0; i < code_.size(); ++i) {
            const size_t at = code_[i];
            const uint32_t op = Op(at), count = Words(at);
            const uint32_t* in = &w_[at];
            if (op == spv::OpFunction && count > 2) {
                function = &functions_[in[2]];
                loops.clear();
                continue;
            }
            if (!function) continue;
            while (op == spv::OpLabel && count > 1 && !loops.empty() && loops.back().merge == in[1]) {
                Loop done = std::move(loops.back());
                loops.pop_back();
                Function& outer = loops.empty() ? *function : loops.back().body;
                outer.own = Sum(outer.own, Product(done.body.own, done.times));
                for (const Call& call : done.body.calls) outer.calls.push_back({call.callee, Product(call.times, done.times)});
            }
            Function& into = loops.empty() ? *function : loops.back().body;
            bool folded = true;
            for (const Loop& loop : loops) folded = folded && loop.times > 1;
            into.own = Sum(into.own, Slots(op, in, count, folded));
            if (op == spv::OpFunctionCall && count > 3) into.calls.push_back({in[3], 1});
            if (op == spv::OpLoopMerge && count > 2) loops.push_back({in[1], Times(i, in[1]), {}});
        }
    }

    // How often the driver may put the body of the loop whose merge instruction is
    // code_[i] in place: its count when the loop counts a variable from a constant
    // by a constant to a constant and ends within kUnrolledIterations; once when it
    // runs longer, or on values known only at run time; otherwise as often as any
    // loop is unrolled.
    size_t Times(size_t i, uint32_t merge) const {
        // The test that leaves the loop.
        size_t test = 0;
        for (size_t j = i + 1; j < code_.size() && !test; ++j) {
            const size_t at = code_[j];
            if (Op(at) == spv::OpLabel && w_[at + 1] == merge) break;
            if (Op(at) == spv::OpBranchConditional && Words(at) > 3 && (w_[at + 2] == merge || w_[at + 3] == merge))
                test = at;
        }
        if (!test) return kUnrolledIterations;
        const uint32_t condition = w_[test + 1];
        if (runTime_.count(condition)) return 1;
        const bool leaveWhenTrue = w_[test + 2] == merge;
        const size_t compare = Made(condition);
        if (!compare || !IsCompare(Op(compare)) || Words(compare) < 5) return kUnrolledIterations;
        // A variable against a constant, either way round.
        uint32_t variable = VariableRead(w_[compare + 3]), limit = w_[compare + 4];
        bool swapped = false;
        if (!variable) {
            variable = VariableRead(w_[compare + 4]);
            limit = w_[compare + 3];
            swapped = true;
        }
        const auto limitConstant = constants_.find(limit);
        if (!variable || limitConstant == constants_.end()) return kUnrolledIterations;
        // Its value when the loop starts, and its one step within the loop.
        const Constant* start = nullptr;
        for (size_t j = i; j-- > 0 && !start;) {
            const size_t at = code_[j];
            if (Op(at) == spv::OpFunction) break;
            if (Op(at) == spv::OpStore && Words(at) > 2 && w_[at + 1] == variable) {
                const auto found = constants_.find(w_[at + 2]);
                if (found == constants_.end()) return kUnrolledIterations;
                start = &found->second;
            }
        }
        const Constant* step = nullptr;
        bool down = false;
        int steps = 0;
        for (size_t j = i + 1; j < code_.size(); ++j) {
            const size_t at = code_[j];
            if (Op(at) == spv::OpLabel && w_[at + 1] == merge) break;
            if (Op(at) != spv::OpStore || Words(at) < 3 || Root(w_[at + 1]) != variable) continue;
            const size_t made = Made(w_[at + 2]);
            const uint32_t stepOp = made ? Op(made) : 0;
            if (++steps > 1 || !made || Words(made) < 5 || !IsStep(stepOp))
                return kUnrolledIterations;
            // The variable plus or minus a constant (a constant plus the variable too).
            const bool first = VariableRead(w_[made + 3]) == variable;
            const bool subtracted = stepOp == spv::OpISub || stepOp == spv::OpFSub;
            if (!first && (subtracted || VariableRead(w_[made + 4]) != variable)) return kUnrolledIterations;
            const auto found = constants_.find(first ? w_[made + 4] : w_[made + 3]);
            if (found == constants_.end()) return kUnrolledIterations;
            step = &found->second;
            down = subtracted;
        }
        if (!start || !step) return kUnrolledIterations;
        double value = Value(*start), by = Value(*step) * (down ? -1 : 1);
        const double bound = Value(limitConstant->second);
        for (uint32_t n = 0; n <= kUnrolledIterations; ++n, value += by) {
            const bool holds = swapped ? Compare(Op(compare), bound, value) : Compare(Op(compare), value, bound);
            if (holds == leaveWhenTrue) return n > 0 ? n : 1;
        }
        return 1;
    }

    size_t Made(uint32_t id) const {
        const auto found = made_.find(id);
        return found == made_.end() ? 0 : found->second;
    }
    // The local variable `id` was loaded from, or 0.
    uint32_t VariableRead(uint32_t id) const {
        const size_t made = Made(id);
        if (!made || Op(made) != spv::OpLoad || Words(made) < 4) return 0;
        const uint32_t pointer = w_[made + 3];
        return Local(pointer) && Root(pointer) == pointer ? pointer : 0;
    }
    double Value(const Constant& c) const {
        const Type* type = TypeOf(c.type);
        if (type && type->real) {
            float f;
            std::memcpy(&f, &c.bits, sizeof f);
            return f;
        }
        return type && type->sign ? double(int32_t(c.bits)) : double(c.bits);
    }

    // The slots of one instruction, calls and loops aside; `folded` outside any loop
    // the driver keeps, where what is not known only at run time is constant once
    // calls are in place and loops unrolled.
    size_t Slots(uint32_t op, const uint32_t* in, uint32_t count, bool folded) const {
        const Type* result = count > 1 ? TypeOf(in[1]) : nullptr;
        const uint32_t components = result ? result->components : 1;
        const uint32_t columns = result && result->kind == Kind::kMatrix ? result->columns : 1;
        const Operation* operation = FindOperation(op);
        switch (operation ? operation->weight : Weight::kLacking) {
        case Weight::kNone:
        case Weight::kLacking: return 0;
        case Weight::kVector: return columns;
        case Weight::kCompare:
        case Weight::kTexture: return 1;
        case Weight::kDivide: return size_t(columns) * (components + 1);
        case Weight::kDots: return size_t(columns) * components;
        case Weight::kExtended: {
            if (count < 5 || in[4] >= GLSLstd450Count) return 0;
            const char* lacking = nullptr;
            return ExtendedSlots(GLSLstd450(in[4]), components, columns, count > 5 ? OperandColumns(in[5]) : 1,
                                 &lacking);
        }
        case Weight::kBranch: return 2;
        case Weight::kSwitch: return count > 3 ? 2 * size_t((count - 3) / 2) : 0;
        case Weight::kLoop: return kLoopSlots;
        case Weight::kIndex: return count > 4 ? IndexSlots(in[3], in + 4, count - 4, folded) : 0;
        }
        return 0;
    }

    // The columns of a matrix value, 1 for any other.
    uint32_t OperandColumns(uint32_t value) const {
        const auto found = valueTypes_.find(value);
        const Type* type = found == valueTypes_.end() ? nullptr : TypeOf(found->second);
        return type && type->kind == Kind::kMatrix ? type->columns : 1;
    }

    // Components of a value of the type, to a bound.
    size_t Components(uint32_t id, int depth = 0) const {
        const Type* t = TypeOf(id);
        if (!t || depth > 8) return 1;
        switch (t->kind) {
        case Kind::kVector: return t->components;
        case Kind::kMatrix: return size_t(t->columns) * t->components;
        case Kind::kArray: return Product(t->length, Components(t->element, depth + 1));
        case Kind::kStruct: {
            size_t n = 0;
            for (uint32_t m : t->members) n = Sum(n, Components(m, depth + 1));
            return n;
        }
        default: return 1;
        }
    }

    // An element picked by an index known only when the shader runs: from a local
    // array, vector or matrix, a comparison and a choice for each element; from
    // the constant registers, each component fetched apart for each vertex.
    size_t IndexSlots(uint32_t base, const uint32_t* indexes, uint32_t n, bool folded) const {
        const auto pointer = pointers_.find(base);
        const Type* type = pointer == pointers_.end() ? nullptr : TypeOf(pointer->second.type);
        if (!type || type->kind != Kind::kPointer) return 0;
        const bool local = Local(base);
        size_t slots = 0;
        bool fetched = false;
        uint32_t id = type->element;
        for (uint32_t i = 0; i < n; ++i) {
            type = TypeOf(id);
            if (!type) break;
            const auto constant = constants_.find(indexes[i]);
            const bool known = constant != constants_.end() || (folded && !runTime_.count(indexes[i]));
            uint32_t elements = 1;
            switch (type->kind) {
            case Kind::kArray: id = type->element, elements = type->length; break;
            case Kind::kMatrix: id = type->element, elements = type->columns; break;
            case Kind::kVector: id = 0, elements = type->components; break;
            case Kind::kStruct:
                id = constant != constants_.end() && constant->second.bits < type->members.size()
                         ? type->members[constant->second.bits]
                         : 0;
                break;
            default: id = 0; break;
            }
            if (!known && local) slots = Sum(slots, 2 * size_t(elements));
            fetched = fetched || (!known && !local);
        }
        return fetched ? Sum(slots, 2 * Components(id)) : slots;
    }

    // The function's slots with its callees' in place at each call, without
    // recursion: a chain of calls may be as long as the text allows.
    size_t Total(uint32_t root) const {
        std::unordered_map<uint32_t, size_t> done;
        std::unordered_set<uint32_t> open;
        std::vector<uint32_t> stack{root};
        while (!stack.empty()) {
            const uint32_t id = stack.back();
            const auto function = functions_.find(id);
            if (done.count(id) || function == functions_.end()) {
                done.emplace(id, 0);
                stack.pop_back();
                continue;
            }
            if (open.insert(id).second) {
                for (const Call& call : function->second.calls) {
                    if (done.count(call.callee)) continue;
                    if (open.count(call.callee)) return kSaturated;  // a recursion
                    stack.push_back(call.callee);
                }
                continue;
            }
            size_t total = function->second.own;
            for (const Call& call : function->second.calls) total = Sum(total, Product(done.at(call.callee), call.times));
            done[id] = total;
            stack.pop_back();
        }
        return done[root];
    }

    struct Pointer {
        uint32_t type;
        uint32_t root;  // the variable it points into
    };

    const std::vector<unsigned>& w_;
    bool inFunction_ = false;
    std::vector<size_t> code_;  // where each instruction within a function starts
    std::unordered_map<uint32_t, Type> types_;
    std::unordered_map<uint32_t, Constant> constants_;  // 32-bit constants by id
    std::unordered_map<uint32_t, Pointer> pointers_;
    std::unordered_map<uint32_t, size_t> made_;  // where a value a loop may count with is made
    uint32_t declaring_ = 0;  // the function whose parameters are being read
    std::unordered_map<uint32_t, std::vector<uint32_t>> parameters_;
    std::unordered_set<uint32_t> runTime_, runTimeVariables_;
    std::unordered_set<uint32_t> written_;    // variables given a run-time value
    std::unordered_set<uint32_t> returning_;  // functions giving one back
    std::unordered_map<uint32_t, Function> functions_;
    std::unordered_map<uint32_t, uint32_t> valueTypes_;  // a value's type, within functions
    uint32_t std450_ = 0;                                // the extended set's import
    std::string lacking_;
};

}  // namespace

SlotCount InstructionSlots(const std::vector<unsigned>& spirv) { return Counter(spirv).Count(); }

}  // namespace d3dxfx
