// The X file reader: encodings that must give one tree, the corpus, and bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/d3dx9/xfile_internal.h"
#include "tests/support/records.h"
#include "tests/platform/d3dx9/xfile_binary_writer.h"
#include "tests/platform/d3dx9/xfile_test_util.h"

namespace {

using xtest::Bytes;
using xtest::Compress;

std::string Repeat(const std::string& text, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += text;
    return out;
}

HRESULT Describe(const std::vector<uint8_t>& bytes, std::string* out) {
    xfile::Document doc;
    doc.registry = std::make_shared<xfile::Registry>();
    const HRESULT hr = xfile::Parse(bytes.data(), bytes.size(), *doc.registry, &doc);
    *out = xfile::Describe(doc);
    return hr;
}

// Long descriptions: report where they part instead of printing them whole.
void ExpectSameText(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    while (i < n && a[i] == b[i]) ++i;
    if (i == n && a.size() == b.size()) return;
    const size_t from = i > 80 ? i - 80 : 0;
    ADD_FAILURE() << "differ at " << i << ":\n" << a.substr(from, 160) << "\n---\n" << b.substr(from, 160);
}

// Little-endian binary X tokens.
struct BinaryWriter {
    std::string out;
    bool doubles;
    explicit BinaryWriter(bool d) : out(d ? "xof 0303bin 0064" : "xof 0303bin 0032"), doubles(d) {}
    void U16(uint16_t v) { out.append(reinterpret_cast<const char*>(&v), 2); }
    void U32(uint32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); }
    void Name(const std::string& s) {
        U16(1);
        U32(uint32_t(s.size()));
        out += s;
    }
    void String(const std::string& s) {
        U16(2);
        U32(uint32_t(s.size()));
        out += s;
        U16(20);
    }
    void Ints(const std::vector<uint32_t>& v) {
        U16(6);
        U32(uint32_t(v.size()));
        for (uint32_t x : v) U32(x);
    }
    void Floats(const std::vector<double>& v) {
        U16(7);
        U32(uint32_t(v.size()));
        for (double x : v) {
            if (doubles) {
                out.append(reinterpret_cast<const char*>(&x), 8);
            } else {
                const float f = float(x);
                out.append(reinterpret_cast<const char*>(&f), 4);
            }
        }
    }
    void Open() { U16(10); }
    void Close() { U16(11); }
};

const char kSmallText[] = R"(xof 0303txt 0032
Material Red { 1.0;0.0;0.0;1.0;; 8.0; 0.5;0.5;0.5;; 0.0;0.0;0.0;; TextureFilename { "red.png"; } }
Frame F {
  FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 1.5,-2.25,3.0,1.0;; }
  Mesh M {
    3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;;
    1; 3;0,1,2;;
    MeshMaterialList { 1; 1; 0;; { Red } }
  }
}
)";

std::string SmallBinary(bool doubles) {
    BinaryWriter w(doubles);
    w.Name("Material");
    w.Name("Red");
    w.Open();
    w.Floats({1, 0, 0, 1, 8, 0.5, 0.5, 0.5, 0, 0, 0});
    w.Name("TextureFilename");
    w.Open();
    w.String("red.png");
    w.Close();
    w.Close();
    w.Name("Frame");
    w.Name("F");
    w.Open();
    w.Name("FrameTransformMatrix");
    w.Open();
    w.Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1.5, -2.25, 3, 1});
    w.Close();
    w.Name("Mesh");
    w.Name("M");
    w.Open();
    w.Ints({3});
    w.Floats({0, 0, 0, 1, 0, 0, 0, 1, 0});
    w.Ints({1, 3, 0, 1, 2});
    w.Name("MeshMaterialList");
    w.Open();
    w.Ints({1, 1, 0});
    w.Open();  // reference
    w.Name("Red");
    w.Close();
    w.Close();
    w.Close();
    w.Close();
    return w.out;
}

