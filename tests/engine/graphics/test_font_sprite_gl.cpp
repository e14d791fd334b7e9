// Text drawn through the font-sprite module on the GL backend (a private X
// server per test): an LFD file and TGA sheet written here, each glyph a solid
// colour, and the frame read back to find where every glyph landed.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>

#include "engine/graphics/Kestra3D.h"
#include "engine/graphics/KestraLfd.h"
#include "tests/engine/graphics/font_test_env.h"

using namespace fonttest;

namespace {

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kYellow = 0xFFFF00;

struct Box {
    int left = -1, top = -1, right = -1, bottom = -1;  // inclusive; -1 when absent
};

class FontSpriteGL : public FontTest {
protected:
    // The body runs in a child with its own display, device and font: the test's
    // process opens no display itself, so the children it forks for other GL
    // tests inherit no connection of its own.
    void InGl(const std::function<void()>& body) {
        EXPECT_EQ(objtest::InDisplayChild([&] {
                      StartFonts(d3d9test::Backend::GL);
                      if (HasFatalFailure()) return;
                      MakeFont();
                      if (HasFatalFailure()) return;
                      body();
                      KestraFontSprite2D::Release(font_);
                      FinishDevice();
                  }),
                  0);
    }
    void MakeFont() {
        // Size 16, cells 18 high: A (bearing 1), B (bearing 2), 字, あ side by side.
        std::vector<uint32_t> px(64 * 32, 0);
        auto fill = [&](int x1, int x2, uint32_t rgb) {
            for (int y = 0; y < 18; ++y)
                for (int x = x1; x < x2; ++x) px[size_t(y) * 64 + x] = 0xFF000000 | rgb;
        };
        fill(0, 8, kRed);
        fill(8, 16, kGreen);
        fill(16, 32, kBlue);
        fill(32, 48, kYellow);
        Put("glyphs.tga", TgaBytes(64, 32, px));
        Put("test.lfd", LfdBytes(16, 1, 64, 32,
                                 {{'A', 0},
                                  {'B', 1},
                                  {KestraLfd::GetCharIndex(CodeOf(Sjis(u8"字"))), 2},
                                  {KestraLfd::GetCharIndex(CodeOf(Sjis(u8"あ"))), 3}},
                                 {"glyphs"},
                                 {{0, 1, 8, 0, 0, 0, 8, 18},
                                  {0, 2, 8, 0, 8, 0, 16, 18},
                                  {0, 0, 16, 0, 16, 0, 32, 18},
                                  {0, 0, 16, 0, 32, 0, 48, 18}}));
        font_ = KestraFontSprite2D::CreateFromFile("test.lfd", ".tga", 1, 1024, 0, 14);
        ASSERT_NE(font_, nullptr);
    }

    // One frame of the queued text, as the game draws it.
    void Frame(const std::function<void()>& queue, int32_t spacing) {
        KestraFontSprite2D::Begin(font_, spacing);
        queue();
        KestraFontSprite2D::End(font_);
        Kestra3D::Clear(D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0, nullptr);
        ASSERT_TRUE(Kestra3D::BeginScene());
        Kestra3D::SetDepthTestEnable(false);
        Kestra3D::SetFilterEnable(false);
        Kestra3D::SetAlphaTestEnable(true);
        Kestra3D::SetBlendingType(1);
        KestraFontSprite2D::Render(font_);
        Kestra3D::EndScene();
        frame_ = d3d9test::ReadRenderTarget(Device());
    }
    // The bounds of a colour within the rows [top, top + 40).
    Box Find(uint32_t rgb, int top) const {
        Box b;
        for (int y = std::max(top, 0); y < top + 40 && y < int(frame_.height); ++y)
            for (int x = 0; x < int(frame_.width); ++x)
                if ((frame_.at(x, y) & 0xFFFFFF) == rgb) {
                    if (b.left < 0 || x < b.left) b.left = x;
                    if (b.top < 0) b.top = y;
                    b.right = std::max(b.right, x);
                    b.bottom = y;
                }
        return b;
    }
    void ExpectGlyph(uint32_t rgb, int band, int x, int y, int width) {
        const Box b = Find(rgb, band);
        EXPECT_EQ(b.left, x) << std::hex << rgb << " in band " << std::dec << band;
        EXPECT_EQ(b.top, y) << std::hex << rgb;
        EXPECT_EQ(b.right, x + width - 1) << std::hex << rgb;
        EXPECT_EQ(b.bottom, y + 17) << std::hex << rgb;
    }
    void Draw(const std::string& text, int x, int y) {
        KestraFontSprite2D::DrawString(font_, text.c_str(), x, y, 0.5f, 0xFFFFFFFF);
    }
    CFontSprite2D::Point End(const std::string& text, int x, int y) {
        CFontSprite2D::Point p{};
        font_->GetStringEnd(&p, text.c_str(), x, y);
        return p;
    }

