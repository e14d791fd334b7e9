#include "tools/demodata/Inventory.h"

#include <algorithm>
#include <initializer_list>
#include <set>
#include <span>
#include <stdexcept>
#include <utility>

#include "game/objects/EnemyLooks.h"
#include "game/objects/ObjectTypes.h"
#include "game/shell/LoadTables.h"
#include "game/shell/Stages.h"
#include "game/state/ScoreData.h"

namespace demodata {

namespace {

class Builder {
public:
    Builder(std::vector<ImageAsset>* out, std::string path, int w, int h, Art art, std::string subject = {},
            int variant = 0)
        : out_(out) {
        a_.path = std::move(path);
        a_.width = w;
        a_.height = h;
        a_.art = art;
        a_.subject = std::move(subject);
        a_.variant = variant;
    }
    ~Builder() { out_->push_back(std::move(a_)); }
    Builder& C(const std::string& group, const Box& box, int index = 0, int element = -1) {
        a_.cells.push_back({box, group, index, element, false});
        return *this;
    }
    Builder& C(const std::string& group, int x, int y, int w, int h, int index = 0, int element = -1) {
        return C(group, {x, y, w, h}, index, element);
    }
    Builder& Wrapping(const std::string& group, const Box& box, int index) {
        a_.cells.push_back({box, group, index, -1, true});
        return *this;
    }
    Builder& Wrapping(const std::string& group, int x, int y, int w, int h, int index) {
        return Wrapping(group, {x, y, w, h}, index);
    }
    Builder& Borrowed(const std::string& group, int x, int y, int w, int h, int index, int element, bool wraps) {
        a_.cells.push_back({{x, y, w, h}, group, index, element, wraps, true});
        return *this;
    }
    // The cell added last is meant to be painted to its edges.
    Builder& RunsOn() {
        a_.cells.back().runsOn = true;
        return *this;
    }

private:
    std::vector<ImageAsset>* out_;
    ImageAsset a_;
};

// The screens' pictures: each cell as the game's screen layout has it.
void TitleGroup(std::vector<ImageAsset>& v) {
    using namespace layout;
    {
        Builder b(&v, "img/title.png", 1024, 2048, Art::Title);
        b.C("background", kBackdrop.cell).RunsOn().C("circle", kTitleCircle.cell).C("panel", kTitlePanelCell);
        b.C("menu", kTitleMenu.cell).C("highlight", kHighlightCell[0], 0).C("highlight", kHighlightCell[1], 1);
        b.C("logo", kTitleLogo.cell).C("practice_title", kPracticeTitle.cell).C("practice_list", kPracticeList.cell);
        for (int t = 0; t < 2; ++t) b.C("team", kTeamCard.Cell(t), t);
        b.C("team_heading", kTeamHeading.cell).C("difficulty", kDifficulty.cell);
        b.C("difficulty_cursor", kDifficultyCursor.first.cell);
    }
    {
        Builder b(&v, "img/config.png", 1024, 2048, Art::Config);
        b.C("background", kBackdrop.cell).RunsOn().C("panel", kConfigPanelCell).C("labels", kConfigLabels.cell);
        for (int d = 0; d < 10; ++d) b.C("digits", kVolumeDigits.Cell(d), d);
        b.C("cursor", kConfigCursor.first.cell).C("keyconfig", kKeyConfigBackdrop.cell).RunsOn();
        b.C("key_highlight", kKeyHighlight.cell);
        b.C("defaults_question", kDefaultsQuestion.cell).C("defaults_done", kDefaultsDone.cell);
    }
    {
        Builder b(&v, "img/ranking.png", 1024, 512, Art::Ranking);
        b.C("background", kBackdrop.cell).RunsOn();
        for (int k = 0; k < kRankingTables; ++k) b.C("heading", kRankingHeading.Cell(k), k);
        for (int s = 0; s < kRankBadges; ++s) b.C("stage", kRankBadge.Cell(s), s);
    }
    {
        Builder b(&v, "img/name.png", 1024, 1024, Art::NameEntry);
        b.C("background", kBackdrop.cell).RunsOn();
        for (int d = 0; d < 10; ++d) b.C("digits", kSmallGlyphs.Cell(d), d);
        for (int d = 1; d < 10; ++d) b.C("digits", kResultRank.Cell(d), d);
        b.C("digits", kSmallGlyphs.Cell(10), 10).C("digits", kSmallGlyphs.Cell(11), 11);
        for (int d = 0; d < 10; ++d) b.C("score_digits", kResultScore.Cell(d), d);
        for (int s = 1; s <= 8; ++s) b.C("stage_banner", kResultStage.Cell(s), s);
        // The grid and its glyphs, which the typed name lays side by side: no
        // ground of their own (the backdrop holds the grid's panel).
        b.C("grid", kNameGrid.cell);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < (r == 3 ? 12 : 26); ++c) b.C("grid", GridGlyphCell(r, c), r * 100 + c);
        // DEL, SPC and END: what the wide cursor covers.
        const int dx = kNameGrid.cell.x - kNameGrid.screen.x, dy = kNameGrid.cell.y - kNameGrid.screen.y;
        for (int c = 12; c <= 14; ++c) b.C("grid", Moved(GridCursorWide(c).screen, dx, dy), 300 + c);
        b.C("cursor_small", kNameCursor.first.cell).C("cursor_wide", GridCursorWide(0).cell);
    }
}

void HudGroup(std::vector<ImageAsset>& v) {
    using namespace layout;
    {
        Builder b(&v, "img/main_system.png", 1024, 1024, Art::HudSheet);
        for (int e = 0; e < 2; ++e) {
            // As wide as player 2's; its foot closes against the FORCE strip.
            const Box panel = Moved(kHudPanel.cell, kHudElementStep * e, 0);
            b.C("player_panel", {panel.x, panel.y, panel.w + 1, panel.h}, e, e).RunsOn();
            b.C("force_strip", Moved(kHudStrip.cell, kHudElementStep * e, 0), e, e).RunsOn();
        }
        for (int c = 1; c <= 4; ++c) b.C("stock_icon", kHudStock.Cell(c - 1), c);
        for (int l = 1; l <= 5; ++l) b.C("life_bar", HudLife(l).cell, l).RunsOn();  // cut from one strip
        b.C("pip_small", kHudPips.Cell(0), 0).C("pip_small", kHudPips.Cell(1), 1).C("pip_large", kHudLargePips.first.cell);
        // Glyphs the size of their cells, in the well at the panel's foot.
        for (int d = 0; d < 10; ++d) b.C("gauge_digits", kHudGaugeDigits.Cell(d), d).RunsOn();
        for (int d = 0; d < 10; ++d) b.C("score_digits", kHudScoreDigits.Cell(d), d).RunsOn();  // each on its own ground
        b.C("pause_panel", kPausePanel.cell).C("pause_items", kPauseItems.cell).C("cursor_bar", kPauseBar.first.cell);
        b.C("pause_question", kPauseQuestion.cell).C("continue_shade", kContinueShade.cell).RunsOn();
        b.C("continue_heading", kContinueHeading.cell).C("continue_question", kContinueQuestion.cell);
        b.C("answer", kContinueAnswer.Cell(0), 0).C("answer", kContinueAnswer.Cell(1), 1).C("credits_label", kCreditsLabel.cell);
        for (int d = 0; d < 10; ++d) b.C("credits_digits", kCreditsDigits.Cell(d), d);
        // The boss gauge shares the sheet.
        b.C("boss_frame", kBossFrame.cell).C("boss_bar", kBossBar.cell).RunsOn();
        for (int d = 0; d < 10; ++d) b.C("seconds_digits", kBossSeconds.Cell(d), d);
        b.C("bonus_label", kBonusLabel.cell);
        for (int d = 0; d < 10; ++d) b.C("bonus_digits", kBonusDigits.Cell(d), d);
    }
    {
        Builder b(&v, "img/stageclear.png", 1024, 1024, Art::StageClear);
        // The banners slide in from the screen's edges and rest against them.
        b.C("background", kBackdrop.cell).RunsOn().C("banner_top", kTallyTopBanner.cell).RunsOn();
        b.C("banner_bottom", kTallyBottomBanner.cell).RunsOn();
        for (int d = 0; d < 10; ++d) b.C("small_digits", kTallyDigits.Cell(d), d);
        for (int d = 0; d < 10; ++d) b.C("large_digits", kTallyTotal.Cell(d), d);
    }
    Builder(&v, "img/system/StageTitleBG.png", 1024, 512, Art::StageTitleBand).C("band", kStageTitleBand.cell).RunsOn();
    for (int team = 1; team <= 2; ++team)
        for (int s = 1; s <= (team == 1 ? 6 : 5); ++s) {
            Builder b(&v, "img/system/StageTitleFont0" + std::to_string(s) + "_" + std::to_string(team) + ".png", 1024,
                      512, Art::StageTitleLetters, team == 1 ? "team1" : "team2", s);
            b.C("number", kStageTitleNumber.cell).C("name", kStageTitleName.cell);
        }
}

void CharacterSheet(std::vector<ImageAsset>& v, const std::string& name, int w, int character) {
    Builder b(&v, "img/" + name + ".png", 512, 256, Art::CharacterSheet, name, character);
    for (int row = 0; row < 4; ++row)
        for (int inv = 0; inv < 2; ++inv)
            for (int k = 0; k < 4; ++k) b.C("cell", (k + 4 * inv) * w, 60 * row, w, 60, row * 8 + inv * 4 + k);
}

void TeamGroup(std::vector<ImageAsset>& v) {
    CharacterSheet(v, "yuri", 40, 1);
    CharacterSheet(v, "crow", 40, 2);
    CharacterSheet(v, "cheska", 44, 3);
    CharacterSheet(v, "osero", 40, 4);
    for (const char* n : {"yuri", "crow", "cheska", "osero", "shamyu", "fururu", "still", "mono", "paco", "deena"}) {
        const std::string name = n;
        Builder b(&v, "img/cutin_" + name + ".png", 1024, 512, Art::CutIn, name);
        const Box cell = layout::kCutInCell;
        b.C("cutin", cell).RunsOn();
        // A player's cut-in slides its source up to 72 texels right as it fades
        // out, a boss's banner up to 84 (4 x 71 - 200) before it has faded.
        const bool player = name == "yuri" || name == "crow" || name == "cheska" || name == "osero";
        b.Wrapping("cutin", {cell.x, cell.y, cell.w + (player ? 72 : 84), cell.h}, 1);
    }
    for (const char* n : {"yuri", "crow", "cheska", "osero", "boss", "deena"})
        Builder(&v, std::string("img/mahoujin_") + n + ".png", 256, 128, Art::MagicCircle, n)
            .C("circle", 0, 0, 128, 128, 0, 0)
            .C("circle", 128, 0, 128, 128, 1, 1);
}

// The enemy looks as the painters know them, each made of the game's own
// looks: on the stage sheets, the common enemy sheet, the particle sheet and
// the magic circle.
struct NamedLook {
    const char* name;
    std::vector<const EnemyLook*> parts;
    bool runsOn = false;    // stretched or stacked by the game
    bool headings = false;  // the parts are headings (right, left, down, up), their cells numbered 10 apart
};

const std::vector<NamedLook>& NamedLooks() {
    using namespace enemylook;
    static const std::vector<NamedLook> looks = {
        {"walker", {&kWalkerRight, &kWalkerLeft, &kWalkerDown, &kWalkerUp}, false, true},
        {"walker2", {&kWalker2Right, &kWalkerLeft, &kWalkerDown, &kWalkerUp}, false, true},
        {"drone", {&kDrone}}, {"turret", {&kTurret}}, {"sniper", {&kSniper}}, {"figure", {&kFigure}},
        {"drone2", {&kSmall}}, {"large", {&kLarge}}, {"ringshooter", {&kRinger}}, {"slider", {&kSlider}},
        {"field", {&kField}}, {"wall", {&kWall}}, {"barrel", {&kBarrel}}, {"block", {&kPusher}}, {"core", {&kCore}},
        {"satellite", {&kSatellite}}, {"spinner", {&kSpinner}}, {"shuttle", {&kShuttle}}, {"crystal", {&kCrystal}},
        {"reflector", {&kReflector}}, {"shard", {&kShard}}, {"gem", {&kGem}}, {"tall", {&kTall}},
        {"hopper", {&kHopper}}, {"guardian", {&kGuardian}}, {"disc", {&kDisc}}, {"ball", {&kBall}},
        {"bouncer", {&kBouncer}}, {"warning", {&kBand}, true}, {"beam", {&kBeam}, true},
        {"ship", {&kShipBody, &kShipFlame}}, {"mine", {&kMine}},
        {"shrinkring", {&kRing}, true},  // its rim is the cell's
        {"missile", {&kBird}}, {"round", {&kRound}}, {"small_figure", {&kUpright}}, {"standing", {&kStanding}},
        {"e62", {&kChargeField}}, {"b2", {&kOrb}}, {"e75", {&kNeedle}}, {"e87", {&kCreature}}, {"circle", {&kCircle}},
    };
    return looks;
}

const NamedLook& FindLook(const std::string& name) {
    for (const NamedLook& l : NamedLooks())
        if (name == l.name) return l;
    throw std::logic_error("no enemy look " + name);
}

int Facings(const EnemyLook& k) { return k.facing.dx != 0 || k.facing.dy != 0 ? 2 : 1; }
bool OneElement(const EnemyLook& k) { return k.element.dx == 0 && k.element.dy == 0; }

// The sheet rectangle of a look's cell for an element, a column and a facing.
Box LookCell(const EnemyLook& k, int element, int column = 0, int facing = 0) {
    const auto at = [&](float base, float byElement, float byColumn, float byFacing) {
        return int(base + byElement * float(element) + byColumn * float(column) + byFacing * float(facing));
    };
    return {at(k.cell.x, k.element.dx, k.column.dx, k.facing.dx), at(k.cell.y, k.element.dy, k.column.dy, k.facing.dy),
            int(k.cell.w), int(k.cell.h)};
}

// One element's cells of a look in one facing, numbered by column from `first`.
void AddCells(Builder& b, const std::string& group, const EnemyLook& k, int element, int facing = 0, int first = 0,
              bool runsOn = false) {
    for (int c = 0; c < k.columns; ++c) {
        b.C(group, LookCell(k, element, c, facing), first + c, element);
        if (runsOn) b.RunsOn();
    }
}

// A look on a stage sheet: both elements' cells, or one cell of no element
// when the look is a single picture.
void AddLook(Builder& b, const NamedLook& look) {
    for (size_t p = 0; p < look.parts.size(); ++p) {
        const EnemyLook& k = *look.parts[p];
        if (OneElement(k) && k.columns == 1 && Facings(k) == 1) {
            b.C(look.name, LookCell(k, 0));
            if (look.runsOn) b.RunsOn();
            continue;
        }
        for (int f = 0; f < Facings(k); ++f)
            for (int e = 0; e < 2; ++e) AddCells(b, look.name, k, e, f, look.headings ? 10 * int(p) : 0, look.runsOn);
    }
}

// Every rectangle of the looks' cells for `elements` elements (one where the
// element does not move the cell).
std::vector<Box> Rects(const std::vector<const EnemyLook*>& parts, int elements = 2) {
    std::vector<Box> out;
    for (const EnemyLook* k : parts)
        for (int f = 0; f < Facings(*k); ++f)
            for (int e = 0; e < (OneElement(*k) ? 1 : elements); ++e)
                for (int c = 0; c < k->columns; ++c) out.push_back(LookCell(*k, e, c, f));
    return out;
}

void PlayGroup(std::vector<ImageAsset>& v) {
    {
        // x = element x 512 + c: warm, cool and, at 1024, the bullets no player
        // absorbs (element 2), in their own colour instead of the sampler's wrap
        // back onto the warm half.
        Builder b(&v, "img/particle.png", 2048, 512, Art::Particles);
        struct G {
            const char* group;
            int x, y, w, h;
        };
        const G bullets[] = {
            {"b1", 109, 0, 30, 29},    {"b2", 148, 132, 64, 70},  {"b3", 105, 165, 43, 43},  {"b4", 167, 202, 120, 120},
            {"b5", 88, 0, 20, 7},      {"b6", 354, 0, 13, 40},    {"b7", 334, 93, 27, 27},   {"b8", 0, 38, 35, 35},
            {"b9", 43, 100, 24, 24},   {"b10", 0, 75, 14, 14},    {"b11", 98, 30, 72, 72},   {"b14", 30, 99, 13, 25},
            {"b15", 0, 197, 84, 84},   {"b16", 0, 281, 84, 84},   {"b16", 0, 282, 84, 84},   {"b17", 87, 208, 80, 80},
            {"b18", 431, 63, 80, 80},  {"b21", 318, 136, 40, 40}, {"b22", 358, 136, 52, 26}, {"b23", 0, 143, 29, 29},
            {"b24", 140, 0, 19, 30},   {"b50", 0, 89, 30, 29},    {"b51", 212, 162, 40, 40}, {"b53", 252, 136, 66, 66},
            {"b55", 410, 144, 50, 50}, {"shot1", 287, 202, 33, 33}, {"shot2", 320, 202, 33, 33},
            {"shot8", 353, 202, 33, 33}, {"shot6", 386, 202, 33, 33}, {"shot7", 84, 288, 83, 83},
        };
        for (int e = 0; e < 3; ++e) {
            for (const G& g : bullets) b.C(g.group, 512 * e + g.x, g.y, g.w, g.h, 0, e);
            for (const char* look : {"e75", "e87", "e62"}) AddCells(b, look, *FindLook(look).parts[0], e);
        }
    }
    {
        Builder b(&v, "img/addeffect.png", 1024, 1024, Art::Effects);
        for (int k = 0; k < 8; ++k) b.C("explosion", 128 * k, 0, 128, 128, k);
        for (int e = 0; e < 2; ++e) b.C("spark", 20 * e, 128, 20, 20, e, e);
        for (int k = 0; k < 12; ++k) b.C("hitflash", 40 + 30 * k, 128, 30, 30, k, k / 6);
        for (int e = 0; e < 2; ++e) b.C("charge", 400 + 20 * e, 128, 20, 20, e, e);
        for (int e = 0; e < 2; ++e) b.C("hitspark", 440 + 30 * e, 128, 30, 30, e, e);
        // An enemy of neither element hit by a shot sparks over the sparkles.
        b.Borrowed("hitspark", 500, 128, 30, 30, 2, 2, false);
        // The magic circle flashes every bullet it catches with that bullet's
        // element: the emitters' 3 and 4 run on along the row into the burst, a
        // cancelled bullet's 10 past the edge (the sampler wraps it back onto the row).
        for (int e : {3, 4, 10})
            for (int k = 0; k < 6; ++k) {
                const int x = 30 * (k + 6 * e) + 40;
                b.Borrowed("hitflash", x, 128, 30, 30, 6 * e + k, e, x + 30 > 1024);
            }
        for (int e = 0; e < 2; ++e) b.C("sparkle", 500 + 24 * e, 128, 24, 24, e, e);
        b.C("burst", 864, 128, 160, 160);
        for (int e = 0; e < 2; ++e) b.C("debris", 40 * e, 158, 40, 40, e, e);
        b.C("shard", 80, 158, 40, 40);
        for (int e = 0; e < 2; ++e)
            for (int k = 0; k < 9; ++k) b.C("wisp", 672 - 64 * k, 64 * e + 158, 64, 64, k, e);
        for (int e = 0; e < 2; ++e) b.C("chargeflash", 50 * e, 198, 50, 50, e, e);
        for (int e = 0; e < 2; ++e) b.C("ring", 128 * e, 286, 128, 128, e, e);
        for (int e = 0; e < 2; ++e)
            for (int k = 0; k < 9; ++k) b.C("pickup", 225 + 80 * k, 545 + 80 * e, 80, 80, k, e);
        for (int k = 0; k < 8; ++k) b.C("bigflash", 128 * k, 705, 128, 128, k);
        b.Wrapping("bigflash", 1024, 705, 128, 128, 8);  // the last frame reads past the edge
    }
    {
        Builder b(&v, "img/item.png", 256, 128, Art::Items);
        for (int e = 0; e < 2; ++e) {
            b.C("gem", (e + 3) * 34, 0, 34, 48, e, e);
            b.C("small_gem", 170 + 36 * e, 0, 36, 33, e, e);
            b.C("box", 51 * e, 0, 51, 53, e, e);
        }
        b.C("life", 0, 53, 63, 61).C("oneup", 63, 53, 63, 61);
    }
    Builder(&v, "img/cutin_add.png", 1024, 512, Art::CutInFlash).C("flash", layout::kCutInCell).RunsOn();
    {
        Builder b(&v, "img/commonenemy.png", 512, 256, Art::CommonEnemies);
        for (int e = 0; e < 2; ++e)
            for (const char* look : {"round", "small_figure", "standing"})
                AddCells(b, look, *FindLook(look).parts[0], e);
    }
}

void StageGroup(std::vector<ImageAsset>& v) {
    for (int s = 1; s <= 6; ++s) {
        const std::string n = "0" + std::to_string(s);
        if (s < 6) {
            Builder(&v, "img/Stage" + n + "BG.png", 2048, 2048, Art::Background, "stage", s).C("tile", 0, 0, 2048, 2048).RunsOn();
        } else {
            Builder b(&v, "img/Stage06BG.png", 4096, 2048, Art::Background, "stage", 6);
            for (int cx = 0; cx < 4; ++cx)
                for (int cy = 0; cy < 4; ++cy) b.C("picture", 640 * cx, 480 * cy, 640, 480, cx * 4 + cy).RunsOn();
        }
        if (s == 2 || s == 3 || s == 5)
            Builder(&v, "img/Stage" + n + "BG_back.png", 1024, 2048, Art::BackLayer, "stage", s).C("tile", 0, 0, 1024, 2048).RunsOn();
    }
    // Each sheet holds only the looks its stage uses: the looks of all classes together overlap.
    const std::vector<std::vector<std::string>> looks = {
        {"walker", "drone", "turret", "drone2", "ringshooter", "slider", "figure", "sniper", "shuttle"},
        {"walker2", "drone", "drone2", "crystal", "reflector", "shard", "gem", "large", "mine", "figure", "ship"},
        {"barrel", "core", "satellite", "spinner", "wall", "block", "field", "drone", "drone2", "tall", "hopper", "shard"},
        {"ball", "bouncer", "drone", "drone2", "sniper", "figure", "crystal", "mine"},
        {"disc", "ball", "guardian", "drone", "drone2", "gem", "shard", "figure"},
        {"guardian", "block", "shrinkring", "disc", "missile", "warning", "beam", "wallframe", "drone2"},
    };
    for (int s = 1; s <= 6; ++s) {
        Builder b(&v, "img/Stage0" + std::to_string(s) + "Enemy.png", 1024, 1024, Art::EnemySheet, "stage", s);
        for (const std::string& look : looks[size_t(s - 1)]) {
            if (look != "wallframe") {
                AddLook(b, FindLook(look));
                continue;
            }
            for (int n = 0; n < 3; ++n) b.C(look, 40 * (22 + n), 120, 40, 120, n).RunsOn();  // stacked into a wall
        }
    }
    auto bodies = [&](const char* path, const char* subject, int cw, int ch, int frames, int rows) {
        int w = 1, h = 1;
        while (w < cw * frames) w *= 2;
        while (h < ch * rows) h *= 2;
        Builder b(&v, path, w, h, Art::BossSheet, subject, rows);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < frames; ++c) b.C(r == 0 ? "body" : "body2", cw * c, ch * r, cw, ch, c);
    };
    bodies("img/St01_Boss.png", "shamyu", 60, 80, 6, 1);
    bodies("img/St02_Boss.png", "fururu", 60, 80, 4, 1);
    {
        Builder b(&v, "img/St03_Boss.png", 512, 512, Art::BossSheet, "still", 1);
        for (int c = 0; c < 4; ++c) b.C("body", 60 * c, 0, 60, 80, c);
        b.C("shield", 0, 80, 180, 180, 0, 0).C("shield", 180, 80, 180, 180, 1, 1).C("shield", 0, 260, 180, 180, 2);
    }
    bodies("img/St04_Boss.png", "momonono", 60, 80, 4, 2);
    bodies("img/St06_Boss_01.png", "paletcopic", 60, 80, 4, 2);
    bodies("img/St06_Boss_02.png", "deena", 100, 90, 6, 1);
    Builder(&v, "img/St06_mahoujin.png", 512, 512, Art::BigCircle, "deena").C("circle", 0, 0, 448, 448);
}

