// Ogg Vorbis through libvorbisfile, reading the sound's bytes through
// callbacks over the window that holds them.
#include <ogg/ogg.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <list>
#include <vector>

#include "platform/torvi/TorviDecoder.h"

namespace torvi {
namespace {

static_assert(std::endian::native == std::endian::little, "ov_read is asked for little-endian samples");

// What a file's headers may make libvorbis allocate or go through. When the
// file opens it unpacks the setup header of every chained stream and keeps them
// all (up to half a megabyte of tables each, from a header of a few kilobytes),
// comparing each stream's serial number with all those before. A stream's
// codebooks become decoding tables when it starts to play, on the mixer's
// thread: a few bytes for each entry, four for each value of a vector book, and
// a stack array of eight bytes an entry (a book of a million entries overflows
// an 8 MB stack). The encoders' files declare at most 6,561 entries a book and
// 72,000 entries and values in all.
constexpr uint32_t kMaxBookEntries = 1 << 16;
constexpr uint64_t kMaxCodebookSize = 1 << 20;  // entries and values of every stream together
constexpr size_t kMaxStreams = 64;  // logical streams of any codec, chained or side by side
// What the pages that fail their checksum may span together. libogg checks a
// page's sum over the whole page it announces (up to 64 KB) at every "OggS"
// it meets: junk made of that word costs thousands of times its length, and
// libvorbisfile checks it again at every pass. A damaged file loses a page or
// a few; this is 256 of the largest.
constexpr uint64_t kMaxBrokenPageBytes = uint64_t{16} << 20;

// The length a page announces at `at` (its header, segment table and body),
// cut to the bytes there are.
uint64_t AnnouncedPageLength(const uint8_t* data, size_t size, size_t at) {
    if (size - at < 27) return size - at;
    const size_t segments = data[at + 26];
    uint64_t length = 27 + segments;
    for (size_t i = 0; i < segments && at + 27 + i < size; ++i) length += data[at + 27 + i];
    return std::min<uint64_t>(length, size - at);
}

// A header packet's bits, least significant first.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : data_(data), size_(uint64_t(size) * 8) {}
    // Up to 32 bits; false past the end of the packet.
    bool Read(unsigned count, uint32_t* value) {
        if (count > size_ - at_) return false;
        uint32_t v = 0;
        for (unsigned i = 0; i < count; ++i, ++at_) v |= uint32_t((data_[at_ >> 3] >> (at_ & 7)) & 1) << i;
        *value = v;
        return true;
    }
    bool Skip(uint64_t count) {
        if (count > size_ - at_) return false;
        at_ += count;
        return true;
    }

private:
    const uint8_t* data_;
    uint64_t size_;
    uint64_t at_ = 0;
};

// The greatest r with r^dims <= entries: how many values a lattice book stores.
uint64_t LatticeValues(uint32_t entries, uint32_t dims) {
    auto fits = [&](uint64_t r) {
        uint64_t power = 1;
        for (uint32_t i = 0; i < dims && power <= entries; ++i) power *= r;
        return power <= entries;
    };
    uint64_t r = static_cast<uint64_t>(std::pow(double(entries), 1.0 / dims));
    while (r > 0 && !fits(r)) --r;
    while (fits(r + 1)) ++r;
    return r;
}

bool IsHeader(const ogg_packet& packet, int type) {
    return packet.bytes >= 7 && packet.packet[0] == type && std::memcmp(packet.packet + 1, "vorbis", 6) == 0;
}

// The codebooks at the start of a setup header, adding up the entries and the
// values they ask for. False with the reason when a book is too large, the
// header breaks off among them or breaks the format.
bool ReadCodebooks(const ogg_packet& setup, uint64_t* total, std::string* error) {
    BitReader bits(setup.packet + 7, static_cast<size_t>(setup.bytes) - 7);
    auto refuse = [&](const std::string& why) {
        *error = "damaged Ogg Vorbis headers" + why;
        return false;
    };
    uint32_t books;
    if (!bits.Read(8, &books)) return refuse("");
    for (uint32_t book = 0; book <= books; ++book) {
        uint32_t sync, dims, entries, ordered, lookup;
        if (!bits.Read(24, &sync) || sync != 0x564342 || !bits.Read(16, &dims) || !bits.Read(24, &entries) ||
            !bits.Read(1, &ordered))
            return refuse("");
        if (entries > kMaxBookEntries)
            return refuse(": a codebook of " + std::to_string(entries) + " entries (at most " +
                          std::to_string(kMaxBookEntries) + ")");
        if (ordered) {
            // How many codewords of each length, from the first length up.
            uint32_t length, number;
            if (!bits.Read(5, &length)) return refuse("");
            for (uint32_t done = 0; done < entries; done += number, ++length)
                if (length >= 32 || !bits.Read(std::bit_width(entries - done), &number) || number > entries - done)
                    return refuse("");
        } else {
            // A length of five bits for each entry, each behind a flag in a sparse book.
            uint32_t sparse, used, length;
            if (!bits.Read(1, &sparse)) return refuse("");
            if (!sparse && !bits.Skip(uint64_t(entries) * 5)) return refuse("");
            for (uint32_t i = 0; sparse && i < entries; ++i)
                if (!bits.Read(1, &used) || (used && !bits.Read(5, &length))) return refuse("");
        }
        if (!bits.Read(4, &lookup) || lookup > 2) return refuse("");
        uint64_t values = 0;
        if (lookup != 0) {
            // Minimum and delta, the width of a value and the sequence flag, then the values.
            uint32_t width;
            if (!bits.Skip(64) || !bits.Read(4, &width) || !bits.Skip(1) || (lookup == 1 && dims == 0))
                return refuse("");
            const uint64_t stored = lookup == 1 ? LatticeValues(entries, dims) : uint64_t(entries) * dims;
            if (!bits.Skip(stored * (width + 1))) return refuse("");
            values = uint64_t(entries) * dims;  // libvorbis expands every entry's vector
        }
        *total += entries + values;
    }
    if (*total > kMaxCodebookSize)
        return refuse(": codebooks of " + std::to_string(*total) + " entries and values (at most " +
                      std::to_string(kMaxCodebookSize) + ")");
    return true;
}

// Whether libvorbis takes a stream's three headers.
bool Unpacks(ogg_packet* packets) {
    vorbis_info info;
    vorbis_comment comment;
    vorbis_info_init(&info);
    vorbis_comment_init(&comment);
    bool ok = true;
    for (int i = 0; i < 3 && ok; ++i) ok = vorbis_synthesis_headerin(&info, &comment, &packets[i]) == 0;
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return ok;
}

// Reads the headers of every Vorbis stream in the file before libvorbis does,
// adding up what their codebooks ask for. The first stream's headers are left
// to libvorbisfile to judge; a chained one's are unpacked here, as libvorbisfile
// loses memory over a chained stream whose headers are damaged or cut short
// (and refuses the file then all the same).
class HeaderCheck {
public:
    HeaderCheck() { ogg_sync_init(&sync_); }
    ~HeaderCheck() {
        for (Stream& stream : pending_) ogg_stream_clear(&stream.state);
        ogg_sync_clear(&sync_);
    }
    HeaderCheck(const HeaderCheck&) = delete;
    HeaderCheck& operator=(const HeaderCheck&) = delete;

