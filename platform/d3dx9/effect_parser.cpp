// The effect-file syntax: a small tokenizer and a scan of the top level. Function
// bodies and structures are skipped by brace matching; the HLSL compiler judges them.
#include "platform/d3dx9/effect_parser.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <unordered_set>

namespace d3dxfx {

namespace {

enum class Tok { End, Ident, Number, String, Punct };

struct Token {
    Tok kind = Tok::End;
    std::string text;
    size_t begin = 0, end = 0;
    int line = 1;
};

class Lexer {
public:
    explicit Lexer(std::string_view t) : t_(t) {}

    // Next token; false with an error message on a lexical fault.
    bool Next(Token* tok, std::string* error) {
        Skip();
        tok->line = line_;
        tok->begin = p_;
        tok->text.clear();
        if (p_ >= t_.size()) {
            tok->kind = Tok::End;
            tok->end = p_;
            return true;
        }
        unsigned char c = static_cast<unsigned char>(t_[p_]);
        if (std::isalpha(c) || c == '_') {
            while (p_ < t_.size() && (std::isalnum(static_cast<unsigned char>(t_[p_])) || t_[p_] == '_')) ++p_;
            tok->kind = Tok::Ident;
        } else if (std::isdigit(c) || (c == '.' && p_ + 1 < t_.size() && std::isdigit(static_cast<unsigned char>(t_[p_ + 1])))) {
            while (p_ < t_.size()) {
                char d = t_[p_];
                if (std::isalnum(static_cast<unsigned char>(d)) || d == '.') {
                    ++p_;
                } else if ((d == '+' || d == '-') && (t_[p_ - 1] == 'e' || t_[p_ - 1] == 'E')) {
                    ++p_;
                } else {
                    break;
                }
            }
            tok->kind = Tok::Number;
        } else if (c == '"') {
            ++p_;
            while (p_ < t_.size() && t_[p_] != '"' && t_[p_] != '\n') {
                if (t_[p_] == '\\' && p_ + 1 < t_.size()) ++p_;
                ++p_;
            }
            if (p_ >= t_.size() || t_[p_] != '"') {
                *error = "unterminated string";
                return false;
            }
            ++p_;
            tok->kind = Tok::String;
        } else {
            ++p_;
            tok->kind = Tok::Punct;
        }
        tok->end = p_;
        tok->text.assign(t_.substr(tok->begin, tok->end - tok->begin));
        return true;
    }
    int line() const { return line_; }

private:
    void Skip() {
        while (p_ < t_.size()) {
            char c = t_[p_];
            if (c == '\n') {
                ++line_;
                ++p_;
            } else if (std::isspace(static_cast<unsigned char>(c)) || c == '\0') {
                ++p_;
            } else if (c == '/' && p_ + 1 < t_.size() && t_[p_ + 1] == '/') {
                while (p_ < t_.size() && t_[p_] != '\n') ++p_;
            } else if (c == '/' && p_ + 1 < t_.size() && t_[p_ + 1] == '*') {
                p_ += 2;
                while (p_ < t_.size() && !(t_[p_] == '*' && p_ + 1 < t_.size() && t_[p_ + 1] == '/')) {
                    if (t_[p_] == '\n') ++line_;
                    ++p_;
                }
                p_ = p_ < t_.size() ? p_ + 2 : p_;
            } else if (c == '#') {
                // Preprocessor lines belong to the HLSL compiler; continuation lines too.
                while (p_ < t_.size() && t_[p_] != '\n') {
                    if (t_[p_] == '\\' && p_ + 1 < t_.size() && t_[p_ + 1] == '\n') {
                        ++line_;
                        ++p_;
                    }
                    ++p_;
                }
            } else {
                break;
            }
        }
    }

