// X file reading: header, MSZIP blocks, the text and binary token streams and
// one parser over both, so that every encoding builds the same tree.
#include <zlib.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>

#include "platform/d3dx9/xfile_internal.h"

namespace xfile {
namespace {

constexpr int kMaxDepth = 64;
// Each read of an object copies its name out, and references read an object
// again and again: a longer name fails the file.
constexpr size_t kMaxName = 1024;
constexpr size_t kMaxBody = size_t(512) << 20;

enum class Tok {
    End, Error, Name, String, Integer, Float, Guid,
    OBrace, CBrace, OParen, CParen, OBracket, CBracket, OAngle, CAngle, Dot, Comma, Semicolon
};

struct Token {
    Tok kind = Tok::End;
    std::string text;
    double number = 0;
    uint32_t integer = 0;
    GUID guid{};
};

// Numbers out of range become defined values instead of undefined conversions.
uint32_t IntegerOf(double d) {
    if (!(d > -2147483648.0 && d < 4294967296.0)) return 0;
    return d < 0 ? uint32_t(int32_t(d)) : uint32_t(d);
}

float FloatOf(double d) {
    if (d > 3.4028234663852886e38) return HUGE_VALF;
    if (d < -3.4028234663852886e38) return -HUGE_VALF;
    return float(d);
}

bool IsNumber(const Token& t) { return t.kind == Tok::Integer || t.kind == Tok::Float; }
bool IsSeparator(const Token& t) { return t.kind == Tok::Comma || t.kind == Tok::Semicolon; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "3D82AB46-62DA-11CF-AB39-0020AF71E433"
bool ParseGuidText(const std::string& s, GUID* g) {
    std::string hex;
    for (char c : s) {
        if (c == '-' || c == ' ' || c == '\t') continue;
        if (HexValue(c) < 0) return false;
        hex += c;
    }
    if (hex.size() != 32) return false;
    auto byteAt = [&](size_t i) { return uint8_t(HexValue(hex[i * 2]) * 16 + HexValue(hex[i * 2 + 1])); };
    g->Data1 = uint32_t(byteAt(0)) << 24 | uint32_t(byteAt(1)) << 16 | uint32_t(byteAt(2)) << 8 | byteAt(3);
    g->Data2 = uint16_t(byteAt(4) << 8 | byteAt(5));
    g->Data3 = uint16_t(byteAt(6) << 8 | byteAt(7));
    for (int i = 0; i < 8; ++i) g->Data4[i] = byteAt(8 + size_t(i));
    return true;
}

class Lexer {
public:
    virtual ~Lexer() = default;
    Token Next() {
        if (hasPeek_) {
            hasPeek_ = false;
            return peek_;
        }
        return Read();
    }
    const Token& Peek() {
        if (!hasPeek_) {
            peek_ = Read();
            hasPeek_ = true;
        }
        return peek_;
    }

protected:
    virtual Token Read() = 0;

private:
    Token peek_;
    bool hasPeek_ = false;
};

class TextLexer : public Lexer {
public:
    TextLexer(const uint8_t* p, size_t n) : p_(p), n_(n) {}

protected:
    Token Read() override {
        Token t;
        for (;;) {
            while (at_ < n_ && std::isspace(p_[at_])) ++at_;
            if (at_ >= n_) return t;
            if (p_[at_] == '#' || (p_[at_] == '/' && at_ + 1 < n_ && p_[at_ + 1] == '/')) {
                while (at_ < n_ && p_[at_] != '\n') ++at_;
                continue;
            }
            break;
        }
        const char c = char(p_[at_]);
        switch (c) {
            case '{': ++at_; t.kind = Tok::OBrace; return t;
            case '}': ++at_; t.kind = Tok::CBrace; return t;
            case '(': ++at_; t.kind = Tok::OParen; return t;
            case ')': ++at_; t.kind = Tok::CParen; return t;
            case '[': ++at_; t.kind = Tok::OBracket; return t;
            case ']': ++at_; t.kind = Tok::CBracket; return t;
            case ',': ++at_; t.kind = Tok::Comma; return t;
            case ';': ++at_; t.kind = Tok::Semicolon; return t;
            case '>': ++at_; t.kind = Tok::CAngle; return t;
            default: break;
        }
        if (c == '<') {
            size_t end = at_ + 1;
            while (end < n_ && p_[end] != '>' && end - at_ < 64) ++end;
            if (end < n_ && p_[end] == '>' &&
                ParseGuidText(std::string(reinterpret_cast<const char*>(p_) + at_ + 1, end - at_ - 1), &t.guid)) {
                at_ = end + 1;
                t.kind = Tok::Guid;
                return t;
            }
            ++at_;
            t.kind = Tok::OAngle;
            return t;
        }
        if (c == '"') {
            size_t end = at_ + 1;
            while (end < n_ && p_[end] != '"') ++end;
            if (end >= n_) {
                t.kind = Tok::Error;
                return t;
            }
            t.kind = Tok::String;
            t.text.assign(reinterpret_cast<const char*>(p_) + at_ + 1, end - at_ - 1);
            at_ = end + 1;
            return t;
        }
        size_t end = at_;
        while (end < n_ && (std::isalnum(p_[end]) || p_[end] == '_' || p_[end] == '-' || p_[end] == '.' ||
                            p_[end] == '+' || p_[end] >= 0x80))
            ++end;
        if (end == at_) {
            t.kind = Tok::Error;
            return t;
        }
        t.text.assign(reinterpret_cast<const char*>(p_) + at_, end - at_);
        at_ = end;
        Classify(&t);
        return t;
    }

private:
    static void Classify(Token* t) {
        const std::string& s = t->text;
        const char c0 = s[0];
        const bool numeric = std::isdigit(static_cast<unsigned char>(c0)) ||
                             ((c0 == '-' || c0 == '+' || c0 == '.') && s.size() > 1 &&
                              (std::isdigit(static_cast<unsigned char>(s[1])) || s[1] == '.'));
        t->kind = Tok::Name;
        if (!numeric) {
            if (s.size() >= 3 && s.find_first_not_of('.') == std::string::npos) t->kind = Tok::Dot;
            return;
        }
        char* endp = nullptr;
        const double v = std::strtod(s.c_str(), &endp);
        if (endp != s.c_str() + s.size()) return;  // a name such as "1st-bone"
        t->number = v;
        if (s.find_first_of(".eE") == std::string::npos) {
            t->kind = Tok::Integer;
            const long long iv = std::strtoll(s.c_str(), nullptr, 10);
            t->integer = uint32_t(iv);
        } else {
            t->kind = Tok::Float;
        }
    }

    const uint8_t* p_;
    size_t n_;
    size_t at_ = 0;
};

class BinaryLexer : public Lexer {
public:
    BinaryLexer(const uint8_t* p, size_t n, bool doubles) : p_(p), n_(n), doubles_(doubles) {}

protected:
    Token Read() override {
        Token t;
        if (listLeft_ > 0) {
            --listLeft_;
            if (listFloat_) {
                t.kind = Tok::Float;
                if (doubles_) {
                    double d;
                    std::memcpy(&d, p_ + at_, 8);
                    at_ += 8;
                    t.number = d;
                } else {
                    float f;
                    std::memcpy(&f, p_ + at_, 4);
                    at_ += 4;
                    t.number = f;
                }
            } else {
                t.kind = Tok::Integer;
                std::memcpy(&t.integer, p_ + at_, 4);
                at_ += 4;
                t.number = t.integer;
            }
            return t;
        }
        uint16_t code;
        if (!Get16(&code)) return t;  // End
        uint32_t count = 0;
        switch (code) {
            case 1:  // NAME
            case 2:  // STRING
                if (!Get32(&count) || count > n_ - at_) return Fail();
                t.kind = code == 1 ? Tok::Name : Tok::String;
                t.text.assign(reinterpret_cast<const char*>(p_) + at_, count);
                at_ += count;
                if (code == 2) {
                    uint16_t term;  // the string's own ';' or ','
                    if (!Get16(&term)) return Fail();
                }
                return t;
            case 3:
                if (!Get32(&t.integer)) return Fail();
                t.kind = Tok::Integer;
                t.number = t.integer;
                return t;
            case 5:
                if (n_ - at_ < 16) return Fail();
                std::memcpy(&t.guid.Data1, p_ + at_, 4);
                std::memcpy(&t.guid.Data2, p_ + at_ + 4, 2);
                std::memcpy(&t.guid.Data3, p_ + at_ + 6, 2);
                std::memcpy(t.guid.Data4, p_ + at_ + 8, 8);
                at_ += 16;
                t.kind = Tok::Guid;
                return t;
            case 6:
            case 7: {
                if (!Get32(&count)) return Fail();
                const size_t width = code == 6 ? 4 : (doubles_ ? 8 : 4);
                if (count > (n_ - at_) / width) return Fail();
                listLeft_ = count;
                listFloat_ = code == 7;
                return Read();
            }
            case 10: t.kind = Tok::OBrace; return t;
            case 11: t.kind = Tok::CBrace; return t;
            case 12: t.kind = Tok::OParen; return t;
            case 13: t.kind = Tok::CParen; return t;
            case 14: t.kind = Tok::OBracket; return t;
            case 15: t.kind = Tok::CBracket; return t;
            case 16: t.kind = Tok::OAngle; return t;
            case 17: t.kind = Tok::CAngle; return t;
            case 18: t.kind = Tok::Dot; return t;
            case 19: t.kind = Tok::Comma; return t;
            case 20: t.kind = Tok::Semicolon; return t;
            case 31: t.kind = Tok::Name; t.text = "template"; return t;
            default: break;
        }
        static const char* const kTypes[] = {"WORD", "DWORD", "FLOAT", "DOUBLE", "CHAR", "UCHAR", "SWORD",
                                             "SDWORD", "VOID", "STRING", "UNICODE", "CSTRING", "array"};
        if (code >= 40 && code <= 52) {
            t.kind = Tok::Name;
            t.text = kTypes[code - 40];
            return t;
        }
        return Fail();
    }

private:
    Token Fail() {
        at_ = n_;
        Token t;
        t.kind = Tok::Error;
        return t;
    }
    bool Get16(uint16_t* v) {
        if (n_ - at_ < 2) return false;
        std::memcpy(v, p_ + at_, 2);
        at_ += 2;
        return true;
    }
    bool Get32(uint32_t* v) {
        if (n_ - at_ < 4) return false;
        std::memcpy(v, p_ + at_, 4);
        at_ += 4;
        return true;
    }

    const uint8_t* p_;
    size_t n_;
    size_t at_ = 0;
    bool doubles_;
    uint32_t listLeft_ = 0;
    bool listFloat_ = false;
};

bool Inflate(const uint8_t* p, size_t n, std::vector<uint8_t>* out) {
    if (n < 4) return false;
    uint32_t total;
    std::memcpy(&total, p, 4);
    if (total < 16 || total - 16 > kMaxBody) return false;
    const size_t want = total - 16;
    size_t at = 4;
    out->clear();
    while (at + 4 <= n && out->size() < want) {
        uint16_t rawSize, packedSize;
        std::memcpy(&rawSize, p + at, 2);
        std::memcpy(&packedSize, p + at + 2, 2);
        at += 4;
        if (packedSize < 2 || packedSize > n - at || p[at] != 'C' || p[at + 1] != 'K') return false;
        z_stream z{};
        if (inflateInit2(&z, -15) != Z_OK) return false;
        // Each block is its own deflate stream whose window is what came before.
        const size_t dict = std::min<size_t>(out->size(), 32768);
        if (dict > 0 && inflateSetDictionary(&z, out->data() + out->size() - dict, uInt(dict)) != Z_OK) {
            inflateEnd(&z);
            return false;
        }
        const size_t start = out->size();
        out->resize(start + rawSize);
        z.next_in = const_cast<Bytef*>(p + at + 2);
        z.avail_in = uInt(packedSize - 2);
        z.next_out = out->data() + start;
        z.avail_out = rawSize;
        const int rc = inflate(&z, Z_FINISH);
        const size_t produced = rawSize - z.avail_out;
        inflateEnd(&z);
        if (rc != Z_STREAM_END && !(rc == Z_OK || rc == Z_BUF_ERROR)) return false;
        if (produced != rawSize) return false;
        at += packedSize;
    }
    if (out->size() > want) out->resize(want);
    return out->size() == want;
}

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool PrimFromName(const std::string& s, Prim* p) {
    static const std::pair<const char*, Prim> kPrims[] = {
        {"WORD", Prim::Word},     {"DWORD", Prim::Dword},   {"FLOAT", Prim::Float},   {"DOUBLE", Prim::Double},
        {"CHAR", Prim::Char},     {"UCHAR", Prim::Uchar},   {"BYTE", Prim::Uchar},    {"SWORD", Prim::Sword},
        {"SDWORD", Prim::Sdword}, {"STRING", Prim::String}, {"LPSTR", Prim::String},  {"CSTRING", Prim::String},
        {"UNICODE", Prim::String}};
    for (const auto& [name, prim] : kPrims)
        if (s == name) {
            *p = prim;
            return true;
        }
    return false;
}

class Parser {
public:
    Parser(Lexer& lex, Registry& reg, Document* doc) : lex_(lex), reg_(reg), doc_(doc) {}

    HRESULT Run() {
        for (;;) {
            const Token& t = lex_.Peek();
            if (t.kind == Tok::End) break;
            if (t.kind == Tok::Error) return D3DXFERR_PARSEERROR;
            if (IsSeparator(t)) {
                lex_.Next();
                continue;
            }
            if (t.kind != Tok::Name) return D3DXFERR_PARSEERROR;
            if (t.text == "template") {
                lex_.Next();
                if (HRESULT hr = ReadTemplate(); FAILED(hr)) return hr;
                continue;
            }
            if (!doc_) return D3DXFERR_BADOBJECT;
            Data* d = nullptr;
            if (HRESULT hr = ReadObject(0, &d); FAILED(hr)) return hr;
            if (d) doc_->top.push_back(d);
        }
        if (doc_) Resolve();
        return S_OK;
    }

private:
    HRESULT ReadTemplate() {
        Token name = lex_.Next();
        if (name.kind != Tok::Name || lex_.Next().kind != Tok::OBrace) return D3DXFERR_PARSEERROR;
        Template t;
        t.name = name.text;
        Token g = lex_.Next();
        if (g.kind != Tok::Guid) return D3DXFERR_PARSEERROR;
        t.guid = g.guid;
        for (;;) {
            Token m = lex_.Next();
            if (m.kind == Tok::CBrace) break;
            if (m.kind == Tok::OBracket) {  // restrictions: children are accepted whatever they say
                for (;;) {
                    Token r = lex_.Next();
                    if (r.kind == Tok::CBracket) break;
                    if (r.kind == Tok::End || r.kind == Tok::Error) return D3DXFERR_PARSEERROR;
                }
                continue;
            }
            if (m.kind != Tok::Name) return D3DXFERR_PARSEERROR;
            Member mem;
            const bool isArray = m.text == "array";
            Token type = isArray ? lex_.Next() : m;
            if (type.kind != Tok::Name) return D3DXFERR_PARSEERROR;
            if (!PrimFromName(type.text, &mem.prim)) {
                mem.prim = Prim::Struct;
                mem.typeName = type.text;
            }
            Token mname = lex_.Next();
            if (mname.kind == Tok::Name) {
                mem.name = mname.text;
                mname = lex_.Next();
            }
            while (isArray && mname.kind == Tok::OBracket) {
                Token dim = lex_.Next();
                if (dim.kind == Tok::Integer) dim.text = std::to_string(dim.integer);
                if ((dim.kind != Tok::Name && dim.kind != Tok::Integer) || lex_.Next().kind != Tok::CBracket)
                    return D3DXFERR_PARSEERROR;
                mem.dims.push_back(dim.text);
                mname = lex_.Next();
            }
            if (isArray && mem.dims.empty()) return D3DXFERR_PARSEERROR;
            if (mname.kind != Tok::Semicolon) return D3DXFERR_PARSEERROR;
            if (!Hold(sizeof(Member) + mem.typeName.size() + mem.name.size())) return E_OUTOFMEMORY;
            t.members.push_back(std::move(mem));
        }
        if (!Hold(sizeof(Template) + t.name.size())) return E_OUTOFMEMORY;
        reg_.Add(t);
        return S_OK;
    }

    // Skips a balanced block whose '{' was just read.
    HRESULT SkipBlock() {
        int depth = 1;
        while (depth > 0) {
            Token t = lex_.Next();
            if (t.kind == Tok::End || t.kind == Tok::Error) return D3DXFERR_PARSEERROR;
            if (t.kind == Tok::OBrace) ++depth;
            if (t.kind == Tok::CBrace) --depth;
        }
        return S_OK;
    }

    HRESULT ReadObject(int depth, Data** out) {
        *out = nullptr;
        if (depth > kMaxDepth) return D3DXFERR_PARSEERROR;
        Token type = lex_.Next();
        if (type.kind != Tok::Name) return D3DXFERR_PARSEERROR;
        std::string name;
        const Token& t = lex_.Peek();
        if (t.kind == Tok::Name || IsNumber(t)) name = lex_.Next().text;
        if (name.size() > kMaxName || lex_.Next().kind != Tok::OBrace) return D3DXFERR_PARSEERROR;
        GUID id{};
        if (lex_.Peek().kind == Tok::Guid) id = lex_.Next().guid;
        const Template* tmpl = reg_.FindName(type.text);
        if (!tmpl) return SkipBlock();  // an object of a template nobody declared: lose only it
        if (!Hold(sizeof(Data) + name.size())) return E_OUTOFMEMORY;
        auto d = std::make_unique<Data>();
        d->tmpl = tmpl;
        d->type = tmpl->guid;
        d->name = name;
        d->id = id;
        if (HRESULT hr = ReadMembers(*tmpl, d.get(), 0); FAILED(hr)) return hr;
        for (;;) {
            const Token& c = lex_.Peek();
            if (c.kind == Tok::CBrace) {
                lex_.Next();
                break;
            }
            if (IsSeparator(c)) {
                lex_.Next();
                continue;
            }
            if (c.kind == Tok::OBrace) {
                lex_.Next();
                std::pair<std::string, GUID> ref{};
                for (;;) {
                    Token r = lex_.Next();
                    if (r.kind == Tok::CBrace) break;
                    if (r.kind == Tok::Name || IsNumber(r)) ref.first = r.text;
                    else if (r.kind == Tok::Guid) ref.second = r.guid;
                    else if (!IsSeparator(r)) return D3DXFERR_PARSEERROR;
                }
                if (!Hold(sizeof(Child) + sizeof(ref) + ref.first.size())) return E_OUTOFMEMORY;
                d->children.push_back(Child{nullptr, true});
                d->refs.push_back(ref);
                continue;
            }
            if (c.kind != Tok::Name) return D3DXFERR_PARSEERROR;
            Data* child = nullptr;
            if (HRESULT hr = ReadObject(depth + 1, &child); FAILED(hr)) return hr;
            if (child && !Hold(sizeof(Child))) return E_OUTOFMEMORY;
            if (child) d->children.push_back(Child{child, false});
        }
        *out = d.get();
        doc_->objects.push_back(std::move(d));
        return S_OK;
    }

    bool NextValue(Token* v) {
        for (;;) {
            Token t = lex_.Next();
            if (IsSeparator(t)) continue;
            *v = t;
            return IsNumber(t) || t.kind == Tok::String || t.kind == Tok::Name;
        }
    }

    template <typename T>
    static void Put(Data* d, T v) {
        const size_t at = d->bytes.size();
        d->bytes.resize(at + sizeof(T));
        std::memcpy(d->bytes.data() + at, &v, sizeof(T));
    }

    HRESULT ReadValue(const Member& m, Data* d, int depth, uint32_t* asCount) {
        if (m.prim == Prim::Struct) {
            const Template* sub = reg_.FindName(m.typeName);
            if (!sub) return D3DXFERR_BADTYPE;
            // Counted even when it holds nothing: an array of empty structs reads no
            // token, and its count alone could ask for billions of them.
            if (!Hold(sizeof(void*))) return E_OUTOFMEMORY;
            return ReadMembers(*sub, d, depth + 1);
        }
        Token v;
        if (!NextValue(&v)) return D3DXFERR_BADVALUE;
        if (m.prim == Prim::String) {
            if (v.kind != Tok::String && v.kind != Tok::Name) return D3DXFERR_BADVALUE;
            // The list node and its string, and the pointer packed.
            if (!Hold(2 * sizeof(void*) + sizeof(std::string) + v.text.size())) return E_OUTOFMEMORY;
            d->strings.push_front(v.text);
            Put<const char*>(d, d->strings.front().c_str());
            return S_OK;
        }
        if (!IsNumber(v)) return D3DXFERR_BADVALUE;
        static const size_t kSizes[] = {2, 4, 4, 8, 1, 1, 2, 4};  // by Prim, up to Sdword
        if (size_t(m.prim) < std::size(kSizes) && !Hold(kSizes[size_t(m.prim)])) return E_OUTOFMEMORY;
        const uint32_t iv = v.kind == Tok::Integer ? v.integer : IntegerOf(v.number);
        if (asCount) *asCount = iv;
        switch (m.prim) {
            case Prim::Word: Put<uint16_t>(d, uint16_t(iv)); break;
            case Prim::Sword: Put<int16_t>(d, int16_t(iv)); break;
            case Prim::Dword: Put<uint32_t>(d, iv); break;
            case Prim::Sdword: Put<int32_t>(d, int32_t(iv)); break;
            case Prim::Char: Put<int8_t>(d, int8_t(iv)); break;
            case Prim::Uchar: Put<uint8_t>(d, uint8_t(iv)); break;
            case Prim::Float: Put<float>(d, FloatOf(v.kind == Tok::Integer ? double(int32_t(v.integer)) : v.number)); break;
            case Prim::Double: Put<double>(d, v.kind == Tok::Integer ? double(int32_t(v.integer)) : v.number); break;
            default: return D3DXFERR_BADTYPE;
        }
        return S_OK;
    }

    HRESULT ReadMembers(const Template& t, Data* d, int depth) {
        if (depth > kMaxDepth) return D3DXFERR_BADTYPE;
        std::map<std::string, uint32_t> counts;  // earlier integer members by name, for array sizes
        for (const Member& m : t.members) {
            if (m.dims.empty()) {
                uint32_t value = 0;
                if (HRESULT hr = ReadValue(m, d, depth, &value); FAILED(hr)) return hr;
                if (!m.name.empty()) counts[m.name] = value;
                continue;
            }
            uint64_t n = 1;
            for (const std::string& dim : m.dims) {
                uint64_t k;
                if (std::isdigit(static_cast<unsigned char>(dim[0]))) {
                    k = std::strtoull(dim.c_str(), nullptr, 10);
                } else {
                    auto it = counts.find(dim);
                    if (it == counts.end()) return D3DXFERR_BADARRAYSIZE;
                    k = it->second;
                }
                n *= k;
                if (n > (uint64_t(1) << 31)) return D3DXFERR_BADARRAYSIZE;
            }
            for (uint64_t i = 0; i < n; ++i)
                if (HRESULT hr = ReadValue(m, d, depth, nullptr); FAILED(hr)) return hr;
        }
        return S_OK;
    }

    void Resolve() {
        std::map<std::string, Data*> byName;
        auto before = [](const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) < 0; };
        std::map<GUID, Data*, decltype(before)> byId(before);
        for (const auto& o : doc_->objects) {
            if (!o->name.empty()) byName.emplace(o->name, o.get());
            byId.emplace(o->id, o.get());
        }
        for (const auto& o : doc_->objects) {
            size_t r = 0;
            std::vector<Child> kept;
            for (Child c : o->children) {
                if (c.reference) {
                    const auto& ref = o->refs[r++];
                    Data* target = nullptr;
                    if (!ref.first.empty()) {
                        auto it = byName.find(ref.first);
                        if (it != byName.end()) target = it->second;
                    } else {
                        auto it = byId.find(ref.second);
                        if (it != byId.end()) target = it->second;
                    }
                    if (!target || target == o.get()) continue;  // a reference to nothing is dropped
                    c.data = target;
                }
                kept.push_back(c);
            }
            o->children = std::move(kept);
            o->refs.clear();
        }
    }

    // Counts what the file makes the reader keep; false past its bound.
    bool Hold(size_t bytes) {
        held_ += bytes;
        return held_ <= KESTRA_XFILE_MAX_HELD;
    }

    Lexer& lex_;
    Registry& reg_;
    Document* doc_;
    size_t held_ = 0;
};

const char kStandardTemplates[] = R"(xof 0303txt 0032
template Vector { <3D82AB5E-62DA-11CF-AB39-0020AF71E433> FLOAT x; FLOAT y; FLOAT z; }
template Coords2d { <F6F23F44-7686-11CF-8F52-0040333594A3> FLOAT u; FLOAT v; }
template Matrix4x4 { <F6F23F45-7686-11CF-8F52-0040333594A3> array FLOAT matrix[16]; }
template ColorRGBA { <35FF44E0-6C7C-11CF-8F52-0040333594A3> FLOAT red; FLOAT green; FLOAT blue; FLOAT alpha; }
template ColorRGB { <D3E16E81-7835-11CF-8F52-0040333594A3> FLOAT red; FLOAT green; FLOAT blue; }
template IndexedColor { <1630B820-7842-11CF-8F52-0040333594A3> DWORD index; ColorRGBA indexColor; }
template Boolean { <4885AE61-78E8-11CF-8F52-0040333594A3> WORD truefalse; }
template Boolean2d { <4885AE63-78E8-11CF-8F52-0040333594A3> Boolean u; Boolean v; }
template MaterialWrap { <4885AE60-78E8-11CF-8F52-0040333594A3> Boolean u; Boolean v; }
template TextureFilename { <A42790E1-7810-11CF-8F52-0040333594A3> STRING filename; }
template Material { <3D82AB4D-62DA-11CF-AB39-0020AF71E433> ColorRGBA faceColor; FLOAT power;
  ColorRGB specularColor; ColorRGB emissiveColor; [...] }
template MeshFace { <3D82AB5F-62DA-11CF-AB39-0020AF71E433> DWORD nFaceVertexIndices;
  array DWORD faceVertexIndices[nFaceVertexIndices]; }
template MeshFaceWraps { <4885AE62-78E8-11CF-8F52-0040333594A3> DWORD nFaceWrapValues;
  array Boolean2d faceWrapValues[nFaceWrapValues]; }
template MeshTextureCoords { <F6F23F40-7686-11CF-8F52-0040333594A3> DWORD nTextureCoords;
  array Coords2d textureCoords[nTextureCoords]; }
template MeshMaterialList { <F6F23F42-7686-11CF-8F52-0040333594A3> DWORD nMaterials; DWORD nFaceIndexes;
  array DWORD faceIndexes[nFaceIndexes]; [Material] }
template MeshNormals { <F6F23F43-7686-11CF-8F52-0040333594A3> DWORD nNormals; array Vector normals[nNormals];
  DWORD nFaceNormals; array MeshFace faceNormals[nFaceNormals]; }
template MeshVertexColors { <1630B821-7842-11CF-8F52-0040333594A3> DWORD nVertexColors;
  array IndexedColor vertexColors[nVertexColors]; }
template Mesh { <3D82AB44-62DA-11CF-AB39-0020AF71E433> DWORD nVertices; array Vector vertices[nVertices];
  DWORD nFaces; array MeshFace faces[nFaces]; [...] }
template FrameTransformMatrix { <F6F23F41-7686-11CF-8F52-0040333594A3> Matrix4x4 frameMatrix; }
template Frame { <3D82AB46-62DA-11CF-AB39-0020AF71E433> [...] }
template FloatKeys { <10DD46A9-775B-11CF-8F52-0040333594A3> DWORD nValues; array FLOAT values[nValues]; }
template TimedFloatKeys { <F406B180-7B3B-11CF-8F52-0040333594A3> DWORD time; FloatKeys tfkeys; }
template AnimationKey { <10DD46A8-775B-11CF-8F52-0040333594A3> DWORD keyType; DWORD nKeys;
  array TimedFloatKeys keys[nKeys]; }
template AnimationOptions { <E2BF56C0-840F-11CF-8F52-0040333594A3> DWORD openclosed; DWORD positionquality; }
template Animation { <3D82AB4F-62DA-11CF-AB39-0020AF71E433> [...] }
template AnimationSet { <3D82AB50-62DA-11CF-AB39-0020AF71E433> [Animation] }
template Header { <3D82AB43-62DA-11CF-AB39-0020AF71E433> WORD major; WORD minor; DWORD flags; }
template XSkinMeshHeader { <3CF169CE-FF7C-44AB-93C0-F78F62D172E2> WORD nMaxSkinWeightsPerVertex;
  WORD nMaxSkinWeightsPerFace; WORD nBones; }
template VertexDuplicationIndices { <B8D65549-D7C9-4995-89CF-53A9A8B031E3> DWORD nIndices;
  DWORD nOriginalVertices; array DWORD indices[nIndices]; }
template SkinWeights { <6F0D123B-BAD2-4167-A0D0-80224F25FABB> STRING transformNodeName; DWORD nWeights;
  array DWORD vertexIndices[nWeights]; array FLOAT weights[nWeights]; Matrix4x4 matrixOffset; }
template AnimTicksPerSecond { <9E415A43-7BA6-4A73-8743-B73D47E88476> DWORD AnimTicksPerSecond; }
template FVFData { <B6E70A0E-8EF9-4E83-94AD-ECC8B0C04897> DWORD dwFVF; DWORD nDWords; array DWORD data[nDWords]; }
template VertexElement { <F752461C-1E23-48F6-B9F8-8350850F336F> DWORD Type; DWORD Method; DWORD Usage;
  DWORD UsageIndex; }
template DeclData { <BF22E553-292C-4781-9FEA-62BD554BDD93> DWORD nElements; array VertexElement Elements[nElements];
  DWORD nDWords; array DWORD data[nDWords]; }
template EffectFloats { <F1CFE2B3-0DE3-4E28-AFA1-155A750A282D> DWORD nFloats; array FLOAT Floats[nFloats]; }
template EffectString { <D55B097E-BDB6-4C52-B03D-6051C89D0E42> STRING Value; }
template EffectDWord { <622C0ED0-956E-4DA9-908A-2AF94F3CE716> DWORD Value; }
template EffectParamFloats { <3014B9A0-62F5-478C-9B86-E4AC9F4E418B> STRING ParamName; DWORD nFloats;
  array FLOAT Floats[nFloats]; }
template EffectParamString { <1DBC4C88-94C1-46EE-9076-2C28818C9481> STRING ParamName; STRING Value; }
template EffectParamDWord { <E13963BC-AE51-4C5D-B00F-CFA3A9D97CE5> STRING ParamName; DWORD Value; }
template EffectInstance { <E331F7E4-0559-4CC2-8E99-1CEC1657928F> STRING EffectFilename; [...] }
)";

}  // namespace