void TalkGroup(std::vector<ImageAsset>& v) {
    struct P {
        const char* name;
        int cols, rows;
    };
    const P portraits[] = {
        {"yuri", 6, 3},   {"yuri_right", 6, 3},   {"crow", 6, 2},   {"crow_right", 6, 2},   {"osero", 6, 2},
        {"osero_right", 6, 2}, {"cheska", 6, 3}, {"cheska_right", 6, 3}, {"shamyu", 3, 3}, {"kohaku", 6, 2},
        {"kohaku_right", 6, 2}, {"still", 3, 3}, {"fururu", 3, 2}, {"momo", 3, 2},     {"nono", 3, 3},
        {"palet", 6, 2},  {"copic", 3, 3},        {"deena", 3, 3},
    };
    for (const P& p : portraits) {
        const std::string name = p.name;
        const bool right = name.size() > 6 && name.substr(name.size() - 6) == "_right";
        Builder b(&v, "img/talk/st_" + name + ".png", p.cols > 3 ? 1024 : 512, 512, Art::Portrait,
                  right ? name.substr(0, name.size() - 6) : name, right ? 1 : 0);
        for (int n = 0; n < p.rows * p.cols; ++n) b.C("face", layout::PortraitCell(n, p.cols), n);
    }
    {
        Builder b(&v, "img/talk/hukidashi.png", 1024, 512, Art::Balloons);
        for (int r = 0; r < 3; ++r)
            // Each tail runs to the cell's edge at its portrait; the body is as wide as a row of text lets the cell be.
            for (int c = 0; c < 2; ++c) b.C("balloon", layout::BalloonCell(c, r), r * 2 + c).RunsOn();
    }
    {
        Builder b(&v, "img/talk/chara_name.png", 1024, 1024, Art::NameCards);
        for (int n = 0; n < 13; ++n) b.C("card", layout::NameCard(n).cell, n);
    }
    for (const char* n : {"yuri_normalend", "cheska_normalend", "exend"})
        Builder(&v, std::string("img/talk/") + n + ".png", 1024, 512, Art::Ending, n)
            .C("picture", layout::kEndingPicture.cell)
            .RunsOn()
            .C("closing", layout::kEndingClosing.cell)
            .RunsOn();  // the colour stretched over the screen
}

