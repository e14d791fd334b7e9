#include "tools/kestra-pack/LzssEncoder.h"

#include <algorithm>
#include <cstring>

namespace kestrapack {

namespace {

constexpr int kRing = 4096;
constexpr int kRingStart = 0xFF0;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 18;
constexpr int kHashBits = 15;
// Positions of the zero-filled ring before the data that are worth offering
// (a run of zeros at the start of the data).
constexpr int kPrefixCandidates = 64;

// Works on a virtual buffer of kRing zeros followed by the data: virtual index v
// lives at ring position (v - 16) mod 4096, so the zeros are the ring's initial
// contents and any source within 4096 bytes back is still in the ring.
class Encoder {
public:
    Encoder(const uint8_t* data, size_t size, const LzssOptions& options)
        : options_(options), buffer_(kRing + size, 0), head_(size_t{1} << kHashBits, -1), prev_(kRing, -1) {
        if (size) std::memcpy(buffer_.data() + kRing, data, size);
        end_ = static_cast<int64_t>(buffer_.size());
    }

    std::vector<uint8_t> Run() {
        for (int64_t v = kRing - kPrefixCandidates; v < kRing; ++v) Insert(v);
        int64_t p = kRing;
        Match pending{0, 0};
        bool havePending = false;
        while (p < end_) {
            Match match = havePending ? pending : Find(p);
            havePending = false;
            if (match.length < kMinMatch) {
                Literal(buffer_[p]);
                Insert(p);
                ++p;
                continue;
            }
            Insert(p);
            if (options_.lazy && match.length < kMaxMatch && p + 1 < end_) {
                const Match next = Find(p + 1);
                if (next.length > match.length) {
                    Literal(buffer_[p]);
                    ++p;
                    pending = next;
                    havePending = true;
                    continue;
                }
            }
            Reference(match);
            for (int64_t k = 1; k < match.length; ++k) Insert(p + k);
            p += match.length;
        }
        return std::move(out_);
    }

private:
    struct Match {
        int length;
        int64_t source;
    };

    uint32_t Hash(int64_t v) const {
        const uint32_t key = static_cast<uint32_t>(buffer_[v]) << 16 | static_cast<uint32_t>(buffer_[v + 1]) << 8 |
                             buffer_[v + 2];
        return (key * 2654435761u) >> (32 - kHashBits);
    }

    void Insert(int64_t v) {
        if (v + 2 >= end_) return;
        const uint32_t h = Hash(v);
        prev_[v & (kRing - 1)] = head_[h];
        head_[h] = v;
    }

    Match Find(int64_t p) const {
        Match best{0, 0};
        const int limit = static_cast<int>(std::min<int64_t>(kMaxMatch, end_ - p));
        if (limit < kMinMatch) return best;
        int64_t candidate = head_[Hash(p)];
        for (int chain = 0; candidate >= 0 && chain < options_.maxChain; ++chain) {
            if (candidate >= p || p - candidate > kRing) break;
            if (buffer_[candidate + best.length] == buffer_[p + best.length]) {
                int length = 0;
                while (length < limit && buffer_[candidate + length] == buffer_[p + length]) ++length;
                if (length > best.length) {
                    best = {length, candidate};
                    if (length == limit) break;
                }
            }
            const int64_t next = prev_[candidate & (kRing - 1)];
            if (next >= candidate) break;
            candidate = next;
        }
        return best;
    }

    void BeginItem() {
        if (bit_ == 8) {
            flagAt_ = out_.size();
            out_.push_back(0);
            bit_ = 0;
        }
    }

    void Literal(uint8_t byte) {
        BeginItem();
        out_[flagAt_] |= static_cast<uint8_t>(1u << bit_);
        ++bit_;
        out_.push_back(byte);
    }

    void Reference(const Match& match) {
        BeginItem();
        ++bit_;
        const uint32_t position = static_cast<uint32_t>((match.source - kRing + kRingStart) & (kRing - 1));
        out_.push_back(static_cast<uint8_t>(position & 0xFF));
        out_.push_back(static_cast<uint8_t>(((position >> 4) & 0xF0) | static_cast<uint32_t>(match.length - kMinMatch)));
    }

    LzssOptions options_;
    std::vector<uint8_t> buffer_;
    std::vector<int64_t> head_;
    std::vector<int64_t> prev_;
    int64_t end_ = 0;
    std::vector<uint8_t> out_;
    size_t flagAt_ = 0;
    int bit_ = 8;
};

}  // namespace

std::vector<uint8_t> LzssEncodeStream(const uint8_t* data, size_t size, const LzssOptions& options) {
    return Encoder(data, size, options).Run();
}

std::vector<uint8_t> LzssEncodeBlock(const uint8_t* data, size_t size, const LzssOptions& options) {
    std::vector<uint8_t> block = {'L', 'Z', 'S', 'S'};
    const auto decoded = static_cast<uint32_t>(size);
    for (int i = 0; i < 4; ++i) block.push_back(static_cast<uint8_t>(decoded >> (8 * i)));
    const std::vector<uint8_t> stream = LzssEncodeStream(data, size, options);
    block.insert(block.end(), stream.begin(), stream.end());
    return block;
}

}  // namespace kestrapack
