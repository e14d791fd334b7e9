#include "game/shell/StageResources.h"

#include <span>

#include "engine/core/KestraSound.h"
#include "game/objects/cObjectManager.h"
#include "game/shell/LoadTables.h"
#include "game/shell/MenuCommon.h"
#include "game/shell/Stages.h"
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

}  // namespace

void LoadFiles(std::span<const FileLoad> loads, int32_t team) {
    for (const FileLoad& l : loads) {
        if (!IsFor(l.who, team)) continue;
        if (l.sound) SoundTable.*l.sound = LoadStageSound(l.file);
        else loadSpriteCStr(l.file, l.slot, l.colorKey, l.capacity);
    }
}

void LoadCommonSprites(cGameState& state) {
    LoadFiles(kCommonLoads, state.team);
    LoadTeamPortraits(state.team);
    state.subState = 0;
}

void LoadTeamPortraits(int32_t team) { LoadFiles(kTeamPortraits, team); }

void LoadStageResources(int32_t stage) {
    if (const Stage* row = StageRow(stage)) LoadFiles(row->files, GameState.team);
}

void ReleaseStageResources(int32_t stage) {
    const Stage* row = StageRow(stage);
    if (!row || !row->released) return;
    // Every sheet the stage may have filled, whichever team played, once.
    bool released[sheet::kCount] = {};
    for (const FileLoad& l : row->files) {
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
