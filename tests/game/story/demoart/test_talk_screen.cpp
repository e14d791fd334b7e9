// Talk frames drawn for real (GL backend, private Xvfb) by the game scene's own
// draw, with the demo data set's art loaded by the shell's loaders for the
// stage and team. First one frame read back closely: team 2's stage-5 mid-boss
// post-fight talk at step 1, balloons over portraits, the listener at alpha
// 180, the texts inside their balloons (<build>/screenshots/talk.png). Then six
// frames of both teams' stories reached by playing the talks, saved with a
// legend for people to look at, each checked for what any talk frame promises.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraFont.h"
#include "engine/graphics/KestraFontSprite2D.h"
#include "game/shell/GameDraw.h"
#include "game/shell/StageResources.h"
#include "game/state/BossTalk.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"
#include "game/story/TalkScript.h"
#include "game/story/TalkState.h"
#include "game/story/text/CheskaStage5.h"
#include "platform/win32/cp932.h"
#include "tests/engine/graphics/sprite_test_env.h"
#include "tests/game/objects/gallery_render.h"
#include "tests/game/objects/play_harness.h"
#include "tests/game/story/talk_fixture.h"
#include "tests/support/test_support.h"

namespace {

// A boss whose draw runs a talk, as the stage bosses' draws do.
class TalkingBoss : public cBossBase {
public:
    std::function<void()> talk;
    void Draw() override { talk(); }
};

struct Box {
    int x0, y0, x1, y1;  // x1, y1 exclusive
    bool Has(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
    // Calls f(x, y) for each of its pixels.
    template <class F>
    void Each(F f) const {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) f(x, y);
    }
};

const Box kUpperPortrait{20, 50, 180, 210};
const Box kLowerPortrait{460, 290, 620, 450};
const Box kUpperBalloon{170, 70, 610, 215};
const Box kLowerBalloon{30, 300, 470, 445};
const Box kScreen{0, 0, 640, 480};

using testsupport::Channel;

// Red, green and blue, by the shifts of their channels.
constexpr int kRgb[] = {16, 8, 0};

int Difference(uint32_t a, uint32_t b) {
    int d = 0;
    for (int shift : kRgb) d = std::max(d, std::abs(Channel(a, shift) - Channel(b, shift)));
    return d;
}

bool Lit(uint32_t c) { return Channel(c, 16) + Channel(c, 8) + Channel(c, 0) > 24; }

// The screen rectangle of a recorded quad, cut to the screen.
Box BoxOf(const talktest::Draw& d) {
    return {std::max(0, int(std::floor(d.dst[0]))), std::max(0, int(std::floor(d.dst[1]))),
            std::min(640, int(std::ceil(d.dst[0] + d.dst[2]))), std::min(480, int(std::ceil(d.dst[1] + d.dst[3])))};
}

// The talk window's sheets: portraits 12 to 24, balloons, name cards.
bool IsTalkSheet(int32_t slot) { return slot >= sheet::kYuriPortrait && slot <= sheet::kNameCards; }
constexpr int32_t kBalloons = sheet::kBalloons, kEndingPicture = sheet::kEnding, kBackLayer = sheet::kBackLayer,
                  kFrontLayer = sheet::kFrontLayer;

// As a final boss's ending draws it once faded in: the whole picture, opaque.
void DrawEndingPicture() {
    const float whole[4] = {0, 0, 640, 480};
    DrawSpriteEntry(kEndingPicture, whole, 32767.0f, whole, 0xFFFFFFFFu, 0, 0.0f, 0.0f);
}

class TalkScreen : public spritetest::SpriteTest {
protected:
    void StartGl() override {
        spritetest::SpriteTest::StartGl();
        ASSERT_TRUE(KestraFont::Initialize());
        ASSERT_TRUE(KestraFontSprite2D::Initialize());
    }
    void FinishDevice() override {
        KestraFontSprite2D::Finalize();
        KestraFont::Finalize();
        spritetest::SpriteTest::FinishDevice();
    }

