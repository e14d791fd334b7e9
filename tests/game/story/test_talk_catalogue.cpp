// The checks every table and every text must pass, whoever writes them: the
// flow of each talk from step 0 to its end, the cells, sides and modes of its
// portraits, the cards and balloons, the end actions, who listens beside
// whose words, and each text's rows, widths, characters and style. A failure
// names the talk and step, or the text file's line.
#include <gtest/gtest.h>

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "game/story/TalkScripts.h"
#include "tests/game/story/talk_repeats.h"
#include "tests/game/story/talk_texts.h"
#include "tests/support/records.h"

namespace {

using talk::Character;
using talk::TalkScript;
using talk::TalkSlot;
using talk::TalkStep;

// In a JIS X 0208 text: ISO-2022-JP has a code for it. CP932 decodes a few
// JIS X 0208 marks to other code points (0x8160 〜 as U+FF5E and so on); they
// are the same cells, so they count under their JIS names.
bool InJisX0208(char32_t c) {
    static const std::pair<char32_t, char32_t> kCp932Names[] = {
        {0xFF5E, 0x301C}, {0x2225, 0x2016}, {0xFF0D, 0x2212}, {0xFFE0, 0x00A2},
        {0xFFE1, 0x00A3}, {0xFFE2, 0x00AC}, {0xFF3C, 0x005C}};
    for (const auto& [cp932, jis] : kCp932Names)
        if (c == cp932) c = jis;
    static iconv_t cd = iconv_open("ISO-2022-JP", "UTF-32LE");
    char in[4] = {char(c & 0xFF), char((c >> 8) & 0xFF), char((c >> 16) & 0xFF), char(c >> 24)};
    char out[16];
    char* ip = in;
    char* op = out;
    size_t il = 4, ol = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return iconv(cd, &ip, &il, &op, &ol) != size_t(-1) && il == 0;
}

// A row may not start with these (closing marks, the long vowel, small kana).
bool MayNotStartARow(char32_t c) {
    static const std::u32string kMarks = U"、。」）！？ーぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ";
    return kMarks.find(c) != std::u32string::npos;
}

// One style sheet for both teams' texts:
// - no space between words; a full-width space only after ！ or ？ where the
//   sentence goes on in the same row (none before 」』） or another ！？);
// - a row that ends a sentence closes it with a mark (。！？……); only a
//   text's last row may end one bare (the endings below tell a sentence's end);
// - one spelling per word, the second form of each pair below, mostly kana
//   since there is no ruby; honorifics follow the speaker (さま in the casual
//   voices, 様 in the formal ones), but お姫さま is a word, the same in every
//   mouth. 「……」 takes no full stop after it (Crow's sigh is 「はあ……」);
//   Yuri laughs 「あはは」;
// - a silent reaction is written one way in both routes: in brackets when
//   nobody hears it (（ぽっ……）, a thought), bare when it is a sound
//   (ぐうう……, えへへ……);
// - a habit word (kOpeners) opens at most about a tenth of a speaker's lines
//   in a route, all the words together (see CheckOpeners);
// - a formula (kFormulas: a rebuke opening with Osero's name, Cheska's
//   〜ですこと, Osero's 「……冗談です」, the dares and sign-offs before a
//   fight) stands in only a few texts of a route, where it lands; past that a
//   reader hears the formula instead of the line (see CheckFormulas);
// - past those lists, a rule (kRepeats, talk_repeats.h) finds what a reader
//   starts to hear in any voice, listed or not: in each route, one word may
//   open at most one in 16 of a voice's lines, one sentence ending (its last
//   three letters) close at most one in 10, and one phrase of four letters or
//   more stand in at most one in 25; any voice may do each three times (a
//   habit word of kOpeners, chosen on purpose, opens a tenth, as above). A
//   phrase with a word in it (a kanji or katakana) stands in at most a
//   quarter of a route's talks, whoever says it, or the route is retelling
//   it. And no sentence of one route agrees with one of the other in seven
//   tenths of its letters: a player of both hears the same line twice.
//   Openers are heard first, so they are held tighter than endings, where a
//   voice's grammar lives; a phrase of four letters is a chosen wording, and
//   the largest voice (about 200 lines) may use one seven times, a guest
//   three. Names, forms of address, the story's things (kStoryWords) and
//   each voice's first person are no phrase; greetings are no line
//   (kSetPhrases); the boxes both routes end on are the same on purpose
//   (kSharedLines). What a voice repeats on purpose, with its own cap and the
//   reason, is in kRegisters.
// A form counts only as a word of its own: not inside a longer word listed
// with it (仕方 holds 方, the person; 大変 holds 変, "strange"; 今日 holds 今,
// "now"), and a stem only before one of its endings (つよい, つよく; not いつよ？).
struct Spelling {
    const char32_t* avoid;
    const char32_t* use;
    const char32_t* endings = nullptr;           // when set, what may follow the avoided stem
    std::array<const char32_t*, 6> inside = {};  // other words that hold the avoided form
};
const Spelling kSpellings[] = {
    {U"あやし", U"怪し", U"いくげさ"}, {U"だれ", U"誰", nullptr, {U"よだれ", U"なだれ", U"すだれ"}},
    {U"ケンカ", U"けんか"}, {U"喧嘩", U"けんか"}, {U"いっしょ", U"一緒", nullptr, {U"いっしょう"}},
    {U"手かげん", U"手加減"}, {U"お家", U"おうち"}, {U"おやしき", U"お屋敷"}, {U"やくそく", U"約束"},
    {U"二人", U"ふたり"}, {U"全部", U"ぜんぶ"}, {U"ケガ", U"けが"}, {U"おねがい", U"お願い"},
    {U"さがし", U"探し"}, {U"怖", U"こわ"}, {U"つよ", U"強", U"いくかさまめが"},
    {U"仲直り", U"仲なおり"}, {U"やったあ", U"やったー", nullptr, {U"やったあと"}}, {U"友達", U"友だち"},
    {U"預か", U"あずか"}, {U"懲り", U"こり"}, {U"参り", U"まいり"}, {U"お客さん", U"おきゃくさん"},
    {U"本気", U"ほんき"}, {U"遊", U"あそ"}, {U"王様", U"王さま"}, {U"お手柔らか", U"お手やわらか"},
    {U"不思議", U"ふしぎ"}, {U"嫌", U"いや", nullptr, {U"機嫌"}},
    {U"方", U"かた", nullptr, {U"仕方", U"両方", U"味方", U"り方", U"方向", U"夕方"}},
    {U"……。", U"……"}, {U"忙", U"いそが"}, {U"あんない", U"案内"}, {U"騒", U"さわ", nullptr, {U"物騒"}},
    {U"変", U"へん", nullptr, {U"大変", U"変わ", U"変え", U"変化", U"変身"}},
    {U"今", U"いま", nullptr, {U"今日", U"今度", U"今夜", U"今回", U"今朝", U"今年"}},
    {U"何", U"なに／なん", nullptr, {U"何者", U"何度"}}, {U"皆", U"みな"}, {U"お姫様", U"お姫さま"},
    {U"抜", U"ぬ"}, {U"許", U"ゆる"}, {U"逆ら", U"さから"}, {U"まけ", U"負け", nullptr, {U"おまけ"}},
    {U"あははっ", U"あはは"}, {U"改め", U"あらため"}};

// Whether the avoided form found at `at` is part of one of the other words listed with it.
bool InsideAnotherWord(const std::u32string& text, size_t at, const Spelling& s) {
    const std::u32string avoid = s.avoid;
    for (const char32_t* word : s.inside) {
        if (!word) break;
        const std::u32string w = word;
        for (size_t k = w.find(avoid); k != std::u32string::npos; k = w.find(avoid, k + 1))
            if (at >= k && text.compare(at - k, w.size(), w) == 0) return true;
    }
    return false;
}

// Whether `s.avoid` stands in `text` as the word it spells.
bool FoundAsWord(const std::u32string& text, const Spelling& s) {
    const std::u32string avoid = s.avoid;
    for (size_t at = text.find(avoid); at != std::u32string::npos; at = text.find(avoid, at + 1)) {
        const size_t end = at + avoid.size();
        const bool endsRight =
            !s.endings || (end < text.size() && std::u32string(s.endings).find(text[end]) != std::u32string::npos);
        if (endsRight && !InsideAnotherWord(text, at, s)) return true;
    }
    return false;
}

// A row that stops on one of these has ended its sentence.
bool EndsASentence(const std::u32string& row) {
    static const std::u32string kEndings[] = {U"です", U"ます", U"ですっ", U"みゅ", U"みゅう", U"よ",
                                              U"よっ", U"わ",   U"ね",     U"ぞ",   U"もん",   U"なの"};
    for (const std::u32string& e : kEndings)
        if (row.size() >= e.size() && row.compare(row.size() - e.size(), e.size(), e) == 0) return true;
    return false;
}

void CheckStyle(const std::string& at, const std::vector<std::u32string>& rows, std::vector<std::string>* errors) {
    std::u32string joined;
    for (size_t r = 0; r < rows.size(); ++r) {
        const std::u32string& row = rows[r];
        const std::string where = at + " row " + std::to_string(r + 1);
        joined += row;
        for (size_t i = 0; i < row.size(); ++i) {
            const bool exclaims = i > 0 && (row[i - 1] == U'！' || row[i - 1] == U'？');
            if (row[i] == U'　' && (!exclaims || i + 1 == row.size()))
                errors->push_back(where + ": a full-width space that is no pause after " + talktest::Utf8(U"！ or ？"));
            if (exclaims && std::u32string(U"　！？」』）").find(row[i]) == std::u32string::npos)
                errors->push_back(where + ": no full-width space after \"" + talktest::Utf8(row[i - 1]) + "\"");
        }
        if (r + 1 < rows.size() && EndsASentence(row))
            errors->push_back(where + ": ends a sentence with no mark (close it with " + talktest::Utf8(U"。 or ！)"));
    }
    for (const Spelling& s : kSpellings)
        if (FoundAsWord(joined, s))
            errors->push_back(at + ": write \"" + talktest::Utf8(std::u32string(s.use)) + "\", not \"" +
                              talktest::Utf8(std::u32string(s.avoid)) + "\"");
}

// A silent reaction without its brackets and closing marks: 「（ぽっ……）」
// and 「ぽっ……」 are one reaction.
std::u32string Reaction(const std::u32string& text) {
    size_t from = text.find_first_not_of(U"（…"), to = text.find_last_not_of(U"）…！？♪。、っー");
    return from == std::u32string::npos || to < from ? std::u32string() : text.substr(from, to - from + 1);
}

// Each reaction in brackets everywhere or nowhere; the first place it stands sets the form.
void CheckReactions(const std::vector<std::pair<std::string, std::u32string>>& reactions,
                    std::vector<std::string>* errors) {
    std::map<std::u32string, std::pair<std::string, bool>> first;
    for (const auto& [at, text] : reactions) {
        const bool bracketed = !text.empty() && text.front() == U'（' && text.back() == U'）';
        const auto [it, isNew] = first.emplace(Reaction(text), std::make_pair(at, bracketed));
        if (!isNew && it->second.second != bracketed)
            errors->push_back(at + ": \"" + talktest::Utf8(text) + "\" is " + (bracketed ? "in brackets" : "bare") +
                              " here but " + (bracketed ? "bare" : "in brackets") + " at " + it->second.first +
                              " (brackets for what nobody hears, bare for a sound)");
    }
}

// Whether a word that stops at `end` ends there: a mark, a row break or the
// end of the text follows it.
bool WordEndsAt(const std::u32string& text, size_t end) {
    static const std::u32string kMarks = U"、。！？…　」）♪〜ーっ\n";
    return end == text.size() || kMarks.find(text[end]) != std::u32string::npos;
}

// The habit words of the cast (each voice's tic and interjection). They name
// a speaker to the ear only while they stay rare, and every word counts for
// whoever says it: Cheska's あら and ふふっ together.
const char32_t* const kOpeners[] = {U"あら", U"あらあら", U"ふふっ", U"おや", U"はあ……", U"ふふーん", U"えっへん", U"ひゃっ",
                                    U"がぶっ", U"まあ", U"はっ", U"ねーねー", U"よーし", U"あぅ", U"ふん"};

// The habit word a text opens with, or null. Leading 「……」 and an opening
// bracket do not count; the word must end there: before a mark, a row
// break or the end, unless it ends in a mark itself (はあ……). So
// あらためまして, まあいいわ and ふんふん open with none.
const char32_t* Opener(const std::u32string& text) {
    const size_t from = text.find_first_not_of(U"…（");
    if (from == std::u32string::npos) return nullptr;
    for (const char32_t* word : kOpeners) {
        const std::u32string w = word;
        if (text.compare(from, w.size(), w) != 0) continue;
        const size_t end = from + w.size();
        if (w.back() == U'…' || WordEndsAt(text, end)) return word;
    }
    return nullptr;
}

// The words the repeat rule leaves alone: the cast's names (with any
// honorific), the forms of address, the story's things.
const char32_t* const kStoryWords[] = {U"ユリ", U"クロウ", U"チェスカ", U"オセロ", U"コハク", U"シャミュ", U"フルル",
                                       U"スティル", U"モモ", U"ノノ", U"パレット", U"コピック", U"ディーナ", U"コピ",
                                       U"パレ", U"お嬢様", U"お客様", U"お姫さま", U"おねえちゃん", U"おにいちゃん",
                                       U"そなた", U"あんた", U"あなた", U"ペンダント", U"宝珠", U"魔道具",
                                       U"トレジャーハンター"};
const char32_t* const kHonorifics[] = {U"おねえちゃん", U"おにいちゃん", U"さま", U"さん", U"様", U"ちゃん", U"殿"};
const talkrepeat::FirstPerson kFirstPersons[] = {{"Yuri", U"あたし"}, {"Crow", U"僕"},     {"Cheska", U"わたくし"},
                                                 {"Osero", U"私"},     {"Shamyu", U"うち"}, {"Fururu", U"わたし"},
                                                 {"Still", U"自分"},   {"Palet", U"ボク"},  {"Copic", U"わたし"},
                                                 {"Deena", U"わらわ"}};
// What a voice repeats on purpose, past the general rule.
const talkrepeat::Register kRegisters[] = {
    {"Cheska", talkrepeat::Stands::Ends, {U"わ", U"わね", U"わよ"}, 1, 3,
     U"her refined ending, but a reader who meets it in nearly every other line hears nothing else"},
    {"Still", talkrepeat::Stands::Holds, {U"であります"}, 2, 3,
     U"the knight's stiff register is her voice; now and then she says a plain 〜ます！"},
    {"Shamyu", talkrepeat::Stands::Holds, {U"みゅ"}, 1, 1, U"the cat girl's sound, on any sentence of hers"},
    {"Yuri", talkrepeat::Stands::Holds, {U"じゃない"}, 1, 10,
     U"one of the endings her voice is written in: a tenth, like any ending, though it has four letters"},
    {"Yuri", talkrepeat::Stands::Holds, {U"んだから"}, 1, 10, U"her 〜なんだから, held like her 〜じゃない"},
    {"Fururu", talkrepeat::Stands::Holds, {U"あのかた"}, 1, 4,
     U"she keeps the flower lover's name to herself: あのかた stands for it, as a name would"}};
// Greetings and thanks are words anyone says: no line is the same for holding one.
const char32_t* const kSetPhrases[] = {U"ありがとうございました", U"ありがとうございます", U"いただきます",
                                       U"おかえりなさい", U"いってらっしゃい", U"いらっしゃいませ"};
// The last boxes of both routes thank the player and announce the extra stage alike.
const char32_t* const kSharedLines[] = {U"最後まであそんでくださって、\n本当にありがとうございました！",
                                        U"エクストラステージが\n選べるようになりました"};

// One line a character speaks, for the habit count.
struct SpokenLine {
    int route;  // 0: team 1, 1: team 2
    std::string who;
    std::string at;
    std::u32string text;
};

// No speaker opens more than about a tenth of their lines in a route with a
// habit word: a tenth, rounded, but at least two, so that a guest who speaks
// in two talks may open once in each. Counted per route, since a player reads
// one route through at a time.
void CheckOpeners(const std::vector<SpokenLine>& lines, std::vector<std::string>* errors) {
    std::map<std::pair<int, std::string>, std::pair<int, std::vector<std::string>>> count;
    for (const SpokenLine& line : lines) {
        auto& [total, places] = count[{line.route, line.who}];
        ++total;
        if (const char32_t* word = Opener(line.text)) places.push_back(line.at + " " + talktest::Utf8(std::u32string(word)));
    }
    for (const auto& [speaker, tally] : count) {
        const auto& [total, places] = tally;
        const size_t most = size_t(std::max(2, (total + 5) / 10));
        if (places.size() <= most) continue;
        std::string list;
        for (const std::string& place : places) list += "\n    " + place;
        errors->push_back("team " + std::to_string(speaker.first + 1) + ", " + speaker.second + ": " +
                          std::to_string(places.size()) + " of " + std::to_string(total) +
                          " lines open with a habit word (at most " + std::to_string(most) + "):" + list);
    }
}

// A formula a reader starts to hear: its words, where a text holds them, and
// in how many texts of a route it may stand, whoever says it. Opens: the text
// opens with a word, as a habit word does; Ends: a word ends a sentence (a
// mark, a row break or the end follows it), so ほんきですぅ and
// ほんきですから hold no tag; Holds: a word anywhere.
enum class Stands { Opens, Ends, Holds };
struct Formula {
    const char* name;
    Stands stands;
    size_t most;
    std::array<const char32_t*, 3> words;
};
const Formula kFormulas[] = {
    {"a rebuke opening with Osero's name", Stands::Opens, 3, {U"オセロ"}},
    {"Cheska's -desu koto", Stands::Ends, 3, {U"ですこと", U"でしたこと", U"ますこと"}},
    {"Osero's tag", Stands::Ends, 2, {U"冗談です", U"ほんきです"}},
    {"Yuri's dare", Stands::Holds, 2, {U"かかってきなさい"}},
    {"Yuri's taking a dare", Stands::Holds, 1, {U"望むところよ"}},
    {"Crow's sign-off", Stands::Ends, 2, {U"いくよ", U"いこう"}},
    {"Crow's giving up on talk", Stands::Holds, 1, {U"話し合いは"}},
    {"the ransacked cupboard", Stands::Holds, 3, {U"戸棚", U"台所"}}};

// Whether `text` holds one of the formula's words where the formula stands.
bool Holds(const Formula& f, const std::u32string& text) {
    for (const char32_t* word : f.words) {
        if (!word) break;
        const std::u32string w = word;
        if (f.stands == Stands::Opens) {
            const size_t from = text.find_first_not_of(U"…（");
            if (from != std::u32string::npos && text.compare(from, w.size(), w) == 0 && WordEndsAt(text, from + w.size()))
                return true;
            continue;
        }
        for (size_t at = text.find(w); at != std::u32string::npos; at = text.find(w, at + 1))
            if (f.stands == Stands::Holds || WordEndsAt(text, at + w.size())) return true;
    }
    return false;
}

const talkrepeat::Sheet kRepeats{16, 10, 10, 25, 4, 3, 0.7, kStoryWords, kHonorifics, kFirstPersons,
                                 kRegisters, kOpeners, kSetPhrases, kSharedLines};

// One text a character says or thinks (spoken or in a dimmed balloon), for the formula count.
struct SaidText {
    int route;  // 0: team 1, 1: team 2
    std::string at;
    std::u32string text;
};

// Each formula stands in at most its few texts of a route.
void CheckFormulas(const std::vector<SaidText>& texts, std::vector<std::string>* errors) {
    for (const Formula& f : kFormulas)
        for (int route = 0; route < 2; ++route) {
            std::vector<std::string> places;
            for (const SaidText& t : texts)
                if (t.route == route && Holds(f, t.text)) places.push_back(t.at);
            if (places.size() <= f.most) continue;
            std::string list;
            for (const std::string& place : places) list += "\n    " + place;
            errors->push_back("team " + std::to_string(route + 1) + ", " + f.name + " (\"" +
                              talktest::Utf8(std::u32string(f.words[0])) + "\"): in " + std::to_string(places.size()) +
                              " texts (at most " + std::to_string(f.most) + "):" + list);
        }
}

// The characters a text may hold: JIS X 0208, no control but the row break, no ASCII.
void CheckCharacters(const std::string& at, const std::u32string& chars, std::vector<std::string>* errors) {
    for (char32_t c : chars) {
        if (c == U'\n') continue;
        if (c < 0x20 || c == 0x7F) errors->push_back(at + ": a control character " + std::to_string(int(c)));
        else if (c == U' ') errors->push_back(at + ": an ASCII space (leave it out; after " + talktest::Utf8(U"！ or ？") +
                                              " in a row, a full-width one: \"" + talktest::Utf8(U'　') + "\")");
        else if (c < 0x80) errors->push_back(at + ": the ASCII character '" + talktest::Utf8(c) + "' (write it full-width)");
        else if (!InJisX0208(c)) errors->push_back(at + ": \"" + talktest::Utf8(c) + "\" is outside JIS X 0208");
    }
}

std::string Place(const talk::TalkEntry& t, const TalkStep& s, const char* side) {
    return std::string(t.name) + " step " + std::to_string(s.step) + (side ? std::string(" ") + side : "");
}

// The flow: steps in order below the end step, every Next listed or the end,
// every row reached from step 0, nothing looping.
void CheckFlow(const talk::TalkEntry& t, std::vector<std::string>* errors) {
    const TalkScript& s = *t.script;
    if (s.endStep != 100 && s.endStep != 200) errors->push_back(std::string(t.name) + ": the end step is neither 100 nor 200");
    if (s.steps.empty() || s.steps.front().step != 0) {
        errors->push_back(std::string(t.name) + ": the first row is not step 0");
        return;
    }
    for (size_t i = 0; i < s.steps.size(); ++i) {
        const TalkStep& step = s.steps[i];
        if (i > 0 && step.step <= s.steps[i - 1].step)
            errors->push_back(Place(t, step, nullptr) + ": the rows are not in rising step order");
        if (step.step < 0 || step.step >= s.endStep)
            errors->push_back(Place(t, step, nullptr) + ": outside 0 to " + std::to_string(s.endStep - 1));
        if (step.advance.next != s.endStep && !talk::FindStep(s, step.advance.next))
            errors->push_back(Place(t, step, nullptr) + ": Next " + std::to_string(step.advance.next) +
                              " is no step of the talk nor its end");
    }
    std::set<int> reached;
    for (const TalkStep* step = &s.steps.front(); step; step = talk::FindStep(s, step->advance.next)) {
        if (!reached.insert(step->step).second) {
            errors->push_back(Place(t, *step, nullptr) + ": the walk from step 0 comes back here");
            return;
        }
    }
    for (const TalkStep& step : s.steps)
        if (!reached.count(step.step)) errors->push_back(Place(t, step, nullptr) + ": no step leads here");
}

void CheckSide(const talk::TalkEntry& t, const TalkStep& step, const TalkSlot& slot, TalkSide side,
               std::vector<std::string>* errors) {
    if (!slot.shown) return;
    const bool upper = side == TalkSide::Upper;
    const std::string at = Place(t, step, upper ? "upper" : "lower");
    if (slot.row < 0 || slot.row > 2) errors->push_back(at + ": balloon row " + std::to_string(slot.row));
    if (slot.row == 1 && !upper) errors->push_back(at + ": the second balloon style stands on the upper side");
    if (slot.row == 2 && (upper || slot.who != talk::kNobody))
        errors->push_back(at + ": a narration box is the lower balloon without a portrait");
    if (slot.balloon != BalloonMode::Opaque && slot.balloon != BalloonMode::Dimmed)
        errors->push_back(at + ": the balloon is neither opaque nor dimmed");
    if (!slot.text) errors->push_back(at + ": a shown side without a text");
    if (slot.textDx < 0) errors->push_back(at + ": the text moves left of its anchor");
    if (slot.who == talk::kNobody) return;
    if (slot.who < 0 || slot.who >= talk::kCharacterCount) {
        errors->push_back(at + ": no such character");
        return;
    }
    const talk::PortraitSheet& sheet = talk::SheetOf(slot.who);
    if (slot.cell < 0 || slot.cell >= sheet.cells)
        errors->push_back(at + ": " + sheet.name + "'s cell " + std::to_string(slot.cell) + " is outside the grid of " +
                          std::to_string(sheet.cells) + " cells");
    if (upper && !sheet.bothSides) errors->push_back(at + ": " + sheet.name + " stands only on the lower side");
    switch (slot.mode) {
    case PortraitMode::Active:
    case PortraitMode::Dimmed:
        break;
    case PortraitMode::Leaving:
        if (slot.who != talk::Yuri) errors->push_back(at + ": only Yuri leaves");
        break;
    case PortraitMode::Shaking:
        if (slot.who != talk::Kohaku) errors->push_back(at + ": only Kohaku shakes");
        break;
    default:
        errors->push_back(at + ": no such portrait mode");
    }
}

bool ShowsKohakuShaking(const TalkStep& s) {
    for (const TalkSlot* slot : {&s.upper, &s.lower})
        if (slot->shown && slot->who == talk::Kohaku && slot->mode == PortraitMode::Shaking) return true;
    return false;
}

// Every way into a shaking step starts Kohaku's cycle at 0: the advance from a
// step where she does not shake zeroes her counter (step 0 follows a reset).
void CheckShaking(const talk::TalkEntry& t, std::vector<std::string>* errors) {
    for (const TalkStep& from : t.script->steps) {
        const TalkStep* to = talk::FindStep(*t.script, from.advance.next);
        if (!to || !ShowsKohakuShaking(*to) || ShowsKohakuShaking(from)) continue;
        if (!(from.advance.zeroCounters & (1u << talk::Kohaku)))
            errors->push_back(Place(t, from, nullptr) + ": the advance into step " + std::to_string(to->step) +
                              ", where Kohaku shakes, does not zero her counter");
    }
}

void CheckEnd(const talk::TalkEntry& t, std::vector<std::string>* errors) {
    int phases = 0, resets = 0;
    for (const talk::TalkEnd& e : t.script->end) {
        if (e.kind == talk::TalkEndKind::NextPhaseA || e.kind == talk::TalkEndKind::NextPhaseB) ++phases;
        if (e.kind == talk::TalkEndKind::Reset) ++resets;
        if (e.kind == talk::TalkEndKind::Music) {
            const std::string file = e.music ? e.music : "";
            if (file.rfind("BGM/", 0) != 0 || file.size() < 9 || file.substr(file.size() - 4) != ".ogg")
                errors->push_back(std::string(t.name) + ": the music \"" + file + "\" is not \"BGM/<name>.ogg\"");
        }
    }
    if (phases != 1) errors->push_back(std::string(t.name) + ": the end moves no boss, or two");
    if (resets != 1) errors->push_back(std::string(t.name) + ": the end does not reset the window once");
}

void Report(const std::vector<std::string>& errors) {
    std::string all;
    for (const std::string& e : errors) all += e + "\n";
    EXPECT_TRUE(errors.empty()) << errors.size() << " problems:\n" << all;
}

TEST(TalkCatalogue, EveryTableFlowsFromStepZeroToItsEndWithCellsSidesModesCardsAndEndsInRange) {
    std::vector<std::string> errors;
    std::set<std::string> names;
    for (const talk::TalkEntry& t : talk::AllTalks()) {
        if (!names.insert(t.name).second) errors.push_back(std::string(t.name) + " is listed twice");
        CheckFlow(t, &errors);
        for (const TalkStep& s : t.script->steps) {
            CheckSide(t, s, s.upper, TalkSide::Upper, &errors);
            CheckSide(t, s, s.lower, TalkSide::Lower, &errors);
            if (!s.upper.shown && !s.lower.shown) errors.push_back(Place(t, s, nullptr) + ": shows neither side");
            if (s.card < -1 || s.card > 12) errors.push_back(Place(t, s, nullptr) + ": no name card " + std::to_string(s.card));
            if (s.advance.zeroCounters >> talk::kCharacterCount)
                errors.push_back(Place(t, s, nullptr) + ": zeroes a counter that does not exist");
        }
        CheckShaking(t, &errors);
        CheckEnd(t, &errors);
    }
    EXPECT_EQ(names.size(), 36u);
    Report(errors);
    // Every field of every row, against its record: a moved cell or text shows here.
    records::Fnv h;
    for (const talk::TalkEntry& t : talk::AllTalks()) {
        h.Text(t.name);
        h.Add(t.script->endStep);
        for (const talk::TalkEnd& e : t.script->end) h.Add(e.kind), h.Text(e.music ? e.music : "-");
        for (const TalkStep& s : t.script->steps) {
            h.Add(s.step, s.card, s.advance.next, s.advance.zeroCounters, s.advance.zeroCard, s.advance.zeroExit,
                  s.advance.easyEnd);
            for (const TalkSlot& side : {s.upper, s.lower}) {
                h.Add(side.shown, side.row, side.balloon, side.who, side.cell, side.mode, side.textDx,
                      side.notLastSpeaker);
                h.Text(side.text ? std::string(side.text->file) + "/" + side.text->id : "-");
            }
        }
    }
    EXPECT_EQ(records::Check("tests/game/story/talk_records.txt", "talk-tables", h.h), "");
}

// A listening side shows the character who last spoke on it in this talk; a
// side marked NotLastSpeaker shows another, as its talk wants. A side speaks
// when its balloon is opaque and its portrait not dimmed; a narration box or a
// balloon without a face speaks for nobody, and a side left empty keeps its
// last speaker. Before anyone has spoken on a side, every listener there is
// marked. Beside a dimmed face stand its own words: a line it said, or a
// one-row listener line first shown beside it (the twins speak for each other).
TEST(TalkCatalogue, EveryListenerLastSpokeOnItsSideUnlessItsRowSaysOtherwise) {
    auto name = [](Character who) { return who == talk::kNobody ? std::string("nobody") : talk::SheetOf(who).name; };
    auto twin = [](Character who) { return who == talk::Nono ? talk::Momo : who; };
    std::vector<std::string> errors;
    for (const talk::TalkEntry& t : talk::AllTalks()) {
        Character last[2] = {talk::kNobody, talk::kNobody};
        std::map<const TalkText*, Character> owner;
        size_t rows = 0;
        for (const TalkStep* s = talk::FindStep(*t.script, 0); s && rows++ < t.script->steps.size();
             s = talk::FindStep(*t.script, s->advance.next)) {
            for (int side = 0; side < 2; ++side) {
                const TalkSlot& slot = side == 0 ? s->upper : s->lower;
                const std::string at = Place(t, *s, side == 0 ? "upper" : "lower");
                if (!slot.shown) continue;
                const bool speaks = slot.balloon == BalloonMode::Opaque && slot.mode != PortraitMode::Dimmed;
                if (speaks) {
                    if (slot.notLastSpeaker) errors.push_back(at + ": speaks, yet is marked NotLastSpeaker");
                    last[side] = slot.who;
                } else if (slot.who != talk::kNobody && (slot.who == last[side]) == slot.notLastSpeaker) {
                    errors.push_back(at + ": " + name(slot.who) + " listens where " + name(last[side]) + " spoke last" +
                                     (slot.notLastSpeaker ? ", yet the row is marked NotLastSpeaker" : ""));
                }
                if (slot.who == talk::kNobody || !slot.text) continue;
                const auto [first, isNew] = owner.emplace(slot.text, slot.who);
                if (!speaks && isNew && std::strchr(slot.text->text, '\n'))
                    errors.push_back(at + ": the listener line " + slot.text->id + " has two rows");
                if (!speaks && twin(first->second) != twin(slot.who))
                    errors.push_back(at + ": " + name(first->second) + "'s words " + slot.text->id + " beside " + name(slot.who));
            }
        }
    }
    Report(errors);
}

TEST(TalkCatalogue, EveryTextIsUsedFitsThreeRowsOfSeventeenAndIsPlainJisText) {
    std::vector<std::string> errors;
    // Where each text is drawn, with the largest shift to the right it gets.
    std::map<const TalkText*, int> used;
    for (const talk::TalkEntry& t : talk::AllTalks())
        for (const TalkStep& s : t.script->steps)
            for (const TalkSlot* slot : {&s.upper, &s.lower})
                if (slot->shown && slot->text) used[slot->text] = std::max<int>(used[slot->text], slot->textDx);
    std::set<const TalkText*> catalogue;
    for (const TalkText* text : TalkTextCatalogue()) {
        catalogue.insert(text);
        const std::string at = talktest::Where(*text);
        if (!used.count(text)) errors.push_back(at + ": no step shows it");
        std::u32string chars;
        if (!talktest::DecodeCp932(text->text, &chars)) {
            errors.push_back(at + ": not CP932");
            continue;
        }
        CheckCharacters(at, chars, &errors);
        const std::vector<std::u32string> rows = talktest::Rows(chars);
        if (rows.size() > 3) errors.push_back(at + ": " + std::to_string(rows.size()) + " rows (at most 3)");
        // 17 characters of 24 px fill the balloon; a text moved right has fewer.
        const int dx = used.count(text) ? used[text] : 0;
        const size_t most = size_t(17 - (dx + 23) / 24);
        for (size_t r = 0; r < rows.size(); ++r) {
            const std::string row = at + " row " + std::to_string(r + 1);
            if (rows[r].empty()) errors.push_back(row + ": empty (a \"|\" too many?)");
            else if (MayNotStartARow(rows[r][0])) errors.push_back(row + ": starts with \"" + talktest::Utf8(rows[r][0]) + "\"");
            if (rows[r].size() > most)
                errors.push_back(row + ": " + std::to_string(rows[r].size()) + " characters (at most " +
                                 std::to_string(most) + ")");
        }
    }
    for (const auto& [text, dx] : used)
        if (!catalogue.count(text)) errors.push_back(std::string(text->id) + ": shown but not in the catalogue");
    Report(errors);
}

// The style sheet above, over every text; the silent reactions are the texts
// only ever shown in a dimmed balloon.
TEST(TalkCatalogue, EveryTextKeepsTheStyleSheet) {
    std::vector<std::string> errors;
    std::set<const TalkText*> spoken, dimmed, counted, said;
    std::vector<SpokenLine> lines;
    std::vector<SaidText> texts;
    for (const talk::TalkEntry& t : talk::AllTalks()) {
        const int route = std::strncmp(t.name, "UpdateTalkYuri", 14) == 0 ? 0 : 1;
        for (const TalkStep& s : t.script->steps)
            for (const TalkSlot* slot : {&s.upper, &s.lower}) {
                if (!slot->shown || !slot->text) continue;
                (slot->balloon == BalloonMode::Dimmed ? dimmed : spoken).insert(slot->text);
                std::u32string chars;
                const bool speaks = slot->who != talk::kNobody && slot->balloon == BalloonMode::Opaque &&
                                    slot->mode != PortraitMode::Dimmed;
                if (slot->who == talk::kNobody || !talktest::DecodeCp932(slot->text->text, &chars)) continue;
                if (said.insert(slot->text).second) texts.push_back({route, talktest::Where(*slot->text), chars});
                if (speaks && counted.insert(slot->text).second)
                    lines.push_back({route, talk::SheetOf(slot->who).name, talktest::Where(*slot->text), chars});
            }
    }
    CheckOpeners(lines, &errors);
    CheckFormulas(texts, &errors);
    std::vector<std::pair<std::string, std::u32string>> reactions;
    for (const TalkText* text : TalkTextCatalogue()) {
        std::u32string chars;
        if (!talktest::DecodeCp932(text->text, &chars)) continue;  // the test above names it
        CheckStyle(talktest::Where(*text), talktest::Rows(chars), &errors);
        if (dimmed.count(text) && !spoken.count(text)) reactions.emplace_back(talktest::Where(*text), chars);
    }
    CheckReactions(reactions, &errors);
    Report(errors);
}

// Every text of both routes, whose it is and where, in play order.
std::vector<talkrepeat::Text> RouteTexts() {
    std::vector<talkrepeat::Text> texts;
    std::set<const TalkText*> seen;
    for (const talk::TalkEntry& t : talk::AllTalks()) {
        const int route = std::strncmp(t.name, "UpdateTalkYuri", 14) == 0 ? 0 : 1;
        for (const TalkStep& s : t.script->steps)
            for (const TalkSlot* slot : {&s.upper, &s.lower}) {
                std::u32string chars;
                if (!slot->shown || !slot->text || !seen.insert(slot->text).second ||
                    !talktest::DecodeCp932(slot->text->text, &chars))
                    continue;
                const std::string who = slot->who == talk::kNobody ? "narration" : talk::SheetOf(slot->who).name;
                texts.push_back({route, who, t.name, talktest::Where(*slot->text), chars});
            }
    }
    return texts;
}

// The repeat rule of the style sheet over both routes.
TEST(TalkCatalogue, NoVoiceAndNoRouteRepeatsWhatAReaderStartsToHear) {
    std::vector<std::string> errors;
    talkrepeat::Check(kRepeats, RouteTexts(), &errors);
    Report(errors);
}

// The style checks themselves, on rows made up for them: each case names the
// message it must give, or none.
TEST(TalkStyle, FindsWholeWordsSentenceEndsReactionsAndSaysWhatToWrite) {
    struct Case {
        std::vector<std::u32string> rows;
        const char32_t* message;  // a part of the one error expected, or nullptr for none
    };
    const Case kCases[] = {
        {{U"あした、いつよ？"}, nullptr},          // a stem inside another word
        {{U"つよいのね！"}, U"write \"強\", not \"つよ\""},
        {{U"赤ちゃんをあやしてる"}, nullptr},
        {{U"なんだか、あやしいわ"}, U"write \"怪し\""},
        {{U"よだれが出そう"}, nullptr},
        {{U"それ、だれ？"}, U"write \"誰\""},
        {{U"やったあとで"}, nullptr},
        {{U"お茶！？　やったあ！"}, U"write \"やったー\", not \"やったあ\""},
        {{U"仕方ないわね。両方よ"}, nullptr},
        {{U"帰り方がわからない"}, nullptr},
        {{U"花を愛する方に"}, U"write \"かた\", not \"方\""},
        {{U"ご機嫌よう"}, nullptr},
        {{U"嫌な予感"}, U"write \"いや\""},
        {{U"本気でいくわよ"}, U"write \"ほんき\""},
        {{U"はあ……。ユリ"}, U"write \"……\", not \"……。\""},
        {{U"おや……。", U"私の負け"}, U"write \"……\", not \"……。\""},
        {{U"はあ……ユリ"}, nullptr},
        {{U"おなかぺこぺこみゅ", U"なにか、ちょうだい"}, U"row 1: ends a sentence with no mark"},
        {{U"おなかぺこぺこみゅ。", U"なにか、ちょうだい"}, nullptr},
        {{U"コハクも", U"おなかぺこぺこみゅ"}, nullptr},  // the last row may stop bare
        {{U"いくわよ", U"クロウ！"}, U"row 1: ends a sentence with no mark"},
        {{U"ね、　クロウ"}, U"row 1: a full-width space"},
        {{U"えっ！クロウ"}, U"no full-width space after"},
        {{U"大変なことになったわ"}, nullptr},
        {{U"ちょっと変だったわよ"}, U"write \"へん\", not \"変\""},
        {{U"気が変わったの"}, nullptr},
        {{U"今日も今度も、今夜も"}, nullptr},
        {{U"でも今は、だめ"}, U"write \"いま\", not \"今\""},
        {{U"……何者じゃ"}, nullptr},
        {{U"何をしておる"}, U"not \"何\""},
        {{U"おまけです"}, nullptr},
        {{U"まけちゃった"}, U"write \"負け\""},
        {{U"ディーナってお姫様"}, U"write \"お姫さま\""},
        {{U"あははっ、両方よ"}, U"write \"あはは\", not \"あははっ\""},
        {{U"改めまして、ようこそ"}, U"write \"あらため\", not \"改め\""},
    };
    for (const Case& c : kCases) {
        std::vector<std::string> errors;
        CheckStyle("t", c.rows, &errors);
        SCOPED_TRACE(talktest::Utf8(c.rows.front()));
        if (!c.message) {
            EXPECT_TRUE(errors.empty()) << errors.front();
            continue;
        }
        EXPECT_EQ(errors.size(), 1u);
        const std::string first = errors.empty() ? std::string() : errors[0];
        EXPECT_NE(first.find(talktest::Utf8(std::u32string(c.message))), std::string::npos) << first;
    }

    std::vector<std::string> errors;
    CheckCharacters("t", U"ね ", &errors);
    CheckCharacters("t", U"ね!", &errors);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_NE(errors[0].find("leave it out"), std::string::npos) << errors[0];
    EXPECT_NE(errors[1].find("write it full-width"), std::string::npos) << errors[1];

    errors.clear();
    CheckReactions({{"a", U"（ぽっ……）"}, {"b", U"（にこり）"}, {"c", U"ぽっ……"}, {"d", U"（にこり）"},
                    {"e", U"えへへっ"}, {"f", U"えへへ……"}},
                   &errors);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("c: ", 0), 0u) << errors[0];
    EXPECT_NE(errors[0].find("bare here but in brackets at a"), std::string::npos) << errors[0];
}