// Whether two looks take the same cells of the same sheet (drawn at any size).
bool SameCells(const EnemyLook& a, const EnemyLook& b) {
    const auto same = [](EnemyLook::Step p, EnemyLook::Step q) { return p.dx == q.dx && p.dy == q.dy; };
    return a.slot == b.slot && a.cell.x == b.cell.x && a.cell.y == b.cell.y && a.cell.w == b.cell.w &&
           a.cell.h == b.cell.h && same(a.element, b.element) && same(a.column, b.column) && a.columns == b.columns &&
           same(a.facing, b.facing);
}

// An enemy class's art from the look it draws: the named look that starts
// with its cells and all that look's parts, else the named look holding its
// cells and those cells alone. `elements` cells of each element step.
EnemyArt ArtOfLook(int type, const EnemyLook& look, int elements) {
    for (const NamedLook& l : NamedLooks())
        if (SameCells(*l.parts[0], look)) return {type, look.slot, l.name, Rects(l.parts, elements)};
    const std::vector<Box> own = Rects({&look}, elements);
    for (const NamedLook& l : NamedLooks()) {
        const std::vector<Box> cells = Rects(l.parts, elements);
        const auto held = [&](const Box& b) {
            return std::any_of(cells.begin(), cells.end(), [&](const Box& c) { return Inside(b, c); });
        };
        if (l.parts[0]->slot == look.slot && std::all_of(own.begin(), own.end(), held))
            return {type, look.slot, l.name, own};
    }
    throw std::logic_error("no enemy look holds the cells of class " + std::to_string(type));
}