    std::string_view t_;
    size_t p_ = 0;
    int line_ = 1;
};

struct TypeInfo {
    ParamType type;
    unsigned rows, columns;
};

// Scalar, vector and matrix types by name: float, float3, float4x4, bool4, int2, half ...
bool NumericType(const std::string& name, TypeInfo* info) {
    static const struct {
        const char* base;
        ParamType type;
    } bases[] = {{"float", ParamType::Float}, {"half", ParamType::Float}, {"double", ParamType::Float},
                 {"int", ParamType::Int},     {"uint", ParamType::Int},   {"dword", ParamType::Int},
                 {"bool", ParamType::Bool}};
    for (const auto& b : bases) {
        size_t n = std::char_traits<char>::length(b.base);
        if (name.compare(0, n, b.base) != 0) continue;
        std::string rest = name.substr(n);
        info->type = b.type;
        if (rest.empty()) {
            info->rows = info->columns = 1;
            return true;
        }
        if (rest.size() == 1 && rest[0] >= '1' && rest[0] <= '4') {
            info->rows = 1;
            info->columns = unsigned(rest[0] - '0');
            return true;
        }
        if (rest.size() == 3 && rest[0] >= '1' && rest[0] <= '4' && rest[1] == 'x' && rest[2] >= '1' && rest[2] <= '4') {
            info->rows = unsigned(rest[0] - '0');
            info->columns = unsigned(rest[2] - '0');
            return true;
        }
        return false;
    }
    if (name == "matrix") {
        *info = {ParamType::Float, 4, 4};
        return true;
    }
    if (name == "vector") {
        *info = {ParamType::Float, 1, 4};
        return true;
    }
    return false;
}

bool ObjectType(const std::string& name, TypeInfo* info) {
    if (name == "string") {
        *info = {ParamType::String, 1, 1};
        return true;
    }
    if (name.compare(0, 7, "texture") == 0 || name.compare(0, 7, "Texture") == 0) {
        *info = {ParamType::Texture, 1, 1};
        return true;
    }
    if (name.compare(0, 7, "sampler") == 0 || name == "SamplerState") {
        *info = {ParamType::Sampler, 1, 1};
        return true;
    }
    return false;
}

bool IsModifier(const std::string& s) {
    return s == "uniform" || s == "extern" || s == "shared" || s == "volatile" || s == "row_major" ||
           s == "column_major" || s == "precise" || s == "inline" || s == "nointerpolation" || s == "linear";
}

class Parser {
public:
    Parser(std::string_view text, EffectSource* out, std::string* errors)
        : text_(text), lex_(text), out_(out), errors_(errors) {}

    bool Run() {
        out_->shaderText.assign(text_);
        if (!Advance()) return false;
        while (tok_.kind != Tok::End) {
            if (!TopLevel()) return false;
        }
        return errors_->empty();
    }

private:
    bool Fail(int line, const std::string& message) {
        *errors_ += "memory(" + std::to_string(line) + "): error: " + message + "\n";
        return false;
    }
    bool Advance() {
        std::string error;
        if (!lex_.Next(&tok_, &error)) return Fail(lex_.line(), error);
        return true;
    }
    bool Is(const char* punct) const { return tok_.kind == Tok::Punct && tok_.text == punct; }
    bool Expect(const char* punct) {
        if (!Is(punct)) return Fail(tok_.line, std::string("'") + punct + "' expected" + Near());
        return Advance();
    }
    std::string Near() const {
        if (tok_.kind == Tok::End) return " at the end of the text";
        return " near '" + tok_.text.substr(0, 32) + "'";
    }
    // Skips a bracketed group starting at the current opening token.
    bool SkipGroup(const char* open, const char* close) {
        int depth = 0;
        int line = tok_.line;
        do {
            if (tok_.kind == Tok::End) return Fail(line, std::string("unmatched '") + open + "'");
            if (Is(open)) ++depth;
            else if (Is(close)) --depth;
            if (!Advance()) return false;
        } while (depth > 0);
        return true;
    }
    bool SkipToSemicolon() {
        while (!Is(";")) {
            if (tok_.kind == Tok::End) return Fail(tok_.line, "';' expected at the end of the text");
            if (Is("{")) {
                if (!SkipGroup("{", "}")) return false;
            } else if (Is("(")) {
                if (!SkipGroup("(", ")")) return false;
            } else if (!Advance()) {
                return false;
            }
        }
        return Advance();
    }

    bool TopLevel() {
        if (Is(";")) return Advance();
        if (tok_.kind != Tok::Ident) return Fail(tok_.line, "declaration expected" + Near());
        if (tok_.text == "technique" || tok_.text == "technique9") return Technique();
        if (tok_.text == "struct" || tok_.text == "cbuffer" || tok_.text == "tbuffer") {
            while (!Is("{") && !Is(";")) {
                if (tok_.kind == Tok::End) return Fail(tok_.line, "'{' expected at the end of the text");
                if (!Advance()) return false;
            }
            if (Is(";")) return Advance();
            if (!SkipGroup("{", "}")) return false;
            return SkipToSemicolon();
        }
        if (tok_.text == "typedef") return SkipToSemicolon();
        return Declaration();
    }

