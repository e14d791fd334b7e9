// The X reader against an independent importer (libassimp, test-only) on the
// BSD-licensed X files: frames, triangles, bounds, bones, materials and keys.
// The importer turns the file into a right-handed scene: z is mirrored and its
// matrices are column-vector ones, so ours M relates to its A by
// M[j][i] = s_i * s_j * A[i][j] with s = (1, 1, -1, 1).
#include <assimp/cimport.h>
#include <assimp/material.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "tests/platform/d3dx9/xfile_test_util.h"

namespace {

struct Imported {
    const aiScene* scene = nullptr;
    explicit Imported(const std::string& path) : scene(aiImportFile(path.c_str(), 0)) {}
    ~Imported() { aiReleaseImport(scene); }
};

const float kSign[4] = {1, 1, -1, 1};

void ExpectMatrix(const D3DXMATRIX& ours, const aiMatrix4x4& theirs, const std::string& what) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(ours.m[j][i], kSign[i] * kSign[j] * theirs[i][j], 1e-4)
                << what << " [" << i << "][" << j << "]";
}

void CollectNodes(const aiNode* n, const std::string& parent, std::vector<std::pair<const aiNode*, std::string>>* out) {
    out->push_back({n, parent});
    for (unsigned i = 0; i < n->mNumChildren; ++i) CollectNodes(n->mChildren[i], n->mName.C_Str(), out);
}

