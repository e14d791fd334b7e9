#include "tests/game/shell/playthrough/whole_game.h"

#include <time.h>
#include <unistd.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <type_traits>

#include "engine/core/Kestra.h"
#include "engine/core/KestraSound.h"
#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraSprite2D.h"
#include "engine/graphics/KestraTexture.h"
#include "engine/graphics/CSprite2D.h"
#include "engine/graphics/CTexture.h"
#include "game/objects/Items.h"
#include "game/objects/cEffectObjectBase.h"
#include "game/objects/cEnemyBulletBase.h"
#include "game/objects/cEnemyObjectBase.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/objects/cPlayerBulletBase.h"
#include "game/shell/GameDraw.h"
#include "game/shell/GameMain.h"
#include "game/shell/Input.h"
#include "game/shell/KeyConfig.h"
#include "game/shell/MenuCommon.h"
#include "game/shell/ResultScene.h"
#include "game/shell/Title.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/ScoreData.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"
#include "game/story/TalkState.h"
#include "platform/d3d9/d3d9test.h"
#include "platform/d3dx9/image_encode.h"
#include "platform/win32/testing.h"
#include "platform/win32/win32.h"
#include "tests/support/private_display.h"
#include "tests/game/objects/field_watch.h"
#include "tests/game/objects/gallery_render.h"
#include "tests/game/objects/pilot.h"
#include "tests/game/shell/program_steps.h"
#include "tests/support/test_support.h"

namespace wholegame {
namespace {

constexpr int32_t kTallyEnd = 151;  // the tally takes SHOT from this frame on
constexpr int32_t kEndCell = 14;    // the name grid's end cell, in its last row
// What no part of a healthy run takes longer than, in frames.
constexpr int32_t kTalkLimit = 6000;
constexpr int32_t kPhaseLimit = 40000;
constexpr int32_t kMenuLimit = 3000;
// The pause menu item the autopilot pauses for: 1 restart, 2 quit, or RETRY's
// question held for its picture and then answered no.
constexpr int32_t kAskAndDecline = 3;

// The longest each stage has taken, in frames, by stage (1 to 6) and
// difficulty (0 to 2; the extra stage plays on 1), over every route of the
// playthrough table (the mortal pilot's and the pictures' runs included): the
// whole stage, and the fight of each boss slot from its arrival to its
// defeat. A stage or a fight that goes past its FrameBound fails the run.
struct StageLongest {
    int32_t stage;
    int32_t fights[2];  // boss slots A and B
};
constexpr StageLongest kStageLongest[6][3] = {
    {{10767, {3036, 0}}, {13396, {2605, 0}}, {7541, {4340, 0}}},
    {{11783, {1821, 0}}, {12739, {2637, 0}}, {10439, {5517, 0}}},
    {{10214, {2208, 0}}, {13258, {2352, 0}}, {13228, {3921, 0}}},
    {{24323, {3717, 0}}, {22721, {5615, 0}}, {18535, {8489, 0}}},
    {{44292, {2866, 3762}}, {49288, {2720, 7188}}, {57029, {4866, 10440}}},
    {{39088, {18809, 14678}}, {39088, {18809, 14678}}, {39088, {18809, 14678}}},
};

// ---- The child: the program and its autopilot -------------------------------

class Autopilot {
public:
    explicit Autopilot(const Plan& plan) : plan_(plan), pilot_(plan.mortal) {}

    // The game read pad 0: a new frame has begun, decide both players' buttons.
    void Frame();
    uint16_t down(uint32_t pad) const { return down_[pad & 1]; }
    uint16_t raw(uint32_t pad) const { return pad == 0 ? raw_ : 0; }
    void Write(const std::string& path) const;
    // The program has ended: `why` is the failure unless the run quit as
    // planned and `always` is false.
    void Ended(const std::string& why, bool always = false) {
        if ((always || !quitChosen_) && record_.failure.empty()) record_.failure = why;
    }

private:
    const Game& game() const { return plan_.games[gameIndex_ % plan_.games.size()]; }
    void Fail(const std::string& why);
    void Observe();
    void ObserveGame();
    const Shot* Due() const { return shot_ < plan_.shots.size() ? &plan_.shots[shot_] : nullptr; }
    void CloseStage();
    void FinishGame();
    void SampleNow(std::vector<Sample>& into);
    uint16_t DecideTitle();
    uint16_t DecideGame(uint16_t& second);
    uint16_t DecideResult();
    static uint16_t Tap(uint16_t last, uint16_t key) { return last ? 0 : key; }
    bool ShotDue(Shot::Moment moment) const {
        return shot_ < plan_.shots.size() && plan_.shots[shot_].moment == moment;
    }
    void TakeShot();
    d3d9test::Image TakeLayers();

