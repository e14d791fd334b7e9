#include "tests/game/stages/StageChecker.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>

#include "game/objects/ObjectTypes.h"
#include "game/shell/Stages.h"

namespace stagecheck {
using namespace objecttype;
namespace {

constexpr float kPi = 3.14159265358979f;
constexpr int kPresenceCap = 600;   // frames a killable enemy is taken to stay before it is shot
constexpr int kUnkillableCap = 2400;

std::string Where(const Record& r) {
    char text[96];
    std::snprintf(text, sizeof text, "line %d (type %d, frame %d)", r.line, r.type, r.frame);
    return text;
}

// --- what each class does, as far as placing it needs ------------------------------------

enum class Motion { Straight, Turning, Still, Homing, Special };

struct ClassInfo {
    Motion motion = Motion::Straight;
    int radius = 20;
    bool killable = true;
    int ends = 0;  // the frame of its own end, 0 when it has none
};

int VolleyWalkerLife() {
    int period = 80, frames = 0;
    for (int volley = 0; volley < 34; ++volley) {
        frames += period;
        if (period >= 34) period -= 2;
    }
    return frames;
}

ClassInfo Info(int type) {
    ClassInfo i;
    static const std::set<int> still = {9, 13, 24, 27, 35, 43, 55, 59, 64, 68, 69, 70, 71, 73, 74, 75, 80, 81,
                                        82, 83, 84, 89, 96, 97, 98, 62};
    static const std::set<int> turning = {17, 40, 44, 45, 46, 47, 63, 79};
    static const std::set<int> homing = {3, 6, 20, 26, 66, 85, 88, 92};
    static const std::set<int> special = {16, 21, 28, 34, 36, 37, 38, 42, 48, 49, 50, 51, 56, 58, 60, 61, 65, 67, 72, 91};
    static const std::set<int> unkillable = {27, 28, 31, 36, 41, 61, 62, 63, 66, 70, 71, 72, 73, 74, 76, 80, 81, 84,
                                             86, 88, 97, 98};
    if (still.count(type)) i.motion = Motion::Still;
    if (turning.count(type)) i.motion = Motion::Turning;
    if (homing.count(type)) i.motion = Motion::Homing;
    if (special.count(type)) i.motion = Motion::Special;
    i.killable = unkillable.count(type) == 0;
    switch (type) {
    case 21: case 89: i.radius = 80; break;
    case 28: case 36: case 72: i.radius = 120; break;
    case 43: case 31: case 76: i.radius = 40; break;
    case 24: i.radius = 35; break;
    case 56: i.ends = 4010; break;
    case 61: i.ends = 490; break;
    case 62: i.ends = 240; break;
    case 66: i.ends = 1400; break;
    case 67: i.ends = 1650; break;
    case 68: case 69: i.ends = 1600; break;
    case 70: i.ends = 2100; break;
    case 71: i.ends = 10; break;
    case 73: case 74: i.ends = 300; break;
    case 75: i.ends = 600; break;
    case 80: i.ends = 2250; break;
    case 81: i.ends = 560; break;
    case 90: i.ends = VolleyWalkerLife(); break;
    case 91: i.ends = 2200; break;
    case 97: case 98: i.ends = 100; break;
    default: break;
    }
    return i;
}

// The codes the boss factory makes a boss for.
bool IsBoss(int type) {
    return (type >= kStage1Boss && type <= kStage5Boss) || type == kStage6MidBoss || type == kStage6Boss;
}
bool IsBox(int type) { return type == kScoreBox || type == kLifeBox; }
// Items the factory creates active at their literal stage position.
bool IsPlacedItem(int type) { return (type >= kScoreItem && type <= kOneUpItem) || type == kMimicBox; }
bool CountsAsPresence(int type) {
    return IsEnemyType(type) && type != 27 && type != 41 && type != 62 && type != 70 && type != 71 && type != 80 &&
           type != 84 && type != 96;
}

float Rad(int angle) { return float(angle) * 2.0f * kPi / 65536.0f; }
int AngleTo(float dx, float dy) {
    int a = int(std::lround(std::atan2(dy, dx) * 65536.0f / (2.0f * kPi)));
    return (a % 65536 + 65536) % 65536;
}

Vec2 ViewAt(const Context& c, int frame) {
    if (c.path.empty()) return {0, 0};
    const int f = std::clamp(frame, 0, int(c.path.size()) - 1);
    return c.path[size_t(f)];
}

bool OnScreen(Vec2 view, float x, float y, int radius) {
    const float r = float(std::min(radius, 40));
    return x + r > view.x && x - r < view.x + 640 && y + r > view.y && y - r < view.y + 480;
}
bool InActivityWindow(Vec2 view, float x, float y) {
    return x >= view.x - 250 && x < view.x + 890 && y >= view.y - 250 && y < view.y + 730;
}

// One scheduled object followed through its life: where it is at each of its frames.
class Follower {
public:
    Follower(const Context& c, const Record& r) : c_(c), r_(r), info_(Info(r.type)) {
        const Vec2 v = ViewAt(c, r.frame);
        x_ = r.x + v.x;
        y_ = r.y + v.y;
        angle_ = r.angle;
        speed_ = r.speed;
        accel_ = r.accel;
    }
    float x() const { return x_; }
    float y() const { return y_; }
    bool Dead() const { return dead_; }