TEST(XFileReader, BinaryWithBothFloatSizesAndCompressedFormsMatchText) {
    std::string text, b32, b64, z32, ztext;
    ASSERT_EQ(Describe(Bytes(kSmallText), &text), S_OK);
    ASSERT_EQ(Describe(Bytes(SmallBinary(false)), &b32), S_OK);
    ASSERT_EQ(Describe(Bytes(SmallBinary(true)), &b64), S_OK);
    ASSERT_EQ(Describe(Bytes(Compress(SmallBinary(false), true, 40)), &z32), S_OK);
    ASSERT_EQ(Describe(Bytes(Compress(kSmallText, false, 100)), &ztext), S_OK);
    EXPECT_EQ(text, b32);
    EXPECT_EQ(text, b64);
    EXPECT_EQ(text, z32);
    EXPECT_EQ(text, ztext);
    EXPECT_NE(text.find("-> 'Red'"), std::string::npos) << text;
    EXPECT_NE(text.find("\"red.png\""), std::string::npos) << text;
}

TEST(XFileReader, LargeCharactersReadAlikeInEveryEncoding) {
    for (const char* file : {"Testwuson.X", "BCN_Epileptic.X"}) {
        SCOPED_TRACE(file);
        const auto bytes = xtest::ReadCorpus(file);
        const std::string text(bytes.begin(), bytes.end());
        std::string plain, b32, b64, zipped;
        ASSERT_EQ(Describe(bytes, &plain), S_OK);
        const std::string bin = xtest::ToBinaryX(text, false);
        ASSERT_EQ(Describe(Bytes(bin), &b32), S_OK);
        ASSERT_EQ(Describe(Bytes(xtest::ToBinaryX(text, true)), &b64), S_OK);
        ASSERT_EQ(Describe(Bytes(Compress(bin, true, 32768)), &zipped), S_OK);
        ExpectSameText(plain, b32);
        ExpectSameText(plain, b64);
        ExpectSameText(plain, zipped);
        EXPECT_LT(bin.size(), text.size());
    }
}

TEST(XFileReader, CompressedBlocksCarryTheirWindowAcrossBlocks) {
    // A long, repetitive body spread over blocks that refer back into earlier ones.
    std::string file = "xof 0303txt 0032\nMesh Long {\n4000;\n";
    for (int i = 0; i < 4000; ++i) file += std::to_string(i % 7) + ".5;1.25;-3.0;" + (i + 1 < 4000 ? "," : ";") + "\n";
    file += "1;3;0,1,2;;\n}\n";
    ASSERT_GT(file.size(), 40000u);
    std::string plain, zipped;
    ASSERT_EQ(Describe(Bytes(file), &plain), S_OK);
    ASSERT_EQ(Describe(Bytes(Compress(file, false, 32768)), &zipped), S_OK);
    EXPECT_EQ(plain, zipped);
    // A block whose size field lies is refused.
    std::string broken = Compress(file, false, 32768);
    broken[20] ^= 0x40;
    EXPECT_TRUE(FAILED(Describe(Bytes(broken), &zipped)));
    // So is one whose packed size is one byte more than the file holds.
    std::string longer = Compress(kSmallText, false, 32768);
    uint16_t packed;
    std::memcpy(&packed, &longer[22], 2);
    ++packed;
    std::memcpy(&longer[22], &packed, 2);
    EXPECT_TRUE(FAILED(Describe(Bytes(longer), &zipped)));
}

using records::Fnv;

using xtest::FoldBuffer;
using xtest::FoldMeshData;