    const Plan& plan_;
    playtest::Pilot pilot_;
    RunRecord record_;
    uint16_t down_[2] = {0, 0};
    int64_t frame_ = 0;
    size_t gameIndex_ = 0;
    bool quitting_ = false;  // all games played: the title's quit item next
    bool triedExtra_ = false;
    int32_t pressedItem_ = -1;
    int32_t teamTries_ = 0;
    int32_t lastScene_ = kSceneTitle;
    int64_t sceneFrames_ = 0;  // frames in the same scene, title state or sub-state
    int32_t lastState_ = -1;
    // The game and stage being played.
    GameRecord game_;
    StageRecord stage_;
    bool inStage_ = false;
    playtest::EnemyCensus census_;
    playtest::BossWatch bossA_, bossB_;
    int32_t talkStep_ = 0;
    int32_t talkLines_ = -1;  // -1: no talk running
    int32_t dialogueFrames_ = 0;
    int32_t phaseFrames_ = 0;
    int32_t lastPhase_[2] = {-1, -1};
    int32_t lives_[2] = {0, 0};
    int32_t pauseFor_ = 0;  // the pause menu item the autopilot paused for (kAskAndDecline)
    bool restarted_ = false;
    // Soak.
    double start_ = testsupport::MonotonicSeconds();
    int32_t minutesTaken_ = 0;
    bool finished_ = false;
    bool quitChosen_ = false;
    // Pictures.
    size_t shot_ = 0;
    int32_t stillFrames_ = 0;
    bool quitNow_ = false;  // a shot asked: the game is being quit
    bool dying_ = false;    // a kContinue came: player 1 was let down to its last miss
    int32_t lastCardFrame_ = 0;
    uint16_t raw_ = 0;  // pad 0's buttons pressed as they are, not through the key map
};

Autopilot* gAutopilot = nullptr;

uint64_t Fold(uint64_t h, const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

int64_t ResidentKb() {
    std::ifstream statm("/proc/self/statm");
    int64_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

int32_t ActiveCount(const auto& pool) {
    int32_t n = 0;
    for (const auto* o : pool) n += o->isActive ? 1 : 0;
    return n;
}

void Autopilot::SampleNow(std::vector<Sample>& into) {
    Sample s;
    s.minute = (testsupport::MonotonicSeconds() - start_) / 60.0;
    s.loop = record_.loops;
    s.residentKb = ResidentKb();
    const cObjectManager& m = ObjectManager;
    s.objects = static_cast<int32_t>(m.enemyList.size() + m.mapBlocks.size()) + ActiveCount(m.enemyBullets) +
                ActiveCount(m.playerBullets) + ActiveCount(m.effects);
    s.textures = static_cast<int32_t>(KestraTexture::GetManager()->GetCount());
    s.sprites = static_cast<int32_t>(KestraSprite2D::GetManager()->GetCount());
    for (uint32_t i = 0; i < KestraSound::GetMaxSounds(); ++i) s.sounds += KestraSound::GetSlot(i) ? 1 : 0;
    into.push_back(s);
}

void Autopilot::TakeShot() {
    const d3d9test::Image frame = plan_.layers.empty() ? d3d9test::LastPresentedFrame() : TakeLayers();
    const std::filesystem::path file = gallerygl::WriteScreenshot(frame, plan_.shots[shot_].file);
    if (file.empty()) Fail("the picture " + plan_.shots[shot_].file + " could not be written");
    record_.shots.push_back(file.string());
    quitNow_ = quitNow_ || plan_.shots[shot_].quit;
    ++shot_;
    stillFrames_ = 0;
}

// The picture a texture was loaded from, below data/ ("img/title.png").
std::string PictureOf(const CTexture* texture) {
    std::string name = texture ? texture->GetName() : "";
    std::replace(name.begin(), name.end(), '\\', '/');
    const size_t at = name.rfind("/img/");
    return at == std::string::npos ? name : name.substr(at + 1);
}

void WritePng(const d3d9test::Image& image, const std::string& path) {
    const d3dx9img::Image png{{}, image.width, image.height, image.pixels};
    std::vector<uint8_t> bytes;
    if (d3dx9img::EncodePng(png, false, &bytes)) testsupport::WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

// The frame drawn again from the state it stands in, as it is and in the
// plan's layers; what a drawing changes (the title's turning, the tally's
// count, the talk's cards, the clock of the date) is put back each time, so
// the game goes on as if it had not been drawn.
d3d9test::Image Autopilot::TakeLayers() {
    const std::string base = plan_.layerFolder + "/" + plan_.shots[shot_].file;
    const cTitleState title = TitleState;
    const cGameState game = GameState;
    const cTalkState talk = TalkState;
    const cScoreData score = ScoreData;
    const auto draw = [&](uint32_t clear) {
        TitleState = title, GameState = game, TalkState = talk, ScoreData = score;
        Kestra3D::Clear(3, clear, 1.0f, 0, nullptr);
        if (game.sceneId == kSceneTitle) DrawTitle();
        else if (game.sceneId == kSceneGame) DrawGameScene(GameState);
        else DrawResultScene();
        return d3d9test::ReadRenderTarget(Kestra3D::GetDevice());
    };
    std::vector<SpriteDrawRecord> quads;
    SetSpriteDrawRecorder([](const SpriteDrawRecord& r, void* to) { static_cast<std::vector<SpriteDrawRecord>*>(to)->push_back(r); },
                          &quads);
    const d3d9test::Image frame = draw(0xFF000000u);
    SetSpriteDrawRecorder(nullptr, nullptr);
    std::string legend;
    for (const SpriteDrawRecord& q : quads) {
        if (q.slot < 0 || size_t(q.slot) >= SpriteTable.size() || !SpriteTable[size_t(q.slot)].sprite) continue;
        char line[320];
        std::snprintf(line, sizeof line, "%d %s %g %g %g %g %g %g %g %g %d\n", q.slot,
                      PictureOf(SpriteTable[size_t(q.slot)].texture).c_str(), q.src[0], q.src[1], q.src[2], q.src[3],
                      q.dst[0], q.dst[1], q.dst[2], q.dst[3], q.angle);
        legend += line;
    }
    testsupport::WriteFile(base + ".quads.txt", legend);

    // A slot drawn from a picture with text takes its layer; in the text's
    // layer the other slots are left out, and in the other the fonts.
    const std::vector<SpriteEntry> table = SpriteTable;
    const std::vector<CFontSprite2D*> fonts = FontTable;
    std::vector<CTexture*> made;
    const auto layer = [&](bool text, const std::vector<std::pair<uint32_t, const char*>>& shots) {
        for (SpriteEntry& e : SpriteTable) {
            if (!e.sprite) continue;
            const auto it = plan_.layers.find(PictureOf(e.texture));
            if (it == plan_.layers.end()) {
                if (text) e.sprite = nullptr;
                continue;
            }
            const std::string& png = text ? it->second.first : it->second.second;
            made.push_back(KestraTexture::GetManager()->CreateFromMemory(png.data(), uint32_t(png.size()), 0, 0));
            KestraSprite2D::SetTexture(e.sprite, 0, made.back());
        }
        if (!text) std::fill(FontTable.begin(), FontTable.end(), nullptr);
        for (const auto& [clear, suffix] : shots) WritePng(draw(clear), base + suffix);
        for (size_t slot = 0; slot < table.size(); ++slot) {
            SpriteTable[slot].sprite = table[slot].sprite;
            if (table[slot].sprite) KestraSprite2D::SetTexture(table[slot].sprite, 0, table[slot].texture);
        }
        FontTable = fonts;
        for (CTexture* t : made) KestraTexture::Release(t);
        made.clear();
    };
    layer(true, {{0xFF000000u, ".text_black.png"}, {0xFFFFFFFFu, ".text_white.png"}});
    layer(false, {{0xFF000000u, ".no_text.png"}});
    WritePng(frame, base + ".png");
    TitleState = title, GameState = game, TalkState = talk, ScoreData = score;
    Kestra3D::Clear(3, 0xFF5A5A78u, 1.0f, 0, nullptr);
    return frame;
}

void Autopilot::Fail(const std::string& why) {
    if (record_.failure.empty()) record_.failure = why;
    Kestra::Exit();
}

void Autopilot::Frame() {
    ++frame_;
    record_.frames = frame_;
    // The game's time: a second every 60 frames from the seed on.
    platform::SetWallClock(static_cast<int64_t>(plan_.seed) + frame_ / 60);
    if (frame_ % 1024 == 0) platform::ClearVirtualSleeps();
    Observe();
    uint16_t second = 0;
    uint16_t first = 0;
    if (!finished_) {
        switch (GameState.sceneId) {
            case kSceneTitle: first = DecideTitle(); break;
            case kSceneGame: first = DecideGame(second); break;
            case kSceneResult: first = DecideResult(); break;
            default: Fail("scene " + std::to_string(GameState.sceneId)); break;
        }
    }
    down_[0] = first;
    down_[1] = second;
    if (frame_ >= plan_.frameLimit) Fail("the run's frame limit");
    if (plan_.soakMinutes > 0) {
        const double minutes = (testsupport::MonotonicSeconds() - start_) / 60.0;
        if (minutes >= minutesTaken_ + 1) {
            ++minutesTaken_;
            SampleNow(record_.minutes);
        }
    }
}

void Autopilot::Observe() {
    const int32_t scene = GameState.sceneId;
    const int32_t state = scene == kSceneTitle ? TitleState.state : scene == kSceneGame ? GameState.subState : 0;
    if (scene != lastScene_ || state != lastState_) sceneFrames_ = 0;
    ++sceneFrames_;
    if (scene == kSceneGame) {
        ++game_.frames;
        ObserveGame();
    }
    if (scene != kSceneGame && inStage_) CloseStage();
    if (scene == kSceneResult) {
        // The result's record as the screen shows it (the title clears it).
        const cScoreData& s = ScoreData;
        game_.resultStage = s.resultStage;
        game_.resultScore = s.resultScore;
        game_.rank = s.rank;
        if (sceneFrames_ > kMenuLimit) Fail("the result screen never ended");
    }
    // A game ends at the result, or at a practice's tally.
    if (scene == kSceneTitle && lastScene_ != kSceneTitle) FinishGame();
    // The music the last frame asked for, in the stage that frame left.
    for (const std::string& call : platform::RecordedCalls()) {
        static const std::string kCreate = "KestraSound::CreateFromFile ";
        if (call.rfind(kCreate + "BGM/", 0) != 0) continue;
        const size_t from = kCreate.size();
        const std::string name = MusicName(call.substr(from, call.find(' ', from) - from));
        game_.music.push_back(name);
        if (inStage_) stage_.music.push_back(name);
    }
    platform::ClearRecordedCalls();
    if (scene == kSceneTitle && sceneFrames_ > kMenuLimit) Fail("the title stayed in state " + std::to_string(state));
    lastScene_ = scene;
    lastState_ = state;
}

void Autopilot::ObserveGame() {
    const cGameState& g = GameState;
    if (g.stage < 1 || g.stage > 6) return;  // past the last tally
    if (!inStage_ || g.stage != stage_.stage) {
        if (inStage_) CloseStage();
        inStage_ = true;
        stage_ = StageRecord();
        stage_.game = static_cast<int32_t>(gameIndex_);
        stage_.stage = g.stage;
        census_ = playtest::EnemyCensus();
        census_.Restart();
        bossA_ = playtest::BossWatch();
        bossB_ = playtest::BossWatch();
        talkStep_ = 0;
        talkLines_ = -1;
        lastPhase_[0] = lastPhase_[1] = -1;
        phaseFrames_ = 0;
        for (int i = 0; i < 2; ++i) {
            const cPlayerBase* p = i ? Player2 : Player1;
            lives_[i] = p ? p->life + 5 * p->stock : 0;
        }
    } else {
        census_.Count();
    }
    ++stage_.frames;
    const int32_t at = static_cast<int32_t>(frame_);
    if (BossA) bossA_.See(*BossA, at);
    if (BossB && (g.stage == 5 || g.stage == 6)) bossB_.See(*BossB, at);
    // A talk: the step leaves 0 with its first advance and comes back with its reset.
    const int32_t step = TalkState.step;
    if (step != talkStep_) {
        if (step != 0) {
            if (talkLines_ < 0) talkLines_ = 0;
            ++talkLines_;
        } else if (talkLines_ >= 0) {
            stage_.talkLines.push_back(talkLines_);
            talkLines_ = -1;
        }
        talkStep_ = step;
    }
    dialogueFrames_ = g.subState == kSubStateDialogue ? dialogueFrames_ + 1 : 0;
    if (dialogueFrames_ > kTalkLimit) Fail("a talk in stage " + std::to_string(g.stage) + " never ended");
    // A boss whose phase stands still too long.
    bool moved = false;
    for (int i = 0; i < 2; ++i) {
        const cBossBase* b = i ? BossB : BossA;
        const int32_t phase = b && b->active ? b->phase : -1;
        moved = moved || phase != lastPhase_[i];
        lastPhase_[i] = phase;
    }
    phaseFrames_ = moved || (lastPhase_[0] < 0 && lastPhase_[1] < 0) ? 0 : phaseFrames_ + 1;
    if (phaseFrames_ > kPhaseLimit && g.subState == kSubStatePlay)
        Fail("a boss of stage " + std::to_string(g.stage) + " stayed in phase " +
             std::to_string(lastPhase_[1] >= 0 ? lastPhase_[1] : lastPhase_[0]));
    // A stage or a fight that drags.
    const StageLongest& longest = kStageLongest[g.stage - 1][std::clamp(g.difficulty, 0, 2)];
    const auto where = [&g] {
        return "stage " + std::to_string(g.stage) + " on difficulty " + std::to_string(g.difficulty);
    };
    if (stage_.frames > playtest::FrameBound(longest.stage))
        Fail(where() + " took more than its " + std::to_string(playtest::FrameBound(longest.stage)) + " frames");
    for (int i = 0; i < 2; ++i) {
        const playtest::BossWatch& w = i ? bossB_ : bossA_;
        const int32_t bound = playtest::FrameBound(longest.fights[i]);
        if (w.arrived >= 0 && w.beaten < 0 && at - w.arrived > bound)
            Fail(where() + ": the boss of slot " + (i ? "B" : "A") + " still fought after its " +
                 std::to_string(bound) + " frames");
    }
    if (g.subState == kSubStateTally) stage_.cleared = true;
    if (ShotDue(Shot::kBanner)) {
        const cBossBase* b = Due()->param ? BossB : BossA;
        if (b && b->active && b->phase >= 3 && b->phase % 2 == 1 && b->phaseTimer == 40) TakeShot();
    }
    // Hits: lives lost since the last frame (an invincible pilot's lives are
    // topped up, not lost).
    for (int i = 0; i < 2 && plan_.mortal; ++i) {
        const cPlayerBase* p = i ? (g.twoPlayer ? Player2 : nullptr) : Player1;
        if (!p) continue;
        const int32_t lives = p->life + 5 * p->stock;
        if (lives < lives_[i]) stage_.misses += lives_[i] - lives;
        lives_[i] = lives;
    }
    // The run's fingerprint: where the players and bosses are, every frame.
    uint64_t h = record_.checksum ? record_.checksum : 14695981039346656037ull;
    for (const cPlayerBase* p : {Player1, g.twoPlayer ? Player2 : nullptr})
        if (p) h = Fold(Fold(h, &p->x, sizeof p->x), &p->y, sizeof p->y);
    for (const cBossBase* b : {BossA, BossB})
        if (b && b->active) h = Fold(Fold(Fold(h, &b->x, sizeof b->x), &b->y, sizeof b->y), &b->phase, sizeof b->phase);
    // What they move among: the enemies and their bullets.
    for (const cEnemyObjectBase* e : ObjectManager.enemyList)
        if (e->isActive) h = Fold(Fold(h, &e->x, sizeof e->x), &e->y, sizeof e->y);
    for (const cEnemyBulletBase* b : ObjectManager.enemyBullets)
        if (b->isActive) h = Fold(Fold(h, &b->x, sizeof b->x), &b->y, sizeof b->y);
    h = Fold(h, &StageFrame, sizeof StageFrame);
    record_.checksum = h;
}

void Autopilot::CloseStage() {
    // What the next stage or the release takes away is not this stage's count.
    inStage_ = false;
    stage_.spawned = census_.spawned;
    stage_.gone = census_.gone;
    stage_.attacks = bossA_.attacks() + bossB_.attacks();
    stage_.bonuses = bossA_.bonuses + bossB_.bonuses;
    stage_.bonusTotal = bossA_.bonusTotal + bossB_.bonusTotal;
    for (int i = 0; i < 2; ++i) {
        const playtest::BossWatch& w = i ? bossB_ : bossA_;
        stage_.fights[i] = w.beaten >= 0 ? w.beaten - w.arrived : 0;
        for (int32_t phase : w.unpaid()) stage_.unpaid.push_back((i ? "B" : "A") + std::to_string(phase));
    }
    if (talkLines_ >= 0) stage_.talkLines.push_back(talkLines_);
    talkLines_ = -1;
    if (Player1) game_.stock = Player1->stock;
    record_.stages.push_back(stage_);
}

void Autopilot::FinishGame() {
    const Game& g = game();
    game_.index = static_cast<int32_t>(gameIndex_);
    // The file as the result screen saved it.
    std::string bytes = testsupport::ReadFile("save/score.dat");
    for (char& c : bytes) c = static_cast<char>(~static_cast<unsigned char>(c));
    cScoreData saved;
    ParseScoreText(bytes.data(), bytes.size(), saved);
    const int32_t teamIndex = g.team == 2 ? 1 : 0;
    const int32_t column = g.item >= kMenuExtraOnePlayer ? 3 : g.difficulty;
    for (int32_t r = 0; r < kShownRows; ++r) {
        const cRankingRow& row = saved.rows[column + 4 * teamIndex][r];
        if (g.name != row.name || row.score != game_.resultScore) continue;
        char line[96];
        std::snprintf(line, sizeof line, "%s|%d|%s|%d", row.name, row.score, row.date, row.stage);
        game_.row = line;
        game_.rowStage = row.stage;
        break;
    }
    game_.bestStage = saved.bestStage[teamIndex][column];
    game_.clears = saved.clearCount[teamIndex][column];
    game_.team2Open = IsTeam2Unlocked();
    game_.difficulty2Open = IsDifficulty2Unlocked();
    game_.extraOpen[0] = IsExtraUnlockedFor(0);
    game_.extraOpen[1] = IsExtraUnlockedFor(1);
    record_.games.push_back(game_);
    game_ = GameRecord();
    restarted_ = quitNow_ = false;
    ++gameIndex_;
    if (gameIndex_ % plan_.games.size() != 0) return;
    ++record_.loops;
    SampleNow(record_.loopEnds);
    const double minutes = (testsupport::MonotonicSeconds() - start_) / 60.0;
    if (minutes >= plan_.soakMinutes) quitting_ = true;
}

// ---- Decisions --------------------------------------------------------------

uint16_t Autopilot::DecideTitle() {
    const uint16_t last = down_[0];
    if (last || raw_) {  // a press is let go before the next
        raw_ = 0;
        return 0;
    }
    const cTitleState& t = TitleState;
    const Shot* due = Due();
    // A picture of a screen with its cursor on `param`, once the screen stood
    // still: the press toward it, or none; nothing when that picture is not due.
    const auto hold = [&](Shot::Moment m, int32_t cursor, uint16_t toward, int32_t frames) -> std::optional<uint16_t> {
        if (!ShotDue(m)) return std::nullopt;
        if (cursor != due->param) {
            stillFrames_ = 0;
            return toward;
        }
        if (++stillFrames_ >= frames) TakeShot();
        return uint16_t{0};
    };
    const bool keys = due && due->moment >= Shot::kConfig && due->moment <= Shot::kKeyDefaults;
    switch (t.state) {
        case kTitleMenu: {
            if (ShotDue(Shot::kTitle)) {
                if (++stillFrames_ >= 90) TakeShot();
                return 0;
            }
            if (const auto press = hold(Shot::kMenu, t.menuCursor, PAD_DOWN, 30)) return *press;
            // A pressed item that left the menu where it was is refused.
            if (pressedItem_ >= 0 && t.menuCursor == pressedItem_) {
                if (!triedExtra_ && plan_.tryExtraFirst) {
                    triedExtra_ = true;
                    record_.extraRefused = true;
                } else {
                    game_.refused = true;
                    record_.games.push_back(game_);
                    Fail("the title refused item " + std::to_string(pressedItem_));
                    finished_ = true;
                    return 0;
                }
            }
            pressedItem_ = -1;
            const int32_t target = quitting_                              ? kMenuQuit
                                   : keys                                 ? kMenuConfig
                                   : (plan_.tryExtraFirst && !triedExtra_) ? kMenuExtraOnePlayer
                                                                          : game().item;
            if (t.menuCursor != target)
                return (target - t.menuCursor + kMenuItems) % kMenuItems <= kMenuItems / 2 ? PAD_DOWN : PAD_UP;
            if (target == kMenuQuit) finished_ = quitChosen_ = true;
            pressedItem_ = target == kMenuConfig ? -1 : target;
            teamTries_ = 0;
            return PAD_SHOT;
        }
        case kTitleConfig:
            if (ShotDue(Shot::kConfig)) {
                if (++stillFrames_ >= 90) TakeShot();
                return 0;
            }
            return t.configCursor != (keys ? 2 : 3) ? PAD_DOWN : PAD_SHOT;
        case kTitleKeyConfig: {
            const cKeyConfigScreen& k = *t.keyConfig;
            if (k.defining) {
                // Player 1's pad: a direction skips to the buttons' rows, then buttons 0 to 5 in turn.
                if (k.row == 0) return PAD_DOWN;
                if (ShotDue(Shot::kKeyDefining) && k.row == due->param) return *hold(Shot::kKeyDefining, k.row, 0, 30);
                raw_ = static_cast<uint16_t>(1u << (k.row - 4));
                return 0;
            }
            if (k.defaultsState == cKeyConfigScreen::kAsking) {
                if (const auto press = hold(Shot::kKeyDefaults, k.row, 0, 30)) return *press;
                return k.row == 0 ? PAD_DOWN : PAD_SHOT;  // no
            }
            const int32_t column = ShotDue(Shot::kKeyHeader)     ? due->param
                                   : ShotDue(Shot::kKeyDefining) ? int32_t{cKeyConfigScreen::kPlayer1}
                                   : ShotDue(Shot::kKeyDefaults) ? int32_t{cKeyConfigScreen::kDefaults}
                                                                  : int32_t{cKeyConfigScreen::kLeave};
            if (const auto press = hold(Shot::kKeyHeader, k.column, k.column < column ? PAD_RIGHT : PAD_LEFT, 30)) return *press;
            return k.column != column ? (k.column < column ? PAD_RIGHT : PAD_LEFT) : PAD_SHOT;
        }
        case kTitleTeam:
            pressedItem_ = -1;
            if (const auto press = hold(Shot::kTeam, t.teamCursor, PAD_RIGHT, 90)) return *press;
            if (t.teamCursor != game().team - 1) {
                if (++teamTries_ > 4) {
                    game_.refused = true;
                    record_.games.push_back(game_);
                    Fail("team " + std::to_string(game().team) + " could not be chosen");
                    finished_ = true;
                    return 0;
                }
                return PAD_RIGHT;
            }
            return PAD_SHOT;
        case kTitleDifficulty:
            if (const auto press = hold(Shot::kDifficulty, t.difficultyCursor, PAD_UP, 90)) return *press;
            if (game().difficulty > t.maxDifficulty) {
                game_.refused = true;
                record_.games.push_back(game_);
                Fail("difficulty " + std::to_string(game().difficulty) + " could not be chosen");
                finished_ = true;
                return 0;
            }
            return t.difficultyCursor != game().difficulty ? PAD_UP : PAD_SHOT;
        case kTitlePractice:
            if (const auto press = hold(Shot::kPractice, t.practiceCursor, PAD_DOWN, 90)) return *press;
            return t.practiceCursor != game().practiceRow ? PAD_DOWN : PAD_SHOT;
        case kTitleStartGame: return 0;
        default:
            Fail("the title went to state " + std::to_string(t.state));
            return 0;
    }
}

uint16_t Autopilot::DecideGame(uint16_t& second) {
    cGameState& g = GameState;
    const uint16_t last = down_[0];
    cPlayerBase* p2 = g.twoPlayer == 1 ? Player2 : nullptr;
    if (!plan_.mortal) {
        for (cPlayerBase* p : {Player1, p2})
            if (p && !dying_) playtest::KeepInvincible(*p);
    }
    if (plan_.hurryBosses)
        for (cBossBase* b : {BossA, BossB})
            if (b && b->active) b->hp = std::min(b->hp, 1.0f);
    const Shot* due = Due();
    switch (g.subState) {
        case kSubStateTally:
            if (ShotDue(Shot::kTally)) {
                if (g.tallyTimer >= kTallyEnd + 20) TakeShot();
                return 0;
            }
            return g.tallyTimer >= kTallyEnd ? Tap(last, PAD_SHOT) : 0;
        case kSubStateGameOver:
            dying_ = false;
            if (ShotDue(Shot::kContinue)) {
                if (g.stateTimer == (due->param ? 130 : 90)) TakeShot();
                return 0;
            }
            // A continue while credits last, when the game takes them; else the result.
            if (g.stateTimer <= 100 || g.credits < 1) return 0;
            if (game().continues) return Tap(last, g.continueChoice == 0 ? PAD_SHOT : PAD_RIGHT);
            return Tap(last, g.continueChoice == 0 ? PAD_RIGHT : PAD_SHOT);
        case kSubStatePause: {
            if (!pauseFor_) return Tap(last, g.pauseCursor == 0 ? PAD_SHOT : PAD_UP);
            // The item, then "yes" (the question opens on "no").
            const int32_t item = pauseFor_ == kAskAndDecline ? 1 : pauseFor_;
            if (!g.pauseAsking) return Tap(last, g.pauseCursor != item ? PAD_DOWN : PAD_SHOT);
            if (pauseFor_ != kAskAndDecline) return Tap(last, g.pauseAnswer != 0 ? PAD_UP : PAD_SHOT);
            if (!ShotDue(Shot::kPause)) return Tap(last, PAD_SHOT);
            if (++stillFrames_ >= 30) TakeShot();
            return 0;
        }
        case kSubStatePlay:
            if (quitNow_ || (game().quitAfter > 0 && g.stage > game().quitAfter && g.stage <= 6) ||
                (game().quitFrames > 0 && game_.frames >= game().quitFrames)) {
                pauseFor_ = 2;
                return Tap(last, PAD_MENU);
            }
            if (ShotDue(Shot::kPause)) {
                pauseFor_ = kAskAndDecline;
                return Tap(last, PAD_MENU);
            }
            if (!restarted_ && g.stage == game().restartIn && stage_.frames >= 600) {
                restarted_ = true;
                pauseFor_ = 1;
                return Tap(last, PAD_MENU);
            }
            pauseFor_ = 0;
            // The stage's title, and its display before the boss: the players stand
            // where the stage put them (the display fades when they fly low).
            if (ShotDue(Shot::kStageTitle))
                for (const cEnemyObjectBase* e : ObjectManager.enemyList) {
                    if (!dynamic_cast<const StageStartEffectObj*>(e)) continue;
                    if (e->frame >= 90) TakeShot();
                    return 0;
                }
            if (ShotDue(Shot::kHud) && StageFrame < 240) return 0;
            if (ShotDue(Shot::kHud)) TakeShot();
            if (ShotDue(Shot::kContinue) && !dying_ && Player1) {
                // Player 1's last life: a miss with no stock left ends the game.
                dying_ = true;
                if (!due->param) g.credits = 0;
                Player1->isInvincible = 0;
                Player1->stock = 0;
                Player1->Damage(5);
            }
            if (ShotDue(Shot::kForce)) {
                cPlayerBase* p = due->param ? p2 : Player1;
                if (!p) return 0;
                if (p->cutInOn) {
                    if (p->cutInFrame == 36) TakeShot();
                    return 0;
                }
                p->gauge = 200.0f;
                if (due->param) second = Tap(down_[1], PAD_FORCE);
                return due->param ? 0 : Tap(last, PAD_FORCE);
            }
            [[fallthrough]];
        case kSubStateDialogue:
            if (g.subState == kSubStateDialogue && ShotDue(Shot::kTalk) && TalkState.step <= 1) {
                // One line on (SHOT), then read for a second.
                if (TalkState.step == 0) return Tap(last, PAD_SHOT);
                if (++stillFrames_ >= 60) TakeShot();
                return 0;
            }
            if (g.subState == kSubStateDialogue && ShotDue(Shot::kNameCard)) {
                // A line whose card on that side is coming in is read; any other, passed.
                const int32_t frame = TalkState.nameCardFrame;
                const bool coming = frame != lastCardFrame_ && TalkState.dstRect[1] == (due->param ? 390.0f : 180.0f);
                lastCardFrame_ = frame;
                if (coming && frame >= 40) TakeShot();
                return coming ? 0 : Tap(last, PAD_SHOT);
            }
            if (p2) second = pilot_.Buttons(*p2, down_[1]);
            return Player1 ? pilot_.Buttons(*Player1, last) : 0;
        default: return 0;
    }
}

// The name grid cell of a letter or digit.
bool CellOf(char c, int32_t& row, int32_t& column) {
    if (c >= 'A' && c <= 'Z') row = 0, column = c - 'A';
    else if (c >= 'a' && c <= 'z') row = 1, column = c - 'a';
    else if (c >= '0' && c <= '9') row = 2, column = c - '0';
    else return false;
    return true;
}

uint16_t Autopilot::DecideResult() {
    const uint16_t last = down_[0];
    if (last) return 0;
    // The rank is worked out by the screen's first frame.
    if (sceneFrames_ < 2) return 0;
    const cScoreData& s = ScoreData;
    const bool ranked = s.rank >= 1 && s.rank <= kShownRows;
    if (ShotDue(Shot::kResult) && Due()->param == int32_t(ranked) && (!ranked || s.entryLength == 2) &&
        s.resultFrame == 0) {
        if (++stillFrames_ >= 30) TakeShot();
        return 0;
    }
    if (!ranked) return s.resultFrame == 0 ? PAD_SHOT : 0;
    if (s.resultFrame != 0) return 0;
    const std::string& name = game().name;
    int32_t row = 3, column = kEndCell;
    if (s.entryLength < static_cast<int32_t>(name.size()) && !CellOf(name[size_t(s.entryLength)], row, column)) {
        Fail("the name has a character off the grid");
        return 0;
    }
    if (row == 3) {
        // The end cell: down into the last row, then along it.
        if (s.entryRow != 3) return PAD_DOWN;
        return s.entryColumn == kEndCell ? PAD_SHOT : PAD_RIGHT;
    }
    if (s.entryRow == 3) return PAD_DOWN;  // back to the first row
    if (s.entryRow != row) return s.entryRow < row ? PAD_DOWN : PAD_UP;
    if (s.entryColumn != column) return (column - s.entryColumn + 26) % 26 <= 13 ? PAD_RIGHT : PAD_LEFT;
    return PAD_SHOT;
}

// ---- The record as a file ---------------------------------------------------
// One line per record, its kind and then its fields, tab-separated; lists
// comma-separated, "-" for an empty text or list. The same field lists drive
// the writer and the reader.

template <class V, class R>
void RunFields(V& v, R& r) {
    v(r.failure), v(r.extraRefused), v(r.frames), v(r.checksum), v(r.loops), v(r.dodges), v(r.forces);
}
template <class V, class G>
void GameFields(V& v, G& g) {
    v(g.index), v(g.refused), v(g.resultStage), v(g.resultScore), v(g.rank), v(g.rowStage), v(g.bestStage);
    v(g.clears), v(g.team2Open), v(g.difficulty2Open), v(g.extraOpen[0]), v(g.extraOpen[1]), v(g.stock);
    v(g.frames), v(g.row), v(g.music);
}
template <class V, class S>
void StageFields(V& v, S& s) {
    v(s.game), v(s.stage), v(s.frames), v(s.spawned), v(s.gone), v(s.attacks), v(s.bonuses), v(s.bonusTotal);
    v(s.misses), v(s.cleared), v(s.talkLines), v(s.music), v(s.fights[0]), v(s.fights[1]), v(s.unpaid);
}
template <class V, class S>
void SampleFields(V& v, S& s) {
    v(s.minute), v(s.loop), v(s.residentKb), v(s.objects), v(s.textures), v(s.sprites), v(s.sounds);
}

struct Writer {
    std::ostream& out;
    void operator()(const std::string& text) { out << '\t' << (text.empty() ? "-" : text); }
    void operator()(bool b) { out << '\t' << (b ? 1 : 0); }
    void operator()(double d) { out << '\t' << d; }
    template <class T>
    void operator()(T n) requires std::is_integral_v<T> {
        out << '\t' << n;
    }
    template <class T>
    void operator()(const std::vector<T>& items) {
        std::ostringstream list;
        for (size_t i = 0; i < items.size(); ++i) list << (i ? "," : "") << items[i];
        (*this)(list.str());
    }
};

struct Reader {
    std::vector<std::string> fields;
    size_t at = 1;  // after the kind
    std::string Next() {
        std::string text = at < fields.size() ? fields[at++] : "-";
        return text == "-" ? std::string() : text;
    }
    void operator()(std::string& text) { text = Next(); }
    void operator()(bool& b) { b = Next() == "1"; }
    void operator()(double& d) { d = std::strtod(Next().c_str(), nullptr); }
    template <class T>
    void operator()(T& n) requires std::is_integral_v<T> {
        const std::string text = Next();
        n = 0;
        std::from_chars(text.data(), text.data() + text.size(), n);
    }
    template <class T>
    void operator()(std::vector<T>& items) {
        std::stringstream list(Next());
        items.clear();
        for (std::string item; std::getline(list, item, ',');) {
            Reader one{{"", item}};
            items.emplace_back();
            one(items.back());
        }
    }
};

void Autopilot::Write(const std::string& path) const {
    std::ofstream out(path);
    Writer w{out};
    RunRecord run = record_;
    run.dodges = pilot_.dodges;
    run.forces = pilot_.forces;
    out << "run", RunFields(w, run), out << '\n';
    for (const GameRecord& g : record_.games) out << "game", GameFields(w, g), out << '\n';
    for (const StageRecord& s : record_.stages) out << "stage", StageFields(w, s), out << '\n';
    for (const std::string& shot : record_.shots) out << "shot", w(shot), out << '\n';
    for (const Sample& s : record_.minutes) out << "minute", SampleFields(w, s), out << '\n';
    for (const Sample& s : record_.loopEnds) out << "loop", SampleFields(w, s), out << '\n';
}

RunRecord Read(const std::string& path) {
    RunRecord r;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        Reader read;
        std::stringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) read.fields.push_back(field);
        if (read.fields.empty()) continue;
        const std::string& kind = read.fields[0];
        if (kind == "run") {
            RunFields(read, r);
        } else if (kind == "game") {
            GameFields(read, r.games.emplace_back());
        } else if (kind == "stage") {
            StageFields(read, r.stages.emplace_back());
        } else if (kind == "shot") {
            read(r.shots.emplace_back());
        } else if (kind == "minute" || kind == "loop") {
            SampleFields(read, (kind == "minute" ? r.minutes : r.loopEnds).emplace_back());
        }
    }
    return r;
}

// ---- The devices the autopilot stands for -------------------------------------

bool Joystick(uint32_t index, KestraJoystickState* out) {
    if (index > 1 || !gAutopilot) return false;
    // Every frame the game reads pad 0 once, after the last frame's present.
    static uint64_t presents = ~0ull;
    const uint64_t now = d3d9test::CallCount("Present");
    if (index == 0 && now != presents) {
        presents = now;
        gAutopilot->Frame();
    }
    const uint16_t down = gAutopilot->down(index);
    out->pov[0] = 0xFFFFFFFFu;
    out->axes[0] = down & PAD_LEFT ? -65535 : down & PAD_RIGHT ? 65535 : 0;
    out->axes[1] = down & PAD_UP ? -65535 : down & PAD_DOWN ? 65535 : 0;
    for (int32_t i = 0; i < kPadButtonActions; ++i) {
        const uint8_t button = KeyMap.buttons[index][i];
        if ((down & (PAD_SHOT << i)) && button < KestraInput::kJoystickButtons) out->buttons[button] = 1;
    }
    for (uint32_t b = 0; b < 16; ++b)
        if (gAutopilot->raw(index) & (1u << b)) out->buttons[b] = 1;
    return true;
}

const cInputSource kAutopilotPads = {Joystick, [](uint32_t) { return false; }, [](uint32_t*) { return false; }};

// Virtual time moves on with every look at the clock, so the frame limiter's
// waits end at once.
void ClockTick(void*) { platform::AdvanceVirtualClock(1000); }

constexpr const char* kKeyMap =
    "[SYSTEM]\r\nKEYBOARD=0\r\n"
    "[PLAYER1]\r\nPADNO=0\r\nKEYBOARD=0\r\nSHOT=0\r\nDIRECT=1\r\nELEMENT=2\r\nFORCE=3\r\nCHANGE=4\r\nMENU=5\r\n"
    "[PLAYER2]\r\nPADNO=1\r\nKEYBOARD=0\r\nSHOT=0\r\nDIRECT=1\r\nELEMENT=2\r\nFORCE=3\r\nCHANGE=4\r\nMENU=5\r\n";

int RunChild(const Plan& plan, const std::string& folder) {
    // Pictures need the OpenGL device and a display of the run's own; the
    // rest runs on the null device without one.
    std::unique_ptr<testdisplay::PrivateDisplay> display;
    if (!plan.shots.empty()) {
        display = std::make_unique<testdisplay::PrivateDisplay>();
        if (display->name().empty()) return 2;
        setenv("SDL_VIDEODRIVER", "x11", 1);
        d3d9test::SetBackend(d3d9test::Backend::GL);
        d3d9test::SetPresentCapture(true);
    } else {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        d3d9test::SetBackend(d3d9test::Backend::Null);
    }
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::filesystem::create_directories(folder + "/run");
    setenv("XDG_RUNTIME_DIR", (folder + "/run").c_str(), 1);
    platform::SetProgramFolderOverride(folder);
    platform::SetMessageBoxRecording(true);
    platform::SetCallRecording(true);
    platform::UseVirtualClock(true);
    platform::SetVirtualClockHook(ClockTick, nullptr);
    platform::SetWallClock(plan.seed);
    Autopilot pilot(plan);
    gAutopilot = &pilot;
    SetInputSource(&kAutopilotPads);
    Kestra::SetGameFunctions(ConfigureApplication, RunGame, OnWindowMessage);
    const int status = Kestra::Boot(GetModuleHandleA(nullptr), 0, nullptr);
    for (const platform::RecordedMessageBox& box : platform::RecordedMessageBoxes())
        pilot.Ended("a message box: " + box.text, true);
    pilot.Ended("the program ended before the title's quit");
#if defined(__SANITIZE_ADDRESS__)
    // The child leaves by _exit, where the leak checker would not look.
    if (__lsan_do_recoverable_leak_check() != 0) pilot.Ended("LeakSanitizer found leaks", true);
#endif
    pilot.Write(folder + "/record.txt");
    return status;
}

}  // namespace

std::string MusicName(const std::string& file) {
    std::string name = file;
    if (name.rfind("BGM/", 0) == 0) name = name.substr(4);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".ogg") == 0) name.resize(name.size() - 4);
    return name;
}

