// The bullet and effect galleries drawn for real (GL backend, private Xvfb) with
// the generated demo data set, its sheets loaded into the sprite table by the
// shell's own loader. Screenshots go to <build>/screenshots for people to look
// at; the pixels read back show a picture for every graphic kind and effect
// kind in both elements, and different pictures wherever the art cells differ.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cObjectManager.h"
#include "game/shell/StageResources.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"
#include "platform/d3dx9/image_encode.h"
#include "tests/engine/graphics/sprite_test_env.h"
#include "tests/game/objects/gallery_render.h"
#include "tests/game/objects/play_harness.h"
#include "tools/demodata/Inventory.h"

namespace {

constexpr int kScreenW = 640;
constexpr int kScreenH = 480;
constexpr int kMargin = 4;  // empty pixels around each picture

// One picture of a gallery: what was asked for, where it was laid out, what was
// drawn and what the screen shows there.
struct Picture {
    int kind = 0;
    int element = 0;  // the bullet's element, the effect's value
    int x = 0, y = 0, side = 0;  // its square on the screen
    float offsetX = 0, offsetY = 0;  // from the object's position to its quad's centre
    playtest::Quad quad{};
    std::string sheet;
    const demodata::Cell* cell = nullptr;
    int lit = 0;
    double grid[4][4][3] = {};  // mean colour of a 4 x 4 split of the lit pixels' bounds
    double mean[3] = {};

    std::string Name(const char* what, const char* elementWord) const {
        return std::string(what) + " " + std::to_string(kind) + " " + elementWord + " " + std::to_string(element);
    }
};

// Each kind twice, element (or value) 0 and 1.
std::vector<Picture> BothElements(const std::vector<int>& kinds) {
    std::vector<Picture> out;
    for (int kind : kinds)
        for (int element = 0; element < 2; ++element) {
            Picture p;
            p.kind = kind;
            p.element = element;
            out.push_back(p);
        }
    return out;
}

// Width and height of a quad's picture as turned on the screen.
void TurnedSize(const playtest::Quad& q, double* w, double* h) {
    const double a = q.turned ? double(q.angle) * 2 * 3.14159265358979 / 65536.0 : 0.0;
    const double c = std::fabs(std::cos(a)), s = std::fabs(std::sin(a));
    *w = std::fabs(q.dst[2]) * c + std::fabs(q.dst[3]) * s;
    *h = std::fabs(q.dst[2]) * s + std::fabs(q.dst[3]) * c;
}

// Squares side by side in rows, both elements of a kind next to each other,
// the largest first. False when they do not fit on the screen.
bool LayOut(std::vector<Picture>& pictures) {
    std::vector<size_t> order;
    for (size_t i = 0; i < pictures.size(); i += 2) order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return std::max(pictures[a].side, pictures[a + 1].side) > std::max(pictures[b].side, pictures[b + 1].side);
    });
    int x = 0, y = 0, rowHeight = 0;
    for (size_t i : order) {
        const int side = std::max(pictures[i].side, pictures[i + 1].side);
        if (x + 2 * side > kScreenW) {
            x = 0;
            y += rowHeight;
            rowHeight = 0;
        }
        for (size_t k : {i, i + 1}) {
            pictures[k].side = side;
            pictures[k].x = x;
            pictures[k].y = y;
            x += side;
        }
        rowHeight = std::max(rowHeight, side);
    }
    return y + rowHeight <= kScreenH;
}

