#include "game/story/TalkScripts.h"

#include "game/state/BossTalk.h"

namespace talk {
namespace {

const TalkEntry kTalks[] = {
    {"UpdateTalkYuriStage1Before", UpdateTalkYuriStage1Before, &kTalkYuriStage1Before},
    {"UpdateTalkYuriStage1After", UpdateTalkYuriStage1After, &kTalkYuriStage1After},
    {"UpdateTalkYuriStage2Before", UpdateTalkYuriStage2Before, &kTalkYuriStage2Before},
    {"UpdateTalkYuriStage2After", UpdateTalkYuriStage2After, &kTalkYuriStage2After},
    {"UpdateTalkYuriStage3Before", UpdateTalkYuriStage3Before, &kTalkYuriStage3Before},
    {"UpdateTalkYuriStage3After", UpdateTalkYuriStage3After, &kTalkYuriStage3After},
    {"UpdateTalkYuriStage4Before", UpdateTalkYuriStage4Before, &kTalkYuriStage4Before},
    {"UpdateTalkYuriStage4After", UpdateTalkYuriStage4After, &kTalkYuriStage4After},
    {"UpdateTalkYuriStage5MidBefore", UpdateTalkYuriStage5MidBefore, &kTalkYuriStage5MidBefore},
    {"UpdateTalkYuriStage5MidAfter", UpdateTalkYuriStage5MidAfter, &kTalkYuriStage5MidAfter},
    {"UpdateTalkYuriStage5Before", UpdateTalkYuriStage5Before, &kTalkYuriStage5Before},
    {"UpdateTalkYuriStage5After", UpdateTalkYuriStage5After, &kTalkYuriStage5After},
    {"UpdateTalkYuriStage5Ending", UpdateTalkYuriStage5Ending, &kTalkYuriStage5Ending},
    {"UpdateTalkYuriStage6MidBefore", UpdateTalkYuriStage6MidBefore, &kTalkYuriStage6MidBefore},
    {"UpdateTalkYuriStage6MidAfter", UpdateTalkYuriStage6MidAfter, &kTalkYuriStage6MidAfter},
    {"UpdateTalkYuriStage6Before", UpdateTalkYuriStage6Before, &kTalkYuriStage6Before},
    {"UpdateTalkYuriStage6After", UpdateTalkYuriStage6After, &kTalkYuriStage6After},
    {"UpdateTalkYuriStage6Ending", UpdateTalkYuriStage6Ending, &kTalkYuriStage6Ending},
    {"UpdateTalkCheskaStage1Before", UpdateTalkCheskaStage1Before, &kTalkCheskaStage1Before},
    {"UpdateTalkCheskaStage1After", UpdateTalkCheskaStage1After, &kTalkCheskaStage1After},
    {"UpdateTalkCheskaStage2Before", UpdateTalkCheskaStage2Before, &kTalkCheskaStage2Before},
    {"UpdateTalkCheskaStage2After", UpdateTalkCheskaStage2After, &kTalkCheskaStage2After},
    {"UpdateTalkCheskaStage3Before", UpdateTalkCheskaStage3Before, &kTalkCheskaStage3Before},
    {"UpdateTalkCheskaStage3After", UpdateTalkCheskaStage3After, &kTalkCheskaStage3After},
    {"UpdateTalkCheskaStage4Before", UpdateTalkCheskaStage4Before, &kTalkCheskaStage4Before},
    {"UpdateTalkCheskaStage4After", UpdateTalkCheskaStage4After, &kTalkCheskaStage4After},
    {"UpdateTalkCheskaStage5MidBefore", UpdateTalkCheskaStage5MidBefore, &kTalkCheskaStage5MidBefore},
    {"UpdateTalkCheskaStage5MidAfter", UpdateTalkCheskaStage5MidAfter, &kTalkCheskaStage5MidAfter},
    {"UpdateTalkCheskaStage5Before", UpdateTalkCheskaStage5Before, &kTalkCheskaStage5Before},
    {"UpdateTalkCheskaStage5After", UpdateTalkCheskaStage5After, &kTalkCheskaStage5After},
    {"UpdateTalkCheskaStage5Ending", UpdateTalkCheskaStage5Ending, &kTalkCheskaStage5Ending},
    {"UpdateTalkCheskaStage6MidBefore", UpdateTalkCheskaStage6MidBefore, &kTalkCheskaStage6MidBefore},
    {"UpdateTalkCheskaStage6MidAfter", UpdateTalkCheskaStage6MidAfter, &kTalkCheskaStage6MidAfter},
    {"UpdateTalkCheskaStage6Before", UpdateTalkCheskaStage6Before, &kTalkCheskaStage6Before},
    {"UpdateTalkCheskaStage6After", UpdateTalkCheskaStage6After, &kTalkCheskaStage6After},
    {"UpdateTalkCheskaStage6Ending", UpdateTalkCheskaStage6Ending, &kTalkCheskaStage6Ending},
};

}  // namespace

std::span<const TalkEntry> AllTalks() { return kTalks; }

}  // namespace talk
