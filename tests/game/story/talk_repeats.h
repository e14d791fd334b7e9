// What a reader starts to hear: a word that opens too many of one voice's
// lines, a sentence ending or a phrase that comes back too often, a phrase the
// whole route keeps retelling, and a line one route says nearly word for word
// like the other. Found by counting, not from a list of known offenders; the
// style sheet (test_talk_catalogue.cpp) gives the shares and the words a voice
// may repeat on purpose.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "tests/game/story/talk_texts.h"

namespace talkrepeat {

// One text as the reader meets it: whose it is ("narration" for the boxes),
// the talk it stands in, and where it is written.
struct Text {
    int route;  // 0: team 1, 1: team 2
    std::string who;
    std::string talk;
    std::string at;
    std::u32string text;
};

// A word a voice uses on purpose, with its own cap: where it stands (ending a
// sentence, or anywhere), and at most `num` of every `den` of that voice's
// lines. A word that stands anywhere is a part of the voice the general rules
// leave alone; an ending is capped as a class on top of them (Cheska's わ,
// わね and わよ together), its three-letter endings still counted each.
enum class Stands { Ends, Holds };
struct Register {
    const char* who;
    Stands stands;
    std::array<const char32_t*, 3> words;
    int num, den;
    const char32_t* why;
};

struct FirstPerson {
    const char* who;
    const char32_t* word;
};

// The rule's numbers and the words it leaves alone.
struct Sheet {
    int openerPer;   // one word opens at most one line in this many of a voice's
    int habitPer;    // one of the habit words, chosen on purpose, in this many
    int endingPer;   // one ending closes a sentence in at most one line in this many
    int phrasePer;   // one phrase stands in at most one line in this many
    int talksPer;    // one content phrase stands in at most one talk in this many of a route
    size_t least;    // what any voice may do whatever its size
    double near;     // two lines of the two routes whose sentences agree this much are one line
    std::span<const char32_t* const> storyWords;  // names, forms of address, the story's things
    std::span<const char32_t* const> honorifics;  // what may follow a name
    std::span<const FirstPerson> firstPersons;
    std::span<const Register> registers;
    std::span<const char32_t* const> habitWords;  // openers the voices use on purpose
    std::span<const char32_t* const> setPhrases;  // greetings and thanks: words, not lines
    std::span<const char32_t* const> sharedLines;  // the boxes both routes end on, on purpose
};

inline constexpr char32_t kCut = U'|';  // stands where a word the rules leave alone was
inline const std::u32string kMarks = U"、。！？…　「」『』（）♪〜―";
inline const std::u32string kSentenceEnds = U"。！？♪";
inline const std::u32string kTrailing = U"…―ー〜っ）」』";

inline std::u32string Joined(const std::u32string& text) {
    std::u32string out;
    for (char32_t c : text)
        if (c != U'\n') out += c;
    return out;
}

inline bool IsContent(char32_t c) {  // a kanji or a katakana letter: a word, not grammar
    return (c >= 0x4E00 && c <= 0x9FFF) || c == U'々' || (c >= 0x30A1 && c <= 0x30FA);
}

// The words of a voice the rules leave alone, longest first: every name with
// and without its honorifics, the story's words, the voice's first person.
inline std::vector<std::u32string> LeftAlone(const Sheet& sheet, const std::string& who) {
    std::vector<std::u32string> words;
    for (const char32_t* w : sheet.storyWords) {
        words.emplace_back(w);
        for (const char32_t* h : sheet.honorifics) words.push_back(std::u32string(w) + h);
    }
    for (const FirstPerson& f : sheet.firstPersons)
        if (who == f.who) words.emplace_back(f.word);
    for (const Register& r : sheet.registers)
        if (who == r.who && r.stands == Stands::Holds)
            for (const char32_t* w : r.words)
                if (w) words.emplace_back(w);
    std::sort(words.begin(), words.end(), [](const auto& a, const auto& b) { return a.size() > b.size(); });
    return words;
}

// The text joined into one row, each word left alone replaced by kCut.
inline std::u32string Cut(const std::u32string& text, const std::vector<std::u32string>& words) {
    std::u32string t = Joined(text);
    for (const std::u32string& w : words)
        for (size_t at = t.find(w); at != std::u32string::npos; at = t.find(w, at + 1))
            t.replace(at, w.size(), 1, kCut);
    return t;
}

inline std::vector<std::u32string> Split(const std::u32string& text, const std::u32string& at) {
    std::vector<std::u32string> parts(1);
    for (char32_t c : text) {
        if (at.find(c) != std::u32string::npos) {
            if (!parts.back().empty()) parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    if (parts.back().empty()) parts.pop_back();
    return parts;
}

inline std::u32string Trimmed(std::u32string s) {
    while (!s.empty() && kTrailing.find(s.back()) != std::u32string::npos) s.pop_back();
    return s;
}

inline bool EndsWith(const std::u32string& s, const std::u32string& end) {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// The word a text opens with: up to its first mark, past a leading 「……」 or
// bracket; one letter (a stammer, an え) is no word.
inline std::u32string Opener(const std::u32string& text) {
    const std::u32string t = Joined(text);
    const size_t from = t.find_first_not_of(U"…（");
    if (from == std::u32string::npos) return {};
    size_t to = from;
    while (to < t.size() && kMarks.find(t[to]) == std::u32string::npos) ++to;
    return to - from >= 2 ? t.substr(from, to - from) : std::u32string();
}

// Whether a sentence's last clause ends with `word` (its closing marks aside).
inline bool EndsASentenceWith(const std::u32string& text, const std::u32string& word) {
    for (const std::u32string& s : Split(Joined(text), kSentenceEnds)) {
        const std::vector<std::u32string> clauses = Split(s, U"、　");
        if (!clauses.empty() && EndsWith(Trimmed(clauses.back()), word)) return true;
    }
    return false;
}

// The last three letters of each sentence of a cut text. A name called at the
// end (「いくわよ、クロウ！」) is skipped for the clause before it; a clause
// that ends on a word left alone has no ending of its own.
inline std::set<std::u32string> Endings(const std::u32string& cut) {
    std::set<std::u32string> out;
    for (const std::u32string& sentence : Split(cut, kSentenceEnds)) {
        std::vector<std::u32string> clauses = Split(sentence, U"、　");
        while (!clauses.empty() && Trimmed(clauses.back()).find_first_not_of(kCut) == std::u32string::npos)
            clauses.pop_back();
        if (clauses.empty()) continue;
        const std::u32string clause = Trimmed(clauses.back());
        const size_t at = clause.rfind(kCut);
        const std::u32string tail = at == std::u32string::npos ? clause : clause.substr(at + 1);
        if (tail.size() >= 3 && clause.back() != kCut) out.insert(tail.substr(tail.size() - 3));
    }
    return out;
}

// Every run of four or more letters of a cut text that holds no mark and no cut.
inline std::set<std::u32string> Phrases(const std::u32string& cut) {
    std::set<std::u32string> out;
    for (const std::u32string& part : Split(cut, kMarks + kCut))
        for (size_t from = 0; from + 4 <= part.size(); ++from)
            for (size_t len = 4; from + len <= part.size(); ++len) out.insert(part.substr(from, len));
    return out;
}

// Of the phrases found too often, those no longer one found as often holds:
// 「ふふーん」 once, not also 「ふふー」 and 「ふーん」.
template <typename Count>
std::vector<std::pair<std::u32string, Count>> Outermost(const std::map<std::u32string, Count>& found) {
    std::vector<std::pair<std::u32string, Count>> out;
    for (const auto& [phrase, count] : found) {
        bool inside = false;
        for (const auto& [other, n] : found)
            if (other.size() > phrase.size() && n == count && other.find(phrase) != std::u32string::npos) inside = true;
        if (!inside) out.emplace_back(phrase, count);
    }
    return out;
}

// What a voice of `lines` lines may do at one in `per`, and the whole count that is.
inline double Cap(size_t lines, int per, size_t least) { return std::max(double(least), double(lines) / per); }
inline std::string Most(double cap) { return std::to_string(size_t(cap)); }

// The rules for each voice of each route: openers, endings, phrases and the voice's registers.
inline void CheckVoices(const Sheet& sheet, std::span<const Text> texts, std::vector<std::string>* errors) {
    std::map<std::pair<int, std::string>, std::vector<const Text*>> voices;
    for (const Text& t : texts) voices[{t.route, t.who}].push_back(&t);
    for (const auto& [voice, lines] : voices) {
        const auto& [route, who] = voice;
        const std::string name = "team " + std::to_string(route + 1) + ", " + who + ": ";
        const std::vector<std::u32string> alone = LeftAlone(sheet, who);
        std::map<std::u32string, std::vector<std::string>> openers, habits, endings;
        std::map<std::u32string, size_t> phrases;
        for (const Text* t : lines) {
            const std::u32string opener = Opener(t->text);
            const bool habit = std::any_of(sheet.habitWords.begin(), sheet.habitWords.end(), [&](const char32_t* w) {
                std::u32string word = w;
                while (!word.empty() && word.back() == U'…') word.pop_back();  // はあ…… opens as はあ
                return opener == word;
            });
            if (!opener.empty()) (habit ? habits : openers)[opener].push_back(t->at);
            const std::u32string cut = Cut(t->text, alone);
            for (const std::u32string& e : Endings(cut)) endings[e].push_back(t->at);
            for (const std::u32string& p : Phrases(cut)) ++phrases[p];
        }
        const size_t n = lines.size();
        auto tell = [&](const char* what, const std::map<std::u32string, std::vector<std::string>>& found, int per) {
            const double cap = Cap(n, per, sheet.least);
            for (const auto& [word, places] : found) {
                if (places.size() <= cap) continue;
                std::string list;
                for (const std::string& p : places) list += "\n    " + p;
                errors->push_back(name + std::to_string(places.size()) + " of " + std::to_string(n) + " lines " + what +
                                  " \"" + talktest::Utf8(word) + "\" (at most " + Most(cap) + "):" + list);
            }
        };
        tell("open with", openers, sheet.openerPer);
        tell("open with the habit word", habits, sheet.habitPer);
        tell("end a sentence in", endings, sheet.endingPer);
        std::map<std::u32string, size_t> often;
        const double cap = Cap(n, sheet.phrasePer, sheet.least);
        for (const auto& [p, count] : phrases)
            if (count > cap) often.emplace(p, count);
        for (const auto& [p, count] : Outermost(often)) {
            std::string list;
            for (const Text* t : lines)
                if (Phrases(Cut(t->text, alone)).count(p)) list += "\n    " + t->at;
            errors->push_back(name + std::to_string(count) + " of " + std::to_string(n) + " lines hold \"" +
                              talktest::Utf8(p) + "\" (at most " + Most(cap) + "):" + list);
        }
        for (const Register& r : sheet.registers) {
            if (who != r.who) continue;
            size_t count = 0;
            for (const Text* t : lines)
                for (const char32_t* w : r.words)
                    if (w && (r.stands == Stands::Ends ? EndsASentenceWith(t->text, w)
                                                       : Joined(t->text).find(w) != std::u32string::npos)) {
                        ++count;
                        break;
                    }
            const double most = double(n) * r.num / r.den;
            if (count <= most) continue;
            errors->push_back(name + std::to_string(count) + " of " + std::to_string(n) + " lines hold its \"" +
                              talktest::Utf8(std::u32string(r.words[0])) + "\" (at most " + Most(most) + ", " +
                              std::to_string(r.num) + " in " + std::to_string(r.den) + ": " +
                              talktest::Utf8(std::u32string(r.why)) + ")");
        }
    }
}

// A phrase of a word or more (a kanji or katakana in it) that a route keeps
// retelling, whoever says it: in more of its talks than the sheet allows.
inline void CheckRetelling(const Sheet& sheet, std::span<const Text> texts, std::vector<std::string>* errors) {
    for (int route = 0; route < 2; ++route) {
        std::set<std::string> talks;
        std::map<std::u32string, std::set<std::string>> where;
        std::map<std::u32string, std::vector<std::string>> places;
        for (const Text& t : texts) {
            if (t.route != route) continue;
            talks.insert(t.talk);
            for (const std::u32string& p : Phrases(Cut(t.text, LeftAlone(sheet, t.who)))) {
                if (std::none_of(p.begin(), p.end(), IsContent)) continue;
                where[p].insert(t.talk);
                places[p].push_back(t.at);
            }
        }
        const double cap = Cap(talks.size(), sheet.talksPer, sheet.least);
        std::map<std::u32string, size_t> often;
        for (const auto& [p, in] : where)
            if (in.size() > cap) often.emplace(p, in.size());
        for (const auto& [p, count] : Outermost(often)) {
            std::string list;
            for (const std::string& at : places[p]) list += "\n    " + at;
            errors->push_back("team " + std::to_string(route + 1) + ": \"" + talktest::Utf8(p) + "\" in " +
                              std::to_string(count) + " of its " + std::to_string(talks.size()) + " talks (at most " +
                              Most(cap) + "):" + list);
        }
    }
}

// One sentence for the comparison: its letters without marks, greetings cut,
// and which letters belong to words the rules leave alone.
struct Sentence {
    const Text* from;
    std::u32string letters;
    std::vector<bool> alone;
};

inline std::vector<Sentence> Sentences(const Sheet& sheet, const Text& t) {
    std::vector<Sentence> out;
    std::vector<std::u32string> greetings(sheet.setPhrases.begin(), sheet.setPhrases.end());
    std::sort(greetings.begin(), greetings.end(), [](const auto& a, const auto& b) { return a.size() > b.size(); });
    const std::vector<std::u32string> alone = LeftAlone(sheet, t.who);
    for (const std::u32string& s : Split(Cut(t.text, greetings), kSentenceEnds)) {
        Sentence sentence{&t, {}, {}};
        for (char32_t c : s)
            if (kMarks.find(c) == std::u32string::npos) sentence.letters += c;
        sentence.alone.assign(sentence.letters.size(), false);
        for (const std::u32string& w : alone)
            for (size_t at = sentence.letters.find(w); at != std::u32string::npos; at = sentence.letters.find(w, at + 1))
                std::fill_n(sentence.alone.begin() + ptrdiff_t(at), w.size(), true);
        const ptrdiff_t cut = std::count(sentence.letters.begin(), sentence.letters.end(), kCut);
        if (ptrdiff_t(sentence.letters.size()) - cut >= 8) out.push_back(std::move(sentence));
    }
    return out;
}

// The letters two sentences share in order (no cut between them), and how many
// of those are the first sentence's own words rather than names.
inline std::pair<size_t, size_t> Shared(const Sentence& a, const Sentence& b) {
    const size_t n = a.letters.size(), m = b.letters.size();
    std::vector<std::vector<uint16_t>> best(n + 1, std::vector<uint16_t>(m + 1, 0));
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < m; ++j)
            best[i + 1][j + 1] = a.letters[i] == b.letters[j] && a.letters[i] != kCut
                                     ? uint16_t(best[i][j] + 1)
                                     : std::max(best[i][j + 1], best[i + 1][j]);
    size_t own = 0;
    for (size_t i = n, j = m; i && j;) {
        if (a.letters[i - 1] == b.letters[j - 1] && a.letters[i - 1] != kCut && best[i][j] == best[i - 1][j - 1] + 1) {
            own += !a.alone[i - 1];
            --i, --j;
        } else if (best[i - 1][j] >= best[i][j - 1]) {
            --i;
        } else {
            --j;
        }
    }
    return {best[n][m], own};
}

// A line of one route that says nearly what a line of the other says: two of
// their sentences share, in order, most of their letters (sheet.near of the
// two lengths' mean), eight at least and six of them not names or the story's
// words. A player of both routes hears the same line twice.
inline void CheckBothRoutes(const Sheet& sheet, std::span<const Text> texts, std::vector<std::string>* errors) {
    std::vector<Sentence> routes[2];
    for (const Text& t : texts) {
        const bool shared = std::any_of(sheet.sharedLines.begin(), sheet.sharedLines.end(),
                                        [&](const char32_t* s) { return t.text == s; });
        if (shared) continue;
        for (Sentence& s : Sentences(sheet, t)) routes[t.route].push_back(std::move(s));
    }
    auto letters = [](const Sentence& s) {
        std::u32string sorted = s.letters;
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    };
    std::vector<std::u32string> sorted[2];
    for (int r = 0; r < 2; ++r)
        for (const Sentence& s : routes[r]) sorted[r].push_back(letters(s));
    std::set<std::pair<std::string, std::string>> told;
    for (size_t i = 0; i < routes[0].size(); ++i)
        for (size_t j = 0; j < routes[1].size(); ++j) {
            const Sentence& a = routes[0][i];
            const Sentence& b = routes[1][j];
            const double need = sheet.near * double(a.letters.size() + b.letters.size()) / 2;
            // The letters the two hold in common bound what they can share in order.
            std::u32string common;
            std::set_intersection(sorted[0][i].begin(), sorted[0][i].end(), sorted[1][j].begin(), sorted[1][j].end(),
                                  std::back_inserter(common));
            if (double(common.size()) < need) continue;
            const auto [length, own] = Shared(a, b);
            if (double(length) < need || length < 8 || own < 6) continue;
            if (!told.emplace(a.from->at, b.from->at).second) continue;
            errors->push_back("both routes say nearly the same line: team 1 " + a.from->at + " \"" +
                              talktest::Utf8(Joined(a.from->text)) + "\" and team 2 " + b.from->at + " \"" +
                              talktest::Utf8(Joined(b.from->text)) + "\"");
        }
}

inline void Check(const Sheet& sheet, std::span<const Text> texts, std::vector<std::string>* errors) {
    CheckVoices(sheet, texts, errors);
    CheckRetelling(sheet, texts, errors);
    CheckBothRoutes(sheet, texts, errors);
}

}  // namespace talkrepeat