// Lit pixels of a picture's square: their count, mean colour and a coarse map.
void Measure(const d3d9test::Image& image, Picture& p) {
    int x0 = p.x + p.side, y0 = p.y + p.side, x1 = p.x, y1 = p.y;
    const auto lit = [](uint32_t c) { return ((c >> 16) & 0xFF) > 16 || ((c >> 8) & 0xFF) > 16 || (c & 0xFF) > 16; };
    for (int y = p.y; y < p.y + p.side; ++y)
        for (int x = p.x; x < p.x + p.side; ++x) {
            const uint32_t c = image.at(UINT(x), UINT(y));
            if (!lit(c)) continue;
            ++p.lit;
            for (int ch = 0; ch < 3; ++ch) p.mean[ch] += double((c >> (16 - 8 * ch)) & 0xFF);
            x0 = std::min(x0, x);
            y0 = std::min(y0, y);
            x1 = std::max(x1, x + 1);
            y1 = std::max(y1, y + 1);
        }
    if (p.lit == 0) return;
    for (double& m : p.mean) m /= p.lit;
    int count[4][4] = {};
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const int gx = (x - x0) * 4 / (x1 - x0), gy = (y - y0) * 4 / (y1 - y0);
            const uint32_t c = image.at(UINT(x), UINT(y));
            ++count[gy][gx];
            for (int ch = 0; ch < 3; ++ch) p.grid[gy][gx][ch] += double((c >> (16 - 8 * ch)) & 0xFF);
        }
    for (int gy = 0; gy < 4; ++gy)
        for (int gx = 0; gx < 4; ++gx)
            for (int ch = 0; ch < 3; ++ch)
                if (count[gy][gx]) p.grid[gy][gx][ch] /= count[gy][gx];
}

// Whether two pictures look different: in size (lit area), in colour (the
// largest difference of a channel's mean) or in shape and shading (the coarse
// maps of their lit bounds, a mean difference per channel).
bool LookDifferent(const Picture& a, const Picture& b, std::string* why) {
    const double area = std::fabs(double(a.lit - b.lit)) / double(std::max(a.lit, b.lit));
    double colour = 0;
    for (int ch = 0; ch < 3; ++ch) colour = std::max(colour, std::fabs(a.mean[ch] - b.mean[ch]));
    double map = 0;
    for (int gy = 0; gy < 4; ++gy)
        for (int gx = 0; gx < 4; ++gx)
            for (int ch = 0; ch < 3; ++ch) map += std::fabs(a.grid[gy][gx][ch] - b.grid[gy][gx][ch]);
    map /= 48;
    std::ostringstream s;
    s << "lit " << a.lit << " / " << b.lit << ", colour difference " << colour << ", map difference " << map;
    *why = s.str();
    return area > 0.15 || colour > 16.0 || map > 12.0;
}

// A picture's art: its sheet's cell as the generator's inventory names it.
std::string CellName(const Picture& p) {
    if (!p.cell) return "none";
    return p.sheet + " " + p.cell->group + " " + std::to_string(p.cell->index) + " element " +
           std::to_string(p.cell->element);
}

void WriteScreenshot(const d3d9test::Image& image, const std::vector<Picture>& pictures, const std::string& name,
                     const char* what, const char* elementWord) {
    const std::filesystem::path png = gallerygl::WriteScreenshot(image, name);
    ASSERT_FALSE(png.empty());
    // Which picture is which, for the people looking.
    std::ofstream legend(png.parent_path() / (name + ".txt"));
    for (const Picture& p : pictures)
        legend << p.Name(what, elementWord) << ": square at (" << p.x << ", " << p.y << ") side " << p.side << ", "
               << CellName(p) << "\n";
}

class DemoGalleryGl : public spritetest::SpriteTest {
protected:
    // The body runs with the set's folder as the current directory and the
    // sheets a new game loads (team 1) in the sprite table.
    void InDemoGallery(const std::function<void()>& body) {
        const std::string data = std::string(QUENRITH_DEMODATA_DIR) + "/data";
        ASSERT_TRUE(std::filesystem::is_regular_file(data + "/img/particle.png")) << "the demo data set is not written";
        InGl(
            [&] {
                ASSERT_TRUE(SetCurrentDirectoryA(data.c_str()));
                SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
                cGameState state;
                state.team = 1;
                LoadCommonSprites(state);
                for (int slot : {7, 8, 10}) ASSERT_NE(SpriteTable[size_t(slot)].texture, nullptr) << slot;
                body();
            },
            [&] {
                for (SpriteEntry& e : SpriteTable) {
                    KestraSprite2D::Release(e.sprite);
                    KestraTexture::Release(e.texture);
                }
                SpriteTable.clear();
                playtest::ClearField();
            });
    }