std::string OpenScoreText() {
    cScoreData data;
    FillDefaultScores(data);
    for (int32_t team = 0; team < 2; ++team) {
        data.bestStage[team][0] = data.bestStage[team][1] = 7;
        data.clearCount[team][1] = 1;
    }
    return BuildScoreText(data);
}

std::string TableRows(const std::string& route, const RunRecord& r) {
    std::string out;
    char line[512];
    for (const StageRecord& s : r.stages) {
        std::string talks;
        for (int32_t lines : s.talkLines) talks += (talks.empty() ? "" : "+") + std::to_string(lines);
        std::string music;
        for (const std::string& m : s.music) music += (music.empty() ? "" : ">") + m;
        std::string unpaid;
        for (const std::string& u : s.unpaid) unpaid += (unpaid.empty() ? "" : ",") + u;
        std::snprintf(line, sizeof line, "%-26s %4d %5d %7lld %7d %7d %7d %5d %7d %7d %11lld %-7s %6d  %-16s %s\n",
                      route.c_str(), s.game, s.stage, static_cast<long long>(s.frames), s.fights[0], s.fights[1],
                      s.spawned, s.gone, s.attacks, s.bonuses, static_cast<long long>(s.bonusTotal),
                      unpaid.empty() ? "-" : unpaid.c_str(), s.misses, talks.empty() ? "-" : talks.c_str(),
                      music.empty() ? "-" : music.c_str());
        out += line;
    }
    for (const GameRecord& g : r.games) {
        std::string music;
        for (const std::string& m : g.music) music += (music.empty() ? "" : ">") + m;
        std::snprintf(line, sizeof line,
                      "%-26s %4d result: stage %d, score %d, rank %d, row \"%s\", best stage %d, clears %d, "
                      "stock %d; music %s\n",
                      route.c_str(), g.index, g.resultStage, g.resultScore, g.rank, g.row.c_str(), g.bestStage,
                      g.clears, g.stock, music.c_str());
        out += line;
    }
    if (!r.failure.empty()) out += route + " FAILED: " + r.failure + "\n";
    return out;
}

