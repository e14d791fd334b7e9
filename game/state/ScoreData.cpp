#include "game/state/ScoreData.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <cstring>
#include <vector>

#include "engine/core/KestraLog.h"
#include "engine/core/KestraShiftJis.h"
#include "game/state/SaveFile.h"
#include "platform/win32/crt.h"

cScoreData ScoreData;

namespace {

constexpr char kScorePath[] = "./save/score.dat";
constexpr size_t kTextBuffer = 4096;
constexpr size_t kLineLimit = 63;
constexpr size_t kRankingLines = size_t(kRankingTables) * kShownRows;
// The most the game writes as a stage reached and as a play or clear count.
constexpr uint32_t kStageDigitMost = 9;
constexpr uint32_t kCountMost = 999;

// The counters after the ranking lines, in the order of the file: a 16-bit one
// for every table, or one 32-bit one; each with the most the game writes.
struct CounterRun {
    uint16_t (cScoreData::*perTable)[kRankingTeams][kDifficultyColumns];
    uint32_t cScoreData::*single;
    uint32_t most;
};
constexpr CounterRun kCounterRuns[] = {
    {&cScoreData::bestStage, nullptr, kStageDigitMost},  {nullptr, &cScoreData::finishedGames, 0xFFFFFFFFu},
    {&cScoreData::playCount, nullptr, kCountMost},       {&cScoreData::clearCount, nullptr, kCountMost},
    {nullptr, &cScoreData::playSeconds, kPlaySecondsCap},
};
constexpr size_t LinesOf(const CounterRun& run) { return run.perTable ? size_t(kRankingTables) : 1; }
constexpr size_t CounterLines() {
    size_t n = 0;
    for (const CounterRun& run : kCounterRuns) n += LinesOf(run);
    return n;
}
constexpr size_t kTextLines = kRankingLines + CounterLines();

const char* const kNames[10] = {"Yuri", "Crow", "Shamyu", "Fururu", "Chris",
                                "Momo", "Nono", "Othellot", "Leen", "Kohaku"};
const char* const kExtraNames[10] = {"Fenwal", "Moribe", "Kobri", "Lusta", "vemp",
                                     "Zantel3", "Pekko", "Vorasi27", "Tirno", "wemblor"};

// Copies whole characters, at most `capacity - 1` bytes, zero-terminated: a
// double-byte character cut in two would join the "|" after it when saved.
void CopyCut(char* out, size_t capacity, const std::string& text) {
    size_t n = 0;
    while (n < text.size()) {
        const size_t width = platform::CharBytes(text.data() + n, text.size() - n);
        if (width == 1 && Kestra::IsLeadByte(static_cast<uint8_t>(text[n]))) break;  // half a character
        if (n + width > capacity - 1) break;
        n += width;
    }
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

// Splits at every "|": the name grid has no "|", so a stored name holds none, and
// a lead byte before one (a hand-edited or damaged file) does not join it.
std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == '|') fields.emplace_back();
        else fields.back() += c;
    }
    return fields;
}

// One line of the text. Unreadable when longer than the limit or when it holds a
// zero byte: the game never writes one, so it is a damaged byte.
struct TextLine {
    std::string text;
    bool readable;
};

std::vector<TextLine> SplitLines(const char* text, size_t size) {
    std::vector<TextLine> lines;
    for (const char *p = text, *end = text + size; p < end;) {
        const char* stop = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        TextLine line{std::string(p, stop ? stop : end), true};
        if (!line.text.empty() && line.text.back() == '\r') line.text.pop_back();
        line.readable = line.text.size() <= kLineLimit && line.text.find('\0') == std::string::npos;
        lines.push_back(std::move(line));
        p = stop ? stop + 1 : end;
    }
    return lines;
}