    // Draws the gallery: `spawn` starts picture i's object at a position (and
    // returns nothing); `draw` is the frame step that draws them. A first pass
    // with no sprites learns each quad's size; the second lays them out and
    // draws for real. Answers the screen.
    d3d9test::Image Draw(std::vector<Picture>& pictures, const std::function<void(Picture&, float, float)>& spawn,
                         const std::function<void()>& draw) {
        std::vector<SpriteEntry> loaded;
        loaded.swap(SpriteTable);
        playtest::ResetField(1);
        std::vector<playtest::Quad> quads;
        {
            playtest::QuadRecorder rec;
            for (Picture& p : pictures) spawn(p, 320, 240);
            draw();
            quads = rec.quads;
        }
        loaded.swap(SpriteTable);
        EXPECT_EQ(quads.size(), pictures.size());
        if (quads.size() != pictures.size()) return {};
        for (size_t i = 0; i < pictures.size(); ++i) {
            const playtest::Quad& q = quads[i];
            double w = 0, h = 0;
            TurnedSize(q, &w, &h);
            pictures[i].side = int(std::ceil(std::max(w, h))) + 2 * kMargin;
            pictures[i].offsetX = q.dst[0] + q.dst[2] / 2 - 320;
            pictures[i].offsetY = q.dst[1] + q.dst[3] / 2 - 240;
        }
        EXPECT_TRUE(LayOut(pictures)) << "the gallery does not fit on the screen";
        playtest::ResetField(1);
        const d3d9test::Image image = gallerygl::RenderPlayLayers(
            [&] {
                for (Picture& p : pictures)
                    spawn(p, float(p.x) + float(p.side) / 2 - p.offsetX, float(p.y) + float(p.side) / 2 - p.offsetY);
                draw();
            },
            &quads);
        EXPECT_EQ(quads.size(), pictures.size());
        if (quads.size() != pictures.size()) return {};
        for (size_t i = 0; i < pictures.size(); ++i) {
            Picture& p = pictures[i];
            p.quad = quads[i];
            p.sheet = demodata::SheetForSlot(p.quad.slot, 1, 1);
            const demodata::ImageAsset* sheet = demodata::FindImage(p.sheet);
            const int sx = int(std::floor(p.quad.src[0])), sy = int(std::floor(p.quad.src[1]));
            if (sheet)
                p.cell = demodata::CellAround(*sheet, {sx, sy, int(std::ceil(p.quad.src[0] + p.quad.src[2])) - sx,
                                                       int(std::ceil(p.quad.src[1] + p.quad.src[3])) - sy});
            Measure(image, p);
        }
        return image;
    }

    // Every picture reads an art cell and shows something; pictures of
    // different cells look different.
    void ExpectDistinct(const std::vector<Picture>& pictures, const char* what, const char* elementWord) {
        for (const Picture& p : pictures) {
            EXPECT_NE(p.cell, nullptr) << p.Name(what, elementWord) << " reads outside the cells of " << p.sheet;
            const double area = double(p.quad.dst[2] * p.quad.dst[3]);
            EXPECT_GE(p.lit, std::max(6, int(area * 0.05))) << p.Name(what, elementWord) << " shows too little";
        }
        for (size_t i = 0; i < pictures.size(); ++i)
            for (size_t j = i + 1; j < pictures.size(); ++j) {
                const Picture& a = pictures[i];
                const Picture& b = pictures[j];
                if (!a.cell || !b.cell || a.cell == b.cell || a.lit == 0 || b.lit == 0) continue;
                if (a.sheet == b.sheet && a.cell->group == b.cell->group && a.cell->index == b.cell->index &&
                    a.cell->element == b.cell->element)
                    continue;  // the same art cut twice
                std::string why;
                EXPECT_TRUE(LookDifferent(a, b, &why))
                    << a.Name(what, elementWord) << " (" << CellName(a) << ") and " << b.Name(what, elementWord)
                    << " (" << CellName(b) << ") look alike: " << why;
            }
    }
};