Registry::Registry() {
    const HRESULT hr = Parse(reinterpret_cast<const uint8_t*>(kStandardTemplates), sizeof(kStandardTemplates) - 1,
                             *this, nullptr);
    (void)hr;
}

void Registry::Add(const Template& t) {
    auto p = std::make_shared<Template>(t);
    all_.push_back(p);  // objects already read keep pointing at the replaced one
    byName_[t.name] = p;
    auto [it, fresh] = byLowerName_.emplace(Lower(t.name), t.name);
    if (!fresh && t.name < it->second) it->second = t.name;
}

const Template* Registry::FindName(const std::string& name) const {
    auto it = byName_.find(name);
    if (it == byName_.end()) {
        auto spelled = byLowerName_.find(Lower(name));
        if (spelled == byLowerName_.end()) return nullptr;
        it = byName_.find(spelled->second);
    }
    return it->second.get();
}

const Template* Registry::FindGuid(const GUID& g) const {
    for (auto it = all_.rbegin(); it != all_.rend(); ++it)
        if ((*it)->guid == g) return it->get();
    return nullptr;
}

HRESULT ReadHeader(const uint8_t* data, size_t size, Body* body) {
    if (!data || size < 16 || std::memcmp(data, "xof ", 4) != 0) return D3DXFERR_BADFILETYPE;
    if (std::memcmp(data + 4, "0302", 4) != 0 && std::memcmp(data + 4, "0303", 4) != 0)
        return D3DXFERR_BADFILEVERSION;
    const char* fmt = reinterpret_cast<const char*>(data + 8);
    bool compressed = false;
    if (std::memcmp(fmt, "txt ", 4) == 0) {
        body->binary = false;
    } else if (std::memcmp(fmt, "bin ", 4) == 0) {
        body->binary = true;
    } else if (std::memcmp(fmt, "tzip", 4) == 0) {
        body->binary = false;
        compressed = true;
    } else if (std::memcmp(fmt, "bzip", 4) == 0) {
        body->binary = true;
        compressed = true;
    } else {
        return D3DXFERR_BADFILETYPE;
    }
    if (std::memcmp(data + 12, "0032", 4) == 0) body->doubles = false;
    else if (std::memcmp(data + 12, "0064", 4) == 0) body->doubles = true;
    else return D3DXFERR_BADFILEFLOATSIZE;
    if (compressed) {
        if (!Inflate(data + 16, size - 16, &body->bytes)) return D3DXFERR_BADFILE;
    } else {
        body->bytes.assign(data + 16, data + size);
    }
    return S_OK;
}

