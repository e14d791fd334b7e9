// Globals of the game scene that the shell, the play objects, the bosses and
// the talks share.
#pragma once

#include <cstdint>

class cPlayerBase;
class cBossBase;

// Input bits of one player's words, in key-table order.
enum : uint16_t {
    PAD_UP = 0x001,
    PAD_DOWN = 0x002,
    PAD_LEFT = 0x004,
    PAD_RIGHT = 0x008,
    PAD_SHOT = 0x010,
    PAD_DIRECT = 0x020,
    PAD_ELEMENT = 0x040,
    PAD_FORCE = 0x080,
    PAD_CHANGE = 0x100,
    PAD_MENU = 0x200,
};

// One player's input words, refreshed once per frame before the scene runs.
struct PadWord {
    uint16_t idle;      // up now and last frame
    uint16_t pushed;    // down now, up last frame
    uint16_t held;      // down now and last frame
    uint16_t released;  // up now, down last frame
};
extern PadWord PadWords[2];

extern cPlayerBase* Player1;
extern cPlayerBase* Player2;
extern cBossBase* BossA;
extern cBossBase* BossB;

extern int32_t StageFrame;
extern float ScrollX;
extern float ScrollY;
extern uint8_t ScrollHalt;

// Sound handles are KestraSound slots; kNoSound until loaded.
constexpr uint32_t kNoSound = 0xFFFFFFFFu;

// The sound-effect handles, named by their file ("SE/<name>.wav").
struct cSoundTable {
    uint32_t charge = kNoSound;
    uint32_t forcebrake = kNoSound;
    uint32_t boss_death = kNoSound;
    uint32_t shot_enemy_normal = kNoSound;
    uint32_t enemybreak_01 = kNoSound;
    uint32_t raser_long = kNoSound;
    uint32_t rt_star14 = kNoSound;
    uint32_t rt_star22 = kNoSound;
    uint32_t xmasbell = kNoSound;
    uint32_t changeattribute = kNoSound;
    uint32_t shot_small = kNoSound;
    uint32_t enemyshot_short = kNoSound;
    uint32_t BigShot = kNoSound;
    uint32_t Lock_Open = kNoSound;
    uint32_t draw_block = kNoSound;
    uint32_t reflectbullet = kNoSound;
    uint32_t rt_cursor01 = kNoSound;
    uint32_t enemydamage_small = kNoSound;
    uint32_t playerdamage = kNoSound;
    uint32_t nonochach = kNoSound;
    uint32_t titlefocus = kNoSound;
    uint32_t titledecide = kNoSound;
    uint32_t titlecancel = kNoSound;
    uint32_t itemget = kNoSound;
    uint32_t lifeitemget = kNoSound;
    uint32_t gameover = kNoSound;
    uint32_t menuopen = kNoSound;
    uint32_t crystalhit = kNoSound;
    uint32_t knifeswing = kNoSound;
    uint32_t stillattack = kNoSound;
    uint32_t shamyuhit = kNoSound;
    uint32_t puni = kNoSound;
    uint32_t Stardust = kNoSound;
    uint32_t crystalactive = kNoSound;
    // Stage 3.
    uint32_t rt_laser20 = kNoSound;
    uint32_t shatter = kNoSound;
    uint32_t raser_long_stage3 = kNoSound;
    // Stage 6.
    uint32_t princessbomb_laser = kNoSound;
    uint32_t gisiki = kNoSound;
};
extern cSoundTable SoundTable;
// The playing music, kNoSound for none.
extern uint32_t BgmHandle;
// Replaces the playing music with a file ("BGM/<name>.ogg") looping at the
// music volume. A file that does not open leaves BgmHandle at kNoSound.
void ChangeMusic(const char* file);