void Compare(const std::string& file) {
    SCOPED_TRACE(file);
    Imported ai(xtest::CorpusDir() + file);
    ASSERT_NE(ai.scene, nullptr) << aiGetErrorString();
    xtest::Scene ours;
    ASSERT_EQ(xtest::LoadScene(xtest::ReadCorpus(file), &ours), S_OK);

    // Frames: names, parents and transforms. Several top-level frames hang
    // below the importer's own root there.
    std::vector<std::pair<const aiNode*, std::string>> nodes;
    const aiNode* root = ai.scene->mRootNode;
    const bool dummy = std::string(root->mName.C_Str()) == "$dummy_root";
    if (dummy) {
        for (unsigned i = 0; i < root->mNumChildren; ++i) CollectNodes(root->mChildren[i], "", &nodes);
    } else {
        CollectNodes(root, "", &nodes);
    }
    std::map<std::string, const xtest::Frame*> frames;
    for (const auto& f : ours.frames) frames[f.name] = &f;
    size_t matched = 0;
    for (const auto& [node, parent] : nodes) {
        auto it = frames.find(node->mName.C_Str());
        if (it == frames.end()) {
            // Only a mesh the file placed at the top level gets a node of the importer's making.
            EXPECT_TRUE(ours.frames.empty()) << "no frame " << node->mName.C_Str();
            continue;
        }
        ++matched;
        EXPECT_EQ(it->second->parent, parent) << node->mName.C_Str();
        ExpectMatrix(it->second->transform, node->mTransformation, node->mName.C_Str());
    }
    EXPECT_EQ(matched, ours.frames.size());

    // Meshes by the frame that holds them (the importer splits a mesh by material).
    size_t ourTriangles = 0, theirTriangles = 0;
    for (const auto& [node, parent] : nodes) {
        if (node->mNumMeshes == 0) continue;
        std::vector<const xtest::Mesh*> mine;
        for (const auto& m : ours.meshes)
            if (m.frame == node->mName.C_Str() || (ours.frames.empty() && m.mesh)) mine.push_back(&m);
        ASSERT_FALSE(mine.empty()) << node->mName.C_Str();
        D3DXVECTOR3 lo(1e30f, 1e30f, 1e30f), hi(-1e30f, -1e30f, -1e30f);
        std::map<std::string, D3DXMATRIX> bones;
        std::set<std::pair<int, int>> colours;  // diffuse red and green in thousandths
        for (const xtest::Mesh* m : mine) {
            ASSERT_EQ(m->result, S_OK);
            ourTriangles += m->mesh->GetNumFaces();
            for (const auto& p : xtest::UsedPositions(m->mesh.get())) {
                D3DXVec3Minimize(&lo, &lo, &p);
                D3DXVec3Maximize(&hi, &hi, &p);
            }
            if (m->skin)
                for (DWORD b = 0; b < m->skin->GetNumBones(); ++b)
                    bones[m->skin->GetBoneName(b)] = *m->skin->GetBoneOffsetMatrix(b);
            for (const auto& mat : m->materials)
                colours.insert({int(std::lround(mat.MatD3D.Diffuse.r * 1000)), int(std::lround(mat.MatD3D.Diffuse.g * 1000))});
        }
        D3DXVECTOR3 alo(1e30f, 1e30f, 1e30f), ahi(-1e30f, -1e30f, -1e30f);
        for (unsigned k = 0; k < node->mNumMeshes; ++k) {
            const aiMesh* am = ai.scene->mMeshes[node->mMeshes[k]];
            for (unsigned f = 0; f < am->mNumFaces; ++f) theirTriangles += am->mFaces[f].mNumIndices - 2;
            for (unsigned v = 0; v < am->mNumVertices; ++v) {
                const D3DXVECTOR3 p(am->mVertices[v].x, am->mVertices[v].y, -am->mVertices[v].z);
                D3DXVec3Minimize(&alo, &alo, &p);
                D3DXVec3Maximize(&ahi, &ahi, &p);
            }
            for (unsigned b = 0; b < am->mNumBones; ++b) {
                auto it = bones.find(am->mBones[b]->mName.C_Str());
                ASSERT_NE(it, bones.end()) << am->mBones[b]->mName.C_Str();
                ExpectMatrix(it->second, am->mBones[b]->mOffsetMatrix, it->first);
            }
            if (!colours.empty()) {
                aiColor4D d;
                ASSERT_EQ(aiGetMaterialColor(ai.scene->mMaterials[am->mMaterialIndex], AI_MATKEY_COLOR_DIFFUSE, &d),
                          aiReturn_SUCCESS);
                EXPECT_TRUE(colours.count({int(std::lround(d.r * 1000)), int(std::lround(d.g * 1000))}))
                    << node->mName.C_Str() << " diffuse " << d.r << " " << d.g;
            }
        }
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR((&lo.x)[k], (&alo.x)[k], 1e-5) << node->mName.C_Str();
            EXPECT_NEAR((&hi.x)[k], (&ahi.x)[k], 1e-5) << node->mName.C_Str();
        }
    }
    EXPECT_EQ(ourTriangles, theirTriangles);

    // Animation sets: channels by target, key counts, times, positions and the longest time.
    ASSERT_EQ(ours.sets.size(), ai.scene->mNumAnimations);
    for (unsigned s = 0; s < ai.scene->mNumAnimations; ++s) {
        const aiAnimation* a = ai.scene->mAnimations[s];
        const xtest::AnimationSet& set = ours.sets[s];
        EXPECT_EQ(set.name, a->mName.C_Str());
        ASSERT_EQ(set.animations.size(), a->mNumChannels);
        uint32_t longest = 0;
        for (unsigned c = 0; c < a->mNumChannels; ++c) {
            const aiNodeAnim* ch = a->mChannels[c];
            const xtest::Animation& an = set.animations[c];
            SCOPED_TRACE(an.target);
            EXPECT_EQ(an.target, ch->mNodeName.C_Str());
            const auto& rot = an.keys[4].empty() ? an.keys[0] : an.keys[4];
            const auto& scl = an.keys[4].empty() ? an.keys[1] : an.keys[4];
            const auto& pos = an.keys[4].empty() ? an.keys[2] : an.keys[4];
            ASSERT_EQ(rot.size(), ch->mNumRotationKeys);
            ASSERT_EQ(scl.size(), ch->mNumScalingKeys);
            ASSERT_EQ(pos.size(), ch->mNumPositionKeys);
            for (size_t k = 0; k < rot.size(); ++k) {
                EXPECT_EQ(double(rot[k].time), ch->mRotationKeys[k].mTime);
                longest = std::max(longest, rot[k].time);
            }
            for (size_t k = 0; k < pos.size(); ++k) {
                EXPECT_EQ(double(pos[k].time), ch->mPositionKeys[k].mTime);
                longest = std::max(longest, pos[k].time);
                const size_t x = an.keys[4].empty() ? 0 : 12;
                ASSERT_GE(pos[k].values.size(), x + 3);
                EXPECT_NEAR(pos[k].values[x], ch->mPositionKeys[k].mValue.x, 1e-4);
                EXPECT_NEAR(pos[k].values[x + 2], -ch->mPositionKeys[k].mValue.z, 1e-4);
            }
            for (const auto& k : scl) longest = std::max(longest, k.time);
        }
        EXPECT_EQ(double(longest), a->mDuration);
    }
}

TEST(XFileOracle, BsdFilesAgreeWithAnIndependentImporter) {
    for (const char* file : {"test_cube_text.x", "test_cube_binary.x", "test_cube_compressed.x", "Testwuson.X",
                             "BCN_Epileptic.X", "anim_test.x", "kwxport_test_cubewithvcolors.x", "test.x",
                             "fromtruespace_bin32.x"})
        Compare(file);
}

}  // namespace