// Everything the loader produced for a mesh, then what the mesh and skin
// functions make of it: an attribute sort, computed normals, bounds, and the
// indexed-blend conversion.
void FoldMesh(Fnv& f, xtest::Mesh& m) {
    f.Text(m.name);
    f.Text(m.frame);
    f.Add(m.result);
    if (!m.mesh) return;
    ID3DXMesh* mesh = m.mesh.get();
    FoldMeshData(f, mesh);
    FoldBuffer(f, m.adjacency.get());
    for (size_t i = 0; i < m.materials.size(); ++i) {
        f.Add(m.materials[i].MatD3D);
        f.Text(m.textures[i]);
    }
    if (m.skin) {
        ID3DXSkinInfo* s = m.skin.get();
        DWORD most = 0;
        s->GetMaxVertexInfluences(&most);
        for (DWORD v : {s->GetNumBones(), s->GetFVF(), most}) f.Add(v);
        for (DWORD b = 0; b < s->GetNumBones(); ++b) {
            f.Text(s->GetBoneName(b));
            f.Add(*s->GetBoneOffsetMatrix(b));
            std::vector<DWORD> v(s->GetNumBoneInfluences(b));
            std::vector<float> w(v.size());
            s->GetBoneInfluence(b, v.data(), w.data());
            f.Bytes(v.data(), v.size() * 4);
            f.Bytes(w.data(), w.size() * 4);
        }
        std::vector<DWORD> adjOut(mesh->GetNumFaces() * 3), faceRemap(mesh->GetNumFaces());
        ID3DXBuffer *vertexRemap = nullptr, *combos = nullptr;
        ID3DXMesh* blended = nullptr;
        DWORD infl = 0, nc = 0;
        f.Add(s->ConvertToIndexedBlendedMesh(mesh, D3DXMESH_SYSTEMMEM, 20,
                                               static_cast<DWORD*>(m.adjacency->GetBufferPointer()), adjOut.data(),
                                               faceRemap.data(), &vertexRemap, &infl, &nc, &combos, &blended));
        xtest::Com<ID3DXBuffer> ownRemap(vertexRemap), ownCombos(combos);
        xtest::Com<ID3DXMesh> ownBlended(blended);
        f.Add(infl);
        f.Add(nc);
        if (blended) FoldMeshData(f, blended);
        f.Bytes(adjOut.data(), adjOut.size() * 4);
        f.Bytes(faceRemap.data(), faceRemap.size() * 4);
        FoldBuffer(f, vertexRemap);
        for (DWORD c = 0; combos && c < nc; ++c) {
            const auto& bc = static_cast<D3DXBONECOMBINATION*>(combos->GetBufferPointer())[c];
            for (DWORD v : {bc.AttribId, bc.FaceStart, bc.FaceCount, bc.VertexStart, bc.VertexCount}) f.Add(v);
            f.Bytes(bc.BoneId, 20 * 4);
        }
    }
    ID3DXMesh* raw = nullptr;
    f.Add(mesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | D3DFVF_NORMAL, nullptr, &raw));
    xtest::Com<ID3DXMesh> clone(raw);
    if (!clone) return;
    std::vector<DWORD> faceRemap(clone->GetNumFaces());
    f.Add(clone->OptimizeInplace(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, faceRemap.data(), nullptr));
    f.Add(D3DXComputeNormals(clone.get(), nullptr));
    FoldMeshData(f, clone.get());
    f.Bytes(faceRemap.data(), faceRemap.size() * 4);
    void* p = nullptr;
    clone->LockVertexBuffer(D3DLOCK_READONLY, &p);
    D3DXVECTOR3 bounds[3];
    float radius = 0;
    D3DXComputeBoundingBox(static_cast<D3DXVECTOR3*>(p), clone->GetNumVertices(), 24, &bounds[0], &bounds[1]);
    D3DXComputeBoundingSphere(static_cast<D3DXVECTOR3*>(p), clone->GetNumVertices(), 24, &bounds[2], &radius);
    clone->UnlockVertexBuffer();
    f.Add(bounds);
    f.Add(radius);
}

