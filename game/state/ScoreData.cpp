#include "game/state/ScoreData.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <cstring>
#include <vector>

#include "engine/core/KestraShiftJis.h"
#include "game/state/SaveFile.h"
#include "platform/win32/crt.h"

cScoreData ScoreData;

namespace {

constexpr char kScorePath[] = "./save/score.dat";
constexpr size_t kTextBuffer = 4096;
constexpr size_t kLineLimit = 63;
constexpr size_t kRankingLines = size_t(kRankingTables) * kShownRows;
// The ranking lines, then the counters: three a table, the finished games and the play time.
constexpr size_t kTextLines = kRankingLines + 3 * size_t(kRankingTables) + 2;

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

// Whether a line has the form the game writes at that place of the text.
bool Fits(const TextLine& line, size_t place) {
    if (!line.readable) return false;
    if (place >= kRankingLines) return IsInteger(line.text, false);
    const std::vector<std::string> f = SplitFields(line.text);
    return f.size() == 4 && f[0].size() < sizeof(cRankingRow::name) && f[2].size() < sizeof(cRankingRow::date) &&
           IsInteger(f[1], true) && IsInteger(f[3], true);
}

// The line read at each place of the text (-1: none). Lines stay in their places
// (a file cut short keeps the lines it has), unless one line break was damaged:
// a line split in two, or two lines joined, would move every line after it. Then
// the places are filled from both ends, each up to the first line that does not
// fit there, and only the damaged lines between them are lost.
std::array<int32_t, kTextLines> PlaceLines(const std::vector<TextLine>& lines) {
    const size_t n = lines.size();
    std::array<int32_t, kTextLines> at;
    for (size_t i = 0; i < kTextLines; ++i) at[i] = i < n ? static_cast<int32_t>(i) : -1;
    if (n == kTextLines) return at;
    size_t front = 0;
    while (front < std::min(n, kTextLines) && Fits(lines[front], front)) ++front;
    size_t back = 0;
    while (back < kTextLines - front && back < n - front && Fits(lines[n - 1 - back], kTextLines - 1 - back)) ++back;
    if (back == 0 || kTextLines - front - back > 2 || n - front - back > 2) return at;
    for (size_t i = front; i < kTextLines - back; ++i) at[i] = -1;
    for (size_t k = 0; k < back; ++k) at[kTextLines - 1 - k] = static_cast<int32_t>(n - 1 - k);
    return at;
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
    for (int32_t table = 0; table < kRankingTables; ++table) counter(Cell(data.bestStage, table));
    counter(data.finishedGames);
    for (int32_t table = 0; table < kRankingTables; ++table) counter(Cell(data.playCount, table));
    for (int32_t table = 0; table < kRankingTables; ++table) counter(Cell(data.clearCount, table));
    counter(data.playSeconds);
    return text;
}

void ParseScoreText(const char* text, size_t size, cScoreData& data) {
    const std::vector<TextLine> lines = SplitLines(text, size);
    const std::array<int32_t, kTextLines> at = PlaceLines(lines);
    size_t place = 0;
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
    auto small = [&]() -> uint16_t {
        const std::string* line = next();
        return line ? static_cast<uint16_t>(static_cast<uint32_t>(ParseDecimal(line->c_str())) & 0xFFFFu) : 0;
    };
    auto large = [&]() -> uint32_t {
        const std::string* line = next();
        return line ? ParseUnsignedDecimal(line->c_str()) : 0;
    };
    for (int32_t table = 0; table < kRankingTables; ++table) Cell(data.bestStage, table) = small();
    data.finishedGames = large();
    for (int32_t table = 0; table < kRankingTables; ++table) Cell(data.playCount, table) = small();
    for (int32_t table = 0; table < kRankingTables; ++table) Cell(data.clearCount, table) = small();
    data.playSeconds = large();
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
    ParseScoreText(bytes.data(), bytes.size(), ScoreData);
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