TEST_F(DemoGalleryGl, BulletGalleryShowsADistinctPictureForEveryGraphicAndElement) {
    InDemoGallery([&] {
        const int kinds[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 13, 14, 15, 16,
                             17, 18, 19, 20, 21, 22, 23, 24, 50, 51, 52, 53, 54, 55, 100};
        std::vector<Picture> pictures = BothElements({std::begin(kinds), std::end(kinds)});
        const auto fire = [](Picture& p, float x, float y) {
            cObjectManager& m = ObjectManager;
            m.FireEnemyBullet(x, y, BulletMotion::kPlain, static_cast<BulletGraphic>(p.kind), 0, 0,
                              elements::FromNumber(p.element), 0, 0);
            cEnemyBulletBase* b = m.enemyBullets[size_t(m.enemyBulletCursor)];
            b->radius = 30;  // the size of the glows that take theirs from it
            // The fading bullets show at their first frame; the glow of graphic 16
            // keeps its radius from its second.
            b->frame = p.kind == 16 ? 2 : 1;
        };
        const d3d9test::Image image = Draw(pictures, fire, [] { ObjectManager.DrawObjects(); });
        ASSERT_EQ(image.width, UINT(kScreenW));
        WriteScreenshot(image, pictures, "bullet_gallery", "graphic", "element");
        ExpectDistinct(pictures, "graphic", "element");
        // The element picks the other half of the sheet for every graphic but the cancelled spark.
        for (size_t i = 0; i < pictures.size(); i += 2) {
            const Picture& warm = pictures[i];
            const Picture& cool = pictures[i + 1];
            EXPECT_EQ(warm.kind == 100, warm.cell == cool.cell) << "graphic " << warm.kind;
            std::string why;
            if (warm.kind == 100) {
                EXPECT_FALSE(LookDifferent(warm, cool, &why)) << "the same spark: " << why;
            } else {
                // warm redder than cool
                EXPECT_GT(warm.mean[0] - warm.mean[2], cool.mean[0] - cool.mean[2]) << "graphic " << warm.kind;
            }
        }
    });
}

TEST_F(DemoGalleryGl, EffectGalleryShowsADistinctPictureForEveryKindAndValue) {
    InDemoGallery([&] {
        std::vector<Picture> pictures = BothElements({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17});
        const auto spawn = [](Picture& p, float x, float y) {
            cObjectManager& m = ObjectManager;
            m.SpawnEffect(int32_t(std::lround(x)), int32_t(std::lround(y)), static_cast<effect::Kind>(p.kind),
                          p.element, 0);
            cEffectObjectBase* f = m.effects[size_t(m.effectCursor)];
            f->x = x;
            f->y = y;
            f->speed = 0;  // held in place, unturned
            f->angle = 0;
            f->spin = 0;
            // A frame where each kind shows a middle cell at a readable size;
            // kind 14 picks its tint on its first.
            static const int kFrames[18] = {0, 10, 0, 5, 0, 0, 0, 5, 5, 3, 0, 0, 0, 2, 0, 5, 5, 2};
            f->frame = kFrames[p.kind];
            EffectRingCounter = 40;  // the rings' shared size before this frame's growth
        };
        const d3d9test::Image image = Draw(pictures, spawn, [] { ObjectManager.UpdateEffects(); });
        ASSERT_EQ(image.width, UINT(kScreenW));
        WriteScreenshot(image, pictures, "effect_gallery", "effect", "value");
        ExpectDistinct(pictures, "effect", "value");
        // The value picks another cell except for the explosion, the shards, the
        // burst, the glow and the big flash.
        for (size_t i = 0; i < pictures.size(); i += 2) {
            const int kind = pictures[i].kind;
            const bool same = kind == 1 || kind == 5 || kind == 9 || kind == 14 || kind == 16;
            EXPECT_EQ(same, pictures[i].cell == pictures[i + 1].cell) << "effect " << kind;
            // The same picture twice looks alike (the glow's tint is drawn at random).
            std::string why;
            if (same && kind != 14) {
                EXPECT_FALSE(LookDifferent(pictures[i], pictures[i + 1], &why)) << "effect " << kind << ": " << why;
            }
        }
    });
}

}  // namespace