// The habit words and formulas: which word a text opens with, which formula
// it holds, and how many a speaker or a route may.
TEST(TalkStyle, FindsHabitWordsAndFormulasAndCountsThemPerSpeakerAndRoute) {
    const std::pair<const char32_t*, const char32_t*> kOpens[] = {  // a text, the habit word it opens with
        {U"あら、そうなの？", U"あら"}, {U"あらあら", U"あらあら"}, {U"あらためまして", nullptr},
        {U"……おや", U"おや"}, {U"（ふふっ）", U"ふふっ"}, {U"はあ……ユリ", U"はあ……"},
        {U"まあいいわ。", nullptr}, {U"ふんふん♪", nullptr}, {U"はっきり言うわ", nullptr},
        {U"はっ！", U"はっ"}, {U"ふん\nそなたか", U"ふん"}, {U"ええ、ふふっ", nullptr}};
    auto text = [](const char32_t* s) { return s ? talktest::Utf8(std::u32string(s)) : std::string(); };
    for (const auto& [line, word] : kOpens) EXPECT_EQ(text(Opener(line)), text(word)) << text(line);

    // A tenth, rounded, at least two, per route: 3 of 20 or of 24 is too many;
    // 3 of 25 is not, nor 2 of 10 in each route.
    auto lines = [](std::vector<SpokenLine> out, int route, int total, int opening) {
        for (int i = 0; i < total; ++i) out.push_back({route, "A", std::to_string(i), i < opening ? U"あら" : U"ええ"});
        return out;
    };
    const std::pair<std::vector<SpokenLine>, const char*> kCounts[] = {
        {lines({}, 0, 20, 3), "team 1, A: 3 of 20 lines open with a habit word (at most 2):\n    0 "},
        {lines({}, 1, 24, 3), "team 2, A: 3 of 24 lines open with a habit word (at most 2)"},
        {lines({}, 1, 25, 3), nullptr},
        {lines(lines({}, 0, 10, 2), 1, 10, 2), nullptr}};
    for (const auto& [count, message] : kCounts) {
        std::vector<std::string> errors;
        CheckOpeners(count, &errors);
        ASSERT_EQ(errors.size(), message ? 1u : 0u) << (errors.empty() ? "" : errors[0]);
        if (message) {
            EXPECT_EQ(errors[0].rfind(message, 0), 0u) << errors[0];
        }
    }

    // A formula's word where it stands: opening, ending a sentence, or anywhere.
    auto formula = [](const char* name) -> const Formula& {
        for (const Formula& f : kFormulas)
            if (std::strcmp(f.name, name) == 0) return f;
        ADD_FAILURE() << "no formula " << name;
        return kFormulas[0];
    };
    const struct {
        const char* formula;
        const char32_t* text;
        bool holds;
    } kHolds[] = {{"a rebuke opening with Osero's name", U"オセロ、茶化さないの", true},
                  {"a rebuke opening with Osero's name", U"……オセロ！　そこまで", true},
                  {"a rebuke opening with Osero's name", U"オセロさん、ただいま", false},
                  {"a rebuke opening with Osero's name", U"ねえ、オセロ、聞いて", false},
                  {"Cheska's -desu koto", U"あら、正直ですこと。\nわたくしは", true},
                  {"Cheska's -desu koto", U"ちゃっかりしてますこと", true},
                  {"Cheska's -desu koto", U"ですことよ", false},
                  {"Osero's tag", U"お嬢様、ほどほどに\n願います。……ほんきです", true},
                  {"Osero's tag", U"オセロさん、ほんきですぅ！", false},
                  {"Osero's tag", U"台所の件は、ほんきですからね", false},
                  {"Crow's sign-off", U"……いくよ、ユリ", true},
                  {"Crow's sign-off", U"うまくいくように", false},
                  {"Yuri's dare", U"ふたりまとめて、\nかかってきなさい！", true},
                  {"the ransacked cupboard", U"台所を探しても、\n見つからなくて", true}};
    for (const auto& h : kHolds)
        EXPECT_EQ(Holds(formula(h.formula), h.text), h.holds) << h.formula << ": " << talktest::Utf8(std::u32string(h.text));

    // Counted per route, whoever says it: one text past the most names every place.
    const Formula& tag = formula("Osero's tag");
    std::vector<SaidText> said;
    std::string places;
    for (size_t i = 0; i <= tag.most; ++i) {
        said.push_back({0, "a" + std::to_string(i), U"……冗談です"});
        places += "\n    a" + std::to_string(i);
    }
    said.push_back({1, "b", U"……冗談です"});
    std::vector<std::string> errors;
    CheckFormulas(said, &errors);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("team 1, Osero's tag", 0), 0u) << errors[0];
    EXPECT_NE(errors[0].find("in " + std::to_string(tag.most + 1) + " texts (at most " + std::to_string(tag.most) +
                             "):" + places),
              std::string::npos)
        << errors[0];
    said.erase(said.begin());
    errors.clear();
    CheckFormulas(said, &errors);
    EXPECT_TRUE(errors.empty()) << errors.front();
}

