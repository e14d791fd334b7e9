// The generated pictures: present, readable by the engine's image reader, of the
// table's size, something painted in every rectangle, the elements told apart by
// colour, the walls of the map grids painted in (every pixel is pinned by the
// set's recorded digests).
#include <gtest/gtest.h>

#include <map>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/d3dx9/image_decode.h"
#include "tests/support/records.h"
#include "tests/tools/demodata/demodata_test_util.h"
#include "tools/demodata/Art.h"
#include "tools/demodata/Inventory.h"

using namespace demodata;
using namespace demodatatest;

namespace {

bool Load(const std::string& path, d3dx9img::Image* image) {
    std::vector<uint8_t> bytes;
    return ReadAll(DataDir() + "/" + path, &bytes) &&
           d3dx9img::DecodeImage(bytes.data(), bytes.size(), image) == d3dx9img::DecodeStatus::kOk;
}

uint32_t At(const d3dx9img::Image& im, int x, int y) { return im.pixels[size_t(y) * im.width + size_t(x)]; }

TEST(DemoDataPictures, EveryPictureIsReadableAtItsSizeWithEveryRectanglePainted) {
    for (const ImageAsset& a : Images()) {
        d3dx9img::Image im;
        ASSERT_TRUE(Load(a.path, &im)) << a.path;
        EXPECT_EQ(int(im.width), a.width) << a.path;
        EXPECT_EQ(int(im.height), a.height) << a.path;
        for (const Cell& c : a.cells) {
            if (c.wraps || c.borrowed) continue;
            int painted = 0, solid = 0;
            for (int y = c.box.y; y < c.box.y + c.box.h; ++y)
                for (int x = c.box.x; x < c.box.x + c.box.w; ++x) {
                    const uint32_t alpha = At(im, x, y) >> 24;
                    painted += alpha > 0;
                    solid += alpha >= 128;
                }
            const int area = c.box.w * c.box.h;
            EXPECT_GE(painted * 60, area) << a.path << ": " << c.group << " " << c.index << " is nearly empty";
            EXPECT_GT(solid, 0) << a.path << ": " << c.group << " " << c.index << " has nothing opaque";
        }
    }
}

// Mean of (red - blue) over a cell's visible pixels, weighted by alpha.
double Warmth(const d3dx9img::Image& im, const Box& b) {
    double sum = 0, weight = 0;
    for (int y = b.y; y < b.y + b.h; ++y)
        for (int x = b.x; x < b.x + b.w; ++x) {
            const uint32_t p = At(im, x, y);
            const double a = double(p >> 24) / 255.0;
            sum += a * (double((p >> 16) & 255) - double(p & 255));
            weight += a;
        }
    return weight > 0 ? sum / weight : 0;
}

TEST(DemoDataPictures, ElementsAreWarmAndCoolInEveryKind) {
    for (const char* path : {"img/particle.png", "img/addeffect.png", "img/item.png", "img/main_system.png",
                             "img/mahoujin_yuri.png", "img/mahoujin_boss.png", "img/commonenemy.png", "img/Stage05Enemy.png"}) {
        const ImageAsset* a = FindImage(path);
        ASSERT_NE(a, nullptr);
        d3dx9img::Image im;
        ASSERT_TRUE(Load(path, &im)) << path;
        // the n-th warm cell of a use against the n-th cool one
        std::map<std::string, std::vector<const Cell*>> warm, cool;
        for (const Cell& c : a->cells) {
            if (c.wraps || c.element < 0 || c.element > 1) continue;
            (c.element == 0 ? warm : cool)[c.group].push_back(&c);
        }
        int pairs = 0;
        for (const auto& [group, cells] : warm) {
            const auto& other = cool[group];
            ASSERT_EQ(cells.size(), other.size()) << path << " " << group;
            for (size_t k = 0; k < cells.size(); ++k, ++pairs) {
                EXPECT_GT(Warmth(im, cells[k]->box), 20.0) << path << " " << group << " " << k << " (element 0)";
                EXPECT_LT(Warmth(im, other[k]->box), -20.0) << path << " " << group << " " << k << " (element 1)";
            }
        }
        EXPECT_GT(pairs, 0) << path;
    }
}

// A fill stops at its box's last row and column and at the clip; nothing is read off the canvas.
TEST(DemoDataPictures, FillsKeepToTheirBoxesAndTheClip) {
    Canvas c(6, 4);
    c.Fill({0, 1, 3, 2}, Rgb(0xFF0000));
    c.SetClip({0, 0, 5, 4});
    c.Fill({4, 0, 9, 1}, Rgb(0x0000FF, 0.5f));
    c.Clear({1, 2, 1, 1});
    std::string map;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) map += c.Get(x, y) == 0 ? '.' : c.Get(x, y) == 0xFFFF0000u ? 'r' : 'b';
    EXPECT_EQ(map, "....b." "rrr..." "r.r..." "......");
    for (const auto& [x, y] : {std::pair{6, 0}, std::pair{-1, 2}, std::pair{0, 4}, std::pair{0, -1}}) EXPECT_EQ(c.Get(x, y), 0u);
}