    // Advances to the next stage frame; an object outside the activity window sleeps.
    void Step() {
        const Vec2 view = ViewAt(c_, r_.frame + frame_ + 1);
        ++frame_;  // the stage frame goes on; a sleeping object does not count
        if (!InActivityWindow(view, x_, y_)) return;
        const int f = ++own_;
        if (info_.ends && f >= info_.ends) dead_ = true;
        const float cx = view.x + 320, cy = view.y + 240;
        switch (info_.motion) {
        case Motion::Still: break;
        case Motion::Straight: Move(); break;
        case Motion::Turning: angle_ += r_.turn; Move(); break;
        case Motion::Homing:
            if (std::hypot(cx - x_, cy - y_) > 60) {
                angle_ = AngleTo(cx - x_, cy - y_);
                if (r_.type != 66 || f < 421) Move();
            }
            break;
        case Motion::Special: Special(f, view, cx, cy); break;
        }
    }

private:
    void Move() {
        x_ += std::cos(Rad(angle_)) * speed_;
        y_ += std::sin(Rad(angle_)) * speed_;
        speed_ += accel_;
    }
    void Special(int f, Vec2 view, float cx, float cy) {
        switch (r_.type) {
        case 21: {
            struct Leg { int to, heading; float a, b; };
            static const Leg legs[] = {{300, 8121, .7f, .5f}, {780, 16383, .5f, .5f}, {1260, 8121, .4f, .4f},
                                       {1740, 58000, .4f, .4f}, {2140, 49145, .6f, .6f}, {2410, 40015, .6f, .6f},
                                       {2810, 0, 0, 0}, {3050, 24123, .6f, .6f}, {3410, 16383, .6f, .6f}};
            for (const Leg& l : legs)
                if (f <= l.to) {
                    x_ += std::cos(Rad(l.heading)) * l.a;
                    y_ += std::sin(Rad(l.heading)) * l.b;
                    break;
                }
            break;
        }
        case 16:  // a fixed pace along the heading and a growing sideways drift
            angle_ += r_.turn;
            x_ += std::cos(Rad(angle_)) * 1.5f;
            y_ += std::sin(Rad(angle_)) * 1.5f;
            speed_ += accel_;
            x_ += speed_;
            break;
        case 65: {  // bounces inside the screen
            x_ += float(stepX_);
            y_ += float(stepY_);
            const float sx = x_ - view.x, sy = y_ - view.y;
            if (sx >= 600) stepX_ = -2;
            if (sx <= 40) stepX_ = 2;
            if (sy >= 440) stepY_ = -2;
            if (sy <= 40) stepY_ = 2;
            break;
        }
        case 28: case 36:
            x_ += std::cos(Rad(angle_));
            y_ += std::sin(Rad(angle_));
            if (f % 240 == 0) angle_ -= r_.type == 28 ? 16384 : 32768;
            break;
        case 72:
            if (f < 121) { x_ += std::cos(Rad(angle_)); y_ += std::sin(Rad(angle_)); }
            if (f >= 820) { x_ -= std::cos(Rad(angle_)); y_ -= std::sin(Rad(angle_)); }
            break;
        case 34: case 42: if (f <= 200) Move(); break;
        case 37: Move(); if (f % 200 == 0) angle_ -= 32768; break;
        case 38: if (f % 200 <= 80 && f < 2400) Move(); break;
        case 48: if (f >= 120) { if (f == 120) angle_ = AngleTo(cx - x_, cy - y_); Move(); } break;
        case 49:
            x_ += std::cos(Rad(angle_)) * speed_;
            y_ += std::sin(Rad(angle_)) * speed_;
            if (speed_ < 2.0f) speed_ += accel_;
            if (f == 240) speed_ = 0;
            break;
        case 50:
            x_ += std::cos(Rad(angle_)) * speed_;
            y_ += std::sin(Rad(angle_)) * speed_;
            if (speed_ < 2.5f) speed_ += accel_;
            break;
        case 51: if (f == 2) angle_ = AngleTo(cx - x_, cy - y_); Move(); break;
        case 56: if (f < 50) Move(); break;
        case 58:
            Move();
            if (swing_ == 120) accel_ = -accel_;
            if (swing_ == 360) { accel_ = -accel_; swing_ = 120; }
            ++swing_;
            break;
        case 60: {
            Move();
            const float sx = x_ - view.x, sy = y_ - view.y;
            if (f > 30 && (sx < 0 || sx > 640 || sy < 0 || sy > 480)) dead_ = true;
            break;
        }
        case 61: if (f < 181) Move(); break;
        case 67: {
            if (f >= 100 && f <= 200) angle_ -= 100;
            if (f >= 300 && f <= 550) angle_ -= 400;
            if (f >= 550 && f <= 750) angle_ += 190;
            if (f >= 820 && f <= 900) angle_ += 350;
            if (f >= 1000 && f <= 1250) angle_ -= 200;
            if (f >= 1390 && f <= 2200) angle_ -= 500;
            Move();
            break;
        }
        case 91: if (f < 1201) { x_ += std::cos(Rad(angle_)) * speed_; y_ += std::sin(Rad(angle_)) * speed_; } break;
        default: Move(); break;
        }
        (void)cy;
    }