// Each corpus file's parsed tree, frames, meshes, skins and animation keys,
// folded into one recorded hash.
TEST(XFileReader, EveryCorpusFileReadsAsRecorded) {
    for (const char* file : {"test_cube_text.x", "test_cube_binary.x", "test_cube_compressed.x", "Testwuson.X",
                             "BCN_Epileptic.X", "anim_test.x", "fromtruespace_bin32.x",
                             "kwxport_test_cubewithvcolors.x", "test.x", "malformed_skinweights_oob.x",
                             "OV_GetNextToken"}) {
        const auto bytes = xtest::ReadCorpus(file);
        Fnv f;
        std::string tree;
        f.Add(Describe(bytes, &tree));
        f.Text(tree);
        xtest::Scene scene;
        f.Add(xtest::LoadScene(bytes, &scene));
        for (const auto& fr : scene.frames) {
            f.Text(fr.name);
            f.Text(fr.parent);
            f.Add(fr.transform);
        }
        for (auto& m : scene.meshes) FoldMesh(f, m);
        for (const auto& set : scene.sets) {
            f.Text(set.name);
            for (const auto& a : set.animations) {
                f.Text(a.target);
                for (const auto& keys : a.keys) {
                    f.Add(keys.size());
                    for (const auto& k : keys) {
                        f.Add(k.time);
                        f.Bytes(k.values.data(), k.values.size() * 4);
                    }
                }
            }
        }
        EXPECT_EQ(records::Check("tests/platform/d3dx9/records.txt", file, f.h), "");
    }
}