    // False with the reason when the file asks for too much.
    bool Run(const uint8_t* data, size_t size, std::string* error) {
        constexpr size_t kChunk = 1 << 16;
        ogg_page page;
        for (size_t fed = 0, at = 0;;) {
            const long got = ogg_sync_pageseek(&sync_, &page);
            if (got < 0) {  // bytes skipped to the next page
                if (size - at >= 4 && std::memcmp(data + at, "OggS", 4) == 0) {
                    broken_ += AnnouncedPageLength(data, size, at);
                    if (broken_ > kMaxBrokenPageBytes) {
                        *error = "damaged Ogg Vorbis pages: more than " + std::to_string(kMaxBrokenPageBytes) +
                                 " bytes fail their checksum";
                        return false;
                    }
                }
                at += static_cast<size_t>(-got);
                continue;
            }
            if (got > 0) {
                at += static_cast<size_t>(got);
                end_ = at;
                if (!Page(&page, error)) return false;
                continue;
            }
            if (fed == size) break;
            const size_t chunk = std::min(kChunk, size - fed);
            std::memcpy(ogg_sync_buffer(&sync_, static_cast<long>(chunk)), data + fed, chunk);
            ogg_sync_wrote(&sync_, static_cast<long>(chunk));
            fed += chunk;
        }
        for (const Stream& stream : pending_)
            if (stream.chained) return Damaged(error);  // the file ends inside its headers
        return true;
    }

