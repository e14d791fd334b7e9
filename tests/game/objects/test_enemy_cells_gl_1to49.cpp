// Enemies 1 to 49 drawn for real (GL backend, private Xvfb) on position-coded
// stage and common sheets and read back: every class shows its source cell
// at its position for both elements, and the element picks another cell
// where the class's row says it does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "engine/graphics/Kestra3D.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/GameGlobals.h"
#include "game/shell/SpriteTable.h"
#include "tests/engine/graphics/sprite_test_env.h"
#include "tests/game/objects/play_harness.h"

namespace {

constexpr int kSide = 1024;

// One texel per 4 x 4 pixels of position: red x / 4, green y / 4.
uint32_t PositionTexel(int i, int j) { return 0xFF000080u | uint32_t(i / 4) << 16 | uint32_t(j / 4) << 8; }

std::vector<uint32_t> PositionSheet() {
    std::vector<uint32_t> p(size_t(kSide) * kSide);
    for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i) p[size_t(j) * kSide + size_t(i)] = PositionTexel(i, j);
    return p;
}

class EnemyCellsGl : public spritetest::SpriteTest {
protected:
    void LoadSheets() {
        const std::string path = Scratch("enemies.tga", spritetest::MakeTga(kSide, kSide, PositionSheet()));
        sheet_ = KestraTexture::CreateFromFile(path.c_str(), 14, 0);
        ASSERT_NE(sheet_, nullptr);
        SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
        for (int slot : {5, 6}) {
            SpriteEntry& e = SpriteTable[size_t(slot)];
            e.texture = sheet_;
            e.sprite = KestraSprite2D::Create(300 * 6, 1, false);
            ASSERT_NE(e.sprite, nullptr);
            KestraSprite2D::SetTexture(e.sprite, 0, e.texture);
        }
    }
    void Release() {
        for (SpriteEntry& e : SpriteTable) {
            KestraSprite2D::Release(e.sprite);
            e.sprite = nullptr;
        }
        KestraTexture::Release(sheet_);
        SpriteTable.clear();
        playtest::ClearField();
    }
    // The enemy's quad and the rendered pixel at its destination's centre.
    uint32_t RenderCentre(cEnemyObjectBase* e, playtest::Quad* quad) {
        playtest::QuadRecorder rec;
        for (int slot : {5, 6}) KestraSprite2D::Begin(SpriteTable[size_t(slot)].sprite);
        e->Draw();
        for (int slot : {5, 6}) KestraSprite2D::End(SpriteTable[size_t(slot)].sprite);
        EXPECT_TRUE(Kestra3D::Clear(1, 0xFF000000u, 1.0f, 0, nullptr));
        EXPECT_TRUE(Kestra3D::BeginScene());
        Kestra3D::SetBlendingType(1);
        for (int slot : {5, 6}) KestraSprite2D::Render(SpriteTable[size_t(slot)].sprite);
        Kestra3D::EndScene();
        EXPECT_EQ(rec.quads.size(), 1u);
        if (rec.quads.empty()) return 0;
        *quad = rec.quads[0];
        const d3d9test::Image image = d3d9test::ReadRenderTarget(Device());
        return image.at(UINT(std::floor(quad->dst[0] + quad->dst[2] / 2)),
                        UINT(std::floor(quad->dst[1] + quad->dst[3] / 2)));
    }
    CTexture* sheet_ = nullptr;
};

int Channel(uint32_t c, int shift) { return int((c >> shift) & 0xFF); }

// The pixel is the texel at the source centre, faded by the quad's alpha over black.
void ExpectCellCentre(const playtest::Quad& q, uint32_t pixel, int type, int element) {
    const uint32_t texel = PositionTexel(int(q.src[0] + q.src[2] / 2), int(q.src[1] + q.src[3] / 2));
    const int alpha = Channel(q.colour, 24);
    for (int shift : {8, 16}) {
        const int expected = Channel(texel, shift) * alpha / 255;
        EXPECT_NEAR(Channel(pixel, shift), expected, 3)
            << "cEnemy" << type << " element " << element << " channel " << shift << std::hex << " pixel " << pixel;
    }
}

TEST_F(EnemyCellsGl, EveryClassShowsItsCellForBothElements) {
    InGameGl(
        [&] {
            LoadSheets();
            // Classes whose cell does not depend on the element.
            const std::vector<int> oneCell = {21, 27, 28, 31, 32, 33, 36, 43};
            for (int type = 1; type <= 49; ++type) {
                if (type == 41) continue;  // draws nothing
                uint32_t pixels[2] = {0, 0};
                for (int element = 0; element < 2; ++element) {
                    playtest::ResetField(1);
                    playtest::StartPlayers(1, false, 320, 400);
                    ObjectManager.SpawnStageObject(320, 200, type, 16384, 0, element, 0, 0, 5, 0);
                    cEnemyObjectBase* e = ObjectManager.enemyList.back();
                    e->frame = 200;  // past the fade-ins
                    e->work1 = 152;  // the crystal fully shown
                    playtest::Quad q{};
                    pixels[element] = RenderCentre(e, &q);
                    ExpectCellCentre(q, pixels[element], type, element);
                }
                const bool same = std::find(oneCell.begin(), oneCell.end(), type) != oneCell.end();
                EXPECT_EQ(pixels[0] == pixels[1], same) << "cEnemy" << type;
            }
        },
        [&] { Release(); });
}

}  // namespace
