// The sound side of the set: short effects synthesised from their names and
// looping music tracks played by a small synthesizer from note patterns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demodata {

constexpr int kEffectRate = 44100;
constexpr int kMusicRate = 44100;

// Mono samples of one effect ("SE/<name>.wav"); empty for an unknown name.
std::vector<int16_t> SynthesizeEffect(const std::string& name);
// Interleaved stereo samples of one music track ("BGM/<name>.ogg"); a whole
// number of bars that loops without a seam. Empty for an unknown name.
std::vector<float> SynthesizeMusic(const std::string& path);

// File writers.
std::vector<uint8_t> EncodeWave(const std::vector<int16_t>& mono, int rate);
// Ogg Vorbis with a fixed stream serial, so the bytes repeat run to run.
bool EncodeOggVorbis(const std::vector<float>& stereo, int rate, std::vector<uint8_t>* out, std::string* error);

}  // namespace demodata