    const Context& c_;
    Record r_;
    ClassInfo info_;
    float x_, y_, speed_, accel_;
    int angle_, stepX_ = 3, stepY_ = 3;
    int frame_ = 0, own_ = 0, swing_ = 1;
    bool dead_ = false;
};

// The frames (relative to the record's appearance) during which the object is on screen and
// counts as an enemy the player faces.
template <typename Visit>
void FollowOnScreen(const Context& c, const Record& r, int horizon, Visit visit) {
    Follower f(c, r);
    const ClassInfo info = Info(r.type);
    for (int k = 0; k <= horizon && !f.Dead(); ++k) {
        const Vec2 view = ViewAt(c, r.frame + k);
        if (OnScreen(view, f.x(), f.y(), info.radius) && !visit(k)) return;
        f.Step();
    }
}

std::vector<int> Frames(const Schedule& s, int type) {
    std::vector<int> out;
    for (const Record& r : s.records)
        if (r.type == type) out.push_back(r.frame);
    return out;
}

int FirstBossFrame(const Schedule& s) {
    int first = -1;
    for (const Record& r : s.records)
        if (IsBoss(r.type) && (first < 0 || r.frame < first)) first = r.frame;
    return first;
}

}  // namespace

// --- readers ------------------------------------------------------------------------------

Schedule ParseSchedule(const std::string& text) {
    Schedule s;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (int(line.size()) > kLineLimit) {
            s.problems.push_back("line " + std::to_string(number) + " is longer than 127 characters");
            continue;
        }
        if (line.empty() || line[0] == '#') continue;
        Record r;
        r.line = number;
        int consumed = 0;
        const int n = std::sscanf(line.c_str(), "%f %f %d %d %d %d %d %f %f %d %n", &r.x, &r.y, &r.type, &r.frame,
                                  &r.angle, &r.turn, &r.element, &r.speed, &r.accel, &r.life, &consumed);
        if (n != 10) {
            s.problems.push_back("line " + std::to_string(number) + " holds " + std::to_string(n < 0 ? 0 : n) +
                                 " of the ten fields");
            continue;
        }
        if (size_t(consumed) != line.size())
            s.problems.push_back("line " + std::to_string(number) + " has text after its ten fields");
        s.records.push_back(r);
    }
    return s;
}

