// Where the bosses and the talks meet: the talks a boss runs, once per frame,
// by name. The talks live with the story; their end steps call back through
// the boss slots (cBossBase.h), so neither side includes the other.
#pragma once

void UpdateTalkYuriStage1Before();
void UpdateTalkYuriStage1After();
void UpdateTalkYuriStage2Before();
void UpdateTalkYuriStage2After();
void UpdateTalkYuriStage3Before();
void UpdateTalkYuriStage3After();
void UpdateTalkYuriStage4Before();
void UpdateTalkYuriStage4After();
void UpdateTalkYuriStage5MidBefore();
void UpdateTalkYuriStage5MidAfter();
void UpdateTalkYuriStage5Before();
void UpdateTalkYuriStage5After();
void UpdateTalkYuriStage5Ending();
void UpdateTalkYuriStage6MidBefore();
void UpdateTalkYuriStage6MidAfter();
void UpdateTalkYuriStage6Before();
void UpdateTalkYuriStage6After();
void UpdateTalkYuriStage6Ending();

void UpdateTalkCheskaStage1Before();
void UpdateTalkCheskaStage1After();
void UpdateTalkCheskaStage2Before();
void UpdateTalkCheskaStage2After();
void UpdateTalkCheskaStage3Before();
void UpdateTalkCheskaStage3After();
void UpdateTalkCheskaStage4Before();
void UpdateTalkCheskaStage4After();
void UpdateTalkCheskaStage5MidBefore();
void UpdateTalkCheskaStage5MidAfter();
void UpdateTalkCheskaStage5Before();
void UpdateTalkCheskaStage5After();
void UpdateTalkCheskaStage5Ending();
void UpdateTalkCheskaStage6MidBefore();
void UpdateTalkCheskaStage6MidAfter();
void UpdateTalkCheskaStage6Before();
void UpdateTalkCheskaStage6After();
void UpdateTalkCheskaStage6Ending();
