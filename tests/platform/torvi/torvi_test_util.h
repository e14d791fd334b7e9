// The player library loaded from the bin folder, and sound files made in the
// tests: RIFF WAV written byte by byte, Ogg Vorbis encoded with libvorbisenc.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/dsound/dsound.h"
#include "platform/torvi/torvi.h"
#include "platform/win32/testing.h"
#include "tests/platform/dsound/disk_capture.h"
#include "tests/support/test_support.h"

namespace torvitest {

// Torvi.so as the program loads it: dlopen'ed, entry points bound by name.
struct Library {
    void* handle = nullptr;
    PFN_Torvi_Initialize Initialize = nullptr;
    PFN_Torvi_Uninitialize Uninitialize = nullptr;
    PFN_Torvi_CreateInstanceFromFileEx CreateFromFile = nullptr;
    PFN_Torvi_CreateInstanceFromMemory CreateFromMemory = nullptr;
    PFN_Torvi_GetLastError GetLastError = nullptr;

    std::string LastError() const {
        char text[512];
        GetLastError(text, sizeof(text));
        return text;
    }
};

// Loaded once per process and kept (as the program keeps it while it runs).
inline const Library& Torvi() {
    static Library library = [] {
        Library lib;
        const std::string path = testsupport::BinaryDir() + "/Torvi.so";
        lib.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!lib.handle) return lib;
        lib.Initialize = reinterpret_cast<PFN_Torvi_Initialize>(dlsym(lib.handle, "Torvi_Initialize"));
        lib.Uninitialize = reinterpret_cast<PFN_Torvi_Uninitialize>(dlsym(lib.handle, "Torvi_Uninitialize"));
        lib.CreateFromFile =
            reinterpret_cast<PFN_Torvi_CreateInstanceFromFileEx>(dlsym(lib.handle, "Torvi_CreateInstanceFromFileEx"));
        lib.CreateFromMemory =
            reinterpret_cast<PFN_Torvi_CreateInstanceFromMemory>(dlsym(lib.handle, "Torvi_CreateInstanceFromMemory"));
        lib.GetLastError = reinterpret_cast<PFN_Torvi_GetLastError>(dlsym(lib.handle, "Torvi_GetLastError"));
        return lib;
    }();
    return library;
}

inline void PutLe16(std::string& out, uint32_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}
inline void PutLe32(std::string& out, uint32_t value) {
    PutLe16(out, value & 0xFFFF);
    PutLe16(out, value >> 16);
}

struct Chunk {
    std::string id;
    std::string body;
};

// A RIFF WAVE file: "fmt " (16 bytes), the extra chunks, then "data".
// padOdd false writes odd-sized chunks without their pad byte, as some
// writers do.
inline std::string Wave(uint16_t tag, uint16_t channels, uint16_t bits, uint32_t rate, const std::string& samples,
                        const std::vector<Chunk>& before = {}, bool padOdd = true) {
    std::string body = "WAVE";
    auto chunk = [&](const std::string& id, const std::string& content) {
        body += id;
        PutLe32(body, static_cast<uint32_t>(content.size()));
        body += content;
        if (padOdd && content.size() % 2) body.push_back('\0');
    };
    std::string format;
    PutLe16(format, tag);
    PutLe16(format, channels);
    PutLe32(format, rate);
    PutLe32(format, rate * channels * bits / 8);
    PutLe16(format, channels * bits / 8);
    PutLe16(format, bits);
    chunk("fmt ", format);
    for (const Chunk& extra : before) chunk(extra.id, extra.body);
    chunk("data", samples);
    std::string file = "RIFF";
    PutLe32(file, static_cast<uint32_t>(body.size()));
    return file + body;
}

inline std::string Bytes(const std::vector<int16_t>& samples) {
    std::string out;
    for (int16_t s : samples) PutLe16(out, static_cast<uint16_t>(s));
    return out;
}

