// The talks' texts against the generated fonts: font.lfd has a glyph for every
// character of the catalogue, and each row, drawn from its anchor, ends inside
// its balloon (the upper one at x 610, the lower one before the lower portrait
// at x 460); every attack name has its glyphs in skillfont.lfd and, drawn from
// x 270, ends inside the 640-pixel screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "game/story/TalkScripts.h"
#include "platform/win32/shift_jis.h"
#include "tests/game/story/talk_texts.h"
#include "tests/tools/demodata/demodata_test_util.h"
#include "tests/support/test_support.h"
#include "tools/demodata/Generator.h"

namespace {

using demodatatest::Font;

// The rows of CP932 bytes with their character codes, and each row's width as
// the font sprite advances its pen: a full cell per double-byte character, half
// for a single byte.
struct Measured {
    std::vector<std::vector<uint16_t>> rows{1};
    std::vector<int> widths{0};
};

Measured Measure(const std::string& text, int cell) {
    Measured m;
    for (size_t i = 0; i < text.size();) {
        const uint8_t c = uint8_t(text[i]);
        if (c == '\n') {
            m.rows.emplace_back();
            m.widths.push_back(0);
            ++i;
            continue;
        }
        const bool lead = platform::CharBytes(text.data() + i, text.size() - i) == 2;
        m.rows.back().push_back(lead ? uint16_t(c << 8 | uint8_t(text[i + 1])) : c);
        m.widths.back() += lead ? cell : cell / 2;
        i += lead ? 2 : 1;
    }
    return m;
}

TEST(TalkFonts, TheTextFontHoldsEveryCharacterOfTheCatalogueAndEveryRowFitsItsBalloon) {
    Font font;
    ASSERT_TRUE(font.Load("font.lfd")) << "the demo data set is not written";
    const int cell = int(font.view.header.fontSize);
    // Where each text stands: the right edge it must keep to and its shift.
    struct Use {
        int left;
        int right;
    };
    std::map<const TalkText*, std::vector<Use>> uses;
    for (const talk::TalkEntry& t : talk::AllTalks())
        for (const talk::TalkStep& s : t.script->steps) {
            if (s.upper.shown && s.upper.text) uses[s.upper.text].push_back({200 + s.upper.textDx, 610});
            if (s.lower.shown && s.lower.text) uses[s.lower.text].push_back({50 + s.lower.textDx, 460});
        }
    std::vector<std::string> errors;
    size_t characters = 0;
    for (const TalkText* text : TalkTextCatalogue()) {
        const Measured m = Measure(text->text, cell);
        for (const std::vector<uint16_t>& row : m.rows)
            for (uint16_t code : row) {
                ++characters;
                if (!font.Has(code)) {
                    std::u32string c;
                    const std::string bytes = code > 0xFF ? std::string{char(code >> 8), char(code & 0xFF)} : std::string(1, char(code));
                    talktest::DecodeCp932(bytes, &c);
                    errors.push_back(talktest::Where(*text) + ": font.lfd has no glyph for \"" +
                                     (c.empty() ? std::string("?") : talktest::Utf8(c[0])) + "\"");
                }
            }
        for (const Use& u : uses[text])
            for (size_t r = 0; r < m.widths.size(); ++r)
                if (u.left + m.widths[r] > u.right)
                    errors.push_back(talktest::Where(*text) + " row " + std::to_string(r + 1) + ": from x " +
                                     std::to_string(u.left) + " it ends at " + std::to_string(u.left + m.widths[r]) +
                                     ", past " + std::to_string(u.right));
    }
    EXPECT_GT(characters, 0u);
    std::string all;
    for (const std::string& e : errors) all += e + "\n";
    EXPECT_TRUE(errors.empty()) << all;
}

TEST(TalkFonts, EveryAttackNameHasItsGlyphsAndFitsFrom270) {
    Font font;
    ASSERT_TRUE(font.Load("skillfont.lfd")) << "the demo data set is not written";
    const int cell = int(font.view.header.fontSize);
    const std::vector<std::string> names = demodata::AttackNames();
    EXPECT_EQ(names.size(), 37u);
    for (const std::string& utf8 : names) {
        const std::string name = testsupport::Utf8ToCp932(utf8);
        ASSERT_FALSE(name.empty()) << utf8;
        const Measured m = Measure(name, cell);
        ASSERT_EQ(m.rows.size(), 1u) << utf8;
        for (uint16_t code : m.rows[0]) EXPECT_TRUE(font.Has(code)) << utf8 << ": " << std::hex << code;
        EXPECT_LE(270 + m.widths[0], 640) << utf8;
    }
}

}  // namespace
