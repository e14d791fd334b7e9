// Every enemy class drawn for real (GL backend, private Xvfb) on sheets whose
// texels spell their own coordinates and read back: the pixel at the centre of
// each drawn quad comes from the centre of the cell the enemy chose, for both
// elements, and the element picks another cell where the class's row says so.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "engine/graphics/Kestra3D.h"
#include "game/objects/ObjectTypes.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/state/GameGlobals.h"
#include "game/state/SpriteTable.h"
#include "tests/engine/graphics/sprite_test_env.h"
#include "tests/game/objects/play_harness.h"
#include "tests/support/test_support.h"

namespace {

constexpr int kSide = 1024;  // every enemy cell lies inside this sheet

// One texel per 4 x 4 pixels of position: red x / 4, green y / 4.
uint32_t PositionTexel(int i, int j) { return 0xFF000080u | uint32_t(i / 4) << 16 | uint32_t(j / 4) << 8; }

std::vector<uint32_t> PositionSheet() {
    std::vector<uint32_t> p(size_t(kSide) * kSide);
    for (int j = 0; j < kSide; ++j)
        for (int i = 0; i < kSide; ++i) p[size_t(j) * kSide + size_t(i)] = PositionTexel(i, j);
    return p;
}

using testsupport::Channel;

class EnemyGalleryGl : public spritetest::SpriteTest {
protected:
    static constexpr int kSlots[] = {3, 5, 6, 7};
    // The body runs with the position sheet on every enemy slot.
    void InGallery(const std::function<void()>& body) {
        InGl(
            [&] {
                LoadSheet();
                body();
            },
            [&] {
                for (SpriteEntry& e : SpriteTable) {
                    KestraSprite2D::Release(e.sprite);
                    e.sprite = nullptr;
                }
                KestraTexture::Release(sheet_);
                SpriteTable.clear();
                playtest::ClearField();
            });
    }
    void LoadSheet() {
        const std::string path = Scratch("enemies.tga", spritetest::MakeTga(kSide, kSide, PositionSheet()));
        sheet_ = KestraTexture::CreateFromFile(path.c_str(), 14, 0);
        ASSERT_NE(sheet_, nullptr);
        SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
        for (int slot : kSlots) {
            SpriteEntry& e = SpriteTable[size_t(slot)];
            e.texture = sheet_;
            e.sprite = KestraSprite2D::Create(300 * 6, 1, false);
            ASSERT_NE(e.sprite, nullptr);
            KestraSprite2D::SetTexture(e.sprite, 0, e.texture);
        }
    }
    // Renders what the enemy's Draw queues over black and answers its quads and the picture.
    d3d9test::Image Render(cEnemyObjectBase* e, std::vector<playtest::Quad>* quads) {
        playtest::QuadRecorder rec;
        for (int slot : kSlots) KestraSprite2D::Begin(SpriteTable[size_t(slot)].sprite);
        e->Draw();
        for (int slot : kSlots) KestraSprite2D::End(SpriteTable[size_t(slot)].sprite);
        EXPECT_TRUE(Kestra3D::Clear(1, 0xFF000000u, 1.0f, 0, nullptr));
        EXPECT_TRUE(Kestra3D::BeginScene());
        Kestra3D::SetBlendingType(1);
        for (int slot : kSlots) KestraSprite2D::Render(SpriteTable[size_t(slot)].sprite);
        Kestra3D::EndScene();
        *quads = rec.quads;
        return d3d9test::ReadRenderTarget(Device());
    }
    // The enemy's single quad and the rendered pixel at its destination's centre.
    uint32_t RenderCentre(cEnemyObjectBase* e, playtest::Quad* quad) {
        std::vector<playtest::Quad> quads;
        const d3d9test::Image image = Render(e, &quads);
        EXPECT_EQ(quads.size(), 1u);
        if (quads.empty()) return 0;
        *quad = quads[0];
        return image.at(UINT(std::floor(quad->dst[0] + quad->dst[2] / 2)),
                        UINT(std::floor(quad->dst[1] + quad->dst[3] / 2)));
    }
    CTexture* sheet_ = nullptr;
};

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

TEST_F(EnemyGalleryGl, Classes1To49ShowTheirCellForBothElements) {
    InGallery(
        [&] {
            // Classes whose cell does not depend on the element.
            const std::vector<int> oneCell = {21, 27, 28, 31, 32, 33, 36, 43};
            for (int type = 1; type <= 49; ++type) {
                if (type == 41) continue;  // draws nothing
                uint32_t pixels[2] = {0, 0};
                for (int element = 0; element < 2; ++element) {
                    playtest::ResetField(1);
                    playtest::StartPlayers(1, false, 320, 400);
                    ObjectManager.SpawnStageObject(320, 200, type, 16384, 0, elements::FromNumber(element), 0, 0, 5, 0);
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
        });
}

TEST_F(EnemyGalleryGl, Classes50To98ShowTheCentreOfTheirCellForBothElements) {
    InGallery([&] {
        // Classes whose first picture is faded in from nothing, or not drawn.
        const auto faded = [](int t) { return t == 55 || t == 68 || t == 69 || t == 70 || t == 80 || t == 96; };
        int checked = 0;
        for (int type = 50; type <= objecttype::kLastEnemy; ++type) {
            if (faded(type)) continue;
            uint32_t pixels[2] = {0, 0};
            for (int element = 0; element < 2; ++element) {
                playtest::ResetField(1);
                // Small enough to keep every quad on the 640 x 480 target.
                ObjectManager.SpawnStageObject(320, 240, type, 16384, 0, elements::FromNumber(element), 0, 0, 10, 0);
                cEnemyObjectBase* e = ObjectManager.enemyList.back();
                if (type == 81) e->radius = 100;
                if (type == 84) e->life = 300;  // opaque enough to read
                std::vector<playtest::Quad> quads;
                const d3d9test::Image out = Render(e, &quads);
                ASSERT_FALSE(quads.empty()) << type;
                const playtest::Quad& q = quads[0];
                const UINT px = UINT(std::floor(q.dst[0] + q.dst[2] / 2));
                const UINT py = UINT(std::floor(q.dst[1] + q.dst[3] / 2));
                ASSERT_LT(px, 640u) << type;
                ASSERT_LT(py, 480u) << type;
                const uint32_t pixel = out.at(px, py);
                pixels[element] = pixel;
                const int alpha = int(q.colour >> 24);
                const float cx = q.src[0] + q.src[2] / 2;
                const float cy = q.src[1] + q.src[3] / 2;
                const float r = float((pixel >> 16) & 0xFF) * 255.0f / float(alpha);
                const float g = float((pixel >> 8) & 0xFF) * 255.0f / float(alpha);
                EXPECT_NEAR(r * 4 + 2, cx, 8.0f) << "type " << type << " element " << element;
                EXPECT_NEAR(g * 4 + 2, cy, 8.0f) << "type " << type << " element " << element;
            }
            const bool elementPicks = !(type == 65 || type == 72 || type == 76 || type == 81 || type == 89 ||
                                        type == 95);
            if (elementPicks) {
                EXPECT_NE(pixels[0], pixels[1]) << "type " << type;
            }
            ++checked;
        }
        EXPECT_EQ(checked, 43);
    });
}

}  // namespace