    // The body runs in the set's folder with what a game of `team` loads at its
    // start and at `stage`, font 0, and a boss in slot A whose draw runs boss_->talk.
    void InDemoStage(int32_t team, int32_t stage, const std::function<void()>& body) {
        const std::string data = std::string(QUENRITH_DEMODATA_DIR) + "/data";
        ASSERT_TRUE(std::filesystem::is_regular_file(data + "/font.lfd")) << "the demo data set is not written";
        InGl(
            [&] {
                ASSERT_TRUE(SetCurrentDirectoryA(data.c_str()));
                playtest::ResetField(1);
                SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
                FontTable.assign(kFontTableSize, nullptr);
                GameState.team = team;
                GameState.stage = stage;
                GameState.difficulty = 1;
                testing::internal::CaptureStdout();  // the loaders' console lines
                LoadCommonSprites(GameState);
                LoadStageResources(stage);
                testing::internal::GetCapturedStdout();
                GameState.subState = kSubStateDialogue;
                FontTable[0] = KestraFontSprite2D::CreateFromFile("font.lfd", ".tga", 1, 1024, 0, 14);
                ASSERT_NE(FontTable[0], nullptr);
                for (int slot : {kBalloons, 26}) ASSERT_NE(SpriteTable[size_t(slot)].texture, nullptr) << slot;
                boss_ = new TalkingBoss;
                boss_->active = 1;
                BossA = boss_;
                body();
            },
            [&] {
                BossA = nullptr;
                delete boss_;
                boss_ = nullptr;
                for (CFontSprite2D* f : FontTable) KestraFontSprite2D::Release(f);
                FontTable.clear();
                for (SpriteEntry& e : SpriteTable) {
                    KestraSprite2D::Release(e.sprite);
                    KestraTexture::Release(e.texture);
                }
                SpriteTable.clear();
                playtest::ClearField();
                TalkState = cTalkState();
            });
    }

    // One game-scene frame over black, read back.
    static d3d9test::Image Scene() {
        EXPECT_TRUE(Kestra3D::Clear(1, 0xFF000000u, 1.0f, 0, nullptr));
        DrawGameScene(GameState);
        return d3d9test::ReadRenderTarget(Kestra3D::GetDevice());
    }

    // What `draw` shows with the slots' sprites (and font 0) left out.
    static d3d9test::Image Hidden(const std::vector<int32_t>& slots, bool font,
                                  const std::function<d3d9test::Image()>& draw) {
        std::vector<CSprite2D*> kept;
        for (int32_t s : slots) kept.push_back(std::exchange(SpriteTable[size_t(s)].sprite, nullptr));
        CFontSprite2D* keptFont = font ? std::exchange(FontTable[0], nullptr) : nullptr;
        const d3d9test::Image image = draw();
        for (size_t i = 0; i < slots.size(); ++i) SpriteTable[size_t(slots[i])].sprite = kept[i];
        if (font) FontTable[0] = keptFont;
        return image;
    }

    // One game-scene frame of the talk at step 1: Cheska in place (her counter
    // reaches 20), Crow listening; nothing pressed.
    // `adjust` may change the window's state before the frame.
    d3d9test::Image Frame(const std::function<void()>& talk, const std::function<void()>& adjust = nullptr) {
        TalkState = cTalkState();
        TalkState.step = 1;
        TalkState.slideCounter[talk::Cheska] = 19;
        TalkState.slideCounter[talk::Crow] = 19;
        if (adjust) adjust();
        playtest::SetButtons(0, 0);
        playtest::SetButtons(0, 0);
        boss_->talk = talk;
        return Scene();
    }

