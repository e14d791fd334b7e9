// The bullet and effect galleries drawn for real (GL backend, private Xvfb) on
// position-coded sheets and read back: every graphic kind and effect kind, for
// both elements, shows the sheet's picture at its source cell, and the two
// elements show different pictures.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

#include "engine/graphics/Kestra3D.h"
#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cObjectManager.h"
#include "game/state/GameGlobals.h"
#include "game/state/SpriteTable.h"
#include "tests/engine/graphics/sprite_test_env.h"
#include "tests/game/objects/gallery_render.h"
#include "tests/game/objects/play_harness.h"
#include "tests/support/test_support.h"

namespace {

// Texel (i, j) of a w x h sheet: red from x, green from y, blue constant.
uint32_t SheetTexel(int i, int j, int w, int h) {
    const uint32_t r = uint32_t(i * 256 / w) & 0xFF;
    const uint32_t g = uint32_t(j * 256 / h) & 0xFF;
    return 0xFF000080u | r << 16 | g << 8;
}

std::vector<uint32_t> Sheet(int w, int h) {
    std::vector<uint32_t> p(size_t(w) * size_t(h));
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) p[size_t(j) * size_t(w) + size_t(i)] = SheetTexel(i, j, w, h);
    return p;
}

using testsupport::Channel;

// The texel near the source centre, modulated by the quad's colour and alpha
// over black, matches the pixel at the destination centre.
bool ShowsItsCell(const playtest::Quad& q, uint32_t pixel, int w, int h) {
    const int ci = int(q.src[0] + q.src[2] / 2);
    const int cj = int(q.src[1] + q.src[3] / 2);
    const int a = Channel(q.colour, 24);
    for (int dj = -3; dj <= 3; ++dj) {
        for (int di = -3; di <= 3; ++di) {
            const int i = ((ci + di) % w + w) % w;
            const int j = std::min(std::max(cj + dj, 0), h - 1);
            const uint32_t t = SheetTexel(i, j, w, h);
            bool near = true;
            for (int s : {0, 8, 16}) {
                const int expect = Channel(t, s) * Channel(q.colour, s) * a / (255 * 255);
                if (std::abs(expect - Channel(pixel, s)) > 4) near = false;
            }
            if (near) return true;
        }
    }
    return false;
}

class GalleryGl : public spritetest::SpriteTest {
protected:
    void InGalleryGl(const std::function<void()>& body) {
        InGl(body, [&] {
            for (SpriteEntry& e : SpriteTable) {
                KestraSprite2D::Release(e.sprite);
                e.sprite = nullptr;
            }
            KestraTexture::Release(particles_);
            KestraTexture::Release(effects_);
            SpriteTable.clear();
            playtest::ClearField();
        });
    }
    void LoadSheets() {
        const std::string particlePath = Scratch("particle.tga", spritetest::MakeTga(1024, 512, Sheet(1024, 512)));
        const std::string effectPath = Scratch("addeffect.tga", spritetest::MakeTga(1024, 1024, Sheet(1024, 1024)));
        particles_ = KestraTexture::CreateFromFile(particlePath.c_str(), 14, 0);
        effects_ = KestraTexture::CreateFromFile(effectPath.c_str(), 14, 0);
        ASSERT_TRUE(particles_ && effects_);
        SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
        for (int slot : {7, 8, 10}) {
            SpriteEntry& e = SpriteTable[size_t(slot)];
            e.texture = slot == 10 ? effects_ : particles_;
            e.sprite = KestraSprite2D::Create(300 * 6, 1, false);
            ASSERT_NE(e.sprite, nullptr);
            KestraSprite2D::SetTexture(e.sprite, 0, e.texture);
        }
    }
    CTexture* particles_ = nullptr;
    CTexture* effects_ = nullptr;
};

uint32_t CentrePixel(const d3d9test::Image& image, const playtest::Quad& q) {
    const UINT x = UINT(std::floor(q.dst[0] + q.dst[2] / 2));
    const UINT y = UINT(std::floor(q.dst[1] + q.dst[3] / 2));
    return image.at(x, y);
}

TEST_F(GalleryGl, EveryBulletGraphicShowsItsCellForBothElements) {
    InGalleryGl([&] {
        LoadSheets();
        const int kinds[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 14, 15, 16, 17, 18, 19, 20,
                             21, 22, 23, 24, 50, 51, 52, 53, 54, 55, 100};
        for (int kind : kinds) {
            uint32_t pixels[2] = {0, 0};
            for (int element = 0; element < 2; ++element) {
                playtest::ResetField(1);
                ObjectManager.FireEnemyBullet(320, 240, static_cast<BulletMotion>(1 + kind % 18),
                                              static_cast<BulletGraphic>(kind), 0, 0, elements::FromNumber(element), 0,
                                              0);
                ObjectManager.enemyBullets[1]->radius = 30;
                ObjectManager.enemyBullets[1]->frame = 1;
                std::vector<playtest::Quad> quads;
                const d3d9test::Image out = gallerygl::RenderPlayLayers([] { ObjectManager.DrawObjects(); }, &quads);
                ASSERT_EQ(quads.size(), 1u) << kind;
                const int h = quads[0].slot == 10 ? 1024 : 512;
                pixels[element] = CentrePixel(out, quads[0]);
                EXPECT_TRUE(ShowsItsCell(quads[0], pixels[element], 1024, h))
                    << "graphic " << kind << " element " << element << std::hex << " pixel " << pixels[element];
            }
            if (kind != 100) {
                EXPECT_NE(pixels[0], pixels[1]) << "graphic " << kind;
            }
        }
    });
}

TEST_F(GalleryGl, EveryEffectKindShowsItsCellForBothValues) {
    InGalleryGl([&] {
        LoadSheets();
        for (int kind = 1; kind <= 17; ++kind) {
            uint32_t pixels[2] = {0, 0};
            for (int value = 0; value < 2; ++value) {
                playtest::ResetField(1);
                ObjectManager.SpawnEffect(320, 240, static_cast<effect::Kind>(kind), value, 0);
                std::vector<playtest::Quad> quads;
                const d3d9test::Image out = gallerygl::RenderPlayLayers([] { ObjectManager.UpdateEffects(); }, &quads);
                ASSERT_EQ(quads.size(), 1u) << kind;
                pixels[value] = CentrePixel(out, quads[0]);
                EXPECT_TRUE(ShowsItsCell(quads[0], pixels[value], 1024, 1024))
                    << "effect " << kind << " value " << value << std::hex << " pixel " << pixels[value];
            }
            const bool valueChoosesTheCell = !(kind == 1 || kind == 5 || kind == 9 || kind == 14 || kind == 16);
            if (valueChoosesTheCell) {
                EXPECT_NE(pixels[0], pixels[1]) << "effect " << kind;
            }
        }
    });
}

}  // namespace