TEST(DemoDataPictures, InkFitsReachTheirHeightAndEndForTextWithoutInk) {
    TextPainter text;
    std::string error;
    ASSERT_TRUE(text.Open(&error)) << error;
    const struct {
        std::vector<std::string> texts;
        int height;
        bool inked;
    } cases[] = {{{"H", "E"}, 12, true}, {{"0123456789"}, 26, true}, {{" "}, 12, false}, {{"", "  "}, 20, false}};
    for (const auto& c : cases) {
        TextStyle style;
        const InkFit fit = text.FitInk(c.texts, style, c.height, 1000);
        style.size = fit.size;
        int tallest = 0;
        for (const std::string& t : c.texts) tallest = std::max(tallest, text.MeasureInk(t, style).h);
        if (c.inked) {
            EXPECT_LE(tallest, c.height) << c.texts[0];
            EXPECT_GE(tallest, c.height - 1) << c.texts[0];
        } else {
            EXPECT_EQ(tallest, 0) << "'" << c.texts[0] << "'";
            EXPECT_LE(fit.size, c.height * 4 / 3) << "'" << c.texts[0] << "'";
        }
        EXPECT_EQ(fit.squeeze, 1.0f) << c.texts[0];
    }
}

TEST(DemoDataPictures, MapGridWallsArePaintedWhereTheyBlock) {
    // Rows 0-55 are skipped; row 56 is stage y 40. Column 2 solid, column 5 a
    // half-square solid at the lower left, column 8 a token too long to count.
    std::string grid;
    for (int row = 0; row < 110; ++row) {
        for (int col = 0; col < 55; ++col) {
            const char* token = "0";
            if (row == 56 && col == 2) token = "1";
            if (row == 56 && col == 5) token = "3";
            if (row == 56 && col == 8) token = "001";
            if (row == 55 && col == 0) token = "1";
            grid += token;
            grid += ' ';
        }
        grid += '\n';
    }
    const std::vector<WallCell> walls = ParseStageGrid(grid);
    ASSERT_EQ(walls.size(), 2u);
    Canvas canvas(256, 256);
    PaintWalls(canvas, 1, walls);
    auto alpha = [&](int x, int y) { return canvas.Get(x, y) >> 24; };
    EXPECT_EQ(alpha(100, 60), 255u);           // inside the solid block at (80, 40)
    EXPECT_EQ(alpha(70, 60), 0u);              // left of it
    EXPECT_EQ(alpha(205, 75), 255u);           // lower-left half of (200, 40)
    EXPECT_LT(alpha(235, 45), 255u);           // its upper-right corner stays open (shadow at most)
    EXPECT_EQ(alpha(10, 10), 0u);              // the skipped row placed nothing
    // Walls past the edge are cut there: the wrapped copy would stand on open ground.
    Canvas small(64, 64);
    PaintWalls(small, 1, {{40, 40, 1}});
    EXPECT_EQ(small.Get(50, 50) >> 24, 255u);
    EXPECT_EQ(small.Get(10, 10) >> 24, 0u);
    EXPECT_EQ(small.Get(10, 50) >> 24, 0u);
    EXPECT_EQ(small.Get(50, 10) >> 24, 0u);
    small.Set(0, 51, 0xFFFFFFFFu);
    EXPECT_EQ(small.Get(64, 50), 0u);  // past the right edge: nothing, not the next row's first pixel
}