    TalkingBoss* boss_ = nullptr;
};

TEST_F(TalkScreen, ATalkFrameShowsBalloonsOverPortraitsTheListenerDimmedAndTheTextsInside) {
    InDemoStage(2, 5, [&] {
        // Measured over black: the stage's layers out of the way.
        testing::internal::CaptureStdout();
        for (int32_t layer : {kBackLayer, kFrontLayer}) releaseSprite(layer);
        testing::internal::GetCapturedStdout();
        const d3d9test::Image full = Frame(UpdateTalkCheskaStage5MidAfter);
        ASSERT_FALSE(gallerygl::WriteScreenshot(full, "talk").empty());
        auto at = [](const d3d9test::Image& i, int x, int y) { return i.at(UINT(x), UINT(y)); };

        // The layers: with the balloons moved onto the portraits, the frame shows
        // the upper balloon's pixel (opaque, Cheska speaks) wherever it covers
        // her portrait, never the portrait's.
        const auto onPortraits = [] {
            TalkState.upperBalloonPos[0] = 0;
            TalkState.upperBalloonPos[1] = 60;
            TalkState.lowerBalloonPos[0] = 300;
            TalkState.lowerBalloonPos[1] = 300;
        };
        const auto without = [&](const std::vector<int32_t>& slots) {
            return Hidden(slots, false, [&] { return Frame(UpdateTalkCheskaStage5MidAfter, onPortraits); });
        };
        const d3d9test::Image covered = without({}), noBalloons = without({kBalloons}), noPortraits = without({13, 15});
        ASSERT_FALSE(gallerygl::WriteScreenshot(covered, "talk_layers").empty());
        int overlap = 0, balloonWins = 0, portraitWins = 0;
        kUpperPortrait.Each([&](int x, int y) {
            const uint32_t b = at(noPortraits, x, y), p = at(noBalloons, x, y), f = at(covered, x, y);
            if (!Lit(b) || !Lit(p) || Difference(b, p) < 24) return;
            ++overlap;
            balloonWins += Difference(f, b) <= 3;
            portraitWins += Difference(f, p) <= 3;
        });
        EXPECT_GT(overlap, 500);
        EXPECT_GT(balloonWins, overlap * 9 / 10) << "of " << overlap;
        EXPECT_LT(portraitWins, overlap / 20) << "of " << overlap;

        // The listener: Crow dimmed to alpha 180 beside Cheska at full alpha.
        // Against the same frame with Crow speaking in place at alpha 255, his
        // pixels (outside the balloon) come out at 180/255 of their brightness.
        using namespace talk;
        namespace text = talktext::CheskaStage5;
        static constexpr TalkStep kCrowSpeaks[] = {
            Line(1, Speak(Cheska, 14, text::midAfter1), Speak(Crow, 0, text::midAfter0), Next(2)),
        };
        static constexpr TalkScript kTalk{kCrowSpeaks, {NextPhaseA, ResetWindow}};
        const d3d9test::Image speaking = Frame([] { RunTalk(kTalk); });
        double dimmed = 0, bright = 0;
        Box{kLowerBalloon.x1, kLowerPortrait.y0, kLowerPortrait.x1, kLowerPortrait.y1}.Each([&](int x, int y) {
            for (int shift : kRgb) {
                dimmed += Channel(at(full, x, y), shift);
                bright += Channel(at(speaking, x, y), shift);
            }
        });
        ASSERT_GT(bright, 0.0);
        EXPECT_NEAR(dimmed / bright, 180.0 / 255.0, 0.02);
        // Cheska speaks: her pixels are the same in both frames.
        int same = 0, lit = 0;
        Box{kUpperPortrait.x0, kUpperPortrait.y0, kUpperBalloon.x0, kUpperPortrait.y1}.Each([&](int x, int y) {
            if (!Lit(at(full, x, y))) return;
            ++lit;
            same += Difference(at(full, x, y), at(speaking, x, y)) <= 1;
        });
        EXPECT_GT(lit, 1000);
        EXPECT_EQ(same, lit);
        // The texts on the balloons: checked with every talk frame's promises among the shots below.
    });
}

// A frame of a team's story as a player meets it: the talk played from step 0
// with player 1's button (ELEMENT held, or SHOT pushed every other frame) to
// `step`, then read there for a second with nothing pressed, so portraits come
// to rest and a name card has faded in.
struct Shot {
    const char* file;  // <build>/screenshots/<file>.png
    int32_t team, stage;
    void (*talk)();
    int32_t step;
    uint16_t button;
    bool overEnding;  // an epilogue: the ending picture behind, as the final boss draws it
    const char* shows;
};

const Shot kShots[] = {
    {"talk_team2_stage5_midafter", 2, 5, UpdateTalkCheskaStage5MidAfter, 1, PAD_ELEMENT, false,
     "talk.png's talk and step over the mansion's floor: Cheska speaking above, Crow dimmed at the lower right"},
    {"talk_team1_stage1_before", 1, 1, UpdateTalkYuriStage1Before, 1, PAD_ELEMENT, false,
     "Yuri speaking above, her name card below; Shamyu dimmed at the lower right; the grassland behind"},
    {"talk_team1_stage3_step12", 1, 3, UpdateTalkYuriStage3Before, 12, PAD_SHOT, false,
     "Yuri gone off screen: her call in the upper balloon of the second style, no portrait, the text 20 px "
     "right; nothing below"},
    {"talk_team1_stage5_ending", 1, 5, UpdateTalkYuriStage5Ending, 12, PAD_ELEMENT, true,
     "over team 1's ending picture: Crow dimmed above, Cheska speaking below in three rows"},
    {"talk_team2_stage2_before", 2, 2, UpdateTalkCheskaStage2Before, 1, PAD_SHOT, false,
     "Cheska dimmed above; Fururu speaking at the lower right, her name card; the sky garden behind"},
    {"talk_team2_stage5_after", 2, 5, UpdateTalkCheskaStage5After, 114, PAD_ELEMENT, false,
     "deep in the long talk in the mansion: Cheska speaking above in three rows, Kohaku dimmed below"},
    {"talk_team2_stage6_ending", 2, 6, UpdateTalkCheskaStage6Ending, 3, PAD_ELEMENT, true,
     "over the extra ending picture: Cheska speaking above, Crow dimmed below"},
};

// The pixels of a frame that are not black.
std::vector<bool> LitPixels(const d3d9test::Image& image) {
    std::vector<bool> lit(image.pixels.size());
    for (size_t i = 0; i < lit.size(); ++i) lit[i] = Lit(image.pixels[i]);
    return lit;
}

class TalkShots : public TalkScreen {
protected:
    // Plays the shot's talk to its step, saves the frame and checks it; the
    // legend's entry.
    std::string Shoot(const Shot& s) {
        TalkState = cTalkState();
        boss_->talk = [&s] {
            if (s.overEnding) DrawEndingPicture();
            s.talk();
        };
        int frames = 0;
        for (; TalkState.step != s.step && frames < 400; ++frames) {
            playtest::SetButtons(0, s.button == PAD_SHOT && frames % 2 ? 0 : s.button);
            Scene();
        }
        EXPECT_EQ(TalkState.step, s.step) << "the talk never stands at its step";
        playtest::SetButtons(0, 0);
        playtest::SetButtons(0, 0);
        for (int i = 0; i < 60; ++i) Scene();
        reading_ = TalkState;

        talktest::DrawRecorder recorder;
        const d3d9test::Image full = Scene();
        const std::vector<talktest::Draw> draws = recorder.Take();
        EXPECT_FALSE(gallerygl::WriteScreenshot(full, s.file).empty());
        CheckFrame(s, draws);

        std::string legend = std::string(s.file) + ".png: " + talktest::NameOf(s.talk) + ", step " +
                             std::to_string(s.step) + ", " + (s.button == PAD_SHOT ? "SHOT pushed" : "ELEMENT held") +
                             " from step 0 (" + std::to_string(frames) + " frames), then read for 60 frames\n" +
                             "  shows: " + s.shows + "\n";
        for (const talktest::Draw& d : talktest::OfSlot(draws, -1)) {
            std::string words = platform::Cp932ToUtf8(d.text);
            for (size_t at = words.find('\n'); at != std::string::npos; at = words.find('\n', at))
                words.replace(at, 1, " / ");
            legend += "  text at (" + std::to_string(d.x) + ", " + std::to_string(d.y) + "): " + words + "\n";
        }
        return legend;
    }