    CFontSprite2D* font_ = nullptr;
    d3d9test::Image frame_;
};

TEST_F(FontSpriteGL, HalfAdvanceTabBackspaceAndJapaneseLines) {
    InGl([&] {
        const std::string kanji = Sjis(u8"字"), hira = Sjis(u8"あ");
        Frame(
            [&] {
                Draw("A B", 10, 10);
                Draw(kanji + "A" + hira, 10, 50);
                Draw("A\tB", 10, 90);
                Draw(kanji + "\bA", 10, 130);
                Draw("A\nB", 10, 170);
            },
            0);
        // Single-byte glyphs advance half a cell (8), the space 8, double-byte ones 16.
        ExpectGlyph(kRed, 10, 11, 10, 8);
        ExpectGlyph(kGreen, 10, 10 + 16 + 2, 10, 8);
        ExpectGlyph(kBlue, 50, 10, 50, 16);
        // A's cell (bearing 1) reaches into あ's first column, which is drawn over it.
        EXPECT_EQ(Find(kRed, 50).left, 10 + 16 + 1);
        EXPECT_EQ(Find(kRed, 50).right, 10 + 16 + 8 - 1);
        ExpectGlyph(kYellow, 50, 10 + 16 + 8, 50, 16);
        // TAB: four cells.
        ExpectGlyph(kGreen, 90, 10 + 8 + 64 + 2, 90, 8);
        // BS moves back a full cell: A lands on the kanji, whose right part stays visible.
        ExpectGlyph(kRed, 130, 11, 130, 8);
        EXPECT_EQ(Find(kBlue, 130).right, 25);
        EXPECT_EQ(Find(kBlue, 130).left, 10);
        // A line feed: back to the start, one size lower.
        ExpectGlyph(kRed, 170, 11, 170, 8);
        ExpectGlyph(kGreen, 186, 12, 186, 8);
    });
}

TEST_F(FontSpriteGL, FullAdvanceSpacingAndWhereStringsEnd) {
    InGl([&] {
        font_->ClearHalfAdvance();
        const std::string kanji = Sjis(u8"字"), hira = Sjis(u8"あ");
        const std::string mixed = kanji + "A\t" + hira + " ";
        Frame(
            [&] {
                Draw("A B", 10, 10);
                Draw("A\nB", 10, 50);
                // Text, then B drawn where GetStringEnd says the text ended.
                const CFontSprite2D::Point end = End(mixed, 10, 130);
                Draw(mixed, 10, 130);
                Draw("B", end.x, end.y);
            },
            4);
        // Size 16 plus spacing 4: every glyph advances 20, the space still half of it.
        ExpectGlyph(kRed, 10, 11, 10, 8);
        ExpectGlyph(kGreen, 10, 10 + 20 + 10 + 2, 10, 8);
        // The line feed moves 16, not 20; GetStringEnd reports it 4 lower.
        ExpectGlyph(kGreen, 66, 12, 66, 8);
        EXPECT_EQ(End("A\n", 10, 50).y, 70);
        EXPECT_EQ(End("A\n", 10, 50).x, 10);
        const CFontSprite2D::Point end = End(mixed, 10, 130);
        EXPECT_EQ(end.x, 10 + 20 + 20 + 80 + 20 + 10);
        EXPECT_EQ(end.y, 130);
        ExpectGlyph(kBlue, 130, 10, 130, 16);
        ExpectGlyph(kRed, 130, 31, 130, 8);
        ExpectGlyph(kYellow, 130, 130, 130, 16);
        ExpectGlyph(kGreen, 130, end.x + 2, 130, 8);
    });
}

TEST_F(FontSpriteGL, ProportionalTextAndSingleCharacters) {
    InGl([&] {
        Frame(
            [&] {
                // Proportional: quad at pen + 1, advance cell width + 1; spacing ignored.
                KestraFontSprite2D::DrawString(font_, nullptr, 0, 0, 0.5f, 0xFFFFFFFF);
                // Z has no glyph: it advances half the size.
                font_->DrawStringProportional(("A" + Sjis(u8"字") + "ZB").c_str(), 10, 10, 0.5f, 0xFFFFFFFF);
                const float box[4] = {100, 60, 16, 18};
                EXPECT_EQ(font_->DrawChar(Sjis(u8"あ").c_str(), box, 0.5f, 0xFFFFFFFF), 2u);
                EXPECT_EQ(font_->DrawChar("A", std::array<float, 4>{10, 60, 8, 18}.data(), 0.5f, 0xFFFFFFFF), 1u);
                EXPECT_EQ(font_->DrawChar("", box, 0.5f, 0xFFFFFFFF), 0u);
                EXPECT_EQ(font_->DrawChar("Z", box, 0.5f, 0xFFFFFFFF), 0u);
                EXPECT_EQ(font_->DrawCharRotate("B", std::array<float, 4>{40, 100, 8, 18}.data(), 0.5f, 0xFFFFFFFF, 0), 1u);
                EXPECT_EQ(font_->DrawCharRotate("Z", box, 0.5f, 0xFFFFFFFF, 0), 0u);
                EXPECT_EQ(font_->DrawCharRotateXYZ(Sjis(u8"字").c_str(), std::array<float, 4>{60, 140, 16, 18}.data(),
                                                   0.5f, 0xFFFFFFFF, 0, 0, 0),
                          2u);
                EXPECT_EQ(font_->DrawCharRotateXYZ("Z", box, 0.5f, 0xFFFFFFFF, 0, 0, 0), 0u);
            },
            7);
        ExpectGlyph(kRed, 10, 11, 10, 8);
        ExpectGlyph(kBlue, 10, 10 + 9 + 1, 10, 16);
        ExpectGlyph(kGreen, 10, 10 + 9 + 17 + 8 + 1, 10, 8);
        ExpectGlyph(kYellow, 60, 100, 60, 16);
        ExpectGlyph(kRed, 60, 10, 60, 8);
        ExpectGlyph(kGreen, 100, 40, 100, 8);
        ExpectGlyph(kBlue, 140, 60, 140, 16);
        CFontSprite2D::Point p{};
        font_->GetStringEndProportional(&p, ("A" + Sjis(u8"字") + " Z").c_str(), 10, 10);
        EXPECT_EQ(p.x, 10 + 9 + 17 + 8 + 8);
    });
}

}  // namespace
