// The dialogue window on a headless game: every quad and text a talk draws is
// recorded in call order, player 1's and player 2's buttons are scripted, and
// the two boss slots hold bosses that record their NextPhase.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "game/state/GameGlobals.h"
#include "game/state/GameState.h"
#include "game/state/SpriteTable.h"
#include "game/state/cBossBase.h"
#include "game/story/TalkScript.h"
#include "game/story/TalkScripts.h"
#include "game/story/TalkState.h"
#include "platform/win32/testing.h"
#include "tests/game/objects/play_harness.h"

namespace talktest {

// One draw: a quad of a sprite-table slot, or a text of a font (slot -1).
struct Draw {
    int32_t slot = -1;
    float dst[4] = {};
    float src[4] = {};
    uint32_t color = 0;
    float z = 0.0f;
    int32_t font = -1;
    std::string text;  // CP932
    int32_t x = 0, y = 0;

    bool IsText() const { return font >= 0; }
};

inline Draw Quad(int32_t slot, float x, float y, float w, float h, float sx, float sy, float sw, float sh,
                 uint32_t color) {
    Draw d;
    d.slot = slot;
    const float dst[4] = {x, y, w, h}, src[4] = {sx, sy, sw, sh};
    std::memcpy(d.dst, dst, sizeof dst);
    std::memcpy(d.src, src, sizeof src);
    d.color = color;
    d.z = 32767.0f;
    return d;
}

inline Draw Text(const char* text, int32_t x, int32_t y) {
    Draw d;
    d.font = 0;
    d.text = text;
    d.x = x;
    d.y = y;
    d.z = 32767.0f;
    return d;
}

inline std::string Describe(const Draw& d) {
    char line[256];
    if (d.IsText())
        std::snprintf(line, sizeof line, "text font %d at (%d, %d) z %g, %zu bytes", d.font, d.x, d.y, double(d.z),
                      d.text.size());
    else
        std::snprintf(line, sizeof line, "slot %d dst (%g, %g, %g, %g) src (%g, %g, %g, %g) colour %08X z %g", d.slot,
                      double(d.dst[0]), double(d.dst[1]), double(d.dst[2]), double(d.dst[3]), double(d.src[0]),
                      double(d.src[1]), double(d.src[2]), double(d.src[3]), d.color, double(d.z));
    return line;
}

inline bool operator==(const Draw& a, const Draw& b) { return Describe(a) == Describe(b) && a.text == b.text; }
inline void PrintTo(const Draw& d, std::ostream* os) { *os << Describe(d); }

// A portrait cell's quad and a balloon's, as the window draws them.
inline Draw Face(int32_t slot, float x, float y, float sx, float sy, uint32_t color) {
    return Quad(slot, x, y, 160, 160, sx, sy, 160, 160, color);
}
inline Draw BalloonQuad(float x, float y, float sx, float sy, uint32_t color) {
    return Quad(25, x, y, 440, 145, sx, sy, 440, 145, color);
}

// A talk's function name, for messages.
inline std::string NameOf(void (*run)()) {
    for (const talk::TalkEntry& t : talk::AllTalks())
        if (t.run == run) return t.name;
    return "?";
}

// The draws of one slot (-1: the texts), in drawing order.
inline std::vector<Draw> OfSlot(const std::vector<Draw>& draws, int32_t slot) {
    std::vector<Draw> out;
    for (const Draw& d : draws)
        if (d.slot == slot) out.push_back(d);
    return out;
}

// The quads only, in drawing order.
inline std::vector<Draw> Quads(const std::vector<Draw>& draws) {
    std::vector<Draw> out;
    for (const Draw& d : draws)
        if (!d.IsText()) out.push_back(d);
    return out;
}

// Records the window's draws while it lives.
class DrawRecorder {
public:
    DrawRecorder() {
        SetSpriteDrawRecorder(
            [](const SpriteDrawRecord& r, void* self) {
                Draw d;
                d.slot = r.slot;
                std::memcpy(d.dst, r.dst, sizeof d.dst);
                std::memcpy(d.src, r.src, sizeof d.src);
                d.color = r.color;
                d.z = r.z;
                static_cast<DrawRecorder*>(self)->draws.push_back(d);
            },
            this);
        SetFontDrawRecorder(
            [](const FontDrawRecord& r, void* self) {
                Draw d;
                d.font = r.font;
                d.text = r.text ? r.text : "";
                d.x = r.x;
                d.y = r.y;
                d.z = r.z;
                static_cast<DrawRecorder*>(self)->draws.push_back(d);
            },
            this);
    }
    ~DrawRecorder() {
        SetSpriteDrawRecorder(nullptr, nullptr);
        SetFontDrawRecorder(nullptr, nullptr);
    }
    DrawRecorder(const DrawRecorder&) = delete;
    DrawRecorder& operator=(const DrawRecorder&) = delete;

