// What each stage loads into which slot, and what its release gives back.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "engine/core/KestraSound.h"
#include "game/shell/StageResources.h"
#include "game/state/GameGlobals.h"
#include "game/state/SpriteTable.h"
#include "tests/engine/graphics/sprite_test_env.h"
#include "tests/game/shell/effect_probe.h"
#include "tests/game/shell/shell_fixture.h"

namespace {

// The files named by the load lines of the captured output, in order.
std::vector<std::string> LoadedFiles(const std::string& out) {
    std::vector<std::string> files;
    static const std::regex line(R"(filename: ([^\n]+)\n)");
    for (auto it = std::sregex_iterator(out.begin(), out.end(), line); it != std::sregex_iterator(); ++it)
        files.push_back((*it)[1]);
    return files;
}

size_t Releases(const std::string& out) {
    const std::string line = "【releaseSprite】\n";  // the program's own bytes
    size_t n = 0;
    for (size_t at = out.find(line); at != std::string::npos; at = out.find(line, at + 1)) ++n;
    return n;
}

class StageResources : public shelltest::ShellFolder {
protected:
    void SetUp() override {
        ShellFolder::SetUp();
        SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
    }
    template <typename F>
    std::string Output(F body) {
        testing::internal::CaptureStdout();
        body();
        return testing::internal::GetCapturedStdout();
    }
};

TEST_F(StageResources, CommonSpritesFollowTheTeamAndEndInPlay) {
    GameState.team = 2;
    GameState.subState = kSubStateTally;
    const auto files = LoadedFiles(Output([] { LoadCommonSprites(GameState); }));
    ASSERT_EQ(files.size(), 13u);
    EXPECT_EQ(files[0], "img/particle.png");
    EXPECT_EQ(files[1], "img/particle.png");
    EXPECT_EQ(files[4], "img/addeffect.png");
    EXPECT_EQ(files[10], "img/commonenemy.png");
    EXPECT_EQ(files[11], "img/talk/st_osero.png");
    EXPECT_EQ(files[12], "img/talk/st_cheska.png");
    EXPECT_EQ(GameState.subState, kSubStatePlay);
}

TEST_F(StageResources, ReleasesPrintOneLinePerSlot) {
    EXPECT_EQ(Releases(Output([] { ReleaseStage1Resources(); })), 6u);
    EXPECT_EQ(Releases(Output([] { ReleaseStage2Resources(); })), 8u);
    EXPECT_EQ(Releases(Output([] { ReleaseStage3Resources(); })), 8u);
    EXPECT_EQ(Releases(Output([] { ReleaseStage4Resources(); })), 6u);
    EXPECT_EQ(Releases(Output([] { ReleaseStage5Resources(); })), 13u);
    EXPECT_EQ(Releases(Output([] { ReleaseStage(); })), 40u);
    EXPECT_EQ(SoundTable.gisiki, kNoSound);
    EXPECT_TRUE(LoadedFiles(Output([] { LoadStageResources(7); })).empty());
}

// ---- What every stage loader puts where, for both teams ----------------------

struct Load {
    int32_t slot;
    std::string file;
    uint32_t capacity;
};
struct StageCase {
    int32_t stage;
    int32_t team;
    std::vector<Load> loads;  // in the order loaded
    std::vector<std::pair<uint32_t cSoundTable::*, std::string>> sounds;
    std::vector<int32_t> released;  // slots the stage's release empties
};

std::string Lettering(int32_t stage, int32_t team) {
    return "img/system/StageTitleFont0" + std::to_string(stage) + "_" + std::to_string(team) + ".png";
}

std::vector<StageCase> StageCases() {
    std::vector<StageCase> cases;
    for (int32_t team : {1, 2}) {
        cases.push_back({1, team,
                         {{36, "img/Stage01BG.png", 1800}, {5, "img/Stage01Enemy.png", 1800},
                          {28, "img/cutin_shamyu.png", 1800}, {33, "img/St01_Boss.png", 1800},
                          {32, "img/mahoujin_boss.png", 1800}, {16, "img/talk/st_shamyu.png", 1800},
                          {38, Lettering(1, team), 1800}},
                         {},
                         {36, 28, 5, 33, 32, 38}});
        cases.push_back({2, team,
                         {{35, "img/Stage02BG_back.png", 1800}, {36, "img/Stage02BG.png", 1800},
                          {33, "img/St02_Boss.png", 1800}, {28, "img/cutin_fururu.png", 1800},
                          {5, "img/Stage02Enemy.png", 1800}, {32, "img/mahoujin_boss.png", 1800},
                          {19, "img/talk/st_fururu.png", 1800}, {38, Lettering(2, team), 1800}},
                         {},
                         {35, 36, 33, 28, 5, 32, 19, 38}});
        cases.push_back({3, team,
                         {{35, "img/Stage03BG_back.png", 1800}, {36, "img/Stage03BG.png", 1800},
                          {28, "img/cutin_still.png", 1800}, {5, "img/Stage03Enemy.png", 1800},
                          {32, "img/mahoujin_boss.png", 1800}, {33, "img/St03_Boss.png", 1800},
                          {18, "img/talk/st_still.png", 1800}, {38, Lettering(3, team), 1800}},
                         {{&cSoundTable::rt_laser20, "SE/rt_laser20.wav"},
                          {&cSoundTable::shatter, "SE/shatter.wav"},
                          {&cSoundTable::raser_long_stage3, "SE/raser_long.wav"}},
                         {35, 28, 36, 5, 32, 33, 18, 38}});
        cases.push_back({4, team,
                         {{36, "img/Stage04BG.png", 1800}, {28, "img/cutin_mono.png", 1800},
                          {5, "img/Stage04Enemy.png", 1800}, {32, "img/mahoujin_boss.png", 1800},
                          {33, "img/St04_Boss.png", 1800}, {20, "img/talk/st_momo.png", 1800},
                          {21, "img/talk/st_nono.png", 1800}, {38, Lettering(4, team), 1800}},
                         {},
                         {28, 36, 5, 32, 33, 38}});
        StageCase five{5,
                       team,
                       {{35, "img/Stage05BG_back.png", 1800}, {36, "img/Stage05BG.png", 1800},
                        {5, "img/Stage05Enemy.png", 1800}, {32, "img/mahoujin_boss.png", 1800}},
                       {},
                       {35, 28, 36, 5, 32, 33, 38, 14, 15, 17, 12, 13, 27}};
        const std::vector<Load> rival =
            team == 1 ? std::vector<Load>{{38, Lettering(5, 1), 1800}, {28, "img/cutin_osero.png", 1800},
                                          {33, "img/osero.png", 300}, {32, "img/mahoujin_osero.png", 1800},
                                          {14, "img/talk/st_osero_right.png", 300},
                                          {15, "img/talk/st_cheska_right.png", 300},
                                          {27, "img/talk/yuri_normalend.png", 300}}
                      : std::vector<Load>{{38, Lettering(5, 2), 1800}, {28, "img/cutin_crow.png", 1800},
                                          {33, "img/crow.png", 1800}, {32, "img/mahoujin_crow.png", 300},
                                          {12, "img/talk/st_yuri_right.png", 300},
                                          {13, "img/talk/st_crow_right.png", 300},
                                          {17, "img/talk/st_kohaku_right.png", 300},
                                          {27, "img/talk/cheska_normalend.png", 300}};
        five.loads.insert(five.loads.end(), rival.begin(), rival.end());
        cases.push_back(five);
        StageCase six{6,
                      team,
                      {{36, "img/Stage06BG.png", 300}, {28, "img/cutin_paco.png", 300},
                       {5, "img/Stage06Enemy.png", 1800}, {32, "img/mahoujin_deena.png", 300},
                       {33, "img/St06_Boss_01.png", 300}, {17, "img/talk/st_kohaku.png", 300},
                       {23, "img/talk/st_copic.png", 300}, {22, "img/talk/st_palet.png", 300},
                       {24, "img/talk/st_deena.png", 300}},
                      {{&cSoundTable::princessbomb_laser, "SE/princessbomb_laser.wav"},
                       {&cSoundTable::gisiki, "SE/gisiki.wav"}},
                      {}};  // no release of its own
        if (team == 1)
            six.loads.insert(six.loads.end(), {{14, "img/talk/st_osero_right.png", 300},
                                               {15, "img/talk/st_cheska_right.png", 300}});
        else
            six.loads.insert(six.loads.end(), {{12, "img/talk/st_yuri_right.png", 300},
                                               {13, "img/talk/st_crow_right.png", 300}});
        six.loads.insert(six.loads.end(), {{11, "img/St06_mahoujin.png", 300},
                                           {38, "img/system/StageTitleFont06_1.png", 300},
                                           {27, "img/talk/exend.png", 300}});
        cases.push_back(six);
    }
    return cases;
}

// Every file a stage loads exists as a picture whose width tells which file it
// is, and every stage sound as a short wave: a slot shows what went into it.
class StageSlots : public spritetest::SpriteTest {
protected:
    void SetUp() override {
        SpriteTest::SetUp();
        Start(d3d9test::Backend::Null);
        GameState = cGameState();
        SpriteTable.assign(kSpriteTableSize, SpriteEntry{nullptr, nullptr});
        const std::string data = dir_.path() + "/data";
        files_.emplace(data, std::initializer_list<std::pair<const char*, uint32_t*>>{});
        for (const StageCase& c : StageCases()) {
            for (const Load& l : c.loads) {
                if (widthOf_.count(l.file)) continue;
                const uint32_t width = static_cast<uint32_t>(widthOf_.size()) + 1;
                widthOf_[l.file] = width;
                fileOfWidth_[width] = l.file;
                std::filesystem::create_directories(std::filesystem::path(data + "/" + l.file).parent_path());
                testsupport::WriteFile(data + "/" + l.file,
                                       spritetest::MakeTga(width, 1, std::vector<uint32_t>(width, 0xFF808080u)));
            }
            for (const auto& sound : c.sounds)
                testsupport::WriteFile(data + "/" + sound.second,
                                       torvitest::Wave(1, 1, 16, 22050, std::string(2205 * 2, '\0')));
        }
    }
    void TearDown() override {
        EmptyTable();
        SpriteTest::TearDown();
        files_.reset();
    }
    void EmptyTable() {
        for (SpriteEntry& e : SpriteTable) {
            KestraSprite2D::Release(e.sprite);
            KestraTexture::Release(e.texture);
            e = SpriteEntry{nullptr, nullptr};
        }
        ReleaseStage();  // the stage sounds
    }
    // The file whose picture each filled slot holds, with the sprite's capacity in quads.
    std::map<int32_t, std::pair<std::string, uint32_t>> Slots() const {
        std::map<int32_t, std::pair<std::string, uint32_t>> slots;
        for (size_t i = 0; i < SpriteTable.size(); ++i) {
            const SpriteEntry& e = SpriteTable[i];
            if (!e.sprite && !e.texture) continue;
            const auto file = e.texture ? fileOfWidth_.find(e.texture->GetImageWidth()) : fileOfWidth_.end();
            slots[static_cast<int32_t>(i)] = {file == fileOfWidth_.end() ? "?" : file->second,
                                              e.sprite ? e.sprite->GetCapacity() / 6 : 0};
        }
        return slots;
    }

