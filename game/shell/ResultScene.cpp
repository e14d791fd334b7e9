#include "game/shell/ResultScene.h"

#include <cstdio>
#include <cstring>

#include "engine/graphics/KestraSprite2D.h"
#include "game/shell/MenuCommon.h"
#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/ScoreData.h"
#include "game/state/SpriteTable.h"

namespace {

constexpr int32_t kMaxName = 8;
constexpr int32_t kStoreFrame = 180;
constexpr int32_t kDeleteColumn = 12;
constexpr int32_t kSpaceColumn = 13;
constexpr int32_t kEndColumn = 14;
const char kRow2Symbols[] = "+-/*%=!?.,_@#$&'";
const char kRow3Symbols[] = "()~[]\"\\{}<>:";

// The result's table, or -1 when the record names none.
int32_t ResultTable() {
    const cScoreData& s = ScoreData;
    if (s.resultTeam < 1 || s.resultTeam > 2 || s.resultColumn < 0 || s.resultColumn > 3) return -1;
    return s.resultColumn + 4 * (s.resultTeam - 1);
}

bool Ranked() { return ScoreData.rank >= 1 && ScoreData.rank <= 10; }

void ComputeRank() {
    cScoreData& s = ScoreData;
    const int32_t table = ResultTable();
    s.rank = kNotRanked;
    if (table < 0) return;
    for (int32_t row = kShownRows - 1; row >= 0 && s.rows[table][row].score < s.resultScore; --row) --s.rank;
}

void Append(char c) {
    cScoreData& s = ScoreData;
    if (s.entryLength >= kMaxName) return;
    s.entryName[s.entryLength++] = c;
    s.entryName[s.entryLength] = '\0';
}

void DeleteLast() {
    cScoreData& s = ScoreData;
    if (s.entryLength <= 0) return;
    s.entryName[--s.entryLength] = '\0';
}

// Columns of the wide rows that land on the delete, space and end cells, and back.
int32_t ToLastRow(int32_t column) {
    if (column >= 23) return kEndColumn;
    if (column >= 20) return kSpaceColumn;
    if (column >= 15) return kDeleteColumn;
    if (column >= 12) return 11;
    return column;
}
int32_t FromLastRow(int32_t column) {
    if (column == kDeleteColumn) return 18;
    if (column == kSpaceColumn) return 21;
    if (column == kEndColumn) return 24;
    return column;
}

void CopyCut(char* out, size_t capacity, const char* text) {
    const size_t n = strnlen(text, capacity - 1);
    std::memcpy(out, text, n);
    out[n] = '\0';
}

void ProgressAndSave() {
    cScoreData& s = ScoreData;
    const int32_t table = ResultTable();
    if (table >= 0) {
        const int32_t stage = s.resultStage;
        // A story stage counts the stages before it; the extra stage and a cleared game count as themselves.
        const int32_t stored = stage < kExtraStage ? stage - 1 : stage;
        uint16_t& best = s.bestStage[table / 4][table % 4];
        if (static_cast<int32_t>(best) < stored) best = static_cast<uint16_t>(stored);
    }
    SaveScoreFile();
}

void ReturnToTitle() {
    cScoreData& s = ScoreData;
    s.rank = kNotRanked;
    std::memset(s.entryName, 0, sizeof s.entryName);
    s.entryLength = 0;
    s.entryColumn = 0;
    s.entryRow = 0;
    s.resultFrame = 0;
    s.resultScore = 0;
    s.resultStage = 0;
    ResetTitleState();
    GameState.stage = 1;
    GameState.twoPlayer = 0;
    GameState.practice = 0;
    GameState.sceneId = kSceneTitle;
}

void StoreRow() {
    cScoreData& s = ScoreData;
    const int32_t table = ResultTable();
    if (table < 0) return;
    if (s.entryLength == 0) CopyCut(s.entryName, sizeof s.entryName, "\"Noname\"");
    cRankingRow& row = s.rows[table][kShownRows];
    CopyCut(row.name, sizeof row.name, s.entryName);
    CopyCut(row.date, sizeof row.date, s.date);
    row.stage = s.resultStage - 1;
    row.score = s.resultScore;
    InsertRankingRow();
}

void Quad(const layout::Quad& quad) { DrawTitleQuad(sheet::kName, quad); }

// The grid cell a name character is drawn from.
void CellOf(char c, int32_t& row, int32_t& column) {
    if (c >= 'A' && c <= 'Z') {
        row = 0;
        column = c - 'A';
    } else if (c >= 'a' && c <= 'z') {
        row = 1;
        column = c - 'a';
    } else if (c >= '0' && c <= '9') {
        row = 2;
        column = c - '0';
    } else {
        CharToNameGrid(c, &row, &column);
    }
}

void DrawName(const char* text) {
    for (int32_t i = 0; text[i] && i < kMaxName; ++i) {
        int32_t row = 0, column = 0;
        CellOf(text[i], row, column);
        Quad({layout::kNameLetters.Screen(i), layout::GridGlyphCell(row, column)});
    }
}

}  // namespace