TEST(DemoDataPictures, StageBackgroundsCarryTheWallsOfTheShippedGrids) {
    // The set is made with the shipped grids: the stage-1 picture differs from the
    // bare scenery inside every solid wall and nowhere far from one.
    std::vector<uint8_t> gridBytes;
    ASSERT_TRUE(ReadAll(StageDataDir() + "/Stage01.dat", &gridBytes));
    const std::vector<WallCell> walls = ParseStageGrid(std::string(gridBytes.begin(), gridBytes.end()));
    ASSERT_GT(walls.size(), 20u);
    const ImageAsset* a = FindImage("img/Stage01BG.png");
    ASSERT_NE(a, nullptr);
    d3dx9img::Image im;
    ASSERT_TRUE(Load(a->path, &im));
    TextPainter text;
    std::string error;
    ASSERT_TRUE(text.Open(&error)) << error;
    Canvas bare(a->width, a->height);
    PaintImage(bare, *a, text);
    auto at = [&](int x, int y) { return std::pair{At(im, x, y), bare.Get(x, y)}; };
    int solid = 0;
    for (const WallCell& w : walls) {
        if (w.value != 1 || w.x + 40 > a->width || w.y + 40 > a->height) continue;
        const auto [painted, scenery] = at(w.x + 20, w.y + 20);
        EXPECT_NE(painted, scenery) << "wall at " << w.x << ", " << w.y;
        ++solid;
    }
    EXPECT_GT(solid, 0);
    // A point two cells from every wall keeps the scenery, also where walls
    // beyond the picture's far edges would land if they wrapped.
    int open = 0, underCopies = 0;
    for (int y = 20; y < a->height; y += 40)
        for (int x = 20; x < a->width; x += 40) {
            bool near = false, nearCopy = false;
            for (const WallCell& w : walls) {
                near = near || (std::abs(x - w.x - 20) < 80 && std::abs(y - w.y - 20) < 80);
                nearCopy = nearCopy || (std::abs(x + a->width - w.x - 20) < 40 && std::abs(y - w.y - 20) < 40) ||
                           (std::abs(x - w.x - 20) < 40 && std::abs(y + a->height - w.y - 20) < 40);
            }
            if (near) continue;
            const auto [painted, scenery] = at(x, y);
            EXPECT_EQ(painted, scenery) << x << ", " << y;
            ++open;
            underCopies += nearCopy;
        }
    EXPECT_GT(open, 100);
    EXPECT_GT(underCopies, 0);
}

// The stage painters on oblong pictures, by their recorded digest: the set's own
// backgrounds are square, where a width taken for a height would not show.
TEST(DemoDataPictures, StagePaintersOnOblongPicturesMatchTheirRecord) {
    TextPainter text;
    std::string error;
    ASSERT_TRUE(text.Open(&error)) << error;
    std::vector<uint8_t> grid;
    ASSERT_TRUE(ReadAll(StageDataDir() + "/Stage02.dat", &grid));
    records::Fnv fnv;
    for (const auto& [w, h] : {std::pair{512, 256}, std::pair{256, 512}})
        for (int stage = 1; stage <= 5; ++stage)
            for (const Art art : {Art::Background, Art::BackLayer}) {
                Canvas c(w, h);
                PaintImage(c, ImageAsset{.width = w, .height = h, .art = art, .variant = stage}, text);
                if (art == Art::Background) PaintWalls(c, stage, ParseStageGrid(std::string(grid.begin(), grid.end())));
                fnv.Bytes(c.pixels().data(), c.pixels().size() * 4);
            }
    EXPECT_EQ(records::Check("tests/tools/records.txt", "stage-painters-oblong", fnv.h), "");
}

}  // namespace
