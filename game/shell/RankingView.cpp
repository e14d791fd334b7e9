#include "game/shell/RankingView.h"

#include <cstdio>
#include <cstring>

#include "engine/graphics/KestraFontSprite2D.h"
#include "engine/graphics/KestraSprite2D.h"
#include "game/shell/MenuCommon.h"
#include "game/state/GameGlobals.h"
#include "game/state/ScoreData.h"
#include "game/state/SpriteTable.h"

int32_t RankingTeam = 0;
int32_t RankingColumn = 0;

namespace {

constexpr float kDepth = 32767.0f;
constexpr uint16_t kFullWidthSpace = 0x8140;

// Full-width forms of the bytes 33..126.
const uint16_t kFullWidth[94] = {
    0x8149, 0x8199, 0x8194, 0x8190, 0x8193, 0x8195, 0x8166, 0x8169, 0x816A, 0x8196, 0x817B, 0x8143,
    0x817C, 0x8144, 0x815E, 0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256, 0x8257,
    0x8258, 0x81F4, 0x8140, 0x815A, 0x8181, 0x81A8, 0x8148, 0x8197, 0x8260, 0x8261, 0x8262, 0x8263,
    0x8264, 0x8265, 0x8266, 0x8267, 0x8268, 0x8269, 0x826A, 0x826B, 0x826C, 0x826D, 0x826E, 0x826F,
    0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276, 0x8277, 0x8278, 0x8279, 0x8175, 0x818F,
    0x8176, 0x8140, 0x8151, 0x8140, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287, 0x8288,
    0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F, 0x8290, 0x8291, 0x8292, 0x8293, 0x8294,
    0x8295, 0x8296, 0x8297, 0x8298, 0x8299, 0x829A, 0x81A2, 0x8140, 0x81A0, 0x8160,
};

// A name or date field (not necessarily terminated) in full-width text.
void DrawFullWidth(const char* field, size_t size, int32_t x, int32_t y) {
    char source[16] = {};
    std::memcpy(source, field, size < sizeof source ? size : sizeof source - 1);
    char text[64] = {};
    ToFullWidthText(source, text, sizeof text);
    DrawFontText(text, x, y, 1, kDepth);
}

bool AnyExtraOrHardClear() {
    const auto& clears = ScoreData.clearCount;
    return clears[0][1] > 0 || clears[0][kExtraColumn] > 0 || clears[1][1] > 0 || clears[1][kExtraColumn] > 0;
}

}  // namespace

bool IsExtraUnlocked() { return AnyExtraOrHardClear(); }

void ToFullWidthText(const char* source, char* destination, uint32_t capacity) {
    if (!source || !destination || capacity == 0) return;
    size_t at = strnlen(destination, capacity);
    if (at >= capacity) return;
    for (const unsigned char* s = reinterpret_cast<const unsigned char*>(source); *s; ++s) {
        // Whole characters only, and room for the terminator.
        if (at + 2 >= capacity) break;
        const uint16_t code = (*s >= 33 && *s <= 126) ? kFullWidth[*s - 33] : kFullWidthSpace;
        destination[at++] = static_cast<char>(code >> 8);
        destination[at++] = static_cast<char>(code & 0xFF);
    }
    destination[at] = '\0';
}

void DrawRankingView() {
    CSprite2D* sheet = SlotSprite(sheet::kRanking);
    CSprite2D* names = SlotSprite(sheet::kName);
    CFontSprite2D* font = FontTable.size() > 1 ? FontTable[1] : nullptr;
    KestraSprite2D::Begin(sheet);
    KestraSprite2D::Begin(names);
    KestraFontSprite2D::Begin(font, 0);
    const int32_t table = RankingColumn + 4 * RankingTeam;
    DrawTitleQuad(sheet::kRanking, layout::kBackdrop);
    DrawTitleQuad(sheet::kRanking, layout::kRankingHeading.At(0, table));
    char text[64];
    for (int32_t i = 0; i < kShownRows; ++i) {
        using namespace layout;
        const cRankingRow& row = ScoreData.rows[table][i];
        const int32_t y = kRankTextY + kRankRowStep * i;
        std::snprintf(text, sizeof text, "%d", i + 1);
        DrawFontText(text, i == 9 ? kRankTenX : kRankNumberX, y, 1, kDepth);
        DrawFullWidth(row.name, sizeof row.name, kRankNameX, y);
        std::snprintf(text, sizeof text, "%9u", static_cast<unsigned>(row.score));
        DrawFontText(text, kRankScoreX, y, 1, kDepth);
        DrawFullWidth(row.date, sizeof row.date, kRankDateX, y);
        if (row.stage >= 0 && row.stage < kRankBadges) DrawTitleQuad(sheet::kRanking, kRankBadge.At(i, row.stage));
    }
    std::snprintf(text, sizeof text, "%03u", static_cast<unsigned>(ScoreData.playCount[RankingTeam][RankingColumn]));
    DrawFontText(text, layout::kRankPlayX, layout::kRankCountsY, 1, kDepth);
    std::snprintf(text, sizeof text, "%03u", static_cast<unsigned>(ScoreData.clearCount[RankingTeam][RankingColumn]));
    DrawFontText(text, layout::kRankClearX, layout::kRankCountsY, 1, kDepth);
    RenderSheets({sheet, names}, font);
}

void UpdateRankingView() {
    DrawRankingView();
    const uint16_t either = static_cast<uint16_t>(PadWords[0].pushed | PadWords[1].pushed);
    if (either & (PAD_SHOT | PAD_DIRECT)) {
        RankingTeam = 0;
        RankingColumn = 0;
        ResetTitleState();
        return;
    }
    const uint16_t p1 = PadWords[0].pushed;
    const bool team2Shown = ScoreData.clearCount[0][0] > 0 || ScoreData.clearCount[0][1] > 0;
    if ((p1 & PAD_UP) && team2Shown) RankingTeam = 1 - RankingTeam;
    if ((p1 & PAD_DOWN) && team2Shown) RankingTeam = 1 - RankingTeam;
    if (p1 & PAD_LEFT) {
        --RankingColumn;
        if (RankingColumn < 0) RankingColumn = AnyExtraOrHardClear() ? kExtraColumn : 2;
    }
    if (p1 & PAD_RIGHT) {
        ++RankingColumn;
        if (RankingColumn >= 4 || (RankingColumn == 3 && !IsExtraUnlocked())) RankingColumn = 0;
    }
}