void NameGridToChar(int32_t row, int32_t column, char* out) {
    if (!out) return;
    if (row == 2) *out = (column >= 10 && column <= 25) ? kRow2Symbols[column - 10] : ' ';
    else if (row == 3) *out = (column >= 0 && column <= 11) ? kRow3Symbols[column] : ' ';
}

void CharToNameGrid(char c, int32_t* row, int32_t* column) {
    if (!row || !column) return;
    if (c != '\0') {
        if (const char* at = std::strchr(kRow2Symbols, c)) {
            *row = 2;
            *column = 10 + static_cast<int32_t>(at - kRow2Symbols);
            return;
        }
        if (const char* at = std::strchr(kRow3Symbols, c)) {
            *row = 3;
            *column = static_cast<int32_t>(at - kRow3Symbols);
            return;
        }
    }
    *row = 3;
    *column = kDeleteColumn;
}

void InsertRankingRow() {
    const int32_t table = ResultTable();
    if (table < 0) return;
    cRankingRow* rows = ScoreData.rows[table];
    for (int32_t i = 0; i < kShownRows; ++i)
        for (int32_t j = i + 1; j < kRankingRows; ++j)
            if (rows[j].score > rows[i].score) {
                const cRankingRow swap = rows[i];
                rows[i] = rows[j];
                rows[j] = swap;
            }
}

void UpdateNameEntry() {
    cScoreData& s = ScoreData;
    const uint16_t pushed = PadWords[0].pushed;
    int32_t& row = s.entryRow;
    int32_t& column = s.entryColumn;
    const bool full = s.entryLength >= kMaxName;
    if (pushed & PAD_SHOT) {
        if (!full) {
            PlayEffect(SoundTable.lifeitemget);
            char c = 0;
            if (row == 0 && column >= 0 && column <= 25) c = static_cast<char>('A' + column);
            else if (row == 1 && column >= 0 && column <= 25) c = static_cast<char>('a' + column);
            else if (row == 2) {
                if (column >= 0 && column <= 9) c = static_cast<char>('0' + column);
                else NameGridToChar(row, column, &c);
            } else if (row == 3) {
                if (column == kDeleteColumn) DeleteLast();
                else if (column == kSpaceColumn) c = ' ';
                else if (column == kEndColumn) s.resultFrame = 1;
                else NameGridToChar(row, column, &c);
            }
            if (c) Append(c);
            if (s.entryLength >= kMaxName) {
                row = 3;
                column = kEndColumn;
            }
        } else if (row == 3 && column == kDeleteColumn) {
            DeleteLast();
        } else if (row == 3 && column == kEndColumn) {
            PlayEffect(SoundTable.lifeitemget);
            s.resultFrame = 1;
        }
    }
    if (pushed & PAD_DIRECT) DeleteLast();
    const bool fullNow = s.entryLength >= kMaxName;
    if (pushed & PAD_UP) {
        PlayEffect(SoundTable.titlefocus);
        if (!fullNow) {
            if (row == 0) {
                row = 3;
                column = ToLastRow(column);
            } else if (row == 3) {
                row = 2;
                column = FromLastRow(column);
            } else {
                --row;
            }
        }
    }
    if (pushed & PAD_DOWN) {
        PlayEffect(SoundTable.titlefocus);
        if (!fullNow) {
            if (row == 3) {
                row = 0;
                column = FromLastRow(column);
            } else if (row == 2) {
                row = 3;
                column = ToLastRow(column);
            } else {
                ++row;
            }
        }
    }
    if (pushed & PAD_LEFT) {
        PlayEffect(SoundTable.titlefocus);
        if (fullNow) column = column == kEndColumn ? kDeleteColumn : kEndColumn;
        else if (--column < 0) column = row == 3 ? kEndColumn : 25;
    }
    if (pushed & PAD_RIGHT) {
        PlayEffect(SoundTable.titlefocus);
        if (fullNow) column = column == kEndColumn ? kDeleteColumn : kEndColumn;
        else if (++column > (row == 3 ? kEndColumn : 25)) column = 0;
    }
}