Grid ParseGrid(const std::string& text) {
    Grid g;
    std::istringstream in(text);
    std::string token;
    int count = 0;
    while (in >> token) {
        if (count >= kGridRows * kGridColumns) {
            g.problems.push_back("more than 110 rows of 55 cells");
            break;
        }
        const int row = count / kGridColumns, column = count % kGridColumns;
        ++count;
        const bool numeric = token.size() <= 2 && token.find_first_not_of("-0123456789") == std::string::npos;
        if (!numeric) {
            g.problems.push_back("row " + std::to_string(row) + " column " + std::to_string(column) +
                                 ": token '" + token + "' is not a one- or two-character number");
            continue;
        }
        const int value = std::stoi(token);
        if (value < 0 || value > 5) {
            g.problems.push_back("row " + std::to_string(row) + " column " + std::to_string(column) + ": value " +
                                 std::to_string(value) +
                                 (value == 6 ? " places a crystal on every difficulty" : " is no map block"));
            continue;
        }
        if (value != 0 && row >= kFirstPlacedRow) g.blocks.push_back({column * kCell, (row - 55) * kCell, value});
    }
    if (count < kGridRows * kGridColumns)
        g.problems.push_back("only " + std::to_string(count) + " of the 6050 cells");
    return g;
}

// The game's own row of a stage; an empty one past the stages.
const Stage& RowOf(int stage) {
    static constexpr Stage kNoStage{};
    const Stage* row = StageRow(stage);
    return row ? *row : kNoStage;
}

// The game's own start and scroll script of a stage, stepped as the game steps them.
std::vector<Vec2> ScrollPath(int stage, int difficulty, int frames) {
    const Stage& row = RowOf(stage);
    const StartPlace& st = row.StartFor(difficulty);
    float x = st.scrollX, y = st.scrollY;
    std::vector<Vec2> out;
    out.reserve(size_t(frames) + 1);
    out.push_back({x, y});
    const ScrollWindow* windows = row.ScrollFor(difficulty);
    for (int f = 1; f <= frames; ++f) {
        for (size_t i = 0; windows && i < kScrollWindows && windows[i].first != 0; ++i) {
            const ScrollWindow& w = windows[i];
            if (f >= w.first && f <= w.last) {
                x += w.dx;
                y += w.dy;
                if (w.dy2 != 0) y += w.dy2;
                break;
            }
        }
        out.push_back({x, y});
    }
    return out;
}

int LastScrollFrame(int stage, int difficulty) {
    const ScrollWindow* windows = RowOf(stage).ScrollFor(difficulty);
    int last = 0;
    for (size_t i = 0; windows && i < kScrollWindows && windows[i].first != 0; ++i) last = windows[i].last;
    return last;
}

Vec2 StartPosition(int stage, int difficulty, int player) {
    const StartPlace& st = RowOf(stage).StartFor(difficulty);
    if (player == 1) return {float(st.p1x), float(st.p1y)};
    if (st.p2Fixed) return {float(st.p2x), float(st.p2y)};
    return {st.scrollX + float(st.p2x), st.scrollY + float(st.p2y)};
}

// --- stage membership ---------------------------------------------------------------------

bool BelongsToStage(int type, int stage) {
    // Drawn from the common sheet (slot 6) or the particle sheet (slot 7): any stage.
    static const std::set<int> common = {3, 4, 5, 8, 13, 23, 44, 45, 46, 47, 53, 55, 68, 69, 77, 85, 90,
                                         62, 73, 74, 75, 87, 88, 97, 98};
    // Drawn from the stage's own sheet (slot 5), with the stage's sounds.
    static const std::set<int> own[6] = {
        {1, 6, 7, 9, 10, 11, 12, 14, 15, 16, 17, 18, 19, 20, 22, 24, 25, 26, 37, 42, 57},
        {2, 7, 10, 11, 12, 15, 16, 18, 19, 20, 21, 25, 26, 42, 43, 48, 49, 50, 51, 57, 78, 79, 89, 94, 95, 96},
        {7, 10, 11, 12, 20, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 38, 39, 40, 41, 49, 50, 52, 54, 59, 72, 93},
        {7, 10, 11, 12, 14, 15, 16, 18, 19, 20, 25, 26, 42, 43, 57, 60, 65, 79},
        {7, 10, 11, 12, 15, 16, 18, 19, 20, 25, 26, 42, 49, 50, 51, 56, 57, 58, 60, 61, 64, 66, 67, 82, 83, 86, 94, 95, 96},
        {18, 31, 56, 58, 64, 66, 67, 70, 71, 76, 80, 81, 82, 83, 91, 92},
    };
    if (stage < 1 || stage > 6 || !IsEnemyType(type)) return false;
    return common.count(type) != 0 || own[stage - 1].count(type) != 0;
}

