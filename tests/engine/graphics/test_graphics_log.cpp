// The log of the 3-D periphery over one start, device loss, reset and finish:
// the model slot table, the simple primitives, the shader effects and a 3-D
// font sprite write their own lines and nothing more.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "engine/graphics/CFontSprite3D.h"
#include "engine/graphics/KestraCamera.h"
#include "engine/graphics/KestraFont.h"
#include "engine/graphics/KestraFontSprite2D.h"
#include "engine/graphics/KestraLine2D.h"
#include "engine/graphics/KestraManagers.h"
#include "engine/graphics/KestraModelEx.h"
#include "engine/graphics/KestraShaderFx.h"
#include "engine/graphics/KestraSheet.h"
#include "engine/graphics/KestraSimple.h"
#include "engine/graphics/KestraSprite3D.h"
#include "engine/graphics/KestraSurface.h"
#include "tests/engine/core/boot_harness.h"
#include "tests/engine/graphics/font_test_env.h"

namespace {

using boot::Headline;
using boot::OnDisk;
using boot::U8;

std::string Blue(const std::string& s) { return "<B><FONT color=\"BLUE\">" + s + "</FONT></B>"; }
std::string Green(const std::string& s) { return "<B><FONT color=\"GREEN\">" + s + "</FONT></B>"; }
std::string Red(const std::string& s) { return "<B><FONT color=\"RED\">" + s + "</FONT></B>"; }

// The text between from and to (both kept) replaced by "...", the cut handed out.
std::string Cut(std::string log, const std::string& from, const std::string& to, std::string* cut) {
    const size_t a = log.find(from);
    const size_t b = a == std::string::npos ? a : log.find(to, a + from.size());
    if (b == std::string::npos) return log;
    *cut = log.substr(a + from.size(), b - a - from.size());
    return log.replace(a + from.size(), b - a - from.size(), "...");
}

class GraphicsLog : public fonttest::FontTest {};

TEST_F(GraphicsLog, StartLossResetAndFinishWriteOnlyTheirOwnLines) {
    StartFonts(d3d9test::Backend::Null);
    Put("glyphs.tga", fonttest::TgaBytes(64, 32, std::vector<uint32_t>(64 * 32, 0xFFFFFFFF)));
    Put("test.lfd", fonttest::LfdBytes(16, 1, 64, 32, {{'A', 0}}, {"glyphs"}, {{0, 1, 8, 0, 0, 0, 8, 18}}));
    const size_t before = Log().size();

    // Start: the model slots and the simple primitives as the engine starts
    // them, the 3-D sprite modules, one font sprite from a file, one effect.
    ASSERT_TRUE(KestraModel::Initialize());
    ASSERT_TRUE(KestraSimple::InitializeTable());
    ASSERT_TRUE(KestraSimple::Initialize());
    ASSERT_TRUE(KestraSprite3D::Initialize());
    ASSERT_TRUE(KestraFontSprite3D::Initialize());
    CFontSprite3D* font = KestraFontSprite3D::CreateFromFile("test.lfd", ".tga", 30, 14);
    ASSERT_NE(font, nullptr);
    CShaderFx* effect = KestraShaderFx::Create(0, 0, 0, nullptr);
    ASSERT_NE(effect, nullptr);
    const size_t started = Log().size();

    Kestra3D::ResetDevice(true);
    ASSERT_NE(KestraSimple::GetFanBuffer(), nullptr) << "the reset makes the shared buffer again";
    EXPECT_TRUE(KestraSimple::IsStarted());
    const size_t reset = Log().size();

    // Finish in the engine's order; the effect goes with its module.
    KestraFontSprite3D::Release(font);
    KestraSimple::Finalize();
    KestraSimple::FinalizeTable();
    KestraModel::Finalize();
    KestraSprite3D::Finalize();
    KestraShaderFx::Finalize();
    KestraFontSprite3D::Finalize();
    const std::string log = Log();
    // Every module finished (the fixture's too), then again: a second finish writes nothing.
    const auto finishAll = [] {
        for (void (*finish)() : {KestraSimple::Finalize, KestraSimple::FinalizeTable, KestraModel::Finalize,
                                 KestraModelEx::Finalize, KestraAnimation::Finalize, KestraSprite3D::Finalize,
                                 KestraFontSprite3D::Finalize, KestraSprite2D::Finalize, KestraFontSprite2D::Finalize,
                                 KestraPrimitive2D::Finalize, KestraPrimitive3D::Finalize, KestraPoint2D::Finalize,
                                 KestraPoint3D::Finalize, KestraLine2D::Finalize, KestraLine3D::Finalize,
                                 KestraTexture::Finalize, KestraSurface::Finalize, KestraSheet::Finalize,
                                 KestraFont::Finalize, KestraCamera::Finalize})
            finish();
    };
    finishAll();
    const std::string finished = Log();
    finishAll();
    EXPECT_EQ(Log(), finished);

    // The sheet's image and sprite lines belong to the texture and sprite modules.
    std::string sheetLines;
    const std::string start = Cut(log.substr(before, started - before), Blue("CFontSprite3D::CreateFromFile"),
                                  " : SHEET COUNT", &sheetLines);
    EXPECT_NE(sheetLines.find("glyphs.tga"), std::string::npos) << sheetLines;
    EXPECT_EQ(Count(Blue("CPrimitive3D::Create")), 1) << "one sprite for the one sheet";
    char address[32];
    std::snprintf(address, sizeof address, "[ 0x%08X ] : ", unsigned(reinterpret_cast<uintptr_t>(effect)));
    EXPECT_EQ(start, OnDisk("<BR>\n" + Headline(U8(u8"KestraSimpleクラスの初期化")) +
                            Headline(U8(u8"KestraSprite3Dクラスの初期化")) +
                            Headline(U8(u8"KestraFontSprite3Dクラスの初期化")) + Blue("CFontSprite3D::Create") +
                            Blue("CFontSprite3D::CreateFromFile") + "... : SHEET COUNT [ 1 ] : " +
                            Green("Success!") + Green("Success!") + "<BR>\n" + "KestraShaderFx::Create : " +
                            address + Green("Complete")));
    EXPECT_EQ(log.substr(started, reset - started), "") << "a loss and a reset are neither a start nor a finish";
    EXPECT_EQ(log.substr(reset),
              OnDisk(Red("CFontSprite3D Destruct []") + "<BR>\n" + Red("CSprite3D Destruct") + "<BR>\n" +
                     Red("CPrimitive3D Destruct []") + "<BR>\n" + Headline(U8(u8"KestraSimpleクラスの解放")) +
                     Headline(U8(u8"KestraModelクラスの解放")) + Headline(U8(u8"KestraSprite3Dクラスの解放")) +
                     Headline(U8(u8"KestraFontSprite3Dクラスの解放"))));
}

}  // namespace
