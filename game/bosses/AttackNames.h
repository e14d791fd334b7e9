// The names of the bosses' named attacks: one list a boss, in the order it
// fights them, the n-th the name of the attack after its n-th (the opening
// attack has none; AttackNameOf in BossCommon.h checks the lengths). The demo
// data's attack-name font is made from them, so they live apart from the rows.
#pragma once

#include <span>

namespace attacknames {

inline constexpr const char* kStage01Boss[] = {
    "ねこあたっく：はしる猫のしっぽ", "ねこあたっく：おっかけRUNRUN", "ねこあたっく：ちょとつもーしん！",
};
inline constexpr const char* kStage02Boss[] = {
    "花椿：ノーヴルフルール", "花椿：ディスパーサータイム", "花椿：リングフォーチュン",
};
inline constexpr const char* kStage03Boss[] = {
    "剛盾：リフレクトシールド", "剛盾：ディメンジョンビット", "剛盾：英雄の盾",
};
inline constexpr const char* kStage04Boss[] = {
    "はこにわサバイバル！", "はーと！キャッチボール", "どっきりぴんぼーる", "ふたりのおにとおにごっこ♪",
};
inline constexpr const char* kStage05Boss_Osero[] = {
    "必殺：グレートアステロイドジェット！", "必殺：ジェノサイドビッグバン",
};
inline constexpr const char* kStage05Boss_Crow[] = {
    "瞬：クロスナイフ", "瞬：ミラージュドライブ",
};
inline constexpr const char* kStage05Boss[] = {
    "二極：キャットソウル", "二極：巡る巡る闇と光", "二極：聖闇の道標", "二極：モノトーンウォール", "悠久の二極光",
};
inline constexpr const char* kStage05Boss_Yuri[] = {
    "秘技：カラフルレールガン！", "秘技：あの手この手で", "秘技：コミカルスパーク", "秘技：ウィニングサプライズ！",
    "ユリ☆フィニッシュスター！",
};
inline constexpr const char* kStage06_PaletCopic[] = {
    "カラフルドロウィング：ディフェンス", "カラフルドロウィング：アタック", "二人の絆バースト", "親友以上恋人未満！？",
};
inline constexpr const char* kStage06Boss[] = {
    "二極：死神の舞踏会", "二極：クロスロードヴァニッシュ", "二極：呪縛の足枷", "二極：堕天使の休息",
    "二極：ストリームクライシス", "終焉の二極光",
};

// Every boss's list, stage by stage (each stage's mid-bosses first).
inline constexpr std::span<const char* const> kAllBosses[] = {
    kStage01Boss, kStage02Boss, kStage03Boss, kStage04Boss,
    kStage05Boss_Osero, kStage05Boss_Crow, kStage05Boss, kStage05Boss_Yuri,
    kStage06_PaletCopic, kStage06Boss,
};

}  // namespace attacknames