    bool Declaration() {
        bool shaderOnly = false;  // static and const globals are not parameters
        while (tok_.kind == Tok::Ident && (IsModifier(tok_.text) || tok_.text == "static" || tok_.text == "const")) {
            if (tok_.text == "static" || tok_.text == "const") shaderOnly = true;
            if (!Advance()) return false;
        }
        if (tok_.kind != Tok::Ident) return Fail(tok_.line, "type expected" + Near());
        std::string typeName = tok_.text;
        int line = tok_.line;
        if (!Advance()) return false;
        if (Is("<")) {  // vector<float, 4> and the like: the compiler knows them
            if (!SkipGroup("<", ">")) return false;
            shaderOnly = true;
        }
        TypeInfo type{};
        bool known = NumericType(typeName, &type) || ObjectType(typeName, &type);
        for (;;) {
            if (tok_.kind != Tok::Ident) return Fail(tok_.line, "name expected" + Near());
            ParamDecl p;
            p.name = tok_.text;
            p.line = line;
            if (!Advance()) return false;
            if (Is("(")) return Function(p.name);
            if (Is("[")) {
                if (!Advance()) return false;
                if (tok_.kind != Tok::Number) return Fail(tok_.line, "array size expected" + Near());
                char* end = nullptr;
                unsigned long n = std::strtoul(tok_.text.c_str(), &end, 10);
                if (*end != '\0' || n == 0 || n > 65536) return Fail(tok_.line, "bad array size '" + tok_.text + "'");
                p.elements = unsigned(n);
                if (!Advance() || !Expect("]")) return false;
            }
            while (Is(":")) {
                if (!Advance()) return false;
                if (tok_.kind != Tok::Ident) return Fail(tok_.line, "semantic expected" + Near());
                if (tok_.text == "register" || tok_.text == "packoffset") {
                    if (!Advance()) return false;
                    if (!Is("(")) return Fail(tok_.line, "'(' expected" + Near());
                    if (!SkipGroup("(", ")")) return false;
                } else {
                    p.semantic = tok_.text;
                    if (!Advance()) return false;
                }
            }
            if (Is("<") && !SkipGroup("<", ">")) return false;  // annotations
            // A parameter's registers are counted before its initial value is read, which
            // keeps no numbers past its components.
            const bool kept = known && !shaderOnly;
            const bool numeric = type.type == ParamType::Float || type.type == ParamType::Int ||
                                 type.type == ParamType::Bool;
            const size_t elements = std::max(1u, p.elements);
            if (kept && !Keep(line, size_t(16) * type.rows * elements + p.name.size() + p.semantic.size()))
                return false;
            if (Is("=")) {
                const size_t components = kept && numeric ? size_t(type.rows) * type.columns * elements : 0;
                if (!Advance() || !Initializer(&p, components)) return false;
            }
            if (!shaderOnly) {
                if (!known) return Fail(line, "unsupported parameter type '" + typeName + "'");
                p.type = type.type;
                p.rows = type.rows;
                p.columns = type.columns;
                if (!names_.insert(p.name).second) return Fail(line, "redefinition of '" + p.name + "'");
                if (!Keep(line, p.initialString.size() + sizeof(float) * p.initial.size())) return false;
                out_->params.push_back(std::move(p));
            }
            if (Is(",")) {
                if (!Advance()) return false;
                continue;
            }
            return Expect(";");
        }
    }

    // Adds to the parameters' storage; false past kMaxParameterBytes.
    bool Keep(int line, size_t bytes) {
        storage_ += bytes;
        if (storage_ <= kMaxParameterBytes) return true;
        return Fail(line, "the parameters need more than " + std::to_string(kMaxParameterBytes) + " bytes");
    }

    // Numbers (with signs), true and false, a string, or a sampler_state block;
    // up to `keep` numbers are kept.
    bool Initializer(ParamDecl* p, size_t keep) {
        int depth = 0;
        bool negative = false;
        while (depth > 0 || (!Is(";") && !Is(","))) {
            if (tok_.kind == Tok::End) return Fail(tok_.line, "';' expected at the end of the text");
            if (Is("{") || Is("(")) {
                ++depth;
            } else if (Is("}") || Is(")")) {
                if (--depth < 0) return Fail(tok_.line, "unbalanced '" + tok_.text + "'");
            } else if (Is("-")) {
                negative = true;
                if (!Advance()) return false;
                continue;
            } else if (tok_.kind == Tok::Number) {
                std::string digits = tok_.text;
                while (!digits.empty() && std::isalpha(static_cast<unsigned char>(digits.back()))) digits.pop_back();
                float v = std::strtof(digits.c_str(), nullptr);
                if (p->initial.size() < keep) p->initial.push_back(negative ? -v : v);
            } else if (tok_.kind == Tok::Ident && (tok_.text == "true" || tok_.text == "false")) {
                if (p->initial.size() < keep) p->initial.push_back(tok_.text == "true" ? 1.0f : 0.0f);
            } else if (tok_.kind == Tok::String) {
                p->initialString = tok_.text.substr(1, tok_.text.size() - 2);
            }
            negative = false;
            if (!Advance()) return false;
        }
        return true;
    }

