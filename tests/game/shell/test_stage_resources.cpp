// What each stage loads into which slot, and what its release gives back.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "engine/core/KestraSound.h"
#include "game/shell/GameTables.h"
#include "game/shell/LoadTables.h"
#include "game/shell/StageResources.h"
#include "game/shell/Stages.h"
#include "game/state/GameGlobals.h"
#include "game/state/SpriteTable.h"
#include "tests/engine/graphics/sprite_test_env.h"
#include "tests/game/shell/effect_probe.h"
#include "tests/game/shell/shell_fixture.h"
#include "tests/support/records.h"

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
    EXPECT_EQ(files.size(), 13u);  // each file's slot: the start-up loads' record
    EXPECT_EQ(GameState.subState, kSubStatePlay);
}

TEST_F(StageResources, ReleasesPrintOneLinePerSlot) {
    const size_t lines[] = {6, 8, 8, 6, 13, 0};
    for (int32_t stage = 1; stage <= kExtraStage; ++stage)
        EXPECT_EQ(Releases(Output([stage] { ReleaseStageResources(stage); })), lines[stage - 1]) << stage;
    EXPECT_EQ(Releases(Output([] { ReleaseStage(); })), 40u);
    EXPECT_EQ(SoundTable.gisiki, kNoSound);
    EXPECT_TRUE(LoadedFiles(Output([] { LoadStageResources(7); })).empty());
}

// ---- What every stage loader puts where, for both teams ----------------------

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
        std::vector<FileLoad> loads(std::begin(kCommonLoads), std::end(kCommonLoads));
        loads.insert(loads.end(), std::begin(kTeamPortraits), std::end(kTeamPortraits));
        for (const Stage* stage : kStages) loads.insert(loads.end(), stage->files.begin(), stage->files.end());
        for (const FileLoad& l : loads) {
            if (l.sound) {
                testsupport::WriteFile(data + "/" + l.file,
                                       torvitest::Wave(1, 1, 16, 22050, std::string(2205 * 2, '\0')));
                continue;
            }
            if (widthOf_.count(l.file)) continue;
            const uint32_t width = static_cast<uint32_t>(widthOf_.size()) + 1;
            widthOf_[l.file] = width;
            fileOfWidth_[width] = l.file;
            std::filesystem::create_directories(std::filesystem::path(data + "/" + l.file).parent_path());
            testsupport::WriteFile(data + "/" + l.file,
                                   spritetest::MakeTga(width, 1, std::vector<uint32_t>(width, 0xFF808080u)));
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
    records::Fnv h;  // what each stage and team ends up holding, so a row's team or slot is pinned too
    const auto record = [&] {
        for (const auto& [slot, loaded] : Slots()) h.Add(slot, loaded.second), h.Text(loaded.first);
        ForEachStageSound([&](uint32_t cSoundTable::*s) { h.Add(KestraSound::GetSlot(SoundTable.*s) != nullptr); });
    };
    for (int32_t stage = 1; stage <= kExtraStage; ++stage)
        for (int32_t team : {1, 2}) {
            SCOPED_TRACE(testing::Message() << "stage " << stage << " team " << team);
            EmptyTable();
            GameState.team = team;
            testing::internal::CaptureStdout();
            LoadStageResources(stage);
            const std::string out = testing::internal::GetCapturedStdout();

            // The slots loaded, and those kept until the game scene is left, are in the record.
            const Stage& row = *kStages[stage - 1];
            std::vector<std::string> order;
            for (const FileLoad& l : row.files) {
                if (!IsFor(l.who, team)) continue;
                if (l.sound) {
                    const KestraSoundSlot* slot = KestraSound::GetSlot(SoundTable.*l.sound);
                    ASSERT_NE(slot, nullptr) << l.file;
                    EXPECT_STREQ(slot->name, l.file);
                    continue;
                }
                order.push_back(l.file);
            }
            EXPECT_EQ(LoadedFiles(out), order);
            for (const std::string& f : order) h.Text(f);
            record();

            testing::internal::CaptureStdout();
            ReleaseStageResources(stage);
            testing::internal::GetCapturedStdout();
            if (row.released)
                for (const FileLoad& l : row.files)
                    if (l.sound) EXPECT_EQ(SoundTable.*l.sound, kNoSound) << l.file;
            record();
        }
    EXPECT_EQ(records::Check("tests/game/shell/scene_records.txt", "stage-loads", h.h), "");
}

// The start-up effects: the file in each handle of the sound table, by its
// place there, which the game's tables give back; then the common sheets in
// their slots, against the record.
TEST_F(StageSlots, StartUpEffectsAndCommonSheetsFillTheirOwnHandlesAndSlots) {
    for (const EffectLoad& e : kStartupEffects)
        testsupport::WriteFile(dir_.path() + "/data/SE/" + e.name + ".wav",
                               torvitest::Wave(1, 1, 16, 22050, std::string(2205 * 2, '\0')));
    char previous[1024] = {};
    GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(dir_.path().c_str()));  // for the score and volume files
    testing::internal::CaptureStdout();
    LoadSoundsAndFonts();
    uint32_t handles[sizeof(cSoundTable) / sizeof(uint32_t)];
    static_assert(sizeof handles == sizeof(cSoundTable));  // the table is handles only
    std::memcpy(handles, &SoundTable, sizeof handles);
    records::Fnv h;
    for (uint32_t handle : handles) {
        const KestraSoundSlot* slot = KestraSound::GetSlot(handle);
        h.Text(slot ? slot->name : "-");
    }
    ReleaseGameTables();
    testing::internal::GetCapturedStdout();
    SetCurrentDirectoryA(previous);
    for (const EffectLoad& e : kStartupEffects) EXPECT_EQ(SoundTable.*e.handle, kNoSound) << e.name;
    // Then the sheets common to every stage, with each team's portraits: the file and capacity of each slot.
    for (int32_t team : {1, 2}) {
        EmptyTable();
        GameState.team = team;
        testing::internal::CaptureStdout();
        LoadCommonSprites(GameState);
        testing::internal::GetCapturedStdout();
        for (const auto& [slot, loaded] : Slots()) h.Add(slot, loaded.second), h.Text(loaded.first);
    }
    EXPECT_EQ(records::Check("tests/game/shell/scene_records.txt", "startup-loads", h.h), "");
}

}  // namespace