HRESULT Parse(const uint8_t* data, size_t size, Registry& registry, Document* doc) {
    Body body;
    if (HRESULT hr = ReadHeader(data, size, &body); FAILED(hr)) return hr;
    std::unique_ptr<Lexer> lex;
    if (body.binary) lex = std::make_unique<BinaryLexer>(body.bytes.data(), body.bytes.size(), body.doubles);
    else lex = std::make_unique<TextLexer>(body.bytes.data(), body.bytes.size());
    Parser parser(*lex, registry, doc);
    return parser.Run();
}

bool Cursor::Dword(uint32_t* v) {
    if (Left() < 4) return false;
    std::memcpy(v, p_ + at_, 4);
    at_ += 4;
    return true;
}

bool Cursor::Word(uint16_t* v) {
    if (Left() < 2) return false;
    std::memcpy(v, p_ + at_, 2);
    at_ += 2;
    return true;
}

bool Cursor::Float(float* v) {
    if (Left() < 4) return false;
    std::memcpy(v, p_ + at_, 4);
    at_ += 4;
    return true;
}

bool Cursor::Floats(float* v, size_t count) {
    if (count == 0) return true;
    if (count > Left() / 4) return false;
    std::memcpy(v, p_ + at_, count * 4);
    at_ += count * 4;
    return true;
}

