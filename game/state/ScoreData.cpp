#include "game/state/ScoreData.h"

#include <algorithm>
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

// Splits at "|", stepping over both bytes of a double-byte character so a
// trail byte equal to "|" does not cut a name.
std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields(1);
    for (size_t i = 0; i < line.size();) {
        const size_t width = platform::CharBytes(line.data() + i, line.size() - i);
        if (width == 1 && line[i] == '|') fields.emplace_back();
        else fields.back().append(line, i, width);
        i += width;
    }
    return fields;
}

// The text's lines; a line longer than the limit is kept as unreadable (false)
// and reading goes on with the next one.
struct Lines {
    const char* p;
    const char* end;
    bool Next(std::string& line, bool& readable) {
        if (p >= end) return false;
        const char* stop = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        const char* lineEnd = stop ? stop : end;
        line.assign(p, lineEnd);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        readable = line.size() <= kLineLimit;
        p = stop ? stop + 1 : end;
        return true;
    }
};

}  // namespace

cScoreData::cScoreData() {
    std::memset(this, 0, sizeof *this);
    rank = kNotRanked;
}

void FillDefaultScores(cScoreData& data) {
    for (int32_t table = 0; table < kRankingTables; ++table) {
        const char* const* names = (table % 4 == 3) ? kExtraNames : kNames;
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
    for (int32_t table = 0; table < kRankingTables; ++table) counter(data.bestStage[table / 4][table % 4]);
    counter(data.finishedGames);
    for (int32_t table = 0; table < kRankingTables; ++table) counter(data.playCount[table / 4][table % 4]);
    for (int32_t table = 0; table < kRankingTables; ++table) counter(data.clearCount[table / 4][table % 4]);
    counter(data.playSeconds);
    return text;
}

void ParseScoreText(const char* text, size_t size, cScoreData& data) {
    const char* zero = size ? static_cast<const char*>(std::memchr(text, '\0', size)) : nullptr;
    Lines lines{text, zero ? zero : text + size};
    std::string line;
    bool readable = false;
    auto next = [&]() -> bool { return lines.Next(line, readable) && readable; };

    for (int32_t table = 0; table < kRankingTables; ++table) {
        for (int32_t row = 0; row < kShownRows; ++row) {
            cRankingRow& r = data.rows[table][row];
            if (!next()) {
                r.stage = 0;
                continue;
            }
            const std::vector<std::string> fields = SplitFields(line);
            CopyCut(r.name, sizeof r.name, fields[0]);
            r.score = fields.size() > 1 ? ParseDecimal(fields[1].c_str()) : 0;
            CopyCut(r.date, sizeof r.date, fields.size() > 2 ? fields[2] : std::string());
            // A hand-edited line with more fields takes its fourth as the stage.
            r.stage = fields.size() > 3 ? ParseDecimal(fields[3].c_str()) : 0;
        }
    }
    auto small = [&]() -> uint16_t {
        return next() ? static_cast<uint16_t>(static_cast<uint32_t>(ParseDecimal(line.c_str())) & 0xFFFFu) : 0;
    };
    auto large = [&]() -> uint32_t { return next() ? ParseUnsignedDecimal(line.c_str()) : 0; };
    for (int32_t table = 0; table < kRankingTables; ++table) data.bestStage[table / 4][table % 4] = small();
    data.finishedGames = large();
    for (int32_t table = 0; table < kRankingTables; ++table) data.playCount[table / 4][table % 4] = small();
    for (int32_t table = 0; table < kRankingTables; ++table) data.clearCount[table / 4][table % 4] = small();
    data.playSeconds = large();
}

void LoadScoreFile() {
    std::string bytes;
    if (!ReadFileBytes(kScorePath, kTextBuffer - 1, bytes)) {
        FillDefaultScores(ScoreData);
        return;
    }
    for (char& c : bytes) c = static_cast<char>(~static_cast<unsigned char>(c));
    ParseScoreText(bytes.data(), bytes.size(), ScoreData);
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
