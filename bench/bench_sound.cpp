// Sound output measured on SDL's disk audio driver running at real-time pace:
//  - latency from KestraSound::Play to the moment the first sample of that sound
//    is in the mixed output, on the buffer path and through the player library;
//  - the processor time that mixing 32 looping voices costs, over an idle device.
// Prints median, 95th percentile and maximum latencies, and the mixing cost as a
// share of one core.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <thread>  // sleeps: <chrono> itself does not build with CP932 literals
#include <vector>

#include "engine/core/KestraFile.h"
#include "engine/core/KestraFrameState.h"
#include "engine/core/KestraSound.h"
#include "platform/win32/kernel.h"

namespace {

namespace fs = std::filesystem;

double NowMs() {
    LARGE_INTEGER counter{}, frequency{};
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void SleepMs(double ms) { std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long>(ms * 1000))); }

void PutLe(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// 16-bit stereo 44.1 kHz, never-zero samples.
std::string Wave(uint32_t frames) {
    std::string samples;
    for (uint32_t i = 0; i < frames; ++i) {
        const int value = static_cast<int>((i * 7919u) % 20000u) + 200;
        PutLe(samples, static_cast<uint16_t>(i % 2 ? value : -value), 2);
        PutLe(samples, static_cast<uint16_t>(i % 2 ? -value : value), 2);
    }
    std::string body = "WAVEfmt ";
    PutLe(body, 16, 4);
    PutLe(body, 1, 2);
    PutLe(body, 2, 2);
    PutLe(body, 44100, 4);
    PutLe(body, 176400, 4);
    PutLe(body, 4, 2);
    PutLe(body, 16, 2);
    body += "data";
    PutLe(body, static_cast<uint32_t>(samples.size()), 4);
    body += samples;
    std::string file = "RIFF";
    PutLe(file, static_cast<uint32_t>(body.size()), 4);
    return file + body;
}

// The mixed output file, read as it grows.
class Output {
public:
    explicit Output(const std::string& path) : path_(path) {}
    ~Output() {
        if (file_) std::fclose(file_);
    }
    uint64_t Size() const {
        std::error_code ec;
        const auto size = fs::file_size(path_, ec);
        return ec ? 0 : size;
    }
    // True when a non-zero sample lies in [from, Size()); *at gets its byte
    // offset, *end the size of the output it was found in.
    bool FindSound(uint64_t from, uint64_t* at, uint64_t* end) {
        if (!file_) file_ = std::fopen(path_.c_str(), "rb");
        if (!file_) return false;
        *end = Size();
        if (*end <= from) return false;
        std::vector<int16_t> samples((*end - from) / 2);
        std::fseek(file_, static_cast<long>(from), SEEK_SET);
        const size_t got = std::fread(samples.data(), 2, samples.size(), file_);
        for (size_t i = 0; i < got; ++i) {
            if (samples[i] != 0) {
                *at = from + i * 2;
                return true;
            }
        }
        return false;
    }

private:
    std::string path_;
    FILE* file_ = nullptr;
};

struct Figures {
    double median, p95, max;
};

Figures Summarise(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    auto at = [&](double p) { return values[std::min(values.size() - 1, static_cast<size_t>(p * (values.size() - 1) + 0.5))]; };
    return {at(0.5), at(0.95), values.back()};
}

// The device hands the mixer 512 frames at a time (the platform mixer's period); the disk driver writes each
// block after mixing it, through a stdio buffer that holds two. A block is thus
// in the output when mixed, but visible in the file only with its pair: a block
// followed by k more visible ones was mixed k device periods before it showed.
constexpr uint64_t kDeviceFrames = 512;
constexpr uint64_t kBlockBytes = kDeviceFrames * 4;
constexpr double kPeriodMs = kDeviceFrames * 1000.0 / 44100;

// Play-to-output latency of one slot over `trials` plays.
std::vector<double> Latencies(Output& output, uint32_t slot, int trials, std::mt19937& random) {
    std::vector<double> result;
    std::uniform_real_distribution<double> jitter(0.0, 25.0);
    for (int t = 0; t < trials; ++t) {
        // Silence first, then a play at a random point of the device period.
        SleepMs(60 + jitter(random));
        const uint64_t from = output.Size();
        const double start = NowMs();
        KestraSound::Play(slot, 0);
        uint64_t at = 0, end = 0;
        double heard = -1;
        while (NowMs() - start < 500) {
            if (output.FindSound(from, &at, &end)) {
                const uint64_t blockEnd = (at / kBlockBytes + 1) * kBlockBytes;
                const uint64_t later = end > blockEnd ? (end - blockEnd) / kBlockBytes : 0;
                heard = NowMs() - static_cast<double>(later) * kPeriodMs;
                break;
            }
            SleepMs(0.1);
        }
        KestraSound::Stop(slot, 0);
        if (heard >= 0) result.push_back(std::max(0.0, heard - start));
    }
    return result;
}

// Processor time of the whole process per second of wall time, in percent.
double CpuShare(double seconds) {
    const std::clock_t cpuStart = std::clock();
    const double wallStart = NowMs();
    SleepMs(seconds * 1000);
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    return 100.0 * cpu / ((NowMs() - wallStart) / 1000.0);
}

}  // namespace