std::vector<EnemyArt> BuildEnemyArts() {
    std::vector<EnemyArt> v(objecttype::kLastEnemy);
    // The bosses also summon these with element 2, whose cells lie in the
    // particle sheet's third part.
    const std::set<int> elementTwo = {75, 87, 88};
    for (int t = objecttype::kFirstEnemy; t <= objecttype::kLastEnemy; ++t) {
        const EnemyLook* look = enemylook::LookOfClass(t);
        v[size_t(t - 1)] = look ? ArtOfLook(t, *look, elementTwo.count(t) ? 3 : 2) : EnemyArt{t};
    }
    // Pictures 1 to 4 in the second column of the background, 5 and 6 in the third.
    std::vector<Box> pictures;
    for (int n = 0; n < 6; ++n) pictures.push_back({n < 4 ? 640 : 1280, 480 * (n % 4), 640, 480});
    v[size_t(objecttype::kBackdrop - 1)] = {objecttype::kBackdrop, 36, "picture", pictures};
    return v;
}

std::vector<ImageAsset> BuildImages() {
    std::vector<ImageAsset> v;
    TitleGroup(v);
    HudGroup(v);
    TeamGroup(v);
    PlayGroup(v);
    StageGroup(v);
    TalkGroup(v);
    return v;
}

}  // namespace