    // Where the last whole page ends: what follows is no part of the stream.
    size_t end() const { return end_; }

private:
    struct Stream {
        ogg_stream_state state;
        int headers = 0;       // header packets read
        bool chained = false;  // a Vorbis stream after the first
        std::vector<unsigned char> kept[2];  // its identification and comment headers
    };

    bool Page(ogg_page* page, std::string* error) {
        const int serial = ogg_page_serialno(page);
        auto stream = std::find_if(pending_.begin(), pending_.end(),
                                   [&](Stream& s) { return s.state.serialno == serial; });
        if (ogg_page_bos(page)) {
            if (serials_.size() == kMaxStreams) {
                *error = "damaged Ogg Vorbis headers: more than " + std::to_string(kMaxStreams) + " logical streams";
                return false;
            }
            // A serial number begins one stream only, and a chained stream's headers
            // come before the next stream begins.
            if (std::find(serials_.begin(), serials_.end(), serial) != serials_.end()) return Damaged(error);
            for (const Stream& other : pending_)
                if (other.chained) return Damaged(error);
            serials_.push_back(serial);
            stream = pending_.emplace(pending_.end());
            ogg_stream_init(&stream->state, serial);
        }
        if (stream == pending_.end()) return true;  // audio, or a stream that is not ours
        ogg_stream_pagein(&stream->state, page);
        ogg_packet packet;
        int got;
        while ((got = ogg_stream_packetout(&stream->state, &packet)) != 0) {
            if (got < 0 && stream->headers > 0) return Damaged(error);  // a page missing among the headers
            if (got < 0) continue;
            const int index = stream->headers++;
            if (index == 0) {
                if (!IsHeader(packet, 1)) break;  // another codec's stream
                stream->chained = vorbis_++ > 0;
            }
            if (index < 2) {
                if (stream->chained) stream->kept[index].assign(packet.packet, packet.packet + packet.bytes);
                continue;
            }
            if (IsHeader(packet, 5) && !ReadCodebooks(packet, &total_, error)) return false;
            if (stream->chained) {
                ogg_packet headers[3] = {{}, {}, packet};
                for (int i = 0; i < 2; ++i) {
                    headers[i].packet = stream->kept[i].data();
                    headers[i].bytes = static_cast<long>(stream->kept[i].size());
                }
                headers[0].b_o_s = 1;
                if (!Unpacks(headers)) return Damaged(error);
            }
            break;
        }
        if (got != 0) Drop(stream);  // done with its headers
        return true;
    }

    static bool Damaged(std::string* error) {
        *error = "damaged Ogg Vorbis headers";
        return false;
    }

    void Drop(std::list<Stream>::iterator stream) {
        ogg_stream_clear(&stream->state);
        pending_.erase(stream);
    }

    ogg_sync_state sync_;
    std::list<Stream> pending_;  // streams whose setup header is still to come
    std::vector<int> serials_;   // of every stream begun
    int vorbis_ = 0;
    uint64_t total_ = 0;
    size_t end_ = 0;
    uint64_t broken_ = 0;  // bytes of the pages that failed their checksum
};

struct Window {
    const uint8_t* data;
    size_t size;
    size_t position;
};

size_t WindowRead(void* out, size_t size, size_t count, void* source) {
    auto* window = static_cast<Window*>(source);
    if (size == 0 || count == 0) return 0;
    const size_t wanted = std::min(count, (window->size - window->position) / size);
    if (wanted == 0) return 0;  // memcpy takes no null pointer, even for nothing
    std::memcpy(out, window->data + window->position, wanted * size);
    window->position += wanted * size;
    return wanted;
}

int WindowSeek(void* source, ogg_int64_t offset, int whence) {
    auto* window = static_cast<Window*>(source);
    ogg_int64_t base = 0;
    if (whence == SEEK_CUR) base = static_cast<ogg_int64_t>(window->position);
    else if (whence == SEEK_END) base = static_cast<ogg_int64_t>(window->size);
    else if (whence != SEEK_SET) return -1;
    const ogg_int64_t target = base + offset;
    if (target < 0 || target > static_cast<ogg_int64_t>(window->size)) return -1;
    window->position = static_cast<size_t>(target);
    return 0;
}

long WindowTell(void* source) { return static_cast<long>(static_cast<Window*>(source)->position); }

class VorbisDecoder final : public Decoder {
public:
    VorbisDecoder(const uint8_t* data, size_t size) : window_{data, size, 0} {}
    ~VorbisDecoder() override {
        if (open_) ov_clear(&file_);
    }