// Small texts at the edges of the reader, each with its code; what each reads
// as is folded into one recorded hash.
TEST(XFileReader, BadInputFailsWithoutHarm) {
    const std::string x = "xof 0303txt 0032\n";
    const std::string pair = x + "template Pair { <01234567-89AB-CDEF-0123-456789ABCDEF> WORD a; SWORD b; DOUBLE d; "
                                 "SDWORD s; array UCHAR c[2]; }\n";
    const struct {
        std::string text;
        HRESULT want;
    } cases[] = {
        {"", D3DXFERR_BADFILETYPE},
        {"xof 0303txt", D3DXFERR_BADFILETYPE},
        {"xof 0303txt 0016\n", D3DXFERR_BADFILEFLOATSIZE},
        {"xof 0404txt 0032\n", D3DXFERR_BADFILEVERSION},
        {"xof 0302txt 0064\n", S_OK},
        {"xof 0303zip 0032\n", D3DXFERR_BADFILETYPE},
        {"xyz 0303txt 0032\n", D3DXFERR_BADFILETYPE},
        {"xof 0303txt 0032\nFrame A { Frame B { }\n", D3DXFERR_PARSEERROR},                        // unbalanced
        {"xof 0303txt 0032\nMesh M { 5; 0;0;0;, 1;1;1;; 1; 3;0,1,2;; }\n", D3DXFERR_BADVALUE},  // fewer vertices than counted
        {"xof 0303txt 0032\nMesh M { 2; 0;0;0;, 1;1;1;; 1; 3;0,1,\"x\";; }\n", D3DXFERR_BADVALUE},  // a string for a number
        {"xof 0303txt 0032\ntemplate T { <3D82AB46-62DA-11CF-AB39> DWORD a; }\n", D3DXFERR_PARSEERROR},  // short GUID
        {"xof 0303txt 0032\ntemplate T { <11111111-2222-3333-4444-555555555555> array DWORD a[n]; }\nT x { 1; }\n",
         D3DXFERR_BADARRAYSIZE},
        {"xof 0303txt 0032\ntemplate E { <11111111-2222-3333-4444-555555555551> }\ntemplate A { "
         "<11111111-2222-3333-4444-555555555552> DWORD n; array E e[n]; }\nA { 2000000000; }\n", E_OUTOFMEMORY},  // nothing, often
        {pair + "Pair P { 65535; -2; -0.125; -7; 1; 2; }\nPair { 3,-32768,1e300,4294967295,,0;9; }\n", S_OK},
        {pair + "Pair { 1; 2; 3; 4; 5; \"6\"; }\n", D3DXFERR_BADVALUE},
        {pair + "template PAIR { <01234567-89AB-CDEF-0123-456789ABCDE0> DWORD z; }\npair { 5; }\nPAIR { 6; }\n"
                "template pAIR { <01234567-89AB-CDEF-0123-456789ABCDE1> FLOAT y; }\nPAir { 7; }\n", S_OK},
        {pair + "template Pair { <01234567-89AB-CDEF-0123-456789ABCDE2> STRING t; }\nPair { Bare; } Pair { \"\"; }\n",
         S_OK},
        // Comments, separators, names that start like numbers and numbers of each form.
        {x + "# one\n// two\n;,; Vector 1st-bone { -.5; +.5; 1e1 } Vector 2 { 0.; 7; -3 } Vector { 1.5e-3;2;3; }",
         S_OK},
        {x + "Vector v / { 1; 2; 3; }\n", D3DXFERR_PARSEERROR},
        {x + "Vector v { 1; 2; }\n", D3DXFERR_BADVALUE},
        {x + "Vector v { 1; 2; 3; \"s\" }\n", D3DXFERR_PARSEERROR},
        {x + "Vector v { 1; 2; 3 \"open\n", D3DXFERR_PARSEERROR},
        {x + "\"open", D3DXFERR_PARSEERROR},
        {x + "Vector v { 1; 2; ", D3DXFERR_BADVALUE},
        {x + "Vector < 1; 2; 3; }\n", D3DXFERR_PARSEERROR},
        {x + "Vector v { <3D82AB5E 62DA 11CF AB39 0020AF71E433> 1;2;3; }\nFrame { {v} {<3D82AB5E-62DA-11CF-AB39-"
             "0020AF71E433>} { ; } }\nFrame Self { { Self } }\n",
         S_OK},
        {x + "Frame { { v } Vector w { 1; 2; 3; } }\nVector v { 4; 5; 6; }\n", S_OK},
        {x + "Mesh 7 { +1; 1e300; -1e999; .5;; 1e20; }\n", S_OK},  // 1e20 fits no DWORD: 0 faces
        {x + "Material { <01020304-0506-0708-090A-0B0C0D0E0F10> 1;1;1;1;; 2; 0;0;0;; 0;0;0;; }\n"
             "Frame F { { <01020304-0506-0708-090A-0B0C0D0E0F10> } { Nowhere } }\n", S_OK},
        {x + "Frame { { \"v\" } }\n", D3DXFERR_PARSEERROR},
        {x + "Frame { ... }\n", D3DXFERR_PARSEERROR},
        {x + "Nobody n { 1; { 2; { } } Frame { } }\nVector { 1;2;3; }\n", S_OK},
        {x + "Nobody n { 1; { 2; }\n", D3DXFERR_PARSEERROR},
        // Templates: restrictions, numeric and named sizes, and what breaks them.
        {x + "template T { <11111111-2222-3333-4444-555555555555> DWORD n; array WORD v[n][2]; [Frame, Mesh "
             "<3D82AB44-62DA-11CF-AB39-0020AF71E433>] }\nT { 3; 1,2,3,4,5,6; }\n",
         S_OK},
        // An array's elements are no size: the number of the same name before it stays the size.
        {x + "template T { <11111111-2222-3333-4444-555555555555> DWORD n; array DWORD n[2]; array DWORD a[n]; }\n"
             "T { 1; 5, 6; 7; }\n", S_OK},
        {x + "template T { <11111111-2222-3333-4444-555555555555> DWORD n; array DWORD v[n][n][n]; }\nT { 2048; }\n",
         D3DXFERR_BADARRAYSIZE},
        {x + "template T { <11111111-2222-3333-4444-555555555555> array DWORD v; }\n", D3DXFERR_PARSEERROR},
        {x + "template T { <11111111-2222-3333-4444-555555555555> array DWORD v[]; }\n", D3DXFERR_PARSEERROR},
        {x + "template T { <11111111-2222-3333-4444-555555555555> array DWORD v[2; }\n", D3DXFERR_PARSEERROR},
        {x + "template T { <11111111-2222-3333-4444-555555555555> DWORD a, DWORD b; }\n", D3DXFERR_PARSEERROR},
        {x + "template T { <11111111-2222-3333-4444-555555555555> array 5 v[2]; }\n", D3DXFERR_PARSEERROR},
        {x + "template T { <11111111-2222-3333-4444-555555555555> [ Frame \n", D3DXFERR_PARSEERROR},
        {x + "template T { <11111111-2222-3333-4444-555555555555> ; }\n", D3DXFERR_PARSEERROR},
        {x + "template T <11111111-2222-3333-4444-555555555555> { }\n", D3DXFERR_PARSEERROR},
        {x + "template { <11111111-2222-3333-4444-555555555555> }\n", D3DXFERR_PARSEERROR},
        {x + "template T { NoGuid DWORD a; }\nT { 1; }\n", D3DXFERR_PARSEERROR},
        {x + "template T { <11111111-2222-3333-4444-555555555555> Missing m; }\nT { 1; }\n", D3DXFERR_BADTYPE},
        {x + "template T { <11111111-2222-3333-4444-555555555555> BYTE b; LPSTR s; CSTRING c; UNICODE u; CHAR h; }\n"
             "T { 200; a; \"b\"; c; -1; }\n",
         S_OK},
    };
    Fnv f;
    for (const auto& c : cases) {
        std::string out;
        const HRESULT hr = Describe(Bytes(c.text), &out);
        EXPECT_EQ(hr, c.want) << c.text;
        f.Add(hr);
        f.Text(out);
    }
    EXPECT_EQ(records::Check("tests/platform/d3dx9/records.txt", "texts", f.h), "");
    // Binary: a name longer than the file, and compressed data shorter than it claims.
    const std::string binary("xof 0303bin 0032\x01\0\xff\xff\xff\x7f", 22);
    const std::string zipped("xof 0303bzip0032\x00\x10\0\0", 20);
    std::string out;
    EXPECT_TRUE(FAILED(Describe(Bytes(binary), &out)));
    EXPECT_TRUE(FAILED(Describe(Bytes(zipped), &out)));
    // A string is no object's name, in either encoding.
    EXPECT_EQ(Describe(Bytes("xof 0303txt 0032\nFrame \"F\" { }\n"), &out), D3DXFERR_PARSEERROR);
    BinaryWriter quoted(false);
    quoted.Name("Frame");
    quoted.String("F");
    quoted.Open();
    quoted.Close();
    EXPECT_EQ(Describe(Bytes(quoted.out), &out), D3DXFERR_PARSEERROR);
    // A name of 1 KB reads; a longer one, copied out at every read, fails the file.
    EXPECT_EQ(Describe(Bytes("xof 0303txt 0032\nFrame " + std::string(1024, 'n') + " { }\n"), &out), S_OK);
    EXPECT_TRUE(FAILED(Describe(Bytes("xof 0303txt 0032\nFrame " + std::string(1025, 'n') + " { }\n"), &out)));
    // Deep nesting stops at a bound instead of exhausting the stack.
    std::string deep = "xof 0303txt 0032\n";
    for (int i = 0; i < 5000; ++i) deep += "Frame {";
    EXPECT_TRUE(FAILED(Describe(Bytes(deep), &out)));
    // The bounds themselves: objects within objects, templates within templates.
    const auto frames = [](int n) {
        return "xof 0303txt 0032\n" + Repeat("Frame {", n) + Repeat("}", n) + "\n";
    };
    const auto templates = [](int n) {
        std::string t = "xof 0303txt 0032\n";
        for (int i = 0; i < n; ++i) {
            char guid[48];
            std::snprintf(guid, sizeof guid, "<%08X-0000-0000-0000-000000000000>", i + 1);
            t += "template T" + std::to_string(i) + " { " + guid +
                 (i ? " T" + std::to_string(i - 1) + " m; }\n" : " DWORD a; }\n");
        }
        return t + "T" + std::to_string(n - 1) + " x { 1" + Repeat(";", n) + " }\n";
    };
    constexpr int kFrameDepth = 65, kTemplateDepth = 65;  // the outermost and 64 within it
    EXPECT_EQ(Describe(Bytes(frames(kFrameDepth)), &out), S_OK);
    EXPECT_TRUE(FAILED(Describe(Bytes(frames(kFrameDepth + 1)), &out)));
    EXPECT_EQ(Describe(Bytes(templates(kTemplateDepth)), &out), S_OK);
    EXPECT_TRUE(FAILED(Describe(Bytes(templates(kTemplateDepth + 1)), &out)));
}