const std::vector<ImageAsset>& Images() {
    static const std::vector<ImageAsset> images = BuildImages();
    return images;
}

const ImageAsset* FindImage(const std::string& path) {
    for (const ImageAsset& a : Images())
        if (a.path == path) return &a;
    return nullptr;
}

const std::vector<EnemyArt>& EnemyArts() {
    static const std::vector<EnemyArt> arts = BuildEnemyArts();
    return arts;
}

const EnemyArt* FindEnemyArt(int type) {
    if (!objecttype::IsEnemyType(type)) return nullptr;
    return &EnemyArts()[size_t(type - 1)];
}

std::string SheetForSlot(int slot, int stage, int team) {
    const bool known = team == 1 || team == 2;
    std::string file;
    // The game's loads in its order: a slot loaded twice holds the later file.
    auto take = [&](std::span<const FileLoad> loads) {
        for (const FileLoad& l : loads)
            if (!l.sound && l.slot == slot && (l.who == For::All || (known && IsFor(l.who, team))))
                file = l.file;
    };
    if (known) take(kTeamSheets[team - 1]);
    take(kCommonLoads);
    take(kTeamPortraits);
    if (const Stage* row = StageRow(stage)) take(row->files);
    return file;
}

bool Inside(const Box& inner, const Box& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.w <= outer.x + outer.w &&
           inner.y + inner.h <= outer.y + outer.h;
}