    std::optional<shelltest::EffectProbe> files_;  // serves data/ and starts the sound device
    std::map<std::string, uint32_t> widthOf_;
    std::map<uint32_t, std::string> fileOfWidth_;
};

TEST_F(StageSlots, EachStageLoadsItsFilesIntoTheirSlotsAndReleasesItsOwn) {
    for (const StageCase& c : StageCases()) {
        SCOPED_TRACE(testing::Message() << "stage " << c.stage << " team " << c.team);
        EmptyTable();
        GameState.team = c.team;
        testing::internal::CaptureStdout();
        LoadStageResources(c.stage);
        const std::string out = testing::internal::GetCapturedStdout();

        std::vector<std::string> order;
        std::map<int32_t, std::pair<std::string, uint32_t>> expected;
        for (const Load& l : c.loads) {
            order.push_back(l.file);
            expected[l.slot] = {l.file, l.capacity};  // a slot loaded twice keeps the later file
        }
        EXPECT_EQ(LoadedFiles(out), order);
        EXPECT_EQ(Slots(), expected);
        for (const auto& [handle, file] : c.sounds) {
            const KestraSoundSlot* slot = KestraSound::GetSlot(SoundTable.*handle);
            ASSERT_NE(slot, nullptr) << file;
            EXPECT_STREQ(slot->name, file.c_str());
        }

        if (c.stage == 6) continue;
        testing::internal::CaptureStdout();
        ReleaseStageResources(c.stage);
        testing::internal::GetCapturedStdout();
        for (int32_t slot : c.released) expected.erase(slot);
        EXPECT_EQ(Slots(), expected);  // what the stage keeps until the game scene is left
        for (const auto& [handle, file] : c.sounds) EXPECT_EQ(SoundTable.*handle, kNoSound) << file;
    }
}

}  // namespace
