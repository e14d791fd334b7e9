// The talks as a script people can read through: every talk of a team in play
// order, as "speaker: line", listener lines and narration marked, written to
// <build>/story/team1.txt and team2.txt. Walking every talk from step 0 also
// proves that each one reaches its end step.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "game/story/TalkScripts.h"
#include "platform/win32/cp932.h"

namespace {

using namespace talk;

const char* const kNames[kCharacterCount] = {"Yuri",  "Crow", "Cheska", "Osero",  "Shamyu", "Fururu", "Still",
                                             "Momo",  "Nono", "Kohaku", "Palet", "Copic",  "Deena"};

std::string Name(Character who) { return who == kNobody ? "?" : kNames[static_cast<int>(who)]; }

// The rows of a text on one line, in UTF-8.
std::string Rows(const TalkText& text) {
    std::string out = platform::Cp932ToUtf8(text.text);
    for (size_t at = out.find('\n'); at != std::string::npos; at = out.find('\n', at)) out.replace(at, 1, " / ");
    return out;
}

// One side's new text in a step: what the player reads that the step before did not show there.
std::string Describe(const TalkSlot& slot) {
    if (slot.who == kNobody) return (slot.row == 2 ? "  [narration] " : "  [box] ") + Rows(*slot.text);
    const bool listening = slot.balloon == BalloonMode::Dimmed;
    std::string line = listening ? "    (" + Name(slot.who) + ", listening) " : Name(slot.who) + ": ";
    if (slot.row == 1) line += "(aside) ";
    return line + Rows(*slot.text);
}

struct Walk {
    std::string script;
    int lines = 0;
    bool ended = false;
};

Walk WalkTalk(const TalkScript& talk) {
    Walk walk;
    const TalkText* shown[2] = {nullptr, nullptr};
    std::set<int> seen;
    int32_t step = 0;
    while (step != talk.endStep) {
        const TalkStep* row = FindStep(talk, step);
        if (!row || !seen.insert(step).second) return walk;  // a missing step or a loop never ends
        ++walk.lines;
        const TalkSlot* sides[2] = {&row->upper, &row->lower};
        for (int s = 0; s < 2; ++s) {
            const TalkSlot& slot = *sides[s];
            if (!slot.shown || !slot.text) continue;
            if (slot.text != shown[s]) walk.script += Describe(slot) + "\n";
            shown[s] = slot.text;
        }
        if (row->advance.easyEnd) walk.script += "  -- on difficulty 0 the talk ends here --\n";
        step = row->advance.next;
    }
    walk.ended = true;
    return walk;
}

TEST(StoryScript, EveryTalkEndsAndBothTeamsReadAsAScript) {
    const std::filesystem::path folder = std::filesystem::path(QUENRITH_BINARY_DIR) / "story";
    std::filesystem::create_directories(folder);
    std::ofstream files[2] = {std::ofstream(folder / "team1.txt"), std::ofstream(folder / "team2.txt")};
    int talks[2] = {0, 0};
    for (const TalkEntry& entry : AllTalks()) {
        const int team = std::strncmp(entry.name, "UpdateTalkYuri", 14) == 0 ? 0 : 1;
        const Walk walk = WalkTalk(*entry.script);
        EXPECT_TRUE(walk.ended) << entry.name << " never reaches its end step " << entry.script->endStep;
        files[team] << "== " << entry.name << " (" << walk.lines << " lines)\n" << walk.script << "\n";
        ++talks[team];
    }
    EXPECT_EQ(talks[0], 18);
    EXPECT_EQ(talks[1], 18);
}

}  // namespace
