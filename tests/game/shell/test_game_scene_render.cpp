// The game scene's frame on a device: the layers reach the device in their
// fixed order with their blending presets (null backend, recorded draws), and
// the HUD's quads land where they were recorded (GL backend, flat sheets).
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "engine/graphics/Kestra3D.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/GameDraw.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"
#include "tests/engine/graphics/sprite_test_env.h"

namespace {

class GameSceneRender : public spritetest::SpriteTest {
protected:
    void SetUp() override {
        SpriteTest::SetUp();
        GameState = cGameState();
        ScrollX = ScrollY = 0.0f;
        SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
        FontTable.assign(kFontTableSize, nullptr);
    }
    // Before the device goes.
    void ReleaseTable() {
        SetSpriteDrawRecorder(nullptr, nullptr);
        for (SpriteEntry& e : SpriteTable) {
            KestraSprite2D::Release(e.sprite);
            KestraTexture::Release(e.texture);
            e = SpriteEntry{nullptr, nullptr};
        }
        delete Player1;
        Player1 = nullptr;
    }
    void TearDown() override {
        ReleaseTable();
        SpriteTest::TearDown();
    }
    void Put(int slot, CTexture* texture, uint32_t capacity = 600) {
        SpriteEntry& e = SpriteTable[size_t(slot)];
        e.texture = texture;
        e.sprite = KestraSprite2D::Create(capacity, 1, false);
        ASSERT_TRUE(e.texture && e.sprite);
        KestraSprite2D::SetTexture(e.sprite, 0, e.texture);
    }
};

// On the scene's first quad, one more quad in every slot, so that each slot's
// render reaches the device as a draw.
void FillEverySlot(const SpriteDrawRecord&, void* context) {
    bool& filled = *static_cast<bool*>(context);
    if (filled) return;
    filled = true;
    const float dst[4] = {10, 10, 8, 8};
    const float src[4] = {0, 0, 8, 8};
    for (const SpriteEntry& e : SpriteTable)
        if (e.sprite) KestraSprite2D::DrawSquare(e.sprite, dst, 32767.0f, src, 0xFFFFFFFFu, 1);
}

TEST_F(GameSceneRender, SlotsReachTheDeviceInLayerOrderWithTheirPresets) {
    Start(d3d9test::Backend::Null);
    std::map<const void*, int> slotOf;
    for (int slot = 0; slot < 40; ++slot) {
        Put(slot, KestraTexture::Create(16, 16, 14));
        IDirect3DTexture9* t = nullptr;
        SpriteTable[size_t(slot)].texture->GetTexture(&t);
        ASSERT_NE(t, nullptr);
        slotOf[static_cast<IDirect3DBaseTexture9*>(t)] = slot;
        t->Release();
    }
    Kestra3D::SetAlphaTestEnable(true);
    Kestra3D::SetBlendingType(0);
    bool filled = false;
    SetSpriteDrawRecorder(FillEverySlot, &filled);
    d3d9test::ClearCallCounts();
    d3d9test::ClearRecords();
    d3d9test::SetRecording(true);
    GameState.subState = kSubStatePlay;
    DrawGameScene(GameState);
    d3d9test::SetRecording(false);
    EXPECT_TRUE(filled);
    EXPECT_EQ(d3d9test::CallCount("BeginScene"), 1u);
    EXPECT_EQ(d3d9test::CallCount("EndScene"), 1u);

    // (preset, slot) of each draw; a slot drawn in several calls counts once.
    std::vector<std::pair<int, int>> seen;
    for (const d3d9test::DrawCall& d : d3d9test::DrawCalls()) {
        const auto found = slotOf.find(d.textures[0]);
        ASSERT_NE(found, slotOf.end());
        const DWORD dest = d.renderState(D3DRS_DESTBLEND);
        ASSERT_EQ(d.renderState(D3DRS_SRCBLEND), DWORD(D3DBLEND_SRCALPHA));
        const int preset = dest == D3DBLEND_INVSRCALPHA ? 1 : dest == D3DBLEND_ONE ? 2 : -1;
        const std::pair<int, int> entry{preset, found->second};
        if (seen.empty() || seen.back() != entry) seen.push_back(entry);
    }
    const std::vector<std::pair<int, int>> expected = {
        {1, 35}, {1, 36}, {2, 11}, {1, 2},  {1, 3},  {1, 0},  {1, 1},  {1, 9},  {1, 5},  {1, 6},
        {1, 7},  {2, 8},  {2, 10}, {1, 32}, {1, 33}, {1, 4},  {1, 28}, {1, 29}, {1, 30}, {2, 31},
        {1, 37}, {1, 38}, {1, 27}, {1, 12}, {1, 13}, {1, 17}, {1, 15}, {1, 16}, {1, 19}, {1, 18},
        {1, 20}, {1, 21}, {1, 22}, {1, 23}, {1, 24}, {1, 14}, {1, 25}, {1, 26}, {1, 39}};
    EXPECT_EQ(seen, expected);
    ReleaseTable();
}

struct Recorded {
    int slot;
    float dst[4];
    uint32_t color;
};
void CollectHud(const SpriteDrawRecord& r, void* context) {
    static_cast<std::vector<Recorded>*>(context)->push_back(Recorded{r.slot, {r.dst[0], r.dst[1], r.dst[2], r.dst[3]}, r.color});
}

TEST_F(GameSceneRender, TheHudsQuadsLandOnTheScreenOverTheBackLayer) {
    constexpr uint32_t kRed = 0xFFFF0000u, kBlue = 0xFF0000FFu;
    InGl(
        [&] {
            const std::string back = Scratch("back.tga", spritetest::MakeTga(64, 64, std::vector<uint32_t>(64 * 64, kBlue)));
            const std::string system =
                Scratch("system.tga", spritetest::MakeTga(1024, 1024, std::vector<uint32_t>(1024 * 1024, kRed)));
            Put(35, KestraTexture::CreateFromFile(back.c_str(), 14, 0), 60);
            Put(4, KestraTexture::CreateFromFile(system.c_str(), 14, 0));
            Player1 = new cPlayerBase();
            Player1->Reset();
            Player1->isActive = 0;
            Player1->aimY = 100;
            Player1->life = 3;
            Player1->stock = 2;
            Player1->gauge = 130;
            GameState.hudAlpha = 255;
            GameState.subState = kSubStatePlay;
            std::vector<Recorded> quads;
            SetSpriteDrawRecorder(CollectHud, &quads);
            ASSERT_TRUE(Kestra3D::Clear(1, 0xFF000000u, 1.0f, 0, nullptr));
            DrawGameScene(GameState);
            const d3d9test::Image out = d3d9test::ReadRenderTarget(Device());
            ASSERT_EQ(out.width, 640u);
            ASSERT_EQ(out.height, 480u);
            int hud = 0;
            for (const Recorded& q : quads) {
                if (q.slot != 4) continue;
                ++hud;
                if (q.color != 0xFFFFFFFFu) continue;  // the fading large pip
                // Opaque white quads on a red sheet: red inside, from corner to corner.
                const UINT left = UINT(q.dst[0]) + 1, top = UINT(q.dst[1]) + 1;
                const UINT right = UINT(q.dst[0] + q.dst[2]) - 2, bottom = UINT(q.dst[1] + q.dst[3]) - 2;
                const UINT cx = UINT(q.dst[0] + q.dst[2] / 2), cy = UINT(q.dst[1] + q.dst[3] / 2);
                for (auto [x, y] : {std::pair{left, top}, std::pair{right, bottom}, std::pair{cx, cy}}) {
                    if (q.dst[2] < 4 || q.dst[3] < 4) break;
                    EXPECT_EQ(out.at(x, y) & 0xFFFFFFu, kRed & 0xFFFFFFu)
                        << "quad at " << q.dst[0] << "," << q.dst[1] << " pixel " << x << "," << y;
                }
            }
            // Panel, two stock icons, life, 6 + 1 pips, 3 gauge digits, strip, 9 score digits.
            EXPECT_EQ(hud, 1 + 2 + 1 + 7 + 3 + 1 + 9);
            // Around the panel the back layer shows.
            for (auto [x, y] : {std::pair{28u, 420u}, std::pair{192u, 400u}, std::pair{170u, 377u},
                                std::pair{320u, 200u}, std::pair{600u, 20u}})
                EXPECT_EQ(out.at(x, y) & 0xFFFFFFu, kBlue & 0xFFFFFFu) << x << "," << y;
        },
        [&] { ReleaseTable(); });
}

}  // namespace
