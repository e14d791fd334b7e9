#include "game/shell/ConfigScreen.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/core/KestraSound.h"
#include "engine/graphics/KestraSprite2D.h"
#include "game/shell/MenuCommon.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SaveFile.h"
#include "game/state/ScoreData.h"
#include "game/state/SpriteTable.h"

namespace {

constexpr char kVolumePath[] = "./save/vol.dat";
constexpr size_t kVolumeFileLimit = 4096;

// Steps of 10 within 0..100; a value off the grid stays off it.
void StepVolume(int32_t& volume, uint16_t pushed) {
    if ((pushed & PAD_LEFT) && volume >= 10) volume -= 10;
    if ((pushed & PAD_RIGHT) && volume <= 90) volume += 10;
}

// The file's one line (a text file: CR LF on disk).
std::string VolumeText() {
    return std::to_string(GameState.bgmVolume) + " " + std::to_string(GameState.seVolume) + "\r\n";
}

// The volume of configuration row `row` (0 music, 1 effects).
void DrawThreeDigits(int32_t volume, int32_t row) {
    const int32_t shown = static_cast<int32_t>(ClampVolume(volume));
    const int32_t digits[3] = {shown / 100, shown / 10 % 10, shown % 10};
    for (int32_t i = 0; i < 3; ++i)
        DrawTitleQuad(sheet::kConfig, layout::Moved(layout::kVolumeDigits.Screen(i), 0, layout::kConfigRowStep * row),
                      layout::kVolumeDigits.Cell(digits[i]));
}

}  // namespace

void ParseVolumeText(const char* text, size_t size, int32_t& music, int32_t& effects) {
    size_t length = 0;
    while (length < size && text[length] != '\n' && text[length] != '\0') ++length;
    const std::string line(text, length);
    const char* end = nullptr;
    const int32_t first = ParseDecimal(line.c_str(), &end);
    if (end == line.c_str()) return;
    music = first;
    const char* rest = end;
    const int32_t second = ParseDecimal(rest, &end);
    if (end != rest) effects = second;
}

void LoadVolumeFile() {
    std::string bytes;
    bool whole = false;
    if (!ReadSaveFile(kVolumePath, kVolumeFileLimit, bytes, whole)) {
        NoteLoaded(kVolumePath, false);
        return;
    }
    ParseVolumeText(bytes.data(), bytes.size(), GameState.bgmVolume, GameState.seVolume);
    NoteLoaded(kVolumePath, !whole || !SameText(VolumeText(), bytes));
}

void SaveVolumeFile() { ReplaceFileContents(kVolumePath, VolumeText()); }

void ApplySoundVolume() {
    const cSoundTable& s = SoundTable;
    // raser_long sounds the stage-5 railgun and the extra stage's beams.
    const uint32_t effects[] = {s.charge, s.forcebrake, s.raser_long, s.boss_death, s.shot_enemy_normal, s.enemybreak_01,
                                s.rt_star14, s.rt_star22, s.xmasbell, s.changeattribute, s.shot_small,
                                s.enemyshot_short, s.BigShot, s.Lock_Open, s.draw_block, s.reflectbullet,
                                s.rt_cursor01, s.enemydamage_small, s.playerdamage, s.nonochach, s.titlefocus,
                                s.titledecide, s.titlecancel, s.itemget, s.lifeitemget, s.gameover, s.menuopen,
                                s.crystalhit, s.knifeswing, s.stillattack, s.shamyuhit, s.puni, s.Stardust,
                                s.crystalactive};
    const float volume = ClampVolume(GameState.seVolume);
    for (uint32_t handle : effects) KestraSound::SetVolume(handle, volume, 0);
}

void UpdateConfigScreen() {
    cTitleState& t = TitleState;
    const uint16_t pushed = static_cast<uint16_t>(PadWords[0].pushed | PadWords[1].pushed);
    const uint16_t p1 = PadWords[0].pushed;
    if (pushed & PAD_DOWN) {
        t.configCursor = (t.configCursor + 1) % 4;
        PlayEffect(SoundTable.titlefocus);
    }
    if (pushed & PAD_UP) {
        t.configCursor = t.configCursor == 0 ? 3 : t.configCursor - 1;
        PlayEffect(SoundTable.titlefocus);
    }
    switch (t.configCursor) {
        case 0:
            if (p1 & (PAD_LEFT | PAD_RIGHT)) {
                StepVolume(GameState.bgmVolume, p1);
                const float volume = ClampVolume(GameState.bgmVolume);
                KestraSound::SetVolume(SoundTable.shot_small, volume, 0);
                KestraSound::SetVolume(BgmHandle, volume, 0);
                PlayEffect(SoundTable.shot_small);
            }
            break;
        case 1:
            if (p1 & (PAD_LEFT | PAD_RIGHT)) {
                StepVolume(GameState.seVolume, p1);
                const float volume = ClampVolume(GameState.seVolume);
                KestraSound::SetVolume(SoundTable.shot_small, volume, 0);
                KestraSound::SetVolume(SoundTable.titlefocus, volume, 0);
                PlayEffect(SoundTable.shot_small);
            }
            break;
        case 2:
            if (pushed & PAD_SHOT) {
                t.state = kTitleKeyConfig;
                OpenKeyConfigScreen();
            }
            break;
        case 3:
            if (pushed & PAD_SHOT) {
                t.state = kTitleMenu;
                PlayEffect(SoundTable.titledecide);
                ApplySoundVolume();
                SaveVolumeFile();
            }
            break;
        default: break;
    }
}

void DrawConfigScreen() {
    cTitleState& t = TitleState;
    AnimateTitlePanel(kTitleConfig);
    t.cursorAngle = static_cast<int32_t>(static_cast<uint32_t>(t.cursorAngle) + 300u);
    CSprite2D* config = SlotSprite(sheet::kConfig);
    CSprite2D* title = SlotSprite(sheet::kTitle);
    CSprite2D* names = SlotSprite(sheet::kName);
    KestraSprite2D::Begin(config);
    KestraSprite2D::Begin(title);
    KestraSprite2D::Begin(names);
    DrawTitleQuad(sheet::kConfig, layout::kBackdrop);
    DrawTitleQuad(sheet::kConfig, {t.panelX, t.panelY, t.panelWidth, t.panelHeight}, layout::kConfigPanelCell,
                  t.panelAngle);
    DrawTitleQuad(sheet::kConfig, layout::kConfigLabels);
    DrawThreeDigits(GameState.seVolume, 1);
    DrawThreeDigits(GameState.bgmVolume, 0);
    DrawTitleQuad(sheet::kConfig, layout::kConfigCursor.At(t.configCursor, 0), t.cursorAngle);
    const uint32_t seconds = ScoreData.playSeconds;
    char text[32];
    std::snprintf(text, sizeof text, "%03d:%02d:%02d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    for (int32_t i = 0; text[i]; ++i) {
        const int32_t glyph = (text[i] >= '0' && text[i] <= '9') ? text[i] - '0' : 10;
        DrawTitleQuad(sheet::kName, layout::kPlayTime.At(i, glyph));
    }
    RenderSheets({config, title, names});
}