void WriteTable(const std::string& key, const std::string& rows) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(QUENRITH_BINARY_DIR) / "playthrough";
    fs::create_directories(folder / "rows");
    // Runs finish side by side: each file is written whole under another
    // name and then renamed into place.
    const std::string unique = "." + std::to_string(getpid());
    const auto put = [&](const fs::path& file, const std::string& text) {
        testsupport::WriteFile(file.string() + unique, text);
        fs::rename(file.string() + unique, file);
    };
    put(folder / "rows" / (key + ".txt"), rows);
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder / "rows"))
        if (entry.path().extension() == ".txt") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    // frames: game frames of the stage; fight-a / fight-b: the fight of boss
    // slot A and B, from its arrival to its defeat (0: none beaten); spawned /
    // gone: enemies that came into the field and left it (destroyed or out of
    // view); attacks: the bosses' attack phases seen; bonuses: named attacks
    // paid; unpaid: named attacks that paid none, by slot and phase; misses:
    // lives lost; talks: the lines of each talk run; music: asked for in the
    // stage, in order.
    std::string table =
        "route                      game stage  frames fight-a fight-b spawned  gone attacks bonuses bonus-total "
        "unpaid  misses  talks            music\n";
    for (const fs::path& f : files) table += testsupport::ReadFile(f.string());
    put(folder / "table.txt", table);
}

RunRecord Play(const Plan& plan) {
    testsupport::TempDir dir;
    const std::string folder = dir.path();
    programsteps::PrepareDemoFolder(folder);
    std::filesystem::create_symlink(testsupport::BinaryDir() + "/Torvi.so", folder + "/Torvi.so");
    testsupport::WriteFile(folder + "/KeyMap.ini", kKeyMap);
    for (const auto& [path, bytes] : plan.files) testsupport::WriteFile(folder + "/" + path, bytes);
    if (!plan.scoreText.empty()) {
        std::string bytes = plan.scoreText;
        for (char& c : bytes) c = static_cast<char>(~static_cast<unsigned char>(c));
        testsupport::WriteFile(folder + "/save/score.dat", bytes);
    }
    const pid_t parent = getpid();
    const int status = testsupport::RunInChild([&] {
        testdisplay::EndWithParent(parent);  // the run, and its X server, end with the test
        return RunChild(plan, folder);
    });
    RunRecord r = Read(folder + "/record.txt");
    r.status = status;
    if (!testsupport::FileExists(folder + "/record.txt")) r.failure = "the run left no record";
    if (status != 0 && r.failure.empty()) r.failure = "the program's process ended with status " + std::to_string(status);
    return r;
}

}  // namespace wholegame