// Ogg Vorbis of interleaved 16-bit samples.
// headerBytes, when given, receives the length of the header pages (where the
// first audio page begins). smallPages ends a page after every 1024 frames.
inline std::string EncodeOgg(const std::vector<int16_t>& samples, int channels, long rate,
                             size_t* headerBytes = nullptr, bool smallPages = false) {
    vorbis_info info;
    vorbis_info_init(&info);
    EXPECT_EQ(vorbis_encode_init_vbr(&info, channels, rate, 0.4f), 0);
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 20240601);

    std::string out;
    ogg_page page;
    auto appendPage = [&] {
        out.append(reinterpret_cast<const char*>(page.header), page.header_len);
        out.append(reinterpret_cast<const char*>(page.body), page.body_len);
    };
    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    while (ogg_stream_flush(&stream, &page)) appendPage();
    if (headerBytes) *headerBytes = out.size();

    auto drain = [&] {
        ogg_packet packet;
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page)) appendPage();
            }
        }
    };
    const size_t frames = samples.size() / channels;
    for (size_t at = 0; at < frames; at += 1024) {
        const int count = static_cast<int>(std::min<size_t>(1024, frames - at));
        float** buffer = vorbis_analysis_buffer(&dsp, count);
        for (int i = 0; i < count; ++i)
            for (int c = 0; c < channels; ++c) buffer[c][i] = samples[(at + i) * channels + c] / 32768.0f;
        vorbis_analysis_wrote(&dsp, count);
        drain();
        if (smallPages)
            while (ogg_stream_flush(&stream, &page)) appendPage();
    }
    vorbis_analysis_wrote(&dsp, 0);
    drain();
    while (ogg_stream_flush(&stream, &page)) appendPage();

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

// Bits as Vorbis headers hold them: least significant first.
struct BitWriter {
    std::string bytes;
    unsigned used = 8;  // bits taken in the last byte
    void Put(uint64_t value, unsigned count) {
        for (unsigned i = 0; i < count; ++i, ++used) {
            if (used == 8) bytes.push_back('\0'), used = 0;
            if (i < 64 && ((value >> i) & 1)) bytes.back() = static_cast<char>(bytes.back() | (1 << used));
        }
    }
};

struct Codebook {
    uint32_t entries;
    uint32_t dims = 1;
    uint32_t lookup = 0;  // 1: a lattice of one-bit values, 2 (or 3): a value a dimension of each entry
    uint32_t shortest = 0;  // when set: the codeword length of one entry, each next entry's one longer
    uint32_t firstRun = 0;  // when set: the entries the first length claims (more than there are breaks the format)
    int unordered = 0;      // 1: a length for each entry, 2: sparse, every other entry unused
    uint32_t sync = 0x564342;
};