    bool Function(const std::string& name) {
        if (!SkipGroup("(", ")")) return false;
        while (Is(":")) {  // return semantic
            if (!Advance()) return false;
            if (tok_.kind != Tok::Ident) return Fail(tok_.line, "semantic expected" + Near());
            if (!Advance()) return false;
        }
        if (Is(";")) return Advance();
        if (!Is("{")) return Fail(tok_.line, "'{' expected" + Near());
        out_->functions.push_back(name);
        return SkipGroup("{", "}");
    }

    bool Technique() {
        size_t begin = tok_.begin;
        TechniqueDecl t;
        if (!Advance()) return false;
        if (tok_.kind == Tok::Ident) {
            t.name = tok_.text;
            if (!Advance()) return false;
        }
        if (Is("<") && !SkipGroup("<", ">")) return false;
        if (!Expect("{")) return false;
        while (!Is("}")) {
            if (tok_.kind != Tok::Ident || tok_.text != "pass") return Fail(tok_.line, "'pass' expected" + Near());
            PassDecl pass;
            pass.line = tok_.line;
            if (!Advance()) return false;
            if (tok_.kind == Tok::Ident) {
                pass.name = tok_.text;
                if (!Advance()) return false;
            }
            if (Is("<") && !SkipGroup("<", ">")) return false;
            if (!Expect("{") || !PassBody(&pass)) return false;
            t.passes.push_back(std::move(pass));
        }
        size_t end = tok_.end;
        if (!Advance()) return false;
        if (Is(";") && !Advance()) return false;
        for (size_t i = begin; i < end; ++i)
            if (out_->shaderText[i] != '\n') out_->shaderText[i] = ' ';
        out_->techniques.push_back(std::move(t));
        return true;
    }

    // `VertexShader = compile vs_2_0 Name();` is the one state a pass may hold.
    bool PassBody(PassDecl* pass) {
        while (!Is("}")) {
            if (tok_.kind != Tok::Ident) return Fail(tok_.line, "pass state expected" + Near());
            std::string state = tok_.text;
            int line = tok_.line;
            if (state != "VertexShader" && state != "PixelShader")
                return Fail(line, "pass state '" + state + "' is not supported");
            if (!Advance() || !Expect("=")) return false;
            if (tok_.kind == Tok::Ident && (tok_.text == "NULL" || tok_.text == "null")) {
                if (!Advance() || !Expect(";")) return false;
                continue;
            }
            if (tok_.kind != Tok::Ident || tok_.text != "compile") return Fail(tok_.line, "'compile' expected" + Near());
            if (!Advance()) return false;
            if (tok_.kind != Tok::Ident) return Fail(tok_.line, "shader profile expected" + Near());
            std::string profile = tok_.text;
            if (!Advance()) return false;
            if (tok_.kind != Tok::Ident) return Fail(tok_.line, "shader function expected" + Near());
            std::string entry = tok_.text;
            if (!Advance()) return false;
            if (!Expect("(")) return false;
            if (!Is(")")) return Fail(tok_.line, "shader arguments are not supported");
            if (!Advance() || !Expect(";")) return false;
            if (state == "PixelShader") return Fail(line, "pixel shaders are not supported");
            static const char* const profiles[] = {"vs_1_1", "vs_2_0", "vs_2_a", "vs_2_sw", "vs_3_0"};
            bool ok = false;
            for (const char* p : profiles) ok = ok || profile == p;
            if (!ok) return Fail(line, "unknown vertex shader profile '" + profile + "'");
            pass->vertexProfile = profile;
            pass->vertexEntry = entry;
        }
        return Advance();
    }

    std::string_view text_;
    Lexer lex_;
    Token tok_;
    EffectSource* out_;
    std::string* errors_;
    std::unordered_set<std::string> names_;  // of the parameters so far
    size_t storage_ = 0;                     // what they keep, as kMaxParameterBytes counts it
};

}  // namespace

bool ParseEffect(std::string_view text, EffectSource* out, std::string* errors) {
    *out = EffectSource{};
    errors->clear();
    Parser parser(text, out, errors);
    bool ok = parser.Run();
    if (ok && out->techniques.empty()) {
        *errors = "memory(1): error: the effect has no technique\n";
        ok = false;
    }
    for (const auto& t : out->techniques)
        for (const auto& pass : t.passes) {
            if (!ok || pass.vertexEntry.empty()) continue;
            bool found = false;
            for (const auto& f : out->functions) found = found || f == pass.vertexEntry;
            if (!found) {
                *errors += "memory(" + std::to_string(pass.line) + "): error: entry point '" + pass.vertexEntry +
                           "' not found\n";
                ok = false;
            }
        }
    return ok;
}

}  // namespace d3dxfx