std::vector<int> BossCodes(int stage) {
    switch (stage) {
    case 1: return {200};
    case 2: return {201};
    case 3: return {202};
    case 4: return {203};
    case 5: return {204, 205};
    case 6: return {290, 291};
    default: return {};
    }
}

std::vector<int> SpawnedBy(int type) {
    switch (type) {
    case 21: return {79};
    case 30: return {31};
    case 41: return {40};
    case 49: return {50};
    case 52: return {49};
    case 61: return {62};
    case 70: return {71};
    case 96: return {95};
    default: return {};
    }
}

std::vector<int> SummonedByBosses(int stage) {
    switch (stage) {
    case 2: return {13};
    case 3: return {59};
    case 4: return {63, 65, 73, 74};
    case 5: return {58, 60, 61, 64, 66, 83, 86};
    case 6: return {64, 75, 76, 81, 82, 87, 88, 92};
    default: return {};
    }
}

std::set<int> EnemyTypesInPlay(int stage, const std::vector<Schedule>& schedules) {
    std::vector<int> open = SummonedByBosses(stage);
    for (const Schedule& s : schedules)
        for (const Record& r : s.records)
            if (IsEnemyType(r.type)) open.push_back(r.type);
    std::set<int> seen;
    while (!open.empty()) {
        const int type = open.back();
        open.pop_back();
        if (!seen.insert(type).second) continue;
        for (int next : SpawnedBy(type)) open.push_back(next);
    }
    return seen;
}

Context MakeContext(int stage, int difficulty, const Grid& grid, int frames) {
    Context c;
    c.stage = stage;
    c.difficulty = difficulty;
    c.path = ScrollPath(stage, difficulty, frames);
    if (stage <= 5) c.blocks = grid.blocks;  // the extra stage places no map blocks
    return c;
}

int CountEnemies(const Schedule& s) {
    return int(std::count_if(s.records.begin(), s.records.end(), [](const Record& r) { return IsEnemyType(r.type); }));
}

int LastBossFrame(const Schedule& s) {
    int last = -1;
    for (const Record& r : s.records)
        if (IsBoss(r.type)) last = std::max(last, r.frame);
    return last;
}

// --- checks -------------------------------------------------------------------------------

std::vector<std::string> CheckRecordFields(const Context& c, const Schedule& s) {
    std::vector<std::string> out = s.problems;
    for (const Record& r : s.records) {
        const std::string at = Where(r);
        const bool known =
            IsEnemyType(r.type) || IsPlacedItem(r.type) || IsBox(r.type) || IsBoss(r.type) || r.type == kStageTitle;
        if (!known) {
            out.push_back(at + ": the factory spawns nothing for this type");
            continue;
        }
        if (IsEnemyType(r.type) && !BelongsToStage(r.type, c.stage))
            out.push_back(at + ": not an enemy of stage " + std::to_string(c.stage));
        if (r.type == 84 || r.type == 63)
            out.push_back(at + ": a player's or boss's helper, not a scheduled enemy");
        if (r.type == 43 && c.difficulty != 2) out.push_back(at + ": the crystal belongs to difficulty 2 only");
        if (IsBoss(r.type)) continue;
        if (r.element != 0 && r.element != 1) out.push_back(at + ": element must be 0 or 1");
        if (r.frame < 0) out.push_back(at + ": negative appearance frame");
        if (std::fabs(r.speed) > 8.0f) out.push_back(at + ": speed beyond 8 pixels a frame");
        if (std::fabs(r.accel) > 0.1f) out.push_back(at + ": acceleration beyond 0.1");
        if (r.angle < 0 || r.angle > 65535) out.push_back(at + ": angle outside 0..65535");
        if (std::abs(r.turn) > 4096) out.push_back(at + ": turn beyond a sixteenth of a circle per frame");
        const int maxLife = r.type == 62 ? 9999 : 1000;
        if (r.life < 1 || r.life > maxLife) out.push_back(at + ": life outside 1.." + std::to_string(maxLife));
        if (r.type == 80 && (r.life < 1 || r.life > 6)) out.push_back(at + ": a picture number must be 1..6");
        if (r.type == 90 && r.angle != 16384 && r.angle != 32768)
            out.push_back(at + ": the volley walker fires only heading down or left");
        if (r.type == 91 && r.angle % 16384 != 0) out.push_back(at + ": a beam runs along an axis");
    }
    return out;
}