bool Cursor::String(const char** s) {
    if (Left() < sizeof(const char*)) return false;
    std::memcpy(s, p_ + at_, sizeof(const char*));
    at_ += sizeof(const char*);
    return true;
}

bool Cursor::Skip(size_t bytes) {
    if (bytes > Left()) return false;
    at_ += bytes;
    return true;
}

}  // namespace xfile

namespace xfile {
namespace {

bool DescribeMembers(const Registry& reg, const Template& t, Cursor& c, std::string* out, int depth) {
    if (depth > 64) return false;
    std::map<std::string, uint32_t> counts;
    char buf[64];
    for (const Member& m : t.members) {
        uint64_t n = 1;
        for (const std::string& dim : m.dims) {
            if (std::isdigit(static_cast<unsigned char>(dim[0]))) n *= std::strtoull(dim.c_str(), nullptr, 10);
            else n *= counts[dim];
        }
        for (uint64_t i = 0; i < n; ++i) {
            switch (m.prim) {
                case Prim::Struct: {
                    const Template* sub = reg.FindName(m.typeName);
                    if (!sub || !DescribeMembers(reg, *sub, c, out, depth + 1)) return false;
                    continue;
                }
                case Prim::String: {
                    const char* s = nullptr;
                    if (!c.String(&s)) return false;
                    *out += '"';
                    *out += s ? s : "";
                    *out += "\" ";
                    continue;
                }
                case Prim::Float: {
                    float f;
                    if (!c.Float(&f)) return false;
                    std::snprintf(buf, sizeof buf, "%.7g ", double(f));
                    break;
                }
                case Prim::Double: {
                    float halves[2];
                    if (!c.Floats(halves, 2)) return false;
                    double d;
                    std::memcpy(&d, halves, 8);
                    std::snprintf(buf, sizeof buf, "%.17g ", d);
                    break;
                }
                case Prim::Word:
                case Prim::Sword: {
                    uint16_t w;
                    if (!c.Word(&w)) return false;
                    std::snprintf(buf, sizeof buf, m.prim == Prim::Sword ? "%d " : "%u ",
                                  m.prim == Prim::Sword ? int(int16_t(w)) : int(w));
                    break;
                }
                case Prim::Char:
                case Prim::Uchar: {
                    if (!c.Skip(1)) return false;
                    std::snprintf(buf, sizeof buf, "c ");
                    break;
                }
                default: {
                    uint32_t v;
                    if (!c.Dword(&v)) return false;
                    std::snprintf(buf, sizeof buf, "%u ", v);
                    if (!m.name.empty() && m.dims.empty()) counts[m.name] = v;
                    break;
                }
            }
            *out += buf;
        }
    }
    return true;
}

void DescribeData(const Document& doc, const Data& d, int depth, std::string* out) {
    out->append(size_t(depth) * 2, ' ');
    *out += (d.tmpl ? d.tmpl->name : std::string("?")) + " '" + d.name + "' ";
    Cursor c(d.bytes.data(), d.bytes.size());
    if (d.tmpl && !DescribeMembers(*doc.registry, *d.tmpl, c, out, 0)) *out += "<short>";
    *out += '\n';
    for (const Child& ch : d.children) {
        if (ch.reference) {
            out->append(size_t(depth + 1) * 2, ' ');
            *out += "-> '" + ch.data->name + "'\n";
        } else {
            DescribeData(doc, *ch.data, depth + 1, out);
        }
    }
}

}  // namespace

std::string Describe(const Document& doc) {
    std::string out;
    for (const Data* d : doc.top) DescribeData(doc, *d, 0, &out);
    return out;
}

}  // namespace xfile