bool CoveredByCell(const ImageAsset& image, const std::string& group, const Box& box) {
    for (const Cell& c : image.cells)
        if (c.group == group && Inside(box, c.box)) return true;
    return false;
}

const Cell* CellAround(const ImageAsset& image, const Box& box) {
    const Cell* borrowed = nullptr;
    for (const Cell& c : image.cells) {
        if (!Inside(box, c.box)) continue;
        if (!c.borrowed) return &c;
        if (!borrowed) borrowed = &c;
    }
    return borrowed;
}

const std::vector<SoundAsset>& SoundEffects() {
    static const std::vector<SoundAsset> sounds = [] {
        std::vector<SoundAsset> v;
        for (const char* n :
             {"charge", "forcebrake", "boss_death", "shot_enemy_normal", "enemybreak_01", "rt_star14", "rt_star22",
              "xmasbell", "changeattribute", "enemyshot_short", "BigShot", "Lock_Open", "draw_block", "reflectbullet",
              "rt_cursor01", "enemydamage_small", "nonochach", "itemget", "knifeswing", "stillattack", "shamyuhit",
              "puni", "Stardust", "crystalactive", "raser_long", "shot_small", "titlefocus", "titledecide",
              "titlecancel", "menuopen", "crystalhit", "gameover", "playerdamage", "lifeitemget", "rt_laser20",
              "shatter", "princessbomb_laser", "gisiki"})
            v.push_back({std::string("SE/") + n + ".wav"});
        return v;
    }();
    return sounds;
}

const std::vector<MusicAsset>& MusicTracks() {
    static const std::vector<MusicAsset> tracks = {
        {"BGM/Title.ogg"},        {"BGM/Stage01.ogg"},      {"BGM/Stage02.ogg"},
        {"BGM/Stage03.ogg"},      {"BGM/Stage04.ogg"},      {"BGM/Stage05.ogg"},
        {"BGM/Stage06.ogg"},      {"BGM/Stage01Boss.ogg"},  {"BGM/Stage02Boss.ogg"},
        {"BGM/Stage03Boss.ogg"},  {"BGM/Stage04Boss.ogg"},  {"BGM/Stage05Boss.ogg"},
        {"BGM/Stage05Boss_02.ogg"}, {"BGM/Stage06Boss_01.ogg"}, {"BGM/Stage06Boss_02.ogg"},
        {"BGM/EDTalk.ogg"},
    };
    return tracks;
}

const std::vector<std::string>& FontFiles() {
    static const std::vector<std::string> fonts = {"font.lfd", "skillfont.lfd"};
    return fonts;
}

}  // namespace demodata