std::vector<std::string> CheckPositions(const Context& c, const Schedule& s) {
    std::vector<std::string> out;
    const int lastBoss = LastBossFrame(s);
    auto inBlock = [&](float x, float y) {
        for (const Block& b : c.blocks)
            if (x >= float(b.x) && x < float(b.x + kCell) && y >= float(b.y) && y < float(b.y + kCell)) return true;
        return false;
    };
    for (const Record& r : s.records) {
        const std::string at = Where(r);
        if (IsBoss(r.type)) continue;
        if (IsPlacedItem(r.type)) {
            // Created at once at its literal stage position: a later frame would shift it by the view.
            if (r.frame != 0) out.push_back(at + ": an item placed on the map needs appearance frame 0");
            bool seen = false;
            for (int f = 0; f <= lastBoss && f < int(c.path.size()) && !seen; f += 4)
                seen = OnScreen(c.path[size_t(f)], r.x, r.y, 0);
            if (!seen) out.push_back(at + ": the view never passes this item before the boss");
            if (inBlock(r.x, r.y)) out.push_back(at + ": the item lies inside a wall");
            continue;
        }
        if (r.frame < 1) {
            out.push_back(at + ": appearance frame before the first play frame");
            continue;
        }
        if (lastBoss >= 0 && r.frame >= lastBoss) out.push_back(at + ": appears after the boss");
        const Vec2 view = ViewAt(c, r.frame);
        const float x = r.x + view.x, y = r.y + view.y;
        if (!InActivityWindow(view, x, y)) {
            out.push_back(at + ": outside the active area around the view when it appears");
            continue;
        }
        if (r.type == kStageTitle) {
            if (r.x < 0 || r.x >= 640 || r.y < 0 || r.y >= 480) out.push_back(at + ": the banner must start on screen");
            continue;
        }
        if (r.type == 41 || r.type == 96) {
            // Invisible spawners: what they spawn must start near the view, where they can be shot.
            const bool near = x >= view.x - 120 && x < view.x + 760 && y >= view.y - 120 && y < view.y + 600;
            if (!near) out.push_back(at + ": the spawner sits out of the player's reach");
            continue;
        }
        if ((IsBox(r.type) || Info(r.type).motion == Motion::Still) && inBlock(x, y))
            out.push_back(at + ": stands inside a wall");
        bool seen = false;
        FollowOnScreen(c, r, 3000, [&](int) {
            seen = true;
            return false;
        });
        if (!seen) out.push_back(at + ": never comes on screen");
    }
    return out;
}

