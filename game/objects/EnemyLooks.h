// Where each enemy class's picture lies on its sheet and where it is drawn
// around the enemy. The enemies draw from these; the demo data's inventory
// lists the same cells for its painters and for the tests.
#pragma once

#include <cstdint>

#include "game/state/SpriteTable.h"

struct EnemyLook {
    struct Rect { float x = 0, y = 0, w = 0, h = 0; };
    struct Step { float dx = 0, dy = 0; };
    // The stage's enemy sheet unless named.
    int32_t slot = sheet::kStageEnemies;
    // The source of element e, animation column c and facing f is cell moved
    // by e element steps, c column steps and f facing steps.
    Rect cell;
    Step element;
    Step column;
    int32_t columns = 1;  // on the sheet
    Step facing;          // to the second facing of a two-facing sheet
    // The destination: top-left from the enemy's screen position, and size.
    Rect drawn;
};

namespace enemylook {
// The stage sheet.
constexpr EnemyLook kDrone{.cell = {0, 120, 40, 40}, .element = {40, 0}, .drawn = {-20, -20, 40, 40}};
constexpr EnemyLook kTurret{.cell = {120, 0, 40, 40}, .element = {40, 0}, .drawn = {-20, -20, 40, 40}};
constexpr EnemyLook kSniper{.cell = {0, 280, 40, 40}, .element = {40, 0}, .drawn = {-20, -20, 40, 40}};
constexpr EnemyLook kSmall{.cell = {0, 40, 40, 40}, .element = {40, 0}, .drawn = {-20, -20, 40, 40}};
constexpr EnemyLook kRinger{.cell = {0, 160, 40, 40}, .element = {40, 0}, .drawn = {-20, -20, 40, 40}};
constexpr EnemyLook kSlider{.cell = {520, 0, 80, 80}, .element = {80, 0}, .drawn = {-40, -40, 80, 80}};
constexpr EnemyLook kField{.cell = {120, 160, 160, 160}, .drawn = {-80, -80, 160, 160}};
constexpr EnemyLook kWall{.cell = {120, 0, 160, 160}, .drawn = {-120, -120, 240, 240}};
constexpr EnemyLook kBarrel{.cell = {280, 0, 40, 40}, .element = {40, 0}, .drawn = {-20, -20, 40, 40}};
constexpr EnemyLook kPusher{.cell = {880, 0, 120, 120}, .drawn = {-40, -40, 80, 80}};
constexpr EnemyLook kCore{.cell = {320, 40, 40, 40}, .column = {40, 0}, .columns = 3,
                          .drawn = {-20, -20, 40, 40}};
constexpr EnemyLook kSatellite{.cell = {280, 40, 40, 40}, .drawn = {-20, -20, 40, 40}};
constexpr EnemyLook kSpinner{.cell = {280, 80, 40, 40}, .element = {40, 0}, .drawn = {-20, -20, 40, 40}};
constexpr EnemyLook kShuttle{.cell = {0, 0, 40, 40}, .element = {40, 0}, .drawn = {-20, -20, 40, 40}};
constexpr EnemyLook kCrystal{.cell = {520, 80, 80, 80}, .drawn = {-40, -40, 80, 80}};
constexpr EnemyLook kReflector{.cell = {680, 160, 43, 43}, .element = {43, 0}, .drawn = {-21, -21, 43, 43}};
constexpr EnemyLook kLarge{.cell = {360, 0, 160, 160}, .drawn = {-80, -80, 160, 160}};
// The shard drawn whole (49), at half size (50 94), and its second cell alone (95).
constexpr EnemyLook kShard{.cell = {520, 161, 75, 32}, .element = {75, 0}, .drawn = {-37, -16, 75, 32}};
constexpr EnemyLook kSmallShard{.cell = {520, 161, 75, 32}, .element = {75, 0}, .drawn = {-18, -8, 37, 16}};
constexpr EnemyLook kLongShard{.cell = {595, 161, 75, 32}, .drawn = {-32, -16, 75, 32}};
// The two-facing figure of 15, 16, 19 and 57: left-facing cells, then right-facing.
constexpr EnemyLook kFigure{.cell = {0, 760, 45, 60}, .element = {0, 60}, .column = {45, 0}, .columns = 2,
                            .facing = {90, 0}, .drawn = {-22, -32, 45, 60}};
// The four-direction walker of 01, 02, 06 and 17: a strip for each heading;
// 02's right-heading strip starts further left.
constexpr EnemyLook kWalkerRight{.cell = {360, 400, 80, 40}, .element = {0, 80}, .column = {80, 0},
                                 .columns = 3, .drawn = {-60, -20, 80, 40}};
constexpr EnemyLook kWalker2Right{.cell = {240, 400, 80, 40}, .element = {0, 80}, .column = {80, 0},
                                  .columns = 3, .drawn = {-60, -20, 80, 40}};
constexpr EnemyLook kWalkerLeft{.cell = {120, 400, 80, 40}, .element = {0, 80}, .column = {80, 0},
                                .columns = 3, .drawn = {-20, -20, 80, 40}};
constexpr EnemyLook kWalkerDown{.cell = {0, 360, 40, 80}, .element = {0, 80}, .column = {40, 0},
                                .columns = 3, .drawn = {-20, -60, 40, 80}};
constexpr EnemyLook kWalkerUp{.cell = {600, 360, 40, 80}, .element = {0, 80}, .column = {40, 0},
                              .columns = 3, .drawn = {-20, -40, 40, 80}};
constexpr EnemyLook kGem{.cell = {520, 200, 40, 40}, .element = {40, 0}, .drawn = {-20, -20, 40, 40}};
// 52: facing down, then up a row lower.
constexpr EnemyLook kTall{.cell = {360, 240, 40, 63}, .element = {80, 0}, .column = {40, 0}, .columns = 2,
                          .facing = {0, 63}, .drawn = {-20, -32, 40, 63}};
// 54 and 93: facing left, then right.
constexpr EnemyLook kHopper{.cell = {520, 240, 40, 57}, .element = {0, 57}, .column = {40, 0},
                            .columns = 2, .facing = {80, 0}, .drawn = {-20, -28, 40, 57}};
constexpr EnemyLook kGuardian{.cell = {0, 320, 80, 80}, .element = {0, 80}, .column = {80, 0},
                              .columns = 4, .drawn = {-40, -40, 80, 80}};
constexpr EnemyLook kDisc{.cell = {680, 0, 80, 80}, .element = {80, 0}, .drawn = {-40, -40, 80, 80}};
constexpr EnemyLook kBall{.cell = {280, 0, 80, 80}, .element = {80, 0}, .drawn = {-30, -30, 60, 60}};
constexpr EnemyLook kBouncer{.cell = {441, 159, 80, 80}, .drawn = {-40, -40, 80, 80}};
constexpr EnemyLook kBand{.cell = {320, 400, 320, 120}, .drawn = {-320, -120, 640, 240}};
// 91 stretches 71's strike into a band of its own size.
constexpr EnemyLook kBeam{.cell = {680, 240, 128, 128}, .element = {128, 0},
                          .drawn = {-320, -120, 640, 240}};
// 78: the body, and its flame above it.
constexpr EnemyLook kShipBody{.cell = {120, 0, 60, 70}, .element = {0, 70}, .drawn = {-30, -35, 60, 70}};
constexpr EnemyLook kShipFlame{.cell = {240, 0, 30, 79}, .element = {0, 79}, .column = {30, 0},
                               .columns = 3, .drawn = {-26, -114, 30, 79}};
constexpr EnemyLook kMine{.cell = {360, 160, 40, 40}, .element = {40, 0}, .drawn = {-20, -20, 40, 40}};
// 81 draws it at twice its radius.
constexpr EnemyLook kRing{.cell = {0, 480, 160, 160}, .drawn = {0, 0, 160, 160}};
constexpr EnemyLook kBird{.cell = {280, 0, 51, 60}, .element = {51, 0}, .drawn = {-25, -30, 51, 60}};

// The common enemy sheet.
constexpr EnemyLook kUpright{.slot = sheet::kCommonEnemies, .cell = {144, 0, 28, 60}, .element = {0, 60},
                             .column = {28, 0}, .columns = 3, .drawn = {-14, -30, 28, 60}};
constexpr EnemyLook kStanding{.slot = sheet::kCommonEnemies, .cell = {228, 0, 40, 54}, .element = {0, 54},
                              .column = {40, 0}, .columns = 3, .drawn = {-20, -27, 40, 54}};
// 53, 55, 68, 69 and 90 draw the round creature half a pixel higher.
constexpr EnemyLook kRound{.slot = sheet::kCommonEnemies, .cell = {0, 0, 48, 43}, .element = {48, 0},
                           .column = {0, 43}, .columns = 4, .drawn = {-24, -21, 48, 43}};
constexpr EnemyLook kRoundCreature{.slot = sheet::kCommonEnemies, .cell = {0, 0, 48, 43}, .element = {48, 0},
                                   .column = {0, 43}, .columns = 4, .drawn = {-24, -21.5f, 48, 43}};

// The particle sheet: one half for each element.
// 62 and 88 draw it at a size of their own.
constexpr EnemyLook kChargeField{.slot = sheet::kParticles, .cell = {171, 3, 61, 61}, .element = {512, 0},
                                 .column = {61, 0}, .columns = 3, .drawn = {-61, -61, 122, 122}};
constexpr EnemyLook kOrb{.slot = sheet::kParticles, .cell = {148, 132, 64, 70}, .element = {512, 0},
                         .drawn = {-32, -35, 64, 70}};
constexpr EnemyLook kNeedle{.slot = sheet::kParticles, .cell = {68, 103, 39, 10}, .element = {512, 0},
                            .drawn = {-20, -5, 39, 10}};
constexpr EnemyLook kCreature{.slot = sheet::kParticles, .cell = {171, 65, 70, 67}, .element = {512, 0},
                              .drawn = {-35, -33, 70, 67}};

// The magic circle of the team's second character, 84.
constexpr EnemyLook kCircle{.slot = sheet::kSecondCircle, .cell = {0, 0, 128, 128}, .element = {128, 0},
                            .drawn = {-80, -80, 240, 240}};

// The look each enemy class draws, by type code (the first where it draws
// more than one), from which the demo data lists the class's cells; null for
// 41 and 96, which draw nothing, and 80, which draws the stage's background.
constexpr const EnemyLook* LookOfClass(int32_t type) {
    switch (type) {
    case 7: case 10: case 11: case 12: case 20: return &kDrone;
    case 9: return &kTurret;
    case 14: return &kSniper;
    case 18: case 25: case 26: case 30: case 42: return &kSmall;
    case 22: return &kRinger;
    case 24: return &kSlider;
    case 27: return &kField;
    case 28: case 36: case 72: return &kWall;
    case 29: case 34: case 38: case 59: return &kBarrel;
    case 31: case 76: return &kPusher;
    case 32: return &kCore;
    case 33: return &kSatellite;
    case 35: case 39: case 40: return &kSpinner;
    case 37: return &kShuttle;
    case 43: return &kCrystal;
    case 48: return &kReflector;
    case 21: case 89: return &kLarge;
    case 49: return &kShard;
    case 50: case 94: return &kSmallShard;
    case 95: return &kLongShard;
    case 15: case 16: case 19: case 57: return &kFigure;
    case 1: case 6: case 17: return &kWalkerRight;
    case 2: return &kWalker2Right;
    case 51: return &kGem;
    case 52: return &kTall;
    case 54: case 93: return &kHopper;
    case 56: case 64: case 83: return &kGuardian;
    case 58: case 61: case 66: case 67: case 82: return &kDisc;
    case 60: case 63: case 86: return &kBall;
    case 65: return &kBouncer;
    case 70: return &kBand;
    case 71: case 91: return &kBeam;
    case 78: return &kShipBody;
    case 79: return &kMine;
    case 81: return &kRing;
    case 92: return &kBird;
    case 3: case 5: case 44: case 47: case 85: return &kUpright;
    case 8: case 13: case 23: return &kStanding;
    case 4: case 45: case 46: case 77: return &kRound;
    case 53: case 55: case 68: case 69: case 90: return &kRoundCreature;
    case 62: case 88: return &kChargeField;
    case 73: case 74: case 97: case 98: return &kOrb;
    case 75: return &kNeedle;
    case 87: return &kCreature;
    case 84: return &kCircle;
    default: return nullptr;
    }
}
}  // namespace enemylook
