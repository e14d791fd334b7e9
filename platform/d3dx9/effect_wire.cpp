#include "platform/d3dx9/effect_wire.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace d3dxfx {

namespace {

void Put(std::string& out, uint32_t v) { out.append(reinterpret_cast<const char*>(&v), sizeof v); }
void Put(std::string& out, const std::string& text) {
    Put(out, uint32_t(text.size()));
    out += text;
}

// Reads what Put wrote; past the end every read fails and gives nothing.
class Decoder {
public:
    Decoder(const std::string& bytes, size_t at) : bytes_(bytes), at_(at) {}
    bool ok() const { return ok_ && at_ == bytes_.size(); }
    uint32_t Number() {
        uint32_t v = 0;
        if (bytes_.size() - at_ < sizeof v) return Fail();
        std::memcpy(&v, bytes_.data() + at_, sizeof v);
        at_ += sizeof v;
        return v;
    }
    std::string Text() {
        const uint32_t n = Number();
        if (bytes_.size() - at_ < n) {
            Fail();
            return {};
        }
        at_ += n;
        return bytes_.substr(at_ - n, n);
    }
    // A count of items, each taking at least `least` bytes.
    uint32_t Count(size_t least) {
        const uint32_t n = Number();
        return (bytes_.size() - at_) / least >= n ? n : Fail();
    }

private:
    uint32_t Fail() {
        ok_ = false;
        at_ = bytes_.size();
        return 0;
    }
    const std::string& bytes_;
    size_t at_;
    bool ok_ = true;
};

}  // namespace

std::string EncodeRequest(const CompileRequest& r) {
    std::string out;
    Put(out, r.cpuSeconds);
    Put(out, uint32_t(r.memoryBytes));
    Put(out, uint32_t(r.memoryBytes >> 32));
    Put(out, uint32_t(r.misdeed));
    Put(out, r.hlsl);
    Put(out, r.preamble);
    Put(out, uint32_t(r.entries.size()));
    for (const std::string& entry : r.entries) Put(out, entry);
    return out;
}

bool DecodeRequest(const std::string& bytes, CompileRequest* r) {
    Decoder in(bytes, 0);
    r->cpuSeconds = in.Number();
    r->memoryBytes = in.Number();
    r->memoryBytes |= uint64_t(in.Number()) << 32;
    const uint32_t misdeed = in.Number();
    r->misdeed = misdeed <= uint32_t(Misdeed::kFlood) ? Misdeed(misdeed) : Misdeed::kNone;
    r->hlsl = in.Text();
    r->preamble = in.Text();
    r->entries.clear();
    for (uint32_t n = in.Count(4); n > 0; --n) r->entries.push_back(in.Text());
    return in.ok();
}

std::string EncodeCompiled(const std::vector<std::shared_ptr<CompiledShader>>& shaders) {
    std::string out(1, char(kCompiled));
    Put(out, uint32_t(shaders.size()));
    for (const auto& shader : shaders) {
        const d3d9shader::VertexShaderDesc& d = shader->desc;
        Put(out, d.glsl);
        Put(out, uint32_t(d.inputs.size()));
        for (const auto& i : d.inputs) {
            Put(out, uint32_t(i.usage) | uint32_t(i.usageIndex) << 8);
            Put(out, i.glName);
        }
        Put(out, uint32_t(d.outputs.size()));
        for (const auto& o : d.outputs) {
            Put(out, uint32_t(o.usage) | uint32_t(o.usageIndex) << 8);
            Put(out, o.glName);
            Put(out, o.components);
        }
        Put(out, uint32_t(shader->uniforms.size()));
        for (const auto& u : shader->uniforms) {
            Put(out, u.name);
            Put(out, u.binding.glName);
            for (uint32_t v : {uint32_t(u.binding.kind), u.binding.rows, u.binding.columns, u.binding.count}) Put(out, v);
        }
    }
    return out;
}

std::string EncodeRefused(AnswerStatus status, const std::string& errors) {
    std::string out(1, char(status));
    if (status == kRefused) Put(out, errors);
    return out;
}

bool DecodeAnswer(const std::string& bytes, size_t entries, Answer* answer) {
    if (bytes.empty()) return false;
    answer->status = AnswerStatus(bytes[0]);
    Decoder in(bytes, 1);
    if (answer->status == kOutOfMemory) return in.ok();
    if (answer->status == kRefused) {
        answer->errors = in.Text();
        return in.ok();
    }
    if (answer->status != kCompiled || in.Number() != entries) return false;
    for (size_t e = 0; e < entries; ++e) {
        auto shader = std::make_shared<CompiledShader>();
        d3d9shader::VertexShaderDesc& d = shader->desc;
        d.glsl = in.Text();
        for (uint32_t n = in.Count(8); n > 0; --n) {
            const uint32_t usage = in.Number();
            d.inputs.push_back({BYTE(usage), BYTE(usage >> 8), in.Text()});
        }
        for (uint32_t n = in.Count(12); n > 0; --n) {
            const uint32_t usage = in.Number();
            std::string name = in.Text();
            d.outputs.push_back({BYTE(usage), BYTE(usage >> 8), std::move(name), in.Number()});
        }
        for (uint32_t n = in.Count(24); n > 0; --n) {
            UniformInfo u;
            u.name = in.Text();
            u.binding.glName = in.Text();
            u.binding.kind = d3d9shader::ConstantKind(in.Number());
            u.binding.rows = in.Number();
            u.binding.columns = in.Number();
            u.binding.count = in.Number();
            shader->uniforms.push_back(std::move(u));
        }
        answer->shaders.push_back(std::move(shader));
    }
    return in.ok();
}

bool WriteAll(int fd, const std::string& bytes) {
    for (size_t at = 0; at < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + at, bytes.size() - at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        at += size_t(n);
    }
    return true;
}

}  // namespace d3dxfx
