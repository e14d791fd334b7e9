#include "tools/demodata/Synth.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <sstream>

namespace demodata {

namespace {

constexpr float kPi = 3.14159265358979f;

class Noise {
public:
    explicit Noise(uint32_t seed) : s_(seed | 1u) {}
    float Next() {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return float(s_ & 0xFFFF) / 32768.0f - 1.0f;
    }

private:
    uint32_t s_;
};

float Saturate(float x) { return std::tanh(x); }

// ---------------------------------------------------------------- effects

struct Fx {
    std::vector<float> s;
    explicit Fx(float seconds) : s(size_t(seconds * kEffectRate), 0.0f) {}
    float T(size_t i) const { return float(i) / kEffectRate; }
    float Len() const { return float(s.size()) / kEffectRate; }
};

// A tone whose frequency glides from f0 to f1 (exponentially) with a decay.
void Tone(Fx& fx, float start, float dur, float f0, float f1, float amp, int wave, float decay = 6.0f, float attack = 0.003f) {
    float phase = 0;
    const size_t a = size_t(start * kEffectRate), n = size_t(dur * kEffectRate);
    for (size_t i = 0; i < n && a + i < fx.s.size(); ++i) {
        const float t = float(i) / kEffectRate, k = t / dur;
        const float f = f0 * std::pow(f1 / f0, k);
        phase += f / kEffectRate;
        phase -= std::floor(phase);
        float v;
        switch (wave) {
            case 0: v = std::sin(2 * kPi * phase); break;
            case 1: v = phase < 0.5f ? 0.6f : -0.6f; break;
            case 2: v = 1.2f * (2 * phase - 1) * 0.5f; break;
            default: v = 4 * std::fabs(phase - 0.5f) - 1; break;
        }
        const float env = std::min(1.0f, t / attack) * std::exp(-decay * t);
        fx.s[a + i] += v * env * amp;
    }
}

// An FM bell: clear attack, long ring.
void Bell(Fx& fx, float start, float dur, float f, float amp, float ratio = 3.5f, float index = 2.0f) {
    const size_t a = size_t(start * kEffectRate), n = size_t(dur * kEffectRate);
    for (size_t i = 0; i < n && a + i < fx.s.size(); ++i) {
        const float t = float(i) / kEffectRate;
        const float env = std::min(1.0f, t / 0.002f) * std::exp(-4.0f * t / dur);
        const float m = std::sin(2 * kPi * f * ratio * t) * index * std::exp(-3 * t);
        fx.s[a + i] += std::sin(2 * kPi * f * t + m) * env * amp;
    }
}

// Noise through a one-pole low-pass whose cutoff glides.
void Hiss(Fx& fx, float start, float dur, float c0, float c1, float amp, float decay, uint32_t seed, bool highpass = false) {
    Noise rnd(seed);
    float lp = 0;
    const size_t a = size_t(start * kEffectRate), n = size_t(dur * kEffectRate);
    for (size_t i = 0; i < n && a + i < fx.s.size(); ++i) {
        const float t = float(i) / kEffectRate, k = t / dur;
        const float cut = c0 * std::pow(c1 / c0, k);
        const float alpha = 1 - std::exp(-2 * kPi * cut / kEffectRate);
        const float x = rnd.Next();
        lp += alpha * (x - lp);
        const float v = highpass ? x - lp : lp * 1.8f;
        fx.s[a + i] += v * amp * std::min(1.0f, t / 0.002f) * std::exp(-decay * t);
    }
}

std::vector<int16_t> Finish(Fx& fx, float peak) {
    float m = 0;
    for (float v : fx.s) m = std::max(m, std::fabs(v));
    const float g = m > 0 ? peak / m : 0;
    std::vector<int16_t> out(fx.s.size());
    const size_t fade = std::min<size_t>(fx.s.size(), 220);
    for (size_t i = 0; i < fx.s.size(); ++i) {
        float v = fx.s[i] * g;
        if (i + fade >= fx.s.size()) v *= float(fx.s.size() - i) / float(fade);  // no click at the end
        out[i] = int16_t(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
    }
    return out;
}

}  // namespace

std::vector<int16_t> SynthesizeEffect(const std::string& name) {
    uint32_t seed = 2166136261u;  // FNV-1a of the name: the same noise on every run and library
    for (char ch : name) seed = (seed ^ uint8_t(ch)) * 16777619u;
    // Peaks are balanced by kind: frequent shots quiet, menus moderate, big events loud.
    if (name == "shot_small") { Fx f(0.07f); Tone(f, 0, 0.07f, 1400, 700, 1, 1, 30); return Finish(f, 0.30f); }
    if (name == "shot_enemy_normal") { Fx f(0.09f); Tone(f, 0, 0.09f, 700, 350, 1, 3, 25); return Finish(f, 0.32f); }
    if (name == "enemyshot_short") { Fx f(0.06f); Tone(f, 0, 0.06f, 1000, 600, 1, 3, 35); return Finish(f, 0.30f); }
    if (name == "BigShot") { Fx f(0.35f); Tone(f, 0, 0.35f, 220, 60, 1, 0, 8); Hiss(f, 0, 0.25f, 3000, 300, 0.5f, 12, seed); return Finish(f, 0.60f); }
    if (name == "knifeswing") { Fx f(0.15f); Hiss(f, 0, 0.15f, 800, 6000, 1, 15, seed, true); return Finish(f, 0.40f); }
    if (name == "charge") {
        Fx f(0.6f);
        Tone(f, 0, 0.6f, 200, 1300, 0.7f, 0, 1.0f, 0.05f);
        Tone(f, 0, 0.6f, 300, 1950, 0.3f, 3, 1.0f, 0.05f);
        return Finish(f, 0.45f);
    }
    if (name == "forcebrake") { Fx f(0.6f); Hiss(f, 0, 0.6f, 5000, 200, 1, 5, seed); Tone(f, 0, 0.6f, 600, 80, 0.8f, 2, 4); return Finish(f, 0.75f); }
    if (name == "changeattribute") { Fx f(0.3f); Tone(f, 0, 0.12f, 660, 660, 0.8f, 3, 15); Tone(f, 0.08f, 0.2f, 990, 990, 0.8f, 3, 12); return Finish(f, 0.45f); }
    if (name == "enemydamage_small") { Fx f(0.05f); Hiss(f, 0, 0.05f, 4000, 2000, 1, 50, seed); return Finish(f, 0.28f); }
    if (name == "rt_cursor01") { Fx f(0.09f); Bell(f, 0, 0.09f, 1800, 1, 1.4f, 1.5f); return Finish(f, 0.30f); }
    if (name == "enemybreak_01") { Fx f(0.45f); Hiss(f, 0, 0.45f, 4000, 150, 1, 7, seed); Tone(f, 0, 0.3f, 120, 40, 0.8f, 0, 10); return Finish(f, 0.60f); }
    if (name == "boss_death") {
        Fx f(1.8f);
        for (int k = 0; k < 5; ++k) Hiss(f, 0.25f * float(k), 1.2f, 5000, 100, 1, 3.5f, seed + uint32_t(k));
        Tone(f, 0, 1.8f, 90, 30, 1, 0, 2);
        return Finish(f, 0.85f);
    }
    if (name == "xmasbell") { Fx f(0.8f); Bell(f, 0, 0.8f, 1046, 1, 3.5f, 2.5f); Bell(f, 0, 0.8f, 1568, 0.4f); return Finish(f, 0.40f); }
    if (name == "puni") {
        Fx f(0.2f);
        float phase = 0;
        for (size_t i = 0; i < f.s.size(); ++i) {
            const float t = f.T(i);
            phase += (300 + 200 * std::sin(t * 2 * kPi * 18) * std::exp(-8 * t)) / kEffectRate;
            f.s[i] = std::sin(2 * kPi * phase) * std::exp(-10 * t);
        }
        return Finish(f, 0.40f);
    }
    if (name == "nonochach") { Fx f(0.25f); Hiss(f, 0, 0.08f, 6000, 3000, 1, 30, seed, true); Hiss(f, 0.12f, 0.12f, 6000, 3000, 1, 25, seed + 1, true); return Finish(f, 0.35f); }
    if (name == "rt_star14" || name == "rt_star22") {
        const bool big = name == "rt_star22";
        Fx f(big ? 0.45f : 0.3f);
        const float notes[] = {1318, 1760, 2093, 2637};
        for (int k = 0; k < 4; ++k) Bell(f, 0.05f * float(k), 0.25f, notes[k] * (big ? 0.75f : 1.0f), 0.6f, 2.0f, 1.0f);
        return Finish(f, 0.38f);
    }
    if (name == "reflectbullet") { Fx f(0.15f); Bell(f, 0, 0.15f, 2400, 1, 1.5f, 3); return Finish(f, 0.32f); }
    if (name == "crystalhit") { Fx f(0.4f); Bell(f, 0, 0.4f, 2217, 1, 2.76f, 1.5f); Bell(f, 0, 0.4f, 3322, 0.5f, 2.0f, 1.0f); return Finish(f, 0.40f); }
    if (name == "crystalactive") {
        Fx f(0.6f);
        for (int k = 0; k < 6; ++k) Bell(f, 0.07f * float(k), 0.3f, 880.0f * std::pow(1.189f, float(k)), 0.5f, 2.0f, 1.0f);
        return Finish(f, 0.40f);
    }
    if (name == "shamyuhit") {
        Fx f(0.3f);
        float phase = 0;
        for (size_t i = 0; i < f.s.size(); ++i) {
            const float t = f.T(i), k = t / f.Len();
            phase += (500 + 400 * std::sin(kPi * k) + 20 * std::sin(t * 2 * kPi * 30)) / kEffectRate;
            f.s[i] = (std::sin(2 * kPi * phase) + 0.3f * std::sin(6 * kPi * phase)) * std::sin(kPi * k);
        }
        return Finish(f, 0.42f);
    }
    if (name == "stillattack") { Fx f(0.5f); Bell(f, 0, 0.5f, 180, 1, 1.41f, 6); Hiss(f, 0, 0.2f, 6000, 1000, 0.6f, 20, seed); return Finish(f, 0.65f); }
    if (name == "Stardust") {
        Fx f(0.8f);
        Noise rnd(seed);
        for (int k = 0; k < 14; ++k) Bell(f, 0.05f * float(k), 0.3f, 2000 + 1500 * (rnd.Next() + 1), 0.4f, 2.0f, 0.8f);
        return Finish(f, 0.40f);
    }
    if (name == "Lock_Open") { Fx f(0.3f); Hiss(f, 0, 0.02f, 8000, 8000, 1, 100, seed, true); Bell(f, 0.04f, 0.25f, 1318, 0.8f, 2, 1); return Finish(f, 0.45f); }
    if (name == "draw_block") { Fx f(0.3f); Hiss(f, 0, 0.3f, 1500, 3000, 1, 6, seed, true); return Finish(f, 0.40f); }
    if (name == "raser_long" || name == "princessbomb_laser") {
        const bool big = name == "princessbomb_laser";
        Fx f(big ? 1.8f : 1.2f);
        float phase = 0, phase2 = 0;
        for (size_t i = 0; i < f.s.size(); ++i) {
            const float t = f.T(i), k = t / f.Len();
            phase += (big ? 110.0f : 220.0f) * (1 + 0.02f * std::sin(t * 2 * kPi * 9)) / kEffectRate;
            phase2 += (big ? 165.5f : 331.0f) / kEffectRate;
            phase -= std::floor(phase);
            phase2 -= std::floor(phase2);
            const float env = std::min(1.0f, t / 0.05f) * std::min(1.0f, (1 - k) * 6);
            f.s[i] = ((2 * phase - 1) * 0.6f + (phase2 < 0.5f ? 0.3f : -0.3f)) * env;
        }
        Hiss(f, 0, f.Len(), 3000, 3000, 0.4f, 0.5f, seed);
        return Finish(f, big ? 0.70f : 0.55f);
    }
    if (name == "rt_laser20") { Fx f(0.3f); Tone(f, 0, 0.3f, 2400, 300, 1, 2, 6); return Finish(f, 0.42f); }
    if (name == "shatter") {
        Fx f(0.7f);
        Hiss(f, 0, 0.5f, 9000, 3000, 1, 8, seed, true);
        Noise rnd(seed + 3);
        for (int k = 0; k < 8; ++k) Bell(f, 0.03f * float(k), 0.3f, 2500 + 2000 * (rnd.Next() + 1), 0.3f, 2.3f, 1.2f);
        return Finish(f, 0.60f);
    }
    if (name == "gisiki") {
        Fx f(2.0f);
        Tone(f, 0, 2.0f, 55, 55, 1, 3, 1.2f, 0.3f);
        Tone(f, 0, 2.0f, 82.5f, 82.5f, 0.6f, 0, 1.2f, 0.3f);
        Bell(f, 0.2f, 1.8f, 440, 0.5f, 3.0f, 1.5f);
        return Finish(f, 0.60f);
    }
    if (name == "titlefocus") { Fx f(0.05f); Tone(f, 0, 0.05f, 1800, 1800, 1, 3, 60); return Finish(f, 0.32f); }
    if (name == "titledecide") { Fx f(0.25f); Tone(f, 0, 0.1f, 880, 880, 0.8f, 1, 20); Tone(f, 0.07f, 0.18f, 1318, 1318, 0.8f, 1, 14); return Finish(f, 0.42f); }
    if (name == "titlecancel") { Fx f(0.25f); Tone(f, 0, 0.1f, 880, 880, 0.8f, 1, 20); Tone(f, 0.07f, 0.18f, 587, 587, 0.8f, 1, 14); return Finish(f, 0.40f); }
    if (name == "menuopen") { Fx f(0.25f); Hiss(f, 0, 0.25f, 500, 6000, 0.7f, 6, seed); Tone(f, 0, 0.2f, 440, 880, 0.4f, 3, 8); return Finish(f, 0.42f); }
    if (name == "gameover") {
        Fx f(1.6f);
        const float notes[] = {659, 523, 440, 330};
        for (int k = 0; k < 4; ++k) Tone(f, 0.3f * float(k), k == 3 ? 0.7f : 0.35f, notes[k], notes[k], 0.8f, 3, 3);
        return Finish(f, 0.55f);
    }
    if (name == "playerdamage") { Fx f(0.45f); Tone(f, 0, 0.45f, 900, 90, 1, 1, 5); Hiss(f, 0, 0.3f, 4000, 500, 0.6f, 10, seed); return Finish(f, 0.70f); }
    if (name == "itemget") { Fx f(0.18f); Tone(f, 0, 0.06f, 1568, 1568, 0.8f, 1, 10); Tone(f, 0.05f, 0.13f, 2093, 2093, 0.8f, 1, 14); return Finish(f, 0.34f); }
    if (name == "lifeitemget") {
        Fx f(0.55f);
        const float notes[] = {523, 659, 784, 1046};
        for (int k = 0; k < 4; ++k) Tone(f, 0.08f * float(k), 0.25f, notes[k], notes[k], 0.7f, 3, 8);
        return Finish(f, 0.45f);
    }
    return {};
}

std::vector<uint8_t> EncodeWave(const std::vector<int16_t>& mono, int rate) {
    std::vector<uint8_t> o;
    auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) o.push_back(uint8_t(v >> (8 * i))); };
    auto u16 = [&](uint16_t v) { o.push_back(uint8_t(v)); o.push_back(uint8_t(v >> 8)); };
    auto tag = [&](const char* t) {
        for (int i = 0; i < 4; ++i) o.push_back(uint8_t(t[i]));
    };
    const uint32_t bytes = uint32_t(mono.size() * 2);
    tag("RIFF");
    u32(36 + bytes);
    tag("WAVE");
    tag("fmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(uint32_t(rate));
    u32(uint32_t(rate) * 2);
    u16(2);
    u16(16);
    tag("data");
    u32(bytes);
    for (int16_t s : mono) u16(uint16_t(s));
    return o;
}

// ---------------------------------------------------------------- music

namespace {

const int kMajor[7] = {0, 2, 4, 5, 7, 9, 11};
const int kMinor[7] = {0, 2, 3, 5, 7, 8, 10};
const int kHarmonic[7] = {0, 2, 3, 5, 7, 8, 11};
const int kDorian[7] = {0, 2, 3, 5, 7, 9, 10};
const int kLydian[7] = {0, 2, 4, 6, 7, 9, 11};
const int kMixolydian[7] = {0, 2, 4, 5, 7, 9, 10};

enum Wave { kSquare, kSaw, kTriangle, kBell, kPulse, kOrgan };

// One track as data: key, tempo, progressions, motifs and how it is played.
struct TrackDef {
    const char* path;
    int bpm;
    int tonic;           // MIDI note of the key's tonic (the lead's octave)
    const int* scale;
    const char* chordsA;  // scale degree of each bar's chord, 8 bars
    const char* chordsB;
    const char* motifA;   // two bars of 16ths: "degree:length", "r:length"
    const char* motifB;
    Wave lead;
    int drums;            // 0 soft, 1 rock, 2 driving, 3 half time, 4 march
    int bass;             // 0 long roots, 1 eighths, 2 octave bounce
    float echo;
    const char* form;     // I intro (4 bars), A, B (8 bars each), C breakdown (4 bars)
};

const TrackDef kTracks[] = {
    {"BGM/Title.ogg", 104, 74, kMajor, "14561454", "46154615", "3:4 5:4 6:6 5:2 3:4 2:4 1:8", "6:4 5:4 3:4 5:4 8:8 7:4 5:4", kBell, 0, 0, 0.35f, "IAAB"},
    {"BGM/Stage01.ogg", 140, 67, kMajor, "15641564", "46154625", "1:2 3:2 5:4 6:2 5:2 3:4 2:2 3:2 5:4 3:2 2:2 1:4", "8:4 7:2 6:2 5:4 3:4 4:2 5:2 6:4 5:8", kSquare, 1, 1, 0.25f, "IAABABCA"},
    {"BGM/Stage02.ogg", 126, 65, kLydian, "12151215", "46524652", "5:6 4:2 3:4 2:4 3:6 5:2 8:8", "8:4 9:4 8:2 7:2 5:4 4:4 3:4 2:4 1:4", kTriangle, 3, 0, 0.4f, "IAABABC"},
    {"BGM/Stage03.ogg", 152, 64, kMinor, "16751675", "46754675", "1:2 1:2 3:2 5:2 4:4 3:4 1:2 7:2 1:4 5:4 r:4", "8:4 7:4 5:4 6:4 5:2 4:2 3:4 2:4 1:4", kSaw, 2, 1, 0.2f, "IAABABCAB"},
    {"BGM/Stage04.ogg", 160, 72, kMajor, "15151545", "44115515", "1:2 3:2 5:2 3:2 6:2 5:2 3:4 4:2 4:2 3:2 2:2 1:8", "5:2 5:2 6:2 5:2 3:4 1:4 2:2 2:2 3:2 2:2 1:8", kPulse, 4, 2, 0.15f, "IAABABAB"},
    {"BGM/Stage05.ogg", 132, 70, kHarmonic, "16451645", "46754675", "5:6 4:2 3:4 1:4 7:4 1:4 2:4 3:4", "3:4 4:4 5:6 6:2 5:4 4:4 3:4 2:4", kOrgan, 1, 0, 0.35f, "IAABABCA"},
    {"BGM/Stage06.ogg", 144, 61, kMinor, "16741674", "43754375", "1:4 3:4 5:4 8:4 7:4 5:4 6:8", "8:2 7:2 6:2 5:2 6:4 4:4 5:2 4:2 3:2 2:2 3:8", kSaw, 2, 1, 0.3f, "IAABABCAB"},
    {"BGM/Stage01Boss.ogg", 168, 69, kMinor, "16161757", "46464757", "1:2 5:2 8:2 5:2 7:2 5:2 6:4 5:2 3:2 4:2 3:2 2:4 5:4", "8:4 8:2 9:2 10:4 9:4 8:2 7:2 6:2 5:2 7:8", kSquare, 2, 2, 0.2f, "IAABAB"},
    {"BGM/Stage02Boss.ogg", 158, 66, kDorian, "14141717", "45454747", "5:4 4:2 5:2 6:4 5:4 3:4 4:2 3:2 1:8", "8:6 7:2 6:4 5:4 4:4 5:4 6:8", kTriangle, 1, 1, 0.3f, "IAABAB"},
    {"BGM/Stage03Boss.ogg", 172, 62, kHarmonic, "15151564", "46465757", "1:2 2:2 3:2 1:2 5:4 4:2 3:2 7:2 1:2 2:2 7:2 5:8", "8:2 7:2 6:2 5:2 4:4 3:4 2:2 3:2 4:2 2:2 7:8", kSaw, 2, 1, 0.15f, "IAABABA"},
    {"BGM/Stage04Boss.ogg", 176, 68, kMixolydian, "17141714", "44771155", "5:2 5:2 8:2 5:2 7:2 6:2 5:4 4:2 5:2 6:2 4:2 5:8", "1:2 3:2 5:2 7:2 8:4 7:4 5:2 4:2 3:2 2:2 1:8", kPulse, 4, 2, 0.2f, "IAABABA"},
    {"BGM/Stage05Boss.ogg", 164, 63, kHarmonic, "16571657", "46754675", "5:4 6:2 5:2 4:4 3:4 2:4 3:2 4:2 7:8", "8:4 10:4 9:4 8:4 7:4 6:4 5:8", kOrgan, 2, 1, 0.3f, "IAABABC"},
    {"BGM/Stage05Boss_02.ogg", 166, 71, kMinor, "17651765", "34573457", "1:4 3:4 4:4 5:4 7:4 5:4 8:8", "8:2 7:2 5:4 7:2 5:2 4:4 3:2 4:2 5:4 1:8", kSaw, 2, 2, 0.25f, "IAABABC"},
    {"BGM/Stage06Boss_01.ogg", 150, 67, kDorian, "14141454", "76547654", "3:2 4:2 5:4 8:4 7:2 6:2 5:4 3:4 4:2 3:2 2:4", "5:4 6:4 7:4 8:4 9:6 8:2 7:8", kBell, 1, 1, 0.35f, "IAABABC"},
    {"BGM/Stage06Boss_02.ogg", 180, 60, kHarmonic, "16571657", "46754675", "1:2 1:2 8:2 7:2 6:2 5:2 6:2 7:2 8:4 5:4 3:4 7:4", "8:4 7:4 6:4 5:4 4:2 3:2 2:2 3:2 7:8", kOrgan, 2, 2, 0.2f, "IAABABAB"},
    {"BGM/EDTalk.ogg", 88, 69, kMajor, "14251425", "63646325", "3:6 2:2 1:4 5:4 6:6 5:2 3:8", "4:6 3:2 2:4 1:4 2:6 3:2 5:8", kBell, 0, 0, 0.45f, "IABA"},
};

struct Note {
    double start;   // seconds
    double length;  // seconds
    float freq;
    float amp;
    float pan;      // -1 left .. 1 right
    Wave wave;
    float cutoff;   // Hz of the voice's low-pass
    float attack, release;
    bool echo;
};

float MidiHz(float m) { return 440.0f * std::pow(2.0f, (m - 69.0f) / 12.0f); }

// The MIDI note of scale degree d (1-based, may pass 7 or go below 1).
int Degree(const TrackDef& t, int d) {
    const int k = d - 1;
    const int oct = k >= 0 ? k / 7 : -((-k + 6) / 7);
    const int idx = k - oct * 7;
    return t.tonic + 12 * oct + t.scale[idx];
}

struct MotifNote {
    int degree;  // 0 = rest
    int length;  // sixteenths
};

std::vector<MotifNote> ParseMotif(const char* text) {
    std::vector<MotifNote> m;
    std::istringstream in(text);
    std::string token;
    while (in >> token) {
        const size_t colon = token.find(':');
        const int length = std::atoi(token.c_str() + colon + 1);
        const int degree = token[0] == 'r' ? 0 : std::atoi(token.substr(0, colon).c_str());
        m.push_back({degree, length});
    }
    return m;
}

void Render(const Note& n, int rate, std::vector<float>& left, std::vector<float>& right, std::vector<float>& echoL,
            std::vector<float>& echoR, uint32_t seed) {
    const size_t a = size_t(n.start * rate);
    const size_t len = size_t((n.length + n.release) * rate);
    float phase = float(seed % 1000) / 1000.0f, phase2 = 0.31f, lp = 0, lp2 = 0;
    const float gl = n.amp * std::sqrt(0.5f * (1 - n.pan)), gr = n.amp * std::sqrt(0.5f * (1 + n.pan));
    const float alpha = 1 - std::exp(-2 * kPi * n.cutoff / float(rate));
    for (size_t i = 0; i < len && a + i < left.size(); ++i) {
        const float t = float(i) / float(rate);
        float env = std::min(1.0f, t / n.attack);
        if (t > n.length) env *= std::max(0.0f, 1 - (t - float(n.length)) / n.release);
        const float vib = t > 0.25f ? 1 + 0.004f * std::sin(2 * kPi * 5.5f * t) : 1.0f;
        phase += n.freq * vib / float(rate);
        phase -= std::floor(phase);
        phase2 += n.freq * 1.006f / float(rate);
        phase2 -= std::floor(phase2);
        float v = 0;
        switch (n.wave) {
            case kSquare: v = (phase < 0.5f ? 0.5f : -0.5f); break;
            case kPulse: v = (phase < 0.25f ? 0.6f : -0.2f); break;
            case kSaw: v = (2 * phase - 1) * 0.4f + (2 * phase2 - 1) * 0.4f; break;
            case kTriangle: v = 4 * std::fabs(phase - 0.5f) - 1; break;
            case kOrgan:
                v = 0.5f * std::sin(2 * kPi * phase) + 0.3f * std::sin(4 * kPi * phase) + 0.2f * std::sin(6 * kPi * phase);
                break;
            case kBell: {
                const float m = std::sin(2 * kPi * phase * 3.0f) * 1.5f * std::exp(-4 * t);
                v = std::sin(2 * kPi * phase + m) * std::exp(-1.8f * t);
                break;
            }
        }
        lp += alpha * (v - lp);
        lp2 += alpha * (lp - lp2);
        const float s = lp2 * env;
        left[a + i] += s * gl;
        right[a + i] += s * gr;
        if (n.echo) {
            echoL[a + i] += s * gl;
            echoR[a + i] += s * gr;
        }
    }
}

// Drum hits, rendered straight into the mix.
void Drum(int kind, double start, int rate, std::vector<float>& left, std::vector<float>& right, float amp, uint32_t seed) {
    const size_t a = size_t(start * rate);
    Noise rnd(seed);
    const float dur = kind == 0 ? 0.35f : (kind == 1 ? 0.22f : (kind == 2 ? 0.05f : 0.3f));
    const size_t n = size_t(dur * float(rate));
    float phase = 0, hp = 0, lp = 0;
    for (size_t i = 0; i < n && a + i < left.size(); ++i) {
        const float t = float(i) / float(rate);
        float v = 0, pan = 0;
        if (kind == 0) {  // kick
            phase += (50 + 110 * std::exp(-30 * t)) / float(rate);
            v = std::sin(2 * kPi * phase) * std::exp(-9 * t) * 1.1f;
        } else if (kind == 1) {  // snare
            phase += 190.0f / float(rate);
            const float x = rnd.Next();
            lp += 0.5f * (x - lp);
            v = (0.5f * std::sin(2 * kPi * phase) * std::exp(-25 * t) + lp * 0.9f * std::exp(-14 * t));
            pan = 0.1f;
        } else if (kind == 2) {  // closed hat
            const float x = rnd.Next();
            hp += 0.3f * (x - hp);
            v = (x - hp) * std::exp(-70 * t) * 0.6f;
            pan = 0.3f;
        } else {  // crash
            const float x = rnd.Next();
            hp += 0.25f * (x - hp);
            v = (x - hp) * std::exp(-8 * t) * 0.45f;
            pan = -0.3f;
        }
        v *= std::min(1.0f, t / 0.001f);  // a millisecond of attack: no click at the onset
        left[a + i] += v * amp * (1 - pan);
        right[a + i] += v * amp * (1 + pan);
    }
}

const char* const kDrumKick[] = {"x.......x.......", "x.......x.x.....", "x...x...x...x...", "x...............", "x.......x.......", };
const char* const kDrumSnare[] = {"................", "....x.......x...", "....x.......x...", "........x.......", "....x.......x.xx"};
const char* const kDrumHat[] = {"..x...x...x...x.", "x.x.x.x.x.x.x.x.", "xxxxxxxxxxxxxxxx", "x.x.x.x.x.x.x.x.", "x...x...x...x..."};

}  // namespace

std::vector<float> SynthesizeMusic(const std::string& path) {
    const TrackDef* def = nullptr;
    for (const TrackDef& t : kTracks)
        if (path == t.path) def = &t;
    if (!def) return {};
    const TrackDef& t = *def;
    const int rate = kMusicRate;
    const double beat = 60.0 / t.bpm, sixteenth = beat / 4, bar = beat * 4;

    // The form: which section each bar belongs to.
    struct BarPlan {
        char section;
        int index;  // bar within the section
        int pass;   // how many times this section came before
    };
    std::vector<BarPlan> plan;
    std::map<char, int> passes;
    for (const char* f = t.form; *f; ++f) {
        const int bars = (*f == 'I' || *f == 'C') ? 4 : 8;
        for (int b = 0; b < bars; ++b) plan.push_back({*f, b, passes[*f]});
        ++passes[*f];
    }
    const double loopSeconds = double(plan.size()) * bar;
    const size_t loop = size_t(std::llround(loopSeconds * rate));
    const size_t tail = size_t(3.0 * rate);
    std::vector<float> L(loop + tail, 0.0f), R(loop + tail, 0.0f), EL(loop + tail, 0.0f), ER(loop + tail, 0.0f);

    const std::vector<MotifNote> motifA = ParseMotif(t.motifA), motifB = ParseMotif(t.motifB);
    uint32_t seed = 1;
    for (size_t b = 0; b < plan.size(); ++b) {
        const BarPlan& p = plan[b];
        const double bs = double(b) * bar;
        const char* chords = p.section == 'B' ? t.chordsB : t.chordsA;
        const int chord = chords[p.index % 8] - '0';
        const int root = Degree(t, chord) - 24;
        // pad: the chord's triad, soft, over the whole bar
        for (int k = 0; k < 3; ++k) {
            const int m = Degree(t, chord + 2 * k) - 12;
            Render({bs, bar * 0.98, MidiHz(float(m)), p.section == 'C' ? 0.07f : 0.05f, float(k - 1) * 0.5f, kSaw, 1400, 0.25f, 0.4f, false},
                   rate, L, R, EL, ER, seed++);
        }
        // bass
        if (p.section != 'C' || p.index >= 2) {
            for (int s = 0; s < 16; s += (t.bass == 0 ? 8 : 2)) {
                int m = root;
                if (t.bass == 2 && (s / 2) % 2 == 1) m += 12;
                if (t.bass == 1 && s == 14) m = Degree(t, chord + 4) - 24;
                Render({bs + s * sixteenth, (t.bass == 0 ? 8 : 2) * sixteenth * 0.85, MidiHz(float(m)), 0.22f, 0, kSaw, 600, 0.005f,
                        0.05f, false},
                       rate, L, R, EL, ER, seed++);
            }
        }
        // arpeggio in the intro and breakdown, and quietly under B
        if (p.section == 'I' || p.section == 'C' || p.section == 'B') {
            for (int s = 0; s < 16; s += 2) {
                const int step = (s / 2) % 4;
                const int m = Degree(t, chord + (step == 3 ? 2 : step * 2)) + 12;
                Render({bs + s * sixteenth, sixteenth * 1.6, MidiHz(float(m)), p.section == 'B' ? 0.035f : 0.06f,
                        (step % 2 ? 0.6f : -0.6f), kTriangle, 3500, 0.003f, 0.08f, true},
                       rate, L, R, EL, ER, seed++);
            }
        }
        // lead: the motif of the section, moved along the progression
        if ((p.section == 'A' || p.section == 'B') && p.index % 2 == 0) {
            const std::vector<MotifNote>& motif = p.section == 'A' ? motifA : motifB;
            const int shift = (p.index == 6 ? 0 : (chord - 1) % 7 >= 4 ? (chord - 1) % 7 - 7 : (chord - 1) % 7) * (p.index == 0 ? 0 : 1);
            double at = bs;
            const int octave = p.pass % 2 == 1 ? 12 : 0;
            for (const MotifNote& n : motif) {
                if (n.degree != 0 && at < bs + 2 * bar - 1e-6) {
                    const int m = Degree(t, n.degree + shift) + octave;
                    Render({at, n.length * sixteenth * 0.9, MidiHz(float(m)), 0.16f, 0.1f, t.lead, t.lead == kBell ? 8000.0f : 3200.0f,
                            0.01f, 0.12f, true},
                           rate, L, R, EL, ER, seed++);
                    if (p.pass % 2 == 1)  // harmony a third below on repeats
                        Render({at, n.length * sixteenth * 0.9, MidiHz(float(Degree(t, n.degree + shift - 2))), 0.07f, -0.4f, kTriangle,
                                2500, 0.01f, 0.1f, false},
                               rate, L, R, EL, ER, seed++);
                }
                at += n.length * sixteenth;
            }
        }
        // drums
        if (t.drums > 0 || p.section != 'I') {
            const int style = std::clamp(t.drums, 0, 4);
            const bool light = p.section == 'I' || p.section == 'C';
            for (int s = 0; s < 16; ++s) {
                const double at = bs + s * sixteenth;
                if (kDrumKick[style][s] == 'x' && !(light && s > 0)) Drum(0, at, rate, L, R, 0.5f, seed++);
                if (kDrumSnare[style][s] == 'x' && !light) Drum(1, at, rate, L, R, 0.32f, seed++);
                if (kDrumHat[style][s] == 'x') Drum(2, at, rate, L, R, light ? 0.12f : 0.2f, seed++);
            }
            if (p.index == 0 && (p.section == 'A' || p.section == 'B')) Drum(3, bs, rate, L, R, 0.3f, seed++);
            // a snare fill on the last beat of every eight-bar section
            if (!light && p.index == 7)
                for (int s = 12; s < 16; ++s) Drum(1, bs + s * sixteenth, rate, L, R, 0.16f + 0.04f * float(s - 12), seed++);
        }
    }
    // Fold the tails past the loop's end back onto its start: the loop is periodic.
    for (size_t i = loop; i < L.size(); ++i) {
        L[i - loop] += L[i];
        R[i - loop] += R[i];
        EL[i - loop] += EL[i];
        ER[i - loop] += ER[i];
    }
    L.resize(loop), R.resize(loop), EL.resize(loop), ER.resize(loop);
    // Cross-fed echo (dotted eighth), computed around the loop so it wraps too.
    const size_t d = size_t(std::llround(beat * 0.75 * rate));
    std::vector<float> wl = EL, wr = ER;
    for (int tap = 1; tap <= 4; ++tap) {
        const float g = t.echo * std::pow(0.55f, float(tap - 1));
        for (size_t i = 0; i < loop; ++i) {
            const size_t j = (i + loop - (d * size_t(tap)) % loop) % loop;
            L[i] += g * (tap % 2 ? wr[j] : wl[j]);
            R[i] += g * (tap % 2 ? wl[j] : wr[j]);
        }
    }
    // Start the loop where the music is calmest in its first quarter second (the
    // least sample-to-sample movement over 5 ms): the seam between the last and
    // first samples then joins like any quiet step, and the codec's edges are
    // least audible there.
    size_t rotate = 0;
    {
        const size_t window = size_t(rate / 200), span = size_t(rate / 4);
        auto move = [&](size_t k) { return std::fabs(L[k] - L[k - 1]) + std::fabs(R[k] - R[k - 1]); };
        float sum = 0, best = 1e30f;
        for (size_t k = 1; k <= window; ++k) sum += move(k);
        for (size_t k = window + 1; k < span; ++k) {
            sum += move(k) - move(k - window);
            const size_t centre = k - window / 2;
            const float score = sum + 20.0f * move(centre);
            if (score < best) best = score, rotate = centre;
        }
    }
    std::rotate(L.begin(), L.begin() + long(rotate), L.end());
    std::rotate(R.begin(), R.begin() + long(rotate), R.end());
    // Master: gentle saturation, then the peak set below full scale.
    std::vector<float> out(loop * 2);
    float peak = 0;
    for (size_t i = 0; i < loop; ++i) {
        out[2 * i] = Saturate(L[i] * 1.2f);
        out[2 * i + 1] = Saturate(R[i] * 1.2f);
        peak = std::max(peak, std::max(std::fabs(out[2 * i]), std::fabs(out[2 * i + 1])));
    }
    const float g = peak > 0 ? 0.8f / peak : 1.0f;
    for (float& v : out) v *= g;
    return out;
}

bool EncodeOggVorbis(const std::vector<float>& stereo, int rate, std::vector<uint8_t>* out, std::string* error) {
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, rate, 0.2f) != 0) {
        vorbis_info_clear(&info);
        *error = "the Vorbis encoder refused its settings";
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "ENCODER", "quenrith-demodata");
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 0x51554E52);  // fixed serial: reproducible bytes
    auto page = [&](const ogg_page& p) {
        out->insert(out->end(), p.header, p.header + p.header_len);
        out->insert(out->end(), p.body, p.body + p.body_len);
    };
    ogg_packet h0, h1, h2;
    vorbis_analysis_headerout(&dsp, &comment, &h0, &h1, &h2);
    ogg_stream_packetin(&stream, &h0);
    ogg_stream_packetin(&stream, &h1);
    ogg_stream_packetin(&stream, &h2);
    ogg_page p;
    while (ogg_stream_flush(&stream, &p)) page(p);
    const size_t frames = stereo.size() / 2;
    size_t done = 0;
    bool eos = false;
    while (!eos) {
        const size_t count = std::min<size_t>(4096, frames - done);
        if (count == 0) {
            vorbis_analysis_wrote(&dsp, 0);
        } else {
            float** buf = vorbis_analysis_buffer(&dsp, int(count));
            for (size_t i = 0; i < count; ++i) {
                buf[0][i] = stereo[2 * (done + i)];
                buf[1][i] = stereo[2 * (done + i) + 1];
            }
            vorbis_analysis_wrote(&dsp, int(count));
            done += count;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &p)) {
                    page(p);
                    if (ogg_page_eos(&p)) eos = true;
                }
            }
        }
        if (count == 0) {
            while (ogg_stream_flush(&stream, &p)) {
                page(p);
                if (ogg_page_eos(&p)) eos = true;
            }
            eos = true;
        }
    }
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return true;
}

}  // namespace demodata