    bool Open(std::string* error) {
        HeaderCheck check;
        if (!check.Run(window_.data, window_.size, error)) return false;
        // libvorbisfile looks for the last page backwards from the end, reading
        // each step to the end again: over bytes after the last page that takes
        // time in the square of their length. They cannot be played: the stream
        // it is given ends with its last page.
        window_.size = check.end();
        ov_callbacks callbacks{&WindowRead, &WindowSeek, nullptr, &WindowTell};
        int result = ov_open_callbacks(&window_, &file_, nullptr, 0, callbacks);
        if (result != 0) {
            *error = result == OV_ENOTVORBIS ? "not an Ogg Vorbis stream"
                     : result == OV_EVERSION ? "unsupported Vorbis version"
                                             : "damaged Ogg Vorbis headers";
            return false;
        }
        open_ = true;
        const vorbis_info* info = ov_info(&file_, -1);
        const ogg_int64_t total = ov_pcm_total(&file_, -1);
        if (!info || (info->channels != 1 && info->channels != 2)) {
            *error = "Ogg Vorbis with " + std::to_string(info ? info->channels : 0) + " channels is not supported";
            return false;
        }
        if (info->rate < 100 || info->rate > 200000) {
            *error = "unsupported sample rate " + std::to_string(info->rate);
            return false;
        }
        if (total <= 0) {
            *error = "Ogg Vorbis stream holds no samples";
            return false;
        }
        channels_ = static_cast<uint16_t>(info->channels);
        rate_ = static_cast<uint32_t>(info->rate);
        frames_ = static_cast<uint64_t>(total);
        return true;
    }

    uint32_t Read(int16_t* out, uint32_t frames) override {
        const size_t frameBytes = sizeof(int16_t) * channels_;
        auto* bytes = reinterpret_cast<char*>(out);
        size_t done = 0;
        const size_t wanted = static_cast<size_t>(frames) * frameBytes;
        int holes = 0;
        while (done < wanted) {
            int section = 0;
            // Cap each call so the length fits ov_read's int.
            const int ask = static_cast<int>(std::min<size_t>(wanted - done, 1 << 16));
            long got = ov_read(&file_, bytes + done, ask, 0, 2, 1, &section);
            if (got == OV_HOLE && ++holes < 16) continue;  // a gap in the data: decoding goes on after it
            if (got <= 0) break;                           // the end, or data too damaged to go on
            // A chained stream that changes its layout ends the sound here.
            const vorbis_info* info = ov_info(&file_, section);
            if (!info || info->channels != channels_) break;
            done += static_cast<size_t>(got);
        }
        return static_cast<uint32_t>(done / frameBytes);
    }

    bool Seek(uint64_t frame) override { return ov_pcm_seek(&file_, static_cast<ogg_int64_t>(frame)) == 0; }

private:
    Window window_;
    OggVorbis_File file_{};
    bool open_ = false;
};

}  // namespace

bool IsOggVorbis(const uint8_t* data, size_t size) { return size >= 4 && std::memcmp(data, "OggS", 4) == 0; }

std::unique_ptr<Decoder> OpenOggVorbis(const uint8_t* data, size_t size, std::string* error) {
    auto decoder = std::make_unique<VorbisDecoder>(data, size);
    if (!decoder->Open(error)) return nullptr;
    return decoder;
}

}  // namespace torvi