bool IsInteger(const std::string& text, bool sign) {
    size_t i = sign && !text.empty() && text[0] == '-' ? 1 : 0;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

// A counter of the table `table` (difficulty column + 4 * team index).
template <typename Counter>
auto& Cell(Counter (&counters)[kRankingTeams][kDifficultyColumns], int32_t table) {
    return counters[table / kDifficultyColumns][table % kDifficultyColumns];
}

// Each counter, in the order of the file.
template <typename Data, typename F>
void EachCounter(Data& data, F&& f) {
    for (const CounterRun& run : kCounterRuns) {
        if (!run.perTable) f(data.*run.single);
        else
            for (int32_t table = 0; table < kRankingTables; ++table) f(Cell(data.*run.perTable, table));
    }
}

// The most the game writes as the counter at a place of the text past the ranking lines.
uint32_t MostAt(size_t counter) {
    for (const CounterRun& run : kCounterRuns) {
        if (counter < LinesOf(run)) return run.most;
        counter -= LinesOf(run);
    }
    return 0;
}

// Whether the text is a number as the game writes it: no leading zero, a sign
// only before a negative one.
bool IsWritten(const std::string& text) {
    const size_t digits = !text.empty() && text[0] == '-' ? 1 : 0;
    return IsInteger(text, true) && (text[digits] != '0' || (digits == 0 && text.size() == 1));
}

// Whether the text is a counter as the game writes it, no larger than `most`.
bool IsCount(const std::string& text, uint32_t most) {
    return IsInteger(text, false) && IsWritten(text) && text.size() <= 10 && std::stoull(text) <= most;
}

// Whether a line has the form the game writes at that place of the text: a
// ranking row, or a counter within what the game counts to.
bool Fits(const TextLine& line, size_t place) {
    if (!line.readable) return false;
    if (place >= kRankingLines) return IsCount(line.text, MostAt(place - kRankingLines));
    const std::vector<std::string> f = SplitFields(line.text);
    return f.size() == 4 && f[0].size() < sizeof(cRankingRow::name) && f[2].size() < sizeof(cRankingRow::date) &&
           IsWritten(f[1]) && IsWritten(f[3]);
}

constexpr int32_t kLost = -1;       // no line for the place
constexpr int32_t kUnplaced = -2;   // more than one line could be the place's

// Whether a damaged line break can have made `pieces` of the line at `place`:
// a ranking row always (its form places it), a counter when the pieces, with
// the one byte the break took or gave, make a counter that fits there.
bool CouldBe(const std::string& text, size_t place) {
    return place < kRankingLines || Fits(TextLine{text, true}, place);
}

// The line read at each place of the text. Lines stay in their places (a file
// cut short keeps the lines it has), unless one line break was damaged: a line
// split in two, or two lines joined, would move every line after it. Then every
// place the damage could lie at is tried: lines in their places before it, in
// their places from the end after it, each fitting there, and the damaged
// lines able to be what they replace. A place every such reading reads alike
// gets that line; a place they read differently (counters are bare numbers, so
// a joined pair may pass for one) gets none.
std::array<int32_t, kTextLines> PlaceLines(const std::vector<TextLine>& lines) {
    const size_t n = lines.size();
    std::array<int32_t, kTextLines> at;
    for (size_t i = 0; i < kTextLines; ++i) at[i] = i < n ? static_cast<int32_t>(i) : kLost;
    const bool split = n == kTextLines + 1, joined = n + 1 == kTextLines;
    if (!split && !joined) return at;
    const size_t lost = split ? 1 : 2;  // the places the damage costs
    size_t front = 0;
    while (front < std::min(n, kTextLines) && Fits(lines[front], front)) ++front;
    size_t back = 0;
    while (back < std::min(n, kTextLines) && Fits(lines[n - 1 - back], kTextLines - 1 - back)) ++back;
    std::array<int32_t, kTextLines> placed;
    bool any = false;
    for (size_t start = 0; start + lost <= kTextLines && start <= front; ++start) {
        if (kTextLines - start - lost > back) continue;
        if (split) {
            // The byte that became the break joined the two halves.
            const std::string& a = lines[start].text;
            if (!CouldBe(a + (a.empty() ? "1" : "0") + lines[start + 1].text, start)) continue;
        } else {
            // The break became a byte, or went: the joined line parts into two.
            const std::string& both = lines[start].text;
            bool parts = false;
            for (size_t cut = 0; cut <= both.size() && !parts; ++cut)
                parts = CouldBe(both.substr(0, cut), start) &&
                        ((cut < both.size() && CouldBe(both.substr(cut + 1), start + 1)) ||
                         CouldBe(both.substr(cut), start + 1));
            if (!parts) continue;
        }
        for (size_t place = 0; place < kTextLines; ++place) {
            const int32_t line = place < start ? static_cast<int32_t>(place)
                                 : place < start + lost ? kLost
                                                        : static_cast<int32_t>(n - (kTextLines - place));
            int32_t& seen = placed[place];
            if (!any) seen = line;
            else if (seen != line && (seen < 0 || line < 0 || lines[seen].text != lines[line].text)) seen = kUnplaced;
        }
        any = true;
    }
    return any ? placed : at;
}

}  // namespace

cScoreData::cScoreData() {
    std::memset(this, 0, sizeof *this);
    rank = kNotRanked;
}

