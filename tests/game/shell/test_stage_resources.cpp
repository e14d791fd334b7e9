// What each stage loads into which slot, and what its release gives back.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "game/shell/StageResources.h"
#include "game/state/SpriteTable.h"
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

TEST_F(StageResources, TheStageTitleAndTheRivalFollowPlayerOnesCharacter) {
    GameState.team = 1;
    auto files = LoadedFiles(Output([] { LoadStage1Resources(); }));
    EXPECT_EQ(files.back(), "img/system/StageTitleFont01_1.png");
    GameState.team = 2;
    files = LoadedFiles(Output([] { LoadStage4Resources(); }));
    EXPECT_EQ(files.back(), "img/system/StageTitleFont04_2.png");
    files = LoadedFiles(Output([] { LoadStage5Resources(); }));
    EXPECT_EQ(files[4], "img/system/StageTitleFont05_2.png");
    EXPECT_EQ(files.back(), "img/talk/cheska_normalend.png");
    GameState.team = 1;
    files = LoadedFiles(Output([] { LoadStage5Resources(); }));
    EXPECT_EQ(files.back(), "img/talk/yuri_normalend.png");
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

}  // namespace