void LoadNameEntrySprites() { loadSpriteCStr("img/name.png", sheet::kName, 0, 600); }

void DrawResultScene() {
    cScoreData& s = ScoreData;
    CSprite2D* sheet = SlotSprite(sheet::kName);
    KestraSprite2D::Begin(sheet);
    Quad(layout::kBackdrop);
    Quad(layout::kResultStage.At(0, s.resultStage));
    if (Ranked()) {
        if (s.rank == 10) {
            Quad(layout::kResultRankTen.At(0, 1));
            Quad(layout::kResultRankTen.At(1, 0));
        } else {
            Quad(layout::kResultRank.At(0, s.rank));
        }
    }
    char text[32];
    std::snprintf(text, sizeof text, "%d", s.resultScore);
    for (int32_t i = 0; text[i] >= '0' && text[i] <= '9'; ++i) Quad(layout::kResultScore.At(i, text[i] - '0'));
    if (Ranked()) {
        DrawName(s.entryName);
        if (s.resultFrame == 0 && s.entryLength < kMaxName) Quad(layout::kNameCursor.At(s.entryLength, 0));
    } else {
        DrawName("GameOver");
    }
    FormatToday();
    // The digits and the slash between them.
    for (int32_t i = 0; i < 5 && s.date[i]; ++i) {
        const char c = s.date[i];
        Quad(layout::kResultDate.At(i, c >= '0' && c <= '9' ? c - '0' : 11));
    }
    Quad(layout::kNameGrid);
    const int32_t row = s.entryRow;
    const int32_t column = s.entryColumn;
    if (row < 3 || column < kDeleteColumn)
        Quad(layout::GridCursor(row, column));
    else
        Quad(layout::GridCursorWide(column));
    RenderSheets({sheet});
}

void UpdateResultScene() {
    cScoreData& s = ScoreData;
    if (s.rank == kNotRanked) ComputeRank();
    DrawResultScene();
    if (Ranked()) {
        if (s.resultFrame == 0) {
            UpdateNameEntry();
            return;
        }
        if (++s.resultFrame < kStoreFrame) return;
        StoreRow();
    } else {
        s.entryColumn = kEndColumn;
        s.entryRow = 3;
        if (s.resultFrame == 0) {
            if (PadWords[0].pushed & PAD_SHOT) {
                PlayEffect(SoundTable.lifeitemget);
                s.resultFrame = 1;
            }
            return;
        }
        if (++s.resultFrame < kStoreFrame) return;
    }
    ProgressAndSave();
    ReturnToTitle();
}