// Mono silence made from the headers up, in short blocks: the setup header
// holds the codebooks (length-ordered, a power of two of entries making a full
// tree) and one floor, residue, mapping and mode that use none of them; each
// audio packet after the first gives 128 frames. The block sizes are powers of
// two, short then long; a long block shorter than the short one breaks the format.
inline std::string SilentOgg(const std::vector<Codebook>& books, int serial = 1, int packets = 3, int shortBlock = 8,
                             int longBlock = 11, uint32_t rate = 44100) {
    std::string ident("\x01vorbis", 7), comment("\x03vorbis", 7);
    BitWriter id, tags, setup;
    id.Put(0, 32), id.Put(1, 8), id.Put(rate, 32), id.Put(0, 96), id.Put(shortBlock, 4), id.Put(longBlock, 4),
        id.Put(1, 8);
    tags.Put(1, 32), tags.Put('t', 8), tags.Put(0, 32), tags.Put(1, 8);
    for (char c : std::string("\x05vorbis", 7)) setup.Put(static_cast<uint8_t>(c), 8);
    setup.Put(books.size() - 1, 8);
    for (const Codebook& book : books) {
        setup.Put(book.sync, 24), setup.Put(book.dims, 16), setup.Put(book.entries, 24), setup.Put(!book.unordered, 1);
        uint32_t length = book.shortest ? book.shortest : std::max(1u, unsigned(std::bit_width(book.entries - 1)));
        if (book.unordered) setup.Put(book.unordered == 2, 1);
        for (uint32_t i = 0; book.unordered && i < book.entries; ++i) {
            if (book.unordered == 2) setup.Put(i % 2 == 0, 1);
            if (book.unordered == 1 || i % 2 == 0) setup.Put(length - 1, 5);
        }
        if (!book.unordered) setup.Put(length - 1, 5);
        for (uint32_t done = 0; !book.unordered && done < book.entries; ++length) {
            const uint32_t number = book.shortest ? 1
                                    : done == 0 && book.firstRun
                                        ? book.firstRun
                                        : std::min<uint64_t>(book.entries - done, uint64_t(1) << length);
            setup.Put(number, std::bit_width(book.entries - done));
            done += number;
        }
        setup.Put(book.lookup, 4);
        if (book.lookup != 0) {
            uint64_t side = 1;  // values stored: the greatest side whose lattice fits
            while (book.dims && std::pow(double(side + 1), book.dims) <= book.entries) ++side;
            if (book.lookup != 1) side = uint64_t(book.entries) * book.dims;
            setup.Put(0, 64), setup.Put(0, 4), setup.Put(0, 1), setup.Put(0, static_cast<unsigned>(side));
        }
    }
    setup.Put(0, 6), setup.Put(0, 16);                                    // time domain
    setup.Put(0, 6), setup.Put(1, 16), setup.Put(0, 7), setup.Put(4, 4);  // floor 1, no partitions
    setup.Put(0, 6), setup.Put(0, 16), setup.Put(0, 24 * 3 + 6 + 8 + 4);  // residue 0, empty
    setup.Put(0, 6), setup.Put(0, 16 + 4 + 24);                           // mapping 0 onto them
    setup.Put(0, 6), setup.Put(0, 1 + 16 + 16 + 8), setup.Put(1, 1);      // one short-block mode
    std::vector<std::string> payloads = {ident + id.bytes, comment + tags.bytes, setup.bytes};
    for (int i = 0; i < packets; ++i) payloads.push_back(std::string(1, '\0'));

    ogg_stream_state stream;
    ogg_stream_init(&stream, serial);
    std::string out;
    ogg_page page;
    for (size_t i = 0; i < payloads.size(); ++i) {
        ogg_packet packet{};
        packet.packet = reinterpret_cast<unsigned char*>(payloads[i].data());
        packet.bytes = static_cast<long>(payloads[i].size());
        packet.b_o_s = i == 0;
        packet.e_o_s = i + 1 == payloads.size();
        packet.granulepos = i < 4 ? 0 : static_cast<ogg_int64_t>(128 * (i - 3));
        packet.packetno = static_cast<ogg_int64_t>(i);
        ogg_stream_packetin(&stream, &packet);
        while (ogg_stream_flush(&stream, &page)) {
            out.append(reinterpret_cast<const char*>(page.header), page.header_len);
            out.append(reinterpret_cast<const char*>(page.body), page.body_len);
        }
    }
    ogg_stream_clear(&stream);
    return out;
}

// The reference decoding of an Ogg Vorbis file (the decoder is deterministic).
inline std::vector<int16_t> DecodeOgg(const std::string& path, int* channels, long* totalFrames) {
    OggVorbis_File file;
    std::vector<int16_t> samples;
    if (ov_fopen(path.c_str(), &file) != 0) return samples;
    *channels = ov_info(&file, -1)->channels;
    *totalFrames = static_cast<long>(ov_pcm_total(&file, -1));
    char buffer[8192];
    int section = 0;
    long got;
    while ((got = ov_read(&file, buffer, sizeof(buffer), 0, 2, 1, &section)) > 0) {
        size_t old = samples.size();
        samples.resize(old + got / 2);
        std::memcpy(samples.data() + old, buffer, got);
    }
    ov_clear(&file);
    return samples;
}

// Junk made of pages that fail their checksum, `bytes` in all: each begins
// with "OggS" and announces a body of zeros that is all there, as long as a
// page can be but the last.
inline std::string BrokenPages(uint64_t bytes) {
    std::string out;
    while (bytes > 0) {
        // 27 header bytes, the segment table, then the body its values add up to.
        const uint64_t length = std::min<uint64_t>(bytes, 27 + 255 + 255 * 255);
        EXPECT_GE(length, 28u) << "no page is that short";
        const size_t segments = static_cast<size_t>((length - 27 + 255) / 256);
        std::string page("OggS", 4);
        page.append(22, '\0');
        page.push_back(static_cast<char>(segments));
        uint64_t body = length - 27 - segments;
        for (size_t i = 0; i < segments; ++i) {
            const uint64_t value = std::min<uint64_t>(body, 255);
            page.push_back(static_cast<char>(value));
            body -= value;
        }
        page.append(static_cast<size_t>(length) - page.size(), '\0');
        out += page;
        bytes -= length;
    }
    return out;
}