int LongestQuietStretch(const Context& c, const Schedule& s) {
    const int first = FirstBossFrame(s), last = LastBossFrame(s);
    if (last < 0) return -1;
    std::vector<char> busy(size_t(last) + 1, 0);
    for (const Record& r : s.records) {
        if (!CountsAsPresence(r.type) || r.frame > last) continue;
        const ClassInfo info = Info(r.type);
        const int cap = info.killable ? kPresenceCap : kUnkillableCap;
        FollowOnScreen(c, r, cap, [&](int k) {
            const int f = r.frame + k;
            if (f > last) return false;
            busy[size_t(f)] = 1;
            return true;
        });
    }
    // A mid-boss holds the stage while it fights; its entrance covers the frames up to the halt.
    if (first >= 0 && first != last)
        for (int f = first; f <= std::min(last, first + 150); ++f) busy[size_t(f)] = 1;
    int longest = 0, run = 0;
    for (int f = 1; f <= last; ++f) {
        run = busy[size_t(f)] ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest;
}

std::vector<std::string> CheckQuietStretches(const Context& c, const Schedule& s) {
    std::vector<std::string> out;
    const int last = LastBossFrame(s);
    if (last < 0) return {"no boss: the stage has no end to fill up to"};
    const int quiet = LongestQuietStretch(c, s);
    if (quiet > kMaxQuietFrames)
        out.push_back("the stage goes " + std::to_string(quiet) + " frames without an enemy on screen (at most " +
                      std::to_string(kMaxQuietFrames) + ")");
    return out;
}

std::vector<std::string> CheckBannerAndBosses(const Context& c, const Schedule& s) {
    std::vector<std::string> out;
    const std::vector<int> banners = Frames(s, kStageTitle);
    if (banners.size() != 1) out.push_back("the stage needs exactly one title banner, found " + std::to_string(banners.size()));
    for (int f : banners)
        if (f < 1) out.push_back("the title banner at frame " + std::to_string(f) + " never wakes (frame 1 or later)");

    const std::vector<int> codes = BossCodes(c.stage);
    for (int code : codes) {
        const size_t n = Frames(s, code).size();
        if (n != 1) out.push_back("boss " + std::to_string(code) + " appears " + std::to_string(n) + " times, once expected");
    }
    // The schedule ends with the boss records, and nothing follows them.
    size_t firstBoss = s.records.size();
    for (size_t i = 0; i < s.records.size(); ++i)
        if (IsBoss(s.records[i].type)) {
            firstBoss = i;
            break;
        }
    if (firstBoss == s.records.size()) return out;
    for (size_t i = firstBoss; i < s.records.size(); ++i) {
        const Record& r = s.records[i];
        if (!IsBoss(r.type)) out.push_back(Where(r) + ": follows the boss records");
        else if (std::find(codes.begin(), codes.end(), r.type) == codes.end())
            out.push_back(Where(r) + ": not a boss of stage " + std::to_string(c.stage));
    }
    if (codes.size() == 2) {
        const std::vector<int> a = Frames(s, codes[0]), b = Frames(s, codes[1]);
        if (a.size() == 1 && b.size() == 1 && a[0] + 150 >= b[0])
            out.push_back("the stage boss must come after the mid-boss's entrance");
    }
    // Where each boss stands when its entrance ends.
    for (const Record& r : s.records) {
        if (!IsBoss(r.type)) continue;
        float mx = 0, my = 0;
        switch (r.type) {
        case 200: my = -150; break;
        case 201: case 290: my = 150; break;
        case 202: mx = std::cos(Rad(r.angle)) * 75; my = std::sin(Rad(r.angle)) * 75; break;
        case 203: mx = 150; break;
        default: my = 105; break;
        }
        const Vec2 at = ViewAt(c, r.frame), end = ViewAt(c, r.frame + 150);
        const float sx = r.x + at.x + mx - end.x, sy = r.y + at.y + my - end.y;
        if (sx < 40 || sx > 600 || sy < 40 || sy > 440)
            out.push_back(Where(r) + ": the boss ends its entrance off screen");
        if (r.frame < 1) out.push_back(Where(r) + ": the boss never appears");
    }
    return out;
}

std::vector<std::string> CheckItems(const Context& c, const Schedule& s) {
    (void)c;
    std::vector<std::string> out;
    const size_t scoreBoxes = Frames(s, 110).size(), lifeBoxes = Frames(s, 111).size();
    if (scoreBoxes + lifeBoxes < 3) out.push_back("fewer than three item boxes");
    if (lifeBoxes < 1) out.push_back("no item box with a life inside");
    for (const Record& r : s.records)
        if (IsBox(r.type) && (r.life < 1 || r.life > 20)) out.push_back(Where(r) + ": a box needs 1..20 hits of life");
    return out;
}

std::vector<std::string> CheckSpansTheScroll(const Context& c, const Schedule& s) {
    const int end = LastScrollFrame(c.stage, c.difficulty);
    const int boss = LastBossFrame(s);
    if (end == 0 || boss < 0) return {};
    const int due = end - kBossEntrance;
    if (boss < due - kScrollEndSlack)
        return {"the stage boss comes at frame " + std::to_string(boss) + ", before the scroll ends (due at " +
                std::to_string(due) + "): the stage is cut short"};
    if (boss > due + kScrollEndSlack)
        return {"the stage boss comes at frame " + std::to_string(boss) + ", long after the scroll ends (due at " +
                std::to_string(due) + ")"};
    return {};
}

std::vector<std::string> CheckSameLength(const std::vector<Schedule>& difficulties) {
    std::vector<std::string> out;
    for (size_t d = 1; d < difficulties.size(); ++d) {
        const int first = LastBossFrame(difficulties[0]), other = LastBossFrame(difficulties[d]);
        if (std::abs(first - other) > kScrollEndSlack)
            out.push_back("difficulty " + std::to_string(d) + " ends at frame " + std::to_string(other) +
                          ", difficulty 0 at " + std::to_string(first));
    }
    return out;
}

std::vector<std::string> CheckMapLeavesPathOpen(const Context& c) {
    std::vector<std::string> out;
    if (c.stage > 5) return out;
    auto blocked = [&](float l, float t, float r, float b) -> const Block* {
        for (const Block& k : c.blocks)
            if (float(k.x) < r && l < float(k.x + kCell) && float(k.y) < b && t < float(k.y + kCell)) return &k;
        return nullptr;
    };
    const Vec2 view = ViewAt(c, 0);
    for (int player = 1; player <= 2; ++player) {
        const Vec2 p = StartPosition(c.stage, c.difficulty, player);
        if (const Block* b = blocked(p.x - 20, p.y - 20, p.x + 20, p.y + 20))
            out.push_back("player " + std::to_string(player) + "'s start position lies on the wall at " +
                          std::to_string(b->x) + ", " + std::to_string(b->y));
        if (p.x - 20 < view.x || p.x + 20 > view.x + 640 || p.y - 20 < view.y || p.y + 20 > view.y + 480)
            out.push_back("player " + std::to_string(player) + " starts outside the view");
    }
    // The middle of the view (a 320 x 240 core) stays free all along the scroll, so a player
    // there is never pushed out of the view by a wall.
    const int end = int(c.path.size()) - 1;
    for (int f = 0; f <= end; ++f) {
        const Vec2 v = c.path[size_t(f)];
        if (const Block* b = blocked(v.x + 160, v.y + 120, v.x + 480, v.y + 360)) {
            out.push_back("at frame " + std::to_string(f) + " the wall at " + std::to_string(b->x) + ", " +
                          std::to_string(b->y) + " closes the middle of the view");
            break;
        }
    }
    return out;
}

std::vector<std::string> CheckSchedule(const Context& c, const Schedule& s) {
    std::vector<std::string> out;
    for (auto check : {CheckRecordFields, CheckPositions, CheckQuietStretches, CheckBannerAndBosses, CheckItems,
                       CheckSpansTheScroll}) {
        std::vector<std::string> part = check(c, s);
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

std::vector<std::string> CheckGallery(const Schedule& s) {
    std::vector<std::string> out = s.problems;
    std::vector<int> seen(kLastEnemy + 1, 0);
    int previous = 0;
    for (const Record& r : s.records) {
        const std::string at = Where(r);
        if (!IsEnemyType(r.type)) {
            out.push_back(at + ": the gallery shows enemy classes only");
            continue;
        }
        ++seen[size_t(r.type)];
        if (r.frame <= previous) out.push_back(at + ": the classes come in turn, one frame after another");
        previous = r.frame;
        if (r.x < 0 || r.x >= 640 || r.y < 0 || r.y >= 480) out.push_back(at + ": starts off screen");
        if (r.element != 0 && r.element != 1) out.push_back(at + ": element must be 0 or 1");
        if (r.life < 1) out.push_back(at + ": no life");
        if (r.type == 80 && (r.life < 1 || r.life > 6)) out.push_back(at + ": a picture number must be 1..6");
        if (r.type == 90 && r.angle != 16384 && r.angle != 32768) out.push_back(at + ": the volley walker fires nothing");
        if (r.type == 91 && r.angle % 16384 != 0) out.push_back(at + ": a beam runs along an axis");
    }
    for (int t = kFirstEnemy; t <= kLastEnemy; ++t)
        if (seen[size_t(t)] != 1)
            out.push_back("class " + std::to_string(t) + " appears " + std::to_string(seen[size_t(t)]) + " times");
    return out;
}

}  // namespace stagecheck
