// The demo art against the quads the game draws over it, rendered for real (GL
// backend, private Xvfb) with the generated sheets, one family of elements per
// row of the table. An element is read alone by loading its sheet with only its
// cells kept or by leaving a slot or font out. Each family leaves its frame in
// <build>/screenshots/art_<name>.png.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraFont.h"
#include "engine/graphics/KestraFontSprite2D.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/ConfigScreen.h"
#include "game/shell/GameDraw.h"
#include "game/shell/Input.h"
#include "game/shell/KeyConfig.h"
#include "game/shell/MenuCommon.h"
#include "game/shell/RankingView.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/ScoreData.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"
#include "game/story/TalkState.h"
#include "game/story/TalkText.h"
#include "game/story/TalkWindow.h"
#include "platform/d3dx9/image_decode.h"
#include "platform/d3dx9/image_encode.h"
#include "tests/engine/graphics/sprite_test_env.h"
#include "tests/game/objects/gallery_render.h"
#include "tests/game/objects/play_harness.h"
#include "tests/support/test_support.h"
#include "tools/demodata/Inventory.h"

namespace {

using Image = d3d9test::Image;

int Ch(uint32_t c, int i) { return int(c >> (16 - 8 * i) & 0xFF); }
int Max(uint32_t c) { return std::max({Ch(c, 0), Ch(c, 1), Ch(c, 2)}); }
int Min(uint32_t c) { return std::min({Ch(c, 0), Ch(c, 1), Ch(c, 2)}); }
int Luma(uint32_t c) { return (299 * Ch(c, 0) + 587 * Ch(c, 1) + 114 * Ch(c, 2)) / 1000; }
// Over the black clear: anything drawn, a glyph's bright fill, white ink, a bright line or letter.
bool Lit(uint32_t c) { return Max(c) > 40; }
bool Fill(uint32_t c) { return Luma(c) >= 150; }
bool White(uint32_t c) { return Min(c) >= 170 && Max(c) - Min(c) <= 50; }
bool Bright(uint32_t c) { return Max(c) >= 150; }

// Screen pixels and their bounds (inclusive).
struct Ink {
    std::set<std::pair<int, int>> at;
    int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN;
    void Add(int x, int y) {
        at.insert({x, y});
        x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    }
    bool Has(int x, int y) const { return at.count({x, y}) > 0; }
    int H() const { return at.empty() ? 0 : y1 - y0 + 1; }
    float Cx() const { return float(x0 + x1) / 2; }
    float Cy() const { return float(y0 + y1) / 2; }
    std::string Str() const {
        auto n = [](int v) { return std::to_string(v); };
        return at.empty() ? "nothing" : "x " + n(x0) + ".." + n(x1) + " y " + n(y0) + ".." + n(y1);
    }
};

Ink Find(const Image& im, int x0, int y0, int x1, int y1, bool (*keep)(uint32_t)) {
    Ink ink;
    for (int y = std::max(0, y0); y < std::min(int(im.height), y1); ++y)
        for (int x = std::max(0, x0); x < std::min(int(im.width), x1); ++x)
            if (keep(im.at(UINT(x), UINT(y)))) ink.Add(x, y);
    return ink;
}

// The least Chebyshev distance between two sets, up to `limit`.
int Apart(const Ink& a, const Ink& b, int limit = 6) {
    int best = limit;
    for (const auto& [x, y] : a.at)
        for (int dy = 1 - best; dy < best; ++dy)
            for (int dx = 1 - best; dx < best; ++dx)
                if (b.Has(x + dx, y + dy)) best = std::min(best, std::max(std::abs(dx), std::abs(dy)));
    return best;
}

// The 8-connected pieces of a set.
std::vector<Ink> Pieces(const Ink& all) {
    std::vector<Ink> pieces;
    std::set<std::pair<int, int>> seen;
    for (const auto& start : all.at) {
        if (!seen.insert(start).second) continue;
        Ink piece;
        for (std::vector<std::pair<int, int>> todo = {start}; !todo.empty();) {
            const auto [x, y] = todo.back();
            todo.pop_back();
            piece.Add(x, y);
            for (int d = 0; d < 9; ++d)
                if (all.Has(x + d % 3 - 1, y + d / 3 - 1) && seen.insert({x + d % 3 - 1, y + d / 3 - 1}).second)
                    todo.push_back({x + d % 3 - 1, y + d / 3 - 1});
        }
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

// Without the specks (the stars of a night sky).
Ink Solid(const Ink& all) {
    Ink out;
    for (const Ink& piece : Pieces(all))
        for (const auto& [x, y] : piece.at)
            if (piece.at.size() >= 6) out.Add(x, y);
    return out;
}

class DrawingBoss : public cBossBase {
public:
    std::function<void()> draw = [] {};
    void Draw() override { draw(); }
};

class ArtAlignment : public spritetest::SpriteTest {
protected:
    void StartGl() override {
        SpriteTest::StartGl();
        ASSERT_TRUE(KestraFont::Initialize());
        ASSERT_TRUE(KestraFontSprite2D::Initialize());
    }
    void FinishDevice() override {
        KestraFontSprite2D::Finalize();
        KestraFont::Finalize();
        SpriteTest::FinishDevice();
    }
    static std::string Data() { return std::string(QUENRITH_DEMODATA_DIR) + "/data"; }

    // A picture of the set in a slot; with `keep`, only those groups' cells of it.
    void Sheet(int32_t slot, const std::string& path, const std::vector<std::string>& keep = {}) {
        std::string key = path;
        for (const std::string& k : keep) key += "|" + k;
        std::string& file = variants_[key];
        if (file.empty()) {
            const std::string bytes = testsupport::ReadFile(Data() + "/" + path);
            d3dx9img::Image im;
            ASSERT_EQ(d3dx9img::DecodeImage(bytes.data(), bytes.size(), &im), d3dx9img::DecodeStatus::kOk) << path;
            std::vector<bool> kept(im.pixels.size(), keep.empty());
            for (const demodata::Cell& c : demodata::FindImage(path)->cells)
                if (std::find(keep.begin(), keep.end(), c.group) != keep.end())
                    for (int y = c.box.y; y < c.box.y + c.box.h; ++y)
                        for (int x = c.box.x; x < c.box.x + c.box.w; ++x) kept[size_t(y) * im.width + size_t(x)] = true;
            for (size_t i = 0; i < kept.size(); ++i) im.pixels[i] = kept[i] ? im.pixels[i] : 0;
            std::vector<uint8_t> png;
            ASSERT_TRUE(d3dx9img::EncodePng(im, true, &png));
            file = Scratch("sheet" + std::to_string(variants_.size()) + ".png", std::string(png.begin(), png.end()));
        }
        testing::internal::CaptureStdout();
        loadSprite(file, SpriteTable[size_t(slot)], 0, 600);
        testing::internal::GetCapturedStdout();
    }

    // `draw` over black, the slots' sprites and the fonts left out.
    static Image Shot(const std::function<void()>& draw, const std::vector<int32_t>& hide = {}, const std::vector<int32_t>& fonts = {}) {
        std::vector<CSprite2D*> sprites;
        std::vector<CFontSprite2D*> kept;
        for (int32_t s : hide) sprites.push_back(std::exchange(SpriteTable[size_t(s)].sprite, nullptr));
        for (int32_t f : fonts) kept.push_back(std::exchange(FontTable[size_t(f)], nullptr));
        EXPECT_TRUE(Kestra3D::Clear(1, 0xFF000000u, 1.0f, 0, nullptr));
        draw();
        for (size_t i = 0; i < hide.size(); ++i) SpriteTable[size_t(hide[i])].sprite = sprites[i];
        for (size_t i = 0; i < fonts.size(); ++i) FontTable[size_t(fonts[i])] = kept[i];
        return d3d9test::ReadRenderTarget(Kestra3D::GetDevice());
    }
    static Image Scene(const std::vector<int32_t>& hide = {}, const std::vector<int32_t>& fonts = {}) {
        return Shot([] { DrawGameScene(GameState); }, hide, fonts);
    }

    std::map<std::string, std::string> variants_;
};

constexpr int32_t kHud = 4, kClear = 39, kYuri = 12, kShamyu = 16, kBalloons = 25, kCards = 26;
const char kHudPng[] = "img/main_system.png";

TEST_F(ArtAlignment, EveryElementFamilyLinesUpWithTheQuadsDrawnOverIt) {
    ASSERT_TRUE(std::filesystem::is_regular_file(Data() + "/font.lfd")) << "the demo data set is not written";
    std::vector<std::string> errors;
    std::string family;
    auto expect = [&](bool ok, const std::string& what) {
        if (!ok) errors.push_back(family + ": " + what);
    };
    auto shoot = [&](const Image& im) { gallerygl::WriteScreenshot(im, "art_" + family); };
    auto hud = [&](const std::string& group) {
        Sheet(kHud, kHudPng, {group});
        return Scene();
    };
    // Digits beside their label: at least 60 % of its height, their middles within 3 px.
    auto beside = [&](const Ink& digits, const Ink& label, const std::string& row) {
        expect(digits.H() * 10 >= label.H() * 6 && label.H() > 0 && std::abs(digits.Cy() - label.Cy()) <= 3,
               row + ": digits " + digits.Str() + " beside the label " + label.Str());
    };
    DrawingBoss* boss = nullptr;

    const std::vector<std::pair<const char*, std::function<void()>>> families = {
        {"boss_gauge", [&] {
             GameState.subState = kSubStateDialogue;  // the boss's quads alone
             boss->phase = 2;
             boss->hp = boss->maxHp = 100.0f;
             boss->secondsLeft = 42;
             boss->lastBonus = 8888888;  // digits of one width: the row's ink spans its cells alike
             boss->draw = [&] { boss->DrawLifeGauge(), boss->DrawSpellBonus(); };
             const Image frame = hud("boss_frame"), bar = hud("boss_bar"), seconds = hud("seconds_digits");
             const Image label = hud("bonus_label"), digits = hud("bonus_digits");
             Sheet(kHud, kHudPng);
             shoot(Scene());
             // From the middle of each edge of the full bar, the outline's white 1 to 6 px out.
             const Ink b = Find(bar, 0, 0, 640, 60, Lit);
             auto out = [&](int x, int y, int dx, int dy) {
                 for (int k = 1; k <= 6; ++k)
                     if (White(frame.at(UINT(x + k * dx), UINT(y + k * dy)))) return k;
                 return 0;
             };
             const int mx = int(b.Cx()), my = int(b.Cy());
             const int gaps[4] = {out(b.x0, my, -1, 0), out(b.x1, my, 1, 0), out(mx, b.y0, 0, -1), out(mx, b.y1, 0, 1)};
             const Ink on = Find(frame, b.x0, b.y0, b.x1 + 1, b.y1 + 1, White);
             expect(gaps[0] && gaps[1] && gaps[2] && gaps[3] && on.at.empty(),
                    "the full bar (" + b.Str() + ") is not in an outline hugging it (left, right, top, bottom " + std::to_string(gaps[0]) + " " +
                        std::to_string(gaps[1]) + " " + std::to_string(gaps[2]) + " " + std::to_string(gaps[3]) + " px out, 0 none; on it " +
                        on.Str() + ")");
             int end = b.x1 + std::max(gaps[1], 1);
             while (end < 639 && White(frame.at(UINT(end + 1), UINT(my)))) ++end;
             const Ink s = Find(seconds, 0, 0, 640, 60, Fill), time = Find(frame, end + 2, 0, s.x0, 60, White);
             expect(time.H() > 0 && std::abs(s.y0 - time.y0) <= 2 && std::abs(s.y1 - time.y1) <= 2 && s.x0 > time.x1 + 2,
                    "the seconds (" + s.Str() + ") are not beside TIME (" + time.Str() + ") at its height");
             const Ink l = Find(label, 0, 100, 640, 330, Fill), d = Find(digits, 0, 100, 640, 330, Fill);
             expect(std::abs(l.Cx() - d.Cx()) <= 3 && l.y1 < d.y0,
                    "the bonus digits (" + d.Str() + ") are not under their label's centre (" + l.Str() + ")");
         }},
        {"hud", [&] {
             GameState.subState = kSubStatePlay;
             for (int32_t element = 0; element < 2; ++element) {
                 GameState.hudAlpha = 254;
                 Player1->element = element;
                 const std::string which = element == 0 ? "warm panel: " : "cool panel: ";
                 // The panel's bright lines and letters: the frame those in pieces spanning 80 px or more.
                 const Image panel = hud("player_panel");
                 const Ink body = Find(panel, 30, 380, 190, 460, Lit);
                 Ink labels, frame;
                 for (const Ink& piece : Pieces(Find(panel, 30, 380, 190, 460, Bright)))
                     for (const auto& [x, y] : piece.at) (piece.x1 - piece.x0 >= 80 || piece.y1 - piece.y0 >= 50 ? frame : labels).Add(x, y);
                 for (const char* icon : {"stock_icon", "life_bar", "pip_small", "pip_large", "gauge_digits"}) {
                     const int gap = Apart(labels, Find(hud(icon), 30, 380, 190, 470, Lit));
                     expect(gap >= 3, which + "label ink within " + std::to_string(gap) + " px of " + icon);
                 }
                 // A frame line keeps to the panel's edge (4 px from what it does not cover); a label run into it does not.
                 Ink inner;
                 for (const auto& [x, y] : frame.at) {
                     bool edge = false;
                     for (int d = 0; d < 81 && !edge; ++d) edge = !body.Has(x + d % 9 - 4, y + d / 9 - 4);
                     if (!edge) inner.Add(x, y);
                 }
                 expect(inner.at.empty(), which + "label ink runs into the frame at " + inner.Str());
                 const Ink number = Find(hud("gauge_digits"), 30, 440, 190, 470, Fill);
                 expect(Apart(number, frame) >= 2 && number.H() >= 7,
                        which + "the gauge number (" + number.Str() + ") sits on the frame or is under 7 px tall");
             }
             Sheet(kHud, kHudPng);
             shoot(Scene());
         }},
        {"tally", [&] {
             GameState.subState = kSubStateTally;
             auto scene = [&](const std::vector<std::string>& keep) {
                 Sheet(kClear, "img/stageclear.png", keep);
                 GameState.tallyTimer = 200;
                 return Scene();
             };
             const Image bg = scene({"background"}), digits = scene({"small_digits", "large_digits"});
             shoot(scene({}));
             for (const auto& [y, h] : std::vector<std::pair<int, int>>{{120, 26}, {160, 26}, {210, 26}, {250, 26}, {325, 26}, {410, 35}})
                 beside(Find(digits, 216, y, 640, y + h, Fill), Solid(Find(bg, 0, y - 6, 214, y + h + 6, Fill)), "row at y " + std::to_string(y));
         }},
        {"config", [&] {
             auto shot = [&](const std::vector<std::string>& keep) {
                 Sheet(kConfigSheet, "img/config.png", keep);
                 TitleState = cTitleState();
                 return Shot(DrawConfigScreen);
             };
             const Image labels = shot({"labels"}), digits = shot({"digits"});
             shoot(shot({}));
             for (int y : {170, 247})
                 beside(Find(digits, 190, y, 240, y + 26, Fill), Solid(Find(labels, 50, y - 6, 190, y + 32, Fill)), "volume at y " + std::to_string(y));
         }},
        {"key_config", [&] {
             Sheet(kConfigSheet, "img/config.png", {"keyconfig"});
             cKeyConfigScreen screen;
             const Image names = Shot([&] { screen.Draw(); }, {kConfigSheet}), sheet = Shot([&] { screen.Draw(); }, {}, {1});
             Sheet(kConfigSheet, "img/config.png");
             shoot(Shot([&] { screen.Draw(); }));
             for (int32_t cell = 0; cell < 2 * kActionCount; ++cell) {
                 const int x = screen.cells[cell][0], y = screen.cells[cell][1];
                 const Ink name = Find(names, x - 20, y, x + 140, y + 34, Lit), label = Solid(Find(sheet, 40, y - 3, 200, y + 34, Fill));
                 // The row's bar: the rows around the name's middle that match it, on a column left of the labels.
                 const uint32_t c = sheet.at(45, UINT(name.Cy()));
                 auto bar = [&](int yy) {
                     const uint32_t p = sheet.at(45, UINT(yy));
                     return std::abs(Ch(p, 0) - Ch(c, 0)) <= 4 && std::abs(Ch(p, 1) - Ch(c, 1)) <= 4 && std::abs(Ch(p, 2) - Ch(c, 2)) <= 4;
                 };
                 int top = int(name.Cy()), bottom = top;
                 while (top > 0 && bar(top - 1)) --top;
                 while (bottom < 479 && bar(bottom + 1)) ++bottom;
                 expect(std::abs(name.Cy() - label.Cy()) <= 2 && std::abs(name.Cy() - float(top + bottom) / 2) <= 2,
                        "player " + std::to_string(cell / kActionCount + 1) + " row " + std::to_string(cell % kActionCount) + ": key name " +
                            name.Str() + ", label " + label.Str() + ", bar y " + std::to_string(top) + ".." + std::to_string(bottom));
             }
         }},
        {"ranking", [&] {
             FillDefaultScores(ScoreData);
             for (cRankingRow& row : ScoreData.rows[0]) std::snprintf(row.name, sizeof row.name, "WWWWWWWW"), row.score = 999999999, row.stage = 7;
             auto shot = [&](const std::vector<std::string>& keep, const std::vector<int32_t>& hide, const std::vector<int32_t>& fonts) {
                 Sheet(kRankingSheet, "img/ranking.png", keep);
                 return Shot(DrawRankingView, hide, fonts);
             };
             const Image bg = shot({"background"}, {}, {1}), badges = shot({"stage"}, {}, {1}), text = shot({}, {kRankingSheet}, {});
             shoot(shot({}, {}, {}));
             // The panel's inside: what a fill from its middle reaches without crossing a bright line.
             Ink inside;
             bool leaks = false;
             for (std::vector<std::pair<int, int>> todo = {{320, 250}}; !todo.empty();) {
                 const auto [x, y] = todo.back();
                 todo.pop_back();
                 leaks = leaks || x < 0 || y < 0 || x >= 640 || y >= 480;
                 if (x < 0 || y < 0 || x >= 640 || y >= 480 || inside.Has(x, y) || Luma(bg.at(UINT(x), UINT(y))) >= 80) continue;
                 inside.Add(x, y);
                 todo.insert(todo.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
             }
             expect(!leaks, "the panel's frame is not closed");
             for (const auto& [what, ink] : {std::pair{"a stage badge", Find(badges, 0, 0, 640, 480, Lit)}, std::pair{"row text", Find(text, 0, 0, 640, 432, Lit)}}) {
                 Ink out;
                 for (const auto& [x, y] : ink.at)
                     if (!inside.Has(x, y)) out.Add(x, y);
                 expect(out.at.empty(), std::string(what) + " crosses the panel's frame: " + out.Str());
             }
         }},
        {"talk", [&] {
             GameState.subState = kSubStateDialogue;
             std::string row;  // 17 full-width squares, ink to their cells' edges
             for (int k = 0; k < 17; ++k) row += "\x81\xA1";
             const std::string rows = row + "\n" + row + "\n" + row, moved = row.substr(2);  // and 16, 20 px to the right
             const TalkText full{rows.c_str(), "art", "rows", 0}, shifted{moved.c_str(), "art", "moved", 0};
             // Every balloon style holds its text on its fill, 2 px clear of its edge.
             for (TalkSide side : {TalkSide::Upper, TalkSide::Lower})
                 for (int32_t row = 0; row < 3; ++row) {
                     boss->draw = [&, row, side] {
                         DrawTalkBalloon(row, BalloonMode::Opaque, side);
                         DrawTalkText(full, side, 0);
                         if (side == TalkSide::Upper) DrawTalkText(shifted, side, 20);
                     };
                     const Image balloon = Scene({}, {0});
                     const Ink ink = Find(Scene({kBalloons}), 0, 0, 640, 480, Lit);
                     const int fill = Luma(balloon.at(UINT(ink.Cx()), UINT(ink.Cy())));
                     Ink off;
                     for (const auto& [x, y] : ink.at)
                         for (int d = 0; d < 25; ++d) {
                             const uint32_t b = balloon.at(UINT(std::clamp(x + d % 5 - 2, 0, 639)), UINT(std::clamp(y + d / 5 - 2, 0, 479)));
                             if (Luma(b) > fill + 40 || !Lit(b)) off.Add(x + d % 5 - 2, y + d / 5 - 2);
                         }
                     expect(off.at.empty(), std::string(side == TalkSide::Upper ? "upper" : "lower") + " balloon " + std::to_string(row) +
                                                ": text off its fill at " + off.Str());
                 }
             // Every name card 2 px clear of the balloons of every style and both portraits.
             auto window = [&](std::vector<int32_t> cards, const std::vector<int32_t>& hide, int32_t styles = 3) {
                 boss->draw = [cards, styles] {
                     for (int32_t row = 0; row < styles; ++row)
                         for (TalkSide side : {TalkSide::Upper, TalkSide::Lower}) DrawTalkBalloon(row, BalloonMode::Opaque, side);
                     TalkState.slideCounter[talk::Yuri] = TalkState.slideCounter[talk::Shamyu] = 19;
                     DrawPortraitYuri(0, TalkSide::Upper, PortraitMode::Active);
                     DrawPortraitShamyu(0, PortraitMode::Active);
                     for (int32_t card : cards) TalkState.nameCardFrame = 100, DrawNameCard(card);
                 };
                 return Scene(hide);
             };
             const Ink others = Find(window({}, {}), 0, 0, 640, 480, Lit);
             for (int32_t card = 0; card < 13; ++card) {
                 const Ink c = Find(window({card}, {kBalloons, kYuri, kShamyu}), 0, 0, 640, 480, Lit);
                 expect(c.H() > 0 && Apart(c, others, 2) >= 2, "card " + std::to_string(card) + " (" + c.Str() + ") touches a balloon or portrait");
             }
             shoot(window({0, 5}, {}, 1));
         }},
    };

    InGl(
        [&] {
            ASSERT_TRUE(SetCurrentDirectoryA(Data().c_str()));
            playtest::ResetField(1);
            playtest::StartPlayers(1, false);
            Player1->stock = 3, Player1->life = 5, Player1->gauge = 200.0f, Player1->score = 123456789;
            Player1->itemCount = 1234, Player1->absorbCount = 5678, Player1->noMiss = 1;
            GameState.stageBonus = 12345678, GameState.noMissBonus = 1234567;
            GameState.bgmVolume = 90, GameState.seVolume = 100;
            SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
            FontTable.assign(kFontTableSize, nullptr);
            FontTable[0] = KestraFontSprite2D::CreateFromFile("font.lfd", ".tga", 1, 1024, 0, 14);
            FontTable[1] = KestraFontSprite2D::CreateFromFile("skillfont.lfd", ".tga", 1, 2048, 0, 14);
            KeyMap.keyboard[0] = KeyMap.keyboard[1] = 1;
            const uint8_t keys[2][kActionCount] = {{200, 208, 203, 205, 44, 45, 46, 47, 48, 57}, {17, 31, 30, 32, 33, 34, 35, 36, 37, 38}};
            std::copy(&keys[0][0], &keys[0][0] + 2 * kActionCount, &KeyMap.keys[0][0]);
            for (const auto& [slot, path] : std::vector<std::pair<int32_t, const char*>>{
                     {kNameSheet, "img/name.png"}, {kYuri, "img/talk/st_yuri.png"}, {kShamyu, "img/talk/st_shamyu.png"},
                     {kBalloons, "img/talk/hukidashi.png"}, {kCards, "img/talk/chara_name.png"}})
                Sheet(slot, path);
            BossA = boss = new DrawingBoss;
            boss->active = 1;
            for (const auto& [name, run] : families) {
                family = name;
                boss->draw = [] {};
                run();
            }
            std::string report;
            for (const std::string& e : errors) report += e + "\n";
            EXPECT_TRUE(errors.empty()) << report;
        },
        [&] {
            BossA = nullptr;
            delete boss;
            for (CFontSprite2D* f : FontTable) KestraFontSprite2D::Release(f);
            FontTable.clear();
            for (SpriteEntry& s : SpriteTable) KestraSprite2D::Release(s.sprite), KestraTexture::Release(s.texture);
            SpriteTable.clear();
            playtest::ClearField();
            TalkState = cTalkState();
        });
}

}  // namespace
