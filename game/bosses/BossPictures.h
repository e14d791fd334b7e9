// The pictures the last story stage's and the extra stage's bosses put into
// the cut-in, circle and body sheets when they appear.
#pragma once

// Null: that sheet keeps what the stage loaded.
struct BossPictures {
    const char* cutIn;
    const char* circle;
    const char* body;
};

inline constexpr BossPictures kCheskaPictures = {"img/cutin_cheska.png", "img/mahoujin_cheska.png", "img/cheska.png"};
inline constexpr BossPictures kYuriPictures = {"img/cutin_yuri.png", "img/mahoujin_yuri.png", "img/yuri.png"};
inline constexpr BossPictures kDeenaPictures = {"img/cutin_deena.png", nullptr, "img/St06_Boss_02.png"};
inline constexpr const BossPictures* kBossPictures[] = {&kCheskaPictures, &kYuriPictures, &kDeenaPictures};