TEST(XFileReader, DataObjectsAnswerNamesTypesReferencesAndPackedMembers) {
    const std::string file = std::string(kSmallText) +
                             "Unknown U { 1; 2; }\n"
                             "AnimationSet Walk { Animation { { F } AnimationKey pos { 2; 2; 0;3;1.0,2.0,3.0;;, "
                             "10;3;4.0,5.0,6.0;;; } } }\n";
    auto en = xtest::OpenEnum(file.data(), file.size());
    ASSERT_NE(en, nullptr);
    SIZE_T n = 0;
    en->GetChildren(&n);
    ASSERT_EQ(n, 3u);  // the object of an unknown template is skipped
    ID3DXFileData* raw = nullptr;
    ASSERT_EQ(en->GetChild(1, &raw), S_OK);
    xtest::Com<ID3DXFileData> frame(raw);
    SIZE_T size = 0;
    ASSERT_EQ(frame->GetName(nullptr, &size), S_OK);
    EXPECT_EQ(size, 2u);
    char small[1];
    size = 1;
    // Each refusal's code: a short or missing output, a child one past the last, a name nowhere.
    const void* q = nullptr;
    ID3DXFile* rawFile = nullptr;
    const HRESULT refusals[][2] = {
        {frame->GetName(small, &size), E_INVALIDARG},
        {frame->GetName(small, nullptr), E_POINTER},
        {frame->GetChild(xtest::CountOf(frame.get()), &raw), E_INVALIDARG},
        {frame->GetChild(0, nullptr), E_POINTER},
        {frame->GetChildren(nullptr), E_POINTER},
        {frame->GetId(nullptr), E_POINTER},
        {frame->GetType(nullptr), E_POINTER},
        {frame->Lock(nullptr, &q), E_POINTER},
        {frame->Lock(&size, nullptr), E_POINTER},
        {frame->GetEnum(nullptr), E_POINTER},
        {en->GetChild(3, &raw), E_INVALIDARG},
        {en->GetChild(0, nullptr), E_POINTER},
        {en->GetChildren(nullptr), E_POINTER},
        {en->GetFile(nullptr), E_POINTER},
        {en->GetDataObjectByName("Nowhere", &raw), D3DXFERR_NOTFOUND},
        {en->GetDataObjectByName(nullptr, &raw), E_POINTER},
        {D3DXFileCreate(nullptr), E_POINTER},
        {D3DXFileCreate(&rawFile), S_OK},
    };
    for (size_t i = 0; i < std::size(refusals); ++i) EXPECT_EQ(refusals[i][0], refusals[i][1]) << i;
    xtest::Com<ID3DXFile> file2(rawFile);
    ID3DXFileEnumObject* rawEnum = nullptr;
    EXPECT_EQ(file2->CreateEnumObject(file.data(), D3DXF_FILELOAD_FROMFILE + 7, &rawEnum), E_NOTIMPL);
    EXPECT_EQ(file2->CreateEnumObject("/nowhere/none.x", D3DXF_FILELOAD_FROMFILE, &rawEnum), D3DXFERR_FILENOTFOUND);
    EXPECT_EQ(file2->CreateEnumObject(nullptr, D3DXF_FILELOAD_FROMMEMORY, &rawEnum), E_POINTER);
    EXPECT_EQ(file2->CreateEnumObject(file.data(), D3DXF_FILELOAD_FROMMEMORY, nullptr), E_POINTER);
    EXPECT_EQ(file2->RegisterTemplates(nullptr, 4), E_POINTER);
    EXPECT_EQ(rawEnum, nullptr);
    ASSERT_EQ(en->GetDataObjectByName("Red", &raw), S_OK);
    EXPECT_EQ(xtest::Com<ID3DXFileData>(raw)->IsReference(), FALSE);

    auto matrix = xtest::ChildOf(frame.get(), 0);
    const void* p = nullptr;
    ASSERT_EQ(matrix->Lock(&size, &p), S_OK);
    ASSERT_EQ(size, 64u);
    EXPECT_EQ(static_cast<const float*>(p)[13], -2.25f);
    matrix->Unlock();

    auto mesh = xtest::ChildOf(frame.get(), 1);
    auto list = xtest::ChildOf(mesh.get(), 0);
    auto red = xtest::ChildOf(list.get(), 0);
    EXPECT_TRUE(red->IsReference());
    EXPECT_FALSE(list->IsReference());
    EXPECT_EQ(xtest::NameOf(red.get()), "Red");
    EXPECT_EQ(xtest::TypeOf(red.get()), TID_D3DRMMaterial);

    ASSERT_EQ(en->GetChild(2, &raw), S_OK);
    xtest::Com<ID3DXFileData> set(raw);
    auto anim = xtest::ChildOf(set.get(), 0);
    auto target = xtest::ChildOf(anim.get(), 0);
    auto key = xtest::ChildOf(anim.get(), 1);
    EXPECT_TRUE(target->IsReference());
    EXPECT_EQ(xtest::NameOf(target.get()), "F");
    EXPECT_EQ(xtest::NameOf(key.get()), "pos");
    ASSERT_EQ(key->Lock(&size, &p), S_OK);
    ASSERT_EQ(size, 8u + 2 * 20);
    const auto* w = static_cast<const uint32_t*>(p);
    EXPECT_EQ(w[0], 2u);
    EXPECT_EQ(w[1], 2u);
    EXPECT_EQ(w[7], 10u);
    float last;
    std::memcpy(&last, &w[11], 4);
    EXPECT_EQ(last, 6.0f);
}