// Whether LeakSanitizer, where the build has it, finds memory lost so far
// (and prints where it was allocated). Suppressions apply as at the exit.
inline bool LeaksFound() {
#if defined(__SANITIZE_ADDRESS__)
    return __lsan_do_recoverable_leak_check() != 0;
#else
    return false;
#endif
}

// A sine sweep that starts loud, so its first frame is heard.
inline std::vector<int16_t> Tone(uint32_t frames, int channels, double rate) {
    std::vector<int16_t> samples(static_cast<size_t>(frames) * channels);
    for (uint32_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples[i * channels + c] =
                static_cast<int16_t>(12000 * std::cos(2 * M_PI * (440.0 + 110 * c + i * 0.01) * i / rate));
    return samples;
}

// A DirectSound object (dummy output, or captured through the disk driver)
// with the player bound to it, as the program's sound start does.
class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ClearFaults();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_NE(Torvi().handle, nullptr) << dlerror();
    }
    void TearDown() override {
        for (TorviInstance* instance : instances_) instance->Release();
        instances_.clear();
        Torvi().Uninitialize();
        if (sound_) sound_->Release();
        sound_ = nullptr;
        capture_.reset();
        platform::ClearFaults();
    }

    void StartSound(bool capture) {
        if (capture) capture_ = std::make_unique<audiotest::DiskCapture>(dir_.file("mix.raw"));
        IDirectSound8* sound8 = nullptr;
        ASSERT_EQ(DirectSoundCreate8(nullptr, &sound8, nullptr), DS_OK);
        ASSERT_EQ(sound8->QueryInterface(IID_IDirectSound, reinterpret_cast<void**>(&sound_)), S_OK);
        sound8->Release();
        ASSERT_TRUE(Torvi().Initialize(0, &sound_, 0, 0)) << Torvi().LastError();
    }

    std::string WriteFile(const std::string& name, const std::string& bytes) {
        std::string path = dir_.file(name);
        testsupport::WriteFile(path, bytes);
        return path;
    }

    // An instance released by TearDown.
    TorviInstance* Open(const std::string& path, DWORD offset, DWORD size) {
        TorviInstance* instance = Torvi().CreateFromFile(path.c_str(), offset, size, 0);
        if (instance) instances_.push_back(instance);
        return instance;
    }
    TorviInstance* Open(const std::string& path) {
        return Open(path, 0, static_cast<DWORD>(testsupport::ReadFile(path).size()));
    }

    // Waits for the instance to finish, lets silence follow, releases every
    // instance, the player's hold and the device, and answers the output.
    std::vector<int16_t> FinishAndCapture(TorviInstance* waitFor) {
        if (waitFor) {
            EXPECT_TRUE(audiotest::WaitUntil([&] { return !waitFor->IsPlaying(); }));
        }
        capture_->WaitForMore(4 * 4096);
        for (TorviInstance* instance : instances_) instance->Release();
        instances_.clear();
        Torvi().Uninitialize();
        sound_->Release();
        sound_ = nullptr;
        return capture_->Samples();
    }

    testsupport::TempDir dir_;
    std::unique_ptr<audiotest::DiskCapture> capture_;
    IDirectSound* sound_ = nullptr;
    std::vector<TorviInstance*> instances_;
};

// Output frames, from the first heard one, compared with interleaved samples
// of `channels` (mono is heard on both sides).
inline ::testing::AssertionResult HeardExactly(const std::vector<int16_t>& out, long start,
                                               const std::vector<int16_t>& expected, int channels) {
    const size_t frames = expected.size() / channels;
    if (start < 0) return ::testing::AssertionFailure() << "nothing was heard";
    if (out.size() < (start + frames) * 2) return ::testing::AssertionFailure() << "the output is too short";
    for (size_t i = 0; i < frames; ++i) {
        const int16_t left = expected[i * channels];
        const int16_t right = expected[i * channels + channels - 1];
        if (out[(start + i) * 2] != left || out[(start + i) * 2 + 1] != right)
            return ::testing::AssertionFailure() << "frame " << i << ": heard " << out[(start + i) * 2] << ","
                                                 << out[(start + i) * 2 + 1] << " instead of " << left << ","
                                                 << right;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace torvitest
