// The 36 talks' tables, and the list of them all (for the story's checks).
#pragma once

#include <span>

#include "game/story/TalkScript.h"

namespace talk {

extern const TalkScript kTalkYuriStage1Before;
extern const TalkScript kTalkYuriStage1After;
extern const TalkScript kTalkYuriStage2Before;
extern const TalkScript kTalkYuriStage2After;
extern const TalkScript kTalkYuriStage3Before;
extern const TalkScript kTalkYuriStage3After;
extern const TalkScript kTalkYuriStage4Before;
extern const TalkScript kTalkYuriStage4After;
extern const TalkScript kTalkYuriStage5MidBefore;
extern const TalkScript kTalkYuriStage5MidAfter;
extern const TalkScript kTalkYuriStage5Before;
extern const TalkScript kTalkYuriStage5After;
extern const TalkScript kTalkYuriStage5Ending;
extern const TalkScript kTalkYuriStage6MidBefore;
extern const TalkScript kTalkYuriStage6MidAfter;
extern const TalkScript kTalkYuriStage6Before;
extern const TalkScript kTalkYuriStage6After;
extern const TalkScript kTalkYuriStage6Ending;
extern const TalkScript kTalkCheskaStage1Before;
extern const TalkScript kTalkCheskaStage1After;
extern const TalkScript kTalkCheskaStage2Before;
extern const TalkScript kTalkCheskaStage2After;
extern const TalkScript kTalkCheskaStage3Before;
extern const TalkScript kTalkCheskaStage3After;
extern const TalkScript kTalkCheskaStage4Before;
extern const TalkScript kTalkCheskaStage4After;
extern const TalkScript kTalkCheskaStage5MidBefore;
extern const TalkScript kTalkCheskaStage5MidAfter;
extern const TalkScript kTalkCheskaStage5Before;
extern const TalkScript kTalkCheskaStage5After;
extern const TalkScript kTalkCheskaStage5Ending;
extern const TalkScript kTalkCheskaStage6MidBefore;
extern const TalkScript kTalkCheskaStage6MidAfter;
extern const TalkScript kTalkCheskaStage6Before;
extern const TalkScript kTalkCheskaStage6After;
extern const TalkScript kTalkCheskaStage6Ending;

struct TalkEntry {
    const char* name;  // the talk's function name
    void (*run)();
    const TalkScript* script;
};
// Team 1's talks, then team 2's, each by stage and moment.
std::span<const TalkEntry> AllTalks();

}  // namespace talk
