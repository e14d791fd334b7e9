#include "game/shell/StageResources.h"

#include <span>

#include "engine/core/KestraSound.h"
#include "game/objects/cObjectManager.h"
#include "game/objects/cPlayerBase.h"
#include "game/shell/LoadTables.h"
#include "game/shell/MenuCommon.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"

namespace {

uint32_t LoadStageSound(const char* name) {
    const uint32_t handle = KestraSound::CreateFromFile(name, 0, true, true, 1);
    KestraSound::SetVolume(handle, ClampVolume(GameState.seVolume), 0);
    return handle;
}

void ReleaseSound(uint32_t& handle) {
    KestraSound::Release(handle);
    handle = kNoSound;
}

// Player 1's starting character: 1 in team 1, 3 in team 2.
bool FirstCharacter() { return Player1 ? Player1->firstCharacter != 3 : GameState.team != 2; }

void LoadAll(std::span<const FileLoad> loads, int32_t team) {
    const bool firstLead = FirstCharacter();
    for (const FileLoad& l : loads) {
        if (!IsFor(l.who, firstLead, team)) continue;
        if (l.sound) SoundTable.*l.sound = LoadStageSound(l.file);
        else loadSpriteCStr(l.file, l.slot, l.colorKey, l.capacity);
    }
}

const StageFiles* Stage(int32_t stage) {
    return stage >= 1 && stage <= kExtraStage ? &kStageFiles[stage - 1] : nullptr;
}

}  // namespace

void LoadSheets(std::span<const FileLoad> loads) {
    for (const FileLoad& l : loads) loadSpriteCStr(l.file, l.slot, l.colorKey, l.capacity);
}

void LoadCommonSprites(cGameState& state) {
    LoadAll(kCommonLoads, state.team);
    LoadTeamPortraits(state.team);
    state.subState = 0;
}

void LoadTeamPortraits(int32_t team) { LoadAll(kTeamPortraits, team); }

void LoadStageResources(int32_t stage) {
    if (const StageFiles* files = Stage(stage)) LoadAll(files->loads, GameState.team);
}

void ReleaseStageResources(int32_t stage) {
    const StageFiles* files = Stage(stage);
    if (!files || !files->released) return;
    // Every sheet the stage may have filled, whichever team played, once.
    bool released[sheet::kCount] = {};
    for (const FileLoad& l : files->loads) {
        if (l.sound) {
            ReleaseSound(SoundTable.*l.sound);
        } else if (!l.kept && !released[l.slot]) {
            released[l.slot] = true;
            releaseSprite(l.slot);
        }
    }
}

void ReleaseStage() {
    ObjectManager.ReleaseStage();
    for (int32_t slot = 0; slot < sheet::kGameEnd; ++slot) releaseSprite(slot);
    ForEachStageSound([](uint32_t cSoundTable::*handle) { ReleaseSound(SoundTable.*handle); });
}