    // The frame read again, with only these sheets (and font 0 if asked) shown.
    d3d9test::Image Only(const std::set<int32_t>& keep, bool font) {
        std::vector<int32_t> hide;
        for (int32_t slot = 0; slot < int32_t(kSpriteTableSize); ++slot)
            if (!keep.count(slot)) hide.push_back(slot);
        return Hidden(hide, !font, [&] {
            TalkState = reading_;
            return Scene();
        });
    }

    // What any talk frame promises, from its draws and the pixels read back.
    void CheckFrame(const Shot& s, const std::vector<talktest::Draw>& draws) {
        // Nothing is drawn past the screen, and every text starts on it.
        std::set<int32_t> sheets;
        std::vector<Box> windowBoxes;
        for (const talktest::Draw& d : draws) {
            if (d.IsText()) {
                EXPECT_TRUE(d.x >= 0 && d.x < 640 && d.y >= 0 && d.y < 480) << talktest::Describe(d);
                continue;
            }
            EXPECT_TRUE(d.dst[0] >= 0 && d.dst[1] >= 0 && d.dst[0] + d.dst[2] <= 640 && d.dst[1] + d.dst[3] <= 480)
                << talktest::Describe(d);
            if (IsTalkSheet(d.slot)) {
                sheets.insert(d.slot);
                windowBoxes.push_back(BoxOf(d));
            }
        }
        ASSERT_TRUE(sheets.count(kBalloons));

        // Each talk sheet draws something, and only inside its rectangles.
        for (int32_t slot : sheets) {
            std::vector<Box> boxes;
            int area = 0;
            for (const talktest::Draw& d : talktest::OfSlot(draws, slot)) {
                boxes.push_back(BoxOf(d));
                area += int(d.dst[2] * d.dst[3]);
            }
            const std::vector<bool> lit = LitPixels(Only({slot}, false));
            int inside = 0, outside = 0;
            kScreen.Each([&](int x, int y) {
                if (!lit[size_t(y) * 640 + size_t(x)]) return;
                const bool in = std::any_of(boxes.begin(), boxes.end(), [&](const Box& b) { return b.Has(x, y); });
                (in ? inside : outside)++;
            });
            EXPECT_GT(inside, area / 5) << "slot " << slot;
            EXPECT_EQ(outside, 0) << "slot " << slot;
        }

        // Every text's pixels lie on a balloon's body, and each text has some.
        const std::vector<bool> balloon = LitPixels(Only({kBalloons}, false));
        const std::vector<bool> text = LitPixels(Only({}, true));
        int offBalloon = 0;
        for (size_t i = 0; i < text.size(); ++i) offBalloon += text[i] && !balloon[i];
        EXPECT_EQ(offBalloon, 0);
        for (const talktest::Draw& d : talktest::OfSlot(draws, -1)) {
            int pixels = 0;
            Box{d.x, d.y, 640, std::min(480, d.y + 60)}.Each(
                [&](int x, int y) { pixels += text[size_t(y) * 640 + size_t(x)]; });
            EXPECT_GT(pixels, 150) << talktest::Describe(d);
        }

        // What stands behind the window: the ending picture over the whole
        // screen, or the stage's front layer. It shows unchanged wherever the
        // window draws nothing, and the window covers it where a balloon is.
        const int32_t backdrop = s.overEnding ? kEndingPicture : kFrontLayer;
        EXPECT_TRUE(std::any_of(draws.begin(), draws.end(), [&](const talktest::Draw& d) { return d.slot == backdrop; }))
            << "slot " << backdrop;
        std::set<int32_t> window = sheets;
        window.insert(backdrop);
        const d3d9test::Image behind = Only({backdrop}, false), over = Only(window, true);
        int shown = 0, differs = 0, covered = 0, balloonPixels = 0, lit = 0;
        kScreen.Each([&](int x, int y) {
            const size_t i = size_t(y) * 640 + size_t(x);
            lit += Lit(behind.pixels[i]);
            if (balloon[i] && !text[i]) {
                ++balloonPixels;
                covered += Difference(over.pixels[i], behind.pixels[i]) > 8;
            }
            if (std::none_of(windowBoxes.begin(), windowBoxes.end(), [&](const Box& b) { return b.Has(x, y); })) {
                ++shown;
                differs += over.pixels[i] != behind.pixels[i];
            }
        });
        EXPECT_GT(shown, 640 * 480 / 5);
        EXPECT_EQ(differs, 0);
        EXPECT_GT(covered, balloonPixels * 9 / 10) << "of " << balloonPixels;
        EXPECT_TRUE(!s.overEnding || lit > 640 * 480 * 9 / 10) << lit << " pixels of the picture lit";
    }

    cTalkState reading_;
};

TEST_F(TalkShots, BothTeamsStoriesShowTheirTalksOverTheStageAndTheEndings) {
    const std::filesystem::path folder = std::filesystem::path(QUENRITH_BINARY_DIR) / "screenshots";
    std::filesystem::create_directories(folder);
    const std::filesystem::path legend = folder / "talk_frames.txt";
    std::ofstream(legend) << "Talk frames of both teams' stories, drawn by the game scene with the demo data.\n"
                             "Each talk is played from step 0 with player 1's button to its step and read there.\n\n";
    for (const Shot& s : kShots) {
        SCOPED_TRACE(s.file);
        // Each frame is drawn in a child of its own: it adds its entry there.
        InDemoStage(s.team, s.stage, [&] { std::ofstream(legend, std::ios::app) << Shoot(s) << "\n"; });
    }
}

}  // namespace