TEST(XFileReader, RegisteredTemplatesReadObjectsOfTheirKind) {
    const std::string templ =
        "xof 0303txt 0032\ntemplate Pair { <01234567-89AB-CDEF-0123-456789ABCDEF> WORD a; array FLOAT v[2]; }\n";
    const std::string data = "xof 0303txt 0032\nPair P { 7; 0.5, 0.25; }\n";
    ID3DXFile* rawFile = nullptr;
    ASSERT_EQ(D3DXFileCreate(&rawFile), S_OK);
    xtest::Com<ID3DXFile> f(rawFile);
    SIZE_T n = 9;
    xtest::OpenEnum(data.data(), data.size(), f.get())->GetChildren(&n);
    EXPECT_EQ(n, 0u);

    const std::string notTemplates = "xof 0303txt 0032\nFrame X { }\n";
    EXPECT_TRUE(FAILED(f->RegisterTemplates(notTemplates.data(), notTemplates.size())));
    ASSERT_EQ(f->RegisterTemplates(templ.data(), templ.size()), S_OK);
    auto en = xtest::OpenEnum(data.data(), data.size(), f.get());
    ASSERT_NE(en, nullptr);
    ID3DXFileData* raw = nullptr;
    ASSERT_EQ(en->GetChild(0, &raw), S_OK);
    xtest::Com<ID3DXFileData> d(raw);
    GUID g{};
    d->GetType(&g);
    EXPECT_EQ(g.Data1, 0x01234567u);
    EXPECT_EQ(g.Data4[7], 0xEF);
    SIZE_T size = 0;
    const void* p = nullptr;
    d->Lock(&size, &p);
    ASSERT_EQ(size, 10u);
    uint16_t a;
    float v[2];
    std::memcpy(&a, p, 2);
    std::memcpy(v, static_cast<const uint8_t*>(p) + 2, 8);
    EXPECT_EQ(a, 7);
    EXPECT_EQ(v[1], 0.25f);
}

}  // namespace