int main() {
    std::random_device seed;
    std::mt19937 random(seed());
    const fs::path dir = fs::temp_directory_path() / ("kestra-bench-sound-" + std::to_string(random()));
    fs::create_directories(dir / "data" / "SE");
    {
        FILE* f = std::fopen((dir / "data" / "SE" / "click.wav").c_str(), "wb");
        const std::string click = Wave(4410);
        std::fwrite(click.data(), 1, click.size(), f);
        std::fclose(f);
        f = std::fopen((dir / "data" / "SE" / "loop.wav").c_str(), "wb");
        const std::string loop = Wave(44100);
        std::fwrite(loop.data(), 1, loop.size(), f);
        std::fclose(f);
    }
    const std::string mix = (dir / "mix.raw").string();
    // Real-time pace: the driver's default delay is one device period.
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", mix.c_str(), 1);
    unsetenv("SDL_DISKAUDIODELAY");
    SetCurrentDirectoryA(dir.string().c_str());

    KestraFile::Initialize();
    KestraFile::Mount(0, "data", nullptr);
    Kestra::detail::Frame().window = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x5150));
    KestraSound::SetMaxSounds(128);
    if (!KestraSound::Initialize()) {
        std::fprintf(stderr, "bench_sound: the sound module did not start\n");
        return 1;
    }
    const bool player = KestraSound::IsPlayerReady();
    const uint32_t buffered = KestraSound::CreateFromFile("SE/click.wav", 0, false, true, 1);
    const uint32_t played = KestraSound::CreateFromFile("SE/click.wav", 0, true, true, 1);
    Output output(mix);
    SleepMs(200);  // the device settles

    const int trials = 100;
    std::printf("Play -> first sample in the mixed output, %d plays each (target: at most 25 ms)\n", trials);
    const std::vector<double> bufferLatency = Latencies(output, buffered, trials, random);
    const Figures b = Summarise(bufferLatency);
    std::printf("  buffers: heard %zu/%d  median %.2f ms  p95 %.2f ms  max %.2f ms\n", bufferLatency.size(), trials,
                b.median, b.p95, b.max);
    if (player) {
        const std::vector<double> playerLatency = Latencies(output, played, trials, random);
        const Figures p = Summarise(playerLatency);
        std::printf("  player:  heard %zu/%d  median %.2f ms  p95 %.2f ms  max %.2f ms\n", playerLatency.size(),
                    trials, p.median, p.p95, p.max);
    } else {
        std::printf("  player:  not available\n");
    }

    const double seconds = 4.0;
    std::printf("Mixing cost over %.0f s of real-time output (target: under 2 %% of one core for 32 voices)\n", seconds);
    const double idle = CpuShare(seconds);
    std::printf("  idle device:                 %.3f %% of one core\n", idle);
    for (const bool throughPlayer : {false, true}) {
        if (throughPlayer && !player) break;
        std::vector<uint32_t> voices;
        for (int i = 0; i < 32; ++i) {
            const uint32_t slot = KestraSound::CreateFromFile("SE/loop.wav", 0, throughPlayer, true, 1);
            if (slot == KESTRA_SOUND_NONE) break;
            KestraSound::SetVolume(slot, 70.0f, 0);
            KestraSound::Loop(slot, 0xFFFFFFFF, 0, 0);
            voices.push_back(slot);
        }
        SleepMs(100);
        const double busy = CpuShare(seconds);
        std::printf("  %zu looping voices (%s): %.3f %% of one core, mixing %.3f %%\n", voices.size(),
                    throughPlayer ? "player " : "buffers", busy, busy - idle);
        for (uint32_t slot : voices) KestraSound::Release(slot);
    }

    KestraSound::Finalize();
    KestraFile::Finalize();
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