    // The draws since the last call.
    std::vector<Draw> Take() {
        std::vector<Draw> taken;
        taken.swap(draws);
        return taken;
    }

    std::vector<Draw> draws;
};

// A boss that notes each NextPhase in the platform's call record, with the
// sub-state and talk step it found, so one record orders music and phases.
class RecordingBoss : public cBossBase {
public:
    explicit RecordingBoss(const char* name) : name_(name) {}
    void NextPhase() override {
        ++phase;
        ++calls;
        platform::RecordCall(std::string("NextPhase ") + name_ + " subState " + std::to_string(GameState.subState) +
                             " step " + std::to_string(TalkState.step));
    }
    int calls = 0;

private:
    const char* name_;
};

// Buttons go in through playtest::SetButtons, as the shell builds the words.
// A fresh window, input up, a dialogue sub-state on difficulty 1, two
// recording bosses and the call record on.
class TalkTest : public ::testing::Test {
protected:
    void SetUp() override {
        TalkState = cTalkState();
        for (int i = 0; i < 2; ++i) playtest::SetButtons(0, 0), playtest::SetButtons(1, 0);
        GameState.subState = kSubStateDialogue;
        GameState.difficulty = 1;
        GameState.bgmVolume = 70;
        GameState.seVolume = 40;  // apart from the music's: a change takes the music's
        BgmHandle = kNoSound;
        bossA_ = new RecordingBoss("A");
        bossB_ = new RecordingBoss("B");
        BossA = bossA_;
        BossB = bossB_;
        platform::ClearRecordedCalls();
        platform::SetCallRecording(true);
    }
    void TearDown() override {
        platform::SetCallRecording(false);
        platform::ClearRecordedCalls();
        BossA = BossB = nullptr;
        delete bossA_;
        delete bossB_;
        for (int i = 0; i < 2; ++i) playtest::SetButtons(0, 0), playtest::SetButtons(1, 0);
        BgmHandle = kNoSound;
        TalkState = cTalkState();
    }

    // A fresh window and bosses, for the next case of a table.
    void Restart() {
        TearDown();
        SetUp();
    }

    // One frame of a talk with the players' buttons as given: what it drew.
    std::vector<Draw> Frame(void (*talk)(), uint16_t p1 = 0, uint16_t p2 = 0) {
        playtest::SetButtons(0, p1);
        playtest::SetButtons(1, p2);
        DrawRecorder rec;
        talk();
        return rec.Take();
    }

    // ELEMENT held from before, until the talk stands at `step`, not yet drawn there.
    void PlayTo(void (*talk)(), int32_t step) {
        playtest::SetButtons(0, PAD_ELEMENT);
        for (int i = 0; i < 300 && TalkState.step != step; ++i) Frame(talk, PAD_ELEMENT);
        playtest::SetButtons(0, 0);
        ASSERT_EQ(TalkState.step, step);
    }

    // A whole talk, ELEMENT held from before it starts, a frame at a time until
    // a boss moves on (300 frames at most).
    struct TalkFrame {
        int32_t step;             // where the talk stood
        std::vector<Draw> draws;  // what it drew
    };
    struct WholeTalk {
        std::vector<TalkFrame> frames;
        int Lines() const {
            int lines = 0;
            for (const TalkFrame& f : frames) lines += !f.draws.empty();
            return lines;
        }
    };
    WholeTalk PlayWhole(void (*talk)()) {
        WholeTalk whole;
        playtest::SetButtons(0, PAD_ELEMENT);
        while (bossA_->calls + bossB_->calls == 0 && whole.frames.size() < 300) {
            const int32_t step = TalkState.step;
            whole.frames.push_back({step, Frame(talk, PAD_ELEMENT)});
        }
        return whole;
    }

    RecordingBoss* bossA_ = nullptr;
    RecordingBoss* bossB_ = nullptr;
};

}  // namespace talktest