void FillDefaultScores(cScoreData& data) {
    for (int32_t table = 0; table < kRankingTables; ++table) {
        const char* const* names = (table % kDifficultyColumns == 3) ? kExtraNames : kNames;
        for (int32_t row = 0; row < kShownRows; ++row) {
            cRankingRow& r = data.rows[table][row];
            CopyCut(r.name, sizeof r.name, names[row]);
            CopyCut(r.date, sizeof r.date, "08/14");
            r.stage = 0;
            r.score = 100000 * (10 - row);
        }
    }
    std::memset(data.bestStage, 0, sizeof data.bestStage);
    std::memset(data.playCount, 0, sizeof data.playCount);
    std::memset(data.clearCount, 0, sizeof data.clearCount);
    data.finishedGames = 0;
    data.playSeconds = 0;
}

std::string BuildScoreText(const cScoreData& data) {
    std::string text;
    char line[64];
    for (int32_t table = 0; table < kRankingTables; ++table) {
        for (int32_t row = 0; row < kShownRows; ++row) {
            const cRankingRow& r = data.rows[table][row];
            // The fields are bounded, so the line always fits.
            std::snprintf(line, sizeof line, "%.15s|%d|%.7s|%d\n", r.name, r.score, r.date, r.stage);
            text += line;
        }
    }
    auto counter = [&](uint32_t value) { text += std::to_string(value) + "\n"; };
    EachCounter(data, counter);
    return text;
}

int32_t ParseScoreText(const char* text, size_t size, cScoreData& data) {
    const std::vector<TextLine> lines = SplitLines(text, size);
    const std::array<int32_t, kTextLines> at = PlaceLines(lines);
    size_t place = 0;
    int32_t kept = 0;
    // The line at the next place, when there is one to read.
    auto next = [&]() -> const std::string* {
        const int32_t i = at[place++];
        return i >= 0 && lines[static_cast<size_t>(i)].readable ? &lines[static_cast<size_t>(i)].text : nullptr;
    };

    for (int32_t table = 0; table < kRankingTables; ++table) {
        for (int32_t row = 0; row < kShownRows; ++row) {
            cRankingRow& r = data.rows[table][row];
            const std::string* line = next();
            if (!line) {
                r.stage = 0;
                continue;
            }
            const std::vector<std::string> fields = SplitFields(*line);
            CopyCut(r.name, sizeof r.name, fields[0]);
            r.score = fields.size() > 1 ? ParseDecimal(fields[1].c_str()) : 0;
            CopyCut(r.date, sizeof r.date, fields.size() > 2 ? fields[2] : std::string());
            // A hand-edited line with more fields takes its fourth as the stage.
            r.stage = fields.size() > 3 ? ParseDecimal(fields[3].c_str()) : 0;
        }
    }
    // A counter that cannot be placed keeps what it had: a shifted one would be wrong.
    EachCounter(data, [&](auto& counter) {
        const bool unplaced = at[place] == kUnplaced;
        if (unplaced) ++kept;
        const std::string* line = next();
        if (unplaced) return;
        if (!line) counter = 0;
        // A 16-bit counter keeps the low bits of a larger number.
        else if constexpr (sizeof counter == 2)
            counter = static_cast<uint16_t>(static_cast<uint32_t>(ParseDecimal(line->c_str())) & 0xFFFFu);
        else counter = ParseUnsignedDecimal(line->c_str());
    });
    return kept;
}

void LoadScoreFile() {
    std::string bytes;
    bool whole = false;
    if (!ReadSaveFile(kScorePath, kTextBuffer - 1, bytes, whole)) {
        FillDefaultScores(ScoreData);
        NoteLoaded(kScorePath, false);
        return;
    }
    for (char& c : bytes) c = static_cast<char>(~static_cast<unsigned char>(c));
    if (ParseScoreText(bytes.data(), bytes.size(), ScoreData) > 0) {
        Kestra::LogRed("　エラー : 位置の定まらないカウンタは前の値のままです [ %s ]", kScorePath);
        Kestra::LogNewLine();
    }
    NoteLoaded(kScorePath, !whole || BuildScoreText(ScoreData) != bytes);
}

void SaveScoreFile() {
    std::string bytes = BuildScoreText(ScoreData);
    for (char& c : bytes) c = static_cast<char>(~static_cast<unsigned char>(c));
    ReplaceFileContents(kScorePath, bytes);
}

void AdvancePlayTime(cScoreData& data) {
    if (data.playSeconds >= kPlaySecondsCap) return;
    if (++data.playFrame >= 60) {
        data.playFrame = 0;
        ++data.playSeconds;
    }
}

void FormatToday() {
    const __time64_t now = _time64(nullptr);
    const struct tm* local = _localtime64(&now);
    if (!local) return;
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d", local->tm_mon + 1, local->tm_mday);
    CopyCut(ScoreData.date, sizeof ScoreData.date, text);
}