// The repeat rule on scripts made up for it, with the style sheet's own
// numbers: filler lines share no letter, so whatever it names was planted.
TEST(TalkStyle, TheRepeatRuleNamesWhatComesBackTooOftenAndNothingElse) {
    using talkrepeat::Text;
    char32_t next = 0x4E00;
    auto filler = [&next]() {  // twelve letters no other line has
        std::u32string s;
        for (int k = 0; k < 12; ++k) s += next++;
        return s;
    };
    // `count` lines of one voice; the first `planted` hold `plant` where `how` puts it.
    enum How { Inside, Opening, Ending };
    auto voice = [&filler](int route, const char* who, int count, int planted, const std::u32string& plant, How how) {
        std::vector<Text> texts;
        for (int i = 0; i < count; ++i) {
            std::u32string text = filler();
            if (i < planted) {
                if (how == Opening) text = plant + U"、" + text;
                else if (how == Ending) text += plant + U"！";
                else text.insert(6, plant);
            }
            texts.push_back({route, who, "one talk", who + std::to_string(i), text + U"。"});
        }
        return texts;
    };
    const struct {
        const char* what;
        std::vector<Text> texts;
        std::vector<std::u32string> named;  // the start of each error, in order; none when empty
    } kCases[] = {
        // The largest voice a route has (about 200 lines) may use a phrase seven times, not eight.
        {"a phrase planted eight times", voice(1, "Cheska", 196, 8, U"撃ち落とす", Inside),
         {U"team 2, Cheska: 8 of 196 lines hold \"撃ち落とす\" (at most 7):\n    Cheska0\n"}},
        {"the same phrase seven times", voice(1, "Cheska", 196, 7, U"撃ち落とす", Inside), {}},
        {"a guest's phrase four times", voice(0, "Still", 20, 4, U"鍛錬あるのみ", Inside),
         {U"team 1, Still: 4 of 20 lines hold \"鍛錬あるのみ\" (at most 3)"}},
        {"an opener past one line in 16", voice(0, "Crow", 80, 6, U"ユリ", Opening),
         {U"team 1, Crow: 6 of 80 lines open with \"ユリ\" (at most 5)"}},
        {"a habit word opens a tenth", voice(0, "Crow", 80, 8, U"はあ……", Opening), {}},
        {"a habit word past a tenth", voice(0, "Crow", 80, 9, U"はあ……", Opening),
         {U"team 1, Crow: 9 of 80 lines open with the habit word \"はあ\" (at most 8)"}},
        {"an ending past one line in 10", voice(1, "Osero", 50, 6, U"ようですね", Ending),
         {U"team 2, Osero: 6 of 50 lines end a sentence in \"ですね\"", U"team 2, Osero: 6 of 50 lines hold \"ようですね\""}},
        {"a name called after the ending", voice(0, "Yuri", 50, 6, U"いくわよ、クロウ", Ending),
         {U"team 1, Yuri: 6 of 50 lines end a sentence in \"くわよ\"", U"team 1, Yuri: 6 of 50 lines hold \"いくわよ\""}},
        {"names, address and a first person are no phrase",
         voice(0, "Kohaku", 30, 30, U"チェスカさまとユリさん", Inside), {}},
        {"a first person is its own voice's only", voice(0, "Crow", 30, 5, U"あたしの", Inside),
         {U"team 1, Crow: 5 of 30 lines hold \"あたしの\""}},
        {"a register within its cap", voice(0, "Shamyu", 12, 12, U"みゅ", Ending), {}},
        {"a register past its cap", voice(1, "Cheska", 60, 21, U"参りますわ", Ending),
         {U"team 2, Cheska: 21 of 60 lines end a sentence in \"ますわ\"", U"team 2, Cheska: 21 of 60 lines hold \"参りますわ\"",
          U"team 2, Cheska: 21 of 60 lines hold its \"わ\" (at most 20, 1 in 3"}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> errors;
        talkrepeat::Check(kRepeats, c.texts, &errors);
        ASSERT_EQ(errors.size(), c.named.size()) << (errors.empty() ? "" : errors[0]);
        for (size_t i = 0; i < errors.size(); ++i) EXPECT_EQ(errors[i].rfind(talktest::Utf8(c.named[i]), 0), 0u) << errors[i];
    }

    // A route retelling a word: in one talk in four at most, whoever says it;
    // grammar (no kanji, no katakana) is no word of the story.
    auto retold = [&filler](int talks, const std::u32string& phrase) {
        std::vector<Text> texts;
        const char* const voices[] = {"Cheska", "Osero", "Kohaku", "narration"};
        for (int t = 0; t < 18; ++t)
            for (int i = 0; i < 4; ++i) {
                std::u32string text = filler();
                if (i == 0 && t < talks) text += phrase;
                texts.push_back({1, voices[i], "talk" + std::to_string(t), "t" + std::to_string(t) + "." + std::to_string(i),
                                 text + U"。"});
            }
        return texts;
    };
    const struct {
        const char32_t* phrase;
        int talks;
        const char32_t* named;  // the route's error, or nullptr
    } kRetold[] = {{U"撃ち落とされて", 5, U"team 2: \"撃ち落とされて\" in 5 of its 18 talks (at most 4):\n    t0.0\n"},
                   {U"撃ち落とされて", 4, nullptr},
                   {U"もうしませんね", 5, nullptr}};
    std::vector<std::string> errors;
    for (const auto& r : kRetold) {
        SCOPED_TRACE(talktest::Utf8(r.phrase) + " in " + std::to_string(r.talks));
        errors.clear();
        talkrepeat::Check(kRepeats, retold(r.talks, r.phrase), &errors);
        std::vector<std::string> route;  // Cheska's own count of it is the voice rule's
        for (const std::string& e : errors)
            if (e.rfind("team 2: ", 0) == 0) route.push_back(e);
        ASSERT_EQ(route.size(), r.named ? 1u : 0u) << route.front();
        if (r.named) {
            EXPECT_EQ(route[0].rfind(talktest::Utf8(r.named), 0), 0u) << route[0];
        }
    }

    // One line said in both routes: most of a sentence's letters in order, names aside.
    const struct {
        const char32_t* first;
        const char32_t* second;
        bool same;
    } kPairs[] = {
        {U"あなたたちと一緒だと、\nまた撃たれそうですもの", U"それに、あなたたちと\n並んで歩いたら、また\n撃たれそうですもの", true},
        {U"ずいぶん、あっさりと\n返しますのね", U"ずいぶん、すなおに\n返すのね", false},  // 10 letters of 27 apart
        {U"わたくしはチェスカ。", U"わたくしはチェスカ。", false},                              // names only
        {U"ユリさん、クロウさん、\nありがとうございました！", U"ありがとうございました！", false},  // thanks
        {U"最後まであそんでくださって、\n本当にありがとうございました！",
         U"最後まであそんでくださって、\n本当にありがとうございました！", false},  // the shared box
        {U"お昼のサンドイッチです", U"お弁当のサンドイッチです", true}};
    for (const auto& pair : kPairs) {
        errors.clear();
        const std::vector<Text> texts = {{0, "Cheska", "a", "one", pair.first}, {1, "Cheska", "b", "two", pair.second}};
        talkrepeat::Check(kRepeats, texts, &errors);
        ASSERT_EQ(errors.size(), pair.same ? 1u : 0u) << talktest::Utf8(pair.first) << (errors.empty() ? "" : errors[0]);
        if (pair.same) {
            EXPECT_EQ(errors[0].rfind("both routes say nearly the same line: team 1 one", 0), 0u) << errors[0];
        }
    }
}

}  // namespace
